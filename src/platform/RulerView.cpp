#include "platform/RulerView.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHash>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "platform/LocalNumber.h"

namespace quillmark {

namespace {

// Finest spacing of ticks on the screen, in pixels; finer subdivisions are not drawn.
constexpr double MinimumTickSpacing = 4.0;
// Subdivisions drawn below the labelled ticks.
constexpr int FinerLevels = 3;
// How far across the ruler a removable marker must be let go to leave it, in pixels.
constexpr double RemovalDistance = 24.0;

QHash<QString, RulerView::Unit> &unitTable()
{
    static QHash<QString, RulerView::Unit> table = [] {
        QHash<QString, RulerView::Unit> units;
        units.insert(QStringLiteral("Inches"), {QStringLiteral("Inches"), QStringLiteral("in"), 72.0, {2.0}, {0.5, 0.2}});
        units.insert(QStringLiteral("Centimeters"),
                     {QStringLiteral("Centimeters"), QStringLiteral("cm"), 28.35, {2.0}, {0.5, 0.2}});
        units.insert(QStringLiteral("Points"), {QStringLiteral("Points"), QStringLiteral("pt"), 1.0, {10.0}, {0.5}});
        units.insert(QStringLiteral("Picas"), {QStringLiteral("Picas"), QStringLiteral("pc"), 12.0, {10.0}, {0.5}});
        return units;
    }();
    return table;
}

// The length of the labelled step k (k = 0 is one unit): the up cycle's factors in turn
// for k > 0, the down cycle's for k < 0.
double stepAt(const RulerView::Unit &unit, int k)
{
    double step = 1.0;
    if (k > 0) {
        for (int i = 0; i < k; ++i)
            step *= unit.stepUpCycle.at(i % unit.stepUpCycle.size());
    } else {
        for (int i = 0; i < -k; ++i)
            step *= unit.stepDownCycle.at(i % unit.stepDownCycle.size());
    }
    return step;
}

QString labelText(double value)
{
    const double rounded = std::round(value);
    if (std::fabs(value - rounded) < 1e-6)
        return QString::number(qint64(rounded));
    return localNumber(std::round(value * 1000.0) / 1000.0, 'g', 6);
}

QFont labelFont(const QFont &base)
{
    QFont font = base;
    font.setPixelSize(9);
    return font;
}

} // namespace

RulerMarker::RulerMarker(double location, const QImage &image, const QPointF &imageOrigin)
    : m_location(location)
    , m_image(image)
    , m_origin(imageOrigin)
{
}

RulerView::RulerView(Orientation orientation, QWidget *parent)
    : QWidget(parent)
    , m_orientation(orientation)
    , m_unit(*unitNamed(QStringLiteral("Inches")))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

RulerView::~RulerView()
{
    if (m_watched)
        m_watched->removeEventFilter(this);
}

bool RulerView::registerUnitWithName(const QString &name, const QString &abbreviation, double pointsPerUnit,
                                     const QList<double> &stepUpCycle, const QList<double> &stepDownCycle)
{
    if (name.isEmpty() || !(pointsPerUnit > 0.0) || !std::isfinite(pointsPerUnit) || stepUpCycle.isEmpty()
        || stepDownCycle.isEmpty())
        return false;
    // Factors on the wrong side of 1 would make the search for a labelled step endless.
    for (double factor : stepUpCycle)
        if (!(factor > 1.0) || !std::isfinite(factor))
            return false;
    for (double factor : stepDownCycle)
        if (!(factor > 0.0 && factor < 1.0))
            return false;
    unitTable().insert(name, {name, abbreviation, pointsPerUnit, stepUpCycle, stepDownCycle});
    return true;
}

std::optional<RulerView::Unit> RulerView::unitNamed(const QString &name)
{
    const auto &table = unitTable();
    const auto it = table.constFind(name);
    if (it == table.constEnd())
        return std::nullopt;
    return *it;
}

QStringList RulerView::registeredUnitNames()
{
    QStringList names = unitTable().keys();
    names.sort();
    return names;
}

bool RulerView::setMeasurementUnits(const QString &name)
{
    const std::optional<Unit> unit = unitNamed(name);
    if (!unit)
        return false;
    m_unit = *unit;
    update();
    return true;
}

void RulerView::setClientView(RulerClient *client)
{
    if (client == m_client)
        return;
    if (m_client && m_watched)
        m_client->rulerViewWillSetClientView(this, client);
    if (m_watched)
        m_watched->removeEventFilter(this);
    m_client = client;
    m_watched = nullptr;
    m_markers.clear();
    m_tracked.reset();
    watchClientWidget();
    update();
}

void RulerView::watchClientWidget()
{
    if (!m_client)
        return;
    m_watched = m_client->rulerClientWidget();
    // The ticks follow the client wherever it moves or however it is sized.
    if (m_watched)
        m_watched->installEventFilter(this);
}

bool RulerView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watched && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        update();
    return QWidget::eventFilter(watched, event);
}

