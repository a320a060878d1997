// Mouse tracking of the canvas: what a press starts (creating, selecting, the rubber band,
// moving, knob resizing, rotating, the path in progress) runs as a state machine that the
// following moves and the release feed; nothing waits in a loop of its own.
#include <QApplication>
#include <QImage>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "canvas/CanvasInspector.h"
#include "canvas/RectsView.h"
#include "canvas/TGrid.h"
#include "foundation/Language.h"
#include "foundation/Measures.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/GroupedObjects.h"
#include "objects/ObjectFactory.h"
#include "platform/BundleCursor.h"
#include "platform/Modifiers.h"
#include "platform/Pen.h"
#include "platform/UndoManager.h"

namespace quillmark {

// A group a turn turns about its own middle, as it stood at the press: its angle and frame,
// and each member's frame and angle.
struct GroupTurn
{
    GroupPtr group;
    float angle = 0.0f;
    QRectF bounds;
    GraphicList members;
    std::vector<QRectF> frames;
    std::vector<float> angles;
};

namespace {

GroupTurn standing(const GroupPtr &group)
{
    GroupTurn turn{group, group->Group::angle(), group->Group::bounds(), group->getObjects(), {}, {}};
    turn.frames.reserve(size_t(turn.members.size()));
    turn.angles.reserve(size_t(turn.members.size()));
    for (const GraphicPtr &member : std::as_const(turn.members)) {
        turn.frames.push_back(member->frameBounds());
        turn.angles.push_back(member->angle());
    }
    return turn;
}

// Puts the group back as it stood and registers the way forward again (the Redo).
void restoreGroupTurn(UndoManager &undo, const GroupTurn &to)
{
    GroupTurn now = standing(to.group);
    undo.disableUndoRegistration();
    for (qsizetype i = 0; i < to.members.size(); ++i) {
        to.members[i]->setAngle(to.angles[size_t(i)], false);
        to.members[i]->setFrameBounds(to.frames[size_t(i)]);
    }
    to.group->setBounds(to.bounds);
    to.group->setAngleUndo(to.angle, QPointF());
    undo.enableUndoRegistration();
    undo.registerUndo([&undo, now = std::move(now)] { restoreGroupTurn(undo, now); });
}

} // namespace

struct RectsView::TrackingState
{
    enum Kind { None, Create, Rubberband, Move, Knob, GroupKnob, Rotate, PathDrag, PathEdit, ImageDrag, Pan };
    Kind kind = None;
    GraphicPtr object;
    GroupPtr group;
    int knob = 0;
    QPointF start;
    QPointF last;
    bool dragged = false;
    int axis = -1;
    QRectF bounds;
    bool undoGroupOpen = false;
    bool changed = false;
    QPointF centre;
    GraphicList band;
    GraphicList rotating;
    // The frames of the objects turned, as they stood at the press: a turn moves each of
    // them at every step, and its Undo puts each back once rather than once per step.
    std::vector<QRectF> rotatingFrames;
    // The groups turned each about its own middle, as they stood at the press, put back
    // the same way.
    std::vector<GroupTurn> turnedGroups;
    // What a move or a turn changes, found at its first repaint; forgotten when the selection
    // or the groups change.
    std::optional<QSet<const ColorRect *>> changing;
    // How far a move has taken the selection: its Undo moves it back once, at the release,
    // rather than once per step.
    QPointF moved;
    // The selection's bounds as the last step of a move left them, carried along with the
    // objects it moved; none where a locked object stayed behind. Forgotten as `changing` is,
    // and when an object changes outside the move's own steps.
    std::optional<QRectF> moveBounds;
    // Where the pointer was on the screen at the last step of a pan.
    QPointF screenLast;
    // The snapping the move started with, once the snapping key switched it for this move.
    std::optional<bool> snappingBefore;
};

namespace {

// The path in progress without its last element: its moves and curves again, at its width.
BezierPath withoutLastElement(const BezierPath &path)
{
    BezierPath rebuilt;
    rebuilt.setLineWidth(path.lineWidth());
    for (int i = 0; i + 1 < path.elementCount(); ++i) {
        QPointF e[3];
        const auto type = path.elementAt(i, e);
        if (type == BezierPath::MoveTo)
            rebuilt.moveTo(e[0]);
        else if (type == BezierPath::CurveTo)
            rebuilt.curveTo(e[2], e[0], e[1]);
    }
    return rebuilt;
}

// The inverse of a whole move drag, registered once at its release: registered at every
// step, its Undo moved thousands of objects back once per step.
void registerMoveUndo(RectsView &view, UndoManager &undo, const QPointF &moved)
{
    undo.registerUndo([view = &view, back = -moved] { view->moveSelectedGraphicsByPoint(back); });
    undo.setActionName(Language::stringForKey(QStringLiteral("Move Object")));
}

// The inverse of a turn drag: each object's frame as it stood at the press, then its angle
// (Undo puts the angles back, then the frames), and each group turned on its own as it stood.
void registerTurnUndo(UndoManager &undo, const GraphicList &rotating, const std::vector<QRectF> &frames,
                      const std::vector<GroupTurn> &groups)
{
    for (const GroupTurn &turn : groups)
        if (turn.group->Group::angle() != turn.angle)
            undo.registerUndo([&undo, turn] { restoreGroupTurn(undo, turn); });
    for (qsizetype i = 0; i < rotating.size() && size_t(i) < frames.size(); ++i) {
        const GraphicPtr &graphic = rotating[i];
        const QRectF was = frames[size_t(i)];
        if (graphic->frameBounds() != was)
            undo.registerUndo([graphic, was] { graphic->setFrameBounds(was); });
    }
    for (const GraphicPtr &graphic : rotating)
        graphic->endRotation();
}

// The direction of (dx, -dy) in degrees, from -90 (included) to 270 (excluded).
float polarAngle(double dx, double dy)
{
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r == 0.0)
        return 0.0f;
    const double s = -dy / r;
    const double c = dx / r;
    const double a = std::asin(std::fabs(s)) * 180.0 / Pi;
    if (s > 0)
        return float(c > 0 ? a : 180.0 - a);
    if (s == 0)
        return c >= 0 ? 0.0f : 180.0f;
    return float(c >= 0 ? -a : 180.0 + a);
}

QRectF rectFromPoints(const QPointF &a, const QPointF &b)
{
    return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::fabs(a.x() - b.x()),
                  std::fabs(a.y() - b.y()));
}

