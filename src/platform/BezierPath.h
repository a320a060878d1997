#pragma once
// A vector path with the element model the drawing code is written against: moves, lines,
// cubic curves and closes, addressable by index, with its own line width, winding rule,
// dash and flatness. QPainterPath is only the form handed to QPainter.
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>
#include <QVector>

namespace quillmark {

class BezierPath
{
public:
    enum ElementType { MoveTo, LineTo, CurveTo, ClosePath };
    enum WindingRule { NonZeroWinding, EvenOddWinding };

    struct Element
    {
        ElementType type = MoveTo;
        // MoveTo/LineTo: points[0]. CurveTo: control 1, control 2, end point. ClosePath: none.
        QPointF points[3];
    };

    // Flatness used by paths that are not given their own.
    static constexpr qreal DefaultFlatness = 0.1;

    BezierPath() = default;

    static BezierPath bezierPathWithRect(const QRectF &rect);
    static BezierPath bezierPathWithOvalInRect(const QRectF &rect);
    static BezierPath bezierPathWithRoundedRect(const QRectF &rect, qreal xRadius, qreal yRadius);

    // Building. A line or curve on a path without a current point starts a subpath at its
    // end point instead of failing.
    void moveTo(const QPointF &point);
    void lineTo(const QPointF &point);
    void curveTo(const QPointF &endPoint, const QPointF &controlPoint1, const QPointF &controlPoint2);
    void closePath();
    void relativeMoveTo(const QPointF &delta);
    void relativeLineTo(const QPointF &delta);
    void relativeCurveTo(const QPointF &endDelta, const QPointF &control1Delta,
                         const QPointF &control2Delta);

    void appendPath(const BezierPath &other);
    // Four cubic curves starting at (maxX, midY), running counter-clockwise in y-up terms
    // (clockwise on a y-down page), closed.
    void appendOvalInRect(const QRectF &rect);
    // Move to the origin, three lines round the rectangle, close.
    void appendRect(const QRectF &rect);
    // Radii are clamped to half the size; non-positive radii give a plain rectangle.
    void appendRoundedRect(const QRectF &rect, qreal xRadius, qreal yRadius);
    // Angles in degrees measured from the +x axis towards +y. `clockwise` means decreasing
    // angles. When the path has a current point, a line joins it to the arc's start.
    void appendArc(const QPointF &center, qreal radius, qreal startAngle, qreal endAngle,
                   bool clockwise = false);

    void removeAllPoints();

    // Access.
    int elementCount() const { return int(m_elements.size()); }
    // Copies up to three points into `points` (may be null) and returns the element's type.
    // An index out of range reads as a ClosePath with no points.
    ElementType elementAt(int index, QPointF points[3] = nullptr) const;
    // Replaces the points of element `index` (one for moves and lines, three for curves).
    void setAssociatedPoints(const QPointF points[3], int index);
    const QVector<Element> &elements() const { return m_elements; }
    // How many points an element of the type carries: one for moves and lines, three for
    // curves, none for a close.
    static int pointCount(ElementType type);

    bool isEmpty() const { return m_elements.isEmpty(); }
    // The point a following line would start from; (0, 0) when there is none.
    QPointF currentPoint() const;
    bool hasCurrentPoint() const;

    // The smallest rectangle enclosing the drawn path (curve extrema, not control points).
    QRectF bounds() const;
    QRectF controlPointBounds() const;
    // bounds() of the path mapped by `matrix`.
    QRectF mappedBounds(const QTransform &matrix) const;

    // Inside test of the filled area under the path's winding rule; open subpaths count as
    // closed.
    bool containsPoint(const QPointF &point) const;

    void transform(const QTransform &matrix);
    BezierPath transformed(const QTransform &matrix) const;

    // The same path with every curve replaced by lines that stay within `flatness` of it.
    BezierPath flattened(qreal flatness) const;
    BezierPath flattened() const { return flattened(m_flatness); }

    // Each subpath walked backwards; line width, winding rule, dash and flatness kept.
    BezierPath reversed() const;

    // Style.
    qreal lineWidth() const { return m_lineWidth; }
    void setLineWidth(qreal width) { m_lineWidth = width; }
    WindingRule windingRule() const { return m_windingRule; }
    void setWindingRule(WindingRule rule) { m_windingRule = rule; }
    qreal flatness() const { return m_flatness; }
    void setFlatness(qreal flatness);
    // Dash lengths in points, as the drawing code gives them (see makePen for stroking).
    QList<qreal> lineDash() const { return m_dash; }
    qreal lineDashPhase() const { return m_dashPhase; }
    void setLineDash(const QList<qreal> &dash, qreal phase = 0.0);

    QPainterPath toPainterPath() const;
    // A subpath that ends on its start point reads back as closed.
    static BezierPath fromPainterPath(const QPainterPath &path);

    bool operator==(const BezierPath &other) const;
    bool operator!=(const BezierPath &other) const { return !(*this == other); }

private:
    void addFlattenedCurve(const QPointF &p0, const QPointF &c1, const QPointF &c2,
                           const QPointF &p3, qreal flatness, int depth);

    QVector<Element> m_elements;
    qreal m_lineWidth = 1.0;
    WindingRule m_windingRule = NonZeroWinding;
    qreal m_flatness = DefaultFlatness;
    QList<qreal> m_dash;
    qreal m_dashPhase = 0.0;
};

} // namespace quillmark
