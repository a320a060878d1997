#include "objects/specImage.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPaintEngine>
#include <QThreadPool>
#include <QTransform>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <map>
#include <unistd.h>

#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/ImageProbe.h"
#include "objects/ImageResolution.h"
#include "objects/PictureWorker.h"
#include "platform/Archiver.h"
#include "platform/BezierPath.h"
#include "platform/Bundle.h"
#include "platform/Format.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"

namespace quillmark {

namespace {

const QString archiveClass = QStringLiteral("QMImage");

// Vector pictures smaller than this on both sides are rasterised with their larger side at
// this many points.
constexpr double vectorRasterSide = 1500.0;

void setError(QString *error, ImageProbe::Refusal refusal)
{
    if (error)
        *error = ImageProbe::message(refusal);
}

// The pixel size of a picture of `points` drawn at one pixel per point, made smaller when it
// would pass the pixel limit.
QSize boundedPixels(QSizeF points)
{
    double w = std::max(1.0, std::round(points.width()));
    double h = std::max(1.0, std::round(points.height()));
    if (w * h > double(specImage::maxPixels)) {
        const double factor = std::sqrt(double(specImage::maxPixels) / (w * h));
        w = std::max(1.0, std::floor(w * factor));
        h = std::max(1.0, std::floor(h * factor));
    }
    return QSize(int(w), int(h));
}

QImage transparentImage(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull())
        image.fill(Qt::transparent);
    return image;
}

// Rows and columns drawn for a repeat count: every i < count. Tiles narrower than a pixel
// add nothing, so an absurd count is limited by the picture's pixel size.
int tileSteps(float count, QSize pixels)
{
    const double limit = std::max(1, std::max(pixels.width(), pixels.height()));
    return int(std::min(std::ceil(double(count)), limit));
}

void drawTiles(QPainter &painter, const QImage &tile, QSizeF whole, float count, QSize pixels)
{
    const int steps = tileSteps(count, pixels);
    const double t = count;
    for (int i = 0; i < steps; ++i) {
        for (int j = 0; j < steps; ++j)
            painter.drawImage(QRectF(j * whole.width() / t, i * whole.height() / t,
                                     whole.width() / t, whole.height() / t),
                              tile);
    }
}

bool readsAsYes(const QVariant &value)
{
    return value.typeId() == QMetaType::QString && value.toString() == QLatin1String("YES");
}

QImage rasteriseVector(specImage::Kind kind, const QByteArray &data, QSize pixels)
{
    QImage canvas;
    if (kind == specImage::Kind::Svg)
        canvas = ImageProbe::renderSvg(data, pixels);
    else if (kind == specImage::Kind::Pdf)
        canvas = ImageProbe::renderPdf(data, pixels);
    if (canvas.isNull())
        canvas = transparentImage(pixels);
    return canvas;
}

// The mask counts by lightness; where it is itself transparent it counts as light.
QImage applyMaskImage(const QImage &source, const QImage &mask)
{
    if (mask.isNull() || source.isNull())
        return source;
    QImage flat(mask.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, mask);
    }
    const QImage grey = flat.convertToFormat(QImage::Format_Grayscale8)
                            .scaled(source.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage result = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        const uchar *keep = grey.constScanLine(y);
        for (int x = 0; x < result.width(); ++x) {
            const int alpha = (qAlpha(line[x]) * (255 - keep[x]) + 127) / 255;
            line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), alpha);
        }
    }
    return result;
}

thread_local int deferringDecodes = 0;
// Drawings up to this size are read whole at once: parsing them is quick.
constexpr qsizetype deferredDrawingBytes = 512 * 1024;

} // namespace

// The pixels of a bitmap read from its header alone. Decoded once, by whichever thread needs
// them first (the picture worker for the screen, the window's thread for a print); the others
// take them once `done` is set.
struct specImage::PendingPixels
{
    PendingPixels(QByteArray bytes, ImageProbe::Result probed)
        : given(std::move(bytes))
        , probed(std::move(probed))
    {
    }
    // The bytes come from a file being read aside.
    PendingPixels(std::shared_future<QByteArray> reading, ImageProbe::Result probed)
        : reading(std::move(reading))
        , probed(std::move(probed))
    {
    }

    // The picture's bytes, once read: empty when the file could not be read whole.
    QByteArray bytes() const { return reading.valid() ? reading.get() : given; }
    bool bytesRead() const
    {
        return !reading.valid() || reading.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }

    QImage pixels()
    {
        const std::lock_guard<std::mutex> guard(decoding);
        if (!done.load(std::memory_order_acquire)) {
            QByteArray copy = bytes();
            QBuffer buffer(&copy);
            if (!copy.isEmpty() && buffer.open(QIODevice::ReadOnly))
                bitmap = ImageProbe::decodeBitmap(&buffer, probed, QSize());
            done.store(true, std::memory_order_release);
        }
        return bitmap;
    }

    // The picture decoded straight at 1 / 2^halvings of the pixels it is decoded at whole, its
    // whole pixels never held: what the screen shows of a photo. Null when it does not decode.
    QImage reduced(int halvings) const
    {
        QSize box = probed.decodedSize.isValid() ? probed.decodedSize : probed.size.toSize();
        box = QSize((box.width() + (1 << halvings) - 1) >> halvings, (box.height() + (1 << halvings) - 1) >> halvings);
        QByteArray copy = bytes();
        QBuffer buffer(&copy);
        if (copy.isEmpty() || !buffer.open(QIODevice::ReadOnly))
            return {};
        return ImageProbe::decodeBitmap(&buffer, probed, box);
    }

    const QByteArray given;
    const std::shared_future<QByteArray> reading;
    const ImageProbe::Result probed;
    std::mutex decoding;
    std::atomic<bool> done{false};
    // Written once, before `done` is set.
    QImage bitmap;
};

