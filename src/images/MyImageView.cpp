#include "images/MyImageView.h"

#include <QCursor>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

#include "images/Controller.h"
#include "platform/ImageFilter.h"

namespace quillmark {

namespace {

// The union of two rectangles, an empty one counting for nothing.
QRectF unionRect(const QRectF &a, const QRectF &b)
{
    const bool aEmpty = !(a.width() > 0) || !(a.height() > 0);
    const bool bEmpty = !(b.width() > 0) || !(b.height() > 0);
    if (aEmpty)
        return b;
    if (bEmpty)
        return a;
    return a.united(b);
}

double at(const QList<double> &v, int i)
{
    return i < v.size() ? v.at(i) : 0.0;
}

QFont handleFont()
{
    QFont font;
    font.setPixelSize(11);
    return font;
}

} // namespace

MyImageView::MyImageView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("MyImageView"));
    zoom = 1;
    prev_zoom = 1;
    m_bounds = QRectF(0, 0, 1, 1);
    resize(1, 1);
    setCursor(Qt::ArrowCursor);
}

QScrollArea *MyImageView::scrollView() const
{
    for (QWidget *w = parentWidget(); w; w = w->parentWidget())
        if (auto *area = qobject_cast<QScrollArea *>(w))
            return area;
    return nullptr;
}

QRectF MyImageView::contentBounds() const
{
    QScrollArea *area = scrollView();
    if (!area)
        return QRectF(0, 0, width(), height());
    // A scroll view not yet shown has not laid its viewport out: take the size it will have.
    const QSize viewport = area->isVisible() ? area->viewport()->size() : area->maximumViewportSize();
    const double cx = -pos().x();
    const double cy = height() - viewport.height() + pos().y();
    return QRectF(cx, cy, viewport.width(), viewport.height());
}

void MyImageView::scrollToContentPoint(const QPointF &point)
{
    QScrollArea *area = scrollView();
    if (!area)
        return;
    const int ch = area->isVisible() ? area->viewport()->height() : area->maximumViewportSize().height();
    area->horizontalScrollBar()->setValue(int(std::lround(point.x())));
    area->verticalScrollBar()->setValue(int(std::lround(height() - ch - point.y())));
}

void MyImageView::scrollToBoundsPoint(const QPointF &point)
{
    scrollToContentPoint(QPointF((point.x() - m_bounds.x()) * zoom, (point.y() - m_bounds.y()) * zoom));
}

QPointF MyImageView::viewToBounds(const QPointF &p) const
{
    return QPointF(m_bounds.x() + p.x() / zoom, m_bounds.y() + m_bounds.height() - p.y() / zoom);
}

QPointF MyImageView::boundsToView(const QPointF &b) const
{
    return QPointF((b.x() - m_bounds.x()) * zoom, (m_bounds.y() + m_bounds.height() - b.y()) * zoom);
}

QPointF MyImageView::currentEventLocation() const
{
    if (m_eventLocation)
        return *m_eventLocation;
    return viewToBounds(mapFromGlobal(QCursor::pos()));
}

void MyImageView::setZoom(float value)
{
    zoom = std::isnan(value) ? 1.0f : qBound(0.1f, value, 10.0f);
    resizeViewBound(true, 3);
}

void MyImageView::setFrameSize(const QSizeF &size)
{
    resize(qMax(1, int(std::lround(size.width()))), qMax(1, int(std::lround(size.height()))));
    m_bounds.setSize(QSizeF(size.width() / zoom, size.height() / zoom));
}

