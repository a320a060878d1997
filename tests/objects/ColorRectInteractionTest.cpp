// ColorRect's direct manipulation: creation by dragging, knob resizing with Shift, Option and
// the fixed ratio, knob flipping, rotation and its undo, hit-testing, moving, and the rotated
// geometry.
#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>

#include <cmath>
#include <functional>

#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "platform/Modifiers.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

constexpr unsigned Shift = ShiftKeyMask;
constexpr unsigned Option = AlternateKeyMask;

void expectRect(const QRectF &actual, const QRectF &expected, const char *label)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-3) << label;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-3) << label;
    EXPECT_NEAR(actual.width(), expected.width(), 1e-3) << label;
    EXPECT_NEAR(actual.height(), expected.height(), 1e-3) << label;
}

struct ResizeCase
{
    const char *label;
    int knob;
    QPointF point;
    unsigned flags;
    bool fixRatio;
    float angle;
    QRectF expected;
    int expectedKnob;
};

} // namespace

// The frame before each step is (100, 100, 200, 100): ratio 1 : 2, centre (200, 150).
TEST(ColorRectResize, KnobStepsWithModifiersFixedRatioAndAngle)
{
    const ResizeCase cases[] = {
        {"corner 8 free", 8, {350, 250}, 0, false, 0, {100, 100, 250, 150}, 8},
        {"corner 1 free", 1, {50, 80}, 0, false, 0, {50, 80, 250, 120}, 1},
        {"edge 2 moves only the top", 2, {999, 60}, 0, false, 0, {100, 60, 200, 140}, 2},
        {"edge 5 Option symmetric", 5, {350, 0}, Option, false, 0, {50, 100, 300, 100}, 5},
        {"edge 4 Option symmetric", 4, {80, 0}, Option, false, 0, {80, 100, 240, 100}, 4},
        {"edge 7 Option symmetric", 7, {0, 250}, Option, false, 0, {100, 50, 200, 200}, 7},
        {"corner 8 Shift keeps the ratio", 8, {400, 150}, Shift, false, 0, {100, 100, 300, 150}, 8},
        {"edge 2 Shift widens about the middle", 2, {0, 50}, Shift, false, 0, {50, 50, 300, 150}, 2},
        {"edge 5 Shift grows about the middle", 5, {400, 0}, Shift, false, 0, {100, 75, 300, 150}, 5},
        {"corner 1 Shift keeps the bottom", 1, {0, 90}, Shift, false, 0, {0, 50, 300, 150}, 1},
        {"corner 3 Shift keeps the bottom", 3, {400, 90}, Shift, false, 0, {100, 50, 300, 150}, 3},
        {"fixed ratio without keys", 8, {400, 150}, 0, true, 0, {100, 100, 300, 150}, 8},
        {"fixed ratio, Option frees it", 5, {350, 0}, Option, true, 0, {50, 100, 300, 100}, 5},
        {"Shift Option keeps ratio and centre", 8, {400, 150}, Shift | Option, false, 0, {50, 75, 300, 150}, 8},
        {"turned 90: edge 5 dragged down", 5, {200, 300}, 0, false, 90, {75, 125, 250, 100}, 5},
        {"turned 180: knob 8 keeps knob 1 in place", 8, {50, 50}, 0, false, 180, {50, 50, 250, 150}, 8},
    };
    for (const ResizeCase &c : cases) {
        auto object = ColorRect::create(QRectF(100, 100, 200, 100));
        object->setFixRatio(c.fixRatio);
        object->setAngle(c.angle, false);
        const int knob = object->resizeByMovingKnob(c.knob, c.point, c.flags);
        expectRect(object->frameBounds(), c.expected, c.label);
        EXPECT_EQ(knob, c.expectedKnob) << c.label;
        EXPECT_FALSE(object->flipHor()) << c.label;
        EXPECT_FALSE(object->flipVert()) << c.label;
    }
}

TEST(ColorRectResize, SideKeptInPlaceOnTheTurnedPage)
{
    auto object = ColorRect::create(QRectF(100, 100, 200, 100));
    object->setAngle(30, false);
    // Where knob 4 lies on the page before and after dragging knob 5.
    auto leftMiddleOnPage = [&]() {
        const QRectF f = object->frameBounds();
        QTransform t;
        t.translate(f.center().x(), f.center().y());
        t.rotate(30);
        t.translate(-f.center().x(), -f.center().y());
        return t.map(QPointF(f.left(), f.center().y()));
    };
    const QPointF before = leftMiddleOnPage();
    object->resizeByMovingKnob(5, QPointF(380, 260), 0);
    const QPointF after = leftMiddleOnPage();
    EXPECT_NEAR(before.x(), after.x(), 1e-6);
    EXPECT_NEAR(before.y(), after.y(), 1e-6);
}

