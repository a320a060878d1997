// Generators and gradients of our own: unbounded pictures computed per pixel, so any part of
// them costs only its own pixels.

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
const QString Color0 = QStringLiteral("inputColor0");
const QString Color1 = QStringLiteral("inputColor1");

FilterImage unbounded(std::function<QRgb(double, double)> pixel)
{
    return FilterImage(FilterExtent::infinite(), [pixel](const QRect &rect) {
        return OwnImageFilter::renderPixels(rect, pixel);
    });
}

// The weight of colour 1 for a smooth square wave: s in -1..1 is the wave, sharpness 1 a hard
// edge, 0 the softest.
double edgeWeight(double s, double sharpness)
{
    const double softness = std::max(1e-6, 1 - std::clamp(sharpness, 0.0, 1.0));
    return std::clamp(0.5 - 0.5 * s / softness, 0.0, 1.0);
}

std::unique_ptr<Filter> constantColor()
{
    auto f = std::make_unique<Filter>(QStringLiteral("ConstantColorGenerator"),
                                      QStringLiteral("Constant Color"),
                                      QStringList{C::Generator});
    f->addColor(QStringLiteral("inputColor"), QStringLiteral("Color"), QColor(Qt::black));
    f->setOutput([](const Filter &self) {
        const QRgb pixel = premultipliedColor(self.color(QStringLiteral("inputColor")));
        return unbounded([pixel](double, double) { return pixel; });
    });
    f->setDefaults();
    return f;
}

void addPattern(Filter &f)
{
    f.addVector(Center, QStringLiteral("Center"), T::Position, {150, 150});
    f.addColor(Color0, QStringLiteral("Color 1"), QColor(Qt::white));
    f.addColor(Color1, QStringLiteral("Color 2"), QColor(Qt::black));
    f.addNumber(Width, QStringLiteral("Width"), T::Distance, 1, 2000, 80, 2, 800);
    f.addNumber(Sharpness, QStringLiteral("Sharpness"), T::Scalar, 0, 1, 1, 0, 1);
}

std::unique_ptr<Filter> checkerboard()
{
    auto f = std::make_unique<Filter>(QStringLiteral("CheckerboardGenerator"),
                                      QStringLiteral("Checkerboard"), QStringList{C::Generator});
    addPattern(*f);
    f->setOutput([](const Filter &self) {
        const QPointF c = self.point(Center);
        const double w = std::max(1.0, self.number(Width));
        const double sharp = self.number(Sharpness);
        const QRgb a = premultipliedColor(self.color(Color0));
        const QRgb b = premultipliedColor(self.color(Color1));
        return unbounded([=](double x, double y) {
            const double s = std::sin(M_PI * (x - c.x()) / w) * std::sin(M_PI * (y - c.y()) / w);
            return mixPremultiplied(a, b, edgeWeight(s, sharp));
        });
    });
    f->setDefaults();
    return f;
}

std::unique_ptr<Filter> stripes()
{
    auto f = std::make_unique<Filter>(QStringLiteral("StripesGenerator"), QStringLiteral("Stripes"),
                                      QStringList{C::Generator});
    addPattern(*f);
    f->setOutput([](const Filter &self) {
        const QPointF c = self.point(Center);
        const double w = std::max(1.0, self.number(Width));
        const double sharp = self.number(Sharpness);
        const QRgb a = premultipliedColor(self.color(Color0));
        const QRgb b = premultipliedColor(self.color(Color1));
        return unbounded([=](double x, double) {
            return mixPremultiplied(a, b, edgeWeight(std::sin(M_PI * (x - c.x()) / w), sharp));
        });
    });
    f->setDefaults();
    return f;
}

