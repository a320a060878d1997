// Editing a text in place as in any editor, in the window: Cut, Copy, Paste, Delete and Select
// All act on the text while it is edited (menu items, keys and the context menu), with the
// system clipboard, one undo step each; text copied here keeps its fonts, colours and merge
// fields, text from other programs takes the look at the insertion point; the usual
// navigation keys move through the text, and the Text page follows the insertion point.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QColor>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QXmlStreamReader>

#include "app/AppTestSupport.h"
#include "common/PlistutilReader.h"
#include "inspector/NumberField.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextArchive.h"
#include "objects/TextAttachmentHandler.h"
#include "objects/TextFlow.h"
#include "platform/ColorWell.h"

using namespace quillmark;

namespace {

constexpr int FirstNamePk = 4;

// The runs of an archived text as an independent reader sees them.
QVariantList archivedRuns(const QByteArray &archive)
{
    QVariantList runs;
    for (const QVariant &block : qmtest::readWithPlistutil(archive, QStringLiteral("text-clipboard-plist")).toMap().value(QStringLiteral("Blocks")).toList())
        runs.append(block.toMap().value(QStringLiteral("Runs")).toList());
    return runs;
}

class TextClipboard : public ::testing::Test
{
protected:
    TextClipboard() : f(QStringLiteral("text-clipboard")) {}

    RectsView *canvas() const { return f.canvas(); }
    static QClipboard *clipboard() { return QGuiApplication::clipboard(); }

    static QTextCharFormat look(const QFont &font, const QColor &color = Qt::black)
    {
        QTextCharFormat format;
        format.setFont(font);
        format.setForeground(color);
        return format;
    }
    // A text box drawn with the rectangle tool; its text given in runs of text and format,
    // a run of "@" standing for a merge field of the first name in that format.
    GraphicPtr textBox(const QRectF &frame, const QList<std::pair<QString, QTextCharFormat>> &runs)
    {
        f.drawRect(frame);
        const GraphicPtr box = canvas()->getRects().last();
        box->setDrawsFill(false);
        QTextDocument contents;
        QTextCursor cursor(&contents);
        for (const auto &[text, format] : runs) {
            if (text == QLatin1String("@")) {
                TextAttachmentHandler *chips = TextAttachmentHandler::handler(TextArchive::FieldChipObjectType);
                EXPECT_NE(chips, nullptr);
                cursor.insertText(QString(QChar(TextAttachmentHandler::ObjectCharacter)),
                                  chips->newAttachment(FirstNamePk, format, box.get()));
            } else {
                cursor.insertText(text, format);
            }
        }
        box->setContents(contents);
        TextAttachmentHandler::registerWith(box->textStorage());
        canvas()->undoManager()->removeAllActions();
        return box;
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(canvas(), Qt::Key(key), modifiers);
        apptest::settle();
    }
    // A double click in the edited text: the word under the pointer is selected.
    void doubleClick(const QPointF &point)
    {
        f.mouse(QEvent::MouseButtonPress, point);
        f.mouse(QEvent::MouseButtonRelease, point);
        f.mouse(QEvent::MouseButtonDblClick, point);
        f.mouse(QEvent::MouseButtonRelease, point);
        apptest::settle();
    }
    QString textOf(const GraphicPtr &box) const { return box->textStorage()->toPlainText(); }
    static int selectionStart() { return ObjectTextEditor::current()->selectionStart(); }
    static int selectionEnd() { return ObjectTextEditor::current()->selectionEnd(); }
    QString undoName() const { return canvas()->undoManager()->undoActionName(); }
    QTextCharFormat formatAt(const GraphicPtr &box, int position) const
    {
        QTextCursor cursor(box->textStorage());
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    }
    // Where a character of a box's single line is on the page.
    QPointF pointOfCharacter(const GraphicPtr &box, int position) const
    {
        TextFlow *flow = box->layoutText();
        const TextFlow::Line &line = flow->lines().front();
        const QTextLine textLine = flow->blockLayout(line.block)->lineAt(line.lineNumber);
        return box->frameBounds().topLeft() + flow->blockLayout(line.block)->position()
            + QPointF((textLine.cursorToX(position) + textLine.cursorToX(position + 1)) / 2,
                      textLine.y() + textLine.height() / 2);
    }
    QAction *editItem(const QString &title) const { return f.menuItem(QStringLiteral("Edit"), title); }
    // The item of the canvas's context menu, validated as when it opens.
    QAction *contextItem(const QString &title) const
    {
        QMenu *menu = f.window->findChild<QMenu *>(QStringLiteral("CanvasContentMenu"));
        EXPECT_NE(menu, nullptr);
        if (!menu)
            return nullptr;
        emit menu->aboutToShow();
        for (QAction *item : menu->actions())
            if (item->text() == title)
                return item;
        return nullptr;
    }