// Control and Shift without Command: the drag pans the canvas instead of selecting.
bool panFlags(unsigned flags)
{
    return (flags & ControlKeyMask) && (flags & ShiftKeyMask) && !(flags & CommandKeyMask);
}

bool isTextKind(const ColorRect &graphic)
{
    const QString name = graphic.className();
    return name == QLatin1String("ColorRect") || name == QLatin1String("ColorOval");
}

} // namespace

bool RectsView::isTracking() const
{
    return m_tracking && m_tracking->kind != TrackingState::None;
}

QRectF RectsView::selectionRect() const
{
    QRectF area;
    for (const GraphicPtr &graphic : _selectedObjects)
        area = area.isEmpty() ? graphic->frameBoundsRotated() : area.united(graphic->frameBoundsRotated());
    return area;
}

QRectF RectsView::boundsForObjects() const
{
    if (m_stepSelectionBounds)
        return *m_stepSelectionBounds;
    return boundsForObjects(_selectedObjects);
}

QRectF RectsView::boundsForObjects(const GraphicList &objects)
{
    QRectF area;
    auto unite = [&area](const QRectF &r) {
        if (r.isEmpty())
            return;
        area = area.isEmpty() ? r : area.united(r);
    };
    QSet<const Group *> counted;
    for (const GraphicPtr &graphic : objects) {
        const Group *owner = graphic->getGroup();
        if (owner && owner->canSetAngle()) {
            if (!counted.contains(owner)) {
                counted.insert(owner);
                unite(owner->frameBoundsRotated());
            }
            continue;
        }
        unite(graphic->frameBoundsRotated());
    }
    return area;
}

void RectsView::moveSelectedGraphicsByPoint(const QPointF &delta)
{
    const ChangeBatch batch(*this);
    const GroupedObjects units = groupedObjects(_selectedObjects);
    // The members' own setters would register the move once more; this inverse covers all.
    m_undoManager.disableUndoRegistration();
    for (Group *owner : units.groups)
        owner->moveBy(float(delta.x()), float(delta.y()));
    for (const GraphicPtr &graphic : units.loose)
        graphic->moveBy(delta);
    m_undoManager.enableUndoRegistration();
    if (!units.loose.isEmpty() || !units.groups.isEmpty()) {
        registerUndo([this, delta] { moveSelectedGraphicsByPoint(-delta); });
        setActionName(Language::stringForKey(QStringLiteral("Move Object")));
    }
    wasChanged(true);
    update();
}

// ---- widget events ----

void RectsView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_lastWidgetPoint = event->position();
    m_pressScreenPoint = event->globalPosition();
    mouseDownAt(pageToWidget().inverted().map(event->position()), modifierFlags(event->modifiers()), 1);
}

void RectsView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    m_lastWidgetPoint = event->position();
    m_pressScreenPoint = event->globalPosition();
    mouseDownAt(pageToWidget().inverted().map(event->position()), modifierFlags(event->modifiers()), 2);
}

void RectsView::mouseMoveEvent(QMouseEvent *event)
{
    m_lastWidgetPoint = event->position();
    m_lastMoveFromWindowSystem = event->spontaneous();
    m_lastDragFlags = modifierFlags(event->modifiers());
    const QPointF point = pageToWidget().inverted().map(event->position());
    if (!(event->buttons() & Qt::LeftButton)) {
        updatePointerAt(point, m_lastDragFlags);
        // A path in point editing shows its own pointer over its points.
        if (_selectedObjects.size() == 1) {
            if (auto *path = dynamic_cast<ColorPath *>(_selectedObjects.first().get()); path && path->bezierEdit())
                path->mouseMoved(point);
        }
        // The path in progress follows the pointer between clicks.
        if (pathInProgress()) {
            BezierPath &path = const_cast<BezierPath &>(*pathInProgress());
            const int count = path.elementCount();
            QPointF pts[3];
            if (count >= 2 && path.elementAt(count - 1, pts) == BezierPath::CurveTo) {
                pts[1] = point;
                pts[2] = point;
                path.setAssociatedPoints(pts, count - 1);
                update();
            }
        }
        return;
    }
    if (m_tracking && m_tracking->kind == TrackingState::Pan) {
        panTo(event->globalPosition());
        return;
    }
    mouseDraggedTo(point, m_lastDragFlags);
    // Outside the visible part the canvas scrolls on its own while the button is held.
    if (m_outlets.scrollView && isTracking()) {
        const QRect visible = visibleRegion().boundingRect();
        if (!visible.contains(event->position().toPoint())) {
            if (!m_autoscrollTimer) {
                m_autoscrollTimer = new QTimer(this);
                m_autoscrollTimer->setInterval(50);
                connect(m_autoscrollTimer, &QTimer::timeout, this, [this] { autoscrollStep(); });
            }
            if (!m_autoscrollTimer->isActive())
                m_autoscrollTimer->start();
        } else if (m_autoscrollTimer) {
            m_autoscrollTimer->stop();
        }
    }
}

void RectsView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_autoscrollTimer)
        m_autoscrollTimer->stop();
    mouseUpAt(pageToWidget().inverted().map(event->position()), modifierFlags(event->modifiers()));
}

void RectsView::focusInEvent(QFocusEvent *)
{
}

void RectsView::focusOutEvent(QFocusEvent *)
{
    if (qApp->autoSipEnabled() && testAttribute(Qt::WA_InputMethodEnabled))
        QGuiApplication::inputMethod()->hide();
}

bool RectsView::isMoveSnappingKey(const QKeyEvent *event) const
{
    if (!m_tracking || m_tracking->kind != TrackingState::Move || event->key() != Qt::Key_S)
        return false;
    // Shift with Control, or with Command: desktops often keep Super+Shift+S for themselves.
    const unsigned flags = modifierFlags(event->modifiers());
    return (flags & ShiftKeyMask) && (flags & (ControlKeyMask | CommandKeyMask)) && !(flags & AlternateKeyMask);
}

void RectsView::keyPressEvent(QKeyEvent *event)
{
    if (textEditingKeyPress(event)) {
        // The text controls show the character at the insertion point.
        if (editedObject())
            changeFont();
        return;
    }
    if (isMoveSnappingKey(event)) {
        // The move goes on; its next step snaps, or not, as the user now chose. The choice
        // lasts for this move: its end puts the snapping back as it was.
        if (!m_tracking->snappingBefore)
            m_tracking->snappingBefore = grid()->isConstraining();
        snapToGuides();
        return;
    }
    modifierKeyEvent(event);
    if (keyCommand(event))
        return;
    QWidget::keyPressEvent(event);
}

