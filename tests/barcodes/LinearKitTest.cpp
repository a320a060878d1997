// The shared linear kit: element widths, guard, digit and add-on bars, the text line, and the
// drawing dispatch of types without an encoder.
#include <gtest/gtest.h>

#include "barcodes/BarcodeTestSupport.h"
#include "common/TestSupport.h"

#include "barcodes/BarcodeMessages.h"
#include "barcodes/BarcodeRenderer.h"
#include "barcodes/LinearBarcodeKit.h"
#include "barcodes/LinearDrawContext.h"

#include <QPainterPath>
#include <QRandomGenerator>

using namespace quillmark;

TEST(LinearKit, ZeroBarHeightDrawsNoBarsAndGuardsDoNotAdvance)
{
    TBarInfo info = bctest::moduleInfo(BarcodeType::Ean13, "400638133393");
    info.barH = 0;
    LinearDrawContext ctx;
    BarPosition pos{0, 5};
    drawUpcEanGuardBars(ctx, pos, info, 2);
    EXPECT_EQ(pos.x, 5);
    drawUpcEanDigitBars(ctx, pos, 3, info, SetL, false, false);
    drawUpcEanAddOn(ctx, pos, info, "12");
    EXPECT_EQ(pos.x, 5);
    EXPECT_TRUE(ctx.bars.isEmpty());
}

TEST(LinearKit, DigitWithoutHeightLeftAfterTheTextDropDrawsNothing)
{
    TBarInfo info = bctest::moduleInfo(BarcodeType::Ean13, "1");
    info.barH = 0.1;
    LinearDrawContext ctx;
    ctx.textDrop = 0.2;
    BarPosition pos{0, 0};
    drawUpcEanDigitBars(ctx, pos, 3, info, SetL, false, true);
    EXPECT_EQ(pos.x, 0);
    EXPECT_TRUE(ctx.bars.isEmpty());
    drawUpcEanDigitBars(ctx, pos, 3, info, SetL, false, false);
    EXPECT_EQ(pos.x, 7);
}

TEST(LinearKit, WidthAdjustmentMovesInkWithoutChangingTheLength)
{
    TBarInfo plain = bctest::moduleInfo(BarcodeType::Ean13, "");
    TBarInfo adjusted = plain;
    adjusted.barW = 1.25;
    adjusted.spaceW = 0.75;
    for (int digit = 0; digit < 10; ++digit) {
        for (UpcEanSet set : {SetL, SetG, SetR}) {
            LinearDrawContext a;
            LinearDrawContext b;
            BarPosition pa{0, 0};
            BarPosition pb{0, 0};
            drawUpcEanDigitBars(a, pa, digit, plain, set, false, false);
            drawUpcEanDigitBars(b, pb, digit, adjusted, set, false, false);
            EXPECT_DOUBLE_EQ(pa.x, 7.0);
            EXPECT_DOUBLE_EQ(pb.x, 7.0);
            EXPECT_GT(b.bars.boundingRect().width(), 0);
        }
    }
    EXPECT_DOUBLE_EQ(barElementWidth(adjusted, 3), 1.25 + 2);
    EXPECT_DOUBLE_EQ(spaceElementWidth(adjusted, 3), 0.75 + 2);
}

TEST(LinearKit, TextLineWithOneCharacterStartsAtThePoint)
{
    TBarInfo info = bctest::moduleInfo(BarcodeType::Code128B, "A");
    info.pt = {10, 30};
    info.BarRect = {-4, -4, 40, 80};
    LinearDrawContext ctx;
    ctx.font = qmtest::testFont(8);
    drawBarcodeTextLine(ctx, info, "A");
    ASSERT_EQ(ctx.textItems.size(), 1u);
    EXPECT_DOUBLE_EQ(ctx.textItems[0].baseline.x(), 30.0);

    drawBarcodeTextLine(ctx, info, "ABC");
    ASSERT_EQ(ctx.textItems.size(), 4u);
    const double last = ctx.textItems[3].baseline.x() + LinearDrawContext::textWidth("C", ctx.font);
    EXPECT_NEAR(last, 30.0 + 84 - 8, 0.5); // spread over the extent less r/9 (kerning aside)
}

