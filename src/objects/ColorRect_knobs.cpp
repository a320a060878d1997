// The selection look of an object: its knobs, the dashed outline of an unstroked box and
// the marks of linked text boxes, all at a constant size on the screen.
#include "objects/ColorRect.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPalette>
#include <QTextDocument>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <vector>

#include "objects/CanvasServices.h"
#include "platform/Pen.h"
#include "platform/SavedPainterState.h"
#include "objects/KnobResize.h"

namespace quillmark {

namespace {

QColor paletteColor(QPalette::ColorRole role, const QColor &fallback)
{
    if (!QGuiApplication::instance())
        return fallback;
    return QGuiApplication::palette().color(QPalette::Active, role);
}

// std::round (halves away from zero) without a call into the maths library: the marks of
// thousands of objects round four edges of several squares each at every repaint.
double nearestWhole(double value)
{
    // Beyond 2^52 every double is whole already (and NaN stays NaN).
    if (!(std::abs(value) < 4503599627370496.0))
        return value;
    // The conversion truncates toward zero; the difference from it is exact.
    double whole = double(qint64(value));
    const double rest = value - whole;
    if (rest >= 0.5)
        whole += 1.0;
    else if (rest <= -0.5)
        whole -= 1.0;
    return whole;
}

// The painter's mapping to device pixels, found once for all the marks drawn under it.
class DevicePixels
{
public:
    explicit DevicePixels(const QPainter *painter)
        : m_toDevice(painter->deviceTransform())
        , m_upright(m_toDevice.isInvertible() && m_toDevice.type() <= QTransform::TxScale)
    {
        if (m_upright)
            m_toUser = m_toDevice.inverted();
    }

    const QTransform &toDevice() const { return m_toDevice; }
    const QTransform &toUser() const { return m_toUser; }
    // Whether the mapping keeps rectangles upright (mirrors included).
    bool upright() const { return m_upright; }

    // The rectangle with its edges on whole device pixels, when the mapping keeps rectangles
    // upright; as it is otherwise.
    QRectF snapped(const QRectF &rect) const
    {
        if (!m_upright)
            return rect;
        QRectF device = m_toDevice.mapRect(rect);
        device = QRectF(QPointF(nearestWhole(device.left()), nearestWhole(device.top())),
                        QPointF(nearestWhole(device.right()), nearestWhole(device.bottom())));
        return m_toUser.mapRect(device);
    }

