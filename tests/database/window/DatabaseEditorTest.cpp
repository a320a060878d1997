// The database editor: the record form built from the fields, the record browser, the record
// commands with undo, the status texts and enabling, and the database commands.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "database/DatabaseTestSupport.h"
#include "common/TestPrompts.h"
#include "database/window/CImageView.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseView.h"
#include "database/window/DatabasesListModel.h"
#include "database/store/MergeContents.h"
#include "database/window/RecordBrowserModel.h"
#include "platform/NotificationCenter.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

// Makes "<Databases>/<title>.sqlite" with `records` records named Name01, Name02, ...
QString makeDatabase(const QString &title, int records)
{
    const QString path = Database::pathForTitle(title);
    QString error;
    if (!Database::createDatabaseAtPath(path, &error))
        qFatal("cannot create %s: %s", qPrintable(path), qPrintable(error));
    {
        Database db(path);
        db.initFieldsStructure();
        for (int i = 1; i <= records; ++i)
            dbtest::addRecord(db, {{"Last_Name", QString("Name%1").arg(i, 2, 10, QChar('0'))},
                                   {"First_Name", QString("First%1").arg(i)}});
    }
    return path;
}

QString cli(const QString &path, const QString &sql)
{
    return dbtest::sqliteCli(path, sql).trimmed();
}

class DatabaseEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(Database::databasesFolder()).removeRecursively();
        QDir().mkpath(Database::databasesFolder());
        UserDefaults::standard().removeObject("databasePath");
        UserDefaults::standard().removeObject("dbProperties");
        dbtest::nextUserAction();
    }

    void TearDown() override
    {
        view.reset();
        QDir(Database::databasesFolder()).removeRecursively();
    }

    // The editor on "Test" with ten records, its first row selected.
    void openTen()
    {
        testPath = makeDatabase("Test", 10);
        launch();
    }

    void launch()
    {
        view = std::make_unique<DatabaseView>();
        view->resize(1400, 800);
        view->appDidFinishLaunching();
    }

    DatabaseFieldsView &editor() { return *view->databaseFieldsView(); }
    QString text(const char *name) { return view->findChild<QLabel *>(name)->text(); }
    QAbstractButton *button(const char *name) { return view->findChild<QAbstractButton *>(name); }
    QLineEdit *edit(int pk) { return qobject_cast<QLineEdit *>(editor().valueControlForPk(pk)); }

    qmtest::ScopedTestPrompts prompts;
    std::unique_ptr<DatabaseView> view;
    QString testPath;
};

} // namespace

TEST_F(DatabaseEditor, FormRowsFollowTheFieldTable)
{
    openTen();
    // Every field but "Groups" (flags 0) gets a value control.
    const QList<QWidget *> controls = editor().valueControls();
    ASSERT_EQ(controls.size(), 23);
    EXPECT_EQ(controls.at(0)->objectName(), "Date");
    EXPECT_TRUE(qobject_cast<QDateTimeEdit *>(controls.at(0)));
    EXPECT_EQ(controls.at(0)->geometry(), QRect(150, 10, 400, 22));
    // The photo well is 100 high and pushes the following rows down by 78 besides the usual 30.
    EXPECT_TRUE(qobject_cast<CImageView *>(controls.at(1)));
    EXPECT_EQ(controls.at(1)->geometry(), QRect(150, 40, 100, 100));
    EXPECT_EQ(controls.at(2)->objectName(), "Salutation");
    EXPECT_EQ(controls.at(2)->geometry(), QRect(150, 148, 400, 22));
    EXPECT_EQ(controls.at(3)->objectName(), "First_Name");
    EXPECT_EQ(controls.at(3)->geometry().top(), 178);
    EXPECT_EQ(controls.at(3)->property("tag").toInt(), 4);
    EXPECT_EQ(controls.at(3)->toolTip(), "First Name");

    ASSERT_EQ(editor().fieldLabels().size(), 23);
    QLabel *label = editor().fieldLabels().at(3);
    EXPECT_EQ(label->text(), "First Name:");
    EXPECT_EQ(label->geometry(), QRect(10, 178, 140, 21));
    EXPECT_EQ(label->property("tag").toInt(), 1004);
    EXPECT_TRUE(label->objectName().isEmpty());

    ASSERT_EQ(editor().groupControls().size(), 8);
    EXPECT_EQ(editor().groupControls().at(1)->geometry(), QRect(570, 40, 150, 22));
    EXPECT_EQ(editor().groupControls().at(1)->text(), "Group 2");
}

