// A design of 10,000 objects, written by the program's own document writer, is worked on as a
// user does through the window: File > Open, Edit > Select All, the arrow key, Edit > Undo,
// Delete and Undo, Copy and Paste. How long each takes is measured by the document benchmark;
// here every step must do what the user sees, in order and for every object.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <map>
#include <vector>

#include "app/AppTestSupport.h"
#include "platform/PropertyList.h"
#include "objects/Group.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

constexpr int Count = 10000;

QRectF frameOf(int i)
{
    return QRectF(2 + (i % 100) * 1.8, 2 + (i / 100) * 1.0, 1.5, 0.8);
}

QString tenThousandRectangles(apptest::WindowFixture &f)
{
    GraphicList graphics;
    for (int i = 0; i < Count; ++i) {
        GraphicPtr rect = ColorRect::create(frameOf(i));
        rect->setPageName(f.canvas()->getCurrPageName());
        rect->setObjectLayer(1);
        graphics.append(rect);
    }
    const QString path = qmtest::freshDir(QStringLiteral("large-design")) + QStringLiteral("/Ten Thousand.qkdoc");
    EXPECT_TRUE(PropertyList::writeFile(path, f.canvas()->drawDocumentDictionaryForGraphics(graphics), PlistFormat::Binary));
    return path;
}

// Every object in the design's order, at its place moved by `dx`.
void expectInPlace(const RectsView &canvas, double dx)
{
    ASSERT_EQ(canvas.getRects().size(), Count);
    int misplaced = 0;
    for (int i = 0; i < Count; ++i)
        if (canvas.getRects()[i]->frameBounds() != frameOf(i).translated(dx, 0))
            ++misplaced;
    EXPECT_EQ(misplaced, 0) << "moved by " << dx;
}

// A large design opens while the window answers, showing how far it is; given up, the design
// shown before stays as it was, with its name and its undo steps, and the next Open brings the
// whole design.
TEST(LargeDesignWindow, OpeningAnswersAndGivingUpLeavesTheDesignShown)
{
    apptest::WindowFixture f(QStringLiteral("large-design-open-cancel"));
    RectsView *canvas = f.canvas();
    const QString path = tenThousandRectangles(f);
    f.drawRect(QRectF(20, 20, 60, 30));
    f.drawRect(QRectF(40, 70, 30, 30));
    f.tool(RectsView::SelectTool)->trigger();
    apptest::settle();
    ASSERT_EQ(canvas->getRects().size(), 2);
    const QVariantMap before = canvas->drawDocumentDictionaryForGraphics(canvas->getRects());
    const QString title = f.window->windowTitle();
    // Nothing to save first: the Open panel is the next to ask.
    canvas->wasChanged(false);
    ASSERT_TRUE(canvas->undoManager()->canUndo());

    // Watches the window's turns while a design opens; gives up through the panel's Cancel
    // when told to.
    int turns = 0;
    int panels = 0;
    bool giveUp = true;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ++turns;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *progress = qobject_cast<QProgressDialog *>(widget); progress && progress->isVisible()) {
                ++panels;
                if (giveUp)
                    progress->cancel();
            }
    });
    watch.start();
    turns = 0;
    f.prompts->queuePath(path);
    f.menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
    EXPECT_GT(turns, 0);
    EXPECT_GT(panels, 0);
    apptest::settle();
    ASSERT_EQ(canvas->getRects().size(), 2);
    EXPECT_TRUE(PropertyList::toData(canvas->drawDocumentDictionaryForGraphics(canvas->getRects()), PlistFormat::Xml)
                == PropertyList::toData(before, PlistFormat::Xml));
    EXPECT_EQ(f.window->windowTitle(), title);
    EXPECT_FALSE(canvas->isChanged());
    EXPECT_TRUE(canvas->undoManager()->canUndo());

    giveUp = false;
    turns = panels = 0;
    f.prompts->queuePath(path);
    f.menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
    EXPECT_GT(turns, 0);
    watch.stop();
    apptest::settle();
    expectInPlace(*canvas, 0);
    EXPECT_FALSE(canvas->undoManager()->canUndo());
    EXPECT_TRUE(f.window->windowTitle().contains(QFileInfo(path).completeBaseName()));
    for (QWidget *widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QProgressDialog *>(widget) && widget->isVisible());

    // Paste, Duplicate and Replicate of the whole design answer alike; given up, they add
    // nothing and the last step keeps its name. The copy they put on the clipboard may be given
    // up too: the one Paste takes is made first.
    f.menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
    f.menuItem(QStringLiteral("Edit"), QStringLiteral("Copy"))->trigger();
    apptest::settle();
    const QString lastStep = canvas->undoManager()->undoActionName();
    giveUp = true;
    watch.start();
    for (const QString &command : {QStringLiteral("Duplicate"), QStringLiteral("Replicate"), QStringLiteral("Paste")}) {
        SCOPED_TRACE(command.toStdString());
        turns = panels = 0;
        f.menuItem(QStringLiteral("Edit"), command)->trigger();
        EXPECT_GT(turns, 0);
        EXPECT_GT(panels, 0);
        apptest::settle();
        expectInPlace(*canvas, 0);
        EXPECT_EQ(canvas->undoManager()->undoActionName(), lastStep);
    }
    giveUp = false;
    turns = 0;
    f.menuItem(QStringLiteral("Edit"), QStringLiteral("Duplicate"))->trigger();
    EXPECT_GT(turns, 0);
    watch.stop();
    apptest::settle();
    EXPECT_EQ(canvas->getRects().size(), 2 * Count);
    f.undo();
    expectInPlace(*canvas, 0);
}

