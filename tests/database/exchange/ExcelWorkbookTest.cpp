// Workbooks (xlsx) made with minizip inside the tests and read back: sheets, cells placed by
// their references, shared strings, number formats, and archives that point outside.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>

#include "database/WorkbookBuilder.h"
#include "common/TestSupport.h"
#include "database/exchange/ExcelWorkbook.h"
#include "database/exchange/NumberFormatCode.h"
#include "database/exchange/NumberingFormat.h"
#include "database/exchange/ZipArchive.h"

using namespace quillmark;

namespace {

QString workbookPath(const QString &name)
{
    return qmtest::freshDir(QStringLiteral("xlsx")) + QLatin1Char('/') + name;
}

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

} // namespace

TEST(ExcelFormats, StyledNumbersShowAsASpreadsheetShowsThem)
{
    struct Case
    {
        const char *value;
        const char *code;
        const char *shown;
    };
    ExcelWorkbook book;
    // 43845.75 is 15 January 2020, 18:00.
    const Case cases[] = {
        {"43831", "MM-dd-yy", "01-01-20"},
        {"43831.75", "MM-dd-yy", "01-01-20"},
        {"43831.75", "M/d/yy h:mm", "1/1/20 18:00"},
        {"0.5", "h:mm", "12:00"},
        {"43831.5", "h:mm AM/PM", "12:00 PM"},
        {"43831.25", "h:mm am/pm", "6:00 am"},
        {"43831", "d-mmm-yy", "1-Jan-20"},
        {"43831", "dddd, mmmm d, yyyy", "Wednesday, January 1, 2020"},
        {"43831", "ddd mmmmm", "Wed J"},
        {"61", "yyyy-mm-dd", "1900-03-01"},
        {"1", "yyyy-mm-dd", "1900-01-01"},
        {"59", "yyyy-mm-dd", "1900-02-28"},
        // Codes in any letter case; m next to an hour or a second is the minute.
        {"43845.75", "dd.mm.yyyy", "15.01.2020"},
        {"43845.75", "d.m.yyyy", "15.1.2020"},
        {"43845.75", "MM/DD/YY", "01/15/20"},
        {"43845.75", "DD.MM.YYYY", "15.01.2020"},
        {"43845.75", "YYYY-MM-DD", "2020-01-15"},
        {"43845.75", "HH:MM", "18:00"},
        {"43845.7604166667", "hh:mm:ss", "18:15:00"},
        {"0.000694444", "mm:ss", "01:00"},
        {"1.5", "[h]:mm:ss", "36:00:00"},
        {"43845.75", "[$-409]mmmm d, yyyy;@", "January 15, 2020"},
        {"43845.75", "[$-407]mmmm yyyy", "Januar 2020"},
        {"43845.75", "dd/mm/yyyy\\ hh:mm", "15/01/2020 18:00"},
        {"43845.75", "yyyy\"年\"m\"月\"d\"日\"", "2020年1月15日"},
        {"0.5000115741", "hh:mm:ss.0", "12:00:01.0"},
        // Currency, with locale brackets, quoted signs, colour sections and escapes.
        {"1234.5", "[$\u20AC-407]#,##0.00", "\u20AC1,234.50"},
        {"1234.5", "[$\u20AC-407]#,##0.00;[RED]\\-[$\u20AC-407]#,##0.00", "\u20AC1,234.50"},
        {"-1234.5", "[$\u20AC-407]#,##0.00;[RED]\\-[$\u20AC-407]#,##0.00", "-\u20AC1,234.50"},
        {"1234.5", "#,##0.00 \"\u20AC\"", "1,234.50 \u20AC"},
        {"1234.5", "#,##0.00 [$\u20AC-407]", "1,234.50 \u20AC"},
        {"1234.5", "$#,##0.00", "$1,234.50"},
        {"1234.5", "\"$\"#,##0.00", "$1,234.50"},
        {"-1234.5", "#,##0.00;(#,##0.00)", "(1,234.50)"},
        {"-3", "0;[Red]-0", "-3"},
        {"0", "#,##0.00;-#,##0.00;\"-\"", "-"},
        {"1234.5", "_(\"$\"* #,##0.00_)", "$1,234.50"},
        // Numbers: places, placeholders, scaling, percent, exponents, fractions, literals.
        {"0.125", "0.00%", "12.50%"},
        {"0.5", "0%", "50%"},
        {"3.14159", "0.00", "3.14"},
        {"2.675", "0.00", "2.68"},
        {"2134", "00000", "02134"},
        {"5551234567", "(###) ###-####", "(555) 123-4567"},
        {"123456789", "000-00-0000", "123-45-6789"},
        {"1234567", "#,##0,\"K\"", "1,235K"},
        {"12345", "0.00E+00", "1.23E+04"},
        {"0.00012", "0.0E+0", "1.2E-4"},
        {"1.5", "# ?/?", "1 1/2"},
        {"0.75", "?/4", "3/4"},
        {"2", "# ?/?", "2"},
        {"42", "\"No. \"0", "No. 42"},
        {"42", "General", "42"},
        {"42", "@", "42"},
        {"1.5", "#.##", "1.5"},
        {"abc", "MM-dd-yy", "abc"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.value) + " " + c.code);
        EXPECT_EQ(book.formatCell(QString::fromUtf8(c.value), QString::fromUtf8(c.code)), QString::fromUtf8(c.shown));
    }
    // A date before the workbook's first day stays the stored number.
    EXPECT_EQ(book.formatCell("-1", "yyyy-mm-dd"), "-1");
    EXPECT_EQ(NumberFormatCode("yyyy-mm-dd").format(0, true), "1904-01-01");
    EXPECT_TRUE(ExcelWorkbook::isDate("h:mm"));
    EXPECT_TRUE(ExcelWorkbook::isDate("[$-409]mmmm d, yyyy;@"));
    EXPECT_FALSE(ExcelWorkbook::isDate("General"));
    EXPECT_FALSE(ExcelWorkbook::isDate("0.00"));
    EXPECT_FALSE(ExcelWorkbook::isDate("0.00E+00"));
    EXPECT_TRUE(ExcelWorkbook::isCurrency("#,##0.00 [$\u20AC-407]"));
    EXPECT_TRUE(ExcelWorkbook::isPercent("0.0%"));
}

