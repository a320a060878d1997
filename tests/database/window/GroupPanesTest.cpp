// The group panes and the group membership sheet on the real database window: deleting a group
// renumbers every record's memberships (listed or not) and the shown groups, groups are renamed
// and deleted by their key, new titles never repeat, and at most 32 groups; the view filter and
// the sheet acting on every listed record.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "database/EditorFixture.h"
#include "database/window/CategoriesPanel.h"
#include "database/window/EditGroupsView.h"
#include "database/window/GroupTitlesModel.h"
#include "database/window/PropertyViewButtonCell.h"
#include "database/window/RecordBrowserModel.h"
#include "database/window/ViewGroupsView.h"

using namespace quillmark;
using dbtest::cli;

namespace {

class GroupPanes : public dbtest::EditorFixture
{
protected:
    // "Test" with five groups and records named after their groups.
    void openFiveGroups(const QString &groupsToView = "-1")
    {
        testPath = Database::pathForTitle("Test");
        ASSERT_TRUE(Database::createDatabaseAtPath(testPath));
        {
            Database db(testPath);
            db.initFieldsStructure();
            const struct
            {
                const char *name;
                qint64 groups;
            } records[] = {{"g1g3", 0b00101}, {"g3", 0b00100}, {"g4", 0b01000},
                           {"g2g5", 0b10010}, {"g3g4g5", 0b11100}, {"none", 0}};
            for (const auto &r : records)
                dbtest::addRecord(db, {{"Last_Name", r.name}, {"Groups", r.groups}});
        }
        cli(testPath, "DELETE FROM dbgroups WHERE pk > 5;");
        cli(testPath, QString("UPDATE dbattributes SET dbvalue='%1' WHERE dbkey='groupsToView';").arg(groupsToView));
        launch();
    }

    EditGroupsView *edit() { return pane<EditGroupsView>(3); }
    ViewGroupsView *shown() { return pane<ViewGroupsView>(4); }
    QString groupsOf(const char *name)
    {
        return cli(testPath, QString("SELECT Groups FROM dbtable WHERE Last_Name='%1';").arg(name));
    }
    QString titles() { return cli(testPath, "SELECT group_concat(title, '|') FROM (SELECT title FROM dbgroups ORDER BY pk);"); }
    QString setting(const char *key) { return cli(testPath, QString("SELECT dbvalue FROM dbattributes WHERE dbkey='%1';").arg(key)); }
    QStringList rows()
    {
        QStringList values;
        for (const dbBrowseField &row : editor().browserModel()->rows())
            values << row.value;
        return values;
    }
    QStringList boxTitles()
    {
        QStringList texts;
        for (QCheckBox *box : editor().groupControls())
            texts << box->text();
        return texts;
    }
    void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    bool check(GroupTitlesModel *model, int row, bool on)
    {
        return model->setData(model->index(row, GroupTitlesModel::CheckColumn), on ? Qt::Checked : Qt::Unchecked,
                              Qt::CheckStateRole);
    }
};

} // namespace

TEST_F(GroupPanes, DeletingTheThirdOfFiveGroupsMovesFourAndFiveDownOverEveryRecord)
{
    // Groups 1 and 4 shown: the records of only 2, 3 or 5 and of none are hidden.
    openFiveGroups(QString::number(0b01001));
    EXPECT_EQ(rows(), QStringList({"g1g3", "g3g4g5", "g4"}));
    EXPECT_FALSE(edit()->deleteButton()->isEnabled());
    edit()->table()->selectRow(2);
    ASSERT_TRUE(edit()->deleteButton()->isEnabled());

    // Cancel changes nothing.
    prompts->queueAlert(qmtest::TestPrompts::SecondButton);
    click(edit()->deleteButton());
    EXPECT_EQ(prompts->last().title, "Do you really want to delete the 'Group 3' group?");
    EXPECT_EQ(titles(), "Group 1|Group 2|Group 3|Group 4|Group 5");
    EXPECT_EQ(groupsOf("g3g4g5"), "28");

    click(edit()->deleteButton());
    EXPECT_EQ(titles(), "Group 1|Group 2|Group 4|Group 5");
    EXPECT_EQ(groupsOf("g1g3"), "1");
    EXPECT_EQ(groupsOf("g3"), "0");
    EXPECT_EQ(groupsOf("g4"), "4");
    EXPECT_EQ(groupsOf("g2g5"), "10");
    EXPECT_EQ(groupsOf("g3g4g5"), "12");
    EXPECT_EQ(groupsOf("none"), "0");
    // The groups shown stay the same groups under their new numbers.
    EXPECT_EQ(setting("groupsToView"), QString::number(0b0101));
    EXPECT_EQ(rows(), QStringList({"g1g3", "g3g4g5", "g4"}));
    // The form's check boxes and the other panes follow.
    EXPECT_EQ(boxTitles(), QStringList({"Group 1", "Group 2", "Group 4", "Group 5"}));
    EXPECT_EQ(shown()->model()->rowCount(), 4);
    EXPECT_EQ(edit()->model()->rowCount(), 4);
    editor().selectRow(1); // g3g4g5: now groups 3 and 4
    QList<bool> ticks;
    for (QCheckBox *box : editor().groupControls())
        ticks << box->isChecked();
    EXPECT_EQ(ticks, QList<bool>({false, false, true, true}));
}

