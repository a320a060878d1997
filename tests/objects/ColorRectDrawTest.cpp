// ColorRect's drawing, rendered into images and probed: the stroke inside the box, dashes,
// the shadow's direction and zoom, gradients, the image's placement and clip, the text, and
// the printing entry.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>

#include <functional>

#include "common/TestSupport.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"

using namespace quillmark;

namespace {

QImage blank(int w = 200, int h = 200)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

QImage render(ColorRect &object, qreal scale = 1.0, int w = 200, int h = 200)
{
    QImage image = blank(w, h);
    QPainter painter(&image);
    painter.scale(scale, scale);
    object.drawFrame(&painter, QRectF(), false);
    return image;
}

QImage renderForPrint(ColorRect &object)
{
    QImage image = blank();
    QPainter painter(&image);
    object.printFrame(&painter, QRectF(), 0);
    return image;
}

bool isWhite(QRgb c)
{
    return qRed(c) > 250 && qGreen(c) > 250 && qBlue(c) > 250;
}

bool isDark(QRgb c)
{
    return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
}

// Lengths of the alternating runs of dark and light pixels along a row, first and last
// runs dropped (they are cut by the range's ends).
QList<QPair<bool, int>> runsAlongRow(const QImage &image, int y, int from, int to)
{
    QList<QPair<bool, int>> runs;
    for (int x = from; x < to; ++x) {
        const bool dark = isDark(image.pixel(x, y));
        if (runs.isEmpty() || runs.last().first != dark)
            runs.append({dark, 1});
        else
            ++runs.last().second;
    }
    if (runs.size() > 2) {
        runs.removeFirst();
        runs.removeLast();
    }
    return runs;
}

std::shared_ptr<ColorRect> strokedBox(const QRectF &frame, float width)
{
    auto object = ColorRect::create(frame);
    object->setDrawsFill(false);
    object->setDrawsStroke(true);
    object->setStrokeColor(Qt::black);
    object->setStrokeLineWidth(width);
    return object;
}

// An object whose image is given directly, as the object image would prepare it.
class ImageObject : public ColorRect
{
public:
    using ColorRect::ColorRect;
    PreparedImage image;
    PreparedImage preparedImage(QSizeF, ImageUse) override { return image; }
};

std::shared_ptr<ImageObject> imageObject(const QRectF &frame, QSize pixels, QSizeF points,
                                         bool vector = false, int rotation = 0)
{
    auto object = std::make_shared<ImageObject>(frame);
    object->setDrawsFill(false);
    QImage red(pixels, QImage::Format_ARGB32_Premultiplied);
    red.fill(Qt::red);
    object->image = {red, points, vector, rotation};
    return object;
}

bool isRed(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}

} // namespace

TEST(ColorRectDraw, OutlineIsInsetByHalfTheStroke)
{
    auto object = strokedBox(QRectF(20, 20, 100, 60), 10);
    EXPECT_EQ(object->bezierPath().bounds(), QRectF(25, 25, 90, 50));
    EXPECT_DOUBLE_EQ(object->bezierPath().lineWidth(), 10);
    object->setDrawsStroke(false);
    EXPECT_EQ(object->bezierPath().bounds(), QRectF(20, 20, 100, 60));
    EXPECT_EQ(object->bezierClipPath().bounds(), QRectF(20, 20, 100, 60));
}

TEST(ColorRectDraw, StrokeLiesInsideTheBox)
{
    auto object = strokedBox(QRectF(20, 20, 100, 60), 10);
    const QImage image = render(*object);
    EXPECT_TRUE(isDark(image.pixel(21, 50)));
    EXPECT_TRUE(isDark(image.pixel(28, 50)));
    EXPECT_TRUE(isWhite(image.pixel(18, 50)));
    EXPECT_TRUE(isWhite(image.pixel(31, 50)));
    EXPECT_TRUE(isDark(image.pixel(118, 50)));
    EXPECT_TRUE(isWhite(image.pixel(121, 50)));
    EXPECT_TRUE(isDark(image.pixel(60, 21)));
    EXPECT_TRUE(isWhite(image.pixel(60, 81)));
}

