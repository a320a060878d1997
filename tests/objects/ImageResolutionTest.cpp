// A bitmap's size in points follows the resolution its file declares: the resolution fields
// of PNG, JPEG (JFIF and Exif), TIFF and BMP files written by Qt's own writers and built by
// hand, damaged headers, the object that shows such a picture, and documents written when
// every bitmap counted one point per pixel.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <zlib.h>

#include "common/TestSupport.h"
#include "objects/ColorRect.h"
#include "objects/ImageFiles.h"
#include "objects/ImageResolution.h"
#include "objects/ObjectFactory.h"
#include "objects/specImage.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

QByteArray encode(QSize pixels, const char *format, double dpiX, double dpiY)
{
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::blue);
    image.setDotsPerMeterX(ImageResolution::dotsPerMeter(dpiX));
    image.setDotsPerMeterY(ImageResolution::dotsPerMeter(dpiY));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image)) << format;
    return bytes;
}

QByteArray be32(quint32 v)
{
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (24 - 8 * i)) & 0xff);
    return b;
}

QByteArray be16(quint16 v)
{
    QByteArray b(2, 0);
    b[0] = char(v >> 8);
    b[1] = char(v & 0xff);
    return b;
}

// The PNG with its "pHYs" chunk taken out, or replaced by the given body.
QByteArray replacePhys(const QByteArray &png, const QByteArray &body = {})
{
    QByteArray out = png.left(8);
    qsizetype at = 8;
    while (at + 8 <= png.size()) {
        const quint32 length = quint32(uchar(png[at])) << 24 | quint32(uchar(png[at + 1])) << 16
                               | quint32(uchar(png[at + 2])) << 8 | quint32(uchar(png[at + 3]));
        const QByteArray whole = png.mid(at, 12 + length);
        if (png.mid(at + 4, 4) == "pHYs") {
            if (!body.isEmpty()) {
                const QByteArray typed = "pHYs" + body;
                out += be32(quint32(body.size())) + typed
                       + be32(quint32(crc32(0, reinterpret_cast<const Bytef *>(typed.constData()), uInt(typed.size()))));
            }
        } else {
            out += whole;
        }
        at += 12 + length;
    }
    return out;
}

// A big-endian TIFF structure holding only the resolution fields.
QByteArray tiffResolution(quint32 x, quint32 y, quint16 unit)
{
    QByteArray t = QByteArray("MM\0*", 4) + be32(8);
    t += be16(3);
    const quint32 values = 8 + 2 + 3 * 12 + 4;
    t += be16(282) + be16(5) + be32(1) + be32(values);
    t += be16(283) + be16(5) + be32(1) + be32(values + 8);
    t += be16(296) + be16(3) + be32(1) + be16(unit) + be16(0);
    t += be32(0);
    t += be32(x) + be32(1) + be32(y) + be32(1);
    return t;
}

// A JPEG whose JFIF density carries no unit and whose Exif block gives the resolution.
QByteArray jpegWithExif(QSize pixels, quint32 dpi)
{
    QByteArray jpeg = encode(pixels, "jpeg", 72, 72);
    EXPECT_EQ(jpeg.mid(6, 4), QByteArray("JFIF"));
    jpeg[13] = 0; // density units: none
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiffResolution(dpi, dpi, 2);
    const QByteArray segment = QByteArray("\xFF\xE1", 2) + be16(quint16(exif.size() + 2)) + exif;
    const qsizetype afterApp0 = 4 + ((uchar(jpeg[4]) << 8) | uchar(jpeg[5]));
    jpeg.insert(afterApp0, segment);
    return jpeg;
}

QString save(const QString &name, const QByteArray &bytes)
{
    const QString path = qmtest::freshDir(QStringLiteral("resolution-") + name) + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

void expectSize(const QSizeF &actual, const QSizeF &expected, const std::string &label)
{
    EXPECT_NEAR(actual.width(), expected.width(), 1e-6) << label;
    EXPECT_NEAR(actual.height(), expected.height(), 1e-6) << label;
}

// The resolution read from a device, a little at a time, is the one read from the bytes.
void expectSameFromDevice(const QByteArray &bytes, const char *label)
{
    QByteArray copy = bytes;
    QBuffer device(&copy);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    EXPECT_EQ(ImageResolution::declaredDpi(&device), ImageResolution::declaredDpi(bytes)) << label;
}

} // namespace