TEST_F(GroupPanes, AddingStopsAt32AndNeverRepeatsATitle)
{
    openFiveGroups();
    EXPECT_TRUE(edit()->addButton()->isEnabled());
    for (int n = 6; n <= 32; ++n)
        click(edit()->addButton());
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbgroups;"), "32");
    EXPECT_FALSE(edit()->addButton()->isEnabled());
    EXPECT_EQ(editor().groupControls().size(), 32);
    EXPECT_EQ(editor().groupControls().last()->text(), "Group 32");
    EXPECT_EQ(edit()->table()->currentIndex().row(), 31);
    edit()->addGroup();
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbgroups;"), "32");

    // With Group 5 gone, "Group 32" would repeat: the next free number is taken.
    edit()->table()->selectRow(4);
    click(edit()->deleteButton());
    EXPECT_TRUE(edit()->addButton()->isEnabled());
    click(edit()->addButton());
    EXPECT_EQ(cli(testPath, "SELECT title FROM dbgroups ORDER BY pk DESC LIMIT 1;"), "Group 33");
    EXPECT_EQ(cli(testPath, "SELECT count(DISTINCT title) FROM dbgroups;"), "32");
    EXPECT_FALSE(edit()->addButton()->isEnabled());
}

TEST_F(GroupPanes, GroupsAreRenamedByTheirKey)
{
    openFiveGroups();
    GroupTitlesModel *model = edit()->model();
    ASSERT_TRUE(model->setData(model->index(1, 0), "Friends", Qt::EditRole));
    EXPECT_EQ(cli(testPath, "SELECT title FROM dbgroups WHERE pk=2;"), "Friends");
    EXPECT_EQ(editor().groupControls().at(1)->text(), "Friends");
    EXPECT_EQ(shown()->model()->groups().at(1).title, "Friends");
    // The same title, a blank one, or another group's are no renames.
    EXPECT_FALSE(model->setData(model->index(1, 0), "Friends", Qt::EditRole));
    EXPECT_FALSE(model->setData(model->index(1, 0), "  ", Qt::EditRole));
    EXPECT_EQ(alerts(), 0);
    EXPECT_FALSE(model->setData(model->index(0, 0), "Friends", Qt::EditRole));
    QCoreApplication::processEvents();
    EXPECT_EQ(alerts(), 1);
    EXPECT_EQ(prompts->last().title, "A group named \u201cFriends\u201d already exists.");
    EXPECT_EQ(titles(), "Group 1|Friends|Group 3|Group 4|Group 5");

    // Another program deleted the group meanwhile: nothing is renamed, nothing claims it was.
    cli(testPath, "DELETE FROM dbgroups WHERE pk=3;");
    EXPECT_FALSE(model->setData(model->index(2, 0), "Ghosts", Qt::EditRole));
    EXPECT_EQ(model->groups().at(2).title, "Group 3");
    EXPECT_EQ(editor().groupControls().at(2)->text(), "Group 3");
    EXPECT_EQ(titles(), "Group 1|Friends|Group 4|Group 5");
    // Another program added a group before the first: the rows still name their own groups.
    cli(testPath, "INSERT INTO dbgroups (pk, title) VALUES (0, 'Zero');");
    ASSERT_TRUE(model->setData(model->index(3, 0), "Fourth", Qt::EditRole));
    EXPECT_EQ(cli(testPath, "SELECT title FROM dbgroups WHERE pk=4;"), "Fourth");
    EXPECT_EQ(cli(testPath, "SELECT title FROM dbgroups WHERE pk=0;"), "Zero");
}

