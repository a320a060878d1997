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
#include "platform/Archiver.h"
#include "platform/Bundle.h"
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
// A picture larger than this many pixels holds only the part of the object on the screen.
constexpr qint64 WholePicturePixels = 4096LL * 4096LL;

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
    std::weak_ptr<void> picture, selectionPicture;
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
            it->picture = picture;
            it->selectionPicture = selectionPicture;
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
    stored.picture = picture;
    stored.selectionPicture = selectionPicture;
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
        kept.picture = std::static_pointer_cast<Picture>(stored.picture.lock());
        kept.selectionPicture = std::static_pointer_cast<Picture>(stored.selectionPicture.lock());
        return kept;
    }
    return std::nullopt;
}

void ColorPath::adoptPictures(const KeptOutline &kept)
{
    // The copy draws as its original does, wherever it stands: the pictures are made
    // relative to the frame's corner, and the image itself is shared, not copied.
    auto adopt = [this](const std::shared_ptr<Picture> &from, std::shared_ptr<Picture> &slot) {
        if (!from || from->key.frameSize != _frameBounds.size())
            return;
        auto taken = std::make_shared<Picture>(*from);
        taken->key.path = pathGeneration;
        slot = std::move(taken);
    };
    adopt(kept.picture, picture);
    adopt(kept.selectionPicture, selectionPicture);
}

ColorPath::Picture::Key ColorPath::objectLook() const
{
    Picture::Key key;
    key.fills = canFill() && drawsFill();
    key.fill = fillColor();
    key.fill2 = _fillColor2;
    key.fillType = _fillType;
    key.fillAngle = _fillAngle;
    key.strokes = canStroke() && drawsStroke();
    key.stroke = strokeColor();
    key.lineWidth = _lineWidth;
    key.linePattern = _linePattern;
    key.shadows = drawsShadow();
    key.shadow = _shadowColor;
    key.shadowBlur = _shadowBlur;
    key.shadowDistance = _shadowDistance;
    key.shadowAngle = _shadowAngle;
    key.angle = angle();
    key.flipH = _flipH;
    key.flipV = _flipV;
    key.images = canDrawsImage() && drawsImage() && (_image || _missingImage);
    if (key.images) {
        key.image = _image.get();
        key.preparedImage = _image ? getImage().cacheKey() : 0;
        key.missingImage = _missingImage.has_value();
        key.opacity = img_opacity;
        key.xOffset = _ximg_offset;
        key.yOffset = _yimg_offset;
        key.xScale = _ximg_scale;
        key.yScale = _yimg_scale;
        key.scaleWithBox = _isscalewithbox;
    }
    key.clip = clip;
    return key;
}

