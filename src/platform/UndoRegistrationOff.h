#pragma once
#include "platform/UndoManager.h"

namespace quillmark {

// Switches undo registration off for a scope when it was on: changes that only follow
// another change (a field's size after its text) record no step of their own. A null
// manager does nothing.
class UndoRegistrationOff
{
public:
    explicit UndoRegistrationOff(UndoManager *manager)
        : m_manager(manager && manager->isUndoRegistrationEnabled() ? manager : nullptr)
    {
        if (m_manager)
            m_manager->disableUndoRegistration();
    }
    ~UndoRegistrationOff()
    {
        if (m_manager)
            m_manager->enableUndoRegistration();
    }
    UndoRegistrationOff(const UndoRegistrationOff &) = delete;
    UndoRegistrationOff &operator=(const UndoRegistrationOff &) = delete;

private:
    UndoManager *m_manager;
};

} // namespace quillmark
