// The barcode object's data: its defaults, the frame that follows the symbol's extent, knob
// dragging of the square symbologies, scaling, the record setters and their undo.
#include <gtest/gtest.h>

#include <QTransform>

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/ColorBarcode.h"
#include "common/TestSupport.h"
#include "objects/FakeCanvas.h"
#include "platform/Modifiers.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

QSizeF extentSize(const TBarInfo &info, const QSizeF &frame = QSizeF())
{
    const ShortRect r = BarcodeRenderer::frameExtent(info, frame);
    return QSizeF(r.width(), r.height());
}

std::shared_ptr<ColorBarcode> squareBarcode(int type, const QRectF &frame)
{
    auto barcode = ColorBarcode::create();
    TBarInfo info = barcode->getBarInfo();
    info.type = int16_t(type);
    info.BarStr = "square";
    barcode->setBarInfo(info);
    barcode->setFrameBounds(frame);
    barcode->updateframeSize();
    return barcode;
}

QPointF turned(const QRectF &frame, double degrees, const QPointF &point)
{
    QTransform t;
    t.translate(frame.center().x(), frame.center().y());
    t.rotate(degrees);
    t.translate(-frame.center().x(), -frame.center().y());
    return t.map(point);
}

} // namespace

TEST(ColorBarcode, NewBarcodeIsCode128WithTheDefaultRecord)
{
    auto barcode = ColorBarcode::create(QRectF(15, 25, 0, 0));
    const TBarInfo info = barcode->getBarInfo();
    EXPECT_EQ(info.type, BarcodeType::Code128B);
    EXPECT_EQ(barcode->getBarcodeString(), "12345678912");
    EXPECT_DOUBLE_EQ(info.barH, 0.4);
    EXPECT_DOUBLE_EQ(info.barW, 9.0);
    EXPECT_DOUBLE_EQ(info.spaceW, 9.0);
    EXPECT_DOUBLE_EQ(info.widthAdjust, -2.0);
    EXPECT_FALSE(barcode->isDrawBarcode());
    EXPECT_FALSE(barcode->drawsFill());
    EXPECT_FALSE(barcode->drawsStroke());
    EXPECT_FALSE(barcode->canStroke());
    EXPECT_FALSE(barcode->drawsImage());
    EXPECT_FALSE(barcode->isResizable());
    EXPECT_FALSE(barcode->isSeqActive());

    // The frame is the Code 128 extent at 72 per inch, from the origin given.
    const QSizeF extent = extentSize(TBarInfo());
    EXPECT_GT(extent.width(), extent.height());
    EXPECT_GT(extent.height(), 0.4 * 72 - 1);
    EXPECT_EQ(barcode->frameBounds(), QRectF(QPointF(15, 25), extent));
    EXPECT_DOUBLE_EQ(barcode->barHeight(), extent.height());
}

TEST(ColorBarcode, FrameFollowsTheExtentAfterEveryRecordChange)
{
    auto barcode = ColorBarcode::create(QRectF(40, 50, 10, 10));
    const double before = barcode->frameBounds().width();
    TBarInfo info = barcode->getBarInfo();
    info.BarStr = "12345678912345678912";
    barcode->setBarInfo(info);
    EXPECT_GT(barcode->frameBounds().width(), before);
    EXPECT_EQ(barcode->frameBounds().topLeft(), QPointF(40, 50));
    EXPECT_EQ(barcode->frameBounds().size(), extentSize(barcode->getBarInfo()));

    info.barH = 1.0;
    barcode->setBarInfo(info);
    EXPECT_EQ(barcode->frameBounds().size(), extentSize(barcode->getBarInfo()));
    EXPECT_GT(barcode->frameBounds().height(), 72 - 1);

    // Changing the type or metrics keeps the font: the copy's font is not taken.
    const QFont font = barcode->getFont();
    info.font = qmtest::testFont(30);
    info.type = BarcodeType::UpcA;
    barcode->setBarInfo(info);
    EXPECT_EQ(barcode->getFont(), font);
    EXPECT_EQ(barcode->getBarInfo().type, BarcodeType::UpcA);
}

