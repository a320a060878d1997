// The Edit commands while a text is edited in place: the edited text is what holds the
// keyboard, so Cut, Copy, Paste, Delete and Select All act on its selection, as in any text
// editor, and the object commands wait until the editing ends.
#include "canvas/RectsView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QList>
#include <QSet>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "objects/ColorRect.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextArchive.h"
#include "objects/TextAttachmentHandler.h"

namespace quillmark {

namespace {

// Gives every run of a stretch of a text its whole font, `base` completing what the run does
// not set, so that the stretch keeps its look in a text of another default font, or in a
// program that knows nothing of this one's. One pass: a text of many runs holds few formats,
// each made whole once, and the text follows the change once.
void giveWholeFonts(QTextDocument &document, int from, int to, const QFont &base)
{
    struct Run
    {
        int start;
        int end;
        int formatIndex;
    };
    std::vector<Run> runs;
    // By format index: the whole format, or none when the format is whole already.
    QHash<int, std::optional<QTextCharFormat>> whole;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(from, fragment.position());
            const int end = std::min(to, fragment.position() + fragment.length());
            if (!fragment.isValid() || start >= end)
                continue;
            const int index = fragment.charFormatIndex();
            auto made = whole.constFind(index);
            if (made == whole.cend()) {
                const QTextCharFormat format = fragment.charFormat();
                // A run that sets no font property of its own resolves to the base without
                // any marked as set: the base's are marked so that the run takes them.
                QFont resolved = format.font().resolve(base);
                resolved.setResolveMask(format.font().resolveMask() | base.resolveMask());
                QTextCharFormat font;
                font.setFont(resolved, QTextCharFormat::FontPropertiesSpecifiedOnly);
                QTextCharFormat merged = format;
                merged.merge(font);
                made = whole.insert(index, merged == format ? std::nullopt : std::optional<QTextCharFormat>(merged));
            }
            if (*made)
                runs.push_back({start, end, index});
        }
    }
    if (runs.empty())
        return;
    // The document's own undo keeps nothing of the change (switched off only where it is on:
    // switching it off compacts the whole text).
    const bool undoable = document.isUndoRedoEnabled();
    if (undoable)
        document.setUndoRedoEnabled(false);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const Run &run : runs) {
        cursor.setPosition(run.start);
        cursor.setPosition(run.end, QTextCursor::KeepAnchor);
        cursor.setCharFormat(**whole.constFind(run.formatIndex));
    }
    cursor.endEditBlock();
    if (undoable)
        document.setUndoRedoEnabled(true);
}

// Text copied here: the part of the object's text as it was, which every Paste in this
// program takes as it is; the default font the part was seen in; and the text each merge-field
// chip in it showed. What other programs read (plain text and HTML, the chips spelt out, every
// run with its whole font) and the archived text are made only when they are asked for: a
// copy of a long text waits for none of them.
class TextPartMimeData : public QMimeData
{
public:
    TextPartMimeData(const ColorRect &object, int start, int length)
        : m_look(object.textStorage()->defaultFont())
    {
        QTextDocument *source = object.textStorage();
        QTextCursor cursor(source);
        const int last = std::max(0, source->characterCount() - 1);
        const int from = std::clamp(start, 0, last);
        const int to = std::clamp(start + length, 0, last);
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        m_part = cursor.selection();
        // The chips show the record and settings of now: each kind of chip (equal formats share
        // one index) is asked once, only the characters of object runs are read.
        QSet<int> asked;
        for (QTextBlock block = source->findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.isValid() || fragment.charFormat().objectType() == QTextFormat::NoObject
                    || asked.contains(fragment.charFormatIndex()))
                    continue;
                const QTextCharFormat format = fragment.charFormat();
                const QString text = fragment.text();
                for (int i = 0; i < text.size(); ++i) {
                    const int at = fragment.position() + i;
                    TextAttachmentHandler *handler = TextAttachmentHandler::handlerFor(text[i], format);
                    if (!handler || at < from || at >= to)
                        continue;
                    asked.insert(fragment.charFormatIndex());
                    m_chipTexts.append({format, handler->text(format, &object)});
                    break;
                }
            }
        }
    }

    const QTextDocumentFragment &part() const { return m_part; }
    const QFont &look() const { return m_look; }

    QStringList formats() const override
    {
        return {RectsView::textPasteboardType(), QStringLiteral("text/plain"), QStringLiteral("text/html")};
    }
    bool hasFormat(const QString &type) const override { return formats().contains(type); }

protected:
    QVariant retrieveData(const QString &type, QMetaType) const override
    {
        if (type == RectsView::textPasteboardType())
            return TextArchive::archive(whole());
        if (type == QLatin1String("text/plain"))
            return spelledOut().toPlainText();
        if (type == QLatin1String("text/html"))
            return spelledOut().toHtml();
        return {};
    }

