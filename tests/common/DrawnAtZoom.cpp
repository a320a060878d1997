#include "common/DrawnAtZoom.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>

#include "objects/ColorRect.h"

namespace qmtest {

QImage drawnAtZoom(const std::vector<quillmark::ColorRect *> &objects, bool screen, QSize size, QImage::Format format)
{
    std::optional<quillmark::ColorRect::ScreenDrawing> forScreen;
    if (screen)
        forScreen.emplace();
    QImage image(size, format);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(1.55, 1.55);
    for (quillmark::ColorRect *object : objects)
        object->drawFrame(&painter, QRectF(), false);
    return image;
}

bool darkWithinAPixelOf(const QImage &a, const QImage &b)
{
    int dark = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (qGray(a.pixel(x, y)) > 100)
                continue;
            ++dark;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = b.valid(x + dx, y + dy) && qGray(b.pixel(x + dx, y + dy)) < 200;
            if (!found)
                return false;
        }
    return dark > 0;
}

bool strokeUprightBox(QPainter &painter, const QPainterPath &outline, const QPen &pen)
{
    const QTransform t = painter.deviceTransform();
    const QRectF box = outline.boundingRect();
    if (t.type() > QTransform::TxScale || outline.elementCount() != 5 || std::abs(t.m11()) != std::abs(t.m22()))
        return false;
    for (int i = 0; i < 4; ++i) {
        const QPointF p = outline.elementAt(i);
        if ((p.x() != box.left() && p.x() != box.right()) || (p.y() != box.top() && p.y() != box.bottom()))
            return false;
    }
    const QRectF device = t.mapRect(box);
    const int left = int(std::floor(device.left()));
    const int top = int(std::floor(device.top()));
    const int right = std::max(left, int(std::ceil(device.right())) - 1);
    const int bottom = std::max(top, int(std::ceil(device.bottom())) - 1);
    const double s = std::abs(t.m11());
    // A pen wider than a pixel is stroked round the path.
    if (!(pen.widthF() * s <= 1.0))
        return false;
    painter.save();
    painter.setTransform(QTransform::fromScale(s, s));
    painter.setPen(pen);
    auto line = [&](double x0, double y0, double x1, double y1) { painter.drawLine(QLineF(x0 / s, y0 / s, x1 / s, y1 / s)); };
    line(left, top + 0.5, right + 1, top + 0.5);
    if (bottom != top)
        line(left, bottom + 0.5, right + 1, bottom + 0.5);
    if (bottom - top > 1) {
        line(left + 0.5, top + 1, left + 0.5, bottom);
        if (right != left)
            line(right + 0.5, top + 1, right + 0.5, bottom);
    }
    painter.restore();
    return true;
}

} // namespace qmtest
