#include "platform/FilterRaster.h"

#include "platform/FilterExtent.h"

#include <QColor>

#include <algorithm>
#include <cmath>

namespace quillmark {

FilterRaster::FilterRaster(const FilterImage &image, const QRect &rect)
{
    const QRect part = FilterExtent::pixelRect(FilterExtent::intersected(rect, image.extent()));
    if (!FilterExtent::isRenderable(part))
        return;
    m_image = image.render(part);
    m_rect = m_image.isNull() ? QRect() : part;
}

QRgb FilterRaster::pixel(int x, int y) const
{
    if (m_image.isNull())
        return 0;
    const int column = x - m_rect.x();
    const int row = m_rect.y() + m_rect.height() - 1 - y;
    if (column < 0 || row < 0 || column >= m_rect.width() || row >= m_rect.height())
        return 0;
    return reinterpret_cast<const QRgb *>(m_image.constScanLine(row))[column];
}

namespace {

QRgb bilinear(QRgb p00, QRgb p10, QRgb p01, QRgb p11, double fx, double fy)
{
    auto channel = [&](int shift) {
        const double top = ((p00 >> shift) & 0xff) * (1 - fx) + ((p10 >> shift) & 0xff) * fx;
        const double bottom = ((p01 >> shift) & 0xff) * (1 - fx) + ((p11 >> shift) & 0xff) * fx;
        return uint(std::clamp(std::lround(top * (1 - fy) + bottom * fy), 0L, 255L)) << shift;
    };
    return channel(24) | channel(16) | channel(8) | channel(0);
}

} // namespace

QRgb FilterRaster::sample(double x, double y) const
{
    if (m_image.isNull() || !std::isfinite(x) || !std::isfinite(y))
        return 0;
    const double px = x - 0.5;
    const double py = y - 0.5;
    if (px < m_rect.x() - 1 || py < m_rect.y() - 1 || px > m_rect.x() + m_rect.width()
        || py > m_rect.y() + m_rect.height())
        return 0;
    const int x0 = int(std::floor(px));
    const int y0 = int(std::floor(py));
    return bilinear(pixel(x0, y0), pixel(x0 + 1, y0), pixel(x0, y0 + 1), pixel(x0 + 1, y0 + 1),
                    px - x0, py - y0);
}

QRgb FilterRaster::sampleWrapped(double x, double y) const
{
    if (m_image.isNull() || !std::isfinite(x) || !std::isfinite(y))
        return 0;
    const double w = m_rect.width();
    const double h = m_rect.height();
    auto wrap = [](double v, double origin, double size) {
        const double r = std::fmod(v - origin, size);
        return origin + (r < 0 ? r + size : r);
    };
    const double px = wrap(x - 0.5, m_rect.x(), w);
    const double py = wrap(y - 0.5, m_rect.y(), h);
    const int x0 = int(std::floor(px));
    const int y0 = int(std::floor(py));
    const int x1 = x0 + 1 >= m_rect.x() + m_rect.width() ? m_rect.x() : x0 + 1;
    const int y1 = y0 + 1 >= m_rect.y() + m_rect.height() ? m_rect.y() : y0 + 1;
    return bilinear(pixel(x0, y0), pixel(x1, y0), pixel(x0, y1), pixel(x1, y1), px - x0, py - y0);
}

double FilterRaster::luminance(QRgb p)
{
    // Premultiplied channels already carry alpha.
    return (0.2126 * qRed(p) + 0.7152 * qGreen(p) + 0.0722 * qBlue(p)) / 255.0;
}

QRgb mixPremultiplied(QRgb a, QRgb b, double t)
{
    t = std::clamp(std::isfinite(t) ? t : 0.0, 0.0, 1.0);
    auto channel = [&](int shift) {
        const double v = ((a >> shift) & 0xff) * (1 - t) + ((b >> shift) & 0xff) * t;
        return uint(std::clamp(std::lround(v), 0L, 255L)) << shift;
    };
    return channel(24) | channel(16) | channel(8) | channel(0);
}

QRgb overPremultiplied(QRgb a, QRgb b)
{
    const uint inverse = 255 - qAlpha(a);
    auto channel = [&](int shift) {
        const uint v = ((a >> shift) & 0xff) + (((b >> shift) & 0xff) * inverse + 127) / 255;
        return std::min(v, 255u) << shift;
    };
    return channel(24) | channel(16) | channel(8) | channel(0);
}

QRgb premultipliedColor(const QColor &color)
{
    return qPremultiply(color.isValid() ? color.rgba() : 0u);
}

} // namespace quillmark
