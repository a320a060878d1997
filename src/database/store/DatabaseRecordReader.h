#pragma once
// Reads the records of a run over many records (a merged print job, a sequential export) into
// the database's current record: one connection and one prepared statement for the whole run,
// stepped once per record, reading only the columns the run shows. Loading a record the
// ordinary way opens the file and prepares its statement for every record.
//
// A run that reads its records inside one read transaction takes SQLite's shared lock of the
// file once, at its first record, instead of taking and releasing it for every record; the
// records it reads then all come from one state of the file. Writers (this program's own
// and others) wait until the reader is destroyed or end() is called, so only runs that ask
// nothing of the user while they read hold it: a print job, not an export that may stop to
// ask whether a file is to be replaced.
#include <QString>
#include <QStringList>

#include <memory>

namespace quillmark {

class Database;
class DatabaseConnection;
class DatabaseStatement;

class DatabaseRecordReader
{
public:
    // The columns (field column names; others are ignored) the run reads. The file is opened
    // and the statement prepared at the first read.
    DatabaseRecordReader(Database &database, const QStringList &columnNames, bool oneReadTransaction = false);
    ~DatabaseRecordReader();
    DatabaseRecordReader(const DatabaseRecordReader &) = delete;
    DatabaseRecordReader &operator=(const DatabaseRecordReader &) = delete;

    enum class Result { Read, Missing, Failed };
    // Makes the record with that key the database's current record: its key and the run's
    // columns, every other column empty, so that nothing can show another record's value.
    // Missing when there is no such record, Failed when it cannot be read (error() says why);
    // either way the current record stays as it was. The reason is SQLite's ("database is
    // locked").
    Result read(qint64 pk);
    QString error() const { return m_error; }
    // Ends the read transaction, if one is held, and closes the file; a later read opens it
    // again.
    void end();
    // The columns read, in the statement's order.
    const QStringList &columns() const { return m_columns; }

private:
    bool prepare();

    Database &m_database;
    QStringList m_columns;
    QList<int> m_types;
    std::unique_ptr<DatabaseConnection> m_connection;
    std::unique_ptr<DatabaseStatement> m_statement;
    bool m_oneReadTransaction = false;
    bool m_inTransaction = false;
    QString m_error;
};

} // namespace quillmark