TEST(ColorRectResize, KnobFlipsWhenDraggedPastTheOppositeSide)
{
    struct FlipCase
    {
        const char *label;
        int knob;
        QPointF point;
        QRectF expected;
        int expectedKnob;
        bool flipVert; // mirrored left-right
        bool flipHor;  // mirrored top-bottom
    } cases[] = {
        {"8 left of minX", 8, {50, 150}, {50, 100, 50, 50}, 6, true, false},
        {"8 above minY", 8, {200, 50}, {100, 50, 100, 50}, 3, false, true},
        {"8 past both", 8, {50, 50}, {50, 50, 50, 50}, 1, true, true},
        {"1 right of maxX", 1, {350, 100}, {300, 100, 50, 100}, 3, true, false},
        {"7 above minY", 7, {0, 80}, {100, 80, 200, 20}, 2, false, true},
    };
    for (const FlipCase &c : cases) {
        auto object = ColorRect::create(QRectF(100, 100, 200, 100));
        const int knob = object->resizeByMovingKnob(c.knob, c.point, 0);
        expectRect(object->frameBounds(), c.expected, c.label);
        EXPECT_EQ(knob, c.expectedKnob) << c.label;
        EXPECT_EQ(object->flipVert(), c.flipVert) << c.label;
        EXPECT_EQ(object->flipHor(), c.flipHor) << c.label;
    }
}

TEST(ColorRectResize, FlipKnobTables)
{
    const int acrossVertical[9] = {0, 3, 2, 1, 5, 4, 8, 7, 6};
    const int acrossHorizontal[9] = {0, 6, 7, 8, 4, 5, 1, 2, 3};
    for (int k = 0; k <= 8; ++k) {
        EXPECT_EQ(ColorRect::flipKnob(k, true), acrossVertical[k]) << k;
        EXPECT_EQ(ColorRect::flipKnob(k, false), acrossHorizontal[k]) << k;
    }
    EXPECT_EQ(ColorRect::flipKnob(11, true), 11);
}

TEST(ColorRectResize, StepsCommitUndoablyAndRedrawTheWholeCanvas)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create(QRectF(100, 100, 200, 100));
    object->setMainView(&canvas);
    object->resizeByMovingKnob(8, QPointF(350, 250), 0);
    ASSERT_FALSE(canvas.invalidated.isEmpty());
    EXPECT_EQ(canvas.invalidated.last(), nullptr);
    canvas.undo.closeEventGroup();
    canvas.undo.undo();
    EXPECT_EQ(object->frameBounds(), QRectF(100, 100, 200, 100));
}

TEST(ColorRectCreate, DragOutAFrame)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create();
    object->setMainView(&canvas);
    object->beginCreate(QPointF(10, 10));
    object->continueCreate(QPointF(30, 20), 0);
    object->continueCreate(QPointF(60, 40), 0);
    EXPECT_TRUE(object->endCreate());
    EXPECT_EQ(object->frameBounds(), QRectF(10, 10, 50, 30));
    EXPECT_EQ(canvas.echoBegins, 1);
    EXPECT_EQ(canvas.echoSteps, 2);
    EXPECT_EQ(canvas.echoStops, 1);
    EXPECT_EQ(canvas.gridClears, 2);
}

TEST(ColorRectCreate, PointsSnapToTheCanvasGrid)
{
    class SnappingCanvas : public qmtest::FakeCanvas
    {
    public:
        QPointF constrainedPoint(const QPointF &p) const override
        {
            return QPointF(std::round(p.x() / 10) * 10, std::round(p.y() / 10) * 10);
        }
    };
    SnappingCanvas canvas;
    auto object = ColorRect::create();
    object->setMainView(&canvas);
    object->beginCreate(QPointF(12, 18));
    object->continueCreate(QPointF(57, 44), 0);
    EXPECT_TRUE(object->endCreate());
    EXPECT_EQ(object->frameBounds(), QRectF(10, 20, 50, 20));
}