void RectsView::autoscrollStep()
{
    QScrollArea *area = m_outlets.scrollView;
    // The release may go elsewhere: to a dialog or a menu that opened while the button was
    // held, or past the window. The canvas then stops scrolling (each tick would take the
    // objects further), and the drag ends as one whose release never came.
    const bool released = m_lastMoveFromWindowSystem && !(QGuiApplication::mouseButtons() & Qt::LeftButton);
    if (!area || !isTracking() || released || QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        if (m_autoscrollTimer)
            m_autoscrollTimer->stop();
        return;
    }
    const QRect visible = visibleRegion().boundingRect();
    const QPointF p = m_lastWidgetPoint;
    int dx = 0;
    int dy = 0;
    if (p.x() < visible.left())
        dx = int(p.x()) - visible.left();
    else if (p.x() > visible.right())
        dx = int(p.x()) - visible.right();
    if (p.y() < visible.top())
        dy = int(p.y()) - visible.top();
    else if (p.y() > visible.bottom())
        dy = int(p.y()) - visible.bottom();
    if (dx == 0 && dy == 0) {
        m_autoscrollTimer->stop();
        return;
    }
    QScrollBar *horizontal = area->horizontalScrollBar();
    QScrollBar *vertical = area->verticalScrollBar();
    const int wasX = horizontal->value();
    const int wasY = vertical->value();
    horizontal->setValue(wasX + dx);
    vertical->setValue(wasY + dy);
    // At the end of the scroll bars the pointer still rests on the point the last step took
    // the drag to: stepping there again would redo a whole step of a large selection every
    // tick while the button is held.
    const QPointF scrolled(horizontal->value() - wasX, vertical->value() - wasY);
    if (scrolled.isNull())
        return;
    // The pointer stays where it is on the screen while the canvas moves under it: it now
    // rests on a point further on, and the next tick, still outside the visible part,
    // scrolls again.
    m_lastWidgetPoint = p + scrolled;
    mouseDraggedTo(pageToWidget().inverted().map(m_lastWidgetPoint), m_lastDragFlags);
}

// ---- the pointer ----

void RectsView::updatePointerAt(const QPointF &p, unsigned flags)
{
    const QCursor rotation = BundleCursor::named(QStringLiteral("rotateCursor"), QPoint(9, 9), Qt::CrossCursor);
    if (const BezierPath *path = pathInProgress()) {
        QPointF first[3];
        const bool overFirst = path->elementCount() >= 2 && path->elementAt(0, first) == BezierPath::MoveTo
                               && QRectF(first[0] - QPointF(3, 3), QSizeF(6, 6)).contains(p);
        setDocumentCursor(BundleCursor::named(overFirst ? QStringLiteral("closePath") : QStringLiteral("startPath"),
                                              QPoint(1, 19), Qt::CrossCursor));
        return;
    }
    if (isTracking())
        return;
    switch (currentToolClass) {
    case SelectTool:
        break;
    case RotateTool:
        setDocumentCursor(rotation);
        return;
    case TextTool:
        setDocumentCursor(QCursor(Qt::IBeamCursor));
        return;
    default:
        setDocumentCursor(QCursor(Qt::CrossCursor));
        return;
    }

    // A knob or link knob of a selected object first, else the object under the pointer.
    GraphicPtr object;
    int knob = 0;
    int link = 0;
    for (const GraphicPtr &candidate : std::as_const(_selectedObjects)) {
        const int k = candidate->knobUnderPoint(p);
        const int l = candidate->powerText() ? 0 : candidate->linkUnderPoint(p);
        if (k != 0 || l != 0) {
            object = candidate;
            knob = k;
            link = l;
            break;
        }
    }
    if (!object)
        object = objectUnderPoint(p);
    const GroupPtr group = object && object->className() != QLatin1String("ColorField") ? selectedGroup() : nullptr;
    if (group) {
        knob = group->knobUnderPoint(p);
        link = 0;
        if (knob == 11) {
            setDocumentCursor(rotation);
            return;
        }
    } else {
        if (object && object->className() == QLatin1String("ColorField") && !object->isResizable())
            knob = 0;
        if (!object || !isSelected(object.get())) {
            // The hand only where a drag would pan.
            setDocumentCursor(QCursor(panFlags(flags) && canPan() ? Qt::OpenHandCursor : Qt::ArrowCursor));
            return;
        }
        if (knob == 11) {
            setDocumentCursor(rotation);
            return;
        }
    }
    if (link == 1 || link == 2) {
        setDocumentCursor(BundleCursor::named(QStringLiteral("Cross"), QPoint(9, 9), Qt::CrossCursor));
        return;
    }
    if (knob >= 1 && knob <= 8) {
        // The pointer follows the turn of the object: a knob turned by 90 degrees shows the
        // pointer of the knob two places further round.
        const double angle = group ? double(group->angle()) : double(object->angle());
        int steps = std::isfinite(angle) ? int(std::fmod(std::trunc(angle + 22.0), 360.0)) : 0;
        if (steps < 0)
            steps += 360;
        for (int i = 0; i < steps / 45; ++i)
            knob = nextKnob(knob);
        const bool resizable = (object->isResizable() && !object->isLocked()) || (group && !group->isLocked());
        setknobCursor(resizable ? knob : 10);
        return;
    }
    if (knob == 9) {
        setknobCursor(9);
        return;
    }
    const bool imageDrag = (flags & CommandKeyMask) && !_selectedObjects.isEmpty()
                           && _selectedObjects.first()->image() && _selectedObjects.first()->drawsImage();
    setDocumentCursor(QCursor(imageDrag ? Qt::OpenHandCursor : Qt::ArrowCursor));
}

// ---- the press ----

