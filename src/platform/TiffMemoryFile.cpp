#include "platform/TiffMemoryFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quillmark {

TIFF *TiffMemoryFile::open(const char *name, const char *mode)
{
    return TIFFClientOpen(name, mode, this, read, write, seek, close, size, map, unmap);
}

QByteArray TiffMemoryFile::bytes() const
{
    return QByteArray(reinterpret_cast<const char *>(m_bytes.data()), qsizetype(m_bytes.size()));
}

TiffMemoryFile::Written TiffMemoryFile::writeRgb(const QImage &image, const char *name,
                                                 const std::function<bool(TIFF *, bool)> &fields, QByteArray *out)
{
    const bool alpha = image.hasAlphaChannel();
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (pixels.isNull())
        return Written::NotConverted;
    TiffMemoryFile file;
    TIFF *tiff = file.open(name, "w");
    if (!tiff)
        return Written::NotOpened;
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(pixels.width()))
        && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(pixels.height()))
        && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8))
        && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(alpha ? 4 : 3))
        && TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG))
        && TIFFSetField(tiff, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT))
        && fields(tiff, alpha);
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
    if (!ok || file.isEmpty())
        return Written::Failed;
    if (out)
        *out = file.bytes();
    return Written::Yes;
}

tsize_t TiffMemoryFile::read(thandle_t handle, tdata_t buffer, tsize_t size)
{
    auto *file = static_cast<TiffMemoryFile *>(handle);
    if (size <= 0 || file->m_position >= file->m_bytes.size())
        return 0;
    const size_t n = std::min<size_t>(size_t(size), file->m_bytes.size() - size_t(file->m_position));
    std::memcpy(buffer, file->m_bytes.data() + file->m_position, n);
    file->m_position += n;
    return tsize_t(n);
}

tsize_t TiffMemoryFile::write(thandle_t handle, tdata_t buffer, tsize_t size)
{
    auto *file = static_cast<TiffMemoryFile *>(handle);
    if (size <= 0)
        return 0;
    const size_t end = size_t(file->m_position) + size_t(size);
    if (end > file->m_bytes.size())
        file->m_bytes.resize(end);
    std::memcpy(file->m_bytes.data() + file->m_position, buffer, size_t(size));
    file->m_position = end;
    return size;
}

toff_t TiffMemoryFile::seek(thandle_t handle, toff_t offset, int whence)
{
    auto *file = static_cast<TiffMemoryFile *>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = file->m_position;
    else if (whence == SEEK_END)
        base = file->m_bytes.size();
    file->m_position = base + offset;
    return file->m_position;
}

int TiffMemoryFile::close(thandle_t)
{
    return 0;
}

toff_t TiffMemoryFile::size(thandle_t handle)
{
    return static_cast<TiffMemoryFile *>(handle)->m_bytes.size();
}

int TiffMemoryFile::map(thandle_t, tdata_t *, toff_t *)
{
    return 0;
}

void TiffMemoryFile::unmap(thandle_t, tdata_t, toff_t)
{
}

} // namespace quillmark
