#pragma once
// Colour conversion and the two gradient fills of graphic objects: a smooth blend from the
// fill colour to the second fill colour, linear at an angle or radial.
#include <QByteArray>
#include <QColor>
#include <QRectF>
#include <QSize>

#include <array>
#include <functional>
#include <optional>

class QPainter;

namespace quillmark {

// The colour in a device colour model: RGB for every RGB-like colour, CMYK kept as CMYK.
// None for an invalid colour.
std::optional<QColor> createCGColorFromNSColor(const QColor &color);

// Two colours in device RGB as red, green, blue, alpha, blended without premultiplying:
// each component runs linearly from the first colour to the second.
struct TwoColorBlend
{
    std::array<float, 4> c1{};
    std::array<float, 4> c2{};

    // t = 0 gives the first colour, 1 the second.
    std::array<float, 4> evaluate(float t) const;
    QColor colorAt(float t) const;
};

// None when either colour is invalid.
std::optional<TwoColorBlend> createTwoColorShadingFunction(const QColor &first, const QColor &second);

// Paints the linear gradient over `rect` (page space, y down). Its axis runs through the
// rectangle's centre in the direction (cos a, sin a) and is as long as the rectangle's
// extent in that direction, so the first colour starts on one side and the second ends on
// the other at every angle: 0 runs left to right, pi/2 top to bottom.
void drawAxialGradient(QPainter *painter, const QColor &first, const QColor &second,
                       double angleRadians, const QRectF &rect);

// Paints the radial gradient clipped to `rect`: the first colour at the centre blending into
// the second on the ellipse with half-axes 0.7 w and 0.7 h; the corners beyond that ellipse
// stay unpainted.
void drawRadialGradient(QPainter *painter, const QColor &first, const QColor &second,
                        const QRectF &rect);

// Draws into `bounds` a gradient painted by `paint` into an image of `pixels` (its whole area
// given to `paint`), as a fill's gradient is drawn offscreen. With a key (for the screen), the
// image is made once and kept, shared by every gradient of the same key: the key names all the
// image depends on (type, colours, angle, pixels, the shape it is clipped to).
void drawGradientImage(QPainter *painter, const QRectF &bounds, const QSize &pixels, const QByteArray *key,
                       const std::function<void(QPainter *, const QRectF &)> &paint);
// The most bytes the kept gradient images take at once; those drawn least recently go first.
constexpr qint64 KeptGradientBudget = 32LL << 20;
// Forgets the kept gradient images (tests and benchmarks compare with drawings made afresh).
void forgetKeptGradients();

} // namespace quillmark
