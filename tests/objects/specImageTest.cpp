// The object image: reading pictures (bitmaps, PDF through poppler, SVG), the prepared image
// (tiles, masks, tint, monochrome) and when it is rebuilt, background drawing with rotation,
// undoable attributes and the stored dictionary.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>

#include <functional>
#include <vector>

#include <zlib.h>

#include "common/TestSupport.h"
#include "objects/FakeCanvas.h"
#include "objects/ImageFiles.h"
#include "objects/ImageProbe.h"
#include "objects/ImageResolution.h"
#include "objects/PictureWorker.h"
#include "objects/specImage.h"
#include "platform/Archiver.h"
#include "platform/BezierPath.h"

using namespace quillmark;

namespace {

// Left half red, right half blue.
QImage halves(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    QPainter painter(&image);
    painter.fillRect(0, 0, w / 2, h, Qt::red);
    return image;
}

QColor at(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y);
}

bool isRed(const QColor &c)
{
    return c.alpha() == 255 && c.red() > 200 && c.green() < 50 && c.blue() < 50;
}

bool isBlue(const QColor &c)
{
    return c.alpha() == 255 && c.blue() > 200 && c.red() < 50 && c.green() < 50;
}

QString writeBytes(const QString &name, const QByteArray &bytes)
{
    const QString path = qmtest::freshDir("damaged") + "/" + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

// A PNG that announces a picture of the given size and holds almost no pixel data.
QByteArray hugePng(quint32 width, quint32 height)
{
    auto be32 = [](quint32 v) {
        QByteArray out(4, '\0');
        for (int i = 0; i < 4; ++i)
            out[i] = char((v >> (24 - 8 * i)) & 0xff);
        return out;
    };
    auto chunk = [&be32](const QByteArray &type, const QByteArray &data) {
        const QByteArray body = type + data;
        return be32(quint32(data.size())) + body
               + be32(quint32(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))));
    };
    QByteArray header = be32(width) + be32(height);
    header.append(char(8)).append(char(6)).append(char(0)).append(char(0)).append(char(0));
    const QByteArray zeros(100, '\0');
    uLongf packedSize = compressBound(uLong(zeros.size()));
    QByteArray packed(int(packedSize), '\0');
    compress(reinterpret_cast<Bytef *>(packed.data()), &packedSize,
             reinterpret_cast<const Bytef *>(zeros.constData()), uLong(zeros.size()));
    packed.truncate(int(packedSize));
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", packed)
           + chunk("IEND", QByteArray());
}

} // namespace

TEST(specImageReading, BitmapsAt72DpiMeasureOnePointPerPixel)
{
    const auto image = specImage::fromFile(qmtest::tempPng("reading.png", QSize(40, 30)));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->isValid());
    EXPECT_FALSE(image->isVector());
    EXPECT_EQ(image->size(), QSizeF(40, 30));
    EXPECT_EQ(image->prepareImage().size(), QSize(40, 30));
}

TEST(specImageReading, NewImagesHaveTheDefaultAttributes)
{
    const auto image = specImage::fromFile(qmtest::tempPng("defaults.png", QSize(4, 4)));
    ASSERT_TRUE(image);
    const auto fresh = image->copyRepresentations();
    for (const specImage *i : {image.get(), fresh.get()}) {
        EXPECT_FALSE(i->isTint());
        EXPECT_FALSE(i->isMono());
        EXPECT_EQ(i->getRotation(), 0);
        EXPECT_TRUE(i->imageMaskName().isEmpty());
        EXPECT_FALSE(i->hasPrepared());
        EXPECT_TRUE(i->isDrawMask());
        EXPECT_EQ(i->tile(), 1.0f);
        EXPECT_FALSE(i->getColor().isValid());
    }
    const specImage empty;
    EXPECT_FALSE(empty.isValid());
    EXPECT_TRUE(specImage(QImage()).prepareImage().isNull());
}

