#pragma once
#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace quillmark {

// One prepared statement, finalised when it goes out of scope so that no statement outlives
// the operation that made it, whatever way that operation ends.
class DatabaseStatement
{
public:
    // Throws DatabaseError with the store's "failed to prepare statement" message.
    DatabaseStatement(sqlite3 *db, const QString &sql);
    ~DatabaseStatement();
    DatabaseStatement(const DatabaseStatement &) = delete;
    DatabaseStatement &operator=(const DatabaseStatement &) = delete;

    // Placeholders count from 1.
    void bindNull(int index);
    void bindInt64(int index, qint64 value);
    void bindDouble(int index, double value);
    void bindText(int index, const QString &text);
    // An empty array is stored as an empty blob, never as NULL.
    void bindBlob(int index, const QByteArray &bytes);
    // Binds by the variant's own type: an invalid variant -> NULL, integers, doubles, QByteArray as a
    // blob, anything else as its text.
    void bindValue(int index, const QVariant &value);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    void reset();

    int columnCount() const;
    int columnType(int column) const;
    bool isNull(int column) const;
    qint64 columnInt64(int column) const;
    double columnDouble(int column) const;
    QString columnText(int column) const;
    // A NULL column gives a null QByteArray, an empty blob an empty but not null one.
    QByteArray columnBlob(int column) const;

    sqlite3_stmt *handle() const { return m_stmt; }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

} // namespace quillmark
