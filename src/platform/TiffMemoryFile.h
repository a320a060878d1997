#pragma once

#include <QByteArray>
#include <QImage>

#include <tiffio.h>

#include <functional>
#include <vector>

namespace quillmark {

// A TIFF file kept in memory. libtiff seeks back while it writes a file's directory, so a
// plain stream will not do; the export and the photo store both write through this.
class TiffMemoryFile
{
public:
    TiffMemoryFile() = default;
    TiffMemoryFile(const TiffMemoryFile &) = delete;
    TiffMemoryFile &operator=(const TiffMemoryFile &) = delete;

    // A libtiff handle over this file ("w" to write); the caller closes it with TIFFClose,
    // which must happen before bytes() is read, and before this object goes.
    TIFF *open(const char *name, const char *mode);
    QByteArray bytes() const;
    bool isEmpty() const { return m_bytes.empty(); }

    enum class Written { Yes, NotConverted, NotOpened, Failed };
    // The export and the photo store write the same kind of file: 8-bit RGB, or RGBA with
    // unassociated alpha when the image has an alpha channel, one scan line at a time. What
    // differs between them (compression, colour model, resolution, strips) is set by `fields`,
    // which answers whether libtiff took it. `out` receives the file when it was written.
    static Written writeRgb(const QImage &image, const char *name,
                            const std::function<bool(TIFF *tiff, bool alpha)> &fields, QByteArray *out);

private:
    static tsize_t read(thandle_t handle, tdata_t buffer, tsize_t size);
    static tsize_t write(thandle_t handle, tdata_t buffer, tsize_t size);
    static toff_t seek(thandle_t handle, toff_t offset, int whence);
    static int close(thandle_t handle);
    static toff_t size(thandle_t handle);
    static int map(thandle_t handle, tdata_t *base, toff_t *size);
    static void unmap(thandle_t handle, tdata_t base, toff_t size);

    std::vector<unsigned char> m_bytes;
    toff_t m_position = 0;
};

} // namespace quillmark
