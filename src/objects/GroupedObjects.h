#pragma once
// Objects (a selection) sorted into the groups they belong to, each once in the order first
// met, and the objects that are members of none of those groups: what the commands that move,
// turn or measure a selection take one unit at a time. Linear in the objects and members.
#include <QList>

#include <functional>
#include <memory>

namespace quillmark {

class ColorRect;
class Group;

struct GroupedObjects
{
    QList<Group *> groups;
    QList<std::shared_ptr<ColorRect>> loose;
};

// `take` leaves out the groups it declines, whose members then stay loose.
GroupedObjects groupedObjects(const QList<std::shared_ptr<ColorRect>> &objects,
                              const std::function<bool(const Group &)> &take = {});

} // namespace quillmark
