// Point editing of a path object: the edit points under the pointer, the drag rules that keep
// the control points on either side of an end point in line, and a drag's Undo. A drag step
// changes the few points it moves in the stored outline, and its Undo puts back the outline of
// the press as it was: neither copies nor walks the outline beyond reading its bounds.
#include "objects/ColorPath.h"

#include <QCursor>
#include <QImage>
#include <QPixmap>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <functional>

#include "objects/CanvasServices.h"
#include "objects/GeometryHelpers.h"
#include "platform/Bundle.h"
#include "platform/Modifiers.h"
#include "platform/UndoManager.h"

namespace quillmark {

namespace {

// c mirrored to the other side of `a` along the direction of p, keeping its distance from a.
// Nothing moves when p lies on a (there is no direction).
QPointF opposite(const QPointF &c, const QPointF &a, const QPointF &p)
{
    const QPointF d = p - a;
    const double length = std::hypot(d.x(), d.y());
    if (!(length > 0))
        return c;
    const double keep = std::hypot(c.x() - a.x(), c.y() - a.y());
    return a - d * (keep / length);
}

int pointCount(BezierPath::ElementType type)
{
    return type == BezierPath::CurveTo ? 3 : (type == BezierPath::ClosePath ? 0 : 1);
}

// Points closer than this are one place: a control point on its vertex, the end of the
// closing curve on the opening move.
bool samePlace(const QPointF &a, const QPointF &b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y()) < 1e-4;
}

QPointF endPoint(BezierPath::ElementType type, const QPointF *pts)
{
    return type == BezierPath::CurveTo ? pts[2] : pts[0];
}

// How the elements of an outline join up around its vertices. Our closed outlines run
// "move, curves..., close", the last curve ending on the move's point; outlines of other
// sources may carry a further move after the close, or several such subpaths.
struct Layout
{
    explicit Layout(const BezierPath &path)
        : path(path)
    {
    }

    BezierPath::ElementType type(int i) const
    {
        QPointF pts[3];
        return path.elementAt(i, pts);
    }
    bool isDrawing(int i) const
    {
        if (i < 0 || i >= path.elementCount())
            return false;
        const BezierPath::ElementType t = type(i);
        return t == BezierPath::LineTo || t == BezierPath::CurveTo;
    }
    QPointF point(int i, int n) const
    {
        QPointF pts[3];
        path.elementAt(i, pts);
        return pts[n];
    }
    QPointF end(int i) const
    {
        QPointF pts[3];
        const BezierPath::ElementType t = path.elementAt(i, pts);
        return endPoint(t, pts);
    }
    // The move that opens the subpath of element i, or -1.
    int subpathMove(int i) const
    {
        for (int k = i; k >= 0; --k)
            if (type(k) == BezierPath::MoveTo)
                return k;
        return -1;
    }
    // The element drawing the last segment of element i's subpath back to its opening move,
    // when the subpath is closed and that segment ends on the move's point; else -1.
    int closingElementOf(int i) const
    {
        const int move = subpathMove(i);
        if (move < 0)
            return -1;
        int last = move;
        int k = move + 1;
        for (; k < path.elementCount() && isDrawing(k); ++k)
            last = k;
        const bool closed = k < path.elementCount() && type(k) == BezierPath::ClosePath;
        if (!closed || last == move || !samePlace(end(last), point(move, 0)))
            return -1;
        return last;
    }
    // The element after the vertex at the end of element i, joined up around a closed
    // subpath's start: -1 when there is none.
    int nextAfterVertex(int i) const
    {
        if (isDrawing(i + 1))
            return i + 1;
        if (closingElementOf(i) == i) {
            const int move = subpathMove(i);
            return isDrawing(move + 1) && move + 1 != i ? move + 1 : -1;
        }
        return -1;
    }
    // The element before the vertex at the start of element i (the end of the one before
    // it), joined up around a closed subpath's start: -1 when there is none.
    int previousBeforeVertex(int i) const
    {
        if (isDrawing(i - 1))
            return i - 1;
        if (i - 1 >= 0 && type(i - 1) == BezierPath::MoveTo) {
            const int closing = closingElementOf(i - 1);
            return closing != i ? closing : -1;
        }
        return -1;
    }

