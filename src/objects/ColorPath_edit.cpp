// Point editing of a path object and its drawing: the edit points, the drag rules that keep
// the control points on either side of an end point in line, and the normal drawing of the
// outline with fill, gradient, shadow, image and stroke.
#include "objects/ColorPath.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

#include <cmath>
#include <atomic>
#include <deque>
#include <functional>
#include <typeinfo>

#include "foundation/Measures.h"
#include "objects/BezierPathArchive.h"
#include "objects/CDashArray.h"
#include "objects/CanvasServices.h"
#include "objects/ColorUtils.h"
#include "objects/GeometryHelpers.h"
#include "objects/KnobResize.h"
#include "objects/specImage.h"
#include "platform/Archiver.h"
#include "platform/Bundle.h"
#include "platform/CoverageMask.h"
#include "platform/Modifiers.h"
#include "platform/Pen.h"
#include "platform/UndoManager.h"
#include "platform/SavedPainterState.h"
#include "platform/Shadow.h"

namespace quillmark {

namespace {

// c mirrored to the other side of `a` along the direction of p, keeping its distance from a.
// Nothing moves when p lies on a (there is no direction).
QPointF opposite(const QPointF &c, const QPointF &a, const QPointF &p)
{
    const QPointF d = p - a;
    const double length = std::hypot(d.x(), d.y());
    if (!(length > 0))
        return c;
    const double keep = std::hypot(c.x() - a.x(), c.y() - a.y());
    return a - d * (keep / length);
}

int pointCount(BezierPath::ElementType type)
{
    return type == BezierPath::CurveTo ? 3 : (type == BezierPath::ClosePath ? 0 : 1);
}

// Points closer than this are one place: a control point on its vertex, the end of the
// closing curve on the opening move.
bool samePlace(const QPointF &a, const QPointF &b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y()) < 1e-4;
}

QPointF endPoint(BezierPath::ElementType type, const QPointF *pts)
{
    return type == BezierPath::CurveTo ? pts[2] : pts[0];
}

// How the elements of an outline join up around its vertices. Our closed outlines run
// "move, curves..., close", the last curve ending on the move's point; outlines of other
// sources may carry a further move after the close, or several such subpaths.
struct Layout
{
    explicit Layout(const BezierPath &path)
        : path(path)
    {
    }

    BezierPath::ElementType type(int i) const
    {
        QPointF pts[3];
        return path.elementAt(i, pts);
    }
    bool isDrawing(int i) const
    {
        if (i < 0 || i >= path.elementCount())
            return false;
        const BezierPath::ElementType t = type(i);
        return t == BezierPath::LineTo || t == BezierPath::CurveTo;
    }
    QPointF point(int i, int n) const
    {
        QPointF pts[3];
        path.elementAt(i, pts);
        return pts[n];
    }
    QPointF end(int i) const
    {
        QPointF pts[3];
        const BezierPath::ElementType t = path.elementAt(i, pts);
        return endPoint(t, pts);
    }
    // The move that opens the subpath of element i, or -1.
    int subpathMove(int i) const
    {
        for (int k = i; k >= 0; --k)
            if (type(k) == BezierPath::MoveTo)
                return k;
        return -1;
    }
    // The element drawing the last segment of element i's subpath back to its opening move,
    // when the subpath is closed and that segment ends on the move's point; else -1.
    int closingElementOf(int i) const
    {
        const int move = subpathMove(i);
        if (move < 0)
            return -1;
        int last = move;
        int k = move + 1;
        for (; k < path.elementCount() && isDrawing(k); ++k)
            last = k;
        const bool closed = k < path.elementCount() && type(k) == BezierPath::ClosePath;
        if (!closed || last == move || !samePlace(end(last), point(move, 0)))
            return -1;
        return last;
    }
    // The element after the vertex at the end of element i, joined up around a closed
    // subpath's start: -1 when there is none.
    int nextAfterVertex(int i) const
    {
        if (isDrawing(i + 1))
            return i + 1;
        if (closingElementOf(i) == i) {
            const int move = subpathMove(i);
            return isDrawing(move + 1) && move + 1 != i ? move + 1 : -1;
        }
        return -1;
    }
    // The element before the vertex at the start of element i (the end of the one before
    // it), joined up around a closed subpath's start: -1 when there is none.
    int previousBeforeVertex(int i) const
    {
        if (isDrawing(i - 1))
            return i - 1;
        if (i - 1 >= 0 && type(i - 1) == BezierPath::MoveTo) {
            const int closing = closingElementOf(i - 1);
            return closing != i ? closing : -1;
        }
        return -1;
    }

