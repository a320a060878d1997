// The worker that makes pictures off the window's thread: a picture no longer wanted while it is
// being made does not hold back the one wanted now, and is never handed over.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>

#include <atomic>
#include <chrono>
#include <future>
#include <vector>

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

// The pictures one repaint asks for come by the thousand, most while another is being made:
// every one still wanted is made and handed over, in the order asked, those no longer wanted
// are not, and pictures asked for once the worker has gone idle are made as well.
TEST(PictureWorker, EveryPictureAskedForInABurstIsMadeInTheOrderAsked)
{
    std::promise<void> firstStarted;
    std::promise<void> letFirstEnd;
    const std::shared_future<void> firstMayEnd = letFirstEnd.get_future().share();
    std::vector<int> arrived;
    std::atomic<int> madeCount{0};
    auto job = [&](int number) {
        auto made = std::make_shared<PictureWorker::Job>();
        made->make = [&madeCount, number] {
            ++madeCount;
            QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
            image.fill(QColor::fromRgb(QRgb(number)));
            return image;
        };
        made->arrived = [&arrived, number](const QImage &image) {
            EXPECT_EQ(image.pixel(0, 0) & 0xffffffu, QRgb(number) & 0xffffffu);
            arrived.push_back(number);
        };
        return made;
    };
    auto first = std::make_shared<PictureWorker::Job>();
    first->make = [started = &firstStarted, firstMayEnd] {
        started->set_value();
        firstMayEnd.wait();
        return QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
    };
    PictureWorker::submit(first);
    firstStarted.get_future().wait();

    // Asked for while the first is made; every fifth given up before its turn.
    constexpr int Burst = 600;
    std::vector<std::shared_ptr<PictureWorker::Job>> jobs;
    std::vector<int> wanted;
    for (int i = 1; i <= Burst; ++i) {
        jobs.push_back(job(i));
        PictureWorker::submit(jobs.back());
        if (i % 5 == 0)
            jobs.back()->abandoned = true;
        else
            wanted.push_back(i);
    }
    letFirstEnd.set_value();
    PictureWorker::waitUntilDone();
    EXPECT_FALSE(PictureWorker::busy());
    EXPECT_EQ(arrived, wanted);
    EXPECT_EQ(madeCount.load(), int(wanted.size()));

    // The worker idle again: a few more, then a burst, each answered.
    for (int round : {3, 250}) {
        arrived.clear();
        wanted.clear();
        for (int i = 0; i < round; ++i) {
            jobs.push_back(job(10000 + round + i));
            PictureWorker::submit(jobs.back());
            wanted.push_back(10000 + round + i);
        }
        PictureWorker::waitUntilDone();
        EXPECT_EQ(arrived, wanted) << round;
    }
}

// A repaint that comes while the picture being made is no longer wanted (the design changed
// again before its pictures came) asks for thousands at once: the idle threads are woken for
// them, and every one is made and handed over, in the order asked, however few wake-ups the
// burst took; so are those of the next such burst.
TEST(PictureWorker, ABurstAskedForWhileTheOneMadeIsUnwantedIsMadeWhole)
{
    for (int round = 0; round < 2; ++round) {
        std::promise<void> started;
        std::promise<void> letEnd;
        const std::shared_future<void> mayEnd = letEnd.get_future().share();
        auto unwanted = std::make_shared<PictureWorker::Job>();
        unwanted->make = [begun = &started, mayEnd] {
            begun->set_value();
            mayEnd.wait();
            return QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
        };
        bool unwantedArrived = false;
        unwanted->arrived = [&](const QImage &) { unwantedArrived = true; };
        PictureWorker::submit(unwanted);
        started.get_future().wait();
        unwanted->abandoned = true;

        std::vector<int> arrived;
        std::vector<int> wanted;
        std::vector<std::shared_ptr<PictureWorker::Job>> jobs;
        for (int i = 0; i < 2000; ++i) {
            auto job = std::make_shared<PictureWorker::Job>();
            job->make = [i] {
                QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
                image.fill(QColor::fromRgb(QRgb(i)));
                return image;
            };
            job->arrived = [&arrived, i](const QImage &image) {
                EXPECT_EQ(image.pixel(0, 0) & 0xffffffu, QRgb(i) & 0xffffffu);
                arrived.push_back(i);
            };
            jobs.push_back(job);
            PictureWorker::submit(job);
            wanted.push_back(i);
        }
        // Made beside the unwanted one, which is still under way.
        PictureWorker::waitUntilDone();
        EXPECT_EQ(arrived, wanted) << round;
        letEnd.set_value();
        PictureWorker::waitUntilDone();
        QCoreApplication::processEvents();
        EXPECT_FALSE(unwantedArrived);
        EXPECT_FALSE(PictureWorker::busy());
    }
}
