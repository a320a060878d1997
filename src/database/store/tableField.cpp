#include "database/store/tableField.h"

namespace quillmark {

QString tableField::dbtitle() const
{
    QString name = title;
    return name.replace(QLatin1Char(' '), QLatin1Char('_'));
}

QString tableField::sqlType(qint32 type)
{
    static const char *const names[] = {"INTEGER", "REAL", "DATE", "TEXT", "BLOB"};
    if (type < 0 || type > 4)
        return QString();
    return QString::fromLatin1(names[type]);
}

QVariantMap tableField::archive() const
{
    return {{QStringLiteral("tftitle"), title},
            {QStringLiteral("tftype"), qint64(type)},
            {QStringLiteral("tfpk"), qint64(pk)},
            {QStringLiteral("tfflags"), qint64(flags)}};
}

tableField tableField::unarchive(const QVariantMap &map)
{
    tableField field;
    field.title = map.value(QStringLiteral("tftitle")).toString();
    field.type = qint32(map.value(QStringLiteral("tftype"), -1).toLongLong());
    field.pk = qint32(map.value(QStringLiteral("tfpk"), -1).toLongLong());
    field.flags = qint32(map.value(QStringLiteral("tfflags"), 0).toLongLong());
    return field;
}

} // namespace quillmark
