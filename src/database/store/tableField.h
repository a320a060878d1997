#pragma once
#include <QString>
#include <QVariantMap>

namespace quillmark {

// One field definition of a database: a row of the table "fields".
class tableField
{
public:
    enum Type { Integer = 0, Real = 1, Date = 2, Text = 3, Blob = 4 };

    tableField() = default;
    tableField(qint32 pk, const QString &title, qint32 type, qint32 flags)
        : pk(pk), title(title), type(type), flags(flags)
    {
    }

    // The column name in "dbtable": the title with every blank replaced by "_".
    QString dbtitle() const;

    // The SQL type of a type code ("INTEGER", "REAL", "DATE", "TEXT", "BLOB"); empty for an
    // unknown code.
    static QString sqlType(qint32 type);

    // Offered for merging (field menus, address block).
    bool isMergeable() const { return (flags & 3) != 0; }

    // The archived form: "tftitle", "tftype", "tfpk", "tfflags".
    QVariantMap archive() const;
    static tableField unarchive(const QVariantMap &map);

    bool operator==(const tableField &) const = default;

    qint32 pk = -1;
    QString title;
    qint32 type = -1;
    qint32 flags = 0;
};

} // namespace quillmark
