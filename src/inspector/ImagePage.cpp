#include "inspector/ImagePage.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <cmath>

#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "foundation/MyStepper.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/ColorRect.h"
#include "objects/specImage.h"
#include "platform/ColorWell.h"
#include "platform/Format.h"
#include "platform/UndoManager.h"

namespace quillmark {

ImagePage::ImagePage(ObjectInfoPanel *info)
    : InspectorPage(info, ObjectInfoPanel::ImageTab, QStringLiteral("InspectorImage"), QStringLiteral("Image"))
{
    const double far = double(ColorRect::maxImageOffset) * 72.0;
    bShowImage = addCheckBox(QStringLiteral("bShowImage"), QStringLiteral("Show Image"), QRect(4, 8, 198, 20));
    bScaleBox = addCheckBox(QStringLiteral("bScaleBox"), QStringLiteral("Scale with Box"), QRect(4, 30, 198, 20));
    addLabel(QStringLiteral("Offset X:"), QRect(4, 56, 60, 22));
    tvImgOffsetX = addField(QStringLiteral("tvImgOffsetX"), QRect(64, 56, 80, 22));
    spImgOffsetX = addStepper(QStringLiteral("spImgOffsetX"), QRect(145, 56, 13, 22), -far, far, 1.0);
    addLabel(QStringLiteral("Offset Y:"), QRect(4, 84, 60, 22));
    tvImgOffsetY = addField(QStringLiteral("tvImgOffsetY"), QRect(64, 84, 80, 22));
    spImgOffsetY = addStepper(QStringLiteral("spImgOffsetY"), QRect(145, 84, 13, 22), -far, far, 1.0);
    // The tags the unit change reads the offsets by.
    tvImgOffsetX->setProperty("tag", 4);
    tvImgOffsetY->setProperty("tag", 5);
    spImgOffsetX->setProperty("tag", 204);
    spImgOffsetY->setProperty("tag", 205);
    addLabel(QStringLiteral("Scale X:"), QRect(4, 112, 60, 22));
    tvImgScaleX = addField(QStringLiteral("tvImgScaleX"), QRect(64, 112, 50, 22));
    spImgScaleX = addStepper(QStringLiteral("spImgScaleX"), QRect(115, 112, 13, 22), 0.0, ColorRect::maxImageScale, 1.0);
    slImgScaleX = addSlider(QStringLiteral("slImgScaleX"), QRect(132, 112, 70, 22), 1, 400);
    addLabel(QStringLiteral("Scale Y:"), QRect(4, 140, 60, 22));
    tvImgScaleY = addField(QStringLiteral("tvImgScaleY"), QRect(64, 140, 50, 22));
    spImgScaleY = addStepper(QStringLiteral("spImgScaleY"), QRect(115, 140, 13, 22), 0.0, ColorRect::maxImageScale, 1.0);
    slImgScaleY = addSlider(QStringLiteral("slImgScaleY"), QRect(132, 140, 70, 22), 1, 400);
    for (NumberField *field : {tvImgScaleX, tvImgScaleY})
        field->setFormat(QStringLiteral("#,###.00"));
    addLabel(QStringLiteral("Opacity"), QRect(4, 168, 60, 22));
    slImgOpacity = addSlider(QStringLiteral("slImgOpacity"), QRect(64, 168, 100, 22), 0, 100);
    lbImgOpacity = new QLabel(this);
    lbImgOpacity->setObjectName(QStringLiteral("lbImgOpacity"));
    lbImgOpacity->setGeometry(166, 168, 36, 22);
    lbImgOpacity->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(slImgOpacity, &QSlider::valueChanged, this, [this] { showOpacity(); });
    bTintImage = addCheckBox(QStringLiteral("bTintImage"), QStringLiteral("Tint"), QRect(4, 196, 96, 22));
    cwTintColor = addColorWell(QStringLiteral("cwTintColor"), QRect(154, 196, 48, 22));
    addLabel(QStringLiteral("Tile"), QRect(4, 224, 60, 22));
    tvImgTile = addField(QStringLiteral("tvImgTile"), QRect(64, 224, 50, 22));
    tvImgTile->setFormat(QStringLiteral("#,###"));
    spImgTile = addStepper(QStringLiteral("spImgTile"), QRect(115, 224, 13, 22), 1.0, ColorRect::maxImageTile, 1.0);
    slImgTile = addSlider(QStringLiteral("slImgTile"), QRect(132, 224, 70, 22), 1, 20);
    btnEdit = addButton(QStringLiteral("btnEdit"), QStringLiteral("Image Effects..."), QRect(4, 254, 198, 26));
    connect(btnEdit, &QPushButton::clicked, this, [this] { this->info()->showImageEffectsPanel(); });

    connectValue(bShowImage, [this](QObject *s) { setShowImage(s); });
    connectValue(bScaleBox, [this](QObject *s) { setScaleBox(s); });
    connectValue(tvImgOffsetX, [this](QObject *s) { setImgOffsetX(s); });
    connectValue(spImgOffsetX, [this](QObject *s) { setImgOffsetX(s); });
    connectValue(tvImgOffsetY, [this](QObject *s) { setImgOffsetY(s); });
    connectValue(spImgOffsetY, [this](QObject *s) { setImgOffsetY(s); });
    connectValue(tvImgScaleX, [this](QObject *s) { setImgScaleX(s); });
    connectValue(spImgScaleX, [this](QObject *s) { setImgScaleX(s); });
    connectValue(slImgScaleX, [this](QObject *s) { setImgScaleX(s); });
    connectValue(tvImgScaleY, [this](QObject *s) { setImgScaleY(s); });
    connectValue(spImgScaleY, [this](QObject *s) { setImgScaleY(s); });
    connectValue(slImgScaleY, [this](QObject *s) { setImgScaleY(s); });
    connectValue(slImgOpacity, [this](QObject *s) { setImgOpacity(s); });
    connectValue(bTintImage, [this](QObject *s) { setTintImage(s); });
    connectValue(cwTintColor, [this](QObject *s) { setTintImageColor(s); });
    connectValue(tvImgTile, [this](QObject *s) { setImageTile(s); });
    connectValue(spImgTile, [this](QObject *s) { setImageTile(s); });
    connectValue(slImgTile, [this](QObject *s) { setImageTile(s); });
}

void ImagePage::showOpacity()
{
    lbImgOpacity->setText(QString::number(slImgOpacity->value()) + QLatin1Char('%'));
}

// ---- getters ----

int ImagePage::showsImage() const
{
    return fold(selection(), [](const ColorRect &o) { return o.drawsImage(); });
}

int ImagePage::scalesBox() const
{
    return fold(selection(), [](const ColorRect &o) { return o.isScaleWithBox(); });
}

QString ImagePage::commonValue(const std::function<float(const ColorRect &)> &value, bool inUnit) const
{
    const GraphicList &objects = selection();
    const QString unit = info()->measure();
    auto shown = [&](float v) { return fmt2(inUnit ? RectsView::convertUnitsF(v, unit) : v); };
    if (objects.isEmpty())
        return shown(-1.0f);
    const float first = value(*objects.first());
    for (const std::shared_ptr<ColorRect> &object : objects)
        if (value(*object) != first)
            return QString();
    return shown(first);
}

QString ImagePage::imgOffsetX() const
{
    return commonValue([](const ColorRect &o) { return o.getXImageOffset(); }, true);
}

QString ImagePage::imgOffsetY() const
{
    return commonValue([](const ColorRect &o) { return o.getYImageOffset(); }, true);
}

QString ImagePage::imgScaleX() const
{
    return commonValue([](const ColorRect &o) { return o.getXImageScale(); }, false);
}

QString ImagePage::imgScaleY() const
{
    return commonValue([](const ColorRect &o) { return o.getYImageScale(); }, false);
}

int ImagePage::imgOpacity() const
{
    for (const std::shared_ptr<ColorRect> &object : selection())
        if (object->drawsImage())
            return int(object->imageOpacity());
    return 100;
}

bool ImagePage::hasImage() const
{
    const GraphicList &objects = selection();
    return std::any_of(objects.begin(), objects.end(),
                       [](const auto &o) { return o->canDrawsImage() && o->image() != nullptr; });
}

int ImagePage::tintImage() const
{
    const GraphicList &objects = selection();
    if (objects.isEmpty())
        return 0;
    const bool reference = objects.first()->tintImage();
    for (const std::shared_ptr<ColorRect> &object : objects)
        if (object->tintImage() != reference)
            return -1;
    return reference ? 1 : 0;
}

QColor ImagePage::tintImageColor() const
{
    for (const std::shared_ptr<ColorRect> &object : selection())
        if (object->tintImage())
            return object->tintImageColor();
    return lightGray();
}

QString ImagePage::imageTile() const
{
    const GraphicList &objects = selection();
    if (objects.isEmpty())
        return QStringLiteral("1");
    return QString::number(int(objects.first()->imageTile()));
}

// ---- actions ----

void ImagePage::setShowImage(QObject *sender)
{
    const int state = intValueOf(sender);
    for (const std::shared_ptr<ColorRect> &object : selection())
        object->setDrawsImage(state != 0);
    info()->wasChanged();
    info()->makeRectViewKey();
}

void ImagePage::setScaleBox(QObject *sender)
{
    const bool flag = intValueOf(sender) == 1;
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setScaleWithBox(flag);
    if (!objects.isEmpty())
        info()->invalidateCanvas();
    info()->wasChanged();
    info()->enableControls();
    updateValues();
    info()->makeRectViewKey();
}

void ImagePage::setImgOffsetX(QObject *sender)
{
    setOffset(sender, true);
}

void ImagePage::setImgOffsetY(QObject *sender)
{
    setOffset(sender, false);
}

void ImagePage::setOffset(QObject *sender, bool horizontal)
{
    // The objects keep inches whatever unit the field shows.
    const float inches = RectsView::convertUnits2inchesF(float(floatValueOf(sender)), info()->measure());
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects) {
        horizontal ? object->setXImageOffset(inches) : object->setYImageOffset(inches);
        info()->invalidateGraphic(object.get());
    }
    if (!objects.isEmpty())
        updateValues();
    info()->wasChanged();
    info()->makeRectViewKey();
}

