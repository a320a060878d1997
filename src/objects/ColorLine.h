#pragma once
// The straight-line kind of object (line tool): one diagonal of its frame, chosen by a flag.
// A line is never filled and holds no image; it shows its two end knobs, is hit within a
// narrow band about the line, and resizes by dragging either end (Shift snaps to horizontal,
// vertical or 45 degrees). Mirroring switches the diagonal. A rotated line turns its band,
// knobs and redraw area with it.
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVariantMap>

#include <memory>

#include "objects/ColorRect.h"
#include "platform/BezierPath.h"

class QPainter;

namespace quillmark {

class ColorLine : public ColorRect
{
public:
    // Stroked, unfilled, 1 point wide, running from upper-left to lower-right.
    ColorLine();
    explicit ColorLine(const QRectF &frame);

    static std::shared_ptr<ColorLine> create(const QRectF &frame = QRectF());
    // Makes the kind known to the object factory under "ColorLine".
    static void registerKind();

    QString className() const override;
    std::shared_ptr<ColorRect> newInstance() const override;
    void copyValues(ColorRect &target) const override;

    // YES: from the frame's lower-left corner (minX, maxY) to its upper-right corner; NO:
    // from the upper-left to the lower-right. No undo, no redraw.
    void setStartsAtLowerLeft(bool flag);
    bool startsAtLowerLeft() const { return _startsAtLowerLeft; }

    bool drawsFill() const override { return false; }
    bool canDrawsImage() const override { return false; }
    bool canFill() const override { return false; }
    bool canFixRatio() const override { return false; }
    float getMaxLineWidth() const override;

    // Both switch the diagonal; the mirror flags of the base stay as they are.
    void flipHorizontally() override;
    void flipVertically() override;

    // The line from the start corner to the end corner, stroke-wide.
    BezierPath bezierPath() const override;
    // The band about the line that hits: a parallelogram with the line as one diagonal,
    // turned with the line.
    BezierPath bezierBoundsPath() const;
    // Knobs 3, 6 and the rotation knob for a lower-left start, else 1, 8 and 11.
    unsigned knobMask() const override;
    QRectF drawingBounds() const override;
    bool hitTest(const QPointF &point, bool selected) const override;
    // The rectangle of the redraw area.
    BezierPath getRotatedBounds() const override;
    // The rubber band selects a line that it touches with its hit band.
    bool outlineIntersectsRect(const QRectF &rect) const override;
    int rotateKnobUnderPoint(const QRectF &knobRect, const QPointF &point) const override;
    int resizeByMovingKnob(int knob, const QPointF &point, unsigned modifierFlags) override;
    // The two end knobs only: no dashed outline, no rotation knob.
    void drawHandlesInView(QPainter *painter) override;
    // A line shows no centre mark.
    void drawCenter(QPainter *painter) override;

    // The inspector's single-argument angle: a line keeps the angle 0. No undo, no redraw.
    using ColorRect::setAngle;
    void setAngle(float ignored);

    QVariantMap propertyListRepresentation(const GraphicList *graphics = nullptr,
                                           const LinkedTextPlaces *places = nullptr) override;
    void loadPropertyListRepresentation(const QVariantMap &dict) override;

    // Where Shift puts the moving end of a line fixed at `anchor` when dragged to `point`:
    // straight down or up, straight across, or at 45 degrees.
    static QPointF snappedEnd(const QPointF &anchor, const QPointF &point);

private:
    void setLineDefaults();

    bool _startsAtLowerLeft = false;
};

} // namespace quillmark