TEST(LargeDesignWindow, TenThousandObjectsOpenSelectNudgeUndoDeleteAndPaste)
{
    apptest::WindowFixture f(QStringLiteral("large-design-window"));
    const QString path = tenThousandRectangles(f);
    RectsView *canvas = f.canvas();

    f.prompts->queuePath(path);
    f.menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
    apptest::settle();
    expectInPlace(*canvas, 0);
    EXPECT_FALSE(canvas->isChanged());
    EXPECT_FALSE(canvas->undoManager()->canUndo());
    EXPECT_TRUE(f.window->windowTitle().contains(QFileInfo(path).completeBaseName()));
    canvas->grab();

    // The commands that depend on the whole design follow it once it is open.
    QAction *selectAll = f.menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"));
    ASSERT_TRUE(selectAll->isEnabled());
    selectAll->trigger();
    apptest::settle();
    ASSERT_EQ(canvas->selectedObjects().size(), Count);
    int unselected = 0;
    for (const GraphicPtr &graphic : canvas->getRects())
        if (!canvas->isSelected(graphic.get()))
            ++unselected;
    EXPECT_EQ(unselected, 0);
    EXPECT_TRUE(f.menuItem(QStringLiteral("Edit"), QStringLiteral("Copy"))->isEnabled());
    canvas->grab();

    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_Right);
    apptest::settle();
    expectInPlace(*canvas, 1.0);
    EXPECT_TRUE(canvas->isChanged());
    canvas->grab();

    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_TRUE(undo->isEnabled());
    undo->trigger();
    apptest::settle();
    expectInPlace(*canvas, 0);
    EXPECT_EQ(canvas->selectedObjects().size(), Count);

    // Undoing Select All leaves nothing selected.
    undo->trigger();
    apptest::settle();
    EXPECT_TRUE(canvas->selectedObjects().isEmpty());
    for (const GraphicPtr &graphic : canvas->getRects())
        ASSERT_FALSE(canvas->isSelected(graphic.get()));

    // Delete everything, then Undo brings every object back in its place in the design.
    selectAll->trigger();
    apptest::settle();
    f.menuItem(QStringLiteral("Edit"), QStringLiteral("Delete"))->trigger();
    apptest::settle();
    EXPECT_TRUE(canvas->getRects().isEmpty());
    EXPECT_TRUE(canvas->selectedObjects().isEmpty());
    EXPECT_FALSE(f.menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->isEnabled());
    undo->trigger();
    apptest::settle();
    expectInPlace(*canvas, 0);
    EXPECT_TRUE(f.menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->isEnabled());

    // Copy and Paste: the copies join the design after the originals, selected, in order.
    selectAll->trigger();
    apptest::settle();
    f.menuItem(QStringLiteral("Edit"), QStringLiteral("Copy"))->trigger();
    apptest::settle();
    f.menuItem(QStringLiteral("Edit"), QStringLiteral("Paste"))->trigger();
    apptest::settle();
    ASSERT_EQ(canvas->getRects().size(), 2 * Count);
    EXPECT_EQ(canvas->selectedObjects().size(), Count);
    for (int i = 0; i < Count; i += 997)
        EXPECT_TRUE(canvas->isSelected(canvas->getRects()[Count + i].get())) << i;
    EXPECT_FALSE(canvas->isSelected(canvas->getRects()[0].get()));
    undo->trigger();
    apptest::settle();
    expectInPlace(*canvas, 0);
    canvas->grab();
}