TEST(LinearKit, TypesWithoutAnEncoderDrawNothingAndShowNoMessage)
{
    for (int type : {2, 6, 7, 15, 16, 20, 23, 24}) {
        TBarInfo info;
        info.type = int16_t(type);
        info.BarRect = {0, 0, 30, 90};
        LinearDrawContext drawn;
        const TBarInfo kept = BarcodeRenderer::drawBarcode(nullptr, QRectF(0, 0, 90, 30), info, {}, &drawn);
        EXPECT_TRUE(drawn.bars.isEmpty()) << type;
        EXPECT_TRUE(drawn.textItems.empty()) << type;
        EXPECT_EQ(kept.BarRect, info.BarRect);
    }
}

TEST(LinearKit, FrameOfTheDefaultBarcodeIsTheCode128Extent)
{
    const TBarInfo info;
    EXPECT_EQ(info.type, BarcodeType::Code128B);
    EXPECT_EQ(info.BarStr, "12345678912");
    const ShortRect extent = BarcodeRenderer::frameExtent(info, QSizeF(10, 10));
    // 14 symbols of 11 modules and the final bar, at 9/13.888 points per module.
    const double m = 9.0 / (1000.0 / 72.0);
    EXPECT_EQ(extent.right, int((2 + 14 * 11) * m + 4));
    EXPECT_EQ(extent.bottom, int(0.4 * 72 + 4));

    LinearDrawContext ctx;
    const TBarInfo working = BarcodeRenderer::workingMetrics(info, ctx);
    EXPECT_NEAR(working.barW, 0.504, 1e-3);
    EXPECT_NEAR(working.spaceW, 0.792, 1e-3);
    TBarInfo gap = info;
    gap.chargap = 2;
    EXPECT_NEAR(BarcodeRenderer::workingMetrics(gap, ctx).chargap, 0.972, 1e-3);
}

TEST(LinearKit, SquareSymbolsKeepASquareFrame)
{
    TBarInfo info;
    info.type = BarcodeType::QRCode;
    EXPECT_EQ(BarcodeRenderer::frameExtent(info, QSizeF(80, 80)).width(), 80);
    EXPECT_EQ(BarcodeRenderer::frameExtent(info, QSizeF(80, 50)).width(), 60);
    info.type = BarcodeType::DataMatrix;
    EXPECT_EQ(BarcodeRenderer::frameExtent(info, QSizeF(0, 0)).height(), 60);
}

TEST(LinearKit, LongDataAreCutOnACharacterBoundary)
{
    TBarInfo info;
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "\xc3\xa9"; // é
    info.setData(text);
    EXPECT_EQ(info.strlength(), 4094);
    EXPECT_EQ(info.shortData().size(), 254u);
    EXPECT_EQ(truncateUtf8Bytes("a\xe2\x82\xac", 3), "a");
}

TEST(LinearKit, MessageTablesByType)
{
    const std::vector<std::pair<int, std::string>> errors = {
        {1, "5, 9 or 11 digits allowed"}, {3, ""}, {8, "Code128 Incorrect Data"},
        {10, "6, 8 or 11 digits allowed"}, {18, "Code93 Incorrect Data "}, {22, "Incorrect Data"},
        {24, "values between 3 and 131070 allowed"}, {26, "Code128 Incorrect Data"},
        {27, "even number of digits allowed"}, {28, "9, 11 or 14 digits allowed"},
        {30, "Enter data in (00)12345678 format"}, {0, ""}, {31, ""},
    };
    for (const auto &[type, text] : errors)
        EXPECT_EQ(barcodeErrorMessage(type), text) << type;
    EXPECT_EQ(barcodeInputHint(2), " up to 20 symbols allowed");
    EXPECT_EQ(barcodeInputHint(21), "13 digits required");
    EXPECT_EQ(barcodeInputHint(22), "");
}

