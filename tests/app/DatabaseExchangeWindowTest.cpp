// Import and export in the whole window: the Database menu's Import..., Export...,
// Import VCard..., Export VCard... and Import Contacts as a user runs them, and the File
// menu's track lists typed into the selected text box.
#include <gtest/gtest.h>

#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSpinBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <atomic>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "database/WorkbookBuilder.h"
#include "database/exchange/CVCard.h"
#include "database/exchange/ContactSource.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/store/DatabaseUserAction.h"
#include "database/window/DatabaseView.h"
#include "database/window/ExportDatabasePanel.h"
#include "database/window/ImportProgress.h"
#include "database/exchange/ImportVCardFile.h"
#include "database/window/NewImportDatabasePanel.h"
#include "database/window/PreferencesDatabasePanel.h"
#include "database/window/RecordBrowserModel.h"
#include "foundation/Language.h"
#include "objects/ColorOval.h"
#include "objects/ColorRect.h"
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

QAction *menuItem(QMainWindow &window, const QString &menu, const QString &title)
{
    std::function<QAction *(QMenu *)> find = [&](QMenu *m) -> QAction * {
        for (QAction *item : m->actions()) {
            if (item->menu()) {
                if (QAction *inner = find(item->menu()))
                    return inner;
            } else if (item->text() == title) {
                return item;
            }
        }
        return nullptr;
    };
    for (QAction *top : window.menuBar()->actions())
        if (top->menu() && top->menu()->title() == menu)
            return find(top->menu());
    return nullptr;
}

// Opens the menu as a click would (its items take their state), then runs the item.
bool run(QMainWindow &window, const QString &menu, const QString &title)
{
    QAction *item = menuItem(window, menu, title);
    if (!item)
        return false;
    for (QAction *top : window.menuBar()->actions())
        if (top->menu() && top->menu()->title() == menu)
            emit top->menu()->aboutToShow();
    for (QMenu *sub : window.findChildren<QMenu *>())
        emit sub->aboutToShow();
    if (!item->isEnabled())
        return false;
    item->trigger();
    return true;
}

// Where the stores were read: a read on the window's thread blocks it for as long as the
// store takes (seconds over the bus), so every import reads them aside.
std::atomic<int> s_fetchesAside{0};
std::atomic<int> s_fetchesOnWindow{0};

void countFetch()
{
    if (QThread::currentThread() == qApp->thread())
        ++s_fetchesOnWindow;
    else
        ++s_fetchesAside;
}

class FakeContacts : public ContactSource
{
public:
    void requestAccess(std::function<void(Access, const QString &)> answer) override
    {
        QTimer::singleShot(0, [answer] { answer(Access::Granted, QString()); });
    }
    bool fetch(QString *) override
    {
        countFetch();
        return true;
    }
    QStringList groups() const override { return {"Club"}; }
    QList<Contact> contacts() const override
    {
        Contact c;
        c.givenName = "Ada";
        c.familyName = "Lovelace";
        c.groups = {"Club"};
        return {c};
    }
};

// A store that grants access and then takes its time: while it is read, `during` runs on the
// window's thread as a user would act, with the progress showing; the read fails when
// `failure` is set.
class SlowContacts : public ContactSource
{
public:
    std::function<void()> during;
    QString failure;
    bool windowAnswered = false;

    void requestAccess(std::function<void(Access, const QString &)> answer) override
    {
        QTimer::singleShot(0, [answer] { answer(Access::Granted, QString()); });
    }
    bool fetch(QString *reason) override
    {
        countFetch();
        // Acting on the window from its own thread would wait for itself.
        if (QThread::currentThread() != qApp->thread())
            QMetaObject::invokeMethod(
                qApp,
                [this] {
                    windowAnswered = true;
                    if (during)
                        during();
                },
                Qt::BlockingQueuedConnection);
        *reason = failure;
        return failure.isEmpty();
    }
    QStringList groups() const override { return {"Club"}; }
    QList<Contact> contacts() const override
    {
        QList<Contact> all;
        for (int i = 0; i < 300; ++i) {
            Contact c;
            c.givenName = QStringLiteral("Given%1").arg(i);
            c.familyName = "Slow";
            c.groups = {"Club"};
            all.append(c);
        }
        return all;
    }
};

// A contact store that refuses access, as a desktop without one answers.
class NoContacts : public ContactSource
{
public:
    void requestAccess(std::function<void(Access, const QString &)> answer) override
    {
        QTimer::singleShot(0, [answer] { answer(Access::Unavailable, QStringLiteral("no contact store")); });
    }
    QStringList groups() const override { return {}; }
    QList<Contact> contacts() const override { return {}; }
};

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

class DatabaseExchangeWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), "en");
        QDir(Database::databasesFolder()).removeRecursively();
        QDir().mkpath(Database::databasesFolder());
        UserDefaults::standard().removeObject("databasePath");
        path = Database::pathForTitle("Club");
        ASSERT_TRUE(Database::createDatabaseAtPath(path));
        folder = qmtest::freshDir("exchange");
    }

    void TearDown() override
    {
        ContactSource::setSystem(nullptr);
        QDir(Database::databasesFolder()).removeRecursively();
        Language::reset();
        DatabaseUserAction::end();
    }

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(folder + "/" + name);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }

    qmtest::ScopedTestPrompts prompts;
    QString path;
    QString folder;
};

} // namespace

TEST_F(DatabaseExchangeWindow, RecordsComeInAndGoOutThroughTheDatabaseMenu)
{
    registerAllKinds();
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    DatabaseModeSwitch *modes = window.modeSwitch();
    // Outside database mode the commands rest.
    EXPECT_FALSE(menuItem(window, "Database", "Import...")->isEnabled());
    modes->switchTabs(DatabaseModeSwitch::DatabaseMode);
    DatabaseFieldsView *editor = modes->databaseView()->databaseFieldsView();
    ASSERT_TRUE(editor->database());
    // Nothing to export from an empty list.
    EXPECT_FALSE(run(window, "Database", "Export..."));

    // Import a text file through the wizard: its pop-ups map the columns.
    prompts->queuePath(write("people.csv", "Ada,Lovelace,London\nAlan,Turing,\"Wilmslow, Cheshire\"\n"));
    ASSERT_TRUE(run(window, "Database", "Import..."));
    NewImportDatabasePanel *wizard = editor->importDatabasePanel();
    ASSERT_TRUE(wizard && wizard->isVisible());
    const QStringList fields = {"First Name", "Last Name", "City"};
    for (int row = 0; row < 3; ++row) {
        auto *popup = qobject_cast<QComboBox *>(wizard->table()->indexWidget(wizard->table()->model()->index(row, 2)));
        ASSERT_TRUE(popup);
        const int index = popup->findText(fields.at(row));
        popup->setCurrentIndex(index);
        emit popup->activated(index);
    }
    QTest::mouseClick(wizard->findChild<QPushButton *>("import"), Qt::LeftButton);
    EXPECT_EQ(sqlite(path, "SELECT First_Name, Last_Name, City FROM dbtable ORDER BY pk;"),
              "Ada|Lovelace|London\nAlan|Turing|Wilmslow, Cheshire");

    // Export them again with semicolons.
    prompts->queuePath(folder + "/out.csv");
    ASSERT_TRUE(run(window, "Database", "Export..."));
    ExportDatabasePanel *panel = editor->exportDatabasePanel();
    ASSERT_TRUE(panel && panel->isVisible());
    for (int row = panel->table()->count() - 1; row >= 0; --row)
        if (!fields.contains(panel->exportArray().at(row).title()))
            panel->toggleRow(row);
    panel->delimiterPopup()->setCurrentIndex(4);
    QTest::mouseClick(panel->findChild<QPushButton *>("export"), Qt::LeftButton);
    QFile out(folder + "/out.csv");
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), "Ada;Lovelace;London\r\nAlan;Turing;Wilmslow, Cheshire");

    // vCards out and in.
    prompts->queueSaveOfType(folder + "/club.vcf");
    ASSERT_TRUE(run(window, "Database", "Export VCard..."));
    prompts->queuePath(folder + "/club.vcf");
    ASSERT_TRUE(run(window, "Database", "Import VCard..."));
    EXPECT_EQ(sqlite(path, "SELECT count(*) FROM dbtable WHERE Last_Name = 'Turing' AND City = 'Wilmslow, Cheshire';"), "2");

    // The system's contacts, with their group.
    ContactSource::setSystem(std::make_unique<FakeContacts>());
    s_fetchesAside = 0;
    s_fetchesOnWindow = 0;
    ASSERT_TRUE(run(window, "Database", "Import Contacts"));
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(s_fetchesAside, 1);
    EXPECT_EQ(s_fetchesOnWindow, 0);
    EXPECT_EQ(sqlite(path, "SELECT Groups FROM dbtable WHERE Last_Name = 'Lovelace' ORDER BY pk DESC LIMIT 1;"), "1");
    EXPECT_EQ(sqlite(path, "SELECT title FROM dbgroups ORDER BY pk LIMIT 1;"), "Club");
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);
}

