// vCard import and export and the database preferences sheet as the user runs them in the
// database window; stored records read back with the sqlite3 program.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "database/EditorFixture.h"
#include "database/window/PreferencesDatabasePanel.h"

using namespace quillmark;

namespace {

QString writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = qmtest::freshDir(QStringLiteral("cards")) + QLatin1Char('/') + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

QString readFile(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

class CardsAndPreferences : public dbtest::EditorFixture
{
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        UserDefaults::standard().removeObject("fieldValues");
        UserDefaults::standard().removeObject("fieldOrder");
        UserDefaults::standard().removeObject("profileContacts");
    }
    void TearDown() override
    {
        UserDefaults::standard().removeObject("fieldValues");
        UserDefaults::standard().removeObject("fieldOrder");
        UserDefaults::standard().removeObject("profileContacts");
        EditorFixture::TearDown();
    }
};

} // namespace

TEST_F(CardsAndPreferences, AVCardFileBecomesOneRecordPerCard)
{
    testPath = dbtest::makeNamedDatabase("Test", 0);
    launch();
    const QString file = writeFile("people.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Doe;Jane;Q;Dr.;\r\nDATE:2020-01-02 03:04:05 +0000\r\n"
                                                 "ORG;ENCODING=QUOTED-PRINTABLE:Acme=20Inc\r\nEND:VCARD\r\n"
                                                 "BEGIN:VCARD\r\nN:Roe;Bob;;;\r\nTEL;TYPE=CELL:555\r\n"
                                                 "BEGIN:VCARD\r\nN:M\xC3\xBCller;Hans;;;\r\nEND:VCARD\r\n");
    prompts->queuePath(file);
    editor().importVCard();
    EXPECT_EQ(prompts->calls().first().title, "Please Choose a VCard (.vcf) File containing Database Data");
    EXPECT_EQ(prompts->calls().first().extensions, QStringList({"vcf"}));
    EXPECT_EQ(alerts(), 0);
    EXPECT_EQ(dbtest::cli(testPath, "SELECT Last_Name, First_Name, Middle_Name, Salutation, Company, Groups FROM dbtable ORDER BY pk;"),
              QString::fromUtf8("Doe|Jane|Q|Dr.|Acme Inc|0\nM\u00FCller|Hans||||0"));
    EXPECT_EQ(dbtest::cli(testPath, "SELECT Date FROM dbtable WHERE pk = 1;"), "2020-01-02 03:04:05 +0000");
    // A card without a date has the time of the import.
    EXPECT_TRUE(dbtest::cli(testPath, "SELECT Date FROM dbtable WHERE pk = 2;").startsWith("20"));
    EXPECT_EQ(text("filteredCount"), "2");
}

TEST_F(CardsAndPreferences, AllRecordsOrTheCurrentOneAreExportedAsVCards)
{
    testPath = dbtest::makeNamedDatabase("Test", 3);
    launch();
    editor().selectRow(1);
    const QString folder = qmtest::freshDir("vcf");
    prompts->queueSaveOfType(folder + "/all");
    editor().exportVCard();
    EXPECT_TRUE(prompts->last().hadAccessory);
    EXPECT_EQ(prompts->last().defaultName, "Test.vcf");
    const QString all = readFile(folder + "/all.vcf");
    EXPECT_EQ(all.count("BEGIN:VCARD"), 3);
    EXPECT_TRUE(all.contains("N:Name01;First1;;;\r\n"));
    EXPECT_TRUE(all.indexOf("Name02") > all.indexOf("Name01"));
    // The record shown is still the one selected.
    EXPECT_EQ(editor().formRecordPk(), 2);

    prompts->queueSaveOfType(folder + "/one.vcf", -1, [](QWidget *accessory) {
        accessory->findChild<QRadioButton *>("exportCurrent")->setChecked(true);
    });
    editor().exportVCard();
    const QString one = readFile(folder + "/one.vcf");
    EXPECT_EQ(one.count("BEGIN:VCARD"), 1);
    EXPECT_TRUE(one.contains("N:Name02;First2;;;\r\n"));

    // Read back by the import into an empty database: the same people.
    const QString copy = dbtest::makeNamedDatabase("Copy", 0);
    ASSERT_TRUE(editor().setDatabasePath(copy));
    prompts->queuePath(folder + "/all.vcf");
    editor().importVCard();
    EXPECT_EQ(dbtest::cli(copy, "SELECT Last_Name, First_Name FROM dbtable ORDER BY pk;"), "Name01|First1\nName02|First2\nName03|First3");
}

TEST_F(CardsAndPreferences, ThePreferencesSetNewRecordValuesTabOrderAndProfile)
{
    testPath = dbtest::makeNamedDatabase("Test", 1);
    launch();
    editor().preferences();
    PreferencesDatabasePanel *sheet = editor().preferencesDatabasePanel();
    ASSERT_TRUE(sheet && sheet->isVisible());
    // Fields with flag bit 1 but not the date; the order lists them all.
    EXPECT_EQ(sheet->valuesTable()->rowCount(), 21);
    EXPECT_EQ(sheet->valuesTable()->item(0, 0)->text(), "Salutation");
    EXPECT_EQ(sheet->orderTable()->count(), 22);
    EXPECT_EQ(sheet->profilePopup()->currentText(), "Work");
    EXPECT_EQ(UserDefaults::standard().stringForKey("profileContacts"), "Work");
    // A default City, Company left out of the Tab order, Home as the profile.
    for (int row = 0; row < sheet->valuesTable()->rowCount(); ++row)
        if (sheet->valuesTable()->item(row, 0)->text() == "City")
            sheet->valuesTable()->item(row, 1)->setText("Springfield");
    int companyRow = -1;
    for (int row = 0; row < sheet->orderTable()->count(); ++row)
        if (sheet->orderTable()->item(row)->text() == "Company")
            companyRow = row;
    ASSERT_GE(companyRow, 0);
    sheet->toggleOrderRow(companyRow);
    sheet->profilePopup()->setCurrentIndex(1);
    QTest::mouseClick(sheet->findChild<QPushButton *>("ok"), Qt::LeftButton);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(UserDefaults::standard().stringForKey("profileContacts"), "Home");
    EXPECT_EQ(PreferencesDatabasePanel::storedOrder().size(), 22);

    editor().addRecord();
    EXPECT_EQ(dbtest::cli(testPath, "SELECT City FROM dbtable ORDER BY pk DESC LIMIT 1;"), "Springfield");
    // Tab from Title's field skips Company.
    QWidget *first = editor().valueControlForPk(6); // Last Name
    QWidget *company = editor().valueControlForPk(7);
    QWidget *title = editor().valueControlForPk(8);
    EXPECT_EQ(first->nextInFocusChain() == company, false);
    EXPECT_EQ(first->nextInFocusChain(), title);

    // Cancel keeps what was saved.
    editor().preferences();
    sheet->profilePopup()->setCurrentIndex(0);
    QTest::mouseClick(sheet->findChild<QPushButton *>("cancel"), Qt::LeftButton);
    EXPECT_EQ(UserDefaults::standard().stringForKey("profileContacts"), "Home");
}
