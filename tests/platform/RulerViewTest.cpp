// The ruler, the scroll view that shows rulers beside its viewport, and the stepper: units and
// their tick cycles, markers dragged with the mouse and the client's answers, ruler lines,
// and the stepper's steps at the ends of its range.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include "platform/RulerView.h"
#include "platform/ScrollView.h"
#include "platform/Stepper.h"

using namespace quillmark;

namespace {

// A client whose coordinates are its widget's pixels scaled by `scale` from `origin`.
class FakeClient : public QWidget, public RulerClient
{
public:
    double scale = 1.0;
    QPointF origin;
    bool allowMove = true;
    bool allowRemove = false;
    double clampAt = 1e9;
    int willMoves = 0;
    int didMoves = 0;
    int removed = 0;
    int pressesOnRuler = 0;

    QWidget *rulerClientWidget() override { return this; }
    QTransform rulerClientTransform() const override
    {
        QTransform t;
        t.scale(scale, scale);
        t.translate(-origin.x(), -origin.y());
        return t;
    }
    QPointF rulerClientBoundsOrigin() const override { return origin; }
    bool rulerViewShouldMoveMarker(RulerView *, RulerMarker *) override { return allowMove; }
    double rulerViewWillMoveMarker(RulerView *, RulerMarker *, double location) override
    {
        ++willMoves;
        return std::min(location, clampAt);
    }
    void rulerViewDidMoveMarker(RulerView *, RulerMarker *) override { ++didMoves; }
    bool rulerViewShouldRemoveMarker(RulerView *, RulerMarker *) override { return allowRemove; }
    void rulerViewDidRemoveMarker(RulerView *, RulerMarker *) override { ++removed; }
    void rulerViewHandleMouseDown(RulerView *, const QPointF &) override { ++pressesOnRuler; }
};

// A ruler of 400 pixels above a client of the same width, both in one window.
struct RulerFixture
{
    QWidget window;
    RulerView *ruler;
    FakeClient *client;

    explicit RulerFixture(RulerView::Orientation orientation = RulerView::Horizontal)
    {
        ruler = new RulerView(orientation, &window);
        client = new FakeClient;
        client->setParent(&window);
        if (orientation == RulerView::Horizontal) {
            ruler->setGeometry(0, 0, 400, int(ruler->requiredThickness()));
            client->setGeometry(0, ruler->height(), 400, 300);
        } else {
            ruler->setGeometry(0, 0, int(ruler->requiredThickness()), 400);
            client->setGeometry(ruler->width(), 0, 300, 400);
        }
        window.resize(500, 500);
        ruler->setClientView(client);
    }

