#include "platform/ImageFilter.h"

#include "platform/FilterCatalogue.h"
#include "platform/FilterExtent.h"

#include <QHash>
#include <QPainter>
#include <QThreadPool>

#include <algorithm>
#include <cmath>

namespace quillmark {

namespace {

// Copies the part of `image` (its lower-left corner at `origin`, y up) that falls in `rect`.
QImage renderPlaced(const QImage &image, QPoint origin, const QRect &rect)
{
    QImage out = FilterExtent::transparent(rect.size());
    if (out.isNull())
        return out;
    // Filter space to the picture's rows: the picture's top row sits at origin.y + height - 1.
    const int top = origin.y() + image.height();
    const QRect picture(origin.x(), origin.y(), image.width(), image.height());
    const QRect common = picture.intersected(rect);
    if (common.isEmpty())
        return out;
    const int sourceRow = top - (common.y() + common.height());
    const int targetRow = (rect.y() + rect.height()) - (common.y() + common.height());
    const int sourceColumn = common.x() - origin.x();
    const int targetColumn = common.x() - rect.x();
    for (int r = 0; r < common.height(); ++r) {
        const auto *from = reinterpret_cast<const QRgb *>(image.constScanLine(sourceRow + r))
                           + sourceColumn;
        auto *to = reinterpret_cast<QRgb *>(out.scanLine(targetRow + r)) + targetColumn;
        std::copy(from, from + common.width(), to);
    }
    return out;
}

// Clears what lies outside `keep` (filter space) in a render of `rect`.
void clearOutside(QImage &image, const QRect &rect, const QRectF &keep)
{
    const QRect inside = FilterExtent::pixelRect(FilterExtent::intersected(keep, rect));
    if (inside == rect)
        return;
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    QRegion outside(QRect(QPoint(), rect.size()));
    if (!inside.isEmpty()) {
        // In the picture's own rows, top first.
        outside -= QRect(inside.x() - rect.x(),
                         (rect.y() + rect.height()) - (inside.y() + inside.height()),
                         inside.width(), inside.height());
    }
    for (const QRect &r : outside)
        painter.fillRect(r, Qt::transparent);
}

} // namespace

FilterImage::FilterImage(const QImage &image, QPointF origin)
{
    if (image.isNull())
        return;
    // Opaque pixels (0xffRRGGBB) are premultiplied already: a photo is taken as it is, without
    // a conversion of all its pixels.
    const QImage pixels = image.format() == QImage::Format_RGB32
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QPoint placed(int(std::lround(std::isfinite(origin.x()) ? origin.x() : 0.0)),
                        int(std::lround(std::isfinite(origin.y()) ? origin.y() : 0.0)));
    extent_ = QRectF(placed, pixels.size());
    renderer_ = [pixels, placed](const QRect &rect) { return renderPlaced(pixels, placed, rect); };
}

FilterImage::FilterImage(QRectF extent, Renderer renderer)
    : extent_(extent), renderer_(std::move(renderer))
{
}

bool FilterImage::isInfinite() const
{
    return FilterExtent::isInfinite(extent_);
}

QImage FilterImage::render(const QRect &rect) const
{
    if (!FilterExtent::isRenderable(rect))
        return {};
    if (!renderer_)
        return FilterExtent::transparent(rect.size());
    QImage image = renderer_(rect);
    if (image.size() != rect.size())
        return FilterExtent::transparent(rect.size());
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

QImage FilterImage::toImage() const
{
    if (isNull() || isInfinite())
        return {};
    const QRect rect = FilterExtent::pixelRect(extent_);
    if (rect.isEmpty())
        return {};
    return render(rect);
}

FilterImage FilterImage::cropped(const QRectF &rect) const
{
    if (isNull())
        return {};
    const QRectF extent = FilterExtent::intersected(extent_, rect);
    const Renderer inner = renderer_;
    return FilterImage(extent, [inner, extent](const QRect &r) {
        if (extent.isEmpty())
            return FilterExtent::transparent(r.size());
        QImage image = inner(r);
        if (image.size() != r.size())
            return FilterExtent::transparent(r.size());
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
        clearOutside(image, r, extent);
        return image;
    });
}

FilterImage FilterImage::over(const FilterImage &below) const
{
    if (below.isNull())
        return *this;
    if (isNull())
        return below;
    const FilterImage top = *this;
    return FilterImage(FilterExtent::united(extent_, below.extent_), [top, below](const QRect &r) {
        QImage image = below.render(r);
        if (image.isNull())
            return image;
        const QImage upper = top.render(r);
        QPainter painter(&image);
        painter.drawImage(0, 0, upper);
        return image;
    });
}

namespace {

const QList<FilterEntry> &catalogue()
{
    static const QList<FilterEntry> entries = [] {
        QList<FilterEntry> all = geglFilterEntries();
        all += ownFilterEntries();
        std::stable_sort(all.begin(), all.end(), [](const FilterEntry &a, const FilterEntry &b) {
            return a.displayName.compare(b.displayName, Qt::CaseInsensitive) < 0;
        });
        return all;
    }();
    return entries;
}

} // namespace

void ImageFilter::prepareCatalogue()
{
    // The first to ask for the catalogue builds it; anyone asking meanwhile waits for it.
    QThreadPool::globalInstance()->start([] { catalogue(); });
}

QStringList ImageFilter::filterNamesInCategory(const QString &category)
{
    QStringList names;
    for (const FilterEntry &entry : catalogue()) {
        if (entry.categories.contains(category))
            names.append(entry.name);
    }
    return names;
}

std::unique_ptr<ImageFilter> ImageFilter::filterWithName(const QString &name)
{
    for (const FilterEntry &entry : catalogue()) {
        if (entry.name == name)
            return entry.make();
    }
    return nullptr;
}

QList<double> vectorComponents(const QVariant &value)
{
    if (value.canConvert<QList<double>>())
        return value.value<QList<double>>();
    QList<double> components;
    for (const QVariant &v : value.toList())
        components.append(v.toDouble());
    return components;
}

} // namespace quillmark
