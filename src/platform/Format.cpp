#include "platform/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace quillmark {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A number read from the text: where it ended, and its value.
struct Scanned
{
    bool found = false;
    qsizetype end = 0;
    double value = 0.0;
};

// Reads a decimal floating-point number starting exactly at `pos`: sign, digits, point,
// digits, exponent. The exponent counts only when it has digits.
Scanned scanNumber(const QString &text, qsizetype pos)
{
    Scanned result;
    const qsizetype n = text.size();
    qsizetype i = pos;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    std::string digits;
    qsizetype intDigits = 0;
    bool seenNonZero = false;
    qsizetype leadingIntZeros = 0;
    while (i < n && isAsciiDigit(text[i])) {
        if (text[i] != QLatin1Char('0'))
            seenNonZero = true;
        else if (!seenNonZero)
            ++leadingIntZeros;
        digits += char(text[i].unicode());
        ++intDigits;
        ++i;
    }
    qsizetype fracDigits = 0;
    if (i < n && text[i] == QLatin1Char('.')) {
        qsizetype j = i + 1;
        std::string frac;
        while (j < n && isAsciiDigit(text[j])) {
            frac += char(text[j].unicode());
            ++j;
        }
        if (intDigits > 0 || !frac.empty()) {
            digits += '.';
            digits += frac;
            fracDigits = qsizetype(frac.size());
            i = j;
        }
    }
    if (intDigits == 0 && fracDigits == 0)
        return result;

    long long exponent = 0;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        bool expNegative = false;
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-'))) {
            expNegative = text[j] == QLatin1Char('-');
            ++j;
        }
        if (j < n && isAsciiDigit(text[j])) {
            while (j < n && isAsciiDigit(text[j])) {
                // Far beyond any double's range already; stop growing.
                if (exponent < 100000)
                    exponent = exponent * 10 + (text[j].unicode() - '0');
                ++j;
            }
            if (expNegative)
                exponent = -exponent;
            i = j;
        }
    }
    std::string literal = digits;
    if (exponent != 0)
        literal += 'e' + std::to_string(exponent);

    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(literal.data(), literal.data() + literal.size(), value,
                                           std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Too large clamps to the largest finite value; too small reads 0.
        const long long magnitude = (intDigits - leadingIntZeros) + exponent;
        value = magnitude > 0 ? std::numeric_limits<double>::max() : 0.0;
    } else if (ec != std::errc()) {
        value = 0.0;
    }
    result.found = true;
    result.end = i;
    result.value = negative ? -value : value;
    return result;
}

qsizetype skipSpace(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    return i;
}

// Every number in the text, in order, at most `max` of them; other characters separate them.
QList<double> scanNumbers(const QString &text, int max)
{
    QList<double> numbers;
    qsizetype i = 0;
    while (i < text.size() && numbers.size() < max) {
        const Scanned s = scanNumber(text, i);
        if (s.found) {
            numbers << s.value;
            i = s.end;
        } else {
            ++i;
        }
    }
    return numbers;
}

template<typename Int>
Int leadingInteger(const QString &text)
{
    qsizetype i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    // Accumulate towards the sign so the most negative value is reachable without overflow.
    Int value = 0;
    bool clamped = false;
    for (; i < text.size() && isAsciiDigit(text[i]); ++i) {
        const int digit = text[i].unicode() - '0';
        if (clamped)
            continue;
        if (negative) {
            if (value < (std::numeric_limits<Int>::min() + digit) / 10) {
                value = std::numeric_limits<Int>::min();
                clamped = true;
                continue;
            }
            value = value * 10 - digit;
        } else {
            if (value > (std::numeric_limits<Int>::max() - digit) / 10) {
                value = std::numeric_limits<Int>::max();
                clamped = true;
                continue;
            }
            value = value * 10 + digit;
        }
    }
    return value;
}

} // namespace

QString numberToString(double value)
{
    if (!std::isfinite(value) || value == 0.0)
        return QStringLiteral("0");
    char buffer[512];
    const double magnitude = std::fabs(value);
    // Plain decimals for everything a page can hold; the shortest form that reads back to
    // the same value, so stored geometry survives a round trip.
    const auto format = (magnitude >= 1e-5 && magnitude < 1e15) ? std::chars_format::fixed
                                                                  : std::chars_format::general;
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    if (ec != std::errc())
        return QString::number(value, 'g', 17);
    return QString::fromLatin1(buffer, ptr - buffer);
}

QString rectToString(const QRectF &rect)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(numberToString(rect.x()), numberToString(rect.y()), numberToString(rect.width()),
             numberToString(rect.height()));
}

QRectF rectFromString(const QString &text)
{
    const QList<double> n = scanNumbers(text, 4);
    if (n.isEmpty())
        return {};
    return QRectF(n.value(0), n.value(1), n.value(2), n.value(3));
}

QString pointToString(const QPointF &point)
{
    return QStringLiteral("{%1, %2}").arg(numberToString(point.x()), numberToString(point.y()));
}

QPointF pointFromString(const QString &text)
{
    const QList<double> n = scanNumbers(text, 2);
    return QPointF(n.value(0), n.value(1));
}

QString sizeToString(const QSizeF &size)
{
    return QStringLiteral("{%1, %2}").arg(numberToString(size.width()), numberToString(size.height()));
}

QSizeF sizeFromString(const QString &text)
{
    const QList<double> n = scanNumbers(text, 2);
    return QSizeF(n.value(0), n.value(1));
}

QString fmt2(double value)
{
    // to_chars is locale-independent and rounds the exact binary value as printf does
    // ("0.125" gives "0.12"), which Qt's own formatting does not.
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    char buffer[400];
    const auto [ptr, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (ec != std::errc())
        return QString::number(value, 'f', 2);
    return QString::fromLatin1(buffer, ptr - buffer);
}

namespace {

template <typename Real>
QString exactText(Real value)
{
    const QString two = fmt2(double(value));
    if (!std::isfinite(value) || Real(leadingDouble(two)) == value)
        return two;
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc())
        return QString::number(double(value), 'g', 17);
    return QString::fromLatin1(buffer, ptr - buffer);
}

} // namespace

QString fmtExact(double value)
{
    return exactText(value);
}

QString fmtExact(float value)
{
    return exactText(value);
}

QString fmtInt(qint64 value)
{
    return QString::number(value);
}

double leadingDouble(const QString &text)
{
    const Scanned s = scanNumber(text, skipSpace(text));
    return s.found ? s.value : 0.0;
}

int leadingInt(const QString &text)
{
    return leadingInteger<int>(text);
}

qint64 leadingInt64(const QString &text)
{
    return leadingInteger<qint64>(text);
}

QByteArray truncateUtf8(const QByteArray &utf8, int maxBytes)
{
    if (maxBytes <= 0)
        return {};
    if (utf8.size() <= maxBytes)
        return utf8;
    auto isContinuation = [&](qsizetype i) { return (uchar(utf8[i]) & 0xC0) == 0x80; };
    qsizetype cut = maxBytes;
    // Back up over the continuation bytes of a sequence the cut would split, at most the
    // three a well-formed sequence has; malformed runs are cut where they are.
    qsizetype back = cut;
    while (back > 0 && cut - back < 3 && isContinuation(back))
        --back;
    if (!isContinuation(back))
        cut = back;
    return utf8.left(cut);
}

} // namespace quillmark
