#include "database/exchange/ImportHeader.h"

#include "foundation/Language.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QHash>

namespace quillmark {

namespace {

// Column names that other programs write, by the column name of the field they mean. Exact
// titles and translations are tried first, so these only fill what is left.
const QHash<QString, QStringList> &usualNames()
{
    static const QHash<QString, QStringList> names = {
        {QStringLiteral("First_Name"), {"first", "firstname", "givenname", "forename", "vorname", "prenom", "nombre", "name", "fullname", "displayname"}},
        {QStringLiteral("Last_Name"), {"last", "lastname", "familyname", "surname", "nachname", "nom", "apellido", "apellidos"}},
        {QStringLiteral("Middle_Name"), {"middle", "middlename", "additionalname", "secondname"}},
        {QStringLiteral("Salutation"), {"prefix", "nameprefix", "honorific", "anrede"}},
        {QStringLiteral("Company"), {"company", "organization", "organisation", "org", "companyname", "firma", "empresa"}},
        {QStringLiteral("Title"), {"jobtitle", "position", "role"}},
        {QStringLiteral("Address"), {"street", "streetaddress", "address1", "addressline1", "homestreet", "businessstreet", "strasse", "calle", "addressstreet", "address1street"}},
        {QStringLiteral("City"), {"town", "locality", "homecity", "businesscity", "ort", "stadt", "ciudad", "ville", "address1city"}},
        {QStringLiteral("State"), {"province", "region", "county", "homestate", "businessstate", "bundesland", "address1region"}},
        {QStringLiteral("Zip"), {"zip", "zipcode", "postalcode", "postcode", "postleitzahl", "plz", "cp", "homepostalcode", "businesspostalcode", "address1postalcode"}},
        {QStringLiteral("Country"), {"countryregion", "homecountryregion", "businesscountryregion", "land", "pais", "pays", "address1country"}},
        {QStringLiteral("Phone_Home"), {"phone", "telephone", "tel", "homephone", "phonehome", "privatephone", "telefon"}},
        {QStringLiteral("Phone_Work"), {"workphone", "businessphone", "officephone"}},
        {QStringLiteral("Phone_Mobile"), {"mobile", "mobilephone", "cell", "cellphone", "handy", "movil"}},
        {QStringLiteral("Fax"), {"fax", "businessfax", "homefax", "faxnumber"}},
        {QStringLiteral("Email"), {"email", "emailaddress", "mail", "email1value", "email1", "primaryemail"}},
        {QStringLiteral("Web"), {"web", "website", "webpage", "url", "homepage", "internet"}},
    };
    return names;
}

// Every language table the program has, read once.
const QList<QVariantMap> &languageTables()
{
    static const QList<QVariantMap> tables = [] {
        QList<QVariantMap> read;
        const QDir root(Language::resourcesRoot());
        for (const QString &folder : root.entryList({QStringLiteral("*.lproj")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QVariant table = PropertyList::readFile(root.filePath(folder + QStringLiteral("/strings.plist")));
            if (table.typeId() == QMetaType::QVariantMap)
                read.append(table.toMap());
        }
        return read;
    }();
    return tables;
}

} // namespace

QString ImportHeader::normalised(const QString &name)
{
    QString out;
    const QString folded = name.toCaseFolded();
    out.reserve(folded.size());
    for (QChar c : folded)
        if (c.isLetterOrNumber())
            out += c;
    return out;
}

QList<int> ImportHeader::mapping(const QStringList &header, const QList<DatabaseOrder> &fields, const QStringList &shownTitles)
{
    // The names of each field, in two passes: its own titles first, the usual names after.
    QList<QStringList> own(fields.size());
    QList<QStringList> usual(fields.size());
    for (int k = 0; k < fields.size(); ++k) {
        const QString title = fields.at(k).title();
        own[k] << normalised(title) << normalised(shownTitles.value(k)) << normalised(Language::stringForKey(title));
        for (const QVariantMap &table : languageTables())
            own[k] << normalised(table.value(title).toString());
        own[k].removeAll(QString());
        usual[k] = usualNames().value(fields.at(k).dbtitle());
    }
    QList<int> result(header.size(), 0);
    QList<bool> taken(fields.size(), false);
    bool any = false;
    for (const QList<QStringList> *names : {&own, &usual}) {
        for (int column = 0; column < header.size(); ++column) {
            if (result.at(column) != 0)
                continue;
            const QString name = normalised(header.at(column));
            if (name.isEmpty())
                continue;
            for (int k = 0; k < fields.size(); ++k) {
                if (!taken.at(k) && names->at(k).contains(name)) {
                    result[column] = k + 1;
                    taken[k] = true;
                    any = true;
                    break;
                }
            }
        }
    }
    return any ? result : QList<int>();
}

} // namespace quillmark