void MyImageView::resizeViewBound(bool force, int centerMode)
{
    const QRectF content = contentBounds();
    const double cx = content.x(), cy = content.y(), cw = content.width(), ch = content.height();
    double iw = 0, ih = 0;
    if (m_controller && !m_controller->backImage().isNull()) {
        const QRectF extent = m_controller->backImage().extent();
        if (std::isfinite(extent.width()) && std::isfinite(extent.height())) {
            iw = extent.width();
            ih = extent.height();
        }
    }
    const double z = zoom;
    const double p = prev_zoom;
    m_viewTransformOffsetX = 0;
    m_viewTransformOffsetY = 0;

    const double mx = std::max(0.0, (cw - iw * z) / (2 * z));
    const double my = std::max(0.0, (ch - ih * z) / (2 * z));
    const QRectF r = unionRect(QRectF(-mx, -my, iw + 2 * mx, ih + 2 * my), QRectF(-mx, -my, cw / z, ch / z));

    QPointF k(cx / p + cw / (2 * p), cy / p + ch / (2 * p));
    if (centerMode == 3)
        k = k - (z - p) * (k - currentEventLocation());
    else if (centerMode == 2)
        k = currentEventLocation();

    const QPointF oldOrigin = m_bounds.topLeft();
    if (force || m_bounds != r || z != p) {
        resize(qMax(1, int(std::lround(r.width() * z))), qMax(1, int(std::lround(r.height() * z))));
        m_bounds = r;
        if (centerMode != 0 && z != p)
            scrollToBoundsPoint(QPointF(r.x() + k.x() - cw / (2 * z), r.y() + k.y() - ch / (2 * z)));
        else if (oldOrigin.x() > r.x() || oldOrigin.y() > r.y())
            scrollToContentPoint(QPointF(cx, cy));
    }
    m_viewTransformOffsetX = float(-r.x());
    m_viewTransformOffsetY = float(-r.y());
    update();
}

// ---- drawing ----

void MyImageView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    if (!m_controller)
        return;
    // The pixels are computed away from the window's thread: the view asks for what it shows
    // and draws the newest answer it has, until the one asked for arrives.
    QRect visible = visibleRegion().boundingRect();
    if (visible.isEmpty())
        visible = event->rect();
    const QPointF topLeft = viewToBounds(visible.topLeft());
    const QPointF bottomRight = viewToBounds(QPointF(visible.right() + 1, visible.bottom() + 1));
    const QRectF shown = QRectF(QPointF(topLeft.x(), bottomRight.y()), QPointF(bottomRight.x(), topLeft.y())).normalized();
    const double scale = m_controller->previewScale(zoom);
    const QRect wanted = QRectF(shown.x() * scale, shown.y() * scale, shown.width() * scale, shown.height() * scale)
                             .toAlignedRect();
    const quint64 revision = m_controller->revision();
    const bool fresh = m_cacheValid && m_cacheRevision == revision && m_cacheScale == scale
                       && m_cacheWanted.contains(wanted);
    const bool asked = m_requestedRevision == revision && m_requestedScale == scale && m_requestedRect.contains(wanted);
    if (!fresh && !asked && !wanted.isEmpty()) {
        m_requestedRect = wanted;
        m_requestedScale = scale;
        m_requestedRevision = revision;
        m_controller->requestPreview(wanted, scale);
    }
    if (!m_cacheValid || m_cache.isNull())
        return;
    const QRectF placed(m_cacheRect.x() / m_cacheScale, m_cacheRect.y() / m_cacheScale,
                        m_cacheRect.width() / m_cacheScale, m_cacheRect.height() / m_cacheScale);
    const QPointF corner = boundsToView(QPointF(placed.x(), placed.y() + placed.height()));
    const QRectF target(corner, QSizeF(placed.width() * zoom, placed.height() * zoom));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_cacheScale * 0.999 > zoom || zoom < 1);
    painter.drawImage(target, m_cache);
    if (displayingPoints)
        drawPoints(painter);
}

void MyImageView::takePreview(const QImage &image, const QRect &rendered, const QRect &wanted, double scale,
                              quint64 revision)
{
    // An answer older than the one shown is of no use.
    if (m_cacheValid && revision < m_cacheRevision)
        return;
    m_cache = image;
    m_cacheRect = rendered;
    m_cacheWanted = wanted;
    m_cacheScale = scale;
    m_cacheRevision = revision;
    m_cacheValid = true;
    update();
}

