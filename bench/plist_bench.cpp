// Reading binary property lists: a flat array of 40,000 items, and a custom formats file of
// about 1.5 MB (free layouts of many labels, as the custom format store writes them).
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

QByteArray flatArray(int count)
{
    QVariantList items;
    for (int i = 0; i < count; ++i)
        items.append(i % 2 ? QVariant(QStringLiteral("item %1").arg(i)) : QVariant(qint64(i)));
    return PropertyList::toData(items, PlistFormat::Binary);
}

QByteArray customFormats()
{
    QVariantMap root;
    for (int f = 0; f < 10; ++f) {
        QVariantList labels;
        for (int i = 0; i < 5000; ++i)
            labels.append(QVariantMap{{"type", QStringLiteral("Horizontal")},
                                      {"originX", double(i % 40) * 5.0 + 0.25 + f * 0.001},
                                      {"originY", double(i / 40) * 5.0 + 0.5 + f * 0.001},
                                      {"width", 4.5},
                                      {"height", 4.25 + f},
                                      {"orientation", qint64(0)}});
        root.insert(QStringLiteral("Custom%1").arg(f),
                    QVariantMap{{"name", QStringLiteral("Big %1").arg(f)},
                                {"manufacturer", QStringLiteral("brenholt")},
                                {"labels", labels}});
    }
    return PropertyList::toData(root, PlistFormat::Binary);
}

void BM_ReadBinaryArray(benchmark::State &state)
{
    const QByteArray data = flatArray(int(state.range(0)));
    for (auto _ : state) {
        const QVariant value = PropertyList::fromData(data);
        benchmark::DoNotOptimize(value.toList().size());
    }
    state.counters["bytes"] = double(data.size());
}
BENCHMARK(BM_ReadBinaryArray)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadBinaryDictionary(benchmark::State &state)
{
    QVariantMap map;
    for (int i = 0; i < int(state.range(0)); ++i)
        map.insert(QStringLiteral("Custom%1").arg(i), qint64(i));
    const QByteArray data = PropertyList::toData(map, PlistFormat::Binary);
    for (auto _ : state) {
        const QVariant value = PropertyList::fromData(data);
        benchmark::DoNotOptimize(value.toMap().size());
    }
}
BENCHMARK(BM_ReadBinaryDictionary)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WriteBinaryArray(benchmark::State &state)
{
    QVariantList items;
    for (int i = 0; i < int(state.range(0)); ++i)
        items.append(QStringLiteral("item %1").arg(i));
    for (auto _ : state) {
        const QByteArray data = PropertyList::toData(items, PlistFormat::Binary);
        benchmark::DoNotOptimize(data.size());
    }
}
BENCHMARK(BM_WriteBinaryArray)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadCustomFormats(benchmark::State &state)
{
    const QByteArray data = customFormats();
    for (auto _ : state) {
        const QVariant value = PropertyList::fromData(data);
        benchmark::DoNotOptimize(value.toMap().size());
    }
    state.counters["bytes"] = double(data.size());
}
BENCHMARK(BM_ReadCustomFormats)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

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
