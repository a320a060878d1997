#include "objects/ImageProbe.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <poppler-qt6.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "foundation/Language.h"
#include "objects/Jpeg2000Reader.h"
#include "objects/PngReducedReader.h"
#include "objects/SvgSanitizer.h"
#include "objects/TiffReducedReader.h"
#include "objects/WebpReducedReader.h"
#include "platform/GuardedReader.h"

namespace quillmark {

namespace {

using Refusal = ImageProbe::Refusal;
using Result = ImageProbe::Result;

// Qt's own allocation limit stops bitmap formats that do not announce their size before
// decoding; it is raised once, for every reader, to what the pixel limit allows.
void installAllocationLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const int megabytes = int(ImageProbe::maxPixels * 4 / (1024 * 1024));
        if (QImageReader::allocationLimit() < megabytes)
            QImageReader::setAllocationLimit(megabytes);
    });
}

Result refuse(Refusal refusal)
{
    Result result;
    result.refusal = refusal;
    return result;
}

bool finitePositive(QSizeF size)
{
    return size.width() > 0 && size.height() > 0 && std::isfinite(size.width()) && std::isfinite(size.height());
}

// The rest of a device, or nothing when it holds more than `limit` bytes.
std::optional<QByteArray> readBounded(QIODevice *device, qint64 limit)
{
    if (!device->isSequential()) {
        const qint64 left = device->size() - device->pos();
        if (left > limit)
            return std::nullopt;
        // Asked for no more than the file holds: a read of the limit reserves the whole limit,
        // tens of megabytes for every small drawing a folder of thumbnails probes.
        return device->read(qMax<qint64>(left, 0));
    }
    QByteArray data;
    char chunk[64 * 1024];
    for (;;) {
        const qint64 got = device->read(chunk, sizeof chunk);
        if (got <= 0)
            break;
        if (data.size() + got > limit)
            return std::nullopt;
        data.append(chunk, got);
    }
    return data;
}

enum class Unpacked { Ok, TooLarge, Damaged };

// Compressed SVG text unpacked, stopping as soon as it passes the limit.
Unpacked gunzip(const QByteArray &data, qint64 limit, QByteArray *out)
{
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return Unpacked::Damaged;
    char chunk[64 * 1024];
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    Unpacked result = Unpacked::Damaged;
    while (true) {
        stream.next_out = reinterpret_cast<Bytef *>(chunk);
        stream.avail_out = sizeof chunk;
        const int status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
        out->append(chunk, qsizetype(sizeof chunk - stream.avail_out));
        if (out->size() > limit) {
            result = Unpacked::TooLarge;
            break;
        }
        if (status == Z_STREAM_END) {
            result = Unpacked::Ok;
            break;
        }
        if (stream.avail_in == 0 && stream.avail_out != 0)
            break;
    }
    inflateEnd(&stream);
    if (result != Unpacked::Ok)
        out->clear();
    return result;
}

std::unique_ptr<Poppler::Document> openPdf(const QByteArray &data)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(data);
    if (!document || document->isLocked() || document->numPages() < 1)
        return nullptr;
    return document;
}

// The drawing's own size: its width and height, else its view box.
QSizeF svgSize(QSvgRenderer &renderer)
{
    if (!renderer.isValid())
        return {};
    QSizeF size = QSizeF(renderer.defaultSize());
    if (size.isEmpty())
        size = renderer.viewBoxF().size();
    return size;
}

Result probeSvg(const QByteArray &text)
{
    if (text.size() > ImageProbe::maxSvgBytes)
        return refuse(Refusal::TooLarge);
    const QByteArray sanitized = SvgSanitizer::sanitize(text, ImageProbe::maxSvgBytes);
    if (sanitized.isEmpty())
        return refuse(Refusal::NotAnImage);
    QSvgRenderer renderer(sanitized);
    const QSizeF size = svgSize(renderer);
    if (!finitePositive(size))
        return refuse(Refusal::NotAnImage);
    Result result;
    result.format = ImageProbe::Format::Svg;
    result.refusal = Refusal::None;
    result.size = size;
    result.data = sanitized;
    return result;
}

