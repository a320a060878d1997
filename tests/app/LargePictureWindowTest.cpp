// Large pictures placed through the window: the photo is decoded while the window goes on
// answering (the busy pointer shows, the object appears when the picture is ready, one undo
// step), the newest choice wins, and a poster-sized PDF page is drawn from a raster the size
// it is shown at.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMimeData>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSemaphore>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <cstring>

#include "app/AppTestSupport.h"
#include "objects/PictureWorker.h"
#include "objects/specImage.h"

using namespace quillmark;

namespace {

// A photo of 6000 by 4000 pixels, red on the left half and blue on the right.
QString writePhoto(const QString &path, int width, int height, QRgb left, QRgb right)
{
    QImage source(width, height, QImage::Format_Mono);
    source.setColorTable({left, right});
    source.fill(0);
    for (int y = 0; y < source.height(); ++y)
        memset(source.scanLine(y) + width / 16, 0xff, size_t(source.bytesPerLine() - width / 16));
    QImageWriter writer(path, "jpeg");
    writer.setQuality(5);
    return writer.write(source) ? path : QString();
}

bool reddish(QColor c)
{
    return c.red() > 150 && c.blue() < 100;
}
bool bluish(QColor c)
{
    return c.blue() > 150 && c.red() < 100;
}

// Every worker that decodes pictures held until release(), so that a decode handed to them
// waits and the test sees the window while the picture is not yet decoded, however fast the
// machine.
class HeldWorkers
{
public:
    HeldWorkers()
        : count(RectsView::pictureDecoders().maxThreadCount())
    {
        for (int i = 0; i < count; ++i)
            RectsView::pictureDecoders().start([this] {
                started.release();
                gate.acquire();
            });
        started.acquire(count);
    }
    ~HeldWorkers() { release(); }
    void release()
    {
        gate.release(count - released);
        released = count;
    }

private:
    int count;
    int released = 0;
    QSemaphore started;
    QSemaphore gate;
};

void chooseImageFile(apptest::WindowFixture &f, const QString &path)
{
    f.prompts->queuePath(path);
    QAction *choose = f.menuItem(QStringLiteral("Image"), QStringLiteral("Select Image File..."));
    ASSERT_TRUE(choose);
    // Triggered without settling: the test looks at the window while the picture loads.
    choose->trigger();
}

} // namespace

