// The user's custom formats file (and the copy read when it is damaged), shown in the
// custom formats table.
#include "fuzz/FuzzSupport.h"
#include "stock/CustomDataSource.h"
#include "stock/CustomEntry.h"

using namespace quillmark;

QM_FUZZ_TARGET(customformats)
{
    const QByteArray input = qmfuzz::bytes(data, size);
    const QString path = qmfuzz::scratchFile(QStringLiteral("custom.plist"), input);
    const QString fallback = qmfuzz::scratchFile(QStringLiteral("custom-fallback.plist"), input);
    CustomDataSource source(path, fallback);
    const int rows = source.rowCount();
    for (int row = 0; row < rows && row < 500; ++row)
        for (int column = 0; column < source.columnCount(); ++column)
            source.data(source.index(row, column));
    source.propertyDictionary();
    source.description();
    return 0;
}
