#include "database/exchange/NumberingFormat.h"

#include <QHash>

namespace quillmark {

const NumberingFormat &NumberingFormat::shared()
{
    static const NumberingFormat instance;
    return instance;
}

QString NumberingFormat::format(const QString &numFmtId) const
{
    static const QHash<QString, QString> formats = {
        {"2", "0.00"},
        {"3", "#,##0"},
        {"4", "#,##0.00"},
        {"9", "0%"},
        {"10", "0.00%"},
        {"11", "0.00E+00"},
        {"12", "# ?/?"},
        {"13", "# ?" "?/?" "?"}, // split: "??/" would read as a trigraph
        {"14", "MM-dd-yy"},
        {"15", "d-MMM-yy"},
        {"16", "d-MMM"},
        {"17", "MMM-yy"},
        {"18", "h:mm AM/PM"},
        {"19", "h:mm:ss AM/PM"},
        {"20", "h:mm"},
        {"21", "h:mm:ss"},
        {"22", "M/d/yy h:mm"},
        {"37", "#,##0 ;(#,##0)"},
        {"38", "#,##0 ;[Red](#,##0)"},
        {"39", "#,##0.00;(#,##0.00)"},
        {"40", "#,##0.00;[Red](#,##0.00)"},
        {"45", "mm:ss"},
        {"46", "[h]:mm:ss"},
        {"47", "mmss.0"},
        {"48", "##0.0E+0"},
        {"49", "@"},
    };
    return formats.value(numFmtId);
}

} // namespace quillmark
