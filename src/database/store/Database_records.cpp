// The record side of the store: loading, inserting, updating and deleting records, the
// browser query, group membership changes, and the statements behind text export and import.
#include "database/store/Database.h"

#include "database/store/DatabaseConnection.h"
#include "database/store/DatabaseError.h"
#include "database/store/DatabaseStatement.h"
#include "database/store/LocaleCollation.h"
#include "database/store/Utils.h"
#include "foundation/Language.h"
#include "platform/Format.h"

#include <QDateTime>
#include <QLocale>

#include <map>
#include <memory>

#include <sqlite3.h>

namespace quillmark {

namespace {

DatabaseError insertError(const DatabaseConnection &connection)
{
    return DatabaseError(
        QStringLiteral("Error: failed to insert into the database with message '%1'.").arg(connection.errorMessage()),
        connection.errorCode());
}

DatabaseError readError(const DatabaseConnection &connection)
{
    return DatabaseError(
        QStringLiteral("Error: failed to read the database with message '%1'.").arg(connection.errorMessage()),
        connection.errorCode());
}

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

qint64 integerValue(const QVariant &value)
{
    if (isNumber(value))
        return value.toLongLong();
    return leadingInt64(value.toString());
}

double doubleValue(const QVariant &value)
{
    if (isNumber(value))
        return value.toDouble();
    return leadingDouble(value.toString());
}

QString descriptionText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDateTime)
        return Utils::databaseDescription(value.toDateTime());
    return value.toString();
}

// Binds one record value by its field's type. An invalid variant stays NULL.
void bindFieldValue(DatabaseStatement &statement, int index, int type, const QVariant &value)
{
    if (!value.isValid()) {
        statement.bindNull(index);
        return;
    }
    switch (type) {
    case tableField::Integer:
        statement.bindInt64(index, integerValue(value));
        break;
    case tableField::Real:
        statement.bindDouble(index, doubleValue(value));
        break;
    case tableField::Date:
    case tableField::Text:
        statement.bindText(index, descriptionText(value));
        break;
    case tableField::Blob:
        if (value.typeId() == QMetaType::QByteArray)
            statement.bindBlob(index, value.toByteArray());
        else
            statement.bindNull(index);
        break;
    default:
        statement.bindNull(index);
        break;
    }
}

// One cell of the delimited text export.
QString exportCell(const DatabaseStatement &statement, int column, int type)
{
    if (statement.isNull(column))
        return QString();
    switch (type) {
    case tableField::Integer:
        return QString::number(statement.columnInt64(column));
    case tableField::Real:
        return QString::number(statement.columnDouble(column), 'g', QLocale::FloatingPointShortest);
    case tableField::Blob:
        return QString();
    default:
        return statement.columnText(column);
    }
}

} // namespace

QString Database::quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString Database::checkedColumn(const QString &columnName) const
{
    for (const tableField &field : _fieldsStructure)
        if (field.dbtitle() == columnName)
            return quoteIdentifier(columnName);
    throw DatabaseError(QStringLiteral("Error: failed to prepare statement with message 'no such column: %1'.")
                            .arg(columnName));
}

// ---------------------------------------------------------------- one record

QVariant Database::recordValue(const DatabaseStatement &statement, int column, int type)
{
    switch (type) {
    case tableField::Integer:
        return statement.isNull(column) ? QVariant() : QVariant(statement.columnInt64(column));
    case tableField::Real:
        return statement.isNull(column) ? QVariant() : QVariant(statement.columnDouble(column));
    case tableField::Date:
    case tableField::Text: {
        const QString text = statement.columnText(column);
        return text.isNull() ? QStringLiteral("") : text;
    }
    case tableField::Blob:
        return statement.isNull(column) ? QVariant() : QVariant(statement.columnBlob(column));
    default:
        return QVariant();
    }
}

void Database::setCurrentRecord(const QVariantMap &values)
{
    _fieldValues = values;
    _dirty = false;
}

