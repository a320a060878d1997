// The path object: fitting its outline to the frame, the point-edit mode with its drag rules,
// the selected point, segment deletion, the undo of point drags, drawing, and the stored form
// with its archived outline.
#include <gtest/gtest.h>

#include <QCursor>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <cmath>
#include <limits>

#include "objects/BezierPathArchive.h"
#include "objects/ColorPath.h"
#include "objects/FakeCanvas.h"
#include "objects/Group.h"
#include "objects/ObjectFactory.h"
#include "platform/Archiver.h"
#include "platform/Bundle.h"
#include "platform/Modifiers.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

constexpr unsigned Shift = ShiftKeyMask;

void expectPoint(const QPointF &actual, const QPointF &expected, const std::string &label = {})
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-3) << label;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-3) << label;
}

void expectRect(const QRectF &actual, const QRectF &expected, const std::string &label = {})
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-3) << label;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-3) << label;
    EXPECT_NEAR(actual.width(), expected.width(), 1e-3) << label;
    EXPECT_NEAR(actual.height(), expected.height(), 1e-3) << label;
}

void expectSamePath(const BezierPath &actual, const BezierPath &expected, const std::string &label = {})
{
    ASSERT_EQ(actual.elementCount(), expected.elementCount()) << label;
    for (int i = 0; i < actual.elementCount(); ++i) {
        QPointF a[3], e[3];
        const auto ta = actual.elementAt(i, a);
        ASSERT_EQ(ta, expected.elementAt(i, e)) << label << " element " << i;
        const int n = ta == BezierPath::CurveTo ? 3 : (ta == BezierPath::ClosePath ? 0 : 1);
        for (int k = 0; k < n; ++k)
            expectPoint(a[k], e[k], label + " element " + std::to_string(i) + " point " + std::to_string(k));
    }
}

// A closed outline of four curves as the canvas hands it over: a move, the curves, the last
// one ending on the start, and a close.
BezierPath canvasLoop()
{
    BezierPath p;
    p.moveTo(QPointF(0, 50));
    p.curveTo(QPointF(60, 0), QPointF(0, 20), QPointF(40, 0));
    p.curveTo(QPointF(200, 20), QPointF(140, 0), QPointF(200, 0));
    p.curveTo(QPointF(50, 100), QPointF(180, 100), QPointF(90, 100));
    p.curveTo(QPointF(0, 50), QPointF(20, 100), QPointF(0, 80));
    p.closePath();
    return p;
}

// A closed outline of three curves and a line back to the start, then a close: the line is
// the closing segment, and the last curve ends below the start.
BezierPath loop()
{
    BezierPath p;
    p.moveTo(QPointF(0, 50));
    p.curveTo(QPointF(100, 0), QPointF(0, 20), QPointF(60, 0));
    p.curveTo(QPointF(200, 50), QPointF(140, 0), QPointF(200, 20));
    p.curveTo(QPointF(0, 70), QPointF(150, 100), QPointF(50, 100));
    p.lineTo(QPointF(0, 50));
    p.closePath();
    return p;
}

QPointF pointOf(const BezierPath &path, int element, int point)
{
    QPointF pts[3];
    path.elementAt(element, pts);
    return pts[point];
}

std::shared_ptr<ColorPath> pathObject(const BezierPath &outline)
{
    auto object = ColorPath::create();
    object->setBezierPath(outline);
    return object;
}

// Selects the point at `at` and drags it to `to`, as the canvas's events do.
void drag(ColorPath &object, const QPointF &at, const QPointF &to, unsigned flags = 0)
{
    object.mouseDown(at);
    object.mouseDragged(to, flags);
    object.mouseUp();
}

} // namespace

// ---- fitting ----

TEST(ColorPathFit, NewObjectIsTheFrameRectangle)
{
    auto object = ColorPath::create(QRectF(10, 20, 100, 50));
    expectRect(object->bezierPath().bounds(), QRectF(10, 20, 100, 50));
    ASSERT_NE(object->storedPath(), nullptr);
    expectRect(object->storedPath()->bounds(), QRectF(0, 0, 100, 50));
    EXPECT_FALSE(object->bezierEdit());
    EXPECT_TRUE(object->selectedPoint().isNone());
}