// Smaller copies of a bitmap for the screen, one for each halving of its pixels asked for,
// made once for every copy of the picture (the objects of a duplicate, a paste or a shared
// decoding), whichever thread asks first: a design of thousands of pictures of one photo
// scales it once, and a photo read from its header alone is decoded straight at the size
// shown. What was made is kept while any copy of the picture lives.
struct specImage::Reductions
{
    QImage find(int halvings)
    {
        const std::lock_guard<std::mutex> guard(lock);
        const auto found = made.find(halvings);
        return found == made.end() ? QImage() : found->second;
    }

    QImage at(int halvings, const std::function<QImage()> &make)
    {
        // One thread makes it; the others wanting the same one take it after.
        const std::lock_guard<std::mutex> making(makingLock);
        QImage have = find(halvings);
        if (!have.isNull())
            return have;
        QImage reduced = make();
        if (!reduced.isNull()) {
            reduced = reduced.convertToFormat(reduced.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                       : QImage::Format_RGB32);
            const std::lock_guard<std::mutex> guard(lock);
            made[halvings] = reduced;
        }
        return reduced;
    }

    std::mutex makingLock;
    std::mutex lock;
    std::map<int, QImage> made;
};

struct specImage::Recipe
{
    Kind kind = Kind::None;
    QByteArray data;
    QImage bitmap;
    std::shared_ptr<PendingPixels> pending;
    QSize pixels;
    // A bitmap's halvings for the screen (0 for its whole pixels), and where they are kept.
    int halvings = 0;
    std::shared_ptr<Reductions> reductions;
    float tile = 1.0f;
    QImage mask;
    QColor tint;
    bool mono = false;

    QImage bitmapSource() const
    {
        if (halvings <= 0 || !reductions)
            return pending ? pending->pixels() : bitmap;
        return reductions->at(halvings, [this] {
            if (pending)
                return pending->reduced(halvings);
            const QSize size((bitmap.width() + (1 << halvings) - 1) >> halvings,
                             (bitmap.height() + (1 << halvings) - 1) >> halvings);
            return bitmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        });
    }

    QImage make() const
    {
        QImage prepared;
        const float t = tile;
        if (kind == Kind::Pdf || kind == Kind::Svg) {
            if (t == 1.0f) {
                prepared = rasteriseVector(kind, data, pixels);
            } else {
                prepared = transparentImage(pixels);
                if (!prepared.isNull() && t > 0.0f && std::isfinite(t)) {
                    const QSize tilePixels(std::max(1, int(std::ceil(pixels.width() / double(t)))),
                                           std::max(1, int(std::ceil(pixels.height() / double(t)))));
                    const QImage one = rasteriseVector(kind, data, tilePixels);
                    QPainter painter(&prepared);
                    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
                    drawTiles(painter, one, QSizeF(pixels), t, pixels);
                }
            }
        } else {
            const QImage source = bitmapSource();
            if (source.isNull())
                return source;
            if (t == 1.0f) {
                prepared = source;
            } else {
                prepared = transparentImage(source.size());
                if (!prepared.isNull() && t > 0.0f && std::isfinite(t)) {
                    QPainter painter(&prepared);
                    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
                    drawTiles(painter, source, QSizeF(source.size()), t, source.size());
                }
            }
        }
        prepared = applyMaskImage(prepared, mask);
        if (tint.isValid())
            prepared = image(prepared, tint);
        if (mono)
            prepared = monochromeImage(prepared);
        return prepared;
    }
};

// A raster for the screen, made on the picture worker.
struct specImage::ScreenRaster : PictureWorker::Job
{
    quint64 look = 0;
    QSize pixels;
    // Tells the newest drawing that waits for it.
    std::function<void()> notify;
};

specImage::DeferredDecoding::DeferredDecoding()
{
    ++deferringDecodes;
}

specImage::DeferredDecoding::~DeferredDecoding()
{
    --deferringDecodes;
}

specImage::specImage() = default;

specImage::specImage(const QImage &bitmap)
{
    if (bitmap.isNull())
        return;
    _kind = Kind::Bitmap;
    _reductions = std::make_shared<Reductions>();
    _bitmap = bitmap;
    _pixelSize = bitmap.size();
    _size = QSizeF(bitmap.size());
    resolutionSize = _size;
}

specImage::specImage(const QImage &bitmap, QSizeF points)
    : specImage(bitmap)
{
    if (_kind == Kind::Bitmap && points.width() > 0 && points.height() > 0 && std::isfinite(points.width())
        && std::isfinite(points.height())) {
        _size = points;
        resolutionSize = points;
    }
}

specImage::specImage(const specImage &other)
    : std::enable_shared_from_this<specImage>()
    , tintColor(other.tintColor)
    , tint(other.tint)
    , _isMono(other._isMono)
    , angle(other.angle)
    , maskName(other.maskName)
    , preparedImage(other.preparedImage)
    , preparedPixels(other.preparedPixels)
    , drawMask(other.drawMask)
    , _imageTile(other._imageTile)
    , shownMeanwhile(other.shownMeanwhile)
    , look(other.look)
    , _kind(other._kind)
    , _size(other._size)
    , resolutionSize(other.resolutionSize)
    , onePointPerPixel(other.onePointPerPixel)
    , _bitmap(other._bitmap)
    , _pixelSize(other._pixelSize)
    , _data(other._data)
    , _source(other._source)
    , _pending(other._pending)
    , _reductions(other._reductions)
    , _undecodable(other._undecodable)
    , _archived(other._archived)
{
}

specImage::~specImage()
{
    // A raster still being made for it is no longer wanted, and must not reach it.
    if (screenRaster)
        screenRaster->abandoned = true;
}

namespace {
thread_local const specImage::Preloaded *preloadedPicture = nullptr;
thread_local specImage::SharedDecoding *sharedDecoding = nullptr;
thread_local specImage::KnownFiles *knownFiles = nullptr;
}

specImage::KnownFiles::KnownFiles()
    : m_outer(knownFiles)
{
    knownFiles = this;
}

