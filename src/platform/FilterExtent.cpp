#include "platform/FilterExtent.h"

#include <QtMath>

#include <cmath>
#include <limits>

namespace quillmark::FilterExtent {

QRectF infinite()
{
    return QRectF(-qInf(), -qInf(), qInf(), qInf());
}

bool isInfinite(const QRectF &extent)
{
    return !std::isfinite(extent.width()) || !std::isfinite(extent.height())
           || !std::isfinite(extent.x()) || !std::isfinite(extent.y());
}

QRectF intersected(const QRectF &a, const QRectF &b)
{
    if (isInfinite(a))
        return isInfinite(b) ? infinite() : b;
    if (isInfinite(b))
        return a;
    const QRectF result = a.intersected(b);
    return result.isEmpty() ? QRectF() : result;
}

QRectF united(const QRectF &a, const QRectF &b)
{
    if (isInfinite(a) || isInfinite(b))
        return infinite();
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return a.united(b);
}

QRect pixelRect(const QRectF &extent)
{
    if (isInfinite(extent) || extent.isEmpty())
        return {};
    constexpr double limit = std::numeric_limits<int>::max() / 4;
    const double left = std::floor(extent.left());
    const double top = std::floor(extent.top());
    const double right = std::ceil(extent.right());
    const double bottom = std::ceil(extent.bottom());
    if (left < -limit || top < -limit || right > limit || bottom > limit)
        return {};
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

bool isRenderable(const QRect &rect)
{
    return rect.width() > 0 && rect.height() > 0
           && qint64(rect.width()) * rect.height() <= MaximumPixels;
}

QImage transparent(QSize size)
{
    if (!isRenderable(QRect(QPoint(), size)))
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    return image;
}

FilterImage emptyImage()
{
    return FilterImage(QRectF(), [](const QRect &rect) { return transparent(rect.size()); });
}

QRect readableRect(const FilterImage &image)
{
    if (image.isInfinite())
        return QRect(0, 0, 256, 256);
    const QRect rect = pixelRect(image.extent());
    return isRenderable(rect) ? rect : QRect();
}

} // namespace quillmark::FilterExtent
