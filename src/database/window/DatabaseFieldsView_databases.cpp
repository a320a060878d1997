// The database commands of the editor: new, open, save a copy, rename, delete, and the
// databases list.
#include "database/window/DatabaseFieldsView.h"

#include "database/window/DBPropertiesView.h"
#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/window/DatabasesListModel.h"
#include "foundation/Language.h"
#include "platform/GuardedReader.h"
#include "platform/Prompts.h"
#include "platform/UserDefaults.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QTableView>
#include <QUrl>

#include <limits>

namespace quillmark {

namespace {

QStringList okCancel()
{
    return {translated(QStringLiteral("OK")), translated(QStringLiteral("Cancel"))};
}

QString failedCopyMessage(const QString &reason)
{
    return translated(QStringLiteral("Failed to create writable database file with message '%@'."))
        .replace(QStringLiteral("%@"), reason);
}

// The first "<folder>/<name><n>.<extension>" (n = 1, 2, ...) that does not exist.
QString numberedPath(const QString &folder, const QString &name, const QString &extension)
{
    for (int n = 1;; ++n) {
        const QString candidate = QDir(folder).filePath(QStringLiteral("%1%2.%3").arg(name).arg(n).arg(extension));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

// Copies through a temporary name, so that a failure never leaves half a file at `target`;
// the source is read through the guarded reader, as it may be any file the user chose (a FIFO
// or a link to a device is refused at once). A database is as large as it is.
bool copyFile(const QString &source, const QString &target, QString *reason)
{
    switch (GuardedReader::copy(source, target, std::numeric_limits<qint64>::max())) {
    case GuardedReader::Refusal::None:
        return true;
    case GuardedReader::Refusal::NotWritten:
        *reason = translated(QStringLiteral("The file \u201c%@\u201d could not be written.")).replace(QStringLiteral("%@"), QFileInfo(target).fileName());
        return false;
    case GuardedReader::Refusal::Unreadable:
    case GuardedReader::Refusal::TooLarge:
    case GuardedReader::Refusal::Refused:
        break;
    }
    *reason = translated(QStringLiteral("The file \u201c%@\u201d cannot be read.")).replace(QStringLiteral("%@"), QFileInfo(source).fileName());
    return false;
}

// Why a database file could not be removed.
QString removalError(const QString &path)
{
    // own file: a database in the program's own folder, asked only why it was not removed.
    return QFile(path).errorString();
}

} // namespace

bool DatabaseFieldsView::isValidDatabaseName(const QString &name)
{
    return !name.trimmed().isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0))
        && !name.startsWith(QLatin1Char('.'));
}

void DatabaseFieldsView::refreshDatabasesList()
{
    _dbListModel->loadDatabases();
    if (_database) {
        const int row = _dbListModel->indexOfPath(_database->path());
        if (row >= 0)
            selectDatabaseRow(row);
    }
    enableButtons();
}

void DatabaseFieldsView::reloadDatabases()
{
    refreshDatabasesList();
}

void DatabaseFieldsView::selectDatabaseRow(int row)
{
    const bool was = _selectingByProgram;
    _selectingByProgram = true;
    if (_outlets.dbList && _outlets.dbList->selectionModel()) {
        const QModelIndex index = _dbListModel->index(row, 0);
        _outlets.dbList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }
    if (_outlets.databasePopupMenu)
        _outlets.databasePopupMenu->setCurrentIndex(row);
    _selectingByProgram = was;
}

int DatabaseFieldsView::selectedDatabase() const
{
    if (_outlets.dbList && _outlets.dbList->selectionModel()) {
        const QModelIndexList rows = _outlets.dbList->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    return _database ? _dbListModel->indexOfPath(_database->path()) : -1;
}

void DatabaseFieldsView::addDatabase()
{
    const QString message = translated(QStringLiteral("New Database Title:"));
    QString title;
    if (askForTitle) {
        title = askForTitle(message);
    } else {
        bool ok = false;
        title = QInputDialog::getText(window(), QString(), message, QLineEdit::Normal, QString(), &ok);
        if (!ok)
            title = QString();
    }
    if (!title.isNull())
        addDatabaseNamed(title);
}

bool DatabaseFieldsView::addDatabaseNamed(const QString &title)
{
    if (!isValidDatabaseName(title)) {
        reportError(translated(QStringLiteral("Database names cannot be empty, contain \"/\" or start with \".\".")));
        return false;
    }
    const QString path = Database::pathForTitle(title);
    const QFileInfo info(path);
    if (info.exists()) {
        const QString question = translated(QStringLiteral("Database %@ already exists.")).replace(QStringLiteral("%@"), info.fileName());
        const int answer = Prompts::current().alert(window(), question,
                                                    translated(QStringLiteral("Do you really wish to delete it?")), okCancel());
        if (answer != Prompts::FirstButton)
            return false;
        // The open database is let go before its file is replaced.
        if (_database && QFileInfo(_database->path()) == info && !releaseDatabase())
            return false;
        if (!QFile::remove(path)) {
            reportError(failedCopyMessage(removalError(path)));
            refreshDatabasesList();
            return false;
        }
    } else if (!QFileInfo(Database::databasesFolder()).isDir()) {
        QDir().mkpath(Database::databasesFolder());
    }
    QString error;
    const bool created = Database::createDatabaseAtPath(path, &error);
    // Making the file went through an instance of its own, which cleared the current database.
    Database::setCurrentDatabase(_database.get());
    refreshDatabasesList();
    if (!created) {
        reportError(failedCopyMessage(error));
        if (!_database && _dbListModel->rowCount() > 0)
            setDatabasePath(_dbListModel->array().first());
        return false;
    }
    if (!setDatabasePath(path))
        return false;
    addRecord();
    return true;
}

void DatabaseFieldsView::openDatabase()
{
    const QString file = Prompts::current().openFile(window(), translated(QStringLiteral("Please Choose a Quillmark File")),
                                                     QString(), {QStringLiteral("qkdt")});
    if (!file.isEmpty())
        openDatabaseFile(file);
}

bool DatabaseFieldsView::openDatabaseFile(const QString &file)
{
    const QString name = QFileInfo(file).completeBaseName();
    if (!isValidDatabaseName(name)) {
        reportError(translated(QStringLiteral("Database names cannot be empty, contain \"/\" or start with \".\".")));
        return false;
    }
    QDir().mkpath(Database::databasesFolder());
    QString target = Database::pathForTitle(name);
    if (QFileInfo::exists(target))
        target = numberedPath(Database::databasesFolder(), name, QStringLiteral("sqlite"));
    QString reason;
    if (!copyFile(file, target, &reason)) {
        reportError(failedCopyMessage(reason));
        return false;
    }
    // A file that is no database of ours is not kept in the list.
    QString error;
    if (!Database::openDatabaseAtPath(target, &error)) {
        Database::setCurrentDatabase(_database.get());
        QFile::remove(target);
        reportError(failedCopyMessage(error));
        return false;
    }
    Database::setCurrentDatabase(_database.get());
    refreshDatabasesList();
    return setDatabasePath(target);
}

void DatabaseFieldsView::saveDatabaseAs()
{
    if (!_database)
        return;
    const QString chosen = Prompts::current().saveFile(window(), QString(), QFileInfo(_database->path()).absolutePath(),
                                                       _database->title(), {QStringLiteral("qkdt")});
    if (!chosen.isEmpty())
        saveDatabaseCopyTo(chosen);
}

QString DatabaseFieldsView::saveDatabaseCopyTo(const QString &chosenPath)
{
    if (!_database)
        return QString();
    updateRecord();
    QString target = chosenPath;
    if (QFileInfo(target).suffix() != QLatin1String("qkdt"))
        target += QStringLiteral(".qkdt");
    if (QFileInfo::exists(target))
        target = numberedPath(QFileInfo(target).absolutePath(), _database->title(), QStringLiteral("qkdt"));
    QString reason;
    if (!copyFile(_database->path(), target, &reason)) {
        reportError(failedCopyMessage(reason));
        return QString();
    }
    return target;
}

bool DatabaseFieldsView::renameDatabase(const QString &newName)
{
    if (!_database)
        return false;
    if (!isValidDatabaseName(newName)) {
        reportError(translated(QStringLiteral("Database names cannot be empty, contain \"/\" or start with \".\".")));
        refreshDatabasesList();
        return false;
    }
    updateRecord();
    const QFileInfo old(_database->path());
    const QString newPath = old.dir().filePath(newName + QLatin1Char('.') + old.suffix());
    if (QFileInfo::exists(newPath) || !QFile::rename(old.filePath(), newPath)) {
        refreshDatabasesList();
        return false;
    }
    _database->setPath(newPath);
    // The next start opens the database under its new name.
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setString(newPath, QStringLiteral("databasePath"));
    defaults.synchronize();
    refreshDatabasesList();
    const int row = _dbListModel->dataSource().indexOfFileName(newName);
    if (row >= 0)
        selectDatabaseRow(row);
    return true;
}

bool DatabaseFieldsView::deleteDatabase()
{
    if (!_database)
        return false;
    const QString question = translated(QStringLiteral("Do you really want to delete the %@ database?"))
                                 .replace(QStringLiteral("%@"), _database->title());
    if (Prompts::current().alert(window(), question, QString(), okCancel()) != Prompts::FirstButton)
        return false;
    // The file asked about is the one removed, and the list moves on from its row.
    const int row = _dbListModel->indexOfPath(_database->path());
    const QString path = _database->path();
    if (!releaseDatabase())
        return false;
    if (_outlets.propertiesView)
        _outlets.propertiesView->setDatabaseChanged();
    if (!QFile::remove(path)) {
        reportError(removalError(path));
        setDatabasePath(path);
        return false;
    }
    UserDefaults &defaults = UserDefaults::standard();
    if (defaults.stringForKey(QStringLiteral("databasePath")) == path) {
        defaults.removeObject(QStringLiteral("databasePath"));
        defaults.synchronize();
    }
    refreshDatabasesList();
    const QStringList files = _dbListModel->array();
    if (!files.isEmpty())
        setDatabasePath(files.at(std::clamp(row - 1, 0, int(files.size()) - 1)));
    enableButtons();
    return true;
}

void DatabaseFieldsView::showInFinder()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(Database::databasesFolder()));
}

} // namespace quillmark
