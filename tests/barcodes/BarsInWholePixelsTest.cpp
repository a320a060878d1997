// Linear symbols drawn into bitmaps as a label export draws them: bars and spaces in whole
// pixels at every resolution, read back by ZXing (POSTNET by its bars), or the export's note
// names a resolution at which they read.
#include <gtest/gtest.h>

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/BarcodeTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/ColorBarcodeTestSupport.h"
#include "barcodes/SymbologyMenu.h"

#include <QStringList>

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

} // namespace

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
