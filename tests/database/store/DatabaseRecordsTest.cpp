// Records of every field type: loading, inserting, updating and deleting, read back both
// through the store and through the sqlite3 program.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/DatabaseTestSupport.h"

using namespace quillmark;

namespace {

// A database with one field of each type code, made from the template like any other.
std::unique_ptr<Database> typedDatabase()
{
    const QString path = qmtest::freshDir("typed") + "/Typed.sqlite";
    EXPECT_TRUE(QFile::copy(Database::templatePath(), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    {
        Database db(path);
        db.openDatabase();
        db.alterFieldTable();
        db.addFieldTitle("Count", 0, 255);
        db.addFieldTitle("Weight", 1, 255);
        db.addFieldTitle("Born", 2, 255);
        db.addFieldTitle("Name", 3, 255);
        db.addFieldTitle("Photo", 4, 1);
        db.addFieldTitle("Groups", 0, 0);
        db.initFieldsStructure();
        db.configure();
        db.configureGroups();
        db.configureAttributes();
        db.closeDatabase();
    }
    return Database::openDatabaseAtPath(path);
}

} // namespace

TEST(DatabaseRecords, EveryTypeRoundTrips)
{
    auto db = typedDatabase();
    ASSERT_TRUE(db);
    struct Row
    {
        QVariant count, weight, born, name, photo;
    };
    const QByteArray jpeg("\xFF\xD8\xFF\x00\x01 binary\x00tail", 18);
    const Row rows[] = {
        {qint64(42), 3.5, QString("2024-03-05 14:30:00 +0000"), QString("Zoë O'Brien"), jpeg},
        {qint64(-9007199254740993LL), -0.125, QString(""), QString(""), QByteArray("", 0)},
        {QVariant(), QVariant(), QString("x"), QString("multi\nline \"quoted\""), QVariant()},
    };
    QList<qint64> pks;
    for (const Row &row : rows)
        pks << dbtest::addRecord(*db, {{"Count", row.count}, {"Weight", row.weight}, {"Born", row.born},
                                       {"Name", row.name}, {"Photo", row.photo}});
    EXPECT_EQ(db->count(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        db->fieldValues().clear();
        db->initWithPrimaryKey(pks[i]);
        const QVariantMap &v = db->fieldValues();
        EXPECT_EQ(v.value("pk").toLongLong(), pks[i]);
        EXPECT_EQ(v.value("Count"), rows[i].count);
        EXPECT_EQ(v.value("Weight"), rows[i].weight);
        EXPECT_EQ(v.value("Born"), rows[i].born);
        EXPECT_EQ(v.value("Name"), rows[i].name);
        EXPECT_EQ(v.value("Photo").isValid(), rows[i].photo.isValid());
        EXPECT_EQ(v.value("Photo").toByteArray(), rows[i].photo.toByteArray());
    }
    // NULL and an empty photo stay apart, as the sqlite3 program sees them.
    EXPECT_EQ(dbtest::sqliteCli(db->path(), "SELECT typeof(Photo), length(Photo), typeof(Count), typeof(Weight) "
                                            "FROM dbtable ORDER BY pk;"),
              "blob|18|integer|real\nblob|0|integer|real\nnull||null|null\n");
    EXPECT_EQ(dbtest::sqliteCli(db->path(), "SELECT hex(Photo) FROM dbtable WHERE pk = 1;"),
              QString::fromLatin1(jpeg.toHex().toUpper()) + "\n");
}

TEST(DatabaseRecords, NumbersFromTextAreReadLeniently)
{
    auto db = typedDatabase();
    ASSERT_TRUE(db);
    const qint64 pk = dbtest::addRecord(*db, {{"Count", "12abc"}, {"Weight", " 2.5kg"}, {"Photo", "not data"}});
    db->initWithPrimaryKey(pk);
    EXPECT_EQ(db->fieldValues().value("Count").toLongLong(), 12);
    EXPECT_DOUBLE_EQ(db->fieldValues().value("Weight").toDouble(), 2.5);
    EXPECT_FALSE(db->fieldValues().value("Photo").isValid());
}

TEST(DatabaseRecords, InsertUpdateDelete)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    EXPECT_EQ(db->count(), 0);
    EXPECT_EQ(db->selectedPk(), -1);
    const qint64 first = dbtest::addRecord(*db, {{"First_Name", "Ann"}, {"Last_Name", "Lee"}});
    const qint64 second = dbtest::addRecord(*db, {{"First_Name", "Bob"}, {"Last_Name", "Ray"}});
    EXPECT_EQ(db->selectedPk(), second);
    EXPECT_EQ(db->count(), 2);

    db->initWithPrimaryKey(first);
    EXPECT_EQ(db->fieldValues().value("First_Name"), "Ann");
    db->fieldValues().insert("City", "Springfield");
    const QDateTime date(QDate(2024, 3, 5), QTime(14, 30), Qt::UTC);
    db->fieldValues().insert("Date", date);
    EXPECT_EQ(db->updateRecord(), first);
    EXPECT_EQ(dbtest::sqliteCli(db->path(), "SELECT City, Date, Last_Name FROM dbtable WHERE pk = 1;"),
              "Springfield|2024-03-05 14:30:00 +0000|Lee\n");
    db->initWithPrimaryKey(first);
    EXPECT_EQ(db->fieldValues().value("Date"), "2024-03-05 14:30:00 +0000");

    // A pk without a record changes nothing: the values loaded last stay under their own key.
    EXPECT_FALSE(db->initWithPrimaryKey(999));
    EXPECT_EQ(db->fieldValues().value("City"), "Springfield");
    EXPECT_EQ(db->selectedPk(), first);

    db->deleteRecordByPrimaryKeys({first, 12345});
    EXPECT_EQ(db->count(), 1);
    db->initWithPrimaryKey(second);
    db->deleteRecord();
    EXPECT_EQ(db->count(), 0);
}

TEST(DatabaseRecords, FreshRecordHoldsTodayAndKeepsItsPk)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    db->fieldValues().insert("pk", 7);
    db->initFieldValues();
    EXPECT_EQ(db->fieldValues().value("pk").toInt(), 7);
    EXPECT_EQ(db->fieldValues().value("Date").typeId(), QMetaType::QDateTime);
    EXPECT_EQ(db->fieldValues().value("Last_Name"), "");
    const qint64 pk = db->insertRecord();
    const QString stored = dbtest::sqliteCli(db->path(), QString("SELECT Date FROM dbtable WHERE pk = %1;").arg(pk));
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\+0000\n$").match(stored).hasMatch())
        << stored.toStdString();
}

TEST(DatabaseRecords, HostileValuesAreStoredAsText)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    const QString hostile = "x'); DROP TABLE dbtable; --";
    const qint64 pk = dbtest::addRecord(*db, {{"Last_Name", hostile}, {"Company", "\"Quotes\" & 'apostrophes'"}});
    db->initWithPrimaryKey(pk);
    EXPECT_EQ(db->fieldValues().value("Last_Name"), hostile);
    EXPECT_EQ(db->fieldValues().value("Company"), "\"Quotes\" & 'apostrophes'");
    EXPECT_EQ(db->count(), 1);
}

