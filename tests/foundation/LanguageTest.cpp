#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QVariantList>

#include "foundation/Language.h"
#include "common/TestSupport.h"
#include "foundation/LanguageFixture.h"
#include "platform/NotificationCenter.h"

using namespace quillmark;

namespace {

// Counts "RefreshLanguageNotification" posts and checks who sent them.
class RefreshCounter
{
public:
    RefreshCounter()
    {
        NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("RefreshLanguageNotification"),
                                                        [this](const Notification &note) {
                                                            ++count;
                                                            lastSender = note.sender;
                                                        });
    }
    ~RefreshCounter() { NotificationCenter::defaultCenter().removeObserver(this); }
    int count = 0;
    const void *lastSender = nullptr;
};

class LanguageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fixture.addTable("en", {{"Fit", "Fit"}, {"Front", "Front"}, {"Blank", ""}});
        fixture.addTable("de", {{"Fit", "Einpassen"}, {"Front", "Vorderseite"}});
        fixture.addTable("ru", {{"Fit", "Вписать"}});
        fixture.addTable("zh-Hans", {{"Fit", "适合"}});
        fixture.addFolder("es");
    }
    void TearDown() override { Language::reset(); }

    qmtest::LanguageFixture fixture;
};

TEST_F(LanguageTest, FolderForLanguageCodeMapsOnlyChinese)
{
    Language::reset(fixture.root(), "en");
    const QList<std::pair<QString, QString>> cases = {
        {Language::english(), "en"}, {Language::russian(), "ru"}, {Language::german(), "de"},
        {Language::spanish(), "es"}, {Language::chinese(), "zh-Hans"}, {"fr", "fr"}, {"zh-Hans", "zh-Hans"}};
    for (const auto &[code, folder] : cases)
        EXPECT_EQ(Language::folderForLanguageCode(code), folder) << code.toStdString();
}

TEST_F(LanguageTest, FirstUseLoadsTheSystemLanguageOnceAndPostsFromTheClass)
{
    RefreshCounter counter;
    Language::reset(fixture.root(), "de");
    EXPECT_EQ(counter.count, 0);
    EXPECT_EQ(Language::stringForKey("Fit"), "Einpassen");
    EXPECT_EQ(counter.count, 1);
    EXPECT_EQ(counter.lastSender, Language::notificationSender());
    Language::initialize();
    EXPECT_EQ(Language::language(), "de");
    EXPECT_EQ(counter.count, 1);
}

TEST_F(LanguageTest, ChineseLoadsTheSimplifiedFolder)
{
    Language::reset(fixture.root(), "zh");
    EXPECT_EQ(Language::language(), "zh-Hans");
    EXPECT_FALSE(Language::isEnglish());
    EXPECT_EQ(Language::stringForKey("Fit"), "适合");
}

TEST_F(LanguageTest, LanguageWithoutFolderFallsBackToEnglishWithoutKeyFallback)
{
    Language::reset(fixture.root(), "fr");
    EXPECT_EQ(Language::language(), "en");
    EXPECT_TRUE(Language::isEnglish());
    EXPECT_EQ(Language::stringForKey("Fit"), "Fit");
    const QString missing = Language::stringForKey("Not In Any Table");
    EXPECT_TRUE(missing.isNull());
}

TEST_F(LanguageTest, BeforeAnyLoadAndAfterCleanKeysComeBackUnchanged)
{
    Language::reset(fixture.root(), "de");
    Language::clean();
    EXPECT_EQ(Language::stringForKey("Fit"), "Fit");
    EXPECT_EQ(Language::stringForKey("Not In Any Table"), "Not In Any Table");
    EXPECT_TRUE(Language::stringForKey("").isNull());
    EXPECT_TRUE(Language::stringForKey(QString()).isNull());
    EXPECT_EQ(Language::language(), "en");
    EXPECT_FALSE(Language::arrayForKey("Fit").isValid());

    // No language folder at all: nothing is loaded and nothing is posted.
    RefreshCounter counter;
    Language::reset(qmtest::freshDir("no-languages"), "de");
    EXPECT_EQ(Language::stringForKey("Fit"), "Fit");
    EXPECT_EQ(Language::language(), "en");
    Language::setLanguage("en");
    EXPECT_EQ(counter.count, 0);
}

TEST_F(LanguageTest, FolderWithoutReadableTableKeepsItsNameAndReturnsKeys)
{
    Language::reset(fixture.root(), "es");
    EXPECT_EQ(Language::language(), "es");
    EXPECT_EQ(Language::stringForKey("Fit"), "Fit");
    EXPECT_FALSE(Language::arrayForKey("Fit").isValid());

    QFile damaged(fixture.addFolder("ru") + "/strings.plist");
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("<?xml version=\"1.0\"?><plist><dict><key>Fit</key><str");
    damaged.close();
    Language::setLanguage("ru");
    EXPECT_EQ(Language::language(), "ru");
    EXPECT_EQ(Language::stringForKey("Fit"), "Fit");
}

