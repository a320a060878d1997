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
//
// The moving pictures are made where the step shows them first, and the rest of the area they
// cover (what a move brings into view, what a turn brings round) a part at a time, while the
// window waits for events or as a step comes to it: a part made after a move began draws the
// moving objects moved back to where they stood. A turn turns each group about its own
// middle: each group keeps pictures of its members and of its marks apart, laid down at each
// step by its own turn.
#include <QHash>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPolygonF>
#include <QRegion>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
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
// The canvas drawn afresh after a drop is drawn this many objects, and at most about this
// many milliseconds, at a time.
constexpr qsizetype SettleChunk = 64;
constexpr qint64 SettleSliceMs = 20;
// Widget pixels the moving pictures reach beyond the visible part on every side, so that a
// move shows what comes into view without making them again at every step.
constexpr int MovingMargin = 256;
// The moving pictures are made first where the first step shows them; the rest of the moving
// area in rings this wide, each side a part, made while the window waits for the next event or
// when a step comes to it.
constexpr int RingWidth = 64;
// Pictures made again within one drag (a scroll, a still object that changed); past that the
// drag draws directly. Those made again for the pictures of objects that came meanwhile
// are counted apart.
constexpr int MostMakes = 4;
constexpr int MostRefills = 4;
// Groups a turn turns each about its own middle keep pictures of their own, laid down one by
// one at every step: past this many (thousands of merge fields) making and laying them down
// costs far more than drawing the canvas directly, and their pictures would hold hundreds of
// megabytes.
constexpr qsizetype MostGroupsApart = 256;
// A turn keeps pictures of each group only while together they hold at most this many times
// the pixels of the moving pictures. Groups stacked over one another (thousands of merge
// field pairs on one label) would need pictures many times the screen's size, filled and
// laid down one by one at every step; drawn directly, each draws only its ink.
constexpr int GroupPixelsPerMovingPixel = 4;

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
    // A turn of groups too many for pictures of their own: the objects turned are drawn
    // directly at each step, over the pictures of what the turn leaves alone.
    bool turnsLive = false;
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
    // A turn turns each group about its own middle, not with the rest: each group it turns
    // keeps the pictures of its members and of its marks apart (widget pixels of `area`,
    // all the group reaches unless cut at the moving pictures' edge), each step lays them
    // down by the group's own turn, and the moving pictures hold the loose objects alone.
    struct GroupPictures
    {
        const Group *group = nullptr;
        GraphicList members;
        bool made = false;
        bool whole = true;
        // Where its pictures lie in pictures shared with other groups (the objects' and the
        // marks'), and where they were on the widget.
        std::shared_ptr<const QImage> objects;
        std::shared_ptr<const QImage> marks;
        QRect objectsSlot;
        QRect marksSlot;
        QPoint objectsAt;
        QPoint marksAt;
    };
    std::vector<GroupPictures> groups;
    QHash<const Group *, qsizetype> groupIndex;
    // The groups whose marks their pictures hold: the repaint draws them no other way.
    QSet<const Group *> groupMarks;
    // The parts of the moving area whose moving pictures are made, and those of them holding
    // stand-ins (made again once the pictures made aside have come).
    QRegion moversMade;
    QRegion moversStale;
    // The parts, the nearest first, and whether a part is to be made at the window's next
    // turn.
    std::vector<QRect> moversParts;
    bool sliceAsked = false;
    // A drop the pictures show only nearly (a turn, a move by a part of a pixel): the canvas
    // is drawn afresh aside, a slice of the objects at a time, and shown once whole; the
    // drop's pictures show meanwhile, as its last step did.
    struct Settling
    {
        QImage image;
        QRect area;
        GraphicList sorted;
        QString page;
        int layer = 0;
        bool preview = false;
        qsizetype next = 0;
        enum Stage { Under, Objects, Veil, Marks, Over, Done } stage = Under;
    };
    std::optional<Settling> settling;
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
    if (changed && !m_dragPictures->dropped && m_dragPictures->changing.contains(changed)
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
    if (m_dragPictures && m_dragPictures->made
        && (m_dragPictures->change == DragChange::Moving || m_dragPictures->change == DragChange::Reshaping))
        m_dragPictures->dropped = true;
    else
        m_dragPictures.reset();
}

