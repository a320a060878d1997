// Snapping and guides: the grid's edge snap and its tolerance of 10 screen points, the label
// outline first and without a guide, the other graphics and groups of the layer with guides
// (first catch wins), what never attracts, and the dashed guides; then moves on the canvas
// with the mouse at 200 %, where an edge 4 points away snaps and one 6 points away does not.
#include <gtest/gtest.h>

#include <QPainter>

#include "app/AllKinds.h"
#include "canvas/RulerCanvasSupport.h"
#include "canvas/TGrid.h"
#include "objects/Group.h"

using namespace quillmark;
using canvastest::RulerCanvas;

namespace {

class GridTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        registerAllKinds();
    }
    void TearDown() override { Language::reset(); }
};

// The default label is 4 x 2 inches: 288 x 144 points with its corner at (0, 0).
const QRectF Label(0, 0, 288, 144);

} // namespace

TEST_F(GridTest, AGridStartsSnappingWithBlueGuidesTenScreenPointsWide)
{
    RulerCanvas c(QStringLiteral("grid-start"));
    TGrid *grid = c.view->grid();
    EXPECT_EQ(grid, c.view->grid());
    EXPECT_TRUE(grid->isUsable());
    EXPECT_TRUE(grid->isConstraining());
    EXPECT_FALSE(grid->isAlwaysShown());
    EXPECT_TRUE(grid->isEmpty());
    EXPECT_EQ(grid->color(), QColor(Qt::blue));
    const struct
    {
        int item;
        float tolerance;
    } zooms[] = {{2, 10.0f}, {4, 5.0f}, {5, 2.5f}, {0, 40.0f}};
    for (const auto &z : zooms) {
        c.view->zoomMenuSelect(z.item);
        EXPECT_FLOAT_EQ(grid->tolerance(), z.tolerance);
    }
}

TEST_F(GridTest, OnlyEdgesAttractLeftAndTopFirst)
{
    RulerCanvas c(QStringLiteral("grid-edges"));
    TGrid *grid = c.view->grid();
    const QRectF r(100, 100, 50, 40);
    EXPECT_EQ(grid->constrainedRect(QPointF(95, 145), r), QPointF(100, 140));
    EXPECT_EQ(grid->constrainedRect(QPointF(125, 120), r), QPointF(125, 120));
    EXPECT_EQ(grid->constrainedRect(QPointF(110.1, 90.1), r), QPointF(110.1, 100));
    // Exactly the tolerance away is outside it.
    EXPECT_EQ(grid->constrainedRect(QPointF(90, 100), r), QPointF(90, 100));
    // A rectangle narrower than the tolerance pulls to its left edge, then to its right one.
    EXPECT_EQ(grid->constrainedRect(QPointF(99, 50), QRectF(100, 0, 4, 10)), QPointF(104, 50));
}

TEST_F(GridTest, TheLabelOutlineSnapsFirstAndLeavesNoGuide)
{
    RulerCanvas c(QStringLiteral("grid-outline"));
    c.add(QRectF(3, 60, 20, 20));
    TGrid *grid = c.view->grid();
    EXPECT_EQ(grid->constrainedPoint(QPointF(4, 40)), QPointF(0, 40));
    EXPECT_TRUE(grid->isEmpty());
    EXPECT_EQ(grid->constrainedPoint(QPointF(283, 139)), QPointF(288, 144));
    EXPECT_TRUE(grid->isEmpty());
}

TEST_F(GridTest, AnotherGraphicCatchesEachAxisOnceWithAGuideAcrossBoth)
{
    RulerCanvas c(QStringLiteral("grid-guides"));
    auto moving = c.add(QRectF(40, 20, 30, 30));
    auto still = c.add(QRectF(100, 70, 50, 40));
    c.view->selectRect(moving);
    TGrid *grid = c.view->grid();
    // The moving selection's right edge comes to 96: within 10 of the other's left edge.
    EXPECT_EQ(grid->constrainedPoint(QPointF(96, 50)), QPointF(100, 50));
    EXPECT_TRUE(grid->isDraw());
    EXPECT_FALSE(grid->isDrawY());
    EXPECT_EQ(grid->startPoint(), QPointF(100, 20));
    EXPECT_EQ(grid->endPoint(), QPointF(100, 110));
    // The axis is taken: a second snap in the same drag keeps x where it is.
    EXPECT_EQ(grid->constrainedPoint(QPointF(146, 75)), QPointF(146, 70));
    EXPECT_TRUE(grid->isDrawY());
    EXPECT_EQ(grid->startPointY(), QPointF(40, 70));
    EXPECT_EQ(grid->endPointY(), QPointF(150, 70));
    grid->clear();
    EXPECT_TRUE(grid->isEmpty());
    EXPECT_EQ(grid->startPoint(), QPointF());
}