void RulerView::setOriginOffset(double offset)
{
    if (!std::isfinite(offset) || offset == m_originOffset)
        return;
    m_originOffset = offset;
    update();
}

void RulerView::setMarkers(const QList<RulerMarkerPtr> &markers)
{
    m_markers.clear();
    for (const RulerMarkerPtr &marker : markers)
        if (marker)
            m_markers.append(marker);
    update();
}

void RulerView::addMarker(const RulerMarkerPtr &marker)
{
    if (!marker || m_markers.contains(marker))
        return;
    m_markers.append(marker);
    update();
}

void RulerView::removeMarker(const RulerMarkerPtr &marker)
{
    if (m_markers.removeAll(marker) > 0)
        update();
}

void RulerView::moveRulerlineFromLocation(double from, double to)
{
    if (from >= 0.0) {
        // The line stood where the caller last put it; allow for rounding on the way.
        for (int i = 0; i < m_rulerlines.size(); ++i) {
            if (std::fabs(m_rulerlines.at(i) - from) < 1e-6) {
                m_rulerlines.removeAt(i);
                break;
            }
        }
    }
    if (to >= 0.0 && std::isfinite(to))
        m_rulerlines.append(to);
    update();
}

double RulerView::along(const QPointF &point) const
{
    return m_orientation == Horizontal ? point.x() : point.y();
}

double RulerView::across(const QPointF &point) const
{
    return m_orientation == Horizontal ? point.y() : point.x();
}

double RulerView::clientWidgetOffset() const
{
    if (!m_client || !m_watched)
        return 0.0;
    const QPoint offset = m_watched->mapToGlobal(QPoint(0, 0)) - mapToGlobal(QPoint(0, 0));
    return along(QPointF(offset));
}

double RulerView::clientScale() const
{
    if (!m_client || !m_watched)
        return 1.0;
    const QTransform t = m_client->rulerClientTransform();
    return std::fabs(m_orientation == Horizontal ? t.m11() : t.m22());
}

double RulerView::convertClientToRuler(double location) const
{
    if (!m_client || !m_watched)
        return location;
    const QTransform t = m_client->rulerClientTransform();
    const QPointF p = m_orientation == Horizontal ? t.map(QPointF(location, 0.0)) : t.map(QPointF(0.0, location));
    return along(p) + clientWidgetOffset();
}

double RulerView::convertRulerToClient(double location) const
{
    if (!m_client || !m_watched)
        return location;
    const QTransform t = m_client->rulerClientTransform().inverted();
    const double widget = location - clientWidgetOffset();
    const QPointF p = m_orientation == Horizontal ? t.map(QPointF(widget, 0.0)) : t.map(QPointF(0.0, widget));
    return along(p);
}

double RulerView::zeroLocation() const
{
    const QPointF origin = (m_client && m_watched) ? m_client->rulerClientBoundsOrigin() : QPointF();
    return along(origin) + m_originOffset;
}

void RulerView::setRuleThickness(double thickness)
{
    if (!(thickness >= 0.0) || thickness == m_ruleThickness)
        return;
    m_ruleThickness = thickness;
    updateGeometry();
    emit thicknessChanged();
}

void RulerView::setReservedThicknessForMarkers(double thickness)
{
    if (!(thickness >= 0.0) || thickness == m_markerThickness)
        return;
    m_markerThickness = thickness;
    updateGeometry();
    emit thicknessChanged();
}

void RulerView::setReservedThicknessForAccessoryView(double thickness)
{
    if (!(thickness >= 0.0) || thickness == m_accessoryThickness)
        return;
    m_accessoryThickness = thickness;
    updateGeometry();
    emit thicknessChanged();
}

