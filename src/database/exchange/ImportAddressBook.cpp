#include "database/exchange/ImportAddressBook.h"

#include "database/exchange/CVCard.h"
#include "platform/UserDefaults.h"

namespace quillmark {

namespace {

QString trimmedLabel(const QString &label)
{
    static const QString marks = QStringLiteral("_!$<>");
    qsizetype start = 0;
    qsizetype end = label.size();
    while (start < end && marks.contains(label.at(start)))
        ++start;
    while (end > start && marks.contains(label.at(end - 1)))
        --end;
    return label.mid(start, end - start);
}

void append(QString &list, const QString &value)
{
    if (!list.isEmpty())
        list += QStringLiteral("; ");
    list += value;
}

} // namespace

QString ImportAddressBook::profile()
{
    const QString stored = UserDefaults::standard().stringForKey(QStringLiteral("profileContacts"));
    return stored == QLatin1String("Home") ? stored : QStringLiteral("Work");
}

ImportAddressBook::ImportAddressBook(const Contact &contact) : ImportAddressBook(contact, profile()) {}

ImportAddressBook::ImportAddressBook(const Contact &contact, const QString &profile)
{
    importKeysAndValuesFromContact(contact, profile);
}

void ImportAddressBook::importKeysAndValuesFromContact(const Contact &contact, const QString &profile)
{
    auto set = [this](const char *key, const QString &value) {
        if (!value.isEmpty())
            _dict.insert(QString::fromLatin1(key), value);
    };
    set("Salutation", contact.namePrefix);
    set("Suffix", contact.nameSuffix);
    set("First Name", contact.givenName);
    set("Last Name", contact.familyName);
    set("Middle Name", contact.middleName);
    set("Company", contact.organizationName);
    set("Title", contact.jobTitle);
    set("Department", contact.departmentName);

    for (const Contact::PostalAddress &address : contact.postalAddresses) {
        if (trimmedLabel(address.label) != profile)
            continue;
        set("Address", address.street);
        set("City", address.city);
        set("State", address.state);
        set("Zip", address.postalCode);
        set("Country", address.country);
        break;
    }

    const QString faxLabel = profile == QLatin1String("Home") ? ContactSource::LabelHomeFax : ContactSource::LabelWorkFax;
    QString work;
    QString home;
    QString fax;
    QString mobile;
    for (const Contact::Labeled &phone : contact.phoneNumbers) {
        if (phone.value.isEmpty())
            continue;
        if (phone.label == ContactSource::LabelWork)
            append(work, phone.value);
        else if (phone.label == ContactSource::LabelHome)
            append(home, phone.value);
        else if (phone.label == faxLabel)
            append(fax, phone.value);
        else if (phone.label == ContactSource::LabelMobile)
            append(mobile, phone.value);
    }
    set("Phone Work", work);
    set("Phone Home", home);
    set("Fax", fax);
    set("Phone Mobile", mobile);

    QString email;
    for (const Contact::Labeled &address : contact.emailAddresses)
        if ((address.label == ContactSource::LabelWork || address.label == ContactSource::LabelHome)
            && trimmedLabel(address.label) == profile)
            append(email, address.value);
    set("Email", email);

    QString web;
    for (const Contact::Labeled &url : contact.urlAddresses)
        append(web, url.value);
    set("Web", web);

    // The picture is kept as the photo well keeps one.
    const QByteArray photo = CVCard::storedPhoto(contact.imageData);
    if (!photo.isEmpty())
        _dict.insert(QStringLiteral("Photo"), photo);
}

} // namespace quillmark
