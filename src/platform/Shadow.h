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
    // Offset in the output's y-up sense: (5, -5) falls right and down on the page. Neither
    // turned nor zoomed by the painter's transform (the caller scales it by the zoom where
    // that is wanted); measured in points of the output device (see deviceScale).
    QPointF offset;
    // Blur radius in the same units; the blur is a Gaussian of sigma blurRadius / 2.
    qreal blurRadius = 0.0;
    QColor color = QColor(0, 0, 0, 128);

    // Paints the shadow of what `paint` draws, then `paint` itself. `approxBounds` encloses
    // the drawing in the painter's current coordinates (stroke width included).
    void draw(QPainter *painter, const QRectF &approxBounds,
              const std::function<void(QPainter *)> &paint) const;

    // Device pixels per output point: the resolution over 72 for printers and PDF writers,
    // the device pixel ratio for screens and images. Offsets and blur are multiplied by it
    // so a shadow looks the same on screen and on paper.
    static qreal deviceScale(const QPainter *painter);

    // Approximates a Gaussian of the given sigma (pixels) with three box blurs, in place.
    // Blurs every byte channel of Format_ARGB32_Premultiplied, Format_Alpha8 or
    // Format_Grayscale8 images; other formats are left as they are.
    static void blurImage(QImage &image, qreal sigma);
};

} // namespace quillmark
