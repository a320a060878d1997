#pragma once
// The stored form of a record's photo: a TIFF image with JPEG compression, written with
// libtiff in memory, and the size a picture is brought to before it is stored.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace quillmark {

class PhotoTiff
{
public:
    // The longer side of a stored photo, in pixels (a pixel counts as a point).
    static constexpr int MaximumSide = 200;

    // The size a picture of that size is stored at: scaled down by MaximumSide over its longer
    // side when either side exceeds MaximumSide, else its own.
    static QSize storedSize(const QSize &size);
    // The picture brought to storedSize(), smoothly scaled.
    static QImage scaledForStorage(const QImage &image);

    // The picture as TIFF bytes with JPEG compression at the highest quality: YCbCr for an
    // opaque picture, RGB with an unassociated alpha channel when it has transparency. Empty,
    // with *error set, when nothing could be written.
    static QByteArray encode(const QImage &image, QString *error = nullptr);
};

} // namespace quillmark
