// Clearing the selection and what can be selected: the clearing is an undoable selection
// change that also ends point editing of a path; hidden objects are neither hit nor caught
// by the rubber band; a group is selected and deselected whole from any member.
#include <gtest/gtest.h>

#include "CanvasTestSupport.h"
#include "objects/ColorPath.h"
#include "objects/Group.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

// A rectangle that can be hidden, as a merge field's title is while its group shows none.
class HideableRect : public ColorRect
{
public:
    explicit HideableRect(const QRectF &frame) : ColorRect(frame) {}
    bool isHidden() const override { return hidden; }
    bool hidden = false;
};

class SelectionRules : public ::testing::Test, public canvastest::CanvasFixture
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("selection-rules"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
    }
    void TearDown() override { Language::reset(); }
    UndoManager &undo() { return *view->undoManager(); }
};

TEST_F(SelectionRules, ClearingIsAnUndoableSelectionChange)
{
    auto a = add({0, 0, 50, 50});
    auto b = add({60, 0, 50, 50});
    view->selectRect(a);
    view->selectRect(b);
    undo().removeAllActions();
    view->clearSelection();
    undo().closeEventGroup();
    EXPECT_TRUE(view->selectedObjects().isEmpty());
    ASSERT_TRUE(undo().canUndo());
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Selection Change"));
    view->undo();
    EXPECT_TRUE(view->isSelected(a.get()));
    EXPECT_TRUE(view->isSelected(b.get()));

    // Many cleared at once are one step: Undo brings every one back, the last cleared first
    // (the order the selection's commands take them in), Redo clears them all again, and
    // Undo once more restores the same selection.
    GraphicList many;
    for (int i = 0; i < 40; ++i)
        many.append(add({double(i % 8) * 20, 100 + double(i / 8) * 20, 15, 15}));
    view->clearSelection();
    for (const GraphicPtr &graphic : many)
        view->selectRect(graphic);
    undo().removeAllActions();
    view->clearSelection();
    undo().closeEventGroup();
    ASSERT_TRUE(undo().canUndo());
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Selection Change"));
    view->undo();
    undo().closeEventGroup();
    GraphicList reversed(many.crbegin(), many.crend());
    EXPECT_EQ(view->selectedObjects(), reversed);
    ASSERT_TRUE(undo().canRedo());
    view->redo();
    undo().closeEventGroup();
    EXPECT_TRUE(view->selectedObjects().isEmpty());
    view->undo();
    undo().closeEventGroup();
    EXPECT_EQ(view->selectedObjects(), reversed);

    // Nothing selected: nothing to undo.
    view->clearSelection();
    undo().removeAllActions();
    view->clearSelection();
    undo().closeEventGroup();
    EXPECT_FALSE(undo().canUndo());
}

