#include "barcodes/TSequence.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

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
    QFile file(sequence.path);
    bool readable = !sequence.path.isEmpty() && file.open(QIODevice::ReadOnly)
                    && file.size() <= MaxSequenceFileBytes;
    if (readable) {
        // Asked for no more than the file holds: a buffer of the whole limit for every read
        // would cost 16 MB each time a short list is read again.
        const qint64 known = file.size();
        const QByteArray bytes = file.read(known > 0 ? known + 1 : MaxSequenceFileBytes + 1);
        readable = bytes.size() <= MaxSequenceFileBytes && file.error() == QFileDevice::NoError;
        if (readable)
            sequence.data = splitSequenceData(bytes.toStdString());
    }
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

std::string sequenceCounterValue(const TSequence &sequence, int64_t labelNumber)
{
    const int64_t repeat = sequence.repeat < 1 ? 1 : sequence.repeat;
    const double value = leadingDecimal(sequence.counter)
                         + leadingDecimal(sequence.increment) * double(labelNumber / repeat);

    const int size = std::snprintf(nullptr, 0, "%#.0f", value);
    std::string number(size_t(size > 0 ? size : 0) + 1, '\0');
    if (size > 0)
        std::snprintf(number.data(), number.size(), "%#.0f", value);
    number.resize(size_t(size > 0 ? size : 0));
    // The format always ends in the decimal point; the number is shown without it.
    if (!number.empty())
        number.pop_back();

    const std::u32string start = QString::fromUtf8(sequence.counter).toStdU32String();
    if (number.size() < start.size()) {
        // A start that is a number alone pads with zeros: its own leading digits in front of a
        // shorter number would print another number (1000 counting down would give 1999).
        // Other starts lend their leading characters, as A100 gives A101.
        const bool numeric = std::all_of(start.begin(), start.end(), [](char32_t c) { return c >= U'0' && c <= U'9'; });
        if (numeric) {
            const bool negative = !number.empty() && number.front() == '-';
            const size_t digits = number.size() - (negative ? 1 : 0);
            const size_t width = start.size() - (negative ? 1 : 0);
            if (digits < width)
                number.insert(negative ? 1 : 0, width - digits, '0');
        } else {
            const std::u32string padding = start.substr(0, start.size() - number.size());
            number = QString::fromStdU32String(padding).toStdString() + number;
        }
    }
    return sequence.prefix + number + sequence.postamble;
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
