#include "barcodes/BarcodeRenderer.h"

#include "barcodes/BarcodeMessages.h"
#include "barcodes/Code128.h"
#include "barcodes/DataMatrixEncoder.h"
#include "barcodes/LinearBarcodeKit.h"
#include "barcodes/Postnet.h"
#include "barcodes/QRCodeSymbol.h"
#include "barcodes/UpcEan.h"

#include <QPainter>

#include "foundation/Language.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace quillmark {

namespace {

bool isExtensionType(int type)
{
    return type >= 17 && type <= 19;
}

bool isSquareType(int type)
{
    return type == BarcodeType::DataMatrix || type == BarcodeType::QRCode;
}

void applyStyle(LinearDrawContext &ctx, const TBarInfo &info, const BarcodeDrawStyle &style, int resolution)
{
    ctx.font = info.font;
    ctx.color = style.color;
    ctx.messageFont = style.messageFont;
    ctx.useHRTKerning = style.useHRTKerning;
    ctx.upcCharactersEqualSize = style.upcCharactersEqualSize;
    ctx.resolution = resolution > 0 ? resolution : 72;
}

} // namespace

TBarInfo BarcodeRenderer::workingMetrics(const TBarInfo &info, LinearDrawContext &ctx)
{
    TBarInfo copy = info;
    copy.TextHeight = barcodeTextMetrics(ctx, info.font, 72);
    copy.chargap = ((info.chargap - 1) * 0.5 + 1) * info.barW / MilsPerPoint;
    copy.barW = (info.barW + info.widthAdjust) / MilsPerPoint;
    copy.spaceW = (info.spaceW - info.widthAdjust) / MilsPerPoint;
    return copy;
}

ShortRect BarcodeRenderer::frameExtent(const TBarInfo &info, const QSizeF &frameSize, const BarcodeDrawStyle &style)
{
    if (isSquareType(info.type)) {
        ShortRect rect;
        const bool square = frameSize.width() != 0 && frameSize.height() != 0 && frameSize.width() == frameSize.height();
        const double side = square ? frameSize.width() : 60;
        setShortRect(rect, 0, 0, side, side);
        return rect;
    }
    if (isExtensionType(info.type))
        return info.BarRect;
    // Every barcode made (opened, pasted, placed) measures the record it starts with, and
    // copies measure their source's: the last few extents are kept by their whole record.
    struct Measured {
        TBarInfo info;
        BarcodeDrawStyle style;
        ShortRect extent;
    };
    thread_local std::vector<Measured> measured;
    for (const Measured &m : measured)
        if (m.info == info && m.style == style)
            return m.extent;
    LinearDrawContext ctx;
    applyStyle(ctx, info, style, 72);
    TBarInfo copy = workingMetrics(info, ctx);
    const ShortRect extent = barcodeExtentByType(copy, ctx);
    if (measured.size() >= 8)
        measured.erase(measured.begin());
    measured.push_back({info, style, extent});
    return extent;
}

int BarcodeRenderer::drawLinearBarcodeByType(TBarInfo &info, LinearDrawContext &ctx)
{
    switch (info.type) {
    case BarcodeType::Postnet:
        return postnetDraw(info, ctx);
    case BarcodeType::Code128B:
    case BarcodeType::Code128A:
    case BarcodeType::Code128C:
        return code128Draw(info, ctx);
    case BarcodeType::UpcA:
        return upcADraw(info, ctx);
    case BarcodeType::UpcE:
        return upcEDraw(info, ctx);
    case BarcodeType::Ean13:
        return ean13Draw(info, ctx);
    case BarcodeType::Ean8:
        return ean8Draw(info, ctx);
    case BarcodeType::BooklandIsbn:
    case BarcodeType::BooklandIssn:
    case BarcodeType::BooklandIsmn:
        return booklandDraw(info, ctx, 0);
    case BarcodeType::BooklandIsbnPrefixed:
        return booklandDraw(info, ctx, 1);
    default:
        return 1;
    }
}

