// Linear symbols drawn into bitmaps as a label export draws them: bars and spaces in whole
// pixels at every resolution, upright, turned by quarter turns and mirrored, at several places
// on the pixel grid, read back by ZXing (POSTNET by its bars), or the export's note names a
// resolution at which they read; and on a label whose edge the frame ends near, never widened
// past it without the note saying so.
#include <gtest/gtest.h>

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/BarcodeTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/ColorBarcodeTestSupport.h"
#include "barcodes/SymbologyMenu.h"
#include "canvas/CanvasTestSupport.h"

#include <QStringList>
#include <QTransform>

#include <cmath>
#include <optional>
#include <set>
#include <vector>

using namespace quillmark;

namespace {

struct LinearSample
{
    std::string data;
    std::string read; // what a reader finds: the data with the symbology's check digits
};

// What each symbology is given in the walk.
std::optional<LinearSample> linearSample(int type)
{
    switch (type) {
    case BarcodeType::Code128B:
        return LinearSample{"Quillmark-128", "Quillmark-128"};
    case BarcodeType::Code128A:
        return LinearSample{"SET A-42", "SET A-42"};
    case BarcodeType::Code128C:
        return LinearSample{"12345678", "12345678"};
    case BarcodeType::UpcA:
        return LinearSample{"03600029145", "036000291452"};
    case BarcodeType::UpcE:
        return LinearSample{"123456", "01234565"};
    case BarcodeType::Ean13:
        return LinearSample{"400638133393", "4006381333931"};
    case BarcodeType::Ean8:
        return LinearSample{"9638507", "96385074"};
    case BarcodeType::BooklandIsbn:
    case BarcodeType::BooklandIsbnPrefixed:
        return LinearSample{"030640615", "9780306406157"};
    case BarcodeType::BooklandIssn:
        return LinearSample{"0317847", "9770317847001"};
    case BarcodeType::BooklandIsmn:
        return LinearSample{"26000043", "9790260000438"};
    case BarcodeType::Postnet:
        return LinearSample{"12345", "12345"};
    default:
        return std::nullopt;
    }
}

bool isTwoDimensional(int type)
{
    return type == BarcodeType::DataMatrix || type == BarcodeType::QRCode;
}

std::shared_ptr<ColorBarcode> linearBarcode(int type, const std::string &data, double widthAdjust)
{
    auto barcode = ColorBarcode::create(QRectF(12, 10, 0, 0));
    TBarInfo info = barcode->getBarInfo();
    info.type = int16_t(type);
    info.setData(data);
    info.widthAdjust = widthAdjust;
    barcode->setBarInfo(info);
    barcode->setDrawBarcode(true);
    return barcode;
}

// Whether the symbol, drawn into a bitmap of `dpi` as an exported label is, reads as `sample`.
// A reader of linear symbols scans rows: a band across the middle of the bars is all it needs
// (and far quicker to draw and scan than the whole label); POSTNET is read by its bars' heights.
bool readsAt(ColorBarcode &barcode, int dpi, const LinearSample &sample)
{
    const QRectF frame = barcode.frameBounds();
    const bool postnet = barcode.getBarInfo().type == BarcodeType::Postnet;
    // Bars held by coarse pixels may reach past the frame; POSTNET's keep their own widths.
    const QRectF area = postnet ? frame.adjusted(-2, -2, 2, 2)
                                : QRectF(frame.x() - 12, frame.y() + frame.height() * 0.45 - 3,
                                         frame.width() * 1.6 + 24, 6);
    const QImage image = bctest::renderArea(area, dpi / 72.0, [&](QPainter *p) { barcode.printFrame(p, frame, 0); });
    if (postnet)
        return bctest::readPostnet(image) == sample.read;
    const auto decoded = bctest::decodeRows(image);
    return decoded && decoded->text == sample.read;
}

// The edges of the symbol's bars in whole pixels from its first bar, as the layout puts them
// into a bitmap of `dpi`; nothing when an edge falls between two pixels.
std::optional<std::vector<long>> barEdgesInPixels(const ColorBarcode &barcode, int dpi)
{
    const double scale = dpi / 72.0;
    LinearDrawContext drawn;
    BarcodeRenderer::drawBarcode(nullptr, barcode.frameBounds(),
                                 BarcodeRenderer::snappedToPixels(barcode.workingBarInfo(), scale),
                                 barcode.drawStyle(), &drawn);
    const std::vector<QRectF> bars = bctest::barRects(drawn.bars);
    if (bars.empty())
        return std::nullopt;
    std::vector<long> edges;
    for (const QRectF &bar : bars) {
        for (const double x : {bar.left(), bar.right()}) {
            const double pixels = (x - bars.front().left()) * scale;
            if (std::abs(pixels - std::round(pixels)) > 1e-6)
                return std::nullopt;
            edges.push_back(std::lround(pixels));
        }
    }
    return edges;
}

// The eight ways a symbol can face on the page, each reached by every angle and mirror that
// gives it: turned 0, 90, 180 or 270 degrees, mirrored left to right, top to bottom, or both.
struct Facing
{
    float angle;
    bool flipH;
    bool flipV;
};

std::vector<Facing> everyFacing()
{
    std::vector<Facing> all;
    for (const float angle : {0.0f, 90.0f, 180.0f, 270.0f})
        for (const bool h : {false, true})
            for (const bool v : {false, true})
                all.push_back({angle, h, v});
    return all;
}

void face(ColorBarcode &barcode, const Facing &facing)
{
    barcode.setAngle(facing.angle, false);
    barcode.setFlipHor(facing.flipH);
    barcode.setFlipVert(facing.flipV);
}

// From the symbol's own points to the page's, as the object turns and mirrors it.
QTransform ownToPage(const ColorBarcode &barcode)
{
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&scratch);
    barcode.flipFrame(&painter);
    barcode.rotateFrame(&painter, barcode.angle());
    return painter.worldTransform();
}

