#include "platform/Shadow.h"

#include <QCoreApplication>
#include <QImage>
#include <QThread>
#include <QTimer>
#include <QPagedPaintDevice>
#include <QPointer>
#include <QWidget>
#include <QPaintDevice>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <list>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>
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

// How far the blur of `sigma` carries a pixel's coverage: the three boxes' radii together.
// Beyond it the blur leaves exactly nothing, so a layer this much larger than what it blurs
// loses nothing at its edges.
int blurReach(qreal sigma)
{
    if (!(sigma > 0) || !std::isfinite(sigma))
        return 0;
    int sizes[3];
    boxSizesForGauss(sigma, sizes);
    int reach = 0;
    for (int size : sizes)
        reach += std::max(0, (size - 1) / 2);
    return reach;
}

// Division of the sums of a box by its width, as a multiplication: exact for every sum a box
// of bytes can reach (the error stays below 2^-20, a width's smallest step is over 2^-12).
struct BoxDivision
{
    explicit BoxDivision(int width)
        : half(quint64(width / 2))
        , inverse(((quint64(1) << 40) + quint64(width) - 1) / quint64(width))
    {
    }
    uchar operator()(int sum) const { return uchar(((quint64(sum) + half) * inverse) >> 40); }
    quint64 half;
    quint64 inverse;
};

// One box pass of the given radius along `count` samples that are `stride` bytes apart.
// Samples beyond the ends count as 0 (the layer is transparent there).
void boxLine(uchar *data, int count, int stride, int radius, std::vector<int> &scratch)
{
    scratch.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        scratch[size_t(i)] = data[i * stride];
    const BoxDivision divide(2 * radius + 1);
    int sum = 0;
    for (int i = 0; i <= std::min(radius, count - 1); ++i)
        sum += scratch[size_t(i)];
    for (int i = 0; i < count; ++i) {
        data[i * stride] = divide(sum);
        const int add = i + radius + 1;
        const int drop = i - radius;
        if (add < count)
            sum += scratch[size_t(add)];
        if (drop >= 0)
            sum -= scratch[size_t(drop)];
    }
}

