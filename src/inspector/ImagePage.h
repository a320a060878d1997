#pragma once
// The image page: whether each selected object draws its image, whether the image follows
// the box, its offset inside the box in the display unit, its horizontal and vertical scale,
// its opacity, its tint and tint colour, how many times it is tiled, and the way into the
// image effects panel. None of these become the last-used style.
#include "inspector/InspectorPage.h"

class QLabel;
class QPushButton;

namespace quillmark {

class ImagePage : public InspectorPage
{
    Q_OBJECT
public:
    explicit ImagePage(ObjectInfoPanel *info);

    // The colour Tint starts from on an object whose tint colour is still the transparent
    // one every new object has.
    static QColor startingTintColor();

    // Folds over the whole selection.
    int showsImage() const;
    int scalesBox() const;
    // "%.2f" of the common value (the offsets in the display unit, the scales in percent);
    // empty when two objects differ; -1 inch (or -1.00 percent) with nothing selected.
    QString imgOffsetX() const;
    QString imgOffsetY() const;
    QString imgScaleX() const;
    QString imgScaleY() const;
    // The first object drawing its image: its opacity; 100 when none does.
    int imgOpacity() const;
    // Some selected object can draw an image and holds one.
    bool hasImage() const;
    // The first object's tint; -1 as soon as one differs; 0 with nothing selected.
    int tintImage() const;
    // The tint colour of the first object whose tint is on; light grey when none.
    QColor tintImageColor() const;
    // "%d" of the whole part of the first object's tile count; "1" with nothing selected.
    QString imageTile() const;

    void setShowImage(QObject *sender);
    void setScaleBox(QObject *sender);
    void setImgOffsetX(QObject *sender);
    void setImgOffsetY(QObject *sender);
    void setImgScaleX(QObject *sender);
    void setImgScaleY(QObject *sender);
    void setImgOpacity(QObject *sender);
    void setTintImage(QObject *sender);
    void setTintImageColor(QObject *sender);
    void setImageTile(QObject *sender);

    // The step of the offset steppers, in the display unit.
    void setUnitIncrement(double step);

    void updateFormatters() override;
    void updateValues() override;
    void enableControls() override;

    QCheckBox *bShowImage = nullptr;
    QCheckBox *bScaleBox = nullptr;
    NumberField *tvImgOffsetX = nullptr;
    NumberField *tvImgOffsetY = nullptr;
    MyStepper *spImgOffsetX = nullptr;
    MyStepper *spImgOffsetY = nullptr;
    NumberField *tvImgScaleX = nullptr;
    NumberField *tvImgScaleY = nullptr;
    MyStepper *spImgScaleX = nullptr;
    MyStepper *spImgScaleY = nullptr;
    QSlider *slImgScaleX = nullptr;
    QSlider *slImgScaleY = nullptr;
    QSlider *slImgOpacity = nullptr;
    QLabel *lbImgOpacity = nullptr;
    QCheckBox *bTintImage = nullptr;
    ColorWell *cwTintColor = nullptr;
    NumberField *tvImgTile = nullptr;
    MyStepper *spImgTile = nullptr;
    QSlider *slImgTile = nullptr;
    // Opens the image effects panel on the first selected object's picture.
    QPushButton *btnEdit = nullptr;

private:
    QString commonValue(const std::function<float(const ColorRect &)> &value, bool inUnit) const;
    void setOffset(QObject *sender, bool horizontal);
    void setScale(QObject *sender, bool horizontal);
    void showOpacity();
    void showTintColor(bool tinted);
};

} // namespace quillmark
