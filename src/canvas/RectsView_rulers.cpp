// Rulers and measurement units: the four display units and their conversions, the unit
// button's cycle, the rulers counting from the label's top-left corner, the edge markers that
// show the selection's extent and resize it when dragged, and the ruler lines that echo a drag.
#include "canvas/RectsView.h"

#include <QAbstractButton>
#include <QPainter>
#include <QScrollArea>

#include <cmath>

#include "foundation/CRulerView.h"
#include "foundation/Language.h"
#include "foundation/LanguageControls.h"
#include "foundation/MyRulerView.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/GroupedObjects.h"
#include "platform/Appearance.h"
#include "platform/Bundle.h"
#include "platform/ScrollView.h"
#include "platform/UserDefaults.h"

namespace quillmark {

namespace {

struct UnitEntry
{
    const char *name;
    const char *key;
    double pointsPerUnit;
    QList<double> stepUp;
    QList<double> stepDown;
};

// The rulers draw 28.35 points per centimetre; the conversions below take 2.54 centimetres
// per inch. Both are kept as they are: documents and the inspector rely on the conversions.
const QList<UnitEntry> &unitEntries()
{
    static const QList<UnitEntry> entries = {
        {"Inches", "inch", 72.0, {2.0}, {0.5, 0.2}},
        {"Centimeters", "cm", 28.35, {2.0}, {0.5, 0.2}},
        {"Points", "pt", 1.0, {10.0}, {0.5}},
        {"Picas", "pc", 12.0, {10.0}, {0.5}},
    };
    return entries;
}

QImage edgeMarkers[4];
enum { LeftMarker, RightMarker, TopMarker, BottomMarker };

// The knob the edge marker being dragged resizes by; process-wide like the drag itself.
int markerKnobValue = 0;

QString translatedShortName(const QString &key)
{
    const QString text = Language::stringForKey(key);
    return text.isEmpty() ? key : text;
}

int oppositeKnob(int knob)
{
    switch (knob) {
    case 2: return 7;
    case 7: return 2;
    case 4: return 5;
    case 5: return 4;
    default: return knob;
    }
}

int knobForEdge(const QString &edge)
{
    if (edge == QLatin1String("Left Edge"))
        return 4;
    if (edge == QLatin1String("Right Edge"))
        return 5;
    if (edge == QLatin1String("Top Edge"))
        return 2;
    if (edge == QLatin1String("Bottom Edge"))
        return 7;
    return 0;
}

} // namespace

// ---- units ----

void RectsView::initialize()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const UnitEntry &unit : unitEntries())
        RulerView::registerUnitWithName(QString::fromLatin1(unit.name),
                                        Language::stringForKey(QString::fromLatin1(unit.key)), unit.pointsPerUnit,
                                        unit.stepUp, unit.stepDown);
    const char *names[4] = {"EdgeMarkerLeft", "EdgeMarkerRight", "EdgeMarkerTop", "EdgeMarkerBottom"};
    for (int i = 0; i < 4; ++i)
        edgeMarkers[i] = Bundle::imageNamed(QString::fromLatin1(names[i]));
}

void RectsView::setMeasure(const QString &unit)
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setString(unit, QStringLiteral("Measurements"));
    defaults.synchronize();
}

float RectsView::convertUnitsF(float inches, const QString &unit)
{
    if (unit == QLatin1String("Centimeters"))
        return inches * 2.54f;
    if (unit == QLatin1String("Points"))
        return inches * 72.0f;
    if (unit == QLatin1String("Picas"))
        return inches * 6.0f;
    return inches;
}

float RectsView::convertUnits2inchesF(float value, const QString &unit)
{
    if (unit == QLatin1String("Centimeters"))
        return value / 2.54f;
    if (unit == QLatin1String("Points"))
        return value / 72.0f;
    if (unit == QLatin1String("Picas"))
        return value / 6.0f;
    return value;
}

QString RectsView::shortUnitKey(const QString &unit)
{
    if (unit == QLatin1String("Centimeters"))
        return QStringLiteral("cm");
    if (unit == QLatin1String("Points"))
        return QStringLiteral("pt");
    if (unit == QLatin1String("Picas"))
        return QStringLiteral("pc");
    return QStringLiteral("inch");
}

std::pair<double, double> RectsView::barcodeRangeForMeasure(const QString &unit)
{
    if (unit == QLatin1String("Centimeters"))
        return {1.27, 7.62};
    if (unit == QLatin1String("Points"))
        return {36.0, 216.0};
    if (unit == QLatin1String("Picas"))
        return {3.0, 18.0};
    return {0.5, 3.0};
}