    apptest::WindowFixture f;
};

TEST_F(TextClipboard, AWordWithAFieldCopiedPastesInTheBoxAndInAnotherWithItsLook)
{
    const QTextCharFormat plain = look(qmtest::testFont(12));
    const QTextCharFormat fancy = look(QFontDatabase::font(QStringLiteral("P052"), QStringLiteral("Bold"), 18),
                                       QColor(200, 20, 40));
    const GraphicPtr first = textBox(QRectF(20, 20, 260, 60), {{QStringLiteral("Hello "), plain},
                                                              {QStringLiteral("world"), fancy},
                                                              {QStringLiteral("@"), fancy},
                                                              {QStringLiteral(" end"), plain}});
    const GraphicPtr second = textBox(QRectF(20, 100, 260, 60), {{QStringLiteral("Box "), plain}});
    const QString chip(QChar(TextAttachmentHandler::ObjectCharacter));
    ASSERT_EQ(textOf(first), QStringLiteral("Hello world") + chip + QStringLiteral(" end"));

    // "world" and the field behind it selected with the keys.
    f.editText(pointOfCharacter(first, 8));
    ASSERT_EQ(canvas()->editedObject(), first);
    key(Qt::Key_Home, Qt::ControlModifier);
    key(Qt::Key_Right, Qt::ControlModifier);
    key(Qt::Key_Right, Qt::ShiftModifier, 6);
    ASSERT_EQ(selectionStart(), 6);
    ASSERT_EQ(selectionEnd(), 12);
    EXPECT_TRUE(editItem(QStringLiteral("Copy"))->isEnabled());
    key(Qt::Key_C, Qt::ControlModifier);

    // The clipboard holds plain text (the field spelt out as it shows), HTML and the text
    // with its look for this program.
    const QMimeData *copied = clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->text().startsWith(QStringLiteral("world["))) << copied->text().toStdString();
    EXPECT_FALSE(copied->text().contains(chip));
    EXPECT_TRUE(copied->hasHtml());
    EXPECT_TRUE(copied->html().contains(QStringLiteral("world")));
    ASSERT_TRUE(copied->hasFormat(RectsView::textPasteboardType()));
    EXPECT_EQ(canvas()->getRects().size(), 2);
    EXPECT_EQ(textOf(first), QStringLiteral("Hello world") + chip + QStringLiteral(" end"));

