#pragma once
// Text forms of geometry and numbers that documents and user defaults store, fixed to the
// C locale whatever the user's locale is, and lenient readers of them.
#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace quillmark {

// "{{x, y}, {w, h}}", numbers as %g would print them but without exponents for values
// of ordinary size ("{{10, 20.5}, {100, 50}}").
QString rectToString(const QRectF &rect);
// Reads the numbers in order; missing ones read 0. Text with no number at all gives a
// null rectangle.
QRectF rectFromString(const QString &text);

// "{x, y}"
QString pointToString(const QPointF &point);
QPointF pointFromString(const QString &text);

// "{w, h}"
QString sizeToString(const QSizeF &size);
QSizeF sizeFromString(const QString &text);

// One number as the strings above print it.
QString numberToString(double value);

// "%.2f" and "%d" in the C locale.
QString fmt2(double value);
QString fmtInt(qint64 value);
// A stored real number: "%.2f" where that reads back as the very value, else the shortest
// decimal that does (of a float for a float field, read back through a float), so that a
// value no two decimals hold survives every save and copy.
QString fmtExact(double value);
QString fmtExact(float value);

// The number at the start of the text, read like C's atof/atoi: leading white space, an
// optional sign, digits, a decimal point and an exponent; whatever follows is ignored.
// No number reads 0; values beyond the type's range clamp to it.
double leadingDouble(const QString &text);
int leadingInt(const QString &text);
qint64 leadingInt64(const QString &text);

// At most `maxBytes` bytes of `utf8`, cut before any UTF-8 sequence that would not fit.
QByteArray truncateUtf8(const QByteArray &utf8, int maxBytes);

} // namespace quillmark
