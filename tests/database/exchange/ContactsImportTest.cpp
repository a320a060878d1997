// The contacts import: one contact mapped onto field values by the profile, contact groups
// becoming the database's groups, and the whole import as the Database menu runs it, with a
// contact store of the test's own.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include "database/EditorFixture.h"
#include "database/exchange/ContactSource.h"
#include "database/exchange/ImportAddressBook.h"

using namespace quillmark;

namespace {

Contact person()
{
    Contact c;
    c.identifier = "1";
    c.namePrefix = "Dr.";
    c.givenName = "Jane";
    c.middleName = "Q";
    c.familyName = "Doe";
    c.nameSuffix = "Jr.";
    c.organizationName = "Acme";
    c.departmentName = "Labs";
    c.jobTitle = "Chemist";
    c.postalAddresses = {{ContactSource::LabelWork, "9 Work Rd", "Capital", "IL", "60000", "USA"},
                         {ContactSource::LabelHome, "1 Main St", "Springfield", "IL", "62701", "USA"}};
    c.phoneNumbers = {{ContactSource::LabelWork, "111"},     {ContactSource::LabelHome, "222"},
                      {ContactSource::LabelWorkFax, "333"},  {ContactSource::LabelHomeFax, "444"},
                      {ContactSource::LabelMobile, "555"},   {ContactSource::LabelMobile, "556"},
                      {ContactSource::LabelWorkFax, "334"},  {"other", "999"}};
    c.emailAddresses = {{ContactSource::LabelWork, "jane@work.example"}, {ContactSource::LabelHome, "jane@home.example"},
                        {"other", "x@example"}};
    c.urlAddresses = {{"", "https://a.example"}, {ContactSource::LabelHome, "https://b.example"}};
    return c;
}

// A contact store that answers as the test says.
class FakeContacts : public ContactSource
{
public:
    Access access = Access::Granted;
    QStringList storeGroups;
    QList<Contact> storeContacts;
    int requests = 0;

    void requestAccess(std::function<void(Access, const QString &)> answer) override
    {
        ++requests;
        QTimer::singleShot(0, [this, answer] { answer(access, access == Access::Granted ? QString() : QStringLiteral("Access was refused.")); });
    }
    QStringList groups() const override { return storeGroups; }
    QList<Contact> contacts() const override { return storeContacts; }
};

class ContactsImport : public dbtest::EditorFixture
{
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        auto fake = std::make_unique<FakeContacts>();
        contacts = fake.get();
        ContactSource::setSystem(std::move(fake));
        UserDefaults::standard().removeObject("profileContacts");
    }
    void TearDown() override
    {
        ContactSource::setSystem(nullptr);
        UserDefaults::standard().removeObject("profileContacts");
        EditorFixture::TearDown();
    }

    void importAndWait()
    {
        const int before = contacts->requests;
        editor().importAddressBook();
        EXPECT_EQ(contacts->requests, before + 1);
        // The answer comes from the event loop, as the store's would.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    FakeContacts *contacts = nullptr;
};

} // namespace

TEST(ImportAddressBookMapping, TheProfileChoosesAddressFaxAndEmail)
{
    const QVariantMap work = ImportAddressBook(person(), "Work").dict();
    EXPECT_EQ(work.value("Salutation"), "Dr.");
    EXPECT_EQ(work.value("Suffix"), "Jr.");
    EXPECT_EQ(work.value("First Name"), "Jane");
    EXPECT_EQ(work.value("Middle Name"), "Q");
    EXPECT_EQ(work.value("Last Name"), "Doe");
    EXPECT_EQ(work.value("Company"), "Acme");
    EXPECT_EQ(work.value("Department"), "Labs");
    EXPECT_EQ(work.value("Title"), "Chemist");
    EXPECT_EQ(work.value("Address"), "9 Work Rd");
    EXPECT_EQ(work.value("Phone Work"), "111");
    EXPECT_EQ(work.value("Phone Home"), "222");
    EXPECT_EQ(work.value("Fax"), "333; 334");
    EXPECT_EQ(work.value("Phone Mobile"), "555; 556");
    EXPECT_EQ(work.value("Email"), "jane@work.example");
    EXPECT_EQ(work.value("Web"), "https://a.example; https://b.example");
    EXPECT_FALSE(work.contains("Photo"));

    const QVariantMap home = ImportAddressBook(person(), "Home").dict();
    EXPECT_EQ(home.value("Address"), "1 Main St");
    EXPECT_EQ(home.value("City"), "Springfield");
    EXPECT_EQ(home.value("Zip"), "62701");
    EXPECT_EQ(home.value("Fax"), "444");
    EXPECT_EQ(home.value("Email"), "jane@home.example");

    Contact noAddress = person();
    noAddress.postalAddresses = {{"other", "x", "y", "", "", ""}};
    EXPECT_FALSE(ImportAddressBook(noAddress, "Work").dict().contains("City"));
    // Without a stored profile the profile is Work.
    UserDefaults::standard().removeObject("profileContacts");
    EXPECT_EQ(ImportAddressBook::profile(), "Work");
}

