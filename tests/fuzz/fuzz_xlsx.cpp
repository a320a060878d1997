// A workbook chosen for import: unpacked, its sheets listed and each read with its shared
// strings, styles, dates and numbers.
#include "database/exchange/ExcelWorkbook.h"
#include "database/exchange/excelSheet.h"
#include "fuzz/FuzzSupport.h"

using namespace quillmark;

QM_FUZZ_TARGET(xlsx)
{
    const QString path = qmfuzz::scratchFile(QStringLiteral("Fuzzed.xlsx"), qmfuzz::bytes(data, size));
    ExcelWorkbook workbook;
    if (!workbook.open(path))
        return 0;
    const int sheets = int(workbook.sheets().size());
    for (int i = 0; i < sheets && i < 8; ++i) {
        if (!workbook.loadSheet(i))
            continue;
        for (const QStringList &row : workbook.rows())
            for (const QString &cell : row)
                (void)cell.size();
    }
    return 0;
}
