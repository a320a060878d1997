#include "database/CImageView.h"

#include <QImage>
#include <QPainter>

namespace quillmark {

CImageView::CImageView(QWidget *parent)
    : QWidget(parent)
{
}

void CImageView::setData(const QByteArray &data)
{
    _data = data;
    _image = QImage();
    if (!data.isEmpty())
        _image.loadFromData(data);
    update();
}

void CImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(frame, palette().base());
    painter.setPen(palette().mid().color());
    painter.drawRect(frame);
    if (_image.isNull())
        return;
    const QSize size = _image.size().scaled(frame.size() - QSize(4, 4), Qt::KeepAspectRatio);
    const QRect target(frame.center() - QPoint(size.width() / 2, size.height() / 2), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, _image);
}

} // namespace quillmark
