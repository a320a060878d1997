#include "database/store/Database.h"

#include "database/store/DatabaseConnection.h"
#include "database/store/DatabaseError.h"
#include "database/store/DatabaseStatement.h"
#include "database/store/MergeContents.h"
#include "platform/Bundle.h"
#include "platform/Format.h"
#include "foundation/Language.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>

#include <sqlite3.h>

namespace quillmark {

namespace {

Database *s_currentDatabase = nullptr;
std::atomic<quint64> s_settingsGeneration{1};

void settingsChanged()
{
    ++s_settingsGeneration;
}

struct DefaultField
{
    const char *title;
    int type;
    int flags;
};

constexpr DefaultField kDefaultFields[] = {
    {"Date", 2, 255},         {"Photo", 4, 1},          {"Salutation", 3, 255},   {"First Name", 3, 255},
    {"Middle Name", 3, 255},  {"Last Name", 3, 255},    {"Company", 3, 255},      {"Title", 3, 255},
    {"Address", 3, 255},      {"City", 3, 255},         {"State", 3, 255},        {"Zip", 3, 255},
    {"Country", 3, 255},      {"Phone Work", 3, 255},   {"Phone Home", 3, 255},   {"Phone Mobile", 3, 255},
    {"Fax", 3, 255},          {"Web", 3, 255},          {"Email", 3, 255},        {"User Field 1", 3, 255},
    {"User Field 2", 3, 255}, {"User Field 3", 3, 255}, {"User Field 4", 3, 255}, {"Groups", 0, 0},
};

// Throws the store's error for a statement whose step did not end as expected.
void checkStep(int rc, int expected, DatabaseConnection &connection, const char *what)
{
    if (rc == expected)
        return;
    throw DatabaseError(QStringLiteral("Error: failed to %1 with message '%2'.")
                            .arg(QLatin1String(what), connection.errorMessage()),
                        connection.errorCode());
}

// Whether the file has that table; a failure to tell throws.
bool hasTable(DatabaseConnection &connection, const QString &table)
{
    DatabaseStatement statement(connection.handle(),
                                QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?"));
    statement.bindText(1, table);
    const int rc = statement.step();
    checkStep(rc, SQLITE_ROW, connection, "read the database");
    return statement.columnInt64(0) > 0;
}

QString trimmedTitle(const QString &title, bool trim)
{
    if (!trim || title.isNull())
        return title;
    QString name = title;
    return name.replace(QLatin1Char(' '), QLatin1Char('_'));
}

} // namespace

// ---------------------------------------------------------------- class level

bool Database::isAllGroups(qint64 groupsToView)
{
    return groupsToView == AllGroups || groupsToView == 65535;
}

Database *Database::currentDatabase()
{
    return s_currentDatabase;
}

void Database::setCurrentDatabase(Database *database)
{
    if (s_currentDatabase != database)
        settingsChanged();
    s_currentDatabase = database;
}

quint64 Database::settingsGeneration()
{
    return s_settingsGeneration;
}

QString Database::fieldTitleAtPk(int pk)
{
    if (pk == 100)
        return QStringLiteral("Full Name");
    if (pk == 101)
        return QStringLiteral("City, State, Zip");
    if (Database *db = currentDatabase()) {
        const QString title = db->fieldTitleByPK(pk);
        if (!title.isNull())
            return title;
    }
    return QStringLiteral("");
}

int Database::fieldTypeAtPk(int pk)
{
    if (Database *db = currentDatabase()) {
        for (const tableField &field : db->fieldsStructure())
            if (field.pk == pk)
                return field.type;
    }
    return 0;
}

QString Database::databasesFolder()
{
    return Bundle::quillmarkSupportPath() + QStringLiteral("/Databases/");
}

QString Database::pathForTitle(const QString &title)
{
    return databasesFolder() + title + QStringLiteral(".sqlite");
}

QString Database::templatePath()
{
    return Bundle::pathForResource(QStringLiteral("db"), QStringLiteral("sqlite"), QStringLiteral("Databases"));
}

QString Database::samplePath()
{
    return Bundle::pathForResource(QStringLiteral("senators"), QStringLiteral("sqlite"), QStringLiteral("Databases"));
}

QString Database::addressBookSamplePath()
{
    return Bundle::pathForResource(QStringLiteral("addressbook"), QStringLiteral("sqlite"),
                                   QStringLiteral("Databases"));
}

bool Database::createDatabaseAtPath(const QString &path, QString *error)
{
    auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    const QString source = templatePath();
    if (source.isEmpty())
        return fail(translated(QStringLiteral("The database template is missing.")));
    if (QFileInfo::exists(path))
        return fail(translated(QStringLiteral("A database with this name already exists.")));
    // Built under a temporary name so that a failure never leaves a half-made database.
    const QString partial = path + QStringLiteral(".partial");
    QFile::remove(partial);
    // own file: the empty database template shipped in the program's resources.
    if (!QFile::copy(source, partial))
        return fail(translated(QStringLiteral("The database template could not be copied.")));
    QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    try {
        Database db(partial);
        if (!db.openDatabase())
            throw DatabaseError(QStringLiteral("unable to openDatabase"));
        // One transaction: the file is written to disk once, not once per statement.
        db.beginTransaction();
        db.alterFieldTable();
        for (const DefaultField &field : kDefaultFields)
            db.addFieldTitle(QString::fromLatin1(field.title), field.type, field.flags);
        db.initFieldsStructure();
        db.initFieldValues();
        db.configure();
        db.configureGroups();
        db.configureAttributes();
        db.commitTransaction();
        db.closeDatabase();
    } catch (const DatabaseError &e) {
        QFile::remove(partial);
        return fail(e.message());
    }
    if (!QFile::rename(partial, path)) {
        QFile::remove(partial);
        return fail(translated(QStringLiteral("The database could not be written.")));
    }
    return true;
}

bool Database::addAddressBook(bool samplePeople)
{
    const QString folder = QDir::cleanPath(databasesFolder());
    const QFileInfo info(folder);
    if (info.isDir())
        return false;
    // Something else under that name is the user's; it is left alone and nothing is created.
    if (info.exists() || info.isSymLink() || !QDir().mkpath(folder)) {
        qWarning("The Databases folder could not be created at %s", qPrintable(folder));
        return false;
    }

    const QString sample = samplePath();
    const QString senators = pathForTitle(QStringLiteral("US Senators"));
    // own file: the sample database shipped in the program's resources.
    if (!sample.isEmpty() && QFile::copy(sample, senators))
        QFile::setPermissions(senators, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

    const QString addressBook = pathForTitle(QStringLiteral("Address Book"));
    if (!createDatabaseAtPath(addressBook))
        return true;
    if (samplePeople)
        addSamplePeople(addressBook);
    return true;
}

void Database::addSamplePeople(const QString &path)
{
    const QString people = addressBookSamplePath();
    if (people.isEmpty())
        return;
    // Made current by its construction, the instance must not leave the open one behind.
    Database *current = currentDatabase();
    try {
        Database db(path);
        db.importRecordsFrom(people);
    } catch (const DatabaseError &e) {
        qWarning("%s", qPrintable(e.message()));
    }
    setCurrentDatabase(current);
}

std::unique_ptr<Database> Database::openDatabaseAtPath(const QString &path, QString *error)
{
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("unable to openDatabase");
        return nullptr;
    }
    auto db = std::make_unique<Database>(path);
    try {
        if (!db->openDatabase()) {
            const QString refusal = db->openRefusal();
            throw DatabaseError(refusal.isEmpty() ? QStringLiteral("unable to openDatabase") : refusal);
        }
        db->initFieldsStructure();
        db->initFieldValues();
        for (const char *key : {"fieldsToView", "fieldsOrderArray"}) {
            const QString name = QString::fromLatin1(key);
            if (!db->attributeForKey(name).isNull())
                continue;
            try {
                db->addAttribute(name, db->attributes().value(name).toString());
            } catch (const DatabaseError &e) {
                // A write-protected file is shown with the default; it is not stored.
                if (!e.isReadOnly())
                    throw;
            }
        }
        db->closeDatabase();
    } catch (const DatabaseError &e) {
        if (error)
            *error = e.message();
        return nullptr;
    }
    setCurrentDatabase(db.get());
    MergeContents::postDatabaseChanged();
    return db;
}

// ---------------------------------------------------------------- life cycle

Database::Database(const QString &path)
    : _path(path)
{
    settingsChanged();
    s_currentDatabase = this;
}

Database::~Database()
{
    settingsChanged();
    s_currentDatabase = nullptr;
}

void Database::setPath(const QString &path)
{
    _path = path;
}

QString Database::title() const
{
    return QFileInfo(_path).completeBaseName();
}

bool Database::openDatabase()
{
    if (_opened)
        return true;
    auto connection = std::make_unique<DatabaseConnection>(_path);
    const bool ok = connection->isOpen();
    if (!ok)
        qWarning("unable to openDatabase");
    // Kept even when it failed, so the next statement reports SQLite's reason.
    _database = std::move(connection);
    _opened = ok;
    return ok;
}

QString Database::openRefusal() const
{
    return _database ? _database->refusal() : QString();
}

bool Database::isReadOnly()
{
    Scope scope(*this);
    return scope.connection().isReadOnly();
}

void Database::closeDatabase()
{
    _transactionOpenedConnection = false;
    _database.reset();
    _opened = false;
}

void Database::beginTransaction()
{
    if (!_database) {
        openDatabase();
        _transactionOpenedConnection = true;
    }
    _database->begin();
}

void Database::commitTransaction()
{
    if (!_database)
        return;
    try {
        _database->commit();
    } catch (...) {
        rollbackTransaction();
        throw;
    }
    if (_transactionOpenedConnection && !_database->inTransaction()) {
        _transactionOpenedConnection = false;
        closeDatabase();
    }
}

void Database::rollbackTransaction()
{
    if (!_database)
        return;
    _database->rollback();
    if (_transactionOpenedConnection) {
        _transactionOpenedConnection = false;
        closeDatabase();
    }
    refreshBrowser();
}

Database::Scope::Scope(Database &db)
    : m_db(db), m_opened(!db._database)
{
    if (m_opened)
        db.openDatabase();
}

Database::Scope::~Scope()
{
    if (m_opened)
        m_db.closeDatabase();
}

DatabaseConnection &Database::Scope::connection()
{
    return *m_db._database;
}

// ---------------------------------------------------------------- field definitions

void Database::initFieldsStructure()
{
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(),
                                QStringLiteral("SELECT pk, title, type, flags FROM fields ORDER BY pk;"));
    QList<tableField> fields;
    int rc = SQLITE_ROW;
    while ((rc = statement.step()) == SQLITE_ROW)
        fields.append(tableField(qint32(statement.columnInt64(0)), statement.columnText(1),
                                 qint32(statement.columnInt64(2)), qint32(statement.columnInt64(3))));
    // Half a field table would make a form that writes to the wrong columns.
    checkStep(rc, SQLITE_DONE, scope.connection(), "read the database");
    _fieldsStructure = fields;
    settingsChanged();
}

void Database::initFieldValues()
{
    for (const tableField &field : std::as_const(_fieldsStructure)) {
        if (field.type == tableField::Date)
            _fieldValues.insert(field.dbtitle(), QDateTime::currentDateTimeUtc());
        else
            _fieldValues.insert(field.dbtitle(), QStringLiteral(""));
    }
}

QString Database::fieldIdByPK(int pk) const
{
    QString found;
    for (const tableField &field : _fieldsStructure)
        if (field.pk == pk)
            found = field.dbtitle();
    return found;
}

QString Database::fieldTitleByPK(int pk) const
{
    QString found;
    for (const tableField &field : _fieldsStructure)
        if (field.pk == pk)
            found = field.title;
    return found;
}

int Database::fieldTypeByTitle(const QString &columnName) const
{
    for (const tableField &field : _fieldsStructure)
        if (field.dbtitle() == columnName)
            return field.type;
    return 0;
}

int Database::fieldPkByTitle(const QString &columnName) const
{
    for (const tableField &field : _fieldsStructure)
        if (field.dbtitle() == columnName)
            return field.pk;
    return -1;
}

int Database::importCount() const
{
    int n = 0;
    for (const tableField &field : _fieldsStructure)
        if (field.flags & 2)
            ++n;
    return n;
}

QList<tableField> Database::mergeFields() const
{
    QList<tableField> fields;
    for (const tableField &field : _fieldsStructure)
        if (field.isMergeable())
            fields.append(field);
    return fields;
}

void Database::addFieldTitle(const QString &title, int type, int flag)
{
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(),
                                QStringLiteral("INSERT INTO fields (title, type, flags) VALUES(?, ?, ?)"));
    statement.bindText(1, title);
    statement.bindInt64(2, type);
    statement.bindInt64(3, flag);
    checkStep(statement.step(), SQLITE_DONE, scope.connection(), "insert into the database");
}

