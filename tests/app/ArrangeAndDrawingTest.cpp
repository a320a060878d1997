// The Arrange menu's align and same-size commands on objects drawn in the window, read back
// from the saved design by plistutil; tables typed into edited text; the shape a creation
// tool drags out, drawn while the pointer moves; snapping switched off and on; the keyboard
// staying with the canvas.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <QSpinBox>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <QToolButton>

#include "app/AppTestSupport.h"
#include "canvas/TGrid.h"
#include "inspector/AlignPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "inspector/StylePage.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextFlow.h"

using namespace quillmark;

namespace {

class ArrangeAndDrawing : public ::testing::Test
{
protected:
    ArrangeAndDrawing() : f(QStringLiteral("arrange-drawing")) {}

    RectsView *canvas() const { return f.canvas(); }
    QAction *item(const QString &menu, const QString &title) const
    {
        QAction *action = f.menuItem(menu, title);
        EXPECT_NE(action, nullptr) << title.toStdString();
        return action;
    }
    void trigger(const QString &menu, const QString &title)
    {
        if (QAction *action = item(menu, title)) {
            EXPECT_TRUE(action->isEnabled()) << title.toStdString();
            action->trigger();
        }
        apptest::settle();
    }
    // Saves through File > Save into a fresh folder; answers the saved file's path.
    QString save(const QString &name)
    {
        const QString dir = qmtest::freshDir(name);
        f.prompts->queuePath(dir + QStringLiteral("/Design"));
        trigger(QStringLiteral("File"), QStringLiteral("Save"));
        const QString path = dir + QStringLiteral("/Design.qkdoc");
        EXPECT_TRUE(QFile::exists(path));
        return path;
    }
    // The saved objects' frames in stacking order, as plistutil reads the file.
    static QList<QRectF> savedBounds(const QString &path)
    {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
        EXPECT_FALSE(tool.isEmpty());
        QProcess process;
        process.start(tool, {QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("xml")});
        EXPECT_TRUE(process.waitForFinished(60000));
        const QString xml = QString::fromUtf8(process.readAllStandardOutput());
        static const QRegularExpression bounds(QStringLiteral(
            "<key>Bounds</key>\\s*<string>\\{\\{([-0-9.e]+), ([-0-9.e]+)\\}, \\{([-0-9.e]+), ([-0-9.e]+)\\}\\}</string>"));
        QList<QRectF> frames;
        for (const QRegularExpressionMatch &m : bounds.globalMatch(xml))
            frames.append(QRectF(m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                                 m.captured(4).toDouble()));
        return frames;
    }
    static QString plistXml(const QString &path)
    {
        QProcess process;
        process.start(QStringLiteral("plistutil"), {QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("xml")});
        EXPECT_TRUE(process.waitForFinished(60000));
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    static QTextTable *firstTable(QTextDocument *document)
    {
        for (QTextFrame *frame : document->rootFrame()->childFrames())
            if (auto *table = qobject_cast<QTextTable *>(frame))
                return table;
        return nullptr;
    }
    static QString cellText(QTextTable *table, int row, int column)
    {
        const QTextTableCell cell = table->cellAt(row, column);
        QTextCursor cursor = cell.firstCursorPosition();
        cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        return cursor.selectedText();
    }
    // Format > Text > Table... with the panel answered: rows and columns, OK.
    void insertTable(int rows, int columns)
    {
        f.prompts->queuePanel([rows, columns](QDialog *panel) {
            panel->findChild<QSpinBox *>(QStringLiteral("rows"))->setValue(rows);
            panel->findChild<QSpinBox *>(QStringLiteral("columns"))->setValue(columns);
            return 1;
        });
        QAction *table = nullptr;
        for (QAction *top : f.window->menuBar()->actions())
            if (top->menu() && top->menu()->title() == QStringLiteral("Format"))
                for (QAction *sub : top->menu()->actions())
                    if (sub->menu() && sub->text() == QStringLiteral("Text"))
                        for (QAction *leaf : sub->menu()->actions())
                            if (leaf->text() == QStringLiteral("Table..."))
                                table = leaf;
        ASSERT_NE(table, nullptr);
        EXPECT_TRUE(table->isEnabled());
        table->trigger();
        apptest::settle();
    }
    // The darkest pixel of the canvas's picture within a pixel or two of a page point.
    int darkestNear(const QImage &shot, const QPointF &page) const
    {
        const QPoint at = canvas()->pageToWidget().map(page).toPoint() * shot.devicePixelRatio();
        int darkest = 255;
        for (int dx = -2; dx <= 2; ++dx)
            for (int dy = -2; dy <= 2; ++dy)
                if (shot.rect().contains(at + QPoint(dx, dy)))
                    darkest = std::min(darkest, qGray(shot.pixel(at + QPoint(dx, dy))));
        return darkest;
    }

    apptest::WindowFixture f;
};

TEST_F(ArrangeAndDrawing, AlignLeftEdgesOnThreeObjectsIsOneStepAndSaved)
{
    f.drawRect(QRectF(20, 8, 40, 14));
    f.drawRect(QRectF(70, 28, 30, 12));
    f.drawRect(QRectF(40, 50, 60, 12));
    ASSERT_EQ(canvas()->getRects().size(), 3);
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(40, 15));
    apptest::settle();
    // One object: the commands wait for a second one.
    for (const char *title : {"Align Left Edges", "Align Bottom Edges", "Same Width", "Same Size"})
        EXPECT_FALSE(item(QStringLiteral("Arrange"), QString::fromLatin1(title))->isEnabled()) << title;
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    ASSERT_EQ(canvas()->selectedObjects().size(), 3);

