#pragma once
// The framed page view of the help and information panels: a local text browser (it shows
// files and resources only, never reaches the network) with a grey frame one point wide
// drawn inset 50 points from its left and right and 25 points from its top and bottom.
#include <QTextBrowser>

namespace quillmark {

class myWebView : public QTextBrowser
{
    Q_OBJECT
public:
    explicit myWebView(QWidget *parent = nullptr);

    // The frame's rectangle in the page area's coordinates.
    QRectF frameRect() const;

    // Only local files and resources are loaded; anything else gives nothing.
    QVariant loadResource(int type, const QUrl &name) override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace quillmark
