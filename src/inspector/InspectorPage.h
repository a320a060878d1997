#pragma once
// One page of the inspector: the controls of one concern, laid out at fixed places in a
// column 205 points wide, as the side panel shows them below their tab button. A page
// fills its controls from the selection, enables them for it and applies their edits; the
// inspector calls each page in its turn. A page for another kind of object (text, barcode)
// derives from this and takes its tab number.
#include <QHash>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace quillmark {

class ColorRect;
class ColorWell;
class MyStepper;
class NumberField;
class ObjectInfoPanel;

class InspectorPage : public QWidget
{
    Q_OBJECT
public:
    using GraphicList = QList<std::shared_ptr<ColorRect>>;

    static constexpr int pageWidth = 205;

    // `identifier` names the page and its tab button's images; `title` is the English title.
    InspectorPage(ObjectInfoPanel *info, int tab, const QString &identifier, const QString &title);

    int tab() const { return m_tab; }
    QString identifier() const { return objectName(); }
    QString title() const { return m_title; }
    ObjectInfoPanel *info() const { return m_info; }

    virtual void updateFormatters() {}
    virtual void updateValues() {}
    virtual void enableControls() {}
    virtual void updateAppearance() {}
    // Runs the action a number field of this page applies at the end of its editing; false
    // when the field is not one of this page's.
    bool applyEndOfEditing(QObject *field);
    // Applies an edit of the selection as the canvas's own commands apply theirs: the
    // canvas brings what depends on the whole selection (the rulers, the redraw, the
    // window's commands) up to date once, after the last object. Every control's action
    // runs through it.
    void applyEdit(const std::function<void()> &edit);

    // The check-box fold over objects: starts off; an object with the property on makes it
    // on, one with it off turns on into mixed (-1). So [on, off] is mixed, [off, on] on.
    static int fold(const GraphicList &objects, const std::function<bool(const ColorRect &)> &property);
    // The state of a check box as the actions read it: 1 on, 0 off, -1 mixed.
    static int stateOf(const QCheckBox *box);
    static void setState(QCheckBox *box, int state);
    // The colour wells' grey for "no value".
    static QColor lightGray();

protected:
    const GraphicList &selection() const;

    // The titles shown at the left of a row (labels and check boxes with controls after them)
    // get the room their text needs in this language: the row's controls move right and the
    // widest of them gives up what would pass the page's edge. Works from the places the page
    // was built with, so it can run again after any change of texts.
    void fitTitleColumn();
    void showEvent(QShowEvent *event) override;

    // Controls at fixed places; each takes the outlet's name as its object name. Texts are
    // English keys, shown translated.
    QLabel *addLabel(const QString &text, const QRect &frame);
    NumberField *addField(const QString &name, const QRect &frame);
    MyStepper *addStepper(const QString &name, const QRect &frame, double min, double max, double increment,
                          bool wraps = false);
    QSlider *addSlider(const QString &name, const QRect &frame, int min, int max);
    QCheckBox *addCheckBox(const QString &name, const QString &title, const QRect &frame);
    ColorWell *addColorWell(const QString &name, const QRect &frame);
    QPushButton *addButton(const QString &name, const QString &title, const QRect &frame);

    // Edits of a value: the field's entry, the stepper's step, the slider's moves (a whole
    // drag is one undo step); `action` gets the control that fired.
    void connectValue(NumberField *field, const std::function<void(QObject *)> &action);
    void connectValue(MyStepper *stepper, const std::function<void(QObject *)> &action);
    void connectValue(QSlider *slider, const std::function<void(QObject *)> &action);
    void connectValue(QCheckBox *box, const std::function<void(QObject *)> &action);
    void connectValue(ColorWell *well, const std::function<void(QObject *)> &action);
    // Any other control's signal, its action applied as one edit.
    template <typename Sender, typename Signal>
    void connectEdit(Sender *sender, Signal signal, std::function<void()> edit)
    {
        connect(sender, signal, this, [this, edit = std::move(edit)] { applyEdit(edit); });
    }

    // The float value of the control that fired: a field's number, a stepper's value, a
    // slider's position, a check box's state.
    static double floatValueOf(QObject *sender);
    // The same in double precision: a field's number as typed.
    static double doubleValueOf(QObject *sender);
    // The angle a typed or stepped value turns to, from 0 up to (not with) 360, the
    // remainder taken in double precision (1e9 gives 280); 0 for no number.
    static double reducedDegrees(double degrees);
    static int intValueOf(QObject *sender);

private:
    ObjectInfoPanel *m_info;
    QHash<const QObject *, std::function<void(QObject *)>> m_endOfEditing;
    QHash<const QWidget *, QRect> m_builtFrames;
    int m_tab;
    QString m_title;
};

} // namespace quillmark