// The text under the bars is made from outlines kept per string and moved to each baseline.
// Moved, they must be what Qt itself makes at that baseline, element for element and bit for
// bit (a curve's control point rounded otherwise changes edge pixels): every printable ASCII
// character and a few data strings, in several fonts and styles, at baselines from far left
// to far right, fractional and negative, drawn twice so that the second comes from the kept
// outline. Strings that cannot be moved exactly (right to left, underlined) still come out as
// Qt makes them.
TEST(LinearKit, TextUnderTheBarsIsExactlyWhatQtDrawsAtEachBaseline)
{
    QList<QFont> fonts{TBarInfo::defaultFont(), LinearDrawContext::systemFont(9.0)};
    QFont bold = TBarInfo::defaultFont();
    bold.setBold(true);
    bold.setPointSizeF(13.7);
    QFont italic = LinearDrawContext::systemFont(11.0);
    italic.setItalic(true);
    QFont underlined = TBarInfo::defaultFont();
    underlined.setUnderline(true);
    fonts << bold << italic << underlined;
    QStringList strings{QStringLiteral("QM000123"), QStringLiteral("12345678912"), QStringLiteral("(01)0950"),
                        QString::fromUtf8("\u05E9\u05DC\u05D5\u05DD"), QString::fromUtf8("\u00E9t\u00E9 \u00C5")};
    for (char c = 0x20; c < 0x7F; ++c)
        strings.append(QString(QLatin1Char(c)));
    QRandomGenerator random(55);
    QList<QPointF> baselines{QPointF(0, 0), QPointF(0.5, 0.5), QPointF(-0.0078125, 0.01), QPointF(-37.3, -2.25),
                             QPointF(511.99, 767.999), QPointF(1e5 + 0.3, 3.0 / 7.0)};
    for (int i = 0; i < 40; ++i)
        baselines.append(QPointF(random.bounded(2000.0) - 500.0, random.bounded(1500.0) - 300.0));
    int curves = 0;
    for (const QFont &font : fonts) {
        for (const QString &string : strings) {
            for (int pass = 0; pass < 2; ++pass) {
                for (const QPointF &baseline : baselines) {
                    LinearDrawContext ctx;
                    ctx.addText(baseline, string, font);
                    QPainterPath qt;
                    qt.addText(baseline, LinearDrawContext::fontAt72(font), string);
                    QPainterPath expected;
                    expected.setFillRule(Qt::WindingFill);
                    expected.addPath(qt);
                    const QString where = QStringLiteral("%1 %2 \"%3\" at %4, %5")
                                              .arg(font.family()).arg(font.pointSizeF()).arg(string)
                                              .arg(baseline.x(), 0, 'g', 17).arg(baseline.y(), 0, 'g', 17);
                    ASSERT_EQ(ctx.text.elementCount(), expected.elementCount()) << where.toStdString();
                    for (int e = 0; e < expected.elementCount(); ++e) {
                        const QPainterPath::Element a = ctx.text.elementAt(e);
                        const QPainterPath::Element b = expected.elementAt(e);
                        ASSERT_EQ(a.type, b.type) << where.toStdString() << " element " << e;
                        ASSERT_EQ(a.x, b.x) << where.toStdString() << " element " << e;
                        ASSERT_EQ(a.y, b.y) << where.toStdString() << " element " << e;
                        curves += a.type == QPainterPath::CurveToElement;
                    }
                    EXPECT_EQ(ctx.text.fillRule(), Qt::WindingFill);
                }
            }
        }
    }
    EXPECT_GT(curves, 1000) << "the fonts' outlines have curves to check";
}