    trigger(QStringLiteral("Arrange"), QStringLiteral("Align Left Edges"));
    const QList<QRectF> aligned = savedBounds(save(QStringLiteral("align-left")));
    ASSERT_EQ(aligned.size(), 3);
    EXPECT_EQ(aligned[0], QRectF(20, 8, 40, 14));
    EXPECT_EQ(aligned[1], QRectF(20, 28, 30, 12));
    EXPECT_EQ(aligned[2], QRectF(20, 50, 60, 12));

    // One Undo puts all three back.
    f.undo();
    EXPECT_EQ(canvas()->getRects()[1]->frameBounds(), QRectF(70, 28, 30, 12));
    EXPECT_EQ(canvas()->getRects()[2]->frameBounds(), QRectF(40, 50, 60, 12));
    EXPECT_EQ(canvas()->getRects()[0]->frameBounds(), QRectF(20, 8, 40, 14));

    // The others on the selection's box: right edges at 100, bottoms at 62, centres between.
    trigger(QStringLiteral("Arrange"), QStringLiteral("Align Right Edges"));
    EXPECT_EQ(canvas()->getRects()[0]->frameBounds().right(), 100);
    EXPECT_EQ(canvas()->getRects()[1]->frameBounds().right(), 100);
    f.undo();
    trigger(QStringLiteral("Arrange"), QStringLiteral("Align Bottom Edges"));
    for (const GraphicPtr &g : canvas()->getRects())
        EXPECT_EQ(g->frameBounds().bottom(), 62);
    f.undo();
    trigger(QStringLiteral("Arrange"), QStringLiteral("Align Top Edges"));
    for (const GraphicPtr &g : canvas()->getRects())
        EXPECT_EQ(g->frameBounds().top(), 8);
    f.undo();
    trigger(QStringLiteral("Arrange"), QStringLiteral("Align Horizontal Centers"));
    for (const GraphicPtr &g : canvas()->getRects())
        EXPECT_EQ(g->frameBounds().center().x(), 60);
    f.undo();
    trigger(QStringLiteral("Arrange"), QStringLiteral("Align Vertical Centers"));
    for (const GraphicPtr &g : canvas()->getRects())
        EXPECT_EQ(g->frameBounds().center().y(), 35);
    f.undo();
    EXPECT_EQ(canvas()->getRects()[1]->frameBounds(), QRectF(70, 28, 30, 12));
}

// A line among the objects, with a shadow reaching far past it: the objects line up on the
// line's end, not on the area it repaints, and a second press leaves everything where the
// first put it, through the inspector's button and the Arrange menu alike.
TEST_F(ArrangeAndDrawing, AlignRightTwiceOnBoxesAndAShadowedLineMovesNothingTheSecondTime)
{
    f.drawRect(QRectF(20, 8, 40, 14));
    f.drawRect(QRectF(70, 28, 30, 12));
    f.drawRect(QRectF(40, 50, 60, 12));
    f.tool(RectsView::LineTool)->trigger();
    f.dragFromTo(QPointF(30, 80), QPointF(110, 90));
    const GraphicPtr line = canvas()->getRects().last();
    ASSERT_EQ(line->className(), QStringLiteral("ColorLine"));
    // The shadow through the style page, 30 points away.
    ObjectInfoPanel *info = f.window->objectInfo();
    StylePage *style = info->stylePage();
    for (PropertiesTabButton *button : f.window->propertiesView()->buttons()) {
        QWidget *page = f.window->propertiesView()->pageWithTag(button->tag());
        if (page && (page->isAncestorOf(style->bShadow) || page->isAncestorOf(info->alignPage()->bAlignRight))
            && !button->isChecked())
            QTest::mouseClick(button, Qt::LeftButton);
    }
    apptest::settle();
    style->bShadow->click();
    style->tvShadowDistance->setFocus();
    style->tvShadowDistance->selectAll();
    QTest::keyClicks(style->tvShadowDistance, QStringLiteral("30"));
    QTest::keyClick(style->tvShadowDistance, Qt::Key_Return);
    apptest::settle();
    ASSERT_TRUE(line->drawsShadow());
    ASSERT_DOUBLE_EQ(line->shadowDistance(), 30.0);
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    ASSERT_EQ(canvas()->selectedObjects().size(), 4);

    QToolButton *alignRight = info->alignPage()->bAlignRight;
    ASSERT_TRUE(alignRight->isEnabled());
    QTest::mouseClick(alignRight, Qt::LeftButton);
    apptest::settle();
    const QString path = save(QStringLiteral("align-right"));
    const QList<QRectF> once = savedBounds(path);
    ASSERT_EQ(once.size(), 4);
    // Every right edge on the line's end at 110, the right of the selection.
    for (const QRectF &frame : once)
        EXPECT_DOUBLE_EQ(frame.right(), 110.0);
    // Again: the design is not even changed, and saved under another name it reads the same.
    auto saveAs = [this](const QString &name) {
        const QString dir = qmtest::freshDir(name);
        f.prompts->queueSaveOfType(dir + QStringLiteral("/Design"), 0);
        trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
        return dir + QStringLiteral("/Design.qkdoc");
    };
    QTest::mouseClick(alignRight, Qt::LeftButton);
    apptest::settle();
    EXPECT_FALSE(canvas()->isChanged());
    EXPECT_EQ(savedBounds(saveAs(QStringLiteral("align-right-twice"))), once);
    trigger(QStringLiteral("Arrange"), QStringLiteral("Align Right Edges"));
    EXPECT_FALSE(canvas()->isChanged());
    EXPECT_EQ(savedBounds(saveAs(QStringLiteral("align-right-menu"))), once);

    // The same with every other command: the second press changes nothing and makes no
    // step, so one Undo takes the pair back.
    auto frames = [this] {
        QList<QRectF> all;
        for (const GraphicPtr &g : canvas()->getRects())
            all.append(g->frameBounds());
        return all;
    };
    for (const char *title : {"Align Left Edges", "Align Horizontal Centers", "Align Top Edges",
                              "Align Vertical Centers", "Align Bottom Edges", "Same Width", "Same Height", "Same Size"}) {
        SCOPED_TRACE(title);
        const QList<QRectF> before = frames();
        trigger(QStringLiteral("Arrange"), QString::fromLatin1(title));
        const QList<QRectF> first = frames();
        trigger(QStringLiteral("Arrange"), QString::fromLatin1(title));
        EXPECT_EQ(frames(), first);
        f.undo();
        EXPECT_EQ(frames(), before);
    }
}

TEST_F(ArrangeAndDrawing, SameSizeTakesTheFirstSelectedObjectsAndUndoesAsOne)
{
    f.drawRect(QRectF(20, 8, 40, 14));
    f.drawRect(QRectF(70, 28, 30, 12));
    f.drawRect(QRectF(40, 50, 60, 12));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(40, 15));
    f.click(QPointF(85, 34), Qt::ShiftModifier);
    f.click(QPointF(70, 56), Qt::ShiftModifier);
    ASSERT_EQ(canvas()->selectedObjects().size(), 3);

