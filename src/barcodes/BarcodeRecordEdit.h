#pragma once
// One edit of the selected barcodes' records, as the barcode drawer and the inspector's
// barcode page both make it: each barcode's record copied, one field changed and handed back
// whole, the whole selection one undo step under the control's name. A barcode switched to a
// square symbology keeps its symbol inside the label.
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace quillmark {

class CanvasServices;
class ColorBarcode;
struct TBarInfo;

// `change` edits one field of a barcode's record and says whether it changed anything.
// Barcodes left unchanged register nothing; when none changed, no undo step is made and the
// design is not marked changed. `actionKey` is the English undo name ("Barcode Type"), looked
// up in the table "UndoStrings"; an empty key names no action. Answers whether any changed.
bool editBarcodeRecords(CanvasServices *canvas, const QList<std::shared_ptr<ColorBarcode>> &barcodes,
                        const QString &actionKey, const std::function<bool(ColorBarcode &, TBarInfo &)> &change);

} // namespace quillmark
