// The text setters of a graphic object (size run by run, colour, alignment, attributes,
// contents) with their undo, and in-place editing joining the canvas's undo stack.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "common/TestSupport.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/ObjectTextEditor.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

struct Fixture
{
    qmtest::FakeCanvas canvas;
    std::shared_ptr<ColorRect> box = ColorRect::create(QRectF(0, 0, 200, 100));

    Fixture()
    {
        box->setMainView(&canvas);
        box->textStorage()->setDefaultFont(qmtest::testFont(12));
    }
    ~Fixture() { ObjectTextEditor::end(); }

    // Runs of the given sizes, each "abc".
    void runs(const QList<qreal> &sizes)
    {
        QTextCursor cursor(box->textStorage());
        for (qreal size : sizes) {
            QTextCharFormat format;
            format.setFont(qmtest::testFont(size));
            cursor.insertText(QStringLiteral("abc"), format);
        }
    }

    qreal sizeAt(int index) const
    {
        QTextCursor cursor(box->textStorage());
        cursor.setPosition(index + 1);
        return cursor.charFormat().font().pointSizeF();
    }
};

} // namespace

TEST(ColorRectText, OneUndoOfATextSizeChangeRestoresEveryRun)
{
    Fixture f;
    f.runs({10, 14, 18, 14});
    f.box->setTemplateFlag(true);
    f.box->setTextSize(qmtest::testFont(30));
    f.canvas.undo.closeEventGroup();
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(f.sizeAt(i), 30.0) << i;
    EXPECT_FALSE(f.box->isTemplate());
    EXPECT_EQ(f.canvas.undo.undoActionName(), "Change Text Size");

    f.canvas.undo.undo();
    const qreal expected[] = {10, 14, 18, 14};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(f.sizeAt(i), expected[i / 3]) << i;
    EXPECT_FALSE(f.canvas.undo.canUndo());

    f.canvas.undo.redo();
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(f.sizeAt(i), 30.0) << i;
}

TEST(ColorRectText, RunThatMergesWithTheOneBeforeStillGetsTheFont)
{
    Fixture f;
    // The second run already has the new font: after the first run changes they merge.
    f.runs({10, 20, 10});
    f.box->setTextSize(qmtest::testFont(20));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(f.sizeAt(i), 20.0) << i;
    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    EXPECT_EQ(f.sizeAt(0), 10.0);
    EXPECT_EQ(f.sizeAt(4), 20.0);
    EXPECT_EQ(f.sizeAt(8), 10.0);
}

TEST(ColorRectText, TextSizeWhileEditingChangesTheSelection)
{
    Fixture f;
    f.runs({10, 10});
    ObjectTextEditor *editor = ObjectTextEditor::begin(f.box);
    editor->setSelection(1, 4);
    EXPECT_EQ(f.box->textSize()->pointSizeF(), 10.0);
    f.box->setTextSize(qmtest::testFont(24));
    EXPECT_EQ(f.sizeAt(0), 10.0);
    EXPECT_EQ(f.sizeAt(1), 24.0);
    EXPECT_EQ(f.sizeAt(3), 24.0);
    EXPECT_EQ(f.sizeAt(4), 10.0);
    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    EXPECT_EQ(f.sizeAt(2), 10.0);
}

TEST(ColorRectText, SizeUndoWhileEditingRestoresEveryRunOfTheSelection)
{
    Fixture f;
    f.runs({10, 14, 18});
    ObjectTextEditor *editor = ObjectTextEditor::begin(f.box);
    editor->setSelection(1, 8);
    f.box->setTextSize(qmtest::testFont(24));
    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    const qreal expected[] = {10, 14, 18};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(f.sizeAt(i), expected[i / 3]) << i;
    f.canvas.undo.redo();
    EXPECT_EQ(f.sizeAt(0), 10.0);
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(f.sizeAt(i), 24.0) << i;
}

TEST(ColorRectText, ANewFontKeepsTheLinesAndSpacingOfTheText)
{
    Fixture f;
    QTextCharFormat lined;
    lined.setFont(qmtest::testFont(10));
    lined.setFontUnderline(true);
    lined.setFontStrikeOut(true);
    lined.setFontOverline(true);
    lined.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    lined.setFontLetterSpacing(2);
    QTextCursor(f.box->textStorage()).insertText(QStringLiteral("abc"), lined);
    f.box->setTextSize(qmtest::testFont(20));
    QTextCursor cursor(f.box->textStorage());
    cursor.setPosition(2);
    const QTextCharFormat now = cursor.charFormat();
    EXPECT_EQ(now.fontPointSize(), 20.0);
    EXPECT_TRUE(now.fontUnderline());
    EXPECT_TRUE(now.fontStrikeOut());
    EXPECT_TRUE(now.fontOverline());
    EXPECT_EQ(now.fontLetterSpacing(), 2.0);
}

