// The worker that makes pictures off the window's thread: a picture no longer wanted while it is
// being made does not hold back the one wanted now, and is never handed over.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>

#include <chrono>
#include <future>

#include "objects/PictureWorker.h"

using namespace quillmark;

TEST(PictureWorker, APictureNoLongerWantedIsFinishedAsideWhileTheOneWantedNowIsMade)
{
    // The first picture is made until the test lets it end, as a fill of seconds would be.
    std::promise<void> firstStarted;
    std::promise<void> letFirstEnd;
    const std::shared_future<void> firstMayEnd = letFirstEnd.get_future().share();
    auto first = std::make_shared<PictureWorker::Job>();
    first->make = [started = &firstStarted, firstMayEnd] {
        started->set_value();
        firstMayEnd.wait();
        QImage image(4, 4, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::blue);
        return image;
    };
    bool firstArrived = false;
    first->arrived = [&](const QImage &) { firstArrived = true; };
    PictureWorker::submit(first);
    firstStarted.get_future().wait();
    EXPECT_TRUE(PictureWorker::busy());

    // Zoomed again: the first is no longer wanted, a second is asked for.
    first->abandoned = true;
    std::promise<void> secondMade;
    auto second = std::make_shared<PictureWorker::Job>();
    second->make = [made = &secondMade] {
        QImage image(2, 3, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::red);
        made->set_value();
        return image;
    };
    QImage arrived;
    second->arrived = [&](const QImage &image) { arrived = image; };
    PictureWorker::submit(second);
    // Only a guard against the fault waiting forever: no time is measured.
    const bool made = secondMade.get_future().wait_for(std::chrono::minutes(5)) == std::future_status::ready;
    EXPECT_TRUE(made) << "the wanted picture waited for the unwanted one";
    if (!made)
        letFirstEnd.set_value();
    PictureWorker::waitUntilDone();
    EXPECT_EQ(arrived.size(), QSize(2, 3));
    EXPECT_EQ(arrived.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_FALSE(PictureWorker::busy());

    // The first ends; its picture reaches no one.
    if (made)
        letFirstEnd.set_value();
    PictureWorker::waitUntilDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(firstArrived);

    // A hold keeps a job from starting; the job runs once the hold is gone.
    auto third = std::make_shared<PictureWorker::Job>();
    third->make = [] { return QImage(1, 1, QImage::Format_ARGB32_Premultiplied); };
    bool thirdArrived = false;
    third->arrived = [&](const QImage &) { thirdArrived = true; };
    {
        PictureWorker::Hold hold;
        PictureWorker::submit(third);
        PictureWorker::waitUntilDone();
        EXPECT_FALSE(thirdArrived);
        EXPECT_TRUE(PictureWorker::busy());
    }
    PictureWorker::waitUntilDone();
    EXPECT_TRUE(thirdArrived);
}