    const BezierPath &path;
};

} // namespace

// ---- edit points ----

BezierPoint ColorPath::bezierKnobUnderPoint(const QPointF &point) const
{
    const BezierPath fitted = bezierPath();
    const double k = 6.0 / getZoom();
    QPointF pts[3];
    QPointF previousEnd;
    for (int i = 0; i < fitted.elementCount(); ++i) {
        const BezierPath::ElementType type = fitted.elementAt(i, pts);
        for (int n = 0; n < pointCount(type); ++n) {
            // A control point lying on its vertex is the vertex: pressing there moves the
            // vertex (the vertex before a first control point was tested already).
            if (type == BezierPath::CurveTo && ((n == 0 && i > 0 && samePlace(pts[0], previousEnd))
                                                || (n == 1 && samePlace(pts[1], pts[2]))))
                continue;
            if (squareAt(pts[n], k).contains(point))
                return BezierPoint{i, n};
        }
        if (type != BezierPath::ClosePath)
            previousEnd = endPoint(type, pts);
    }
    return BezierPoint();
}

BezierPoint ColorPath::handleOutOfVertex(const BezierPoint &vertex) const
{
    const BezierPath fitted = bezierPath();
    const Layout layout(fitted);
    if (vertex.isNone() || vertex.element >= fitted.elementCount())
        return BezierPoint();
    const int e = vertex.element;
    const BezierPath::ElementType type = layout.type(e);
    int outgoing = -1;
    int incoming = -1;
    if (type == BezierPath::MoveTo && vertex.point == 0) {
        outgoing = e + 1;
        incoming = layout.closingElementOf(e);
    } else if ((type == BezierPath::CurveTo && vertex.point == 2) || (type == BezierPath::LineTo && vertex.point == 0)) {
        outgoing = layout.nextAfterVertex(e);
        incoming = e;
    } else {
        return BezierPoint();
    }
    const QPointF at = layout.point(e, vertex.point);
    // The handle going out of the vertex first, else the one coming in; only one still
    // lying on the vertex comes out.
    if (layout.isDrawing(outgoing) && layout.type(outgoing) == BezierPath::CurveTo
        && samePlace(layout.point(outgoing, 0), at))
        return BezierPoint{outgoing, 0};
    if (layout.isDrawing(incoming) && layout.type(incoming) == BezierPath::CurveTo
        && samePlace(layout.point(incoming, 1), at))
        return BezierPoint{incoming, 1};
    return BezierPoint();
}

void ColorPath::mouseMoved(const QPointF &point)
{
    if (!_mainView)
        return;
    if (bezierKnobUnderPoint(point).isNone()) {
        _mainView->setDocumentCursor(QCursor(Qt::ArrowCursor));
        editPointerShown = false;
        return;
    }
    static const QImage image = Bundle::imageNamed(QStringLiteral("editPath"));
    if (image.isNull())
        _mainView->setDocumentCursor(QCursor(Qt::CrossCursor));
    else
        _mainView->setDocumentCursor(QCursor(QPixmap::fromImage(image), 19, 1));
    editPointerShown = true;
}

