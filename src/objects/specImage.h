#pragma once
// The image a graphic object holds, and the image a page background shows: a picture read
// from a bitmap file, a PDF page or an SVG drawing, with the attributes it is drawn with (a
// mask chosen by name, a tint, a repeat count, a rotation and a monochrome flag).
//
// Masking, tiling and tinting are expensive, so the drawable result, the prepared image, is
// built once and kept until an attribute that changes it is set.
//
// Images that register undo are held by std::shared_ptr, so that an inverse keeps its
// image alive; one that is not registers no undo.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>
#include <optional>

#include "objects/ImageProbe.h"
#include "platform/GuardedReader.h"

namespace quillmark {

class BezierPath;
class CanvasServices;

class specImage : public std::enable_shared_from_this<specImage>
{
public:
    // What the image was made from. Vector pictures are kept as their file's bytes and
    // rasterised when the image is prepared.
    enum class Kind { None, Bitmap, Pdf, Svg };

    // Bitmaps and rasterised vector pictures larger than this many pixels are refused or
    // drawn smaller, so that a damaged or hostile file cannot exhaust memory.
    static constexpr qint64 maxPixels = ImageProbe::maxPixels;

    // An image with nothing in it (not valid).
    specImage();
    // A bitmap made in memory: one point per pixel.
    explicit specImage(const QImage &bitmap);
    // A bitmap made in memory that stands for a picture of `points` (the picture it was made
    // from, drawn at another density): placed, it takes that picture's place.
    specImage(const QImage &bitmap, QSizeF points);
    // The same picture and attributes; the controller is not copied.
    specImage(const specImage &other);
    specImage &operator=(const specImage &) = delete;
    ~specImage();

    // Reads a bitmap (any format Qt reads, and JPEG 2000), PDF (its first page) or SVG file
    // (sanitized: it reaches nothing outside itself) under the limits of ImageProbe. Null
    // with a message for the user when the file is missing, no regular file, damaged or
    // too large.
    static std::shared_ptr<specImage> fromFile(const QString &path, QString *error = nullptr);
    static std::shared_ptr<specImage> fromData(const QByteArray &data, QString *error = nullptr);
    // The same without a word for the user, so that it may run on a worker thread: null with
    // the reason when refused. It does not consult a Preloaded picture.
    static std::shared_ptr<specImage> decodeFile(const QString &path, ImageProbe::Refusal *refusal);

    // A picture decoded ahead, on a worker, for the file about to be placed. While one lives
    // on a thread, fromFile() of its path on that thread answers it (or its refusal) instead
    // of reading the file again, so that the placement code runs as it does for any file.
    class Preloaded
    {
    public:
        Preloaded(const QString &path, std::shared_ptr<specImage> image, ImageProbe::Refusal refusal);
        ~Preloaded();
        Preloaded(const Preloaded &) = delete;
        Preloaded &operator=(const Preloaded &) = delete;
        // The one for `path` on this thread, or null.
        static const Preloaded *forPath(const QString &path);
        const std::shared_ptr<specImage> &image() const { return m_image; }
        ImageProbe::Refusal refusal() const { return m_refusal; }

    private:
        QString m_path;
        std::shared_ptr<specImage> m_image;
        ImageProbe::Refusal m_refusal;
        const Preloaded *m_outer;
    };

    // While one lives on a thread, fromFile() there answers a picture offered for its path
    // (the picture the objects copied to the clipboard show, their stored forms naming its
    // file) without reading the file: Paste takes the pictures it copied.
    class KnownFiles
    {
    public:
        KnownFiles();
        ~KnownFiles();
        KnownFiles(const KnownFiles &) = delete;
        KnownFiles &operator=(const KnownFiles &) = delete;
        void offer(const QString &path, std::shared_ptr<const specImage> image);
        // The same for a picture stored in the design itself, by its archived bytes.
        void offerStored(const QByteArray &archived, std::shared_ptr<const specImage> image);

    private:
        friend class specImage;
        std::unordered_map<QString, std::shared_ptr<const specImage>> m_byPath;
        std::vector<std::pair<QByteArray, std::shared_ptr<const specImage>>> m_stored;
        KnownFiles *m_outer;
    };

    // While one lives on a thread, pictures read there from the same stored bytes are decoded
    // once: a design that shows one picture in thousands of places (a logo on every label)
    // opens, pastes and saves it once, and its objects share its pixels. Nothing is kept once
    // it ends.
    class SharedDecoding
    {
    public:
        SharedDecoding();
        ~SharedDecoding();
        SharedDecoding(const SharedDecoding &) = delete;
        SharedDecoding &operator=(const SharedDecoding &) = delete;