TEST(ColorBarcode, SquareSymbolsKeepASquareFrameElseSixtyPoints)
{
    for (int type : {int(BarcodeType::QRCode), int(BarcodeType::DataMatrix)}) {
        auto square = squareBarcode(type, QRectF(0, 0, 80, 80));
        EXPECT_EQ(square->frameBounds(), QRectF(0, 0, 80, 80)) << type;
        EXPECT_TRUE(square->isResizable());
        EXPECT_TRUE(square->fixRatio());

        auto oblong = squareBarcode(type, QRectF(5, 5, 80, 50));
        EXPECT_EQ(oblong->frameBounds(), QRectF(5, 5, 60, 60)) << type;
    }
}

TEST(ColorBarcode, IsmnSymbolGetsItsOwnExtent)
{
    auto barcode = ColorBarcode::create(QRectF(0, 0, 0, 0));
    TBarInfo info = barcode->getBarInfo();
    info.type = BarcodeType::BooklandIsbn;
    info.BarStr = "979000000000";
    barcode->setBarInfo(info);
    const QRectF isbnFrame = barcode->frameBounds();
    info.type = BarcodeType::Code128B;
    barcode->setBarInfo(info);
    ASSERT_NE(barcode->frameBounds(), isbnFrame);

    // Not the extent of whatever symbol came before.
    info.type = BarcodeType::BooklandIsmn;
    barcode->setBarInfo(info);
    EXPECT_EQ(barcode->frameBounds().size(), extentSize(barcode->getBarInfo()));
    EXPECT_EQ(barcode->frameBounds().height(), isbnFrame.height());
    EXPECT_GE(barcode->frameBounds().width(), isbnFrame.width());
}

TEST(ColorBarcode, MetricsConvertFromMilsToPoints)
{
    TBarInfo info;
    info.chargap = 2;
    LinearDrawContext ctx;
    const TBarInfo working = BarcodeRenderer::workingMetrics(info, ctx);
    EXPECT_NEAR(working.barW, 0.504, 1e-9);
    EXPECT_NEAR(working.spaceW, 0.792, 1e-9);
    EXPECT_NEAR(working.chargap, 0.972, 1e-9);
}

TEST(ColorBarcode, KnobDragsOfSquareSymbols)
{
    struct Case
    {
        const char *label;
        int knob;
        QPointF to;
        QRectF frame;
        int knobAfter;
    };
    // 80 by 80 at (100, 100): the ratio is kept from the old frame.
    const Case cases[] = {
        {"bottom-right corner", 8, {200, 150}, {100, 100, 100, 100}, 8},
        {"top edge keeps the horizontal centre", 2, {130, 60}, {80, 60, 120, 120}, 2},
        {"top-left corner keeps the bottom edge", 1, {120, 130}, {120, 120, 60, 60}, 1},
        {"right edge keeps the top", 5, {150, 300}, {100, 100, 50, 50}, 5},
        {"right edge across the left flips", 5, {60, 140}, {60, 100, 40, 40}, 4},
        {"bottom edge across the top flips", 7, {140, 70}, {125, 70, 30, 30}, 2},
    };
    for (const Case &c : cases) {
        auto barcode = squareBarcode(BarcodeType::QRCode, QRectF(100, 100, 80, 80));
        const bool flipH = barcode->flipHor();
        const bool flipV = barcode->flipVert();
        EXPECT_EQ(barcode->resizeByMovingKnob(c.knob, c.to, 0), c.knobAfter) << c.label;
        EXPECT_EQ(barcode->frameBounds(), c.frame) << c.label;
        EXPECT_EQ(barcode->flipHor() != flipH || barcode->flipVert() != flipV, c.knob != c.knobAfter) << c.label;
    }
}

