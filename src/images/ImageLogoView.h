#pragma once
// The image service's mark beside the web search field: a small magnifier and the service's
// host name. A click opens the service's home page in the user's web browser; the pointer
// turns into a pointing hand over it.
#include <QUrl>
#include <QWidget>

namespace quillmark {

class ImageLogoView : public QWidget
{
    Q_OBJECT
public:
    explicit ImageLogoView(QWidget *parent = nullptr);

    // The page a click opens; an invalid address hides the view.
    void setHomePage(const QUrl &page);
    QUrl homePage() const { return m_homePage; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QUrl m_homePage;
    bool m_pressed = false;
};

} // namespace quillmark
