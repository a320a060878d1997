#pragma once
// Every alert, sheet and open/save panel of the application goes through this interface, so
// tests can answer them without a dialog ever blocking.
#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

namespace quillmark {

class Prompts
{
public:
    enum AlertStyle { Warning, Informational, Critical };

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
};

} // namespace quillmark