TEST(ColorPathFit, TakesThePathBoundsAsFrameAndStoresItAtTheOrigin)
{
    BezierPath drawn = BezierPath::bezierPathWithOvalInRect(QRectF(10, 20, 100, 50));
    auto object = pathObject(drawn);
    expectRect(object->frameBounds(), QRectF(10, 20, 100, 50));
    expectRect(object->storedPath()->bounds(), QRectF(0, 0, 100, 50));
    expectSamePath(object->bezierPath(), drawn);

    // Resized to twice the width, it draws twice as wide; the stored "Path" holds that outline
    // at the object's place.
    object->setFrameBounds(QRectF(10, 20, 200, 50));
    expectRect(object->bezierPath().bounds(), QRectF(10, 20, 200, 50));
    const QVariantMap dict = object->propertyListRepresentation();
    const auto stored = BezierPathArchive::unarchive(dict.value("Path").toByteArray());
    ASSERT_TRUE(stored);
    expectRect(stored->bounds(), QRectF(10, 20, 200, 50));
    expectRect(object->storedPath()->bounds(), QRectF(0, 0, 100, 50));
}

TEST(ColorPathFit, OutlinesWithoutWidthOrHeightNeverDivideByZero)
{
    BezierPath upright;
    upright.moveTo(QPointF(10, 10));
    upright.lineTo(QPointF(10, 60));
    auto object = pathObject(upright);
    expectRect(object->frameBounds(), QRectF(10, 10, 0, 50));
    object->setFrameBounds(QRectF(20, 10, 30, 100));
    const BezierPath fitted = object->bezierPath();
    expectPoint(pointOf(fitted, 0, 0), QPointF(20, 10));
    expectPoint(pointOf(fitted, 1, 0), QPointF(20, 110));
    EXPECT_TRUE(std::isfinite(fitted.bounds().width()));

    // A path of no size at all and a path with no finite bounds.
    BezierPath dot;
    dot.moveTo(QPointF(5, 5));
    auto single = pathObject(dot);
    single->setFrameBounds(QRectF(0, 0, 10, 10));
    EXPECT_TRUE(std::isfinite(single->bezierPath().bounds().x()));

    BezierPath broken;
    broken.moveTo(QPointF(std::numeric_limits<double>::quiet_NaN(), 0));
    broken.lineTo(QPointF(10, 10));
    auto nan = pathObject(broken);
    expectRect(nan->frameBounds(), QRectF(0, 0, 1, 1));
}

TEST(ColorPathFit, NoRunaroundBoxAndNoText)
{
    auto object = pathObject(loop());
    object->initContainer();
    EXPECT_NE(object->textContainer(), nullptr);
    EXPECT_EQ(object->textContainers().size(), 1);
    object->setContents(QStringLiteral("XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX"));
    object->setDrawsFill(false);
    object->setDrawsStroke(false);
    QImage image(220, 120, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        object->drawFrame(&painter, QRectF(), false);
    }
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2)
            ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
    }
}

TEST(ColorPathFit, ClearedObjectHasNoOutline)
{
    auto object = ColorPath::create(QRectF(0, 0, 10, 10));
    object->clear();
    EXPECT_TRUE(object->bezierPath().isEmpty());
    EXPECT_FALSE(object->propertyListRepresentation().contains("Path"));
    object->mouseDown(QPointF(0, 0));
    object->mouseDragged(QPointF(5, 5), 0);
    EXPECT_FALSE(object->deleteSegment());
}

// ---- edit points ----

TEST(ColorPathEdit, DoubleClickTogglesPointEditAndRedrawsTheCanvas)
{
    qmtest::FakeCanvas canvas;
    auto object = pathObject(loop());
    object->setMainView(&canvas);
    object->doubleClick();
    EXPECT_TRUE(object->bezierEdit());
    ASSERT_FALSE(canvas.invalidated.isEmpty());
    EXPECT_EQ(canvas.invalidated.last(), nullptr);
    object->doubleClick();
    EXPECT_FALSE(object->bezierEdit());
    object->setBezierEdit(true);
    EXPECT_TRUE(object->bezierEdit());
}