specImage::KnownFiles::~KnownFiles()
{
    knownFiles = m_outer;
}

void specImage::KnownFiles::offer(const QString &path, std::shared_ptr<const specImage> image)
{
    if (!path.isEmpty() && image && image->isValid())
        m_byPath.emplace(path, std::move(image));
}

void specImage::KnownFiles::offerStored(const QByteArray &archived, std::shared_ptr<const specImage> image)
{
    if (!archived.isEmpty() && image && image->isValid())
        m_stored.emplace_back(archived, std::move(image));
}

specImage::Preloaded::Preloaded(const QString &path, std::shared_ptr<specImage> image, ImageProbe::Refusal refusal)
    : m_path(path)
    , m_image(std::move(image))
    , m_refusal(m_image ? ImageProbe::Refusal::None : refusal)
    , m_outer(preloadedPicture)
{
    preloadedPicture = this;
}

specImage::Preloaded::~Preloaded()
{
    preloadedPicture = m_outer;
}

const specImage::Preloaded *specImage::Preloaded::forPath(const QString &path)
{
    for (const Preloaded *each = preloadedPicture; each; each = each->m_outer)
        if (each->m_path == path)
            return each;
    return nullptr;
}

std::shared_ptr<specImage> specImage::fromFile(const QString &path, QString *error)
{
    ImageProbe::Refusal refusal = ImageProbe::Refusal::None;
    std::shared_ptr<specImage> image;
    std::shared_ptr<const specImage> known;
    for (const KnownFiles *files = knownFiles; files && !known; files = files->m_outer)
        if (const auto found = files->m_byPath.find(path); found != files->m_byPath.end())
            known = found->second;
    if (known) {
        image = known->copyRepresentations();
    } else if (const Preloaded *preloaded = Preloaded::forPath(path)) {
        image = preloaded->image();
        refusal = preloaded->refusal();
    } else if (sharedDecoding) {
        const auto read = sharedDecoding->m_byPath.find(path);
        if (read != sharedDecoding->m_byPath.end()) {
            if (read->second.image)
                image = read->second.image->copyRepresentations();
            refusal = read->second.refusal;
        } else {
            image = decodeFile(path, &refusal);
            sharedDecoding->m_byPath.emplace(path, SharedDecoding::Read{image ? image->copyRepresentations() : nullptr, refusal});
        }
    } else {
        image = decodeFile(path, &refusal);
    }
    if (!image)
        setError(error, refusal);
    return image;
}

namespace {

// Files of large bitmaps read aside while a design opens: one at a time each, as a disk reads.
QThreadPool &fileReaders()
{
    static QThreadPool *const pool = [] {
        auto *made = new QThreadPool(QCoreApplication::instance());
        made->setMaxThreadCount(2);
        made->setExpiryTimeout(-1);
        return made;
    }();
    return *pool;
}

// Bitmap files up to this size are read whole at once: reading them is quick.
constexpr qint64 readAtOnceBytes = 16LL * 1024 * 1024;

} // namespace

std::shared_ptr<specImage> specImage::decodeFileFromHeader(const QString &path, ImageProbe::Refusal *refusal)
{
    GuardedReader::Refusal why = GuardedReader::Refusal::None;
    GuardedReader::Stamp stamp;
    std::unique_ptr<QFile> file = GuardedReader::open(path, ImageProbe::maxFileBytes, &why, nullptr, &stamp);
    if (!file) {
        if (refusal)
            *refusal = why == GuardedReader::Refusal::TooLarge ? ImageProbe::Refusal::TooLarge : ImageProbe::Refusal::Unreadable;
        return nullptr;
    }
    if (file->size() <= readAtOnceBytes)
        return nullptr;
    const ImageProbe::Result probed = ImageProbe::probe(file.get());
    const QSize decoded = probed.decodedSize;
    if (probed.format != ImageProbe::Format::Raster || !decoded.isValid() || !probed.size.isValid()
        || qint64(decoded.width()) * decoded.height() <= ImageProbe::decodeAtOncePixels)
        return nullptr;
    QImageIOHandler::Transformations turned = QImageIOHandler::TransformationNone;
    if (file->seek(0)) {
        QImageReader reader(file.get(), probed.rasterFormat);
        reader.setAutoTransform(true);
        turned = reader.transformation();
    }
    std::optional<QSizeF> dpi = ImageResolution::declaredDpi(file.get());
    if (!file->seek(0))
        return nullptr;
    // The rest is read aside, from the file opened here, whatever its name names meanwhile.
    auto promise = std::make_shared<std::promise<QByteArray>>();
    std::shared_future<QByteArray> reading = promise->get_future().share();
    const qint64 expected = stamp.size;
    const int descriptor = ::dup(file->handle());
    if (descriptor < 0)
        return nullptr;
    fileReaders().start([promise, descriptor, expected] {
        QByteArray bytes;
        QFile read;
        if (read.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            read.seek(0);
            bytes = read.read(expected + 1);
            // Cut short or grown since it was opened: not the picture measured.
            if (bytes.size() != expected || read.error() != QFileDevice::NoError)
                bytes.clear();
        } else {
            ::close(descriptor);
        }
        promise->set_value(std::move(bytes));
    });
    auto image = std::make_shared<specImage>();
    image->_kind = Kind::Bitmap;
    image->_reductions = std::make_shared<Reductions>();
    image->_pending = std::make_shared<PendingPixels>(std::move(reading), probed);
    QSize pixels = probed.size.toSize();
    if (turned & QImageIOHandler::TransformationRotate90) {
        pixels.transpose();
        if (dpi)
            dpi->transpose();
    }
    image->_pixelSize = pixels;
    image->_size = dpi ? QSizeF(pixels.width() * 72.0 / dpi->width(), pixels.height() * 72.0 / dpi->height()) : QSizeF(pixels);
    image->resolutionSize = image->_size;
    auto source = std::make_shared<SourceFile>();
    source->path = QFileInfo(path).absoluteFilePath();
    source->stamp = stamp;
    image->_source = std::move(source);
    return image;
}

