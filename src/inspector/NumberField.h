#pragma once
// A text field of the inspector that shows a number through a format such as "#,###.00 cm":
// thousands grouped with ",", the decimals the format gives after ".", and the format's
// suffix. What the user types is read leniently: grouping commas and the suffix may be left
// out; a text without any number is not a value.
#include <QLineEdit>

#include <optional>

namespace quillmark {

class NumberField : public QLineEdit
{
    Q_OBJECT
public:
    explicit NumberField(QWidget *parent = nullptr);

    // "#,###.00 in", "#,###.0 pt", "#,###.0 mils" and the like; an empty format shows the
    // number with two decimals and no suffix.
    void setFormat(const QString &format);
    QString format() const { return m_format; }
    // The number as the format shows it ("1,234.50 pt"); the integer digit is always shown.
    QString formatted(double value) const;
    static QString formatted(double value, const QString &format);

    // Shows the number through the format.
    void setFloatValue(double value);
    // Shows a getter's text: empty stays empty, a number is shown through the format.
    void setStringValue(const QString &text);
    // The number the field shows or the user typed; none when the text holds no number.
    std::optional<double> value() const;
    static std::optional<double> parse(const QString &text);
    // The value, or 0 when there is none (as a control's float value reads).
    float floatValue() const { return float(value().value_or(0.0)); }
    int intValue() const;

signals:
    // The user ended an edit of the text (Return, Enter or leaving the field after typing)
    // and the text holds a number. A text without one is put back as it was shown.
    void valueEntered();

private:
    void endEditing();

    QString m_format;
    QString m_shown;
};

} // namespace quillmark
