#pragma once
// JPEG 2000 files (the JP2 container) through OpenJPEG, lossless, with the resolution recorded in
// the header's resolution box.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace quillmark {

class Jp2Encoder
{
public:
    // sRGB, 8 bits per component, a fourth opacity component when the image has an alpha channel
    // with any pixel that is not fully opaque. Empty on failure.
    static QByteArray encode(const QImage &image, double dpi, QString *error = nullptr);

    // Inserts capture and default display resolution boxes of dpi dots per inch into the JP2
    // header box of a JP2 file; false when the file's boxes cannot be followed.
    static bool addResolutionBox(QByteArray &jp2, double dpi);
};

} // namespace quillmark
