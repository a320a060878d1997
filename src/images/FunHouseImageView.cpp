#include "images/FunHouseImageView.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace quillmark {

FunHouseImageView::FunHouseImageView(QWidget *parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
}

void FunHouseImageView::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void FunHouseImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF well = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.fillRect(well, palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(well);
    if (m_image.isNull())
        return;
    // Scaled down to fit, keeping its proportions; never enlarged.
    const QRectF inner = QRectF(rect()).adjusted(3, 3, -3, -3);
    QSizeF size = m_image.size();
    if (size.width() > inner.width() || size.height() > inner.height())
        size.scale(inner.size(), Qt::KeepAspectRatio);
    const QRectF target(inner.center() - QPointF(size.width() / 2, size.height() / 2), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_image);
}

void FunHouseImageView::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls() || event->mimeData()->hasImage())
        event->acceptProposedAction();
}

void FunHouseImageView::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls() || event->mimeData()->hasImage())
        event->acceptProposedAction();
}

void FunHouseImageView::dropEvent(QDropEvent *event)
{
    m_filePath.clear();
    const QMimeData *mime = event->mimeData();
    QImage dropped;
    if (mime->hasUrls()) {
        const QList<QUrl> urls = mime->urls();
        if (!urls.isEmpty() && urls.first().isLocalFile())
            m_filePath = urls.first().toLocalFile();
    }
    // A file is read by the well's action, away from the window's thread: reading it here could
    // hold up the window for as long as the file takes (a large picture, a FIFO).
    if (m_filePath.isEmpty() && mime->hasImage())
        dropped = qvariant_cast<QImage>(mime->imageData());
    if (!dropped.isNull())
        setImage(dropped);
    event->acceptProposedAction();
    if (action)
        action();
}

void FunHouseImageView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_filePath.isEmpty()) {
        QWidget::mousePressEvent(event);
        return;
    }
    auto *mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(m_filePath)});
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    const QIcon icon = QFileIconProvider().icon(QFileInfo(m_filePath));
    drag->setPixmap(icon.pixmap(32, 32));
    drag->setHotSpot(QPoint(16, 16));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

} // namespace quillmark