void RectsView::mouseDownAt(const QPointF &point, unsigned flags, int clickCount)
{
    if (!m_tracking)
        m_tracking = std::make_shared<TrackingState>();
    // A move whose release never came leaves no switched snapping behind, and what it did
    // can still be undone, as one step.
    if (m_tracking->snappingBefore)
        grid()->setConstraining(*m_tracking->snappingBefore);
    if (m_tracking->kind == TrackingState::Move && m_tracking->changed)
        registerMoveUndo(*this, m_undoManager, m_tracking->moved);
    if (m_tracking->kind == TrackingState::Rotate)
        registerTurnUndo(m_undoManager, m_tracking->rotating, m_tracking->rotatingFrames, m_tracking->turnedGroups);
    if (std::exchange(m_tracking->undoGroupOpen, false))
        m_undoManager.endUndoGrouping();
    *m_tracking = TrackingState();
    m_dragPictures.reset();
    m_lastMouseDown = point;
    endTypingBurst();
    const bool panning = panFlags(flags);
    if (!panning)
        setTrackingFlag(true);

    // A path in progress takes every click.
    if (pathInProgress()) {
        BezierPath &path = const_cast<BezierPath &>(*pathInProgress());
        const int count = path.elementCount();
        QPointF first[3];
        if (count >= 2) {
            path.elementAt(0, first);
            if (QRectF(first[0] - QPointF(3, 3), QSizeF(6, 6)).contains(point)) {
                stopLasso(flags);
                return;
            }
        }
        QPointF pts[3];
        const bool closed = count > 0 && path.elementAt(count - 1, pts) == BezierPath::ClosePath;
        if ((flags & ControlKeyMask) && !closed) {
            stopLasso(flags);
            return;
        }
        if (clickCount < 2) {
            if (path.isEmpty())
                path.moveTo(point);
            path.curveTo(point, point, point);
            m_tracking->kind = TrackingState::PathDrag;
            update();
            return;
        }
        // The double click's first click appended an element: it goes again.
        BezierPath rebuilt = withoutLastElement(path);
        path = rebuilt;
        stopLasso(flags);
        return;
    }

    if (pressInEditedText(point, flags, clickCount))
        return;
    const int tool = currentToolClass;
    if (tool == FieldTool) {
        if (m_pendingFieldPk >= 0) {
            createDBField(m_pendingFieldPk);
            m_pendingFieldPk = -1;
        }
        return;
    }
    if (tool >= RectTool && tool <= AddressTool) {
        startCreate(currentObjectClass(), point, flags);
        return;
    }

    if ((flags & CommandKeyMask) && _selectedObjects.size() == 1) {
        // Command-drag moves the picture inside its frame, as one undo step.
        if (_selectedObjects.first()->image()) {
            m_tracking->kind = TrackingState::ImageDrag;
            m_tracking->last = point;
            m_undoManager.beginUndoGrouping();
            m_tracking->undoGroupOpen = true;
        }
        return;
    }
    if (tool == RotateTool && !_selectedObjects.isEmpty()) {
        startRotation(point);
        return;
    }
    if (_selectedObjects.size() == 1) {
        if (auto *path = dynamic_cast<ColorPath *>(_selectedObjects.first().get())) {
            if (clickCount >= 2)
                path->doubleClick();
            if (path->bezierEdit()) {
                // The pointer shows where edit points can be taken.
                setMouseTracking(true);
                path->mouseDown(point, flags);
                m_tracking->kind = TrackingState::PathEdit;
                m_tracking->object = _selectedObjects.first();
                return;
            }
        }
    }
    if (panning) {
        if (canPan())
            startPan();
        return;
    }
    selectAndTrackMouseWithEvent(point, flags, clickCount);
}

void RectsView::startCreate(const QString &className, const QPointF &point, unsigned flags)
{
    const GraphicPtr object = ObjectFactory::create(className);
    if (!object)
        return;
    object->setMainView(this);
    object->setPageName(getCurrPageName());
    object->setObjectLayer(currentLayer());
    if (currentToolClass == BarcodeTool || currentToolClass == AddressTool) {
        // Placed by a click: the object takes its natural size at the point (a square
        // symbol its default side), within the one "Create Object" step.
        m_undoManager.disableUndoRegistration();
        object->setFrameBounds(QRectF(point, QSizeF(0, 0)));
        if (currentToolClass == AddressTool && prepareAddressBlock)
            prepareAddressBlock(object.get());
        object->updateframeSize();
        m_undoManager.enableUndoRegistration();
        finishObjectCreation(object, flags);
        return;
    }
    // The frame's changes while it is drawn are no steps of their own: the creation is one.
    m_undoManager.disableUndoRegistration();
    object->beginCreate(point);
    m_tracking->kind = TrackingState::Create;
    m_tracking->object = object;
    m_tracking->start = point;
}

void RectsView::finishCreate(unsigned flags)
{
    const GraphicPtr object = m_tracking->object;
    const bool made = object->endCreate();
    m_undoManager.enableUndoRegistration();
    if (!made) {
        object->setMainView(nullptr);
        resizeRectViewBound(false, false);
        m_textLinkSource.reset();
        return;
    }
    finishObjectCreation(object, flags);
}