// ---- stacking ----

// The stacking commands as they are defined, one object at a time on a plain list of numbers:
// L the objects of the shown page and layer, S the selection in the design's order; moving s
// to L[k] moves it in the design to the place of the object at position k of L.
struct StackModel
{
    std::vector<int> order;   // object numbers, back to front
    std::vector<bool> inLayer; // by object number

    std::vector<int> layer() const
    {
        std::vector<int> l;
        for (int id : order)
            if (inLayer[id])
                l.push_back(id);
        return l;
    }
    int placeOf(int id) const { return int(std::find(order.begin(), order.end(), id) - order.begin()); }
    void moveTo(int id, int target)
    {
        const int from = placeOf(id);
        const int to = placeOf(target);
        order.erase(order.begin() + from);
        order.insert(order.begin() + to, id);
    }
    void restack(const std::vector<int> &selected, bool towardFront, bool allTheWay)
    {
        std::vector<int> s = selected;
        std::sort(s.begin(), s.end(), [this](int a, int b) { return placeOf(a) < placeOf(b); });
        if (towardFront)
            std::reverse(s.begin(), s.end());
        int bound = towardFront ? int(layer().size()) - 1 : 0;
        for (int id : s) {
            const std::vector<int> l = layer();
            const int position = int(std::find(l.begin(), l.end(), id) - l.begin());
            if (towardFront ? bound > position : bound < position) {
                const int step = towardFront ? 1 : -1;
                moveTo(id, l[allTheWay ? bound : position + step]);
                bound -= step;
            }
        }
    }
};

struct StackCommand
{
    const char *item;
    bool towardFront;
    bool allTheWay;
};
const StackCommand StackCommands[] = {{"Bring To Front", true, true},
                                      {"Bring Forward", true, false},
                                      {"Send Backward", false, false},
                                      {"Send To Back", false, true}};

// The object numbers in the canvas's order; `number` maps each object to its number.
std::vector<int> canvasOrder(const RectsView &canvas, const std::map<const ColorRect *, int> &number)
{
    std::vector<int> order;
    for (const GraphicPtr &graphic : canvas.getRects())
        order.push_back(number.at(graphic.get()));
    return order;
}

// A design of `count` squares on a grid, opened through File > Open; every third object lies on
// the other layer or on the other side of the label, so that the shown layer's objects are
// interleaved with others in the design's list.
struct StackedDesign
{
    StackModel model;
    std::map<const ColorRect *, int> number;

    static QRectF square(int i) { return QRectF(10 + (i % 40) * 14.0, 10 + (i / 40) * 14.0, 10, 10); }

    StackedDesign(apptest::WindowFixture &f, int count, const QString &name)
    {
        RectsView *canvas = f.canvas();
        const int shown = canvas->currentLayer();
        GraphicList graphics;
        for (int i = 0; i < count; ++i) {
            GraphicPtr rect = ColorRect::create(square(i));
            const int kind = i % 6;
            rect->setPageName(kind == 5 ? QStringLiteral("Elsewhere") : canvas->getCurrPageName());
            rect->setObjectLayer(kind == 2 ? 1 - shown : shown);
            graphics.append(rect);
            model.inLayer.push_back(kind != 2 && kind != 5);
            model.order.push_back(i);
        }
        const QString path = qmtest::freshDir(name) + QStringLiteral("/Stacked.qkdoc");
        EXPECT_TRUE(PropertyList::writeFile(path, canvas->drawDocumentDictionaryForGraphics(graphics), PlistFormat::Binary));
        f.prompts->queuePath(path);
        f.menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
        apptest::settle();
        for (int i = 0; i < canvas->getRects().size(); ++i)
            number[canvas->getRects()[i].get()] = i;
    }
};