bool Database::initWithPrimaryKey(qint64 pk)
{
    Scope scope(*this);
    QStringList columns;
    for (const tableField &field : std::as_const(_fieldsStructure))
        columns.append(quoteIdentifier(field.dbtitle()));
    if (columns.isEmpty()) {
        _fieldValues.insert(QStringLiteral("pk"), pk);
        _dirty = false;
        return true;
    }
    DatabaseStatement statement(scope.connection().handle(),
                                QStringLiteral("SELECT %1 FROM dbtable WHERE pk=?").arg(columns.join(QStringLiteral(", "))));
    statement.bindInt64(1, pk);
    const int rc = statement.step();
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        throw readError(scope.connection());
    // The record's values and its key change together, and only once its row has been read:
    // a failed read leaves the record that was loaded before, under its own key.
    QVariantMap values = _fieldValues;
    for (int i = 0; i < _fieldsStructure.size(); ++i) {
        const tableField &field = _fieldsStructure.at(i);
        if (field.type < tableField::Integer || field.type > tableField::Blob)
            continue;
        values.insert(field.dbtitle(), recordValue(statement, i, field.type));
    }
    values.insert(QStringLiteral("pk"), pk);
    _fieldValues = values;
    _dirty = false;
    return true;
}

qint64 Database::insertRecord()
{
    Scope scope(*this);
    DatabaseConnection &connection = scope.connection();
    QStringList columns;
    QStringList placeholders;
    QList<const tableField *> used;
    for (const tableField &field : std::as_const(_fieldsStructure)) {
        if (!_fieldValues.contains(field.dbtitle()))
            continue;
        columns.append(QLatin1Char(' ') + quoteIdentifier(field.dbtitle()));
        placeholders.append(QStringLiteral(" ?"));
        used.append(&field);
    }
    DatabaseStatement statement(connection.handle(), QStringLiteral("INSERT INTO dbtable (%1) VALUES (%2);")
                                                         .arg(columns.join(QLatin1Char(',')),
                                                              placeholders.join(QLatin1Char(','))));
    for (int i = 0; i < used.size(); ++i)
        bindFieldValue(statement, i + 1, used.at(i)->type, _fieldValues.value(used.at(i)->dbtitle()));
    if (statement.step() != SQLITE_DONE)
        throw insertError(connection);
    const qint64 pk = connection.lastInsertRowId();
    _fieldValues.insert(QStringLiteral("pk"), pk);
    refreshBrowser();
    return pk;
}

qint64 Database::updateRecord()
{
    Scope scope(*this);
    DatabaseConnection &connection = scope.connection();
    QStringList assignments;
    for (const tableField &field : std::as_const(_fieldsStructure))
        assignments.append(QStringLiteral(" %1 =?").arg(quoteIdentifier(field.dbtitle())));
    if (assignments.isEmpty())
        return selectedPk();
    DatabaseStatement statement(connection.handle(), QStringLiteral("UPDATE dbtable set %1 WHERE pk=?;")
                                                         .arg(assignments.join(QLatin1Char(','))));
    for (int i = 0; i < _fieldsStructure.size(); ++i) {
        const tableField &field = _fieldsStructure.at(i);
        const auto it = _fieldValues.constFind(field.dbtitle());
        if (it == _fieldValues.cend()) {
            // An absent number is written as 0, an absent text or photo as NULL.
            if (field.type == tableField::Integer)
                statement.bindInt64(i + 1, 0);
            else if (field.type == tableField::Real)
                statement.bindDouble(i + 1, 0.0);
            else
                statement.bindNull(i + 1);
            continue;
        }
        bindFieldValue(statement, i + 1, field.type, it.value());
    }
    const qint64 pk = selectedPk();
    if (_fieldValues.contains(QStringLiteral("pk")))
        statement.bindInt64(int(_fieldsStructure.size()) + 1, pk);
    if (statement.step() != SQLITE_DONE)
        throw insertError(connection);
    refreshBrowser();
    return pk;
}

