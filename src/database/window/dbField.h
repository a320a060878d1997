#pragma once
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace quillmark {

// A title and a value, as the database preferences keep them in the user defaults.
class dbField
{
public:
    dbField() = default;
    dbField(const QString &key, const QVariant &value) : _title(key), _value(value) {}

    QString title() const { return _title; }
    void setTitle(const QString &title) { _title = title; }
    QVariant value() const { return _value; }
    void setValue(const QVariant &value) { _value = value; }

    // The column name form of the title ("_" for blanks) and back.
    QString identifier() const;
    void setIdentifier(const QString &identifier);

    // The archived form: "dbtitle" and "dbvalue".
    QVariantMap archive() const;
    static dbField unarchive(const QVariantMap &map);

    QString _title;
    QVariant _value;
};

} // namespace quillmark