TEST(DatabaseRecords, MissingColumnRaisesThePrepareMessage)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    dbtest::sqliteCli(db->path(), "INSERT INTO fields (title, type, flags) VALUES ('Ghost', 3, 255);");
    db->openDatabase();
    db->initFieldsStructure();
    db->closeDatabase();
    db->initFieldValues();
    try {
        db->insertRecord();
        FAIL() << "no error";
    } catch (const DatabaseError &e) {
        EXPECT_EQ(e.message(), "Error: failed to prepare statement with message 'table dbtable has no column named Ghost'.");
    }
    EXPECT_FALSE(db->opened());
    EXPECT_THROW(db->initWithPrimaryKey(1), DatabaseError);
}

TEST(DatabaseRecords, ExplicitTransactionCommitsOrRollsBackTogether)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    db->beginTransaction();
    EXPECT_TRUE(db->opened());
    for (int i = 0; i < 3; ++i)
        dbtest::addRecord(*db, {{"Last_Name", QString("R%1").arg(i)}});
    // Another reader does not see the records before the commit.
    EXPECT_EQ(dbtest::sqliteCli(db->path(), "SELECT count(*) FROM dbtable;"), "0\n");
    db->rollbackTransaction();
    EXPECT_FALSE(db->opened());
    EXPECT_EQ(db->count(), 0);

    db->beginTransaction();
    dbtest::addRecord(*db, {{"Last_Name", "Kept"}});
    db->deleteRecordByPrimaryKeys({});
    db->commitTransaction();
    EXPECT_FALSE(db->opened());
    EXPECT_EQ(dbtest::sqliteCli(db->path(), "SELECT Last_Name FROM dbtable;"), "Kept\n");
}
