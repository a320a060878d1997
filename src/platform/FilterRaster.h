#pragma once

// Pixels of one rectangle of filter space, read by filter-space coordinates (y up): the
// shared reading side of the filters that compute pixels themselves.

#include "platform/ImageFilter.h"

#include <QImage>
#include <QRect>

namespace quillmark {

class FilterRaster
{
public:
    FilterRaster() = default;
    // The pixels of `rect` of `image`, limited to its extent. Nothing is rendered when that
    // part is empty or too big to hold, and every read answers transparent.
    FilterRaster(const FilterImage &image, const QRect &rect);

    bool isEmpty() const { return m_image.isNull(); }
    QRect rect() const { return m_rect; }
    // The premultiplied pixel whose lower-left corner is (x, y); transparent outside.
    QRgb pixel(int x, int y) const;
    // Bilinear between pixel centres, premultiplied; transparent outside.
    QRgb sample(double x, double y) const;
    // The same, with the rectangle repeated in both directions.
    QRgb sampleWrapped(double x, double y) const;
    // Luminance 0..1 of the unpremultiplied colour times alpha (what a mask or height map reads).
    static double luminance(QRgb premultiplied);

private:
    QImage m_image; // rows top first: row 0 is the top of m_rect
    QRect m_rect;
};

// Blends two premultiplied pixels: a at t = 0, b at t = 1.
QRgb mixPremultiplied(QRgb a, QRgb b, double t);
// a laid over b.
QRgb overPremultiplied(QRgb a, QRgb b);
// A colour as a premultiplied pixel.
QRgb premultipliedColor(const QColor &color);

} // namespace quillmark
