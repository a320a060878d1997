#pragma once
// One contact mapped onto field values, keyed by field title. Which postal address, fax and
// e-mail are taken follows the contact profile ("Work" or "Home").
#include <QString>
#include <QVariantMap>

#include "database/exchange/ContactSource.h"

namespace quillmark {

class ImportAddressBook
{
public:
    // Maps the contact at once under the profile of the user defaults.
    explicit ImportAddressBook(const Contact &contact);
    ImportAddressBook(const Contact &contact, const QString &profile);

    const QVariantMap &dict() const { return _dict; }
    // The profile of the user default "profileContacts": "Work" unless it says "Home".
    static QString profile();

private:
    void importKeysAndValuesFromContact(const Contact &contact, const QString &profile);

    QVariantMap _dict;
};

} // namespace quillmark