    // Pasted at the end of the same text: a copy with the same look, one undo step.
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_V, Qt::ControlModifier);
    const QString doubled = QStringLiteral("Hello world") + chip + QStringLiteral(" endworld") + chip;
    ASSERT_EQ(textOf(first), doubled);
    EXPECT_EQ(canvas()->getRects().size(), 2);
    EXPECT_EQ(canvas()->selectedObjects(), GraphicList{first});
    EXPECT_EQ(undoName(), QStringLiteral("Paste"));
    EXPECT_EQ(f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->text(),
              QStringLiteral("Undo Paste"));
    EXPECT_EQ(selectionStart(), doubled.size());
    for (int i = 16; i < 21; ++i) {
        EXPECT_EQ(formatAt(first, i).font(), fancy.font()) << i;
        EXPECT_EQ(formatAt(first, i).foreground().color(), fancy.foreground().color()) << i;
    }
    EXPECT_EQ(formatAt(first, 21).objectType(), TextArchive::FieldChipObjectType);
    EXPECT_EQ(formatAt(first, 21).intProperty(TextArchive::FieldPkProperty), FirstNamePk);
    EXPECT_EQ(formatAt(first, 21).font().family(), fancy.font().family());
    f.undo();
    EXPECT_EQ(textOf(first), QStringLiteral("Hello world") + chip + QStringLiteral(" end"));
    EXPECT_EQ(canvas()->getRects().size(), 2);

    // Pasted into the other box, from the context menu.
    key(Qt::Key_Escape);
    f.editText(pointOfCharacter(second, 1));
    ASSERT_EQ(canvas()->editedObject(), second);
    key(Qt::Key_End, Qt::ControlModifier);
    QAction *paste = contextItem(QStringLiteral("Paste"));
    ASSERT_NE(paste, nullptr);
    ASSERT_TRUE(paste->isEnabled());
    paste->trigger();
    apptest::settle();
    ASSERT_EQ(textOf(second), QStringLiteral("Box world") + chip);
    EXPECT_EQ(canvas()->getRects().size(), 2);
    EXPECT_EQ(formatAt(second, 6).font(), fancy.font());
    EXPECT_EQ(formatAt(second, 9).intProperty(TextArchive::FieldPkProperty), FirstNamePk);
    key(Qt::Key_Escape);

    // Read back from the saved design by an independent reader: the pasted word keeps its
    // family, size and colour, and the field its key.
    const QString path = qmtest::freshDir(QStringLiteral("text-clipboard-doc")) + QStringLiteral("/Pasted.qkdoc");
    f.prompts->queuePath(path);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QVariantList objects = qmtest::readWithPlistutil(saved.readAll(), QStringLiteral("text-clipboard-plist")).toMap().value(QStringLiteral("ObjectsList")).toList();
    ASSERT_EQ(objects.size(), 2);
    const QVariantList runs = archivedRuns(objects[1].toMap().value(QStringLiteral("Text")).toByteArray());
    ASSERT_EQ(runs.size(), 3);
    const QVariantMap word = runs[1].toMap();
    EXPECT_EQ(word.value(QStringLiteral("Text")).toString(), QStringLiteral("world"));
    const QVariantList families = word.value(QStringLiteral("Families")).toList();
    const QString family = families.isEmpty() ? word.value(QStringLiteral("Family")).toString()
                                              : families.first().toString();
    EXPECT_EQ(family, fancy.font().family());
    EXPECT_EQ(word.value(QStringLiteral("Size")).toString().toDouble(), 18.0);
    EXPECT_EQ(word.value(QStringLiteral("Weight")).toString().toInt(), int(QFont::Bold));
    EXPECT_TRUE(word.contains(QStringLiteral("Foreground")));
    EXPECT_EQ(runs[2].toMap().value(QStringLiteral("attachmentPrimaryKey")).toString().toInt(), FirstNamePk);
}

// The look of each stretch of a text as it shows: the font its document completes, the colour
// and the merge field; neighbouring stretches that look the same are one.
struct RunLook
{
    int offset = 0;
    QString font;
    QColor color;
    int objectType = 0;
    int pk = 0;
    bool operator==(const RunLook &other) const
    {
        return offset == other.offset && font == other.font && color == other.color
            && objectType == other.objectType && pk == other.pk;
    }
};

void PrintTo(const RunLook &run, std::ostream *out)
{
    *out << run.offset << " " << run.font.toStdString() << " " << run.color.name().toStdString() << " "
         << run.objectType << " " << run.pk;
}

QList<RunLook> runLooks(const QTextDocument &document, int from, int length)
{
    QList<RunLook> looks;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < from + length;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(from, fragment.position());
            if (start >= std::min(from + length, fragment.position() + fragment.length()))
                continue;
            const QTextCharFormat format = fragment.charFormat();
            RunLook look{start - from, format.font().resolve(document.defaultFont()).toString(),
                         format.foreground().color(), format.objectType(),
                         format.intProperty(TextArchive::FieldPkProperty)};
            const bool same = !looks.isEmpty() && looks.last().font == look.font && looks.last().color == look.color
                              && looks.last().objectType == look.objectType && looks.last().pk == look.pk;
            if (!same)
                looks.append(look);
        }
    }
    return looks;
}