TEST_F(GridTest, TheFirstGraphicInStackingOrderWinsAnAxis)
{
    RulerCanvas c(QStringLiteral("grid-first"));
    c.add(QRectF(100, 0, 20, 20));
    c.add(QRectF(103, 60, 20, 20));
    TGrid *grid = c.view->grid();
    EXPECT_EQ(grid->constrainedPoint(QPointF(101, 40)).x(), 100.0);
    EXPECT_EQ(grid->startPoint().x(), 100.0);
}

TEST_F(GridTest, SelectedGraphicsTheSelectedGroupAndOtherLayersNeverAttract)
{
    RulerCanvas c(QStringLiteral("grid-never"));
    auto selected = c.add(QRectF(100, 40, 20, 20));
    auto background = c.add(QRectF(160, 40, 20, 20), 0);
    auto a = c.add(QRectF(200, 100, 10, 10));
    auto b = c.add(QRectF(230, 100, 10, 10));
    c.view->selectRect(a);
    c.view->selectRect(b);
    c.view->group();
    c.view->clearSelection();
    c.view->selectRect(selected);
    TGrid *grid = c.view->grid();
    EXPECT_EQ(grid->constrainedPoint(QPointF(102, 30)), QPointF(102, 30));
    EXPECT_EQ(grid->constrainedPoint(QPointF(158, 30)), QPointF(158, 30));
    // The group attracts while it is not the selection.
    EXPECT_EQ(grid->constrainedPoint(QPointF(237, 90)), QPointF(240, 90));
    grid->clear();
    c.view->clearSelection();
    c.view->selectRect(a);
    c.view->selectRect(b);
    c.view->setSelectedGroup(c.view->groups().first().get());
    EXPECT_EQ(grid->constrainedPoint(QPointF(237, 90)), QPointF(237, 90));
    EXPECT_TRUE(grid->isEmpty());
}

