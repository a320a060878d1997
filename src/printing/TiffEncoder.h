#pragma once
// TIFF files written with libtiff itself, so the resolution is stored exactly in inches and the
// alpha channel survives, whatever image plugins the Qt installation has.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace quillmark {

class TiffEncoder
{
public:
    // 8-bit RGB, or RGBA with unassociated alpha when the image has an alpha channel; LZW with
    // horizontal differencing; dpi dots per inch in both directions. Empty on failure.
    static QByteArray encode(const QImage &image, double dpi, QString *error = nullptr);
};

} // namespace quillmark