int BarcodeRenderer::drawLinearBarcode(QPainter *painter, const TBarInfo &info, int resolution,
                                       const BarcodeDrawStyle &style, LinearDrawContext *drawn)
{
    LinearDrawContext local;
    LinearDrawContext &ctx = drawn ? *drawn : local;
    ctx.clearDrawing();
    applyStyle(ctx, info, style, resolution);
    const int r = ctx.resolution;

    TBarInfo copy = info;
    const double textHeight = barcodeTextMetrics(ctx, copy.font, 72);
    if (copy.type >= 6)
        copy.TextHeight = textHeight;
    ShortRect extent = barcodeExtentByType(copy, ctx);
    offsetShortRect(extent, copy.pt.h - extent.left, copy.pt.v - extent.top);
    const int margin = int(std::trunc(r / 18.0));
    copy.pt.h = clampShort(double(copy.pt.h) + margin);
    copy.pt.v = clampShort(double(copy.pt.v) + margin);

    const int result = drawLinearBarcodeByType(copy, ctx);
    if (result == 0) {
        const std::string message = invalidDataText(copy);
        const int w = int(std::trunc(LinearDrawContext::textWidth(QString::fromStdString(message), ctx.messageFont)));
        const int q = int(std::trunc(r / 8.0));
        const int h = extent.left + (extent.right - extent.left - w) / 2;
        const int v = extent.top + q + (extent.bottom - extent.top - q) / 2;
        ctx.clearDrawing();
        drawPstrInFont(ctx, ctx.messageFont, message, v, h);
    }
    ctx.paint(painter);
    return result;
}

namespace {

// Readers measure a bar together with its space, and only then the bar alone; so a bar may be
// drawn up to a third of a module wider or narrower than its modules before it reads as
// another width, as long as bar and space together keep whole modules.
constexpr double BarShiftTolerance = 1.0 / 3.0;
// How far whole pixels may take the module from the chosen one before the user hears of it.
constexpr double ModuleTolerance = 0.2;

// Resolutions a user is likely to have, offered first when another one keeps the bars better.
constexpr std::array<int, 7> UsualResolutions = {150, 200, 203, 300, 600, 1200, 2400};

// Whether the type draws its bars from the record's bar and space widths: POSTNET's bars have
// widths of their own, the square symbols have modules, and types without an encoder draw none.
bool drawsRecordWidths(int type)
{
    switch (type) {
    case BarcodeType::Code128B:
    case BarcodeType::Code128A:
    case BarcodeType::Code128C:
    case BarcodeType::UpcA:
    case BarcodeType::UpcE:
    case BarcodeType::Ean13:
    case BarcodeType::Ean8:
    case BarcodeType::BooklandIsbn:
    case BarcodeType::BooklandIssn:
    case BarcodeType::BooklandIsbnPrefixed:
    case BarcodeType::BooklandIsmn:
        return true;
    default:
        return false;
    }
}

} // namespace

TBarInfo BarcodeRenderer::snappedToPixels(const TBarInfo &info, double pixelsPerPoint, bool narrower)
{
    TBarInfo copy = info;
    if (!(pixelsPerPoint > 0) || isSquareType(info.type))
        return copy;
    const double milsPerPixel = MilsPerPoint / pixelsPerPoint;
    const double module = (info.barW + info.spaceW) / 2.0 / milsPerPixel;
    if (!std::isfinite(module))
        return copy;
    const double pixels = std::max(1.0, narrower ? std::floor(module + 1e-9) : std::round(module));
    // The ink a bar takes beyond its share of the module (the adjustment, and a bar chosen
    // wider than its space) moves in whole pixels from the space beside it, and no further than
    // the readers allow: rounded on its own, a 9-mil bar less 2 mils at 203 dpi would lose half
    // its module.
    const double shift = ((info.barW - info.spaceW) / 2.0 + info.widthAdjust) / milsPerPixel;
    const double limit = std::floor(pixels * BarShiftTolerance + 1e-9);
    const double moved = std::isfinite(shift) ? std::clamp(std::round(shift), -limit, limit) : 0.0;
    copy.barW = (pixels + moved) * milsPerPixel;
    copy.spaceW = (pixels - moved) * milsPerPixel;
    copy.widthAdjust = 0;
    return copy;
}

double BarcodeRenderer::snappedModule(const TBarInfo &info, double dotsPerInch, bool narrower)
{
    const TBarInfo snapped = snappedToPixels(info, dotsPerInch / 72.0, narrower);
    return (snapped.barW + snapped.spaceW) / 2.0;
}

