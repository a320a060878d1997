#pragma once
// The model side of editing an object's text in place: one editor at a time, over the
// object's own document (shared with its linked boxes). It keeps the selection and makes
// every change through replaceText(), which registers the exact inverse with the canvas's
// undo manager, so typing joins the same undo stack as every other edit.
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocumentFragment>

#include <functional>
#include <memory>
#include <optional>

namespace quillmark {

class ColorRect;

class ObjectTextEditor
{
public:
    // The editor at work, or null.
    static ObjectTextEditor *current();
    // Ends any editor at work and begins editing the object's text with the insertion
    // point at the end.
    static ObjectTextEditor *begin(const std::shared_ptr<ColorRect> &object);
    // Ends the editor at work, if any.
    static void end();

    ColorRect *object() const { return m_object.get(); }

    int selectionStart() const { return m_cursor.selectionStart(); }
    int selectionEnd() const { return m_cursor.selectionEnd(); }
    void setSelection(int anchor, int position);
    void selectAll();
    const QTextCursor &cursor() const { return m_cursor; }

    // What text typed next looks like: the attributes of the first selected character, or at
    // the insertion point the character before it, unless a font or colour command gave
    // others since the selection last changed.
    QTextCharFormat typingAttributes() const;
    void setTypingAttributes(const QTextCharFormat &format);

    // Replaces the selection by text in the typing attributes.
    void insertText(const QString &text);
    // Replaces the selection by a piece of rich text (paste).
    void insertFragment(const QTextDocumentFragment &fragment);
    // Deletes the selection, or the character before (after) the insertion point.
    void deleteBackward();
    void deleteForward();
    // Deletes the selection, which the caller has taken as `selected` already (a Cut, for the
    // clipboard): the undo keeps that piece instead of a copy of its own.
    void deleteSelection(const QTextDocumentFragment &selected);

    // Replaces `length` characters at `start` of the object's text by the fragment and
    // registers the inverse; answers the length the fragment took. Also used by undo and
    // redo after the editor has ended.
    static int replaceText(ColorRect &object, int start, int length,
                           const QTextDocumentFragment &with);

    // The way back from one replacement: what its range held put back in place of what it
    // wrote.
    using Inverse = std::function<void(ColorRect &)>;
    // While a keeper is set, each replacement hands it that way back instead of registering
    // it: a burst of typing, one undo step over many keys, keeps what its keys replaced and
    // not a copy of the whole text. Null ends it.
    static void setInverseKeeper(std::function<void(Inverse)> keeper);

private:
    // The same, the new text written by `insert` at the cursor of the emptied range;
    // `replaced`, when given, is what the range holds.
    static int replaceRange(ColorRect &object, int start, int length,
                            const std::function<void(QTextCursor &)> &insert,
                            const QTextDocumentFragment *replaced = nullptr);
    explicit ObjectTextEditor(std::shared_ptr<ColorRect> object);
    ~ObjectTextEditor();
    void replaceSelection(const QTextDocumentFragment &with);
    // The attributes of the character at a document position.
    QTextCharFormat formatOfCharacter(int position) const;

    std::shared_ptr<ColorRect> m_object;
    QTextCursor m_cursor;
    // Set by a command while nothing is selected; forgotten when the selection moves.
    std::optional<QTextCharFormat> m_typingAttributes;

    static ObjectTextEditor *s_current;
};

} // namespace quillmark
