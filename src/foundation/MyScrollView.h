#pragma once
// The scroll view that holds the canvas. Beside its rulers it makes room in line with its
// scrollers for accessory controls: one at the right (or left) end of the horizontal
// scroller (the zoom button), one at the bottom (or top) of the vertical scroller, and the
// layer control at the left end of the horizontal scroller. Each accessory is made as thick
// as the scroller it sits beside; the scroller gives up the room. The scrollers are
// MyScroller, which stay readable in the dark appearance.
//
// The setters only store; the next tile() (which every resize runs) puts them in place.
#include <QPointer>

#include "platform/ScrollView.h"

namespace quillmark {

class MyScrollView : public ScrollView
{
    Q_OBJECT
public:
    explicit MyScrollView(QWidget *parent = nullptr);
    ~MyScrollView() override;

    void setHorizontalScrollerAccessory(QWidget *view, bool onRightSide);
    void setVerticalScrollerAccessory(QWidget *view, bool atTop);
    void setHorizontalScrollerAccessory(QWidget *view);
    void setVerticalScrollerAccessory(QWidget *view);
    void setVerticalScrollerAccessoryIsAtTop(bool flag);
    void setHorizontalAccessoryIsOnRightSide(bool flag);
    void setLayerSegments(QWidget *control);

    QWidget *horizontalAccessory() const { return m_horizontalAccessory; }
    QWidget *verticalAccessory() const { return m_verticalAccessory; }
    QWidget *layerSegments() const { return m_layerSegments; }
    bool onRightSide() const { return m_onRightSide; }
    bool atTop() const { return m_atTop; }

    // The standard thickness of a scroller.
    int scrollerWidth() const;

    void tile() override;

protected:
    // Posts "VisibleRectChanged" with the scroll view as sender.
    void reflectScrolledClipView() override;

private:
    struct Placed
    {
        QPointer<QWidget> view;
        Qt::Alignment side;
    };
    void place(Placed &placed, QWidget *view, Qt::Alignment side);

    bool m_onRightSide = true;
    bool m_atTop = false;
    QPointer<QWidget> m_horizontalAccessory;
    QPointer<QWidget> m_layerSegments;
    QPointer<QWidget> m_verticalAccessory;
    Placed m_placedHorizontal;
    Placed m_placedLayer;
    Placed m_placedVertical;
    bool m_placing = false;
};

} // namespace quillmark
