// Groups: membership and the object-like answers, rotation about a centre, moving,
// proportional resizing, knob drags with their modifier rules, knobs, the knob drag fed by
// the canvas, drawing, and the "GroupsList" entry form.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>

#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "objects/ColorLine.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/Group.h"
#include "objects/ObjectFactory.h"
#include "platform/Modifiers.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

constexpr unsigned Shift = ShiftKeyMask;
constexpr unsigned Command = CommandKeyMask;
constexpr unsigned Control = ControlKeyMask;

void expectRect(const QRectF &actual, const QRectF &expected, const std::string &label = {})
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-3) << label;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-3) << label;
    EXPECT_NEAR(actual.width(), expected.width(), 1e-3) << label;
    EXPECT_NEAR(actual.height(), expected.height(), 1e-3) << label;
}

struct Fixture
{
    qmtest::FakeCanvas canvas;
    std::shared_ptr<ColorRect> a = ColorRect::create(QRectF(0, 0, 20, 10));
    std::shared_ptr<ColorRect> b = ColorRect::create(QRectF(80, 40, 20, 10));
    std::shared_ptr<Group> group = Group::create();

    explicit Fixture(bool withCanvas = true)
    {
        if (withCanvas) {
            a->setMainView(&canvas);
            b->setMainView(&canvas);
            group->setRectsView(&canvas);
        }
        group->addObjects({a, b});
        canvas.undo.closeEventGroup();
        canvas.undo.removeAllActions();
    }
};

} // namespace

// ---- membership ----

TEST(GroupMembers, AddingAListSetsTheBoundsAndTheBackReferences)
{
    Fixture f(false);
    expectRect(f.group->bounds(), QRectF(0, 0, 100, 50));
    EXPECT_EQ(f.a->getGroup(), f.group.get());
    EXPECT_EQ(f.group->getObjects().size(), 2);

    // A turned member counts with its turned outline.
    auto turned = ColorRect::create(QRectF(200, 0, 20, 10));
    turned->setAngle(90.0f, false);
    f.group->addObjects({f.a, turned});
    expectRect(f.group->bounds(), QRectF(0, -5, 215, 55));
    EXPECT_EQ(f.b->getGroup(), nullptr);

    // A single addition keeps the bounds.
    f.group->addObject(f.b);
    expectRect(f.group->bounds(), QRectF(0, -5, 215, 55));
    EXPECT_EQ(f.b->getGroup(), f.group.get());

    f.group->clear();
    EXPECT_TRUE(f.group->getObjects().isEmpty());
    EXPECT_EQ(f.a->getGroup(), nullptr);
    EXPECT_TRUE(f.group->bounds().isNull());
    f.group->addObject(f.a);
    EXPECT_TRUE(f.group->getObjects().isEmpty());
}

TEST(GroupMembers, ReleasingAGroupDetachesItsMembers)
{
    auto a = ColorRect::create(QRectF(0, 0, 10, 10));
    {
        auto group = Group::create();
        group->addObjects({a});
        EXPECT_EQ(a->getGroup(), group.get());
    }
    EXPECT_EQ(a->getGroup(), nullptr);
}