    // The device rectangle of `rect` when all its edges fall on whole pixels (a rectangle
    // there covers the same pixels with or without antialiasing); null otherwise.
    QRect onPixels(const QRectF &rect) const
    {
        if (!m_upright)
            return {};
        const QRectF device = m_toDevice.mapRect(rect);
        const double edges[4] = {device.left(), device.top(), device.right(), device.bottom()};
        for (const double edge : edges) {
            if (!(std::abs(edge - nearestWhole(edge)) < 1e-6))
                return {};
        }
        return QRect(QPoint(int(nearestWhole(device.left())), int(nearestWhole(device.top()))),
                     QSize(int(nearestWhole(device.width())), int(nearestWhole(device.height()))));
    }

private:
    QTransform m_toDevice;
    QTransform m_toUser;
    bool m_upright;
};

// The mark of a text link: a white box outlined grey, with an arrow when the text goes on
// to another box that way and a red dot when the text does not fit.
void paintLinkMark(QPainter *painter, const QRectF &mark, double z, bool arrow, bool dot, const QColor &outline)
{
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->fillRect(mark, Qt::white);
    painter->setPen(makePen(outline, 1.0 / z));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(mark);
    if (arrow) {
        QPainterPath path;
        path.moveTo(mark.x() + 3.0 / z, mark.y() + 2.0 / z);
        path.lineTo(mark.x() + 3.0 / z, mark.bottom() - 2.0 / z);
        path.lineTo(mark.right() - 2.0 / z, mark.center().y());
        path.closeSubpath();
        painter->fillPath(path, QColor::fromRgbF(0.2f, 0.2f, 1.0f, 1.0f));
    }
    if (dot) {
        QPainterPath circle;
        circle.addEllipse(mark.adjusted(2.0 / z, 2.0 / z, -2.0 / z, -2.0 / z));
        painter->fillPath(circle, Qt::red);
    }
}

// Link marks look alike on every box at one zoom: each look is drawn once into a picture of
// its device pixels and copied where a mark goes. The key holds all that shapes the
// picture; its pixels are those the mark draws straight on the canvas (only the outline's
// outer half pixel, blended over what lies beneath, may round one step differently).
struct LinkMarkLook
{
    QSize size;
    double m11 = 0.0;
    double m22 = 0.0;
    double z = 0.0;
    bool arrow = false;
    bool dot = false;
    QRgb outline = 0;
    bool operator==(const LinkMarkLook &) const = default;
};

// Room around the mark for the outline's outer half.
constexpr int LinkMarkPadding = 2;

const QImage &linkMarkPicture(const LinkMarkLook &look, const DevicePixels &pixels, const QRectF &mark,
                              const QRect &device)
{
    // Drawing for the screen happens on the window's thread; a few zooms and looks are held.
    thread_local std::vector<std::pair<LinkMarkLook, QImage>> held;
    for (const auto &entry : held) {
        if (entry.first == look)
            return entry.second;
    }
    if (held.size() >= 32)
        held.clear();
    QImage picture(look.size + QSize(2 * LinkMarkPadding, 2 * LinkMarkPadding), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        // The mark's own mapping, moved by whole pixels to put it at the padding.
        painter.setTransform(pixels.toDevice()
                             * QTransform::fromTranslate(LinkMarkPadding - device.left(), LinkMarkPadding - device.top()));
        paintLinkMark(&painter, mark, look.z, look.arrow, look.dot, QColor::fromRgba(look.outline));
    }
    held.emplace_back(look, std::move(picture));
    return held.back().second;
}

using KnobResize::knobPosition;

// A link mark where it goes, with the picture it is copied from when it lies on whole pixels.
struct PlacedLinkMark
{
    QRectF mark;
    QRect device;
    double z = 1.0;
    bool arrow = false;
    bool dot = false;
    QColor outline;
    // Shared with the pictures held (a second mark's look may add one and move them).
    QImage picture;

    QPointF copiedAt() const { return QPointF(device.left() - LinkMarkPadding, device.top() - LinkMarkPadding); }
};

PlacedLinkMark placeLinkMark(const QPainter *painter, const DevicePixels &pixels, const QPointF &point, double z,
                             bool next, int count, int index, bool overfill, const QColor &outline)
{
    PlacedLinkMark placed;
    QRectF mark(point.x() - 3.0 / z, point.y() - 3.0 / z, 6.0 / z + 1.0 / z, 6.0 / z + 1.0 / z);
    mark.adjust(-1.0 / z, -1.0 / z, 1.0 / z, 1.0 / z);
    mark = pixels.snapped(mark);
    if (next)
        mark.translate(-1.0 / z, 0);
    placed.mark = mark;
    placed.z = z;
    placed.arrow = count > 0 && ((!next && index > 0) || (next && index < count - 1));
    placed.dot = next && overfill;
    placed.outline = outline;
    // A mark on whole pixels is copied from its picture, drawn once for its look.
    placed.device = pixels.onPixels(mark);
    if (!placed.device.isEmpty() && painter->opacity() == 1.0
        && painter->compositionMode() == QPainter::CompositionMode_SourceOver) {
        const LinkMarkLook look{placed.device.size(), pixels.toDevice().m11(), pixels.toDevice().m22(), z,
                                placed.arrow, placed.dot, outline.rgba()};
        placed.picture = linkMarkPicture(look, pixels, mark, placed.device);
    }
    return placed;
}

void drawPlacedLinkMark(QPainter *painter, const DevicePixels &pixels, const PlacedLinkMark &placed)
{
    if (!placed.picture.isNull()) {
        // Drawn in device pixels: the world mapping undone for the copy.
        const QTransform world = painter->worldTransform();
        painter->setWorldTransform(pixels.toUser() * world);
        painter->drawImage(placed.copiedAt(), placed.picture);
        painter->setWorldTransform(world);
        return;
    }
    SavedPainterState state(painter);
    paintLinkMark(painter, placed.mark, placed.z, placed.arrow, placed.dot, placed.outline);
}

// A knob is two squares: the shadow's, then the knob's colour one pixel up and left of it.
struct KnobSquares
{
    double z = 1.0;
    double inset = 0.0;
    double side = 0.0;
    QColor shadow;
    QColor knob;
    bool antialiased = false;

