// Zoom and canvas layout: the stored and displayed zoom, the zoom commands and fit modes,
// and the layout that sizes the canvas round the label inside its scroll area.
#include "canvas/RectsView.h"

#include <QHash>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

#include "platform/BundleCursor.h"

namespace quillmark {

namespace {
bool trackingFlagValue = false;
constexpr double MinimumZoom = 0.25;
constexpr double MaximumZoom = 8.0;
// Room round a label larger than the view, in screen pixels; fitting leaves as much.
constexpr double LabelEdgePixels = 20.0;
}

void RectsView::setTrackingFlag(bool flag)
{
    trackingFlagValue = flag;
}

bool RectsView::trackingFlag()
{
    return trackingFlagValue;
}

void RectsView::setZoom(double zoom)
{
    _prevZoomValue = _zoomValue;
    _zoomValue = zoom * screenFactor();
}

void RectsView::zoomChange(double zoom)
{
    if (_FitPage == 0 && (zoom == 0.0 || zoom == getZoom()))
        return;
    if (_FitPage == 0) {
        if (zoom > MaximumZoom)
            zoom = MaximumZoom;
        if (zoom < MinimumZoom)
            zoom = MinimumZoom;
    }
    setZoom(zoom);
    resizeRectViewBound(true, true);
    update();
}

void RectsView::zoomMenuSelect(int index)
{
    _FitPage = 0;
    double zoom = 1.0;
    switch (index) {
    case 0: zoom = 0.25; break;
    case 1: zoom = 0.5; break;
    case 3: zoom = 1.5; break;
    case 4: zoom = 2.0; break;
    case 5: zoom = 4.0; break;
    case 7: _FitPage = 3; break;
    case 8: _FitPage = 2; break;
    case 9: _FitPage = 1; break;
    default: break;
    }
    zoomChange(zoom);
}

void RectsView::zoomIn()
{
    _FitPage = 0;
    zoomChange(getZoom() + 0.2);
}

void RectsView::zoomOut()
{
    _FitPage = 0;
    zoomChange(getZoom() - 0.2);
}

void RectsView::adjustZoom()
{
    _FitPage = 0;
    zoomChange(1.0);
}

void RectsView::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    const QPoint delta = event->angleDelta();
    const int sum = delta.x() + delta.y();
    const double zoom = getZoom();
    _FitPage = 0;
    if (sum > 0)
        zoomChange(zoom > 1.0 ? zoom + 0.1 * zoom : zoom + 0.1);
    else if (sum < 0)
        zoomChange(zoom > 1.1 ? zoom - 0.1 * zoom : zoom - 0.1);
    else
        zoomChange(zoom);
    event->accept();
}

QRectF RectsView::visibleArea() const
{
    if (m_viewport)
        return QRectF(QPointF(0, 0), QSizeF(m_viewport->size()));
    return QRectF(QPointF(0, 0), QSizeF(size()));
}

QRectF RectsView::clipBounds() const
{
    QPointF offset;
    if (m_viewport && m_outlets.scrollView)
        offset = QPointF(m_outlets.scrollView->horizontalScrollBar()->value(),
                         m_outlets.scrollView->verticalScrollBar()->value());
    const double zoom = _prevZoomValue > 0.0 ? _prevZoomValue : 1.0;
    return QRectF(m_bounds.topLeft() + offset / zoom, visibleArea().size() / zoom);
}

void RectsView::scrollPoint(const QPointF &point)
{
    if (!m_viewport || !m_outlets.scrollView)
        return;
    const QPointF offset = (point - m_bounds.topLeft()) * _zoomValue;
    m_outlets.scrollView->horizontalScrollBar()->setValue(int(std::lround(offset.x())));
    m_outlets.scrollView->verticalScrollBar()->setValue(int(std::lround(offset.y())));
}

void RectsView::setFrameAndBounds(const QRectF &bounds)
{
    m_bounds = bounds;
    const QSize frame(int(std::ceil(bounds.width() * _zoomValue - 1e-6)),
                      int(std::ceil(bounds.height() * _zoomValue - 1e-6)));
    resize(frame);
}

