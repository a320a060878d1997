#pragma once
// A TIFF too large to hold whole, read a band of strips or tiles at a time and made smaller as
// it is read: every output pixel is the mean of a square of 2, 4 or 8 pixels a side, so that
// no more than one band of the whole picture is ever in memory. libtiff turns every colour
// model (grey, palette, RGB, CMYK, YCbCr, 16-bit) into 8-bit premultiplied RGBA; the file's
// orientation is applied to the smaller picture. libtiff's complaints about a damaged file go
// to this reading alone, never to the terminal or to another thread's reading. May run on
// worker threads.
#include <QImage>
#include <QImageIOHandler>

class QIODevice;

namespace quillmark::TiffReducedReader {

// Whether `head` starts like a TIFF (classic or big).
bool isTiff(const QByteArray &head);
// Whether the TIFF on `device` (read from its start) can be read in bands: libtiff knows its
// colour model and no strip or tile is so large that one band would hold a good part of a
// picture this size. Reads the header and first directory only.
bool canRead(QIODevice *device);
// The picture of the TIFF on `device` (read from its start) at 1 / 2^shift of its stored size
// on each side (rounding up), turned as its orientation says (`turned` tells how), or null
// when it cannot be read whole.
QImage read(QIODevice *device, int shift, QImageIOHandler::Transformations *turned = nullptr);

} // namespace quillmark::TiffReducedReader
