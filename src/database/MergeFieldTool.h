#pragma once
// What the canvas's merge-field tool makes where the user clicks with a field chosen.
#include <QPointF>

#include <memory>

namespace quillmark {

class CanvasServices;
class ColorField;

struct MergeFieldPair
{
    std::shared_ptr<ColorField> title;
    std::shared_ptr<ColorField> contents;
};

// A title and a contents member bound to the pk, with undo registration off: the contents
// starts at the point and the title lies left of it; both are marked selected. The canvas
// adds both to its objects and groups them with the title hidden.
MergeFieldPair createDBField(CanvasServices *canvas, const QPointF &point, int pk);

} // namespace quillmark