bool Database::updateRecordValues(qint64 pk, const QStringList &columnNames)
{
    QList<const tableField *> written;
    for (const tableField &field : std::as_const(_fieldsStructure))
        if (columnNames.contains(field.dbtitle()))
            written.append(&field);
    Scope scope(*this);
    DatabaseConnection &connection = scope.connection();
    if (written.isEmpty()) {
        // Nothing to write; the answer still says whether the record is there.
        DatabaseStatement statement(connection.handle(), QStringLiteral("SELECT count(*) FROM dbtable WHERE pk=?"));
        statement.bindInt64(1, pk);
        if (statement.step() != SQLITE_ROW)
            throw readError(connection);
        return statement.columnInt64(0) > 0;
    }
    QStringList assignments;
    for (const tableField *field : std::as_const(written))
        assignments.append(QStringLiteral(" %1 =?").arg(quoteIdentifier(field->dbtitle())));
    DatabaseStatement statement(connection.handle(), QStringLiteral("UPDATE dbtable set %1 WHERE pk=?;")
                                                         .arg(assignments.join(QLatin1Char(','))));
    for (int i = 0; i < written.size(); ++i) {
        const tableField &field = *written.at(i);
        const auto it = _fieldValues.constFind(field.dbtitle());
        if (it == _fieldValues.cend()) {
            if (field.type == tableField::Integer)
                statement.bindInt64(i + 1, 0);
            else if (field.type == tableField::Real)
                statement.bindDouble(i + 1, 0.0);
            else
                statement.bindNull(i + 1);
            continue;
        }
        bindFieldValue(statement, i + 1, field.type, it.value());
    }
    statement.bindInt64(int(written.size()) + 1, pk);
    if (statement.step() != SQLITE_DONE)
        throw insertError(connection);
    refreshBrowser();
    return connection.changes() > 0;
}

void Database::deleteRecordByPrimaryKeys(const QList<qint64> &pks)
{
    Scope scope(*this);
    DatabaseConnection &connection = scope.connection();
    DatabaseStatement statement(connection.handle(), QStringLiteral("DELETE FROM dbtable WHERE pk=?"));
    connection.begin();
    try {
        for (qint64 pk : pks) {
            statement.bindInt64(1, pk);
            if (statement.step() != SQLITE_DONE)
                throw DatabaseError(QStringLiteral("Error: failed to delete from database with message '%1'.")
                                        .arg(connection.errorMessage()),
                                    connection.errorCode());
            statement.reset();
        }
        connection.commit();
    } catch (...) {
        connection.rollback();
        refreshBrowser();
        throw;
    }
    refreshBrowser();
}

void Database::deleteRecord()
{
    deleteRecordByPrimaryKeys({selectedPk()});
}

int Database::count()
{
    // Kept with the browser's rows: counting a million records takes a moment each time.
    if (_count)
        return *_count;
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(), QStringLiteral("SELECT count(*) FROM dbtable"));
    if (statement.step() != SQLITE_ROW)
        throw readError(scope.connection());
    _count = int(statement.columnInt64(0));
    return *_count;
}

qint64 Database::selectedPk() const
{
    const auto it = _fieldValues.constFind(QStringLiteral("pk"));
    if (it == _fieldValues.cend() || !it.value().isValid())
        return -1;
    return integerValue(it.value());
}

// ---------------------------------------------------------------- the browser

Database::FindClause Database::findClause(const QList<std::pair<QString, QString>> &columnTexts) const
{
    FindClause clause;
    QStringList conditions;
    for (const auto &[column, text] : columnTexts) {
        if (text.isEmpty() || fieldPkByTitle(column) < 0)
            continue;
        // The user's text is matched as typed, anywhere in the value, its case folded in every
        // script (LIKE folds ASCII letters only); it reaches the statement as a bound value.
        conditions.append(QStringLiteral(" %1(%2, ?)").arg(QLatin1String(LocaleCollation::ContainsFunction), quoteIdentifier(column)));
        clause.values.append(text);
    }
    if (!conditions.isEmpty())
        clause.sql = QLatin1Char('(') + conditions.join(QStringLiteral(" and")) + QLatin1Char(')');
    return clause;
}

void Database::setSearchString(const FindClause &clause)
{
    _searchString = clause;
}

QString Database::filterClause() const
{
    QString sql = QStringLiteral(" where ((\"Groups\" = 0 and ?) or (\"Groups\" & ?) != 0)");
    if (!_searchString.isEmpty())
        sql += QStringLiteral(" and ") + _searchString.sql;
    return sql;
}

