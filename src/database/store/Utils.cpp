#include "database/store/Utils.h"

#include "platform/UserDefaults.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <memory>

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

std::unique_ptr<icu::SimpleDateFormat> englishFormatter(const QString &pattern)
{
    UErrorCode status = U_ZERO_ERROR;
    auto formatter = std::make_unique<icu::SimpleDateFormat>(toIcu(pattern), icu::Locale("en_US"), status);
    if (U_FAILURE(status))
        return nullptr;
    formatter->setLenient(false);
    return formatter;
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
    std::unique_ptr<icu::DateFormat> formatter(
        icu::DateFormat::createDateTimeInstance(icuStyle(dateStyle), icuStyle(timeStyle), icu::Locale::getDefault()));
    auto *simple = dynamic_cast<icu::SimpleDateFormat *>(formatter.get());
    if (!simple)
        return QString();
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    return fromIcu(pattern);
}

QString Utils::convertFormat(const QString &text, const QString &from, const QString &to)
{
    auto parser = englishFormatter(from);
    auto writer = englishFormatter(to);
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

QString Utils::formatDate(const QDateTime &date, const QString &pattern)
{
    auto writer = englishFormatter(pattern);
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
