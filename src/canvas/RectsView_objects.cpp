// The canvas's object list: adding and removing with undo, selection with undo, queries on
// the selection, stacking commands and hit testing.
#include "canvas/RectsView.h"

#include <QCoreApplication>
#include <QPointer>
#include <QRegion>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "canvas/CanvasInspector.h"
#include "foundation/Language.h"
#include "foundation/SegmentedControl.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/PictureWorker.h"

namespace quillmark {

namespace {

// The areas where the pictures of one turn arrived, joined into a few rectangles: each part of
// the region a repaint is clipped to makes every clip an object sets while it draws cost more,
// and thousands of barcodes set one each, while the pictures of a turn come in runs of
// neighbours. An area joins the part it touches or comes near; beyond the most parts, the one
// it widens least.
QRegion arrivedRegion(std::vector<QRect> areas)
{
    constexpr int MostParts = 8;
    constexpr int Near = 24;
    std::sort(areas.begin(), areas.end(), [](const QRect &a, const QRect &b) { return a.top() < b.top(); });
    std::vector<QRect> parts;
    const auto grown = [](const QRect &a, const QRect &b) {
        return qint64(a.united(b).width()) * a.united(b).height() - qint64(a.width()) * a.height();
    };
    for (const QRect &area : areas) {
        auto near = std::find_if(parts.begin(), parts.end(), [&area](const QRect &part) {
            return part.adjusted(-Near, -Near, Near, Near).intersects(area);
        });
        if (near == parts.end() && int(parts.size()) >= MostParts)
            near = std::min_element(parts.begin(), parts.end(), [&](const QRect &a, const QRect &b) {
                return grown(a, area) < grown(b, area);
            });
        if (near == parts.end())
            parts.push_back(area);
        else
            *near |= area;
    }
    // Parts grown into each other are one.
    for (bool joined = true; joined;) {
        joined = false;
        for (size_t i = 0; i < parts.size() && !joined; ++i)
            for (size_t k = i + 1; k < parts.size() && !joined; ++k)
                if (parts[i].intersects(parts[k])) {
                    parts[i] |= parts[k];
                    parts.erase(parts.begin() + qsizetype(k));
                    joined = true;
                }
    }
    QRegion region;
    for (const QRect &part : parts)
        region += part;
    return region;
}

// The canvas whose batch of changes has already ended point editing on its selection (the
// canvas lives on the GUI thread only).
const RectsView *pathEditsEndedIn = nullptr;

// 0 when no graphic is given, 1 or 0 when all agree, -1 as soon as two differ.
template <typename Getter>
int threeState(const GraphicList &graphics, Getter getter)
{
    if (graphics.isEmpty())
        return 0;
    const bool first = getter(*graphics.first());
    for (const GraphicPtr &graphic : graphics)
        if (getter(*graphic) != first)
            return -1;
    return first ? 1 : 0;
}

} // namespace

int RectsView::currentLayer() const
{
    if (m_outlets.segmentedLayersOutlet)
        return m_outlets.segmentedLayersOutlet->selectedSegment();
    return 1;
}

bool RectsView::isOnCurrentPageAndLayer(const ColorRect &graphic) const
{
    if (!graphic.isOnPageNamed(getCurrPageName()))
        return false;
    return !m_outlets.segmentedLayersOutlet || graphic.objectLayer() == currentLayer();
}

int RectsView::indexOfGraphic(const ColorRect *graphic) const
{
    // From the front: removing a selection front to back finds each object at once.
    for (int i = int(rects.size()) - 1; i >= 0; --i)
        if (rects[i].get() == graphic)
            return i;
    return -1;
}

QList<std::shared_ptr<ColorRect>> RectsView::runaroundObstacles(const ColorRect &box) const
{
    return m_runaround.obstaclesOver(box, rects);
}

void RectsView::runaroundChanged()
{
    m_runaround.markStale();
}

void RectsView::invalidateGraphic(const ColorRect *graphic)
{
    // Whatever changed may have moved an obstacle of some text.
    m_runaround.markMoved();
    // A change outside a move's own step (a nudge or a command given while the button is
    // held) leaves the selection's bounds the move carries behind.
    if (!m_stepSelectionBounds)
        forgetMoveBounds();
    // While a sheet prints, the merge objects change with every label; the screen is not
    // drawn meanwhile and shows the objects again once they are refreshed after the job.
    if (m_printing)
        return;
    if (!graphic) {
        // Each of thousands of objects a command moves asks for the whole canvas: inside a
        // batch it is redrawn once, at its end.
        if (m_batchDepth > 0)
            m_batchRepaint = true;
        else
            update();
        return;
    }
    dropDragPictures(graphic);
    // Inside a batch the canvas is redrawn whole at its end: the area an object reaches (a
    // turned outline's, at each step of a turn of thousands) is not worked out for nothing.
    if (m_batchDepth > 0) {
        m_batchRepaint = true;
        return;
    }
    invalidateRect(graphic->drawingBounds());
}

void RectsView::invalidateRect(const QRectF &rect)
{
    m_runaround.markMoved();
    // Many small areas would each be merged into the widget's dirty region: a batch redraws
    // the canvas once instead.
    if (m_batchDepth > 0) {
        m_batchRepaint = true;
        return;
    }
    QRectF area = pageToWidget().mapRect(rect);
    if (!std::isfinite(area.x()) || !std::isfinite(area.y()) || !std::isfinite(area.width())
        || !std::isfinite(area.height())) {
        update();
        return;
    }
    // Only the canvas itself can be redrawn; cut first, so that a huge object's area never
    // reaches the integer conversion.
    area = area.adjusted(-2.0, -2.0, 2.0, 2.0).intersected(QRectF(this->rect()).adjusted(-4.0, -4.0, 4.0, 4.0));
    if (area.width() <= 0.0 || area.height() <= 0.0)
        return;
    if (PictureWorker::delivering()) {
        // Pictures made aside arrive one by one, thousands in a turn of the event loop: their
        // areas are gathered and the canvas asked once, after the last of the turn, to draw
        // where they came, rather than each merged into the dirty region on its own.
        // Drawn as a few parts of one region: the bounds of them all would span nearly the
        // whole canvas, drawn whole at every turn.
        m_arrivedAreas.push_back(area.toAlignedRect());
        if (!std::exchange(m_arrivedUpdatePosted, true))
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [view = QPointer<RectsView>(this)] {
                    if (!view)
                        return;
                    view->m_arrivedUpdatePosted = false;
                    view->update(arrivedRegion(std::exchange(view->m_arrivedAreas, {})));
                },
                Qt::QueuedConnection);
        return;
    }
    update(area.toAlignedRect());
}

