// The object model's plain geometry routines: vector angles, closed paths, the smooth path
// through points and the rotation of 16-bit points.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "objects/GeometryHelpers.h"

using namespace quillmark;

namespace {

constexpr double Pi = 3.14159265358979323846;

} // namespace

TEST(GeometryHelpers, VectorAngleCoversTheCircle)
{
    struct Case { double dx, dy, expected; } cases[] = {
        {1, 0, 0}, {0, 1, Pi / 2}, {-1, 0, Pi}, {0, -1, 3 * Pi / 2},
        {1, -1, 7 * Pi / 4}, {1, 1, Pi / 4}, {-1, 1, 3 * Pi / 4}, {-1, -1, 5 * Pi / 4},
        {0, 0, Pi / 2},
    };
    for (const Case &c : cases)
        EXPECT_NEAR(vectorAngle(c.dx, c.dy), c.expected, 1e-12) << c.dx << "," << c.dy;
    EXPECT_NEAR(angleBetweenPoints(5, 5, 5, 2), 3 * Pi / 2, 1e-12);
}

TEST(GeometryHelpers, NormalizedAngleDifferenceStaysWithinAHalfTurn)
{
    EXPECT_NEAR(normalizedAngleDifference(0, 3 * Pi / 2), -Pi / 2, 1e-12);
    EXPECT_DOUBLE_EQ(normalizedAngleDifference(0, Pi), Pi);
    EXPECT_NEAR(normalizedAngleDifference(Pi / 2, -Pi), Pi / 2, 1e-12);
    EXPECT_NEAR(normalizedAngleDifference(0, 7 * Pi), Pi, 1e-9);
    EXPECT_NEAR(normalizedAngleDifference(0, -7 * Pi), -Pi, 1e-9);
    // A huge difference comes back at once instead of looping a turn at a time.
    const double d = normalizedAngleDifference(0, 1e300);
    EXPECT_LE(std::abs(d), Pi);
}

TEST(GeometryHelpers, ClosedPaths)
{
    EXPECT_FALSE(isPathClosed(BezierPath()));
    const BezierPath rect = BezierPath::bezierPathWithRect(QRectF(0, 0, 10, 10));
    EXPECT_TRUE(isPathClosed(rect));
    EXPECT_EQ(closedPathCopy(rect), rect);

    BezierPath open;
    open.moveTo({0, 0});
    open.lineTo({10, 0});
    EXPECT_FALSE(isPathClosed(open));
    const BezierPath closed = closedPathCopy(open);
    EXPECT_TRUE(isPathClosed(closed));
    EXPECT_EQ(closed.elementCount(), 3);
    EXPECT_EQ(open.elementCount(), 2);
}

TEST(GeometryHelpers, SmoothPathThroughFewPoints)
{
    EXPECT_TRUE(smoothPathThroughPoints(nullptr, 0).isEmpty());
    const QPointF one[] = {{3, 4}};
    const BezierPath a = smoothPathThroughPoints(one, 1);
    ASSERT_EQ(a.elementCount(), 2);
    EXPECT_EQ(a.elementAt(0), BezierPath::MoveTo);
    EXPECT_EQ(a.elementAt(1), BezierPath::ClosePath);
    const QPointF two[] = {{0, 0}, {10, 0}};
    const BezierPath b = smoothPathThroughPoints(two, 2);
    ASSERT_EQ(b.elementCount(), 3);
    EXPECT_EQ(b.elementAt(1), BezierPath::LineTo);
}

TEST(GeometryHelpers, SmoothPathPassesThroughEveryPoint)
{
    const QPointF points[] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    const BezierPath path = smoothPathThroughPoints(points, 4);
    ASSERT_EQ(path.elementCount(), 5);
    EXPECT_EQ(path.elementAt(0), BezierPath::MoveTo);
    QPointF pts[3];
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(path.elementAt(i, pts), BezierPath::CurveTo);
        EXPECT_NEAR(pts[2].x(), points[i].x(), 1e-9);
        EXPECT_NEAR(pts[2].y(), points[i].y(), 1e-9);
    }
    EXPECT_EQ(path.elementAt(4), BezierPath::ClosePath);
    // First segment: the control point leaves P0 along the direction from P1 to P0 turned
    // half way round, i.e. towards P1, at half the segment's length.
    path.elementAt(1, pts);
    EXPECT_NEAR(pts[0].x(), 50, 1e-9);
    EXPECT_NEAR(pts[0].y(), 0, 1e-9);
}

