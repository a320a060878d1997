// The preview of a large picture is computed on a smaller copy of it, with the filter's inputs
// brought to that copy: lengths shrink with it, inverse lengths (how many features a pixel
// holds) grow against it. For every filter of the catalogue the preview of a large
// picture, taken as the panel shows it, has features of the size the result has: the
// autocorrelation length of the preview and that of the result brought to the preview's scale
// agree.
#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "images/CIFilterDataSource.h"
#include "images/Controller.h"
#include "images/MyImageView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QSet>
#include <QTest>
#include <QTreeView>

#include <cmath>
#include <vector>

using namespace quillmark;

namespace {

// A photo's worth of pixels with features of about 60 pixels: soft blobs of many colours,
// drawn small and enlarged.
QImage blobbyPicture(QSize size)
{
    QImage small(size / 20, QImage::Format_RGB32);
    small.fill(QColor(128, 128, 128));
    QPainter painter(&small);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QRandomGenerator random(7);
    for (int i = 0; i < small.width() * small.height() / 6; ++i) {
        painter.setBrush(QColor(random.bounded(256), random.bounded(256), random.bounded(256)));
        const double r = 1.0 + random.bounded(2.0);
        painter.drawEllipse(QPointF(random.bounded(small.width()), random.bounded(small.height())), r, r);
    }
    painter.end();
    return small.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The grey of a picture's pixels, `side` pixels square, each the mean of a `factor`-pixel
// square of `image` from (x0, y0).
std::vector<double> greys(const QImage &image, int x0, int y0, int side, int factor)
{
    std::vector<double> out(size_t(side) * side, 0.0);
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            double sum = 0;
            for (int dy = 0; dy < factor; ++dy) {
                const QRgb *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y0 + y * factor + dy));
                for (int dx = 0; dx < factor; ++dx) {
                    const QRgb p = row[x0 + x * factor + dx];
                    // Over mid grey, so that clear and opaque pixels both count.
                    const double a = qAlpha(p) / 255.0;
                    sum += 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p) + (1 - a) * 128;
                }
            }
            out[size_t(y) * side + x] = sum / (factor * factor);
        }
    return out;
}

// The lag, in pixels, at which the autocorrelation of the greys along a row and along a
// column falls to a half (the mean of the two): how far apart pixels stop looking alike. Every
// `step`-th row (column) is taken. Nothing when the greys hardly vary.
std::optional<double> correlationLength(const std::vector<double> &g, int side, int step = 1)
{
    double mean = 0;
    for (double v : g)
        mean += v;
    mean /= double(g.size());
    double variance = 0;
    for (double v : g)
        variance += (v - mean) * (v - mean);
    variance /= double(g.size());
    if (variance < 4.0)
        return std::nullopt;
    const int maxLag = side / 3;
    auto lengthAlong = [&](int dx, int dy) {
        double previous = 1.0;
        for (int lag = 1; lag <= maxLag; ++lag) {
            double sum = 0;
            int count = 0;
            for (int y = 0; y + lag * dy < side; y += dx ? step : 1)
                for (int x = 0; x + lag * dx < side; x += dy ? step : 1) {
                    sum += (g[size_t(y) * side + x] - mean) * (g[size_t(y + lag * dy) * side + x + lag * dx] - mean);
                    ++count;
                }
            const double c = sum / count / variance;
            if (c < 0.5)
                return lag - 1 + (previous - 0.5) / (previous - c);
            previous = c;
        }
        return double(maxLag);
    };
    return (lengthAlong(1, 0) + lengthAlong(0, 1)) / 2;
}

} // namespace