std::unique_ptr<Filter> linearGradient()
{
    auto f = std::make_unique<Filter>(QStringLiteral("LinearGradient"),
                                      QStringLiteral("Linear Gradient"), QStringList{C::Gradient});
    f->addVector(QStringLiteral("inputPoint0"), QStringLiteral("Point 1"), T::Position, {0, 0});
    f->addVector(QStringLiteral("inputPoint1"), QStringLiteral("Point 2"), T::Position, {200, 200});
    f->addColor(Color0, QStringLiteral("Color 1"), QColor(Qt::white));
    f->addColor(Color1, QStringLiteral("Color 2"), QColor(Qt::black));
    f->setOutput([](const Filter &self) {
        const QPointF p0 = self.point(QStringLiteral("inputPoint0"));
        const QPointF d = self.point(QStringLiteral("inputPoint1")) - p0;
        const double length2 = d.x() * d.x() + d.y() * d.y();
        const QRgb a = premultipliedColor(self.color(Color0));
        const QRgb b = premultipliedColor(self.color(Color1));
        return unbounded([=](double x, double y) {
            if (length2 < 1e-12)
                return a;
            const double t = ((x - p0.x()) * d.x() + (y - p0.y()) * d.y()) / length2;
            return mixPremultiplied(a, b, t);
        });
    });
    f->setDefaults();
    return f;
}

std::unique_ptr<Filter> radialGradient()
{
    auto f = std::make_unique<Filter>(QStringLiteral("RadialGradient"),
                                      QStringLiteral("Radial Gradient"), QStringList{C::Gradient});
    f->addVector(Center, QStringLiteral("Center"), T::Position, {150, 150});
    f->addNumber(QStringLiteral("inputRadius0"), QStringLiteral("Radius 1"), T::Distance, 0, 10000,
                 5, 0, 800);
    f->addNumber(QStringLiteral("inputRadius1"), QStringLiteral("Radius 2"), T::Distance, 0, 10000,
                 100, 0, 800);
    f->addColor(Color0, QStringLiteral("Color 1"), QColor(Qt::white));
    f->addColor(Color1, QStringLiteral("Color 2"), QColor(Qt::black));
    f->setOutput([](const Filter &self) {
        const QPointF c = self.point(Center);
        const double r0 = self.number(QStringLiteral("inputRadius0"));
        const double r1 = self.number(QStringLiteral("inputRadius1"));
        const QRgb a = premultipliedColor(self.color(Color0));
        const QRgb b = premultipliedColor(self.color(Color1));
        return unbounded([=](double x, double y) {
            const double d = std::hypot(x - c.x(), y - c.y());
            if (std::abs(r1 - r0) < 1e-9)
                return d < r0 ? a : b;
            return mixPremultiplied(a, b, (d - r0) / (r1 - r0));
        });
    });
    f->setDefaults();
    return f;
}

std::unique_ptr<Filter> gaussianGradient()
{
    auto f = std::make_unique<Filter>(QStringLiteral("GaussianGradient"),
                                      QStringLiteral("Gaussian Gradient"), QStringList{C::Gradient});
    f->addVector(Center, QStringLiteral("Center"), T::Position, {150, 150});
    f->addColor(Color0, QStringLiteral("Color 1"), QColor(Qt::white));
    f->addColor(Color1, QStringLiteral("Color 2"), QColor(0, 0, 0, 0));
    f->addNumber(QStringLiteral("inputRadius"), QStringLiteral("Radius"), T::Distance, 0, 10000,
                 300, 0, 800);
    f->setOutput([](const Filter &self) {
        const QPointF c = self.point(Center);
        // The radius holds three standard deviations of the bell.
        const double sigma = std::max(1e-3, self.number(QStringLiteral("inputRadius")) / 3);
        const QRgb a = premultipliedColor(self.color(Color0));
        const QRgb b = premultipliedColor(self.color(Color1));
        return unbounded([=](double x, double y) {
            const double d2 = (x - c.x()) * (x - c.x()) + (y - c.y()) * (y - c.y());
            return mixPremultiplied(a, b, 1 - std::exp(-d2 / (2 * sigma * sigma)));
        });
    });
    f->setDefaults();
    return f;
}

} // namespace

QList<FilterEntry> ownGeneratorEntries()
{
    return {ownEntry(constantColor), ownEntry(checkerboard), ownEntry(stripes),
            ownEntry(linearGradient), ownEntry(radialGradient), ownEntry(gaussianGradient)};
}

} // namespace quillmark
