// Print Sequence of merged address labels, the job users print most: the shipped 5160 sheet
// of the catalogue (30 labels on letter paper), three merge fields (name, street, city),
// 1,000 and 10,000 records, printed into one PDF file through the printer path. Reports the
// time per label (best and median of the runs) and the process's peak memory.
//
// Beside it, BM_MergedPrintFloor: the least the libraries need for the same pages, Qt's own
// PDF engine (QPdfWriter and QPainter) drawing the same three texts of every label in the
// same font at the same places, the texts already in memory, with nothing else.
//
// Each size runs in a process of its own, so that the peak memory of the 10,000-record run is
// not the 1,000-record run's: started without --benchmark_filter, the program runs itself once
// per size. Build with -DQM_BENCH=ON in a Release build.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "MergedSheet.h"
#include "canvas/RectsView.h"
#include "database/merge/ColorField.h"
#include "database/store/Database.h"
#include "database/merge/GroupField.h"
#include "database/merge/MergeFieldTool.h"
#include "database/merge/MergeKinds.h"
#include "foundation/LanguageControls.h"
#include "foundation/SegmentedControl.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "platform/PrintInfo.h"
#include "printing/PrintJob.h"
#include "stock/DataSource.h"
#include "stock/TFormat.h"
#include "stock/TLabelType.h"

using namespace quillmark;
using namespace qmbench;

namespace {

constexpr int Runs = 5;

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_MergedPrint5160(benchmark::State &state)
{
    const int records = int(state.range(0));
    registerMergeKinds();
    std::unique_ptr<Database> db = addressDatabase(records);
    if (!db) {
        state.SkipWithError("no database");
        return;
    }
    std::unique_ptr<CanvasControls> sheet = mergedSheet();
    if (!sheet) {
        state.SkipWithError("no 5160 in the catalogue, or no merge fields");
        return;
    }
    RectsView *view = sheet->view.get();
    PrintInfo::sharedPrintInfo().setPaper(QPageSize(QPageSize::Letter));

    PrintJob job;
    job.sequence = true;
    for (const dbBrowseField &row : db->browserArray())
        job.recordKeys.append(row.primaryKey());

    // QM_BENCH_PDF keeps the printed file where it says, to look at it.
    const QString pdfPath = qEnvironmentVariableIsSet("QM_BENCH_PDF") ? qEnvironmentVariable("QM_BENCH_PDF")
                                                                      : workDir().filePath(QStringLiteral("labels.pdf"));
    std::vector<double> perLabel;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        printer.setPageLayout(PrintInfo::sharedPrintInfo().pageLayout());
        if (!view->printJob(printer, job)) {
            state.SkipWithError("the job failed");
            break;
        }
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        perLabel.push_back(seconds * 1000.0 / records);
    }
    if (perLabel.empty())
        return;
    std::sort(perLabel.begin(), perLabel.end());
    const double best = perLabel.front();
    const double median = perLabel[perLabel.size() / 2];
    state.counters["labels"] = records;
    state.counters["pages"] = view->pageCount(job);
    state.counters["ms_per_label_best"] = best;
    state.counters["ms_per_label_median"] = median;
    state.counters["peak_MB"] = peakMegabytes();
    std::fprintf(stderr, "labels %d: best %.4f ms, median %.4f ms a label (%.0f ms the job); peak memory %.1f MB\n",
                 records, best, median, median * records, peakMegabytes());
    Database::setCurrentDatabase(nullptr);
}

// The floor: the same texts at the same places, drawn straight into Qt's PDF engine.
void BM_MergedPrintFloor(benchmark::State &state)
{
    const int records = int(state.range(0));
    registerMergeKinds();
    std::unique_ptr<Database> db = addressDatabase(records);
    std::unique_ptr<CanvasControls> sheet = mergedSheet();
    if (!db || !sheet) {
        state.SkipWithError("no database or no sheet");
        return;
    }
    RectsView *view = sheet->view.get();
    const TFormat *format = view->getTFormat();
    if (!format || format->labels.empty()) {
        state.SkipWithError("5160 has no positions");
        return;
    }
    // Where each field's text starts in the label and in which font, from the design's own
    // contents objects (the ones that show a record's value).
    struct Field
    {
        QString column;
        QFont font;
        QPointF origin;
    };
    std::vector<Field> fields;
    const QStringList columns = {QStringLiteral("Full_Name"), QStringLiteral("Address"), QStringLiteral("City")};
    for (const GraphicPtr &graphic : view->getRects()) {
        if (graphic->isHidden() || !graphic->textStorage())
            continue;
        const QFont font = graphic->textStorage()->defaultFont();
        const QFontMetricsF metrics(font);
        const QRectF frame = graphic->frameBounds();
        fields.push_back({columns.value(int(fields.size())), font, QPointF(frame.left(), frame.top() + metrics.ascent())});
    }
    if (fields.size() != 3) {
        state.SkipWithError("the design has not three fields");
        return;
    }
    std::sort(fields.begin(), fields.end(), [](const Field &a, const Field &b) { return a.origin.y() < b.origin.y(); });
    // The records' texts, read before the clock starts.
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
    std::vector<double> perLabel;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
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
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        perLabel.push_back(seconds * 1000.0 / records);
    }
    std::sort(perLabel.begin(), perLabel.end());
    const double best = perLabel.front();
    const double median = perLabel[perLabel.size() / 2];
    state.counters["ms_per_label_best"] = best;
    state.counters["ms_per_label_median"] = median;
    std::fprintf(stderr, "floor, labels %d: best %.4f ms, median %.4f ms a label (%.0f ms the job)\n", records, best,
                 median, median * records);
    Database::setCurrentDatabase(nullptr);
}

} // namespace

BENCHMARK(BM_MergedPrintFloor)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(Runs);

BENCHMARK(BM_MergedPrint5160)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(Runs);

int main(int argc, char **argv)
{
    bool filtered = false;
    for (int i = 1; i < argc; ++i)
        filtered = filtered || QByteArray(argv[i]).startsWith("--benchmark_filter");
    if (!filtered) {
        // One process per size: the peak memory is then each size's own.
        QCoreApplication app(argc, argv);
        int status = 0;
        for (const char *size : {"1000", "10000"}) {
            QStringList arguments = app.arguments().mid(1);
            arguments.append(
                QStringLiteral("--benchmark_filter=BM_MergedPrint(5160|Floor)/%1/").arg(QLatin1String(size)));
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(app.applicationFilePath(), arguments);
            child.waitForFinished(-1);
            status = std::max(status, child.exitCode());
        }
        return status;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_DATA_HOME", workDir().path().toUtf8());
    qputenv("XDG_CONFIG_HOME", workDir().path().toUtf8());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
