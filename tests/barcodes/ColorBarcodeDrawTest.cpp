// A barcode object drawn as the canvas and the printer draw it, read back by ZXing: straight,
// turned a quarter, mirrored, as the placeholder of a bound barcode, and numbered label by
// label from a counter or a sequence file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstdio>

#include "barcodes/BarcodeTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/ColorBarcodeTestSupport.h"
#include "common/TestSupport.h"
#include "objects/FakeCanvas.h"

using namespace quillmark;

namespace {

std::shared_ptr<ColorBarcode> drawnBarcode(int type, const std::string &data, const QRectF &frame)
{
    auto barcode = ColorBarcode::create();
    TBarInfo info = barcode->getBarInfo();
    info.type = int16_t(type);
    info.BarStr = data;
    // Bars and spaces of equal width read reliably at the test's modest resolution.
    info.widthAdjust = 0;
    barcode->setBarInfo(info);
    barcode->setFrameBounds(frame);
    barcode->updateframeSize();
    barcode->setDrawBarcode(true);
    return barcode;
}

std::string decodedText(const QImage &image)
{
    const auto decoded = bctest::decode(image);
    return decoded ? decoded->text : std::string("<nothing>");
}

QString writeSequenceFile(const QString &name, const QByteArray &bytes)
{
    const QString path = qmtest::freshDir("barcode-sequence") + "/" + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

TSequence fileSequence(const QString &path)
{
    TSequence s;
    s.isPresent = 1;
    s.counter = "1";
    s.isFile = 1;
    s.path = path;
    return s;
}

} // namespace

TEST(ColorBarcodeDraw, DrawnSymbolsDecodeToTheirData)
{
    struct Case
    {
        int type;
        std::string data;
        QRectF frame;
        const char *format;
    };
    const Case cases[] = {
        {BarcodeType::Code128B, "Quillmark-128", {40, 60, 0, 0}, "Code128"},
        {BarcodeType::Code128B, "12345678912", {40, 60, 0, 0}, "Code128"},
        {BarcodeType::QRCode, "https://example.org/q?x=1", {40, 40, 120, 120}, "QRCode"},
        {BarcodeType::DataMatrix, "DATA MATRIX 22", {40, 40, 100, 100}, "DataMatrix"},
        {BarcodeType::Ean13, "590123412345", {40, 60, 0, 0}, "EAN-13"},
    };
    for (const Case &c : cases) {
        auto barcode = drawnBarcode(c.type, c.data, c.frame);
        const QImage image = bctest::drawObject(*barcode);
        const auto decoded = bctest::decode(image);
        ASSERT_TRUE(decoded.has_value()) << c.data;
        EXPECT_EQ(decoded->format, c.format);
        if (c.type == BarcodeType::Ean13)
            EXPECT_EQ(decoded->text.substr(0, 12), c.data);
        else
            EXPECT_EQ(decoded->text, c.data);
    }
}

TEST(ColorBarcodeDraw, TurnedAndMirroredSymbolsStillDecode)
{
    for (int type : {int(BarcodeType::Code128B), int(BarcodeType::QRCode)}) {
        const QRectF frame = type == BarcodeType::QRCode ? QRectF(100, 100, 100, 100) : QRectF(80, 130, 0, 0);
        auto barcode = drawnBarcode(type, "TURN-90", frame);
        barcode->setAngle(90, false);
        const QImage turned = bctest::drawObject(*barcode);
        EXPECT_EQ(decodedText(turned), "TURN-90") << type;

        // A quarter turn makes the symbol taller than wide on the page.
        const QRectF page = barcode->frameBoundsRotated();
        EXPECT_NEAR(page.width(), barcode->frameBounds().height(), 1e-6);

        barcode->setAngle(0, false);
        barcode->setFlipVert(true);
        const QImage mirrored = bctest::drawObject(*barcode);
        if (type == BarcodeType::Code128B) {
            EXPECT_EQ(decodedText(mirrored), "TURN-90") << "an upside-down linear symbol reads the same";
        }
    }
}

TEST(ColorBarcodeDraw, NothingIsDrawnUntilTheToolOrTheStoredFormSetsTheFlag)
{
    auto barcode = ColorBarcode::create(QRectF(20, 20, 0, 0));
    EXPECT_FALSE(bctest::hasInk(bctest::drawObject(*barcode)));
    barcode->setDrawBarcode(true);
    EXPECT_EQ(decodedText(bctest::drawObject(*barcode)), "12345678912");
}

TEST(ColorBarcodeDraw, DrawingWritesTheExtentAndOriginBack)
{
    auto barcode = drawnBarcode(BarcodeType::Code128B, "ABC", QRectF(33.7, 41.2, 0, 0));
    bctest::drawObject(*barcode);
    const TBarInfo info = barcode->getBarInfo();
    EXPECT_EQ(info.pt.h, 33);
    EXPECT_EQ(info.pt.v, 41);
    EXPECT_EQ(info.BarRect.width(), int(barcode->frameBounds().width()));
}

TEST(ColorBarcodeDraw, InvalidDataDrawTheErrorTextAndDecodeToNothing)
{
    auto barcode = drawnBarcode(BarcodeType::Code128C, "123", QRectF(20, 20, 0, 0));
    const QImage image = bctest::drawObject(*barcode);
    EXPECT_TRUE(bctest::hasInk(image));
    EXPECT_FALSE(bctest::decode(image).has_value());

    auto interleaved = drawnBarcode(BarcodeType::Interleaved, "1234", QRectF(20, 20, 50, 50));
    EXPECT_FALSE(bctest::hasInk(bctest::drawObject(*interleaved)));
}

TEST(ColorBarcodeDraw, BoundBarcodeShowsThePlaceholderWhileDesigning)
{
    bctest::RecordSource source;
    source.values.insert(5, QStringLiteral("REC-77"));
    bctest::PreviewCanvas canvas;
    auto barcode = drawnBarcode(BarcodeType::Code128B, "TYPED", QRectF(20, 20, 0, 0));
    barcode->setMainView(&canvas);
    barcode->setFieldPk(5);
    EXPECT_EQ(barcode->mergedValue(), "REC-77");

    const QImage designing = bctest::drawObject(*barcode);
    EXPECT_TRUE(bctest::hasInk(designing));
    EXPECT_FALSE(bctest::decode(designing).has_value());

    // Database preview and printing show the record's value, not the typed data.
    canvas.preview = true;
    EXPECT_EQ(decodedText(bctest::drawObject(*barcode)), "REC-77");
    canvas.preview = false;
    EXPECT_EQ(decodedText(bctest::printObject(*barcode, 0)), "REC-77");
    canvas.printing = true;
    EXPECT_EQ(decodedText(bctest::drawObject(*barcode)), "REC-77");
    EXPECT_EQ(barcode->getBarcodeString(), "TYPED");
}

TEST(ColorBarcodeDraw, PlaceholderNamesTheBoundFieldAsTheSourceTitlesIt)
{
    bctest::RecordSource source;
    bctest::PreviewCanvas canvas;
    auto barcode = drawnBarcode(BarcodeType::Code128B, "TYPED", QRectF(20, 20, 0, 0));
    barcode->setMainView(&canvas);
    barcode->setFieldPk(5);
    const auto inkWidth = [&] {
        const QImage image = bctest::drawObject(*barcode, 1);
        int left = image.width();
        int right = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) < 128) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        return right - left;
    };
    // "Barcoded" over "[]", then over the bracketed title, which is the wider line.
    const int untitled = inkWidth();
    source.titles.insert(5, QStringLiteral("Customer Reference Number"));
    const int titled = inkWidth();
    EXPECT_GT(untitled, 0);
    EXPECT_GT(titled, untitled + 40);
}

