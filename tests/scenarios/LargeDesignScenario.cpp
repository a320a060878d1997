// A design of 2,000 objects, some of them in groups of two, worked on through the window: opened
// from File > Open, Edit > Select All, moved with the arrow keys, one move undone, saved and
// opened again. Every object keeps its frame, its place in the design and its group, as the
// program shows it and as an independent reader of the saved file finds it.
#include <QFile>

#include "Readers.h"
#include "Scenario.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace scenario {
namespace {

constexpr int LargeCount = 2000;
// The first objects are paired into groups: objects 2k and 2k + 1.
constexpr int LargePairs = 250;

// Frames on a quarter-point grid, so that the saved text of each is exact.
QRectF largeFrame(int i)
{
    return QRectF(2.0 + (i % 50) * 3.5, 2.0 + (i / 50) * 1.75, 3.0, 1.5);
}

class LargeDesign : public Scenario
{
protected:
    // Writes the design with the program's document writer, its groups with the groups' own.
    QString writeDesign()
    {
        GraphicList graphics;
        for (int i = 0; i < LargeCount; ++i) {
            GraphicPtr rect = ColorRect::create(largeFrame(i));
            rect->setPageName(canvas()->getCurrPageName());
            rect->setObjectLayer(1);
            rect->setDrawsFill(true);
            rect->setFillColor(QColor::fromHsv(i % 360, 120, 230));
            graphics.append(rect);
        }
        QVariantMap document = canvas()->drawDocumentDictionaryForGraphics(graphics);
        QVariantList groups;
        QList<std::shared_ptr<Group>> made;
        for (int k = 0; k < LargePairs; ++k) {
            made.append(Group::create());
            made.last()->addObjects({graphics[2 * k], graphics[2 * k + 1]});
            groups.append(made.last()->propertyListRepresentation(graphics));
        }
        document.insert(QStringLiteral("GroupsList"), groups);
        const QString path = userFile(QStringLiteral("Two Thousand.qkdoc"));
        EXPECT_TRUE(PropertyList::writeFile(path, document, PlistFormat::Binary));
        return path;
    }

    // The objects on the canvas, in the design's order, each at its frame moved by `delta`,
    // and paired into their groups.
    void expectOnCanvas(const QPointF &delta)
    {
        const GraphicList &objects = canvas()->getRects();
        ASSERT_EQ(objects.size(), LargeCount);
        int misplaced = 0;
        int ungrouped = 0;
        for (int i = 0; i < LargeCount; ++i) {
            if (objects[i]->frameBounds() != largeFrame(i).translated(delta))
                ++misplaced;
            const Group *group = objects[i]->getGroup();
            const bool paired = i < 2 * LargePairs;
            if (paired != (group != nullptr)
                || (paired && group != objects[i % 2 == 0 ? i + 1 : i - 1]->getGroup()))
                ++ungrouped;
        }
        EXPECT_EQ(misplaced, 0) << "moved by " << delta.x() << ", " << delta.y();
        EXPECT_EQ(ungrouped, 0);
    }
};

TEST_F(LargeDesign, SelectAllNudgeUndoSaveAndReopen)
{
    launch();
    const QString path = writeDesign();
    prompts().queuePath(path);
    choose(QStringLiteral("File/Open..."));
    expectOnCanvas({0, 0});
    EXPECT_FALSE(menuItem(QStringLiteral("File/Save"))->isEnabled());

    choose(QStringLiteral("Edit/Select All"));
    EXPECT_EQ(canvas()->selectedObjects().size(), LargeCount);

    // Two presses of the arrow keys move everything, the grouped objects with their groups;
    // Undo takes back the last.
    canvas()->setFocus();
    pressKey(Qt::Key_Right);
    expectOnCanvas({1, 0});
    pressKey(Qt::Key_Down);
    expectOnCanvas({1, 1});
    EXPECT_EQ(undoItemText(), QStringLiteral("Undo Move Object"));
    choose(QStringLiteral("Edit/Undo Move Object"));
    expectOnCanvas({1, 0});
    EXPECT_EQ(canvas()->selectedObjects().size(), LargeCount);

    choose(QStringLiteral("File/Save"));
    EXPECT_FALSE(menuItem(QStringLiteral("File/Save"))->isEnabled());

    // The saved file, read without the program: every frame moved, the groups kept.
    const QVariant saved = readPlist(path);
    const QVariantList objects = objectsOf(saved);
    ASSERT_EQ(objects.size(), LargeCount);
    int misplaced = 0;
    for (int i = 0; i < LargeCount; ++i)
        if (boundsOf(objects[i]) != largeFrame(i).translated(1, 0))
            ++misplaced;
    EXPECT_EQ(misplaced, 0);
    EXPECT_EQ(saved.toMap().value(QStringLiteral("GroupsList")).toList().size(), LargePairs);

    // A new design, then the saved one opened again: as it was saved.
    choose(QStringLiteral("File/New"));
    EXPECT_TRUE(canvas()->getRects().isEmpty());
    prompts().queuePath(path);
    choose(QStringLiteral("File/Open..."));
    expectOnCanvas({1, 0});
    EXPECT_FALSE(menuItem(QStringLiteral("File/Save"))->isEnabled());
    EXPECT_TRUE(canvas()->selectedObjects().isEmpty());
}

} // namespace
} // namespace scenario