void RectsView::updateMeasureBtn()
{
    QAbstractButton *button = m_outlets.mesurementOutlet;
    if (!button)
        return;
    const QString unit = measure();
    const QString key = shortUnitKey(unit);
    // The key goes with the title, so that a change of language shows it translated anew.
    button->setProperty(LanguageControls::keyProperty(), key);
    button->setText(translatedShortName(key));
    emit measureChanged(unit, 1.0);
    changeLabelDescription();
}

void RectsView::changeMesurement()
{
    QAbstractButton *button = m_outlets.mesurementOutlet;
    if (!button)
        return;
    const QString title = button->text();
    // The title may still be the English one when the language changed after it was shown.
    auto shows = [&title](const char *key) {
        const QString english = QString::fromLatin1(key);
        return title == translatedShortName(english) || title == english;
    };
    QString next;
    double factor = 1.0;
    if (shows("inch")) {
        next = QStringLiteral("Centimeters");
        factor = 2.54;
    } else if (shows("cm")) {
        next = QStringLiteral("Points");
        factor = 72.0 / 2.54;
    } else if (shows("pt")) {
        next = QStringLiteral("Picas");
        factor = 1.0 / 12.0;
    } else {
        next = QStringLiteral("Inches");
        factor = 1.0 / 6.0;
    }
    if (RulerView *ruler = horizontalRuler())
        ruler->setMeasurementUnits(next);
    if (RulerView *ruler = verticalRuler())
        ruler->setMeasurementUnits(next);
    const QString key = shortUnitKey(next);
    button->setProperty(LanguageControls::keyProperty(), key);
    button->setText(translatedShortName(key));
    setMeasure(next);
    emit measureChanged(next, factor);
    changeLabelDescription();
}

// ---- rulers ----

RulerView *RectsView::horizontalRuler() const
{
    auto *scroll = qobject_cast<ScrollView *>(m_outlets.scrollView);
    return scroll ? scroll->horizontalRulerView() : nullptr;
}

RulerView *RectsView::verticalRuler() const
{
    auto *scroll = qobject_cast<ScrollView *>(m_outlets.scrollView);
    return scroll ? scroll->verticalRulerView() : nullptr;
}

bool RectsView::rulersVisible() const
{
    auto *scroll = qobject_cast<ScrollView *>(m_outlets.scrollView);
    return scroll && scroll->rulersVisible() && (scroll->horizontalRulerView() || scroll->verticalRulerView());
}

void RectsView::initRulers()
{
    initialize();
    auto *scroll = qobject_cast<ScrollView *>(m_outlets.scrollView);
    if (!scroll)
        return;
    auto *horizontal = new CRulerView;
    scroll->setHorizontalRulerView(horizontal);
    auto *vertical = new MyRulerView(RulerView::Vertical);
    scroll->setVerticalRulerView(vertical);
    horizontal->setClientView(this);
    vertical->setClientView(this);
    updateMeasureBtn();
    setRulerOffsets();
    updateRulers();
    vertical->setReservedThicknessForMarkers(15.0);
    scroll->setRulersVisible(false);
    showHideRuler();
    // The markers are drawn light on a dark ruler.
    auto *appearance = new AppearanceWatcher(this);
    connect(appearance, &AppearanceWatcher::changed, this, [this] { updateRulers(); });
}

void RectsView::showHideRuler()
{
    auto *scroll = qobject_cast<ScrollView *>(m_outlets.scrollView);
    if (!scroll)
        return;
    scroll->setRulersVisible(!scroll->rulersVisible());
    // The visible area changed: a fit follows it.
    resizeRectViewBound(false, false);
}

void RectsView::setRulerOffsets()
{
    // Zero at page point (0, 0), the label's top-left corner, counted from the bounds origin.
    if (RulerView *ruler = horizontalRuler())
        ruler->setOriginOffset(-m_bounds.x());
    if (RulerView *ruler = verticalRuler())
        ruler->setOriginOffset(-m_bounds.y());
}

void RectsView::updateRulers()
{
    // The rulers mark the whole selection's bounds; inside a batch (a nudge of thousands of
    // grouped objects, each group asking after its own move) they are measured once, at its end.
    if (m_batchDepth > 0) {
        m_batchRulers = true;
        return;
    }
    // Both rulers mark the same bounds: a walk of thousands of selected objects each.
    if (!_selectedObjects.isEmpty())
        m_rulerBounds = boundsForObjects();
    updateHorizontalRuler();
    updateVerticalRuler();
    m_rulerBounds.reset();
}