TEST_F(DatabaseExchangeWindow, ATrackListIsTypedIntoTheSelectedBox)
{
    registerAllKinds();
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    RectsView *canvas = window.canvas();
    // Without a selected text box the items rest.
    EXPECT_FALSE(run(window, "File", "Import Track Names from Folder..."));

    const QString tracks = folder + "/album";
    QDir().mkpath(tracks);
    for (const char *name : {"02 Song.aiff", "01 Intro.aiff", ".DS_Store", "10 Outro.aiff"})
        QFile(tracks + "/" + name).open(QIODevice::WriteOnly);
    auto box = ColorRect::create(QRectF(10, 10, 200, 120));
    box->setPageName(canvas->getCurrPageName());
    canvas->addGraphic(box);
    canvas->selectRect(box);
    prompts->queuePath(tracks);
    ASSERT_TRUE(run(window, "File", "Import Track Names from Folder..."));
    EXPECT_EQ(box->textStorage()->toPlainText(), "1. 01 Intro.aiff\t\n2. 02 Song.aiff\t\n3. 10 Outro.aiff\t\n");
    // One step of undo takes it back.
    canvas->clearEditable();
    canvas->undo();
    EXPECT_EQ(box->textStorage()->toPlainText(), "");

    // In an oval the names follow each other.
    auto oval = ColorOval::create(QRectF(10, 200, 200, 200));
    oval->setPageName(canvas->getCurrPageName());
    canvas->addGraphic(oval);
    canvas->clearSelection();
    canvas->selectRect(oval);
    prompts->queuePath(tracks);
    ASSERT_TRUE(run(window, "File", "Import Track Names from Folder..."));
    EXPECT_EQ(oval->textStorage()->toPlainText(), "1. 01 Intro.aiff\t2. 02 Song.aiff\t3. 10 Outro.aiff\t");

    // A text file goes in whole; one that is not UTF-8 is said and changes nothing.
    auto list = ColorRect::create(QRectF(250, 10, 200, 120));
    list->setPageName(canvas->getCurrPageName());
    canvas->addGraphic(list);
    canvas->clearSelection();
    canvas->selectRect(list);
    prompts->queuePath(write("tracks.txt", "Side A\r\nSide B\r\n"));
    ASSERT_TRUE(run(window, "File", "Import Tracks List from Text File..."));
    EXPECT_EQ(list->textStorage()->toPlainText(), "Side A\nSide B\n");
    prompts->queuePath(write("latin.txt", "Caf\xE9\n"));
    ASSERT_TRUE(run(window, "File", "Import Tracks List from Text File..."));
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, "Could not import text file because of error 261");
    EXPECT_EQ(list->textStorage()->toPlainText(), "Side A\nSide B\n");

    // An empty folder changes nothing.
    const QString empty = folder + "/empty";
    QDir().mkpath(empty);
    prompts->queuePath(empty);
    ASSERT_TRUE(run(window, "File", "Import Track Names from Folder..."));
    EXPECT_EQ(list->textStorage()->toPlainText(), "Side A\nSide B\n");
}