// The same pass down every column at once, row after row: the rows are read in order and
// the sums of a row are kept side by side.
void boxColumns(QImage &image, int rowBytes, int radius)
{
    const int h = image.height();
    const qsizetype bpl = image.bytesPerLine();
    std::vector<uchar> source(size_t(h) * size_t(rowBytes));
    for (int y = 0; y < h; ++y)
        std::copy_n(image.constScanLine(y), rowBytes, source.begin() + qsizetype(y) * rowBytes);
    std::vector<int> sums(size_t(rowBytes), 0);
    for (int y = 0; y <= std::min(radius, h - 1); ++y) {
        const uchar *row = source.data() + qsizetype(y) * rowBytes;
        for (int x = 0; x < rowBytes; ++x)
            sums[size_t(x)] += row[x];
    }
    const BoxDivision divide(2 * radius + 1);
    uchar *bits = image.bits();
    for (int y = 0; y < h; ++y) {
        uchar *out = bits + y * bpl;
        for (int x = 0; x < rowBytes; ++x)
            out[x] = divide(sums[size_t(x)]);
        if (y + radius + 1 < h) {
            const uchar *add = source.data() + qsizetype(y + radius + 1) * rowBytes;
            for (int x = 0; x < rowBytes; ++x)
                sums[size_t(x)] += add[x];
        }
        if (y - radius >= 0) {
            const uchar *drop = source.data() + qsizetype(y - radius) * rowBytes;
            for (int x = 0; x < rowBytes; ++x)
                sums[size_t(x)] -= drop[x];
        }
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
    boxColumns(image, w * channels, radius);
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

// What `paint` draws through `toLayer` (the painter's pen, brush and font and hints taken over),
// unblurred: only its alpha matters.
QImage paintedCoverage(const QPainter *painter, const QSize &size, const QTransform &toLayer,
                       const std::function<void(QPainter *)> &paint)
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
    return layer;
}

// The coverage of what `paint` draws through `toLayer`, blurred by `sigma` pixels.
QImage blurredCoverage(const QPainter *painter, const QSize &size, const QTransform &toLayer,
                       const std::function<void(QPainter *)> &paint, qreal sigma)
{
    const QImage layer = paintedCoverage(painter, size, toLayer, paint);
    if (layer.isNull())
        return layer;
    QImage alpha = layer.convertToFormat(QImage::Format_Alpha8);
    Shadow::blurImage(alpha, sigma);
    return alpha;
}

// The shadow colour at each coverage, premultiplied as drawn.
uint tintedCoverage(uint coverage, uint channel)
{
    return (channel * coverage + 127) / 255;
}

// The layer of what `paint` draws, its coverage blurred and tinted with `tint`.
QImage shadowLayer(const QPainter *painter, const QSize &size, const QTransform &toLayer,
                   const std::function<void(QPainter *)> &paint, qreal sigma, QRgb tint)
{
    const QImage alpha = blurredCoverage(painter, size, toLayer, paint, sigma);
    if (alpha.isNull())
        return alpha;
    QImage layer(size, QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return layer;
    const uint ta = qAlpha(tint), tr = qRed(tint), tg = qGreen(tint), tb = qBlue(tint);
    for (int y = 0; y < layer.height(); ++y) {
        const uchar *a = alpha.constScanLine(y);
        QRgb *out = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const uint outA = tintedCoverage(a[x], ta);
            out[x] = qRgba(int(tintedCoverage(outA, tr)), int(tintedCoverage(outA, tg)),
                           int(tintedCoverage(outA, tb)), int(outA));
        }
    }
    return layer;
}

// The painted coverage, a byte a pixel (Format_Alpha8), blurred and without its colours yet: on
// any thread. Only the part the blur left anything in is kept (and drawn), placed by its offset:
// the rounding of the boxes ends a blur's tail some pixels short of its reach.
QImage blurredLayer(QImage alpha, qreal sigma)
{
    if (alpha.isNull())
        return {};
    Shadow::blurImage(alpha, sigma);
    if (alpha.isNull())
        return {};
    const int w = alpha.width(), h = alpha.height();
    int top = h, bottom = -1, left = w, right = -1;
    for (int y = 0; y < h; ++y) {
        const uchar *row = alpha.constScanLine(y);
        int first = 0;
        while (first < w && !row[first])
            ++first;
        if (first == w)
            continue;
        int last = w - 1;
        while (!row[last])
            --last;
        top = std::min(top, y);
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    const QRect covered = bottom < 0 ? QRect(0, 0, 1, 1) : QRect(QPoint(left, top), QPoint(right, bottom));
    if (covered != alpha.rect())
        alpha = alpha.copy(covered);
    if (alpha.isNull() || !alpha.reinterpretAsFormat(QImage::Format_Indexed8))
        return {};
    alpha.setOffset(covered.topLeft());
    return alpha;
}

// Gives a blurred layer its colours: a table holding the colour unpremultiplied at each
// coverage; premultiplied as drawn, each entry is what shadowLayer makes of that coverage.
// Layers of one colour share one table (the window's thread alone colours them).
void colourLayer(QImage &layer, QRgb tint)
{
    static QRgb tableTint = 0;
    static QList<QRgb> table;
    if (table.isEmpty() || tableTint != tint) {
        QList<QRgb> made(256);
        for (uint a = 0; a < 256; ++a)
            made[qsizetype(a)] = qRgba(qRed(tint), qGreen(tint), qBlue(tint), int(tintedCoverage(a, qAlpha(tint))));
        table = std::move(made);
        tableTint = tint;
    }
    layer.setColorTable(table);
}

// The same layer a byte a pixel: its coverage, coloured by a table as it is drawn.
QImage shadowCoverageLayer(const QPainter *painter, const QSize &size, const QTransform &toLayer,
                           const std::function<void(QPainter *)> &paint, qreal sigma, QRgb tint)
{
    QImage layer =
        blurredLayer(paintedCoverage(painter, size, toLayer, paint).convertToFormat(QImage::Format_Alpha8), sigma);
    if (!layer.isNull())
        colourLayer(layer, tint);
    return layer;
}

// Draws the layer at `target`, in plain device pixels whatever window, viewport or pixel ratio
// the painter has.
void compositeLayer(QPainter *painter, const QRectF &target, const QImage &layer, bool smooth,
                    const QRectF &source = QRectF())
{
    painter->save();
    painter->resetTransform();
    painter->setWorldTransform(painter->deviceTransform().inverted());
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    if (source.isEmpty())
        painter->drawImage(target, layer);
    else
        painter->drawImage(target, layer, source);
    painter->restore();
}

// Draws a kept layer's coverage, coloured by its table into the very pixels shadowLayer makes,
// through an image kept for the next one (the window's thread alone draws kept layers): Qt
// draws pixels of a table several times slower than premultiplied ones.
void compositeCoverage(QPainter *painter, const QRectF &target, const QImage &coverage)
{
    static QImage coloured;
    static qint64 colouredFrom = 0;
    static QList<QRgb> tableOf;
    static std::array<QRgb, 256> premultiplied;
    const QList<QRgb> table = coverage.colorTable();
    if (table.size() != 256 || coverage.format() != QImage::Format_Indexed8) {
        compositeLayer(painter, target, coverage, false);
        return;
    }
    // Alike objects drawn one after another draw one layer: it is coloured once.
    if (coverage.cacheKey() == colouredFrom && table == tableOf && coloured.width() >= coverage.width()
        && coloured.height() >= coverage.height()) {
        compositeLayer(painter, target, coloured, false, QRectF(0, 0, coverage.width(), coverage.height()));
        return;
    }
    colouredFrom = 0;
    if (table != tableOf) {
        tableOf = table;
        for (size_t a = 0; a < premultiplied.size(); ++a) {
            const QRgb c = table[qsizetype(a)];
            const uint alpha = uint(qAlpha(c));
            premultiplied[a] = qRgba(int(tintedCoverage(alpha, uint(qRed(c)))), int(tintedCoverage(alpha, uint(qGreen(c)))),
                                     int(tintedCoverage(alpha, uint(qBlue(c)))), int(alpha));
        }
    }
    const int w = coverage.width(), h = coverage.height();
    if (coloured.width() < w || coloured.height() < h) {
        coloured = QImage(std::max(w, coloured.width()), std::max(h, coloured.height()),
                          QImage::Format_ARGB32_Premultiplied);
        if (coloured.isNull()) {
            compositeLayer(painter, target, coverage, false);
            return;
        }
    }
    uchar *bits = coloured.bits();
    const qsizetype bpl = coloured.bytesPerLine();
    for (int y = 0; y < h; ++y) {
        const uchar *in = coverage.constScanLine(y);
        QRgb *out = reinterpret_cast<QRgb *>(bits + y * bpl);
        for (int x = 0; x < w; ++x)
            out[x] = premultiplied[in[x]];
    }
    colouredFrom = coverage.cacheKey();
    compositeLayer(painter, target, coloured, false, QRectF(0, 0, w, h));
}

struct KeyHash
{
    size_t operator()(const QByteArray &key) const noexcept { return size_t(qHash(key)); }
};

// The layers kept for the screen (the window's thread alone draws the screen), the least
// recently drawn first to go. A layer drawn since the event loop last turned (in the same
// repaint) is never let go of for another: when a repaint's layers together pass the budget,
// those beyond it are made, drawn and not kept, rather than each pushing out one the same
// repaint needs again next time.
class KeptLayers
{
public:
    const QImage *find(const QByteArray &key)
    {
        const auto found = _layers.find(key);
        if (found == _layers.end())
            return nullptr;
        _order.splice(_order.begin(), _order, found->second.place);
        const quint64 turn = currentTurn();
        if (found->second.turn != turn) {
            found->second.turn = turn;
            drawnThisTurn() += found->second.image.sizeInBytes();
        }
        return &found->second.image;
    }

    // Keeps `layer` when it fits beside the layers drawn since the turn `since` (this one unless
    // given); false when it does not.
    bool keep(const QByteArray &key, const QImage &layer, std::optional<quint64> since = std::nullopt)
    {
        const qint64 bytes = layer.sizeInBytes();
        const quint64 turn = currentTurn();
        const quint64 kept = since.value_or(turn);
        if (const auto same = _layers.find(key); same != _layers.end()) {
            if (same->second.turn == turn)
                drawnThisTurn() -= same->second.image.sizeInBytes();
            _bytes -= same->second.image.sizeInBytes();
            _order.erase(same->second.place);
            _layers.erase(same);
        }
        while (_bytes + bytes > _budget && !_order.empty()) {
            const auto last = _layers.find(_order.back());
            if (last->second.turn >= kept)
                break;
            _bytes -= last->second.image.sizeInBytes();
            _layers.erase(last);
            _order.pop_back();
        }
        if (_bytes + bytes > _budget)
            return false;
        _order.push_front(key);
        _layers.insert_or_assign(key, Layer{layer, _order.begin(), turn});
        _bytes += bytes;
        drawnThisTurn() += bytes;
        return true;
    }

    void clear()
    {
        _layers.clear();
        _order.clear();
        _bytes = 0;
        _turnBytes = 0;
    }
    qint64 bytes() const { return _bytes; }
    qint64 budget() const { return _budget; }
    // The bytes of the layers drawn or kept in this turn of the event loop.
    qint64 bytesThisTurn() { return drawnThisTurn(); }
    quint64 turn() { return currentTurn(); }
    void setBudget(qint64 bytes)
    {
        _budget = std::max<qint64>(0, bytes);
        clear();
    }

private:
    // The event loop's turns, counted by a timer that fires once the loop turns after a layer
    // is drawn.
    quint64 currentTurn()
    {
        if (!_turnPending) {
            _turnPending = true;
            QTimer::singleShot(0, QCoreApplication::instance(), [this] {
                _turnPending = false;
                ++_turn;
            });
        }
        return _turn;
    }
    qint64 &drawnThisTurn()
    {
        const quint64 turn = currentTurn();
        if (_turnBytesOf != turn) {
            _turnBytesOf = turn;
            _turnBytes = 0;
        }
        return _turnBytes;
    }

    struct Layer
    {
        QImage image;
        std::list<QByteArray>::iterator place;
        quint64 turn = 0;
    };
    std::unordered_map<QByteArray, Layer, KeyHash> _layers;
    std::list<QByteArray> _order;
    qint64 _bytes = 0;
    qint64 _budget = Shadow::KeptLayerBudget;
    quint64 _turn = 0;
    bool _turnPending = false;
    qint64 _turnBytes = 0;
    quint64 _turnBytesOf = 0;
};

KeptLayers &keptLayers()
{
    static KeptLayers kept;
    return kept;
}

// A kept layer larger than this is not kept: a source that large is drawn exactly.
constexpr qint64 MaxKeptLayerPixels = 2048LL * 2048LL;

// The layers a repaint of a widget found missing, painted there and blurred aside: the blur of
// thousands of distinct shadows (each path's own) is the work of seconds, which the window's
// thread no longer waits for. A layer is asked for once; the widgets that asked are drawn again
// when layers arrive.
class AsideLayers
{
public:
    struct Request
    {
        QByteArray key;
        // The coverage painted, a byte a pixel, to be blurred.
        QImage painted;
        qreal sigma = 0;
        QRgb tint = 0;
        qint64 bytes = 0;
        // The turn of the repaint that asked: the layers it drew stay when this one comes.
        quint64 turn = 0;
        QImage made;
    };

    Shadow::AsideRunner runner;

    bool underWay(const QByteArray &key) const { return _pending.contains(key); }
    // Once the layers a repaint needs pass the budget (one found no room beside those asked
    // for, or arrived to find none), layers are made as they are drawn until the kept ones are
    // forgotten: each asked for aside would push out another that the next repaint asks for in
    // turn.
    bool overBudget() const { return _overBudget; }
    void passedBudget() { _overBudget = true; }
    qint64 bytesUnderWay() const { return _pendingBytes; }
    int count() const { return int(_pending.size()); }

    void ask(Request request, QWidget *widget)
    {
        _pending.insert(request.key);
        _pendingBytes += request.bytes;
        _queued.push_back(std::move(request));
        if (std::find(_widgets.begin(), _widgets.end(), widget) == _widgets.end())
            _widgets.emplace_back(widget);
        // A piece is blurred while the repaint goes on: its coverage is let go of sooner.
        if (_queued.size() >= PieceLayers)
            flush();
        if (!_flushPending && !_queued.empty()) {
            // Asked for once the repaint is over, all together.
            _flushPending = true;
            QTimer::singleShot(0, QCoreApplication::instance(), [this] {
                _flushPending = false;
                flush();
            });
        }
    }

    void forget()
    {
        _overBudget = false;
    }

private:
    // Layers blurred per piece of work: the first arrive soon, the last without a hand-over each.
    static constexpr size_t PieceLayers = 1024;

    void flush()
    {
        while (!_queued.empty()) {
            const size_t n = std::min(PieceLayers, _queued.size());
            auto piece = std::make_shared<std::vector<Request>>(std::make_move_iterator(_queued.begin()),
                                                                std::make_move_iterator(_queued.begin() + qsizetype(n)));
            _queued.erase(_queued.begin(), _queued.begin() + qsizetype(n));
            if (!runner) {
                makeAll(*piece);
                arrived(*piece);
                continue;
            }
            runner([piece] { makeAll(*piece); }, [this, piece] { arrived(*piece); });
        }
    }

    // Off the window's thread: the piece's layers blurred by a few threads at once.
    static void makeAll(std::vector<Request> &piece)
    {
        std::atomic<size_t> next{0};
        auto work = [&piece, &next] {
            for (size_t i = next++; i < piece.size(); i = next++) {
                piece[i].made = blurredLayer(std::move(piece[i].painted), piece[i].sigma);
                piece[i].painted = QImage();
            }
        };
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const size_t helpers = piece.size() >= 64 ? std::min<size_t>(3, cores - 1) : 0;
        std::vector<std::thread> threads;
        threads.reserve(helpers);
        for (size_t i = 0; i < helpers; ++i)
            threads.emplace_back(work);
        work();
        for (std::thread &thread : threads)
            thread.join();
    }

    void arrived(std::vector<Request> &piece)
    {
        KeptLayers &cache = keptLayers();
        for (Request &request : piece) {
            _pending.erase(request.key);
            _pendingBytes -= request.bytes;
            if (!request.made.isNull())
                colourLayer(request.made, request.tint);
            if (request.made.isNull() || !cache.keep(request.key, request.made, request.turn))
                _overBudget = true;
        }
        for (const QPointer<QWidget> &widget : _widgets)
            if (widget)
                widget->update();
        if (_pending.empty())
            _widgets.clear();
    }

    std::vector<Request> _queued;
    std::unordered_set<QByteArray, KeyHash> _pending;
    qint64 _pendingBytes = 0;
    std::vector<QPointer<QWidget>> _widgets;
    bool _flushPending = false;
    bool _overBudget = false;
};

AsideLayers &asideLayers()
{
    static AsideLayers aside;
    return aside;
}

} // namespace

void Shadow::forgetKeptLayers()
{
    keptLayers().clear();
    asideLayers().forget();
}

qint64 Shadow::keptLayerBytes()
{
    return keptLayers().bytes();
}

void Shadow::setKeptLayerBudget(qint64 bytes)
{
    keptLayers().setBudget(bytes);
    asideLayers().forget();
}

void Shadow::setAsideRunner(AsideRunner runner)
{
    asideLayers().runner = std::move(runner);
}

int Shadow::layersUnderWay()
{
    return asideLayers().count();
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
    const int margin = blurReach(blurPx / 2) + 2;

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
    KeptLayers &cache = keptLayers();
    const QImage *layer = cache.find(key.bytes);
    QImage made;
    if (!layer) {
        const QTransform toLayer = fromCorner * QTransform::fromTranslate(-layerRect.x(), -layerRect.y());
        // On a widget, blurred aside while it fits the budget beside the layers this repaint
        // draws and those under way; the object is drawn meanwhile without it.
        AsideLayers &aside = asideLayers();
        QPaintDevice *device = painter->device();
        if (aside.runner && device && device->devType() == QInternal::Widget && !aside.overBudget()) {
            if (aside.underWay(key.bytes)) {
                paint(painter);
                return;
            }
            const qint64 bytes = qint64((layerRect.width() + 3) & ~3) * layerRect.height();
            if (cache.bytesThisTurn() + aside.bytesUnderWay() + bytes > cache.budget()) {
                aside.passedBudget();
            } else {
                // Its coverage alone is kept until it is blurred: a byte a pixel.
                QImage painted = paintedCoverage(painter, layerRect.size(), toLayer, paint)
                                     .convertToFormat(QImage::Format_Alpha8);
                if (!painted.isNull()) {
                    aside.ask({key.bytes, std::move(painted), blurPx / 2, tint, bytes, cache.turn(), QImage()},
                              static_cast<QWidget *>(device));
                    paint(painter);
                    return;
                }
            }
        }
        made = shadowCoverageLayer(painter, layerRect.size(), toLayer, paint, blurPx / 2, tint);
        if (made.isNull()) {
            draw(painter, approxBounds, paint);
            return;
        }
        layer = cache.keep(key.bytes, made) ? cache.find(key.bytes) : &made;
    }
    compositeCoverage(painter,
                      QRectF(QPointF(anchor + layerRect.topLeft() + layer->offset()) + offsetPx, QSizeF(layer->size())),
                      *layer);
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
    const QRectF objectRect = toDevice.mapRect(approxBounds.normalized());
    if (!std::isfinite(objectRect.x()) || !std::isfinite(objectRect.y()) || !std::isfinite(objectRect.width())
        || !std::isfinite(objectRect.height())) {
        paint(painter);
        return;
    }

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
    auto layerWithin = [&](int margin) {
        return objectRect.adjusted(-margin, -margin, margin, margin)
            .intersected(visible.adjusted(-margin, -margin, margin, margin))
            .toAlignedRect();
    };
    QRect layerRect = layerWithin(blurReach(blurPx / 2) + 2);
    if (qreal(layerRect.width()) * layerRect.height() > MaxLayerPixels) {
        // A layer drawn at a lower resolution blurs coarser pixels, whose reach rounds up further.
        layerRect = layerWithin(int(std::ceil(blurPx * 2)) + 2);
    }
    if (layerRect.isEmpty()) {
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
