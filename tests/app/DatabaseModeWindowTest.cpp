// The whole window in database mode: the label commands rest, the keys act on records, and the
// design's dock windows step aside.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "common/FifoRelease.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/store/DatabaseUserAction.h"
#include "database/window/DatabaseView.h"
#include "database/window/RecordBrowserModel.h"
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

TEST_F(DatabaseModeWindow, ADesignOpensWithItsDatabaseAndRecordOrSaysTheDatabaseIsGone)
{
    registerAllKinds();
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    RectsView *canvas = window.canvas();
    DatabaseFieldsView *editor = window.modeSwitch()->databaseView()->databaseFieldsView();
    QAction *file = menuNamed(window, "File");
    ASSERT_TRUE(file);
    const auto fileItem = [&](const QString &title) {
        emit file->menu()->aboutToShow();
        QAction *item = itemNamed(file, title);
        ASSERT_TRUE(item && item->isEnabled()) << title.toStdString();
        item->trigger();
    };
    const auto placeBox = [&] {
        auto box = ColorRect::create(QRectF(10, 10, 40, 20));
        box->setPageName(canvas->getCurrPageName());
        canvas->addGraphic(box);
        canvas->wasChanged(true);
    };
    const QString dir = qmtest::freshDir(QStringLiteral("design-database"));
    const QString club = Database::pathForTitle("Club");
    const QString team = Database::pathForTitle("Team");
    ASSERT_TRUE(Database::createDatabaseAtPath(team));
    {
        Database db(team);
        db.initFieldsStructure();
    }

    // A design made with the Team database, and one with the Club database on its second record.
    ASSERT_TRUE(editor->setDatabasePath(team));
    placeBox();
    prompts->queuePath(dir + "/team.qkdoc");
    fileItem("Save");
    ASSERT_TRUE(QFile::exists(dir + "/team.qkdoc"));
    fileItem("New");
    ASSERT_TRUE(editor->setDatabasePath(club));
    placeBox();
    editor->selectRecordWithPk(2);
    ASSERT_EQ(editor->database()->selectedPk(), 2);
    prompts->queuePath(dir + "/club.qkdoc");
    fileItem("Save");
    ASSERT_TRUE(QFile::exists(dir + "/club.qkdoc"));

    // Another record is shown when the design is opened again with its database still open:
    // the design brings its own record back.
    editor->selectRecordWithPk(3);
    prompts->queuePath(dir + "/club.qkdoc");
    fileItem("Open...");
    EXPECT_EQ(editor->database()->path(), club);
    EXPECT_EQ(editor->database()->selectedPk(), 2);
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);

    // The Team database is gone: its design still opens with its objects, the open database
    // stays, and the user is told which database is missing.
    ASSERT_TRUE(QFile::remove(team));
    DatabaseUserAction::end();
    prompts->queuePath(dir + "/team.qkdoc");
    fileItem("Open...");
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QString::fromUtf8("The database \u201cTeam\u201d of this design cannot be found."));
    EXPECT_TRUE(prompts->last().message.contains(team)) << prompts->last().message.toStdString();
    EXPECT_EQ(canvas->getRects().size(), 1);
    EXPECT_EQ(editor->database()->path(), club);
}

