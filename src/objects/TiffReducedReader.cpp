#include "objects/TiffReducedReader.h"

#include <QIODevice>

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

namespace quillmark::TiffReducedReader {

namespace {

// One band holds at most this many pixels of the whole picture (32 MB): a file whose strips
// or tiles are taller than that allows (one compressed strip for the whole picture) would
// have to be unpacked whole, or again from its start for every band.
constexpr qint64 maxBandPixels = 8LL * 1024 * 1024;
// libtiff allocates no single buffer larger than this for a file that claims more.
constexpr tmsize_t maxAllocation = 256LL * 1024 * 1024;

tmsize_t readDevice(thandle_t handle, void *buffer, tmsize_t size)
{
    const qint64 read = static_cast<QIODevice *>(handle)->read(static_cast<char *>(buffer), qint64(size));
    return tmsize_t(read);
}

tmsize_t writeNothing(thandle_t, void *, tmsize_t)
{
    return -1;
}

toff_t seekDevice(thandle_t handle, toff_t offset, int whence)
{
    auto *device = static_cast<QIODevice *>(handle);
    qint64 target = qint64(offset);
    if (whence == SEEK_CUR)
        target += device->pos();
    else if (whence == SEEK_END)
        target += device->size();
    if (target < 0 || !device->seek(target))
        return toff_t(-1);
    return toff_t(target);
}

int closeNothing(thandle_t)
{
    return 0;
}

toff_t deviceSize(thandle_t handle)
{
    return toff_t(static_cast<QIODevice *>(handle)->size());
}

int mapNothing(thandle_t, void **, toff_t *)
{
    return 0;
}

void unmapNothing(thandle_t, void *, toff_t) {}

// Complaints about a damaged file are this reading's own: kept from the terminal and from the
// process-wide handlers other threads may have set.
int swallow(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

struct Closer
{
    void operator()(TIFF *tiff) const { TIFFClose(tiff); }
};
using Handle = std::unique_ptr<TIFF, Closer>;

Handle open(QIODevice *device)
{
    if (!device || !device->seek(0))
        return {};
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    if (!options)
        return {};
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, maxAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, swallow, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, swallow, nullptr);
    // "m": the device is read, never mapped.
    Handle tiff(TIFFClientOpenExt("picture", "rm", device, readDevice, writeNothing, seekDevice, closeNothing,
                                  deviceSize, mapNothing, unmapNothing, options));
    TIFFOpenOptionsFree(options);
    return tiff;
}

// Rows read together: whole strips or rows of tiles, as many as fit in a band, so that libtiff
// unpacks each strip or tile once. A band need not hold whole squares of the reduction: the
// sums of a square carry over from one band to the next. So whether a file can be read does
// not depend on how much smaller it is read, and every height of strip reads.
uint32_t bandRows(TIFF *tiff, uint32_t width, uint32_t height)
{
    uint32_t unit = 0;
    if (TIFFIsTiled(tiff)) {
        if (!TIFFGetField(tiff, TIFFTAG_TILELENGTH, &unit))
            return 0;
    } else if (!TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &unit)) {
        return 0;
    }
    unit = std::clamp<uint32_t>(unit, 1, height);
    if (qint64(unit) * width > maxBandPixels)
        return 0;
    const qint64 units = std::max<qint64>(1, maxBandPixels / (qint64(unit) * width));
    return uint32_t(std::min<qint64>(units * unit, height));
}

struct Image
{
    TIFFRGBAImage rgba{};
    bool begun = false;
    ~Image()
    {
        if (begun)
            TIFFRGBAImageEnd(&rgba);
    }
};

// Where a pixel of the picture as stored lands once turned, for a stored picture of w by h.
QPoint turnedPosition(int orientation, int x, int y, int w, int h)
{
    switch (orientation) {
    case ORIENTATION_TOPRIGHT:
        return {w - 1 - x, y};
    case ORIENTATION_BOTRIGHT:
        return {w - 1 - x, h - 1 - y};
    case ORIENTATION_BOTLEFT:
        return {x, h - 1 - y};
    case ORIENTATION_LEFTTOP:
        return {y, x};
    case ORIENTATION_RIGHTTOP:
        return {h - 1 - y, x};
    case ORIENTATION_RIGHTBOT:
        return {h - 1 - y, w - 1 - x};
    case ORIENTATION_LEFTBOT:
        return {y, w - 1 - x};
    default:
        return {x, y};
    }
}

QImageIOHandler::Transformations transformationOf(int orientation)
{
    switch (orientation) {
    case ORIENTATION_TOPRIGHT:
        return QImageIOHandler::TransformationMirror;
    case ORIENTATION_BOTRIGHT:
        return QImageIOHandler::TransformationRotate180;
    case ORIENTATION_BOTLEFT:
        return QImageIOHandler::TransformationFlip;
    case ORIENTATION_LEFTTOP:
        return QImageIOHandler::TransformationFlipAndRotate90;
    case ORIENTATION_RIGHTTOP:
        return QImageIOHandler::TransformationRotate90;
    case ORIENTATION_RIGHTBOT:
        return QImageIOHandler::TransformationMirrorAndRotate90;
    case ORIENTATION_LEFTBOT:
        return QImageIOHandler::TransformationRotate270;
    default:
        return QImageIOHandler::TransformationNone;
    }
}

bool begin(TIFF *tiff, Image *image)
{
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff, message))
        return false;
    // Stop at the first damaged strip or tile rather than leave part of the picture blank.
    if (!TIFFRGBAImageBegin(&image->rgba, tiff, 1, message))
        return false;
    image->begun = true;
    return image->rgba.width > 0 && image->rgba.height > 0;
}

} // namespace