TEST(ColorPathEdit, EditPointsAreFoundInElementOrder)
{
    auto object = pathObject(loop());
    struct Case
    {
        QPointF at;
        BezierPoint expected;
    };
    const Case cases[] = {
        {{0, 50}, {0, 0}},     // the move wins over the closing line's point
        {{0, 20}, {1, 0}},     {{60, 0}, {1, 1}},   {{102, 2}, {1, 2}},
        {{140, 0}, {2, 0}},    {{200, 20}, {2, 1}}, {{200, 50}, {2, 2}},
        {{150, 100}, {3, 0}},  {{50, 100}, {3, 1}}, {{0, 70}, {3, 2}},
        {{100, 50}, {-1, -1}}, {{104, 0}, {-1, -1}},
    };
    for (const Case &c : cases) {
        const BezierPoint found = object->bezierKnobUnderPoint(c.at);
        EXPECT_EQ(found, c.expected) << c.at.x() << "," << c.at.y();
    }

    // The squares keep their size on the screen.
    qmtest::FakeCanvas canvas;
    canvas.zoomCoeff = 2.0;
    object->setMainView(&canvas);
    EXPECT_TRUE(object->bezierKnobUnderPoint(QPointF(102, 2)).isNone());
    EXPECT_EQ(object->bezierKnobUnderPoint(QPointF(101, 1)), (BezierPoint{1, 2}));
}

TEST(ColorPathEdit, SelectedPointOutlastsTheReleaseUntilAMiss)
{
    auto object = pathObject(loop());
    object->doubleClick();
    object->mouseDown(QPointF(140, 0));
    object->mouseUp();
    EXPECT_EQ(object->selectedPoint(), (BezierPoint{2, 0}));
    object->mouseDown(QPointF(100, 50));
    object->mouseUp();
    EXPECT_TRUE(object->selectedPoint().isNone());

    object->mouseDown(QPointF(140, 0));
    object->mouseUp();
    object->setBezierEdit(false);
    EXPECT_TRUE(object->selectedPoint().isNone());

    object->setBezierEdit(true);
    object->mouseDown(QPointF(140, 0));
    object->mouseUp();
    object->doubleClick();
    EXPECT_TRUE(object->selectedPoint().isNone());
}

// ---- drag rules ----

TEST(ColorPathDrag, EndPointOfAMiddleCurveCarriesBothNeighbouringControlPoints)
{
    auto object = pathObject(loop());
    const BezierPath before = object->bezierPath();
    drag(*object, QPointF(100, 0), QPointF(110, 5));
    const BezierPath after = object->bezierPath();
    expectPoint(pointOf(after, 1, 2), QPointF(110, 5));
    expectPoint(pointOf(after, 1, 1), pointOf(before, 1, 1) + QPointF(10, 5));
    expectPoint(pointOf(after, 2, 0), pointOf(before, 2, 0) + QPointF(10, 5));
    expectPoint(pointOf(after, 1, 0), pointOf(before, 1, 0));
    expectPoint(pointOf(after, 2, 1), pointOf(before, 2, 1));
    expectPoint(pointOf(after, 0, 0), pointOf(before, 0, 0));
}

TEST(ColorPathDrag, FirstControlPointSwingsThePreviousCurvesSecondUnlessShift)
{
    auto object = pathObject(loop());
    // Control 1 of curve 2 from (140, 0) to (140, -30): across the shared end (100, 0) the
    // previous curve's control 2, 40 points away, goes to the opposite side.
    drag(*object, QPointF(140, 0), QPointF(140, -30));
    BezierPath after = object->bezierPath();
    expectPoint(pointOf(after, 2, 0), QPointF(140, -30));
    expectPoint(pointOf(after, 1, 1), QPointF(68, 24));

    auto corner = pathObject(loop());
    drag(*corner, QPointF(140, 0), QPointF(140, -30), Shift);
    after = corner->bezierPath();
    expectPoint(pointOf(after, 2, 0), QPointF(140, -30));
    expectPoint(pointOf(after, 1, 1), QPointF(60, 0));
}

TEST(ColorPathDrag, SecondControlPointSwingsTheNextCurvesFirstUnlessShift)
{
    auto object = pathObject(loop());
    // Control 2 of curve 1 from (60, 0) to (70, -10); the next curve's control 1 (140, 0),
    // 40 points from the end (100, 0), goes opposite.
    drag(*object, QPointF(60, 0), QPointF(70, -10));
    BezierPath after = object->bezierPath();
    const double length = std::hypot(30.0, 10.0);
    expectPoint(pointOf(after, 2, 0), QPointF(100 + 40 * 30 / length, 40 * 10 / length));
    EXPECT_NEAR(std::hypot(pointOf(after, 2, 0).x() - 100, pointOf(after, 2, 0).y()), 40.0, 1e-3);

    auto corner = pathObject(loop());
    drag(*corner, QPointF(60, 0), QPointF(70, -10), Shift);
    expectPoint(pointOf(corner->bezierPath(), 2, 0), QPointF(140, 0));
}

