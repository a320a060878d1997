// The supersampled fill of an outline is Qt's fill of that outline: sample for sample what Qt
// fills without antialiasing at four times the size, and as much ink as its antialiased fill,
// for outlines that cross themselves thousands of times, by either fill rule, in bands of rows
// whose borders vertices and edges lie on, turned, scaled and clipped.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cmath>
#include <limits>
#include <string>

#include "platform/CoverageMask.h"

using namespace quillmark;

namespace {

struct MaskCase
{
    std::string name;
    QPainterPath outline;
    QTransform transform;
    QRectF clip; // none when empty
};

// The coverage a painting leaves in each pixel of a transparent image, as its alpha.
QImage coverageOf(QSize size, const std::function<void(QPainter &)> &paint, QImage::Format format = QImage::Format_ARGB32_Premultiplied)
{
    QImage image(size, format);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter);
    return image;
}

void prepareCase(QPainter &p, const MaskCase &c, double scale = 1.0)
{
    p.scale(scale, scale);
    if (!c.clip.isEmpty())
        p.setClipRect(c.clip);
    p.setTransform(c.transform, true);
}

// Qt's fill without antialiasing at four times the size, each pixel the share of its sixteen
// samples.
QImage qtSampled(QSize size, const MaskCase &c)
{
    const QImage samples = coverageOf(size * 4, [&](QPainter &p) {
        prepareCase(p, c, 4.0);
        p.fillPath(c.outline, Qt::black);
    }, QImage::Format_Alpha8);
    QImage shares(size, QImage::Format_Alpha8);
    for (int y = 0; y < size.height(); ++y) {
        uchar *line = shares.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            int sum = 0;
            for (int s = 0; s < 4; ++s)
                for (int k = 0; k < 4; ++k)
                    sum += samples.constScanLine(y * 4 + s)[x * 4 + k];
            line[x] = uchar((sum + 8) / 16);
        }
    }
    return shares;
}

QPainterPath zigzagOutline(int points, const QRectF &frame, Qt::FillRule rule)
{
    QRandomGenerator random(7);
    QPainterPath path;
    path.moveTo(frame.topLeft());
    for (int i = 1; i < points; ++i)
        path.lineTo(frame.x() + random.bounded(frame.width()), frame.y() + random.bounded(frame.height()));
    path.closeSubpath();
    path.setFillRule(rule);
    return path;
}

} // namespace