void Database::alterFieldTable()
{
    Scope scope(*this);
    scope.connection().exec(QStringLiteral("ALTER TABLE fields ADD 'flags' INTEGER"));
}

void Database::configure()
{
    Scope scope(*this);
    QString sql = QStringLiteral("CREATE TABLE dbtable ('pk' INTEGER PRIMARY KEY");
    for (const tableField &field : std::as_const(_fieldsStructure)) {
        QString name = field.dbtitle();
        sql += QStringLiteral(", '%1' %2").arg(name.replace(QLatin1Char('\''), QStringLiteral("''")),
                                               tableField::sqlType(field.type));
    }
    sql += QStringLiteral(");");
    try {
        scope.connection().exec(sql);
    } catch (const DatabaseError &) {
    }
}

void Database::configureGroups()
{
    Scope scope(*this);
    try {
        scope.connection().exec(QStringLiteral("CREATE TABLE dbgroups ('pk' INTEGER PRIMARY KEY, 'title' TEXT)"));
    } catch (const DatabaseError &) {
        // The table is there already: its titles stay as they are.
        return;
    }
    for (int i = 1; i <= 8; ++i)
        addGrup(QStringLiteral("Group %1").arg(i));
}

void Database::configureAttributes()
{
    Scope scope(*this);
    try {
        scope.connection().exec(
            QStringLiteral("CREATE TABLE dbattributes ('pk' INTEGER PRIMARY KEY, 'dbkey' TEXT, 'dbvalue' TEXT)"));
    } catch (const DatabaseError &) {
        return;
    }
    addDefaultAttributes(scope.connection());
}

