#include "platform/Shadow.h"

#include <QCache>
#include <QCoreApplication>
#include <QImage>
#include <QThread>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <vector>

namespace quillmark {

namespace {

// Above this many pixels the layer is rendered at a lower resolution and scaled up: a
// blurred shadow loses nothing visible, and a page-sized object on a 1200 dpi PDF does not
// allocate gigabytes.
constexpr qreal MaxLayerPixels = 16.0 * 1024 * 1024;

// Widths of three box filters whose succession approximates a Gaussian of sigma.
void boxSizesForGauss(qreal sigma, int sizes[3])
{
    const int n = 3;
    const qreal ideal = std::sqrt(12 * sigma * sigma / n + 1);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const qreal mIdeal = (12 * sigma * sigma - n * lower * lower - 4 * n * lower - 3 * n) / (-4 * lower - 4);
    const int m = int(std::lround(mIdeal));
    for (int i = 0; i < n; ++i)
        sizes[i] = i < m ? lower : upper;
}

// One box pass of the given radius along `count` samples that are `stride` bytes apart.
// Samples beyond the ends count as 0 (the layer is transparent there).
void boxLine(uchar *data, int count, int stride, int radius, std::vector<int> &scratch)
{
    scratch.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        scratch[size_t(i)] = data[i * stride];
    const int width = 2 * radius + 1;
    int sum = 0;
    for (int i = 0; i <= std::min(radius, count - 1); ++i)
        sum += scratch[size_t(i)];
    for (int i = 0; i < count; ++i) {
        data[i * stride] = uchar((sum + width / 2) / width);
        const int add = i + radius + 1;
        const int drop = i - radius;
        if (add < count)
            sum += scratch[size_t(add)];
        if (drop >= 0)
            sum -= scratch[size_t(drop)];
    }
}

void boxBlur(QImage &image, int channels, int radius)
{
    if (radius <= 0)
        return;
    std::vector<int> scratch;
    const int w = image.width(), h = image.height();
    const qsizetype bpl = image.bytesPerLine();
    uchar *bits = image.bits();
    for (int y = 0; y < h; ++y) {
        uchar *row = bits + y * bpl;
        for (int c = 0; c < channels; ++c)
            boxLine(row + c, w, channels, radius, scratch);
    }
    for (int x = 0; x < w; ++x) {
        for (int c = 0; c < channels; ++c)
            boxLine(bits + x * channels + c, h, int(bpl), radius, scratch);
    }
}

} // namespace

qreal Shadow::deviceScale(const QPainter *painter)
{
    const QPaintDevice *device = painter ? painter->device() : nullptr;
    if (!device)
        return 1.0;
    if (dynamic_cast<const QPagedPaintDevice *>(device))
        return std::max(1, device->logicalDpiX()) / 72.0;
    return device->devicePixelRatioF();
}

qreal Shadow::userSpaceScale(const QPainter *painter)
{
    if (!painter || !painter->device())
        return 1.0;
    const QTransform t = painter->deviceTransform();
    const qreal scale = std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
    return std::isfinite(scale) && scale > 0 ? scale : 1.0;
}

void Shadow::blurImage(QImage &image, qreal sigma)
{
    if (!(sigma > 0) || !std::isfinite(sigma) || image.isNull())
        return;
    int channels = 0;
    switch (image.format()) {
    case QImage::Format_ARGB32_Premultiplied:
        channels = 4;
        break;
    case QImage::Format_Alpha8:
    case QImage::Format_Grayscale8:
        channels = 1;
        break;
    default:
        return;
    }
    // Beyond the image's own size a wider box changes nothing but the running time.
    sigma = std::min(sigma, qreal(std::max(image.width(), image.height())));
    int sizes[3];
    boxSizesForGauss(sigma, sizes);
    for (int size : sizes)
        boxBlur(image, channels, (size - 1) / 2);
}

namespace {

// The layer of what `paint` draws through `toLayer` (the painter's pen, brush and font and
// hints taken over), its coverage blurred by `sigma` pixels and tinted with `tint`.
QImage shadowLayer(const QPainter *painter, const QSize &size, const QTransform &toLayer,
                   const std::function<void(QPainter *)> &paint, qreal sigma, QRgb tint)
{
    QImage layer(size, QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return layer;
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.setRenderHints(painter->renderHints());
        lp.setPen(painter->pen());
        lp.setBrush(painter->brush());
        lp.setFont(painter->font());
        lp.setTransform(toLayer);
        paint(&lp);
    }

    // Only the coverage matters: blur the alpha and fill it with the shadow colour.
    QImage alpha = layer.convertToFormat(QImage::Format_Alpha8);
    Shadow::blurImage(alpha, sigma);
    const uint ta = qAlpha(tint), tr = qRed(tint), tg = qGreen(tint), tb = qBlue(tint);
    for (int y = 0; y < layer.height(); ++y) {
        const uchar *a = alpha.constScanLine(y);
        QRgb *out = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const uint coverage = a[x] * ta;
            const uint outA = (coverage + 127) / 255;
            out[x] = qRgba(int((tr * outA + 127) / 255), int((tg * outA + 127) / 255),
                           int((tb * outA + 127) / 255), int(outA));
        }
    }
    return layer;
}

// Draws the layer at `target`, in plain device pixels whatever window, viewport or pixel ratio
// the painter has.
void compositeLayer(QPainter *painter, const QRectF &target, const QImage &layer, bool smooth)
{
    painter->save();
    painter->resetTransform();
    painter->setWorldTransform(painter->deviceTransform().inverted());
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter->drawImage(target, layer);
    painter->restore();
}

// The layers kept for the screen (the window's thread alone draws the screen), their cost in
// kilobytes.
QCache<QByteArray, QImage> &keptLayers()
{
    static QCache<QByteArray, QImage> kept(Shadow::KeptLayerBudget / 1024);
    return kept;
}

// A kept layer larger than this is not kept: a source that large is drawn exactly.
constexpr qint64 MaxKeptLayerPixels = 2048LL * 2048LL;
static_assert(MaxKeptLayerPixels * 4 <= Shadow::KeptLayerBudget);

} // namespace

