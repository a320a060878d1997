// The editor's vCard and contacts commands and the database preferences sheet.
#include "database/window/DatabaseFieldsView.h"

#include "database/exchange/CVCard.h"
#include "database/exchange/ContactSource.h"
#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/exchange/ImportAddressBook.h"
#include "database/window/ImportProgress.h"
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

int DatabaseFieldsView::insertRecords(const QList<QVariantMap> &records, const QString &label)
{
    if (!_database || records.isEmpty())
        return 0;
    // Refused whole before anything is written, as a file is.
    qint64 total = 0;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const qint64 text = Database::recordText(records.at(i));
        total += text;
        if (text > Database::MaximumRecordText || total > Database::MaximumImportText) {
            reportImportFailure(text > Database::MaximumRecordText
                                    ? Language::withValues(translated(QStringLiteral("Record %@ holds more than %@ MB of text.")),
                                                           {QString::number(i + 1), QString::number(Database::MaximumRecordText / (1024 * 1024))})
                                    : Language::withValues(translated(QStringLiteral("The file holds more than %@ MB of text.")),
                                                           {QString::number(Database::MaximumImportText / (1024 * 1024))}));
            return -1;
        }
    }
    int inserted = 0;
    bool cancelled = false;
    std::optional<DatabaseError> failure;
    {
        ImportProgress progress(window(), label, int(records.size()));
        try {
            _database->beginTransaction();
            for (const QVariantMap &record : records) {
                if (!progress.step(inserted)) {
                    cancelled = true;
                    break;
                }
                QVariantMap &values = _database->fieldValues();
                values.clear();
                for (auto it = record.cbegin(); it != record.cend(); ++it)
                    values.insert(it.key(), it.value());
                _database->insertRecord();
                ++inserted;
            }
            if (cancelled) {
                _database->rollbackTransaction();
                inserted = -1;
            } else {
                _database->commitTransaction();
            }
        } catch (const DatabaseError &e) {
            _database->rollbackTransaction();
            failure = e;
            inserted = -1;
        }
    }
    _database->fieldValues().clear();
    _database->initFieldValues();
    // Said once the progress is gone, so that nothing covers the message.
    if (failure)
        reportImportError(*failure);
    return inserted;
}

// ---------------------------------------------------------------- vCard

QString DatabaseFieldsView::vcardFromFieldValues() const
{
    if (!_database)
        return QString();
    CVCard card;
    const QVariantMap &values = _database->fieldValues();
    for (const tableField &field : _database->fieldsStructure()) {
        const auto it = values.constFind(field.dbtitle());
        if (it != values.cend())
            card.setObject(it.value(), field.dbtitle());
    }
    return card.writeVCard();
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
    const ImportVCardFile file(path);
    if (!file.readable()) {
        reportError(translated(QStringLiteral("The file \u201c%@\u201d is not text.")).replace(QLatin1String("%@"), QFileInfo(path).fileName()));
        finishImport();
        return;
    }
    QList<QVariantMap> records;
    for (const CVCard &card : file.cards()) {
        QVariantMap record;
        // A card without a date keeps the time of the import.
        record.insert(QStringLiteral("Date"), QDateTime::currentDateTime());
        for (const tableField &field : _database->fieldsStructure()) {
            const QVariant value = card.dict().value(field.dbtitle());
            if (!isEmptyValue(value))
                record.insert(field.dbtitle(), value);
        }
        record.insert(QStringLiteral("Groups"), qint64(0));
        records.append(record);
    }
    insertRecords(records, translated(QStringLiteral("Importing records...")));
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
    QString text;
    const qint64 shown = _formPk;
    try {
        if ((current && current->isChecked()) || pks.size() < 2) {
            if (shown >= 0 && _database->initWithPrimaryKey(shown))
                text = vcardFromFieldValues();
            else if (pks.size() == 1 && _database->initWithPrimaryKey(pks.first()))
                text = vcardFromFieldValues();
        } else {
            ImportProgress progress(window(), translated(QStringLiteral("Exporting records...")), int(pks.size()));
            _database->openDatabase();
            int done = 0;
            for (qint64 pk : pks) {
                if (!progress.step(done++)) {
                    _database->closeDatabase();
                    if (shown >= 0)
                        _database->initWithPrimaryKey(shown);
                    return;
                }
                if (_database->initWithPrimaryKey(pk))
                    text += vcardFromFieldValues();
            }
            _database->closeDatabase();
            if (shown >= 0)
                _database->initWithPrimaryKey(shown);
        }
    } catch (const DatabaseError &e) {
        _database->closeDatabase();
        reportDatabaseError(e, false);
        return;
    }
    writeTextFile(path, text);
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

void DatabaseFieldsView::importContacts(ContactSource *source, ContactSource::Access access, const QString &reason, bool quiet)
{
    if (!_database)
        return;
    if (access == ContactSource::Access::Granted && source) {
        QStringList groups = source->groups().mid(0, Database::MaxGroups);
        const QList<Contact> contacts = source->contacts();
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
            finishImport();
            return;
        }
        QList<QVariantMap> records;
        records.reserve(contacts.size());
        const QDateTime now = QDateTime::currentDateTime();
        for (const Contact &contact : contacts) {
            const QVariantMap mapped = quillmark::ImportAddressBook(contact).dict();
            QVariantMap record;
            record.insert(QStringLiteral("Date"), now);
            for (const tableField &field : _database->fieldsStructure()) {
                const auto it = mapped.constFind(field.title);
                if (it != mapped.cend())
                    record.insert(field.dbtitle(), it.value());
            }
            qint64 bits = 0;
            for (const QString &group : contact.groups) {
                const qsizetype i = groups.indexOf(group);
                if (i >= 0)
                    bits |= qint64(1) << i;
            }
            record.insert(QStringLiteral("Groups"), bits);
            records.append(record);
        }
        insertRecords(records, translated(QStringLiteral("Importing contacts...")));
        groupsChanged();
    } else if (!quiet) {
        reportError(translated(QStringLiteral("The system's contacts cannot be read.")), reason);
    }
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
    source->requestAccess([self, path, source](ContactSource::Access access, const QString &reason) {
        if (!self)
            return;
        const bool open = self->_database && self->_database->path() == path;
        if (access == ContactSource::Access::Granted && !source->contacts().isEmpty() && open) {
            self->importContacts(source, access, reason, true);
            return;
        }
        // Without contacts to import, a few fictional people show what a database holds.
        Database::addSamplePeople(path);
        if (open)
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