TEST(ExcelFormats, BuiltInFormatsAreTheTwentySixOfTheTable)
{
    const NumberingFormat &formats = NumberingFormat::shared();
    int known = 0;
    for (int id = 0; id < 200; ++id)
        known += formats.format(QString::number(id)).isNull() ? 0 : 1;
    EXPECT_EQ(known, 26);
    EXPECT_EQ(formats.format("14"), "MM-dd-yy");
    EXPECT_EQ(formats.format("22"), "M/d/yy h:mm");
    EXPECT_EQ(formats.format("49"), "@");
    EXPECT_TRUE(formats.format("0").isNull());
    EXPECT_TRUE(formats.format("1").isNull());
    EXPECT_EQ(ExcelWorkbook::columnIndex("A"), 0);
    EXPECT_EQ(ExcelWorkbook::columnIndex("AA"), 26);
    EXPECT_EQ(ExcelWorkbook::columnIndex("XFD"), 16383);
    EXPECT_EQ(ExcelWorkbook::columnIndex("XFE"), -1);
    EXPECT_EQ(ExcelWorkbook::columnName(27), "AB");
}

TEST(ExcelWorkbookFiles, CellsLandInTheColumnTheirReferenceNames)
{
    dbtest::Workbook book;
    book.sharedStrings = {"<t>zero</t>", "<t>one</t>", "<t>two</t>", "<t>three</t>",
                          "<r><t>Ann</t></r><r><rPr><b/></rPr><t>e</t></r>",
                          "<t>\u6F22</t><rPh sb=\"0\" eb=\"1\"><t>kan</t></rPh>"};
    book.cellXfs = {0, 14, 164};
    book.numFmts = {{164, "0.00%"}};
    book.sheets = {
        {"People",
         "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c></row>"
         "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>3</v></c><c r=\"C2\" s=\"1\"><v>43831</v></c></row>"
         "<row r=\"3\"><c r=\"C3\" t=\"str\"><v>12</v></c></row>"
         "<row r=\"4\"><c r=\"A4\" t=\"s\"><v>4</v></c><c r=\"B4\" t=\"inlineStr\"><is><t>inline</t></is></c>"
         "<c r=\"D4\" s=\"2\"><v>0.25</v></c><c r=\"E4\" t=\"s\"><v>99</v></c><c r=\"F4\" t=\"s\"><v>5</v></c></row>"},
        {"Second", "<row r=\"1\"><c r=\"B1\"><v>7</v></c></row>"},
    };
    const QString path = workbookPath("people.xlsx");
    ASSERT_TRUE(book.write(path));

    ExcelWorkbook workbook;
    ASSERT_TRUE(workbook.open(path)) << workbook.errorMessage().toStdString();
    ASSERT_EQ(workbook.sheets().size(), 2);
    EXPECT_EQ(workbook.sheets().at(0).name(), "People");
    EXPECT_EQ(workbook.sheets().at(1).tag(), 2);
    ASSERT_TRUE(workbook.loadSheet(0));
    const QList<QStringList> &rows = workbook.rows();
    // The first record is the sheet's first row, never a row of column letters.
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows.at(0), QStringList({"zero", "one", "two"}));
    EXPECT_EQ(rows.at(1), QStringList({"three", "", "01-01-20"}));
    EXPECT_EQ(rows.at(2), QStringList({"", "", "12"}));
    EXPECT_EQ(rows.at(3), QStringList({"Anne", "inline", "", "25.00%", "", QString::fromUtf8("\u6F22")}));
    EXPECT_EQ(workbook.columnCount(), 6);

    ASSERT_TRUE(workbook.loadSheet(1));
    EXPECT_EQ(workbook.rows(), QList<QStringList>({{"", "7"}}));
}

