#include "database/exchange/DelimitedText.h"

#include <QStringDecoder>

#include <unicode/ucsdet.h>
#include <unicode/unistr.h>

namespace quillmark {

namespace {

bool isLineEnd(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString trimmedBlanks(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text.at(start)))
        ++start;
    while (end > start && isBlank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

// Reads one record from `pos`, leaving `pos` after its line end.
class RecordReader
{
public:
    RecordReader(const QString &text, QChar delimiter, const DelimitedText::Progress *progress = nullptr)
        : m_text(text), m_delimiter(delimiter), m_progress(progress)
    {
    }

    // False once the progress asked to stop.
    bool going() const { return !m_stopped; }

    bool atEnd() const { return m_pos >= m_text.size(); }

    QStringList next()
    {
        QStringList fields;
        if (atLineEnd()) {
            skipLineEnd();
            // An empty line is a record too, and costs as much as a field.
            counted();
            return fields;
        }
        const bool comma = m_delimiter == QLatin1Char(',');
        for (;;) {
            if (comma)
                skipBlanks();
            QString field;
            bool quoted = !atEnd() && m_text.at(m_pos) == QLatin1Char('"');
            if (quoted) {
                const qsizetype opening = m_pos;
                if (readQuoted(field)) {
                    // Whatever stands between the closing quote and the delimiter belongs to the
                    // field: a lenient reading of hand-made files.
                    QString rest = readPlain();
                    field += comma ? trimmedBlanks(rest) : rest;
                } else {
                    // A quote that is never closed would swallow every following record: the
                    // line is read as if it had no quotes, and its number is kept for the user.
                    quoted = false;
                    m_unclosed.append(lineAt(opening));
                    m_pos = opening + 1;
                    const QString plain = readPlain();
                    field = comma ? trimmedBlanks(plain) : plain;
                }
            } else {
                const QString plain = readPlain();
                field = comma ? trimmedBlanks(plain) : plain;
            }
            fields.append(field);
            // One line may hold millions of fields: the progress is asked within lines too.
            if (!counted())
                return fields;
            if (atEnd() || atLineEnd()) {
                skipLineEnd();
                return fields;
            }
            ++m_pos; // the delimiter
            if (atEnd() || atLineEnd()) {
                // "a," ends in an empty field; a quoted value followed by the last comma
                // ends the line without one.
                if (!(comma && quoted))
                    fields.append(QString());
                skipLineEnd();
                return fields;
            }
            if (comma && quoted && restOfLineIsBlank()) {
                skipToLineEnd();
                skipLineEnd();
                return fields;
            }
        }
    }

private:
    // Counts one field; false, leaving the reader at the end, once the progress asks to stop.
    bool counted()
    {
        if (!m_progress || (++m_fields & 4095) != 0 || (*m_progress)(m_pos, m_fields))
            return true;
        m_stopped = true;
        m_pos = m_text.size();
        return false;
    }

    bool atLineEnd() const { return !atEnd() && isLineEnd(m_text.at(m_pos)); }

    void skipLineEnd()
    {
        if (atEnd())
            return;
        const QChar c = m_text.at(m_pos);
        ++m_pos;
        if (c == QLatin1Char('\r') && !atEnd() && m_text.at(m_pos) == QLatin1Char('\n'))
            ++m_pos;
    }

    void skipBlanks()
    {
        while (!atEnd() && isBlank(m_text.at(m_pos)))
            ++m_pos;
    }

    bool restOfLineIsBlank() const
    {
        for (qsizetype i = m_pos; i < m_text.size() && !isLineEnd(m_text.at(i)); ++i)
            if (!isBlank(m_text.at(i)))
                return false;
        return true;
    }

    void skipToLineEnd()
    {
        while (!atEnd() && !isLineEnd(m_text.at(m_pos)))
            ++m_pos;
    }

    // After the opening quote up to the closing one; two quotes stand for one, and line
    // breaks inside are part of the value. False, leaving `m_pos`, when the quote is never
    // closed, or when a value that runs over lines "closes" on a quote that text follows (the
    // opening quote of a later value): both mean the opening quote was not meant as one.
    bool readQuoted(QString &value)
    {
        const qsizetype start = m_pos;
        qsizetype pos = m_pos + 1;
        bool spansLines = false;
        value.clear();
        while (pos < m_text.size()) {
            const QChar c = m_text.at(pos);
            if (c == QLatin1Char('"')) {
                if (pos + 1 < m_text.size() && m_text.at(pos + 1) == QLatin1Char('"')) {
                    value += c;
                    pos += 2;
                    continue;
                }
                ++pos;
                if (spansLines && !closesField(pos)) {
                    value.clear();
                    m_pos = start;
                    return false;
                }
                m_pos = pos;
                return true;
            }
            if (isLineEnd(c))
                spansLines = true;
            value += c;
            ++pos;
        }
        value.clear();
        m_pos = start;
        return false;
    }

    // Whether only blanks stand between `pos` and the delimiter, a line end or the end.
    bool closesField(qsizetype pos) const
    {
        while (pos < m_text.size() && isBlank(m_text.at(pos)) && m_text.at(pos) != m_delimiter)
            ++pos;
        return pos >= m_text.size() || m_text.at(pos) == m_delimiter || isLineEnd(m_text.at(pos));
    }

    // The 1-based line of a position, counted on from the last position asked for.
    int lineAt(qsizetype pos)
    {
        for (; m_counted < pos && m_counted < m_text.size(); ++m_counted) {
            const QChar c = m_text.at(m_counted);
            if (isLineEnd(c) && !(c == QLatin1Char('\r') && m_counted + 1 < m_text.size() && m_text.at(m_counted + 1) == QLatin1Char('\n')))
                ++m_line;
        }
        return m_line;
    }

    QString readPlain()
    {
        const qsizetype start = m_pos;
        while (!atEnd()) {
            const QChar c = m_text.at(m_pos);
            if (c == m_delimiter || isLineEnd(c))
                break;
            ++m_pos;
        }
        return m_text.mid(start, m_pos - start);
    }

public:
    // The lines whose opening quote was never closed, in file order.
    const QList<int> &unclosed() const { return m_unclosed; }

private:
    const QString &m_text;
    QChar m_delimiter;
    const DelimitedText::Progress *m_progress;
    qint64 m_fields = 0;
    bool m_stopped = false;
    qsizetype m_pos = 0;
    qsizetype m_counted = 0;
    int m_line = 1;
    QList<int> m_unclosed;
};

// The 8-bit encoding ICU's detector thinks likeliest. ISO 8859-1 is read as Windows-1252, its
// superset, where the bytes 0x80 to 0x9F are letters and signs (the euro, curly quotes)
// rather than control codes; with no 8-bit candidate the text is read as Windows-1252 too.
QByteArray likelyEightBitCharset(const QByteArray &bytes)
{
    QByteArray chosen = "windows-1252";
    UErrorCode status = U_ZERO_ERROR;
    UCharsetDetector *detector = ucsdet_open(&status);
    if (U_FAILURE(status))
        return chosen;
    // The detector looks at a sample; the start of a file tells as much as the whole.
    ucsdet_setText(detector, bytes.constData(), int32_t(qMin<qsizetype>(bytes.size(), 1 << 20)), &status);
    int32_t count = 0;
    const UCharsetMatch **matches = ucsdet_detectAll(detector, &count, &status);
    for (int32_t i = 0; U_SUCCESS(status) && matches && i < count; ++i) {
        const char *name = ucsdet_getName(matches[i], &status);
        if (U_FAILURE(status) || !name)
            break;
        const QByteArray candidate(name);
        if (candidate.startsWith("ISO-8859-") || candidate.startsWith("windows-125") || candidate == "KOI8-R") {
            chosen = candidate == "ISO-8859-1" ? QByteArray("windows-1252") : candidate;
            break;
        }
    }
    ucsdet_close(detector);
    return chosen;
}

} // namespace

QChar DelimitedText::delimiterAt(int index)
{
    static const char16_t delimiters[DelimiterCount] = {u',', u' ', u'\t', u':', u';'};
    return QChar(delimiters[index >= 0 && index < DelimiterCount ? index : 0]);
}

QStringList DelimitedText::delimiterTitles()
{
    return {QStringLiteral("Comma"), QStringLiteral("Space"), QStringLiteral("Tab"), QStringLiteral("Colon"),
            QStringLiteral("Semicolon")};
}

int DelimitedText::delimiterIndexForExtension(const QString &extension)
{
    return extension.compare(QLatin1String("tab"), Qt::CaseInsensitive) == 0 ? 2 : 0;
}

QString DelimitedText::exportValue(const QString &value, QChar delimiter)
{
    const bool breaks = value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))
                        || value.contains(QChar(0x2028)) || value.contains(QChar(0x2029)) || value.contains(QChar(0x85));
    if (delimiter == QLatin1Char(',')) {
        QString cell = trimmedBlanks(value);
        if (cell.contains(QLatin1Char('"'))) {
            cell.replace(QLatin1String("\""), QLatin1String("\"\""));
            return QLatin1Char('"') + cell + QLatin1Char('"');
        }
        if (cell.contains(QLatin1Char(',')) || breaks)
            return QLatin1Char('"') + cell + QLatin1Char('"');
        return cell;
    }
    if (value.contains(delimiter) || breaks || value.startsWith(QLatin1Char('"'))) {
        QString cell = value;
        cell.replace(QLatin1String("\""), QLatin1String("\"\""));
        return QLatin1Char('"') + cell + QLatin1Char('"');
    }
    return value;
}

