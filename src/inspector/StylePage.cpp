#include "inspector/StylePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>

#include <algorithm>
#include <cmath>

#include "foundation/CPopUpItemCell.h"
#include "foundation/LanguageControls.h"
#include "foundation/MyStepper.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/CanvasServices.h"
#include "objects/CDashArray.h"
#include "objects/ColorRect.h"
#include "objects/ObjectInfo.h"
#include "platform/ColorWell.h"
#include "platform/Format.h"

namespace quillmark {

namespace {

// The kinds whose stroke the inspector switches (a kind of them does not count).
bool strokesByKind(const ColorRect &object)
{
    static const QStringList kinds = {QStringLiteral("ColorRect"), QStringLiteral("ColorOval"),
                                      QStringLiteral("ColorLine"), QStringLiteral("ColorPath"),
                                      QStringLiteral("ColorField")};
    return kinds.contains(object.className());
}

QColor colorOf(QObject *sender)
{
    auto *well = qobject_cast<ColorWell *>(sender);
    return well ? well->color() : QColor();
}

int indexOf(QObject *sender)
{
    auto *popUp = qobject_cast<QComboBox *>(sender);
    return popUp ? popUp->currentIndex() : 0;
}

} // namespace

StylePage::StylePage(ObjectInfoPanel *info)
    : InspectorPage(info, ObjectInfoPanel::StyleTab, QStringLiteral("InspectorStyle"), QStringLiteral("Style"))
{
    // Stroke.
    bBorder = addCheckBox(QStringLiteral("bBorder"), QStringLiteral("Stroke"), QRect(4, 8, 130, 22));
    cwLineColor = addColorWell(QStringLiteral("cwLineColor"), QRect(154, 8, 48, 22));
    addLabel(QStringLiteral("Width"), QRect(4, 36, 54, 22));
    tvLineWidth = addField(QStringLiteral("tvLineWidth"), QRect(58, 36, 54, 22));
    spLineWidth = addStepper(QStringLiteral("spLineWidth"), QRect(113, 36, 13, 22), 0.0, 1000.0, 0.5);
    slLineWidth = addSlider(QStringLiteral("slLineWidth"), QRect(130, 36, 72, 22), 0, 40);
    addLabel(QStringLiteral("Pattern"), QRect(4, 64, 54, 22));
    pbLinePattern = new CPopUpItemCell(this);
    pbLinePattern->setObjectName(QStringLiteral("pbLinePattern"));
    pbLinePattern->setGeometry(58, 64, 144, 22);

    // Fill.
    // The kind of fill under its box, on a line of its own: "Радиальный градиент" needs more
    // than the room beside "Заливка".
    bFill = addCheckBox(QStringLiteral("bFill"), QStringLiteral("Fill"), QRect(4, 98, 198, 22));
    pbFillType = new QComboBox(this);
    pbFillType->setObjectName(QStringLiteral("pbFillType"));
    pbFillType->setGeometry(20, 122, 182, 22);
    // Item i is fill type i.
    pbFillType->addItems({QStringLiteral("Solid Color"), QStringLiteral("Radial Gradient"),
                          QStringLiteral("Linear Gradient")});
    LanguageControls::awakeFromNib(pbFillType);
    addLabel(QStringLiteral("Colors"), QRect(4, 150, 54, 22));
    cwFillColor1 = addColorWell(QStringLiteral("cwFillColor1"), QRect(58, 150, 48, 22));
    cwFillColor2 = addColorWell(QStringLiteral("cwFillColor2"), QRect(112, 150, 48, 22));
    addLabel(QStringLiteral("Angle"), QRect(4, 178, 54, 22));
    tvFillAngle = addField(QStringLiteral("tvFillAngle"), QRect(58, 178, 54, 22));
    tvFillAngle->setFormat(QStringLiteral("#,###.00"));
    spFillAngle = addStepper(QStringLiteral("spFillAngle"), QRect(113, 178, 13, 22), 0.0, 360.0, 1.0, true);
    slFillAngle = addSlider(QStringLiteral("slFillAngle"), QRect(130, 178, 72, 22), 0, 360);

    // Shadow.
    bShadow = addCheckBox(QStringLiteral("bShadow"), QStringLiteral("Shadow"), QRect(4, 212, 130, 22));
    cwShadowColor = addColorWell(QStringLiteral("cwShadowColor"), QRect(154, 212, 48, 22));
    addLabel(QStringLiteral("Distance"), QRect(4, 240, 54, 22));
    tvShadowDistance = addField(QStringLiteral("tvShadowDistance"), QRect(58, 240, 54, 22));
    spShadowDistance = addStepper(QStringLiteral("spShadowDistance"), QRect(113, 240, 13, 22), 0.0,
                                  ColorRect::maxShadowDistance, 1.0);
    slShadowDistance = addSlider(QStringLiteral("slShadowDistance"), QRect(130, 240, 72, 22), 0, 100);
    addLabel(QStringLiteral("Angle"), QRect(4, 268, 54, 22));
    tvShadowAngle = addField(QStringLiteral("tvShadowAngle"), QRect(58, 268, 54, 22));
    tvShadowAngle->setFormat(QStringLiteral("#,###.00"));
    spShadowAngle = addStepper(QStringLiteral("spShadowAngle"), QRect(113, 268, 13, 22), 0.0, 360.0, 1.0, true);
    slShadowAngle = addSlider(QStringLiteral("slShadowAngle"), QRect(130, 268, 72, 22), 0, 359);
    addLabel(QStringLiteral("Blur"), QRect(4, 296, 54, 22));
    tvShadowBlur = addField(QStringLiteral("tvShadowBlur"), QRect(58, 296, 54, 22));
    tvShadowBlur->setFormat(QStringLiteral("#,###"));
    spShadowBlur = addStepper(QStringLiteral("spShadowBlur"), QRect(113, 296, 13, 22), 0.0, ColorRect::maxShadowBlur, 1.0);
    slShadowBlur = addSlider(QStringLiteral("slShadowBlur"), QRect(130, 296, 72, 22), 0, ColorRect::maxShadowBlur);

    fillDashPopUp();

    connectValue(bBorder, [this](QObject *s) { setBorder(s); });
    connectValue(bFill, [this](QObject *s) { setFill(s); });
    connectValue(bShadow, [this](QObject *s) { setShadow(s); });
    connectValue(tvLineWidth, [this](QObject *s) { setLineWidth(s); });
    connectValue(spLineWidth, [this](QObject *s) { setLineWidth(s); });
    connectValue(slLineWidth, [this](QObject *s) { setLineWidth(s); });
    connectValue(cwLineColor, [this](QObject *s) { setLineColor(s); });
    connectEdit(pbLinePattern, &QComboBox::activated, [this] { setLinePattern(pbLinePattern); });
    connectEdit(pbFillType, &QComboBox::activated, [this] { setFillType(pbFillType); });
    connectValue(cwFillColor1, [this](QObject *s) { setFillColor1(s); });
    connectValue(cwFillColor2, [this](QObject *s) { setFillColor2(s); });
    connectValue(tvFillAngle, [this](QObject *s) { setFillAngle(s); });
    connectValue(spFillAngle, [this](QObject *s) { setFillAngle(s); });
    connectValue(slFillAngle, [this](QObject *s) { setFillAngle(s); });
    connectValue(tvShadowDistance, [this](QObject *s) { setShadowDistance(s); });
    connectValue(spShadowDistance, [this](QObject *s) { setShadowDistance(s); });
    connectValue(slShadowDistance, [this](QObject *s) { setShadowDistance(s); });
    connectValue(cwShadowColor, [this](QObject *s) { setShadowColor(s); });
    connectValue(tvShadowAngle, [this](QObject *s) { setShadowAngle(s); });
    connectValue(spShadowAngle, [this](QObject *s) { setShadowAngle(s); });
    connectValue(slShadowAngle, [this](QObject *s) { setShadowAngle(s); });
    connectValue(tvShadowBlur, [this](QObject *s) { setShadowBlur(s); });
    connectValue(spShadowBlur, [this](QObject *s) { setShadowBlur(s); });
    connectValue(slShadowBlur, [this](QObject *s) { setShadowBlur(s); });
}

void StylePage::fillDashPopUp()
{
    if (pbLinePattern)
        pbLinePattern->setPatterns(CDashArray::array());
}

void StylePage::remember(const QString &key, const QVariant &value)
{
    ObjectInfo::changedValues().insert(key, value);
}

// ---- getters ----

std::shared_ptr<ColorRect> StylePage::firstStyleObject() const
{
    for (const std::shared_ptr<ColorRect> &object : selection())
        if (object->setsInfo())
            return object;
    return nullptr;
}

int StylePage::foldStyleObjects(bool (ColorRect::*property)() const) const
{
    // As fold() over the selected objects that set the style, read in place: thousands of
    // selected objects are not gathered into a list at every refresh.
    int state = 0;
    for (const std::shared_ptr<ColorRect> &object : selection()) {
        if (!object->setsInfo())
            continue;
        if (((*object).*property)())
            state = 1;
        else if (state == 1)
            state = -1;
    }
    return state;
}

int StylePage::border() const
{
    return foldStyleObjects(&ColorRect::drawsStroke);
}

int StylePage::fill() const
{
    return foldStyleObjects(&ColorRect::drawsFill);
}

int StylePage::shadow() const
{
    return foldStyleObjects(&ColorRect::drawsShadow);
}

QString StylePage::lineWidth() const
{
    const auto first = firstStyleObject();
    return first ? fmt2(first->strokeLineWidth()) : QString();
}

QColor StylePage::lineColor() const
{
    const auto first = firstStyleObject();
    return first ? first->strokeColor() : QColor(Qt::black);
}

int StylePage::linePattern() const
{
    const auto first = firstStyleObject();
    return first ? first->linePattern() : 0;
}

int StylePage::fillType() const
{
    const auto first = firstStyleObject();
    return first ? first->fillType() : 0;
}

QColor StylePage::fillColor1() const
{
    const auto first = firstStyleObject();
    return first ? first->fillColor() : QColor(Qt::black);
}

QColor StylePage::fillColor2() const
{
    const auto first = firstStyleObject();
    return first ? first->fillColor2() : QColor();
}

QString StylePage::fillAngle() const
{
    const auto first = firstStyleObject();
    return first ? fmt2(first->fillAngle()) : QString();
}

QString StylePage::shadowDistance() const
{
    const auto first = firstStyleObject();
    return first ? fmt2(first->shadowDistance()) : QString();
}

QColor StylePage::shadowColor() const
{
    const auto first = firstStyleObject();
    return first ? first->shadowColor() : QColor(Qt::gray);
}

QString StylePage::shadowAngle() const
{
    const auto first = firstStyleObject();
    return first ? fmt2(first->shadowAngle()) : QString();
}

int StylePage::shadowBlur() const
{
    const auto first = firstStyleObject();
    return first ? first->shadowBlur() : 0;
}

// ---- actions ----

void StylePage::setBorder(QObject *sender)
{
    const int state = intValueOf(sender);
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects) {
        object->setDrawsStroke(state != 0);
        info()->invalidateGraphic(object.get());
    }
    if (!objects.isEmpty()) {
        info()->wasChanged();
        info()->invalidateCanvas();
        info()->enableControls();
    }
    remember(ObjectInfo::borderKey, state);
    info()->makeRectViewKey();
}

