#pragma once
// A WebP picture too large to hold whole, decoded straight to a half, a quarter or an eighth
// of its size: libwebp scales each row as it is decoded, and the file is handed over a piece
// at a time. May run on worker threads.
#include <QImage>

class QIODevice;

namespace quillmark::WebpReducedReader {

// Whether `head` (the first bytes of a file) starts a still WebP picture: an animation has
// no one picture to make smaller.
bool canRead(const QByteArray &head);
// The picture of the WebP on `device` (read from its start) at 1 / 2^shift of its size on each
// side (rounding up), or null when it cannot be decoded whole (damaged, cut short).
QImage read(QIODevice *device, int shift);

} // namespace quillmark::WebpReducedReader