Result probePdf(const QByteArray &data)
{
    std::unique_ptr<Poppler::Document> document = openPdf(data);
    std::unique_ptr<Poppler::Page> page = document ? document->page(0) : nullptr;
    const QSizeF size = page ? page->pageSizeF() : QSizeF();
    if (!finitePositive(size))
        return refuse(Refusal::NotAnImage);
    Result result;
    result.format = ImageProbe::Format::Pdf;
    result.refusal = Refusal::None;
    result.size = size;
    result.data = data;
    return result;
}

Result probeJpeg2000(const QByteArray &data)
{
    const QSize size = Jpeg2000Reader::size(data);
    if (!size.isValid() || size.isEmpty())
        return refuse(Refusal::NotAnImage);
    if (qint64(size.width()) * size.height() > ImageProbe::maxPixels)
        return refuse(Refusal::TooLarge);
    Result result;
    result.format = ImageProbe::Format::Jpeg2000;
    result.refusal = Refusal::None;
    result.size = QSizeF(size);
    result.decodedSize = size;
    result.data = data;
    return result;
}

bool isVectorFormatName(const QByteArray &format)
{
    return format == "svg" || format == "svgz" || format == "pdf";
}

// Whether a bitmap too large to hold whole decodes at a half, a quarter or an eighth without
// the whole picture in memory: the JPEG decoder makes the fractions directly; a PNG whose rows
// come in order is made smaller a row at a time, a TIFF a band of strips or tiles at a time;
// libwebp scales each row as it decodes it. Other readers that take a smaller size decode the
// whole first.
bool decodesSmaller(const QByteArray &format, const QByteArray &head, QIODevice *device)
{
    if (format == "jpeg" || format == "jpg")
        return true;
    if (format == "png")
        return PngReducedReader::canRead(head);
    if (format == "tiff")
        return TiffReducedReader::canRead(device);
    if (format == "webp")
        return WebpReducedReader::canRead(head);
    return false;
}

} // namespace

QString ImageProbe::message(Refusal refusal)
{
    switch (refusal) {
    case Refusal::None:
        return {};
    case Refusal::Unreadable:
        return Language::stringForKey("The image file could not be read.");
    case Refusal::TooLarge:
        return Language::stringForKey("The image is too large to open.");
    case Refusal::NotAnImage:
        break;
    }
    return Language::stringForKey("The file is not an image that can be opened.");
}

std::unique_ptr<QFile> ImageProbe::openRegularFile(const QString &path, Refusal *refusal)
{
    GuardedReader::Refusal why = GuardedReader::Refusal::None;
    std::unique_ptr<QFile> file = GuardedReader::open(path, maxFileBytes, &why);
    if (refusal)
        *refusal = file ? Refusal::None : why == GuardedReader::Refusal::TooLarge ? Refusal::TooLarge : Refusal::Unreadable;
    return file;
}

std::optional<QByteArray> ImageProbe::readFile(const QString &path, Refusal *refusal, GuardedReader::Stamp *stamp)
{
    GuardedReader::Refusal why = GuardedReader::Refusal::None;
    std::optional<QByteArray> data = GuardedReader::read(path, maxFileBytes, &why, stamp);
    if (refusal)
        *refusal = data ? Refusal::None : why == GuardedReader::Refusal::TooLarge ? Refusal::TooLarge : Refusal::Unreadable;
    return data;
}

bool ImageProbe::hasImageExtension(const QString &path)
{
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    if (suffix.isEmpty())
        return false;
    static const QByteArray ours[] = {"pdf", "svg", "svgz", "jp2", "j2k", "j2c", "jpf", "jpx"};
    for (const QByteArray &each : ours) {
        if (suffix == each)
            return true;
    }
    return QImageReader::supportedImageFormats().contains(suffix);
}