// ---- batches of changes ----

RectsView::ChangeBatch::ChangeBatch(RectsView &view)
    : m_view(view)
{
    m_view.beginChangeBatch();
}

RectsView::ChangeBatch::~ChangeBatch()
{
    m_view.endChangeBatch();
}

void RectsView::beginChangeBatch()
{
    ++m_batchDepth;
}

void RectsView::endChangeBatch()
{
    if (m_batchDepth <= 0 || --m_batchDepth > 0)
        return;
    if (pathEditsEndedIn == this)
        pathEditsEndedIn = nullptr;
    if (std::exchange(m_batchRepaint, false))
        update();
    if (std::exchange(m_batchRulers, false))
        updateRulers();
    const bool reports = m_batchChangedState || m_batchGraphicsChanged || m_batchSelectionChanged;
    {
        ++m_reportingBatch;
        const auto reported = qScopeGuard([this] { --m_reportingBatch; });
        if (std::exchange(m_batchChangedState, false))
            emit changedStateChanged(m_changed);
        if (std::exchange(m_batchGraphicsChanged, false))
            emit graphicsChanged();
        if (std::exchange(m_batchSelectionChanged, false))
            emit selectionChanged();
    }
    if (reports)
        emit changeBatchReported();
}

void RectsView::notifyGraphicsChanged()
{
    m_runaround.markStale();
    forgetDragChanges();
    if (m_batchDepth > 0)
        m_batchGraphicsChanged = true;
    else
        emit graphicsChanged();
}

void RectsView::notifySelectionChanged()
{
    forgetDragChanges();
    // The marks a drop's pictures show are no longer those of the selection.
    dropDragPictures();
    if (m_batchDepth > 0)
        m_batchSelectionChanged = true;
    else
        emit selectionChanged();
}

void RectsView::rulersChanged()
{
    if (m_batchDepth > 0)
        m_batchRulers = true;
    else
        updateRulers();
}

// ---- list changes ----

void RectsView::addGraphic(const GraphicPtr &graphic)
{
    if (!graphic)
        return;
    rects.append(graphic);
    const int index = int(rects.size()) - 1;
    registerUndo([this, index] { removeGraphicAtIndex(index); });
    graphic->setMainView(this);
    invalidateGraphic(graphic.get());
    notifyGraphicsChanged();
}

void RectsView::insertGraphic(const GraphicPtr &graphic, int index)
{
    if (!graphic)
        return;
    index = std::clamp(index, 0, int(rects.size()));
    registerUndo([this, index] { removeGraphicAtIndex(index); });
    rects.insert(index, graphic);
    graphic->setMainView(this);
    invalidateGraphic(graphic.get());
    notifyGraphicsChanged();
}

void RectsView::removeGraphicAtIndex(int index)
{
    if (index < 0 || index >= rects.size())
        return;
    const GraphicPtr graphic = rects[index];
    deselectRectUndo(graphic);
    const QRectF area = graphic->drawingBounds();
    rects.removeAt(index);
    invalidateRect(area);
    notifyGraphicsChanged();
    // A box that leaves the canvas leaves its text chain too; undo puts it back in place.
    const ColorRect::TextChainPlace place = graphic->leaveTextChain();
    if (place.isValid())
        update();
    registerUndo([this, graphic, index, place] {
        insertGraphic(graphic, index);
        graphic->rejoinTextChain(place);
    });
}

