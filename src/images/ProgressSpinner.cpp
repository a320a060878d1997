#include "images/ProgressSpinner.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "platform/Pen.h"

namespace quillmark {

namespace {

constexpr int Spokes = 12;

} // namespace

ProgressSpinner::ProgressSpinner(QWidget *parent)
    : QWidget(parent)
    , m_timer(new QTimer(this))
{
    // Keeps its place while hidden, so the pop-up beside it does not jump.
    QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    policy.setRetainSizeWhenHidden(true);
    setSizePolicy(policy);
    m_timer->setInterval(80);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % Spokes;
        update();
    });
    hide();
}

void ProgressSpinner::setSpinning(bool spinning)
{
    if (spinning == isSpinning())
        return;
    if (spinning) {
        m_step = 0;
        m_timer->start();
        show();
    } else {
        m_timer->stop();
        hide();
    }
}

bool ProgressSpinner::isSpinning() const
{
    return m_timer->isActive();
}

void ProgressSpinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    const QColor ink = palette().color(QPalette::WindowText);
    for (int i = 0; i < Spokes; ++i) {
        // The spoke at the current step is darkest; the ones behind it fade out.
        const int age = (m_step - i + Spokes) % Spokes;
        QColor color = ink;
        color.setAlphaF(std::max(0.15, 1.0 - age / double(Spokes)));
        QPen pen = makePen(color, std::max(1.5, side / 9.0));
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        const double angle = 2.0 * M_PI * i / Spokes;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(direction * side * 0.22, direction * side * 0.45);
    }
}

} // namespace quillmark
