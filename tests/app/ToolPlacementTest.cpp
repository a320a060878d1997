// Objects placed by a click with a tool of the tool bar: a barcode takes its symbol's
// natural size at once as one "Create Object" step and shows; a merge-field pair hands the
// canvas back to the select tool, and its hidden title is neither hit by a click nor
// caught by the band.
#include <gtest/gtest.h>

#include <QImage>

#include "app/AppTestSupport.h"
#include "barcodes/ColorBarcode.h"

using namespace quillmark;

namespace {

class ToolPlacement : public ::testing::Test
{
protected:
    ToolPlacement() : f(QStringLiteral("tool-placement")) {}

    // The count of dark pixels of the canvas as shown, inside a page rectangle.
    int darkPixelsIn(const QRectF &page)
    {
        const QImage shown = apptest::grabDrawn(f.canvas());
        const QRect area = f.canvas()->pageToWidget().mapRect(page).toAlignedRect() & shown.rect();
        int dark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                dark += qGray(shown.pixel(x, y)) < 80 ? 1 : 0;
        return dark;
    }

    apptest::WindowFixture f;
};

TEST_F(ToolPlacement, ABarcodeTakesItsNaturalSizeInOneStep)
{
    f.tool(RectsView::BarcodeTool)->trigger();
    f.click(QPointF(12, 10));
    ASSERT_EQ(f.canvas()->getRects().size(), 1);
    const GraphicPtr placed = f.canvas()->getRects().first();
    ASSERT_EQ(placed->className(), QStringLiteral("ColorBarcode"));
    const QRectF frame = placed->frameBounds();
    EXPECT_EQ(frame.topLeft(), QPointF(12, 10));
    // Code 128 of "12345678912" with its text under 0.4 inch of bars.
    EXPECT_GT(frame.width(), 72.0);
    EXPECT_GT(frame.height(), 0.4 * 72.0);
    EXPECT_EQ(f.canvas()->getCurrToolClass(), RectsView::SelectTool);
    EXPECT_TRUE(f.canvas()->isSelected(placed.get()));
    EXPECT_GT(darkPixelsIn(frame), 200) << "the bars show";

    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Create Object"));
    undo->trigger();
    apptest::settle();
    EXPECT_TRUE(f.canvas()->getRects().isEmpty());
    EXPECT_FALSE(f.canvas()->undoManager()->canUndo());
}

TEST_F(ToolPlacement, SquareSymbolsTakeTheirDefaultSide)
{
    for (int type : {22, 25}) { // Data Matrix, QR Code
        UserDefaults::standard().setInteger(type, QStringLiteral("BarcodeType"));
        f.tool(RectsView::BarcodeTool)->trigger();
        f.click(QPointF(20, 5));
        const GraphicPtr placed = f.canvas()->getRects().last();
        auto *barcode = dynamic_cast<ColorBarcode *>(placed.get());
        ASSERT_NE(barcode, nullptr);
        EXPECT_EQ(barcode->getBarInfo().type, type);
        EXPECT_EQ(placed->frameBounds(), QRectF(20, 5, 60, 60)) << type;
        EXPECT_GT(darkPixelsIn(placed->frameBounds()), 200) << type;
    }
}

TEST_F(ToolPlacement, AMergeFieldPairReturnsToTheSelectTool)
{
    // The item chosen in the field tool's menu: "Full Name".
    f.canvas()->addFieldType(100);
    f.click(QPointF(60, 20));
    EXPECT_EQ(f.canvas()->getRects().size(), 2);
    EXPECT_EQ(f.canvas()->getCurrToolClass(), RectsView::SelectTool);
    EXPECT_TRUE(f.tool(RectsView::SelectTool)->isChecked());

    // The canvas answers clicks again: beside the pair clears, on it selects.
    f.click(QPointF(170, 65));
    EXPECT_TRUE(f.canvas()->selectedObjects().isEmpty());
    const QPointF onPair = f.canvas()->getRects().last()->frameBounds().center();
    f.click(onPair);
    EXPECT_EQ(f.canvas()->selectedObjects().size(), 2);
    EXPECT_EQ(f.canvas()->getRects().size(), 2);
}

TEST_F(ToolPlacement, AHiddenFieldTitleIsNeitherHitNorCaught)
{
    // A pair placed by the field tool shows its value alone: the title member is there but hidden.
    f.canvas()->addFieldType(100);
    f.click(QPointF(60, 20));
    ASSERT_EQ(f.canvas()->getRects().size(), 2);
    const GraphicPtr title = f.canvas()->getRects().first();
    const GraphicPtr value = f.canvas()->getRects().last();
    ASSERT_TRUE(title->isHidden());
    ASSERT_FALSE(value->isHidden());
    const QRectF titleFrame = title->frameBounds();
    // The two meet at their insets: the title's own part lies left of the value's drawing.
    const double valueLeft = value->drawingBounds().left();
    ASSERT_GT(valueLeft - titleFrame.left(), 4.0);
    const QPointF onTitleAlone((titleFrame.left() + valueLeft) / 2.0, titleFrame.center().y());
    f.click(QPointF(170, 65));
    ASSERT_TRUE(f.canvas()->selectedObjects().isEmpty());

    // A click where only the hidden title lies finds nothing.
    f.click(onTitleAlone);
    EXPECT_TRUE(f.canvas()->selectedObjects().isEmpty());
    EXPECT_EQ(f.canvas()->objectUnderPoint(onTitleAlone), nullptr);

    // Nor does the band drawn round it alone.
    f.dragFromTo(titleFrame.topLeft() - QPointF(3, 3), QPointF(valueLeft - 1, titleFrame.bottom() + 3));
    EXPECT_TRUE(f.canvas()->selectedObjects().isEmpty());

    // The band over the value takes the pair.
    const QRectF valueFrame = value->frameBounds();
    f.dragFromTo(valueFrame.bottomRight() + QPointF(3, 3), valueFrame.center());
    EXPECT_EQ(f.canvas()->selectedObjects().size(), 2);
}

} // namespace