TEST(ColorBarcode, KnobDragIgnoresModifiersAndFollowsTheStoredRatioFlag)
{
    auto barcode = squareBarcode(BarcodeType::DataMatrix, QRectF(100, 100, 80, 80));
    barcode->resizeByMovingKnob(8, QPointF(200, 150), ShiftKeyMask | AlternateKeyMask);
    EXPECT_EQ(barcode->frameBounds(), QRectF(100, 100, 100, 100));

    // A document that switched the ratio off drags freely.
    auto free = squareBarcode(BarcodeType::DataMatrix, QRectF(100, 100, 80, 80));
    QVariantMap dict = free->propertyListRepresentation();
    dict.insert("FixedRatio", "NO");
    free->loadPropertyListRepresentation(dict);
    free->resizeByMovingKnob(8, QPointF(200, 150), 0);
    EXPECT_EQ(free->frameBounds(), QRectF(100, 100, 100, 50));

    // Linear symbols have no knob drag.
    auto linear = ColorBarcode::create(QRectF(10, 10, 0, 0));
    const QRectF frame = linear->frameBounds();
    EXPECT_EQ(linear->resizeByMovingKnob(8, QPointF(400, 400), 0), 8);
    EXPECT_EQ(linear->frameBounds(), frame);
}

TEST(ColorBarcode, RotatedKnobDragKeepsTheOppositeCornerOnThePage)
{
    auto barcode = squareBarcode(BarcodeType::QRCode, QRectF(100, 100, 80, 80));
    barcode->setAngle(90, false);
    const QRectF before = barcode->frameBounds();
    const QPointF anchorBefore = turned(before, 90, before.topLeft());
    // The knob-8 corner of the turned frame moved 20 points outwards along both sides.
    const QPointF target = turned(before, 90, QPointF(200, 200));
    EXPECT_EQ(barcode->resizeByMovingKnob(8, target, 0), 8);
    const QRectF after = barcode->frameBounds();
    EXPECT_NEAR(after.width(), 100, 1e-9);
    EXPECT_NEAR(after.height(), 100, 1e-9);
    const QPointF anchorAfter = turned(after, 90, after.topLeft());
    EXPECT_NEAR(anchorAfter.x(), anchorBefore.x(), 1e-9);
    EXPECT_NEAR(anchorAfter.y(), anchorBefore.y(), 1e-9);
}

TEST(ColorBarcode, ScalingScalesMetricsByTheirAxis)
{
    auto barcode = ColorBarcode::create(QRectF(10, 10, 0, 0));
    const TBarInfo before = barcode->getBarInfo();
    barcode->scaleByX(2, 1);
    TBarInfo after = barcode->getBarInfo();
    EXPECT_DOUBLE_EQ(after.barW, 2 * before.barW);
    EXPECT_DOUBLE_EQ(after.spaceW, 2 * before.spaceW);
    EXPECT_DOUBLE_EQ(after.chargap, 2 * before.chargap);
    EXPECT_DOUBLE_EQ(after.widthAdjust, 2 * before.widthAdjust);
    EXPECT_DOUBLE_EQ(after.barH, before.barH);
    EXPECT_DOUBLE_EQ(after.font.pointSizeF(), before.font.pointSizeF());

    barcode->scaleByX(1, 1.5);
    after = barcode->getBarInfo();
    EXPECT_DOUBLE_EQ(after.barH, 1.5 * before.barH);
    EXPECT_DOUBLE_EQ(after.font.pointSizeF(), 1.5 * before.font.pointSizeF());
    EXPECT_DOUBLE_EQ(after.barW, 2 * before.barW);
}

