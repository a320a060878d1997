#include "common/TestPrompts.h"

#include <QDialog>

namespace qmtest {

int TestPrompts::count(Kind kind) const
{
    int n = 0;
    for (const Call &call : m_calls)
        n += call.kind == kind ? 1 : 0;
    return n;
}

void TestPrompts::clear()
{
    m_alerts.clear();
    m_paths.clear();
    m_typedSaves.clear();
    m_panels.clear();
    m_calls.clear();
}

QStringList TestPrompts::nextPaths()
{
    if (m_paths.empty())
        return {};
    QStringList paths = m_paths.front();
    m_paths.pop_front();
    return paths;
}

int TestPrompts::alert(QWidget *, const QString &title, const QString &message,
                       const QStringList &buttons, AlertStyle style)
{
    Call call;
    call.kind = Alert;
    call.title = title;
    call.message = message;
    call.buttons = buttons;
    call.style = style;
    m_calls << call;
    if (onAlert)
        onAlert();
    if (m_alerts.empty())
        return FirstButton;
    const int result = m_alerts.front();
    m_alerts.pop_front();
    return result;
}

QString TestPrompts::openFile(QWidget *, const QString &title, const QString &directory,
                              const QStringList &extensions)
{
    Call call;
    call.kind = OpenFile;
    call.title = title;
    call.directory = directory;
    call.extensions = extensions;
    m_calls << call;
    if (m_paths.empty() && answerOpenPanel)
        return answerOpenPanel(call);
    const QStringList paths = nextPaths();
    return paths.isEmpty() ? QString() : paths.first();
}

QStringList TestPrompts::openFiles(QWidget *, const QString &title, const QString &directory,
                                   const QStringList &extensions)
{
    Call call;
    call.kind = OpenFiles;
    call.title = title;
    call.directory = directory;
    call.extensions = extensions;
    m_calls << call;
    if (m_paths.empty() && answerOpenPanel) {
        const QString path = answerOpenPanel(call);
        return path.isEmpty() ? QStringList() : QStringList{path};
    }
    return nextPaths();
}

QString TestPrompts::saveFile(QWidget *, const QString &title, const QString &directory,
                              const QString &defaultName, const QStringList &extensions)
{
    Call call;
    call.kind = SaveFile;
    call.title = title;
    call.directory = directory;
    call.defaultName = defaultName;
    call.extensions = extensions;
    m_calls << call;
    const QStringList paths = nextPaths();
    return paths.isEmpty() ? QString() : paths.first();
}

QString TestPrompts::chooseFolder(QWidget *, const QString &title, const QString &directory)
{
    Call call;
    call.kind = ChooseFolder;
    call.title = title;
    call.directory = directory;
    m_calls << call;
    const QStringList paths = nextPaths();
    return paths.isEmpty() ? QString() : paths.first();
}

QString TestPrompts::saveFileOfType(QWidget *, const QString &title, const QString &directory,
                                    const QString &defaultName, const QList<FileType> &types, int &chosenType,
                                    QWidget *accessory)
{
    Call call;
    call.kind = SaveFileOfType;
    call.title = title;
    call.directory = directory;
    call.defaultName = defaultName;
    call.types = types;
    call.preselectedType = chosenType;
    call.hadAccessory = accessory != nullptr;
    m_calls << call;
    if (m_typedSaves.empty())
        return {};
    TypedSave answer = m_typedSaves.front();
    m_typedSaves.pop_front();
    if (answer.path.isEmpty())
        return {};
    if (answer.fillAccessory && accessory)
        answer.fillAccessory(accessory);
    if (answer.type >= 0 && answer.type < types.size())
        chosenType = answer.type;
    if (chosenType < 0 || chosenType >= types.size())
        chosenType = 0;
    return types.isEmpty() ? answer.path : quillmark::pathWithExtension(answer.path, types.at(chosenType));
}

int TestPrompts::runPanel(QWidget *, QDialog *panel)
{
    Call call;
    call.kind = Panel;
    call.title = panel ? panel->windowTitle() : QString();
    m_calls << call;
    if (m_panels.empty() || !panel)
        return 0;
    std::function<int(QDialog *)> answer = std::move(m_panels.front());
    m_panels.pop_front();
    return answer ? answer(panel) : 0;
}

ScopedTestPrompts::ScopedTestPrompts()
{
    auto prompts = std::make_unique<TestPrompts>();
    m_prompts = prompts.get();
    m_previous = quillmark::Prompts::install(std::move(prompts));
}

ScopedTestPrompts::~ScopedTestPrompts()
{
    quillmark::Prompts::install(std::move(m_previous));
}

} // namespace qmtest
