// Files as people have them, imported through the Database menu of the whole window: workbooks
// whose shared strings would multiply into more text than the disk holds, dates and amounts in
// the number formats spreadsheets write, header rows, the contact exports of mail programs, a
// database another program holds, dates the form cannot read, and the small oddities of text
// and vCard files. What was stored is read back with the sqlite3 program.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <memory>

#include "app/AppTestSupport.h"
#include "database/DatabaseTestSupport.h"
#include "database/WorkbookBuilder.h"
#include "database/exchange/ImportBound.h"
#include "database/exchange/ImportHeader.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/window/DatabaseView.h"
#include "database/window/ImportProgress.h"
#include "database/window/NewImportDatabasePanel.h"
#include "database/window/RecordBrowserModel.h"

using namespace quillmark;

namespace {

class ImportSourcesWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(Database::databasesFolder()).removeRecursively();
        QDir().mkpath(Database::databasesFolder());
        path = Database::pathForTitle("Club");
        ASSERT_TRUE(Database::createDatabaseAtPath(path));
        folder = qmtest::freshDir("sources");
        app = std::make_unique<apptest::WindowFixture>("sources");
        UserDefaults::standard().setObject(path, "databasePath");
        app->window->finishLaunching();
        app->window->modeSwitch()->switchTabs(DatabaseModeSwitch::DatabaseMode);
        apptest::settle();
        ASSERT_TRUE(editor()->database());
    }

    void TearDown() override
    {
        app.reset();
        QDir(Database::databasesFolder()).removeRecursively();
        ImportProgress::setMinimumDuration(500);
        DatabaseUserAction::end();
    }

    DatabaseFieldsView *editor() { return app->window->modeSwitch()->databaseView()->databaseFieldsView(); }
    NewImportDatabasePanel *wizard() { return editor()->importDatabasePanel(); }
    qmtest::TestPrompts &prompts() { return app->prompts.prompts(); }
    int alerts() { return prompts().count(qmtest::TestPrompts::Alert); }

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(folder + "/" + name);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }

    // Database > (an item), its menus opened first as a click would, so that it is validated.
    void run(const QString &title)
    {
        QAction *found = nullptr;
        for (QAction *top : app->window->menuBar()->actions()) {
            if (!top->menu() || top->menu()->title() != QLatin1String("Database"))
                continue;
            emit top->menu()->aboutToShow();
            for (QAction *item : top->menu()->actions())
                if (item->text() == title)
                    found = item;
        }
        ASSERT_TRUE(found) << title.toStdString();
        ASSERT_TRUE(found->isEnabled()) << title.toStdString();
        found->trigger();
        apptest::settle();
    }

    // Database > Import... with that file chosen in the open panel.
    void openImport(const QString &file)
    {
        prompts().queuePath(file);
        run("Import...");
    }
    void clickImport()
    {
        ASSERT_TRUE(wizard() && wizard()->isVisible());
        QTest::mouseClick(wizard()->findChild<QPushButton *>("import"), Qt::LeftButton);
        apptest::settle();
    }
    QString sql(const QString &statement) { return dbtest::sqliteCli(path, statement).trimmed(); }
    QString records(const QString &columns) { return sql("SELECT " + columns + " FROM dbtable ORDER BY pk;"); }

    QString path;
    QString folder;
    std::unique_ptr<apptest::WindowFixture> app;
};

QString inline_(const QString &reference, const QString &text)
{
    return QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>").arg(reference, text.toHtmlEscaped());
}

} // namespace