void StylePage::setFill(QObject *sender)
{
    const int state = intValueOf(sender);
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects) {
        // A line has no inside: switching its fill would leave an Undo that changes nothing.
        if (!object->canFill())
            continue;
        object->setDrawsFill(state != 0);
        info()->invalidateGraphic(object.get());
    }
    if (!objects.isEmpty()) {
        info()->wasChanged();
        info()->invalidateCanvas();
        updateValues();
        info()->enableControls();
    }
    remember(ObjectInfo::fillKey, state);
    info()->makeRectViewKey();
}

void StylePage::setShadow(QObject *sender)
{
    const int state = intValueOf(sender);
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setDrawsShadow(state != 0);
    if (!objects.isEmpty()) {
        info()->wasChanged();
        info()->invalidateCanvas();
        info()->enableControls();
    }
    remember(ObjectInfo::shadowKey, state);
    info()->makeRectViewKey();
}

void StylePage::setLineWidth(QObject *sender)
{
    const float width = float(floatValueOf(sender));
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setStrokeLineWidth(width);
    info()->wasChanged();
    info()->invalidateCanvas();
    // The next object takes what this one accepted, not what was typed (a stroke wider than
    // half the object is cut to that).
    if (const auto first = firstStyleObject())
        remember(ObjectInfo::lineWidthKey, first->strokeLineWidth());
    else if (const auto bounded = ColorRect::boundedValue(width, 0.0, ColorRect::maxCoordinate / 2.0))
        remember(ObjectInfo::lineWidthKey, float(*bounded));
    // The field shows what was taken, with nothing selected too.
    updateValues();
    info()->makeRectViewKey();
}

