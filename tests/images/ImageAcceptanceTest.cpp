// One answer to "is this a picture": for every kind of file the check, the file dragged onto
// the browser, the browser's tile, the thumbnail and placement agree, under the same limits.
// JPEG 2000 pictures are read through OpenJPEG, PDFs show their first page.
#include "canvas/CanvasTestSupport.h"
#include "common/TestPrompts.h"
#include "images/HostileFiles.h"
#include "images/ImageSources.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"
#include "objects/ImageProbe.h"
#include "objects/PngReducedReader.h"
#include "objects/specImage.h"
#include "printing/GifEncoder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeData>
#include <QScrollArea>
#include <QUrl>

using namespace quillmark;

namespace {

using Format = ImageProbe::Format;

QByteArray encoded(const QSize &size, const QColor &color, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image)) << format;
    return bytes;
}

// Qt reads GIF but does not write it: the export writer does.
QByteArray gifBytes(const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return GifEncoder::encode(image);
}

// A small JPEG whose frame header announces another size: the check reads only the header.
QByteArray jpegAnnouncing(quint16 width, quint16 height)
{
    QByteArray bytes = encoded(QSize(16, 16), Qt::red, "jpeg");
    const qsizetype frame = bytes.indexOf(QByteArray("\xff\xc0", 2));
    EXPECT_GT(frame, 0);
    if (frame > 0) {
        // Marker, length, precision, then height and width, big-endian.
        bytes[frame + 5] = char(height >> 8);
        bytes[frame + 6] = char(height & 0xff);
        bytes[frame + 7] = char(width >> 8);
        bytes[frame + 8] = char(width & 0xff);
    }
    return bytes;
}

const QByteArray RedSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"20\">"
                          "<rect width=\"40\" height=\"20\" fill=\"#ff0000\"/></svg>";

bool isRed(QRgb pixel)
{
    return qAlpha(pixel) > 200 && qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

struct Case
{
    QString name;
    QByteArray bytes;
    bool accepted;     // the check takes it
    bool decodes;      // and its picture reads
    Format format;
    QSizeF size;
    QString refusal;   // the message when it is refused or does not read
};

QList<Case> cases()
{
    const QByteArray png = encoded(QSize(40, 20), Qt::red, "png");
    const QByteArray jp2 = hostile::jp2Bytes(QSize(40, 20), Qt::red);
    const QString notAnImage = QStringLiteral("The file is not an image that can be opened.");
    const QString tooLarge = QStringLiteral("The image is too large to open.");
    return {
        {"tree.png", png, true, true, Format::Raster, QSizeF(40, 20), {}},
        {"photo.jpg", encoded(QSize(40, 20), Qt::red, "jpeg"), true, true, Format::Raster, QSizeF(40, 20), {}},
        {"anim.gif", gifBytes(QSize(40, 20), Qt::red), true, true, Format::Raster, QSizeF(40, 20), {}},
        {"old.bmp", encoded(QSize(40, 20), Qt::red, "bmp"), true, true, Format::Raster, QSizeF(40, 20), {}},
        {"scan.tiff", encoded(QSize(40, 20), Qt::red, "tiff"), true, true, Format::Raster, QSizeF(40, 20), {}},
        {"web.webp", encoded(QSize(40, 20), Qt::red, "webp"), true, true, Format::Raster, QSizeF(40, 20), {}},
        {"picture.jp2", jp2, true, true, Format::Jpeg2000, QSizeF(40, 20), {}},
        {"stream.j2k", hostile::codestreamOf(jp2), true, true, Format::Jpeg2000, QSizeF(40, 20), {}},
        {"drawing.svg", RedSvg, true, true, Format::Svg, QSizeF(40, 20), {}},
        {"packed.svgz", hostile::gzip(RedSvg), true, true, Format::Svg, QSizeF(40, 20), {}},
        // Named by what it holds, not by its extension.
        {"picture-without-extension", png, true, true, Format::Raster, QSizeF(40, 20), {}},
        {"notes.txt", "just words", false, false, Format::None, {}, notAnImage},
        {"notes.png", "just words", false, false, Format::None, {}, notAnImage},
        {"empty.png", QByteArray(), false, false, Format::None, {}, notAnImage},
        {"huge.png", hostile::pngHeaderOnly(40000, 40000), false, false, Format::None, {}, tooLarge},
        // A JPEG past the pixel limit is decoded at a fraction of its size, but not one of 1.2
        // gigapixels, whose eighth would still be all that work.
        {"giant.jpg", jpegAnnouncing(40000, 30000), false, false, Format::None, {}, tooLarge},
        // A sound header over damaged pixels passes the check and fails on reading.
        {"damaged.png", hostile::truncatedPng(), true, false, Format::Raster, QSizeF(200, 100), notAnImage},
        {"bomb.svgz", hostile::svgzBomb(200 * 1024), false, false, Format::None, {}, tooLarge},
    };
}

class ImageAcceptance : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("acceptance"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        ScrollNSImageView::clearThumbnailCache();
        dir = qmtest::freshDir(QStringLiteral("acceptance-%1").arg(++serial));
    }
    void TearDown() override { Language::reset(); }

    QString dir;
    static inline int serial = 0;
};

} // namespace