TEST_F(ImportSourcesWindow, AFileIsRefusedBeforeAnythingIsWrittenWhenItWouldMakeFarMoreThanItsSize)
{
    // One shared string of three million characters named by thirty cells, beside a blank
    // comment of twenty megabytes that costs the packed file almost nothing: some thirty
    // kilobytes on disk that would write 90 million characters.
    dbtest::Workbook bomb;
    bomb.sharedStrings = {"<t>" + QString(3 * 1000 * 1000, QLatin1Char('B')) + "</t>"};
    QString rows = "<!--" + QString(20 * 1000 * 1000, QLatin1Char(' ')) + "-->";
    for (int r = 1; r <= 30; ++r)
        rows += QStringLiteral("<row r=\"%1\"><c r=\"A%1\" t=\"s\"><v>0</v></c></row>").arg(r);
    bomb.sheets = {{"People", rows}};
    const QString bombPath = folder + "/bomb.xlsx";
    ASSERT_TRUE(bomb.write(bombPath));
    ASSERT_LT(QFileInfo(bombPath).size(), 100 * 1024);
    // Three thousand rows each with a value in column XFD: 49 million cells from 40 KB.
    dbtest::Workbook far;
    QString farRows;
    for (int r = 1; r <= 3000; ++r)
        farRows += QStringLiteral("<row r=\"%1\"><c r=\"A%1\"><v>%1</v></c><c r=\"XFD%1\"><v>1</v></c></row>").arg(r);
    far.sheets = {{"Far", farRows}};
    const QString farPath = folder + "/far.xlsx";
    ASSERT_TRUE(far.write(farPath));
    // A text file's line of more fields than a spreadsheet has columns.
    const QString columnsPath = write("columns.csv", "Ada" + QByteArray(16384, ',') + "\nGrace,Hopper\n");

    const qint64 sizeBefore = QFileInfo(path).size();
    const QRegularExpression refusal(QStringLiteral("^The file \u201c(.+)\u201d is refused: its \\d+ KB on disk would make more than (.+)\\.$"));
    openImport(bombPath);
    ASSERT_EQ(alerts(), 1);
    QRegularExpressionMatch said = refusal.match(prompts().last().title);
    ASSERT_TRUE(said.hasMatch()) << prompts().last().title.toStdString();
    EXPECT_EQ(said.captured(1), "bomb.xlsx");
    EXPECT_TRUE(said.captured(2).endsWith(" MB of text")) << said.captured(2).toStdString();
    EXPECT_EQ(prompts().last().message, "Error reading Excel Workbook file");
    EXPECT_FALSE(wizard()->isVisible());

    openImport(farPath);
    ASSERT_EQ(alerts(), 2);
    said = refusal.match(prompts().last().title);
    ASSERT_TRUE(said.hasMatch()) << prompts().last().title.toStdString();
    EXPECT_EQ(said.captured(1), "far.xlsx");
    EXPECT_TRUE(said.captured(2).endsWith(" cells")) << said.captured(2).toStdString();
    EXPECT_FALSE(wizard()->isVisible());

    openImport(columnsPath);
    ASSERT_EQ(alerts(), 3);
    EXPECT_EQ(prompts().last().title, QString("The file \u201ccolumns.csv\u201d is refused: a record of it has more than 16,384 columns."));
    EXPECT_FALSE(wizard()->isVisible());

    // Five of those long texts in one row of a file large enough for them (its other part
    // does not pack): more than one record takes.
    dbtest::Workbook wide;
    wide.sharedStrings = {"<t>" + QString(1000 * 1000, QLatin1Char('B')) + "</t>"};
    wide.sheets = {{"Wide", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>0</v></c><c r=\"C1\" t=\"s\"><v>0</v></c>"
                            "<c r=\"D1\" t=\"s\"><v>0</v></c><c r=\"E1\" t=\"s\"><v>0</v></c></row>"}};
    QByteArray noise;
    quint32 x = 2463534242u;
    for (int i = 0; i < 200 * 1024; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        noise += char(x & 0xFF);
    }
    wide.extra = {{"docProps/thumbnail.bin", noise}};
    const QString widePath = folder + "/wide.xlsx";
    ASSERT_TRUE(wide.write(widePath));
    openImport(widePath);
    ASSERT_EQ(alerts(), 4);
    EXPECT_EQ(prompts().last().title,
              QString("Row 1 of the sheet \u201cWide\u201d in the workbook \u201cwide.xlsx\u201d holds more text than one record takes: the file is damaged."));
    EXPECT_FALSE(wizard()->isVisible());

    // A text file of one five-million-character line gets through the wizard; the import is
    // refused whole before its first record.
    const QString longLine = write("long.csv", "Ada," + QByteArray(5 * 1000 * 1000, 'x') + "\nGrace,Hopper\n");
    openImport(longLine);
    clickImport();
    ASSERT_EQ(alerts(), 5);
    EXPECT_EQ(prompts().last().title, "Nothing was imported.");
    EXPECT_EQ(prompts().last().message, "Record 1 holds more than 4 MB of text.");

    EXPECT_EQ(sql("SELECT count(*) FROM dbtable;"), "0");
    EXPECT_EQ(QFileInfo(path).size(), sizeBefore);

    // What a real list repeats (the same long note on every row: thirty times its packed size)
    // comes in whole.
    dbtest::Workbook notes;
    const QString note = QStringLiteral("Delivered to the back door of the warehouse, please ring twice and wait for the porter. ").repeated(2);
    constexpr int noteRecords = 8000;
    notes.sharedStrings = {"<t>" + note + "</t>"};
    QString noteRows = "<row r=\"1\">" + inline_("A1", "Last Name") + inline_("B1", "User Field 1") + "</row>";
    for (int r = 2; r <= noteRecords + 1; ++r)
        noteRows += QStringLiteral("<row r=\"%1\"><c r=\"B%1\" t=\"s\"><v>0</v></c></row>").arg(r);
    notes.sheets = {{"Notes", noteRows}};
    const QString notesPath = folder + "/notes.xlsx";
    ASSERT_TRUE(notes.write(notesPath));
    // More than a small file may make whatever its size, and twenty times its own size.
    ASSERT_GT(noteRecords * note.size(), ImportBound::Floor);
    ASSERT_GT(noteRecords * note.size(), 20 * QFileInfo(notesPath).size());
    openImport(notesPath);
    clickImport();
    EXPECT_EQ(alerts(), 5);
    EXPECT_EQ(sql("SELECT count(*), sum(length(User_Field_1) = " + QString::number(note.size()) + ") FROM dbtable;"),
              QStringLiteral("%1|%1").arg(noteRecords));
}

TEST_F(ImportSourcesWindow, EachFormatCodeShowsWhatASpreadsheetShows)
{
    // 43845.75 is 15 January 2020 at 18:00.
    struct Case
    {
        const char *code;
        const char *value;
        const char *shown;
    };
    const Case cases[] = {
        {"dd.mm.yyyy", "43845.75", "15.01.2020"},
        {"d.m.yyyy", "43845.75", "15.1.2020"},
        {"MM/DD/YY", "43845.75", "01/15/20"},
        {"DD.MM.YYYY", "43845.75", "15.01.2020"},
        {"YYYY-MM-DD", "43845.75", "2020-01-15"},
        {"HH:MM", "43845.75", "18:00"},
        {"[$-409]mmmm d, yyyy;@", "43845.75", "January 15, 2020"},
        {"[$\u20AC-407]#,##0.00;[RED]\\-[$\u20AC-407]#,##0.00", "1234.5", "\u20AC1,234.50"},
        {"[$\u20AC-407]#,##0.00;[RED]\\-[$\u20AC-407]#,##0.00", "-1234.5", "-\u20AC1,234.50"},
        {"#,##0.00 \"\u20AC\"", "1234.5", "1,234.50 \u20AC"},
        {"#,##0.00 [$\u20AC-407]", "1234.5", "1,234.50 \u20AC"},
        {"mm-dd-yy", "43845.75", "01-15-20"},
        {"h:mm AM/PM", "43845.75", "6:00 PM"},
        {"00000", "2134", "02134"},
    };
    // A header naming the two fields, then one row per code: the code as text, the value
    // with a style of that code.
    dbtest::Workbook book;
    book.cellXfs = {0};
    QString rows = "<row r=\"1\">" + inline_("A1", "Last Name") + inline_("B1", "User Field 1") + "</row>";
    int r = 2;
    QStringList expected;
    for (const Case &c : cases) {
        book.numFmts.append({164 + r, QString::fromUtf8(c.code)});
        book.cellXfs.append(164 + r);
        rows += QStringLiteral("<row r=\"%1\">").arg(r) + inline_(QStringLiteral("A%1").arg(r), QString::fromUtf8(c.code))
                + QStringLiteral("<c r=\"B%1\" s=\"%2\"><v>%3</v></c></row>").arg(r).arg(book.cellXfs.size() - 1).arg(c.value);
        expected.append(QString::fromUtf8(c.code) + "|" + QString::fromUtf8(c.shown));
        ++r;
    }
    book.sheets = {{"Formats", rows}};
    const QString file = folder + "/formats.xlsx";
    ASSERT_TRUE(book.write(file));

    openImport(file);
    ASSERT_TRUE(wizard()->isVisible());
    EXPECT_EQ(alerts(), 0);
    // The sample record below the header shows the first date as the spreadsheet does.
    EXPECT_EQ(wizard()->fromBox()->value(), 2);
    EXPECT_EQ(wizard()->table()->model()->index(1, 1).data().toString(), "15.01.2020");
    clickImport();
    EXPECT_EQ(records("Last_Name || '|' || User_Field_1").split('\n'), expected);

    // The same day in a workbook counting from 1904.
    dbtest::Workbook book1904;
    book1904.date1904 = true;
    book1904.numFmts = {{164, "YYYY-MM-DD hh:mm"}};
    book1904.cellXfs = {0, 164};
    book1904.sheets = {{"1904", "<row r=\"1\">" + inline_("A1", "Last Name") + inline_("B1", "User Field 1") + "</row>"
                                "<row r=\"2\">" + inline_("A2", "1904") + "<c r=\"B2\" s=\"1\"><v>42383.75</v></c></row>"}};
    const QString file1904 = folder + "/1904.xlsx";
    ASSERT_TRUE(book1904.write(file1904));
    openImport(file1904);
    clickImport();
    EXPECT_EQ(sql("SELECT User_Field_1 FROM dbtable WHERE Last_Name = '1904';"), "2020-01-15 18:00");
    EXPECT_EQ(alerts(), 0);
}

