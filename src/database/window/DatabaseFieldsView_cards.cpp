// The editor's vCard and contacts commands and the database preferences sheet.
#include "database/window/DatabaseFieldsView.h"

#include "database/exchange/CVCard.h"
#include "database/exchange/ContactSource.h"
#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/exchange/ImportAddressBook.h"
#include "database/window/ImportProgress.h"
#include "database/exchange/ImportBound.h"
#include "database/exchange/ImportVCardFile.h"
#include "database/window/PreferencesDatabasePanel.h"
#include "database/window/RecordBrowserModel.h"
#include "foundation/Language.h"
#include "platform/Prompts.h"

#include <QButtonGroup>
#include <optional>
#include <QDateTime>
#include <utility>
#include <QFileInfo>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace quillmark {

namespace {

QString documents()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

bool isEmptyValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return true;
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().isEmpty();
    return value.toString().isEmpty();
}

} // namespace

PreferencesDatabasePanel *DatabaseFieldsView::preferencesDatabasePanel() const
{
    return _preferencesDatabasePanel;
}

namespace {

// What inserting records aside came to: the count, or why nothing was kept.
struct Insertion
{
    int inserted = 0;
    QString refused;
    std::optional<DatabaseError> failure;
};

// Inserts the records in one transaction, the progress running from `done` of `total` steps on.
// Refused whole before anything is written when their text passes the source's bound; a Cancel
// that holds keeps nothing (inserted is -1 then).
Insertion insertAside(Database *database, const QList<QVariantMap> &records, const ImportBound &bound, ImportProgress::Aside &aside,
                      qint64 done, qint64 total)
{
    Insertion result;
    qint64 text = 0;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const qint64 one = Database::recordText(records.at(i));
        if (one > Database::MaximumRecordText) {
            result.refused = Language::withValues(translated(QStringLiteral("Record %@ holds more than %@ MB of text.")),
                                                  {QString::number(i + 1), QString::number(Database::MaximumRecordText / (1024 * 1024))});
            return result;
        }
        text += one;
    }
    result.refused = bound.textProblem(text);
    if (!result.refused.isNull() || records.isEmpty())
        return result;
    try {
        database->beginTransaction();
        bool keep = true;
        for (const QVariantMap &record : records) {
            if (!aside.step(done++, total)) {
                keep = false;
                break;
            }
            QVariantMap &values = database->fieldValues();
            values.clear();
            for (auto it = record.cbegin(); it != record.cend(); ++it)
                values.insert(it.key(), it.value());
            database->insertRecord();
            ++result.inserted;
        }
        // A Cancel pressed while the last records were written still keeps nothing.
        if (keep && aside.step(done, total) && aside.beginKeeping()) {
            database->commitTransaction();
        } else {
            database->rollbackTransaction();
            result.inserted = -1;
        }
    } catch (const DatabaseError &e) {
        database->rollbackTransaction();
        result.failure = e;
        result.inserted = -1;
    }
    return result;
}

} // namespace

int DatabaseFieldsView::insertRecords(const QList<QVariantMap> &records, const QString &label)
{
    if (!_database || records.isEmpty())
        return 0;
    Database *database = _database.get();
    Insertion result;
    // Another program may hold the database: its wait, like the writing, is not the window's.
    ImportProgress::runAside(window(), label, [&](ImportProgress::Aside &aside) {
        result = insertAside(database, records, ImportBound(), aside, 0, records.size());
    });
    return tookInsertion(result.inserted, result.refused, result.failure ? &*result.failure : nullptr);
}

int DatabaseFieldsView::tookInsertion(int inserted, const QString &refused, const DatabaseError *failure)
{
    _database->fieldValues().clear();
    _database->initFieldValues();
    // Said once the progress is gone, so that nothing covers the message.
    if (failure) {
        reportImportError(*failure);
        return -1;
    }
    if (!refused.isNull()) {
        reportImportFailure(refused);
        return -1;
    }
    return inserted;
}

// ---------------------------------------------------------------- vCard

