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
#include <QImageReader>
#include <QMimeData>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QUrl>

#include <algorithm>

#include "foundation/Language.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"
#include "objects/ColorRect.h"
#include "objects/ObjectFactory.h"
#include "objects/specImage.h"
#include "platform/Prompts.h"

namespace quillmark {

namespace {

QString undoName(const char *key)
{
    return localizedStringFromTable(QString::fromLatin1(key), QStringLiteral("UndoStrings"));
}

// A web address is a string that parses as a URL with a host.
bool isWebAddress(const QString &string)
{
    const QUrl url(string, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty()
        && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

bool isMergeField(const ColorRect &graphic)
{
    return graphic.className() == QLatin1String("ColorField");
}

// A file of the temporary folder for a downloaded picture. The name is made here, never
// taken from the remote address, so that a hostile address cannot reach outside the folder
// or overwrite another file; only a short alphanumeric extension is kept.
QString newTemporaryImagePath(const QString &address)
{
    QString suffix = QFileInfo(QUrl(address).path()).suffix();
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9]{1,5}$"));
    if (!plain.match(suffix).hasMatch())
        suffix = QStringLiteral("img");
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/quillmark-image-XXXXXX.") + suffix);
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    return file.fileName();
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

bool isImageFile(const QString &path)
{
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    if (suffix == "pdf" || suffix == "svg" || suffix == "svgz")
        return true;
    return !suffix.isEmpty() && QImageReader::supportedImageFormats().contains(suffix);
}

} // namespace

void RectsView::initImages()
{
    setAcceptDrops(true);
    pageBackgroundPainter = [this](QPainter *painter, const QRectF &) { drawPageBackground(painter); };
}

// ---- placing a picture ----

void RectsView::setupNewNSImagePath(const QString &path)
{
    if (path.isEmpty())
        return;
    const bool web = isWebAddress(path);

    if (m_pendingImageObject) {
        // The second pass: the downloaded picture arrives in the object that waited for it.
        const GraphicPtr graphic = m_pendingImageObject;
        m_pendingImageObject.reset();
        const QRectF before = graphic->frameBounds();
        graphic->setDrawsImage(true);
        graphic->setImagePath(path);
        applyScaleWithBoxCorrection(*graphic, before);
        invalidateGraphic(graphic.get());
        if (m_pendingUndoGroup) {
            m_pendingUndoGroup = false;
            m_undoManager.endUndoGrouping();
        }
        if (!web) {
            setDrawersItemsState();
            wasChanged(true);
        }
        return;
    }

    bool taken = false;
    if (!web) {
        for (const GraphicPtr &graphic : orderedSelectedGraphics()) {
            if (!graphic->canDrawsImage() || isMergeField(*graphic))
                continue;
            const QRectF before = graphic->frameBounds();
            graphic->setDrawsImage(true);
            if (!graphic->setImagePath(path))
                continue;
            applyScaleWithBoxCorrection(*graphic, before);
            invalidateGraphic(graphic.get());
            taken = true;
        }
    }
    GraphicPtr created;
    if (taken) {
        setActionName(undoName("Change Image"));
    } else {
        created = createObjectOfClass(QStringLiteral("ColorRect"), web ? QString() : path);
        if (!created)
            return;
        created->setFixRatio(true);
        setActionName(undoName("Add Image"));
    }

    if (!web) {
        setDrawersItemsState();
        wasChanged(true);
        return;
    }

    // A web picture: the new object waits for the download inside one undo step.
    selectRectUndo(created);
    m_pendingImageObject = created;
    if (!m_pendingUndoGroup) {
        m_undoManager.beginUndoGrouping();
        m_pendingUndoGroup = true;
    }
    const QString local = newTemporaryImagePath(path);
    auto *network = findChild<QNetworkAccessManager *>();
    if (!network)
        network = new QNetworkAccessManager(this);
    QNetworkReply *reply = network->get(QNetworkRequest(QUrl(path)));
    // A picture is at most what specImage accepts, so a download is bounded too.
    constexpr qint64 maxBytes = 256LL * 1024 * 1024;
    auto received = std::make_shared<QByteArray>();
    connect(reply, &QNetworkReply::readyRead, this, [reply, received] {
        received->append(reply->readAll());
        if (received->size() > maxBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, received, local] {
        reply->deleteLater();
        received->append(reply->readAll());
        const QImage picture = reply->error() == QNetworkReply::NoError && received->size() <= maxBytes
            ? QImage::fromData(*received)
            : QImage();
        if (picture.isNull() || local.isEmpty() || !picture.save(local, "PNG")) {
            // Nothing arrived: the object stays as it was made and the undo step closes.
            if (!local.isEmpty())
                QFile::remove(local);
            m_pendingImageObject.reset();
            if (m_pendingUndoGroup) {
                m_pendingUndoGroup = false;
                m_undoManager.endUndoGrouping();
            }
            return;
        }
        setupNewNSImagePath(local);
    });
}

GraphicPtr RectsView::createObjectOfClassCentered(const QString &className, const QString &path,
                                                  const QPointF &point)
{
    const double zoom = getZoom() > 0.0 ? getZoom() : 1.0;
    const double s = 200.0 / zoom;
    const QRectF frame(point.x() - s / 2.0, point.y() - s / 2.0, s, s);
    GraphicPtr graphic = ObjectFactory::isRegistered(className) ? ObjectFactory::create(className)
                                                                : ColorRect::create();
    if (!graphic)
        return {};
    graphic->setFrameBounds(frame);
    graphic->setStrokeLineWidth(1.0f);
    graphic->setDrawsStrokeOnly(false);
    graphic->setDrawsFill(false);
    if (!path.isEmpty())
        graphic->setImageFromPath(path);
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

GraphicPtr RectsView::createObjectOfClass(const QString &className, const QString &path, const QPointF &near)
{
    const double zoom = getZoom() > 0.0 ? getZoom() : 1.0;
    const double s = 200.0 / zoom;
    const QRectF area = bounds();
    double x = std::max(10.0, near.x() - s / 2.0);
    if (x + s > area.right())
        x = area.right() - s;
    double y = std::max(10.0, near.y() - s / 2.0);
    if (y + s > area.bottom())
        y = area.bottom() - s;
    return createObjectOfClassCentered(className, path, QPointF(x + s / 2.0, y + s / 2.0));
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
    int state = -1;
    for (const GraphicPtr &graphic : _selectedObjects) {
        if (!graphic->hasValidImage())
            continue;
        const int mask = graphic->image()->isDrawMask() ? 1 : 0;
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
        if (!tile || tile->filePath().isEmpty())
            return true;
        clearSelection();
        const QString path = tile->filePath();
        setupNewNSImagePath(path);
        if (!isWebAddress(path) && !rects.isEmpty()) {
            const GraphicPtr last = rects.last();
            last->setFixRatio(true);
            selectRectUndo(last);
        }
        return true;
    }
    if (data->hasUrls()) {
        const QList<QUrl> urls = data->urls();
        const QString file = urls.isEmpty() ? QString() : urls.first().toLocalFile();
        if (file.isEmpty())
            return true;
        if (isImageFile(file)) {
            const GraphicPtr graphic = createObjectOfClassCentered(QStringLiteral("ColorRect"), file, pagePoint);
            if (graphic) {
                graphic->setFixRatio(true);
                selectRectUndo(graphic);
            }
        } else if (openDocumentHandler) {
            openDocumentHandler(file);
        } else {
            open(file);
        }
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
        registerUndo([this, old] { setBkgrdImagePath(old); });
        {
            // The inverse above restores the path; the object's own undo would be a second one.
            m_undoManager.disableUndoRegistration();
            background->setImagePath(path);
            m_undoManager.enableUndoRegistration();
        }
        invalidateGraphic(background.get());
    } else {
        if (path.isEmpty()) {
            wasChanged(true);
            return;
        }
        const TLabel &label = getLabel();
        const QRectF frame(0, 0, double(label.width) * 72.0, double(label.height) * 72.0);
        auto background = ColorRect::create(frame);
        background->setStrokeLineWidth(0.0f);
        background->setDrawsStrokeOnly(true);
        background->setStrokeColor(Qt::black);
        background->setFillColor(Qt::white);
        background->setScaleWithBoxOnly(true);
        background->setImageFromPath(path);
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
    const QString path = Prompts::current().openFile(
        this, Language::stringForKey(QStringLiteral("Select Background Image File")), QString(),
        {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("tif"),
         QStringLiteral("tiff"), QStringLiteral("gif"), QStringLiteral("bmp"), QStringLiteral("pdf"),
         QStringLiteral("svg")});
    if (!path.isEmpty())
        setBkgrdImagePath(path);
    wasChanged(true);
    update();
}

void RectsView::drawPageBackground(QPainter *painter)
{
    const auto image = getBackgroundImageForPage(getCurrPageName());
    if (!image || !image->isValid())
        return;
    const TLabel &label = getLabel();
    const QRectF rect(0, 0, double(label.width) * 72.0, double(label.height) * 72.0);
    const BezierPath clip = getLabelClipPath();
    image->drawProp(painter, rect, &clip);
}

} // namespace quillmark
