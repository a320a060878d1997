#pragma once
// The contacts of Evolution Data Server, the contact store of Linux desktops, read over its
// D-Bus interface: every enabled address book of its source registry, each contact as the
// vCard the address book gives, groups from the contacts' categories.
#include <QDBusConnection>

#include <memory>

#include "database/exchange/ContactSource.h"

namespace quillmark {

class EdsContactSource : public ContactSource
{
public:
    // The session bus.
    EdsContactSource();
    // Another bus (a private one in tests).
    explicit EdsContactSource(const QDBusConnection &connection);

    // Granted while the bus is there: the address books are read by fetch(), aside.
    void requestAccess(std::function<void(Access, const QString &reason)> answer) override;
    // Reads every address book; false with the reason when the store cannot be reached.
    bool fetch(QString *reason) override;
    QStringList groups() const override { return _groups; }
    QList<Contact> contacts() const override { return _contacts; }

    // One contact of a vCard as the address book gives it.
    static Contact contactFromVCard(const QString &vcard);
    // How long one call to the store may take, in milliseconds.
    static constexpr int CallTimeout = 20000;

private:
    QDBusConnection _bus;
    // An answer pending when the source goes is dropped.
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
    QStringList _groups;
    QList<Contact> _contacts;
};

} // namespace quillmark