TEST(ExcelWorkbookFiles, ASheetFileNamedByItsPositionIsFound)
{
    dbtest::Workbook book;
    book.relationships = false;
    book.sheetFilesByPosition = true;
    book.sheetIds = {5};
    book.sheets = {{"Only", "<row r=\"1\"><c r=\"A1\" t=\"str\"><v>found</v></c></row>"}};
    const QString path = workbookPath("position.xlsx");
    ASSERT_TRUE(book.write(path));
    ExcelWorkbook workbook;
    ASSERT_TRUE(workbook.open(path));
    ASSERT_TRUE(workbook.loadSheet(0));
    EXPECT_EQ(workbook.rows(), QList<QStringList>({{"found"}}));
}

TEST(ExcelWorkbookFiles, DamagedAndForeignFilesAreRefusedWithAReason)
{
    const QString notZip = workbookPath("text.xlsx");
    {
        QFile file(notZip);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("just text, not a workbook");
    }
    ExcelWorkbook workbook;
    EXPECT_FALSE(workbook.open(notZip));
    EXPECT_FALSE(workbook.errorMessage().isEmpty());
    EXPECT_TRUE(workbook.sheets().isEmpty());

    const QString noWorkbook = workbookPath("empty.xlsx");
    ASSERT_TRUE(dbtest::writeZip(noWorkbook, {{"readme.txt", "hello"}}));
    EXPECT_FALSE(workbook.open(noWorkbook));

    dbtest::Workbook broken;
    broken.sheets = {{"Broken", "<row r=\"1\"><c r=\"A1\"><v>1</v></row>"}};
    const QString brokenPath = workbookPath("broken.xlsx");
    ASSERT_TRUE(broken.write(brokenPath));
    ASSERT_TRUE(workbook.open(brokenPath));
    EXPECT_FALSE(workbook.loadSheet(0));
    EXPECT_TRUE(workbook.rows().isEmpty());
    EXPECT_FALSE(workbook.errorMessage().isEmpty());
}

