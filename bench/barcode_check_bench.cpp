// Before Print Sequence sends 100,000 records to the printer, the records whose value a bound
// barcode cannot encode are counted (a tenth of a percent of them here, an empty name). The
// window must keep answering meanwhile. Reports the whole count's time and the longest time
// the window's event loop was held (a timer of no interval ticks whenever events are
// handled; before the count was made in slices it never ticked, so the longest hold was the
// whole count).
//
// Beside it, BM_BarcodeCheckFloor: the least the libraries need for the same answer, SQLite
// reading each record's name by its key through one prepared statement and the barcode
// encoder judging each name, nothing else.
//
// Build with -DQM_BENCH=ON in a Release build.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>

#include "MergedSheet.h"
#include "app/AllKinds.h"
#include "barcodes/BarcodeRenderer.h"
#include "barcodes/ColorBarcode.h"

using namespace quillmark;
using namespace qmbench;

namespace {

constexpr int Records = 100000;
constexpr int FirstNamePk = 4;

// Every thousandth record has no first name: its barcode makes no symbol.
std::unique_ptr<Database> namesDatabase(QString *path)
{
    *path = workDir().filePath(QStringLiteral("Names.sqlite"));
    QFile::remove(*path);
    QString error;
    if (!Database::createDatabaseAtPath(*path, &error))
        return nullptr;
    std::unique_ptr<Database> db = Database::openDatabaseAtPath(*path, &error);
    if (!db)
        return nullptr;
    db->beginTransaction();
    for (int i = 1; i <= Records; ++i) {
        db->fieldValues().clear();
        db->initFieldValues();
        db->fieldValues().insert(QStringLiteral("First_Name"), i % 1000 == 0 ? QString() : QStringLiteral("N%1").arg(i));
        db->insertRecord();
    }
    db->commitTransaction();
    db->refreshBrowser();
    return db;
}

std::shared_ptr<ColorBarcode> boundBarcode(RectsView &view)
{
    auto barcode = ColorBarcode::create(QRectF(20, 10, 0, 0));
    barcode->setPageName(view.getCurrPageName());
    barcode->setObjectLayer(1);
    view.addGraphic(barcode);
    barcode->setFieldPk(FirstNamePk);
    barcode->setDrawBarcode(true);
    barcode->updateframeSize();
    return barcode;
}

QList<qint32> keysOf(Database &db)
{
    QList<qint32> keys;
    for (const dbBrowseField &row : db.browserArray())
        keys.append(row.pk);
    return keys;
}

void BM_BarcodeCheck(benchmark::State &state)
{
    registerAllKinds();
    QString path;
    std::unique_ptr<Database> db = namesDatabase(&path);
    std::unique_ptr<CanvasControls> sheet = db ? mergedSheet() : nullptr;
    if (!sheet) {
        state.SkipWithError("no database or no 5160 sheet");
        return;
    }
    Database::setCurrentDatabase(db.get());
    boundBarcode(*sheet->view);
    const QList<qint32> keys = keysOf(*db);
    double longestHold = 0;
    int failing = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        qint64 lastTick = 0;
        qint64 hold = 0;
        QTimer ticks;
        ticks.setInterval(0);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            hold = std::max(hold, now - lastTick);
            lastTick = now;
        });
        ticks.start();
        clock.start();
        failing = sheet->view->recordsBarcodesCannotEncode(keys).value_or(-1);
        hold = std::max(hold, clock.nsecsElapsed() - lastTick);
        longestHold = std::max(longestHold, double(hold) / 1e6);
    }
    state.counters["failing_records"] = failing;
    state.counters["longest_hold_ms"] = longestHold;
    Database::setCurrentDatabase(nullptr);
}

void BM_BarcodeCheckFloor(benchmark::State &state)
{
    registerAllKinds();
    QString path;
    std::unique_ptr<Database> db = namesDatabase(&path);
    std::unique_ptr<CanvasControls> sheet = db ? mergedSheet() : nullptr;
    if (!sheet) {
        state.SkipWithError("no database or no 5160 sheet");
        return;
    }
    const std::shared_ptr<ColorBarcode> barcode = boundBarcode(*sheet->view);
    const QList<qint32> keys = keysOf(*db);
    db.reset();
    sqlite3 *connection = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &connection, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        state.SkipWithError("cannot open the database");
        return;
    }
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(connection, "SELECT First_Name FROM dbtable WHERE pk=?", -1, &statement, nullptr);
    int failing = 0;
    for (auto _ : state) {
        failing = 0;
        sqlite3_exec(connection, "BEGIN", nullptr, nullptr, nullptr);
        for (qint32 key : keys) {
            sqlite3_bind_int(statement, 1, key);
            QString name;
            if (sqlite3_step(statement) == SQLITE_ROW)
                name = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
            sqlite3_reset(statement);
            if (!BarcodeRenderer::encodes(barcode->workingBarInfoFor(name)))
                ++failing;
        }
        sqlite3_exec(connection, "COMMIT", nullptr, nullptr, nullptr);
    }
    state.counters["failing_records"] = failing;
    sqlite3_finalize(statement);
    sqlite3_close(connection);
}

BENCHMARK(BM_BarcodeCheck)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BarcodeCheckFloor)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_DATA_HOME", workDir().path().toUtf8());
    qputenv("XDG_CONFIG_HOME", workDir().path().toUtf8());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
