#include "platform/WheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPointer>
#include <QScrollBar>

namespace quillmark {

namespace {

// The controls whose value a wheel turn changes; a scroll bar is the panel's own.
bool takesWheelForValue(const QWidget *widget)
{
    if (qobject_cast<const QComboBox *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget))
        return true;
    return qobject_cast<const QAbstractSlider *>(widget) && !qobject_cast<const QScrollBar *>(widget);
}

bool insideScrollingPanel(const QWidget *widget)
{
    for (const QWidget *up = widget->parentWidget(); up; up = up->parentWidget()) {
        if (const auto *area = qobject_cast<const QAbstractScrollArea *>(up))
            if (area->viewport() && area->viewport()->isAncestorOf(widget))
                return true;
        if (up->isWindow())
            break;
    }
    return false;
}

// A turn over a control must not give it the focus either, or the next turn would change it.
void takeNoFocusFromWheel(QWidget *widget)
{
    if ((widget->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus)
        widget->setFocusPolicy(Qt::StrongFocus);
}

} // namespace

void WheelGuard::install()
{
    static QPointer<WheelGuard> installed;
    if (installed || !qApp)
        return;
    installed = new WheelGuard(qApp);
    qApp->installEventFilter(installed);
    // Controls made before now.
    for (QWidget *widget : QApplication::allWidgets())
        if (takesWheelForValue(widget))
            takeNoFocusFromWheel(widget);
}

bool WheelGuard::passesWheelOn(const QWidget *widget)
{
    return widget && takesWheelForValue(widget) && !widget->hasFocus() && insideScrollingPanel(widget);
}

bool WheelGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel && event->type() != QEvent::Polish)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || !takesWheelForValue(widget))
        return false;
    takeNoFocusFromWheel(widget);
    if (event->type() == QEvent::Wheel && passesWheelOn(widget)) {
        // Ignored, the turn goes on to the control's parents and so reaches the panel.
        event->ignore();
        return true;
    }
    return false;
}

} // namespace quillmark
