// Every interface text the code looks up must be in every language's table: a missing entry
// shows as an empty text at run time, so it is caught here instead.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QVariantMap>
#include <optional>

#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

const QStringList kLanguages = {"en", "de", "es", "ru", "zh-Hans"};
const QString kMainTable = QStringLiteral("strings");
const QStringList kOtherTables = {"UndoStrings", "PrintPanelAccessory"};

struct Token
{
    enum Kind { Identifier, String, Punctuation, Other };
    Kind kind;
    QString text;
    int line;
};

struct LookUp
{
    QString key;
    QString table;
    int line;
};

int hexValue(QChar c)
{
    if (c >= '0' && c <= '9')
        return c.unicode() - '0';
    if (c >= 'a' && c <= 'f')
        return c.unicode() - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c.unicode() - 'A' + 10;
    return -1;
}

// Reads an ordinary literal starting after its opening quote; `i` ends after the closing one.
QString readStringLiteral(const QString &s, qsizetype &i, int &line)
{
    QString out;
    while (i < s.size() && s[i] != '"') {
        QChar c = s[i++];
        if (c == '\n')
            ++line;
        if (c != '\\' || i >= s.size()) {
            out += c;
            continue;
        }
        const QChar e = s[i++];
        switch (e.unicode()) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'a': out += QChar(7); break;
        case 'b': out += QChar(8); break;
        case 'f': out += QChar(12); break;
        case 'v': out += QChar(11); break;
        case '\n': ++line; break;
        case 'x': {
            uint value = 0;
            while (i < s.size() && hexValue(s[i]) >= 0)
                value = value * 16 + uint(hexValue(s[i++]));
            out += QChar(char16_t(value));
            break;
        }
        case 'u':
        case 'U': {
            const int digits = e == 'u' ? 4 : 8;
            uint value = 0;
            for (int k = 0; k < digits && i < s.size() && hexValue(s[i]) >= 0; ++k)
                value = value * 16 + uint(hexValue(s[i++]));
            out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&value), 1);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                uint value = uint(e.unicode() - '0');
                for (int k = 0; k < 2 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++k)
                    value = value * 8 + uint(s[i++].unicode() - '0');
                out += QChar(char16_t(value));
            } else {
                out += e; // \" \' \\ \?
            }
        }
    }
    ++i;
    return out;
}

// A small C++ tokenizer: comments dropped, literals decoded, adjacent literals joined.
QList<Token> tokenize(const QString &s)
{
    QList<Token> tokens;
    int line = 1;
    qsizetype i = 0;
    auto addString = [&](const QString &text, int at) {
        if (!tokens.isEmpty() && tokens.last().kind == Token::String)
            tokens.last().text += text;
        else
            tokens.append({Token::String, text, at});
    };
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (c.isSpace()) {
            ++i;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
            while (i < s.size() && s[i] != '\n')
                ++i;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            const qsizetype end = s.indexOf(QStringLiteral("*/"), i + 2);
            const qsizetype stop = end < 0 ? s.size() : end + 2;
            line += int(QStringView(s).mid(i, stop - i).count(QLatin1Char('\n')));
            i = stop;
        } else if (c.isLetter() || c == '_') {
            const qsizetype start = i;
            while (i < s.size() && (s[i].isLetterOrNumber() || s[i] == '_'))
                ++i;
            const QString word = s.mid(start, i - start);
            static const QStringList prefixes = {"u8", "u", "U", "L", "R", "u8R", "uR", "UR", "LR"};
            if (i < s.size() && s[i] == '"' && prefixes.contains(word)) {
                const int at = line;
                ++i;
                if (word.endsWith('R')) {
                    const qsizetype open = s.indexOf('(', i);
                    const QString delimiter = s.mid(i, open - i);
                    const QString close = ")" + delimiter + "\"";
                    const qsizetype end = s.indexOf(close, open + 1);
                    const qsizetype stop = end < 0 ? s.size() : end;
                    const QString body = s.mid(open + 1, stop - open - 1);
                    line += int(body.count(QLatin1Char('\n')));
                    i = end < 0 ? s.size() : end + close.size();
                    addString(body, at);
                } else {
                    addString(readStringLiteral(s, i, line), at);
                }
            } else {
                tokens.append({Token::Identifier, word, line});
            }
        } else if (c.isDigit()) {
            while (i < s.size() && (s[i].isLetterOrNumber() || s[i] == '.' || s[i] == '\'' || s[i] == '_'))
                ++i;
            tokens.append({Token::Other, QString(), line});
        } else if (c == '"') {
            const int at = line;
            ++i;
            addString(readStringLiteral(s, i, line), at);
        } else if (c == '\'') {
            ++i;
            while (i < s.size() && s[i] != '\'' && s[i] != '\n')
                i += s[i] == '\\' ? 2 : 1;
            ++i;
            tokens.append({Token::Other, QString(), line});
        } else if (c == ':' && i + 1 < s.size() && s[i + 1] == ':') {
            tokens.append({Token::Punctuation, QStringLiteral("::"), line});
            i += 2;
        } else {
            tokens.append({Token::Punctuation, QString(c), line});
            ++i;
        }
    }
    return tokens;
}

