// The browser query: the group filter, the find clause and the sort columns; and the bulk
// changes of group membership.
#include <gtest/gtest.h>

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/DatabaseTestSupport.h"

using namespace quillmark;

namespace {

QStringList listed(Database &db)
{
    QStringList values;
    for (const dbBrowseField &row : db.browserArray())
        values << row.value;
    return values;
}

void setGroupsToView(Database &db, qint64 groups)
{
    db.setAttributeForKey("groupsToView", QString::number(groups));
    db.refreshBrowser();
}

qint64 groupsOf(Database &db, const QString &lastName)
{
    return dbtest::sqliteCli(db.path(), QString("SELECT Groups FROM dbtable WHERE Last_Name = '%1';").arg(lastName))
        .trimmed()
        .toLongLong();
}

} // namespace

TEST(DatabaseBrowser, EmptyDatabase)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->browserArray().isEmpty());
    EXPECT_EQ(db->count(), 0);
    EXPECT_EQ(db->indexInBrowserWithPK(1), -1);
    EXPECT_EQ(db->exportDatabase({DatabaseOrder(1, 3, "Last Name")}, ','), "");
}

TEST(DatabaseBrowser, GroupFilter)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    dbtest::addRecord(*db, {{"Last_Name", "None"}, {"Groups", 0}});
    dbtest::addRecord(*db, {{"Last_Name", "One"}, {"Groups", 1}});
    dbtest::addRecord(*db, {{"Last_Name", "Three"}, {"Groups", 4}});
    dbtest::addRecord(*db, {{"Last_Name", "Seventeen"}, {"Groups", qint64(1) << 16}});
    dbtest::addRecord(*db, {{"Last_Name", "ThirtyTwo"}, {"Groups", qint64(1) << 31}});
    dbtest::addRecord(*db, {{"Last_Name", "Null"}, {"Groups", QVariant()}});

    struct Case
    {
        qint64 groups;
        QStringList expected;
    };
    const Case cases[] = {
        {Database::AllGroups, {"None", "One", "Seventeen", "ThirtyTwo", "Three"}},
        {65535, {"None", "One", "Seventeen", "ThirtyTwo", "Three"}},
        {1, {"One"}},
        {5, {"One", "Three"}},
        {qint64(1) << 16, {"Seventeen"}},
        {qint64(1) << 31, {"ThirtyTwo"}},
        {Database::AllGroups - 1, {"Seventeen", "ThirtyTwo", "Three"}},
        {0, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.groups);
        setGroupsToView(*db, c.groups);
        EXPECT_EQ(listed(*db), c.expected);
    }
    EXPECT_EQ(db->groupsToView(), 0);
    setGroupsToView(*db, 65535);
    EXPECT_EQ(db->groupsToView(), Database::AllGroups);
    EXPECT_TRUE(Database::isAllGroups(65535));
    EXPECT_FALSE(Database::isAllGroups(65534));
}

TEST(DatabaseBrowser, SortColumns)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    dbtest::addRecord(*db, {{"First_Name", "b"}, {"Last_Name", "Lee"}, {"City", "Austin"}});
    dbtest::addRecord(*db, {{"First_Name", "A"}, {"Last_Name", "lee"}, {"City", "Boston"}});
    dbtest::addRecord(*db, {{"First_Name", "c"}, {"Last_Name", "Adams"}, {"City", "Austin"}});
    db->setBrowseField(4);
    EXPECT_EQ(listed(*db).first(), "c");

    db->setSortField(4, 2);
    EXPECT_EQ(listed(*db), QStringList({"c", "A", "b"}));
    db->setSortOrder(1, 2);
    EXPECT_EQ(listed(*db), QStringList({"c", "b", "A"}));

    // Sort column 3 alone (column 2 empty) is not used.
    db->setAttributeForKey("sortField2", "");
    db->setAttributeForKey("sortField3", "City");
    db->setAttributeForKey("sortOrder3", "1");
    db->refreshBrowser();
    EXPECT_EQ(listed(*db), QStringList({"c", "b", "A"}));

    db->setSortField(10, 1);
    db->setSortField(4, 2);
    db->setSortOrder(0, 2);
    db->setSortOrder(1, 1);
    EXPECT_EQ(listed(*db), QStringList({"A", "b", "c"}));
    EXPECT_EQ(db->indexInBrowserWithPK(1), 1);

    // Settings naming columns that do not exist are reported, not turned into SQL.
    db->setAttributeForKey("sortField1", "Nope\" DESC, (SELECT 1");
    db->refreshBrowser();
    EXPECT_THROW(db->browserArray(), DatabaseError);
    db->setAttributeForKey("sortField1", "Last Name");
    db->setAttributeForKey("browseField", "Missing");
    db->refreshBrowser();
    EXPECT_THROW(db->browserArray(), DatabaseError);
}