void StylePage::setLineColor(QObject *sender)
{
    const QColor color = colorOf(sender);
    if (!color.isValid())
        return;
    for (const std::shared_ptr<ColorRect> &object : selection()) {
        object->setStrokeColor(color);
        info()->invalidateCanvas();
    }
    info()->wasChanged();
    remember(ObjectInfo::lineColorKey, color);
    info()->makeRectViewKey();
}

void StylePage::setLinePattern(QObject *sender)
{
    const int pattern = indexOf(sender);
    for (const std::shared_ptr<ColorRect> &object : selection()) {
        object->setLinePattern(pattern);
        info()->invalidateCanvas();
    }
    info()->wasChanged();
    remember(ObjectInfo::linePatternKey, pattern);
    info()->makeRectViewKey();
}

void StylePage::setFillType(QObject *sender)
{
    const int type = indexOf(sender);
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setFillType(type);
    if (!objects.isEmpty()) {
        info()->invalidateCanvas();
        info()->wasChanged();
    }
    updateValues();
    info()->enableControls();
    remember(ObjectInfo::fillTypeKey, type);
    info()->makeRectViewKey();
}

void StylePage::setFillColor1(QObject *sender)
{
    const QColor color = colorOf(sender);
    if (!color.isValid())
        return;
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setFillColor(color);
    if (!objects.isEmpty()) {
        info()->invalidateCanvas();
        info()->wasChanged();
    }
    remember(ObjectInfo::fillColor1Key, color);
    info()->makeRectViewKey();
}

