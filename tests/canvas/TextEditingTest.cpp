// In-place text editing on the canvas, driven by synthetic mouse and key events, and the
// start-up registration of every object kind.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPicture>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include "app/AllKinds.h"
#include "canvas/CanvasTestSupport.h"
#include "objects/ColorOval.h"
#include "objects/Group.h"
#include "objects/ObjectFactory.h"
#include "objects/ObjectTextEditor.h"

using namespace quillmark;

namespace {

class TextEditingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("textedit"));
        registerAllKinds();
        fixture = std::make_unique<canvastest::CanvasFixture>();
        view()->resize(800, 600);
    }

    RectsView *view() { return fixture->view.get(); }
    UndoManager *undo() { return view()->undoManager(); }

    std::shared_ptr<ColorRect> textBox(const QRectF &frame, const QString &text)
    {
        auto box = fixture->add(frame);
        box->setDrawsFill(false);
        QTextCursor cursor(box->textStorage());
        QTextCharFormat format;
        format.setFont(qmtest::testFont());
        cursor.insertText(text, format);
        undo()->removeAllActions();
        return box;
    }

    void mouse(QEvent::Type type, const QPointF &page, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPointF local = view()->pageToWidget().map(page);
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, view()->mapToGlobal(local), Qt::LeftButton, buttons, modifiers);
        QApplication::sendEvent(view(), &event);
    }
    void click(const QPointF &p, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, p, m);
        mouse(QEvent::MouseButtonRelease, p, m);
        undo()->closeEventGroup();
    }
    void doubleClick(const QPointF &p)
    {
        mouse(QEvent::MouseButtonPress, p);
        mouse(QEvent::MouseButtonRelease, p);
        mouse(QEvent::MouseButtonDblClick, p);
        mouse(QEvent::MouseButtonRelease, p);
        undo()->closeEventGroup();
    }
    // One key as the window delivers it: the shortcut check first, then the press. Each key
    // is its own event, so the undo manager's event group closes after it.
    void key(int code, const QString &text = QString(), Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent override(QEvent::ShortcutOverride, code, modifiers, text);
        QApplication::sendEvent(view(), &override);
        QKeyEvent press(QEvent::KeyPress, code, modifiers, text);
        QApplication::sendEvent(view(), &press);
        undo()->closeEventGroup();
    }
    void type(const QString &text)
    {
        for (const QChar c : text)
            key(c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : Qt::Key_Space, QString(c));
    }
    static QString textOf(const std::shared_ptr<ColorRect> &graphic)
    {
        return graphic->textStorage()->toPlainText();
    }

    std::unique_ptr<canvastest::CanvasFixture> fixture;
};

TEST_F(TextEditingTest, DoubleClickBeginsEditingAndKeysChangeTheText)
{
    auto box = textBox(QRectF(20, 20, 200, 100), QStringLiteral("Hello"));
    doubleClick(QPointF(60, 60));
    ASSERT_EQ(view()->editedObject(), box);
    EXPECT_TRUE(box->isEditingText());
    EXPECT_EQ(view()->getCurrToolClass(), RectsView::TextTool);
    EXPECT_TRUE(view()->isChanged());

    type(QStringLiteral(" you"));
    EXPECT_EQ(textOf(box), QStringLiteral("Hello you"));
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace);
    EXPECT_EQ(textOf(box), QStringLiteral("Hello y"));
    key(Qt::Key_Return, QStringLiteral("\r"));
    type(QStringLiteral("x"));
    EXPECT_EQ(box->textStorage()->blockCount(), 2);
    EXPECT_EQ(textOf(box), QStringLiteral("Hello y\nx"));

    key(Qt::Key_Escape);
    EXPECT_EQ(view()->editedObject(), nullptr);
    EXPECT_FALSE(box->isEditable1());
    EXPECT_EQ(view()->getCurrToolClass(), RectsView::SelectTool);
    // Keys no longer reach the text.
    type(QStringLiteral("z"));
    EXPECT_EQ(textOf(box), QStringLiteral("Hello y\nx"));
}

