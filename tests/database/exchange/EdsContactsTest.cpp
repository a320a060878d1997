// The contacts of a real Evolution Data Server address book, on a D-Bus session bus of the
// test's own (its own dbus-daemon and folders, as dbus-run-session gives), imported through
// the Database menu's command. Where the server cannot start the test fails, naming what is
// missing: scripts/setup-deps installs dbus-daemon and evolution-data-server.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <csignal>

#include "database/EditorFixture.h"
#include "database/exchange/EdsContactSource.h"

using namespace quillmark;

namespace {

const char *const BusName = "qm-eds-test";

// A private session bus whose services (the address book factory and the source registry)
// keep their files in folders of the test's own.
class PrivateSessionBus
{
public:
    PrivateSessionBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            m_problem = "dbus-daemon is not installed (Debian package dbus-daemon)";
            return;
        }
        bool factory = false;
        for (const QString &folder : {QStringLiteral("/usr/share/dbus-1/services"), QStringLiteral("/usr/local/share/dbus-1/services")})
            factory = factory || !QDir(folder).entryList({QStringLiteral("org.gnome.evolution.dataserver.AddressBook*.service")}).isEmpty();
        if (!factory) {
            m_problem = "Evolution Data Server is not installed (Debian package evolution-data-server)";
            return;
        }
        const QString root = qmtest::freshDir(QStringLiteral("eds"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "HOME"}) {
            const QString folder = root + QLatin1Char('/') + QString::fromLatin1(name);
            QDir().mkpath(folder);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            env.insert(QString::fromLatin1(name), folder);
        }
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.remove(QStringLiteral("DISPLAY"));
        m_daemon.setProcessEnvironment(env);
        m_daemon.setProgram(daemon);
        m_daemon.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        m_daemon.start();
        if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(10000)) {
            m_problem = "the private D-Bus session did not start: " + m_daemon.errorString();
            return;
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, QString::fromLatin1(BusName)));
        if (!m_bus->isConnected())
            m_problem = "cannot connect to the private D-Bus session at " + m_address;
    }

    ~PrivateSessionBus()
    {
        if (m_bus && m_bus->isConnected()) {
            // The services the bus started for the test end with it, each by its own id.
            const QStringList names = m_bus->interface()->registeredServiceNames().value();
            for (const QString &name : names) {
                if (!name.startsWith(QLatin1Char(':')) || name == m_bus->baseService())
                    continue;
                const uint pid = m_bus->interface()->servicePid(name).value();
                if (pid > 1)
                    ::kill(pid_t(pid), SIGTERM);
            }
        }
        m_bus.reset();
        QDBusConnection::disconnectFromBus(QString::fromLatin1(BusName));
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5000))
                m_daemon.kill();
            m_daemon.waitForFinished(2000);
        }
    }

    // Empty when the session runs; otherwise what is missing.
    QString problem() const { return m_problem; }
    QDBusConnection &bus() { return *m_bus; }

    QDBusMessage call(const QString &service, const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return m_bus->call(message, QDBus::Block, 30000);
    }

private:
    QProcess m_daemon;
    QString m_address;
    std::unique_ptr<QDBusConnection> m_bus;
    QString m_problem;
};

QString vcard(const QString &body)
{
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\n") + body + QStringLiteral("END:VCARD");
}

class EdsContacts : public dbtest::EditorFixture
{
protected:
    void TearDown() override
    {
        ContactSource::setSystem(nullptr);
        UserDefaults::standard().removeObject("profileContacts");
        EditorFixture::TearDown();
    }
};

} // namespace

TEST_F(EdsContacts, ARealAddressBookIsImportedThroughTheDatabaseMenu)
{
    PrivateSessionBus session;
    ASSERT_TRUE(session.problem().isEmpty()) << session.problem().toStdString();

    // Opening the address book starts the server; it says where the book lives on the bus.
    QDBusMessage opened;
    for (int version = 20; version >= 9 && opened.type() != QDBusMessage::ReplyMessage; --version)
        opened = session.call(QStringLiteral("org.gnome.evolution.dataserver.AddressBook%1").arg(version),
                              "/org/gnome/evolution/dataserver/AddressBookFactory",
                              "org.gnome.evolution.dataserver.AddressBookFactory", "OpenAddressBook", {"system-address-book"});
    ASSERT_TRUE(opened.type() == QDBusMessage::ReplyMessage && opened.arguments().size() >= 2)
        << "Evolution Data Server's address book did not open: " << opened.errorName().toStdString() << ": "
        << opened.errorMessage().toStdString();
    const QString path = opened.arguments().at(0).toString();
    const QString service = opened.arguments().at(1).toString();
    const QString book = "org.gnome.evolution.dataserver.AddressBook";
    QDBusMessage ready = session.call(service, path, book, "Open");
    ASSERT_EQ(ready.type(), QDBusMessage::ReplyMessage) << ready.errorMessage().toStdString();
    const QStringList cards = {
        vcard("N:Doe;Jane;Q;Dr.;\r\nFN:Jane Doe\r\nORG:Acme;Labs\r\nTITLE:Chemist\r\nTEL;TYPE=WORK,VOICE:111\r\n"
              "TEL;TYPE=HOME,VOICE:222\r\nTEL;TYPE=CELL:555\r\nTEL;TYPE=WORK,FAX:333\r\nEMAIL;TYPE=WORK:jane@work.example\r\n"
              "ADR;TYPE=WORK:;;9 Work Rd;Capital;IL;60000;USA\r\nADR;TYPE=HOME:;;1 Main St;Springfield;IL;62701;USA\r\n"
              "CATEGORIES:Friends,Work\r\nURL:https://jane.example\r\n"),
        vcard(QString::fromUtf8("N:M\u00FCller;Hans;;;\r\nFN:Hans M\u00FCller\r\nCATEGORIES:Family\r\n")),
    };
    QDBusMessage created = session.call(service, path, book, "CreateContacts", {cards, uint(0)});
    ASSERT_EQ(created.type(), QDBusMessage::ReplyMessage) << created.errorMessage().toStdString();
    session.call(service, path, book, "Close");

    testPath = dbtest::makeNamedDatabase("Test", 0);
    launch();
    ContactSource::setSystem(std::make_unique<EdsContactSource>(session.bus()));
    editor().importAddressBook();
    QElapsedTimer waited;
    waited.start();
    while (dbtest::cli(testPath, "SELECT count(*) FROM dbtable;") == "0" && waited.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        QThread::msleep(20);
    }
    EXPECT_EQ(alerts(), 0) << (alerts() ? prompts->last().message.toStdString() : std::string());
    EXPECT_EQ(dbtest::cli(testPath, "SELECT title FROM dbgroups ORDER BY pk LIMIT 3;"), "Family\nFriends\nWork");
    EXPECT_EQ(dbtest::cli(testPath, "SELECT Last_Name, First_Name, Middle_Name, Salutation, Company, Title, Phone_Work, Phone_Home, "
                                    "Phone_Mobile, Fax, Email, Address, City, Web, Groups FROM dbtable ORDER BY Last_Name;"),
              QString::fromUtf8("Doe|Jane|Q|Dr.|Acme|Chemist|111|222|555|333|jane@work.example|9 Work Rd|Capital|https://jane.example|6\n"
                                "M\u00FCller|Hans|||||||||||||1"));
    EXPECT_EQ(text("filteredCount"), "2");
}
