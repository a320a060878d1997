// Data Matrix ECC 200: modules against zint where both use ASCII encodation, the encodation and
// size choices, and read-back through ZXing across all six encodations and many sizes.
#include <gtest/gtest.h>

#include "barcodes/BarcodeTestSupport.h"

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/DataMatrixEncoder.h"

#include <QPainter>

#include <map>
#include <random>

using namespace quillmark;

namespace {

std::vector<std::string> moduleRows(const DataMatrixEncoder &encoder)
{
    std::vector<std::string> rows;
    for (int r = 0; r < encoder.rows(); ++r) {
        std::string row;
        for (int c = 0; c < encoder.columns(); ++c)
            row.push_back(encoder.module(r, c) ? '1' : '0');
        rows.push_back(bctest::trimZeros(row));
    }
    return rows;
}

QImage renderSymbol(const DataMatrixEncoder &encoder, int modulePixels = 4)
{
    const int quiet = 4 * modulePixels;
    QImage image(encoder.columns() * modulePixels + 2 * quiet, encoder.rows() * modulePixels + 2 * quiet,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    encoder.result(&painter, QRectF(quiet, quiet, encoder.columns() * modulePixels, encoder.rows() * modulePixels),
                   Qt::black);
    painter.end();
    return image;
}

// Encodes, draws and reads back; answers what the reader found.
std::optional<std::string> roundTrip(DataMatrixEncoder &encoder, const std::string &bytes)
{
    if (!encoder.encodeBytes(bytes))
        return std::nullopt;
    const auto decoded = bctest::decode(renderSymbol(encoder), true);
    if (!decoded || decoded->format != "DataMatrix")
        return std::nullopt;
    return decoded->bytes;
}

std::string printable(const std::string &bytes)
{
    std::string out;
    for (char c : bytes) {
        if (uint8_t(c) >= 32 && uint8_t(c) < 127)
            out.push_back(c);
        else
            out += "\\x" + QByteArray(1, c).toHex().toStdString();
    }
    return out;
}

} // namespace

TEST(DataMatrix, AsciiSymbolsEqualZint)
{
    std::vector<std::string> samples = {"123456", "A", "Hello", "Quill-Mark 1", "a1"};
    // Digits that fill every square size exactly, and one codeword short of it.
    for (const auto &size : DataMatrixEncoder::symbolTable()) {
        if (size.rows != size.columns)
            continue;
        samples.push_back(std::string(size_t(2 * size.dataCodewords), '7'));
        samples.push_back(std::string(size_t(2 * size.dataCodewords - 2), '3') + "1");
    }
    for (const std::string &data : samples) {
        DataMatrixEncoder encoder;
        ASSERT_TRUE(encoder.encodeString(data)) << data.size();
        EXPECT_EQ(encoder.encodation(), DataMatrixEncoder::Ascii);
        const auto zint = bctest::zintRows({"-b", "71", "--square", "-d", QString::fromStdString(data)});
        EXPECT_EQ(moduleRows(encoder), zint) << data.size() << " digits, " << encoder.rows() << "x" << encoder.columns();
    }
}

TEST(DataMatrix, RectangularSizesEqualZint)
{
    const std::vector<std::pair<int, int>> sizes = {{8, 18}, {8, 32}, {12, 26}, {12, 36}, {16, 36}, {16, 48}};
    for (size_t i = 0; i < sizes.size(); ++i) {
        DataMatrixEncoder encoder;
        ASSERT_TRUE(encoder.requestSize(sizes[i].first, sizes[i].second));
        ASSERT_TRUE(encoder.encodeString("1234"));
        ASSERT_EQ(encoder.rows(), sizes[i].first);
        const auto zint = bctest::zintRows({"-b", "71", "--vers=" + QString::number(25 + int(i)), "-d", "1234"});
        EXPECT_EQ(moduleRows(encoder), zint) << sizes[i].first << "x" << sizes[i].second;
    }
    DataMatrixEncoder encoder;
    EXPECT_FALSE(encoder.requestSize(9, 9));
}

TEST(DataMatrix, CodewordsOfShortMessages)
{
    DataMatrixEncoder digits;
    ASSERT_TRUE(digits.encodeString("123456"));
    EXPECT_EQ(digits.dataCodewords(), (std::vector<uint8_t>{142, 164, 186}));
    EXPECT_EQ(digits.rows(), 10);

    DataMatrixEncoder one;
    ASSERT_TRUE(one.encodeString("A"));
    // 'A' + 1, the first pad, then the pad randomised for position 3.
    EXPECT_EQ(one.dataCodewords(), (std::vector<uint8_t>{66, 129, 70}));

    DataMatrixEncoder capitals;
    ASSERT_TRUE(capitals.encodeString(std::string(50, 'Q')));
    EXPECT_EQ(capitals.encodation(), DataMatrixEncoder::C40);
    EXPECT_EQ(capitals.rows(), 24);
    EXPECT_EQ(capitals.dataCodewords().size(), 36u);
    EXPECT_EQ(capitals.dataCodewords().front(), 230);

    DataMatrixEncoder accent;
    ASSERT_TRUE(accent.encodeString("\xc3\xa9"));
    EXPECT_TRUE(accent.flags() & DataMatrixEncoder::NonAsciiText);
    EXPECT_EQ(accent.encodation(), DataMatrixEncoder::Ascii);
    EXPECT_EQ(accent.dataCodewords()[0], 235);
    EXPECT_EQ(accent.dataCodewords()[1], 0xE9 - 127);
}

TEST(DataMatrix, EncodationChoice)
{
    struct Case {
        std::string text;
        DataMatrixEncoder::Encodation expected;
    };
    const std::vector<Case> cases = {
        {"12345678901234567890", DataMatrixEncoder::Ascii},
        {"ABCDEFGHIJKLMNOPQRSTUVWX", DataMatrixEncoder::C40},
        {"abcdefghijklmnopqrstuvwx", DataMatrixEncoder::Text},
        {"A*B>C*D>E*F>G*H>I*J>K*L>", DataMatrixEncoder::X12},
        {"!#$%&'()*+,-./:;<=>?@[]^!#$%", DataMatrixEncoder::Edifact},
    };
    for (const Case &c : cases) {
        DataMatrixEncoder encoder;
        ASSERT_TRUE(encoder.encodeString(c.text));
        EXPECT_EQ(encoder.encodation(), c.expected) << c.text;
    }
}

TEST(DataMatrix, FailuresDrawNothing)
{
    DataMatrixEncoder tooLong;
    EXPECT_FALSE(tooLong.encodeString(std::string(3200, '5')));
    EXPECT_FALSE(tooLong.hasSymbol());
    DataMatrixEncoder notUtf8;
    EXPECT_FALSE(notUtf8.encodeString("\xff"));
    EXPECT_FALSE(notUtf8.hasSymbol());

    TBarInfo info;
    info.type = BarcodeType::DataMatrix;
    info.setData(std::string(3200, '5'));
    QImage image(80, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    BarcodeRenderer::drawBarcode(&painter, QRectF(0, 0, 80, 80), info);
    painter.end();
    EXPECT_EQ(image.pixelColor(40, 40), QColor(Qt::white));
}

TEST(DataMatrix, DarkModulesAreOnePathInsideTheRectangle)
{
    DataMatrixEncoder encoder;
    ASSERT_TRUE(encoder.encodeString("123456"));
    const QPainterPath path = encoder.modulePath(QRectF(10, 20, 50, 50));
    EXPECT_EQ(path.boundingRect(), QRectF(10, 20, 50, 50));
    EXPECT_TRUE(path.contains(QPointF(12, 68)));  // the solid left column and bottom row
    EXPECT_FALSE(path.contains(QPointF(17, 22))); // the second module of the top row is light
}

TEST(DataMatrix, EveryEncodationReadsBackAtEveryLength)
{
    const std::string alphabet = "ABCXYZ0189 *>\r!\"#,./:;<=>?@[\\]^_abcxyz`{|}~\t";
    std::mt19937 random(2026);
    for (DataMatrixEncoder::Encodation enc :
         {DataMatrixEncoder::Ascii, DataMatrixEncoder::C40, DataMatrixEncoder::Text, DataMatrixEncoder::Base256,
          DataMatrixEncoder::X12, DataMatrixEncoder::Edifact}) {
        for (size_t length = 1; length <= 48; ++length) {
            std::string text;
            for (size_t i = 0; i < length; ++i)
                text.push_back(alphabet[random() % alphabet.size()]);
            DataMatrixEncoder encoder;
            encoder.setFlags(DataMatrixEncoder::FixedAscii << int(enc));
            EXPECT_EQ(roundTrip(encoder, text), text) << "encodation " << int(enc) << ": " << printable(text);
        }
    }
}

TEST(DataMatrix, EdifactEndingWithOneOrTwoCodewordsLeftReadsBack)
{
    // Every length of EDIFACT text from 1 to 80 meets each way the symbol can end.
    for (size_t length = 1; length <= 80; ++length) {
        std::string text;
        for (size_t i = 0; i < length; ++i)
            text.push_back(char('!' + (i * 7) % 30));
        DataMatrixEncoder encoder;
        encoder.setFlags(DataMatrixEncoder::FixedEdifact);
        EXPECT_EQ(roundTrip(encoder, text), text) << printable(text);
        text.back() = 'a'; // a last character outside EDIFACT
        EXPECT_EQ(roundTrip(encoder, text), text) << printable(text);
    }
}

TEST(DataMatrix, C40AndTextTailsWithShiftedCharactersReadBack)
{
    const std::vector<std::string> tails = {".", "a.", "..", "AB.", "A.", "ABC!", "AB!!", "x", "xy", "A\t"};
    for (const std::string &tail : tails) {
        for (size_t prefix = 0; prefix <= 12; ++prefix) {
            const std::string text = std::string(prefix, 'K') + tail;
            for (unsigned flag : {unsigned(DataMatrixEncoder::FixedC40), unsigned(DataMatrixEncoder::FixedText)}) {
                DataMatrixEncoder encoder;
                encoder.setFlags(flag);
                EXPECT_EQ(roundTrip(encoder, text), text) << printable(text) << " flag " << flag;
            }
        }
    }
}

TEST(DataMatrix, PairsEndingOneCodewordShortOfTheSymbolNeedNoUnlatch)
{
    // Nine capitals: a latch and three pairs in a symbol of eight data codewords. A reader
    // returns to ASCII by itself for the last codeword, where an unlatch is no ASCII value.
    for (unsigned flag : {unsigned(DataMatrixEncoder::FixedC40), unsigned(DataMatrixEncoder::FixedX12)}) {
        DataMatrixEncoder encoder;
        encoder.setFlags(flag);
        ASSERT_EQ(roundTrip(encoder, "ABCDEFGHI"), "ABCDEFGHI");
        ASSERT_EQ(encoder.dataCodewords().size(), 8u);
        EXPECT_EQ(encoder.dataCodewords().back(), 129);
    }
}

TEST(DataMatrix, Base256WithLongLengthFieldsReadsBack)
{
    for (size_t length : {249u, 250u, 251u, 600u, 1200u}) {
        std::string bytes;
        for (size_t i = 0; i < length; ++i)
            bytes.push_back(char((i * 37 + 11) % 256));
        DataMatrixEncoder encoder;
        encoder.setFlags(DataMatrixEncoder::FixedBase256);
        EXPECT_EQ(roundTrip(encoder, bytes), bytes) << length;
    }
}

TEST(DataMatrix, RandomTextsReadBackExactly)
{
    std::mt19937 random(128);
    const std::vector<std::string> classes = {
        "0123456789", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz", " !\"#$%&'()*+,-./:;<=>?@[\\]^_",
        "*> \r0123ABC", "`{|}~\t\n",
    };
    const std::vector<std::string> accents = {"\xc3\xa9", "\xc3\xbc", "\xe2\x82\xac", "\xc3\x9f", "\xc2\xa3"};
    std::map<int, int> chosen;
    for (int n = 0; n < 300; ++n) {
        const size_t length = n < 280 ? 1 + random() % 90 : 400 + random() % 900;
        const std::string &main = classes[random() % classes.size()];
        std::string text;
        for (size_t i = 0; i < length; ++i) {
            const unsigned pick = random() % 10;
            if (pick < 7)
                text.push_back(main[random() % main.size()]);
            else if (pick < 9 || n % 7 != 0)
                text.push_back(classes[random() % classes.size()][0]);
            else
                text += accents[random() % accents.size()];
        }
        DataMatrixEncoder encoder;
        ASSERT_TRUE(encoder.encodeString(text)) << printable(text);
        ++chosen[encoder.encodation()];
        const auto decoded = bctest::decode(renderSymbol(encoder, 3), true);
        ASSERT_TRUE(decoded.has_value()) << printable(text);
        EXPECT_EQ(decoded->text, text) << printable(text);
    }
    for (int enc : {DataMatrixEncoder::Ascii, DataMatrixEncoder::C40, DataMatrixEncoder::Text, DataMatrixEncoder::X12,
                    DataMatrixEncoder::Edifact})
        EXPECT_GT(chosen[enc], 0) << "encodation " << enc << " never chosen";
}

// A text in every script reads back as typed, as the QR Code of the same text does: within
// Latin-1 the symbol names no character set, within Windows-1252 it names that set, and any
// other text goes as UTF-8 and says so. (Windows-1252 bytes that name nothing read as Latin-1:
// the euro sign as a control character.)
TEST(DataMatrix, TextInEveryScriptReadsAsTyped)
{
    for (const bctest::ScriptSample &sample : bctest::scriptSamples()) {
        TBarInfo info;
        info.type = BarcodeType::DataMatrix;
        info.setData(sample.text);
        const auto decoded = bctest::decode(bctest::renderBarcode(info, QSizeF(160, 160), 3));
        ASSERT_TRUE(decoded.has_value()) << sample.script;
        EXPECT_EQ(decoded->format, "DataMatrix") << sample.script;
        EXPECT_EQ(decoded->text, sample.text) << sample.script;

        DataMatrixEncoder encoder;
        ASSERT_TRUE(encoder.encodeString(sample.text)) << sample.script;
        const QString text = QString::fromStdString(sample.text);
        const bool latin1 = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
        const int named = latin1 ? 0
                                 : (DataMatrixEncoder::toWindows1252(sample.text) ? DataMatrixEncoder::EciWindows1252
                                                                                  : DataMatrixEncoder::EciUtf8);
        EXPECT_EQ(encoder.eci(), named) << sample.script;
    }
}

TEST(DataMatrix, LargestSymbolReadsBack)
{
    // Its last two blocks carry one data codeword less than the others.
    std::mt19937 random(144);
    std::string digits;
    for (int i = 0; i < 3100; ++i)
        digits.push_back(char('0' + random() % 10));
    DataMatrixEncoder encoder;
    ASSERT_TRUE(encoder.encodeString(digits));
    ASSERT_EQ(encoder.rows(), 144);
    const auto decoded = bctest::decode(renderSymbol(encoder, 3), true);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->bytes, digits);
    const auto zint = bctest::zintRows({"-b", "71", "--square", "-d", QString::fromStdString(digits)});
    EXPECT_EQ(moduleRows(encoder), zint);
}

TEST(DataMatrix, BarcodeObjectDrawsIntoTheFrameInsetByTwoPoints)
{
    TBarInfo info;
    info.type = BarcodeType::DataMatrix;
    info.setData("Quillmark");
    const QImage image = bctest::renderBarcode(info, QSizeF(64, 64), 4, 8);
    const auto decoded = bctest::decode(image);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->bytes, "Quillmark");
    // The frame starts at 8 points; the symbol's solid left column at 10.
    EXPECT_EQ(image.pixelColor(int(9.5 * 4), int(40 * 4)), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(int(10.5 * 4), int(40 * 4)), QColor(Qt::black));
}
