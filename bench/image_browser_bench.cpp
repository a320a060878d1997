// The image browser choosing a folder of 2,000 photos of 12 megapixels: how long until the
// first screen of tiles shows its thumbnails, how long the window's event loop is held at
// most meanwhile (the longest single stretch without handling events), and how long until
// every thumbnail has arrived. Run once cold (thumbnail cache empty; the files themselves are
// in the system's file cache, having just been written) and once with the folder chosen again.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>

#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"

using namespace quillmark;

namespace {

constexpr int kPhotos = 2000;
// Distinct pictures; the rest of the folder holds copies of them under other names.
constexpr int kDistinct = 16;
constexpr QSize kPhotoSize(4000, 3000);

QTemporaryDir &photoDir()
{
    static QTemporaryDir dir;
    return dir;
}

// A picture that compresses like a photograph: smooth gradients, shapes and fine noise.
QImage makePhoto(int seed)
{
    QImage image(kPhotoSize, QImage::Format_RGB32);
    QRandomGenerator random(quint32(seed) * 7919u + 1u);
    {
        QPainter painter(&image);
        QLinearGradient sky(0, 0, kPhotoSize.width(), kPhotoSize.height());
        sky.setColorAt(0, QColor::fromHsv(int(random.bounded(360)), 120, 230));
        sky.setColorAt(1, QColor::fromHsv(int(random.bounded(360)), 200, 90));
        painter.fillRect(image.rect(), sky);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 60; ++i) {
            painter.setBrush(QColor::fromHsv(int(random.bounded(360)), 150, 200, 160));
            painter.setPen(Qt::NoPen);
            const int r = 50 + int(random.bounded(600));
            painter.drawEllipse(QPoint(int(random.bounded(kPhotoSize.width())), int(random.bounded(kPhotoSize.height()))), r, r);
        }
    }
    for (int y = 0; y < image.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(random.bounded(17)) - 8;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + n, 0, 255), std::clamp(qGreen(p) + n, 0, 255),
                           std::clamp(qBlue(p) + n, 0, 255));
        }
    }
    return image;
}

bool makeFolder()
{
    if (!photoDir().isValid())
        return false;
    const QString folder = photoDir().path();
    std::atomic<bool> ok{true};
    QThreadPool pool;
    for (int i = 0; i < kDistinct; ++i) {
        pool.start([i, folder, &ok] {
            QImageWriter writer(QStringLiteral("%1/IMG_%2.jpg").arg(folder).arg(i, 4, 10, QLatin1Char('0')), "jpeg");
            writer.setQuality(90);
            if (!writer.write(makePhoto(i)))
                ok = false;
        });
    }
    pool.waitForDone();
    for (int i = kDistinct; ok && i < kPhotos; ++i) {
        const QString source = QStringLiteral("%1/IMG_%2.jpg").arg(folder).arg(i % kDistinct, 4, 10, QLatin1Char('0'));
        if (!QFile::copy(source, QStringLiteral("%1/IMG_%2.jpg").arg(folder).arg(i, 4, 10, QLatin1Char('0'))))
            ok = false;
    }
    return ok;
}

const QString &folder()
{
    static const QString path = makeFolder() ? photoDir().path() : QString();
    return path;
}

struct Figures
{
    double firstScreenMs = 0;
    double longestStallMs = 0;
    double allMs = 0;
    int visible = 0;
};

bool visibleTilesDone(const QScrollArea &scroll, const ScrollNSImageView &view, int *visible)
{
    const QRect shown(QPoint(0, scroll.verticalScrollBar()->value()), scroll.viewport()->size());
    int count = 0;
    for (const listImageViewItem *tile : view.tiles()) {
        if (!tile->geometry().intersects(shown))
            continue;
        ++count;
        if (tile->image().isNull())
            return false;
    }
    *visible = count;
    return count > 0;
}

bool allTilesDone(const ScrollNSImageView &view)
{
    return std::none_of(view.tiles().begin(), view.tiles().end(),
                        [](const listImageViewItem *tile) { return tile->image().isNull(); });
}

Figures chooseFolder(QScrollArea &scroll, ScrollNSImageView &view)
{
    Figures figures;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer stretch;
    stretch.start();
    view.loadAllItemsListPath(folder());
    figures.longestStallMs = double(stretch.nsecsElapsed()) / 1e6;
    bool firstScreen = false;
    while (true) {
        if (!firstScreen && visibleTilesDone(scroll, view, &figures.visible)) {
            firstScreen = true;
            figures.firstScreenMs = double(clock.nsecsElapsed()) / 1e6;
        }
        if (firstScreen && allTilesDone(view))
            break;
        stretch.restart();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        figures.longestStallMs = std::max(figures.longestStallMs, double(stretch.nsecsElapsed()) / 1e6);
        if (clock.elapsed() > 600000)
            break;
    }
    figures.allMs = double(clock.nsecsElapsed()) / 1e6;
    return figures;
}

void report(benchmark::State &state, const Figures &figures, ScrollNSImageView &view)
{
    state.counters["first_screen_ms"] = figures.firstScreenMs;
    state.counters["longest_stall_ms"] = figures.longestStallMs;
    state.counters["all_thumbnails_ms"] = figures.allMs;
    state.counters["visible_tiles"] = figures.visible;
    state.counters["tiles"] = view.getCount();
    state.counters["cores"] = QThread::idealThreadCount();
}

struct Window
{
    Window()
    {
        scroll.resize(300, 700);
        scroll.setWidget(view);
        scroll.setWidgetResizable(true);
        scroll.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll.show();
    }
    QScrollArea scroll;
    ScrollNSImageView *view = new ScrollNSImageView;
};

void BM_BrowserFirstScreen2000Photos(benchmark::State &state)
{
    if (folder().isEmpty()) {
        state.SkipWithError("could not write the photos");
        return;
    }
    Figures figures;
    std::unique_ptr<Window> window;
    for (auto _ : state) {
        state.PauseTiming();
        window = std::make_unique<Window>();
        ScrollNSImageView::clearThumbnailCache();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        figures = chooseFolder(window->scroll, *window->view);
    }
    report(state, figures, *window->view);
}

void BM_BrowserSameFolderAgain(benchmark::State &state)
{
    if (folder().isEmpty()) {
        state.SkipWithError("could not write the photos");
        return;
    }
    Window window;
    ScrollNSImageView::clearThumbnailCache();
    chooseFolder(window.scroll, *window.view);
    Figures figures;
    for (auto _ : state)
        figures = chooseFolder(window.scroll, *window.view);
    report(state, figures, *window.view);
}

} // namespace

BENCHMARK(BM_BrowserFirstScreen2000Photos)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_BrowserSameFolderAgain)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
