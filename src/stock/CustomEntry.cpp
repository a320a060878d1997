#include "stock/CustomEntry.h"

#include "stock/StockConversions.h"

namespace quillmark {

QString CustomEntry::description() const
{
    return propertyListDescription(propertyDictionary());
}

} // namespace quillmark
