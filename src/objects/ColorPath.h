#pragma once
// The free-form kind of object (path tool): an outline of moves, lines and cubic curves.
// The outline is kept in its own coordinates with its bounds at 0,0 and is scaled into the
// frame whenever it is used, so moving and resizing work on the frame alone.
//
// In point-edit mode (a double click) the user drags end points and control points, the
// control points on either side of an end point kept in line, and deletes the selected
// element. The selected point stays selected after the button is released, so the canvas's
// Delete command reaches it, until a press misses every point or editing ends.
#include <QPointF>
#include <QImage>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "objects/ColorRect.h"
#include "objects/KeptPicture.h"
#include "platform/BezierPath.h"

class QPainter;

namespace quillmark {

// An edit point: the element's index and which of its points (0 for a move or line; 0, 1,
// 2 for a curve's first control point, second control point and end). -1 means none.
struct BezierPoint
{
    int element = -1;
    int point = -1;

    bool isNone() const { return element < 0 || point < 0; }
    bool operator==(const BezierPoint &) const = default;
};

class ColorPath : public ColorRect
{
public:
    // The outline starts as the frame's rectangle.
    ColorPath();
    explicit ColorPath(const QRectF &frame);
    // A picture still being made of the object is no longer wanted.
    ~ColorPath() override;

    static std::shared_ptr<ColorPath> create(const QRectF &frame = QRectF());
    // Makes the kind known to the object factory under "ColorPath".
    static void registerKind();

    QString className() const override;
    std::shared_ptr<ColorRect> newInstance() const override;
    void copyValues(ColorRect &target) const override;

    // A path shows no text and gets no runaround box: only the plain box that every text
    // flow needs.
    void initContainer() override;

    // A path taken into a group leaves point editing: the group is moved and resized whole.
    void setGroup(Group *newGroup) override;

    // Drops the outline and the selected point.
    void clear();
    // The stored outline in its own coordinates; null after clear().
    const BezierPath *storedPath() const { return colorPath ? &*colorPath : nullptr; }

    bool bezierEdit() const { return edit; }
    // Sets point-edit mode and redraws the whole canvas; leaving it forgets the selected
    // point.
    void setBezierEdit(bool flag);
    // Toggles point-edit mode, forgetting the selected point.
    void doubleClick();

    // An outline in its own coordinates scaled and moved into `frame`, as the object fits its
    // stored outline to its frame.
    static BezierPath fitted(const BezierPath &stored, const QRectF &frame);
    // The mapping of that fitting, for a stored outline of `bounds`.
    static QTransform fittingInto(const QRectF &bounds, const QRectF &frame);

    // The outline fitted to the frame, in page points; empty without a stored outline.
    BezierPath bezierPath() const override;
    // In point editing the marks of control points lying outside the frame are drawn too.
    QRectF drawingBounds() const override;
    // An outline of many thousand points is bounded by its turned frame: a change of the
    // object asks for it and would otherwise copy and turn every point.
    std::optional<QRectF> turnedOutlineBounds() const override;
    // Takes an outline in page points: the frame becomes its bounds (without undo) and the
    // outline is kept moved to 0,0. Registers no undo of its own.
    void setBezierPath(const BezierPath &path);

    void drawFrame(QPainter *painter, const QRectF &aRect, bool selected) override;
    // The object as it prints: fill, gradient, shadow, image and stroke of the outline.
    void drawObject(QPainter *painter, const QRectF &aRect, bool selected);
    // The outline as a one-pixel dark grey line (point-edit mode).
    void drawEditBezier(QPainter *painter);
    // The edit points: end points as circles, control points as squares with their lines, over
    // the outline stroked in the painter's colour. Those of an outline of many thousand points
    // are drawn from pictures kept of them, but for the elements a drag of the selected point
    // moves, which are drawn as they are now.
    void drawEditBezierSelect(QPainter *painter);
    void drawSelect(QPainter *painter, const QRectF &aRect) override;
    // A path shows no text-link marks.
    void drawLinks(QPainter *painter) override;
    void drawHandlesInView(QPainter *painter) override;

    // The edit point under a page point; the first hit in element order wins.
    BezierPoint bezierKnobUnderPoint(const QPointF &point) const;
    BezierPoint selectedPoint() const { return bp; }

    // The handle that Option-pressing a vertex pulls out: the outgoing or else the incoming
    // control point still lying on the vertex; none when both have come out already.
    BezierPoint handleOutOfVertex(const BezierPoint &vertex) const;

