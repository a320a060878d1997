#include "barcodes/BarcodeKinds.h"

#include "barcodes/ColorBarcode.h"
#include "objects/ObjectFactory.h"

namespace quillmark {

void registerBarcodeKinds()
{
    ObjectFactory::registerClass(QStringLiteral("ColorBarcode"), [] { return ColorBarcode::create(); });
}

} // namespace quillmark