TEST_F(ImageAcceptance, EveryPathGivesTheSameAnswer)
{
    const QList<Case> table = cases();
    for (const Case &c : table)
        ASSERT_TRUE(hostile::writeFile(dir + '/' + c.name, c.bytes));

    for (const Case &c : table) {
        SCOPED_TRACE(c.name.toStdString());
        const QString path = dir + '/' + c.name;
        const ImageProbe::Result probed = ImageProbe::probeFile(path);
        EXPECT_EQ(probed.accepted(), c.accepted);
        EXPECT_EQ(probed.format, c.format);
        if (c.accepted)
            EXPECT_EQ(probed.size, c.size);
        else
            EXPECT_EQ(probed.errorMessage(), c.refusal);
        // The same answer for bytes in memory (a picture stored in a design or a record).
        EXPECT_EQ(ImageProbe::probeData(c.bytes).accepted(), c.accepted);

        // A file dragged onto the browser.
        EXPECT_EQ(ImageSources::acceptsDroppedFile(path), c.accepted);
        // Save's look at a picture from outside before it copies the file, by its beginning.
        {
            std::unique_ptr<QFile> file = ImageProbe::openRegularFile(path);
            EXPECT_EQ(file && ImageProbe::recognise(file.get()), c.accepted);
        }

        // Placement and thumbnails read the picture.
        QString error;
        const std::shared_ptr<specImage> image = specImage::fromFile(path, &error);
        EXPECT_EQ(bool(image), c.decodes);
        if (c.decodes && image) {
            const QImage prepared = image->prepareImage();
            ASSERT_FALSE(prepared.isNull());
            // A bitmap is measured in pixels (its points follow its resolution), a drawing
            // in points.
            if (image->isVector())
                EXPECT_EQ(image->size(), c.size);
            else
                EXPECT_EQ(QSizeF(prepared.size()), c.size);
            EXPECT_TRUE(isRed(prepared.pixel(prepared.width() / 2, prepared.height() / 2)));
        } else {
            EXPECT_EQ(error, c.refusal);
        }
        const QImage thumb = ImageProbe::thumbnail(path, QSize(90, 90));
        EXPECT_EQ(!thumb.isNull(), c.decodes);
        if (!thumb.isNull()) {
            EXPECT_EQ(thumb.width(), c.format == Format::Raster || c.format == Format::Jpeg2000 ? 40 : 90);
            EXPECT_TRUE(isRed(thumb.pixel(thumb.width() / 2, thumb.height() / 2)));
        }
    }

    // The browser shows a tile exactly for the pictures that read.
    QScrollArea scroll;
    auto *browser = new ScrollNSImageView;
    scroll.setWidget(browser);
    scroll.setWidgetResizable(true);
    scroll.resize(400, 600);
    scroll.show();
    ASSERT_TRUE(browser->loadAllItemsListPath(dir));
    ASSERT_TRUE(browser->waitForThumbnails());
    QStringList shown;
    for (const listImageViewItem *tile : browser->tiles())
        shown << QFileInfo(tile->filePath()).fileName();
    QStringList expected;
    for (const Case &c : table)
        if (c.decodes)
            expected << c.name;
    shown.sort();
    expected.sort();
    EXPECT_EQ(shown, expected);
}

