// The store's side of delimited text export and import.
#include <gtest/gtest.h>

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/DatabaseTestSupport.h"

using namespace quillmark;

namespace {

QList<DatabaseOrder> columns(const QStringList &titles)
{
    QList<DatabaseOrder> list;
    for (const QString &title : titles)
        list << DatabaseOrder(1, 3, title);
    return list;
}

} // namespace

TEST(DatabaseExchange, ExportQuotesCommaValues)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    dbtest::addRecord(*db, {{"First_Name", " say \"hi\", ok "}, {"Last_Name", "a"}, {"City", "a,b"}});
    dbtest::addRecord(*db, {{"First_Name", ""}, {"Last_Name", "b"}, {"City", ",x"}});
    dbtest::addRecord(*db, {{"First_Name", QString::fromUtf8("\u201Ccurly\u201D")}, {"Last_Name", "c"}, {"City", ""}});
    const QList<DatabaseOrder> list = columns({"First Name", "City"});
    EXPECT_EQ(db->exportDatabase(list, ','),
              QString::fromUtf8("\"say \"\"hi\"\", ok\",\"a,b\"\r\n,\",x\"\r\n\u201Ccurly\u201D,"));
    EXPECT_EQ(db->exportDatabase(list, '\t'),
              QString::fromUtf8(" say \"hi\", ok \ta,b\r\n\t,x\r\n\u201Ccurly\u201D\t"));
}

TEST(DatabaseExchange, ExportFollowsTheBrowserAndFieldTypes)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    dbtest::addRecord(*db, {{"Last_Name", "Zed"}, {"Groups", 2}, {"Photo", QByteArray("png")}});
    dbtest::addRecord(*db, {{"Last_Name", "Abe"}, {"Groups", 1}});
    dbtest::addRecord(*db, {{"Last_Name", ""}, {"Groups", 1}});
    QList<DatabaseOrder> list = columns({"Last Name", "Groups", "Photo", "Company"});
    list[3].setUsed(0);
    // The empty line of the third record is left out only when the whole line is empty.
    EXPECT_EQ(db->exportDatabase(list, ';'), ";1;\r\nAbe;1;\r\nZed;2;");
    db->setAttributeForKey("groupsToView", "2");
    db->refreshBrowser();
    EXPECT_EQ(db->exportDatabase(list, ';'), "Zed;2;");
    EXPECT_EQ(db->exportDatabase(columns({"Company"}), ';'), "");
    EXPECT_THROW(db->exportDatabase(columns({"Nope"}), ';'), DatabaseError);
}

TEST(DatabaseExchange, ImportInsertsUsedNonEmptyValues)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    QList<DatabaseOrder> list = columns({"First Name", "Last Name", "City"});
    db->importDatabase(list, QStringList({"", "", ""}));
    EXPECT_EQ(db->count(), 0);
    db->importDatabase(list, QStringList({"Same", "Same"}));
    EXPECT_EQ(dbtest::sqliteCli(db->path(), "SELECT First_Name, Last_Name, City IS NULL, Groups FROM dbtable;"),
              "Same|Same|1|0\n");
    list[0].setUsed(0);
    db->importDatabase(list, QStringList({"Skipped", "O'Neil", "Bonn", "extra"}));
    EXPECT_EQ(dbtest::sqliteCli(db->path(), "SELECT First_Name IS NULL, Last_Name, City FROM dbtable WHERE pk = 2;"),
              "1|O'Neil|Bonn\n");
    EXPECT_EQ(db->selectedPk(), 2);
}

TEST(DatabaseExchange, ImportOfManyRowsIsOneTransaction)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    QList<QStringList> rows;
    for (int i = 0; i < 500; ++i)
        rows << QStringList({QString("First %1").arg(i), QString("Last %1").arg(i)});
    EXPECT_EQ(db->importDatabase(columns({"First Name", "Last Name"}), rows), 500);
    EXPECT_EQ(db->count(), 500);

    // A failing row undoes the rows before it.
    QList<DatabaseOrder> bad = columns({"First Name", "Ghost"});
    EXPECT_THROW(db->importDatabase(bad, QList<QStringList>({{"ok", ""}, {"x", "y"}})), DatabaseError);
    EXPECT_EQ(db->count(), 500);
    EXPECT_FALSE(db->opened());
}