TEST(DatabaseBrowser, FindTextsAreOnlyText)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    dbtest::addRecord(*db, {{"First_Name", "Oscar"}, {"Last_Name", "O'Brien"}});
    dbtest::addRecord(*db, {{"First_Name", "Ann"}, {"Last_Name", "Lee"}});
    dbtest::addRecord(*db, {{"First_Name", "Odd"}, {"Last_Name", "%' OR '1'='1"}});

    struct Case
    {
        QList<std::pair<QString, QString>> find;
        QStringList expected;
    };
    const Case cases[] = {
        {{{"Last_Name", "O'Brien"}}, {"O'Brien"}},
        {{{"Last_Name", "%' OR '1'='1"}}, {"%' OR '1'='1"}},
        {{{"Last_Name", "') OR 1=1; --"}}, {}},
        {{{"Last_Name", "e"}}, {"Lee", "O'Brien"}},
        {{{"Last_Name", "e"}, {"First_Name", "ann"}}, {"Lee"}},
        {{{"First_Name", ""}}, {"%' OR '1'='1", "Lee", "O'Brien"}},
        {{{"Bogus\") OR 1=1 --", "x"}}, {"%' OR '1'='1", "Lee", "O'Brien"}},
    };
    for (const Case &c : cases) {
        db->setSearchString(db->findClause(c.find));
        db->refreshBrowser();
        EXPECT_EQ(listed(*db), c.expected) << db->searchString().sql.toStdString();
    }
    const Database::FindClause clause = db->findClause({{"First_Name", "Ann"}});
    // The typed text only ever reaches the statement as a bound value.
    EXPECT_EQ(clause.sql, "( qm_contains(\"First_Name\", ?))");
    EXPECT_EQ(clause.values, QVariantList({"Ann"}));
    EXPECT_EQ(db->count(), 3);
}

TEST(DatabaseGroups, BulkModes)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    struct Case
    {
        int mode;
        qint64 mask, before, after;
    };
    const Case cases[] = {
        {2, 3, 13, 12},
        {3, 3, 13, 14},
        {4, 3, 13, 7},
        {5, 3, 13, 25},
        {1, 3, 13, 15},
        {0, qint64(1) << 20, 1, 1 | (qint64(1) << 20)},
        {4, 1, qint64(1) << 31, qint64(1) << 30},
        {5, 0, qint64(1) << 30, qint64(1) << 31},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        db->fieldValues().clear();
        const qint64 pk = dbtest::addRecord(*db, {{"Last_Name", "Row"}, {"Groups", c.before}});
        db->updateRecordsGroups(c.mask, c.mode);
        EXPECT_EQ(groupsOf(*db, "Row"), c.after);
        db->deleteRecordByPrimaryKeys({pk});
    }
}

TEST(DatabaseGroups, ToggleTwiceRestoresAndOnlyListedRecordsChange)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    dbtest::addRecord(*db, {{"Last_Name", "A"}, {"Groups", 0}});
    dbtest::addRecord(*db, {{"Last_Name", "B"}, {"Groups", 5}});
    dbtest::addRecord(*db, {{"Last_Name", "C"}, {"Groups", 2}});
    db->updateRecordsGroups(6, 3);
    EXPECT_EQ(groupsOf(*db, "A"), 6);
    EXPECT_EQ(groupsOf(*db, "B"), 3);
    db->updateRecordsGroups(6, 3);
    EXPECT_EQ(groupsOf(*db, "A"), 0);
    EXPECT_EQ(groupsOf(*db, "B"), 5);
    EXPECT_EQ(groupsOf(*db, "C"), 2);

    setGroupsToView(*db, 1);
    db->setSearchString(db->findClause({{"Last_Name", "B"}}));
    db->updateRecordsGroups(8, 1);
    EXPECT_EQ(groupsOf(*db, "A"), 0);
    EXPECT_EQ(groupsOf(*db, "B"), 13);
    EXPECT_EQ(groupsOf(*db, "C"), 2);
}

