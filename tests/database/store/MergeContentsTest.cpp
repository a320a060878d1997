// The value a merge-field pk gives for the current record: plain fields, the composites
// "Full Name" and "City, State, Zip", dates in the user's style, and the field menu list.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDateTime>

#include "database/store/Database.h"
#include "database/store/MergeContents.h"
#include "database/store/Utils.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "database/DatabaseTestSupport.h"

using namespace quillmark;

namespace {

class MergeContentsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db = dbtest::freshDatabase();
        ASSERT_TRUE(db);
        for (const char *key : {"addFullNameSalutation", "addFullNameMiddleName", "showTime", "profileDateFormat",
                                "profileTimeFormat"})
            UserDefaults::standard().removeObject(key);
    }
    void TearDown() override
    {
        for (const char *key : {"addFullNameSalutation", "addFullNameMiddleName", "showTime"})
            UserDefaults::standard().removeObject(key);
    }
    void setValues(const QVariantMap &values)
    {
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            db->fieldValues().insert(it.key(), it.value());
    }

    std::unique_ptr<Database> db;
};

} // namespace

TEST_F(MergeContentsTest, CityStateZip)
{
    struct Case
    {
        QVariantMap values;
        QString expected;
    };
    const Case cases[] = {
        {{{"City", "Springfield"}, {"State", ""}, {"Zip", "12345"}}, "Springfield 12345"},
        {{{"City", "Springfield"}, {"State", "IL"}, {"Zip", "62701"}}, "Springfield IL 62701"},
        {{{"City", ""}, {"State", ""}, {"Zip", ""}}, ""},
        {{{"City", ""}, {"State", "ME"}, {"Zip", ""}}, " ME"},
    };
    for (const Case &c : cases) {
        setValues(c.values);
        EXPECT_EQ(MergeContents::contentsByPk(101).toString(), c.expected);
    }
}

TEST_F(MergeContentsTest, FullName)
{
    struct Case
    {
        bool salutation, middle;
        QVariantMap values;
        QString expected;
    };
    const Case cases[] = {
        {true, true, {{"Salutation", "Dr."}, {"First_Name", "Ann"}, {"Middle_Name", ""}, {"Last_Name", "Lee"}}, "Dr. Ann Lee"},
        {true, true, {{"Salutation", "Dr."}, {"First_Name", "Ann"}, {"Middle_Name", "B."}, {"Last_Name", "Lee"}}, "Dr. Ann B. Lee"},
        {false, false, {{"Salutation", "Dr."}, {"First_Name", ""}, {"Middle_Name", "B."}, {"Last_Name", "Lee"}}, "Lee"},
        {false, true, {{"Salutation", "Dr."}, {"First_Name", ""}, {"Middle_Name", "B."}, {"Last_Name", "Lee"}}, "B. Lee"},
        {true, false, {{"Salutation", ""}, {"First_Name", "Ann"}, {"Middle_Name", "B."}, {"Last_Name", ""}}, "Ann "},
        {true, true, {{"Salutation", "Dr."}, {"First_Name", ""}, {"Middle_Name", ""}, {"Last_Name", "Lee"}}, "Dr.  Lee"},
    };
    for (const Case &c : cases) {
        UserDefaults::standard().setBool(c.salutation, "addFullNameSalutation");
        UserDefaults::standard().setBool(c.middle, "addFullNameMiddleName");
        setValues(c.values);
        EXPECT_EQ(MergeContents::contentsByPk(100).toString(), c.expected);
    }
}

TEST_F(MergeContentsTest, PlainFieldsAndNothing)
{
    setValues({{"Company", "Acme"}, {"Groups", qint64(5)}, {"Photo", QByteArray("img")}});
    EXPECT_EQ(MergeContents::contentsByPk(7), "Acme");
    EXPECT_EQ(MergeContents::contentsByPk(24), qint64(5));
    EXPECT_EQ(MergeContents::contentsByPk(2), QByteArray("img"));
    EXPECT_FALSE(MergeContents::contentsByPk(0).isValid());
    EXPECT_FALSE(MergeContents::contentsByPk(4711).isValid());
    db.reset();
    EXPECT_FALSE(MergeContents::contentsByPk(7).isValid());
    EXPECT_EQ(MergeContents::contentsByPk(101), "");
}

