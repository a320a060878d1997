#pragma once
// A drop shadow for whatever a callback paints. QPainter has none, so the callback's drawing
// is rendered once more into a layer at device resolution, blurred, tinted and composited
// under the object.
#include <QColor>
#include <QPointF>
#include <QRectF>
#include <functional>

class QImage;
class QPainter;

namespace quillmark {

struct Shadow
{
    // Offset in the output's y-up sense: (5, -5) falls right and down on the page. Not
    // turned by the painter's rotation. Points, scaled with the device like everything else.
    QPointF offset;
    // Blur radius in points; the blur is a Gaussian of sigma blurRadius / 2.
    qreal blurRadius = 0.0;
    QColor color = QColor(0, 0, 0, 128);

    // Paints the shadow of what `paint` draws, then `paint` itself. `approxBounds` encloses
    // the drawing in the painter's current coordinates (stroke width included).
    void draw(QPainter *painter, const QRectF &approxBounds,
              const std::function<void(QPainter *)> &paint) const;

    // Approximates a Gaussian of the given sigma (pixels) with three box blurs, in place.
    // The image must be Format_ARGB32_Premultiplied.
    static void blurImage(QImage &image, qreal sigma);
};

} // namespace quillmark
