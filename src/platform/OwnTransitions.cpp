// Transitions of our own: from one picture to a target as a time input runs from 0 to 1.
// Each is a still of the transition at that time, so the effects panel can show and apply it.

#include "platform/FilterExtent.h"
#include "platform/FilterRaster.h"
#include "platform/OwnImageFilter.h"

#include <algorithm>
#include <cmath>

namespace quillmark {

namespace {

namespace T = FilterInputType;
namespace C = FilterCategory;
using Filter = OwnImageFilter;

using namespace OwnInputKeys;
const QString Target = QStringLiteral("inputTargetImage");
const QString Shading = QStringLiteral("inputShadingImage");
const QString Time = QStringLiteral("inputTime");
const QString Extent = QStringLiteral("inputExtent");

const QStringList TransitionCategories{C::Transition, C::Stylize};

// What a transition reads of an input: around the rectangle asked for, within the image.
QRect around(const QRect &rect, int margin)
{
    return rect.adjusted(-margin, -margin, margin, margin);
}

void addTime(Filter &f)
{
    f.addNumber(Time, QStringLiteral("Time"), T::Time, 0, 1, 0, 0, 1);
}

// Lightens a premultiplied pixel towards white by `amount` (0..1), keeping its alpha.
QRgb lighten(QRgb p, double amount)
{
    amount = std::clamp(amount, 0.0, 1.0);
    const int a = qAlpha(p);
    auto c = [&](int v) { return int(std::lround(v + (a - v) * amount)); };
    return qRgba(c(qRed(p)), c(qGreen(p)), c(qBlue(p)), a);
}

QRgb darken(QRgb p, double amount)
{
    amount = std::clamp(amount, 0.0, 1.0);
    auto c = [&](int v) { return int(std::lround(v * (1 - amount))); };
    return qRgba(c(qRed(p)), c(qGreen(p)), c(qBlue(p)), qAlpha(p));
}

std::unique_ptr<Filter> ripple()
{
    auto f = std::make_unique<Filter>(QStringLiteral("RippleTransition"), QStringLiteral("Ripple"),
                                      TransitionCategories);
    f->addImage(Image, QStringLiteral("Image"));
    f->addImage(Target, QStringLiteral("Target Image"));
    f->addImage(Shading, QStringLiteral("Shading Image"));
    f->addVector(QStringLiteral("inputCenter"), QStringLiteral("Center"), T::Position, {150, 150});
    f->addVector(Extent, QStringLiteral("Extent"), T::Rectangle, {0, 0, 300, 300});
    addTime(*f);
    f->addNumber(QStringLiteral("inputWidth"), QStringLiteral("Width"), T::Distance, 1, 1000, 100,
                 1, 300);
    f->addNumber(QStringLiteral("inputScale"), QStringLiteral("Scale"), T::Scalar, -50, 50, 50,
                 -50, 50);
    f->setOutput([](const Filter &self) {
        const FilterImage from = self.image(Image);
        const FilterImage to = self.image(Target);
        const FilterImage shine = self.image(Shading);
        const QRect shineRect = FilterExtent::readableRect(shine);
        const QPointF c = self.point(QStringLiteral("inputCenter"));
        const QRectF area = self.rectangle(Extent).normalized();
        const double width = std::max(1.0, self.number(QStringLiteral("inputWidth")));
        const double scale = self.number(QStringLiteral("inputScale"));
        // The ring starts at the centre and has left the area behind it at time 1.
        double farthest = 0;
        for (const QPointF &corner : {area.topLeft(), area.topRight(), area.bottomLeft(), area.bottomRight()})
            farthest = std::max(farthest, std::hypot(corner.x() - c.x(), corner.y() - c.y()));
        const double radius = self.number(Time) * (farthest + width) - width / 2;
        const int margin = int(std::ceil(std::abs(scale))) + 2;
        return FilterImage(FilterExtent::united(from.extent(), to.extent()), [=](const QRect &rect) {
            const FilterRaster a(from, around(rect, margin));
            const FilterRaster b(to, around(rect, margin));
            const FilterRaster s(shine, shineRect);
            const QPointF shineCentre = QRectF(shineRect).center();
            return Filter::renderPixels(rect, [&](double x, double y) -> QRgb {
                const double dx = x - c.x(), dy = y - c.y();
                const double d = std::hypot(dx, dy);
                const double phase = (d - radius) / (width / 2); // -1 inside edge .. 1 outside
                if (phase <= -1)
                    return b.sample(x, y);
                if (phase >= 1)
                    return a.sample(x, y);
                // Inside the ring the surface is a wave: it refracts along the radius and
                // catches the light where it slopes.
                const double ux = d > 0 ? dx / d : 0, uy = d > 0 ? dy / d : 0;
                const double shift = scale * std::sin(M_PI * phase) * (1 - std::abs(phase));
                const FilterRaster &seen = phase < 0 ? b : a;
                const QRgb p = seen.sample(x + ux * shift, y + uy * shift);
                const double light = qAlpha(s.sample(shineCentre.x() + phase * shineRect.width() * 0.35,
                                                     shineCentre.y())) / 255.0;
                return lighten(p, light * 0.6);
            });
        });
    });
    f->setDefaults();
    return f;
}

std::unique_ptr<Filter> pageCurl()
{
    auto f = std::make_unique<Filter>(QStringLiteral("PageCurlTransition"),
                                      QStringLiteral("Page Curl"), TransitionCategories);
    f->addImage(Image, QStringLiteral("Image"));
    f->addImage(Target, QStringLiteral("Target Image"));
    f->addImage(Shading, QStringLiteral("Shading Image"));
    f->addVector(Extent, QStringLiteral("Extent"), T::Rectangle, {0, 0, 300, 300});
    addTime(*f);
    f->addNumber(QStringLiteral("inputAngle"), QStringLiteral("Angle"), T::Angle, -M_PI, M_PI, 0,
                 -M_PI, M_PI);
    f->addNumber(QStringLiteral("inputRadius"), QStringLiteral("Radius"), T::Distance, 0.01, 1000,
                 100, 0.01, 400);
    f->setOutput([](const Filter &self) {
        const FilterImage from = self.image(Image);
        const FilterImage to = self.image(Target);
        const FilterImage shine = self.image(Shading);
        const QRect shineRect = FilterExtent::readableRect(shine);
        const QRectF area = self.rectangle(Extent).normalized();
        const double angle = self.number(QStringLiteral("inputAngle"));
        const double radius = std::max(0.01, self.number(QStringLiteral("inputRadius")));
        // The page lifts along a line at right angles to the angle's direction; the line sweeps
        // the area from its far side (time 0) to beyond its near side (time 1).
        const double nx = std::cos(angle), ny = std::sin(angle);
        double low = qInf(), high = -qInf();
        for (const QPointF &corner : {area.topLeft(), area.topRight(), area.bottomLeft(), area.bottomRight()}) {
            low = std::min(low, corner.x() * nx + corner.y() * ny);
            high = std::max(high, corner.x() * nx + corner.y() * ny);
        }
        const double line = high - self.number(Time) * (high - low + M_PI * radius);
        const QRectF fromExtent = from.extent();
        return FilterImage(FilterExtent::united(fromExtent, to.extent()), [=](const QRect &rect) {
            const QRect whole = FilterExtent::readableRect(from);
            const FilterRaster a(from, whole.isEmpty() ? around(rect, 2) : whole);
            const FilterRaster b(to, around(rect, 2));
            const FilterRaster s(shine, shineRect);
            const QPointF shineCentre = QRectF(shineRect).center();
            auto onPage = [&](double x, double y) {
                return FilterExtent::isInfinite(fromExtent) || fromExtent.contains(QPointF(x, y));
            };
            return Filter::renderPixels(rect, [&](double x, double y) -> QRgb {
                const double q = x * nx + y * ny;
                // The page's own point that this position shows, moved along the direction.
                auto pagePoint = [&](double along) { return QPointF(x + nx * (along - q), y + ny * (along - q)); };
                QRgb below = b.sample(x, y);
                if (q < line) {
                    // Flat page, perhaps under its rolled-back part.
                    const QPointF back = pagePoint(2 * line + M_PI * radius - q);
                    QRgb front = a.sample(x, y);
                    if (qAlpha(front) < 255)
                        front = overPremultiplied(front, below);
                    if (onPage(back.x(), back.y()))
                        return lighten(a.sample(back.x(), back.y()), 0.7);
                    return front;
                }
                if (q > line + radius)
                    return below;
                // On the roll: its top shows the page's back, its bottom the page's front.
                const double bend = std::asin(std::clamp((q - line) / radius, -1.0, 1.0));
                const QPointF back = pagePoint(line + M_PI * radius - radius * bend);
                const QPointF front = pagePoint(line + radius * bend);
                const double light = qAlpha(s.sample(shineCentre.x() + (q - line) / radius * shineRect.width() * 0.4,
                                                     shineCentre.y())) / 255.0;
                if (onPage(back.x(), back.y()))
                    return lighten(a.sample(back.x(), back.y()), 0.55 + 0.45 * light);
                if (onPage(front.x(), front.y()))
                    return darken(overPremultiplied(a.sample(front.x(), front.y()), below),
                                  0.35 * (q - line) / radius);
                return below;
            });
        });
    });
    f->setDefaults();
    return f;
}

std::unique_ptr<Filter> disintegrate()
{
    auto f = std::make_unique<Filter>(QStringLiteral("DisintegrateWithMaskTransition"),
                                      QStringLiteral("Disintegrate with Mask"),
                                      TransitionCategories);
    f->addImage(Image, QStringLiteral("Image"));
    f->addImage(Target, QStringLiteral("Target Image"));
    f->addImage(QStringLiteral("inputMaskImage"), QStringLiteral("Mask Image"));
    addTime(*f);
    f->addNumber(QStringLiteral("inputShadowRadius"), QStringLiteral("Shadow Radius"), T::Distance,
                 0, 50, 8, 0, 50);
    f->addNumber(QStringLiteral("inputShadowDensity"), QStringLiteral("Shadow Density"), T::Scalar,
                 0, 1, 0.65, 0, 1);
    f->addVector(QStringLiteral("inputShadowOffset"), QStringLiteral("Shadow Offset"), T::Offset,
                 {0, -10});
    f->setOutput([](const Filter &self) {
        const FilterImage from = self.image(Image);
        const FilterImage to = self.image(Target);
        const FilterImage mask = self.image(QStringLiteral("inputMaskImage"));
        const QRect maskRect = FilterExtent::readableRect(mask);
        const double time = self.number(Time);
        const double softness = std::max(1e-3, self.number(QStringLiteral("inputShadowRadius")) / 100);
        const double density = self.number(QStringLiteral("inputShadowDensity"));
        const QPointF offset = self.point(QStringLiteral("inputShadowOffset"));
        // The mask is stretched over the picture.
        const QRectF frame = from.isInfinite() ? QRectF(maskRect) : from.extent();
        return FilterImage(FilterExtent::united(from.extent(), to.extent()), [=](const QRect &rect) {
            const FilterRaster a(from, rect);
            const FilterRaster b(to, rect);
            const FilterRaster m(mask, maskRect);
            auto level = [&](double x, double y) {
                if (frame.isEmpty() || maskRect.isEmpty())
                    return 1.0;
                const double u = maskRect.x() + (x - frame.x()) / frame.width() * maskRect.width();
                const double v = maskRect.y() + (y - frame.y()) / frame.height() * maskRect.height();
                return FilterRaster::luminance(m.sample(std::clamp(u, double(maskRect.left()) + 0.5, maskRect.x() + maskRect.width() - 0.5),
                                                        std::clamp(v, double(maskRect.top()) + 0.5, maskRect.y() + maskRect.height() - 0.5)));
            };
            return Filter::renderPixels(rect, [&](double x, double y) -> QRgb {
                // Dark parts of the mask go first.
                if (level(x, y) >= time)
                    return a.sample(x, y);
                // What is gone shows the target, shaded where the remaining picture casts
                // its shadow.
                const double caster = level(x - offset.x(), y - offset.y()) - time;
                const double shadow = density * std::clamp(caster / softness, 0.0, 1.0);
                return darken(b.sample(x, y), shadow);
            });
        });
    });
    f->setDefaults();
    return f;
}

} // namespace

QList<FilterEntry> ownTransitionEntries()
{
    return {ownEntry(ripple), ownEntry(pageCurl), ownEntry(disintegrate)};
}

} // namespace quillmark