void Shadow::forgetKeptLayers()
{
    keptLayers().clear();
}

qint64 Shadow::keptLayerBytes()
{
    return qint64(keptLayers().totalCost()) * 1024;
}

void Shadow::draw(QPainter *painter, const QRectF &approxBounds, const std::function<void(QPainter *)> &paint,
                  const Source &kept) const
{
    if (!painter || !paint)
        return;
    const QTransform toDevice = painter->deviceTransform();
    // The kept layers serve the window's thread alone, which draws the screen.
    const QCoreApplication *app = QCoreApplication::instance();
    if (!color.isValid() || color.alpha() == 0 || !painter->isActive() || toDevice.type() == QTransform::TxProject
        || !app || QThread::currentThread() != app->thread()) {
        draw(painter, approxBounds, paint);
        return;
    }
    const qreal scale = units == Units::UserSpace ? userSpaceScale(painter) : deviceScale(painter);
    auto bounded = [](qreal px) { return std::clamp(px, -MaxOffsetPixels, MaxOffsetPixels); };
    const qreal blurPx = std::isfinite(blurRadius) ? std::min(std::max<qreal>(0, blurRadius) * scale, MaxBlurPixels) : 0;
    const QPointF offsetPx = std::isfinite(offset.x()) && std::isfinite(offset.y())
        ? QPointF(bounded(offset.x() * scale), bounded(-offset.y() * scale))
        : QPointF();
    const int margin = int(std::ceil(blurPx * 2)) + 2;

    // The source drawn from its corner, its corner on a device pixel: alike sources at any
    // place give the same layer.
    const QPointF cornerExact = toDevice.map(kept.corner);
    if (!std::isfinite(cornerExact.x()) || !std::isfinite(cornerExact.y())
        || std::abs(cornerExact.x()) > MaxOffsetPixels || std::abs(cornerExact.y()) > MaxOffsetPixels) {
        draw(painter, approxBounds, paint);
        return;
    }
    const QPoint anchor(qRound(cornerExact.x()), qRound(cornerExact.y()));
    const QTransform linear(toDevice.m11(), toDevice.m12(), toDevice.m21(), toDevice.m22(), 0, 0);
    const QTransform fromCorner = QTransform::fromTranslate(-kept.corner.x(), -kept.corner.y()) * linear;
    QRectF objectRect = fromCorner.mapRect(approxBounds.normalized());
    if (!std::isfinite(objectRect.x()) || !std::isfinite(objectRect.y()) || !std::isfinite(objectRect.width())
        || !std::isfinite(objectRect.height()) || objectRect.width() > MaxOffsetPixels
        || objectRect.height() > MaxOffsetPixels) {
        draw(painter, approxBounds, paint);
        return;
    }
    objectRect.adjust(-margin, -margin, margin, margin);
    const QRect layerRect = objectRect.toAlignedRect();
    if (layerRect.isEmpty() || qint64(layerRect.width()) * layerRect.height() > MaxKeptLayerPixels) {
        draw(painter, approxBounds, paint);
        return;
    }

    // Everything the layer depends on: the source, the painter's mapping without its
    // translation, the hints, the blur, the colour and the part of the source cast.
    Source key = kept;
    const QRectF relative = approxBounds.normalized().translated(-kept.corner);
    const int hints = int(painter->renderHints());
    const QRgb tint = color.rgba();
    key.add(linear.m11(), linear.m12(), linear.m21(), linear.m22(), hints, blurPx, tint, relative);
    QCache<QByteArray, QImage> &cache = keptLayers();
    const QImage *layer = cache.object(key.bytes);
    if (!layer) {
        const QTransform toLayer = fromCorner * QTransform::fromTranslate(-layerRect.x(), -layerRect.y());
        QImage made = shadowLayer(painter, layerRect.size(), toLayer, paint, blurPx / 2, tint);
        if (made.isNull()) {
            draw(painter, approxBounds, paint);
            return;
        }
        const qsizetype cost = std::max<qsizetype>(1, made.sizeInBytes() / 1024);
        // (A layer within MaxKeptLayerPixels always fits the budget.)
        auto *taken = new QImage(std::move(made));
        cache.insert(key.bytes, taken, cost);
        layer = taken;
    }
    compositeLayer(painter, QRectF(QPointF(anchor + layerRect.topLeft()) + offsetPx, QSizeF(layerRect.size())), *layer,
                   false);
    paint(painter);
}