TEST(CoverageMask, FillsWhatQtFillsOfTheSameOutline)
{
    // A band holds a million pixels: 1024 rows of this width, when the outline reaches across
    // the whole image (a dot in two corners).
    const QSize size(1024, 1100);
    const double border = 1024.0;
    auto corners = [&size](QPainterPath path) {
        path.addRect(QRectF(0.0, 0.0, 2.0, 2.0));
        path.addRect(QRectF(size.width() - 2.0, size.height() - 2.0, 2.0, 2.0));
        return path;
    };

    std::vector<MaskCase> cases;
    for (Qt::FillRule rule : {Qt::WindingFill, Qt::OddEvenFill}) {
        const std::string ruleName = rule == Qt::WindingFill ? " (winding)" : " (odd-even)";
        cases.push_back({"zigzag of 600 points across the band border" + ruleName,
                         corners(zigzagOutline(600, QRectF(20.3, 900.7, 980.0, 190.0), rule)), {}, {}});
        // Five points of a star round a middle the outline winds about twice; two squares
        // drawn the same way round and one the other way, inside one another.
        QPainterPath star;
        for (int k = 0; k < 5; ++k) {
            const double a = k * 4.0 * M_PI / 5.0;
            const QPointF at(500.0 + 480.0 * std::sin(a), 600.0 - 480.0 * std::cos(a));
            k == 0 ? star.moveTo(at) : star.lineTo(at);
        }
        star.closeSubpath();
        star.addRect(QRectF(100.0, 1000.0, 300.0, 90.0));
        star.addRect(QRectF(150.0, 1010.0, 200.0, 70.0));
        QPainterPath reversed;
        reversed.addPolygon(QPolygonF({QPointF(600, 1000), QPointF(600, 1090), QPointF(900, 1090), QPointF(900, 1000)}));
        reversed.closeSubpath();
        star.addRect(QRectF(550.0, 990.0, 400.0, 105.0));
        star.addPath(reversed);
        star.setFillRule(rule);
        cases.push_back({"star and nested squares" + ruleName, corners(star), {}, {}});
    }
    // Vertices and level edges on the border of the bands, on the border of a row of samples
    // and on the middle of one, and edges that start or end there.
    QPainterPath borders;
    borders.moveTo(10.0, border);
    for (double y : {border, border + 0.25, border + 0.125, border - 0.125, border + 0.5})
        borders.lineTo(borders.currentPosition().x() + 90.0, y);
    borders.lineTo(700.0, border + 60.0);
    borders.lineTo(10.0, border - 60.0);
    borders.closeSubpath();
    borders.addRect(QRectF(750.0, border - 3.0, 200.0, 3.0));
    borders.addRect(QRectF(750.0, border, 200.0, 0.25));
    borders.addEllipse(QRectF(800.0, border - 40.0, 120.0, 80.0));
    cases.push_back({"on the borders of the bands and samples", corners(borders), {}, {}});
    // Turned and scaled, clipped so that edges start above the first row drawn and the
    // outline reaches past the image on every side.
    QTransform turned;
    turned.translate(512.0, 550.0);
    turned.rotate(17.0);
    turned.scale(1.7, 1.3);
    turned.translate(-512.0, -550.0);
    cases.push_back({"turned, scaled and clipped", zigzagOutline(400, QRectF(-100.0, 300.0, 1200.0, 600.0), Qt::WindingFill),
                     turned, QRectF(100.0, 700.0, 800.0, 390.0)});

    for (const MaskCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QImage ours = coverageOf(size, [&](QPainter &p) {
            prepareCase(p, c);
            fillWithin(&p, c.outline, Qt::black);
        });
        const QImage sampled = qtSampled(size, c);
        const QImage antialiased = coverageOf(size, [&](QPainter &p) {
            p.setRenderHint(QPainter::Antialiasing);
            prepareCase(p, c);
            p.fillPath(c.outline, Qt::black);
        });
        // Qt snaps each end of an edge to a 64th of a sample and flattens curves its own way: a
        // sample centre that near an edge may fall on either side of it, so some pixels of the
        // edges differ by a sample or two (an edge nearly level moves across by several).
        int differing = 0, far = 0, edgePixels = 0, worst = 0;
        double inkOurs = 0.0, inkSampled = 0.0, inkAntialiased = 0.0, worstRow = 0.0;
        for (int y = 0; y < size.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(ours.constScanLine(y));
            const uchar *expected = sampled.constScanLine(y);
            const auto *exact = reinterpret_cast<const QRgb *>(antialiased.constScanLine(y));
            double rowOurs = 0.0, rowSampled = 0.0;
            for (int x = 0; x < size.width(); ++x) {
                const int alpha = qAlpha(line[x]);
                const int difference = std::abs(alpha - expected[x]);
                worst = std::max(worst, difference);
                differing += difference != 0;
                far += difference > 32;
                edgePixels += alpha != 0 && alpha != 255;
                rowOurs += alpha;
                rowSampled += expected[x];
                inkAntialiased += qAlpha(exact[x]);
            }
            inkOurs += rowOurs;
            inkSampled += rowSampled;
            // A row of samples lost or doubled at a band's border moves a row's ink by a quarter.
            worstRow = std::max(worstRow, std::abs(rowOurs - rowSampled) / (rowSampled + 255.0));
        }
        ASSERT_GT(inkSampled, 0.0);
        EXPECT_LE(worst, 80);
        EXPECT_LE(differing, edgePixels / 10);
        EXPECT_LE(far, edgePixels / 1000 + 10);
        EXPECT_LE(worstRow, 0.04);
        EXPECT_NEAR(inkOurs, inkSampled, inkSampled * 0.001);
        // The antialiased fill measures each pixel's area (crossings within a pixel it takes
        // only roughly).
        EXPECT_NEAR(inkOurs, inkAntialiased, inkAntialiased * 0.005);
    }

    // What is painted within the outline is kept as the fill keeps its colour.
    const MaskCase &zigzag = cases.front();
    auto withinColour = [&](bool painted) {
        return coverageOf(size, [&](QPainter &p) {
            if (painted)
                paintWithin(&p, zigzag.outline, [](QPainter *q) { q->fillRect(QRectF(-5, -5, 2000, 2000), QColor(30, 150, 90)); });
            else
                fillWithin(&p, zigzag.outline, QColor(30, 150, 90));
        });
    };
    EXPECT_EQ(withinColour(true), withinColour(false));

    // Points far past any device (Qt drops those that are not numbers): the fill ends.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const QPointF &wild : {QPointF(1e300, 500.0), QPointF(500.0, -1e300), QPointF(nan, 500.0), QPointF(3e9, 3e9)}) {
        QPainterPath outline;
        outline.moveTo(10.0, 10.0);
        outline.lineTo(wild);
        outline.lineTo(300.0, 200.0);
        outline.lineTo(10.0, 200.0);
        outline.closeSubpath();
        coverageOf(QSize(320, 240), [&](QPainter &p) { fillWithin(&p, outline, Qt::black); });
    }
}
