#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainterPath>
#include <QPainter>
#include <QWidget>

#include "platform/Shadow.h"

#include <cmath>
#include <thread>
#include <vector>

using namespace quillmark;

namespace {

const QRectF Square(40, 40, 40, 40);

void blackSquare(QPainter *p)
{
    p->fillRect(Square, Qt::black);
}

QImage render(const Shadow &shadow, const QTransform &transform = {}, const QRectF &bounds = Square,
              const std::function<void(QPainter *)> &paint = blackSquare)
{
    QImage image(160, 160, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setTransform(transform);
    shadow.draw(&p, bounds, paint);
    return image;
}

int gray(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y));
}

} // namespace

TEST(Shadow, FallsDownRightForANegativeYOffset)
{
    Shadow shadow;
    shadow.offset = QPointF(7, -7);
    shadow.blurRadius = 4;
    shadow.color = QColor(0, 0, 0, 200);
    const QImage image = render(shadow);
    // The object itself is drawn on top.
    EXPECT_EQ(gray(image, 60, 60), 0);
    // Down-right of the square: the shadow; up-left: untouched paper.
    EXPECT_LT(gray(image, 83, 83), 200);
    EXPECT_LT(gray(image, 60, 84), 200);
    EXPECT_LT(gray(image, 84, 60), 200);
    EXPECT_EQ(gray(image, 37, 37), 255);
    EXPECT_EQ(gray(image, 60, 35), 255);
    EXPECT_EQ(gray(image, 35, 60), 255);
    // Blurred: it fades out beyond the offset square's edge.
    EXPECT_LT(gray(image, 85, 85), gray(image, 90, 90));
}

TEST(Shadow, NoBlurGivesAHardEdge)
{
    Shadow shadow;
    shadow.offset = QPointF(7, -7);
    shadow.blurRadius = 0;
    shadow.color = QColor(0, 0, 0, 255);
    const QImage image = render(shadow);
    // The shadow square covers x, y in [47, 87).
    EXPECT_EQ(gray(image, 86, 86), 0);
    EXPECT_EQ(gray(image, 87, 87), 255);
    EXPECT_EQ(gray(image, 86, 50), 0);
    EXPECT_EQ(gray(image, 87, 50), 255);
    EXPECT_EQ(gray(image, 50, 87), 255);
    EXPECT_EQ(gray(image, 50, 86), 0);
    EXPECT_EQ(gray(image, 45, 85), 255);
    EXPECT_EQ(gray(image, 85, 45), 255);
}

TEST(Shadow, TheColourAndItsAlphaAreKept)
{
    Shadow shadow;
    shadow.offset = QPointF(20, -20);
    shadow.blurRadius = 0;
    shadow.color = QColor(255, 0, 0, 128);
    const QImage image = render(shadow);
    const QColor c = image.pixelColor(95, 95);
    // Half-transparent red over white.
    EXPECT_NEAR(c.red(), 255, 1);
    EXPECT_NEAR(c.green(), 127, 2);
    EXPECT_NEAR(c.blue(), 127, 2);
    EXPECT_EQ(image.pixelColor(60, 60), QColor(Qt::black));
}

TEST(Shadow, FollowsWhatIsDrawnNotTheBounds)
{
    // A circle inside generous bounds: the shadow is round too.
    Shadow shadow;
    shadow.offset = QPointF(10, -10);
    shadow.color = QColor(0, 0, 255);
    const QImage image = render(shadow, {}, QRectF(30, 30, 60, 60), [](QPainter *p) {
        p->setPen(Qt::NoPen);
        p->setBrush(Qt::black);
        p->drawEllipse(QRectF(40, 40, 40, 40));
    });
    EXPECT_EQ(image.pixelColor(70, 70), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(88, 70), QColor(Qt::blue));
    // The corner of the offset bounds square stays white, outside the circle's shadow.
    EXPECT_EQ(image.pixelColor(88, 88), QColor(Qt::white));
}

TEST(Shadow, RotatedPaintersKeepTheOffsetOnThePage)
{
    // The square drawn through a rotation about its centre: the shadow still falls down-right
    // on the page, not along the rotated axes.
    QTransform rotate;
    rotate.translate(60, 60).rotate(90).translate(-60, -60);
    Shadow shadow;
    shadow.offset = QPointF(15, 0);
    shadow.color = QColor(0, 0, 0);
    const QImage image = render(shadow, rotate);
    EXPECT_EQ(gray(image, 90, 60), 0);   // right of the square
    EXPECT_EQ(gray(image, 60, 90), 255); // below it: a rotated offset would land here
    EXPECT_EQ(gray(image, 30, 60), 255);
}

