// The database side panel: its five tabs, the panes they open below themselves and the open
// tabs remembered across launches.
#include <gtest/gtest.h>

#include <QAbstractButton>

#include "database/window/DBPropertiesView.h"
#include "database/window/PropertyView.h"
#include "database/window/PropertyViewButtonCell.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

class DBPropertiesPanel : public ::testing::Test
{
protected:
    void SetUp() override { UserDefaults::standard().removeObject("dbProperties"); }

    std::unique_ptr<DBPropertiesView> launch()
    {
        auto panel = std::make_unique<DBPropertiesView>();
        panel->setUdKey("dbProperties");
        panel->addPropertyViews();
        return panel;
    }
};

} // namespace

TEST_F(DBPropertiesPanel, FirstLaunchOpensOnlySortingCriteria)
{
    auto panel = launch();
    ASSERT_EQ(panel->viewsArray().size(), 5);
    QStringList titles;
    for (PropertyView *pane : panel->viewsArray())
        titles << pane->title();
    EXPECT_EQ(titles, QStringList({"Sorting Criteria", "Field Titles & Visibility", "Edit Group Titles",
                                   "View Group Titles", "Find Records"}));
    EXPECT_TRUE(panel->isButtonSelected(1));
    for (int tag = 2; tag <= 5; ++tag)
        EXPECT_FALSE(panel->isButtonSelected(tag));
    // Button 1, its pane, then the four other buttons, stacked from y 10.
    ASSERT_EQ(panel->stack().size(), 6);
    EXPECT_EQ(panel->stack().at(1), panel->viewsArray().at(0));
    EXPECT_EQ(panel->stack().at(0)->pos(), QPoint(8, 10));
    EXPECT_EQ(panel->stack().at(1)->pos().y(), 42);
    EXPECT_EQ(panel->stack().at(2)->pos().y(), 42 + panel->viewsArray().at(0)->height());
    EXPECT_EQ(panel->viewsArray().at(0)->button(), panel->buttonWithTag(1));
}

TEST_F(DBPropertiesPanel, OpenTabsAreRememberedAndAnEmptyListOpensNone)
{
    {
        auto panel = launch();
        panel->openPropertiesByType(5);
        panel->openPropertiesByType(3);
        EXPECT_EQ(panel->tagsOfSelectedButton(), QList<int>({5, 3, 1}));
        // The find pane sits right below its button, the last one.
        EXPECT_EQ(panel->stack().last(), panel->viewsArray().at(4));
    }
    {
        auto panel = launch();
        EXPECT_TRUE(panel->isButtonSelected(1));
        EXPECT_TRUE(panel->isButtonSelected(3));
        EXPECT_TRUE(panel->isButtonSelected(5));
        for (int tag : {1, 3, 5})
            panel->openPropertiesByType(tag);
        EXPECT_TRUE(panel->tagsOfSelectedButton().isEmpty());
        EXPECT_EQ(panel->stack().size(), 5);
    }
    auto panel = launch();
    for (int tag = 1; tag <= 5; ++tag)
        EXPECT_FALSE(panel->isButtonSelected(tag));
}