TEST(ColorPathDrag, TheVertexBeforeTheClosingPointMovesAloneOnTheCanvasLayout)
{
    // Element 3 is third from the end of "move, 4 curves, close": its end is an ordinary
    // vertex, and the start must stay where it is.
    auto object = pathObject(canvasLoop());
    const BezierPath before = object->bezierPath();
    drag(*object, QPointF(50, 100), QPointF(60, 110));
    const BezierPath after = object->bezierPath();
    expectPoint(pointOf(after, 3, 2), QPointF(60, 110));
    expectPoint(pointOf(after, 3, 1), pointOf(before, 3, 1) + QPointF(10, 10));
    expectPoint(pointOf(after, 4, 0), pointOf(before, 4, 0) + QPointF(10, 10));
    // No spike: the start, the closing curve's end and its second control point stay.
    expectPoint(pointOf(after, 0, 0), QPointF(0, 50));
    expectPoint(pointOf(after, 4, 2), QPointF(0, 50));
    expectPoint(pointOf(after, 4, 1), pointOf(before, 4, 1));
    expectPoint(pointOf(after, 1, 0), pointOf(before, 1, 0));
    // The outline differs from the one before only around the dragged vertex.
    for (int i : {0, 1, 2})
        for (int k = 0; k < (i == 0 ? 1 : 3); ++k)
            expectPoint(pointOf(after, i, k), pointOf(before, i, k), "element " + std::to_string(i));
}

TEST(ColorPathDrag, TheClosingPointMovesAsOneVertex)
{
    auto object = pathObject(canvasLoop());
    const BezierPath before = object->bezierPath();
    drag(*object, QPointF(0, 50), QPointF(5, 45));
    const BezierPath after = object->bezierPath();
    expectPoint(pointOf(after, 0, 0), QPointF(5, 45));
    expectPoint(pointOf(after, 4, 2), QPointF(5, 45));
    expectPoint(pointOf(after, 4, 1), pointOf(before, 4, 1) + QPointF(5, -5));
    expectPoint(pointOf(after, 1, 0), pointOf(before, 1, 0) + QPointF(5, -5));
    expectPoint(pointOf(after, 1, 1), pointOf(before, 1, 1));
    expectPoint(pointOf(after, 3, 2), pointOf(before, 3, 2));
}

TEST(ColorPathDrag, HandlesAcrossTheClosingPointStayInLine)
{
    auto object = pathObject(canvasLoop());
    // The first curve's first control point swings the closing curve's second one to the
    // other side of the start, keeping its length.
    drag(*object, QPointF(0, 20), QPointF(-30, 50));
    const BezierPath after = object->bezierPath();
    expectPoint(pointOf(after, 4, 1), QPointF(30, 50));
    expectPoint(pointOf(after, 0, 0), QPointF(0, 50));
}

TEST(ColorPathDrag, ALineBackToTheStartIsTheClosingSegment)
{
    // "move, 3 curves, line, close": the last curve's end is an ordinary vertex; the line's
    // point lies on the start and moves with it.
    auto object = pathObject(loop());
    drag(*object, QPointF(0, 70), QPointF(10, 80));
    BezierPath after = object->bezierPath();
    expectPoint(pointOf(after, 3, 2), QPointF(10, 80));
    expectPoint(pointOf(after, 0, 0), QPointF(0, 50));
    expectPoint(pointOf(after, 4, 0), QPointF(0, 50));

    drag(*object, QPointF(0, 50), QPointF(5, 45));
    after = object->bezierPath();
    expectPoint(pointOf(after, 0, 0), QPointF(5, 45));
    expectPoint(pointOf(after, 4, 0), QPointF(5, 45));
}