std::shared_ptr<specImage> specImage::decodeFile(const QString &path, ImageProbe::Refusal *refusal)
{
    if (deferringDecodes > 0) {
        ImageProbe::Refusal why = ImageProbe::Refusal::None;
        if (std::shared_ptr<specImage> image = decodeFileFromHeader(path, &why))
            return image;
        if (why != ImageProbe::Refusal::None) {
            if (refusal)
                *refusal = why;
            return nullptr;
        }
    }
    ImageProbe::Refusal why = ImageProbe::Refusal::None;
    GuardedReader::Stamp stamp;
    const std::optional<QByteArray> data = ImageProbe::readFile(path, &why, &stamp);
    if (!data) {
        if (refusal)
            *refusal = why;
        return nullptr;
    }
    std::shared_ptr<specImage> image = decodeData(*data, refusal);
    if (image) {
        auto source = std::make_shared<SourceFile>();
        source->path = QFileInfo(path).absoluteFilePath();
        source->stamp = stamp;
        if (image->_data.constData() != data->constData() && image->_data != *data)
            source->digest = digestOf(*data);
        image->_source = std::move(source);
    }
    return image;
}

QByteArray specImage::heldBytes() const
{
    if (_data.isEmpty() && _pending)
        return _pending->bytes();
    return _data;
}

QByteArray specImage::digestOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

std::shared_ptr<specImage> specImage::fromData(const QByteArray &bytes, QString *error)
{
    ImageProbe::Refusal refusal = ImageProbe::Refusal::None;
    std::shared_ptr<specImage> image = decodeData(bytes, &refusal);
    if (!image)
        setError(error, refusal);
    return image;
}

std::shared_ptr<specImage> specImage::decodeData(const QByteArray &bytes, ImageProbe::Refusal *refusal)
{
    auto fail = [refusal](ImageProbe::Refusal why) {
        if (refusal)
            *refusal = why;
        return std::shared_ptr<specImage>();
    };
    if (refusal)
        *refusal = ImageProbe::Refusal::None;
    if (bytes.isEmpty())
        return fail(ImageProbe::Refusal::NotAnImage);
    if (deferringDecodes > 0 && bytes.size() > deferredDrawingBytes) {
        // A large drawing is measured by its root element; it is read whole (and sanitized)
        // when it is rasterised, on the picture worker for the screen.
        const ImageProbe::Result root = ImageProbe::probeSvgRoot(bytes);
        if (root.accepted()) {
            auto image = std::make_shared<specImage>();
            image->_kind = Kind::Svg;
            image->_size = root.size;
            image->resolutionSize = root.size;
            image->_data = bytes;
            return image;
        }
    }
    const ImageProbe::Result probed = ImageProbe::probeData(bytes);
    if (!probed.accepted())
        return fail(probed.refusal);
    auto image = std::make_shared<specImage>();
    switch (probed.format) {
    case ImageProbe::Format::Pdf:
        image->_kind = Kind::Pdf;
        image->_size = probed.size;
        image->_data = probed.data;
        break;
    case ImageProbe::Format::Svg:
        // The drawing is kept sanitized and unpacked: that is what is drawn and stored.
        image->_kind = Kind::Svg;
        image->_size = probed.size;
        image->_data = probed.data;
        break;
    case ImageProbe::Format::Raster:
    case ImageProbe::Format::Jpeg2000: {
        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QImageIOHandler::Transformations turned = QImageIOHandler::TransformationNone;
        QSize pixels;
        const QSize decoded = probed.decodedSize;
        if (deferringDecodes > 0 && decoded.isValid() && probed.size.isValid()
            && qint64(decoded.width()) * decoded.height() > ImageProbe::decodeAtOncePixels) {
            // Its measures from the header alone; the pixels come when first drawn.
            if (probed.format == ImageProbe::Format::Raster) {
                QImageReader reader(&buffer, probed.rasterFormat);
                reader.setAutoTransform(true);
                turned = reader.transformation();
            }
            image->_pending = std::make_shared<PendingPixels>(bytes, probed);
            pixels = probed.size.toSize();
            if (turned & QImageIOHandler::TransformationRotate90)
                pixels.transpose();
        } else {
            const QImage bitmap = ImageProbe::decodeBitmap(&buffer, probed, QSize(), &turned);
            if (bitmap.isNull())
                return fail(ImageProbe::Refusal::NotAnImage);
            image->_bitmap = bitmap;
            // A picture decoded smaller than it is stored keeps the size of the whole: its
            // measures do not depend on how finely it is held.
            pixels = bitmap.size();
            if (probed.size.isValid() && probed.decodedSize.isValid() && probed.decodedSize != probed.size.toSize()) {
                pixels = probed.size.toSize();
                if (turned & QImageIOHandler::TransformationRotate90)
                    pixels.transpose();
            }
        }
        image->_kind = Kind::Bitmap;
        image->_reductions = std::make_shared<Reductions>();
        image->_pixelSize = pixels;
        image->_size = QSizeF(pixels);
        if (std::optional<QSizeF> dpi = ImageResolution::declaredDpi(bytes)) {
            // The file's orientation turned the picture a quarter: its resolutions too.
            if (turned & QImageIOHandler::TransformationRotate90)
                dpi->transpose();
            image->_size = QSizeF(pixels.width() * 72.0 / dpi->width(), pixels.height() * 72.0 / dpi->height());
        }
        image->resolutionSize = image->_size;
        image->_data = bytes;
        break;
    }
    case ImageProbe::Format::None:
        return fail(ImageProbe::Refusal::NotAnImage);
    }
    if (image->resolutionSize.isEmpty())
        image->resolutionSize = image->_size;
    return image;
}