TEST(EffectPreviewScale, EveryFilterPreviewsALargePictureWithTheFeaturesOfItsResult)
{
    Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
    auto panel = std::make_unique<Controller>();
    // A preview small enough that its zoom asks for the picture at an eighth of its size.
    panel->resize(900, 600);
    panel->previewScrollView()->setFixedSize(215, 145);
    panel->show();
    // Smaller than the 6000 x 4000 of a photo, in a preview as much smaller: the relation of
    // preview and result is the same, an eighth, at a tenth of the work.
    const QSize size(1800, 1200);
    panel->showPanel(blobbyPicture(size));
    MyImageView *view = panel->ciView();
    const double scale = panel->previewScale(view->getZoom());
    ASSERT_EQ(scale, 0.125) << view->getZoom();
    const int factor = int(std::lround(1 / scale));
    // The middle of the picture, at full size and as the preview holds it.
    const int side = 64;
    const QRect middle(size.width() / 2 - side * factor / 2, size.height() / 2 - side * factor / 2, side * factor,
                       side * factor);

    QTreeView *outline = panel->outlineView();
    outline->expandAll();
    QSet<QString> seen;
    int compared = 0;
    QStringList problems;
    for (const CIFilterDataSource::Category &category : panel->dataSource()->categories()) {
        for (const CIFilterDataSource::Entry &entry : category.entries) {
            if (seen.contains(entry.filterClass))
                continue;
            seen.insert(entry.filterClass);
            SCOPED_TRACE(entry.filterClass.toStdString());

            const QModelIndex row = panel->dataSource()->indexOfFilter(entry.filterClass);
            outline->scrollTo(row);
            QApplication::processEvents();
            QTest::mouseClick(outline->viewport(), Qt::LeftButton, Qt::NoModifier, outline->visualRect(row).center());
            ASSERT_EQ(panel->getCurrentFilter()->name(), entry.filterClass);
            view->repaint();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->isRendering(); }, 60000));
            view->repaint();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->isRendering(); }, 60000));
            const FilterImage result = panel->coreImageResult(false);
            if (result.isNull()) {
                // A filter waiting for a second picture shows nothing, in the preview too.
                EXPECT_TRUE(view->renderedResult().isNull());
                continue;
            }
            // A filter whose result leaves the middle out (a crop of a corner) has nothing there
            // to compare.
            if (!result.isInfinite() && !result.extent().contains(QRectF(middle)))
                continue;
            ASSERT_EQ(view->renderedScale(), scale);
            const QImage preview = view->renderedResult();
            const QRect shown = view->renderedRect();
            ASSERT_FALSE(preview.isNull());
            // The preview's rows run from the top of the picture, as rendering does.
            const int px = int(std::lround(middle.x() * scale)) - shown.x();
            const int py = shown.y() + shown.height() - int(std::lround((middle.y() + middle.height()) * scale));
            ASSERT_TRUE(QRect(0, 0, preview.width(), preview.height()).contains(QRect(px, py, side, side)))
                << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height() << " at " << px << "," << py;
            // Both in pixels of the picture: the preview scaled back, and the preview as it should
            // be, the result brought to the preview's scale (each pixel the mean of its square).
            auto inPicturePixels = [factor](std::optional<double> length) {
                return length ? std::optional<double>(*length * factor) : std::nullopt;
            };
            const std::optional<double> previewLength =
                inPicturePixels(correlationLength(greys(preview, px, py, side, 1), side));
            const QImage full = result.render(middle);
            const std::optional<double> idealLength =
                inPicturePixels(correlationLength(greys(full, 0, 0, side, factor), side));
            // A preview pixel is the finest the preview can show.
            const double finest = factor;
            const bool agree = previewLength && idealLength
                                   ? std::abs(*previewLength - *idealLength) <= std::max(finest, 0.35 * *idealLength)
                                   : previewLength.has_value() == idealLength.has_value();
            ++compared;
            if (agree)
                continue;
            // Features of the result finer than a preview pixel (a dither, a screen) may show in
            // the preview as a pixel's grain, or not at all.
            const int fineSide = 192;
            const int fineAt = (side * factor - fineSide) / 2;
            const std::optional<double> fineLength = correlationLength(greys(full, fineAt, fineAt, fineSide, 1), fineSide, 2);
            if ((!fineLength || *fineLength < finest) && (!previewLength || *previewLength <= 1.5 * finest))
                continue;
            problems << QStringLiteral("%1: features %2 pixels across in the preview, %3 in the result brought to its scale")
                            .arg(entry.filterClass)
                            .arg(previewLength ? QString::number(*previewLength, 'f', 1) : QStringLiteral("none"))
                            .arg(idealLength ? QString::number(*idealLength, 'f', 1) : QStringLiteral("none"));
        }
    }
    EXPECT_GT(seen.size(), 60);
    EXPECT_GT(compared, 40);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    panel.reset();
    Language::reset();
}
