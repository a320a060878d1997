// POSTNET: full and half bars against zint, digit counts, extent and the error text.
#include <gtest/gtest.h>

#include "barcodes/BarcodeTestSupport.h"

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/LinearBarcodeKit.h"
#include "barcodes/Postnet.h"

using namespace quillmark;

namespace {

// '1' for each full bar, '0' for each half bar, left to right.
std::string drawnBars(const std::string &data, LinearDrawContext &ctx)
{
    TBarInfo info = bctest::moduleInfo(BarcodeType::Postnet, data);
    EXPECT_EQ(postnetDraw(info, ctx), 1);
    std::string bars;
    for (const QRectF &r : bctest::barRects(ctx.bars))
        bars.push_back(r.top() < 1.0 ? '1' : '0');
    return bars;
}

} // namespace

TEST(Postnet, FullAndHalfBarsEqualZint)
{
    for (const std::string data : {"12345", "123456789", "12345678901", "00000", "99999"}) {
        LinearDrawContext ctx;
        const std::string bars = drawnBars(data, ctx);
        const auto rows = bctest::zintRows({"-b", "40", "-d", QString::fromStdString(data)});
        ASSERT_EQ(rows.size(), 2u);
        std::string tall;
        for (size_t i = 0; i < rows[1].size(); i += 2)
            tall.push_back(i < rows[0].size() ? rows[0][i] : '0');
        EXPECT_EQ(bars, tall) << data;
    }
}

TEST(Postnet, GeometryAndCounts)
{
    LinearDrawContext ctx;
    const std::string bars = drawnBars("12345", ctx);
    EXPECT_EQ(bars.size(), 32u);
    const auto rects = bctest::barRects(ctx.bars);
    EXPECT_NEAR(rects[0].width(), 0.02 * 72, 1e-9);
    EXPECT_NEAR(rects[1].left() - rects[0].left(), 0.0475 * 72, 1e-9);
    EXPECT_NEAR(rects[0].height(), 0.125 * 72, 1e-9);
    EXPECT_NEAR(rects[2].top(), 0.075 * 72, 1e-9);

    LinearDrawContext ctx11;
    EXPECT_EQ(drawnBars("123-45678901", ctx11).size(), 62u);
}

TEST(Postnet, DigitCountsAndExtent)
{
    EXPECT_TRUE(PostnetDigitCountValid("12345-6789"));
    EXPECT_TRUE(PostnetDigitCountValid("12345678901"));
    EXPECT_FALSE(PostnetDigitCountValid("1234"));
    EXPECT_FALSE(PostnetDigitCountValid("123456"));

    LinearDrawContext ctx;
    TBarInfo info = bctest::moduleInfo(BarcodeType::Postnet, "12345");
    postnetExtent(info, ctx);
    // 0.0475 × 30 × 72 + 4.86 = 107.46 points, margins of 4 and a half point rounding up.
    EXPECT_EQ(info.BarRect.left, -4);
    EXPECT_EQ(info.BarRect.top, -4);
    EXPECT_EQ(info.BarRect.right, 111);
    EXPECT_EQ(info.BarRect.bottom, 13);

    for (const std::string bad : {"1234", "123456"}) {
        TBarInfo invalid;
        invalid.type = BarcodeType::Postnet;
        invalid.setData(bad);
        LinearDrawContext drawn;
        BarcodeRenderer::drawBarcode(nullptr, QRectF(0, 0, 50, 20), invalid, {}, &drawn);
        EXPECT_TRUE(drawn.bars.isEmpty());
        ASSERT_EQ(drawn.textItems.size(), 1u);
        EXPECT_EQ(drawn.textItems[0].text, "5, 9 or 11 digits allowed");
    }
}
