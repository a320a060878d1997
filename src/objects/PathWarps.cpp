#include "objects/PathWarps.h"

#include <algorithm>
#include <cmath>

#include "foundation/Measures.h"

namespace quillmark {

namespace {

float ftrunc(float value)
{
    return std::trunc(value);
}

bool hasArea(const QRectF &bounds)
{
    return bounds.width() > 0.0 && bounds.height() > 0.0 && std::isfinite(bounds.width())
        && std::isfinite(bounds.height());
}

// The per-point values every style draws on.
struct Profile
{
    float w;
    float h;
    float u; // distance from the left edge
    float d; // signed distance from the centre line
    float a;
    float b;
    float c;
    int period;
};

Profile profileAt(double cx, const QRectF &bounds)
{
    Profile p;
    p.w = float(bounds.width());
    p.h = float(bounds.height());
    p.u = float(cx - bounds.x());
    p.d = float(cx - bounds.x() - p.w / 2.0f);
    const float id = ftrunc(p.d);
    const float ratio = id / (p.w / 2.0f);
    const float e = std::sqrt(std::max(0.0f, 1.0f - ratio * ratio));
    p.b = ftrunc((p.h / 2.0f) * e);
    p.c = ftrunc(p.h * e);
    p.a = ftrunc((p.h / 3.0f) * e);
    p.period = int(ftrunc(4.0f * p.w / 3.0f));
    return p;
}

// The wave angle B of styles 20 (k = 1) and 21 (k = 5).
float waveAngle(const Profile &p, int k)
{
    if (p.period == 0)
        return 0.0f;
    const int phase = (k * p.period) / 8;
    return 2.0f * float(Pi) * ftrunc(p.u + float(phase)) / float(p.period);
}

} // namespace

double PathWarps::clampToBoundsX(double x, const QRectF &bounds)
{
    if (std::isnan(x))
        return bounds.x();
    return std::min(std::max(x, bounds.x()), bounds.x() + bounds.width());
}

float PathWarps::warpWidthFactor(int style, const QRectF &bounds)
{
    if (style == 18 || style == 19) {
        const float w = float(bounds.width());
        return w != 0.0f ? 3.0f * w / (4.0f * w) : 0.75f;
    }
    return 1.0f;
}

int PathWarps::ellipseProfile(int i, const QRectF &bounds)
{
    const float w = float(bounds.width());
    const float h = float(bounds.height());
    if (w == 0.0f)
        return 0;
    const float ratio = float(i) / (w / 2.0f);
    return int(ftrunc(h * std::sqrt(std::max(0.0f, 1.0f - ratio * ratio))));
}

int PathWarps::linearProfile(int i, const QRectF &bounds)
{
    const float w = float(bounds.width());
    if (w == 0.0f)
        return 0;
    return int(ftrunc(float(i) * float(bounds.height()) / w));
}

int PathWarps::waveOffset(int i, int period, int amplitude)
{
    if (period == 0)
        return 0;
    return int(ftrunc(std::sin(2.0f * float(i) * float(Pi) / float(period)) * float(amplitude)));
}

float PathWarps::warpHeightFactor(int style, double cx, const QRectF &bounds)
{
    const Profile p = profileAt(cx, bounds);
    const float w = p.w;
    const float h = p.h;
    switch (style) {
    case 2: case 3: case 4: case 5: case 16: case 17:
        return 0.5f;
    case 6: case 7:
        return (h - p.b) / h;
    case 8: case 9:
        return p.c / h;
    case 10:
        return 1.0f - p.b / h;
    case 11:
        return p.b / (h / 2.0f);
    case 12:
        return (h - 2.0f * ftrunc((h / 4.0f) * ftrunc(p.u) / w)) / h;
    case 13:
        return (h - 2.0f * ftrunc((h / 4.0f) * ftrunc(w - p.u) / w)) / h;
    case 20: case 21: {
        const int k = style == 20 ? 1 : 5;
        const float bAngle = waveAngle(p, k);
        const float tw = ftrunc(w);
        const float aAngle = tw == 0.0f ? 0.0f
            : (style == 20 ? 2.0f * float(Pi) * ftrunc(p.u) / tw
                           : 2.0f * float(Pi) * ftrunc(p.u + w / 2.0f) / tw);
        const float r = 0.75f * w;
        const float q = style == 20 ? ftrunc((h / 8.0f) * ftrunc(r - p.u) / r)
                                    : ftrunc((h / 8.0f) * ftrunc(p.u) / r);
        const float swell = ftrunc(h / 2.0f + ftrunc(ftrunc(h / 4.0f) * std::sin(bAngle)));
        return 0.8f * (swell + q - ftrunc(ftrunc(h / 8.0f) * std::sin(aAngle))) / h;
    }
    default:
        return 1.0f;
    }
}

float PathWarps::warpVerticalOffset(int style, double cx, float factor, const QRectF &bounds)
{
    const Profile p = profileAt(cx, bounds);
    const float w = p.w;
    const float h = p.h;
    switch (style) {
    case 2:
        return p.d < 0 ? h / 4.0f + (h / 3.0f - p.a) : h / 4.0f + (p.a - h / 3.0f);
    case 3:
        return p.d > 0 ? h / 4.0f + (h / 3.0f - p.a) : h / 4.0f + (p.a - h / 3.0f);
    case 4:
        return h / 2.0f - p.b;
    case 5:
        return p.b;
    case 7: case 8:
        return (1.0f - factor) * h;
    case 10:
        return p.b / 2.0f;
    case 11:
        return h / 2.0f - p.b;
    case 16:
        return h / 2.0f - ftrunc((h / 2.0f) * ftrunc(p.u) / w);
    case 17:
        return h / 2.0f - ftrunc((h / 2.0f) * ftrunc(w - p.u) / w);
    case 20: case 21:
        return h / 5.0f + ftrunc(ftrunc(h / 4.0f) * std::sin(waveAngle(p, style == 20 ? 1 : 5)));
    default:
        return 0.0f;
    }
}

float PathWarps::warpHorizontalShift(int style, float u, float v, const QRectF &bounds)
{
    const float w = float(bounds.width());
    const float h = float(bounds.height());
    switch (style) {
    case 14: case 15: {
        const float depth = style == 14 ? v : h - v;
        const float t = 2.0f * ftrunc((w / 4.0f) * ftrunc(depth) / h);
        return (w / 2.0f - u) * t / w;
    }
    case 18:
        return ftrunc((w / 4.0f) * ftrunc(v) / h);
    case 19:
        return w / 4.0f - ftrunc((w / 4.0f) * ftrunc(v) / h);
    default:
        return 0.0f;
    }
}

QPointF PathWarps::warpPoint(int style, const QPointF &point, const QRectF &bounds)
{
    const double cx = clampToBoundsX(point.x(), bounds);
    if (!hasArea(bounds))
        return QPointF(cx, point.y());
    const double x0 = bounds.x();
    const double y0 = bounds.y();

    const float factor = warpHeightFactor(style, cx, bounds);
    const double y1 = factor != 1.0f ? y0 + (point.y() - y0) * factor : point.y();
    const float offset = warpVerticalOffset(style, cx, factor, bounds);
    const double cx2 = (style == 18 || style == 19) ? x0 + (cx - x0) * warpWidthFactor(style, bounds)
                                                     : cx;
    const double y2 = y1 + offset;
    const float shift = warpHorizontalShift(style, float(cx2 - x0), float(y2 - y0), bounds);
    return QPointF(cx2 + shift, y2);
}

std::optional<BezierPath> PathWarps::warpBezierPath(const BezierPath *path, int style,
                                                    const QRectF &bounds)
{
    if (!path)
        return std::nullopt;
    if (!hasArea(bounds))
        return *path;
    BezierPath result;
    for (int i = 0; i < path->elementCount(); ++i) {
        QPointF pts[3];
        switch (path->elementAt(i, pts)) {
        case BezierPath::MoveTo:
            result.moveTo(warpPoint(style, pts[0], bounds));
            break;
        case BezierPath::LineTo:
            result.lineTo(warpPoint(style, pts[0], bounds));
            break;
        case BezierPath::CurveTo:
            result.curveTo(warpPoint(style, pts[2], bounds), warpPoint(style, pts[0], bounds),
                           warpPoint(style, pts[1], bounds));
            break;
        case BezierPath::ClosePath:
            result.closePath();
            break;
        }
    }
    return result;
}

} // namespace quillmark
