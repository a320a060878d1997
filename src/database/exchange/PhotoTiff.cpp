#include "database/exchange/PhotoTiff.h"

#include "platform/TiffMemoryFile.h"

#include <tiffio.h>

#include <QtGlobal>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <vector>

namespace quillmark {

namespace {

// libtiff reports through global handlers; a photo that cannot be written is said by the
// caller, so libtiff's own words go to the log only.
void logTiffMessage(const char *module, const char *format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    qWarning("libtiff %s: %s", module ? module : "", text);
}

} // namespace

QSize PhotoTiff::storedSize(const QSize &size)
{
    if (size.width() <= MaximumSide && size.height() <= MaximumSide)
        return size;
    const float factor = float(MaximumSide) / float(std::max(size.width(), size.height()));
    return QSize(std::max(1, int(std::lround(size.width() * factor))), std::max(1, int(std::lround(size.height() * factor))));
}

QImage PhotoTiff::scaledForStorage(const QImage &image)
{
    const QSize size = storedSize(image.size());
    if (size == image.size())
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QByteArray PhotoTiff::encode(const QImage &image, QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QByteArray();
    };
    if (image.isNull())
        return fail(QStringLiteral("There is no picture to store."));
    const bool alpha = image.hasAlphaChannel();
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (pixels.isNull())
        return fail(QStringLiteral("The picture could not be converted for storing."));

    const TIFFErrorHandler previousError = TIFFSetErrorHandler(logTiffMessage);
    const TIFFErrorHandler previousWarning = TIFFSetWarningHandler(nullptr);
    TiffMemoryFile file;
    TIFF *tiff = file.open("photo.tiff", "w");
    bool ok = tiff != nullptr;
    if (ok) {
        const uint16_t samples = alpha ? 4 : 3;
        // Strips of whole JPEG blocks (16 rows covers the YCbCr subsampling).
        ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(pixels.width()))
            && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(pixels.height()))
            && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8))
            && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples)
            && TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG))
            && TIFFSetField(tiff, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT))
            && TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_JPEG))
            && TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(alpha ? PHOTOMETRIC_RGB : PHOTOMETRIC_YCBCR))
            && TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 100)
            && TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(16))
            && TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH))
            && TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 72.0f)
            && TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 72.0f);
        if (ok && alpha) {
            const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
            ok = TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
        }
        // The codec takes RGB and converts to YCbCr itself.
        if (ok && !alpha)
            ok = TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        for (int y = 0; ok && y < pixels.height(); ++y) {
            // libtiff takes a non-const buffer but only reads it.
            auto *row = const_cast<uchar *>(pixels.constScanLine(y));
            ok = TIFFWriteScanline(tiff, row, uint32_t(y), 0) == 1;
        }
        if (ok)
            ok = TIFFWriteDirectory(tiff) == 1;
        TIFFClose(tiff);
    }
    TIFFSetErrorHandler(previousError);
    TIFFSetWarningHandler(previousWarning);
    if (!ok || file.isEmpty())
        return fail(QStringLiteral("The picture could not be stored as TIFF."));
    return file.bytes();
}

} // namespace quillmark