int Database::bindFilter(DatabaseStatement &statement, int index, qint64 groups) const
{
    statement.bindInt64(index++, isAllGroups(groups) ? 1 : 0);
    statement.bindInt64(index++, isAllGroups(groups) ? AllGroups : groups);
    for (const QVariant &value : _searchString.values)
        statement.bindValue(index++, value);
    return index;
}

QString Database::orderClause()
{
    // Names sort as the user's language sorts them, not by their bytes.
    const QString collate = QStringLiteral(" COLLATE ") + QLatin1String(LocaleCollation::CollationName);
    QString sql = QStringLiteral(" order by %1%2 %3")
                      .arg(checkedColumn(sortField(1, true)), collate, sortOrder(1) ? QStringLiteral("DESC") : QStringLiteral("ASC"));
    const QString second = sortField(2, true);
    if (!second.isEmpty()) {
        sql += QStringLiteral(", %1%2 %3").arg(checkedColumn(second), collate, sortOrder(2) ? QStringLiteral("DESC") : QStringLiteral("ASC"));
        const QString third = sortField(3, true);
        if (!third.isEmpty())
            sql += QStringLiteral(", %1%2 %3").arg(checkedColumn(third), collate, sortOrder(3) ? QStringLiteral("DESC") : QStringLiteral("ASC"));
    }
    return sql;
}

QList<dbBrowseField> Database::browserArray()
{
    if (_browseArray)
        return *_browseArray;
    Scope scope(*this);
    const qint64 groups = groupsToView();
    const QString browse = checkedColumn(browseField(true));
    const QString order = orderClause();
    DatabaseStatement statement(scope.connection().handle(),
                                QStringLiteral("SELECT %1, pk FROM dbtable%2%3;").arg(browse, filterClause(), order));
    bindFilter(statement, 1, groups);
    QList<dbBrowseField> rows;
    int rc = SQLITE_ROW;
    while ((rc = statement.step()) == SQLITE_ROW) {
        const QString value = statement.columnText(0);
        rows.append(dbBrowseField(qint32(statement.columnInt64(1)), value.isNull() ? QStringLiteral("") : value));
    }
    // A list cut short would be kept as if it were the whole list.
    if (rc != SQLITE_DONE)
        throw readError(scope.connection());
    _browseArray = rows;
    return rows;
}

void Database::refreshBrowser()
{
    _browseArray.reset();
    _count.reset();
}

int Database::indexInBrowserWithPK(qint64 pk)
{
    const QList<dbBrowseField> rows = browserArray();
    for (int i = 0; i < rows.size(); ++i)
        if (rows.at(i).pk == pk)
            return i;
    return -1;
}

// ---------------------------------------------------------------- groups of records

void Database::applyGroupChange(qint64 mask, int mode, bool listedOnly)
{
    // SQLite gives &, |, << and >> one precedence, so every part is bracketed.
    QString expression;
    int maskPlaceholders = 2;
    switch (mode) {
    case 2:
        expression = QStringLiteral("\"Groups\" = (\"Groups\" & ~?)");
        maskPlaceholders = 1;
        break;
    case 3:
        expression = QStringLiteral("\"Groups\" = (~(\"Groups\" & ?)) & (\"Groups\" | ?)");
        break;
    case 4:
        expression = QStringLiteral("\"Groups\" = (\"Groups\" & ?) | ((\"Groups\" & ~?) >> 1)");
        break;
    case 5:
        expression = QStringLiteral("\"Groups\" = (\"Groups\" & ?) | ((\"Groups\" & ~?) << 1)");
        break;
    default:
        expression = QStringLiteral("\"Groups\" = (\"Groups\" | ?)");
        maskPlaceholders = 1;
        break;
    }
    Scope scope(*this);
    const qint64 groups = listedOnly ? groupsToView() : 0;
    QString sql = QStringLiteral("UPDATE dbtable set %1").arg(expression);
    if (listedOnly)
        sql += QStringLiteral(" WHERE pk IN (SELECT pk FROM dbtable%1)").arg(filterClause());
    sql += QLatin1Char(';');
    DatabaseStatement statement(scope.connection().handle(), sql);
    for (int i = 1; i <= maskPlaceholders; ++i)
        statement.bindInt64(i, mask);
    if (listedOnly)
        bindFilter(statement, maskPlaceholders + 1, groups);
    if (statement.step() != SQLITE_DONE)
        throw insertError(scope.connection());
}

