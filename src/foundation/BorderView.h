#pragma once
// A view framed by a black line one point wide along its bounds.
#include <QWidget>

namespace quillmark {

class BorderView : public QWidget
{
    Q_OBJECT
public:
    explicit BorderView(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace quillmark