TEST(GroupMembers, ObjectLikeAnswers)
{
    Fixture f;
    EXPECT_TRUE(f.group->canSetAngle());
    EXPECT_TRUE(f.group->fixRatio());
    EXPECT_FALSE(f.group->isEditable());
    EXPECT_FALSE(f.group->isEdit());
    EXPECT_FLOAT_EQ(f.group->handleWidth(), 6.0f);
    EXPECT_FLOAT_EQ(f.group->handleHalfWidth(), 3.0f);
    EXPECT_FALSE(f.group->isLocked());
    f.b->setLocked(true);
    EXPECT_TRUE(f.group->isLocked());
    EXPECT_TRUE(f.group->isResizable());
    f.a->setResizable(false);
    EXPECT_FALSE(f.group->isResizable());
    f.a->setPageName("VerticalBack");
    EXPECT_EQ(f.group->pageName(), "VerticalBack");
    EXPECT_TRUE(f.group->isOnPageNamed("VerticalBack"));
    EXPECT_FALSE(f.group->isOnPageNamed("HorizontalFront"));
    f.canvas.zoomCoeff = 2.5;
    EXPECT_DOUBLE_EQ(f.group->getZoom(), 2.5);
    EXPECT_EQ(f.group->undoManager(), &f.canvas.undo);

    EXPECT_FLOAT_EQ(f.group->originX(), 0.0f);
    EXPECT_FLOAT_EQ(f.group->width(), 100.0f);
    EXPECT_FLOAT_EQ(f.group->height(), 50.0f);
    expectRect(f.group->frameBounds(), QRectF(0, 0, 100, 50));
    EXPECT_EQ(f.group->knobLocation(1), QPointF(0, 0));
    EXPECT_EQ(f.group->knobLocation(5), QPointF(100, 25));
    EXPECT_EQ(f.group->knobLocation(7), QPointF(50, 50));
    EXPECT_EQ(f.group->knobLocation(9), QPointF(0, 0));
    f.group->rotate(15.0f);
    EXPECT_FLOAT_EQ(f.group->angle(), 15.0f);

    auto empty = Group::create();
    EXPECT_TRUE(empty->isResizable());
    EXPECT_FALSE(empty->isLocked());
    EXPECT_TRUE(empty->pageName().isNull());
    EXPECT_FALSE(empty->isOnPageNamed(QString()));
    EXPECT_FALSE(empty->isOnPageNamed("HorizontalFront"));
    EXPECT_DOUBLE_EQ(empty->getZoom(), 1.0);
    EXPECT_EQ(empty->undoManager(), nullptr);
    EXPECT_FLOAT_EQ(empty->handleWidth(), 6.0f);
    EXPECT_TRUE(empty->frameBounds().isNull());
}

TEST(GroupMembers, MembersOfAResizableGroupShowNoKnobsOfTheirOwn)
{
    Fixture f;
    EXPECT_EQ(f.a->knobUnderPoint(QPointF(0, 0)), 0);
    f.a->setResizable(false);
    EXPECT_EQ(f.a->knobUnderPoint(QPointF(0, 0)), 1);
}

// ---- rotation ----

TEST(GroupRotate, QuarterTurnAboutTheCentreOfTheBoundsIsOneUndoStep)
{
    Fixture f;
    f.group->setAngle(90.0f);
    // Member centres (10, 5) and (90, 45) turn about (50, 25): clockwise on the page.
    EXPECT_FLOAT_EQ(f.a->angle(), 90.0f);
    EXPECT_FLOAT_EQ(f.b->angle(), 90.0f);
    expectRect(f.a->frameBounds(), QRectF(60, -20, 20, 10), "first member");
    expectRect(f.b->frameBounds(), QRectF(20, 60, 20, 10), "second member");
    expectRect(f.group->bounds(), QRectF(0, 0, 100, 50), "bounds");
    EXPECT_FLOAT_EQ(f.group->angle(), 90.0f);
    EXPECT_EQ(f.canvas.undo.undoActionName(), Language::stringForKey("Change Group Angle"));

    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    EXPECT_FLOAT_EQ(f.group->angle(), 0.0f);
    EXPECT_FLOAT_EQ(f.a->angle(), 0.0f);
    EXPECT_FLOAT_EQ(f.b->angle(), 0.0f);
    expectRect(f.a->frameBounds(), QRectF(0, 0, 20, 10), "first member undone");
    expectRect(f.b->frameBounds(), QRectF(80, 40, 20, 10), "second member undone");
    EXPECT_FALSE(f.canvas.undo.canUndo());

    f.canvas.undo.redo();
    EXPECT_FLOAT_EQ(f.group->angle(), 90.0f);
    expectRect(f.a->frameBounds(), QRectF(60, -20, 20, 10), "first member redone");
}

