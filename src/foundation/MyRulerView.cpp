#include "foundation/MyRulerView.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

namespace quillmark {

MyRulerView::MyRulerView(Orientation orientation, QWidget *parent)
    : RulerView(orientation, parent)
{
}

QWidget *MyRulerView::taggedControl() const
{
    for (QObject *child : children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (widget && widget->property("tag").toInt() == 1)
            return widget;
    }
    return nullptr;
}

void MyRulerView::paintEvent(QPaintEvent *event)
{
    if (!taggedControl()) {
        RulerView::paintEvent(event);
        return;
    }
    // The whole ruler is erased and drawn, not only the part asked for, so that nothing of
    // an earlier scroll position is left beside the control.
    QPainter painter(this);
    drawRuler(&painter, QRectF(rect()));
}

QColor MyRulerView::backgroundColor() const
{
    return taggedControl() ? QColor(Qt::white) : RulerView::backgroundColor();
}

bool MyRulerView::eventFilter(QObject *watched, QEvent *event)
{
    const bool handled = RulerView::eventFilter(watched, event);
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        if (QWidget *control = taggedControl())
            control->update();
    return handled;
}

} // namespace quillmark
