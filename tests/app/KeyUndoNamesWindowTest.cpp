// Every key the user can press (each key of the keyboard, alone and with Shift or Command; the
// keys the menus take are theirs) names its undo step after what it did: in edited
// text, keys that take text away make a "Delete" step and keys that put text in a "Typing"
// step; on the canvas, keys that remove the selection make "Remove Object" and keys that move
// it "Move Object". Deleting while typing a word corrects the typing and stays in its step.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QKeySequence>
#include <QMetaEnum>
#include <QShortcut>
#include <QTextDocument>

#include <set>

#include "app/AppTestSupport.h"
#include "objects/ObjectTextEditor.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace keyundonames {

// The selection and the caret stand by letters no key of the walk types, so that what a key
// put in is told apart from what it took away.
const QString Start = QStringLiteral("Hello \u00C6\u00D8\u00C5 world");

class KeyUndoNames : public ::testing::Test
{
protected:
    KeyUndoNames() : f(QStringLiteral("key-undo-names")) {}

    RectsView *canvas() const { return f.canvas(); }
    UndoManager *undo() const { return canvas()->undoManager(); }
    static QString textOf(const GraphicPtr &box)
    {
        return box->textStorage()->toPlainText();
    }

    // Every key with each of the modifiers, less the combinations the window's menus and
    // shortcuts take for their commands.
    QList<QKeyCombination> keys() const
    {
        std::set<int> taken;
        for (QAction *action : f.window->findChildren<QAction *>())
            for (const QKeySequence &sequence : action->shortcuts())
                if (sequence.count() == 1)
                    taken.insert(sequence[0].toCombined());
        for (QShortcut *shortcut : f.window->findChildren<QShortcut *>())
            for (const QKeySequence &sequence : shortcut->keys())
                if (sequence.count() == 1)
                    taken.insert(sequence[0].toCombined());
        QList<QKeyCombination> combinations;
        const QMetaEnum all = QMetaEnum::fromType<Qt::Key>();
        for (int i = 0; i < all.keyCount(); ++i) {
            const int key = all.value(i);
            // The keys of a keyboard: the printable ones and the function and editing keys
            // (not the media, launcher and input-method keys).
            if (!((key >= 0x20 && key <= 0x7e) || (key >= Qt::Key_Escape && key <= Qt::Key_F12)))
                continue;
            for (const Qt::KeyboardModifiers modifiers :
                 {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
                  Qt::KeyboardModifiers(Qt::ControlModifier)}) {
                const QKeyCombination combination(modifiers, Qt::Key(key));
                if (!taken.count(combination.toCombined()))
                    combinations.append(combination);
            }
        }
        return combinations;
    }

