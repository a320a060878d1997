#include "stock/TCategory.h"

namespace quillmark {

const TLabelType *TCategory::objectAtIndex(quint32 index) const
{
    return index < labels.size() ? labels[index].get() : nullptr;
}

qint32 TCategory::indexByName(const QString &code) const
{
    const std::string bytes = code.toStdString();
    for (size_t i = 0; i < labels.size(); ++i)
        if (labels[i]->productCode == bytes)
            return qint32(i);
    return -1;
}

} // namespace quillmark
