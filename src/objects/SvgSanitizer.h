#pragma once
// SVG text made safe to hand to the SVG renderer. A drawing may name other files: a picture
// by path or address, an external style sheet, a document type with external entities. The
// renderer would open such a file as soon as it reads the drawing, and a path that names a
// FIFO or a terminal blocks it for good, while any other path lets a drawing pull a local
// file into the design. The sanitized text keeps only references inside the drawing itself
// ("#id") and embedded raster pictures ("data:" addresses whose bytes are a bitmap format);
// everything else that could reach outside is dropped.
#include <QByteArray>

namespace quillmark {

class SvgSanitizer
{
public:
    // The drawing rewritten without outside references, comments, processing instructions
    // or a document type; empty when the text is not well-formed XML, its root element is
    // not "svg", or the rewritten text would pass maxBytes.
    static QByteArray sanitize(const QByteArray &svg, qint64 maxBytes);

    // Whether a reference may stay: a fragment of the same drawing, or a "data:" address
    // holding a bitmap (PNG, JPEG, GIF, BMP, WebP) of no more than maxPixels pixels. An
    // embedded SVG is refused: it would be read without this check.
    static bool isSafeReference(const QString &value, qint64 maxPixels);
};

} // namespace quillmark
