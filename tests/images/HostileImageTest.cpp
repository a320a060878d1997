// Pictures made to hurt: SVG drawings that point at a FIFO, a terminal or a local file, FIFOs
// and devices handed over as pictures, and a compressed SVG that unpacks into gigabytes. Each
// is taken through the ways a user meets it (placed, shown by the browser, dropped) and must
// return at once, change nothing it should not, and reach nothing outside itself. A guard
// lets a blocked reader go after a while, so that a regression fails instead of hanging.
#include "canvas/CanvasTestSupport.h"
#include "common/TestPrompts.h"
#include "images/HostileFiles.h"
#include "images/ImageSources.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"
#include "objects/ImageProbe.h"
#include "objects/specImage.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QScrollArea>
#include <QUrl>

using namespace quillmark;

namespace {

const QColor Blue(0, 0, 255);

bool isBlue(QRgb pixel)
{
    return qAlpha(pixel) == 255 && qRed(pixel) < 40 && qGreen(pixel) < 40 && qBlue(pixel) > 200;
}

class HostileImages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("hostile"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        ScrollNSImageView::clearThumbnailCache();
        dir = qmtest::freshDir(QStringLiteral("hostile-%1").arg(++serial));
        fifo = hostile::makeFifo(dir + QStringLiteral("/pipe.png"));
        ASSERT_FALSE(fifo.isEmpty());
    }
    void TearDown() override { Language::reset(); }

    // Lets every reader that could be blocked go: the FIFO and standard input.
    std::function<void()> rescue()
    {
        return [this] {
            hostile::releaseFifo(fifo);
            stdinPipe.release();
        };
    }

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir + QLatin1Char('/') + name;
        EXPECT_TRUE(hostile::writeFile(path, bytes));
        return path;
    }

    QString dir;
    QString fifo;
    hostile::StdinPipe stdinPipe;
    static inline int serial = 0;
};

} // namespace

TEST_F(HostileImages, SvgPointingAtAFifoOrADeviceLoadsAtOnceWithoutTheReference)
{
    ASSERT_TRUE(stdinPipe.isValid());
    const QString references[] = {
        fifo,
        QUrl::fromLocalFile(fifo).toString(),
        QStringLiteral("/dev/stdin"),
        QStringLiteral("/dev/tty"),
        QStringLiteral("/dev/zero"),
        QStringLiteral("pipe.png"),
    };
    for (const QString &reference : references) {
        SCOPED_TRACE(reference.toStdString());
        const QString svg = write(QStringLiteral("drawing.svg"), hostile::svgReferencing(reference));
        std::shared_ptr<specImage> image;
        QImage drawn, thumb;
        {
            hostile::Watchdog guard(rescue(), std::chrono::seconds(10));
            image = specImage::fromFile(svg);
            if (image)
                drawn = image->prepareImage();
            thumb = ImageProbe::thumbnail(svg, QSize(80, 80));
            EXPECT_FALSE(guard.fired()) << "the reader waited on the reference";
        }
        ASSERT_TRUE(image);
        EXPECT_EQ(image->kind(), specImage::Kind::Svg);
        EXPECT_EQ(image->size(), QSizeF(40, 20));
        // The drawing itself is there; its reference is gone from what is drawn and stored.
        ASSERT_FALSE(drawn.isNull());
        EXPECT_TRUE(isBlue(drawn.pixel(drawn.width() / 4, drawn.height() / 2)));
        EXPECT_FALSE(image->archivedData().contains(QFileInfo(reference).fileName().toUtf8()));
        ASSERT_FALSE(thumb.isNull());
        EXPECT_EQ(thumb.size(), QSize(80, 40));
    }
}

TEST_F(HostileImages, SvgCannotPullInALocalFile)
{
    const QString red = write(QStringLiteral("secret.png"), hostile::pngBytes(QSize(20, 20), Qt::red));
    for (const QByteArray &prefix : {QByteArray("xlink"), QByteArray("other")}) {
        for (const QString &reference : {red, QUrl::fromLocalFile(red).toString(), QStringLiteral("secret.png")}) {
            SCOPED_TRACE(reference.toStdString() + " " + prefix.toStdString());
            const std::shared_ptr<specImage> image = specImage::fromData(hostile::svgReferencing(reference, prefix));
            ASSERT_TRUE(image);
            const QImage drawn = image->prepareImage();
            EXPECT_TRUE(isBlue(drawn.pixel(drawn.width() / 4, drawn.height() / 2)));
            EXPECT_FALSE(image->archivedData().contains("secret.png"));
        }
    }
}

