#include "objects/ColorPath.h"

#include <QByteArray>
#include <QCursor>
#include <QTransform>

#include <algorithm>
#include <cmath>

#include "objects/BezierPathArchive.h"
#include "objects/CanvasServices.h"
#include "objects/ObjectFactory.h"
#include "platform/UndoManager.h"

namespace quillmark {

namespace {

// The rectangle outline that a new path starts with, in its own coordinates. A frame
// without area gives the unit square, so that the outline can still take any later frame.
BezierPath startingOutline(const QRectF &frame, float lineWidth)
{
    const bool hasArea = frame.width() > 0 && frame.height() > 0;
    BezierPath path = BezierPath::bezierPathWithRect(
        hasArea ? QRectF(0, 0, frame.width(), frame.height()) : QRectF(0, 0, 1, 1));
    path.setLineWidth(lineWidth);
    return path;
}

// One axis of the fitting: the factor in single precision, 1 for an extent of 0 (nothing
// to scale, the points keep their offsets).
double axisScale(double frameExtent, double pathExtent)
{
    if (pathExtent == 0 || !std::isfinite(pathExtent) || !std::isfinite(frameExtent))
        return 1.0;
    const double s = double(float(frameExtent / pathExtent));
    return std::isfinite(s) ? s : 1.0;
}

bool hasOnlyFinitePoints(const BezierPath &path)
{
    for (const BezierPath::Element &e : path.elements()) {
        const int count = e.type == BezierPath::CurveTo ? 3 : (e.type == BezierPath::ClosePath ? 0 : 1);
        for (int k = 0; k < count; ++k) {
            if (!std::isfinite(e.points[k].x()) || !std::isfinite(e.points[k].y()))
                return false;
        }
    }
    return true;
}

// The outline with every coordinate within half the largest frame coordinate either side of
// 0: its bounds are then a frame that needs no bounding, so the outline is kept as it was read
// and written again the same, and no distance between two of its points overflows.
BezierPath boundedPoints(const BezierPath &path)
{
    constexpr double limit = ColorRect::maxCoordinate / 2.0;
    auto inRange = [](const QPointF &p) { return std::abs(p.x()) <= limit && std::abs(p.y()) <= limit; };
    bool inside = true;
    for (const BezierPath::Element &e : path.elements()) {
        const int count = e.type == BezierPath::CurveTo ? 3 : (e.type == BezierPath::ClosePath ? 0 : 1);
        for (int k = 0; k < count && inside; ++k)
            inside = inRange(e.points[k]);
        if (!inside)
            break;
    }
    if (inside)
        return path;
    BezierPath bounded = path;
    QPointF points[3];
    for (int i = 0; i < bounded.elementCount(); ++i) {
        const BezierPath::ElementType type = bounded.elementAt(i, points);
        const int count = type == BezierPath::CurveTo ? 3 : (type == BezierPath::ClosePath ? 0 : 1);
        if (count == 0)
            continue;
        for (int k = 0; k < count; ++k)
            points[k] = QPointF(std::clamp(points[k].x(), -limit, limit), std::clamp(points[k].y(), -limit, limit));
        bounded.setAssociatedPoints(points, i);
    }
    return bounded;
}

bool sameUpToRounding(const QRectF &a, const QRectF &b)
{
    auto near = [](double x, double y) {
        return std::abs(x - y) <= 1e-9 * std::max({1.0, std::abs(x), std::abs(y)});
    };
    return near(a.left(), b.left()) && near(a.top(), b.top()) && near(a.right(), b.right())
           && near(a.bottom(), b.bottom());
}

} // namespace

ColorPath::ColorPath()
    : ColorPath(QRectF())
{
}

ColorPath::ColorPath(const QRectF &frame)
    : ColorRect(frame)
    , colorPath(startingOutline(frame, strokeLineWidth()))
{
}

ColorPath::~ColorPath()
{
    releaseCostlyPicture(costlyPictureBytes);
    releaseCostlyPicture(costlySelectionBytes);
}

std::shared_ptr<ColorPath> ColorPath::create(const QRectF &frame)
{
    return std::make_shared<ColorPath>(frame);
}

void ColorPath::registerKind()
{
    ObjectFactory::registerClass(QStringLiteral("ColorPath"),
                                 [] { return std::make_shared<ColorPath>(); });
}

QString ColorPath::className() const
{
    return QStringLiteral("ColorPath");
}

std::shared_ptr<ColorRect> ColorPath::newInstance() const
{
    return std::make_shared<ColorPath>();
}

void ColorPath::copyValues(ColorRect &target) const
{
    ColorRect::copyValues(target);
    if (auto *path = dynamic_cast<ColorPath *>(&target)) {
        path->colorPath = colorPath;
        path->pathGeneration = nextPathGeneration();
        path->pictureAnchor = pictureAnchor;
        path->outlineChanged();
    }
}

void ColorPath::initContainer()
{
    ensureTextFlow();
}

void ColorPath::setGroup(Group *newGroup)
{
    ColorRect::setGroup(newGroup);
    if (newGroup && edit)
        setBezierEdit(false);
}

void ColorPath::clear()
{
    colorPath.reset();
    pathGeneration = nextPathGeneration();
    bp = BezierPoint();
    outlineChanged();
}

void ColorPath::setBezierEdit(bool flag)
{
    edit = flag;
    if (!edit) {
        bp = BezierPoint();
        closeDragGroup();
        restorePointer();
    }
    redrawCanvas();
}

void ColorPath::doubleClick()
{
    bp = BezierPoint();
    edit = !edit;
    if (!edit) {
        closeDragGroup();
        restorePointer();
    }
    redrawCanvas();
}

void ColorPath::restorePointer()
{
    if (!editPointerShown)
        return;
    editPointerShown = false;
    if (_mainView)
        _mainView->setDocumentCursor(QCursor(Qt::ArrowCursor));
}

void ColorPath::redrawCanvas()
{
    if (_mainView)
        _mainView->invalidateGraphic(nullptr);
}

BezierPath ColorPath::fittedTo(const QRectF &frame) const
{
    if (!colorPath)
        return BezierPath();
    BezierPath fitted = *colorPath;
    fitted.transform(fittingInto(storedBounds(), frame));
    return fitted;
}

QTransform ColorPath::fittingInto(const QRectF &b, const QRectF &frame)
{
    const double sx = axisScale(frame.width(), b.width());
    const double sy = axisScale(frame.height(), b.height());
    // The stored bounds normally start at 0,0; an outline that does not still lands in the
    // frame.
    QTransform t;
    t.translate(frame.x(), frame.y());
    t.scale(sx, sy);
    t.translate(-b.x(), -b.y());
    return t;
}

BezierPath ColorPath::fitted(const BezierPath &stored, const QRectF &frame)
{
    BezierPath fitted = stored;
    fitted.transform(fittingInto(stored.bounds(), frame));
    return fitted;
}

BezierPath ColorPath::bezierPath() const
{
    QRectF f = _frameBounds;
    if (_isedit)
        f.adjust(handleWidth(), handleWidth(), -handleWidth(), -handleWidth());
    return fittedTo(f);
}

void ColorPath::setBezierPath(const BezierPath &path)
{
    // A point that is not a number would poison every later fitting; such an outline
    // becomes the unit square.
    const bool finite = hasOnlyFinitePoints(path);
    BezierPath taken = finite ? boundedPoints(path) : startingOutline(QRectF(), float(path.lineWidth()));
    QRectF r = finite ? taken.bounds() : QRectF(0, 0, 1, 1);
    if (_isedit)
        r.adjust(-handleWidth(), -handleWidth(), handleWidth(), handleWidth());
    colorPath = std::move(taken);
    pathGeneration = nextPathGeneration();
    outlineChanged();
    pictureAnchor = QPointF();
    UndoManager *manager = undoManager();
    if (manager)
        manager->disableUndoRegistration();
    setFrameBounds(r);
    if (manager)
        manager->enableUndoRegistration();
    const QRectF b = colorPath->bounds();
    if (std::isfinite(b.x()) && std::isfinite(b.y()))
        colorPath->transform(QTransform::fromTranslate(-b.x(), -b.y()));
    pathGeneration = nextPathGeneration();
}

void ColorPath::restoreBezierPath(const BezierPath &pagePath)
{
    const BezierPath current = bezierPath();
    registerUndo([current](ColorRect &object) {
        static_cast<ColorPath &>(object).restoreBezierPath(current);
    });
    setBezierPath(pagePath);
    redrawCanvas();
}

bool ColorPath::deleteSegment()
{
    if (!colorPath || bp.element <= 0 || bp.element >= colorPath->elementCount()
        || colorPath->elementCount() < 5)
        return false;
    const BezierPath fitted = bezierPath();
    BezierPath result;
    result.setLineWidth(fitted.lineWidth());
    result.setWindingRule(fitted.windingRule());
    QPointF pts[3];
    bool draws = false;
    for (int i = 0; i < fitted.elementCount(); ++i) {
        const BezierPath::ElementType type = fitted.elementAt(i, pts);
        if (i == bp.element)
            continue;
        draws = draws || type == BezierPath::LineTo || type == BezierPath::CurveTo;
        BezierPathArchive::appendStored(result, type, pts);
    }
    // An outline left without a line or without area could never be drawn, resized or
    // selected again; the deletion is refused instead.
    const QRectF r = result.bounds();
    if (!draws || !(r.width() > 0) || !(r.height() > 0))
        return false;
    bp = BezierPoint();
    restoreBezierPath(result);
    return true;
}

QVariantMap ColorPath::propertyListRepresentation(const GraphicList *graphics, const LinkedTextPlaces *places)
{
    QVariantMap dict = ColorRect::propertyListRepresentation(graphics, places);
    dict.insert(QStringLiteral("Class"), className());
    if (colorPath)
        dict.insert(QStringLiteral("Path"), archivedOutline());
    return dict;
}

void ColorPath::loadPropertyListRepresentation(const QVariantMap &dict)
{
    ColorRect::loadPropertyListRepresentation(dict);
    const QRectF storedFrame = frameBounds();
    const bool hasStoredFrame = dict.contains(QStringLiteral("Bounds"));
    const auto it = dict.constFind(QStringLiteral("Path"));
    std::optional<BezierPath> path;
    std::optional<KeptOutline> kept;
    if (it != dict.constEnd() && it->typeId() == QMetaType::QByteArray) {
        kept = keptOutline(it->toByteArray());
        path = kept ? std::optional<BezierPath>(kept->outline) : BezierPathArchive::unarchive(it->toByteArray());
    }
    if (!path) {
        // A missing or damaged outline becomes the frame's, taken as a stored outline is, so
        // that it is saved as what it reads back as rather than as the unit square scaled
        // to the frame in single precision.
        const QRectF frame = frameBounds();
        if (!(frame.width() > 0.0) || !(frame.height() > 0.0))
            return;
        path = BezierPath::bezierPathWithRect(frame);
        path->setLineWidth(colorPath ? colorPath->lineWidth() : strokeLineWidth());
    }
    // Taking the outline sets the frame, which clears the template flag; the stored flag
    // is the one that remains.
    const bool storedTemplateFlag = _isTemplate;
    setBezierPath(*path);
    // The outline's own bounds differ from the frame it was saved with in the last digits
    // (a right edge is the left edge plus the width, rounded): the stored frame is kept then,
    // so that a design saved again writes the frame it was opened with.
    if (hasStoredFrame && sameUpToRounding(storedFrame, frameBounds()))
        setFrameBounds(storedFrame);
    _isTemplate = storedTemplateFlag;
    if (kept)
        adoptPictures(*kept);
}

} // namespace quillmark