bool ImageProbe::decodesAtOnce(const QString &path)
{
    installAllocationLimit();
    std::unique_ptr<QFile> file = openRegularFile(path);
    if (!file)
        return true;
    // A drawing is read whole and parsed when placed; a short one is quick.
    constexpr qint64 smallDrawingBytes = 512 * 1024;
    const QByteArray head = file->peek(4096);
    if (head.isEmpty())
        return true;
    const QByteArray format = QImageReader::imageFormat(file.get()).toLower();
    file->seek(0);
    if (!format.isEmpty() && !isVectorFormatName(format)) {
        QImageReader reader(file.get(), format);
        const QSize size = reader.size();
        if (size.isValid())
            return qint64(size.width()) * size.height() <= decodeAtOncePixels;
        return file->size() <= decodeAtOncePixels;
    }
    // JPEG 2000 announces its size only to its own decoder, which is slow at any size.
    if (Jpeg2000Reader::canRead(head))
        return false;
    const qsizetype pdf = head.indexOf("%PDF-");
    const bool drawing = head.startsWith("\x1f\x8b") || (pdf >= 0 && pdf < 1024) || head.contains("<svg");
    return !drawing || file->size() <= smallDrawingBytes;
}

ImageProbe::Result ImageProbe::probeFile(const QString &path)
{
    Refusal refusal = Refusal::None;
    std::unique_ptr<QFile> file = openRegularFile(path, &refusal);
    if (!file)
        return refuse(refusal);
    return probe(file.get());
}

bool ImageProbe::recognise(QIODevice *device)
{
    installAllocationLimit();
    if (!device || !device->isReadable())
        return false;
    const qint64 start = device->pos();
    const QByteArray head = device->peek(4096);
    if (head.isEmpty())
        return false;
    if (head.startsWith("\x1f\x8b")) {
        // Compressed SVG: unpacked within the limit (quickly, as no drawing is parsed), and
        // beginning as SVG text.
        const std::optional<QByteArray> packed = readBounded(device, maxFileBytes);
        device->seek(start);
        QByteArray text;
        return packed && gunzip(*packed, maxSvgBytes, &text) == Unpacked::Ok && text.left(4096).contains("<svg");
    }
    const QByteArray format = QImageReader::imageFormat(device).toLower();
    device->seek(start);
    if (!format.isEmpty() && !isVectorFormatName(format)) {
        // A bitmap's probe reads its header only.
        const bool accepted = probe(device).accepted();
        device->seek(start);
        return accepted;
    }
    if (Jpeg2000Reader::canRead(head))
        return true;
    const qsizetype pdf = head.indexOf("%PDF-");
    if (pdf >= 0 && pdf < 1024)
        return true;
    return head.contains("<svg") && (device->isSequential() || device->size() - start <= maxSvgBytes);
}

bool ImageProbe::recognisesFile(const QString &path)
{
    if (!GuardedReader::isRegularFile(path))
        return false;
    const QFileInfo info(path);
    struct Answer
    {
        QString path;
        QDateTime modified;
        qint64 size = -1;
        bool accepted = false;
    };
    static std::mutex mutex;
    static Answer last;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (last.path == info.absoluteFilePath() && last.modified == info.lastModified() && last.size == info.size())
            return last.accepted;
    }
    const std::unique_ptr<QFile> file = openRegularFile(path);
    const bool accepted = file && recognise(file.get());
    const std::lock_guard<std::mutex> lock(mutex);
    last = {info.absoluteFilePath(), info.lastModified(), info.size(), accepted};
    return accepted;
}

ImageProbe::Result ImageProbe::probeData(const QByteArray &data)
{
    if (data.size() > maxFileBytes)
        return refuse(Refusal::TooLarge);
    QByteArray copy = data;
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly))
        return refuse(Refusal::Unreadable);
    return probe(&buffer);
}