TEST_F(LanguageTest, LoadingAnotherLanguageReplacesTheTable)
{
    Language::reset(fixture.root(), "de");
    EXPECT_EQ(Language::stringForKey("Front"), "Vorderseite");
    Language::setLanguage("ru");
    EXPECT_EQ(Language::language(), "ru");
    EXPECT_EQ(Language::stringForKey("Fit"), "Вписать");
    EXPECT_TRUE(Language::stringForKey("Front").isNull());
    // A code that names no folder, however odd, loads English.
    Language::setLanguage("../de");
    EXPECT_EQ(Language::language(), "en");
}

TEST_F(LanguageTest, PresentButEmptyEntryIsAnAnswer)
{
    Language::reset(fixture.root(), "en");
    const QString blank = Language::stringForKey("Blank");
    EXPECT_FALSE(blank.isNull());
    EXPECT_TRUE(blank.isEmpty());
    EXPECT_EQ(localizedString("Front"), "Front");
}

TEST_F(LanguageTest, NativeFollowsTheSystemLanguageNotTheLoadedOne)
{
    Language::reset(fixture.root(), "fr");
    EXPECT_TRUE(Language::isEnglish());
    EXPECT_FALSE(Language::native());
    Language::reset(fixture.root(), "en");
    Language::setLanguage("de");
    EXPECT_TRUE(Language::native());
    EXPECT_FALSE(Language::isEnglish());
}

TEST_F(LanguageTest, ArrayForKeyGivesTheRawValue)
{
    const QString path = fixture.addFolder("de") + "/strings.plist";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>Units</key><array><string>Zoll</string><string>Punkte</string></array>"
               "<key>Fit</key><string>Einpassen</string></dict></plist>\n");
    file.close();
    Language::reset(fixture.root(), "de");
    EXPECT_EQ(Language::arrayForKey("Units").toList(), (QVariantList{"Zoll", "Punkte"}));
    EXPECT_TRUE(Language::stringForKey("Units").isNull());
    EXPECT_FALSE(Language::arrayForKey("Nothing").isValid());
}

TEST_F(LanguageTest, OtherTablesFollowTheSystemLanguageAndFallBackToTheKey)
{
    fixture.addTable("de", {{"Move Group", "Gruppe bewegen"}}, "UndoStrings");
    fixture.addTable("en", {{"Move Group", "Move Group"}, {"Labels Range", "Labels Range"}}, "UndoStrings");
    fixture.addTable("zh-Hans", {{"Labels Range", "标签范围"}}, "PrintPanelAccessory");

    Language::reset(fixture.root(), "de");
    EXPECT_EQ(localizedStringFromTable("Move Group", "UndoStrings"), "Gruppe bewegen");
    EXPECT_EQ(localizedStringFromTable("Duplicate", "UndoStrings"), "Duplicate");
    EXPECT_EQ(localizedStringFromTable("Labels Range", "PrintPanelAccessory"), "Labels Range");
    EXPECT_EQ(localizedStringFromTable("Move Group", "../de.lproj/UndoStrings"), "Move Group");

    Language::reset(fixture.root(), "zh");
    EXPECT_EQ(localizedStringFromTable("Labels Range", "PrintPanelAccessory"), "标签范围");

    Language::reset(fixture.root(), "fr");
    EXPECT_EQ(localizedStringFromTable("Move Group", "UndoStrings"), "Move Group");
}

} // namespace

TEST(LanguageValues, FillThePlacesInOrderAndNeverRefillAValue)
{
    // A file name the user typed may itself hold "%@": it stays as typed, and the next value
    // goes into the text's own next place.
    EXPECT_EQ(Language::withValues(QStringLiteral("Could not write %@: %@"), {QStringLiteral("a%@b.pdf"), QStringLiteral("disk full")}),
              QStringLiteral("Could not write a%@b.pdf: disk full"));
    EXPECT_EQ(Language::withValues(QStringLiteral("%@ of %@"), {QStringLiteral("3")}), QStringLiteral("3 of %@"));
    EXPECT_EQ(Language::withValues(QStringLiteral("no places"), {QStringLiteral("x")}), QStringLiteral("no places"));
}

// Qt's own dialogs and buttons follow the loaded language through Qt's translations; English,
// a language Qt has no translation for, and clean() leave them English.
TEST(LanguageQtTranslations, QtsOwnTextsFollowTheLoadedLanguage)
{
    auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    const std::pair<const char *, const char *> expected[] = {
        {"de", "Abbrechen"}, {"es", "Cancelar"}, {"ru", "Отмена"}, {"zh", "取消"}};
    for (const auto &[code, word] : expected) {
        Language::reset(qmtest::resourcesDir(), QString::fromLatin1(code));
        Language::initialize();
        EXPECT_EQ(cancel(), QString::fromUtf8(word)) << code;
        Language::setLanguage(Language::english());
        EXPECT_EQ(cancel(), QStringLiteral("Cancel")) << code << " then English";
        Language::setLanguage(QString::fromLatin1(code));
        EXPECT_EQ(cancel(), QString::fromUtf8(word)) << code << " again";
        Language::clean();
        EXPECT_EQ(cancel(), QStringLiteral("Cancel")) << code << " cleaned";
    }
    Language::reset(qmtest::resourcesDir(), QStringLiteral("fr"));
    Language::initialize();
    EXPECT_EQ(cancel(), QStringLiteral("Cancel")) << "French loads the English folder";
    Language::reset();
    EXPECT_EQ(cancel(), QStringLiteral("Cancel")) << "reset";
}
