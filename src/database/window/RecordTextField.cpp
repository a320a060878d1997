#include "database/window/RecordTextField.h"

#include "foundation/Language.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QTextDocument>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QVBoxLayout>

#include <limits>

namespace quillmark {

namespace {

// The start of a long value, on one line.
QString preview(const QString &value)
{
    constexpr int shown = 200;
    QString line = value.left(shown + 1);
    const qsizetype end = line.indexOf(QRegularExpression(QStringLiteral("[\\r\\n\\x{2028}\\x{2029}]")));
    bool cut = value.size() > shown;
    if (end >= 0) {
        line.truncate(end);
        cut = true;
    } else {
        line.truncate(shown);
    }
    return cut ? line + QChar(0x2026) : line;
}

} // namespace

bool RecordTextField::isLongText(const QString &text)
{
    if (text.size() > LongTextLength)
        return true;
    for (const QChar c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0x2028) || c == QChar(0x2029))
            return true;
    return false;
}

RecordTextField::RecordTextField(QWidget *parent)
    : QLineEdit(parent)
{
    // What the user types or pastes is never cut at a length.
    setMaxLength(std::numeric_limits<int>::max());
    _editorAction = addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView), QLineEdit::TrailingPosition);
    _editorAction->setToolTip(translated(QStringLiteral("Edit Long Text")));
    _editorAction->setVisible(false);
    connect(_editorAction, &QAction::triggered, this, [this] { openEditor(); });
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (!_long)
            _value = text;
    });
}

void RecordTextField::setValue(const QString &value)
{
    _value = value;
    _long = isLongText(value);
    applyMode();
}

QString RecordTextField::value() const
{
    return _long ? _value : text();
}

void RecordTextField::setWritable(bool writable)
{
    _writable = writable;
    applyMode();
}

void RecordTextField::applyMode()
{
    setReadOnly(_long || !_writable);
    setText(_long ? preview(_value) : _value);
    setCursorPosition(0);
    _editorAction->setVisible(_long);
}

QDialog *RecordTextField::openEditor()
{
    if (_editor) {
        _editor->raise();
        return _editor;
    }
    auto *dialog = new QDialog(window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(toolTip());
    dialog->setObjectName(QStringLiteral("RecordTextEditor"));
    auto *layout = new QVBoxLayout(dialog);
    auto *text = new QPlainTextEdit(dialog);
    text->setPlainText(value());
    text->setReadOnly(!_writable);
    layout->addWidget(text);
    auto *buttons = new QDialogButtonBox(dialog);
    if (_writable) {
        buttons->addButton(translated(QStringLiteral("OK")), QDialogButtonBox::AcceptRole);
        buttons->addButton(translated(QStringLiteral("Cancel")), QDialogButtonBox::RejectRole);
    } else {
        buttons->addButton(translated(QStringLiteral("OK")), QDialogButtonBox::RejectRole);
    }
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(dialog, &QDialog::accepted, this, [this, text] {
        // The editor writes every line break as "\n": an untouched value keeps its own.
        if (!text->document()->isModified())
            return;
        setValue(text->toPlainText());
        emit valueEdited();
    });
    dialog->resize(560, 420);
    dialog->setWindowModality(Qt::WindowModal);
    _editor = dialog;
    dialog->open();
    return dialog;
}

void RecordTextField::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (_long) {
        openEditor();
        return;
    }
    QLineEdit::mouseDoubleClickEvent(event);
}

} // namespace quillmark