TEST_F(ImportSourcesWindow, AWorkbookWithAHeaderRowIsMappedByItsHeader)
{
    dbtest::Workbook book;
    book.sharedStrings = {"<t>Company</t>", "<t>Last Name</t>", "<t>First Name</t>", "<t>E-mail</t>", "<t>Acme</t>"};
    book.sheets = {{"People", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
                              "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c></row>"
                              "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>4</v></c>" + inline_("B2", "Lovelace") + inline_("C2", "Ada")
                                  + inline_("D2", "ada@example.org") + "</row>"
                              "<row r=\"3\">" + inline_("B3", "Hopper") + inline_("C3", "Grace") + "</row>"}};
    const QString file = folder + "/people.xlsx";
    ASSERT_TRUE(book.write(file));
    openImport(file);
    ASSERT_TRUE(wizard()->isVisible());
    // Each column shows the field its header names; the import starts below the header.
    QStringList shown;
    for (int row = 0; row < wizard()->table()->model()->rowCount(); ++row)
        shown.append(wizard()->table()->model()->index(row, 2).data().toString());
    EXPECT_EQ(shown, QStringList({"Company", "Last Name", "First Name", "Email"}));
    EXPECT_EQ(wizard()->fromBox()->value(), 2);
    EXPECT_EQ(wizard()->toBox()->value(), 3);
    EXPECT_EQ(wizard()->recordArray(), QStringList({"Acme", "Lovelace", "Ada", "ada@example.org"}));
    clickImport();
    EXPECT_EQ(records("First_Name, Last_Name, ifnull(Company, '-'), ifnull(Email, '-')"),
              "Ada|Lovelace|Acme|ada@example.org\nGrace|Hopper|-|-");
    EXPECT_EQ(alerts(), 0);
}