namespace {

// The card of one record's values (by column name) of those fields, its address of that profile.
QString vcardOfValues(const QList<tableField> &fields, const QVariantMap &values, const QString &profile)
{
    CVCard card;
    for (const tableField &field : fields) {
        const auto it = values.constFind(field.dbtitle());
        if (it != values.cend())
            card.setObject(it.value(), field.dbtitle());
    }
    return card.writeVCard(profile);
}

} // namespace

QString DatabaseFieldsView::vcardFromFieldValues() const
{
    if (!_database)
        return QString();
    return vcardOfValues(_database->fieldsStructure(), _database->fieldValues(), CVCard::contactProfile());
}

void DatabaseFieldsView::importVCard()
{
    if (!_database || _readOnly)
        return;
    if (!updateRecord())
        return;
    const QString path = Prompts::current().openFile(
        window(), translated(QStringLiteral("Please Choose a VCard (.vcf) File containing Database Data")), documents(), {"vcf"});
    if (path.isEmpty())
        return;
    importVCardFile(path);
}

void DatabaseFieldsView::importVCardFile(const QString &path)
{
    if (!_database || _readOnly)
        return;
    Database *database = _database.get();
    const QList<tableField> fields = database->fieldsStructure();
    const ImportBound bound(path);
    bool readable = true;
    bool anyCard = false;
    Insertion result;
    // Read here: the work aside reads no user defaults.
    const QString profile = CVCard::contactProfile();
    // A hundred thousand cards take seconds to read and to write: both run aside, the reading
    // the first half of the progress, the writing the second.
    const bool finished = ImportProgress::runAside(window(), translated(QStringLiteral("Importing records...")), [&](ImportProgress::Aside &aside) {
        const ImportVCardFile file(path, [&aside](int permille) {
            aside.permille().store(permille / 2, std::memory_order_relaxed);
            return !aside.cancelled();
        }, profile);
        readable = file.readable();
        if (!readable || aside.cancelled())
            return;
        const QDateTime now = QDateTime::currentDateTime();
        QList<QVariantMap> records;
        records.reserve(file.cards().size());
        for (const CVCard &card : file.cards()) {
            QVariantMap record;
            // A card without a date keeps the time of the import.
            record.insert(QStringLiteral("Date"), now);
            for (const tableField &field : fields) {
                const QVariant value = card.dict().value(field.dbtitle());
                if (!isEmptyValue(value))
                    record.insert(field.dbtitle(), value);
            }
            record.insert(QStringLiteral("Groups"), qint64(0));
            records.append(record);
        }
        anyCard = !records.isEmpty();
        if (!anyCard)
            return;
        result = insertAside(database, records, bound, aside, records.size(), 2 * records.size());
    });
    if (!readable)
        reportError(translated(QStringLiteral("The file \u201c%@\u201d is not text.")).replace(QLatin1String("%@"), bound.fileName()));
    else if (finished && !anyCard)
        reportError(translated(QStringLiteral("The file \u201c%@\u201d holds no cards.")).replace(QLatin1String("%@"), bound.fileName()));
    else
        tookInsertion(result.inserted, result.refused, result.failure ? &*result.failure : nullptr);
    finishImport();
}

