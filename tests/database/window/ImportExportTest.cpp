// Text and workbook import and text export as the user runs them in the database window: the
// open and save panels, the import wizard with its mapping and range, the export sheet, the
// progress with its Cancel button. Stored records are read back with the sqlite3 program.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

#include "database/EditorFixture.h"
#include "database/WorkbookBuilder.h"
#include "database/window/ExportDatabasePanel.h"
#include "database/window/RecordBrowserModel.h"
#include "database/window/ImportProgress.h"
#include "database/window/NewImportDatabasePanel.h"

using namespace quillmark;

namespace {

QString writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = qmtest::freshDir(QStringLiteral("files")) + QLatin1Char('/') + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

class ImportExport : public dbtest::EditorFixture
{
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        testPath = dbtest::makeNamedDatabase("Test", 0);
        launch();
    }

    NewImportDatabasePanel *wizard() { return editor().importDatabasePanel(); }

    // The position of an importable field in the wizard's pop-ups (0 is "none").
    int entryOf(const QString &title)
    {
        const QList<DatabaseOrder> &fields = wizard()->fieldDataArray();
        for (int i = 0; i < fields.size(); ++i)
            if (fields.at(i).title() == title)
                return i + 1;
        ADD_FAILURE() << "no field " << title.toStdString();
        return 0;
    }

    // Chooses a field for a column through the table's pop-up, as a click does.
    void choose(int column, const QString &title)
    {
        QTableView *table = wizard()->table();
        auto *popup = qobject_cast<QComboBox *>(table->indexWidget(table->model()->index(column, 2)));
        ASSERT_TRUE(popup) << "no pop-up in row " << column;
        const int entry = title.isEmpty() ? 0 : entryOf(title);
        popup->setCurrentIndex(entry);
        emit popup->activated(entry);
        EXPECT_EQ(wizard()->importArray().value(column), entry);
    }

    void openWizard(const QString &path)
    {
        prompts->queuePath(path);
        editor().importDatabase();
        ASSERT_TRUE(wizard());
        ASSERT_TRUE(wizard()->isVisible());
    }

    void clickImport() { QTest::mouseClick(wizard()->findChild<QPushButton *>("import"), Qt::LeftButton); }
    void clickCancel() { QTest::mouseClick(wizard()->findChild<QPushButton *>("cancel"), Qt::LeftButton); }
    QString records(const QString &columns) { return dbtest::cli(testPath, "SELECT " + columns + " FROM dbtable ORDER BY pk;"); }
};

} // namespace

TEST_F(ImportExport, ATextFileIsMappedColumnByColumnAndImportedInItsRange)
{
    const QString file = writeFile("people.csv", "\"Smith, John\",\"O\"\"Neil\",42,\n"
                                                 "a,b,c,d,e\n"
                                                 "x,y,z\n");
    openWizard(file);
    const qmtest::TestPrompts::Call &panel = prompts->last();
    EXPECT_EQ(panel.title, "Please Choose a Text File containing Database Data");
    EXPECT_TRUE(panel.extensions.contains("xlsx"));
    EXPECT_EQ(wizard()->delimiterCaption()->text(), "Delimiter:");
    EXPECT_EQ(wizard()->delimiterPopup()->currentText(), "Comma");
    // Lines of 4, 5 and 3 fields: five rows to map, the first five importable fields by default.
    EXPECT_EQ(wizard()->importFieldsCount(), 5);
    EXPECT_EQ(wizard()->table()->model()->rowCount(), 5);
    EXPECT_EQ(wizard()->importArray(), QList<int>({1, 2, 3, 4, 5}));
    EXPECT_EQ(wizard()->recordArray(), QStringList({"Smith, John", "O\"Neil", "42", ""}));
    EXPECT_EQ(wizard()->table()->model()->index(1, 1).data().toString(), "O\"Neil");
    EXPECT_EQ(wizard()->fromBox()->value(), 1);
    EXPECT_EQ(wizard()->toBox()->value(), 3);

    choose(0, "Last Name");
    choose(1, "First Name");
    choose(2, "Zip");
    choose(3, "");
    choose(4, "City");
    clickImport();
    EXPECT_FALSE(wizard()->isVisible());
    EXPECT_EQ(records("Last_Name, First_Name, Zip, City IS NULL, Groups"),
              "Smith, John|O\"Neil|42|1|0\na|b|c|0|0\nx|y|z|1|0");
    // The first record of the list shows in the form.
    EXPECT_EQ(editor().browserModel()->rowCount(), 3);
    EXPECT_EQ(editor().selectedRecordIndex(), 0);
    EXPECT_EQ(text("filteredCount"), "3");
}

