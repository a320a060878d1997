// The commands that take objects out of a design or add copies to it (Cut, Delete, Paste,
// Duplicate, Replicate), each on everything and on a selection mixing merge field pairs, a
// group and loose objects, the design's order interleaving them: Undo brings back exactly the
// objects, their order, their groups and the selection; Redo does the command again and a
// second Undo restores again.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "app/AppTestSupport.h"
#include "objects/Group.h"

using namespace quillmark;

namespace {

struct Design
{
    std::vector<const ColorRect *> objects;
    // Each group's kind, members in the group's order and frame, sorted by the members.
    std::vector<std::tuple<std::vector<const ColorRect *>, QString, QRectF>> groups;
    std::set<const ColorRect *> selected;
    std::vector<QRectF> frames;
    bool operator==(const Design &other) const = default;
};

Design designOf(RectsView *canvas)
{
    Design d;
    for (const GraphicPtr &graphic : canvas->getRects()) {
        d.objects.push_back(graphic.get());
        d.frames.push_back(graphic->frameBounds());
    }
    for (const GroupPtr &group : canvas->groups()) {
        std::vector<const ColorRect *> members;
        for (const GraphicPtr &member : group->getObjects())
            members.push_back(member.get());
        d.groups.emplace_back(members, group->className(), group->bounds());
    }
    std::sort(d.groups.begin(), d.groups.end(),
              [](const auto &a, const auto &b) { return std::get<0>(a) < std::get<0>(b); });
    for (const GraphicPtr &graphic : canvas->selectedObjects())
        d.selected.insert(graphic.get());
    // Each object selected once, and each member of a group knows its group.
    EXPECT_EQ(d.selected.size(), size_t(canvas->selectedObjects().size()));
    for (const GroupPtr &group : canvas->groups())
        for (const GraphicPtr &member : group->getObjects())
            EXPECT_EQ(member->getGroup(), group.get());
    return d;
}

} // namespace

TEST(RemoveAndRestoreWindow, EveryCommandThatRemovesOrAddsObjectsIsUndoneExactly)
{
    apptest::WindowFixture f(QStringLiteral("remove-and-restore"));
    RectsView *canvas = f.canvas();
    // A group and loose rectangles between merge field pairs, in the design's order.
    f.drawRect(QRectF(10, 10, 20, 10));
    const int pks[] = {100, 9, 10};
    for (int i = 0; i < 3; ++i) {
        canvas->addFieldType(pks[i]);
        f.click(QPointF(10 + 60 * i, 40));
        f.drawRect(QRectF(40 + 50 * i, 10, 20, 10));
    }
    f.drawRect(QRectF(10, 80, 20, 10));
    f.click(QPointF(20, 85));
    f.click(QPointF(50, 15), Qt::ShiftModifier);
    f.trigger(QStringLiteral("Arrange"), QStringLiteral("Group"));
    ASSERT_EQ(canvas->getRects().size(), 11);
    int pairs = 0;
    for (const GroupPtr &group : canvas->groups())
        pairs += group->className() == QLatin1String("GroupField");
    ASSERT_EQ(pairs, 3);
    ASSERT_EQ(canvas->groups().size(), 4);

    // Everything; then a pair, the group and a loose rectangle.
    auto selectEverything = [&] { f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All")); };
    auto selectSome = [&] {
        canvas->clearSelection();
        const QList<GroupPtr> groups = canvas->groups();
        for (const GroupPtr &group : groups)
            if (group->className() == QLatin1String("GroupField")) {
                canvas->selectRectUndo(group->getObjects().last());
                break;
            }
        for (const GraphicPtr &graphic : canvas->getRects())
            if (!graphic->getGroup() && graphic->frameBounds().top() < 30) {
                canvas->selectRectUndo(graphic);
                break;
            }
        canvas->selectRectUndo(canvas->getRects().last());
        apptest::settle();
        EXPECT_EQ(canvas->selectedObjects().size(), 5);
    };
    for (const auto &[selectionName, select] :
         {std::pair<const char *, std::function<void()>>{"everything", selectEverything}, {"some", selectSome}}) {
        for (const char *command : {"Cut", "Delete", "Paste", "Duplicate", "Replicate"}) {
            SCOPED_TRACE(std::string(command) + " of " + selectionName);
            select();
            canvas->undoManager()->removeAllActions();
            if (QLatin1String(command) == QLatin1String("Paste"))
                f.trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
            const Design before = designOf(canvas);
            const qsizetype selectedObjects = canvas->selectedObjects().size();
            std::set<const Group *> selectedGroups;
            for (const GraphicPtr &graphic : canvas->selectedObjects())
                if (graphic->getGroup())
                    selectedGroups.insert(graphic->getGroup());
            f.trigger(QStringLiteral("Edit"), QString::fromLatin1(command));
            const Design done = designOf(canvas);
            const bool removes = QLatin1String(command) == QLatin1String("Cut") || QLatin1String(command) == QLatin1String("Delete");
            if (removes) {
                std::vector<const ColorRect *> left;
                for (const ColorRect *object : before.objects)
                    if (!before.selected.count(object))
                        left.push_back(object);
                EXPECT_EQ(done.objects, left);
                EXPECT_EQ(done.groups.size(), before.groups.size() - selectedGroups.size());
                EXPECT_TRUE(done.selected.empty());
            } else {
                const size_t copies = QLatin1String(command) == QLatin1String("Replicate") ? 2 : 1;
                EXPECT_EQ(done.objects.size(), before.objects.size() + copies * size_t(selectedObjects));
                EXPECT_EQ(done.groups.size(), before.groups.size() + copies * selectedGroups.size());
                // The objects there before stay in their order in front of the copies.
                EXPECT_TRUE(std::equal(before.objects.begin(), before.objects.end(), done.objects.begin()));
                EXPECT_EQ(done.selected.size(), size_t(selectedObjects));
            }
            f.undo();
            EXPECT_TRUE(designOf(canvas) == before);
            f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
            apptest::settle();
            const Design redone = designOf(canvas);
            EXPECT_EQ(redone.objects.size(), done.objects.size());
            EXPECT_EQ(redone.groups.size(), done.groups.size());
            if (removes)
                EXPECT_TRUE(redone == done);
            f.undo();
            EXPECT_TRUE(designOf(canvas) == before);
        }
    }
}
