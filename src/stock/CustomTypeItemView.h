#pragma once
// One tile of the shape palette: the shape drawn to fit the tile with its name below it. A
// drag from the tile carries the shape's type name under "DesignedElementDragType" to the
// custom sheet.
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/PaintedTexts.h"
#include "stock/TLabelT.h"

class QDrag;
class QMimeData;

namespace quillmark {

class CustomTypeItemView : public QWidget, public PaintedTexts
{
    Q_OBJECT
public:
    // The pasteboard type of a palette shape; its data is the shape's type name.
    static QString dragType() { return QStringLiteral("DesignedElementDragType"); }

    explicit CustomTypeItemView(QWidget *parent = nullptr);

    // The tile's shape (none clears it); its type becomes the tool tip.
    void setDesignElement(const std::optional<TLabelT> &shape);
    const std::optional<TLabelT> &designElement() const { return tlabelt; }

    // The drag's data: the type name under the drag type.
    QMimeData *dragData() const;
    // The drag image, made at the first press on the tile and kept: the shape in the colour
    // of a selected shape of the sheet, on white.
    const QImage &dragImage() const { return mImage; }

    // Runs a drag the tile has set up; QDrag::exec unless replaced (tests deliver the drop
    // themselves, since a real drag waits for the mouse).
    static std::function<Qt::DropAction(QDrag *)> &dragRunner();

    // The shape's name below its drawing.
    QList<PaintedText> paintedTexts() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void drawTitle(QPainter *painter, const PaintedText &title);
    // The shape fitted into the rectangle's size, moved by `shift` after scaling.
    void drawLabelInRect(QPainter *painter, const QRectF &rect, const QPointF &shift, bool forDrag);

    std::optional<TLabelT> tlabelt;
    QImage mImage;
    QPoint m_pressPoint;
    bool m_pressed = false;
};

} // namespace quillmark
