// Code 128 sets B (type 8), A (type 26) and C (type 27): symbol patterns against zint, the
// check character, validation, extent and text, and read-back through ZXing.
#include <gtest/gtest.h>

#include "barcodes/BarcodeTestSupport.h"
#include "common/TestSupport.h"

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/Code128.h"
#include "barcodes/LinearBarcodeKit.h"

#include <cmath>

using namespace quillmark;

namespace {

std::string drawnModules(int type, const std::string &data, bool check = true)
{
    TBarInfo info = bctest::moduleInfo(type, data);
    info.CheckSymb = check;
    LinearDrawContext ctx;
    EXPECT_EQ(code128Draw(info, ctx), 1) << data;
    return bctest::trimZeros(bctest::modulesOfBars(ctx.bars, 1.0));
}

std::string zintModules(const std::string &data)
{
    const auto rows = bctest::zintRows({"-b", "20", "-d", QString::fromStdString(data)});
    return rows.empty() ? std::string("zint failed") : rows.front();
}

} // namespace

TEST(Code128, SetBPatternsEqualZint)
{
    const std::vector<std::string> samples = {
        "ABC",
        "Hello, World!",
        "code-128 b",
        " !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~abc",
        "aBcDeFgHiJkLmNoPqRsTuVwXyZ",
        "0a1b2c3d4e5f6g7h8i9j",
        "a line of text that runs past forty characters",
    };
    for (const std::string &data : samples)
        EXPECT_EQ(drawnModules(BarcodeType::Code128B, data), zintModules(data)) << data;
}

TEST(Code128, SetCPatternsEqualZint)
{
    std::string pairs;
    for (int v = 0; v < 100; ++v) {
        pairs.push_back(char('0' + v / 10));
        pairs.push_back(char('0' + v % 10));
    }
    for (const std::string &data :
         {std::string("123456"), std::string("0000"), std::string("9999999999"), pairs.substr(0, 100), pairs.substr(100)})
        EXPECT_EQ(drawnModules(BarcodeType::Code128C, data), zintModules(data)) << data;
}

TEST(Code128, CheckCharacterOfABCIsOne)
{
    TBarInfo info = bctest::moduleInfo(BarcodeType::Code128B, "ABC");
    const std::vector<int> values = code128Values(info);
    ASSERT_EQ(values.size(), 6u);
    EXPECT_EQ(values[0], 104);
    EXPECT_EQ(values[4], 1);
    EXPECT_EQ(values[5], 106);
    EXPECT_EQ(code128Encode(info), std::string("\x88" "ABC!"));
}

TEST(Code128, SetCCheckIsWrittenAsTwoCharactersReadBackAsOnePair)
{
    // 123456: (105 + 12 + 2*34 + 3*56) mod 103 = 353 mod 103 = 44.
    TBarInfo info = bctest::moduleInfo(BarcodeType::Code128C, "123456");
    EXPECT_EQ(code128Encode(info), std::string("\x89" "12345644"));
    const std::vector<int> values = code128Values(info);
    EXPECT_EQ(values, (std::vector<int>{105, 12, 34, 56, 44, 106}));
}

TEST(Code128, ValidationByType)
{
    struct Case {
        int type;
        std::string data;
        bool valid;
    };
    const std::vector<Case> cases = {
        {BarcodeType::Code128C, "12345", false},
        {BarcodeType::Code128C, "123456", true},
        {BarcodeType::Code128C, "12a4", false},
        {BarcodeType::Code128B, "", false},
        {BarcodeType::Code128B, std::string(1, char(138)), false},
        {BarcodeType::Code128A, std::string(1, char(138)), false},
        {BarcodeType::Code128B, "caf\xc3\xa9", false},
        // Set B has no control characters and set A no small letters: they would scan as other text.
        {BarcodeType::Code128B, "A\tB", false},
        {BarcodeType::Code128A, "abc", false},
        {BarcodeType::Code128A, "ABC\t", true},
        {BarcodeType::Code128B, "abc", true},
        // A Code C switch inside set B data takes digit pairs only.
        {BarcodeType::Code128B, std::string("A") + char(131) + "12", true},
        {BarcodeType::Code128B, std::string("A") + char(131) + "1X", false},
        {BarcodeType::Code128B, std::string("A") + char(131) + "1", false},
    };
    for (const Case &c : cases) {
        const TBarInfo info = bctest::moduleInfo(c.type, c.data);
        EXPECT_EQ(code128Valid(info), c.valid) << c.type << " " << c.data;
        LinearDrawContext ctx;
        TBarInfo copy = info;
        EXPECT_EQ(code128Draw(copy, ctx), c.valid ? 1 : 0);
        if (!c.valid) {
            EXPECT_TRUE(ctx.bars.isEmpty());
        }
    }
}

