#pragma once
// The geometry page: origin, size and angle of the selection in the display unit, the
// text runaround switch, keep-proportions, the two flips and shaped text with its shape. A
// group is shown and edited as one object; a size edit keeps the centre unless Shift is
// held; an angle edit turns several objects about the centre of the whole selection in one
// undo step.
#include "inspector/InspectorPage.h"

class QLabel;

namespace quillmark {

class Group;
class ShapePopUp;

class GeometryPage : public InspectorPage
{
    Q_OBJECT
public:
    explicit GeometryPage(ObjectInfoPanel *info);

    // The first object's (or its group's) values in the display unit, "%.2f"; the angle
    // in degrees from 0 up. Empty without a selection.
    QString originX() const;
    QString originY() const;
    QString width() const;
    QString height() const;
    QString angle() const;
    // Some selected object can be resized.
    bool isResizable() const;
    // The fold of the selection's runaround states.
    int textWrap() const;
    // Keep-proportions: a group in the selection counts as keeping them (1), loose objects
    // as they say; a loose object that differs from the groups (or, without a group, from
    // the first loose object) makes it mixed (-1).
    int fixRatio() const;
    // The first object's flip; -1 as soon as one differs; 0 with nothing selected.
    int flipHor() const;
    int flipVert() const;
    // The fold of the selection's shaped-text switches, and the first object's shape.
    int powerText() const;
    int powerType() const;

    // The actions of the fields, steppers and slider (the control that fired).
    void setOriginX(QObject *sender);
    void setOriginY(QObject *sender);
    void setWidth(QObject *sender);
    void setHeight(QObject *sender);
    void setAngle(QObject *sender);
    // Turns the selection to the angle: groups about the centre of the whole selection,
    // several loose objects by the same turn and carried round that centre, one alone in
    // place. One undo step.
    void setObjectAngle(float degrees);
    void setTextWrap(QObject *sender);
    void setFixRatio(QObject *sender);
    void setFlipHor(QObject *sender);
    void setFlipVert(QObject *sender);
    void setPowerText(QObject *sender);
    void setPowerType(QObject *sender);

    // The step of the origin and size steppers, in the display unit.
    void setUnitIncrement(double step);

    void updateFormatters() override;
    void updateValues() override;
    void enableControls() override;

    NumberField *tvOriginX = nullptr;
    NumberField *tvOriginY = nullptr;
    NumberField *tvWidth = nullptr;
    NumberField *tvHeight = nullptr;
    NumberField *tvAngle = nullptr;
    MyStepper *spOriginX = nullptr;
    MyStepper *spOriginY = nullptr;
    MyStepper *spWidth = nullptr;
    MyStepper *spHeight = nullptr;
    MyStepper *spAngle = nullptr;
    QSlider *slAngle = nullptr;
    QCheckBox *bTextWrap = nullptr;
    QCheckBox *bFixRatio = nullptr;
    QCheckBox *bFlipHor = nullptr;
    QCheckBox *bFlipVert = nullptr;
    QCheckBox *bPowerText = nullptr;
    ShapePopUp *pbPowerType = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The letters of the origin and size rows take the room their texts need in this
    // language and the four fields share the rest of the two columns: "0,42 дюйм" needs more
    // than "0.42 in". Where a length as long as the label ("11,69 дюйм", "29.70 厘米") or one
    // the fields show would not show whole, the four fields write a little smaller.
    void fitLengthFields();

    enum class Edge { X, Y };
    // The values the origin and size fields and steppers take: within what an object holds,
    // and sizes above nothing unless only lines are sized.
    void updateRanges();
    QString measureOf(const std::function<double(const ColorRect &)> &own,
                      const std::function<double(const Group &)> &grouped) const;
    void setOrigin(QObject *sender, Edge edge);
    void setSize(QObject *sender, Edge edge);
    int firstFlagOrMixed(const std::function<bool(const ColorRect &)> &flag) const;
    void setFlip(QObject *sender, Edge edge);
    // Shaped text: the values of the page's switch and pop-up, and the way back for undo.
    void updateShapedText();
    void enableShapedText();
    void changeShapedText(const std::function<void(ColorRect &)> &change);

    QLabel *lbOriginX = nullptr;
    QLabel *lbOriginY = nullptr;
    QLabel *lbWidth = nullptr;
    QLabel *lbHeight = nullptr;
};

} // namespace quillmark
