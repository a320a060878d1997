// Delimited text chosen for import: decoded from its bytes, then split into records with
// each of the delimiters the import panel offers.
#include "database/exchange/DelimitedText.h"
#include "fuzz/FuzzSupport.h"

using namespace quillmark;

QM_FUZZ_TARGET(delimited)
{
    const std::optional<QString> text = DelimitedText::decode(qmfuzz::bytes(data, size));
    if (!text)
        return 0;
    for (int i = 0; i < DelimitedText::DelimiterCount; ++i) {
        const QList<QStringList> records = DelimitedText::readRecords(*text, DelimitedText::delimiterAt(i));
        // What the import writes back out must be read as the same values.
        if (!records.isEmpty() && !records.first().isEmpty())
            DelimitedText::exportValue(records.first().first(), DelimitedText::delimiterAt(i));
    }
    const qsizetype end = text->indexOf(QLatin1Char('\n'));
    DelimitedText::readCommaSeparatedLine(text->left(end < 0 ? 4096 : end));
    return 0;
}
