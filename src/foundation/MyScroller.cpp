#include "foundation/MyScroller.h"

#include <QPainter>

#include "platform/Appearance.h"

namespace quillmark {

MyScroller::MyScroller(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent)
{
}

void MyScroller::paintEvent(QPaintEvent *event)
{
    QScrollBar::paintEvent(event);
    if (!isDarkAppearance())
        return;
    // Qt's scrollers paint an opaque track, so the wash goes over the drawing rather than
    // under it; the knob and track lighten alike and stand out from a dark window.
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.3f));
}

} // namespace quillmark