void ColorPath::mouseDown(const QPointF &point, unsigned modifierFlags)
{
    bp = bezierKnobUnderPoint(point);
    pullingHandles = false;
    // Option on a vertex whose handles lie on it pulls them out instead of moving it.
    if (modifierFlags & AlternateKeyMask) {
        const BezierPoint handle = handleOutOfVertex(bp);
        if (!handle.isNone()) {
            bp = handle;
            pullingHandles = true;
        }
    }
    if (dragGroupOpen)
        return;
    if (UndoManager *manager = undoManager()) {
        manager->beginUndoGrouping();
        dragGroupOpen = true;
    }
}

void ColorPath::mouseUp()
{
    pullingHandles = false;
    closeDragGroup();
    redrawCanvas();
}

void ColorPath::closeDragGroup()
{
    if (!dragGroupOpen)
        return;
    dragGroupOpen = false;
    if (UndoManager *manager = undoManager(); manager && manager->groupingLevel() > 0)
        manager->endUndoGrouping();
}

void ColorPath::mouseDragged(const QPointF &point, unsigned modifierFlags)
{
    if (bp.isNone() || !colorPath || !std::isfinite(point.x()) || !std::isfinite(point.y()))
        return;
    BezierPath q = bezierPath();
    const int count = q.elementCount();
    const int i = bp.element;
    if (i >= count)
        return;
    QPointF pts[3];
    const BezierPath::ElementType type = q.elementAt(i, pts);
    if (bp.point >= pointCount(type))
        return;
    const QPointF p = point;
    const QPointF o = pts[bp.point];
    const QPointF moved = p - o;
    const bool shift = (modifierFlags & ShiftKeyMask) != 0;
    // Read before anything moves: which elements meet at the vertices touched here.
    const Layout layout(q);
    const int closing = layout.closingElementOf(i);
    const int next = layout.nextAfterVertex(i);
    const int previous = layout.previousBeforeVertex(i);
    const int move = layout.subpathMove(i);
    pts[bp.point] = p;

    auto adjust = [&q](int index, BezierPath::ElementType wanted,
                       const std::function<void(QPointF *)> &change) {
        if (index < 0 || index >= q.elementCount())
            return;
        QPointF other[3];
        if (q.elementAt(index, other) != wanted)
            return;
        change(other);
        q.setAssociatedPoints(other, index);
    };
    // The handle across the vertex `a` turns to stay in line with the dragged one. One
    // still lying on the vertex stays there, unless handles are being pulled out of it:
    // then it comes out as long as the dragged one.
    const bool pulling = pullingHandles;
    auto across = [pulling](const QPointF &c, const QPointF &a, const QPointF &dragged) {
        if (pulling && samePlace(c, a))
            return a - (dragged - a);
        return opposite(c, a, dragged);
    };

    if (type == BezierPath::CurveTo && !shift) {
        if (bp.point == 0) {
            if (previous >= 0 && layout.type(previous) == BezierPath::CurveTo) {
                const QPointF a = layout.end(previous);
                adjust(previous, BezierPath::CurveTo, [&](QPointF *c) { c[1] = across(c[1], a, p); });
            }
        } else if (bp.point == 1) {
            const QPointF e = pts[2];
            adjust(next, BezierPath::CurveTo, [&](QPointF *c) { c[0] = across(c[0], e, p); });
        } else {
            pts[1] += moved;
            adjust(next, BezierPath::CurveTo, [&](QPointF *c) { c[0] += moved; });
            // The closing curve ends on the opening move: both are one vertex, and the
            // outline stays closed.
            if (closing == i)
                adjust(move, BezierPath::MoveTo, [&](QPointF *c) { c[0] = p; });
        }
    } else if (type == BezierPath::LineTo && closing == i) {
        adjust(move, BezierPath::MoveTo, [&](QPointF *c) { c[0] = p; });
        adjust(move + 1, BezierPath::CurveTo, [&](QPointF *c) { c[0] += moved; });
    } else if (type == BezierPath::MoveTo) {
        const int last = layout.closingElementOf(i);
        adjust(last, BezierPath::CurveTo, [&](QPointF *c) {
            c[1] += moved;
            c[2] = p;
        });
        adjust(last, BezierPath::LineTo, [&](QPointF *c) { c[0] = p; });
        adjust(i + 1, BezierPath::CurveTo, [&](QPointF *c) { c[0] += moved; });
    }
    q.setAssociatedPoints(pts, i);

    restoreBezierPath(q);
}

