#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QDateTime>
#include <QFile>

using namespace quillmark;

namespace {

class UserDefaultsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = qmtest::freshDir("defaults") + "/Brenholt/Quillmark.plist";
        UserDefaults::resetStandardForTesting(path);
    }
    UserDefaults &defaults() { return UserDefaults::standard(); }
    QString path;
};

} // namespace

TEST_F(UserDefaultsTest, TheStandardFileLivesUnderTheConfigHome)
{
    UserDefaults fresh(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Brenholt/Quillmark.plist");
    EXPECT_TRUE(fresh.filePath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Brenholt/"));
}

struct BoolCase
{
    QVariant value;
    bool expected;
};

TEST_F(UserDefaultsTest, BoolForKeyAcceptsWordsAndNumbers)
{
    const QList<BoolCase> cases = {
        {QString("YES"), true}, {QString("yes"), true}, {QString("true"), true}, {QString("TRUE"), true},
        {QString("NO"), false}, {QString("no"), false}, {QString("false"), false}, {QString(""), false},
        {QString("1"), true}, {QString("0"), false}, {QString("12abc"), true}, {QString("0.5"), true},
        {qint64(2), true}, {qint64(0), false}, {-1, true}, {0.25, true}, {0.0, false},
        {true, true}, {false, false}, {QVariantList{}, false}};
    for (const BoolCase &c : cases) {
        defaults().setObject(c.value, "Flag");
        EXPECT_EQ(defaults().boolForKey("Flag"), c.expected) << c.value.toString().toStdString();
    }
    EXPECT_FALSE(defaults().boolForKey("Missing"));
}

TEST_F(UserDefaultsTest, NumbersAreReadFromTheStartOfStrings)
{
    const QList<std::tuple<QVariant, qint64, double>> cases = {
        {QString("12abc"), 12, 12.0},   {QString("  42"), 42, 42.0},   {QString("-7 pt"), -7, -7.0},
        {QString("3.75"), 3, 3.75},     {QString("abc"), 0, 0.0},      {QString(""), 0, 0.0},
        {QString("+5"), 5, 5.0},        {QString("1e3"), 1, 1000.0},   {qint64(9), 9, 9.0},
        {2.9, 2, 2.9},                  {-2.9, -2, -2.9},              {true, 1, 1.0},
        {QByteArray("12"), 0, 0.0}};
    for (const auto &[value, integer, real] : cases) {
        defaults().setObject(value, "Number");
        EXPECT_EQ(defaults().integerForKey("Number"), integer) << value.toString().toStdString();
        EXPECT_DOUBLE_EQ(defaults().floatForKey("Number"), real) << value.toString().toStdString();
    }
}

TEST_F(UserDefaultsTest, StringForKeyGivesTheTextOfNumbersOnly)
{
    defaults().setInteger(12, "K");
    EXPECT_EQ(defaults().stringForKey("K"), "12");
    defaults().setFloat(1.5, "K");
    EXPECT_EQ(defaults().stringForKey("K"), "1.5");
    defaults().setString("text", "K");
    EXPECT_EQ(defaults().stringForKey("K"), "text");
    defaults().setObject(QVariantList{QString("a")}, "K");
    EXPECT_TRUE(defaults().stringForKey("K").isNull());
    EXPECT_TRUE(defaults().stringForKey("Missing").isNull());
}

TEST_F(UserDefaultsTest, RegisteredDefaultsAnswerUntilTheUserSetsAValueAndAreNeverStored)
{
    defaults().registerDefaults({{"Units", "cm"}, {"Zoom", 100}});
    defaults().registerDefaults({{"Zoom", 150}});
    EXPECT_EQ(defaults().stringForKey("Units"), "cm");
    EXPECT_EQ(defaults().integerForKey("Zoom"), 150);
    defaults().setString("in", "Units");
    EXPECT_EQ(defaults().stringForKey("Units"), "in");
    defaults().removeObject("Units");
    EXPECT_EQ(defaults().stringForKey("Units"), "cm");
    defaults().setBool(true, "Stored");
    ASSERT_TRUE(defaults().synchronize());

    const QVariantMap file = PropertyList::readFile(path).toMap();
    EXPECT_TRUE(file.contains("Stored"));
    EXPECT_FALSE(file.contains("Zoom"));
    EXPECT_FALSE(file.contains("Units"));
}

TEST_F(UserDefaultsTest, PropertyListValuesRoundTripThroughTheFile)
{
    const QVariantMap values = {
        {"String", QString::fromUtf8("Größe ✓")},
        {"Integer", qint64(-123456789012LL)},
        {"Real", 0.1},
        {"Bool", true},
        {"Data", QByteArray("\x00\x01\x02", 3)},
        {"List", QVariantList{qint64(1), QString("two"), false}},
        {"Map", QVariantMap{{"inner", QVariantList{2.5}}, {"name", QString("x")}}},
        {"Date", QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC)},
    };
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        defaults().setObject(it.value(), it.key());
    ASSERT_TRUE(defaults().synchronize());
    EXPECT_EQ(PropertyList::readFile(path).toMap(), values);

    UserDefaults::resetStandardForTesting(path);
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        EXPECT_EQ(defaults().objectForKey(it.key()), it.value()) << it.key().toStdString();
    }
    EXPECT_EQ(defaults().arrayForKey("List"), values.value("List").toList());
    EXPECT_EQ(defaults().dictionaryForKey("Map"), values.value("Map").toMap());
    EXPECT_EQ(defaults().dataForKey("Data"), QByteArray("\x00\x01\x02", 3));
    EXPECT_TRUE(defaults().arrayForKey("Map").isEmpty());
    EXPECT_TRUE(defaults().dictionaryForKey("List").isEmpty());
}

TEST_F(UserDefaultsTest, ANullValueRemovesAndUnstorableValuesAreRefused)
{
    defaults().setString("x", "K");
    defaults().setObject(QVariant(), "K");
    EXPECT_FALSE(defaults().objectForKey("K").isValid());
    defaults().setObject(QVariant::fromValue(QPointF(1, 2)), "Point");
    defaults().setString("kept", "Other");
    EXPECT_TRUE(defaults().synchronize());
    UserDefaults::resetStandardForTesting(path);
    EXPECT_EQ(defaults().stringForKey("Other"), "kept");
}

TEST_F(UserDefaultsTest, ADamagedFileIsSetAsideAndNotOverwritten)
{
    const QByteArray damaged = "bplist00 this is not what it claims";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(damaged);
    file.close();
    UserDefaults::resetStandardForTesting(path);
    EXPECT_FALSE(defaults().objectForKey("Anything").isValid());
    defaults().registerDefaults({{"Anything", 1}});
    EXPECT_EQ(defaults().integerForKey("Anything"), 1);
    defaults().setBool(true, "New");
    EXPECT_TRUE(defaults().synchronize());

    QFile aside(path + ".damaged");
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), damaged);
    EXPECT_TRUE(PropertyList::readFile(path).toMap().value("New").toBool());
}
