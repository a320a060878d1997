#pragma once
// The program's own help window: the shipped manual in a text browser, for machines where no
// other program takes the page. Its links work inside the window; a link to the web goes to
// the browser, and where there is none its address is shown.
#include <QWidget>

class QTextBrowser;
class QUrl;

namespace quillmark {

class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    // Shows `page` in the help window of `owner`, made on first use and raised afterwards.
    static HelpWindow *showPage(QWidget *owner, const QString &page);

    QTextBrowser *browser() const { return m_browser; }

private:
    explicit HelpWindow(QWidget *owner);
    void follow(const QUrl &link);
    void retitle();

    QTextBrowser *m_browser;
};

} // namespace quillmark