// Random selections, made by clicking and shift-clicking the squares, through each stacking
// command of the Arrange menu: the design's order is the one the definition gives, Undo gives
// the former order back and Redo the new one.
TEST(LargeDesignWindow, StackingCommandsGiveTheDefinedOrderAndUndoAndRedoIt)
{
    apptest::WindowFixture f(QStringLiteral("stacking-window"));
    RectsView *canvas = f.canvas();
    constexpr int count = 36;
    StackedDesign design(f, count, QStringLiteral("stacking-window-design"));
    ASSERT_EQ(canvas->getRects().size(), count);
    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    QAction *redo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"));
    QRandomGenerator random(44);
    for (int round = 0; round < 24; ++round) {
        // Only the shown layer's objects can be clicked; the first click starts afresh.
        std::vector<int> selected;
        const int wanted = 1 + int(random.bounded(8));
        bool first = true;
        for (int k = 0; k < wanted; ++k) {
            const int id = int(random.bounded(count));
            if (!design.model.inLayer[id] || std::find(selected.begin(), selected.end(), id) != selected.end())
                continue;
            if (first)
                f.click(QPointF(20, -20)); // off every object: nothing selected
            f.click(StackedDesign::square(id).center(), first ? Qt::NoModifier : Qt::ShiftModifier);
            first = false;
            selected.push_back(id);
        }
        // The front-most or back-most objects of the layer now and then, where the bound
        // stays put.
        if (round % 4 == 3) {
            const std::vector<int> l = design.model.layer();
            for (int id : {l.back(), l.front()})
                if (std::find(selected.begin(), selected.end(), id) == selected.end()) {
                    f.click(StackedDesign::square(id).center(), selected.empty() ? Qt::NoModifier : Qt::ShiftModifier);
                    selected.push_back(id);
                }
        }
        if (selected.empty())
            continue;
        ASSERT_EQ(canvas->selectedObjects().size(), qsizetype(selected.size())) << "round " << round;

        const StackCommand &command = StackCommands[round % 4];
        const std::vector<int> before = canvasOrder(*canvas, design.number);
        ASSERT_EQ(before, design.model.order);
        design.model.restack(selected, command.towardFront, command.allTheWay);
        QAction *item = f.menuItem(QStringLiteral("Arrange"), QString::fromLatin1(command.item));
        item->trigger();
        apptest::settle();
        EXPECT_EQ(canvasOrder(*canvas, design.number), design.model.order) << command.item << " round " << round;
        if (design.model.order == before)
            continue;
        ASSERT_TRUE(undo->isEnabled());
        EXPECT_EQ(undo->text(), QStringLiteral("Undo %1").arg(QString::fromLatin1(command.item)));
        undo->trigger();
        apptest::settle();
        EXPECT_EQ(canvasOrder(*canvas, design.number), before) << "undo of " << command.item;
        redo->trigger();
        apptest::settle();
        EXPECT_EQ(canvasOrder(*canvas, design.number), design.model.order) << "redo of " << command.item;
    }
}