void RectsView::addGraphics(const GraphicList &graphics)
{
    if (graphics.isEmpty())
        return;
    const ChangeBatch batch(*this);
    const qsizetype first = rects.size();
    rects.append(graphics);
    for (const GraphicPtr &graphic : graphics) {
        graphic->setMainView(this);
        invalidateGraphic(graphic.get());
    }
    notifyGraphicsChanged();
    registerUndo([this, places = ListPlaces<GraphicPtr>::together(first, graphics)] { removeGraphicsAt(places); });
}

void RectsView::removeGraphics(const QSet<const ColorRect *> &going, const GroupList &groupsToo,
                               const QSet<const Group *> &kept)
{
    const ChangeBatch batch(*this);
    ListPlaces<GraphicPtr> places;
    for (qsizetype i = 0; i < rects.size(); ++i)
        if (going.contains(rects[i].get()))
            places.append(i, rects[i]);
    GroupList groups;
    QSet<const Group *> seen;
    for (const GroupPtr &group : groupsToo)
        if (group && !kept.contains(group.get()) && !seen.contains(group.get())) {
            seen.insert(group.get());
            groups.append(group);
        }
    // Every group holding one that goes, an enclosing one too; an object not in the design
    // any more is let go of by its groups all the same.
    for (const GroupPtr &group : std::as_const(_groups)) {
        if (seen.contains(group.get()) || kept.contains(group.get()))
            continue;
        const GraphicList &members = group->getObjects();
        if (std::any_of(members.cbegin(), members.cend(), [&going](const GraphicPtr &m) { return going.contains(m.get()); })) {
            seen.insert(group.get());
            groups.append(group);
        }
    }
    // Let go of while still grouped, so that the whole of each group leaves the selection.
    GraphicList selected;
    for (const GraphicPtr &graphic : std::as_const(places.entries))
        if (isSelected(graphic.get()))
            selected.append(graphic);
    if (!selected.isEmpty())
        deselectRectsUndo(selected);
    letGoOfGroups(groups);
    removeGraphicsAt(places);
}

void RectsView::removeGraphicsAt(const ListPlaces<GraphicPtr> &places)
{
    if (places.isEmpty())
        return;
    const ChangeBatch batch(*this);
    if (!places.standIn(rects)) {
        // Something put in between since: each is taken out where it is now, the last first.
        for (qsizetype i = places.size() - 1; i >= 0; --i)
            removeGraphicAtIndex(indexOfGraphic(places.entries[i].get()));
        return;
    }
    // Normally none is still selected: its own undo took the selection away first.
    GraphicList selected;
    for (const GraphicPtr &graphic : places.entries)
        if (isSelected(graphic.get()))
            selected.append(graphic);
    if (!selected.isEmpty())
        deselectRectsUndo(selected);
    // Within the batch the canvas is drawn again once, whatever each object covered.
    invalidateGraphic(nullptr);
    places.takeOutOf(rects);
    notifyGraphicsChanged();
    // Each box leaves its text chain as it would alone, the last first.
    const qsizetype count = places.size();
    QList<ColorRect::TextChainPlace> chains(count);
    bool chained = false;
    for (qsizetype i = count - 1; i >= 0; --i) {
        chains[i] = places.entries[i]->leaveTextChain();
        chained = chained || chains[i].isValid();
    }
    if (chained)
        update();
    registerUndo([this, places, chains] {
        insertGraphicsAt(places);
        for (qsizetype i = 0; i < places.size(); ++i)
            places.entries[i]->rejoinTextChain(chains[i]);
    });
}

void RectsView::insertGraphicsAt(const ListPlaces<GraphicPtr> &places)
{
    if (places.isEmpty())
        return;
    const ChangeBatch batch(*this);
    const ListPlaces<GraphicPtr> went = places.putBackInto(rects);
    for (const GraphicPtr &graphic : places.entries) {
        graphic->setMainView(this);
        invalidateGraphic(graphic.get());
    }
    notifyGraphicsChanged();
    registerUndo([this, went] { removeGraphicsAt(went); });
}

bool RectsView::moveGraphic(const GraphicPtr &graphic, int index)
{
    const int current = indexOfGraphic(graphic.get());
    if (current < 0)
        return false;
    registerUndo([this, graphic, current] { moveGraphic(graphic, current); });
    index = std::clamp(index, 0, int(rects.size()) - 1);
    if (index == current)
        return false;
    rects.move(current, index);
    m_runaround.markStale();
    invalidateGraphic(graphic.get());
    return true;
}

// ---- selection ----

bool RectsView::isSelectedGroup(const Group *group) const
{
    if (!group || group->getObjects().isEmpty())
        return false;
    return isSelected(group->getObjects().first().get());
}

bool RectsView::isSelected(const ColorRect *graphic) const
{
    return m_selectedSet.contains(graphic);
}

