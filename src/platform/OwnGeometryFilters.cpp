// Geometry of our own: cropping, affine transforms of a picture and of its tiling, and the
// plain source-over composite the effects panel lays generators with.

#include "platform/FilterExtent.h"
#include "platform/FilterRaster.h"
#include "platform/OwnImageFilter.h"

#include <QPainter>

#include <cmath>

namespace quillmark {

namespace {

namespace T = FilterInputType;
namespace C = FilterCategory;
using Filter = OwnImageFilter;

using namespace OwnInputKeys;
const QString Transform = QStringLiteral("inputTransform");

// A transform whose inverse stays within what a render can use.
bool usable(const QTransform &m)
{
    const double det = m.determinant();
    return std::isfinite(det) && std::abs(det) > 1e-9;
}

FilterImage transformed(const FilterImage &source, const QTransform &m)
{
    if (!usable(m))
        return FilterExtent::emptyImage();
    const QRectF extent = source.isInfinite() ? FilterExtent::infinite() : m.mapRect(source.extent());
    return FilterImage(extent, [source, m](const QRect &rect) {
        QImage out = FilterExtent::transparent(rect.size());
        if (out.isNull())
            return out;
        const QTransform inverse = m.inverted();
        const QRect needed = FilterExtent::pixelRect(FilterExtent::intersected(
            inverse.mapRect(QRectF(rect)).adjusted(-2, -2, 2, 2), source.extent()));
        if (!FilterExtent::isRenderable(needed))
            return out;
        const QImage pixels = source.render(needed);
        if (pixels.isNull())
            return out;
        // Source rows (top first) to filter space, through m, to the rows of the result.
        const QTransform fromSource(1, 0, 0, -1, needed.x(), needed.y() + needed.height());
        const QTransform toResult(1, 0, 0, -1, -rect.x(), rect.y() + rect.height());
        QPainter painter(&out);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setTransform(fromSource * m * toResult);
        painter.drawImage(0, 0, pixels);
        return out;
    });
}

std::unique_ptr<Filter> affineTransform()
{
    auto f = std::make_unique<Filter>(QStringLiteral("AffineTransform"),
                                      QStringLiteral("Affine Transform"),
                                      QStringList{C::GeometryAdjustment});
    f->addImage(Image, QStringLiteral("Image"));
    f->addTransform(Transform, QStringLiteral("Transform"));
    f->setOutput([](const Filter &self) { return transformed(self.image(Image), self.transform(Transform)); });
    f->setDefaults();
    return f;
}

std::unique_ptr<Filter> affineTile()
{
    auto f = std::make_unique<Filter>(QStringLiteral("AffineTile"), QStringLiteral("Affine Tile"),
                                      QStringList{C::TileEffect});
    f->addImage(Image, QStringLiteral("Image"));
    f->addTransform(Transform, QStringLiteral("Transform"));
    f->setOutput([](const Filter &self) -> FilterImage {
        const FilterImage source = self.image(Image);
        const QTransform m = self.transform(Transform);
        const QRect tile = FilterExtent::pixelRect(source.extent());
        if (!usable(m) || !FilterExtent::isRenderable(tile))
            return FilterExtent::emptyImage();
        const QTransform inverse = m.inverted();
        return FilterImage(FilterExtent::infinite(), [source, tile, inverse](const QRect &rect) {
            const FilterRaster raster(source, tile);
            return Filter::renderPixels(rect, [&](double x, double y) {
                const QPointF q = inverse.map(QPointF(x, y));
                return raster.sampleWrapped(q.x(), q.y());
            });
        });
    });
    f->setDefaults();
    return f;
}

std::unique_ptr<Filter> crop()
{
    auto f = std::make_unique<Filter>(QStringLiteral("Crop"), QStringLiteral("Crop"),
                                      QStringList{C::GeometryAdjustment});
    f->addImage(Image, QStringLiteral("Image"));
    f->addVector(QStringLiteral("inputRectangle"), QStringLiteral("Rectangle"), T::Rectangle,
                 {0, 0, 300, 300});
    f->setOutput([](const Filter &self) {
        QRectF r = self.rectangle(QStringLiteral("inputRectangle")).normalized();
        return self.image(Image).cropped(r);
    });
    f->setDefaults();
    return f;
}

std::unique_ptr<Filter> sourceOver()
{
    auto f = std::make_unique<Filter>(QStringLiteral("SourceOverCompositing"),
                                      QStringLiteral("Source Over"),
                                      QStringList{C::CompositeOperation});
    f->addImage(Image, QStringLiteral("Image"));
    f->addImage(QStringLiteral("inputBackgroundImage"), QStringLiteral("Background Image"));
    f->setOutput([](const Filter &self) {
        return self.image(Image).over(self.image(QStringLiteral("inputBackgroundImage")));
    });
    f->setDefaults();
    return f;
}

} // namespace

QList<FilterEntry> ownGeometryEntries()
{
    return {ownEntry(affineTransform), ownEntry(affineTile), ownEntry(crop), ownEntry(sourceOver)};
}

} // namespace quillmark
