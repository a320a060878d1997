#pragma once
// A text field of the record form. A short one-line value is edited in place. A long value
// (or one with line breaks) would be cut or flattened by a one-line field, so the field shows
// the start of it, read-only, and edits the whole value in a multi-line editor opened from the
// field's button or by a double click. The value itself is never shortened.
#include <QLineEdit>
#include <QPointer>

class QAction;
class QDialog;

namespace quillmark {

class RecordTextField : public QLineEdit
{
    Q_OBJECT
public:
    // Values longer than this, or with a line break, go to the multi-line editor.
    static constexpr int LongTextLength = 2000;
    static bool isLongText(const QString &text);

    explicit RecordTextField(QWidget *parent = nullptr);

    // Shows a value as loaded: no edit signal.
    void setValue(const QString &value);
    // The whole value, as typed or as edited in the multi-line editor.
    QString value() const;
    bool showsLongValue() const { return _long; }

    // False while the database cannot be written: the value can be read and copied only.
    void setWritable(bool writable);
    bool isWritable() const { return _writable; }

    // Opens the multi-line editor over the form (window-modal; returns at once). Accepting it
    // takes its text as the field's value and emits valueEdited.
    QDialog *openEditor();
    QDialog *editor() const { return _editor; }
    QAction *editorAction() const { return _editorAction; }

signals:
    void valueEdited();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void applyMode();

    QString _value;
    bool _long = false;
    bool _writable = true;
    QAction *_editorAction;
    QPointer<QDialog> _editor;
};

} // namespace quillmark
