#pragma once
// A scroller that stays readable in the dark appearance: there it is washed with white at 30 %
// over its standard drawing. In the light appearance it draws exactly as the standard one.
#include <QScrollBar>

namespace quillmark {

class MyScroller : public QScrollBar
{
    Q_OBJECT
public:
    explicit MyScroller(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace quillmark
