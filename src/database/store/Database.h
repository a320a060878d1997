#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "database/store/DatabaseOrder.h"
#include "database/store/dbBrowseField.h"
#include "database/store/tableField.h"

namespace quillmark {

class DatabaseConnection;

// One address database file: its field definitions, the values of one current record, its
// settings and group titles, and every statement run on it. Each operation opens the file,
// runs and closes it again; statement preparation failures throw DatabaseError.
class Database
{
public:
    // "groupsToView" value that lists every group and the records of no group. Every bit is
    // set so that groups beyond the sixteenth are listed too.
    static constexpr qint64 AllGroups = -1;
    // Older databases store 65535 for "all groups"; it keeps its meaning.
    static bool isAllGroups(qint64 groupsToView);
    // The longest text one field takes from a file (characters). An address value is short; a
    // cell or card value past this is damaged or hostile and its file is refused, not cut.
    static constexpr qsizetype MaximumTextLength = 4 * 1024 * 1024;
    // What an import may write (characters): one record's fields together, and all its records.
    // Checked before anything is written, so that a file that multiplies its text (a workbook
    // naming one long shared string from every cell) leaves the database as it was.
    static constexpr qint64 MaximumRecordText = MaximumTextLength;
    static constexpr qint64 MaximumImportText = 256LL * 1024 * 1024;
    // Why those rows may not be imported into those columns; null when they may.
    static QString importTextProblem(const QList<DatabaseOrder> &columns, const QList<QStringList> &rows);
    // The text of one record's values (pictures and numbers do not count).
    static qint64 recordText(const QVariantMap &values);

    // ---- the current database (not owned) ----
    static Database *currentDatabase();
    static void setCurrentDatabase(Database *database);
    // "Full Name" for 100, "City, State, Zip" for 101, else the current database's title of
    // the field with that pk, else "".
    static QString fieldTitleAtPk(int pk);
    // The current database's type code of the field with that pk, 0 when there is none.
    static int fieldTypeAtPk(int pk);
    // Moves on whenever any database's settings or field definitions change and whenever
    // another database becomes current: what is kept from them (the titles merge fields
    // draw at every paint) is read again once it has moved.
    static quint64 settingsGeneration();

    // ---- files ----
    // <support>/Databases/ with a trailing slash.
    static QString databasesFolder();
    static QString pathForTitle(const QString &title);
    // The bundle's empty template, the filled sample and the fictional address book.
    static QString templatePath();
    static QString samplePath();
    static QString addressBookSamplePath();
    // Makes a new database file from the template with the default fields, groups and
    // settings. Fails (false, *error set) when the file exists or cannot be written; a
    // failure leaves no file behind. Clears the current database, as releasing any instance does.
    static bool createDatabaseAtPath(const QString &path, QString *error = nullptr);
    // The first run: when the Databases folder does not exist yet, creates it with "US
    // Senators" and "Address Book", the latter with a few fictional people unless the
    // system's contacts are to fill it. Answers whether it was a first run.
    static bool addAddressBook(bool samplePeople = true);
    // Adds the fictional people of the bundle to a database file.
    static void addSamplePeople(const QString &path);
    // Opens a database file the way the editor switches to it: reads its fields, starts a
    // fresh record, adds the form settings it lacks, makes it current and posts
    // "DatabaseChangedNotification". Null, with *error set, when the file cannot be read.
    static std::unique_ptr<Database> openDatabaseAtPath(const QString &path, QString *error = nullptr);

    // Makes the new instance current; opens nothing.
    explicit Database(const QString &path);
    // Clears the current database, whichever instance it is.
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QString path() const { return _path; }
    void setPath(const QString &path);
    QString title() const;

    // Explicit opening for a series of operations; every operation below also opens by
    // itself and closes only what it opened.
    bool openDatabase();
    // Why the last openDatabase() did not hand the file to SQLite at all (a FIFO or device in
    // its place or beside it), for the user; empty otherwise.
    QString openRefusal() const;
    void closeDatabase();
    bool opened() const { return _opened; }
    // The file can be read but not written (write-protected file).
    bool isReadOnly();