    // The canvas's mouse events in point-edit mode, in page points. A press selects the
    // point under it (a miss selects none) and opens the undo group that the drags fall
    // into; the release closes it and keeps the selection. A press on a vertex moves the
    // vertex; with Option, on a vertex whose handles lie on it, it pulls the handles out.
    void mouseMoved(const QPointF &point);
    void mouseDown(const QPointF &point, unsigned modifierFlags = 0);
    void mouseDragged(const QPointF &point, unsigned modifierFlags);
    void mouseUp();

    // Removes the selected element (never the opening move). Refused, answering false, when
    // nothing is selected or the outline would lose all its area; undoable.
    bool deleteSegment();

    QVariantMap propertyListRepresentation(const GraphicList *graphics = nullptr,
                                           const LinkedTextPlaces *places = nullptr) override;
    // An outline of many points is written through the table of written outlines, on the
    // window's thread only.
    bool formReadableOffThread(const QTextDocument **text) override;
    void loadPropertyListRepresentation(const QVariantMap &dict) override;

    // The budget the pictures of paths kept only for what thousands of them cost to draw share,
    // in bytes; returns the one it replaces.
    static qint64 setCostlyPicturesBudget(qint64 bytes);

private:
    // Outlines of at least this many elements are drawn on the screen from kept pictures: a
    // fill of such an outline, antialiased, takes longer than a repaint may, and so do the
    // stroke and the marks of its points.
    static constexpr int ComplexPathElements = 2000;

    // Everything but geometry that the object's picture depends on. Moving the object or
    // scrolling keeps the picture.
    struct PathLook
    {
        QColor fill, fill2, stroke, shadow;
        bool fills = false, strokes = false, shadows = false, flipH = false, flipV = false, images = false;
        int fillType = 0, linePattern = 0, shadowBlur = 0;
        double fillAngle = 0, shadowDistance = 0, shadowAngle = 0;
        float lineWidth = 0, angle = 0, opacity = 0, xOffset = 0, yOffset = 0, xScale = 0, yScale = 0;
        bool scaleWithBox = false, missingImage = false;
        const void *image = nullptr;
        qint64 preparedImage = 0;
        std::optional<BezierPath> clip;
        bool operator==(const PathLook &) const = default;
    };
    // The selection's dashed outline: its colour, line width and dash length.
    struct SelectionLook
    {
        QColor stroke;
        double hairline = 0, dash = 0;
        bool operator==(const SelectionLook &) const = default;
    };
    PathLook objectLook() const;
    // What a picture of the object or of its selection is made of, now.
    KeptPicture::Subject pictureSubject(KeptPicture::LookPtr look) const;
    // Where the pictures lie: the frame's corner and all the object paints (the stroke and its
    // joins, the turned frame, the shadow).
    // `upright`: placed in the object's own frame, for a painter that turns and mirrors it.
    KeptPicture::Placement picturePlacement(bool upright = false) const;
    // YES when the whole drawing turns and mirrors with the frame (nothing falls in the page's
    // own directions), so that its pictures are made upright and laid down turned.
    bool turnsAsWhole() const;
    // YES when the outline is drawn from kept pictures: one of many thousand points, drawn for
    // the screen or for a small picture of the label.
    bool drawsFromPictures() const;
    // YES when the outline is drawn from kept pictures on `painter`: as drawsFromPictures(), or
    // one whose antialiased fill and stroke cost the rasteriser more than a copy of its picture
    // on the screen of a design of thousands of objects (drawsScreenOfMany).
    bool drawsFromPictures(const QPainter *painter) const;
    // The area a picture of the object arrived for, repainted.
    void pictureArrived(const QRectF &fromCorner);

    // What a drag of the selected point may change, read once per press: the vertices joined
    // to it, and the elements drawn anew while it moves (those whose points it may move, the
    // ones starting where those end, the close of its subpath), in order.
    struct DragPlan
    {
        BezierPoint point;
        // The outline's number (outlineNumber) the plan was read from.
        quint64 outline = 0;
        int move = -1, closing = -1, next = -1, previous = -1;
        std::vector<int> live;
    };
    // The plan for the selected point, read when missing; null without one.
    const DragPlan *dragPlan();
    // The outline as it was, for Undo: the stored outline (shared, not copied), the frame, the
    // outline's number, and the elements changed since (the drag's live ones).
    struct SavedOutline
    {
        BezierPath stored;
        QRectF frame;
        quint64 generation = 0;
        QPointF anchor;
        std::vector<int> changed;
    };
    SavedOutline savedOutline() const;
    // Puts a saved outline back exactly, registering the way back to the present one.
    void restoreOutline(const SavedOutline &saved);
    // Moves one point of the selected element to `point` (page points), with the points the drag
    // rules move along, changing only those in the stored outline.
    void movePointInPlace(const QPointF &point, bool shift);
    // Stored outline -> page points, as the fitting maps it into the frame now.
    QTransform fitting() const;
    // The stored outline's bounds, and those of its control points, kept for its present points.
    QRectF storedBounds() const;
    QRectF storedControlBounds() const;
    // Elements `live` are about to be drawn anew (a drag starts, or another point is selected):
    // what the kept edit pictures hold of the rest stays valid only while that set stays.
    void setLiveElements(const std::vector<int> &live);
    // The outline changed other than by a drag within the live set: the kept edit pictures of
    // the rest are out of date.
    void outlineChanged();
    // The area, in page points, that the live elements' drawing covers.
    QRectF liveArea();
    // Redraws the live elements' area, as it was (`before`) and as it is.
    void invalidateLive(const QRectF &before);
    // The edit drawings, from kept pictures or as they are.
    struct EditMarks;
    EditMarks editMarks(bool forPoints, QColor stroke);
    bool drawsEditFromPictures() const;
    void drawEditPicture(QPainter *painter, KeptPicture &kept, bool forPoints, QColor stroke);

