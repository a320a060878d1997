#pragma once
#include <QHash>
// Two or more objects of one page bound together so that they are selected, moved, resized
// and rotated as one. A group is not an object itself: every member stays a full object in
// the canvas's list with its own frame, angle and style, and the group draws nothing but
// its selection frame. It answers the geometry, knob, page, lock and resizability questions
// of an object, so that the canvas and the inspector treat a selected group like one.
//
// The bounds are the group's own unrotated frame: with a non-zero angle the members lie in
// it as if it were turned by the angle about its centre. They are set when members are
// added as a list and updated with the members by every group command; they are not
// recomputed from the members afterwards.
//
// Groups are held by std::shared_ptr, like objects, so that undo inverses keep them alive.
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

#include "objects/ColorRect.h"
#include "platform/BezierPath.h"

class QPainter;

namespace quillmark {

class CanvasServices;
class UndoManager;

class Group : public std::enable_shared_from_this<Group>
{
public:
    using GraphicList = ColorRect::GraphicList;
    using Creator = std::function<std::shared_ptr<Group>()>;

    Group();
    virtual ~Group();
    Group(const Group &) = delete;
    Group &operator=(const Group &) = delete;

    static std::shared_ptr<Group> create();

    // The group kind's name as "GroupClassKey" stores it.
    virtual QString className() const;

    // ---- membership and state ----
    void setRectsView(CanvasServices *canvas) { rectsView = canvas; }
    CanvasServices *getRectsView() const { return rectsView; }
    // Appends a member; the bounds stay as they are. Nothing after clear().
    void addObject(const std::shared_ptr<ColorRect> &object);
    // Replaces the members by the list and grows the bounds by each member's turned outline.
    virtual void addObjects(const GraphicList &list);
    // Detaches every member, forgets them, and resets the angle and the bounds. Members
    // added afterwards are not kept.
    void clear();
    const GraphicList &getObjects() const { return objects; }
    // Puts `replacement` in the place of a member, which then answers no group; answers
    // whether `member` was one.
    bool replaceObject(const std::shared_ptr<ColorRect> &member, const std::shared_ptr<ColorRect> &replacement);
    bool isCleared() const { return cleared; }

    void setSelected(bool flag);
    bool isSelected() const { return selected; }
    // How many groups in the program are selected now. The canvas keeps one group selected
    // at a time: while none or only the one it holds is, it need not look through all of
    // them at each member it selects or lets go of.
    static qint64 selectedCount();
    virtual float angle() const { return _angle; }
    // Adds to the angle; no undo, no redisplay.
    virtual void rotate(float degrees) { _angle += degrees; }
    virtual bool canSetAngle() const { return true; }
    virtual bool fixRatio() const { return true; }
    virtual bool isEditable() const { return false; }
    bool isEdit() const;
    float handleWidth() const;
    float handleHalfWidth() const { return handleWidth() / 2.0f; }
    bool isLocked() const;
    virtual bool isResizable() const;
    // The first member's page; null without members.
    QString pageName() const;
    bool isOnPageNamed(const QString &name) const;
    // The canvas's raw zoom; 1.0 without a canvas.
    double getZoom() const;
    UndoManager *undoManager() const;
    void drawGroup() {}

    // ---- geometry ----
    virtual QRectF bounds() const { return _bounds; }
    // No undo, no redisplay.
    void setBounds(const QRectF &rect) { _bounds = rect; }
    float originX() const { return float(bounds().x()); }
    float originY() const { return float(bounds().y()); }
    virtual float width() const { return float(bounds().width()); }
    virtual float height() const { return float(bounds().height()); }
    // The union of the frames of the members; the empty rectangle without members.
    virtual QRectF frameBounds() const;
    // The bounds that hold the members as they lie now, as grouping them gives: the union of
    // their turned outlines; for a group turned by its angle, the unturned frame that, turned
    // about its own centre, holds them (the present bounds' centre taken as the turn's).
    QRectF membersFrame() const;
    virtual QRectF frameBoundsRotated() const;
    // Every member's outline, turned by its own angle, the whole turned back by the group
    // angle about its centre.
    BezierPath framePath() const;
    // Knob 1 to 8 on the bounds; the zero point for any other number.
    QPointF knobLocation(int knob) const;
    // Moves the group so that the centre of its bounds lies on the point.
    void center(const QPointF &point);

