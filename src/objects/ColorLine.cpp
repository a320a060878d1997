#include "objects/ColorLine.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

#include "objects/CanvasServices.h"
#include "objects/KnobResize.h"
#include "objects/ObjectFactory.h"
#include "platform/Modifiers.h"

namespace quillmark {

namespace {

using KnobResize::turnAbout;

// The fixed corner of a drag of an end knob: the corner across the frame.
QPointF anchorOf(const QRectF &f, int knob)
{
    switch (knob) {
    case 1: return f.bottomRight();
    case 3: return f.bottomLeft();
    case 6: return f.topRight();
    case 8: return f.topLeft();
    default: return {};
    }
}

QPointF cornerOf(const QRectF &f, int knob)
{
    switch (knob) {
    case 1: return f.topLeft();
    case 3: return f.topRight();
    case 6: return f.bottomLeft();
    case 8: return f.bottomRight();
    default: return {};
    }
}

} // namespace

ColorLine::ColorLine()
    : ColorLine(QRectF())
{
}

ColorLine::ColorLine(const QRectF &frame)
    : ColorRect(frame)
{
    setLineDefaults();
}

void ColorLine::setLineDefaults()
{
    _stroke = true;
    _fill = false;
    _lineWidth = 1.0f;
}

std::shared_ptr<ColorLine> ColorLine::create(const QRectF &frame)
{
    return std::make_shared<ColorLine>(frame);
}

void ColorLine::registerKind()
{
    ObjectFactory::registerClass(QStringLiteral("ColorLine"),
                                 [] { return std::make_shared<ColorLine>(); });
}

QString ColorLine::className() const
{
    return QStringLiteral("ColorLine");
}

std::shared_ptr<ColorRect> ColorLine::newInstance() const
{
    return std::make_shared<ColorLine>();
}

void ColorLine::copyValues(ColorRect &target) const
{
    ColorRect::copyValues(target);
    if (auto *line = dynamic_cast<ColorLine *>(&target))
        line->setStartsAtLowerLeft(_startsAtLowerLeft);
}

void ColorLine::setStartsAtLowerLeft(bool flag)
{
    _startsAtLowerLeft = flag;
}

float ColorLine::getMaxLineWidth() const
{
    return 150.0f;
}

void ColorLine::flipHorizontally()
{
    _startsAtLowerLeft = !_startsAtLowerLeft;
}

void ColorLine::flipVertically()
{
    _startsAtLowerLeft = !_startsAtLowerLeft;
}

BezierPath ColorLine::bezierPath() const
{
    const QRectF &f = _frameBounds;
    BezierPath path;
    if (_startsAtLowerLeft) {
        path.moveTo(QPointF(f.x(), f.y() + f.height()));
        path.lineTo(QPointF(f.x() + f.width(), f.y()));
    } else {
        path.moveTo(QPointF(f.x(), f.y()));
        path.lineTo(QPointF(f.x() + f.width(), f.y() + f.height()));
    }
    path.setLineWidth(strokeLineWidth());
    return path;
}

BezierPath ColorLine::bezierBoundsPath() const
{
    const double x = _frameBounds.x();
    const double y = _frameBounds.y();
    const double w = _frameBounds.width();
    const double h = _frameBounds.height();
    BezierPath band;
    if (_startsAtLowerLeft) {
        band.moveTo(QPointF(x - 3, y + h - 3));
        band.lineTo(QPointF(x, y + h));
        band.lineTo(QPointF(x + w + 3, y + 3));
        band.lineTo(QPointF(x + w, y));
    } else {
        band.moveTo(QPointF(x + 3, y - 3));
        band.lineTo(QPointF(x, y));
        band.lineTo(QPointF(x + w - 3, y + h + 3));
        band.lineTo(QPointF(x + w, y + h));
    }
    band.closePath();
    if (_angle != 0.0f)
        band.transform(turnAbout(_frameBounds.center(), double(_angle)));
    return band;
}

unsigned ColorLine::knobMask() const
{
    return _startsAtLowerLeft ? 2120u : 2306u;
}

QRectF ColorLine::drawingBounds() const
{
    float grow = 4.0f;
    if (drawsStroke()) {
        const float m = strokeLineWidth() * 0.5f * 1.5f + 1.0f;
        if (m > 4.0f)
            grow = m;
    }
    QRectF area = _frameBounds;
    if (_angle != 0.0f)
        area = turnAbout(area.center(), double(_angle)).map(bezierPath().toPainterPath()).boundingRect();
    area.adjust(-grow, -grow, grow, grow);
    // The stroke's shadow falls beside the line.
    if (drawsShadow()) {
        const double reach = shadowReach();
        area = area.united(area.adjusted(-reach, -reach, reach, reach));
    }
    return area;
}

bool ColorLine::hitTest(const QPointF &point, bool selected) const
{
    if (selected && knobUnderPoint(point) != 0)
        return true;
    const BezierPath band = bezierBoundsPath();
    if (band.isEmpty())
        return drawingBounds().contains(point);
    return band.containsPoint(point);
}

BezierPath ColorLine::getRotatedBounds() const
{
    return BezierPath::bezierPathWithRect(drawingBounds());
}

bool ColorLine::outlineIntersectsRect(const QRectF &rect) const
{
    const BezierPath band = bezierBoundsPath();
    if (band.isEmpty())
        return drawingBounds().intersects(rect);
    return band.toPainterPath().intersects(rect);
}

int ColorLine::rotateKnobUnderPoint(const QRectF &knobRect, const QPointF &point) const
{
    if (!(knobMask() & (1u << 11)))
        return 0;
    const double hw = handleWidth();
    const double x = _frameBounds.x();
    const double y = _frameBounds.y();
    const double w = _frameBounds.width();
    const double h = _frameBounds.height();
    QPointF first, second;
    if (_startsAtLowerLeft) {
        first = QPointF(x + w + hw, y - hw);
        second = QPointF(x - hw, y + h + hw);
    } else {
        first = QPointF(x - hw, y - hw);
        second = QPointF(x + w + hw, y + h + hw);
    }
    // Squares centred on the two places beyond the ends, as every object centres its own.
    for (const QPointF &centre : {first, second}) {
        QRectF square = knobRect;
        square.moveCenter(centre);
        if (square.contains(point))
            return 11;
    }
    return 0;
}

QPointF ColorLine::snappedEnd(const QPointF &anchor, const QPointF &point)
{
    const QPointF d = point - anchor;
    const double ax = std::abs(d.x());
    const double ay = std::abs(d.y());
    if (ay > 2 * ax)
        return QPointF(anchor.x(), anchor.y() + d.y());
    if (ax > 2 * ay)
        return QPointF(anchor.x() + d.x(), anchor.y());
    const double s = std::max(ax, ay);
    return QPointF(anchor.x() + (d.x() > 0 ? s : -s), anchor.y() + (d.y() > 0 ? s : -s));
}

int ColorLine::resizeByMovingKnob(int knob, const QPointF &point, unsigned modifierFlags)
{
    const QRectF old = _frameBounds;
    const QPointF centre = old.center();
    if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
        return knob;
    const QPointF p = _angle != 0.0f ? turnAbout(centre, -double(_angle)).map(point) : point;

    const QPointF a = anchorOf(old, knob);
    const QPointF q = (modifierFlags & ShiftKeyMask) ? snappedEnd(a, p) : p;
    QRectF frame(QPointF(std::min(a.x(), q.x()), std::min(a.y(), q.y())),
                 QPointF(std::max(a.x(), q.x()), std::max(a.y(), q.y())));

    int next = knob;
    const bool leftKnob = knob == 1 || knob == 6;
    const bool rightKnob = knob == 3 || knob == 8;
    const bool topKnob = knob == 1 || knob == 3;
    const bool bottomKnob = knob == 6 || knob == 8;
    const bool acrossX = (leftKnob && q.x() > a.x()) || (rightKnob && q.x() < a.x());
    const bool acrossY = (topKnob && q.y() > a.y()) || (bottomKnob && q.y() < a.y());
    // An end dragged across the fixed end in one axis takes the other diagonal; across both
    // at once the line keeps its diagonal and only the end's knob changes corner.
    if (acrossX) {
        next = flipKnob(next, true);
        flipHorizontally();
    }
    if (acrossY) {
        next = flipKnob(next, false);
        flipVertically();
    }

    if (_isedit)
        frame.adjust(-handleWidth(), -handleWidth(), handleWidth(), handleWidth());

    if (_angle != 0.0f) {
        // The fixed end stays where the turned line shows it.
        const QTransform turn = turnAbout(centre, double(_angle));
        const QPointF first = turn.map(frame.topLeft());
        const QPointF second = turn.map(frame.bottomRight());
        const QPointF mid = (first + second) / 2;
        frame.moveTopLeft(turnAbout(mid, -double(_angle)).map(first));
    }

    setFrameBounds(frame);
    if (_mainView)
        _mainView->invalidateGraphic(nullptr);
    return next;
}

void ColorLine::drawHandlesInView(QPainter *painter)
{
    if (!painter || isDrawingForPrint())
        return;
    const unsigned mask = knobMask();
    QPointF points[4];
    int count = 0;
    for (int knob : {1, 3, 6, 8}) {
        if (mask & (1u << knob))
            points[count++] = cornerOf(_frameBounds, knob);
    }
    drawHandlesAtPoints(std::span<const QPointF>(points, size_t(count)), painter);
}

void ColorLine::drawCenter(QPainter *)
{
}

void ColorLine::setAngle(float)
{
    _angle = 0.0f;
}

QVariantMap ColorLine::propertyListRepresentation(const GraphicList *graphics, const LinkedTextPlaces *places)
{
    QVariantMap dict = ColorRect::propertyListRepresentation(graphics, places);
    dict.insert(QStringLiteral("startAtLine"),
                _startsAtLowerLeft ? QStringLiteral("YES") : QStringLiteral("NO"));
    return dict;
}

void ColorLine::loadPropertyListRepresentation(const QVariantMap &dict)
{
    ColorRect::loadPropertyListRepresentation(dict);
    const auto it = dict.constFind(QStringLiteral("startAtLine"));
    if (it != dict.constEnd())
        setStartsAtLowerLeft(it->typeId() == QMetaType::QString
                             && it->toString() == QLatin1String("YES"));
}

} // namespace quillmark