namespace {

quint32 littleEndian(const QByteArray &bytes, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

void putLittleEndian(QByteArray &bytes, qsizetype at, int size, quint32 value)
{
    for (int i = 0; i < size; ++i, value >>= 8)
        bytes[at + i] = char(value & 0xFF);
}

// The parts of a zip, found through its central directory: where each one's two headers and
// its packed data are.
struct ZipPart
{
    QString name;
    qsizetype central;
    qsizetype local;
    qsizetype data;
    quint32 packed;
    quint32 size;
};

QList<ZipPart> zipParts(const QByteArray &zip)
{
    QList<ZipPart> parts;
    const qsizetype end = zip.lastIndexOf("PK\x05\x06");
    if (end < 0)
        return parts;
    qsizetype at = littleEndian(zip, end + 16, 4);
    for (quint32 n = littleEndian(zip, end + 10, 2); n > 0; --n) {
        ZipPart part;
        const int nameLength = int(littleEndian(zip, at + 28, 2));
        part.name = QString::fromUtf8(zip.mid(at + 46, nameLength));
        part.central = at;
        part.local = littleEndian(zip, at + 42, 4);
        part.packed = littleEndian(zip, at + 20, 4);
        part.size = littleEndian(zip, at + 24, 4);
        part.data = part.local + 30 + littleEndian(zip, part.local + 26, 2) + littleEndian(zip, part.local + 28, 2);
        parts.append(part);
        at += 46 + nameLength + littleEndian(zip, at + 30, 2) + littleEndian(zip, at + 32, 2);
    }
    return parts;
}

} // namespace

TEST_F(ImportSourcesWindow, EveryPartOfAWorkbookDamagedIsRefusedNamingTheFileOrReadWhole)
{
    dbtest::Workbook book;
    book.sharedStrings = {"<t>First Name</t>", "<t>E-mail</t>", "<t>Date</t>", "<t>Ada</t>"};
    book.numFmts = {{164, "yyyy-mm-dd"}};
    book.cellXfs = {0, 164};
    book.sheets = {{"People", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
                              "<c r=\"C1\" t=\"s\"><v>2</v></c></row>"
                              "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>3</v></c>" + inline_("B2", "ada@example.org")
                                  + "<c r=\"C2\" s=\"1\"><v>45306</v></c></row>"}};
    book.extra = {{"docProps/app.xml", "<Properties/>"}};
    const QString pristine = folder + "/pristine.xlsx";
    ASSERT_TRUE(book.write(pristine));
    openImport(pristine);
    clickImport();
    const QString whole = records("First_Name, Email, Date");
    EXPECT_EQ(whole, "Ada|ada@example.org|2024-01-15");
    sql("DELETE FROM dbtable;");

    QFile read(pristine);
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    const QByteArray zip = read.readAll();
    const QList<ZipPart> parts = zipParts(zip);
    ASSERT_EQ(parts.size(), 6);
    // Each part with a wrong checksum, a size smaller than its data, or its packed data spoilt.
    int refused = 0;
    int n = 0;
    for (const ZipPart &part : parts) {
        for (const char *damage : {"checksum", "size", "data"}) {
            SCOPED_TRACE((part.name + " " + damage).toStdString());
            QByteArray bytes = zip;
            if (qstrcmp(damage, "checksum") == 0) {
                putLittleEndian(bytes, part.central + 16, 4, ~littleEndian(bytes, part.central + 16, 4));
                putLittleEndian(bytes, part.local + 14, 4, ~littleEndian(bytes, part.local + 14, 4));
            } else if (qstrcmp(damage, "size") == 0) {
                putLittleEndian(bytes, part.central + 24, 4, part.size - 1);
                putLittleEndian(bytes, part.local + 22, 4, part.size - 1);
            } else {
                bytes[part.data + part.packed / 2] = char(bytes.at(part.data + part.packed / 2) ^ 0x55);
            }
            const QString name = QStringLiteral("damaged%1.xlsx").arg(n++);
            const int before = alerts();
            openImport(write(name, bytes));
            if (alerts() > before) {
                // Refused: the message names the file, and nothing comes in.
                ++refused;
                EXPECT_TRUE(prompts().last().title.contains(name)) << prompts().last().title.toStdString();
                EXPECT_FALSE(wizard() && wizard()->isVisible());
            } else {
                // A part the import does not read: the records come in whole.
                ASSERT_TRUE(wizard()->isVisible());
                clickImport();
                EXPECT_EQ(records("First_Name, Email, Date"), whole);
                sql("DELETE FROM dbtable;");
            }
            EXPECT_EQ(sql("SELECT count(*) FROM dbtable;"), "0");
        }
    }
    // The workbook, its sheet list, styles, shared strings and sheet are all read.
    EXPECT_EQ(refused, 5 * 3);
}

TEST_F(ImportSourcesWindow, ContactExportsOfMailProgramsGoToTheirFields)
{
    // A webmail export: a full name beside its parts, typed phones, an organisation.
    const QString webmail = write(
        "contacts.csv",
        "Name,Given Name,Additional Name,Family Name,Yomi Name,Name Prefix,Name Suffix,Nickname,Birthday,Notes,"
        "Organization 1 - Type,Organization 1 - Name,Organization 1 - Title,E-mail 1 - Type,E-mail 1 - Value,"
        "Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Address 1 - Type,Address 1 - Formatted,"
        "Address 1 - Street,Address 1 - City,Address 1 - PO Box,Address 1 - Region,Address 1 - Postal Code,"
        "Address 1 - Country,Website 1 - Type,Website 1 - Value\r\n"
        "Ada Lovelace,Ada,King,Lovelace,,Countess,,,,,,Analytical Engines,Programmer,* Work,ada@example.org,"
        "Mobile,+44 7700 900000,Work,+44 20 7946 0000,Home,\"12 St James's Sq, London\",12 St James's Sq,London,,,SW1Y 4JH,"
        "United Kingdom,Profile,https://ada.example.org\r\n"
        "Grace Hopper,Grace,Brewster,Hopper,,Rear Admiral,,,,,,US Navy,Computer Scientist,Home,grace@example.com,"
        "Work,+1 202 555 0100 ::: +1 202 555 0101,Home,+1 202 555 0199,,,,Arlington,,VA,22201,USA,,\r\n");
    openImport(webmail);
    clickImport();
    EXPECT_EQ(alerts(), 0);
    EXPECT_EQ(records("First_Name, Middle_Name, Last_Name, Salutation, Company, Title, Email, ifnull(Phone_Mobile, '-'), "
                      "Phone_Work, ifnull(Phone_Home, '-'), ifnull(Address, '-'), City, ifnull(State, '-'), Zip, Country, ifnull(Web, '-')"),
              "Ada|King|Lovelace|Countess|Analytical Engines|Programmer|ada@example.org|+44 7700 900000|+44 20 7946 0000|-|"
              "12 St James's Sq|London|-|SW1Y 4JH|United Kingdom|https://ada.example.org\n"
              "Grace|Brewster|Hopper|Rear Admiral|US Navy|Computer Scientist|grace@example.com|-|+1 202 555 0100|+1 202 555 0199|"
              "-|Arlington|VA|22201|USA|-");
    sql("DELETE FROM dbtable;");

    // A desktop mail program's export: "Title" is the one before a name beside "Job Title";
    // a contact with a home address only keeps it.
    const QString desktop = write(
        "outlook.csv",
        "Title,First Name,Middle Name,Last Name,Suffix,Company,Department,Job Title,Business Street,Business City,"
        "Business State,Business Postal Code,Business Country/Region,Home Street,Home City,Home State,Home Postal Code,"
        "Home Country/Region,Business Fax,Business Phone,Home Phone,Mobile Phone,E-mail Address,E-mail 2 Address,Web Page\r\n"
        "Dr.,Charles,,Babbage,,Difference Ltd,R&D,Engineer,1 Dorset St,London,,W1U 4EG,United Kingdom,,,,,,"
        "+44 20 7000 0001,+44 20 7000 0000,,+44 7700 900001,charles@example.co.uk,,www.example.co.uk\r\n"
        "Mrs.,Mary,,Somerville,,,,,,,,,,5 Hanover Sq,Chelsea,,SW3,United Kingdom,,,+44 20 7000 0002,,mary@example.co.uk,,\r\n");
    openImport(desktop);
    clickImport();
    EXPECT_EQ(alerts(), 0);
    EXPECT_EQ(records("Salutation, First_Name, Last_Name, ifnull(Company, '-'), ifnull(Title, '-'), Address, City, Zip, Country, "
                      "ifnull(Fax, '-'), ifnull(Phone_Work, '-'), ifnull(Phone_Home, '-'), ifnull(Phone_Mobile, '-'), Email, ifnull(Web, '-')"),
              "Dr.|Charles|Babbage|Difference Ltd|Engineer|1 Dorset St|London|W1U 4EG|United Kingdom|+44 20 7000 0001|"
              "+44 20 7000 0000|-|+44 7700 900001|charles@example.co.uk|www.example.co.uk\n"
              "Mrs.|Mary|Somerville|-|-|5 Hanover Sq|Chelsea|SW3|United Kingdom|-|-|+44 20 7000 0002|-|mary@example.co.uk|-");
}

TEST_F(ImportSourcesWindow, AnImportWhileAnotherProgramHoldsTheDatabaseSaysNothingWasImported)
{
    ImportProgress::setMinimumDuration(0);
    const QString file = write("people.csv", "First Name,Last Name\nAda,Lovelace\nGrace,Hopper\n");
    openImport(file);
    ASSERT_TRUE(wizard()->isVisible());
    bool progressShown = true;
    prompts().onAlert = [&] {
        progressShown = false;
        for (QProgressDialog *dialog : app->window->findChildren<QProgressDialog *>())
            progressShown = progressShown || dialog->isVisible();
    };
    {
        dbtest::ExclusiveLock lock(path, 30);
        clickImport();
    }
    prompts().onAlert = nullptr;
    ASSERT_EQ(alerts(), 1);
    EXPECT_EQ(prompts().last().title, "Nothing was imported.");
    EXPECT_EQ(prompts().last().message, "Another program is using the database. Try again when it has finished.");
    // The message is not hidden behind the progress, which has closed before it.
    EXPECT_FALSE(progressShown);
    EXPECT_EQ(sql("SELECT count(*) FROM dbtable;"), "0");

    // Once the other program lets go, the same file comes in.
    dbtest::nextUserAction();
    openImport(file);
    clickImport();
    EXPECT_EQ(records("First_Name, Last_Name"), "Ada|Lovelace\nGrace|Hopper");
}

TEST_F(ImportSourcesWindow, AStoredDateTheFormCannotReadIsShownAsItIsStored)
{
    sql("INSERT INTO dbtable (Date, Last_Name, \"Groups\") VALUES ('12/31/2023', 'A', 0), ('31.12.2023 14:30', 'B', 0), "
        "('sometime', 'C', 0), ('01-15-20', 'D', 0), ('January 15, 2020', 'E', 0);");
    editor()->reloadBrowser();
    apptest::settle();
    auto *picker = qobject_cast<QDateTimeEdit *>(editor()->valueControlForPk(1));
    ASSERT_TRUE(picker);
    const QList<dbBrowseField> rows = editor()->browserModel()->rows();
    ASSERT_EQ(rows.size(), 5);
    auto show = [&](const QString &name) {
        for (const dbBrowseField &row : rows)
            if (sql(QStringLiteral("SELECT Last_Name FROM dbtable WHERE pk = %1;").arg(row.pk)) == name)
                editor()->selectRecordWithPk(row.pk);
        apptest::settle();
    };
    show("A");
    EXPECT_EQ(picker->dateTime(), QDateTime(QDate(2023, 12, 31), QTime(0, 0)));
    show("B");
    EXPECT_EQ(picker->dateTime(), QDateTime(QDate(2023, 12, 31), QTime(14, 30)));
    show("D");
    EXPECT_EQ(picker->date(), QDate(2020, 1, 15));
    show("E");
    EXPECT_EQ(picker->date(), QDate(2020, 1, 15));
    // No date at all: the stored text, not the time of day.
    show("C");
    EXPECT_EQ(picker->text(), "sometime");
    EXPECT_NE(picker->date(), QDate::currentDate());
    // Editing another field of that record keeps the stored text.
    auto *last = qobject_cast<QLineEdit *>(editor()->valueControlForPk(6));
    ASSERT_TRUE(last);
    last->setFocus();
    last->selectAll();
    QTest::keyClicks(last, "Carter");
    QTest::keyClick(last, Qt::Key_Return);
    editor()->updateRecord();
    apptest::settle();
    EXPECT_EQ(sql("SELECT Date FROM dbtable WHERE Last_Name = 'Carter';"), "sometime");
}

TEST_F(ImportSourcesWindow, SmallOdditiesOfTextAndCardFilesAreReadAsTheyAreMeant)
{
    // Column names and nothing below them but blank lines: no record, and no wizard.
    for (const char *text : {"First Name,Last Name,City\r\n", "First Name,Last Name,City\r\n\r\n\r\n,,\r\n\r\n"}) {
        const int before = alerts();
        openImport(write("header.csv", text));
        ASSERT_EQ(alerts(), before + 1);
        EXPECT_EQ(prompts().last().title, QString("The file \u201cheader.csv\u201d holds only the names of its columns, no records."));
        EXPECT_FALSE(wizard()->isVisible());
    }
    // An empty file says so.
    openImport(write("empty.csv", "\r\n\r\n"));
    ASSERT_EQ(alerts(), 3);
    EXPECT_EQ(prompts().last().title, QString("The file \u201cempty.csv\u201d holds no records."));
    EXPECT_FALSE(wizard()->isVisible());
    // A renamed text file is no workbook.
    openImport(write("renamed.xlsx", "Ada,Lovelace\n"));
    ASSERT_EQ(alerts(), 4);
    EXPECT_EQ(prompts().last().title, QString("The file \u201crenamed.xlsx\u201d is not an xlsx workbook."));
    EXPECT_FALSE(wizard()->isVisible());
    // "sep=;" names the delimiter and is no record.
    openImport(write("semicolons.csv", "sep=;\r\nFirst Name;Last Name;City\r\nAda;Lovelace;London, UK\r\nGrace;Hopper;Arlington\r\n"));
    ASSERT_TRUE(wizard()->isVisible());
    EXPECT_EQ(wizard()->delimiterPopup()->currentText(), "Semicolon");
    EXPECT_EQ(wizard()->recordArray(), QStringList({"Ada", "Lovelace", "London, UK"}));
    EXPECT_EQ(wizard()->fromBox()->value(), 2);
    EXPECT_EQ(wizard()->toBox()->value(), 3);
    clickImport();
    EXPECT_EQ(records("First_Name, Last_Name, City"), "Ada|Lovelace|London, UK\nGrace|Hopper|Arlington");
    EXPECT_EQ(alerts(), 4);
    sql("DELETE FROM dbtable;");

    // A Latin-1 card naming its charset, one naming none, and a vCard 4.0 "mailto:".
    prompts().queuePath(write("latin.vcf", "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1:M\xFCller;J\xFCrgen;;;\r\n"
                                           "ADR;WORK;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:;;Stra=DFe 1;K=F6ln;;50667;\r\n"
                                           "END:VCARD\r\n"
                                           "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Garc\xED" "a;In\xE9s;;;\r\nEND:VCARD\r\n"
                                           "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Lovelace;Ada;;;\r\nEMAIL;TYPE=work:mailto:ada@example.org\r\n"
                                           "END:VCARD\r\n"));
    run("Import VCard...");
    EXPECT_EQ(alerts(), 4);
    EXPECT_EQ(records("Last_Name, First_Name, ifnull(Address, '-'), ifnull(City, '-'), ifnull(Email, '-')"),
              QString::fromUtf8("M\u00FCller|J\u00FCrgen|Stra\u00DFe 1|K\u00F6ln|-\n"
                                "Garc\u00EDa|In\u00E9s|-|-|-\n"
                                "Lovelace|Ada|-|-|ada@example.org"));
}

TEST_F(ImportSourcesWindow, AWorkbookIsReadAsideWithItsProgressAndCancelLeavesNothing)
{
    // Enough rows that reading them takes a while, shown at once.
    ImportProgress::setMinimumDuration(0);
    dbtest::Workbook book;
    QString rows;
    for (int r = 1; r <= 20000; ++r)
        rows += QStringLiteral("<row r=\"%1\"><c r=\"A%1\" t=\"inlineStr\"><is><t>Name%1</t></is></c><c r=\"B%1\"><v>%1</v></c></row>").arg(r);
    book.sheets = {{"Many", rows}};
    const QString file = folder + "/many.xlsx";
    ASSERT_TRUE(book.write(file));

    // The user presses Cancel on the progress as soon as it shows: no wizard, no message.
    bool sawProgress = false;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QProgressDialog *dialog : app->window->findChildren<QProgressDialog *>()) {
            if (dialog->isVisible() && dialog->objectName() == QLatin1String("ImportProgress")) {
                sawProgress = true;
                QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
            }
        }
    });
    watch.start();
    openImport(file);
    watch.stop();
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(alerts(), 0);
    EXPECT_FALSE(wizard() && wizard()->isVisible());

    // Left to read, the same workbook opens the wizard with every row.
    openImport(file);
    ASSERT_TRUE(wizard()->isVisible());
    EXPECT_EQ(wizard()->toBox()->value(), 20000);
    EXPECT_EQ(wizard()->recordArray(), QStringList({"Name1", "1"}));
    EXPECT_EQ(sql("SELECT count(*) FROM dbtable;"), "0");
}