TEST(ColorRectDraw, SolidFillRunsUnderTheStrokeToTheEdge)
{
    auto object = strokedBox(QRectF(20, 20, 100, 60), 10);
    object->setDrawsFill(true);
    object->setFillColor(Qt::red);
    object->setStrokeColor(QColor(0, 0, 255, 128));
    const QRgb edge = render(*object).pixel(21, 50);
    EXPECT_GT(qRed(edge), 80);
    EXPECT_GT(qBlue(edge), 80);
}

TEST(ColorRectDraw, ZeroWidthStrokeDrawsNothing)
{
    auto object = strokedBox(QRectF(20, 20, 100, 60), 0);
    EXPECT_EQ(object->bezierPath().bounds(), QRectF(20, 20, 100, 60));
    const QImage image = render(*object);
    EXPECT_EQ(image, blank());
}

TEST(ColorRectDraw, DashLengthsFollowTheStrokeWidth)
{
    struct Case
    {
        const char *label;
        int pattern;
        float width;
        qreal scale; // pixels per point
        int dash;    // pixels
        int gap;
    } cases[] = {
        {"(4, 2) at width 3", 1, 3, 1, 12, 6},
        {"(4, 2) at width 0.5", 1, 0.5f, 8, 16, 8},
        {"(3, 3) at width 2", 3, 2, 1, 6, 6},
        {"(8, 3) at width 2", 19, 2, 1, 16, 6},
    };
    for (const Case &c : cases) {
        const qreal size = 200 / c.scale;
        auto object = strokedBox(QRectF(0, 2, size, size - 4), c.width);
        object->setLinePattern(c.pattern);
        const QImage image = render(*object, c.scale);
        // The middle of the top side's stroke band, in pixels.
        const int row = int((2 + c.width / 2) * c.scale);
        const auto runs = runsAlongRow(image, row, 20, 190);
        ASSERT_GE(runs.size(), 4) << c.label;
        for (const auto &run : runs) {
            const int expected = run.first ? c.dash : c.gap;
            EXPECT_NEAR(run.second, expected, 1) << c.label << (run.first ? " dash" : " gap");
        }
    }
}

TEST(ColorRectDraw, DashNumberOutsideTheListStrokesSolid)
{
    for (int pattern : {0, 22, 99, -3}) {
        auto object = strokedBox(QRectF(0, 2, 200, 100), 3);
        object->setLinePattern(pattern);
        const QImage image = render(*object);
        const auto runs = runsAlongRow(image, 3, 20, 190);
        EXPECT_TRUE(runs.size() == 1 && runs.first().first) << pattern;
    }
}

TEST(ColorRectDraw, DefaultShadowFallsDownAndRightBySevenPoints)
{
    auto object = ColorRect::create(QRectF(50, 50, 40, 40));
    object->setFillColor(Qt::black);
    object->setDrawsShadow(true);
    object->setShadowBlur(0);
    const QImage image = render(*object);
    // 10 points at 45 degrees: about 7.07 to the right and 7.07 down.
    EXPECT_FALSE(isWhite(image.pixel(94, 94)));
    EXPECT_FALSE(isWhite(image.pixel(60, 96)));
    EXPECT_TRUE(isWhite(image.pixel(98, 94)));
    EXPECT_TRUE(isWhite(image.pixel(94, 98)));
    EXPECT_TRUE(isWhite(image.pixel(94, 55)));
    EXPECT_TRUE(isWhite(image.pixel(45, 94)));
    EXPECT_TRUE(isWhite(image.pixel(48, 48)));
}

TEST(ColorRectDraw, ShadowDoesNotTurnWithTheObject)
{
    auto object = ColorRect::create(QRectF(50, 50, 40, 40));
    object->setFillColor(Qt::black);
    object->setDrawsShadow(true);
    object->setShadowBlur(0);
    object->setAngle(180, false);
    object->setFlipHor(true);
    const QImage image = render(*object);
    EXPECT_FALSE(isWhite(image.pixel(94, 94)));
    EXPECT_TRUE(isWhite(image.pixel(45, 45)));
}

