// Importing files into the address database as the import wizard does: a 100,000-row comma
// file (read, split, inserted in one transaction) and a 100,000-row workbook (unpacked in
// memory, shared strings and a date style resolved, inserted the same way).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

#include "BenchSupport.h"
#include "database/store/Database.h"
#include "database/exchange/DelimitedText.h"
#include "database/exchange/ExcelWorkbook.h"

using namespace quillmark;
using namespace qmbench;

namespace {

constexpr int kRows = 100000;

QList<DatabaseOrder> columns()
{
    return {DatabaseOrder(1, 3, "First Name"), DatabaseOrder(1, 3, "Last Name"), DatabaseOrder(1, 3, "Company"),
            DatabaseOrder(1, 3, "City"), DatabaseOrder(1, 3, "Zip"), DatabaseOrder(1, 3, "User Field 1")};
}

QString csvPath()
{
    const QString path = workDir().path() + QStringLiteral("/people.csv");
    if (QFile::exists(path))
        return path;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray text;
    for (int i = 0; i < kRows; ++i) {
        text += "First" + QByteArray::number(i) + ",Last" + QByteArray::number(i * 7919 % kRows) + ",\"Acme, Inc. "
                + QByteArray::number(i % 97) + "\",City" + QByteArray::number(i % 500) + ","
                + QByteArray::number(10000 + i % 90000) + ",\"He said \"\"hi\"\"\"\r\n";
    }
    file.write(text);
    return path;
}

QString xlsxPath()
{
    const QString path = workDir().path() + QStringLiteral("/people.xlsx");
    if (QFile::exists(path))
        return path;
    QByteArray shared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    for (int i = 0; i < 500; ++i)
        shared += "<si><t>City" + QByteArray::number(i) + "</t></si>";
    shared += "</sst>";
    QByteArray sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (int i = 0; i < kRows; ++i) {
        const QByteArray r = QByteArray::number(i + 1);
        sheet += "<row r=\"" + r + "\"><c r=\"A" + r + "\" t=\"inlineStr\"><is><t>First" + QByteArray::number(i)
                 + "</t></is></c><c r=\"B" + r + "\" t=\"str\"><v>Last" + QByteArray::number(i * 7919 % kRows)
                 + "</v></c><c r=\"D" + r + "\" t=\"s\"><v>" + QByteArray::number(i % 500) + "</v></c><c r=\"E" + r
                 + "\"><v>" + QByteArray::number(10000 + i % 90000) + "</v></c><c r=\"F" + r + "\" s=\"1\"><v>"
                 + QByteArray::number(43831 + i % 3000) + ".25</v></c></row>";
    }
    sheet += "</sheetData></worksheet>";
    const QList<std::pair<const char *, QByteArray>> entries = {
        {"xl/workbook.xml", "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
                            "<sheet name=\"People\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                       "<Relationship Id=\"rId1\" Type=\"worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {"xl/styles.xml", "<?xml version=\"1.0\"?><styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                          "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"22\"/></cellXfs></styleSheet>"},
        {"xl/sharedStrings.xml", shared},
        {"xl/worksheets/sheet1.xml", sheet},
    };
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    for (const auto &[name, data] : entries) {
        zip_fileinfo info = {};
        zipOpenNewFileInZip64(zip, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 1);
        zipWriteInFileInZip(zip, data.constData(), unsigned(data.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    return path;
}

std::unique_ptr<Database> freshDatabase(int n)
{
    const QString path = workDir().path() + QStringLiteral("/Import%1.sqlite").arg(n);
    QFile::remove(path);
    if (!Database::createDatabaseAtPath(path))
        return nullptr;
    return Database::openDatabaseAtPath(path);
}

void BM_ImportCsv100k(benchmark::State &state)
{
    const QString path = csvPath();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto db = freshDatabase(n++);
        state.ResumeTiming();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const std::optional<QString> text = DelimitedText::decode(file.readAll());
        const QList<QStringList> rows = DelimitedText::readRecords(*text, QLatin1Char(','));
        const int inserted = db->importDatabase(columns(), rows);
        if (inserted != kRows)
            state.SkipWithError("not every row was inserted");
    }
    state.counters["rows/s"] = benchmark::Counter(double(kRows), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ImportCsv100k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadCsv100k(benchmark::State &state)
{
    const QString path = csvPath();
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QList<QStringList> rows = DelimitedText::readRecords(*DelimitedText::decode(file.readAll()), QLatin1Char(','));
        if (rows.size() != kRows)
            state.SkipWithError("rows missing");
    }
}
BENCHMARK(BM_ReadCsv100k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ImportXlsx100k(benchmark::State &state)
{
    const QString path = xlsxPath();
    int n = 100;
    for (auto _ : state) {
        state.PauseTiming();
        auto db = freshDatabase(n++);
        state.ResumeTiming();
        ExcelWorkbook workbook;
        if (!workbook.open(path) || !workbook.loadSheet(0)) {
            state.SkipWithError("the workbook did not load");
            break;
        }
        const int inserted = db->importDatabase(columns(), workbook.rows());
        if (inserted != kRows)
            state.SkipWithError("not every row was inserted");
    }
    state.counters["rows/s"] = benchmark::Counter(double(kRows), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ImportXlsx100k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadXlsx100k(benchmark::State &state)
{
    const QString path = xlsxPath();
    for (auto _ : state) {
        ExcelWorkbook workbook;
        if (!workbook.open(path) || !workbook.loadSheet(0) || workbook.rows().size() != kRows)
            state.SkipWithError("the workbook did not load");
    }
}
BENCHMARK(BM_ReadXlsx100k)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    qputenv("XDG_DATA_HOME", workDir().path().toUtf8());
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
