#include "database/store/DatabaseConnection.h"

#include "database/store/DatabaseError.h"
#include "database/store/DatabaseStatement.h"
#include "database/store/DatabaseUserAction.h"
#include "database/store/LocaleCollation.h"
#include "platform/GuardedReader.h"

#include <sqlite3.h>

namespace quillmark {

namespace {

bool s_openReadOnly = false;

} // namespace

void DatabaseConnection::setOpenReadOnlyForTesting(bool readOnly)
{
    s_openReadOnly = readOnly;
}

DatabaseConnection::DatabaseConnection(const QString &path)
{
    sqlite3 *db = nullptr;
    const QByteArray name = path.toUtf8();
    // A design may name any file as its database: one that is no regular file (a FIFO would
    // hold the window for good) is never handed to SQLite.
    if (!GuardedReader::isRegularFile(path)) {
        qWarning("unable to openDatabase: %s is no regular file", name.constData());
        return;
    }
    // own file: SQLite opens its databases by name itself; the path was just seen to be a
    // regular file, and databases from elsewhere are copied in through the guarded reader.
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