TEST(Shadow, ScalesWithTheDeviceNotTheZoom)
{
    QImage image(160, 160, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::white);
    Shadow shadow;
    shadow.offset = QPointF(10, -10);
    shadow.color = QColor(0, 0, 0);
    {
        QPainter p(&image);
        EXPECT_DOUBLE_EQ(Shadow::deviceScale(&p), 2.0);
        shadow.draw(&p, QRectF(10, 10, 20, 20), [](QPainter *q) { q->fillRect(QRectF(10, 10, 20, 20), Qt::black); });
    }
    // Square at device pixels [20, 60); its shadow 20 device pixels further.
    EXPECT_EQ(qGray(image.pixel(75, 75)), 0);
    EXPECT_EQ(qGray(image.pixel(81, 81)), 255);
}

TEST(Shadow, UserSpaceShadowsFollowThePaintersScale)
{
    // A 10-unit offset and a hard edge, drawn through scales of 1, 2 (a zoom), 300/72 (a
    // 300 dpi bitmap) and a rotated 2 with a mirror (rotation and mirrors do not change the
    // length), each on an image of pixel ratio 1 and 2.
    for (qreal ratio : {1.0, 2.0}) {
        for (qreal scale : {1.0, 2.0, 300.0 / 72.0}) {
            QImage image(QSize(400, 400) * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::white);
            Shadow shadow;
            shadow.units = Shadow::Units::UserSpace;
            shadow.offset = QPointF(10, 0);
            shadow.color = QColor(0, 0, 0);
            {
                QPainter p(&image);
                p.scale(scale, scale);
                EXPECT_NEAR(Shadow::userSpaceScale(&p), scale * ratio, 1e-9);
                shadow.draw(&p, QRectF(10, 10, 20, 20), [](QPainter *q) { q->fillRect(QRectF(10, 10, 20, 20), Qt::red); });
            }
            // The square ends at 30 units; its shadow at 40, in device pixels times the scale.
            const int row = int(20 * scale * ratio);
            const qreal px = scale * ratio;
            EXPECT_EQ(qGray(image.pixel(int(35 * px), row)), 0) << scale << " " << ratio;
            EXPECT_EQ(qGray(image.pixel(int(41 * px) + 1, row)), 255) << scale << " " << ratio;
        }
    }
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.rotate(30);
    p.scale(-2, 2);
    EXPECT_NEAR(Shadow::userSpaceScale(&p), 2.0, 1e-9);
}

TEST(Shadow, HostileOffsetsAndBlursAreBounded)
{
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    for (const QPointF &offset : {QPointF(1e300, -1e300), QPointF(std::nan(""), 0)}) {
        for (qreal blur : {1e300, -5.0, qreal(std::nan(""))}) {
            Shadow shadow;
            shadow.units = Shadow::Units::UserSpace;
            shadow.offset = offset;
            shadow.blurRadius = blur;
            shadow.color = QColor(0, 0, 0);
            QPainter p(&image);
            p.scale(1e3, 1e3);
            shadow.draw(&p, QRectF(0, 0, 1e9, 1e9), [](QPainter *q) { q->fillRect(QRectF(0, 0, 0.01, 0.01), Qt::red); });
        }
    }
    SUCCEED();
}

TEST(Shadow, AWidgetBesideOthersInItsWindowShowsItsWholeShadow)
{
    // The child paints into the window's backing store at an offset: its shadow must not
    // be cut where the child's own width would end if it sat at the window's origin.
    class ShadowedChild : public QWidget
    {
    public:
        using QWidget::QWidget;
        void paintEvent(QPaintEvent *) override
        {
            QPainter p(this);
            p.fillRect(rect(), Qt::white);
            Shadow shadow;
            shadow.units = Shadow::Units::UserSpace;
            shadow.offset = QPointF(10, -10);
            shadow.color = QColor(0, 0, 0);
            p.scale(2, 2);
            shadow.draw(&p, QRectF(60, 10, 20, 20), [](QPainter *q) { q->fillRect(QRectF(60, 10, 20, 20), Qt::red); });
        }
    };
    QWidget window;
    window.resize(600, 200);
    ShadowedChild child(&window);
    child.setGeometry(300, 0, 200, 100);
    const QImage image = window.grab().toImage();
    // The square covers child pixels [120, 160) across; its shadow reaches 180.
    const int y = 50;
    EXPECT_EQ(image.pixelColor(300 + 140, y), QColor(Qt::red));
    EXPECT_EQ(qGray(image.pixel(300 + 170, y + 10)), 0);
    EXPECT_EQ(qGray(image.pixel(300 + 185, y + 10)), 255);
}

