#include "database/window/dbField.h"

namespace quillmark {

QString dbField::identifier() const
{
    QString name = _title;
    return name.replace(QLatin1Char(' '), QLatin1Char('_'));
}

void dbField::setIdentifier(const QString &identifier)
{
    QString title = identifier;
    _title = title.replace(QLatin1Char('_'), QLatin1Char(' '));
}

QVariantMap dbField::archive() const
{
    QVariantMap map;
    map.insert(QStringLiteral("dbtitle"), _title);
    if (_value.isValid())
        map.insert(QStringLiteral("dbvalue"), _value);
    return map;
}

dbField dbField::unarchive(const QVariantMap &map)
{
    return dbField(map.value(QStringLiteral("dbtitle")).toString(), map.value(QStringLiteral("dbvalue")));
}

} // namespace quillmark
