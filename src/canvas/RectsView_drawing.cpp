// Screen drawing of the canvas: the label with its shadow, the objects of the current page in
// layer order, the veil outside the label, selection marks and the rubber band; the label
// outline shared with printing and export; the two display modes.
#include "canvas/RectsView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QRegion>
#include <QScopeGuard>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <optional>

#include "objects/ColorRect.h"
#include "platform/NotificationCenter.h"
#include "platform/Pen.h"
#include "platform/Shadow.h"
#include "platform/UserDefaults.h"
#include "stock/StockConversions.h"

namespace quillmark {

int compareGraphicsByLayer(const GraphicPtr &a, const GraphicPtr &b, const GraphicList &context)
{
    if (a->objectLayer() != b->objectLayer())
        return a->objectLayer() < b->objectLayer() ? -1 : 1;
    const qsizetype ia = context.indexOf(a);
    const qsizetype ib = context.indexOf(b);
    if (ia == ib)
        return 0;
    return ia < ib ? -1 : 1;
}

namespace {

using RegionTest = std::function<bool(const QRectF &)>;

// Whether the object's drawing (its frame, marks and shadow, and its stroke however wide, with
// mitred corners), widened by `beyond`, can reach into `area` and into a part of the region
// drawn, where one is given. An object whose extent is not a number is always drawn.
bool reachesInto(const ColorRect &graphic, const QRectF &area, const RegionTest &region = {}, double beyond = 0.0)
{
    const double stroke = 2.0 * std::max(0.0, double(graphic.strokeLineWidth())) + 2.0 + beyond;
    const QRectF reach = graphic.drawingBounds().adjusted(-stroke, -stroke, stroke, stroke);
    if (!std::isfinite(reach.left()) || !std::isfinite(reach.top()) || !std::isfinite(reach.right())
        || !std::isfinite(reach.bottom()))
        return true;
    return reach.intersects(area) && (!region || region(reach));
}

// Whether the selection marks of the object (its knobs, and the link marks of a box with text
// at its left and right edges) can reach into `area`; an object being edited (a path's points
// and handles) is marked wherever it lies. The marks keep their size on the screen,
// so they reach further from the frame, in page points, the smaller the zoom.
bool marksReachInto(const ColorRect &graphic, const QRectF &area, double zoom, const RegionTest &region)
{
    const double marks = (double(ColorRect::handleWidth()) + 12.0) / (zoom > 0.0 ? zoom : 1.0);
    return reachesInto(graphic, area, region, marks);
}

// Whether an area of the page reaches into a part of a region of the canvas: its parts in
// page points, in the order of the region's bands (from the top, none overlapping another
// band), searched from the first band that ends below the area's top.
RegionTest regionTest(const QRegion &region, const QTransform &widgetToPage)
{
    auto parts = std::make_shared<std::vector<QRectF>>();
    parts->reserve(size_t(region.rectCount()));
    for (const QRect &rect : region)
        parts->push_back(widgetToPage.mapRect(QRectF(rect)));
    return [parts](const QRectF &area) {
        auto part = std::partition_point(parts->cbegin(), parts->cend(),
                                         [&area](const QRectF &r) { return r.bottom() < area.top(); });
        for (; part != parts->cend() && part->top() <= area.bottom(); ++part)
            if (part->right() >= area.left() && part->left() <= area.right())
                return true;
        return false;
    };
}

} // namespace

GraphicList sortedByLayer(const GraphicList &graphics)
{
    // A stable sort by layer keeps the list's order within a layer, which is the order
    // compareGraphicsByLayer gives there; asking each object's place would grow with the
    // square of the design at every redraw.
    const auto byLayer = [](const GraphicPtr &a, const GraphicPtr &b) { return a->objectLayer() < b->objectLayer(); };
    // A list in order already is shared as it is, not copied object by object.
    if (std::is_sorted(graphics.cbegin(), graphics.cend(), byLayer))
        return graphics;
    GraphicList sorted = graphics;
    std::stable_sort(sorted.begin(), sorted.end(), byLayer);
    return sorted;
}

BezierPath RectsView::getLabelBoundPath(const TLabel &label, bool bleeds)
{
    const double bleed = bleeds ? UserDefaults::standard().floatForKey(QStringLiteral("Printing Bleeds"))
                                : 0.0;
    QRectF r0(0.0, 0.0, double(label.width) * 72.0, double(label.height) * 72.0);
    if (bleeds)
        r0.adjust(-bleed, -bleed, bleed, bleed);

    BezierPath path;
    if (label.shape == TLabel::Oval) {
        path.appendOvalInRect(r0);
    } else if (label.shape == TLabel::RoundedRectangle) {
        path = cornerRoundedRectPath(QRectF(QPointF(0.0, 0.0), r0.size()), label.round_param * 72.0f);
        if (bleeds)
            path.transform(QTransform::fromTranslate(-bleed, -bleed));
    } else {
        path.appendRect(r0);
    }

    if (label.hole > 0.0f) {
        const double diameter = double(label.hole) * 72.0;
        QRectF hole((double(label.width) - double(label.hole)) * 36.0,
                    (double(label.height) - double(label.hole)) * 36.0, diameter, diameter);
        if (bleeds)
            hole.adjust(bleed, bleed, -bleed, -bleed);
        path.setWindingRule(BezierPath::EvenOddWinding);
        if (hole.width() > 0.0 && hole.height() > 0.0)
            path.appendOvalInRect(hole);
    }
    return path;
}

QTransform RectsView::pageToWidget() const
{
    QTransform transform;
    transform.scale(_zoomValue, _zoomValue);
    transform.translate(-m_bounds.x(), -m_bounds.y());
    return transform;
}

void RectsView::paintEvent(QPaintEvent *event)
{
    // Objects may have changed without telling: the obstacles of text are checked again.
    m_runaround.markMoved();
    QPainter painter(this);
    if (paintFromDragPictures(painter, event->region()))
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    const QTransform transform = pageToWidget();
    painter.setTransform(transform);
    const QRectF dirty = transform.inverted().mapRect(QRectF(event->rect()));
    // Many parts apart (the pictures of a turn that arrived over the whole canvas): what lies
    // between them is not drawn, nor (clipped away) would it show.
    if (event->region().rectCount() > 1 && transform.type() <= QTransform::TxScale) {
        m_reachesRegion = regionTest(event->region(), transform.inverted());
        const auto done = qScopeGuard([this] { m_reachesRegion = nullptr; });
        drawContents(&painter, dirty);
        return;
    }
    drawContents(&painter, dirty);
}

void RectsView::drawLabel(QPainter *painter)
{
    const QPainterPath outline = getLabelBoundPath().toPainterPath();
    const double zoom = getZoom() > 0.0 ? getZoom() : 1.0;
    Shadow shadow;
    shadow.offset = QPointF(4.949747468305833, -4.949747468305832);
    shadow.blurRadius = 8.0;
    shadow.color = QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.7f);
    shadow.draw(painter, outline.boundingRect().adjusted(-2, -2, 2, 2), [&](QPainter *p) {
        p->save();
        p->setPen(makePen(Qt::gray, 1.0 / zoom));
        p->setBrush(Qt::white);
        p->drawPath(outline);
        p->restore();
    });
}

