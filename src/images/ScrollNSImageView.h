#pragma once
// A scrolling grid of thumbnail tiles: the image browser, the mask browser and the template
// browser of the main window. It fills itself from a folder, a photo library, the bundle's
// masks or a folder of design templates, lays its tiles out in rows from the top left, keeps
// the selected tile and copies image files dropped on it into the user's image folder.
//
// A folder or library shows a tile for each of its files at once; the thumbnails are decoded
// on worker threads and fill the tiles as they arrive, those on screen first. A file that
// turns out to be no picture loses its tile. Choosing another source drops the rest of the
// running load.
#include <QHash>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>

#include "images/ThumbnailLoader.h"
#include "images/iPhoto.h"

class QFileInfo;
class QMenu;
class QTimer;

namespace quillmark {

class RectsView;
class listImageViewItem;

class ScrollNSImageView : public QWidget
{
    Q_OBJECT
public:
    enum class TileKind { Image, Mask, Template };

    explicit ScrollNSImageView(QWidget *parent = nullptr);

    void setController(RectsView *controller) { mController = controller; }
    RectsView *controller() const { return mController; }

    int getW() const { return _width; }
    int getH() const { return _height; }
    void setW(int width) { _width = width; }
    void setH(int height) { _height = height; }
    // 90 for tag 1 (small), 160 otherwise; every tile takes the size, then update(YES).
    void setItemSize(int tag);
    // Raised with the new size after the size menu changed it.
    std::function<void(int size)> itemSizeChanged;
    // The size menu of a browser of template tiles ("View Small Size", "View Large Size"),
    // made by a right click; null before the first one and in other browsers.
    QMenu *sizeMenu() const { return m_sizeMenu; }
    // Pops the size menu up at a global position; nothing unless the first tile is a
    // template tile.
    void showSizeMenu(const QPoint &globalPosition);

    bool isBrowserEnabled() const { return _enabled; }
    void setBrowserEnabled(bool flag);

    // The grid layout; with onlyIfResized nothing happens while the width is unchanged.
    void recalcImageList(bool onlyIfResized);
    // Lays out, scrolls to the top when asked and redraws.
    void update(bool scrollToTop);
    int getCount() const { return int(m_tiles.size()); }
    const QList<listImageViewItem *> &tiles() const { return m_tiles; }
    void clear();
    // Takes one tile out of the browser (its file was deleted).
    void removeTile(listImageViewItem *tile);

    // A tile for an image file, its thumbnail decoded before this returns; a file that does
    // not read as an image gives none.
    listImageViewItem *addImage(const QString &path);
    // A tile of the given kind with a thumbnail already made.
    listImageViewItem *addImageView(TileKind kind, const QImage &image, const QString &path);

    // Sources. A folder that cannot be listed or is empty leaves the browser as it was.
    bool loadAllItemsListPath(const QString &folder);
    bool loadUserImagesArray(const QString &folder);
    void loadAllItemsListResource();
    // The design templates ("vrxtemp" files) of a folder, each tile showing the template's
    // stored preview, read on the worker threads. Nothing happens when the folder is the one
    // shown (the tiles and their selection stay); otherwise the browser is emptied first,
    // also when the folder is empty or cannot be listed. The caller lays out (update).
    void loadAllITemplatesPath(const QString &folder);
    // One template tile, its preview read before this returns; none when the file has no
    // preview that reads as a picture.
    listImageViewItem *addTemplate(const QString &path);
    // The template folder shown; null forgets it, so that the next load reads it again.
    void setPath(const QString &folder) { _filePath = folder; }
    QString path() const { return _filePath; }
    // The pictures of a photo library: each tile shows the item's thumbnail, or its picture
    // decoded at tile size when the library has no thumbnail, and stands for the picture.
    void loadPhotoLibrary(const QList<iPhoto> &photos);

