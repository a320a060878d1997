#include <gtest/gtest.h>

#include "common/TestPrompts.h"

using namespace quillmark;
using qmtest::ScopedTestPrompts;
using qmtest::TestPrompts;

TEST(Prompts, TheFakeAnswersInOrderAndRecordsEveryQuestion)
{
    ScopedTestPrompts guard;
    guard->queueAlert(Prompts::SecondButton);
    guard->queuePath("/tmp/a.qkdoc");

    Prompts &prompts = Prompts::current();
    EXPECT_EQ(&prompts, &guard.prompts());
    EXPECT_EQ(prompts.alert(nullptr, "Save?", "Changes", {"Save", "Don't Save", "Cancel"}), 1001);
    // Nothing queued: the default button.
    EXPECT_EQ(prompts.alert(nullptr, "Gone", "File missing", {}, Prompts::Critical), 1000);
    EXPECT_EQ(prompts.openFile(nullptr, "Open", "/tmp", {"qkdoc"}), "/tmp/a.qkdoc");
    EXPECT_TRUE(prompts.saveFile(nullptr, "Save", "/tmp", "Untitled", {"qkdoc"}).isNull());

    const auto &calls = guard->calls();
    ASSERT_EQ(calls.size(), 4);
    EXPECT_EQ(calls[0].kind, TestPrompts::Alert);
    EXPECT_EQ(calls[0].title, "Save?");
    EXPECT_EQ(calls[0].buttons, (QStringList{"Save", "Don't Save", "Cancel"}));
    EXPECT_EQ(calls[1].style, Prompts::Critical);
    EXPECT_EQ(calls[2].kind, TestPrompts::OpenFile);
    EXPECT_EQ(calls[2].extensions, QStringList{"qkdoc"});
    EXPECT_EQ(calls[3].kind, TestPrompts::SaveFile);
    EXPECT_EQ(calls[3].defaultName, "Untitled");
    EXPECT_EQ(guard->count(TestPrompts::Alert), 2);
}

TEST(Prompts, PanelsCanBeCancelledAndAnsweredWithSeveralFiles)
{
    ScopedTestPrompts guard;
    guard->queueCancel();
    guard->queuePaths({"/a", "/b"});
    guard->queuePath("/folder");
    EXPECT_TRUE(Prompts::current().openFiles(nullptr, "Import", {}, {}).isEmpty());
    EXPECT_EQ(Prompts::current().openFiles(nullptr, "Import", {}, {}), (QStringList{"/a", "/b"}));
    EXPECT_EQ(Prompts::current().chooseFolder(nullptr, "Folder", "/"), "/folder");
    EXPECT_EQ(guard->last().kind, TestPrompts::ChooseFolder);
}

TEST(Prompts, TheGuardPutsThePreviousPromptsBack)
{
    Prompts *before = &Prompts::current();
    {
        ScopedTestPrompts outer;
        {
            ScopedTestPrompts inner;
            EXPECT_EQ(&Prompts::current(), &inner.prompts());
        }
        EXPECT_EQ(&Prompts::current(), &outer.prompts());
    }
    EXPECT_NE(dynamic_cast<QtPrompts *>(&Prompts::current()), nullptr);
    (void)before;
}
