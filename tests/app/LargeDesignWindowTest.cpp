// A design of 10,000 objects, written by the program's own document writer, is worked on as a
// user does through the window: File > Open, Edit > Select All, the arrow key, Edit > Undo,
// Delete and Undo, Copy and Paste. How long each takes is measured by the document benchmark;
// here every step must do what the user sees, in order and for every object.
#include <gtest/gtest.h>

#include <QFileInfo>

#include "app/AppTestSupport.h"
#include "platform/PropertyList.h"
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

} // namespace
