#include "inspector/GeometryPage.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <cmath>

#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "foundation/Measures.h"
#include "foundation/MyStepper.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/ShapePopUp.h"
#include "objects/CanvasServices.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/GroupedObjects.h"
#include "platform/Format.h"
#include "platform/Modifiers.h"
#include "platform/UndoManager.h"

namespace quillmark {

namespace {

// The steppers' bounds until the first unit is known.
constexpr double Far = ColorRect::maxCoordinate;

} // namespace

GeometryPage::GeometryPage(ObjectInfoPanel *info)
    : InspectorPage(info, ObjectInfoPanel::GeometryTab, QStringLiteral("InspectorGeometry"), QStringLiteral("Geometry"))
{
    // Two columns: X and width on the left, Y and height on the right, laid out anew for the
    // language's letters when the page shows (fitLengthFields).
    lbOriginX = addLabel(QStringLiteral("X:"), QRect(4, 8, 22, 22));
    tvOriginX = addField(QStringLiteral("tvOriginX"), QRect(26, 8, 60, 22));
    spOriginX = addStepper(QStringLiteral("spOriginX"), QRect(87, 8, 13, 22), -Far, Far, 1.0);
    lbOriginY = addLabel(QStringLiteral("Y:"), QRect(106, 8, 22, 22));
    tvOriginY = addField(QStringLiteral("tvOriginY"), QRect(128, 8, 60, 22));
    spOriginY = addStepper(QStringLiteral("spOriginY"), QRect(189, 8, 13, 22), -Far, Far, 1.0);
    lbWidth = addLabel(QStringLiteral("W:"), QRect(4, 36, 22, 22));
    tvWidth = addField(QStringLiteral("tvWidth"), QRect(26, 36, 60, 22));
    spWidth = addStepper(QStringLiteral("spWidth"), QRect(87, 36, 13, 22), 0.0, Far, 1.0);
    lbHeight = addLabel(QStringLiteral("H:"), QRect(106, 36, 22, 22));
    tvHeight = addField(QStringLiteral("tvHeight"), QRect(128, 36, 60, 22));
    spHeight = addStepper(QStringLiteral("spHeight"), QRect(189, 36, 13, 22), 0.0, Far, 1.0);
    addLabel(QStringLiteral("Angle"), QRect(4, 64, 44, 22));
    tvAngle = addField(QStringLiteral("tvAngle"), QRect(48, 64, 52, 22));
    tvAngle->setFormat(QStringLiteral("#,###.00"));
    spAngle = addStepper(QStringLiteral("spAngle"), QRect(101, 64, 13, 22), 0.0, 360.0, 1.0, true);
    slAngle = addSlider(QStringLiteral("slAngle"), QRect(120, 64, 82, 22), 0, 360);
    bTextWrap = addCheckBox(QStringLiteral("bTextWrap"), QStringLiteral("Text Wrap"), QRect(4, 94, 198, 20));
    bTextWrap->setToolTip(Language::stringForKey(QStringLiteral("Text Runaround")));
    bFixRatio = addCheckBox(QStringLiteral("bFixRatio"), QStringLiteral("Keep Proportions"), QRect(4, 118, 198, 20));
    // The flips and the shaped text each on lines of their own: "Горизонтально" and
    // "Geformter Text" need the column's whole width.
    addLabel(QStringLiteral("Flip"), QRect(4, 142, 198, 20));
    bFlipHor = addCheckBox(QStringLiteral("bFlipHor"), QStringLiteral("Horizontal"), QRect(16, 162, 186, 20));
    bFlipVert = addCheckBox(QStringLiteral("bFlipVert"), QStringLiteral("Vertical"), QRect(16, 184, 186, 20));
    // Which way each flip turns the object, as the words alone leave open.
    bFlipHor->setToolTip(Language::stringForKey(QStringLiteral("Mirrors the object top to bottom")));
    bFlipVert->setToolTip(Language::stringForKey(QStringLiteral("Mirrors the object left to right")));
    bPowerText = addCheckBox(QStringLiteral("bPowerText"), QStringLiteral("Shaped Text"), QRect(4, 210, 198, 22));
    pbPowerType = new ShapePopUp(this);
    pbPowerType->setObjectName(QStringLiteral("pbPowerType"));
    pbPowerType->setGeometry(24, 234, 92, 24);

    connectValue(tvOriginX, [this](QObject *s) { setOriginX(s); });
    connectValue(spOriginX, [this](QObject *s) { setOriginX(s); });
    connectValue(tvOriginY, [this](QObject *s) { setOriginY(s); });
    connectValue(spOriginY, [this](QObject *s) { setOriginY(s); });
    connectValue(tvWidth, [this](QObject *s) { setWidth(s); });
    connectValue(spWidth, [this](QObject *s) { setWidth(s); });
    connectValue(tvHeight, [this](QObject *s) { setHeight(s); });
    connectValue(spHeight, [this](QObject *s) { setHeight(s); });
    connectValue(tvAngle, [this](QObject *s) { setAngle(s); });
    connectValue(spAngle, [this](QObject *s) { setAngle(s); });
    connectValue(slAngle, [this](QObject *s) { setAngle(s); });
    connectValue(bTextWrap, [this](QObject *s) { setTextWrap(s); });
    connectValue(bFixRatio, [this](QObject *s) { setFixRatio(s); });
    connectValue(bFlipHor, [this](QObject *s) { setFlipHor(s); });
    connectValue(bFlipVert, [this](QObject *s) { setFlipVert(s); });
    connectValue(bPowerText, [this](QObject *s) { setPowerText(s); });
    connectEdit(pbPowerType, &QComboBox::activated, [this] { setPowerType(pbPowerType); });
}

void GeometryPage::showEvent(QShowEvent *event)
{
    InspectorPage::showEvent(event);
    fitLengthFields();
}

void GeometryPage::fitLengthFields()
{
    constexpr int margin = 2;
    constexpr int stepper = 13;
    constexpr int beforeStepper = 1;
    constexpr int betweenColumns = 4;
    auto letters = [](const QLabel *a, const QLabel *b) {
        return std::max(a->fontMetrics().horizontalAdvance(a->text()), b->fontMetrics().horizontalAdvance(b->text())) + 2;
    };
    const int left = letters(lbOriginX, lbWidth);
    const int right = letters(lbOriginY, lbHeight);
    const int field =
        (pageWidth - 2 * margin - left - right - 2 * (beforeStepper + stepper) - betweenColumns) / 2;
    const struct
    {
        QLabel *label;
        NumberField *field;
        MyStepper *stepper;
        int letters;
        int x;
        int y;
    } places[] = {
        {lbOriginX, tvOriginX, spOriginX, left, margin, 8},
        {lbWidth, tvWidth, spWidth, left, margin, 36},
        {lbOriginY, tvOriginY, spOriginY, right, margin + left + field + beforeStepper + stepper + betweenColumns, 8},
        {lbHeight, tvHeight, spHeight, right, margin + left + field + beforeStepper + stepper + betweenColumns, 36},
    };
    for (const auto &place : places) {
        place.label->setGeometry(place.x, place.y, place.letters, 22);
        place.field->setGeometry(place.x + place.letters, place.y, field, 22);
        place.stepper->setGeometry(place.x + place.letters + field + beforeStepper, place.y, stepper, 22);
    }

    // The longest text: one of those shown, or the label's longer side in the unit shown.
    QStringList texts;
    for (NumberField *length : {tvOriginX, tvOriginY, tvWidth, tvHeight})
        texts << length->text();
    if (const CanvasServices *canvas = info()->rectsView()) {
        const double side = std::max(canvas->labelWidth(), canvas->labelHeight());
        if (side > 0.0)
            texts << tvWidth->formatted(double(info()->convertFromPoints(float(side))));
    }
    // The text's room as a line edit lays it out: inside its frame, less its margin of 2 on
    // each side and one for the cursor after the text.
    QStyleOptionFrame option;
    option.initFrom(tvWidth);
    option.rect = QRect(0, 0, field, 22);
    option.lineWidth = tvWidth->hasFrame() ? tvWidth->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, tvWidth) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    const int room = tvWidth->style()->subElementRect(QStyle::SE_LineEditContents, &option, tvWidth)
                         .marginsRemoved(tvWidth->textMargins())
                         .width()
                     - 5;
    auto fits = [&texts, room](const QFont &font) {
        const QFontMetrics metrics(font);
        return std::all_of(texts.begin(), texts.end(),
                           [&](const QString &text) { return metrics.horizontalAdvance(text) <= room; });
    };
    QFont shown = font();
    const double base = shown.pointSizeF();
    if (base > 0.0)
        for (double size = base; !fits(shown) && size - 0.5 >= base * 0.7;) {
            size -= 0.5;
            shown.setPointSizeF(size);
        }
    for (NumberField *length : {tvOriginX, tvOriginY, tvWidth, tvHeight}) {
        if (shown == font())
            length->setFont(QFont());
        else
            length->setFont(shown);
    }
}

