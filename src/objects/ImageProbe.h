#pragma once
// The one answer to "is this a picture we take": every way a picture enters the program (a
// browser tile, a file dragged onto a browser or the canvas, a picture placed into an object,
// a picture stored in a design) asks here, under the same limits.
//
// Files are opened only when they are regular files: a FIFO, a terminal or any other device
// would block the reader for good or never end. The check reads the header (the size a
// bitmap announces, a PDF's first page, an SVG drawing's own size) and applies the byte and
// pixel limits; it decodes no pixels. Decoding, at full size or at a thumbnail's, also lives
// here, so that SVG text reaches the SVG renderer only through SvgSanitizer.
//
// Everything here may run on worker threads: nothing keeps state between calls.
#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>

#include "platform/GuardedReader.h"

class QFile;
class QIODevice;

namespace quillmark {

class ImageProbe
{
public:
    enum class Format { None, Raster, Jpeg2000, Pdf, Svg };
    enum class Refusal { None, Unreadable, TooLarge, NotAnImage };

    // Files larger than this are not read at all.
    static constexpr qint64 maxFileBytes = 256LL * 1024 * 1024;
    // No bitmap is decoded with more pixels than this, and vector pictures are drawn smaller.
    static constexpr qint64 maxPixels = 64LL * 1024 * 1024;
    // A bitmap storing more pixels than maxPixels (a 108-megapixel phone photo) is decoded at
    // a half, a quarter or an eighth of its size, when its format decodes smaller without
    // the whole picture in memory (JPEG, PNG whose rows are not interlaced, TIFF read in bands
    // of strips or tiles, still WebP); other formats that large are refused. Past
    // this count even the smaller decoding is refused: an eighth would still hold as much
    // work as a picture no camera makes.
    static constexpr qint64 maxStoredPixels = 16 * maxPixels;
    // SVG text, compressed or not, is refused past this size once unpacked: no real drawing
    // comes near it, and a small compressed file must not unpack into all of memory.
    static constexpr qint64 maxSvgBytes = 32LL * 1024 * 1024;

    struct Result
    {
        Format format = Format::None;
        // Pixels of a bitmap (as stored, before any orientation), points of a PDF's first
        // page or of an SVG drawing.
        QSizeF size;
        // The pixels a bitmap is decoded at in full (as stored): its size, or a half, a
        // quarter or an eighth of it for one past maxPixels. Invalid when the format did not
        // announce its size.
        QSize decodedSize;
        // The Qt reader format of a bitmap.
        QByteArray rasterFormat;
        // What decoding needs beside the file: a PDF's or JPEG 2000 picture's bytes, the
        // sanitized (and unpacked) SVG text. Empty for a bitmap.
        QByteArray data;
        // Why the picture is refused; errorMessage() words it for the user (on the main
        // thread: the translation tables are not for workers).
        Refusal refusal = Refusal::NotAnImage;
        bool accepted() const { return format != Format::None; }
        QString errorMessage() const { return message(refusal); }
        bool isVector() const { return format == Format::Pdf || format == Format::Svg; }
    };

    // The file opened for reading when it is a regular file no larger than maxFileBytes;
    // null otherwise, with the reason. Never blocks on a FIFO or a device.
    static std::unique_ptr<QFile> openRegularFile(const QString &path, Refusal *refusal = nullptr);
    // The whole of such a file; `stamp` takes the stamp of the file read.
    static std::optional<QByteArray> readFile(const QString &path, Refusal *refusal = nullptr,
                                              GuardedReader::Stamp *stamp = nullptr);

    // Pictures up to this many pixels decode quickly enough to be placed on the window's
    // thread; larger ones are decoded on a worker.
    static constexpr qint64 decodeAtOncePixels = 4LL * 1024 * 1024;
    // Whether the file holds a bitmap of at most decodeAtOncePixels, a small drawing, or no
    // picture at all (which is refused or opened otherwise at once): reads the header only.
    static bool decodesAtOnce(const QString &path);

    static Result probeFile(const QString &path);
    // Whether the bytes on `device` (at its start) begin as a picture this program reads, judged
    // by their beginning: a bitmap's header (its size within the limits), the signature of a
    // JPEG 2000 picture or a PDF, the start of SVG text, plain or compressed. No drawing is
    // parsed, so the answer costs as little for the most detailed drawing as for a photo.
    static bool recognise(QIODevice *device);
    // Whether the file, a regular one, begins as a picture (recognise()): what a drag over a
    // window answers at once, however detailed a drawing it holds; the rest is read after the
    // drop, aside. A drag asks on every move of the mouse: the answer for the file as it was
    // last asked about, unchanged since, is kept.
    static bool recognisesFile(const QString &path);
    static Result probeData(const QByteArray &data);
    // An SVG drawing's size from its root element alone, measured by the renderer as the whole
    // drawing would be, without reading the rest: for a large drawing stored in a design, which
    // opens at once and is read whole (sanitized) when it is first drawn. `data` is then the text
    // as given, not sanitized. Refused when the text is not plainly an uncompressed SVG document
    // (a bitmap's or a PDF's signature, a document type declaration before the root, another
    // root): the caller then probes it whole.
    static Result probeSvgRoot(const QByteArray &text);
    // A device open for reading, at its start; it is read no further than the header for a
    // bitmap, and whole (within the limits) for the other formats.
    static Result probe(QIODevice *device);

    // Whether a file's extension names a picture format this program reads. Only chooses
    // between treating a dropped file as a picture or as a document; the probe decides.
    static bool hasImageExtension(const QString &path);

    // ---- decoding ----
    // The size a bitmap of `stored` pixels is decoded at in full: itself within maxPixels,
    // else halved (rounding up, as the JPEG decoder does) until it is within.
    static QSize reducedSize(QSize stored);
    // A bitmap or JPEG 2000 picture probed from `device` (positioned anywhere), at its
    // decodedSize when `box` is not valid, else no larger than `box` (decoded at that size
    // where the format allows). Null when it cannot be decoded. `turned` tells how the file's orientation
    // turned the picture.
    static QImage decodeBitmap(QIODevice *device, const Result &probed, QSize box,
                               QImageIOHandler::Transformations *turned = nullptr);
    // Draws SVG text (sanitized here again) or a PDF's first page into a transparent bitmap
    // of the given pixel size.
    static QImage renderSvg(const QByteArray &svg, QSize pixels);
    static QImage renderPdf(const QByteArray &pdf, QSize pixels);
    // The picture of a file no larger than `box`, kept in proportion; a bitmap smaller than
    // the box keeps its own size. Null when the file is refused or cannot be decoded.
    static QImage thumbnail(const QString &path, QSize box);
    // The same for a picture held in memory (a download).
    static QImage thumbnailData(const QByteArray &data, QSize box);
    // The whole picture of a file, as placing it decodes it: a bitmap at its decodedSize (so a
    // JPEG too large to hold whole comes at a fraction of it), a drawing at its own size held
    // within maxPixels. Null when refused or undecodable, with the reason in `refusal`. Never
    // blocks on a FIFO or a device; the decoding itself is slow for a large picture, so it is
    // for worker threads.
    static QImage decodeFile(const QString &path, Refusal *refusal = nullptr);
    // A size fitted into a box, kept in proportion, at least one pixel each way.
    static QSize fittedSize(QSizeF size, QSize box);

    // The message of a refusal, translated; empty for none.
    static QString message(Refusal refusal);

private:
    static QImage thumbnail(QIODevice *device, QSize box);
};

} // namespace quillmark
