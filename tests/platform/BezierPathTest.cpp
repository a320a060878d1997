#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cmath>
#include <string>
#include <vector>

#include "platform/BezierPath.h"

using namespace quillmark;

namespace {

void expectRectNear(const QRectF &actual, const QRectF &expected, qreal tolerance = 1e-6)
{
    EXPECT_NEAR(actual.left(), expected.left(), tolerance);
    EXPECT_NEAR(actual.top(), expected.top(), tolerance);
    EXPECT_NEAR(actual.right(), expected.right(), tolerance);
    EXPECT_NEAR(actual.bottom(), expected.bottom(), tolerance);
}

QPointF endOf(const BezierPath &path, int index)
{
    QPointF pts[3];
    return path.elementAt(index, pts) == BezierPath::CurveTo ? pts[2] : pts[0];
}

// Signed area of the flattened path; positive when it turns from +x towards +y.
qreal signedArea(const BezierPath &path)
{
    const BezierPath flat = path.flattened(0.01);
    qreal area = 0;
    QPointF start, prev;
    for (int i = 0; i < flat.elementCount(); ++i) {
        QPointF pts[3];
        switch (flat.elementAt(i, pts)) {
        case BezierPath::MoveTo:
            start = prev = pts[0];
            break;
        case BezierPath::LineTo:
            area += prev.x() * pts[0].y() - pts[0].x() * prev.y();
            prev = pts[0];
            break;
        default:
            area += prev.x() * start.y() - start.x() * prev.y();
            prev = start;
            break;
        }
    }
    return area / 2;
}

} // namespace

TEST(BezierPath, ElementsAreBuiltAndReadBackByIndex)
{
    BezierPath path;
    EXPECT_TRUE(path.isEmpty());
    EXPECT_EQ(path.lineWidth(), 1.0);
    EXPECT_EQ(path.windingRule(), BezierPath::NonZeroWinding);
    path.moveTo({1, 2});
    path.lineTo({10, 2});
    path.curveTo({20, 20}, {12, 5}, {18, 15});
    path.closePath();
    ASSERT_EQ(path.elementCount(), 4);

    QPointF pts[3];
    EXPECT_EQ(path.elementAt(0, pts), BezierPath::MoveTo);
    EXPECT_EQ(pts[0], QPointF(1, 2));
    EXPECT_EQ(path.elementAt(2, pts), BezierPath::CurveTo);
    EXPECT_EQ(pts[0], QPointF(12, 5));
    EXPECT_EQ(pts[1], QPointF(18, 15));
    EXPECT_EQ(pts[2], QPointF(20, 20));
    EXPECT_EQ(path.elementAt(3, pts), BezierPath::ClosePath);
    EXPECT_EQ(path.elementAt(99, pts), BezierPath::ClosePath);
    EXPECT_EQ(path.currentPoint(), QPointF(1, 2));

    // Writing the points back changes only that element.
    const QPointF moved[3] = {{0, 0}, {1, 1}, {30, 30}};
    path.setAssociatedPoints(moved, 2);
    EXPECT_EQ(path.elementAt(2, pts), BezierPath::CurveTo);
    EXPECT_EQ(pts[2], QPointF(30, 30));
    const QPointF start[3] = {{-5, -5}};
    path.setAssociatedPoints(start, 0);
    EXPECT_EQ(path.elementAt(0, pts), BezierPath::MoveTo);
    EXPECT_EQ(pts[0], QPointF(-5, -5));
    path.setAssociatedPoints(start, 50);
    EXPECT_EQ(path.elementCount(), 4);

    path.relativeMoveTo({1, 1});
    EXPECT_EQ(path.currentPoint(), QPointF(-4, -4));
    path.relativeLineTo({0, 10});
    EXPECT_EQ(path.currentPoint(), QPointF(-4, 6));

    path.removeAllPoints();
    EXPECT_TRUE(path.isEmpty());
    EXPECT_TRUE(path.bounds().isNull());
}

TEST(BezierPath, LineWithoutCurrentPointStartsASubpath)
{
    BezierPath path;
    path.lineTo({3, 4});
    ASSERT_EQ(path.elementCount(), 1);
    EXPECT_EQ(path.elementAt(0), BezierPath::MoveTo);
    EXPECT_EQ(path.currentPoint(), QPointF(3, 4));
}