// Select All takes the objects of the page and layer shown, in the design's order, as one
// undoable selection change: Undo lets go of every one it took (and of those selected before
// it, as it always did), Redo takes them in the same order again.
TEST_F(SelectionRules, SelectAllIsOneUndoableSelectionChange)
{
    GraphicList shown;
    for (int i = 0; i < 30; ++i) {
        shown.append(add({double(i % 6) * 20, double(i / 6) * 20, 15, 15}));
        if (i % 7 == 3)
            add({double(i) * 3, 200, 10, 10}, 0);
    }
    view->selectRect(shown[4]);
    undo().removeAllActions();
    view->selectAll();
    undo().closeEventGroup();
    GraphicList expected{shown[4]};
    for (const GraphicPtr &graphic : shown)
        if (graphic != shown[4])
            expected.append(graphic);
    EXPECT_EQ(view->selectedObjects(), expected);
    ASSERT_TRUE(undo().canUndo());
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Selection Change"));
    view->undo();
    undo().closeEventGroup();
    EXPECT_TRUE(view->selectedObjects().isEmpty());
    ASSERT_TRUE(undo().canRedo());
    view->redo();
    undo().closeEventGroup();
    EXPECT_EQ(view->selectedObjects(), shown);

    // A layer with nothing on it: nothing selected, nothing to undo.
    view->clearSelection();
    view->removeAllRects(QString());
    undo().removeAllActions();
    view->selectAll();
    undo().closeEventGroup();
    EXPECT_TRUE(view->selectedObjects().isEmpty());
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(SelectionRules, ClearingEndsPointEditingOfAPath)
{
    auto path = ColorPath::create(QRectF(10, 10, 80, 60));
    BezierPath shape;
    shape.moveTo({10, 10});
    shape.lineTo({90, 10});
    shape.lineTo({50, 70});
    shape.closePath();
    path->setBezierPath(shape);
    path->setPageName(view->getCurrPageName());
    path->setObjectLayer(1);
    view->addGraphic(path);
    view->selectRect(path);
    path->setBezierEdit(true);
    ASSERT_TRUE(path->bezierEdit());
    view->clearSelection();
    EXPECT_FALSE(path->bezierEdit());
}

TEST_F(SelectionRules, HiddenObjectsAreNeitherHitNorCaught)
{
    auto back = add({0, 0, 100, 100});
    auto front = std::make_shared<HideableRect>(QRectF(0, 0, 100, 100));
    front->setPageName(view->getCurrPageName());
    front->setObjectLayer(1);
    view->addGraphic(front);
    EXPECT_EQ(view->objectUnderPoint({50, 50}), front);

    front->hidden = true;
    EXPECT_EQ(view->objectUnderPoint({50, 50}), back);
    EXPECT_EQ(view->objectUnderPoint({50, 50}, nullptr), back);
    const GraphicList caught = view->graphicsIntersectingRect(QRectF(-10, -10, 30, 30));
    EXPECT_TRUE(caught.contains(back));
    EXPECT_FALSE(caught.contains(std::static_pointer_cast<ColorRect>(front)));
}

TEST_F(SelectionRules, AnyMemberSelectsAndDeselectsItsGroup)
{
    auto a = add({0, 0, 50, 50});
    auto b = add({60, 0, 50, 50});
    auto c = add({120, 0, 50, 50});
    view->selectRect(a);
    view->selectRect(b);
    const GroupPtr group = view->group_(view->selectedObjects(), false);
    view->clearSelection();

    view->selectRect(b);
    EXPECT_EQ(view->selectedObjects().size(), 2);
    EXPECT_TRUE(view->isSelected(a.get()));
    EXPECT_EQ(view->selectedGroup(), group);
    EXPECT_TRUE(view->isSelectedGroup(group.get()));

    view->selectRect(c);
    view->deselectRect(a);
    EXPECT_EQ(view->selectedObjects(), (GraphicList{c}));
    EXPECT_EQ(view->selectedGroup(), nullptr);
    EXPECT_FALSE(view->isSelectedGroup(group.get()));
}

// Every group stays found through changes of the list of groups (a group taken out, put back,
// another made), and however many groups are selected or let go of, one group at most is held.
TEST_F(SelectionRules, SelectingAndUndoingThroughManyGroupsHoldsOneGroup)
{
    constexpr int Groups = 40;
    QList<GroupPtr> made;
    for (int i = 0; i < Groups; ++i) {
        auto a = add({i * 10.0, 0, 8, 8});
        auto b = add({i * 10.0, 10, 8, 8});
        made.append(view->group_({a, b}, false));
    }
    auto loose = add({0, 40, 8, 8});
    view->clearSelection();
    // Groups of other designs still alive count too.
    const qint64 elsewhere = Group::selectedCount();
    auto heldGroups = [&] {
        int held = 0;
        for (const GroupPtr &group : view->groups())
            held += group->isSelected() ? 1 : 0;
        return held;
    };

    undo().removeAllActions();
    view->selectAll();
    undo().closeEventGroup();
    EXPECT_EQ(view->selectedObjects().size(), 2 * Groups + 1);
    EXPECT_EQ(heldGroups(), 1);
    EXPECT_EQ(Group::selectedCount(), elsewhere + 1);
    EXPECT_NE(view->selectedGroup(), nullptr);

    view->undo();
    EXPECT_TRUE(view->selectedObjects().isEmpty());
    EXPECT_EQ(heldGroups(), 0);
    EXPECT_EQ(view->selectedGroup(), nullptr);

    // Everything let go of and taken back: the groups are selected again one after another,
    // each letting go of the one held before it.
    view->selectAll();
    undo().removeAllActions();
    view->clearSelection();
    undo().closeEventGroup();
    ASSERT_TRUE(undo().canUndo());
    view->undo();
    EXPECT_EQ(view->selectedObjects().size(), 2 * Groups + 1);
    EXPECT_EQ(heldGroups(), 1);
    EXPECT_EQ(Group::selectedCount(), elsewhere + 1);
    view->clearSelection();
    EXPECT_EQ(heldGroups(), 0);

    // The first group taken out: the rest moved up one place and are still found.
    const GroupPtr first = made.first();
    view->removeGroup(first, 0);
    view->selectRect(made[5]->getObjects().first());
    EXPECT_EQ(view->selectedGroup(), made[5]);
    EXPECT_EQ(view->selectedObjects().size(), 2);
    view->selectRect(first->getObjects().first());
    EXPECT_EQ(view->selectedGroup(), made[5]) << "a group no longer the canvas's is not held";
    view->deselectRect(made[5]->getObjects().last());
    EXPECT_EQ(heldGroups(), 0);

    // Put back in front, and a group made last: each is held by its members again.
    view->insertGroup(first, 0);
    view->clearSelection();
    view->selectRect(first->getObjects().last());
    EXPECT_EQ(view->selectedGroup(), first);
    auto c = add({0, 60, 8, 8});
    const GroupPtr last = view->group_({loose, c}, false);
    view->clearSelection();
    view->selectRect(c);
    EXPECT_EQ(view->selectedGroup(), last);
    EXPECT_EQ(view->selectedObjects().size(), 2);
    EXPECT_EQ(heldGroups(), 1);
    view->clearSelection();
    EXPECT_EQ(heldGroups(), 0);
    EXPECT_EQ(Group::selectedCount(), elsewhere);
}

} // namespace
