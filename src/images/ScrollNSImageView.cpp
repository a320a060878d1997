#include "images/ScrollNSImageView.h"

#include <QCache>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>

#include "images/ImageSources.h"
#include "images/listImageViewItem.h"
#include "platform/Bundle.h"

namespace quillmark {

namespace {

QCache<QString, QImage> &thumbnailCache()
{
    // Counted in kilobytes of pixels: about 64 MB of thumbnails.
    static QCache<QString, QImage> cache(64 * 1024);
    return cache;
}

QString firstDroppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    return urls.isEmpty() ? QString() : urls.first().toLocalFile();
}

} // namespace

ScrollNSImageView::ScrollNSImageView(QWidget *parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
    setAutoFillBackground(true);
}

QImage ScrollNSImageView::thumbnail(const QString &path, const QSize &box)
{
    if (path.isEmpty() || box.isEmpty())
        return {};
    const QFileInfo info(path);
    const QString key = path + QLatin1Char('\n') + QString::number(info.lastModified().toMSecsSinceEpoch())
        + QLatin1Char('\n') + QString::number(box.width()) + QLatin1Char('x') + QString::number(box.height());
    if (const QImage *cached = thumbnailCache().object(key))
        return *cached;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && !full.isEmpty()) {
        QSize scaled = full;
        if (full.width() > box.width() || full.height() > box.height())
            scaled = full.scaled(box, Qt::KeepAspectRatio);
        reader.setScaledSize(scaled.expandedTo(QSize(1, 1)));
    }
    QImage image = reader.read();
    if (image.isNull())
        return {};
    // Readers that cannot decode at a smaller size still keep the thumbnail small.
    if (image.width() > box.width() || image.height() > box.height())
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const int cost = std::max(1, int(image.sizeInBytes() / 1024));
    thumbnailCache().insert(key, new QImage(image), cost);
    return image;
}

void ScrollNSImageView::clearThumbnailCache()
{
    thumbnailCache().clear();
}

void ScrollNSImageView::setBrowserEnabled(bool flag)
{
    _enabled = flag;
    for (listImageViewItem *tile : m_tiles)
        tile->update();
}

double ScrollNSImageView::clipHeight() const
{
    return parentWidget() ? double(parentWidget()->height()) : 0.0;
}

void ScrollNSImageView::recalcImageList(bool onlyIfResized)
{
    const QRectF frame = geometry();
    if (frame == savedRect && onlyIfResized)
        return;
    savedRect = frame;
    const int count = getCount();
    if (count > 0) {
        const ImageSources::TileLayout layout =
            ImageSources::layoutTiles(savedRect.width(), getW(), getH(), count, clipHeight());
        savedRect.setHeight(layout.height);
        // A resizable scroll area keeps its document at least this tall.
        setMinimumHeight(int(layout.height));
        if (height() != int(layout.height))
            resize(int(savedRect.width()), int(layout.height));
        savedRect = geometry();
        for (int i = 0; i < count; ++i)
            m_tiles[i]->setGeometry(layout.cells[i].toRect());
    }
    if (parentWidget())
        parentWidget()->update();
}

void ScrollNSImageView::update(bool scrollToTop)
{
    recalcImageList(false);
    if (scrollToTop) {
        for (QWidget *ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
            if (auto *scroll = qobject_cast<QScrollArea *>(ancestor)) {
                scroll->verticalScrollBar()->setValue(0);
                break;
            }
        }
    }
    QWidget::update();
}

void ScrollNSImageView::clear()
{
    m_selectedItem = nullptr;
    const QList<listImageViewItem *> tiles = m_tiles;
    m_tiles.clear();
    for (listImageViewItem *tile : tiles) {
        tile->hide();
        tile->deleteLater();
    }
}

void ScrollNSImageView::removeTile(listImageViewItem *tile)
{
    if (!m_tiles.removeOne(tile))
        return;
    if (m_selectedItem == tile)
        m_selectedItem = nullptr;
    tile->hide();
    tile->deleteLater();
    update(false);
}