bool ColorPath::drawFromPicture(QPainter *painter, std::shared_ptr<Picture> &slot,
                                std::shared_ptr<PendingPicture> &pending, Picture::Key key,
                                const std::function<std::function<void(QPainter *)>()> &painting, bool offThread,
                                const std::function<void(QPainter *)> &placeholder)
{
    if (isDrawingForPrint() || !colorPath || colorPath->elementCount() < ComplexPathElements || !painter->device())
        return false;
    const QTransform device = painter->deviceTransform();
    if (device.type() > QTransform::TxScale || !(device.m11() > 0) || !(device.m22() > 0))
        return false;
    // Everything the object paints: the stroke (its joins too), the turned frame, the shadow.
    const double grow = 2.0 * std::max<double>(_lineWidth, 1.0) + 2.0;
    QRectF area = (_angle != 0.0f ? frameBoundsRotated() : _frameBounds).adjusted(-grow, -grow, grow, grow);
    if (drawsShadow()) {
        const double r = shadowReach();
        area = area.united(area.adjusted(-r, -r, r, r));
    }
    const QPointF corner = _frameBounds.topLeft();
    const QRectF relative((area.x() - corner.x()) * device.m11(), (area.y() - corner.y()) * device.m22(),
                          area.width() * device.m11(), area.height() * device.m22());
    if (!std::isfinite(relative.width()) || !std::isfinite(relative.height()))
        return false;
    const QPointF anchorExact = device.map(corner);
    const QPoint anchor(qRound(anchorExact.x()), qRound(anchorExact.y()));
    QRect part = relative.toAlignedRect();
    const QRect whole = part;
    if (qint64(part.width()) * part.height() > WholePicturePixels) {
        const qreal ratio = painter->device()->devicePixelRatio();
        const QRect screen(0, 0, qCeil(painter->device()->width() * ratio), qCeil(painter->device()->height() * ratio));
        part &= screen.translated(-anchor);
        if (qint64(part.width()) * part.height() > WholePicturePixels)
            return false;
    }
    if (part.isEmpty())
        return true;

    key.sx = device.m11();
    key.sy = device.m22();
    key.part = part;
    key.frameSize = _frameBounds.size();
    key.path = pathGeneration;
    key.hints = int(painter->renderHints());

    if (!slot || !(slot->key == key)) {
        QTransform toPicture;
        toPicture.translate(-part.x(), -part.y());
        toPicture.scale(device.m11(), device.m22());
        toPicture.translate(-corner.x(), -corner.y());
        const QSize size = part.size();
        const QPainter::RenderHints hints = painter->renderHints();
        auto make = [size, toPicture, hints](const std::function<void(QPainter *)> &paint) {
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            if (image.isNull())
                return image;
            image.fill(Qt::transparent);
            QPainter p(&image);
            p.setRenderHints(hints);
            p.setTransform(toPicture);
            paint(&p);
            p.end();
            return image;
        };
        // The screen alone waits for the picture: paper, a PDF and an exported image get the
        // object drawn now, whole.
        const bool onScreen = painter->device()->devType() == QInternal::Widget;
        if (onScreen && offThread && !PictureWorker::onWindowThread()) {
            if (!pending || !(pending->key == key)) {
                // A newer zoom, size or look: the picture asked for before is no longer wanted.
                if (pending)
                    pending->abandoned = true;
                pending = std::make_shared<PendingPicture>();
                pending->key = key;
                pending->whole = part == whole;
                pending->make = [make, paint = painting()] { return make(paint); };
                PendingPicture *job = pending.get();
                pending->arrived = [this, job](const QImage &image) { pictureArrived(job, image); };
                PictureWorker::submit(pending);
            }
            if (placeholder)
                placeholder(painter);
            return true;
        }
        auto made = std::make_shared<Picture>();
        made->key = key;
        made->whole = part == whole;
        made->image = make(painting());
        if (made->image.isNull())
            return false;
        slot = std::move(made);
        if (pending && pending->key == key) {
            pending->abandoned = true;
            pending.reset();
        }
    }
    // Drawn pixel for pixel: the painter is turned to the device's own pixels (whatever offset
    // the device is drawn with).
    SavedPainterState state(painter);
    painter->setWorldTransform(device.inverted() * painter->worldTransform());
    painter->drawImage(QPointF(anchor + part.topLeft()), slot->image);
    return true;
}

void ColorPath::pictureArrived(PendingPicture *job, const QImage &image)
{
    const bool ofObject = job == pendingPicture.get();
    if (!ofObject && job != pendingSelectionPicture.get())
        return;
    const std::shared_ptr<PendingPicture> arrived = std::move(ofObject ? pendingPicture : pendingSelectionPicture);
    if (image.isNull())
        return;
    auto made = std::make_shared<Picture>();
    made->key = arrived->key;
    made->whole = arrived->whole;
    made->image = image;
    (ofObject ? picture : selectionPicture) = std::move(made);
    // The area the picture covers, in page points, a pixel more all round: drawn again now with
    // the picture. (A picture of an older place or size is not drawn: its key no longer fits.)
    if (_mainView) {
        const Picture::Key &key = arrived->key;
        const QPointF corner = _frameBounds.topLeft();
        const QRectF covered(corner.x() + (key.part.x() - 1) / key.sx, corner.y() + (key.part.y() - 1) / key.sy,
                             (key.part.width() + 2) / key.sx, (key.part.height() + 2) / key.sy);
        _mainView->invalidateRect(covered);
    }
}