TEST(ColorBarcode, SettersAndTheirUndo)
{
    qmtest::FakeCanvas canvas;
    auto barcode = ColorBarcode::create(QRectF(10, 10, 0, 0));
    barcode->setMainView(&canvas);

    // The inspector's record edits register nothing.
    TBarInfo info = barcode->getBarInfo();
    info.BarStr = "XYZ";
    barcode->setBarInfo(info);
    EXPECT_FALSE(canvas.undo.canUndo());
    EXPECT_FALSE(canvas.invalidated.isEmpty());

    barcode->setTextColor(Qt::red);
    canvas.undo.closeEventGroup();
    EXPECT_EQ(barcode->textColor(), QColor(Qt::red));
    EXPECT_EQ(barcode->strokeColor(), QColor(Qt::red));
    EXPECT_EQ(canvas.undo.undoActionName(), "Stroke Color Change");
    canvas.undo.undo();
    EXPECT_EQ(barcode->textColor(), QColor(Qt::black));
    canvas.undo.redo();
    EXPECT_EQ(barcode->textColor(), QColor(Qt::red));

    barcode->setTextAttributes({{"ForegroundColor", QColor(Qt::blue)}});
    EXPECT_EQ(barcode->textAttributes().value("ForegroundColor").value<QColor>(), QColor(Qt::blue));
    barcode->setTextAttributes({{"Other", 1}});
    EXPECT_EQ(barcode->textColor(), QColor(Qt::blue));

    // The font panel's font resizes the frame to the text; a null font is ignored.
    info.type = BarcodeType::UpcA;
    info.BarStr = "03600029145";
    barcode->setBarInfo(info);
    const QRectF frame = barcode->frameBounds();
    barcode->setFont(qmtest::testFont(20));
    EXPECT_NE(barcode->frameBounds(), frame);
    EXPECT_EQ(barcode->frameBounds().size(), extentSize(barcode->getBarInfo()));
    barcode->setSFont(nullptr);
    EXPECT_DOUBLE_EQ(barcode->getFont().pointSizeF(), 20);

    // Mirrors and scale-with-box do nothing on a barcode.
    barcode->setScaleWithBox(true);
    EXPECT_FALSE(barcode->isScaleWithBox());
    barcode->setFixRatio(false);
    EXPECT_TRUE(barcode->canFixRatio());
}

TEST(ColorBarcode, NumberingValuesOfMakeSeqBarData)
{
    auto barcode = ColorBarcode::create(QRectF(0, 0, 0, 0));
    TSequence sequence;
    sequence.isPresent = 1;
    sequence.counter = "5";
    sequence.repeat = 0;
    barcode->setSequenceInfo(sequence);
    // A repeat below 1 counts as 1.
    ASSERT_TRUE(barcode->makeSeqBarData(0));
    EXPECT_EQ(barcode->getBarcodeString(), "5");
    ASSERT_TRUE(barcode->makeSeqBarData(1));
    EXPECT_EQ(barcode->getBarcodeString(), "6");
    sequence.repeat = -3;
    barcode->setSequenceInfo(sequence);
    ASSERT_TRUE(barcode->makeSeqBarData(2));
    EXPECT_EQ(barcode->getBarcodeString(), "7");
    EXPECT_EQ(barcode->frameBounds().size(), extentSize(barcode->getBarInfo()));

    // Numbering off or an empty start leave the data.
    sequence.counter.clear();
    barcode->setSequenceInfo(sequence);
    ASSERT_TRUE(barcode->makeSeqBarData(9));
    EXPECT_EQ(barcode->getBarcodeString(), "7");
}

TEST(ColorBarcode, ACopyShowsTheSameSymbol)
{
    auto barcode = squareBarcode(BarcodeType::QRCode, QRectF(30, 40, 90, 90));
    barcode->setDrawBarcode(true);
    barcode->setFont(qmtest::testFont(13));
    TSequence sequence;
    sequence.isPresent = 1;
    sequence.counter = "100";
    barcode->setSequenceInfo(sequence);

    auto copy = std::dynamic_pointer_cast<ColorBarcode>(barcode->copy());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->getBarInfo().type, BarcodeType::QRCode);
    EXPECT_EQ(copy->getBarcodeString(), "square");
    EXPECT_EQ(copy->getFont(), barcode->getFont());
    EXPECT_EQ(copy->getSequenceInfo().counter, "100");
    EXPECT_TRUE(copy->isDrawBarcode());
    EXPECT_EQ(copy->frameBounds(), QRectF(30, 40, 90, 90));
}
