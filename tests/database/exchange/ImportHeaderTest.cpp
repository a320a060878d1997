// The header rows of the contact exports of mail programs and address books, mapped to the
// fields of a new database as the import wizard maps them.
#include <gtest/gtest.h>

#include "database/DatabaseTestSupport.h"
#include "database/exchange/ImportHeader.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

// The importable fields of a new database, as the wizard lists them.
QList<DatabaseOrder> importableFields()
{
    const auto db = dbtest::freshDatabase();
    QList<DatabaseOrder> fields;
    for (const tableField &field : db->fieldsStructure())
        if (field.flags & 4)
            fields.append(DatabaseOrder(1, field.type, field.title));
    return fields;
}

// Each column's field title, "-" for none.
QStringList titles(const QList<int> &mapping, const QList<DatabaseOrder> &fields)
{
    QStringList out;
    for (int entry : mapping)
        out.append(entry > 0 ? fields.at(entry - 1).title() : QStringLiteral("-"));
    return out;
}

} // namespace

TEST(ImportHeader, ContactExportsOfMoreProgramsMapToTheirFields)
{
    const QList<DatabaseOrder> fields = importableFields();
    struct Case
    {
        const char *program;
        QStringList header;
        QStringList expected;
    };
    const Case cases[] = {
        {"desktop mail, second kind",
         {"First Name", "Last Name", "Display Name", "Nickname", "Primary Email", "Secondary Email", "Work Phone", "Home Phone",
          "Fax Number", "Mobile Number", "Home Address", "Home City", "Home State", "Home ZipCode", "Home Country", "Work Address",
          "Work City", "Work State", "Work ZipCode", "Work Country", "Job Title", "Organization", "Web Page 1"},
         {"First Name", "Last Name", "-", "-", "Email", "-", "Phone Work", "Phone Home", "Fax", "Phone Mobile", "-", "-", "-", "-",
          "-", "Address", "City", "State", "Zip", "Country", "Title", "Company", "Web"}},
        {"webmail, second kind",
         {"First", "Middle", "Last", "Nickname", "Email", "Home", "Work", "Mobile", "Fax", "Title", "Company", "Work Address",
          "Work City", "Work State", "Work ZIP", "Work Country", "Personal Website"},
         {"First Name", "Middle Name", "Last Name", "-", "Email", "Phone Home", "Phone Work", "Phone Mobile", "Fax", "Title",
          "Company", "Address", "City", "State", "Zip", "Country", "Web"}},
        // A whole name fills the first name only when nothing names it alone.
        {"hand-made", {"Name", "E-mail", "ZIP Code"}, {"First Name", "Email", "Zip"}},
        {"hand-made with parts", {"Name", "Given Name", "Family Name"}, {"-", "First Name", "Last Name"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.program);
        EXPECT_EQ(titles(ImportHeader::mapping(c.header, fields, {}), fields), c.expected);
    }
    EXPECT_TRUE(ImportHeader::mapping({"Colour", "Shoe size"}, fields, {}).isEmpty());
}

TEST(ImportHeader, TheContactsPreferenceChoosesTheAddressAndTheOtherStandsIn)
{
    const QList<DatabaseOrder> fields = importableFields();
    const QStringList header = {"Business Street", "Business City", "Home Street", "Home City", "Phone 1 - Type", "Phone 1 - Value"};
    UserDefaults::standard().setObject("Home", "profileContacts");
    ImportHeader::Plan plan = ImportHeader::plan(header, {"", "", "", "", "* Mobile", "+1"}, fields, {});
    EXPECT_EQ(titles(plan.mapping, fields), QStringList({"-", "-", "Address", "City", "-", "Phone Mobile"}));
    EXPECT_EQ(plan.alternate, QList<int>({-1, -1, 0, 1, -1, -1}));
    EXPECT_EQ(plan.typeColumn, QList<int>({-1, -1, -1, -1, -1, 4}));
    UserDefaults::standard().removeObject("profileContacts");
    plan = ImportHeader::plan(header, {"", "", "", "", "Work Fax", "+1"}, fields, {});
    EXPECT_EQ(titles(plan.mapping, fields), QStringList({"Address", "City", "-", "-", "-", "Fax"}));
    EXPECT_EQ(plan.alternate, QList<int>({2, 3, -1, -1, -1, -1}));

    EXPECT_EQ(ImportHeader::phoneFieldForType("* Home"), "Phone_Home");
    EXPECT_EQ(ImportHeader::phoneFieldForType("Home Fax"), "Fax");
    EXPECT_EQ(ImportHeader::phoneFieldForType("Cell"), "Phone_Mobile");
    EXPECT_TRUE(ImportHeader::phoneFieldForType("Main").isNull());
    EXPECT_EQ(ImportHeader::firstValue("+1 555 0100 ::: +1 555 0101"), "+1 555 0100");
}