TEST(GroupRotate, AboutAnotherCentreAndByTheChangeOnly)
{
    Fixture f(false);
    f.group->setAngle(30.0f, QPointF(0, 0));
    f.group->setAngle(90.0f, QPointF(0, 0));
    // 60 more degrees after the first 30: (10, 5) ends a quarter turn about the origin.
    EXPECT_NEAR(f.a->frameBounds().center().x(), -5, 1e-3);
    EXPECT_NEAR(f.a->frameBounds().center().y(), 10, 1e-3);
    EXPECT_FLOAT_EQ(f.a->angle(), 90.0f);
    // The frame went round with its members: its centre (50, 25) lies at (-25, 50) now.
    EXPECT_NEAR(f.group->bounds().center().x(), -25, 1e-3);
    EXPECT_NEAR(f.group->bounds().center().y(), 50, 1e-3);
    EXPECT_NEAR(f.group->bounds().width(), 100, 1e-3);
    EXPECT_NEAR(f.group->bounds().height(), 50, 1e-3);
}

// The frame that holds the members as they lie is the one grouping gives, however the group
// was turned, and whichever centre it was turned about; moved members make it move with them.
TEST(GroupRotate, TheMembersFrameIsTheBoundsAtEveryTurn)
{
    for (const float degrees : {0.0f, 30.0f, 90.0f, 135.0f, 270.0f}) {
        for (const QPointF &centre : {QPointF(50, 25), QPointF(0, 0), QPointF(-40, 70)}) {
            Fixture f(false);
            const std::string label = std::to_string(degrees) + " degrees";
            f.group->setAngle(degrees, centre);
            expectRect(f.group->membersFrame(), f.group->bounds(), label);
            // A member moved by itself: the frame, turned about its own centre, holds it again.
            f.b->setFrameBounds(f.b->frameBounds().translated(30, -12));
            const QRectF frame = f.group->membersFrame();
            QTransform back;
            back.translate(frame.center().x(), frame.center().y());
            back.rotate(-double(degrees));
            back.translate(-frame.center().x(), -frame.center().y());
            bool touches = false;
            for (const auto &member : {f.a, f.b}) {
                const QPolygonF outline = back.map(member->getRotatedBounds().toPainterPath().toFillPolygon());
                for (const QPointF &point : outline) {
                    EXPECT_TRUE(frame.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(point)) << label;
                    touches = touches || std::abs(point.x() - frame.right()) < 1e-6;
                }
            }
            EXPECT_TRUE(touches) << label << ": the frame is larger than its members";
        }
    }
}

// ---- moving ----

TEST(GroupMove, MembersAndBoundsMoveInOneUndoStep)
{
    Fixture f;
    f.group->moveBy(15.0f, -5.0f);
    expectRect(f.group->bounds(), QRectF(15, -5, 100, 50));
    expectRect(f.a->frameBounds(), QRectF(15, -5, 20, 10));
    expectRect(f.b->frameBounds(), QRectF(95, 35, 20, 10));
    EXPECT_EQ(f.canvas.undo.undoActionName(),
              localizedStringFromTable("Move Group", "UndoStrings"));
    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    expectRect(f.group->bounds(), QRectF(0, 0, 100, 50), "bounds undone");
    expectRect(f.a->frameBounds(), QRectF(0, 0, 20, 10), "member undone");
    EXPECT_FALSE(f.canvas.undo.canUndo());
    f.canvas.undo.redo();
    expectRect(f.group->bounds(), QRectF(15, -5, 100, 50), "bounds redone");

    f.group->center(QPointF(0, 0));
    expectRect(f.group->bounds(), QRectF(-50, -25, 100, 50), "centred");
}

TEST(GroupMove, LockedGroupStays)
{
    Fixture f;
    f.a->setLocked(true);
    f.group->moveBy(10.0f, 10.0f);
    expectRect(f.group->bounds(), QRectF(0, 0, 100, 50));
    expectRect(f.b->frameBounds(), QRectF(80, 40, 20, 10));
    EXPECT_FALSE(f.canvas.undo.canUndo());
}

