#include "barcodes/LinearBarcodeKit.h"

#include "barcodes/BarcodeMessages.h"
#include "barcodes/Code128.h"
#include "barcodes/Postnet.h"
#include "barcodes/UpcEan.h"
#include "foundation/Language.h"

#include <QPolygonF>

#include <array>
#include <cmath>

namespace quillmark {

namespace {

// Module widths of the L set, columns a0, b0, a1, b1.
constexpr std::array<std::array<int, 4>, 10> DigitWidths = {{
    {3, 2, 1, 1}, {2, 2, 2, 1}, {2, 1, 2, 2}, {1, 4, 1, 1}, {1, 1, 3, 2},
    {1, 2, 3, 1}, {1, 1, 1, 4}, {1, 3, 1, 2}, {1, 2, 1, 3}, {3, 1, 1, 2},
}};

constexpr std::array<const char *, 10> FiveDigitParity = {
    "GGLLL", "GLGLL", "GLLGL", "GLLLG", "LGGLL", "LLGGL", "LLLGG", "LGLGL", "LGLLG", "LLGLG",
};

int digitAt(const std::string &digits, size_t i)
{
    if (i >= digits.size())
        return 0;
    const char c = digits[i];
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

} // namespace

double barcodeTextMetrics(LinearDrawContext &ctx, const QFont &font, int resolution)
{
    const PointFontMetrics m = LinearDrawContext::metrics(font);
    const double r = resolution > 0 ? resolution : 72;
    ctx.textDrop = 0.625 * m.ascender / r;
    ctx.lineHeight = (m.ascender - m.descender - m.leading) / r;
    return (m.capHeight - m.leading) / 72.0;
}

double meanModule(const TBarInfo &info)
{
    return (info.barW + info.spaceW) / 2.0;
}

double barElementWidth(const TBarInfo &info, int modules)
{
    return info.barW + (modules - 1) * meanModule(info);
}

double spaceElementWidth(const TBarInfo &info, int modules)
{
    return info.spaceW + (modules - 1) * meanModule(info);
}

void fillBar(LinearDrawContext &ctx, double y0, double x0, double y1, double x1, double t)
{
    const double d = std::abs(t);
    const double dx = t > 0 ? d : 0;
    const double dy = t > 0 ? 0 : d;
    QPolygonF quad;
    quad << QPointF(x0, y0) << QPointF(x1, y1) << QPointF(x1 + dx, y1 + dy) << QPointF(x0 + dx, y0 + dy);
    // One orientation for every bar, so that overlapping bars never cancel under winding fill.
    double area = 0;
    for (int i = 0; i < 4; ++i) {
        const QPointF &a = quad[i];
        const QPointF &b = quad[(i + 1) % 4];
        area += a.x() * b.y() - b.x() * a.y();
    }
    if (area < 0)
        std::reverse(quad.begin(), quad.end());
    quad << quad.first();
    ctx.bars.addPolygon(quad);
    ctx.bars.closeSubpath();
}

void drawUpcEanGuardBars(LinearDrawContext &ctx, BarPosition &pos, const TBarInfo &info, int count)
{
    if (info.barH == 0)
        return;
    const double r = ctx.resolution;
    for (int i = 0; i < count; ++i) {
        fillBar(ctx, pos.y, pos.x, pos.y + info.barH * r, pos.x, info.barW);
        pos.x += info.barW + info.spaceW;
    }
    pos.x -= info.spaceW;
}

void drawUpcEanDigitBars(LinearDrawContext &ctx, BarPosition &pos, int digit, const TBarInfo &info,
                         UpcEanSet set, bool addOn, bool withText)
{
    if (info.barH == 0 || digit < 0 || digit > 9)
        return;
    const double r = ctx.resolution;
    double y0 = pos.y;
    double h = info.barH * r;
    if (withText) {
        if (addOn) {
            y0 += ctx.lineHeight * r;
            h -= ctx.lineHeight * r;
        } else {
            h -= ctx.textDrop * r;
        }
    }
    if (h <= 0)
        return;
    const auto &w = DigitWidths[size_t(digit)];
    struct Element {
        bool bar;
        int modules;
    };
    std::array<Element, 4> elements;
    switch (set) {
    case SetL:
        elements = {{{false, w[0]}, {true, w[1]}, {false, w[2]}, {true, w[3]}}};
        break;
    case SetG:
        elements = {{{false, w[3]}, {true, w[2]}, {false, w[1]}, {true, w[0]}}};
        break;
    case SetR:
        elements = {{{true, w[0]}, {false, w[1]}, {true, w[2]}, {false, w[3]}}};
        break;
    }
    for (const Element &e : elements) {
        if (e.bar) {
            const double width = barElementWidth(info, e.modules);
            fillBar(ctx, y0, pos.x, y0 + h, pos.x, width);
            pos.x += width;
        } else {
            pos.x += spaceElementWidth(info, e.modules);
        }
    }
}

void drawUpcEanAddOnGuard(LinearDrawContext &ctx, BarPosition &pos, const TBarInfo &info)
{
    if (info.barH == 0)
        return;
    const double r = ctx.resolution;
    const double y1 = pos.y + (info.HRT ? ctx.lineHeight * r : 0);
    const double y2 = pos.y + info.barH * r;
    const double start = pos.x;
    if (y2 >= y1) {
        fillBar(ctx, y1, pos.x, y2, pos.x, info.barW);
        pos.x += info.barW + info.spaceW;
        fillBar(ctx, y1, pos.x, y2, pos.x, info.barW + info.spaceW);
    }
    pos.x = start + 2 * (info.barW + info.spaceW);
}

std::string upcEanAddOnParity(const std::string &digits)
{
    if (digits.size() == 2) {
        static const std::array<const char *, 4> two = {"LL", "LG", "GL", "GG"};
        return two[size_t((10 * digitAt(digits, 0) + digitAt(digits, 1)) % 4)];
    }
    const int s = (3 * (digitAt(digits, 0) + digitAt(digits, 2) + digitAt(digits, 4))
                   + 9 * (digitAt(digits, 1) + digitAt(digits, 3)))
                  % 10;
    return FiveDigitParity[size_t(s)];
}

void drawUpcEanAddOn(LinearDrawContext &ctx, BarPosition &pos, const TBarInfo &info, const std::string &digits)
{
    if (info.barH == 0)
        return;
    const double r = ctx.resolution;
    pos.x += 10 * meanModule(info);
    drawUpcEanAddOnGuard(ctx, pos, info);
    const std::string parity = upcEanAddOnParity(digits);
    const double y1 = pos.y + (info.HRT ? ctx.lineHeight * r : 0);
    const double y2 = pos.y + info.barH * r;
    for (size_t i = 0; i < parity.size(); ++i) {
        if (i > 0) {
            pos.x += info.spaceW;
            if (y2 >= y1)
                fillBar(ctx, y1, pos.x, y2, pos.x, info.barW);
            pos.x += info.barW;
        }
        drawUpcEanDigitBars(ctx, pos, digitAt(digits, i), info, parity[i] == 'G' ? SetG : SetL, true,
                            info.HRT != 0);
    }
}

void setExtentRect(TBarInfo &info, double width, double height, int resolution)
{
    const double margin = resolution / 18.0;
    setShortRect(info.BarRect, -margin, -margin, width + margin, height + margin);
}

double errorTextWidth(int type, const LinearDrawContext &ctx)
{
    return LinearDrawContext::textWidth(QString::fromStdString(barcodeErrorMessage(type)), ctx.messageFont);
}

std::string invalidDataText(const TBarInfo &info)
{
    // "9, 11 or 14 digits allowed" would send the user counting digits that are all there.
    if (isBooklandType(info.type)) {
        const BooklandNumber number = booklandNumber(info);
        if (const auto &wrong = number.problem)
            return Language::withValues(localizedString(QStringLiteral("Check digit should be %@")),
                                        {QString::fromStdString(wrong->expected)})
                .toStdString();
        if (const auto &addOn = number.addOnProblem)
            return localizedString(addOn->afterIssn ? QStringLiteral("2-digit variant, 2- or 5-digit add-on allowed")
                                                    : QStringLiteral("2- or 5-digit add-on allowed"))
                .toStdString();
    }
    return barcodeErrorMessage(info.type);
}

double invalidDataTextWidth(const TBarInfo &info, const LinearDrawContext &ctx)
{
    return LinearDrawContext::textWidth(QString::fromStdString(invalidDataText(info)), ctx.messageFont);
}

ShortRect barcodeExtentByType(TBarInfo &info, LinearDrawContext &ctx)
{
    TBarInfo copy = info;
    switch (copy.type) {
    case BarcodeType::Postnet:
        postnetExtent(copy, ctx);
        break;
    case BarcodeType::Code128B:
    case BarcodeType::Code128A:
    case BarcodeType::Code128C:
        code128Extent(copy, ctx);
        break;
    case BarcodeType::UpcA:
    case BarcodeType::Ean13:
    case BarcodeType::BooklandIsbn:
    case BarcodeType::BooklandIssn:
    case BarcodeType::BooklandIsbnPrefixed:
    case BarcodeType::BooklandIsmn:
        upcEanExtent(copy, ctx);
        break;
    case BarcodeType::UpcE:
        upcEExtent(copy, ctx);
        break;
    case BarcodeType::Ean8:
        ean8Extent(copy, ctx);
        break;
    default:
        break;
    }
    info.BarRect = copy.BarRect;
    return info.BarRect;
}

double stringWidthInFont(const QString &text, const QFont *font)
{
    if (text.isEmpty())
        return 0;
    if (!font) {
        QFont userFont = LinearDrawContext::systemFont(12.0);
        return LinearDrawContext::textWidth(text, userFont);
    }
    return LinearDrawContext::textWidth(text, *font);
}

double charWidthInFont(QChar c, const QFont &font)
{
    return LinearDrawContext::textWidth(QString(c), font);
}

void drawBarcodeChar(LinearDrawContext &ctx, const QString &character, BarPosition pos)
{
    ctx.addText(QPointF(pos.x, pos.y), character, ctx.font);
}

void drawCharInFont(LinearDrawContext &ctx, const QFont &font, const QString &character, BarPosition pos)
{
    ctx.addText(QPointF(pos.x, pos.y), character, font);
}

void drawPstrInFont(LinearDrawContext &ctx, const QFont &font, const std::string &bytes, double v, double h)
{
    const QString text = decodeBarcodeText(bytes);
    if (!text.isEmpty())
        ctx.addText(QPointF(h, v), text, font);
}

void drawBarcodeTextLine(LinearDrawContext &ctx, const TBarInfo &info, const std::string &bytes)
{
    const QString text = decodeBarcodeText(bytes);
    if (text.isEmpty())
        return;
    const double r = ctx.resolution;
    const PointFontMetrics m = LinearDrawContext::metrics(ctx.font);
    const double top = info.pt.v + (info.BarRect.bottom - info.BarRect.top) - r / 9.0
                       - (ctx.font.pointSizeF() + 1);
    const double baseline = top + m.ascender;
    const QList<uint> codePoints = text.toUcs4();
    const double total = LinearDrawContext::textWidth(text, ctx.font);
    const double gap = codePoints.size() > 1
                           ? ((info.BarRect.right - info.BarRect.left) - r / 9.0 - total) / (codePoints.size() - 1)
                           : 0;
    double x = info.pt.h;
    for (uint cp : codePoints) {
        const QString ch = QString::fromUcs4(reinterpret_cast<const char32_t *>(&cp), 1);
        drawBarcodeChar(ctx, ch, {baseline, x});
        x += LinearDrawContext::textWidth(ch, ctx.font) + gap;
    }
}

} // namespace quillmark