// ---- getters ----

QString GeometryPage::measureOf(const std::function<double(const ColorRect &)> &own,
                                const std::function<double(const Group &)> &grouped) const
{
    const GraphicList &objects = selection();
    if (objects.isEmpty())
        return QString();
    const ColorRect &first = *objects.first();
    const double points = first.getGroup() ? grouped(*first.getGroup()) : own(first);
    return fmt2(info()->convertFromPoints(float(points)));
}

QString GeometryPage::originX() const
{
    return measureOf([](const ColorRect &o) { return o.originX(); }, [](const Group &g) { return g.originX(); });
}

QString GeometryPage::originY() const
{
    return measureOf([](const ColorRect &o) { return o.originY(); }, [](const Group &g) { return g.originY(); });
}

QString GeometryPage::width() const
{
    return measureOf([](const ColorRect &o) { return o.width(); }, [](const Group &g) { return g.bounds().width(); });
}

QString GeometryPage::height() const
{
    return measureOf([](const ColorRect &o) { return o.height(); }, [](const Group &g) { return g.bounds().height(); });
}

QString GeometryPage::angle() const
{
    const GraphicList &objects = selection();
    if (objects.isEmpty())
        return QString();
    const ColorRect &first = *objects.first();
    float degrees = first.getGroup() ? first.getGroup()->angle() : first.angle();
    if (degrees < 0.0f)
        degrees += 360.0f;
    return fmt2(degrees);
}

