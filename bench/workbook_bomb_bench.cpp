// A workbook bomb: half a megabyte of xlsx whose only worksheet holds one cell of 500 million
// characters. Opening it as the import wizard does (the workbook, then its first sheet) must
// refuse it at once, without inflating it. Reported beside the time: the process's peak
// resident memory (getrusage), and as the floor, what minizip alone needs to walk the central
// directory of the same file. Runs in its own process so that the peak is this file's.
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