TEST_F(HostileImages, EmbeddedBitmapsStayButEmbeddedDrawingsAndFragmentsOfPicturesGo)
{
    const QByteArray green = hostile::pngBytes(QSize(4, 4), Qt::green);
    const std::shared_ptr<specImage> kept =
        specImage::fromData(hostile::svgReferencing(QStringLiteral("data:image/png;base64,") + green.toBase64()));
    ASSERT_TRUE(kept);
    const QImage drawn = kept->prepareImage();
    const QRgb left = drawn.pixel(drawn.width() / 4, drawn.height() / 2);
    EXPECT_GT(qGreen(left), 200);
    EXPECT_LT(qBlue(left), 40);

    // A drawing inside a drawing would be read by a reader that never checks it.
    const QByteArray inner = hostile::svgReferencing(fifo);
    const QString embedded[] = {
        QStringLiteral("data:image/svg+xml;base64,") + inner.toBase64(),
        QStringLiteral("data:image/svg+xml;base64,") + hostile::gzip(inner).toBase64(),
        QStringLiteral("#pipe.png"),
    };
    for (const QString &reference : embedded) {
        SCOPED_TRACE(reference.left(40).toStdString());
        std::shared_ptr<specImage> image;
        QImage picture;
        {
            hostile::Watchdog guard(rescue(), std::chrono::seconds(10));
            image = specImage::fromData(hostile::svgReferencing(reference));
            if (image)
                picture = image->prepareImage();
            EXPECT_FALSE(guard.fired());
        }
        ASSERT_TRUE(image);
        EXPECT_TRUE(isBlue(picture.pixel(picture.width() / 4, picture.height() / 2)));
    }

    // References inside the drawing still work.
    const QByteArray used = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\""
                            " width=\"10\" height=\"10\"><defs><rect id=\"r\" width=\"10\" height=\"10\" fill=\"#00ff00\"/>"
                            "</defs><use xlink:href=\"#r\"/></svg>";
    const std::shared_ptr<specImage> withUse = specImage::fromData(used);
    ASSERT_TRUE(withUse);
    const QImage usedPicture = withUse->prepareImage();
    EXPECT_GT(qGreen(usedPicture.pixel(usedPicture.width() / 2, usedPicture.height() / 2)), 200);
}

TEST_F(HostileImages, DocumentTypesAndEntitiesReachNothing)
{
    const QByteArray svg = "<?xml version=\"1.0\"?><!DOCTYPE svg [<!ENTITY ext SYSTEM \"" + fifo.toUtf8()
        + "\"><!ENTITY word \"hello\">]><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"20\">"
          "<rect width=\"40\" height=\"20\" fill=\"#0000ff\"/><text>&word;&ext;</text></svg>";
    std::shared_ptr<specImage> image;
    {
        hostile::Watchdog guard(rescue(), std::chrono::seconds(10));
        image = specImage::fromData(svg);
        if (image)
            image->prepareImage();
        EXPECT_FALSE(guard.fired());
    }
    if (image) {
        EXPECT_FALSE(image->archivedData().contains("DOCTYPE"));
    }
}

TEST_F(HostileImages, FifosAndDevicesAreNeverOpenedAsPictures)
{
    ASSERT_TRUE(stdinPipe.isValid());
    const QString folder = dir + QStringLiteral("/folder.png");
    QDir().mkpath(folder);
    for (const QString &path : {fifo, QStringLiteral("/dev/stdin"), QStringLiteral("/dev/zero"),
                                QStringLiteral("/dev/null"), folder, dir + QStringLiteral("/missing.png")}) {
        SCOPED_TRACE(path.toStdString());
        hostile::Watchdog guard(rescue(), std::chrono::seconds(10));
        const ImageProbe::Result probed = ImageProbe::probeFile(path);
        EXPECT_FALSE(probed.accepted());
        EXPECT_EQ(probed.errorMessage(), QStringLiteral("The image file could not be read."));
        QString error;
        EXPECT_FALSE(specImage::fromFile(path, &error));
        EXPECT_EQ(error, QStringLiteral("The image file could not be read."));
        EXPECT_TRUE(ImageProbe::thumbnail(path, QSize(60, 60)).isNull());
        EXPECT_FALSE(ImageSources::acceptsDroppedFile(path));
        EXPECT_FALSE(guard.fired());
    }
}