int BarcodeRenderer::resolutionKeepingBars(const TBarInfo &info, double dotsPerInch,
                                           const std::function<double(double)> &drawnModule)
{
    const double chosen = (info.barW + info.spaceW) / 2.0;
    if (!drawsRecordWidths(info.type) || !(chosen > 0) || !std::isfinite(chosen) || !(dotsPerInch > 0))
        return 0;
    auto keeps = [&](double dpi) {
        const double drawn = drawnModule ? drawnModule(dpi) : snappedModule(info, dpi);
        return std::abs(drawn - chosen) <= chosen * ModuleTolerance;
    };
    if (keeps(dotsPerInch))
        return 0;
    for (const int usual : UsualResolutions)
        if (usual > dotsPerInch && keeps(usual))
            return usual;
    // Three pixels or more to the module always keep it within a sixth.
    const double enough = std::ceil(3000.0 / chosen);
    const double first = std::floor(dotsPerInch) + 1;
    if (!(enough < double(std::numeric_limits<int>::max())))
        return 0;
    // Bars far finer than any printer's dot are not worth a long search.
    constexpr double Searched = 10000;
    for (double dpi = first; dpi <= std::min(enough, first + Searched); ++dpi)
        if (keeps(dpi))
            return int(dpi);
    return int(std::max(first, enough));
}

bool BarcodeRenderer::encodes(const TBarInfo &info)
{
    switch (info.type) {
    case BarcodeType::QRCode:
        return !info.BarStr.empty() && QRCodeSymbol::encodeQRString(info.BarStr).has_value();
    case BarcodeType::DataMatrix: {
        if (info.BarStr.empty())
            return false;
        DataMatrixEncoder encoder;
        const bool encoded = encoder.encodeString(info.BarStr);
        encoder.free();
        return encoded;
    }
    case BarcodeType::Code128B:
    case BarcodeType::Code128A:
    case BarcodeType::Code128C:
        return code128Valid(info);
    case BarcodeType::UpcA:
    case BarcodeType::UpcE:
    case BarcodeType::Ean13:
    case BarcodeType::Ean8:
        return upcEanDigitsValid(info.shortData());
    case BarcodeType::BooklandIsbn:
    case BarcodeType::BooklandIssn:
    case BarcodeType::BooklandIsbnPrefixed:
    case BarcodeType::BooklandIsmn:
        return booklandNumber(info).valid;
    case BarcodeType::Postnet: {
        LinearDrawContext ctx;
        TBarInfo copy = workingMetrics(info, ctx);
        return postnetDraw(copy, ctx) != 0;
    }
    default:
        return true;
    }
}

QString BarcodeRenderer::dataProblem(const TBarInfo &info)
{
    if (encodes(info))
        return {};
    if (info.BarStr.empty())
        return localizedString(QStringLiteral("There are no data to encode: no symbol is printed."));
    const bool code128 = info.type == BarcodeType::Code128B || info.type == BarcodeType::Code128A
                         || info.type == BarcodeType::Code128C;
    if (code128 && !code128Holds(info))
        return Language::withValues(
            localizedString(QStringLiteral("A Code 128 symbol holds at most %@ characters; these data have %@.")),
            {QString::number(TBarInfo::ShortStringBytes), QString::number(info.BarStr.size())});
    if (isBooklandType(info.type)) {
        const BooklandNumber number = booklandNumber(info);
        if (const auto &wrong = number.problem)
            return Language::withValues(localizedString(QStringLiteral("The check digit of %@ should be %@, not %@.")),
                                        {QString::fromStdString(wrong->number), QString::fromStdString(wrong->expected),
                                         QString::fromStdString(wrong->found)});
        if (const auto &addOn = number.addOnProblem)
            return Language::withValues(
                localizedString(addOn->afterIssn
                                    ? QStringLiteral("%@ ends in %@ digits after its number: a variant has 2, an add-on 2 or 5.")
                                    : QStringLiteral("%@ ends in %@ digits after its number: an add-on has 2 or 5.")),
                {QString::fromStdString(addOn->number), QString::number(addOn->digits)});
    }
    const std::string message = barcodeErrorMessage(info.type);
    return localizedString(QString::fromStdString(message.empty() ? std::string("Incorrect Data") : message)).trimmed();
}

