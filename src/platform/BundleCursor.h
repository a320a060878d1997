#pragma once
// Pointers and tool images made from images of the bundle (SVG drawings or bitmaps), sharp at
// the screen's pixel ratio.
#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QPoint>
#include <QString>

namespace quillmark {

class BundleCursor
{
public:
    BundleCursor() = delete;

    // The named image as a pointer whose hot spot lies at `hotSpot` in the image's own
    // pixels; the fallback shape when the bundle has no such image.
    static QCursor named(const QString &imageName, const QPoint &hotSpot, Qt::CursorShape fallback);
    // The same with the hot spot at the image's centre.
    static QCursor centred(const QString &imageName, Qt::CursorShape fallback);
    // The named image at its own size times `ratio`, the ratio kept on the pixmap; null when
    // the bundle has no such image.
    static QPixmap pixmap(const QString &imageName, qreal ratio = 0.0);
    // The named image as an icon, drawn anew at every size asked; null when missing.
    static QIcon icon(const QString &imageName);
};

} // namespace quillmark