void DatabaseFieldsView::exportVCard()
{
    if (!_database || !validateMenuItem(ExportVCard))
        return;
    if (!updateRecord())
        return;
    QList<qint64> pks;
    for (const dbBrowseField &row : _browserModel->rows())
        pks.append(row.pk);
    QWidget *accessory = nullptr;
    QRadioButton *current = nullptr;
    std::unique_ptr<QWidget> owner;
    if (pks.size() >= 2) {
        owner = std::make_unique<QWidget>();
        accessory = owner.get();
        accessory->setObjectName(QStringLiteral("exportVCardView"));
        auto *layout = new QVBoxLayout(accessory);
        auto *all = new QRadioButton(translated(QStringLiteral("Export All Records")), accessory);
        current = new QRadioButton(translated(QStringLiteral("Export Current Record")), accessory);
        all->setObjectName(QStringLiteral("exportAll"));
        current->setObjectName(QStringLiteral("exportCurrent"));
        all->setChecked(true);
        current->setEnabled(_formPk >= 0);
        layout->addWidget(all);
        layout->addWidget(current);
    }
    int type = 0;
    const QString path = Prompts::current().saveFileOfType(window(), translated(QStringLiteral("Export VCard...")), documents(),
                                                           _database->title() + QStringLiteral(".vcf"),
                                                           {{QStringLiteral("vCard"), {QStringLiteral("vcf")}}}, type, accessory);
    if (path.isEmpty())
        return;
    if ((current && current->isChecked()) || pks.size() < 2) {
        QString text;
        try {
            const qint64 shown = _formPk;
            if (shown >= 0 && _database->initWithPrimaryKey(shown))
                text = vcardFromFieldValues();
            else if (pks.size() == 1 && _database->initWithPrimaryKey(pks.first()))
                text = vcardFromFieldValues();
        } catch (const DatabaseError &e) {
            reportDatabaseError(e, false);
            return;
        }
        writeExportFile(path, [text](ExportWriter::Sink &sink, ImportProgress::Aside &aside) { return sink.write(text) && aside.step(1, 1); });
        return;
    }
    // A hundred thousand records take seconds to read and write, more with their photos: the
    // cards are made and written aside, with the progress and its Cancel, from the listed
    // records read in the list's order, leaving the record shown as it is.
    Database *database = _database.get();
    const QList<tableField> fields = database->fieldsStructure();
    const QString profile = CVCard::contactProfile();
    const qint64 total = pks.size();
    writeExportFile(path, [=](ExportWriter::Sink &sink, ImportProgress::Aside &aside) {
        qint64 done = 0;
        return database->exportRecords([&](const QVariantMap &values) {
                   return aside.step(done++, total) && sink.write(vcardOfValues(fields, values, profile));
               })
               && aside.step(total, total);
    });
}

// ---------------------------------------------------------------- contacts

void DatabaseFieldsView::importAddressBook()
{
    if (!_database || _readOnly)
        return;
    if (!updateRecord())
        return;
    ContactSource *source = ContactSource::system();
    if (!source) {
        importContacts(nullptr, ContactSource::Access::Unavailable, translated(QStringLiteral("No contact store is installed.")));
        return;
    }
    QPointer<DatabaseFieldsView> self(this);
    const QString path = _database->path();
    source->requestAccess([self, path, source](ContactSource::Access access, const QString &reason) {
        // The answer counts only for the database it was asked for.
        if (self && self->_database && self->_database->path() == path)
            self->importContacts(source, access, reason);
    });
}

struct DatabaseFieldsView::FetchedContacts
{
    bool read = false;
    // Why the store could not be read.
    QString reason;
    QStringList groups;
    QList<QVariantMap> records;
};

bool DatabaseFieldsView::fetchContacts(ContactSource *source, FetchedContacts &fetched)
{
    // Read here, for the work aside reads no user defaults and no database.
    const QList<tableField> fields = _database->fieldsStructure();
    const QString profile = quillmark::ImportAddressBook::profile();
    const QDateTime now = QDateTime::currentDateTime();
    // A store reached over the bus with thousands of contacts takes seconds: the window
    // answers meanwhile, and a Cancel drops what was read.
    return ImportProgress::runAside(window(), translated(QStringLiteral("Importing contacts...")), [&](ImportProgress::Aside &aside) {
        fetched.read = source->fetch(&fetched.reason);
        if (!fetched.read || aside.cancelled())
            return;
        fetched.groups = source->groups().mid(0, Database::MaxGroups);
        const QList<Contact> contacts = source->contacts();
        fetched.records.reserve(contacts.size());
        for (qsizetype n = 0; n < contacts.size(); ++n) {
            if (!aside.step(n, contacts.size()))
                return;
            const Contact &contact = contacts.at(n);
            const QVariantMap mapped = quillmark::ImportAddressBook(contact, profile).dict();
            QVariantMap record;
            record.insert(QStringLiteral("Date"), now);
            for (const tableField &field : fields) {
                const auto it = mapped.constFind(field.title);
                if (it != mapped.cend())
                    record.insert(field.dbtitle(), it.value());
            }
            qint64 bits = 0;
            for (const QString &group : contact.groups) {
                const qsizetype i = fetched.groups.indexOf(group);
                if (i >= 0)
                    bits |= qint64(1) << i;
            }
            record.insert(QStringLiteral("Groups"), bits);
            fetched.records.append(record);
        }
    });
}