TEST(specImageReading, VectorPicturesAreRasterisedWithTheirLargerSideAt1500Points)
{
    const QString dir = qmtest::freshDir("vector");
    struct Case
    {
        QString path;
        QSizeF size;
        QSize prepared;
        std::function<bool(const QColor &)> colour;
    };
    const QList<Case> cases = {
        {qmtest::writePdf(dir + "/small.pdf", 300, 200, Qt::green), QSizeF(300, 200), QSize(1500, 1000),
         [](const QColor &c) { return c.green() > 200 && c.red() < 50 && c.alpha() == 255; }},
        {qmtest::writePdf(dir + "/wide.pdf", 3000, 100, Qt::green), QSizeF(3000, 100), QSize(3000, 100),
         [](const QColor &c) { return c.green() > 200 && c.red() < 50 && c.alpha() == 255; }},
        {qmtest::writeSvg(dir + "/small.svg", 300, 150), QSizeF(300, 150), QSize(1500, 750), isBlue},
        {qmtest::writeSvg(dir + "/tall.svg", 100, 2000), QSizeF(100, 2000), QSize(100, 2000), isBlue},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QString error;
        const auto image = specImage::fromFile(c.path, &error);
        ASSERT_TRUE(image) << error.toStdString();
        EXPECT_TRUE(image->isVector());
        EXPECT_NEAR(image->size().width(), c.size.width(), 0.01);
        EXPECT_NEAR(image->size().height(), c.size.height(), 0.01);
        const QImage prepared = image->prepareImage();
        EXPECT_EQ(prepared.size(), c.prepared);
        EXPECT_TRUE(c.colour(at(prepared, prepared.width() / 2, prepared.height() / 2)));
    }
}