TEST_F(ImageAcceptance, JpegTwoThousandAndPdfGetTiles)
{
    const QByteArray jp2 = hostile::jp2Bytes(QSize(300, 200), Qt::red);
    ASSERT_FALSE(jp2.isEmpty());
    hostile::writeFile(dir + "/large.jp2", jp2);
    hostile::writeFile(dir + "/bare.j2k", hostile::codestreamOf(jp2));
    ASSERT_TRUE(hostile::writePdf(dir + "/page.pdf", QSizeF(144, 72), Qt::red));

    QScrollArea scroll;
    auto *browser = new ScrollNSImageView;
    scroll.setWidget(browser);
    scroll.setWidgetResizable(true);
    scroll.resize(400, 300);
    scroll.show();
    ASSERT_TRUE(browser->loadAllItemsListPath(dir));
    ASSERT_TRUE(browser->waitForThumbnails());
    ASSERT_EQ(browser->getCount(), 3);
    const QSize box = browser->thumbnailBox();
    for (const listImageViewItem *tile : browser->tiles()) {
        SCOPED_TRACE(tile->filePath().toStdString());
        const QImage image = tile->image();
        ASSERT_FALSE(image.isNull());
        // Decoded at tile size, in proportion.
        EXPECT_EQ(image.width(), box.width());
        EXPECT_NEAR(image.height(), box.width() * (tile->filePath().endsWith("pdf") ? 0.5 : 2.0 / 3.0), 1.0);
        EXPECT_TRUE(isRed(image.pixel(image.width() / 2, image.height() / 2)));
    }

    // A click on the JPEG 2000 tile places the whole picture.
    canvastest::CanvasFixture fixture;
    fixture.view->initImages();
    fixture.view->setupNewNSImagePath(dir + "/large.jp2");
    ASSERT_TRUE(fixture.settle());
    ASSERT_EQ(fixture.view->getRects().size(), 1);
    EXPECT_EQ(fixture.view->getRects().first()->image()->prepareImage().size(), QSize(300, 200));
}

TEST_F(ImageAcceptance, JpegTwoThousandThumbnailsDecodeAtAReducedResolution)
{
    // A picture of 2,000 by 1,000 pixels with a blue left half.
    QImage picture(2000, 1000, QImage::Format_RGB32);
    picture.fill(Qt::red);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width() / 2; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 255));
    const QString path = dir + "/halves.jp2";
    ASSERT_TRUE(hostile::writeFile(path, Jp2Encoder::encode(picture, 72.0)));
    const QImage thumb = ImageProbe::thumbnail(path, QSize(100, 100));
    ASSERT_EQ(thumb.size(), QSize(100, 50));
    EXPECT_EQ(qBlue(thumb.pixel(20, 25)), 255);
    EXPECT_TRUE(isRed(thumb.pixel(80, 25)));
}

TEST(PngMadeSmallerAsRead, EachPixelIsTheMeanOfItsSquareWithTransparencyAndRaggedEdgesKept)
{
    // 5 by 3: opaque red, transparent, and half-transparent blue columns; grey and 16-bit
    // pictures arrive as the same colours.
    QImage source(5, 3, QImage::Format_RGBA8888);
    for (int y = 0; y < 3; ++y) {
        source.setPixelColor(0, y, QColor(255, 0, 0, 255));
        source.setPixelColor(1, y, QColor(0, 255, 0, 0));
        source.setPixelColor(2, y, QColor(0, 0, 255, 128));
        source.setPixelColor(3, y, QColor(0, 0, 255, 128));
        source.setPixelColor(4, y, QColor(10, 20, 30, 255));
    }
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(source.save(&buffer, "png"));
    }
    ASSERT_TRUE(PngReducedReader::canRead(bytes.left(64)));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    const QImage half = PngReducedReader::read(&device, 1).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(half.size(), QSize(3, 2));
    // Red beside a clear pixel: half as opaque, still pure red.
    const QColor first = half.pixelColor(0, 0);
    EXPECT_NEAR(first.alpha(), 128, 1);
    EXPECT_NEAR(first.red(), 255, 2);
    EXPECT_EQ(first.green(), 0);
    const QColor blue = half.pixelColor(1, 0);
    EXPECT_NEAR(blue.alpha(), 128, 1);
    EXPECT_NEAR(blue.blue(), 255, 2);
    // The last column and row stand alone.
    EXPECT_EQ(half.pixelColor(2, 1), QColor(10, 20, 30));

    QImage grey(4, 4, QImage::Format_Grayscale16);
    grey.fill(QColor(128, 128, 128));
    QByteArray greyBytes;
    {
        QBuffer buffer(&greyBytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(grey.save(&buffer, "png"));
    }
    QBuffer greyDevice(&greyBytes);
    greyDevice.open(QIODevice::ReadOnly);
    const QImage quarter = PngReducedReader::read(&greyDevice, 2).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(quarter.size(), QSize(1, 1));
    EXPECT_NEAR(quarter.pixelColor(0, 0).red(), 128, 1);
    EXPECT_EQ(quarter.pixelColor(0, 0).alpha(), 255);

    // Rows that come in seven passes are left to the full-size reader.
    QByteArray interlaced = bytes;
    interlaced[28] = 1;
    EXPECT_FALSE(PngReducedReader::canRead(interlaced.left(64)));
}