TEST(Shadow, BlurKeepsTheTotalCoverage)
{
    QImage dot(41, 41, QImage::Format_Alpha8);
    dot.fill(0);
    dot.scanLine(20)[20] = 255;
    QImage block(41, 41, QImage::Format_Alpha8);
    block.fill(0);
    for (int y = 18; y < 23; ++y)
        for (int x = 18; x < 23; ++x)
            block.scanLine(y)[x] = 200;
    auto total = [](const QImage &image) {
        qint64 sum = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                sum += image.constScanLine(y)[x];
        return sum;
    };
    const qint64 before = total(block);
    Shadow::blurImage(block, 2.0);
    EXPECT_NEAR(double(total(block)), double(before), before * 0.03);
    EXPECT_LT(block.constScanLine(20)[20], 200);
    EXPECT_GT(block.constScanLine(20)[15], 0);
    // Symmetric spread.
    EXPECT_EQ(block.constScanLine(20)[15], block.constScanLine(20)[25]);
    EXPECT_EQ(block.constScanLine(15)[20], block.constScanLine(25)[20]);
    Shadow::blurImage(dot, 0);
    EXPECT_EQ(dot.constScanLine(20)[20], 255);
}

TEST(Shadow, TransparentColourDrawsOnlyTheObject)
{
    Shadow shadow;
    shadow.offset = QPointF(10, -10);
    shadow.color = QColor(0, 0, 0, 0);
    int calls = 0;
    render(shadow, {}, Square, [&](QPainter *p) { ++calls; blackSquare(p); });
    EXPECT_EQ(calls, 1);
    shadow.color = QColor(0, 0, 0, 10);
    calls = 0;
    render(shadow, {}, Square, [&](QPainter *p) { ++calls; blackSquare(p); });
    EXPECT_EQ(calls, 2);
}

TEST(Shadow, AKeptLayerDrawsWhatTheExactDrawingDrawsAndFitsItsBudget)
{
    // A source whose corner falls on a device pixel: the kept layer lands where the exact
    // drawing puts its shadow, over a ground of colours, for blurs, colours and zooms.
    const QRectF frame(20, 20, 30, 22);
    auto triangle = [&](QPainter *p) {
        QPainterPath path;
        path.moveTo(frame.topLeft());
        path.lineTo(frame.bottomRight());
        path.lineTo(frame.left() + 7.3, frame.bottom());
        path.closeSubpath();
        p->fillPath(path, QColor(20, 90, 200, 230));
    };
    auto ground = [] {
        QImage image(220, 220, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x, 255 - y, (x * y) % 256));
        return image;
    };
    auto render = [&](const Shadow &shadow, qreal zoom, bool kept) {
        QImage image = ground();
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(zoom, zoom);
        Shadow::Source source;
        source.corner = frame.topLeft();
        source.add('T', frame.size());
        if (kept)
            shadow.draw(&p, frame, triangle, source);
        else
            shadow.draw(&p, frame, triangle);
        return image;
    };
    auto largestDifference = [](const QImage &a, const QImage &b) {
        int most = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                 std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            }
        return most;
    };
    for (const QColor &color : {QColor(0, 0, 0, 128), QColor(200, 40, 90, 200), QColor(10, 200, 30)}) {
        for (qreal blur : {0.0, 1.3, 4.0, 10.0}) {
            for (qreal zoom : {1.0, 1.55}) {
                SCOPED_TRACE(QStringLiteral("%1 blur %2 zoom %3").arg(color.name(QColor::HexArgb)).arg(blur).arg(zoom).toStdString());
                Shadow shadow;
                shadow.units = Shadow::Units::UserSpace;
                shadow.offset = QPointF(6, -4);
                shadow.blurRadius = blur;
                shadow.color = color;
                Shadow::forgetKeptLayers();
                const QImage exact = render(shadow, zoom, false);
                const QImage made = render(shadow, zoom, true);
                EXPECT_EQ(largestDifference(exact, made), 0);
                // A byte a pixel, over no more than the blur reaches.
                const qreal reach = 1.5 * blur * zoom + 6;
                EXPECT_GT(Shadow::keptLayerBytes(), 0);
                EXPECT_LE(Shadow::keptLayerBytes(),
                          qint64((frame.width() * zoom + 2 * reach) * (frame.height() * zoom + 2 * reach)) + 2048);
                EXPECT_EQ(render(shadow, zoom, true), made);
                // Past its budget the layer is drawn and not kept.
                Shadow::setKeptLayerBudget(16);
                EXPECT_EQ(render(shadow, zoom, true), made);
                EXPECT_EQ(Shadow::keptLayerBytes(), 0);
                Shadow::setKeptLayerBudget(Shadow::KeptLayerBudget);
            }
        }
    }
}