void RectsView::drawContents(QPainter *painter, const QRectF &dirty)
{
    painter->save();
    drawUnderObjects(painter, dirty);
    const GraphicList sorted = sortedByLayer(rects);
    drawObjectsOf(painter, dirty, sorted, {});
    drawVeil(painter, dirty);
    drawMarksOf(painter, dirty, sorted, {});
    drawOverMarks(painter, dirty);
    painter->restore();
}

void RectsView::drawUnderObjects(QPainter *painter, const QRectF &dirty)
{
    drawLabel(painter);
    if (pageBackgroundPainter) {
        painter->save();
        painter->setClipPath(getLabelBoundPath().toPainterPath(), Qt::IntersectClip);
        pageBackgroundPainter(painter, dirty);
        painter->restore();
    }
}

void RectsView::drawObjectsOf(QPainter *painter, const QRectF &dirty, const GraphicList &sorted,
                              const std::function<bool(const ColorRect &)> &drawn)
{
    // The copy the objects on the page hold: each compares by address.
    const QString page = ColorRect::sharedPageName(getCurrPageName());
    const int layer = currentLayer();
    std::optional<ColorRect::DrawingPass> pass(std::in_place);
    for (const GraphicPtr &graphic : sorted) {
        if (!graphic->isOnPageNamed(page))
            continue;
        // Editing the normal layer shows the background layer beneath it.
        if (graphic->objectLayer() != layer && layer != 1)
            continue;
        // Only what reaches into the redrawn area is drawn: moving one object of thousands
        // redraws that one.
        if (drawn && !drawn(*graphic))
            continue;
        if (!graphic->isEditingText() && !reachesInto(*graphic, dirty, m_reachesRegion))
            continue;
        if (graphic->isEditingText())
            drawEditedFrame(painter, graphic, dirty);
        else
            graphic->drawFrame(painter, dirty, isSelected(graphic.get()));
    }
}

void RectsView::drawVeil(QPainter *painter, const QRectF &dirty)
{
    // Everything outside the label, the label itself (and its hole) left clear.
    QPainterPath veil;
    veil.addRect(m_bounds.united(dirty));
    veil.addPath(getLabelBoundPath().toPainterPath());
    veil.setFillRule(Qt::OddEvenFill);
    double white = _previewMode ? 0.855 : 0.85;
    if (isDarkMode())
        white = 40.0 / 255.0;
    const double alpha = _previewMode ? 1.0 : 0.9;
    painter->fillPath(veil, QColor::fromRgbF(float(white), float(white), float(white), float(alpha)));
}

