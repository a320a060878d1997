#pragma once
#include <QString>

namespace quillmark {

// One column of an export or import mapping.
class DatabaseOrder
{
public:
    DatabaseOrder() = default;
    DatabaseOrder(qint64 used, qint64 type, const QString &title) : _used(used), _type(type), _title(title) {}

    qint64 used() const { return _used; }
    void setUsed(qint64 used) { _used = used; }
    qint64 type() const { return _type; }
    void setType(qint64 type) { _type = type; }
    QString title() const { return _title; }
    void setTitle(const QString &title) { _title = title; }

    // The column name: the title with every blank replaced by "_".
    QString dbtitle() const;

    qint64 _used = 0;
    qint64 _type = -1;
    QString _title;
};

} // namespace quillmark