void Database::updateRecordsGroups(qint64 mask, int mode)
{
    applyGroupChange(mask, mode, true);
    refreshBrowser();
}

void Database::updateAllRecordsGroups(qint64 mask, int mode)
{
    applyGroupChange(mask, mode, false);
    refreshBrowser();
}

// ---------------------------------------------------------------- export and import

bool Database::exportCells(const QList<DatabaseOrder> &columns, const std::function<bool(const QStringList &)> &row)
{
    QStringList names;
    QList<int> types;
    for (const DatabaseOrder &column : columns) {
        if (!column._used)
            continue;
        names.append(checkedColumn(column.dbtitle()));
        types.append(fieldTypeByTitle(column.dbtitle()));
    }
    if (names.isEmpty())
        return true;
    Scope scope(*this);
    const qint64 groups = groupsToView();
    const QString order = orderClause();
    DatabaseStatement statement(scope.connection().handle(), QStringLiteral("SELECT %1 FROM dbtable%2%3;")
                                                                 .arg(names.join(QLatin1Char(',')), filterClause(), order));
    bindFilter(statement, 1, groups);
    int rc = SQLITE_ROW;
    QStringList cells;
    while ((rc = statement.step()) == SQLITE_ROW) {
        cells.clear();
        for (int i = 0; i < types.size(); ++i)
            cells.append(exportCell(statement, i, types.at(i)));
        if (!row(cells))
            return false;
    }
    if (rc != SQLITE_DONE)
        throw readError(scope.connection());
    return true;
}

bool Database::exportRecords(const std::function<bool(const QVariantMap &)> &record)
{
    QStringList names;
    QList<const tableField *> read;
    for (const tableField &field : std::as_const(_fieldsStructure)) {
        if (field.type < tableField::Integer || field.type > tableField::Blob)
            continue;
        names.append(quoteIdentifier(field.dbtitle()));
        read.append(&field);
    }
    if (names.isEmpty())
        return true;
    Scope scope(*this);
    const qint64 groups = groupsToView();
    const QString order = orderClause();
    // The same rows in the same order as the browser reads them, every field at once: one
    // statement for the whole list rather than one lookup by key for each record.
    DatabaseStatement statement(scope.connection().handle(), QStringLiteral("SELECT %1 FROM dbtable%2%3;")
                                                                 .arg(names.join(QLatin1Char(',')), filterClause(), order));
    bindFilter(statement, 1, groups);
    int rc = SQLITE_ROW;
    while ((rc = statement.step()) == SQLITE_ROW) {
        QVariantMap values;
        for (int i = 0; i < read.size(); ++i)
            values.insert(read.at(i)->dbtitle(), recordValue(statement, i, read.at(i)->type));
        if (!record(values))
            return false;
    }
    if (rc != SQLITE_DONE)
        throw readError(scope.connection());
    return true;
}

void Database::importDatabase(const QList<DatabaseOrder> &columns, const QStringList &values)
{
    importDatabase(columns, QList<QStringList>{values});
}

int Database::importDatabase(const QList<DatabaseOrder> &columns, const QList<QStringList> &rows)
{
    return importDatabase(columns, rows, {});
}

qint64 Database::recordText(const QVariantMap &values)
{
    qint64 text = 0;
    for (const QVariant &value : values)
        if (value.typeId() == QMetaType::QString)
            text += value.toString().size();
    return text;
}

QString Database::importTextProblem(const QList<DatabaseOrder> &columns, const QList<QStringList> &rows)
{
    qint64 total = 0;
    qint64 record = 0;
    for (const QStringList &values : rows) {
        qint64 text = 0;
        for (qsizetype p = 0; p < columns.size() && p < values.size(); ++p)
            if (columns.at(p)._used)
                text += values.at(p).size();
        ++record;
        if (text > MaximumRecordText)
            return Language::withValues(translated(QStringLiteral("Record %@ holds more than %@ MB of text.")),
                                        {QString::number(record), QString::number(MaximumRecordText / (1024 * 1024))});
        total += text;
        if (total > MaximumImportText)
            return Language::withValues(translated(QStringLiteral("The file holds more than %@ MB of text.")),
                                        {QString::number(MaximumImportText / (1024 * 1024))});
    }
    return QString();
}