// ---- drawing ----

void ColorPath::drawFrame(QPainter *painter, const QRectF &aRect, bool selected)
{
    if (!painter)
        return;
    if (edit)
        drawEditBezier(painter);
    else
        drawObject(painter, aRect, selected);
}

void ColorPath::drawEditBezier(QPainter *painter)
{
    if (!painter)
        return;
    const BezierPath fitted = bezierPath();
    if (fitted.isEmpty())
        return;
    SavedPainterState state(painter);
    painter->strokePath(fitted.toPainterPath(), makePen(Qt::darkGray, 1.0 / getZoom()));
}

void ColorPath::drawEditBezierSelect(QPainter *painter)
{
    if (!painter)
        return;
    const BezierPath fitted = bezierPath();
    if (fitted.isEmpty())
        return;
    SavedPainterState state(painter);
    painter->setRenderHint(QPainter::Antialiasing, true);
    const QColor current = painter->pen().color();
    painter->strokePath(fitted.toPainterPath(), makePen(current, fitted.lineWidth()));

    const double k = 6.0 / getZoom();
    const QPen guide = makePen(Qt::lightGray, 1.0 / getZoom());
    auto dot = [painter, k](const QPointF &center, const QColor &color) {
        QPainterPath circle;
        circle.addEllipse(squareAt(center, k));
        painter->fillPath(circle, color);
    };
    QPointF previousEnd;
    QPointF pts[3];
    for (int i = 0; i < fitted.elementCount(); ++i) {
        const BezierPath::ElementType type = fitted.elementAt(i, pts);
        const bool selectedElement = i == bp.element;
        switch (type) {
        case BezierPath::MoveTo:
            if (i == 0)
                dot(pts[0], selectedElement ? Qt::red : Qt::black);
            previousEnd = pts[0];
            break;
        case BezierPath::LineTo:
            dot(pts[0], selectedElement ? Qt::red : Qt::black);
            previousEnd = pts[0];
            break;
        case BezierPath::CurveTo:
            painter->fillRect(squareAt(pts[0], k),
                              selectedElement && bp.point == 0 ? Qt::red : Qt::blue);
            painter->fillRect(squareAt(pts[1], k),
                              selectedElement && bp.point == 1 ? Qt::red : Qt::blue);
            painter->setPen(guide);
            painter->drawLine(previousEnd, pts[0]);
            painter->drawLine(pts[2], pts[1]);
            dot(pts[2], selectedElement && bp.point == 2 ? Qt::red : Qt::black);
            previousEnd = pts[2];
            break;
        case BezierPath::ClosePath:
            break;
        }
    }
}

// ---- the kept picture of a complex outline ----

namespace {

// Outlines of at least this many elements are drawn on the screen from a kept picture: a
// fill of such an outline, antialiased, takes longer than a repaint may.
constexpr int ComplexPathElements = 2000;

} // namespace

quint64 ColorPath::nextPathGeneration()
{
    static std::atomic<quint64> next{0};
    return ++next;
}

namespace {

// The complex outlines stored last, each with the object's outline it was written from (its
// generation and frame) and the pictures kept of it then. A few only: each holds its stored form.
struct StoredOutline
{
    quint64 generation = 0;
    QRectF frame;
    QByteArray data;
    BezierPath outline;
    std::weak_ptr<const void> picture, selectionPicture;
};
constexpr size_t KeptStoredOutlines = 4;

std::deque<StoredOutline> &storedOutlines()
{
    thread_local std::deque<StoredOutline> kept;
    return kept;
}

} // namespace