// How the symbol faces: facings that turn and mirror it alike draw it alike.
std::vector<double> facingOf(const ColorBarcode &barcode)
{
    const QTransform t = ownToPage(barcode);
    return {std::round(t.m11()), std::round(t.m12()), std::round(t.m21()), std::round(t.m22())};
}

// The image turned and mirrored back, pixel for pixel, so that the symbol reads left to right:
// where the symbol's own x axis runs on the page tells how.
QImage upright(const QImage &image, const QTransform &toPage)
{
    const QPointF x = toPage.map(QPointF(1, 0)) - toPage.map(QPointF(0, 0));
    const QPointF y = toPage.map(QPointF(0, 1)) - toPage.map(QPointF(0, 0));
    // The image's pixels as the symbol's own: columns along x, rows along y.
    const QTransform back(std::round(x.x()), std::round(x.y()), std::round(y.x()), std::round(y.y()), 0, 0);
    return image.transformed(back.inverted());
}

// Whether the band across the middle of the bars holds only black and white: a bar edge that
// falls between pixels leaves greys behind.
bool onlyWholePixels(const QImage &band)
{
    const QImage gray = band.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < gray.height(); ++y) {
        const uchar *line = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            if (line[x] > 8 && line[x] < 247)
                return false;
    }
    return true;
}

bool readsAs(const QImage &image, const LinearSample &sample, bool postnet)
{
    if (postnet)
        return bctest::readPostnet(image) == sample.read;
    const auto decoded = bctest::decodeRows(image);
    return decoded && decoded->text == sample.read;
}

// The label exported at `dpi`, cut to a band across the middle of the symbol's bars (the
// symbol whole for POSTNET) and turned back upright.
QImage labelBand(RectsView &view, const ColorBarcode &barcode, int dpi)
{
    const QRectF frame = barcode.frameBounds();
    const bool postnet = barcode.getBarInfo().type == BarcodeType::Postnet;
    const QRectF own = postnet ? frame.adjusted(-2, -2, 2, 2)
                               : QRectF(frame.x() - 12, frame.y() + frame.height() * 0.45 - 3, frame.width() * 1.6 + 24, 6);
    const QTransform toPage = ownToPage(barcode);
    const QRect pixels = QTransform::fromScale(dpi / 72.0, dpi / 72.0).mapRect(toPage.mapRect(own)).toAlignedRect();
    const QImage label = view.renderLabelImage(float(dpi), false);
    return upright(label.copy(pixels & label.rect()), toPage);
}

} // namespace

