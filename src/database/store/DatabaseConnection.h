#pragma once
#include <QString>

struct sqlite3;

namespace quillmark {

class DatabaseStatement;

// One open SQLite file. The store opens one per operation and lets it close when the
// operation ends, so no connection is held while the user works.
class DatabaseConnection
{
public:
    // The connection is unusable (isOpen() false) when the file cannot be opened; statements
    // prepared on it then fail with the store's "failed to prepare" error.
    explicit DatabaseConnection(const QString &path);
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection &) = delete;
    DatabaseConnection &operator=(const DatabaseConnection &) = delete;

    bool isOpen() const { return m_db != nullptr; }
    // Why the file was not handed to SQLite at all, for the user; empty when it was.
    QString refusal() const { return m_refusal; }
    // The name of the database's file, or of its journal, log or shared memory beside it, that
    // exists but is no regular file (or of the database when it is missing); empty when none.
    static QString fileNotRegular(const QString &path);
    sqlite3 *handle() const { return m_db; }
    QString errorMessage() const;
    // SQLite's result code of the last failure (SQLITE_CANTOPEN when the file did not open).
    int errorCode() const;
    // The file could be opened for reading only (write-protected file).
    bool isReadOnly() const;

    // Tests stand in for a write-protected file with this: a superuser writes any file.
    static void setOpenReadOnlyForTesting(bool readOnly);

    // Runs a statement that binds nothing; throws DatabaseError when it cannot be prepared,
    // answers the step result otherwise.
    int exec(const QString &sql);

    // Rows changed by the last INSERT, UPDATE or DELETE.
    int changes() const;
    qint64 lastInsertRowId() const;

    // Nested calls join the outermost transaction.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const { return m_transactionDepth > 0; }

private:
    sqlite3 *m_db = nullptr;
    int m_transactionDepth = 0;
    QString m_refusal;
};

} // namespace quillmark
