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

TEST(ImportHeader, EveryFurtherLineOfAStreetFollowsTheStreetOfItsKind)
{
    const QList<DatabaseOrder> fields = importableFields();
    int address = -1;
    for (int k = 0; k < fields.size(); ++k)
        if (fields.at(k).dbtitle() == "Address")
            address = k + 1;
    ASSERT_GT(address, 0);
    // The street column each further line belongs to, by the kind its name begins with.
    const QStringList kinds = {"business", "work", "home", "other"};
    const QStringList further = ImportHeader::furtherLineNames();
    ASSERT_GE(further.size(), 5 * 8);
    for (const QString &name : further) {
        SCOPED_TRACE(name.toStdString());
        QString kind;
        for (const QString &k : kinds)
            if (name.startsWith(k))
                kind = k;
        const QString street = kind.isEmpty() ? (name.startsWith("address1") ? "address1street" : "street") : kind + "street";
        // The further line before its street, after it, and beside a town of the same kind.
        for (const QStringList &header : {QStringList{"First Name", street, name, kind + "city"}, QStringList{name, "First Name", street}}) {
            const ImportHeader::Plan plan = ImportHeader::plan(header, {}, fields, {});
            const int line = int(header.indexOf(name));
            const int first = int(header.indexOf(street));
            EXPECT_EQ(plan.mapping.value(first), address);
            EXPECT_EQ(plan.mapping.value(line), address);
            EXPECT_EQ(plan.continues.value(line), first);
            EXPECT_EQ(plan.continues.value(first), -1);
            EXPECT_TRUE(ImportHeader::readsAsHeader(header, {{"Ada", "1 Main St", "Suite 5", "London"}}, fields, {}));
        }
    }
    // Without its street a further line goes nowhere: it is no street of its own.
    const ImportHeader::Plan alone = ImportHeader::plan({"First Name", "Work Address 2"}, {}, fields, {});
    EXPECT_EQ(alone.mapping.value(1), 0);
}

TEST(ImportHeader, EveryHeaderOfTheKnownExportsReadsAsAHeaderAndNoValueDoes)
{
    const QList<DatabaseOrder> fields = importableFields();
    const QList<QStringList> headers = {
        {"First Name", "Last Name", "Display Name", "Nickname", "Primary Email", "Secondary Email", "Work Phone", "Home Phone",
         "Fax Number", "Mobile Number", "Home Address", "Home Address 2", "Home City", "Home State", "Home ZipCode", "Home Country",
         "Work Address", "Work Address 2", "Work City", "Work State", "Work ZipCode", "Work Country", "Job Title", "Organization",
         "Web Page 1"},
        {"Name", "Given Name", "Additional Name", "Family Name", "Name Prefix", "E-mail 1 - Type", "E-mail 1 - Value", "Phone 1 - Type",
         "Phone 1 - Value", "Address 1 - Type", "Address 1 - Street", "Address 1 - Extended Address", "Address 1 - City",
         "Address 1 - Postal Code", "Address 1 - Country"},
        {"Title", "First Name", "Middle Name", "Last Name", "Company", "Job Title", "Business Street", "Business Street 2",
         "Business Street 3", "Business City", "Business Postal Code", "Business Country/Region", "Home Street", "Home Street 2",
         "Business Fax", "Business Phone", "Mobile Phone", "E-mail Address", "Web Page"},
        {"E-mail"},
    };
    for (const QStringList &header : headers) {
        SCOPED_TRACE(header.first().toStdString());
        EXPECT_TRUE(ImportHeader::readsAsHeader(header, {}, fields, {}));
    }
    // Values read as values, names as names.
    for (const char *value : {"555-1234", "+44 20 7946 0000", "50667", "2024-01-15", "12.5", "ada@example.org", "https://example.org",
                              "www.example.org"})
        EXPECT_TRUE(ImportHeader::readsAsValue(value)) << value;
    for (const char *name : {"Phone 1 - Value", "Address 1 - Postal Code", "E-mail 2 Address", "User Field 1", "Zip"})
        EXPECT_FALSE(ImportHeader::readsAsValue(name)) << name;
}

// Every name the importer knows for a column, spelled as people spell it: in capitals or small
// letters, with blanks and punctuation, "ss" as "ß" and "ß" as "ss", with accents the table
// leaves out and without those it has. Each maps alone to the field its table names.
TEST(ImportHeader, EveryKnownColumnNameMapsWhateverItsCaseAccentsSpacingAndSharpS)
{
    const QList<DatabaseOrder> fields = importableFields();
    const QHash<QString, int> known = ImportHeader::knownNames(fields, {});
    QList<std::pair<QString, int>> names;
    for (int k = 0; k < fields.size(); ++k)
        for (const QString &title : ImportHeader::ownTitles(fields.at(k), {}))
            names.append({title, k});
    for (auto it = known.cbegin(); it != known.cend(); ++it)
        if (it.value() >= 0)
            names.append({it.key(), it.value()});
    ASSERT_GT(names.size(), 200);

    auto variants = [](const QString &name) {
        QStringList out = {name.toUpper(), name.toLower(), QStringLiteral("  ") + name + QStringLiteral(" ")};
        qsizetype mid = name.size() / 2;
        if (mid > 0 && name.at(mid).isLowSurrogate())
            --mid;
        for (const char *separator : {" ", "-", "_", ".", " / ", "\t"})
            if (mid > 0)
                out << name.left(mid) + QLatin1String(separator) + name.mid(mid);
        if (name.contains(QLatin1String("ss"), Qt::CaseInsensitive)) {
            out << QString(name).replace(QLatin1String("ss"), QStringLiteral("\u00DF"), Qt::CaseInsensitive);
            out << name.toUpper().replace(QLatin1String("SS"), QStringLiteral("\u1E9E"));
        }
        if (name.contains(QChar(0x00DF)))
            out << QString(name).replace(QChar(0x00DF), QLatin1String("ss"));
        // An accent on the first vowel, and the name without any.
        for (qsizetype i = 0; i < name.size(); ++i) {
            if (QStringLiteral("aeiouAEIOU").contains(name.at(i))) {
                out << (name.left(i + 1) + QChar(0x0301) + name.mid(i + 1)).normalized(QString::NormalizationForm_C);
                break;
            }
        }
        QString bare;
        for (QChar c : name.normalized(QString::NormalizationForm_D))
            if (!c.isMark())
                bare += c;
        out << bare;
        return out;
    };
    int tried = 0;
    for (const auto &[name, k] : names) {
        const QString expected = fields.at(k).title();
        SCOPED_TRACE(name.toStdString());
        ASSERT_EQ(titles(ImportHeader::mapping({name}, fields, {}), fields), QStringList{expected});
        for (const QString &variant : variants(name)) {
            EXPECT_EQ(titles(ImportHeader::mapping({variant}, fields, {}), fields), QStringList{expected}) << variant.toStdString();
            ++tried;
        }
    }
    EXPECT_GT(tried, 2000);
    // As people write them beside what the table has.
    EXPECT_EQ(titles(ImportHeader::mapping({"Stra\u00DFe", "PR\u00C9NOM", "T\u00E9l\u00E9phone", "Pa\u00EDs", "E\u2011Mail"}, fields, {}), fields),
              QStringList({"Address", "First Name", "Phone Home", "Country", "Email"}));
}