std::shared_ptr<specImage> specImage::copyRepresentations() const
{
    auto image = std::make_shared<specImage>();
    image->_kind = _kind;
    image->_size = _size;
    image->resolutionSize = resolutionSize;
    image->onePointPerPixel = onePointPerPixel;
    image->_bitmap = _bitmap;
    image->_pixelSize = _pixelSize;
    image->_data = _data;
    image->_source = _source;
    image->_pending = _pending;
    image->_reductions = _reductions;
    image->_undecodable = _undecodable;
    image->_archived = _archived;
    return image;
}

specImage::SharedDecoding::SharedDecoding()
    : m_outer(sharedDecoding)
{
    sharedDecoding = this;
}

specImage::SharedDecoding::~SharedDecoding()
{
    sharedDecoding = m_outer;
}

std::shared_ptr<const specImage> specImage::SharedDecoding::find(const QByteArray &stored) const
{
    // The same buffer (a file stores a picture placed many times once, and reading shares
    // it); else equal bytes.
    const auto placed = m_byPlace.find(stored.constData());
    if (placed != m_byPlace.end() && m_decoded[placed->second].stored.size() == stored.size())
        return m_decoded[placed->second].image;
    const auto [first, last] = m_bySize.equal_range(stored.size());
    for (auto it = first; it != last; ++it)
        if (m_decoded[it->second].stored == stored)
            return m_decoded[it->second].image;
    return nullptr;
}

// ---- attributes ----

void specImage::setImageMaskName(const QString &name)
{
    maskName = name;
    clearPrepared();
}

void specImage::setTint(bool flag)
{
    if (tint == flag)
        return;
    tint = flag;
    clearPrepared();
}

void specImage::setColor(const QColor &color)
{
    tintColor = color;
    clearPrepared();
}

void specImage::setTile(float count)
{
    if (_imageTile == count)
        return;
    _imageTile = count;
    clearPrepared();
}

void specImage::setMono(bool flag)
{
    // The monochrome rendering is part of the prepared image here, so a change rebuilds it.
    if (_isMono == flag)
        return;
    _isMono = flag;
    clearPrepared();
}

void specImage::setRotation(int degrees)
{
    const int old = angle;
    if (mController) {
        UndoManager *manager = mController->undoManager();
        std::shared_ptr<specImage> self = weak_from_this().lock();
        if (manager && self)
            manager->registerUndo([self, old]() { self->setRotation(old); });
    }
    angle = degrees;
    if (mController)
        mController->invalidateGraphic(nullptr);
}

void specImage::setImageMaskFlag(bool flag)
{
    const bool old = drawMask;
    if (mController) {
        UndoManager *manager = mController->undoManager();
        std::shared_ptr<specImage> self = weak_from_this().lock();
        if (manager && self)
            manager->registerUndo([self, old]() { self->setImageMaskFlag(old); });
    }
    drawMask = flag;
    clearPrepared();
    if (mController) {
        mController->invalidateGraphic(nullptr);
        mController->setDrawersItemsState();
    }
}

// ---- preparation ----

QSizeF specImage::drawingSize() const
{
    double w = _size.width();
    double h = _size.height();
    if (isVector() && w > 0 && h > 0 && w < vectorRasterSide && h < vectorRasterSide) {
        const float factor = std::min(float(vectorRasterSide / w), float(vectorRasterSide / h));
        w *= factor;
        h *= factor;
    }
    return QSizeF(w, h);
}

QSize specImage::vectorPixels(QSizeF devicePixels) const
{
    const QSize full = boundedPixels(drawingSize());
    if (!(devicePixels.width() > 0) || !(devicePixels.height() > 0) || !std::isfinite(devicePixels.width())
        || !std::isfinite(devicePixels.height()))
        return full;
    // Halvings of the full raster that still cover the shown pixels on both sides: a zoom
    // step within one halving keeps the raster made for it.
    QSize pixels = full;
    for (int shift = 1; shift < 16; ++shift) {
        const QSize half((full.width() + (1 << shift) - 1) >> shift, (full.height() + (1 << shift) - 1) >> shift);
        if (half.width() < devicePixels.width() || half.height() < devicePixels.height())
            break;
        pixels = half;
    }
    return pixels;
}

specImage::Recipe specImage::recipe(QSize pixels, bool withAttributes, int halvings) const
{
    Recipe made;
    made.kind = _kind;
    made.data = _data;
    made.bitmap = _bitmap;
    made.pending = _pending;
    made.pixels = pixels;
    made.halvings = _kind == Kind::Bitmap ? halvings : 0;
    made.reductions = _reductions;
    if (!withAttributes)
        return made;
    made.tile = _imageTile;
    if (drawMask && !maskName.isEmpty())
        made.mask = Bundle::imageNamed(maskName);
    if (tint && tintColor.isValid())
        made.tint = tintColor;
    made.mono = _isMono;
    return made;
}

QSize specImage::wholeBitmapPixels() const
{
    if (!_bitmap.isNull() || !_pending)
        return _bitmap.size();
    const QSize stored = _pending->probed.size.toSize();
    const QSize decoded = _pending->probed.decodedSize.isValid() ? _pending->probed.decodedSize : stored;
    // The file's orientation turned the picture a quarter.
    return _pixelSize != stored && _pixelSize == stored.transposed() ? decoded.transposed() : decoded;
}

int specImage::screenHalvings(QSizeF devicePixels) const
{
    if (_kind != Kind::Bitmap || !_reductions || !(devicePixels.width() > 0) || !(devicePixels.height() > 0)
        || !std::isfinite(devicePixels.width()) || !std::isfinite(devicePixels.height()))
        return 0;
    // Halvings of the whole pixels that still cover the shown pixels on both sides, as for a
    // drawing: a zoom step within one halving keeps the copy made for it.
    const QSize whole = wholeBitmapPixels();
    int halvings = 0;
    for (int shift = 1; shift < 16; ++shift) {
        const QSize half((whole.width() + (1 << shift) - 1) >> shift, (whole.height() + (1 << shift) - 1) >> shift);
        if (half.width() < devicePixels.width() || half.height() < devicePixels.height())
            break;
        halvings = shift;
    }
    return halvings;
}