// Every linear symbology turned by every quarter turn and mirrored every way, at resolutions
// from 72 to 600 dpi and at several places on the pixel grid at each: the band across its bars
// holds black and white only, and each way its bars come out reads back.
TEST(BarsInWholePixels, TurnedAndMirroredSymbolsTakeWholePixelsAndReadAtEveryResolution)
{
    std::vector<int> resolutions = {150, 200, 203, 300, 600};
    for (int dpi = 72; dpi <= 600; dpi += 37)
        resolutions.push_back(dpi);
    int walked = 0;
    int readBack = 0;
    QStringList failures;
    for (const SymbologyItem &item : symbologyItems()) {
        if (isTwoDimensional(item.type))
            continue;
        const std::optional<LinearSample> sample = linearSample(item.type);
        ASSERT_TRUE(sample) << item.name.toStdString();
        const bool postnet = item.type == BarcodeType::Postnet;
        auto barcode = linearBarcode(item.type, sample->data, -2.0);
        const QSizeF size = barcode->frameBounds().size();
        std::set<std::vector<double>> faced;
        for (const Facing &facing : everyFacing()) {
            face(*barcode, facing);
            if (!faced.insert(facingOf(*barcode)).second)
                continue;
            std::set<std::pair<int, std::vector<long>>> read;
            for (const int dpi : resolutions) {
                for (const double place : {0.0, 0.35, 0.7}) {
                    ++walked;
                    barcode->setFrameBounds(QRectF(QPointF(40 + place, 40 + place * 0.7), size));
                    const QRectF frame = barcode->frameBounds();
                    const QTransform toPage = ownToPage(*barcode);
                    // A band across the middle of the bars (the whole symbol for POSTNET), in the
                    // symbol's own points, wide enough for bars that whole pixels widen.
                    const QRectF own = postnet ? frame.adjusted(-2, -2, 2, 2)
                                               : QRectF(frame.x() - 12, frame.y() + frame.height() * 0.45 - 3,
                                                        frame.width() * 1.6 + 24, 6);
                    const QImage image = upright(
                        bctest::renderArea(toPage.mapRect(own), dpi / 72.0, [&](QPainter *p) { barcode->printFrame(p, frame, 0); }),
                        toPage);
                    const QString where = QStringLiteral("%1 at %2 degrees%3%4 at %5 dpi, %6 pt on")
                                              .arg(item.name)
                                              .arg(double(facing.angle))
                                              .arg(facing.flipH ? QStringLiteral(", mirrored left to right") : QString())
                                              .arg(facing.flipV ? QStringLiteral(", mirrored top to bottom") : QString())
                                              .arg(dpi)
                                              .arg(place);
                    // POSTNET's bars keep their own widths; the band of the others crosses bars only.
                    if (!postnet && !onlyWholePixels(image.copy(0, image.height() / 4, image.width(), image.height() / 2))) {
                        failures << where + QStringLiteral(": bars between pixels");
                        continue;
                    }
                    const std::optional<std::vector<long>> edges = postnet ? std::nullopt : barEdgesInPixels(*barcode, dpi);
                    if (edges && !read.insert({dpi % 2, *edges}).second)
                        continue;
                    ++readBack;
                    if (readsAs(image, *sample, postnet))
                        continue;
                    const int named = BarcodeRenderer::resolutionKeepingBars(barcode->workingBarInfo(), dpi);
                    if (named <= dpi)
                        failures << where + QStringLiteral(": unread, no note");
                }
            }
        }
    }
    EXPECT_GE(walked, 11 * 8 * 20 * 3);
    EXPECT_LT(readBack, walked / 2);
    EXPECT_TRUE(failures.isEmpty()) << failures.size() << " failures, among them: "
                                    << failures.mid(0, 30).join(QStringLiteral("; ")).toStdString();
}