bool isPunct(const QList<Token> &t, qsizetype i, const char *text)
{
    return i < t.size() && t[i].kind == Token::Punctuation && t[i].text == QLatin1String(text);
}

bool isIdent(const QList<Token> &t, qsizetype i, const char *text)
{
    return i >= 0 && i < t.size() && t[i].kind == Token::Identifier && t[i].text == QLatin1String(text);
}

// A literal argument at i: "..." or a wrapper around one (QStringLiteral, QString,
// QLatin1String, QString::fromUtf8), optionally with a user-defined suffix such as _s.
std::optional<QString> literalArgument(const QList<Token> &t, qsizetype &i)
{
    qsizetype j = i;
    int wrappers = 0;
    static const char *const wrapperNames[] = {"QStringLiteral", "QString", "QLatin1String", "QLatin1StringView"};
    for (const char *name : wrapperNames) {
        if (isIdent(t, j, name)) {
            ++j;
            if (isPunct(t, j, "::") && j + 1 < t.size() && t[j + 1].kind == Token::Identifier)
                j += 2;
            if (!isPunct(t, j, "("))
                return std::nullopt;
            ++j;
            wrappers = 1;
            break;
        }
    }
    if (j >= t.size() || t[j].kind != Token::String)
        return std::nullopt;
    const QString text = t[j++].text;
    if (j < t.size() && t[j].kind == Token::Identifier && t[j].text.startsWith('_'))
        ++j;
    if (wrappers) {
        if (!isPunct(t, j, ")"))
            return std::nullopt;
        ++j;
    }
    i = j;
    return text;
}

// The program's own routines that hand one of their parameters to a look-up: name -> the
// position of that parameter. Found in the sources, so that a new helper is scanned as soon as
// it exists.
using Wrappers = QHash<QString, int>;

bool isMemberCall(const QList<Token> &t, qsizetype i)
{
    return i > 0 && (isPunct(t, i - 1, ".") || (isPunct(t, i - 1, ">") && i > 1 && isPunct(t, i - 2, "-")));
}

// The position of the argument of the call at i that a look-up reads its key from; -1 when
// the call is none.
int keyArgumentOf(const QList<Token> &t, qsizetype i, const Wrappers &wrappers)
{
    if (t[i].kind != Token::Identifier || !isPunct(t, i + 1, "("))
        return -1;
    const QString &name = t[i].text;
    if (name == QLatin1String("stringForKey"))
        return isPunct(t, i - 1, "::") && isIdent(t, i - 2, "Language") ? 0 : -1;
    if (isMemberCall(t, i))
        return -1;
    // A qualified call (Class::name) is the helper of that class only.
    if (isPunct(t, i - 1, "::"))
        return i > 1 && t[i - 2].kind == Token::Identifier ? wrappers.value(t[i - 2].text + "::" + name, -1) : -1;
    if (name == QLatin1String("localizedString") || name == QLatin1String("translated"))
        return 0;
    return wrappers.value(name, -1);
}

