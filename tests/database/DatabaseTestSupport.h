#pragma once
// Shared helpers of the address database tests.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

#include <sqlite3.h>

#include "common/TestSupport.h"
#include "database/store/Database.h"
#include "database/store/DatabaseUserAction.h"

#include <QCoreApplication>

namespace dbtest {

// Runs the sqlite3 command-line program on a file and answers its standard output.
inline QString sqliteCli(const QString &path, const QString &command)
{
    // Another test program may hold the file for a moment while the suites run side by side:
    // the reader waits for the lock instead of answering nothing, and says why when it fails.
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {QStringLiteral("-cmd"), QStringLiteral(".timeout 10000"), path, command});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        qWarning("sqlite3 %s: exit %d: %s", qPrintable(path), process.exitCode(),
                 process.readAllStandardError().constData());
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A fresh database with the default fields, made the way the new-database command makes it.
inline QString freshDatabasePath(const QString &title = QStringLiteral("Test"))
{
    const QString path = qmtest::freshDir(QStringLiteral("db")) + "/" + title + ".sqlite";
    QString error;
    if (!quillmark::Database::createDatabaseAtPath(path, &error))
        qFatal("cannot create test database: %s", qPrintable(error));
    return path;
}

// An open Database on a fresh file with its fields read, as the editor opens one.
inline std::unique_ptr<quillmark::Database> freshDatabase()
{
    return quillmark::Database::openDatabaseAtPath(freshDatabasePath());
}

// Inserts a record with the given column values on top of a fresh record.
inline qint64 addRecord(quillmark::Database &db, const QVariantMap &values)
{
    db.fieldValues().clear();
    db.initFieldValues();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        db.fieldValues().insert(it.key(), it.value());
    return db.insertRecord();
}

// Another program's hold on a database file: a second connection inside BEGIN EXCLUSIVE, so
// that the store can neither read nor write until it is released. The store waits only a
// moment for it meanwhile.
class ExclusiveLock
{
public:
    explicit ExclusiveLock(const QString &path, int waitMilliseconds = 60)
        : m_previousWait(quillmark::DatabaseUserAction::waitMilliseconds())
    {
        quillmark::DatabaseUserAction::setWaitMilliseconds(waitMilliseconds);
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
            || sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
            qFatal("cannot lock %s", qPrintable(path));
    }
    ~ExclusiveLock()
    {
        release();
        quillmark::DatabaseUserAction::setWaitMilliseconds(m_previousWait);
    }
    ExclusiveLock(const ExclusiveLock &) = delete;
    ExclusiveLock &operator=(const ExclusiveLock &) = delete;

    void release()
    {
        if (!m_db)
            return;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
        m_db = nullptr;
    }

private:
    sqlite3 *m_db = nullptr;
    int m_previousWait;
};

// Control goes back to the event loop between two user actions: each may wait once for a
// busy file and show one message.
inline void nextUserAction()
{
    QCoreApplication::processEvents();
    quillmark::DatabaseUserAction::end();
}

} // namespace dbtest
