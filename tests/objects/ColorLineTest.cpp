// The line object: its defaults, the diagonal flag and its knobs, the hit band, the redraw
// area, end-knob resizing with Shift snapping and crossing, rotation, drawing and the stored
// form.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTransform>

#include <cmath>

#include "objects/ColorLine.h"
#include "objects/FakeCanvas.h"
#include "objects/ObjectFactory.h"
#include "platform/Modifiers.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

constexpr unsigned Shift = ShiftKeyMask;

void expectRect(const QRectF &actual, const QRectF &expected, const QString &label = {})
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-3) << label.toStdString();
    EXPECT_NEAR(actual.y(), expected.y(), 1e-3) << label.toStdString();
    EXPECT_NEAR(actual.width(), expected.width(), 1e-3) << label.toStdString();
    EXPECT_NEAR(actual.height(), expected.height(), 1e-3) << label.toStdString();
}

void expectPoint(const QPointF &actual, const QPointF &expected, const char *label = "")
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-3) << label;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-3) << label;
}

// The line's two ends on the page, turned with the object.
std::pair<QPointF, QPointF> endsOnPage(const ColorLine &line)
{
    QPointF pts[3];
    const BezierPath path = line.bezierPath();
    path.elementAt(0, pts);
    QPointF start = pts[0];
    path.elementAt(1, pts);
    QPointF end = pts[0];
    const QPointF c = line.frameBounds().center();
    QTransform t;
    t.translate(c.x(), c.y());
    t.rotate(line.angle());
    t.translate(-c.x(), -c.y());
    return {t.map(start), t.map(end)};
}

} // namespace

TEST(ColorLine, NewLineIsAStrokedUnfilledHairFromUpperLeft)
{
    auto line = ColorLine::create(QRectF(10, 20, 100, 50));
    EXPECT_TRUE(line->drawsStroke());
    EXPECT_FALSE(line->drawsFill());
    EXPECT_FLOAT_EQ(line->strokeLineWidth(), 1.0f);
    EXPECT_FALSE(line->startsAtLowerLeft());
    EXPECT_FALSE(line->canFill());
    EXPECT_FALSE(line->canDrawsImage());
    EXPECT_FALSE(line->canFixRatio());
    EXPECT_FLOAT_EQ(line->getMaxLineWidth(), 150.0f);
    line->setDrawsFill(true);
    EXPECT_FALSE(line->drawsFill());

    const auto [start, end] = endsOnPage(*line);
    expectPoint(start, QPointF(10, 20));
    expectPoint(end, QPointF(110, 70));
    line->setStartsAtLowerLeft(true);
    const auto [start2, end2] = endsOnPage(*line);
    expectPoint(start2, QPointF(10, 70));
    expectPoint(end2, QPointF(110, 20));
}

TEST(ColorLine, KnobMasksFollowTheDiagonal)
{
    auto line = ColorLine::create(QRectF(0, 0, 100, 100));
    EXPECT_EQ(line->knobMask(), (1u << 1) | (1u << 8) | (1u << 11));
    EXPECT_EQ(line->knobMask(), 2306u);
    line->setStartsAtLowerLeft(true);
    EXPECT_EQ(line->knobMask(), (1u << 3) | (1u << 6) | (1u << 11));
    EXPECT_EQ(line->knobMask(), 2120u);

    // Only the knobs at the line's ends answer.
    EXPECT_EQ(line->knobUnderPoint(QPointF(100, 0)), 3);
    EXPECT_EQ(line->knobUnderPoint(QPointF(0, 100)), 6);
    EXPECT_EQ(line->knobUnderPoint(QPointF(0, 0)), 0);
    EXPECT_EQ(line->knobUnderPoint(QPointF(100, 100)), 0);
}

TEST(ColorLine, BothMirrorsSwitchTheDiagonalOnly)
{
    auto line = ColorLine::create(QRectF(0, 0, 10, 10));
    line->flipHorizontally();
    EXPECT_TRUE(line->startsAtLowerLeft());
    line->flipVertically();
    EXPECT_FALSE(line->startsAtLowerLeft());
    EXPECT_FALSE(line->flipHor());
    EXPECT_FALSE(line->flipVert());
}

TEST(ColorLine, SingleArgumentAngleKeepsZero)
{
    auto line = ColorLine::create(QRectF(0, 0, 10, 10));
    line->setAngle(30.0f, false);
    line->setAngle(45.0f);
    EXPECT_FLOAT_EQ(line->angle(), 0.0f);
}