TEST(GeometryHelpers, VectorLengthAndAngleIgnoresTheSignOfDy)
{
    double angle = -1;
    EXPECT_DOUBLE_EQ(vectorLengthAndAngle(3, 4, &angle), 5);
    EXPECT_NEAR(angle, std::asin(0.8) * 180 / Pi, 1e-9);
    EXPECT_DOUBLE_EQ(vectorLengthAndAngle(3, -4, &angle), 5);
    EXPECT_NEAR(angle, std::asin(0.8) * 180 / Pi, 1e-9);
    vectorLengthAndAngle(-3, 4, &angle);
    EXPECT_NEAR(angle, 180 - std::asin(0.8) * 180 / Pi, 1e-9);
    vectorLengthAndAngle(-2, 0, &angle);
    EXPECT_DOUBLE_EQ(angle, 180);
    angle = -1;
    EXPECT_EQ(vectorLengthAndAngle(0, 0, &angle), 0);
    EXPECT_EQ(angle, 0);
    EXPECT_DOUBLE_EQ(vectorLengthAndAngle(6, 8, nullptr), 10);
}

TEST(GeometryHelpers, PointsAngleOfSixteenBitPoints)
{
    double angle = -1;
    EXPECT_DOUBLE_EQ(pointsAngle({0, 0}, {5, 0}, &angle), 5);
    EXPECT_NEAR(angle, 90, 1e-9);
    pointsAngle({0, 0}, {-5, 0}, &angle);
    EXPECT_NEAR(angle, 90, 1e-9);
    pointsAngle({0, 0}, {0, -5}, &angle);
    EXPECT_NEAR(angle, 180, 1e-9);
}

TEST(GeometryHelpers, RotatePointsQuarterTurnsAreExact)
{
    Point p[] = {{0, 10}};
    rotatePoints(p, 1, {0, 0}, 90);
    EXPECT_EQ(p[0].v, -10);
    EXPECT_EQ(p[0].h, 0);

    // Four quarter turns come back exactly, with no drift.
    Point q[] = {{123, -45}, {-300, 7}};
    for (int i = 0; i < 4; ++i)
        rotatePoints(q, 2, {10, 20}, 90);
    EXPECT_EQ(q[0].v, 123);
    EXPECT_EQ(q[0].h, -45);
    EXPECT_EQ(q[1].v, -300);
    EXPECT_EQ(q[1].h, 7);

    Point r[] = {{0, 10}};
    rotatePoints(r, 1, {0, 0}, -90); // the same as 270
    EXPECT_EQ(r[0].v, 10);
    EXPECT_EQ(r[0].h, 0);

    Point s[] = {{0, 10}};
    rotatePoints(s, 1, {0, 0}, 180);
    EXPECT_EQ(s[0].v, 0);
    EXPECT_EQ(s[0].h, -10);
}

TEST(GeometryHelpers, RotatePointsCutsTowardsZeroAndStaysInRange)
{
    Point p[] = {{0, 10}};
    rotatePoints(p, 1, {0, 0}, 45);
    EXPECT_EQ(p[0].v, -7); // -7.07 cut towards zero
    EXPECT_EQ(p[0].h, 7);

    Point none[] = {{1, 2}};
    rotatePoints(none, 0, {0, 0}, 90);
    rotatePoints(none, -3, {0, 0}, 90);
    EXPECT_EQ(none[0].v, 1);
    EXPECT_EQ(none[0].h, 2);

    Point far[] = {{32767, 32767}};
    rotatePoints(far, 1, {-32768, -32768}, 45);
    EXPECT_EQ(far[0].h, 32767);
}
