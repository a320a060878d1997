#include "barcodes/BarcodeRecordEdit.h"

#include <QRectF>

#include "barcodes/ColorBarcode.h"
#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "platform/UndoManager.h"

namespace quillmark {

namespace {

struct KeptRecord
{
    std::shared_ptr<ColorBarcode> barcode;
    TBarInfo info;
    QRectF frame;
};

// Gives each barcode its record and frame back; the inverse puts the present ones back in
// turn, so undo and redo alternate under the same name.
void restoreRecords(CanvasServices *canvas, const QList<KeptRecord> &records, const QString &name)
{
    QList<KeptRecord> now;
    for (const KeptRecord &kept : records) {
        now.append({kept.barcode, kept.barcode->getBarInfo(), kept.barcode->frameBounds()});
        canvas->invalidateGraphic(kept.barcode.get());
        kept.barcode->restoreBarInfo(kept.info, kept.frame);
        canvas->invalidateGraphic(kept.barcode.get());
    }
    if (UndoManager *undo = canvas->undoManager()) {
        undo->registerUndo([canvas, now, name] { restoreRecords(canvas, now, name); });
        if (!name.isEmpty())
            undo->setActionName(name);
    }
    canvas->setDrawersItemsState();
    canvas->updateObjectValues();
    canvas->wasChanged(true);
}

} // namespace

bool editBarcodeRecords(CanvasServices *canvas, const QList<std::shared_ptr<ColorBarcode>> &barcodes,
                        const QString &actionKey, const std::function<bool(ColorBarcode &, TBarInfo &)> &change)
{
    QList<KeptRecord> before;
    for (const std::shared_ptr<ColorBarcode> &barcode : barcodes) {
        TBarInfo info = barcode->getBarInfo();
        const KeptRecord kept{barcode, info, barcode->frameBounds()};
        if (!change(*barcode, info))
            continue;
        if (canvas)
            canvas->invalidateGraphic(barcode.get());
        barcode->setBarInfo(info);
        // A linear symbol switched to a square one takes a side of its own; it stays on the
        // label, its top-left corner where the bars began.
        if (canvas && info.type != kept.info.type && ColorBarcode::isSquareType(info.type))
            barcode->keepSymbolInside(canvas->labelBounds());
        if (canvas)
            canvas->invalidateGraphic(barcode.get());
        before.append(kept);
    }
    if (before.isEmpty() || !canvas)
        return !before.isEmpty();
    const QString name = actionKey.isEmpty() ? QString()
                                             : localizedStringFromTable(actionKey, QStringLiteral("UndoStrings"));
    if (UndoManager *undo = canvas->undoManager()) {
        undo->registerUndo([canvas, before, name] { restoreRecords(canvas, before, name); });
        if (!name.isEmpty())
            undo->setActionName(name);
    }
    canvas->wasChanged(true);
    return true;
}

} // namespace quillmark