namespace {

// The record the symbol is drawn from: the working metrics and extent of a linear symbol (the
// frame's extent for a square one), with its origin at the frame's corner.
TBarInfo placedRecord(const QRectF &frame, const TBarInfo &info, const BarcodeDrawStyle &style)
{
    TBarInfo copy = info;
    if (!isExtensionType(info.type)) {
        if (isSquareType(info.type)) {
            copy.BarRect = BarcodeRenderer::frameExtent(info, frame.size(), style);
        } else {
            LinearDrawContext ctx;
            applyStyle(ctx, info, style, 72);
            copy = BarcodeRenderer::workingMetrics(info, ctx);
            barcodeExtentByType(copy, ctx);
        }
    }
    copy.pt.v = clampShort(frame.y());
    copy.pt.h = clampShort(frame.x());
    return copy;
}

} // namespace

TBarInfo BarcodeRenderer::drawBarcode(QPainter *painter, const QRectF &frame, const TBarInfo &info,
                                      const BarcodeDrawStyle &style, LinearDrawContext *drawn)
{
    const TBarInfo copy = placedRecord(frame, info, style);

    TBarInfo kept = info;
    kept.BarRect = copy.BarRect;
    kept.pt = copy.pt;

    const QRectF inset = frame.adjusted(2.0, 2.0, -2.0, -2.0);
    switch (info.type) {
    case BarcodeType::QRCode: {
        if (info.BarStr.empty())
            break;
        const auto symbol = QRCodeSymbol::encodeQRString(info.BarStr);
        if (symbol && symbol->width() > 0) {
            const float moduleSize = float(inset.width()) / float(symbol->width());
            drawQRCodeModules(painter, *symbol, int(std::trunc(inset.x())), int(std::trunc(inset.y())), moduleSize,
                              style.color);
        }
        break;
    }
    case BarcodeType::DataMatrix: {
        // No data, no symbol: padding alone would read as a code that says nothing.
        if (info.BarStr.empty())
            break;
        DataMatrixEncoder encoder;
        if (encoder.encodeString(info.BarStr))
            encoder.result(painter, inset, style.color);
        encoder.free();
        break;
    }
    default:
        if (!isExtensionType(info.type))
            drawLinearBarcode(painter, copy, 72, style, drawn);
        break;
    }
    return kept;
}

namespace {

// Where a kept drawing may be moved to without laying it out again: the symbol's routines
// truncate positions toward zero and clamp them to 16 bits, which moves a symbol by exactly the
// frame's move only while it stays well inside the page's positive quarter.
bool movablePosition(const QPointF &point)
{
    constexpr double Limit = 8000.0;
    return point.x() >= 0 && point.y() >= 0 && point.x() <= Limit && point.y() <= Limit;
}

// The record with what the drawing computes itself taken out: the origin comes from the frame,
// the extent from the metrics (or the frame of a square symbol).
TBarInfo drawingKey(const TBarInfo &info)
{
    TBarInfo key = info;
    key.pt = {};
    if (!isExtensionType(info.type))
        key.BarRect = {};
    return key;
}

// How far the symbol itself moves when its frame moves from `from` to `to`: by the whole points
// its origin takes (linear symbols and QR Code draw from a truncated corner), by the move itself
// for Data Matrix. Nothing when the move would lay it out differently.
std::optional<QPointF> symbolMove(int type, const QRectF &from, const QRectF &to)
{
    if (!movablePosition(from.topLeft()) || !movablePosition(to.topLeft()))
        return std::nullopt;
    if (type == BarcodeType::DataMatrix)
        return to.topLeft() - from.topLeft();
    const double inset = type == BarcodeType::QRCode ? 2.0 : 0.0;
    return QPointF(std::trunc(to.x() + inset) - std::trunc(from.x() + inset),
                   std::trunc(to.y() + inset) - std::trunc(from.y() + inset));
}

// The same elements in storage of their own size: paths grown element by element hold up to
// twice the room, and a design keeps one drawing per barcode.
QPainterPath compacted(const QPainterPath &path)
{
    if (path.isEmpty())
        return path;
    QPainterPath exact;
    exact.reserve(path.elementCount());
    exact.addPath(path);
    exact.setFillRule(path.fillRule());
    return exact;
}

} // namespace

bool BarcodeDrawing::matches(const QRectF &frame, const TBarInfo &info, const BarcodeDrawStyle &style) const
{
    if (!m_made || !(style == m_style))
        return false;
    if (isSquareType(info.type) && frame.size() != m_frame.size())
        return false;
    if (frame.topLeft() != m_frame.topLeft() && !symbolMove(info.type, m_frame, frame))
        return false;
    return drawingKey(info) == m_info;
}

