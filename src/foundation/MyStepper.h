#pragma once
// The stepper of the inspector, the print options and the stock editors: it keeps the base
// step it is given, and a click steps by ten times that with Command held or by a tenth of it
// with Option held (Option wins when both are). The step of a click stays in force until the
// next click sets it again; increment() answers it, baseIncrement() the base.
#include "platform/Stepper.h"

namespace quillmark {

class MyStepper : public Stepper
{
    Q_OBJECT
public:
    explicit MyStepper(QWidget *parent = nullptr);

    // Sets the base step and the step in force.
    void setIncrement(double increment) override;
    float baseIncrement() const { return _increment; }

    // The step a click with these modifier flags (the design's bits) takes.
    double stepForModifiers(unsigned modifierFlags) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    float _increment = 1.0f;
};

} // namespace quillmark
