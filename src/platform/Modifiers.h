#pragma once
// The modifier flag bits the design reads, mapped from Qt's keyboard modifiers:
// Command = Ctrl, Option = Alt, Control = Meta, Shift = Shift.
#include <Qt>
#include <functional>

namespace quillmark {

inline constexpr unsigned ShiftKeyMask = 1u << 17;
inline constexpr unsigned ControlKeyMask = 1u << 18;
inline constexpr unsigned AlternateKeyMask = 1u << 19;
inline constexpr unsigned CommandKeyMask = 1u << 20;

unsigned modifierFlags(Qt::KeyboardModifiers modifiers);

// The modifiers held right now (asked of the window system, not of the last event).
unsigned currentModifierFlags();
Qt::KeyboardModifiers currentModifiers();

// Tests replace the source of currentModifierFlags(); an empty function restores it.
void setModifierSourceForTesting(std::function<Qt::KeyboardModifiers()> source);

} // namespace quillmark