TEST(ExcelWorkbookFiles, AZipSlipWorkbookWritesNothingAnywhere)
{
    const QString folder = qmtest::freshDir(QStringLiteral("slip"));
    const QString tmp = QDir::tempPath();
    const QStringList before = filesUnder(tmp);
    for (const char *evil : {"../../../../../../tmp/qm-zip-slip.txt", "/tmp/qm-zip-slip-abs.txt", "xl/../../qm-zip-slip.txt",
                             "..\\..\\qm-zip-slip-win.txt", "C:/qm-zip-slip.txt"}) {
        SCOPED_TRACE(evil);
        dbtest::Workbook book;
        book.sheets = {{"Sheet", "<row r=\"1\"><c r=\"A1\" t=\"str\"><v>x</v></c></row>"}};
        book.extra = {{QString::fromLatin1(evil), "owned"}};
        const QString path = folder + "/slip.xlsx";
        QFile::remove(path);
        ASSERT_TRUE(book.write(path));
        ExcelWorkbook workbook;
        EXPECT_FALSE(workbook.open(path));
        EXPECT_TRUE(workbook.errorMessage().contains(QLatin1String("outside"))) << workbook.errorMessage().toStdString();
        EXPECT_TRUE(workbook.sheets().isEmpty());
    }
    EXPECT_FALSE(QFile::exists("/tmp/qm-zip-slip.txt"));
    EXPECT_FALSE(QFile::exists("/tmp/qm-zip-slip-abs.txt"));
    EXPECT_FALSE(QFile::exists("/qm-zip-slip.txt"));
    // The only new files under the temporary folder are the test's own workbook.
    QStringList after = filesUnder(tmp);
    after.removeAll(folder + "/slip.xlsx");
    EXPECT_EQ(after, before);
    EXPECT_FALSE(ZipArchive::isSafeEntryName("a/../../b"));
    EXPECT_TRUE(ZipArchive::isSafeEntryName("xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(ZipArchive::isSafeEntryName("xl/..hidden/x"));
}

namespace {

// A workbook of one cell of `megabytes` million characters, written by python3's zipfile; with
// a third argument every header of the sheet claims that many bytes instead of its size.
const char *const kOneCellWorkbook = R"PY(
import sys, zipfile
NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
path, megabytes, kind = sys.argv[1], int(sys.argv[2]), sys.argv[3]
head = ('<worksheet ' + NS + '><sheetData><row r="1"><c r="A1" t="str"><v>').encode()
tail = b'</v></c></row></sheetData></worksheet>'
with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    z.writestr('xl/workbook.xml', '<workbook ' + NS + '><sheets><sheet name="People" sheetId="1"/></sheets></workbook>')
    if kind == 'shared':
        z.writestr('xl/sharedStrings.xml', '<sst ' + NS + '><si><t>' + 'B' * (megabytes * 1000000) + '</t></si></sst>')
        z.writestr('xl/worksheets/sheet1.xml', '<worksheet ' + NS + '><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c></row></sheetData></worksheet>')
    else:
        with z.open('xl/worksheets/sheet1.xml', 'w') as f:
            f.write(head)
            for i in range(megabytes):
                f.write(b'A' * 1000000)
            f.write(tail)
if kind.isdigit():
    # The local and the central header both claim a small size: the headers lie.
    data = bytearray(open(path, 'rb').read())
    name = b'xl/worksheets/sheet1.xml'
    for signature, offset in ((b'PK\x03\x04', 22), (b'PK\x01\x02', 24)):
        at = 0
        while True:
            at = data.find(signature, at)
            if at < 0:
                break
            start = at + (30 if signature == b'PK\x03\x04' else 46)
            if data[start:start + len(name)] == name:
                data[at + offset:at + offset + 4] = int(kind).to_bytes(4, 'little')
            at += 4
    open(path, 'wb').write(bytes(data))
)PY";

} // namespace

TEST(ExcelWorkbookFiles, OversizedPartsAndCellsAreRefusedBeforeTheyFillMemory)
{
    ASSERT_TRUE(dbtest::hasPython()) << dbtest::missingPython().toStdString();
    // Announced larger than an entry may be: refused on opening, nothing inflated.
    const QString bomb = workbookPath("bomb.xlsx");
    ASSERT_EQ(dbtest::runPython(kOneCellWorkbook, {bomb, "200", "plain"}), QString());
    ExcelWorkbook workbook;
    EXPECT_FALSE(workbook.open(bomb));
    EXPECT_TRUE(workbook.errorMessage().contains("128 MB")) << workbook.errorMessage().toStdString();
    EXPECT_TRUE(workbook.sheets().isEmpty());

    // Headers that claim a kilobyte for 20 MB: what is inflated stops at the claim and the
    // sheet is refused as damaged.
    const QString liar = workbookPath("liar.xlsx");
    ASSERT_EQ(dbtest::runPython(kOneCellWorkbook, {liar, "20", "1000"}), QString());
    ASSERT_TRUE(workbook.open(liar));
    EXPECT_FALSE(workbook.loadSheet(0));
    EXPECT_TRUE(workbook.rows().isEmpty());
    EXPECT_FALSE(workbook.errorMessage().isEmpty());

    // A cell longer than a field takes, inline or shared: the sheet is refused, not cut.
    for (const char *kind : {"plain", "shared"}) {
        SCOPED_TRACE(kind);
        const QString big = workbookPath(QStringLiteral("big-%1.xlsx").arg(kind));
        ASSERT_EQ(dbtest::runPython(kOneCellWorkbook, {big, "5", kind}), QString());
        ASSERT_TRUE(workbook.open(big));
        EXPECT_FALSE(workbook.loadSheet(0));
        EXPECT_TRUE(workbook.rows().isEmpty());
        EXPECT_TRUE(workbook.errorMessage().contains("more text than a field takes")) << workbook.errorMessage().toStdString();
    }
}
