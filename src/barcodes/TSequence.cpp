#include "barcodes/TSequence.h"

#include "platform/GuardedReader.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cmath>
#include <optional>

namespace quillmark {

namespace {

// Sequence files are lists of short values; anything larger is not one.
constexpr qint64 MaxSequenceFileBytes = 16 * 1024 * 1024;

bool isSeparator(char c)
{
    return c == ':' || c == ';' || c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

bool isValidUtf8(const std::string &bytes)
{
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        int extra = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + size_t(extra) >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = static_cast<unsigned char>(bytes[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))
            || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += size_t(extra) + 1;
    }
    return true;
}

QString sequenceFileFailureMessage(const QString &path)
{
    const QString text = QStringLiteral("Use the other file for barcode sequence instead of ");
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? text : text + name;
}

std::vector<std::string> splitSequenceData(const std::string &bytes)
{
    std::vector<std::string> pieces;
    std::string current;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (!isSeparator(c)) {
            current.push_back(c);
            continue;
        }
        pieces.push_back(current);
        current.clear();
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    if (!current.empty())
        pieces.push_back(current);

    std::vector<std::string> entries;
    entries.reserve(pieces.size());
    for (std::string &piece : pieces) {
        if (isValidUtf8(piece))
            entries.push_back(std::move(piece));
    }
    return entries;
}

bool getseq_datafile(TSequence &sequence, QString *error)
{
    sequence.data.clear();
    // The file a design names: a FIFO or a device in its place is refused at once, never
    // waited on while a sheet prints.
    const std::optional<QByteArray> bytes = GuardedReader::read(sequence.path, MaxSequenceFileBytes);
    const bool readable = bytes.has_value();
    if (readable)
        sequence.data = splitSequenceData(bytes->toStdString());
    if (!readable || sequence.data.empty()) {
        sequence.data.clear();
        if (error)
            *error = sequenceFileFailureMessage(sequence.path);
        return false;
    }
    return true;
}

double leadingDecimal(const std::string &text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'
                               || text[i] == '\f' || text[i] == '\v'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t start = i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            while (j < text.size() && text[j] >= '0' && text[j] <= '9')
                ++j;
            end = j;
        }
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data() + start, text.data() + end, value);
    if (result.ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

namespace {

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal number held exactly, whatever its length: its digits as one whole number (no
// leading zeros, "0" for zero), how many of them are decimals, and its sign.
struct Decimal {
    bool negative = false;
    std::string digits = "0";
    int scale = 0;

    bool isZero() const { return digits == "0"; }
};

void trimLeadingZeros(std::string &digits)
{
    const size_t first = digits.find_first_not_of('0');
    digits.erase(0, first == std::string::npos ? digits.size() - 1 : first);
}

Decimal makeDecimal(bool negative, std::string digits, int scale)
{
    if (digits.empty())
        digits = "0";
    trimLeadingZeros(digits);
    Decimal d{negative, std::move(digits), scale};
    if (d.isZero())
        d.negative = false;
    return d;
}

void raiseScale(Decimal &d, int scale)
{
    if (scale > d.scale && !d.isZero())
        d.digits.append(size_t(scale - d.scale), '0');
    d.scale = std::max(d.scale, scale);
}

// Compares the magnitudes of two whole numbers without leading zeros.
int compareDigits(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

std::string addDigits(const std::string &a, const std::string &b)
{
    std::string sum;
    int carry = 0;
    for (size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
        const int x = i < a.size() ? a[a.size() - 1 - i] - '0' : 0;
        const int y = i < b.size() ? b[b.size() - 1 - i] - '0' : 0;
        const int digit = x + y + carry;
        sum.push_back(char('0' + digit % 10));
        carry = digit / 10;
    }
    std::reverse(sum.begin(), sum.end());
    return sum;
}

// a - b for a >= b.
std::string subtractDigits(const std::string &a, const std::string &b)
{
    std::string difference;
    int borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int digit = (a[a.size() - 1 - i] - '0') - borrow - (i < b.size() ? b[b.size() - 1 - i] - '0' : 0);
        borrow = digit < 0 ? 1 : 0;
        difference.push_back(char('0' + digit + 10 * borrow));
    }
    std::reverse(difference.begin(), difference.end());
    trimLeadingZeros(difference);
    return difference;
}

Decimal add(Decimal a, Decimal b)
{
    const int scale = std::max(a.scale, b.scale);
    raiseScale(a, scale);
    raiseScale(b, scale);
    if (a.negative == b.negative)
        return makeDecimal(a.negative, addDigits(a.digits, b.digits), scale);
    if (compareDigits(a.digits, b.digits) >= 0)
        return makeDecimal(a.negative, subtractDigits(a.digits, b.digits), scale);
    return makeDecimal(b.negative, subtractDigits(b.digits, a.digits), scale);
}

Decimal multiply(const Decimal &d, int64_t factor)
{
    const uint64_t magnitude = factor < 0 ? uint64_t(0) - uint64_t(factor) : uint64_t(factor);
    using Wide = unsigned __int128;
    std::string product;
    Wide carry = 0;
    for (size_t i = d.digits.size(); i > 0; --i) {
        const Wide value = Wide(d.digits[i - 1] - '0') * magnitude + carry;
        product.push_back(char('0' + int(value % 10)));
        carry = value / 10;
    }
    for (; carry > 0; carry /= 10)
        product.push_back(char('0' + int(carry % 10)));
    std::reverse(product.begin(), product.end());
    return makeDecimal(d.negative != (factor < 0), product, d.scale);
}

// Rounded to `places` decimals, halves to the even neighbour.
Decimal roundTo(Decimal d, int places)
{
    if (d.scale <= places) {
        raiseScale(d, places);
        return d;
    }
    const size_t cut = size_t(d.scale - places);
    std::string digits = d.digits;
    if (digits.size() <= cut)
        digits.insert(0, cut - digits.size() + 1, '0');
    std::string kept = digits.substr(0, digits.size() - cut);
    const std::string dropped = digits.substr(digits.size() - cut);
    const std::string half = "5" + std::string(cut - 1, '0');
    const int side = dropped.compare(half) < 0 ? -1 : (dropped == half ? 0 : 1);
    if (side > 0 || (side == 0 && (kept.back() - '0') % 2 == 1))
        kept = addDigits(kept, "1");
    return makeDecimal(d.negative, kept, places);
}

// Reads a number from `text` at `i`: digits, then a point and decimals when a digit follows
// the point. Leaves `i` after it.
Decimal readDigitsAt(const std::string &text, size_t &i, bool negative)
{
    std::string digits;
    int scale = 0;
    while (i < text.size() && isAsciiDigit(text[i]))
        digits.push_back(text[i++]);
    if (i + 1 < text.size() && text[i] == '.' && isAsciiDigit(text[i + 1])) {
        ++i;
        while (i < text.size() && isAsciiDigit(text[i])) {
            digits.push_back(text[i++]);
            ++scale;
        }
    }
    return makeDecimal(negative, digits.empty() ? "0" : digits, scale);
}

// The increment as the leading number of its text, with a sign and an exponent, held exactly:
// "2.5" is two and a half, "1e3" a thousand. Text that is not a number, and numbers beyond
// what a double holds, count as 0.
Decimal readIncrement(const std::string &text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const bool number = i < text.size()
                        && (isAsciiDigit(text[i]) || (text[i] == '.' && i + 1 < text.size() && isAsciiDigit(text[i + 1])));
    if (!number)
        return {};
    Decimal d = readDigitsAt(text, i, negative);
    if (i + 1 < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        const bool down = text[j] == '-';
        if (text[j] == '+' || text[j] == '-')
            ++j;
        if (j < text.size() && isAsciiDigit(text[j])) {
            long exponent = 0;
            for (; j < text.size() && isAsciiDigit(text[j]); ++j)
                exponent = std::min(exponent * 10 + (text[j] - '0'), 100000L);
            if (down)
                exponent = -exponent;
            const long magnitude = long(d.digits.size()) - d.scale + exponent;
            if (!d.isZero() && (magnitude > 309 || magnitude < -307))
                return {};
            const long scale = d.scale - exponent;
            if (scale < 0) {
                if (!d.isZero())
                    d.digits.append(size_t(-scale), '0');
                d.scale = 0;
            } else {
                d.scale = int(scale);
            }
        }
    }
    return d;
}

// The start value as the template of every label's number: the number it holds (a sign only
// at its very beginning, a point only between digits), the text before it and the text after.
struct CounterTemplate {
    std::string lead;
    Decimal number;
    size_t width = 0; // characters of the number, its sign included
    std::string tail;
};

CounterTemplate readCounter(const std::string &start)
{
    CounterTemplate t;
    size_t i = 0;
    while (i < start.size() && std::isspace(static_cast<unsigned char>(start[i])))
        ++i;
    const bool signedNumber = i + 1 < start.size() && start[i] == '-' && isAsciiDigit(start[i + 1]);
    if (!signedNumber) {
        while (i < start.size() && !isAsciiDigit(start[i]))
            ++i;
    }
    t.lead = start.substr(0, i);
    if (i == start.size())
        return t;
    const size_t first = i;
    if (signedNumber)
        ++i;
    t.number = readDigitsAt(start, i, signedNumber);
    t.width = i - first;
    t.tail = start.substr(i);
    return t;
}

std::string formatted(const Decimal &d, size_t width)
{
    std::string digits = d.digits;
    if (digits.size() <= size_t(d.scale))
        digits.insert(0, size_t(d.scale) - digits.size() + 1, '0');
    std::string text = d.negative ? "-" : "";
    text += digits.substr(0, digits.size() - size_t(d.scale));
    if (d.scale > 0)
        text += "." + digits.substr(digits.size() - size_t(d.scale));
    if (text.size() < width)
        text.insert(d.negative ? 1 : 0, width - text.size(), '0');
    return text;
}

} // namespace

std::string sequenceCounterValue(const TSequence &sequence, int64_t labelNumber)
{
    const int64_t repeat = sequence.repeat < 1 ? 1 : sequence.repeat;
    const CounterTemplate start = readCounter(sequence.counter);
    // Counted in decimal digits, however many: a double would print a 16-digit start's
    // neighbours as one number.
    const Decimal value = roundTo(add(start.number, multiply(readIncrement(sequence.increment), labelNumber / repeat)),
                                  start.number.scale);
    return sequence.prefix + start.lead + formatted(value, start.width) + start.tail + sequence.postamble;
}

std::optional<std::string> makeSeqBarData(TSequence &sequence, int64_t labelNumber,
                                          const std::string &currentData, QString *error)
{
    if (!sequence.isPresent || sequence.counter.empty())
        return currentData;
    if (sequence.isFile) {
        if (sequence.data.empty())
            getseq_datafile(sequence, error);
        if (sequence.data.empty() || labelNumber < 0 || uint64_t(labelNumber) >= sequence.data.size())
            return std::nullopt;
        return sequence.data[size_t(labelNumber)];
    }
    return sequenceCounterValue(sequence, labelNumber);
}

} // namespace quillmark