// Select All on 2,000 objects, each stacking command, Undo; then Group, a nudge, Undo, Ungroup:
// the same order as the definition gives, the group gathered behind its front-most member.
TEST(LargeDesignWindow, TwoThousandObjectsRestackGroupAndNudge)
{
    apptest::WindowFixture f(QStringLiteral("stacking-large-window"));
    RectsView *canvas = f.canvas();
    constexpr int count = 2000;
    StackedDesign design(f, count, QStringLiteral("stacking-large-design"));
    ASSERT_EQ(canvas->getRects().size(), count);
    QAction *selectAll = f.menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"));
    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    std::vector<int> all;
    for (int id = 0; id < count; ++id)
        if (design.model.inLayer[id])
            all.push_back(id);
    const std::vector<int> original = design.model.order;
    for (const StackCommand &command : StackCommands) {
        selectAll->trigger();
        apptest::settle();
        ASSERT_EQ(canvas->selectedObjects().size(), qsizetype(all.size()));
        StackModel expected = design.model;
        expected.restack(all, command.towardFront, command.allTheWay);
        f.menuItem(QStringLiteral("Arrange"), QString::fromLatin1(command.item))->trigger();
        apptest::settle();
        EXPECT_EQ(canvasOrder(*canvas, design.number), expected.order) << command.item;
        undo->trigger();
        apptest::settle();
        EXPECT_EQ(canvasOrder(*canvas, design.number), original) << "undo of " << command.item;
    }

    // Every other object of the layer grouped: they gather behind the front-most of them.
    f.click(QPointF(-20, -20));
    std::vector<int> grouped;
    for (size_t k = 0; k < all.size(); k += 2) {
        canvas->selectRect(canvas->getRects()[all[k]]);
        grouped.push_back(all[k]);
    }
    f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Group"))->trigger();
    apptest::settle();
    // The front-most member stays where it was and the others come right behind it.
    std::vector<int> gathered;
    for (int id : original)
        if (id == grouped.back() || std::find(grouped.begin(), grouped.end(), id) == grouped.end())
            gathered.push_back(id);
    gathered.insert(std::find(gathered.begin(), gathered.end(), grouped.back()), grouped.begin(), grouped.end() - 1);
    EXPECT_EQ(canvasOrder(*canvas, design.number), gathered);
    ASSERT_NE(canvas->selectedGroup(), nullptr);

    // Select All then the arrow key: the group and the loose objects each move once.
    selectAll->trigger();
    apptest::settle();
    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_Down);
    apptest::settle();
    int misplaced = 0;
    for (const GraphicPtr &graphic : canvas->getRects()) {
        const int id = design.number.at(graphic.get());
        const QPointF shift = design.model.inLayer[id] ? QPointF(0, 1) : QPointF(0, 0);
        if (graphic->frameBounds() != StackedDesign::square(id).translated(shift))
            ++misplaced;
    }
    EXPECT_EQ(misplaced, 0);
    undo->trigger();
    apptest::settle();
    misplaced = 0;
    for (const GraphicPtr &graphic : canvas->getRects())
        if (graphic->frameBounds() != StackedDesign::square(design.number.at(graphic.get())))
            ++misplaced;
    EXPECT_EQ(misplaced, 0);

    // Undoing the grouping puts the order back.
    undo->trigger(); // Select All
    apptest::settle();
    undo->trigger(); // Group
    apptest::settle();
    EXPECT_EQ(canvasOrder(*canvas, design.number), original);
    EXPECT_EQ(canvas->getRects()[all.front()]->getGroup(), nullptr);
}

// Group, Ungroup, then Undo twice: the objects are as before the grouping, in no group, and
// Redo groups them again.
TEST(LargeDesignWindow, UndoingGroupAfterUndoingUngroupLeavesNoGroup)
{
    apptest::WindowFixture f(QStringLiteral("group-undo-window"));
    RectsView *canvas = f.canvas();
    StackedDesign design(f, 6, QStringLiteral("group-undo-design"));
    f.click(StackedDesign::square(0).center());
    f.click(StackedDesign::square(1).center(), Qt::ShiftModifier);
    ASSERT_EQ(canvas->selectedObjects().size(), 2);
    const GraphicPtr first = canvas->getRects()[0];
    const GraphicPtr second = canvas->getRects()[1];
    f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Group"))->trigger();
    apptest::settle();
    ASSERT_NE(first->getGroup(), nullptr);
    f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Ungroup"))->trigger();
    apptest::settle();
    EXPECT_EQ(first->getGroup(), nullptr);
    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    QAction *redo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"));
    undo->trigger(); // Ungroup
    apptest::settle();
    ASSERT_NE(first->getGroup(), nullptr);
    EXPECT_EQ(first->getGroup(), second->getGroup());
    undo->trigger(); // Group
    apptest::settle();
    EXPECT_EQ(first->getGroup(), nullptr);
    EXPECT_EQ(second->getGroup(), nullptr);
    EXPECT_EQ(canvas->selectedGroup(), nullptr);
    redo->trigger(); // Group
    apptest::settle();
    EXPECT_NE(first->getGroup(), nullptr);
    EXPECT_EQ(first->getGroup(), second->getGroup());
    undo->trigger();
    apptest::settle();
    // Selecting one of them now selects it alone.
    f.click(QPointF(-20, -20));
    f.click(StackedDesign::square(0).center());
    EXPECT_EQ(canvas->selectedObjects().size(), 1);
    EXPECT_EQ(first->getGroup(), nullptr);
}

} // namespace