TEST(GroupMove, OriginsMoveEveryMember)
{
    Fixture f;
    f.group->setOriginX(30.0f);
    expectRect(f.group->bounds(), QRectF(30, 0, 100, 50));
    expectRect(f.b->frameBounds(), QRectF(110, 40, 20, 10));
    f.group->setOriginY(-10.0f);
    expectRect(f.group->bounds(), QRectF(30, -10, 100, 50));
    expectRect(f.a->frameBounds(), QRectF(30, -10, 20, 10));
    EXPECT_EQ(f.canvas.undo.undoActionName(), Language::stringForKey("Set Origin Y"));
    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    expectRect(f.group->bounds(), QRectF(0, 0, 100, 50));
    expectRect(f.a->frameBounds(), QRectF(0, 0, 20, 10));
}

// ---- proportional width and height ----

TEST(GroupSize, WidthAndHeightScaleAboutTheOrigin)
{
    Fixture f;
    auto c = ColorRect::create(QRectF(50, 0, 10, 10));
    f.group->addObjects({f.a, f.b, c});
    f.group->setWidth(200.0f);
    expectRect(f.group->bounds(), QRectF(0, 0, 200, 100));
    expectRect(c->frameBounds(), QRectF(100, 0, 20, 20));
    expectRect(f.b->frameBounds(), QRectF(160, 80, 40, 20));
    EXPECT_EQ(f.canvas.undo.undoActionName(), Language::stringForKey("Set Width"));

    f.group->setHeight(50.0f);
    expectRect(f.group->bounds(), QRectF(0, 0, 100, 50));
    expectRect(c->frameBounds(), QRectF(50, 0, 10, 10));

    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    expectRect(f.group->bounds(), QRectF(0, 0, 100, 50));
    expectRect(f.a->frameBounds(), QRectF(0, 0, 20, 10));
}

TEST(GroupSize, BoundsWithoutWidthOrHeightAreNotScaled)
{
    Fixture f;
    f.group->setBounds(QRectF(10, 0, 0, 50));
    f.group->setWidth(100.0f);
    expectRect(f.group->bounds(), QRectF(10, 0, 0, 50));
    f.group->setHeight(100.0f);
    expectRect(f.group->bounds(), QRectF(10, 0, 0, 100));
    expectRect(f.a->frameBounds(), QRectF(-10, 0, 40, 20));

    f.group->setBounds(QRectF(10, 0, 50, 0));
    f.group->setHeight(20.0f);
    expectRect(f.group->bounds(), QRectF(10, 0, 50, 0));

    // Knob drags of such a group stay finite and leave the flat side unscaled.
    for (int knob = 1; knob <= 8; ++knob) {
        Fixture g;
        g.group->setBounds(QRectF(0, 0, 0, 50));
        g.group->resizeByMovingKnob(knob, QPointF(30, 70), 0);
        g.group->resizeByMovingKnob(knob, QPointF(-20, -10), Command | Control | Shift);
        const QRectF r = g.group->bounds();
        EXPECT_TRUE(std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width())
                    && std::isfinite(r.height()))
            << knob;
        for (const auto &member : g.group->getObjects()) {
            const QRectF m = member->frameBounds();
            EXPECT_TRUE(std::isfinite(m.x()) && std::isfinite(m.width()) && std::isfinite(m.height()))
                << knob;
        }
    }
}

// ---- knob drags ----

