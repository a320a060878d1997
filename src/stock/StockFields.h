#pragma once
// What the custom sheet and the stock editors share: the unit they show lengths in, the
// "#,###.00 unit" form of a length, reading a typed value back, and the stepper beside a
// field.
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <optional>

class QLineEdit;
class QWidget;

namespace quillmark {

class MyStepper;
class StockCanvas;

namespace StockFields {

// The measurement unit: the canvas's when there is one, else the user default
// "Measurements", else "Inches".
QString measure(StockCanvas *canvas);

// Two decimals with the locale's grouping, a blank and the suffix: "1,234.50 in".
QString formatLength(double value, const QString &suffix);
// The number a field holds, with or without the unit after it, in the locale's form or the
// C form; empty when the text holds no number or a number that is not finite.
std::optional<double> parseNumber(const QString &text);
// A whole number ("12", "12.00"); empty for anything else.
std::optional<int> parseWholeNumber(const QString &text);

// Marks a field whose text is refused (a red frame and the reason as its tool tip), or
// clears the mark when the reason is empty.
void markField(QLineEdit *field, const QString &reason);

// Whether labels covering the extent (page points, from the paper's top-left corner) reach
// past the paper, with a millimetre of slack as the print check allows.
bool reachesPastPaper(const QRectF &extent, const QSizeF &paper);

// A stepper that stops at its ends and repeats while held.
void prepareStepper(MyStepper *stepper, double minimum, double maximum, double increment);

// The step of a point, in the unit: a point in inches, picas and points, but a twenty-fifth
// of the unit a centimetre panel shows.
float stepFromPoints(const QString &unit, float value);
// The suffix after a length in the unit; a centimetre panel names its own ("cm", or "mm" where
// it shows millimetres).
QString unitSuffix(const QString &unit, const char *centimetreSuffix);

// A right-aligned length field and its stepper, named "tf<name>" and "sp<name>", children of
// the panel: typing runs `edited`, leaving the field `ended`, a step `stepped` with the value.
struct LengthField
{
    QLineEdit *field = nullptr;
    MyStepper *stepper = nullptr;
};
LengthField makeLengthField(QWidget *panel, const char *name, int minimumWidth, std::function<void()> edited,
                            std::function<void()> ended, std::function<void(double)> stepped);

} // namespace StockFields

} // namespace quillmark
