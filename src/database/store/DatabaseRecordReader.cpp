#include "database/store/DatabaseRecordReader.h"

#include "database/store/Database.h"
#include "database/store/DatabaseConnection.h"
#include "database/store/DatabaseError.h"
#include "database/store/DatabaseStatement.h"

#include <sqlite3.h>

namespace quillmark {

DatabaseRecordReader::DatabaseRecordReader(Database &database, const QStringList &columnNames,
                                           bool oneReadTransaction)
    : m_database(database)
    , m_oneReadTransaction(oneReadTransaction)
{
    for (const tableField &field : database.fieldsStructure()) {
        const QString column = field.dbtitle();
        if (columnNames.contains(column) && !m_columns.contains(column)) {
            m_columns.append(column);
            m_types.append(field.type);
        }
    }
}

DatabaseRecordReader::~DatabaseRecordReader()
{
    end();
}

void DatabaseRecordReader::end()
{
    m_statement.reset();
    if (m_connection && m_inTransaction)
        // Nothing was written: ending the read only gives the lock back.
        sqlite3_exec(m_connection->handle(), "COMMIT", nullptr, nullptr, nullptr);
    m_inTransaction = false;
    m_connection.reset();
}

bool DatabaseRecordReader::prepare()
{
    if (m_statement)
        return true;
    if (!m_connection || !m_connection->isOpen())
        m_connection = std::make_unique<DatabaseConnection>(m_database.path());
    QStringList quoted;
    for (const QString &column : std::as_const(m_columns))
        quoted.append(Database::quoteIdentifier(column));
    // The key alone when the run shows no column: the record must still exist.
    const QString sql = QStringLiteral("SELECT %1 FROM dbtable WHERE pk=?")
                            .arg(quoted.isEmpty() ? QStringLiteral("pk") : quoted.join(QStringLiteral(", ")));
    try {
        m_statement = std::make_unique<DatabaseStatement>(m_connection->handle(), sql);
    } catch (const DatabaseError &) {
        m_error = m_connection->errorMessage();
        // Another program holding the file makes the preparation fail too; the next read
        // tries again on a fresh connection.
        m_connection.reset();
        return false;
    }
    // A deferred transaction: the shared lock is taken by the first read and kept.
    if (m_oneReadTransaction && !m_inTransaction) {
        if (sqlite3_exec(m_connection->handle(), "BEGIN DEFERRED", nullptr, nullptr, nullptr) != SQLITE_OK) {
            m_error = m_connection->errorMessage();
            m_statement.reset();
            m_connection.reset();
            return false;
        }
        m_inTransaction = true;
    }
    return true;
}

DatabaseRecordReader::Result DatabaseRecordReader::read(qint64 pk)
{
    m_error.clear();
    if (!prepare())
        return Result::Failed;
    DatabaseStatement &statement = *m_statement;
    statement.reset();
    statement.bindInt64(1, pk);
    const int rc = statement.step();
    if (rc == SQLITE_DONE) {
        statement.reset();
        return Result::Missing;
    }
    if (rc != SQLITE_ROW) {
        m_error = m_connection->errorMessage();
        // No lock is kept after a failure, inside a transaction or not.
        end();
        return Result::Failed;
    }
    QVariantMap values;
    for (int i = 0; i < m_columns.size(); ++i)
        values.insert(m_columns.at(i), Database::recordValue(statement, i, m_types.at(i)));
    values.insert(QStringLiteral("pk"), pk);
    // Outside a transaction the shared lock of the read ends with it.
    statement.reset();
    m_database.setCurrentRecord(values);
    return Result::Read;
}

} // namespace quillmark