TEST_F(TextEditingTest, OneUndoStepPerTypingBurst)
{
    auto box = textBox(QRectF(20, 20, 200, 100), QStringLiteral("ab"));
    doubleClick(QPointF(60, 60));
    undo()->removeAllActions();
    type(QStringLiteral("cde"));
    key(Qt::Key_Backspace);
    EXPECT_EQ(textOf(box), QStringLiteral("abcd"));
    EXPECT_EQ(undo()->undoActionName(), QStringLiteral("Typing"));
    // Moving the caret ends the burst: what follows is a step of its own.
    key(Qt::Key_Home);
    type(QStringLiteral("X"));
    EXPECT_EQ(textOf(box), QStringLiteral("Xabcd"));

    view()->undo();
    EXPECT_EQ(textOf(box), QStringLiteral("abcd"));
    view()->undo();
    EXPECT_EQ(textOf(box), QStringLiteral("ab"));
    EXPECT_FALSE(undo()->canUndo());
    view()->redo();
    EXPECT_EQ(textOf(box), QStringLiteral("abcd"));
    view()->redo();
    EXPECT_EQ(textOf(box), QStringLiteral("Xabcd"));
}

namespace {

// The text as it shows: each stretch of one look (text, font, colour), adjacent stretches of
// the same look taken together, and each paragraph's alignment.
QString runsOf(const QTextDocument &text)
{
    QStringList runs;
    QString look;
    QString stretch;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            const QString now = format.font().toString() + QLatin1Char('|') + format.foreground().color().name();
            if (now != look && !stretch.isEmpty()) {
                runs << look + QLatin1Char(':') + stretch;
                stretch.clear();
            }
            look = now;
            stretch += it.fragment().text();
        }
        stretch += QStringLiteral("{%1}").arg(int(block.blockFormat().alignment()));
    }
    runs << look + QLatin1Char(':') + stretch;
    return runs.join(QLatin1Char('\n'));
}

} // namespace

// Every kind of key that joins a burst of typing or deleting, pressed in a text of runs of
// several looks, across the runs' edges and over a selection: one Undo gives back the text
// exactly as it was, every run's look included, and Redo the text as the keys left it.
TEST_F(TextEditingTest, EveryBurstOfKeysUndoesAndRedoesTheTextExactly)
{
    auto box = textBox(QRectF(20, 20, 300, 200), QString());
    {
        QTextCursor cursor(box->textStorage());
        const QColor colours[] = {Qt::red, Qt::blue, Qt::darkGreen};
        for (int i = 0; i < 12; ++i) {
            QTextCharFormat format;
            QFont font = qmtest::testFont();
            font.setBold(i % 2 == 0);
            font.setPointSizeF(10.0 + i % 3);
            format.setFont(font);
            format.setForeground(colours[i % 3]);
            cursor.insertText(QStringLiteral("run%1 word ").arg(i), format);
            if (i == 5)
                cursor.insertBlock();
        }
    }
    undo()->removeAllActions();
    view()->selectRect(box);
    ASSERT_TRUE(view()->setEditableObject(box));
    ObjectTextEditor *editor = ObjectTextEditor::current();
    struct Burst
    {
        const char *name;
        int anchor;
        int position;
        std::function<void()> keys;
    };
    const QList<Burst> bursts = {
        {"letters", 14, 14, [this] { type(QStringLiteral("abc def")); }},
        {"letters over a selection across runs", 8, 30, [this] { type(QStringLiteral("xy")); }},
        {"return and tab", 20, 20, [this] { key(Qt::Key_Return, QStringLiteral("\r")); key(Qt::Key_Tab, QStringLiteral("\t")); type(QStringLiteral("q")); }},
        {"backspace across runs and a paragraph", 62, 62, [this] { for (int i = 0; i < 12; ++i) key(Qt::Key_Backspace); }},
        {"delete forward across runs", 3, 3, [this] { for (int i = 0; i < 12; ++i) key(Qt::Key_Delete); }},
        {"typing over a selection, then a slip corrected", 40, 50, [this] { type(QStringLiteral("zz")); key(Qt::Key_Backspace); }},
        {"a word deleted each way", 30, 30, [this] { key(Qt::Key_Backspace, QString(), Qt::ControlModifier); key(Qt::Key_Delete, QString(), Qt::ControlModifier); }},
    };
    for (const Burst &burst : bursts) {
        SCOPED_TRACE(burst.name);
        const QString before = runsOf(*box->textStorage());
        // A caret moved by its key ends the burst before.
        key(Qt::Key_Left);
        undo()->removeAllActions();
        editor->setSelection(burst.anchor, burst.position);
        burst.keys();
        const QString after = runsOf(*box->textStorage());
        ASSERT_NE(after, before);
        view()->undo();
        EXPECT_EQ(runsOf(*box->textStorage()), before);
        EXPECT_FALSE(undo()->canUndo()) << "more than one step";
        ASSERT_EQ(ObjectTextEditor::current(), editor);
        view()->redo();
        EXPECT_EQ(runsOf(*box->textStorage()), after);
        view()->undo();
        EXPECT_EQ(runsOf(*box->textStorage()), before);
    }
}

