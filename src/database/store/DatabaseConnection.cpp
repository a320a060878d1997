#include "database/store/DatabaseConnection.h"

#include "database/store/DatabaseError.h"
#include "database/store/DatabaseStatement.h"
#include "database/store/DatabaseUserAction.h"
#include "database/store/LocaleCollation.h"
#include "platform/GuardedReader.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>

#include "foundation/Language.h"

namespace quillmark {

namespace {

bool s_openReadOnly = false;

// Every file SQLite opens goes through here: the database, and beside it the rollback journal,
// the write-ahead log and its shared memory, which it opens by name when it finds them (a
// journal left behind is opened to see whether it is hot). A design may name any database, and
// a FIFO beside it would hold the window for good; so no open waits, and what is opened is
// kept only when it is a regular file. Folders are opened for reading to sync them, and SQLite
// reads two devices of the system itself.
int guardedOpen(const char *path, int flags, int mode)
{
    if (path && (std::strcmp(path, "/dev/null") == 0 || std::strcmp(path, "/dev/urandom") == 0))
        // own file: the system's null device and random source, which SQLite itself opens
        return ::open(path, flags, mode);
    return GuardedReader::openDescriptor(path, flags, mode, GuardedReader::Folders::ReadOnly);
}

void guardSqliteOpens()
{
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_vfs *vfs = sqlite3_vfs_find(nullptr);
        if (!vfs || vfs->iVersion < 3 || !vfs->xSetSystemCall
            || vfs->xSetSystemCall(vfs, "open", reinterpret_cast<sqlite3_syscall_ptr>(&guardedOpen)) != SQLITE_OK)
            qWarning("the database engine's opens could not be guarded");
    });
}

} // namespace

QString DatabaseConnection::fileNotRegular(const QString &path)
{
    for (const char *beside : {"", "-journal", "-wal", "-shm"}) {
        const QString name = path + QLatin1String(beside);
        struct stat info;
        const bool exists = ::stat(QFile::encodeName(name).constData(), &info) == 0;
        // The database itself must be there; the others may be missing.
        if ((exists && !S_ISREG(info.st_mode)) || (!exists && !*beside))
            return QFileInfo(name).fileName();
    }
    return {};
}

void DatabaseConnection::setOpenReadOnlyForTesting(bool readOnly)
{
    s_openReadOnly = readOnly;
}

DatabaseConnection::DatabaseConnection(const QString &path)
{
    guardSqliteOpens();
    sqlite3 *db = nullptr;
    const QByteArray name = path.toUtf8();
    // A design may name any file as its database: one that is no regular file, or has none
    // beside it (a FIFO would hold the window for good), is never handed to SQLite, and the
    // user is told which file it was. Whatever changes after this look, SQLite's own opens
    // are guarded.
    const QString notRegular = fileNotRegular(path);
    if (!notRegular.isEmpty()) {
        m_refusal = translated(QStringLiteral("\u201c%@\u201d is not a regular file, so the database was not opened."))
                        .replace(QStringLiteral("%@"), notRegular);
        qWarning("unable to openDatabase: %s is no regular file", qPrintable(notRegular));
        return;
    }
    // own file: SQLite opens its databases by name itself, through the guarded open above.
    const int rc = sqlite3_open_v2(name.constData(), &db, s_openReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE,
                                   nullptr);
    if (rc != SQLITE_OK) {
        qWarning("unable to openDatabase: %s", db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return;
    }
    // A file held by another program is waited for once per user action, not per statement.
    sqlite3_busy_handler(db, &DatabaseUserAction::busyHandler, nullptr);
    // A misspelt column in double quotes must be an error, not a string constant.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    LocaleCollation::registerOn(db);
    m_db = db;
}

DatabaseConnection::~DatabaseConnection()
{
    if (!m_db)
        return;
    if (m_transactionDepth > 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
}

QString DatabaseConnection::errorMessage() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("the database is not open");
}

int DatabaseConnection::errorCode() const
{
    return m_db ? sqlite3_errcode(m_db) : SQLITE_CANTOPEN;
}

bool DatabaseConnection::isReadOnly() const
{
    return m_db && sqlite3_db_readonly(m_db, "main") == 1;
}

int DatabaseConnection::exec(const QString &sql)
{
    DatabaseStatement statement(m_db, sql);
    int rc = statement.step();
    while (rc == SQLITE_ROW)
        rc = statement.step();
    return rc;
}

int DatabaseConnection::changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

qint64 DatabaseConnection::lastInsertRowId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

void DatabaseConnection::begin()
{
    if (m_transactionDepth == 0 && exec(QStringLiteral("BEGIN IMMEDIATE")) != SQLITE_DONE)
        throw DatabaseError(
            QStringLiteral("Error: failed to insert into the database with message '%1'.").arg(errorMessage()),
            errorCode());
    ++m_transactionDepth;
}

void DatabaseConnection::commit()
{
    if (m_transactionDepth == 0)
        return;
    if (--m_transactionDepth == 0 && exec(QStringLiteral("COMMIT")) != SQLITE_DONE) {
        // Still inside the transaction: the caller's rollback undoes it.
        m_transactionDepth = 1;
        throw DatabaseError(
            QStringLiteral("Error: failed to insert into the database with message '%1'.").arg(errorMessage()),
            errorCode());
    }
}

void DatabaseConnection::rollback()
{
    if (m_transactionDepth == 0)
        return;
    m_transactionDepth = 0;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

} // namespace quillmark
