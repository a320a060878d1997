// Distortions of our own: glass over a bump texture, and a picture bent around a circle.

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

// How far a texture slope of one (full luminance over a pixel) moves a pixel, per unit of
// scale; tuned so the default scale refracts by a few pixels.
constexpr double SlopeGain = 5;
constexpr double SlopeSpan = 3;

std::unique_ptr<Filter> glassDistortion()
{
    auto f = std::make_unique<Filter>(QStringLiteral("GlassDistortion"),
                                      QStringLiteral("Glass Distortion"),
                                      QStringList{C::DistortionEffect});
    f->addImage(Image, QStringLiteral("Image"));
    f->addImage(QStringLiteral("inputTexture"), QStringLiteral("Texture"));
    f->addVector(Center, QStringLiteral("Center"), T::Position, {150, 150});
    f->addNumber(QStringLiteral("inputScale"), QStringLiteral("Scale"), T::Distance, 0, 1000, 200,
                 0.01, 500);
    f->setOutput([](const Filter &self) -> FilterImage {
        const FilterImage source = self.image(Image);
        const FilterImage texture = self.image(QStringLiteral("inputTexture"));
        const QPointF centre = self.point(Center);
        const double scale = self.number(QStringLiteral("inputScale"));
        // The texture repeats, so one copy of it is all that is read.
        const QRect tile = FilterExtent::pixelRect(FilterExtent::intersected(
            texture.extent(), QRectF(texture.isInfinite() ? QRectF(0, 0, 512, 512) : texture.extent())));
        // A slope is at most 1 / (2 * SlopeSpan) per pixel.
        const int margin = int(std::min(2048.0, std::ceil(scale * SlopeGain / (2 * SlopeSpan))) + 2);
        return FilterImage(source.extent(), [=](const QRect &rect) {
            const FilterRaster bumps(texture, tile);
            const FilterRaster pixels(source, rect.adjusted(-margin, -margin, margin, margin));
            return Filter::renderPixels(rect, [&](double x, double y) {
                const double tx = x - centre.x(), ty = y - centre.y();
                auto height = [&](double u, double v) {
                    return FilterRaster::luminance(bumps.sampleWrapped(u, v));
                };
                // Slopes over a few pixels, so the texture's 8-bit steps do not show as grain.
                const double gx = (height(tx + SlopeSpan, ty) - height(tx - SlopeSpan, ty)) / (2 * SlopeSpan);
                const double gy = (height(tx, ty + SlopeSpan) - height(tx, ty - SlopeSpan)) / (2 * SlopeSpan);
                return pixels.sample(x + scale * SlopeGain * gx, y + scale * SlopeGain * gy);
            });
        });
    });
    f->setDefaults();
    return f;
}

std::unique_ptr<Filter> circularWrap()
{
    auto f = std::make_unique<Filter>(QStringLiteral("CircularWrap"),
                                      QStringLiteral("Circular Wrap Distortion"),
                                      QStringList{C::DistortionEffect});
    f->addImage(Image, QStringLiteral("Image"));
    f->addVector(Center, QStringLiteral("Center"), T::Position, {150, 150});
    f->addNumber(QStringLiteral("inputRadius"), QStringLiteral("Radius"), T::Distance, 0.01, 5000,
                 150, 0.01, 600);
    f->addNumber(QStringLiteral("inputAngle"), QStringLiteral("Angle"), T::Angle, -M_PI, M_PI, 0,
                 -M_PI, M_PI);
    f->setOutput([](const Filter &self) -> FilterImage {
        const FilterImage source = self.image(Image);
        const QRect whole = FilterExtent::pixelRect(source.extent());
        if (!FilterExtent::isRenderable(whole))
            return FilterExtent::emptyImage();
        const QPointF c = self.point(Center);
        const double radius = std::max(0.01, self.number(QStringLiteral("inputRadius")));
        // The picture's middle column stands at the top of the circle, turned by the angle.
        const double top = M_PI / 2 + self.number(QStringLiteral("inputAngle"));
        const double reach = radius + whole.height();
        const QRectF extent(c.x() - reach, c.y() - reach, 2 * reach, 2 * reach);
        return FilterImage(extent, [=](const QRect &rect) {
            const FilterRaster pixels(source, whole);
            const double middle = whole.x() + whole.width() / 2.0;
            return Filter::renderPixels(rect, [&](double x, double y) -> QRgb {
                const double dx = x - c.x(), dy = y - c.y();
                const double r = std::hypot(dx, dy);
                double turn = std::atan2(dy, dx) - top;
                turn = std::remainder(turn, 2 * M_PI);
                // Counter-clockwise runs leftwards along the picture's bottom edge.
                const double u = middle - turn * radius;
                const double v = whole.y() + (r - radius);
                if (v < whole.y() || v > whole.y() + whole.height())
                    return 0;
                return pixels.sample(u, v);
            });
        });
    });
    f->setDefaults();
    return f;
}

} // namespace

QList<FilterEntry> ownDistortionEntries()
{
    return {ownEntry(glassDistortion), ownEntry(circularWrap)};
}

} // namespace quillmark