void ImagePage::setImgScaleX(QObject *sender)
{
    setScale(sender, true);
}

void ImagePage::setImgScaleY(QObject *sender)
{
    setScale(sender, false);
}

void ImagePage::setScale(QObject *sender, bool horizontal)
{
    const int percent = intValueOf(sender);
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects) {
        // A typed scale takes effect only once the image no longer follows the box.
        object->setScaleWithBoxOnly(false);
        horizontal ? object->setXImageScale(float(percent)) : object->setYImageScale(float(percent));
        info()->invalidateGraphic(object.get());
    }
    if (!objects.isEmpty())
        updateValues();
    info()->wasChanged();
    info()->makeRectViewKey();
}

void ImagePage::setImgOpacity(QObject *sender)
{
    const int percent = intValueOf(sender);
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects)
        object->setImageOpacity(float(percent));
    if (!objects.isEmpty())
        info()->invalidateCanvas();
    info()->wasChanged();
    info()->makeRectViewKey();
}

void ImagePage::setTintImage(QObject *sender)
{
    const bool tinted = intValueOf(sender) == 1;
    const GraphicList objects = selection();
    CanvasServices *canvas = info()->rectsView();
    UndoManager *undo = canvas ? canvas->undoManager() : nullptr;
    // Ticking Tint and the colour it starts from are one step.
    if (undo)
        undo->beginUndoGrouping();
    for (const std::shared_ptr<ColorRect> &object : objects) {
        if (!object->canDrawsImage())
            continue;
        object->setTintImage(tinted);
        // A new object's tint colour is fully transparent, which tints nothing: ticking
        // Tint would show no change at all. It starts from a visible colour instead.
        if (tinted && object->tintImageColor().alpha() == 0) {
            object->setTintImageColor(startingTintColor());
            // The step is named after what the user did.
            if (undo)
                undo->setActionName(Language::stringForKey(QStringLiteral("Change Image Tint")));
        }
    }
    if (undo)
        undo->endUndoGrouping();
    if (!objects.isEmpty())
        info()->invalidateCanvas();
    showTintColor(tinted);
    info()->wasChanged();
    info()->makeRectViewKey();
}

