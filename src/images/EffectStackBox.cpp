#include "images/EffectStackBox.h"

#include <QPainter>

namespace quillmark {

EffectStackBox::EffectStackBox(QWidget *parent)
    : QWidget(parent)
{
}

void EffectStackBox::paintEvent(QPaintEvent *)
{
    if (findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(palette().color(QPalette::AlternateBase));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}

} // namespace quillmark