QSize specImage::screenPixels(QSizeF devicePixels, int *halvings) const
{
    *halvings = screenHalvings(devicePixels);
    if (isVector())
        return vectorPixels(devicePixels);
    if (*halvings == 0)
        return QSize();
    const QSize whole = wholeBitmapPixels();
    return QSize((whole.width() + (1 << *halvings) - 1) >> *halvings, (whole.height() + (1 << *halvings) - 1) >> *halvings);
}

void specImage::takeDecodedPixels()
{
    if (!_pending || !_pending->done.load(std::memory_order_acquire))
        return;
    if (_data.isEmpty())
        _data = _pending->bytes();
    _bitmap = _pending->bitmap;
    _undecodable = _bitmap.isNull();
    _pending.reset();
}

bool specImage::sharesDecodingWith(const specImage &other) const
{
    if (_pending || other._pending)
        return _pending == other._pending;
    return !_bitmap.isNull() && _bitmap.cacheKey() == other._bitmap.cacheKey();
}

bool specImage::pixelsPending() const
{
    return _pending && !_pending->done.load(std::memory_order_acquire);
}

bool specImage::holdsPreparedFor(QSize pixels) const
{
    return preparedImage && preparedPixels == pixels;
}

void specImage::keepPrepared(const QImage &prepared, QSize pixels)
{
    preparedImage = prepared;
    preparedPixels = pixels;
    shownMeanwhile.reset();
}

void specImage::clearPrepared()
{
    // Shown until the new one is made.
    if (preparedImage && !preparedImage->isNull())
        shownMeanwhile = *preparedImage;
    preparedImage.reset();
    ++look;
    if (screenRaster) {
        screenRaster->abandoned = true;
        screenRaster.reset();
    }
}

bool specImage::isPlain() const
{
    return _imageTile == 1.0f && (!drawMask || maskName.isEmpty()) && !(tint && tintColor.isValid()) && !_isMono;
}

bool specImage::preparesSlowly() const
{
    return preparesSlowly(0);
}

bool specImage::preparesSlowly(int halvings) const
{
    if (isVector())
        return true;
    if (halvings > 0 && _reductions) {
        // A smaller copy is decoded or scaled aside; once made, only a look that changes every
        // pixel of a large one takes long.
        const QImage reduced = _reductions->find(halvings);
        return reduced.isNull() || (!isPlain() && qint64(reduced.width()) * reduced.height() > ImageProbe::decodeAtOncePixels);
    }
    if (pixelsPending())
        return true;
    return !isPlain() && qint64(_bitmap.width()) * _bitmap.height() > ImageProbe::decodeAtOncePixels;
}

QImage specImage::prepareAt(QSize pixels, int halvings)
{
    if (holdsPreparedFor(pixels))
        return *preparedImage;
    const QImage prepared = recipe(pixels, true, halvings).make();
    takeDecodedPixels();
    keepPrepared(prepared, pixels);
    return prepared;
}

QImage specImage::prepareImage()
{
    return prepareImage(QSizeF());
}

QImage specImage::prepareImage(QSizeF devicePixels)
{
    if (!isValid())
        return QImage();
    takeDecodedPixels();
    // A bitmap goes out whole: a printer, a PDF, an export and the image effects get every
    // pixel of it.
    return prepareAt(pixelsFor(devicePixels), 0);
}

specImage::Shown specImage::prepareImageForScreen(QSizeF devicePixels, const std::function<void()> &arrived)
{
    if (!isValid())
        return {};
    takeDecodedPixels();
    int halvings = 0;
    const QSize pixels = screenPixels(devicePixels, &halvings);
    if (holdsPreparedFor(pixels))
        return {*preparedImage, false};
    if (!preparesSlowly(halvings) || PictureWorker::onWindowThread())
        return {prepareAt(pixels, halvings), false};
    if (!screenRaster || screenRaster->pixels != pixels || screenRaster->look != look) {
        // A raster of another size asked for before is no longer wanted.
        if (screenRaster)
            screenRaster->abandoned = true;
        auto job = std::make_shared<ScreenRaster>();
        job->look = look;
        job->pixels = pixels;
        job->make = [made = recipe(pixels, true, halvings)] { return made.make(); };
        ScreenRaster *raw = job.get();
        job->arrived = [this, raw](const QImage &image) { screenRasterArrived(raw, image); };
        screenRaster = job;
        PictureWorker::submit(job);
    }
    screenRaster->notify = arrived;
    return {heldRaster(), true};
}

void specImage::screenRasterArrived(ScreenRaster *job, const QImage &made)
{
    if (job != screenRaster.get())
        return;
    const std::shared_ptr<ScreenRaster> done = std::move(screenRaster);
    takeDecodedPixels();
    if (done->look != look)
        return;
    // A smaller copy of a photo read from its header alone that did not decode: its bytes are
    // damaged, and it draws nothing.
    if (made.isNull() && _kind == Kind::Bitmap && done->pixels.isValid())
        _undecodable = true;
    keepPrepared(made, done->pixels);
    if (done->notify)
        done->notify();
}

QImage specImage::heldRaster() const
{
    if (preparedImage && !preparedImage->isNull())
        return *preparedImage;
    return shownMeanwhile.value_or(QImage());
}

QImage specImage::prepareImageForPreview(QSizeF devicePixels)
{
    if (!isValid())
        return QImage();
    takeDecodedPixels();
    // A small picture of the whole label: from the smaller copies the screen shows.
    int halvings = 0;
    const QSize pixels = screenPixels(devicePixels, &halvings);
    if (holdsPreparedFor(pixels) || !preparesSlowly(halvings))
        return prepareAt(pixels, halvings);
    return heldRaster();
}

