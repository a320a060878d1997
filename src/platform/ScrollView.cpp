#include "platform/ScrollView.h"

#include <QEvent>
#include <QResizeEvent>
#include <QScrollBar>

#include <cmath>

#include "platform/RulerView.h"

namespace quillmark {

ScrollView::ScrollView(QWidget *parent)
    : QScrollArea(parent)
    , m_corner(new QWidget(this))
{
    m_corner->setObjectName(QStringLiteral("RulerCorner"));
    m_corner->setAutoFillBackground(true);
    m_corner->setBackgroundRole(QPalette::Base);
    m_corner->hide();
    // The viewport changes size when a scroller comes or goes; the rulers follow it.
    viewport()->installEventFilter(this);
}

ScrollView::~ScrollView() = default;

void ScrollView::adoptRuler(RulerView *ruler)
{
    if (!ruler)
        return;
    ruler->setParent(this);
    connect(ruler, &RulerView::thicknessChanged, this, &ScrollView::tile);
}

void ScrollView::setHorizontalRulerView(RulerView *ruler)
{
    if (ruler == m_horizontalRuler)
        return;
    delete m_horizontalRuler;
    m_horizontalRuler = ruler;
    adoptRuler(ruler);
    tile();
}

void ScrollView::setVerticalRulerView(RulerView *ruler)
{
    if (ruler == m_verticalRuler)
        return;
    delete m_verticalRuler;
    m_verticalRuler = ruler;
    adoptRuler(ruler);
    tile();
}

void ScrollView::setHasHorizontalRuler(bool flag)
{
    if (flag && !m_horizontalRuler)
        setHorizontalRulerView(new RulerView(RulerView::Horizontal));
    else if (!flag)
        setHorizontalRulerView(nullptr);
}

void ScrollView::setHasVerticalRuler(bool flag)
{
    if (flag && !m_verticalRuler)
        setVerticalRulerView(new RulerView(RulerView::Vertical));
    else if (!flag)
        setVerticalRulerView(nullptr);
}

void ScrollView::setRulersVisible(bool flag)
{
    if (flag == m_rulersVisible)
        return;
    m_rulersVisible = flag;
    tile();
}

void ScrollView::tile()
{
    if (m_tiling)
        return;
    m_tiling = true;
    const bool showHorizontal = m_rulersVisible && m_horizontalRuler;
    const bool showVertical = m_rulersVisible && m_verticalRuler;
    const int top = showHorizontal ? int(std::ceil(m_horizontalRuler->requiredThickness())) : 0;
    const int left = showVertical ? int(std::ceil(m_verticalRuler->requiredThickness())) : 0;
    // Qt lays the viewport and the scrollers out at once.
    setViewportMargins(left, top, 0, 0);
    placeRulers();
    m_tiling = false;
}

void ScrollView::placeRulers()
{
    const QRect inside = contentsRect();
    const QRect visible = viewport()->geometry();
    const bool showHorizontal = m_rulersVisible && m_horizontalRuler;
    const bool showVertical = m_rulersVisible && m_verticalRuler;
    const int top = showHorizontal ? int(std::ceil(m_horizontalRuler->requiredThickness())) : 0;
    const int left = showVertical ? int(std::ceil(m_verticalRuler->requiredThickness())) : 0;
    if (m_horizontalRuler) {
        m_horizontalRuler->setVisible(showHorizontal);
        if (showHorizontal)
            m_horizontalRuler->setGeometry(visible.left(), inside.top(), visible.width(), top);
    }
    if (m_verticalRuler) {
        m_verticalRuler->setVisible(showVertical);
        if (showVertical)
            m_verticalRuler->setGeometry(inside.left(), visible.top(), left, visible.height());
    }
    m_corner->setVisible(showHorizontal && showVertical);
    if (showHorizontal && showVertical) {
        m_corner->setGeometry(inside.left(), inside.top(), left, top);
        m_corner->raise();
    }
}

void ScrollView::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    tile();
}

bool ScrollView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == viewport() && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        placeRulers();
    return QScrollArea::eventFilter(watched, event);
}

void ScrollView::scrollContentsBy(int dx, int dy)
{
    QScrollArea::scrollContentsBy(dx, dy);
    reflectScrolledClipView();
}

void ScrollView::reflectScrolledClipView()
{
    if (m_horizontalRuler)
        m_horizontalRuler->update();
    if (m_verticalRuler)
        m_verticalRuler->update();
}

} // namespace quillmark
