// A user's first design: the stock chosen by search, one object of each drawing tool, a word
// typed, every step undone and redone from the Edit menu, saved, the program quit and started
// again, the design opened: everything as it was.
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include "Readers.h"
#include "Scenario.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"

using namespace quillmark;

namespace scenario {
namespace {

QStringList classesOf(const QVariant &document)
{
    QStringList classes;
    for (const QVariant &object : objectsOf(document))
        classes << object.toMap().value(QStringLiteral("Class")).toString();
    return classes;
}

const QStringList Drawn = {"ColorRect", "ColorOval", "ColorLine", "ColorPath", "ColorRect"};

class FirstDesign : public Scenario
{
protected:
    int objectCount() const { return int(canvas()->getRects().size()); }

    // A creation from a tool is one step the Edit menu names.
    void expectCreationNamed() { EXPECT_EQ(undoItemText(), QStringLiteral("Undo Create Object")); }

    // The sheet as Save As writes it in PDF: the words with their places.
    QList<PdfWord> sheetWords(const QString &name)
    {
        const QString pdf = userFile(name);
        prompts().queueSave(pdf);
        choose(QStringLiteral("File/Save As..."));
        const QList<PdfPage> pages = readPdf(pdf);
        return pages.isEmpty() ? QList<PdfWord>() : pages.first().words;
    }
};

TEST_F(FirstDesign, DrawTypeUndoRedoSaveQuitAndReopen)
{
    launch();
    chooseStockBySearch(QStringLiteral("5160"), QStringLiteral("Address Labels 5160"));
    EXPECT_EQ(window()->labelInfo()->text(), QStringLiteral("2.63 inch x 1.00 inch, 3 across, 10 down"));

    // One object of each drawing tool, on the 189 x 72 point label.
    pickTool({"Rect Object", "Rectangle"});
    dragCanvas({8, 8}, {48, 30});
    ASSERT_EQ(objectCount(), 1);
    expectCreationNamed();
    pickTool({"Oval Object", "Oval"});
    dragCanvas({56, 8}, {96, 30});
    ASSERT_EQ(objectCount(), 2);
    expectCreationNamed();
    pickTool({"Line Object", "Line"});
    dragCanvas({104, 8}, {140, 30});
    ASSERT_EQ(objectCount(), 3);
    expectCreationNamed();
    // The path: three corners, then a click on the first closes it.
    pickTool({"Bezier Object", "Bezier Path"});
    clickCanvas({8, 40});
    moveOverCanvas({30, 62});
    clickCanvas({30, 62});
    moveOverCanvas({50, 40});
    clickCanvas({50, 40});
    moveOverCanvas({8, 40});
    clickCanvas({8, 40});
    ASSERT_EQ(objectCount(), 4);
    expectCreationNamed();
    // The text tool's click makes a text box that takes the keys at once.
    pickTool({"Enter Text", "Text"});
    clickCanvas({100, 38});
    ASSERT_EQ(objectCount(), 5);
    typeText(QStringLiteral("Hello"));
    EXPECT_EQ(undoItemText(), QStringLiteral("Undo Typing"));
    pressKey(Qt::Key_Escape);
    pickTool({"Select Object", "Select"});

    // Every step undone from the Edit menu, then redone.
    QStringList undone;
    while (undoItemEnabled() && undone.size() < 40) {
        undone << undoItemText();
        choose(QStringLiteral("Edit/") + undone.last());
    }
    EXPECT_EQ(objectCount(), 0) << undone.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(undone.count(QStringLiteral("Undo Typing")), 1) << undone.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(undone.count(QStringLiteral("Undo Create Object")), 5) << undone.join(QStringLiteral(", ")).toStdString();
    QStringList redone;
    for (int i = 0; i < undone.size(); ++i) {
        redone << redoItemText();
        choose(QStringLiteral("Edit/") + redone.last());
    }
    EXPECT_EQ(objectCount(), 5);

    // Saved, then read by another program.
    const QString path = userFile(QStringLiteral("First design.qkdoc"));
    prompts().queueSave(path);
    choose(QStringLiteral("File/Save"));
    const QVariant saved = readPlist(path);
    ASSERT_TRUE(saved.isValid()) << "plistutil cannot read the saved design";
    EXPECT_EQ(classesOf(saved), Drawn);
    // Each frame where it was drawn, within the pointer's pixel at this zoom.
    const QList<QRectF> frames = {QRectF(QPointF(8, 8), QPointF(48, 30)), QRectF(QPointF(56, 8), QPointF(96, 30)),
                                  QRectF(QPointF(104, 8), QPointF(140, 30)), QRectF(QPointF(8, 40), QPointF(50, 62)),
                                  QRectF(100, 38, 100, 100)};
    const QVariantList objects = objectsOf(saved);
    for (int i = 0; i < std::min(frames.size(), objects.size()); ++i) {
        const QRectF frame = boundsOf(objects.at(i));
        EXPECT_NEAR(frame.left(), frames[i].left(), 1.0) << i;
        EXPECT_NEAR(frame.top(), frames[i].top(), 1.0) << i;
        EXPECT_NEAR(frame.right(), frames[i].right(), 1.0) << i;
        EXPECT_NEAR(frame.bottom(), frames[i].bottom(), 1.0) << i;
    }
    EXPECT_EQ(objectTexts(saved), (QStringList{"", "", "", "", "Hello"}));
    EXPECT_EQ(window()->windowTitle(), QStringLiteral("Quillmark::First design.qkdoc"));
    // The sheet as it prints: "Hello" on each of the 30 labels.
    const QList<PdfWord> printed = sheetWords(QStringLiteral("Before.pdf"));
    EXPECT_EQ(printed.size(), 30);

    // Quitting a saved design asks nothing.
    prompts().clear();
    ASSERT_TRUE(quit());
    EXPECT_EQ(prompts().count(qmtest::TestPrompts::Alert), 0);

    // Started again, another stock chosen, then the recent design opened: as it was saved.
    launch();
    chooseStockBySearch(QStringLiteral("5163"), QStringLiteral("Shipping Labels 5163"));
    EXPECT_EQ(window()->labelInfo()->text(), QStringLiteral("4.00 inch x 2.00 inch, 2 across, 5 down"));
    // The stock change is a change of the new design: Open asks, and is told not to save it.
    prompts().clear();
    prompts().queueAlert(Prompts::SecondButton);
    choose(QStringLiteral("File/Open Recent/First design.qkdoc"));
    EXPECT_EQ(prompts().count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(objectCount(), 5);
    EXPECT_EQ(window()->windowTitle(), QStringLiteral("Quillmark::First design.qkdoc"));
    const QString again = userFile(QStringLiteral("Reopened.qkdoc"));
    prompts().queueSave(again);
    choose(QStringLiteral("File/Save As..."));
    EXPECT_EQ(plistXml(again), plistXml(path));
    {
        EXPECT_EQ(window()->labelInfo()->text(), QStringLiteral("2.63 inch x 1.00 inch, 3 across, 10 down"));
        // It prints where it printed before, within 0.001 inch.
        const QList<PdfWord> reprinted = sheetWords(QStringLiteral("After.pdf"));
        ASSERT_EQ(reprinted.size(), printed.size());
        for (int i = 0; i < printed.size(); ++i) {
            EXPECT_EQ(reprinted[i].text, printed[i].text);
            EXPECT_NEAR(reprinted[i].box.left(), printed[i].box.left(), 0.072) << i;
            EXPECT_NEAR(reprinted[i].box.top(), printed[i].box.top(), 0.072) << i;
        }
    }

    // A change asks once when quitting; Don't Save leaves the file as it was.
    clickCanvas({20, 20});
    dragCanvas({20, 20}, {30, 25});
    ASSERT_TRUE(menuItem(QStringLiteral("File/Save"))->isEnabled()) << "the move left the design unchanged";
    prompts().clear();
    prompts().queueAlert(Prompts::SecondButton);
    EXPECT_TRUE(quit());
    EXPECT_EQ(prompts().count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(plistXml(again), plistXml(path));
}

} // namespace
} // namespace scenario