TEST(ColorRectDraw, FilledObjectCastsItsShadowFromTheFillOnly)
{
    auto object = strokedBox(QRectF(40, 40, 100, 100), 4);
    object->setDrawsShadow(true);
    object->setShadowBlur(0);
    object->setShadowAngle(0); // straight to the right by 10
    object->setDrawsFill(true);
    object->setFillColor(QColor(0, 0, 0, 0)); // an invisible fill casts no shadow
    // The stroke's right side lies at 136..140; its shadow would lie at 146..150.
    EXPECT_TRUE(isWhite(render(*object).pixel(148, 90)));
    object->setDrawsFill(false);
    EXPECT_FALSE(isWhite(render(*object).pixel(148, 90)));
}

TEST(ColorRectDraw, ShadowMeasuresPointsAtAnyZoomAndWhenPrinting)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create(QRectF(20, 50, 40, 40));
    object->setFillColor(Qt::black);
    object->setDrawsShadow(true);
    object->setShadowBlur(4);
    object->setShadowAngle(0);
    object->setMainView(&canvas);

    // The canvas draws at zoom 2 through the painter: the object ends at 120 pixels and its
    // 10-point shadow 20 pixels further.
    canvas.displayedZoom = 2;
    const QImage screen = render(*object, 2.0, 300, 300);
    EXPECT_FALSE(isWhite(screen.pixel(136, 140)));
    EXPECT_TRUE(isWhite(screen.pixel(152, 140)));

    const QImage printedAtTwo = renderForPrint(*object);
    canvas.displayedZoom = 3;
    const QImage printedAtThree = renderForPrint(*object);
    canvas.displayedZoom = 1;
    const QImage printedAtOne = renderForPrint(*object);
    EXPECT_EQ(printedAtOne, printedAtThree);
    EXPECT_EQ(printedAtOne, printedAtTwo);
    EXPECT_TRUE(isWhite(printedAtOne.pixel(76, 70)));
    EXPECT_FALSE(isWhite(printedAtOne.pixel(66, 70)));
    // The zoom the canvas reports does not change a drawing at 100 %.
    canvas.displayedZoom = 3;
    EXPECT_EQ(render(*object), printedAtOne);
    canvas.printing = true;
    EXPECT_EQ(render(*object), printedAtOne);
}

TEST(ColorRectDraw, LinearGradientDirection)
{
    auto object = ColorRect::create(QRectF(20, 20, 100, 100));
    object->setFillType(2);
    object->setFillColor(Qt::red);
    object->setFillColor2(Qt::blue);
    object->setFillAngle(0);
    QImage image = render(*object);
    QRgb left = image.pixel(22, 70), right = image.pixel(118, 70);
    EXPECT_GT(qRed(left), 230);
    EXPECT_LT(qBlue(left), 25);
    EXPECT_GT(qBlue(right), 230);
    EXPECT_LT(qRed(right), 25);

    object->setFillAngle(90);
    image = render(*object);
    const QRgb top = image.pixel(70, 22), bottom = image.pixel(70, 118);
    EXPECT_GT(qRed(top), 230);
    EXPECT_LT(qBlue(top), 25);
    EXPECT_GT(qBlue(bottom), 230);
    EXPECT_LT(qRed(bottom), 25);
    // Outside the box nothing is painted.
    EXPECT_TRUE(isWhite(image.pixel(18, 70)));
}

TEST(ColorRectDraw, RadialGradientLeavesTheCornersUnpainted)
{
    // The blend ends on the ellipse of half-axes 0.7 w and 0.7 h, just inside the corners.
    auto object = ColorRect::create(QRectF(0, 0, 200, 200));
    object->setFillType(1);
    object->setFillColor(Qt::red);
    object->setFillColor2(Qt::blue);
    const QImage image = render(*object);
    EXPECT_TRUE(isRed(image.pixel(100, 100)));
    EXPECT_GT(qBlue(image.pixel(100, 1)), 100);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(199, 199), qRgb(255, 255, 255));
}

TEST(ColorRectDraw, UnknownFillTypePaintsNoFillButTheRest)
{
    auto object = strokedBox(QRectF(20, 20, 100, 60), 2);
    object->setDrawsFill(true);
    object->setFillColor(Qt::red);
    object->setFillType(7);
    const QImage image = render(*object);
    EXPECT_TRUE(isWhite(image.pixel(70, 50)));
    EXPECT_TRUE(isDark(image.pixel(20, 50)));
}

