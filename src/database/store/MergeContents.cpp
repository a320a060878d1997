#include "database/store/MergeContents.h"

#include "database/store/Database.h"
#include "database/store/Utils.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QDateTime>

namespace quillmark {

const QString MergeContents::RecordChangedNotification = QStringLiteral("RecordChangedNotification");
const QString MergeContents::DatabaseChangedNotification = QStringLiteral("DatabaseChangedNotification");

namespace {

QString textOf(const QVariantMap &values, const QString &key)
{
    const QVariant value = values.value(key);
    if (!value.isValid() || value.typeId() == QMetaType::QByteArray)
        return QStringLiteral("");
    return value.toString();
}

QString cityStateZip(const QVariantMap &values)
{
    QString text = textOf(values, QStringLiteral("City"));
    for (const char *key : {"State", "Zip"}) {
        const QString part = textOf(values, QString::fromLatin1(key));
        if (!part.isEmpty())
            text += QLatin1Char(' ') + part;
    }
    return text;
}

QString fullName(const QVariantMap &values)
{
    const UserDefaults &defaults = UserDefaults::standard();
    QString salutation;
    if (defaults.boolForKey(QStringLiteral("addFullNameSalutation"))) {
        salutation = textOf(values, QStringLiteral("Salutation"));
        if (!salutation.isEmpty())
            salutation += QLatin1Char(' ');
    }
    QString name = textOf(values, QStringLiteral("First_Name"));
    if (!salutation.isEmpty())
        name = salutation + name;
    if (defaults.boolForKey(QStringLiteral("addFullNameMiddleName"))) {
        const QString middle = textOf(values, QStringLiteral("Middle_Name"));
        if (name.isEmpty())
            name = middle;
        else if (!middle.isEmpty())
            name += QLatin1Char(' ') + middle;
    }
    const QString last = textOf(values, QStringLiteral("Last_Name"));
    return name.isEmpty() ? last : name + QLatin1Char(' ') + last;
}

} // namespace

QVariant MergeContents::contentsByPk(int pk)
{
    Database *db = Database::currentDatabase();
    const QVariantMap values = db ? db->fieldValues() : QVariantMap();
    if (pk == FullNamePk)
        return fullName(values);

    QVariant composite;
    if (pk == CityStateZipPk)
        composite = cityStateZip(values);
    if (!db)
        return composite;
    // A field of the database with the pk 101 wins over the composite.
    for (const tableField &field : db->fieldsStructure()) {
        if (field.pk != pk)
            continue;
        const QVariant value = values.value(field.dbtitle());
        if (field.type != tableField::Date)
            return value;
        if (value.typeId() == QMetaType::QDateTime)
            return Utils::formatDate(value.toDateTime(), Utils::dateFormat());
        const QString shown = Utils::convertFormat(value.toString(), Utils::databaseFormat(), Utils::dateFormat());
        return shown.isNull() ? QVariant() : QVariant(shown);
    }
    return composite;
}

QStringList MergeContents::columnsForPks(const QSet<int> &pks)
{
    QStringList columns;
    Database *db = Database::currentDatabase();
    if (!db)
        return columns;
    auto add = [&columns](const QString &column) {
        if (!columns.contains(column))
            columns.append(column);
    };
    for (const int pk : pks) {
        if (pk == FullNamePk) {
            for (const char *column : {"Salutation", "First_Name", "Middle_Name", "Last_Name"})
                add(QString::fromLatin1(column));
        } else if (pk == CityStateZipPk) {
            for (const char *column : {"City", "State", "Zip"})
                add(QString::fromLatin1(column));
        }
        for (const tableField &field : db->fieldsStructure()) {
            if (field.pk == pk)
                add(field.dbtitle());
        }
    }
    return columns;
}

namespace {

thread_local const MergeContents::Fields *threadFields = nullptr;

} // namespace

MergeContents::Fields MergeContents::currentFields()
{
    return {fieldTitlesAndTagsOriginal(), zipPk()};
}

void MergeContents::useFieldsForThisThread(const Fields *fields)
{
    threadFields = fields;
}

int MergeContents::zipPk()
{
    if (threadFields)
        return threadFields->zipPk;
    Database *db = Database::currentDatabase();
    return db ? db->fieldPkByTitle(QStringLiteral("Zip")) : -1;
}

QList<tableField> MergeContents::fieldTitlesAndTagsOriginal()
{
    if (threadFields)
        return threadFields->mergeFields;
    Database *db = Database::currentDatabase();
    return db ? db->mergeFields() : QList<tableField>();
}

QList<tableField> MergeContents::fieldTitlesAndTags()
{
    QList<tableField> fields = fieldTitlesAndTagsOriginal();
    if (fields.isEmpty())
        return fields;
    fields.insert(qMin<qsizetype>(3, fields.size()), tableField(FullNamePk, QStringLiteral("Full Name"), 3, 0));
    fields.insert(qMin<qsizetype>(13, fields.size()),
                  tableField(CityStateZipPk, QStringLiteral("City, State, Zip"), 3, 0));
    return fields;
}

void MergeContents::postRecordChanged()
{
    NotificationCenter::defaultCenter().post(RecordChangedNotification);
}

void MergeContents::postDatabaseChanged()
{
    NotificationCenter::defaultCenter().post(DatabaseChangedNotification);
}

} // namespace quillmark
