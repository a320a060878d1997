#include "database/exchange/NumberFormatCode.h"

#include <QDate>

#include <cmath>
#include <map>
#include <string>

#include <unicode/dcfmtsym.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/uloc.h>

namespace quillmark {

namespace {
namespace numfmt {

using Token = NumberFormatCode::Token;
using Section = NumberFormatCode::Section;

QString fromIcu(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

bool startsWithAt(const QString &text, qsizetype at, QLatin1String word)
{
    return text.size() - at >= word.size() && QStringView(text).mid(at, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

// The user's decimal and grouping signs.
struct Signs
{
    QString decimal = QStringLiteral(".");
    QString grouping = QStringLiteral(",");
};

const Signs &signs()
{
    thread_local std::map<std::string, Signs> cache;
    const std::string name = icu::Locale::getDefault().getName();
    auto it = cache.find(name);
    if (it == cache.end()) {
        Signs read;
        UErrorCode status = U_ZERO_ERROR;
        const icu::DecimalFormatSymbols symbols(icu::Locale::getDefault(), status);
        if (U_SUCCESS(status)) {
            read.decimal = fromIcu(symbols.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol));
            read.grouping = fromIcu(symbols.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol));
        }
        it = cache.emplace(name, read).first;
    }
    return it->second;
}

// Month and day names of a locale (the user's when the code names none).
struct Names
{
    QStringList months;
    QStringList shortMonths;
    QStringList days; // Sunday first
    QStringList shortDays;
};

const Names &names(const QString &locale)
{
    thread_local std::map<std::string, Names> cache;
    const icu::Locale icuLocale = locale.isEmpty() ? icu::Locale::getDefault() : icu::Locale(locale.toLatin1().constData());
    const std::string key = icuLocale.getName();
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    Names read;
    UErrorCode status = U_ZERO_ERROR;
    const icu::DateFormatSymbols symbols(icuLocale, status);
    auto list = [&](const icu::UnicodeString *values, int32_t count, int32_t from) {
        QStringList out;
        for (int32_t i = from; values && i < count; ++i)
            out.append(fromIcu(values[i]));
        return out;
    };
    if (U_SUCCESS(status)) {
        int32_t count = 0;
        const icu::UnicodeString *values = symbols.getMonths(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
        read.months = list(values, count, 0);
        values = symbols.getMonths(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::ABBREVIATED);
        read.shortMonths = list(values, count, 0);
        values = symbols.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
        read.days = list(values, count, 1); // ICU leaves index 0 empty
        values = symbols.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::ABBREVIATED);
        read.shortDays = list(values, count, 1);
    }
    // The few lists a spreadsheet would show for a locale ICU cannot give.
    if (read.months.size() != 12)
        read.months = QStringList{"January", "February", "March", "April", "May", "June", "July",
                                  "August", "September", "October", "November", "December"};
    if (read.shortMonths.size() != 12)
        read.shortMonths = QStringList{"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (read.days.size() != 7)
        read.days = QStringList{"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    if (read.shortDays.size() != 7)
        read.shortDays = QStringList{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return cache.emplace(key, read).first->second;
}

// The ICU locale of a Windows locale id ("409" en_US, "407" de_DE); empty for none.
QString localeOfLcid(const QString &hex)
{
    bool ok = false;
    const uint lcid = hex.toUInt(&ok, 16) & 0xFFFF;
    // F800 and F400 ask for the system's long date and time: the user's own locale.
    if (!ok || lcid == 0 || lcid == 0xF800 || lcid == 0xF400)
        return QString();
    char name[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uloc_getLocaleForLCID(lcid, name, sizeof name, &status);
    if (U_FAILURE(status) || length <= 0)
        return QString();
    return QString::fromLatin1(name, length);
}

void addLiteral(Section &section, const QString &text)
{
    if (text.isEmpty())
        return;
    if (!section.tokens.isEmpty() && section.tokens.last().kind == Token::Literal) {
        section.tokens.last().text += text;
        return;
    }
    Token token;
    token.kind = Token::Literal;
    token.text = text;
    section.tokens.append(token);
}

void addToken(Section &section, Token::Kind kind, const QString &text = QString(), int count = 0)
{
    Token token;
    token.kind = kind;
    token.text = text;
    token.count = count;
    section.tokens.append(token);
}

void readBracket(Section &section, const QString &content)
{
    if (content.isEmpty())
        return;
    if (content.at(0) == QLatin1Char('$')) {
        const QString inner = content.mid(1);
        const qsizetype dash = inner.indexOf(QLatin1Char('-'));
        const QString symbol = dash < 0 ? inner : inner.left(dash);
        if (!symbol.isEmpty()) {
            addLiteral(section, symbol);
            section.currency = true;
        }
        if (dash >= 0) {
            const QString locale = localeOfLcid(inner.mid(dash + 1));
            if (!locale.isEmpty())
                section.locale = locale;
        }
        return;
    }
    const QString lower = content.toLower();
    const QChar first = lower.at(0);
    if ((first == QLatin1Char('h') || first == QLatin1Char('m') || first == QLatin1Char('s'))
        && lower.count(first) == lower.size()) {
        addToken(section,
                 first == QLatin1Char('h')   ? Token::ElapsedHours
                 : first == QLatin1Char('m') ? Token::ElapsedMinutes
                                             : Token::ElapsedSeconds,
                 QString(), int(lower.size()));
        return;
    }
    if (first == QLatin1Char('<') || first == QLatin1Char('>') || first == QLatin1Char('=')) {
        qsizetype at = 1;
        QString op = QString(first);
        if (content.size() > 1 && (content.at(1) == QLatin1Char('=') || (first == QLatin1Char('<') && content.at(1) == QLatin1Char('>')))) {
            op += content.at(1);
            at = 2;
        }
        bool ok = false;
        const double operand = content.mid(at).trimmed().toDouble(&ok);
        if (ok) {
            section.hasCondition = true;
            section.op = op;
            section.operand = operand;
        }
    }
    // Colours ([Red], [Color10]) and numeral systems ([DBNum1]) change nothing in the text.
}

bool isDatePart(Token::Kind kind)
{
    switch (kind) {
    case Token::Year:
    case Token::MonthOrMinute:
    case Token::Month:
    case Token::Minute:
    case Token::Day:
    case Token::Hour:
    case Token::Second:
    case Token::SecondFraction:
    case Token::ElapsedHours:
    case Token::ElapsedMinutes:
    case Token::ElapsedSeconds:
    case Token::AmPm:
        return true;
    default:
        return false;
    }
}

QString tokenText(const Token &token)
{
    switch (token.kind) {
    case Token::Literal:
    case Token::Digit:
        return token.text;
    case Token::Point:
        return QStringLiteral(".");
    case Token::Comma:
        return QStringLiteral(",");
    case Token::Percent:
        return QStringLiteral("%");
    case Token::Slash:
        return QStringLiteral("/");
    case Token::Denominator:
        return QLatin1Char('/') + token.text;
    case Token::Exponent:
        return QLatin1Char('E') + token.text;
    default:
        return QString();
    }
}

// A date or time section: digits are text there, except the fraction of a second after a
// point, and m or mm names minutes next to an hour or a second.
void settleDateSection(Section &section)
{
    QList<Token> settled;
    const QList<Token> &tokens = section.tokens;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token &token = tokens.at(i);
        if (token.kind == Token::Point && i + 1 < tokens.size() && tokens.at(i + 1).kind == Token::Digit
            && tokens.at(i + 1).text == QLatin1String("0")) {
            int digits = 0;
            qsizetype j = i + 1;
            while (j < tokens.size() && tokens.at(j).kind == Token::Digit && tokens.at(j).text == QLatin1String("0")) {
                ++digits;
                ++j;
            }
            Token fraction;
            fraction.kind = Token::SecondFraction;
            fraction.count = qMin(digits, 3);
            settled.append(fraction);
            i = j - 1;
            continue;
        }
        if (isDatePart(token.kind) || token.kind == Token::GeneralValue || token.kind == Token::TextValue) {
            settled.append(token);
            continue;
        }
        const QString text = tokenText(token);
        if (!settled.isEmpty() && settled.last().kind == Token::Literal)
            settled.last().text += text;
        else {
            Token literal;
            literal.kind = Token::Literal;
            literal.text = text;
            settled.append(literal);
        }
    }
    for (qsizetype i = 0; i < settled.size(); ++i) {
        Token &token = settled[i];
        if (token.kind != Token::MonthOrMinute)
            continue;
        if (token.count > 2) {
            token.kind = Token::Month;
            continue;
        }
        bool minute = false;
        for (qsizetype j = i - 1; j >= 0; --j) {
            const Token::Kind kind = settled.at(j).kind;
            if (kind == Token::Literal)
                continue;
            minute = kind == Token::Hour || kind == Token::ElapsedHours;
            break;
        }
        for (qsizetype j = i + 1; !minute && j < settled.size(); ++j) {
            const Token::Kind kind = settled.at(j).kind;
            if (kind == Token::Literal)
                continue;
            minute = kind == Token::Second || kind == Token::ElapsedSeconds;
            break;
        }
        token.kind = minute ? Token::Minute : Token::Month;
    }
    section.tokens = settled;
}

Section readSection(const QString &code)
{
    Section section;
    const qsizetype n = code.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('"')) {
            qsizetype end = code.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                end = n;
            addLiteral(section, code.mid(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 < n)
                addLiteral(section, QString(code.at(i + 1)));
            i += 2;
            continue;
        }
        if (c == QLatin1Char('_')) {
            // The width of the next character: only a blank that aligns columns.
            addLiteral(section, QStringLiteral(" "));
            i += 2;
            continue;
        }
        if (c == QLatin1Char('*')) {
            // Repeats the next character to fill the cell's width, which an import has not.
            i += 2;
            continue;
        }
        if (c == QLatin1Char('[')) {
            const qsizetype end = code.indexOf(QLatin1Char(']'), i + 1);
            if (end < 0) {
                addLiteral(section, QString(c));
                ++i;
                continue;
            }
            readBracket(section, code.mid(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (startsWithAt(code, i, QLatin1String("General"))) {
            addToken(section, Token::GeneralValue);
            i += 7;
            continue;
        }
        if (startsWithAt(code, i, QLatin1String("AM/PM"))) {
            addToken(section, Token::AmPm, code.mid(i, 5));
            i += 5;
            continue;
        }
        if (startsWithAt(code, i, QLatin1String("A/P"))) {
            addToken(section, Token::AmPm, code.mid(i, 3));
            i += 3;
            continue;
        }
        const QChar lower = c.toLower();
        if (lower == QLatin1Char('y') || lower == QLatin1Char('m') || lower == QLatin1Char('d') || lower == QLatin1Char('h')
            || lower == QLatin1Char('s')) {
            qsizetype run = 1;
            while (i + run < n && code.at(i + run).toLower() == lower)
                ++run;
            const Token::Kind kind = lower == QLatin1Char('y')   ? Token::Year
                                     : lower == QLatin1Char('m') ? Token::MonthOrMinute
                                     : lower == QLatin1Char('d') ? Token::Day
                                     : lower == QLatin1Char('h') ? Token::Hour
                                                                 : Token::Second;
            addToken(section, kind, QString(), int(run));
            i += run;
            continue;
        }
        if (lower == QLatin1Char('e') && i + 1 < n && (code.at(i + 1) == QLatin1Char('+') || code.at(i + 1) == QLatin1Char('-'))) {
            addToken(section, Token::Exponent, QString(code.at(i + 1)));
            i += 2;
            continue;
        }
        if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('?')) {
            addToken(section, Token::Digit, QString(c));
            ++i;
            continue;
        }
        if (c == QLatin1Char('/')) {
            qsizetype end = i + 1;
            while (end < n && code.at(end).isDigit() && code.at(end).unicode() < 128)
                ++end;
            if (end > i + 1 && code.at(i + 1) != QLatin1Char('0')) {
                addToken(section, Token::Denominator, code.mid(i + 1, end - i - 1));
                i = end;
            } else {
                addToken(section, Token::Slash);
                ++i;
            }
            continue;
        }
        switch (c.unicode()) {
        case '.':
            addToken(section, Token::Point);
            break;
        case ',':
            addToken(section, Token::Comma);
            break;
        case '%':
            addToken(section, Token::Percent);
            section.percent = true;
            break;
        case '@':
            addToken(section, Token::TextValue);
            section.text = true;
            break;
        default:
            addLiteral(section, QString(c));
            if (c == QLatin1Char('$') || c.category() == QChar::Symbol_Currency)
                section.currency = true;
        }
        ++i;
    }
    for (const Token &token : std::as_const(section.tokens))
        if (isDatePart(token.kind))
            section.date = true;
    if (section.date) {
        section.percent = false;
        section.currency = false;
        settleDateSection(section);
    }
    return section;
}

QStringList splitSections(const QString &code)
{
    QStringList sections;
    QString current;
    bool quoted = false;
    bool bracket = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('\\') && !quoted && i + 1 < code.size()) {
            current += c;
            current += code.at(++i);
            continue;
        }
        if (c == QLatin1Char('"') && !bracket)
            quoted = !quoted;
        else if (c == QLatin1Char('[') && !quoted)
            bracket = true;
        else if (c == QLatin1Char(']') && !quoted)
            bracket = false;
        if (c == QLatin1Char(';') && !quoted && !bracket) {
            sections.append(current);
            current.clear();
            continue;
        }
        current += c;
    }
    sections.append(current);
    return sections;
}

// ---------------------------------------------------------------- digits

// The decimal digits of a non-negative number rounded half away from zero to `decimals`
// places, from its fifteen significant digits as spreadsheets keep them: the whole part
// without leading zeros (empty for zero) and exactly `decimals` fraction digits.
void roundedDigits(double value, int decimals, QString &whole, QString &fraction)
{
    whole.clear();
    fraction = QString(decimals, QLatin1Char('0'));
    if (!(value > 0) || !std::isfinite(value))
        return;
    const QString scientific = QString::number(value, 'e', 14); // d.dddddddddddddde+XX
    const qsizetype e = scientific.indexOf(QLatin1Char('e'));
    QString digits = scientific.left(e);
    digits.remove(QLatin1Char('.'));
    const int exponent = scientific.mid(e + 1).toInt();
    int point = exponent + 1; // digits before the point
    const int lead = qMax(0, -point);
    QString d = QString(lead + 1, QLatin1Char('0')) + digits;
    point += lead + 1;
    if (point > d.size())
        d += QString(point - d.size(), QLatin1Char('0'));
    const int need = point + decimals;
    if (d.size() < need)
        d += QString(need - d.size(), QLatin1Char('0'));
    if (d.size() > need) {
        const bool up = d.at(need) >= QLatin1Char('5');
        d.truncate(need);
        for (qsizetype i = d.size() - 1; up && i >= 0; --i) {
            if (d.at(i) == QLatin1Char('9')) {
                d[i] = QLatin1Char('0');
                if (i == 0) {
                    d.prepend(QLatin1Char('1'));
                    ++point;
                }
            } else {
                d[i] = QChar(d.at(i).unicode() + 1);
                break;
            }
        }
    }
    whole = d.left(point);
    qsizetype zeros = 0;
    while (zeros < whole.size() && whole.at(zeros) == QLatin1Char('0'))
        ++zeros;
    whole = whole.mid(zeros);
    fraction = d.mid(point, decimals);
}

QString groupedDigits(const QString &text, const QString &separator)
{
    // Blanks of ? placeholders lead; separators go between the digits only.
    qsizetype first = 0;
    while (first < text.size() && !text.at(first).isDigit())
        ++first;
    const QString digits = text.mid(first);
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += separator;
        out += digits.at(i);
    }
    return text.left(first) + out;
}

// The whole part spread over its placeholders from the right; the first takes what is left.
QStringList placedWhole(const QString &whole, const QList<QChar> &placeholders)
{
    const qsizetype n = placeholders.size();
    QStringList placed(n);
    for (qsizetype p = n - 1; p >= 0; --p) {
        const qsizetype j = whole.size() - (n - p);
        if (j >= 0) {
            placed[p] = p == 0 ? whole.left(j + 1) : QString(whole.at(j));
        } else {
            const QChar holder = placeholders.at(p);
            placed[p] = holder == QLatin1Char('0') ? QStringLiteral("0") : holder == QLatin1Char('?') ? QStringLiteral(" ") : QString();
        }
    }
    return placed;
}

// Fraction digits: trailing zeros of # places vanish, of ? places turn blank.
QStringList placedFraction(const QString &fraction, const QList<QChar> &placeholders)
{
    QStringList placed;
    for (qsizetype q = 0; q < placeholders.size(); ++q)
        placed.append(QString(fraction.at(q)));
    for (qsizetype q = placeholders.size() - 1; q >= 0; --q) {
        if (fraction.at(q) != QLatin1Char('0') || placeholders.at(q) == QLatin1Char('0'))
            break;
        placed[q] = placeholders.at(q) == QLatin1Char('?') ? QStringLiteral(" ") : QString();
    }
    return placed;
}

QString renderFixed(const Section &section, double value)
{
    const QList<Token> &tokens = section.tokens;
    const qsizetype count = tokens.size();
    qsizetype point = -1;
    for (qsizetype i = 0; i < count && point < 0; ++i)
        if (tokens.at(i).kind == Token::Point)
            point = i;
    const qsizetype wholeEnd = point < 0 ? count : point;
    // Commas: between digit placeholders of the whole part they group; after the last digit
    // placeholder each divides by a thousand; elsewhere they are text.
    enum Role { Shown, Grouping, Scaling };
    QList<Role> roles(count, Shown);
    bool grouping = false;
    qsizetype lastDigit = -1;
    for (qsizetype i = 0; i < count; ++i)
        if (tokens.at(i).kind == Token::Digit)
            lastDigit = i;
    for (qsizetype i = 0; i < count; ++i) {
        if (tokens.at(i).kind != Token::Comma)
            continue;
        bool before = false;
        bool after = false;
        for (qsizetype j = 0; j < i; ++j)
            before = before || tokens.at(j).kind == Token::Digit;
        for (qsizetype j = i + 1; j < (i < wholeEnd ? wholeEnd : count); ++j)
            after = after || tokens.at(j).kind == Token::Digit;
        if (before && after && i < wholeEnd) {
            roles[i] = Grouping;
            grouping = true;
        } else if (before && i > lastDigit) {
            roles[i] = Scaling;
            value /= 1000.0;
        }
    }
    for (const Token &token : tokens)
        if (token.kind == Token::Percent)
            value *= 100.0;

    QList<QChar> wholeHolders;
    QList<QChar> fractionHolders;
    bool literalInsideWhole = false;
    qsizetype firstWhole = -1;
    for (qsizetype i = 0; i < count; ++i) {
        if (tokens.at(i).kind != Token::Digit)
            continue;
        if (i < wholeEnd) {
            if (firstWhole >= 0 && wholeHolders.size() > 0) {
                for (qsizetype j = firstWhole; j < i; ++j)
                    if (tokens.at(j).kind == Token::Literal)
                        literalInsideWhole = true;
            }
            if (firstWhole < 0)
                firstWhole = i;
            wholeHolders.append(tokens.at(i).text.at(0));
        } else {
            fractionHolders.append(tokens.at(i).text.at(0));
        }
    }
    QString whole;
    QString fraction;
    roundedDigits(value, int(fractionHolders.size()), whole, fraction);
    QStringList wholeParts = placedWhole(whole, wholeHolders);
    if (grouping && !literalInsideWhole && !wholeParts.isEmpty()) {
        const QString joined = groupedDigits(wholeParts.join(QString()), signs().grouping);
        for (QString &part : wholeParts)
            part.clear();
        wholeParts[0] = joined;
    }
    const QStringList fractionParts = placedFraction(fraction, fractionHolders);

    QString out;
    qsizetype wholeAt = 0;
    qsizetype fractionAt = 0;
    const bool noWholeHolders = wholeHolders.isEmpty();
    for (qsizetype i = 0; i < count; ++i) {
        const Token &token = tokens.at(i);
        switch (token.kind) {
        case Token::Digit:
            out += i < wholeEnd ? wholeParts.value(wholeAt++) : fractionParts.value(fractionAt++);
            break;
        case Token::Point:
            // Without a place for them the whole digits still show before the point.
            if (noWholeHolders && i == point)
                out += whole;
            out += i == point ? signs().decimal : QStringLiteral(".");
            break;
        case Token::Comma:
            if (roles.at(i) == Shown)
                out += QLatin1Char(',');
            break;
        case Token::Percent:
            out += QLatin1Char('%');
            break;
        case Token::GeneralValue:
            out += NumberFormatCode::general(value);
            break;
        case Token::Exponent:
        case Token::Slash:
        case Token::Denominator:
            out += tokenText(token);
            break;
        case Token::Literal:
            out += token.text;
            break;
        default:
            break;
        }
    }
    return out;
}

QString renderScientific(const Section &section, double value)
{
    const QList<Token> &tokens = section.tokens;
    qsizetype exponentAt = -1;
    for (qsizetype i = 0; i < tokens.size() && exponentAt < 0; ++i)
        if (tokens.at(i).kind == Token::Exponent)
            exponentAt = i;
    QList<QChar> wholeHolders;
    QList<QChar> fractionHolders;
    QList<QChar> exponentHolders;
    bool afterPoint = false;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token &token = tokens.at(i);
        if (token.kind == Token::Point && i < exponentAt)
            afterPoint = true;
        if (token.kind != Token::Digit)
            continue;
        if (i > exponentAt)
            exponentHolders.append(token.text.at(0));
        else if (afterPoint)
            fractionHolders.append(token.text.at(0));
        else
            wholeHolders.append(token.text.at(0));
    }
    for (const Token &token : tokens)
        if (token.kind == Token::Percent)
            value *= 100.0;
    const int wholeCount = qMax<int>(1, int(wholeHolders.size()));
    // "##0.0E+0" keeps exponents in steps of the whole places (engineering notation).
    const int step = wholeHolders.size() > 1 && wholeHolders.first() == QLatin1Char('#') ? wholeCount : 1;
    int exponent = 0;
    QString whole;
    QString fraction;
    if (value > 0) {
        const int magnitude = int(std::floor(std::log10(value)));
        exponent = step > 1 ? int(std::floor(double(magnitude) / step)) * step : magnitude - (wholeCount - 1);
        for (int attempt = 0; attempt < 2; ++attempt) {
            roundedDigits(value / std::pow(10.0, exponent), int(fractionHolders.size()), whole, fraction);
            if (whole.size() <= (step > 1 ? step : wholeCount))
                break;
            exponent += step;
        }
    } else {
        roundedDigits(0, int(fractionHolders.size()), whole, fraction);
    }
    const QStringList wholeParts = placedWhole(whole, wholeHolders);
    const QStringList fractionParts = placedFraction(fraction, fractionHolders);
    QString exponentDigits = QString::number(std::abs(exponent));
    int minimum = 0;
    for (QChar holder : std::as_const(exponentHolders))
        minimum += holder == QLatin1Char('0') ? 1 : 0;
    if (exponentDigits.size() < minimum)
        exponentDigits.prepend(QString(minimum - exponentDigits.size(), QLatin1Char('0')));

    QString out;
    qsizetype wholeAt = 0;
    qsizetype fractionAt = 0;
    bool exponentWritten = false;
    afterPoint = false;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token &token = tokens.at(i);
        switch (token.kind) {
        case Token::Digit:
            if (i > exponentAt) {
                if (!exponentWritten) {
                    out += exponentDigits;
                    exponentWritten = true;
                }
            } else {
                out += afterPoint ? fractionParts.value(fractionAt++) : wholeParts.value(wholeAt++);
            }
            break;
        case Token::Point:
            if (i < exponentAt) {
                afterPoint = true;
                out += signs().decimal;
            } else {
                out += QLatin1Char('.');
            }
            break;
        case Token::Exponent:
            out += QLatin1Char('E');
            if (exponent < 0)
                out += QLatin1Char('-');
            else if (token.text == QLatin1String("+"))
                out += QLatin1Char('+');
            break;
        case Token::Percent:
            out += QLatin1Char('%');
            break;
        case Token::Literal:
            out += token.text;
            break;
        default:
            out += tokenText(token);
            break;
        }
    }
    return out;
}

QString renderFraction(const Section &section, double value)
{
    const QList<Token> &tokens = section.tokens;
    qsizetype bar = -1;
    for (qsizetype i = 0; i < tokens.size() && bar < 0; ++i)
        if (tokens.at(i).kind == Token::Slash || tokens.at(i).kind == Token::Denominator)
            bar = i;
    // The numerator's placeholders stand directly before the bar; whole places before them.
    qsizetype numeratorStart = bar;
    while (numeratorStart > 0 && tokens.at(numeratorStart - 1).kind == Token::Digit)
        --numeratorStart;
    QList<QChar> numeratorHolders;
    for (qsizetype i = numeratorStart; i < bar; ++i)
        numeratorHolders.append(tokens.at(i).text.at(0));
    QList<QChar> wholeHolders;
    for (qsizetype i = 0; i < numeratorStart; ++i)
        if (tokens.at(i).kind == Token::Digit)
            wholeHolders.append(tokens.at(i).text.at(0));
    QList<QChar> denominatorHolders;
    qsizetype denominatorEnd = bar + 1;
    int fixed = 0;
    if (tokens.at(bar).kind == Token::Denominator) {
        fixed = tokens.at(bar).text.toInt();
    } else {
        while (denominatorEnd < tokens.size() && tokens.at(denominatorEnd).kind == Token::Digit)
            denominatorHolders.append(tokens.at(denominatorEnd++).text.at(0));
    }
    for (const Token &token : tokens)
        if (token.kind == Token::Percent)
            value *= 100.0;

    qint64 whole = 0;
    double rest = value;
    if (!wholeHolders.isEmpty()) {
        whole = qint64(std::floor(value));
        rest = value - double(whole);
    }
    qint64 numerator = 0;
    qint64 denominator = 1;
    if (fixed > 0) {
        denominator = fixed;
        numerator = qint64(std::llround(rest * fixed));
    } else {
        const int places = qBound(1, int(denominatorHolders.size()), 4);
        const qint64 largest = qint64(std::pow(10, places)) - 1;
        double best = 2;
        for (qint64 d = 1; d <= largest; ++d) {
            const qint64 n = qint64(std::llround(rest * double(d)));
            const double error = std::abs(rest - double(n) / double(d));
            if (error < best - 1e-12) {
                best = error;
                numerator = n;
                denominator = d;
                if (error == 0)
                    break;
            }
        }
    }
    if (!wholeHolders.isEmpty() && numerator == denominator) {
        ++whole;
        numerator = 0;
    }
    const bool noFraction = numerator == 0 && !wholeHolders.isEmpty();
    const QStringList wholeParts =
        placedWhole(whole == 0 ? (noFraction ? QStringLiteral("0") : QString()) : QString::number(whole), wholeHolders);
    const QStringList numeratorParts = placedWhole(QString::number(numerator), numeratorHolders);
    QString denominatorText = QString::number(denominator);
    for (qsizetype i = denominatorText.size(); i < denominatorHolders.size(); ++i)
        denominatorText += denominatorHolders.at(i) == QLatin1Char('0') ? QStringLiteral("0") : QStringLiteral(" ");

    QString out;
    qsizetype wholeAt = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token &token = tokens.at(i);
        if (i >= numeratorStart && i < denominatorEnd) {
            if (noFraction)
                continue;
            if (i == numeratorStart)
                out += numeratorParts.join(QString());
            if (i == bar)
                out += QLatin1Char('/') + denominatorText;
            continue;
        }
        switch (token.kind) {
        case Token::Digit:
            out += wholeParts.value(wholeAt++);
            break;
        case Token::Percent:
            out += QLatin1Char('%');
            break;
        case Token::Literal:
            // The blank between a whole number and no fraction is only alignment.
            out += token.text;
            break;
        default:
            out += tokenText(token);
            break;
        }
    }
    return out;
}

QString renderNumber(const Section &section, double value)
{
    bool digits = false;
    bool exponent = false;
    bool bar = false;
    for (const Token &token : section.tokens) {
        digits = digits || token.kind == Token::Digit;
        exponent = exponent || token.kind == Token::Exponent;
        bar = bar || token.kind == Token::Slash || token.kind == Token::Denominator;
    }
    if (digits && bar) {
        // A bar needs placeholders on both of its sides to be a fraction.
        for (qsizetype i = 0; i < section.tokens.size(); ++i) {
            const Token::Kind kind = section.tokens.at(i).kind;
            if (kind == Token::Slash || kind == Token::Denominator) {
                const bool numerator = i > 0 && section.tokens.at(i - 1).kind == Token::Digit;
                const bool denominator = kind == Token::Denominator
                                         || (i + 1 < section.tokens.size() && section.tokens.at(i + 1).kind == Token::Digit);
                if (numerator && denominator)
                    return renderFraction(section, value);
                break;
            }
        }
    }
    if (digits && exponent)
        return renderScientific(section, value);
    return renderFixed(section, value);
}

QString padded(qint64 number, int width)
{
    return QString::number(number).rightJustified(width, QLatin1Char('0'));
}

QString renderDate(const Section &section, double value, bool date1904)
{
    if (!std::isfinite(value) || value < 0 || value >= 2958466.0) // up to 31 December 9999
        return QString();
    int places = 0;
    bool twelveHours = false;
    for (const Token &token : section.tokens) {
        if (token.kind == Token::SecondFraction)
            places = qMax(places, token.count);
        if (token.kind == Token::AmPm)
            twelveHours = true;
    }
    const qint64 scale = places == 0 ? 1 : places == 1 ? 10 : places == 2 ? 100 : 1000;
    // Rounded to what the code shows, as a spreadsheet rounds: 0.9999999 of a day is midnight.
    const qint64 units = qint64(std::llround(value * 86400.0 * double(scale)));
    const qint64 perDay = 86400 * scale;
    const qint64 days = units / perDay;
    const qint64 ofDay = units % perDay;
    const qint64 seconds = ofDay / scale;
    const qint64 part = ofDay % scale;
    const int hour = int(seconds / 3600);
    const int minute = int(seconds / 60 % 60);
    const int second = int(seconds % 60);
    QDate date;
    if (date1904)
        date = QDate(1904, 1, 1).addDays(days);
    else if (days < 60)
        // Day 1 is 1 January 1900; the workbook's day 60 is a 29 February 1900 that never was.
        date = QDate(1899, 12, 31).addDays(days);
    else if (days == 60)
        date = QDate(1900, 2, 28);
    else
        date = QDate(1899, 12, 30).addDays(days);
    if (!date.isValid())
        return QString();
    const Names &named = names(section.locale);
    QString out;
    for (const Token &token : section.tokens) {
        switch (token.kind) {
        case Token::Literal:
            out += token.text;
            break;
        case Token::Year:
            out += token.count <= 2 ? padded(date.year() % 100, 2) : padded(date.year(), 4);
            break;
        case Token::Month:
            if (token.count == 1)
                out += QString::number(date.month());
            else if (token.count == 2)
                out += padded(date.month(), 2);
            else if (token.count == 3)
                out += named.shortMonths.at(date.month() - 1);
            else if (token.count == 5)
                out += named.months.at(date.month() - 1).left(1);
            else
                out += named.months.at(date.month() - 1);
            break;
        case Token::Day:
            if (token.count == 1)
                out += QString::number(date.day());
            else if (token.count == 2)
                out += padded(date.day(), 2);
            else if (token.count == 3)
                out += named.shortDays.at(date.dayOfWeek() % 7);
            else
                out += named.days.at(date.dayOfWeek() % 7);
            break;
        case Token::Hour: {
            const int shown = twelveHours ? (hour % 12 == 0 ? 12 : hour % 12) : hour;
            out += token.count >= 2 ? padded(shown, 2) : QString::number(shown);
            break;
        }
        case Token::Minute:
            out += token.count >= 2 ? padded(minute, 2) : QString::number(minute);
            break;
        case Token::Second:
            out += token.count >= 2 ? padded(second, 2) : QString::number(second);
            break;
        case Token::SecondFraction:
            out += signs().decimal + padded(part, places).left(token.count);
            break;
        case Token::ElapsedHours:
            out += padded(units / (3600 * scale), token.count);
            break;
        case Token::ElapsedMinutes:
            out += padded(units / (60 * scale), token.count);
            break;
        case Token::ElapsedSeconds:
            out += padded(units / scale, token.count);
            break;
        case Token::AmPm: {
            const bool pm = hour >= 12;
            const bool shortForm = token.text.size() == 3;
            const bool lowerCase = token.text.at(0).isLower();
            QString mark = shortForm ? QString(pm ? QLatin1Char('P') : QLatin1Char('A')) : QString::fromLatin1(pm ? "PM" : "AM");
            out += lowerCase ? mark.toLower() : mark;
            break;
        }
        case Token::GeneralValue:
            out += NumberFormatCode::general(value);
            break;
        default:
            break;
        }
    }
    return out;
}

bool matches(const Section &section, double value)
{
    const QString &op = section.op;
    const double x = section.operand;
    if (op == QLatin1String("<"))
        return value < x;
    if (op == QLatin1String("<="))
        return value <= x;
    if (op == QLatin1String(">"))
        return value > x;
    if (op == QLatin1String(">="))
        return value >= x;
    if (op == QLatin1String("<>"))
        return value != x;
    return value == x;
}

} // namespace numfmt
} // namespace

