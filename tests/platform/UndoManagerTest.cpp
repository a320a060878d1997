#include <gtest/gtest.h>

#include "platform/UndoManager.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <stdexcept>

using namespace quillmark;

namespace {

// A value whose setter registers its own inverse, the way the graphic objects do.
struct Value
{
    UndoManager *undo;
    int value = 0;
    QString name = QStringLiteral("Set Value");

    void set(int v)
    {
        const int old = value;
        undo->registerUndo([this, old] { set(old); });
        undo->setActionName(name);
        value = v;
    }
};

} // namespace

TEST(UndoManager, AnInverseRegisteredDuringUndoBecomesTheRedo)
{
    UndoManager undo;
    Value v{&undo};
    v.set(1);
    undo.closeEventGroup();
    v.set(2);
    undo.closeEventGroup();
    EXPECT_TRUE(undo.canUndo());
    EXPECT_FALSE(undo.canRedo());

    undo.undo();
    EXPECT_EQ(v.value, 1);
    EXPECT_TRUE(undo.canRedo());
    undo.undo();
    EXPECT_EQ(v.value, 0);
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_EQ(v.value, 1);
    undo.redo();
    EXPECT_EQ(v.value, 2);
    EXPECT_FALSE(undo.canRedo());
    undo.undo();
    EXPECT_EQ(v.value, 1);
}

TEST(UndoManager, ANewChangeClearsTheRedoStackButRedoingDoesNot)
{
    UndoManager undo;
    Value v{&undo};
    v.set(1);
    undo.closeEventGroup();
    v.set(2);
    undo.closeEventGroup();
    undo.undo();
    undo.undo();
    undo.redo();
    EXPECT_TRUE(undo.canRedo()) << "redo registers into the undo stack without clearing redo";
    v.set(5);
    EXPECT_FALSE(undo.canRedo());
    undo.closeEventGroup();
    undo.undo();
    EXPECT_EQ(v.value, 1);
}

TEST(UndoManager, EverythingRegisteredInOneEventIsOneStepUndoneInReverse)
{
    UndoManager undo;
    QStringList order;
    undo.registerUndo([&] { order << "first"; });
    undo.registerUndo([&] { order << "second"; });
    undo.registerUndo([&] { order << "third"; });
    // Returning to the event loop closes the step.
    QCoreApplication::processEvents();
    EXPECT_EQ(undo.groupingLevel(), 0);
    undo.registerUndo([&] { order << "next event"; });
    QCoreApplication::processEvents();

    undo.undo();
    EXPECT_EQ(order, QStringList{"next event"});
    order.clear();
    undo.undo();
    EXPECT_EQ(order, (QStringList{"third", "second", "first"}));
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, UndoClosesTheOpenEventGroupFirst)
{
    UndoManager undo;
    Value v{&undo};
    v.set(3);
    v.set(4);
    undo.undo();
    EXPECT_EQ(v.value, 0);
    undo.redo();
    EXPECT_EQ(v.value, 4);
}

TEST(UndoManager, NestedExplicitGroupsMakeOneStepAndEmptyGroupsNone)
{
    UndoManager undo;
    Value a{&undo};
    Value b{&undo};
    undo.beginUndoGrouping();
    a.set(1);
    undo.beginUndoGrouping();
    b.set(2);
    undo.endUndoGrouping();
    // The outer group, and the event's step that it opened.
    EXPECT_EQ(undo.groupingLevel(), 2);
    undo.setActionName("Paste");
    undo.endUndoGrouping();
    EXPECT_EQ(undo.undoActionName(), "Paste");

    undo.beginUndoGrouping();
    undo.beginUndoGrouping();
    undo.endUndoGrouping();
    undo.endUndoGrouping();
    EXPECT_EQ(undo.undoActionName(), "Paste") << "an empty group adds no step";

    undo.undo();
    EXPECT_EQ(a.value, 0);
    EXPECT_EQ(b.value, 0);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(undo.redoActionName(), "Paste");
    undo.redo();
    EXPECT_EQ(a.value, 1);
    EXPECT_EQ(b.value, 2);
    EXPECT_EQ(undo.undoActionName(), "Paste");
}

TEST(UndoManager, AnExplicitGroupInsideAnEventGroupJoinsIt)
{
    UndoManager undo;
    Value v{&undo};
    v.set(1);
    undo.beginUndoGrouping();
    v.set(2);
    undo.endUndoGrouping();
    v.set(3);
    undo.closeEventGroup();
    undo.undo();
    EXPECT_EQ(v.value, 0);
    EXPECT_FALSE(undo.canUndo());

    // A group that opens the event's step keeps it open for what the event does after it: a
    // command over several objects that each group their own changes is one step.
    undo.beginUndoGrouping();
    v.set(4);
    undo.endUndoGrouping();
    undo.beginUndoGrouping();
    v.set(5);
    undo.endUndoGrouping();
    v.set(6);
    QCoreApplication::processEvents();
    EXPECT_EQ(undo.groupingLevel(), 0);
    undo.undo();
    EXPECT_EQ(v.value, 0);
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, TheNameBelongsToItsStep)
{
    UndoManager undo;
    Value move{&undo, 0, "Move"};
    Value colour{&undo, 0, "Color"};
    move.set(1);
    undo.closeEventGroup();
    colour.set(1);
    undo.closeEventGroup();
    EXPECT_EQ(undo.undoActionName(), "Color");
    undo.undo();
    EXPECT_EQ(undo.undoActionName(), "Move");
    EXPECT_EQ(undo.redoActionName(), "Color");
    undo.undo();
    EXPECT_EQ(undo.undoActionName(), QString());
    EXPECT_EQ(undo.redoActionName(), "Move");

    // An inverse that names nothing leaves the redo step its name.
    UndoManager plain;
    std::function<void()> again = [&] { plain.registerUndo(again); };
    plain.registerUndo(again);
    plain.setActionName("Delete");
    plain.closeEventGroup();
    plain.undo();
    EXPECT_EQ(plain.redoActionName(), "Delete");
}

