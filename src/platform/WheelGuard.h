#pragma once
// The mouse wheel over a scrolling panel scrolls the panel. A pop-up, slider or spin box the
// user has not clicked does not take the turn for itself as it passes under the pointer: the
// user meant to scroll, and would have changed a barcode's type or a picture's opacity without
// noticing. Once the control has the keyboard focus (clicked, or reached with Tab), the wheel
// works on it as usual. Controls outside scrolling panels keep the wheel as they have it.
#include <QObject>

class QWidget;

namespace quillmark {

class WheelGuard : public QObject
{
public:
    // Watches every widget of the application from now on; once per application.
    static void install();

    // Whether a wheel turn over `widget` (the control itself) goes to the panel around it.
    static bool passesWheelOn(const QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};

} // namespace quillmark