TEST_F(ImportSourcesWindow, AnImportThatWouldBringNothingSaysSo)
{
    // Every column set to "none" in the wizard.
    const QString file = write("people.csv", "First Name,Last Name\r\nAda,Lovelace\r\n\r\n\r\nGrace,Hopper\r\n");
    openImport(file);
    ASSERT_TRUE(wizard()->isVisible());
    for (int row = 0; row < wizard()->table()->model()->rowCount(); ++row) {
        auto *popup = qobject_cast<QComboBox *>(wizard()->table()->indexWidget(wizard()->table()->model()->index(row, 2)));
        ASSERT_TRUE(popup);
        popup->setCurrentIndex(0);
        emit popup->activated(0);
    }
    clickImport();
    ASSERT_EQ(alerts(), 1);
    EXPECT_EQ(prompts().last().title, "Nothing was imported.");
    EXPECT_EQ(prompts().last().message, "No column of the file is given a field.");
    // Only the blank lines of a file chosen (another file: the mapping of the first is kept).
    dbtest::nextUserAction();
    openImport(write("others.csv", "First Name,Last Name\r\nAda,Lovelace\r\n\r\n\r\nGrace,Hopper\r\n"));
    ASSERT_TRUE(wizard()->isVisible());
    wizard()->setRange(3, 4);
    clickImport();
    ASSERT_EQ(alerts(), 2);
    EXPECT_EQ(prompts().last().title, "Nothing was imported.");
    EXPECT_EQ(prompts().last().message, "The records chosen hold no value for the fields chosen.");
    // A card file without a whole card.
    dbtest::nextUserAction();
    prompts().queuePath(write("cut.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lovelace;Ada;;;\r\n"));
    run("Import VCard...");
    ASSERT_EQ(alerts(), 3);
    EXPECT_EQ(prompts().last().title, QString("The file \u201ccut.vcf\u201d holds no cards."));
    EXPECT_EQ(sql("SELECT count(*) FROM dbtable;"), "0");
}