bool isTiff(const QByteArray &head)
{
    return head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4))
        || head.startsWith(QByteArray("II+\0", 4)) || head.startsWith(QByteArray("MM\0+", 4));
}

bool canRead(QIODevice *device)
{
    const qint64 start = device ? device->pos() : 0;
    bool readable = false;
    {
        Handle tiff = open(device);
        Image image;
        readable = tiff && begin(tiff.get(), &image) && bandRows(tiff.get(), image.rgba.width, image.rgba.height) != 0;
    }
    if (device)
        device->seek(start);
    return readable;
}

QImage read(QIODevice *device, int shift, QImageIOHandler::Transformations *turned)
{
    if (turned)
        *turned = QImageIOHandler::TransformationNone;
    if (shift < 0 || shift > 3)
        return {};
    Handle tiff = open(device);
    Image image;
    if (!tiff || !begin(tiff.get(), &image))
        return {};
    TIFFRGBAImage &rgba = image.rgba;
    const uint32_t width = rgba.width;
    const uint32_t height = rgba.height;
    const int side = 1 << shift;
    const uint32_t band = bandRows(tiff.get(), width, height);
    if (band == 0)
        return {};
    // Rows come as stored; the smaller picture is turned as it is written.
    const int orientation = rgba.orientation;
    rgba.req_orientation = rgba.orientation;
    const int outWidth = int((width + side - 1) >> shift);
    const int outHeight = int((height + side - 1) >> shift);
    const bool quarterTurn = orientation >= ORIENTATION_LEFTTOP && orientation <= ORIENTATION_LEFTBOT;
    QImage result(quarterTurn ? outHeight : outWidth, quarterTurn ? outWidth : outHeight,
                  QImage::Format_RGBA8888_Premultiplied);
    if (result.isNull())
        return {};
    std::vector<uint32_t> raster;
    std::vector<quint32> sums;
    try {
        raster.resize(size_t(band) * width);
        sums.assign(size_t(outWidth) * 4, 0);
    } catch (const std::bad_alloc &) {
        return {};
    }
    uchar *const bits = result.bits();
    const qsizetype stride = result.bytesPerLine();
    uint32_t firstRow = 0;
    for (uint32_t top = 0; top < height; top += band) {
        const uint32_t rows = std::min(band, height - top);
        rgba.row_offset = int(top);
        rgba.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba, raster.data(), width, rows))
            return {};
        for (uint32_t r = 0; r < rows; ++r) {
            const uint32_t y = top + r;
            // libtiff hands premultiplied alpha, so a clear pixel lends no colour to its square.
            const uint32_t *row = raster.data() + size_t(r) * width;
            for (uint32_t x = 0; x < width; ++x) {
                const uint32_t p = row[x];
                quint32 *s = sums.data() + size_t(x >> shift) * 4;
                s[0] += TIFFGetR(p);
                s[1] += TIFFGetG(p);
                s[2] += TIFFGetB(p);
                s[3] += TIFFGetA(p);
            }
            const bool squareDone = ((y + 1) & uint32_t(side - 1)) == 0 || y + 1 == height;
            if (!squareDone)
                continue;
            const int squareRows = int(y + 1 - firstRow);
            const int oy = int(y >> shift);
            for (int ox = 0; ox < outWidth; ++ox) {
                const int columns = std::min(side, int(width) - ox * side);
                const quint32 count = quint32(squareRows * columns);
                quint32 *s = sums.data() + size_t(ox) * 4;
                const QPoint at = turnedPosition(orientation, ox, oy, outWidth, outHeight);
                uchar *out = bits + at.y() * stride + qsizetype(at.x()) * 4;
                for (int c = 0; c < 4; ++c) {
                    out[c] = uchar((s[c] + count / 2) / count);
                    s[c] = 0;
                }
            }
            firstRow = y + 1;
        }
    }
    if (turned)
        *turned = transformationOf(orientation);
    return result;
}

} // namespace quillmark::TiffReducedReader