int Database::importDatabase(const QList<DatabaseOrder> &columns, const QList<QStringList> &rows,
                             const std::function<bool(int)> &keepGoing, const std::function<bool()> &mayKeep)
{
    const QString problem = importTextProblem(columns, rows);
    if (!problem.isNull())
        throw DatabaseError(problem);
    Scope scope(*this);
    DatabaseConnection &connection = scope.connection();
    // Rows that fill the same columns share one prepared statement.
    std::map<QList<int>, std::unique_ptr<DatabaseStatement>> statements;
    int inserted = 0;
    qint64 lastPk = -1;
    connection.begin();
    int done = 0;
    try {
        for (const QStringList &values : rows) {
            if (keepGoing && !keepGoing(done++)) {
                statements.clear();
                connection.rollback();
                refreshBrowser();
                return -1;
            }
            QList<int> taken;
            for (int p = 0; p < columns.size() && p < values.size(); ++p)
                if (columns.at(p)._used && !values.at(p).isEmpty())
                    taken.append(p);
            if (taken.isEmpty())
                continue;
            std::unique_ptr<DatabaseStatement> &statement = statements[taken];
            if (!statement) {
                QStringList names;
                QStringList placeholders;
                for (int p : std::as_const(taken)) {
                    names.append(QLatin1Char(' ') + checkedColumn(columns.at(p).dbtitle()));
                    placeholders.append(QStringLiteral(" ?"));
                }
                statement = std::make_unique<DatabaseStatement>(
                    connection.handle(), QStringLiteral("INSERT INTO dbtable (%1, \"Groups\") VALUES (%2, 0);")
                                             .arg(names.join(QLatin1Char(',')), placeholders.join(QLatin1Char(','))));
            }
            for (int i = 0; i < taken.size(); ++i)
                statement->bindText(i + 1, values.at(taken.at(i)));
            const int rc = statement->step();
            statement->reset();
            if (rc != SQLITE_DONE)
                throw insertError(connection);
            lastPk = connection.lastInsertRowId();
            ++inserted;
        }
        // A Cancel pressed while the last rows were written still keeps nothing; once the
        // caller agrees to keep them, nothing stops the commit.
        if ((keepGoing && !keepGoing(done)) || (mayKeep && !mayKeep())) {
            statements.clear();
            connection.rollback();
            refreshBrowser();
            return -1;
        }
        statements.clear();
        connection.commit();
    } catch (...) {
        statements.clear();
        connection.rollback();
        refreshBrowser();
        throw;
    }
    if (lastPk >= 0)
        _fieldValues.insert(QStringLiteral("pk"), lastPk);
    refreshBrowser();
    return inserted;
}

void Database::importRecordsFrom(const QString &otherPath)
{
    initFieldsStructure();
    Scope scope(*this);
    DatabaseConnection &connection = scope.connection();
    {
        DatabaseStatement attach(connection.handle(), QStringLiteral("ATTACH DATABASE ? AS other"));
        attach.bindText(1, otherPath);
        if (attach.step() != SQLITE_DONE)
            throw insertError(connection);
    }
    QStringList shared;
    {
        DatabaseStatement columns(connection.handle(), QStringLiteral("SELECT name FROM pragma_table_info('dbtable', 'other')"));
        QStringList theirs;
        while (columns.step() == SQLITE_ROW)
            theirs.append(columns.columnText(0));
        for (const tableField &field : std::as_const(_fieldsStructure))
            if (theirs.contains(field.dbtitle()))
                shared.append(quoteIdentifier(field.dbtitle()));
    }
    if (!shared.isEmpty()) {
        const QString list = shared.join(QStringLiteral(", "));
        connection.begin();
        try {
            connection.exec(QStringLiteral("INSERT INTO main.dbtable (%1) SELECT %1 FROM other.dbtable ORDER BY pk;").arg(list));
            connection.commit();
        } catch (...) {
            connection.rollback();
            connection.exec(QStringLiteral("DETACH DATABASE other"));
            throw;
        }
    }
    connection.exec(QStringLiteral("DETACH DATABASE other"));
    refreshBrowser();
}

} // namespace quillmark