    trigger(QStringLiteral("Arrange"), QStringLiteral("Same Width"));
    EXPECT_EQ(canvas()->getRects()[1]->frameBounds(), QRectF(70, 28, 40, 12));
    EXPECT_EQ(canvas()->getRects()[2]->frameBounds(), QRectF(40, 50, 40, 12));
    f.undo();
    trigger(QStringLiteral("Arrange"), QStringLiteral("Same Height"));
    EXPECT_EQ(canvas()->getRects()[1]->frameBounds(), QRectF(70, 28, 30, 14));
    f.undo();
    trigger(QStringLiteral("Arrange"), QStringLiteral("Same Size"));
    const QList<QRectF> saved = savedBounds(save(QStringLiteral("same-size")));
    ASSERT_EQ(saved.size(), 3);
    EXPECT_EQ(saved[1], QRectF(70, 28, 40, 14));
    EXPECT_EQ(saved[2], QRectF(40, 50, 40, 14));
    EXPECT_TRUE(f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->text().contains(QStringLiteral("Size")));
    f.undo();
    EXPECT_EQ(canvas()->getRects()[1]->frameBounds(), QRectF(70, 28, 30, 12));
    EXPECT_EQ(canvas()->getRects()[2]->frameBounds(), QRectF(40, 50, 60, 12));
}

