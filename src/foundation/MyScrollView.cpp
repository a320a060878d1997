#include "foundation/MyScrollView.h"

#include <QScrollBar>
#include <QStyle>

#include "foundation/MyScroller.h"
#include "platform/NotificationCenter.h"

namespace quillmark {

MyScrollView::MyScrollView(QWidget *parent)
    : ScrollView(parent)
{
    setHorizontalScrollBar(new MyScroller(Qt::Horizontal));
    setVerticalScrollBar(new MyScroller(Qt::Vertical));
    // The square where the two scrollers meet takes the window's colour.
    auto *corner = new QWidget;
    corner->setAutoFillBackground(true);
    corner->setBackgroundRole(QPalette::Window);
    setCornerWidget(corner);
}

MyScrollView::~MyScrollView() = default;

void MyScrollView::setHorizontalScrollerAccessory(QWidget *view, bool onRightSide)
{
    m_horizontalAccessory = view;
    m_onRightSide = onRightSide;
}

void MyScrollView::setVerticalScrollerAccessory(QWidget *view, bool atTop)
{
    m_verticalAccessory = view;
    m_atTop = atTop;
}

void MyScrollView::setHorizontalScrollerAccessory(QWidget *view)
{
    m_horizontalAccessory = view;
}

void MyScrollView::setVerticalScrollerAccessory(QWidget *view)
{
    m_verticalAccessory = view;
}

void MyScrollView::setVerticalScrollerAccessoryIsAtTop(bool flag)
{
    m_atTop = flag;
}

void MyScrollView::setHorizontalAccessoryIsOnRightSide(bool flag)
{
    m_onRightSide = flag;
}

void MyScrollView::setLayerSegments(QWidget *control)
{
    m_layerSegments = control;
}

int MyScrollView::scrollerWidth() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void MyScrollView::place(Placed &placed, QWidget *view, Qt::Alignment side)
{
    if (placed.view && (placed.view != view || placed.side != side) && placed.view->parentWidget()
        && placed.view->parentWidget() != this) {
        // Taking it out of the scroller's row lets the scroller have the room back.
        placed.view->hide();
        placed.view->setParent(this);
    }
    if (!view) {
        placed = {};
        return;
    }
    if (placed.view == view && placed.side == side)
        return;
    addScrollBarWidget(view, side);
    view->show();
    placed = {view, side};
}

void MyScrollView::tile()
{
    ScrollView::tile();
    if (m_placing)
        return;
    m_placing = true;
    const int sw = scrollerWidth();
    // An accessory is as thick as the scroller it stands beside and keeps its length.
    if (m_verticalAccessory) {
        const QSize size = m_verticalAccessory->size().expandedTo(m_verticalAccessory->minimumSizeHint());
        m_verticalAccessory->setFixedSize(sw, size.height());
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    if (m_horizontalAccessory) {
        const QSize hint = m_horizontalAccessory->sizeHint();
        const int width = m_horizontalAccessory->minimumWidth() == m_horizontalAccessory->maximumWidth()
                              ? m_horizontalAccessory->width()
                              : hint.width();
        m_horizontalAccessory->setFixedSize(width, sw);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    if (m_layerSegments) {
        const QSize hint = m_layerSegments->sizeHint();
        const int width = m_layerSegments->minimumWidth() == m_layerSegments->maximumWidth()
                              ? m_layerSegments->width()
                              : hint.width();
        m_layerSegments->setFixedSize(width, sw);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }

    const Qt::Alignment horizontalSide = m_onRightSide ? Qt::AlignRight : Qt::AlignLeft;
    const bool horizontalChanged = m_placedHorizontal.view != m_horizontalAccessory
                                   || (m_horizontalAccessory && m_placedHorizontal.side != horizontalSide)
                                   || m_placedLayer.view != m_layerSegments;
    if (horizontalChanged) {
        // The layer control goes in last, so that it stands at the very left end.
        place(m_placedLayer, nullptr, Qt::AlignLeft);
        place(m_placedHorizontal, m_horizontalAccessory, horizontalSide);
        place(m_placedLayer, m_layerSegments, Qt::AlignLeft);
    }
    place(m_placedVertical, m_verticalAccessory, m_atTop ? Qt::AlignTop : Qt::AlignBottom);
    m_placing = false;
}

void MyScrollView::reflectScrolledClipView()
{
    ScrollView::reflectScrolledClipView();
    NotificationCenter::defaultCenter().post(QStringLiteral("VisibleRectChanged"), this);
}

} // namespace quillmark
