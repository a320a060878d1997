// The path warps of shaped text: point tables of several styles, the clamp, curves keeping
// their elements, and the paths without points.
#include <gtest/gtest.h>

#include <cmath>

#include "objects/PathWarps.h"

using namespace quillmark;

namespace {

struct PointCase
{
    int style;
    QPointF in;
    QPointF out;
};

} // namespace

TEST(PathWarps, PointTablesOfTheStyles)
{
    const QRectF b(0, 0, 100, 80);
    const PointCase cases[] = {
        // Shear of style 18: none at the top, a quarter width at the bottom.
        {18, {0, 80}, {25, 80}},
        {18, {0, 0}, {0, 0}},
        {18, {100, 0}, {75, 0}},
        {18, {100, 80}, {100, 80}},
        {19, {0, 0}, {25, 0}},
        {19, {0, 80}, {0, 80}},
        {19, {100, 0}, {100, 0}},
        // Lens: the side edges collapse onto the middle line.
        {11, {0, 0}, {0, 40}},
        {11, {0, 80}, {0, 40}},
        {11, {100, 17}, {100, 40}},
        {11, {50, 0}, {50, 0}},
        {11, {50, 80}, {50, 80}},
        // Half ellipse over a straight bottom; hanging from a straight top.
        {8, {0, 0}, {0, 80}},
        {8, {50, 0}, {50, 0}},
        {8, {50, 80}, {50, 80}},
        {9, {0, 80}, {0, 0}},
        {9, {50, 80}, {50, 80}},
        // Straight band climbing from the bottom half to the top half.
        {16, {0, 0}, {0, 40}},
        {16, {100, 0}, {100, 0}},
        {16, {100, 80}, {100, 40}},
        {17, {0, 0}, {0, 0}},
        // Arch: top half at the centre line, bottom half at the edges.
        {4, {50, 0}, {50, 0}},
        {4, {0, 0}, {0, 40}},
        {5, {50, 0}, {50, 40}},
        {5, {0, 0}, {0, 0}},
        // Top edge straight, bottom rising to half height at the centre.
        {6, {50, 80}, {50, 40}},
        {6, {0, 80}, {0, 80}},
        {7, {50, 0}, {50, 40}},
        {7, {50, 80}, {50, 80}},
        // Pinched band centred on the middle line.
        {10, {50, 0}, {50, 20}},
        {10, {50, 80}, {50, 60}},
        // Trapezoids: bottom (top) edge half as wide.
        {14, {0, 80}, {25, 80}},
        {14, {100, 80}, {75, 80}},
        {14, {0, 0}, {0, 0}},
        {15, {0, 0}, {25, 0}},
        {15, {0, 80}, {0, 80}},
        // Slope of style 12: full height at the left, half at the right.
        {12, {0, 80}, {0, 80}},
        {12, {100, 80}, {100, 40}},
        {13, {0, 80}, {0, 40}},
    };
    for (const PointCase &c : cases) {
        const QPointF p = PathWarps::warpPoint(c.style, c.in, b);
        EXPECT_NEAR(p.x(), c.out.x(), 1e-4) << "style " << c.style << " at " << c.in.x() << "," << c.in.y();
        EXPECT_NEAR(p.y(), c.out.y(), 1e-4) << "style " << c.style << " at " << c.in.x() << "," << c.in.y();
    }
}

TEST(PathWarps, StyleTwoIsCentredToWithinAPoint)
{
    const QRectF b(0, 0, 100, 80);
    const QPointF top = PathWarps::warpPoint(2, QPointF(50, 0), b);
    // D = h/4 + trunc(h/3) - h/3 at the centre line.
    EXPECT_NEAR(top.y(), 20.0f + 26.0f - 80.0f / 3.0f, 1e-4);
    // Style 3 mirrors style 2.
    const QPointF left2 = PathWarps::warpPoint(2, QPointF(10, 0), b);
    const QPointF right3 = PathWarps::warpPoint(3, QPointF(90, 0), b);
    EXPECT_NEAR(left2.y(), right3.y(), 1e-4);
}