void RectsView::selectAndTrackMouseWithEvent(const QPointF &p, unsigned flags, int clickCount)
{
    const bool shift = flags & ShiftKeyMask;
    const bool control = flags & ControlKeyMask;
    const bool option = flags & AlternateKeyMask;
    const int tool = currentToolClass;

    GraphicPtr hit;
    if (control && option && _selectedObjects.size() == 1)
        hit = _selectedObjects.first();
    else if (control && _selectedObjects.size() == 1)
        hit = objectUnderPoint(p, _selectedObjects.first().get());
    else
        hit = objectUnderPoint(p);

    GroupPtr group;
    int knob = 0;
    if (hit && hit->getGroup() && !(hit->className() == QLatin1String("ColorField") && hit->drawsImage())) {
        group = groupPtr(hit->getGroup());
        knob = group ? group->knobUnderPoint(p) : 0;
    } else if (hit) {
        knob = hit->knobUnderPoint(p);
    }
    bool selected = hit && isSelected(hit.get());
    if (knob == 0) {
        bool found = false;
        for (const GraphicPtr &candidate : std::as_const(_selectedObjects)) {
            const int k = candidate->knobUnderPoint(p);
            if (k != 0 || (!candidate->powerText() && candidate->linkUnderPoint(p) != 0)) {
                hit = candidate;
                selected = true;
                knob = k;
                group.reset();
                found = true;
                break;
            }
        }
        if (!found) {
            // A group is asked once for its members selected one after another (a merge
            // field's title and value), and only one that answers is looked up: a click among
            // thousands of groups walks them once.
            const Group *asked = nullptr;
            for (const GraphicPtr &candidate : std::as_const(_selectedObjects)) {
                Group *owner = candidate->getGroup();
                if (!owner || owner == asked)
                    continue;
                asked = owner;
                if (const int k = owner->knobUnderPoint(p); k != 0) {
                    if (const GroupPtr held = groupPtr(owner)) {
                        group = held;
                        knob = k;
                        selected = true;
                        break;
                    }
                }
            }
        }
    }

    bool wasEditing = false;
    if (!shift && !selected) {
        wasEditing = std::any_of(_selectedObjects.begin(), _selectedObjects.end(),
                                 [](const GraphicPtr &g) { return g->isEditable1(); });
        clearSelection();
    }

    // Selecting or deselecting a member takes its whole group along.
    auto selectHit = [this](const GraphicPtr &graphic) { selectRectUndo(graphic); };
    auto toggle = [&]() -> bool {
        if (!isSelected(hit.get())) {
            selectHit(hit);
            knob = 0;
            return true;
        }
        if (!hit->isEditable1())
            deselectRectUndo(hit);
        return false;
    };

    if (!hit && !group) {
        if (tool == TextTool) {
            if (wasEditing) {
                setupCurrObjectTool(SelectTool);
                return;
            }
            m_undoManager.beginUndoGrouping();
            const GraphicPtr box = createObjectOfClassR(QStringLiteral("ColorRect"), QRectF(p, QSizeF(100.0, 100.0)));
            if (box) {
                box->setDrawsFill(false);
                // The missing fill is part of making a text box: the Edit menu names the step
                // after what the user did.
                setActionName(Language::stringForKey(QStringLiteral("Create Object")));
                wasChanged(true);
            }
            m_undoManager.endUndoGrouping();
            if (box)
                setEditableObject(box);
            setupCurrObjectTool(TextTool);
            return;
        }
        if (shift)
            return;
        m_tracking->kind = TrackingState::Rubberband;
        m_tracking->start = p;
        return;
    }

    if (group) {
        if (shift && knob == 0) {
            if (!toggle())
                return;
        } else if (knob == 11) {
            if (!selected)
                return;
        } else if (knob != 0 && !group->isLocked() && group->isResizable() && tool != TextTool) {
            startKnob(nullptr, group, knob);
            return;
        } else {
            selectHit(hit);
            if (clickCount >= 2 && isTextKind(*hit)) {
                setEditableObject(hit);
                setupCurrObjectTool(TextTool);
                return;
            }
        }
    } else {
        if (shift && knob == 0) {
            if (!toggle())
                return;
        } else if (!selected) {
            selectHit(hit);
        } else if (hit->isEditable1()) {
            placeCaretAt(p, flags);
            return;
        } else {
            int k = hit->knobUnderPoint(p);
            GraphicPtr target = hit;
            if (!hit->powerText() && k == 0) {
                const int link = hit->linkUnderPoint(p);
                if (link != 0) {
                    setCurrToolClass(RectTool);
                    m_textLinkSource = hit;
                    m_textLinkNext = link == 2;
                    setDocumentCursor(QCursor(Qt::CrossCursor));
                    return;
                }
            }
            if (k == 0) {
                for (const GraphicPtr &candidate : std::as_const(_selectedObjects)) {
                    if (const int ck = candidate->knobUnderPoint(p)) {
                        target = candidate;
                        k = ck;
                        break;
                    }
                }
            }
            if (!target->isLocked() && target->isResizable() && k != 0 && k != 11 && tool != TextTool) {
                startKnob(target, nullptr, k);
                return;
            }
            if (clickCount >= 2) {
                if (_selectedObjects.size() == 1 && isTextKind(*hit)) {
                    setEditableObject(hit);
                    setupCurrObjectTool(TextTool);
                } else if (_selectedObjects.size() == 1 && hit->className() == QLatin1String("ColorBarcode")) {
                    if (m_objectInfo)
                        m_objectInfo->switchTab(CanvasInspector::BarcodeTab);
                } else if (_selectedObjects.size() == 1 && hit->className() == QLatin1String("ColorAddress")
                           && runAddressDialog && runAddressDialog(window(), hit.get())) {
                    wasChanged(true);
                    update();
                }
                return;
            }
            // A press on an object already selected changes neither the selection nor what
            // the canvas shows: it is recorded as a step, as always, and nothing is measured
            // or drawn again for it.
            registerUndo([this, hit] { deselectRectUndo(hit); });
            setActionName(Language::stringForKey(QStringLiteral("Selection Change")));
        }
    }

    if (tool == TextTool) {
        if (!(_selectedObjects.size() == 1 && isTextKind(*_selectedObjects.first())))
            setupCurrObjectTool(SelectTool);
        else
            setEditableObject(_selectedObjects.first());
    }
    if (knob == 11) {
        setCurrToolClass(RotateTool);
        startRotation(p);
        return;
    }
    if (option && !control) {
        copy();
        paste();
    }
    startMove(p, flags);
}

void RectsView::startMove(const QPointF &point, unsigned flags)
{
    m_tracking->kind = TrackingState::Move;
    m_tracking->bounds = boundsForObjects();
    m_tracking->last = point;
    m_tracking->start = point;
    if (isSelectedLocked() > 0)
        setknobCursor(10);
    else if (flags & AlternateKeyMask)
        setknobCursor(12);
    else
        setknobCursor(9);
    // Every step of the drag, and the selection the press made, undo as one.
    m_undoManager.beginUndoGrouping();
    m_tracking->undoGroupOpen = true;
}

void RectsView::startKnob(const GraphicPtr &object, const GroupPtr &group, int knob)
{
    m_tracking->knob = knob;
    if (group) {
        m_tracking->kind = TrackingState::GroupKnob;
        m_tracking->group = group;
        group->beginTrackKnob(knob);
        return;
    }
    m_tracking->kind = TrackingState::Knob;
    m_tracking->object = object;
    m_undoManager.beginUndoGrouping();
    m_tracking->undoGroupOpen = true;
    beginEchoingMoveToRulers(object->frameBounds());
}

void RectsView::startRotation(const QPointF &point)
{
    m_tracking->kind = TrackingState::Rotate;
    m_tracking->centre = selectionRect().center();
    m_tracking->last = point;
    m_tracking->start = point;
    QSet<const Group *> owners;
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        const Group *owner = graphic->getGroup();
        if (owner && owner->canSetAngle()) {
            owners.insert(owner);
            continue;
        }
        graphic->beginRotation();
        m_tracking->rotating.append(graphic);
        m_tracking->rotatingFrames.push_back(graphic->frameBounds());
    }
    for (const GroupPtr &group : std::as_const(_groups))
        if (owners.contains(group.get()))
            m_tracking->turnedGroups.push_back(standing(group));
    update();
}

// ---- the drag ----

void RectsView::forgetDragChanges()
{
    if (!m_tracking)
        return;
    m_tracking->changing.reset();
    m_tracking->moveBounds.reset();
}

void RectsView::forgetMoveBounds()
{
    if (m_tracking)
        m_tracking->moveBounds.reset();
}