QList<MyImageView::Handle> MyImageView::handles() const
{
    QList<Handle> list;
    ImageFilter *filter = m_controller ? m_controller->getCurrentFilter() : nullptr;
    if (!filter)
        return list;
    for (const QString &key : filter->inputKeys()) {
        const FilterInput *input = filter->input(key);
        if (!input)
            continue;
        const QString base = QStringLiteral("%1 %2").arg(filter->displayName(), input->displayName);
        const QVariant value = filter->value(key);
        if (input->className == QLatin1String("CIVector")) {
            const QList<double> v = vectorComponents(value);
            if (input->type == QLatin1String(FilterInputType::Position)) {
                list.append({QPointF(at(v, 0), at(v, 1)), base, key, PositionHandle});
            } else if (input->type == QLatin1String(FilterInputType::Rectangle)) {
                const double x = at(v, 0), y = at(v, 1), w = at(v, 2), h = at(v, 3);
                list.append({QPointF(x, y), base + QStringLiteral(" bottom left"), key, BottomLeftHandle});
                list.append({QPointF(x + w, y), base + QStringLiteral(" bottom right"), key, BottomRightHandle});
                list.append({QPointF(x, y + h), base + QStringLiteral(" top left"), key, TopLeftHandle});
                list.append({QPointF(x + w, y + h), base + QStringLiteral(" top right"), key, TopRightHandle});
            } else if (input->type == QLatin1String(FilterInputType::Position3)) {
                list.append({QPointF(at(v, 0), at(v, 1)), base, key, Position3Handle});
            }
        } else if (input->className == QLatin1String("NSAffineTransform")) {
            QPointF origin;
            if (value.metaType() == QMetaType::fromType<QTransform>()) {
                const QTransform t = value.value<QTransform>();
                origin = QPointF(t.dx(), t.dy());
            } else {
                const QList<double> v = vectorComponents(value);
                origin = QPointF(at(v, 4), at(v, 5));
            }
            list.append({origin, base + QStringLiteral(" origin"), key, TransformHandle});
        }
    }
    return list;
}

void MyImageView::drawPoints(QPainter &painter) const
{
    for (const Handle &handle : handles())
        drawPoint(painter, handle.point, handle.label);
}

void MyImageView::drawPoint(QPainter &painter, const QPointF &point, const QString &label) const
{
    const double z = zoom;
    const QPointF c(std::floor(point.x()) + 0.5, std::floor(point.y()) + 0.5);
    const double r = 8 / z + 0.5;
    painter.save();
    // Picture units, y upwards, onto the widget.
    QTransform toView;
    toView.translate(-m_bounds.x() * z, (m_bounds.y() + m_bounds.height()) * z);
    toView.scale(z, -z);
    painter.setTransform(toView);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(c.x() - 16 / z, c.y() - 16 / z, 32 / z, 32 / z), QColor::fromRgbF(1, 1, 1, 0.7f));
    QPen pen(Qt::black);
    pen.setWidthF(1 / z);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(QPointF(c.x() - 16 / z + 1, c.y() - 1), QPointF(c.x() + 16 / z + 1, c.y() - 1));
    painter.drawEllipse(QRectF(c.x() - r + 1, c.y() - r - 1, 2 * r, 2 * r));
    painter.drawLine(QPointF(c.x() + 1, c.y() - 16 / z - 1), QPointF(c.x() + 1, c.y() + 16 / z - 1));
    painter.restore();
    if (movingNow)
        return;
    // The label reads upright: drawn in widget points at the places its picture-unit corners map to.
    const QFont font = handleFont();
    const QFontMetricsF metrics(font);
    const double textWidth = metrics.horizontalAdvance(label) / z;
    const double textHeight = metrics.height() / z;
    const QPointF fillTopLeft = boundsToView(QPointF(c.x(), c.y() + textHeight + 2));
    const QPointF fillBottomRight = boundsToView(QPointF(c.x() + textWidth + 8, c.y()));
    painter.fillRect(QRectF(fillTopLeft, fillBottomRight), QColor::fromRgbF(1, 1, 1, 0.7f));
    const QPointF textBottomLeft = boundsToView(QPointF(c.x() + 8, c.y() + 4));
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(textBottomLeft.x(), textBottomLeft.y() - metrics.descent()), label);
}

// ---- zoom and handles ----

void MyImageView::wheelEvent(QWheelEvent *event)
{
    const QPoint delta = event->angleDelta();
    const int d = delta.x() + delta.y();
    prev_zoom = zoom;
    if (d > 0)
        zoom += zoom > 1 ? 0.2f * zoom : 0.05f;
    else if (d < 0)
        zoom -= zoom > 1.1f ? 0.2f * zoom : 0.05f;
    zoom = qBound(0.1f, zoom, 10.0f);
    m_eventLocation = viewToBounds(event->position());
    resizeViewBound(true, 3);
    m_eventLocation.reset();
    if (m_controller)
        m_controller->setZoom(zoom);
    event->accept();
}