// Each linear symbology on a 5160 label (1 by 2 5/8 inches), its frame ending 0 to 5 points
// from the edge its bars run towards, facing every way, exported at usual resolutions through
// the label's render: it reads, or the export's note names a resolution at which it does.
// Whole pixels never take it past the label unsaid.
TEST(BarsInWholePixels, SymbolsEndingNearTheLabelsEdgeReadOrTheNoteSaysWhy)
{
    canvastest::freshDefaults(QStringLiteral("bars-near-edge"));
    canvastest::CanvasFixture canvas;
    RectsView &view = *canvas.view;
    int walked = 0;
    int narrowed = 0;
    QStringList silent;
    for (const SymbologyItem &item : symbologyItems()) {
        if (isTwoDimensional(item.type))
            continue;
        const std::optional<LinearSample> sample = linearSample(item.type);
        ASSERT_TRUE(sample) << item.name.toStdString();
        const bool postnet = item.type == BarcodeType::Postnet;
        auto barcode = linearBarcode(item.type, sample->data, -2.0);
        barcode->setPageName(view.getCurrPageName());
        barcode->setObjectLayer(1);
        view.addGraphic(barcode);
        const QSizeF size = barcode->frameBounds().size();
        std::set<std::vector<double>> faced;
        for (const Facing &facing : everyFacing()) {
            face(*barcode, facing);
            barcode->setFrameBounds(QRectF(QPointF(0, 0), size));
            if (!faced.insert(facingOf(*barcode)).second)
                continue;
            const QTransform toPage = ownToPage(*barcode);
            // The label lies along the bars: 2 5/8 inches across them when they run up or down.
            const QPointF along = toPage.map(QPointF(1, 0)) - toPage.map(QPointF(0, 0));
            const bool acrossPage = std::abs(along.x()) > 0.5;
            TLabel label;
            label.width = acrossPage ? 2.625f : 1.0f;
            label.height = acrossPage ? 1.0f : 2.625f;
            view.setTLabel(label);
            const QRectF page(0, 0, double(label.width) * 72, double(label.height) * 72);
            for (const double gap : {0.0, 1.5, 3.0, 5.0}) {
                // The turned frame placed so that its end, where the bars run to, lies `gap`
                // points inside the label's edge, centred the other way.
                barcode->setFrameBounds(QRectF(QPointF(0, 0), size));
                const QRectF turned = barcode->frameBoundsRotated();
                QPointF move = page.center() - turned.center();
                if (along.x() > 0.5)
                    move.setX(page.right() - gap - turned.right());
                else if (along.x() < -0.5)
                    move.setX(page.left() + gap - turned.left());
                else if (along.y() > 0.5)
                    move.setY(page.bottom() - gap - turned.bottom());
                else
                    move.setY(page.top() + gap - turned.top());
                barcode->setFrameBounds(QRectF(QPointF(0, 0), size).translated(move));
                for (const int dpi : {203, 300, 600}) {
                    ++walked;
                    const QString where = QStringLiteral("%1 at %2 degrees%3%4, %5 pt from the edge at %6 dpi")
                                              .arg(item.name)
                                              .arg(double(facing.angle))
                                              .arg(facing.flipH ? QStringLiteral(", mirrored left to right") : QString())
                                              .arg(facing.flipV ? QStringLiteral(", mirrored top to bottom") : QString())
                                              .arg(gap)
                                              .arg(dpi);
                    const double chosen = (barcode->workingBarInfo().barW + barcode->workingBarInfo().spaceW) / 2;
                    if (!postnet && barcode->bitmapModule(dpi, page) < chosen - 1e-9)
                        ++narrowed;
                    if (readsAs(labelBand(view, *barcode, dpi), *sample, postnet))
                        continue;
                    // Unread: the note names a resolution, and there it reads.
                    const QString note = view.coarseBarsMessage(dpi);
                    const int named = BarcodeRenderer::resolutionKeepingBars(
                        barcode->workingBarInfo(), dpi, [&](double at) { return barcode->bitmapModule(at, page); });
                    if (note.isEmpty() || named <= dpi || !note.contains(QString::number(named))
                        || !readsAs(labelBand(view, *barcode, named), *sample, postnet))
                        silent << where;
                }
            }
        }
        view.removeGraphicAtIndex(int(view.getRects().size()) - 1);
    }
    EXPECT_GE(walked, 11 * 8 * 4 * 3);
    // The default bars at 300 dpi would widen past the label: they take the module below.
    EXPECT_GT(narrowed, 0);
    EXPECT_TRUE(silent.isEmpty()) << silent.size() << " silent failures, among them: "
                                  << silent.mid(0, 30).join(QStringLiteral("; ")).toStdString();
}