TEST_F(DatabaseExchangeWindow, AWorkbookIsImportedSheetBySheetThroughTheWizard)
{
    dbtest::Workbook book;
    book.sharedStrings = {"<t>Ann</t>", "<r><t>Lin</t></r><r><t>coln</t></r>", "<t>Oslo</t>"};
    book.numFmts = {{164, "[$\u20AC-407]#,##0.00"}};
    book.cellXfs = {0, 14, 164, 10};
    book.sheets = {{"Notes", "<row r=\"1\"><c r=\"A1\" t=\"str\"><v>not this one</v></c></row>"},
                   {"People",
                    // Row 2 lacks its B cell; C holds a date with its time, D money, E a share.
                    "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
                    "<c r=\"C1\" s=\"1\"><v>43831</v></c><c r=\"D1\" s=\"2\"><v>1234.5</v></c><c r=\"E1\" s=\"3\"><v>0.125</v></c></row>"
                    "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>2</v></c><c r=\"C2\" s=\"1\"><v>43832.75</v></c></row>"}};
    const QString file = folder + "/people.xlsx";
    ASSERT_TRUE(book.write(file));

    registerAllKinds();
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    window.modeSwitch()->switchTabs(DatabaseModeSwitch::DatabaseMode);
    DatabaseFieldsView *editor = window.modeSwitch()->databaseView()->databaseFieldsView();

    prompts->queuePath(file);
    ASSERT_TRUE(run(window, "Database", "Import..."));
    NewImportDatabasePanel *wizard = editor->importDatabasePanel();
    ASSERT_TRUE(wizard && wizard->isVisible());
    EXPECT_EQ(wizard->delimiterCaption()->text(), "Sheet:");
    QComboBox *sheets = wizard->delimiterPopup();
    ASSERT_EQ(sheets->count(), 2);
    EXPECT_EQ(sheets->currentText(), "Notes");
    // The user picks the second sheet from the pop-up.
    sheets->setCurrentIndex(1);
    emit sheets->activated(1);
    EXPECT_EQ(wizard->table()->model()->rowCount(), 5);
    EXPECT_EQ(wizard->toBox()->value(), 2);
    EXPECT_EQ(wizard->recordArray(), QStringList({"Ann", "Lincoln", "01-01-20", QString::fromUtf8("\u20AC1,234.50"), "12.50%"}));
    const QStringList fields = {"First Name", "Last Name", "User Field 1", "User Field 2", "User Field 3"};
    for (int row = 0; row < fields.size(); ++row) {
        auto *popup = qobject_cast<QComboBox *>(wizard->table()->indexWidget(wizard->table()->model()->index(row, 2)));
        ASSERT_TRUE(popup);
        const int index = popup->findText(fields.at(row));
        ASSERT_GT(index, 0) << fields.at(row).toStdString();
        popup->setCurrentIndex(index);
        emit popup->activated(index);
    }
    QTest::mouseClick(wizard->findChild<QPushButton *>("import"), Qt::LeftButton);
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(sqlite(path, "SELECT First_Name, ifnull(Last_Name, '-'), User_Field_1, ifnull(User_Field_2, '-') FROM dbtable ORDER BY pk;"),
              QString::fromUtf8("Ann|Lincoln|01-01-20|\u20AC1,234.50\nOslo|-|01-02-20|-"));
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);

    // Cancelling the wizard on the same workbook imports nothing more.
    prompts->queuePath(file);
    ASSERT_TRUE(run(window, "Database", "Import..."));
    QTest::mouseClick(wizard->findChild<QPushButton *>("cancel"), Qt::LeftButton);
    EXPECT_EQ(sqlite(path, "SELECT count(*) FROM dbtable;"), "2");
}

TEST_F(DatabaseExchangeWindow, ThePreferencesOfTheMenuShapeTheNextNewRecord)
{
    registerAllKinds();
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    window.modeSwitch()->switchTabs(DatabaseModeSwitch::DatabaseMode);
    DatabaseFieldsView *editor = window.modeSwitch()->databaseView()->databaseFieldsView();

    ASSERT_TRUE(run(window, "Database", "Database Preferences..."));
    PreferencesDatabasePanel *sheet = editor->preferencesDatabasePanel();
    ASSERT_TRUE(sheet && sheet->isVisible());
    for (int row = 0; row < sheet->valuesTable()->rowCount(); ++row)
        if (sheet->valuesTable()->item(row, 0)->text() == "Country")
            sheet->valuesTable()->item(row, 1)->setText("Norway");
    sheet->profilePopup()->setCurrentIndex(sheet->profilePopup()->findText("Home"));
    QTest::mouseClick(sheet->findChild<QPushButton *>("ok"), Qt::LeftButton);
    EXPECT_EQ(UserDefaults::standard().stringForKey("profileContacts"), "Home");

    ASSERT_TRUE(run(window, "Database", "Add Record"));
    EXPECT_EQ(sqlite(path, "SELECT Country FROM dbtable ORDER BY pk DESC LIMIT 1;"), "Norway");
    // The profile picks the home address of a vCard.
    prompts->queuePath(write("two.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Ola;;;\r\n"
                                        "ADR;TYPE=WORK:;;1 Work St;Bergen;;5003;Norway\r\n"
                                        "ADR;TYPE=HOME:;;2 Home Rd;Oslo;;0150;Norway\r\nEND:VCARD\r\n"));
    ASSERT_TRUE(run(window, "Database", "Import VCard..."));
    EXPECT_EQ(sqlite(path, "SELECT Address, City FROM dbtable WHERE Last_Name = 'Berg';"), "2 Home Rd|Oslo");
    UserDefaults::standard().removeObject("profileContacts");
    UserDefaults::standard().removeObject("fieldValues");
    UserDefaults::standard().removeObject("fieldOrder");
}

