// The database window while another program holds the file, and with files it cannot use:
// one wait and one message per user action, no record or setting ever written from stale
// values, and what was typed kept until it is written.
#include <gtest/gtest.h>

#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "database/EditorFixture.h"
#include "database/store/DatabaseConnection.h"
#include "database/store/DatabaseError.h"
#include "database/window/DatabasesListModel.h"
#include "database/window/RecordBrowserModel.h"

using namespace quillmark;
using dbtest::cli;
using dbtest::ExclusiveLock;
using dbtest::nextUserAction;

namespace {

class DatabaseLocks : public dbtest::EditorFixture
{
protected:
    // Clicks a row of the record browser as the user does.
    void clickRow(int row)
    {
        QTableView *browser = view->browser();
        const QRect cell = browser->visualRect(browser->model()->index(row, 0));
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, cell.center());
    }
};

} // namespace

TEST_F(DatabaseLocks, ARecordThatCannotBeReadTakesNoEditAndNoRecordChanges)
{
    openTen();
    view->show();
    ASSERT_EQ(edit(6)->text(), "Name01");
    const QString before = allRecords();
    {
        ExclusiveLock lock(testPath);
        nextUserAction();
        clickRow(3);
        // The form does not go on showing Name01 under the row of Name04.
        EXPECT_EQ(alerts(), 1);
        EXPECT_EQ(editor().formRecordPk(), -1);
        EXPECT_EQ(edit(6)->text(), "");
        EXPECT_FALSE(edit(7)->isEnabled());
        EXPECT_FALSE(editor().validateMenuItem(DatabaseFieldsView::UpdateRecord));
        nextUserAction();
        QTest::keyClicks(edit(7), "Typed over");
        editor().updateRecord();
    }
    nextUserAction();
    clickRow(5);
    editor().updateRecord();
    EXPECT_EQ(allRecords(), before);
    EXPECT_EQ(edit(6)->text(), "Name06");

    // A row whose record could not be read is read again when it is clicked again.
    {
        ExclusiveLock lock(testPath);
        nextUserAction();
        clickRow(2);
        EXPECT_EQ(editor().formRecordPk(), -1);
    }
    nextUserAction();
    clickRow(2);
    EXPECT_EQ(editor().formRecordPk(), editor().browserModel()->pkAtRow(2));
    EXPECT_EQ(edit(6)->text(), "Name03");
    EXPECT_TRUE(edit(6)->isEnabled());
}

TEST_F(DatabaseLocks, ReloadingTheListWaitsOnceSaysItOnceAndKeepsTheRows)
{
    openTen();
    ExclusiveLock lock(testPath);
    nextUserAction();
    const int waits = DatabaseUserAction::waitsStarted();
    editor().reloadBrowser();
    editor().setSortField(4);
    EXPECT_EQ(DatabaseUserAction::waitsStarted() - waits, 1);
    EXPECT_EQ(alerts(), 1);
    EXPECT_EQ(prompts->last().title, "Another program is using the database. Try again in a moment.");
    EXPECT_EQ(editor().browserModel()->rowCount(), 10);
    EXPECT_EQ(edit(6)->text(), "Name01");

    // The next action may wait and speak again.
    nextUserAction();
    editor().reloadBrowser();
    EXPECT_EQ(DatabaseUserAction::waitsStarted() - waits, 2);
    EXPECT_EQ(alerts(), 2);
}

TEST_F(DatabaseLocks, TypedTextSurvivesAFailedWriteAndIsWrittenOnTheNextTry)
{
    openTen();
    const qint64 first = editor().formRecordPk();
    QList<int> rowsWhenAlerted;
    prompts->onAlert = [&] { rowsWhenAlerted = editor().selectedRows(); };
    QTest::keyClicks(edit(7), "Kept");
    {
        ExclusiveLock lock(testPath);
        nextUserAction();
        editor().selectRow(4);
        EXPECT_EQ(alerts(), 1);
        EXPECT_EQ(prompts->last().title,
                  "Another program is using the database. What you typed is kept and saved when you try again.");
        // The selection stays on the edited record, with what was typed, and the message
        // is shown with the browser on it already.
        EXPECT_EQ(rowsWhenAlerted, QList<int>{0});
        EXPECT_EQ(editor().selectedRecordIndex(), 0);
        EXPECT_EQ(editor().formRecordPk(), first);
        EXPECT_EQ(edit(7)->text(), "Kept");
        EXPECT_TRUE(editor().dirty());
        // Leaving for label design or switching databases does not drop it either.
        EXPECT_FALSE(editor().updateRecord());
        EXPECT_FALSE(editor().setDatabasePath(dbtest::makeNamedDatabase("Other", 1)));
        EXPECT_EQ(editor().database()->path(), testPath);
        EXPECT_EQ(edit(7)->text(), "Kept");
    }
    nextUserAction();
    editor().selectRow(4);
    EXPECT_EQ(cli(testPath, "SELECT Company FROM dbtable WHERE Last_Name='Name01';"), "Kept");
    EXPECT_EQ(edit(6)->text(), "Name05");
    EXPECT_FALSE(editor().dirty());
}

