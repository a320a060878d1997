// TIFF and WebP pictures too large to hold whole are read smaller: each held pixel is the mean
// of its square, clear pixels lend no colour, a TIFF turns as its orientation says (as Qt's own
// reader turns a small one), and a damaged file gives no picture. The files are written by
// libtiff and libwebp themselves.
#include "common/TestSupport.h"
#include "objects/TiffReducedReader.h"
#include "objects/WebpReducedReader.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <tiffio.h>
#include <webp/encode.h>

#include <functional>
#include <vector>

using namespace quillmark;

namespace {

// A TIFF of `width` by `height` pixels of `samples` 8-bit samples each, written by libtiff
// with the fields `fields` sets; `pixel` fills each pixel's samples.
QByteArray writeTiff(const QString &name, int width, int height, int samples,
                     const std::function<void(TIFF *)> &fields,
                     const std::function<void(int x, int y, uint8_t *samples)> &pixel)
{
    const QString path = qmtest::freshDir(QStringLiteral("reduced-tiff")) + QLatin1Char('/') + name;
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff)
        return {};
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_ADOBE_DEFLATE));
    fields(tiff);
    bool ok = true;
    if (TIFFIsTiled(tiff)) {
        uint32_t tw = 0;
        uint32_t th = 0;
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &th);
        std::vector<uint8_t> tile(size_t(tw) * th * samples);
        for (uint32_t ty = 0; ty < uint32_t(height); ty += th)
            for (uint32_t tx = 0; tx < uint32_t(width); tx += tw) {
                for (uint32_t y = 0; y < th; ++y)
                    for (uint32_t x = 0; x < tw; ++x)
                        pixel(int(std::min(tx + x, uint32_t(width) - 1)), int(std::min(ty + y, uint32_t(height) - 1)),
                              &tile[(size_t(y) * tw + x) * samples]);
                ok = ok && TIFFWriteTile(tiff, tile.data(), tx, ty, 0, 0) >= 0;
            }
    } else {
        std::vector<uint8_t> row(size_t(width) * samples);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                pixel(x, y, &row[size_t(x) * samples]);
            ok = ok && TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) >= 0;
        }
    }
    TIFFClose(tiff);
    QFile file(path);
    if (!ok || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QImage readTiff(const QByteArray &bytes, int shift, QImageIOHandler::Transformations *turned = nullptr)
{
    QByteArray copy = bytes;
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    const QImage image = TiffReducedReader::read(&device, shift, turned);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
}

QImage readWebp(const QByteArray &bytes, int shift)
{
    QByteArray copy = bytes;
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    const QImage image = WebpReducedReader::read(&device, shift);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
}

bool canReadTiff(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    return TiffReducedReader::canRead(&device);
}

} // namespace

TEST(TiffMadeSmallerAsRead, EveryOrientationTurnsThePictureAsQtsOwnReaderDoes)
{
    // Every pixel its own colour, so that any wrong turn or mirror shows.
    auto pixel = [](int x, int y, uint8_t *s) {
        s[0] = uint8_t(x * 40);
        s[1] = uint8_t(y * 60);
        s[2] = uint8_t(100 + x + y);
    };
    for (uint16_t orientation = ORIENTATION_TOPLEFT; orientation <= ORIENTATION_LEFTBOT; ++orientation) {
        SCOPED_TRACE(orientation);
        const QByteArray bytes = writeTiff(QStringLiteral("turned.tif"), 6, 4, 3, [&](TIFF *tiff) {
            TIFFSetField(tiff, TIFFTAG_ORIENTATION, orientation);
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(1));
        }, pixel);
        ASSERT_FALSE(bytes.isEmpty());
        QByteArray copy = bytes;
        QBuffer device(&copy);
        device.open(QIODevice::ReadOnly);
        QImageReader qt(&device, "tiff");
        qt.setAutoTransform(true);
        const QImage expected = qt.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(expected.isNull());
        QImageIOHandler::Transformations turned;
        const QImage whole = readTiff(bytes, 0, &turned);
        EXPECT_EQ(whole, expected);
        EXPECT_EQ(turned, qt.transformation());
    }
}