TEST(Code128, TabInSetAIsValue73)
{
    const TBarInfo info = bctest::moduleInfo(BarcodeType::Code128A, "A\t");
    const std::vector<int> values = code128Values(info);
    ASSERT_GE(values.size(), 3u);
    EXPECT_EQ(values[2], 73);
}

TEST(Code128, WithoutCheckTheTextShowsEveryCharacter)
{
    TBarInfo info = bctest::moduleInfo(BarcodeType::Code128B, "ABC");
    info.CheckSymb = 0;
    EXPECT_EQ(code128Values(info).size(), 5u);
    info.HRT = 1;
    info.TextHeight = 0.1;
    LinearDrawContext ctx;
    ctx.font = qmtest::testFont(8);
    code128Extent(info, ctx);
    ASSERT_EQ(code128Draw(info, ctx), 1);
    ASSERT_EQ(ctx.textItems.size(), 3u);
    EXPECT_EQ(ctx.textItems[0].text, "A");
    EXPECT_EQ(ctx.textItems[2].text, "C");
}

TEST(Code128, ExtentCountsElevenModulesPerSymbolPlusTheFinalBar)
{
    LinearDrawContext ctx;
    TBarInfo info = bctest::moduleInfo(BarcodeType::Code128B, "ABC");
    code128Extent(info, ctx);
    // start, three characters, check and stop: 6 × 11 modules + 2.
    EXPECT_EQ(info.BarRect.left, -4);
    EXPECT_EQ(info.BarRect.top, -4);
    EXPECT_EQ(info.BarRect.right, 68 + 4);
    EXPECT_EQ(info.BarRect.bottom, 36 + 4);

    TBarInfo pairs = bctest::moduleInfo(BarcodeType::Code128C, "123456");
    code128Extent(pairs, ctx);
    EXPECT_EQ(pairs.BarRect.right, 6 * 11 + 2 + 4);
}

TEST(Code128, DrawnFourPointsRightOfAndBelowTheFrameOrigin)
{
    TBarInfo info;
    info.setData("ABC");
    LinearDrawContext drawn;
    BarcodeRenderer::drawBarcode(nullptr, QRectF(10, 20, 100, 50), info, {}, &drawn);
    const auto rects = bctest::barRects(drawn.bars);
    ASSERT_FALSE(rects.empty());
    EXPECT_DOUBLE_EQ(rects.front().left(), 14.0);
    EXPECT_DOUBLE_EQ(rects.front().top(), 24.0);
}

TEST(Code128, InvalidDataShowTheErrorTextCentredInTheExtent)
{
    TBarInfo info;
    info.type = BarcodeType::Code128C;
    info.setData("12345");
    LinearDrawContext drawn;
    const TBarInfo kept = BarcodeRenderer::drawBarcode(nullptr, QRectF(0, 0, 10, 10), info, {}, &drawn);
    EXPECT_TRUE(drawn.bars.isEmpty());
    ASSERT_EQ(drawn.textItems.size(), 1u);
    EXPECT_EQ(drawn.textItems[0].text, "even number of digits allowed");
    const double width = std::trunc(LinearDrawContext::textWidth("even number of digits allowed", drawn.messageFont));
    const int left = 0; // the extent is placed with its corner at the frame's origin
    const int expectedH = left + (kept.BarRect.width() - int(width)) / 2;
    EXPECT_DOUBLE_EQ(drawn.textItems[0].baseline.x(), expectedH);

    info.type = BarcodeType::Code128B;
    info.setData("A\x01");
    LinearDrawContext drawnB;
    BarcodeRenderer::drawBarcode(nullptr, QRectF(0, 0, 10, 10), info, {}, &drawnB);
    ASSERT_EQ(drawnB.textItems.size(), 1u);
    EXPECT_EQ(drawnB.textItems[0].text, "Code128 Incorrect Data");
}

TEST(Code128, SymbolsReadBackThroughZXing)
{
    struct Case {
        int type;
        std::string data;
    };
    const std::vector<Case> cases = {
        {BarcodeType::Code128B, "12345678912"},
        {BarcodeType::Code128B, "Quillmark 128"},
        {BarcodeType::Code128B, "a~b{c}d|e`f"},
        {BarcodeType::Code128A, "ABC-123"},
        {BarcodeType::Code128A, "TAB\tHERE"},
        {BarcodeType::Code128C, "0123456789"},
        {BarcodeType::Code128C, "99"},
    };
    for (const Case &c : cases) {
        TBarInfo info;
        info.type = int16_t(c.type);
        info.setData(c.data);
        const auto decoded = bctest::decode(bctest::renderBarcode(info, QSizeF(), 6));
        ASSERT_TRUE(decoded.has_value()) << c.data;
        EXPECT_EQ(decoded->format, "Code128");
        EXPECT_EQ(decoded->bytes, c.data);
    }
}
