#include "canvas/AllKinds.h"

#include "barcodes/BarcodeKinds.h"
#include "database/MergeKinds.h"
#include "objects/Group.h"
#include "objects/ObjectFactory.h"

namespace quillmark {

void registerAllKinds()
{
    registerObjectKinds();
    registerGroupKinds();
    registerBarcodeKinds();
    registerMergeKinds();
}

} // namespace quillmark
