#include "database/exchange/ImportHeader.h"

#include "foundation/Language.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <mutex>
#include <optional>

#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace quillmark {

namespace {

const QStringList &addressFields()
{
    static const QStringList fields = {QStringLiteral("Address"), QStringLiteral("City"), QStringLiteral("State"),
                                       QStringLiteral("Zip"), QStringLiteral("Country")};
    return fields;
}

// The kinds of address a contact export writes, the one the contacts preference names first.
QStringList addressKinds()
{
    const bool home = UserDefaults::standard().stringForKey(QStringLiteral("profileContacts")).compare(QLatin1String("Home"), Qt::CaseInsensitive) == 0;
    return home ? QStringList{"home", "business", "work", "other"} : QStringList{"business", "work", "home", "other"};
}

// Every kind of address an export names, whatever the preference.
const QStringList &allAddressKinds()
{
    static const QStringList kinds = {QStringLiteral("business"), QStringLiteral("work"), QStringLiteral("home"), QStringLiteral("other")};
    return kinds;
}

// The kind of address a normalised column name begins with; empty for none.
QString addressKindOf(const QString &name)
{
    for (const QString &kind : allAddressKinds())
        if (name.startsWith(kind))
            return kind;
    return QString();
}

// What follows the kind in the name of a street's further line.
const QStringList &furtherLineSuffixes()
{
    static const QStringList suffixes = {QStringLiteral("address2"),        QStringLiteral("address3"),
                                         QStringLiteral("street2"),         QStringLiteral("street3"),
                                         QStringLiteral("addressline2"),    QStringLiteral("addressline3"),
                                         QStringLiteral("streetaddress2"),  QStringLiteral("streetaddress3"),
                                         QStringLiteral("extendedaddress"), QStringLiteral("address1extendedaddress")};
    return suffixes;
}

} // namespace

// Exact titles and translations are tried first, so these only fill what is left.
QHash<QString, QStringList> ImportHeader::usualNames()
{
    QHash<QString, QStringList> names = {
        {QStringLiteral("First_Name"), {"first", "firstname", "givenname", "forename", "vorname", "prenom", "nombre"}},
        {QStringLiteral("Last_Name"), {"last", "lastname", "familyname", "surname", "nachname", "nom", "apellido", "apellidos"}},
        {QStringLiteral("Middle_Name"), {"middle", "middlename", "additionalname", "secondname"}},
        {QStringLiteral("Salutation"), {"prefix", "nameprefix", "honorific", "anrede"}},
        {QStringLiteral("Company"), {"company", "organization", "organisation", "org", "companyname", "organizationname",
                                     "organization1name", "firma", "empresa"}},
        {QStringLiteral("Title"), {"jobtitle", "position", "role", "organizationtitle", "organization1title"}},
        {QStringLiteral("Address"), {"street", "streetaddress", "address1", "addressline1", "address1street", "addressstreet", "strasse", "calle"}},
        {QStringLiteral("City"), {"town", "locality", "address1city", "ort", "stadt", "ciudad", "ville"}},
        {QStringLiteral("State"), {"province", "region", "county", "address1region", "bundesland"}},
        {QStringLiteral("Zip"), {"zip", "zipcode", "postalcode", "postcode", "address1postalcode", "postleitzahl", "plz", "cp"}},
        {QStringLiteral("Country"), {"countryregion", "address1country", "land", "pais", "pays"}},
        {QStringLiteral("Phone_Home"), {"phone", "telephone", "tel", "homephone", "phonehome", "privatephone", "telefon", "home", "phone1value"}},
        {QStringLiteral("Phone_Work"), {"workphone", "businessphone", "officephone", "work", "phone2value"}},
        {QStringLiteral("Phone_Mobile"), {"mobile", "mobilephone", "mobilenumber", "cell", "cellphone", "handy", "movil", "phone3value"}},
        {QStringLiteral("Fax"), {"fax", "businessfax", "homefax", "faxnumber", "phone4value"}},
        {QStringLiteral("Email"), {"email", "emailaddress", "mail", "email1value", "email1", "primaryemail", "email1address"}},
        {QStringLiteral("Web"), {"web", "website", "webpage", "url", "homepage", "internet", "website1value", "webpage1",
                                 "personalwebsite", "businesswebsite"}},
    };
    // The parts of the business and home addresses, in the order of the contacts preference.
    const QList<std::pair<QString, QStringList>> parts = {
        {QStringLiteral("Address"), {"street", "address"}},
        {QStringLiteral("City"), {"city"}},
        {QStringLiteral("State"), {"state", "region"}},
        {QStringLiteral("Zip"), {"postalcode", "zipcode", "zip"}},
        {QStringLiteral("Country"), {"countryregion", "country"}},
    };
    for (const QString &kind : addressKinds())
        for (const auto &[field, suffixes] : parts)
            for (const QString &suffix : suffixes)
                names[field].append(kind + suffix);
    // A whole name fills the first name only when no column has the first name alone.
    names[QStringLiteral("First_Name")] << "name" << "fullname" << "displayname";
    return names;
}