TEST(DatabaseGroups, DeletingAGroupRenumbersEveryRecord)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    for (int i = 0; i < 3; ++i)
        db->setGroup(QString("G%1").arg(i + 1), db->groupPkAtIndex(i));
    // Members of groups 1, 3, 4 and 5 in every combination that matters; the filter hides some.
    dbtest::addRecord(*db, {{"Last_Name", "g3"}, {"Groups", 0b00100}});
    dbtest::addRecord(*db, {{"Last_Name", "g4g5"}, {"Groups", 0b11000}});
    dbtest::addRecord(*db, {{"Last_Name", "g1g2g4"}, {"Groups", 0b01011}});
    dbtest::addRecord(*db, {{"Last_Name", "g17"}, {"Groups", qint64(1) << 16}});
    dbtest::addRecord(*db, {{"Last_Name", "none"}, {"Groups", 0}});
    // Groups 1 and 4 shown.
    setGroupsToView(*db, 0b1001);
    db->setSearchString(db->findClause({{"Last_Name", "g1"}}));

    db->deleteGroupAtIndex(2);
    EXPECT_EQ(db->groupsArray().mid(0, 3), QStringList({"G1", "G2", "Group 4"}));
    EXPECT_EQ(groupsOf(*db, "g3"), 0);
    EXPECT_EQ(groupsOf(*db, "g4g5"), 0b1100);
    EXPECT_EQ(groupsOf(*db, "g1g2g4"), 0b0111);
    EXPECT_EQ(groupsOf(*db, "g17"), qint64(1) << 15);
    EXPECT_EQ(groupsOf(*db, "none"), 0);
    // The groups shown are the same groups under their new numbers.
    EXPECT_EQ(db->attributeForKey("groupsToView"), QString::number(0b101));
    EXPECT_THROW(db->deleteGroupAtIndex(40), DatabaseError);

    // By key: the group's bit is its place among the groups at the time of deletion.
    const QList<Database::GroupTitle> groups = db->groupTitles();
    ASSERT_EQ(groups.size(), 7);
    EXPECT_EQ(groups.at(2).title, "Group 4");
    dbtest::sqliteCli(db->path(), QString("DELETE FROM dbgroups WHERE pk=%1;").arg(groups.at(0).pk));
    db->deleteGroupWithPk(groups.at(3).pk); // now the third group
    EXPECT_EQ(groupsOf(*db, "g4g5"), 0b0100);
    EXPECT_EQ(groupsOf(*db, "g1g2g4"), 0b0011);
    EXPECT_THROW(db->deleteGroupWithPk(groups.at(3).pk), DatabaseError);
    // All groups shown stays all groups.
    setGroupsToView(*db, Database::AllGroups);
    db->deleteGroupWithPk(groups.at(1).pk);
    EXPECT_EQ(db->attributeForKey("groupsToView"), "-1");
}

TEST(DatabaseBrowser, WildcardsInFindTextsAreFoundAsTyped)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    for (const char *name : {"100%", "1000", "a_b", "axb", "back\\slash", "backXslash", "50%_off"})
        dbtest::addRecord(*db, {{"Last_Name", name}});
    struct Case
    {
        QString find;
        QStringList expected;
    };
    const Case cases[] = {
        {"%", {"100%", "50%_off"}},
        {"100%", {"100%"}},
        {"_", {"50%_off", "a_b"}},
        {"a_b", {"a_b"}},
        {"\\", {"back\\slash"}},
        {"%_", {"50%_off"}},
        {"10", {"100%", "1000"}},
    };
    for (const Case &c : cases) {
        db->setSearchString(db->findClause({{"Last_Name", c.find}}));
        db->refreshBrowser();
        EXPECT_EQ(listed(*db), c.expected) << c.find.toStdString();
    }
}