TEST_F(MergeContentsTest, DatesInTheUserStyle)
{
    setValues({{"Date", "2024-03-05 14:30:00 +0000"}});
    EXPECT_EQ(MergeContents::contentsByPk(1), "3/5/24");
    UserDefaults::standard().setInteger(3, "profileDateFormat");
    EXPECT_EQ(MergeContents::contentsByPk(1), "March 5, 2024");
    UserDefaults::standard().setInteger(1, "profileDateFormat");
    UserDefaults::standard().setBool(true, "showTime");
    const QString withTime = MergeContents::contentsByPk(1).toString();
    EXPECT_TRUE(withTime.startsWith("3/5/24")) << withTime.toStdString();
    EXPECT_TRUE(withTime.contains("2:30")) << withTime.toStdString();
    EXPECT_TRUE(withTime.contains("PM")) << withTime.toStdString();

    setValues({{"Date", "5 March 2024"}});
    EXPECT_FALSE(MergeContents::contentsByPk(1).isValid());
    setValues({{"Date", QDateTime(QDate(2024, 3, 5), QTime(1, 0), Qt::UTC)}});
    UserDefaults::standard().setBool(false, "showTime");
    EXPECT_EQ(MergeContents::contentsByPk(1), "3/5/24");
    EXPECT_EQ(Utils::convertFormat("2024-03-05 14:30:00 +0000", Utils::databaseFormat(), "EEEE d MMMM"),
              "Tuesday 5 March");
    EXPECT_EQ(Utils::databaseDescription(QDateTime(QDate(2024, 3, 5), QTime(14, 30), Qt::UTC)),
              "2024-03-05 14:30:00 +0000");
}

TEST_F(MergeContentsTest, KeptConversionsAnswerAsFreshOnesWhateverTheirOrder)
{
    // More dates and patterns than are kept, asked in three orders, nonsense among them:
    // each answer is the one its own date gives.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QStringList patterns = {QStringLiteral("yyyy-MM-dd"), QStringLiteral("d MMMM")};
    QList<int> order;
    for (int i = 0; i < 20; ++i)
        order.append(i);
    for (int pass = 0; pass < 3; ++pass) {
        if (pass == 1)
            std::reverse(order.begin(), order.end());
        if (pass == 2)
            std::rotate(order.begin(), order.begin() + 7, order.end());
        for (const int i : std::as_const(order)) {
            const QDate date = QDate(2024, 1, 30).addDays(i * 17);
            const QString stored = date.toString(Qt::ISODate) + QStringLiteral(" 12:00:00 +0000");
            const QString &pattern = patterns.at((i + pass) % 2);
            EXPECT_EQ(Utils::convertFormat(stored, Utils::databaseFormat(), pattern), english.toString(date, pattern))
                << stored.toStdString() << " " << pattern.toStdString();
            EXPECT_TRUE(Utils::convertFormat(stored.left(10 - i % 3), Utils::databaseFormat(), pattern).isNull());
        }
    }
}

TEST_F(MergeContentsTest, FieldMenuListNeverIndexesPastShortLists)
{
    QList<tableField> full = MergeContents::fieldTitlesAndTags();
    ASSERT_EQ(full.size(), 25);
    EXPECT_EQ(full.at(3).pk, 100);
    EXPECT_EQ(full.at(13).pk, 101);
    EXPECT_EQ(full.at(12).title, "Zip");

    // A database with two merge fields gets both composites at its end.
    const QString path = qmtest::freshDir("short") + "/Short.sqlite";
    ASSERT_TRUE(QFile::copy(Database::templatePath(), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    db.reset();
    {
        Database maker(path);
        maker.openDatabase();
        maker.alterFieldTable();
        maker.addFieldTitle("Name", 3, 255);
        maker.addFieldTitle("Photo", 4, 0);
        maker.addFieldTitle("Zip", 3, 2);
        maker.initFieldsStructure();
        maker.configure();
        maker.configureGroups();
        maker.configureAttributes();
    }
    db = Database::openDatabaseAtPath(path);
    ASSERT_TRUE(db);
    const QList<tableField> shortList = MergeContents::fieldTitlesAndTags();
    QList<int> pks;
    for (const tableField &field : shortList)
        pks << field.pk;
    EXPECT_EQ(pks, QList<int>({1, 3, 100, 101}));
    EXPECT_EQ(MergeContents::fieldTitlesAndTagsOriginal().size(), 2);
    db.reset();
    EXPECT_TRUE(MergeContents::fieldTitlesAndTags().isEmpty());
}

TEST_F(MergeContentsTest, RecordChangedNotificationReachesObservers)
{
    int seen = 0;
    int owner = 0;
    NotificationCenter::defaultCenter().addObserver(&owner, "RecordChangedNotification",
                                                    [&](const Notification &n) {
                                                        ++seen;
                                                        EXPECT_EQ(n.sender, nullptr);
                                                    });
    MergeContents::postRecordChanged();
    MergeContents::postDatabaseChanged();
    EXPECT_EQ(seen, 1);
    NotificationCenter::defaultCenter().removeObserver(&owner);
}