void RectsView::selectRect(const GraphicPtr &graphic)
{
    if (graphic && isOnCurrentPageAndLayer(*graphic))
        addToSelection(graphic);
    notifySelectionChanged();
}

void RectsView::addToSelection(const GraphicPtr &graphic)
{
    if (!isSelected(graphic.get())) {
        // Points are edited on a path selected alone: another object joining the
        // selection ends it. Within a batch (Select All, a paste) once is enough: the
        // objects joining after that are not being edited.
        if (!(m_batchDepth > 0 && pathEditsEndedIn == this)) {
            for (const GraphicPtr &other : std::as_const(_selectedObjects))
                if (auto *path = dynamic_cast<ColorPath *>(other.get()); path && path->bezierEdit())
                    path->setBezierEdit(false);
            if (m_batchDepth > 0)
                pathEditsEndedIn = this;
        }
        // A member brings its whole group, however it is selected: a click, the band,
        // Select All, a paste or an undo.
        if (const GroupPtr owner = selectHeldGroup(graphic->getGroup())) {
            for (const GraphicPtr &member : owner->getObjects())
                if (!isSelected(member.get())) {
                    _selectedObjects.append(member);
                    m_selectedSet.insert(member.get());
                }
            update();
        } else {
            _selectedObjects.append(graphic);
            m_selectedSet.insert(graphic.get());
        }
        rulersChanged();
    }
    invalidateGraphic(graphic.get());
}

void RectsView::deselectRect(const GraphicPtr &graphic)
{
    if (auto *path = dynamic_cast<ColorPath *>(graphic.get()); path && path->bezierEdit())
        path->setBezierEdit(false);
    if (graphic && isSelected(graphic.get())) {
        clearEditableObject(graphic);
        if (const GroupPtr owner = groupPtr(graphic->getGroup())) {
            for (const GraphicPtr &member : owner->getObjects())
                removeFromSelection(member.get());
            setSelectedGroup(nullptr);
        }
        removeFromSelection(graphic.get());
        update();
        rulersChanged();
    }
    clearGridSnap();
    notifySelectionChanged();
}

void RectsView::removeFromSelection(const ColorRect *graphic)
{
    if (!m_selectedSet.remove(graphic))
        return;
    // Undo deselects in the reverse order of selecting, a removal from the back of the design
    // in the order of the design or its reverse: the object is near one end of the list, and
    // is looked for from both at once.
    for (qsizetype back = _selectedObjects.size() - 1, front = 0; front <= back; --back, ++front) {
        if (_selectedObjects[back].get() == graphic) {
            _selectedObjects.removeAt(back);
            return;
        }
        if (_selectedObjects[front].get() == graphic) {
            _selectedObjects.removeAt(front);
            return;
        }
    }
}

void RectsView::selectRectUndo(const GraphicPtr &graphic)
{
    selectRect(graphic);
    registerUndo([this, graphic] { deselectRectUndo(graphic); });
    setActionName(Language::stringForKey(QStringLiteral("Selection Change")));
}

void RectsView::deselectRectUndo(const GraphicPtr &graphic)
{
    deselectRect(graphic);
    registerUndo([this, graphic] { selectRectUndo(graphic); });
    setActionName(Language::stringForKey(QStringLiteral("Selection Change")));
}

void RectsView::selectRectsUndo(const GraphicList &graphics)
{
    if (graphics.isEmpty())
        return;
    const ChangeBatch batch(*this);
    for (const GraphicPtr &graphic : graphics)
        selectRect(graphic);
    registerUndo([this, graphics] { deselectRectsUndo(graphics); });
    setActionName(Language::stringForKey(QStringLiteral("Selection Change")));
}

void RectsView::deselectRectsUndo(const GraphicList &graphics)
{
    if (graphics.isEmpty())
        return;
    const ChangeBatch batch(*this);
    // What deselectRect does for each, the selection walked once for all of them: a member
    // takes its whole group out with it.
    QSet<const ColorRect *> going;
    bool groupGoes = false;
    for (const GraphicPtr &graphic : graphics) {
        if (auto *path = dynamic_cast<ColorPath *>(graphic.get()); path && path->bezierEdit())
            path->setBezierEdit(false);
        if (!graphic || !isSelected(graphic.get()) || going.contains(graphic.get()))
            continue;
        clearEditableObject(graphic);
        going.insert(graphic.get());
        if (const GroupPtr owner = groupPtr(graphic->getGroup())) {
            groupGoes = true;
            for (const GraphicPtr &member : owner->getObjects())
                going.insert(member.get());
        }
    }
    if (!going.isEmpty()) {
        _selectedObjects.removeIf([&going](const GraphicPtr &graphic) { return going.contains(graphic.get()); });
        for (const ColorRect *graphic : std::as_const(going))
            m_selectedSet.remove(graphic);
        if (groupGoes)
            setSelectedGroup(nullptr);
        update();
        rulersChanged();
    }
    clearGridSnap();
    notifySelectionChanged();
    registerUndo([this, graphics] { selectRectsUndo(graphics); });
    setActionName(Language::stringForKey(QStringLiteral("Selection Change")));
}