bool GeometryPage::isResizable() const
{
    const GraphicList &objects = selection();
    return std::any_of(objects.begin(), objects.end(), [](const auto &o) { return o->isResizable(); });
}

int GeometryPage::textWrap() const
{
    return fold(selection(), [](const ColorRect &o) { return o.getRunaroundState() != 0; });
}

int GeometryPage::fixRatio() const
{
    // A group resizes in proportion; the loose objects are measured against that, or,
    // without a group, against the first of them (one object keeping its proportions shows
    // on, not mixed). Asked at every click and nudge of thousands of objects: two plain walks.
    const GraphicList &objects = selection();
    bool grouped = false;
    const ColorRect *firstLoose = nullptr;
    for (const std::shared_ptr<ColorRect> &object : objects) {
        if (object->getGroup())
            grouped = true;
        else if (!firstLoose)
            firstLoose = object.get();
    }
    if (!grouped && !firstLoose)
        return 0;
    const int reference = grouped ? 1 : int(firstLoose->fixRatio());
    for (const std::shared_ptr<ColorRect> &object : objects)
        if (!object->getGroup() && int(object->fixRatio()) != reference)
            return -1;
    return reference;
}

int GeometryPage::firstFlagOrMixed(const std::function<bool(const ColorRect &)> &flag) const
{
    const GraphicList &objects = selection();
    if (objects.isEmpty())
        return 0;
    const bool reference = flag(*objects.first());
    for (const std::shared_ptr<ColorRect> &object : objects)
        if (flag(*object) != reference)
            return -1;
    return reference ? 1 : 0;
}