void StylePage::setFillColor2(QObject *sender)
{
    const QColor color = colorOf(sender);
    if (!color.isValid())
        return;
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setFillColor2(color);
    if (!objects.isEmpty()) {
        info()->invalidateCanvas();
        info()->wasChanged();
    }
    remember(ObjectInfo::fillColor2Key, color);
    info()->makeRectViewKey();
}

void StylePage::setFillAngle(QObject *sender)
{
    const double angle = reducedDegrees(doubleValueOf(sender));
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects) {
        object->setFillAngle(angle);
        info()->invalidateGraphic(object.get());
    }
    if (!objects.isEmpty())
        info()->wasChanged();
    if (const auto first = firstStyleObject())
        remember(ObjectInfo::fillAngleKey, float(first->fillAngle()));
    else
        remember(ObjectInfo::fillAngleKey, float(angle));
    updateValues();
    info()->makeRectViewKey();
}

void StylePage::setShadowDistance(QObject *sender)
{
    const float distance = float(floatValueOf(sender));
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setShadowDistance(distance);
    if (!objects.isEmpty()) {
        info()->invalidateCanvas();
        info()->wasChanged();
    }
    if (const auto first = firstStyleObject())
        remember(ObjectInfo::shadowDistanceKey, float(first->shadowDistance()));
    else if (const auto bounded = ColorRect::boundedValue(distance, -shadowBound(), shadowBound()))
        remember(ObjectInfo::shadowDistanceKey, float(*bounded));
    updateValues();
    info()->makeRectViewKey();
}

void StylePage::setShadowColor(QObject *sender)
{
    const QColor color = colorOf(sender);
    if (!color.isValid())
        return;
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setShadowColor(color);
    if (!objects.isEmpty()) {
        info()->invalidateCanvas();
        info()->wasChanged();
    }
    remember(ObjectInfo::shadowColorKey, color);
    info()->makeRectViewKey();
}

int StylePage::shadowAngleForSliderPosition(int position)
{
    return position < 90 ? position + 270 : position - 90;
}

int StylePage::sliderPositionForShadowAngle(double angle)
{
    return int(angle + 90.0 < 360.0 ? angle + 90.0 : angle - 270.0);
}

