#include "database/window/CImageView.h"

#include "database/exchange/PhotoTiff.h"
#include "foundation/Language.h"
#include "platform/Prompts.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace quillmark {

namespace {

QImage pictureOf(const QByteArray &data)
{
    if (data.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    return reader.read();
}

} // namespace

CImageView::CImageView(QWidget *parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
}

void CImageView::setData(const QByteArray &data)
{
    _data = data;
    _image = pictureOf(data);
    update();
}

QString CImageView::resolveAlias(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? path : target;
}

QString CImageView::imageFileOf(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return {};
    const QString path = resolveAlias(urls.first().toLocalFile());
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    QImageReader reader(path);
    return reader.canRead() ? path : QString();
}

bool CImageView::setImagePath(const QString &path)
{
    QImageReader reader(resolveAlias(path));
    reader.setAutoTransform(true);
    // A large photo is decoded at the stored size where the format allows it.
    const QSize size = reader.size();
    if (size.isValid()) {
        const QSize stored = PhotoTiff::storedSize(size);
        if (stored != size)
            reader.setScaledSize(stored);
    }
    QImage image = reader.read();
    if (image.isNull()) {
        qWarning("photo %s: %s", qPrintable(path), qPrintable(reader.errorString()));
        return false;
    }
    image = PhotoTiff::scaledForStorage(image);
    QString error;
    const QByteArray bytes = PhotoTiff::encode(image, &error);
    if (bytes.isEmpty()) {
        qWarning("photo %s: %s", qPrintable(path), qPrintable(error));
        return false;
    }
    setData(bytes);
    emit photoChanged();
    return true;
}

void CImageView::takeUserFile(const QString &path)
{
    if (path.isEmpty() || setImagePath(path))
        return;
    Prompts::current().alert(window(),
                             translated(QStringLiteral("The picture \u201c%@\u201d cannot be read."))
                                 .replace(QStringLiteral("%@"), QFileInfo(path).fileName()),
                             QString(), {translated(QStringLiteral("OK"))});
}

void CImageView::insertPhoto()
{
    if (!_writable)
        return;
    QStringList extensions;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        extensions.append(QString::fromLatin1(format).toLower());
    const QString path = Prompts::current().openFile(window(), translated(QStringLiteral("Please Choose an Image File")),
                                                     QString(), extensions);
    takeUserFile(path);
}

void CImageView::removePhoto()
{
    if (!_writable)
        return;
    // Empty, not null: the record keeps an empty photo rather than none at all.
    setData(QByteArray("", 0));
    emit photoChanged();
}

QMenu *CImageView::contextMenu()
{
    delete _menu;
    _menu = new QMenu(this);
    if (!_data.isEmpty()) {
        _menu->addAction(translated(QStringLiteral("Remove Photo")), this, &CImageView::removePhoto);
        _menu->addAction(translated(QStringLiteral("Replace Photo")), this, &CImageView::insertPhoto);
    } else {
        _menu->addAction(translated(QStringLiteral("Add Photo")), this, &CImageView::insertPhoto);
    }
    return _menu;
}

void CImageView::setWritable(bool writable)
{
    _writable = writable;
}

void CImageView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!_writable)
        return;
    contextMenu()->popup(event->globalPos());
    event->accept();
}

void CImageView::dragEnterEvent(QDragEnterEvent *event)
{
    if (_writable && !imageFileOf(event->mimeData()).isEmpty()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    event->ignore();
}

void CImageView::dragMoveEvent(QDragMoveEvent *event)
{
    if (_writable && !imageFileOf(event->mimeData()).isEmpty()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    event->ignore();
}

void CImageView::dropEvent(QDropEvent *event)
{
    const QString path = _writable ? imageFileOf(event->mimeData()) : QString();
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // Taken once the drag has ended: saying that the file is no picture, or writing the
    // record, must not run inside the drag.
    QMetaObject::invokeMethod(this, [this, path] { takeUserFile(path); }, Qt::QueuedConnection);
}

void CImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF bounds = QRectF(rect());
    painter.fillRect(bounds, palette().button());
    painter.setPen(QPen(palette().buttonText().color(), 0.5));
    painter.drawRect(bounds.adjusted(0.25, 0.25, -0.25, -0.25));
    if (_image.isNull())
        return;
    // The largest rectangle of the picture's proportions inside the frame, centred.
    const QRectF frame = bounds.adjusted(3, 3, -3, -3);
    QSizeF size = QSizeF(_image.size()).scaled(frame.size(), Qt::KeepAspectRatio);
    const QRectF target(frame.center() - QPointF(size.width() / 2, size.height() / 2), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, _image);
}

} // namespace quillmark