QColor ImagePage::startingTintColor()
{
    // Half covering, so that the picture still shows through its tint.
    return QColor(112, 66, 20, 128);
}

void ImagePage::showTintColor(bool tinted)
{
    cwTintColor->setColor(tinted ? tintImageColor() : lightGray());
    cwTintColor->setEnabled(tinted && hasImage());
}

void ImagePage::setTintImageColor(QObject *sender)
{
    auto *well = qobject_cast<ColorWell *>(sender);
    if (!well)
        return;
    const QColor color = well->color();
    bool any = false;
    for (const std::shared_ptr<ColorRect> &object : selection()) {
        if (!object->tintImage())
            continue;
        object->setTintImageColor(color);
        any = true;
    }
    if (any) {
        info()->invalidateCanvas();
        info()->wasChanged();
    }
    info()->makeRectViewKey();
}

void ImagePage::setImageTile(QObject *sender)
{
    // Whole copies only; the objects make 0 or less one copy.
    const int count = intValueOf(sender);
    const GraphicList objects = selection();
    for (const std::shared_ptr<ColorRect> &object : objects) {
        object->setImageTile(float(count));
        info()->invalidateGraphic(object.get());
    }
    if (!objects.isEmpty()) {
        info()->updateImageValues();
        info()->wasChanged();
    }
    info()->makeRectViewKey();
}

// ---- refresh ----

void ImagePage::setUnitIncrement(double step)
{
    spImgOffsetX->setIncrement(step);
    spImgOffsetY->setIncrement(step);
}

