#include "app/AllKinds.h"

#include "barcodes/BarcodeKinds.h"
#include "canvas/RectsView.h"
#include "database/ColorField.h"
#include "database/MergeFieldTool.h"
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
    RectsView::mergeFieldPairMaker = [](CanvasServices *canvas, const QPointF &point, int pk) {
        const MergeFieldPair pair = createDBField(canvas, point, pk);
        return std::pair<GraphicPtr, GraphicPtr>(pair.title, pair.contents);
    };
}

} // namespace quillmark
