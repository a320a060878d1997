// TIFF and WebP pictures too large to hold whole are read smaller: each held pixel is the mean
// of its square, clear pixels lend no colour, a TIFF turns as its orientation says (as Qt's own
// reader turns a small one), and a damaged file gives no picture. The files are written by
// libtiff and libwebp themselves.
#include "common/TestSupport.h"
#include "objects/ImageProbe.h"
#include "objects/TiffReducedReader.h"
#include "objects/WebpReducedReader.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <tiffio.h>
#include <webp/encode.h>
#include <zlib.h>

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

// The grey of a stored pixel in the strip-height walks below: it changes along both axes, so
// that a square mixing the wrong rows or columns shows.
uint8_t stripGrey(uint32_t x, uint32_t y)
{
    return uint8_t((x * 7 + y * 31) & 0xff);
}

// A grey TIFF 10000 pixels wide in strips of `rows` rows, uncompressed, written a scanline
// at a time.
QByteArray writeStripTiff(uint32_t rows, uint32_t height)
{
    const QString path = qmtest::freshDir(QStringLiteral("reduced-tiff-strips")) + QStringLiteral("/strips.tif");
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff)
        return {};
    const uint32_t width = 10000;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_NONE));
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rows);
    // The pattern repeats every 256 rows: those are made once.
    static const std::vector<std::vector<uint8_t>> rowsOfGrey = [width] {
        std::vector<std::vector<uint8_t>> made(256, std::vector<uint8_t>(width));
        for (uint32_t y = 0; y < 256; ++y)
            for (uint32_t x = 0; x < width; ++x)
                made[y][x] = stripGrey(x, y);
        return made;
    }();
    bool ok = true;
    for (uint32_t y = 0; y < height && ok; ++y)
        ok = TIFFWriteScanline(tiff, const_cast<uint8_t *>(rowsOfGrey[y % 256].data()), y, 0) >= 0;
    TIFFClose(tiff);
    QFile file(path);
    if (!ok || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The mean a reduced picture holds for the square of `side` at (ox, oy) of a picture of
// `width` by `height`, rounded as the reader rounds.
int expectedMean(uint32_t ox, uint32_t oy, uint32_t side, uint32_t width, uint32_t height)
{
    quint32 sum = 0;
    quint32 count = 0;
    for (uint32_t y = oy * side; y < std::min(height, (oy + 1) * side); ++y)
        for (uint32_t x = ox * side; x < std::min(width, (ox + 1) * side); ++x) {
            sum += stripGrey(x, y);
            ++count;
        }
    return int((sum + count / 2) / count);
}

// Every height of strip a 10000-pixel-wide TIFF may have (Qt's own writer makes 139 rows of
// RGB, 104 of RGBA, libtiff's others): each is read, at every reduction, with each held pixel
// the mean of its square, also where a square spans two strips. The pictures are a strip and
// a bit high: the reading works in the same bands at any height.
TEST(TiffMadeSmallerAsRead, EveryStripHeightOfAPictureTenThousandPixelsWideReadsAtEveryReduction)
{
    const uint32_t width = 10000;
    for (uint32_t rows = 1; rows <= 256; ++rows) {
        SCOPED_TRACE(rows);
        // A strip and a row: the strips meet, and for every even height of strip the last
        // square is cut short.
        const uint32_t height = rows + 1;
        const QByteArray bytes = writeStripTiff(rows, height);
        ASSERT_FALSE(bytes.isEmpty());
        ASSERT_TRUE(canReadTiff(bytes));
        // Every reduction for a few, the half that a picture over 64 megapixels takes for all.
        const int lastShift = rows % 37 == 0 || rows == 139 || rows == 255 ? 3 : 1;
        for (int shift = 1; shift <= lastShift; ++shift) {
            SCOPED_TRACE(shift);
            const uint32_t side = 1u << shift;
            const QImage reduced = readTiff(bytes, shift);
            ASSERT_EQ(reduced.size(), QSize(int((width + side - 1) >> shift), int((height + side - 1) >> shift)));
            // The square that holds the strips' meeting, and the last, cut-short one.
            for (uint32_t oy : {(rows - 1) / side, rows / side, uint32_t(reduced.height() - 1)}) {
                for (uint32_t ox : {0u, 1u, 2499u, uint32_t(reduced.width() - 1)}) {
                    if (ox >= uint32_t(reduced.width()))
                        continue;
                    const int mean = expectedMean(ox, oy, side, width, height);
                    ASSERT_EQ(reduced.pixelColor(int(ox), int(oy)), QColor(mean, mean, mean)) << ox << "," << oy;
                }
            }
        }
    }
}

// A TIFF over 64 megapixels in strips of any height is taken, to be held at half its pixels:
// none is refused, and so none is left out of its folder's tiles, for the height its strips
// happen to have. The strips are written raw, each the same compressed run of black.
TEST(TiffMadeSmallerAsRead, SeventyMegapixelTiffsInStripsOfEveryHeightAreTakenAtHalfTheirPixels)
{
    const uint32_t width = 10000;
    const uint32_t height = 7000;
    const QString folder = qmtest::freshDir(QStringLiteral("reduced-tiff-seventy"));
    auto deflated = [width](uint32_t rows) {
        const QByteArray black(qsizetype(width) * rows, '\0');
        uLongf size = compressBound(uLong(black.size()));
        QByteArray packed(qsizetype(size), '\0');
        if (compress2(reinterpret_cast<Bytef *>(packed.data()), &size, reinterpret_cast<const Bytef *>(black.constData()),
                      uLong(black.size()), 1) != Z_OK)
            return QByteArray();
        packed.resize(qsizetype(size));
        return packed;
    };
    for (uint32_t rows = 1; rows <= 256; ++rows) {
        SCOPED_TRACE(rows);
        const QString path = folder + QStringLiteral("/strips%1.tif").arg(rows);
        TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
        ASSERT_TRUE(tiff);
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_ADOBE_DEFLATE));
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rows);
        const QByteArray whole = deflated(rows);
        const QByteArray last = deflated(height % rows == 0 ? rows : height % rows);
        ASSERT_FALSE(whole.isEmpty());
        const uint32_t strips = (height + rows - 1) / rows;
        bool ok = true;
        for (uint32_t strip = 0; strip < strips && ok; ++strip) {
            const QByteArray &data = strip + 1 == strips ? last : whole;
            ok = TIFFWriteRawStrip(tiff, strip, const_cast<char *>(data.constData()), tmsize_t(data.size())) >= 0;
        }
        TIFFClose(tiff);
        ASSERT_TRUE(ok);
        const ImageProbe::Result probed = ImageProbe::probeFile(path);
        EXPECT_TRUE(probed.accepted()) << probed.errorMessage().toStdString();
        EXPECT_EQ(probed.size, QSizeF(width, height));
        EXPECT_EQ(probed.decodedSize, QSize(5000, 3500));
        QFile::remove(path);
    }
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