// The first start makes the Address Book and fills it from the system's contacts; where the
// contacts cannot be read, a few fictional people show what a database holds.
TEST_F(DatabaseExchangeWindow, TheFirstStartFillsTheAddressBookFromTheContacts)
{
    for (bool granted : {true, false}) {
        SCOPED_TRACE(granted ? "contacts granted" : "no contact store");
        QDir(Database::databasesFolder()).removeRecursively();
        UserDefaults::standard().removeObject("databasePath");
        s_fetchesAside = 0;
        s_fetchesOnWindow = 0;
        if (granted)
            ContactSource::setSystem(std::make_unique<FakeContacts>());
        else
            ContactSource::setSystem(std::make_unique<NoContacts>());
        const QString book = Database::pathForTitle("Address Book");
        {
            registerAllKinds();
            MainWindow window;
            window.show();
            window.finishLaunching();
            settle();
            ASSERT_TRUE(QFile::exists(book));
            DatabaseFieldsView *editor = window.modeSwitch()->databaseView()->databaseFieldsView();
            ASSERT_TRUE(editor->database());
            EXPECT_EQ(editor->database()->path(), book);
            if (granted) {
                EXPECT_EQ(sqlite(book, "SELECT First_Name, Last_Name, Groups FROM dbtable;"), "Ada|Lovelace|1");
                EXPECT_EQ(sqlite(book, "SELECT title FROM dbgroups ORDER BY pk LIMIT 1;"), "Club");
            } else {
                EXPECT_GT(sqlite(book, "SELECT count(*) FROM dbtable;").toInt(), 1);
                EXPECT_EQ(sqlite(book, "SELECT count(*) FROM dbtable WHERE Last_Name = 'Lovelace';"), "0");
            }
            EXPECT_EQ(s_fetchesAside, granted ? 1 : 0);
            EXPECT_EQ(s_fetchesOnWindow, 0);
            // The form shows the first of them.
            EXPECT_GT(editor->browserModel()->rowCount(), 0);
            EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);
        }
        // A second start leaves the Address Book as it is.
        const QString before = sqlite(book, "SELECT count(*) FROM dbtable;");
        {
            MainWindow window;
            window.show();
            window.finishLaunching();
            settle();
        }
        EXPECT_EQ(sqlite(book, "SELECT count(*) FROM dbtable;"), before);
    }
}

// The store is read aside with the progress showing: the window answers meanwhile, a Cancel
// pressed during the read keeps none of its contacts, and a store that cannot be read is said.
TEST_F(DatabaseExchangeWindow, TheContactsAreReadAsideWithTheProgressAndItsCancel)
{
    registerAllKinds();
    MainWindow window;
    window.show();
    window.finishLaunching();
    window.modeSwitch()->switchTabs(DatabaseModeSwitch::DatabaseMode);
    ASSERT_TRUE(window.modeSwitch()->databaseView()->databaseFieldsView()->database());
    // The dialog shows at once, as it does when the store takes its time.
    ImportProgress::setMinimumDuration(0);
    const std::unique_ptr<void, void (*)(void *)> restore(&window, [](void *) { ImportProgress::setMinimumDuration(500); });
    enum Outcome { Kept, Cancelled, Unreadable };
    for (Outcome outcome : {Kept, Cancelled, Unreadable}) {
        SCOPED_TRACE(int(outcome));
        auto owned = std::make_unique<SlowContacts>();
        SlowContacts *store = owned.get();
        ContactSource::setSystem(std::move(owned));
        if (outcome == Unreadable)
            store->failure = "The address book server stopped.";
        bool progressShown = false;
        store->during = [&] {
            for (QProgressDialog *dialog : window.findChildren<QProgressDialog *>(QStringLiteral("ImportProgress"))) {
                if (!dialog->isVisible())
                    continue;
                progressShown = dialog->labelText() == QLatin1String("Importing contacts...");
                if (outcome == Cancelled)
                    QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
            }
        };
        s_fetchesAside = 0;
        s_fetchesOnWindow = 0;
        const int alerts = prompts->count(qmtest::TestPrompts::Alert);
        ASSERT_TRUE(run(window, "Database", "Import Contacts"));
        settle();
        EXPECT_EQ(s_fetchesAside, 1);
        EXPECT_EQ(s_fetchesOnWindow, 0);
        EXPECT_TRUE(store->windowAnswered);
        EXPECT_TRUE(progressShown);
        EXPECT_EQ(sqlite(path, "SELECT count(*) FROM dbtable WHERE Last_Name = 'Slow';"), outcome == Kept ? "300" : "0");
        if (outcome == Unreadable) {
            ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), alerts + 1);
            EXPECT_EQ(prompts->last().title, "The system's contacts cannot be read.");
            EXPECT_EQ(prompts->last().message, "The address book server stopped.");
        } else {
            EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), alerts);
        }
        sqlite(path, "DELETE FROM dbtable WHERE Last_Name = 'Slow';");
    }
}

