#include "objects/GeometryHelpers.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/Measures.h"

namespace quillmark {

namespace {

QPointF polar(const QPointF &origin, double length, double angle)
{
    return origin + QPointF(length * std::cos(angle), length * std::sin(angle));
}

double distance(const QPointF &a, const QPointF &b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

double wrapToHalfTurn(double d)
{
    if (!std::isfinite(d) || (d <= Pi && d >= -Pi))
        return d;
    // Whole turns at once, so a huge difference does not loop for long. Taking turns off a
    // positive difference stops at +pi, off a negative one at -pi.
    const bool positive = d > 0;
    d = std::remainder(d, 2 * Pi);
    if (positive && d <= -Pi)
        d = Pi;
    else if (!positive && d >= Pi)
        d = -Pi;
    return d;
}

qint16 toShort(double value)
{
    // Out of range values would be undefined as a conversion; they stay at the range's ends.
    if (std::isnan(value))
        return 0;
    const double cut = std::trunc(value);
    return qint16(std::clamp(cut, double(std::numeric_limits<qint16>::min()),
                             double(std::numeric_limits<qint16>::max())));
}

} // namespace

double vectorAngle(double dx, double dy)
{
    if (dx > 0) {
        const double a = std::atan(dy / dx);
        return dy < 0 ? a + 2 * Pi : a;
    }
    if (dx < 0)
        return std::atan(dy / dx) + Pi;
    if (std::isnan(dx))
        return std::numeric_limits<double>::quiet_NaN();
    return dy >= 0 ? Pi / 2 : 3 * Pi / 2;
}

double angleBetweenPoints(double x1, double y1, double x2, double y2)
{
    return vectorAngle(x2 - x1, y2 - y1);
}

double normalizedAngleDifference(double a, double b)
{
    return wrapToHalfTurn(b - a);
}

QRectF squareAt(const QPointF &center, double side)
{
    return QRectF(center.x() - side / 2, center.y() - side / 2, side, side);
}

QPainterPath filledArea(const BezierPath &path)
{
    QPainterPath area = path.toPainterPath();
    area.setFillRule(path.windingRule() == BezierPath::EvenOddWinding ? Qt::OddEvenFill : Qt::WindingFill);
    return area;
}

bool isPathClosed(const BezierPath &path)
{
    const int n = path.elementCount();
    return n > 0 && path.elementAt(n - 1) == BezierPath::ClosePath;
}

BezierPath closedPathCopy(const BezierPath &path)
{
    if (isPathClosed(path))
        return path;
    BezierPath copy = path;
    copy.closePath();
    return copy;
}

BezierPath smoothPathThroughPoints(const QPointF *points, int count)
{
    BezierPath path;
    if (!points || count <= 0)
        return closedPathCopy(path);
    path.moveTo(points[0]);
    if (count == 2)
        path.lineTo(points[1]);
    if (count <= 2)
        return closedPathCopy(path);

    double phi = vectorAngle(points[0].x() - points[1].x(), points[0].y() - points[1].y());
    for (int i = 1; i <= count - 2; ++i) {
        const QPointF &a = points[i - 1];
        const QPointF &b = points[i];
        const QPointF &n = points[i + 1];
        const double length = distance(a, b) / 2;
        const double alpha = vectorAngle(b.x() - a.x(), b.y() - a.y());
        const double beta = vectorAngle(b.x() - n.x(), b.y() - n.y());
        const QPointF control1 = polar(a, length, phi + Pi);
        const double delta = wrapToHalfTurn((alpha - Pi) - beta);
        phi = beta + delta / 2;
        const QPointF control2 = polar(b, length, phi);
        path.curveTo(b, control1, control2);
    }
    const QPointF &a = points[count - 2];
    const QPointF &b = points[count - 1];
    const double length = distance(a, b) / 2;
    const QPointF control1 = polar(a, length, phi + Pi);
    const double gamma = vectorAngle(b.x() - points[0].x(), b.y() - points[0].y());
    const QPointF control2 = polar(b, length, gamma);
    path.curveTo(b, control1, control2);
    return closedPathCopy(path);
}

double vectorLengthAndAngle(double dx, double dy, double *angleDegrees)
{
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r == 0 || !std::isfinite(r)) {
        if (angleDegrees)
            *angleDegrees = 0;
        return r == 0 ? 0 : r;
    }
    const double s = std::min(1.0, std::abs(dy) / r);
    double angle;
    if (dx > 0)
        angle = std::asin(s);
    else if (dy != 0)
        angle = Pi - std::asin(s);
    else
        angle = Pi;
    if (angleDegrees)
        *angleDegrees = angle * 180 / Pi;
    return r;
}

double pointsAngle(Point p1, Point p2, double *angleDegrees)
{
    return vectorLengthAndAngle(double(p2.h) - p1.h, double(p2.v) - p1.v, angleDegrees);
}

void rotatePoints(Point *points, int count, Point center, double angleDegrees)
{
    if (!points || count <= 0 || !std::isfinite(angleDegrees))
        return;
    int whole = int(std::fmod(std::trunc(angleDegrees), 360.0));
    if (whole < 0)
        whole += 360;
    double s;
    double c;
    // Quarter turns use exact values, so repeated turns of a barcode do not drift.
    switch (whole) {
    case 0: s = 0; c = 1; break;
    case 90: s = 1; c = 0; break;
    case 180: s = 0; c = -1; break;
    case 270: s = -1; c = 0; break;
    default:
        s = std::sin(angleDegrees * Pi / 180);
        c = std::cos(angleDegrees * Pi / 180);
    }
    for (int i = 0; i < count; ++i) {
        const double dv = double(points[i].v) - center.v;
        const double dh = double(points[i].h) - center.h;
        const double v = center.v + dv * c - dh * s;
        const double h = center.h + dh * c + dv * s;
        points[i].v = toShort(v);
        points[i].h = toShort(h);
    }
}

} // namespace quillmark