    // The shadow's square of the knob at `point`, before it is put on whole pixels.
    QRectF first(const QPointF &point) const { return QRectF(point.x() - inset, point.y() - inset, side, side); }
};

KnobSquares knobSquares(double zoom, const QColor &knob, const QPainter *painter)
{
    KnobSquares squares;
    squares.z = zoom;
    squares.inset = double(ColorRect::handleHalfWidth()) / squares.z - 1.0 / squares.z;
    squares.side = double(ColorRect::handleWidth()) / squares.z - 1.0 / squares.z;
    squares.shadow = paletteColor(QPalette::Shadow, Qt::black);
    squares.knob = knob;
    squares.antialiased = painter->testRenderHint(QPainter::Antialiasing);
    return squares;
}

KnobSquares knobSquaresOf(const ColorRect &object, const QPainter *painter)
{
    return knobSquares(object.getZoom(), ColorRect::knobColor(object.isLocked(), object.isResizable()), painter);
}

// The squares of an object's knobs (at most eight), each where it is filled in the painter's
// units and, when it lies on whole pixels, in device pixels.
struct PlacedKnobs
{
    static constexpr int Most = 16;
    QRectF squares[Most];
    QRect onPixels[Most];
    int count = 0;
};

void placeKnobs(PlacedKnobs &placed, const DevicePixels &pixels, const KnobSquares &squares,
                std::span<const QPointF> points)
{
    placed.count = 0;
    for (const QPointF &point : points) {
        if (placed.count + 2 > PlacedKnobs::Most)
            break;
        QRectF square = pixels.snapped(squares.first(point));
        for (int pass = 0; pass < 2; ++pass) {
            placed.squares[placed.count] = square;
            placed.onPixels[placed.count] = pixels.onPixels(square);
            ++placed.count;
            square.translate(-1.0 / squares.z, -1.0 / squares.z);
        }
    }
}

// A knob's square filled on whole pixels goes through the painter's direct fill without
// antialiasing, which covers exactly the pixels the antialiased fill covers wholly; a square
// off the pixel grid (a turned object) is filled as the painter stands.
void fillKnobs(QPainter *painter, const PlacedKnobs &placed, const KnobSquares &squares)
{
    for (int i = 0; i < placed.count; ++i) {
        const bool smooth = squares.antialiased && placed.onPixels[i].isNull();
        if (painter->testRenderHint(QPainter::Antialiasing) != smooth)
            painter->setRenderHint(QPainter::Antialiasing, smooth);
        painter->fillRect(placed.squares[i], i % 2 ? squares.knob : squares.shadow);
    }
    painter->setRenderHint(QPainter::Antialiasing, squares.antialiased);
}

// Whether the knobs, filled after it, hide every pixel that a line `lineWidth` wide (in the
// painter's units) along `bounds` could touch: a box a few pixels wide on the screen (thousands
// of them in a design seen whole) is covered by its own knobs.
bool hiddenUnderKnobs(const QPainter *painter, const DevicePixels &pixels, const QRectF &bounds, qreal lineWidth,
                      const PlacedKnobs &placed, const KnobSquares &squares)
{
    if (placed.count == 0 || !pixels.upright() || painter->opacity() != 1.0
        || painter->compositionMode() != QPainter::CompositionMode_SourceOver || squares.shadow.alpha() != 255
        || squares.knob.alpha() != 255)
        return false;
    // Every pixel an antialiased stroke of `bounds` can touch, with one to spare on each side.
    const QTransform &toDevice = pixels.toDevice();
    const QRectF device = toDevice.mapRect(bounds);
    const double half = std::max(0.5, lineWidth * std::max(std::abs(toDevice.m11()), std::abs(toDevice.m22())) / 2.0);
    const double edges[4] = {std::floor(device.left() - half) - 1.0, std::floor(device.top() - half) - 1.0,
                             std::ceil(device.right() + half) + 1.0, std::ceil(device.bottom() + half) + 1.0};
    constexpr int Most = 32;
    if (!(edges[2] - edges[0] <= Most) || !(edges[3] - edges[1] <= Most) || !(std::abs(edges[0]) < 1e9)
        || !(std::abs(edges[1]) < 1e9))
        return false;
    const QRect reach{QPoint(int(edges[0]), int(edges[1])), QPoint(int(edges[2]) - 1, int(edges[3]) - 1)};
    // A bit per pixel of the reach, set where a square fills it opaque. Only a square on whole
    // pixels fills each of its pixels wholly (one filled antialiased leaves its edges partly
    // see-through): only those count.
    quint32 rows[Most] = {};
    for (int i = 0; i < placed.count; ++i) {
        const QRect covered = placed.onPixels[i] & reach;
        if (covered.isEmpty())
            continue;
        const quint32 bits = (covered.width() >= Most ? ~0u : ((1u << covered.width()) - 1u))
                             << (covered.left() - reach.left());
        for (int row = covered.top(); row <= covered.bottom(); ++row)
            rows[row - reach.top()] |= bits;
    }
    const quint32 full = reach.width() >= Most ? ~0u : ((1u << reach.width()) - 1u);
    for (int row = 0; row < reach.height(); ++row) {
        if (rows[row] != full)
            return false;
    }
    return true;
}

// The rectangle a path outlines when it is one: a move and three lines round it, closed (as
// BezierPath::appendRect makes it).
std::optional<QRectF> rectangleOf(const BezierPath &path)
{
    if (path.elementCount() != 5)
        return std::nullopt;
    QPointF corners[4];
    for (int i = 0; i < 5; ++i) {
        QPointF points[3];
        const BezierPath::ElementType type = path.elementAt(i, points);
        const BezierPath::ElementType expected = i == 0 ? BezierPath::MoveTo : (i == 4 ? BezierPath::ClosePath : BezierPath::LineTo);
        if (type != expected)
            return std::nullopt;
        if (i < 4)
            corners[i] = points[0];
    }
    // Each side runs along one axis, turning at every corner.
    for (int i = 0; i < 4; ++i) {
        const QPointF &a = corners[i];
        const QPointF &b = corners[(i + 1) % 4];
        const QPointF &c = corners[(i + 2) % 4];
        const bool first = a.x() == b.x() && a.y() != b.y();
        const bool second = b.y() == c.y() && b.x() != c.x();
        const bool firstOther = a.y() == b.y() && a.x() != b.x();
        const bool secondOther = b.x() == c.x() && b.y() != c.y();
        if (!((first && second) || (firstOther && secondOther)))
            return std::nullopt;
    }
    return QRectF(corners[0], corners[2]).normalized();
}

// The dashed outline of an upright box, copied from a row and a column of dashes that Qt
// stroked once for the pen. A thin antialiased dashed stroke costs about 14 ns a pixel,
// whatever call draws it, and a design of thousands of selected boxes lying over each other
// (address blocks) strokes millions of such pixels at every repaint; copying a
// strip costs a tenth of that. The strip puts each edge in the pixel the edge falls in, where
// the stroke shares it with its neighbour, and starts each edge's dashes at its corner.
class DashStrips
{
public:
    // Draws the outline `rect` (in the painter's units) with `pen`; false when it cannot (the
    // mapping turns or stretches the box, the painter does not paint on pixels, the pen is
    // wider than a pixel, an edge reaches too far outside the device), and then draws nothing.
    static bool draw(QPainter *painter, const DevicePixels &pixels, const QRectF &rect, const QPen &pen)
    {
        QPaintEngine *engine = painter->paintEngine();
        if (!pixels.upright() || !engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice())
            return false;
        const QTransform &toDevice = pixels.toDevice();
        const double scale = std::abs(toDevice.m11());
        if (!(scale > 0.0) || std::abs(std::abs(toDevice.m22()) - scale) > 1e-9 * scale
            || !(pen.widthF() * scale <= 1.0) || pen.style() != Qt::CustomDashLine)
            return false;
        const QRectF device = toDevice.mapRect(rect);
        const double limit = 1e6;
        if (!(std::abs(device.left()) < limit && std::abs(device.right()) < limit && std::abs(device.top()) < limit
              && std::abs(device.bottom()) < limit))
            return false;
        // The pixel each edge falls in; an edge on a pixel boundary takes the pixel inside.
        const int left = int(std::floor(device.left()));
        const int top = int(std::floor(device.top()));
        const int right = std::max(left, int(std::ceil(device.right())) - 1);
        const int bottom = std::max(top, int(std::ceil(device.bottom())) - 1);
        const QPaintDevice *target = engine->paintDevice();
        // A widget's size is in its own units, an image's in pixels: enough either way.
        const double ratio = std::max(1.0, target->devicePixelRatio());
        const QRect reach(-1, -1, int(std::ceil(target->width() * ratio)) + 2, int(std::ceil(target->height() * ratio)) + 2);

        const Strips &strips = stripsFor(pen, scale, painter->testRenderHint(QPainter::Antialiasing));
        struct Piece
        {
            QPoint at;
            QRect from;
            bool across;
        };
        Piece pieces[4];
        int count = 0;
        // Each edge: its first pixel, its length, whether it runs across; the part inside the
        // device is copied, its dashes going on from the edge's start.
        auto add = [&](int x, int y, int length, bool across) {
            if (length <= 0)
                return true;
            const int start = across ? x : y;
            const int low = std::max(start, across ? reach.left() : reach.top());
            const int high = std::min(start + length - 1, across ? reach.right() : reach.bottom());
            if ((across ? (y < reach.top() || y > reach.bottom()) : (x < reach.left() || x > reach.right()))
                || low > high)
                return true;
            const int offset = strips.phase(low - start);
            const int span = high - low + 1;
            if (offset < 0 || offset + span > StripLength)
                return false;
            pieces[count++] = across ? Piece{QPoint(low, y), QRect(offset, 0, span, 1), true}
                                     : Piece{QPoint(x, low), QRect(0, offset, 1, span), false};
            return true;
        };
        if (!add(left, top, right - left + 1, true) || (bottom != top && !add(left, bottom, right - left + 1, true))
            || !add(left, top + 1, bottom - top - 1, false)
            || (right != left && !add(right, top + 1, bottom - top - 1, false)))
            return false;
        const QTransform world = painter->worldTransform();
        painter->setWorldTransform(pixels.toUser() * world);
        for (int i = 0; i < count; ++i)
            painter->drawImage(pieces[i].at, pieces[i].across ? strips.across : strips.down, pieces[i].from);
        painter->setWorldTransform(world);
        return true;
    }

private:
    static constexpr int StripLength = 8192;
    // Where the dashes' pattern is sure to repeat, past the stroke's start.
    static constexpr int Settled = 16;