TEST(BezierPath, BoundsFollowTheCurveNotItsControlPoints)
{
    BezierPath path;
    path.moveTo({0, 0});
    path.curveTo({100, 0}, {0, 100}, {100, 100});
    // The curve peaks at t = 0.5: y = 75.
    expectRectNear(path.bounds(), QRectF(0, 0, 100, 75));
    expectRectNear(path.controlPointBounds(), QRectF(0, 0, 100, 100));

    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(QRectF(10, 20, 80, 40));
    expectRectNear(oval.bounds(), QRectF(10, 20, 80, 40), 1e-9);

    // An S-curve with extrema on both sides in x.
    BezierPath s;
    s.moveTo({0, 0});
    s.curveTo({0, 30}, {40, 10}, {-40, 20});
    const QRectF b = s.bounds();
    EXPECT_LT(b.left(), -5);
    EXPECT_GT(b.right(), 5);
    EXPECT_GT(b.left(), -40);
    EXPECT_LT(b.right(), 40);
    // Each edge really is touched by the curve.
    const BezierPath flat = s.flattened(0.001);
    qreal minX = 0, maxX = 0;
    for (int i = 0; i < flat.elementCount(); ++i) {
        minX = std::min(minX, endOf(flat, i).x());
        maxX = std::max(maxX, endOf(flat, i).x());
    }
    EXPECT_NEAR(b.left(), minX, 0.01);
    EXPECT_NEAR(b.right(), maxX, 0.01);
}

// A mapped path's bounds, found without mapping a copy where the path is straight, agree with
// Qt's for the mapped path, straight or curved, under turns, flips and shears.
TEST(BezierPath, MappedBoundsAgreeWithQtsForEveryKindOfPath)
{
    std::vector<std::pair<const char *, BezierPath>> paths;
    paths.emplace_back("rect", BezierPath::bezierPathWithRect(QRectF(10, 20, 80, 40)));
    paths.emplace_back("flat rect", BezierPath::bezierPathWithRect(QRectF(-5, 7, 30, 0)));
    paths.emplace_back("oval", BezierPath::bezierPathWithOvalInRect(QRectF(10, 20, 80, 40)));
    BezierPath open;
    open.moveTo({0, 0});
    open.lineTo({50, -10});
    open.lineTo({20, 40});
    paths.emplace_back("open polyline", open);
    BezierPath mixed = BezierPath::bezierPathWithRect(QRectF(0, 0, 10, 10));
    mixed.moveTo({100, 100});
    mixed.curveTo({140, 120}, {100, 160}, {150, 90});
    mixed.closePath();
    paths.emplace_back("two subpaths, one curved", mixed);
    const std::vector<QTransform> transforms = {QTransform(),
                                                QTransform().rotate(33),
                                                QTransform().translate(50, 30).rotate(90).translate(-50, -30),
                                                QTransform().rotate(210).scale(-1, 1),
                                                QTransform(1.2, 0.3, -0.4, 0.9, 12, -7)};
    for (const auto &[name, path] : paths) {
        for (const QTransform &t : transforms) {
            const QRectF qt = t.map(path.toPainterPath()).boundingRect();
            SCOPED_TRACE(std::string(name) + " under m11 " + std::to_string(t.m11()));
            expectRectNear(path.mappedBounds(t), qt, 1e-6);
            expectRectNear(path.mappedBounds(t), path.transformed(t).bounds(), 1e-9);
        }
    }
    EXPECT_TRUE(BezierPath().mappedBounds(QTransform().rotate(10)).isNull());
}

TEST(BezierPath, ContainmentUnderBothWindingRules)
{
    // A ring: outer and inner oval in the same direction.
    BezierPath ring = BezierPath::bezierPathWithOvalInRect(QRectF(0, 0, 100, 100));
    ring.appendOvalInRect(QRectF(25, 25, 50, 50));
    struct Row { QPointF p; bool nonZero; bool evenOdd; };
    const Row rows[] = {
        {{50, 50}, true, false},  // the hole
        {{10, 50}, true, true},   // the band
        {{50, 90}, true, true},
        {{2, 2}, false, false},   // outside the outer oval's corner
        {{150, 50}, false, false},
        {{-1, 50}, false, false},
    };
    for (const Row &row : rows) {
        ring.setWindingRule(BezierPath::NonZeroWinding);
        EXPECT_EQ(ring.containsPoint(row.p), row.nonZero) << row.p.x() << "," << row.p.y();
        ring.setWindingRule(BezierPath::EvenOddWinding);
        EXPECT_EQ(ring.containsPoint(row.p), row.evenOdd) << row.p.x() << "," << row.p.y();
    }

    // The inner oval walked the other way leaves the hole open under non-zero too.
    BezierPath donut = BezierPath::bezierPathWithOvalInRect(QRectF(0, 0, 100, 100));
    donut.appendPath(BezierPath::bezierPathWithOvalInRect(QRectF(25, 25, 50, 50)).reversed());
    EXPECT_FALSE(donut.containsPoint({50, 50}));
    EXPECT_TRUE(donut.containsPoint({10, 50}));

    // An open subpath counts as closed.
    BezierPath triangle;
    triangle.moveTo({0, 0});
    triangle.lineTo({10, 0});
    triangle.lineTo({0, 10});
    EXPECT_TRUE(triangle.containsPoint({2, 2}));
    EXPECT_FALSE(triangle.containsPoint({8, 8}));
    EXPECT_FALSE(BezierPath().containsPoint({0, 0}));
}