    // What the text lost and what it gained against the starting text, in one place.
    static std::pair<QString, QString> change(const QString &text)
    {
        qsizetype prefix = 0;
        while (prefix < text.size() && prefix < Start.size() && text[prefix] == Start[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < std::min(text.size(), Start.size()) - prefix
               && text[text.size() - 1 - suffix] == Start[Start.size() - 1 - suffix])
            ++suffix;
        return {Start.mid(prefix, Start.size() - prefix - suffix), text.mid(prefix, text.size() - prefix - suffix)};
    }
    static void press(QWidget *target, QKeyCombination combination)
    {
        QTest::keyClick(target, combination.key(), combination.keyboardModifiers());
    }

    apptest::WindowFixture f;
};

TEST_F(KeyUndoNames, EveryKeyNamesItsUndoStepAfterWhatItDid)
{
    f.drawRect(QRectF(20, 20, 260, 60));
    const GraphicPtr box = canvas()->getRects().last();
    const QList<QKeyCombination> combinations = keys();
    ASSERT_GE(combinations.size(), 200);
    QGuiApplication::clipboard()->setText(QStringLiteral("clip"));

    // In edited text, the middle word selected; then, for the keys that changed it, the caret
    // before it.
    int named = 0;
    QList<QKeyCombination> editing;
    for (const bool selection : {true, false}) {
        for (const QKeyCombination combination : selection ? combinations : editing) {
            if (canvas()->editedObject() != box) {
                canvas()->clearEditable();
                box->setContents(Start);
                f.editText(QPointF(60, 40));
                ASSERT_EQ(canvas()->editedObject(), box) << "the text could not be edited";
            }
            ObjectTextEditor::current()->setSelection(6, selection ? 9 : 6);
            undo()->removeAllActions();
            SCOPED_TRACE(QKeySequence(combination).toString().toStdString());
            press(canvas(), combination);
            QCoreApplication::processEvents();
            const QString now = textOf(box);
            if (!undo()->canUndo()) {
                EXPECT_EQ(now, Start) << "the text changed without an undo step";
                continue;
            }
            ++named;
            if (selection)
                editing.append(combination);
            const QString name = undo()->undoActionName();
            const auto [removed, inserted] = change(now);
            if (!inserted.isEmpty())
                EXPECT_EQ(name, QStringLiteral("Typing")) << now.toStdString();
            else if (!removed.isEmpty())
                EXPECT_EQ(name, QStringLiteral("Delete")) << now.toStdString();
            else
                ADD_FAILURE() << "an undo step \"" << name.toStdString() << "\" that changed no text";
            // One undo step takes the key back.
            canvas()->undo();
            ASSERT_EQ(textOf(box), Start);
        }
    }
    EXPECT_GE(named, 100) << "the keys reached no text";

    // Deleting while typing a word corrects it: one "Typing" step for both.
    canvas()->clearEditable();
    box->setContents(Start);
    f.editText(QPointF(60, 40));
    ObjectTextEditor::current()->setSelection(5, 5);
    undo()->removeAllActions();
    for (const QKeyCombination combination :
         {QKeyCombination(Qt::Key_Space), QKeyCombination(Qt::Key_T), QKeyCombination(Qt::Key_O),
          QKeyCombination(Qt::Key_Backspace)}) {
        press(canvas(), combination);
        apptest::settle();
    }
    EXPECT_EQ(textOf(box), QStringLiteral("Hello t \u00C6\u00D8\u00C5 world"));
    EXPECT_EQ(undo()->undoActionName(), QStringLiteral("Typing"));
    canvas()->undo();
    EXPECT_EQ(textOf(box), Start);
    EXPECT_FALSE(undo()->canUndo());
    // Deleting on its own, then typing: two steps, named so.
    ObjectTextEditor::current()->setSelection(6, 6);
    for (const QKeyCombination combination :
         {QKeyCombination(Qt::Key_Delete), QKeyCombination(Qt::Key_Delete), QKeyCombination(Qt::Key_X)}) {
        press(canvas(), combination);
        apptest::settle();
    }
    EXPECT_EQ(textOf(box), QStringLiteral("Hello x\u00C5 world"));
    EXPECT_EQ(undo()->undoActionName(), QStringLiteral("Typing"));
    canvas()->undo();
    EXPECT_EQ(textOf(box), QStringLiteral("Hello \u00C5 world"));
    EXPECT_EQ(undo()->undoActionName(), QStringLiteral("Delete"));
    canvas()->undo();
    EXPECT_EQ(textOf(box), Start);
    canvas()->clearEditable();

    // On the canvas, the box selected and not edited.
    f.tool(RectsView::SelectTool)->trigger();
    int removed = 0;
    int moved = 0;
    for (const QKeyCombination combination : combinations) {
        if (canvas()->selectedObjects() != GraphicList{box}) {
            canvas()->clearSelection();
            canvas()->selectRect(box);
        }
        const QRectF frame = box->frameBounds();
        undo()->removeAllActions();
        SCOPED_TRACE(QKeySequence(combination).toString().toStdString());
        press(canvas(), combination);
        QCoreApplication::processEvents();
        if (!undo()->canUndo())
            continue;
        const QString name = undo()->undoActionName();
        if (!canvas()->getRects().contains(box)) {
            ++removed;
            EXPECT_EQ(name, QStringLiteral("Remove Object"));
        } else if (box->frameBounds() != frame) {
            ++moved;
            EXPECT_EQ(name, QStringLiteral("Move Object"));
        } else {
            ADD_FAILURE() << "an undo step \"" << name.toStdString() << "\" that changed nothing";
        }
        canvas()->undo();
        ASSERT_TRUE(canvas()->getRects().contains(box));
        EXPECT_EQ(box->frameBounds(), frame);
        if (canvas()->editedObject())
            canvas()->clearEditable();
    }
    EXPECT_GE(removed, 2) << "Backspace and Delete";
    EXPECT_GE(moved, 8) << "the arrow keys, with and without Shift";
}

} // namespace keyundonames