qint64 specImage::shownRasterKey() const
{
    return heldRaster().cacheKey();
}

void specImage::takeRastersOf(const specImage &other)
{
    if (&other == this || other._kind != _kind || other._size != _size || !isValid())
        return;
    if (!samePictureAs(other))
        return;
    if (_pending && !other._pending && !other._undecodable) {
        if (_data.isEmpty())
            _data = other._data;
        _bitmap = other._bitmap;
        _pending.reset();
    }
    // The smaller copies made for the source serve the copy too.
    if (other._reductions)
        _reductions = other._reductions;
    const QImage held = other.heldRaster();
    if (held.isNull())
        return;
    const bool sameLook = other._imageTile == _imageTile && other.drawMask == drawMask && other.maskName == maskName
                          && other.tint == tint && other.tintColor == tintColor && other._isMono == _isMono;
    if (sameLook && other.preparedImage && !preparedImage)
        keepPrepared(*other.preparedImage, other.preparedPixels);
    else if (!preparedImage)
        shownMeanwhile = held;
}

namespace {

// Whether two pictures' bytes are the same. The copies of a paste share their bytes, and so do
// the objects they were copied from: the two are compared once, not once for every copy.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.constData() == b.constData())
        return a.size() == b.size();
    thread_local struct
    {
        const char *a = nullptr;
        const char *b = nullptr;
        qsizetype size = -1;
        bool same = false;
    } last;
    if (last.a == a.constData() && last.b == b.constData() && last.size == a.size())
        return last.same;
    const bool same = a == b;
    last = {a.constData(), b.constData(), a.size(), same};
    return same;
}

} // namespace

bool specImage::samePictureAs(const specImage &other) const
{
    if ((_pending && _pending == other._pending) || (_archived && _archived == other._archived))
        return true;
    const QByteArray mine = heldBytes();
    const QByteArray theirs = other.heldBytes();
    if (mine.isEmpty() || theirs.isEmpty())
        return mine.isEmpty() && theirs.isEmpty() && _bitmap.cacheKey() == other._bitmap.cacheKey();
    return sameBytes(mine, theirs);
}

std::function<QImage()> specImage::plainRaster(QSizeF devicePixels) const
{
    if (!isValid())
        return [] { return QImage(); };
    return [made = recipe(pixelsFor(devicePixels), false)] { return made.make(); };
}

void specImage::drawPrepared(QPainter *painter, const QRectF &rect, const BezierPath *clip, const QImage &prepared) const
{
    if (prepared.isNull())
        return;
    const float sx = float(rect.width() / _size.width());
    const float sy = float(rect.height() / _size.height());
    const QRectF destination(0, 0, double(sx) * _size.width(), double(sy) * _size.height());
    painter->save();
    if (clip)
        painter->setClipPath(clip->toPainterPath(), Qt::IntersectClip);
    if (angle != 0) {
        // Clockwise on the page about the rectangle's centre.
        const QPointF c = destination.center();
        painter->translate(c);
        painter->rotate(angle);
        painter->translate(-c);
    }
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->setOpacity(1.0);
    painter->drawImage(destination, prepared);
    painter->restore();
}

QSizeF specImage::devicePixels(const QPainter *painter, const QRectF &rect)
{
    if (!painter)
        return QSizeF();
    const QTransform t = painter->deviceTransform();
    if (t.type() == QTransform::TxProject)
        return QSizeF();
    QSizeF pixels(rect.width() * std::hypot(t.m11(), t.m12()), rect.height() * std::hypot(t.m21(), t.m22()));
    const QPaintEngine *engine = painter->paintEngine();
    const QPaintDevice *device = painter->device();
    if (engine && device && engine->type() == QPaintEngine::Pdf && device->logicalDpiX() > 0)
        pixels *= std::max(1.0, printedPixelsPerInch / device->logicalDpiX());
    return pixels;
}

void specImage::drawProp(QPainter *painter, const QRectF &rect, const BezierPath *clip)
{
    if (!painter || !isValid() || !(_size.width() > 0) || !(_size.height() > 0))
        return;
    drawPrepared(painter, rect, clip, prepareImage(devicePixels(painter, rect)));
}

void specImage::drawPropOnScreen(QPainter *painter, const QRectF &rect, const BezierPath *clip,
                                 const std::function<void()> &arrived)
{
    if (!painter || !isValid() || !(_size.width() > 0) || !(_size.height() > 0))
        return;
    drawPrepared(painter, rect, clip, prepareImageForScreen(devicePixels(painter, rect), arrived).image);
}

void specImage::draw(QPainter *painter, const QRectF &rect, const BezierPath *clip)
{
    if (!painter || !isValid() || !(_size.width() > 0) || !(_size.height() > 0))
        return;
    const QImage prepared = prepareImage();
    if (prepared.isNull())
        return;
    painter->save();
    if (clip)
        painter->setClipPath(clip->toPainterPath(), Qt::IntersectClip);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter->drawImage(rect, prepared);
    painter->restore();
}

QImage specImage::image(const QImage &source, const QColor &tintedWithColor)
{
    if (!tintedWithColor.isValid())
        return source.copy();
    return tintedImageWithColor(source, tintedWithColor);
}

QImage specImage::tintedImageWithColor(const QImage &source, const QColor &color,
                                       QPainter::CompositionMode operation)
{
    QImage result = transparentImage(source.size());
    if (result.isNull())
        return result;
    QPainter painter(&result);
    painter.drawImage(0, 0, source);
    painter.setCompositionMode(operation);
    painter.fillRect(result.rect(), color);
    return result;
}

QImage specImage::monochromeImage(const QImage &source)
{
    QImage result = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const QRgb p = line[x];
            const int grey = int(std::lround(0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p)));
            line[x] = qRgba(grey, grey, grey, qAlpha(p));
        }
    }
    return result;
}

// ---- stored form ----