TEST(ColorPathDrag, AVertexWhoseHandlesLieOnItIsDraggedAsAVertex)
{
    // Clicked points: every control point lies on its vertex.
    BezierPath clicked;
    clicked.moveTo(QPointF(0, 0));
    clicked.curveTo(QPointF(100, 0), QPointF(0, 0), QPointF(100, 0));
    clicked.curveTo(QPointF(100, 100), QPointF(100, 0), QPointF(100, 100));
    clicked.curveTo(QPointF(0, 0), QPointF(100, 100), QPointF(0, 0));
    clicked.closePath();
    auto object = pathObject(clicked);
    EXPECT_EQ(object->bezierKnobUnderPoint(QPointF(100, 0)), (BezierPoint{1, 2}));
    drag(*object, QPointF(100, 0), QPointF(120, 10));
    BezierPath after = object->bezierPath();
    expectPoint(pointOf(after, 1, 2), QPointF(120, 10));
    expectPoint(pointOf(after, 1, 1), QPointF(120, 10));
    expectPoint(pointOf(after, 2, 0), QPointF(120, 10));

    // With Option the handles come out of the vertex, the second as long as the first.
    object->mouseDown(QPointF(120, 10), AlternateKeyMask);
    EXPECT_EQ(object->selectedPoint(), (BezierPoint{2, 0}));
    object->mouseDragged(QPointF(140, 10), 0);
    object->mouseUp();
    after = object->bezierPath();
    expectPoint(pointOf(after, 1, 2), QPointF(120, 10));
    expectPoint(pointOf(after, 2, 0), QPointF(140, 10));
    expectPoint(pointOf(after, 1, 1), QPointF(100, 10));

    // Once out, a press on a handle takes the handle.
    EXPECT_EQ(object->bezierKnobUnderPoint(QPointF(140, 10)), (BezierPoint{2, 0}));
    EXPECT_EQ(object->bezierKnobUnderPoint(QPointF(120, 10)), (BezierPoint{1, 2}));
}

TEST(ColorPathDrag, FrameFollowsTheDraggedOutlineAndNothingMovesWithoutASelection)
{
    auto object = pathObject(loop());
    const QRectF frame = object->frameBounds();
    drag(*object, QPointF(200, 50), QPointF(260, 50));
    EXPECT_NEAR(object->frameBounds().right(), 260, 1e-3);
    EXPECT_NEAR(object->frameBounds().left(), frame.left(), 1e-3);
    EXPECT_NEAR(object->storedPath()->bounds().x(), 0, 1e-9);

    const BezierPath now = object->bezierPath();
    object->mouseDown(QPointF(500, 500));
    object->mouseDragged(QPointF(20, 20), 0);
    object->mouseUp();
    expectSamePath(object->bezierPath(), now);
}

TEST(ColorPathDrag, OneUndoRestoresThePathOfThePressAndRedoReturns)
{
    qmtest::FakeCanvas canvas;
    auto object = pathObject(loop());
    object->setMainView(&canvas);
    object->setFrameBounds(QRectF(20, 30, 400, 175));
    canvas.undo.closeEventGroup();
    canvas.undo.removeAllActions();

    const BezierPath before = object->bezierPath();
    const QRectF frameBefore = object->frameBounds();
    object->doubleClick();
    const QPointF end = pointOf(before, 2, 2);
    object->mouseDown(end);
    object->mouseDragged(end + QPointF(20, 10), 0);
    object->mouseDragged(end + QPointF(40, 30), 0);
    object->mouseUp();
    canvas.undo.closeEventGroup();
    const BezierPath after = object->bezierPath();
    const QRectF frameAfter = object->frameBounds();
    ASSERT_TRUE(canvas.undo.canUndo());

    canvas.undo.undo();
    expectSamePath(object->bezierPath(), before, "undone");
    expectRect(object->frameBounds(), frameBefore, "undone frame");
    EXPECT_FALSE(canvas.undo.canUndo());
    ASSERT_TRUE(canvas.undo.canRedo());

    canvas.undo.redo();
    expectSamePath(object->bezierPath(), after, "redone");
    expectRect(object->frameBounds(), frameAfter, "redone frame");
    canvas.undo.undo();
    expectSamePath(object->bezierPath(), before, "undone again");
}

// ---- deleting ----

