#include "common/DrawnAtZoom.h"

#include <QPainter>

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

} // namespace qmtest