QImage RectsView::imageForRuler(const QImage &image)
{
    if (!isDarkAppearance() || image.isNull())
        return image;
    QImage white = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&white);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(white.rect(), Qt::white);
    return white;
}

void RectsView::updateHorizontalRuler()
{
    RulerView *ruler = horizontalRuler();
    if (!ruler || ruler->trackedMarker())
        return;
    // While text is edited in place the text owns the ruler.
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects))
        if (graphic->isEditable1())
            return;
    if (ruler->clientView() != this)
        ruler->setClientView(this);
    ruler->setMeasurementUnits(measure());
    QList<RulerMarkerPtr> markers;
    if (!_selectedObjects.isEmpty()) {
        const QRectF b = m_rulerBounds ? *m_rulerBounds : boundsForObjects();
        auto left = std::make_shared<RulerMarker>(b.left(), imageForRuler(edgeMarkers[LeftMarker]), QPointF(0, 0));
        left->setRepresentedObject(QStringLiteral("Left Edge"));
        left->setRemovable(true);
        auto right = std::make_shared<RulerMarker>(b.right(), imageForRuler(edgeMarkers[RightMarker]), QPointF(7, 0));
        right->setRepresentedObject(QStringLiteral("Right Edge"));
        right->setRemovable(true);
        markers = {left, right};
    }
    ruler->setMarkers(markers);
}

void RectsView::updateVerticalRuler()
{
    RulerView *ruler = verticalRuler();
    if (!ruler || ruler->trackedMarker())
        return;
    if (ruler->clientView() != this)
        ruler->setClientView(this);
    ruler->setMeasurementUnits(measure());
    QList<RulerMarkerPtr> markers;
    if (!_selectedObjects.isEmpty()) {
        const QRectF b = m_rulerBounds ? *m_rulerBounds : boundsForObjects();
        auto bottom = std::make_shared<RulerMarker>(double(float(b.bottom())),
                                                    imageForRuler(edgeMarkers[BottomMarker]), QPointF(8, 1));
        bottom->setRepresentedObject(QStringLiteral("Bottom Edge"));
        bottom->setRemovable(true);
        auto top = std::make_shared<RulerMarker>(double(float(b.top())), imageForRuler(edgeMarkers[TopMarker]),
                                                 QPointF(8, 8));
        top->setRepresentedObject(QStringLiteral("Top Edge"));
        top->setRemovable(true);
        markers = {bottom, top};
    }
    ruler->setMarkers(markers);
}

// ---- echo lines ----

void RectsView::beginEchoingMoveToRulers(const QRectF &rect)
{
    if (!rulersVisible())
        return;
    RulerView *horizontal = horizontalRuler();
    RulerView *vertical = verticalRuler();
    if (m_echoing)
        stopEchoingMoveToRulers();
    m_echoing = true;
    if (horizontal) {
        const double left = horizontal->convertClientToRuler(rect.left());
        const double right = horizontal->convertClientToRuler(rect.right());
        _horizontalRulerLineRect = QRectF(left, 0.0, right - left, 0.0);
        for (double at : {left, (left + right) / 2.0, right})
            horizontal->moveRulerlineFromLocation(-1.0, at);
    }
    if (vertical) {
        const double top = vertical->convertClientToRuler(rect.top());
        const double bottom = vertical->convertClientToRuler(rect.bottom());
        _verticalRulerLineRect = QRectF(0.0, top, 0.0, bottom - top);
        for (double at : {top, (top + bottom) / 2.0, bottom})
            vertical->moveRulerlineFromLocation(-1.0, at);
    }
}

void RectsView::continueEchoingMoveToRulers(const QRectF &rect)
{
    if (!m_echoing)
        return;
    if (RulerView *horizontal = horizontalRuler()) {
        const QRectF old = _horizontalRulerLineRect;
        const double left = horizontal->convertClientToRuler(rect.left());
        const double right = horizontal->convertClientToRuler(rect.right());
        horizontal->moveRulerlineFromLocation(old.left(), left);
        horizontal->moveRulerlineFromLocation(old.center().x(), (left + right) / 2.0);
        horizontal->moveRulerlineFromLocation(old.right(), right);
        _horizontalRulerLineRect = QRectF(left, 0.0, right - left, 0.0);
    }
    if (RulerView *vertical = verticalRuler()) {
        const QRectF old = _verticalRulerLineRect;
        const double top = vertical->convertClientToRuler(rect.top());
        const double bottom = vertical->convertClientToRuler(rect.bottom());
        vertical->moveRulerlineFromLocation(old.top(), top);
        vertical->moveRulerlineFromLocation(old.center().y(), (top + bottom) / 2.0);
        vertical->moveRulerlineFromLocation(old.bottom(), bottom);
        _verticalRulerLineRect = QRectF(0.0, top, 0.0, bottom - top);
    }
}

