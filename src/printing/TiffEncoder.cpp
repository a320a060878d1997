#include "printing/TiffEncoder.h"

#include "platform/TiffMemoryFile.h"

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
        return fail(QStringLiteral("There is no image to write."));

    const bool alpha = image.hasAlphaChannel();
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (pixels.isNull())
        return fail(QStringLiteral("The image could not be converted for TIFF."));
    const int samples = alpha ? 4 : 3;

    TiffMemoryFile stream;
    TIFF *tiff = stream.open("export.tiff", "w");
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
    if (!ok || stream.isEmpty())
        return fail(QStringLiteral("The TIFF encoder failed."));
    return stream.bytes();
}

} // namespace quillmark
