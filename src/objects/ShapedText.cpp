#include "objects/ShapedText.h"

#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QTextDocument>
#include <QTextLayout>

#include <memory>

#include "objects/NSTextWrapContainer.h"
#include "objects/PathWarps.h"
#include "objects/TextFlow.h"

namespace quillmark {

BezierPath ShapedText::glyphOutlines(const QTextDocument &text, const QSizeF &boxSize)
{
    if (text.isEmpty() || !(boxSize.width() > 0) || !(boxSize.height() > 0))
        return {};
    // Laid out on a copy: the outline never disturbs the document an editor may hold.
    std::shared_ptr<QTextDocument> copy(text.clone());
    TextFlow flow(copy);
    // Shaped text does not run around other objects.
    NSTextWrapContainer box(boxSize);
    flow.insertContainer(&box, 0);
    flow.layout();

    QPainterPath glyphs;
    for (const TextFlow::Line &line : flow.lines()) {
        QTextLayout *layout = flow.blockLayout(line.block);
        const QTextLine textLine = layout->lineAt(line.lineNumber);
        const QList<QGlyphRun> runs = layout->glyphRuns(textLine.textStart(), textLine.textLength());
        for (const QGlyphRun &run : runs) {
            const QRawFont font = run.rawFont();
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
                QPainterPath glyph = font.pathForGlyph(indexes[i]);
                if (glyph.isEmpty())
                    continue;
                glyph.translate(positions[i]);
                glyphs.addPath(glyph);
            }
        }
    }
    return BezierPath::fromPainterPath(glyphs);
}

BezierPath ShapedText::outline(const QTextDocument &text, const QRectF &glyphBox, int style,
                               bool printing)
{
    BezierPath path = glyphOutlines(text, glyphBox.size());
    if (path.isEmpty())
        return path;
    const QRectF used = path.bounds();
    if (!(used.width() > 0) || !(used.height() > 0))
        return {};

    // The block of glyphs is stretched in x and y independently to fill the glyph box.
    QTransform fit;
    fit.translate(glyphBox.x(), glyphBox.y());
    fit.scale(glyphBox.width() / used.width(), glyphBox.height() / used.height());
    fit.translate(-used.x(), -used.y());
    path.transform(fit);

    if (printing)
        path.setFlatness(path.flatness() / 4.0);
    if (style >= 2) {
        const qreal flatness = path.flatness();
        if (auto warped = PathWarps::warpBezierPath(&path, style, glyphBox)) {
            path = *warped;
            path.setFlatness(flatness);
        }
    }
    return path;
}

} // namespace quillmark
