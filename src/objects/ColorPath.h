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
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

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

    // The outline fitted to the frame, in page points; empty without a stored outline.
    BezierPath bezierPath() const override;
    // Takes an outline in page points: the frame becomes its bounds (without undo) and the
    // outline is kept moved to 0,0. Registers no undo of its own.
    void setBezierPath(const BezierPath &path);

    void drawFrame(QPainter *painter, const QRectF &aRect, bool selected) override;
    // The object as it prints: fill, gradient, shadow, image and stroke of the outline.
    void drawObject(QPainter *painter, const QRectF &aRect, bool selected);
    // The outline as a one-pixel dark grey line (point-edit mode).
    void drawEditBezier(QPainter *painter);
    // The edit points: end points as circles, control points as squares with their lines.
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

    QVariantMap propertyListRepresentation(const GraphicList *graphics = nullptr) override;
    // An outline of many points is written through the table of written outlines, on the
    // window's thread only.
    bool formReadableOffThread(const QTextDocument **text) override;
    void loadPropertyListRepresentation(const QVariantMap &dict) override;

private:
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
    KeptPicture::Placement picturePlacement() const;
    // YES when the outline is drawn from kept pictures: one of many thousand points, drawn for
    // the screen or for a small picture of the label.
    bool drawsFromPictures() const;
    // The area a picture of the object arrived for, repainted.
    void pictureArrived(const QRectF &fromCorner);

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
    std::function<void(QPainter *)> objectPainting(bool forPicture = false);
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
};

} // namespace quillmark