TEST(Shadow, TheBlurIsThreeBoxesOfRoundedMeans)
{
    // Three boxes of the widths a Gaussian of sigma 7.3 takes (13, 15 and 15), each along the
    // rows and then down the columns, each sample the rounded mean of its box, beyond the
    // edges 0.
    QImage image(61, 47, QImage::Format_Alpha8);
    quint32 seed = 7;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            image.scanLine(y)[x] = (x > 20 && x < 40 && y > 10 && y < 30) ? 255 : uchar(seed >> 24);
        }
    std::vector<std::vector<int>> expected(size_t(image.height()), std::vector<int>(size_t(image.width())));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            expected[size_t(y)][size_t(x)] = image.constScanLine(y)[x];
    auto pass = [&](int radius, bool rows) {
        const auto source = expected;
        const int width = 2 * radius + 1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                int sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int sx = rows ? x + k : x, sy = rows ? y : y + k;
                    if (sx >= 0 && sx < image.width() && sy >= 0 && sy < image.height())
                        sum += source[size_t(sy)][size_t(sx)];
                }
                expected[size_t(y)][size_t(x)] = (sum + width / 2) / width;
            }
    };
    for (int radius : {6, 7, 7})
        for (bool rows : {true, false})
            pass(radius, rows);
    Shadow::blurImage(image, 7.3);
    int wrong = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            wrong += image.constScanLine(y)[x] != expected[size_t(y)][size_t(x)];
    EXPECT_EQ(wrong, 0);
}

TEST(Shadow, LayersBlurredAsideShowWhatTheExactDrawingShowsOnceTheyArrive)
{
    // Many sources of shapes of their own on a widget, their corners on whole pixels: drawn
    // exactly, and from layers blurred by the runner's thread.
    class Shapes : public QWidget
    {
    public:
        using QWidget::QWidget;
        bool kept = true;
        void paintEvent(QPaintEvent *) override
        {
            QPainter p(this);
            p.fillRect(rect(), QColor(250, 240, 200));
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(2, 2);
            Shadow shadow;
            shadow.units = Shadow::Units::UserSpace;
            shadow.offset = QPointF(3, -2);
            shadow.blurRadius = 2.5;
            shadow.color = QColor(40, 0, 90, 170);
            // More than a piece the runner is handed while the repaint goes on.
            for (int i = 0; i < 1040; ++i) {
                const QRectF frame(4 + (i % 40) * 14, 4 + (i / 40) * 9, 9, 5);
                auto shape = [frame, i](QPainter *q) {
                    QPainterPath path;
                    path.moveTo(frame.topLeft());
                    path.lineTo(frame.right(), frame.top() + (i % 7) * 0.7);
                    path.lineTo(frame.left() + (i % 5) * 1.9, frame.bottom());
                    path.closeSubpath();
                    q->fillPath(path, QColor(20, 120, 60));
                };
                Shadow::Source source;
                source.corner = frame.topLeft();
                source.add('T', i);
                if (kept)
                    shadow.draw(&p, frame, shape, source);
                else
                    shadow.draw(&p, frame, shape);
            }
        }
    };
    int asked = 0;
    std::vector<std::thread> threads;
    Shadow::setAsideRunner([&](std::function<void()> make, std::function<void()> arrived) {
        ++asked;
        threads.emplace_back([make = std::move(make), arrived = std::move(arrived)] {
            make();
            QMetaObject::invokeMethod(qApp, arrived, Qt::QueuedConnection);
        });
    });
    auto arrive = [&] {
        for (int guard = 0; Shadow::layersUnderWay() > 0 && guard < 2000; ++guard)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        for (std::thread &thread : threads)
            thread.join();
        threads.clear();
        QCoreApplication::processEvents();
    };
    Shapes shapes;
    shapes.resize(1140, 490);
    shapes.kept = false;
    const QImage exact = shapes.grab().toImage();
    shapes.kept = true;
    for (const qint64 budget : {Shadow::KeptLayerBudget, qint64(30000), qint64(0)}) {
        SCOPED_TRACE(budget);
        Shadow::setKeptLayerBudget(budget);
        // Drawn at once without the shadows still to come, then with them.
        const QImage first = shapes.grab().toImage();
        if (budget > 0) {
            EXPECT_GT(Shadow::layersUnderWay(), 0);
            EXPECT_NE(first, exact);
            // The first piece went while the repaint went on, the rest go once it is over.
            if (budget == Shadow::KeptLayerBudget) {
                EXPECT_EQ(asked, 1);
            }
        } else {
            EXPECT_EQ(Shadow::layersUnderWay(), 0);
            EXPECT_EQ(first, exact);
        }
        arrive();
        EXPECT_EQ(shapes.grab().toImage(), exact);
        // Nothing is asked for again: what did not fit is drawn as it was.
        const int before = asked;
        arrive();
        EXPECT_EQ(shapes.grab().toImage(), exact);
        EXPECT_EQ(asked, before);
        EXPECT_EQ(Shadow::layersUnderWay(), 0);
        EXPECT_LE(Shadow::keptLayerBytes(), budget);
    }
    Shadow::setKeptLayerBudget(Shadow::KeptLayerBudget);
    Shadow::setAsideRunner({});
    Shadow::forgetKeptLayers();
}