TEST(ColorLine, ShiftSnappingTable)
{
    struct Case
    {
        QPointF drag; // from the fixed corner
        QRectF frame;
        int knob;
        bool lowerLeft;
    };
    // Knob 8 of an upper-left line whose fixed corner is (100, 100).
    const Case cases[] = {
        {{10, 25}, {100, 100, 0, 25}, 8, false},   // vertical: |dy| > 2 |dx|
        {{10, 15}, {100, 100, 15, 15}, 8, false},  // 45 degrees, side max(|dx|, |dy|)
        {{25, 10}, {100, 100, 25, 0}, 8, false},   // horizontal: |dx| > 2 |dy|
        {{10, 20}, {100, 100, 20, 20}, 8, false},  // exactly twice is still 45 degrees
        {{20, 10}, {100, 100, 20, 20}, 8, false},
        {{0, 10}, {100, 100, 0, 10}, 8, false},
        {{-10, 15}, {85, 100, 15, 15}, 6, true},   // 45 degrees to the left crosses over
        {{-10, -15}, {85, 85, 15, 15}, 1, false},  // across both axes: the same diagonal
        {{10, -25}, {100, 75, 0, 25}, 3, true},    // vertical up crosses vertically
        {{-25, 0}, {75, 100, 25, 0}, 6, true},
        {{0, 0}, {100, 100, 0, 0}, 6, true},       // 0 counts as negative: q = A - (0, 0)
    };
    for (const Case &c : cases) {
        auto line = ColorLine::create(QRectF(100, 100, 50, 50));
        const QPointF anchor(100, 100);
        const int knob = line->resizeByMovingKnob(8, anchor + c.drag, Shift);
        const QString label = QStringLiteral("drag %1,%2").arg(c.drag.x()).arg(c.drag.y());
        expectRect(line->frameBounds(), c.frame, label);
        if (c.drag != QPointF(0, 0)) {
            EXPECT_EQ(knob, c.knob) << label.toStdString();
            EXPECT_EQ(line->startsAtLowerLeft(), c.lowerLeft) << label.toStdString();
        }
    }
    EXPECT_EQ(ColorLine::snappedEnd(QPointF(0, 0), QPointF(10, 25)), QPointF(0, 25));
    EXPECT_EQ(ColorLine::snappedEnd(QPointF(0, 0), QPointF(10, 15)), QPointF(15, 15));
    EXPECT_EQ(ColorLine::snappedEnd(QPointF(0, 0), QPointF(25, 10)), QPointF(25, 0));
}

TEST(ColorLine, EndKnobDragsAndCrossings)
{
    // Knob, point, resulting frame, returned knob, diagonal afterwards; the frame before each
    // drag is (100, 100, 100, 50), upper-left start.
    struct Case
    {
        int knob;
        QPointF point;
        QRectF frame;
        int nextKnob;
        bool lowerLeft;
    };
    const Case cases[] = {
        {8, {250, 180}, {100, 100, 150, 80}, 8, false},
        {8, {60, 180}, {60, 100, 40, 80}, 6, true},   // left of the fixed corner
        {8, {250, 80}, {100, 80, 150, 20}, 3, true},  // above it
        {1, {50, 50}, {50, 50, 150, 100}, 1, false},
        {1, {250, 60}, {200, 60, 50, 90}, 3, true},
        {1, {150, 190}, {150, 150, 50, 40}, 6, true},
    };
    for (const Case &c : cases) {
        auto line = ColorLine::create(QRectF(100, 100, 100, 50));
        const int next = line->resizeByMovingKnob(c.knob, c.point, 0);
        const QString label = QStringLiteral("knob %1 to %2,%3").arg(c.knob).arg(c.point.x()).arg(c.point.y());
        expectRect(line->frameBounds(), c.frame, label);
        EXPECT_EQ(next, c.nextKnob) << label.toStdString();
        EXPECT_EQ(line->startsAtLowerLeft(), c.lowerLeft) << label.toStdString();
    }
}