TEST_F(DatabaseEditor, HiddenAndUnshownFieldsAreLeftOut)
{
    testPath = makeDatabase("Test", 2);
    // "Company" is entry 6 of the fields with flags above 0; a new field nobody translates.
    cli(testPath, "UPDATE dbattributes SET dbvalue='" + QString::number(qint32(~(1 << 6))) +
                      "' WHERE dbkey='fieldsToView';"
                      "INSERT INTO fields (title, type, flags) VALUES ('Zorblax Code', 3, 255);"
                      "ALTER TABLE dbtable ADD 'Zorblax_Code' TEXT;"
                      "UPDATE dbattributes SET dbvalue='24:5:1:6:0:99' WHERE dbkey='fieldsOrderArray';");
    launch();
    QStringList names;
    for (QWidget *control : editor().valueControls())
        names << control->objectName();
    // Order from "fieldsOrderArray"; index 99 is outside the table; Company is hidden.
    EXPECT_EQ(names, QStringList({"Zorblax_Code", "Last_Name", "Photo", "Date"}));
    EXPECT_EQ(editor().fieldLabels().first()->text(), "Zorblax Code:");
    EXPECT_EQ(editor().valueControlForPk(2)->geometry().top(), 70);
    EXPECT_EQ(editor().valueControlForPk(1)->geometry().top(), 10 + 30 * 3 + 78);
}

TEST_F(DatabaseEditor, SelectingAnotherRowWritesTheEditedRecordBack)
{
    openTen();
    ASSERT_EQ(editor().selectedRecordIndex(), 0);
    EXPECT_EQ(edit(6)->text(), "Name01");
    int changes = 0;
    NotificationCenter::defaultCenter().addObserver(this, MergeContents::RecordChangedNotification,
                                                    [&](const Notification &) { ++changes; });
    edit(4)->clear();
    QTest::keyClicks(edit(4), "Zed");
    EXPECT_TRUE(editor().dirty());
    editor().selectRow(3);
    NotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_FALSE(editor().dirty());
    EXPECT_GE(changes, 2);
    EXPECT_EQ(cli(testPath, "SELECT First_Name FROM dbtable WHERE Last_Name='Name01';"), "Zed");
    EXPECT_EQ(edit(6)->text(), "Name04");
    EXPECT_EQ(edit(4)->text(), "First4");
}

TEST_F(DatabaseEditor, StatusTextsAndNavigationBounds)
{
    openTen();
    editor().selectRow(2);
    EXPECT_EQ(text("recordLabel"), "Record 3 of 10");
    EXPECT_EQ(text("recordIndex"), "3");
    EXPECT_EQ(text("filteredCount"), "10");
    EXPECT_EQ(text("totalCount"), "10");

    editor().navigate(DatabaseFieldsView::NavigateFirst);
    EXPECT_EQ(editor().selectedRecordIndex(), 0);
    EXPECT_FALSE(button("navigatePrevious")->isEnabled());
    EXPECT_FALSE(button("navigateFirst")->isEnabled());
    EXPECT_TRUE(button("navigateNext")->isEnabled());
    editor().navigate(DatabaseFieldsView::NavigatePrevious);
    EXPECT_EQ(editor().selectedRecordIndex(), 0);
    editor().navigate(DatabaseFieldsView::NavigateNext);
    EXPECT_EQ(editor().selectedRecordIndex(), 1);
    EXPECT_EQ(edit(6)->text(), "Name02");
    editor().navigate(DatabaseFieldsView::NavigateLast);
    EXPECT_EQ(editor().selectedRecordIndex(), 9);
    EXPECT_FALSE(button("navigateNext")->isEnabled());
    EXPECT_FALSE(button("navigateLast")->isEnabled());
    editor().navigate(DatabaseFieldsView::NavigateNext);
    EXPECT_EQ(editor().selectedRecordIndex(), 9);
    EXPECT_EQ(text("recordLabel"), "Record 10 of 10");
}