    // Runs the operations that follow on one connection and in one transaction, until commit
    // or rollback; importers use it so that a failure leaves no part of an import behind.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();

    // ---- field definitions ----
    void initFieldsStructure();
    void initFieldValues();
    const QList<tableField> &fieldsStructure() const { return _fieldsStructure; }
    QVariantMap &fieldValues() { return _fieldValues; }
    const QVariantMap &fieldValues() const { return _fieldValues; }
    QString fieldIdByPK(int pk) const;
    QString fieldTitleByPK(int pk) const;
    int fieldTypeByTitle(const QString &columnName) const;
    int fieldPkByTitle(const QString &columnName) const;
    // Number of fields offered for import (flags & 2).
    int importCount() const;
    // The fields offered for merging (flags & 3), in pk order.
    QList<tableField> mergeFields() const;
    void addFieldTitle(const QString &title, int type, int flag);
    void alterFieldTable();
    void configure();
    void configureGroups();
    void configureAttributes();

    // ---- settings ----
    QVariantMap attributes() const;
    void addAttribute(const QString &key, const QString &value);
    // A null QString when the key has no row.
    QString testAttributeForKey(const QString &key);
    QString attributeForKey(const QString &key);
    // Adds the row when the key has none.
    void setAttributeForKey(const QString &key, const QString &value);
    QString browseField(bool trim);
    void setBrowseField(int pk);
    QString sortField(qint64 number, bool trim);
    void setSortField(int pk, qint64 number);
    // Sort level 2 or 3 sorts by nothing.
    void removeSortField(qint64 number);
    qint64 sortOrder(qint64 number);
    void setSortOrder(qint64 order, qint64 number);
    // "groupsToView" as a bit mask, a legacy 65535 read as AllGroups.
    qint64 groupsToView();

    // ---- group titles ----
    // A database has at most this many groups: a record's membership is a bit per group.
    static constexpr int MaxGroups = 32;
    struct GroupTitle
    {
        qint64 pk = -1;
        QString title;
    };
    // The group titles with their keys, in group order (the order of groupsArray()).
    QList<GroupTitle> groupTitles();
    int groupsCount();
    void addGrup(const QString &title);
    QStringList readGroupsArray();
    QStringList groupsArray();
    // The pk of the group title at that position of groupsArray(), -1 when none.
    qint64 groupPkAtIndex(int index);
    // Answers SQLITE_DONE (101) only when a group with that pk was renamed.
    int setGroup(const QString &title, qint64 pk);
    // Deletes the group title with that pk; throws when there is none.
    void deleteGroup(qint64 pk);
    // Deletes the group with that key and renumbers the memberships of every record of the
    // database, listed or not: its bit is dropped and the bits above it move down. The shown
    // groups ("groupsToView") are renumbered the same way. One transaction; throws when
    // there is no such group.
    void deleteGroupWithPk(qint64 pk);
    // The same for the group at that position of groupsArray().
    void deleteGroupAtIndex(int index);

    // ---- records ----
    // Loads the record with that key into fieldValues() and answers true; false when there is
    // no such record. Throws when it cannot be read. Either way a failure changes nothing:
    // the values and key of the record loaded before stay together.
    bool initWithPrimaryKey(qint64 pk);
    qint64 insertRecord();
    // Writes every field of fieldValues() to the record under its "pk".
    qint64 updateRecord();
    // Writes only the named columns of fieldValues() to the record with that key, so that what
    // was not edited is never rewritten. Answers whether the record exists.
    bool updateRecordValues(qint64 pk, const QStringList &columnNames);
    void deleteRecordByPrimaryKeys(const QList<qint64> &pks);
    void deleteRecord();
    // Read again after each refreshBrowser(), as the browser's rows are.
    int count();
    qint64 selectedPk() const;
    // Empty when no record is listed.
    QList<dbBrowseField> browserArray();
    void refreshBrowser();
    int indexInBrowserWithPK(qint64 pk);

