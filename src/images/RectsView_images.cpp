// The canvas's image operations: pictures placed into objects or new objects, drops of
// browser tiles, files and colours, the image commands on the selection, and the page
// backgrounds.
#include "canvas/RectsView.h"

#include <QColor>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFuture>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QPromise>
#include <QSaveFile>
#include <QThreadPool>
#include <QUrl>

#include <algorithm>

#include "foundation/Language.h"
#include "images/ImageSearchService.h"
#include "images/ScrollNSImageView.h"
#include "images/iNternetImageLoader.h"
#include "images/listImageViewItem.h"
#include "objects/ColorRect.h"
#include "objects/ImageProbe.h"
#include "objects/ObjectFactory.h"
#include "objects/specImage.h"
#include "platform/Prompts.h"

namespace quillmark {

namespace {

QString undoName(const char *key)
{
    return localizedStringFromTable(QString::fromLatin1(key), QStringLiteral("UndoStrings"));
}

// A web address is a string that parses as an http or https URL with a host.
bool isWebAddress(const QString &string)
{
    return ImageSearchService::isWebAddress(string);
}

bool isMergeField(const ColorRect &graphic)
{
    return graphic.className() == QLatin1String("ColorField");
}

// Keeps the width and origin an object had before its picture changed, taking the height
// from the proportions of the frame that the new picture produced.
void applyScaleWithBoxCorrection(ColorRect &graphic, const QRectF &before)
{
    if (!graphic.isScaleWithBox())
        return;
    const QRectF after = graphic.frameBounds();
    if (after.width() <= 0.0 || before.width() <= 0.0)
        return;
    graphic.setFrameBounds(QRectF(before.topLeft(),
                                  QSizeF(before.width(), before.width() * after.height() / after.width())));
}

void moveImageWithUndo(UndoManager *undo, const GraphicPtr &graphic, const QPointF &delta)
{
    graphic->moveImageBy(delta);
    undo->registerUndo([undo, graphic, delta] { moveImageWithUndo(undo, graphic, -delta); });
}

void rotateBackgroundWithUndo(UndoManager *undo, const std::shared_ptr<specImage> &image, int degrees)
{
    const int old = image->getRotation();
    undo->registerUndo([undo, image, old] { rotateBackgroundWithUndo(undo, image, old); });
    image->setRotation(degrees);
}

// The picture types the open panels offer.
QStringList imageFileTypes()
{
    return {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("tif"),
            QStringLiteral("tiff"), QStringLiteral("gif"), QStringLiteral("bmp"), QStringLiteral("webp"),
            QStringLiteral("jp2"), QStringLiteral("j2k"), QStringLiteral("pdf"), QStringLiteral("svg"),
            QStringLiteral("svgz")};
}

// Says why a picture was not taken; the design stays as it was.
void showImageError(QWidget *parent, const QString &message)
{
    if (message.isEmpty())
        return;
    Prompts::current().alert(parent ? parent->window() : nullptr, message, QString(),
                             {Language::stringForKey(QStringLiteral("OK"))});
}

// The frame of a new picture of `pictureSize` (any unit; a square when empty) centred on
// `centre`: as large as the label allows in the picture's own proportions, so that the same
// picture comes in the same size at every zoom and never runs past the label.
QRectF newPictureFrame(const TLabel &label, const QSizeF &pictureSize, const QPointF &centre)
{
    QSizeF box(double(label.width) * 72.0, double(label.height) * 72.0);
    if (!(box.width() > 0.0) || !(box.height() > 0.0))
        box = QSizeF(200.0, 200.0);
    QSizeF size = box;
    if (pictureSize.width() > 0.0 && pictureSize.height() > 0.0) {
        const double factor = std::min(box.width() / pictureSize.width(), box.height() / pictureSize.height());
        size = QSizeF(pictureSize.width() * factor, pictureSize.height() * factor);
    } else {
        const double side = std::min(box.width(), box.height());
        size = QSizeF(side, side);
    }
    return QRectF(centre.x() - size.width() / 2.0, centre.y() - size.height() / 2.0, size.width(), size.height());
}

QPointF labelCentre(const TLabel &label)
{
    return QPointF(double(label.width) * 36.0, double(label.height) * 36.0);
}

// Why the picture of a file is refused (None when it is taken): the picture decoded ahead
// when there is one, else the header check.
ImageProbe::Refusal pictureRefusal(const QString &path)
{
    if (const specImage::Preloaded *preloaded = specImage::Preloaded::forPath(path))
        return preloaded->refusal();
    return ImageProbe::probeFile(path).refusal;
}

struct DecodedPicture
{
    std::shared_ptr<specImage> image;
    ImageProbe::Refusal refusal = ImageProbe::Refusal::None;
};

// Decodes the picture file on a picture decoder; `done` hears the result on the window's
// thread. The watcher belongs to `owner`: an owner gone meanwhile hears nothing, and the
// worker only finishes its promise.
void decodeOnWorker(QObject *owner, const QString &path, std::function<void(const DecodedPicture &)> done)
{
    auto promise = std::make_shared<QPromise<DecodedPicture>>();
    QFuture<DecodedPicture> future = promise->future();
    promise->start();
    auto *watcher = new QFutureWatcher<DecodedPicture>(owner);
    QObject::connect(watcher, &QFutureWatcherBase::finished, owner, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        if (watcher->future().resultCount() == 0)
            return;
        done(watcher->future().result());
    });
    watcher->setFuture(future);
    RectsView::pictureDecoders().start([promise, path] {
        DecodedPicture decoded;
        decoded.image = specImage::decodeFile(path, &decoded.refusal);
        promise->addResult(decoded);
        promise->finish();
    });
}

} // namespace

