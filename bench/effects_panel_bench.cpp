// How long the window stops answering while the user works in the image effects panel on a
// 24-megapixel photo: a Gaussian blur chosen, its slider dragged in a few steps, then Apply.
// A heartbeat timer on the GUI thread measures the longest gap between two of its ticks (the
// event loop's latency). The floor beside it is the time the library needs for the same
// full-size blur, which the panel must keep off the GUI thread.
//
// The first opening of the panel in a session is measured in a fresh process (the library
// starts once per process): the longest block from asking for the panel with a 24-megapixel
// photo (RGB32, as a JPEG decodes) until its first preview is drawn, with the library started
// at program start as the program does ("prepared"), and without ("cold"). Its floor is the
// library's own start and description of its filters, which the window's thread must not wait for.
//
// The noise generators on the same photo: the time from choosing each until its preview is
// drawn, and the longest block meanwhile. Their grain is a size in pixels of the photo: Cell and
// Simplex Noise draw it on the smaller copy the preview is made from, with their scale brought
// to the copy; Perlin Noise's grain is fixed, so its preview is the full-size result averaged
// down. Floors beside them: the generator over the preview's own pixels, and over the photo.
//
// Plain output, not a google-benchmark loop: the figure is a maximum over one user session.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "foundation/Language.h"
#include "images/Controller.h"
#include "images/EffectSlider.h"
#include "images/FilterView.h"
#include "images/MyImageView.h"
#include "images/ParameterView.h"
#include "platform/ImageFilter.h"

using namespace quillmark;

namespace {

constexpr int Width = 6000;
constexpr int Height = 4000;
const QString Blur = QStringLiteral("gegl:gaussian-blur");

QImage photo()
{
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    QLinearGradient g(0, 0, Width, Height);
    g.setColorAt(0, QColor(40, 90, 200));
    g.setColorAt(1, QColor(240, 200, 60));
    p.fillRect(image.rect(), g);
    p.setBrush(QColor(200, 30, 30));
    for (int i = 0; i < 200; ++i)
        p.drawEllipse(QPointF(30 + (i * 97) % Width, 30 + (i * 389) % Height), 60, 60);
    return image;
}

// The longest time between two ticks of a 5 ms timer while `until` is false.
class Heartbeat
{
public:
    double run(const std::function<bool()> &until, int timeoutMs)
    {
        QElapsedTimer total;
        total.start();
        QElapsedTimer since;
        since.start();
        double longest = 0;
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            longest = std::max(longest, since.nsecsElapsed() / 1e6);
            since.restart();
        });
        timer.start();
        while (!until() && total.elapsed() < timeoutMs)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        // A block that ended the loop counts too.
        longest = std::max(longest, since.nsecsElapsed() / 1e6);
        return longest;
    }
};

ParameterView *control(Controller &panel, const QString &key)
{
    FilterView *box = panel.filterView();
    if (!box)
        return nullptr;
    for (ParameterView *view : box->findChildren<ParameterView *>())
        if (view->key() == key)
            return view;
    return nullptr;
}

// The first opening in this process; prints "<longest block ms> <library start ms>".
int firstOpening(bool prepared)
{
    QImage source = photo().convertToFormat(QImage::Format_RGB32);
    if (prepared)
        ImageFilter::prepareCatalogue();
    // The window of the program is there and idle for a while before the user asks.
    Heartbeat().run([] { return false; }, 1500);

    std::unique_ptr<Controller> panel;
    QTimer::singleShot(20, [&] {
        panel = std::make_unique<Controller>();
        panel->showPanel(source);
        panel->show();
    });
    const double longest = Heartbeat().run(
        [&] {
            return panel && !panel->isRendering() && !panel->ciView()->renderedResult().isNull();
        },
        60000);
    panel.reset();
    std::printf("%.1f\n", longest);
    return 0;
}

int libraryStart()
{
    QElapsedTimer clock;
    clock.start();
    const QStringList names = ImageFilter::filterNamesInCategory(QStringLiteral("CICategoryBlur"));
    std::printf("%.1f\n", clock.nsecsElapsed() / 1e6);
    return names.isEmpty() ? 1 : 0;
}

