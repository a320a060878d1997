#include "barcodes/LinearDrawContext.h"

#include "barcodes/TSequence.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QGlyphRun>
#include <QHash>
#include <QTextLayout>

#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace quillmark {

namespace {

// A paint device of 72 dots per inch, so that a font resolved against it measures in points.
const QImage &pointDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        const int dotsPerMeter = qRound(72.0 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

// What the text under the bars needs of one font, kept per thread: the font resolved at 72 dots
// per inch, its metrics and the advance of each string. A design's barcodes share a font or a
// few and measure the same few characters, and resolving a font costs far more than looking
// it up. The outline of each string is kept too, made at the origin (see placedOutline).
struct FontGlyphs {
    QFont font;
    QFont at72;
    PointFontMetrics metrics;
    QHash<QString, double> widths;
    // Null for a string that cannot be moved exactly (see outlineAtOrigin).
    QHash<QString, std::optional<QPainterPath>> outlines;
};

FontGlyphs &glyphsOf(const QFont &font)
{
    thread_local std::vector<std::unique_ptr<FontGlyphs>> fonts;
    thread_local FontGlyphs *last = nullptr;
    if (last && last->font == font)
        return *last;
    for (const auto &entry : fonts)
        if (entry->font == font)
            return *(last = entry.get());
    if (fonts.size() >= 16) {
        fonts.erase(fonts.begin());
        last = nullptr;
    }
    auto entry = std::make_unique<FontGlyphs>();
    entry->font = font;
    entry->at72 = QFont(font, &pointDevice());
    const QFontMetricsF fm(entry->at72);
    entry->metrics = {fm.ascent(), -fm.descent(), fm.leading(), fm.capHeight()};
    fonts.push_back(std::move(entry));
    return *(last = fonts.back().get());
}

// Qt places the glyphs of a run at its baseline taken to 1/64 of a point toward zero, then at
// whole 1/64ths from there.
double toSixtyFourths(double value)
{
    return double(int(value * 64.0)) / 64.0;
}

// The outline of a string at the baseline (0, 0), when placing it elsewhere can be done exactly
// as Qt would have drawn it there: one run of one font, left to right, without lines drawn
// through or under it. Outlines made by the glyph loader cost far more than moving them.
std::optional<QPainterPath> outlineAtOrigin(const QString &string, const QFont &font)
{
    if (font.underline() || font.overline() || font.strikeOut())
        return std::nullopt;
    QTextLayout layout(string, font);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid() || line.textLength() != string.size())
        return std::nullopt;
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1 || runs.first().isRightToLeft() || string.isRightToLeft())
        return std::nullopt;
    for (const QChar c : string)
        if (c.direction() != QChar::DirL && c.direction() != QChar::DirEN && c.direction() != QChar::DirON
            && c.direction() != QChar::DirWS && c.direction() != QChar::DirCS && c.direction() != QChar::DirES
            && c.direction() != QChar::DirET)
            return std::nullopt;
    QPainterPath outline;
    outline.addText(QPointF(0, 0), font, string);
    return outline;
}

// The outline made at the origin, placed at `baseline`, element for element what Qt's addText
// makes there. Glyph points lie on 1/64ths and the midpoints between them on 1/128ths, so
// moving them by whole 1/64ths is exact. A curve's control point is a third of a sum of such
// points, rounded: the sum is found again from the control point at the origin, moved, and
// divided as Qt divides it, so it rounds as Qt's does.
QPainterPath placedOutline(const QPainterPath &origin, const QPointF &baseline)
{
    const QPointF move(toSixtyFourths(baseline.x()), toSixtyFourths(baseline.y()));
    auto third = [&move](double x, double y) {
        const QPointF sum(std::nearbyint(3.0 * x * 128.0) / 128.0, std::nearbyint(3.0 * y * 128.0) / 128.0);
        return (3 * move + sum) / 3;
    };
    QPainterPath placed = origin;
    int afterCurve = 0;
    for (int i = 0; i < placed.elementCount(); ++i) {
        const QPainterPath::Element e = origin.elementAt(i);
        QPointF at;
        if (e.type == QPainterPath::CurveToElement) {
            at = third(e.x, e.y);
            afterCurve = 1;
        } else if (e.type == QPainterPath::CurveToDataElement && afterCurve == 1) {
            at = third(e.x, e.y);
            afterCurve = 2;
        } else {
            at = QPointF(e.x, e.y) + move;
            afterCurve = 0;
        }
        placed.setElementPositionAt(i, at.x(), at.y());
    }
    return placed;
}

} // namespace

