// Objects with a gradient and a shadow in the real window, beside the same steps on the design
// of four objects: 10,000 rectangles (100 across), each filled with a linear gradient and
// casting the default shadow, and the same with radial gradients and with ovals. At 155 % zoom:
// a click on one object, the right arrow key, Undo, Select All, the arrow key on all, Undo, a
// click on the empty canvas and a repaint of the whole canvas; each until the canvas has drawn
// it, with the longest time the window did not answer. The first rows of each design (Open and
// the zoom) are drawn before any kept picture exists.
//
// SHADOW_GRADIENT_BENCH_COUNT sets the objects of each design (10000 unless set).
// SHADOW_GRADIENT_BENCH_DIR keeps the designs in that folder.
// Build with -DQM_BENCH=ON in a Release build; run under Xvfb at 96 dpi with the xcb platform:
//   xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' ./bench_shadow_gradient_bench
#include <QTextDocument>

#include <memory>

#include "WindowSteps.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
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

QString saved(const QString &name, const GraphicList &graphics)
{
    const QVariantMap dict = benchWindow().canvas()->drawDocumentDictionaryForGraphics(graphics);
    const QString kept = qEnvironmentVariable("SHADOW_GRADIENT_BENCH_DIR");
    const QString path = (kept.isEmpty() ? workDir().path() : kept) + QLatin1Char('/') + name + QStringLiteral(".qkdoc");
    if (!PropertyList::writeFile(path, dict, PlistFormat::Binary))
        qFatal("could not write %s", qPrintable(path));
    return path;
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

enum class Kind { LinearRects, RadialRects, Ovals };

QString looks(Kind kind, int count)
{
    GraphicList objects;
    for (int i = 0; i < count; ++i) {
        const QRectF frame(2 + (i % 100) * 1.8, 2 + (i / 100) * 1.8, 1.6, 1.6);
        GraphicPtr object = placed(kind == Kind::Ovals ? GraphicPtr(ColorOval::create(frame)) : ColorRect::create(frame));
        giveLook(*object, kind == Kind::RadialRects ? 1 : 2, i);
        objects.append(object);
    }
    return saved(QStringLiteral("Looks %1 %2").arg(int(kind)).arg(count), objects);
}

QString fourObjects()
{
    GraphicList objects;
    GraphicPtr rect = placed(ColorRect::create(QRectF(10, 10, 60, 30)));
    giveLook(*rect, 2, 0);
    objects.append(rect);
    GraphicPtr oval = placed(ColorOval::create(QRectF(80, 10, 40, 40)));
    giveLook(*oval, 1, 1);
    objects.append(oval);
    GraphicPtr box = placed(ColorRect::create(QRectF(10, 60, 100, 40)));
    box->textStorage()->setPlainText(QStringLiteral("Four objects"));
    giveLook(*box, 2, 2);
    objects.append(box);
    auto path = ColorPath::create(QRectF(130, 60, 40, 40));
    giveLook(*path, 1, 3);
    objects.append(placed(path));
    return saved(QStringLiteral("Four Looks"), objects);
}

struct Run
{
    QList<QPair<QString, StepTimes>> rows;
    bool wrong = false;
    void add(const QString &name, const StepTimes &t) { rows.append({name, t}); }
};

// A point of the canvas away from every object.
QPointF emptyPlace(RectsView *canvas)
{
    QRectF all;
    for (const GraphicPtr &graphic : canvas->getRects())
        all = all.united(graphic->drawingBounds());
    return QPointF(all.right() + 20, all.top() + 5);
}

Run workOn(const QString &file)
{
    Run run;
    RectsView *canvas = benchWindow().canvas();
    prompts->nextPath = file;
    run.add(QStringLiteral("open (nothing kept)"), windowStep(canvas, [] {
                benchMenuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
            }));
    run.add(QStringLiteral("zoom to 155 % (nothing kept)"), windowStep(canvas, [canvas] { canvas->zoomChange(1.55); }));
    run.add(QStringLiteral("repaint"), windowStep(canvas, [canvas] { canvas->update(); }));
    const GraphicList objects = canvas->getRects();
    // An object in the middle of the design, as the user picks one.
    const GraphicPtr picked = objects.at(objects.size() / 2 + 50 < objects.size() ? objects.size() / 2 + 50 : 0);
    run.add(QStringLiteral("click on an object"), windowStep(canvas, [&] {
                clickAt(canvas, picked->frameBounds().center());
            }));
    if (canvas->selectedObjects().size() != 1)
        run.wrong = true;
    const QRectF before = picked->frameBounds();
    run.add(QStringLiteral("nudge it"), windowStep(canvas, [canvas] { pressKey(canvas, Qt::Key_Right); }));
    if (picked->frameBounds() == before)
        run.wrong = true;
    run.add(QStringLiteral("undo"), windowStep(canvas, [] {
                benchMenuItem(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
            }));
    if (picked->frameBounds() != before)
        run.wrong = true;
    run.add(QStringLiteral("select all"), windowStep(canvas, [] {
                benchMenuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
            }));
    run.add(QStringLiteral("nudge all"), windowStep(canvas, [canvas] { pressKey(canvas, Qt::Key_Right); }));
    run.add(QStringLiteral("undo"), windowStep(canvas, [] {
                benchMenuItem(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
            }));
    run.add(QStringLiteral("click on the empty canvas"), windowStep(canvas, [&] { clickAt(canvas, emptyPlace(canvas)); }));
    if (!canvas->selectedObjects().isEmpty())
        run.wrong = true;
    run.add(QStringLiteral("repaint"), windowStep(canvas, [canvas] { canvas->update(); }));
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

    const int count = qEnvironmentVariableIsSet("SHADOW_GRADIENT_BENCH_COUNT")
        ? std::max(1, qEnvironmentVariableIntValue("SHADOW_GRADIENT_BENCH_COUNT"))
        : 10000;
    const Run floor = workOn(fourObjects());
    printHeader();
    bool wrong = floor.wrong;
    for (const auto &row : floor.rows)
        printRow("four objects", qPrintable(row.first), row.second, nullptr);
    const struct
    {
        Kind kind;
        const char *name;
    } designs[] = {{Kind::LinearRects, "rects, linear"}, {Kind::RadialRects, "rects, radial"}, {Kind::Ovals, "ovals, linear"}};
    for (const auto &design : designs) {
        const Run run = workOn(looks(design.kind, count));
        wrong = wrong || run.wrong;
        const QByteArray name = QStringLiteral("%1 %2").arg(count).arg(QLatin1String(design.name)).toLatin1();
        for (int i = 0; i < run.rows.size(); ++i)
            printRow(name.constData(), qPrintable(run.rows[i].first), run.rows[i].second,
                     i < floor.rows.size() ? &floor.rows[i].second : nullptr);
    }
    if (wrong)
        std::printf("WRONG: a step did not do what it should\n");
    return wrong ? 1 : 0;
}
