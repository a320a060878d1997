// A stock catalogue file: one product a line, read in both units, then sorted into its
// categories and shown in the catalogue's outline.
#include "fuzz/FuzzSupport.h"
#include "stock/DataSource.h"
#include "stock/LabelTypes.h"
#include "stock/TCategory.h"
#include "stock/TLabelType.h"

using namespace quillmark;

QM_FUZZ_TARGET(catalogue)
{
    const QByteArray input = qmfuzz::bytes(data, size);
    auto types = std::make_unique<LabelTypes>(false);
    types->readFromBuffer(input, false, QStringLiteral("Fuzzed"), QStringLiteral("Letter"));
    types->readFromBuffer(input, true, QStringLiteral("FuzzedA4"), QStringLiteral("A4"));
    types->sortLabelTypes();
    types->makeCategories();
    types->sortCategories();
    DataSource source(std::move(types));
    for (int pass = 0; pass < 2; ++pass) {
        const int rows = source.rowCount();
        for (int row = 0; row < rows && row < 200; ++row) {
            const QModelIndex index = source.index(row, 0);
            source.data(index);
            const int children = source.rowCount(index);
            for (int child = 0; child < children && child < 50; ++child)
                source.data(source.index(child, 0, index));
        }
        source.changeViewType();
    }
    return 0;
}
