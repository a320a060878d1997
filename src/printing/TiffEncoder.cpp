#include "printing/TiffEncoder.h"

#include "platform/TiffMemoryFile.h"
#include "foundation/Language.h"

#include <tiffio.h>

#include <algorithm>

namespace quillmark {

QByteArray TiffEncoder::encode(const QImage &image, double dpi, QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QByteArray();
    };
    if (image.isNull())
        return fail(translated(QStringLiteral("There is no image to write.")));

    QByteArray bytes;
    const auto written = TiffMemoryFile::writeRgb(image, "export.tiff", [dpi](TIFF *tiff, bool) {
        return TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_RGB))
            && TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_LZW))
            && TIFFSetField(tiff, TIFFTAG_PREDICTOR, uint16_t(PREDICTOR_HORIZONTAL))
            && TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH))
            && TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(dpi))
            && TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(dpi))
            && TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    }, &bytes);
    switch (written) {
    case TiffMemoryFile::Written::Yes:
        return bytes;
    case TiffMemoryFile::Written::NotConverted:
        return fail(translated(QStringLiteral("The image could not be converted for TIFF.")));
    case TiffMemoryFile::Written::NotOpened:
        return fail(translated(QStringLiteral("The TIFF encoder could not be started.")));
    case TiffMemoryFile::Written::Failed:
        break;
    }
    return fail(translated(QStringLiteral("The TIFF encoder failed.")));
}

} // namespace quillmark