bool ColorPath::drawPreviewFromPicture(QPainter *painter) const
{
    if (!picture || !picture->whole || !_mainView || !_mainView->isDrawingDocumentPreview())
        return false;
    const Picture::Key &kept = picture->key;
    Picture::Key key = objectLook();
    key.sx = kept.sx;
    key.sy = kept.sy;
    key.part = kept.part;
    key.hints = kept.hints;
    key.frameSize = _frameBounds.size();
    key.path = pathGeneration;
    if (!(key == kept) || !(kept.sx > 0) || !(kept.sy > 0))
        return false;
    // A fill of a path of many thousand points takes seconds whatever the size it is drawn
    // at; the file's preview is a thumbnail, for which the screen's picture is sharp enough.
    const QPointF corner = _frameBounds.topLeft();
    const QRectF target(corner.x() + kept.part.x() / kept.sx, corner.y() + kept.part.y() / kept.sy,
                        kept.part.width() / kept.sx, kept.part.height() / kept.sy);
    SavedPainterState state(painter);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(target, picture->image);
    return true;
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
            p->setTransform(turnAbout(c, double(turn)), true);
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
                    p->fillPath(filledArea(outline), fill);
                    return;
                }
                p->setClipPath(filledArea(outline), Qt::IntersectClip);
                if (fillType == 1)
                    drawRadialGradient(p, fill, fill2, area);
                else if (fillType == 2)
                    drawAxialGradient(p, fill, fill2, fillAngle * Pi / 180.0, area);
            };
            withShadow(painter, area, paintFill);
        }

        if (image) {
            SavedPainterState imageState(painter);
            painter->setClipPath(filledArea(outline), Qt::IntersectClip);
            image(painter, outline);
        }

        if (stroked) {
            SavedPainterState strokeState(painter);
            const QPainterPath line = outline.toPainterPath();
            auto paintStroke = [&](QPainter *p) { p->strokePath(line, pen); };
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
    if (drawPreviewFromPicture(painter))
        return;
    bool selfContained = false;
    const std::function<void(QPainter *)> painting = objectPainting(&selfContained);
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
    if (!drawFromPicture(painter, picture, pendingPicture, objectLook(), [&] { return painting; }, selfContained,
                         placeholder))
        painting(painter);
}

void ColorPath::paintObject(QPainter *painter)
{
    objectPainting()(painter);
}

std::function<void(QPainter *)> ColorPath::objectPainting(bool *selfContained)
{
    auto drawing = std::make_shared<OutlineDrawing>();
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
    // Without a picture (or its missing-file mark) there is nothing to clip to the outline.
    if (canDrawsImage() && drawsImage() && (_image || _missingImage))
        drawing->image = [this](QPainter *p, const BezierPath &) { drawImage(p); };
    const float width = strokeLineWidth();
    if (canStroke() && drawsStroke() && width > 0) {
        drawing->stroked = true;
        const QList<qreal> dashes =
            _linePattern > 0 ? CDashArray::dashLengths(_linePattern, _lineWidth) : QList<qreal>();
        drawing->pen = makePen(strokeColor(), _lineWidth, dashes);
        drawing->lineWidth = _lineWidth;
    }
    if (selfContained)
        *selfContained = !drawing->image;
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
    Picture::Key look;
    look.stroke = strokeColor();
    look.hairline = 0.2 / displayedZoom();
    look.dash = 2.0 / z;
    auto outline = [this, look] { return selectionPainting(look.stroke, look.hairline, look.dash); };
    if (!drawFromPicture(painter, selectionPicture, pendingSelectionPicture, look, outline, true, {}))
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