TEST(ColorBarcodeDraw, PlaceholderOfASquareSymbolFillsItsWidth)
{
    bctest::RecordSource source;
    bctest::PreviewCanvas canvas;
    auto barcode = drawnBarcode(BarcodeType::QRCode, "Q", QRectF(20, 20, 200, 200));
    barcode->setMainView(&canvas);
    barcode->setFieldPk(9);
    const QImage image = bctest::drawObject(*barcode, 1);
    // The wider line is scaled to the square's width: ink reaches close to both sides.
    int left = image.width();
    int right = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_GE(right, 0);
    EXPECT_LT(left, 12 + 20);
    EXPECT_GT(right, 12 + 180);
}

TEST(ColorBarcodeDraw, CounterNumberingPerLabel)
{
    auto barcode = drawnBarcode(BarcodeType::Code128B, "KEEP", QRectF(30, 30, 0, 0));
    TSequence sequence;
    sequence.isPresent = 1;
    sequence.prefix = "N-";
    sequence.counter = "0001";
    sequence.postamble = "/A";
    barcode->setSequenceInfo(sequence);
    const QRectF frame = barcode->frameBounds();

    for (int label = 0; label <= 11; ++label) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "N-%04d/A", label + 1);
        EXPECT_EQ(decodedText(bctest::printObject(*barcode, label)), expected) << label;
    }
    // The document never keeps a sequence value.
    EXPECT_EQ(barcode->getBarcodeString(), "KEEP");
    EXPECT_EQ(barcode->frameBounds(), frame);

    sequence.prefix.clear();
    sequence.postamble.clear();
    sequence.counter = "1";
    sequence.repeat = 3;
    barcode->setSequenceInfo(sequence);
    for (int label = 0; label < 6; ++label)
        EXPECT_EQ(decodedText(bctest::printObject(*barcode, label)), label < 3 ? "1" : "2") << label;
}