TEST_F(ContactsImport, GroupsTwoAndThreeOfFiveGiveSixAndGroupsFollowTheStore)
{
    testPath = dbtest::makeNamedDatabase("Test", 0);
    {
        // A database with only two groups.
        Database db(testPath);
        db.initFieldsStructure();
        while (db.groupsCount() > 2)
            db.deleteGroupAtIndex(db.groupsCount() - 1);
    }
    launch();
    contacts->storeGroups = {"Family", "Friends", "Work", "Club"};
    Contact jane = person();
    jane.groups = {"Friends", "Work"};
    Contact bob;
    bob.givenName = "Bob";
    bob.familyName = "Roe";
    contacts->storeContacts = {jane, bob};
    importAndWait();
    EXPECT_EQ(alerts(), 0);
    EXPECT_EQ(dbtest::cli(testPath, "SELECT title FROM dbgroups ORDER BY pk;"), "Family\nFriends\nWork\nClub");
    EXPECT_EQ(dbtest::cli(testPath, "SELECT Last_Name, First_Name, Groups, Company, City, Phone_Mobile FROM dbtable ORDER BY pk;"),
              "Doe|Jane|6|Acme|Capital|555; 556\nRoe|Bob|0|||");
    // Suffix and Department have no fields in the default database.
    EXPECT_EQ(editor().groupControls().size(), 4);
    EXPECT_EQ(editor().groupControls().at(1)->text(), "Friends");
    EXPECT_EQ(text("filteredCount"), "2");

    // Five groups: the second and third give 6.
    contacts->storeGroups = {"A", "B", "C", "D", "E"};
    Contact five;
    five.familyName = "Five";
    five.groups = {"B", "C"};
    contacts->storeContacts = {five};
    importAndWait();
    EXPECT_EQ(dbtest::cli(testPath, "SELECT Groups FROM dbtable WHERE Last_Name = 'Five';"), "6");
    EXPECT_EQ(dbtest::cli(testPath, "SELECT count(*) FROM dbgroups;"), "5");
}

TEST_F(ContactsImport, RefusedAccessIsSaidAndStillLeavesARecord)
{
    testPath = dbtest::makeNamedDatabase("Test", 0);
    launch();
    contacts->access = ContactSource::Access::Denied;
    importAndWait();
    ASSERT_EQ(alerts(), 1);
    EXPECT_EQ(prompts->last().title, "The system's contacts cannot be read.");
    EXPECT_EQ(prompts->last().message, "Access was refused.");
    EXPECT_EQ(dbtest::cli(testPath, "SELECT count(*) FROM dbtable;"), "1");
    EXPECT_EQ(text("filteredCount"), "1");
}

TEST_F(ContactsImport, AnAnswerForAnotherDatabaseChangesNothing)
{
    testPath = dbtest::makeNamedDatabase("Test", 0);
    const QString other = dbtest::makeNamedDatabase("Other", 0);
    launch();
    ASSERT_TRUE(editor().setDatabasePath(testPath));
    Contact c;
    c.familyName = "Late";
    contacts->storeContacts = {c};
    editor().importAddressBook();
    // The user switches database before the store answers.
    ASSERT_TRUE(editor().setDatabasePath(other));
    QCoreApplication::processEvents();
    EXPECT_EQ(dbtest::cli(testPath, "SELECT count(*) FROM dbtable;"), "0");
    EXPECT_EQ(dbtest::cli(other, "SELECT count(*) FROM dbtable;"), "0");
}