void RectsView::initImages()
{
    setAcceptDrops(true);
    pageBackgroundPainter = [this](QPainter *painter, const QRectF &) { drawPageBackground(painter); };
    documentOpened = [this] { reportMissingImages(); };
}

QStringList RectsView::missingImagePaths() const
{
    QStringList paths;
    for (const GraphicPtr &graphic : rects) {
        if (graphic->imageFileMissing() && !paths.contains(graphic->imagePath()))
            paths.append(graphic->imagePath());
    }
    return paths;
}

void RectsView::reportMissingImages()
{
    const QStringList paths = missingImagePaths();
    if (paths.isEmpty())
        return;
    // The objects keep their stored paths, so the pictures come back once the files do.
    constexpr int Listed = 10;
    QStringList lines = paths.mid(0, Listed);
    if (paths.size() > Listed)
        lines.append(QStringLiteral("\u2026"));
    lines.append(QString());
    lines.append(Language::stringForKey(QStringLiteral("Put the files back in place and open the design again to show them.")));
    Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("Some pictures of this design could not be found:")),
                             lines.join(QLatin1Char('\n')), {Language::stringForKey(QStringLiteral("OK"))},
                             Prompts::Informational);
}

// ---- placing a picture ----

void RectsView::whenPictureDecoded(const QString &path, std::function<void()> continuation)
{
    // A newer request makes any earlier one still decoding moot.
    const int request = ++m_pictureRequest;
    if (path.isEmpty() || isWebAddress(path) || ImageProbe::decodesAtOnce(path)) {
        endPictureLoad();
        continuation();
        return;
    }
    if (!m_loadingPicture) {
        m_loadingPicture = true;
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    }
    decodeOnWorker(this, path,
                   [this, request, path, continuation = std::move(continuation)](const DecodedPicture &decoded) {
                       if (request != m_pictureRequest)
                           return;
                       endPictureLoad();
                       const specImage::Preloaded preloaded(path, decoded.image, decoded.refusal);
                       continuation();
                   });
}

QThreadPool &RectsView::pictureDecoders()
{
    static QThreadPool *pool = [] {
        auto *made = new QThreadPool(qApp);
        made->setMaxThreadCount(2);
        return made;
    }();
    return *pool;
}

void RectsView::endPictureLoad()
{
    if (!m_loadingPicture)
        return;
    m_loadingPicture = false;
    QGuiApplication::restoreOverrideCursor();
}

void RectsView::setupNewNSImagePath(const QString &path, const std::optional<QPointF> &centre)
{
    placePicture(path, centre, {});
}

void RectsView::placePicture(const QString &path, const std::optional<QPointF> &centre,
                             std::function<void(const GraphicPtr &, bool)> then)
{
    if (path.isEmpty())
        return;
    if (isWebAddress(path)) {
        setupNewWebImage(path, centre);
        return;
    }
    whenPictureDecoded(path, [this, path, centre, then = std::move(then)] {
        const qsizetype before = rects.size();
        const GraphicPtr placed = placeImageFile(path, centre);
        if (placed) {
            setDrawersItemsState();
            wasChanged(true);
        }
        if (then)
            then(placed, rects.size() > before);
    });
}