    struct Strips
    {
        QColor color;
        qreal width = 0.0;
        QList<qreal> pattern;
        qreal offset = 0.0;
        double scale = 0.0;
        bool antialiased = false;
        QImage across;
        QImage down;
        // Pixels after which the strips repeat; 0 when they do not within the strip.
        int period = 0;

        // The pixel of the strip that lies `distance` pixels along an edge.
        int phase(int distance) const
        {
            if (distance < Settled + period || period == 0)
                return distance;
            return Settled + (distance - Settled) % period;
        }
    };

    static const Strips &stripsFor(const QPen &pen, double scale, bool antialiased)
    {
        // Painted on the window's thread and on those that make pictures aside.
        thread_local std::vector<Strips> kept;
        for (size_t i = 0; i < kept.size(); ++i) {
            const Strips &s = kept[i];
            if (s.scale == scale && s.antialiased == antialiased && s.width == pen.widthF() && s.color == pen.color()
                && s.offset == pen.dashOffset() && s.pattern == pen.dashPattern()) {
                if (i != 0)
                    std::rotate(kept.begin(), kept.begin() + qsizetype(i), kept.begin() + qsizetype(i) + 1);
                return kept.front();
            }
        }
        Strips made;
        made.color = pen.color();
        made.width = pen.widthF();
        made.pattern = pen.dashPattern();
        made.offset = pen.dashOffset();
        made.scale = scale;
        made.antialiased = antialiased;
        made.across = stroked(pen, scale, antialiased, true);
        made.down = stroked(pen, scale, antialiased, false);
        made.period = periodOf(made.across, made.down);
        constexpr size_t Most = 4;
        if (kept.size() >= Most)
            kept.pop_back();
        kept.insert(kept.begin(), std::move(made));
        return kept.front();
    }

