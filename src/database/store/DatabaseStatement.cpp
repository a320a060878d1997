#include "database/store/DatabaseStatement.h"

#include "database/store/DatabaseError.h"

#include <sqlite3.h>

namespace quillmark {

DatabaseStatement::DatabaseStatement(sqlite3 *db, const QString &sql)
    : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    const int rc = db ? sqlite3_prepare_v2(db, text.constData(), int(text.size()) + 1, &m_stmt, nullptr)
                      : SQLITE_MISUSE;
    if (rc != SQLITE_OK || !m_stmt) {
        const QString reason = db ? QString::fromUtf8(sqlite3_errmsg(db))
                                  : QStringLiteral("the database is not open");
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw DatabaseError(QStringLiteral("Error: failed to prepare statement with message '%1'.").arg(reason), rc);
    }
}

DatabaseStatement::~DatabaseStatement()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

void DatabaseStatement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt, index);
}

void DatabaseStatement::bindInt64(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void DatabaseStatement::bindDouble(int index, double value)
{
    sqlite3_bind_double(m_stmt, index, value);
}

void DatabaseStatement::bindText(int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text64(m_stmt, index, utf8.constData(), sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT,
                        SQLITE_UTF8);
}

void DatabaseStatement::bindBlob(int index, const QByteArray &bytes)
{
    // sqlite3_bind_blob with a null pointer would store NULL; an empty photo is not "no photo".
    if (bytes.isEmpty())
        sqlite3_bind_zeroblob(m_stmt, index, 0);
    else
        sqlite3_bind_blob64(m_stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
}

void DatabaseStatement::bindValue(int index, const QVariant &value)
{
    if (!value.isValid()) {
        bindNull(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        bindInt64(index, value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        bindDouble(index, value.toDouble());
        break;
    case QMetaType::QByteArray:
        bindBlob(index, value.toByteArray());
        break;
    default:
        bindText(index, value.toString());
        break;
    }
}

int DatabaseStatement::step()
{
    return sqlite3_step(m_stmt);
}

void DatabaseStatement::reset()
{
    sqlite3_reset(m_stmt);
}

int DatabaseStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

int DatabaseStatement::columnType(int column) const
{
    return sqlite3_column_type(m_stmt, column);
}

bool DatabaseStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

qint64 DatabaseStatement::columnInt64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double DatabaseStatement::columnDouble(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}

QString DatabaseStatement::columnText(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    if (!text)
        return QString();
    return QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, column));
}

QByteArray DatabaseStatement::columnBlob(int column) const
{
    if (isNull(column))
        return QByteArray();
    const void *bytes = sqlite3_column_blob(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    if (!bytes || size <= 0)
        return QByteArray("", 0);
    return QByteArray(static_cast<const char *>(bytes), size);
}

} // namespace quillmark
