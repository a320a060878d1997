// Print Sequence of 1,000 merged labels (30 to a sheet, 34 pages) into a PDF file through the
// printer path: record advance, merge refresh, clipping and drawing of every position.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPrinter>
#include <QTemporaryDir>

#include "canvas/RectsView.h"
#include "database/ColorField.h"
#include "database/Database.h"
#include "database/MergeKinds.h"
#include "objects/ColorRect.h"
#include "printing/PrintJob.h"
#include "stock/TFormat.h"

using namespace quillmark;

namespace {

constexpr int kRecords = 1000;
constexpr int FirstNamePk = 4;

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

TFormat thirtyUp()
{
    TFormat format;
    format.name = QStringLiteral("Thirty");
    for (int i = 0; i < 30; ++i) {
        TLabelT shape;
        shape.setType(QStringLiteral("Address"));
        shape.setX(5.0f + 68.0f * float(i % 3));
        shape.setY(12.0f + 25.4f * float(i / 3));
        shape.setWidth(66.0f);
        shape.setHeight(25.4f);
        format.labels.push_back(shape);
    }
    return format;
}

void BM_PrintSequence1000Labels(benchmark::State &state)
{
    registerMergeKinds();
    const QString dbPath = workDir().filePath(QStringLiteral("names.sqlite"));
    QString error;
    Database::createDatabaseAtPath(dbPath, &error);
    std::unique_ptr<Database> db = Database::openDatabaseAtPath(dbPath, &error);
    if (!db) {
        state.SkipWithError("no database");
        return;
    }
    for (int i = 0; i < kRecords; ++i) {
        db->fieldValues().clear();
        db->initFieldValues();
        db->fieldValues().insert(QStringLiteral("First_Name"), QStringLiteral("Person %1").arg(i));
        db->insertRecord();
    }
    db->refreshBrowser();

    RectsView view;
    view.setTFormat(thirtyUp());
    const QString page = view.getTemplateFolder() + QStringLiteral("Front");
    auto box = ColorRect::create(QRectF(2, 2, 60, 20));
    box->setPageName(page);
    box->setDrawsFill(true);
    box->setFillColor(QColor(230, 240, 255));
    view.addGraphic(box);
    auto field = ColorField::create(QRectF(6, 6, 150, 24));
    field->setPageName(page);
    view.addGraphic(field);
    field->setFieldPk(FirstNamePk);

    PrintJob job;
    job.sequence = true;
    for (const dbBrowseField &row : db->browserArray())
        job.recordKeys.append(row.primaryKey());

    const QString pdfPath = workDir().filePath(QStringLiteral("labels.pdf"));
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        view.printJob(printer, job);
    }
    state.counters["pages"] = view.pageCount(job);
    state.counters["labels"] = kRecords;
    Database::setCurrentDatabase(nullptr);
}

} // namespace

BENCHMARK(BM_PrintSequence1000Labels)->Unit(benchmark::kMillisecond)->Iterations(3);

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
