// Point editing of a large path in the real window, beside the same steps on the design of four
// objects (whose path has four points): one path of random points crossing itself, filled, as a
// traced outline is. At 155 % zoom: a click on the path, a double click into point editing, a repaint
// there, a press on a vertex and ten drag steps of it (the slowest step and the mean), the
// release, Undo, Redo, and a double click out of point editing; each until the canvas has drawn
// it and the pictures made aside for it have arrived, with the longest time the window did not
// answer. The first row of each design (Open) is drawn before any kept picture exists.
//
// POINT_EDIT_BENCH_POINTS lists the path sizes ("10000,200000" unless set).
// POINT_EDIT_BENCH_DIR keeps the designs in that folder.
// POINT_EDIT_BENCH_STEPS sets the drag steps (10 unless set).
// Build with -DQM_BENCH=ON in a Release build; run under Xvfb at 96 dpi with the xcb platform:
//   xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' ./bench_point_edit_bench
#include <cmath>
#include <memory>

#include "WindowSteps.h"

using namespace quillmark;
using namespace qmbench;

namespace {

BenchPrompts *prompts = nullptr;

QString folder()
{
    const QString kept = qEnvironmentVariable("POINT_EDIT_BENCH_DIR");
    return kept.isEmpty() ? workDir().path() : kept;
}

// The point a move or line ends at, or a curve's end.
QPointF vertexAt(const BezierPath &path, int index)
{
    QPointF points[3];
    const BezierPath::ElementType type = path.elementAt(index, points);
    return type == BezierPath::CurveTo ? points[2] : points[0];
}

bool samePoints(const BezierPath &a, const BezierPath &b)
{
    if (a.elementCount() != b.elementCount())
        return false;
    for (int i = 0; i < a.elementCount(); ++i) {
        QPointF pa[3], pb[3];
        if (a.elementAt(i, pa) != b.elementAt(i, pb))
            return false;
        for (int k = 0; k < 3; ++k)
            if (std::abs(pa[k].x() - pb[k].x()) > 1e-3 || std::abs(pa[k].y() - pb[k].y()) > 1e-3)
                return false;
    }
    return true;
}

ColorPath *thePath(RectsView *canvas)
{
    for (const GraphicPtr &graphic : canvas->getRects())
        if (auto *path = dynamic_cast<ColorPath *>(graphic.get()))
            return path;
    return nullptr;
}

StepRun editPoints(const QString &file)
{
    StepRun run;
    RectsView *canvas = benchWindow().canvas();
    canvas->zoomChange(1.0);
    settle();
    prompts->nextPath = file;
    run.add(QStringLiteral("open (nothing kept)"), windowStep(canvas, [] {
                menuItem(&benchWindow(), QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
            }));
    run.add(QStringLiteral("zoom to 155 %"), windowStep(canvas, [canvas] { canvas->zoomChange(BenchZoom); }));
    ColorPath *path = thePath(canvas);
    if (!path) {
        run.wrong = true;
        return run;
    }
    // The path alone selected by a click inside it, then into point editing where the user
    // double-clicks: on the opening vertex.
    const QPointF inside = path->frameBounds().center();
    run.add(QStringLiteral("click on the path"), windowStep(canvas, [&] { clickAt(canvas, inside); }));
    if (canvas->selectedObjects().size() != 1 || canvas->selectedObjects().first().get() != path)
        run.wrong = true;
    const QPointF opening = vertexAt(path->bezierPath(), 0);
    run.add(QStringLiteral("enter point editing"), windowStep(canvas, [&] { doubleClickAt(canvas, opening); }));
    if (!path->bezierEdit())
        run.wrong = true;
    run.add(QStringLiteral("repaint in point editing"), windowStep(canvas, [canvas] { canvas->update(); }));

    // A vertex halfway along the outline, pressed and dragged by ten small steps.
    const BezierPath fitted = path->bezierPath();
    const QPointF vertex = vertexAt(fitted, fitted.elementCount() / 2);
    run.add(QStringLiteral("press on a vertex"), windowStep(canvas, [&] {
                sendMouse(canvas, QEvent::MouseButtonPress, vertex);
            }));
    if (path->selectedPoint().isNone())
        run.wrong = true;
    StepTimes slowest, mean;
    const int steps = qEnvironmentVariableIsSet("POINT_EDIT_BENCH_STEPS")
        ? std::max(1, qEnvironmentVariableIntValue("POINT_EDIT_BENCH_STEPS"))
        : 10;
    for (int i = 1; i <= steps; ++i) {
        const StepTimes t = windowStep(canvas, [&] {
            sendMouse(canvas, QEvent::MouseMove, vertex + QPointF(1.5 * i, 0.75 * i));
        });
        slowest.longestMs = std::max(slowest.longestMs, t.longestMs);
        slowest.drawnMs = std::max(slowest.drawnMs, t.drawnMs);
        slowest.settledMs = std::max(slowest.settledMs, t.settledMs);
        mean.longestMs += t.longestMs / steps;
        mean.drawnMs += t.drawnMs / steps;
        mean.settledMs += t.settledMs / steps;
    }
    run.add(QStringLiteral("drag step (slowest of %1)").arg(steps), slowest);
    run.add(QStringLiteral("drag step (mean of %1)").arg(steps), mean);
    run.add(QStringLiteral("release"), windowStep(canvas, [&] {
                sendMouse(canvas, QEvent::MouseButtonRelease, vertex + QPointF(1.5 * steps, 0.75 * steps));
            }));
    const BezierPath afterDrag = path->bezierPath();
    run.add(QStringLiteral("undo"), windowStep(canvas, [] {
                menuItem(&benchWindow(), QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
            }));
    if (!samePoints(path->bezierPath(), fitted))
        run.wrong = true;
    run.add(QStringLiteral("redo"), windowStep(canvas, [] {
                menuItem(&benchWindow(), QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
            }));
    if (!samePoints(path->bezierPath(), afterDrag) || samePoints(afterDrag, fitted))
        run.wrong = true;
    const QPointF openingNow = vertexAt(path->bezierPath(), 0);
    run.add(QStringLiteral("leave point editing"), windowStep(canvas, [&] { doubleClickAt(canvas, openingNow); }));
    if (path->bezierEdit())
        run.wrong = true;
    run.add(QStringLiteral("repaint"), windowStep(canvas, [canvas] { canvas->update(); }));
    // Nothing to save at the next Open.
    canvas->wasChanged(false);
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    const char *self = "bench_point_edit_bench";
    if (!prepareRealScreen(self))
        return 2;
    QApplication app(argc, argv);
    if (!onRealScreen(self))
        return 2;
    auto installed = std::make_unique<BenchPrompts>();
    prompts = installed.get();
    Prompts::install(std::move(installed));
    RectsView::setTerminatePromptFlag(true);
    RectsView &canvas = *benchWindow().canvas();

    QList<int> sizes;
    for (const QString &n : qEnvironmentVariable("POINT_EDIT_BENCH_POINTS", QStringLiteral("10000,200000")).split(QLatin1Char(',')))
        if (n.toInt() > 0)
            sizes.append(n.toInt());
    const StepRun floor = editPoints(fourObjects(canvas, folder()));
    printHeader();
    bool wrong = floor.wrong;
    printRun(QStringLiteral("four objects"), floor, nullptr);
    for (int points : sizes) {
        const StepRun run = editPoints(randomPath(canvas, folder(), points));
        wrong = wrong || run.wrong;
        printRun(QStringLiteral("path of %1 points").arg(points), run, &floor);
    }
    if (wrong)
        std::printf("WRONG: a step did not do what it should\n");
    return wrong ? 1 : 0;
}