GraphicPtr RectsView::placeImageFile(const QString &path, const std::optional<QPointF> &centre)
{
    // One check before anything changes: a picture that will not load changes nothing,
    // creates nothing and says why.
    const ImageProbe::Refusal refusal = pictureRefusal(path);
    if (refusal != ImageProbe::Refusal::None) {
        showImageError(this, ImageProbe::message(refusal));
        return {};
    }
    GraphicPtr first;
    QString error;
    for (const GraphicPtr &graphic : orderedSelectedGraphics()) {
        if (!graphic->canDrawsImage() || isMergeField(*graphic))
            continue;
        const QRectF before = graphic->frameBounds();
        QString why;
        if (!graphic->setImagePath(path, &why)) {
            if (error.isEmpty())
                error = why;
            continue;
        }
        graphic->setDrawsImage(true);
        applyScaleWithBoxCorrection(*graphic, before);
        invalidateGraphic(graphic.get());
        if (!first)
            first = graphic;
    }
    if (first) {
        setActionName(undoName("Change Image"));
        return first;
    }
    if (!error.isEmpty()) {
        // The file passed the check but its picture is damaged.
        showImageError(this, error);
        return {};
    }
    GraphicPtr created = centre ? createObjectOfClassCentered(QStringLiteral("ColorRect"), path, *centre)
                                : createObjectOfClass(QStringLiteral("ColorRect"), path);
    if (!created)
        return {};
    created->setFixRatio(true);
    // The new picture is what the user works on next, as after drawing an object.
    selectRectUndo(created);
    setActionName(undoName("Add Image"));
    return created;
}