NumberFormatCode::NumberFormatCode(const QString &code)
{
    const QString trimmed = code.trimmed();
    if (trimmed.isEmpty() || trimmed.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) {
        _general = true;
        return;
    }
    const QStringList parts = numfmt::splitSections(code);
    for (qsizetype i = 0; i < parts.size() && i < 4; ++i)
        _sections.append(numfmt::readSection(parts.at(i)));
}

const NumberFormatCode::Section *NumberFormatCode::sectionFor(double value, bool *showMinus, bool *absolute) const
{
    // A section that shows text (the last, holding @) is not one for numbers.
    QList<const Section *> numeric;
    for (qsizetype i = 0; i < _sections.size(); ++i) {
        const Section &section = _sections.at(i);
        if (section.text && (i > 0 || section.tokens.size() == 1))
            continue;
        numeric.append(&section);
    }
    *showMinus = false;
    *absolute = true;
    if (numeric.isEmpty())
        return nullptr;
    bool conditions = false;
    for (const Section *section : std::as_const(numeric))
        conditions = conditions || section->hasCondition;
    const qsizetype n = numeric.size();
    if (!conditions) {
        if (n == 1 || (n == 2 && value >= 0) || (n >= 3 && value > 0)) {
            *showMinus = value < 0;
            return numeric.at(0);
        }
        if (value < 0)
            return numeric.at(1);
        return numeric.at(2);
    }
    auto explicitOrDefault = [&](const Section *section, bool first) {
        if (section->hasCondition)
            return numfmt::matches(*section, value);
        return first ? (n >= 3 ? value > 0 : value >= 0) : value < 0;
    };
    if (explicitOrDefault(numeric.at(0), true)) {
        *showMinus = value < 0;
        return numeric.at(0);
    }
    if (n >= 2 && (n == 2 || explicitOrDefault(numeric.at(1), false))) {
        const Section *second = numeric.at(1);
        // A section for numbers below zero shows them without their sign, as the code says.
        const bool belowZero = !second->hasCondition
                               || ((second->op == QLatin1String("<") || second->op == QLatin1String("<=")) && second->operand <= 0);
        *showMinus = value < 0 && !belowZero;
        return second;
    }
    *showMinus = value < 0;
    return numeric.at(qMin<qsizetype>(2, n - 1));
}

