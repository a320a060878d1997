#include "database/exchange/EdsContactSource.h"

#include "database/exchange/CVCard.h"
#include "foundation/Language.h"
#include "platform/GuardedReader.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace quillmark {

namespace {

const QString RegistryPath = QStringLiteral("/org/gnome/evolution/dataserver/SourceManager");
const QString FactoryPath = QStringLiteral("/org/gnome/evolution/dataserver/AddressBookFactory");
const QString FactoryInterface = QStringLiteral("org.gnome.evolution.dataserver.AddressBookFactory");
const QString BookInterface = QStringLiteral("org.gnome.evolution.dataserver.AddressBook");
const QString SourceInterface = QStringLiteral("org.gnome.evolution.dataserver.Source");
const QString AllContacts = QStringLiteral("(contains \"x-evolution-any-field\" \"\")");

// The newest interface version among the bus names that start with `prefix` and end in a number.
QString newestName(const QStringList &names, const QString &prefix)
{
    QString best;
    int bestVersion = -1;
    for (const QString &name : names) {
        if (!name.startsWith(prefix))
            continue;
        bool ok = false;
        const int version = name.mid(prefix.size()).toInt(&ok);
        if (ok && version > bestVersion) {
            bestVersion = version;
            best = name;
        }
    }
    return best;
}

// Whether a source's key-file data describes an address book that is switched on.
bool isEnabledAddressBook(const QString &data)
{
    bool addressBook = false;
    bool enabled = true;
    QString section;
    for (const QString &rawLine : data.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            if (section == QLatin1String("Address Book"))
                addressBook = true;
            continue;
        }
        if (section == QLatin1String("Data Source") && line.startsWith(QLatin1String("Enabled=")))
            enabled = line.mid(8).trimmed().compare(QLatin1String("false"), Qt::CaseInsensitive) != 0;
    }
    return addressBook && enabled;
}

QString labelOf(const QStringList &types, bool phone)
{
    const bool work = types.contains(QLatin1String("WORK"));
    const bool home = types.contains(QLatin1String("HOME"));
    if (phone) {
        if (types.contains(QLatin1String("CELL")))
            return ContactSource::LabelMobile;
        if (types.contains(QLatin1String("FAX")))
            return home && !work ? ContactSource::LabelHomeFax : ContactSource::LabelWorkFax;
    }
    if (work)
        return ContactSource::LabelWork;
    if (home)
        return ContactSource::LabelHome;
    return QString();
}

} // namespace

EdsContactSource::EdsContactSource() : _bus(QDBusConnection::sessionBus()) {}

EdsContactSource::EdsContactSource(const QDBusConnection &connection) : _bus(connection) {}

void EdsContactSource::requestAccess(std::function<void(Access, const QString &)> answer)
{
    // Answered from the event loop, as the store's own answer would come.
    std::weak_ptr<bool> alive = _alive;
    QTimer::singleShot(0, QCoreApplication::instance(), [this, alive, answer = std::move(answer)] {
        if (alive.expired())
            return;
        if (!_bus.isConnected()) {
            answer(Access::Unavailable, translated(QStringLiteral("There is no session bus to reach the contacts.")));
            return;
        }
        answer(Access::Granted, QString());
    });
}

