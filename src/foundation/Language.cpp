#include "foundation/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QVariantMap>
#include <memory>
#include <optional>

#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"

namespace quillmark {

namespace {

const QString kLprojExtension = QStringLiteral(".lproj");

struct LanguageState
{
    bool initialized = false;
    QString rootOverride;
    QString systemCodeOverride;
    // The loaded language folder; empty when none is loaded.
    QString folderPath;
    // The folder's language code, kept with it: the code is asked for per object while a
    // design is drawn or opened, and only changes when another folder is loaded.
    QString languageCode;
    // Absent when no language is loaded or its "strings.plist" is missing or unreadable.
    std::optional<QVariantMap> table;
    // The other string tables, by file path, read on first use.
    QHash<QString, QVariantMap> otherTables;
    // The folder those tables are read from, by system language code: looked up on the disk
    // once, not for every object an edit names its step after.
    QHash<QString, QString> tableFolders;
    // Qt's own translations for the loaded language, installed in the application.
    std::unique_ptr<QTranslator> qtTranslations;
};

LanguageState &state()
{
    static LanguageState s;
    return s;
}

// Qt's own dialogs and buttons (file, print, colour and font panels, OK and Cancel) speak the
// loaded language too: Qt's translations from the system's Qt installation. Without them
// (or without an application yet) those texts stay English and nothing else changes.
void loadQtTranslations(LanguageState &s, const QString &folderName)
{
    s.qtTranslations.reset();
    if (!QCoreApplication::instance() || folderName == QLatin1String("en"))
        return;
    const QString locale = folderName == QLatin1String("zh-Hans") ? QStringLiteral("zh_CN") : folderName;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + locale, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    QCoreApplication::installTranslator(translator.get());
    s.qtTranslations = std::move(translator);
}

// The path of "<folder>.lproj" under the resources root, or empty when there is no such
// folder. A folder name that could step outside the root is never looked up.
QString lprojFolder(const QString &folder)
{
    if (folder.isEmpty() || folder.contains(QLatin1Char('/')) || folder.contains(QLatin1Char('\\'))
        || folder.startsWith(QLatin1Char('.')))
        return {};
    const QString path = QDir(Language::resourcesRoot()).filePath(folder + kLprojExtension);
    return QFileInfo(path).isDir() ? path : QString();
}

std::optional<QVariantMap> readTable(const QString &path)
{
    const QVariant value = PropertyList::readFile(path);
    if (value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value.toMap();
}

} // namespace

void Language::initialize()
{
    LanguageState &s = state();
    if (s.initialized)
        return;
    s.initialized = true;
    setLanguage(systemLanguageCode());
}

void Language::clean()
{
    initialize();
    LanguageState &s = state();
    s.folderPath.clear();
    s.languageCode.clear();
    s.table.reset();
    s.otherTables.clear();
    s.qtTranslations.reset();
}

QString Language::folderForLanguageCode(const QString &code)
{
    initialize();
    return code == chinese() ? QStringLiteral("zh-Hans") : code;
}

void Language::setLanguage(const QString &code)
{
    initialize();
    QString path = lprojFolder(folderForLanguageCode(code));
    if (path.isEmpty())
        path = lprojFolder(english());
    if (path.isEmpty())
        return;

    LanguageState &s = state();
    s.folderPath = path;
    s.languageCode = QFileInfo(path).fileName();
    s.languageCode.chop(kLprojExtension.size());
    s.table = readTable(QDir(path).filePath(QStringLiteral("strings.plist")));
    loadQtTranslations(s, language());

    NotificationCenter::defaultCenter().post(QStringLiteral("RefreshLanguageNotification"), notificationSender());
}

QString Language::stringForKey(const QString &key)
{
    initialize();
    if (key.isEmpty())
        return {};
    const LanguageState &s = state();
    if (!s.table)
        return key;
    const auto it = s.table->constFind(key);
    if (it == s.table->constEnd() || it->typeId() != QMetaType::QString)
        return {};
    const QString value = it->toString();
    // An entry that is present but empty is still an answer, not "nothing".
    return value.isNull() ? QStringLiteral("") : value;
}

QVariant Language::arrayForKey(const QString &key)
{
    initialize();
    const LanguageState &s = state();
    if (!s.table)
        return {};
    return s.table->value(key);
}

QString Language::language()
{
    initialize();
    const LanguageState &s = state();
    if (s.folderPath.isEmpty())
        return english();
    return s.languageCode;
}

bool Language::isEnglish()
{
    return language() == english();
}

QString Language::english()
{
    return QStringLiteral("en");
}

QString Language::russian()
{
    return QStringLiteral("ru");
}

QString Language::german()
{
    return QStringLiteral("de");
}

QString Language::spanish()
{
    return QStringLiteral("es");
}

QString Language::chinese()
{
    return QStringLiteral("zh");
}

bool Language::native()
{
    initialize();
    return systemLanguageCode() == english();
}

QString Language::systemLanguageCode()
{
    const LanguageState &s = state();
    if (!s.systemCodeOverride.isEmpty())
        return s.systemCodeOverride;
    return QLocale::languageToCode(QLocale::system().language());
}

const void *Language::notificationSender()
{
    static const char tag = 0;
    return &tag;
}

void Language::reset(const QString &resourcesRoot, const QString &systemLanguageCode)
{
    LanguageState &s = state();
    s = LanguageState();
    s.rootOverride = resourcesRoot;
    s.systemCodeOverride = systemLanguageCode;
}

QString Language::resourcesRoot()
{
    const LanguageState &s = state();
    return s.rootOverride.isEmpty() ? Bundle::resourcesPath() : s.rootOverride;
}

QString localizedString(const QString &key)
{
    return Language::stringForKey(key);
}

QString translated(const QString &key)
{
    const QString text = Language::stringForKey(key);
    return text.isEmpty() ? key : text;
}

QString localizedStringFromTable(const QString &key, const QString &table)
{
    if (key.isEmpty() || table.isEmpty() || table.contains(QLatin1Char('/')) || table.startsWith(QLatin1Char('.')))
        return key;
    LanguageState &s = state();
    const QString code = Language::systemLanguageCode();
    auto known = s.tableFolders.constFind(code);
    if (known == s.tableFolders.cend()) {
        QString folder = lprojFolder(Language::folderForLanguageCode(code));
        if (folder.isEmpty())
            folder = lprojFolder(Language::english());
        known = s.tableFolders.insert(code, folder);
    }
    const QString &folder = *known;
    if (folder.isEmpty())
        return key;

    const QString path = QDir(folder).filePath(table + QStringLiteral(".plist"));
    auto it = s.otherTables.find(path);
    if (it == s.otherTables.end())
        it = s.otherTables.insert(path, readTable(path).value_or(QVariantMap()));
    const QVariant value = it->value(key);
    if (value.typeId() != QMetaType::QString || value.toString().isEmpty())
        return key;
    return value.toString();
}

QString Language::withValues(QString format, const QStringList &values)
{
    qsizetype from = 0;
    for (const QString &value : values) {
        const qsizetype at = format.indexOf(QLatin1String("%@"), from);
        if (at < 0)
            break;
        format.replace(at, 2, value);
        from = at + value.size();
    }
    return format;
}

} // namespace quillmark
