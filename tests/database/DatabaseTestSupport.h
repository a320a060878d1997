#pragma once
// Shared helpers of the address database tests.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

#include "common/TestSupport.h"
#include "database/Database.h"

namespace dbtest {

// Runs the sqlite3 command-line program on a file and answers its standard output.
inline QString sqliteCli(const QString &path, const QString &command)
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {path, command});
    process.waitForFinished(30000);
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

} // namespace dbtest