RectsView::DragChange RectsView::dragChanges(QSet<const ColorRect *> &changing, bool *turning) const
{
    if (turning)
        *turning = m_tracking && m_tracking->kind == TrackingState::Rotate;
    if (!m_tracking)
        return DragChange::None;
    TrackingState &t = *m_tracking;
    // The objects a move or a turn changes are the same at every step: each repaint shares
    // the set found at the first instead of gathering thousands again.
    if (t.changing && (t.kind == TrackingState::Move || t.kind == TrackingState::Rotate)) {
        changing = *t.changing;
        return DragChange::Moving;
    }
    switch (t.kind) {
    case TrackingState::Rubberband:
        return DragChange::Marks;
    case TrackingState::Move:
        // Locked objects stay where they are; a selected member moves with its whole group.
        for (const GraphicPtr &graphic : _selectedObjects) {
            const Group *owner = graphic->getGroup();
            if (owner && owner->isLocked())
                continue;
            if (!graphic->isLocked())
                changing.insert(graphic.get());
            if (owner)
                for (const GraphicPtr &member : owner->getObjects())
                    if (!member->isLocked())
                        changing.insert(member.get());
        }
        t.changing = changing;
        return DragChange::Moving;
    case TrackingState::Rotate:
        // Turned together, the objects keep one picture that turns with them.
        for (const GraphicPtr &graphic : _selectedObjects) {
            changing.insert(graphic.get());
            if (const Group *owner = graphic->getGroup())
                for (const GraphicPtr &member : owner->getObjects())
                    changing.insert(member.get());
        }
        t.changing = changing;
        return DragChange::Moving;
    case TrackingState::Knob:
        if (!t.object)
            return DragChange::None;
        changing.insert(t.object.get());
        return DragChange::Reshaping;
    case TrackingState::GroupKnob:
        if (!t.group)
            return DragChange::None;
        for (const GraphicPtr &member : t.group->getObjects())
            changing.insert(member.get());
        return DragChange::Reshaping;
    default:
        return DragChange::None;
    }
}

void RectsView::mouseDraggedTo(const QPointF &point, unsigned flags)
{
    if (dragInEditedText(point))
        return;
    if (!m_tracking)
        return;
    TrackingState &t = *m_tracking;
    switch (t.kind) {
    case TrackingState::None:
    case TrackingState::Pan:
        return;
    case TrackingState::ImageDrag:
        trackImageDrag(point - t.last);
        t.last = point;
        return;
    case TrackingState::Create:
        t.object->continueCreate(point, flags);
        update();
        return;
    case TrackingState::PathDrag: {
        BezierPath &path = const_cast<BezierPath &>(*pathInProgress());
        const int count = path.elementCount();
        QPointF pts[3];
        if (count >= 1 && path.elementAt(count - 1, pts) == BezierPath::CurveTo) {
            pts[0] = pts[1] = pts[2] = point;
            path.setAssociatedPoints(pts, count - 1);
            QPointF before[3];
            if (count >= 3 && path.elementAt(count - 2, before) == BezierPath::CurveTo) {
                before[1] = 2.0 * before[2] - point;
                path.setAssociatedPoints(before, count - 2);
            }
            update();
        }
        return;
    }
    case TrackingState::PathEdit:
        if (auto *path = dynamic_cast<ColorPath *>(t.object.get()))
            path->mouseDragged(point, flags);
        return;
    case TrackingState::Rubberband: {
        if (point == t.start) {
            for (const GraphicPtr &graphic : std::as_const(t.band))
                if (graphic->className() == QLatin1String("ColorField"))
                    graphic->setSelected(false);
            t.band.clear();
            setRubberband(QRectF(), {});
            return;
        }
        const QRectF r = rectFromPoints(t.start, point);
        if (r == _rubberbandRect)
            return;
        t.band = graphicsIntersectingRect(r);
        QSet<const ColorRect *> touched;
        for (const GraphicPtr &graphic : std::as_const(t.band)) {
            touched.insert(graphic.get());
            if (graphic->className() == QLatin1String("ColorField"))
                graphic->setSelected(true);
        }
        setRubberband(r, touched);
        return;
    }
    case TrackingState::Move: {
        // Found once for the whole move, not at every step: each walks every selected object.
        m_stepSelectionBounds = t.moveBounds ? *t.moveBounds : boundsForObjects();
        const auto stepDone = qScopeGuard([this, &t] {
            t.moveBounds = m_stepSelectionBounds;
            m_stepSelectionBounds.reset();
        });
        QPointF q = point;
        if (!(flags & ShiftKeyMask))
            q = processGrid(q, t.last);
        else
            clearGridSnap();
        QPointF d = q - t.last;
        if (!t.dragged) {
            // Where the move began stays marked on the rulers until the button goes up.
            if (rulersVisible())
                drawRulerlinesWithRect(_selectedObjects.size() == 1 ? _selectedObjects.first()->frameBounds()
                                                                    : t.bounds);
            t.dragged = true;
            t.axis = std::fabs(d.x()) > std::fabs(d.y()) ? 0 : 1;
        }
        if (flags & CommandKeyMask) {
            if (t.axis == 0)
                d.setY(0.0);
            else
                d.setX(0.0);
        }
        if (!d.isNull() && !_selectedObjects.isEmpty()) {
            // The release registers the whole move as one inverse (see registerMoveUndo).
            m_undoManager.disableUndoRegistration();
            // A locked object stays where it is: then the bounds are found again.
            const bool allMove = std::none_of(_selectedObjects.begin(), _selectedObjects.end(),
                                              [](const GraphicPtr &g) { return g->isLocked(); });
            if (allMove)
                m_stepSelectionBounds = m_stepSelectionBounds->translated(d);
            else
                m_stepSelectionBounds.reset();
            moveSelectedGraphicsByPoint(d);
            m_undoManager.enableUndoRegistration();
            t.moved += d;
            t.changed = true;
        }
        updateRulers();
        updateObjectValues();
        t.last = t.last + d;
        return;
    }
    case TrackingState::Knob: {
        t.knob = t.object->resizeByMovingKnob(t.knob, point, flags);
        t.changed = true;
        update();
        updateObjectValues();
        continueEchoingMoveToRulers(t.object->frameBounds());
        return;
    }
    case TrackingState::GroupKnob:
        t.group->continueTrackKnob(point, flags);
        t.changed = true;
        return;
    case TrackingState::Rotate:
        rotationStep(point, flags);
        return;
    }
}

