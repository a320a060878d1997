// The Edit menu names the step that Undo and Redo act on, and undoing or redoing marks the
// design changed so that a saved design whose edits are undone asks before it is dropped.
#include <gtest/gtest.h>

#include <QFileInfo>

#include "app/AppTestSupport.h"

using namespace quillmark;

namespace {

TEST(EditMenu, UndoAndRedoNameTheStep)
{
    apptest::WindowFixture f(QStringLiteral("edit-names"));
    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    QAction *redo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"));
    ASSERT_TRUE(undo && redo);
    EXPECT_EQ(undo->text(), QStringLiteral("Undo"));
    EXPECT_FALSE(undo->isEnabled());

    f.drawRect(QRectF(20, 20, 60, 40));
    ASSERT_EQ(f.canvas()->getRects().size(), 1);
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Create Object"));
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(redo->text(), QStringLiteral("Redo"));

    undo->trigger();
    apptest::settle();
    EXPECT_TRUE(f.canvas()->getRects().isEmpty());
    EXPECT_EQ(redo->text(), QStringLiteral("Redo Create Object"));
    EXPECT_TRUE(redo->isEnabled());
    EXPECT_EQ(undo->text(), QStringLiteral("Undo"));

    redo->trigger();
    apptest::settle();
    EXPECT_EQ(f.canvas()->getRects().size(), 1);
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Create Object"));
}

TEST(EditMenu, NamesAreTranslated)
{
    apptest::WindowFixture f(QStringLiteral("edit-language"), QStringLiteral("de"));
    f.drawRect(QRectF(20, 20, 60, 40));
    QAction *undo = f.menuItemStartingWith(QStringLiteral("Bearbeiten"), QStringLiteral("R\u00fcckg\u00e4ngig"));
    ASSERT_NE(undo, nullptr);
    EXPECT_EQ(undo->text(), QStringLiteral("R\u00fcckg\u00e4ngig: ") + Language::stringForKey(QStringLiteral("Create Object")));
    // A later change of language keeps the step's name in the item.
    Language::setLanguage(Language::language());
    EXPECT_EQ(undo->text(), QStringLiteral("R\u00fcckg\u00e4ngig: ") + Language::stringForKey(QStringLiteral("Create Object")));
}

TEST(EditMenu, GroupAndUngroupNameTheirSteps)
{
    for (const char *language : {"en", "de"}) {
        SCOPED_TRACE(language);
        apptest::WindowFixture f(QStringLiteral("edit-group-names"), QString::fromLatin1(language));
        auto word = [](const char *english) { return Language::stringForKey(QString::fromLatin1(english)); };
        auto undoStep = [](const char *english) {
            return localizedStringFromTable(QString::fromLatin1(english), QStringLiteral("UndoStrings"));
        };
        f.drawRect(QRectF(20, 20, 60, 40));
        f.drawRect(QRectF(100, 20, 40, 40));
        f.trigger(word("Edit"), word("Select All"));
        QAction *undo = f.menuItemStartingWith(word("Edit"), word("Undo"));
        QAction *redo = f.menuItemStartingWith(word("Edit"), word("Redo"));
        ASSERT_TRUE(undo && redo);

        f.trigger(word("Arrange"), word("Group"));
        ASSERT_EQ(f.canvas()->groups().size(), 1);
        EXPECT_EQ(undo->text(), Language::withValues(word("Undo %@"), {undoStep("Group")}));
        if (QLatin1String(language) == QLatin1String("de")) {
            EXPECT_EQ(undo->text(), QStringLiteral("R\u00fcckg\u00e4ngig: Gruppieren"));
        }
        undo->trigger();
        apptest::settle();
        EXPECT_TRUE(f.canvas()->groups().isEmpty());
        EXPECT_EQ(redo->text(), Language::withValues(word("Redo %@"), {undoStep("Group")}));
        redo->trigger();
        apptest::settle();
        ASSERT_EQ(f.canvas()->groups().size(), 1);

        f.trigger(word("Arrange"), word("Ungroup"));
        EXPECT_TRUE(f.canvas()->groups().isEmpty());
        EXPECT_EQ(undo->text(), Language::withValues(word("Undo %@"), {undoStep("Ungroup")}));
        undo->trigger();
        apptest::settle();
        EXPECT_EQ(f.canvas()->groups().size(), 1);
        EXPECT_EQ(redo->text(), Language::withValues(word("Redo %@"), {undoStep("Ungroup")}));
    }
}

TEST(EditMenu, UndoAfterSavingMakesNewAsk)
{
    apptest::WindowFixture f(QStringLiteral("edit-save-undo"));
    f.drawRect(QRectF(20, 20, 60, 40));
    const QString path = qmtest::freshDir(QStringLiteral("edit-save-undo-doc")) + QStringLiteral("/Design.qkdoc");
    f.prompts->queuePath(path);
    f.menuItem(QStringLiteral("File"), QStringLiteral("Save"))->trigger();
    apptest::settle();
    ASSERT_TRUE(QFileInfo::exists(path));
    ASSERT_FALSE(f.canvas()->isChanged());

    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
    apptest::settle();
    EXPECT_TRUE(f.canvas()->isChanged());

    f.prompts->queueAlert(Prompts::ThirdButton);
    f.menuItem(QStringLiteral("File"), QStringLiteral("New"))->trigger();
    apptest::settle();
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 1);

    // Redo after a save makes the design differ from its file too.
    f.prompts->queueAlert(Prompts::SecondButton);
    f.menuItem(QStringLiteral("File"), QStringLiteral("New"))->trigger();
    apptest::settle();
    f.drawRect(QRectF(20, 20, 60, 40));
    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
    f.prompts->queuePath(path);
    f.menuItem(QStringLiteral("File"), QStringLiteral("Save"))->trigger();
    apptest::settle();
    ASSERT_FALSE(f.canvas()->isChanged());
    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
    apptest::settle();
    EXPECT_TRUE(f.canvas()->isChanged());
}

TEST(EditMenu, ClickingBesideTheSelectionIsAnUndoableSelectionChange)
{
    apptest::WindowFixture f(QStringLiteral("edit-selection"));
    f.drawRect(QRectF(20, 20, 60, 40));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    f.click(QPointF(200, 100));
    EXPECT_TRUE(f.canvas()->selectedObjects().isEmpty());
    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Selection Change"));
    undo->trigger();
    apptest::settle();
    EXPECT_EQ(f.canvas()->selectedObjects().size(), 1);
}

} // namespace