int GeometryPage::flipHor() const
{
    return firstFlagOrMixed([](const ColorRect &o) { return o.flipHor(); });
}

int GeometryPage::flipVert() const
{
    return firstFlagOrMixed([](const ColorRect &o) { return o.flipVert(); });
}

int GeometryPage::powerText() const
{
    return fold(selection(), [](const ColorRect &o) { return o.powerText(); });
}

int GeometryPage::powerType() const
{
    const GraphicList &objects = selection();
    return objects.isEmpty() ? 0 : objects.first()->powerType();
}

// ---- actions ----

void GeometryPage::setOriginX(QObject *sender)
{
    setOrigin(sender, Edge::X);
}

void GeometryPage::setOriginY(QObject *sender)
{
    setOrigin(sender, Edge::Y);
}

void GeometryPage::setOrigin(QObject *sender, Edge edge)
{
    const float value = float(floatValueOf(sender));
    const GraphicList objects = selection();
    if (!objects.isEmpty()) {
        const float points = info()->convertToPoints(value);
        // Each group of the selection moves as one, whichever member came first; the loose
        // objects move one by one, the locked ones staying.
        const GroupedObjects units = groupedObjects(objects);
        for (Group *group : units.groups)
            edge == Edge::X ? group->setOriginX(points) : group->setOriginY(points);
        for (const std::shared_ptr<ColorRect> &object : units.loose) {
            if (object->isLocked())
                continue;
            edge == Edge::X ? object->setOriginX(points) : object->setOriginY(points);
        }
        info()->invalidateCanvas();
        updateValues();
    }
    info()->wasChanged();
    info()->makeRectViewKey();
}

void GeometryPage::setWidth(QObject *sender)
{
    setSize(sender, Edge::X);
}

void GeometryPage::setHeight(QObject *sender)
{
    setSize(sender, Edge::Y);
}

void GeometryPage::setSize(QObject *sender, Edge edge)
{
    const float value = float(floatValueOf(sender));
    const bool shift = (info()->editModifierFlags() & ShiftKeyMask) != 0;
    const GraphicList objects = selection();
    if (!objects.isEmpty()) {
        // The centre is kept for the size the objects take, not for one they refuse.
        const float size = float(std::clamp(double(info()->convertToPoints(value)), 0.0, ColorRect::maxCoordinate));
        // Without Shift the centre stays: the near edge moves by half the change. Each group
        // is sized as one, the loose objects one by one.
        const GroupedObjects units = groupedObjects(objects);
        for (Group *group : units.groups) {
            const QRectF box = group->bounds();
            if (edge == Edge::X) {
                if (!shift)
                    group->setOriginX(float(box.x() - 0.5 * (double(size) - box.width())));
                group->setWidth(size);
            } else {
                if (!shift)
                    group->setOriginY(float(box.y() - 0.5 * (double(size) - box.height())));
                group->setHeight(size);
            }
        }
        for (const std::shared_ptr<ColorRect> &object : units.loose) {
            if (!object->isResizable())
                continue;
            if (edge == Edge::X) {
                if (!shift)
                    object->setOriginX(float(object->originX() - 0.5 * (double(size) - object->width())));
                info()->invalidateGraphic(object.get());
                object->setWidth(size);
            } else {
                if (!shift)
                    object->setOriginY(float(object->originY() - 0.5 * (double(size) - object->height())));
                object->setHeight(size);
            }
        }
        info()->invalidateCanvas();
        updateValues();
    }
    info()->wasChanged();
    info()->makeRectViewKey();
}

void GeometryPage::setAngle(QObject *sender)
{
    // Reduced in double precision first: a float of a large angle has lost its remainder.
    setObjectAngle(float(reducedDegrees(doubleValueOf(sender))));
    info()->makeRectViewKey();
}