void RectsView::selectAll()
{
    const ChangeBatch batch(*this);
    m_undoManager.beginUndoGrouping();
    // The layer's objects are on the page and layer shown: each is added without asking so
    // again, and Undo deselects every one of them, the last selected first, as one step for
    // each would, registered and named once for the whole design.
    const GraphicList layer = layerGraphics();
    for (const GraphicPtr &graphic : layer)
        addToSelection(graphic);
    if (!layer.isEmpty()) {
        notifySelectionChanged();
        registerUndo([this, layer] {
            for (auto it = layer.crbegin(); it != layer.crend(); ++it)
                deselectRectUndo(*it);
        });
        setActionName(Language::stringForKey(QStringLiteral("Selection Change")));
    }
    m_undoManager.endUndoGrouping();
}

void RectsView::clearSelection()
{
    const ChangeBatch batch(*this);
    clearGridSnap();
    // A click on the empty canvas with nothing selected changes nothing: the canvas is not
    // drawn again for it.
    const bool changes = !_selectedObjects.isEmpty()
                         || std::any_of(_groups.cbegin(), _groups.cend(), [](const GroupPtr &g) { return g->isSelected(); });
    setSelectedGroup(nullptr);
    if (!_selectedObjects.isEmpty()) {
        const GraphicList cleared = _selectedObjects;
        for (const GraphicPtr &graphic : cleared) {
            clearEditableObject(graphic);
            if (auto *path = dynamic_cast<ColorPath *>(graphic.get()); path && path->bezierEdit())
                path->setBezierEdit(false);
        }
        _selectedObjects.clear();
        m_selectedSet.clear();
        // Undo brings each back under "Selection Change", the last cleared first, as one
        // step for each would: one step for all, since a click that clears thousands would
        // otherwise register, name and report each of them.
        registerUndo([this, cleared] {
            for (auto it = cleared.crbegin(); it != cleared.crend(); ++it)
                selectRectUndo(*it);
        });
        setActionName(Language::stringForKey(QStringLiteral("Selection Change")));
        updateRulers();
        setDrawersItemsState();
    }
    if (changes)
        update();
    clearGridSnap();
    notifySelectionChanged();
}

void RectsView::lock(int senderState)
{
    if (_selectedObjects.isEmpty())
        return;
    // The window follows once, after the last object.
    const ChangeBatch batch(*this);
    for (const GraphicPtr &graphic : _selectedObjects)
        graphic->setLocked(senderState != 1);
    wasChanged(true);
    update();
    // Locked objects keep their place: the inspector's origin controls follow at once.
    if (m_objectInfo)
        m_objectInfo->refresh();
}

bool RectsView::canSelectedFill() const
{
    return !_selectedObjects.isEmpty()
           && std::all_of(_selectedObjects.begin(), _selectedObjects.end(),
                          [](const GraphicPtr &g) { return g->canFill(); });
}

bool RectsView::canSelectedStroke() const
{
    return !_selectedObjects.isEmpty()
           && std::all_of(_selectedObjects.begin(), _selectedObjects.end(),
                          [](const GraphicPtr &g) { return g->canStroke(); });
}

bool RectsView::canSelectedDrawImages() const
{
    return !_selectedObjects.isEmpty()
           && std::all_of(_selectedObjects.begin(), _selectedObjects.end(),
                          [](const GraphicPtr &g) { return g->canDrawsImage(); });
}

bool RectsView::canSelectedMove() const
{
    return std::any_of(_selectedObjects.begin(), _selectedObjects.end(),
                       [](const GraphicPtr &g) { return !g->isLocked(); });
}

int RectsView::isSelectedLocked() const
{
    return threeState(_selectedObjects, [](const ColorRect &g) { return g.isLocked(); });
}

int RectsView::getSelectedFillState() const
{
    return threeState(_selectedObjects, [](const ColorRect &g) { return g.drawsFill(); });
}

int RectsView::getSelectedStrokeState() const
{
    return threeState(_selectedObjects, [](const ColorRect &g) { return g.drawsStroke(); });
}

int RectsView::getSelectedImageState() const
{
    return threeState(_selectedObjects, [](const ColorRect &g) { return g.drawsImage(); });
}

int RectsView::isSelectedScaleImageWithBox() const
{
    return threeState(_selectedObjects, [](const ColorRect &g) { return g.isScaleWithBox(); });
}

float RectsView::getSelectedLineWidth() const
{
    if (_selectedObjects.isEmpty())
        return 0.0f;
    float width = std::numeric_limits<float>::max();
    for (const GraphicPtr &graphic : _selectedObjects)
        width = std::min(width, graphic->strokeLineWidth());
    return width;
}

float RectsView::getSelectedMaxLineWidth() const
{
    float width = 99999.0f;
    for (const GraphicPtr &graphic : _selectedObjects)
        width = std::min(width, graphic->getMaxLineWidth());
    return width;
}

