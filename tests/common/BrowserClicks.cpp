#include "common/BrowserClicks.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include "images/ImageBrowserPanel.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"

namespace qmtest {

quillmark::listImageViewItem *firstImageTile(QWidget *window)
{
    auto *panel = window->findChild<quillmark::ImageBrowserPanel *>();
    if (!panel || !panel->imageListView()->waitForThumbnails(20000))
        return nullptr;
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
    const QList<quillmark::listImageViewItem *> &tiles = panel->imageListView()->tiles();
    return tiles.isEmpty() ? nullptr : tiles.first();
}

void sendMouse(QWidget *widget, QEvent::Type type)
{
    const QPointF at = QRectF(widget->rect()).center();
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace qmtest
