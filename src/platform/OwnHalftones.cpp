// Halftone screens of our own: the picture's brightness drawn as dots, lines, rings or
// hatching of one ink, each screen a periodic pattern thresholded by the brightness.

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
const QString Angle = QStringLiteral("inputAngle");

// A screen's pattern at a point, in cells of the screen (u across, v along its lines) and in
// pixels from the centre (for round screens): -1 where ink comes first, 1 where it comes last.
using Pattern = double (*)(double u, double v, double r);

std::unique_ptr<Filter> screen(const QString &name, const QString &displayName, bool turns,
                               Pattern pattern)
{
    auto f = std::make_unique<Filter>(name, displayName, QStringList{C::HalftoneEffect});
    f->addImage(Image, QStringLiteral("Image"));
    f->addVector(Center, QStringLiteral("Center"), T::Position, {150, 150});
    if (turns)
        f->addNumber(Angle, QStringLiteral("Angle"), T::Angle, -M_PI, M_PI, 0, -M_PI, M_PI);
    f->addNumber(Width, QStringLiteral("Width"), T::Distance, 1, 500, 6, 2, 50);
    f->addNumber(Sharpness, QStringLiteral("Sharpness"), T::Scalar, 0, 1, 0.7, 0, 1);
    f->setOutput([turns, pattern](const Filter &self) {
        const FilterImage source = self.image(Image);
        const QPointF c = self.point(Center);
        const double angle = turns ? self.number(Angle) : 0.0;
        const double cosine = std::cos(angle), sine = std::sin(angle);
        const double width = std::max(1.0, self.number(Width));
        // The soft edge between ink and paper, as a share of the pattern's swing.
        const double softness = std::max(1e-3, 1 - std::clamp(self.number(Sharpness), 0.0, 1.0));
        return FilterImage(source.extent(), [=](const QRect &rect) {
            const FilterRaster pixels(source, rect);
            return Filter::renderPixels(rect, [&](double x, double y) -> QRgb {
                const QRgb p = pixels.pixel(int(std::floor(x)), int(std::floor(y)));
                const int alpha = qAlpha(p);
                if (alpha == 0)
                    return 0;
                const double brightness = std::clamp(FilterRaster::luminance(p) * 255.0 / alpha, 0.0, 1.0);
                const double dx = x - c.x(), dy = y - c.y();
                const double u = (dx * cosine + dy * sine) / width;
                const double v = (-dx * sine + dy * cosine) / width;
                const double level = (2 * brightness - 1) - pattern(u, v, std::hypot(dx, dy) / width);
                const double paper = std::clamp(0.5 + level / (2 * softness), 0.0, 1.0);
                const int g = int(std::lround(paper * alpha));
                return qRgba(g, g, g, alpha);
            });
        });
    });
    f->setDefaults();
    return f;
}

double dots(double u, double v, double)
{
    return (std::cos(2 * M_PI * u) + std::cos(2 * M_PI * v)) / 2;
}

double lines(double, double v, double)
{
    return std::cos(2 * M_PI * v);
}

double rings(double, double, double r)
{
    return std::cos(2 * M_PI * r);
}

double hatching(double u, double v, double)
{
    return std::max(std::cos(2 * M_PI * u), std::cos(2 * M_PI * v));
}

} // namespace

QList<FilterEntry> ownHalftoneEntries()
{
    return {
        ownEntry([] { return screen(QStringLiteral("DotScreen"), QStringLiteral("Dot Screen"), true, dots); }),
        ownEntry([] { return screen(QStringLiteral("LineScreen"), QStringLiteral("Line Screen"), true, lines); }),
        ownEntry([] { return screen(QStringLiteral("CircularScreen"), QStringLiteral("Circular Screen"), false, rings); }),
        ownEntry([] { return screen(QStringLiteral("HatchedScreen"), QStringLiteral("Hatched Screen"), true, hatching); }),
    };
}

} // namespace quillmark
