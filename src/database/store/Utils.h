#pragma once
#include <QDateTime>
#include <QString>

namespace quillmark {

// Date patterns and conversions of the address database. Patterns are ICU/Unicode date
// patterns.
class Utils
{
public:
    // "yyyy-MM-dd HH:mm:ss ZZZ", the form of stored DATE values.
    static QString databaseFormat();
    // The pattern of the default locale for the user's "profileDateFormat" date style and,
    // when "showTime" is set, "profileTimeFormat" time style.
    static QString dateFormat();
    // Parses text with the first pattern and formats the date with the second, both in the
    // locale "en_US" and the default time zone. A null QString when the text does not parse.
    static QString convertFormat(const QString &text, const QString &from, const QString &to);
    // Formats a date with a pattern in the locale "en_US" and the default time zone.
    static QString formatDate(const QDateTime &date, const QString &pattern);
    // A date in the stored DATE form, in UTC: "2024-03-05 14:30:00 +0000".
    static QString databaseDescription(const QDateTime &date);
};

} // namespace quillmark
