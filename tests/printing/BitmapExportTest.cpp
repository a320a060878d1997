#include <gtest/gtest.h>

#include <gif_lib.h>

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <cmath>

#include "common/TestSupport.h"
#include "printing/GifEncoder.h"
#include "printing/ImageExport.h"
#include "printing/Jp2Encoder.h"

using namespace quillmark;

namespace {

// A 2 × 1 inch label rendered at 300 dots per inch: white, a black bar at the top left and a
// red disc, so a reader that mixes up rows or channels shows.
QImage labelRender(bool transparentBackground = false)
{
    QImage image(600, 300, QImage::Format_ARGB32_Premultiplied);
    image.fill(transparentBackground ? QColor(Qt::transparent) : QColor(Qt::white));
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, 200, 40), Qt::black);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 0, 0));
    painter.drawEllipse(QRectF(300, 100, 150, 150));
    painter.end();
    return image;
}

int dpiOf(int dotsPerMeter)
{
    return int(std::lround(dotsPerMeter * 0.0254));
}

QString exportTo(const QString &name, ImageFileType type, const QImage &image = labelRender())
{
    const QString path = qmtest::freshDir("bitmaps") + "/" + name;
    QString error;
    EXPECT_TRUE(ImageExport::export1(image, path, type, 300, &error)) << error.toStdString();
    return path;
}

QString run(const QString &program, const QStringList &arguments, bool *ok = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
}

} // namespace

TEST(BitmapExport, QtFormatsKeepSizeAndRecordTheResolution)
{
    struct Row
    {
        const char *name;
        ImageFileType type;
        const char *format;
    };
    const Row rows[] = {
        {"label.png", ImageFileType::PNG, "png"},
        {"label.jpeg", ImageFileType::JPEG, "jpeg"},
        {"label.bmp", ImageFileType::BMP, "bmp"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = exportTo(row.name, row.type);
        QImageReader reader(path, row.format);
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(image.size(), QSize(600, 300));
        EXPECT_EQ(dpiOf(image.dotsPerMeterX()), 300);
        EXPECT_EQ(dpiOf(image.dotsPerMeterY()), 300);
        EXPECT_LT(qGray(image.pixel(20, 20)), 40);
        EXPECT_GT(qGray(image.pixel(580, 20)), 215);
        EXPECT_GT(qRed(image.pixel(375, 175)), 150);
        EXPECT_LT(qGreen(image.pixel(375, 175)), 60);
    }
}

TEST(BitmapExport, FormatsWithoutAlphaShowTransparencyAsWhite)
{
    for (const auto &[name, type] : {std::pair{"clear.jpeg", ImageFileType::JPEG},
                                     std::pair{"clear.bmp", ImageFileType::BMP}}) {
        const QImage image(exportTo(name, type, labelRender(true)));
        ASSERT_FALSE(image.isNull());
        EXPECT_GT(qGray(image.pixel(580, 280)), 240) << name;
    }
}

TEST(BitmapExport, TiffRecordsInchesAndKeepsTransparency)
{
    const QString path = exportTo("label.tiff", ImageFileType::TIFF, labelRender(true));
    ASSERT_FALSE(QStandardPaths::findExecutable("tiffinfo").isEmpty()) << "libtiff-tools is missing";
    bool ok = false;
    const QString info = run("tiffinfo", {path}, &ok);
    ASSERT_TRUE(ok) << info.toStdString();
    EXPECT_TRUE(info.contains("Image Width: 600 Image Length: 300")) << info.toStdString();
    EXPECT_TRUE(info.contains("Resolution: 300, 300 pixels/inch")) << info.toStdString();
    EXPECT_TRUE(info.contains("Extra Samples: 1<unassoc-alpha>")) << info.toStdString();

    ASSERT_TRUE(QImageReader::supportedImageFormats().contains("tiff"));
    QImageReader reader(path, "tiff");
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(image.size(), QSize(600, 300));
    EXPECT_EQ(dpiOf(image.dotsPerMeterX()), 300);
    EXPECT_EQ(qAlpha(image.pixel(580, 280)), 0);
    EXPECT_EQ(image.pixel(20, 20), qRgba(0, 0, 0, 255));
}

TEST(BitmapExport, GifReadsBackThroughGiflibWithItsTransparentIndex)
{
    for (bool clear : {false, true}) {
        SCOPED_TRACE(clear);
        const QString path = exportTo(clear ? "clear.gif" : "label.gif", ImageFileType::GIF, labelRender(clear));
        int status = 0;
        GifFileType *gif = DGifOpenFileName(path.toLocal8Bit().constData(), &status);
        ASSERT_NE(gif, nullptr) << GifErrorString(status);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK);
        EXPECT_EQ(gif->SWidth, 600);
        EXPECT_EQ(gif->SHeight, 300);
        ASSERT_EQ(gif->ImageCount, 1);
        const SavedImage &frame = gif->SavedImages[0];
        EXPECT_EQ(frame.ImageDesc.Width, 600);
        EXPECT_EQ(frame.ImageDesc.Height, 300);
        const ColorMapObject *map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        ASSERT_NE(map, nullptr);
        GraphicsControlBlock control;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, 0, &control);
        auto at = [&](int x, int y) { return int(frame.RasterBits[y * 600 + x]); };
        const GifColorType black = map->Colors[at(20, 20)];
        EXPECT_LT(black.Red + black.Green + black.Blue, 60);
        const GifColorType red = map->Colors[at(375, 175)];
        EXPECT_GT(red.Red, 150);
        EXPECT_LT(red.Green, 60);
        if (clear) {
            ASSERT_NE(control.TransparentColor, NO_TRANSPARENT_COLOR);
            EXPECT_EQ(at(580, 280), control.TransparentColor);
            EXPECT_NE(at(20, 20), control.TransparentColor);
        } else {
            EXPECT_EQ(control.TransparentColor, NO_TRANSPARENT_COLOR);
            const GifColorType white = map->Colors[at(580, 280)];
            EXPECT_EQ(white.Red + white.Green + white.Blue, 765);
        }
        DGifCloseFile(gif, &status);
    }
}