    private:
        friend class specImage;
        struct Decoded
        {
            QByteArray stored;
            std::shared_ptr<const specImage> image;
        };
        std::shared_ptr<const specImage> find(const QByteArray &stored) const;
        struct Read
        {
            std::shared_ptr<const specImage> image;
            ImageProbe::Refusal refusal;
        };
        // Pictures stored by the path of their file, read once each (or refused once).
        std::unordered_map<QString, Read> m_byPath;
        std::unordered_map<const char *, size_t> m_byPlace;
        std::unordered_multimap<qsizetype, size_t> m_bySize;
        std::vector<Decoded> m_decoded;
        SharedDecoding *m_outer;
    };

    // While one lives on a thread, bitmaps read there with more pixels than are decoded at once
    // (ImageProbe::decodeAtOncePixels) are read from their header alone: their size, resolution
    // and orientation are known at once, their pixels are decoded when first drawn (on the
    // picture worker for the screen) and shared by every copy. A design opens, pastes or takes
    // a template without the window waiting for its photos.
    class DeferredDecoding
    {
    public:
        DeferredDecoding();
        ~DeferredDecoding();
        DeferredDecoding(const DeferredDecoding &) = delete;
        DeferredDecoding &operator=(const DeferredDecoding &) = delete;
    };

    // A new image holding this one's picture with the attributes of a new image.
    std::shared_ptr<specImage> copyRepresentations() const;

    // ---- the file the picture came from ----
    // The file as it was when the picture was read from it, or when a copy of the picture was
    // written there: where it is, its stamp, and, when the picture is kept as other bytes than
    // the file's (a drawing is kept sanitized), the digest of the file's bytes (digestOf()).
    // Save names a file in the design only while it holds the picture still.
    struct SourceFile
    {
        QString path;
        GuardedReader::Stamp stamp;
        QByteArray digest;
    };
    std::shared_ptr<const SourceFile> sourceFile() const { return _source; }
    void setSourceFile(std::shared_ptr<const SourceFile> source) { _source = std::move(source); }
    static QByteArray digestOf(const QByteArray &bytes);
    // The bytes the picture is kept as: its file's, or a drawing's sanitized text; empty for a
    // bitmap made in memory, and for a photo whose file could not be read whole after its header.
    // Waits for a file still being read aside.
    QByteArray heldBytes() const;
    // Whether the picture is held at all, its bytes or its pixels: not a photo whose file could
    // not be read whole once its header was.
    bool holdsPicture() const { return !_bitmap.isNull() || !heldBytes().isEmpty(); }

    bool isValid() const { return _kind != Kind::None; }
    Kind kind() const { return _kind; }
    bool isVector() const { return _kind == Kind::Pdf || _kind == Kind::Svg; }
    // The size in points: a bitmap file's pixels at the resolution the file declares (one
    // point per pixel when it declares none), a PDF page's or an SVG drawing's own size.
    QSizeF size() const { return _size; }
    // YES for a bitmap that counts one point per pixel whatever its file's resolution, as
    // every bitmap did in documents written before sizes followed the resolution; such a
    // document keeps the sizes it was made with.
    bool countsPixelsAsPoints() const { return onePointPerPixel; }
    // The pixels `rect` (in the painter's coordinates) covers on the painter's device, which a
    // picture drawn there takes its raster by. A PDF, printed or exported (and an EPS made from
    // one), has no pixels of its own: its units count at no less than printedPixelsPerInch, so
    // that a drawing reaches paper as finely as a printer prints it. Empty under a perspective.
    static constexpr double printedPixelsPerInch = 1200.0;
    static QSizeF devicePixels(const QPainter *painter, const QRectF &rect);

    // The size the object's placement measures the picture by: the size, except that a
    // vector picture smaller than 1500 points on both sides counts with its larger side at
    // 1500 points, the size it is rasterised and drawn at.
    QSizeF drawingSize() const;

    // ---- attributes ----
    void setController(CanvasServices *controller) { mController = controller; }
    CanvasServices *controller() const { return mController; }
    // An empty name clears the mask. The name is that of an image in the resources.
    void setImageMaskName(const QString &name);
    QString imageMaskName() const { return maskName; }
    void setTint(bool flag);
    bool isTint() const { return tint; }
    // An invalid colour stands for none.
    void setColor(const QColor &color);
    QColor getColor() const { return tintColor; }
    void setTile(float count);
    float tile() const { return _imageTile; }
    void setMono(bool flag);
    bool isMono() const { return _isMono; }
    // Undoable through the controller's undo manager, without an action name: the
    // command that turns the image names it.
    void setRotation(int degrees);
    int getRotation() const { return angle; }
    // Undoable as setRotation(); also refreshes the controller's drawer controls.
    void setImageMaskFlag(bool flag);
    bool isDrawMask() const { return drawMask; }

