#include "database/store/Utils.h"

#include "platform/UserDefaults.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <array>
#include <map>
#include <memory>
#include <optional>

namespace quillmark {

namespace {

icu::UnicodeString toIcu(const QString &text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
}

QString fromIcu(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

// The platform's style numbers (0 none, 1 short, 2 medium, 3 long, 4 full) as ICU styles.
icu::DateFormat::EStyle icuStyle(qint64 style)
{
    switch (style) {
    case 0:
        return icu::DateFormat::kNone;
    case 2:
        return icu::DateFormat::kMedium;
    case 3:
        return icu::DateFormat::kLong;
    case 4:
        return icu::DateFormat::kFull;
    default:
        return icu::DateFormat::kShort;
    }
}

qint64 integerDefault(const QString &key, qint64 fallback)
{
    const UserDefaults &defaults = UserDefaults::standard();
    return defaults.objectForKey(key).isValid() ? defaults.integerForKey(key) : fallback;
}

// A formatter is costly to make (a calendar, the locale's names of months and days) and
// merging asks for the same few patterns for every date field of every record: each thread
// keeps one per pattern (ICU's formatters are not shared between threads). Null when ICU
// refuses the pattern.
std::shared_ptr<icu::SimpleDateFormat> englishFormatter(const QString &pattern)
{
    thread_local std::map<QString, std::shared_ptr<icu::SimpleDateFormat>> kept;
    const auto found = kept.find(pattern);
    if (found != kept.end())
        return found->second;
    // Patterns come from a handful of styles; a stream of others is not kept for ever.
    if (kept.size() >= 32)
        kept.clear();
    UErrorCode status = U_ZERO_ERROR;
    auto formatter = std::make_shared<icu::SimpleDateFormat>(toIcu(pattern), icu::Locale("en_US"), status);
    if (U_FAILURE(status))
        formatter.reset();
    else
        formatter->setLenient(false);
    kept.emplace(pattern, formatter);
    return formatter;
}

QString convertedFormat(const QString &text, const QString &from, const QString &to)
{
    const std::shared_ptr<icu::SimpleDateFormat> parser = englishFormatter(from);
    const std::shared_ptr<icu::SimpleDateFormat> writer = englishFormatter(to);
    if (!parser || !writer)
        return QString();
    const icu::UnicodeString source = toIcu(text);
    icu::ParsePosition position(0);
    const UDate date = parser->parse(source, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != source.length())
        return QString();
    icu::UnicodeString result;
    writer->format(date, result);
    return fromIcu(result);
}

} // namespace

QString Utils::databaseFormat()
{
    return QStringLiteral("yyyy-MM-dd HH:mm:ss ZZZ");
}

QString Utils::dateFormat()
{
    const qint64 dateStyle = integerDefault(QStringLiteral("profileDateFormat"), 1);
    const qint64 timeStyle = UserDefaults::standard().boolForKey(QStringLiteral("showTime"))
                                 ? integerDefault(QStringLiteral("profileTimeFormat"), dateStyle)
                                 : 0;
    // Asked for every date field of every record: the pattern of each style and locale is
    // worked out once.
    const icu::Locale &locale = icu::Locale::getDefault();
    const QString key = QStringLiteral("%1 %2 %3").arg(dateStyle).arg(timeStyle).arg(QString::fromLatin1(locale.getName()));
    thread_local std::map<QString, QString> patterns;
    if (const auto found = patterns.find(key); found != patterns.end())
        return found->second;
    std::unique_ptr<icu::DateFormat> formatter(
        icu::DateFormat::createDateTimeInstance(icuStyle(dateStyle), icuStyle(timeStyle), locale));
    auto *simple = dynamic_cast<icu::SimpleDateFormat *>(formatter.get());
    if (!simple)
        return QString();
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    if (patterns.size() >= 32)
        patterns.clear();
    return patterns.emplace(key, fromIcu(pattern)).first->second;
}

QString Utils::convertFormat(const QString &text, const QString &from, const QString &to)
{
    // Every field that shows a record's date asks for the same conversion (thousands of
    // them on a label, each at every refresh): the last few answers are kept, as the
    // formatters are, on each thread.
    struct Conversion
    {
        QString text, from, to, result;
    };
    constexpr size_t Kept = 8;
    thread_local std::array<std::optional<Conversion>, Kept> conversions;
    thread_local size_t next = 0;
    for (const std::optional<Conversion> &c : conversions)
        if (c && c->text == text && c->from == from && c->to == to)
            return c->result;
    const QString result = convertedFormat(text, from, to);
    conversions[next] = Conversion{text, from, to, result};
    next = (next + 1) % Kept;
    return result;
}

QString Utils::formatDate(const QDateTime &date, const QString &pattern)
{
    const std::shared_ptr<icu::SimpleDateFormat> writer = englishFormatter(pattern);
    if (!writer || !date.isValid())
        return QString();
    icu::UnicodeString result;
    writer->format(UDate(date.toMSecsSinceEpoch()), result);
    return fromIcu(result);
}

QString Utils::databaseDescription(const QDateTime &date)
{
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
}

} // namespace quillmark
