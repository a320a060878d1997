#pragma once
// A drop shadow for whatever a callback paints. QPainter has none, so the callback's drawing
// is rendered once more into a layer at device resolution, blurred, tinted and composited
// under the object.
#include <QColor>
#include <QPointF>
#include <QRectF>
#include <functional>

#include "platform/KeyBytes.h"

class QImage;
class QPainter;

namespace quillmark {

struct Shadow
{
    // Offset in the output's y-up sense: (5, -5) falls right and down on the page. Never
    // turned or mirrored by the painter's transform; its length is measured as `units` says.
    QPointF offset;
    // Blur radius in the same units; the blur is a Gaussian of sigma blurRadius / 2.
    qreal blurRadius = 0.0;
    QColor color = QColor(0, 0, 0, 128);

    enum class Units {
        // Points of the output device (see deviceScale): a decoration of the screen keeps
        // its size whatever the painter's zoom.
        Device,
        // Units of the painter's user space (page points for a design's objects): the
        // shadow grows with the zoom and keeps its size on paper and in a bitmap of any
        // resolution (see userSpaceScale).
        UserSpace,
    };
    Units units = Units::Device;

    // The largest offset and blur taken, in device pixels: a hostile value neither
    // overflows the pixel arithmetic nor makes a layer the size of the world. (The blur
    // bound is a 100-point blur at 1200 dpi with room to spare.)
    static constexpr qreal MaxOffsetPixels = 100000.0;
    static constexpr qreal MaxBlurPixels = 2000.0;

    // Paints the shadow of what `paint` draws, then `paint` itself. `approxBounds` encloses
    // the drawing in the painter's current coordinates (stroke width included).
    void draw(QPainter *painter, const QRectF &approxBounds,
              const std::function<void(QPainter *)> &paint) const;

    // What a painting casts, as its drawer describes it for the screen: a key naming all that
    // the coverage of the painting depends on (its kind, its size, the alpha of its colours)
    // relative to `corner`. The blurred layer is then made once per zoom and kept, shared by
    // every source of the same key, with the source's corner put on a device pixel (the shadow
    // lands at most half a pixel from where an exact drawing puts it). Paper, PDF and exported
    // images are drawn by the other draw(), at their own resolution.
    struct Source : KeyBytes
    {
        QPointF corner;
    };
    void draw(QPainter *painter, const QRectF &approxBounds, const std::function<void(QPainter *)> &paint,
              const Source &kept) const;

    // The most bytes the kept layers take at once; the layers drawn least recently go first,
    // never one drawn in the same repaint (those past the budget are drawn and not kept). A
    // kept layer holds a byte a pixel, the coverage, coloured as it is drawn.
    static constexpr qint64 KeptLayerBudget = 64LL << 20;
    // The kept layers: forgotten (tests and benchmarks compare with drawings made afresh), the
    // bytes they take, and another budget (forgetting them).
    static void forgetKeptLayers();
    static qint64 keptLayerBytes();
    static void setKeptLayerBudget(qint64 bytes);

    // Where the layers a repaint of a widget finds missing are blurred: `make` is run off the
    // window's thread, then `arrived` on it. The widget is drawn without those shadows until
    // they arrive and then again. Unset, every layer is blurred as it is drawn.
    using AsideRunner = std::function<void(std::function<void()> make, std::function<void()> arrived)>;
    static void setAsideRunner(AsideRunner runner);
    // Layers asked for aside and not yet arrived (tests and benchmarks).
    static int layersUnderWay();

    // Device pixels per output point: the resolution over 72 for printers and PDF writers,
    // the device pixel ratio for screens and images. Offsets and blur are multiplied by it
    // so a shadow looks the same on screen and on paper.
    static qreal deviceScale(const QPainter *painter);
    // Device pixels per unit of the painter's user space: the scale of its whole transform
    // (rotation and mirrors take nothing away), the device pixel ratio included.
    static qreal userSpaceScale(const QPainter *painter);

    // Approximates a Gaussian of the given sigma (pixels) with three box blurs, in place.
    // Blurs every byte channel of Format_ARGB32_Premultiplied, Format_Alpha8 or
    // Format_Grayscale8 images; other formats are left as they are.
    static void blurImage(QImage &image, qreal sigma);
};

} // namespace quillmark
