#pragma once
// The name panel: a message, a field for the name and OK and Cancel. OK is the default button
// and is enabled exactly while the field is not empty. Saving a design as a template asks for
// the template's name with it; the field keeps the name of the template applied last as the
// proposal for the next save.
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillmark {

class SaveTemplate : public QDialog
{
    Q_OBJECT
public:
    explicit SaveTemplate(QWidget *parent = nullptr);

    // The typed text.
    QString templateTitle() const;
    // Puts a text into the field and enables OK when it is not empty; null is ignored.
    void setTempTitle(const QString &title);
    QString message() const;
    // Null is ignored.
    void setMessage(const QString &message);

    QLineEdit *titleField() const { return m_title; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

    // Runs the panel window-modal over `parent` (through the installed prompts, which tests
    // answer); answers the tag of the button that ended it, 1 for OK.
    int runModal(QWidget *parent);

private:
    void controlTextDidChange();
    void buttonPressed(int tag);

    QLabel *m_message;
    QLineEdit *m_title;
    QPushButton *m_ok;
    QPushButton *m_cancel;
};

} // namespace quillmark