void Database::addDefaultAttributes(DatabaseConnection &connection)
{
    settingsChanged();
    DatabaseStatement statement(connection.handle(),
                                QStringLiteral("INSERT INTO dbattributes (dbkey, dbvalue) VALUES(?, ?)"));
    const QVariantMap defaults = attributes();
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
        statement.bindText(1, it.key());
        statement.bindText(2, it.value().toString());
        checkStep(statement.step(), SQLITE_DONE, connection, "insert into the database");
        statement.reset();
    }
}

bool Database::ensureAttributesTable(DatabaseConnection &connection)
{
    if (hasTable(connection, QStringLiteral("dbattributes")))
        return true;
    // An older database without a settings table: it gets one with every default, so that
    // no setting is missing afterwards. One transaction, so that a failure adds nothing.
    connection.begin();
    try {
        connection.exec(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS dbattributes ('pk' INTEGER PRIMARY KEY, 'dbkey' TEXT, 'dbvalue' TEXT)"));
        addDefaultAttributes(connection);
        connection.commit();
    } catch (...) {
        connection.rollback();
        throw;
    }
    return false;
}

// ---------------------------------------------------------------- settings

QVariantMap Database::attributes() const
{
    QStringList order;
    for (int i = 0; i < _fieldsStructure.size(); ++i)
        order.append(QString::number(i));
    return {
        {QStringLiteral("browseField"), QStringLiteral("Last Name")},
        {QStringLiteral("sortField1"), QStringLiteral("Last Name")},
        {QStringLiteral("sortField2"), QStringLiteral("")},
        {QStringLiteral("sortField3"), QStringLiteral("")},
        {QStringLiteral("sortOrder1"), QStringLiteral("0")},
        {QStringLiteral("sortOrder2"), QStringLiteral("0")},
        {QStringLiteral("sortOrder3"), QStringLiteral("0")},
        {QStringLiteral("groupsToView"), QString::number(AllGroups)},
        {QStringLiteral("fieldsToView"), QStringLiteral("-1")},
        {QStringLiteral("fieldsOrderArray"), order.isEmpty() ? QStringLiteral("") : order.join(QLatin1Char(':'))},
    };
}

void Database::addAttribute(const QString &key, const QString &value)
{
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(),
                                QStringLiteral("INSERT INTO dbattributes (dbkey, dbvalue) VALUES(?, ?)"));
    statement.bindText(1, key);
    statement.bindText(2, value);
    settingsChanged();
    checkStep(statement.step(), SQLITE_DONE, scope.connection(), "insert into the database");
}

