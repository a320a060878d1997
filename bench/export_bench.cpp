// Export Sequential of merged address labels: the 5160 label of the catalogue with three merge
// fields (name, street, city), one PNG per record at the sequential export's 600 dots per inch,
// 1,000 records, through the canvas's own command. Beside it its floors, measured in the same
// run: a plain Qt program drawing the same three texts of every record in the same fonts at
// the same places into a white image of the same size and writing it as PNG, once on one
// thread and once on every core (a QThreadPool taking the records in turn). Build with -DQM_BENCH=ON in a Release build.
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
#include <QThreadPool>

#include <atomic>

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

} // namespace

BENCHMARK(BM_SequentialPngExport)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_SequentialPngFloorOneThread)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_SequentialPngFloorAllThreads)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

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
