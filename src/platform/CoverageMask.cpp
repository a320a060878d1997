#include "platform/CoverageMask.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QtMath>

#include <algorithm>

#include "platform/SavedPainterState.h"

namespace quillmark {

namespace {

// Samples across and down each pixel.
constexpr int Samples = 4;
// The samples of one band at most (one byte each): a large picture is made band by band.
constexpr qint64 SamplesPerBand = 16LL * 1024 * 1024;

// The pixels of the device that the drawing may reach: the outline's, within the device and
// the painter's clip.
QRect reachedPixels(QPainter *painter, const QPainterPath &area)
{
    const QPaintDevice *device = painter->device();
    if (!device)
        return {};
    const qreal ratio = device->devicePixelRatio();
    const QRect whole(0, 0, qCeil(device->width() * ratio), qCeil(device->height() * ratio));
    const QTransform toDevice = painter->deviceTransform();
    QRect reached = toDevice.mapRect(area.controlPointRect()).toAlignedRect() & whole;
    if (painter->hasClipping())
        reached &= toDevice.mapRect(painter->clipBoundingRect()).toAlignedRect().adjusted(-1, -1, 1, 1);
    return reached;
}

// Scales every pixel of the band by the share of its samples the mask covers.
void keepCovered(QImage &band, const QImage &mask)
{
    constexpr int perPixel = Samples * Samples;
    std::vector<int> sums(size_t(band.width()));
    for (int y = 0; y < band.height(); ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int s = 0; s < Samples; ++s) {
            const uchar *samples = mask.constScanLine(y * Samples + s);
            for (int x = 0; x < band.width(); ++x) {
                const uchar *pixel = samples + x * Samples;
                int sum = 0;
                for (int k = 0; k < Samples; ++k)
                    sum += pixel[k];
                sums[size_t(x)] += sum;
            }
        }
        auto *line = reinterpret_cast<QRgb *>(band.scanLine(y));
        for (int x = 0; x < band.width(); ++x) {
            const int coverage = (sums[size_t(x)] + perPixel / 2) / perPixel;
            if (coverage >= 255)
                continue;
            const QRgb c = line[x];
            auto scaled = [coverage](int channel) { return (channel * coverage + 127) / 255; };
            line[x] = qRgba(scaled(qRed(c)), scaled(qGreen(c)), scaled(qBlue(c)), scaled(qAlpha(c)));
        }
    }
}

void paintMasked(QPainter *painter, const QPainterPath &area, const std::function<void(QImage &, const QTransform &)> &colour)
{
    if (!painter || area.isEmpty())
        return;
    const QRect reached = reachedPixels(painter, area);
    if (reached.isEmpty())
        return;
    const QTransform toDevice = painter->deviceTransform();
    const qint64 samplesPerRow = qint64(reached.width()) * Samples * Samples;
    const int rowsPerBand = int(std::clamp<qint64>(SamplesPerBand / std::max<qint64>(samplesPerRow, 1), 1, reached.height()));
    SavedPainterState state(painter);
    // Drawn pixel for pixel: the painter is turned to the device's own pixels.
    painter->setWorldTransform(toDevice.inverted() * painter->worldTransform());
    for (int top = reached.top(); top <= reached.bottom(); top += rowsPerBand) {
        const int rows = std::min(rowsPerBand, reached.bottom() + 1 - top);
        const QTransform toBand = toDevice * QTransform::fromTranslate(-reached.left(), -top);
        QImage mask(reached.width() * Samples, rows * Samples, QImage::Format_Alpha8);
        QImage band(reached.width(), rows, QImage::Format_ARGB32_Premultiplied);
        if (mask.isNull() || band.isNull())
            return;
        mask.fill(0);
        {
            QPainter sampler(&mask);
            sampler.setTransform(toBand * QTransform::fromScale(Samples, Samples));
            sampler.fillPath(area, Qt::black);
        }
        band.fill(Qt::transparent);
        colour(band, toBand);
        keepCovered(band, mask);
        painter->drawImage(QPoint(reached.left(), top), band);
    }
}

} // namespace

void paintWithin(QPainter *painter, const QPainterPath &area, const std::function<void(QPainter *)> &paint)
{
    if (!painter)
        return;
    const QPainter::RenderHints hints = painter->renderHints();
    paintMasked(painter, area, [&paint, hints](QImage &band, const QTransform &toBand) {
        QPainter colour(&band);
        colour.setRenderHints(hints);
        colour.setTransform(toBand);
        paint(&colour);
    });
}

void fillWithin(QPainter *painter, const QPainterPath &area, const QColor &colour)
{
    const QRgb premultiplied = qPremultiply(colour.rgba());
    paintMasked(painter, area, [premultiplied](QImage &band, const QTransform &) { band.fill(premultiplied); });
}

} // namespace quillmark