TEST(UndoManager, DisablingIsCountedAndDropsRegistrations)
{
    UndoManager undo;
    Value v{&undo};
    undo.disableUndoRegistration();
    undo.disableUndoRegistration();
    v.set(1);
    undo.enableUndoRegistration();
    EXPECT_FALSE(undo.isUndoRegistrationEnabled());
    v.set(2);
    undo.enableUndoRegistration();
    EXPECT_TRUE(undo.isUndoRegistrationEnabled());
    undo.closeEventGroup();
    EXPECT_FALSE(undo.canUndo());
    undo.enableUndoRegistration();
    EXPECT_TRUE(undo.isUndoRegistrationEnabled());
    v.set(3);
    undo.closeEventGroup();
    // What is changed unregistered names no step, closed or open.
    Value hidden{&undo, 0, QStringLiteral("Hidden Change")};
    undo.disableUndoRegistration();
    hidden.set(1);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set Value"));
    undo.enableUndoRegistration();
    v.set(4);
    undo.disableUndoRegistration();
    hidden.set(2);
    undo.enableUndoRegistration();
    undo.closeEventGroup();
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set Value"));
    undo.undo();
    EXPECT_EQ(v.value, 3);
    undo.undo();
    EXPECT_EQ(v.value, 2);
}

TEST(UndoManager, RemoveAllActionsForgetsEverything)
{
    UndoManager undo;
    Value v{&undo};
    v.set(1);
    undo.closeEventGroup();
    v.set(2);
    undo.closeEventGroup();
    undo.undo();
    v.set(7);
    undo.removeAllActions();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_FALSE(undo.canRedo());
    EXPECT_EQ(undo.groupingLevel(), 0);
    v.set(8);
    undo.undo();
    EXPECT_EQ(v.value, 7);
}

TEST(UndoManager, ReportsWhetherItIsUndoingOrRedoing)
{
    UndoManager undo;
    QList<std::pair<bool, bool>> seen;
    std::function<void()> toggle = [&] {
        seen.append({undo.isUndoing(), undo.isRedoing()});
        undo.registerUndo(toggle);
    };
    undo.registerUndo(toggle);
    EXPECT_FALSE(undo.isUndoing());
    undo.undo();
    undo.redo();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0], std::make_pair(true, false));
    EXPECT_EQ(seen[1], std::make_pair(false, true));
    EXPECT_FALSE(undo.isUndoing());
    EXPECT_FALSE(undo.isRedoing());
}

TEST(UndoManager, AFailingInverseDoesNotEscapeOrStopTheOthers)
{
    UndoManager undo;
    bool ran = false;
    undo.registerUndo([&] { ran = true; });
    undo.registerUndo([] { throw std::runtime_error("broken"); });
    undo.closeEventGroup();
    EXPECT_NO_THROW(undo.undo());
    EXPECT_TRUE(ran);
}

TEST(UndoManager, ChangedIsSignalledForTheEditMenu)
{
    UndoManager undo;
    QSignalSpy spy(&undo, &UndoManager::changed);
    Value v{&undo};
    v.set(1);
    EXPECT_GE(spy.count(), 1);
    spy.clear();
    undo.closeEventGroup();
    EXPECT_GE(spy.count(), 1);
    spy.clear();
    undo.undo();
    EXPECT_GE(spy.count(), 1);
    spy.clear();
    undo.removeAllActions();
    EXPECT_GE(spy.count(), 1);
}

// An edit of thousands of objects whose setters name the step by turns tells the Edit menu
// once it is complete, with the last name, not once per object.
TEST(UndoManager, AStepNamedByTurnsIsSignalledWhenItCloses)
{
    UndoManager undo;
    Value v{&undo};
    QSignalSpy spy(&undo, &UndoManager::changed);
    for (int i = 1; i <= 1000; ++i) {
        v.set(i);
        undo.setActionName(i % 2 ? QStringLiteral("Set Object Origin") : QStringLiteral("Change Object Width"));
    }
    EXPECT_LE(spy.count(), 1);
    EXPECT_EQ(undo.undoActionName(), "Change Object Width");
    spy.clear();
    undo.closeEventGroup();
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(undo.undoActionName(), "Change Object Width");
    // The name of a closed step is news at once.
    spy.clear();
    undo.setActionName(QStringLiteral("Move Object"));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(undo.undoActionName(), "Move Object");
    undo.undo();
    EXPECT_EQ(v.value, 0);
}

TEST(UndoManager, LevelsAreUnlimited)
{
    UndoManager undo;
    Value v{&undo};
    for (int i = 1; i <= 500; ++i) {
        v.set(i);
        undo.closeEventGroup();
    }
    int steps = 0;
    while (undo.canUndo()) {
        undo.undo();
        ++steps;
    }
    EXPECT_EQ(steps, 500);
    EXPECT_EQ(v.value, 0);
}