    RulerMarkerPtr addMarker(double location, const QString &name)
    {
        QImage image(8, 8, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        auto marker = std::make_shared<RulerMarker>(location, image, QPointF(0, 0));
        marker->setRepresentedObject(name);
        ruler->addMarker(marker);
        return marker;
    }

    QPoint markerPoint(const RulerMarker &marker) const { return ruler->markerRect(marker).center().toPoint(); }
};

QStringList labelsOf(const QList<RulerView::Tick> &ticks)
{
    QStringList labels;
    for (const RulerView::Tick &tick : ticks)
        if (tick.level == 0)
            labels << tick.label;
    return labels;
}

} // namespace

TEST(RulerUnits, TheFourUnitsAreThereFromTheStart)
{
    for (const char *name : {"Inches", "Centimeters", "Points", "Picas"})
        EXPECT_TRUE(RulerView::unitNamed(QString::fromLatin1(name)).has_value()) << name;
    EXPECT_FALSE(RulerView::unitNamed(QStringLiteral("Furlongs")).has_value());
}

TEST(RulerUnits, ARegistrationWithCyclesThatNeverEndIsRefused)
{
    EXPECT_FALSE(RulerView::registerUnitWithName("Bad", "b", 10.0, {1.0}, {0.5}));
    EXPECT_FALSE(RulerView::registerUnitWithName("Bad", "b", 10.0, {2.0}, {1.5}));
    EXPECT_FALSE(RulerView::registerUnitWithName("Bad", "b", 0.0, {2.0}, {0.5}));
    EXPECT_FALSE(RulerView::registerUnitWithName("Bad", "b", 10.0, {}, {0.5}));
    EXPECT_FALSE(RulerView::unitNamed(QStringLiteral("Bad")).has_value());
    EXPECT_TRUE(RulerView::registerUnitWithName("Halves", "h", 36.0, {2.0}, {0.5}));
    EXPECT_EQ(RulerView::unitNamed(QStringLiteral("Halves"))->pointsPerUnit, 36.0);
}

TEST(RulerUnits, AnUnknownUnitLeavesTheRulerAsItWas)
{
    RulerFixture f;
    ASSERT_TRUE(f.ruler->setMeasurementUnits(QStringLiteral("Points")));
    EXPECT_FALSE(f.ruler->setMeasurementUnits(QStringLiteral("Furlongs")));
    EXPECT_EQ(f.ruler->measurementUnits(), "Points");
}

TEST(RulerTicks, InchesAt100PercentAreLabelledEveryInchWithHalvesAndTenths)
{
    RulerFixture f;
    f.ruler->setMeasurementUnits(QStringLiteral("Inches"));
    const QList<RulerView::Tick> ticks = f.ruler->ticksBetween(0.0, 144.0);
    EXPECT_EQ(labelsOf(ticks), QStringList({"0", "1", "2"}));
    // 0.5 inch = 36 pixels and 0.1 inch = 7.2 pixels have room; 0.05 inch has not.
    int halves = 0, tenths = 0;
    for (const RulerView::Tick &tick : ticks) {
        if (tick.level == 1)
            ++halves;
        if (tick.level == 2)
            ++tenths;
        EXPECT_LE(tick.level, 2);
    }
    EXPECT_EQ(halves, 2);
    EXPECT_EQ(tenths, 16);
    EXPECT_NEAR(ticks.at(1).location, 7.2, 1e-9);
}

TEST(RulerTicks, EachUnitStepsUpByItsOwnCycle)
{
    RulerFixture f;
    // Points: 1 point is a pixel, labels go up by tens to 100.
    f.ruler->setMeasurementUnits(QStringLiteral("Points"));
    EXPECT_EQ(labelsOf(f.ruler->ticksBetween(0.0, 300.0)), QStringList({"0", "100", "200", "300"}));
    // Picas: 12 pixels each, labelled every 10 picas.
    f.ruler->setMeasurementUnits(QStringLiteral("Picas"));
    EXPECT_EQ(labelsOf(f.ruler->ticksBetween(0.0, 240.0)), QStringList({"0", "10", "20"}));
    // Centimetres at a quarter: 7 pixels a centimetre, labels doubled twice to 4 cm.
    f.ruler->setMeasurementUnits(QStringLiteral("Centimeters"));
    f.client->scale = 0.25;
    EXPECT_EQ(labelsOf(f.ruler->ticksBetween(0.0, 28.35 * 8)), QStringList({"0", "4", "8"}));
    // Inches at 400 %: half inches have room for labels.
    f.ruler->setMeasurementUnits(QStringLiteral("Inches"));
    f.client->scale = 4.0;
    EXPECT_EQ(labelsOf(f.ruler->ticksBetween(0.0, 72.0)), QStringList({"0", "0.5", "1"}));
}

TEST(RulerTicks, ZeroStandsAtTheOriginOffsetFromTheBoundsOrigin)
{
    RulerFixture f;
    f.client->origin = QPointF(-50.0, 0.0);
    f.ruler->setOriginOffset(50.0);
    EXPECT_EQ(f.ruler->zeroLocation(), 0.0);
    // Client 0 is 50 pixels into the client widget, which starts at the ruler's left edge.
    EXPECT_DOUBLE_EQ(f.ruler->convertClientToRuler(0.0), 50.0);
    EXPECT_DOUBLE_EQ(f.ruler->convertRulerToClient(50.0), 0.0);
    const QList<RulerView::Tick> ticks = f.ruler->ticksBetween(-72.0, 72.0);
    EXPECT_EQ(labelsOf(ticks), QStringList({"-1", "0", "1"}));
}

TEST(RulerTicks, TheRulerFollowsItsClientWidgetAcrossTheWindow)
{
    RulerFixture f(RulerView::Vertical);
    f.client->scale = 2.0;
    // The client lies beside the ruler; along the vertical axis they start together.
    EXPECT_DOUBLE_EQ(f.ruler->convertClientToRuler(10.0), 20.0);
    f.client->move(f.client->x(), -30);
    EXPECT_DOUBLE_EQ(f.ruler->convertClientToRuler(10.0), -10.0);
    EXPECT_DOUBLE_EQ(f.ruler->convertRulerToClient(-10.0), 10.0);
}

TEST(RulerMarkers, ADragMovesTheMarkerAsTheClientAllows)
{
    RulerFixture f;
    const RulerMarkerPtr marker = f.addMarker(100.0, QStringLiteral("Edge"));
    const QPoint start = f.markerPoint(*marker);
    QTest::mousePress(f.ruler, Qt::LeftButton, {}, start);
    EXPECT_EQ(f.ruler->trackedMarker(), marker.get());
    QTest::mouseMove(f.ruler, start + QPoint(30, 0));
    EXPECT_DOUBLE_EQ(marker->markerLocation(), 130.0);
    f.client->clampAt = 150.0;
    QTest::mouseMove(f.ruler, start + QPoint(90, 0));
    EXPECT_DOUBLE_EQ(marker->markerLocation(), 150.0);
    QTest::mouseRelease(f.ruler, Qt::LeftButton, {}, start + QPoint(90, 0));
    EXPECT_EQ(f.client->didMoves, 1);
    EXPECT_EQ(f.ruler->trackedMarker(), nullptr);
}

TEST(RulerMarkers, AClickWithoutMoveIsNoMoveAndAPressBesideMarkersGoesToTheClient)
{
    RulerFixture f;
    const RulerMarkerPtr marker = f.addMarker(100.0, QStringLiteral("Edge"));
    QTest::mouseClick(f.ruler, Qt::LeftButton, {}, f.markerPoint(*marker));
    EXPECT_EQ(f.client->didMoves, 0);
    QTest::mouseClick(f.ruler, Qt::LeftButton, {}, QPoint(300, 4));
    EXPECT_EQ(f.client->pressesOnRuler, 1);
}

TEST(RulerMarkers, AMarkerTheClientHoldsDoesNotMove)
{
    RulerFixture f;
    f.client->allowMove = false;
    const RulerMarkerPtr marker = f.addMarker(100.0, QStringLiteral("Edge"));
    const QPoint start = f.markerPoint(*marker);
    QTest::mousePress(f.ruler, Qt::LeftButton, {}, start);
    QTest::mouseMove(f.ruler, start + QPoint(40, 0));
    QTest::mouseRelease(f.ruler, Qt::LeftButton, {}, start + QPoint(40, 0));
    EXPECT_DOUBLE_EQ(marker->markerLocation(), 100.0);
    EXPECT_EQ(f.client->willMoves, 0);
}

TEST(RulerMarkers, ARemovableMarkerLeavesOnlyWhenTheClientAgrees)
{
    for (bool allow : {false, true}) {
        RulerFixture f;
        f.client->allowRemove = allow;
        const RulerMarkerPtr marker = f.addMarker(100.0, QStringLiteral("Edge"));
        marker->setRemovable(true);
        const QPoint start = f.markerPoint(*marker);
        QTest::mousePress(f.ruler, Qt::LeftButton, {}, start);
        QTest::mouseMove(f.ruler, start + QPoint(0, 120));
        QTest::mouseRelease(f.ruler, Qt::LeftButton, {}, start + QPoint(0, 120));
        EXPECT_EQ(f.ruler->markers().size(), allow ? 0 : 1);
        EXPECT_EQ(f.client->removed, allow ? 1 : 0);
    }
}

TEST(RulerMarkers, TheClientMayReplaceTheMarkersWhileOneIsDragged)
{
    RulerFixture f;
    RulerMarkerPtr marker = f.addMarker(100.0, QStringLiteral("Edge"));
    const QPoint start = f.markerPoint(*marker);
    QTest::mousePress(f.ruler, Qt::LeftButton, {}, start);
    RulerMarker *dragged = marker.get();
    f.ruler->setMarkers({});
    marker.reset();
    // The dragged marker lives on until the drag ends.
    QTest::mouseMove(f.ruler, start + QPoint(10, 0));
    EXPECT_DOUBLE_EQ(dragged->markerLocation(), 110.0);
    QTest::mouseRelease(f.ruler, Qt::LeftButton, {}, start + QPoint(10, 0));
    EXPECT_EQ(f.client->didMoves, 1);
}

TEST(RulerMarkers, ImagesStandOnTheInnerEdgeAtTheirOrigin)
{
    RulerFixture f;
    QImage image(8, 9, QImage::Format_ARGB32_Premultiplied);
    RulerMarker horizontal(100.0, image, QPointF(7, 0));
    const QRectF h = f.ruler->markerRect(horizontal);
    EXPECT_EQ(h.right(), 101.0);
    EXPECT_EQ(h.bottom(), double(f.ruler->height()));
    RulerFixture v(RulerView::Vertical);
    RulerMarker top(100.0, image, QPointF(8, 8));
    const QRectF t = v.ruler->markerRect(top);
    EXPECT_EQ(t.right(), double(v.ruler->width()));
    EXPECT_EQ(t.top(), 99.0);
}

TEST(RulerLines, LinesAreAddedMovedAndRemoved)
{
    RulerFixture f;
    f.ruler->moveRulerlineFromLocation(-1.0, 10.0);
    f.ruler->moveRulerlineFromLocation(-1.0, 20.0);
    EXPECT_EQ(f.ruler->rulerlines(), QList<double>({10.0, 20.0}));
    f.ruler->moveRulerlineFromLocation(10.0, 15.0);
    EXPECT_EQ(f.ruler->rulerlines(), QList<double>({20.0, 15.0}));
    f.ruler->moveRulerlineFromLocation(20.0, -1.0);
    f.ruler->moveRulerlineFromLocation(15.0, -1.0);
    EXPECT_TRUE(f.ruler->rulerlines().isEmpty());
}

TEST(RulerClientChange, ANewClientStartsWithoutMarkers)
{
    RulerFixture f;
    f.addMarker(10.0, QStringLiteral("Edge"));
    FakeClient other;
    f.ruler->setClientView(&other);
    EXPECT_TRUE(f.ruler->markers().isEmpty());
    EXPECT_EQ(f.ruler->clientView(), &other);
}

TEST(ScrollViewRulers, VisibleRulersTakeTheirRoomFromTheViewport)
{
    ScrollView scroll;
    scroll.resize(400, 300);
    scroll.setHasHorizontalRuler(true);
    scroll.setHasVerticalRuler(true);
    scroll.show();
    const QRect before = scroll.viewport()->geometry();
    scroll.setRulersVisible(true);
    const QRect after = scroll.viewport()->geometry();
    RulerView *horizontal = scroll.horizontalRulerView();
    RulerView *vertical = scroll.verticalRulerView();
    EXPECT_EQ(after.top() - before.top(), int(std::ceil(horizontal->requiredThickness())));
    EXPECT_EQ(after.left() - before.left(), int(std::ceil(vertical->requiredThickness())));
    // The rulers line up with the viewport; the corner square lies where they meet.
    EXPECT_EQ(horizontal->geometry().left(), after.left());
    EXPECT_EQ(horizontal->geometry().width(), after.width());
    EXPECT_EQ(horizontal->geometry().bottom() + 1, after.top());
    EXPECT_EQ(vertical->geometry().top(), after.top());
    EXPECT_EQ(vertical->geometry().right() + 1, after.left());
    EXPECT_TRUE(scroll.rulerCorner()->isVisible());
    // Thicker markers make the viewport smaller again.
    vertical->setReservedThicknessForMarkers(30.0);
    EXPECT_EQ(scroll.viewport()->geometry().left() - before.left(), int(std::ceil(vertical->requiredThickness())));
    scroll.setRulersVisible(false);
    EXPECT_EQ(scroll.viewport()->geometry(), before);
    EXPECT_FALSE(horizontal->isVisible());
}

TEST(StepperSteps, StepsWrapOrStopAtTheEnds)
{
    Stepper stepper;
    stepper.setMinValue(0.0);
    stepper.setMaxValue(2.0);
    stepper.setIncrement(1.0);
    stepper.setDoubleValue(2.0);
    stepper.step(1);
    EXPECT_EQ(stepper.doubleValue(), 0.0);
    stepper.step(-1);
    EXPECT_EQ(stepper.doubleValue(), 2.0);
    stepper.setValueWraps(false);
    stepper.step(1);
    EXPECT_EQ(stepper.doubleValue(), 2.0);
    stepper.setDoubleValue(0.0);
    stepper.step(-1);
    EXPECT_EQ(stepper.doubleValue(), 0.0);
}

TEST(StepperSteps, TheUpperHalfStepsUpAndTheLowerDown)
{
    Stepper stepper;
    stepper.resize(stepper.sizeHint());
    stepper.setAutorepeat(false);
    stepper.setDoubleValue(5.0);
    QList<double> seen;
    QObject::connect(&stepper, &Stepper::valueChanged, [&seen](double value) { seen.append(value); });
    QTest::mouseClick(&stepper, Qt::LeftButton, {}, stepper.upRect().center());
    QTest::mouseClick(&stepper, Qt::LeftButton, {}, stepper.downRect().center());
    QTest::mouseClick(&stepper, Qt::LeftButton, {}, stepper.downRect().center());
    EXPECT_EQ(seen, QList<double>({6.0, 5.0, 4.0}));
}