bool RectsView::paintFromDragPictures(QPainter &painter, const QRegion &region)
{
    QSet<const ColorRect *> changing;
    bool turning = false;
    DragChange change = dragChanges(changing, &turning);
    // The drop of a drag shows what its last step showed: the objects a move took by whole
    // pixels are drawn where the pictures put them, pixel for pixel, any others the drag
    // changed are drawn directly, and the rest as they were. The repaint after it draws
    // afresh.
    const bool dropping = change == DragChange::None && m_dragPictures && m_dragPictures->dropped;
    struct Once
    {
        std::shared_ptr<DragPictures> &kept;
        bool dropping;
        ~Once()
        {
            if (dropping && !(kept && kept->settling))
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
    // The same for each group turned on its own.
    std::vector<std::optional<QTransform>> groupMotions;
    auto current = [&]() -> bool {
        if (!pictures.made || pictures.change != change || pictures.transform != transform || pictures.ratio != ratio
            || pictures.changing != changing || !pictures.area.contains(area) || qsizetype(pictures.places.size()) != rects.size())
            return false;
        bool rigid = moving && !pictures.turnsLive;
        groupMotions.assign(pictures.groups.size(), std::nullopt);
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
                std::optional<QTransform> *unit = &motion;
                if (!pictures.groups.empty() && object.getGroup()) {
                    const auto found = pictures.groupIndex.constFind(object.getGroup());
                    if (found != pictures.groupIndex.cend())
                        unit = &groupMotions[size_t(*found)];
                }
                if (!*unit)
                    *unit = now;
                else if (!nearlyEqual(**unit, now))
                    rigid = false;
                continue;
            }
            if (object.angle() != place.angle || std::fabs(frame.x() - place.frame.x()) > 1e-3
                || std::fabs(frame.y() - place.frame.y()) > 1e-3 || std::fabs(frame.width() - place.frame.width()) > 1e-3
                || std::fabs(frame.height() - place.frame.height()) > 1e-3)
                return false;
        }
        if (!rigid) {
            motion.reset();
            groupMotions.clear();
        } else if (!motion && !pictures.groups.empty()) {
            // Every object turned belongs to a group turned on its own: the moving pictures
            // are empty, and where they lie does not matter.
            motion = QTransform();
        }
        return true;
    };
    // Where pictures with their corner at `corner` (widget pixels when made) land in the
    // widget, and whether the moving pictures reach over the area.
    auto landingAt = [&](const QPoint &corner, const QTransform &onPage) {
        return QTransform::fromTranslate(corner.x(), corner.y()) * transform.inverted() * onPage * transform;
    };
    auto landing = [&](const QTransform &onPage) { return landingAt(pictures.movingArea.topLeft(), onPage); };
    auto covers = [&](const QTransform &placed) {
        const QPolygonF outline = placed.map(QPolygonF(QRectF(QPointF(), QSizeF(pictures.movingArea.size()))));
        for (const QPointF &corner : {QPointF(area.topLeft()), QPointF(area.topRight() + QPoint(1, 0)),
                                      QPointF(area.bottomLeft() + QPoint(0, 1)), QPointF(area.bottomRight() + QPoint(1, 1))})
            if (!outline.containsPoint(corner, Qt::OddEvenFill))
                return false;
        return true;
    };

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
    std::optional<GraphicList> sortedOnce;
    auto list = [&]() -> const GraphicList & {
        if (!sortedOnce)
            sortedOnce = sortedByLayer(rects);
        return *sortedOnce;
    };
    const auto changes = [&changing](const ColorRect &g) { return changing.contains(&g); };
    // The groups' own pictures, of their members and their marks as they stand, each holding
    // what its drawing reaches and no more (a step lays down thousands of them), side by side
    // in one picture of the objects and one of the marks.
    auto makeGroups = [&](const std::vector<DragPictures::GroupPictures *> &units) {
        if (units.empty())
            return;
        struct Planned
        {
            DragPictures::GroupPictures *unit;
            QRect objects;
            QRect marks;
        };
        std::vector<Planned> planned;
        planned.reserve(units.size());
        const int knob = int(ColorRect::handleWidth()) + 2;
        for (DragPictures::GroupPictures *unit : units) {
            unit->made = true;
            QRectF onPage;
            for (const GraphicPtr &member : std::as_const(unit->members))
                onPage = onPage.isNull() ? reach(*member) : onPage.united(reach(*member));
            const Group *group = unit->group;
            const bool marked = isSelectedGroup(group) && isOnCurrentPageAndLayer(*group->getObjects().first());
            // The marks: the frame, turned as the group is, and knobs of a fixed size on the
            // screen.
            const QRectF frame = group->bounds();
            const QRectF turnedFrame = group->angle() != 0.0f
                                           ? KnobResize::turnAbout(frame.center(), double(group->angle())).mapRect(frame)
                                           : frame;
            const QRect objectsReach = transform.mapRect(onPage).toAlignedRect().adjusted(-1, -1, 1, 1);
            const QRect marksReach = marked ? transform.mapRect(turnedFrame).toAlignedRect().adjusted(-knob, -knob, knob, knob) : QRect();
            const QRect objectsArea = objectsReach & pictures.movingArea;
            const QRect marksArea = marksReach & pictures.movingArea;
            unit->whole = objectsArea == objectsReach && marksArea == marksReach;
            unit->objectsAt = objectsArea.topLeft();
            unit->marksAt = marksArea.topLeft();
            planned.push_back({unit, objectsArea, marksArea});
            if (!marksArea.isEmpty())
                pictures.groupMarks.insert(group);
        }
        // Rows of slots two pixels apart, so that a picture laid down smoothly takes nothing
        // of its neighbour.
        constexpr int RowWidth = 1024;
        constexpr int Gap = 2;
        auto pack = [&](QRect Planned::*area, QRect DragPictures::GroupPictures::*slot) {
            QPoint at(Gap, Gap);
            int rowHeight = 0;
            int width = 0;
            for (Planned &plan : planned) {
                const QRect r = plan.*area;
                if (r.isEmpty())
                    continue;
                if (at.x() + r.width() + Gap > RowWidth && at.x() > Gap) {
                    at = QPoint(Gap, at.y() + rowHeight + Gap);
                    rowHeight = 0;
                }
                plan.unit->*slot = QRect(at, r.size());
                at.rx() += r.width() + Gap;
                rowHeight = std::max(rowHeight, r.height());
                width = std::max(width, at.x());
            }
            return QSize(width, at.y() + rowHeight + Gap);
        };
        auto paintAll = [&](QRect Planned::*area, QRect DragPictures::GroupPictures::*slot,
                            std::shared_ptr<const QImage> DragPictures::GroupPictures::*picture, bool objects) {
            const QSize size = pack(area, slot);
            if (size.width() <= Gap)
                return;
            auto image = std::make_shared<QImage>(layer(QRect(QPoint(), size), Qt::transparent));
            {
                const ColorRect::ScreenDrawing screen;
                QPainter p(image.get());
                p.setRenderHint(QPainter::Antialiasing);
                for (const Planned &plan : planned) {
                    const QRect r = plan.*area;
                    if (r.isEmpty())
                        continue;
                    const QRect at = plan.unit->*slot;
                    p.resetTransform();
                    p.setClipRect(at);
                    p.setTransform(transform * QTransform::fromTranslate(at.x() - r.x(), at.y() - r.y()));
                    if (objects) {
                        drawObjectsOf(&p, transform.inverted().mapRect(QRectF(r)), plan.unit->members, {});
                    } else {
                        // As the marks over everything draw them.
                        p.setBrush(Qt::NoBrush);
                        const_cast<Group *>(plan.unit->group)->drawSelect(&p);
                    }
                }
            }
            for (const Planned &plan : planned)
                if (!(plan.*area).isEmpty())
                    plan.unit->*picture = image;
        };
        paintAll(&Planned::objects, &DragPictures::GroupPictures::objectsSlot, &DragPictures::GroupPictures::objects, true);
        paintAll(&Planned::marks, &DragPictures::GroupPictures::marksSlot, &DragPictures::GroupPictures::marks, false);
    };
    auto groupReach = [&](const DragPictures::GroupPictures &unit) {
        QRectF now;
        for (const GraphicPtr &member : unit.group->getObjects())
            now = now.isNull() ? reach(*member) : now.united(reach(*member));
        const int knob = int(ColorRect::handleWidth()) + 2;
        return transform.mapRect(now).toAlignedRect().adjusted(-knob, -knob, knob, knob);
    };
    // Makes the part `part` of the moving pictures (widget pixels as they were made), of the
    // loose objects as they stand now, moved back by their motion since on the page; with no
    // motion yet, the pictures of the groups reaching into it too.
    auto makeMoving = [&](const QRect &part, const QTransform &onPage) {
        if (part.isEmpty())
            return;
        const QTransform toPicture = onPage.inverted() * transform;
        const QRectF dirty = toPicture.inverted().mapRect(QRectF(part));
        const quint64 standInsBefore = ColorRect::ScreenDrawing::standInsDrawn();
        const auto loose = [&](const ColorRect &g) {
            return changing.contains(&g) && (pictures.groupIndex.isEmpty() || !pictures.groupIndex.contains(g.getGroup()));
        };
        const QPoint corner = pictures.movingArea.topLeft();
        const QRect local = part.translated(-corner);
        for (QImage *image : {&pictures.movers, &pictures.moverMarks}) {
            const ColorRect::ScreenDrawing screen;
            QPainter p(image);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.fillRect(local, Qt::transparent);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.setClipRect(local);
            p.setRenderHint(QPainter::Antialiasing);
            p.setTransform(toPicture * QTransform::fromTranslate(-corner.x(), -corner.y()));
            if (image == &pictures.movers)
                drawObjectsOf(&p, dirty, list(), loose);
            else
                drawMarksOf(&p, dirty, list(), changes);
        }
        if (onPage.isIdentity()) {
            std::vector<DragPictures::GroupPictures *> reaching;
            for (DragPictures::GroupPictures &unit : pictures.groups)
                if (!unit.made && groupReach(unit).intersects(part))
                    reaching.push_back(&unit);
            makeGroups(reaching);
        }
        pictures.moversMade += part;
        if (ColorRect::ScreenDrawing::standInsDrawn() != standInsBefore)
            pictures.moversStale += part;
        else
            pictures.moversStale -= part;
    };
    // The part to make next when the window is idle: one holding stand-ins once their
    // pictures have come, else the nearest not made yet.
    auto nextPart = [&]() -> std::optional<QRect> {
        if (!pictures.moversStale.isEmpty() && !PictureWorker::busy())
            for (const QRect &part : pictures.moversParts)
                if (pictures.moversStale.intersects(part))
                    return part;
        for (const QRect &part : pictures.moversParts)
            if (!pictures.moversMade.contains(part))
                return part;
        return std::nullopt;
    };
    // Asks for the next part at the window's next turn: it makes it as the steps do, on a
    // picture that paints nothing.
    auto askSlice = [&]() {
        if (pictures.sliceAsked || !nextPart())
            return;
        pictures.sliceAsked = true;
        QTimer::singleShot(0, this, [this, asked = std::weak_ptr<DragPictures>(m_dragPictures)] {
            const std::shared_ptr<DragPictures> kept = asked.lock();
            // Pictures kept for a move's drop serve that repaint alone.
            if (!kept || kept != m_dragPictures || kept->dropped)
                return;
            kept->sliceAsked = false;
            QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&scratch);
            paintFromDragPictures(painter, visibleRegion());
        });
    };

    bool fresh = current();
    if (dropping && pictures.settling) {
        DragPictures::Settling &settling = *pictures.settling;
        // The canvas drawn afresh, once whole, shows the drop if nothing changed meanwhile.
        if (settling.stage == DragPictures::Settling::Done) {
            const bool same = fresh && settling.area.contains(area) && settling.layer == currentLayer()
                              && settling.preview == _previewMode && settling.page == getCurrPageName();
            if (same)
                painter.drawImage(settling.area.topLeft(), settling.image);
            m_dragPictures.reset();
            return same;
        }
    }
    if (fresh && motion && !covers(landing(*motion)))
        fresh = false;
    // A call that paints nothing (a part made aside, the turn's first step) makes one part
    // of the moving pictures, while their objects stand where they did or moved alike.
    const bool painting = painter.device() == this;
    if (!painting && fresh) {
        if (!motion || motion->type() > QTransform::TxTranslate)
            return false;
        if (const std::optional<QRect> part = nextPart()) {
            if (pictures.moversStale.intersects(*part))
                ++pictures.refills;
            makeMoving(*part, *motion);
        }
        if (pictures.refills < MostRefills * 8)
            askSlice();
        return false;
    }
    if (fresh && motion) {
        // The parts the area is laid from: those not made yet are made now, for the
        // objects moved back by a move; after a turn the pictures are made again.
        const QRect needed = (landing(*motion).inverted().mapRect(QRectF(area)).toAlignedRect().adjusted(-1, -1, 1, 1)
                              .translated(pictures.movingArea.topLeft()))
                             & pictures.movingArea;
        const QRegion missing = QRegion(needed) - pictures.moversMade;
        if (!missing.isEmpty()) {
            if (motion->type() > QTransform::TxTranslate) {
                fresh = false;
            } else {
                for (const QRect &part : pictures.moversParts)
                    if (missing.intersects(part) && !pictures.moversMade.contains(part))
                        makeMoving(part, *motion);
            }
        }
    }
    for (size_t i = 0; fresh && motion && i < pictures.groups.size(); ++i) {
        const DragPictures::GroupPictures &unit = pictures.groups[i];
        // A group whose pictures were not made, or cut at the moving area's edge, must not
        // have come into view.
        if ((!unit.made || !unit.whole) && groupReach(unit).intersects(area))
            fresh = false;
    }
    bool settles = false;
    if (dropping) {
        // Only pictures that show the drop exactly: the moving pictures of a move by whole
        // pixels; what a turn, a resize or a move by a part of a pixel changed is drawn as
        // it now stands, over the pictures of what the drag left alone.
        if (!fresh || pictures.standIns)
            return false;
        bool exact = motion && pictures.moversStale.isEmpty();
        if (exact) {
            const QTransform placing = landing(*motion);
            exact = placing.type() <= QTransform::TxTranslate && std::fabs(placing.dx() - std::round(placing.dx())) <= 1e-3
                    && std::fabs(placing.dy() - std::round(placing.dy())) <= 1e-3;
        }
        // Laid down as the last step laid them, while the canvas is drawn afresh aside.
        settles = !exact && motion && !pictures.turnsLive && pictures.groups.empty();
        if (!exact && !settles) {
            motion.reset();
            groupMotions.clear();
        }
    }
    // Stand-ins in the pictures: the objects' own pictures are shown once they have all come,
    // by pictures made again at a drawing of the whole visible part.
    bool refill = false;
    // Those in parts of the moving pictures: the parts the area shows are made again now,
    // the objects moved back by a move, the others aside.
    if (fresh && !dropping && motion && !pictures.moversStale.isEmpty() && motion->type() <= QTransform::TxTranslate
        && !PictureWorker::busy() && pictures.refills < MostRefills * 8) {
        const QRect shown = (landing(*motion).inverted().mapRect(QRectF(area)).toAlignedRect().adjusted(-1, -1, 1, 1)
                             .translated(pictures.movingArea.topLeft()));
        for (const QRect &part : pictures.moversParts)
            if (part.intersects(shown) && pictures.moversStale.intersects(part)) {
                ++pictures.refills;
                makeMoving(part, *motion);
            }
        askSlice();
    }
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
        QSet<const Group *> apart;
        for (const GraphicPtr &graphic : std::as_const(rects)) {
            if (!marksOnly && graphic->getRunaroundState() != 0)
                return false;
            if (!changing.contains(graphic.get()))
                continue;
            if (graphic->textFlow() && graphic->textFlow()->containers().size() > 1)
                return false;
            if (turning) {
                if (const Group *owner = graphic->getGroup(); owner && owner->canSetAngle()) {
                    apart.insert(owner);
                    if (apart.size() > MostGroupsApart)
                        return false;
                }
            }
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
        pictures.groups.clear();
        pictures.groupIndex.clear();
        pictures.groupMarks.clear();
        for (const GraphicPtr &graphic : std::as_const(rects))
            pictures.places.push_back({graphic.get(), graphic->frameBounds(), graphic->angle(),
                                       graphic->flipHor() != graphic->flipVert(), changing.contains(graphic.get())});
        const GraphicList &sorted = list();
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
        const auto still = [&changing](const ColorRect &g) { return !changing.contains(&g); };
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
            // A picture nothing would be drawn into is neither made nor laid down at each step
            // (a drag of everything leaves no object alone): a marked object alone has marks.
            const auto any = [&](const std::function<bool(const ColorRect &)> &drawn) {
                return std::any_of(sorted.cbegin(), sorted.cend(), [&](const GraphicPtr &g) { return drawn(*g); });
            };
            const auto marked = [this](const ColorRect &g) {
                return !g.getGroup() && isSelected(&g) != _rubberbandGraphics.contains(&g);
            };
            if (any(stillAbove)) {
                pictures.above = layer(visible, Qt::transparent);
                paintInto(pictures.above, visible,
                          [&](QPainter *p, const QRectF &dirty) { drawObjectsOf(p, dirty, sorted, stillAbove); });
            }
            // The marks too lie in the stacking order.
            if (any([&](const ColorRect &g) { return stillBelow(g) && marked(g); })) {
                pictures.marksBelow = layer(visible, Qt::transparent);
                paintInto(pictures.marksBelow, visible,
                          [&](QPainter *p, const QRectF &dirty) { drawMarksOf(p, dirty, sorted, stillBelow); });
            }
            if (any([&](const ColorRect &g) { return stillAbove(g) && marked(g); })) {
                pictures.marksAbove = layer(visible, Qt::transparent);
                paintInto(pictures.marksAbove, visible,
                          [&](QPainter *p, const QRectF &dirty) { drawMarksOf(p, dirty, sorted, stillAbove); });
            }
        }
        // Stand-ins in the moving pictures are counted apart, by the parts they lie in.
        pictures.standIns = ColorRect::ScreenDrawing::standInsDrawn() != standInsBefore;
        pictures.movingArea = QRect();
        pictures.movers = QImage();
        pictures.moverMarks = QImage();
        pictures.moversMade = QRegion();
        pictures.moversStale = QRegion();
        pictures.moversParts.clear();
        pictures.turnsLive = false;
        if (moving) {
            pictures.movingArea = visible.adjusted(-MovingMargin, -MovingMargin, MovingMargin, MovingMargin);
            // The groups a turn turns each about its own middle, their members in the
            // stacking order.
            if (turning) {
                for (const GraphicPtr &graphic : sorted) {
                    const Group *owner = graphic->getGroup();
                    if (!owner || !owner->canSetAngle() || !changing.contains(graphic.get()))
                        continue;
                    const auto found = pictures.groupIndex.constFind(owner);
                    if (found != pictures.groupIndex.cend()) {
                        pictures.groups[size_t(*found)].members.append(graphic);
                        continue;
                    }
                    pictures.groupIndex.insert(owner, qsizetype(pictures.groups.size()));
                    DragPictures::GroupPictures unit;
                    unit.group = owner;
                    unit.members = {graphic};
                    pictures.groups.push_back(std::move(unit));
                }
                qint64 groupPixels = 0;
                const qint64 mostPixels = qint64(GroupPixelsPerMovingPixel) * pictures.movingArea.width() * pictures.movingArea.height();
                for (const DragPictures::GroupPictures &unit : pictures.groups) {
                    QRectF onPage;
                    for (const GraphicPtr &member : std::as_const(unit.members))
                        onPage = onPage.isNull() ? reach(*member) : onPage.united(reach(*member));
                    const QRect shown = transform.mapRect(onPage).toAlignedRect() & pictures.movingArea;
                    groupPixels += qint64(shown.width()) * shown.height();
                    if (groupPixels > mostPixels) {
                        pictures.turnsLive = true;
                        pictures.groups.clear();
                        pictures.groupIndex.clear();
                        break;
                    }
                }
            }
        }
        if (moving && !pictures.turnsLive) {
            pictures.movers = layer(pictures.movingArea, Qt::transparent);
            pictures.moverMarks = layer(pictures.movingArea, Qt::transparent);
            motion = QTransform();
            groupMotions.assign(pictures.groups.size(), QTransform());
            // What the first step shows; the rest aside or as steps come to it.
            // A turn's first steps reach a little past the visible part at its corners.
            const int first = turning ? RingWidth / 2 : 0;
            pictures.moversParts = {visible.adjusted(-first, -first, first, first) & pictures.movingArea};
            for (int inner = first; inner < MovingMargin; inner += RingWidth) {
                const QRect in = visible.adjusted(-inner, -inner, inner, inner);
                const QRect out = in.adjusted(-RingWidth, -RingWidth, RingWidth, RingWidth);
                for (const QRect &side : {QRect(QPoint(out.left(), out.top()), QPoint(out.right(), in.top() - 1)),
                                          QRect(QPoint(out.left(), in.bottom() + 1), QPoint(out.right(), out.bottom())),
                                          QRect(QPoint(out.left(), in.top()), QPoint(in.left() - 1, in.bottom())),
                                          QRect(QPoint(in.right() + 1, in.top()), QPoint(out.right(), in.bottom()))})
                    if (const QRect part = side & pictures.movingArea; !part.isEmpty())
                        pictures.moversParts.push_back(part);
            }
            makeMoving(pictures.moversParts.front(), *motion);
            askSlice();
        }

    }

    // An object left alone above a changing one in the stacking order but below another is
    // drawn above all of them by the pictures: where a changing one now meets it, the canvas
    // is drawn directly.
    if (!pictures.between.empty()) {
        QRectF now;
        if (motion && pictures.groups.empty()) {
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

    if (settles && !pictures.settling) {
        DragPictures::Settling settling;
        settling.area = visible;
        settling.image = layer(visible, palette().color(QPalette::Window));
        settling.sorted = list();
        settling.page = getCurrPageName();
        settling.layer = currentLayer();
        settling.preview = _previewMode;
        pictures.settling = std::move(settling);
        askSettling(m_dragPictures);
    }

    // A move by whole pixels copies the moving pictures pixel for pixel; a turn (or a move
    // by a part of a pixel) lays them down smoothly.
    auto rounded = [](QTransform t) {
        return t.type() <= QTransform::TxTranslate ? QTransform::fromTranslate(std::round(t.dx()), std::round(t.dy())) : t;
    };
    std::optional<QTransform> placed;
    if (motion)
        placed = rounded(landing(*motion));
    auto live = [&](const QRect &part, const std::function<void(const QRectF &)> &draw) {
        painter.save();
        painter.setClipRect(part);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(transform);
        draw(transform.inverted().mapRect(QRectF(part)));
        painter.restore();
    };
    // The moving pictures, then each group's own (objects or marks).
    auto laid = [&](const QImage &image, std::shared_ptr<const QImage> DragPictures::GroupPictures::*own,
                    QRect DragPictures::GroupPictures::*slot, QPoint DragPictures::GroupPictures::*at) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, placed->type() > QTransform::TxTranslate);
        painter.setTransform(*placed);
        painter.drawImage(QPointF(), image);
        const QRectF shown(area);
        for (size_t i = 0; i < pictures.groups.size(); ++i) {
            const DragPictures::GroupPictures &unit = pictures.groups[i];
            const std::shared_ptr<const QImage> &picture = unit.*own;
            if (!picture || i >= groupMotions.size() || !groupMotions[i])
                continue;
            const QRect source = unit.*slot;
            const QTransform placing = rounded(landingAt(unit.*at, *groupMotions[i]));
            const QRectF target(QPointF(), QSizeF(source.size()));
            // Only those the area shows.
            if (!placing.mapRect(target).intersects(shown))
                continue;
            painter.setRenderHint(QPainter::SmoothPixmapTransform, placing.type() > QTransform::TxTranslate);
            painter.setTransform(placing);
            painter.drawImage(target, *picture, QRectF(QPointF(source.topLeft()) * ratio, QSizeF(source.size()) * ratio));
        }
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
                drawOverMarks(&painter, dirty);
            });
        }
        return true;
    }

    painter.setClipRect(area);
    painter.drawImage(pictures.area.topLeft(), pictures.below);
    if (placed)
        laid(pictures.movers, &DragPictures::GroupPictures::objects, &DragPictures::GroupPictures::objectsSlot,
             &DragPictures::GroupPictures::objectsAt);
    else
        live(area, [&](const QRectF &dirty) { drawObjectsOf(&painter, dirty, list(), changes); });
    if (!pictures.above.isNull())
        painter.drawImage(pictures.area.topLeft(), pictures.above);
    live(area, [&](const QRectF &dirty) { drawVeil(&painter, dirty); });
    if (!pictures.marksBelow.isNull())
        painter.drawImage(pictures.area.topLeft(), pictures.marksBelow);
    if (placed)
        laid(pictures.moverMarks, &DragPictures::GroupPictures::marks, &DragPictures::GroupPictures::marksSlot,
             &DragPictures::GroupPictures::marksAt);
    else
        live(area, [&](const QRectF &dirty) { drawMarksOf(&painter, dirty, list(), changes); });
    if (!pictures.marksAbove.isNull())
        painter.drawImage(pictures.area.topLeft(), pictures.marksAbove);
    // The marks of the groups laid down above are not drawn again.
    m_groupMarksInPictures = placed && !pictures.groupMarks.isEmpty() ? &pictures.groupMarks : nullptr;
    live(area, [&](const QRectF &dirty) { drawOverMarks(&painter, dirty); });
    m_groupMarksInPictures = nullptr;
    return true;
}