void StylePage::setShadowAngle(QObject *sender)
{
    // Whole degrees, cut toward zero, of the angle within a turn (a large number as a
    // whole would not fit).
    int angle = int(std::trunc(reducedDegrees(doubleValueOf(sender))));
    if (qobject_cast<QSlider *>(sender))
        angle = shadowAngleForSliderPosition(angle);
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setShadowAngle(double(angle));
    if (!objects.isEmpty()) {
        info()->invalidateCanvas();
        info()->wasChanged();
    }
    if (const auto first = firstStyleObject())
        remember(ObjectInfo::shadowAngleKey, float(first->shadowAngle()));
    else
        remember(ObjectInfo::shadowAngleKey, float(angle));
    updateValues();
    info()->makeRectViewKey();
}

void StylePage::setShadowBlur(QObject *sender)
{
    const int blur = std::clamp(intValueOf(sender), 0, shadowBlurBound());
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setShadowBlur(blur);
    if (!objects.isEmpty()) {
        info()->invalidateCanvas();
        info()->wasChanged();
    }
    const auto first = firstStyleObject();
    remember(ObjectInfo::shadowBlurKey, float(first ? first->shadowBlur() : blur));
    updateValues();
    info()->makeRectViewKey();
}

// ---- refresh ----

double StylePage::shadowBound() const
{
    // A shadow moved further than the label is long falls off it whatever the object.
    CanvasServices *canvas = info()->rectsView();
    const QRectF label = canvas ? canvas->labelBounds() : QRectF();
    const double side = std::max(label.width(), label.height());
    return side >= 1.0 ? std::min(std::floor(side), ColorRect::maxShadowDistance) : ColorRect::maxShadowDistance;
}

int StylePage::shadowBlurBound() const
{
    return std::min(ColorRect::maxShadowBlur, int(shadowBound()));
}

void StylePage::updateFormatters()
{
    tvLineWidth->setFormat(QStringLiteral("#,###.0 pt"));
    tvShadowDistance->setFormat(QStringLiteral("#,###.0 pt"));
    // A shadow typed past what a label can show is refused and said so. A stroke is held
    // by each object to half its size, and the field shows what the object took.
    tvShadowDistance->setAcceptedRange(-shadowBound(), shadowBound());
    spShadowDistance->setMaxValue(shadowBound());
    tvShadowBlur->setAcceptedRange(0.0, shadowBlurBound());
    spShadowBlur->setMaxValue(shadowBlurBound());
    const QSignalBlocker quiet(slShadowBlur);
    slShadowBlur->setMaximum(shadowBlurBound());
}

