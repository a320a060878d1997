#pragma once
#include <QString>

namespace quillmark {

// The built-in number formats of workbooks, by id.
class NumberingFormat
{
public:
    static const NumberingFormat &shared();
    // The format code of a built-in id given as decimal text; null for ids without one.
    QString format(const QString &numFmtId) const;

private:
    NumberingFormat() = default;
};

} // namespace quillmark