TEST(LargePictureWindow, APhotoIsDecodedWhileTheWindowAnswersAndTheNewestChoiceWins)
{
    apptest::WindowFixture f(QStringLiteral("large-picture-photo"));
    const QString folder = qmtest::freshDir(QStringLiteral("large-picture-photo-files"));
    const QString first = writePhoto(folder + QStringLiteral("/first.jpg"), 6000, 4000, qRgb(30, 200, 30),
                                     qRgb(30, 200, 30));
    const QString photo = writePhoto(folder + QStringLiteral("/photo.jpg"), 6000, 4000, qRgb(220, 30, 30),
                                     qRgb(30, 30, 220));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(photo.isEmpty());
    RectsView *canvas = f.canvas();

    {
        HeldWorkers held;
        chooseImageFile(f, first);
        // The window is back before the picture is decoded, with the busy pointer.
        EXPECT_TRUE(canvas->isLoadingPicture());
        ASSERT_TRUE(QGuiApplication::overrideCursor());
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
        EXPECT_TRUE(canvas->getRects().isEmpty());

        // It goes on answering: a timer fires and the canvas repaints meanwhile.
        bool answered = false;
        QTimer::singleShot(0, canvas, [&] { answered = canvas->isLoadingPicture(); });
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        EXPECT_TRUE(answered);
        EXPECT_FALSE(canvas->grab().isNull());
        EXPECT_TRUE(canvas->getRects().isEmpty());

        // A second choice before the first has arrived: only the second is placed.
        chooseImageFile(f, photo);
        EXPECT_TRUE(canvas->isLoadingPicture());
        held.release();
        apptest::settle();
    }
    EXPECT_FALSE(canvas->isLoadingPicture());
    EXPECT_FALSE(QGuiApplication::overrideCursor());
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    ASSERT_EQ(canvas->getRects().size(), 1);
    const GraphicPtr made = canvas->getRects().first();
    EXPECT_EQ(made->imagePath(), photo);
    EXPECT_TRUE(canvas->isSelected(made.get()));
    ASSERT_TRUE(made->hasValidImage());
    const QImage held = made->image()->copyRepresentations()->prepareImage();
    ASSERT_EQ(held.size(), QSize(6000, 4000));
    EXPECT_TRUE(reddish(held.pixelColor(100, 2000)));
    EXPECT_TRUE(bluish(held.pixelColor(5900, 2000)));
    const QRectF frame = made->frameBounds();
    EXPECT_NEAR(frame.width() / frame.height(), 1.5, 0.01);

    // One step, named for what the user did.
    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Add Image"));
    f.undo();
    EXPECT_TRUE(canvas->getRects().isEmpty());

    // Dropped from the file manager: placed where it was let go once it is decoded.
    {
        HeldWorkers held;
        QMimeData dropped;
        dropped.setUrls({QUrl::fromLocalFile(photo)});
        const QPointF at(90, 60);
        const QPointF local = canvas->pageToWidget().map(at);
        QDragEnterEvent enter(local.toPoint(), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(canvas, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(local, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(canvas, &drop);
        EXPECT_TRUE(canvas->isLoadingPicture());
        EXPECT_TRUE(canvas->getRects().isEmpty());
        held.release();
        apptest::settle();
        ASSERT_EQ(canvas->getRects().size(), 1);
        EXPECT_NEAR(canvas->getRects().first()->frameBounds().center().x(), at.x(), 0.01);
        EXPECT_NEAR(canvas->getRects().first()->frameBounds().center().y(), at.y(), 0.01);
    }
}

TEST(LargePictureWindow, APosterSizedPdfPageIsDrawnFromARasterOfTheSizeShown)
{
    apptest::WindowFixture f(QStringLiteral("large-picture-poster"));
    const QString path = qmtest::freshDir(QStringLiteral("large-picture-poster-file")) + QStringLiteral("/poster.pdf");
    {
        // 14400 points on a side: 200 inches, the largest page a PDF holds.
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QSizeF(14400, 14400), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.fillRect(QRectF(0, 0, 14400, 14400), Qt::red);
    }
    chooseImageFile(f, path);
    apptest::settle();
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    RectsView *canvas = f.canvas();
    ASSERT_EQ(canvas->getRects().size(), 1);
    const GraphicPtr made = canvas->getRects().first();
    ASSERT_TRUE(made->hasValidImage());
    EXPECT_EQ(made->image()->size(), QSizeF(14400, 14400));

    // Rasterised on the picture worker, then drawn.
    canvas->grab();
    PictureWorker::waitUntilDone();
    apptest::settle();
    const QImage shown = canvas->grab().toImage();
    // The canvas draws a page point as this many device pixels.
    const double scale = canvas->getZoomCoeff() * canvas->devicePixelRatioF();
    const QSizeF wanted = made->frameBounds().size() * scale;
    const QSize raster = made->image()->preparedPixelSize();
    ASSERT_FALSE(raster.isEmpty());
    // At least the pixels shown, fewer than twice them on a side (the next halving).
    EXPECT_GE(raster.width(), wanted.width() - 1);
    EXPECT_LT(raster.width(), 2 * wanted.width() + 2);
    EXPECT_GE(raster.height(), wanted.height() - 1);
    EXPECT_LT(raster.height(), 2 * wanted.height() + 2);
    const QPointF centre = canvas->pageToWidget().map(made->frameBounds().center()) * canvas->devicePixelRatioF();
    EXPECT_TRUE(reddish(shown.pixelColor(centre.toPoint())));

    // Zoomed in four times: a raster for the new size, still no finer than needed.
    canvas->zoomChange(canvas->getZoom() * 4.0);
    apptest::settle();
    canvas->grab();
    PictureWorker::waitUntilDone();
    const QSize closer = made->image()->preparedPixelSize();
    const QSizeF wantedCloser = made->frameBounds().size() * canvas->getZoomCoeff() * canvas->devicePixelRatioF();
    EXPECT_GE(closer.width(), wantedCloser.width() - 1);
    EXPECT_LT(closer.width(), 2 * wantedCloser.width() + 2);
}
