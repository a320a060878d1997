// Address database store: bulk import of 100,000 records in one transaction, and the sorted
// browser list over them.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "database/store/Database.h"

using namespace quillmark;
using namespace qmbench;

namespace {

constexpr int kRecords = 100000;

QList<DatabaseOrder> importColumns()
{
    return {DatabaseOrder(1, 3, "First Name"), DatabaseOrder(1, 3, "Last Name"), DatabaseOrder(1, 3, "City"),
            DatabaseOrder(1, 3, "Zip")};
}

QList<QStringList> importRows()
{
    QList<QStringList> rows;
    rows.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        // Scrambled so the sort has real work to do.
        const int key = int((qint64(i) * 7919) % kRecords);
        rows.append({QStringLiteral("First%1").arg(key), QStringLiteral("Last%1").arg(key, 6, 10, QLatin1Char('0')),
                     QStringLiteral("City%1").arg(key % 500), QStringLiteral("%1").arg(10000 + key % 90000)});
    }
    return rows;
}

std::unique_ptr<Database> freshDatabase(int n)
{
    const QString path = workDir().path() + QStringLiteral("/Bench%1.sqlite").arg(n);
    QFile::remove(path);
    if (!Database::createDatabaseAtPath(path))
        return nullptr;
    return Database::openDatabaseAtPath(path);
}

void BM_Import100kOneTransaction(benchmark::State &state)
{
    const QList<QStringList> rows = importRows();
    const QList<DatabaseOrder> columns = importColumns();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto db = freshDatabase(n++);
        state.ResumeTiming();
        const int inserted = db->importDatabase(columns, rows);
        benchmark::DoNotOptimize(inserted);
        if (inserted != kRecords)
            state.SkipWithError("not every record was inserted");
    }
    state.counters["records/s"] = benchmark::Counter(double(kRecords), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Import100kOneTransaction)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_InsertRecord100kOneTransaction(benchmark::State &state)
{
    int n = 100;
    for (auto _ : state) {
        state.PauseTiming();
        auto db = freshDatabase(n++);
        db->openDatabase();
        state.ResumeTiming();
        // insertRecord on an open connection inside one explicit transaction.
        db->beginTransaction();
        for (int i = 0; i < kRecords; ++i) {
            db->initFieldValues();
            db->fieldValues().insert(QStringLiteral("Last_Name"), QStringLiteral("Last%1").arg(i));
            db->insertRecord();
        }
        db->commitTransaction();
        db->closeDatabase();
    }
}
BENCHMARK(BM_InsertRecord100kOneTransaction)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_BrowserSorted100k(benchmark::State &state)
{
    auto db = freshDatabase(1000);
    db->importDatabase(importColumns(), importRows());
    db->setSortField(db->fieldPkByTitle(QStringLiteral("City")), 1);
    db->setSortField(db->fieldPkByTitle(QStringLiteral("Last_Name")), 2);
    db->setSortOrder(1, 2);
    for (auto _ : state) {
        db->refreshBrowser();
        const QList<dbBrowseField> rows = db->browserArray();
        if (rows.size() != kRecords)
            state.SkipWithError("not every record was listed");
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_BrowserSorted100k)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Count100k(benchmark::State &state)
{
    auto db = freshDatabase(2000);
    db->importDatabase(importColumns(), importRows());
    for (auto _ : state)
        benchmark::DoNotOptimize(db->count());
}
BENCHMARK(BM_Count100k)->Unit(benchmark::kMicrosecond);

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