TEST_F(TextClipboard, ALongStretchOfManyRunsCopiedCutAndPastedKeepsEveryRunAndUndoes)
{
    // Runs in whole fonts, runs that set only their colour (the text's own font completes
    // them), and merge fields among them.
    const QList<QFont> fonts = {qmtest::testFont(12), QFontDatabase::font(QStringLiteral("P052"), QStringLiteral("Bold"), 18),
                                QFontDatabase::font(QStringLiteral("URW Bookman"), QStringLiteral("Light"), 9)};
    QList<std::pair<QString, QTextCharFormat>> runs;
    constexpr int Runs = 3000;
    for (int i = 0; i < Runs; ++i) {
        QTextCharFormat format;
        if (i % 3 != 2)
            format.setFont(fonts[i % 2 ? 1 : 0]);
        format.setForeground(QColor::fromHsv(i % 360, 200, 40 + i % 200));
        runs.append({i % 97 == 50 ? QStringLiteral("@") : QStringLiteral("r%1 ").arg(i), format});
    }
    const GraphicPtr source = textBox(QRectF(20, 20, 260, 60), runs);
    source->textStorage()->setDefaultFont(fonts[2]);
    const GraphicPtr target = textBox(QRectF(20, 100, 260, 60), {{QStringLiteral("Box "), look(fonts[0])}});
    ASSERT_NE(source->textStorage()->defaultFont(), target->textStorage()->defaultFont());
    const QTextDocument &text = *source->textStorage();
    const int total = text.characterCount() - 1;
    const QList<RunLook> sourceBefore = runLooks(text, 0, total);
    ASSERT_GT(sourceBefore.size(), Runs - 10);
    const QList<RunLook> targetBefore = runLooks(*target->textStorage(), 0, 4);

    // From inside the third run to inside the last but one.
    const int from = 2 * 3 + 1;
    const int to = total - 4;
    f.editText(pointOfCharacter(source, 1));
    ASSERT_EQ(canvas()->editedObject(), source);
    ObjectTextEditor::current()->setSelection(from, to);
    const QList<RunLook> part = runLooks(text, from, to - from);
    QString plain = text.toPlainText().mid(from, to - from);
    key(Qt::Key_C, Qt::ControlModifier);

    // Other programs read the fields spelt out as they show and every run in its whole font.
    TextAttachmentHandler *chips = TextAttachmentHandler::handler(TextArchive::FieldChipObjectType);
    ASSERT_NE(chips, nullptr);
    int fields = 0;
    for (int i = int(plain.size()) - 1; i >= 0; --i) {
        if (plain[i] == QChar(TextAttachmentHandler::ObjectCharacter)) {
            plain.replace(i, 1, chips->text(formatAt(source, from + i), source.get()));
            ++fields;
        }
    }
    ASSERT_GT(fields, 20);
    const QMimeData *copied = clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->text(), plain);
    EXPECT_TRUE(copied->html().contains(QStringLiteral("r1500 ")));
    const QVariantList archived = archivedRuns(copied->data(RectsView::textPasteboardType()));
    int archivedFields = 0;
    for (const QVariant &run : archived) {
        const QVariantMap map = run.toMap();
        if (map.contains(QStringLiteral("attachmentPrimaryKey"))) {
            ++archivedFields;
            continue;
        }
        EXPECT_TRUE(map.contains(QStringLiteral("Families")) || map.contains(QStringLiteral("Family")));
        EXPECT_TRUE(map.contains(QStringLiteral("Size")));
    }
    EXPECT_EQ(archivedFields, fields);
    EXPECT_GE(archived.size(), part.size());

    // Pasted at the end of the other text: every run looks as it did, one undo step.
    key(Qt::Key_Escape);
    f.editText(pointOfCharacter(target, 1));
    ASSERT_EQ(canvas()->editedObject(), target);
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(undoName(), QStringLiteral("Paste"));
    EXPECT_EQ(target->textStorage()->toPlainText(), QStringLiteral("Box ") + text.toPlainText().mid(from, to - from));
    EXPECT_EQ(runLooks(*target->textStorage(), 4, to - from), part);
    f.undo();
    EXPECT_EQ(textOf(target), QStringLiteral("Box "));
    EXPECT_EQ(runLooks(*target->textStorage(), 0, 4), targetBefore);
    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
    apptest::settle();
    EXPECT_EQ(runLooks(*target->textStorage(), 4, to - from), part);

    // Cut from the first text: the rest closes up; Undo brings every run back, and the
    // selection with it.
    key(Qt::Key_Escape);
    f.editText(pointOfCharacter(source, 1));
    ASSERT_EQ(canvas()->editedObject(), source);
    ObjectTextEditor::current()->setSelection(from, to);
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(undoName(), QStringLiteral("Cut"));
    EXPECT_EQ(text.characterCount() - 1, total - (to - from));
    EXPECT_EQ(clipboard()->text(), plain);
    f.undo();
    EXPECT_EQ(text.characterCount() - 1, total);
    EXPECT_EQ(runLooks(text, 0, total), sourceBefore);
    EXPECT_EQ(selectionStart(), from);
    EXPECT_EQ(selectionEnd(), to);
}