TEST_F(ImportSourcesWindow, AFirstRowIsTakenForAHeaderOnlyWhenItReadsAsOne)
{
    // Every name the importer knows for a column, as the surname or the town of the first
    // person of a list without a header: all three people come in, from the first row.
    QStringList words;
    const QHash<QString, QStringList> usual = ImportHeader::usualNames();
    for (auto it = usual.cbegin(); it != usual.cend(); ++it)
        for (const QString &word : it.value())
            if (!words.contains(word))
                words.append(word);
    words.sort();
    ASSERT_GT(words.size(), 100);
    // Each file is read by the wizard; every eighth is imported and read back (the others
    // import what the wizard shows them to, from the same code), the rest closed with Cancel.
    QStringList expected;
    for (int i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        const QStringList first = i % 2 == 0 ? QStringList{"Hans", word, "Berlin"} : QStringList{"Hans", "Schmidt", word};
        const QString text = first.join(',') + "\r\nEva,Schmidt,Hamburg\r\nUli,Meyer,Koeln\r\n";
        openImport(write(QStringLiteral("list%1.csv").arg(i), text.toUtf8()));
        ASSERT_TRUE(wizard()->isVisible()) << word.toStdString();
        EXPECT_FALSE(wizard()->hasHeader()) << word.toStdString();
        EXPECT_EQ(wizard()->fromBox()->value(), 1) << word.toStdString();
        EXPECT_EQ(wizard()->toBox()->value(), 3) << word.toStdString();
        EXPECT_EQ(wizard()->importRows(), QList<QStringList>({first, {"Eva", "Schmidt", "Hamburg"}, {"Uli", "Meyer", "Koeln"}}))
            << word.toStdString();
        if (i % 8 == 0) {
            clickImport();
            expected << first.join('|') << "Eva|Schmidt|Hamburg" << "Uli|Meyer|Koeln";
        } else {
            QTest::mouseClick(wizard()->findChild<QPushButton *>("cancel"), Qt::LeftButton);
        }
    }
    EXPECT_EQ(alerts(), 0);
    // A list without a header goes to the fields in their order: Date, Salutation, First Name.
    EXPECT_EQ(records("Date, Salutation, First_Name").split('\n'), expected);
    sql("DELETE FROM dbtable;");

    // Two cells that name fields, but one of them is a phone number like those below it.
    openImport(write("phones.csv", "Ann,Lee,work,555-1234\r\nBob,Ray,home,555-9999\r\n"));
    EXPECT_FALSE(wizard()->hasHeader());
    clickImport();
    EXPECT_EQ(records("Date, Salutation, First_Name, Middle_Name"), "Ann|Lee|work|555-1234\nBob|Ray|home|555-9999");
    sql("DELETE FROM dbtable;");
    // Names of columns that recur as values below are values too.
    openImport(write("towns.csv", "City,Land\r\nBerlin,Land\r\nHamburg,City\r\n"));
    EXPECT_FALSE(wizard()->hasHeader());
    clickImport();
    EXPECT_EQ(sql("SELECT count(*) FROM dbtable;"), "3");
    sql("DELETE FROM dbtable;");
    // A header still names its columns, the lone column of a list included.
    openImport(write("header.csv", "Vorname,Nachname,Ort\r\nHans,Land,Berlin\r\n"));
    EXPECT_TRUE(wizard()->hasHeader());
    clickImport();
    openImport(write("mail.csv", "E-mail\r\nada@example.org\r\n"));
    EXPECT_TRUE(wizard()->hasHeader());
    clickImport();
    EXPECT_EQ(records("ifnull(First_Name, '-'), ifnull(Last_Name, '-'), ifnull(City, '-'), ifnull(Email, '-')"),
              "Hans|Land|Berlin|-\n-|-|-|ada@example.org");
    EXPECT_EQ(alerts(), 0);
}

