#pragma once
// One tile of a thumbnail browser: a card with the picture fitted inside and the file's name
// below it. A click hands the picture to the canvas, a drag carries it there, and a tile of
// the user's own images can be deleted through its small box in the top-right corner.
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>

class QFontMetricsF;

namespace quillmark {

class RectsView;
class ScrollNSImageView;

class listImageViewItem : public QWidget
{
    Q_OBJECT
public:
    explicit listImageViewItem(QWidget *parent = nullptr);

    void setController(RectsView *controller) { mController = controller; }
    RectsView *controller() const { return mController; }
    void setSuperview(ScrollNSImageView *browser) { _superView = browser; }
    ScrollNSImageView *browser() const { return _superView; }

    void setImage(const QImage &image);
    QImage image() const { return mImage; }
    void setPath(const QString &path) { _path = path; }
    QString filePath() const { return _path; }

    bool canDelete() const { return _canDelete; }
    void setCanDelete(bool flag);
    bool isSelected() const { return _selected; }
    virtual void setSelected(bool flag);
    bool drawTitle() const { return _drawTitle; }
    void setDrawTitle(bool flag) { _drawTitle = flag; }

    // The delete box in tile coordinates.
    QRectF deleteRect() const;
    // The picture's box fitted inside the image area of a tile of the given size.
    static QRectF fittedImageRect(const QSizeF &imageSize, const QSizeF &tileSize);
    // The title shortened with ".." a character at a time until it fits `width`.
    static QString shortenedTitle(const QString &title, const QFontMetricsF &metrics, double width);
    // The title the tile shows: the file's name without extension, or with it when another
    // tile of the browser would show the same title (t.png and t.jpg).
    QString title() const;
    void setTitleWithExtension(bool flag);
    // The height of the strip under the card that holds the title.
    static double titleStripHeight();

    // Renames the tile's file within its folder (the extension kept, a taken name getting a
    // counter). An empty name, one with a path separator or an unchanged one is refused and
    // changes nothing; answers whether the file moved.
    bool renameTo(const QString &newName);

    // Asks for confirmation through Prompts and deletes the file; answers YES when deleted.
    bool confirmAndDelete();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void drawCard(QPainter *painter);
    void drawDeleteRect(QPainter *painter);
    void startDrag();

    RectsView *mController = nullptr;
    ScrollNSImageView *_superView = nullptr;
    QImage mImage;
    QString _path;
    bool _canDelete = false;
    bool _selected = false;
    bool _drawTitle = true;
    bool _titleWithExtension = false;
    bool _deleteEntered = false;
    bool _alertOpen = false;
    bool _pressed = false;
    // Set by the second press of a double click: its release gives the canvas nothing more.
    bool _repeatClick = false;
    QPointF _pressPoint;
};

// A tile of the mask browser: not selected or dragged; a click gives its mask to the canvas.
// Drawn at half opacity while its browser is disabled.
class listMaskViewItem : public listImageViewItem
{
    Q_OBJECT
public:
    using listImageViewItem::listImageViewItem;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace quillmark