void RectsView::endPendingWebImage()
{
    if (m_pendingDownload) {
        QNetworkReply *reply = m_pendingDownload;
        m_pendingDownload = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_pendingImageObject.reset();
    // A full picture still being decoded is no longer awaited.
    ++m_webPictureDecode;
    if (m_pendingUndoGroup) {
        m_pendingUndoGroup = false;
        m_undoManager.endUndoGrouping();
    }
}

void RectsView::setupNewWebImage(const QString &address, const std::optional<QPointF> &centre)
{
    // A picture still downloading for an earlier tile stays with what it shows.
    endPendingWebImage();
    iNternetImageLoader *loader = iNternetImageLoader::initWithView(imageListView);
    const QString local = loader->temporaryPathForAddress(address);
    const bool stored = !local.isEmpty() && QFileInfo(local).isFile();
    if (stored && loader->isFullImageStored(address)) {
        // Placed before: the full picture is here already.
        setupNewNSImagePath(local, centre);
        return;
    }

    // The tile's preview shows at once, and the full picture takes its place in the same
    // step once it has arrived.
    m_undoManager.beginUndoGrouping();
    m_pendingUndoGroup = true;
    GraphicPtr target;
    const qsizetype before = rects.size();
    if (stored) {
        target = placeImageFile(local, centre);
        if (!target) {
            endPendingWebImage();
            return;
        }
    } else {
        target = centre ? createObjectOfClassCentered(QStringLiteral("ColorRect"), QString(), *centre)
                        : createObjectOfClass(QStringLiteral("ColorRect"), QString());
        if (!target) {
            endPendingWebImage();
            return;
        }
        target->setFixRatio(true);
        setActionName(undoName("Add Image"));
    }
    // The step keeps this name when the full picture joins it.
    const bool created = rects.size() > before;
    const QString actionName = undoName(created ? "Add Image" : "Change Image");
    if (!_selectedObjects.contains(target))
        selectRectUndo(target);
    setActionName(actionName);
    setDrawersItemsState();
    wasChanged(true);
    if (local.isEmpty()) {
        // Without a temporary folder there is nowhere to keep the picture.
        endPendingWebImage();
        return;
    }
    m_pendingImageObject = target;

    auto *network = findChild<QNetworkAccessManager *>();
    if (!network)
        network = new QNetworkAccessManager(this);
    QNetworkRequest request{QUrl(address)};
    request.setTransferTimeout(60000);
    QNetworkReply *reply = network->get(request);
    m_pendingDownload = reply;
    // A picture is at most what ImageProbe accepts, so a download is bounded too.
    constexpr qint64 maxBytes = ImageProbe::maxFileBytes;
    auto received = std::make_shared<QByteArray>();
    connect(reply, &QNetworkReply::readyRead, this, [reply, received] {
        received->append(reply->readAll());
        if (received->size() > maxBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, received, local, address, actionName, created] {
        reply->deleteLater();
        if (m_pendingDownload != reply)
            return;
        m_pendingDownload = nullptr;
        received->append(reply->readAll());
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        // The downloaded bytes pass the same check as a file; an SVG drawing is written out
        // sanitized, so that what lands in the temporary folder reaches nothing else.
        const ImageProbe::Result probed =
            reply->error() == QNetworkReply::NoError && status == 200 && received->size() <= maxBytes
            ? ImageProbe::probeData(*received)
            : ImageProbe::Result();
        bool written = false;
        if (probed.accepted()) {
            // Written whole or not at all: a failure keeps the preview that is there.
            QSaveFile file(local);
            const QByteArray &bytes = probed.format == ImageProbe::Format::Svg ? probed.data : *received;
            written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
        }
        const GraphicPtr graphic = m_pendingImageObject;
        if (written && graphic && rects.contains(graphic)) {
            if (iNternetImageLoader *loader = iNternetImageLoader::sharedInternetImageLoader())
                loader->setFullImageStored(address);
            auto apply = [this, graphic, local, actionName, created] {
                if (rects.contains(graphic)) {
                    const QRectF before = graphic->frameBounds();
                    const bool loaded = graphic->setImagePath(local);
                    if (loaded)
                        graphic->setDrawsImage(true);
                    if (created && loaded && graphic->image()) {
                        // A picture made for this download takes its own proportions where it stands.
                        graphic->setFrameBounds(newPictureFrame(getLabel(), graphic->image()->size(), before.center()));
                        graphic->fitImage();
                    } else {
                        applyScaleWithBoxCorrection(*graphic, before);
                    }
                    invalidateGraphic(graphic.get());
                    setActionName(actionName);
                    setDrawersItemsState();
                }
                endPendingWebImage();
            };
            if (ImageProbe::decodesAtOnce(local)) {
                apply();
                return;
            }
            // A large picture is decoded on a worker, as a placed file is: the preview stays
            // and the step stays open until the full picture takes its place.
            const quint64 decode = m_webPictureDecode;
            decodeOnWorker(this, local, [this, decode, local, apply](const DecodedPicture &decoded) {
                if (decode != m_webPictureDecode)
                    return;
                const specImage::Preloaded preloaded(local, decoded.image, decoded.refusal);
                apply();
            });
            return;
        }
        endPendingWebImage();
        if (!written) {
            const QString why = status != 0 && status != 200
                ? Language::stringForKey(QStringLiteral("The server answered with an error (HTTP %1).")).arg(status)
                : reply->error() != QNetworkReply::NoError ? reply->errorString()
                                                           : probed.errorMessage();
            Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("The picture could not be downloaded.")),
                                     why, {Language::stringForKey(QStringLiteral("OK"))});
        }
    });
}

GraphicPtr RectsView::createObjectOfClassCentered(const QString &className, const QString &path,
                                                  const QPointF &point)
{
    if (!roomForObjects(1, undoName("Create Object")))
        return {};
    GraphicPtr graphic = ObjectFactory::isRegistered(className) ? ObjectFactory::create(className)
                                                                : ColorRect::create();
    if (!graphic)
        return {};
    graphic->setFrameBounds(newPictureFrame(getLabel(), QSizeF(), point));
    graphic->setStrokeLineWidth(1.0f);
    graphic->setDrawsStrokeOnly(false);
    graphic->setDrawsFill(false);
    if (!path.isEmpty()) {
        // An object without its picture would be empty and invisible: none is made.
        QString error;
        if (!graphic->setImageFromPath(path, &error)) {
            showImageError(this, error);
            return {};
        }
        if (graphic->image())
            graphic->setFrameBounds(newPictureFrame(getLabel(), graphic->image()->size(), point));
    }
    graphic->fitImage();
    graphic->setPageName(getCurrPageName());
    graphic->setObjectLayer(currentLayer());
    graphic->setMainView(this);
    clearSelection();
    addGraphic(graphic);
    wasChanged(true);
    setActionName(undoName("Create Object"));
    return graphic;
}

GraphicPtr RectsView::createObjectOfClass(const QString &className, const QString &path, const QPointF &)
{
    // A new picture fits the label and sits in its middle, wherever the pointer was.
    return createObjectOfClassCentered(className, path, labelCentre(getLabel()));
}