TEST_F(TextClipboard, CutDeleteAndSelectAllActOnTheTextAndUndoOneStepEach)
{
    const GraphicPtr box = textBox(QRectF(20, 20, 260, 60), {{QStringLiteral("Hello world"), look(qmtest::testFont(12))}});
    f.editText(pointOfCharacter(box, 8));
    doubleClick(pointOfCharacter(box, 8));
    ASSERT_EQ(selectionEnd() - selectionStart(), 5);

    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(textOf(box), QStringLiteral("Hello "));
    EXPECT_EQ(clipboard()->text(), QStringLiteral("world"));
    EXPECT_EQ(canvas()->getRects().size(), 1);
    EXPECT_EQ(undoName(), QStringLiteral("Cut"));
    // Nothing is selected now: nothing to cut, copy or delete.
    EXPECT_FALSE(editItem(QStringLiteral("Cut"))->isEnabled());
    EXPECT_FALSE(editItem(QStringLiteral("Copy"))->isEnabled());
    EXPECT_FALSE(editItem(QStringLiteral("Delete"))->isEnabled());
    EXPECT_TRUE(editItem(QStringLiteral("Paste"))->isEnabled());
    EXPECT_FALSE(contextItem(QStringLiteral("Cut"))->isEnabled());
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(textOf(box), QStringLiteral("Hello world"));
    EXPECT_EQ(canvas()->getRects().size(), 1);
    EXPECT_EQ(canvas()->editedObject(), box);
    EXPECT_EQ(canvas()->undoManager()->redoActionName(), QStringLiteral("Cut"));

    // Select All takes the whole text; Delete from the menu deletes it, not the box.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    EXPECT_EQ(selectionStart(), 0);
    EXPECT_EQ(selectionEnd(), 11);
    EXPECT_EQ(canvas()->selectedObjects(), GraphicList{box});
    ASSERT_TRUE(editItem(QStringLiteral("Delete"))->isEnabled());
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Delete"));
    EXPECT_EQ(textOf(box), QString());
    EXPECT_EQ(canvas()->getRects().size(), 1);
    EXPECT_EQ(canvas()->editedObject(), box);
    EXPECT_FALSE(editItem(QStringLiteral("Select All"))->isEnabled());
    f.undo();
    EXPECT_EQ(textOf(box), QStringLiteral("Hello world"));

    // Outside text editing the commands are the objects' again.
    key(Qt::Key_Escape);
    ASSERT_EQ(canvas()->editedObject(), nullptr);
    f.click(box->frameBounds().center());
    ASSERT_EQ(canvas()->selectedObjects(), GraphicList{box});
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(clipboard()->mimeData()->hasFormat(RectsView::pasteboardType()));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(canvas()->getRects().size(), 2);
    EXPECT_EQ(undoName(), QStringLiteral("Paste"));
    EXPECT_EQ(textOf(canvas()->getRects().last()), QStringLiteral("Hello world"));
}

