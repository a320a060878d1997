// UPC-A, UPC-E, EAN-13 and EAN-8 with add-ons, and the Bookland symbols: patterns against zint,
// check digits and layout of typed data, number lines, extents and read-back through ZXing.
#include <gtest/gtest.h>

#include "barcodes/BarcodeTestSupport.h"
#include "common/TestSupport.h"

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/LinearBarcodeKit.h"
#include "barcodes/UpcEan.h"

using namespace quillmark;

namespace {

std::string drawnModules(int type, const std::string &data)
{
    TBarInfo info = bctest::moduleInfo(type, data);
    LinearDrawContext ctx;
    TBarInfo copy = info;
    EXPECT_EQ(BarcodeRenderer::drawLinearBarcodeByType(copy, ctx), 1) << data;
    return bctest::trimZeros(bctest::modulesOfBars(ctx.bars, 1.0));
}

std::string zintModules(int zintType, const std::string &data)
{
    const auto rows = bctest::zintRows({"-b", QString::number(zintType), "--addongap=10", "-d", QString::fromStdString(data)});
    return rows.empty() ? std::string("zint failed") : rows.front();
}

} // namespace

TEST(UpcEan, PatternsEqualZint)
{
    struct Case {
        int type;
        std::string data;
        int zintType;
        std::string zintData;
    };
    const std::vector<Case> cases = {
        {BarcodeType::UpcA, "03600029145", 34, "03600029145"},
        {BarcodeType::UpcA, "0360002914552", 34, "03600029145+52"},
        {BarcodeType::UpcA, "7123456789012345", 34, "71234567890+12345"},
        {BarcodeType::UpcE, "123456", 37, "123456"},
        {BarcodeType::UpcE, "65432112", 37, "654321+12"},
        {BarcodeType::UpcE, "04252652495", 37, "042526+52495"},
        {BarcodeType::Ean13, "400638133393", 13, "400638133393"},
        {BarcodeType::Ean13, "40063813339399", 13, "400638133393+99"},
        {BarcodeType::Ean13, "40063813339352495", 13, "400638133393+52495"},
        {BarcodeType::Ean13, "590123412345", 13, "590123412345"},
        {BarcodeType::Ean8, "9638507", 13, "9638507"},
        {BarcodeType::Ean8, "963850712", 13, "9638507+12"},
        {BarcodeType::Ean8, "963850786420", 13, "9638507+86420"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(drawnModules(c.type, c.data), zintModules(c.zintType, c.zintData)) << c.data;
}

TEST(UpcEan, CheckDigitsAndLayoutOfTypedData)
{
    struct Case {
        int type;
        std::string typed;
        std::string normalised;
    };
    const std::vector<Case> cases = {
        {BarcodeType::UpcA, "03600029145", "036000291452"},
        {BarcodeType::UpcA, "036000291459", "036000291452"}, // a typed check is replaced
        {BarcodeType::UpcA, "0360002914552", "03600029145252"},
        {BarcodeType::UpcA, "03600029145523", "03600029145252"},
        {BarcodeType::Ean13, "400638133393", "4006381333931"},
        {BarcodeType::Ean13, "40063813339352495", "400638133393152495"},
        {BarcodeType::Ean8, "9638507", "96385074"},
        {BarcodeType::UpcE, "123456", "1234565"},
        {BarcodeType::UpcE, "", "0000000"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(upcEanNormalise(c.typed, c.type), c.normalised) << c.typed;
    EXPECT_EQ(upcEExpand("123456"), "01234500006");
    EXPECT_EQ(upcEExpand("123450"), "01200000345");
    EXPECT_EQ(upcEExpand("123453"), "01230000045");
    EXPECT_EQ(upcEExpand("123454"), "01234000005");
}

TEST(UpcEan, AddOnParity)
{
    EXPECT_EQ(upcEanAddOnParity("52495"), "GLGLL");
    EXPECT_EQ(upcEanAddOnParity("12"), "LL");
    EXPECT_EQ(upcEanAddOnParity("13"), "LG");
    EXPECT_EQ(upcEanAddOnParity("14"), "GL");
    EXPECT_EQ(upcEanAddOnParity("15"), "GG");
}

TEST(UpcEan, BooklandNumbers)
{
    EXPECT_EQ(formatIsbnWithCheckDigit(0, "030640615"), "0-3064061-5-2");
    EXPECT_EQ(formatIsbnWithCheckDigit(5, "030640615"), "0-30-640615-2");
    EXPECT_EQ(formatIsbnWithCheckDigit(0, ""), "0");
    EXPECT_EQ(formatIssnWithCheckDigit("0317847"), "0317-8471");
    EXPECT_EQ(formatIssnWithCheckDigit("0000000"), "0000-0000");
    EXPECT_EQ(formatIssnWithCheckDigit("0378595"), "0378-5955");
    EXPECT_EQ(formatIssnWithCheckDigit("0000001"), "0000-0019");

    TBarInfo isbn;
    isbn.type = BarcodeType::BooklandIsbn;
    isbn.setData("030640615");
    BooklandText t = booklandText(isbn, 0);
    EXPECT_EQ(t.line, "ISBN  0-3064061-5-2");
    EXPECT_EQ(t.eanData, "978030640615");
    isbn.type = BarcodeType::BooklandIsbnPrefixed;
    t = booklandText(isbn, 1);
    EXPECT_EQ(t.line, "ISBN  978-0-3064061-5-7");

    TBarInfo issn;
    issn.type = BarcodeType::BooklandIssn;
    issn.setData("0317847");
    t = booklandText(issn, 0);
    EXPECT_EQ(t.line, "ISSN  0317-8471");
    EXPECT_EQ(t.eanData, "9770317847");

    TBarInfo ismn;
    ismn.type = BarcodeType::BooklandIsmn;
    ismn.setData("23067118");
    t = booklandText(ismn, 0);
    EXPECT_EQ(t.eanData, "979023067118");
    EXPECT_EQ(t.line, "ISMN 979-0-2306711-8-7");
}

TEST(UpcEan, ALetterMakesEveryTypeInvalid)
{
    for (int type : {9, 10, 11, 12, 13, 14, 21, 28}) {
        TBarInfo info = bctest::moduleInfo(type, "12345A789012");
        LinearDrawContext ctx;
        TBarInfo copy = info;
        EXPECT_EQ(BarcodeRenderer::drawLinearBarcodeByType(copy, ctx), 0) << type;
        EXPECT_TRUE(ctx.bars.isEmpty());
        const double width = errorTextWidth(type, ctx);
        barcodeExtentByType(info, ctx);
        EXPECT_EQ(info.BarRect.right, int(width + 4)) << type;
    }
}

TEST(UpcEan, ExtentWidthsInModules)
{
    struct Case {
        int type;
        std::string data;
        bool hrt;
        double modules;
    };
    const std::vector<Case> cases = {
        {BarcodeType::UpcA, "03600029145", false, 95},
        {BarcodeType::UpcA, "03600029145", true, 115},
        {BarcodeType::UpcA, "0360002914552", true, 105 + 32},
        {BarcodeType::UpcA, "7123456789012345", false, 95 + 57},
        {BarcodeType::Ean13, "400638133393", true, 115},
        {BarcodeType::Ean13, "40063813339352495", false, 95 + 57},
        {BarcodeType::UpcE, "123456", true, 71},
        {BarcodeType::UpcE, "12345612", true, 61 + 32},
        {BarcodeType::Ean8, "9638507", true, 67},
        {BarcodeType::Ean8, "963850712", false, 67 + 32},
        {BarcodeType::BooklandIsbn, "030640615", false, 95},
        {BarcodeType::BooklandIsmn, "23067118", false, 95},
        {BarcodeType::BooklandIsmn, "2306711812", false, 95 + 32},
    };
    for (const Case &c : cases) {
        TBarInfo info = bctest::moduleInfo(c.type, c.data);
        info.HRT = c.hrt;
        LinearDrawContext ctx;
        barcodeExtentByType(info, ctx);
        EXPECT_EQ(info.BarRect.right, int(c.modules + 4)) << c.type << " " << c.data;
    }
}

TEST(UpcEan, IsmnHasItsOwnExtentAndStaysInsideIt)
{
    TBarInfo info;
    info.type = BarcodeType::BooklandIsmn;
    info.setData("23067118");
    info.BarRect = {0, 0, 1, 1};
    const ShortRect extent = BarcodeRenderer::frameExtent(info, QSizeF(1, 1));
    EXPECT_GT(extent.width(), 60);
    EXPECT_GT(extent.height(), 30);
    LinearDrawContext drawn;
    BarcodeRenderer::drawBarcode(nullptr, QRectF(0, 0, extent.width(), extent.height()), info, {}, &drawn);
    const QRectF frame(0, 0, extent.width(), extent.height());
    EXPECT_TRUE(frame.contains(drawn.bars.boundingRect())) << drawn.bars.boundingRect().right();
    EXPECT_TRUE(frame.contains(drawn.text.boundingRect()));
}

TEST(UpcEan, HumanReadableDigits)
{
    TBarInfo info;
    info.type = BarcodeType::Ean13;
    info.setData("400638133393");
    info.font = qmtest::testFont(8);
    LinearDrawContext drawn;
    BarcodeRenderer::drawBarcode(nullptr, QRectF(0, 0, 100, 50), info, {}, &drawn);
    QString digits;
    for (const auto &item : drawn.textItems)
        digits += item.text;
    // digit 1 first (outside the bars), then 2-13, then the closing mark.
    EXPECT_EQ(digits, "006381333931" + QString("4") + ">") << digits.toStdString();
}

TEST(UpcEan, SymbolsReadBackThroughZXing)
{
    struct Case {
        int type;
        std::string data;
        std::string format;
        std::string text;
    };
    const std::vector<Case> cases = {
        {BarcodeType::UpcA, "03600029145", "UPC-A", "036000291452"},
        {BarcodeType::UpcE, "123456", "UPC-E", "01234565"},
        {BarcodeType::Ean13, "400638133393", "EAN-13", "4006381333931"},
        {BarcodeType::Ean8, "9638507", "EAN-8", "96385074"},
        {BarcodeType::Ean13, "40063813339352495", "EAN-13", "4006381333931 52495"},
        {BarcodeType::UpcA, "0360002914552", "UPC-A", "036000291452 52"},
        {BarcodeType::UpcE, "12345612", "UPC-E", "01234565 12"},
        {BarcodeType::Ean8, "963850786420", "EAN-8", "96385074 86420"},
        {BarcodeType::BooklandIsbn, "030640615", "EAN-13", "9780306406157"},
        {BarcodeType::BooklandIssn, "0317847", "EAN-13", "9770317847001"},
        {BarcodeType::BooklandIsmn, "23067118", "EAN-13", "9790230671187"},
    };
    for (const Case &c : cases) {
        TBarInfo info;
        info.type = int16_t(c.type);
        info.setData(c.data);
        info.font = qmtest::testFont(8);
        // The reader's add-on finder does not tolerate the default ink-spread compensation of
        // 2 mils on 9-mil modules; the main symbols read with it.
        if (c.text.find(' ') != std::string::npos)
            info.widthAdjust = -1.0;
        const auto decoded = bctest::decode(bctest::renderBarcode(info, QSizeF(), 8));
        ASSERT_TRUE(decoded.has_value()) << c.data;
        EXPECT_EQ(decoded->format, c.format) << c.data;
        EXPECT_EQ(decoded->text, c.text) << c.data;
    }
}


TEST(UpcEan, UpcOuterCharactersFollowTheEqualSizeDefault)
{
    TBarInfo info;
    info.type = BarcodeType::UpcA;
    info.setData("03600029145");
    info.font = qmtest::testFont(10);
    for (long long equal : {0LL, 1LL}) {
        BarcodeDrawStyle style;
        style.upcCharactersEqualSize = equal;
        LinearDrawContext drawn;
        BarcodeRenderer::drawBarcode(nullptr, QRectF(0, 0, 120, 50), info, style, &drawn);
        ASSERT_EQ(drawn.textItems.size(), 12u);
        const auto &main = drawn.textItems[0];
        const auto &first = drawn.textItems[10];
        const auto &last = drawn.textItems[11];
        EXPECT_EQ(first.text, "0");
        EXPECT_EQ(last.text, "2");
        EXPECT_DOUBLE_EQ(first.baseline.x(), 4.0); // the frame's origin moved by the margin
        EXPECT_DOUBLE_EQ(first.font.pointSizeF(), equal ? 10.0 : 8.0);
        if (equal)
            EXPECT_DOUBLE_EQ(first.baseline.y(), main.baseline.y());
        else
            EXPECT_NE(first.baseline.y(), main.baseline.y());
    }
}

// An ISBN as people write it: with hyphens, with its X check, or whole with its 978 or 979
// prefix; each reads back as the one EAN-13 it stands for, never prefixed twice.
TEST(UpcEan, IsbnsAsTypedReadBackAsTheirEan)
{
    struct Case
    {
        int type;
        std::string typed;
        std::string ean;
    };
    const Case cases[] = {
        {BarcodeType::BooklandIsbn, "030640615", "9780306406157"},
        {BarcodeType::BooklandIsbn, "0306406152", "9780306406157"},
        {BarcodeType::BooklandIsbn, "0-306-40615-2", "9780306406157"},
        {BarcodeType::BooklandIsbn, "9780306406157", "9780306406157"},
        {BarcodeType::BooklandIsbn, "978-0-306-40615-7", "9780306406157"},
        {BarcodeType::BooklandIsbn, "978030640615", "9780306406157"},
        {BarcodeType::BooklandIsbn, "080442957X", "9780804429573"},
        {BarcodeType::BooklandIsbn, "0-8044-2957-x", "9780804429573"},
        {BarcodeType::BooklandIsbnPrefixed, "979-10-90636-07-1", "9791090636071"},
        {BarcodeType::BooklandIssn, "0317-847X", "9770317847001"},
    };
    for (const Case &c : cases) {
        TBarInfo info;
        info.type = int16_t(c.type);
        info.setData(c.typed);
        info.font = qmtest::testFont(8);
        const BooklandNumber number = booklandNumber(info);
        EXPECT_TRUE(number.valid) << c.typed;
        const auto decoded = bctest::decode(bctest::renderBarcode(info, QSizeF(), 8));
        ASSERT_TRUE(decoded.has_value()) << c.typed;
        EXPECT_EQ(decoded->text, c.ean) << c.typed;
    }
    // A 979 ISBN has no ten-digit form: its line shows it whole.
    TBarInfo isbn;
    isbn.type = BarcodeType::BooklandIsbn;
    isbn.setData("9791090636071");
    EXPECT_EQ(booklandText(isbn, 0).line, "ISBN  979-1-0906360-7-1");
}

// No data make no symbol: a code of zeros would scan as a real number.
TEST(UpcEan, EmptyDataMakeNoSymbol)
{
    for (int type : {BarcodeType::UpcA, BarcodeType::UpcE, BarcodeType::Ean13, BarcodeType::Ean8,
                     BarcodeType::BooklandIsbn, BarcodeType::BooklandIssn, BarcodeType::BooklandIsbnPrefixed,
                     BarcodeType::BooklandIsmn}) {
        TBarInfo info = bctest::moduleInfo(type, "");
        LinearDrawContext ctx;
        EXPECT_EQ(BarcodeRenderer::drawLinearBarcodeByType(info, ctx), 0) << type;
        EXPECT_FALSE(BarcodeRenderer::encodes(info)) << type;
        EXPECT_FALSE(BarcodeRenderer::dataProblem(info).isEmpty()) << type;
    }
}
