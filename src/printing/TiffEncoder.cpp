#include "printing/TiffEncoder.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace quillmark {

namespace {

// An in-memory file for libtiff, which needs to seek back while it writes the directory.
struct MemoryStream
{
    std::vector<unsigned char> bytes;
    toff_t position = 0;
};

tsize_t streamRead(thandle_t handle, tdata_t buffer, tsize_t size)
{
    auto *stream = static_cast<MemoryStream *>(handle);
    if (size <= 0 || stream->position >= stream->bytes.size())
        return 0;
    const size_t n = std::min<size_t>(size_t(size), stream->bytes.size() - stream->position);
    std::memcpy(buffer, stream->bytes.data() + stream->position, n);
    stream->position += n;
    return tsize_t(n);
}

tsize_t streamWrite(thandle_t handle, tdata_t buffer, tsize_t size)
{
    auto *stream = static_cast<MemoryStream *>(handle);
    if (size <= 0)
        return 0;
    const size_t end = size_t(stream->position) + size_t(size);
    if (end > stream->bytes.size())
        stream->bytes.resize(end);
    std::memcpy(stream->bytes.data() + stream->position, buffer, size_t(size));
    stream->position = end;
    return size;
}

toff_t streamSeek(thandle_t handle, toff_t offset, int whence)
{
    auto *stream = static_cast<MemoryStream *>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = stream->position;
    else if (whence == SEEK_END)
        base = stream->bytes.size();
    stream->position = base + offset;
    return stream->position;
}

int streamClose(thandle_t)
{
    return 0;
}

toff_t streamSize(thandle_t handle)
{
    return static_cast<MemoryStream *>(handle)->bytes.size();
}

int streamMap(thandle_t, tdata_t *, toff_t *)
{
    return 0;
}

void streamUnmap(thandle_t, tdata_t, toff_t)
{
}

} // namespace

QByteArray TiffEncoder::encode(const QImage &image, double dpi, QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QByteArray();
    };
    if (image.isNull())
        return fail(QStringLiteral("There is no image to write."));

    const bool alpha = image.hasAlphaChannel();
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (pixels.isNull())
        return fail(QStringLiteral("The image could not be converted for TIFF."));
    const int samples = alpha ? 4 : 3;

    MemoryStream stream;
    TIFF *tiff = TIFFClientOpen("export.tiff", "w", &stream, streamRead, streamWrite, streamSeek,
                                streamClose, streamSize, streamMap, streamUnmap);
    if (!tiff)
        return fail(QStringLiteral("The TIFF encoder could not be started."));

    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(pixels.width()))
        && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(pixels.height()))
        && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8))
        && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples))
        && TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG))
        && TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_RGB))
        && TIFFSetField(tiff, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT))
        && TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_LZW))
        && TIFFSetField(tiff, TIFFTAG_PREDICTOR, uint16_t(PREDICTOR_HORIZONTAL))
        && TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH))
        && TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(dpi))
        && TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(dpi))
        && TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    if (ok && alpha) {
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        ok = TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
    }
    for (int y = 0; ok && y < pixels.height(); ++y) {
        // libtiff takes a non-const buffer but only reads it.
        auto *row = const_cast<uchar *>(pixels.constScanLine(y));
        ok = TIFFWriteScanline(tiff, row, uint32_t(y), 0) == 1;
    }
    if (ok)
        ok = TIFFWriteDirectory(tiff) == 1;
    TIFFClose(tiff);
    if (!ok || stream.bytes.empty())
        return fail(QStringLiteral("The TIFF encoder failed."));
    return QByteArray(reinterpret_cast<const char *>(stream.bytes.data()), qsizetype(stream.bytes.size()));
}

} // namespace quillmark