TEST(ColorLine, LowerLeftLineDragsFromItsOwnEnds)
{
    auto line = ColorLine::create(QRectF(100, 100, 100, 50));
    line->setStartsAtLowerLeft(true);
    // Knob 3 (upper right) is fixed at the lower left (100, 150).
    EXPECT_EQ(line->resizeByMovingKnob(3, QPointF(300, 50), 0), 3);
    expectRect(line->frameBounds(), QRectF(100, 50, 200, 100));
    // Dragging it below the fixed corner crosses vertically: knob 8, upper-left start.
    EXPECT_EQ(line->resizeByMovingKnob(3, QPointF(300, 200), 0), 8);
    EXPECT_FALSE(line->startsAtLowerLeft());
    expectRect(line->frameBounds(), QRectF(100, 150, 200, 50));
}

TEST(ColorLine, HitBandAboutTheLine)
{
    auto line = ColorLine::create(QRectF(0, 0, 200, 200));
    const double d = 1.0 / std::sqrt(2.0);
    // Two points beside the middle of a long 45-degree line hit; five do not.
    EXPECT_TRUE(line->hitTest(QPointF(100 + 2 * d, 100 - 2 * d), false));
    EXPECT_TRUE(line->hitTest(QPointF(100 - 2 * d, 100 + 2 * d), false));
    EXPECT_FALSE(line->hitTest(QPointF(100 + 5 * d, 100 - 5 * d), false));
    EXPECT_FALSE(line->hitTest(QPointF(100 - 5 * d, 100 + 5 * d), false));
    // Far from the line inside the frame: no hit.
    EXPECT_FALSE(line->hitTest(QPointF(180, 20), false));

    line->setStartsAtLowerLeft(true);
    EXPECT_TRUE(line->hitTest(QPointF(100 + 2 * d, 100 + 2 * d), false));
    EXPECT_FALSE(line->hitTest(QPointF(100 + 2 * d, 100 - 2 * d + 10), false));

    // Selected, the end knobs hit even beyond the band.
    EXPECT_FALSE(line->hitTest(QPointF(202.5, -2.5), false));
    EXPECT_TRUE(line->hitTest(QPointF(202.5, -2.5), true));
}

TEST(ColorLine, RedrawAreaGrowsWithTheStroke)
{
    auto line = ColorLine::create(QRectF(10, 10, 100, 50));
    line->setStrokeLineWidth(0.4f);
    expectRect(line->drawingBounds(), QRectF(6, 6, 108, 58), "0.4 points wide");
    line->setStrokeLineWidth(8.0f);
    expectRect(line->drawingBounds(), QRectF(3, 3, 114, 64), "8 points wide");
    line->setDrawsStroke(false);
    expectRect(line->drawingBounds(), QRectF(6, 6, 108, 58), "no stroke");
    // The rotated outline is a rectangle of the redraw area.
    expectRect(line->getRotatedBounds().bounds(), line->drawingBounds(), "rotated bounds");
}

TEST(ColorLine, RotatedLineTurnsItsBandHandlesAndRedrawArea)
{
    // A horizontal line through (50, 0), turned a quarter: it runs from (50, -50) to (50, 50).
    auto line = ColorLine::create(QRectF(0, 0, 100, 0));
    line->setAngle(90.0f, false);
    EXPECT_TRUE(line->hitTest(QPointF(51, 5), false));
    EXPECT_TRUE(line->hitTest(QPointF(49, -5), false));
    EXPECT_FALSE(line->hitTest(QPointF(55, 5), false));
    EXPECT_FALSE(line->hitTest(QPointF(90, 0), false));
    EXPECT_FALSE(line->hitTest(QPointF(10, 0), false));

    const QRectF area = line->drawingBounds();
    EXPECT_LE(area.top(), -50);
    EXPECT_GE(area.bottom(), 50);
    EXPECT_LE(area.width(), 10);

    // The end knobs sit at the turned ends.
    EXPECT_EQ(line->knobUnderPoint(QPointF(50, -50)), 1);
    EXPECT_EQ(line->knobUnderPoint(QPointF(50, 50)), 8);
    EXPECT_EQ(line->knobUnderPoint(QPointF(0, 0)), 0);
}

TEST(ColorLine, RotatedLineKeepsItsFixedEndWhileResized)
{
    auto line = ColorLine::create(QRectF(0, 0, 100, 0));
    line->setAngle(90.0f, false);
    const int knob = line->resizeByMovingKnob(8, QPointF(50, 150), 0);
    EXPECT_EQ(knob, 8);
    const auto [start, end] = endsOnPage(*line);
    expectPoint(start, QPointF(50, -50), "fixed end");
    expectPoint(end, QPointF(50, 150), "moved end");
}

