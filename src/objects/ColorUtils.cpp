#include "objects/ColorUtils.h"

#include <QCache>
#include <QCoreApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace quillmark {

namespace {

// Qt blends between gradient stops with premultiplied colours; sampling the blend densely
// keeps the result next to the straight (non-premultiplied) blend that fading colours need.
constexpr int StopCount = 64;

void setBlendStops(QGradient &gradient, const TwoColorBlend &blend)
{
    QGradientStops stops;
    stops.reserve(StopCount + 1);
    for (int i = 0; i <= StopCount; ++i) {
        const float t = float(i) / float(StopCount);
        stops.append({qreal(t), blend.colorAt(t)});
    }
    gradient.setStops(stops);
}

std::array<float, 4> rgbaOf(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

} // namespace

std::optional<QColor> createCGColorFromNSColor(const QColor &color)
{
    switch (color.spec()) {
    case QColor::Rgb:
    case QColor::Hsv:
    case QColor::Hsl:
    case QColor::ExtendedRgb:
        return color.toRgb();
    case QColor::Cmyk:
        return color;
    case QColor::Invalid:
        break;
    }
    return std::nullopt;
}

std::array<float, 4> TwoColorBlend::evaluate(float t) const
{
    std::array<float, 4> out{};
    for (int i = 0; i < 4; ++i)
        out[size_t(i)] = c1[size_t(i)] + t * (c2[size_t(i)] - c1[size_t(i)]);
    return out;
}

QColor TwoColorBlend::colorAt(float t) const
{
    const std::array<float, 4> c = evaluate(t);
    auto unit = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    return QColor::fromRgbF(unit(c[0]), unit(c[1]), unit(c[2]), unit(c[3]));
}

std::optional<TwoColorBlend> createTwoColorShadingFunction(const QColor &first, const QColor &second)
{
    if (!first.isValid() || !second.isValid())
        return std::nullopt;
    TwoColorBlend blend;
    blend.c1 = rgbaOf(first);
    blend.c2 = rgbaOf(second);
    return blend;
}

void drawAxialGradient(QPainter *painter, const QColor &first, const QColor &second,
                       double angleRadians, const QRectF &rect)
{
    const std::optional<TwoColorBlend> blend = createTwoColorShadingFunction(first, second);
    if (!painter || !blend || rect.isEmpty())
        return;
    const double c = std::cos(angleRadians);
    const double s = std::sin(angleRadians);
    // The rectangle's extent along the axis: the first colour starts on one side and the
    // second ends exactly on the other at every angle.
    const double half = (std::abs(c) * rect.width() + std::abs(s) * rect.height()) / 2.0;
    const QPointF center = rect.center();
    const QPointF along(c * half, s * half);
    QLinearGradient gradient(center - along, center + along);
    setBlendStops(gradient, *blend);
    painter->fillRect(rect, gradient);
}

void drawRadialGradient(QPainter *painter, const QColor &first, const QColor &second,
                        const QRectF &rect)
{
    const std::optional<TwoColorBlend> blend = createTwoColorShadingFunction(first, second);
    if (!painter || !blend || rect.isEmpty())
        return;
    // The blend ends on the ellipse of half-axes 0.7 w and 0.7 h and does not extend beyond
    // it, so the corners of the rectangle outside that ellipse are left as they were.
    QRadialGradient gradient(QPointF(0.5, 0.5), 0.7);
    setBlendStops(gradient, *blend);
    // The ellipse within the unit square, the same for every rectangle: made once.
    static const QPainterPath painted = [] {
        QPainterPath area;
        area.addEllipse(QPointF(0.5, 0.5), 0.7, 0.7);
        QPainterPath unit;
        unit.addRect(QRectF(0, 0, 1, 1));
        return area.intersected(unit);
    }();
    painter->save();
    painter->translate(rect.topLeft());
    painter->scale(rect.width(), rect.height());
    painter->fillPath(painted, gradient);
    painter->restore();
}

namespace {

// Their cost in kilobytes.
QCache<QByteArray, QImage> &keptGradients()
{
    static QCache<QByteArray, QImage> kept(KeptGradientBudget / 1024);
    return kept;
}

QImage gradientImage(const QSize &pixels, const std::function<void(QPainter *, const QRectF &)> &paint)
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    QPainter offscreen(&image);
    offscreen.setRenderHint(QPainter::Antialiasing);
    paint(&offscreen, QRectF(QPointF(0, 0), QSizeF(pixels)));
    return image;
}

} // namespace

void drawGradientImage(QPainter *painter, const QRectF &bounds, const QSize &pixels, const QByteArray *key,
                       const std::function<void(QPainter *, const QRectF &)> &paint)
{
    if (!painter || pixels.isEmpty())
        return;
    // The kept images serve the window's thread alone, which draws the screen.
    const QCoreApplication *app = QCoreApplication::instance();
    if (!key || !app || QThread::currentThread() != app->thread()) {
        painter->drawImage(bounds, gradientImage(pixels, paint));
        return;
    }
    QCache<QByteArray, QImage> &kept = keptGradients();
    const QImage *image = kept.object(*key);
    if (!image) {
        QImage fresh = gradientImage(pixels, paint);
        const qsizetype cost = std::max<qsizetype>(1, fresh.sizeInBytes() / 1024);
        // An image larger than the whole budget is drawn once and not kept.
        if (fresh.isNull() || cost > kept.maxCost()) {
            painter->drawImage(bounds, fresh);
            return;
        }
        auto *made = new QImage(std::move(fresh));
        kept.insert(*key, made, cost);
        image = made;
    }
    painter->drawImage(bounds, *image);
}

void forgetKeptGradients()
{
    keptGradients().clear();
}

} // namespace quillmark
