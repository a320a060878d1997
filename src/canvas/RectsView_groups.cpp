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
    // selecting or undoing the selection of thousands of groups grow with their square. A
    // place is believed only while the group is still found there; any other change of the
    // list is caught at the next question.
    if (!group)
        return nullptr;
    auto placed = [&]() -> GroupPtr {
        const auto found = m_groupPlaces.constFind(group);
        if (found != m_groupPlaces.constEnd() && *found < _groups.size() && _groups[*found].get() == group)
            return _groups[*found];
        return nullptr;
    };
    if (GroupPtr found = placed())
        return found;
    // A group just made or pasted stands last.
    if (!_groups.isEmpty() && _groups.last().get() == group && !m_groupPlaces.contains(group)) {
        m_groupPlaces.insert(group, _groups.size() - 1);
        return _groups.last();
    }
    m_groupPlaces.clear();
    m_groupPlaces.reserve(_groups.size());
    for (qsizetype i = 0; i < _groups.size(); ++i)
        if (!m_groupPlaces.contains(_groups[i].get()))
            m_groupPlaces.insert(_groups[i].get(), i);
    return placed();
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

    for (const GroupPtr &other : std::as_const(_groups))
        other->setSelected(false);
    made->setSelected(true);
    _groups.append(made);
    update();
    // Undoing an Ungroup groups the members anew: undoing this grouping after that ungroups
    // the group that now holds them.
    registerUndo([this, made, members = made->getObjects()] {
        GroupPtr current = made;
        if (!_groups.contains(made) && !members.isEmpty())
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
    _groups.removeIf([&](const GroupPtr &g) { return g == chosen; });
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

void RectsView::ungroupEveryGroupHolding(const GraphicPtr &graphic)
{
    while (Group *owner = graphic->getGroup()) {
        const GroupPtr held = groupPtr(owner);
        if (!held)
            return;
        ungroup_(held);
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
    for (const GroupPtr &other : std::as_const(_groups))
        other->setSelected(false);
    made->setSelected(true);
    _groups.append(made);
    update();
    return int(_groups.size()) - 1;
}

void RectsView::ungroupCF()
{
    const GroupPtr chosen = selectedGroup();
    setSelectedGroup(nullptr);
    if (!chosen)
        return;
    _groups.removeIf([&](const GroupPtr &g) { return g == chosen; });
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
    for (const GroupPtr &candidate : std::as_const(_groups))
        candidate->setSelected(candidate.get() == chosen && chosen);
}

void RectsView::insertGroup(const GroupPtr &group, int index)
{
    if (!group)
        return;
    index = std::clamp(index, 0, int(_groups.size()));
    registerUndo([this, group, index] { removeGroup(group, index); });
    _groups.insert(index, group);
    update();
}

void RectsView::removeGroup(const GroupPtr &group, int index)
{
    const int at = int(_groups.indexOf(group));
    if (at < 0)
        return;
    registerUndo([this, group, index] { insertGroup(group, index); });
    _groups.removeAt(at);
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
    _groups.removeIf([&](const GroupPtr &g) { return g == group; });
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
    for (int index = int(rects.size()) - 1; index >= 0; --index) {
        const GraphicPtr graphic = rects[index];
        if (!pageName.isNull() && graphic->getPageName() != pageName)
            continue;
        graphic->setEditable(false);
        deselectRect(graphic);
        const QRectF area = graphic->drawingBounds();
        rects.removeAt(index);
        invalidateRect(area);
        const ColorRect::TextChainPlace place = graphic->leaveTextChain();
        registerUndo([this, graphic, index, place] {
            insertGraphic(graphic, index);
            graphic->rejoinTextChain(place);
        });
        ungroupEveryGroupHolding(graphic);
    }
    update();
    notifyGraphicsChanged();
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