void RectsView::drawMarksOf(QPainter *painter, const QRectF &dirty, const GraphicList &sorted,
                            const std::function<bool(const ColorRect &)> &drawn)
{
    const QString page = ColorRect::sharedPageName(getCurrPageName());
    const int layer = currentLayer();
    const bool anyLayer = !m_outlets.segmentedLayersOutlet;
    const double zoom = getZoom();
    for (const GraphicPtr &graphic : sorted) {
        if (drawn && !drawn(*graphic))
            continue;
        const bool marked = isSelected(graphic.get()) != _rubberbandGraphics.contains(graphic.get());
        if (marked && graphic->isOnPageNamed(page) && (anyLayer || graphic->objectLayer() == layer)
            && !graphic->getGroup() && (graphic->isEditable1() || marksReachInto(*graphic, dirty, zoom, m_reachesRegion)))
            graphic->drawSelect(painter, dirty);
    }
}

void RectsView::drawOverMarks(QPainter *painter, const QRectF &dirty)
{
    drawTextEditing(painter);
    if (!_rubberbandRect.isNull()) {
        painter->save();
        painter->setBrush(Qt::NoBrush);
        painter->setPen(makePen(palette().color(QPalette::Highlight), 0.5 / getZoom()));
        painter->drawRect(_rubberbandRect);
        painter->restore();
    }
    drawTrackingFeedback(painter, dirty);
    drawGridGuides(painter);
}

void RectsView::drawBezierWithControlPoints(QPainter *painter, const BezierPath &path)
{
    // Marks keep their size on screen: 6 pixels whatever the zoom.
    const double z = getZoomCoeff() > 0.0 ? getZoomCoeff() : 1.0;
    const double displayed = getZoom() > 0.0 ? getZoom() : 1.0;
    const double mark = 6.0 / z;
    painter->save();
    painter->setBrush(Qt::NoBrush);
    painter->setPen(makePen(Qt::darkGray, 1.0 / displayed));
    painter->drawPath(path.toPainterPath());

    auto dot = [&](const QPointF &p) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(Qt::blue);
        painter->drawEllipse(p, mark / 2.0, mark / 2.0);
    };
    auto square = [&](const QPointF &p) {
        painter->fillRect(QRectF(p.x() - mark / 2.0, p.y() - mark / 2.0, mark, mark), Qt::gray);
    };
    auto handle = [&](const QPointF &from, const QPointF &to) {
        painter->setPen(makePen(Qt::lightGray, 1.0 / displayed));
        painter->drawLine(from, to);
    };
    QPointF last;
    for (int i = 0; i < path.elementCount(); ++i) {
        QPointF points[3];
        const auto type = path.elementAt(i, points);
        if ((type == BezierPath::MoveTo && i == 0) || type == BezierPath::LineTo) {
            dot(points[0]);
            last = points[0];
        } else if (type == BezierPath::CurveTo) {
            // A control point lying on its own point is no handle: nothing to show.
            if (points[0] != last) {
                handle(last, points[0]);
                square(points[0]);
            }
            if (points[1] != points[2]) {
                handle(points[2], points[1]);
                square(points[1]);
            }
            dot(points[2]);
            last = points[2];
        }
    }
    painter->restore();
}

void RectsView::setRubberband(const QRectF &rect, const QSet<const ColorRect *> &graphics)
{
    if (rect == _rubberbandRect && graphics == _rubberbandGraphics)
        return;
    // What changes on the screen is the band's outline and the marks of the objects it took
    // in or let go: only that is drawn again, not every object under the band.
    const double zoom = getZoom() > 0.0 ? getZoom() : 1.0;
    const double marks = (double(ColorRect::handleWidth()) + 12.0) / zoom;
    auto outline = [this](const QRectF &band) {
        if (band.isNull())
            return;
        invalidateRect(QRectF(band.left(), band.top(), band.width(), 0.0));
        invalidateRect(QRectF(band.left(), band.bottom(), band.width(), 0.0));
        invalidateRect(QRectF(band.left(), band.top(), 0.0, band.height()));
        invalidateRect(QRectF(band.right(), band.top(), 0.0, band.height()));
    };
    auto marked = [&](const QSet<const ColorRect *> &from, const QSet<const ColorRect *> &without) {
        for (const ColorRect *graphic : from)
            if (!without.contains(graphic)) {
                const double stroke = 2.0 * std::max(0.0, double(graphic->strokeLineWidth())) + 2.0 + marks;
                invalidateRect(graphic->drawingBounds().adjusted(-stroke, -stroke, stroke, stroke));
            }
    };
    outline(_rubberbandRect);
    outline(rect);
    marked(_rubberbandGraphics, graphics);
    marked(graphics, _rubberbandGraphics);
    _rubberbandRect = rect;
    _rubberbandGraphics = graphics;
}

void RectsView::setPreviewMode()
{
    _previewMode = !_previewMode;
    update();
}

void RectsView::setDatabasePreview()
{
    _databasePreview = !_databasePreview;
    NotificationCenter::defaultCenter().post(QStringLiteral("RecordChangedNotification"));
    update();
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setBool(_databasePreview, QStringLiteral("databasePreview"));
    defaults.synchronize();
}

} // namespace quillmark