TEST_F(ArrangeAndDrawing, TableIsDrawnTypedThroughWithTabSavedAndReopened)
{
    f.drawRect(QRectF(10, 4, 170, 96));
    const GraphicPtr box = canvas()->getRects().last();
    f.editText(QPointF(95, 30));
    ASSERT_EQ(canvas()->editedObject(), box);
    insertTable(3, 3);
    QTextTable *grid = firstTable(box->textStorage());
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->rows(), 3);
    ASSERT_EQ(grid->columns(), 3);

    // Typed cell by cell, Tab going on to the next; the keyboard stays with the text.
    canvas()->setFocus();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            QTest::keyClicks(canvas(), QStringLiteral("r%1c%2").arg(r).arg(c));
            QTest::keyClick(canvas(), Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), canvas());
            EXPECT_EQ(canvas()->editedObject(), box);
        }
    apptest::settle();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(cellText(grid, r, c), QStringLiteral("r%1c%2").arg(r).arg(c));
    // Shift-Tab goes back a cell and takes its text: typing replaces it.
    QTest::keyClick(canvas(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClicks(canvas(), QStringLiteral("last"));
    EXPECT_EQ(cellText(grid, 2, 1), QStringLiteral("last"));

    // The grid shows: nine cells in three equal columns, each cell's text inside its frame,
    // and the frames drawn on the canvas.
    TextFlow *flow = box->layoutText();
    ASSERT_NE(flow, nullptr);
    ASSERT_EQ(flow->tableCells().size(), 9u);
    const QRectF first = flow->tableCells()[0].rect;
    const QRectF second = flow->tableCells()[1].rect;
    EXPECT_NEAR(first.width(), second.width(), 0.01);
    EXPECT_NEAR(second.left(), first.right(), 0.01);
    EXPECT_GT(first.height(), 5.0);
    for (const TextFlow::Line &line : flow->lines()) {
        const QTextBlock block = box->textStorage()->findBlockByNumber(line.block);
        if (QTextCursor(block).currentTable() != grid)
            continue;
        const QTextTableCell cell = grid->cellAt(block.position());
        EXPECT_TRUE(flow->tableCells()[size_t(cell.row() * 3 + cell.column())].rect.contains(line.fragment.center()));
    }
    canvas()->clearEditable();
    apptest::settle();
    const QImage shot = canvas()->grab().toImage();
    const QPointF origin = box->frameBounds().topLeft();
    // The border between the first and second column, in the middle of the first row.
    EXPECT_LT(darkestNear(shot, origin + QPointF(second.left(), first.center().y())), 160);
    // Between the borders, inside the first cell but off its text, the box is light.
    EXPECT_GT(darkestNear(shot, origin + QPointF(first.right() - 4, first.bottom() - 3)), 160);

    // Saved and opened again, the cells come back with their texts.
    const QString path = save(QStringLiteral("table-save"));
    trigger(QStringLiteral("File"), QStringLiteral("New"));
    ASSERT_TRUE(canvas()->getRects().isEmpty());
    f.prompts->queuePath(path);
    trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    ASSERT_EQ(canvas()->getRects().size(), 1);
    QTextTable *reopened = firstTable(canvas()->getRects().first()->textStorage());
    ASSERT_NE(reopened, nullptr);
    ASSERT_EQ(reopened->rows(), 3);
    ASSERT_EQ(reopened->columns(), 3);
    EXPECT_EQ(reopened->format().border(), 1.0);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(cellText(reopened, r, c), r == 2 && c == 1 ? QStringLiteral("last") : QStringLiteral("r%1c%2").arg(r).arg(c));
    EXPECT_EQ(canvas()->getRects().first()->layoutText()->tableCells().size(), 9u);
}

// An eight-row table put into a box two lines high, typed row by row: the box grows to hold
// the table, so every row typed shows; a cell that then grows past the box shows the overflow
// mark while the typing goes on, the caret staying in the box; one Undo takes the table and
// the growth back.
TEST_F(ArrangeAndDrawing, AnEightRowTableInASmallBoxShowsEveryTypedRowOrItsOverflowMark)
{
    const QRectF frame(20, 10, 110, 36);
    f.drawRect(frame);
    const GraphicPtr box = canvas()->getRects().last();
    f.editText(frame.center());
    ASSERT_EQ(canvas()->editedObject(), box);
    insertTable(8, 2);
    QTextTable *grid = firstTable(box->textStorage());
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->rows(), 8);
    // Grown down, not moved or widened.
    const QRectF grown = box->frameBounds();
    EXPECT_EQ(grown.topLeft(), frame.topLeft());
    EXPECT_EQ(grown.width(), frame.width());
    EXPECT_GT(grown.height(), 8 * 14.0);
    EXPECT_FALSE(box->hasOverflow());

    // Whether the text of a cell is on a line placed inside the box.
    auto shown = [&](int row, int column = 0) {
        TextFlow *flow = box->layoutText();
        const QTextTableCell cell = grid->cellAt(row, column);
        const int last = cell.lastCursorPosition().position();
        for (const TextFlow::Line &line : flow->lines())
            if (line.container == 0 && line.start <= last && last <= line.start + line.length
                && QRectF(QPointF(0, 0), box->frameBounds().size()).contains(line.fragment.center()))
                return true;
        return false;
    };
    // The overflow mark, a red dot in the next-box mark at the box's lower right, on the canvas.
    auto overflowMark = [&] {
        apptest::settle();
        const QImage shot = canvas()->grab().toImage();
        const QRectF f = box->frameBounds();
        const QPointF mark(f.right(), f.bottom() - 5.0 - 0.1 * f.height());
        const QPoint at = canvas()->pageToWidget().map(mark).toPoint() * shot.devicePixelRatio();
        int red = 0;
        for (int dx = -4; dx <= 4; ++dx)
            for (int dy = -4; dy <= 4; ++dy) {
                const QColor c = shot.pixelColor(at + QPoint(dx, dy));
                red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
            }
        return red > 0;
    };
    // The caret is drawn inside the box, where the typing shows or where the text goes on.
    auto caretInBox = [&] { return box->frameBounds().adjusted(-1, -1, 1, 1).contains(canvas()->caretRect().center()); };

    canvas()->setFocus();
    for (int r = 0; r < 8; ++r) {
        SCOPED_TRACE(r);
        QTest::keyClicks(canvas(), QStringLiteral("row%1").arg(r + 1));
        ASSERT_EQ(canvas()->editedObject(), box);
        ASSERT_EQ(cellText(grid, r, 0), QStringLiteral("row%1").arg(r + 1));
        EXPECT_TRUE(shown(r)) << "row " << r + 1 << " typed unseen";
        EXPECT_TRUE(caretInBox());
        if (r < 7) {
            QTest::keyClick(canvas(), Qt::Key_Tab);
            QTest::keyClicks(canvas(), QStringLiteral("x"));
            QTest::keyClick(canvas(), Qt::Key_Tab);
        }
    }
    EXPECT_FALSE(overflowMark());

    // The last row's second cell takes a long text: its lines reach past the box, which says
    // so at once, and the caret stays in the box.
    QTest::keyClick(canvas(), Qt::Key_Tab);
    QTest::keyClicks(canvas(), QStringLiteral("a longer note that wraps in its narrow cell ").repeated(3));
    EXPECT_FALSE(shown(7, 1));
    EXPECT_TRUE(box->hasOverflow());
    EXPECT_TRUE(overflowMark()) << "text typed unseen and unmarked";
    EXPECT_TRUE(caretInBox()) << canvas()->caretRect().center().y();
    EXPECT_EQ(box->frameBounds(), grown);

    // Editing over and the box selected: the mark is still there and every row is kept.
    f.click(QPointF(170, 60));
    ASSERT_FALSE(canvas()->editedObject());
    f.click(grown.center());
    ASSERT_TRUE(canvas()->isSelected(box.get()));
    EXPECT_TRUE(overflowMark());
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(cellText(grid, r, 0), QStringLiteral("row%1").arg(r + 1));

    // Undone step by step back to the table's step: the frame stays grown up to there, and
    // that one step takes the table and the growth back.
    UndoManager *undo = canvas()->undoManager();
    for (int steps = 0; steps < 60 && undo->canUndo() && undo->undoActionName() != QStringLiteral("Change Text"); ++steps) {
        f.undo();
        ASSERT_EQ(box->frameBounds(), grown);
    }
    ASSERT_EQ(undo->undoActionName(), QStringLiteral("Change Text"));
    f.undo();
    EXPECT_EQ(firstTable(box->textStorage()), nullptr);
    EXPECT_EQ(box->frameBounds(), frame);
}