GraphicList RectsView::layerGraphics() const
{
    // The page and the layer are asked once for the whole design.
    const QString page = getCurrPageName();
    const bool anyLayer = !m_outlets.segmentedLayersOutlet;
    const int layerShown = currentLayer();
    GraphicList layer;
    for (const GraphicPtr &graphic : rects)
        if (graphic->isOnPageNamed(page) && (anyLayer || graphic->objectLayer() == layerShown))
            layer.append(graphic);
    return layer;
}

bool RectsView::layerHasGraphics() const
{
    const QString page = getCurrPageName();
    const bool anyLayer = !m_outlets.segmentedLayersOutlet;
    const int layerShown = currentLayer();
    return std::any_of(rects.cbegin(), rects.cend(), [&](const GraphicPtr &graphic) {
        return graphic->isOnPageNamed(page) && (anyLayer || graphic->objectLayer() == layerShown);
    });
}

GraphicList RectsView::orderedSelectedGraphics() const
{
    // One walk of the design in its order; asking each object's place of the list would grow
    // with the square of the selection.
    GraphicList ordered;
    ordered.reserve(_selectedObjects.size());
    for (const GraphicPtr &graphic : rects)
        if (m_selectedSet.contains(graphic.get()))
            ordered.append(graphic);
    if (ordered.size() == _selectedObjects.size())
        return ordered;
    // A selected object that left the design comes first, in the order of selecting.
    QHash<const ColorRect *, int> place;
    place.reserve(_selectedObjects.size());
    for (int i = 0; i < rects.size(); ++i)
        if (m_selectedSet.contains(rects[i].get()))
            place.insert(rects[i].get(), i);
    ordered = _selectedObjects;
    std::stable_sort(ordered.begin(), ordered.end(), [&place](const GraphicPtr &a, const GraphicPtr &b) {
        return place.value(a.get(), -1) < place.value(b.get(), -1);
    });
    return ordered;
}

// ---- stacking ----

int RectsView::positionInLayer(const GraphicList &layer, const ColorRect *graphic) const
{
    for (int i = 0; i < layer.size(); ++i)
        if (layer[i].get() == graphic)
            return i;
    return -1;
}

void RectsView::moveToLayerPosition(const GraphicPtr &graphic, int k)
{
    const GraphicList layer = layerGraphics();
    if (k < 0 || k >= layer.size())
        return;
    moveGraphic(graphic, indexOfGraphic(layer[k].get()));
}

void RectsView::setStackingOrder(const GraphicList &order)
{
    // The whole order is kept for undo: one step however many objects moved.
    const GraphicList former = rects;
    registerUndo([this, former] { setStackingOrder(former); });
    rects = order;
    m_runaround.markStale();
    update();
}

namespace {

// The design's order as two linked lists over the objects' places in it: every object, and
// the objects of the shown page and layer. An object moves beside another in both at once,
// as moving it in the design's list beside a layer object does.
class StackingLists
{
public:
    explicit StackingLists(const QList<bool> &inLayer)
        : m_next(inLayer.size()), m_prev(inLayer.size()), m_layerNext(inLayer.size()), m_layerPrev(inLayer.size())
    {
        const int n = int(inLayer.size());
        int lastInLayer = -1;
        for (int i = 0; i < n; ++i) {
            m_prev[i] = i - 1;
            m_next[i] = i + 1 < n ? i + 1 : -1;
            m_layerPrev[i] = m_layerNext[i] = -1;
            if (!inLayer[i])
                continue;
            m_layerPrev[i] = lastInLayer;
            if (lastInLayer >= 0)
                m_layerNext[lastInLayer] = i;
            else
                m_layerHead = i;
            lastInLayer = i;
        }
        m_head = n > 0 ? 0 : -1;
        m_layerTail = lastInLayer;
        m_tail = n - 1;
    }

    int layerHead() const { return m_layerHead; }
    int layerTail() const { return m_layerTail; }
    int layerNext(int i) const { return m_layerNext[i]; }
    int layerPrev(int i) const { return m_layerPrev[i]; }

    void moveAfter(int i, int target)
    {
        unlink(i);
        link(i, target, m_next[target], m_prev, m_next, m_head, m_tail);
        link(i, target, m_layerNext[target], m_layerPrev, m_layerNext, m_layerHead, m_layerTail);
    }
    void moveBefore(int i, int target)
    {
        unlink(i);
        link(i, m_prev[target], target, m_prev, m_next, m_head, m_tail);
        link(i, m_layerPrev[target], target, m_layerPrev, m_layerNext, m_layerHead, m_layerTail);
    }