TEST_F(DatabaseEditor, TwoSelectedRowsEmptyAndDisableTheForm)
{
    openTen();
    editor().selectRows({1, 2});
    EXPECT_EQ(edit(6)->text(), "");
    EXPECT_FALSE(edit(6)->isEnabled());
    EXPECT_FALSE(editor().groupControls().first()->isEnabled());
    EXPECT_EQ(text("recordIndex"), "");
    EXPECT_TRUE(button("deleteRecord")->isEnabled());
    EXPECT_FALSE(button("duplicateRecord")->isEnabled());
    // Nothing of the emptied form reaches any record.
    editor().selectRow(5);
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable WHERE Last_Name='';"), "0");
}

TEST_F(DatabaseEditor, DeletingRowsFourAndFiveLeavesRowThreeSelected)
{
    openTen();
    editor().selectRows({4, 5});
    prompts->queueAlert(Prompts::SecondButton);
    EXPECT_FALSE(editor().deleteRecord());
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "10");

    EXPECT_TRUE(editor().deleteRecord());
    EXPECT_EQ(prompts->last().title, "Do you really want to delete selected record(s)?");
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "8");
    EXPECT_EQ(editor().selectedRows(), QList<int>{3});
    EXPECT_EQ(edit(6)->text(), "Name04");
    EXPECT_EQ(text("recordLabel"), "Record 4 of 8");

    // One undo step brings both back.
    editor().undoManager()->closeEventGroup();
    EXPECT_EQ(editor().undoManager()->undoActionName(), "Delete Record");
    editor().undoManager()->undo();
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "10");
}

TEST_F(DatabaseEditor, DeletingTheLastRowSelectsTheNewLastRow)
{
    openTen();
    editor().selectRow(9);
    EXPECT_TRUE(editor().deleteRecord());
    EXPECT_EQ(editor().selectedRows(), QList<int>{8});
}

TEST_F(DatabaseEditor, UndoOfAddRecordDeletesItAndRedoInsertsACopy)
{
    openTen();
    editor().addRecord();
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "11");
    const qint64 added = editor().database()->selectedPk();
    EXPECT_EQ(editor().selectedRows().size(), 1);
    UndoManager *undo = editor().undoManager();
    undo->closeEventGroup();
    EXPECT_EQ(undo->undoActionName(), "Add Record");
    undo->undo();
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "10");
    EXPECT_EQ(cli(testPath, QString("SELECT count(*) FROM dbtable WHERE pk=%1;").arg(added)), "0");
    undo->closeEventGroup();
    ASSERT_TRUE(undo->canRedo());
    undo->redo();
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "11");
}

TEST_F(DatabaseEditor, ClearKeepsTheRecordSoTypedValuesAreStored)
{
    openTen();
    editor().selectRow(2);
    const qint64 pk = editor().database()->selectedPk();
    editor().clearAllFields();
    EXPECT_EQ(edit(6)->text(), "");
    QTest::keyClicks(edit(6), "Typed");
    editor().updateRecord();
    EXPECT_EQ(cli(testPath, QString("SELECT Last_Name FROM dbtable WHERE pk=%1;").arg(pk)), "Typed");
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "10");
}

