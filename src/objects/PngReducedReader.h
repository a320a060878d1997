#pragma once
// A PNG too large to hold whole, read a row at a time and made smaller as it is read: every
// output pixel is the mean of a square of 2, 4 or 8 pixels a side, so that no more than one
// row of the whole picture is ever in memory. May run on worker threads.
#include <QImage>

class QIODevice;

namespace quillmark::PngReducedReader {

// Whether the PNG whose first bytes are `head` can be read this way: interlaced pictures
// cannot, as their rows arrive in seven passes over the whole picture.
bool canRead(const QByteArray &head);
// The picture of the PNG on `device` (read from its start) at 1 / 2^shift of its size on
// each side (rounding up), or null when it cannot be read.
QImage read(QIODevice *device, int shift);

} // namespace quillmark::PngReducedReader
