#pragma once
// The box of controls of the current filter. The panel calls it in two passes: a trial pass
// that only reserves the height of each control, a trim that drops the unused height at the
// bottom, then a placing pass that adds one ParameterView per control. Frames are worked out
// from the top down in the box's own units, with y growing upwards from the box's bottom edge,
// and turned into widget geometry as each control is placed.
#include <QRect>
#include <QString>

#include "images/EffectStackBox.h"

namespace quillmark {

struct FilterInput;
class ParameterView;

class FilterView : public EffectStackBox
{
    Q_OBJECT
public:
    // The kinds of control, as `lastControlType` notes them.
    enum ControlKind {
        NoControl = 0,
        SliderControl = 1,
        ColorWellControl = 2,
        CheckBoxControl = 3,
        ImageWellControl = 4,
        TransformControl = 5,
        VectorControl = 6,
        TextViewControl = 7,
        OffsetControl = 8,
    };

    // The control an input gets, by its class and type; `isSourceKey` for the input that
    // takes the panel's picture (it gets none).
    static ControlKind controlKindFor(const FilterInput &input, bool isSourceKey);

    // `frame` in the parent's widget coordinates.
    FilterView(const QRect &frame, QWidget *parent);

    void setTag(int tag) { m_tag = tag; }
    int tag() const { return m_tag; }
    int controlLeftPosition() const { return m_controlLeftPosition; }
    int controlTopPosition() const { return m_controlTopPosition; }
    int colorWellOffset() const { return m_colorWellOffset; }
    int lastControlType() const { return m_lastControlType; }

    void tryFilterHeader(ImageFilter *filter);
    void trimBox();
    void addFilterHeader(ImageFilter *filter, int tag, bool enabled);
    // The trial and the placing operation of a control kind (NoControl does nothing).
    void tryControl(ControlKind kind, const QString &key);
    ParameterView *addControl(ControlKind kind, const QString &key);
    // Once every control is placed: labels that their shortening made alike ("Component...")
    // are shortened anew without the words they all begin with ("1 frequency", "1 phase
    // shift"), so that each control can be told from the others.
    void distinguishLabels();

    // The box's own units to widget geometry: (x, y) is the lower-left corner, y upwards.
    QRect widgetFrame(int x, int y, int width, int height) const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Both passes of a colour well: the row it goes in, and its frame.
    QRect colorWellStep();

    int m_tag = 0;
    int m_controlLeftPosition = 2;
    int m_controlTopPosition = 0;
    int m_colorWellOffset = 0;
    int m_lastControlType = NoControl;
};

} // namespace quillmark