listImageViewItem *ScrollNSImageView::addImage(const QString &path)
{
    const QImage image = thumbnail(path, QSize(getW(), getH()) * 2);
    if (image.isNull())
        return nullptr;
    return addImageView(TileKind::Image, image, path);
}

listImageViewItem *ScrollNSImageView::addImageView(TileKind kind, const QImage &image, const QString &path)
{
    if (image.isNull())
        return nullptr;
    listImageViewItem *tile = kind == TileKind::Mask ? new listMaskViewItem(this) : new listImageViewItem(this);
    tile->setGeometry(0, 0, _width, _height);
    tile->setImage(image);
    tile->setPath(path);
    tile->setController(mController);
    tile->setSuperview(this);
    tile->show();
    m_tiles.append(tile);
    return tile;
}

bool ScrollNSImageView::loadAllItemsListPath(const QString &folder)
{
    const QDir dir(folder);
    // One level, in the order the file system gives, hidden files left out by the reader.
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    if (!dir.exists() || entries.isEmpty())
        return false;
    clear();
    for (const QString &entry : entries)
        addImage(dir.filePath(entry));
    update(true);
    return true;
}

bool ScrollNSImageView::loadUserImagesArray(const QString &folder)
{
    if (!loadAllItemsListPath(folder))
        return false;
    for (listImageViewItem *tile : m_tiles)
        tile->setCanDelete(true);
    return true;
}

void ScrollNSImageView::loadAllItemsListResource()
{
    clear();
    const QStringList names = ImageSources::maskNames();
    for (int i = 0; i < names.size(); ++i) {
        const QString file = Bundle::pathForImageNamed(names[i]);
        const QImage image = thumbnail(file, QSize(getW(), getH()) * 2);
        listImageViewItem *tile = addImageView(TileKind::Mask, image, names[i]);
        if (tile)
            tile->setDrawTitle(ImageSources::showsMaskTitle(i));
    }
    update(true);
}

void ScrollNSImageView::setSelectedItem(listImageViewItem *tile)
{
    m_selectedItem = tile;
    for (listImageViewItem *each : m_tiles)
        each->setSelected(each == tile);
}

void ScrollNSImageView::setItemSize(int tag)
{
    const int size = tag == 1 ? 90 : 160;
    setW(size);
    setH(size);
    for (listImageViewItem *tile : m_tiles)
        tile->resize(size, size);
    update(true);
}

QString ScrollNSImageView::copyDroppedFile(const QString &file)
{
    if (!ImageSources::acceptsDroppedFile(file))
        return {};
    const QString folder = ImageSources::userImagePath();
    if (folder.isEmpty())
        return {};
    const QString source = ImageSources::resolveAlias(file);
    const QString destination = ImageSources::copyDestination(folder, QFileInfo(source).fileName());
    if (destination.isEmpty() || !QFile::copy(source, destination))
        return {};
    if (userImagesChanged)
        userImagesChanged();
    return destination;
}

void ScrollNSImageView::mousePressEvent(QMouseEvent *event)
{
    setSelectedItem(nullptr);
    QWidget::mousePressEvent(event);
}

void ScrollNSImageView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    recalcImageList(true);
}

void ScrollNSImageView::wheelEvent(QWheelEvent *event)
{
    if (_enabled)
        QWidget::wheelEvent(event);
    else
        event->accept();
}

void ScrollNSImageView::dragEnterEvent(QDragEnterEvent *event)
{
    if (ImageSources::acceptsDroppedFile(firstDroppedFile(event->mimeData()))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ScrollNSImageView::dragMoveEvent(QDragMoveEvent *event)
{
    if (ImageSources::acceptsDroppedFile(firstDroppedFile(event->mimeData()))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ScrollNSImageView::dropEvent(QDropEvent *event)
{
    copyDroppedFile(firstDroppedFile(event->mimeData()));
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace quillmark