    // A straight stroke of the pen through the middle of a row (or a column) of pixels.
    static QImage stroked(const QPen &pen, double scale, bool antialiased, bool across)
    {
        QImage image(across ? QSize(StripLength, 3) : QSize(3, StripLength), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, antialiased);
        painter.scale(scale, scale);
        painter.setPen(pen);
        const double middle = 1.5 / scale;
        const double end = StripLength / scale;
        painter.drawLine(across ? QLineF(0.0, middle, end, middle) : QLineF(middle, 0.0, middle, end));
        painter.end();
        return across ? image.copy(0, 1, StripLength, 1) : image.copy(1, 0, 1, StripLength);
    }

    // The shortest period both strips repeat with past their start.
    static int periodOf(const QImage &across, const QImage &down)
    {
        const auto *row = reinterpret_cast<const QRgb *>(across.constScanLine(0));
        constexpr int Compared = 2048;
        for (int p = 1; Settled + p + Compared <= StripLength && p <= 1024; ++p) {
            bool repeats = true;
            for (int i = Settled; i < Settled + Compared && repeats; ++i) {
                repeats = row[i] == row[i + p] && down.pixel(0, i) == down.pixel(0, i + p);
            }
            if (repeats)
                return p;
        }
        return 0;
    }
};

} // namespace

unsigned ColorRect::knobMask() const
{
    return 0xFFFFFFFFu;
}

int ColorRect::indexToKnob(int index)
{
    switch (index) {
    case 0: return 1;
    case 1: return 3;
    case 2: return 8;
    case 3: return 6;
    default: return 0;
    }
}

void ColorRect::drawSelect(QPainter *painter, const QRectF &)
{
    if (!painter || isDrawingForPrint())
        return;
    if (!_iseditable) {
        // The marks put back what they change of the painter: only a mirror or a turn needs
        // its state saved (thousands of objects are marked at each repaint).
        std::optional<SavedPainterState> turned;
        if (_flipH || _flipV || angle() != 0.0f) {
            turned.emplace(painter);
            flipFrame(painter);
            rotateFrame(painter, angle());
        }
        if (hasTextToDraw())
            drawLinks(painter);
        drawHandlesInView(painter);
        return;
    }
    SavedPainterState state(painter);
    const BezierPath outline = bezierPath();
    const bool showsNoStroke = !canStroke() || !(strokeLineWidth() > 0);
    if (showsNoStroke && drawsStroke() && !drawsFill() && canFill() && !drawsImage()
        && canDrawsImage() && !outline.isEmpty()) {
        painter->strokePath(outline.toPainterPath(), makePen(strokeColor(), 0.2 / displayedZoom()));
    }
    // Text typed past the box (lines or table rows below it) does not show while it is
    // typed: the overflow mark says where it went.
    if (overfill && !_powertext) {
        flipFrame(painter);
        rotateFrame(painter, angle());
        const QRectF f = _frameBounds;
        drawLinkAtPoint(QPointF(f.right(), f.bottom() - 5.0 - 0.1 * f.height()), painter, true);
    }
}

void ColorRect::drawHandlesInView(QPainter *painter)
{
    if (!painter || isDrawingForPrint())
        return;
    const double z = getZoom();
    const unsigned mask = knobMask();
    QPointF points[8];
    int count = 0;
    for (int knob = 1; knob <= 8; ++knob) {
        if (mask & (1u << knob))
            points[count++] = knobPosition(_frameBounds, knob);
    }
    // The painter's mapping and the colours are the same for every knob of the object.
    const DevicePixels pixels(painter);
    const KnobSquares squares = knobSquaresOf(*this, painter);
    PlacedKnobs placed;
    placeKnobs(placed, pixels, squares, std::span<const QPointF>(points, size_t(count)));

    const qreal width = 0.2 / displayedZoom();
    // An outline lies within its frame: when the knobs drawn over it hide the whole frame,
    // the outline is neither made nor stroked.
    if (canStroke() && (strokeLineWidth() == 0.0f || !drawsStroke())
        && !hiddenUnderKnobs(painter, pixels, _frameBounds, width, placed, squares)) {
        // The dashed box is the frame even for shaped text.
        const bool shaped = _powertext;
        _powertext = false;
        const BezierPath outline = bezierPath();
        _powertext = shaped;
        // Stroking leaves the painter's state as it was.
        if (!outline.isEmpty()) {
            const QPen pen = makePen(strokeColor(), width, {2.0 / z, 2.0 / z});
            const std::optional<QRectF> box = rectangleOf(outline);
            if (!box || !DashStrips::draw(painter, pixels, *box, pen))
                painter->strokePath(outline.toPainterPath(), pen);
        }
    }
    fillKnobs(painter, placed, squares);
}

void ColorRect::drawHandleAtPoint(const QPointF &point, QPainter *painter)
{
    drawHandlesAtPoints(std::span<const QPointF>(&point, 1), painter);
}

QColor ColorRect::knobColor(bool locked, bool resizable)
{
    if (locked)
        return Qt::red;
    if (!resizable)
        return Qt::green;
    return paletteColor(QPalette::Highlight, QColor(48, 140, 198));
}

void ColorRect::drawHandlesAtPoints(std::span<const QPointF> points, QPainter *painter)
{
    if (painter)
        drawKnobs(painter, points, getZoom(), knobColor(isLocked(), isResizable()));
}

void ColorRect::drawKnobs(QPainter *painter, std::span<const QPointF> points, double zoom, const QColor &knob)
{
    if (!painter || points.empty())
        return;
    // The painter's mapping and the colours are the same for every knob.
    const DevicePixels pixels(painter);
    const KnobSquares squares = knobSquares(zoom, knob, painter);
    // A path may have many points: its knobs are placed and filled a few at a time.
    constexpr size_t Batch = PlacedKnobs::Most / 2;
    PlacedKnobs placed;
    for (size_t first = 0; first < points.size(); first += Batch) {
        placeKnobs(placed, pixels, squares, points.subspan(first, std::min(Batch, points.size() - first)));
        fillKnobs(painter, placed, squares);
    }
}

void ColorRect::drawLinks(QPainter *painter)
{
    if (!painter || isDrawingForPrint() || _powertext)
        return;
    const QRectF f = _frameBounds;
    const double z = getZoom();
    const DevicePixels pixels(painter);
    const int count = textContainerCount();
    const int index = textContainerIndex();
    const QColor outline = paletteColor(QPalette::Mid, Qt::gray);
    const PlacedLinkMark marks[2] = {
        placeLinkMark(painter, pixels, QPointF(f.left(), f.top() + 5.0 + 0.1 * f.height()), z, false, count, index,
                      overfill, outline),
        placeLinkMark(painter, pixels, QPointF(f.right(), f.bottom() - 5.0 - 0.1 * f.height()), z, true, count,
                      index, overfill, outline)};
    // Both copied from their pictures in device pixels, the world mapping undone once for
    // the two.
    if (!marks[0].picture.isNull() && !marks[1].picture.isNull()) {
        const QTransform world = painter->worldTransform();
        painter->setWorldTransform(pixels.toUser() * world);
        for (const PlacedLinkMark &mark : marks)
            painter->drawImage(mark.copiedAt(), mark.picture);
        painter->setWorldTransform(world);
        return;
    }
    for (const PlacedLinkMark &mark : marks)
        drawPlacedLinkMark(painter, pixels, mark);
}

void ColorRect::drawLinkAtPoint(const QPointF &point, QPainter *painter, bool next)
{
    if (!painter)
        return;
    const DevicePixels pixels(painter);
    drawPlacedLinkMark(painter, pixels,
                       placeLinkMark(painter, pixels, point, getZoom(), next, textContainerCount(),
                                     textContainerIndex(), overfill, paletteColor(QPalette::Mid, Qt::gray)));
}

QPointF ColorRect::knobLocation(int &knob) const
{
    const QRectF f = _frameBounds;
    if (_angle == 0.0f) {
        switch (knob) {
        case 2: case 4: case 5: case 7:
            return knobPosition(f, knob);
        default:
            return {};
        }
    }
    const QPointF c = f.center();
    QTransform turn;
    turn.translate(c.x(), c.y());
    turn.rotate(_angle);
    turn.translate(-c.x(), -c.y());
    const QPointF corners[4] = {turn.map(f.topLeft()), turn.map(f.topRight()),
                                turn.map(f.bottomRight()), turn.map(f.bottomLeft())};
    auto better = [knob](const QPointF &candidate, const QPointF &best) {
        switch (knob) {
        case 2: return candidate.y() < best.y();
        case 4: return candidate.x() < best.x();
        case 5: return candidate.x() > best.x();
        case 7: return candidate.y() > best.y();
        default: return false;
        }
    };
    if (knob != 2 && knob != 4 && knob != 5 && knob != 7)
        return {};
    int chosen = 0;
    for (int i = 1; i < 4; ++i) {
        if (better(corners[i], corners[chosen]))
            chosen = i;
    }
    knob = indexToKnob(chosen);
    return corners[chosen];
}

} // namespace quillmark
