#include <gtest/gtest.h>

#include "platform/Modifiers.h"

using namespace quillmark;

TEST(Modifiers, MapsQtModifiersToTheDesignBits)
{
    struct Row { Qt::KeyboardModifiers qt; unsigned flags; };
    const Row rows[] = {
        {Qt::NoModifier, 0},
        {Qt::ShiftModifier, ShiftKeyMask},
        {Qt::ControlModifier, CommandKeyMask},
        {Qt::AltModifier, AlternateKeyMask},
        {Qt::MetaModifier, ControlKeyMask},
        {Qt::ShiftModifier | Qt::ControlModifier, ShiftKeyMask | CommandKeyMask},
        {Qt::KeypadModifier, 0},
    };
    for (const Row &row : rows)
        EXPECT_EQ(modifierFlags(row.qt), row.flags) << int(row.qt);
    EXPECT_EQ(ShiftKeyMask, 1u << 17);
    EXPECT_EQ(ControlKeyMask, 1u << 18);
    EXPECT_EQ(AlternateKeyMask, 1u << 19);
    EXPECT_EQ(CommandKeyMask, 1u << 20);
}

TEST(Modifiers, CurrentFlagsCanBeSuppliedByATest)
{
    setModifierSourceForTesting([] { return Qt::KeyboardModifiers(Qt::AltModifier); });
    EXPECT_EQ(currentModifierFlags(), AlternateKeyMask);
    setModifierSourceForTesting({});
    EXPECT_EQ(currentModifierFlags() & AlternateKeyMask, 0u);
}