// A design whose database has a FIFO beside it, where SQLite looks for its rollback journal,
// its write-ahead log or the log's shared memory (or in the database's own place): Open answers
// at once with the design's objects, the database open before stays open, and the user is told
// which file is not a regular one.
TEST_F(DatabaseModeWindow, ADesignWhoseDatabaseHasAFifoBesideItOpensAtOnceAndSaysWhy)
{
    registerAllKinds();
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    RectsView *canvas = window.canvas();
    DatabaseFieldsView *editor = window.modeSwitch()->databaseView()->databaseFieldsView();
    QAction *file = menuNamed(window, "File");
    ASSERT_TRUE(file);
    const auto fileItem = [&](const QString &title) {
        emit file->menu()->aboutToShow();
        QAction *item = itemNamed(file, title);
        ASSERT_TRUE(item && item->isEnabled()) << title.toStdString();
        item->trigger();
    };
    const QString dir = qmtest::freshDir(QStringLiteral("design-fifo-database"));
    const QString club = Database::pathForTitle("Club");
    for (const QString &beside : {QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm"),
                                  QString()}) {
        SCOPED_TRACE(beside.toStdString());
        const QString team = dir + QStringLiteral("/Team") + beside.mid(1) + QStringLiteral(".sqlite");
        ASSERT_TRUE(Database::createDatabaseAtPath(team));
        {
            Database db(team);
            db.initFieldsStructure();
        }
        ASSERT_TRUE(editor->setDatabasePath(team));
        fileItem("New");
        auto box = ColorRect::create(QRectF(10, 10, 40, 20));
        box->setPageName(canvas->getCurrPageName());
        canvas->addGraphic(box);
        canvas->wasChanged(true);
        const QString design = dir + QStringLiteral("/team") + beside + QStringLiteral(".qkdoc");
        prompts->queuePath(design);
        fileItem("Save");
        ASSERT_TRUE(QFile::exists(design));
        ASSERT_TRUE(editor->setDatabasePath(club));
        DatabaseUserAction::end();

        const QString fifo = team + beside;
        if (beside.isEmpty()) {
            ASSERT_TRUE(QFile::remove(team));
        }
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const int alerts = prompts->count(qmtest::TestPrompts::Alert);
        qmtest::FifoRelease release(fifo, std::chrono::seconds(10));
        prompts->queuePath(design);
        fileItem("Open...");
        EXPECT_FALSE(release.stop()) << "Open waited on the FIFO until it was let go";
        EXPECT_EQ(canvas->getRects().size(), 1);
        EXPECT_EQ(editor->database()->path(), club);
        ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), alerts + 1);
        const QString name = QFileInfo(team).completeBaseName();
        if (beside.isEmpty()) {
            EXPECT_EQ(prompts->last().title,
                      QString::fromUtf8("The database \u201c%1\u201d of this design cannot be found.").arg(name));
        } else {
            EXPECT_EQ(prompts->last().title, QString::fromUtf8("The database \u201c%1\u201d cannot be opened.").arg(name));
            EXPECT_EQ(prompts->last().message,
                      QString::fromUtf8("\u201c%1\u201d is not a regular file, so the database was not opened.")
                          .arg(QFileInfo(fifo).fileName()));
        }
        QFile::remove(fifo);
    }
}

// The form follows the width its view gives it as the user drags the divider beside it: at
// every width each value field and group box lies whole inside the view, the groups beside the
// fields where they have room and under them where not; the place the user scrolled to stays.
TEST_F(DatabaseModeWindow, TheFormFitsItsViewAtEveryWidthOfTheDivider)
{
    registerAllKinds();
    MainWindow window;
    window.resize(1600, 600);
    window.show();
    window.finishLaunching();
    DatabaseModeSwitch *modes = window.modeSwitch();
    modes->switchTabs(DatabaseModeSwitch::DatabaseMode);
    QApplication::processEvents();
    DatabaseFieldsView *editor = modes->databaseView()->databaseFieldsView();
    ASSERT_TRUE(editor->database());
    ASSERT_FALSE(editor->groupControls().isEmpty());
    auto *scroll = qobject_cast<QScrollArea *>(editor->parentWidget()->parentWidget());
    ASSERT_TRUE(scroll);
    auto *divider = modes->databaseView()->findChild<QSplitter *>();
    ASSERT_TRUE(divider);
    const int formIndex = divider->indexOf(scroll);
    ASSERT_GE(formIndex, 0);

    bool sawBeside = false;
    bool sawBelow = false;
    for (int width = 900; width >= 300; width -= 40) {
        QList<int> sizes = divider->sizes();
        const int total = std::accumulate(sizes.begin(), sizes.end(), 0);
        // What the form gives up, the record list beside it takes.
        sizes[formIndex - 1] += sizes[formIndex] - width;
        sizes[formIndex] = width;
        divider->setSizes(sizes);
        QApplication::processEvents();
        const QList<int> given = divider->sizes();
        ASSERT_EQ(std::accumulate(given.begin(), given.end(), 0), total);
        const int shown = scroll->viewport()->width();
        const std::string at = "view " + std::to_string(shown) + " wide";
        QList<QWidget *> inside = editor->valueControls();
        for (QCheckBox *box : editor->groupControls())
            inside.append(box);
        for (QWidget *control : inside)
            EXPECT_LE(control->geometry().right(), shown - 1) << at << ": " << control->objectName().toStdString();
        const QList<QWidget *> fields = editor->valueControls();
        const QWidget *lowestField =
            *std::max_element(fields.begin(), fields.end(), [](QWidget *a, QWidget *b) { return a->y() < b->y(); });
        const QCheckBox *firstGroup = editor->groupControls().first();
        if (firstGroup->y() > lowestField->geometry().bottom())
            sawBelow = true;
        else
            sawBeside = true;
    }
    EXPECT_TRUE(sawBeside && sawBelow) << "the groups beside the fields and under them";

    // Scrolled down, a change of the divider keeps the place.
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    const int scrolled = scroll->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    QList<int> sizes = divider->sizes();
    sizes[formIndex] -= 20;
    sizes[formIndex - 1] += 20;
    divider->setSizes(sizes);
    QApplication::processEvents();
    EXPECT_GE(scroll->verticalScrollBar()->value(), std::min(scrolled, scroll->verticalScrollBar()->maximum()) - 30);
    EXPECT_GT(scroll->verticalScrollBar()->value(), 0);
}
