#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QTreeView>

#include "CanvasTestSupport.h"
#include "app/MainWindow.h"
#include "common/TestPrompts.h"
#include "platform/Format.h"
#include "stock/DataSource.h"
#include "stock/TLabelType.h"

using namespace quillmark;

namespace {

class SavingCanvas : public RectsView
{
public:
    bool save() override
    {
        ++saves;
        return true;
    }
    int saves = 0;
};

class Shell : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("shell"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        RectsView::setTerminatePromptFlag(true);
    }
    void TearDown() override
    {
        RectsView::setTerminatePromptFlag(true);
        Language::reset();
    }
    qmtest::ScopedTestPrompts prompts;
};

TEST_F(Shell, QuitAsksOnlyWithUnsavedChanges)
{
    SavingCanvas canvas;
    canvas.wasChanged(false);
    EXPECT_TRUE(canvas.applicationShouldTerminate());
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);

    canvas.wasChanged(true);
    prompts->queueAlert(Prompts::ThirdButton);
    EXPECT_FALSE(canvas.applicationShouldTerminate());
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    const auto &call = prompts->last();
    EXPECT_EQ(call.title, QStringLiteral("Do you want to save the changes you made in the Document?"));
    EXPECT_EQ(call.message, QStringLiteral("Your changes will be lost if you don't save them!"));
    EXPECT_EQ(call.buttons, (QStringList{QStringLiteral("Save..."), QStringLiteral("Don't Save"),
                                         QStringLiteral("Cancel")}));

    prompts->queueAlert(Prompts::SecondButton);
    EXPECT_TRUE(canvas.applicationShouldTerminate());
    EXPECT_EQ(canvas.saves, 0);
    prompts->queueAlert(Prompts::FirstButton);
    EXPECT_TRUE(canvas.applicationShouldTerminate());
    EXPECT_EQ(canvas.saves, 1);
}

TEST_F(Shell, ClosingAsksOnlyWithUnsavedChangesAndTheQuitThatFollowsDoesNot)
{
    SavingCanvas canvas;
    canvas.wasChanged(false);
    EXPECT_TRUE(canvas.windowShouldClose());
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);

    canvas.wasChanged(true);
    prompts->queueAlert(Prompts::ThirdButton);
    EXPECT_FALSE(canvas.windowShouldClose());
    EXPECT_TRUE(RectsView::terminatePromptFlag());
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);

    prompts->queueAlert(Prompts::SecondButton);
    EXPECT_TRUE(canvas.windowShouldClose());
    EXPECT_FALSE(RectsView::terminatePromptFlag());
    EXPECT_TRUE(canvas.applicationShouldTerminate());
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 2);
    EXPECT_TRUE(RectsView::terminatePromptFlag());

    prompts->queueAlert(Prompts::FirstButton);
    EXPECT_TRUE(canvas.windowShouldClose());
    EXPECT_EQ(canvas.saves, 1);
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 3);
}

TEST_F(Shell, TemplateSizeRules)
{
    RectsView canvas;
    canvas.readTemplateSize();
    EXPECT_EQ(canvas.templateItemSize(), 90);
    const QVariant registered = UserDefaults::standard().objectForKey(QStringLiteral("TemplateSize"));
    EXPECT_EQ(registered.typeId(), QMetaType::QString);
    EXPECT_EQ(registered.toString(), QStringLiteral("90"));

    UserDefaults::standard().setString(QStringLiteral("120.7"), QStringLiteral("TemplateSize"));
    canvas.readTemplateSize();
    EXPECT_EQ(canvas.templateItemSize(), 120);

    canvas.applicationWillTerminate();
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("TemplateSize")), QStringLiteral("120"));
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("ObjectInfoVisible")), QStringLiteral("NO"));
}

TEST_F(Shell, FirstStartWindowAndFrameKeptForTheNextStart)
{
    QRect saved;
    {
        MainWindow window;
        EXPECT_EQ(window.size(), QSize(1220, 800));
        EXPECT_EQ(window.minimumSize(), QSize(1220, 740));
        window.setGeometry(QRect(40, 60, 1300, 900));
        saved = window.geometry();
        // The side panel shows at the first start; put away, it stays away at the next.
        EXPECT_TRUE(window.canvas()->isObjectInfoVisible());
        window.canvas()->showHideGraphicOpt();
        window.canvas()->applicationWillTerminate();
    }
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("ObjectInfoVisible")), QStringLiteral("NO"));
    Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
    MainWindow again;
    EXPECT_EQ(again.geometry().size(), saved.size());
    EXPECT_FALSE(again.canvas()->isObjectInfoVisible());
}

TEST_F(Shell, AFreshStartShows5160SelectedOnTheCanvas)
{
    MainWindow window;
    RectsView *canvas = window.canvas();
    EXPECT_EQ(RectsView::sharedRectsView(), canvas);
    EXPECT_EQ(canvas->getLabel().name, QStringLiteral("5160"));
    EXPECT_EQ(canvas->getLabel().num_label, 3);
    EXPECT_EQ(canvas->getLabel().num_downlabel, 10);
    EXPECT_EQ(canvas->getEnableLabelFlags().size(), 30);
    EXPECT_FALSE(canvas->isChanged());
    EXPECT_EQ(canvas->getZoomFit(), 3);

    const QModelIndexList selected = window.catalogueView()->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    const TLabelType *entry = canvas->dataSource()->labelTypeAt(selected.first());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->getProductCode(), QStringLiteral("5160"));
    EXPECT_TRUE(window.catalogueView()->isExpanded(selected.first().parent()));
}

TEST_F(Shell, TheLastChosenStockIsRestoredInTheProductNumberView)
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setInteger(0, QStringLiteral("LabelFormatType"));
    defaults.setString(QStringLiteral("5163"), QStringLiteral("LabelName"));
    defaults.setBool(false, QStringLiteral("IsCategory"));
    MainWindow window;
    EXPECT_FALSE(window.canvas()->dataSource()->isCategories());
    EXPECT_EQ(window.canvas()->getLabel().name, QStringLiteral("5163"));
    const QModelIndexList selected = window.catalogueView()->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_FALSE(selected.first().parent().isValid());

    // A name neither list knows keeps the stock applied at wake-up.
    defaults.setString(QStringLiteral("no such stock"), QStringLiteral("LabelName"));
    MainWindow unknown;
    EXPECT_EQ(unknown.canvas()->getLabel().num_label, 2);
}

} // namespace
