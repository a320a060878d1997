#pragma once
// The style page: stroke (on, width, colour, dash pattern), fill (on, plain or gradient,
// two colours, gradient angle) and shadow (on, distance, colour, angle, blur) of every
// selected object. Each edit also becomes the last-used style that the next object drawn
// with a tool takes, also when nothing is selected.
#include <QColor>

#include "inspector/InspectorPage.h"

class QComboBox;

namespace quillmark {

class CPopUpItemCell;

class StylePage : public InspectorPage
{
    Q_OBJECT
public:
    explicit StylePage(ObjectInfoPanel *info);

    // Getters over the style-giving objects (those whose setsInfo answers yes).
    int border() const;
    int fill() const;
    int shadow() const;
    QString lineWidth() const;
    QColor lineColor() const;
    int linePattern() const;
    int fillType() const;
    QColor fillColor1() const;
    QColor fillColor2() const;
    QString fillAngle() const;
    QString shadowDistance() const;
    QColor shadowColor() const;
    QString shadowAngle() const;
    int shadowBlur() const;

    // The actions (the control that fired).
    void setBorder(QObject *sender);
    void setFill(QObject *sender);
    void setShadow(QObject *sender);
    void setLineWidth(QObject *sender);
    void setLineColor(QObject *sender);
    void setLinePattern(QObject *sender);
    void setFillType(QObject *sender);
    void setFillColor1(QObject *sender);
    void setFillColor2(QObject *sender);
    void setFillAngle(QObject *sender);
    void setShadowDistance(QObject *sender);
    void setShadowColor(QObject *sender);
    void setShadowAngle(QObject *sender);
    void setShadowBlur(QObject *sender);

    // The slider of the shadow angle starts at the bottom: its position p stands for the
    // angle p + 270 below 90 and p - 90 from 90 on, and the angle a shows at a + 90 below
    // 270 and at a - 270 from there.
    static int shadowAngleForSliderPosition(int position);
    static int sliderPositionForShadowAngle(double angle);

    // The dash pattern pop-up shows the shared dash list, item i pattern i.
    void fillDashPopUp();

    void updateFormatters() override;
    void updateValues() override;
    void enableControls() override;

    QCheckBox *bBorder = nullptr;
    QCheckBox *bFill = nullptr;
    QCheckBox *bShadow = nullptr;
    NumberField *tvLineWidth = nullptr;
    MyStepper *spLineWidth = nullptr;
    QSlider *slLineWidth = nullptr;
    ColorWell *cwLineColor = nullptr;
    CPopUpItemCell *pbLinePattern = nullptr;
    QComboBox *pbFillType = nullptr;
    ColorWell *cwFillColor1 = nullptr;
    ColorWell *cwFillColor2 = nullptr;
    NumberField *tvFillAngle = nullptr;
    MyStepper *spFillAngle = nullptr;
    QSlider *slFillAngle = nullptr;
    NumberField *tvShadowDistance = nullptr;
    MyStepper *spShadowDistance = nullptr;
    QSlider *slShadowDistance = nullptr;
    ColorWell *cwShadowColor = nullptr;
    NumberField *tvShadowAngle = nullptr;
    MyStepper *spShadowAngle = nullptr;
    QSlider *slShadowAngle = nullptr;
    NumberField *tvShadowBlur = nullptr;
    QSlider *slShadowBlur = nullptr;
    MyStepper *spShadowBlur = nullptr;

private:
    // How far a shadow may fall and how much it may blur: what can still show on the label
    // (its longer side), within what the objects hold.
    double shadowBound() const;
    int shadowBlurBound() const;
    int foldStyleObjects(bool (ColorRect::*property)() const) const;
    std::shared_ptr<ColorRect> firstStyleObject() const;
    // Records a value of the last-used style.
    static void remember(const QString &key, const QVariant &value);
};

} // namespace quillmark
