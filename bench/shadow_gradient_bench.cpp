// Objects with a gradient and a shadow in the real window, beside the same steps on the design
// of four objects of those looks: 10,000 rectangles (100 across), each filled with a linear
// gradient and casting the default shadow, and the same with radial gradients and with ovals.
// Then 10,000 paths, each of an outline of its own (no two share a shadow), filled and casting
// the default shadow; and 10,000 ovals of 30 points, each with a text of its own along it, whose
// glyphs cast shadows of their own. At 155 % zoom: a click on one object, the right arrow key, Undo, Select All, the arrow key on
// all, Undo, a click on the empty canvas and a repaint of the whole canvas; each until the
// canvas has drawn it, with the longest time the window did not answer. Each design is opened
// at 100 % and then zoomed: those two rows are drawn before any kept picture of it exists.
//
// SHADOW_GRADIENT_BENCH_COUNT sets the objects of each design (10000 unless set).
// SHADOW_GRADIENT_BENCH_DIR keeps the designs in that folder.
// SHADOW_GRADIENT_BENCH_DESIGNS runs only the designs whose name holds one of these
// comma-separated words ("paths", "ovals"...), the four objects always.
// Build with -DQM_BENCH=ON in a Release build; run under Xvfb at 96 dpi with the xcb platform:
//   xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' ./bench_shadow_gradient_bench
#include <QTextCursor>

#include <algorithm>
#include <memory>

#include "WindowSteps.h"

using namespace quillmark;
using namespace qmbench;

