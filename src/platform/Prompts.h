#pragma once
// Every alert, sheet and open/save panel of the application goes through this interface, so
// tests can answer them without a dialog ever blocking.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QDialog;
class QWidget;

namespace quillmark {

class Prompts
{
public:
    enum AlertStyle { Warning, Informational, Critical };

    // One entry of a save panel's file-type pop-up: its shown name and its extensions without
    // dots, the first being the one a chosen name is given.
    struct FileType
    {
        QString name;
        QStringList extensions;
    };

    // Alert results: the first button (the default) answers FirstButton, the second
    // FirstButton + 1, and so on.
    static constexpr int FirstButton = 1000;
    static constexpr int SecondButton = 1001;
    static constexpr int ThirdButton = 1002;

    virtual ~Prompts() = default;

    // An empty button list shows one "OK" button. Window-modal over `parent` when given.
    virtual int alert(QWidget *parent, const QString &title, const QString &message,
                      const QStringList &buttons, AlertStyle style = Warning) = 0;
    // `extensions` without dots ("qkdoc"); empty allows every file. A null string or an
    // empty list means the user cancelled.
    virtual QString openFile(QWidget *parent, const QString &title, const QString &directory,
                             const QStringList &extensions) = 0;
    virtual QStringList openFiles(QWidget *parent, const QString &title, const QString &directory,
                                  const QStringList &extensions) = 0;
    virtual QString saveFile(QWidget *parent, const QString &title, const QString &directory,
                             const QString &defaultName, const QStringList &extensions) = 0;
    virtual QString chooseFolder(QWidget *parent, const QString &title, const QString &directory) = 0;
    // A save panel with a pop-up of file types, one name filter each. `chosenType` preselects a
    // type on entry and holds the type of the chosen name on return; the name ends in one of
    // that type's extensions. `accessory`, when given, is shown in the panel below the name
    // (fields the command reads after the panel closes); the panel does not take it over.
    virtual QString saveFileOfType(QWidget *parent, const QString &title, const QString &directory,
                                   const QString &defaultName, const QList<FileType> &types,
                                   int &chosenType, QWidget *accessory = nullptr) = 0;
    // A panel of the application's own (a name prompt, say), window-modal over `parent`;
    // answers the tag of the button that ended it (1 for OK, 0 when it was closed).
    virtual int runPanel(QWidget *parent, QDialog *panel);

    // The installed prompts; the Qt dialogs unless something else was installed.
    static Prompts &current();
    // Installs `prompts` (null restores the Qt dialogs) and hands back the one it replaces.
    static std::unique_ptr<Prompts> install(std::unique_ptr<Prompts> prompts);
};

// The real dialogs: QMessageBox and QFileDialog.
class QtPrompts : public Prompts
{
public:
    int alert(QWidget *parent, const QString &title, const QString &message,
              const QStringList &buttons, AlertStyle style = Warning) override;
    QString openFile(QWidget *parent, const QString &title, const QString &directory,
                     const QStringList &extensions) override;
    QStringList openFiles(QWidget *parent, const QString &title, const QString &directory,
                          const QStringList &extensions) override;
    QString saveFile(QWidget *parent, const QString &title, const QString &directory,
                     const QString &defaultName, const QStringList &extensions) override;
    QString chooseFolder(QWidget *parent, const QString &title, const QString &directory) override;
    QString saveFileOfType(QWidget *parent, const QString &title, const QString &directory,
                           const QString &defaultName, const QList<FileType> &types, int &chosenType,
                           QWidget *accessory = nullptr) override;
};

// The name a save panel's chosen path takes for a file type: kept when it already ends in one
// of the type's extensions (any case), else given the type's first extension.
QString pathWithExtension(const QString &path, const Prompts::FileType &type);

} // namespace quillmark