    // The find clause: SQL over the columns with ? placeholders, and the values for them.
    struct FindClause
    {
        QString sql;
        QVariantList values;
        bool isEmpty() const { return sql.isEmpty(); }
    };
    // "(col LIKE ? and ...)" for the non-empty texts, each matched anywhere in the column.
    // Column names that are not fields of this database are left out.
    FindClause findClause(const QList<std::pair<QString, QString>> &columnTexts) const;
    void setSearchString(const FindClause &clause);
    FindClause searchString() const { return _searchString; }

    // Modes: 2 clears the mask's bits, 3 toggles them, 4 keeps them and moves every other bit
    // one place down, 5 one place up; any other mode sets them. Acts on the listed records.
    void updateRecordsGroups(qint64 mask, int mode);
    // The same over every record of the database, whatever is listed.
    void updateAllRecordsGroups(qint64 mask, int mode);

    // The delimited text of the records the browser shows; defined beside the text format, in
    // database/exchange/Database_export.cpp.
    QString exportDatabase(const QList<DatabaseOrder> &columns, QChar delimiter);
    // The same text handed on piece by piece as the records are read, so that a list of any
    // length is written without being held whole; `write` answers false to stop, and so does
    // the call then.
    bool exportDatabase(const QList<DatabaseOrder> &columns, QChar delimiter, const std::function<bool(const QString &text)> &write);
    // Every field of each record the browser shows, in its order, keyed by column name as the
    // current record holds them; the current record is left as it is. `record` answers false to
    // stop, and so does the call then.
    bool exportRecords(const std::function<bool(const QVariantMap &values)> &record);
    void importDatabase(const QList<DatabaseOrder> &columns, const QStringList &values);
    // Many rows in one transaction; answers the number of records inserted. Rows whose text is
    // more than the bounds above are refused (DatabaseError) before anything is written.
    int importDatabase(const QList<DatabaseOrder> &columns, const QList<QStringList> &rows);
    // The same, asking `keepGoing` before each row with the number of rows done, and after
    // the last row `mayKeep` once before the commit; when either answers false nothing of the
    // import is kept and the answer is -1.
    int importDatabase(const QList<DatabaseOrder> &columns, const QList<QStringList> &rows,
                       const std::function<bool(int)> &keepGoing, const std::function<bool()> &mayKeep = {});

    // The SQL form of a column name, quoted as an identifier.
    static QString quoteIdentifier(const QString &name);

private:
    friend class DatabaseRecordReader;
    // One column of a record row as the current record holds it, by its field's type.
    static QVariant recordValue(const class DatabaseStatement &statement, int column, int type);
    // Makes the values, read together with their "pk", the current record.
    void setCurrentRecord(const QVariantMap &values);

    // Opens the connection unless it is open, and closes it at the end of the scope only when
    // it opened it, so a nested operation never closes its caller's connection.
    class Scope
    {
    public:
        explicit Scope(Database &db);
        ~Scope();
        DatabaseConnection &connection();

    private:
        Database &m_db;
        bool m_opened;
    };

    // Adds a row for every default setting.
    void addDefaultAttributes(DatabaseConnection &connection);
    // Makes the settings table of an older file that has none, with every default; answers
    // whether the table was there already.
    bool ensureAttributesTable(DatabaseConnection &connection);
    // A column name that is a field of this database, quoted; throws when it is none.
    QString checkedColumn(const QString &columnName) const;
    // " where ..." of the browser: the group filter and the find clause.
    QString filterClause() const;
    int bindFilter(class DatabaseStatement &statement, int index, qint64 groups) const;
    QString orderClause();
    void applyGroupChange(qint64 mask, int mode, bool listedOnly);
    // The cells of the listed, used columns of every record the browser shows, in its order,
    // as the text export writes them before quoting; `row` answers false to stop.
    bool exportCells(const QList<DatabaseOrder> &columns, const std::function<bool(const QStringList &)> &row);
    void importRecordsFrom(const QString &otherPath);

    QString _path;
    std::unique_ptr<DatabaseConnection> _database;
    QList<tableField> _fieldsStructure;
    QVariantMap _fieldValues;
    FindClause _searchString;
    std::optional<QList<dbBrowseField>> _browseArray;
    std::optional<int> _count;
    bool _dirty = false;
    bool _opened = false;
    bool _transactionOpenedConnection = false;
};

} // namespace quillmark
