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

// The rectangle with its edges on whole device pixels, when the painter's transform keeps
// rectangles upright; as it is otherwise.
QRectF centerScanRect(const QPainter *painter, const QRectF &rect)
{
    const QTransform t = painter->deviceTransform();
    if (!t.isInvertible() || t.type() > QTransform::TxScale)
        return rect;
    QRectF device = t.mapRect(rect);
    device = QRectF(QPointF(std::round(device.left()), std::round(device.top())),
                    QPointF(std::round(device.right()), std::round(device.bottom())));
    return t.inverted().mapRect(device);
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
    const BezierPath outline = bezierPath();
    SavedPainterState state(painter);
    if (!_iseditable) {
        flipFrame(painter);
        rotateFrame(painter, angle());
        if (hasText())
            drawLinks(painter);
        drawHandlesInView(painter);
        return;
    }
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
    // The dashed box is the frame even for shaped text.
    const bool shaped = _powertext;
    _powertext = false;
    const BezierPath outline = bezierPath();
    _powertext = shaped;

    if (!outline.isEmpty() && canStroke() && (strokeLineWidth() == 0.0f || !drawsStroke())) {
        SavedPainterState state(painter);
        const QPen pen = makePen(strokeColor(), 0.2 / displayedZoom(), {2.0 / z, 2.0 / z});
        painter->strokePath(outline.toPainterPath(), pen);
    }

    const unsigned mask = knobMask();
    for (int knob = 1; knob <= 8; ++knob) {
        if (mask & (1u << knob))
            drawHandleAtPoint(knobPosition(_frameBounds, knob), painter);
    }
}

void ColorRect::drawHandleAtPoint(const QPointF &point, QPainter *painter)
{
    if (!painter)
        return;
    const double z = getZoom();
    const double inset = double(handleHalfWidth()) / z - 1.0 / z;
    const double side = double(handleWidth()) / z - 1.0 / z;
    QRectF square(point.x() - inset, point.y() - inset, side, side);
    square = centerScanRect(painter, square);
    SavedPainterState state(painter);
    painter->fillRect(square, paletteColor(QPalette::Shadow, Qt::black));
    square.translate(-1.0 / z, -1.0 / z);
    QColor knob;
    if (isLocked())
        knob = Qt::red;
    else if (!isResizable())
        knob = Qt::green;
    else
        knob = paletteColor(QPalette::Highlight, QColor(48, 140, 198));
    painter->fillRect(square, knob);
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
    SavedPainterState state(painter);
    QRectF mark(point.x() - 3.0 / z, point.y() - 3.0 / z, 6.0 / z + 1.0 / z, 6.0 / z + 1.0 / z);
    mark.adjust(-1.0 / z, -1.0 / z, 1.0 / z, 1.0 / z);
    mark = centerScanRect(painter, mark);
    if (next)
        mark.translate(-1.0 / z, 0);
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->fillRect(mark, Qt::white);
    painter->setPen(makePen(paletteColor(QPalette::Mid, Qt::gray), 1.0 / z));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(mark);

    const int count = textContainerCount();
    const int index = textContainerIndex();
    if (count > 0 && ((!next && index > 0) || (next && index < count - 1))) {
        QPainterPath arrow;
        arrow.moveTo(mark.x() + 3.0 / z, mark.y() + 2.0 / z);
        arrow.lineTo(mark.x() + 3.0 / z, mark.bottom() - 2.0 / z);
        arrow.lineTo(mark.right() - 2.0 / z, mark.center().y());
        arrow.closeSubpath();
        painter->fillPath(arrow, QColor::fromRgbF(0.2f, 0.2f, 1.0f, 1.0f));
    }
    if (next && overfill) {
        const QRectF dot = mark.adjusted(2.0 / z, 2.0 / z, -2.0 / z, -2.0 / z);
        QPainterPath circle;
        circle.addEllipse(dot);
        painter->fillPath(circle, Qt::red);
    }
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
