#pragma once
// What a merge field asks of the title-and-value group that holds it. The group implements
// it; a field outside a group lays itself out alone.
#include <QPointF>

namespace quillmark {

class ColorField;

class FieldPair
{
public:
    virtual ~FieldPair() = default;

    virtual ColorField *titleObject() const = 0;
    virtual ColorField *contentsObject() const = 0;
    // YES when the title member is shown (never for a picture field).
    virtual bool showTitle() const = 0;
    // YES while either member's text is edited in place.
    virtual bool isEditable() const = 0;
    // Puts the title left of the contents with the first text lines level.
    virtual void updateGroupField() = 0;
    // Turns the members about the centre (the centre of the bounds for (0, 0)) without
    // changing their own angles; answers the centre used.
    virtual QPointF rotate(float degrees, const QPointF &centre) = 0;
    // The member that a mouse-down hit.
    virtual void setSelectedObject(ColorField *member, bool shift) = 0;
};

} // namespace quillmark
