#pragma once
// Numbers for the user to read (measurements under the sheet, on the rulers, in the sheet
// editors, the readouts of the image effects): the user's decimal mark, as the number fields
// write and read them, and no grouping marks, which a measurement beside a unit does not take.
#include <QString>

namespace quillmark {

// As QString::number(value, format, precision) writes it, in the user's locale.
QString localNumber(double value, char format = 'f', int precision = 2);

// The number a field's text begins with, read as leadingDouble() reads it ("12abc" reads 12,
// no digits read 0) but with the user's decimal mark as well as a point: what localNumber()
// wrote reads back as the same number.
double leadingLocalNumber(const QString &text);

} // namespace quillmark
