// One repaint of the canvas where a label holds a 6000 x 4500 photo (27 MP, what a 108 MP phone
// photo is held at, or a 24 MP photo), drawn at 100 % zoom through the real window: the frame's
// area of the canvas rendered into an image, as every drag, nudge or zoom step repaints it.
// The floor is QPainter drawing an image already of the frame's screen size into the same area.
// Beside them: a repaint after each change of zoom (to 150 % and back, to 400 % and back) and
// after each resize of the frame, the cases that may make the canvas rebuild what it draws the
// picture from.
//
// Build with -DQM_BENCH=ON in a Release build.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTemporaryDir>

#include <memory>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "platform/Prompts.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

QImage photo()
{
    QImage image(6000, 4500, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 6000, 4500);
    g.setColorAt(0, QColor(40, 90, 200));
    g.setColorAt(1, QColor(240, 200, 60));
    p.fillRect(image.rect(), g);
    p.setBrush(QColor(200, 30, 30));
    for (int i = 0; i < 60; ++i)
        p.drawEllipse(QPointF(100 + i * 97, 2250 + (i % 7) * 200), 80, 80);
    return image;
}

MainWindow &window()
{
    static MainWindow *made = [] {
        Language::initialize();
        registerAllKinds();
        auto *w = new MainWindow;
        w->resize(1200, 900);
        w->show();
        QCoreApplication::processEvents();
        return w;
    }();
    return *made;
}

// The label's photo, 88 x 66 points inside the 5160 label, on the canvas at 100 %.
std::shared_ptr<ColorRect> &picture()
{
    static std::shared_ptr<ColorRect> object = [] {
        RectsView *canvas = window().canvas();
        auto made = ColorRect::create(QRectF(50, 3, 88, 66));
        made->setPageName(canvas->getCurrPageName());
        made->setObjectLayer(1);
        canvas->addGraphic(made);
        made->setScaleWithBox(true);
        made->setImage(photo());
        made->setFrameBounds(QRectF(50, 3, 88, 66));
        canvas->undoManager()->removeAllActions();
        canvas->zoomMenuSelect(2);
        QCoreApplication::processEvents();
        return made;
    }();
    return object;
}

// The frame's area of the canvas, in the canvas's own pixels.
QRect frameArea()
{
    return window().canvas()->pageToWidget().mapRect(picture()->frameBounds()).toAlignedRect();
}

void repaint(QImage &target, const QRect &area)
{
    target.fill(Qt::white);
    window().canvas()->render(&target, QPoint(), QRegion(area));
}

void BM_RepaintLabelWithPhoto(benchmark::State &state)
{
    picture();
    const QRect area = frameArea();
    QImage target(area.size(), QImage::Format_ARGB32_Premultiplied);
    repaint(target, area);
    if (!qEnvironmentVariableIsEmpty("PICTURE_BENCH_SHOT"))
        target.save(qEnvironmentVariable("PICTURE_BENCH_SHOT"));
    for (auto _ : state) {
        repaint(target, area);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["screen px"] = double(area.width()) * area.height();
}

void BM_FloorScreenSizedImage(benchmark::State &state)
{
    picture();
    const QRect area = frameArea();
    const QImage screenSized = photo().scaled(area.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                   .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage target(area.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        target.fill(Qt::white);
        QPainter p(&target);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRectF(QPointF(), QSizeF(area.size())), screenSized);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

// Each repaint follows a change of zoom, between 100 % and the argument's percentage.
void BM_RepaintAfterZoomChange(benchmark::State &state)
{
    picture();
    RectsView *canvas = window().canvas();
    bool larger = false;
    for (auto _ : state) {
        larger = !larger;
        // The zoom pop-up's items: 100 % is the third, 150 % the fourth, 400 % the sixth.
        canvas->zoomMenuSelect(larger ? (state.range(0) == 400 ? 5 : 3) : 2);
        const QRect area = frameArea();
        QImage target(area.size(), QImage::Format_ARGB32_Premultiplied);
        repaint(target, area);
        benchmark::DoNotOptimize(target.constBits());
    }
    canvas->zoomMenuSelect(2);
}

// Each repaint follows a resize of the frame by a point, as a drag of its corner knob makes.
void BM_RepaintAfterFrameResize(benchmark::State &state)
{
    const auto &object = picture();
    int step = 0;
    for (auto _ : state) {
        step = (step + 1) % 20;
        object->setFrameBounds(QRectF(50, 3, 88 - step, 66 - step * 0.75));
        const QRect area = frameArea();
        QImage target(area.size(), QImage::Format_ARGB32_Premultiplied);
        repaint(target, area);
        benchmark::DoNotOptimize(target.constBits());
    }
    object->setFrameBounds(QRectF(50, 3, 88, 66));
}

// A press of the right arrow key with the photo selected, until the canvas has drawn it, and
// Undo of the nudge the same way: what the user waits for at each step.
void BM_NudgeAndUndoPhoto(benchmark::State &state)
{
    const auto &object = picture();
    RectsView *canvas = window().canvas();
    canvas->selectRect(object);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        for (int i = 0; i < 2; ++i) {
            canvas->setFocus();
            if (i == 0) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
                QApplication::sendEvent(canvas, &press);
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
                QApplication::sendEvent(canvas, &release);
            } else {
                canvas->undoManager()->undo();
            }
            canvas->repaint();
        }
    }
    canvas->undoManager()->removeAllActions();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_DATA_HOME", workDir().filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", workDir().filePath(QStringLiteral("config")).toUtf8());
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brenholt"));
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    RectsView::setTerminatePromptFlag(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RegisterBenchmark("BM_RepaintLabelWithPhoto", BM_RepaintLabelWithPhoto)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FloorScreenSizedImage", BM_FloorScreenSizedImage)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_RepaintAfterZoomChange", BM_RepaintAfterZoomChange)
        ->Arg(150)
        ->Arg(400)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_RepaintAfterFrameResize", BM_RepaintAfterFrameResize)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_NudgeAndUndoPhoto", BM_NudgeAndUndoPhoto)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
