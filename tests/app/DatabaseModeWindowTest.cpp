// The whole window in database mode: the label commands rest, the keys act on records, and the
// design's dock windows step aside.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "database/Database.h"
#include "database/DatabaseFieldsView.h"
#include "database/DatabaseModeSwitch.h"
#include "database/DatabaseUserAction.h"
#include "database/DatabaseView.h"
#include "database/RecordBrowserModel.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

QAction *menuNamed(QMainWindow &window, const QString &title)
{
    for (QAction *top : window.menuBar()->actions())
        if (top->menu() && top->menu()->title() == title)
            return top;
    return nullptr;
}

QAction *itemNamed(QAction *menu, const QString &title)
{
    for (QAction *item : menu->menu()->actions())
        if (item->text() == title)
            return item;
    return nullptr;
}

class DatabaseModeWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), "en");
        QDir(Database::databasesFolder()).removeRecursively();
        QDir().mkpath(Database::databasesFolder());
        UserDefaults::standard().removeObject("databasePath");
        const QString path = Database::pathForTitle("Club");
        ASSERT_TRUE(Database::createDatabaseAtPath(path));
        Database db(path);
        db.initFieldsStructure();
        for (const char *name : {"Avery", "Brook", "Cole"}) {
            db.fieldValues().clear();
            db.initFieldValues();
            db.fieldValues().insert("Last_Name", name);
            db.insertRecord();
        }
    }

    void TearDown() override
    {
        QDir(Database::databasesFolder()).removeRecursively();
        Language::reset();
        DatabaseUserAction::end();
    }

    qmtest::ScopedTestPrompts prompts;
};

} // namespace

TEST_F(DatabaseModeWindow, LabelCommandsRestAndTheKeysActOnRecords)
{
    registerAllKinds();
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    RectsView *canvas = window.canvas();
    auto box = ColorRect::create(QRectF(10, 10, 40, 20));
    box->setPageName(canvas->getCurrPageName());
    canvas->addGraphic(box);
    canvas->selectRect(box);
    const int objects = int(canvas->getRects().size());
    auto *dock = window.findChild<QDockWidget *>("ImagesDock");
    ASSERT_TRUE(dock);
    EXPECT_FALSE(dock->isHidden());

    DatabaseModeSwitch *modes = window.modeSwitch();
    modes->switchTabs(DatabaseModeSwitch::DatabaseMode);
    DatabaseFieldsView *editor = modes->databaseView()->databaseFieldsView();
    ASSERT_TRUE(editor->database());
    EXPECT_TRUE(dock->isHidden());
    EXPECT_FALSE(menuNamed(window, "Arrange")->isVisible());
    EXPECT_FALSE(menuNamed(window, "View")->isVisible());
    QAction *edit = menuNamed(window, "Edit");
    ASSERT_TRUE(edit);
    EXPECT_TRUE(edit->isVisible());
    emit edit->menu()->aboutToShow();
    EXPECT_FALSE(itemNamed(edit, "Duplicate")->isEnabled());
    EXPECT_FALSE(itemNamed(edit, "Delete")->isEnabled());
    EXPECT_FALSE(itemNamed(edit, "Select All")->isEnabled());
    EXPECT_TRUE(window.quitAction()->isEnabled());

    QTableView *browser = modes->databaseView()->browser();
    browser->setFocus();
    editor->selectRow(1);
    // Command-D duplicates the record, not the hidden label object.
    QTest::keyClick(browser, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(canvas->getRects().size(), objects);
    EXPECT_EQ(editor->browserModel()->rowCount(), 4);

    // Delete and Backspace in the browser delete the selected record, after asking.
    DatabaseUserAction::end();
    editor->selectRow(0);
    QTest::keyClick(browser, Qt::Key_Delete);
    EXPECT_EQ(prompts->last().title, "Do you really want to delete selected record(s)?");
    EXPECT_EQ(editor->browserModel()->rowCount(), 3);
    QTest::keyClick(browser, Qt::Key_Backspace);
    EXPECT_EQ(editor->browserModel()->rowCount(), 2);
    EXPECT_EQ(canvas->getRects().size(), objects);

    // Back in label design everything is as it was.
    modes->switchTabs(DatabaseModeSwitch::LabelDesign);
    EXPECT_FALSE(dock->isHidden());
    EXPECT_TRUE(menuNamed(window, "Arrange")->isVisible());
    EXPECT_TRUE(itemNamed(edit, "Duplicate")->isEnabled());
    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(canvas->getRects().size(), objects + 1);
    EXPECT_EQ(editor->browserModel()->rowCount(), 2);
}
