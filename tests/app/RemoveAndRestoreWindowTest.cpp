// The commands that take objects out of a design or add copies to it (Cut, Delete, Paste,
// Duplicate, Replicate), each on everything and on a selection mixing merge field pairs, a
// group, a barcode, a text and loose objects, the design's order interleaving them: Undo brings
// back exactly the objects, their order, their groups and the selection, and the design saves
// to the very bytes it saved to before; Redo does the command again, saved as it was done, and
// a second Undo restores again.
#include <gtest/gtest.h>

#include <QFile>
#include <QTest>

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
    // A barcode and a text, between the group and the last pair's members.
    f.tool(RectsView::BarcodeTool)->trigger();
    f.click(QPointF(40, 120));
    f.tool(RectsView::TextTool)->trigger();
    f.dragFromTo(QPointF(150, 110), QPointF(220, 140));
    QTest::keyClicks(canvas, QStringLiteral("Kept words"));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(400, 400));
    ASSERT_EQ(canvas->getRects().size(), 13);
    EXPECT_EQ(canvas->getRects().last()->textStorage()->toPlainText(), QStringLiteral("Kept words"));
    canvas->moveGraphic(canvas->getRects().last(), 3);
    canvas->moveGraphic(canvas->getRects().last(), 8);
    int pairs = 0;
    for (const GroupPtr &group : canvas->groups())
        pairs += group->className() == QLatin1String("GroupField");
    ASSERT_EQ(pairs, 3);
    ASSERT_EQ(canvas->groups().size(), 4);

    // The design as File > Save As... writes it.
    const QString dir = qmtest::freshDir(QStringLiteral("remove-and-restore-saved"));
    int saves = 0;
    auto saved = [&] {
        const QString name = dir + QStringLiteral("/Design") + QString::number(++saves);
        f.prompts->queueSaveOfType(name, 0);
        f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
        QFile file(name + QStringLiteral(".qkdoc"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    };

    // Everything; then a pair, the group, the barcode, the text and a loose rectangle.
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
        for (const GraphicPtr &graphic : canvas->getRects())
            if (graphic->className() == QLatin1String("ColorBarcode")
                || graphic->textStorage()->toPlainText() == QLatin1String("Kept words"))
                canvas->selectRectUndo(graphic);
        apptest::settle();
        EXPECT_EQ(canvas->selectedObjects().size(), 7);
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
            const QByteArray bytesBefore = saved();
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
            const QByteArray bytesDone = saved();
            f.undo();
            EXPECT_TRUE(designOf(canvas) == before);
            EXPECT_TRUE(saved() == bytesBefore);
            f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
            apptest::settle();
            const Design redone = designOf(canvas);
            EXPECT_EQ(redone.objects.size(), done.objects.size());
            EXPECT_EQ(redone.groups.size(), done.groups.size());
            // The very objects come back, in their places, groups and selection.
            EXPECT_TRUE(redone == done);
            EXPECT_TRUE(saved() == bytesDone);
            f.undo();
            EXPECT_TRUE(designOf(canvas) == before);
            EXPECT_TRUE(saved() == bytesBefore);
        }
    }
}

// A paste of hundreds of objects, merge field pairs and groups among them, goes in one step and
// comes back whole: Undo takes every copy out, Redo puts the very copies back in their places,
// groups and selection. An object put among the copies since (by no command of the user's) is
// left where it is, and the copies around it go and come back all the same.
TEST(RemoveAndRestoreWindow, APasteOfManyObjectsGoesAndComesBackWhole)
{
    apptest::WindowFixture f(QStringLiteral("paste-many"));
    RectsView *canvas = f.canvas();
    const int pks[] = {100, 9, 10};
    for (int i = 0; i < 3; ++i) {
        canvas->addFieldType(pks[i]);
        f.click(QPointF(10 + 60 * i, 40));
    }
    f.tool(RectsView::SelectTool)->trigger();
    constexpr int Loose = 240;
    for (int i = 0; i < Loose; ++i) {
        GraphicPtr object = ColorRect::create(QRectF(10 + (i % 30) * 9.0, 10 + (i / 30) * 8.0, 6, 5));
        object->setPageName(canvas->getCurrPageName());
        object->setObjectLayer(1);
        canvas->addGraphic(object);
    }
    canvas->clearSelection();
    canvas->selectRect(canvas->getRects()[6]);
    canvas->selectRect(canvas->getRects()[7]);
    f.trigger(QStringLiteral("Arrange"), QStringLiteral("Group"));
    const qsizetype count = canvas->getRects().size();
    ASSERT_EQ(count, 6 + Loose);
    ASSERT_EQ(canvas->groups().size(), 4);

    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
    canvas->undoManager()->removeAllActions();
    const Design before = designOf(canvas);
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    const Design done = designOf(canvas);
    ASSERT_EQ(done.objects.size(), size_t(2 * count));
    EXPECT_EQ(done.groups.size(), 8u);
    EXPECT_EQ(done.selected.size(), size_t(count));
    for (int round = 0; round < 2; ++round) {
        f.undo();
        EXPECT_TRUE(designOf(canvas) == before) << round;
        f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
        apptest::settle();
        EXPECT_TRUE(designOf(canvas) == done) << round;
    }

    // An object among the copies: Undo takes the copies out around it.
    GraphicPtr among = ColorRect::create(QRectF(400, 400, 10, 10));
    among->setPageName(canvas->getCurrPageName());
    among->setObjectLayer(1);
    canvas->undoManager()->disableUndoRegistration();
    canvas->insertGraphic(among, int(count) + 5);
    canvas->undoManager()->enableUndoRegistration();
    f.undo();
    std::vector<const ColorRect *> left = before.objects;
    left.push_back(among.get());
    EXPECT_EQ(designOf(canvas).objects, left);
    EXPECT_EQ(designOf(canvas).selected, before.selected);
    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
    apptest::settle();
    const Design redone = designOf(canvas);
    EXPECT_EQ(redone.objects.size(), done.objects.size() + 1);
    EXPECT_EQ(std::set<const ColorRect *>(redone.objects.begin(), redone.objects.end()),
              [&] {
                  std::set<const ColorRect *> all(done.objects.begin(), done.objects.end());
                  all.insert(among.get());
                  return all;
              }());
    EXPECT_EQ(redone.selected, done.selected);
    EXPECT_EQ(redone.groups, done.groups);
}