TEST(ColorLine, RotationKnobsBeyondEachEnd)
{
    auto line = ColorLine::create(QRectF(100, 100, 50, 50));
    const QRectF knob(0, 0, 6, 6);
    // Upper-left start: squares centred on (94, 94) and (156, 156), one handle width beyond
    // each end, as every object centres its rotation knobs.
    EXPECT_EQ(line->rotateKnobUnderPoint(knob, QPointF(96, 96)), 11);
    EXPECT_EQ(line->rotateKnobUnderPoint(knob, QPointF(92, 92)), 11);
    EXPECT_EQ(line->rotateKnobUnderPoint(knob, QPointF(99, 99)), 0);
    EXPECT_EQ(line->rotateKnobUnderPoint(knob, QPointF(154, 154)), 11);
    EXPECT_EQ(line->rotateKnobUnderPoint(knob, QPointF(160, 160)), 0);
    EXPECT_EQ(line->rotateKnobUnderPoint(knob, QPointF(156, 94)), 0);
    line->setStartsAtLowerLeft(true);
    EXPECT_EQ(line->rotateKnobUnderPoint(knob, QPointF(156, 94)), 11);
    EXPECT_EQ(line->rotateKnobUnderPoint(knob, QPointF(94, 156)), 11);
    EXPECT_EQ(line->rotateKnobUnderPoint(knob, QPointF(92, 158)), 11);
    EXPECT_EQ(line->rotateKnobUnderPoint(knob, QPointF(94, 94)), 0);

    // The same squares through the knob test of the line (knobs 1 and 8 missed first).
    auto upper = ColorLine::create(QRectF(100, 100, 50, 50));
    EXPECT_EQ(upper->knobUnderPoint(QPointF(92, 92)), 11);
    EXPECT_EQ(upper->knobUnderPoint(QPointF(158, 158)), 11);
}

TEST(ColorLine, AnEndDraggedAcrossTheFixedEndInBothAxesKeepsItsDiagonal)
{
    struct Case
    {
        int knob;
        bool lowerLeft;
        QPointF to;
        QRectF frame;
        int next;
    };
    // Frame (100, 100, 50, 50); the end is dragged past the fixed end on both axes at once.
    const Case cases[] = {
        {8, false, {80, 70}, {80, 70, 20, 30}, 1},   // fixed (100, 100)
        {1, false, {170, 180}, {150, 150, 20, 30}, 8}, // fixed (150, 150)
        {3, true, {80, 180}, {80, 150, 20, 30}, 6},   // fixed (100, 150)
        {6, true, {170, 70}, {150, 70, 20, 30}, 3},   // fixed (150, 100)
    };
    for (const Case &c : cases) {
        auto line = ColorLine::create(QRectF(100, 100, 50, 50));
        line->setStartsAtLowerLeft(c.lowerLeft);
        const int next = line->resizeByMovingKnob(c.knob, c.to, 0);
        const std::string label = "knob " + std::to_string(c.knob);
        expectRect(line->frameBounds(), c.frame, QString::fromStdString(label));
        EXPECT_EQ(next, c.next) << label;
        // The line still joins the fixed end and the pointer.
        EXPECT_EQ(line->startsAtLowerLeft(), c.lowerLeft) << label;
        const BezierPath drawn = line->bezierPath();
        QPointF a[3], b[3];
        drawn.elementAt(0, a);
        drawn.elementAt(1, b);
        EXPECT_TRUE(a[0] == c.to || b[0] == c.to) << label;
    }
}

TEST(ColorLine, ResizeStepsAreUndoable)
{
    qmtest::FakeCanvas canvas;
    auto line = ColorLine::create(QRectF(0, 0, 10, 10));
    line->setMainView(&canvas);
    line->resizeByMovingKnob(8, QPointF(40, 30), 0);
    canvas.undo.closeEventGroup();
    canvas.undo.undo();
    expectRect(line->frameBounds(), QRectF(0, 0, 10, 10));
    canvas.undo.redo();
    expectRect(line->frameBounds(), QRectF(0, 0, 40, 30));
}

