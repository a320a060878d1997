#pragma once
// The image page: whether each selected object draws its image, whether the image follows
// the box, its offset inside the box in the display unit, its horizontal and vertical scale
// and its opacity. None of these become the last-used style.
#include "inspector/InspectorPage.h"

class QLabel;

namespace quillmark {

class ImagePage : public InspectorPage
{
    Q_OBJECT
public:
    explicit ImagePage(ObjectInfoPanel *info);

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

    void setShowImage(QObject *sender);
    void setScaleBox(QObject *sender);
    void setImgOffsetX(QObject *sender);
    void setImgOffsetY(QObject *sender);
    void setImgScaleX(QObject *sender);
    void setImgScaleY(QObject *sender);
    void setImgOpacity(QObject *sender);

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

private:
    QString commonValue(const std::function<float(const ColorRect &)> &value, bool inUnit) const;
    void setOffset(QObject *sender, bool horizontal);
    void setScale(QObject *sender, bool horizontal);
    void showOpacity();
};

} // namespace quillmark
