// The canvas's groups (plain and title-and-value), undo and redo, clearing the design and the
// questions other parts ask about it.
#include <QHash>
#include <QSet>

#include <algorithm>

#include "canvas/RectsView.h"

#include "canvas/CanvasInspector.h"
#include "foundation/Language.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"

namespace quillmark {

GroupPtr RectsView::groupPtr(const Group *group) const
{
    // Asked for each member selected or let go of: a walk of every group each time made
    // selecting, deleting or undoing the selection of thousands of groups grow with their square.
    if (!group)
        return nullptr;
    const auto found = m_groupIndex.constFind(group);
    return found != m_groupIndex.constEnd() ? found->group : nullptr;
}

void RectsView::listGroup(const GroupPtr &group, qsizetype at)
{
    if (!group)
        return;
    if (at < 0 || at >= _groups.size())
        _groups.append(group);
    else
        _groups.insert(at, group);
    HeldGroup &held = m_groupIndex[group.get()];
    held.group = group;
    ++held.times;
}

void RectsView::unlistGroup(const GroupPtr &given, bool everyEntry)
{
    // Held here: the caller's may be the very entry of the list that goes.
    const GroupPtr group = given;
    const auto found = m_groupIndex.find(group.get());
    if (found == m_groupIndex.end())
        return;
    if (everyEntry && found->times > 1) {
        _groups.removeIf([&group](const GroupPtr &g) { return g == group; });
        m_groupIndex.erase(found);
        // A group out of the design is not selected: selecting the next one would otherwise
        // walk every group to let go of it.
        group->setSelected(false);
        return;
    }
    // A group just made or pasted stands last.
    qsizetype at = _groups.size() - 1;
    while (at >= 0 && _groups[at] != group)
        --at;
    if (at >= 0)
        _groups.removeAt(at);
    if (--found->times <= 0) {
        m_groupIndex.erase(found);
        group->setSelected(false);
    }
}

void RectsView::unlistAllGroups()
{
    for (const GroupPtr &group : std::as_const(_groups))
        group->setSelected(false);
    _groups.clear();
    m_groupIndex.clear();
}

GroupPtr RectsView::selectHeldGroup(const Group *group)
{
    // Selecting a member of one of thousands of groups finds its group by its place, and
    // walks the groups only when another one is selected besides it.
    if (!group)
        return nullptr;
    const GroupPtr held = groupPtr(group);
    if (!held)
        return nullptr;
    // Another group is let go of only when one is selected besides this one. Selecting the
    // members of thousands of groups one after another (Undo of letting go of them) lets go
    // of the group held before each: that one alone, when it is the only other.
    const qint64 others = Group::selectedCount() - (held->isSelected() ? 1 : 0);
    const GroupPtr before = m_heldGroup.lock();
    if (others == 1 && before && before != held && before->isSelected()) {
        before->setSelected(false);
    } else if (others > 0) {
        for (const GroupPtr &candidate : std::as_const(_groups))
            if (candidate != held)
                candidate->setSelected(false);
    }
    held->setSelected(true);
    m_heldGroup = held;
    return held;
}

void RectsView::group()
{
    if (_selectedObjects.isEmpty())
        return;
    group_(_selectedObjects, false);
    // The gathering moves name the step after themselves; the Edit menu names the command.
    setActionName(localizedStringFromTable(QStringLiteral("Group"), QStringLiteral("UndoStrings")));
    wasChanged(true);
    // The inspector now shows the group: its frame and what a group allows.
    if (m_objectInfo)
        m_objectInfo->refresh();
}

GroupPtr RectsView::group_(const GraphicList &graphics, bool ordered)
{
    GroupPtr made;
    // A merge field first makes a title-and-value group once that kind is registered.
    if (!graphics.isEmpty() && graphics.first()->className() == QLatin1String("ColorField"))
        made = Group::createGroupOfKind(QStringLiteral("GroupField"));
    if (!made)
        made = Group::create();
    made->setRectsView(this);
    if (!m_groupsMayNest) {
        QSet<const Group *> owners;
        for (const GraphicPtr &graphic : graphics)
            if (const Group *owner = graphic->getGroup())
                owners.insert(owner);
        if (!owners.isEmpty())
            m_groupsMayNest = std::any_of(_groups.begin(), _groups.end(),
                                          [&owners](const GroupPtr &held) { return owners.contains(held.get()); });
    }
    made->addObjects(graphics);

    if (!ordered) {
        // The members end up contiguous directly behind the frontmost one, in their former
        // relative order.
        const GraphicList sorted = orderedSelectedGraphics();
        if (!sorted.isEmpty())
            gatherBehindFrontmost(sorted);
    }

    setSelectedGroup(nullptr);
    made->setSelected(true);
    m_heldGroup = made;
    listGroup(made);
    update();
    // Undoing an Ungroup groups the members anew: undoing this grouping after that ungroups
    // the group that now holds them.
    registerUndo([this, made, members = made->getObjects()] {
        GroupPtr current = made;
        if (!m_groupIndex.contains(made.get()) && !members.isEmpty())
            if (const GroupPtr holder = groupPtr(members.first()->getGroup()); holder && holder->getObjects() == members)
                current = holder;
        ungroup_(current);
    });
    return made;
}

void RectsView::gatherBehindFrontmost(const GraphicList &sorted)
{
    QSet<const ColorRect *> gathered;
    gathered.reserve(sorted.size());
    for (const GraphicPtr &graphic : sorted)
        gathered.insert(graphic.get());
    const ColorRect *frontmost = sorted.last().get();
    bool together = true;
    int found = 0;
    int previous = -1;
    for (int i = 0; i < rects.size(); ++i) {
        if (!gathered.contains(rects[i].get()))
            continue;
        if (previous >= 0 && i != previous + 1)
            together = false;
        previous = i;
        ++found;
    }
    if (found != sorted.size() || !gathered.contains(rects[previous].get()) || rects[previous].get() != frontmost) {
        // Objects outside the design: one at a time, as each was always moved.
        int t = indexOfGraphic(frontmost);
        for (int i = int(sorted.size()) - 1; i >= 0; --i) {
            const int index = indexOfGraphic(sorted[i].get());
            if (index < t) {
                moveGraphic(sorted[i], t - 1);
                --t;
            }
        }
        return;
    }
    // Already side by side: each move would have left its object where it was.
    if (together)
        return;
    GraphicList order;
    order.reserve(rects.size());
    for (const GraphicPtr &graphic : std::as_const(rects)) {
        if (graphic.get() == frontmost)
            order.append(sorted);
        else if (!gathered.contains(graphic.get()))
            order.append(graphic);
    }
    setStackingOrder(order);
}

void RectsView::ungroup()
{
    const GroupPtr chosen = selectedGroup();
    setSelectedGroup(nullptr);
    if (!chosen)
        return;
    ungroup_(chosen);
    setActionName(localizedStringFromTable(QStringLiteral("Ungroup"), QStringLiteral("UndoStrings")));
    wasChanged(true);
    update();
    // The members show their own values again.
    if (m_objectInfo)
        m_objectInfo->refresh();
}

void RectsView::ungroup_(const GroupPtr &chosen)
{
    if (!chosen)
        return;
    const GraphicList members = chosen->getObjects();
    registerUndo([this, members] { group_(members, true); });
    chosen->clear();
    unlistGroup(chosen, true);
    answerEnclosingGroups(members);
    update();
}

void RectsView::answerEnclosingGroups(const GraphicList &members)
{
    if (!m_groupsMayNest)
        return;
    QSet<const ColorRect *> alone;
    for (const GraphicPtr &member : members)
        if (!member->getGroup())
            alone.insert(member.get());
    for (qsizetype i = _groups.size() - 1; i >= 0 && !alone.isEmpty(); --i) {
        bool taken = false;
        for (const GraphicPtr &member : _groups[i]->getObjects())
            if (alone.remove(member.get())) {
                member->setGroup(_groups[i].get());
                taken = true;
            }
        // Its members moved with the group that held them; its frame stayed where it was.
        if (taken && _groups[i]->className() == QLatin1String("Group"))
            _groups[i]->setBounds(_groups[i]->membersFrame());
    }
}

int RectsView::groupCF(bool showTitle)
{
    GroupPtr made = Group::createGroupOfKind(QStringLiteral("GroupField"));
    if (!made)
        made = Group::create();
    made->setRectsView(this);
    made->addObjects(_selectedObjects);
    // The title flag belongs to the title-and-value kind; a plain group has none to set.
    m_groupShowsTitle = showTitle;
    setSelectedGroup(nullptr);
    made->setSelected(true);
    m_heldGroup = made;
    listGroup(made);
    update();
    return int(_groups.size()) - 1;
}

void RectsView::ungroupCF()
{
    const GroupPtr chosen = selectedGroup();
    setSelectedGroup(nullptr);
    if (!chosen)
        return;
    unlistGroup(chosen, true);
    update();
    registerUndo([this] { groupCF(false); });
}

GroupPtr RectsView::selectedGroup() const
{
    if (Group::selectedCount() == 0)
        return nullptr;
    for (const GroupPtr &candidate : _groups)
        if (candidate->isSelected())
            return candidate;
    return nullptr;
}

void RectsView::setSelectedGroup(const Group *chosen)
{
    // Nothing to change while no group but the chosen one is selected: letting go of each
    // member of thousands of groups asks this each time.
    const qint64 selected = Group::selectedCount();
    if ((!chosen && selected == 0) || (chosen && chosen->isSelected() && selected == 1))
        return;
    // The group selected last alone selected: it alone is let go of. Undoing the deletion of
    // thousands of merge field pairs groups each pair anew and selects it.
    if (const GroupPtr before = m_heldGroup.lock(); before && before->isSelected() && selected == 1) {
        before->setSelected(false);
        if (const GroupPtr held = groupPtr(chosen)) {
            held->setSelected(true);
            m_heldGroup = held;
        }
        return;
    }
    for (const GroupPtr &candidate : std::as_const(_groups))
        candidate->setSelected(candidate.get() == chosen && chosen);
    if (const GroupPtr held = groupPtr(chosen))
        m_heldGroup = held;
}

void RectsView::insertGroup(const GroupPtr &group, int index)
{
    if (!group)
        return;
    index = std::clamp(index, 0, int(_groups.size()));
    registerUndo([this, group, index] { removeGroup(group, index); });
    listGroup(group, index);
    update();
}

void RectsView::removeGroup(const GroupPtr &given, int index)
{
    const GroupPtr group = given;
    if (!m_groupIndex.contains(group.get()))
        return;
    registerUndo([this, group, index] { insertGroup(group, index); });
    // Where it was put back, or else found from the end.
    if (index >= 0 && index < _groups.size() && _groups[index] == group) {
        _groups.removeAt(index);
        if (--m_groupIndex[group.get()].times <= 0) {
            m_groupIndex.remove(group.get());
            group->setSelected(false);
        }
    } else {
        unlistGroup(group, false);
    }
    update();
}

void RectsView::removeGroupsAt(const ListPlaces<GroupPtr> &places)
{
    if (places.isEmpty())
        return;
    if (!places.standIn(_groups)) {
        // Moved since: each is found on its own, the last first.
        for (qsizetype i = places.size() - 1; i >= 0; --i)
            removeGroup(places.entries[i], int(places.at[i]));
        return;
    }
    registerUndo([this, places] { insertGroupsAt(places); });
    places.takeOutOf(_groups);
    for (const GroupPtr &group : places.entries) {
        const auto held = m_groupIndex.find(group.get());
        if (held != m_groupIndex.end() && --held->times <= 0) {
            m_groupIndex.erase(held);
            group->setSelected(false);
        }
    }
    update();
}

void RectsView::insertGroupsAt(const ListPlaces<GroupPtr> &places)
{
    if (places.isEmpty())
        return;
    const ListPlaces<GroupPtr> went = places.putBackInto(_groups);
    for (const GroupPtr &group : places.entries) {
        HeldGroup &held = m_groupIndex[group.get()];
        held.group = group;
        ++held.times;
    }
    registerUndo([this, went] { removeGroupsAt(went); });
    update();
}

void RectsView::letGoOfGroups(const GroupList &groups)
{
    if (groups.isEmpty())
        return;
    QSet<const Group *> going;
    going.reserve(groups.size());
    for (const GroupPtr &group : groups)
        going.insert(group.get());
    ListPlaces<GroupPtr> places;
    for (qsizetype i = 0; i < _groups.size(); ++i)
        if (going.contains(_groups[i].get()))
            places.append(i, _groups[i]);
    removeGroupsAt(places);
    // A member of a nested group that stays is held by it again, as ungrouping leaves it.
    QList<MemberHolders> held;
    GraphicList members;
    for (const GroupPtr &group : groups)
        for (const GraphicPtr &member : group->getObjects())
            if (member->getGroup() == group.get()) {
                held.append({member, group, nullptr});
                members.append(member);
                member->setGroup(nullptr);
            }
    answerEnclosingGroups(members);
    for (MemberHolders &holders : held)
        holders.after = groupPtr(holders.member->getGroup());
    registerUndo([this, held] { setMembersGroups(held, true); });
    update();
}

void RectsView::setMembersGroups(const QList<MemberHolders> &held, bool before)
{
    for (const MemberHolders &holders : held)
        holders.member->setGroup(before ? holders.before.get() : holders.after.get());
    registerUndo([this, held, before] { setMembersGroups(held, !before); });
    update();
}

void RectsView::removeGroupAtIndex(int index)
{
    if (index < 0 || index >= _groups.size())
        return;
    const GroupPtr group = _groups[index];
    m_undoManager.beginUndoGrouping();
    registerUndo([this, group, index] { insertGroup(group, index); });
    const GraphicList members = group->getObjects();
    for (int i = int(members.size()) - 1; i >= 0; --i)
        removeGraphicAtIndex(indexOfGraphic(members[i].get()));
    unlistGroup(group, true);
    m_undoManager.endUndoGrouping();
    update();
}

void RectsView::undo()
{
    const ChangeBatch batch(*this);
    // Undoing a saved state changes the design as much as the edit did: New and Open ask.
    const bool any = m_undoManager.canUndo();
    m_undoManager.undo();
    fitGroupsToMembers(false);
    if (any)
        wasChanged(true);
    update();
    notifySelectionChanged();
}

void RectsView::redo()
{
    const ChangeBatch batch(*this);
    const bool any = m_undoManager.canRedo();
    m_undoManager.redo();
    fitGroupsToMembers(false);
    if (any)
        wasChanged(true);
    update();
    notifySelectionChanged();
}

void RectsView::removeAllRects(const QString &pageName)
{
    const ChangeBatch batch(*this);
    if (pageName.isNull())
        _selectedTemplates.clear();
    setSelectedGroup(nullptr);
    QSet<const ColorRect *> going;
    for (const GraphicPtr &graphic : std::as_const(rects))
        if (pageName.isNull() || graphic->getPageName() == pageName) {
            graphic->setEditable(false);
            going.insert(graphic.get());
        }
    removeGraphics(going);
    update();
}

bool RectsView::hasTwoSides() const
{
    QString first;
    for (const GraphicPtr &graphic : rects) {
        const QString name = graphic->getPageName();
        if (name.isEmpty())
            continue;
        if (first.isEmpty())
            first = name;
        else if (name != first)
            return true;
    }
    return false;
}

bool RectsView::selectedisBarcodes() const
{
    return !_selectedObjects.isEmpty()
           && std::all_of(_selectedObjects.begin(), _selectedObjects.end(), [](const GraphicPtr &g) {
                  return g->className() == QLatin1String("ColorBarcode");
              });
}

int RectsView::nextKnob(int knob) const
{
    static const int next[9] = {0, 2, 3, 5, 1, 8, 4, 6, 7};
    return knob >= 1 && knob <= 8 ? next[knob] : knob;
}

int RectsView::prevKnob(int knob) const
{
    static const int prev[9] = {0, 4, 1, 2, 6, 3, 7, 8, 5};
    return knob >= 1 && knob <= 8 ? prev[knob] : knob;
}

} // namespace quillmark
