// The path the path tool is building shows its points as dots, its control points as
// squares and the handle lines that join them, as it is drawn on the canvas.
#include <gtest/gtest.h>

#include <QImage>

#include "app/AppTestSupport.h"

using namespace quillmark;

namespace {

TEST(PathInProgress, ShowsPointsControlPointsAndHandles)
{
    apptest::WindowFixture f(QStringLiteral("path-in-progress"));
    f.tool(RectsView::PathTool)->trigger();
    f.click(QPointF(20, 30));
    f.hover(QPointF(60, 30));
    // A press dragged away makes a smooth point: its handle reaches back through it.
    f.mouse(QEvent::MouseButtonPress, QPointF(60, 30));
    f.mouse(QEvent::MouseMove, QPointF(80, 50));
    f.mouse(QEvent::MouseButtonRelease, QPointF(80, 50));
    apptest::settle();
    ASSERT_NE(RectsView::pathInProgress(), nullptr);

    const QImage shown = f.canvas()->grab().toImage();
    auto at = [&](const QPointF &page) { return shown.pixel(f.canvas()->pageToWidget().map(page).toPoint()); };
    // The points: blue dots.
    for (const QPointF &point : {QPointF(20, 30), QPointF(80, 50)}) {
        const QRgb dot = at(point);
        EXPECT_GT(qBlue(dot), 180) << point.x();
        EXPECT_LT(qRed(dot), 90) << point.x();
    }
    // The control point mirrored through (60, 30): a grey square, away from the line.
    const QRgb square = at(QPointF(40, 10));
    EXPECT_NEAR(qGray(square), 160, 30);
    EXPECT_NEAR(qRed(square), qBlue(square), 12);
    // The handle line from the point to it: light grey, half way.
    const QRgb handle = at(QPointF(50, 20));
    EXPECT_LT(qGray(handle), 235);
    EXPECT_GT(qGray(handle), 150);
    RectsView::discardPathInProgress();
}

} // namespace