// Counters of 18 and 30 digits print the next number on every label, read back as printed.
TEST(ColorBarcodeDraw, LongCountersPrintEveryLabelsOwnNumber)
{
    for (const std::string &start : {std::string("123456789012345678"), std::string("987654321098765432109876543210")}) {
        auto barcode = drawnBarcode(BarcodeType::Code128C, "00", QRectF(20, 30, 0, 0));
        TSequence sequence;
        sequence.isPresent = 1;
        sequence.counter = start;
        barcode->setSequenceInfo(sequence);
        std::string expected = start;
        for (int label = 0; label < 6; ++label) {
            EXPECT_EQ(decodedText(bctest::printObject(*barcode, label)), expected) << start << " label " << label;
            // The next number, digit by digit.
            for (size_t i = expected.size(); i > 0; --i) {
                if (expected[i - 1] != '9') {
                    ++expected[i - 1];
                    break;
                }
                expected[i - 1] = '0';
            }
        }
    }
}

TEST(ColorBarcodeDraw, FileNumberingPerLabel)
{
    auto barcode = drawnBarcode(BarcodeType::Code128B, "KEEP", QRectF(30, 30, 0, 0));
    barcode->setSequenceInfo(fileSequence(writeSequenceFile("numbers.txt", "7;8,,9")));
    EXPECT_EQ(decodedText(bctest::printObject(*barcode, 0)), "7");
    EXPECT_EQ(decodedText(bctest::printObject(*barcode, 1)), "8");
    EXPECT_EQ(decodedText(bctest::printObject(*barcode, 3)), "9");
    // Past the last entry the label prints without this barcode.
    EXPECT_FALSE(bctest::hasInk(bctest::printObject(*barcode, 4)));
    EXPECT_EQ(barcode->getBarcodeString(), "KEEP");
    EXPECT_TRUE(barcode->sequenceFileMessage().isEmpty());
}

TEST(ColorBarcodeDraw, SequenceFileWithCrLfLineEndsGivesOneEntryPerLine)
{
    auto barcode = drawnBarcode(BarcodeType::Code128B, "KEEP", QRectF(30, 30, 0, 0));
    barcode->setSequenceInfo(fileSequence(writeSequenceFile("lines.txt", "A1\r\nB2\r\nC3\r\n")));
    EXPECT_EQ(decodedText(bctest::printObject(*barcode, 0)), "A1");
    EXPECT_EQ(decodedText(bctest::printObject(*barcode, 1)), "B2");
    EXPECT_EQ(decodedText(bctest::printObject(*barcode, 2)), "C3");
    EXPECT_FALSE(bctest::hasInk(bctest::printObject(*barcode, 3)));
}

TEST(ColorBarcodeDraw, UnreadableSequenceFileKeepsItsPathAndReportsTheFailure)
{
    const QString path = qmtest::freshDir("barcode-missing") + "/absent.txt";
    auto barcode = drawnBarcode(BarcodeType::Code128B, "KEEP", QRectF(30, 30, 0, 0));
    barcode->setSequenceInfo(fileSequence(path));
    EXPECT_FALSE(bctest::hasInk(bctest::printObject(*barcode, 0)));
    EXPECT_EQ(barcode->getSequenceInfo().path, path);
    EXPECT_EQ(barcode->sequenceFileMessage(), "Use the other file for barcode sequence instead of absent.txt");
    EXPECT_EQ(barcode->getBarcodeString(), "KEEP");

    // Once the file appears, a later label reads it.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("first second");
    file.close();
    EXPECT_EQ(decodedText(bctest::printObject(*barcode, 1)), "second");
    EXPECT_TRUE(barcode->sequenceFileMessage().isEmpty());
}