TEST(BezierPath, ContainmentAgreesWithQtsFill)
{
    BezierPath path = BezierPath::bezierPathWithRoundedRect(QRectF(5, 5, 60, 40), 12, 8);
    path.appendArc({70, 60}, 25, 0, 270, false);
    path.closePath();
    for (auto rule : {BezierPath::NonZeroWinding, BezierPath::EvenOddWinding}) {
        path.setWindingRule(rule);
        const QPainterPath qt = path.toPainterPath();
        int mismatches = 0;
        for (int y = 0; y < 100; y += 3)
            for (int x = 0; x < 100; x += 3) {
                const QPointF p(x + 0.37, y + 0.61);
                if (path.containsPoint(p) != qt.contains(p))
                    ++mismatches;
            }
        EXPECT_EQ(mismatches, 0) << rule;
    }
}

TEST(BezierPath, FlatteningStaysWithinTheTolerance)
{
    const QRectF rect(0, 0, 200, 120);
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(rect);
    for (qreal flatness : {0.1, 0.5, 0.025}) {
        const BezierPath flat = oval.flattened(flatness);
        int lines = 0;
        for (int i = 0; i < flat.elementCount(); ++i) {
            const auto type = flat.elementAt(i);
            EXPECT_NE(type, BezierPath::CurveTo);
            lines += type == BezierPath::LineTo ? 1 : 0;
        }
        EXPECT_GT(lines, 8);
        EXPECT_EQ(flat.elementAt(flat.elementCount() - 1), BezierPath::ClosePath);
        // Every vertex lies on the curve and each chord's midpoint stays within the tolerance
        // of the true ellipse (the cubic approximation itself is far closer than 0.1).
        for (int i = 1; i < flat.elementCount() - 1; ++i) {
            const QPointF a = endOf(flat, i - 1), b = endOf(flat, i);
            const QPointF mid = (a + b) / 2;
            const qreal nx = (mid.x() - 100) / 100, ny = (mid.y() - 60) / 60;
            const qreal radial = std::sqrt(nx * nx + ny * ny);
            // Distance from the ellipse, approximately, along the radial direction.
            const qreal gap = (1 - radial) * std::hypot((mid.x() - 100), (mid.y() - 60)) / radial;
            EXPECT_LE(gap, flatness + 0.03) << flatness << " segment " << i;
            EXPECT_GE(gap, -0.03);
        }
    }
    EXPECT_EQ(oval.flattened().elementCount(), oval.flattened(0.1).elementCount());
}

TEST(BezierPath, OvalStartsAtTheRightAndTurnsLikeRectangles)
{
    const QRectF rect(10, 20, 80, 40);
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(rect);
    ASSERT_EQ(oval.elementCount(), 6);
    EXPECT_EQ(endOf(oval, 0), QPointF(90, 40));
    // Next quadrant end: the middle of the bottom edge on a y-down page.
    EXPECT_EQ(endOf(oval, 1), QPointF(50, 60));
    EXPECT_EQ(endOf(oval, 2), QPointF(10, 40));
    EXPECT_EQ(endOf(oval, 3), QPointF(50, 20));
    EXPECT_EQ(endOf(oval, 4), QPointF(90, 40));
    EXPECT_EQ(oval.elementAt(5), BezierPath::ClosePath);
    QPointF pts[3];
    oval.elementAt(1, pts);
    EXPECT_NEAR(pts[0].y(), 40 + 20 * 0.5522847498, 1e-9);

    const BezierPath rectPath = BezierPath::bezierPathWithRect(rect);
    ASSERT_EQ(rectPath.elementCount(), 5);
    EXPECT_EQ(endOf(rectPath, 0), QPointF(10, 20));
    EXPECT_EQ(endOf(rectPath, 1), QPointF(90, 20));
    EXPECT_EQ(endOf(rectPath, 2), QPointF(90, 60));
    EXPECT_EQ(endOf(rectPath, 3), QPointF(10, 60));
    EXPECT_EQ(rectPath.elementAt(4), BezierPath::ClosePath);

    // One turning sense for all three shapes.
    const BezierPath rounded = BezierPath::bezierPathWithRoundedRect(rect, 10, 10);
    EXPECT_GT(signedArea(oval), 0);
    EXPECT_GT(signedArea(rectPath), 0);
    EXPECT_GT(signedArea(rounded), 0);
    EXPECT_NEAR(signedArea(rectPath), 3200, 1e-9);
    EXPECT_NEAR(signedArea(oval), M_PI * 40 * 20, 2);
}

