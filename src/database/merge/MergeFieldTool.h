#pragma once
// What the canvas's merge-field tool makes where the user clicks with a field chosen.
#include <QPointF>

#include <memory>

namespace quillmark {

class CanvasServices;
class ColorField;
class GroupField;

struct MergeFieldPair
{
    std::shared_ptr<ColorField> title;
    std::shared_ptr<ColorField> contents;
    std::shared_ptr<GroupField> group;
};

// A title and a contents member bound to the pk, made with undo registration off: the
// contents starts at the point and the title lies left of it; both are marked selected and
// grouped into a selected pair with the title hidden. The canvas adds both members to its
// objects and the pair to its groups, and registers the removal for undo.
MergeFieldPair createDBField(CanvasServices *canvas, const QPointF &point, int pk);

} // namespace quillmark