TEST_F(HostileImages, BrowserFolderWithHostileFilesFinishesLoading)
{
    write(QStringLiteral("fifo.svg"), hostile::svgReferencing(fifo));
    write(QStringLiteral("stdin.svg"), hostile::svgReferencing(QStringLiteral("/dev/stdin")));
    write(QStringLiteral("good.png"), hostile::pngBytes(QSize(30, 30), Qt::green));
    ASSERT_TRUE(stdinPipe.isValid());

    QScrollArea scroll;
    auto *browser = new ScrollNSImageView;
    scroll.setWidget(browser);
    scroll.setWidgetResizable(true);
    scroll.resize(300, 400);
    scroll.show();
    {
        hostile::Watchdog guard(rescue(), std::chrono::seconds(20));
        ASSERT_TRUE(browser->loadAllItemsListPath(dir));
        EXPECT_TRUE(browser->waitForThumbnails(60000));
        EXPECT_FALSE(guard.fired());
    }
    QStringList names;
    for (const listImageViewItem *tile : browser->tiles()) {
        names << QFileInfo(tile->filePath()).fileName();
        EXPECT_FALSE(tile->image().isNull());
    }
    // The FIFO gets no tile; the drawings show without what they pointed at.
    EXPECT_EQ(names, (QStringList{QStringLiteral("fifo.svg"), QStringLiteral("good.png"), QStringLiteral("stdin.svg")}));
}

TEST_F(HostileImages, PlacingAHostileDrawingOrAFifoNeverWaits)
{
    ASSERT_TRUE(stdinPipe.isValid());
    canvastest::CanvasFixture fixture;
    fixture.view->initImages();
    qmtest::ScopedTestPrompts prompts;
    const QString svg = write(QStringLiteral("placed.svg"), hostile::svgReferencing(QStringLiteral("/dev/stdin")));
    {
        hostile::Watchdog guard(rescue(), std::chrono::seconds(10));
        fixture.view->setupNewNSImagePath(svg);
        EXPECT_FALSE(guard.fired());
    }
    ASSERT_EQ(fixture.view->getRects().size(), 1);
    EXPECT_TRUE(fixture.view->getRects().first()->hasValidImage());
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);

    {
        hostile::Watchdog guard(rescue(), std::chrono::seconds(10));
        fixture.view->setupNewNSImagePath(fifo);
        EXPECT_FALSE(guard.fired());
    }
    EXPECT_EQ(fixture.view->getRects().size(), 1);
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("The image file could not be read."));
}

TEST_F(HostileImages, CompressedSvgBombIsRefusedOnEveryPath)
{
    const QByteArray bomb = hostile::svgzBomb(1536 * 1024);
    ASSERT_GT(bomb.size(), 1400 * 1024);
    const QString path = write(QStringLiteral("bomb.svgz"), bomb);
    const QString tooLarge = QStringLiteral("The image is too large to open.");

    // The check, placement and the stored form.
    const ImageProbe::Result probed = ImageProbe::probeFile(path);
    EXPECT_FALSE(probed.accepted());
    EXPECT_EQ(probed.errorMessage(), tooLarge);
    QString error;
    EXPECT_FALSE(specImage::fromFile(path, &error));
    EXPECT_EQ(error, tooLarge);
    EXPECT_FALSE(specImage::fromData(bomb, &error));
    EXPECT_EQ(error, tooLarge);

    // Thumbnails, a browser folder and a file dragged onto the browser.
    EXPECT_TRUE(ImageProbe::thumbnail(path, QSize(90, 90)).isNull());
    EXPECT_TRUE(ScrollNSImageView::thumbnail(path, QSize(90, 90)).isNull());
    for (int move = 0; move < 3; ++move)
        EXPECT_FALSE(ImageSources::acceptsDroppedFile(path));
    write(QStringLiteral("good.png"), hostile::pngBytes(QSize(30, 30), Qt::green));
    QFile::remove(fifo);
    ScrollNSImageView browser;
    ASSERT_TRUE(browser.loadAllItemsListPath(dir));
    ASSERT_TRUE(browser.waitForThumbnails());
    ASSERT_EQ(browser.getCount(), 1);
    EXPECT_EQ(QFileInfo(browser.tiles()[0]->filePath()).fileName(), QStringLiteral("good.png"));

    // Clicked as a tile, and dropped on the canvas: a message and no object.
    canvastest::CanvasFixture fixture;
    fixture.view->initImages();
    qmtest::ScopedTestPrompts prompts;
    fixture.view->setupNewNSImagePath(path);
    ASSERT_TRUE(fixture.settle());
    EXPECT_TRUE(fixture.view->getRects().isEmpty());
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, tooLarge);

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    fixture.view->performImageDrop(&mime, QPointF(50, 50));
    ASSERT_TRUE(fixture.settle());
    EXPECT_TRUE(fixture.view->getRects().isEmpty());
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 2);
    EXPECT_EQ(prompts->last().title, tooLarge);
}