TEST_F(ArrangeAndDrawing, TheRectangleBeingDraggedOutShowsBeforeTheRelease)
{
    const QRectF frame(30, 12, 80, 40);
    const QImage before = canvas()->grab().toImage();
    f.tool(RectsView::RectTool)->trigger();
    f.mouse(QEvent::MouseButtonPress, frame.topLeft());
    f.mouse(QEvent::MouseMove, frame.center());
    f.mouse(QEvent::MouseMove, frame.bottomRight());
    apptest::settle();
    // Nothing has joined the design yet, but the rectangle shows where it will be.
    EXPECT_TRUE(canvas()->getRects().isEmpty());
    const QImage during = canvas()->grab().toImage();
    const QPoint inside = (canvas()->pageToWidget().map(frame.center()) * during.devicePixelRatio()).toPoint();
    const QPoint outside = (canvas()->pageToWidget().map(QPointF(150, 60)) * during.devicePixelRatio()).toPoint();
    EXPECT_NE(during.pixel(inside), before.pixel(inside));
    EXPECT_EQ(during.pixel(outside), before.pixel(outside));
    f.mouse(QEvent::MouseButtonRelease, frame.bottomRight());
    apptest::settle();
    ASSERT_EQ(canvas()->getRects().size(), 1);
    EXPECT_EQ(canvas()->getRects().first()->frameBounds(), frame);

    // The oval and the line too, each as it grows.
    for (int tool : {int(RectsView::OvalTool), int(RectsView::LineTool)}) {
        const QImage still = canvas()->grab().toImage();
        f.tool(tool)->trigger();
        f.mouse(QEvent::MouseButtonPress, QPointF(120, 10));
        f.mouse(QEvent::MouseMove, QPointF(170, 60));
        apptest::settle();
        const QImage growing = canvas()->grab().toImage();
        const QPoint middle = (canvas()->pageToWidget().map(QPointF(145, 35)) * growing.devicePixelRatio()).toPoint();
        int changed = 0;
        for (int dx = -3; dx <= 3; ++dx)
            for (int dy = -3; dy <= 3; ++dy)
                changed += growing.pixel(middle + QPoint(dx, dy)) != still.pixel(middle + QPoint(dx, dy));
        EXPECT_GT(changed, 0) << tool;
        f.mouse(QEvent::MouseButtonRelease, QPointF(170, 60));
        apptest::settle();
    }
    EXPECT_EQ(canvas()->getRects().size(), 3);
}