QString Database::testAttributeForKey(const QString &key)
{
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(),
                                QStringLiteral("SELECT dbvalue FROM dbattributes where dbkey=? ORDER BY pk;"));
    statement.bindText(1, key);
    QString value;
    int rc = SQLITE_ROW;
    while ((rc = statement.step()) == SQLITE_ROW) {
        value = statement.columnText(0);
        if (value.isNull())
            value = QStringLiteral("");
    }
    // A read cut short is no answer: "no row" would make callers add a default over the
    // user's setting.
    checkStep(rc, SQLITE_DONE, scope.connection(), "read the database");
    return value;
}

QString Database::attributeForKey(const QString &key)
{
    Scope scope(*this);
    try {
        return testAttributeForKey(key);
    } catch (const DatabaseError &e) {
        // Only a file without the settings table is an older database. A file that is busy,
        // damaged or unreadable says so: its settings are never replaced by defaults.
        if (e.isBusy() || e.isReadOnly() || hasTable(scope.connection(), QStringLiteral("dbattributes")))
            throw;
    }
    try {
        ensureAttributesTable(scope.connection());
    } catch (const DatabaseError &e) {
        // A write-protected old file still lists its records with the defaults.
        if (e.isBusy())
            throw;
        qWarning("%s", qPrintable(e.message()));
    }
    const QVariantMap defaults = attributes();
    return defaults.contains(key) ? defaults.value(key).toString() : QString();
}