TEST(BitmapExport, GifPaletteOfManyColoursStaysClose)
{
    QImage gradient(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x)
            gradient.setPixel(x, y, qRgb(x, y, (x + y) / 2));
    }
    const GifEncoder::Indexed indexed = GifEncoder::quantize(gradient);
    EXPECT_EQ(indexed.palette.size(), 256);
    EXPECT_EQ(indexed.transparentIndex, -1);
    double error = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const QRgb got = indexed.palette[indexed.indices[size_t(y) * 256 + size_t(x)]];
            const QRgb want = gradient.pixel(x, y);
            error += std::abs(qRed(got) - qRed(want)) + std::abs(qGreen(got) - qGreen(want))
                + std::abs(qBlue(got) - qBlue(want));
        }
    }
    EXPECT_LT(error / (256.0 * 256.0 * 3.0), 6.0);

    // Few colours are kept exactly, and the transparent index follows them.
    QImage flat(10, 10, QImage::Format_ARGB32);
    flat.fill(qRgba(0, 0, 0, 0));
    flat.setPixel(1, 1, qRgb(12, 34, 56));
    flat.setPixel(2, 2, qRgb(200, 100, 50));
    const GifEncoder::Indexed few = GifEncoder::quantize(flat);
    ASSERT_EQ(few.palette.size(), 3);
    EXPECT_EQ(few.transparentIndex, 2);
    EXPECT_EQ(few.palette[few.indices[11]], qRgb(12, 34, 56));
    EXPECT_EQ(few.palette[few.indices[22]], qRgb(200, 100, 50));
    EXPECT_EQ(few.indices[0], 2);
}

TEST(BitmapExport, Jpeg2000IsLosslessAndCarriesItsResolutionBox)
{
    for (bool clear : {false, true}) {
        SCOPED_TRACE(clear);
        const QImage source = labelRender(clear);
        const QString path = exportTo(clear ? "clear.jp2" : "label.jp2", ImageFileType::JPEG2000, source);

        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const qsizetype resc = bytes.indexOf("resc");
        ASSERT_GT(resc, 0);
        const QByteArray box = bytes.mid(resc + 4, 10);
        const double perMetre = double(qFromBigEndian<quint16>(box.constData()))
            / qFromBigEndian<quint16>(box.constData() + 2) * std::pow(10.0, qint8(box[8]));
        EXPECT_NEAR(perMetre * 0.0254, 300.0, 1e-6);
        EXPECT_GT(bytes.indexOf("resd"), 0);

        ASSERT_FALSE(QStandardPaths::findExecutable("opj_decompress").isEmpty()) << "libopenjp2-tools is missing";
        const QString decoded = path + ".png";
        bool ok = false;
        const QString log = run("opj_decompress", {"-i", path, "-o", decoded}, &ok);
        ASSERT_TRUE(ok) << log.toStdString();
        const QImage image(decoded);
        ASSERT_EQ(image.size(), QSize(600, 300));
        EXPECT_EQ(image.hasAlphaChannel(), clear);
        EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32), source.convertToFormat(QImage::Format_ARGB32));
    }
}

TEST(BitmapExport, Jpeg2000OfATinyImage)
{
    QImage dot(3, 2, QImage::Format_RGB32);
    dot.fill(Qt::green);
    QString error;
    EXPECT_FALSE(ImageExport::encode(dot, ImageFileType::JPEG2000, 300, &error).isEmpty()) << error.toStdString();
}

TEST(BitmapExport, FailuresWriteNothingAndKeepTheOldFile)
{
    const QString dir = qmtest::freshDir("bitmap-failures");
    QString error;
    EXPECT_FALSE(ImageExport::export1(labelRender(), dir + "/missing/label.png", ImageFileType::PNG, 300, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(dir + "/missing/label.png"));

    QFile blocker(dir + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(ImageExport::export1(labelRender(), dir + "/file/label.tiff", ImageFileType::TIFF, 300));

    const QString old = dir + "/old.gif";
    QFile oldFile(old);
    ASSERT_TRUE(oldFile.open(QIODevice::WriteOnly));
    oldFile.write("previous");
    oldFile.close();
    for (ImageFileType type : {ImageFileType::GIF, ImageFileType::JPEG2000, ImageFileType::PNG}) {
        error.clear();
        EXPECT_FALSE(ImageExport::export1(QImage(), old, type, 300, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(ImageExport::export1(labelRender(), old, type, 0, &error));
        EXPECT_FALSE(ImageExport::export1(labelRender(), old, type, std::nanf(""), &error));
    }
    ASSERT_TRUE(oldFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(oldFile.readAll(), "previous");
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 2);
}
