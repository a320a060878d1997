#pragma once
// The system's contact store as the contacts import sees it: an access request answered
// later, then the store's groups and its contacts. The program installs the store of the
// desktop it runs on; tests install their own.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace quillmark {

// One contact, with the labels the contact store gives its numbers and addresses.
struct Contact
{
    struct Labeled
    {
        QString label;
        QString value;
    };
    struct PostalAddress
    {
        QString label;
        QString street;
        QString city;
        QString state;
        QString postalCode;
        QString country;
    };

    QString identifier;
    QString namePrefix;
    QString givenName;
    QString middleName;
    QString familyName;
    QString nameSuffix;
    QString organizationName;
    QString departmentName;
    QString jobTitle;
    QList<Labeled> phoneNumbers;
    QList<Labeled> emailAddresses;
    QList<Labeled> urlAddresses;
    QList<PostalAddress> postalAddresses;
    QByteArray imageData;
    // The names of the groups the contact belongs to.
    QStringList groups;
};

class ContactSource
{
public:
    enum class Access { Granted, Denied, Unavailable };

    // The labels of the store.
    static const QString LabelWork;
    static const QString LabelHome;
    static const QString LabelWorkFax;
    static const QString LabelHomeFax;
    static const QString LabelMobile;

    virtual ~ContactSource();

    // Asks for access to the contacts; `answer` runs later on the main thread with the
    // answer and, when not granted, the reason.
    virtual void requestAccess(std::function<void(Access, const QString &reason)> answer) = 0;
    // After access was granted: reads the store, which may take seconds (a store reached over
    // the bus, thousands of contacts). Called aside from the window, on a thread of its own,
    // and followed there by groups() and contacts(); false, with the reason, when the contacts
    // cannot be read. A store that holds its contacts at hand has nothing to read.
    virtual bool fetch(QString *reason);
    // After a fetch: the group names in store order, and every contact.
    virtual QStringList groups() const = 0;
    virtual QList<Contact> contacts() const = 0;

    // The contact store of the system; null when none is installed.
    static ContactSource *system();
    static void setSystem(std::unique_ptr<ContactSource> source);
};

} // namespace quillmark
