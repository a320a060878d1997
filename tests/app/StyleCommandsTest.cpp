// The style and text commands on the selection as the window gives them: the colour panel
// with the modifier keys, the font panel and the Font menu changing only what changed, the
// copied image style, the oval's text angle and flip, and tables in edited text.
#include <gtest/gtest.h>

#include <QColorDialog>
#include <QFontDialog>
#include <QSpinBox>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include "app/AppTestSupport.h"
#include "objects/ColorOval.h"
#include "objects/ObjectTextEditor.h"
#include "objects/specImage.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

class StyleCommands : public ::testing::Test
{
protected:
    StyleCommands() : f(QStringLiteral("style-commands")) {}
    ~StyleCommands() override
    {
        RectsView::setFillColorFlag(false);
        RectsView::setImageColorFlag(false);
    }

    RectsView *canvas() const { return f.canvas(); }
    // A text box holding `text` in a font, drawn and typed as a user does.
    GraphicPtr textBox(const QRectF &frame, const QString &text, const QFont &font)
    {
        f.drawRect(frame);
        const GraphicPtr box = canvas()->getRects().last();
        QTextDocument contents;
        contents.setPlainText(text);
        QTextCursor all(&contents);
        all.select(QTextCursor::Document);
        QTextCharFormat format;
        format.setFont(font);
        all.mergeCharFormat(format);
        box->setContents(contents);
        return box;
    }

    apptest::WindowFixture f;
};

// A swatch of the colour panel's basic colours clicked as a user clicks it, with the modifiers
// held over the panel.
static void clickSwatch(QColorDialog *panel, int row, int column, Qt::KeyboardModifiers held = Qt::NoModifier)
{
    QWidget *swatches = nullptr;
    for (QWidget *child : panel->findChildren<QWidget *>())
        if (QByteArray(child->metaObject()->className()) == "QWellArray" && !swatches)
            swatches = child;
    ASSERT_NE(swatches, nullptr) << "the panel shows no basic colours";
    // The basic colours stand in 8 columns of 6 rows.
    const QPoint at(swatches->width() * (2 * column + 1) / 16, swatches->height() * (2 * row + 1) / 12);
    QTest::mouseClick(swatches, Qt::LeftButton, held, at);
    apptest::settle();
}

TEST_F(StyleCommands, ColourPanelGoesToStrokeOrWithControlHeldOverItToFill)
{
    f.drawRect(QRectF(20, 20, 40, 40));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(40, 40));
    const GraphicPtr box = canvas()->selectedObjects().first();
    const QColor fill = box->fillColor();
    const QColor stroke = box->strokeColor();

    // Control held over the canvas (Meta here) steers the colour commands as well.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Meta, Qt::NoModifier);
    QApplication::sendEvent(canvas(), &press);
    EXPECT_TRUE(RectsView::fillColorFlag());
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Meta, Qt::MetaModifier);
    QApplication::sendEvent(canvas(), &release);
    EXPECT_FALSE(RectsView::fillColorFlag());

    f.trigger(QStringLiteral("Format"), QStringLiteral("Show Colors"));
    auto *panel = f.window->findChild<QColorDialog *>(QStringLiteral("ColorPanel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->isModal());
    canvas()->wasChanged(false);
    UndoManager *undo = canvas()->undoManager();
    undo->removeAllActions();

    // A swatch: the stroke.
    clickSwatch(panel, 1, 0);
    const QColor first = panel->currentColor();
    ASSERT_NE(first, stroke);
    EXPECT_EQ(box->strokeColor(), first);
    EXPECT_EQ(box->fillColor(), fill);
    EXPECT_TRUE(canvas()->isChanged());
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Change Stroke Color"));

    // Control held while the pointer is over the panel, where the keys go: the fill.
    QTest::keyPress(panel, Qt::Key_Meta, Qt::MetaModifier);
    clickSwatch(panel, 2, 3, Qt::MetaModifier);
    QTest::keyRelease(panel, Qt::Key_Meta, Qt::NoModifier);
    const QColor second = panel->currentColor();
    ASSERT_NE(second, first);
    EXPECT_EQ(box->fillColor(), second);
    EXPECT_EQ(box->strokeColor(), first);
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Change Fill Color"));

    // Released again: the stroke.
    clickSwatch(panel, 4, 5);
    const QColor third = panel->currentColor();
    ASSERT_NE(third, second);
    EXPECT_EQ(box->strokeColor(), third);
    EXPECT_EQ(box->fillColor(), second);
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Change Stroke Color"));

    // One undo step each, named after what it changed.
    EXPECT_EQ(f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->text(),
              QStringLiteral("Undo Change Stroke Color"));
    f.undo();
    EXPECT_EQ(box->strokeColor(), first);
    EXPECT_EQ(box->fillColor(), second);
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Change Fill Color"));
    f.undo();
    EXPECT_EQ(box->fillColor(), fill);
    EXPECT_EQ(box->strokeColor(), first);
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Change Stroke Color"));
    f.undo();
    EXPECT_EQ(box->strokeColor(), stroke);
    EXPECT_FALSE(undo->canUndo());
    panel->close();
}

TEST_F(StyleCommands, AColourSkipsTheObjectWhoseTextIsEditedAndColoursTheOthers)
{
    const GraphicPtr edited = textBox(QRectF(20, 20, 120, 40), QStringLiteral("hello"), QFont(QStringLiteral("DejaVu Sans"), 12));
    f.drawRect(QRectF(20, 100, 40, 40));
    const GraphicPtr other = canvas()->getRects().last();
    const QColor stroke = edited->strokeColor();
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(80, 40));
    f.click(QPointF(40, 120), Qt::ShiftModifier);
    ASSERT_EQ(canvas()->selectedObjects(), (GraphicList{edited, other}));
    ASSERT_TRUE(canvas()->setEditableObject(edited));
    canvas()->setObjectColor(QColor(0, 0, 255));
    EXPECT_EQ(edited->strokeColor(), stroke);
    EXPECT_EQ(other->strokeColor(), QColor(0, 0, 255));
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Change Stroke Color"));
}