TEST_F(TextEditingTest, UndoOfTypingBringsTheSelectionBack)
{
    auto box = textBox(QRectF(20, 20, 200, 100), QStringLiteral("hello world"));
    view()->selectRect(box);
    ASSERT_TRUE(view()->setEditableObject(box));
    ObjectTextEditor *editor = ObjectTextEditor::current();
    editor->setSelection(6, 9);
    type(QStringLiteral("XY"));
    EXPECT_EQ(textOf(box), QStringLiteral("hello XYld"));
    view()->undo();
    EXPECT_EQ(textOf(box), QStringLiteral("hello world"));
    ASSERT_EQ(ObjectTextEditor::current(), editor);
    EXPECT_EQ(editor->selectionStart(), 6);
    EXPECT_EQ(editor->selectionEnd(), 9);
}

TEST_F(TextEditingTest, TheCaretInTextThatDoesNotFitWaitsBehindTheLastTextShown)
{
    auto box = textBox(QRectF(20, 20, 120, 20), QStringLiteral("one two three four five six seven eight"));
    ASSERT_TRUE(view()->setEditableObject(box));
    ASSERT_TRUE(box->hasOverflow());
    const int shown = box->textCharacterRange().second;
    ObjectTextEditor *editor = ObjectTextEditor::current();
    editor->setSelection(shown, shown);
    const QRectF behindLast = view()->caretRect();
    // Deep in the text that does not fit, the caret stands where the shown text ends,
    // not at the box's start.
    editor->setSelection(shown + 8, shown + 8);
    const QRectF overflow = view()->caretRect();
    EXPECT_EQ(overflow, behindLast);
    EXPECT_GT(overflow.left(), 60.0);
    EXPECT_TRUE(box->frameBounds().adjusted(0, 0, 1, 1).contains(overflow.center()));
}

TEST_F(TextEditingTest, TheOvalsCaretStandsOnTheSideARightToLeftLetterBeginsAt)
{
    auto oval = std::static_pointer_cast<ColorOval>(ObjectFactory::create(QStringLiteral("ColorOval")));
    oval->setFrameBounds(QRectF(100, 100, 200, 120));
    oval->setPageName(view()->getCurrPageName());
    view()->addGraphic(oval);
    oval->textStorage()->setDefaultFont(qmtest::testFont(12));
    oval->textStorage()->setPlainText(QString::fromUtf8("שלום"));
    view()->selectRect(oval);
    ASSERT_TRUE(view()->setEditableObject(oval));
    ColorOval::GlyphPlacement first;
    for (const ColorOval::GlyphPlacement &glyph : oval->glyphPlacements())
        if (glyph.character == 0)
            first = glyph;
    EXPECT_TRUE(first.rightToLeft);
    // Near the top of the oval "before the first letter" is its right-hand side.
    ObjectTextEditor::current()->setSelection(0, 0);
    EXPECT_GT(view()->caretRect().center().x(), first.point.x());
    ObjectTextEditor::current()->setSelection(1, 1);
    EXPECT_LT(view()->caretRect().center().x(), first.point.x());
}