ImageProbe::Result ImageProbe::probe(QIODevice *device)
{
    installAllocationLimit();
    if (!device || !device->isReadable())
        return refuse(Refusal::Unreadable);
    const qint64 start = device->pos();
    const QByteArray head = device->peek(4096);
    if (head.isEmpty())
        return refuse(Refusal::NotAnImage);

    if (head.startsWith("\x1f\x8b")) {
        // Compressed SVG: unpacked under the same limit as plain SVG text.
        const std::optional<QByteArray> packed = readBounded(device, maxFileBytes);
        if (!packed)
            return refuse(Refusal::TooLarge);
        QByteArray text;
        switch (gunzip(*packed, maxSvgBytes, &text)) {
        case Unpacked::Ok:
            break;
        case Unpacked::TooLarge:
            return refuse(Refusal::TooLarge);
        case Unpacked::Damaged:
            return refuse(Refusal::NotAnImage);
        }
        if (!text.left(4096).contains("<svg"))
            return refuse(Refusal::NotAnImage);
        return probeSvg(text);
    }

    // A bitmap recognised by its signature wins over text that happens to sit in its
    // metadata. SVG and PDF are never left to Qt's readers.
    const QByteArray format = QImageReader::imageFormat(device).toLower();
    device->seek(start);
    if (!format.isEmpty() && !isVectorFormatName(format)) {
        QSize size;
        bool readable = false;
        {
            QImageReader reader(device, format);
            size = reader.size();
            readable = size.isValid() || reader.canRead();
        }
        device->seek(start);
        if (!readable || (size.isValid() && size.isEmpty()))
            return refuse(Refusal::NotAnImage);
        if (size.isValid()) {
            const qint64 pixels = qint64(size.width()) * size.height();
            if (pixels > maxStoredPixels
                || (pixels > maxPixels && !decodesSmaller(format, head, device)))
                return refuse(Refusal::TooLarge);
            device->seek(start);
        }
        Result result;
        result.format = Format::Raster;
        result.refusal = Refusal::None;
        result.rasterFormat = format;
        // Formats that announce no size are held to the limit when decoded.
        if (size.isValid()) {
            result.size = QSizeF(size);
            result.decodedSize = reducedSize(size);
        }
        return result;
    }

    if (Jpeg2000Reader::canRead(head)) {
        const std::optional<QByteArray> data = readBounded(device, maxFileBytes);
        return data ? probeJpeg2000(*data) : refuse(Refusal::TooLarge);
    }
    const qsizetype pdf = head.indexOf("%PDF-");
    if (pdf >= 0 && pdf < 1024) {
        const std::optional<QByteArray> data = readBounded(device, maxFileBytes);
        return data ? probePdf(*data) : refuse(Refusal::TooLarge);
    }
    if (head.contains("<svg")) {
        const std::optional<QByteArray> text = readBounded(device, maxSvgBytes);
        return text ? probeSvg(*text) : refuse(Refusal::TooLarge);
    }
    return refuse(Refusal::NotAnImage);
}

QSize ImageProbe::fittedSize(QSizeF size, QSize box)
{
    if (!finitePositive(size) || box.isEmpty())
        return QSize(std::max(1, box.width()), std::max(1, box.height()));
    const double factor = std::min(box.width() / size.width(), box.height() / size.height());
    return QSize(std::max(1, int(std::lround(size.width() * factor))),
                 std::max(1, int(std::lround(size.height() * factor))));
}

QSize ImageProbe::reducedSize(QSize stored)
{
    if (!stored.isValid())
        return stored;
    QSize size = stored;
    for (int shift = 1; qint64(size.width()) * size.height() > maxPixels && shift <= 3; ++shift)
        size = QSize((stored.width() + (1 << shift) - 1) >> shift, (stored.height() + (1 << shift) - 1) >> shift);
    return size;
}