std::optional<QString> DelimitedText::decode(const QByteArray &bytes, QString *encoding)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        QStringDecoder decoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE, QStringConverter::Flag::Stateless);
        QString text = decoder.decode(bytes.mid(2));
        if (decoder.hasError())
            return std::nullopt;
        if (encoding)
            *encoding = little ? QStringLiteral("UTF-16LE") : QStringLiteral("UTF-16BE");
        return text;
    }
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    // A zero byte means it is no text at all (a picture, a spreadsheet's own file).
    if (body.contains('\0'))
        return std::nullopt;
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(body);
    if (!decoder.hasError()) {
        if (encoding)
            *encoding = QStringLiteral("UTF-8");
        return text;
    }
    // Not UTF-8: what many spreadsheets still write is one of the 8-bit encodings.
    const QByteArray charset = likelyEightBitCharset(body);
    const icu::UnicodeString decoded(body.constData(), int32_t(body.size()), charset.constData());
    if (decoded.isBogus())
        return std::nullopt;
    if (encoding)
        *encoding = QString::fromLatin1(charset);
    return QString(reinterpret_cast<const QChar *>(decoded.getBuffer()), decoded.length());
}

int DelimitedText::guessDelimiterIndex(const QString &text, int fallback)
{
    // The first line with any content, quoted parts left out: a header or a first record.
    qsizetype start = 0;
    while (start < text.size() && isLineEnd(text.at(start)))
        ++start;
    int commas = 0;
    int semicolons = 0;
    int tabs = 0;
    bool inQuotes = false;
    for (qsizetype i = start; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        else if (!inQuotes && isLineEnd(c))
            break;
        else if (!inQuotes && c == QLatin1Char(','))
            ++commas;
        else if (!inQuotes && c == QLatin1Char(';'))
            ++semicolons;
        else if (!inQuotes && c == QLatin1Char('\t'))
            ++tabs;
    }
    if (tabs > commas && tabs > semicolons)
        return 2;
    if (semicolons > commas)
        return 4;
    if (commas > semicolons && commas > tabs)
        return 0;
    return fallback;
}