TEST(ColorPathDelete, RemovesTheSelectedElementAfterTheRelease)
{
    qmtest::FakeCanvas canvas;
    auto object = pathObject(loop());
    object->setMainView(&canvas);
    object->doubleClick();
    const BezierPath before = object->bezierPath();
    object->mouseDown(QPointF(200, 50));
    object->mouseUp();
    canvas.undo.closeEventGroup();
    ASSERT_TRUE(object->deleteSegment());
    canvas.undo.closeEventGroup();
    const BezierPath after = object->bezierPath();
    ASSERT_EQ(after.elementCount(), 5);
    // The neighbours are not adjusted: the next curve now starts where the deleted one began.
    expectPoint(pointOf(after, 2, 2), pointOf(before, 3, 2));
    expectPoint(pointOf(after, 2, 0), pointOf(before, 3, 0));
    EXPECT_TRUE(object->selectedPoint().isNone());

    canvas.undo.undo();
    expectSamePath(object->bezierPath(), before, "undone deletion");
}

TEST(ColorPathDelete, RefusedForTheMoveShortPathsAndOutlinesLeftWithoutArea)
{
    auto object = pathObject(loop());
    object->doubleClick();
    object->mouseDown(QPointF(0, 50));
    object->mouseUp();
    EXPECT_FALSE(object->deleteSegment());
    EXPECT_EQ(object->bezierPath().elementCount(), 6);

    // Nothing selected.
    object->mouseDown(QPointF(500, 500));
    EXPECT_FALSE(object->deleteSegment());

    // Four elements: too few to lose one.
    BezierPath triangle;
    triangle.moveTo(QPointF(0, 0));
    triangle.lineTo(QPointF(100, 0));
    triangle.lineTo(QPointF(50, 80));
    triangle.closePath();
    auto small = pathObject(triangle);
    small->doubleClick();
    small->mouseDown(QPointF(100, 0));
    EXPECT_FALSE(small->deleteSegment());
    expectSamePath(small->bezierPath(), triangle);

    // Deleting the only point off the line would leave an outline without height.
    BezierPath flat;
    flat.moveTo(QPointF(0, 0));
    flat.lineTo(QPointF(100, 0));
    flat.lineTo(QPointF(50, 80));
    flat.lineTo(QPointF(0, 0));
    flat.closePath();
    auto degenerate = pathObject(flat);
    degenerate->doubleClick();
    degenerate->mouseDown(QPointF(50, 80));
    EXPECT_EQ(degenerate->selectedPoint(), (BezierPoint{2, 0}));
    EXPECT_FALSE(degenerate->deleteSegment());
    expectSamePath(degenerate->bezierPath(), flat);
    expectRect(degenerate->frameBounds(), QRectF(0, 0, 100, 80));
}

// ---- drawing ----

TEST(ColorPathDraw, FillsAndStrokesTheOutlineInsideTheFrame)
{
    BezierPath triangle;
    triangle.moveTo(QPointF(10, 90));
    triangle.lineTo(QPointF(50, 10));
    triangle.lineTo(QPointF(90, 90));
    triangle.closePath();
    auto object = pathObject(triangle);
    object->setFillColor(Qt::red);
    object->setDrawsFill(true);
    object->setDrawsStroke(false);
    QImage image(100, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        object->drawFrame(&painter, QRectF(0, 0, 100, 100), false);
    }
    EXPECT_EQ(image.pixel(50, 70), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(15, 20), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(85, 20), qRgb(255, 255, 255));
}

TEST(ColorPathDraw, GradientStaysInsideTheOutline)
{
    BezierPath triangle;
    triangle.moveTo(QPointF(10, 90));
    triangle.lineTo(QPointF(50, 10));
    triangle.lineTo(QPointF(90, 90));
    triangle.closePath();
    auto object = pathObject(triangle);
    object->setDrawsFill(true);
    object->setDrawsStroke(false);
    object->setFillColor(Qt::red);
    object->setFillColor2(Qt::blue);
    object->setFillType(2);
    object->setFillAngle(0.0);
    QImage image(100, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        object->drawFrame(&painter, QRectF(0, 0, 100, 100), false);
    }
    const QRgb left = image.pixel(25, 85);
    const QRgb right = image.pixel(75, 85);
    EXPECT_GT(qRed(left), qRed(right));
    EXPECT_LT(qBlue(left), qBlue(right));
    EXPECT_EQ(image.pixel(15, 20), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(85, 20), qRgb(255, 255, 255));
}