TEST_F(TextEditingTest, CaretKeysSelectionAndDeletion)
{
    auto box = textBox(QRectF(20, 20, 200, 100), QStringLiteral("abcdef"));
    ASSERT_TRUE(view()->setEditableObject(box));
    ObjectTextEditor *editor = ObjectTextEditor::current();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->selectionStart(), 6);

    key(Qt::Key_Left);
    key(Qt::Key_Left, QString(), Qt::ShiftModifier);
    key(Qt::Key_Left, QString(), Qt::ShiftModifier);
    EXPECT_EQ(editor->selectionStart(), 3);
    EXPECT_EQ(editor->selectionEnd(), 5);
    type(QStringLiteral("Z"));
    EXPECT_EQ(textOf(box), QStringLiteral("abcZf"));
    // A plain arrow collapses a selection to its side.
    key(Qt::Key_Left, QString(), Qt::ShiftModifier);
    key(Qt::Key_Right);
    EXPECT_EQ(editor->selectionStart(), 4);
    EXPECT_EQ(editor->selectionEnd(), 4);

    key(Qt::Key_Delete);
    EXPECT_EQ(textOf(box), QStringLiteral("abcZ"));
    key(Qt::Key_A, QStringLiteral("a"), Qt::ControlModifier);
    EXPECT_EQ(editor->selectionStart(), 0);
    EXPECT_EQ(editor->selectionEnd(), 4);
    key(Qt::Key_Backspace);
    EXPECT_EQ(textOf(box), QString());
    // Backspace at the start of an empty text changes nothing and registers nothing new.
    const bool couldUndo = undo()->canUndo();
    key(Qt::Key_Backspace);
    EXPECT_EQ(textOf(box), QString());
    EXPECT_EQ(undo()->canUndo(), couldUndo);
}

TEST_F(TextEditingTest, UpAndDownFollowTheLayoutLines)
{
    auto box = textBox(QRectF(20, 20, 200, 200), QStringLiteral("first"));
    QTextCursor(box->textStorage()).movePosition(QTextCursor::End);
    ASSERT_TRUE(view()->setEditableObject(box));
    key(Qt::Key_Return, QStringLiteral("\r"));
    type(QStringLiteral("second"));
    ObjectTextEditor *editor = ObjectTextEditor::current();
    const QRectF bottom = view()->caretRect();
    key(Qt::Key_Up);
    // The caret goes to the end of the shorter line above, at the same height step.
    EXPECT_EQ(editor->selectionStart(), 5);
    const QRectF top = view()->caretRect();
    EXPECT_LT(top.top(), bottom.top());
    EXPECT_GT(top.height(), 0.0);
    EXPECT_TRUE(box->frameBounds().contains(top.topLeft()));
    key(Qt::Key_Down);
    EXPECT_GT(editor->selectionStart(), 6);
}

TEST_F(TextEditingTest, ClickOutsideOrAnotherSelectionEndsEditing)
{
    auto box = textBox(QRectF(20, 20, 200, 100), QStringLiteral("Hello"));
    auto other = textBox(QRectF(300, 20, 100, 100), QStringLiteral("Other"));
    doubleClick(QPointF(60, 60));
    ASSERT_EQ(view()->editedObject(), box);

    // A click inside the edited text moves the caret and keeps editing.
    click(QPointF(21, 25));
    ASSERT_EQ(view()->editedObject(), box);
    EXPECT_EQ(ObjectTextEditor::current()->selectionStart(), 0);
    // A double click in it selects the word.
    doubleClick(QPointF(25, 25));
    ASSERT_EQ(view()->editedObject(), box);
    EXPECT_EQ(ObjectTextEditor::current()->selectionStart(), 0);
    EXPECT_EQ(ObjectTextEditor::current()->selectionEnd(), 5);

    // With the text tool, a click on empty canvas ends editing and returns to the select tool.
    click(QPointF(500, 400));
    EXPECT_EQ(view()->editedObject(), nullptr);
    EXPECT_FALSE(box->isEditable1());
    EXPECT_EQ(view()->getCurrToolClass(), RectsView::SelectTool);
    EXPECT_EQ(view()->getRects().size(), 2);

    doubleClick(QPointF(60, 60));
    ASSERT_EQ(view()->editedObject(), box);
    view()->selectRect(other);
    EXPECT_EQ(view()->editedObject(), nullptr);
}

TEST_F(TextEditingTest, TextToolClickOnAnObjectEditsIt)
{
    auto box = textBox(QRectF(20, 20, 200, 100), QStringLiteral("Hello"));
    view()->setupCurrObjectTool(RectsView::TextTool);
    click(QPointF(60, 60));
    ASSERT_EQ(view()->editedObject(), box);
    type(QStringLiteral("s"));
    EXPECT_EQ(textOf(box), QStringLiteral("Hellos"));
    // Choosing the select tool ends editing.
    view()->setupCurrObjectTool(RectsView::SelectTool);
    EXPECT_EQ(view()->editedObject(), nullptr);
}