void RectsView::stopEchoingMoveToRulers()
{
    if (!m_echoing)
        return;
    m_echoing = false;
    if (RulerView *horizontal = horizontalRuler()) {
        const QRectF old = _horizontalRulerLineRect;
        for (double at : {old.left(), old.center().x(), old.right()})
            horizontal->moveRulerlineFromLocation(at, -1.0);
    }
    if (RulerView *vertical = verticalRuler()) {
        const QRectF old = _verticalRulerLineRect;
        for (double at : {old.top(), old.center().y(), old.bottom()})
            vertical->moveRulerlineFromLocation(at, -1.0);
    }
    _horizontalRulerLineRect = QRectF();
    _verticalRulerLineRect = QRectF();
}

void RectsView::drawRulerlinesWithRect(const QRectF &rect)
{
    if (RulerView *horizontal = horizontalRuler()) {
        horizontal->moveRulerlineFromLocation(-1.0, horizontal->convertClientToRuler(rect.left()));
        horizontal->moveRulerlineFromLocation(-1.0, horizontal->convertClientToRuler(rect.right()));
    }
    if (RulerView *vertical = verticalRuler()) {
        vertical->moveRulerlineFromLocation(-1.0, vertical->convertClientToRuler(rect.top()));
        vertical->moveRulerlineFromLocation(-1.0, vertical->convertClientToRuler(rect.bottom()));
    }
}

void RectsView::eraseRulerlinesWithRect(const QRectF &)
{
    // Redrawn rulers show no lines: every line drawn for the move goes.
    for (RulerView *ruler : {horizontalRuler(), verticalRuler()}) {
        if (!ruler)
            continue;
        const QList<double> lines = ruler->rulerlines();
        for (double at : lines)
            ruler->moveRulerlineFromLocation(at, -1.0);
    }
}

// ---- edge markers ----

int RectsView::markerKnob()
{
    return markerKnobValue;
}

bool RectsView::rulerViewShouldMoveMarker(RulerView *, RulerMarker *)
{
    return !_selectedObjects.isEmpty() && canSelectedMove();
}

double RectsView::rulerViewWillMoveMarker(RulerView *, RulerMarker *marker, double location)
{
    if (_selectedObjects.isEmpty() || !marker)
        return location;
    const QRectF b = boundsForObjects();
    if (markerKnobValue == 0) {
        markerKnobValue = knobForEdge(marker->representedObject());
        if (markerKnobValue == 0)
            return location;
        // The whole drag is one step of undo, however many moves it takes.
        m_undoManager.beginUndoGrouping();
        m_markerUndoOpen = true;
    }
    QPointF delta;
    switch (markerKnobValue) {
    case 4: delta.setX(location - b.left()); break;
    case 5: delta.setX(location - b.right()); break;
    case 2: delta.setY(location - b.top()); break;
    case 7: delta.setY(location - b.bottom()); break;
    default: return location;
    }
    if (delta.isNull())
        return location;

    const GroupedObjects units = groupedObjects(_selectedObjects);
    const GraphicList &work = units.loose;
    for (Group *owner : units.groups) {
        markerKnobValue = owner->resizeByMovingKnob(markerKnobValue, owner->knobLocation(markerKnobValue) + delta, 0);
    }
    if (work.size() == 1) {
        int knob = markerKnobValue;
        const QPointF at = work.first()->knobLocation(knob) + delta;
        // Across the opposite edge the drag goes on from that edge.
        if (work.first()->resizeByMovingKnob(knob, at, 0) != knob)
            markerKnobValue = oppositeKnob(markerKnobValue);
    } else if (work.size() > 1) {
        const std::shared_ptr<Group> together = Group::create();
        together->setRectsView(this);
        together->addObjects(work);
        markerKnobValue =
            together->resizeByMovingKnob(markerKnobValue, together->knobLocation(markerKnobValue) + delta, 0);
        // The members belong to no group again.
        together->clear();
    }
    m_markerChanged = true;
    updateObjectValues();
    update();
    return location;
}

void RectsView::rulerViewDidMoveMarker(RulerView *, RulerMarker *)
{
    markerKnobValue = 0;
    if (m_markerUndoOpen) {
        m_markerUndoOpen = false;
        m_undoManager.endUndoGrouping();
    }
    if (m_markerChanged) {
        m_markerChanged = false;
        wasChanged(true);
    }
    updateRulers();
}

} // namespace quillmark