void GeometryPage::setObjectAngle(float degrees)
{
    const GraphicList objects = selection();
    if (!std::isfinite(degrees) || objects.isEmpty()) {
        info()->wasChanged();
        info()->makeRectViewKey();
        return;
    }
    CanvasServices *canvas = info()->rectsView();
    UndoManager *undo = canvas ? canvas->undoManager() : nullptr;
    if (undo)
        undo->beginUndoGrouping();
    const QPointF centre = RectsView::boundsForObjects(objects).center();

    const GroupedObjects units = groupedObjects(objects, [](const Group &group) { return group.canSetAngle(); });
    const GraphicList &loose = units.loose;
    for (Group *group : units.groups)
        group->setAngle(degrees, centre);

    if (!loose.isEmpty()) {
        // One turn for all, so that the objects keep their angles to each other.
        const float turn = degrees - loose.first()->angle();
        const double radians = double(turn) * Pi / 180.0;
        const double c = std::cos(radians);
        const double s = std::sin(radians);
        for (const std::shared_ptr<ColorRect> &object : std::as_const(loose)) {
            float angle = object->angle() + turn;
            if (angle > 360.0f)
                angle -= 360.0f;
            if (angle < 0.0f)
                angle += 360.0f;
            object->setAngle(angle, true);
            if (loose.size() < 2)
                continue;
            const QPointF p = object->getRotatedBounds().bounds().center();
            const QPointF turnedCentre(centre.x() + (p.x() - centre.x()) * c - (p.y() - centre.y()) * s,
                                       centre.y() + (p.x() - centre.x()) * s + (p.y() - centre.y()) * c);
            object->moveBy(turnedCentre - p);
        }
    }
    if (undo) {
        undo->setActionName(localizedStringFromTable(QStringLiteral("Rotate Object(s)"), QStringLiteral("UndoStrings")));
        undo->endUndoGrouping();
    }
    info()->invalidateCanvas();
    updateValues();
    info()->wasChanged();
    info()->makeRectViewKey();
}

void GeometryPage::setTextWrap(QObject *sender)
{
    const int state = intValueOf(sender);
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setRunaroundState(state);
    if (!objects.isEmpty()) {
        info()->wasChanged();
        info()->invalidateCanvas();
    }
    info()->makeRectViewKey();
}

void GeometryPage::setFixRatio(QObject *sender)
{
    const bool keep = intValueOf(sender) == 1;
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        if (object->canFixRatio())
            object->setFixRatio(keep);
    if (!objects.isEmpty()) {
        info()->invalidateCanvas();
        info()->wasChanged();
    }
    info()->makeRectViewKey();
}

void GeometryPage::setFlipHor(QObject *sender)
{
    setFlip(sender, Edge::X);
}

void GeometryPage::setFlipVert(QObject *sender)
{
    setFlip(sender, Edge::Y);
}

void GeometryPage::setFlip(QObject *sender, Edge edge)
{
    const bool flipped = intValueOf(sender) == 1;
    // A line has no sides to mirror: only what can keep its proportions is flipped.
    for (const std::shared_ptr<ColorRect> &object : selection()) {
        if (!object->canFixRatio())
            continue;
        edge == Edge::X ? object->setFlipHor(flipped) : object->setFlipVert(flipped);
    }
    info()->wasChanged();
    info()->makeRectViewKey();
    info()->invalidateCanvas();
}