void Database::setAttributeForKey(const QString &key, const QString &value)
{
    Scope scope(*this);
    DatabaseConnection &connection = scope.connection();
    ensureAttributesTable(connection);
    DatabaseStatement statement(connection.handle(), QStringLiteral("UPDATE dbattributes set dbvalue =? where dbkey=?"));
    statement.bindText(1, value);
    statement.bindText(2, key);
    settingsChanged();
    checkStep(statement.step(), SQLITE_DONE, connection, "update the database");
    if (connection.changes() == 0)
        addAttribute(key, value);
}

QString Database::browseField(bool trim)
{
    return trimmedTitle(attributeForKey(QStringLiteral("browseField")), trim);
}

void Database::setBrowseField(int pk)
{
    const QString title = fieldTitleByPK(pk);
    if (title.isNull())
        return;
    setAttributeForKey(QStringLiteral("browseField"), title);
    refreshBrowser();
}

QString Database::sortField(qint64 number, bool trim)
{
    return trimmedTitle(attributeForKey(QStringLiteral("sortField%1").arg(number)), trim);
}

void Database::setSortField(int pk, qint64 number)
{
    const QString title = fieldTitleByPK(pk);
    if (title.isNull())
        return;
    setAttributeForKey(QStringLiteral("sortField%1").arg(number), title);
    refreshBrowser();
}

void Database::removeSortField(qint64 number)
{
    setAttributeForKey(QStringLiteral("sortField%1").arg(number), QStringLiteral(""));
    refreshBrowser();
}

qint64 Database::sortOrder(qint64 number)
{
    return leadingInt64(attributeForKey(QStringLiteral("sortOrder%1").arg(number)));
}

void Database::setSortOrder(qint64 order, qint64 number)
{
    setAttributeForKey(QStringLiteral("sortOrder%1").arg(number), QString::number(order));
    refreshBrowser();
}

qint64 Database::groupsToView()
{
    const qint64 groups = leadingInt64(attributeForKey(QStringLiteral("groupsToView")));
    return isAllGroups(groups) ? AllGroups : groups;
}

// ---------------------------------------------------------------- group titles

int Database::groupsCount()
{
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(), QStringLiteral("SELECT count(*) FROM dbgroups"));
    const int rc = statement.step();
    checkStep(rc, SQLITE_ROW, scope.connection(), "read the database");
    return int(statement.columnInt64(0));
}

void Database::addGrup(const QString &title)
{
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(), QStringLiteral("INSERT INTO dbgroups (title) VALUES(?)"));
    statement.bindText(1, title);
    checkStep(statement.step(), SQLITE_DONE, scope.connection(), "insert into the database");
}

QStringList Database::readGroupsArray()
{
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(), QStringLiteral("SELECT pk, title FROM dbgroups ORDER BY pk"));
    QStringList titles;
    int rc = SQLITE_ROW;
    while ((rc = statement.step()) == SQLITE_ROW) {
        const QString title = statement.columnText(1);
        titles.append(title.isNull() ? QStringLiteral("") : title);
    }
    checkStep(rc, SQLITE_DONE, scope.connection(), "read the database");
    return titles;
}