TEST(ColorRectCreate, ClickWithoutDragAnswersNo)
{
    auto object = ColorRect::create();
    object->beginCreate(QPointF(10, 10));
    EXPECT_FALSE(object->endCreate());
    EXPECT_EQ(object->frameBounds(), QRectF(10, 10, 0, 0));

    object->beginCreate(QPointF(10, 10));
    object->continueCreate(QPointF(10, 10), 0);
    EXPECT_FALSE(object->endCreate());
}

TEST(ColorRectCreate, DragBackwardsFlipsTheKnobAndKeepsAPositiveFrame)
{
    auto object = ColorRect::create();
    object->beginCreate(QPointF(100, 100));
    object->continueCreate(QPointF(60, 70), 0);
    EXPECT_EQ(object->frameBounds(), QRectF(60, 70, 40, 30));
    // The drag goes on with the knob now at the top-left.
    object->continueCreate(QPointF(50, 50), 0);
    EXPECT_EQ(object->frameBounds(), QRectF(50, 50, 50, 50));
    EXPECT_TRUE(object->endCreate());
}

TEST(ColorRectCreate, ShiftOptionMakesACentredSquareThenKeepsIt)
{
    auto object = ColorRect::create();
    object->beginCreate(QPointF(100, 100));
    object->continueCreate(QPointF(140, 120), Shift | Option);
    expectRect(object->frameBounds(), QRectF(100, 90, 40, 40), "first step");
    object->continueCreate(QPointF(160, 130), Shift | Option);
    expectRect(object->frameBounds(), QRectF(90, 80, 60, 60), "second step");
}

TEST(ColorRectCreate, ShiftAloneIsFreeAtFirstThenKeepsThatRatio)
{
    auto object = ColorRect::create();
    object->beginCreate(QPointF(100, 100));
    object->continueCreate(QPointF(140, 120), Shift);
    expectRect(object->frameBounds(), QRectF(100, 100, 40, 20), "first step");
    object->continueCreate(QPointF(180, 200), Shift);
    expectRect(object->frameBounds(), QRectF(100, 100, 80, 40), "second step");
}

TEST(ColorRectCreate, RatioOfAFlatFrameIsNotKept)
{
    // A first step along a line leaves a frame without height: there is no ratio to keep,
    // and the next step must not produce infinite or undefined sizes.
    auto object = ColorRect::create();
    object->beginCreate(QPointF(100, 100));
    object->continueCreate(QPointF(140, 100), 0);
    object->continueCreate(QPointF(180, 150), Shift);
    const QRectF f = object->frameBounds();
    EXPECT_TRUE(std::isfinite(f.width()) && std::isfinite(f.height()));
    expectRect(f, QRectF(100, 100, 80, 50), "free step");
}

TEST(ColorRectRotate, AngleWrapsAround)
{
    struct Case { float start, delta, expected; } cases[] = {
        {350, 20, 10}, {5, -10, 355}, {0, 360, 0}, {90, 270, 0}, {10, 725, 15}, {0, -725, 355},
    };
    for (const Case &c : cases) {
        auto object = ColorRect::create(QRectF(0, 0, 10, 10));
        object->setAngle(c.start, false);
        object->rotateByMovingKnob(c.delta);
        EXPECT_FLOAT_EQ(object->angle(), c.expected) << c.start << " + " << c.delta;
    }
}

TEST(ColorRectRotate, RotationByTheKnobRegistersNothingByItself)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create(QRectF(0, 0, 10, 10));
    object->setMainView(&canvas);
    object->rotateByMovingKnob(15);
    EXPECT_FALSE(canvas.undo.canUndo());
}

TEST(ColorRectRotate, OneDragIsOneUndoStepBackToTheAngleAtMouseDown)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create(QRectF(0, 0, 100, 50));
    object->setMainView(&canvas);
    object->setAngle(10, false);

    object->beginRotation();
    for (int i = 0; i < 5; ++i)
        object->rotateByMovingKnob(3);
    object->endRotation();
    canvas.undo.closeEventGroup();
    EXPECT_FLOAT_EQ(object->angle(), 25);
    ASSERT_TRUE(canvas.undo.canUndo());
    EXPECT_EQ(canvas.undo.undoActionName(), "Rotate Object(s)");

    canvas.undo.undo();
    EXPECT_FLOAT_EQ(object->angle(), 10);
    EXPECT_FALSE(canvas.undo.canUndo());
    ASSERT_TRUE(canvas.undo.canRedo());
    EXPECT_EQ(canvas.undo.redoActionName(), "Rotate Object(s)");

    canvas.undo.redo();
    EXPECT_FLOAT_EQ(object->angle(), 25);
    canvas.undo.undo();
    EXPECT_FLOAT_EQ(object->angle(), 10);
}

