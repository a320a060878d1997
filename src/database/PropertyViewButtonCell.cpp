#include "database/PropertyViewButtonCell.h"

#include <QPainter>

namespace quillmark {

PropertyViewButtonCell::PropertyViewButtonCell(QWidget *parent)
    : QToolButton(parent)
{
}

void PropertyViewButtonCell::setFilter(bool filter)
{
    if (_filter == filter)
        return;
    _filter = filter;
    update();
}

void PropertyViewButtonCell::paintEvent(QPaintEvent *event)
{
    QToolButton::paintEvent(event);
    if (!_filter)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int grey = isChecked() ? 204 : 153;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(grey, grey, grey));
    painter.drawEllipse(QRectF(width() - 25, (height() - 8) / 2.0, 8, 8));
}

} // namespace quillmark
