#include "foundation/MyStepper.h"

#include <QMouseEvent>

#include "platform/Modifiers.h"

namespace quillmark {

MyStepper::MyStepper(QWidget *parent)
    : Stepper(parent)
    , _increment(float(increment()))
{
}

void MyStepper::setIncrement(double increment)
{
    if (!(increment > 0.0))
        return;
    _increment = float(increment);
    Stepper::setIncrement(increment);
}

double MyStepper::stepForModifiers(unsigned modifierFlags) const
{
    double step = _increment;
    if (modifierFlags & AlternateKeyMask)
        step = _increment / 10.0;
    else if (modifierFlags & CommandKeyMask)
        step = _increment * 10.0;
    return step;
}

void MyStepper::mousePressEvent(QMouseEvent *event)
{
    Stepper::setIncrement(stepForModifiers(modifierFlags(event->modifiers())));
    Stepper::mousePressEvent(event);
}

} // namespace quillmark