QStringList Database::groupsArray()
{
    Scope scope(*this);
    try {
        return readGroupsArray();
    } catch (const DatabaseError &e) {
        // Only a file without the group table gets the default groups.
        if (e.isBusy() || e.isReadOnly() || hasTable(scope.connection(), QStringLiteral("dbgroups")))
            throw;
    }
    configureGroups();
    return readGroupsArray();
}

QList<Database::GroupTitle> Database::groupTitles()
{
    // The same fallback as groupsArray(): a file without the group table gets the defaults.
    groupsArray();
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(), QStringLiteral("SELECT pk, title FROM dbgroups ORDER BY pk"));
    QList<GroupTitle> groups;
    int rc = SQLITE_ROW;
    while ((rc = statement.step()) == SQLITE_ROW) {
        const QString title = statement.columnText(1);
        groups.append({statement.columnInt64(0), title.isNull() ? QStringLiteral("") : title});
    }
    checkStep(rc, SQLITE_DONE, scope.connection(), "read the database");
    return groups;
}

qint64 Database::groupPkAtIndex(int index)
{
    if (index < 0)
        return -1;
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(),
                                QStringLiteral("SELECT pk FROM dbgroups ORDER BY pk LIMIT 1 OFFSET ?"));
    statement.bindInt64(1, index);
    return statement.step() == SQLITE_ROW ? statement.columnInt64(0) : -1;
}

int Database::setGroup(const QString &title, qint64 pk)
{
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(), QStringLiteral("UPDATE dbgroups set title =? where pk=?"));
    statement.bindText(1, title);
    statement.bindInt64(2, pk);
    const int rc = statement.step();
    if (rc == SQLITE_DONE && scope.connection().changes() == 0)
        return SQLITE_NOTFOUND;
    return rc;
}

void Database::deleteGroup(qint64 pk)
{
    Scope scope(*this);
    DatabaseStatement statement(scope.connection().handle(), QStringLiteral("DELETE FROM dbgroups where pk =?"));
    statement.bindInt64(1, pk);
    const int rc = statement.step();
    if (rc != SQLITE_DONE || scope.connection().changes() == 0) {
        const QString reason = rc != SQLITE_DONE ? scope.connection().errorMessage() : QStringLiteral("no such group");
        throw DatabaseError(QStringLiteral("Error: failed to delete from database with message '%1'.").arg(reason));
    }
}

void Database::deleteGroupAtIndex(int index)
{
    const qint64 pk = index < 0 ? -1 : groupPkAtIndex(index);
    if (pk < 0)
        throw DatabaseError(QStringLiteral("Error: failed to delete from database with message 'no such group'."));
    deleteGroupWithPk(pk);
}

void Database::deleteGroupWithPk(qint64 pk)
{
    Scope scope(*this);
    DatabaseConnection &connection = scope.connection();
    // Read before the transaction: an older file gets its settings table here, not inside it.
    const qint64 shown = groupsToView();
    connection.begin();
    try {
        // The group's bit is its position among the groups as they are inside the
        // transaction, whatever a list on screen showed.
        int index = -1;
        {
            DatabaseStatement statement(connection.handle(), QStringLiteral("SELECT pk FROM dbgroups ORDER BY pk"));
            int rc = SQLITE_ROW;
            for (int i = 0; (rc = statement.step()) == SQLITE_ROW; ++i)
                if (statement.columnInt64(0) == pk)
                    index = i;
            checkStep(rc, SQLITE_DONE, connection, "read the database");
        }
        if (index < 0 || index > 62)
            throw DatabaseError(QStringLiteral("Error: failed to delete from database with message 'no such group'."));
        deleteGroup(pk);
        const qint64 bit = qint64(1) << index;
        applyGroupChange(bit, 2, false);
        applyGroupChange(bit - 1, 4, false);
        if (!isAllGroups(shown)) {
            // The groups shown keep showing under their new numbers.
            const qint64 renumbered = (shown & (bit - 1)) | ((shown >> (index + 1)) << index);
            setAttributeForKey(QStringLiteral("groupsToView"), QString::number(renumbered));
        }
        connection.commit();
    } catch (...) {
        connection.rollback();
        refreshBrowser();
        throw;
    }
    refreshBrowser();
}

} // namespace quillmark
