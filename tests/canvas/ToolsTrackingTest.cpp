// Tools, object creation, selection tracking and groups, driven by synthetic mouse events.
#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "canvas/CanvasTestSupport.h"
#include "objects/Group.h"
#include "objects/ObjectFactory.h"

using namespace quillmark;

namespace {

class ToolsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("tools"));
        registerObjectKinds();
        fixture = std::make_unique<canvastest::CanvasFixture>();
        view()->resize(800, 600);
        view()->undoManager()->removeAllActions();
    }

    RectsView *view() { return fixture->view.get(); }
    UndoManager *undo() { return view()->undoManager(); }

    void send(QEvent::Type type, const QPointF &page, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPointF local = view()->pageToWidget().map(page);
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, view()->mapToGlobal(local), Qt::LeftButton, buttons, modifiers);
        QApplication::sendEvent(view(), &event);
    }
    void press(const QPointF &p, Qt::KeyboardModifiers m = Qt::NoModifier) { send(QEvent::MouseButtonPress, p, m); }
    void drag(const QPointF &p, Qt::KeyboardModifiers m = Qt::NoModifier) { send(QEvent::MouseMove, p, m); }
    void release(const QPointF &p, Qt::KeyboardModifiers m = Qt::NoModifier) { send(QEvent::MouseButtonRelease, p, m); }
    void dragFromTo(const QPointF &a, const QPointF &b, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        press(a, m);
        drag((a + b) / 2.0, m);
        drag(b, m);
        release(b, m);
        undo()->closeEventGroup();
    }

    std::unique_ptr<canvastest::CanvasFixture> fixture;
};

TEST_F(ToolsTest, ClickWithoutDragCreatesNothingAndNoUndoStep)
{
    for (int tool : {RectsView::RectTool, RectsView::LineTool}) {
        view()->setupCurrObjectTool(tool);
        press(QPointF(20, 20));
        release(QPointF(20, 20));
        undo()->closeEventGroup();
        EXPECT_TRUE(view()->getRects().isEmpty()) << tool;
        EXPECT_FALSE(undo()->canUndo()) << tool;
    }
}