QStringList ImportHeader::furtherLineNames()
{
    QStringList names;
    for (const QString &kind : QStringList{QString()} + allAddressKinds())
        for (const QString &suffix : furtherLineSuffixes())
            names.append(kind + suffix);
    return names;
}

namespace {

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

int fieldIndex(const QList<DatabaseOrder> &fields, const QString &dbtitle)
{
    for (int k = 0; k < fields.size(); ++k)
        if (fields.at(k).dbtitle() == dbtitle)
            return k;
    return -1;
}

} // namespace

QStringList ImportHeader::ownTitles(const DatabaseOrder &field, const QString &shownTitle)
{
    const QString title = field.title();
    QStringList titles = {title, shownTitle, Language::stringForKey(title)};
    for (const QVariantMap &table : languageTables())
        titles << table.value(title).toString();
    titles.removeAll(QString());
    titles.removeDuplicates();
    return titles;
}

QHash<QString, int> ImportHeader::knownNames(const QList<DatabaseOrder> &fields, const QStringList &shownTitles)
{
    QHash<QString, int> known;
    // The fields' own titles first: where another field's usual name is the same, the title wins.
    for (int k = 0; k < fields.size(); ++k)
        for (const QString &title : ownTitles(fields.at(k), shownTitles.value(k)))
            if (const QString name = normalised(title); !known.contains(name))
                known.insert(name, k);
    const QHash<QString, QStringList> usual = usualNames();
    for (int k = 0; k < fields.size(); ++k)
        for (const QString &name : usual.value(fields.at(k).dbtitle()))
            if (!known.contains(name))
                known.insert(name, k);
    // Names of fields this database lacks, and of a street's further lines, name columns all the same.
    for (auto it = usual.cbegin(); it != usual.cend(); ++it)
        for (const QString &name : it.value())
            if (!known.contains(name))
                known.insert(name, -1);
    for (const QString &name : furtherLineNames())
        if (!known.contains(name))
            known.insert(name, -1);
    known.remove(QString());
    return known;
}

QString ImportHeader::normalised(const QString &name)
{
    QString out;
    out.reserve(name.size());
    // Most names are plain ASCII, folded here without ICU: a file as wide as a spreadsheet
    // has thousands of them, and the rows below are compared too.
    if (std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; })) {
        for (QChar c : name) {
            const char16_t u = c.unicode();
            if (u >= u'A' && u <= u'Z')
                out += QChar(char16_t(u + 32));
            else if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9'))
                out += c;
        }
        return out;
    }
    // The titles of the fields in every language are compared for every file: each is
    // folded once. A long value from a file is no title.
    if (name.size() > 128)
        return foldedName(name);
    static std::mutex mutex;
    static QHash<QString, QString> folded;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const auto it = folded.constFind(name);
        if (it != folded.cend())
            return it.value();
    }
    out = foldedName(name);
    const std::lock_guard<std::mutex> lock(mutex);
    if (folded.size() > 4096)
        folded.clear();
    folded.insert(name, out);
    return out;
}

QString ImportHeader::foldedName(const QString &name)
{
    QString out;
    // The compatibility decomposition parts accents from their letters and turns ligatures and
    // full-width forms into plain letters; full case folding, the same in every locale, makes
    // "ß" and "ẞ" "ss". The marks, blanks and punctuation left over go.
    const QString decomposed = name.normalized(QString::NormalizationForm_KD);
    icu::UnicodeString text(reinterpret_cast<const UChar *>(decomposed.utf16()), int32_t(decomposed.size()));
    text.foldCase(U_FOLD_CASE_DEFAULT);
    const QString folded =
        QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length()).normalized(QString::NormalizationForm_KD);
    for (const char32_t c : folded.toUcs4())
        if (QChar::isLetterOrNumber(c))
            out += QString::fromUcs4(&c, 1);
    return out;
}

