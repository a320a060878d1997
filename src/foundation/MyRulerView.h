#pragma once
// A ruler that makes room for a control of its own: a child widget with the property
// "tag" = 1. While it has one, the ruler paints its whole length on white behind the control
// and has the control redrawn whenever the client scrolls. Without one it is a plain ruler.
#include "platform/RulerView.h"

namespace quillmark {

class MyRulerView : public RulerView
{
    Q_OBJECT
public:
    explicit MyRulerView(Orientation orientation, QWidget *parent = nullptr);

    // The child tagged 1, or null.
    QWidget *taggedControl() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    QColor backgroundColor() const override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace quillmark
