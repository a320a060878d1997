#pragma once
// A named group of catalogue entries, in catalogue order.
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "stock/TLabelType.h"

namespace quillmark {

class TCategory
{
public:
    explicit TCategory(std::string categoryName) : name(std::move(categoryName)) {}

    std::string name;
    std::vector<std::shared_ptr<const TLabelType>> labels;

    QString getName() const { return QString::fromLatin1(name); }
    bool isExpandable() const { return true; }
    // Null past the end.
    const TLabelType *objectAtIndex(quint32 index) const;
    quint32 count() const { return quint32(labels.size()); }
    // Position of the first entry whose product code is exactly `code`; -1 when none.
    qint32 indexByName(const QString &code) const;
};

} // namespace quillmark
