// Groups are selected as a whole whichever way a member is selected (a click, the rubber
// band, Select All, an undo), and every selected group shows its marks on the canvas.
#include <gtest/gtest.h>

#include <QImage>

#include "app/AppTestSupport.h"
#include "objects/Group.h"

using namespace quillmark;

namespace {

class GroupSelection : public ::testing::Test
{
protected:
    GroupSelection() : f(QStringLiteral("group-selection")) {}

    // Draws two rectangles and groups them through the Arrange menu.
    GroupPtr makeGroup(const QRectF &a, const QRectF &b)
    {
        f.drawRect(a);
        f.drawRect(b);
        f.click(a.center());
        f.click(b.center(), Qt::ShiftModifier);
        f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Group"))->trigger();
        apptest::settle();
        EXPECT_FALSE(f.canvas()->groups().isEmpty());
        return f.canvas()->groups().last();
    }
    void clearByClickingBeside()
    {
        f.click(QPointF(170, 65));
        ASSERT_TRUE(f.canvas()->selectedObjects().isEmpty());
    }
    // Whether a selection mark covers a page point of the canvas as it is drawn on screen.
    bool markAt(const QPointF &page)
    {
        const QImage shown = f.canvas()->grab().toImage();
        const QPoint pixel = f.canvas()->pageToWidget().map(page).toPoint();
        return qGray(shown.pixel(pixel)) < 200;
    }

    apptest::WindowFixture f;
};

TEST_F(GroupSelection, RubberBandOverOneMemberSelectsTheGroup)
{
    const GroupPtr group = makeGroup(QRectF(10, 10, 30, 20), QRectF(70, 10, 20, 20));
    clearByClickingBeside();
    // The band touches the first member only.
    f.dragFromTo(QPointF(5, 5), QPointF(20, 20));
    EXPECT_EQ(f.canvas()->selectedObjects().size(), 2);
    EXPECT_EQ(f.canvas()->selectedGroup(), group);
    EXPECT_TRUE(markAt(QPointF(50, 10))); // the group's top middle knob
}

TEST_F(GroupSelection, SelectAllAndUndoSelectWholeGroupsAndMarkEach)
{
    const GroupPtr first = makeGroup(QRectF(10, 10, 30, 20), QRectF(70, 10, 20, 20));
    const GroupPtr second = makeGroup(QRectF(10, 40, 30, 20), QRectF(110, 40, 30, 20));
    clearByClickingBeside();
    EXPECT_FALSE(markAt(QPointF(50, 10)));

    f.menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
    apptest::settle();
    EXPECT_EQ(f.canvas()->selectedObjects().size(), 4);
    EXPECT_TRUE(f.canvas()->isSelectedGroup(first.get()));
    EXPECT_TRUE(f.canvas()->isSelectedGroup(second.get()));
    EXPECT_TRUE(markAt(QPointF(50, 10)));
    EXPECT_TRUE(markAt(QPointF(75, 40)));

    // Clearing and undoing it brings both groups back, whole.
    clearByClickingBeside();
    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
    apptest::settle();
    EXPECT_EQ(f.canvas()->selectedObjects().size(), 4);
    EXPECT_TRUE(markAt(QPointF(50, 10)));
    EXPECT_TRUE(markAt(QPointF(75, 40)));
}

TEST_F(GroupSelection, ShiftClickOnAMemberDeselectsTheWholeGroup)
{
    const GroupPtr group = makeGroup(QRectF(10, 10, 30, 20), QRectF(70, 10, 20, 20));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 2);
    f.click(QPointF(80, 20), Qt::ShiftModifier);
    EXPECT_TRUE(f.canvas()->selectedObjects().isEmpty());
    EXPECT_EQ(f.canvas()->selectedGroup(), nullptr);
}

TEST_F(GroupSelection, PastedGroupIsSelectedWhole)
{
    makeGroup(QRectF(10, 10, 30, 20), QRectF(70, 10, 20, 20));
    f.menuItem(QStringLiteral("Edit"), QStringLiteral("Copy"))->trigger();
    f.menuItem(QStringLiteral("Edit"), QStringLiteral("Paste"))->trigger();
    apptest::settle();
    ASSERT_EQ(f.canvas()->groups().size(), 2);
    EXPECT_EQ(f.canvas()->selectedObjects().size(), 2);
    EXPECT_EQ(f.canvas()->selectedGroup(), f.canvas()->groups().last());
    for (const GraphicPtr &member : f.canvas()->groups().last()->getObjects())
        EXPECT_TRUE(f.canvas()->isSelected(member.get()));
}

} // namespace
