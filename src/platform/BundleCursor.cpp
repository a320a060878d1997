#include "platform/BundleCursor.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

#include <cmath>

#include "platform/Bundle.h"

namespace quillmark {

namespace {

qreal screenRatio()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? std::max<qreal>(1.0, screen->devicePixelRatio()) : 1.0;
}

bool isSvg(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0;
}

// The image's own size in pixels (the SVG's width and height). Every path here is one of the
// program's resources, found by its name in their index.
QSize naturalSize(const QString &path)
{
    if (isSvg(path)) {
        // own file: a cursor or icon picture among the program's resources.
        QSvgRenderer renderer(path);
        return renderer.isValid() ? renderer.defaultSize() : QSize();
    }
    // own file: a cursor or icon picture among the program's resources.
    return QImageReader(path).size();
}

} // namespace

QPixmap BundleCursor::pixmap(const QString &imageName, qreal ratio)
{
    if (!(ratio > 0.0) || !std::isfinite(ratio))
        ratio = screenRatio();
    // Images, not pixmaps, are kept: a pixmap must not outlive the application.
    const QString key = imageName + QLatin1Char('@') + QString::number(ratio);
    static QHash<QString, QImage> cache;
    if (const auto found = cache.constFind(key); found != cache.constEnd()) {
        QPixmap kept = QPixmap::fromImage(*found);
        kept.setDevicePixelRatio(ratio);
        return kept;
    }

    QImage made;
    const QString path = Bundle::pathForImageNamed(imageName);
    const QSize size = path.isEmpty() ? QSize() : naturalSize(path);
    if (!size.isEmpty() && size.width() <= 256 && size.height() <= 256) {
        QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            const QRectF target(QPointF(0, 0), QSizeF(image.size()));
            if (isSvg(path)) {
                // own file: a cursor or icon picture among the program's resources.
                QSvgRenderer(path).render(&painter, target);
            } else {
                // own file: a cursor or icon picture among the program's resources.
                painter.drawImage(target, QImageReader(path).read());
            }
        }
        made = image;
    }
    cache.insert(key, made);
    QPixmap result = QPixmap::fromImage(made);
    result.setDevicePixelRatio(ratio);
    return result;
}

QCursor BundleCursor::named(const QString &imageName, const QPoint &hotSpot, Qt::CursorShape fallback)
{
    const QPixmap image = pixmap(imageName);
    if (image.isNull())
        return QCursor(fallback);
    return QCursor(image, hotSpot.x(), hotSpot.y());
}

QCursor BundleCursor::centred(const QString &imageName, Qt::CursorShape fallback)
{
    const QPixmap image = pixmap(imageName);
    if (image.isNull())
        return QCursor(fallback);
    const QSizeF size = image.deviceIndependentSize();
    return QCursor(image, int(size.width() / 2.0), int(size.height() / 2.0));
}

QIcon BundleCursor::icon(const QString &imageName)
{
    const QString path = Bundle::pathForImageNamed(imageName);
    if (path.isEmpty())
        return QIcon();
    if (isSvg(path))
        return QIcon(path); // own file: an icon picture among the program's resources.
    // own file: an icon picture among the program's resources.
    return QIcon(QPixmap::fromImage(QImageReader(path).read()));
}

} // namespace quillmark