// ---- image commands on the selection ----

void RectsView::fitResetImage()
{
    for (const GraphicPtr &graphic : orderedSelectedGraphics()) {
        graphic->setScaleWithBox(!graphic->isScaleWithBox());
        invalidateGraphic(graphic.get());
    }
    setActionName(undoName("Undo Scale with Box"));
    wasChanged(true);
}

void RectsView::setObjectResetImage()
{
    for (const GraphicPtr &graphic : orderedSelectedGraphics()) {
        graphic->fitImageReset();
        invalidateGraphic(graphic.get());
    }
    setActionName(undoName("Reset Fit Image"));
    wasChanged(true);
}

void RectsView::makeMonohromeFrameImage()
{
    for (const GraphicPtr &graphic : orderedSelectedGraphics()) {
        graphic->makeMonohromeImage(true);
        invalidateGraphic(graphic.get());
    }
    setActionName(undoName("Make Monohrome Image"));
}

void RectsView::setImageRotation(int degrees)
{
    const GraphicList selected = orderedSelectedGraphics();
    if (selected.isEmpty()) {
        if (const auto image = getBackgroundImageForPage(getCurrPageName()))
            rotateBackgroundWithUndo(&m_undoManager, image, degrees);
        setActionName(undoName("Rotate Background Image"));
        wasChanged(true);
        update();
        return;
    }
    const ChangeBatch batch(*this);
    for (const GraphicPtr &graphic : selected) {
        if (!graphic->hasValidImage())
            continue;
        graphic->setImageRotation(degrees);
        invalidateGraphic(graphic.get());
    }
}

void RectsView::setupNewNSImageMask(const QString &maskName)
{
    if (!_selectedObjects.isEmpty()) {
        setupFrameImageMask(maskName);
    } else if (const auto image = getBackgroundImageForPage(getCurrPageName())) {
        const QString old = image->imageMaskName();
        registerUndo([this, image, old] {
            image->setImageMaskName(old);
            update();
        });
        image->setImageMaskName(maskName);
        setActionName(undoName("Change Clipart Mask"));
        wasChanged(true);
        update();
    }
    changeMaskChBox(true);
}

void RectsView::setupFrameImageMask(const QString &maskName)
{
    for (const GraphicPtr &graphic : orderedSelectedGraphics()) {
        if (!graphic->hasValidImage())
            continue;
        graphic->setImageMaskName(maskName);
        invalidateGraphic(graphic.get());
    }
    setActionName(undoName("Change Clipart Mask"));
    wasChanged(true);
}

void RectsView::changeMaskChBox(bool on)
{
    if (!_selectedObjects.isEmpty()) {
        setupFrameImageMaskFlag(on);
        return;
    }
    if (const auto image = getBackgroundImageForPage(getCurrPageName())) {
        const bool old = image->isDrawMask();
        registerUndo([this, image, old] {
            image->setImageMaskFlag(old);
            update();
        });
        image->setImageMaskFlag(on);
    }
    setActionName(undoName("Mask Clipart"));
    wasChanged(true);
    update();
}

void RectsView::setupFrameImageMaskFlag(bool flag)
{
    for (const GraphicPtr &graphic : orderedSelectedGraphics()) {
        if (!graphic->image())
            continue;
        graphic->setImageMaskFlag(flag);
        invalidateGraphic(graphic.get());
    }
    setActionName(undoName("Mask Clipart"));
    wasChanged(true);
}

int RectsView::checkBoxMaskState() const
{
    // The box is on where a mask is applied: one is named and its flag is on.
    auto masked = [](const specImage &image) { return image.isDrawMask() && !image.imageMaskName().isEmpty(); };
    if (_selectedObjects.isEmpty()) {
        const auto background = getBackgroundImageForPage(getCurrPageName());
        return background && background->isValid() ? (masked(*background) ? 1 : 0) : -1;
    }
    int state = -1;
    for (const GraphicPtr &graphic : _selectedObjects) {
        if (!graphic->hasValidImage())
            continue;
        const int mask = masked(*graphic->image()) ? 1 : 0;
        if (state >= 0 && state != mask)
            return 2;
        state = mask;
    }
    return state;
}

