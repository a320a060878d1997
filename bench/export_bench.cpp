// Export Sequential of merged address labels: the 5160 label of the catalogue with three merge
// fields (name, street, city), one PNG per record at the sequential export's 600 dots per inch,
// 1,000 records, through the canvas's own command. Beside it its floors, measured in the same
// run: a plain Qt program drawing the same three texts of every record in the same fonts at
// the same places into a white image of the same size and writing it as PNG, once on one
// thread and once on every core (a QThreadPool taking the records in turn).
//
// The same for a design with a numbered Code 128 barcode and an address block: the command,
// the way it went before (each label drawn on the window's thread, only the encoding on the
// other cores), and the floors drawing the same lines of each address and the same bars. The
// window's thread's own processor time is reported beside each run of the command.
// Build with -DQM_BENCH=ON in a Release build.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <ctime>
#include <deque>
#include <mutex>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "MergedSheet.h"
#include "barcodes/BarcodeKinds.h"
#include "barcodes/Code128.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/TSequence.h"
#include "database/merge/ColorAddress.h"
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
#include "printing/ExportFormats.h"
#include "stock/DataSource.h"
#include "stock/TLabelType.h"

using namespace quillmark;
using namespace qmbench;

namespace {

constexpr double Resolution = 600.0;

struct Field
{
    QFont font;
    QPointF origin;
};

// The floor's whole work for one record: the label drawn and written as PNG.
bool drawAndWrite(const QSizeF &label, const std::vector<Field> &fields, const std::array<QString, 3> &texts,
                  const QString &path)
{
    const double s = Resolution / 72.0;
    QImage image(qRound(label.width() * s), qRound(label.height() * s), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    image.setDotsPerMeterX(qRound(Resolution / 0.0254));
    image.setDotsPerMeterY(qRound(Resolution / 0.0254));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(s, s);
        for (size_t f = 0; f < fields.size(); ++f) {
            painter.setFont(fields[f].font);
            painter.drawText(fields[f].origin, texts[f]);
        }
    }
    QImageWriter writer(path, "png");
    return writer.write(image);
}

QString freshFolder(const QString &name)
{
    QDir dir(workDir().filePath(name));
    dir.removeRecursively();
    QDir().mkpath(dir.path());
    return dir.path();
}

void report(benchmark::State &state, const char *what, double seconds, int records)
{
    state.SetIterationTime(seconds);
    state.counters["ms_per_label"] = seconds * 1000.0 / records;
    std::fprintf(stderr, "%s, %d labels: %.0f ms (%.2f ms a label)\n", what, records, seconds * 1000.0,
                 seconds * 1000.0 / records);
}

struct Setup
{
    std::unique_ptr<Database> db;
    std::unique_ptr<CanvasControls> label;
    std::vector<Field> fields;
    std::vector<std::array<QString, 3>> texts;
    QSizeF size;
};

// The database, the design and, for the floors, each field's font and place and every record's
// texts, all made before the clock starts.
std::unique_ptr<Setup> setUp(int records)
{
    registerMergeKinds();
    auto setup = std::make_unique<Setup>();
    setup->db = addressDatabase(records);
    setup->label = mergedSheet();
    if (!setup->db || !setup->label)
        return nullptr;
    RectsView *view = setup->label->view.get();
    setup->size = QSizeF(double(view->getLabel().width) * 72.0, double(view->getLabel().height) * 72.0);
    for (const GraphicPtr &graphic : view->getRects()) {
        if (graphic->isHidden() || !graphic->textStorage())
            continue;
        const QFont font = graphic->textStorage()->defaultFont();
        const QRectF frame = graphic->frameBounds();
        setup->fields.push_back({font, QPointF(frame.left(), frame.top() + QFontMetricsF(font).ascent())});
    }
    std::sort(setup->fields.begin(), setup->fields.end(),
              [](const Field &a, const Field &b) { return a.origin.y() < b.origin.y(); });
    if (setup->fields.size() != 3)
        return nullptr;
    for (const dbBrowseField &row : setup->db->browserArray()) {
        setup->db->initWithPrimaryKey(row.primaryKey());
        const QVariantMap &values = setup->db->fieldValues();
        setup->texts.push_back({values.value(QStringLiteral("First_Name")).toString() + QLatin1Char(' ')
                                    + values.value(QStringLiteral("Last_Name")).toString(),
                                values.value(QStringLiteral("Address")).toString(),
                                values.value(QStringLiteral("City")).toString()});
    }
    return setup;
}

void BM_SequentialPngExport(benchmark::State &state)
{
    const int records = int(state.range(0));
    std::unique_ptr<Setup> setup = setUp(records);
    if (!setup) {
        state.SkipWithError("no database, no 5160 or no merge fields");
        return;
    }
    RectsView *view = setup->label->view.get();
    for (auto _ : state) {
        const QString folder = freshFolder(QStringLiteral("app"));
        QElapsedTimer timer;
        timer.start();
        const int written = view->exportSequentialFiles(folder + QStringLiteral("/Labels.png"),
                                                        int(ExportFormat::PNG), 1, records, Resolution);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (written != records) {
            state.SkipWithError("not every file was written");
            break;
        }
        report(state, "Export Sequential", seconds, records);
    }
    Database::setCurrentDatabase(nullptr);
}

void BM_SequentialPngFloorOneThread(benchmark::State &state)
{
    const int records = int(state.range(0));
    std::unique_ptr<Setup> setup = setUp(records);
    if (!setup) {
        state.SkipWithError("no setup");
        return;
    }
    for (auto _ : state) {
        const QString folder = freshFolder(QStringLiteral("floor1"));
        QElapsedTimer timer;
        timer.start();
        for (int k = 0; k < records; ++k)
            drawAndWrite(setup->size, setup->fields, setup->texts[size_t(k)],
                         folder + QStringLiteral("/Labels%1.png").arg(k + 1));
        report(state, "floor, one thread", double(timer.nsecsElapsed()) / 1e9, records);
    }
    Database::setCurrentDatabase(nullptr);
}

void BM_SequentialPngFloorAllThreads(benchmark::State &state)
{
    const int records = int(state.range(0));
    std::unique_ptr<Setup> setup = setUp(records);
    if (!setup) {
        state.SkipWithError("no setup");
        return;
    }
    QThreadPool pool;
    const int threads = pool.maxThreadCount();
    for (auto _ : state) {
        const QString folder = freshFolder(QStringLiteral("floorN"));
        QElapsedTimer timer;
        timer.start();
        std::atomic<int> next{0};
        for (int t = 0; t < threads; ++t)
            pool.start([&] {
                for (int k = next++; k < records; k = next++)
                    drawAndWrite(setup->size, setup->fields, setup->texts[size_t(k)],
                                 folder + QStringLiteral("/Labels%1.png").arg(k + 1));
            });
        pool.waitForDone();
        const QByteArray what = QStringLiteral("floor, %1 threads").arg(threads).toUtf8();
        report(state, what.constData(), double(timer.nsecsElapsed()) / 1e9, records);
    }
    Database::setCurrentDatabase(nullptr);
}

// ---- a numbered barcode and an address block ----

// The processor time the calling thread has used, in seconds.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// One label of the floor: the address's lines where the block puts them, the bars of the
// label's number and its text under them.
struct CodedLabel
{
    std::vector<std::pair<QString, QPointF>> lines;
    std::vector<QRectF> bars;
    QString number;
};

struct CodedSetup
{
    std::unique_ptr<Database> db;
    std::unique_ptr<CanvasControls> label;
    QFont font;
    QFont numberFont;
    QPointF numberAt;
    std::vector<CodedLabel> labels;
    QSizeF size;
};

// The 5160 canvas without objects.
std::unique_ptr<CanvasControls> emptySheet()
{
    auto controls = std::make_unique<CanvasControls>();
    controls->side.setSelectedSegment(0);
    controls->layers.setSelectedSegment(1);
    LanguageControls::awakeFromNib(&controls->side);
    controls->view = std::make_unique<RectsView>();
    RectsView::Outlets outlets;
    outlets.segmentedFrontBackOutlet = &controls->side;
    outlets.segmentedLayersOutlet = &controls->layers;
    outlets.cbLandscapeView = &controls->landscape;
    controls->view->setOutlets(outlets);
    const TLabelType *entry =
        controls->view->dataSource()->labelTypeAt(controls->view->dataSource()->modelIndexByName(QStringLiteral("5160")));
    if (!entry)
        return nullptr;
    controls->view->setTLabel(entry->getLabelStruct());
    return controls;
}

constexpr double BarTop = 10.0;
constexpr double BarLeft = 120.0;
constexpr double BarHeight = 30.0;

// The design, and for the floors every label's lines and bars, all made before the clock.
std::unique_ptr<CodedSetup> setUpCoded(int records)
{
    registerMergeKinds();
    registerBarcodeKinds();
    auto setup = std::make_unique<CodedSetup>();
    setup->db = addressDatabase(records);
    setup->label = emptySheet();
    if (!setup->db || !setup->label)
        return nullptr;
    RectsView *view = setup->label->view.get();
    setup->size = QSizeF(double(view->getLabel().width) * 72.0, double(view->getLabel().height) * 72.0);
    auto block = ColorAddress::create(QRectF(8, 4, 0, 0));
    block->setPageName(view->getCurrPageName());
    block->setObjectLayer(1);
    view->addGraphic(block);
    auto barcode = ColorBarcode::create(QRectF(BarLeft, BarTop, 0, 0));
    barcode->setPageName(view->getCurrPageName());
    barcode->setObjectLayer(1);
    TBarInfo info = barcode->getBarInfo();
    info.type = BarcodeType::Code128B;
    info.setData("100000");
    barcode->setBarInfo(info);
    TSequence sequence;
    sequence.isPresent = 1;
    sequence.counter = "100000";
    barcode->setSequenceInfo(sequence);
    // As the barcode tool places it.
    barcode->setDrawBarcode(true);
    barcode->updateframeSize();
    view->addGraphic(barcode);
    view->clearSelection();

    setup->font = block->textSize();
    setup->numberFont = LinearDrawContext::systemFont(9.0);
    setup->numberAt = QPointF(BarLeft, BarTop + BarHeight + 10.0);
    view->setPrinting(true);
    int k = 0;
    for (const dbBrowseField &row : setup->db->browserArray()) {
        view->upDateDBFields(row.primaryKey());
        CodedLabel label;
        const QFontMetricsF metrics(setup->font);
        for (const ColorAddress::PlacedPart &part : block->currentLines().parts)
            if (!part.text.isEmpty())
                label.lines.emplace_back(part.text, part.topLeft + QPointF(0, metrics.ascent()));
        TBarInfo numbered = info;
        numbered.setData(sequenceCounterValue(sequence, k++));
        double x = BarLeft;
        for (const int value : code128Values(numbered)) {
            const char *pattern = code128Pattern(value);
            for (int i = 0; pattern && pattern[i]; ++i) {
                const double width = double(pattern[i] - '0');
                if (i % 2 == 0)
                    label.bars.emplace_back(x, BarTop, width, BarHeight);
                x += width;
            }
        }
        label.bars.emplace_back(x, BarTop, 2.0, BarHeight);
        label.number = QString::fromStdString(numbered.shortData());
        setup->labels.push_back(std::move(label));
    }
    view->setPrinting(false);
    return setup;
}

// The floor's whole work for one coded label: drawn and written as PNG.
bool drawAndWriteCoded(const CodedSetup &setup, const CodedLabel &label, const QString &path)
{
    const double s = Resolution / 72.0;
    QImage image(qRound(setup.size.width() * s), qRound(setup.size.height() * s), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    image.setDotsPerMeterX(qRound(Resolution / 0.0254));
    image.setDotsPerMeterY(qRound(Resolution / 0.0254));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(s, s);
        painter.setFont(setup.font);
        for (const auto &[text, at] : label.lines)
            painter.drawText(at, text);
        for (const QRectF &bar : label.bars)
            painter.fillRect(bar, Qt::black);
        painter.setFont(setup.numberFont);
        painter.drawText(setup.numberAt, label.number);
    }
    QImageWriter writer(path, "png");
    return writer.write(image);
}

void BM_SequentialPngExportBarcodeAndAddress(benchmark::State &state)
{
    const int records = int(state.range(0));
    std::unique_ptr<CodedSetup> setup = setUpCoded(records);
    if (!setup) {
        state.SkipWithError("no database or no 5160");
        return;
    }
    RectsView *view = setup->label->view.get();
    for (auto _ : state) {
        const QString folder = freshFolder(QStringLiteral("coded"));
        QElapsedTimer timer;
        timer.start();
        const double cpu = threadSeconds();
        const int written = view->exportSequentialFiles(folder + QStringLiteral("/Labels.png"),
                                                        int(ExportFormat::PNG), 1, records, Resolution);
        const double own = threadSeconds() - cpu;
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (written != records) {
            state.SkipWithError("not every file was written");
            break;
        }
        state.counters["window_thread_share"] = own / seconds;
        report(state, "Export Sequential, barcode and address block", seconds, records);
        std::fprintf(stderr, "  the window's thread busy %.0f ms, %.1f %% of the run\n", own * 1000.0,
                     100.0 * own / seconds);
    }
    Database::setCurrentDatabase(nullptr);
}

// The way it went before: each label drawn on the window's thread, the PNGs encoded and
// written on the other cores while the next one is drawn.
void BM_SequentialPngBarcodeAndAddressDrawnOnTheWindowsThread(benchmark::State &state)
{
    const int records = int(state.range(0));
    std::unique_ptr<CodedSetup> setup = setUpCoded(records);
    if (!setup) {
        state.SkipWithError("no setup");
        return;
    }
    RectsView *view = setup->label->view.get();
    QThreadPool pool;
    const QList<dbBrowseField> rows = setup->db->browserArray();
    for (auto _ : state) {
        const QString folder = freshFolder(QStringLiteral("before"));
        QElapsedTimer timer;
        timer.start();
        const double cpu = threadSeconds();
        view->setPrinting(true);
        std::atomic<int> pending{0};
        for (int k = 0; k < records; ++k) {
            view->upDateDBFields(rows.at(k).primaryKey());
            const QImage image = view->renderLabelImage(float(Resolution), false, k);
            // As many labels drawn ahead as there are cores.
            while (pending.load() >= pool.maxThreadCount())
                QThread::yieldCurrentThread();
            ++pending;
            pool.start([image, path = folder + QStringLiteral("/Labels%1.png").arg(k + 1), &pending] {
                QImageWriter(path, "png").write(image);
                --pending;
            });
        }
        pool.waitForDone();
        view->setPrinting(false);
        const double own = threadSeconds() - cpu;
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        report(state, "before: drawn on the window's thread", seconds, records);
        std::fprintf(stderr, "  the window's thread busy %.0f ms, %.1f %% of the run\n", own * 1000.0,
                     100.0 * own / seconds);
    }
    Database::setCurrentDatabase(nullptr);
}

void BM_SequentialPngBarcodeAndAddressFloorOneThread(benchmark::State &state)
{
    const int records = int(state.range(0));
    std::unique_ptr<CodedSetup> setup = setUpCoded(records);
    if (!setup) {
        state.SkipWithError("no setup");
        return;
    }
    for (auto _ : state) {
        const QString folder = freshFolder(QStringLiteral("codedFloor1"));
        QElapsedTimer timer;
        timer.start();
        for (int k = 0; k < records; ++k)
            drawAndWriteCoded(*setup, setup->labels[size_t(k)], folder + QStringLiteral("/Labels%1.png").arg(k + 1));
        report(state, "floor with barcode and address, one thread", double(timer.nsecsElapsed()) / 1e9, records);
    }
    Database::setCurrentDatabase(nullptr);
}

void BM_SequentialPngBarcodeAndAddressFloorAllThreads(benchmark::State &state)
{
    const int records = int(state.range(0));
    std::unique_ptr<CodedSetup> setup = setUpCoded(records);
    if (!setup) {
        state.SkipWithError("no setup");
        return;
    }
    QThreadPool pool;
    const int threads = pool.maxThreadCount();
    for (auto _ : state) {
        const QString folder = freshFolder(QStringLiteral("codedFloorN"));
        QElapsedTimer timer;
        timer.start();
        std::atomic<int> next{0};
        for (int t = 0; t < threads; ++t)
            pool.start([&] {
                for (int k = next++; k < records; k = next++)
                    drawAndWriteCoded(*setup, setup->labels[size_t(k)],
                                      folder + QStringLiteral("/Labels%1.png").arg(k + 1));
            });
        pool.waitForDone();
        const QByteArray what = QStringLiteral("floor with barcode and address, %1 threads").arg(threads).toUtf8();
        report(state, what.constData(), double(timer.nsecsElapsed()) / 1e9, records);
    }
    Database::setCurrentDatabase(nullptr);
}

} // namespace

BENCHMARK(BM_SequentialPngExport)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_SequentialPngFloorOneThread)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_SequentialPngFloorAllThreads)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_SequentialPngExportBarcodeAndAddress)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_SequentialPngBarcodeAndAddressDrawnOnTheWindowsThread)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_SequentialPngBarcodeAndAddressFloorOneThread)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_SequentialPngBarcodeAndAddressFloorAllThreads)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

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