void ImagePage::updateFormatters()
{
    const QString format = QStringLiteral("#,###.00 ") + ObjectInfoPanel::unitSuffix(info()->measure());
    tvImgOffsetX->setFormat(format);
    tvImgOffsetY->setFormat(format);
    setUnitIncrement(double(info()->convertFromPoints(1.0f)) * (info()->isCommandPressed() ? 10.0 : 1.0));
    // What an object holds, to the hundredth the fields show; beyond it the typing is refused.
    const double far = std::floor(ColorRect::maxImageOffset * 72.0 * double(info()->convertFromPoints(1.0f)) * 100.0) / 100.0;
    tvImgOffsetX->setAcceptedRange(-far, far);
    tvImgOffsetY->setAcceptedRange(-far, far);
    tvImgScaleX->setAcceptedRange(0.0, ColorRect::maxImageScale);
    tvImgScaleY->setAcceptedRange(0.0, ColorRect::maxImageScale);
}

void ImagePage::updateValues()
{
    const GraphicList &objects = selection();
    const bool every = !objects.isEmpty()
                       && std::all_of(objects.begin(), objects.end(), [](const auto &o) { return o->drawsImage(); });
    const QSignalBlocker opacity(slImgOpacity);
    if (every) {
        setState(bShowImage, showsImage());
        setState(bScaleBox, scalesBox());
        if (bScaleBox->checkState() == Qt::Unchecked) {
            tvImgOffsetX->setStringValue(imgOffsetX());
            tvImgOffsetY->setStringValue(imgOffsetY());
            tvImgScaleX->setStringValue(imgScaleX());
            tvImgScaleY->setStringValue(imgScaleY());
        } else {
            for (NumberField *field : {tvImgOffsetX, tvImgOffsetY, tvImgScaleX, tvImgScaleY})
                field->setStringValue(QString());
        }
        slImgOpacity->setValue(imgOpacity());
        setState(bTintImage, tintImage());
        cwTintColor->setColor(tintImageColor());
        tvImgTile->setStringValue(imageTile());
    } else {
        setState(bShowImage, 0);
        setState(bScaleBox, 0);
        for (NumberField *field : {tvImgOffsetX, tvImgOffsetY, tvImgScaleX, tvImgScaleY})
            field->setStringValue(QString());
        // With nothing selected, or nothing that draws its picture, the opacity a picture gets
        // is shown: 100.
        const bool none = std::none_of(objects.begin(), objects.end(), [](const auto &o) { return o->drawsImage(); });
        slImgOpacity->setValue(none ? imgOpacity() : 0);
        setState(bTintImage, 0);
        cwTintColor->setColor(lightGray());
        tvImgTile->setStringValue(QString());
    }
    showOpacity();
    spImgOffsetX->setDoubleValue(tvImgOffsetX->floatValue());
    spImgOffsetY->setDoubleValue(tvImgOffsetY->floatValue());
    spImgScaleX->setDoubleValue(tvImgScaleX->floatValue());
    spImgScaleY->setDoubleValue(tvImgScaleY->floatValue());
    spImgTile->setDoubleValue(tvImgTile->floatValue());
    const QSignalBlocker x(slImgScaleX), y(slImgScaleY), tile(slImgTile);
    slImgScaleX->setValue(sliderPosition(*slImgScaleX, tvImgScaleX->floatValue()));
    slImgScaleY->setValue(sliderPosition(*slImgScaleY, tvImgScaleY->floatValue()));
    slImgTile->setValue(sliderPosition(*slImgTile, tvImgTile->floatValue()));
}

void ImagePage::enableControls()
{
    const bool image = hasImage();
    for (QWidget *control : std::initializer_list<QWidget *>{bShowImage, bScaleBox, slImgOpacity, lbImgOpacity,
                                                             bTintImage, tvImgTile, spImgTile, slImgTile})
        control->setEnabled(image);
    cwTintColor->setEnabled(image && bTintImage->checkState() == Qt::Checked);
    // The effects work on the first object's picture, and only once the panel is there.
    const GraphicList &objects = selection();
    btnEdit->setEnabled(image && objects.first()->image() != nullptr && info()->hasImageEffectsPanel());
    const bool placed = image && bScaleBox->checkState() == Qt::Unchecked;
    for (QWidget *control : std::initializer_list<QWidget *>{tvImgOffsetX, tvImgOffsetY, tvImgScaleX, tvImgScaleY,
                                                             spImgOffsetX, spImgOffsetY, spImgScaleX, spImgScaleY,
                                                             slImgScaleX, slImgScaleY})
        control->setEnabled(placed);
}

} // namespace quillmark
