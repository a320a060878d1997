// Opening large designs until they are drawn, through the real window: 10,000 rectangles, one
// text of 100,000 formatted runs, one path of 200,000 points, each beside a design of four
// objects opened the same way in the same run (the floor: what opening any design costs).
// Then Select All, a nudge by the arrow key and Undo on the 10,000 rectangles. Every design is
// written by the program's own save at the start of the run.
//
// The commands a user applies to a whole design, each on all of 2,000 and of 10,000 objects
// (work that grows with the design takes five times as long on the larger; work that grows
// with its square, twenty-five times): the four stacking commands, Align Left Edges, Lock,
// a fill and a line colour from the inspector, Duplicate, Delete, Cut and Paste, Group and
// Ungroup, each followed by Undo; a nudge and a drag of one group of all objects and of
// pairs of objects each grouped. The floors of opening are measured beside: libplist reading
// the 10,000 rectangles' file, and the program's property-list reader.
//
// Each benchmark runs DOCUMENT_BENCH_RUNS times (3 unless set); DOCUMENT_BENCH_DIR names a
// folder to keep the designs in. Build with -DQM_BENCH=ON in a
// Release build.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QMap>
#include <QMouseEvent>
#include <QTextCursor>
#include <QTextDocument>

#include <plist/plist.h>

#include <cmath>
#include <memory>
#include <tuple>

#include "BenchSupport.h"
#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/ObjectFactory.h"
#include "platform/BezierPath.h"
#include "platform/ColorWell.h"
#include "platform/Prompts.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"

using namespace quillmark;
using namespace qmbench;