namespace {

// A workbook as openpyxl and pandas write it, made by python3's own zipfile: numbers typed
// t="n", a date in built-in format 14, a euro amount and a share in custom formats.
const char *const kGeneratedWorkbook = R"PY(
import sys, zipfile
NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
sheet = ('<worksheet ' + NS + '><sheetData>'
  '<row r="1"><c r="A1" t="inlineStr"><is><t>Name</t></is></c><c r="B1" t="inlineStr"><is><t>Born</t></is></c>'
  '<c r="C1" t="inlineStr"><is><t>Fee</t></is></c><c r="D1" t="inlineStr"><is><t>Share</t></is></c></row>'
  '<row r="2"><c r="A2" t="inlineStr"><is><t>Ada</t></is></c><c r="B2" t="n" s="1"><v>43831</v></c>'
  '<c r="C2" t="n" s="2"><v>1234.5</v></c><c r="D2" t="n" s="3"><v>0.125</v></c></row>'
  '</sheetData></worksheet>')
styles = ('<styleSheet ' + NS + '><numFmts count="2"><numFmt numFmtId="164" formatCode="[$&#8364;-407]#,##0.00"/>'
  '<numFmt numFmtId="165" formatCode="0.00%"/></numFmts><cellXfs count="4"><xf numFmtId="0"/>'
  '<xf numFmtId="14" applyNumberFormat="1"/><xf numFmtId="164" applyNumberFormat="1"/><xf numFmtId="165" applyNumberFormat="1"/>'
  '</cellXfs></styleSheet>')
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('xl/workbook.xml', '<workbook ' + NS + ' xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
               '<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>')
    z.writestr('xl/_rels/workbook.xml.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
               '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" '
               'Target="/xl/worksheets/sheet1.xml"/></Relationships>')
    z.writestr('xl/styles.xml', styles)
    z.writestr('xl/worksheets/sheet1.xml', sheet)
)PY";

// Half a megabyte of workbook whose one cell inflates to 500 million characters.
const char *const kWorkbookBomb = R"PY(
import sys, zipfile
NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    z.writestr('xl/workbook.xml', '<workbook ' + NS + '><sheets><sheet name="People" sheetId="1"/></sheets></workbook>')
    with z.open('xl/worksheets/sheet1.xml', 'w', force_zip64=True) as f:
        f.write(('<worksheet ' + NS + '><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>').encode())
        chunk = b'A' * 1000000
        for i in range(int(sys.argv[2])):
            f.write(chunk)
        f.write(b'</t></is></c></row></sheetData></worksheet>')
)PY";

} // namespace

TEST_F(DatabaseExchangeWindow, AGeneratedWorkbookKeepsItsDatesAndAmountsAndABombIsRefused)
{
    ASSERT_TRUE(dbtest::hasPython()) << dbtest::missingPython().toStdString();
    const QString book = folder + "/generated.xlsx";
    const QString bomb = folder + "/bomb.xlsx";
    ASSERT_EQ(dbtest::runPython(kGeneratedWorkbook, {book}), QString());
    ASSERT_EQ(dbtest::runPython(kWorkbookBomb, {bomb, "500"}), QString());
    ASSERT_LT(QFileInfo(bomb).size(), 1024 * 1024);

    registerAllKinds();
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    window.modeSwitch()->switchTabs(DatabaseModeSwitch::DatabaseMode);
    DatabaseFieldsView *editor = window.modeSwitch()->databaseView()->databaseFieldsView();

    prompts->queuePath(book);
    ASSERT_TRUE(run(window, "Database", "Import..."));
    NewImportDatabasePanel *wizard = editor->importDatabasePanel();
    ASSERT_TRUE(wizard && wizard->isVisible());
    wizard->fromBox()->setValue(2);
    EXPECT_EQ(wizard->recordArray(), QStringList({"Ada", "01-01-20", QString::fromUtf8("\u20AC1,234.50"), "12.50%"}));
    QTest::mouseClick(wizard->findChild<QPushButton *>("cancel"), Qt::LeftButton);
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);

    // The bomb: refused from its directory with a reason, nothing imported, the wizard not shown.
    prompts->queuePath(bomb);
    ASSERT_TRUE(run(window, "Database", "Import..."));
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_TRUE(prompts->last().title.contains("MB")) << prompts->last().title.toStdString();
    EXPECT_EQ(prompts->last().message, "Error reading Excel Workbook file");
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(sqlite(path, "SELECT count(*) FROM dbtable;"), "0");
}

