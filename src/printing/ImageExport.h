#pragma once
// Bitmap and icon files of a rendered label, each recording the resolution it was rendered at
// where the format has room for one.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTransform>

#include "printing/ExportFormats.h"

namespace quillmark {

class ImageExport
{
public:
    // The square icon side for an image whose shorter side is side pixels: the largest of 16, 48,
    // 128 and 256 (and, for ICNS only, 512 and 1024) that side reaches; 16 below 48.
    static int getIconSize(ImageFileType type, int side);

    // The uniform scale that fits the image into a size × size square, as a 32-bit float.
    static QTransform imageTransformToFitView(const QImage &image, double size);

    // A new size × size image, transparent, with the image scaled to fit and centred in it. Null
    // when the image is empty or the size is no usable icon size.
    static QImage scaleImage(const QImage &image, double size);

    // Writes one image of the type to path, atomically, recording dpi dots per inch. Icon types
    // first scale the image into the largest icon square its shorter side reaches. False, with
    // the reason in error and any old file left alone, when nothing could be written.
    static bool export1(const QImage &image, const QString &path, ImageFileType type, float dpi,
                        QString *error = nullptr);

    // What export1 writes to the file, icon scaling included. Empty, with the reason in error,
    // on failure.
    static QByteArray fileData(const QImage &image, ImageFileType type, float dpi, QString *error = nullptr);

    // The file contents export1 writes, without the icon scaling. Empty on failure.
    static QByteArray encode(const QImage &image, ImageFileType type, float dpi, QString *error = nullptr);
};

} // namespace quillmark