private:
    const QString *chipText(const QTextCharFormat &format) const
    {
        for (const auto &[chip, text] : m_chipTexts)
            if (chip == format)
                return &text;
        return nullptr;
    }

    // The part on its own, every run carrying its whole font so that it keeps its look
    // wherever it goes.
    QTextDocument &whole() const
    {
        if (m_whole)
            return *m_whole;
        m_whole = std::make_unique<QTextDocument>();
        m_whole->setDefaultFont(m_look);
        m_whole->setUndoRedoEnabled(false);
        QTextCursor(m_whole.get()).insertFragment(m_part);
        // Where the chips are, and what each showed, read before the runs change.
        QHash<int, const QString *> shownBy;
        for (QTextBlock block = m_whole->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.isValid() || fragment.charFormat().objectType() == QTextFormat::NoObject)
                    continue;
                auto shown = shownBy.constFind(fragment.charFormatIndex());
                if (shown == shownBy.cend())
                    shown = shownBy.insert(fragment.charFormatIndex(), chipText(fragment.charFormat()));
                if (!*shown)
                    continue;
                const QString text = fragment.text();
                for (int i = 0; i < text.size(); ++i)
                    if (TextAttachmentHandler::handlerFor(text[i], fragment.charFormat()))
                        m_chipsAt.append({fragment.position() + i, **shown});
            }
        }
        giveWholeFonts(*m_whole, 0, std::max(0, m_whole->characterCount() - 1), m_look);
        return *m_whole;
    }

    // The same with each merge-field chip replaced by the text it showed, for programs that
    // know nothing of chips.
    QTextDocument &spelledOut() const
    {
        QTextDocument &part = whole();
        if (m_chipsAt.isEmpty())
            return part;
        if (m_spelled)
            return *m_spelled;
        m_spelled.reset(part.clone());
        m_spelled->setUndoRedoEnabled(false);
        QTextCursor cursor(m_spelled.get());
        cursor.beginEditBlock();
        for (auto chip = m_chipsAt.crbegin(); chip != m_chipsAt.crend(); ++chip) {
            cursor.setPosition(chip->first);
            cursor.setPosition(chip->first + 1, QTextCursor::KeepAnchor);
            cursor.insertText(chip->second, TextAttachmentHandler::withoutObject(cursor.charFormat()));
        }
        cursor.endEditBlock();
        return *m_spelled;
    }

    QTextDocumentFragment m_part;
    QFont m_look;
    QList<std::pair<QTextCharFormat, QString>> m_chipTexts;
    mutable std::unique_ptr<QTextDocument> m_whole;
    mutable std::unique_ptr<QTextDocument> m_spelled;
    mutable QList<std::pair<int, QString>> m_chipsAt;
};

// Text from another program: line ends made the text's own, control characters other than
// tabs and line ends left out.
QString pastedPlainText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.removeIf([](QChar c) {
        return (c.unicode() < 0x20 && c != QLatin1Char('\n') && c != QLatin1Char('\t')) || c.unicode() == 0x7F;
    });
    return text;
}

} // namespace

QString RectsView::textPasteboardType()
{
    return QStringLiteral("application/x-quillmark-text");
}

QMimeData *RectsView::mimeDataForText(const ColorRect &object, int start, int length)
{
    return new TextPartMimeData(object, start, length);
}

bool RectsView::clipboardHasText()
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    return mime && (mime->hasFormat(textPasteboardType()) || mime->hasText());
}

std::optional<bool> RectsView::validateTextCommand(TextCommand command) const
{
    const GraphicPtr graphic = editedObject();
    const ObjectTextEditor *editor = ObjectTextEditor::current();
    if (!graphic || !editor)
        return std::nullopt;
    switch (command) {
    case TextCommand::Cut:
    case TextCommand::Copy:
    case TextCommand::Delete:
        return editor->cursor().hasSelection();
    case TextCommand::Paste:
        return clipboardHasText();
    case TextCommand::SelectAll:
        return graphic->hasText();
    }
    return false;
}

bool RectsView::performTextCommand(TextCommand command)
{
    const GraphicPtr graphic = editedObject();
    ObjectTextEditor *editor = ObjectTextEditor::current();
    if (!graphic || !editor)
        return false;
    const int start = editor->selectionStart();
    const int length = editor->selectionEnd() - start;
    switch (command) {
    case TextCommand::Copy:
        if (length > 0)
            QGuiApplication::clipboard()->setMimeData(mimeDataForText(*graphic, start, length));
        break;
    case TextCommand::Cut: {
        if (length == 0)
            break;
        auto *mime = new TextPartMimeData(*graphic, start, length);
        // The piece for the clipboard is the piece the undo puts back: taken once.
        const QTextDocumentFragment part = mime->part();
        QGuiApplication::clipboard()->setMimeData(mime);
        typingEdit([editor, part] { editor->deleteSelection(part); }, QStringLiteral("Cut"));
        break;
    }
    case TextCommand::Delete:
        if (length > 0)
            typingEdit([editor] { editor->deleteBackward(); }, QStringLiteral("Delete"));
        break;
    case TextCommand::Paste: {
        const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
        if (!mime)
            break;
        // Text copied here keeps its look and its chips; text from elsewhere takes the look
        // of the text it goes into.
        QTextDocument rich;
        if (const auto *copied = dynamic_cast<const TextPartMimeData *>(mime)) {
            if (!copied->part().isEmpty()) {
                const QTextDocumentFragment part = copied->part();
                const QFont look = copied->look();
                typingEdit(
                    [editor, part, look] {
                        const int from = editor->selectionStart();
                        editor->insertFragment(part);
                        giveWholeFonts(*editor->object()->textStorage(), from, editor->cursor().position(), look);
                    },
                    QStringLiteral("Paste"));
            }
        } else if (mime->hasFormat(textPasteboardType())
            && TextArchive::unarchive(mime->data(textPasteboardType()), rich) && !rich.isEmpty()) {
            const QTextDocumentFragment fragment(&rich);
            typingEdit([editor, fragment] { editor->insertFragment(fragment); }, QStringLiteral("Paste"));
        } else if (mime->hasText()) {
            const QString text = pastedPlainText(mime->text());
            if (!text.isEmpty())
                typingEdit([editor, text] { editor->insertText(text); }, QStringLiteral("Paste"));
        }
        break;
    }
    case TextCommand::SelectAll:
        endTypingBurst();
        editor->selectAll();
        invalidateEditedText(graphic);
        break;
    }
    // The font and colour shown are those where the insertion point now is.
    changeFont();
    return true;
}

} // namespace quillmark
