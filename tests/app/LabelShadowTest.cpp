// The label's drop shadow shows along its whole right and bottom edges, as the window shows
// the canvas, at the fitted zoom and at 400 % scrolled to the label's far corner.
#include <gtest/gtest.h>

#include <QImage>
#include <QScrollArea>
#include <QScrollBar>

#include "app/AppTestSupport.h"

using namespace quillmark;

namespace {

class LabelShadow : public ::testing::Test
{
protected:
    LabelShadow() : f(QStringLiteral("label-shadow")) {}

    // The window as it is shown once the shadows asked for aside have come, and where a page
    // point of the canvas lies in it.
    QImage shown() { return apptest::grabDrawn(f.window.get()); }
    QPoint inWindow(const QPointF &page)
    {
        return f.canvas()->mapTo(f.window.get(), f.canvas()->pageToWidget().map(page).toPoint());
    }
    // How much darker than the plain canvas beside the label a pixel is: the reference lies
    // left of and above the label, where the shadow does not fall.
    int shade(const QImage &image, const QPoint &pixel)
    {
        const QPoint reference = inWindow(QPointF(0, 0)) - QPoint(12, 12);
        EXPECT_TRUE(image.rect().contains(pixel)) << pixel.x() << "," << pixel.y();
        EXPECT_TRUE(image.rect().contains(reference));
        if (!image.rect().contains(pixel) || !image.rect().contains(reference))
            return 0;
        return qGray(image.pixel(reference)) - qGray(image.pixel(pixel));
    }
    void expectShadowAlongTheEdges(const QString &zoom)
    {
        const double w = f.canvas()->getLabel().width * 72.0;
        const double h = f.canvas()->getLabel().height * 72.0;
        const QImage image = shown();
        // Along the right edge, from near the top to the bottom corner, and along the bottom.
        for (double t : {0.25, 0.5, 0.9}) {
            const QPoint right = inWindow(QPointF(w, h * t)) + QPoint(5, 0);
            EXPECT_GE(shade(image, right), 4) << zoom.toStdString() << " right edge at " << t;
        }
        for (double t : {0.1, 0.5, 0.97}) {
            const QPoint bottom = inWindow(QPointF(w * t, h)) + QPoint(0, 5);
            EXPECT_GE(shade(image, bottom), 4) << zoom.toStdString() << " bottom edge at " << t;
        }
    }

    apptest::WindowFixture f;
};

TEST_F(LabelShadow, ShowsAlongTheRightAndBottomWhenFitted)
{
    ASSERT_EQ(f.canvas()->getZoomFit(), 3);
    expectShadowAlongTheEdges(QStringLiteral("fit"));
}

TEST_F(LabelShadow, ShowsAtTheFarCornerAt400Percent)
{
    f.canvas()->zoomMenuSelect(5);
    apptest::settle();
    ASSERT_EQ(f.canvas()->zoomText(), QStringLiteral("400%"));
    QScrollArea *scroll = f.window->scrollArea();
    scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    apptest::settle();
    const double w = f.canvas()->getLabel().width * 72.0;
    const double h = f.canvas()->getLabel().height * 72.0;
    const QImage image = shown();
    const QRect viewport(scroll->viewport()->mapTo(f.window.get(), QPoint(0, 0)), scroll->viewport()->size());
    // The label's far corner with its shadow lies inside the view.
    const QPoint corner = inWindow(QPointF(w, h));
    ASSERT_TRUE(viewport.contains(corner + QPoint(8, 8)));
    for (const QPoint &step : {QPoint(5, -40), QPoint(5, -200), QPoint(-40, 5), QPoint(-300, 5)}) {
        const QPoint pixel = corner + step;
        const QPoint reference = corner + QPoint(18, 18);
        ASSERT_TRUE(viewport.contains(pixel) && viewport.contains(reference));
        EXPECT_GE(qGray(image.pixel(reference)) - qGray(image.pixel(pixel)), 4) << step.x() << "," << step.y();
    }
}

TEST_F(LabelShadow, ObjectShadowsShowNearTheCanvasEdge)
{
    const double w = f.canvas()->getLabel().width * 72.0;
    const double h = f.canvas()->getLabel().height * 72.0;
    // A filled box near the label's bottom right corner (beyond the reach of the label edges'
    // snap at any zoom), its shadow reaching toward the label's edge.
    f.drawRect(QRectF(w - 48, h - 38, 36, 26));
    const GraphicPtr box = f.canvas()->getRects().first();
    box->setFillColor(Qt::white);
    box->setDrawsShadow(true);
    f.click(QPointF(10, 10));
    apptest::settle();
    const QImage image = shown();
    // Inside the label, right of and below the box (page points, so any zoom the window's
    // width gives will do): its shadow, darker than the white label.
    for (const QPointF &step : {QPointF(3, -6), QPointF(-9, 3)}) {
        const QPoint pixel = inWindow(QPointF(w - 12, h - 12) + step);
        EXPECT_LT(qGray(image.pixel(pixel)), 235) << step.x() << "," << step.y();
    }
}

} // namespace
