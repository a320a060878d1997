// Print Sequence of 100,000 addresses on the catalogue's 5160 sheet (30 labels a page, 3,334
// pages) into a PDF file through the printer path. The window must keep answering while the
// pages are drawn. Reports the whole job's time and the longest time the window's event loop
// was held (a timer of no interval ticks whenever events are handled; while the job drew every
// page in one go it never ticked, so the longest hold was the whole job).
//
// Beside it, BM_PrintSequenceFloor: the least the libraries need for the same pages, Qt's PDF
// engine drawing the same three texts of every label in the same font at the same places,
// the texts already in memory, nothing else.
//
// Build with -DQM_BENCH=ON in a Release build.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <array>
#include <vector>

#include "MergedSheet.h"
#include "platform/PrintInfo.h"
#include "printing/PrintJob.h"
#include "stock/TFormat.h"

using namespace quillmark;
using namespace qmbench;

namespace {

constexpr int Records = 100000;

void BM_PrintSequence(benchmark::State &state)
{
    registerMergeKinds();
    std::unique_ptr<Database> db = addressDatabase(Records);
    std::unique_ptr<CanvasControls> sheet = db ? mergedSheet() : nullptr;
    if (!sheet) {
        state.SkipWithError("no database or no 5160 sheet");
        return;
    }
    Database::setCurrentDatabase(db.get());
    RectsView *view = sheet->view.get();
    PrintInfo::sharedPrintInfo().setPaper(QPageSize(QPageSize::Letter));
    PrintJob job;
    job.sequence = true;
    for (const dbBrowseField &row : db->browserArray())
        job.recordKeys.append(row.primaryKey());
    const QString pdfPath = workDir().filePath(QStringLiteral("labels.pdf"));
    double longestHold = 0;
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
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        printer.setPageLayout(PrintInfo::sharedPrintInfo().pageLayout());
        clock.start();
        if (!view->printJob(printer, job)) {
            state.SkipWithError("the job failed");
            break;
        }
        hold = std::max(hold, clock.nsecsElapsed() - lastTick);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        longestHold = std::max(longestHold, double(hold) / 1e6);
    }
    state.counters["pages"] = view->pageCount(job);
    state.counters["longest_hold_ms"] = longestHold;
    Database::setCurrentDatabase(nullptr);
}

// The floor: the same texts at the same places, drawn straight into Qt's PDF engine.
void BM_PrintSequenceFloor(benchmark::State &state)
{
    registerMergeKinds();
    std::unique_ptr<Database> db = addressDatabase(Records);
    std::unique_ptr<CanvasControls> sheet = db ? mergedSheet() : nullptr;
    if (!sheet) {
        state.SkipWithError("no database or no 5160 sheet");
        return;
    }
    RectsView *view = sheet->view.get();
    const TFormat *format = view->getTFormat();
    if (!format || format->labels.empty()) {
        state.SkipWithError("5160 has no positions");
        return;
    }
    struct Field
    {
        QFont font;
        QPointF origin;
    };
    std::vector<Field> fields;
    for (const GraphicPtr &graphic : view->getRects()) {
        if (graphic->isHidden() || !graphic->textStorage())
            continue;
        const QFont font = graphic->textStorage()->defaultFont();
        const QRectF frame = graphic->frameBounds();
        fields.push_back({font, QPointF(frame.left(), frame.top() + QFontMetricsF(font).ascent())});
    }
    if (fields.size() != 3) {
        state.SkipWithError("the design has not three fields");
        return;
    }
    std::sort(fields.begin(), fields.end(), [](const Field &a, const Field &b) { return a.origin.y() < b.origin.y(); });
    std::vector<std::array<QString, 3>> texts;
    for (const dbBrowseField &row : db->browserArray()) {
        db->initWithPrimaryKey(row.primaryKey());
        const QVariantMap &values = db->fieldValues();
        texts.push_back({values.value(QStringLiteral("First_Name")).toString() + QLatin1Char(' ')
                             + values.value(QStringLiteral("Last_Name")).toString(),
                         values.value(QStringLiteral("Address")).toString(),
                         values.value(QStringLiteral("City")).toString()});
    }
    std::vector<QTransform> places;
    for (const TLabelT &shape : format->labels)
        places.push_back(RectsView::positionTransform(shape, QPointF(0, 0), QPointF(0, 0), 612.0, false));
    const QString pdfPath = workDir().filePath(QStringLiteral("floor.pdf"));
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        {
            QPdfWriter writer(pdfPath);
            writer.setResolution(72);
            writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
            QPainter painter(&writer);
            painter.setRenderHint(QPainter::Antialiasing);
            size_t place = 0;
            for (const auto &record : texts) {
                if (place == places.size()) {
                    writer.newPage();
                    place = 0;
                }
                painter.setTransform(places[place++]);
                for (size_t f = 0; f < 3; ++f) {
                    painter.setFont(fields[f].font);
                    painter.drawText(fields[f].origin, record[f]);
                }
            }
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    Database::setCurrentDatabase(nullptr);
}

BENCHMARK(BM_PrintSequence)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(BM_PrintSequenceFloor)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

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
