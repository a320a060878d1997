#pragma once
// The canvas's snapping. While graphics are dragged or created, a candidate point is pulled
// onto nearby edges: first the label's outline bounds, then the edges of the other graphics
// and groups of the edited layer. A snap to another graphic records a vertical and/or a
// horizontal guide spanning the dragged selection and that graphic; the canvas draws the
// guides dashed in blue until they are cleared. The grid draws no lattice of lines.
//
// The snap distance is 10 screen points: 10 / displayed zoom in page points. One snap per
// axis is recorded between two clears (the first graphic that catches an axis wins it), so
// callers clear before each new snap of a drag.
#include <QColor>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace quillmark {

class RectsView;

class TGrid
{
public:
    TGrid();

    void setRectsView(RectsView *view) { rectsView = view; }
    RectsView *getRectsView() const { return rectsView; }

    bool isUsable() const { return _spacing > 0.0f; }
    bool isConstraining() const { return _isConstraining; }
    void setConstraining(bool flag) { _isConstraining = flag; }
    bool isAlwaysShown() const { return _isAlwaysShown; }
    // A vertical guide (`isDraw`) or a horizontal guide (`isDrawY`) is recorded.
    bool isDraw() const { return _draw; }
    bool isDrawY() const { return _drawY; }
    bool isEmpty() const { return !_draw && !_drawY; }
    float spacing() const { return _spacing; }
    QColor color() const { return _color; }

    // The ends of the recorded guides in page points (zero points when none).
    QPointF startPoint() const { return _startPt; }
    QPointF endPoint() const { return _endPt; }
    QPointF startPointY() const { return _startPtY; }
    QPointF endPointY() const { return _endPtY; }

    // Forgets the guides and has the canvas redrawn; nothing when there are none.
    void clear();

    // The snap distance in page points at the canvas's displayed zoom.
    float tolerance() const;
    // p pulled onto R's edges: x to R's left edge when nearer than the tolerance, then to its
    // right edge; y likewise with the top and the bottom. The centre does not attract.
    QPointF constrainedRect(const QPointF &point, const QRectF &rect) const;
    // p snapped to the label outline (no guide), or else to the other graphics and groups
    // of the edited layer, recording a guide per axis caught.
    QPointF constrainedPoint(const QPointF &point);
    // The same for a selection whose bounds the caller has found already: a drag asks for
    // several corners at each step, and finding the bounds walks thousands of objects.
    QPointF constrainedPoint(const QPointF &point, const QRectF &selection);
    // What a point is snapped to besides the label: the rotated frames of the edited layer's
    // objects and groups that are not being dragged, in the order they are tried.
    QList<QRectF> snapTargets() const;
    // The same again with the targets found already: the corners of one drag step share them.
    QPointF constrainedPoint(const QPointF &point, const QRectF &selection, const QList<QRectF> &targets);

    // Strokes the recorded guides (only while snapping is on), at the end of the canvas's
    // drawing, in page points.
    void drawRect(QPainter *painter) const;

private:
    // Snaps p to R; records the guides of the axes that moved and are still free.
    void snapToGraphic(QPointF &point, const QRectF &rect, const QRectF &selection);

    RectsView *rectsView = nullptr;
    QColor _color;
    float _spacing = 10.0f;
    bool _isAlwaysShown = false;
    bool _isConstraining = true;
    bool _draw = false;
    bool _drawY = false;
    QPointF _startPt;
    QPointF _endPt;
    QPointF _startPtY;
    QPointF _endPtY;
};

} // namespace quillmark