namespace {

int runs()
{
    const int n = qEnvironmentVariableIntValue("DOCUMENT_BENCH_RUNS");
    return n > 0 ? n : 3;
}

BenchPrompts *prompts = nullptr;

bool waitForPaint(QWidget *widget, PaintWatch &watch)
{
    QElapsedTimer guard;
    guard.start();
    while (!watch.painted && guard.elapsed() < 600000) {
        widget->update();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return watch.painted;
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

QAction *menuItem(const QString &menu, const QString &item)
{
    for (QAction *top : window().menuBar()->actions()) {
        if (!top->menu() || top->menu()->title() != menu)
            continue;
        for (QAction *action : top->menu()->actions())
            if (action->text() == item || (item == QLatin1String("Undo") && action->text().startsWith(item)))
                return action;
    }
    return nullptr;
}

GraphicPtr placed(const GraphicPtr &graphic)
{
    graphic->setPageName(window().canvas()->getCurrPageName());
    graphic->setObjectLayer(1);
    return graphic;
}

// Writes the objects that `fill` makes under `name` with the program's own document
// writer, the one Save uses.
template <typename Fill>
QString savedDesign(const QString &name, Fill fill)
{
    RectsView *canvas = window().canvas();
    GraphicList graphics;
    fill(graphics);
    // DOCUMENT_BENCH_DIR keeps the designs, to open them in the program by hand.
    const QString kept = qEnvironmentVariable("DOCUMENT_BENCH_DIR");
    const QString path = (kept.isEmpty() ? workDir().path() : kept) + QLatin1Char('/') + name + QStringLiteral(".qkdoc");
    if (!PropertyList::writeFile(path, canvas->drawDocumentDictionaryForGraphics(graphics), PlistFormat::Binary))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

QString rectanglesDesign(int count)
{
    return savedDesign(QStringLiteral("%1 Rectangles").arg(count), [count](GraphicList &objects) {
        for (int i = 0; i < count; ++i) {
            GraphicPtr rect = placed(ColorRect::create(QRectF(2 + (i % 100) * 1.8, 2 + (i / 100) * 1.0, 1.5, 0.8)));
            rect->setDrawsFill(true);
            rect->setFillColor(QColor::fromHsv(i % 360, 120, 230));
            objects.append(rect);
        }
    });
}

const QString &fourObjectDesign()
{
    static const QString path = savedDesign(QStringLiteral("Four Objects"), [](GraphicList &objects) {
        objects.append(placed(ColorRect::create(QRectF(10, 10, 60, 30))));
        objects.append(placed(ObjectFactory::create(QStringLiteral("ColorOval"))));
        objects.last()->setFrameBounds(QRectF(80, 10, 40, 40));
        GraphicPtr text = placed(ColorRect::create(QRectF(10, 60, 150, 40)));
        text->textStorage()->setPlainText(QStringLiteral("Four objects"));
        objects.append(text);
        auto path = ColorPath::create(QRectF(130, 60, 40, 40));
        BezierPath outline;
        outline.moveTo(QPointF(130, 60));
        outline.lineTo(QPointF(170, 70));
        outline.lineTo(QPointF(150, 100));
        outline.closePath();
        path->setBezierPath(outline);
        objects.append(placed(path));
    });
    return path;
}

const QString &tenThousandRectangles()
{
    static const QString path = savedDesign(QStringLiteral("Ten Thousand Rectangles"), [](GraphicList &objects) {
        for (int i = 0; i < 10000; ++i) {
            GraphicPtr rect = placed(ColorRect::create(QRectF(2 + (i % 100) * 1.8, 2 + (i / 100) * 1.0, 1.5, 0.8)));
            rect->setDrawsFill(true);
            rect->setFillColor(QColor::fromHsv(i % 360, 120, 230));
            objects.append(rect);
        }
    });
    return path;
}

const QString &hundredThousandRuns()
{
    static const QString path = savedDesign(QStringLiteral("Hundred Thousand Runs"), [](GraphicList &objects) {
        GraphicPtr box = placed(ColorRect::create(QRectF(5, 5, 180, 90)));
        QTextDocument *text = box->textStorage();
        QTextCursor cursor(text);
        cursor.beginEditBlock();
        for (int i = 0; i < 100000; ++i) {
            QTextCharFormat format;
            format.setFontPointSize(8 + i % 5);
            format.setFontWeight(i % 2 ? QFont::Bold : QFont::Normal);
            format.setForeground(QColor::fromHsv((i * 7) % 360, 200, 160));
            cursor.insertText(QStringLiteral("run%1 ").arg(i % 100), format);
            if (i % 50 == 49)
                cursor.insertBlock();
        }
        cursor.endEditBlock();
        objects.append(box);
    });
    return path;
}

const QString &twoHundredThousandPoints()
{
    static const QString path = savedDesign(QStringLiteral("Two Hundred Thousand Points"), [](GraphicList &objects) {
        auto path = ColorPath::create(QRectF(5, 5, 180, 90));
        BezierPath outline;
        outline.moveTo(QPointF(5, 50));
        for (int i = 1; i < 200000; ++i) {
            const double t = i / 200000.0;
            outline.lineTo(QPointF(5 + 180 * t, 50 + 40 * std::sin(t * 600.0) * std::cos(t * 37.0)));
        }
        outline.closePath();
        path->setBezierPath(outline);
        objects.append(placed(path));
    });
    return path;
}

// Opens the design and waits until the canvas has drawn it.
void openAndPaint(benchmark::State &state, const QString &path)
{
    RectsView *canvas = window().canvas();
    for (auto _ : state) {
        PaintWatch watch;
        canvas->installEventFilter(&watch);
        if (!canvas->open(path))
            state.SkipWithError("the design did not open");
        if (!waitForPaint(canvas, watch))
            state.SkipWithError("the canvas was never painted");
        state.PauseTiming();
        canvas->removeEventFilter(&watch);
        state.counters["objects"] = double(canvas->getRects().size());
        canvas->undoManager()->removeAllActions();
        canvas->emptyNewDoc();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["file kB"] = double(QFileInfo(path).size()) / 1024.0;
}

// The floors of opening the 10,000 rectangles: libplist alone reading the file's bytes into its
// tree, and the program's property-list reader (libplist, then Qt's maps and lists).
QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("could not read %s", qPrintable(path));
    return file.readAll();
}

void BM_Floor10000LibplistParse(benchmark::State &state)
{
    const QByteArray data = fileBytes(tenThousandRectangles());
    for (auto _ : state) {
        QFile file(tenThousandRectangles());
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        plist_t root = nullptr;
        plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &root);
        if (!root)
            state.SkipWithError("libplist could not read the design");
        plist_free(root);
    }
    state.counters["file kB"] = double(data.size()) / 1024.0;
}

void BM_Floor10000PropertyListRead(benchmark::State &state)
{
    for (auto _ : state) {
        const QVariant parsed = PropertyList::fromData(fileBytes(tenThousandRectangles()));
        if (parsed.toMap().value(QStringLiteral("ObjectsList")).toList().size() != 10000)
            state.SkipWithError("the design was not read whole");
    }
}

void BM_OpenFourObjects(benchmark::State &state) { openAndPaint(state, fourObjectDesign()); }
void BM_Open10000Rectangles(benchmark::State &state) { openAndPaint(state, tenThousandRectangles()); }
void BM_OpenText100000Runs(benchmark::State &state) { openAndPaint(state, hundredThousandRuns()); }
void BM_OpenPath200000Points(benchmark::State &state) { openAndPaint(state, twoHundredThousandPoints()); }

// File > Open, Edit > Select All, a press of the right arrow key, Edit > Undo: each step until
// the canvas has drawn it.
void BM_SelectAllNudgeUndo10000(benchmark::State &state)
{
    RectsView *canvas = window().canvas();
    double openMs = 0, selectMs = 0, nudgeMs = 0, undoMs = 0;
    auto step = [&](double &total, auto &&action) {
        PaintWatch watch;
        canvas->installEventFilter(&watch);
        QElapsedTimer timer;
        timer.start();
        action();
        QCoreApplication::processEvents();
        waitForPaint(canvas, watch);
        total += double(timer.nsecsElapsed()) / 1e6;
        canvas->removeEventFilter(&watch);
    };
    const QString path = tenThousandRectangles();
    bool wrong = false;
    for (auto _ : state) {
        prompts->nextPath = path;
        step(openMs, [] { menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger(); });
        step(selectMs, [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger(); });
        step(nudgeMs, [canvas] {
            canvas->setFocus();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            QApplication::sendEvent(canvas, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
            QApplication::sendEvent(canvas, &release);
        });
        step(undoMs, [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger(); });
        state.PauseTiming();
        if (canvas->getRects().size() != 10000 || canvas->selectedObjects().size() != 10000)
            wrong = true;
        canvas->undoManager()->removeAllActions();
        canvas->emptyNewDoc();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    if (wrong)
        state.SkipWithError("the steps did not do what a user sees");
    const double n = double(state.iterations());
    state.counters["open ms"] = openMs / n;
    state.counters["select all ms"] = selectMs / n;
    state.counters["nudge ms"] = nudgeMs / n;
    state.counters["undo ms"] = undoMs / n;
}

// Every command on the whole selection, each until the canvas has drawn it; ms per command
// as counters. The argument is the number of objects.
void BM_CommandsOnAll(benchmark::State &state)
{
    const int count = int(state.range(0));
    static QHash<int, QString> designs;
    if (!designs.contains(count))
        designs.insert(count, rectanglesDesign(count));
    const QString path = designs.value(count);
    RectsView *canvas = window().canvas();
    QMap<QString, double> totals;
    bool wrong = false;
    auto step = [&](const char *name, auto &&action) {
        PaintWatch watch;
        canvas->installEventFilter(&watch);
        QElapsedTimer timer;
        timer.start();
        action();
        QCoreApplication::processEvents();
        waitForPaint(canvas, watch);
        totals[QString::fromLatin1(name)] += double(timer.nsecsElapsed()) / 1e6;
        canvas->removeEventFilter(&watch);
    };
    auto item = [](const char *menu, const char *name) {
        QAction *action = menuItem(QString::fromLatin1(menu), QString::fromLatin1(name));
        if (!action)
            qFatal("no menu item %s", name);
        return action;
    };
    auto undo = [&item] { item("Edit", "Undo")->trigger(); };
    auto selectAll = [&item, canvas] {
        canvas->clearSelection();
        item("Edit", "Select All")->trigger();
        QCoreApplication::processEvents();
    };
    auto key = [canvas](Qt::Key k) {
        canvas->setFocus();
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(canvas, &press);
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
        QApplication::sendEvent(canvas, &release);
    };
    auto mouse = [canvas](QEvent::Type type, const QPointF &page) {
        const QPointF local = canvas->pageToWidget().map(page);
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, canvas->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas, &event);
    };
    // A drag of the first object by 20 pt in ten moves.
    auto drag = [&mouse, canvas] {
        const QPointF from = canvas->getRects().first()->frameBounds().center();
        mouse(QEvent::MouseButtonPress, from);
        for (int i = 1; i <= 10; ++i) {
            mouse(QEvent::MouseMove, from + QPointF(2.0 * i, 0));
            QCoreApplication::processEvents();
        }
        mouse(QEvent::MouseButtonRelease, from + QPointF(20, 0));
    };
    auto well = [](const char *name) {
        auto *found = window().findChild<ColorWell *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no colour well %s", name);
        return found;
    };
    for (auto _ : state) {
        state.PauseTiming();
        prompts->nextPath = path;
        item("File", "Open...")->trigger();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        for (auto [name, menu, command] : {std::tuple{"front", "Arrange", "Bring To Front"},
                                           std::tuple{"forward", "Arrange", "Bring Forward"},
                                           std::tuple{"backward", "Arrange", "Send Backward"},
                                           std::tuple{"back", "Arrange", "Send To Back"},
                                           std::tuple{"align", "Arrange", "Align Left Edges"},
                                           std::tuple{"duplicate", "Edit", "Duplicate"},
                                           std::tuple{"delete", "Edit", "Delete"}}) {
            selectAll();
            step(name, [&] { item(menu, command)->trigger(); });
            step((QByteArray(name) + " undo").constData(), undo);
        }
        selectAll();
        step("lock", [&] { item("Arrange", "Lock")->trigger(); });
        step("unlock", [&] { item("Arrange", "Lock")->trigger(); });
        step("fill colour", [&] { well("cwFillColor1")->takeColor(QColor(200, 30, 40)); });
        step("line colour", [&] { well("cwLineColor")->takeColor(QColor(20, 30, 140)); });
        selectAll();
        step("cut", [&] { item("Edit", "Cut")->trigger(); });
        step("paste", [&] { item("Edit", "Paste")->trigger(); });
        step("paste undo", undo);
        step("cut undo", undo);
        if (canvas->getRects().size() != count)
            wrong = true;

        // One group of every object, moved by a key and by the mouse.
        selectAll();
        step("group", [&] { item("Arrange", "Group")->trigger(); });
        step("group nudge", [&] { key(Qt::Key_Right); });
        step("group nudge undo", undo);
        step("group drag", drag);
        step("group drag undo", undo);
        step("ungroup", [&] { item("Arrange", "Ungroup")->trigger(); });
        step("ungroup undo", undo);
        step("group undo", undo);

        // Pairs each grouped (made here, not timed), moved the same ways.
        state.PauseTiming();
        {
            const GraphicList all = canvas->getRects();
            for (int i = 0; i + 1 < all.size(); i += 2) {
                canvas->clearSelection();
                canvas->selectRect(all[i]);
                canvas->selectRect(all[i + 1]);
                canvas->group();
            }
            canvas->undoManager()->removeAllActions();
        }
        state.ResumeTiming();
        selectAll();
        step("pairs nudge", [&] { key(Qt::Key_Right); });
        step("pairs nudge undo", undo);
        step("pairs drag", drag);
        step("pairs drag undo", undo);

        state.PauseTiming();
        if (canvas->getRects().size() != count)
            wrong = true;
        canvas->undoManager()->removeAllActions();
        canvas->emptyNewDoc();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    if (wrong)
        state.SkipWithError("the commands did not do what a user sees");
    const double n = double(state.iterations());
    for (auto it = totals.cbegin(); it != totals.cend(); ++it)
        state.counters[it.key().toStdString()] = it.value() / n;
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
    auto installed = std::make_unique<BenchPrompts>();
    prompts = installed.get();
    Prompts::install(std::move(installed));
    RectsView::setTerminatePromptFlag(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const int n = runs();
    for (auto [name, fn] : {std::pair{"BM_OpenFourObjects", &BM_OpenFourObjects},
                            std::pair{"BM_Open10000Rectangles", &BM_Open10000Rectangles},
                            std::pair{"BM_Floor10000LibplistParse", &BM_Floor10000LibplistParse},
                            std::pair{"BM_Floor10000PropertyListRead", &BM_Floor10000PropertyListRead},
                            std::pair{"BM_OpenText100000Runs", &BM_OpenText100000Runs},
                            std::pair{"BM_OpenPath200000Points", &BM_OpenPath200000Points},
                            std::pair{"BM_OpenFourObjectsAgain", &BM_OpenFourObjects},
                            std::pair{"BM_SelectAllNudgeUndo10000", &BM_SelectAllNudgeUndo10000}})
        benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->Iterations(n)->UseRealTime();
    // The commands take one run each unless more are asked for: the quadratic ones are slow.
    // DOCUMENT_BENCH_SIZES lists the numbers of objects ("2000,10000" unless set).
    auto *commands = benchmark::RegisterBenchmark("BM_CommandsOnAll", &BM_CommandsOnAll);
    const QString sizes = qEnvironmentVariable("DOCUMENT_BENCH_SIZES", QStringLiteral("2000,10000"));
    for (const QString &size : sizes.split(QLatin1Char(','), Qt::SkipEmptyParts))
        commands->Arg(size.toInt());
    commands->Unit(benchmark::kMillisecond)
        ->Iterations(qEnvironmentVariableIsSet("DOCUMENT_BENCH_RUNS") ? n : 1)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
