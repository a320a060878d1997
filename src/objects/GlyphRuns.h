#pragma once
// The walk over the glyphs of laid-out text that outlines, oval text and its character map
// share: each glyph of each run, with its run's font and its place in the layout.
#include <QGlyphRun>
#include <QList>
#include <QPointF>
#include <QRawFont>

namespace quillmark {

namespace GlyphRuns {

struct Glyph
{
    const QGlyphRun &run;
    const QRawFont &font;
    quint32 index;
    QPointF position;
    // The glyph's place in its run: what is asked of a whole run is asked at its first glyph.
    qsizetype indexInRun;
};

template <typename Visit>
void forEach(const QList<QGlyphRun> &runs, Visit &&visit)
{
    for (const QGlyphRun &run : runs) {
        const QRawFont font = run.rawFont();
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i)
            visit(Glyph{run, font, indexes[i], positions[i], i});
    }
}

} // namespace GlyphRuns

} // namespace quillmark
