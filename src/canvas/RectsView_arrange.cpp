// Arrange commands: replicating, centring on the label, the text alignment of a text box,
// switching the edited layer, the angle, runaround and wrap of the selection, and the
// quarter turn.
#include <algorithm>
#include <cmath>

#include "canvas/RectsView.h"
#include "canvas/SlicedWork.h"
#include "foundation/Language.h"
#include "foundation/SegmentedControl.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/GroupedObjects.h"

namespace quillmark {

void RectsView::replicate()
{
    if (_selectedObjects.isEmpty())
        return;
    const QPointF step = duplicateOffset ? duplicateOffset() : QPointF(5.0, 5.0);
    const int count = replicateCount ? replicateCount() : 2;
    // All copies or none: refused before the first is pasted.
    if (!roomForObjects(qsizetype(std::max(count, 0)) * _selectedObjects.size(),
                        Language::stringForKey(QStringLiteral("Replicate"))))
        return;
    // A copy and its pastes, answering as one command (as Duplicate does).
    const WindowAnswering::Command command(this, WindowAnswering::PanelAfterMs / 2);
    if (!copy())
        return;
    // The first copy lies on the original, each further one a step away; a paste given up
    // ends the run.
    for (int i = 0; i < count; ++i) {
        const qsizetype before = rects.size();
        paste(step * double(i), true);
        if (rects.size() == before)
            break;
    }
}

void RectsView::centerObject()
{
    if (_selectedObjects.isEmpty())
        return;
    // Each move asks for the window to follow: once, after the last object.
    const ChangeBatch batch(*this);
    const QPointF target(_tlabel.width * 36.0, _tlabel.height * 36.0);
    const QRectF before = updateRectsForSelection();
    const GroupedObjects units = groupedObjects(_selectedObjects);
    for (Group *owner : units.groups)
        owner->center(target);
    // Each object by itself, each one undoable through its own move.
    for (const GraphicPtr &graphic : units.loose)
        graphic->moveBy(target - graphic->frameBounds().center());
    setActionName(Language::stringForKey(QStringLiteral("Move Object")));
    wasChanged(true);
    invalidateRect(before.united(updateRectsForSelection()));
    updateRulers();
    updateObjectValues();
}

QRectF RectsView::updateRectsForSelection() const
{
    QRectF area;
    for (const GraphicPtr &graphic : _selectedObjects) {
        if (graphic->isHidden())
            continue;
        const QRectF r = graphic->drawingBounds();
        area = area.isEmpty() ? r : area.united(r);
    }
    return area;
}

ColorRect *RectsView::singlePlainTextBox() const
{
    if (_selectedObjects.size() != 1 || _selectedObjects.first()->className() != QLatin1String("ColorRect"))
        return nullptr;
    return _selectedObjects.first().get();
}

void RectsView::alignText(int code)
{
    ColorRect *box = singlePlainTextBox();
    if (!box)
        return;
    // Undoable as any change of the text: every paragraph's own alignment comes back.
    box->setTextAlign(code);
    invalidateGraphic(box);
    if (const GraphicPtr edited = editedObject(); edited && edited.get() == box)
        invalidateEditedText(edited);
    wasChanged(true);
    updateRulers();
}

void RectsView::alignLeft()
{
    alignText(0);
}

void RectsView::alignRight()
{
    alignText(1);
}

void RectsView::alignCenter()
{
    alignText(2);
}

void RectsView::alignJustified()
{
    alignText(3);
}

void RectsView::changeLayer()
{
    if (m_outlets.segmentedLayersOutlet)
        selectLayer(m_outlets.segmentedLayersOutlet->selectedSegment());
}

void RectsView::selectLayer(int layer)
{
    layer = layer == 0 ? 0 : 1;
    registerUndo([this, layer] { selectLayer(1 - layer); });
    clearSelection();
    // Named after the selection is cleared, whose own steps are part of this one.
    setActionName(localizedStringFromTable(QStringLiteral("Change Layer"), QStringLiteral("UndoStrings")));
    if (m_outlets.segmentedLayersOutlet && m_outlets.segmentedLayersOutlet->selectedSegment() != layer)
        m_outlets.segmentedLayersOutlet->setSelectedSegment(layer);
    update();
}

void RectsView::setObjectsAngle(int degrees)
{
    if (_selectedObjects.isEmpty())
        return;
    const ChangeBatch batch(*this);
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects))
        graphic->setAngle(float(degrees), true);
    wasChanged(true);
    update();
    updateRulers();
    updateObjectValues();
}

void RectsView::setTextRunaround(bool state)
{
    if (_selectedObjects.isEmpty())
        return;
    const ChangeBatch batch(*this);
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects))
        graphic->setRunaroundState(state ? 1 : 0);
    wasChanged(true);
    update();
}

void RectsView::setTextRunaroundMode(int mode)
{
    if (_selectedObjects.isEmpty())
        return;
    const ChangeBatch batch(*this);
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        graphic->setRunaroundState(1);
        graphic->setRunaroundMode(mode);
    }
    wasChanged(true);
    update();
}

void RectsView::rotate()
{
    if (_selectedObjects.isEmpty())
        return;
    const GraphicPtr graphic = _selectedObjects.first();
    const QRectF before = updateRectsForSelection();
    // The quarter turn is undoable like any angle change, under its own name.
    const float turned = std::fmod(graphic->angle() + 90.0f, 360.0f);
    graphic->setAngle(turned, true);
    setActionName(Language::stringForKey(QStringLiteral("Rotate Object")));
    wasChanged(true);
    invalidateRect(before.united(updateRectsForSelection()));
    updateRulers();
    updateObjectValues();
}

} // namespace quillmark
