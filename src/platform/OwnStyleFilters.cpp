// Colour and shading filters of our own: a colour ramp applied by brightness, and a picture
// shaded as a raised material by a lit-ball environment map.

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

std::unique_ptr<Filter> colorMap()
{
    auto f = std::make_unique<Filter>(QStringLiteral("ColorMap"), QStringLiteral("Color Map"),
                                      QStringList{C::ColorEffect});
    f->addImage(Image, QStringLiteral("Image"));
    f->addImage(QStringLiteral("inputGradientImage"), QStringLiteral("Gradient Image"));
    f->setOutput([](const Filter &self) {
        const FilterImage source = self.image(Image);
        const FilterImage ramp = self.image(QStringLiteral("inputGradientImage"));
        const QRect rampRect = FilterExtent::readableRect(ramp);
        return FilterImage(source.extent(), [=](const QRect &rect) {
            const FilterRaster pixels(source, rect);
            const FilterRaster colours(ramp, rampRect);
            // The ramp is read along its middle row, dark values at its left.
            const double row = rampRect.y() + rampRect.height() / 2.0;
            return Filter::renderPixels(rect, [&](double x, double y) -> QRgb {
                const QRgb p = pixels.pixel(int(std::floor(x)), int(std::floor(y)));
                const int alpha = qAlpha(p);
                if (alpha == 0)
                    return 0;
                const double t = std::clamp(FilterRaster::luminance(p) * 255.0 / alpha, 0.0, 1.0);
                const QRgb c = qUnpremultiply(
                    colours.sample(rampRect.x() + 0.5 + t * (rampRect.width() - 1), row));
                return qPremultiply(qRgba(qRed(c), qGreen(c), qBlue(c), qAlpha(c) * alpha / 255));
            });
        });
    });
    f->setDefaults();
    return f;
}

std::unique_ptr<Filter> shadedMaterial()
{
    auto f = std::make_unique<Filter>(QStringLiteral("ShadedMaterial"),
                                      QStringLiteral("Shaded Material"), QStringList{C::Stylize});
    f->addImage(Image, QStringLiteral("Image"));
    f->addImage(QStringLiteral("inputShadingImage"), QStringLiteral("Shading Image"));
    f->addNumber(QStringLiteral("inputScale"), QStringLiteral("Scale"), T::Distance, 0, 200, 10, 0,
                 200);
    f->setOutput([](const Filter &self) {
        const FilterImage source = self.image(Image);
        const FilterImage shading = self.image(QStringLiteral("inputShadingImage"));
        const QRect ballRect = FilterExtent::readableRect(shading);
        const double scale = self.number(QStringLiteral("inputScale"));
        return FilterImage(source.extent(), [=](const QRect &rect) {
            const FilterRaster heights(source, rect.adjusted(-1, -1, 1, 1));
            const FilterRaster ball(shading, ballRect);
            const QPointF centre = QRectF(ballRect).center();
            const double rx = ballRect.width() / 2.0 * 0.98, ry = ballRect.height() / 2.0 * 0.98;
            return Filter::renderPixels(rect, [&](double x, double y) -> QRgb {
                const int ix = int(std::floor(x)), iy = int(std::floor(y));
                const int alpha = qAlpha(heights.pixel(ix, iy));
                if (alpha == 0)
                    return 0;
                // The picture's brightness is the material's height; its slope tilts the
                // surface, and the tilt picks the point of the lit ball that it mirrors.
                auto h = [&](int u, int v) { return FilterRaster::luminance(heights.pixel(u, v)); };
                const double gx = (h(ix + 1, iy) - h(ix - 1, iy)) / 2 * scale;
                const double gy = (h(ix, iy + 1) - h(ix, iy - 1)) / 2 * scale;
                const double length = std::sqrt(gx * gx + gy * gy + 1);
                const QRgb lit = qUnpremultiply(
                    ball.sample(centre.x() - gx / length * rx, centre.y() - gy / length * ry));
                return qPremultiply(qRgba(qRed(lit), qGreen(lit), qBlue(lit), alpha));
            });
        });
    });
    f->setDefaults();
    return f;
}

} // namespace

QList<FilterEntry> ownStyleEntries()
{
    return {ownEntry(colorMap), ownEntry(shadedMaterial)};
}

} // namespace quillmark
