// The Edit commands while a text is edited in place: the edited text is what holds the
// keyboard, so Cut, Copy, Paste, Delete and Select All act on its selection, as in any text
// editor, and the object commands wait until the editing ends.
#include "canvas/RectsView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>

#include "objects/ColorRect.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextArchive.h"
#include "objects/TextAttachmentHandler.h"

namespace quillmark {

namespace {

// A part of an object's text on its own, every run carrying its whole font so that it keeps
// its look wherever it goes.
void copyTextPart(const ColorRect &object, int start, int length, QTextDocument &into)
{
    QTextDocument *source = object.textStorage();
    into.setDefaultFont(source->defaultFont());
    QTextCursor cursor(source);
    const int last = std::max(0, source->characterCount() - 1);
    cursor.setPosition(std::clamp(start, 0, last));
    cursor.setPosition(std::clamp(start + length, 0, last), QTextCursor::KeepAnchor);
    QTextCursor(&into).insertFragment(cursor.selection());

    QTextCursor runs(&into);
    for (QTextBlock block = into.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QTextCharFormat format;
            format.setFont(fragment.charFormat().font().resolve(source->defaultFont()),
                           QTextCharFormat::FontPropertiesSpecifiedOnly);
            runs.setPosition(fragment.position());
            runs.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            runs.mergeCharFormat(format);
        }
    }
}

// The same text with each merge-field chip replaced by the text it shows, for programs that
// know nothing of chips.
void spellOutChips(QTextDocument &document, const ColorRect &object)
{
    struct Chip
    {
        int position;
        QString text;
        QTextCharFormat format;
    };
    QList<Chip> chips;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString text = fragment.text();
            for (int i = 0; i < text.size(); ++i) {
                if (TextAttachmentHandler *handler = TextAttachmentHandler::handlerFor(text[i], fragment.charFormat()))
                    chips.append({fragment.position() + i, handler->text(fragment.charFormat(), &object),
                                  TextAttachmentHandler::withoutObject(fragment.charFormat())});
            }
        }
    }
    QTextCursor cursor(&document);
    for (auto chip = chips.crbegin(); chip != chips.crend(); ++chip) {
        cursor.setPosition(chip->position);
        cursor.setPosition(chip->position + 1, QTextCursor::KeepAnchor);
        cursor.insertText(chip->text, chip->format);
    }
}

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
    QTextDocument part;
    copyTextPart(object, start, length, part);
    auto *mime = new QMimeData;
    mime->setData(textPasteboardType(), TextArchive::archive(part));
    spellOutChips(part, object);
    mime->setText(part.toPlainText());
    mime->setHtml(part.toHtml());
    return mime;
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
    case TextCommand::Cut:
        if (length == 0)
            break;
        QGuiApplication::clipboard()->setMimeData(mimeDataForText(*graphic, start, length));
        typingEdit([editor] { editor->deleteBackward(); }, QStringLiteral("Cut"));
        break;
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
        if (mime->hasFormat(textPasteboardType())
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
