// The pictures a drag keeps while it lasts. Each step of a move, a resize or a turn of a
// large selection (or of a few objects over a large design) would draw every object and
// every selection mark again. Instead the objects the drag leaves alone are drawn once, at
// the screen's resolution and by the same drawing, into a picture of what lies below the
// changing objects and one of what lies above them, and their marks into a third; a move
// keeps the moving objects and their marks as pictures too and shifts them. Each step then
// copies the pictures and draws live only what changes. The objects themselves change at
// every step as before, so that whatever the pictures cannot show faithfully (an object
// the drag leaves between two that it moves and that the moved ones now cover, text that
// flows around or on into other objects, a still object changed meanwhile) is drawn
// directly instead.
#include <QHash>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPolygonF>
#include <QRegion>
#include <QSet>

#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "canvas/RectsView.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/KnobResize.h"
#include "objects/PictureWorker.h"
#include "objects/TextFlow.h"

namespace quillmark {

namespace {

// Below this many objects a drag draws directly: the pictures would cost more than they save.
constexpr qsizetype PicturesFrom = 32;
// Widget pixels the moving pictures reach beyond the visible part on every side, so that a
// move shows what comes into view without making them again at every step.
constexpr int MovingMargin = 256;
// Pictures made again within one drag (a scroll, a still object that changed); past that the
// drag draws directly. Those made again for the pictures of objects that came meanwhile
// are counted apart.
constexpr int MostMakes = 4;
constexpr int MostRefills = 4;

// Where the object's drawing in its own frame lands on the page: its turn about its centre
// (the other way round when mirrored once).
QTransform placing(const QRectF &frame, float angle, bool mirrored)
{
    if (mirrored)
        angle = 360.0f - angle;
    return angle == 0.0f ? QTransform() : KnobResize::turnAbout(frame.center(), double(angle));
}

bool nearlyEqual(const QTransform &a, const QTransform &b)
{
    return std::fabs(a.m11() - b.m11()) < 1e-6 && std::fabs(a.m12() - b.m12()) < 1e-6
           && std::fabs(a.m21() - b.m21()) < 1e-6 && std::fabs(a.m22() - b.m22()) < 1e-6
           && std::fabs(a.dx() - b.dx()) < 1e-3 && std::fabs(a.dy() - b.dy()) < 1e-3;
}

QRectF reach(const ColorRect &graphic)
{
    const double stroke = 2.0 * std::max(0.0, double(graphic.strokeLineWidth())) + 2.0;
    return graphic.drawingBounds().adjusted(-stroke, -stroke, stroke, stroke);
}

} // namespace

struct RectsView::DragPictures
{
    struct Place
    {
        const ColorRect *object = nullptr;
        QRectF frame;
        float angle = 0.0f;
        bool mirrored = false;
        bool changing = false;
    };
    DragChange change = DragChange::None;
    QTransform transform;
    double ratio = 1.0;
    // Widget pixels of the still pictures, and of the moving ones when they were made.
    QRect area;
    QRect movingArea;
    bool made = false;
    // The move has ended: the pictures serve the repaint of its drop, once.
    bool dropped = false;
    int makes = 0;
    int refills = 0;
    // Whether the pictures hold stand-ins of objects whose own pictures were being made aside.
    bool standIns = false;
    // The label and the objects left alone below the lowest changing one (with the veil too
    // while only the marks change), those above it, and their marks.
    QImage below;
    QImage above;
    QImage marksBelow;
    QImage marksAbove;
    QImage movers;
    QImage moverMarks;
    QSet<const ColorRect *> changing;
    std::vector<Place> places;
    // The moving objects' reach when the pictures were made, and that of the objects left
    // alone that lie between moving ones in the stacking order (drawn above all of them).
    QRectF moversReach;
    std::vector<QRectF> between;
};

bool RectsView::showsDragPictures() const
{
    return m_dragPictures && m_dragPictures->made && !m_dragPictures->dropped;
}

void RectsView::dropDragPictures(const ColorRect *changed)
{
    if (!m_dragPictures || !m_dragPictures->made)
        return;
    // The drag's own steps change the objects it changes, inside a batch (a move, a turn) or
    // drawn live (a resize); a changing object drawn anew otherwise (its picture made aside
    // has come) is no longer what the moving pictures show.
    if (changed && m_dragPictures->changing.contains(changed)
        && (m_batchDepth > 0 || m_dragPictures->change == DragChange::Reshaping))
        return;
    // What was made stays counted for the drag: a drag whose pictures keep going stale
    // stops making them.
    const int makes = m_dragPictures->makes;
    const int refills = m_dragPictures->refills;
    m_dragPictures = std::make_shared<DragPictures>();
    m_dragPictures->makes = makes;
    m_dragPictures->refills = refills;
}

void RectsView::keepDragPicturesForDrop()
{
    if (m_dragPictures && m_dragPictures->made && m_dragPictures->change == DragChange::Moving)
        m_dragPictures->dropped = true;
    else
        m_dragPictures.reset();
}

bool RectsView::paintFromDragPictures(QPainter &painter, const QRegion &region)
{
    QSet<const ColorRect *> changing;
    DragChange change = dragChanges(changing);
    // The drop of a move by whole pixels shows what its last step showed: the objects moved
    // are drawn where the pictures put them, pixel for pixel, and the rest as they were. The
    // repaint after it draws afresh.
    const bool dropping = change == DragChange::None && m_dragPictures && m_dragPictures->dropped;
    struct Once
    {
        std::shared_ptr<DragPictures> &kept;
        bool dropping;
        ~Once()
        {
            if (dropping)
                kept.reset();
        }
    } once{m_dragPictures, dropping};
    if (dropping) {
        change = m_dragPictures->change;
        changing = m_dragPictures->changing;
    }
    if (change == DragChange::None || rects.size() < PicturesFrom || editedObject()) {
        m_dragPictures.reset();
        return false;
    }
    const bool moving = change == DragChange::Moving;
    const bool marksOnly = change == DragChange::Marks;
    if (!m_dragPictures)
        m_dragPictures = std::make_shared<DragPictures>();
    DragPictures &pictures = *m_dragPictures;
    const QRect area = region.boundingRect();
    const QTransform transform = pageToWidget();
    const double ratio = devicePixelRatioF();
    const QRect visible = visibleRegion().boundingRect();

    // Whether the objects left alone are as the pictures show them; and, for a move or a
    // turn, the one motion on the page that took every moving object from where the
    // pictures show it to where it is (none when they went different ways).
    std::optional<QTransform> motion;
    auto current = [&]() -> bool {
        if (!pictures.made || pictures.change != change || pictures.transform != transform || pictures.ratio != ratio
            || pictures.changing != changing || !pictures.area.contains(area) || qsizetype(pictures.places.size()) != rects.size())
            return false;
        bool rigid = moving;
        for (qsizetype i = 0; i < rects.size(); ++i) {
            const DragPictures::Place &place = pictures.places[size_t(i)];
            const ColorRect &object = *rects[i];
            if (place.object != &object)
                return false;
            const QRectF frame = object.frameBounds();
            if (place.changing) {
                if (!rigid)
                    continue;
                if (std::fabs(frame.width() - place.frame.width()) > 1e-3
                    || std::fabs(frame.height() - place.frame.height()) > 1e-3) {
                    rigid = false;
                    continue;
                }
                const QTransform now = placing(place.frame, place.angle, place.mirrored).inverted()
                                       * QTransform::fromTranslate(frame.x() - place.frame.x(), frame.y() - place.frame.y())
                                       * placing(frame, object.angle(), place.mirrored);
                if (!motion)
                    motion = now;
                else if (!nearlyEqual(*motion, now))
                    rigid = false;
                continue;
            }
            if (object.angle() != place.angle || std::fabs(frame.x() - place.frame.x()) > 1e-3
                || std::fabs(frame.y() - place.frame.y()) > 1e-3 || std::fabs(frame.width() - place.frame.width()) > 1e-3
                || std::fabs(frame.height() - place.frame.height()) > 1e-3)
                return false;
        }
        if (!rigid)
            motion.reset();
        return true;
    };
    // Where the moving pictures land in the widget, and whether they reach over the area.
    auto landing = [&](const QTransform &onPage) {
        return QTransform::fromTranslate(pictures.movingArea.x(), pictures.movingArea.y()) * transform.inverted() * onPage
               * transform;
    };
    auto covers = [&](const QTransform &placed) {
        const QPolygonF outline = placed.map(QPolygonF(QRectF(QPointF(), QSizeF(pictures.movingArea.size()))));
        for (const QPointF &corner : {QPointF(area.topLeft()), QPointF(area.topRight() + QPoint(1, 0)),
                                      QPointF(area.bottomLeft() + QPoint(0, 1)), QPointF(area.bottomRight() + QPoint(1, 1))})
            if (!outline.containsPoint(corner, Qt::OddEvenFill))
                return false;
        return true;
    };

    bool fresh = current();
    if (fresh && motion && !covers(landing(*motion)))
        fresh = false;
    if (dropping) {
        // Only pictures that show the drop exactly.
        if (!fresh || pictures.standIns || !motion)
            return false;
        const QTransform placing = landing(*motion);
        if (placing.type() > QTransform::TxTranslate || std::fabs(placing.dx() - std::round(placing.dx())) > 1e-3
            || std::fabs(placing.dy() - std::round(placing.dy())) > 1e-3)
            return false;
    }
    // Stand-ins in the pictures: the objects' own pictures are shown once they have all come,
    // by pictures made again at a drawing of the whole visible part.
    bool refill = false;
    if (fresh && pictures.standIns && !PictureWorker::busy() && pictures.refills < MostRefills) {
        if (marksOnly || area.contains(visible)) {
            fresh = false;
            refill = true;
        } else {
            update(visible);
        }
    }
    if (!fresh) {
        pictures.made = false;
        motion.reset();
        // Pictures pay only for a drawing of the whole visible part: an area drawn for a
        // change of something small is drawn directly, but for the band's marks.
        if (pictures.makes >= MostMakes || visible.isEmpty() || !(marksOnly || area.contains(visible)))
            return false;
        // Text that flows around objects, or from a changing box on into others, changes
        // what the still pictures would show.
        for (const GraphicPtr &graphic : std::as_const(rects)) {
            if (!marksOnly && graphic->getRunaroundState() != 0)
                return false;
            if (changing.contains(graphic.get()) && graphic->textFlow() && graphic->textFlow()->containers().size() > 1)
                return false;
        }
        if (refill)
            ++pictures.refills;
        else
            ++pictures.makes;
        const quint64 standInsBefore = ColorRect::ScreenDrawing::standInsDrawn();
        pictures.made = true;
        pictures.change = change;
        pictures.transform = transform;
        pictures.ratio = ratio;
        pictures.changing = changing;
        pictures.area = visible;
        pictures.places.clear();
        pictures.places.reserve(size_t(rects.size()));
        pictures.moversReach = QRectF();
        pictures.between.clear();
        for (const GraphicPtr &graphic : std::as_const(rects))
            pictures.places.push_back({graphic.get(), graphic->frameBounds(), graphic->angle(),
                                       graphic->flipHor() != graphic->flipVert(), changing.contains(graphic.get())});
        const GraphicList sorted = sortedByLayer(rects);
        // The objects left alone between the lowest and the highest changing one.
        qsizetype first = -1;
        qsizetype last = -1;
        for (qsizetype i = 0; i < sorted.size(); ++i) {
            if (changing.contains(sorted[i].get())) {
                if (first < 0)
                    first = i;
                last = i;
                const QRectF r = reach(*sorted[i]);
                pictures.moversReach = pictures.moversReach.isNull() ? r : pictures.moversReach.united(r);
            }
        }
        // Their marks reach further, by as much on the screen whatever the zoom.
        const double marks = (double(ColorRect::handleWidth()) + 12.0) / (getZoom() > 0.0 ? getZoom() : 1.0);
        for (qsizetype i = first + 1; first >= 0 && i < last; ++i)
            if (!changing.contains(sorted[i].get()))
                pictures.between.push_back(reach(*sorted[i]).adjusted(-marks, -marks, marks, marks));
        QHash<const ColorRect *, qsizetype> order;
        order.reserve(sorted.size());
        for (qsizetype i = 0; i < sorted.size(); ++i)
            order.insert(sorted[i].get(), i);
        auto layer = [ratio](const QRect &r, const QColor &fill) {
            QImage image((QSizeF(r.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(fill);
            return image;
        };
        auto paintInto = [&](QImage &image, const QRect &r, const std::function<void(QPainter *, const QRectF &)> &draw) {
            // Drawn as on the screen: pictures in the objects from their screen copies, and
            // shadows, barcodes and address blocks from the pictures the screen keeps of them.
            const ColorRect::ScreenDrawing screen;
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setTransform(transform * QTransform::fromTranslate(-r.x(), -r.y()));
            draw(&p, transform.inverted().mapRect(QRectF(r)));
        };
        const auto still = [&changing](const ColorRect &g) { return !changing.contains(&g); };
        const auto changes = [&changing](const ColorRect &g) { return changing.contains(&g); };
        const auto stillBelow = [&](const ColorRect &g) { return still(g) && (first < 0 || order.value(&g) < first); };
        const auto stillAbove = [&](const ColorRect &g) { return still(g) && first >= 0 && order.value(&g) > first; };

        pictures.below = layer(visible, palette().color(QPalette::Window));
        paintInto(pictures.below, visible, [&](QPainter *p, const QRectF &dirty) {
            drawUnderObjects(p, dirty);
            drawObjectsOf(p, dirty, sorted, stillBelow);
            // The band changes no object: the veil lies over them all.
            if (marksOnly)
                drawVeil(p, dirty);
        });
        pictures.above = QImage();
        pictures.marksBelow = QImage();
        pictures.marksAbove = QImage();
        if (!marksOnly) {
            pictures.above = layer(visible, Qt::transparent);
            paintInto(pictures.above, visible, [&](QPainter *p, const QRectF &dirty) { drawObjectsOf(p, dirty, sorted, stillAbove); });
            // The marks too lie in the stacking order.
            pictures.marksBelow = layer(visible, Qt::transparent);
            paintInto(pictures.marksBelow, visible, [&](QPainter *p, const QRectF &dirty) { drawMarksOf(p, dirty, sorted, stillBelow); });
            pictures.marksAbove = layer(visible, Qt::transparent);
            paintInto(pictures.marksAbove, visible, [&](QPainter *p, const QRectF &dirty) { drawMarksOf(p, dirty, sorted, stillAbove); });
        }
        pictures.movingArea = QRect();
        pictures.movers = QImage();
        pictures.moverMarks = QImage();
        if (moving) {
            pictures.movingArea = visible.adjusted(-MovingMargin, -MovingMargin, MovingMargin, MovingMargin);
            pictures.movers = layer(pictures.movingArea, Qt::transparent);
            paintInto(pictures.movers, pictures.movingArea, [&](QPainter *p, const QRectF &dirty) { drawObjectsOf(p, dirty, sorted, changes); });
            pictures.moverMarks = layer(pictures.movingArea, Qt::transparent);
            paintInto(pictures.moverMarks, pictures.movingArea, [&](QPainter *p, const QRectF &dirty) { drawMarksOf(p, dirty, sorted, changes); });
            motion = QTransform();
        }
        pictures.standIns = ColorRect::ScreenDrawing::standInsDrawn() != standInsBefore;
    }

    // An object left alone above a changing one in the stacking order but below another is
    // drawn above all of them by the pictures: where a changing one now meets it, the canvas
    // is drawn directly.
    if (!pictures.between.empty()) {
        QRectF now;
        if (motion) {
            now = motion->mapRect(pictures.moversReach);
        } else {
            for (const GraphicPtr &graphic : std::as_const(rects))
                if (changing.contains(graphic.get()))
                    now = now.isNull() ? reach(*graphic) : now.united(reach(*graphic));
        }
        const double marks = (double(ColorRect::handleWidth()) + 12.0) / (getZoom() > 0.0 ? getZoom() : 1.0);
        now.adjust(-marks, -marks, marks, marks);
        for (const QRectF &r : pictures.between)
            if (r.intersects(now))
                return false;
    }

    // A move by whole pixels copies the moving pictures pixel for pixel; a turn (or a move
    // by a part of a pixel) lays them down smoothly.
    std::optional<QTransform> placed;
    if (motion) {
        placed = landing(*motion);
        if (placed->type() <= QTransform::TxTranslate)
            placed = QTransform::fromTranslate(std::round(placed->dx()), std::round(placed->dy()));
    }
    std::optional<GraphicList> sorted;
    auto live = [&](const QRect &part, const std::function<void(const QRectF &)> &draw) {
        painter.save();
        painter.setClipRect(part);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(transform);
        draw(transform.inverted().mapRect(QRectF(part)));
        painter.restore();
    };
    auto list = [&]() -> const GraphicList & {
        if (!sorted)
            sorted = sortedByLayer(rects);
        return *sorted;
    };
    const auto changes = [&changing](const ColorRect &g) { return changing.contains(&g); };
    auto laid = [&](const QImage &image) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, placed->type() > QTransform::TxTranslate);
        painter.setTransform(*placed);
        painter.drawImage(QPointF(), image);
        painter.restore();
    };

    if (marksOnly) {
        // The band's steps ask for its outline and the marks that changed: each part is
        // copied and its marks drawn on their own, unless there are too many parts.
        const QList<QRect> parts = region.rectCount() <= 32 ? QList<QRect>(region.begin(), region.end()) : QList<QRect>{area};
        for (const QRect &part : parts) {
            painter.save();
            painter.setClipRect(part);
            painter.drawImage(pictures.area.topLeft(), pictures.below);
            painter.restore();
            live(part, [&](const QRectF &dirty) {
                drawMarksOf(&painter, dirty, list(), {});
                drawOverMarks(&painter);
            });
        }
        return true;
    }

    painter.setClipRect(area);
    painter.drawImage(pictures.area.topLeft(), pictures.below);
    if (placed)
        laid(pictures.movers);
    else
        live(area, [&](const QRectF &dirty) { drawObjectsOf(&painter, dirty, list(), changes); });
    painter.drawImage(pictures.area.topLeft(), pictures.above);
    live(area, [&](const QRectF &dirty) { drawVeil(&painter, dirty); });
    painter.drawImage(pictures.area.topLeft(), pictures.marksBelow);
    if (placed)
        laid(pictures.moverMarks);
    else
        live(area, [&](const QRectF &dirty) { drawMarksOf(&painter, dirty, list(), changes); });
    painter.drawImage(pictures.area.topLeft(), pictures.marksAbove);
    live(area, [&](const QRectF &) { drawOverMarks(&painter); });
    return true;
}

} // namespace quillmark