TEST(ColorPathDraw, PointEditModeShowsTheOutlineAndTheSelectedPointInRed)
{
    auto object = pathObject(loop());
    object->setFillColor(Qt::red);
    object->doubleClick();
    object->mouseDown(QPointF(200, 50));
    object->mouseUp();
    QImage image(220, 120, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        object->drawFrame(&painter, QRectF(), false);
        object->drawSelect(&painter, QRectF());
    }
    // No fill in point-edit mode: the inside stays white.
    EXPECT_EQ(image.pixel(100, 50), qRgb(255, 255, 255));
    const QRgb selected = image.pixel(201, 48);
    EXPECT_GT(qRed(selected), 200);
    EXPECT_LT(qGreen(selected), 60);
    const QRgb control = image.pixel(140, 1);
    EXPECT_GT(qBlue(control), 200);
    EXPECT_LT(qRed(control), 60);
}

// ---- stored form ----

TEST(ColorPathStored, RoundTripThroughABinaryPropertyList)
{
    registerObjectKinds();
    EXPECT_TRUE(ObjectFactory::isRegistered("ColorPath"));
    auto object = pathObject(loop());
    object->setFrameBounds(QRectF(40, 50, 100, 100));
    const QVariantMap dict = object->propertyListRepresentation();
    EXPECT_EQ(dict.value("Class").toString(), "ColorPath");
    EXPECT_EQ(Archiver::classOf(dict.value("Path").toByteArray()), "QMBezierPath");

    const QVariant back = PropertyList::fromData(PropertyList::toData(dict));
    auto loaded = ColorRect::graphicWithPropertyListRepresentation(back.toMap());
    ASSERT_TRUE(loaded);
    auto *path = dynamic_cast<ColorPath *>(loaded.get());
    ASSERT_NE(path, nullptr);
    expectSamePath(path->bezierPath(), object->bezierPath());
    expectRect(path->frameBounds(), object->frameBounds());
}

TEST(ColorPathStored, FrameComesFromThePathWhateverBoundsSays)
{
    auto object = pathObject(BezierPath::bezierPathWithOvalInRect(QRectF(10, 10, 60, 30)));
    QVariantMap dict = object->propertyListRepresentation();
    dict.insert("Bounds", QStringLiteral("{{500, 500}, {5, 5}}"));
    auto loaded = ColorPath::create();
    loaded->loadPropertyListRepresentation(dict);
    expectRect(loaded->frameBounds(), QRectF(10, 10, 60, 30));

    // A damaged outline leaves the frame of "Bounds" with the rectangle outline.
    for (const QVariant &damaged : {QVariant(QByteArray("not an archive")), QVariant(QString("x")),
                                    QVariant(Archiver::archive("QMText", {}))}) {
        dict.insert("Path", damaged);
        auto other = ColorPath::create();
        other->loadPropertyListRepresentation(dict);
        expectRect(other->frameBounds(), QRectF(500, 500, 5, 5));
        expectRect(other->bezierPath().bounds(), QRectF(500, 500, 5, 5));
    }
}

TEST(ColorPathStored, TheStoredTemplateFlagRemains)
{
    registerObjectKinds();
    for (const char *flag : {"YES", "NO"}) {
        auto object = pathObject(canvasLoop());
        object->setTemplateFlag(QLatin1String(flag) == QLatin1String("YES"));
        const QVariantMap dict = object->propertyListRepresentation();
        EXPECT_EQ(dict.value("IsTemplate").toString(), flag);
        auto loaded = ColorRect::graphicWithPropertyListRepresentation(dict);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->isTemplate(), QLatin1String(flag) == QLatin1String("YES")) << flag;
    }
}

TEST(ColorPathEdit, PointEditingEndsWhenAGroupTakesThePath)
{
    qmtest::FakeCanvas canvas;
    auto object = pathObject(canvasLoop());
    object->setMainView(&canvas);
    object->doubleClick();
    ASSERT_TRUE(object->bezierEdit());
    auto other = ColorRect::create(QRectF(300, 0, 20, 20));
    auto group = Group::create();
    group->addObjects({object, other});
    EXPECT_FALSE(object->bezierEdit());
    EXPECT_TRUE(object->selectedPoint().isNone());
    group->clear();
}