namespace {

// vCards as phones and mail services export them: 2.1 with QUOTED-PRINTABLE and a folded
// Base64 photo, 3.0 with grouped properties and repeated types, 4.0 with "tel:" URIs and a
// data URI photo.
QByteArray phoneCards(const QByteArray &jpegBase64)
{
    QByteArray folded;
    for (qsizetype at = 0; at < jpegBase64.size(); at += 72)
        folded += "  " + jpegBase64.mid(at, 72) + "\r\n";
    return "BEGIN:VCARD\r\nVERSION:2.1\r\n"
           "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=98rsted;S=C3=B8ren;;;\r\n"
           "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:S=C3=B8ren =C3=98rsted\r\n"
           "TEL;CELL;PREF:+45 1234 5678\r\nTEL;HOME:+45 8765 4321\r\nEMAIL;HOME:soren@example.dk\r\n"
           "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;N=C3=B8rregade 3;K=C3=B8benhavn;;1165;Danmark\r\n"
           "PHOTO;ENCODING=BASE64;JPEG:\r\n" + folded + "\r\n"
           "END:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.0//EN\r\n"
           "N:N\xC3\xBA\xC3\xB1" "ez;Mar\xC3\xAD" "a;;;\r\nFN:Mar\xC3\xAD" "a N\xC3\xBA\xC3\xB1" "ez\r\nORG:Caf\xC3\xA9 Sol\\, S.L.;\r\n"
           "item1.TEL;type=pref:+34 600 000 000\r\nTEL;type=CELL;type=VOICE;type=pref:+34 611 111 111\r\n"
           "item2.ADR;type=HOME;type=pref:;;Calle Mayor 1;Madrid;;28013;Espa\xC3\xB1" "a\r\n"
           "EMAIL;type=INTERNET;type=HOME;type=pref:maria@example.es\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Lovelace;Ada;;;\r\nFN:Ada Lovelace\r\n"
           "TITLE:Head of Research and Development of Analytical Engines for the Whole Kingdom\r\n"
           "ADR;TYPE=work:;;2 Side Rd\\, Flat 2\\; rear;London;;;\r\nUSERFIELD1:a\\\\b\r\n"
           "TEL;VALUE=uri;TYPE=\"cell,voice\":tel:+44-20-7946-0000\r\nTEL;VALUE=uri;TYPE=work:tel:+44-20-7946-0001\r\n"
           "EMAIL;TYPE=work:ada@example.org\r\nPHOTO:data:image/jpeg;base64," + jpegBase64 + "\r\nEND:VCARD\r\n";
}

const QString kTitle = QStringLiteral("Head of Research and Development of Analytical Engines for the Whole Kingdom");

// Reads every card of a file with python3-vobject and prints each as JSON.
const char *const kVobjectReader = R"PY(
import sys, json, base64
try:
    import vobject
except ImportError:
    sys.exit(77)
out = []
with open(sys.argv[1], encoding='utf-8', newline='') as f:
    for card in vobject.readComponents(f.read()):
        c = {'version': card.version.value}
        n = card.n.value
        c['n'] = [n.family, n.given, n.additional, n.prefix]
        c['fn'] = card.fn.value
        for key in ('title', 'email', 'url', 'userfield1', 'userfield2'):
            if key in card.contents:
                c[key] = card.contents[key][0].value
        if 'org' in card.contents:
            c['org'] = card.org.value[0]
        c['tel'] = {','.join(t.params.get('TYPE', [])).upper(): t.value for t in card.contents.get('tel', [])}
        if 'adr' in card.contents:
            a = card.adr.value
            c['adr'] = [a.street, a.city, a.region, a.code, a.country]
        if 'photo' in card.contents:
            p = card.photo
            c['photo_type'] = ','.join(p.params.get('TYPE', []))
            c['photo_jpeg'] = p.value[:2] == b'\xff\xd8'
        out.append(c)
print(json.dumps(out))
)PY";

} // namespace