TEST_F(ArrangeAndDrawing, SnappingSwitchedOffLetsAnObjectLandOnePointFromAnEdge)
{
    f.drawRect(QRectF(20, 10, 40, 20));
    f.drawRect(QRectF(100, 10, 30, 20));
    const GraphicPtr moved = canvas()->getRects().last();
    f.tool(RectsView::SelectTool)->trigger();
    QAction *snap = item(QStringLiteral("View"), QStringLiteral("Snap to Guides"));
    ASSERT_NE(snap, nullptr);
    EXPECT_TRUE(snap->isCheckable());
    EXPECT_TRUE(snap->isChecked());

    // On: dropped 1 point right of the other's right edge, it snaps onto the edge.
    f.dragFromTo(QPointF(115, 20), QPointF(76, 20));
    EXPECT_EQ(moved->frameBounds().topLeft(), QPointF(60, 10));
    f.undo();
    ASSERT_EQ(moved->frameBounds().topLeft(), QPointF(100, 10));

    // Off: it lands where it was dropped, 1 point away.
    trigger(QStringLiteral("View"), QStringLiteral("Snap to Guides"));
    EXPECT_FALSE(canvas()->grid()->isConstraining());
    EXPECT_FALSE(snap->isChecked());
    f.dragFromTo(QPointF(115, 20), QPointF(76, 20));
    EXPECT_EQ(moved->frameBounds().topLeft(), QPointF(61, 10));
    f.undo();
    trigger(QStringLiteral("View"), QStringLiteral("Snap to Guides"));
    EXPECT_TRUE(canvas()->grid()->isConstraining());
    EXPECT_TRUE(snap->isChecked());

    // Shift-Ctrl-S in the middle of a move switches it off for the rest of that move only,
    // and is the move's key, not Save As's.
    const int savePanels = f.prompts->count(qmtest::TestPrompts::SaveFile) + f.prompts->count(qmtest::TestPrompts::SaveFileOfType);
    f.mouse(QEvent::MouseButtonPress, QPointF(115, 20));
    f.mouse(QEvent::MouseMove, QPointF(100, 20));
    QTest::keyClick(canvas(), Qt::Key_S, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_FALSE(canvas()->grid()->isConstraining());
    f.mouse(QEvent::MouseMove, QPointF(76, 20));
    f.mouse(QEvent::MouseButtonRelease, QPointF(76, 20));
    apptest::settle();
    EXPECT_EQ(moved->frameBounds().topLeft(), QPointF(61, 10));
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::SaveFile) + f.prompts->count(qmtest::TestPrompts::SaveFileOfType), savePanels);
    EXPECT_TRUE(canvas()->grid()->isConstraining()) << "the next move snaps again";
    EXPECT_TRUE(snap->isChecked());
    // The next move snaps: 0.5 point further it lands back on the edge.
    f.mouse(QEvent::MouseButtonPress, QPointF(76, 20));
    f.mouse(QEvent::MouseMove, QPointF(76.5, 20));
    f.mouse(QEvent::MouseButtonRelease, QPointF(76.5, 20));
    apptest::settle();
    EXPECT_EQ(moved->frameBounds().topLeft(), QPointF(60, 10));

    // With snapping off from the menu, Shift-Control (Meta) S turns it on for one move; the
    // menu's choice holds again after it. Pressed twice, it is as if never pressed.
    trigger(QStringLiteral("View"), QStringLiteral("Snap to Guides"));
    ASSERT_FALSE(canvas()->grid()->isConstraining());
    f.mouse(QEvent::MouseButtonPress, QPointF(75, 20));
    f.mouse(QEvent::MouseMove, QPointF(80, 20));
    QTest::keyClick(canvas(), Qt::Key_S, Qt::ShiftModifier | Qt::MetaModifier);
    EXPECT_TRUE(canvas()->grid()->isConstraining());
    QTest::keyClick(canvas(), Qt::Key_S, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_FALSE(canvas()->grid()->isConstraining());
    QTest::keyClick(canvas(), Qt::Key_S, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_TRUE(canvas()->grid()->isConstraining());
    f.mouse(QEvent::MouseButtonRelease, QPointF(80, 20));
    apptest::settle();
    EXPECT_FALSE(canvas()->grid()->isConstraining());
    EXPECT_FALSE(snap->isChecked());
}

TEST_F(ArrangeAndDrawing, TabKeepsTheKeyboardOnTheCanvasSoArrowsStillNudge)
{
    f.drawRect(QRectF(40, 20, 30, 20));
    const GraphicPtr box = canvas()->getRects().last();
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(55, 30));
    canvas()->setFocus();
    apptest::settle();
    ASSERT_EQ(QApplication::focusWidget(), canvas());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    apptest::settle();
    EXPECT_EQ(QApplication::focusWidget(), canvas());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ShiftModifier);
    apptest::settle();
    EXPECT_EQ(box->frameBounds().topLeft(), QPointF(41, 30));
    EXPECT_EQ(canvas()->getRects().size(), 1);
}

} // namespace