TEST(BezierPath, RoundedRectClampsItsRadii)
{
    const QRectF rect(0, 0, 40, 20);
    // Radii beyond half the size make a stadium: exactly the same as half the size.
    EXPECT_EQ(BezierPath::bezierPathWithRoundedRect(rect, 100, 100),
              BezierPath::bezierPathWithRoundedRect(rect, 20, 10));
    const BezierPath r = BezierPath::bezierPathWithRoundedRect(rect, 5, 4);
    expectRectNear(r.bounds(), rect);
    EXPECT_FALSE(r.containsPoint({0.3, 0.3}));
    EXPECT_TRUE(r.containsPoint({5, 4}));
    EXPECT_TRUE(r.containsPoint({20, 0.5}));
    // No radius: a plain rectangle.
    EXPECT_EQ(BezierPath::bezierPathWithRoundedRect(rect, 0, 5), BezierPath::bezierPathWithRect(rect));
    EXPECT_EQ(BezierPath::bezierPathWithRoundedRect(rect, -3, 5), BezierPath::bezierPathWithRect(rect));
}

TEST(BezierPath, ArcsGoTheAskedWay)
{
    const qreal tol = 1e-9;
    BezierPath arc;
    arc.appendArc({0, 0}, 10, 0, 90, false);
    ASSERT_EQ(arc.elementCount(), 2);
    EXPECT_NEAR(endOf(arc, 0).x(), 10, tol);
    EXPECT_NEAR(endOf(arc, 1).x(), 0, tol);
    EXPECT_NEAR(endOf(arc, 1).y(), 10, tol);
    expectRectNear(arc.bounds(), QRectF(0, 0, 10, 10), 1e-6);

    // Clockwise from 0 to 90 is the long way round: three quarters.
    BezierPath longWay;
    longWay.appendArc({0, 0}, 10, 0, 90, true);
    expectRectNear(longWay.bounds(), QRectF(-10, -10, 20, 20), 1e-6);
    EXPECT_NEAR(endOf(longWay, longWay.elementCount() - 1).y(), 10, tol);

    // 270 to 90 clockwise passes through 180.
    BezierPath half;
    half.appendArc({36, 36}, 36, 270, 90, true);
    expectRectNear(half.bounds(), QRectF(0, 0, 36, 72), 1e-6);

    // Every point of an arc lies on the circle within the flattening tolerance.
    BezierPath circle;
    circle.appendArc({5, 5}, 50, 30, 30 + 360, false);
    const BezierPath flat = circle.flattened(0.1);
    for (int i = 0; i < flat.elementCount(); ++i) {
        const QPointF p = endOf(flat, i);
        EXPECT_NEAR(std::hypot(p.x() - 5, p.y() - 5), 50, 0.03);
    }
    expectRectNear(circle.bounds(), QRectF(-45, -45, 100, 100), 0.05);
}

TEST(BezierPath, ArcJoinsTheCurrentPointWithALine)
{
    BezierPath path;
    path.moveTo({0, 0});
    path.appendArc({50, 0}, 10, 180, 0, true);
    QPointF pts[3];
    EXPECT_EQ(path.elementAt(1, pts), BezierPath::LineTo);
    EXPECT_NEAR(pts[0].x(), 40, 1e-9);
    EXPECT_NEAR(pts[0].y(), 0, 1e-9);
    EXPECT_EQ(path.elementAt(2), BezierPath::CurveTo);
    // Clockwise means decreasing angles: from 180 through 90, where y = +10.
    EXPECT_NEAR(path.bounds().bottom(), 10, 1e-6);
    EXPECT_NEAR(path.bounds().top(), 0, 1e-6);
    EXPECT_NEAR(path.currentPoint().x(), 60, 1e-9);
}

