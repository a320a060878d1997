#include "barcodes/LinearDrawContext.h"

#include "barcodes/TSequence.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QHash>

#include <memory>
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
// it up. (The outlines are not shared: moved from one baseline to another, their curves'
// control points round differently from Qt's own and a few edge pixels change.)
struct FontGlyphs {
    QFont font;
    QFont at72;
    PointFontMetrics metrics;
    QHash<QString, double> widths;
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

} // namespace

LinearDrawContext::LinearDrawContext()
    : messageFont(systemFont(9.0))
{
    bars.setFillRule(Qt::WindingFill);
    text.setFillRule(Qt::WindingFill);
}

QFont LinearDrawContext::systemFont(double pointSize)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
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
    QPainterPath glyphs;
    glyphs.addText(baseline, fontAt72(textFont), string);
    text.addPath(glyphs);
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
    painter->fillPath(bars, color);
    painter->fillPath(text, color);
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
