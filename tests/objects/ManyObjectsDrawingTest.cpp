// On the screen of a design of thousands of objects, an upright oval's fill and stroke are
// copied from a picture shared by every oval of its size and look, and a path's outline that
// crosses many pixels from a picture made aside: each draws what the object draws directly,
// where it lies, in its own colours, whatever part of a pixel its frame starts at. With few
// objects, and off the screen, they are drawn directly as before.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <functional>
#include <optional>

#include "common/DrawnAtZoom.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/FakeCanvas.h"
#include "objects/KeptPicture.h"
#include "objects/PictureWorker.h"
#include "platform/BezierPath.h"

using namespace quillmark;

namespace {

// The object drawn at the canvas's zoom into an image, as the screen draws it or exactly.
QImage drawn(ColorRect &object, bool screen)
{
    return qmtest::drawnAtZoom(object, screen, QSize(420, 320), QImage::Format_ARGB32_Premultiplied);
}

struct Apart
{
    int most = 0;      // the largest difference of a channel
    double ink = 0.0;  // how far the whole coverage differs, as a part of it
};

Apart apart(const QImage &a, const QImage &b)
{
    Apart found;
    double inkA = 0.0, inkB = 0.0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            found.most = std::max({found.most, std::abs(qRed(pa[x]) - qRed(pb[x])),
                                   std::abs(qGreen(pa[x]) - qGreen(pb[x])), std::abs(qBlue(pa[x]) - qBlue(pb[x]))});
            inkA += 765 - qRed(pa[x]) - qGreen(pa[x]) - qBlue(pa[x]);
            inkB += 765 - qRed(pb[x]) - qGreen(pb[x]) - qBlue(pb[x]);
        }
    }
    found.ink = inkA > 0.0 ? std::abs(inkA - inkB) / inkA : (inkB > 0.0 ? 1.0 : 0.0);
    return found;
}

// Where an image is drawn on (not white).
std::optional<QRect> inked(const QImage &image)
{
    QRect found;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qGreen(line[x]) < 250)
                found |= QRect(x, y, 1, 1);
    }
    return found.isNull() ? std::nullopt : std::optional<QRect>(found);
}

BezierPath zigzag(const QRectF &frame)
{
    BezierPath outline;
    outline.moveTo(frame.topLeft());
    for (int k = 1; k < 12; ++k)
        outline.lineTo(QPointF(frame.x() + frame.width() * ((k * 7) % 11) / 10.0,
                               frame.y() + frame.height() * ((k * 3) % 5) / 4.0));
    outline.closePath();
    return outline;
}

} // namespace

TEST(ManyObjectsDrawing, OvalsFromTheirSharedPictureDrawWhatTheyDrawDirectly)
{
    qmtest::FakeCanvas canvas;
    canvas.objects = 5000;
    struct Look
    {
        const char *name;
        std::function<void(ColorRect &)> set;
    };
    const Look looks[] = {
        {"fill and stroke",
         [](ColorRect &o) {
             o.setDrawsFill(true);
             o.setFillColor(QColor(200, 60, 40));
         }},
        {"another fill", // the same size and stroke: the picture of the first must not stand in
         [](ColorRect &o) {
             o.setDrawsFill(true);
             o.setFillColor(QColor(30, 150, 90));
         }},
        {"dashed thick stroke",
         [](ColorRect &o) {
             o.setDrawsFill(false);
             o.setStrokeLineWidth(3.0f);
             o.setLinePattern(2);
             o.setStrokeColor(QColor(20, 40, 200));
         }},
        {"fill alone",
         [](ColorRect &o) {
             o.setDrawsFill(true);
             o.setFillColor(QColor(90, 90, 220));
             o.setDrawsStroke(false);
         }},
    };
    // Wide and flat, tall and narrow, round; each at other parts of a pixel.
    const QRectF frames[] = {QRectF(10.3, 7.6, 150.2, 3.4), QRectF(40.55, 20.1, 3.3, 120.7),
                             QRectF(5.125, 5.9, 60.0, 40.0), QRectF(100.0, 100.0, 80.0, 50.0)};
    for (const Look &look : looks) {
        for (const QRectF &frame : frames) {
            SCOPED_TRACE(std::string(look.name) + " at " + std::to_string(frame.x()) + "," + std::to_string(frame.y()));
            auto oval = ColorOval::create(frame);
            look.set(*oval);
            oval->setMainView(&canvas);
            const QImage exact = drawn(*oval, false);
            const Apart shown = apart(exact, drawn(*oval, true));
            // A picture made at the nearest quarter of a pixel: its edges' pixels differ a little.
            EXPECT_LE(shown.most, 80);
            EXPECT_LE(shown.ink, 0.03);
            // Drawn a second time from the picture kept, the same.
            EXPECT_LE(apart(exact, drawn(*oval, true)).most, 80);
        }
    }

    // A few objects: drawn directly on the screen too.
    canvas.objects = 10;
    auto oval = ColorOval::create(QRectF(10.3, 7.6, 150.2, 3.4));
    oval->setMainView(&canvas);
    EXPECT_EQ(drawn(*oval, true), drawn(*oval, false));
}