    // The stored form of the outline as propertyListRepresentation writes it.
    QByteArray archivedOutline() const;
    // A complex outline this program stored just now, with the pictures the screen keeps of
    // it: what the copy a Duplicate or a Paste reads from that same stored form takes.
    struct KeptOutline
    {
        BezierPath outline;
        std::shared_ptr<const void> picture, selectionPicture;
    };
    static std::optional<KeptOutline> keptOutline(const QByteArray &data);
    // Takes the kept pictures as this object's own, for its present outline.
    void adoptPictures(const KeptOutline &kept);
    // A number no outline of any path had before.
    static quint64 nextPathGeneration();

    // The stored outline scaled and moved into `frame`.
    BezierPath fittedTo(const QRectF &frame) const;
    // Sets the outline from page points and registers the way back to the present one.
    void restoreBezierPath(const BezierPath &pagePath);
    void closeDragGroup();
    void redrawCanvas();
    // What drawObject paints, without the kept picture.
    void paintObject(QPainter *painter);
    // The same as a function holding copies of what it draws, which another thread may call
    // unless showsImageInOutline(). For a picture, the outline's fill and its wider strokes are
    // antialiased by supersampling, whose time grows with the scale alone (see CoverageMask.h).
    // `upright`: drawn in the frame's own directions, for a painter that turns and mirrors it.
    std::function<void(QPainter *)> objectPainting(bool forPicture = false, bool forScreen = false, bool upright = false);
    bool showsImageInOutline() const;
    // The dashed outline of a selected complex path, likewise.
    std::function<void(QPainter *)> selectionPainting(QColor stroke, double hairline, double dash) const;

    // Leaving point editing puts back the arrow when the edit-point pointer is showing.
    void restorePointer();

    std::optional<BezierPath> colorPath;
    bool edit = false;
    BezierPoint bp;
    bool dragGroupOpen = false;
    // From an Option-press on a vertex to the release: the handle across the vertex comes
    // out as far as the dragged one.
    bool pullingHandles = false;
    bool editPointerShown = false;
    // Changes with every new outline, so that a kept picture knows it is out of date; no two
    // outlines of any paths share one.
    quint64 pathGeneration = nextPathGeneration();
    KeptPicture picture;
    KeptPicture selectionPicture;
    // What the pictures kept only for what the path costs to draw among thousands of objects
    // hold of the budget all such pictures share.
    qint64 costlyPictureBytes = 0;
    qint64 costlySelectionBytes = 0;
    // Whether a picture of `bytes` fits the budget once what `held` counts is given back; if
    // so it is counted in `held`.
    static bool admitCostlyPicture(qint64 &held, qint64 bytes);
    static void releaseCostlyPicture(qint64 &held);

    // The plan of the point pressed last.
    std::optional<DragPlan> plan;
    // The drag in progress registered its Undo (once: the outline of its start).
    bool dragUndoRegistered = false;
    // The number of the outline but the live elements (`liveSet`): the kept edit pictures of
    // the rest are of it. A drag within the live set keeps it.
    quint64 outlineNumber = nextPathGeneration();
    std::vector<int> liveSet;
    // The point of the stored outline the kept edit pictures are placed from: it stays on its
    // place of the page while the stored outline is moved back to 0,0 after a drag.
    QPointF pictureAnchor;
    // The stored outline's bounds, for the outline of `generation`.
    mutable struct
    {
        quint64 generation = 0, controlGeneration = 0;
        QRectF bounds, controls;
    } extent;
    // The area of the rest of the outline (its control points' bounds) from the anchor, for the
    // kept edit pictures of the outline `number`.
    struct
    {
        quint64 number = 0;
        QRectF fromAnchor;
    } restExtent;
    KeptPicture editOutlinePicture;
    KeptPicture editPointsPicture;
};

} // namespace quillmark
