#pragma once
// The delimited text format of the database's text export and import: the five delimiters,
// quoting a value for export and reading a file back into records of fields. A value our own
// export wrote (with delimiters, double quotes or line breaks in it) reads back unchanged.
#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quillmark {

class DelimitedText
{
public:
    DelimitedText() = delete;

    // The delimiters in pop-up order: comma, blank, tab, colon, semicolon.
    static constexpr int DelimiterCount = 5;
    static QChar delimiterAt(int index);
    // The English titles of the delimiter pop-up ("Comma", "Space", "Tab", "Colon", "Semicolon").
    static QStringList delimiterTitles();
    // The delimiter a file's extension suggests: "tab" tab, anything else comma.
    static int delimiterIndexForExtension(const QString &extension);

    // One value as the export writes it. With the comma it is trimmed of blanks and tabs and
    // quoted when it holds a comma, a double quote or a line break; with another delimiter it
    // is quoted only when it holds that delimiter or a line break, or begins with a double
    // quote, so that it reads back as it was.
    static QString exportValue(const QString &value, QChar delimiter);

    // The text of a file: UTF-16 with its byte order mark, UTF-8 (a byte order mark is
    // dropped), else the 8-bit encoding (Windows-1252, Latin-2 ...) ICU's charset detection
    // finds likeliest. Nothing for bytes that are no text (a zero byte). `encoding` receives
    // the encoding's name.
    static std::optional<QString> decode(const QByteArray &bytes, QString *encoding = nullptr);
    // The delimiter index the first line suggests: semicolons or tabs where they outnumber
    // commas (as spreadsheets of many locales write), else `fallback`.
    static int guessDelimiterIndex(const QString &text, int fallback);
    // A first line "sep=;" (as spreadsheets write it to name their delimiter) is no record: it
    // is taken off the text, and the answer is the index of the delimiter it names (-1 for
    // one that is not among the five, or when there is no such line).
    static int takeDeclaredDelimiter(QString &text, bool *found = nullptr);

    // Splits text into records (one per line; a quoted value may hold line breaks) of fields.
    // An empty line is a record without fields. A quote that is never closed does not take
    // the rest of the file: its line is read as if unquoted, and its 1-based number goes to
    // `unclosedQuoteLines`.
    // `progress`, when given, is asked every few thousand fields with the position reached in
    // the text and the fields read so far; when it answers false the reading stops there and
    // the records read up to then are answered.
    using Progress = std::function<bool(qsizetype position, qint64 fields)>;
    static QList<QStringList> readRecords(const QString &text, QChar delimiter, QList<int> *unclosedQuoteLines = nullptr,
                                          const Progress &progress = {});
    // One line's fields; the comma reader for the comma, the plain split for the others.
    static QStringList readRow(const QString &line, QChar delimiter);
    static QStringList readCommaSeparatedLine(const QString &line);
};

} // namespace quillmark