TEST(ImageResolution, EveryFileKindGivesItsSizeInPoints)
{
    struct Case
    {
        const char *label;
        QByteArray bytes;
        QSizeF points;
    };
    const QByteArray png300 = encode(QSize(300, 150), "png", 300, 300);
    const QList<Case> cases = {
        {"PNG at 300 dpi", png300, QSizeF(72, 36)},
        {"PNG at 72 dpi", encode(QSize(300, 150), "png", 72, 72), QSizeF(300, 150)},
        {"PNG at 144 by 72 dpi", encode(QSize(300, 150), "png", 144, 72), QSizeF(150, 150)},
        {"PNG at 96 dpi", encode(QSize(96, 48), "png", 96, 96), QSizeF(72, 36)},
        {"PNG without pHYs", replacePhys(png300), QSizeF(300, 150)},
        {"PNG pHYs without unit", replacePhys(png300, be32(11811) + be32(11811) + QByteArray(1, 0)), QSizeF(300, 150)},
        {"PNG pHYs of 1 pixel per metre", replacePhys(png300, be32(1) + be32(1) + QByteArray(1, 1)), QSizeF(300, 150)},
        {"JPEG at 300 dpi", encode(QSize(300, 150), "jpeg", 300, 300), QSizeF(72, 36)},
        {"JPEG with Exif at 600 dpi", jpegWithExif(QSize(300, 150), 600), QSizeF(36, 18)},
        {"TIFF at 300 dpi", encode(QSize(300, 150), "tiff", 300, 300), QSizeF(72, 36)},
        {"BMP at 300 dpi", encode(QSize(300, 150), "bmp", 300, 300), QSizeF(72, 36)},
        {"PPM (no resolution)", encode(QSize(30, 15), "ppm", 300, 300), QSizeF(30, 15)},
    };
    for (const Case &c : cases) {
        const auto image = specImage::fromFile(save(QStringLiteral("file.img"), c.bytes));
        ASSERT_TRUE(image) << c.label;
        // Read from a device, as a large file opening is read from its header alone.
        expectSameFromDevice(c.bytes, c.label);
        expectSize(image->size(), c.points, c.label);
        EXPECT_FALSE(image->countsPixelsAsPoints()) << c.label;
        EXPECT_FALSE(image->prepareImage().isNull()) << c.label;
    }
    // The pixels are all kept: only the size in points follows the resolution.
    const auto at300 = specImage::fromData(png300);
    ASSERT_TRUE(at300);
    EXPECT_EQ(at300->prepareImage().size(), QSize(300, 150));
}

TEST(ImageResolution, DamagedHeadersDeclareNothingAndCrashNothing)
{
    const QByteArray png = encode(QSize(20, 10), "png", 300, 300);
    const QByteArray jpeg = encode(QSize(20, 10), "jpeg", 300, 300);
    const QByteArray tiff = encode(QSize(20, 10), "tiff", 300, 300);
    QList<QByteArray> damaged = {
        QByteArray(),
        QByteArray("\x89PNG\r\n\x1a\n", 8),
        QByteArray("\x89PNG\r\n\x1a\n", 8) + be32(0xffffffffu) + "pHYs",
        QByteArray("\x89PNG\r\n\x1a\n", 8) + be32(9) + "pHYs" + QByteArray(3, 1),
        QByteArray("\xFF\xD8\xFF\xE0\x00\x01", 6),
        QByteArray("\xFF\xD8\xFF\xE1\xFF\xFF", 6) + "Exif" + QByteArray(2, 0) + "MM",
        QByteArray("MM\0*", 4) + be32(0x7ffffff0u),
        QByteArray("II*\0", 4) + QByteArray(4, '\xff'),
        tiffResolution(300, 0, 2),
        tiffResolution(300, 300, 1),
        QByteArray("BM") + QByteArray(20, 0),
    };
    for (const QByteArray &bytes : damaged) {
        EXPECT_FALSE(ImageResolution::declaredDpi(bytes).has_value()) << bytes.toHex().left(40).toStdString();
        expectSameFromDevice(bytes, "damaged");
    }
    // Every truncation of real files reads without passing the end (checked by the
    // sanitizer build); only the lengths that still hold the field declare it.
    for (const QByteArray &whole : {png, jpeg, tiff, jpegWithExif(QSize(20, 10), 600)}) {
        for (qsizetype cut = 0; cut < whole.size(); ++cut) {
            const std::optional<QSizeF> dpi = ImageResolution::declaredDpi(whole.left(cut));
            if (dpi) {
                EXPECT_TRUE(dpi->width() == 300 || dpi->width() == 600);
            }
            expectSameFromDevice(whole.left(cut), "cut short");
        }
    }
    // A TIFF in centimetres.
    const std::optional<QSizeF> cm = ImageResolution::declaredDpi(tiffResolution(100, 100, 3));
    ASSERT_TRUE(cm);
    EXPECT_DOUBLE_EQ(cm->width(), 254.0);
}

