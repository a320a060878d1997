#pragma once
// What a graphic object needs of the canvas that holds it. The canvas implements this;
// objects keep a non-owning pointer to it and do nothing that reaches the canvas (undo,
// redraw, rulers) while they have none.
#include <QCursor>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <memory>

#include "platform/BezierPath.h"

namespace quillmark {

class ColorRect;
class UndoManager;

class CanvasServices
{
public:
    virtual ~CanvasServices() = default;

    // The window's undo stack that every object setter, typing in object text and the
    // canvas's own commands share. May be null.
    virtual UndoManager *undoManager() = 0;

    // The raw zoom value (1.0 at 100 %): knobs, link marks and dashed outlines divide by it
    // so that they keep their size on the screen.
    virtual double getZoomCoeff() const = 0;
    // The displayed zoom (zoom value over the screen factor): hairlines divide by it.
    virtual double getZoom() const = 0;

    // Marks the object's drawing bounds as needing display; null marks the whole canvas.
    virtual void invalidateGraphic(const ColorRect *graphic) = 0;
    // Marks a rectangle of page points as needing display.
    virtual void invalidateRect(const QRectF &rect) = 0;

    virtual void updateRulers() = 0;
    // Open while one command changes many objects: what depends on the whole design or the
    // whole selection (the rulers, the redraw, the window's commands) is brought up to date
    // once, when the outermost batch ends, not after each object. Every begin has its end.
    virtual void beginChangeBatch() {}
    virtual void endChangeBatch() {}
    virtual void beginEchoingMoveToRulers(const QRectF &rect) = 0;
    virtual void continueEchoingMoveToRulers(const QRectF &rect) = 0;
    virtual void stopEchoingMoveToRulers() = 0;

    // Marks the document as changed (or not). Object setters never call it; the commands
    // that call them do.
    virtual void wasChanged(bool flag) = 0;

    // "Inches", "Centimeters", "Points" or "Picas".
    virtual QString measure() = 0;

    // The page and layer that new objects go to and that are drawn in full and hit.
    virtual QString currentPageName() const = 0;
    virtual int currentLayer() const = 0;

    // The label-shape paths of a label with a centre hole: type 2 the hole, types 0 and 1
    // the two halves of the area outside the circle inscribed in the label; an empty path
    // when the label has no hole. A non-empty label type name picks the free-layout stock's
    // first label of that type.
    virtual BezierPath bezierPath(int type, const QString &labelType) const = 0;

    // YES when the canvas draws the pages by label type rather than by label position.
    virtual bool drawByType() const { return false; }

    // The canvas's view bounds in page points.
    virtual QRectF bounds() const = 0;
    // YES while drawing for printing or export: no selection looks, finer outlines.
    virtual bool isPrinting() const = 0;
    // YES while a small picture of the label is drawn (the one a design's file, the clipboard's
    // copy or a template carries): what the screen keeps of an object stands in for drawing it
    // anew, and a drawing of seconds is not waited for.
    virtual bool isDrawingDocumentPreview() const { return false; }
    // YES while the print options' preview of the label is drawn: a small picture too, but one
    // the user looks at while it is up, so a picture nothing is kept of yet is made aside for it
    // and shows its place meanwhile.
    virtual bool isDrawingPrintPreview() const { return false; }
    // YES while database preview is on: merge objects show the current record's values.
    virtual bool databasePreview() const { return false; }
    // Every object of every page in stacking order, later ones above earlier ones.
    virtual QList<std::shared_ptr<ColorRect>> getRects() const = 0;
    // How many objects the design holds, on every page.
    virtual qsizetype objectCount() const { return 0; }
    // The objects whose outlines the text of `box` flows around: runaround on, above the box
    // on its page and layer, reaching into it; bottom to top.
    virtual QList<std::shared_ptr<ColorRect>> runaroundObstacles(const ColorRect &box) const;
    // An object with runaround had it switched, or runaround was switched on an object.
    virtual void runaroundChanged() {}
    // A point in page points snapped by the canvas grid.
    virtual QPointF constrainedPoint(const QPointF &point) const = 0;
    // Makes the drawer controls follow the selection's image (rotation, mask check box).
    virtual void setDrawersItemsState() = 0;
    // Forgets the grid's snap guides before the next constrainedPoint of a drag.
    virtual void clearGridSnap() = 0;
    // The current grid label's width in page points (the band of label-wide runaround).
    virtual double labelWidth() const = 0;
    // Its height in page points.
    virtual double labelHeight() const { return labelWidth(); }
    // The current label in page points, its top-left corner at the origin; empty when the
    // canvas has none.
    virtual QRectF labelBounds() const { return {}; }
    // The cursor over the canvas's scroll view (a path in point-edit mode changes it).
    virtual void setDocumentCursor(const QCursor &cursor) = 0;
    // The print command, for an object whose text has the keyboard focus.
    virtual void print() = 0;
    // An object that cannot print what it should (a barcode whose numbering file cannot be
    // read) says why; the print command tells the user once per job.
    virtual void reportPrintProblem(const QString &message) {}
    // Refreshes the rulers and the inspector's font values without changing any object.
    virtual void changeFont() = 0;
    // Refreshes the inspector's geometry controls from the selection.
    virtual void updateObjectValues() = 0;
    // Chooses a tool as if its button had been clicked (0 select, 2 text).
    virtual void setupCurrObjectTool(int tool) {}

    // Folders of images. The built-in ones lie in the shipped resources; the user's
    // clip-art folder lies in the user's application-support folder and may not exist yet.
    static QString clipartPath();
    static QString backgroundPath();
    static QString clipartUserPath();

    // Class-wide flag that the image browser's list of user images must be reloaded.
    static void setUpdateUserUmages(bool flag);
    static bool updateUserUmages();
};

} // namespace quillmark