TEST(ColorRectText, ColourUndoRestoresEachOfThreeColouredRuns)
{
    Fixture f;
    const QList<QColor> colours = {QColor(200, 0, 0), QColor(0, 150, 0), QColor(0, 0, 220)};
    QTextCursor cursor(f.box->textStorage());
    for (const QColor &colour : colours) {
        QTextCharFormat format;
        format.setForeground(colour);
        cursor.insertText(QStringLiteral("abc"), format);
    }
    auto colourAt = [&](int index) {
        QTextCursor at(f.box->textStorage());
        at.setPosition(index + 1);
        return at.charFormat().foreground().color();
    };
    f.box->setTextColor(QColor(10, 10, 10));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(colourAt(i), QColor(10, 10, 10)) << i;
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), "Change Text Color");
    f.canvas.undo.undo();
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(colourAt(i), colours[i / 3]) << i;
    f.canvas.undo.redo();
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(colourAt(i), QColor(10, 10, 10)) << i;
    EXPECT_EQ(f.canvas.undo.undoActionName(), "Change Text Color");
}

TEST(ColorRectText, AttributeUndoRestoresEachRunsOwnFormat)
{
    Fixture f;
    QTextCursor cursor(f.box->textStorage());
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat italicUnderlined;
    italicUnderlined.setFontItalic(true);
    italicUnderlined.setFontUnderline(true);
    QTextCharFormat struck;
    struck.setFontStrikeOut(true);
    struck.setFontPointSize(20);
    cursor.insertText(QStringLiteral("abc"), bold);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("def"), italicUnderlined);
    cursor.insertText(QStringLiteral("ghi"), struck);
    const std::unique_ptr<QTextDocument> before(f.box->textStorage()->clone());
    auto formatAt = [](const QTextDocument *doc, int index) {
        QTextCursor at(const_cast<QTextDocument *>(doc));
        at.setPosition(index + 1);
        return at.charFormat();
    };

    QTextCharFormat coloured;
    coloured.setForeground(QColor(0, 128, 0));
    f.box->setTextAttributes(coloured);
    EXPECT_FALSE(formatAt(f.box->textStorage(), 5).fontUnderline());
    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(formatAt(f.box->textStorage(), i), formatAt(before.get(), i)) << i;
}

TEST(ColorRectText, GettersOfAnEmptyTextAnswerNone)
{
    Fixture f;
    EXPECT_FALSE(f.box->textSize());
    EXPECT_FALSE(f.box->textColor());
    EXPECT_TRUE(f.box->textAttributes().properties().isEmpty());
    f.box->textStorage()->setPlainText(QStringLiteral("x"));
    ASSERT_TRUE(f.box->textColor());
    EXPECT_EQ(*f.box->textColor(), QColor(Qt::black));
    EXPECT_EQ(f.box->textAlign(), 0);
}

TEST(ColorRectText, ColourChangeIsUndoneToBlack)
{
    Fixture f;
    f.box->textStorage()->setPlainText(QStringLiteral("text"));
    f.box->setTextColor(QColor(200, 0, 0));
    EXPECT_EQ(*f.box->textColor(), QColor(200, 0, 0));
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), "Change Text Color");
    f.canvas.undo.undo();
    EXPECT_EQ(*f.box->textColor(), QColor(Qt::black));

    // Shaped text takes the colour as its fill.
    f.box->setPowerText(true);
    f.box->setTextColor(QColor(0, 0, 200));
    EXPECT_EQ(f.box->fillColor(), QColor(0, 0, 200));
}

