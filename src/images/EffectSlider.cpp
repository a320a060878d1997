#include "images/EffectSlider.h"

#include <cmath>

namespace quillmark {

EffectSlider::EffectSlider(Qt::Orientation orientation, QWidget *parent)
    : QSlider(orientation, parent)
{
    QSlider::setRange(0, Steps);
    setSingleStep(Steps / 100);
    setPageStep(Steps / 10);
    connect(this, &QSlider::valueChanged, this, [this](int position) { userMoved(position); });
}

void EffectSlider::setDoubleRange(double minimum, double maximum)
{
    if (!std::isfinite(minimum) || !std::isfinite(maximum) || maximum < minimum) {
        minimum = 0;
        maximum = 1;
    }
    m_minimum = minimum;
    m_maximum = maximum;
    setDoubleValue(m_value);
}

void EffectSlider::setDoubleValue(double value)
{
    if (std::isnan(value))
        value = m_minimum;
    m_value = qBound(m_minimum, value, m_maximum);
    const double span = m_maximum - m_minimum;
    const int position = span > 0 ? int(std::lround((m_value - m_minimum) / span * Steps)) : 0;
    m_setting = true;
    setValue(position);
    m_setting = false;
}

void EffectSlider::userMoved(int position)
{
    if (m_setting)
        return;
    m_value = m_minimum + (m_maximum - m_minimum) * double(position) / Steps;
    if (action)
        action();
}

} // namespace quillmark
