// Quitting asks to save once when the design has unsaved changes and never when it has none,
// whichever way the user quits: the menu item, its shortcut or closing the window.
#include <gtest/gtest.h>

#include <QKeySequence>

#include "app/AppTestSupport.h"

using namespace quillmark;

namespace {

enum class Way { Menu, Shortcut, CloseWindow };

const char *name(Way way)
{
    switch (way) {
    case Way::Menu:
        return "menu";
    case Way::Shortcut:
        return "shortcut";
    case Way::CloseWindow:
        return "window close";
    }
    return "";
}

void quit(apptest::WindowFixture &f, Way way)
{
    switch (way) {
    case Way::Menu:
        f.menuItem(QStringLiteral("File"), QStringLiteral("Quit"))->trigger();
        break;
    case Way::Shortcut:
        QTest::keyClick(f.window.get(), Qt::Key_Q, Qt::ControlModifier);
        break;
    case Way::CloseWindow:
        f.window->close();
        break;
    }
    apptest::settle();
}

TEST(QuitPrompt, NoQuestionWithoutChangesWhicheverWay)
{
    for (Way way : {Way::Menu, Way::Shortcut, Way::CloseWindow}) {
        apptest::WindowFixture f(QStringLiteral("quit-unchanged"));
        ASSERT_FALSE(f.canvas()->isChanged());
        quit(f, way);
        EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0) << name(way);
        EXPECT_EQ(f.quits, 1) << name(way);
        EXPECT_FALSE(f.window->isVisible()) << name(way);
    }
}

TEST(QuitPrompt, OneQuestionWithChangesWhicheverWay)
{
    for (Way way : {Way::Menu, Way::Shortcut, Way::CloseWindow}) {
        apptest::WindowFixture f(QStringLiteral("quit-changed"));
        f.drawRect(QRectF(20, 20, 60, 40));
        ASSERT_TRUE(f.canvas()->isChanged());
        f.prompts->queueAlert(Prompts::SecondButton); // Don't Save
        // Were the question to come back, it would be cancelled and the application stay.
        f.prompts->queueAlert(Prompts::ThirdButton);
        quit(f, way);
        ASSERT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 1) << name(way);
        EXPECT_EQ(f.prompts->last().title, QStringLiteral("Do you want to save the changes you made in the Document?"));
        EXPECT_EQ(f.quits, 1) << name(way);
        EXPECT_FALSE(f.window->isVisible()) << name(way);
    }
}

TEST(QuitPrompt, CancelKeepsTheWindowAndAsksAgainNextTime)
{
    for (Way way : {Way::Menu, Way::Shortcut, Way::CloseWindow}) {
        apptest::WindowFixture f(QStringLiteral("quit-cancel"));
        f.canvas()->wasChanged(true);
        f.prompts->queueAlert(Prompts::ThirdButton);
        quit(f, way);
        EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 1) << name(way);
        EXPECT_EQ(f.quits, 0) << name(way);
        EXPECT_TRUE(f.window->isVisible()) << name(way);

        f.prompts->queueAlert(Prompts::SecondButton);
        quit(f, way);
        EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 2) << name(way);
        EXPECT_EQ(f.quits, 1) << name(way);
    }
}

TEST(QuitPrompt, SaveInThePromptSavesOnceAndQuits)
{
    apptest::WindowFixture f(QStringLiteral("quit-save"));
    f.drawRect(QRectF(20, 20, 60, 40));
    const QString path = qmtest::freshDir(QStringLiteral("quit-save-doc")) + QStringLiteral("/Design.qkdoc");
    f.prompts->queueAlert(Prompts::FirstButton);
    f.prompts->queuePath(path);
    quit(f, Way::Menu);
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::SaveFile), 1);
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(f.quits, 1);
}

} // namespace
