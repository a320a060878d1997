#pragma once
// The resolution a bitmap file declares for itself, so that a picture counts with its size
// in points: a 300 x 150 pixel PNG at 300 dpi is 72 x 36 points. Read from the file's own
// bytes (PNG "pHYs", JPEG JFIF density or Exif resolution, TIFF and BMP resolution fields)
// rather than from the decoded image, whose resolution falls back to the screen's when the
// file declares none.
#include <QByteArray>
#include <QSizeF>

#include <optional>

class QIODevice;

namespace quillmark {

struct ImageResolution
{
    // Declared resolutions outside this range (dots per inch) are taken as undeclared.
    static constexpr double minDpi = 10.0;
    static constexpr double maxDpi = 50000.0;

    // Horizontal and vertical dots per inch the file declares; none when it declares no
    // resolution in physical units, or one out of range, or the bytes are not a file of a
    // kind that carries one.
    static std::optional<QSizeF> declaredDpi(const QByteArray &data);
    // The same for a file on a device open for reading, read no further than its header (a
    // JPEG's, PNG's or BMP's first HeadBytes, a TIFF's directory wherever it lies).
    static constexpr qint64 HeadBytes = 1024 * 1024;
    static std::optional<QSizeF> declaredDpi(QIODevice *device);

    // Pixels per metre as the PNG "pHYs" field and Qt store them, rounded; a whole number
    // of dots per inch survives a round trip through it exactly.
    static int dotsPerMeter(double dpi);
};

} // namespace quillmark
