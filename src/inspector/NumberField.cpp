#include "inspector/NumberField.h"

#include <QRegularExpression>

#include <cmath>

#include "platform/Format.h"

namespace quillmark {

namespace {

struct FormatParts
{
    int decimals = 2;
    bool grouping = false;
    QString suffix;
};

FormatParts partsOf(const QString &format)
{
    FormatParts parts;
    if (format.isEmpty())
        return parts;
    // The number part is the leading run of '#', '0', ',' and '.'; the rest is the suffix.
    int end = 0;
    while (end < format.size() && QStringLiteral("#0,.").contains(format.at(end)))
        ++end;
    const QString number = format.left(end);
    parts.suffix = format.mid(end);
    parts.grouping = number.contains(QLatin1Char(','));
    const int point = int(number.indexOf(QLatin1Char('.')));
    parts.decimals = point < 0 ? 0 : int(number.size()) - point - 1;
    return parts;
}

QString grouped(const QString &digits)
{
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits.at(i);
    }
    return out;
}

} // namespace

NumberField::NumberField(QWidget *parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::editingFinished, this, &NumberField::endEditing);
}

void NumberField::setFormat(const QString &format)
{
    if (format == m_format)
        return;
    // The number shown keeps its value in the new format.
    const std::optional<double> shown = parse(m_shown);
    m_format = format;
    if (shown && !isModified())
        setFloatValue(*shown);
}

QString NumberField::formatted(double value) const
{
    return formatted(value, m_format);
}

QString NumberField::formatted(double value, const QString &format)
{
    if (!std::isfinite(value))
        return {};
    const FormatParts parts = partsOf(format);
    QString text = QString::number(value, 'f', parts.decimals);
    // No "-0.00".
    if (text.startsWith(QLatin1Char('-')) && parse(text).value_or(0.0) == 0.0)
        text.remove(0, 1);
    if (parts.grouping) {
        const bool negative = text.startsWith(QLatin1Char('-'));
        if (negative)
            text.remove(0, 1);
        const int point = int(text.indexOf(QLatin1Char('.')));
        const QString whole = point < 0 ? text : text.left(point);
        const QString rest = point < 0 ? QString() : text.mid(point);
        text = (negative ? QStringLiteral("-") : QString()) + grouped(whole) + rest;
    }
    return text + parts.suffix;
}

void NumberField::setFloatValue(double value)
{
    m_shown = formatted(value);
    setText(m_shown);
}

void NumberField::setStringValue(const QString &text)
{
    const std::optional<double> number = parse(text);
    if (!number) {
        m_shown.clear();
        setText(QString());
        return;
    }
    setFloatValue(*number);
}

std::optional<double> NumberField::value() const
{
    return parse(text());
}

std::optional<double> NumberField::parse(const QString &text)
{
    QString plain = text;
    plain.remove(QLatin1Char(','));
    plain = plain.trimmed();
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
    if (!number.match(plain).hasMatch())
        return std::nullopt;
    const double read = leadingDouble(plain);
    if (!std::isfinite(read))
        return std::nullopt;
    return read;
}

int NumberField::intValue() const
{
    const double v = value().value_or(0.0);
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return int(v);
}

void NumberField::endEditing()
{
    if (!isModified())
        return;
    if (!value()) {
        // Nothing to apply: the field shows what it showed before.
        setText(m_shown);
        setModified(false);
        return;
    }
    setModified(false);
    emit valueEntered();
}

} // namespace quillmark