QPointF RectsView::processGrid(const QPointF &point, const QPointF &prev)
{
    const bool anyUnlocked = std::any_of(_selectedObjects.begin(), _selectedObjects.end(),
                                         [](const GraphicPtr &g) { return !g->isLocked(); });
    if (!anyUnlocked)
        return point;
    TGrid *guides = grid();
    // The selection's bounds are found once for the corners tried below.
    const QRectF b = boundsForObjects();
    // So are the objects the corners may snap to: each a walk of the layer.
    const QList<QRectF> targets = guides->isUsable() && guides->isConstraining() ? guides->snapTargets() : QList<QRectF>();
    auto constrainedPoint = [guides, &b, &targets](const QPointF &p) { return guides->constrainedPoint(p, b, targets); };
    // Where the pointer holds the selection, and where the selection would go.
    const QPointF off = prev - b.topLeft();
    const QPointF o = point - off;
    const QPointF e = o + QPointF(b.width(), b.height());
    clearGridSnap();

    // The top corners decide first, the top-left before the top-right.
    QPointF result = point;
    const QPointF topRight(e.x(), o.y());
    if (const QPointF snapped = constrainedPoint(o); snapped != o) {
        result = snapped + off;
    } else if (const QPointF snappedRight = constrainedPoint(topRight); snappedRight != topRight) {
        result = snappedRight + off - QPointF(b.width(), 0.0);
    }
    const bool hadVertical = guides->isDraw();
    const bool hadHorizontal = guides->isDrawY();
    const bool movedX = result.x() != point.x();
    const bool movedY = result.y() != point.y();

    // Then the bottom corners, for the axes that are still free.
    const QPointF bottoms[2] = {QPointF(o.x(), e.y()), e};
    for (int i = 0; i < 2; ++i) {
        const QPointF corner = bottoms[i];
        const QPointF snapped = constrainedPoint(corner);
        if (snapped == corner)
            continue;
        const double width = i == 1 ? b.width() : 0.0;
        const bool newVertical = !hadVertical && guides->isDraw();
        const bool newHorizontal = !hadHorizontal && guides->isDrawY();
        // A snap to the label's outline leaves no guide; its axes count where the top
        // corners left them free, so the label's bottom edge holds as its top edge does.
        const bool outline = !newVertical && !newHorizontal;
        if (newVertical || (outline && !movedX && snapped.x() != corner.x()))
            result.setX(snapped.x() + off.x() - width);
        if (newHorizontal || (outline && !movedY && snapped.y() != corner.y()))
            result.setY(snapped.y() + off.y() - b.height());
        break;
    }
    return result;
}

void RectsView::rotationStep(const QPointF &point, unsigned flags)
{
    TrackingState &t = *m_tracking;
    const QPointF c = t.centre;
    if (point == t.last)
        return;
    const QPointF from = c - t.last;
    const QPointF to = c - point;
    double delta = double(polarAngle(from.x(), from.y())) - double(polarAngle(to.x(), to.y()));
    // Crossing the seam of the angle range is a small turn, not almost a whole one.
    if (delta > 180.0)
        delta -= 360.0;
    else if (delta < -180.0)
        delta += 360.0;
    if (flags & ShiftKeyMask)
        delta = delta > 15.0 ? 15.0 : (delta < -15.0 ? -15.0 : 0.0);
    update();
    if (delta == 0.0)
        return;
    if (!t.undoGroupOpen) {
        m_undoManager.beginUndoGrouping();
        t.undoGroupOpen = true;
    }
    if (!t.changed) {
        // The drag's pictures are made of the objects as they stand before its first turn:
        // each is drawn from the picture the screen keeps of it, where a turned one would be
        // made aside and a stand-in shown meanwhile.
        QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&scratch);
        paintFromDragPictures(painter, visibleRegion());
    }
    t.changed = true;
    // Each object's turn asks for its redraw and the rulers over the whole selection: the
    // window follows once, after the last object, or a step grew with the square of them.
    const ChangeBatch batch(*this);
    // The middle of the selection, as it stands before this step, only where a turn goes
    // about it: finding it asks every object of a large selection for its turned bounds.
    const bool aboutMiddle = (flags & ShiftKeyMask) || t.rotating.size() >= 2;
    const QPointF c2 = aboutMiddle ? boundsForObjects().center() : QPointF();
    // Each group's turn is put back once, at the release (see registerTurnUndo).
    m_undoManager.disableUndoRegistration();
    QSet<Group *> turned;
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        Group *owner = graphic->getGroup();
        if (!owner || !owner->canSetAngle() || turned.contains(owner))
            continue;
        turned.insert(owner);
        if (flags & ShiftKeyMask)
            owner->setAngle(float(owner->angle() + delta), c2);
        else
            owner->setAngle(float(owner->angle() + delta));
    }
    // The objects' frames are put back by one inverse each at the release (see
    // registerTurnUndo): registered at every step, an Undo of a turn of thousands replayed
    // every step's move of every object.
    for (const GraphicPtr &graphic : std::as_const(t.rotating)) {
        double a = graphic->angle() + delta;
        if (flags & ShiftKeyMask) {
            a = double(int(a) / 15 * 15);
        } else {
            if (a > 360.0)
                a -= 360.0;
            if (a < 0.0)
                a += 360.0;
        }
        graphic->setAngle(float(a), false);
        if (t.rotating.size() >= 2) {
            const QPointF m = graphic->getRotatedBounds().bounds().center();
            QTransform turn;
            turn.translate(c2.x(), c2.y());
            // The centre goes round the way the object itself turns.
            turn.rotate(delta);
            turn.translate(-c2.x(), -c2.y());
            graphic->moveBy(turn.map(m) - m);
        }
    }
    m_undoManager.enableUndoRegistration();
    t.last = point;
    updateRulers();
    updateObjectValues();
}

// ---- panning ----

bool RectsView::canPan() const
{
    // As the design has it: with exactly one object selected the drag belongs to that object.
    return m_outlets.scrollView && currentToolClass != RotateTool && !pathInProgress() && _selectedObjects.size() != 1;
}

void RectsView::startPan()
{
    m_tracking->kind = TrackingState::Pan;
    m_tracking->screenLast = m_pressScreenPoint;
    setDocumentCursor(QCursor(Qt::ClosedHandCursor));
}