    const BezierPath &path;
};

} // namespace

// ---- the fitting and the stored outline's extent ----

QTransform ColorPath::fitting() const
{
    QRectF f = _frameBounds;
    if (_isedit)
        f.adjust(handleWidth(), handleWidth(), -handleWidth(), -handleWidth());
    return fittingInto(storedBounds(), f);
}

QRectF ColorPath::storedBounds() const
{
    if (!colorPath)
        return QRectF();
    if (extent.generation != pathGeneration) {
        extent.bounds = colorPath->bounds();
        extent.generation = pathGeneration;
    }
    return extent.bounds;
}

QRectF ColorPath::storedControlBounds() const
{
    if (!colorPath)
        return QRectF();
    if (extent.controlGeneration != pathGeneration) {
        extent.controls = colorPath->controlPointBounds();
        extent.controlGeneration = pathGeneration;
    }
    return extent.controls;
}

// ---- the live elements ----

void ColorPath::outlineChanged()
{
    outlineNumber = nextPathGeneration();
    plan.reset();
}

void ColorPath::setLiveElements(const std::vector<int> &live)
{
    if (live == liveSet)
        return;
    liveSet = live;
    outlineNumber = nextPathGeneration();
    if (plan)
        plan->outline = outlineNumber;
}

const ColorPath::DragPlan *ColorPath::dragPlan()
{
    if (bp.isNone() || !colorPath || bp.element >= colorPath->elementCount())
        return nullptr;
    if (plan && plan->point == bp && plan->outline == outlineNumber)
        return &*plan;
    // Read once per press from the outline as it is: the drag keeps these relations.
    const BezierPath fitted = bezierPath();
    const Layout layout(fitted);
    const int i = bp.element;
    DragPlan made;
    made.point = bp;
    made.move = layout.subpathMove(i);
    made.closing = layout.closingElementOf(i);
    made.next = layout.nextAfterVertex(i);
    made.previous = layout.previousBeforeVertex(i);
    // The close of the element's subpath, whatever its last point.
    int close = -1;
    if (made.move >= 0) {
        int k = made.move + 1;
        while (layout.isDrawing(k))
            ++k;
        if (k < fitted.elementCount() && layout.type(k) == BezierPath::ClosePath)
            close = k;
    }
    // The elements whose points the drag may move, the ones starting where those end, and the
    // subpath's close.
    std::vector<int> live = {i - 1, i, i + 1, i + 2, made.move, made.move + 1, made.move + 2, made.closing,
                             made.closing + 1, close};
    live.erase(std::remove_if(live.begin(), live.end(), [&](int e) { return e < 0 || e >= fitted.elementCount(); }),
               live.end());
    std::sort(live.begin(), live.end());
    live.erase(std::unique(live.begin(), live.end()), live.end());
    made.live = std::move(live);
    plan = std::move(made);
    setLiveElements(plan->live);
    plan->outline = outlineNumber;
    return &*plan;
}

QRectF ColorPath::liveArea()
{
    const DragPlan *current = dragPlan();
    if (!current || !colorPath)
        return QRectF();
    const QTransform t = fitting();
    // (QRectF::united takes a rectangle without area for none: the corners are gathered.)
    double left = qInf(), top = qInf(), right = -qInf(), bottom = -qInf();
    auto add = [&](const QPointF &stored) {
        const QPointF p = t.map(stored);
        left = std::min(left, p.x());
        top = std::min(top, p.y());
        right = std::max(right, p.x());
        bottom = std::max(bottom, p.y());
    };
    QPointF pts[3];
    for (int e : current->live) {
        const BezierPath::ElementType type = colorPath->elementAt(e, pts);
        for (int n = 0; n < pointCount(type); ++n)
            add(pts[n]);
        // Where its line starts: the end of the element before, or the subpath's opening point.
        for (int before = e - 1; before >= 0; --before) {
            QPointF prior[3];
            const BezierPath::ElementType priorType = colorPath->elementAt(before, prior);
            if (priorType == BezierPath::ClosePath)
                continue;
            add(endPoint(priorType, prior));
            break;
        }
    }
    if (current->move >= 0) {
        colorPath->elementAt(current->move, pts);
        add(pts[0]);
    }
    if (!(left <= right) || !(top <= bottom))
        return QRectF();
    // The marks, the stroke and the hairlines around the points.
    const double z = getZoom() > 0 ? getZoom() : 1.0;
    const double grow = 6.0 / z + std::max<double>(colorPath->lineWidth(), 0.0) + 4.0 / z;
    return QRectF(QPointF(left, top), QPointF(right, bottom)).adjusted(-grow, -grow, grow, grow);
}