TEST_F(GroupPanes, TheViewFilterListsTheCheckedGroups)
{
    openFiveGroups();
    ViewGroupsView *pane = shown();
    EXPECT_TRUE(pane->checkAllBox()->isChecked());
    EXPECT_EQ(rows().size(), 6);
    // Unchecking one group of "all" also hides the records of no group.
    ASSERT_TRUE(check(pane->model(), 0, false));
    EXPECT_EQ(setting("groupsToView"), "-2");
    EXPECT_EQ(rows(), QStringList({"g1g3", "g2g5", "g3", "g3g4g5", "g4"}));
    EXPECT_FALSE(pane->checkAllBox()->isChecked());
    EXPECT_TRUE(view->propertiesView()->buttonWithTag(4)->filter());
    QTest::mouseClick(pane->checkAllBox(), Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_EQ(setting("groupsToView"), "-1");
    EXPECT_EQ(rows().size(), 6);
    QTest::mouseClick(pane->checkAllBox(), Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_EQ(setting("groupsToView"), "0");
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_FALSE(pane->model()->data(pane->model()->index(0, 0), Qt::CheckStateRole).toInt() == Qt::Checked);
    ASSERT_TRUE(check(pane->model(), 3, true));
    EXPECT_EQ(setting("groupsToView"), "8");
    EXPECT_EQ(rows(), QStringList({"g3g4g5", "g4"}));
    QTest::mouseClick(pane->checkAllBox(), Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_EQ(setting("groupsToView"), "-1");
    EXPECT_EQ(rows().size(), 6);
    EXPECT_FALSE(view->propertiesView()->buttonWithTag(4)->filter());
}

TEST_F(GroupPanes, TheMembershipSheetActsOnEveryListedRecord)
{
    // Groups 3 and 4 listed: g1g3, g3, g3g4g5, g4.
    openFiveGroups(QString::number(0b01100));
    editor().selectRow(0);
    editor().groupOperation(CategoriesPanel::AddToGroups);
    CategoriesPanel *sheet = editor().categoriesPanel();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowTitle(), "Add to Groups");
    GroupTitlesModel *model = qobject_cast<GroupTitlesModel *>(sheet->table()->model());
    ASSERT_EQ(model->rowCount(), 5);
    ASSERT_TRUE(check(model, 1, true));
    ASSERT_TRUE(check(model, 4, true));
    ASSERT_TRUE(check(model, 4, false));
    EXPECT_EQ(sheet->groupsToChange(), 0b10);
    QTest::mouseClick(sheet->okButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(groupsOf("g1g3"), QString::number(0b00111));
    EXPECT_EQ(groupsOf("g3"), QString::number(0b00110));
    EXPECT_EQ(groupsOf("g4"), QString::number(0b01010));
    EXPECT_EQ(groupsOf("g3g4g5"), QString::number(0b11110));
    // Not listed, not changed.
    EXPECT_EQ(groupsOf("g2g5"), QString::number(0b10010));
    EXPECT_EQ(groupsOf("none"), "0");
    // The record in the form shows its new groups.
    EXPECT_TRUE(editor().groupControls().at(1)->isChecked());

    // Cancel changes nothing; the next session starts with nothing chosen.
    editor().groupOperation(CategoriesPanel::RemoveFromGroups);
    EXPECT_EQ(sheet->groupsToChange(), 0);
    EXPECT_EQ(sheet->windowTitle(), "Remove from Groups");
    ASSERT_TRUE(check(model, 1, true));
    QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(groupsOf("g3"), QString::number(0b00110));

    // Removing group 3 from the listed records leaves g4 alone in the list of groups 3 and 4
    // minus those whose only listed group was 3.
    editor().groupOperation(CategoriesPanel::RemoveFromGroups);
    ASSERT_TRUE(check(model, 2, true));
    QTest::mouseClick(sheet->okButton(), Qt::LeftButton);
    EXPECT_EQ(groupsOf("g1g3"), QString::number(0b00011));
    EXPECT_EQ(groupsOf("g3"), QString::number(0b00010));
    EXPECT_EQ(rows(), QStringList({"g3g4g5", "g4"}));

    // Toggle twice restores.
    editor().groupOperation(CategoriesPanel::ToggleGroups);
    ASSERT_TRUE(check(model, 0, true));
    QTest::mouseClick(sheet->okButton(), Qt::LeftButton);
    EXPECT_EQ(groupsOf("g4"), QString::number(0b01011));
    editor().groupOperation(CategoriesPanel::ToggleGroups);
    ASSERT_TRUE(check(model, 0, true));
    QTest::mouseClick(sheet->okButton(), Qt::LeftButton);
    EXPECT_EQ(groupsOf("g4"), QString::number(0b01010));
    EXPECT_EQ(alerts(), 0);
}
