#pragma once
// A stepper: a pair of small arrow buttons that step a value up (upper half) or down (lower
// half) by its increment, between a lowest and a highest value, wrapping round or stopping
// at the ends. Held down it repeats. The value is shown elsewhere (a text field beside it).
#include <QWidget>

class QTimer;

namespace quillmark {

class Stepper : public QWidget
{
    Q_OBJECT
public:
    explicit Stepper(QWidget *parent = nullptr);

    double doubleValue() const { return m_value; }
    // Kept between the lowest and the highest value; no signal.
    void setDoubleValue(double value);
    double minValue() const { return m_min; }
    void setMinValue(double value);
    double maxValue() const { return m_max; }
    void setMaxValue(double value);
    double increment() const { return m_increment; }
    virtual void setIncrement(double increment);
    // Past an end the value wraps to the other end (YES) or stays at the end (NO).
    bool valueWraps() const { return m_wraps; }
    void setValueWraps(bool flag) { m_wraps = flag; }
    bool autorepeat() const { return m_autorepeat; }
    void setAutorepeat(bool flag) { m_autorepeat = flag; }

    // One step up (+1) or down (-1) by the increment, as a click does.
    void step(int direction);

    // The upper and lower halves, in the widget's coordinates.
    QRect upRect() const;
    QRect downRect() const;

    QSize sizeHint() const override;

signals:
    // The user stepped the value (once per step, also while repeating).
    void valueChanged(double value);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    double m_value = 0.0;
    double m_min = 0.0;
    double m_max = 59.0;
    double m_increment = 1.0;
    bool m_wraps = true;
    bool m_autorepeat = true;
    int m_pressed = 0;
    QTimer *m_repeat;
};

} // namespace quillmark