TEST(ColorLine, DrawsItsDiagonalAndTwoHandles)
{
    auto line = ColorLine::create(QRectF(10, 10, 80, 80));
    line->setStrokeLineWidth(3.0f);
    QImage image(100, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        line->drawFrame(&painter, QRectF(0, 0, 100, 100), false);
    }
    EXPECT_LT(qGray(image.pixel(50, 50)), 64);
    EXPECT_LT(qGray(image.pixel(30, 30)), 64);
    EXPECT_EQ(image.pixel(70, 30), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(30, 70), qRgb(255, 255, 255));

    QImage handles(100, 100, QImage::Format_ARGB32);
    handles.fill(Qt::white);
    {
        QPainter painter(&handles);
        line->drawHandlesInView(&painter);
    }
    EXPECT_NE(handles.pixel(9, 9), qRgb(255, 255, 255));
    EXPECT_NE(handles.pixel(89, 89), qRgb(255, 255, 255));
    EXPECT_EQ(handles.pixel(89, 10), qRgb(255, 255, 255));
    EXPECT_EQ(handles.pixel(10, 89), qRgb(255, 255, 255));
}

TEST(ColorLine, StoredFormKeepsTheDiagonal)
{
    registerObjectKinds();
    auto line = ColorLine::create(QRectF(5, 6, 70, 80));
    QVariantMap dict = line->propertyListRepresentation();
    EXPECT_EQ(dict.value("Class").toString(), "ColorLine");
    EXPECT_EQ(dict.value("startAtLine").toString(), "NO");

    line->setStartsAtLowerLeft(true);
    dict = line->propertyListRepresentation();
    EXPECT_EQ(dict.value("startAtLine").toString(), "YES");

    // Through a binary property list and the object factory.
    const QVariant back = PropertyList::fromData(PropertyList::toData(dict));
    auto loaded = ColorRect::graphicWithPropertyListRepresentation(back.toMap());
    ASSERT_TRUE(loaded);
    auto *readLine = dynamic_cast<ColorLine *>(loaded.get());
    ASSERT_NE(readLine, nullptr);
    EXPECT_TRUE(readLine->startsAtLowerLeft());
    expectRect(readLine->frameBounds(), QRectF(5, 6, 70, 80));
    EXPECT_TRUE(readLine->drawsStroke());

    // Only "YES" exactly reads as YES; a missing key keeps the flag of creation.
    for (const char *value : {"yes", "Yes", "1", "true", ""}) {
        QVariantMap other = dict;
        other.insert("startAtLine", QString::fromLatin1(value));
        auto l = ColorLine::create();
        l->loadPropertyListRepresentation(other);
        EXPECT_FALSE(l->startsAtLowerLeft()) << value;
    }
    QVariantMap wrongType = dict;
    wrongType.insert("startAtLine", true);
    auto l = ColorLine::create();
    l->loadPropertyListRepresentation(wrongType);
    EXPECT_FALSE(l->startsAtLowerLeft());
    QVariantMap missing = dict;
    missing.remove("startAtLine");
    auto m = ColorLine::create();
    m->loadPropertyListRepresentation(missing);
    EXPECT_FALSE(m->startsAtLowerLeft());
}

TEST(ColorLine, CopiesKeepTheDiagonal)
{
    registerObjectKinds();
    EXPECT_TRUE(ObjectFactory::isRegistered("ColorLine"));
    EXPECT_EQ(ObjectFactory::create("ColorLine")->className(), "ColorLine");
    auto line = ColorLine::create(QRectF(0, 0, 20, 10));
    line->setStartsAtLowerLeft(true);
    auto copy = line->copy();
    auto *copied = dynamic_cast<ColorLine *>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->startsAtLowerLeft());
    EXPECT_FALSE(copied->drawsFill());
}

TEST(ColorLine, SelectionHandlesTurnWithTheLine)
{
    auto line = ColorLine::create(QRectF(0, 0, 100, 0));
    line->setAngle(90.0f, false);
    QImage image(120, 130, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.translate(10, 60);
        line->drawSelect(&painter, QRectF());
    }
    // The ends turned a quarter lie at (50, -50) and (50, 50): (60, 10) and (60, 110) here.
    EXPECT_NE(image.pixel(59, 9), qRgb(255, 255, 255));
    EXPECT_NE(image.pixel(61, 111), qRgb(255, 255, 255));
    // Nothing at the unturned ends.
    EXPECT_EQ(image.pixel(10, 60), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(110, 60), qRgb(255, 255, 255));
}