bool ColorPath::formReadableOffThread(const QTextDocument **text)
{
    *text = nullptr;
    if (typeid(*this) != typeid(ColorPath) || (colorPath && colorPath->elementCount() >= ComplexPathElements))
        return false;
    return partsReadableOffThread(text);
}

QByteArray ColorPath::archivedOutline() const
{
    QRectF frame = _frameBounds;
    if (_isedit)
        frame.adjust(handleWidth(), handleWidth(), -handleWidth(), -handleWidth());
    if (!colorPath || colorPath->elementCount() < ComplexPathElements)
        return BezierPathArchive::archive(fittedTo(frame));
    // Writing an outline of many thousand points takes long; a design saved again, or
    // copied and saved, writes the same outline once.
    auto &kept = storedOutlines();
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->generation == pathGeneration && it->frame == frame) {
            it->picture = picture.shared();
            it->selectionPicture = selectionPicture.shared();
            return it->data;
        }
    }
    StoredOutline stored;
    stored.generation = pathGeneration;
    stored.frame = frame;
    stored.outline = fittedTo(frame);
    {
        // Kept here already; the tree of its points would only take memory.
        const Archiver::Recording notRecorded(nullptr);
        stored.data = BezierPathArchive::archive(stored.outline);
    }
    stored.picture = picture.shared();
    stored.selectionPicture = selectionPicture.shared();
    kept.push_front(stored);
    if (kept.size() > KeptStoredOutlines)
        kept.pop_back();
    return stored.data;
}

std::optional<ColorPath::KeptOutline> ColorPath::keptOutline(const QByteArray &data)
{
    // The very bytes written, not bytes alike: those are known to be the outline kept. The
    // kept copy of them holds them, so no other data can come to have their address.
    for (const StoredOutline &stored : storedOutlines()) {
        if (stored.data.constData() != data.constData() || stored.data.size() != data.size()
            || stored.outline.elementCount() > BezierPathArchive::MaxElements)
            continue;
        KeptOutline kept;
        kept.outline = stored.outline;
        kept.picture = stored.picture.lock();
        kept.selectionPicture = stored.selectionPicture.lock();
        return kept;
    }
    return std::nullopt;
}

void ColorPath::adoptPictures(const KeptOutline &kept)
{
    // The copy draws as its original does, wherever it stands.
    picture.adopt(kept.picture, pathGeneration, _frameBounds.size());
    selectionPicture.adopt(kept.selectionPicture, pathGeneration, _frameBounds.size());
}

ColorPath::PathLook ColorPath::objectLook() const
{
    PathLook look;
    look.fills = canFill() && drawsFill();
    look.fill = fillColor();
    look.fill2 = _fillColor2;
    look.fillType = _fillType;
    look.fillAngle = _fillAngle;
    look.strokes = canStroke() && drawsStroke();
    look.stroke = strokeColor();
    look.lineWidth = _lineWidth;
    look.linePattern = _linePattern;
    look.shadows = drawsShadow();
    look.shadow = _shadowColor;
    look.shadowBlur = _shadowBlur;
    look.shadowDistance = _shadowDistance;
    look.shadowAngle = _shadowAngle;
    look.angle = angle();
    look.flipH = _flipH;
    look.flipV = _flipV;
    look.images = canDrawsImage() && drawsImage() && (_image || _missingImage);
    if (look.images) {
        look.image = _image.get();
        // The raster the screen shows: one still being made changes it when it arrives.
        look.preparedImage = !_image ? 0 : _image->preparesSlowly() ? _image->shownRasterKey() : getImage().cacheKey();
        look.missingImage = _missingImage.has_value();
        look.opacity = img_opacity;
        look.xOffset = _ximg_offset;
        look.yOffset = _yimg_offset;
        look.xScale = _ximg_scale;
        look.yScale = _yimg_scale;
        look.scaleWithBox = _isscalewithbox;
    }
    look.clip = clip;
    return look;
}

KeptPicture::Subject ColorPath::pictureSubject(KeptPicture::LookPtr look) const
{
    return KeptPicture::Subject{pathGeneration, _frameBounds.size(), std::move(look)};
}