// Every resolution from 72 to 600 dpi, with the bars 2 mils thinner, as chosen and 2 mils
// thicker. Each resolution's bars are laid out in whole pixels; a layout not yet read is drawn
// as the export draws it (at a phase of the pixel grid that moves with the resolution) and read
// back. Resolutions whose bars come out the same pixel for pixel read alike; POSTNET, whose
// bars keep their own widths, is drawn and read at each one.
TEST(BarsInWholePixels, EveryLinearSymbologyReadsAtEveryResolutionOrTheNoteNamesOneThatDoes)
{
    int walked = 0;
    int linear = 0;
    int drawn = 0;
    QStringList silent;
    for (const SymbologyItem &item : symbologyItems()) {
        if (isTwoDimensional(item.type))
            continue;
        ++linear;
        const std::optional<LinearSample> sample = linearSample(item.type);
        ASSERT_TRUE(sample) << "the walk has no data for " << item.name.toStdString();
        const bool ownWidths = item.type == BarcodeType::Postnet;
        for (const double adjust : {-2.0, 0.0, 2.0}) {
            auto barcode = linearBarcode(item.type, sample->data, adjust);
            const QSizeF size = barcode->frameBounds().size();
            ASSERT_GT(size.width(), 20) << item.name.toStdString();
            std::set<std::vector<long>> read;
            for (int dpi = 72; dpi <= 600; ++dpi) {
                ++walked;
                barcode->setFrameBounds(QRectF(QPointF(12 + 0.25 * (dpi % 4), 10), size));
                std::optional<std::vector<long>> edges;
                if (!ownWidths) {
                    edges = barEdgesInPixels(*barcode, dpi);
                    if (!edges) {
                        silent << QStringLiteral("%1 at %2 dpi with %3 mils: bars between pixels").arg(item.name).arg(dpi).arg(adjust);
                        continue;
                    }
                    if (read.count(*edges))
                        continue;
                }
                ++drawn;
                if (readsAt(*barcode, dpi, *sample)) {
                    if (edges)
                        read.insert(*edges);
                    continue;
                }
                const int named = BarcodeRenderer::resolutionKeepingBars(barcode->workingBarInfo(), dpi);
                if (named > dpi && readsAt(*barcode, named, *sample))
                    continue;
                silent << QStringLiteral("%1 at %2 dpi with %3 mils (named %4)")
                              .arg(item.name)
                              .arg(dpi)
                              .arg(adjust)
                              .arg(named);
            }
        }
    }
    EXPECT_GE(linear, 11);
    EXPECT_EQ(walked, linear * 3 * (600 - 72 + 1));
    EXPECT_TRUE(silent.isEmpty()) << silent.size() << " silent failures, among them: "
                                  << silent.mid(0, 40).join(QStringLiteral("; ")).toStdString();
    // Far fewer layouts than resolutions are new, and POSTNET is drawn at each.
    EXPECT_LT(drawn, walked / 4);
}

