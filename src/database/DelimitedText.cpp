#include "database/DelimitedText.h"

#include <QStringDecoder>

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
    RecordReader(const QString &text, QChar delimiter) : m_text(text), m_delimiter(delimiter) {}

    bool atEnd() const { return m_pos >= m_text.size(); }

    QStringList next()
    {
        QStringList fields;
        if (atLineEnd()) {
            skipLineEnd();
            return fields;
        }
        const bool comma = m_delimiter == QLatin1Char(',');
        for (;;) {
            if (comma)
                skipBlanks();
            QString field;
            const bool quoted = !atEnd() && m_text.at(m_pos) == QLatin1Char('"');
            if (quoted) {
                field = readQuoted();
                // Whatever stands between the closing quote and the delimiter belongs to the
                // field: a lenient reading of hand-made files.
                QString rest = readPlain();
                field += comma ? trimmedBlanks(rest) : rest;
            } else {
                const QString plain = readPlain();
                field = comma ? trimmedBlanks(plain) : plain;
            }
            fields.append(field);
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
    // breaks inside are part of the value. An unclosed quote takes the rest of the text.
    QString readQuoted()
    {
        ++m_pos;
        QString value;
        while (!atEnd()) {
            const QChar c = m_text.at(m_pos);
            if (c == QLatin1Char('"')) {
                if (m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == QLatin1Char('"')) {
                    value += c;
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                return value;
            }
            value += c;
            ++m_pos;
        }
        return value;
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

    const QString &m_text;
    QChar m_delimiter;
    qsizetype m_pos = 0;
};

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

std::optional<QString> DelimitedText::decode(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::Stateless);
        QString text = decoder.decode(bytes.mid(2));
        if (decoder.hasError())
            return std::nullopt;
        return text;
    }
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QList<QStringList> DelimitedText::readRecords(const QString &text, QChar delimiter)
{
    QList<QStringList> records;
    RecordReader reader(text, delimiter);
    while (!reader.atEnd())
        records.append(reader.next());
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