bool EdsContactSource::fetch(QString *reason)
{
    _groups.clear();
    _contacts.clear();
    if (!_bus.isConnected()) {
        *reason = translated(QStringLiteral("There is no session bus to reach the contacts."));
        return false;
    }
    QStringList names;
    for (const char *method : {"ListActivatableNames", "ListNames"}) {
        const QDBusMessage reply = _bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                                            QStringLiteral("/org/freedesktop/DBus"),
                                                                            QStringLiteral("org.freedesktop.DBus"),
                                                                            QString::fromLatin1(method)),
                                             QDBus::Block, CallTimeout);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            names += reply.arguments().at(0).toStringList();
    }
    const QString registry = newestName(names, QStringLiteral("org.gnome.evolution.dataserver.Sources"));
    const QString factory = newestName(names, QStringLiteral("org.gnome.evolution.dataserver.AddressBook"));
    if (registry.isEmpty() || factory.isEmpty()) {
        *reason = translated(QStringLiteral("Evolution Data Server, which keeps the contacts, is not installed."));
        return false;
    }

    const QDBusMessage objects = _bus.call(QDBusMessage::createMethodCall(registry, RegistryPath,
                                                                          QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                                                          QStringLiteral("GetManagedObjects")),
                                           QDBus::Block, CallTimeout);
    if (objects.type() != QDBusMessage::ReplyMessage || objects.arguments().isEmpty()) {
        *reason = objects.errorMessage();
        return false;
    }
    QStringList books;
    {
        const QDBusArgument argument = objects.arguments().at(0).value<QDBusArgument>();
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            QDBusObjectPath path;
            argument >> path;
            argument.beginMap();
            while (!argument.atEnd()) {
                argument.beginMapEntry();
                QString interface;
                QVariantMap properties;
                argument >> interface >> properties;
                argument.endMapEntry();
                if (interface == SourceInterface && isEnabledAddressBook(properties.value(QStringLiteral("Data")).toString()))
                    books.append(properties.value(QStringLiteral("UID")).toString());
            }
            argument.endMap();
            argument.endMapEntry();
        }
        argument.endMap();
    }
    books.removeAll(QString());
    books.sort();

    QStringList categories;
    QString lastError;
    int opened = 0;
    for (const QString &uid : std::as_const(books)) {
        QDBusMessage open = QDBusMessage::createMethodCall(factory, FactoryPath, FactoryInterface, QStringLiteral("OpenAddressBook"));
        open << uid;
        const QDBusMessage where = _bus.call(open, QDBus::Block, CallTimeout);
        if (where.type() != QDBusMessage::ReplyMessage || where.arguments().size() < 2) {
            lastError = where.errorMessage();
            continue;
        }
        const QString objectPath = where.arguments().at(0).toString();
        const QString busName = where.arguments().at(1).toString();
        const QDBusMessage opening = _bus.call(QDBusMessage::createMethodCall(busName, objectPath, BookInterface, QStringLiteral("Open")),
                                               QDBus::Block, CallTimeout);
        if (opening.type() != QDBusMessage::ReplyMessage) {
            lastError = opening.errorMessage();
            continue;
        }
        QDBusMessage list = QDBusMessage::createMethodCall(busName, objectPath, BookInterface, QStringLiteral("GetContactList"));
        list << AllContacts;
        const QDBusMessage cards = _bus.call(list, QDBus::Block, CallTimeout);
        _bus.call(QDBusMessage::createMethodCall(busName, objectPath, BookInterface, QStringLiteral("Close")), QDBus::NoBlock);
        if (cards.type() != QDBusMessage::ReplyMessage || cards.arguments().isEmpty()) {
            lastError = cards.errorMessage();
            continue;
        }
        ++opened;
        for (const QString &vcard : cards.arguments().at(0).toStringList()) {
            Contact contact = contactFromVCard(vcard);
            for (const QString &group : std::as_const(contact.groups))
                if (!categories.contains(group))
                    categories.append(group);
            _contacts.append(contact);
        }
    }
    if (opened == 0 && !books.isEmpty()) {
        *reason = lastError;
        return false;
    }
    std::sort(categories.begin(), categories.end(),
              [](const QString &a, const QString &b) { return QString::localeAwareCompare(a, b) < 0; });
    _groups = categories;
    return true;
}

Contact EdsContactSource::contactFromVCard(const QString &vcard)
{
    QString text = vcard;
    const qsizetype begin = text.indexOf(QLatin1String("BEGIN:VCARD"), 0, Qt::CaseInsensitive);
    if (begin >= 0)
        text = text.mid(begin + 11);
    // Only the properties: the card's values, its photo decoded, are not this contact's.
    Contact contact;
    for (const CVCard::Property &property : CVCard::readProperties(text)) {
        const QString &name = property.name;
        if (name == QLatin1String("UID")) {
            contact.identifier = CVCard::componentText(property, 0);
        } else if (name == QLatin1String("N")) {
            contact.familyName = CVCard::componentText(property, 0);
            contact.givenName = CVCard::componentText(property, 1);
            contact.middleName = CVCard::componentText(property, 2);
            contact.namePrefix = CVCard::componentText(property, 3);
            contact.nameSuffix = CVCard::componentText(property, 4);
        } else if (name == QLatin1String("ORG")) {
            contact.organizationName = CVCard::componentText(property, 0);
            contact.departmentName = CVCard::componentText(property, 1);
        } else if (name == QLatin1String("TITLE")) {
            contact.jobTitle = CVCard::componentText(property, 0);
        } else if (name == QLatin1String("TEL")) {
            contact.phoneNumbers.append({labelOf(property.types, true), CVCard::componentText(property, 0)});
        } else if (name == QLatin1String("EMAIL")) {
            contact.emailAddresses.append({labelOf(property.types, false), CVCard::componentText(property, 0)});
        } else if (name == QLatin1String("URL")) {
            contact.urlAddresses.append({labelOf(property.types, false), CVCard::componentText(property, 0)});
        } else if (name == QLatin1String("ADR")) {
            Contact::PostalAddress address;
            address.label = labelOf(property.types, false);
            address.street = CVCard::componentText(property, 2);
            address.city = CVCard::componentText(property, 3);
            address.state = CVCard::componentText(property, 4);
            address.postalCode = CVCard::componentText(property, 5);
            address.country = CVCard::componentText(property, 6);
            contact.postalAddresses.append(address);
        } else if (name == QLatin1String("CATEGORIES")) {
            contact.groups += CVCard::listValues(property);
        } else if (name == QLatin1String("PHOTO") && contact.imageData.isEmpty()) {
            contact.imageData = CVCard::propertyData(property);
            // The address book may keep the picture in a file of its own.
            if (contact.imageData.isEmpty()) {
                const QUrl url(CVCard::componentText(property, 0));
                if (url.isLocalFile()) {
                    // A card may name any file: only a regular one is read.
                    if (std::optional<QByteArray> bytes = GuardedReader::read(url.toLocalFile(), 32LL * 1024 * 1024))
                        contact.imageData = std::move(*bytes);
                }
            }
        }
    }
    contact.groups.removeDuplicates();
    return contact;
}

} // namespace quillmark