void StylePage::updateValues()
{
    if (!selection().isEmpty()) {
        setState(bBorder, border());
        setState(bFill, fill());
        setState(bShadow, shadow());
        tvLineWidth->setStringValue(lineWidth());
        cwLineColor->setColor(lineColor());
        pbLinePattern->setCurrentIndex(linePattern());
        if (bFill->checkState() == Qt::Checked) {
            pbFillType->setCurrentIndex(fillType());
            cwFillColor1->setColor(fillColor1());
            const QColor second = fillColor2();
            cwFillColor2->setColor(pbFillType->currentIndex() != 0 && second.isValid() ? second : lightGray());
        } else {
            pbFillType->setCurrentIndex(0);
            cwFillColor1->setColor(lightGray());
            cwFillColor2->setColor(lightGray());
        }
        const bool gradientAngle = bFill->checkState() == Qt::Checked && pbFillType->currentIndex() == 2;
        tvFillAngle->setStringValue(gradientAngle ? fillAngle() : QString());
        tvShadowDistance->setStringValue(shadowDistance());
        cwShadowColor->setColor(shadowColor());
        tvShadowAngle->setStringValue(shadowAngle());
        const QSignalBlocker blur(slShadowBlur);
        slShadowBlur->setValue(shadowBlur());
    } else {
        // Nothing selected: the controls set the style the next object drawn takes, and show
        // it as far as it was chosen.
        const QVariantMap &style = ObjectInfo::changedValues();
        auto number = [&style](const QString &key, const QString &fallback) {
            return style.contains(key) ? fmt2(style.value(key).toDouble()) : fallback;
        };
        auto color = [&style](const QString &key, const QColor &fallback) {
            const QColor chosen = style.value(key).value<QColor>();
            return chosen.isValid() ? chosen : fallback;
        };
        setState(bBorder, style.value(ObjectInfo::borderKey, 0).toInt() != 0 ? 1 : 0);
        setState(bFill, style.value(ObjectInfo::fillKey, 0).toInt() != 0 ? 1 : 0);
        setState(bShadow, style.value(ObjectInfo::shadowKey, 0).toInt() != 0 ? 1 : 0);
        tvLineWidth->setStringValue(number(ObjectInfo::lineWidthKey, QString()));
        cwLineColor->setColor(color(ObjectInfo::lineColorKey, Qt::black));
        pbLinePattern->setCurrentIndex(style.value(ObjectInfo::linePatternKey, 0).toInt());
        pbFillType->setCurrentIndex(style.value(ObjectInfo::fillTypeKey, 0).toInt());
        cwFillColor1->setColor(color(ObjectInfo::fillColor1Key, lightGray()));
        cwFillColor2->setColor(color(ObjectInfo::fillColor2Key, lightGray()));
        tvFillAngle->setStringValue(number(ObjectInfo::fillAngleKey, QString()));
        tvShadowDistance->setStringValue(number(ObjectInfo::shadowDistanceKey, QString()));
        tvShadowAngle->setStringValue(number(ObjectInfo::shadowAngleKey, QString()));
        cwShadowColor->setColor(color(ObjectInfo::shadowColorKey, lightGray()));
        const QSignalBlocker blur(slShadowBlur);
        slShadowBlur->setValue(style.value(ObjectInfo::shadowBlurKey, 0).toInt());
    }
    const QSignalBlocker b1(slLineWidth), b2(slFillAngle), b3(slShadowDistance), b4(slShadowAngle);
    spLineWidth->setDoubleValue(tvLineWidth->floatValue());
    slLineWidth->setValue(sliderPosition(*slLineWidth, tvLineWidth->floatValue()));
    slFillAngle->setValue(sliderPosition(*slFillAngle, tvFillAngle->floatValue()));
    spFillAngle->setDoubleValue(tvFillAngle->floatValue());
    spShadowDistance->setDoubleValue(tvShadowDistance->floatValue());
    slShadowDistance->setValue(sliderPosition(*slShadowDistance, tvShadowDistance->floatValue()));
    spShadowAngle->setDoubleValue(tvShadowAngle->floatValue());
    slShadowAngle->setValue(sliderPositionForShadowAngle(spShadowAngle->doubleValue()));
    tvShadowBlur->setFloatValue(slShadowBlur->value());
    spShadowBlur->setDoubleValue(slShadowBlur->value());
}

void StylePage::enableControls()
{
    const GraphicList &objects = selection();
    const bool any = !objects.isEmpty();
    // With nothing selected every control stays usable: it sets the last-used style.
    const bool style = !any;
    bBorder->setEnabled(style
                        || std::any_of(objects.begin(), objects.end(), [](const auto &o) { return strokesByKind(*o); }));
    const bool stroke = style || bBorder->checkState() == Qt::Checked;
    for (QWidget *control : std::initializer_list<QWidget *>{tvLineWidth, spLineWidth, slLineWidth, cwLineColor, pbLinePattern})
        control->setEnabled(stroke);
    bFill->setEnabled(true);
    bShadow->setEnabled(true);
    const bool filled = style || bFill->checkState() == Qt::Checked;
    const int type = any ? fillType() : pbFillType->currentIndex();
    pbFillType->setEnabled(filled);
    cwFillColor1->setEnabled(filled);
    cwFillColor2->setEnabled(style || (filled && type != 0));
    for (QWidget *control : std::initializer_list<QWidget *>{tvFillAngle, slFillAngle, spFillAngle})
        control->setEnabled(style || (filled && type == 2));
    const bool shadowed = style || bShadow->checkState() == Qt::Checked;
    for (QWidget *control : std::initializer_list<QWidget *>{tvShadowDistance, spShadowDistance, slShadowDistance,
                                                             cwShadowColor, tvShadowAngle, spShadowAngle,
                                                             slShadowAngle, slShadowBlur, tvShadowBlur, spShadowBlur})
        control->setEnabled(shadowed);
}

} // namespace quillmark
