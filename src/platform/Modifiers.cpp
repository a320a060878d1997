#include "platform/Modifiers.h"

#include <QGuiApplication>

namespace quillmark {

namespace {

std::function<Qt::KeyboardModifiers()> &modifierSource()
{
    static std::function<Qt::KeyboardModifiers()> source;
    return source;
}

} // namespace

unsigned modifierFlags(Qt::KeyboardModifiers modifiers)
{
    unsigned flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= ShiftKeyMask;
    if (modifiers & Qt::MetaModifier)
        flags |= ControlKeyMask;
    if (modifiers & Qt::AltModifier)
        flags |= AlternateKeyMask;
    if (modifiers & Qt::ControlModifier)
        flags |= CommandKeyMask;
    return flags;
}

unsigned currentModifierFlags()
{
    return modifierFlags(currentModifiers());
}

Qt::KeyboardModifiers currentModifiers()
{
    const auto &source = modifierSource();
    if (source)
        return source();
    return QGuiApplication::queryKeyboardModifiers();
}

void setModifierSourceForTesting(std::function<Qt::KeyboardModifiers()> source)
{
    modifierSource() = std::move(source);
}

} // namespace quillmark
