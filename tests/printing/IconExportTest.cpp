#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>

#include "common/TestSupport.h"
#include "printing/IcnsReader.h"
#include "printing/IcnsWriter.h"
#include "printing/ImageExport.h"

using namespace quillmark;

namespace {

QImage opaquePicture(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(20, 60, 200));
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, w / 4, h / 4), Qt::red);
    painter.end();
    return image;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The image format plugins are part of the project's dependencies; a missing one is a broken setup.
bool qtReadsIcns()
{
    return QImageReader::supportedImageFormats().contains("icns");
}

} // namespace

TEST(IconExport, IconSizeIsTheLargestTheShorterSideReaches)
{
    struct Row
    {
        int side;
        int icns;
        int ico;
    };
    const Row rows[] = {
        {5000, 1024, 256}, {1024, 1024, 256}, {1023, 512, 256}, {512, 512, 256}, {511, 256, 256},
        {256, 256, 256}, {255, 128, 128}, {128, 128, 128}, {127, 48, 48}, {64, 48, 48},
        {48, 48, 48}, {47, 16, 16}, {32, 16, 16}, {16, 16, 16}, {1, 16, 16}, {0, 16, 16},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.side);
        EXPECT_EQ(ImageExport::getIconSize(ImageFileType::AppleICNS, row.side), row.icns);
        EXPECT_EQ(ImageExport::getIconSize(ImageFileType::ICO, row.side), row.ico);
    }
}

TEST(IconExport, FitTransformScalesUniformlyByTheTighterSide)
{
    const QTransform fit = ImageExport::imageTransformToFitView(QImage(600, 300, QImage::Format_RGB32), 256);
    EXPECT_FLOAT_EQ(float(fit.m11()), 256.0f / 600.0f);
    EXPECT_FLOAT_EQ(float(fit.m22()), 256.0f / 600.0f);
    EXPECT_EQ(fit.dx(), 0.0);
    const QTransform tall = ImageExport::imageTransformToFitView(QImage(100, 400, QImage::Format_RGB32), 128);
    EXPECT_FLOAT_EQ(float(tall.m11()), 0.32f);
    EXPECT_TRUE(ImageExport::imageTransformToFitView(QImage(), 128).isIdentity());
}

TEST(IconExport, ScaledSquareCentresThePictureOnTransparency)
{
    const QImage square = ImageExport::scaleImage(opaquePicture(600, 300), 256);
    ASSERT_EQ(square.size(), QSize(256, 256));
    for (int y : {0, 63, 192, 255})
        EXPECT_EQ(qAlpha(square.pixel(128, y)), 0) << y;
    for (int y : {64, 128, 191})
        EXPECT_EQ(qAlpha(square.pixel(128, y)), 255) << y;
    EXPECT_EQ(qAlpha(square.pixel(0, 64)), 255);
    EXPECT_EQ(qAlpha(square.pixel(255, 191)), 255);

    EXPECT_TRUE(ImageExport::scaleImage(QImage(), 256).isNull());
    EXPECT_TRUE(ImageExport::scaleImage(opaquePicture(10, 10), 0).isNull());
    EXPECT_TRUE(ImageExport::scaleImage(opaquePicture(10, 10), 1e9).isNull());
}

TEST(IconExport, WideLabelBecomesOne256IconWithTransparentBands)
{
    const QString path = qmtest::freshDir("icns-wide") + "/label.icns";
    QString error;
    ASSERT_TRUE(ImageExport::export1(opaquePicture(600, 300), path, ImageFileType::AppleICNS, 300, &error))
        << error.toStdString();

    const QList<qmtest::IcnsEntry> entries = qmtest::readIcnsEntries(readAll(path));
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].type, "ic08");
    const QImage icon = QImage::fromData(entries[0].data, "PNG");
    ASSERT_EQ(icon.size(), QSize(256, 256));
    for (int x : {0, 100, 255}) {
        EXPECT_EQ(qAlpha(icon.pixel(x, 0)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(x, 63)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(x, 64)), 255);
        EXPECT_EQ(qAlpha(icon.pixel(x, 191)), 255);
        EXPECT_EQ(qAlpha(icon.pixel(x, 192)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(x, 255)), 0);
    }
    // The red corner of the picture lands at the top left of the picture's band.
    EXPECT_EQ(QColor(icon.pixel(10, 70)), QColor(Qt::red));
    EXPECT_EQ(QColor(icon.pixel(200, 150)), QColor(20, 60, 200));

    ASSERT_TRUE(qtReadsIcns());
    QImageReader reader(path, "icns");
    const QImage qtIcon = reader.read();
    ASSERT_FALSE(qtIcon.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(qtIcon.size(), QSize(256, 256));
    EXPECT_EQ(qAlpha(qtIcon.pixel(128, 10)), 0);
    EXPECT_EQ(qAlpha(qtIcon.pixel(128, 128)), 255);
}

