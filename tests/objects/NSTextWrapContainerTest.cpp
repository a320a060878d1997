// The runaround container: the fragments it answers around obstacle outlines in each wrap
// mode, the continuation of a split row, moving a blocked line down, the crossing rules and
// the fixed crossing table.
#include <gtest/gtest.h>

#include "objects/ColorRect.h"
#include "objects/NSTextWrapContainer.h"

using namespace quillmark;

namespace {

// A text object at (100, 100), 300 by 200: its container's (0, 0) is page (100, 100).
struct Box
{
    std::shared_ptr<ColorRect> object = ColorRect::create(QRectF(100, 100, 300, 200));
    NSTextWrapContainer container{QSizeF(300, 200)};

    explicit Box(const QList<BezierPath> &obstacles, int mode = NSTextWrapContainer::NextPiece)
    {
        container.setGraphicObject(object.get());
        container.setAroundBezierPaths(obstacles);
        container.setWrapMode(mode);
    }

    QRectF fragment(const QRectF &proposed, QRectF *remaining = nullptr)
    {
        QRectF rest;
        const QRectF r = container.lineFragmentRectForProposedRect(proposed, &rest);
        if (remaining)
            *remaining = rest;
        return r;
    }
};

// A column from x to x + w covering the whole box height.
BezierPath column(qreal x, qreal w)
{
    return BezierPath::bezierPathWithRect(QRectF(x, 50, w, 300));
}

const QRectF FirstRow(0, 0, 300, 14);

} // namespace

TEST(NSTextWrapContainer, WithoutObstaclesAnswersThePlainFragment)
{
    Box box({});
    QRectF rest(1, 1, 1, 1);
    EXPECT_EQ(box.fragment(FirstRow, &rest), FirstRow);
    EXPECT_TRUE(rest.isNull());
    // An obstacle elsewhere on the page changes nothing either.
    Box far({BezierPath::bezierPathWithRect(QRectF(600, 600, 50, 50))});
    EXPECT_EQ(far.fragment(QRectF(0, 30, 300, 14)), QRectF(0, 30, 300, 14));
    // Below the box there is no room.
    EXPECT_TRUE(box.fragment(QRectF(0, 190, 300, 14)).isEmpty());
}

TEST(NSTextWrapContainer, ObstacleInTheMiddleSplitsTheRowAndContinuesBehindIt)
{
    Box box({column(200, 50)});
    QRectF rest;
    const QRectF left = box.fragment(FirstRow, &rest);
    EXPECT_EQ(left, QRectF(0, 0, 100, 14));
    // The rest of the row starts where the left piece ends, with the proposed width.
    EXPECT_EQ(rest, QRectF(100, 0, 300, 14));

    QRectF after;
    const QRectF right = box.fragment(rest, &after);
    EXPECT_EQ(right, QRectF(150, 0, 150, 14));
    EXPECT_TRUE(after.isNull());
}

TEST(NSTextWrapContainer, WrapModesPickTheirPiece)
{
    struct Case
    {
        int mode;
        QRectF expected;
    };
    // Pieces: page 100..200 (100 wide) and 250..400 (150 wide).
    const Case cases[] = {
        {NSTextWrapContainer::LeftPiece, QRectF(0, 0, 100, 14)},
        {NSTextWrapContainer::RightPiece, QRectF(150, 0, 150, 14)},
        {NSTextWrapContainer::WidestPiece, QRectF(150, 0, 150, 14)},
        {NSTextWrapContainer::NextPiece, QRectF(0, 0, 100, 14)},
    };
    for (const Case &c : cases) {
        Box box({column(200, 50)}, c.mode);
        QRectF rest;
        EXPECT_EQ(box.fragment(FirstRow, &rest), c.expected) << "mode " << c.mode;
        // Only the next-piece mode continues the row.
        EXPECT_EQ(rest.isNull() || rest.width() == 0, c.mode != NSTextWrapContainer::NextPiece)
            << "mode " << c.mode;
    }
}

