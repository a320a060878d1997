// What an object asks of the group it belongs to.
#include "objects/ColorRect.h"

namespace quillmark {

bool ColorRect::knobsBelongToGroup() const
{
    // Only a group whose members may all be resized takes over their knobs; the answer
    // comes from the group kind, and an object outside a group keeps its own.
    return false;
}

} // namespace quillmark