TEST_F(TextEditingTest, GroupMemberIsEditedAndClicksInItsTextStayInTheText)
{
    auto box = textBox(QRectF(20, 20, 200, 100), QStringLiteral("one two"));
    auto other = textBox(QRectF(300, 20, 100, 100), QStringLiteral("other"));
    view()->selectRect(box);
    view()->selectRect(other);
    view()->group();
    view()->clearSelection();
    undo()->closeEventGroup();

    doubleClick(QPointF(60, 60));
    ASSERT_EQ(view()->editedObject(), box);
    EXPECT_EQ(view()->selectedObjects().size(), 2);
    const QPointF before = box->frameBounds().topLeft();
    // A press and drag inside the edited text moves neither the object nor its group.
    mouse(QEvent::MouseButtonPress, QPointF(22, 25));
    mouse(QEvent::MouseMove, QPointF(80, 90));
    mouse(QEvent::MouseButtonRelease, QPointF(80, 90));
    undo()->closeEventGroup();
    EXPECT_EQ(box->frameBounds().topLeft(), before);
    ASSERT_EQ(view()->editedObject(), box);
    // The drag selected from the press to the end of the line it reached.
    EXPECT_EQ(ObjectTextEditor::current()->selectionStart(), 0);
    EXPECT_EQ(ObjectTextEditor::current()->selectionEnd(), 7);
    key(Qt::Key_Left);
    type(QStringLiteral("A"));
    EXPECT_EQ(textOf(box), QStringLiteral("Aone two"));
}

TEST_F(TextEditingTest, TextToolMakesABoxReadyForTyping)
{
    view()->setupCurrObjectTool(RectsView::TextTool);
    click(QPointF(30, 30));
    ASSERT_EQ(view()->getRects().size(), 1);
    const auto box = view()->getRects().first();
    ASSERT_EQ(view()->editedObject(), box);
    const QRectF caret = view()->caretRect();
    // An empty text shows the caret where its first line starts, at the top of the box.
    EXPECT_EQ(caret.top(), box->frameBounds().top());
    EXPECT_GE(caret.left(), box->frameBounds().left());
    EXPECT_LT(caret.left(), box->frameBounds().left() + 10.0);
    EXPECT_GT(caret.height(), 0.0);
    type(QStringLiteral("hi"));
    EXPECT_EQ(textOf(box), QStringLiteral("hi"));
}

TEST_F(TextEditingTest, OnlyOneEditorAndRemovalOrPageChangeEndsIt)
{
    auto first = textBox(QRectF(20, 20, 100, 100), QStringLiteral("one"));
    auto second = textBox(QRectF(200, 20, 100, 100), QStringLiteral("two"));
    view()->selectRect(first);
    ASSERT_TRUE(view()->setEditableObject(first));
    view()->clearSelection();
    view()->selectRect(second);
    ASSERT_TRUE(view()->setEditableObject(second));
    EXPECT_FALSE(first->isEditable1());
    EXPECT_TRUE(second->isEditingText());

    view()->changeFrontBack();
    EXPECT_EQ(view()->editedObject(), nullptr);

    view()->selectRect(second);
    ASSERT_TRUE(view()->setEditableObject(second));
    view()->removeGraphicAtIndex(view()->indexOfGraphic(second.get()));
    EXPECT_EQ(ObjectTextEditor::current(), nullptr);
}

TEST_F(TextEditingTest, OnlyRectanglesAndOvalsAreEditedInPlace)
{
    auto line = ObjectFactory::create(QStringLiteral("ColorLine"));
    line->setFrameBounds(QRectF(10, 10, 50, 50));
    line->setPageName(view()->getCurrPageName());
    view()->addGraphic(line);
    EXPECT_FALSE(view()->setEditableObject(line));
    // An object that is not on this canvas is refused too.
    EXPECT_FALSE(view()->setEditableObject(ColorRect::create(QRectF(0, 0, 10, 10))));

    auto oval = ObjectFactory::create(QStringLiteral("ColorOval"));
    oval->setFrameBounds(QRectF(100, 100, 150, 100));
    oval->setPageName(view()->getCurrPageName());
    view()->addGraphic(oval);
    view()->selectRect(oval);
    ASSERT_TRUE(view()->setEditableObject(oval));
    type(QStringLiteral("round"));
    EXPECT_EQ(textOf(oval), QStringLiteral("round"));
    // The caret stands by the glyphs laid along the outline.
    const QRectF caret = view()->caretRect();
    EXPECT_GT(caret.width() + caret.height(), 0.0);
    EXPECT_TRUE(oval->frameBounds().adjusted(-20, -20, 20, 20).contains(caret));
}

