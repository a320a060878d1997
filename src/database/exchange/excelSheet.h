#pragma once
#include <QString>

namespace quillmark {

// One worksheet of a workbook: its name, its "sheetId" and the part that holds it.
class excelSheet
{
public:
    excelSheet() = default;
    excelSheet(const QString &name, qint64 tag) : _name(name), _tag(tag) {}

    QString name() const { return _name; }
    qint64 tag() const { return _tag; }
    // The worksheet part named by the workbook's relationships; empty when none is named.
    QString part() const { return _part; }
    void setPart(const QString &part) { _part = part; }

    QString _name;
    qint64 _tag = 0;
    QString _part;
};

} // namespace quillmark
