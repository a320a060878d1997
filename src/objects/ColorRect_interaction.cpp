// Direct manipulation of an object: creation by dragging, knob resizing with its modifier
// rules and mirroring, rotation, hit-testing, moving, and the rotated geometry that the
// drawing, the canvas and the runaround text share.
#include "objects/ColorRect.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>
#include <QTransform>

#include <algorithm>
#include <cmath>

#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/GeometryHelpers.h"
#include "objects/KnobResize.h"
#include "platform/Modifiers.h"

namespace quillmark {

namespace {

using KnobResize::knobPosition;
using KnobResize::turnAbout;

} // namespace

// ---- creation ----

void ColorRect::beginCreate(const QPointF &point)
{
    const QPointF p = _mainView ? _mainView->constrainedPoint(point) : point;
    setFrameBounds(QRectF(p, QSizeF(0, 0)));
    _createKnob = 8;
    if (_mainView)
        _mainView->beginEchoingMoveToRulers(_frameBounds);
}

void ColorRect::continueCreate(const QPointF &point, unsigned modifierFlags)
{
    // Each step snaps afresh, not to the guides the previous step found.
    if (_mainView)
        _mainView->clearGridSnap();
    const QPointF p = _mainView ? _mainView->constrainedPoint(point) : point;
    _createKnob = resizeByMovingKnob(_createKnob, p, modifierFlags);
    if (_mainView)
        _mainView->continueEchoingMoveToRulers(_frameBounds);
}

bool ColorRect::endCreate()
{
    if (_mainView)
        _mainView->stopEchoingMoveToRulers();
    _createKnob = 8;
    return _frameBounds.width() > 0 || _frameBounds.height() > 0;
}

// ---- resizing ----

int ColorRect::flipKnob(int knob, bool horizontal)
{
    static const int acrossVertical[9] = {0, 3, 2, 1, 5, 4, 8, 7, 6};
    static const int acrossHorizontal[9] = {0, 6, 7, 8, 4, 5, 1, 2, 3};
    if (knob < 0 || knob > 8)
        return knob;
    return horizontal ? acrossVertical[knob] : acrossHorizontal[knob];
}

int ColorRect::resizeByMovingKnob(int knob, const QPointF &point, unsigned modifierFlags)
{
    const bool shift = (modifierFlags & ShiftKeyMask) != 0;
    const bool option = (modifierFlags & AlternateKeyMask) != 0;
    const bool fixed = fixRatio();
    const double x = _frameBounds.x();
    const double y = _frameBounds.y();
    const double w = _frameBounds.width();
    const double h = _frameBounds.height();
    const QPointF c = _frameBounds.center();
    const bool zeroSize = w == 0 && h == 0;
    const bool symmetric = option && !shift;

    // The drag works in the object's own unrotated frame.
    const QPointF p = _angle != 0.0f ? turnAbout(c, -double(_angle)).map(point) : point;
    if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
        return knob;

    // The frame as it was: flipping below may change the object's own.
    const QRectF from(x, y, w, h);
    KnobResize::Frame frame{x, y, w, h};
    if (KnobResize::dragHorizontally(knob, p.x(), from, symmetric, frame)) {
        knob = flipKnob(knob, true);
        flipHorizontally();
    }
    if (KnobResize::dragVertically(knob, p.y(), from, symmetric, frame)) {
        knob = flipKnob(knob, false);
        flipVertically();
    }

    const bool keepRatio = (fixed && !option && !zeroSize) || (!fixed && shift && !option && !zeroSize)
                           || (!fixed && shift && option && !zeroSize);
    const bool square = !fixed && shift && option && zeroSize;
    // A frame without width or height has no ratio to keep; the step stays free.
    if (keepRatio && w > 0 && h > 0) {
        KnobResize::keepRatio(knob, from, frame);
        if (shift && option && !fixed) {
            frame.x = c.x() - frame.w / 2;
            frame.y = c.y() - frame.h / 2;
        }
    } else if (square) {
        KnobResize::makeSquare(frame);
    }

    // Keeps the side opposite the knob in its place on the page.
    if (_angle != 0.0f)
        KnobResize::keepOppositeSide(c, double(_angle), frame);
    const double nx = frame.x, ny = frame.y, nw = frame.w, nh = frame.h;

    setFrameBounds(QRectF(nx, ny, nw, nh));
    if (_mainView)
        _mainView->invalidateGraphic(nullptr);
    return knob;
}

// ---- rotation ----

void ColorRect::rotateByMovingKnob(float delta)
{
    if (!std::isfinite(delta))
        return;
    float a = std::fmod(angle() + delta, 360.0f);
    if (a < 0)
        a += 360.0f;
    setAngle(a, false);
}

void ColorRect::beginRotation()
{
    _rotationStartAngle = _angle;
    _rotationTracking = true;
}

void ColorRect::endRotation()
{
    if (!_rotationTracking)
        return;
    _rotationTracking = false;
    if (_angle == _rotationStartAngle)
        return;
    const float start = _rotationStartAngle;
    registerUndo([start](ColorRect &object) { object.restoreRotation(start); });
    nameAction("Rotate Object(s)");
}

void ColorRect::restoreRotation(float angle)
{
    const float current = _angle;
    registerUndo([current](ColorRect &object) { object.restoreRotation(current); });
    setAngle(angle, false);
    nameAction("Rotate Object(s)");
}

// ---- hit-testing ----

int ColorRect::knobUnderPoint(const QPointF &point) const
{
    if (group && knobsBelongToGroup())
        return 0;
    const QPointF p = turnAbout(_frameBounds.center(), -double(_angle)).map(point);
    const double side = double(handleWidth()) / getZoom();
    const unsigned mask = knobMask();
    int found = 0;
    for (int knob = 1; knob <= 8; ++knob) {
        if (!(mask & (1u << knob)))
            continue;
        if (squareAt(knobPosition(_frameBounds, knob), side).contains(p)) {
            if (knob == 8)
                return 8;
            found = knob;
        }
    }
    if (found)
        return found;
    return rotateKnobUnderPoint(QRectF(0, 0, side, side), p);
}

int ColorRect::rotateKnobUnderPoint(const QRectF &knobRect, const QPointF &point) const
{
    if (!(knobMask() & (1u << 11)))
        return 0;
    const double d = double(handleWidth()) / getZoom();
    const QRectF &f = _frameBounds;
    const QPointF centers[4] = {{f.right() + d, f.top() - d},
                                {f.left() - d, f.top() - d},
                                {f.left() - d, f.bottom() + d},
                                {f.right() + d, f.bottom() + d}};
    for (const QPointF &c : centers) {
        QRectF square = knobRect;
        square.moveCenter(c);
        if (square.contains(point))
            return 11;
    }
    return 0;
}

int ColorRect::linkUnderPoint(const QPointF &point) const
{
    if (!hasText())
        return 0;
    const QPointF p = turnAbout(_frameBounds.center(), -double(_angle)).map(point);
    const double z = getZoom();
    const double side = (1.0 + double(handleWidth())) / z;
    const double before = double(handleHalfWidth()) / z;
    const QRectF &f = _frameBounds;
    const QPointF previousMark(f.left(), f.top() + 5.0 + 0.1 * f.height());
    const QPointF nextMark(f.right(), f.bottom() - 5.0 - 0.1 * f.height());
    if (QRectF(nextMark.x() - before, nextMark.y() - before, side, side).contains(p))
        return 2;
    if (QRectF(previousMark.x() - before, previousMark.y() - before, side, side).contains(p))
        return 1;
    return 0;
}

bool ColorRect::hitTest(const QPointF &point, bool selected) const
{
    if (selected) {
        if (knobUnderPoint(point) != 0)
            return true;
        if (!_powertext && linkUnderPoint(point) != 0)
            return true;
    }
    const BezierPath outline = getRotatedBounds();
    if (outline.isEmpty())
        return _frameBounds.contains(point);
    BezierPath area = outline;
    return area.containsPoint(point);
}

// ---- moving ----

void ColorRect::moveBy(const QPointF &delta)
{
    if (_locked || delta.isNull() || !std::isfinite(delta.x()) || !std::isfinite(delta.y()))
        return;
    setFrameBounds(_frameBounds.translated(delta));
    if (_mainView) {
        _mainView->invalidateGraphic(nullptr);
        _mainView->wasChanged(true);
    }
}

void ColorRect::moveImageBy(const QPointF &delta)
{
    if (!std::isfinite(delta.x()) || !std::isfinite(delta.y()))
        return;
    _ximg_offset = float(std::clamp(_ximg_offset + delta.x() / 72.0, -maxImageOffset, maxImageOffset));
    _yimg_offset = float(std::clamp(_yimg_offset + delta.y() / 72.0, -maxImageOffset, maxImageOffset));
    if (_mainView)
        _mainView->invalidateGraphic(this);
}

// ---- rotated geometry ----

std::optional<BezierPath> ColorRect::getRotatedBoundsPath(const BezierPath &path) const
{
    if (path.isEmpty() || _angle == 0.0f)
        return std::nullopt;
    const QTransform turn = turnAbout(_frameBounds.center(), double(_angle));
    BezierPath turned;
    turned.setLineWidth(path.lineWidth());
    turned.setWindingRule(path.windingRule());
    QPointF pts[3];
    for (int i = 0; i < path.elementCount(); ++i) {
        switch (path.elementAt(i, pts)) {
        case BezierPath::MoveTo:
            turned.moveTo(turn.map(pts[0]));
            break;
        case BezierPath::LineTo:
            turned.lineTo(turn.map(pts[0]));
            break;
        case BezierPath::CurveTo:
            turned.curveTo(turn.map(pts[2]), turn.map(pts[0]), turn.map(pts[1]));
            break;
        case BezierPath::ClosePath:
            break;
        }
    }
    turned.closePath();
    return turned;
}

BezierPath ColorRect::getRotatedBounds() const
{
    const BezierPath plain = bezierClipPath();
    if (_angle == 0.0f)
        return plain;
    return getRotatedBoundsPath(plain).value_or(plain);
}

QRectF ColorRect::turnedFrameBounds() const
{
    const QRectF &r = _frameBounds;
    // The corners in the order the outline path has them, each turned as the path's are.
    QPointF corners[4] = {r.topLeft(), QPointF(r.x() + r.width(), r.y()), QPointF(r.x() + r.width(), r.y() + r.height()),
                          QPointF(r.x(), r.y() + r.height())};
    if (_angle != 0.0f) {
        const QTransform turn = turnAbout(r.center(), double(_angle));
        for (QPointF &corner : corners)
            corner = turn.map(corner);
    }
    qreal minX = corners[0].x(), maxX = minX, minY = corners[0].y(), maxY = minY;
    for (const QPointF &corner : corners) {
        minX = std::min(minX, corner.x());
        maxX = std::max(maxX, corner.x());
        minY = std::min(minY, corner.y());
        maxY = std::max(maxY, corner.y());
    }
    return QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
}

QRectF ColorRect::drawingBounds() const
{
    QRectF area = _frameBounds.adjusted(-handleHalfWidth(), -handleHalfWidth(),
                                        handleHalfWidth(), handleHalfWidth());
    if (_angle != 0.0f) {
        if (const std::optional<QRectF> turned = turnedOutlineBounds())
            area = turned->adjusted(-handleWidth(), -handleWidth(), handleWidth(), handleWidth());
    }
    // A drawn shadow falls outside the box (in page points, whatever the zoom). The shadow
    // setters redraw the old area before they change it, so a shadow switched off or made
    // smaller is cleared although it no longer counts here.
    if (drawsShadow()) {
        const double reach = shadowReach();
        if (reach > 0)
            area = area.united(area.adjusted(-reach, -reach, reach, reach));
    }
    return area;
}

std::optional<QRectF> ColorRect::turnedOutlineBounds() const
{
    if (_angle == 0.0f)
        return std::nullopt;
    const BezierPath outline = bezierPath();
    if (outline.isEmpty())
        return std::nullopt;
    return outline.mappedBounds(turnAbout(_frameBounds.center(), double(_angle)));
}

double ColorRect::shadowReach() const
{
    return std::abs(_shadowDistance) + 2.0 * std::max(0, _shadowBlur);
}

bool ColorRect::outlineIntersectsRect(const QRectF &rect) const
{
    const BezierPath outline = getRotatedBounds();
    if (outline.isEmpty())
        return _frameBounds.intersects(rect);
    QPainterPath area = outline.toPainterPath();
    area.setFillRule(Qt::WindingFill);
    const QRectF bounds = area.boundingRect();
    // An outline without area (a frame of no width or height) is touched where its bounds are.
    if (bounds.width() <= 0 || bounds.height() <= 0)
        return rect.intersects(bounds.adjusted(-0.5, -0.5, 0.5, 0.5));
    return area.intersects(rect);
}

QRectF ColorRect::rulerBounds() const
{
    return frameBoundsRotated();
}

QRectF ColorRect::rotateRectCenter(const QRectF &rect) const
{
    if (!std::isfinite(_angle) || int(_angle) % 180 == 0)
        return rect;
    QRectF turned(0, 0, rect.height(), rect.width());
    turned.moveCenter(rect.center());
    return turned;
}

void ColorRect::rotateFrame(QPainter *painter, float angle) const
{
    if (!painter)
        return;
    if (_flipH != _flipV)
        angle = 360.0f - angle;
    if (angle == 0.0f)
        return;
    painter->setTransform(turnAbout(_frameBounds.center(), double(angle)), true);
}

void ColorRect::flipFrame(QPainter *painter) const
{
    if (!painter || !(_flipH || _flipV))
        return;
    const QPointF c = _frameBounds.center();
    QTransform mirror;
    mirror.translate(c.x(), c.y());
    mirror.scale(_flipV ? -1.0 : 1.0, _flipH ? -1.0 : 1.0);
    mirror.translate(-c.x(), -c.y());
    painter->setTransform(mirror, true);
}

} // namespace quillmark