TEST(GroupResize, KnobStepsWithTheirModifierRules)
{
    struct Case
    {
        const char *label;
        int knob;
        QPointF point;
        unsigned flags;
        QRectF expected;
        int expectedKnob;
    };
    // The bounds before each step are (0, 0, 100, 50): ratio 1 : 2, centre (50, 25).
    const Case cases[] = {
        {"knob 8 keeps the ratio", 8, {200, 80}, 0, {0, 0, 200, 100}, 8},
        {"knob 3 keeps the bottom edge", 3, {200, -10}, 0, {0, -50, 200, 100}, 3},
        {"knob 1 keeps the bottom edge", 1, {-100, 0}, 0, {-100, -50, 200, 100}, 1},
        {"knob 7 stays centred across", 7, {50, 100}, 0, {-50, 0, 200, 100}, 7},
        {"knob 2 stays centred across", 2, {50, 25}, 0, {25, 25, 50, 25}, 2},
        {"knob 5 stays centred vertically", 5, {200, 25}, 0, {0, -25, 200, 100}, 5},
        {"knob 5 past the left edge", 5, {-30, 25}, 0, {-30, 17.5, 30, 15}, 4},
        {"knob 7 above the top edge", 7, {50, -50}, 0, {0, -50, 100, 50}, 2},
        {"symmetric right knob", 5, {110, 25}, Command | Control, {-10, 0, 120, 50}, 5},
        {"symmetric left knob", 4, {-10, 25}, Command | Control, {-10, 0, 120, 50}, 4},
        {"symmetric bottom knob", 7, {50, 60}, Command | Control, {0, -10, 100, 70}, 7},
        {"symmetric corner", 8, {110, 60}, Command | Control, {-10, -10, 120, 70}, 8},
        {"symmetric with Shift keeps ratio and centre", 8, {150, 60}, Command | Control | Shift,
         {-25, -12.5, 150, 75}, 8},
        {"Command alone is not symmetric", 5, {110, 25}, Command, {0, -2.5, 110, 55}, 5},
        {"Shift alone keeps the ratio", 8, {200, 80}, Shift, {0, 0, 200, 100}, 8},
    };
    for (const Case &c : cases) {
        Fixture f;
        const int knob = f.group->resizeByMovingKnob(c.knob, c.point, c.flags);
        expectRect(f.group->bounds(), c.expected, c.label);
        EXPECT_EQ(knob, c.expectedKnob) << c.label;
    }
}

TEST(GroupResize, MembersFollowTheBoundsAndFlipWithThem)
{
    Fixture f;
    f.group->resizeByMovingKnob(8, QPointF(200, 80), 0);
    expectRect(f.a->frameBounds(), QRectF(0, 0, 40, 20));
    expectRect(f.b->frameBounds(), QRectF(160, 80, 40, 20));
    EXPECT_EQ(f.canvas.undo.undoActionName(), Language::stringForKey("Resize group"));

    Fixture g;
    EXPECT_EQ(g.group->resizeByMovingKnob(5, QPointF(-30, 25), 0), 4);
    EXPECT_TRUE(g.a->flipVert());
    EXPECT_TRUE(g.b->flipVert());
    EXPECT_FALSE(g.a->flipHor());
    EXPECT_EQ(g.group->resizeByMovingKnob(7, QPointF(50, -50), 0), 2);
    EXPECT_TRUE(g.a->flipHor());

    // A line member switches its diagonal instead.
    Fixture h;
    auto line = ColorLine::create(QRectF(10, 10, 20, 20));
    h.group->addObjects({h.a, line});
    h.group->resizeByMovingKnob(5, QPointF(-200, 0), 0);
    EXPECT_TRUE(line->startsAtLowerLeft());
}

TEST(GroupResize, TurnedGroupResizesInItsOwnFrame)
{
    Fixture f(false);
    f.group->rotate(90.0f);
    // Turned a quarter about (50, 25), knob 5 lies at (50, 75) on the page; dragging it 50
    // further down widens the unrotated frame to the right, and the frame is placed so that
    // its left edge stays where the turned picture shows it.
    f.group->resizeByMovingKnob(5, QPointF(50, 125), Command | Control);
    const QRectF r = f.group->bounds();
    EXPECT_NEAR(r.width(), 200, 1e-3);
    EXPECT_NEAR(r.height(), 50, 1e-3);
    EXPECT_NEAR(r.center().x(), 50, 1e-3);
    EXPECT_NEAR(r.center().y(), 25, 1e-3);
}

