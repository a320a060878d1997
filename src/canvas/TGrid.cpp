#include "canvas/TGrid.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "canvas/RectsView.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "platform/Pen.h"

namespace quillmark {

TGrid::TGrid()
    : _color(Qt::blue)
{
}

void TGrid::clear()
{
    if (isEmpty())
        return;
    _draw = false;
    _drawY = false;
    _startPt = _endPt = _startPtY = _endPtY = QPointF();
    if (rectsView)
        rectsView->update();
}

float TGrid::tolerance() const
{
    const float zoom = rectsView ? float(rectsView->getZoom()) : 1.0f;
    return zoom > 0.0f ? _spacing / zoom : _spacing;
}

QPointF TGrid::constrainedRect(const QPointF &point, const QRectF &rect) const
{
    const double t = double(tolerance());
    double x = point.x();
    double y = point.y();
    if (std::fabs(x - rect.left()) < t)
        x = rect.left();
    if (std::fabs(x - rect.right()) < t)
        x = rect.right();
    if (std::fabs(y - rect.top()) < t)
        y = rect.top();
    if (std::fabs(y - rect.bottom()) < t)
        y = rect.bottom();
    return QPointF(x, y);
}

void TGrid::snapToGraphic(QPointF &point, const QRectF &rect, const QRectF &selection)
{
    const QPointF snapped = constrainedRect(point, rect);
    if (snapped == point)
        return;
    if (snapped.x() != point.x() && !_draw) {
        _startPt = QPointF(snapped.x(), std::min(selection.top(), rect.top()));
        _endPt = QPointF(snapped.x(), std::max(selection.bottom(), rect.bottom()));
        _draw = true;
        point.setX(snapped.x());
    }
    if (snapped.y() != point.y() && !_drawY) {
        _startPtY = QPointF(std::min(selection.left(), rect.left()), snapped.y());
        _endPtY = QPointF(std::max(selection.right(), rect.right()), snapped.y());
        _drawY = true;
        point.setY(snapped.y());
    }
}

QPointF TGrid::constrainedPoint(const QPointF &p)
{
    if (!rectsView || !isUsable() || !_isConstraining)
        return p;
    return constrainedPoint(p, rectsView->boundsForObjects());
}

QPointF TGrid::constrainedPoint(const QPointF &p, const QRectF &selection)
{
    if (!rectsView || !isUsable() || !_isConstraining)
        return p;
    return constrainedPoint(p, selection, snapTargets());
}

QList<QRectF> TGrid::snapTargets() const
{
    QList<QRectF> targets;
    if (!rectsView)
        return targets;
    const GraphicList layer = rectsView->layerGraphics();
    QList<const Group *> groups;
    QSet<const Group *> seen;
    for (const GraphicPtr &graphic : layer) {
        if (const Group *owner = graphic->getGroup()) {
            if (!seen.contains(owner)) {
                seen.insert(owner);
                groups.append(owner);
            }
        } else if (!rectsView->isSelected(graphic.get())) {
            targets.append(graphic->frameBoundsRotated());
        }
    }
    const GroupPtr chosen = rectsView->selectedGroup();
    for (const Group *group : std::as_const(groups)) {
        // A group whose members are being dragged does not pull at itself.
        if (group == chosen.get() || rectsView->isSelected(group->getObjects().value(0).get()))
            continue;
        targets.append(group->frameBoundsRotated());
    }
    return targets;
}

QPointF TGrid::constrainedPoint(const QPointF &p, const QRectF &selection, const QList<QRectF> &targets)
{
    if (!rectsView || !isUsable() || !_isConstraining)
        return p;
    const QRectF outline = rectsView->getLabelBoundPath().bounds();
    // The label's edges come first and leave no guide: the label itself shows where they are.
    if (!outline.isEmpty()) {
        const QPointF snapped = constrainedRect(p, outline);
        if (snapped != p)
            return snapped;
    }
    QPointF point = p;
    for (const QRectF &target : targets)
        snapToGraphic(point, target, selection);
    return point;
}

void TGrid::drawRect(QPainter *painter) const
{
    if (!_isConstraining || isEmpty() || !painter)
        return;
    const double zoom = rectsView && rectsView->getZoom() > 0.0 ? rectsView->getZoom() : 1.0;
    auto whole = [](const QPointF &p) { return QPointF(std::trunc(p.x() + 0.5), std::trunc(p.y() + 0.5)); };
    painter->save();
    painter->setBrush(Qt::NoBrush);
    // The dashes are laid out here rather than by the pen: Qt lays a pattern out for a pen
    // thinner than a device pixel as if the pen were a pixel wide, which would stretch the
    // dashes of this half-pixel line to twice their length.
    painter->setPen(makePen(_color, 0.5 / zoom));
    auto dashed = [painter](const QPointF &from, const QPointF &to) {
        const QLineF line(from, to);
        const double length = line.length();
        static constexpr double pattern[2] = {6.0, 3.0};
        double at = 0.0;
        for (int i = 0; at < length; i = 1 - i) {
            const double next = std::min(length, at + pattern[i]);
            if (i == 0)
                painter->drawLine(line.pointAt(at / length), line.pointAt(next / length));
            at = next;
        }
    };
    if (_draw)
        dashed(whole(_startPt), whole(_endPt));
    if (_drawY)
        dashed(whole(_startPtY), whole(_endPtY));
    painter->restore();
}

} // namespace quillmark