// The index just after the closing bracket that matches the opening one at i.
qsizetype matching(const QList<Token> &t, qsizetype i, const char *open, const char *close)
{
    int depth = 0;
    for (; i < t.size(); ++i) {
        if (isPunct(t, i, open))
            ++depth;
        else if (isPunct(t, i, close) && --depth == 0)
            return i + 1;
    }
    return t.size();
}

// The start of each top-level argument of the call whose "(" is at open.
QList<qsizetype> argumentStarts(const QList<Token> &t, qsizetype open)
{
    QList<qsizetype> starts{open + 1};
    int depth = 0;
    for (qsizetype i = open; i < t.size(); ++i) {
        if (isPunct(t, i, "(") || isPunct(t, i, "{") || isPunct(t, i, "["))
            ++depth;
        else if (isPunct(t, i, ")") || isPunct(t, i, "}") || isPunct(t, i, "]")) {
            if (--depth == 0)
                break;
        } else if (depth == 1 && isPunct(t, i, ","))
            starts << i + 1;
    }
    return starts;
}

// Routines (functions and named lambdas) whose body hands a parameter, as it is, to a look-up.
void findWrappers(const QList<Token> &t, Wrappers &wrappers)
{
    for (qsizetype i = 0; i + 1 < t.size(); ++i) {
        if (t[i].kind != Token::Identifier)
            continue;
        QString name;
        qsizetype open = -1;
        if (isPunct(t, i + 1, "(") && !isMemberCall(t, i)) {
            name = t[i].text;
            open = i + 1;
        } else if (isPunct(t, i + 1, "=") && isPunct(t, i + 2, "[")) {
            const qsizetype afterCapture = matching(t, i + 2, "[", "]");
            if (isPunct(t, afterCapture, "(")) {
                name = t[i].text;
                open = afterCapture;
            }
        }
        if (open < 0)
            continue;
        const qsizetype close = matching(t, open, "(", ")");
        qsizetype body = close;
        while (body < t.size() && t[body].kind == Token::Identifier)
            ++body; // const, override, noexcept, mutable
        if (!isPunct(t, body, "{"))
            continue;
        // The parameters' names: the last word of each before any default value.
        QStringList parameters;
        const QList<qsizetype> starts = argumentStarts(t, open);
        for (int k = 0; k < starts.size(); ++k) {
            const qsizetype end = k + 1 < starts.size() ? starts[k + 1] - 1 : close - 1;
            QString last;
            for (qsizetype j = starts[k]; j < end && !isPunct(t, j, "="); ++j)
                if (t[j].kind == Token::Identifier)
                    last = t[j].text;
            parameters << last;
        }
        const qsizetype bodyEnd = matching(t, body, "{", "}");
        for (qsizetype j = body; j < bodyEnd; ++j) {
            const int position = keyArgumentOf(t, j, wrappers);
            if (position < 0)
                continue;
            const QList<qsizetype> args = argumentStarts(t, j + 1);
            if (position >= args.size())
                continue;
            const qsizetype a = args[position];
            if (a < t.size() && t[a].kind == Token::Identifier && (isPunct(t, a + 1, ")") || isPunct(t, a + 1, ","))) {
                const int parameter = int(parameters.indexOf(t[a].text));
                if (parameter >= 0 && !wrappers.contains(name) && name != QLatin1String("stringForKey")
                    && name != QLatin1String("localizedString") && name != QLatin1String("translated")) {
                    wrappers.insert(name, parameter);
                    // Defined as Class::name: called so from elsewhere.
                    if (isPunct(t, i - 1, "::") && i > 1 && t[i - 2].kind == Token::Identifier)
                        wrappers.insert(t[i - 2].text + "::" + name, parameter);
                }
            }
        }
    }
}

// The literal keys handed to the translation look-ups in one source text.
QList<LookUp> lookUps(const QString &source, const Wrappers &wrappers = {})
{
    const QList<Token> t = tokenize(source);
    QList<LookUp> found;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i].kind != Token::Identifier || !isPunct(t, i + 1, "("))
            continue;
        if (t[i].text == QLatin1String("localizedStringFromTable") && !isMemberCall(t, i)) {
            qsizetype arg = i + 2;
            const auto key = literalArgument(t, arg);
            if (!key || !isPunct(t, arg, ","))
                continue;
            ++arg;
            if (const auto table = literalArgument(t, arg))
                found.append({*key, *table, t[i].line});
            continue;
        }
        const int position = keyArgumentOf(t, i, wrappers);
        if (position < 0)
            continue;
        const QList<qsizetype> args = argumentStarts(t, i + 1);
        if (position >= args.size())
            continue;
        qsizetype arg = args[position];
        if (const auto key = literalArgument(t, arg); key && (isPunct(t, arg, ")") || isPunct(t, arg, ",")))
            found.append({*key, kMainTable, t[i].line});
    }
    return found;
}

