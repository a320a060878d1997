#pragma once
// What the benchmarks share: a scratch folder for the run, a note of a widget's painting, and
// dialogs that answer at once so that nothing waits for a person.
#include <QEvent>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "platform/Prompts.h"

namespace qmbench {

// The run's scratch folder, removed when the process ends.
inline QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// Notes when the watched widget has been painted.
class PaintWatch : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Alerts take their default button; open and save panels answer `nextPath` (cancelled while it
// is empty); other panels are cancelled.
class BenchPrompts : public quillmark::Prompts
{
public:
    QString nextPath;
    int alert(QWidget *, const QString &, const QString &, const QStringList &, AlertStyle) override
    {
        return FirstButton;
    }
    QString openFile(QWidget *, const QString &, const QString &, const QStringList &) override { return nextPath; }
    QStringList openFiles(QWidget *, const QString &, const QString &, const QStringList &) override
    {
        return nextPath.isEmpty() ? QStringList() : QStringList{nextPath};
    }
    QString saveFile(QWidget *, const QString &, const QString &, const QString &, const QStringList &) override
    {
        return nextPath;
    }
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return {}; }
    QString saveFileOfType(QWidget *, const QString &, const QString &, const QString &, const QList<FileType> &,
                           int &, QWidget *) override
    {
        return {};
    }
    int runPanel(QWidget *, QDialog *) override { return 0; }
};

} // namespace qmbench
