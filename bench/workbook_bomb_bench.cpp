// Workbook bombs. Half a megabyte of xlsx whose only worksheet holds one cell of 500 million
// characters: opening it as the import wizard does (the workbook, then its first sheet) must
// refuse it at once, without inflating it. Reported beside the time: the process's peak
// resident memory (getrusage), and as the floor, what minizip alone needs to walk the central
// directory of the same file. Runs in its own process so that the peak is this file's.
// And a few kilobytes of xlsx whose one shared string of a million characters is named by 400
// cells, 400 million characters once imported: it must be refused while the sheet is read,
// before anything reaches a database; its floor is minizip inflating the two parts.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <unzip.h>
#include <zip.h>

#include "database/exchange/ExcelWorkbook.h"

using namespace quillmark;

namespace {

constexpr qint64 kCellBytes = 500LL * 1000 * 1000;

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

QString bombPath()
{
    const QString path = workDir().path() + QStringLiteral("/bomb.xlsx");
    if (QFile::exists(path))
        return path;
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    auto add = [zip](const char *name, const QList<QByteArray> &pieces, qint64 repeatMiddle) {
        zip_fileinfo info = {};
        zipOpenNewFileInZip64(zip, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 9, 1);
        zipWriteInFileInZip(zip, pieces.at(0).constData(), unsigned(pieces.at(0).size()));
        for (qint64 i = 0; i < repeatMiddle; ++i)
            zipWriteInFileInZip(zip, pieces.at(1).constData(), unsigned(pieces.at(1).size()));
        zipWriteInFileInZip(zip, pieces.at(2).constData(), unsigned(pieces.at(2).size()));
        zipCloseFileInZip(zip);
    };
    add("xl/workbook.xml",
        {"<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheets>",
         "", "<sheet name=\"People\" sheetId=\"1\"/></sheets></workbook>"},
        0);
    const QByteArray chunk(1000 * 1000, 'A');
    add("xl/worksheets/sheet1.xml",
        {"<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
         "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>",
         chunk, "</t></is></c></row></sheetData></worksheet>"},
        kCellBytes / chunk.size());
    zipClose(zip, nullptr);
    return path;
}

void BM_WorkbookBombRefused(benchmark::State &state)
{
    const QString path = bombPath();
    const double before = peakMegabytes();
    bool refused = true;
    for (auto _ : state) {
        ExcelWorkbook workbook;
        if (workbook.open(path) && workbook.loadSheet(0) && !workbook.rows().isEmpty())
            refused = false;
    }
    // 1 when the workbook was refused; 0 when its cell was read in.
    state.counters["refused"] = refused ? 1 : 0;
    state.counters["file_MB"] = double(QFile(path).size()) / (1024.0 * 1024.0);
    state.counters["peak_MB_before"] = before;
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_WorkbookBombRefused)->Unit(benchmark::kMillisecond)->Iterations(1);

// The floor: minizip opening the file and reading every entry's header from the central
// directory, which is all a refusal needs.
void BM_CentralDirectoryWalk(benchmark::State &state)
{
    const QString path = bombPath();
    quint64 total = 0;
    for (auto _ : state) {
        unzFile file = unzOpen64(QFile::encodeName(path).constData());
        for (int rc = unzGoToFirstFile(file); rc == UNZ_OK; rc = unzGoToNextFile(file)) {
            unz_file_info64 info;
            unzGetCurrentFileInfo64(file, &info, nullptr, 0, nullptr, 0, nullptr, 0);
            total += info.uncompressed_size;
        }
        unzClose(file);
    }
    benchmark::DoNotOptimize(total);
}
BENCHMARK(BM_CentralDirectoryWalk)->Unit(benchmark::kMillisecond)->Iterations(20);

QString sharedBombPath()
{
    const QString path = workDir().path() + QStringLiteral("/shared.xlsx");
    if (QFile::exists(path))
        return path;
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    auto add = [zip](const char *name, const QByteArray &data) {
        zip_fileinfo info = {};
        zipOpenNewFileInZip64(zip, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 9, 0);
        zipWriteInFileInZip(zip, data.constData(), unsigned(data.size()));
        zipCloseFileInZip(zip);
    };
    add("xl/workbook.xml", "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                           "<sheets><sheet name=\"People\" sheetId=\"1\"/></sheets></workbook>");
    add("xl/sharedStrings.xml", "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>"
                                    + QByteArray(1000 * 1000, 'B') + "</t></si></sst>");
    QByteArray sheet = "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (int r = 1; r <= 400; ++r)
        sheet += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"A" + QByteArray::number(r) + "\" t=\"s\"><v>0</v></c></row>";
    add("xl/worksheets/sheet1.xml", sheet + "</sheetData></worksheet>");
    zipClose(zip, nullptr);
    return path;
}

void BM_SharedStringBombRefused(benchmark::State &state)
{
    const QString path = sharedBombPath();
    bool refused = true;
    for (auto _ : state) {
        ExcelWorkbook workbook;
        if (workbook.open(path) && workbook.loadSheet(0))
            refused = false;
    }
    state.counters["refused"] = refused ? 1 : 0;
    state.counters["file_KB"] = double(QFile(path).size()) / 1024.0;
}
BENCHMARK(BM_SharedStringBombRefused)->Unit(benchmark::kMillisecond)->Iterations(5);

// Its floor: minizip inflating the shared strings and the sheet.
void BM_SharedStringBombInflate(benchmark::State &state)
{
    const QString path = sharedBombPath();
    qint64 total = 0;
    for (auto _ : state) {
        unzFile file = unzOpen64(QFile::encodeName(path).constData());
        for (const char *name : {"xl/sharedStrings.xml", "xl/worksheets/sheet1.xml"}) {
            if (unzLocateFile(file, name, 0) != UNZ_OK || unzOpenCurrentFile(file) != UNZ_OK)
                continue;
            char chunk[65536];
            int read = 0;
            while ((read = unzReadCurrentFile(file, chunk, sizeof chunk)) > 0)
                total += read;
            unzCloseCurrentFile(file);
        }
        unzClose(file);
    }
    benchmark::DoNotOptimize(total);
}
BENCHMARK(BM_SharedStringBombInflate)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bombPath();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
