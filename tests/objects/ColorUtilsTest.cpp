// Colour conversion and the two gradient fills, probed in rendered images.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>

#include "objects/ColorUtils.h"

using namespace quillmark;

namespace {

QImage render(const std::function<void(QPainter &)> &paint, int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter);
    painter.end();
    return image;
}

void expectNear(QRgb pixel, const QColor &expected, int tolerance = 6)
{
    EXPECT_NEAR(qRed(pixel), expected.red(), tolerance);
    EXPECT_NEAR(qGreen(pixel), expected.green(), tolerance);
    EXPECT_NEAR(qBlue(pixel), expected.blue(), tolerance);
    EXPECT_NEAR(qAlpha(pixel), expected.alpha(), tolerance);
}

} // namespace

TEST(ColorConversion, DeviceColoursByModel)
{
    EXPECT_EQ(createCGColorFromNSColor(QColor::fromHsv(0, 255, 255))->spec(), QColor::Rgb);
    EXPECT_EQ(*createCGColorFromNSColor(QColor::fromHsv(0, 255, 255)), QColor(255, 0, 0));
    EXPECT_EQ(createCGColorFromNSColor(QColor::fromCmykF(0.1f, 0.2f, 0.3f, 0.4f))->spec(), QColor::Cmyk);
    EXPECT_EQ(createCGColorFromNSColor(QColor(1, 2, 3, 4))->alpha(), 4);
    EXPECT_FALSE(createCGColorFromNSColor(QColor()).has_value());
}

TEST(ColorConversion, BlendIsStraightInEveryComponentIncludingAlpha)
{
    const auto blend = createTwoColorShadingFunction(QColor(255, 0, 0, 255), QColor(0, 0, 255, 0));
    ASSERT_TRUE(blend.has_value());
    const auto start = blend->evaluate(0);
    const auto middle = blend->evaluate(0.5f);
    const auto end = blend->evaluate(1);
    EXPECT_EQ(start, (std::array<float, 4>{1, 0, 0, 1}));
    EXPECT_EQ(end, (std::array<float, 4>{0, 0, 1, 0}));
    EXPECT_FLOAT_EQ(middle[0], 0.5f);
    EXPECT_FLOAT_EQ(middle[2], 0.5f);
    EXPECT_FLOAT_EQ(middle[3], 0.5f);
    EXPECT_FALSE(createTwoColorShadingFunction(QColor(), Qt::red).has_value());
}

TEST(LinearGradient, AngleZeroRunsLeftToRight)
{
    const QImage image = render([](QPainter &p) {
        drawAxialGradient(&p, Qt::red, Qt::blue, 0, QRectF(0, 0, 100, 50));
    }, 100, 50);
    expectNear(image.pixel(0, 25), Qt::red, 8);
    expectNear(image.pixel(99, 25), Qt::blue, 8);
    expectNear(image.pixel(50, 5), QColor(127, 0, 127), 8);
}

TEST(LinearGradient, AngleNinetyPutsTheFillColourAtTheTop)
{
    const QImage image = render([](QPainter &p) {
        drawAxialGradient(&p, Qt::red, Qt::blue, M_PI / 2, QRectF(0, 0, 50, 100));
    }, 50, 100);
    expectNear(image.pixel(25, 0), Qt::red, 8);
    expectNear(image.pixel(25, 99), Qt::blue, 8);
    // The axis is as long as the rectangle is high, twice its width.
    expectNear(image.pixel(10, 50), QColor(127, 0, 127), 8);
    expectNear(image.pixel(40, 25), QColor(191, 0, 64), 8);
}

TEST(LinearGradient, FortyFiveDegreesShowsPureColoursInTheFarCorners)
{
    const QImage image = render([](QPainter &p) {
        drawAxialGradient(&p, Qt::red, Qt::blue, M_PI / 4, QRectF(0, 0, 100, 100));
    }, 100, 100);
    expectNear(image.pixel(0, 0), Qt::red, 10);
    expectNear(image.pixel(99, 99), Qt::blue, 10);
    expectNear(image.pixel(99, 0), QColor(127, 0, 127), 8);
    expectNear(image.pixel(0, 99), QColor(127, 0, 127), 8);
}

TEST(LinearGradient, FillsOnlyTheRectangle)
{
    const QImage image = render([](QPainter &p) {
        drawAxialGradient(&p, Qt::red, Qt::blue, 0.3, QRectF(10, 10, 20, 20));
    }, 40, 40);
    EXPECT_EQ(qAlpha(image.pixel(5, 5)), 0);
    EXPECT_EQ(qAlpha(image.pixel(35, 20)), 0);
    EXPECT_EQ(qAlpha(image.pixel(20, 20)), 255);
}

TEST(LinearGradient, FadingColourBlendsWithoutPremultiplying)
{
    const QImage image = render([](QPainter &p) {
        drawAxialGradient(&p, QColor(255, 0, 0, 255), QColor(0, 0, 255, 0), 0, QRectF(0, 0, 200, 10));
    }, 200, 10);
    const QRgb middle = image.pixel(100, 5);
    EXPECT_NEAR(qAlpha(middle), 127, 6);
    // Straight blending keeps the blue half of the second colour in the mix.
    EXPECT_NEAR(qBlue(middle), 127, 12);
    EXPECT_NEAR(qRed(middle), 127, 12);
}

TEST(RadialGradient, FirstColourInTheCentreAndUnpaintedCorners)
{
    const QImage image = render([](QPainter &p) {
        drawRadialGradient(&p, Qt::red, Qt::blue, QRectF(0, 0, 400, 400));
    }, 400, 400);
    expectNear(image.pixel(200, 200), Qt::red, 10);
    for (const QPoint corner : {QPoint(0, 0), QPoint(399, 0), QPoint(0, 399), QPoint(399, 399)})
        EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << corner.x() << "," << corner.y();
    // Half way to the ellipse (0.35 of the side from the centre) the blend is half way.
    expectNear(image.pixel(340, 200), QColor(127, 0, 127), 10);
    // The edge midpoints lie inside the ellipse, five sevenths of the way out.
    expectNear(image.pixel(399, 200), QColor(73, 0, 182), 12);
}

TEST(RadialGradient, EllipseFollowsTheRectangle)
{
    const QImage image = render([](QPainter &p) {
        drawRadialGradient(&p, Qt::red, Qt::blue, QRectF(0, 0, 200, 100));
    }, 200, 100);
    const QRgb right = image.pixel(170, 50);
    const QRgb bottom = image.pixel(100, 85);
    EXPECT_NEAR(qRed(right), qRed(bottom), 10);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(50, 50)), 255);
}
