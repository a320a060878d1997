// The canvas's object list: adding and removing with undo, selection with undo, queries on
// the selection, stacking commands and hit testing.
#include "canvas/RectsView.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "canvas/CanvasInspector.h"
#include "foundation/Language.h"
#include "foundation/SegmentedControl.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"

namespace quillmark {

namespace {

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
    for (int i = 0; i < rects.size(); ++i)
        if (rects[i].get() == graphic)
            return i;
    return -1;
}

void RectsView::invalidateGraphic(const ColorRect *graphic)
{
    // While a sheet prints, the merge objects change with every label; the screen is not
    // drawn meanwhile and shows the objects again once they are refreshed after the job.
    if (m_printing)
        return;
    if (!graphic) {
        update();
        return;
    }
    invalidateRect(graphic->drawingBounds());
}

void RectsView::invalidateRect(const QRectF &rect)
{
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
    update(area.toAlignedRect());
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
    emit graphicsChanged();
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
    emit graphicsChanged();
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
    emit graphicsChanged();
    // A box that leaves the canvas leaves its text chain too; undo puts it back in place.
    const ColorRect::TextChainPlace place = graphic->leaveTextChain();
    if (place.isValid())
        update();
    registerUndo([this, graphic, index, place] {
        insertGraphic(graphic, index);
        graphic->rejoinTextChain(place);
    });
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
    return std::any_of(_selectedObjects.begin(), _selectedObjects.end(),
                       [graphic](const GraphicPtr &g) { return g.get() == graphic; });
}

void RectsView::selectRect(const GraphicPtr &graphic)
{
    if (graphic && isOnCurrentPageAndLayer(*graphic)) {
        if (!isSelected(graphic.get())) {
            // Points are edited on a path selected alone: another object joining the
            // selection ends it.
            for (const GraphicPtr &other : std::as_const(_selectedObjects))
                if (auto *path = dynamic_cast<ColorPath *>(other.get()); path && path->bezierEdit())
                    path->setBezierEdit(false);
            // A member brings its whole group, however it is selected: a click, the band,
            // Select All, a paste or an undo.
            if (const GroupPtr owner = groupPtr(graphic->getGroup())) {
                for (const GraphicPtr &member : owner->getObjects())
                    if (!isSelected(member.get()))
                        _selectedObjects.append(member);
                setSelectedGroup(owner.get());
                update();
            } else {
                _selectedObjects.append(graphic);
            }
            updateRulers();
        }
        invalidateGraphic(graphic.get());
    }
    emit selectionChanged();
}

void RectsView::deselectRect(const GraphicPtr &graphic)
{
    if (auto *path = dynamic_cast<ColorPath *>(graphic.get()); path && path->bezierEdit())
        path->setBezierEdit(false);
    if (graphic && isSelected(graphic.get())) {
        clearEditableObject(graphic);
        if (const GroupPtr owner = groupPtr(graphic->getGroup())) {
            for (const GraphicPtr &member : owner->getObjects())
                _selectedObjects.removeIf([&](const GraphicPtr &g) { return g.get() == member.get(); });
            setSelectedGroup(nullptr);
        }
        _selectedObjects.removeIf([&](const GraphicPtr &g) { return g.get() == graphic.get(); });
        update();
        updateRulers();
    }
    clearGridSnap();
    emit selectionChanged();
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

void RectsView::selectAll()
{
    m_undoManager.beginUndoGrouping();
    for (const GraphicPtr &graphic : layerGraphics())
        selectRectUndo(graphic);
    m_undoManager.endUndoGrouping();
}

void RectsView::clearSelection()
{
    clearGridSnap();
    setSelectedGroup(nullptr);
    if (!_selectedObjects.isEmpty()) {
        const GraphicList cleared = _selectedObjects;
        for (const GraphicPtr &graphic : cleared) {
            clearEditableObject(graphic);
            if (auto *path = dynamic_cast<ColorPath *>(graphic.get()); path && path->bezierEdit())
                path->setBezierEdit(false);
        }
        _selectedObjects.clear();
        // Undo brings each back under "Selection Change".
        for (const GraphicPtr &graphic : cleared)
            deselectRectUndo(graphic);
        updateRulers();
        setDrawersItemsState();
    }
    update();
    clearGridSnap();
    emit selectionChanged();
}

void RectsView::lock(int senderState)
{
    if (_selectedObjects.isEmpty())
        return;
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
    GraphicList layer;
    for (const GraphicPtr &graphic : rects)
        if (isOnCurrentPageAndLayer(*graphic))
            layer.append(graphic);
    return layer;
}

GraphicList RectsView::orderedSelectedGraphics() const
{
    GraphicList ordered = _selectedObjects;
    std::stable_sort(ordered.begin(), ordered.end(), [this](const GraphicPtr &a, const GraphicPtr &b) {
        return indexOfGraphic(a.get()) < indexOfGraphic(b.get());
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

void RectsView::restackSelection(Restack how, const QString &actionName)
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

bool RectsView::canMoveForward() const
{
    const GraphicList selection = orderedSelectedGraphics();
    const GraphicList layer = layerGraphics();
    int bound = int(layer.size()) - 1;
    for (const GraphicPtr &graphic : selection) {
        if (positionInLayer(layer, graphic.get()) < bound)
            return true;
        --bound;
    }
    return false;
}

bool RectsView::canSendToBack() const
{
    const GraphicList selection = orderedSelectedGraphics();
    const GraphicList layer = layerGraphics();
    int bound = 0;
    for (auto it = selection.crbegin(); it != selection.crend(); ++it) {
        if (positionInLayer(layer, it->get()) > bound)
            return true;
        ++bound;
    }
    return false;
}

// ---- hit testing ----

GraphicPtr RectsView::objectUnderPoint(const QPointF &point) const
{
    for (auto it = rects.crbegin(); it != rects.crend(); ++it) {
        const ColorRect &graphic = **it;
        if (!isOnCurrentPageAndLayer(graphic))
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
    for (int i = start; i >= 0; --i) {
        const ColorRect &graphic = *rects[i];
        if (!isOnCurrentPageAndLayer(graphic) || !graphic.drawingBounds().contains(point))
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
