// The database file: its schema, default fields, groups and settings as an independent reader
// (the sqlite3 program) sees them, the bundled databases, the first run, the list of files and
// the current database.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <sys/stat.h>

#include "common/FifoRelease.h"
#include "database/store/Database.h"
#include "database/store/DatabaseConnection.h"
#include "database/store/DatabaseError.h"
#include "database/store/DatabasesListDataSource.h"
#include "database/store/MergeContents.h"
#include "database/store/tableField.h"
#include "platform/NotificationCenter.h"
#include "database/DatabaseTestSupport.h"

using namespace quillmark;

namespace {

const char *const kDefaultFieldRows =
    "1|Date|2|255\n2|Photo|4|1\n3|Salutation|3|255\n4|First Name|3|255\n5|Middle Name|3|255\n"
    "6|Last Name|3|255\n7|Company|3|255\n8|Title|3|255\n9|Address|3|255\n10|City|3|255\n11|State|3|255\n"
    "12|Zip|3|255\n13|Country|3|255\n14|Phone Work|3|255\n15|Phone Home|3|255\n16|Phone Mobile|3|255\n"
    "17|Fax|3|255\n18|Web|3|255\n19|Email|3|255\n20|User Field 1|3|255\n21|User Field 2|3|255\n"
    "22|User Field 3|3|255\n23|User Field 4|3|255\n24|Groups|0|0\n";

QString expectedSchema()
{
    return QStringLiteral(
        "CREATE TABLE fields ('pk' INTEGER PRIMARY KEY, 'title' TEXT, 'type' INTEGER, 'flags' INTEGER);\n"
        "CREATE TABLE dbtable ('pk' INTEGER PRIMARY KEY, 'Date' DATE, 'Photo' BLOB, 'Salutation' TEXT, "
        "'First_Name' TEXT, 'Middle_Name' TEXT, 'Last_Name' TEXT, 'Company' TEXT, 'Title' TEXT, "
        "'Address' TEXT, 'City' TEXT, 'State' TEXT, 'Zip' TEXT, 'Country' TEXT, 'Phone_Work' TEXT, "
        "'Phone_Home' TEXT, 'Phone_Mobile' TEXT, 'Fax' TEXT, 'Web' TEXT, 'Email' TEXT, "
        "'User_Field_1' TEXT, 'User_Field_2' TEXT, 'User_Field_3' TEXT, 'User_Field_4' TEXT, "
        "'Groups' INTEGER);\n"
        "CREATE TABLE dbgroups ('pk' INTEGER PRIMARY KEY, 'title' TEXT);\n"
        "CREATE TABLE dbattributes ('pk' INTEGER PRIMARY KEY, 'dbkey' TEXT, 'dbvalue' TEXT);\n");
}

QString expectedSettings()
{
    QStringList order;
    for (int i = 0; i < 24; ++i)
        order << QString::number(i);
    return QStringLiteral("browseField|Last Name\nfieldsOrderArray|%1\nfieldsToView|-1\ngroupsToView|-1\n"
                          "sortField1|Last Name\nsortField2|\nsortField3|\nsortOrder1|0\nsortOrder2|0\nsortOrder3|0\n")
        .arg(order.join(':'));
}

} // namespace

TEST(DatabaseFiles, FreshDatabaseHasTheSchemaFieldsGroupsAndSettings)
{
    const QString path = dbtest::freshDatabasePath();
    EXPECT_EQ(dbtest::sqliteCli(path, ".schema"), expectedSchema());
    EXPECT_EQ(dbtest::sqliteCli(path, "SELECT pk, title, type, flags FROM fields ORDER BY pk;"),
              QString::fromLatin1(kDefaultFieldRows));
    EXPECT_EQ(dbtest::sqliteCli(path, "SELECT pk, title FROM dbgroups ORDER BY pk;"),
              "1|Group 1\n2|Group 2\n3|Group 3\n4|Group 4\n5|Group 5\n6|Group 6\n7|Group 7\n8|Group 8\n");
    EXPECT_EQ(dbtest::sqliteCli(path, "SELECT dbkey, dbvalue FROM dbattributes ORDER BY dbkey;"), expectedSettings());
    EXPECT_EQ(dbtest::sqliteCli(path, "SELECT count(*) FROM dbtable;"), "0\n");
    EXPECT_FALSE(QFileInfo::exists(path + ".partial"));
    EXPECT_EQ(Database::currentDatabase(), nullptr);
}