TEST(GroupResize, KnobDragFedByTheCanvas)
{
    Fixture f;
    f.group->beginTrackKnob(5);
    f.group->continueTrackKnob(QPointF(-30, 25), 0);
    f.group->continueTrackKnob(QPointF(-60, 25), 0);
    f.group->endTrackKnob();
    // The second step went on with knob 4, the knob after the flip.
    expectRect(f.group->bounds(), QRectF(-60, 10, 60, 30));
    EXPECT_EQ(f.canvas.echoBegins, 1);
    EXPECT_EQ(f.canvas.echoSteps, 2);
    EXPECT_EQ(f.canvas.echoStops, 1);
    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    expectRect(f.group->bounds(), QRectF(0, 0, 100, 50));
    expectRect(f.b->frameBounds(), QRectF(80, 40, 20, 10));
}

// ---- knobs ----

TEST(GroupKnobs, KnobsAndRotationSpots)
{
    Fixture f(false);
    EXPECT_EQ(f.group->knobUnderPoint(QPointF(1, 1)), 1);
    EXPECT_EQ(f.group->knobUnderPoint(QPointF(50, 2)), 2);
    EXPECT_EQ(f.group->knobUnderPoint(QPointF(98, 48)), 8);
    EXPECT_EQ(f.group->knobUnderPoint(QPointF(50, 25)), 0);
    EXPECT_EQ(f.group->knobUnderPoint(QPointF(106, -6)), 11);
    EXPECT_EQ(f.group->knobUnderPoint(QPointF(-6, 56)), 11);
    EXPECT_EQ(f.group->knobUnderPoint(QPointF(-12, 56)), 0);

    // A tiny group: the highest knob whose square holds the point wins.
    auto tiny = Group::create();
    tiny->setBounds(QRectF(0, 0, 4, 4));
    EXPECT_EQ(tiny->knobUnderPoint(QPointF(2, 2)), 8);
    EXPECT_EQ(tiny->knobUnderPoint(QPointF(0, 0)), 4);

    // Turned, the knobs turn with the bounds.
    f.group->rotate(90.0f);
    EXPECT_EQ(f.group->knobUnderPoint(QPointF(75, -25)), 1);
    EXPECT_EQ(f.group->knobUnderPoint(QPointF(1, 1)), 0);
}

TEST(GroupKnobs, SelectionFrameAndKnobColours)
{
    Fixture f;
    QImage image(120, 70, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.translate(10, 10);
        f.group->drawSelect(&painter);
    }
    // A knob at each corner and in the middle of each side, nothing inside.
    EXPECT_NE(image.pixel(9, 9), qRgb(255, 255, 255));
    EXPECT_NE(image.pixel(60, 9), qRgb(255, 255, 255));
    EXPECT_NE(image.pixel(109, 59), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(60, 35), qRgb(255, 255, 255));

    f.a->setLocked(true);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        f.group->drawHandleAtPoint(QPointF(50, 35), &painter);
    }
    EXPECT_EQ(image.pixel(49, 34), qRgb(255, 0, 0));

    f.canvas.printing = true;
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        f.group->drawSelect(&painter);
    }
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
}

// ---- stored form ----

TEST(GroupStored, EntryFormAndRoundTripThroughABinaryPropertyList)
{
    registerObjectKinds();
    Fixture f;
    auto other = ColorRect::create(QRectF(5, 5, 5, 5));
    f.group->rotate(12.5f);
    const ColorRect::GraphicList graphics = {f.b, other, f.a};
    const QVariantMap dict = f.group->propertyListRepresentation(graphics);
    EXPECT_EQ(dict.value("GroupClassKey").toString(), "Group");
    EXPECT_EQ(dict.value("GroupContents").toString(), "2,0");
    EXPECT_EQ(dict.value("GroupAngle").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(dict.value("GroupAngle").toDouble(), 12.5);
    EXPECT_EQ(dict.value("GroupBounds").toString(), "{{0, 0}, {100, 50}}");

    const QVariant back = PropertyList::fromData(PropertyList::toData(dict));
    auto loaded = Group::groupWithPropertyListRepresentation(back.toMap(), graphics);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->getObjects().size(), 2);
    EXPECT_EQ(loaded->getObjects().at(0), f.a);
    EXPECT_EQ(loaded->getObjects().at(1), f.b);
    EXPECT_FLOAT_EQ(loaded->angle(), 12.5f);
    expectRect(loaded->bounds(), QRectF(0, 0, 100, 50));
    EXPECT_EQ(f.a->getGroup(), loaded.get());

    // A group of fewer than two members writes no contents.
    auto single = Group::create();
    single->addObjects({other});
    EXPECT_FALSE(single->propertyListRepresentation(graphics).contains("GroupContents"));
}