void Shadow::draw(QPainter *painter, const QRectF &approxBounds,
                  const std::function<void(QPainter *)> &paint) const
{
    if (!painter || !paint)
        return;
    if (!color.isValid() || color.alpha() == 0 || !painter->isActive()) {
        paint(painter);
        return;
    }

    const qreal scale = units == Units::UserSpace ? userSpaceScale(painter) : deviceScale(painter);
    const QTransform toDevice = painter->deviceTransform();
    auto bounded = [](qreal px) { return std::clamp(px, -MaxOffsetPixels, MaxOffsetPixels); };
    const qreal blurPx = std::isfinite(blurRadius) ? std::min(std::max<qreal>(0, blurRadius) * scale, MaxBlurPixels) : 0;
    const QPointF offsetPx = std::isfinite(offset.x()) && std::isfinite(offset.y())
        ? QPointF(bounded(offset.x() * scale), bounded(-offset.y() * scale))
        : QPointF();

    // The object's area on the device, grown by the blur's reach and a pixel of antialiasing.
    const int margin = int(std::ceil(blurPx * 2)) + 2;
    QRectF objectRect = toDevice.mapRect(approxBounds.normalized());
    if (!std::isfinite(objectRect.x()) || !std::isfinite(objectRect.y()) || !std::isfinite(objectRect.width())
        || !std::isfinite(objectRect.height())) {
        paint(painter);
        return;
    }
    objectRect.adjust(-margin, -margin, margin, margin);

    // Only the part whose shadow can land on the device is rendered. A widget paints into
    // its window's backing store, so its own rectangle lies at an offset there: the device
    // transform without the painter's own transforms carries it (and the pixel ratio).
    const QPaintDevice *device = painter->device();
    const qreal dpr = device->devicePixelRatioF();
    const QRectF deviceArea(0, 0, device->width(), device->height());
    bool invertible = false;
    const QTransform logicalToDevice = painter->combinedTransform().inverted(&invertible) * toDevice;
    QRectF visible = invertible ? logicalToDevice.mapRect(deviceArea)
                                : QRectF(0, 0, device->width() * dpr, device->height() * dpr);
    visible.translate(-offsetPx);
    visible.adjust(-margin, -margin, margin, margin);
    const QRect layerRect = objectRect.intersected(visible).toAlignedRect();
    if (layerRect.isEmpty() || !std::isfinite(objectRect.width()) || !std::isfinite(objectRect.height())) {
        paint(painter);
        return;
    }

    const qreal area = qreal(layerRect.width()) * layerRect.height();
    const qreal reduce = area > MaxLayerPixels ? std::sqrt(MaxLayerPixels / area) : 1.0;
    const QSize layerSize(std::max(1, int(std::ceil(layerRect.width() * reduce))),
                          std::max(1, int(std::ceil(layerRect.height() * reduce))));

    const QTransform toLayer = toDevice * QTransform::fromTranslate(-layerRect.x(), -layerRect.y())
                               * QTransform::fromScale(reduce, reduce);
    // Drawn with the full device transform, so a rotated object lands in an upright layer.
    const QImage layer = shadowLayer(painter, layerSize, toLayer, paint, blurPx / 2 * reduce, color.rgba());
    if (layer.isNull()) {
        paint(painter);
        return;
    }
    compositeLayer(painter, QRectF(QPointF(layerRect.topLeft()) + offsetPx, QSizeF(layerRect.size())), layer,
                   reduce < 1.0);

    paint(painter);
}

} // namespace quillmark
