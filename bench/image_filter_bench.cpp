// The effects panel's renders: a Gaussian blur (GEGL) of a 2000 x 1000 picture, the same
// picture wrapped around a circle (computed per pixel), and a checkerboard generator filling
// the same area.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "platform/ImageFilter.h"

using namespace quillmark;

namespace {

QImage picture()
{
    QImage image(2000, 1000, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    QLinearGradient g(0, 0, 2000, 1000);
    g.setColorAt(0, QColor(40, 90, 200));
    g.setColorAt(1, QColor(240, 200, 60));
    p.fillRect(image.rect(), g);
    p.setBrush(QColor(200, 30, 30));
    for (int i = 0; i < 40; ++i)
        p.drawEllipse(QPointF(50 + i * 48, 500 + (i % 7) * 40), 30, 30);
    return image;
}

void run(benchmark::State &state, const QString &name,
         const std::function<void(ImageFilter &)> &setUp)
{
    const FilterImage source(picture());
    const auto filter = ImageFilter::filterWithName(name);
    filter->setValue(QStringLiteral("inputImage"), QVariant::fromValue(source));
    setUp(*filter);
    for (auto _ : state) {
        const QImage out = filter->outputImage().render(QRect(0, 0, 2000, 1000));
        benchmark::DoNotOptimize(out.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 2000 * 1000);
}

void BM_GaussianBlur(benchmark::State &state)
{
    run(state, QStringLiteral("gegl:gaussian-blur"), [&](ImageFilter &f) {
        f.setValue(QStringLiteral("inputStdDevX"), double(state.range(0)));
        f.setValue(QStringLiteral("inputStdDevY"), double(state.range(0)));
    });
}
BENCHMARK(BM_GaussianBlur)->Arg(2)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_CircularWrap(benchmark::State &state)
{
    run(state, QStringLiteral("CircularWrap"), [](ImageFilter &f) {
        f.setValue(QStringLiteral("inputCenter"), QVariant::fromValue(QList<double>{1000, 500}));
        f.setValue(QStringLiteral("inputRadius"), 300.0);
    });
}
BENCHMARK(BM_CircularWrap)->Unit(benchmark::kMillisecond);

void BM_Checkerboard(benchmark::State &state)
{
    run(state, QStringLiteral("CheckerboardGenerator"), [](ImageFilter &) {});
}
BENCHMARK(BM_Checkerboard)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