TEST(GroupStored, EntriesThatMakeNoGroup)
{
    registerObjectKinds();
    ColorRect::GraphicList five;
    for (int i = 0; i < 5; ++i)
        five.append(ColorRect::create(QRectF(i * 10, 0, 5, 5)));
    auto entry = [](const QVariant &contents, const QString &kind = QStringLiteral("Group")) {
        QVariantMap dict;
        dict.insert("GroupClassKey", kind);
        if (contents.isValid())
            dict.insert("GroupContents", contents);
        dict.insert("GroupAngle", 0.0);
        dict.insert("GroupBounds", QStringLiteral("{{0, 0}, {45, 5}}"));
        return dict;
    };

    auto group = Group::groupWithPropertyListRepresentation(entry(QStringLiteral("0,7,2")), five);
    ASSERT_TRUE(group);
    ASSERT_EQ(group->getObjects().size(), 2);
    EXPECT_EQ(group->getObjects().at(0), five.at(0));
    EXPECT_EQ(group->getObjects().at(1), five.at(2));
    group->clear();

    for (const QVariant &contents :
         {QVariant(QStringLiteral("3")), QVariant(), QVariant(QStringLiteral("")),
          QVariant(QStringLiteral("0,9")), QVariant(QStringLiteral("-1,x")),
          QVariant(QStringLiteral("1,1")), QVariant(qint64(12))}) {
        EXPECT_FALSE(Group::groupWithPropertyListRepresentation(entry(contents), five))
            << contents.toString().toStdString();
    }
    for (const auto &object : five)
        EXPECT_EQ(object->getGroup(), nullptr);

    for (const QString &kind : {QStringLiteral("Grup"), QStringLiteral("ColorRect"), QString()})
        EXPECT_FALSE(Group::groupWithPropertyListRepresentation(entry(QStringLiteral("0,1"), kind), five));
    QVariantMap noKind = entry(QStringLiteral("0,1"));
    noKind.remove("GroupClassKey");
    EXPECT_FALSE(Group::groupWithPropertyListRepresentation(noKind, five));

    EXPECT_FALSE(Group::registerClass("ColorRect", [] { return Group::create(); }));
    EXPECT_FALSE(Group::registerClass("Group", {}));

    // A damaged angle or bounds leaves the values of creation.
    QVariantMap damaged = entry(QStringLiteral("0,1"));
    damaged.insert("GroupAngle", QStringLiteral("nan"));
    damaged.insert("GroupBounds", QStringLiteral("garbage"));
    auto loaded = Group::groupWithPropertyListRepresentation(damaged, five);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(std::isfinite(loaded->angle()));
    EXPECT_TRUE(std::isfinite(loaded->bounds().width()));
}

