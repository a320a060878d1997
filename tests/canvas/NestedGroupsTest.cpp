// Groups on the canvas stay whole: a group's frame holds its members after an undo or redo
// whatever the order of the steps it replays, and groups nested as designs store them (a
// group grouped again with more objects) come back one level at a time on Ungroup, leave
// with their members on Delete and come back whole on Undo, and are stored at the frame
// their members hold.
#include <gtest/gtest.h>

#include "CanvasTestSupport.h"
#include "objects/Group.h"
#include "objects/ObjectFactory.h"
#include "platform/Format.h"
#include "platform/UndoManager.h"

using namespace quillmark;
using canvastest::CanvasFixture;

namespace {

QRectF unionOf(const GraphicList &members)
{
    QRectF area;
    for (const GraphicPtr &member : members)
        area = area.isNull() ? member->frameBounds() : area.united(member->frameBounds());
    return area;
}

void expectHoldsItsMembers(const Group &group, const char *when)
{
    const QRectF members = unionOf(group.getObjects());
    EXPECT_NEAR(group.bounds().left(), members.left(), 1e-6) << when;
    EXPECT_NEAR(group.bounds().top(), members.top(), 1e-6) << when;
    EXPECT_NEAR(group.bounds().right(), members.right(), 1e-6) << when;
    EXPECT_NEAR(group.bounds().bottom(), members.bottom(), 1e-6) << when;
}

class NestedGroups : public ::testing::Test, public CanvasFixture
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("nested-groups"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        registerObjectKinds();
        registerGroupKinds();
    }
    void TearDown() override { Language::reset(); }

    UndoManager &undo() { return *view->undoManager(); }
    // Members' places in the design, of the group the graphic answers.
    QList<int> selectedBy(const GraphicPtr &graphic)
    {
        // Looked at, not a step of the history.
        undo().closeEventGroup();
        undo().disableUndoRegistration();
        view->clearSelection();
        view->selectRect(graphic);
        QList<int> places;
        for (const GraphicPtr &selected : view->selectedObjects())
            places.append(view->indexOfGraphic(selected.get()));
        std::sort(places.begin(), places.end());
        view->clearSelection();
        undo().enableUndoRegistration();
        return places;
    }
    // Four objects grouped three deep as a design stores them: (0, 1), (0, 1, 2), (0, 1, 2, 3).
    GraphicList nest()
    {
        GraphicList four;
        for (int i = 0; i < 4; ++i) {
            auto graphic = ColorRect::create(QRectF(10 + 30 * i, 10, 20, 10 + 5 * i));
            graphic->setPageName(view->getCurrPageName());
            graphic->setObjectLayer(1);
            four.append(graphic);
        }
        QVariantMap design = view->drawDocumentDictionaryForGraphics(four);
        QVariantList groups;
        for (const char *contents : {"0,1", "0,1,2", "0,1,2,3"})
            groups.append(QVariantMap{{"GroupClassKey", QStringLiteral("Group")},
                                      {"GroupContents", QString::fromLatin1(contents)},
                                      {"GroupAngle", 0.0},
                                      {"GroupBounds", QStringLiteral("{{0, 0}, {0, 0}}")}});
        design.insert(QStringLiteral("GroupsList"), groups);
        const GraphicList made = view->graphicsFromDrawDocumentDictionary(design);
        for (const GraphicPtr &graphic : made)
            view->addGraphic(graphic);
        undo().closeEventGroup();
        undo().removeAllActions();
        return made;
    }
};

} // namespace