TEST_F(ImportExport, FromTwoToThreeImportsExactlyThoseLinesAndTheMappingIsRemembered)
{
    QByteArray lines;
    for (int i = 1; i <= 10; ++i)
        lines += QByteArray("skip\tName") + QByteArray::number(i) + "\n";
    const QString file = writeFile("ten.tab", lines);
    openWizard(file);
    EXPECT_EQ(wizard()->delimiterPopup()->currentText(), "Tab");
    choose(0, "");
    choose(1, "Last Name");
    wizard()->fromBox()->setValue(2);
    wizard()->toBox()->setValue(3);
    EXPECT_EQ(wizard()->recordArray(), QStringList({"skip", "Name2"}));
    EXPECT_EQ(wizard()->table()->model()->index(1, 1).data().toString(), "Name2");
    clickImport();
    EXPECT_EQ(records("Last_Name"), "Name2\nName3");

    // The same file offers the mapping chosen last time; cancelling keeps it.
    openWizard(file);
    EXPECT_EQ(wizard()->importArray(), QList<int>({0, entryOf("Last Name")}));
    choose(1, "City");
    clickCancel();
    openWizard(file);
    EXPECT_EQ(wizard()->importArray(), QList<int>({0, entryOf("Last Name")}));
    clickCancel();
    EXPECT_EQ(records("count(*)"), "2");
}

TEST_F(ImportExport, AFieldChosenForTwoColumnsTakesTheFirstValueThatIsNotEmpty)
{
    const QString file = writeFile("twice.csv", ",Second\nFirst,Other\n");
    openWizard(file);
    choose(0, "Last Name");
    choose(1, "Last Name");
    clickImport();
    EXPECT_EQ(records("Last_Name"), "Second\nFirst");
}

TEST_F(ImportExport, CancellingALongImportLeavesNoRecordBehind)
{
    QByteArray lines;
    for (int i = 0; i < 100000; ++i)
        lines += "First" + QByteArray::number(i) + ",Last" + QByteArray::number(i) + "\n";
    const QString file = writeFile("long.csv", lines);
    openWizard(file);
    choose(0, "First Name");
    choose(1, "Last Name");
    ImportProgress::setMinimumDuration(0);
    bool sawProgress = false;
    // The user presses Cancel while the progress shows.
    QTimer::singleShot(0, view.get(), [&] {
        for (QWidget *top : QApplication::topLevelWidgets())
            for (auto *progress : top->findChildren<QProgressDialog *>("ImportProgress")) {
                sawProgress = true;
                progress->cancel();
            }
    });
    clickImport();
    ImportProgress::setMinimumDuration(500);
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(records("count(*)"), "0");
    EXPECT_EQ(dbtest::cli(testPath, "PRAGMA integrity_check;"), "ok");

    // Without Cancel the whole file is one transaction that is kept.
    openWizard(file);
    clickImport();
    EXPECT_EQ(records("count(*)"), "100000");
}