void GeometryPage::changeShapedText(const std::function<void(ColorRect &)> &change)
{
    // The objects keep no undo of their own for shaped text, so the page registers the way
    // back: without it Undo would take back whatever was done before instead. The switch
    // may turn the fill on and grey, so that goes back with it.
    struct Look
    {
        bool text;
        int type;
        bool fill;
        QColor fillColor;
    };
    using Restore = std::function<void(const std::shared_ptr<ColorRect> &, const Look &)>;
    CanvasServices *canvas = info()->rectsView();
    UndoManager *undo = canvas ? canvas->undoManager() : nullptr;
    auto lookOf = [](const ColorRect &o) { return Look{o.powerText(), o.powerType(), o.drawsFill(), o.fillColor()}; };
    auto restore = std::make_shared<Restore>();
    // The registered closures hold the shared function weakly: it holds them.
    std::weak_ptr<Restore> weak = restore;
    *restore = [canvas, undo, lookOf, weak](const std::shared_ptr<ColorRect> &object, const Look &look) {
        const Look now = lookOf(*object);
        if (auto self = weak.lock())
            undo->registerUndo([self, object, now] { (*self)(object, now); });
        undo->disableUndoRegistration();
        object->setPowerText(look.text);
        object->setPowerType(look.type);
        object->setFillColor(look.fillColor);
        object->setDrawsFill(look.fill);
        undo->enableUndoRegistration();
        canvas->invalidateGraphic(object.get());
        undo->setActionName(Language::stringForKey(QStringLiteral("Change Shaped Text")));
    };
    for (const std::shared_ptr<ColorRect> &object : selection()) {
        const Look before = lookOf(*object);
        if (undo) {
            undo->disableUndoRegistration();
            change(*object);
            undo->enableUndoRegistration();
            undo->registerUndo([restore, object, before] { (*restore)(object, before); });
            undo->setActionName(Language::stringForKey(QStringLiteral("Change Shaped Text")));
        } else {
            change(*object);
        }
        info()->invalidateGraphic(object.get());
    }
}

void GeometryPage::setPowerText(QObject *sender)
{
    const bool on = intValueOf(sender) != 0;
    const GraphicList objects = selection();
    changeShapedText([on](ColorRect &o) { o.setPowerText(on); });
    if (!objects.isEmpty()) {
        if (CanvasServices *canvas = info()->rectsView())
            canvas->setupCurrObjectTool(0);
        info()->updateFontValues();
        info()->enableText();
        info()->wasChanged();
    }
    updateShapedText();
    info()->makeRectViewKey();
}

void GeometryPage::setPowerType(QObject *sender)
{
    auto *popUp = qobject_cast<QComboBox *>(sender);
    const int shape = popUp ? popUp->currentIndex() : 0;
    const GraphicList objects = selection();
    changeShapedText([shape](ColorRect &o) { o.setPowerType(shape); });
    if (!objects.isEmpty()) {
        info()->updateFontValues();
        info()->wasChanged();
    }
    info()->makeRectViewKey();
}

// ---- refresh ----

void GeometryPage::setUnitIncrement(double step)
{
    for (MyStepper *stepper : {spOriginX, spOriginY, spWidth, spHeight})
        stepper->setIncrement(step);
}

void GeometryPage::updateRanges()
{
    // What the objects hold, in the unit shown, to the hundredth the fields show: a value
    // the note names as the bound is taken when typed.
    const double perPoint = double(info()->convertFromPoints(1.0f));
    const double far = std::floor(ColorRect::maxCoordinate * perPoint * 100.0) / 100.0;
    // A size of nothing leaves an object nobody sees or can take hold of; only a line is
    // still a line without a width or a height.
    const GraphicList &objects = selection();
    const bool lines = !objects.isEmpty() && !objects.first()->getGroup()
                       && std::all_of(objects.begin(), objects.end(), [](const auto &o) {
                              return !o->isResizable() || o->className() == QLatin1String("ColorLine");
                          });
    const double smallest = lines ? 0.0 : 0.01;
    for (NumberField *field : {tvOriginX, tvOriginY})
        field->setAcceptedRange(-far, far);
    for (NumberField *field : {tvWidth, tvHeight})
        field->setAcceptedRange(smallest, far);
    for (MyStepper *stepper : {spOriginX, spOriginY}) {
        stepper->setMinValue(-far);
        stepper->setMaxValue(far);
    }
    for (MyStepper *stepper : {spWidth, spHeight}) {
        stepper->setMinValue(smallest);
        stepper->setMaxValue(far);
    }
}

