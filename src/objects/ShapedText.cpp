#include "objects/ShapedText.h"

#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <memory>

#include "objects/NSTextWrapContainer.h"
#include "objects/PathWarps.h"
#include "objects/TextAttachmentHandler.h"
#include "objects/TextFlow.h"
#include "objects/GlyphRuns.h"

namespace quillmark {

BezierPath ShapedText::glyphOutlines(const QTextDocument &text, const QSizeF &boxSize, const ColorRect *view)
{
    if (text.isEmpty() || !(boxSize.width() > 0) || !(boxSize.height() > 0))
        return {};
    // Laid out on a copy: the outline never disturbs the document an editor may hold.
    std::shared_ptr<QTextDocument> copy(text.clone());
    TextFlow flow(copy);
    // Shaped text does not run around other objects.
    NSTextWrapContainer box(boxSize);
    box.setTextView(const_cast<ColorRect *>(view));
    flow.insertContainer(&box, 0);
    flow.layout();

    QPainterPath glyphs;
    auto addRuns = [&glyphs](const QList<QGlyphRun> &runs, const QPointF &offset) {
        GlyphRuns::forEach(runs, [&](const GlyphRuns::Glyph &glyph) {
            QPainterPath outline = glyph.font.pathForGlyph(glyph.index);
            if (outline.isEmpty())
                return;
            outline.translate(glyph.position + offset);
            glyphs.addPath(outline);
        });
    };
    // Merge fields inside the text take the outline of the text they show, in place of the
    // character that holds their room.
    const std::vector<TextFlow::PlacedAttachment> attachments = flow.attachments(0);
    for (const TextFlow::Line &line : flow.lines()) {
        QTextLayout *layout = flow.blockLayout(line.block);
        const QTextLine textLine = layout->lineAt(line.lineNumber);
        const int blockStart = copy->findBlockByNumber(line.block).position();
        int from = textLine.textStart();
        const int end = textLine.textStart() + textLine.textLength();
        for (const TextFlow::PlacedAttachment &attachment : attachments) {
            const int offset = attachment.position - blockStart;
            if (offset < from || offset >= end)
                continue;
            if (offset > from)
                addRuns(layout->glyphRuns(from, offset - from), QPointF());
            from = offset + 1;
        }
        if (end > from)
            addRuns(layout->glyphRuns(from, end - from), QPointF());
    }
    for (const TextFlow::PlacedAttachment &attachment : attachments) {
        const QString shown = attachment.handler->text(attachment.format, view);
        if (shown.isEmpty())
            continue;
        const std::unique_ptr<QTextLayout> layout =
            TextFlow::layoutString(shown, attachment.format, attachment.frame.width());
        addRuns(layout->glyphRuns(), attachment.frame.topLeft());
    }
    return BezierPath::fromPainterPath(glyphs);
}

BezierPath ShapedText::outline(const QTextDocument &text, const QRectF &glyphBox, int style,
                               bool printing, const ColorRect *view)
{
    BezierPath path = glyphOutlines(text, glyphBox.size(), view);
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