KeptPicture::Placement ColorPath::picturePlacement() const
{
    // Everything the object paints: the stroke (its joins too), the turned frame, the shadow.
    const double grow = 2.0 * std::max<double>(_lineWidth, 1.0) + 2.0;
    QRectF area = (_angle != 0.0f ? frameBoundsRotated() : _frameBounds).adjusted(-grow, -grow, grow, grow);
    if (drawsShadow()) {
        const double r = shadowReach();
        area = area.united(area.adjusted(-r, -r, r, r));
    }
    return KeptPicture::Placement{_frameBounds.topLeft(), area};
}

bool ColorPath::drawsFromPictures() const
{
    if (!colorPath || colorPath->elementCount() < ComplexPathElements)
        return false;
    return !isDrawingForPrint() || (_mainView && _mainView->isDrawingDocumentPreview());
}

void ColorPath::pictureArrived(const QRectF &fromCorner)
{
    // Drawn again now with the picture. (A picture of an older place or size is not drawn: it
    // no longer fits.)
    if (_mainView)
        _mainView->invalidateRect(fromCorner.translated(_frameBounds.topLeft()));
}

namespace {

// What drawing a path's outline needs, by value: made on the window's thread, it may be drawn
// on the worker's, while the object goes on changing.
struct OutlineDrawing
{
    BezierPath stored;
    // The outline is fitted into this frame when drawn (the fitting takes as long as a copy).
    QRectF fitInto;
    QRectF frame;
    bool flipH = false, flipV = false;
    float angle = 0;
    bool filled = false;
    int fillType = 0;
    QColor fill, fill2;
    double fillAngle = 0;
    std::optional<BezierPath> clip;
    std::optional<Shadow> shadow;
    bool stroked = false;
    QPen pen;
    double lineWidth = 0;
    // The object's image clipped to the outline: the window's thread alone may draw it.
    std::function<void(QPainter *, const BezierPath &)> image;
    // Areas within the outline, and wide strokes, are filled by supersampling (for a picture).
    bool supersampled = false;

    // Paints what `paint` paints within the outline.
    void within(QPainter *p, const BezierPath &outline, const std::function<void(QPainter *)> &paint) const
    {
        if (supersampled) {
            paintWithin(p, filledArea(outline), paint);
            return;
        }
        SavedPainterState state(p);
        p->setClipPath(filledArea(outline), Qt::IntersectClip);
        paint(p);
    }

    void strokeLine(QPainter *p, const QPainterPath &line) const
    {
        // A line a device pixel wide or less Qt strokes along its pixels; a wider one it fills
        // as an outline, the cost of a fill.
        const QTransform device = p->deviceTransform();
        const double scale = std::max(std::hypot(device.m11(), device.m12()), std::hypot(device.m21(), device.m22()));
        if (!supersampled || !(pen.widthF() * scale > 1.0)) {
            p->strokePath(line, pen);
            return;
        }
        QPainterPathStroker stroker(pen);
        fillWithin(p, stroker.createStroke(line), pen.color());
    }

    // The frame's mirrors and turn, as ColorRect::flipFrame and rotateFrame apply them.
    void flipAndTurn(QPainter *p) const
    {
        const QPointF c = frame.center();
        if (flipH || flipV) {
            QTransform mirror;
            mirror.translate(c.x(), c.y());
            mirror.scale(flipV ? -1.0 : 1.0, flipH ? -1.0 : 1.0);
            mirror.translate(-c.x(), -c.y());
            p->setTransform(mirror, true);
        }
        const float turn = flipH != flipV ? 360.0f - angle : angle;
        if (turn != 0.0f)
            p->setTransform(KnobResize::turnAbout(c, double(turn)), true);
    }

    void withShadow(QPainter *p, const QRectF &bounds, const std::function<void(QPainter *)> &paint) const
    {
        if (shadow)
            shadow->draw(p, bounds, paint);
        else
            paint(p);
    }