bool BarcodeDrawing::moveTo(const QRectF &frame)
{
    if (frame.topLeft() == m_frame.topLeft())
        return true;
    const std::optional<QPointF> move = symbolMove(m_info.type, m_frame, frame);
    if (!move)
        return false;
    if (!move->isNull())
        for (QPainterPath &path : m_paths)
            path.translate(*move);
    m_frame = frame;
    m_drawn.pt.v = clampShort(frame.y());
    m_drawn.pt.h = clampShort(frame.x());
    return true;
}

void BarcodeDrawing::paint(QPainter *painter) const
{
    if (!painter)
        return;
    if (m_deferred) {
        BarcodeRenderer::layOutBarcode(m_frame, m_info, m_style).paint(painter);
        return;
    }
    for (size_t i = 0; i < m_paths.size(); ++i) {
        if (m_linear && i == 0)
            fillBars(painter, m_paths[i], m_style.color);
        else
            painter->fillPath(m_paths[i], m_style.color);
    }
}

QPointF BarcodeDrawing::anchor() const
{
    if (m_info.type == BarcodeType::DataMatrix)
        return m_frame.topLeft();
    const double inset = m_info.type == BarcodeType::QRCode ? 2.0 : 0.0;
    return QPointF(std::trunc(m_frame.x() + inset), std::trunc(m_frame.y() + inset));
}

BarcodeDrawing BarcodeDrawing::detached() const
{
    BarcodeDrawing copy = *this;
    for (QPainterPath &path : copy.m_paths) {
        QPainterPath own;
        own.addPath(path);
        own.setFillRule(path.fillRule());
        path = own;
    }
    return copy;
}

void BarcodeDrawing::layOut()
{
    if (m_deferred)
        *this = BarcodeRenderer::layOutBarcode(m_frame, m_info, m_style);
}

BarcodeDrawing BarcodeRenderer::deferredBarcode(const QRectF &frame, const TBarInfo &info, const BarcodeDrawStyle &style)
{
    BarcodeDrawing drawing;
    drawing.m_made = true;
    drawing.m_deferred = true;
    drawing.m_frame = frame;
    drawing.m_info = drawingKey(info);
    drawing.m_style = style;
    drawing.m_drawn = info;
    drawing.m_drawn.pt.v = clampShort(frame.y());
    drawing.m_drawn.pt.h = clampShort(frame.x());
    return drawing;
}

BarcodeDrawing BarcodeRenderer::layOutBarcode(const QRectF &frame, const TBarInfo &info, const BarcodeDrawStyle &style)
{
    BarcodeDrawing drawing;
    drawing.m_made = true;
    drawing.m_frame = frame;
    drawing.m_info = drawingKey(info);
    drawing.m_style = style;

    // What drawBarcode works out before it draws.
    const TBarInfo copy = placedRecord(frame, info, style);
    drawing.m_drawn = info;
    drawing.m_drawn.BarRect = copy.BarRect;
    drawing.m_drawn.pt = copy.pt;

    const QRectF inset = frame.adjusted(2.0, 2.0, -2.0, -2.0);
    switch (info.type) {
    case BarcodeType::QRCode: {
        if (info.BarStr.empty())
            break;
        const auto symbol = QRCodeSymbol::encodeQRString(info.BarStr);
        if (symbol && symbol->width() > 0) {
            const float moduleSize = float(inset.width()) / float(symbol->width());
            drawing.m_paths.push_back(
                symbol->modulePath(int(std::trunc(inset.x())), int(std::trunc(inset.y())), moduleSize));
        }
        break;
    }
    case BarcodeType::DataMatrix: {
        if (info.BarStr.empty())
            break;
        DataMatrixEncoder encoder;
        if (encoder.encodeString(info.BarStr))
            drawing.m_paths.push_back(encoder.modulePath(inset));
        encoder.free();
        break;
    }
    default:
        if (!isExtensionType(info.type)) {
            LinearDrawContext ctx;
            drawLinearBarcode(nullptr, copy, 72, style, &ctx);
            drawing.m_paths.push_back(compacted(ctx.bars));
            drawing.m_paths.push_back(compacted(ctx.text));
            drawing.m_linear = true;
        }
        break;
    }
    return drawing;
}

} // namespace quillmark
