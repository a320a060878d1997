#include "platform/Stepper.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace quillmark {

namespace {
constexpr int FirstRepeatDelay = 400;
constexpr int RepeatInterval = 60;
}

Stepper::Stepper(QWidget *parent)
    : QWidget(parent)
    , m_repeat(new QTimer(this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_repeat, &QTimer::timeout, this, [this] {
        m_repeat->setInterval(RepeatInterval);
        if (m_pressed != 0)
            step(m_pressed);
    });
}

void Stepper::setDoubleValue(double value)
{
    if (!std::isfinite(value))
        return;
    m_value = std::clamp(value, m_min, std::max(m_min, m_max));
    update();
}

void Stepper::setMinValue(double value)
{
    if (!std::isfinite(value))
        return;
    m_min = value;
    setDoubleValue(m_value);
}

void Stepper::setMaxValue(double value)
{
    if (!std::isfinite(value))
        return;
    m_max = value;
    setDoubleValue(m_value);
}

void Stepper::setIncrement(double increment)
{
    if (std::isfinite(increment) && increment > 0.0)
        m_increment = increment;
}

void Stepper::step(int direction)
{
    double value = m_value + (direction > 0 ? m_increment : -m_increment);
    // A step that ends a hair past an end (0.1 added ten times) still counts as the end.
    const double slack = m_increment * 1e-9;
    if (value > m_max + slack)
        value = m_wraps ? m_min : m_max;
    else if (value < m_min - slack)
        value = m_wraps ? m_max : m_min;
    value = std::clamp(value, m_min, std::max(m_min, m_max));
    m_value = value;
    update();
    emit valueChanged(m_value);
}

QRect Stepper::upRect() const
{
    return QRect(0, 0, width(), height() / 2);
}

QRect Stepper::downRect() const
{
    return QRect(0, height() / 2, width(), height() - height() / 2);
}

QSize Stepper::sizeHint() const
{
    return QSize(15, 22);
}

void Stepper::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const auto drawHalf = [&](const QRect &rect, QStyle::PrimitiveElement arrow, bool down) {
        QStyleOption option;
        option.initFrom(this);
        option.rect = rect;
        if (down)
            option.state |= QStyle::State_Sunken;
        else
            option.state |= QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);
        option.rect = rect.adjusted(3, 2, -3, -2);
        style()->drawPrimitive(arrow, &option, &painter, this);
    };
    drawHalf(upRect(), QStyle::PE_IndicatorArrowUp, m_pressed > 0);
    drawHalf(downRect(), QStyle::PE_IndicatorArrowDown, m_pressed < 0);
}

void Stepper::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = upRect().contains(event->position().toPoint()) ? 1 : -1;
    step(m_pressed);
    if (m_autorepeat) {
        m_repeat->setInterval(FirstRepeatDelay);
        m_repeat->start();
    }
    event->accept();
}

void Stepper::mouseReleaseEvent(QMouseEvent *event)
{
    m_repeat->stop();
    m_pressed = 0;
    update();
    QWidget::mouseReleaseEvent(event);
}

} // namespace quillmark