TEST(ManyObjectsDrawing, APathAcrossManyPixelsIsShownFromAPictureOfWhatItDraws)
{
    qmtest::FakeCanvas canvas;
    for (const QRectF &frame : {QRectF(10.3, 7.6, 150.2, 40.4), QRectF(40.55, 20.1, 30.3, 150.7),
                                QRectF(20.0, 30.0, 120.0, 90.0)}) {
        SCOPED_TRACE(std::to_string(frame.width()) + " x " + std::to_string(frame.height()));
        auto path = ColorPath::create(frame);
        path->setBezierPath(zigzag(frame));
        path->setDrawsFill(true);
        path->setFillColor(QColor(200, 60, 40));
        path->setMainView(&canvas);

        canvas.objects = 10;
        const QImage exact = drawn(*path, false);
        EXPECT_EQ(drawn(*path, true), exact) << "few objects: drawn directly";

        canvas.objects = 5000;
        // First the tinted frame while the picture is made aside, then the picture: the
        // outline where it lies, as much of it (the picture's edges are supersampled and it
        // lies on whole pixels, so single pixels differ).
        const QImage meanwhile = drawn(*path, true);
        EXPECT_NE(meanwhile, exact);
        PictureWorker::waitUntilDone();
        QCoreApplication::processEvents();
        const QImage shown = drawn(*path, true);
        const std::optional<QRect> exactInk = inked(exact);
        const std::optional<QRect> shownInk = inked(shown);
        ASSERT_TRUE(exactInk && shownInk);
        EXPECT_LE((exactInk->topLeft() - shownInk->topLeft()).manhattanLength(), 2);
        EXPECT_LE((exactInk->bottomRight() - shownInk->bottomRight()).manhattanLength(), 2);
        EXPECT_LE(apart(exact, shown).ink, 0.05);
        EXPECT_NE(shown, meanwhile);
        // Off the screen (paper, a PDF, an export) it is drawn directly whatever the design.
        EXPECT_EQ(drawn(*path, false), exact);
    }
}

TEST(ManyObjectsDrawing, PathsPastTheBudgetOfTheirPicturesAreDrawnDirectlyUntilOneGoes)
{
    // Room for one picture of these paths (some 235 x 64 pixels at a zoom of 155 %, kept a
    // byte a pixel), not two.
    struct Budget
    {
        qint64 before = ColorPath::setCostlyPicturesBudget(20 * 1024);
        ~Budget() { ColorPath::setCostlyPicturesBudget(before); }
    } budget;
    qmtest::FakeCanvas canvas;
    canvas.objects = 5000;
    const QRectF frame(10.3, 7.6, 150.2, 40.4);
    auto makePath = [&] {
        auto path = ColorPath::create(frame);
        path->setBezierPath(zigzag(frame));
        path->setDrawsFill(true);
        path->setFillColor(QColor(200, 60, 40));
        path->setMainView(&canvas);
        return path;
    };
    auto first = makePath();
    auto second = makePath();
    const QImage exact = drawn(*second, false);

    EXPECT_NE(drawn(*first, true), exact) << "the first takes its picture: its stand-in shows meanwhile";
    PictureWorker::waitUntilDone();
    QCoreApplication::processEvents();
    // The second does not fit beside it: drawn directly, every time, never thrashing the first.
    EXPECT_EQ(drawn(*second, true), exact);
    EXPECT_EQ(drawn(*second, true), exact);
    EXPECT_LE(apart(exact, drawn(*first, true)).ink, 0.05);

    // The first gone, its share is given back and the second takes a picture.
    first.reset();
    EXPECT_NE(drawn(*second, true), exact);
    PictureWorker::waitUntilDone();
    QCoreApplication::processEvents();
    EXPECT_LE(apart(exact, drawn(*second, true)).ink, 0.05);
    second.reset();

    // Made small again (drawn directly), a path gives back what it held too.
    auto third = makePath();
    auto fourth = makePath();
    (void)drawn(*third, true);
    PictureWorker::waitUntilDone();
    QCoreApplication::processEvents();
    canvas.objects = 10;
    (void)drawn(*third, true);
    canvas.objects = 5000;
    EXPECT_NE(drawn(*fourth, true), drawn(*fourth, false)) << "the budget the third gave back";
    PictureWorker::waitUntilDone();
}