TEST(ColorBarcodeDraw, LinearSymbolStartsFourPointsInsideTheFrame)
{
    auto barcode = drawnBarcode(BarcodeType::Code128B, "ABC", QRectF(50, 60, 0, 0));
    const double scale = 4;
    const QRectF area = barcode->frameBoundsRotated().adjusted(-12, -12, 12, 12);
    const QImage image = bctest::renderArea(area, scale, [&](QPainter *p) {
        barcode->drawFrame(p, barcode->frameBounds(), false);
    });
    int left = image.width();
    int top = image.height();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                top = std::min(top, y);
            }
        }
    }
    EXPECT_NEAR(left / scale + area.x(), 54, 0.5);
    EXPECT_NEAR(top / scale + area.y(), 64, 0.5);
}

TEST(ColorBarcodeDraw, ShadowedSymbolStillDecodes)
{
    auto barcode = drawnBarcode(BarcodeType::QRCode, "SHADOW", QRectF(30, 30, 100, 100));
    barcode->setDrawsShadow(true);
    barcode->setShadowDistance(3);
    barcode->setShadowBlur(2);
    EXPECT_EQ(decodedText(bctest::drawObject(*barcode)), "SHADOW");
}

TEST(ColorBarcodeDraw, EmptyFileEntryGivesEmptyData)
{
    auto barcode = drawnBarcode(BarcodeType::Code128B, "KEEP", QRectF(30, 30, 0, 0));
    barcode->setSequenceInfo(fileSequence(writeSequenceFile("gaps.txt", "7;8,,9")));
    ASSERT_TRUE(barcode->makeSeqBarData(2));
    EXPECT_EQ(barcode->getBarcodeString(), "");
    ASSERT_TRUE(barcode->makeSeqBarData(3));
    EXPECT_EQ(barcode->getBarcodeString(), "9");
    EXPECT_FALSE(barcode->makeSeqBarData(4));
    EXPECT_EQ(barcode->getBarcodeString(), "9");
}

TEST(ColorBarcodeDraw, SelectionShowsKnobsButNoOutline)
{
    qmtest::FakeCanvas canvas;
    auto barcode = drawnBarcode(BarcodeType::QRCode, "K", QRectF(40, 40, 80, 80));
    barcode->setMainView(&canvas);
    const QRectF area(0, 0, 160, 160);
    const QImage selected = bctest::renderArea(area, 2, [&](QPainter *p) {
        barcode->drawSelect(p, barcode->frameBounds());
    });
    // A knob at the top-left corner, nothing along the middle of the top edge's outline
    // between the knobs.
    EXPECT_NE(selected.pixel(80, 80), qRgb(255, 255, 255));
    EXPECT_EQ(selected.pixel(2 * 60, 2 * 40), qRgb(255, 255, 255));

    barcode->setEditable(true);
    const QImage editing = bctest::renderArea(area, 2, [&](QPainter *p) {
        barcode->drawSelect(p, barcode->frameBounds());
    });
    EXPECT_FALSE(bctest::hasInk(editing));
    EXPECT_EQ(editing.pixel(80, 80), qRgb(255, 255, 255));
}

TEST(ColorBarcodeDraw, EmptySquareSymbolsDrawNothing)
{
    for (const int type : {int(BarcodeType::DataMatrix), int(BarcodeType::QRCode)}) {
        auto barcode = drawnBarcode(type, "", QRectF(20, 20, 80, 80));
        EXPECT_FALSE(bctest::hasInk(bctest::drawObject(*barcode))) << type;
        // The same object with data shows its symbol.
        TBarInfo info = barcode->getBarInfo();
        info.setData("X");
        barcode->setBarInfo(info);
        EXPECT_TRUE(bctest::hasInk(bctest::drawObject(*barcode))) << type;
    }
}
