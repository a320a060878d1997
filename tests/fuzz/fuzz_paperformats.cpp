// The paper formats file: a property list of sheets, each turned into a label stock.
#include "fuzz/FuzzSupport.h"
#include "stock/TLabel.h"
#include "stock/xmlFormatsReader.h"

using namespace quillmark;

QM_FUZZ_TARGET(paperformats)
{
    const QString path = qmfuzz::scratchFile(QStringLiteral("formats.xml"), qmfuzz::bytes(data, size));
    const xmlFormatsReader reader(path);
    for (qint32 i = 0; i < reader.count() && i < 1000; ++i) {
        TLabel label;
        reader.labelAtIndex(i, label);
        reader.formatAttribute(QStringLiteral("Name"), i);
        reader.labelAttribute(QStringLiteral("Width"), i);
    }
    return 0;
}