TEST_F(DatabaseExchangeWindow, VCardsOfPhonesComeInAndOurCardsAreReadByAnotherReader)
{
    QImage picture(120, 90, QImage::Format_RGB32);
    picture.fill(QColor(30, 120, 200));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "JPEG"));

    registerAllKinds();
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    window.modeSwitch()->switchTabs(DatabaseModeSwitch::DatabaseMode);

    prompts->queuePath(write("phone.vcf", phoneCards(jpeg.toBase64())));
    ASSERT_TRUE(run(window, "Database", "Import VCard..."));
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);
    EXPECT_EQ(sqlite(path, "SELECT Last_Name, First_Name, ifnull(Company, '-'), ifnull(Phone_Home, '-'), ifnull(Phone_Work, '-'), "
                           "Phone_Mobile, Email, ifnull(Address, '-'), ifnull(City, '-'), ifnull(Zip, '-'), ifnull(Country, '-'), "
                           "length(Photo) > 0 FROM dbtable ORDER BY pk;"),
              QString::fromUtf8("\u00D8rsted|S\u00F8ren|-|+45 8765 4321|-|+45 1234 5678|soren@example.dk|N\u00F8rregade 3|K\u00F8benhavn|1165|Danmark|1\n"
                                "N\u00FA\u00F1ez|Mar\u00EDa|Caf\u00E9 Sol, S.L.|-|-|+34 611 111 111|maria@example.es|Calle Mayor 1|Madrid|28013|Espa\u00F1a|\n"
                                "Lovelace|Ada|-|-|+44-20-7946-0001|+44-20-7946-0000|ada@example.org|2 Side Rd, Flat 2; rear|London|-|-|1"));

    // Every card out as vCard 3.0: escapes, a folded title, photos.
    prompts->queueSaveOfType(folder + "/all.vcf");
    ASSERT_TRUE(run(window, "Database", "Export VCard..."));
    QFile file(folder + "/all.vcf");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray exported = file.readAll();
    EXPECT_FALSE(exported.contains("QUOTED-PRINTABLE"));
    for (const QByteArray &line : exported.split('\n'))
        EXPECT_LE(line.size(), 76) << line.toStdString(); // 75 octets and the CR

    // Our own reader takes every field back.
    const ImportVCardFile ours(folder + "/all.vcf");
    ASSERT_EQ(ours.cards().size(), 3);
    QMap<QString, QVariantMap> read;
    for (const CVCard &card : ours.cards())
        read.insert(card.dict().value("Last_Name").toString(), card.dict());
    const QVariantMap ada = read.value("Lovelace");
    EXPECT_EQ(ada.value("Address").toString(), "2 Side Rd, Flat 2; rear");
    EXPECT_EQ(ada.value("Title").toString(), kTitle);
    EXPECT_EQ(ada.value("User_Field_1").toString(), "a\\b");
    EXPECT_EQ(ada.value("Phone_Mobile").toString(), "+44-20-7946-0000");
    EXPECT_EQ(read.value(QString::fromUtf8("\u00D8rsted")).value("City").toString(), QString::fromUtf8("K\u00F8benhavn"));
    EXPECT_FALSE(read.value(QString::fromUtf8("\u00D8rsted")).value("Photo").toByteArray().isEmpty());
    EXPECT_EQ(read.value(QString::fromUtf8("N\u00FA\u00F1ez")).value("Company").toString(), QString::fromUtf8("Caf\u00E9 Sol, S.L."));

    // And so does another program's.
    ASSERT_TRUE(dbtest::hasPython()) << dbtest::missingPython().toStdString();
    QProcess python;
    python.start(dbtest::pythonPath(), {"-c", kVobjectReader, folder + "/all.vcf"});
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_NE(python.exitCode(), 77) << "python3-vobject is missing: scripts/setup-deps installs it";
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QJsonArray cards = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    ASSERT_EQ(cards.size(), 3);
    QMap<QString, QJsonObject> theirs;
    for (const QJsonValue &card : cards)
        theirs.insert(card.toObject().value("n").toArray().at(0).toString(), card.toObject());
    const QJsonObject soren = theirs.value(QString::fromUtf8("\u00D8rsted"));
    EXPECT_EQ(soren.value("version").toString(), "3.0");
    EXPECT_EQ(soren.value("n").toArray(), QJsonArray({QString::fromUtf8("\u00D8rsted"), QString::fromUtf8("S\u00F8ren"), "", ""}));
    EXPECT_EQ(soren.value("fn").toString(), QString::fromUtf8("S\u00F8ren \u00D8rsted"));
    EXPECT_EQ(soren.value("email").toString(), "soren@example.dk");
    EXPECT_EQ(soren.value("tel").toObject().value("HOME").toString(), "+45 8765 4321");
    EXPECT_EQ(soren.value("tel").toObject().value("CELL").toString(), "+45 1234 5678");
    EXPECT_EQ(soren.value("adr").toArray(),
              QJsonArray({QString::fromUtf8("N\u00F8rregade 3"), QString::fromUtf8("K\u00F8benhavn"), "", "1165", "Danmark"}));
    EXPECT_EQ(soren.value("photo_type").toString(), "JPEG");
    EXPECT_TRUE(soren.value("photo_jpeg").toBool());
    const QJsonObject maria = theirs.value(QString::fromUtf8("N\u00FA\u00F1ez"));
    EXPECT_EQ(maria.value("org").toString(), QString::fromUtf8("Caf\u00E9 Sol, S.L."));
    EXPECT_EQ(maria.value("adr").toArray().at(4).toString(), QString::fromUtf8("Espa\u00F1a"));
    const QJsonObject adaCard = theirs.value("Lovelace");
    EXPECT_EQ(adaCard.value("adr").toArray().at(0).toString(), "2 Side Rd, Flat 2; rear");
    EXPECT_EQ(adaCard.value("title").toString(), kTitle);
    EXPECT_EQ(adaCard.value("tel").toObject().value("WORK").toString(), "+44-20-7946-0001");
}
