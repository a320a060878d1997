#pragma once
// A text field of the inspector that shows a number through a format such as "#,###.00 cm":
// thousands grouped, the decimals the format gives, and the format's suffix, with the marks of
// the user's locale. What the user types is read in that locale too (TypedNumber): grouping
// and the suffix may be left out, and a length typed in another unit ("2 in" in a cm field)
// is converted. A text that gives no value, or a value outside the field's range, is refused:
// the field shows its value again and says why beside itself.
#include <QAbstractSlider>
#include <QLineEdit>

#include <algorithm>
#include <cmath>

#include <optional>

class QLabel;

namespace quillmark {

class NumberField : public QLineEdit
{
    Q_OBJECT
public:
    explicit NumberField(QWidget *parent = nullptr);
    ~NumberField() override;

    // "#,###.00 in", "#,###.0 pt", "#,###.0 mils" and the like; an empty format shows the
    // number with two decimals and no suffix.
    void setFormat(const QString &format);
    QString format() const { return m_format; }
    // The unit the format shows after the number ("cm", "mils"); empty without one.
    QString unit() const;
    // The number as the format shows it ("1,234.50 pt"); the integer digit is always shown.
    QString formatted(double value) const;
    static QString formatted(double value, const QString &format);

    // Values outside [low, high] are refused when typed.
    void setAcceptedRange(double low, double high);

    // Shows the number through the format.
    void setFloatValue(double value);
    // Shows a getter's text ("%.2f" or empty): empty stays empty, a number is shown through the
    // format.
    void setStringValue(const QString &text);
    // The number the field shows or the user typed, in the field's unit; none when the text
    // gives none.
    std::optional<double> value() const;
    // A text in the field's unit and the user's locale, read as the field reads it.
    std::optional<double> parse(const QString &text) const;
    // The value, or 0 when there is none (as a control's float value reads).
    float floatValue() const { return float(value().value_or(0.0)); }
    int intValue() const;

    // Refuses a value the field took but its action cannot: the note says why, until the
    // user types again or another value is shown.
    void refuseValue(const QString &reason) { refuse(reason); }

    // Why the last text typed was refused; empty after a value was taken or shown.
    QString refusal() const { return m_refusal; }
    // The note beside the field that says it; shown while there is a refusal.
    QLabel *refusalNote() const { return m_note; }

signals:
    // The user ended an edit of the text (Return, Enter or leaving the field after typing)
    // and the text holds a value the field accepts.
    void valueEntered();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void endEditing();
    void refuse(const QString &reason);
    void placeNote();
    void clearRefusal();

    QString m_format;
    QString m_shown;
    std::optional<double> m_shownValue;
    std::optional<std::pair<double, double>> m_range;
    QString m_refusal;
    QLabel *m_note = nullptr;
};

// A field's number as the position of the slider beside it: a number past the slider's ends
// (a design may store any) sits at the nearest end; one that is no number, at the start.
inline int sliderPosition(const QAbstractSlider &slider, double value)
{
    if (!(value >= double(slider.minimum())))
        return slider.minimum();
    return int(std::min(value, double(slider.maximum())));
}

} // namespace quillmark
