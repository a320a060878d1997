#include "platform/Prompts.h"

#include <QDir>
#include <QGridLayout>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

namespace quillmark {

namespace {

std::unique_ptr<Prompts> &installed()
{
    static std::unique_ptr<Prompts> prompts;
    return prompts;
}

QString nameFilter(const QStringList &extensions)
{
    if (extensions.isEmpty())
        return {};
    QStringList patterns;
    for (const QString &ext : extensions)
        patterns << QStringLiteral("*.") + ext;
    return patterns.join(QLatin1Char(' '));
}

// The folder the last file or folder was chosen in, by any panel of this run.
QString &lastFolder()
{
    static QString folder;
    return folder;
}

// Where a panel opens when its caller names no folder: where the user chose last, else the
// documents folder, else home; never the program's working folder, which means nothing to a user.
QString startFolder(const QString &directory)
{
    if (!directory.isEmpty())
        return directory;
    if (!lastFolder().isEmpty() && QFileInfo(lastFolder()).isDir())
        return lastFolder();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

void rememberFolderOf(const QStringList &chosen, bool chosenAreFolders = false)
{
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return;
    lastFolder() = chosenAreFolders ? QFileInfo(chosen.first()).absoluteFilePath()
                                    : QFileInfo(chosen.first()).absolutePath();
}

// Runs the dialog window-modal over its parent when there is one; exec() still waits, so
// callers get the answer the same way either way.
int runDialog(QDialog &dialog, QWidget *parent)
{
    dialog.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    return dialog.exec();
}

} // namespace

Prompts &Prompts::current()
{
    auto &prompts = installed();
    if (!prompts)
        prompts = std::make_unique<QtPrompts>();
    return *prompts;
}

int Prompts::runPanel(QWidget *parent, QDialog *panel)
{
    return panel ? runDialog(*panel, parent) : 0;
}

std::unique_ptr<Prompts> Prompts::install(std::unique_ptr<Prompts> prompts)
{
    auto &slot = installed();
    std::unique_ptr<Prompts> previous = std::move(slot);
    slot = std::move(prompts);
    return previous;
}

int QtPrompts::alert(QWidget *parent, const QString &title, const QString &message,
                     const QStringList &buttons, AlertStyle style)
{
    QMessageBox box(parent);
    box.setIcon(style == Critical ? QMessageBox::Critical
                : style == Informational ? QMessageBox::Information
                                         : QMessageBox::Warning);
    // Messages carry names the user typed (databases, files, fields): shown as typed, never as
    // markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(title);
    box.setInformativeText(message);
    if (auto *informative = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    const QStringList titles = buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : buttons;
    QList<QPushButton *> added;
    for (int i = 0; i < titles.size(); ++i) {
        // Roles only order the buttons; the answer is taken from which one was clicked.
        const auto role = i == 0 ? QMessageBox::AcceptRole
                          : i == 1 ? QMessageBox::RejectRole
                                   : QMessageBox::ActionRole;
        added << box.addButton(titles.at(i), role);
    }
    box.setDefaultButton(added.first());
    if (titles.size() > 1)
        box.setEscapeButton(added.at(1));
    runDialog(box, parent);
    const int index = int(added.indexOf(qobject_cast<QPushButton *>(box.clickedButton())));
    if (index < 0)
        return titles.size() > 1 ? SecondButton : FirstButton;
    return FirstButton + index;
}

QString QtPrompts::openFile(QWidget *parent, const QString &title, const QString &directory,
                            const QStringList &extensions)
{
    const QStringList files = [&] {
        QFileDialog dialog(parent, title, startFolder(directory), nameFilter(extensions));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return runDialog(dialog, parent) == QDialog::Accepted ? dialog.selectedFiles() : QStringList{};
    }();
    rememberFolderOf(files);
    return files.isEmpty() ? QString() : files.first();
}

QStringList QtPrompts::openFiles(QWidget *parent, const QString &title, const QString &directory,
                                 const QStringList &extensions)
{
    QFileDialog dialog(parent, title, startFolder(directory), nameFilter(extensions));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    const QStringList files = runDialog(dialog, parent) == QDialog::Accepted ? dialog.selectedFiles() : QStringList{};
    rememberFolderOf(files);
    return files;
}

QString QtPrompts::saveFile(QWidget *parent, const QString &title, const QString &directory,
                            const QString &defaultName, const QStringList &extensions)
{
    QFileDialog dialog(parent, title, startFolder(directory), nameFilter(extensions));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!extensions.isEmpty())
        dialog.setDefaultSuffix(extensions.first());
    if (!defaultName.isEmpty())
        dialog.selectFile(defaultName);
    if (runDialog(dialog, parent) != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    rememberFolderOf(files);
    return files.isEmpty() ? QString() : files.first();
}

QString QtPrompts::chooseFolder(QWidget *parent, const QString &title, const QString &directory)
{
    QFileDialog dialog(parent, title, startFolder(directory));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (runDialog(dialog, parent) != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    rememberFolderOf(files, true);
    return files.isEmpty() ? QString() : files.first();
}

QString QtPrompts::saveFileOfType(QWidget *parent, const QString &title, const QString &directory,
                                  const QString &defaultName, const QList<FileType> &types, int &chosenType,
                                  QWidget *accessory)
{
    QFileDialog dialog(parent, title, startFolder(directory));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Our own panel: the native one has no room for the accessory fields.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    QStringList filters;
    for (const FileType &type : types)
        filters << QStringLiteral("%1 (%2)").arg(type.name, nameFilter(type.extensions));
    dialog.setNameFilters(filters);
    const int preselected = chosenType >= 0 && chosenType < types.size() ? chosenType : 0;
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.at(preselected));
    // The extension follows the type chosen last, so the overwrite question is asked here,
    // of the name the file will really have.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!defaultName.isEmpty())
        dialog.selectFile(defaultName);
    QWidget *previousParent = accessory ? accessory->parentWidget() : nullptr;
    if (accessory) {
        if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
            grid->addWidget(accessory, grid->rowCount(), 0, 1, grid->columnCount());
        accessory->show();
    }
    const bool accepted = runDialog(dialog, parent) == QDialog::Accepted;
    if (accessory) {
        accessory->hide();
        accessory->setParent(previousParent);
    }
    if (!accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return {};
    const int index = int(filters.indexOf(dialog.selectedNameFilter()));
    chosenType = index >= 0 ? index : preselected;
    const QString path = types.isEmpty() ? files.first() : pathWithExtension(files.first(), types.at(chosenType));
    rememberFolderOf({path});
    if (QFileInfo::exists(path)) {
        const QString question = QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                                     .arg(QFileInfo(path).fileName());
        if (QMessageBox::warning(parent, dialog.windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) != QMessageBox::Yes)
            return {};
    }
    return path;
}

QString pathWithExtension(const QString &path, const Prompts::FileType &type)
{
    if (type.extensions.isEmpty())
        return path;
    const QString suffix = QFileInfo(path).suffix();
    for (const QString &ext : type.extensions) {
        if (suffix.compare(ext, Qt::CaseInsensitive) == 0)
            return path;
    }
    return path + QLatin1Char('.') + type.extensions.first();
}

} // namespace quillmark
