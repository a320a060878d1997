#include "foundation/TypedNumber.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

#include "foundation/Language.h"

namespace quillmark {

namespace {

// A message of the field with its values filled in; an entry present but empty stays empty.
QString message(const QString &key, const QStringList &values = {})
{
    const QString text = Language::stringForKey(key);
    return Language::withValues(text.isNull() ? key : text, values);
}

// The unit's usual name for a unit written one of several ways; empty when it is none.
QString unitName(const QString &written)
{
    const QString unit = written.trimmed().toLower();
    if (unit == QLatin1String("in") || unit == QLatin1String("inch") || unit == QLatin1String("inches")
        || unit == QLatin1String("\""))
        return QStringLiteral("in");
    if (unit == QLatin1String("cm") || unit == QLatin1String("mm") || unit == QLatin1String("pt")
        || unit == QLatin1String("pc"))
        return unit;
    if (unit == QLatin1String("mil") || unit == QLatin1String("mils"))
        return QStringLiteral("mils");
    // The units as the fields of this language show them ("Zoll", "см").
    for (const char *name : {"in", "cm", "mm", "pt", "pc"}) {
        const QString shown = Language::stringForKey(QString::fromLatin1(name));
        if (!shown.isEmpty() && unit == shown.trimmed().toLower())
            return QString::fromLatin1(name);
    }
    return {};
}

// A text that could not be read: no number, and nothing typed to show back.
TypedNumber refusedNumber(const QString &why)
{
    TypedNumber result;
    result.refusal = why;
    return result;
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The whole digits with grouping separators in their places ("12,345,678"), or none.
bool validGrouping(const QString &whole, QChar group)
{
    const QStringList parts = whole.split(group);
    if (parts.size() < 2 || parts.first().isEmpty() || parts.first().size() > 3)
        return false;
    for (qsizetype i = 1; i < parts.size(); ++i)
        if (parts[i].size() != 3)
            return false;
    return true;
}

} // namespace

std::optional<double> pointsPerUnit(const QString &unit)
{
    const QString name = unitName(unit);
    if (name == QLatin1String("in"))
        return 72.0;
    if (name == QLatin1String("cm"))
        return 28.35;
    if (name == QLatin1String("mm"))
        return 2.835;
    if (name == QLatin1String("pt"))
        return 1.0;
    if (name == QLatin1String("pc"))
        return 12.0;
    if (name == QLatin1String("mils"))
        return 0.072;
    return std::nullopt;
}

QString outOfRangeReason(const QString &low, const QString &high)
{
    return message(QStringLiteral("Type a number from %@ to %@."), {low, high});
}

TypedNumber readTypedNumber(const QString &text, const QString &fieldUnit, const QLocale &locale)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return refusedNumber(message(QStringLiteral("Type a number.")));
    const QChar decimal = locale.decimalPoint().isEmpty() ? QLatin1Char('.') : locale.decimalPoint().at(0);
    QChar group = locale.groupSeparator().isEmpty() ? QChar() : locale.groupSeparator().at(0);
    if (group == decimal)
        group = QChar();
    const bool spaceGroup = group.isSpace();

    // The number runs while the characters belong to one; the rest is the unit.
    qsizetype end = 0;
    bool exponent = false;
    while (end < typed.size()) {
        const QChar c = typed.at(end);
        const QChar next = end + 1 < typed.size() ? typed.at(end + 1) : QChar();
        if (isDigit(c) || c == decimal || c == QLatin1Char('.') || c == QLatin1Char(','))
            ++end;
        else if ((c == QLatin1Char('+') || c == QLatin1Char('-'))
                 && (end == 0 || typed.at(end - 1) == QLatin1Char('e') || typed.at(end - 1) == QLatin1Char('E')))
            ++end;
        else if (!group.isNull() && c == group && (!spaceGroup || isDigit(next)))
            ++end;
        else if ((c == QLatin1Char('e') || c == QLatin1Char('E')) && !exponent && end > 0
                 && isDigit(typed.at(end - 1))
                 && (isDigit(next) || ((next == QLatin1Char('+') || next == QLatin1Char('-'))
                                       && end + 2 < typed.size() && isDigit(typed.at(end + 2))))) {
            exponent = true;
            ++end;
        } else
            break;
    }
    const QString number = typed.left(end);
    const QString unit = typed.mid(end).trimmed();
    const QString notANumber = message(QStringLiteral("\u201C%@\u201D is not a number."), {typed});

    // Mantissa and exponent; the mantissa's separators are read by the locale.
    const qsizetype e = number.indexOf(QRegularExpression(QStringLiteral("[eE]")));
    QString mantissa = e < 0 ? number : number.left(e);
    const QString power = e < 0 ? QString() : number.mid(e);
    QString sign;
    if (mantissa.startsWith(QLatin1Char('+')) || mantissa.startsWith(QLatin1Char('-'))) {
        sign = mantissa.left(1);
        mantissa.remove(0, 1);
    }
    if (!std::any_of(mantissa.begin(), mantissa.end(), isDigit))
        return refusedNumber(notANumber);
    // The other of "." and "," when it is neither the locale's decimal nor its grouping mark.
    const QChar other = decimal == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    const bool otherIsGroup = other == group;
    QString whole = mantissa;
    QString fraction;
    const qsizetype point = mantissa.indexOf(decimal);
    if (point >= 0) {
        whole = mantissa.left(point);
        fraction = mantissa.mid(point + 1);
    } else if (mantissa.count(other) == 1 && !(otherIsGroup && validGrouping(mantissa, other))) {
        // One mark that groups nothing: the user wrote the decimal mark of another habit.
        const qsizetype at = mantissa.indexOf(other);
        whole = mantissa.left(at);
        fraction = mantissa.mid(at + 1);
    }
    if (!group.isNull() && whole.contains(group)) {
        if (!validGrouping(whole, group))
            return refusedNumber(notANumber);
        whole.remove(group);
    }
    if (!std::all_of(whole.begin(), whole.end(), isDigit) || !std::all_of(fraction.begin(), fraction.end(), isDigit))
        return refusedNumber(notANumber);
    bool ok = false;
    double value = QLocale::c().toDouble(sign + (whole.isEmpty() ? QStringLiteral("0") : whole) + QLatin1Char('.')
                                             + (fraction.isEmpty() ? QStringLiteral("0") : fraction) + power,
                                         &ok);
    if (!ok || !std::isfinite(value))
        return refusedNumber(message(QStringLiteral("\u201C%@\u201D is too large a number."), {typed}));

    if (unit.isEmpty() || unit.compare(fieldUnit.trimmed(), Qt::CaseInsensitive) == 0
        || (!unitName(unit).isEmpty() && unitName(unit) == unitName(fieldUnit)))
        return {value, {}, value, QString()};
    const std::optional<double> typedPoints = pointsPerUnit(unit);
    const std::optional<double> fieldPoints = pointsPerUnit(fieldUnit);
    if (!typedPoints) {
        if (!fieldPoints)
            return refusedNumber(notANumber);
        return refusedNumber(
                message(QStringLiteral("\u201C%@\u201D is no unit here: type in, cm, mm, pt or pc."), {unit}));
    }
    if (!fieldPoints)
        return refusedNumber(message(QStringLiteral("This field takes a number without a unit.")));
    const double asTyped = value;
    value = value * *typedPoints / *fieldPoints;
    if (!std::isfinite(value))
        return refusedNumber(message(QStringLiteral("\u201C%@\u201D is too large a number."), {typed}));
    return {value, {}, asTyped, unitName(unit)};
}

} // namespace quillmark