// Runs this program in `mode` and reads the figure it prints.
double child(const char *program, const QString &mode)
{
    QProcess process;
    process.start(QString::fromLocal8Bit(program), {QStringLiteral("--first-opening"), mode});
    process.waitForFinished(120000);
    return process.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--first-opening") == 0) {
        if (std::strcmp(argv[2], "library") == 0)
            return libraryStart();
        return firstOpening(std::strcmp(argv[2], "prepared") == 0);
    }
    {
        const double cold = child(argv[0], QStringLiteral("cold"));
        const double prepared = child(argv[0], QStringLiteral("prepared"));
        const double library = child(argv[0], QStringLiteral("library"));
        std::printf("First Image Effects of a session, 24 MP RGB32 photo\n");
        std::printf("  longest GUI-thread block, library started at program start: %8.1f ms\n", prepared);
        std::printf("  longest GUI-thread block, library started by the panel:     %8.1f ms\n", cold);
        std::printf("  floor: the library's start and its filters described:       %8.1f ms\n", library);
    }

    const QImage source = photo();

    // The floor: one full-size blur as the library computes it, off any event loop.
    double floorMs = 0;
    {
        const auto filter = ImageFilter::filterWithName(Blur);
        filter->setDefaults();
        filter->setValue(QStringLiteral("inputImage"), QVariant::fromValue(FilterImage(source)));
        filter->setValue(QStringLiteral("inputStdDevX"), 12.0);
        filter->setValue(QStringLiteral("inputStdDevY"), 12.0);
        QElapsedTimer clock;
        clock.start();
        const QImage out = filter->outputImage().render(QRect(0, 0, Width, Height));
        floorMs = clock.nsecsElapsed() / 1e6;
        if (out.isNull())
            std::puts("the blur gave no picture");
    }

    Controller panel;
    panel.showPanel(source);
    panel.show();
    Heartbeat idle;
    idle.run([] { return false; }, 500);

    // The blur chosen in the list, as a click would.
    const QModelIndex row = panel.dataSource()->indexOfFilter(Blur);
    panel.outlineView()->expandAll();
    panel.outlineView()->setCurrentIndex(row);
    const double choose = Heartbeat().run([] { return false; }, 3000);

    ParameterView *radius = control(panel, QStringLiteral("inputStdDevX"));
    if (!radius || !radius->slider()) {
        std::puts("no blur slider");
        return 1;
    }
    // Four steps of a drag, 100 ms apart, then time for the preview to catch up.
    int step = 0;
    QTimer drag;
    drag.setInterval(100);
    QObject::connect(&drag, &QTimer::timeout, [&] {
        if (step >= 4) {
            drag.stop();
            return;
        }
        ++step;
        EffectSlider *slider = radius->slider();
        slider->setValue(slider->value() + EffectSlider::Steps / 50);
    });
    drag.start();
    QElapsedTimer dragClock;
    dragClock.start();
    const double dragging = Heartbeat().run([&] { return step >= 4 && dragClock.elapsed() > 3000; }, 120000);

    const quint64 before = panel.revision();
    // Pressed from inside the measured loop, as the user's click arrives.
    QTimer::singleShot(20, panel.applyButton(), [&panel] { panel.applyButton()->click(); });
    QElapsedTimer applyClock;
    applyClock.start();
    qint64 appliedAt = -1;
    const double applying = Heartbeat().run(
        [&] {
            if (appliedAt < 0 && panel.revision() != before)
                appliedAt = applyClock.elapsed();
            return appliedAt >= 0 && applyClock.elapsed() > appliedAt + 1500;
        },
        120000);

    // The noise generators, each chosen in turn and previewed at the panel's own zoom.
    struct Noise
    {
        const char *name;
        double shown = 0;
        double longest = 0;
        double previewFloor = 0;
        double fullFloor = 0;
    };
    Noise noises[] = {{"gegl:cell-noise"}, {"gegl:simplex-noise"}, {"gegl:perlin-noise"}};
    const double previewScale = panel.previewScale(panel.ciView()->getZoom());
    for (Noise &noise : noises) {
        const QString name = QString::fromLatin1(noise.name);
        {
            const auto filter = ImageFilter::filterWithName(name);
            filter->setDefaults();
            const FilterImage out = filter->outputImage();
            QElapsedTimer clock;
            clock.start();
            out.render(QRect(0, 0, int(Width * previewScale), int(Height * previewScale)));
            noise.previewFloor = clock.nsecsElapsed() / 1e6;
            clock.restart();
            out.render(QRect(0, 0, Width, Height));
            noise.fullFloor = clock.nsecsElapsed() / 1e6;
        }
        const quint64 revision = panel.revision();
        QElapsedTimer clock;
        clock.start();
        qint64 shownAt = -1;
        QTimer::singleShot(20, [&] { panel.outlineView()->setCurrentIndex(panel.dataSource()->indexOfFilter(name)); });
        noise.longest = Heartbeat().run(
            [&] {
                if (shownAt < 0 && panel.revision() != revision && !panel.isRendering()) {
                    panel.ciView()->repaint();
                    if (!panel.isRendering())
                        shownAt = clock.elapsed();
                }
                return shownAt >= 0;
            },
            120000);
        noise.shown = shownAt;
    }

    std::printf("24 MP photo, Gaussian blur (GEGL)\n");
    std::printf("  longest GUI-thread block, choosing the blur:      %8.1f ms\n", choose);
    std::printf("  longest GUI-thread block, dragging its slider:    %8.1f ms\n", dragging);
    std::printf("  longest GUI-thread block, Apply until it is shown: %7.1f ms (Apply took %lld ms)\n", applying,
                static_cast<long long>(appliedAt));
    std::printf("  floor: one full-size blur in the library:         %8.1f ms\n", floorMs);
    std::printf("24 MP photo, noise generators previewed at %.3f of its size\n", previewScale);
    for (const Noise &noise : noises)
        std::printf("  %-20s preview drawn after %7.1f ms, longest GUI-thread block %6.1f ms; floors: over the "
                    "preview's pixels %6.1f ms, over the photo %7.1f ms\n",
                    noise.name, noise.shown, noise.longest, noise.previewFloor, noise.fullFloor);
    return 0;
}
