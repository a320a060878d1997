#pragma once
// Run-time translation of interface texts. Every text is written in English and looked up
// here; the table is the one of the system's language, chosen once at start-up.
#include <QString>
#include <QStringList>
#include <QVariant>

namespace quillmark {

class Language
{
public:
    Language() = delete;

    // Loads the table of the system's language. Runs once, on the first use of the class;
    // calling it again does nothing.
    static void initialize();
    // Releases the loaded folder and table. Lookups then return their keys.
    static void clean();

    static QString folderForLanguageCode(const QString &code);
    // Loads the folder of the language (English when it has none) and posts
    // "RefreshLanguageNotification". Without an English folder nothing changes.
    static void setLanguage(const QString &code);

    // The translation of an English interface text. A null QString means "nothing": an empty
    // key, or a key the loaded table lacks. Without a table the key comes back unchanged.
    static QString stringForKey(const QString &key);
    // Puts the values into the "%@" places of a translated text, in order; a value holding
    // "%@" itself is never filled again.
    static QString withValues(QString format, const QStringList &values);
    // The table's raw value for the key; null without a table or entry.
    static QVariant arrayForKey(const QString &key);

    // The loaded folder's name without its extension ("zh-Hans" for Chinese); "en" when
    // nothing is loaded.
    static QString language();
    static bool isEnglish();

    static QString english();
    static QString russian();
    static QString german();
    static QString spanish();
    static QString chinese();

    // Whether the system's language (not the loaded one) is English.
    static bool native();

    // The system locale's language code, such as "de" or "fr".
    static QString systemLanguageCode();

    // The sender of "RefreshLanguageNotification": stands for the class itself.
    static const void *notificationSender();

    // Forgets everything, including whether the class was initialised, so that the next use
    // runs initialize() again. An empty resources root means Bundle::resourcesPath(); an empty
    // code means the system locale's language. Used by tests and tools that need their own
    // language folders or language.
    static void reset(const QString &resourcesRoot = {}, const QString &systemLanguageCode = {});

    // The folder that holds the "<name>.lproj" language folders.
    static QString resourcesRoot();
};

// The translation of `key` through Language::stringForKey.
QString localizedString(const QString &key);
// The translation of an interface text, or the text itself where the table has none or an
// empty one: what the windows and panels show.
QString translated(const QString &key);

// The translation of `key` from one of the platform-style string tables ("UndoStrings",
// "PrintPanelAccessory"): <lang>.lproj/<table>.plist of the system's language, English when
// that language has no folder. A missing table or entry gives the key itself.
QString localizedStringFromTable(const QString &key, const QString &table);

} // namespace quillmark
