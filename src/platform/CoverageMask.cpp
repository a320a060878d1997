#include "platform/CoverageMask.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPolygonF>
#include <QtMath>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

#include "platform/SavedPainterState.h"

namespace quillmark {

namespace {

// Samples across and down each pixel.
constexpr int Samples = 4;
// The pixels of one band at most: a large picture is coloured band by band.
constexpr qint64 PixelsPerBand = 1024LL * 1024;

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

// Which samples of a rectangle of pixels an outline covers, sample row by sample row from the
// top. A sample is covered when the winding number of the outline about its centre is not 0
// (or odd, by the outline's fill rule), as in Qt's fill without antialiasing. Each edge is
// handed to the rows its height spans, once, by a list sorted by first row; each row counts
// the crossings into its own columns and sums them across. The work grows with the crossings
// and the samples, however many edges cross one another or how the rows are banded: no row
// looks at an edge that does not cross it, and no crossings are sorted.
class Coverage
{
public:
    Coverage(const QPainterPath &area, const QTransform &toDevice, const QRect &pixels)
        : left(pixels.left() * Samples)
        , columns(pixels.width() * Samples)
        , nextRow(pixels.top() * Samples)
        , endRow((pixels.bottom() + 1) * Samples)
        , oddEven(area.fillRule() == Qt::OddEvenFill)
        , winding(size_t(columns) + 1, 0)
    {
        // Curves are flattened at the samples' scale, as finely as a fill of that size would be.
        const QList<QPolygonF> polygons = area.toSubpathPolygons(toDevice * QTransform::fromScale(Samples, Samples));
        qsizetype points = 0;
        for (const QPolygonF &polygon : polygons)
            points += polygon.size();
        edges.reserve(size_t(points));
        for (const QPolygonF &polygon : polygons)
            for (qsizetype i = 0; i < polygon.size(); ++i)
                addEdge(polygon[i], polygon[(i + 1) % polygon.size()]);
        // Sorted once by first row (a counting sort: the rows are few beside the edges).
        std::vector<int> starts(size_t(endRow - nextRow) + 1, 0);
        for (const Edge &edge : edges)
            ++starts[size_t(edge.firstRow - nextRow) + 1];
        for (size_t r = 1; r < starts.size(); ++r)
            starts[r] += starts[r - 1];
        std::vector<Edge> sorted(edges.size());
        for (const Edge &edge : edges)
            sorted[size_t(starts[size_t(edge.firstRow - nextRow)]++)] = edge;
        edges = std::move(sorted);
    }

    // Adds to `counts` (one a pixel of the rectangle's width) how many samples of the next row
    // of pixels the outline covers.
    void countPixelRow(int *counts)
    {
        for (int s = 0; s < Samples && nextRow < endRow; ++s, ++nextRow) {
            while (pending < edges.size() && edges[pending].firstRow == nextRow) {
                const Edge &edge = edges[pending++];
                active.push_back({edge.x, edge.slope, edge.lastRow, edge.direction});
            }
            if (active.empty())
                continue;
            for (size_t i = 0; i < active.size();) {
                Crossing &crossing = active[i];
                winding[size_t(column(crossing.x))] += crossing.direction;
                if (crossing.lastRow == nextRow) {
                    crossing = active.back();
                    active.pop_back();
                } else {
                    crossing.x += crossing.slope;
                    ++i;
                }
            }
            int number = 0;
            for (int c = 0; c < columns; ++c) {
                number += winding[size_t(c)];
                winding[size_t(c)] = 0;
                if (oddEven ? (number & 1) != 0 : number != 0)
                    ++counts[c / Samples];
            }
            winding[size_t(columns)] = 0;
        }
    }

private:
    struct Edge
    {
        // Where it crosses the centre of its first row, in samples, and how far it goes across
        // for each row down.
        double x = 0.0, slope = 0.0;
        // The rows whose centres it crosses, within the rectangle.
        int firstRow = 0, lastRow = 0;
        // +1 drawn downward, -1 upward.
        int direction = 0;
    };
    // An edge crossing the present row, at `x`.
    struct Crossing
    {
        double x = 0.0, slope = 0.0;
        int lastRow = 0, direction = 0;
    };

