// The canvas's side of the object inspector: it hands over its selection list once, tells
// the inspector when the selection changed (select, deselect, clear, delete, undo and
// redo all say so through selectionChanged) and when objects moved or changed size.
#include "canvas/RectsView.h"

#include <QDebug>
#include <QTimer>

#include <exception>
#include <utility>

#include "canvas/CanvasInspector.h"
#include "foundation/Language.h"

namespace quillmark {

void RectsView::setObjectInfo(CanvasInspector *inspector)
{
    m_objectInfo = inspector;
    if (!inspector)
        return;
    connect(this, &RectsView::selectionChanged, this, &RectsView::refreshObjectInfo, Qt::UniqueConnection);
    // Every change of the design, however it came (a panel, a menu, a key, Undo, Redo, another
    // control of the inspector), ends with the inspector showing the selection's values: once,
    // after the event that made it.
    connect(&m_undoManager, &UndoManager::changed, this, &RectsView::followDesignChange, Qt::UniqueConnection);
    inspector->setSelectedRects(&_selectedObjects);
}

void RectsView::followDesignChange()
{
    m_inspectorFilledSinceChange = false;
    if (!m_objectInfo)
        return;
    if (!m_inspectorFollow) {
        m_inspectorFollow = new QTimer(this);
        m_inspectorFollow->setSingleShot(true);
        m_inspectorFollow->setInterval(0);
        connect(m_inspectorFollow, &QTimer::timeout, this, [this] {
            // An Undo that selects what it puts back has filled every control already, after
            // the change: filling them again looked at each of thousands of objects twice.
            if (!m_objectInfo || std::exchange(m_inspectorFilledSinceChange, false))
                return;
            try {
                m_objectInfo->designChanged();
            } catch (const std::exception &e) {
                qWarning().noquote() << e.what();
            }
        });
    }
    if (!m_inspectorFollow->isActive())
        m_inspectorFollow->start();
}

void RectsView::refreshObjectInfo()
{
    if (!m_objectInfo)
        return;
    // A failing refresh costs the controls their values, never the selection.
    try {
        m_objectInfo->refresh();
        // The inspector leaves its controls as they are while the canvas is put away.
        m_inspectorFilledSinceChange = !isHidden();
    } catch (const std::exception &e) {
        qWarning().noquote() << e.what();
    }
    if (!_selectedObjects.isEmpty())
        m_objectInfo->openPageForSelection();
}

void RectsView::updateObjectValues()
{
    if (m_objectInfo)
        m_objectInfo->updateObjectValues();
}

void RectsView::changeFont()
{
    updateRulers();
    if (m_objectInfo)
        m_objectInfo->updateFontValues();
}

void RectsView::setObjectAlign(int tag)
{
    if (!m_objectInfo || _selectedObjects.isEmpty())
        return;
    // Every object's move is its own registration; the command undoes as one. The window
    // follows once, after the last object.
    const ChangeBatch batch(*this);
    UndoManager *undo = undoManager();
    undo->beginUndoGrouping();
    m_objectInfo->alignObjectEdges(tag);
    undo->setActionName(Language::stringForKey(QStringLiteral("Move Object")));
    undo->endUndoGrouping();
    updateRulers();
}

void RectsView::setObjectSize(int tag)
{
    if (!m_objectInfo || _selectedObjects.isEmpty())
        return;
    const ChangeBatch batch(*this);
    UndoManager *undo = undoManager();
    undo->beginUndoGrouping();
    m_objectInfo->setObjectSize(tag);
    undo->setActionName(Language::stringForKey(QStringLiteral("Change Object Size")));
    undo->endUndoGrouping();
    updateRulers();
}

} // namespace quillmark
