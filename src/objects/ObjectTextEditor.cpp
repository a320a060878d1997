#include "objects/ObjectTextEditor.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "objects/TextAttachmentHandler.h"
#include "platform/UndoManager.h"

namespace quillmark {

ObjectTextEditor *ObjectTextEditor::s_current = nullptr;

namespace {

std::function<void(ObjectTextEditor::Inverse)> s_inverseKeeper;

} // namespace

void ObjectTextEditor::setInverseKeeper(std::function<void(Inverse)> keeper)
{
    s_inverseKeeper = std::move(keeper);
}

ObjectTextEditor::ObjectTextEditor(std::shared_ptr<ColorRect> object)
    : m_object(std::move(object))
    , m_cursor(m_object->textStorage())
{
    m_cursor.movePosition(QTextCursor::End);
    m_object->setEditable(true);
}

ObjectTextEditor::~ObjectTextEditor()
{
    m_object->setEditable(false);
}

ObjectTextEditor *ObjectTextEditor::current()
{
    return s_current;
}

ObjectTextEditor *ObjectTextEditor::begin(const std::shared_ptr<ColorRect> &object)
{
    end();
    if (!object)
        return nullptr;
    s_current = new ObjectTextEditor(object);
    return s_current;
}

void ObjectTextEditor::end()
{
    delete s_current;
    s_current = nullptr;
}

void ObjectTextEditor::setSelection(int anchor, int position)
{
    m_typingAttributes.reset();
    const int last = std::max(0, m_cursor.document()->characterCount() - 1);
    m_cursor.setPosition(std::clamp(anchor, 0, last));
    m_cursor.setPosition(std::clamp(position, 0, last), QTextCursor::KeepAnchor);
}

void ObjectTextEditor::selectAll()
{
    m_typingAttributes.reset();
    m_cursor.select(QTextCursor::Document);
}

QTextCharFormat ObjectTextEditor::typingAttributes() const
{
    if (m_typingAttributes)
        return *m_typingAttributes;
    // Text typed over a selection takes the look of its first character, as text editors
    // do; an insertion point takes the character before it. Text typed behind a merge-field
    // chip takes its attributes, not the chip itself.
    if (m_cursor.hasSelection())
        return TextAttachmentHandler::withoutObject(formatOfCharacter(m_cursor.selectionStart()));
    return TextAttachmentHandler::withoutObject(m_cursor.charFormat());
}

QTextCharFormat ObjectTextEditor::formatOfCharacter(int position) const
{
    const QTextDocument *document = m_cursor.document();
    QTextBlock block = document->findBlock(position);
    // A selection that begins with a paragraph break looks like the paragraph after it.
    if (block.isValid() && position >= block.position() + block.length() - 1 && block.next().isValid()) {
        block = block.next();
        position = block.position();
    }
    if (!block.isValid())
        return m_cursor.charFormat();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.isValid() && position >= fragment.position()
            && position < fragment.position() + fragment.length())
            return fragment.charFormat();
    }
    // An empty paragraph: what its own break is set in.
    return block.charFormat();
}

void ObjectTextEditor::setTypingAttributes(const QTextCharFormat &format)
{
    m_typingAttributes = TextAttachmentHandler::withoutObject(format);
}

void ObjectTextEditor::insertText(const QString &text)
{
    // Typed text takes the attributes at the insertion point, as a text view types. It is
    // written straight into the object's text: line ends become paragraphs in the look of
    // the paragraph typed into, in one pass however long the text (a megabyte pasted from
    // another program must not go through a copy of itself first).
    QString typed = text;
    typed.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    typed.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QTextCharFormat format = typingAttributes();
    m_typingAttributes.reset();
    const int start = m_cursor.selectionStart();
    const int length = m_cursor.selectionEnd() - start;
    const int inserted = replaceRange(*m_object, start, length, [&](QTextCursor &cursor) {
        if (!typed.isEmpty())
            cursor.insertText(typed, format);
    });
    m_cursor.setPosition(start + inserted);
    if (m_object->mainView())
        m_object->invalidate();
}

void ObjectTextEditor::insertFragment(const QTextDocumentFragment &fragment)
{
    replaceSelection(fragment);
}

void ObjectTextEditor::deleteBackward()
{
    if (!m_cursor.hasSelection()) {
        if (m_cursor.position() == 0)
            return;
        m_cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
    }
    replaceSelection(QTextDocumentFragment());
}

void ObjectTextEditor::deleteForward()
{
    if (!m_cursor.hasSelection()) {
        if (m_cursor.atEnd())
            return;
        m_cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    }
    replaceSelection(QTextDocumentFragment());
}

void ObjectTextEditor::deleteSelection(const QTextDocumentFragment &selected)
{
    if (!m_cursor.hasSelection())
        return;
    m_typingAttributes.reset();
    const int start = m_cursor.selectionStart();
    const int length = m_cursor.selectionEnd() - start;
    replaceRange(*m_object, start, length, [](QTextCursor &) {}, &selected);
    m_cursor.setPosition(start);
    if (m_object->mainView())
        m_object->invalidate();
}

void ObjectTextEditor::replaceSelection(const QTextDocumentFragment &with)
{
    // The text typed or taken away now carries the attributes from here on.
    m_typingAttributes.reset();
    const int start = m_cursor.selectionStart();
    const int length = m_cursor.selectionEnd() - start;
    const int inserted = replaceText(*m_object, start, length, with);
    m_cursor.setPosition(start + inserted);
    if (m_object->mainView())
        m_object->invalidate();
}

int ObjectTextEditor::replaceText(ColorRect &object, int start, int length,
                                  const QTextDocumentFragment &with)
{
    return replaceRange(object, start, length, [&](QTextCursor &cursor) {
        if (!with.isEmpty())
            cursor.insertFragment(with);
    });
}

int ObjectTextEditor::replaceRange(ColorRect &object, int start, int length,
                                   const std::function<void(QTextCursor &)> &insert,
                                   const QTextDocumentFragment *replaced)
{
    QTextDocument *document = object.textStorage();
    const int last = std::max(0, document->characterCount() - 1);
    start = std::clamp(start, 0, last);
    length = std::clamp(length, 0, last - start);

    QTextCursor cursor(document);
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    // Inside an edit that registers its own step (a burst of typing or deleting) nothing is
    // registered here: the text replaced is not copied for an undo that will not be kept.
    UndoManager *manager = object.undoManager();
    const bool keeping = static_cast<bool>(s_inverseKeeper);
    const bool registering = !keeping && manager && manager->isUndoRegistrationEnabled();
    QTextDocumentFragment old;
    if ((registering || keeping) && length > 0)
        old = replaced ? *replaced : cursor.selection();
    const int before = document->characterCount();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    insert(cursor);
    cursor.endEditBlock();
    const int inserted = std::max(0, document->characterCount() - before + length);

    Inverse inverse = [start, inserted, old](ColorRect &target) { replaceText(target, start, inserted, old); };
    if (keeping) {
        s_inverseKeeper(std::move(inverse));
    } else if (registering) {
        object.registerUndo(std::move(inverse));
        object.setActionName(Language::stringForKey("Typing"));
    }
    return inserted;
}

} // namespace quillmark