// One step that scales a member and then ungroups its group (as laying a template out again
// did): its Undo makes the group anew before the member's frame is back. Afterwards, and
// after Redo and Undo again, the group's frame is its members'.
TEST_F(NestedGroups, AfterUndoAndRedoEveryGroupHoldsItsMembersWhateverTheOrderOfTheSteps)
{
    auto a = add({10, 10, 40, 20});
    auto b = add({80, 10, 20, 20});
    const GroupPtr group = view->group_({a, b}, true);
    undo().closeEventGroup();
    undo().removeAllActions();
    const QRectF before = group->bounds();

    a->setFrameBounds(QRectF(10, 10, 80, 60));
    view->ungroup_(group);
    undo().closeEventGroup();
    ASSERT_TRUE(view->groups().isEmpty());

    view->undo();
    ASSERT_EQ(view->groups().size(), 1);
    EXPECT_EQ(a->frameBounds(), QRectF(10, 10, 40, 20));
    EXPECT_EQ(view->groups().first()->bounds(), before);
    expectHoldsItsMembers(*view->groups().first(), "after Undo");
    view->redo();
    EXPECT_TRUE(view->groups().isEmpty());
    view->undo();
    ASSERT_EQ(view->groups().size(), 1);
    EXPECT_EQ(view->groups().first()->bounds(), before);
}

TEST_F(NestedGroups, UngroupGivesBackTheGroupWithinAtItsMembersFrame)
{
    const GraphicList four = nest();
    ASSERT_EQ(view->groups().size(), 3);
    EXPECT_EQ(selectedBy(four[0]), (QList<int>{0, 1, 2, 3}));

    // The outer group moved: the groups within stay where they were until they come back.
    view->selectRect(four[0]);
    view->selectedGroup()->moveBy(5, 7);
    view->ungroup();
    undo().closeEventGroup();
    ASSERT_EQ(view->groups().size(), 2);
    EXPECT_EQ(selectedBy(four[0]), (QList<int>{0, 1, 2}));
    EXPECT_EQ(selectedBy(four[3]), (QList<int>{3}));
    expectHoldsItsMembers(*view->groups()[1], "the group within, back");
    EXPECT_EQ(view->groups()[1]->bounds().topLeft(), QPointF(15, 17));

    // The one within that still lies within another is stored at its members' frame.
    const QVariantList stored = view->drawDocumentDictionaryForGraphics(view->getRects())
                                    .value(QStringLiteral("GroupsList"))
                                    .toList();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(rectFromString(stored[0].toMap().value(QStringLiteral("GroupBounds")).toString()),
              unionOf({four[0], four[1]}));

    view->selectRect(four[0]);
    view->ungroup();
    undo().closeEventGroup();
    EXPECT_EQ(selectedBy(four[0]), (QList<int>{0, 1}));
    expectHoldsItsMembers(*view->groups()[0], "the innermost, back");

    // Undo nests them again, one level a step.
    view->undo();
    EXPECT_EQ(selectedBy(four[0]), (QList<int>{0, 1, 2}));
    view->undo();
    EXPECT_EQ(selectedBy(four[0]), (QList<int>{0, 1, 2, 3}));
}

TEST_F(NestedGroups, DeletedObjectsLeaveEveryGroupThatHoldsThemAndUndoNestsThemAgain)
{
    const GraphicList four = nest();
    view->setupCurrObjectTool(RectsView::SelectTool);
    view->selectRect(four[0]);
    view->ungroup();
    undo().closeEventGroup();
    view->clearSelection();
    view->selectRect(four[1]);
    ASSERT_EQ(view->selectedObjects().size(), 3);
    view->delete_();
    undo().closeEventGroup();
    ASSERT_EQ(view->getRects().size(), 1);
    // No group holds an object that left, so none can select it.
    for (const GroupPtr &group : view->groups())
        for (const GraphicPtr &member : group->getObjects())
            EXPECT_GE(view->indexOfGraphic(member.get()), 0);
    EXPECT_TRUE(view->groups().isEmpty());

    view->undo();
    ASSERT_EQ(view->getRects().size(), 4);
    EXPECT_EQ(selectedBy(four[0]), (QList<int>{0, 1, 2}));
    for (const GroupPtr &group : view->groups())
        expectHoldsItsMembers(*group, "after Undo");
    view->ungroup_(view->groups().last());
    EXPECT_EQ(selectedBy(four[0]), (QList<int>{0, 1}));
}
