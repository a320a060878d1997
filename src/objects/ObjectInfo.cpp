#include "objects/ObjectInfo.h"

namespace quillmark {

QVariantMap &ObjectInfo::changedValues()
{
    static QVariantMap values;
    return values;
}

} // namespace quillmark