TEST_F(ToolsTest, DrawingCreatesOneUndoStepAndReturnsToSelect)
{
    view()->setupCurrObjectTool(RectsView::RectTool);
    dragFromTo(QPointF(10, 10), QPointF(60, 40));
    ASSERT_EQ(view()->getRects().size(), 1);
    EXPECT_EQ(view()->getRects().first()->frameBounds(), QRectF(10, 10, 50, 30));
    EXPECT_EQ(view()->getCurrToolClass(), RectsView::SelectTool);
    EXPECT_TRUE(view()->isChanged());
    EXPECT_EQ(undo()->undoActionName(), QStringLiteral("Create Object"));
    undo()->undo();
    EXPECT_TRUE(view()->getRects().isEmpty());
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(ToolsTest, CommandKeepsTheTool)
{
    view()->setupCurrObjectTool(RectsView::RectTool);
    dragFromTo(QPointF(10, 10), QPointF(60, 40), Qt::ControlModifier);
    EXPECT_EQ(view()->getCurrToolClass(), RectsView::RectTool);
    dragFromTo(QPointF(70, 10), QPointF(90, 40), Qt::ControlModifier);
    EXPECT_EQ(view()->getRects().size(), 2);
}

TEST_F(ToolsTest, TextToolClickMakesAnUnfilledBox)
{
    view()->setupCurrObjectTool(RectsView::TextTool);
    press(QPointF(30, 20));
    release(QPointF(30, 20));
    undo()->closeEventGroup();
    ASSERT_EQ(view()->getRects().size(), 1);
    const auto box = view()->getRects().first();
    EXPECT_EQ(box->frameBounds(), QRectF(30, 20, 100, 100));
    EXPECT_FALSE(box->drawsFill());
    EXPECT_FALSE(box->drawsStroke());
    EXPECT_EQ(view()->getCurrToolClass(), RectsView::TextTool);
    undo()->undo();
    EXPECT_TRUE(view()->getRects().isEmpty());
}

TEST_F(ToolsTest, BezierPathClickByClick)
{
    view()->setupCurrObjectTool(RectsView::PathTool);
    ASSERT_NE(RectsView::pathInProgress(), nullptr);
    for (const QPointF &p : {QPointF(10, 10), QPointF(80, 10), QPointF(80, 60)}) {
        press(p);
        release(p);
    }
    press(QPointF(11, 11));
    release(QPointF(11, 11));
    undo()->closeEventGroup();
    EXPECT_EQ(RectsView::pathInProgress(), nullptr);
    ASSERT_EQ(view()->getRects().size(), 1);
    EXPECT_EQ(view()->getRects().first()->className(), QStringLiteral("ColorPath"));
    EXPECT_EQ(undo()->undoActionName(), QStringLiteral("Create Object"));
}

TEST_F(ToolsTest, RubberBandSelectsOnReleaseAndShiftToggles)
{
    auto a = fixture->add(QRectF(10, 10, 20, 20));
    auto b = fixture->add(QRectF(50, 10, 20, 20));
    auto c = fixture->add(QRectF(200, 200, 20, 20));
    press(QPointF(5, 5));
    drag(QPointF(100, 50));
    EXPECT_TRUE(view()->selectedObjects().isEmpty());
    EXPECT_FALSE(view()->rubberbandRect().isEmpty());
    release(QPointF(100, 50));
    EXPECT_EQ(view()->selectedObjects(), (GraphicList{a, b}));
    EXPECT_TRUE(view()->rubberbandRect().isNull());

    press(QPointF(210, 210), Qt::ShiftModifier);
    release(QPointF(210, 210), Qt::ShiftModifier);
    EXPECT_EQ(view()->selectedObjects().size(), 3);
    press(QPointF(15, 15), Qt::ShiftModifier);
    release(QPointF(15, 15), Qt::ShiftModifier);
    EXPECT_EQ(view()->selectedObjects(), (GraphicList{b, c}));
    // Shift on empty canvas keeps the selection.
    press(QPointF(400, 400), Qt::ShiftModifier);
    release(QPointF(400, 400), Qt::ShiftModifier);
    EXPECT_EQ(view()->selectedObjects().size(), 2);
}

TEST_F(ToolsTest, MoveWithAxisLockIsOneUndoStep)
{
    auto a = fixture->add(QRectF(10, 10, 20, 20));
    undo()->removeAllActions();
    press(QPointF(20, 20));
    drag(QPointF(40, 22));
    drag(QPointF(45, 80), Qt::ControlModifier);
    release(QPointF(45, 80), Qt::ControlModifier);
    undo()->closeEventGroup();
    // The first step chose the horizontal axis; Command keeps the move on it.
    EXPECT_EQ(a->frameBounds().topLeft(), QPointF(35, 12));
    EXPECT_TRUE(view()->isChanged());
    undo()->undo();
    EXPECT_EQ(a->frameBounds().topLeft(), QPointF(10, 10));
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(ToolsTest, OptionDragDuplicatesAndMovesTheCopy)
{
    auto a = fixture->add(QRectF(10, 10, 20, 20));
    press(QPointF(20, 20), Qt::AltModifier);
    drag(QPointF(60, 20), Qt::AltModifier);
    release(QPointF(60, 20), Qt::AltModifier);
    undo()->closeEventGroup();
    ASSERT_EQ(view()->getRects().size(), 2);
    EXPECT_EQ(a->frameBounds(), QRectF(10, 10, 20, 20));
    EXPECT_EQ(view()->getRects().last()->frameBounds(), QRectF(50, 10, 20, 20));
    EXPECT_EQ(view()->selectedObjects(), GraphicList{view()->getRects().last()});
}

TEST_F(ToolsTest, KnobResizeMarksChangedAndUndoesAsOne)
{
    auto a = fixture->add(QRectF(10, 10, 40, 40));
    view()->selectRect(a);
    view()->wasChanged(false);
    undo()->removeAllActions();
    const QPointF corner = a->frameBounds().bottomRight();
    press(corner);
    drag(corner + QPointF(10, 5));
    drag(corner + QPointF(20, 10));
    release(corner + QPointF(20, 10));
    undo()->closeEventGroup();
    EXPECT_EQ(a->frameBounds(), QRectF(10, 10, 60, 50));
    EXPECT_TRUE(view()->isChanged());
    undo()->undo();
    EXPECT_EQ(a->frameBounds(), QRectF(10, 10, 40, 40));
}

TEST_F(ToolsTest, RotationDragIsOneUndoStepAndReturnsToTheTool)
{
    auto a = fixture->add(QRectF(0, 0, 40, 40));
    view()->selectRect(a);
    view()->setupCurrObjectTool(RectsView::RotateTool);
    view()->selectRect(a);
    undo()->removeAllActions();
    view()->wasChanged(false);
    press(QPointF(60, 20));
    drag(QPointF(60, 40));
    drag(QPointF(40, 60));
    release(QPointF(40, 60));
    undo()->closeEventGroup();
    EXPECT_NE(a->angle(), 0.0f);
    EXPECT_TRUE(view()->isChanged());
    EXPECT_EQ(view()->getCurrToolClass(), RectsView::RotateTool);
    undo()->undo();
    EXPECT_EQ(a->angle(), 0.0f);
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(ToolsTest, GroupingGathersTheMembersAndUndoRestoresTheOrder)
{
    GraphicList all;
    for (int i = 0; i < 6; ++i)
        all.append(fixture->add(QRectF(10 * i, 0, 8, 8)));
    for (int i : {0, 2, 5})
        view()->selectRect(all[i]);
    undo()->removeAllActions();
    view()->group();
    undo()->closeEventGroup();
    const GraphicList after = view()->getRects();
    EXPECT_EQ(after.indexOf(all[0]), 3);
    EXPECT_EQ(after.indexOf(all[2]), 4);
    EXPECT_EQ(after.indexOf(all[5]), 5);
    ASSERT_EQ(view()->groups().size(), 1);
    EXPECT_EQ(view()->selectedGroup(), view()->groups().first());
    EXPECT_EQ(all[0]->getGroup(), view()->groups().first().get());
    view()->undo();
    EXPECT_TRUE(view()->groups().isEmpty());
    EXPECT_EQ(view()->getRects(), all);
    EXPECT_EQ(all[0]->getGroup(), nullptr);
}

TEST_F(ToolsTest, UngroupAndUndoRecreatesTheGroupWithoutRestacking)
{
    auto a = fixture->add(QRectF(0, 0, 8, 8));
    auto b = fixture->add(QRectF(20, 0, 8, 8));
    view()->selectRect(a);
    view()->selectRect(b);
    view()->group();
    undo()->closeEventGroup();
    view()->ungroup();
    undo()->closeEventGroup();
    EXPECT_TRUE(view()->groups().isEmpty());
    view()->undo();
    ASSERT_EQ(view()->groups().size(), 1);
    EXPECT_EQ(view()->groups().first()->getObjects(), (GraphicList{a, b}));
    EXPECT_EQ(view()->getRects(), (GraphicList{a, b}));
}

TEST_F(ToolsTest, RemoveAllRectsByPageAndUndo)
{
    auto front = fixture->add(QRectF(0, 0, 8, 8));
    auto back = fixture->add(QRectF(20, 0, 8, 8));
    back->setPageName(QStringLiteral("HorizontalBack"));
    EXPECT_TRUE(view()->hasTwoSides());
    view()->removeAllRects(QStringLiteral("HorizontalBack"));
    EXPECT_EQ(view()->getRects(), GraphicList{front});
    undo()->closeEventGroup();
    view()->removeAllRects();
    EXPECT_TRUE(view()->getRects().isEmpty());
    EXPECT_FALSE(view()->hasTwoSides());
    undo()->closeEventGroup();
    view()->undo();
    EXPECT_EQ(view()->getRects(), GraphicList{front});
}

TEST_F(ToolsTest, KnobNeighbours)
{
    int knob = 1;
    QList<int> walk;
    for (int i = 0; i < 4; ++i)
        walk.append(knob = view()->nextKnob(knob));
    EXPECT_EQ(walk, (QList<int>{2, 3, 5, 8}));
    EXPECT_EQ(view()->prevKnob(1), 4);
    for (int k = 1; k <= 8; ++k)
        EXPECT_EQ(view()->prevKnob(view()->nextKnob(k)), k);
    EXPECT_EQ(view()->nextKnob(11), 11);
}

} // namespace
