#pragma once
// The photo well of the record form: shows the picture of a photo field, takes an image file
// dropped on it or chosen from its context menu (Add, Replace, Remove Photo), and holds the
// bytes the record stores: a TIFF with JPEG compression of at most 200 on its longer side.
#include <QByteArray>
#include <QImage>
#include <QWidget>

class QMenu;
class QMimeData;

namespace quillmark {

class CImageView : public QWidget
{
    Q_OBJECT
public:
    explicit CImageView(QWidget *parent = nullptr);

    // Null data is "no photo"; empty data is a photo removed by the user (stored as an empty
    // value); data that is no picture is kept and shows nothing.
    void setData(const QByteArray &data);
    QByteArray data() const { return _data; }
    bool hasData() const { return !_data.isNull(); }
    // The picture of the bytes; null when there are none or they are no picture.
    QImage getImage() const { return _image; }

    // Loads a picture file into the well, brought to the stored size. The file is opened,
    // checked and decoded on a worker, as every picture file is: a FIFO or a device is refused
    // at once, and a large photo never holds up the window. A file that gives no picture
    // changes nothing and is said, with the reason; only the newest choice is taken.
    void setImagePath(const QString &path);
    // Whether a file given to setImagePath() is still being read.
    bool isLoading() const { return m_loadsUnderWay > 0; }
    // The file a symbolic link points to; any other path as it is.
    static QString resolveAlias(const QString &path);
    // The image file a drag carries: its first file, resolved; null when that is a folder,
    // not a picture, or there is none.
    static QString imageFileOf(const QMimeData *mime);

    // The open panel for one image file; the chosen file goes into the well.
    void insertPhoto();
    void removePhoto();
    // The context menu as it would pop up now: "Remove Photo" and "Replace Photo" with a
    // picture, "Add Photo" without. Owned by the well until the next one.
    QMenu *contextMenu();

    // A read-only database: the well only shows its picture.
    void setWritable(bool writable);
    bool isWritable() const { return _writable; }

signals:
    // The user put in, replaced or removed the picture.
    void photoChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void photoLoaded(quint64 ticket, const QString &path, const QImage &picture, int refusal);

    QByteArray _data;
    QImage _image;
    QMenu *_menu = nullptr;
    bool _writable = true;
    quint64 m_loadTicket = 0;
    int m_loadsUnderWay = 0;
};

} // namespace quillmark