TEST(ColorRectDraw, ImageFollowsTheBoxUnclipped)
{
    auto object = imageObject(QRectF(20, 20, 100, 50), QSize(10, 10), QSizeF(10, 10));
    object->setDrawsStroke(true);
    object->setStrokeLineWidth(10);
    object->setStrokeColor(QColor(0, 0, 0, 0));
    const QImage image = render(*object);
    // Scaled with the box and not clipped by the inset outline.
    EXPECT_TRUE(isRed(image.pixel(21, 21)));
    EXPECT_TRUE(isRed(image.pixel(118, 68)));
    EXPECT_TRUE(isWhite(image.pixel(121, 50)));
}

TEST(ColorRectDraw, PlacedImageIsClippedToTheOutline)
{
    auto object = imageObject(QRectF(20, 20, 100, 50), QSize(10, 10), QSizeF(10, 10));
    object->setDrawsStroke(true);
    object->setStrokeLineWidth(10);
    object->setStrokeColor(QColor(0, 0, 0, 0));
    object->setScaleWithBox(false);
    object->setXImageScale(300);
    object->setYImageScale(300);
    const QImage image = render(*object);
    EXPECT_TRUE(isWhite(image.pixel(22, 22)));  // outside the outline inset by 5
    EXPECT_TRUE(isRed(image.pixel(40, 40)));
    EXPECT_TRUE(isWhite(image.pixel(55, 40))); // 30 points wide
}

TEST(ColorRectDraw, ImageOffsetsAreInches)
{
    auto object = imageObject(QRectF(0, 0, 200, 200), QSize(10, 10), QSizeF(10, 10));
    object->setScaleWithBox(false);
    object->setXImageOffset(0.5f);
    object->setYImageOffset(1.0f);
    const QImage image = render(*object);
    EXPECT_TRUE(isRed(image.pixel(37, 73)));
    EXPECT_TRUE(isWhite(image.pixel(34, 73)));
    EXPECT_TRUE(isWhite(image.pixel(37, 70)));
}

TEST(ColorRectDraw, VectorImageIsPlacedFromItsRasterSize)
{
    // 300 by 150 points are drawn from a nominal 1500 by 750: at 10 % that is 150 by 75.
    auto object = imageObject(QRectF(20, 20, 180, 180), QSize(300, 150), QSizeF(300, 150), true);
    object->setScaleWithBox(false);
    object->setXImageScale(10);
    object->setYImageScale(10);
    const QImage image = render(*object);
    EXPECT_TRUE(isRed(image.pixel(20 + 148, 20 + 73)));
    EXPECT_TRUE(isWhite(image.pixel(20 + 152, 20 + 40)));
    EXPECT_TRUE(isWhite(image.pixel(20 + 40, 20 + 77)));
}

TEST(ColorRectDraw, ImageRotationTurnsAboutItsOwnCentre)
{
    auto object = imageObject(QRectF(20, 20, 160, 160), QSize(40, 20), QSizeF(40, 20), false, 90);
    object->setScaleWithBox(false);
    const QImage image = render(*object);
    // (20, 20, 40, 20) turned about (40, 30) covers x 30..50 and y 10..50, clipped at 20.
    EXPECT_TRUE(isRed(image.pixel(45, 45)));
    EXPECT_TRUE(isRed(image.pixel(31, 22)));
    EXPECT_TRUE(isWhite(image.pixel(25, 25)));
    EXPECT_TRUE(isWhite(image.pixel(56, 25)));
}

TEST(ColorRectDraw, ImageOpacityAndTheImageFlag)
{
    auto object = imageObject(QRectF(20, 20, 100, 100), QSize(10, 10), QSizeF(10, 10));
    object->setImageOpacity(50);
    const QRgb half = render(*object).pixel(70, 70);
    EXPECT_GT(qRed(half), 240);
    EXPECT_GT(qGreen(half), 100);
    EXPECT_LT(qGreen(half), 150);
    object->setDrawsImage(false);
    EXPECT_EQ(render(*object), blank());
}

