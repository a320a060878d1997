// Point editing of a large path in the real window, beside the same steps on the design of four
// objects (whose path has four points): one path of random points crossing itself, filled, as a
// traced outline is. At 155 % zoom: Select All, a double click into point editing, a repaint
// there, a press on a vertex and ten drag steps of it (the slowest step and the mean), the
// release, Undo, Redo, and a double click out of point editing; each until the canvas has drawn
// it and the pictures made aside for it have arrived, with the longest time the window did not
// answer. The first row of each design (Open) is drawn before any kept picture exists.
//
// POINT_EDIT_BENCH_POINTS lists the path sizes ("10000,200000" unless set).
// POINT_EDIT_BENCH_DIR keeps the designs in that folder.
// Build with -DQM_BENCH=ON in a Release build; run under Xvfb at 96 dpi with the xcb platform:
//   xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' ./bench_point_edit_bench
#include <QFile>
#include <QRandomGenerator>
#include <QTextDocument>

#include <cmath>
#include <memory>

#include "WindowSteps.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "platform/BezierPath.h"
#include "platform/PropertyList.h"

using namespace quillmark;
using namespace qmbench;

namespace {

BenchPrompts *prompts = nullptr;

GraphicPtr placed(const GraphicPtr &graphic)
{
    graphic->setPageName(benchWindow().canvas()->getCurrPageName());
    graphic->setObjectLayer(1);
    return graphic;
}

BezierPath zigzag(const QRectF &frame, int points, quint32 seed)
{
    QRandomGenerator random(seed);
    BezierPath outline;
    outline.moveTo(frame.topLeft());
    for (int i = 1; i < points; ++i)
        outline.lineTo(QPointF(frame.x() + random.bounded(frame.width()), frame.y() + random.bounded(frame.height())));
    outline.closePath();
    return outline;
}

QString saved(const QString &name, const GraphicList &graphics)
{
    const QVariantMap dict = benchWindow().canvas()->drawDocumentDictionaryForGraphics(graphics);
    const QString kept = qEnvironmentVariable("POINT_EDIT_BENCH_DIR");
    const QString path = (kept.isEmpty() ? workDir().path() : kept) + QLatin1Char('/') + name + QStringLiteral(".qkdoc");
    if (!PropertyList::writeFile(path, dict, PlistFormat::Binary))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

QString pathDesign(int points, const QRectF &frame)
{
    auto path = ColorPath::create(frame);
    path->setBezierPath(zigzag(frame, points, 2024));
    path->setDrawsFill(true);
    return saved(QStringLiteral("Path %1").arg(points), {placed(path)});
}

QString fourObjects()
{
    GraphicList objects;
    objects.append(placed(ColorRect::create(QRectF(10, 10, 60, 30))));
    objects.append(placed(ColorOval::create(QRectF(80, 10, 40, 40))));
    GraphicPtr box = placed(ColorRect::create(QRectF(10, 60, 100, 40)));
    box->textStorage()->setPlainText(QStringLiteral("Four objects"));
    objects.append(box);
    auto path = ColorPath::create(QRectF(130, 60, 40, 40));
    path->setBezierPath(zigzag(QRectF(130, 60, 40, 40), 4, 1));
    path->setDrawsFill(true);
    objects.append(placed(path));
    return saved(QStringLiteral("Four Objects"), objects);
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

// The steps on one design, by name, in order.
struct Run
{
    QList<QPair<QString, StepTimes>> rows;
    bool wrong = false;
    void add(const QString &name, const StepTimes &t) { rows.append({name, t}); }
};

Run editPoints(const QString &file)
{
    Run run;
    RectsView *canvas = benchWindow().canvas();
    prompts->nextPath = file;
    run.add(QStringLiteral("open (nothing kept)"), windowStep(canvas, [] {
                benchMenuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
            }));
    run.add(QStringLiteral("zoom to 155 %"), windowStep(canvas, [canvas] { canvas->zoomChange(1.55); }));
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
    const int steps = 10;
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
    run.add(QStringLiteral("drag step (slowest of 10)"), slowest);
    run.add(QStringLiteral("drag step (mean of 10)"), mean);
    run.add(QStringLiteral("release"), windowStep(canvas, [&] {
                sendMouse(canvas, QEvent::MouseButtonRelease, vertex + QPointF(1.5 * steps, 0.75 * steps));
            }));
    const BezierPath afterDrag = path->bezierPath();
    run.add(QStringLiteral("undo"), windowStep(canvas, [] {
                benchMenuItem(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
            }));
    if (!samePoints(path->bezierPath(), fitted))
        run.wrong = true;
    run.add(QStringLiteral("redo"), windowStep(canvas, [] {
                benchMenuItem(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
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
    qputenv("XDG_DATA_HOME", workDir().filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", workDir().filePath(QStringLiteral("config")).toUtf8());
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brenholt"));
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    auto installed = std::make_unique<BenchPrompts>();
    prompts = installed.get();
    Prompts::install(std::move(installed));
    RectsView::setTerminatePromptFlag(true);
    benchWindow();

    QList<int> sizes;
    for (const QString &n : qEnvironmentVariable("POINT_EDIT_BENCH_POINTS", QStringLiteral("10000,200000")).split(QLatin1Char(',')))
        if (n.toInt() > 0)
            sizes.append(n.toInt());
    const QRectF frame(5, 5, 180, 90);
    const Run floor = editPoints(fourObjects());
    printHeader();
    bool wrong = floor.wrong;
    for (const auto &row : floor.rows)
        printRow("four objects", qPrintable(row.first), row.second, nullptr);
    for (int points : sizes) {
        const Run run = editPoints(pathDesign(points, frame));
        wrong = wrong || run.wrong;
        const QByteArray name = QStringLiteral("path of %1 points").arg(points).toLatin1();
        for (int i = 0; i < run.rows.size(); ++i)
            printRow(name.constData(), qPrintable(run.rows[i].first), run.rows[i].second,
                     i < floor.rows.size() ? &floor.rows[i].second : nullptr);
    }
    if (wrong)
        std::printf("WRONG: a step did not do what it should\n");
    return wrong ? 1 : 0;
}