TEST(ImageResolution, TheObjectShowsThePictureAtItsSizeInPoints)
{
    const QString file = qmtest::writePng(qmtest::freshDir("resolution-object") + "/300dpi.png", QSize(300, 150),
                                          Qt::blue, 300);
    auto object = ColorRect::create(QRectF(10, 10, 200, 100));
    object->setDrawsFill(false);
    object->setScaleWithBox(false);
    ASSERT_TRUE(object->setImagePath(file));
    EXPECT_EQ(object->image()->size(), QSizeF(72, 36));
    // At 100 % it covers 72 by 36 points from the frame's corner.
    QImage image(240, 140, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        object->drawFrame(&painter, QRectF(), false);
    }
    EXPECT_EQ(image.pixelColor(80, 44), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(84, 44), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(40, 48), QColor(Qt::white));

    // Fitting measures the picture in points too.
    object->fitImage();
    EXPECT_NEAR(object->getXImageScale(), 200.0 * 100 / 72, 1e-3);
    EXPECT_NEAR(object->getYImageScale(), 100.0 * 100 / 36, 1e-3);

    // Taking the picture with scale-with-box on gives the frame its proportions.
    auto boxed = ColorRect::create(QRectF(0, 0, 100, 100));
    ASSERT_TRUE(boxed->setImagePath(file));
    EXPECT_NEAR(boxed->frameBounds().width(), 100, 1e-4);
    EXPECT_NEAR(boxed->frameBounds().height(), 50, 1e-4);
}

TEST(ImageResolution, DocumentsKeepTheSizesTheyWereMadeWith)
{
    registerObjectKinds();
    UserDefaults::standard().setString("YES", "imgToDoc");
    const QString dir = qmtest::freshDir("resolution-documents");
    const QString file = qmtest::writePng(dir + "/300dpi.png", QSize(300, 150), Qt::blue, 300);

    auto object = ColorRect::create(QRectF(10, 10, 200, 100));
    object->setScaleWithBox(false);
    ASSERT_TRUE(object->setImagePath(file));
    object->setXImageScale(50);
    const QVariantMap written = object->propertyListRepresentation();
    EXPECT_EQ(written.value("Image").toMap().value("SizeByResolution").toString(), "YES");

    // Reopened: the same size in points, embedded or by path.
    auto again = ColorRect::graphicWithPropertyListRepresentation(
        PropertyList::fromData(PropertyList::toData(written, PlistFormat::Binary)).toMap());
    ASSERT_TRUE(again && again->hasValidImage());
    EXPECT_EQ(again->image()->size(), QSizeF(72, 36));
    UserDefaults::standard().removeObject("imgToDoc");
    QVariantMap byPath = object->propertyListRepresentation();
    byPath.insert("ImagePath", file);
    auto fromPath = ColorRect::graphicWithPropertyListRepresentation(byPath);
    EXPECT_EQ(fromPath->image()->size(), QSizeF(72, 36));

    // A document of the time when bitmaps counted a point per pixel carries no such key:
    // its picture keeps its size, and keeps it through the next save.
    for (QVariantMap old : {written, byPath}) {
        QVariantMap image = old.value("Image").toMap();
        image.remove("SizeByResolution");
        old.insert("Image", image);
        auto legacy = ColorRect::graphicWithPropertyListRepresentation(old);
        ASSERT_TRUE(legacy && legacy->hasValidImage());
        EXPECT_EQ(legacy->image()->size(), QSizeF(300, 150));
        EXPECT_TRUE(legacy->image()->countsPixelsAsPoints());
        EXPECT_EQ(legacy->frameBounds(), QRectF(10, 10, 200, 100));
        auto resaved = ColorRect::graphicWithPropertyListRepresentation(legacy->propertyListRepresentation());
        EXPECT_EQ(resaved->image()->size(), QSizeF(300, 150));
    }
}

TEST(ImageResolution, APictureMadeInMemoryKeepsItsSizeThroughItsStoredCopy)
{
    QImage bitmap(50, 30, QImage::Format_ARGB32);
    bitmap.fill(Qt::green);
    bitmap.setDotsPerMeterX(ImageResolution::dotsPerMeter(300));
    const specImage made(bitmap);
    EXPECT_EQ(made.size(), QSizeF(50, 30));
    const auto back = specImage::fromArchivedData(made.archivedData());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), QSizeF(50, 30));
    EXPECT_EQ(ImageResolution::dotsPerMeter(72), 2835);
}
