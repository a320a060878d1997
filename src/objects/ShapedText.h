#pragma once
// The outline of shaped text: the glyph outlines of the laid-out text, stretched so that
// the block of lines fills the glyph box exactly, optionally bent by a path warp. Each glyph
// is drawn in the font of the run it belongs to, at the place the layout gave it, so lines
// keep their alignment relative to each other and letters follow their own advances.
#include <QRectF>

#include "platform/BezierPath.h"

class QTextDocument;

namespace quillmark {

class ColorRect;

class ShapedText
{
public:
    ShapedText() = delete;

    // The glyph outlines of the text that fits a box of the glyph box's size, fitted to
    // the glyph box (page points, y down). `style` is the stored shaped-text value: 2 to 21
    // warp, anything else does not. Printing flattens curves four times finer. Empty for
    // no text or a box without area. Merge fields inside the text show what they show in
    // `view`, the object that holds the text.
    static BezierPath outline(const QTextDocument &text, const QRectF &glyphBox, int style,
                              bool printing, const ColorRect *view = nullptr);

    // The unfitted glyph outlines as laid out in a box of that size, from (0, 0).
    static BezierPath glyphOutlines(const QTextDocument &text, const QSizeF &boxSize,
                                    const ColorRect *view = nullptr);
};

} // namespace quillmark