TEST(IconExport, EachIconSizeUsesAnEntryTypeReadersKnow)
{
    struct Row
    {
        int w;
        int h;
        const char *type;
        int side;
    };
    const Row rows[] = {
        {20, 30, "icp4", 16}, {100, 60, "ih32", 48}, {200, 128, "ic07", 128},
        {700, 512, "ic09", 512}, {1200, 1100, "ic10", 1024},
    };
    const QString dir = qmtest::freshDir("icns-sizes");
    for (const Row &row : rows) {
        SCOPED_TRACE(row.type);
        const QString path = dir + "/" + row.type + ".icns";
        const QImage picture = opaquePicture(row.w, row.h);
        ASSERT_TRUE(ImageExport::export1(picture, path, ImageFileType::AppleICNS, 72));
        const QList<qmtest::IcnsEntry> entries = qmtest::readIcnsEntries(readAll(path));
        ASSERT_FALSE(entries.isEmpty());
        EXPECT_EQ(entries[0].type, QByteArray(row.type));
        QImage icon;
        if (row.side == 48) {
            ASSERT_EQ(entries.size(), 2);
            EXPECT_EQ(entries[1].type, "h8mk");
            icon = qmtest::decodeIh32(entries[0].data, entries[1].data);
            const QImage expected = ImageExport::scaleImage(picture, 48).convertToFormat(QImage::Format_ARGB32);
            EXPECT_EQ(icon, expected);
        } else {
            ASSERT_EQ(entries.size(), 1);
            icon = QImage::fromData(entries[0].data, "PNG");
        }
        EXPECT_EQ(icon.size(), QSize(row.side, row.side));

        ASSERT_TRUE(qtReadsIcns());
        QImageReader reader(path, "icns");
        const QImage qtIcon = reader.read();
        ASSERT_FALSE(qtIcon.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(qtIcon.size(), QSize(row.side, row.side));
        EXPECT_EQ(QColor(qtIcon.pixel(row.side / 2, row.side / 2)).rgb(),
                  QColor(icon.pixel(row.side / 2, row.side / 2)).rgb());
    }
}

TEST(IconExport, IcoStopsAt256)
{
    const QString path = qmtest::freshDir("ico") + "/label.ico";
    ASSERT_TRUE(ImageExport::export1(opaquePicture(900, 600), path, ImageFileType::ICO, 300));
    QImageReader reader(path, "ico");
    const QImage icon = reader.read();
    ASSERT_FALSE(icon.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(icon.size(), QSize(256, 256));
    EXPECT_EQ(qAlpha(icon.pixel(128, 10)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(128, 128)), 255);
}

TEST(IconExport, RunLengthCodingRoundTrips)
{
    QList<QByteArray> channels;
    channels << QByteArray(1, 'a') << QByteArray(2, 'b') << QByteArray(3, 'c') << QByteArray(130, 'd')
             << QByteArray(131, 'e') << QByteArray(400, 'f') << QByteArray("abcabcabc");
    QByteArray literals;
    for (int i = 0; i < 300; ++i)
        literals.append(char(i % 251));
    channels << literals << literals + QByteArray(5, 'z') + literals.left(7);
    QByteArray noise;
    QRandomGenerator random(7);
    for (int i = 0; i < 2304; ++i)
        noise.append(char(random.bounded(4)));
    channels << noise;
    for (const QByteArray &channel : channels) {
        const QByteArray packed = IcnsWriter::packChannel(channel);
        qsizetype at = 0;
        EXPECT_EQ(qmtest::unpackIcnsChannel(packed, at, channel.size()), channel);
        EXPECT_EQ(at, packed.size());
    }
    EXPECT_EQ(IcnsWriter::packChannel(QByteArray(130, 'd')).size(), 2);
}

TEST(IconExport, ImpossibleIconsWriteNothing)
{
    const QString dir = qmtest::freshDir("icns-bad");
    QString error;
    EXPECT_FALSE(ImageExport::export1(QImage(), dir + "/none.icns", ImageFileType::AppleICNS, 300, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(dir + "/none.icns"));
    EXPECT_TRUE(IcnsWriter::encode(opaquePicture(30, 30)).isEmpty());
    EXPECT_TRUE(IcnsWriter::encode(opaquePicture(16, 20)).isEmpty());
}