void RulerView::setAccessoryView(QWidget *view)
{
    if (m_accessory == view)
        return;
    if (m_accessory && m_accessory->parent() == this)
        m_accessory->hide();
    m_accessory = view;
    if (view) {
        view->setParent(this);
        view->move(0, 0);
        if (!view->isHidden())
            view->show();
    }
    updateGeometry();
    emit thicknessChanged();
}

double RulerView::requiredThickness() const
{
    double accessory = m_accessoryThickness;
    if (m_accessory && !m_accessory->isHidden()) {
        const QSize size = m_accessory->sizeHint().expandedTo(m_accessory->size());
        accessory = std::max(accessory, double(m_orientation == Horizontal ? size.height() : size.width()));
    }
    return m_ruleThickness + m_markerThickness + accessory;
}

QSize RulerView::sizeHint() const
{
    const int thickness = int(std::ceil(requiredThickness()));
    return m_orientation == Horizontal ? QSize(200, thickness) : QSize(thickness, 200);
}

QList<RulerView::Tick> RulerView::ticksBetween(double from, double to) const
{
    if (from > to)
        std::swap(from, to);
    const double unitPixels = m_unit.pointsPerUnit * clientScale();
    if (!(unitPixels > 0.0) || !std::isfinite(unitPixels) || !std::isfinite(from) || !std::isfinite(to))
        return {};

    const QFontMetricsF metrics(labelFont(font()));
    const double labelSpacing = metrics.horizontalAdvance(QStringLiteral("888")) + 8.0;
    // Whole units are labelled as soon as they have room; fractions only when they have
    // twice that, so a ruler does not turn into a row of numbers.
    int k = 0;
    while (stepAt(m_unit, k) * unitPixels < labelSpacing && k < 64)
        ++k;
    while (k <= 0 && k > -64 && stepAt(m_unit, k - 1) * unitPixels >= 2.0 * labelSpacing)
        --k;

    QList<double> steps{stepAt(m_unit, k)};
    for (int level = 1; level <= FinerLevels; ++level) {
        const double step = stepAt(m_unit, k - level);
        if (step * unitPixels < MinimumTickSpacing)
            break;
        steps.append(step);
    }
    const double finest = steps.last();
    QList<qint64> ratios;
    for (double step : steps)
        ratios.append(std::max<qint64>(1, std::llround(step / finest)));

    const double zero = zeroLocation();
    const double perUnit = m_unit.pointsPerUnit;
    const double first = std::floor((from - zero) / perUnit / finest);
    const double last = std::ceil((to - zero) / perUnit / finest);
    // A ruler is a few thousand pixels at most; anything more is a broken client.
    if (!(last - first < 100000.0))
        return {};

    QList<Tick> ticks;
    for (qint64 i = qint64(first); i <= qint64(last); ++i) {
        int level = int(ratios.size()) - 1;
        for (int l = 0; l < ratios.size(); ++l) {
            if (i % ratios.at(l) == 0) {
                level = l;
                break;
            }
        }
        Tick tick;
        tick.location = zero + double(i) * finest * perUnit;
        tick.level = level;
        if (level == 0)
            tick.label = labelText(double(i) * finest);
        ticks.append(tick);
    }
    return ticks;
}

QRectF RulerView::markerRect(const RulerMarker &marker) const
{
    const QSizeF size = marker.image().size();
    const QPointF origin = marker.imageOrigin();
    const double position = convertClientToRuler(marker.markerLocation());
    // The image point at the origin stands on the location at the ruler's inner edge.
    if (m_orientation == Horizontal)
        return QRectF(position - origin.x(), height() - (size.height() - origin.y()), size.width(), size.height());
    return QRectF(width() - origin.x(), position - (size.height() - origin.y()), size.width(), size.height());
}

void RulerView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    drawRuler(&painter, QRectF(event->rect()));
}

QColor RulerView::backgroundColor() const
{
    return palette().color(QPalette::Base);
}