int DelimitedText::takeDeclaredDelimiter(QString &text, bool *found)
{
    if (found)
        *found = false;
    qsizetype at = 0;
    if (text.startsWith(QLatin1Char('"')))
        at = 1;
    if (!QStringView(text).mid(at, 4).startsWith(QLatin1String("sep="), Qt::CaseInsensitive) || text.size() < at + 5)
        return -1;
    const QChar delimiter = text.at(at + 4);
    qsizetype end = at + 5;
    if (end < text.size() && text.at(end) == QLatin1Char('"') && at == 1)
        ++end;
    while (end < text.size() && isBlank(text.at(end)) && text.at(end) != delimiter)
        ++end;
    if (end < text.size() && !isLineEnd(text.at(end)))
        return -1;
    if (end < text.size()) {
        const QChar first = text.at(end);
        ++end;
        if (first == QLatin1Char('\r') && end < text.size() && text.at(end) == QLatin1Char('\n'))
            ++end;
    }
    text.remove(0, end);
    if (found)
        *found = true;
    for (int i = 0; i < DelimiterCount; ++i)
        if (delimiterAt(i) == delimiter)
            return i;
    return -1;
}

QList<QStringList> DelimitedText::readRecords(const QString &text, QChar delimiter, QList<int> *unclosedQuoteLines,
                                              const Progress &progress)
{
    QList<QStringList> records;
    RecordReader reader(text, delimiter, progress ? &progress : nullptr);
    while (!reader.atEnd() && reader.going())
        records.append(reader.next());
    if (unclosedQuoteLines)
        *unclosedQuoteLines = reader.unclosed();
    return records;
}

QStringList DelimitedText::readRow(const QString &line, QChar delimiter)
{
    if (line.isEmpty())
        return {};
    RecordReader reader(line, delimiter);
    return reader.next();
}

QStringList DelimitedText::readCommaSeparatedLine(const QString &line)
{
    return readRow(line, QLatin1Char(','));
}

} // namespace quillmark