namespace {

BenchPrompts *prompts = nullptr;

QString folder()
{
    const QString kept = qEnvironmentVariable("SHADOW_GRADIENT_BENCH_DIR");
    return kept.isEmpty() ? workDir().path() : kept;
}

void giveLook(ColorRect &object, int fillType, int i)
{
    object.setDrawsFill(true);
    object.setFillType(fillType);
    object.setFillColor(QColor::fromHsv((i * 3) % 360, 160, 230));
    object.setFillColor2(QColor(30, 40, 120));
    object.setFillAngle(30);
    object.setDrawsShadow(true);
}

enum class Kind { RadialRects, Ovals, Paths, LetteredOvals };

// The other looks than the window benches' linear gradients.
QString looks(Kind kind, int count)
{
    RectsView &canvas = *benchWindow().canvas();
    const QString name = QStringLiteral("Looks %1 %2").arg(int(kind)).arg(count);
    return savedDesign(canvas, folder(), name, [&](GraphicList &objects, auto &) {
        for (int i = 0; i < count; ++i) {
            const QRectF frame = gridFrame(i);
            GraphicPtr object;
            if (kind == Kind::LetteredOvals) {
                // Large enough for a text along them, each its own.
                object = ColorOval::create(QRectF(2 + (i % 100) * 32, 2 + (i / 100) * 32, 30, 30));
                QTextCursor cursor(object->textStorage());
                QTextCharFormat small;
                small.setFontPointSize(5);
                cursor.insertText(QStringLiteral("Along the oval %1").arg(i), small);
            } else if (kind == Kind::Paths) {
                auto path = ColorPath::create(frame);
                path->setBezierPath(zigzag(frame, 12, quint32(i)));
                object = path;
            } else {
                object = kind == Kind::Ovals ? GraphicPtr(ColorOval::create(frame)) : ColorRect::create(frame);
            }
            object = placed(canvas, object);
            giveLook(*object, kind == Kind::RadialRects ? 1 : 2, i);
            objects.append(object);
        }
    });
}

QString fourLooks()
{
    RectsView &canvas = *benchWindow().canvas();
    return savedDesign(canvas, folder(), QStringLiteral("Four Looks"), [&](GraphicList &objects, auto &) {
        GraphicPtr rect = placed(canvas, ColorRect::create(QRectF(10, 10, 60, 30)));
        giveLook(*rect, 2, 0);
        objects.append(rect);
        GraphicPtr oval = placed(canvas, ColorOval::create(QRectF(80, 10, 40, 40)));
        giveLook(*oval, 1, 1);
        objects.append(oval);
        GraphicPtr box = textBox(canvas, QRectF(10, 60, 100, 40), QStringLiteral("Four objects"));
        giveLook(*box, 2, 2);
        objects.append(box);
        auto path = ColorPath::create(QRectF(130, 60, 40, 40));
        path->setBezierPath(zigzag(QRectF(130, 60, 40, 40), 4, 1));
        giveLook(*path, 1, 3);
        objects.append(placed(canvas, path));
    });
}

// A point of the canvas away from every object.
QPointF emptyPlace(RectsView *canvas)
{
    QRectF all;
    for (const GraphicPtr &graphic : canvas->getRects())
        all = all.united(graphic->drawingBounds());
    return QPointF(all.right() + 20, all.top() + 5);
}

StepRun workOn(const QString &file)
{
    StepRun run;
    RectsView *canvas = benchWindow().canvas();
    canvas->zoomChange(1.0);
    settle();
    prompts->nextPath = file;
    run.add(QStringLiteral("open (nothing kept)"), windowStep(canvas, [] {
                menuItem(&benchWindow(), QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
            }));
    run.add(QStringLiteral("zoom to 155 % (nothing kept)"),
            windowStep(canvas, [canvas] { canvas->zoomChange(BenchZoom); }));
    run.add(QStringLiteral("repaint"), windowStep(canvas, [canvas] { canvas->update(); }));
    const GraphicList objects = canvas->getRects();
    // An object in the middle of the design, as the user picks one.
    const GraphicPtr picked = objects.at(objects.size() / 2 + 50 < objects.size() ? objects.size() / 2 + 50 : 0);
    run.add(QStringLiteral("click on an object"),
            windowStep(canvas, [&] { clickAt(canvas, picked->frameBounds().center()); }));
    if (canvas->selectedObjects().size() != 1)
        run.wrong = true;
    const QRectF before = picked->frameBounds();
    run.add(QStringLiteral("nudge it"), windowStep(canvas, [canvas] { pressKey(canvas, Qt::Key_Right); }));
    if (picked->frameBounds() == before)
        run.wrong = true;
    auto undo = [] { menuItem(&benchWindow(), QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger(); };
    run.add(QStringLiteral("undo"), windowStep(canvas, undo));
    if (picked->frameBounds() != before)
        run.wrong = true;
    run.add(QStringLiteral("select all"), windowStep(canvas, [] {
                menuItem(&benchWindow(), QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
            }));
    run.add(QStringLiteral("nudge all"), windowStep(canvas, [canvas] { pressKey(canvas, Qt::Key_Right); }));
    run.add(QStringLiteral("undo"), windowStep(canvas, undo));
    run.add(QStringLiteral("click on the empty canvas"),
            windowStep(canvas, [&] { clickAt(canvas, emptyPlace(canvas)); }));
    if (!canvas->selectedObjects().isEmpty())
        run.wrong = true;
    run.add(QStringLiteral("repaint"), windowStep(canvas, [canvas] { canvas->update(); }));
    canvas->wasChanged(false);
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    const char *self = "bench_shadow_gradient_bench";
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

    const int count = qEnvironmentVariableIsSet("SHADOW_GRADIENT_BENCH_COUNT")
        ? std::max(1, qEnvironmentVariableIntValue("SHADOW_GRADIENT_BENCH_COUNT"))
        : 10000;
    const StepRun floor = workOn(fourLooks());
    printHeader();
    bool wrong = floor.wrong;
    printRun(QStringLiteral("four objects"), floor, nullptr);
    const struct
    {
        QString name;
        QString file;
    } designs[] = {{QStringLiteral("rects, linear"), gradientRectangles(canvas, folder(), count)},
                   {QStringLiteral("rects, radial"), looks(Kind::RadialRects, count)},
                   {QStringLiteral("ovals, linear"), looks(Kind::Ovals, count)},
                   {QStringLiteral("paths, each its own"), looks(Kind::Paths, count)},
                   {QStringLiteral("ovals, text along each"), looks(Kind::LetteredOvals, count)}};
    const QStringList wanted =
        qEnvironmentVariable("SHADOW_GRADIENT_BENCH_DESIGNS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const auto &design : designs) {
        if (!wanted.isEmpty()
            && std::none_of(wanted.begin(), wanted.end(), [&](const QString &w) { return design.name.contains(w); }))
            continue;
        const StepRun run = workOn(design.file);
        wrong = wrong || run.wrong;
        printRun(QStringLiteral("%1 %2").arg(count).arg(design.name), run, &floor);
    }
    if (wrong)
        std::printf("WRONG: a step did not do what it should\n");
    return wrong ? 1 : 0;
}