    // ---- undoable commands ----
    // Turns every member about `centre` by the change of angle and turns the members by it
    // too; the bounds stay.
    virtual void setAngle(float degrees, const QPointF &centre);
    virtual void setAngle(float degrees);
    void setAngleUndo(float degrees, const QPointF &centre);
    // Moves every member and the bounds in one undo step; nothing when locked.
    void moveBy(float dx, float dy);
    virtual void setOriginX(float x);
    virtual void setOriginY(float y);
    // Scale the group about its origin, keeping its proportions. Refused for bounds without
    // the extent that the factor is taken from.
    virtual void setWidth(float newWidth);
    virtual void setHeight(float newHeight);
    // One step of a knob drag towards the point; answers the knob for the next step.
    // Shift, Command and Control come from the modifier flags (0 without an event).
    virtual int resizeByMovingKnob(int knob, const QPointF &point, unsigned modifierFlags);
    // Registers the way back, names the action with the localised message, stores the
    // bounds, redisplays and updates the rulers.
    void setFrameBounds(const QRectF &rect, const QString &message);
    // Scales a group that lays its members out itself (a title-and-value pair) from one label
    // size to another; answers NO for a plain group, whose members scale one by one.
    virtual bool scaleWhole(double sx, double sy) { return false; }

    // ---- interaction and drawing ----
    virtual int knobUnderPoint(const QPointF &point) const;
    virtual int rotateKnobUnderPoint(const QRectF &knobRect, const QPointF &point) const;
    // A knob drag fed by the canvas's mouse events: the press, each drag position (page
    // points) with its modifier flags, and the release. The steps form one undo step; the
    // rulers echo the bounds taken at the press; the inspector refreshes after every step.
    void beginTrackKnob(int knob);
    void continueTrackKnob(const QPointF &point, unsigned modifierFlags);
    void endTrackKnob();
    virtual void drawSelect(QPainter *painter);
    // Concatenates a turn about the bounds' centre by twice the degrees.
    void rotateSelection(QPainter *painter, float degrees) const;
    void drawHandleAtPoint(const QPointF &point, QPainter *painter) const;
    // A plain group draws no rotation knob.
    virtual void drawRotateHandle(const QPointF &point, QPainter *painter) const;

    // ---- stored form (one entry of the design's "GroupsList") ----
    // `graphics` is the design's list of objects; members are stored by their index in it.
    // `places`, when given, holds each object's index in `graphics`: a design with many groups
    // is then written without searching the list once per member.
    using Places = QHash<const ColorRect *, qsizetype>;
    virtual QVariantMap propertyListRepresentation(const GraphicList &graphics, const Places *places = nullptr) const;
    // The group of the kind named by "GroupClassKey", loaded; null for an unknown kind or
    // fewer than two members.
    static std::shared_ptr<Group> groupWithPropertyListRepresentation(const QVariantMap &dict,
                                                                     const GraphicList &graphics);
    virtual bool loadPropertyListRepresentation(const QVariantMap &dict, const GraphicList &graphics);
    // Every entry of a stored "GroupsList" made into its group over `graphics`, in the list's
    // order; every reader of the key goes through here. Groups nest: a group grouped again
    // with more objects is stored before the group that holds it, and each member answers
    // the last group read that holds it, as it answered the last one made. Only an entry that
    // makes the very group an earlier one made (kind, members in order, angle and frame) is
    // left out; entries that make no group are skipped.
    static QList<std::shared_ptr<Group>> groupsWithPropertyListRepresentation(const QVariantList &entries,
                                                                             const GraphicList &graphics);
    // A new, empty group of a registered kind ("Group", "GroupField"); null for any other
    // name. The canvas makes title-and-value pairs this way without knowing their class.
    static std::shared_ptr<Group> createGroupOfKind(const QString &name);

    // The group kinds a stored "GroupClassKey" may name: "Group" and "GroupField". Answers
    // false for any other name or an empty creator.
    static bool registerClass(const QString &name, Creator creator);

protected:
    // Registers `inverse`, run on this group, with the canvas's undo manager; nothing
    // without a canvas or while the group is not held by a shared_ptr.
    void registerUndo(std::function<void(Group &)> inverse);
    void setActionName(const QString &name);
    // Names the undo action by its key in the language table, looked up only where a step
    // will carry the name.
    void nameAction(const char *key);
    void redisplay();
    void updateRulers();

    CanvasServices *rectsView = nullptr;
    GraphicList objects;
    float _angle = 0.0f;
    bool selected = false;
    QRectF _bounds;

private:
    // Sets the bounds with the way back registered and no action name.
    void changeBounds(const QRectF &rect);
    // Scales every member's size by (sx, sy) and its centre about `from`'s origin into
    // `to`'s origin.
    void scaleMembers(const QRectF &from, const QRectF &to, double sx, double sy);

    bool cleared = false;
    int trackedKnob = 0;
    bool tracking = false;
    bool trackGroupOpen = false;
    QRectF trackStartBounds;
};

// Registers the plain group kind. Call once at start-up (and in tests).
void registerGroupKinds();

} // namespace quillmark