    // The places in their new order.
    QList<int> order() const
    {
        QList<int> result;
        result.reserve(m_next.size());
        for (int i = m_head; i >= 0; i = m_next[i])
            result.append(i);
        return result;
    }

private:
    static void unlinkFrom(int i, QList<int> &prev, QList<int> &next, int &head, int &tail)
    {
        (prev[i] >= 0 ? next[prev[i]] : head) = next[i];
        (next[i] >= 0 ? prev[next[i]] : tail) = prev[i];
    }
    void unlink(int i)
    {
        unlinkFrom(i, m_prev, m_next, m_head, m_tail);
        unlinkFrom(i, m_layerPrev, m_layerNext, m_layerHead, m_layerTail);
    }
    static void link(int i, int before, int after, QList<int> &prev, QList<int> &next, int &head, int &tail)
    {
        prev[i] = before;
        next[i] = after;
        (before >= 0 ? next[before] : head) = i;
        (after >= 0 ? prev[after] : tail) = i;
    }

    QList<int> m_next, m_prev, m_layerNext, m_layerPrev;
    int m_head = -1, m_tail = -1, m_layerHead = -1, m_layerTail = -1;
};

} // namespace

void RectsView::restackSelection(Restack how, const QString &actionName)
{
    const GraphicList selection = orderedSelectedGraphics();
    if (selection.isEmpty())
        return;
    const bool towardFront = how == Restack::ToFront || how == Restack::Forward;
    const bool allTheWay = how == Restack::ToFront || how == Restack::ToBack;
    const ChangeBatch batch(*this);

    // Each object's place in the design and in the shown layer, found in one walk.
    const QString page = getCurrPageName();
    const bool anyLayer = !m_outlets.segmentedLayersOutlet;
    const int layerShown = currentLayer();
    QHash<const ColorRect *, int> placeOf;
    placeOf.reserve(selection.size());
    for (const GraphicPtr &graphic : selection)
        placeOf.insert(graphic.get(), -1);
    QList<bool> inLayer(rects.size(), false);
    QList<int> layerPosition(rects.size(), -1);
    int layerSize = 0;
    for (int i = 0; i < rects.size(); ++i) {
        if (rects[i]->isOnPageNamed(page) && (anyLayer || rects[i]->objectLayer() == layerShown)) {
            inLayer[i] = true;
            layerPosition[i] = layerSize++;
        }
        if (auto found = placeOf.find(rects[i].get()); found != placeOf.end())
            found.value() = i;
    }
    QList<int> places;
    places.reserve(selection.size());
    for (const GraphicPtr &graphic : selection) {
        const int place = placeOf.value(graphic.get(), -1);
        // A selected object outside the shown layer has no place to move to or from.
        if (place < 0 || !inLayer[place]) {
            restackSelectionStepwise(how, actionName);
            return;
        }
        places.append(place);
    }

    // The walk of the selection with its bound, as the commands are defined, on the linked
    // lists: the selected objects not yet walked keep their places in the layer, since every
    // move so far happened beyond them.
    StackingLists lists(inLayer);
    bool moved = false;
    if (towardFront) {
        int bound = layerSize - 1;
        int atBound = lists.layerTail();
        for (auto it = places.crbegin(); it != places.crend(); ++it) {
            const int place = *it;
            if (bound <= layerPosition[place]) {
                atBound = place;
                continue;
            }
            lists.moveAfter(place, allTheWay ? atBound : lists.layerNext(place));
            atBound = lists.layerPrev(place);
            --bound;
            moved = true;
        }
    } else {
        int bound = 0;
        int atBound = lists.layerHead();
        for (const int place : std::as_const(places)) {
            if (bound >= layerPosition[place]) {
                atBound = place;
                continue;
            }
            lists.moveBefore(place, allTheWay ? atBound : lists.layerPrev(place));
            atBound = lists.layerNext(place);
            ++bound;
            moved = true;
        }
    }

    m_undoManager.beginUndoGrouping();
    if (moved) {
        GraphicList order;
        order.reserve(rects.size());
        for (const int place : lists.order())
            order.append(rects[place]);
        setStackingOrder(order);
    }
    // Moving back names the step even when nothing had room to move.
    if (moved || !towardFront) {
        setActionName(Language::stringForKey(actionName));
        wasChanged(true);
    }
    m_undoManager.endUndoGrouping();
}

void RectsView::restackSelectionStepwise(Restack how, const QString &actionName)
{
    const GraphicList selection = orderedSelectedGraphics();
    if (selection.isEmpty())
        return;
    const bool towardFront = how == Restack::ToFront || how == Restack::Forward;
    const bool allTheWay = how == Restack::ToFront || how == Restack::ToBack;
    m_undoManager.beginUndoGrouping();
    // The next free place at the end the selection moves toward.
    int bound = towardFront ? int(layerGraphics().size()) - 1 : 0;
    bool moved = false;
    for (int i = 0; i < selection.size(); ++i) {
        const GraphicPtr &graphic = towardFront ? selection[selection.size() - 1 - i] : selection[i];
        const int position = positionInLayer(layerGraphics(), graphic.get());
        if (towardFront ? bound > position : bound < position) {
            const int step = towardFront ? 1 : -1;
            moveToLayerPosition(graphic, allTheWay ? bound : position + step);
            bound -= step;
            moved = true;
        }
    }
    // Moving back names the step even when nothing had room to move.
    if (moved || !towardFront) {
        setActionName(Language::stringForKey(actionName));
        wasChanged(true);
    }
    m_undoManager.endUndoGrouping();
}

