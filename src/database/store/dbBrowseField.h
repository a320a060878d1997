#pragma once
#include <QString>

namespace quillmark {

// One row of the record browser: a record's pk and the text of its browse column.
class dbBrowseField
{
public:
    dbBrowseField() = default;
    dbBrowseField(qint32 pk, const QString &value) : pk(pk), value(value) {}

    qint32 primaryKey() const { return pk; }
    void setPrimaryKey(qint32 primaryKey) { pk = primaryKey; }

    qint32 pk = 0;
    QString value;
};

} // namespace quillmark
