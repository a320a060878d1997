#include "database/store/DatabaseOrder.h"

namespace quillmark {

QString DatabaseOrder::dbtitle() const
{
    QString name = _title;
    return name.replace(QLatin1Char(' '), QLatin1Char('_'));
}

} // namespace quillmark