TEST_F(ImportSourcesWindow, TheFurtherLinesOfAStreetStayWithTheAddressOfEveryKind)
{
    // A desktop mail program's second kind of export, a webmail export and a desktop one, each
    // with the street's further lines of its own naming, and a person with only the other kind
    // of address.
    const QString second = write("second.csv", "First Name,Last Name,Work Address,Work Address 2,Work City,Home Address,Home Address 2,Home City\r\n"
                                               "Ada,Lovelace,1 Main St,Suite 5,London,,,\r\n"
                                               "Mary,Somerville,,,,5 Hanover Sq,Flat 2,Chelsea\r\n");
    const QString webmail = write("webmail.csv", "Given Name,Family Name,Address 1 - Street,Address 1 - Extended Address,Address 1 - City\r\n"
                                                 "Grace,Hopper,12 Navy Rd,Building 7,Arlington\r\n");
    const QString desktop = write("desktop.csv", "First Name,Last Name,Business Street,Business Street 2,Business Street 3,Business City\r\n"
                                                 "Charles,Babbage,1 Dorset St,Floor 2,Room 9,London\r\n"
                                                 "Alan,Turing,Bletchley Park,,,Milton Keynes\r\n");
    for (const QString &file : {second, webmail, desktop}) {
        openImport(file);
        clickImport();
    }
    EXPECT_EQ(alerts(), 0);
    EXPECT_EQ(records("First_Name, replace(Address, char(10), ' / '), City"),
              "Ada|1 Main St / Suite 5|London\n"
              "Mary|5 Hanover Sq / Flat 2|Chelsea\n"
              "Grace|12 Navy Rd / Building 7|Arlington\n"
              "Charles|1 Dorset St / Floor 2 / Room 9|London\n"
              "Alan|Bletchley Park|Milton Keynes");
}

TEST_F(ImportSourcesWindow, ACancelPressedAtAnyStepOfTheLastRowsKeepsNothingOrAllAsTheDialogSaid)
{
    ImportProgress::setMinimumDuration(0);
    constexpr int kRows = 1000;
    QByteArray text = "First Name,Last Name\r\n";
    for (int i = 0; i < kRows; ++i)
        text += "First" + QByteArray::number(i) + ",Last" + QByteArray::number(i) + "\r\n";
    const QString file = write("people.csv", text);
    // Each step of the last hundredth: before each of the last rows, after the last one, once
    // the records are being kept, and after the work ended while the dialog still shows.
    QList<qint64> steps;
    for (qint64 done = kRows - kRows / 100; done <= kRows; ++done)
        steps.append(done);
    steps << ImportProgress::KeepingBegun << ImportProgress::WorkEnded;
    for (qint64 step : steps) {
        SCOPED_TRACE(step);
        openImport(file);
        ASSERT_TRUE(wizard()->isVisible());
        // The user presses Cancel at that step, looking first at what the dialog says.
        bool pressed = false;
        bool saidKept = false;
        std::atomic<bool> armed{true};
        auto press = [&] {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                for (auto *dialog : top->findChildren<QProgressDialog *>(QStringLiteral("ImportProgress"))) {
                    if (!dialog->isVisible())
                        continue;
                    auto *cancel = dialog->findChild<QPushButton *>();
                    ASSERT_TRUE(cancel);
                    saidKept = dialog->labelText() == QLatin1String("Keeping the imported records...") && !cancel->isEnabled();
                    QTest::mouseClick(cancel, Qt::LeftButton);
                    pressed = true;
                }
            }
        };
        ImportProgress::setStepHookForTesting([&](qint64 reached) {
            if (reached == step && armed.exchange(false))
                QMetaObject::invokeMethod(qApp, press, Qt::BlockingQueuedConnection);
        });
        clickImport();
        ImportProgress::setStepHookForTesting({});
        EXPECT_TRUE(pressed);
        EXPECT_EQ(alerts(), 0);
        const QString kept = sql("SELECT count(*) FROM dbtable;");
        if (step >= 0) {
            EXPECT_FALSE(saidKept);
            EXPECT_EQ(kept, "0");
        } else {
            EXPECT_TRUE(saidKept);
            EXPECT_EQ(kept, QString::number(kRows));
            EXPECT_EQ(sql("SELECT First_Name || Last_Name FROM dbtable ORDER BY pk DESC LIMIT 1;"), QStringLiteral("First%1Last%1").arg(kRows - 1));
        }
        sql("DELETE FROM dbtable;");
    }
}