TEST(ColorRectRotate, DragsOfSeveralObjectsShareOneStep)
{
    qmtest::FakeCanvas canvas;
    auto a = ColorRect::create(QRectF(0, 0, 100, 50));
    auto b = ColorRect::create(QRectF(200, 0, 100, 50));
    a->setMainView(&canvas);
    b->setMainView(&canvas);
    b->setAngle(350, false);
    a->beginRotation();
    b->beginRotation();
    a->rotateByMovingKnob(20);
    b->rotateByMovingKnob(20);
    a->endRotation();
    b->endRotation();
    canvas.undo.closeEventGroup();
    EXPECT_FLOAT_EQ(b->angle(), 10);
    canvas.undo.undo();
    EXPECT_FLOAT_EQ(a->angle(), 0);
    EXPECT_FLOAT_EQ(b->angle(), 350);
    EXPECT_FALSE(canvas.undo.canUndo());
}

TEST(ColorRectRotate, DragThatEndsWhereItBeganRegistersNothing)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create(QRectF(0, 0, 100, 50));
    object->setMainView(&canvas);
    object->beginRotation();
    object->rotateByMovingKnob(30);
    object->rotateByMovingKnob(-30);
    object->endRotation();
    EXPECT_FALSE(canvas.undo.canUndo());
    // An end without a beginning changes nothing either.
    object->rotateByMovingKnob(30);
    object->endRotation();
    EXPECT_FALSE(canvas.undo.canUndo());
}

TEST(ColorRectHit, KnobsUnderPoints)
{
    auto object = ColorRect::create(QRectF(100, 100, 200, 100));
    EXPECT_EQ(object->knobUnderPoint({100, 100}), 1);
    EXPECT_EQ(object->knobUnderPoint({202, 98}), 2);
    EXPECT_EQ(object->knobUnderPoint({300, 150}), 5);
    EXPECT_EQ(object->knobUnderPoint({299, 199}), 8);
    EXPECT_EQ(object->knobUnderPoint({150, 150}), 0);
    EXPECT_EQ(object->knobUnderPoint({104, 100}), 0); // beyond half the knob's width
    // The rotation knob lies a knob's width outside each corner.
    EXPECT_EQ(object->knobUnderPoint({306, 94}), 11);
    EXPECT_EQ(object->knobUnderPoint({94, 94}), 11);
    EXPECT_EQ(object->knobUnderPoint({94, 206}), 11);
    EXPECT_EQ(object->knobUnderPoint({306, 206}), 11);
}

TEST(ColorRectHit, KnobSquaresKeepTheirScreenSize)
{
    qmtest::FakeCanvas canvas;
    canvas.zoomCoeff = 2.0;
    auto object = ColorRect::create(QRectF(100, 100, 200, 100));
    object->setMainView(&canvas);
    EXPECT_EQ(object->knobUnderPoint({101.4, 101.4}), 1);
    EXPECT_EQ(object->knobUnderPoint({102, 100}), 0);
    EXPECT_EQ(object->knobUnderPoint({303, 97}), 11);
}

TEST(ColorRectHit, OverlappingKnobsPreferEightThenTheHighest)
{
    auto object = ColorRect::create(QRectF(100, 100, 4, 4));
    // Every knob's square covers the centre: knob 8 wins.
    EXPECT_EQ(object->knobUnderPoint({102, 102}), 8);
    // Here knobs 1, 2, 4, 6 and 7 reach but not 8: the highest of them wins.
    EXPECT_EQ(object->knobUnderPoint({99.5, 102.5}), 7);
    EXPECT_EQ(object->knobUnderPoint({98.5, 98.5}), 1);
}

TEST(ColorRectHit, KnobsOfATurnedObject)
{
    auto object = ColorRect::create(QRectF(100, 100, 200, 100));
    object->setAngle(90, false);
    // Knob 5 (300, 150) turns about (200, 150) to (200, 250).
    EXPECT_EQ(object->knobUnderPoint({200, 250}), 5);
    EXPECT_EQ(object->knobUnderPoint({300, 150}), 0);
}