TEST_F(GridTest, WithSnappingOffPointsPassAndGuidesAreNotDrawn)
{
    RulerCanvas c(QStringLiteral("grid-off"));
    c.add(QRectF(100, 40, 20, 20));
    TGrid *grid = c.view->grid();
    EXPECT_EQ(grid->constrainedPoint(QPointF(97, 30)), QPointF(100, 30));
    grid->setConstraining(false);
    EXPECT_EQ(grid->constrainedPoint(QPointF(3, 3)), QPointF(3, 3));
    QImage image(300, 200, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    grid->drawRect(&painter);
    painter.end();
    QImage white(300, 200, QImage::Format_ARGB32);
    white.fill(Qt::white);
    EXPECT_EQ(image, white);
}

TEST_F(GridTest, GuidesAreDashedSixOnThreeOffInBlue)
{
    RulerCanvas c(QStringLiteral("grid-draw"));
    c.add(QRectF(100, 10, 20, 100));
    TGrid *grid = c.view->grid();
    grid->constrainedPoint(QPointF(97, 50));
    ASSERT_TRUE(grid->isDraw());
    // At 400 % the dashes are 24 pixels on, 12 off.
    c.view->zoomMenuSelect(5);
    QImage image(600, 500, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(4.0, 4.0);
    grid->drawRect(&painter);
    painter.end();
    // The guide is half a pixel wide: it falls in one of the two columns beside x = 400.
    auto blueAt = [&image](int y) {
        for (int x : {399, 400}) {
            const QColor pixel = image.pixelColor(x, y);
            // Half a pixel of blue over white.
            if (pixel.blue() > 200 && pixel.red() < 160)
                return true;
        }
        return false;
    };
    QList<int> runs;
    bool on = blueAt(40);
    int length = 0;
    for (int y = 40; y < 440; ++y) {
        const bool blue = blueAt(y);
        if (blue == on) {
            ++length;
        } else {
            runs << length;
            on = blue;
            length = 1;
        }
    }
    ASSERT_GE(runs.size(), 5);
    EXPECT_NEAR(runs[1], 12, 1);
    EXPECT_NEAR(runs[2], 24, 1);
    EXPECT_NEAR(runs[3], 12, 1);
    EXPECT_EQ(image.pixelColor(402, 60), QColor(Qt::white));
}

// ---- moves on the canvas ----

TEST_F(GridTest, At200PercentAnEdgeFourPointsAwaySnapsAndSixPointsAwayDoesNot)
{
    const struct
    {
        double gap;
        bool snaps;
    } cases[] = {{4.0, true}, {6.0, false}};
    for (const auto &k : cases) {
        SCOPED_TRACE(k.gap);
        RulerCanvas c(QStringLiteral("grid-move"));
        c.view->zoomMenuSelect(4);
        auto moving = c.add(QRectF(40, 40, 30, 30));
        auto still = c.add(QRectF(130, 60, 40, 40));
        c.view->selectRect(moving);
        // The right edge goes from 70 to 130 - gap, its top to 50 (away from every other edge).
        c.press(QPointF(55, 55));
        c.drag(QPointF(60, 60));
        c.drag(QPointF(55 + 60 - k.gap, 65));
        const QRectF frame = moving->frameBounds();
        if (k.snaps) {
            EXPECT_EQ(frame.right(), 130.0);
            EXPECT_TRUE(c.view->grid()->isDraw());
            // The guide spans the selection as it was and the other object, and shows on the
            // canvas: blue pixels along x = 130 that go when snapping is switched off.
            EXPECT_EQ(c.view->grid()->startPoint(), QPointF(130, 45));
            EXPECT_EQ(c.view->grid()->endPoint(), QPointF(130, 100));
            const QImage with = c.view->grab().toImage();
            c.view->grid()->setConstraining(false);
            const QImage without = c.view->grab().toImage();
            c.view->grid()->setConstraining(true);
            const QPoint top = c.view->pageToWidget().map(QPointF(130, 45)).toPoint();
            int blue = 0;
            for (int dy = 0; dy < 110; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const QPoint at = top + QPoint(dx, dy);
                    const QColor pixel = with.pixelColor(at);
                    blue += pixel != without.pixelColor(at) && pixel.blue() > pixel.red() + 30;
                }
            }
            EXPECT_GE(blue, 40);
        } else {
            EXPECT_EQ(frame.right(), 130.0 - k.gap);
            EXPECT_TRUE(c.view->grid()->isEmpty());
        }
        c.release(QPointF(55 + 60 - k.gap, 65));
        EXPECT_TRUE(c.view->grid()->isEmpty());
    }
}

TEST_F(GridTest, AMoveSnapsToTheLabelEdgesWithoutAGuide)
{
    RulerCanvas c(QStringLiteral("grid-move-label"));
    c.view->zoomMenuSelect(4);
    auto moving = c.add(QRectF(40, 40, 30, 30));
    c.view->selectRect(moving);
    // To 3 points inside the left edge, then to 3 points above the bottom edge.
    c.press(QPointF(55, 55));
    c.drag(QPointF(30, 55));
    c.drag(QPointF(18, 55));
    EXPECT_EQ(moving->frameBounds().left(), 0.0);
    EXPECT_TRUE(c.view->grid()->isEmpty());
    c.drag(QPointF(18, 126));
    EXPECT_EQ(moving->frameBounds().bottom(), 144.0);
    EXPECT_TRUE(c.view->grid()->isEmpty());
    c.release(QPointF(18, 126));
    EXPECT_EQ(moving->frameBounds(), QRectF(0, 114, 30, 30));
}

TEST_F(GridTest, TheBottomCornersTakeTheAxisTheTopCornersLeftFree)
{
    RulerCanvas c(QStringLiteral("grid-bottom"));
    c.view->zoomMenuSelect(4);
    auto moving = c.add(QRectF(40, 40, 20, 20));
    auto still = c.add(QRectF(100, 90, 40, 20));
    c.view->selectRect(moving);
    // Right edge to 97 (catches 100 at the top-right corner), bottom to 87 (catches 90 below).
    c.press(QPointF(50, 50));
    c.drag(QPointF(60, 60));
    c.drag(QPointF(87, 77));
    EXPECT_EQ(moving->frameBounds(), QRectF(80, 70, 20, 20));
    EXPECT_TRUE(c.view->grid()->isDraw());
    EXPECT_TRUE(c.view->grid()->isDrawY());
    c.release(QPointF(87, 77));
}

TEST_F(GridTest, AShiftMoveDoesNotSnap)
{
    RulerCanvas c(QStringLiteral("grid-shift"));
    c.view->zoomMenuSelect(4);
    auto moving = c.add(QRectF(40, 40, 30, 30));
    c.add(QRectF(130, 60, 40, 40));
    c.view->selectRect(moving);
    c.press(QPointF(55, 55));
    c.drag(QPointF(60, 60), Qt::ShiftModifier);
    c.drag(QPointF(111, 65), Qt::ShiftModifier);
    EXPECT_EQ(moving->frameBounds().right(), 126.0);
    EXPECT_TRUE(c.view->grid()->isEmpty());
    c.release(QPointF(111, 65));
}

TEST_F(GridTest, ANewObjectsCornerSnapsWhileItIsDrawn)
{
    RulerCanvas c(QStringLiteral("grid-create"));
    c.view->zoomMenuSelect(4);
    c.add(QRectF(100, 30, 40, 40));
    c.view->setupCurrObjectTool(RectsView::RectTool);
    c.press(QPointF(20, 20));
    c.drag(QPointF(60, 50));
    c.drag(QPointF(97, 50));
    c.release(QPointF(97, 50));
    const GraphicList all = c.view->getRects();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all.last()->frameBounds().right(), 100.0);
}
