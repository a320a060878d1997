// What an object asks of the group it belongs to.
#include "objects/ColorRect.h"

#include "objects/Group.h"

namespace quillmark {

bool ColorRect::knobsBelongToGroup() const
{
    // Only a group whose members may all be resized takes over their knobs.
    return group && group->isResizable();
}

} // namespace quillmark