TEST(ColorPathEdit, ThePointerOverAnEditPointIsTheEditPathImage)
{
    class CursorCanvas : public qmtest::FakeCanvas
    {
    public:
        void setDocumentCursor(const QCursor &cursor) override { cursors.append(cursor); }
        QList<QCursor> cursors;
    };
    const QImage image = Bundle::imageNamed(QStringLiteral("editPath"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(24, 24));
    // The hot spot is the arrow's tip, and it is drawn.
    EXPECT_GT(image.pixelColor(19, 1).alpha(), 0);

    CursorCanvas canvas;
    auto object = pathObject(canvasLoop());
    object->setMainView(&canvas);
    object->doubleClick();
    object->mouseMoved(QPointF(60, 0));
    object->mouseMoved(QPointF(100, 50));
    ASSERT_EQ(canvas.cursors.size(), 2);
    EXPECT_EQ(canvas.cursors[0].shape(), Qt::BitmapCursor);
    EXPECT_EQ(canvas.cursors[0].hotSpot(), QPoint(19, 1));
    EXPECT_EQ(canvas.cursors[0].pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
              image.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(canvas.cursors[1].shape(), Qt::ArrowCursor);

    // Leaving point editing over an edit point puts the arrow back.
    object->mouseMoved(QPointF(60, 0));
    object->doubleClick();
    ASSERT_EQ(canvas.cursors.size(), 4);
    EXPECT_EQ(canvas.cursors[3].shape(), Qt::ArrowCursor);
}

TEST(ColorPathStored, CopiesKeepTheOutline)
{
    auto object = pathObject(loop());
    auto copy = object->copy();
    auto *path = dynamic_cast<ColorPath *>(copy.get());
    ASSERT_NE(path, nullptr);
    expectSamePath(path->bezierPath(), object->bezierPath());
}

TEST(BezierPathArchive, RoundTripsEveryElementKindAndTheStyle)
{
    BezierPath p = loop();
    p.moveTo(QPointF(-3.25, 1e6));
    p.lineTo(QPointF(0.125, -7));
    p.setLineWidth(2.5);
    p.setWindingRule(BezierPath::EvenOddWinding);
    const QByteArray data = BezierPathArchive::archive(p);
    EXPECT_EQ(Archiver::classOf(data), "QMBezierPath");
    const auto back = BezierPathArchive::unarchive(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, p);
    EXPECT_EQ(back->lineWidth(), 2.5);
    EXPECT_EQ(back->windingRule(), BezierPath::EvenOddWinding);

    const auto empty = BezierPathArchive::unarchive(BezierPathArchive::archive(BezierPath()));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isEmpty());
}

TEST(BezierPathArchive, DamagedArchivesAreRefused)
{
    auto archived = [](const QVariantList &elements) {
        QVariantMap payload;
        payload.insert("Elements", elements);
        return Archiver::archive("QMBezierPath", payload);
    };
    const QVariantList move = {qint64(0), 1.0, 2.0};
    EXPECT_TRUE(BezierPathArchive::unarchive(archived({QVariant(move)})));
    const QVariantList cases[] = {
        {qint64(7), 1.0, 2.0},                                  // unknown element kind
        {qint64(-1)},                                           //
        {qint64(0), 1.0},                                       // a point short
        {qint64(2), 1.0, 2.0, 3.0, 4.0},                        // a curve without its end
        {qint64(1), 1.0, 2.0, 3.0},                             // a coordinate too many
        {qint64(1), std::numeric_limits<double>::infinity(), 2.0},
        {qint64(1), std::numeric_limits<double>::quiet_NaN(), 2.0},
        {qint64(1), QString("a"), 2.0},
        {},
    };
    for (const QVariantList &entry : cases)
        EXPECT_FALSE(BezierPathArchive::unarchive(archived({QVariant(move), QVariant(entry)})));
    EXPECT_FALSE(BezierPathArchive::unarchive(archived({QVariant(QString("0,1,2"))})));
    EXPECT_FALSE(BezierPathArchive::unarchive(Archiver::archive("QMBezierPath", {})));
    EXPECT_FALSE(BezierPathArchive::unarchive(Archiver::archiveColor(Qt::red)));
    EXPECT_FALSE(BezierPathArchive::unarchive(QByteArray("bplist00garbage")));
}