TEST_F(DatabaseLocks, AddingUnderALockAddsNothingAndKeepsTheForm)
{
    openTen();
    editor().selectRow(2);
    {
        ExclusiveLock lock(testPath);
        nextUserAction();
        editor().addRecord();
        EXPECT_EQ(alerts(), 1);
        EXPECT_EQ(edit(6)->text(), "Name03");
        EXPECT_EQ(editor().formRecordPk(), editor().browserModel()->pkAtRow(2));
        EXPECT_FALSE(editor().dirty());
    }
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "10");
}

TEST_F(DatabaseLocks, SettingsUnderALockAreNeverReplacedByDefaults)
{
    auto db = dbtest::freshDatabase();
    ASSERT_TRUE(db);
    db->setBrowseField(4);
    db->setSortField(10, 1);
    const QString path = db->path();
    const QString before = cli(path, "SELECT pk, dbkey, dbvalue FROM dbattributes ORDER BY pk;");
    {
        ExclusiveLock lock(path);
        nextUserAction();
        // A setting that cannot be read is no setting of the default value.
        EXPECT_THROW(db->attributeForKey("browseField"), DatabaseError);
        EXPECT_THROW(db->browserArray(), DatabaseError);
        try {
            db->sortField(1, false);
            ADD_FAILURE() << "read under a lock";
        } catch (const DatabaseError &e) {
            EXPECT_TRUE(e.isBusy()) << e.message().toStdString();
        }
        QString error;
        EXPECT_FALSE(Database::openDatabaseAtPath(path, &error));
        Database::setCurrentDatabase(db.get());
    }
    EXPECT_EQ(cli(path, "SELECT pk, dbkey, dbvalue FROM dbattributes ORDER BY pk;"), before);
    EXPECT_EQ(db->browseField(false), "First Name");
    EXPECT_EQ(db->sortField(1, false), "City");
}

TEST_F(DatabaseLocks, ADatabaseWithoutSettingsListsItsRecordsWithEveryDefault)
{
    testPath = dbtest::makeNamedDatabase("Old", 3);
    cli(testPath, "UPDATE dbtable SET Last_Name='Zed' WHERE Last_Name='Name01'; DROP TABLE dbattributes;");
    launch();
    ASSERT_TRUE(editor().database());
    ASSERT_EQ(editor().browserModel()->rowCount(), 3);
    // Listed by the default browse and sort field, Last Name.
    EXPECT_EQ(editor().browserModel()->rows().first().value, "Name02");
    EXPECT_EQ(editor().browserModel()->rows().last().value, "Zed");
    EXPECT_EQ(alerts(), 0);
    EXPECT_EQ(cli(testPath, "SELECT count(*), count(DISTINCT dbkey) FROM dbattributes;"), "10|10");
    EXPECT_EQ(cli(testPath, "SELECT dbvalue FROM dbattributes WHERE dbkey='sortField1';"), "Last Name");
}

TEST_F(DatabaseLocks, ADamagedFileIsSaidAndTheListStaysOnTheOpenDatabase)
{
    QFile bad(Database::pathForTitle("Broken"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(4096, 'x'));
    bad.close();
    testPath = dbtest::makeNamedDatabase("Good", 2);
    launch();
    // The damaged file listed first is said, and the next one opens.
    ASSERT_TRUE(editor().database());
    EXPECT_EQ(editor().database()->path(), testPath);
    EXPECT_EQ(alerts(), 1);
    EXPECT_EQ(prompts->last().title, "The database \u201cBroken\u201d cannot be opened.");
    EXPECT_TRUE(prompts->last().message.contains("file is not a database")) << prompts->last().message.toStdString();

    nextUserAction();
    QTableView *list = view->databasesList();
    list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(alerts(), 2);
    EXPECT_EQ(editor().database()->path(), testPath);
    EXPECT_EQ(editor().selectedDatabase(), 1);

    // Delete names the open database and removes that file, not the damaged one.
    nextUserAction();
    EXPECT_TRUE(editor().deleteDatabase());
    EXPECT_EQ(prompts->calls().at(2).title, "Do you really want to delete the Good database?");
    EXPECT_FALSE(QFile::exists(testPath));
    EXPECT_TRUE(QFile::exists(Database::pathForTitle("Broken")));
}

TEST_F(DatabaseLocks, AReadOnlyDatabaseIsSaidOnceAndOffersNoEdits)
{
    testPath = dbtest::makeNamedDatabase("Locked", 3);
    DatabaseConnection::setOpenReadOnlyForTesting(true);
    launch();
    ASSERT_TRUE(editor().database());
    EXPECT_TRUE(editor().isReadOnly());
    EXPECT_EQ(alerts(), 1);
    EXPECT_EQ(prompts->last().title, "The database \u201cLocked\u201d is read-only. Changes to it cannot be saved.");
    EXPECT_TRUE(edit(6)->isReadOnly());
    EXPECT_EQ(edit(6)->text(), "Name01");
    EXPECT_FALSE(button("addRecord")->isEnabled());
    EXPECT_FALSE(button("deleteRecord")->isEnabled());
    EXPECT_FALSE(editor().validateMenuItem(DatabaseFieldsView::ClearAllFields));
    for (int row : {1, 2, 0}) {
        nextUserAction();
        editor().selectRow(row);
        editor().addRecord();
        editor().reloadBrowser();
    }
    EXPECT_EQ(alerts(), 1);
    EXPECT_EQ(edit(6)->text(), "Name01");
    DatabaseConnection::setOpenReadOnlyForTesting(false);
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "3");
}
