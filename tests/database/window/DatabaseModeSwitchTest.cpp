// Switching the main window between label design and the database editor.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "database/DatabaseTestSupport.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/window/DatabaseView.h"
#include "database/store/MergeContents.h"
#include "foundation/SegmentedControl.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

TEST(DatabaseModeSwitch, DatabaseModeAndBackLeaveTheDesignAsItWas)
{
    QDir(Database::databasesFolder()).removeRecursively();
    QDir().mkpath(Database::databasesFolder());
    UserDefaults::standard().removeObject("databasePath");
    const QString path = Database::pathForTitle("Mode");
    ASSERT_TRUE(Database::createDatabaseAtPath(path));
    {
        Database db(path);
        db.initFieldsStructure();
        dbtest::addRecord(db, {{"Last_Name", "Only"}});
    }

    QMainWindow window;
    auto *design = new QLabel("design");
    window.setCentralWidget(design);
    QToolBar *labelToolbar = window.addToolBar("labels");
    auto *modeSwitch = new DatabaseModeSwitch(&window);
    window.show();
    modeSwitch->databaseView()->appDidFinishLaunching();
    DatabaseFieldsView *editor = modeSwitch->databaseView()->databaseFieldsView();
    ASSERT_TRUE(editor->database());
    EXPECT_EQ(modeSwitch->labelModeSwitch()->selectedSegment(), 0);
    EXPECT_FALSE(modeSwitch->databaseMenu()->menuAction()->isVisible());

    QTest::mouseClick(modeSwitch->labelModeSwitch()->segmentButton(1), Qt::LeftButton);
    EXPECT_EQ(modeSwitch->mode(), DatabaseModeSwitch::DatabaseMode);
    EXPECT_EQ(window.centralWidget(), modeSwitch->databaseView());
    EXPECT_FALSE(labelToolbar->isVisible());
    EXPECT_FALSE(design->isVisible());
    EXPECT_TRUE(modeSwitch->databaseView()->toolbar()->isVisible());
    EXPECT_EQ(modeSwitch->databaseModeSwitch()->selectedSegment(), 1);
    EXPECT_TRUE(modeSwitch->databaseMenu()->menuAction()->isVisible());

    // Leaving database mode writes the edited record back and tells the merge objects.
    auto *company = qobject_cast<QLineEdit *>(editor->valueControlForPk(7));
    ASSERT_TRUE(company);
    QTest::keyClicks(company, "Brenholt");
    int changes = 0;
    NotificationCenter::defaultCenter().addObserver(&changes, MergeContents::RecordChangedNotification,
                                                    [&](const Notification &) { ++changes; });
    QTest::mouseClick(modeSwitch->databaseModeSwitch()->segmentButton(0), Qt::LeftButton);
    NotificationCenter::defaultCenter().removeObserver(&changes);
    EXPECT_GE(changes, 1);
    EXPECT_EQ(dbtest::sqliteCli(path, "SELECT Company FROM dbtable;").trimmed(), "Brenholt");
    EXPECT_EQ(window.centralWidget(), design);
    EXPECT_TRUE(design->isVisible());
    EXPECT_TRUE(labelToolbar->isVisible());
    EXPECT_FALSE(modeSwitch->databaseView()->isVisible());
    EXPECT_EQ(modeSwitch->labelModeSwitch()->selectedSegment(), 0);

    // And again: the editor survived the round trip.
    modeSwitch->switchTabs(DatabaseModeSwitch::DatabaseMode);
    EXPECT_EQ(window.centralWidget(), modeSwitch->databaseView());
    modeSwitch->switchTabs(DatabaseModeSwitch::LabelDesign);
    EXPECT_EQ(window.centralWidget(), design);
    QDir(Database::databasesFolder()).removeRecursively();
}