TEST(ColorRectDraw, ImageShadowFollowsTheZoomLikeTheFillsShadow)
{
    qmtest::FakeCanvas canvas;
    canvas.displayedZoom = 2;
    auto object = imageObject(QRectF(20, 20, 40, 40), QSize(10, 10), QSizeF(10, 10));
    object->setMainView(&canvas);
    object->setDrawsShadow(true);
    object->setShadowBlur(0);
    object->setShadowAngle(0);
    object->setShadowColor(Qt::black);
    const QImage image = render(*object, 2.0, 300, 300);
    // At zoom 2 the image ends at 120 pixels; its 10-point shadow at 140.
    EXPECT_FALSE(isWhite(image.pixel(136, 80)));
    EXPECT_TRUE(isWhite(image.pixel(144, 80)));
}

TEST(ColorRectDraw, MirrorsAndRotationTurnAboutTheCentre)
{
    auto object = imageObject(QRectF(50, 50, 100, 100), QSize(10, 10), QSizeF(10, 10));
    object->setScaleWithBox(false);
    // The 10-point image sits at the top-left corner...
    EXPECT_TRUE(isRed(render(*object).pixel(55, 55)));
    // ...the mirror left-right puts it at the top-right...
    object->setFlipVert(true);
    QImage image = render(*object);
    EXPECT_TRUE(isRed(image.pixel(145, 55)));
    EXPECT_TRUE(isWhite(image.pixel(55, 55)));
    // ...and a quarter turn clockwise on top of the mirror takes it to the bottom-right.
    object->setAngle(90, false);
    image = render(*object);
    EXPECT_TRUE(isRed(image.pixel(145, 145)));
    object->setFlipVert(false);
    image = render(*object);
    EXPECT_TRUE(isRed(image.pixel(145, 55)));
}

TEST(ColorRectDraw, WhileEditedInPlaceTheObjectIsUnturnedAndItsTextNotDrawn)
{
    auto object = imageObject(QRectF(50, 50, 100, 100), QSize(10, 10), QSizeF(10, 10));
    object->setScaleWithBox(false);
    object->setAngle(90, false);
    object->setEditable(true);
    EXPECT_TRUE(object->isEditable1());
    EXPECT_TRUE(isRed(render(*object).pixel(55, 55)));

    auto text = ColorRect::create(QRectF(10, 10, 180, 100));
    text->setDrawsFill(false);
    text->textStorage()->setDefaultFont(qmtest::testFont(30));
    QTextCursor(text->textStorage()).insertText("MMMM");
    EXPECT_NE(render(*text), blank());
    text->setEditable(true);
    EXPECT_EQ(render(*text), blank());
}

TEST(ColorRectDraw, TextIsDrawnInsideTheFrameWithPadding)
{
    auto object = ColorRect::create(QRectF(40, 40, 120, 100));
    object->setDrawsFill(false);
    object->textStorage()->setDefaultFont(qmtest::testFont(24));
    QTextCursor(object->textStorage()).insertText("MMMMMMMMMMMM");
    const QImage image = render(*object);
    int minX = 200, maxX = -1, minY = 200, maxY = -1;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (!isWhite(image.pixel(x, y))) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
    }
    ASSERT_GE(maxX, 0);
    EXPECT_GE(minX, 45);
    EXPECT_LE(maxX, 155);
    EXPECT_GE(minY, 40);
    EXPECT_LE(maxY, 140);
    // Twelve wide letters wrap onto several lines of the 110-point column.
    EXPECT_GT(maxY - minY, 40);
    EXPECT_FALSE(object->isOverfilled());
}

TEST(ColorRectDraw, TextThatDoesNotFitSetsOverfill)
{
    auto object = ColorRect::create(QRectF(40, 40, 60, 20));
    object->textStorage()->setDefaultFont(qmtest::testFont(12));
    QTextCursor(object->textStorage()).insertText("one two three four five six seven");
    render(*object);
    EXPECT_TRUE(object->isOverfilled());
    object->setFrameBounds(QRectF(0, 0, 200, 200));
    render(*object);
    EXPECT_FALSE(object->isOverfilled());
}