void RectsView::bringToFront()
{
    restackSelection(Restack::ToFront, QStringLiteral("Bring To Front"));
}

void RectsView::bringForward()
{
    restackSelection(Restack::Forward, QStringLiteral("Bring Forward"));
}

void RectsView::sendToBack()
{
    restackSelection(Restack::ToBack, QStringLiteral("Send To Back"));
}

void RectsView::sendBackward()
{
    restackSelection(Restack::Backward, QStringLiteral("Send Backward"));
}

RectsView::StackingState RectsView::stackingState() const
{
    StackingState state;
    const QString page = getCurrPageName();
    const bool anyLayer = !m_outlets.segmentedLayersOutlet;
    const int layerShown = currentLayer();
    if (_selectedObjects.isEmpty()) {
        // Asked after every click and key: with nothing selected only whether the layer
        // holds anything counts, known at its first object.
        state.layerHasGraphics = std::any_of(rects.cbegin(), rects.cend(), [&](const GraphicPtr &graphic) {
            return graphic->isOnPageNamed(page) && (anyLayer || graphic->objectLayer() == layerShown);
        });
        return state;
    }
    // The place in the layer of each selected object, back to front as the selection is
    // ordered (orderedSelectedGraphics): -1 for one not in the layer, and first those that
    // left the design.
    std::vector<int> places;
    places.reserve(size_t(_selectedObjects.size()));
    int layerSize = 0;
    qsizetype selectedInDesign = 0;
    for (const GraphicPtr &graphic : rects) {
        const bool inLayer = graphic->isOnPageNamed(page) && (anyLayer || graphic->objectLayer() == layerShown);
        if (m_selectedSet.contains(graphic.get())) {
            places.push_back(inLayer ? layerSize : -1);
            ++selectedInDesign;
        }
        if (inLayer)
            ++layerSize;
    }
    state.layerHasGraphics = layerSize > 0;
    if (_selectedObjects.isEmpty())
        return state;
    places.insert(places.begin(), size_t(std::max<qsizetype>(0, _selectedObjects.size() - selectedInDesign)), -1);
    int bound = layerSize - 1;
    for (const int place : places) {
        if (place < bound) {
            state.canMoveForward = true;
            break;
        }
        --bound;
    }
    bound = 0;
    for (auto it = places.crbegin(); it != places.crend(); ++it) {
        if (*it > bound) {
            state.canSendToBack = true;
            break;
        }
        ++bound;
    }
    return state;
}

// ---- hit testing ----

GraphicPtr RectsView::objectUnderPoint(const QPointF &point) const
{
    // The page and layer are asked once: a click looks at every object of a large design.
    const QString page = ColorRect::sharedPageName(getCurrPageName());
    const bool anyLayer = !m_outlets.segmentedLayersOutlet;
    const int layer = currentLayer();
    for (auto it = rects.crbegin(); it != rects.crend(); ++it) {
        const ColorRect &graphic = **it;
        if (!graphic.isOnPageNamed(page) || (!anyLayer && graphic.objectLayer() != layer))
            continue;
        // A thin line's drawing bounds may miss a point its own test accepts.
        if (graphic.className() != QLatin1String("ColorLine")
            && !graphic.drawingBounds().contains(point))
            continue;
        if (graphic.hitTest(point, isSelected(&graphic)) && !graphic.isHidden())
            return *it;
    }
    return nullptr;
}

GraphicPtr RectsView::objectUnderPoint(const QPointF &point, const ColorRect *underObject) const
{
    const int start = underObject ? indexOfGraphic(underObject) - 1 : int(rects.size()) - 1;
    const QString page = ColorRect::sharedPageName(getCurrPageName());
    const bool anyLayer = !m_outlets.segmentedLayersOutlet;
    const int layer = currentLayer();
    for (int i = start; i >= 0; --i) {
        const ColorRect &graphic = *rects[i];
        if (!graphic.isOnPageNamed(page) || (!anyLayer && graphic.objectLayer() != layer)
            || !graphic.drawingBounds().contains(point))
            continue;
        if (graphic.hitTest(point, isSelected(&graphic)) && !graphic.isHidden())
            return rects[i];
    }
    return nullptr;
}

GraphicList RectsView::graphicsIntersectingRect(const QRectF &rect) const
{
    GraphicList result;
    for (const GraphicPtr &graphic : rects)
        if (!graphic->isHidden() && graphic->outlineIntersectsRect(rect))
            result.append(graphic);
    return result;
}

void RectsView::setDrawersItemsState()
{
    setObjBarcodeDrawerItemsState();
    // The inspector shows what the drawers just changed.
    if (m_objectInfo)
        m_objectInfo->updateValues();
}

} // namespace quillmark