TEST(ColorRectHit, LinkMarksNeedText)
{
    auto object = ColorRect::create(QRectF(100, 100, 200, 100));
    const QPointF previousMark(100, 100 + 5 + 10);
    const QPointF nextMark(300, 200 - 5 - 10);
    EXPECT_EQ(object->linkUnderPoint(previousMark), 0);
    QTextCursor(object->textStorage()).insertText("Text");
    EXPECT_EQ(object->linkUnderPoint(previousMark), 1);
    EXPECT_EQ(object->linkUnderPoint(nextMark), 2);
    EXPECT_EQ(object->linkUnderPoint(nextMark + QPointF(3.5, 3.5)), 2);
    EXPECT_EQ(object->linkUnderPoint(nextMark + QPointF(-3.5, 0)), 0);
    EXPECT_EQ(object->linkUnderPoint({200, 150}), 0);
}

TEST(ColorRectHit, HitTestOfOutlineKnobsAndLinks)
{
    auto object = ColorRect::create(QRectF(100, 100, 200, 100));
    object->setDrawsFill(false); // the filled-area test ignores the fill flag
    EXPECT_TRUE(object->hitTest({150, 150}, false));
    EXPECT_FALSE(object->hitTest({99, 150}, false));
    EXPECT_FALSE(object->hitTest({94, 94}, false));
    EXPECT_TRUE(object->hitTest({94, 94}, true)); // the rotation knob of a selected object
    QTextCursor(object->textStorage()).insertText("Text");
    // The next-box mark reaches outside the frame.
    EXPECT_TRUE(object->hitTest({303, 185}, true));
    EXPECT_FALSE(object->hitTest({303, 185}, false));
    object->setPowerText(true);
    EXPECT_FALSE(object->hitTest({303, 185}, true));
}

TEST(ColorRectHit, HitTestOfATurnedObjectFollowsItsOutline)
{
    auto object = ColorRect::create(QRectF(100, 140, 200, 20));
    object->setAngle(90, false);
    EXPECT_TRUE(object->hitTest({200, 60}, false));
    EXPECT_FALSE(object->hitTest({120, 150}, false));
}

TEST(ColorRectMove, MoveByIsUndoableAndRespectsTheLock)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create(QRectF(10, 10, 20, 20));
    object->setMainView(&canvas);
    object->moveBy({5, -3});
    EXPECT_EQ(object->frameBounds(), QRectF(15, 7, 20, 20));
    EXPECT_EQ(canvas.changedCalls, 1);
    ASSERT_FALSE(canvas.invalidated.isEmpty());
    EXPECT_EQ(canvas.invalidated.last(), nullptr);
    canvas.undo.closeEventGroup();
    canvas.undo.undo();
    EXPECT_EQ(object->frameBounds(), QRectF(10, 10, 20, 20));

    object->moveBy({0, 0});
    EXPECT_EQ(canvas.changedCalls, 1);
    object->setLocked(true);
    object->moveBy({5, 5});
    EXPECT_EQ(object->frameBounds(), QRectF(10, 10, 20, 20));
    EXPECT_EQ(canvas.changedCalls, 1);
}

TEST(ColorRectMove, MoveImageByConvertsPointsToInches)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create(QRectF(10, 10, 20, 20));
    object->setMainView(&canvas);
    object->setScaleWithBox(false);
    canvas.undo.closeEventGroup();
    canvas.undo.removeAllActions();
    canvas.clearRecord();
    object->moveImageBy({36, -72});
    EXPECT_FLOAT_EQ(object->getXImageOffset(), 0.5f);
    EXPECT_FLOAT_EQ(object->getYImageOffset(), -1.0f);
    EXPECT_FALSE(canvas.undo.canUndo());
    ASSERT_EQ(canvas.invalidated.size(), 1);
    EXPECT_EQ(canvas.invalidated.first(), object.get());
}

