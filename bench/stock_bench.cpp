// Stock changes on the canvas: choosing a 270-label catalogue sheet and opening a custom free
// layout of 3,000 labels, each with draw-by-type off (one design page per label, named
// "Horizontal", "Horizontal 2", ...), and the naming of the label types on its own.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>

#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "foundation/LanguageControls.h"
#include "foundation/SegmentedControl.h"
#include "stock/LabelTypes.h"
#include "stock/TFormat.h"

using namespace quillmark;

namespace {

TFormat sameTypeSheet(int count)
{
    TFormat format;
    format.name = QStringLiteral("Many");
    for (int i = 0; i < count; ++i) {
        TLabelT shape;
        shape.setType(QStringLiteral("Horizontal"));
        shape.setX(float(i % 50) * 4.0f);
        shape.setY(float(i / 50) * 4.0f);
        shape.setWidth(3.5f);
        shape.setHeight(3.5f);
        format.labels.push_back(shape);
    }
    return format;
}

// The canvas with the controls that a stock change updates.
struct Canvas
{
    Canvas()
        : side({QStringLiteral("Front"), QStringLiteral("Back")}),
          layers({QStringLiteral("Background"), QStringLiteral("Foreground")})
    {
        side.setSelectedSegment(0);
        layers.setSelectedSegment(1);
        view = std::make_unique<RectsView>();
        RectsView::Outlets outlets;
        outlets.segmentedFrontBackOutlet = &side;
        outlets.segmentedLayersOutlet = &layers;
        outlets.segmentedPageOutlet = &pages;
        outlets.cbLandscapeView = &landscape;
        outlets.cbDrawByType = &byType;
        view->setOutlets(outlets);
    }
    SegmentedControl side;
    SegmentedControl layers;
    SegmentedControl pages;
    QCheckBox landscape;
    QCheckBox byType;
    std::unique_ptr<RectsView> view;
};

void BM_NameLabelTypes(benchmark::State &state)
{
    const TFormat format = sameTypeSheet(int(state.range(0)));
    for (auto _ : state) {
        const QStringList names = format.labelTypeNames();
        benchmark::DoNotOptimize(names.size());
    }
}
BENCHMARK(BM_NameLabelTypes)->Arg(270)->Arg(3000)->Unit(benchmark::kMillisecond);

void BM_Choose270LabelSheet(benchmark::State &state)
{
    const LabelTypes catalogue;
    TLabel sheet;
    TLabel other;
    for (const auto &entry : catalogue.allLabelTypes()) {
        if (entry->productCode == "L4730")
            sheet = entry->getLabelStruct();
        if (entry->productCode == "5160")
            other = entry->getLabelStruct();
    }
    if (sheet.positionCount() != 270) {
        state.SkipWithError("no 270-label sheet L4730 in the catalogue");
        return;
    }
    Canvas canvas;
    for (auto _ : state) {
        canvas.view->setTLabel(sheet);
        state.PauseTiming();
        canvas.view->setTLabel(other);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Choose270LabelSheet)->Unit(benchmark::kMillisecond);

void BM_Open3000LabelCustomFormat(benchmark::State &state)
{
    const TFormat format = sameTypeSheet(3000);
    const TFormat small = sameTypeSheet(1);
    Canvas canvas;
    for (auto _ : state) {
        canvas.view->setTFormat(format);
        state.PauseTiming();
        canvas.view->setTFormat(small);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Open3000LabelCustomFormat)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Language::initialize();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