void RectsView::trackImageDrag(const QPointF &delta)
{
    if (_selectedObjects.isEmpty())
        return;
    const GraphicPtr graphic = _selectedObjects.first();
    if (!graphic->image())
        return;
    moveImageWithUndo(&m_undoManager, graphic, delta);
    setActionName(undoName("Change Image"));
    wasChanged(true);
    invalidateGraphic(graphic.get());
    setDrawersItemsState();
    updateObjectValues();
}

// ---- drops ----

bool RectsView::acceptsImageDrag(const QMimeData *data)
{
    if (!data)
        return false;
    return data->hasFormat(QString::fromLatin1(ImageItemDragType)) || data->hasUrls() || data->hasColor()
        || data->hasFormat(QStringLiteral("image/tiff"));
}

bool RectsView::performImageDrop(const QMimeData *data, const QPointF &pagePoint)
{
    if (!data)
        return true;
    if (data->hasFormat(QString::fromLatin1(ImageItemDragType))) {
        const listImageViewItem *tile = imageListView ? imageListView->selectedItem() : nullptr;
        if (!tile || tile->filePath().isEmpty() || tile->image().isNull())
            return true;
        clearSelection();
        const QString path = tile->filePath();
        if (isWebAddress(path)) {
            // The preview goes into the picture's temporary file, where the full picture
            // will follow.
            iNternetImageLoader::initWithView(imageListView)->writePreview(path, tile->image());
        }
        // The new object lands centred where the tile was let go, selected, with the one
        // undo step "Add Image".
        setupNewNSImagePath(path, pagePoint);
        return true;
    }
    if (data->hasUrls()) {
        const QList<QUrl> urls = data->urls();
        const QString file = urls.isEmpty() ? QString() : urls.first().toLocalFile();
        if (file.isEmpty())
            return true;
        whenPictureDecoded(file, [this, file, pagePoint] {
            const ImageProbe::Refusal refusal = pictureRefusal(file);
            if (refusal == ImageProbe::Refusal::None) {
                const GraphicPtr graphic = createObjectOfClassCentered(QStringLiteral("ColorRect"), file, pagePoint);
                if (graphic) {
                    graphic->setFixRatio(true);
                    selectRectUndo(graphic);
                    setActionName(undoName("Add Image"));
                }
            } else if (ImageProbe::hasImageExtension(file)) {
                // Named as a picture but refused: said so, and nothing is made.
                showImageError(this, ImageProbe::message(refusal));
            } else if (openDocumentHandler) {
                openDocumentHandler(file);
            } else {
                open(file);
            }
        });
        setFocus();
        return true;
    }
    if (data->hasColor()) {
        const QColor color = qvariant_cast<QColor>(data->colorData());
        if (const GraphicPtr graphic = objectUnderPoint(pagePoint); graphic && color.isValid()) {
            graphic->setDrawsFill(true);
            graphic->setFillColor(color);
            invalidateGraphic(graphic.get());
        }
    }
    return true;
}