TEST(BezierPath, TransformsMoveEveryPoint)
{
    BezierPath path = BezierPath::bezierPathWithOvalInRect(QRectF(0, 0, 20, 10));
    path.setLineWidth(3);
    const BezierPath moved = path.transformed(QTransform::fromTranslate(5, 7).scale(2, 3));
    expectRectNear(moved.bounds(), QRectF(5, 7, 40, 30), 1e-9);
    EXPECT_EQ(moved.lineWidth(), 3);

    BezierPath turned = BezierPath::bezierPathWithRect(QRectF(0, 0, 10, 4));
    turned.transform(QTransform().rotate(90));
    expectRectNear(turned.bounds(), QRectF(-4, 0, 4, 10), 1e-9);
}

TEST(BezierPath, PainterPathRoundTrip)
{
    BezierPath path = BezierPath::bezierPathWithRect(QRectF(0, 0, 10, 10));
    path.appendOvalInRect(QRectF(20, 0, 10, 10));
    path.moveTo({50, 50});
    path.lineTo({60, 55});
    path.setWindingRule(BezierPath::EvenOddWinding);

    const QPainterPath qt = path.toPainterPath();
    EXPECT_EQ(qt.fillRule(), Qt::OddEvenFill);
    const BezierPath back = BezierPath::fromPainterPath(qt);
    EXPECT_EQ(back, path);
    EXPECT_EQ(back.windingRule(), BezierPath::EvenOddWinding);

    QPainterPath glyphLike;
    glyphLike.moveTo(0, 0);
    glyphLike.cubicTo(5, -5, 10, -5, 15, 0);
    glyphLike.closeSubpath();
    const BezierPath converted = BezierPath::fromPainterPath(glyphLike);
    ASSERT_EQ(converted.elementCount(), 3);
    EXPECT_EQ(converted.elementAt(1), BezierPath::CurveTo);
    EXPECT_EQ(converted.elementAt(2), BezierPath::ClosePath);
    // QPainterPath fills odd-even unless told otherwise.
    EXPECT_EQ(converted.windingRule(), BezierPath::EvenOddWinding);
    glyphLike.setFillRule(Qt::WindingFill);
    EXPECT_EQ(BezierPath::fromPainterPath(glyphLike).windingRule(), BezierPath::NonZeroWinding);
}

TEST(BezierPath, DrawnFillMatchesTheRule)
{
    BezierPath ring = BezierPath::bezierPathWithOvalInRect(QRectF(0, 0, 100, 100));
    ring.appendOvalInRect(QRectF(25, 25, 50, 50));
    ring.setWindingRule(BezierPath::EvenOddWinding);
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.fillPath(ring.toPainterPath(), Qt::black);
    }
    EXPECT_EQ(qGray(image.pixel(50, 50)), 255);
    EXPECT_EQ(qGray(image.pixel(10, 50)), 0);
}

TEST(BezierPath, ReversedWalksBackwards)
{
    BezierPath path;
    path.moveTo({0, 0});
    path.lineTo({10, 0});
    path.curveTo({20, 10}, {15, 0}, {20, 5});
    const BezierPath back = path.reversed();
    ASSERT_EQ(back.elementCount(), 3);
    QPointF pts[3];
    EXPECT_EQ(back.elementAt(0, pts), BezierPath::MoveTo);
    EXPECT_EQ(pts[0], QPointF(20, 10));
    EXPECT_EQ(back.elementAt(1, pts), BezierPath::CurveTo);
    EXPECT_EQ(pts[0], QPointF(20, 5));
    EXPECT_EQ(pts[1], QPointF(15, 0));
    EXPECT_EQ(pts[2], QPointF(10, 0));
    EXPECT_EQ(back.elementAt(2, pts), BezierPath::LineTo);
    EXPECT_EQ(pts[0], QPointF(0, 0));
    EXPECT_EQ(back.reversed(), path);

    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(QRectF(0, 0, 10, 10));
    EXPECT_LT(signedArea(oval.reversed()), 0);
    EXPECT_EQ(oval.reversed().elementAt(oval.elementCount() - 1), BezierPath::ClosePath);
}

TEST(BezierPath, HostileNumbersDoNotHang)
{
    BezierPath path;
    path.moveTo({0, 0});
    path.curveTo({1e300, 0}, {qInf(), 1e300}, {qQNaN(), -1e300});
    path.curveTo({0, 0}, {1e12, 1e12}, {-1e12, 1e12});
    const BezierPath flat = path.flattened(0.1);
    EXPECT_LE(flat.elementCount(), 1 + 2 * 1024);
    EXPECT_FALSE(path.containsPoint({qQNaN(), 0}));
    BezierPath arc;
    arc.appendArc({0, 0}, qInf(), 0, 90, false);
    arc.appendArc({0, 0}, 10, 0, 1e300, false);
    EXPECT_LE(arc.elementCount(), 6);
}
