#include "foundation/BorderView.h"

#include <QPainter>

namespace quillmark {

BorderView::BorderView(QWidget *parent)
    : QWidget(parent)
{
}

void BorderView::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace quillmark