TEST_F(DatabaseEditor, SaveAsCopyNumbersATakenName)
{
    openTen();
    const QString folder = qmtest::freshDir("saveas");
    for (const char *name : {"Test.qkdt", "Test1.qkdt"}) {
        QFile file(folder + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString written = editor().saveDatabaseCopyTo(folder + "/Test.qkdt");
    EXPECT_EQ(written, folder + "/Test2.qkdt");
    EXPECT_EQ(cli(written, "SELECT count(*) FROM dbtable;"), "10");
    EXPECT_EQ(editor().saveDatabaseCopyTo(folder + "/Fresh"), folder + "/Fresh.qkdt");
    EXPECT_EQ(editor().database()->path(), testPath);

    // A copy that cannot be written is reported.
    prompts->clear();
    EXPECT_TRUE(editor().saveDatabaseCopyTo(folder + "/missing/Copy.qkdt").isNull());
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
}

TEST_F(DatabaseEditor, DeletingTheDatabaseInRowThreeOpensRowTwo)
{
    for (const char *title : {"A", "B", "C", "D", "E"})
        makeDatabase(title, 1);
    UserDefaults::standard().setString(Database::pathForTitle("D"), "databasePath");
    launch();
    EXPECT_EQ(editor().selectedDatabase(), 3);
    EXPECT_TRUE(button("deleteDatabase")->isEnabled());
    EXPECT_TRUE(editor().deleteDatabase());
    EXPECT_EQ(prompts->last().title, "Do you really want to delete the D database?");
    EXPECT_FALSE(QFile::exists(Database::pathForTitle("D")));
    ASSERT_TRUE(editor().database());
    EXPECT_EQ(editor().database()->path(), Database::pathForTitle("C"));
    EXPECT_EQ(editor().selectedDatabase(), 2);
    EXPECT_EQ(Database::currentDatabase(), editor().database());
    EXPECT_TRUE(UserDefaults::standard().stringForKey("databasePath") == Database::pathForTitle("C"));

    // Row 0 opens the new row 0.
    editor().setDatabasePath(Database::pathForTitle("A"));
    EXPECT_TRUE(editor().deleteDatabase());
    EXPECT_EQ(editor().database()->path(), Database::pathForTitle("B"));
}

TEST_F(DatabaseEditor, DeleteIsDisabledWithASingleDatabase)
{
    openTen();
    EXPECT_EQ(editor().databasesListModel()->rowCount(), 1);
    EXPECT_FALSE(button("deleteDatabase")->isEnabled());
    EXPECT_FALSE(editor().validateMenuItem(DatabaseFieldsView::DeleteDatabase));
    makeDatabase("Other", 0);
    editor().reloadDatabases();
    EXPECT_TRUE(button("deleteDatabase")->isEnabled());
    EXPECT_TRUE(editor().validateMenuItem(DatabaseFieldsView::DeleteDatabase));
}

TEST_F(DatabaseEditor, UnusableDatabaseNamesAreRefused)
{
    openTen();
    for (const QString name : {"", "  ", "a/b", ".hidden", "../up"}) {
        dbtest::nextUserAction();
        prompts->clear();
        EXPECT_FALSE(editor().addDatabaseNamed(name)) << qPrintable(name);
        EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
        EXPECT_FALSE(editor().renameDatabase(name));
    }
    EXPECT_EQ(editor().databasesListModel()->rowCount(), 1);
    EXPECT_EQ(editor().database()->path(), testPath);
}

TEST_F(DatabaseEditor, ANewDatabaseUnderTheOpenOnesNameReplacesIt)
{
    openTen();
    prompts->queueAlert(Prompts::FirstButton);
    EXPECT_TRUE(editor().addDatabaseNamed("Test"));
    EXPECT_EQ(prompts->calls().first().title, "Database Test.sqlite already exists.");
    ASSERT_TRUE(editor().database());
    EXPECT_EQ(editor().database()->path(), testPath);
    // A fresh database holds its one new record.
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "1");
    EXPECT_EQ(text("recordLabel"), "Record 1 of 1");
}

TEST_F(DatabaseEditor, ANewDatabaseOpensWithOneRecord)
{
    openTen();
    EXPECT_TRUE(editor().addDatabaseNamed("Fresh"));
    const QString path = Database::pathForTitle("Fresh");
    EXPECT_EQ(editor().database()->path(), path);
    EXPECT_EQ(cli(path, "SELECT count(*) FROM dbtable;"), "1");
    EXPECT_FALSE(cli(path, "SELECT Date FROM dbtable;").isEmpty());
    EXPECT_EQ(editor().selectedDatabase(), 0);
}

TEST_F(DatabaseEditor, RenamingTheOpenDatabaseFollowsInTheDefaults)
{
    openTen();
    EXPECT_TRUE(editor().renameDatabase("Renamed"));
    const QString path = Database::pathForTitle("Renamed");
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(testPath));
    EXPECT_EQ(editor().database()->path(), path);
    EXPECT_EQ(UserDefaults::standard().stringForKey("databasePath"), path);
    EXPECT_EQ(editor().selectedDatabase(), 0);
}

TEST_F(DatabaseEditor, AMissingStoredDatabaseFallsBackToTheFirstListed)
{
    makeDatabase("First", 1);
    makeDatabase("Second", 1);
    UserDefaults::standard().setString(Database::databasesFolder() + "Gone.sqlite", "databasePath");
    launch();
    ASSERT_TRUE(editor().database());
    EXPECT_EQ(editor().database()->path(), Database::pathForTitle("First"));
}