void ColorPath::invalidateLive(const QRectF &before)
{
    if (!_mainView)
        return;
    const QRectF now = liveArea();
    if (!before.isNull())
        _mainView->invalidateRect(before);
    if (!now.isNull())
        _mainView->invalidateRect(now);
}

// ---- edit points ----

BezierPoint ColorPath::bezierKnobUnderPoint(const QPointF &point) const
{
    if (!colorPath)
        return BezierPoint();
    // The points fitted one by one: the outline is not copied for a move of the pointer.
    const QTransform t = fitting();
    const double k = 6.0 / getZoom();
    QPointF pts[3];
    QPointF previousEnd;
    for (int i = 0; i < colorPath->elementCount(); ++i) {
        const BezierPath::ElementType type = colorPath->elementAt(i, pts);
        for (int n = 0; n < pointCount(type); ++n)
            pts[n] = t.map(pts[n]);
        for (int n = 0; n < pointCount(type); ++n) {
            // A control point lying on its vertex is the vertex: pressing there moves the
            // vertex (the vertex before a first control point was tested already).
            if (type == BezierPath::CurveTo && ((n == 0 && i > 0 && samePlace(pts[0], previousEnd))
                                                || (n == 1 && samePlace(pts[1], pts[2]))))
                continue;
            if (squareAt(pts[n], k).contains(point))
                return BezierPoint{i, n};
        }
        if (type != BezierPath::ClosePath)
            previousEnd = endPoint(type, pts);
    }
    return BezierPoint();
}

BezierPoint ColorPath::handleOutOfVertex(const BezierPoint &vertex) const
{
    const BezierPath fitted = bezierPath();
    const Layout layout(fitted);
    if (vertex.isNone() || vertex.element >= fitted.elementCount())
        return BezierPoint();
    const int e = vertex.element;
    const BezierPath::ElementType type = layout.type(e);
    int outgoing = -1;
    int incoming = -1;
    if (type == BezierPath::MoveTo && vertex.point == 0) {
        outgoing = e + 1;
        incoming = layout.closingElementOf(e);
    } else if ((type == BezierPath::CurveTo && vertex.point == 2) || (type == BezierPath::LineTo && vertex.point == 0)) {
        outgoing = layout.nextAfterVertex(e);
        incoming = e;
    } else {
        return BezierPoint();
    }
    const QPointF at = layout.point(e, vertex.point);
    // The handle going out of the vertex first, else the one coming in; only one still
    // lying on the vertex comes out.
    if (layout.isDrawing(outgoing) && layout.type(outgoing) == BezierPath::CurveTo
        && samePlace(layout.point(outgoing, 0), at))
        return BezierPoint{outgoing, 0};
    if (layout.isDrawing(incoming) && layout.type(incoming) == BezierPath::CurveTo
        && samePlace(layout.point(incoming, 1), at))
        return BezierPoint{incoming, 1};
    return BezierPoint();
}

void ColorPath::mouseMoved(const QPointF &point)
{
    if (!_mainView)
        return;
    if (bezierKnobUnderPoint(point).isNone()) {
        _mainView->setDocumentCursor(QCursor(Qt::ArrowCursor));
        editPointerShown = false;
        return;
    }
    static const QImage image = Bundle::imageNamed(QStringLiteral("editPath"));
    if (image.isNull())
        _mainView->setDocumentCursor(QCursor(Qt::CrossCursor));
    else
        _mainView->setDocumentCursor(QCursor(QPixmap::fromImage(image), 19, 1));
    editPointerShown = true;
}