LinearDrawContext::LinearDrawContext()
    : messageFont(systemFont(9.0))
{
    bars.setFillRule(Qt::WindingFill);
    text.setFillRule(Qt::WindingFill);
}

QFont LinearDrawContext::systemFont(double pointSize)
{
    // Asked once: every drawing style and layout takes it, also where pictures are made aside.
    static const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    QFont f = general;
    f.setPointSizeF(pointSize);
    return f;
}

QFont LinearDrawContext::fontAt72(const QFont &font)
{
    return glyphsOf(font).at72;
}

PointFontMetrics LinearDrawContext::metrics(const QFont &font)
{
    return glyphsOf(font).metrics;
}

double LinearDrawContext::textWidth(const QString &string, const QFont &font)
{
    if (string.isEmpty())
        return 0;
    FontGlyphs &glyphs = glyphsOf(font);
    if (const auto it = glyphs.widths.constFind(string); it != glyphs.widths.constEnd())
        return *it;
    const double width = QFontMetricsF(glyphs.at72).horizontalAdvance(string);
    if (glyphs.widths.size() >= 4096)
        glyphs.widths.clear();
    glyphs.widths.insert(string, width);
    return width;
}

void LinearDrawContext::addText(const QPointF &baseline, const QString &string, const QFont &textFont)
{
    if (string.isEmpty())
        return;
    FontGlyphs &kept = glyphsOf(textFont);
    // Far from the origin the moves would no longer be exact.
    constexpr double Reach = 1.0e6;
    auto found = kept.outlines.constFind(string);
    if (found == kept.outlines.constEnd() && std::abs(baseline.x()) < Reach && std::abs(baseline.y()) < Reach) {
        if (kept.outlines.size() >= 4096)
            kept.outlines.clear();
        found = kept.outlines.insert(string, outlineAtOrigin(string, kept.at72));
    }
    if (found != kept.outlines.constEnd() && *found && std::abs(baseline.x()) < Reach && std::abs(baseline.y()) < Reach) {
        text.addPath(placedOutline(**found, baseline));
    } else {
        QPainterPath glyphs;
        glyphs.addText(baseline, kept.at72, string);
        text.addPath(glyphs);
    }
    text.setFillRule(Qt::WindingFill);
    textItems.push_back({string, baseline, textFont});
}

void LinearDrawContext::clearDrawing()
{
    bars = QPainterPath();
    bars.setFillRule(Qt::WindingFill);
    text = QPainterPath();
    text.setFillRule(Qt::WindingFill);
    textItems.clear();
}

void LinearDrawContext::paint(QPainter *painter) const
{
    if (!painter)
        return;
    fillBars(painter, bars, color);
    painter->fillPath(text, color);
}

void fillBars(QPainter *painter, const QPainterPath &bars, const QColor &color)
{
    if (!painter || bars.isEmpty())
        return;
    const int count = bars.elementCount();
    for (int i = 0; i < count; ++i) {
        if (bars.elementAt(i).isCurveTo()) {
            painter->fillPath(bars, color);
            return;
        }
    }
    QPainterPath bar;
    bar.setFillRule(bars.fillRule());
    auto fill = [&] {
        if (!bar.isEmpty())
            painter->fillPath(bar, color);
        bar.clear();
    };
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element &e = bars.elementAt(i);
        if (e.isMoveTo()) {
            fill();
            bar.moveTo(e);
        } else {
            bar.lineTo(e);
        }
    }
    fill();
}

QString decodeBarcodeText(const std::string &bytes)
{
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return QString();
    }
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

} // namespace quillmark
