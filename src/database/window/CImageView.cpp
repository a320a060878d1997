#include "database/window/CImageView.h"

#include "database/exchange/PhotoTiff.h"
#include "foundation/Language.h"
#include "objects/ImageProbe.h"
#include "platform/Prompts.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>
#include <QUrl>

#include <cmath>

namespace quillmark {

namespace {

// The picture of a file at the size the well stores, or null with the reason. Runs on a
// worker: the file is read through the guarded reader and decoded no larger than it is kept.
QImage photoOfFile(const QString &path, ImageProbe::Refusal *refusal)
{
    std::unique_ptr<QFile> file = ImageProbe::openRegularFile(path, refusal);
    if (!file)
        return {};
    const ImageProbe::Result probed = ImageProbe::probe(file.get());
    if (!probed.accepted()) {
        *refusal = probed.refusal;
        return {};
    }
    QImage picture;
    switch (probed.format) {
    case ImageProbe::Format::None:
        break;
    case ImageProbe::Format::Raster:
    case ImageProbe::Format::Jpeg2000: {
        const QSize stored = probed.size.toSize();
        picture = ImageProbe::decodeBitmap(file.get(), probed,
                                           stored.isValid() ? PhotoTiff::storedSize(stored) : QSize(PhotoTiff::MaximumSide,
                                                                                                   PhotoTiff::MaximumSide));
        break;
    }
    case ImageProbe::Format::Svg:
    case ImageProbe::Format::Pdf: {
        const QSize own(std::max(1, int(std::ceil(probed.size.width()))), std::max(1, int(std::ceil(probed.size.height()))));
        const QSize size = PhotoTiff::storedSize(own);
        picture = probed.format == ImageProbe::Format::Svg ? ImageProbe::renderSvg(probed.data, size)
                                                           : ImageProbe::renderPdf(probed.data, size);
        break;
    }
    }
    if (picture.isNull())
        *refusal = ImageProbe::Refusal::NotAnImage;
    return picture;
}

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
    return ImageProbe::recognisesFile(path) ? path : QString();
}

void CImageView::setImagePath(const QString &path)
{
    if (path.isEmpty())
        return;
    const quint64 ticket = ++m_loadTicket;
    ++m_loadsUnderWay;
    QPointer<CImageView> self(this);
    const QString file = resolveAlias(path);
    QThreadPool::globalInstance()->start([self, path, file, ticket] {
        ImageProbe::Refusal refusal = ImageProbe::Refusal::None;
        const QImage picture = photoOfFile(file, &refusal);
        QMetaObject::invokeMethod(qApp, [self, path, ticket, picture, refusal] {
            if (self)
                self->photoLoaded(ticket, path, picture, int(refusal));
        }, Qt::QueuedConnection);
    });
}

void CImageView::photoLoaded(quint64 ticket, const QString &path, const QImage &picture, int refusal)
{
    --m_loadsUnderWay;
    if (ticket != m_loadTicket)
        return;
    const QString name = QFileInfo(path).fileName();
    if (picture.isNull()) {
        Prompts::current().alert(window(), ImageProbe::message(ImageProbe::Refusal(refusal)), name, {});
        return;
    }
    QString error;
    const QByteArray bytes = PhotoTiff::encode(PhotoTiff::scaledForStorage(picture), &error);
    if (bytes.isEmpty()) {
        Prompts::current().alert(window(),
                                 translated(QStringLiteral("The picture \u201c%@\u201d cannot be read."))
                                     .replace(QStringLiteral("%@"), name),
                                 error, {translated(QStringLiteral("OK"))});
        return;
    }
    setData(bytes);
    emit photoChanged();
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
    setImagePath(path);
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
    QMetaObject::invokeMethod(this, [this, path] { setImagePath(path); }, Qt::QueuedConnection);
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
