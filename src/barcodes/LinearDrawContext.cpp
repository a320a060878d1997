#include "barcodes/LinearDrawContext.h"

#include "barcodes/TSequence.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

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
    return QFont(font, &pointDevice());
}

PointFontMetrics LinearDrawContext::metrics(const QFont &font)
{
    const QFontMetricsF fm(fontAt72(font));
    PointFontMetrics m;
    m.ascender = fm.ascent();
    m.descender = -fm.descent();
    m.leading = fm.leading();
    m.capHeight = fm.capHeight();
    return m;
}

double LinearDrawContext::textWidth(const QString &string, const QFont &font)
{
    if (string.isEmpty())
        return 0;
    return QFontMetricsF(fontAt72(font)).horizontalAdvance(string);
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