QString sourceRoot()
{
    const QByteArray fromEnvironment = qgetenv("QM_SOURCE_DIR");
    if (!fromEnvironment.isEmpty())
        return QString::fromUtf8(fromEnvironment);
    return QDir(QString::fromUtf8(QM_SOURCE_RESOURCES) + "/..").absolutePath();
}

QVariantMap readTable(const QString &language, const QString &table)
{
    const QString path = sourceRoot() + "/resources/" + language + ".lproj/" + table + ".plist";
    const QVariant value = PropertyList::readFile(path);
    EXPECT_EQ(value.typeId(), QMetaType::QVariantMap) << "unreadable table " << path.toStdString();
    return value.toMap();
}

TEST(TranslationTables, ScannerFindsLiteralKeysOnly)
{
    const QString source = QString::fromUtf8(R"cpp(
        // Language::stringForKey("In A Comment") is no look-up.
        /* localizedString("Also A Comment") */
        auto a = Language::stringForKey(QStringLiteral("Fill Color"));
        auto b = quillmark::Language::stringForKey("Line "
                                                   "Width");
        auto c = localizedString(u"Say \"Hi\"\tnow"_s);
        auto d = localizedStringFromTable(QString("Move Group"), QStringLiteral("UndoStrings"));
        auto e = UserDefaults::standard().stringForKey("LabelName");
        auto f = Language::stringForKey(name);
        auto g = Language::stringForKey("Prefix " + name);
        char q = '"'; auto h = localizedString("Back");
        auto i = Language::stringForKey(QString::fromUtf8("Caf\u00e9"));
        auto j = translated(QStringLiteral("Record %@ of %@"));
        auto k = rect.translated(QPoint(1, 2)); auto l = other->translated("Not A Key");
        auto m = said(QStringLiteral("The sheet is too large to import."), name);
        auto n = withCount(3, "Records");
    )cpp");
    const Wrappers wrappers{{QStringLiteral("said"), 0}, {QStringLiteral("withCount"), 1}};
    const QList<LookUp> found = lookUps(source, wrappers);
    QStringList keys;
    for (const LookUp &l : found)
        keys << l.table + ":" + l.key;
    EXPECT_EQ(keys, (QStringList{"strings:Fill Color", "strings:Line Width", "strings:Say \"Hi\"\tnow",
                                 "UndoStrings:Move Group", "strings:Back", QString::fromUtf8("strings:Café"),
                                 "strings:Record %@ of %@", "strings:The sheet is too large to import.",
                                 "strings:Records"}));
    ASSERT_EQ(found.size(), 9);
    EXPECT_EQ(found[0].line, 4);
    EXPECT_EQ(found[1].line, 5);
    EXPECT_EQ(found[4].line, 12);
}

TEST(TranslationTables, HelpersThatLookUpTheirParameterAreFound)
{
    const QString source = QString::fromUtf8(R"cpp(
        QString said(const QString &key, const QString &argument = QString())
        {
            QString text = Language::stringForKey(key);
            return text.isEmpty() ? key : text;
        }
        QString twice(int count, const QString &what) const { return said(what, QString::number(count)); }
        void notOne(const QString &key) { settings.stringForKey(key); translated(QStringLiteral("Fixed")); }
        auto titled = [this](const QString &english) { return translated(english); };
    )cpp");
    Wrappers wrappers;
    for (qsizetype before = -1; before != wrappers.size();) {
        before = wrappers.size();
        findWrappers(tokenize(source), wrappers);
    }
    EXPECT_EQ(wrappers, (Wrappers{{QStringLiteral("said"), 0}, {QStringLiteral("twice"), 1}, {QStringLiteral("titled"), 0}}));
}

