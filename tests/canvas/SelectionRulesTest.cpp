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

    // Nothing selected: nothing to undo.
    view->clearSelection();
    undo().removeAllActions();
    view->clearSelection();
    undo().closeEventGroup();
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

} // namespace
