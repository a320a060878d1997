#pragma once
#include <QCursor>
#include <QLabel>

namespace quillmark {

// One line of text that is a link: the address without its scheme, centred, yellow and
// underlined; a click opens the address through the workspace. The pointing hand shows over it.
class LinkTextView : public QLabel
{
    Q_OBJECT
public:
    explicit LinkTextView(QWidget *parent = nullptr);

    static QCursor fingerCursor();
    // Shows `address`; an address that does not form a link stays plain text.
    void createLink(const QString &address);
    QString address() const { return m_address; }
    bool isLink() const { return m_isLink; }
    // The shown text: everything after "//" (the whole address when it has none).
    static QString displayText(const QString &address);

private:
    QString m_address;
    bool m_isLink = false;
};

} // namespace quillmark