TEST(PathWarps, WavesStayNearTheBandAndDiffer)
{
    const QRectF b(0, 0, 120, 80);
    double differ = 0;
    for (int x = 0; x <= 120; x += 10) {
        const QPointF p20 = PathWarps::warpPoint(20, QPointF(x, 0), b);
        const QPointF p21 = PathWarps::warpPoint(21, QPointF(x, 0), b);
        EXPECT_GE(p20.y(), -20.0);
        EXPECT_LE(p20.y(), 80.0);
        differ += std::abs(p20.y() - p21.y());
    }
    EXPECT_GT(differ, 10.0);
    // Top edge at u = 0 for style 20: D = 16 + trunc(20 sin(2 pi 20 / 160)).
    const float expected = 16.0f + std::trunc(20.0f * std::sin(2.0f * 3.14159265f * 20.0f / 160.0f));
    EXPECT_NEAR(PathWarps::warpPoint(20, QPointF(0, 0), b).y(), expected, 1e-3);
}

TEST(PathWarps, ClampAndStylesWithoutAWarp)
{
    const QRectF b(10, 10, 100, 80);
    for (int style : {0, 1, 22, -3}) {
        EXPECT_EQ(PathWarps::warpPoint(style, QPointF(0, 200), b), QPointF(10, 200));
        EXPECT_EQ(PathWarps::warpPoint(style, QPointF(500, -5), b), QPointF(110, -5));
    }
    EXPECT_EQ(PathWarps::warpPoint(0, QPointF(std::nan(""), 3), b), QPointF(10, 3));
    // Left of the bounds maps like the left edge; y outside the bounds is not clamped.
    EXPECT_EQ(PathWarps::warpPoint(11, QPointF(-50, 200), b), PathWarps::warpPoint(11, QPointF(10, 200), b));
    EXPECT_EQ(PathWarps::warpWidthFactor(18, b), 0.75f);
    EXPECT_EQ(PathWarps::warpWidthFactor(4, b), 1.0f);
    EXPECT_EQ(PathWarps::ellipseProfile(0, b), 80);
    EXPECT_EQ(PathWarps::ellipseProfile(50, b), 0);
    EXPECT_EQ(PathWarps::linearProfile(50, b), 40);
    EXPECT_EQ(PathWarps::waveOffset(10, 40, 20), 20);
}

TEST(PathWarps, PathsKeepTheirElements)
{
    EXPECT_FALSE(PathWarps::warpBezierPath(nullptr, 4, QRectF(0, 0, 10, 10)));
    BezierPath empty;
    ASSERT_TRUE(PathWarps::warpBezierPath(&empty, 4, QRectF(0, 0, 10, 10)));
    EXPECT_TRUE(PathWarps::warpBezierPath(&empty, 4, QRectF(0, 0, 10, 10))->isEmpty());

    BezierPath path;
    path.moveTo(QPointF(0, 0));
    path.lineTo(QPointF(100, 0));
    path.curveTo(QPointF(0, 80), QPointF(100, 80), QPointF(50, 40));
    path.closePath();
    const BezierPath warped = *PathWarps::warpBezierPath(&path, 18, QRectF(0, 0, 100, 80));
    ASSERT_EQ(warped.elementCount(), path.elementCount());
    QPointF pts[3];
    EXPECT_EQ(warped.elementAt(1, pts), BezierPath::LineTo);
    EXPECT_EQ(pts[0], QPointF(75, 0));
    ASSERT_EQ(warped.elementAt(2, pts), BezierPath::CurveTo);
    EXPECT_EQ(pts[0], PathWarps::warpPoint(18, QPointF(100, 80), QRectF(0, 0, 100, 80)));
    EXPECT_EQ(pts[2], QPointF(25, 80));
    EXPECT_EQ(warped.elementAt(3), BezierPath::ClosePath);
    // Bounds without area leave the path as it is.
    EXPECT_EQ(PathWarps::warpBezierPath(&path, 18, QRectF(0, 0, 0, 80))->elementCount(), 4);
}