TEST(NSTextWrapContainer, WidestPieceStartingLeftOfTheLineBecomesEmptyAtItsEnd)
{
    NSTextWrapContainer container(QSizeF(300, 200));
    auto &table = container.crossPoints();
    table.n = 4;
    table.pt[0] = {7, 50};
    table.orient[0] = -1;
    table.pt[1] = {7, 250};
    table.orient[1] = -1;
    table.pt[2] = {7, 260};
    table.orient[2] = 1;
    table.pt[3] = {7, 300};
    table.orient[3] = 1;
    container.buildTextPieces(0);
    ASSERT_EQ(container.textPieceNum(), 4);
    NSTextWrapContainer::TLine piece;
    EXPECT_TRUE(container.maxTextPiece(QRectF(100, 0, 200, 14), piece));
    EXPECT_EQ(piece.a.h, 250);
    EXPECT_EQ(piece.b.h, 250);
}

TEST(NSTextWrapContainer, NarrowPieceIsSkippedInNextPieceMode)
{
    // Free piece page 100..103 (3 points) before the obstacle.
    Box box({column(103, 147)});
    EXPECT_EQ(box.fragment(FirstRow), QRectF(150, 0, 150, 14));
    // A piece of exactly 5 points is skipped too, 6 points are taken.
    Box five({column(105, 145)});
    EXPECT_EQ(five.fragment(FirstRow).x(), 150);
    Box six({column(106, 144)});
    EXPECT_EQ(six.fragment(FirstRow), QRectF(0, 0, 6, 14));
}

TEST(NSTextWrapContainer, PieceReachingTheLineEndLeavesNoRemainder)
{
    // The obstacle starts 1 point before the end of the line.
    Box box({column(399, 60)});
    QRectF rest(1, 1, 1, 1);
    EXPECT_EQ(box.fragment(FirstRow, &rest), QRectF(0, 0, 299, 14));
    EXPECT_TRUE(rest.isNull());
    // Five points before: the next crossing lies at the line's end, so still no remainder.
    Box five({column(395, 60)});
    EXPECT_EQ(five.fragment(FirstRow, &rest), QRectF(0, 0, 295, 14));
    EXPECT_TRUE(rest.isNull());
}

TEST(NSTextWrapContainer, BlockedLineStartMovesDownByHalfLines)
{
    // Covers the whole width from page y 100 to 130.
    Box box({BezierPath::bezierPathWithRect(QRectF(50, 100, 400, 30))});
    const QRectF r = box.fragment(FirstRow);
    EXPECT_EQ(r, QRectF(0, 28, 300, 14));
    // A line not starting at x 0 is not moved.
    EXPECT_EQ(box.fragment(QRectF(10, 0, 290, 14)).width(), 0);
    // When the obstacle fills the box, the line ends up with no fragment.
    Box full({BezierPath::bezierPathWithRect(QRectF(0, 0, 800, 800))});
    EXPECT_EQ(full.fragment(FirstRow).width(), 0);
}

TEST(NSTextWrapContainer, SubpathWithAnOddNumberOfCrossingsLosesItsLast)
{
    NSTextWrapContainer container(QSizeF(100, 100));
    // A triangle whose apex touches the test line at y 20.
    BezierPath triangle;
    triangle.moveTo(QPointF(0, 0));
    triangle.lineTo(QPointF(10, 20));
    triangle.lineTo(QPointF(20, 0));
    triangle.closePath();
    container.setAroundBezierPaths({triangle});
    container.setTextLine({{20, 0}, {20, 100}});
    container.crossPoints().n = 1;
    container.buildFrameCrossPoint(0);
    EXPECT_EQ(container.crossPoints().n, 1);

    // Through the middle: two crossings, kept.
    container.setTextLine({{10, 0}, {10, 100}});
    container.crossPoints().n = 1;
    container.buildFrameCrossPoint(0);
    ASSERT_EQ(container.crossPoints().n, 3);
    container.sortPolyCrossPoint(1);
    EXPECT_EQ(container.crossPoints().pt[1].h, 5);
    EXPECT_EQ(container.crossPoints().pt[2].h, 15);
}