    // Pictures that arrive over time from elsewhere (the web search). A placeholder is an
    // empty tile standing for `path`, appended without a layout. loadTileData decodes the
    // downloaded bytes for it on a worker, through the same acceptance check as files: the
    // tile is filled, or taken out when the bytes are no picture, and `done` says which. A
    // browser emptied meanwhile drops both the result and `done`.
    listImageViewItem *addPlaceholderTile(const QString &path);
    void loadTileData(listImageViewItem *tile, const QByteArray &bytes, std::function<void(bool shown)> done);
    // Counts the times the browser was emptied, so that a caller adding tiles over time knows
    // whether the browser still shows its source.
    quint64 contentsGeneration() const { return m_contentsGeneration; }

    // Whether thumbnails are still being decoded for the current source.
    bool isLoading() const;
    // Handles events until every thumbnail of the current source has arrived or the time
    // is up; answers whether they all arrived.
    bool waitForThumbnails(int msecs = 60000);
    // The pixel size thumbnails are decoded at: the tile at the screen's pixel ratio.
    QSize thumbnailBox() const;

    listImageViewItem *selectedItem() const { return m_selectedItem; }
    void setSelectedItem(listImageViewItem *tile);

    // Copies a dropped image file into the user's image folder under a free " copy" name, aside:
    // the file is read whole and checked to be a picture there, then `userImagesChanged` is
    // raised; a file refused or not copied changes nothing. `done`, when given, hears the
    // destination (a null string when none) on the window's thread, unless the browser is gone.
    void copyDroppedFile(const QString &file, std::function<void(const QString &)> done = {});
    // The copy itself, on any thread: the destination, or a null string.
    static QString copyPictureInto(const QString &file, const QString &folder);
    // Raised after a file was copied into the user's folder, and after a tile deleted its
    // file: the owner reloads the source.
    std::function<void()> userImagesChanged;
    std::function<void()> sourceChanged;
    // Raised when thumbnails start and stop loading (the pop-up's spinner).
    std::function<void(bool)> loadingChanged;

    // The thumbnail of an image file decoded at no more than `box` (never whole), kept in a
    // shared cache keyed by path, modification time and size. Null when the file is no image.
    static QImage thumbnail(const QString &path, const QSize &box);
    static void clearThumbnailCache();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The height the browser fills at least: its scroll view's viewport.
    double clipHeight() const;
    bool loadFolder(const QString &folder, bool deletable);
    // A tile for a file whose thumbnail is taken from `source`: filled from the cache at
    // once, or left empty and queued. A file known to be no picture gets none.
    void addPendingTile(const QString &path, const QFileInfo &source, bool deletable,
                        QList<ThumbnailLoader::Job> *jobs, TileKind kind = TileKind::Image);
    listImageViewItem *makeTile(TileKind kind);
    void startLoading(const QList<ThumbnailLoader::Job> &jobs);
    void thumbnailArrived(quint64 id, const QImage &image);
    void takeOutTile(listImageViewItem *tile);
    void followScrolling();
    void prioritizeVisibleTiles();

    RectsView *mController = nullptr;
    QRectF savedRect;
    int _height = 90;
    int _width = 90;
    listImageViewItem *m_selectedItem = nullptr;
    bool _enabled = true;
    QString _filePath;
    QList<listImageViewItem *> m_tiles;
    QMenu *m_sizeMenu = nullptr;

    ThumbnailLoader *m_loader;
    // Tiles still waiting for their thumbnail, by job id.
    QHash<quint64, listImageViewItem *> m_waiting;
    // What to tell once a downloaded picture's tile is filled or dropped, by job id.
    QHash<quint64, std::function<void(bool)>> m_dataDone;
    quint64 m_contentsGeneration = 0;
    quint64 m_nextJob = 1;
    // Tiles that lose their place are laid out again in one pass, not once each.
    QTimer *m_relayout;
    QTimer *m_priority;
    bool m_followsScrolling = false;
};

} // namespace quillmark