void MyImageView::mousePressEvent(QMouseEvent *event)
{
    movingNow = true;
    const QPointF q = viewToBounds(event->position());
    m_parmIndex = -1;
    m_parmKey.clear();
    m_parmMode = NoHandle;
    if (m_controller && m_controller->getCurrentFilter()) {
        // Rectangle corners are tried top-right, top-left, bottom-right, bottom-left.
        static const int cornerOrder[4] = {3, 2, 1, 0};
        const QList<Handle> all = handles();
        QList<Handle> candidates;
        for (qsizetype i = 0; i < all.size(); ++i) {
            const Handle &h = all.at(i);
            const bool corner = h.mode >= TopLeftHandle && h.mode <= BottomRightHandle;
            if (!corner) {
                candidates.append(h);
                continue;
            }
            // The four corners of one rectangle come together, bottom-left first.
            if (h.mode == BottomLeftHandle && i + 3 < all.size())
                for (int j : cornerOrder)
                    candidates.append(all.at(i + j));
        }
        double best = 0;
        for (const Handle &h : candidates) {
            const double dx = h.point.x() - q.x();
            const double dy = h.point.y() - q.y();
            const double distance = dx * dx + dy * dy;
            if (m_parmIndex == -1 || distance < best) {
                best = distance;
                m_parmIndex = 0;
                m_parmKey = h.key;
                m_parmMode = h.mode;
            }
        }
    }
    update();
}

void MyImageView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        mouseDragged(viewToBounds(event->position()));
}

void MyImageView::mouseDragged(const QPointF &q)
{
    if (m_parmMode == NoHandle || m_parmIndex == -1 || !m_controller)
        return;
    ImageFilter *filter = m_controller->getCurrentFilter();
    if (!filter)
        return;
    const QVariant current = filter->value(m_parmKey);
    QVariant value;
    switch (m_parmMode) {
    case PositionHandle:
        value = QVariant::fromValue(QList<double>{q.x(), q.y()});
        break;
    case TopLeftHandle:
    case BottomLeftHandle:
    case TopRightHandle:
    case BottomRightHandle: {
        const QList<double> v = vectorComponents(current);
        float left = float(at(v, 0));
        float bottom = float(at(v, 1));
        float right = float(at(v, 0) + at(v, 2));
        float top = float(at(v, 1) + at(v, 3));
        const bool isLeft = m_parmMode == TopLeftHandle || m_parmMode == BottomLeftHandle;
        const bool isTop = m_parmMode == TopLeftHandle || m_parmMode == TopRightHandle;
        (isLeft ? left : right) = float(q.x());
        (isTop ? top : bottom) = float(q.y());
        bool nowLeft = isLeft;
        bool nowTop = isTop;
        if (left > right) {
            std::swap(left, right);
            nowLeft = !nowLeft;
        }
        if (bottom > top) {
            std::swap(bottom, top);
            nowTop = !nowTop;
        }
        m_parmMode = nowLeft ? (nowTop ? TopLeftHandle : BottomLeftHandle) : (nowTop ? TopRightHandle : BottomRightHandle);
        value = QVariant::fromValue(QList<double>{left, bottom, double(right - left), double(top - bottom)});
        break;
    }
    case TransformHandle:
        if (current.metaType() == QMetaType::fromType<QTransform>()) {
            const QTransform t = current.value<QTransform>();
            value = QTransform(t.m11(), t.m12(), t.m21(), t.m22(), q.x(), q.y());
        } else {
            QList<double> v = vectorComponents(current);
            while (v.size() < 6)
                v.append(0);
            v[4] = q.x();
            v[5] = q.y();
            value = QVariant::fromValue(v);
        }
        break;
    case Position3Handle:
        value = QVariant::fromValue(QList<double>{q.x(), q.y(), double(float(at(vectorComponents(current), 2)))});
        break;
    default:
        return;
    }
    m_controller->setFilter(filter, value, m_parmKey);
    update();
}

void MyImageView::mouseReleaseEvent(QMouseEvent *)
{
    movingNow = false;
    update();
}

void MyImageView::enterEvent(QEnterEvent *)
{
    displayingPoints = true;
    setCursor(Qt::PointingHandCursor);
    update();
}

void MyImageView::leaveEvent(QEvent *)
{
    displayingPoints = false;
    setCursor(Qt::ArrowCursor);
    update();
}

} // namespace quillmark