TEST_F(TextEditingTest, EditedTextIsDrawnWithItsCaret)
{
    auto box = textBox(QRectF(20, 20, 200, 100), QStringLiteral("Drawn"));
    QImage before(800, 600, QImage::Format_ARGB32_Premultiplied);
    before.fill(Qt::white);
    view()->render(&before);
    view()->selectRect(box);
    ASSERT_TRUE(view()->setEditableObject(box));
    QImage during(800, 600, QImage::Format_ARGB32_Premultiplied);
    during.fill(Qt::white);
    view()->render(&during);
    // The text stays visible while edited (the selection look and caret add to it).
    const QRect text = view()->pageToWidget().mapRect(QRectF(20, 20, 40, 14)).toAlignedRect();
    int dark = 0;
    for (int y = text.top(); y <= text.bottom(); ++y)
        for (int x = text.left(); x <= text.right(); ++x)
            dark += qGray(during.pixel(x, y)) < 128;
    EXPECT_GT(dark, 0);
}

TEST_F(TextEditingTest, LinkedBoxesComeBackChainedFromTheStoredDesign)
{
    auto first = textBox(QRectF(20, 20, 60, 20), QStringLiteral("one two three four five six seven"));
    auto second = textBox(QRectF(20, 100, 60, 60), QString());
    second->setTextLink(first.get(), true);
    const QVariantMap stored = view()->drawDocumentDictionaryForGraphics(view()->getRects());
    const GraphicList loaded = view()->graphicsFromDrawDocumentDictionary(stored);
    ASSERT_EQ(loaded.size(), 2);
    ASSERT_NE(loaded[0]->textFlow(), nullptr);
    EXPECT_EQ(loaded[0]->textFlow(), loaded[1]->textFlow());
    EXPECT_EQ(loaded[1]->firstTextView(), loaded[0].get());
    EXPECT_TRUE(loaded[0]->getTextViewsStr().isEmpty());
}

TEST_F(TextEditingTest, PressesFindTheTextOfATurnedBox)
{
    auto box = textBox(QRectF(100, 100, 200, 40), QStringLiteral("turned"));
    box->setAngle(90.0f, false);
    view()->selectRect(box);
    ASSERT_TRUE(view()->setEditableObject(box));
    QPicture scratch;
    QPainter painter(&scratch);
    box->rotateFrame(&painter, box->angle());
    const QTransform turn = painter.worldTransform();
    painter.end();
    // Presses by the start and past the end of the upright line, as they appear turned.
    click(turn.map(QPointF(101, 107)));
    ASSERT_EQ(view()->editedObject(), box);
    EXPECT_EQ(ObjectTextEditor::current()->selectionStart(), 0);
    click(turn.map(QPointF(290, 107)));
    ASSERT_EQ(view()->editedObject(), box);
    EXPECT_EQ(ObjectTextEditor::current()->selectionStart(), 6);
    EXPECT_EQ(view()->getRects().size(), 1);
}

TEST(AllKindsTest, EveryKindIsBuiltAfterRegistration)
{
    registerAllKinds();
    for (const QString &kind : ObjectFactory::knownKinds()) {
        // The address block is a known name without an object kind yet.
        if (kind == QLatin1String("ColorAddress"))
            continue;
        const auto object = ObjectFactory::create(kind);
        ASSERT_NE(object, nullptr) << kind.toStdString();
        EXPECT_EQ(object->className(), kind);
    }
    // A stored group comes back through the group kinds.
    const GraphicList members = {ColorRect::create(QRectF(0, 0, 10, 10)), ColorRect::create(QRectF(20, 0, 10, 10))};
    const auto group = Group::create();
    for (const auto &member : members)
        group->addObject(member);
    const QVariantMap stored = group->propertyListRepresentation(members);
    const auto loaded = Group::groupWithPropertyListRepresentation(stored, members);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->getObjects().size(), 2);
    loaded->clear();
    group->clear();
}

} // namespace