void ColorPath::mouseDown(const QPointF &point, unsigned modifierFlags)
{
    const QRectF before = liveArea();
    bp = bezierKnobUnderPoint(point);
    pullingHandles = false;
    // Option on a vertex whose handles lie on it pulls them out instead of moving it.
    if (modifierFlags & AlternateKeyMask) {
        const BezierPoint handle = handleOutOfVertex(bp);
        if (!handle.isNone()) {
            bp = handle;
            pullingHandles = true;
        }
    }
    // The elements a drag of this point moves are drawn apart from the rest from now on; the
    // point shows selected.
    if (bp.isNone())
        setLiveElements({});
    invalidateLive(before);
    dragUndoRegistered = false;
    if (dragGroupOpen)
        return;
    if (UndoManager *manager = undoManager()) {
        manager->beginUndoGrouping();
        dragGroupOpen = true;
    }
}

void ColorPath::mouseUp()
{
    pullingHandles = false;
    dragUndoRegistered = false;
    // The stored outline's bounds start at 0,0 again, as a stored outline's do: the points stay
    // where they are on the page.
    if (colorPath) {
        const QRectF b = storedBounds();
        if ((b.x() != 0 || b.y() != 0) && std::isfinite(b.x()) && std::isfinite(b.y())) {
            colorPath->transform(QTransform::fromTranslate(-b.x(), -b.y()));
            pictureAnchor -= b.topLeft();
            pathGeneration = nextPathGeneration();
        }
    }
    closeDragGroup();
    invalidateLive(QRectF());
}

void ColorPath::closeDragGroup()
{
    if (!dragGroupOpen)
        return;
    dragGroupOpen = false;
    if (UndoManager *manager = undoManager(); manager && manager->groupingLevel() > 0)
        manager->endUndoGrouping();
}

// ---- a drag ----

ColorPath::SavedOutline ColorPath::savedOutline() const
{
    SavedOutline saved;
    if (colorPath)
        saved.stored = *colorPath;
    saved.frame = _frameBounds;
    saved.generation = pathGeneration;
    saved.anchor = pictureAnchor;
    saved.changed = liveSet;
    return saved;
}

void ColorPath::restoreOutline(const SavedOutline &saved)
{
    SavedOutline now = savedOutline();
    now.changed = saved.changed;
    registerUndo([now](ColorRect &object) { static_cast<ColorPath &>(object).restoreOutline(now); });
    const QRectF before = drawingBounds();
    colorPath = saved.stored;
    if (UndoManager *manager = undoManager()) {
        manager->disableUndoRegistration();
        setFrameBounds(saved.frame);
        manager->enableUndoRegistration();
    } else {
        setFrameBounds(saved.frame);
    }
    // The same outline as then, and the same number: what is kept of it is good again.
    pathGeneration = saved.generation;
    pictureAnchor = saved.anchor;
    // Only the drag's live elements differ from the outline put back: the kept pictures of
    // the rest stay while those are the live ones.
    if (saved.changed != liveSet)
        outlineChanged();
    if (_mainView) {
        _mainView->invalidateRect(before);
        _mainView->invalidateGraphic(this);
    }
}

void ColorPath::mouseDragged(const QPointF &point, unsigned modifierFlags)
{
    if (bp.isNone() || !colorPath || !std::isfinite(point.x()) || !std::isfinite(point.y()))
        return;
    const int count = colorPath->elementCount();
    if (bp.element >= count || bp.point >= pointCount(colorPath->elementAt(bp.element)))
        return;
    const QTransform t = fitting();
    // A frame without width or height maps every point to one line: the drag takes the whole
    // outline, as it is on the page, into the frame its points make.
    if (!t.isInvertible()) {
        BezierPath q = bezierPath();
        QPointF pts[3];
        q.elementAt(bp.element, pts);
        pts[bp.point] = point;
        q.setAssociatedPoints(pts, bp.element);
        restoreBezierPath(q);
        return;
    }
    const QRectF before = liveArea();
    // Once per drag, the outline of the press, for Undo: shared with the present one until
    // the first point moves.
    if (!dragUndoRegistered) {
        dragUndoRegistered = true;
        const SavedOutline saved = savedOutline();
        registerUndo([saved](ColorRect &object) { static_cast<ColorPath &>(object).restoreOutline(saved); });
    }
    movePointInPlace(point, (modifierFlags & ShiftKeyMask) != 0);
    invalidateLive(before);
}