    void addEdge(QPointF from, QPointF to)
    {
        if (!std::isfinite(from.x()) || !std::isfinite(from.y()) || !std::isfinite(to.x()) || !std::isfinite(to.y()))
            return;
        int direction = 1;
        if (to.y() < from.y()) {
            std::swap(from, to);
            direction = -1;
        }
        // The rows whose centres lie in [from.y, to.y): an edge's lower end belongs to the next.
        const double first = std::max(std::ceil(from.y() - 0.5), double(nextRow));
        const double end = std::min(std::ceil(to.y() - 0.5), double(endRow));
        if (!(first < end))
            return;
        const double slope = (to.x() - from.x()) / (to.y() - from.y());
        if (!std::isfinite(slope))
            return;
        edges.push_back({from.x() + (first + 0.5 - from.y()) * slope, slope, int(first), int(end) - 1, direction});
    }

    // The column of the first sample right of a crossing, within 0 (left of the rectangle)
    // and `columns` (right of it: counted by no sample).
    int column(double x) const
    {
        const double c = x - 0.5 - left;
        if (!(c > 0.0))
            return 0;
        if (!(c < columns))
            return columns;
        const int whole = int(c);
        return whole + (c > whole ? 1 : 0);
    }

    const int left;
    const int columns;
    int nextRow;
    const int endRow;
    const bool oddEven;
    std::vector<Edge> edges;
    size_t pending = 0;
    std::vector<Crossing> active;
    std::vector<int> winding;
};

// Scales every pixel of the band by the share of its samples the outline covers.
void keepCovered(QImage &band, Coverage &coverage)
{
    constexpr int perPixel = Samples * Samples;
    std::vector<int> counts(size_t(band.width()));
    for (int y = 0; y < band.height(); ++y) {
        std::fill(counts.begin(), counts.end(), 0);
        coverage.countPixelRow(counts.data());
        auto *line = reinterpret_cast<QRgb *>(band.scanLine(y));
        for (int x = 0; x < band.width(); ++x) {
            const int share = (counts[size_t(x)] * 255 + perPixel / 2) / perPixel;
            if (share >= 255)
                continue;
            const QRgb c = line[x];
            auto scaled = [share](int channel) { return (channel * share + 127) / 255; };
            line[x] = qRgba(scaled(qRed(c)), scaled(qGreen(c)), scaled(qBlue(c)), scaled(qAlpha(c)));
        }
    }
}

std::atomic<CoverageFillObserver> fillObserver{nullptr};

void paintMasked(QPainter *painter, const QPainterPath &area, const std::function<void(QImage &, const QTransform &)> &colour)
{
    if (!painter || area.isEmpty())
        return;
    const QRect reached = reachedPixels(painter, area);
    if (reached.isEmpty())
        return;
    if (const CoverageFillObserver observer = fillObserver.load())
        observer(area);
    const QTransform toDevice = painter->deviceTransform();
    const int rowsPerBand = int(std::clamp<qint64>(PixelsPerBand / std::max(reached.width(), 1), 1, reached.height()));
    Coverage coverage(area, toDevice, reached);
    SavedPainterState state(painter);
    // Drawn pixel for pixel: the painter is turned to the device's own pixels.
    painter->setWorldTransform(toDevice.inverted() * painter->worldTransform());
    for (int top = reached.top(); top <= reached.bottom(); top += rowsPerBand) {
        const int rows = std::min(rowsPerBand, reached.bottom() + 1 - top);
        const QTransform toBand = toDevice * QTransform::fromTranslate(-reached.left(), -top);
        QImage band(reached.width(), rows, QImage::Format_ARGB32_Premultiplied);
        if (band.isNull())
            return;
        band.fill(Qt::transparent);
        colour(band, toBand);
        keepCovered(band, coverage);
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

void setCoverageFillObserver(CoverageFillObserver observer)
{
    fillObserver.store(observer);
}

void fillWithin(QPainter *painter, const QPainterPath &area, const QColor &colour)
{
    const QRgb premultiplied = qPremultiply(colour.rgba());
    paintMasked(painter, area, [premultiplied](QImage &band, const QTransform &) { band.fill(premultiplied); });
}

} // namespace quillmark