    void paint(QPainter *painter) const
    {
        const BezierPath outline = ColorPath::fitted(stored, fitInto);
        if (outline.isEmpty())
            return;
        SavedPainterState outer(painter);
        flipAndTurn(painter);

        if (filled) {
            SavedPainterState fillState(painter);
            const QRectF area = outline.bounds();
            auto paintFill = [&](QPainter *p) {
                if (clip) {
                    QPainterPath clipArea = filledArea(*clip);
                    p->setClipPath(clipArea, Qt::IntersectClip);
                }
                if (fillType == 0) {
                    if (supersampled)
                        fillWithin(p, filledArea(outline), fill);
                    else
                        p->fillPath(filledArea(outline), fill);
                    return;
                }
                within(p, outline, [&](QPainter *q) {
                    if (fillType == 1)
                        drawRadialGradient(q, fill, fill2, area);
                    else if (fillType == 2)
                        drawAxialGradient(q, fill, fill2, fillAngle * Pi / 180.0, area);
                });
            };
            withShadow(painter, area, paintFill);
        }

        if (image)
            within(painter, outline, [&](QPainter *q) { image(q, outline); });

        if (stroked) {
            SavedPainterState strokeState(painter);
            const QPainterPath line = outline.toPainterPath();
            auto paintStroke = [&](QPainter *p) { strokeLine(p, line); };
            // A filled path casts its shadow from the fill alone.
            if (!filled) {
                const qreal reach = lineWidth;
                withShadow(painter, outline.bounds().adjusted(-reach, -reach, reach, reach), paintStroke);
            } else {
                paintStroke(painter);
            }
        }
    }
};

} // namespace

void ColorPath::drawObject(QPainter *painter, const QRectF &, bool)
{
    if (!painter || !colorPath)
        return;
    if (!drawsFromPictures()) {
        objectPainting()(painter);
        return;
    }
    // Without a picture in the outline, the drawing holds nothing of the object and may be
    // made on another thread.
    const bool selfContained = !showsImageInOutline();
    // Until the picture arrives, the frame tinted with the path's colour: where the path lies
    // and in what colour, drawn at once.
    auto placeholder = [this](QPainter *p) {
        QColor tint = canFill() && drawsFill() ? fillColor() : strokeColor();
        tint.setAlphaF(tint.alphaF() * 0.25f);
        SavedPainterState state(p);
        flipFrame(p);
        rotateFrame(p, angle());
        p->fillRect(_frameBounds, tint);
    };
    const KeptPicture::Subject subject = pictureSubject(std::make_shared<KeptPicture::LookOf<PathLook>>(objectLook()));
    auto forPicture = [this] { return objectPainting(true); };
    if (_mainView && _mainView->isDrawingDocumentPreview()) {
        // The small picture a document or a copy carries never waits for a fill of seconds: it
        // takes what is kept, or the placeholder while a picture is made aside for the next.
        if (picture.drawSmall(painter, picturePlacement(), subject,
                              selfContained ? std::function<KeptPicture::Painting()>(forPicture) : nullptr))
            return;
        if (selfContained)
            placeholder(painter);
        else
            objectPainting()(painter);
        return;
    }
    const KeptPicture::OnScreen screen{placeholder, [this](const QRectF &covered) { pictureArrived(covered); }};
    if (!picture.draw(painter, picturePlacement(), subject, forPicture, selfContained, screen))
        objectPainting()(painter);
}

void ColorPath::paintObject(QPainter *painter)
{
    objectPainting()(painter);
}

bool ColorPath::showsImageInOutline() const
{
    // A picture, or the mark of its missing file.
    return canDrawsImage() && drawsImage() && (_image || _missingImage);
}

