#include "printing/CalibrationRuler.h"

#include <QPainter>
#include <QPainterPath>

#include "platform/Pen.h"

namespace quillmark {

void drawCalibrationRuler(QPainter *painter, const QRectF &rect, Qt::Orientation orientation, double half,
                          int measure, const RulerTicks &ticks, double penWidth)
{
    const bool cm = measure != 0;
    const double L = half;
    const double S = cm ? L / 1.5 : L;
    const int m = cm ? 15 : 8;
    const bool horizontal = orientation == Qt::Horizontal;
    // Along the ruler from its middle, and across it from its line.
    const double at = horizontal ? rect.x() : rect.y();
    const double line = horizontal ? rect.y() + rect.height() / 2.0 : rect.x() + rect.width() / 2.0;
    const auto point = [horizontal](double along, double across) {
        return horizontal ? QPointF(along, across) : QPointF(across, along);
    };
    const auto tick = [&](double along, double length) {
        return point(along, horizontal ? line - length : line + length);
    };
    QPainterPath path;
    path.moveTo(point(at - L, line));
    path.lineTo(point(at + L, line));
    for (int k = -1; k <= 1; ++k) {
        path.moveTo(point(at + k * S, line));
        path.lineTo(tick(at + k * S, ticks.major));
    }
    if (measure == 1)
        for (int k = -3; k <= 3; ++k) {
            path.moveTo(point(at + k * L / 3.0, line));
            path.lineTo(tick(at + k * L / 3.0, ticks.third));
        }
    for (int k = -m; k <= m - 1; ++k) {
        path.moveTo(point(at + k * L / m, line));
        path.lineTo(tick(at + k * L / m, ticks.minor));
    }
    painter->save();
    painter->setBrush(Qt::NoBrush);
    painter->setPen(makePen(painter->pen().color(), penWidth));
    painter->drawPath(path);
    painter->restore();
}

} // namespace quillmark