TEST_F(TextClipboard, TextFromAnotherProgramPastesPlainInTheLookAtTheInsertionPoint)
{
    const QTextCharFormat caret = look(QFontDatabase::font(QStringLiteral("URW Bookman"), QStringLiteral("Light"), 14),
                                       QColor(20, 40, 200));
    const GraphicPtr box = textBox(QRectF(20, 20, 260, 60), {{QStringLiteral("ab"), caret}});
    // A megabyte of text in lines ended as another system ends them, with stray control
    // characters, and HTML in another look that is not taken.
    QString text;
    for (int line = 0; text.size() < 1024 * 1024; ++line)
        text += QStringLiteral("line %1 of the pasted text,\u0007 in the look of the text\r\n").arg(line);
    auto *mime = new QMimeData;
    mime->setText(text);
    mime->setHtml(QStringLiteral("<b style=\"color:#00ff00;font-size:40pt\">other</b>"));
    clipboard()->setMimeData(mime);

    f.editText(pointOfCharacter(box, 0));
    key(Qt::Key_End, Qt::ControlModifier);
    ASSERT_EQ(selectionStart(), 2);
    ASSERT_TRUE(editItem(QStringLiteral("Paste"))->isEnabled());
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));

    QString expected = text;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    expected.remove(QChar(0x7));
    EXPECT_EQ(textOf(box), QStringLiteral("ab") + expected);
    EXPECT_EQ(canvas()->getRects().size(), 1);
    EXPECT_EQ(undoName(), QStringLiteral("Paste"));
    for (const int position : {2, 40, int(expected.size()) / 2, int(expected.size())}) {
        EXPECT_EQ(formatAt(box, position).font(), caret.font()) << position;
        EXPECT_EQ(formatAt(box, position).foreground().color(), caret.foreground().color()) << position;
    }
    f.undo();
    EXPECT_EQ(textOf(box), QStringLiteral("ab"));
    EXPECT_EQ(canvas()->undoManager()->redoActionName(), QStringLiteral("Paste"));
}

TEST_F(TextClipboard, NavigationKeysMoveByWordsLinesAndTheWholeText)
{
    const GraphicPtr box =
        textBox(QRectF(20, 20, 260, 60), {{QStringLiteral("alpha beta gamma\nsecond line"), look(qmtest::testFont(12))}});
    f.editText(pointOfCharacter(box, 2));
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(selectionStart(), 0);
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(selectionStart(), 6);
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selectionStart(), 6);
    EXPECT_EQ(selectionEnd(), 11);
    key(Qt::Key_End);
    EXPECT_EQ(selectionStart(), 16);
    EXPECT_EQ(selectionEnd(), 16);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(selectionStart(), 28);
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(selectionStart(), 24);
    key(Qt::Key_Home);
    EXPECT_EQ(selectionStart(), 17);
    key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selectionStart(), 17);
    EXPECT_EQ(selectionEnd(), 28);
    key(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selectionStart(), 0);
    EXPECT_EQ(selectionEnd(), 17);
    // The word before the insertion point goes with Ctrl+Backspace, as one typing step.
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(textOf(box), QStringLiteral("alpha beta gamma\nsecond "));
    EXPECT_EQ(canvas()->editedObject(), box);
    EXPECT_EQ(canvas()->getRects().size(), 1);
}

TEST_F(TextClipboard, TheTextPageShowsTheSizeAndColourAtTheInsertionPoint)
{
    const GraphicPtr box = textBox(QRectF(20, 20, 260, 60), {});
    auto *size = f.window->findChild<NumberField *>(QStringLiteral("tvTextSize"));
    auto *color = f.window->findChild<ColorWell *>(QStringLiteral("cwTextColor"));
    ASSERT_TRUE(size && color);
    f.editText(box->frameBounds().center());
    ASSERT_EQ(canvas()->editedObject(), box);
    EXPECT_EQ(size->text(), QString());

    // Typed text in a size and colour of its own: the page shows them after each key.
    QTextCharFormat big = look(qmtest::testFont(20), QColor(0, 128, 0));
    ObjectTextEditor::current()->setTypingAttributes(big);
    QTest::keyClicks(canvas(), QStringLiteral("Big"));
    apptest::settle();
    EXPECT_EQ(size->floatValue(), 20.0);
    EXPECT_EQ(color->color(), QColor(0, 128, 0));
    ObjectTextEditor::current()->setTypingAttributes(look(qmtest::testFont(10), Qt::red));
    QTest::keyClicks(canvas(), QStringLiteral("small"));
    apptest::settle();
    EXPECT_EQ(size->floatValue(), 10.0);
    EXPECT_EQ(color->color(), QColor(Qt::red));
    key(Qt::Key_Home);
    EXPECT_EQ(size->floatValue(), 20.0);
    // And after a click into the text.
    f.mouse(QEvent::MouseButtonPress, pointOfCharacter(box, 5));
    EXPECT_EQ(size->floatValue(), 10.0);
    EXPECT_EQ(color->color(), QColor(Qt::red));
    f.mouse(QEvent::MouseButtonRelease, pointOfCharacter(box, 5));
}

} // namespace