void GeometryPage::updateFormatters()
{
    const QString format = QStringLiteral("#,###.00 ") + ObjectInfoPanel::unitSuffix(info()->measure());
    for (NumberField *field : {tvOriginX, tvOriginY, tvWidth, tvHeight})
        field->setFormat(format);
    setUnitIncrement(double(info()->convertFromPoints(1.0f)) * (info()->isCommandPressed() ? 10.0 : 1.0));
    updateRanges();
    fitLengthFields();
}

void GeometryPage::updateValues()
{
    if (!selection().isEmpty()) {
        tvOriginX->setStringValue(originX());
        tvOriginY->setStringValue(originY());
        tvWidth->setStringValue(width());
        tvHeight->setStringValue(height());
        tvAngle->setStringValue(angle());
        setState(bTextWrap, textWrap());
        setState(bFixRatio, fixRatio());
        setState(bFlipHor, flipHor());
        setState(bFlipVert, flipVert());
    } else {
        for (NumberField *field : {tvOriginX, tvOriginY, tvWidth, tvHeight, tvAngle})
            field->setStringValue(QString());
        for (QCheckBox *box : {bTextWrap, bFixRatio, bFlipHor, bFlipVert})
            setState(box, 0);
    }
    updateShapedText();
    spOriginX->setDoubleValue(tvOriginX->floatValue());
    spOriginY->setDoubleValue(tvOriginY->floatValue());
    spWidth->setDoubleValue(tvWidth->floatValue());
    spHeight->setDoubleValue(tvHeight->floatValue());
    spAngle->setDoubleValue(tvAngle->floatValue());
    const QSignalBlocker blocker(slAngle);
    slAngle->setValue(sliderPosition(*slAngle, tvAngle->floatValue()));
    fitLengthFields();
}

void GeometryPage::enableControls()
{
    updateRanges();
    const GraphicList &objects = selection();
    const bool any = !objects.isEmpty();
    const bool movable = std::any_of(objects.begin(), objects.end(), [](const auto &o) { return !o->isLocked(); });
    for (QWidget *control : std::initializer_list<QWidget *>{tvOriginX, tvOriginY, spOriginX, spOriginY})
        control->setEnabled(movable);
    const bool resizable = isResizable();
    for (QWidget *control : std::initializer_list<QWidget *>{tvWidth, tvHeight, spWidth, spHeight})
        control->setEnabled(resizable);
    bool turnable = any;
    if (objects.size() >= 2 && objects.first()->getGroup())
        turnable = objects.first()->getGroup()->canSetAngle();
    for (QWidget *control : std::initializer_list<QWidget *>{tvAngle, spAngle, slAngle})
        control->setEnabled(turnable);
    bTextWrap->setEnabled(any);
    const bool keeps = std::any_of(objects.begin(), objects.end(), [](const auto &o) { return o->canFixRatio(); });
    bFixRatio->setEnabled(any && keeps && !(objects.size() >= 2 && objects.first()->getGroup()));
    bFlipHor->setEnabled(any);
    bFlipVert->setEnabled(any);
    enableShapedText();
}

void GeometryPage::updateShapedText()
{
    setState(bPowerText, powerText());
    const QSignalBlocker blocker(pbPowerType);
    pbPowerType->setCurrentIndex(std::clamp(powerType(), 0, ShapePopUp::shapeCount - 1));
    enableShapedText();
}

void GeometryPage::enableShapedText()
{
    // Only a plain box takes shaped text; its shape matters once the switch is on.
    const GraphicList &objects = selection();
    const bool box = std::any_of(objects.begin(), objects.end(),
                                 [](const auto &o) { return o->className() == QLatin1String("ColorRect"); });
    bPowerText->setEnabled(box);
    pbPowerType->setEnabled(box && bPowerText->checkState() != Qt::Unchecked);
}

} // namespace quillmark
