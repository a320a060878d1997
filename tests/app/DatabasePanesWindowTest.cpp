// The database side panel in the whole window: the user opens the panes by their tabs, finds
// records by typing, deletes a group and changes memberships through the Database menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "database/window/CategoriesPanel.h"
#include "database/window/DBPropertiesView.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/store/DatabaseUserAction.h"
#include "database/window/DatabaseView.h"
#include "database/window/EditGroupsView.h"
#include "database/window/FindView.h"
#include "database/window/GroupTitlesModel.h"
#include "database/window/PropertyViewButtonCell.h"
#include "database/window/RecordBrowserModel.h"
#include "foundation/Language.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

QString sqlite(const QString &path, const QString &sql)
{
    QProcess process;
    process.start("sqlite3", {path, sql});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QAction *databaseItem(QMainWindow &window, const QString &title)
{
    for (QAction *top : window.menuBar()->actions())
        if (top->menu() && top->menu()->title() == "Database")
            for (QAction *item : top->menu()->actions())
                if (item->text() == title)
                    return item;
    return nullptr;
}

class DatabasePanesWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), "en");
        QDir(Database::databasesFolder()).removeRecursively();
        QDir().mkpath(Database::databasesFolder());
        UserDefaults::standard().removeObject("databasePath");
        UserDefaults::standard().removeObject("dbProperties");
        path = Database::pathForTitle("Club");
        ASSERT_TRUE(Database::createDatabaseAtPath(path));
        Database db(path);
        db.initFieldsStructure();
        const struct
        {
            const char *name;
            qint64 groups;
        } people[] = {{"O'Brien", 0b00100}, {"Obrien", 0b01000}, {"Quinn", 0b10000}, {"Hidden", 0b00010}};
        for (const auto &p : people) {
            db.fieldValues().clear();
            db.initFieldValues();
            db.fieldValues().insert("Last_Name", p.name);
            db.fieldValues().insert("Groups", p.groups);
            db.insertRecord();
        }
        sqlite(path, "DELETE FROM dbgroups WHERE pk > 5; UPDATE dbattributes SET dbvalue='28' WHERE dbkey='groupsToView';");
    }

    void TearDown() override
    {
        QDir(Database::databasesFolder()).removeRecursively();
        Language::reset();
        DatabaseUserAction::end();
    }

    QStringList rows(DatabaseFieldsView *editor)
    {
        QStringList values;
        for (const dbBrowseField &row : editor->browserModel()->rows())
            values << row.value;
        return values;
    }

    qmtest::ScopedTestPrompts prompts;
    QString path;
};

} // namespace

TEST_F(DatabasePanesWindow, FindDeleteAGroupAndChangeMembershipsAsAUserDoes)
{
    registerAllKinds();
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    DatabaseModeSwitch *modes = window.modeSwitch();
    modes->switchTabs(DatabaseModeSwitch::DatabaseMode);
    DatabaseView *databaseView = modes->databaseView();
    DatabaseFieldsView *editor = databaseView->databaseFieldsView();
    ASSERT_TRUE(editor->database());
    DBPropertiesView *panel = databaseView->propertiesView();
    EXPECT_EQ(rows(editor), QStringList({"O'Brien", "Obrien", "Quinn"}));

    // The Find Records tab opens its pane; typing finds as typed.
    PropertyViewButtonCell *findTab = panel->buttonWithTag(5);
    ASSERT_TRUE(findTab);
    QTest::mouseClick(findTab, Qt::LeftButton);
    auto *find = qobject_cast<FindView *>(panel->findView());
    ASSERT_TRUE(find && find->isVisible());
    QLineEdit *lastName = find->fieldForColumn("Last_Name");
    ASSERT_TRUE(lastName);
    QTest::mouseClick(lastName, Qt::LeftButton);
    QTest::keyClicks(lastName, "O'Brien");
    EXPECT_EQ(rows(editor), QStringList({"O'Brien"}));
    EXPECT_TRUE(findTab->filter());
    lastName->clear();
    QTest::keyClicks(lastName, "%' OR '1'='1");
    EXPECT_TRUE(rows(editor).isEmpty());
    lastName->clear();
    EXPECT_EQ(rows(editor).size(), 3);
    EXPECT_FALSE(findTab->filter());

    // Deleting Group 3 in its pane moves groups 4 and 5 down in every record.
    QTest::mouseClick(panel->buttonWithTag(3), Qt::LeftButton);
    auto *groups = qobject_cast<EditGroupsView *>(panel->paneWithTag(3));
    ASSERT_TRUE(groups && groups->isVisible());
    QTableView *table = groups->table();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(2, 0)).center());
    ASSERT_TRUE(groups->deleteButton()->isEnabled());
    QTest::mouseClick(groups->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(prompts->last().title, "Do you really want to delete the 'Group 3' group?");
    EXPECT_EQ(sqlite(path, "SELECT group_concat(Groups, ',') FROM (SELECT Groups FROM dbtable ORDER BY pk);"), "0,4,8,2");
    EXPECT_EQ(sqlite(path, "SELECT dbvalue FROM dbattributes WHERE dbkey='groupsToView';"), "12");
    EXPECT_EQ(rows(editor), QStringList({"Obrien", "Quinn"}));

    // Add to Groups... acts on every listed record.
    QAction *add = databaseItem(window, "Add to Groups...");
    ASSERT_TRUE(add);
    EXPECT_TRUE(add->isEnabled());
    add->trigger();
    CategoriesPanel *sheet = editor->categoriesPanel();
    ASSERT_TRUE(sheet && sheet->isVisible());
    auto *model = qobject_cast<GroupTitlesModel *>(sheet->table()->model());
    ASSERT_EQ(model->rowCount(), 4);
    model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    QTest::mouseClick(sheet->okButton(), Qt::LeftButton);
    EXPECT_EQ(sqlite(path, "SELECT group_concat(Groups, ',') FROM (SELECT Groups FROM dbtable ORDER BY pk);"), "0,5,9,2");

    // Back in label design the Database menu's commands rest.
    modes->switchTabs(DatabaseModeSwitch::LabelDesign);
    EXPECT_FALSE(add->isEnabled());
}