TEST_F(StyleCommands, FontPanelChangesOnlyWhatChangedInEachText)
{
    const GraphicPtr small = textBox(QRectF(20, 20, 150, 40), QStringLiteral("small"), QFont(QStringLiteral("DejaVu Sans"), 12));
    const GraphicPtr big = textBox(QRectF(20, 80, 150, 60), QStringLiteral("big"), QFont(QStringLiteral("DejaVu Serif"), 20));
    f.tool(RectsView::SelectTool)->trigger();
    // The panel is opened for one object and stays open while the selection grows.
    f.click(QPointF(60, 40));
    f.triggerIn(QStringLiteral("Format"), QStringLiteral("Font"), QStringLiteral("Show Fonts"));
    f.click(QPointF(60, 110), Qt::ShiftModifier);
    ASSERT_EQ(canvas()->selectedObjects(), (GraphicList{small, big}));
    auto *panel = f.window->findChild<QFontDialog *>(QStringLiteral("FontPanel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->isModal());
    EXPECT_EQ(panel->currentFont().family(), QStringLiteral("DejaVu Sans"));

    // A new size keeps each text's family.
    QFont sized = panel->currentFont();
    sized.setPointSizeF(30);
    panel->setCurrentFont(sized);
    EXPECT_EQ(apptest::fontAt(small, 0).pointSizeF(), 30.0);
    EXPECT_EQ(apptest::fontAt(big, 0).pointSizeF(), 30.0);
    EXPECT_EQ(apptest::fontAt(small, 0).family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(apptest::fontAt(big, 0).family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Change Text Size"));
    f.undo();
    EXPECT_EQ(apptest::fontAt(small, 0).pointSizeF(), 12.0);
    EXPECT_EQ(apptest::fontAt(big, 0).pointSizeF(), 20.0);

    // The Font menu's Bold is for text being edited.
    emit f.menuItem(QStringLiteral("Format"), QStringLiteral("Font"))->menu()->aboutToShow();
    for (QAction *action : f.menuItem(QStringLiteral("Format"), QStringLiteral("Font"))->menu()->actions()) {
        if (action->text() == QLatin1String("Bold")) {
            EXPECT_FALSE(action->isEnabled());
        }
    }
    panel->close();
}

TEST_F(StyleCommands, FontChangeWhileTypingGoesToTheSelectedWordOnly)
{
    const GraphicPtr box = textBox(QRectF(20, 20, 200, 40), QStringLiteral("one two"), QFont(QStringLiteral("DejaVu Sans"), 12));
    f.editText(QPointF(100, 40));
    ASSERT_EQ(canvas()->editedObject(), box);
    ObjectTextEditor::current()->setSelection(4, 7);
    f.triggerIn(QStringLiteral("Format"), QStringLiteral("Font"), QStringLiteral("Bigger"));
    EXPECT_EQ(apptest::fontAt(box, 0).pointSizeF(), 12.0);
    EXPECT_EQ(apptest::fontAt(box, 4).pointSizeF(), 13.0);
}

TEST_F(StyleCommands, WithNothingSelectedInTheTextTheNextTypedTextTakesTheFontAndColour)
{
    const GraphicPtr box = textBox(QRectF(20, 20, 240, 40), QStringLiteral("one two"), QFont(QStringLiteral("DejaVu Sans"), 12));
    f.editText(QPointF(100, 40));
    ASSERT_EQ(canvas()->editedObject(), box);
    ObjectTextEditor::current()->setSelection(7, 7);
    canvas()->undoManager()->removeAllActions();

    // Bigger and Bold with only the insertion point: the text there stays as it is ...
    f.triggerIn(QStringLiteral("Format"), QStringLiteral("Font"), QStringLiteral("Bigger"));
    f.triggerIn(QStringLiteral("Format"), QStringLiteral("Font"), QStringLiteral("Bold"));
    // ... and a colour from the panel joins them.
    canvas()->setObjectColor(QColor(200, 0, 0));
    EXPECT_EQ(box->textStorage()->toPlainText(), QStringLiteral("one two"));
    EXPECT_EQ(apptest::fontAt(box, 6).pointSizeF(), 12.0);
    EXPECT_FALSE(apptest::fontAt(box, 6).bold());
    EXPECT_FALSE(canvas()->undoManager()->canUndo());

    // What is typed next takes them.
    QTest::keyClicks(canvas(), QStringLiteral("XY"));
    apptest::settle();
    ASSERT_EQ(box->textStorage()->toPlainText(), QStringLiteral("one twoXY"));
    for (int at : {7, 8}) {
        EXPECT_EQ(apptest::fontAt(box, at).pointSizeF(), 13.0) << at;
        EXPECT_TRUE(apptest::fontAt(box, at).bold()) << at;
        EXPECT_EQ(apptest::fontAt(box, at).family(), QStringLiteral("DejaVu Sans")) << at;
        QTextCursor cursor(box->textStorage());
        cursor.setPosition(at + 1);
        EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(200, 0, 0)) << at;
    }
    EXPECT_EQ(apptest::fontAt(box, 6).pointSizeF(), 12.0);
    // Typing undoes as typing; the attributes were no step of their own.
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Typing"));

    // Moving the insertion point forgets attributes given there and not yet typed.
    f.triggerIn(QStringLiteral("Format"), QStringLiteral("Font"), QStringLiteral("Bigger"));
    ObjectTextEditor::current()->setSelection(3, 3);
    QTest::keyClicks(canvas(), QStringLiteral("Z"));
    apptest::settle();
    ASSERT_EQ(box->textStorage()->toPlainText(), QStringLiteral("oneZ twoXY"));
    EXPECT_EQ(apptest::fontAt(box, 3).pointSizeF(), 12.0);
    EXPECT_FALSE(apptest::fontAt(box, 3).bold());
}

TEST_F(StyleCommands, PastedImageStyleIsOneUndoableChangeWithAFractionalTile)
{
    f.drawRect(QRectF(20, 20, 40, 40));
    f.drawRect(QRectF(100, 20, 40, 40));
    const GraphicPtr source = canvas()->getRects()[0];
    const GraphicPtr target = canvas()->getRects()[1];
    QImage picture(16, 16, QImage::Format_ARGB32);
    picture.fill(Qt::darkGreen);
    source->setImage(picture);
    target->setImage(picture);
    source->image()->setMono(true);
    source->image()->setTint(true);
    source->image()->setColor(QColor(255, 0, 0));
    source->image()->setTile(2.5f);

    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(40, 40));
    canvas()->copyImageStyle();
    f.click(QPointF(120, 40));
    canvas()->wasChanged(false);
    canvas()->pasteImageStyle();
    EXPECT_TRUE(target->image()->isMono());
    EXPECT_TRUE(target->image()->isTint());
    EXPECT_EQ(target->image()->getColor(), QColor(255, 0, 0));
    EXPECT_EQ(target->image()->tile(), 2.5f);
    EXPECT_TRUE(canvas()->isChanged());
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Paste Image Style"));
    f.undo();
    EXPECT_FALSE(target->image()->isMono());
    EXPECT_FALSE(target->image()->isTint());
    EXPECT_EQ(target->image()->tile(), 1.0f);
}

TEST_F(StyleCommands, OvalTextAngleAndFlipAreUndoable)
{
    f.tool(RectsView::OvalTool)->trigger();
    f.dragFromTo(QPointF(20, 20), QPointF(120, 100));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(70, 60));
    ASSERT_EQ(canvas()->selectedObjects().size(), 1);
    auto *oval = dynamic_cast<ColorOval *>(canvas()->selectedObjects().first().get());
    ASSERT_NE(oval, nullptr);
    canvas()->wasChanged(false);
    canvas()->rotateText(45.0f);
    EXPECT_EQ(oval->textAngle(), 45.0f);
    EXPECT_TRUE(canvas()->isChanged());
    canvas()->undoManager()->closeEventGroup();
    canvas()->flipText(1);
    EXPECT_EQ(oval->textFlip(), 1);
    f.undo();
    EXPECT_EQ(oval->textFlip(), 0);
    EXPECT_EQ(oval->textAngle(), 45.0f);
    f.undo();
    EXPECT_EQ(oval->textAngle(), 0.0f);

    // The text alignment commands are a plain text box's only.
    canvas()->alignCenter();
    EXPECT_NE(oval->textAlign(), 2);
}

TEST_F(StyleCommands, TableTakesThePlaceOfTheSelectedWordAsOneStep)
{
    const GraphicPtr box = textBox(QRectF(20, 20, 220, 80), QStringLiteral("one two"), QFont(QStringLiteral("DejaVu Sans"), 12));

    // Without text being edited the command says what to do and changes nothing.
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(100, 50));
    f.triggerIn(QStringLiteral("Format"), QStringLiteral("Text"), QStringLiteral("Align Left"));
    EXPECT_FALSE(canvas()->setTextTable());
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(box->textStorage()->toPlainText(), QStringLiteral("one two"));

    f.editText(QPointF(100, 50));
    ASSERT_EQ(canvas()->editedObject(), box);
    ObjectTextEditor::current()->setSelection(4, 7);
    f.prompts->queuePanel([](QDialog *panel) {
        panel->findChild<QSpinBox *>(QStringLiteral("rows"))->setValue(3);
        panel->findChild<QSpinBox *>(QStringLiteral("columns"))->setValue(2);
        return 1;
    });
    f.triggerIn(QStringLiteral("Format"), QStringLiteral("Text"), QStringLiteral("Table..."));
    QTextTable *table = nullptr;
    for (QTextFrame *frame : box->textStorage()->rootFrame()->childFrames())
        if ((table = qobject_cast<QTextTable *>(frame)))
            break;
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows(), 3);
    EXPECT_EQ(table->columns(), 2);
    EXPECT_FALSE(box->textStorage()->toPlainText().contains(QStringLiteral("two")));
    EXPECT_TRUE(box->textStorage()->toPlainText().startsWith(QStringLiteral("one ")));
    f.undo();
    EXPECT_EQ(box->textStorage()->toPlainText(), QStringLiteral("one two"));
}

TEST_F(StyleCommands, TableCellHasItsBorderColourAndNoPadding)
{
    const QTextDocumentFragment cell =
        RectsView::tableCellAttributedStringWithString(QStringLiteral("x"), Qt::yellow, Qt::red, 2, 1);
    QTextDocument document;
    QTextCursor(&document).insertFragment(cell);
    QTextTable *table = nullptr;
    for (QTextFrame *frame : document.rootFrame()->childFrames())
        if ((table = qobject_cast<QTextTable *>(frame)))
            break;
    ASSERT_NE(table, nullptr);
    const QTextTableFormat format = table->format();
    EXPECT_EQ(format.border(), 1.0);
    EXPECT_EQ(format.borderBrush().color(), QColor(Qt::red));
    EXPECT_EQ(format.cellPadding(), 0.0);
    const QTextTableCell at = table->cellAt(2, 1);
    ASSERT_TRUE(at.isValid());
    EXPECT_EQ(at.format().background().color(), QColor(Qt::yellow));
    QTextCursor inCell = at.firstCursorPosition();
    inCell.setPosition(at.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    EXPECT_EQ(inCell.selectedText(), QStringLiteral("x"));
}

} // namespace
