#include "platform/BezierPath.h"

#include <algorithm>
#include <cmath>

namespace quillmark {

namespace {

// Control-point distance of a quarter ellipse drawn with one cubic curve.
constexpr qreal Kappa = 0.5522847498;

// Curves are split at most this deep when flattened (1024 segments per curve): enough to
// keep a curve spanning kilometres within 0.1 pt, while absurd coordinates in a damaged
// file cannot make flattening allocate without bound.
constexpr int MaxFlattenDepth = 10;

bool finite(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

QPointF cubicPoint(const QPointF &p0, const QPointF &c1, const QPointF &c2, const QPointF &p3, qreal t)
{
    const qreal u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * p3;
}

// Parameters in (0, 1) where one coordinate of a cubic has a turning point.
int cubicExtrema(qreal p0, qreal c1, qreal c2, qreal p3, qreal out[2])
{
    // Derivative / 3 = a t^2 + b t + c.
    const qreal a = -p0 + 3 * c1 - 3 * c2 + p3;
    const qreal b = 2 * (p0 - 2 * c1 + c2);
    const qreal c = c1 - p0;
    int n = 0;
    auto keep = [&](qreal t) {
        if (t > 0 && t < 1)
            out[n++] = t;
    };
    const qreal scale = std::max({std::fabs(a), std::fabs(b), std::fabs(c)});
    if (scale == 0)
        return 0;
    if (std::fabs(a) <= 1e-12 * scale) {
        if (b != 0)
            keep(-c / b);
        return n;
    }
    const qreal disc = b * b - 4 * a * c;
    if (disc < 0)
        return 0;
    const qreal root = std::sqrt(disc);
    // The numerically stable pair of roots.
    const qreal q = -0.5 * (b + (b >= 0 ? root : -root));
    keep(q / a);
    if (q != 0)
        keep(c / q);
    return n;
}

qreal distanceToLine(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF d = b - a;
    const qreal len = std::hypot(d.x(), d.y());
    if (len == 0)
        return std::hypot(p.x() - a.x(), p.y() - a.y());
    return std::fabs((p.x() - a.x()) * d.y() - (p.y() - a.y()) * d.x()) / len;
}

// Winding contribution of the edge a->b for a ray from p towards +x.
int windingOfEdge(const QPointF &a, const QPointF &b, const QPointF &p)
{
    if (a.y() <= p.y()) {
        if (b.y() > p.y()) {
            const qreal side = (b.x() - a.x()) * (p.y() - a.y()) - (p.x() - a.x()) * (b.y() - a.y());
            if (side > 0)
                return 1;
        }
    } else if (b.y() <= p.y()) {
        const qreal side = (b.x() - a.x()) * (p.y() - a.y()) - (p.x() - a.x()) * (b.y() - a.y());
        if (side < 0)
            return -1;
    }
    return 0;
}

} // namespace

int BezierPath::pointCount(ElementType type)
{
    switch (type) {
    case MoveTo:
    case LineTo:
        return 1;
    case CurveTo:
        return 3;
    case ClosePath:
        return 0;
    }
    return 0;
}

BezierPath BezierPath::bezierPathWithRect(const QRectF &rect)
{
    BezierPath path;
    path.appendRect(rect);
    return path;
}

BezierPath BezierPath::bezierPathWithOvalInRect(const QRectF &rect)
{
    BezierPath path;
    path.appendOvalInRect(rect);
    return path;
}

BezierPath BezierPath::bezierPathWithRoundedRect(const QRectF &rect, qreal xRadius, qreal yRadius)
{
    BezierPath path;
    path.appendRoundedRect(rect, xRadius, yRadius);
    return path;
}

void BezierPath::moveTo(const QPointF &point)
{
    m_elements.append(Element{MoveTo, {point}});
}

void BezierPath::lineTo(const QPointF &point)
{
    if (!hasCurrentPoint()) {
        moveTo(point);
        return;
    }
    m_elements.append(Element{LineTo, {point}});
}

void BezierPath::curveTo(const QPointF &endPoint, const QPointF &controlPoint1,
                         const QPointF &controlPoint2)
{
    if (!hasCurrentPoint()) {
        moveTo(endPoint);
        return;
    }
    m_elements.append(Element{CurveTo, {controlPoint1, controlPoint2, endPoint}});
}

void BezierPath::closePath()
{
    if (m_elements.isEmpty() || m_elements.last().type == ClosePath)
        return;
    m_elements.append(Element{ClosePath, {}});
}

void BezierPath::relativeMoveTo(const QPointF &delta)
{
    moveTo(currentPoint() + delta);
}

void BezierPath::relativeLineTo(const QPointF &delta)
{
    lineTo(currentPoint() + delta);
}

void BezierPath::relativeCurveTo(const QPointF &endDelta, const QPointF &control1Delta,
                                 const QPointF &control2Delta)
{
    const QPointF origin = currentPoint();
    curveTo(origin + endDelta, origin + control1Delta, origin + control2Delta);
}

void BezierPath::appendPath(const BezierPath &other)
{
    m_elements += other.m_elements;
}

void BezierPath::appendOvalInRect(const QRectF &rect)
{
    const qreal rx = rect.width() / 2;
    const qreal ry = rect.height() / 2;
    const qreal cx = rect.x() + rx;
    const qreal cy = rect.y() + ry;
    const qreal kx = rx * Kappa;
    const qreal ky = ry * Kappa;
    moveTo(QPointF(cx + rx, cy));
    curveTo(QPointF(cx, cy + ry), QPointF(cx + rx, cy + ky), QPointF(cx + kx, cy + ry));
    curveTo(QPointF(cx - rx, cy), QPointF(cx - kx, cy + ry), QPointF(cx - rx, cy + ky));
    curveTo(QPointF(cx, cy - ry), QPointF(cx - rx, cy - ky), QPointF(cx - kx, cy - ry));
    curveTo(QPointF(cx + rx, cy), QPointF(cx + kx, cy - ry), QPointF(cx + rx, cy - ky));
    closePath();
}

void BezierPath::appendRect(const QRectF &rect)
{
    // Every object's outline is made at each repaint: one allocation, not one per corner
    // (a path growing rectangle by rectangle keeps its own growth).
    if (m_elements.isEmpty())
        m_elements.reserve(5);
    moveTo(rect.topLeft());
    lineTo(QPointF(rect.x() + rect.width(), rect.y()));
    lineTo(QPointF(rect.x() + rect.width(), rect.y() + rect.height()));
    lineTo(QPointF(rect.x(), rect.y() + rect.height()));
    closePath();
}

void BezierPath::appendRoundedRect(const QRectF &rect, qreal xRadius, qreal yRadius)
{
    const QRectF r = rect.normalized();
    const qreal rx = std::clamp(std::isfinite(xRadius) ? xRadius : 0.0, 0.0, r.width() / 2);
    const qreal ry = std::clamp(std::isfinite(yRadius) ? yRadius : 0.0, 0.0, r.height() / 2);
    if (rx <= 0 || ry <= 0) {
        appendRect(r);
        return;
    }
    const qreal l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
    const qreal kx = rx * Kappa, ky = ry * Kappa;
    // The same turning sense as appendRect and appendOvalInRect.
    moveTo(QPointF(l + rx, t));
    lineTo(QPointF(rt - rx, t));
    curveTo(QPointF(rt, t + ry), QPointF(rt - rx + kx, t), QPointF(rt, t + ry - ky));
    lineTo(QPointF(rt, b - ry));
    curveTo(QPointF(rt - rx, b), QPointF(rt, b - ry + ky), QPointF(rt - rx + kx, b));
    lineTo(QPointF(l + rx, b));
    curveTo(QPointF(l, b - ry), QPointF(l + rx - kx, b), QPointF(l, b - ry + ky));
    lineTo(QPointF(l, t + ry));
    curveTo(QPointF(l + rx, t), QPointF(l, t + ry - ky), QPointF(l + rx - kx, t));
    closePath();
}

void BezierPath::appendArc(const QPointF &center, qreal radius, qreal startAngle, qreal endAngle,
                           bool clockwise)
{
    if (!std::isfinite(radius) || !std::isfinite(startAngle) || !std::isfinite(endAngle) || !finite(center))
        return;
    radius = std::fabs(radius);

    // The sweep goes from the start angle in the asked direction until it reaches the end
    // angle; a difference of a full turn or more draws the whole circle once.
    qreal sweep;
    const qreal diff = clockwise ? startAngle - endAngle : endAngle - startAngle;
    if (diff >= 360.0) {
        sweep = 360.0;
    } else {
        sweep = std::fmod(diff, 360.0);
        if (sweep < 0)
            sweep += 360.0;
    }
    if (clockwise)
        sweep = -sweep;

    auto pointAt = [&](qreal degrees) {
        const qreal a = qDegreesToRadians(degrees);
        return QPointF(center.x() + radius * std::cos(a), center.y() + radius * std::sin(a));
    };

    const QPointF start = pointAt(startAngle);
    if (hasCurrentPoint())
        lineTo(start);
    else
        moveTo(start);
    if (sweep == 0 || radius == 0)
        return;

    const int segments = std::max(1, int(std::ceil(std::fabs(sweep) / 90.0 - 1e-9)));
    const qreal step = sweep / segments;
    const qreal k = 4.0 / 3.0 * std::tan(qDegreesToRadians(step) / 4) * radius;
    qreal a0 = startAngle;
    for (int i = 0; i < segments; ++i) {
        const qreal a1 = (i == segments - 1) ? startAngle + sweep : a0 + step;
        const qreal r0 = qDegreesToRadians(a0), r1 = qDegreesToRadians(a1);
        const QPointF p0 = pointAt(a0), p1 = pointAt(a1);
        const QPointF c1 = p0 + QPointF(-std::sin(r0), std::cos(r0)) * k;
        const QPointF c2 = p1 - QPointF(-std::sin(r1), std::cos(r1)) * k;
        curveTo(p1, c1, c2);
        a0 = a1;
    }
}

void BezierPath::removeAllPoints()
{
    m_elements.clear();
}

BezierPath::ElementType BezierPath::elementAt(int index, QPointF points[3]) const
{
    if (index < 0 || index >= m_elements.size())
        return ClosePath;
    const Element &e = m_elements.at(index);
    if (points) {
        for (int i = 0; i < pointCount(e.type); ++i)
            points[i] = e.points[i];
    }
    return e.type;
}

void BezierPath::setAssociatedPoints(const QPointF points[3], int index)
{
    if (!points || index < 0 || index >= m_elements.size())
        return;
    Element &e = m_elements[index];
    for (int i = 0; i < pointCount(e.type); ++i)
        e.points[i] = points[i];
}

bool BezierPath::hasCurrentPoint() const
{
    return !m_elements.isEmpty();
}

QPointF BezierPath::currentPoint() const
{
    if (m_elements.isEmpty())
        return {};
    const Element &last = m_elements.last();
    switch (last.type) {
    case MoveTo:
    case LineTo:
        return last.points[0];
    case CurveTo:
        return last.points[2];
    case ClosePath:
        break;
    }
    // After a close the current point is the start of the subpath just closed.
    for (qsizetype i = m_elements.size() - 1; i >= 0; --i) {
        if (m_elements.at(i).type == MoveTo)
            return m_elements.at(i).points[0];
    }
    return {};
}

QRectF BezierPath::bounds() const
{
    if (m_elements.isEmpty())
        return {};
    qreal minX = qInf(), minY = qInf(), maxX = -qInf(), maxY = -qInf();
    auto add = [&](const QPointF &p) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    };
    QPointF current;
    QPointF subpathStart;
    for (const Element &e : m_elements) {
        switch (e.type) {
        case MoveTo:
            add(e.points[0]);
            current = subpathStart = e.points[0];
            break;
        case LineTo:
            add(e.points[0]);
            current = e.points[0];
            break;
        case CurveTo: {
            const QPointF &c1 = e.points[0], &c2 = e.points[1], &p3 = e.points[2];
            add(p3);
            qreal ts[2];
            int n = cubicExtrema(current.x(), c1.x(), c2.x(), p3.x(), ts);
            for (int i = 0; i < n; ++i)
                add(cubicPoint(current, c1, c2, p3, ts[i]));
            n = cubicExtrema(current.y(), c1.y(), c2.y(), p3.y(), ts);
            for (int i = 0; i < n; ++i)
                add(cubicPoint(current, c1, c2, p3, ts[i]));
            current = p3;
            break;
        }
        case ClosePath:
            current = subpathStart;
            break;
        }
    }
    if (minX > maxX)
        return {};
    return QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
}

QRectF BezierPath::mappedBounds(const QTransform &matrix) const
{
    // A straight outline (every frame but a path's or an oval's) is bounded by its mapped
    // points, found without a copy: a drag step asks thousands of turned objects.
    for (const Element &e : m_elements) {
        if (e.type == CurveTo)
            return transformed(matrix).bounds();
    }
    qreal minX = qInf(), minY = qInf(), maxX = -qInf(), maxY = -qInf();
    for (const Element &e : m_elements) {
        for (int i = 0; i < pointCount(e.type); ++i) {
            const QPointF p = matrix.map(e.points[i]);
            minX = std::min(minX, p.x());
            maxX = std::max(maxX, p.x());
            minY = std::min(minY, p.y());
            maxY = std::max(maxY, p.y());
        }
    }
    if (minX > maxX)
        return {};
    return QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
}

QRectF BezierPath::controlPointBounds() const
{
    qreal minX = qInf(), minY = qInf(), maxX = -qInf(), maxY = -qInf();
    for (const Element &e : m_elements) {
        for (int i = 0; i < pointCount(e.type); ++i) {
            minX = std::min(minX, e.points[i].x());
            maxX = std::max(maxX, e.points[i].x());
            minY = std::min(minY, e.points[i].y());
            maxY = std::max(maxY, e.points[i].y());
        }
    }
    if (minX > maxX)
        return {};
    return QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
}

bool BezierPath::containsPoint(const QPointF &point) const
{
    if (m_elements.isEmpty() || !finite(point))
        return false;
    const BezierPath flat = flattened(m_flatness);
    int winding = 0;
    QPointF start, current;
    bool open = false;
    auto closeSubpath = [&] {
        if (open)
            winding += windingOfEdge(current, start, point);
        open = false;
        current = start;
    };
    for (const Element &e : flat.m_elements) {
        switch (e.type) {
        case MoveTo:
            closeSubpath();
            start = current = e.points[0];
            open = true;
            break;
        case LineTo:
        case CurveTo:
            if (!open) {
                // A line after a close starts again from the closed subpath's start.
                open = true;
            }
            winding += windingOfEdge(current, e.points[0], point);
            current = e.points[0];
            break;
        case ClosePath:
            closeSubpath();
            break;
        }
    }
    closeSubpath();
    return m_windingRule == EvenOddWinding ? (winding % 2) != 0 : winding != 0;
}

void BezierPath::transform(const QTransform &matrix)
{
    for (Element &e : m_elements) {
        for (int i = 0; i < pointCount(e.type); ++i)
            e.points[i] = matrix.map(e.points[i]);
    }
}

BezierPath BezierPath::transformed(const QTransform &matrix) const
{
    BezierPath copy = *this;
    copy.transform(matrix);
    return copy;
}

void BezierPath::addFlattenedCurve(const QPointF &p0, const QPointF &c1, const QPointF &c2,
                                   const QPointF &p3, qreal flatness, int depth)
{
    // The curve lies inside the hull of its control points, so when both control points are
    // within the tolerance of the chord, so is the whole curve.
    const bool flatEnough = depth >= MaxFlattenDepth || !finite(c1) || !finite(c2)
        || (distanceToLine(c1, p0, p3) <= flatness && distanceToLine(c2, p0, p3) <= flatness);
    if (flatEnough) {
        m_elements.append(Element{LineTo, {p3}});
        return;
    }
    const QPointF p01 = (p0 + c1) / 2, p12 = (c1 + c2) / 2, p23 = (c2 + p3) / 2;
    const QPointF p012 = (p01 + p12) / 2, p123 = (p12 + p23) / 2;
    const QPointF mid = (p012 + p123) / 2;
    addFlattenedCurve(p0, p01, p012, mid, flatness, depth + 1);
    addFlattenedCurve(mid, p123, p23, p3, flatness, depth + 1);
}

BezierPath BezierPath::flattened(qreal flatness) const
{
    if (!(flatness > 0) || !std::isfinite(flatness))
        flatness = DefaultFlatness;
    // The same style and no elements; the copy shares the element data, so clearing costs nothing.
    BezierPath result(*this);
    result.m_elements.clear();
    result.m_elements.reserve(m_elements.size());
    QPointF current, subpathStart;
    for (const Element &e : m_elements) {
        switch (e.type) {
        case MoveTo:
            current = subpathStart = e.points[0];
            result.m_elements.append(e);
            break;
        case LineTo:
            current = e.points[0];
            result.m_elements.append(e);
            break;
        case CurveTo:
            result.addFlattenedCurve(current, e.points[0], e.points[1], e.points[2], flatness, 0);
            current = e.points[2];
            break;
        case ClosePath:
            current = subpathStart;
            result.m_elements.append(e);
            break;
        }
    }
    return result;
}

BezierPath BezierPath::reversed() const
{
    // The same style and no elements; the copy shares the element data, so clearing costs nothing.
    BezierPath result(*this);
    result.m_elements.clear();

    // Split into subpaths: a start point, the drawing elements, and whether it was closed.
    qsizetype i = 0;
    QPointF lastStart;
    while (i < m_elements.size()) {
        QPointF start = lastStart;
        if (m_elements.at(i).type == MoveTo) {
            start = m_elements.at(i).points[0];
            ++i;
        }
        lastStart = start;
        const qsizetype first = i;
        while (i < m_elements.size() && m_elements.at(i).type != MoveTo
               && m_elements.at(i).type != ClosePath)
            ++i;
        const qsizetype end = i;
        bool closed = false;
        if (i < m_elements.size() && m_elements.at(i).type == ClosePath) {
            closed = true;
            ++i;
        }

        // The point each element starts from.
        QVector<QPointF> from;
        QPointF cur = start;
        for (qsizetype k = first; k < end; ++k) {
            from << cur;
            const Element &e = m_elements.at(k);
            cur = e.type == CurveTo ? e.points[2] : e.points[0];
        }
        result.moveTo(cur);
        for (qsizetype k = end - 1; k >= first; --k) {
            const Element &e = m_elements.at(k);
            const QPointF &to = from.at(k - first);
            if (e.type == CurveTo)
                result.curveTo(to, e.points[1], e.points[0]);
            else
                result.lineTo(to);
        }
        if (closed)
            result.closePath();
    }
    return result;
}

void BezierPath::setFlatness(qreal flatness)
{
    m_flatness = (flatness > 0 && std::isfinite(flatness)) ? flatness : DefaultFlatness;
}

void BezierPath::setLineDash(const QList<qreal> &dash, qreal phase)
{
    m_dash = dash;
    m_dashPhase = phase;
}

QPainterPath BezierPath::toPainterPath() const
{
    QPainterPath path;
    path.setFillRule(m_windingRule == EvenOddWinding ? Qt::OddEvenFill : Qt::WindingFill);
    for (const Element &e : m_elements) {
        switch (e.type) {
        case MoveTo:
            path.moveTo(e.points[0]);
            break;
        case LineTo:
            path.lineTo(e.points[0]);
            break;
        case CurveTo:
            path.cubicTo(e.points[0], e.points[1], e.points[2]);
            break;
        case ClosePath:
            path.closeSubpath();
            break;
        }
    }
    return path;
}

BezierPath BezierPath::fromPainterPath(const QPainterPath &path)
{
    BezierPath result;
    result.m_windingRule = path.fillRule() == Qt::OddEvenFill ? EvenOddWinding : NonZeroWinding;
    QPointF subpathStart;
    qsizetype subpathFirst = -1;
    auto finishSubpath = [&] {
        // QPainterPath has no close element: closeSubpath() leaves a line back to the start
        // (or nothing when the last segment already ends there).
        if (subpathFirst < 0 || result.m_elements.size() - subpathFirst < 2)
            return;
        Element &last = result.m_elements.last();
        const QPointF end = last.type == CurveTo ? last.points[2] : last.points[0];
        if (end != subpathStart)
            return;
        if (last.type == LineTo && result.m_elements.size() - subpathFirst > 2)
            last.type = ClosePath;
        else
            result.closePath();
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            finishSubpath();
            subpathStart = e;
            subpathFirst = result.m_elements.size();
            result.moveTo(e);
            break;
        case QPainterPath::LineToElement:
            result.lineTo(e);
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < path.elementCount()) {
                result.curveTo(path.elementAt(i + 2), e, path.elementAt(i + 1));
                i += 2;
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    finishSubpath();
    return result;
}

bool BezierPath::operator==(const BezierPath &other) const
{
    if (m_elements.size() != other.m_elements.size() || m_lineWidth != other.m_lineWidth
        || m_windingRule != other.m_windingRule || m_flatness != other.m_flatness
        || m_dash != other.m_dash || m_dashPhase != other.m_dashPhase)
        return false;
    for (qsizetype i = 0; i < m_elements.size(); ++i) {
        const Element &a = m_elements.at(i), &b = other.m_elements.at(i);
        if (a.type != b.type)
            return false;
        for (int k = 0; k < pointCount(a.type); ++k) {
            if (a.points[k] != b.points[k])
                return false;
        }
    }
    return true;
}

} // namespace quillmark