void RectsView::askSettling(const std::shared_ptr<DragPictures> &pictures)
{
    QTimer::singleShot(0, this, [this, asked = std::weak_ptr<DragPictures>(pictures)] {
        const std::shared_ptr<DragPictures> kept = asked.lock();
        // Anything that changed meanwhile let go of the pictures: the canvas draws afresh.
        if (!kept || kept != m_dragPictures || !kept->settling)
            return;
        using Stage = DragPictures::Settling::Stage;
        DragPictures::Settling &settling = *kept->settling;
        QElapsedTimer clock;
        clock.start();
        {
            const ColorRect::ScreenDrawing screen;
            QPainter painter(&settling.image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setTransform(kept->transform * QTransform::fromTranslate(-settling.area.x(), -settling.area.y()));
            const QRectF dirty = kept->transform.inverted().mapRect(QRectF(settling.area));
            while (settling.stage != Stage::Done && clock.elapsed() < SettleSliceMs) {
                switch (settling.stage) {
                case Stage::Under:
                    drawUnderObjects(&painter, dirty);
                    settling.stage = Stage::Objects;
                    break;
                case Stage::Objects:
                case Stage::Marks: {
                    const GraphicList part = settling.sorted.mid(settling.next, SettleChunk);
                    painter.save();
                    if (settling.stage == Stage::Objects)
                        drawObjectsOf(&painter, dirty, part, {});
                    else
                        drawMarksOf(&painter, dirty, part, {});
                    painter.restore();
                    settling.next += SettleChunk;
                    if (settling.next >= settling.sorted.size()) {
                        settling.next = 0;
                        settling.stage = settling.stage == Stage::Objects ? Stage::Veil : Stage::Over;
                    }
                    break;
                }
                case Stage::Veil:
                    drawVeil(&painter, dirty);
                    settling.stage = Stage::Marks;
                    break;
                case Stage::Over:
                    drawOverMarks(&painter, dirty);
                    settling.stage = Stage::Done;
                    break;
                case Stage::Done:
                    break;
                }
            }
        }
        if (settling.stage == Stage::Done)
            update(settling.area);
        else
            askSettling(kept);
    });
}

} // namespace quillmark
