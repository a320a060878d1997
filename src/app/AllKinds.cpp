#include "app/AllKinds.h"

#include "barcodes/BarcodeKinds.h"
#include "canvas/RectsView.h"
#include "database/merge/ColorAddress.h"
#include "database/merge/ColorField.h"
#include "database/merge/MergeFieldTool.h"
#include "database/merge/MergeKinds.h"
#include "database/window/QuickAddressPanel.h"
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
    RectsView::runAddressDialog = [](QWidget *window, ColorRect *block) {
        if (!block)
            return QuickAddressPanel::runForNewBlock(window);
        auto *address = dynamic_cast<ColorAddress *>(block);
        return address && QuickAddressPanel::runForBlock(window, *address);
    };
    RectsView::prepareAddressBlock = [](ColorRect *block) {
        if (auto *address = dynamic_cast<ColorAddress *>(block))
            QuickAddressPanel::prepareNewBlock(*address);
    };
}

} // namespace quillmark