void RectsView::dragEnterEvent(QDragEnterEvent *event)
{
    if (acceptsImageDrag(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void RectsView::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptsImageDrag(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void RectsView::dropEvent(QDropEvent *event)
{
    const QPointF page = pageToWidget().inverted().map(event->position());
    performImageDrop(event->mimeData(), page);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

// ---- page backgrounds ----

int RectsView::getBackgroundIndexForPage(const QString &pageName) const
{
    for (int i = 0; i < _bkgrImageDict.size(); ++i)
        if (_bkgrImageDict[i].pageName == pageName)
            return i;
    return -1;
}

std::shared_ptr<specImage> RectsView::getBackgroundImageForPage(const QString &pageName) const
{
    const int index = getBackgroundIndexForPage(pageName);
    return index < 0 ? nullptr : _bkgrImageDict[index].image;
}

bool RectsView::isBackgroundImageValid(const QString &pageName) const
{
    const auto image = getBackgroundImageForPage(pageName);
    return image && image->isValid();
}

int RectsView::backgroundForPage() const
{
    const QString page = getCurrPageName();
    for (int i = 0; i < rects.size(); ++i)
        if (rects[i]->isOnPageNamed(page))
            return i;
    return -1;
}

void RectsView::setBkgrdImagePath(const QString &path)
{
    if (!path.isEmpty()) {
        // A background whose picture will not load would be an empty locked object.
        const ImageProbe::Refusal refusal = pictureRefusal(path);
        if (refusal != ImageProbe::Refusal::None) {
            showImageError(this, ImageProbe::message(refusal));
            return;
        }
    }
    const int index = backgroundForPage();
    if (index >= 0 && rects[index]->isBack()) {
        const GraphicPtr background = rects[index];
        if (path.isEmpty()) {
            removeGraphicAtIndex(index);
            setActionName(undoName("Change Background"));
            wasChanged(true);
            return;
        }
        const QString old = background->imagePath();
        QString error;
        bool changed = false;
        {
            // The inverse below restores the path; the object's own undo would be a second one.
            m_undoManager.disableUndoRegistration();
            changed = background->setImagePath(path, &error);
            m_undoManager.enableUndoRegistration();
        }
        if (!changed) {
            showImageError(this, error);
            return;
        }
        registerUndo([this, old] { setBkgrdImagePath(old); });
        invalidateGraphic(background.get());
    } else {
        if (path.isEmpty()) {
            wasChanged(true);
            return;
        }
        // The page's background is an object of the design like any other.
        if (!roomForObjects(1, undoName("Change Background")))
            return;
        const TLabel &label = getLabel();
        const QRectF frame(0, 0, double(label.width) * 72.0, double(label.height) * 72.0);
        auto background = ColorRect::create(frame);
        background->setStrokeLineWidth(0.0f);
        background->setDrawsStrokeOnly(true);
        background->setStrokeColor(Qt::black);
        background->setFillColor(Qt::white);
        background->setScaleWithBoxOnly(true);
        QString error;
        if (!background->setImageFromPath(path, &error)) {
            showImageError(this, error);
            return;
        }
        background->setDrawsImage(true);
        // The picture fills the label whatever its proportions.
        background->setFrameBounds(frame);
        background->fitImage();
        background->setLocked(true);
        background->setPageName(getCurrPageName());
        background->setBack(true);
        background->setIsBack(true);
        const BezierPath clip = getLabelClipPath();
        background->setClip(&clip);
        insertGraphic(background, 0);
    }
    setActionName(undoName("Change Background"));
    wasChanged(true);
}

void RectsView::openBackgroundImage()
{
    // Refused before a picture is asked for when the page would take one object more.
    const int index = backgroundForPage();
    if ((index < 0 || !rects[index]->isBack()) && !roomForObjects(1, undoName("Change Background")))
        return;
    const QString path = Prompts::current().openFile(
        this, Language::stringForKey(QStringLiteral("Select Background Image File")), QString(), imageFileTypes());
    if (path.isEmpty()) {
        wasChanged(true);
        update();
        return;
    }
    whenPictureDecoded(path, [this, path] {
        setBkgrdImagePath(path);
        wasChanged(true);
        update();
    });
}

bool RectsView::canClearBackgroundImage() const
{
    const int index = backgroundForPage();
    return index >= 0 && rects[index]->isBack();
}

void RectsView::openImage()
{
    const QString path = Prompts::current().openFile(
        this, Language::stringForKey(QStringLiteral("Select Image File")), QString(), imageFileTypes());
    if (path.isEmpty())
        return;
    const bool nothingSelected = _selectedObjects.isEmpty();
    placePicture(path, std::nullopt, [this, nothingSelected](const GraphicPtr &, bool created) {
        if (nothingSelected && created) {
            // The new picture stays where it was made: as large as fits inside the label,
            // centred on it, as one from the browser. Moved to the corner by the handle's
            // width, it ran past the label's edge and printed cut off.
            setActionName(undoName("Add Image"));
            updateObjectValues();
        }
        wasChanged(true);
    });
}

void RectsView::setObjectFitImage()
{
    const GraphicList selected = orderedSelectedGraphics();
    if (selected.isEmpty())
        return;
    for (const GraphicPtr &graphic : selected) {
        graphic->fitImage();
        invalidateGraphic(graphic.get());
    }
    setDrawersItemsState();
    setActionName(Language::stringForKey(QStringLiteral("Fit Image")));
    wasChanged(true);
}

void RectsView::drawPageBackground(QPainter *painter)
{
    const auto image = getBackgroundImageForPage(getCurrPageName());
    if (!image || !image->isValid())
        return;
    const TLabel &label = getLabel();
    const QRectF rect(0, 0, double(label.width) * 72.0, double(label.height) * 72.0);
    const BezierPath clip = getLabelClipPath();
    const QPointer<RectsView> canvas(this);
    image->drawPropOnScreen(painter, rect, &clip, [canvas] {
        if (canvas)
            canvas->update();
    });
}

} // namespace quillmark
