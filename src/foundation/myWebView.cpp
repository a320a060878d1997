#include "foundation/myWebView.h"

#include <QPainter>
#include <QUrl>

namespace quillmark {

myWebView::myWebView(QWidget *parent)
    : QTextBrowser(parent)
{
    setOpenExternalLinks(false);
    setOpenLinks(true);
}

QRectF myWebView::frameRect() const
{
    return QRectF(viewport()->rect()).adjusted(50.5, 25.5, -50.5, -25.5);
}

QVariant myWebView::loadResource(int type, const QUrl &name)
{
    const QString scheme = name.scheme();
    if (!scheme.isEmpty() && scheme != QLatin1String("file") && scheme != QLatin1String("qrc"))
        return {};
    return QTextBrowser::loadResource(type, name);
}

void myWebView::paintEvent(QPaintEvent *event)
{
    QTextBrowser::paintEvent(event);
    QPainter painter(viewport());
    painter.setPen(QPen(Qt::gray, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frameRect());
}

} // namespace quillmark