void RectsView::panTo(const QPointF &screenPoint)
{
    QScrollArea *area = m_outlets.scrollView;
    if (!area)
        return;
    // Measured on the screen, not on the canvas that moves under the pointer, so the label
    // follows the hand one for one.
    const QPointF step = screenPoint - m_tracking->screenLast;
    const int dx = qRound(step.x());
    const int dy = qRound(step.y());
    m_tracking->screenLast += QPointF(dx, dy);
    QScrollBar *horizontal = area->horizontalScrollBar();
    QScrollBar *vertical = area->verticalScrollBar();
    horizontal->setValue(horizontal->value() - dx);
    vertical->setValue(vertical->value() - dy);
    setRulerOffsets();
    updateRulers();
    update();
}

// ---- the release ----

void RectsView::mouseUpAt(const QPointF &point, unsigned flags)
{
    if (std::exchange(m_textDragging, false))
        changeFont();
    if (!m_tracking) {
        setTrackingFlag(false);
        return;
    }
    TrackingState &t = *m_tracking;
    switch (t.kind) {
    case TrackingState::None:
    case TrackingState::PathDrag:
        break;
    case TrackingState::Pan:
        // The hand opens again while the keys are still held.
        *m_tracking = TrackingState();
        setTrackingFlag(false);
        updatePointerAt(point, flags);
        return;
    case TrackingState::ImageDrag:
        if (t.undoGroupOpen) {
            t.undoGroupOpen = false;
            m_undoManager.endUndoGrouping();
        }
        updateRulers();
        break;
    case TrackingState::Create:
        finishCreate(flags);
        break;
    case TrackingState::PathEdit:
        if (auto *path = dynamic_cast<ColorPath *>(t.object.get()))
            path->mouseUp();
        break;
    case TrackingState::Rubberband: {
        // The inspector, the rulers and the menus follow once, after the last object the band
        // took, not once per object.
        const ChangeBatch batch(*this);
        for (const GraphicPtr &graphic : std::as_const(t.band))
            selectRect(graphic);
        setRubberband(QRectF(), {});
        break;
    }
    case TrackingState::Move:
        if (t.changed)
            registerMoveUndo(*this, m_undoManager, t.moved);
        if (rulersVisible() && t.dragged)
            eraseRulerlinesWithRect(t.bounds);
        if (t.snappingBefore)
            grid()->setConstraining(*t.snappingBefore);
        clearGridSnap();
        // Nothing moved: the rulers already mark the selection.
        if (t.dragged)
            updateRulers();
        setDocumentCursor(QCursor(Qt::ArrowCursor));
        break;
    case TrackingState::Knob:
        stopEchoingMoveToRulers();
        clearGridSnap();
        updateRulers();
        break;
    case TrackingState::GroupKnob:
        t.group->endTrackKnob();
        clearGridSnap();
        break;
    case TrackingState::Rotate:
        endRotationDrag();
        break;
    }
    if (t.undoGroupOpen) {
        t.undoGroupOpen = false;
        m_undoManager.endUndoGrouping();
    }
    if (t.changed)
        wasChanged(true);
    // A click on the empty canvas that selected nothing has nothing to show.
    const bool shows = t.changed || t.kind != TrackingState::Rubberband || !t.band.isEmpty();
    const bool dragged = t.changed
                         && (t.kind == TrackingState::Move || t.kind == TrackingState::Rotate || t.kind == TrackingState::Knob
                             || t.kind == TrackingState::GroupKnob);
    *m_tracking = TrackingState();
    if (dragged)
        keepDragPicturesForDrop();
    else
        m_dragPictures.reset();
    setTrackingFlag(false);
    resizeRectViewBound(false, false);
    if (shows)
        update();
}

void RectsView::endRotationDrag()
{
    TrackingState &t = *m_tracking;
    registerTurnUndo(m_undoManager, t.rotating, t.rotatingFrames, t.turnedGroups);
    if (t.changed)
        setActionName(Language::stringForKey(QStringLiteral("Rotate Object(s)")));
    t.rotating.clear();
    t.rotatingFrames.clear();
    t.turnedGroups.clear();
    setCurrToolClass(m_toolTag);
}

void RectsView::drawTrackingFeedback(QPainter *painter, const QRectF &dirty)
{
    const qreal hairline = 1.0 / std::max(getZoom(), 0.01);
    // The object being dragged out shows as it grows, before it joins the design.
    if (m_tracking && m_tracking->kind == TrackingState::Create && m_tracking->object) {
        painter->save();
        m_tracking->object->drawFrame(painter, m_tracking->object->drawingBounds(), false);
        painter->restore();
    }
    painter->save();
    painter->setBrush(Qt::NoBrush);
    painter->setPen(makePen(palette().color(QPalette::Highlight), hairline));
    if (m_tracking && m_tracking->kind == TrackingState::Rotate)
        painter->drawLine(m_tracking->centre, m_tracking->last);
    if (const BezierPath *path = pathInProgress(); path && !path->isEmpty())
        drawBezierWithControlPoints(painter, *path);
    // Every group whose members are selected shows its marks, not only the one last chosen;
    // a repaint of a part of the canvas draws those that reach into it, not thousands of
    // groups' marks wherever they lie.
    const double zoom = getZoom() > 0.0 ? getZoom() : 1.0;
    const double marks = (2.0 * double(ColorRect::handleWidth()) + 12.0) / zoom;
    auto reaches = [&](const Group &group) {
        if (dirty.isNull())
            return true;
        // The members' marks and the group's own knobs and rotation knob lie near the
        // members' frames and the group's; a frame turned about its centre lies within the
        // circle round it (found without turning anything: thousands of groups are asked).
        auto circled = [](const QRectF &frame) {
            const double radius = std::hypot(frame.width(), frame.height()) / 2.0;
            return QRectF(frame.center() - QPointF(radius, radius), QSizeF(2.0 * radius, 2.0 * radius));
        };
        QRectF reach = circled(group.Group::bounds());
        for (const GraphicPtr &member : group.getObjects()) {
            // A member being edited (a path's points and handles) is marked wherever it lies.
            if (member->isEditable1())
                return true;
            reach = reach.united(circled(member->frameBounds()));
        }
        reach.adjust(-marks, -marks, marks, marks);
        if (!std::isfinite(reach.left()) || !std::isfinite(reach.top()) || !std::isfinite(reach.right())
            || !std::isfinite(reach.bottom()))
            return true;
        return reach.intersects(dirty);
    };
    for (const GroupPtr &group : std::as_const(_groups)) {
        if (m_groupMarksInPictures && m_groupMarksInPictures->contains(group.get()))
            continue;
        if (isSelectedGroup(group.get()) && isOnCurrentPageAndLayer(*group->getObjects().first()) && reaches(*group))
            group->drawSelect(painter);
    }
    painter->restore();
}

} // namespace quillmark
