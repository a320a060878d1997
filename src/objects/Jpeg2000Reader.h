#pragma once
// JPEG 2000 pictures (the JP2 container and bare codestreams) read through OpenJPEG, which Qt
// has no reader for. The header gives the size without decoding; a thumbnail is decoded at a
// reduced resolution level, so a large picture costs little more than its small version.
#include <QByteArray>
#include <QImage>
#include <QSize>

namespace quillmark {

class Jpeg2000Reader
{
public:
    // A JP2 signature box or a codestream's start and size markers.
    static bool canRead(const QByteArray &data);
    // The full size from the header alone; invalid when the header cannot be read.
    static QSize size(const QByteArray &data);
    // The picture, or a smaller one of at least `atLeast` when that is valid and the file
    // holds resolution levels to spare. Pictures above maxPixels are not decoded. Null when
    // the data cannot be decoded.
    static QImage read(const QByteArray &data, qint64 maxPixels, QSize atLeast = QSize());
};

} // namespace quillmark
