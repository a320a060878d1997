#include "platform/UndoManager.h"

#include <QTimer>
#include <QtDebug>

#include <exception>
#include <utility>

namespace quillmark {

UndoManager::UndoManager(QObject *parent)
    : QObject(parent)
{
}

UndoManager::~UndoManager() = default;

void UndoManager::registerUndo(std::function<void()> inverse)
{
    if (!inverse || m_disableCount > 0)
        return;
    const bool capturing = m_undoing || m_redoing;
    if (!capturing)
        m_redoStack.clear();
    if (!m_open) {
        openStep();
        m_eventGroupOpen = true;
        scheduleEventGroupClose();
    }
    const bool first = m_open->inverses.empty();
    m_open->inverses.push_back(std::move(inverse));
    if (first && !capturing)
        emit changed();
}

void UndoManager::openStep()
{
    m_open.emplace();
}

void UndoManager::scheduleEventGroupClose()
{
    if (m_closeScheduled)
        return;
    m_closeScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_closeScheduled = false;
        closeEventGroup();
    });
}

void UndoManager::closeEventGroup()
{
    if (!m_eventGroupOpen)
        return;
    m_eventGroupOpen = false;
    if (m_explicitDepth == 0 && !m_undoing && !m_redoing)
        closeStep();
}

void UndoManager::closeStep()
{
    if (!m_open)
        return;
    Step step = std::move(*m_open);
    m_open.reset();
    if (step.inverses.empty())
        return;
    m_undoStack.push_back(std::move(step));
    emit changed();
}

void UndoManager::beginUndoGrouping()
{
    if (!m_open) {
        openStep();
        // The group is part of the event's step, as a lone registration is: what the same
        // event registers after the group ends (the next group of a command over several
        // groups) joins it instead of making a step of its own.
        if (!m_undoing && !m_redoing) {
            m_eventGroupOpen = true;
            scheduleEventGroupClose();
        }
    }
    ++m_explicitDepth;
}

void UndoManager::endUndoGrouping()
{
    if (m_explicitDepth == 0) {
        qWarning("UndoManager::endUndoGrouping without a matching beginUndoGrouping");
        return;
    }
    --m_explicitDepth;
    // While an undo or redo runs, the step it records is closed by undo() or redo() itself.
    if (m_explicitDepth == 0 && !m_eventGroupOpen && !m_undoing && !m_redoing)
        closeStep();
}

int UndoManager::groupingLevel() const
{
    return m_explicitDepth + (m_eventGroupOpen ? 1 : 0);
}

void UndoManager::setActionName(const QString &name)
{
    // A change made with registration off leaves no step, so it names none: the last step,
    // or the one still open, keeps the name of what it undoes.
    if (m_disableCount > 0)
        return;
    // The inverses an undo runs name their actions again; the step keeps the name it had.
    if (m_undoing || m_redoing) {
        if (m_open && m_open->name.isEmpty())
            m_open->name = name;
        return;
    }
    QString *named = m_open ? &m_open->name : (!m_undoStack.empty() ? &m_undoStack.back().name : nullptr);
    // An edit of many objects names its step once per object: only a new name is news to
    // those who show it.
    if (!named || *named == name)
        return;
    *named = name;
    // A step still open is told of once, when it closes: its objects' setters name it by
    // turns ("Set Object Origin", "Change Object Width", ...), and those who listen look at
    // the whole selection each time.
    if (m_open)
        return;
    emit changed();
}

QString UndoManager::undoActionName() const
{
    if (m_open && !m_undoing && !m_open->inverses.empty())
        return m_open->name;
    return m_undoStack.empty() ? QString() : m_undoStack.back().name;
}

QString UndoManager::redoActionName() const
{
    return m_redoStack.empty() ? QString() : m_redoStack.back().name;
}

bool UndoManager::canUndo() const
{
    return !m_undoStack.empty() || (m_open && !m_undoing && !m_redoing && !m_open->inverses.empty());
}

bool UndoManager::canRedo() const
{
    return !m_redoStack.empty();
}

void UndoManager::undo()
{
    if (m_undoing || m_redoing)
        return;
    if (m_explicitDepth > 0) {
        qWarning("UndoManager::undo inside an open undo group");
        return;
    }
    closeEventGroup();
    if (m_undoStack.empty())
        return;
    Step step = std::move(m_undoStack.back());
    m_undoStack.pop_back();
    runStep(std::move(step), true);
}

void UndoManager::redo()
{
    if (m_undoing || m_redoing)
        return;
    if (m_explicitDepth > 0) {
        qWarning("UndoManager::redo inside an open undo group");
        return;
    }
    closeEventGroup();
    if (m_redoStack.empty())
        return;
    Step step = std::move(m_redoStack.back());
    m_redoStack.pop_back();
    runStep(std::move(step), false);
}

void UndoManager::runStep(Step step, bool undoing)
{
    // What the inverses register is the opposite step; it keeps this step's name unless an
    // inverse names it anew.
    m_open.emplace();
    m_open->name = step.name;
    (undoing ? m_undoing : m_redoing) = true;
    for (auto it = step.inverses.rbegin(); it != step.inverses.rend(); ++it) {
        try {
            (*it)();
        } catch (const std::exception &e) {
            qWarning("UndoManager: an inverse failed: %s", e.what());
        } catch (...) {
            qWarning("UndoManager: an inverse failed");
        }
    }
    (undoing ? m_undoing : m_redoing) = false;
    m_explicitDepth = 0;
    m_eventGroupOpen = false;
    Step recorded = std::move(*m_open);
    m_open.reset();
    if (!recorded.inverses.empty())
        (undoing ? m_redoStack : m_undoStack).push_back(std::move(recorded));
    emit changed();
}

void UndoManager::disableUndoRegistration()
{
    ++m_disableCount;
}

void UndoManager::enableUndoRegistration()
{
    if (m_disableCount == 0) {
        qWarning("UndoManager::enableUndoRegistration without a matching disableUndoRegistration");
        return;
    }
    --m_disableCount;
}

bool UndoManager::isUndoRegistrationEnabled() const
{
    return m_disableCount == 0;
}

void UndoManager::removeAllActions()
{
    m_undoStack.clear();
    m_redoStack.clear();
    if (m_open)
        m_open->inverses.clear();
    if (!m_undoing && !m_redoing) {
        m_open.reset();
        m_explicitDepth = 0;
        m_eventGroupOpen = false;
    }
    emit changed();
}

} // namespace quillmark
