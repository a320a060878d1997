// Turning, moving and resizing a group with its members, its knobs, the knob drag and the
// selection frame.
#include "objects/Group.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <cmath>

#include "foundation/Language.h"
#include "foundation/Measures.h"
#include "objects/CanvasServices.h"
#include "objects/GeometryHelpers.h"
#include "platform/Modifiers.h"
#include "platform/Pen.h"
#include "platform/UndoManager.h"
#include "objects/KnobResize.h"

namespace quillmark {

namespace {

using KnobResize::turnAbout;

QRectF withCenter(const QSizeF &size, const QPointF &center)
{
    return QRectF(center.x() - size.width() / 2, center.y() - size.height() / 2, size.width(),
                  size.height());
}

bool finitePoint(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// One undo group on the manager for the life of the scope; nothing without a manager.
class UndoGroupScope
{
public:
    explicit UndoGroupScope(UndoManager *manager)
        : m_manager(manager)
    {
        if (m_manager)
            m_manager->beginUndoGrouping();
    }
    ~UndoGroupScope()
    {
        if (m_manager)
            m_manager->endUndoGrouping();
    }
    UndoGroupScope(const UndoGroupScope &) = delete;
    UndoGroupScope &operator=(const UndoGroupScope &) = delete;

private:
    UndoManager *m_manager;
};

} // namespace

// ---- rotation ----

void Group::setAngle(float degrees, const QPointF &centre)
{
    if (!std::isfinite(degrees) || !finitePoint(centre))
        return;
    const float delta = degrees - _angle;
    const double radians = double(delta) * Pi / 180.0;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    for (const std::shared_ptr<ColorRect> &member : std::as_const(objects)) {
        member->setAngle(member->angle() + delta, true);
        const QPointF m = member->getRotatedBounds().bounds().center();
        const QPointF p(centre.x() + (m.x() - centre.x()) * c - (m.y() - centre.y()) * s,
                        centre.y() + (m.x() - centre.x()) * s + (m.y() - centre.y()) * c);
        member->setFrameBounds(member->frameBounds().translated(p - m));
    }
    // The frame goes round with its members, or a turn about another centre (the selection's)
    // would leave it behind them. Its way back is the inverse turn.
    const QPointF b = _bounds.center();
    const QPointF turnedCentre(centre.x() + (b.x() - centre.x()) * c - (b.y() - centre.y()) * s,
                               centre.y() + (b.x() - centre.x()) * s + (b.y() - centre.y()) * c);
    _bounds.translate(turnedCentre - b);
    setAngleUndo(degrees, centre);
}

void Group::setAngle(float degrees)
{
    setAngle(degrees, bounds().center());
}

void Group::setAngleUndo(float degrees, const QPointF &centre)
{
    const float old = _angle;
    registerUndo([old, centre](Group &group) { group.setAngle(old, centre); });
    nameAction("Change Group Angle");
    _angle = degrees;
    redisplay();
    updateRulers();
}

// ---- moving ----

void Group::moveBy(float dx, float dy)
{
    if (isLocked() || !std::isfinite(dx) || !std::isfinite(dy))
        return;
    {
        UndoGroupScope scope(undoManager());
        for (const std::shared_ptr<ColorRect> &member : std::as_const(objects))
            member->moveBy(QPointF(dx, dy));
        // The bounds move inside the same step, so that undo puts the knobs back with the
        // members.
        changeBounds(_bounds.translated(dx, dy));
        redisplay();
        setActionName(localizedStringFromTable(QStringLiteral("Move Group"),
                                               QStringLiteral("UndoStrings")));
    }
}

void Group::setOriginX(float x)
{
    if (!std::isfinite(x))
        return;
    const QRectF b = bounds();
    const double shift = double(x) - b.x();
    for (const std::shared_ptr<ColorRect> &member : std::as_const(objects))
        member->setOriginX(float(member->originX() + shift));
    QRectF moved = b;
    moved.moveLeft(x);
    setFrameBounds(moved, QStringLiteral("Set Origin X"));
}

void Group::setOriginY(float y)
{
    if (!std::isfinite(y))
        return;
    UndoGroupScope scope(undoManager());
    const QRectF b = bounds();
    const double shift = double(y) - b.y();
    for (const std::shared_ptr<ColorRect> &member : std::as_const(objects))
        member->setOriginY(float(member->originY() + shift));
    QRectF moved = b;
    moved.moveTop(y);
    setFrameBounds(moved, QStringLiteral("Set Origin Y"));
}

// ---- resizing ----

void Group::scaleMembers(const QRectF &from, const QRectF &to, double sx, double sy)
{
    for (const std::shared_ptr<ColorRect> &member : std::as_const(objects)) {
        const QRectF f = member->frameBounds();
        const QPointF centre((f.x() + f.width() / 2 - from.x()) * sx + to.x(),
                             (f.y() + f.height() / 2 - from.y()) * sy + to.y());
        member->setFrameBounds(withCenter(QSizeF(f.width() * sx, f.height() * sy), centre));
    }
}

void Group::setWidth(float newWidth)
{
    const QRectF b = bounds();
    // Bounds without width give no factor to scale by.
    if (!(b.width() > 0) || !std::isfinite(newWidth) || !(newWidth >= 0))
        return;
    const double s = double(newWidth) / b.width();
    const QRectF scaled(b.x(), b.y(), newWidth, b.height() * s);
    scaleMembers(b, scaled, s, s);
    setFrameBounds(scaled, QStringLiteral("Set Width"));
}

void Group::setHeight(float newHeight)
{
    const QRectF b = bounds();
    if (!(b.height() > 0) || !std::isfinite(newHeight) || !(newHeight >= 0))
        return;
    const double s = double(newHeight) / b.height();
    const QRectF scaled(b.x(), b.y(), b.width() * s, newHeight);
    scaleMembers(b, scaled, s, s);
    setFrameBounds(scaled, QStringLiteral("Set Height"));
}

int Group::resizeByMovingKnob(int knob, const QPointF &point, unsigned modifierFlags)
{
    if (!finitePoint(point))
        return knob;
    const bool shift = (modifierFlags & ShiftKeyMask) != 0;
    const bool symmetric =
        (modifierFlags & CommandKeyMask) != 0 && (modifierFlags & ControlKeyMask) != 0;
    const QRectF b0 = bounds();
    const double x0 = b0.x(), y0 = b0.y(), w0 = b0.width(), h0 = b0.height();
    const QPointF c0 = b0.center();
    const QPointF p = _angle != 0.0f ? turnAbout(c0, -double(_angle)).map(point) : point;

    const bool edgesSymmetric = symmetric && !shift;
    KnobResize::Frame dragged{x0, y0, w0, h0};
    if (KnobResize::dragHorizontally(knob, p.x(), b0, edgesSymmetric, dragged)) {
        knob = ColorRect::flipKnob(knob, true);
        for (const std::shared_ptr<ColorRect> &member : std::as_const(objects))
            member->flipHorizontally();
    }
    if (KnobResize::dragVertically(knob, p.y(), b0, edgesSymmetric, dragged)) {
        knob = ColorRect::flipKnob(knob, false);
        for (const std::shared_ptr<ColorRect> &member : std::as_const(objects))
            member->flipVertically();
    }

    // Bounds without width or height have no ratio to keep.
    const bool hasRatio = w0 > 0 && h0 > 0;
    if (!symmetric) {
        if (hasRatio)
            KnobResize::keepRatio(knob, b0, dragged);
    } else if (shift) {
        if (w0 == 0 && h0 == 0) {
            KnobResize::makeSquare(dragged);
        } else {
            if (hasRatio)
                KnobResize::keepRatio(knob, b0, dragged);
            dragged.x = c0.x() - dragged.w / 2;
            dragged.y = c0.y() - dragged.h / 2;
        }
    }

    if (_angle != 0.0f)
        KnobResize::keepOppositeSide(c0, double(_angle), dragged);
    const double nx = dragged.x, ny = dragged.y, nw = dragged.w, nh = dragged.h;

    const QRectF frame(nx, ny, nw, nh);
    if (!finitePoint(frame.topLeft()) || !finitePoint(frame.bottomRight()))
        return knob;
    // A side of no extent scales nothing: the members keep that size and follow the origin.
    const double sx = w0 > 0 ? nw / w0 : 1.0;
    const double sy = h0 > 0 ? nh / h0 : 1.0;
    UndoGroupScope scope(undoManager());
    setFrameBounds(frame, QStringLiteral("Resize group"));
    scaleMembers(b0, frame, sx, sy);
    // The members' own frame changes named the step after themselves.
    nameAction("Resize group");
    return knob;
}

// ---- knobs ----

int Group::knobUnderPoint(const QPointF &point) const
{
    const double side = double(handleWidth()) / getZoom();
    const QRectF b = bounds();
    const QPointF p = _angle != 0.0f ? turnAbout(b.center(), -double(_angle)).map(point) : point;
    int found = 0;
    for (int knob = 1; knob <= 8; ++knob) {
        if (squareAt(knobLocation(knob), side).contains(p))
            found = knob;
    }
    if (found)
        return found;
    return rotateKnobUnderPoint(QRectF(0, 0, side, side), p);
}

int Group::rotateKnobUnderPoint(const QRectF &knobRect, const QPointF &point) const
{
    const double d = double(handleWidth()) / getZoom();
    const QRectF b = bounds();
    const QPointF spots[4] = {{b.right() + d, b.top() - d},
                              {b.left() - d, b.top() - d},
                              {b.left() - d, b.bottom() + d},
                              {b.right() + d, b.bottom() + d}};
    for (const QPointF &spot : spots) {
        QRectF square = knobRect;
        square.moveCenter(spot);
        if (square.contains(point))
            return 11;
    }
    return 0;
}

void Group::beginTrackKnob(int knob)
{
    trackedKnob = knob;
    tracking = true;
    trackStartBounds = bounds();
    // Every step of one drag arrives with its own event; together they are one undo step.
    if (UndoManager *manager = undoManager()) {
        manager->beginUndoGrouping();
        trackGroupOpen = true;
    }
    if (rectsView)
        rectsView->beginEchoingMoveToRulers(trackStartBounds);
}

void Group::continueTrackKnob(const QPointF &point, unsigned modifierFlags)
{
    if (!tracking)
        return;
    trackedKnob = resizeByMovingKnob(trackedKnob, point, modifierFlags);
    if (rectsView) {
        rectsView->updateObjectValues();
        rectsView->invalidateGraphic(nullptr);
        rectsView->continueEchoingMoveToRulers(trackStartBounds);
    }
}

void Group::endTrackKnob()
{
    if (!tracking)
        return;
    tracking = false;
    if (trackGroupOpen) {
        trackGroupOpen = false;
        if (UndoManager *manager = undoManager(); manager && manager->groupingLevel() > 0)
            manager->endUndoGrouping();
    }
    if (rectsView) {
        rectsView->stopEchoingMoveToRulers();
        rectsView->updateRulers();
    }
}

// ---- drawing ----

void Group::rotateSelection(QPainter *painter, float degrees) const
{
    if (!painter || degrees == 0.0f)
        return;
    painter->setTransform(turnAbout(bounds().center(), 2.0 * double(degrees)), true);
}

void Group::drawSelect(QPainter *painter)
{
    if (!painter || (rectsView && rectsView->isPrinting()))
        return;
    const double z = getZoom();
    // Thousands of groups are marked at each repaint: only a turned one saves the painter's
    // state, and its eight knobs share one mapping to the screen and one colour.
    const bool turned = _angle != 0.0f;
    if (turned) {
        painter->save();
        rotateSelection(painter, _angle / 2.0f);
    }
    const QRectF area = bounds();
    QPainterPath frame;
    frame.addRect(area);
    painter->strokePath(frame, makePen(Qt::gray, 0.2 / z));
    QPointF knobs[8];
    for (int knob = 1; knob <= 8; ++knob)
        knobs[knob - 1] = KnobResize::knobPosition(area, knob);
    ColorRect::drawKnobs(painter, knobs, z, ColorRect::knobColor(isLocked(), isResizable()));
    if (turned)
        painter->restore();
}

void Group::drawHandleAtPoint(const QPointF &point, QPainter *painter) const
{
    ColorRect::drawKnobs(painter, std::span<const QPointF>(&point, 1), getZoom(),
                         ColorRect::knobColor(isLocked(), isResizable()));
}

void Group::drawRotateHandle(const QPointF &, QPainter *) const
{
}

} // namespace quillmark
