#include "images/ScrollNSImageView.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QThreadPool>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>

#include <cmath>

#include "canvas/TemplateFile.h"
#include "foundation/Language.h"
#include "images/ImageSources.h"
#include "images/listImageViewItem.h"
#include "images/listTmplViewItem.h"
#include "objects/ImageProbe.h"
#include "platform/Bundle.h"
#include "platform/GuardedReader.h"

namespace quillmark {

namespace {

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
    , m_loader(new ThumbnailLoader(this))
    , m_relayout(new QTimer(this))
    , m_priority(new QTimer(this))
{
    setAcceptDrops(true);
    setAutoFillBackground(true);
    m_relayout->setSingleShot(true);
    m_relayout->setInterval(30);
    connect(m_relayout, &QTimer::timeout, this, [this] { update(false); });
    m_priority->setSingleShot(true);
    m_priority->setInterval(40);
    connect(m_priority, &QTimer::timeout, this, [this] { prioritizeVisibleTiles(); });
    connect(m_loader, &ThumbnailLoader::thumbnailReady, this, &ScrollNSImageView::thumbnailArrived);
    connect(m_loader, &ThumbnailLoader::busyChanged, this, [this](bool busy) {
        if (loadingChanged)
            loadingChanged(busy);
    });
}

QImage ScrollNSImageView::thumbnail(const QString &path, const QSize &box)
{
    if (path.isEmpty() || box.isEmpty())
        return {};
    const QString key = ThumbnailLoader::cacheKey(QFileInfo(path), box);
    if (const std::optional<QImage> cached = ThumbnailLoader::cached(key))
        return *cached;
    const QImage image = ImageProbe::thumbnail(path, box);
    ThumbnailLoader::insert(key, image);
    return image;
}

void ScrollNSImageView::clearThumbnailCache()
{
    ThumbnailLoader::clearCache();
}

QSize ScrollNSImageView::thumbnailBox() const
{
    const double ratio = std::max(1.0, devicePixelRatioF());
    return QSize(int(std::ceil(_width * ratio)), int(std::ceil(_height * ratio)));
}

bool ScrollNSImageView::isLoading() const
{
    return m_loader->isBusy();
}

bool ScrollNSImageView::waitForThumbnails(int msecs)
{
    const QDeadlineTimer deadline(msecs);
    while (m_loader->isBusy() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::sendPostedEvents();
    return !m_loader->isBusy();
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
    // Titles that two tiles would share keep their extensions, so that each tile says which
    // file it is.
    QHash<QString, int> titles;
    for (int i = 0; i < count; ++i)
        ++titles[QFileInfo(m_tiles[i]->filePath()).completeBaseName()];
    for (int i = 0; i < count; ++i)
        m_tiles[i]->setTitleWithExtension(titles.value(QFileInfo(m_tiles[i]->filePath()).completeBaseName()) > 1);
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
    m_loader->cancel();
    m_waiting.clear();
    m_dataDone.clear();
    ++m_contentsGeneration;
    // The height the last tiles needed no longer holds the empty browser open.
    setMinimumHeight(0);
    m_selectedItem = nullptr;
    const QList<listImageViewItem *> tiles = m_tiles;
    m_tiles.clear();
    for (listImageViewItem *tile : tiles) {
        tile->hide();
        tile->deleteLater();
    }
}

void ScrollNSImageView::takeOutTile(listImageViewItem *tile)
{
    for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it) {
        if (it.value() == tile) {
            m_dataDone.remove(it.key());
            m_waiting.erase(it);
            break;
        }
    }
    m_tiles.removeOne(tile);
    if (m_selectedItem == tile)
        m_selectedItem = nullptr;
    tile->hide();
    tile->deleteLater();
}

void ScrollNSImageView::removeTile(listImageViewItem *tile)
{
    if (!m_tiles.contains(tile))
        return;
    takeOutTile(tile);
    update(false);
}

listImageViewItem *ScrollNSImageView::addImage(const QString &path)
{
    const QImage image = thumbnail(path, thumbnailBox());
    if (image.isNull())
        return nullptr;
    return addImageView(TileKind::Image, image, path);
}

listImageViewItem *ScrollNSImageView::makeTile(TileKind kind)
{
    switch (kind) {
    case TileKind::Mask:
        return new listMaskViewItem(this);
    case TileKind::Template:
        return new listTmplViewItem(this);
    case TileKind::Image:
        break;
    }
    return new listImageViewItem(this);
}

listImageViewItem *ScrollNSImageView::addImageView(TileKind kind, const QImage &image, const QString &path)
{
    if (image.isNull())
        return nullptr;
    listImageViewItem *tile = makeTile(kind);
    tile->setGeometry(0, 0, _width, _height);
    tile->setImage(image);
    tile->setPath(path);
    tile->setController(mController);
    tile->setSuperview(this);
    tile->show();
    m_tiles.append(tile);
    return tile;
}

listImageViewItem *ScrollNSImageView::addPlaceholderTile(const QString &path)
{
    auto *tile = new listImageViewItem(this);
    tile->setGeometry(0, 0, _width, _height);
    tile->setPath(path);
    tile->setController(mController);
    tile->setSuperview(this);
    tile->show();
    m_tiles.append(tile);
    return tile;
}

void ScrollNSImageView::loadTileData(listImageViewItem *tile, const QByteArray &bytes,
                                     std::function<void(bool)> done)
{
    if (!m_tiles.contains(tile)) {
        if (done)
            done(false);
        return;
    }
    if (bytes.isEmpty()) {
        takeOutTile(tile);
        m_relayout->start();
        if (done)
            done(false);
        return;
    }
    followScrolling();
    const quint64 id = m_nextJob++;
    m_waiting.insert(id, tile);
    if (done)
        m_dataDone.insert(id, std::move(done));
    m_loader->add({{id, QString(), thumbnailBox(), QString(), false, bytes}});
}

void ScrollNSImageView::addPendingTile(const QString &path, const QFileInfo &source, bool deletable,
                                       QList<ThumbnailLoader::Job> *jobs, TileKind kind)
{
    const QSize box = thumbnailBox();
    const QString key = ThumbnailLoader::cacheKey(source, box);
    const std::optional<QImage> cached = ThumbnailLoader::cached(key);
    if (cached && cached->isNull())
        return;
    listImageViewItem *tile = makeTile(kind);
    tile->setGeometry(0, 0, _width, _height);
    tile->setPath(path);
    tile->setController(mController);
    tile->setSuperview(this);
    tile->setCanDelete(deletable);
    if (cached) {
        tile->setImage(*cached);
    } else {
        const quint64 id = m_nextJob++;
        m_waiting.insert(id, tile);
        jobs->append({id, source.absoluteFilePath(), box, key, kind == TileKind::Template, QByteArray()});
    }
    tile->show();
    m_tiles.append(tile);
}

void ScrollNSImageView::startLoading(const QList<ThumbnailLoader::Job> &jobs)
{
    followScrolling();
    if (jobs.isEmpty())
        m_loader->cancel();
    else
        m_loader->start(jobs);
}

void ScrollNSImageView::thumbnailArrived(quint64 id, const QImage &image)
{
    listImageViewItem *tile = m_waiting.take(id);
    const std::function<void(bool)> done = m_dataDone.take(id);
    if (!tile)
        return;
    if (!image.isNull()) {
        tile->setImage(image);
    } else {
        takeOutTile(tile);
        m_relayout->start();
    }
    if (done)
        done(!image.isNull());
}

void ScrollNSImageView::followScrolling()
{
    if (m_followsScrolling)
        return;
    for (QWidget *ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        if (auto *scroll = qobject_cast<QScrollArea *>(ancestor)) {
            connect(scroll->verticalScrollBar(), &QScrollBar::valueChanged, m_priority,
                    qOverload<>(&QTimer::start));
            m_followsScrolling = true;
            return;
        }
    }
}

void ScrollNSImageView::prioritizeVisibleTiles()
{
    if (m_waiting.isEmpty())
        return;
    const QRect shown = visibleRegion().boundingRect();
    QList<quint64> ids;
    for (auto it = m_waiting.cbegin(); it != m_waiting.cend(); ++it) {
        if (it.value()->geometry().intersects(shown))
            ids.append(it.key());
    }
    m_loader->prioritize(ids);
}

bool ScrollNSImageView::loadFolder(const QString &folder, bool deletable)
{
    const QDir dir(folder);
    // One level; hidden files are left out. The listing is only looked at here: every file
    // is opened by a worker, and only when it is a regular file.
    if (!dir.exists() || dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
        return false;
    clear();
    QList<ThumbnailLoader::Job> jobs;
    // Files only: folders, and FIFOs, devices and sockets (not listed without QDir::System),
    // never get a tile.
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &file : files)
        addPendingTile(file.absoluteFilePath(), file, deletable, &jobs);
    update(true);
    startLoading(jobs);
    return true;
}

bool ScrollNSImageView::loadAllItemsListPath(const QString &folder)
{
    return loadFolder(folder, false);
}

bool ScrollNSImageView::loadUserImagesArray(const QString &folder)
{
    return loadFolder(folder, true);
}

void ScrollNSImageView::loadPhotoLibrary(const QList<iPhoto> &photos)
{
    clear();
    QList<ThumbnailLoader::Job> jobs;
    for (const iPhoto &photo : photos) {
        const QString source = photo.thumbPath().isEmpty() ? photo.photoPath() : photo.thumbPath();
        if (!source.isEmpty())
            addPendingTile(photo.photoPath(), QFileInfo(source), false, &jobs);
    }
    update(true);
    startLoading(jobs);
}

void ScrollNSImageView::loadAllItemsListResource()
{
    clear();
    const QStringList names = ImageSources::maskNames();
    for (int i = 0; i < names.size(); ++i) {
        const QString file = Bundle::pathForImageNamed(names[i]);
        const QImage image = thumbnail(file, thumbnailBox());
        listImageViewItem *tile = addImageView(TileKind::Mask, image, names[i]);
        if (tile)
            tile->setDrawTitle(ImageSources::showsMaskTitle(i));
    }
    update(true);
}

void ScrollNSImageView::loadAllITemplatesPath(const QString &folder)
{
    if (!_filePath.isNull() && _filePath == folder)
        return;
    _filePath = folder;
    clear();
    QList<ThumbnailLoader::Job> jobs;
    const QDir dir(folder);
    // Hidden files are left out, as are folders, FIFOs and devices named like templates.
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &file : files)
        if (file.suffix() == QLatin1String(TemplateFile::Extension))
            addPendingTile(file.absoluteFilePath(), file, false, &jobs, TileKind::Template);
    startLoading(jobs);
}

listImageViewItem *ScrollNSImageView::addTemplate(const QString &path)
{
    const QImage image = TemplateFile::previewOfFile(path, thumbnailBox());
    return addImageView(TileKind::Template, image, path);
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
    if (itemSizeChanged)
        itemSizeChanged(size);
}

void ScrollNSImageView::showSizeMenu(const QPoint &globalPosition)
{
    if (m_tiles.isEmpty() || !qobject_cast<listTmplViewItem *>(m_tiles.first()))
        return;
    const bool small = m_tiles.first()->width() == 90;
    if (!m_sizeMenu) {
        m_sizeMenu = new QMenu(QStringLiteral("Contextual Menu"), this);
        QFont font = m_sizeMenu->font();
        font.setPointSizeF(10.0);
        m_sizeMenu->setFont(font);
        QAction *smaller = m_sizeMenu->addAction(QString());
        smaller->setData(1);
        QAction *larger = m_sizeMenu->addAction(QString());
        larger->setData(2);
        connect(m_sizeMenu, &QMenu::triggered, this, [this](QAction *item) { setItemSize(item->data().toInt()); });
    }
    const QList<QAction *> items = m_sizeMenu->actions();
    items[0]->setText(Language::stringForKey(QStringLiteral("View Small Size")));
    items[0]->setEnabled(!small);
    items[1]->setText(Language::stringForKey(QStringLiteral("View Large Size")));
    items[1]->setEnabled(small);
    m_sizeMenu->popup(globalPosition);
}

void ScrollNSImageView::contextMenuEvent(QContextMenuEvent *event)
{
    showSizeMenu(event->globalPos());
    event->accept();
}

QString ScrollNSImageView::copyPictureInto(const QString &file, const QString &folder)
{
    if (file.isEmpty() || folder.isEmpty())
        return {};
    const QString source = ImageSources::resolveAlias(file);
    const QString destination = ImageSources::copyDestination(folder, QFileInfo(source).fileName());
    if (destination.isEmpty())
        return {};
    // Read through the guarded open, so that a file swapped for a FIFO after the drag cannot
    // block the copy; checked whole to be a picture, written whole or not at all.
    const GuardedReader::Refusal copied = GuardedReader::copy(
        source, destination, ImageProbe::maxFileBytes, [](QIODevice *device) { return ImageProbe::probe(device).accepted(); });
    return copied == GuardedReader::Refusal::None ? destination : QString();
}

void ScrollNSImageView::copyDroppedFile(const QString &file, std::function<void(const QString &)> done)
{
    const QString folder = ImageSources::userImagePath();
    if (file.isEmpty() || folder.isEmpty()) {
        if (done)
            done({});
        return;
    }
    const QPointer<ScrollNSImageView> self(this);
    QThreadPool::globalInstance()->start([self, file, folder, done = std::move(done)] {
        const QString destination = copyPictureInto(file, folder);
        QMetaObject::invokeMethod(qApp, [self, destination, done] {
            if (!self)
                return;
            if (!destination.isEmpty() && self->userImagesChanged)
                self->userImagesChanged();
            if (done)
                done(destination);
        }, Qt::QueuedConnection);
    });
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
