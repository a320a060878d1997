#pragma once
// A number the user typed into a field of a measure, read the way the user writes numbers:
// the decimal separator and digit grouping of the user's locale ("1,5" is one and a half in
// German, "1,234.5" a thousand and more in English), an exponent, and a unit typed after the
// number (in, cm, mm, pt, pc, mils), converted into the field's own unit. What cannot be read
// comes back with the reason, in words for the user.
#include <QLocale>
#include <QString>

#include <optional>

namespace quillmark {

struct TypedNumber
{
    // The number in the field's unit; none when the text was refused.
    std::optional<double> value;
    // Why the text was refused; empty when it was read.
    QString refusal;
    // The number as typed and the unit typed after it ("in" for "2 inches"); the unit is
    // empty when none was typed or it was the field's own.
    double typedNumber = 0.0;
    QString typedUnit;
};

// `fieldUnit` is the unit the field shows after its numbers ("cm", "in", "pt", "pc", "mm",
// "mils"), or another suffix or none for a field of a plain number, which takes no unit but
// its own suffix.
TypedNumber readTypedNumber(const QString &text, const QString &fieldUnit, const QLocale &locale = QLocale());

// The page points in one of the units above (the application's centimetre is 28.35 points);
// none for any other text.
std::optional<double> pointsPerUnit(const QString &unit);

// The reason a value outside [low, high] is refused, both bounds shown as the field shows them.
QString outOfRangeReason(const QString &low, const QString &high);

} // namespace quillmark