QImage ImageProbe::decodeBitmap(QIODevice *device, const Result &probed, QSize box,
                                QImageIOHandler::Transformations *turned)
{
    if (turned)
        *turned = QImageIOHandler::TransformationNone;
    installAllocationLimit();
    const bool thumbnail = box.isValid() && !box.isEmpty();
    QImage image;
    if (probed.format == Format::Jpeg2000) {
        const QSize atLeast = thumbnail ? fittedSize(probed.size, box) : QSize();
        image = Jpeg2000Reader::read(probed.data, maxPixels, atLeast);
    } else if (probed.format == Format::Raster && device) {
        if (!device->seek(0))
            return {};
        const QSize stored = probed.size.toSize();
        const QByteArray &format = probed.rasterFormat;
        if ((format == "png" || format == "tiff" || format == "webp") && stored.isValid()
            && probed.decodedSize.isValid() && probed.decodedSize != stored) {
            // Too large to hold whole: made smaller as it is read, then fitted to the box.
            int shift = 1;
            while (shift < 3 && reducedSize(stored) != QSize((stored.width() + (1 << shift) - 1) >> shift,
                                                             (stored.height() + (1 << shift) - 1) >> shift))
                ++shift;
            QImageIOHandler::Transformations orientation = QImageIOHandler::TransformationNone;
            if (format == "png")
                image = PngReducedReader::read(device, shift);
            else if (format == "tiff")
                image = TiffReducedReader::read(device, shift, &orientation);
            else
                image = WebpReducedReader::read(device, shift);
            if (image.isNull())
                return {};
            if (turned)
                *turned = orientation;
            if (thumbnail && (image.width() > box.width() || image.height() > box.height())) {
                QSizeF whole = probed.size;
                if (orientation & QImageIOHandler::TransformationRotate90)
                    whole.transpose();
                image = image.scaled(fittedSize(whole, box), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }
            return image;
        }
        QImageReader reader(device, probed.rasterFormat);
        reader.setAutoTransform(true);
        if (thumbnail && stored.isValid() && (stored.width() > box.width() || stored.height() > box.height()))
            reader.setScaledSize(fittedSize(probed.size, box));
        else if (!thumbnail && probed.decodedSize.isValid() && probed.decodedSize != stored)
            // A picture too large to hold whole is decoded at a fraction the decoder makes
            // directly, without the whole picture ever in memory.
            reader.setScaledSize(probed.decodedSize);
        image = reader.read();
        if (turned)
            *turned = reader.transformation();
        // A format that did not announce its size is held to the limit once decoded.
        if (!image.isNull() && !reader.scaledSize().isValid()
            && qint64(image.width()) * image.height() > maxPixels)
            return {};
    }
    if (image.isNull())
        return {};
    if (thumbnail && (image.width() > box.width() || image.height() > box.height()))
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage ImageProbe::renderSvg(const QByteArray &svg, QSize pixels)
{
    if (pixels.isEmpty() || qint64(pixels.width()) * pixels.height() > maxPixels)
        return {};
    // Sanitized here too, so that no SVG text reaches the renderer any other way.
    const QByteArray sanitized = SvgSanitizer::sanitize(svg, maxSvgBytes);
    if (sanitized.isEmpty())
        return {};
    QSvgRenderer renderer(sanitized);
    if (!renderer.isValid())
        return {};
    QImage canvas(pixels, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return canvas;
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing, true);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    return canvas;
}

QImage ImageProbe::renderPdf(const QByteArray &pdf, QSize pixels)
{
    if (pixels.isEmpty() || qint64(pixels.width()) * pixels.height() > maxPixels)
        return {};
    std::unique_ptr<Poppler::Document> document = openPdf(pdf);
    std::unique_ptr<Poppler::Page> page = document ? document->page(0) : nullptr;
    const QSizeF size = page ? page->pageSizeF() : QSizeF();
    if (!finitePositive(size))
        return {};
    document->setRenderHint(Poppler::Document::Antialiasing, true);
    document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    // The page has no paper of its own: what the PDF leaves unpainted stays clear. A
    // transparent paper colour alone gives black paper; the renderer must be told to leave
    // the paper out.
    document->setPaperColor(Qt::transparent);
    document->setRenderHint(Poppler::Document::IgnorePaperColor, true);
    const double xres = 72.0 * pixels.width() / size.width();
    const double yres = 72.0 * pixels.height() / size.height();
    const QImage rendered = page->renderToImage(xres, yres, 0, 0, pixels.width(), pixels.height());
    QImage canvas(pixels, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return canvas;
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(pixels)), rendered);
    return canvas;
}

QImage ImageProbe::decodeFile(const QString &path, Refusal *refusal)
{
    auto fail = [refusal](Refusal why) {
        if (refusal)
            *refusal = why;
        return QImage();
    };
    Refusal opened = Refusal::None;
    std::unique_ptr<QFile> file = openRegularFile(path, &opened);
    if (!file)
        return fail(opened);
    const Result probed = probe(file.get());
    if (!probed.accepted())
        return fail(probed.refusal);
    QImage image;
    switch (probed.format) {
    case Format::None:
        break;
    case Format::Raster:
    case Format::Jpeg2000:
        image = decodeBitmap(file.get(), probed, QSize());
        break;
    case Format::Svg:
    case Format::Pdf: {
        // At one pixel a point, smaller when that would pass the pixel limit.
        QSizeF pixels(std::ceil(probed.size.width()), std::ceil(probed.size.height()));
        const double area = pixels.width() * pixels.height();
        if (area > double(maxPixels))
            pixels *= std::sqrt(double(maxPixels) / area) * 0.999;
        const QSize size(std::max(1, int(pixels.width())), std::max(1, int(pixels.height())));
        image = probed.format == Format::Svg ? renderSvg(probed.data, size) : renderPdf(probed.data, size);
        break;
    }
    }
    if (image.isNull())
        return fail(Refusal::NotAnImage);
    if (refusal)
        *refusal = Refusal::None;
    return image;
}

ImageProbe::Result ImageProbe::probeSvgRoot(const QByteArray &text)
{
    if (text.size() > maxSvgBytes)
        return refuse(Refusal::TooLarge);
    QByteArray head = text.left(4096);
    if (head.startsWith("\x1f\x8b") || !head.contains("<svg") || Jpeg2000Reader::canRead(head))
        return refuse(Refusal::NotAnImage);
    const qsizetype pdf = head.indexOf("%PDF-");
    if (pdf >= 0 && pdf < 1024)
        return refuse(Refusal::NotAnImage);
    {
        QBuffer buffer(&head);
        buffer.open(QIODevice::ReadOnly);
        const QByteArray format = QImageReader::imageFormat(&buffer).toLower();
        if (!format.isEmpty() && !isVectorFormatName(format))
            return refuse(Refusal::NotAnImage);
    }
    QXmlStreamReader reader(text);
    while (!reader.atEnd() && !reader.isStartElement()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::Invalid)
            return refuse(Refusal::NotAnImage);
    }
    if (!reader.isStartElement() || reader.name() != QLatin1String("svg"))
        return refuse(Refusal::NotAnImage);
    // The root alone, with the attributes the renderer measures it by and nothing else.
    QByteArray root;
    {
        QXmlStreamWriter writer(&root);
        writer.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
        writer.writeStartElement(QStringLiteral("svg"));
        for (const char *name : {"width", "height", "viewBox", "preserveAspectRatio"}) {
            const QString key = QString::fromLatin1(name);
            if (reader.attributes().hasAttribute(key))
                writer.writeAttribute(key, reader.attributes().value(key).toString());
        }
        writer.writeEndElement();
    }
    QSvgRenderer renderer(root);
    const QSizeF size = svgSize(renderer);
    if (!finitePositive(size))
        return refuse(Refusal::NotAnImage);
    Result result;
    result.format = Format::Svg;
    result.refusal = Refusal::None;
    result.size = size;
    result.data = text;
    return result;
}

QImage ImageProbe::thumbnail(const QString &path, QSize box)
{
    if (box.isEmpty())
        return {};
    std::unique_ptr<QFile> file = openRegularFile(path);
    if (!file)
        return {};
    return thumbnail(file.get(), box);
}

QImage ImageProbe::thumbnailData(const QByteArray &data, QSize box)
{
    if (box.isEmpty() || data.size() > maxFileBytes)
        return {};
    QByteArray copy = data;
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    return thumbnail(&buffer, box);
}

QImage ImageProbe::thumbnail(QIODevice *device, QSize box)
{
    const Result probed = probe(device);
    switch (probed.format) {
    case Format::None:
        return {};
    case Format::Raster:
    case Format::Jpeg2000:
        return decodeBitmap(device, probed, box);
    case Format::Svg:
        return renderSvg(probed.data, fittedSize(probed.size, box));
    case Format::Pdf:
        return renderPdf(probed.data, fittedSize(probed.size, box));
    }
    return {};
}

} // namespace quillmark
