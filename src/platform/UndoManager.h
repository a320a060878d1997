#pragma once
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace quillmark {

// The application's undo model. Callers register the inverse of each change; whatever is
// registered while one user event is handled becomes one step, and what an undo registers
// in turn becomes the matching redo step.
class UndoManager : public QObject
{
    Q_OBJECT
public:
    explicit UndoManager(QObject *parent = nullptr);
    ~UndoManager() override;

    void registerUndo(std::function<void()> inverse);

    void undo();
    void redo();
    bool canUndo() const;
    bool canRedo() const;

    void beginUndoGrouping();
    void endUndoGrouping();
    int groupingLevel() const;

    // Names the step being recorded, or the last one recorded when none is open.
    void setActionName(const QString &name);
    QString undoActionName() const;
    QString redoActionName() const;

    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const;

    void removeAllActions();
    bool isUndoing() const { return m_undoing; }
    bool isRedoing() const { return m_redoing; }

    // Closes the step that the current event opened; runs by itself when control returns to
    // the event loop.
    void closeEventGroup();

signals:
    void changed();

private:
    struct Step
    {
        std::vector<std::function<void()>> inverses;
        QString name;
    };

    void openStep();
    void closeStep();
    void scheduleEventGroupClose();
    void runStep(Step step, bool undoing);

    std::vector<Step> m_undoStack;
    std::vector<Step> m_redoStack;
    std::optional<Step> m_open;
    int m_explicitDepth = 0;
    bool m_eventGroupOpen = false;
    bool m_closeScheduled = false;
    int m_disableCount = 0;
    bool m_undoing = false;
    bool m_redoing = false;
};

} // namespace quillmark