std::function<void(QPainter *)> ColorPath::objectPainting(bool forPicture)
{
    auto drawing = std::make_shared<OutlineDrawing>();
    drawing->supersampled = forPicture;
    const float half = strokeLineWidth() / 2.0f;
    if (colorPath)
        drawing->stored = *colorPath;
    drawing->fitInto = _frameBounds.adjusted(half, half, -half, -half);
    drawing->frame = _frameBounds;
    drawing->flipH = _flipH;
    drawing->flipV = _flipV;
    drawing->angle = angle();
    drawing->filled = canFill() && drawsFill();
    drawing->fillType = _fillType;
    drawing->fill = fillColor();
    drawing->fill2 = _fillColor2;
    drawing->fillAngle = _fillAngle;
    drawing->clip = clip;
    if (drawsShadow())
        drawing->shadow = shadowLook();
    if (showsImageInOutline())
        drawing->image = [this](QPainter *p, const BezierPath &) { drawImage(p); };
    const float width = strokeLineWidth();
    if (canStroke() && drawsStroke() && width > 0) {
        drawing->stroked = true;
        const QList<qreal> dashes =
            _linePattern > 0 ? CDashArray::dashLengths(_linePattern, _lineWidth) : QList<qreal>();
        drawing->pen = makePen(strokeColor(), _lineWidth, dashes);
        drawing->lineWidth = _lineWidth;
    }
    return [drawing](QPainter *p) { drawing->paint(p); };
}

std::function<void(QPainter *)> ColorPath::selectionPainting(QColor stroke, double hairline, double dash) const
{
    QRectF frame = _frameBounds;
    if (_isedit)
        frame.adjust(handleWidth(), handleWidth(), -handleWidth(), -handleWidth());
    const BezierPath stored = colorPath ? *colorPath : BezierPath();
    const QPen pen = makePen(stroke, hairline, {dash, dash});
    return [stored, frame, pen](QPainter *p) { p->strokePath(fitted(stored, frame).toPainterPath(), pen); };
}

void ColorPath::drawSelect(QPainter *painter, const QRectF &)
{
    if (!painter)
        return;
    if (edit) {
        drawEditBezierSelect(painter);
        return;
    }
    SavedPainterState state(painter);
    flipFrame(painter);
    rotateFrame(painter, angle());
    if (!_iseditable) {
        drawHandlesInView(painter);
        return;
    }
    if (isDrawingForPrint())
        return;
    if ((!canStroke() || !(strokeLineWidth() > 0)) && drawsStroke())
        painter->strokePath(bezierPath().toPainterPath(),
                            makePen(strokeColor(), 0.2 / displayedZoom()));
}

void ColorPath::drawHandlesInView(QPainter *painter)
{
    if (!painter || isDrawingForPrint())
        return;
    const bool dashed = canStroke() && (strokeLineWidth() == 0.0f || !drawsStroke());
    if (!dashed || !colorPath || colorPath->elementCount() < ComplexPathElements) {
        ColorRect::drawHandlesInView(painter);
        return;
    }
    // The dashed outline of a complex path is kept as a picture like the path itself; until
    // it arrives the knobs alone show the selection.
    const double z = getZoom();
    SelectionLook look;
    look.stroke = strokeColor();
    look.hairline = 0.2 / displayedZoom();
    look.dash = 2.0 / z;
    auto outline = [this, look] { return selectionPainting(look.stroke, look.hairline, look.dash); };
    const KeptPicture::OnScreen screen{{}, [this](const QRectF &covered) { pictureArrived(covered); }};
    if (!selectionPicture.draw(painter, picturePlacement(),
                               pictureSubject(std::make_shared<KeptPicture::LookOf<SelectionLook>>(look)), outline, true,
                               screen))
        outline()(painter);
    const unsigned mask = knobMask();
    QPointF points[8];
    int count = 0;
    for (int knob = 1; knob <= 8; ++knob) {
        if (mask & (1u << knob))
            points[count++] = KnobResize::knobPosition(_frameBounds, knob);
    }
    drawHandlesAtPoints(std::span<const QPointF>(points, size_t(count)), painter);
}

void ColorPath::drawLinks(QPainter *)
{
}

} // namespace quillmark