TEST_F(ImportExport, AFileThatIsNotTextIsSaidAndImportsNothing)
{
    const QString file = writeFile("picture.txt", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    prompts->queuePath(file);
    editor().importDatabase();
    ASSERT_EQ(alerts(), 1);
    EXPECT_EQ(prompts->last().title, QString::fromUtf8("The file \u201cpicture.txt\u201d is not text."));
    EXPECT_FALSE(wizard() && wizard()->isVisible());
    EXPECT_EQ(records("count(*)"), "0");
}

TEST_F(ImportExport, ASpreadsheetsWindowsTextIsReadInItsEncodingAndMappedByItsHeader)
{
    // What a spreadsheet program saves as "CSV" in a Western locale: Windows-1252, made here
    // by iconv from UTF-8, with the header row naming the columns in an order of its own.
    const QString utf8 = writeFile("people-utf8.csv", QString::fromUtf8("E-mail,Last Name,First Name,Street,City,ZIP,Phone,Notes\r\n"
                                                                       "soren@example.dk,S\u00F8rensen,S\u00F8ren,N\u00F8rregade 3,K\u00F8benhavn,1165,+45 1234,\u201Cquoted\u201D \u20AC5\r\n"
                                                                       "zoe@example.fr,M\u00FCller,Zo\u00EB,Rue de l'\u00C9glise 1,Besan\u00E7on,25000,,\r\n")
                                                                   .toUtf8());
    const QString cp1252 = utf8.left(utf8.lastIndexOf('/')) + "/people.csv";
    QProcess iconv;
    iconv.setStandardOutputFile(cp1252);
    iconv.start("iconv", {"-f", "UTF-8", "-t", "CP1252", utf8});
    ASSERT_TRUE(iconv.waitForFinished(30000));
    ASSERT_EQ(iconv.exitCode(), 0) << iconv.readAllStandardError().toStdString();
    ASSERT_TRUE(readFile(cp1252).contains("S\xF8rensen"));

    openWizard(cp1252);
    EXPECT_EQ(alerts(), 0);
    // The first record below the header shows right, and each column found its field by name.
    EXPECT_EQ(wizard()->fromBox()->value(), 2);
    EXPECT_EQ(wizard()->recordArray().mid(0, 5), QStringList({"soren@example.dk", QString::fromUtf8("S\u00F8rensen"), QString::fromUtf8("S\u00F8ren"),
                                                             QString::fromUtf8("N\u00F8rregade 3"), QString::fromUtf8("K\u00F8benhavn")}));
    EXPECT_EQ(wizard()->recordArray().value(7), QString::fromUtf8("\u201Cquoted\u201D \u20AC5"));
    EXPECT_EQ(wizard()->table()->model()->index(1, 1).data().toString(), QString::fromUtf8("S\u00F8rensen"));
    const QStringList expected = {"Email", "Last Name", "First Name", "Address", "City", "Zip", "Phone Home", ""};
    for (int column = 0; column < expected.size(); ++column)
        EXPECT_EQ(wizard()->importArray().value(column), expected.at(column).isEmpty() ? 0 : entryOf(expected.at(column)))
            << "column " << column;
    clickImport();
    EXPECT_EQ(records("First_Name, Last_Name, Address, City, Zip, Email, ifnull(Phone_Home, '-')"),
              QString::fromUtf8("S\u00F8ren|S\u00F8rensen|N\u00F8rregade 3|K\u00F8benhavn|1165|soren@example.dk|+45 1234\n"
                                "Zo\u00EB|M\u00FCller|Rue de l'\u00C9glise 1|Besan\u00E7on|25000|zoe@example.fr|-"));
}

TEST_F(ImportExport, AnUnclosedQuoteIsNamedByItsLineAndLosesNoRecord)
{
    const QString file = writeFile("quotes.csv", "Ada,Lovelace,London\n"
                                                 "Bob,\"Smith,Leeds\n"
                                                 "Alan,Turing,\"Wilmslow, Cheshire\"\n"
                                                 "Grace,Hopper,\"New York\n");
    openWizard(file);
    ASSERT_EQ(alerts(), 1);
    EXPECT_EQ(prompts->last().title, "A quote opened on line 2, 4 is never closed.");
    EXPECT_EQ(wizard()->toBox()->value(), 4);
    choose(0, "First Name");
    choose(1, "Last Name");
    choose(2, "City");
    clickImport();
    EXPECT_EQ(records("First_Name, Last_Name, City"), "Ada|Lovelace|London\nBob|Smith|Leeds\nAlan|Turing|Wilmslow, Cheshire\nGrace|Hopper|New York");
}

TEST_F(ImportExport, ASemicolonFileWithAByteOrderMarkAndCrLfIsSplitBySemicolons)
{
    const QString file = writeFile("export.csv", "\xEF\xBB\xBFVorname;Nachname;PLZ;Ort\r\n"
                                                 "J\xC3\xBCrgen;Wei\xC3\x9F;10115;Berlin\r\n"
                                                 "Anna;\"Schmidt; geb. Maier\";80331;M\xC3\xBCnchen\r\n");
    openWizard(file);
    EXPECT_EQ(alerts(), 0);
    EXPECT_EQ(wizard()->delimiterPopup()->currentText(), "Semicolon");
    EXPECT_EQ(wizard()->importFieldsCount(), 4);
    EXPECT_EQ(wizard()->importArray(), QList<int>({entryOf("First Name"), entryOf("Last Name"), entryOf("Zip"), entryOf("City")}));
    clickImport();
    EXPECT_EQ(records("First_Name, Last_Name, Zip, City"),
              QString::fromUtf8("J\u00FCrgen|Wei\u00DF|10115|Berlin\nAnna|Schmidt; geb. Maier|80331|M\u00FCnchen"));
}

TEST_F(ImportExport, AWorkbookSheetIsImportedRowByRowWithoutItsColumnLetters)
{
    dbtest::Workbook book;
    book.cellXfs = {0, 14};
    book.sheets = {{"Contacts",
                    "<row r=\"1\"><c r=\"A1\" t=\"str\"><v>Ann</v></c><c r=\"C1\" s=\"1\"><v>43831</v></c></row>"
                    "<row r=\"2\"><c r=\"B2\" t=\"str\"><v>Bonn</v></c><c r=\"C2\" s=\"1\"><v>43832.25</v></c></row>"},
                   {"Empty", ""}};
    const QString file = qmtest::freshDir("wb") + "/book.xlsx";
    ASSERT_TRUE(book.write(file));
    openWizard(file);
    EXPECT_EQ(wizard()->delimiterCaption()->text(), "Sheet:");
    EXPECT_EQ(wizard()->delimiterPopup()->count(), 2);
    EXPECT_EQ(wizard()->delimiterPopup()->itemText(0), "Contacts");
    EXPECT_EQ(wizard()->table()->model()->index(1, 0).data().toString(), "B");
    EXPECT_EQ(wizard()->toBox()->value(), 2);
    EXPECT_EQ(wizard()->recordArray(), QStringList({"Ann", "", "01-01-20"}));
    choose(0, "Last Name");
    choose(1, "City");
    choose(2, "User Field 1");
    clickImport();
    EXPECT_EQ(records("Last_Name, City, User_Field_1"), "Ann||01-01-20\n|Bonn|01-02-20");
}

TEST_F(ImportExport, AHostileWorkbookIsRefusedWithAMessage)
{
    dbtest::Workbook book;
    book.sheets = {{"Sheet", "<row r=\"1\"><c r=\"A1\" t=\"str\"><v>x</v></c></row>"}};
    book.extra = {{"../../escape.txt", "owned"}};
    const QString file = qmtest::freshDir("wb") + "/slip.xlsx";
    ASSERT_TRUE(book.write(file));
    prompts->queuePath(file);
    editor().importDatabase();
    ASSERT_EQ(alerts(), 1);
    EXPECT_EQ(prompts->last().message, "Error reading Excel Workbook file");
    EXPECT_TRUE(prompts->last().title.contains("escape.txt"));
    EXPECT_FALSE(wizard()->isVisible());
}

TEST_F(ImportExport, ExportWritesTheListedRecordsWithCrLfAndReadsBackUnchanged)
{
    {
        Database db(testPath);
        db.initFieldsStructure();
        dbtest::addRecord(db, {{"Last_Name", "Abe"}, {"First_Name", "Smith, John"}, {"City", "O\"Neil"}});
        dbtest::addRecord(db, {{"Last_Name", "Bee"}, {"First_Name", ""}, {"City", "Two\nlines"}});
        dbtest::addRecord(db, {{"Last_Name", "Cee"}, {"First_Name", "He said \"no\", then"}, {"City", "x"}});
    }
    editor().reloadBrowser();
    const QString chosen = qmtest::freshDir("out") + "/people";
    prompts->queuePath(chosen);
    editor().exportDatabase();
    ExportDatabasePanel *panel = editor().exportDatabasePanel();
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_EQ(panel->delimiterPopup()->currentText(), "Comma");
    // Only First Name, Last Name and City, in that order.
    QListWidget *list = panel->table();
    QStringList wanted = {"First Name", "Last Name", "City"};
    for (int row = list->count() - 1; row >= 0; --row) {
        const QString title = panel->exportArray().at(row).title();
        if (!wanted.contains(title))
            panel->toggleRow(row);
    }
    // Drag Last Name to the top of the list.
    for (int row = 0; row < list->count(); ++row) {
        if (panel->exportArray().at(row).title() == "Last Name") {
            list->insertItem(0, list->takeItem(row));
            break;
        }
    }
    QTest::mouseClick(panel->findChild<QPushButton *>("export"), Qt::LeftButton);
    const QByteArray written = readFile(chosen + ".txt");
    EXPECT_EQ(written, "Abe,\"Smith, John\",\"O\"\"Neil\"\r\n"
                       "Bee,,\"Two\nlines\"\r\n"
                       "Cee,\"He said \"\"no\"\", then\",x");

    // Read back by the wizard into another database: the same values.
    dbtest::makeNamedDatabase("Copy", 0);
    ASSERT_TRUE(editor().setDatabasePath(Database::pathForTitle("Copy")));
    testPath = Database::pathForTitle("Copy");
    openWizard(chosen + ".txt");
    choose(0, "Last Name");
    choose(1, "First Name");
    choose(2, "City");
    clickImport();
    EXPECT_EQ(dbtest::sqliteCli(testPath, "SELECT Last_Name, First_Name, City FROM dbtable ORDER BY pk;"),
              "Abe|Smith, John|O\"Neil\nBee||Two\nlines\nCee|He said \"no\", then|x\n");
}

TEST_F(ImportExport, AFailedExportIsSaidAndTheChosenNameIsKept)
{
    {
        Database db(testPath);
        db.initFieldsStructure();
        dbtest::addRecord(db, {{"Last_Name", "Abe"}});
    }
    editor().reloadBrowser();
    const QString folder = qmtest::freshDir("out2");
    prompts->queuePath(folder + "/names.csv");
    editor().exportDatabase();
    editor().exportDatabasePanel()->delimiterPopup()->setCurrentIndex(4);
    editor().exportDatabasePanel()->accept();
    EXPECT_EQ(alerts(), 0) << prompts->last().title.toStdString();
    EXPECT_TRUE(QFile::exists(folder + "/names.csv"));
    EXPECT_FALSE(QFile::exists(folder + "/names.txt"));
    // Every exportable field, the date first: 22 values, the fifth the last name.
    const QList<QByteArray> values = readFile(folder + "/names.csv").split(';');
    ASSERT_EQ(values.size(), 22);
    EXPECT_EQ(values.at(4), "Abe");
    EXPECT_TRUE(values.at(0).startsWith("20"));

    prompts->queuePath(folder + "/missing/folder/names.txt");
    editor().exportDatabase();
    editor().exportDatabasePanel()->accept();
    ASSERT_EQ(alerts(), 1);
    EXPECT_EQ(prompts->last().title, QString::fromUtf8("The file \u201cnames.txt\u201d could not be written."));
}

// A value of megabytes shows in the mapping table as its first few hundred characters, elided,
// never cut inside a character; the import keeps it whole.
TEST_F(ImportExport, TheWizardShowsAFewHundredCharactersOfAValueAndImportsItWhole)
{
    const QString emoji = QString::fromUtf8("\U0001F600");
    QString huge;
    // Over four megabytes of UTF-8, below what one field takes.
    while (huge.size() < 3500 * 1024)
        huge += QStringLiteral("Notes ") + emoji;
    const QString file = writeFile("huge.csv", "Ada," + huge.toUtf8() + ",short\r\nGrace,brief,also short\r\n");
    openWizard(file);
    choose(0, "First Name");
    choose(1, "User Field 1");
    choose(2, "User Field 2");
    QAbstractItemModel *model = wizard()->table()->model();
    for (int role : {int(Qt::DisplayRole), int(Qt::ToolTipRole)}) {
        const QString shown = model->index(1, 1).data(role).toString();
        EXPECT_LE(shown.size(), NewImportDatabasePanel::ShownValueLength + 1);
        EXPECT_GE(shown.size(), NewImportDatabasePanel::ShownValueLength - 1);
        EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
        EXPECT_TRUE(huge.startsWith(shown.chopped(1)));
        EXPECT_FALSE(shown.chopped(1).back().isHighSurrogate());
        EXPECT_EQ(model->index(2, 1).data(role).toString(), "short");
    }
    // Every length around the limit, and a character of two halves at the cut.
    for (int length = NewImportDatabasePanel::ShownValueLength - 2; length <= NewImportDatabasePanel::ShownValueLength + 2; ++length) {
        const QString value = QString(length - 2, QLatin1Char('x')) + emoji;
        const QString shown = NewImportDatabasePanel::shownValue(value);
        EXPECT_EQ(shown == value, value.size() <= NewImportDatabasePanel::ShownValueLength) << length;
        if (shown != value) {
            EXPECT_FALSE(shown.chopped(1).back().isHighSurrogate()) << length;
        }
    }
    clickImport();
    EXPECT_EQ(records("First_Name, length(User_Field_1), User_Field_2"),
              QStringLiteral("Ada|%1|short\nGrace|5|also short").arg(huge.size() - huge.count(emoji)));
}

namespace {

// Made by the work on its thread; the thread lets go of it as it ends, and waits, as a large
// free would, until the test has seen what the window did meanwhile.
struct FreedAtThreadEnd
{
    std::atomic<bool> *freed = nullptr;
    std::atomic<bool> *release = nullptr;
    ~FreedAtThreadEnd()
    {
        if (!freed)
            return;
        for (int i = 0; i < 1000 && !release->load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        freed->store(true);
    }
};

} // namespace

TEST_F(ImportExport, TheWindowNeverWaitsForTheThreadOfWorkAsideToEnd)
{
    // What the thread frees after the work has ended is freed aside: the window goes on.
    for (int minimum : {0, 500}) {
        SCOPED_TRACE(minimum);
        ImportProgress::setMinimumDuration(minimum);
        std::atomic<bool> freed{false};
        std::atomic<bool> release{false};
        const bool finished = ImportProgress::runAside(view.get(), QStringLiteral("Working..."), [&](ImportProgress::Aside &) {
            static thread_local FreedAtThreadEnd kept;
            kept.freed = &freed;
            kept.release = &release;
        });
        EXPECT_TRUE(finished);
        EXPECT_FALSE(freed.load());
        release.store(true);
        for (int i = 0; i < 1000 && !freed.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(freed.load());
    }
    ImportProgress::setMinimumDuration(500);
}

// Each progress the window shows says what is being done, the reload after an import too.
TEST_F(ImportExport, TheProgressOfAnImportAndOfTheReloadAfterItSayWhatEachDoes)
{
    struct Labels : QObject
    {
        QStringList seen;
        bool eventFilter(QObject *object, QEvent *event) override
        {
            if (event->type() == QEvent::Show && object->objectName() == QLatin1String("ImportProgress"))
                if (auto *dialog = qobject_cast<QProgressDialog *>(object))
                    seen.append(dialog->labelText());
            return false;
        }
    } labels;
    qApp->installEventFilter(&labels);
    ImportProgress::setMinimumDuration(0);
    // Work that takes an instant begins only once its dialog has shown, as a long one is still
    // at its start then: whatever the machine's load, each dialog shows saying what its work
    // does, not the step that work has already reached.
    ImportProgress::setStepHookForTesting([](qint64 step) {
        if (step == ImportProgress::WorkBegun)
            QMetaObject::invokeMethod(qApp, [] {}, Qt::BlockingQueuedConnection);
    });
    QByteArray cards;
    for (int i = 0; i < 50; ++i)
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Last" + QByteArray::number(i) + ";First;;;\r\nEND:VCARD\r\n";
    editor().importVCardFile(writeFile("cards.vcf", cards));
    const QString text = writeFile("people.csv", "First Name,Last Name\r\nAda,Lovelace\r\n");
    openWizard(text);
    clickImport();
    ImportProgress::setStepHookForTesting({});
    ImportProgress::setMinimumDuration(500);
    qApp->removeEventFilter(&labels);
    EXPECT_EQ(labels.seen, QStringList({"Importing records...", "Listing the records...", "Reading the file...", "Importing records...",
                                        "Listing the records..."}));
    EXPECT_EQ(records("count(*)"), "51");
}