    // ---- preparation and drawing ----
    // The picture tiled, masked, tinted and, with the monochrome flag, turned grey; built on
    // first use and kept until an attribute that changes it is set. Null for an image that
    // is not valid.
    QImage prepareImage();
    // The same for drawing at `devicePixels` (the whole picture's size on the output): a
    // vector picture is rasterised at its full drawing size halved as often as it still
    // covers those pixels, never finer than needed; a bitmap as prepareImage(). The result is
    // kept until a different halving is wanted.
    QImage prepareImage(QSizeF devicePixels);
    bool hasPrepared() const { return preparedImage.has_value(); }
    // The pixels of the prepared image held, empty when none.
    QSize preparedPixelSize() const { return preparedImage ? preparedImage->size() : QSize(); }
    // Discards the prepared image. The screen goes on showing it until the new one is made.
    void clearPrepared();

    // ---- preparation off the window's thread ----
    // Whether preparing takes long enough that the screen has it made on the picture worker: a
    // drawing is rasterised (its cost grows with what it holds, whatever the size), a photo
    // read from a design is decoded, a large bitmap is tiled, masked, tinted or turned grey.
    bool preparesSlowly() const;
    // What the screen draws now for `devicePixels`: the prepared image when it is held (or is
    // quick to make), a bitmap's made from the halving of its pixels that still covers them,
    // shared by every copy of the picture (a photo read from its header alone is decoded
    // straight at that size); otherwise, while it is made on the picture worker, what is held meanwhile
    // (a raster of another size, or from before the last change; null when there is none), and
    // `waiting` is YES. `arrived` is called on the window's thread once the prepared image is
    // held, unless the image is gone or another was asked for since.
    struct Shown
    {
        QImage image;
        bool waiting = false;
    };
    Shown prepareImageForScreen(QSizeF devicePixels, const std::function<void()> &arrived);
    // The newest raster held, of whatever size and however up to date; null when none. For
    // thumbnails (the picture a design's file carries), which never wait for a raster.
    QImage heldRaster() const;
    // The prepared image for `devicePixels` when held or quick to make, else heldRaster(): what a
    // thumbnail draws.
    QImage prepareImageForPreview(QSizeF devicePixels);
    // Changes whenever what prepareImageForScreen answers changes.
    qint64 shownRasterKey() const;
    // YES while the pixels of a bitmap read from its header alone are not decoded yet.
    bool pixelsPending() const;
    // Whether `other` holds this one's very decoding of the picture (its pixels, or the pixels
    // pending for both): a picture shown by many objects is decoded once for them all.
    bool sharesDecodingWith(const specImage &other) const;
    // YES when they were decoded and turned out damaged: the picture keeps its bytes (a save
    // writes them back as they came) and draws nothing.
    bool isUndecodable() const { return _undecodable; }
    // Takes the decoded pixels and the rasters of `other` when it holds the same picture (a
    // copy read back from the copied design): kept as prepared when the attributes are the same
    // too, else shown until this one's own is made.
    void takeRastersOf(const specImage &other);
    // Makes the picture alone (none of the attributes) at the pixels for `devicePixels`, as
    // prepareImage does; the function may run on any thread, and decodes pending pixels itself.
    std::function<QImage()> plainRaster(QSizeF devicePixels) const;
    // Draws the image as a page background: scaled to fill the rectangle's size from the
    // painter's origin (the caller translates to the background first), turned clockwise
    // by the rotation about the rectangle's centre, inside the clip path when one is given.
    void drawProp(QPainter *painter, const QRectF &rect, const BezierPath *clip);
    // The same on the screen: a raster that takes long is made on the picture worker, what is
    // held is drawn meanwhile, and `arrived` is called once it is there (see prepareImageForScreen).
    void drawPropOnScreen(QPainter *painter, const QRectF &rect, const BezierPath *clip,
                          const std::function<void()> &arrived);
    // The same at the rectangle's origin and without rotation.
    void draw(QPainter *painter, const QRectF &rect, const BezierPath *clip);

    // A copy of the image with the colour laid over it where the image is opaque (its alpha
    // is kept); an invalid colour gives the plain copy.
    static QImage image(const QImage &source, const QColor &tintedWithColor);
    static QImage tintedImageWithColor(const QImage &source, const QColor &color,
                                       QPainter::CompositionMode operation = QPainter::CompositionMode_SourceAtop);
    // Grey = 0.299 red + 0.587 green + 0.114 blue, rounded; the alpha is kept.
    static QImage monochromeImage(const QImage &source);