void ColorPath::movePointInPlace(const QPointF &point, bool shift)
{
    const DragPlan *current = dragPlan();
    if (!current)
        return;
    const QTransform toPage = fitting();
    const QTransform toStored = toPage.inverted();
    BezierPath &stored = *colorPath;
    const int i = bp.element;
    QPointF pts[3];
    const BezierPath::ElementType type = stored.elementAt(i, pts);
    for (int n = 0; n < pointCount(type); ++n)
        pts[n] = toPage.map(pts[n]);
    const QPointF p = point;
    const QPointF o = pts[bp.point];
    const QPointF moved = p - o;
    pts[bp.point] = p;

    // The points of another element, in page points, changed and stored again.
    auto adjust = [&](int index, BezierPath::ElementType wanted, const std::function<void(QPointF *)> &change) {
        if (index < 0 || index >= stored.elementCount())
            return;
        QPointF other[3];
        if (stored.elementAt(index, other) != wanted)
            return;
        for (int n = 0; n < pointCount(wanted); ++n)
            other[n] = toPage.map(other[n]);
        change(other);
        for (int n = 0; n < pointCount(wanted); ++n)
            other[n] = toStored.map(other[n]);
        stored.setAssociatedPoints(other, index);
    };
    auto endOf = [&](int index) {
        QPointF other[3];
        const BezierPath::ElementType t = stored.elementAt(index, other);
        return toPage.map(endPoint(t, other));
    };
    // The handle across the vertex `a` turns to stay in line with the dragged one. One
    // still lying on the vertex stays there, unless handles are being pulled out of it:
    // then it comes out as long as the dragged one.
    const bool pulling = pullingHandles;
    auto across = [pulling](const QPointF &c, const QPointF &a, const QPointF &dragged) {
        if (pulling && samePlace(c, a))
            return a - (dragged - a);
        return opposite(c, a, dragged);
    };
    const int closing = current->closing, next = current->next, previous = current->previous,
              move = current->move;

    if (type == BezierPath::CurveTo && !shift) {
        if (bp.point == 0) {
            if (previous >= 0 && stored.elementAt(previous) == BezierPath::CurveTo) {
                const QPointF a = endOf(previous);
                adjust(previous, BezierPath::CurveTo, [&](QPointF *c) { c[1] = across(c[1], a, p); });
            }
        } else if (bp.point == 1) {
            const QPointF e = pts[2];
            adjust(next, BezierPath::CurveTo, [&](QPointF *c) { c[0] = across(c[0], e, p); });
        } else {
            pts[1] += moved;
            adjust(next, BezierPath::CurveTo, [&](QPointF *c) { c[0] += moved; });
            // The closing curve ends on the opening move: both are one vertex, and the
            // outline stays closed.
            if (closing == i)
                adjust(move, BezierPath::MoveTo, [&](QPointF *c) { c[0] = p; });
        }
    } else if (type == BezierPath::LineTo && closing == i) {
        adjust(move, BezierPath::MoveTo, [&](QPointF *c) { c[0] = p; });
        adjust(move + 1, BezierPath::CurveTo, [&](QPointF *c) { c[0] += moved; });
    } else if (type == BezierPath::MoveTo) {
        adjust(closing, BezierPath::CurveTo, [&](QPointF *c) {
            c[1] += moved;
            c[2] = p;
        });
        adjust(closing, BezierPath::LineTo, [&](QPointF *c) { c[0] = p; });
        adjust(i + 1, BezierPath::CurveTo, [&](QPointF *c) { c[0] += moved; });
    }
    for (int n = 0; n < pointCount(type); ++n)
        pts[n] = toStored.map(pts[n]);
    stored.setAssociatedPoints(pts, i);

    // The frame follows the outline's new bounds; the fitting stays as it was, so that every
    // point that did not move stays where it is on the page.
    pathGeneration = nextPathGeneration();
    QRectF frame = toPage.mapRect(storedBounds());
    if (_isedit)
        frame.adjust(-handleWidth(), -handleWidth(), handleWidth(), handleWidth());
    UndoManager *manager = undoManager();
    if (manager)
        manager->disableUndoRegistration();
    setFrameBounds(frame);
    if (manager)
        manager->enableUndoRegistration();
}

} // namespace quillmark