QByteArray specImage::archivedData() const
{
    if (!isValid())
        return QByteArray();
    // Made once per picture: thousands of objects showing one picture store it alike.
    std::unique_lock<std::mutex> kept;
    if (_archived) {
        kept = std::unique_lock<std::mutex>(_archived->lock);
        if (!_archived->bytes.isEmpty())
            return _archived->bytes;
    }
    QByteArray bytes = heldBytes();
    if (bytes.isEmpty() && !_bitmap.isNull()) {
        // The PNG declares the resolution that gives the picture its size in points, so that
        // it reads back at the same size.
        QImage stamped = _bitmap;
        if (resolutionSize.width() > 0 && resolutionSize.height() > 0) {
            stamped.setDotsPerMeterX(ImageResolution::dotsPerMeter(72.0 * _bitmap.width() / resolutionSize.width()));
            stamped.setDotsPerMeterY(ImageResolution::dotsPerMeter(72.0 * _bitmap.height() / resolutionSize.height()));
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(stamped))
            return QByteArray();
    }
    static const char *const kinds[] = {"none", "bitmap", "pdf", "svg"};
    const QByteArray archived = Archiver::archive(archiveClass,
                                                  {{QStringLiteral("Kind"), QString::fromLatin1(kinds[int(_kind)])},
                                                   {QStringLiteral("Data"), bytes}});
    if (_archived)
        _archived->bytes = archived;
    return archived;
}

std::shared_ptr<specImage> specImage::fromArchivedData(const QByteArray &data, QString *error)
{
    if (sharedDecoding) {
        if (const std::shared_ptr<const specImage> decoded = sharedDecoding->find(data))
            return decoded->copyRepresentations();
    }
    // A picture the copied objects hold already: the very bytes they were copied as.
    for (const KnownFiles *files = knownFiles; files; files = files->m_outer)
        for (const auto &[archived, known] : files->m_stored)
            if (archived.constData() == data.constData() && archived.size() == data.size()) {
                std::shared_ptr<specImage> image = known->copyRepresentations();
                if (sharedDecoding) {
                    SharedDecoding &shared = *sharedDecoding;
                    const size_t index = shared.m_decoded.size();
                    shared.m_decoded.push_back({data, image->copyRepresentations()});
                    if (data.capacity() > 0)
                        shared.m_byPlace.emplace(data.constData(), index);
                    shared.m_bySize.emplace(data.size(), index);
                }
                return image;
            }
    const std::optional<QVariantMap> payload = Archiver::unarchive(data, archiveClass);
    const QVariant bytes = payload ? payload->value(QStringLiteral("Data")) : QVariant();
    if (bytes.typeId() != QMetaType::QByteArray) {
        setError(error, ImageProbe::Refusal::NotAnImage);
        return nullptr;
    }
    std::shared_ptr<specImage> image = fromData(bytes.toByteArray(), error);
    if (image && sharedDecoding) {
        SharedDecoding &shared = *sharedDecoding;
        const size_t index = shared.m_decoded.size();
        shared.m_decoded.push_back({data, image->copyRepresentations()});
        // Only a buffer the array owns (not raw bytes lent to it) stays where it is while it
        // is held here.
        if (data.capacity() > 0)
            shared.m_byPlace.emplace(data.constData(), index);
        shared.m_bySize.emplace(data.size(), index);
    }
    return image;
}

QVariantMap specImage::propertyListRepresentation(bool includeImage) const
{
    QVariantMap dict;
    dict.insert(QStringLiteral("drawMask"), PropertyList::yesNo(drawMask));
    dict.insert(QStringLiteral("IsMono"), PropertyList::yesNo(_isMono));
    if (!maskName.isEmpty())
        dict.insert(QStringLiteral("MaskImageName"), maskName);
    if (includeImage) {
        const QByteArray data = archivedData();
        if (!data.isEmpty())
            dict.insert(QStringLiteral("Image"), data);
    }
    dict.insert(QStringLiteral("ImageAngle"), fmtInt(angle));
    dict.insert(QStringLiteral("SizeByResolution"), PropertyList::yesNo(!onePointPerPixel));
    return dict;
}

std::shared_ptr<specImage> specImage::objectWithPropertyListRepresentation(const QVariantMap &dict)
{
    const QVariant data = dict.value(QStringLiteral("Image"));
    if (data.typeId() != QMetaType::QByteArray)
        return nullptr;
    std::shared_ptr<specImage> image = fromArchivedData(data.toByteArray());
    if (image)
        image->loadPropertyListRepresentation(dict);
    return image;
}

void specImage::loadPropertyListRepresentation(const QVariantMap &dict)
{
    auto it = dict.constFind(QStringLiteral("drawMask"));
    if (it != dict.constEnd())
        drawMask = readsAsYes(*it);
    it = dict.constFind(QStringLiteral("IsMono"));
    if (it != dict.constEnd())
        _isMono = readsAsYes(*it);
    it = dict.constFind(QStringLiteral("MaskImageName"));
    if (it != dict.constEnd() && it->typeId() == QMetaType::QString)
        setImageMaskName(it->toString());
    it = dict.constFind(QStringLiteral("ImageAngle"));
    if (it != dict.constEnd()) {
        if (it->typeId() == QMetaType::QString) {
            angle = leadingInt(it->toString());
        } else if (it->typeId() == QMetaType::Int || it->typeId() == QMetaType::LongLong
                   || it->typeId() == QMetaType::Double) {
            const double degrees = it->toDouble();
            if (std::isfinite(degrees) && std::abs(degrees) < 1e9)
                angle = int(degrees);
        }
    }
    // Documents from before sizes followed the resolution keep their bitmaps at one point
    // per pixel, so that nothing in them changes size.
    if (_kind == Kind::Bitmap) {
        onePointPerPixel = !readsAsYes(dict.value(QStringLiteral("SizeByResolution")));
        _size = onePointPerPixel ? QSizeF(_pixelSize) : resolutionSize;
    }
    clearPrepared();
}

} // namespace quillmark