TEST_F(DatabaseEditor, OpenCopiesTheChosenFileIntoTheDatabasesFolder)
{
    openTen();
    const QString folder = qmtest::freshDir("open");
    ASSERT_TRUE(QFile::copy(testPath, folder + "/Imported.qkdt"));
    prompts->queuePath(folder + "/Imported.qkdt");
    editor().openDatabase();
    EXPECT_EQ(prompts->last().extensions, QStringList{"qkdt"});
    const QString copy = Database::pathForTitle("Imported");
    ASSERT_TRUE(QFile::exists(copy));
    EXPECT_EQ(editor().database()->path(), copy);
    EXPECT_EQ(editor().browserModel()->rowCount(), 10);

    // A file that is no database is refused and leaves nothing behind.
    QFile junk(folder + "/Junk.qkdt");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a database");
    junk.close();
    dbtest::nextUserAction();
    prompts->clear();
    EXPECT_FALSE(editor().openDatabaseFile(junk.fileName()));
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_FALSE(QFile::exists(Database::pathForTitle("Junk")));
    EXPECT_EQ(editor().database()->path(), copy);
}

TEST_F(DatabaseEditor, QuitWritesTheEditedRecordBack)
{
    openTen();
    QTest::keyClicks(edit(7), "Brenholt");
    view->appWillTerminate();
    EXPECT_EQ(cli(testPath, "SELECT Company FROM dbtable WHERE Last_Name='Name01';"), "Brenholt");
}

TEST_F(DatabaseEditor, ArrowKeysInAFieldMoveThroughTheRecordsWithinTheList)
{
    openTen();
    // Up on the first row is the field's own.
    QTest::keyClick(edit(6), Qt::Key_Up);
    EXPECT_EQ(editor().selectedRecordIndex(), 0);
    editor().selectRow(3);
    QTest::keyClicks(edit(8), "Pilot");
    QTest::keyClick(edit(8), Qt::Key_Down);
    EXPECT_EQ(editor().selectedRecordIndex(), 4);
    EXPECT_EQ(text("recordLabel"), "Record 5 of 10");
    EXPECT_EQ(cli(testPath, "SELECT Title FROM dbtable WHERE Last_Name='Name04';"), "Pilot");
    QTest::keyClick(edit(6), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(editor().selectedRecordIndex(), 9);
    QTest::keyClick(edit(6), Qt::Key_Down);
    EXPECT_EQ(editor().selectedRecordIndex(), 9);
}

TEST_F(DatabaseEditor, EditingTheSortFieldKeepsTheRecordSelected)
{
    openTen();
    editor().selectRow(1);
    const qint64 pk = editor().database()->selectedPk();
    edit(6)->selectAll();
    QTest::keyClicks(edit(6), "Zulu");
    emit edit(6)->editingFinished();
    EXPECT_EQ(editor().selectedRecordIndex(), 9);
    EXPECT_EQ(editor().database()->selectedPk(), pk);
    EXPECT_EQ(edit(6)->text(), "Zulu");
}

TEST_F(DatabaseEditor, UndoOfAnotherDatabasesStepLeavesTheOpenOneAlone)
{
    openTen();
    const QString other = makeDatabase("Other", 3);
    editor().addRecord();
    editor().undoManager()->closeEventGroup();
    ASSERT_TRUE(editor().setDatabasePath(other));
    ASSERT_TRUE(editor().undoManager()->canUndo());
    editor().undoManager()->undo();
    EXPECT_EQ(cli(other, "SELECT count(*) FROM dbtable;"), "3");
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "11");
}

TEST_F(DatabaseEditor, OpeningAndSelectingByKey)
{
    openTen();
    EXPECT_FALSE(editor().setDatabasePath(testPath));
    EXPECT_FALSE(editor().setDatabasePath(Database::databasesFolder() + "Missing.sqlite"));
    EXPECT_EQ(editor().database()->path(), testPath);
    EXPECT_EQ(UserDefaults::standard().stringForKey("databasePath"), testPath);

    const qint64 pk = editor().browserModel()->pkAtRow(5);
    int changes = 0;
    NotificationCenter::defaultCenter().addObserver(this, MergeContents::RecordChangedNotification,
                                                    [&](const Notification &) { ++changes; });
    editor().selectRecordWithPk(pk);
    NotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(editor().selectedRecordIndex(), 5);
    EXPECT_EQ(edit(6)->text(), "Name06");
    EXPECT_EQ(text("recordLabel"), "Record 6 of 10");
    EXPECT_TRUE(edit(6)->isEnabled());
}
