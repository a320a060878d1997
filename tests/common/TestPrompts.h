#pragma once
// An answering stand-in for the dialogs: tests queue answers, the code under test asks, and
// every question is recorded for the test to check.
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

#include "platform/Prompts.h"

namespace qmtest {

class TestPrompts : public quillmark::Prompts
{
public:
    enum Kind { Alert, OpenFile, OpenFiles, SaveFile, ChooseFolder, SaveFileOfType, Panel };

    struct Call
    {
        Kind kind = Alert;
        QString title;
        QString message;
        QStringList buttons;
        AlertStyle style = Warning;
        QString directory;
        QString defaultName;
        QStringList extensions;
        QList<quillmark::Prompts::FileType> types; // a typed save panel's pop-up
        int preselectedType = -1;
        bool hadAccessory = false;
    };

    // Queued answers, used in order. An alert with nothing queued answers FirstButton;
    // a panel with nothing queued is cancelled.
    void queueAlert(int result) { m_alerts.push_back(result); }
    void queuePath(const QString &path) { m_paths.push_back(QStringList{path}); }
    void queuePaths(const QStringList &paths) { m_paths.push_back(paths); }
    void queueCancel() { m_paths.push_back(QStringList{}); }
    // The answer of the next typed save panel: a path, the index of the type chosen in its
    // pop-up (-1 keeps the preselected one), and what the user does in its accessory fields
    // before confirming. The path is given the type's extension as the real panel does.
    void queueSaveOfType(const QString &path, int type = -1,
                         std::function<void(QWidget *accessory)> fillAccessory = {})
    {
        m_typedSaves.push_back({path, type, std::move(fillAccessory)});
    }

    // The answer of the next panel of the application's own: what the user does in it (type
    // into its fields, press its buttons) and the tag it ends with. With nothing queued a
    // panel is closed (0).
    void queuePanel(std::function<int(QDialog *panel)> answer) { m_panels.push_back(std::move(answer)); }

    // Runs when an alert is asked, before it is answered: tests look at the state the user
    // would see behind it.
    std::function<void()> onAlert;
    // Answers an open panel when no answer is queued, from what the panel offers (its
    // extensions); an empty path cancels.
    std::function<QString(const Call &panel)> answerOpenPanel;

    const QList<Call> &calls() const { return m_calls; }
    int count(Kind kind) const;
    const Call &last() const { return m_calls.last(); }
    void clear();

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
    int runPanel(QWidget *parent, QDialog *panel) override;

private:
    struct TypedSave
    {
        QString path;
        int type = -1;
        std::function<void(QWidget *)> fillAccessory;
    };
    std::deque<TypedSave> m_typedSaves;
    QStringList nextPaths();

    std::deque<std::function<int(QDialog *)>> m_panels;
    std::deque<int> m_alerts;
    std::deque<QStringList> m_paths;
    QList<Call> m_calls;
};

// Installs a TestPrompts for its lifetime and puts the previous prompts back afterwards.
class ScopedTestPrompts
{
public:
    ScopedTestPrompts();
    ~ScopedTestPrompts();
    ScopedTestPrompts(const ScopedTestPrompts &) = delete;
    ScopedTestPrompts &operator=(const ScopedTestPrompts &) = delete;

    TestPrompts &prompts() { return *m_prompts; }
    TestPrompts *operator->() { return m_prompts; }

private:
    TestPrompts *m_prompts = nullptr;
    std::unique_ptr<quillmark::Prompts> m_previous;
};

} // namespace qmtest