TEST(DatabaseFiles, CreationRefusesAnExistingFileAndLeavesItAlone)
{
    const QString path = dbtest::freshDatabasePath();
    const QString before = dbtest::sqliteCli(path, "SELECT count(*) FROM fields;");
    QString error;
    EXPECT_FALSE(Database::createDatabaseAtPath(path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(dbtest::sqliteCli(path, "SELECT count(*) FROM fields;"), before);
}

TEST(DatabaseFiles, BundledDatabasesHaveTheFullSchema)
{
    EXPECT_EQ(dbtest::sqliteCli(Database::templatePath(), ".schema"),
              "CREATE TABLE fields ('pk' INTEGER PRIMARY KEY, 'title' TEXT, 'type' INTEGER);\n");
    EXPECT_EQ(dbtest::sqliteCli(Database::templatePath(), "SELECT count(*) FROM fields;"), "0\n");
    for (const QString &path : {Database::samplePath(), Database::addressBookSamplePath()}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(dbtest::sqliteCli(path, ".schema"), expectedSchema());
        EXPECT_EQ(dbtest::sqliteCli(path, "SELECT pk, title, type, flags FROM fields ORDER BY pk;"),
                  QString::fromLatin1(kDefaultFieldRows));
        EXPECT_EQ(dbtest::sqliteCli(path, "SELECT count(*) FROM dbgroups;"), "8\n");
        EXPECT_EQ(dbtest::sqliteCli(path, "PRAGMA integrity_check;"), "ok\n");
    }
    EXPECT_GE(dbtest::sqliteCli(Database::samplePath(), "SELECT count(*) FROM dbtable;").trimmed().toInt(), 50);
    EXPECT_EQ(dbtest::sqliteCli(Database::samplePath(),
                                "SELECT count(*) FROM dbtable WHERE Groups = 0 OR Last_Name IS NULL;"),
              "0\n");
}

TEST(DatabaseFiles, FirstRunCreatesBothDatabasesOnce)
{
    const QString folder = Database::databasesFolder();
    QDir(folder).removeRecursively();
    ASSERT_TRUE(Database::addAddressBook());
    const QString book = Database::pathForTitle("Address Book");
    const QString senators = Database::pathForTitle("US Senators");
    ASSERT_TRUE(QFileInfo::exists(book));
    ASSERT_TRUE(QFileInfo::exists(senators));
    EXPECT_EQ(dbtest::sqliteCli(book, ".schema"), expectedSchema());
    EXPECT_EQ(dbtest::sqliteCli(book, "SELECT count(*) FROM dbtable;"), "5\n");
    EXPECT_EQ(dbtest::sqliteCli(book, "SELECT First_Name || ' ' || Last_Name FROM dbtable WHERE pk = 1;"), "Ann Lee\n");
    EXPECT_EQ(dbtest::sqliteCli(senators, "SELECT count(*) FROM dbtable;"),
              dbtest::sqliteCli(Database::samplePath(), "SELECT count(*) FROM dbtable;"));
    EXPECT_TRUE(QFileInfo(senators).isWritable());

    // The folder exists now: nothing happens, not even when it is empty.
    QFile::remove(book);
    QFile::remove(senators);
    EXPECT_FALSE(Database::addAddressBook());
    EXPECT_FALSE(QFileInfo::exists(book));
    EXPECT_TRUE(DatabasesListDataSource::databasePathsInFolder(folder).isEmpty());
    QDir(folder).removeRecursively();
}

TEST(DatabaseFiles, FirstRunLeavesAFileInThePlaceOfTheFolderAlone)
{
    const QString folder = QDir::cleanPath(Database::databasesFolder());
    QDir(folder).removeRecursively();
    QFile file(folder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("mine");
    file.close();
    EXPECT_FALSE(Database::addAddressBook());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "mine");
    file.close();
    QFile::remove(folder);
}

TEST(DatabaseFiles, ListSortsCaseSensitivelyAndFindsTitles)
{
    const QString folder = qmtest::freshDir("list");
    for (const char *name : {"alpha.sqlite", "Zeta.sqlite", "Middle.sqlite", "notes.txt", "beta.sqlite-journal"}) {
        QFile file(folder + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QStringList paths = DatabasesListDataSource::databasePathsInFolder(folder);
    ASSERT_EQ(paths.size(), 3);
    EXPECT_TRUE(paths.at(0).endsWith("/Middle.sqlite"));
    EXPECT_TRUE(paths.at(1).endsWith("/Zeta.sqlite"));
    EXPECT_TRUE(paths.at(2).endsWith("/alpha.sqlite"));

    QDir(Database::databasesFolder()).removeRecursively();
    QDir().mkpath(Database::databasesFolder());
    dbtest::sqliteCli(Database::pathForTitle("b"), "CREATE TABLE x(a);");
    dbtest::sqliteCli(Database::pathForTitle("A"), "CREATE TABLE x(a);");
    DatabasesListDataSource list;
    list.loadDatabases();
    EXPECT_EQ(list.numberOfRows(), 2);
    EXPECT_EQ(list.titleAtRow(0), "A");
    EXPECT_EQ(list.titleAtRow(2), "");
    EXPECT_EQ(list.indexOfFileName("b"), 1);
    EXPECT_EQ(list.indexOfFileName("B"), -1);
    QDir(Database::databasesFolder()).removeRecursively();
}

TEST(DatabaseFiles, CurrentDatabaseFollowsOpeningAndAnyRelease)
{
    const QString path = dbtest::freshDatabasePath();
    int changes = 0;
    int owner = 0;
    NotificationCenter::defaultCenter().addObserver(&owner, MergeContents::DatabaseChangedNotification,
                                                    [&](const Notification &) { ++changes; });
    auto first = Database::openDatabaseAtPath(path);
    ASSERT_TRUE(first);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Database::currentDatabase(), first.get());
    EXPECT_EQ(first->title(), "Test");
    EXPECT_EQ(first->fieldsStructure().size(), 24);
    EXPECT_FALSE(first->opened());

    {
        Database other(path);
        EXPECT_EQ(Database::currentDatabase(), &other);
        Database::setCurrentDatabase(first.get());
    }
    // Releasing an instance that was not current still leaves no current database.
    EXPECT_EQ(Database::currentDatabase(), nullptr);
    Database::setCurrentDatabase(first.get());
    first.reset();
    EXPECT_EQ(Database::currentDatabase(), nullptr);

    QString error;
    EXPECT_FALSE(Database::openDatabaseAtPath(path + ".missing", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path + ".missing"));
    EXPECT_EQ(changes, 1);
    NotificationCenter::defaultCenter().removeObserver(&owner);
}

TEST(DatabaseFiles, DamagedFileIsRefusedWithAMessage)
{
    const QString path = qmtest::freshDir("bad") + "/Bad.sqlite";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a database at all, just some text long enough to fill a header.......");
    file.close();
    QString error;
    EXPECT_FALSE(Database::openDatabaseAtPath(path, &error));
    EXPECT_TRUE(error.startsWith("Error: failed to prepare statement with message '")) << error.toStdString();
}

// SQLite opens a database's companions by name when it finds them: a FIFO put in the place of
// the rollback journal, the write-ahead log or its shared memory after the database was looked
// at (the connection open, nothing read yet) makes the next statement fail at once instead of
// waiting on the FIFO for good. A regular journal there is SQLite's as before.
TEST(DatabaseFiles, AFifoBesideADatabaseAfterItWasLookedAtFailsTheNextStatementAtOnce)
{
    for (const char *beside : {"-journal", "-wal", "-shm"}) {
        SCOPED_TRACE(beside);
        const QString path = dbtest::freshDatabasePath(QStringLiteral("Gap"));
        const QString fifo = path + QLatin1String(beside);
        // The write-ahead log and its shared memory are looked for only in that mode.
        if (QByteArray(beside) != "-journal") {
            DatabaseConnection wal(path);
            ASSERT_TRUE(wal.isOpen());
            wal.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        }
        ASSERT_FALSE(QFileInfo::exists(fifo));
        DatabaseConnection connection(path);
        ASSERT_TRUE(connection.isOpen());
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        qmtest::FifoRelease release(fifo, std::chrono::seconds(10));
        int rc = SQLITE_DONE;
        try {
            rc = connection.exec(QStringLiteral("SELECT count(*) FROM dbtable"));
        } catch (const DatabaseError &) {
            rc = SQLITE_CANTOPEN;
        }
        EXPECT_FALSE(release.stop()) << "the statement waited on the FIFO until it was let go";
        EXPECT_NE(rc, SQLITE_DONE);
        // Looked at again, it is refused before SQLite sees it, naming the file.
        const DatabaseConnection again(path);
        EXPECT_FALSE(again.isOpen());
        EXPECT_EQ(again.refusal(),
                  QString::fromUtf8("\u201c%1\u201d is not a regular file, so the database was not opened.")
                      .arg(QFileInfo(fifo).fileName()));
        ASSERT_TRUE(QFile::remove(fifo));
        DatabaseConnection plain(path);
        EXPECT_EQ(plain.exec(QStringLiteral("SELECT count(*) FROM dbtable")), SQLITE_DONE);
    }
}

TEST(DatabaseFiles, FieldLookUps)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    EXPECT_EQ(db->fieldPkByTitle("First_Name"), 4);
    EXPECT_EQ(db->fieldPkByTitle("First Name"), -1);
    EXPECT_EQ(db->fieldPkByTitle("Nothing"), -1);
    EXPECT_EQ(db->fieldIdByPK(16), "Phone_Mobile");
    EXPECT_TRUE(db->fieldIdByPK(99).isNull());
    EXPECT_EQ(db->fieldTitleByPK(6), "Last Name");
    EXPECT_EQ(db->fieldTypeByTitle("Photo"), 4);
    EXPECT_EQ(db->fieldTypeByTitle("Nothing"), 0);
    EXPECT_EQ(db->importCount(), 22);
    EXPECT_EQ(db->mergeFields().size(), 23);
    EXPECT_EQ(Database::fieldTitleAtPk(100), "Full Name");
    EXPECT_EQ(Database::fieldTitleAtPk(101), "City, State, Zip");
    EXPECT_EQ(Database::fieldTitleAtPk(12), "Zip");
    EXPECT_EQ(Database::fieldTitleAtPk(77), "");
    EXPECT_EQ(Database::fieldTypeAtPk(1), 2);
    EXPECT_EQ(Database::fieldTypeAtPk(77), 0);
    EXPECT_EQ(tableField(1, "User Field 1", 3, 255).dbtitle(), "User_Field_1");
    const tableField field(7, "Company", 3, 255);
    EXPECT_EQ(tableField::unarchive(field.archive()), field);
}

TEST(DatabaseFiles, SettingsReadWriteAndMissingKeys)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    const QString path = db->path();
    EXPECT_EQ(db->attributeForKey("browseField"), "Last Name");
    EXPECT_EQ(db->browseField(true), "Last_Name");
    EXPECT_EQ(db->sortField(2, true), "");
    EXPECT_EQ(db->sortOrder(1), 0);

    // A key without a row answers nothing and adds nothing.
    EXPECT_TRUE(db->attributeForKey("importArrayFile").isNull());
    EXPECT_EQ(dbtest::sqliteCli(path, "SELECT count(*) FROM dbattributes;"), "10\n");

    // Setting a key without a row adds it, once.
    db->setAttributeForKey("User_Field_1", "Party");
    db->setAttributeForKey("User_Field_1", "Party's \"line\"");
    EXPECT_EQ(dbtest::sqliteCli(path, "SELECT dbvalue FROM dbattributes WHERE dbkey = 'User_Field_1';"),
              "Party's \"line\"\n");
    EXPECT_EQ(db->attributeForKey("User_Field_1"), "Party's \"line\"");

    db->setSortField(10, 2);
    db->setSortOrder(1, 2);
    db->setBrowseField(4);
    db->setBrowseField(999);
    EXPECT_EQ(db->sortField(2, false), "City");
    EXPECT_EQ(db->sortOrder(2), 1);
    EXPECT_EQ(db->browseField(false), "First Name");

    // An older database without a settings table gets one with every default.
    dbtest::sqliteCli(path, "DROP TABLE dbattributes;");
    EXPECT_EQ(db->attributeForKey("sortField1"), "Last Name");
    EXPECT_EQ(dbtest::sqliteCli(path, "SELECT dbkey, dbvalue FROM dbattributes ORDER BY dbkey;"), expectedSettings());
    EXPECT_TRUE(db->attributeForKey("unknownKey").isNull());
}

TEST(DatabaseFiles, GroupTitlesByPk)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    const QString path = db->path();
    EXPECT_EQ(db->groupsArray().size(), 8);
    db->openDatabase();
    EXPECT_EQ(db->groupsCount(), 8);
    db->addGrup("Friends");
    EXPECT_TRUE(db->opened());
    db->closeDatabase();
    EXPECT_EQ(db->groupsArray().last(), "Friends");

    EXPECT_EQ(db->groupPkAtIndex(2), 3);
    EXPECT_EQ(db->setGroup("Family", db->groupPkAtIndex(2)), 101);
    EXPECT_NE(db->setGroup("Nobody", 4711), 101);
    db->deleteGroup(db->groupPkAtIndex(1));
    EXPECT_THROW(db->deleteGroup(2), DatabaseError);
    // Rows keep their pks after a deletion; positions still find the right one.
    EXPECT_EQ(db->groupPkAtIndex(1), 3);
    EXPECT_EQ(db->setGroup("Kin", db->groupPkAtIndex(1)), 101);
    EXPECT_EQ(db->groupsArray().mid(0, 3), QStringList({"Group 1", "Kin", "Group 4"}));
    EXPECT_EQ(db->groupPkAtIndex(100), -1);

    // A database without a group table gets the eight default groups.
    dbtest::sqliteCli(path, "DROP TABLE dbgroups;");
    EXPECT_EQ(db->groupsArray(), QStringList({"Group 1", "Group 2", "Group 3", "Group 4", "Group 5", "Group 6",
                                              "Group 7", "Group 8"}));
}