TEST(ColorRectGeometry, RotatedBoundsPathTurnsEveryPointOfCurves)
{
    auto object = ColorRect::create(QRectF(0, 0, 100, 50));
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(object->frameBounds());
    EXPECT_FALSE(object->getRotatedBoundsPath(oval).has_value());
    object->setAngle(90, false);
    EXPECT_FALSE(object->getRotatedBoundsPath(BezierPath()).has_value());
    const std::optional<BezierPath> turned = object->getRotatedBoundsPath(oval);
    ASSERT_TRUE(turned.has_value());
    QTransform t;
    t.translate(50, 25);
    t.rotate(90);
    t.translate(-50, -25);
    int curves = 0;
    int closes = 0;
    for (int i = 0; i < oval.elementCount(); ++i) {
        QPointF a[3], b[3];
        if (oval.elementAt(i, a) != BezierPath::CurveTo)
            continue;
        ++curves;
        ASSERT_EQ(turned->elementAt(i, b), BezierPath::CurveTo);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(b[k].x(), t.map(a[k]).x(), 1e-9);
            EXPECT_NEAR(b[k].y(), t.map(a[k]).y(), 1e-9);
        }
    }
    for (int i = 0; i < turned->elementCount(); ++i)
        closes += turned->elementAt(i) == BezierPath::ClosePath;
    EXPECT_EQ(curves, 4);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(turned->elementAt(turned->elementCount() - 1), BezierPath::ClosePath);
    expectRect(turned->bounds(), QRectF(25, -25, 50, 100), "turned oval");
}

TEST(ColorRectGeometry, DrawingAndRulerBounds)
{
    auto object = ColorRect::create(QRectF(100, 100, 200, 100));
    object->setShadowDistance(0);
    object->setShadowBlur(0);
    EXPECT_EQ(object->drawingBounds(), QRectF(97, 97, 206, 106));
    EXPECT_EQ(object->rulerBounds(), QRectF(100, 100, 200, 100));
    object->setAngle(90, false);
    expectRect(object->drawingBounds(), QRectF(144, 44, 112, 212), "turned");
    expectRect(object->rulerBounds(), QRectF(150, 50, 100, 200), "turned ruler");
    EXPECT_EQ(object->update_bounds(), object->drawingBounds());
}

TEST(ColorRectGeometry, DrawingBoundsReachTheShadowOnlyWhileItIsDrawn)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create(QRectF(100, 100, 200, 100));
    object->setMainView(&canvas);
    // Off: the frame and the knobs' half width, nothing of the default shadow.
    EXPECT_FALSE(object->drawsShadow());
    expectRect(object->drawingBounds(), QRectF(97, 97, 206, 106), "no shadow");
    // On: the default distance 10 and blur 10 reach 30 points further on every side.
    object->setDrawsShadow(true);
    expectRect(object->drawingBounds(), QRectF(67, 67, 266, 166), "shadow");
    EXPECT_DOUBLE_EQ(object->shadowReach(), 30.0);

    // Switching it off, or making it smaller, redraws where it lay before the change.
    for (const std::function<void()> &change : std::initializer_list<std::function<void()>>{
             [&] { object->setShadowDistance(2); }, [&] { object->setShadowBlur(0); },
             [&] { object->setShadowAngle(90); }, [&] { object->setDrawsShadow(false); }}) {
        canvas.clearRecord();
        change();
        ASSERT_FALSE(canvas.invalidated.isEmpty());
        EXPECT_EQ(canvas.invalidated.first(), object.get());
    }
    EXPECT_FALSE(object->drawsShadow());
}

TEST(ColorRectGeometry, RotateRectCenter)
{
    auto object = ColorRect::create(QRectF(0, 0, 10, 10));
    const QRectF r(10, 20, 40, 20);
    object->setAngle(180.5f, false);
    EXPECT_EQ(object->rotateRectCenter(r), r);
    object->setAngle(90, false);
    EXPECT_EQ(object->rotateRectCenter(r), QRectF(20, 10, 20, 40));
}

TEST(ColorRectGeometry, WrapOutline)
{
    qmtest::FakeCanvas canvas; // bounds 612 wide, label 288 wide
    auto object = ColorRect::create(QRectF(100, 100, 200, 100));
    EXPECT_EQ(object->bezierWrapPath().bounds(), QRectF(100, 100, 200, 100));
    object->setAngle(90, false);
    expectRect(object->bezierWrapPath().bounds(), QRectF(150, 50, 100, 200), "turned");
    object->setMainView(&canvas);
    object->setRunaroundMode(2);
    // The band reaches e = (612 - 288) / 2 - 1 = 161 beyond each side of the label.
    expectRect(object->bezierWrapPath().bounds(), QRectF(-161, 50, 288 + 322, 200), "band");
}

TEST(ColorRectCanvas, PrintCommandGoesToTheCanvas)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create(QRectF(0, 0, 10, 10));
    object->print();
    object->setMainView(&canvas);
    object->print();
    EXPECT_EQ(canvas.printCalls, 1);
}