TEST(ColorRectDraw, EveryStepRestoresThePainter)
{
    auto object = strokedBox(QRectF(20, 20, 100, 60), 4);
    object->setDrawsFill(true);
    object->setDrawsShadow(true);
    object->setFillType(2);
    object->setAngle(30, false);
    object->setFlipHor(true);
    object->setLinePattern(5);
    BezierPath clip = BezierPath::bezierPathWithRect(QRectF(0, 0, 50, 50));
    object->setClip(&clip);
    QTextCursor(object->textStorage()).insertText("Text");
    QImage image = blank();
    QPainter painter(&image);
    painter.translate(3, 4);
    const QTransform before = painter.transform();
    object->drawFrame(&painter, QRectF(), false);
    object->drawSelect(&painter, QRectF());
    object->drawCenter(&painter);
    EXPECT_EQ(painter.transform(), before);
    EXPECT_FALSE(painter.hasClipping());
    EXPECT_EQ(painter.pen().style(), Qt::SolidLine);
    EXPECT_DOUBLE_EQ(painter.opacity(), 1.0);
}

TEST(ColorRectDraw, ClipPathLimitsFillAndStroke)
{
    auto object = strokedBox(QRectF(20, 20, 100, 60), 4);
    object->setDrawsFill(true);
    object->setFillColor(Qt::red);
    const BezierPath clip = BezierPath::bezierPathWithRect(QRectF(0, 0, 70, 200));
    object->setClip(&clip);
    const QImage image = render(*object);
    EXPECT_TRUE(isRed(image.pixel(60, 50)));
    EXPECT_TRUE(isWhite(image.pixel(80, 50)));
    EXPECT_TRUE(isWhite(image.pixel(80, 21)));
}

TEST(ColorRectDraw, CentreMarkKeepsItsScreenSize)
{
    qmtest::FakeCanvas canvas;
    canvas.zoomCoeff = 2;
    auto object = ColorRect::create(QRectF(40, 40, 20, 20));
    object->setMainView(&canvas);
    QImage image = blank();
    QPainter painter(&image);
    painter.scale(2, 2);
    object->drawCenter(&painter);
    painter.end();
    // 7 screen units either side of the centre (100, 100) in pixels.
    int reach = 0;
    for (int x = 100; x < 120; ++x) {
        if (qBlue(image.pixel(x, 100)) > qRed(image.pixel(x, 100)) + 60)
            reach = x - 100;
    }
    EXPECT_NEAR(reach, 7, 1);
}

TEST(ColorRectDraw, InPlaceShapedTextIsDrawnOnceAtTheEditorsOrigin)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create(QRectF(100, 100, 60, 40));
    object->setMainView(&canvas);
    object->setPowerText(true);
    object->setFillColor(Qt::red);
    QTextCursor(object->textStorage()).insertText("Shape");
    object->setEditable(true);

    QImage image = blank();
    {
        QPainter painter(&image);
        object->drawRect(&painter, QRectF(0, 0, 60, 40));
    }
    EXPECT_TRUE(isRed(image.pixel(30, 20)));
    EXPECT_TRUE(isWhite(image.pixel(130, 120)));
    EXPECT_EQ(object->frameBounds(), QRectF(100, 100, 60, 40));

    // Drawn again only after the next setEditable().
    QImage second = blank();
    {
        QPainter painter(&second);
        object->drawRect(&painter, QRectF(0, 0, 60, 40));
    }
    EXPECT_EQ(second, blank());
    object->setEditable(true);
    {
        QPainter painter(&second);
        object->drawRect(&painter, QRectF(0, 0, 60, 40));
    }
    EXPECT_TRUE(isRed(second.pixel(30, 20)));
}

TEST(ColorRectDraw, ShadowColourThatCannotBeConvertedCastsNoShadow)
{
    auto object = ColorRect::create(QRectF(50, 50, 40, 40));
    object->setFillColor(Qt::black);
    object->setDrawsShadow(true);
    object->setShadowBlur(0);
    object->setShadowColor(QColor());
    const QImage image = render(*object);
    EXPECT_TRUE(isDark(image.pixel(70, 70)));
    EXPECT_TRUE(isWhite(image.pixel(94, 94)));
}
