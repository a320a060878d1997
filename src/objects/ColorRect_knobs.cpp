// The selection look of an object: its knobs, the dashed outline of an unstroked box and
// the marks of linked text boxes, all at a constant size on the screen.
#include "objects/ColorRect.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QTextDocument>
#include <QTransform>

#include <cmath>
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
        device = QRectF(QPointF(std::round(device.left()), std::round(device.top())),
                        QPointF(std::round(device.right()), std::round(device.bottom())));
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
            if (!(std::abs(edge - std::round(edge)) < 1e-6))
                return {};
        }
        return QRect(QPoint(int(std::round(device.left())), int(std::round(device.top()))),
                     QSize(int(std::round(device.width())), int(std::round(device.height()))));
    }

private:
    QTransform m_toDevice;
    QTransform m_toUser;
    bool m_upright;
};

// A knob's square filled on whole pixels goes through the painter's direct fill without
// antialiasing, which covers exactly the pixels the antialiased fill covers wholly; a square
// off the pixel grid (a turned object) is filled as the painter stands.
void fillKnobSquare(QPainter *painter, const DevicePixels &pixels, const QRectF &square, const QColor &color,
                    bool antialiased)
{
    const bool smooth = antialiased && pixels.onPixels(square).isNull();
    if (painter->testRenderHint(QPainter::Antialiasing) != smooth)
        painter->setRenderHint(QPainter::Antialiasing, smooth);
    painter->fillRect(square, color);
}

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
    SavedPainterState state(painter);
    if (!_iseditable) {
        flipFrame(painter);
        rotateFrame(painter, angle());
        if (hasText())
            drawLinks(painter);
        drawHandlesInView(painter);
        return;
    }
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
    if (canStroke() && (strokeLineWidth() == 0.0f || !drawsStroke())) {
        // The dashed box is the frame even for shaped text.
        const bool shaped = _powertext;
        _powertext = false;
        const BezierPath outline = bezierPath();
        _powertext = shaped;
        // Stroking leaves the painter's state as it was.
        if (!outline.isEmpty())
            painter->strokePath(outline.toPainterPath(),
                                makePen(strokeColor(), 0.2 / displayedZoom(), {2.0 / z, 2.0 / z}));
    }

    const unsigned mask = knobMask();
    QPointF points[8];
    int count = 0;
    for (int knob = 1; knob <= 8; ++knob) {
        if (mask & (1u << knob))
            points[count++] = knobPosition(_frameBounds, knob);
    }
    drawHandlesAtPoints(std::span<const QPointF>(points, size_t(count)), painter);
}

void ColorRect::drawHandleAtPoint(const QPointF &point, QPainter *painter)
{
    drawHandlesAtPoints(std::span<const QPointF>(&point, 1), painter);
}

void ColorRect::drawHandlesAtPoints(std::span<const QPointF> points, QPainter *painter)
{
    if (!painter || points.empty())
        return;
    const double z = getZoom();
    const double inset = double(handleHalfWidth()) / z - 1.0 / z;
    const double side = double(handleWidth()) / z - 1.0 / z;
    // The painter's mapping and the colours are the same for every knob of the object.
    const DevicePixels pixels(painter);
    const QColor shadow = paletteColor(QPalette::Shadow, Qt::black);
    QColor knob;
    if (isLocked())
        knob = Qt::red;
    else if (!isResizable())
        knob = Qt::green;
    else
        knob = paletteColor(QPalette::Highlight, QColor(48, 140, 198));
    const bool antialiased = painter->testRenderHint(QPainter::Antialiasing);
    for (const QPointF &point : points) {
        QRectF square = pixels.snapped(QRectF(point.x() - inset, point.y() - inset, side, side));
        fillKnobSquare(painter, pixels, square, shadow, antialiased);
        square.translate(-1.0 / z, -1.0 / z);
        fillKnobSquare(painter, pixels, square, knob, antialiased);
    }
    painter->setRenderHint(QPainter::Antialiasing, antialiased);
}

void ColorRect::drawLinks(QPainter *painter)
{
    if (!painter || isDrawingForPrint() || _powertext)
        return;
    const QRectF f = _frameBounds;
    drawLinkAtPoint(QPointF(f.left(), f.top() + 5.0 + 0.1 * f.height()), painter, false);
    drawLinkAtPoint(QPointF(f.right(), f.bottom() - 5.0 - 0.1 * f.height()), painter, true);
}

void ColorRect::drawLinkAtPoint(const QPointF &point, QPainter *painter, bool next)
{
    if (!painter)
        return;
    const double z = getZoom();
    const DevicePixels pixels(painter);
    QRectF mark(point.x() - 3.0 / z, point.y() - 3.0 / z, 6.0 / z + 1.0 / z, 6.0 / z + 1.0 / z);
    mark.adjust(-1.0 / z, -1.0 / z, 1.0 / z, 1.0 / z);
    mark = pixels.snapped(mark);
    if (next)
        mark.translate(-1.0 / z, 0);

    const int count = textContainerCount();
    const int index = textContainerIndex();
    const bool arrow = count > 0 && ((!next && index > 0) || (next && index < count - 1));
    const bool dot = next && overfill;
    const QColor outline = paletteColor(QPalette::Mid, Qt::gray);

    // A mark on whole pixels is copied from its picture, drawn once for its look.
    const QRect device = pixels.onPixels(mark);
    if (!device.isEmpty() && painter->opacity() == 1.0
        && painter->compositionMode() == QPainter::CompositionMode_SourceOver) {
        const LinkMarkLook look{device.size(), pixels.toDevice().m11(), pixels.toDevice().m22(), z, arrow, dot,
                                outline.rgba()};
        const QImage &picture = linkMarkPicture(look, pixels, mark, device);
        // Drawn in device pixels: the world mapping undone for the copy.
        const QTransform world = painter->worldTransform();
        painter->setWorldTransform(pixels.toUser() * world);
        painter->drawImage(QPointF(device.left() - LinkMarkPadding, device.top() - LinkMarkPadding), picture);
        painter->setWorldTransform(world);
        return;
    }
    SavedPainterState state(painter);
    paintLinkMark(painter, mark, z, arrow, dot, outline);
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