// Thousands of boxes and pictures are filled and drawn in bands of device rows on the screen,
// below what Qt hands to its thread pool: the pixels a whole fill or drawImage gives (a band's
// edge may round a partly covered pixel a level apart), at any part of a pixel, scaled,
// mirrored, clipped to a shape, and turned (drawn whole then).
TEST(ManyObjectsDrawing, FillsAndPicturesDrawnInBandsAreThePixelsDrawnWhole)
{
    QImage picture(97, 61, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgba((x * 37) % 256, (y * 53) % 256, ((x + y) * 11) % 256, 255));
    struct Setting
    {
        const char *name;
        std::function<void(QPainter &)> set;
    };
    const Setting settings[] = {
        {"scaled", [](QPainter &p) { p.scale(1.55, 1.55); }},
        {"scaled at a part of a pixel", [](QPainter &p) { p.translate(0.37, 0.81); p.scale(2.3, 1.7); }},
        {"mirrored", [](QPainter &p) { p.translate(400, 0); p.scale(-1.2, 1.4); }},
        {"clipped to a shape",
         [](QPainter &p) {
             QPainterPath round;
             round.addEllipse(QRectF(20, 15, 260, 190));
             p.setClipPath(round);
             p.scale(1.55, 1.55);
         }},
        {"turned", [](QPainter &p) { p.translate(150, 20); p.rotate(17); }},
    };
    const QRectF targets[] = {QRectF(10.3, 7.6, 150.2, 120.4), QRectF(40.55, 20.1, 33.3, 9.7),
                              QRectF(5.125, 5.9, 90.0, 140.25)};
    for (const Setting &setting : settings) {
        for (const QRectF &target : targets) {
            SCOPED_TRACE(std::string(setting.name) + " at " + std::to_string(target.x()) + "," + std::to_string(target.y()));
            auto draw = [&](const std::function<void(QPainter &)> &what) {
                QImage image(420, 320, QImage::Format_ARGB32_Premultiplied);
                image.fill(Qt::white);
                QPainter painter(&image);
                painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
                setting.set(painter);
                what(painter);
                return image;
            };
            const QColor tint(200, 60, 40, 170);
            EXPECT_LE(apart(draw([&](QPainter &p) { p.fillRect(target, tint); }),
                            draw([&](QPainter &p) { KeptPicture::fillInBands(&p, target, tint); })).most, 1);
            EXPECT_LE(apart(draw([&](QPainter &p) { p.drawImage(target, picture); }),
                            draw([&](QPainter &p) { KeptPicture::drawImageInBands(&p, target, picture); })).most, 1);
        }
    }

    // A plainly filled box among thousands on the screen: the pixels it fills.
    qmtest::FakeCanvas canvas;
    canvas.objects = 5000;
    auto box = ColorRect::create(QRectF(10.3, 7.6, 150.2, 120.4));
    box->setDrawsFill(true);
    box->setFillColor(QColor(30, 150, 90, 200));
    box->setMainView(&canvas);
    const Apart shown = apart(drawn(*box, false), drawn(*box, true));
    EXPECT_LE(shown.most, 1);
    EXPECT_LE(shown.ink, 0.001);
}