TEST(specImageReading, DamagedFilesFailWithAMessage)
{
    QByteArray png;
    {
        QImage picture(20, 20, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
    }
    const QList<QString> paths = {
        writeBytes("empty.png", QByteArray()),
        writeBytes("text.png", "this is not a picture at all"),
        writeBytes("truncated.png", png.left(30)),
        writeBytes("broken.pdf", "%PDF-1.4\nnothing else follows"),
        writeBytes("broken.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\""),
        writeBytes("huge.png", hugePng(40000, 40000)),
        qmtest::freshDir("nothing") + "/missing.png",
        qmtest::freshDir("folder"),
    };
    for (const QString &path : paths) {
        SCOPED_TRACE(path.toStdString());
        QString error;
        EXPECT_FALSE(specImage::fromFile(path, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    QString error;
    EXPECT_FALSE(specImage::fromFile(writeBytes("huge2.png", hugePng(40000, 40000)), &error));
    EXPECT_EQ(error, "The image is too large to open.");
    EXPECT_FALSE(specImage::fromFile(qmtest::freshDir("gone") + "/x.png", &error));
    EXPECT_EQ(error, "The image file could not be read.");
}

TEST(specImagePrepared, TilesAreDrawnInRowsAndColumnsOfTheRepeatCount)
{
    specImage twice(halves(100, 80));
    twice.setTile(2);
    const QImage two = twice.prepareImage();
    ASSERT_EQ(two.size(), QSize(100, 80));
    // Four copies of 50 by 40, each red on its left half.
    for (int y : {20, 60}) {
        EXPECT_TRUE(isRed(at(two, 10, y)));
        EXPECT_TRUE(isBlue(at(two, 35, y)));
        EXPECT_TRUE(isRed(at(two, 60, y)));
        EXPECT_TRUE(isBlue(at(two, 90, y)));
    }

    specImage partial(halves(100, 80));
    partial.setTile(2.5f);
    const QImage cut = partial.prepareImage();
    ASSERT_EQ(cut.size(), QSize(100, 80));
    // Copies of 40 by 32; the third column starts at 80 and is cut off at the edge.
    EXPECT_TRUE(isRed(at(cut, 10, 10)));
    EXPECT_TRUE(isBlue(at(cut, 30, 10)));
    EXPECT_TRUE(isRed(at(cut, 50, 10)));
    EXPECT_TRUE(isBlue(at(cut, 70, 10)));
    EXPECT_TRUE(isRed(at(cut, 90, 10)));
    EXPECT_TRUE(isRed(at(cut, 90, 75)));

    for (float count : {0.0f, -2.0f}) {
        specImage none(halves(100, 80));
        none.setTile(count);
        const QImage empty = none.prepareImage();
        EXPECT_EQ(empty.size(), QSize(100, 80));
        EXPECT_EQ(at(empty, 10, 10).alpha(), 0);
        EXPECT_EQ(at(empty, 90, 70).alpha(), 0);
    }

    // An absurd count neither hangs nor paints outside the picture.
    specImage many(halves(10, 8));
    many.setTile(1e9f);
    EXPECT_EQ(many.prepareImage().size(), QSize(10, 8));
}

TEST(specImagePrepared, TheMaskKeepsItsDarkPartsAndCutsAwayItsLightParts)
{
    QImage red(256, 256, QImage::Format_ARGB32);
    red.fill(Qt::red);

    specImage masked(red);
    masked.setImageMaskName("heart");
    const QImage heart = masked.prepareImage();
    ASSERT_EQ(heart.size(), QSize(256, 256));
    EXPECT_TRUE(isRed(at(heart, 128, 140)));
    EXPECT_EQ(at(heart, 3, 3).alpha(), 0);
    EXPECT_EQ(at(heart, 252, 252).alpha(), 0);

    // The mask is stretched over a picture of another size.
    QImage small(64, 32, QImage::Format_ARGB32);
    small.fill(Qt::red);
    specImage stretched(small);
    stretched.setImageMaskName("heart");
    const QImage s = stretched.prepareImage();
    EXPECT_TRUE(isRed(at(s, 32, 17)));
    EXPECT_EQ(at(s, 0, 0).alpha(), 0);

    specImage off(red);
    off.setImageMaskName("heart");
    off.setImageMaskFlag(false);
    EXPECT_TRUE(isRed(at(off.prepareImage(), 3, 3)));

    specImage unknown(red);
    unknown.setImageMaskName("no such mask");
    EXPECT_TRUE(isRed(at(unknown.prepareImage(), 3, 3)));
}

TEST(specImagePrepared, TheTintColoursOnlyWhereThePictureIsOpaque)
{
    QImage half(20, 10, QImage::Format_ARGB32);
    half.fill(Qt::transparent);
    QPainter(&half).fillRect(0, 0, 10, 10, Qt::red);

    specImage tinted(half);
    tinted.setColor(Qt::blue);
    EXPECT_TRUE(isRed(at(tinted.prepareImage(), 5, 5)));
    tinted.setTint(true);
    const QImage t = tinted.prepareImage();
    EXPECT_TRUE(isBlue(at(t, 5, 5)));
    EXPECT_EQ(at(t, 15, 5).alpha(), 0);

    // A half-transparent tint mixes with the picture.
    tinted.setColor(QColor(0, 0, 255, 128));
    const QColor mixed = at(tinted.prepareImage(), 5, 5);
    EXPECT_NEAR(mixed.red(), 127, 3);
    EXPECT_NEAR(mixed.blue(), 128, 3);
    EXPECT_EQ(mixed.alpha(), 255);

    specImage noColour(half);
    noColour.setTint(true);
    EXPECT_TRUE(isRed(at(noColour.prepareImage(), 5, 5)));

    EXPECT_TRUE(isRed(at(specImage::image(half, QColor()), 5, 5)));
    EXPECT_TRUE(isBlue(at(specImage::tintedImageWithColor(half, Qt::blue), 5, 5)));
}

TEST(specImagePrepared, MonochromeUsesTheLuminanceWeightsAndKeepsAlpha)
{
    QImage colours(4, 1, QImage::Format_ARGB32);
    colours.setPixel(0, 0, qRgba(255, 0, 0, 255));
    colours.setPixel(1, 0, qRgba(0, 255, 0, 255));
    colours.setPixel(2, 0, qRgba(0, 0, 255, 255));
    colours.setPixel(3, 0, qRgba(10, 20, 30, 128));

    const QImage grey = specImage::monochromeImage(colours);
    const int expected[4] = {76, 150, 29, 18};
    for (int x = 0; x < 4; ++x) {
        const QRgb p = grey.pixel(x, 0);
        EXPECT_EQ(qRed(p), expected[x]) << x;
        EXPECT_EQ(qGreen(p), expected[x]) << x;
        EXPECT_EQ(qBlue(p), expected[x]) << x;
    }
    EXPECT_EQ(qAlpha(grey.pixel(3, 0)), 128);

    specImage image(colours);
    image.setMono(true);
    EXPECT_EQ(qRed(image.prepareImage().pixel(0, 0)), 76);
    image.setMono(false);
    EXPECT_EQ(qRed(image.prepareImage().pixel(0, 0)), 255);
}

TEST(specImagePrepared, OnlyChangesToThePreparedResultDiscardIt)
{
    struct Case
    {
        const char *label;
        std::function<void(specImage &)> change;
        bool discards;
    };
    const QList<Case> cases = {
        {"mask name", [](specImage &i) { i.setImageMaskName("heart"); }, true},
        {"same mask name", [](specImage &i) { i.setImageMaskName(i.imageMaskName()); }, true},
        {"tint to its value", [](specImage &i) { i.setTint(i.isTint()); }, false},
        {"tint changed", [](specImage &i) { i.setTint(!i.isTint()); }, true},
        {"same colour", [](specImage &i) { i.setColor(i.getColor()); }, true},
        {"tile to its value", [](specImage &i) { i.setTile(i.tile()); }, false},
        {"tile changed", [](specImage &i) { i.setTile(3); }, true},
        {"rotation", [](specImage &i) { i.setRotation(90); }, false},
        {"mask flag", [](specImage &i) { i.setImageMaskFlag(i.isDrawMask()); }, true},
        {"monochrome to its value", [](specImage &i) { i.setMono(i.isMono()); }, false},
        {"monochrome changed", [](specImage &i) { i.setMono(true); }, true},
        {"controller", [](specImage &i) { i.setController(nullptr); }, false},
        {"stored attributes", [](specImage &i) { i.loadPropertyListRepresentation({}); }, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        specImage image(halves(8, 8));
        const QImage first = image.prepareImage();
        ASSERT_TRUE(image.hasPrepared());
        c.change(image);
        EXPECT_EQ(image.hasPrepared(), !c.discards);
        EXPECT_FALSE(image.prepareImage().isNull());
        EXPECT_TRUE(image.hasPrepared());
    }
}

TEST(specImageDrawing, TheBackgroundFillsTheRectangleAndTurnsAboutItsCentre)
{
    QImage red(10, 10, QImage::Format_ARGB32);
    red.fill(Qt::red);
    auto paint = [&red](int rotation, const BezierPath *clip) {
        specImage image(red);
        image.setRotation(rotation);
        QImage page(200, 200, QImage::Format_ARGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.translate(50, 50);
        image.drawProp(&painter, QRectF(999, 999, 100, 50), clip);
        return page;
    };
    const QImage upright = paint(0, nullptr);
    EXPECT_TRUE(isRed(at(upright, 55, 55)));
    EXPECT_TRUE(isRed(at(upright, 145, 95)));
    EXPECT_FALSE(isRed(at(upright, 155, 75)));
    EXPECT_FALSE(isRed(at(upright, 100, 30)));

    // Turned a quarter about (100, 75): it now covers 75..125 across and 25..125 down.
    const QImage turned = paint(90, nullptr);
    EXPECT_TRUE(isRed(at(turned, 100, 30)));
    EXPECT_TRUE(isRed(at(turned, 80, 120)));
    EXPECT_FALSE(isRed(at(turned, 140, 75)));
    EXPECT_FALSE(isRed(at(turned, 60, 75)));

    const BezierPath clip = BezierPath::bezierPathWithRect(QRectF(0, 0, 50, 50));
    const QImage clipped = paint(0, &clip);
    EXPECT_TRUE(isRed(at(clipped, 80, 75)));
    EXPECT_FALSE(isRed(at(clipped, 120, 75)));
}

TEST(specImageUndo, RotationAndMaskFlagRegisterTheirOldValuesWithTheController)
{
    qmtest::FakeCanvas canvas;
    auto image = std::make_shared<specImage>(halves(8, 8));
    image->setController(&canvas);
    image->setRotation(45);
    EXPECT_EQ(canvas.invalidated, QList<const ColorRect *>{nullptr});
    canvas.undo.closeEventGroup();
    image->setImageMaskFlag(false);
    canvas.undo.closeEventGroup();
    EXPECT_TRUE(canvas.undo.undoActionName().isEmpty());

    canvas.undo.undo();
    EXPECT_TRUE(image->isDrawMask());
    canvas.undo.undo();
    EXPECT_EQ(image->getRotation(), 0);
    canvas.undo.redo();
    EXPECT_EQ(image->getRotation(), 45);

    // Without a controller nothing is registered.
    specImage alone(halves(8, 8));
    alone.setRotation(10);
    EXPECT_EQ(alone.getRotation(), 10);
}

TEST(specImageStoredForm, WritesItsKeysAndReadsThemBack)
{
    specImage image(halves(12, 6));
    QVariantMap d = image.propertyListRepresentation(false);
    EXPECT_EQ(d.value("drawMask").toString(), "YES");
    EXPECT_EQ(d.value("IsMono").toString(), "NO");
    EXPECT_EQ(d.value("ImageAngle").toString(), "0");
    EXPECT_FALSE(d.contains("MaskImageName"));
    EXPECT_FALSE(d.contains("Image"));

    image.setImageMaskName("star1");
    image.loadPropertyListRepresentation({{"ImageAngle", "45"}, {"drawMask", "NO"}, {"IsMono", "YES"}});
    EXPECT_EQ(image.getRotation(), 45);
    EXPECT_FALSE(image.isDrawMask());
    EXPECT_TRUE(image.isMono());
    d = image.propertyListRepresentation(true);
    EXPECT_EQ(d.value("ImageAngle").toString(), "45");
    EXPECT_EQ(d.value("MaskImageName").toString(), "star1");
    ASSERT_EQ(d.value("Image").typeId(), QMetaType::QByteArray);
    EXPECT_EQ(Archiver::classOf(d.value("Image").toByteArray()), "QMImage");

    const auto back = specImage::objectWithPropertyListRepresentation(d);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), QSizeF(12, 6));
    EXPECT_EQ(back->getRotation(), 45);
    EXPECT_FALSE(back->isDrawMask());
    EXPECT_TRUE(back->isMono());
    EXPECT_EQ(back->imageMaskName(), "star1");

    // Without "drawMask" the default stays; flags are YES only for exactly "YES".
    specImage other(halves(4, 4));
    other.loadPropertyListRepresentation({{"IsMono", "yes"}, {"ImageAngle", QVariantList{1}}});
    EXPECT_TRUE(other.isDrawMask());
    EXPECT_FALSE(other.isMono());
    EXPECT_EQ(other.getRotation(), 0);
}

TEST(specImageStoredForm, NoPictureWithoutReadableImageData)
{
    EXPECT_FALSE(specImage::objectWithPropertyListRepresentation({{"drawMask", "YES"}}));
    EXPECT_FALSE(specImage::objectWithPropertyListRepresentation({{"Image", "text"}}));
    EXPECT_FALSE(specImage::objectWithPropertyListRepresentation({{"Image", QByteArray("junk")}}));
    const QByteArray wrongKind = Archiver::archiveColor(Qt::red);
    EXPECT_FALSE(specImage::objectWithPropertyListRepresentation({{"Image", wrongKind}}));
    const QByteArray noPicture =
        Archiver::archive("QMImage", {{"Kind", "bitmap"}, {"Data", QByteArray("not a picture")}});
    EXPECT_FALSE(specImage::objectWithPropertyListRepresentation({{"Image", noPicture}}));
}

TEST(specImageStoredForm, VectorPicturesKeepTheirOwnBytes)
{
    const QString path = qmtest::writeSvg(qmtest::freshDir("stored-svg") + "/shape.svg", 40, 20);
    const auto image = specImage::fromFile(path);
    ASSERT_TRUE(image);
    const auto back = specImage::fromArchivedData(image->archivedData());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind(), specImage::Kind::Svg);
    EXPECT_EQ(back->size(), QSizeF(40, 20));
}

TEST(specImageReading, CompressedDrawingsUnpackWithinALimit)
{
    auto gzip = [](const std::function<void(z_stream &, QByteArray &)> &feed) {
        z_stream stream{};
        deflateInit2(&stream, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        QByteArray out;
        feed(stream, out);
        deflateEnd(&stream);
        return out;
    };
    auto pump = [](z_stream &stream, QByteArray &out, const QByteArray &in, int flush) {
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
        stream.avail_in = uInt(in.size());
        char chunk[16384];
        do {
            stream.next_out = reinterpret_cast<Bytef *>(chunk);
            stream.avail_out = sizeof chunk;
            deflate(&stream, flush);
            out.append(chunk, qsizetype(sizeof chunk - stream.avail_out));
        } while (stream.avail_out == 0);
    };
    const QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30\" height=\"20\">"
                           "<rect width=\"30\" height=\"20\" fill=\"#0000ff\"/></svg>";
    const QByteArray small = gzip([&](z_stream &s, QByteArray &out) { pump(s, out, svg, Z_FINISH); });
    const auto drawing = specImage::fromData(small);
    ASSERT_TRUE(drawing);
    EXPECT_EQ(drawing->kind(), specImage::Kind::Svg);
    EXPECT_EQ(drawing->size(), QSizeF(30, 20));
    EXPECT_TRUE(isBlue(at(drawing->prepareImage(), 10, 10)));

    // 40 MB of blanks after the opening tag, packed into a small file.
    const QByteArray bomb = gzip([&](z_stream &s, QByteArray &out) {
        pump(s, out, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"3\" height=\"2\">", Z_NO_FLUSH);
        const QByteArray blanks(1024 * 1024, ' ');
        for (int i = 0; i < 40; ++i)
            pump(s, out, blanks, Z_NO_FLUSH);
        pump(s, out, "</svg>", Z_FINISH);
    });
    ASSERT_LT(bomb.size(), 1024 * 1024);
    QString error;
    EXPECT_FALSE(specImage::fromData(bomb, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(specImage::fromData(small.left(small.size() / 2), &error));
}

TEST(specImageReading, BitmapsAreKnownByTheirSignatureWhateverTheirTextSays)
{
    QImage red(8, 8, QImage::Format_ARGB32);
    red.fill(Qt::red);
    red.setText("Comment", "<svg %PDF-1.4");
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(red.save(&buffer, "PNG"));
    ASSERT_TRUE(png.contains("<svg"));
    const auto image = specImage::fromData(png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->kind(), specImage::Kind::Bitmap);
}

namespace {

// A picture of `size` in every bitmap format Qt writes that the probe takes and decodes later,
// turned by a quarter where the format stores a turn, at 300 dots per inch where it stores a
// resolution: read under deferred decoding it must measure, and once decoded look, exactly as
// read at once.
struct WrittenBitmap
{
    QByteArray format;
    QByteArray bytes;
};

std::vector<WrittenBitmap> everyDeferredFormat(QSize size)
{
    QImage picture = halves(size.width(), size.height()).convertToFormat(QImage::Format_RGB32);
    picture.setDotsPerMeterX(qRound(300 / 0.0254));
    picture.setDotsPerMeterY(qRound(300 / 0.0254));
    std::vector<WrittenBitmap> written;
    for (const QByteArray &format : QImageWriter::supportedImageFormats()) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        if (writer.supportsOption(QImageIOHandler::ImageTransformation))
            writer.setTransformation(QImageIOHandler::TransformationRotate90);
        if (!writer.write(picture))
            continue;
        // Only what the header announces as more than is decoded at once waits.
        const ImageProbe::Result probed = ImageProbe::probeData(bytes);
        if (!probed.accepted() || !probed.decodedSize.isValid()
            || qint64(probed.decodedSize.width()) * probed.decodedSize.height() <= ImageProbe::decodeAtOncePixels)
            continue;
        written.push_back({format, bytes});
    }
    return written;
}

} // namespace

TEST(specImageDeferred, LargeBitmapsAreMeasuredFromTheirHeaderAndDecodedOnceForEveryCopy)
{
    const std::vector<WrittenBitmap> formats = everyDeferredFormat(QSize(2100, 2000));
    ASSERT_GE(formats.size(), 3u);
    for (const WrittenBitmap &written : formats) {
        SCOPED_TRACE(written.format.toStdString());
        const std::shared_ptr<specImage> atOnce = specImage::fromData(written.bytes);
        ASSERT_TRUE(atOnce);
        std::shared_ptr<specImage> later;
        {
            const specImage::DeferredDecoding deferred;
            later = specImage::fromData(written.bytes);
        }
        ASSERT_TRUE(later);
        EXPECT_TRUE(later->pixelsPending());
        EXPECT_FALSE(atOnce->pixelsPending());
        EXPECT_TRUE(later->isValid());
        EXPECT_EQ(later->size(), atOnce->size());
        EXPECT_EQ(later->drawingSize(), atOnce->drawingSize());
        EXPECT_TRUE(later->preparesSlowly());
        EXPECT_EQ(later->archivedData(), atOnce->archivedData());

        // A copy shares the decoding: the first to need the pixels decodes them for both.
        const std::shared_ptr<specImage> copy = later->copyRepresentations();
        const QImage decoded = later->prepareImage();
        EXPECT_FALSE(later->pixelsPending());
        EXPECT_FALSE(copy->pixelsPending());
        EXPECT_EQ(decoded, atOnce->prepareImage());
        EXPECT_EQ(copy->prepareImage().cacheKey(), decoded.cacheKey());
    }
}

// A large bitmap file opening with a design is measured from its header (a TIFF's resolution
// from its directory at the end of the file) while the rest of it is read aside: its size,
// its bytes once read, its stored form and its print are those of the file read whole.
TEST(specImageDeferred, ALargeFileIsMeasuredFromItsHeaderAndReadAside)
{
    QImage picture(2600, 2000, QImage::Format_ARGB32);
    picture.fill(Qt::blue);
    QPainter(&picture).fillRect(0, 0, 1300, 2000, Qt::red);
    picture.setDotsPerMeterX(ImageResolution::dotsPerMeter(150));
    picture.setDotsPerMeterY(ImageResolution::dotsPerMeter(150));
    const QString path = qmtest::freshDir(QStringLiteral("deferred-file")) + QStringLiteral("/large.tif");
    {
        QImageWriter writer(path, "tiff");
        writer.setCompression(0);
        ASSERT_TRUE(writer.write(picture));
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 16 * 1024 * 1024);
    const std::shared_ptr<specImage> whole = specImage::fromFile(path);
    std::shared_ptr<specImage> aside;
    {
        const specImage::DeferredDecoding deferred;
        aside = specImage::fromFile(path);
    }
    ASSERT_TRUE(whole && aside);
    EXPECT_EQ(aside->size(), whole->size());
    EXPECT_EQ(aside->size(), QSizeF(2600 * 72.0 / 150, 2000 * 72.0 / 150));
    EXPECT_TRUE(aside->pixelsPending());
    EXPECT_EQ(aside->heldBytes(), bytes);
    EXPECT_EQ(aside->archivedData(), whole->archivedData());
    EXPECT_EQ(aside->prepareImage(), whole->prepareImage());
}

TEST(specImageDeferred, APhotoWhosePixelsTurnOutDamagedKeepsItsBytesAndDrawsNothing)
{
    // A sound header of 2100 by 2000 pixels, its image data cut short and overwritten.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(halves(2100, 2000).save(&buffer, "PNG"));
    }
    const QSizeF sound = specImage::fromData(bytes)->size();
    const qsizetype data = bytes.indexOf("IDAT");
    ASSERT_GT(data, 0);
    for (qsizetype i = data + 8; i < std::min<qsizetype>(bytes.size() - 12, data + 4096); ++i)
        bytes[i] = char(0xa5);
    std::shared_ptr<specImage> image;
    {
        const specImage::DeferredDecoding deferred;
        image = specImage::fromData(bytes);
    }
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), sound);
    const QByteArray archived = image->archivedData();
    EXPECT_TRUE(image->prepareImage().isNull());
    EXPECT_TRUE(image->isUndecodable());
    EXPECT_TRUE(image->isValid());
    // Saved again, the design holds the bytes it came with.
    EXPECT_EQ(image->archivedData(), archived);
    const std::shared_ptr<specImage> back = specImage::fromArchivedData(archived);
    EXPECT_FALSE(back) << "read at once, the damaged photo is refused as before";
}

TEST(specImageScreen, ASlowPictureIsMadeOnTheWorkerAndWhatIsHeldIsShownMeanwhile)
{
    // A drawing takes long to prepare.
    const QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"300\" height=\"200\">"
                           "<rect width=\"150\" height=\"200\" fill=\"red\"/><rect x=\"150\" width=\"150\" "
                           "height=\"200\" fill=\"blue\"/></svg>";
    std::shared_ptr<specImage> drawing = specImage::fromData(svg);
    ASSERT_TRUE(drawing && drawing->isVector());
    for (const std::shared_ptr<specImage> &image : {drawing}) {
        EXPECT_TRUE(image->preparesSlowly());
        int arrivals = 0;
        specImage::Shown shown;
        {
            const PictureWorker::Hold hold;
            shown = image->prepareImageForScreen(QSizeF(150, 100), [&arrivals] { ++arrivals; });
            EXPECT_TRUE(shown.waiting);
            EXPECT_TRUE(shown.image.isNull());
            EXPECT_FALSE(image->hasPrepared());
        }
        PictureWorker::waitUntilDone();
        EXPECT_EQ(arrivals, 1);
        shown = image->prepareImageForScreen(QSizeF(150, 100), [] {});
        EXPECT_FALSE(shown.waiting);
        ASSERT_FALSE(shown.image.isNull());
        const QImage first = shown.image;

        // A change of the attributes: the raster of before is shown until the new one is made,
        // and a raster made before the change is never kept.
        {
            const PictureWorker::Hold hold;
            image->setColor(QColor(0, 0, 0, 255));
            image->setTint(true);
            shown = image->prepareImageForScreen(QSizeF(150, 100), [&arrivals] { ++arrivals; });
            EXPECT_TRUE(shown.waiting);
            EXPECT_EQ(shown.image.cacheKey(), first.cacheKey());
            image->setColor(QColor(255, 255, 255, 255));
        }
        PictureWorker::waitUntilDone();
        EXPECT_EQ(arrivals, 1) << "the raster asked for before the last change is dropped";
        EXPECT_FALSE(image->hasPrepared());
        shown = image->prepareImageForScreen(QSizeF(150, 100), [&arrivals] { ++arrivals; });
        EXPECT_TRUE(shown.waiting);
        PictureWorker::waitUntilDone();
        EXPECT_EQ(arrivals, 2);
        // What the screen holds now is what a print makes.
        const QImage onScreen = image->prepareImageForScreen(QSizeF(150, 100), [] {}).image;
        specImage exact(*image);
        exact.clearPrepared();
        EXPECT_EQ(onScreen, exact.prepareImage(QSizeF(150, 100)));

        // Gone before its raster arrives: nothing reaches it.
        {
            const PictureWorker::Hold hold;
            auto gone = std::make_shared<specImage>(*image);
            gone->clearPrepared();
            gone->prepareImageForScreen(QSizeF(150, 100), [&arrivals] { ++arrivals; });
        }
        PictureWorker::waitUntilDone();
        EXPECT_EQ(arrivals, 2);
    }
}

// A photo on the screen is shown from a copy at the halving of its pixels that covers what the
// screen shows, made aside once for every copy of the picture; a look changed on it is made at
// once from that copy. A print takes every pixel. A photo read from its header alone is decoded
// straight at the size shown: its whole pixels are never decoded for the screen.
TEST(specImageScreen, APhotoIsShownFromACopyOfTheSizeShownSharedByItsCopiesAndPrintedWhole)
{
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(halves(2100, 2000).save(&buffer, "PNG"));
    }
    std::shared_ptr<specImage> read;
    {
        const specImage::DeferredDecoding deferred;
        read = specImage::fromData(png);
    }
    for (const std::shared_ptr<specImage> &photo : {std::make_shared<specImage>(halves(2100, 2000)), read}) {
        SCOPED_TRACE(photo->pixelsPending() ? "read from its header" : "decoded");
        const bool fromHeader = photo->pixelsPending();
        photo->setTint(true);
        photo->setColor(QColor(0, 255, 0, 255));
        int arrivals = 0;
        specImage::Shown shown;
        {
            const PictureWorker::Hold hold;
            shown = photo->prepareImageForScreen(QSizeF(150, 100), [&arrivals] { ++arrivals; });
            EXPECT_TRUE(shown.waiting);
            EXPECT_TRUE(shown.image.isNull());
        }
        PictureWorker::waitUntilDone();
        EXPECT_EQ(arrivals, 1);
        shown = photo->prepareImageForScreen(QSizeF(150, 100), [] {});
        EXPECT_FALSE(shown.waiting);
        // 2100 x 2000 halved three times: the last halving that still covers 150 x 100.
        EXPECT_EQ(shown.image.size(), QSize(263, 250));
        EXPECT_EQ(at(shown.image, 10, 125), QColor(0, 255, 0));
        EXPECT_EQ(photo->pixelsPending(), fromHeader) << "the whole pixels were decoded for the screen";

        // Another look is made from the copy held, at once.
        photo->setColor(QColor(255, 255, 0, 255));
        shown = photo->prepareImageForScreen(QSizeF(150, 100), [] {});
        EXPECT_FALSE(shown.waiting);
        EXPECT_EQ(at(shown.image, 10, 125), QColor(255, 255, 0));
        // A copy of the picture, untinted, shows the same smaller copy without waiting.
        specImage copy(*photo->copyRepresentations());
        shown = copy.prepareImageForScreen(QSizeF(150, 100), [] {});
        EXPECT_FALSE(shown.waiting);
        EXPECT_EQ(shown.image.size(), QSize(263, 250));
        EXPECT_TRUE(isRed(at(shown.image, 10, 125)));
        EXPECT_EQ(photo->pixelsPending(), fromHeader);

        // Printed, it goes whole.
        specImage printed(*photo);
        printed.clearPrepared();
        EXPECT_EQ(printed.prepareImage(QSizeF(150, 100)).size(), QSize(2100, 2000));
    }
}

TEST(specImageDeferred, ALargeDrawingIsMeasuredFromItsRootAsTheWholeDrawingWouldBe)
{
    // Past half a megabyte of text a drawing waits; its size must be what reading it whole gives,
    // in every unit the renderer measures by, with or without a view box.
    const QByteArray padding = "<!--" + QByteArray(600 * 1024, 'x') + "-->";
    int deferred = 0;
    for (const char *unit : {"", "px", "pt", "pc", "mm", "cm", "in"}) {
        for (const bool viewBox : {false, true}) {
            SCOPED_TRACE(std::string(unit) + (viewBox ? " with a view box" : ""));
            const QByteArray root = QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"12") + unit
                                    + "\" height=\"7.5" + unit + "\""
                                    + (viewBox ? " viewBox=\"0 0 300 200\" preserveAspectRatio=\"none\"" : "") + ">";
            // A shape that reaches outside the document is dropped by the sanitizer either way.
            const QByteArray svg = root + padding + "<rect width=\"150\" height=\"100\" fill=\"red\"/>"
                                   "<image href=\"file:///etc/hostname\" width=\"300\" height=\"200\"/></svg>";
            const std::shared_ptr<specImage> atOnce = specImage::fromData(svg);
            ASSERT_TRUE(atOnce);
            std::shared_ptr<specImage> later;
            {
                const specImage::DeferredDecoding deferring;
                later = specImage::fromData(svg);
            }
            ASSERT_TRUE(later);
            ASSERT_TRUE(later->isVector());
            EXPECT_EQ(later->size(), atOnce->size());
            EXPECT_EQ(later->prepareImage(QSizeF(120, 80)), atOnce->prepareImage(QSizeF(120, 80)));
            // Stored again as it came.
            EXPECT_EQ(later->archivedData().size() > svg.size(), true);
            deferred += later->archivedData() != atOnce->archivedData();
        }
    }
    EXPECT_GT(deferred, 0) << "the drawings were read whole after all";
    // Text that is not plainly a drawing is read whole, as at once, and refused alike.
    const QByteArray notDrawing = "<html><body>" + padding + "<svg></svg></body></html>";
    const specImage::DeferredDecoding deferring;
    EXPECT_FALSE(specImage::fromData(notDrawing));
}