TEST(ColorRectText, AlignmentCodesAndUndo)
{
    Fixture f;
    f.box->textStorage()->setPlainText(QStringLiteral("one\ntwo"));
    // Left and right are the page's sides, also in a right-to-left paragraph.
    const Qt::Alignment byCode[] = {Qt::AlignLeft | Qt::AlignAbsolute,
                                    Qt::AlignRight | Qt::AlignAbsolute, Qt::AlignHCenter,
                                    Qt::AlignJustify};
    for (int code : {1, 2, 3, 0}) {
        f.box->setTextAlign(code);
        EXPECT_EQ(f.box->textAlign(), code);
        const Qt::Alignment last =
            f.box->textStorage()->lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        EXPECT_EQ(last, byCode[code]);
        f.canvas.undo.closeEventGroup();
    }
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), "Undo Text Alighnment");
    f.canvas.undo.undo();
    EXPECT_EQ(f.box->textAlign(), 3);
}

TEST(ColorRectText, AttributesReplaceUnderlineAndStrikeAndUndo)
{
    Fixture f;
    QTextCharFormat lined;
    lined.setFontUnderline(true);
    lined.setFontStrikeOut(true);
    QTextCursor(f.box->textStorage()).insertText(QStringLiteral("abc"), lined);

    QTextCharFormat coloured;
    coloured.setForeground(QColor(0, 128, 0));
    f.box->setTextAttributes(coloured);
    QTextCharFormat now = f.box->textAttributes();
    EXPECT_EQ(now.foreground().color(), QColor(0, 128, 0));
    EXPECT_FALSE(now.fontUnderline());
    EXPECT_FALSE(now.fontStrikeOut());
    EXPECT_TRUE(f.canvas.invalidated.contains(nullptr));
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), "Change Attributes");
    f.canvas.undo.undo();
    now = f.box->textAttributes();
    EXPECT_TRUE(now.fontUnderline());
    EXPECT_TRUE(now.fontStrikeOut());

    // While editing in place the getter answers nothing.
    ObjectTextEditor::begin(f.box);
    EXPECT_TRUE(f.box->textAttributes().properties().isEmpty());
}

TEST(ColorRectText, ContentsReplaceTheTextAndKeepTheFirstCharactersLook)
{
    Fixture f;
    f.runs({22, 10});
    f.box->setContents(QStringLiteral("new text"));
    EXPECT_EQ(f.box->textStorage()->toPlainText(), "new text");
    EXPECT_EQ(f.sizeAt(0), 22.0);
    EXPECT_EQ(f.sizeAt(7), 22.0);
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), "Change Text");
    f.canvas.undo.undo();
    EXPECT_EQ(f.box->textStorage()->toPlainText(), "abcabc");
    EXPECT_EQ(f.sizeAt(4), 10.0);
    // Its own document is no replacement.
    f.box->setContents(*f.box->textStorage());
    f.canvas.undo.closeEventGroup();
    EXPECT_FALSE(f.canvas.undo.canUndo());

    EXPECT_EQ(ColorRect::replaceSubString("a-b-c", "-", "+"), "a+b-c");
    EXPECT_EQ(ColorRect::replaceSubString("abc", "x", "+"), "abc");
}

TEST(ObjectTextEditor, TypingJoinsTheCanvasUndoStack)
{
    Fixture f;
    f.box->textStorage()->setPlainText(QStringLiteral("Hello"));
    ObjectTextEditor *editor = ObjectTextEditor::begin(f.box);
    EXPECT_TRUE(f.box->isEditingText());
    editor->insertText(QStringLiteral(" world"));
    f.canvas.undo.closeEventGroup();
    editor->setSelection(0, 5);
    editor->insertText(QStringLiteral("Goodbye"));
    f.canvas.undo.closeEventGroup();
    editor->deleteBackward();
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.box->textStorage()->toPlainText(), "Goodby world");
    EXPECT_EQ(f.canvas.undo.undoActionName(), "Typing");

    f.canvas.undo.undo();
    EXPECT_EQ(f.box->textStorage()->toPlainText(), "Goodbye world");
    f.canvas.undo.undo();
    EXPECT_EQ(f.box->textStorage()->toPlainText(), "Hello world");
    // Undo still works after the editor has ended.
    ObjectTextEditor::end();
    EXPECT_FALSE(f.box->isEditingText());
    f.canvas.undo.undo();
    EXPECT_EQ(f.box->textStorage()->toPlainText(), "Hello");
    f.canvas.undo.redo();
    EXPECT_EQ(f.box->textStorage()->toPlainText(), "Hello world");

    // One editor at a time.
    auto other = ColorRect::create(QRectF(0, 0, 10, 10));
    ObjectTextEditor::begin(f.box);
    ObjectTextEditor::begin(other);
    EXPECT_FALSE(f.box->isEditingText());
    EXPECT_TRUE(other->isEditingText());
}
