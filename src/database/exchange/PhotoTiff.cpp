#include "database/exchange/PhotoTiff.h"

#include "platform/TiffMemoryFile.h"
#include "foundation/Language.h"

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
        return fail(translated(QStringLiteral("There is no picture to store.")));
    const TIFFErrorHandler previousError = TIFFSetErrorHandler(logTiffMessage);
    const TIFFErrorHandler previousWarning = TIFFSetWarningHandler(nullptr);
    QByteArray bytes;
    const auto written = TiffMemoryFile::writeRgb(image, "photo.tiff", [](TIFF *tiff, bool alpha) {
        // Strips of whole JPEG blocks (16 rows covers the YCbCr subsampling); the codec takes
        // RGB and converts to YCbCr itself.
        return TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_JPEG))
            && TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(alpha ? PHOTOMETRIC_RGB : PHOTOMETRIC_YCBCR))
            && TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 100)
            && TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(16))
            && TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH))
            && TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 72.0f)
            && TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 72.0f)
            && (alpha || TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB));
    }, &bytes);
    TIFFSetErrorHandler(previousError);
    TIFFSetWarningHandler(previousWarning);
    if (written == TiffMemoryFile::Written::NotConverted)
        return fail(translated(QStringLiteral("The picture could not be converted for storing.")));
    if (written != TiffMemoryFile::Written::Yes)
        return fail(translated(QStringLiteral("The picture could not be stored as TIFF.")));
    return bytes;
}

} // namespace quillmark
