#pragma once
// Plain geometry routines of the object model: angles of vectors, closing Bezier paths, a
// smooth closed path through points, knob squares and filled areas, and rotation of the barcode layer's 16-bit points.
// Angles are in radians unless a routine says degrees.
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QtGlobal>

#include "platform/BezierPath.h"

namespace quillmark {

// A point of the barcode layer: two signed 16-bit whole numbers, vertical first.
struct Point
{
    qint16 v = 0;
    qint16 h = 0;
};

// Direction of (dx, dy) in [0, 2 pi). A vertical vector gives pi/2 when dy >= 0 (the zero
// vector included) and 3 pi/2 when dy < 0.
double vectorAngle(double dx, double dy);
double angleBetweenPoints(double x1, double y1, double x2, double y2);
// b - a brought into [-pi, pi].
double normalizedAngleDifference(double a, double b);

// The square of side `side` centred on the point: a knob or a handle.
QRectF squareAt(const QPointF &center, double side);
// The area a path fills, under its own winding rule.
QPainterPath filledArea(const BezierPath &path);

// YES when the path has elements and its last one closes a subpath.
bool isPathClosed(const BezierPath &path);
// The path itself when it is closed, otherwise a copy with a close appended.
BezierPath closedPathCopy(const BezierPath &path);
// A closed path of cubic curves through the points in order (a move for one point, a line
// for two, nothing for none), always ending with a close.
BezierPath smoothPathThroughPoints(const QPointF *points, int count);

// The length of (dx, dy); `angleDegrees` gets the angle from the x axis between 0 and 180,
// whatever the sign of dy (0 for the zero vector). `angleDegrees` may be null.
double vectorLengthAndAngle(double dx, double dy, double *angleDegrees);
// vectorLengthAndAngle from p1 to p2.
double pointsAngle(Point p1, Point p2, double *angleDegrees);
// Turns every point about the centre by the angle in degrees, in place. Quarter turns are
// exact; results are cut towards zero to whole numbers.
void rotatePoints(Point *points, int count, Point center, double angleDegrees);

} // namespace quillmark
