#include "objects/NSTextOvalContainer.h"

#include <cmath>

#include "objects/ColorRect.h"
#include "platform/BezierPath.h"

namespace quillmark {

NSTextOvalContainer::NSTextOvalContainer(const QSizeF &size)
    : TextContainer(size)
    , rect(QPointF(0, 0), size)
{
}

void NSTextOvalContainer::setGraphicObject(ColorRect *object)
{
    colorOval = object;
    rect = object ? object->frameBounds() : QRectF();
}

float NSTextOvalContainer::ovalPerimeter(const QSizeF &size)
{
    const BezierPath oval =
        BezierPath::bezierPathWithOvalInRect(QRectF(QPointF(0, 0), size))
            .flattened(BezierPath::DefaultFlatness);
    float length = 0.0f;
    QPointF current;
    // Every element but the last (the close) counts; a move only sets the current point.
    for (int i = 0; i + 1 < oval.elementCount(); ++i) {
        QPointF pts[3];
        const BezierPath::ElementType type = oval.elementAt(i, pts);
        if (type == BezierPath::LineTo) {
            const float dx = float(pts[0].x() - current.x());
            const float dy = float(pts[0].y() - current.y());
            length += std::sqrt(dx * dx + dy * dy);
        }
        if (type == BezierPath::MoveTo || type == BezierPath::LineTo)
            current = pts[0];
    }
    return length;
}

QRectF NSTextOvalContainer::lineFragmentRectForProposedRect(const QRectF &proposed,
                                                            QRectF *remaining)
{
    QRectF answer = standardLineFragmentRect(proposed, remaining);
    const qreal y = answer.y();
    const qreal h = proposed.height();
    const QSizeF oval(rect.width() - 2 * (y + h), rect.height() - 2 * (y + h));
    float perimeter = 0.0f;
    if (oval.width() > 0 && oval.height() > 0)
        perimeter = ovalPerimeter(oval);
    answer.setWidth(double(perimeter) - 10.0);
    if (remaining)
        *remaining = QRectF();
    return answer;
}

} // namespace quillmark