QString NumberFormatCode::format(double value, bool date1904) const
{
    if (!std::isfinite(value))
        return QString();
    if (_general)
        return general(value);
    bool showMinus = false;
    bool absolute = true;
    const Section *section = sectionFor(value, &showMinus, &absolute);
    if (!section)
        return general(value);
    // An empty section shows nothing ("0;-0;;@" leaves zeros blank).
    if (section->tokens.isEmpty())
        return QStringLiteral("");
    bool anything = false;
    for (const Token &token : section->tokens)
        anything = anything || token.kind != Token::TextValue;
    if (!anything)
        return general(value);
    QString out;
    if (section->date) {
        if (value < 0)
            return QString();
        out = numfmt::renderDate(*section, value, date1904);
        if (out.isNull())
            return QString();
    } else {
        out = numfmt::renderNumber(*section, absolute ? std::abs(value) : value);
        if (showMinus)
            out.prepend(QLatin1Char('-'));
    }
    return out.trimmed();
}

bool NumberFormatCode::isDate() const
{
    return !_sections.isEmpty() && _sections.first().date;
}

bool NumberFormatCode::isPercent() const
{
    return !_sections.isEmpty() && _sections.first().percent;
}

bool NumberFormatCode::isCurrency() const
{
    return !_sections.isEmpty() && _sections.first().currency;
}

QString NumberFormatCode::general(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    return QString::number(value, 'g', 15);
}

} // namespace quillmark