TEST(TranslationTables, EveryLookedUpLiteralIsInEveryTable)
{
    const QString srcDir = sourceRoot() + "/src";
    ASSERT_TRUE(QFileInfo(srcDir).isDir()) << srcDir.toStdString();

    QHash<QString, QHash<QString, QVariantMap>> tables; // table -> language -> entries
    for (const QString &table : QStringList{kMainTable} + kOtherTables)
        for (const QString &language : kLanguages)
            tables[table][language] = readTable(language, table);

    // Every source first: the helpers that hand their parameter on to a look-up, also through
    // one another, are known before any call of them is read.
    QMap<QString, QString> sources; // relative path -> text
    QDirIterator it(srcDir, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            sources.insert(QDir(sourceRoot()).relativeFilePath(path), QString::fromUtf8(file.readAll()));
    }
    QList<QList<Token>> tokens;
    for (const QString &text : std::as_const(sources))
        tokens << tokenize(text);
    Wrappers wrappers;
    for (qsizetype before = -1; before != wrappers.size();) {
        before = wrappers.size();
        for (const QList<Token> &t : std::as_const(tokens))
            findWrappers(t, wrappers);
    }
    // The helpers of the message texts of number fields and of the workbook reader at least.
    EXPECT_TRUE(wrappers.contains(QStringLiteral("said"))) << wrappers.keys().join(' ').toStdString();

    QStringList problems;
    int scanned = 0;
    for (auto source = sources.cbegin(); source != sources.cend(); ++source) {
        ++scanned;
        const QString &relative = source.key();
        for (const LookUp &l : lookUps(source.value(), wrappers)) {
            if (!tables.contains(l.table)) {
                problems << QStringLiteral("%1:%2: unknown table \"%3\"").arg(relative).arg(l.line).arg(l.table);
                continue;
            }
            for (const QString &language : kLanguages)
                if (!tables[l.table][language].contains(l.key))
                    problems << QStringLiteral("%1:%2: \"%3\" missing from %4.lproj/%5.plist")
                                    .arg(relative).arg(l.line).arg(l.key, language, l.table);
        }
    }
    EXPECT_GT(scanned, 0);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

// A literal that reads as a sentence to the user: a capital first, words, a full stop, question
// or exclamation mark last. Statements for SQLite read so too and are left out.
bool readsAsASentence(const QString &text)
{
    static const QRegularExpression sentence(QStringLiteral("^\\p{Lu}\\S* .*[.?!]$"),
                                              QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression statement(QStringLiteral("^(SELECT|INSERT|UPDATE|DELETE|CREATE|ALTER|DROP|PRAGMA|BEGIN|COMMIT) "));
    return sentence.match(text).hasMatch() && !statement.match(text).hasMatch();
}

// The sentences of one source that reach the user as they are written: literals outside every
// look-up and outside the calls that only write to the program's log.
QList<LookUp> untranslatedSentences(const QString &source, const QSet<QString> &lookedUp)
{
    const QList<Token> t = tokenize(source);
    QList<bool> logged(t.size(), false);
    for (qsizetype i = 0; i + 1 < t.size(); ++i) {
        static const QStringList logCalls = {"qWarning", "qDebug", "qInfo", "qCritical", "qFatal", "Q_ASSERT", "Q_ASSERT_X"};
        if (t[i].kind == Token::Identifier && logCalls.contains(t[i].text) && isPunct(t, i + 1, "(")) {
            const qsizetype end = matching(t, i + 1, "(", ")");
            for (qsizetype j = i; j < end; ++j)
                logged[j] = true;
        }
    }
    QList<LookUp> found;
    for (qsizetype i = 0; i < t.size(); ++i)
        if (t[i].kind == Token::String && !logged[i] && readsAsASentence(t[i].text) && !lookedUp.contains(t[i].text))
            found.append({t[i].text, kMainTable, t[i].line});
    return found;
}

TEST(TranslationTables, SentenceScannerFindsTextsThatAreNeverLookedUp)
{
    const QString source = QString::fromUtf8(R"cpp(
        auto a = translated(QStringLiteral("The file is damaged."));
        fail(QStringLiteral("The database template is missing."));
        *error = QStringLiteral("There is no image to write.");
        qWarning("The folder could not be made: %s.", path);
        auto b = QStringLiteral("SELECT pk FROM dbtable WHERE pk=?");
        auto c = QStringLiteral("LabelName");
        auto d = QStringLiteral("%@ of %@ records.");
        // "A comment is no text."
    )cpp");
    QStringList keys;
    for (const LookUp &l : untranslatedSentences(source, {QStringLiteral("The file is damaged.")}))
        keys << l.key;
    EXPECT_EQ(keys, (QStringList{"The database template is missing.", "There is no image to write."}));
}

// Messages handed to the user through an error text (a failed write, a damaged file) are
// sentences no look-up names: they must be looked up where they are made, or they show in
// English in every language.
TEST(TranslationTables, EverySentenceInTheProgramIsLookedUp)
{
    const QString srcDir = sourceRoot() + "/src";
    ASSERT_TRUE(QFileInfo(srcDir).isDir()) << srcDir.toStdString();
    QMap<QString, QString> sources;
    QDirIterator it(srcDir, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        // The platform layer stands below the translation tables and reaches no one directly.
        if (path.contains(QStringLiteral("/src/platform/")))
            continue;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            sources.insert(QDir(sourceRoot()).relativeFilePath(path), QString::fromUtf8(file.readAll()));
    }
    Wrappers wrappers;
    for (qsizetype before = -1; before != wrappers.size();) {
        before = wrappers.size();
        for (const QString &text : std::as_const(sources))
            findWrappers(tokenize(text), wrappers);
    }
    // Menu titles and the like are looked up through a variable: the table holding them is
    // what counts for those.
    const QStringList tableKeys = readTable(QStringLiteral("en"), kMainTable).keys();
    QSet<QString> lookedUp(tableKeys.begin(), tableKeys.end());
    for (const QString &text : std::as_const(sources))
        for (const LookUp &l : lookUps(text, wrappers))
            lookedUp.insert(l.key);

    QStringList problems;
    for (auto source = sources.cbegin(); source != sources.cend(); ++source)
        for (const LookUp &l : untranslatedSentences(source.value(), lookedUp)) {
            // The store's statement failures keep the wording the database's own messages have
            // everywhere ("Error: failed to ... with message '...'."), as its callers expect.
            if (l.key.startsWith(QLatin1String("Error: failed to ")))
                continue;
            problems << QStringLiteral("%1:%2: \"%3\" is shown without a look-up").arg(source.key()).arg(l.line).arg(l.key);
        }
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

TEST(TranslationTables, AllLanguagesHaveTheSameKeysAndNoEmptyValues)
{
    for (const QString &table : QStringList{kMainTable} + kOtherTables) {
        const QVariantMap english = readTable("en", table);
        EXPECT_FALSE(english.isEmpty()) << table.toStdString();
        const QStringList englishKeys = english.keys();
        const QSet<QString> expected(englishKeys.begin(), englishKeys.end());
        for (auto entry = english.cbegin(); entry != english.cend(); ++entry)
            EXPECT_EQ(entry.value().toString(), entry.key()) << "en.lproj/" << table.toStdString() << " maps a key to another text";
        for (const QString &language : kLanguages) {
            const QVariantMap entries = readTable(language, table);
            const QStringList keys = entries.keys();
            const QSet<QString> actual(keys.begin(), keys.end());
            const QString name = language + ".lproj/" + table + ".plist";
            QStringList missing = QSet<QString>(expected).subtract(actual).values();
            QStringList extra = QSet<QString>(actual).subtract(expected).values();
            missing.sort();
            extra.sort();
            EXPECT_TRUE(missing.isEmpty()) << name.toStdString() << " lacks: " << missing.join(" | ").toStdString();
            EXPECT_TRUE(extra.isEmpty()) << name.toStdString() << " has keys English lacks: " << extra.join(" | ").toStdString();
            for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry)
                EXPECT_FALSE(entry.value().toString().trimmed().isEmpty())
                    << name.toStdString() << ": empty value for \"" << entry.key().toStdString() << "\"";
        }
    }
}

} // namespace
