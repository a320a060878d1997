#pragma once
// Objects drawn into an image as the canvas draws them at its zoom of 155 %, and the comparison
// the drawing tests make of the screen's drawing (copied from the pictures it keeps) with the
// exact one.
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QSize>

#include <vector>

namespace quillmark {
class ColorRect;
}

namespace qmtest {

// `objects` drawn in turn at the canvas's zoom into a white image of `size`, antialiased: as
// the screen draws them when `screen`, else exactly.
QImage drawnAtZoom(const std::vector<quillmark::ColorRect *> &objects, bool screen, QSize size,
                   QImage::Format format = QImage::Format_RGB32);

inline QImage drawnAtZoom(quillmark::ColorRect &object, bool screen, QSize size,
                          QImage::Format format = QImage::Format_RGB32)
{
    return drawnAtZoom(std::vector<quillmark::ColorRect *>{&object}, screen, size, format);
}

// Whether `a` has dark pixels and each of them lies within a pixel of a dark pixel of `b`.
bool darkWithinAPixelOf(const QImage &a, const QImage &b);

// Strokes an upright box's dashed outline as the canvas shows it: each edge by itself through
// the middle of the pixels it falls in (the inner one where it lies between two), its dashes
// starting at its first corner. False, drawing nothing, when `outline` is not a box, the
// painter turns or stretches it or the pen is wider than a pixel.
bool strokeUprightBox(QPainter &painter, const QPainterPath &outline, const QPen &pen);

} // namespace qmtest
