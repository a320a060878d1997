#pragma once
// A slider over a range of real numbers, as the effect controls need: it keeps the exact value
// it was given (QSlider only knows whole steps), clamps it to its range, and tells its owner
// only of the user's moves, never of values set from code.
#include <QSlider>

#include <functional>

namespace quillmark {

class EffectSlider : public QSlider
{
public:
    explicit EffectSlider(Qt::Orientation orientation = Qt::Horizontal, QWidget *parent = nullptr);

    // A range that is not a number, or inverted, becomes 0 to 1.
    void setDoubleRange(double minimum, double maximum);
    double minValue() const { return m_minimum; }
    double maxValue() const { return m_maximum; }

    double doubleValue() const { return m_value; }
    // Clamped to the range; no action.
    void setDoubleValue(double value);

    // Runs after the user moved the slider.
    std::function<void()> action;

    // Positions of the thumb across the range.
    static constexpr int Steps = 100000;

private:
    void userMoved(int position);

    double m_minimum = 0;
    double m_maximum = 1;
    double m_value = 0;
    bool m_setting = false;
};

} // namespace quillmark