void RulerView::drawRuler(QPainter *painter, const QRectF &area)
{
    painter->save();
    painter->fillRect(area, backgroundColor());
    const QColor ink = palette().color(QPalette::Text);
    const QColor border = palette().color(QPalette::Mid);

    const bool horizontal = m_orientation == Horizontal;
    const double length = horizontal ? width() : height();
    const double thick = horizontal ? height() : width();
    // The rule lies next to the markers' band, which lies along the inner edge.
    const double baseline = thick - m_markerThickness;
    const double from = convertRulerToClient(0.0);
    const double to = convertRulerToClient(length);

    const QFont font = labelFont(this->font());
    const QFontMetricsF metrics(font);
    painter->setFont(font);
    painter->setPen(QPen(ink, 0.0));
    static constexpr double lengths[] = {0.75, 0.45, 0.3, 0.2};
    for (const Tick &tick : ticksBetween(from, to)) {
        const double at = std::floor(convertClientToRuler(tick.location)) + 0.5;
        const double reach = m_ruleThickness * lengths[std::clamp(tick.level, 0, 3)];
        if (horizontal) {
            painter->drawLine(QPointF(at, baseline), QPointF(at, baseline - reach));
            if (!tick.label.isEmpty())
                painter->drawText(QPointF(at + 2.0, baseline - m_ruleThickness + metrics.ascent()), tick.label);
        } else {
            painter->drawLine(QPointF(baseline, at), QPointF(baseline - reach, at));
            if (!tick.label.isEmpty()) {
                // Read upwards, just below the tick, like a turned horizontal ruler.
                painter->save();
                painter->translate(baseline - m_ruleThickness + metrics.ascent(),
                                   at + 2.0 + metrics.horizontalAdvance(tick.label));
                painter->rotate(-90.0);
                painter->drawText(QPointF(0.0, 0.0), tick.label);
                painter->restore();
            }
        }
    }

    painter->setPen(QPen(border, 0.0));
    if (horizontal)
        painter->drawLine(QPointF(0.0, thick - 0.5), QPointF(length, thick - 0.5));
    else
        painter->drawLine(QPointF(thick - 0.5, 0.0), QPointF(thick - 0.5, length));

    for (const RulerMarkerPtr &marker : std::as_const(m_markers)) {
        if (marker != m_tracked)
            painter->drawImage(markerRect(*marker).topLeft(), marker->image());
    }
    if (m_tracked)
        painter->drawImage(markerRect(*m_tracked).topLeft(), m_tracked->image());

    painter->setPen(QPen(ink, 0.0));
    for (double line : std::as_const(m_rulerlines)) {
        const double at = std::floor(line) + 0.5;
        if (horizontal)
            painter->drawLine(QPointF(at, 0.0), QPointF(at, thick));
        else
            painter->drawLine(QPointF(0.0, at), QPointF(thick, at));
    }
    painter->restore();
}

void RulerView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF point = event->position();
    RulerClient *client = m_watched ? m_client : nullptr;
    // The marker drawn last lies on top.
    for (qsizetype i = m_markers.size() - 1; i >= 0; --i) {
        const RulerMarkerPtr marker = m_markers.at(i);
        if (!markerRect(*marker).adjusted(-2.0, -2.0, 2.0, 2.0).contains(point))
            continue;
        if (!marker->isMovable() || (client && !client->rulerViewShouldMoveMarker(this, marker.get()))) {
            event->accept();
            return;
        }
        m_tracked = marker;
        m_grabOffset = along(point) - convertClientToRuler(marker->markerLocation());
        m_trackedMoved = false;
        event->accept();
        return;
    }
    if (client)
        client->rulerViewHandleMouseDown(this, point);
    event->accept();
}

void RulerView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_tracked) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const RulerMarkerPtr marker = m_tracked;
    double location = convertRulerToClient(along(event->position()) - m_grabOffset);
    if (RulerClient *client = m_watched ? m_client : nullptr)
        location = client->rulerViewWillMoveMarker(this, marker.get(), location);
    if (m_tracked == marker && std::isfinite(location))
        marker->setMarkerLocation(location);
    m_trackedMoved = true;
    update();
}

void RulerView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_tracked || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const RulerMarkerPtr marker = m_tracked;
    m_tracked.reset();
    RulerClient *client = m_watched ? m_client : nullptr;
    const double thick = m_orientation == Horizontal ? height() : width();
    const double away = across(event->position());
    const bool offRuler = away < -RemovalDistance || away > thick + RemovalDistance;
    if (marker->isRemovable() && offRuler && client && client->rulerViewShouldRemoveMarker(this, marker.get())) {
        m_markers.removeAll(marker);
        client->rulerViewDidRemoveMarker(this, marker.get());
    } else if (m_trackedMoved && client) {
        client->rulerViewDidMoveMarker(this, marker.get());
    }
    update();
}

} // namespace quillmark
