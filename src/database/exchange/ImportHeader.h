#pragma once
// The default mapping of an import: when the first record of a file is a header row (Name,
// First Name, Street, ZIP, E-mail ...), each column goes to the database field of that name,
// whatever its position. Names are compared without case, blanks or punctuation, against each
// field's title, the database's own title for it, its translations in every language the
// program has, and the usual names address books and spreadsheets give such columns.
#include <QList>
#include <QString>
#include <QStringList>

#include "database/store/DatabaseOrder.h"

namespace quillmark {

class ImportHeader
{
public:
    ImportHeader() = delete;

    // One entry per column of `header`: 0 none, k the k-th of `fields` (each field at most
    // once). Empty when no column names a field: the first record is then no header.
    // `shownTitles` are the titles the user sees for the fields, in the same order.
    static QList<int> mapping(const QStringList &header, const QList<DatabaseOrder> &fields, const QStringList &shownTitles);

    // "E-mail" and "email", "ZIP Code" and "zipcode" are the same name.
    static QString normalised(const QString &name);
};

} // namespace quillmark