bool ImportHeader::readsAsValue(const QString &text)
{
    if (text.contains(QLatin1Char('@')) || text.contains(QLatin1String("://")) || text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return true;
    // Phones, postal codes, dates and amounts are mostly digits; a column's name is mostly letters.
    int digits = 0;
    int letters = 0;
    for (QChar c : text) {
        if (c.isDigit())
            ++digits;
        else if (c.isLetter())
            ++letters;
    }
    return digits > 0 && digits >= letters;
}

namespace {

// What a value looks like, as far as it tells a column's name from the column's data.
enum class Kind { Empty, Email, Web, Numeric, Mixed, Word, Words, Text };

// No column is named at greater length: a longer cell is data, and only this much of a value
// is looked at to tell its kind.
constexpr qsizetype LongestName = 128;

Kind kindOf(QStringView raw)
{
    const QStringView text = raw.left(LongestName * 2).trimmed();
    if (text.isEmpty())
        return Kind::Empty;
    if (text.contains(u'@'))
        return Kind::Email;
    if (text.contains(u"://") || text.startsWith(u"www.", Qt::CaseInsensitive))
        return Kind::Web;
    int digits = 0;
    int letters = 0;
    int words = 0;
    bool inWord = false;
    for (QChar c : text) {
        if (c.isDigit())
            ++digits;
        else if (c.isLetter())
            ++letters;
        const bool blank = c.isSpace();
        if (!blank && !inWord)
            ++words;
        inWord = !blank;
    }
    if (digits > 0 && digits >= letters)
        return Kind::Numeric;
    if (digits > 0)
        return Kind::Mixed;
    if (words <= 1)
        return Kind::Word;
    if (words <= 4 && text.size() <= 40)
        return Kind::Words;
    return Kind::Text;
}

// Whether a value of that kind reads as data of the field; nothing for a field whose data may
// be anything (a user field, a picture).
std::optional<bool> readsAsDataOf(const DatabaseOrder &field, Kind kind, QStringView value)
{
    switch (field.type()) {
    case 0: // INTEGER
    case 1: // REAL
        return kind == Kind::Numeric;
    case 2: // DATE: "2024-01-15", "15 Jan 2024"
        return kind == Kind::Numeric || kind == Kind::Mixed;
    case 4: // BLOB
        return std::nullopt;
    default:
        break;
    }
    const QString title = field.dbtitle();
    if (title == QLatin1String("Email"))
        return kind == Kind::Email;
    if (title == QLatin1String("Web"))
        return kind == Kind::Web || (kind == Kind::Word && value.contains(u'.'));
    if (ImportHeader::isPhoneField(title))
        return kind == Kind::Numeric;
    if (title == QLatin1String("Zip"))
        return kind == Kind::Numeric || kind == Kind::Mixed;
    // A street has its number, or at least two words.
    if (title == QLatin1String("Address"))
        return kind == Kind::Mixed || kind == Kind::Words || kind == Kind::Text;
    if (title == QLatin1String("Company") || title == QLatin1String("Title"))
        return kind == Kind::Word || kind == Kind::Words || kind == Kind::Text || kind == Kind::Mixed;
    for (const char *words : {"First_Name", "Middle_Name", "Last_Name", "Salutation", "City", "State", "Country"})
        if (title == QLatin1String(words))
            return kind == Kind::Word || kind == Kind::Words;
    return std::nullopt;
}

} // namespace

bool ImportHeader::readsAsHeader(const QStringList &first, const QList<QStringList> &below, const QList<DatabaseOrder> &fields,
                                 const QStringList &shownTitles)
{
    const Plan names = plan(first, below.value(0), fields, shownTitles);
    if (names.isEmpty())
        return false;
    // Every name the importer knows for a column, by the field it names (-1 for a field this
    // database lacks, or a street's further line).
    const QHash<QString, int> known = knownNames(fields, shownTitles);
    // The rows that tell what the data is like: enough for a column's kind and its recurring
    // values, few enough for a file as wide as a spreadsheet.
    constexpr qsizetype Looked = 50;
    const qsizetype rows = qMin(below.size(), Looked);
    // Each non-empty cell weighs for a header or against it. A cell that names a column weighs
    // for it, the more so when it is unlike the data below ("E-mail" over addresses, "First
    // Name" over single names), and less when it reads as that data and the data is not what
    // it names, or the data contradicts the name: "Street" over "Lee" and "Ray" weighs against.
    // A cell that names nothing weighs against when it reads as the data under it ("Ann" over
    // "Bob"), for when it is unlike it ("Notes" over sentences). A cell shaped like a value (a
    // number, a phone, an address), or one that recurs as a value below, makes the row data
    // whatever else it says.
    int evidence = 0;
    for (int column = 0; column < first.size(); ++column) {
        const QString &cell = first.at(column);
        if (cell.size() > LongestName)
            return false;
        const QString name = normalised(cell);
        if (name.isEmpty())
            continue;
        if (readsAsValue(cell))
            return false;
        const int entry = names.mapping.value(column);
        const int fieldAt = entry > 0 ? entry - 1 : known.value(name, -1);
        const bool named = entry > 0 || known.contains(name);
        const Kind kind = kindOf(cell);
        int values = 0;
        int like = 0;
        int typed = 0;
        int fit = 0;
        for (qsizetype row = 0; row < rows; ++row) {
            const QStringList &record = below.at(row);
            if (column >= record.size())
                continue;
            const QString &value = record.at(column);
            const Kind valueKind = kindOf(value);
            if (valueKind == Kind::Empty)
                continue;
            if (value.size() <= LongestName && normalised(value) == name)
                return false;
            ++values;
            like += valueKind == kind;
            if (fieldAt >= 0) {
                if (const std::optional<bool> reads = readsAsDataOf(fields.at(fieldAt), valueKind, value)) {
                    ++typed;
                    fit += *reads;
                }
            }
        }
        const bool asBelow = values > 0 && like * 10 >= values * 3;
        const bool unlike = values > 0 && like * 10 < values;
        if (!named) {
            evidence += asBelow ? -1 : unlike ? 1 : 0;
            continue;
        }
        const bool confirmed = typed > 0 && fit * 2 >= typed;
        const bool contradicted = typed > 0 && fit * 5 < typed;
        evidence += 1 + (unlike ? 1 : 0) - (asBelow && !confirmed ? 1 : 0) - (contradicted ? 1 : 0);
    }
    return evidence > 0;
}

QString ImportHeader::phoneFieldForType(const QString &type)
{
    const QString t = normalised(type);
    if (t.contains(QLatin1String("fax")))
        return QStringLiteral("Fax");
    if (t.contains(QLatin1String("mobile")) || t.contains(QLatin1String("cell")))
        return QStringLiteral("Phone_Mobile");
    if (t.contains(QLatin1String("work")) || t.contains(QLatin1String("business")) || t.contains(QLatin1String("office")))
        return QStringLiteral("Phone_Work");
    if (t.contains(QLatin1String("home")) || t.contains(QLatin1String("private")))
        return QStringLiteral("Phone_Home");
    return QString();
}

bool ImportHeader::isPhoneField(const QString &dbtitle)
{
    return dbtitle == QLatin1String("Phone_Home") || dbtitle == QLatin1String("Phone_Work")
           || dbtitle == QLatin1String("Phone_Mobile") || dbtitle == QLatin1String("Fax");
}

QString ImportHeader::firstValue(const QString &text)
{
    const qsizetype at = text.indexOf(QLatin1String(" ::: "));
    return at < 0 ? text : text.left(at);
}

QList<int> ImportHeader::mapping(const QStringList &header, const QList<DatabaseOrder> &fields, const QStringList &shownTitles)
{
    return plan(header, QStringList(), fields, shownTitles).mapping;
}

ImportHeader::Plan ImportHeader::plan(const QStringList &header, const QStringList &firstRecord, const QList<DatabaseOrder> &fields,
                                      const QStringList &shownTitles)
{
    QStringList names;
    for (const QString &column : header)
        names.append(column.size() > LongestName ? QString() : normalised(column));
    QList<int> result(header.size(), 0);
    QList<bool> taken(fields.size(), false);
    bool any = false;
    auto assign = [&](int column, int k) {
        result[column] = k + 1;
        taken[k] = true;
        any = true;
    };

    // Beside a job title, "Title" is the one before a name (Dr., Mrs.).
    const bool jobTitle = std::any_of(names.cbegin(), names.cend(), [](const QString &name) {
        return name == QLatin1String("jobtitle") || name == QLatin1String("organizationtitle")
               || name == QLatin1String("organization1title");
    });
    const int salutation = fieldIndex(fields, QStringLiteral("Salutation"));
    if (jobTitle && salutation >= 0) {
        const qsizetype column = names.indexOf(QStringLiteral("title"));
        if (column >= 0)
            assign(int(column), salutation);
    }

    // The field's own titles, in column order.
    QList<QStringList> own(fields.size());
    for (int k = 0; k < fields.size(); ++k) {
        for (const QString &title : ownTitles(fields.at(k), shownTitles.value(k)))
            own[k] << normalised(title);
        own[k].removeAll(QString());
    }
    for (int column = 0; column < header.size(); ++column) {
        if (result.at(column) != 0 || names.at(column).isEmpty())
            continue;
        for (int k = 0; k < fields.size(); ++k) {
            if (!taken.at(k) && own.at(k).contains(names.at(column))) {
                assign(column, k);
                break;
            }
        }
    }

    // The usual names, the best match of any field first.
    const QHash<QString, QStringList> usual = usualNames();
    struct Candidate
    {
        int rank;
        int column;
        int field;
    };
    QHash<QString, QList<std::pair<int, int>>> byName; // name: (field, rank)
    for (int k = 0; k < fields.size(); ++k) {
        const QStringList list = usual.value(fields.at(k).dbtitle());
        for (int rank = 0; rank < list.size(); ++rank)
            byName[list.at(rank)].append({k, rank});
    }
    QList<Candidate> candidates;
    for (int column = 0; column < header.size(); ++column)
        for (const auto &[k, rank] : byName.value(names.at(column)))
            candidates.append({rank, column, k});
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate &a, const Candidate &b) {
        return a.rank != b.rank ? a.rank < b.rank : a.column < b.column;
    });
    for (const Candidate &candidate : std::as_const(candidates))
        if (result.at(candidate.column) == 0 && !taken.at(candidate.field))
            assign(candidate.column, candidate.field);

    Plan plan;
    if (!any)
        return plan;
    plan.mapping = result;
    plan.typeColumn = QList<int>(header.size(), -1);
    plan.alternate = QList<int>(header.size(), -1);

    // "Phone 1 - Value" beside "Phone 1 - Type" (or "- Label"): the type chooses the field.
    for (int column = 0; column < header.size(); ++column) {
        const QString &name = names.at(column);
        if (!name.endsWith(QLatin1String("value")))
            continue;
        const QString base = name.chopped(5);
        for (const char *suffix : {"type", "label"}) {
            const qsizetype typeColumn = names.indexOf(base + QLatin1String(suffix));
            if (typeColumn >= 0) {
                plan.typeColumn[column] = int(typeColumn);
                break;
            }
        }
    }
    // A typed phone column starts out at the field its first record's type names.
    for (int column = 0; column < header.size(); ++column) {
        const int entry = plan.mapping.at(column);
        const int typeColumn = plan.typeColumn.at(column);
        if (entry <= 0 || typeColumn < 0 || !isPhoneField(fields.at(entry - 1).dbtitle()))
            continue;
        const int wanted = fieldIndex(fields, phoneFieldForType(firstRecord.value(typeColumn)));
        if (wanted < 0 || wanted == entry - 1)
            continue;
        const qsizetype holder = plan.mapping.indexOf(wanted + 1);
        if (holder >= 0)
            plan.mapping[holder] = entry; // the two columns swap their fields
        plan.mapping[column] = wanted + 1;
    }

    // A street's further lines follow its first in the address, when that of their kind is
    // the one taken.
    plan.continues = QList<int>(header.size(), -1);
    const int address = fieldIndex(fields, QStringLiteral("Address"));
    const QStringList further = furtherLineNames();
    for (int column = 0; address >= 0 && column < header.size(); ++column) {
        const QString &name = names.at(column);
        if (plan.mapping.at(column) != 0 || !further.contains(name))
            continue;
        const QString kind = addressKindOf(name);
        for (int first = 0; first < header.size(); ++first) {
            if (plan.mapping.at(first) == address + 1 && plan.continues.at(first) < 0 && addressKindOf(names.at(first)) == kind) {
                plan.mapping[column] = address + 1;
                plan.continues[column] = first;
                break;
            }
        }
    }

    // The other kind of address stands in for the chosen one.
    const QStringList kinds = addressKinds();
    for (int column = 0; column < header.size(); ++column) {
        const int entry = plan.mapping.at(column);
        if (entry <= 0 || !addressFields().contains(fields.at(entry - 1).dbtitle()))
            continue;
        const QString &name = names.at(column);
        for (const QString &kind : kinds) {
            if (!name.startsWith(kind))
                continue;
            const QString rest = name.mid(kind.size());
            for (const QString &other : kinds) {
                if (other == kind)
                    continue;
                const qsizetype stand = names.indexOf(other + rest);
                if (stand >= 0 && plan.mapping.at(stand) == 0) {
                    plan.alternate[column] = int(stand);
                    break;
                }
            }
            break;
        }
    }
    return plan;
}

} // namespace quillmark