// Where whole pixels take the module more than a fifth from the chosen one, the note names a
// higher resolution, a usual one where one will do, at which they do not.
TEST(BarsInWholePixels, TheNoteNamesAHigherResolutionThatKeepsTheModule)
{
    for (const double module : {7.5, 9.0, 10.0}) {
        TBarInfo info;
        info.barW = module;
        info.spaceW = module;
        for (int dpi = 72; dpi <= 600; ++dpi) {
            const int named = BarcodeRenderer::resolutionKeepingBars(info, dpi);
            const double drawn = BarcodeRenderer::snappedModule(info, dpi);
            EXPECT_EQ(named == 0, std::abs(drawn - module) <= module / 5) << module << " mils at " << dpi;
            if (named == 0)
                continue;
            EXPECT_GT(named, dpi);
            EXPECT_EQ(BarcodeRenderer::resolutionKeepingBars(info, named), 0) << module << " mils at " << named;
        }
    }
    TBarInfo standard;
    EXPECT_EQ(BarcodeRenderer::resolutionKeepingBars(standard, 203), 0);
    EXPECT_EQ(BarcodeRenderer::resolutionKeepingBars(standard, 150), 200);
    EXPECT_EQ(BarcodeRenderer::resolutionKeepingBars(standard, 72), 200);
    standard.barW = standard.spaceW = 7.5;
    EXPECT_EQ(BarcodeRenderer::resolutionKeepingBars(standard, 200), 300);
    standard.barW = standard.spaceW = 10;
    EXPECT_EQ(BarcodeRenderer::resolutionKeepingBars(standard, 150), 200);
    // Bars of a width of their own and square symbols are not the record's bars.
    for (const int type : {int(BarcodeType::Postnet), int(BarcodeType::DataMatrix), int(BarcodeType::QRCode)}) {
        standard.type = int16_t(type);
        EXPECT_EQ(BarcodeRenderer::resolutionKeepingBars(standard, 72), 0) << type;
    }
}

// The adjustment moves whole pixels from each space to its bar, no more than a third of the
// module: 9-mil bars less 2 mils at 203 dpi keep two pixels each, at 300 dpi lose one of three.
TEST(BarsInWholePixels, AdjustmentMovesWholePixelsWithinAThirdOfTheModule)
{
    TBarInfo info;
    for (int dpi = 72; dpi <= 600; ++dpi) {
        for (const double adjust : {-4.0, -2.0, 0.0, 2.0, 4.0}) {
            info.widthAdjust = adjust;
            const double perPixel = 1000.0 / dpi;
            const TBarInfo snapped = BarcodeRenderer::snappedToPixels(info, dpi / 72.0);
            const double bar = snapped.barW / perPixel;
            const double space = snapped.spaceW / perPixel;
            const double module = (bar + space) / 2;
            EXPECT_NEAR(bar, std::round(bar), 1e-9) << dpi;
            EXPECT_NEAR(space, std::round(space), 1e-9) << dpi;
            EXPECT_NEAR(module, std::round(module), 1e-9) << dpi;
            EXPECT_LE(std::abs(bar - module), module / 3 + 1e-9) << dpi << " " << adjust;
            EXPECT_EQ(snapped.widthAdjust, 0);
            // Toward the chosen adjustment, never past it by more than half a pixel.
            EXPECT_LE(std::abs((bar - module) * perPixel - adjust), std::abs(adjust) + perPixel / 2 + 1e-9);
        }
    }
    info.widthAdjust = -2;
    const TBarInfo thermal = BarcodeRenderer::snappedToPixels(info, 203 / 72.0);
    EXPECT_NEAR(thermal.barW * 203 / 1000, 2, 1e-9);
    EXPECT_NEAR(thermal.spaceW * 203 / 1000, 2, 1e-9);
    const TBarInfo office = BarcodeRenderer::snappedToPixels(info, 300 / 72.0);
    EXPECT_NEAR(office.barW * 300 / 1000, 2, 1e-9);
    EXPECT_NEAR(office.spaceW * 300 / 1000, 4, 1e-9);
}