void DatabaseFieldsView::importContacts(ContactSource *source, ContactSource::Access access, const QString &reason, bool quiet)
{
    if (!_database)
        return;
    if (access == ContactSource::Access::Granted && source) {
        FetchedContacts fetched;
        if (fetchContacts(source, fetched)) {
            if (fetched.read)
                keepContacts(fetched);
            else if (!quiet)
                reportError(translated(QStringLiteral("The system's contacts cannot be read.")), fetched.reason);
        }
        ImportProgress::releaseAside(std::move(fetched.records));
    } else if (!quiet) {
        reportError(translated(QStringLiteral("The system's contacts cannot be read.")), reason);
    }
    finishContacts();
}

void DatabaseFieldsView::keepContacts(const FetchedContacts &fetched)
{
    const QStringList &groups = fetched.groups;
    try {
        // The database has a group for every contact group, named after it.
        if (!groups.isEmpty()) {
            _database->beginTransaction();
            int count = _database->groupsCount();
            while (count < groups.size()) {
                _database->addGrup(translated(QStringLiteral("Group %d")).replace(QLatin1String("%d"), QString::number(count + 1)));
                ++count;
            }
            for (int i = 0; i < groups.size(); ++i)
                _database->setGroup(groups.at(i), _database->groupPkAtIndex(i));
            _database->commitTransaction();
        }
    } catch (const DatabaseError &e) {
        _database->rollbackTransaction();
        reportDatabaseError(e, true);
        return;
    }
    insertRecords(fetched.records, translated(QStringLiteral("Importing contacts...")));
    groupsChanged();
}

void DatabaseFieldsView::finishContacts()
{
    // An empty database is given one record to edit.
    try {
        if (_database->count() == 0)
            insertRecords({QVariantMap{{QStringLiteral("Date"), QDateTime::currentDateTime()}, {QStringLiteral("Groups"), qint64(0)}}},
                          QString());
    } catch (const DatabaseError &e) {
        reportDatabaseError(e, true);
    }
    finishImport();
}

void DatabaseFieldsView::importFirstRunContacts()
{
    if (_firstRunContactsPath.isEmpty())
        return;
    const QString path = std::exchange(_firstRunContactsPath, QString());
    ContactSource *source = ContactSource::system();
    if (!source)
        return;
    QPointer<DatabaseFieldsView> self(this);
    source->requestAccess([self, path, source](ContactSource::Access access, const QString &) {
        if (!self)
            return;
        const bool open = self->_database && self->_database->path() == path;
        if (access == ContactSource::Access::Granted && open) {
            FetchedContacts fetched;
            if (self->fetchContacts(source, fetched) && fetched.read && !fetched.records.isEmpty()) {
                self->keepContacts(fetched);
                self->finishContacts();
                return;
            }
            if (!self)
                return;
        }
        // Without contacts to import, a few fictional people show what a database holds.
        Database::addSamplePeople(path);
        if (open && self->_database && self->_database->path() == path)
            self->finishImport();
    });
}

// ---------------------------------------------------------------- preferences

void DatabaseFieldsView::preferences()
{
    if (!_database)
        return;
    if (!_preferencesDatabasePanel) {
        _preferencesDatabasePanel = new PreferencesDatabasePanel(window());
        connect(_preferencesDatabasePanel, &PreferencesDatabasePanel::orderChanged, this, [this] { resetFieldsOrder(); });
    }
    _preferencesDatabasePanel->setUp(_database.get());
    _preferencesDatabasePanel->open();
}

} // namespace quillmark
