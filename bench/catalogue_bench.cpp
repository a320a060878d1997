// Start-up cost of the stock catalogue: reading the seven shipped files, sorting the
// entries and building the categories, and one search over the result.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "stock/LabelTypes.h"

using namespace quillmark;

static void BM_LoadCatalogue(benchmark::State &state)
{
    size_t entries = 0;
    for (auto _ : state) {
        LabelTypes types;
        entries = types.allLabelTypes().size();
        benchmark::DoNotOptimize(entries);
    }
    state.counters["entries"] = double(entries);
}
BENCHMARK(BM_LoadCatalogue)->Unit(benchmark::kMillisecond);

static void BM_SearchCatalogue(benchmark::State &state)
{
    LabelTypes types;
    for (auto _ : state) {
        types.recalc(true, QStringLiteral("5160"));
        types.recalc(false, QStringLiteral("l7160"));
        benchmark::DoNotOptimize(types.mfilter_idx.size());
    }
}
BENCHMARK(BM_SearchCatalogue)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