// A stored list keeps every group, nested to any depth: each member answers the last group
// holding it. Only an entry making the very group an earlier one made is left out, and the
// members of a left-out copy answer what they answered before it.
TEST(GroupStored, EveryEntryOfAListMakesItsGroupAndOnlyExactCopiesAreLeftOut)
{
    registerObjectKinds();
    ColorRect::GraphicList eight;
    for (int i = 0; i < 8; ++i)
        eight.append(ColorRect::create(QRectF(i * 10, 0, 5, 5)));
    auto entry = [](const QString &contents, double angle = 0.0, const QString &bounds = QStringLiteral("{{0, 0}, {1, 1}}")) {
        return QVariantMap{{"GroupClassKey", QStringLiteral("Group")},
                           {"GroupContents", contents},
                           {"GroupAngle", angle},
                           {"GroupBounds", bounds}};
    };
    // Five deep over objects 0 to 5, a copy of the innermost after the outermost, a copy whose
    // stored frame differs but whose members give it the same one, an entry that makes no
    // group, and two groups of the same members in another order.
    const QVariantList entries = {entry("0,1"),      entry("0,1,2"),   entry("0,1,2,3"), entry("0,1,2,3,4"),
                                  entry("0,1,2,3,4,5"), entry("0,1"),   entry("0, 1", 0.0, "{{nan, 0}, {9, 9}}"),
                                  entry("7"),        entry("6,7"),     entry("7,6")};
    const auto groups = Group::groupsWithPropertyListRepresentation(entries, eight);
    ASSERT_EQ(groups.size(), 7);
    for (int depth = 0; depth < 5; ++depth) {
        ASSERT_EQ(groups[depth]->getObjects().size(), depth + 2) << depth;
        for (int i = 0; i < depth + 2; ++i)
            EXPECT_EQ(groups[depth]->getObjects()[i], eight[i]) << depth;
        expectRect(groups[depth]->bounds(), QRectF(0, 0, (depth + 1) * 10 + 5, 5), std::to_string(depth));
    }
    // Every member of the nest answers the outermost group, also after the copies.
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(eight[i]->getGroup(), groups[4].get()) << i;
    EXPECT_EQ(groups[5]->getObjects(), (ColorRect::GraphicList{eight[6], eight[7]}));
    EXPECT_EQ(groups[6]->getObjects(), (ColorRect::GraphicList{eight[7], eight[6]}));
    EXPECT_EQ(eight[6]->getGroup(), groups[6].get());

    // Turned groups of the same members differ by their angle.
    for (const auto &group : groups)
        group->clear();
    const auto turned = Group::groupsWithPropertyListRepresentation({entry("0,1", 30.0), entry("0,1", 45.0), entry("0,1", 30.0)}, eight);
    ASSERT_EQ(turned.size(), 2);
    EXPECT_FLOAT_EQ(turned[0]->angle(), 30.0f);
    EXPECT_FLOAT_EQ(turned[1]->angle(), 45.0f);
    EXPECT_EQ(eight[0]->getGroup(), turned[1].get());
    for (const auto &group : turned)
        group->clear();
}

TEST(GroupStored, IndependentReaderSeesTheAngleAsANumberAndTheRestAsStrings)
{
    Fixture f;
    f.group->rotate(30.0f);
    const QVariantMap dict = f.group->propertyListRepresentation({f.a, f.b});
    const QString dir = qmtest::freshDir("group-plist");
    const QString binary = dir + "/group.plist";
    const QString xmlPath = dir + "/group.xml";
    ASSERT_TRUE(PropertyList::writeFile(binary, dict, PlistFormat::Binary));
    QProcess plistutil;
    plistutil.start("plistutil", {"-i", binary, "-o", xmlPath, "-f", "xml"});
    ASSERT_TRUE(plistutil.waitForFinished(30000));
    ASSERT_EQ(plistutil.exitCode(), 0) << plistutil.readAllStandardError().toStdString();
    QFile xmlFile(xmlPath);
    ASSERT_TRUE(xmlFile.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(xmlFile.readAll());
    auto valueFor = [&xml](const QString &key, const QString &type) {
        const QRegularExpression re("<key>" + QRegularExpression::escape(key) + "</key>\\s*<"
                                    + type + ">([^<]*)</" + type + ">");
        const QRegularExpressionMatch m = re.match(xml);
        return m.hasMatch() ? m.captured(1) : QString();
    };
    EXPECT_EQ(valueFor("GroupClassKey", "string"), "Group");
    EXPECT_EQ(valueFor("GroupContents", "string"), "0,1");
    EXPECT_EQ(valueFor("GroupBounds", "string"), "{{0, 0}, {100, 50}}");
    EXPECT_DOUBLE_EQ(valueFor("GroupAngle", "real").toDouble(), 30.0);
}