    // ---- stored form ----
    // "drawMask", "IsMono", "MaskImageName" (when set), "ImageAngle", "SizeByResolution"
    // ("YES" unless the bitmap counts one point per pixel), and with the flag the picture
    // itself under "Image" (archivedData()). A dictionary without "SizeByResolution" "YES"
    // comes from a document of the time when every bitmap counted one point per pixel.
    QVariantMap propertyListRepresentation(bool includeImage) const;
    // Null when "Image" is missing or does not hold a picture.
    static std::shared_ptr<specImage> objectWithPropertyListRepresentation(const QVariantMap &dict);
    // Each key optional; values of the wrong type are ignored.
    void loadPropertyListRepresentation(const QVariantMap &dict);
    // The picture as archived data of kind "QMImage": the bytes it was read from, or a PNG
    // of a bitmap made in memory.
    QByteArray archivedData() const;
    static std::shared_ptr<specImage> fromArchivedData(const QByteArray &data, QString *error = nullptr);

private:
    static std::shared_ptr<specImage> decodeData(const QByteArray &bytes, ImageProbe::Refusal *refusal);
    // The pixels a vector picture is rasterised at for `devicePixels` (see prepareImage).
    QSize vectorPixels(QSizeF devicePixels) const;
    // Everything preparing needs, by value: made on the window's thread, it may be carried out
    // on any.
    struct Recipe;
    Recipe recipe(QSize pixels, bool withAttributes, int halvings = 0) const;
    // A bitmap's pixels when decoded whole, turned by its orientation.
    QSize wholeBitmapPixels() const;
    // The halvings of a bitmap's whole pixels the screen shows for `devicePixels` (0: whole).
    int screenHalvings(QSizeF devicePixels) const;
    // The pixels the screen's raster is made at: a drawing's as vectorPixels(), a bitmap's
    // halved (an invalid size for its whole pixels).
    QSize screenPixels(QSizeF devicePixels, int *halvings) const;
    bool isPlain() const;
    bool preparesSlowly(int halvings) const;
    QImage prepareAt(QSize pixels, int halvings);
    // Whether `other` holds the very picture this one holds.
    bool samePictureAs(const specImage &other) const;
    // A large bitmap file read from its header, the rest read aside; null when the file is small
    // or no such bitmap, to be read whole.
    static std::shared_ptr<specImage> decodeFileFromHeader(const QString &path, ImageProbe::Refusal *refusal);
    // Takes the pixels a decoding of pending pixels has made, when it has.
    void takeDecodedPixels();
    void keepPrepared(const QImage &prepared, QSize pixels);
    bool holdsPreparedFor(QSize pixels) const;
    QSize pixelsFor(QSizeF devicePixels) const { return isVector() ? vectorPixels(devicePixels) : QSize(); }
    void drawPrepared(QPainter *painter, const QRectF &rect, const BezierPath *clip, const QImage &prepared) const;
    struct ScreenRaster;
    void screenRasterArrived(ScreenRaster *job, const QImage &made);

    // The drawing attributes and the cached result.
    CanvasServices *mController = nullptr;
    QColor tintColor;
    bool tint = false;
    bool _isMono = false;
    int angle = 0;
    QString maskName;
    std::optional<QImage> preparedImage;
    // The pixels the prepared image was made for (a vector picture's raster size).
    QSize preparedPixels;
    bool drawMask = true;
    float _imageTile = 1.0f;
    // The screen's raster being made on the picture worker, what it shows meanwhile, and the
    // count of changes of the attributes, so that a raster made before a change is not kept.
    std::shared_ptr<ScreenRaster> screenRaster;
    std::optional<QImage> shownMeanwhile;
    quint64 look = 0;

    // The picture.
    Kind _kind = Kind::None;
    QSizeF _size;
    // A bitmap's size by its file's resolution, kept while the image counts its pixels.
    QSizeF resolutionSize;
    bool onePointPerPixel = false;
    QImage _bitmap;
    // The bitmap's pixels as the file holds them, turned by its orientation; more than
    // _bitmap's when the picture was too large to decode whole.
    QSize _pixelSize;
    // The encoded bytes the picture was read from; empty for a bitmap made in memory.
    QByteArray _data;
    std::shared_ptr<const SourceFile> _source;
    // A bitmap read from its header alone: its pixels, decoded once for every copy.
    struct PendingPixels;
    std::shared_ptr<PendingPixels> _pending;
    struct Reductions;
    std::shared_ptr<Reductions> _reductions;
    bool _undecodable = false;
    // The archived form, made once for the picture and shared by every copy of it (the
    // copies in a duplicate, the objects of a shared decoding), whichever thread asks first.
    struct Archived
    {
        std::mutex lock;
        QByteArray bytes;
    };
    std::shared_ptr<Archived> _archived = std::make_shared<Archived>();
};

} // namespace quillmark