TEST(NSTextWrapContainer, CrossingsOfOneSide)
{
    NSTextWrapContainer container;
    const NSTextWrapContainer::TLine line{{10, 0}, {10, 100}};
    NSTextWrapContainer::CPt cross;
    // A side beyond the right end answers the end (2); beyond the left end the start (3).
    EXPECT_EQ(container.tlineCrossPoint(line, {{0, 150}, {20, 150}}, cross, 0), 2);
    EXPECT_EQ(cross.orient, 1);
    EXPECT_EQ(container.tlineCrossPoint(line, {{20, -5}, {0, -5}}, cross, 0), 3);
    EXPECT_EQ(cross.orient, -1);
    // Horizontal sides and sides above or below the line never cross.
    EXPECT_EQ(container.tlineCrossPoint(line, {{10, 0}, {10, 50}}, cross, 0), 0);
    EXPECT_EQ(container.tlineCrossPoint(line, {{20, 40}, {30, 40}}, cross, 0), 0);
    EXPECT_EQ(container.tlineCrossPoint(line, {{0, 40}, {5, 40}}, cross, 0), 0);
    // A slanted side inside the line.
    ASSERT_EQ(container.tlineCrossPoint(line, {{0, 40}, {20, 60}}, cross, 0), 1);
    EXPECT_EQ(cross.pt.v, 10);
    EXPECT_EQ(cross.pt.h, 50);
    EXPECT_EQ(NSTextWrapContainer::sign(-0.5), -1);
    EXPECT_EQ(NSTextWrapContainer::sign(0.0), 0);
    EXPECT_EQ(NSTextWrapContainer::sign(3.0), 1);
}

TEST(NSTextWrapContainer, CrossingTableHoldsAtMostSixHundred)
{
    // 400 thin columns crossing one line give 800 crossings.
    auto object = ColorRect::create(QRectF(0, 0, 2000, 100));
    NSTextWrapContainer container(QSizeF(2000, 100));
    container.setGraphicObject(object.get());
    QList<BezierPath> columns;
    for (int i = 0; i < 400; ++i)
        columns.append(BezierPath::bezierPathWithRect(QRectF(10 + 4 * i, -10, 2, 200)));
    container.setAroundBezierPaths(columns);
    QRectF rest;
    const QRectF r = container.lineFragmentRectForProposedRect(QRectF(0, 0, 2000, 14), &rest);
    EXPECT_EQ(container.crossPoints().n, NSTextWrapContainer::MaxCrossPoints);
    // The first free piece is the 10 points before the first column.
    EXPECT_EQ(r, QRectF(0, 0, 10, 14));

    // Adding to a full table drops the crossing.
    NSTextWrapContainer::CPt extra;
    extra.pt = {1, 1};
    container.putInCrossPoints(extra);
    EXPECT_EQ(container.crossPoints().n, NSTextWrapContainer::MaxCrossPoints);
}

TEST(NSTextWrapContainer, RotatedObjectSeesObstaclesTurnedBack)
{
    auto object = ColorRect::create(QRectF(0, 0, 100, 100));
    object->setAngle(90, false);
    NSTextWrapContainer container(QSizeF(100, 100));
    container.setGraphicObject(object.get());
    BezierPath point;
    point.moveTo(QPointF(100, 50));
    point.lineTo(QPointF(100, 60));
    const BezierPath turned = container.getRotatedPath(point);
    QPointF pts[3];
    ASSERT_EQ(turned.elementAt(0, pts), BezierPath::MoveTo);
    // A quarter turn counter-clockwise on the page about (50, 50).
    EXPECT_NEAR(pts[0].x(), 50, 1e-9);
    EXPECT_NEAR(pts[0].y(), 0, 1e-9);
    EXPECT_EQ(turned.elementAt(turned.elementCount() - 1), BezierPath::ClosePath);

    // The combined outline takes the turn: a column right of the centre lies above it.
    container.setAroundBezierPaths({BezierPath::bezierPathWithRect(QRectF(80, 0, 10, 100))});
    const QRectF bounds = container.combinedPath().bounds();
    EXPECT_NEAR(bounds.top(), 10, 1e-6);
    EXPECT_NEAR(bounds.bottom(), 20, 1e-6);
}