TEST_F(ImportSourcesWindow, TextAndCardFilesAreReadAsideWhileTheWindowAnswers)
{
    ImportProgress::setMinimumDuration(0);
    QByteArray text = "First Name,Last Name,City\r\n";
    for (int i = 0; i < 5000; ++i)
        text += "First" + QByteArray::number(i) + ",Last" + QByteArray::number(i) + ",Town" + QByteArray::number(i % 50) + "\r\n";
    const QString csv = write("many.csv", text);
    QByteArray cards;
    for (int i = 0; i < 2000; ++i)
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Last" + QByteArray::number(i) + ";First" + QByteArray::number(i)
                 + ";;;\r\nADR;TYPE=WORK:;;1 Main St;Town;;12345;\r\nEND:VCARD\r\n";
    const QString vcf = write("many.vcf", cards);

    // The window's own timer keeps ticking while each file is read and written; the progress
    // shows, and where Cancel is pressed as it shows nothing comes in and nothing is said.
    int ticks = 0;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++ticks; });
    bool sawProgress = false;
    bool pressCancel = false;
    auto look = [&] {
        for (QWidget *top : QApplication::topLevelWidgets())
            for (auto *dialog : top->findChildren<QProgressDialog *>(QStringLiteral("ImportProgress")))
                if (dialog->isVisible()) {
                    sawProgress = true;
                    if (pressCancel)
                        if (auto *cancel = dialog->findChild<QPushButton *>(); cancel && cancel->isEnabled())
                            QTest::mouseClick(cancel, Qt::LeftButton);
                }
    };
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, look);
    auto during = [&](const std::function<void()> &action, bool cancelling) {
        ticks = 0;
        sawProgress = false;
        pressCancel = cancelling;
        heartbeat.start();
        watch.start();
        // Each work aside begins only once the window has looked at what shows: a file read
        // in an instant on an idle machine is seen as one read slowly under load is.
        ImportProgress::setStepHookForTesting([&look](qint64 step) {
            if (step == ImportProgress::WorkBegun)
                QMetaObject::invokeMethod(qApp, look, Qt::BlockingQueuedConnection);
        });
        action();
        ImportProgress::setStepHookForTesting({});
        watch.stop();
        heartbeat.stop();
        EXPECT_TRUE(sawProgress);
        EXPECT_GT(ticks, 0);
    };

    during([&] { openImport(csv); }, true);
    EXPECT_FALSE(wizard() && wizard()->isVisible());
    during([&] { openImport(csv); }, false);
    ASSERT_TRUE(wizard()->isVisible());
    EXPECT_EQ(wizard()->toBox()->value(), 5001);
    clickImport();
    EXPECT_EQ(sql("SELECT count(*), min(City) FROM dbtable;"), "5000|Town0");
    sql("DELETE FROM dbtable;");

    during([&] { prompts().queuePath(vcf); run("Import VCard..."); }, true);
    EXPECT_EQ(sql("SELECT count(*) FROM dbtable;"), "0");
    during([&] { prompts().queuePath(vcf); run("Import VCard..."); }, false);
    EXPECT_EQ(sql("SELECT count(*), max(Address) FROM dbtable;"), "2000|1 Main St");
    EXPECT_EQ(alerts(), 0);
    sql("DELETE FROM dbtable;");
    dbtest::nextUserAction();

    // While another program holds the database the window answers through the wait, and the
    // message comes once the progress has closed.
    bool progressShown = true;
    prompts().onAlert = [&] {
        progressShown = false;
        for (QProgressDialog *dialog : app->window->findChildren<QProgressDialog *>())
            progressShown = progressShown || dialog->isVisible();
    };
    {
        dbtest::ExclusiveLock lock(path, 300);
        during([&] { prompts().queuePath(vcf); run("Import VCard..."); }, false);
    }
    prompts().onAlert = nullptr;
    ASSERT_EQ(alerts(), 1);
    EXPECT_EQ(prompts().last().title, "Nothing was imported.");
    EXPECT_EQ(prompts().last().message, "Another program is using the database. Try again when it has finished.");
    EXPECT_FALSE(progressShown);
    EXPECT_EQ(sql("SELECT count(*) FROM dbtable;"), "0");
}

// A file wider than a screenful: every row of the mapping table has its pop-up, shown at once
// or opened by a click on its field; the choice made there shows in the row and is imported.
TEST_F(ImportSourcesWindow, EveryRowOfAWideFileIsMappedThroughItsPopUp)
{
    constexpr int kColumns = 120;
    QStringList values;
    QStringList others;
    for (int c = 0; c < kColumns; ++c) {
        values << QStringLiteral("v%1").arg(c);
        others << QStringLiteral("w%1").arg(c);
    }
    openImport(write("wide.csv", (values.join(',') + "\r\n" + others.join(',') + "\r\n").toUtf8()));
    ASSERT_TRUE(wizard() && wizard()->isVisible());
    QTableView *table = wizard()->table();
    QAbstractItemModel *model = table->model();
    ASSERT_EQ(model->rowCount(), kColumns);
    // The field of each row goes in turn to one of the user fields, the others to none.
    const QStringList fields = {"User Field 1", "User Field 2", "User Field 3", "User Field 4"};
    int opened = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        SCOPED_TRACE(row);
        const QModelIndex field = model->index(row, 2);
        EXPECT_EQ(model->index(row, 0).data().toString(), QString::number(row + 1));
        EXPECT_EQ(model->index(row, 1).data().toString(), values.at(row));
        auto *popup = qobject_cast<QComboBox *>(table->indexWidget(field));
        if (!popup) {
            table->scrollTo(field);
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(field).center());
            popup = qobject_cast<QComboBox *>(table->indexWidget(field));
            ++opened;
        }
        ASSERT_TRUE(popup);
        const QString title = row % 30 == 7 ? fields.at(row / 30) : QString();
        const int entry = title.isEmpty() ? 0 : popup->findText(title);
        ASSERT_GE(entry, 0);
        popup->setCurrentIndex(entry);
        emit popup->activated(entry);
        EXPECT_EQ(model->index(row, 2).data().toString(), title.isEmpty() ? QStringLiteral("none") : title);
    }
    // Most rows open their pop-up only when clicked.
    EXPECT_GT(opened, kColumns / 2);
    clickImport();
    EXPECT_EQ(alerts(), 0);
    EXPECT_EQ(records("User_Field_1, User_Field_2, User_Field_3, User_Field_4"), "v7|v37|v67|v97\nw7|w37|w67|w97");
}
