#pragma once
// The canvas's horizontal ruler. It never grows for an accessory view: whatever accessory it
// is offered (the text system offers one while text is edited) is handed to the inspector and
// kept hidden, and the thickness asked for it is only remembered.
#include <QPointer>

#include "platform/RulerView.h"

namespace quillmark {

class CRulerView : public RulerView
{
    Q_OBJECT
public:
    explicit CRulerView(QWidget *parent = nullptr);

    // The inspector panel. It is offered every accessory through its invokable
    // setAccessoryView(QWidget *) when it has one.
    void setObjectInfo(QObject *inspector) { oi = inspector; }
    QObject *objectInfo() const { return oi; }

    // Remembers the thickness; the ruler reserves none.
    void setReservedThicknessForAccessoryView(double thickness) override;
    float reservedHeight() const { return height_; }
    // Offers the view to the inspector, hides it, then takes it as the accessory.
    void setAccessoryView(QWidget *view) override;

private:
    float height_ = 0.0f;
    QPointer<QObject> oi;
};

} // namespace quillmark