void RectsView::resizeRectViewBound(bool force, bool center)
{
    if (trackingFlagValue)
        return;
    const QRectF area = visibleArea();
    const double labelWidth = double(_tlabel.width) * 72.0;
    const double labelHeight = double(_tlabel.height) * 72.0;
    const float fitWidth = float((area.width() - 40.0) / labelWidth);
    const float fitHeight = float((area.height() - 40.0) / labelHeight);

    if (_FitPage == 3)
        setZoom((std::isnan(fitWidth) ? fitHeight : std::min(fitHeight, fitWidth)) / screenFactor());
    else if (_FitPage == 1)
        setZoom(fitHeight / screenFactor());
    else if (_FitPage == 2)
        setZoom(fitWidth / screenFactor());

    const double zoom = _zoomValue > 0.0 ? _zoomValue : 1.0;
    // Per axis: a label that fits the view with the room fitting leaves round it is centred
    // in a canvas of the view's size. A larger one keeps that room (20 screen pixels) on both
    // sides, so its drop shadow and its edge stay in view when scrolled to the end.
    const double edge = LabelEdgePixels / zoom;
    auto axis = [&](double view, double label, double &origin, double &extent) {
        const float centred = std::max(0.0f, float((view - label * zoom) / (2.0 * zoom)));
        // Half a pixel of slack: a fitted zoom is rounded, and must not call for scrolling.
        if (centred >= edge - 0.5 / zoom) {
            origin = -centred;
            extent = std::max(label + centred, view / zoom);
        } else {
            origin = -edge;
            extent = std::max(label + 2.0 * edge, view / zoom);
        }
    };
    double originX = 0.0, extentX = 0.0, originY = 0.0, extentY = 0.0;
    axis(area.width(), labelWidth, originX, extentX);
    axis(area.height(), labelHeight, originY, extentY);
    const QRectF newBounds(originX, originY, extentX, extentY);

    const QRectF clip = clipBounds();
    const QPointF previousCentre = clip.center();
    const QPointF oldOrigin = m_bounds.topLeft();

    if (force || newBounds != m_bounds || zoom != _prevZoomValue) {
        setFrameAndBounds(newBounds);
        setRulerOffsets();
        if (center && zoom != _prevZoomValue)
            scrollPoint(QPointF(previousCentre.x() - area.width() / 2.0 / zoom,
                                previousCentre.y() - area.height() / 2.0 / zoom));
        else if (oldOrigin.x() > newBounds.x() || oldOrigin.y() > newBounds.y())
            scrollPoint(clip.topLeft());
    }

    m_zoomText = QString::asprintf("%.0f%%", getZoom() * 100.0);
    emit zoomValueChanged(m_zoomText);
}

void RectsView::setknobCursor(int knob)
{
    struct Pointer
    {
        const char *image;
        Qt::CursorShape fallback;
    };
    // Knobs 1 to 8 resize (1 2 3 across the top, 4 and 5 the sides, 6 7 8 across the bottom);
    // 9 moves, 10 is a locked object, 12 duplicates. The rotation knob (11) has its own pointer.
    static const QHash<int, Pointer> pointers = {
        {1, {"resizeCursor1", Qt::SizeFDiagCursor}}, {2, {"resizeCursorV", Qt::SizeVerCursor}},
        {3, {"resizeCursor2", Qt::SizeBDiagCursor}}, {4, {"resizeCursorH", Qt::SizeHorCursor}},
        {5, {"resizeCursorH", Qt::SizeHorCursor}},   {6, {"resizeCursor2", Qt::SizeBDiagCursor}},
        {7, {"resizeCursorV", Qt::SizeVerCursor}},   {8, {"resizeCursor1", Qt::SizeFDiagCursor}},
        {9, {"moveCursor", Qt::SizeAllCursor}},      {10, {"lock16", Qt::ForbiddenCursor}},
        {12, {"duplicateCursor", Qt::DragCopyCursor}},
    };
    const auto found = pointers.constFind(knob);
    if (found == pointers.constEnd())
        return;
    setDocumentCursor(BundleCursor::centred(QString::fromLatin1(found->image), found->fallback));
}

} // namespace quillmark