TEST(TiffMadeSmallerAsRead, EachPixelIsTheMeanOfItsSquareFromStripsOrTilesWithTransparencyKept)
{
    // 5 by 3 with unassociated alpha: opaque red, clear green, half-clear blue, and a last
    // column that stands alone.
    const QByteArray rgba = writeTiff(QStringLiteral("alpha.tif"), 5, 3, 4, [](TIFF *tiff) {
        const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, uint16_t(1), &extra);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(2));
    }, [](int x, int, uint8_t *s) {
        static const uint8_t colours[5][4] = {
            {255, 0, 0, 255}, {0, 255, 0, 0}, {0, 0, 255, 128}, {0, 0, 255, 128}, {10, 20, 30, 255}};
        std::copy(colours[x], colours[x] + 4, s);
    });
    const QImage half = readTiff(rgba, 1);
    ASSERT_EQ(half.size(), QSize(3, 2));
    const QColor first = half.pixelColor(0, 0);
    EXPECT_NEAR(first.alpha(), 128, 1);
    EXPECT_NEAR(first.red(), 255, 2);
    EXPECT_EQ(first.green(), 0);
    const QColor blue = half.pixelColor(1, 1);
    EXPECT_NEAR(blue.alpha(), 128, 1);
    EXPECT_NEAR(blue.blue(), 255, 2);
    EXPECT_EQ(half.pixelColor(2, 1), QColor(10, 20, 30));

    // Grey in tiles of 16, the picture not a whole number of tiles: light on the left 18
    // columns, dark on the right, a quarter of each side kept.
    const QByteArray tiled = writeTiff(QStringLiteral("tiled.tif"), 40, 21, 1, [](TIFF *tiff) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, uint32_t(16));
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, uint32_t(16));
    }, [](int x, int, uint8_t *s) { s[0] = x < 18 ? 200 : 50; });
    ASSERT_TRUE(canReadTiff(tiled));
    const QImage quarter = readTiff(tiled, 2);
    ASSERT_EQ(quarter.size(), QSize(10, 6));
    EXPECT_EQ(quarter.pixelColor(0, 5), QColor(200, 200, 200));
    // Columns 16 to 19: half light, half dark.
    EXPECT_NEAR(quarter.pixelColor(4, 2).red(), 125, 1);
    EXPECT_EQ(quarter.pixelColor(9, 0), QColor(50, 50, 50));
}

TEST(TiffMadeSmallerAsRead, DamagedStripsOrOneHugeStripGiveNoPicture)
{
    const QByteArray good = writeTiff(QStringLiteral("good.tif"), 300, 200, 3, [](TIFF *tiff) {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(8));
    }, [](int x, int y, uint8_t *s) { s[0] = uint8_t(x), s[1] = uint8_t(y), s[2] = uint8_t(x ^ y); });
    ASSERT_FALSE(readTiff(good, 1).isNull());
    // Compressed strips overwritten in the middle: no picture with a blank band in it.
    QByteArray damaged = good;
    for (qsizetype i = 200; i < damaged.size() / 2; ++i)
        damaged[i] = char(0xff);
    EXPECT_TRUE(readTiff(damaged, 1).isNull());
    EXPECT_TRUE(readTiff(good.left(good.size() / 2), 1).isNull());
    static const char noDirectory[] = "II*\0\x08\0\0\0\xff\xff";
    EXPECT_TRUE(readTiff(QByteArray(noDirectory, sizeof noDirectory - 1), 1).isNull());
    static const char nothing[] = "MM\0*nothing";
    EXPECT_FALSE(canReadTiff(QByteArray(nothing, sizeof nothing - 1)));

    // One compressed strip for a picture of 16 megapixels would have to be unpacked whole.
    const QByteArray oneStrip = writeTiff(QStringLiteral("strip.tif"), 4096, 4096, 1, [](TIFF *tiff) {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(4096));
    }, [](int, int, uint8_t *s) { s[0] = 9; });
    ASSERT_FALSE(oneStrip.isEmpty());
    EXPECT_FALSE(canReadTiff(oneStrip));
}

TEST(WebpMadeSmallerAsRead, DecodedAtAFractionWithTransparencyKeptAndCutFilesRefused)
{
    // Columns alternate opaque red and clear green: at half size every pixel is half-clear
    // red, the green lending nothing.
    const int width = 16;
    const int height = 8;
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t *p = &rgba[(size_t(y) * width + x) * 4];
            const bool red = x % 2 == 0;
            p[0] = red ? 255 : 0;
            p[1] = red ? 0 : 255;
            p[2] = 0;
            p[3] = red ? 255 : 0;
        }
    uint8_t *out = nullptr;
    const size_t size = WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &out);
    ASSERT_GT(size, 0u);
    const QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    WebPFree(out);
    ASSERT_TRUE(WebpReducedReader::canRead(bytes.left(64)));
    const QImage half = readWebp(bytes, 1);
    ASSERT_EQ(half.size(), QSize(8, 4));
    const QColor mean = half.pixelColor(3, 2);
    EXPECT_NEAR(mean.alpha(), 128, 4);
    EXPECT_NEAR(mean.red(), 255, 4);
    EXPECT_LE(mean.green(), 4);

    EXPECT_TRUE(readWebp(bytes.left(bytes.size() - 10), 1).isNull());
    static const char noPicture[] = "RIFF\x10\0\0\0WEBPVP8 nothing here at all";
    EXPECT_TRUE(readWebp(QByteArray(noPicture, sizeof noPicture - 1), 1).isNull());
    // An animation has no one picture to make smaller.
    static const char animated[] = "RIFF\x30\0\0\0WEBPVP8X\x0a\0\0\0\x02\0\0\0\x0f\0\0\x0f\0\0ANIM";
    EXPECT_FALSE(WebpReducedReader::canRead(QByteArray(animated, sizeof animated - 1)));
    // The same header without the animation flag is a still picture.
    QByteArray still(animated, sizeof animated - 1);
    still[20] = 0;
    EXPECT_TRUE(WebpReducedReader::canRead(still));
}
