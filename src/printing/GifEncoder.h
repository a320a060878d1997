#pragma once
// GIF files through giflib. GIF holds at most 256 colours, so a picture with more is reduced by
// median cut; a picture with transparent parts gives up one palette entry as the transparent one.
// The format has no field for a resolution.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>
#include <QString>
#include <vector>

namespace quillmark {

class GifEncoder
{
public:
    // Empty on failure, with the reason in error.
    static QByteArray encode(const QImage &image, QString *error = nullptr);

    // The palette and the per-pixel indices of an image reduced to at most maxColors opaque
    // colours; with a transparent index, pixels less than half opaque take that index.
    struct Indexed
    {
        QList<QRgb> palette;
        int transparentIndex = -1;
        std::vector<unsigned char> indices; // width × height, row by row
    };
    static Indexed quantize(const QImage &image);
};

} // namespace quillmark
