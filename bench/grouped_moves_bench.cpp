// Moving grouped objects, worked through the real window at 155 % zoom: a design of pairs, each
// a filled rectangle grouped with a text box, everything selected; a nudge with the arrow key,
// its Undo and Redo, the steps of a drag that moves the selection (the longest of five), its
// release and Undo, the steps of a drag that turns it and of one that resizes it, and Select
// All. Beside them, in the same run: the same objects not grouped (what the groups add), and
// the window bench's four objects (what any design costs). The pairs are small (a press on one
// takes a knob: the "move drag" turns or resizes); loose pairs of objects large enough to be
// taken by their middle ("cards") are moved whole and with only one of them selected, and a
// rubber band is drawn from the empty canvas over them. Each figure is the longest time the
// window did not answer, from the command until the canvas has drawn it.
//
// Run under Xvfb at 96 dpi, with QT_QPA_PLATFORM unset:
//   xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' ./bench_grouped_moves_bench
// GROUPED_MOVES_BENCH_COUNTS lists the objects of each design ("2000,10000" unless set);
// GROUPED_MOVES_BENCH_ONLY keeps the commands whose name holds one of its comma-separated words.
// Build with -DQM_BENCH=ON in a Release build.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include "WindowBench.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/KnobResize.h"
#include "platform/UndoManager.h"

using namespace quillmark;
using namespace qmbench;

namespace {

RectsView *canvas() { return benchWindow().canvas(); }

bool chosen(const QString &name)
{
    const QStringList only = qEnvironmentVariable("GROUPED_MOVES_BENCH_ONLY").split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (only.isEmpty())
        return true;
    for (const QString &word : only)
        if (name.contains(word))
            return true;
    return false;
}

// `count` objects in pairs of a filled rectangle and a text box, grouped or not.
QString pairs(int count, bool grouped, double pitch = 1.8, double size = 1.6)
{
    const QString name = QStringLiteral("%1 %2 %3").arg(grouped ? QStringLiteral("Pairs") : QStringLiteral("Loose")).arg(count).arg(size);
    return savedDesign(*canvas(), workDir().path(), name, [&](GraphicList &objects, auto &groups) {
        for (int i = 0; i + 1 < count; i += 2) {
            GraphicPtr rect = placed(*canvas(), ColorRect::create(gridFrame(i, pitch, size)));
            rect->setDrawsFill(true);
            rect->setFillColor(QColor::fromHsv(i % 360, 120, 230));
            GraphicPtr text = textBox(*canvas(), gridFrame(i + 1, pitch, size), QStringLiteral("P%1").arg(i));
            objects.append(rect);
            objects.append(text);
            if (grouped) {
                auto group = Group::create();
                group->addObjects({rect, text});
                groups.append(group);
            }
        }
    });
}

// The longest time the window did not answer from the call until what it did is drawn.
double measured(const std::function<void()> &call)
{
    PaintWatch watch;
    canvas()->installEventFilter(&watch);
    Heartbeat beat;
    beat.start();
    call();
    canvas()->update();
    QElapsedTimer guard;
    guard.start();
    while (!watch.painted && guard.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    settle(60);
    canvas()->removeEventFilter(&watch);
    return beat.stopMs();
}

// A drag from `from`: each of five steps until drawn, the longest; then the release.
std::pair<double, double> drag(const QPointF &from)
{
    sendMouse(canvas(), QEvent::MouseButtonPress, from);
    settle(30);
    double longest = 0.0;
    for (int i = 1; i <= 5; ++i)
        longest = std::max(longest, measured([&] { sendMouse(canvas(), QEvent::MouseMove, from + QPointF(1.5 * i, 1.0 * i)); }));
    const double release = measured([&] { sendMouse(canvas(), QEvent::MouseButtonRelease, from + QPointF(7.5, 5.0)); });
    return {longest, release};
}

// An item of the Edit menu as the user chooses it: the menu opened (it validates its items
// then), the item triggered.
void chooseEditItem(const char *title)
{
    QAction *item = menuItem(&benchWindow(), Language::stringForKey(QStringLiteral("Edit")), QLatin1String(title));
    QMenu *menu = nullptr;
    for (QAction *top : benchWindow().menuBar()->actions())
        if (top->menu() && top->menu()->actions().contains(item))
            menu = top->menu();
    if (menu)
        emit menu->aboutToShow();
    if (item->isEnabled())
        item->trigger();
    else
        std::printf("  (Edit > %s is disabled)\n", title);
    if (menu)
        emit menu->aboutToHide();
}

void row(const QString &design, const QString &name, double ms)
{
    std::printf("%-22s %-40s %10.1f%s\n", qPrintable(design), qPrintable(name), ms, ms > 100.0 ? " !" : "");
    std::fflush(stdout);
}

void work(const QString &design, const QString &path)
{
    RectsView *view = canvas();
    view->clearSelection();
    view->wasChanged(false);
    if (!view->open(path))
        qFatal("%s did not open", qPrintable(path));
    settle();
    UndoManager *undo = view->undoManager();
    auto selectAll = [&] {
        view->selectAll();
        settle(30);
        undo->removeAllActions();
    };
    auto undoIt = [] { return measured([] { chooseEditItem("Undo"); }); };
    auto redoIt = [] { return measured([] { chooseEditItem("Redo"); }); };

    if (chosen(QStringLiteral("Edit > Select All")))
        row(design, QStringLiteral("Edit > Select All"), measured([view] { view->selectAll(); }));
    if (chosen(QStringLiteral("nudge"))) {
        selectAll();
        row(design, QStringLiteral("nudge with the arrow key"), measured([view] {
                view->setFocus();
                sendKey(view, Qt::Key_Right);
            }));
        settle(30);
        row(design, QStringLiteral("nudge, Edit > Undo"), undoIt());
        row(design, QStringLiteral("nudge, Edit > Redo"), redoIt());
        row(design, QStringLiteral("ten nudges, the longest"), [&] {
            double longest = 0.0;
            for (int i = 0; i < 10; ++i)
                longest = std::max(longest, measured([view] { sendKey(view, Qt::Key_Down); }));
            return longest;
        }());
    }

    selectAll();
    const GraphicPtr first = view->selectedObjects().first();
    if (chosen(QStringLiteral("move drag"))) {
        const auto [moveStep, moveRelease] = drag(first->frameBounds().center());
        row(design, QStringLiteral("move drag: a step (longest of five)"), moveStep);
        row(design, QStringLiteral("move drag: the release"), moveRelease);
        row(design, QStringLiteral("move drag, Edit > Undo"), undoIt());
    }

    if (chosen(QStringLiteral("resize drag"))) {
        selectAll();
        const auto [resizeStep, resizeRelease] = drag(KnobResize::knobPosition(first->frameBounds(), 8));
        row(design, QStringLiteral("resize drag: a step (longest of five)"), resizeStep);
        row(design, QStringLiteral("resize drag: the release"), resizeRelease);
        row(design, QStringLiteral("resize drag, Edit > Undo"), undoIt());
    }

    if (chosen(QStringLiteral("rotate drag"))) {
        selectAll();
        view->setupCurrObjectTool(RectsView::RotateTool);
        const auto [rotateStep, rotateRelease] = drag(first->frameBounds().topRight() + QPointF(4, 0));
        row(design, QStringLiteral("rotate drag: a step (longest of five)"), rotateStep);
        row(design, QStringLiteral("rotate drag: the release"), rotateRelease);
        row(design, QStringLiteral("rotate drag, Edit > Undo"), undoIt());
    }
    view->setupCurrObjectTool(RectsView::SelectTool);
    undo->removeAllActions();

    if (chosen(QStringLiteral("one object"))) {
        view->clearSelection();
        view->selectRect(first);
        settle(30);
        undo->removeAllActions();
        const auto [oneStep, oneRelease] = drag(first->frameBounds().center());
        row(design, QStringLiteral("one object: move drag: a step"), oneStep);
        row(design, QStringLiteral("one object: move drag: the release"), oneRelease);
        row(design, QStringLiteral("one object: move drag, Edit > Undo"), undoIt());
    }

    if (chosen(QStringLiteral("rubber band"))) {
        view->clearSelection();
        settle(30);
        if (const std::optional<QPointF> from = emptyCanvasPoint(view)) {
            // From the empty canvas towards the first object, over all between.
            const QPointF to = first->frameBounds().center();
            sendMouse(canvas(), QEvent::MouseButtonPress, *from);
            settle(30);
            double longest = 0.0;
            for (int i = 1; i <= 5; ++i)
                longest = std::max(longest, measured([&] { sendMouse(canvas(), QEvent::MouseMove, *from + (to - *from) * (i / 5.0)); }));
            const double release = measured([&] { sendMouse(canvas(), QEvent::MouseButtonRelease, to); });
            row(design, QStringLiteral("rubber band: a step (longest of five)"), longest);
            row(design, QStringLiteral("rubber band: the release"), release);
        }
        undo->removeAllActions();
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (!prepareRealScreen(argv[0]))
        return 1;
    QApplication app(argc, argv);
    if (!onRealScreen(argv[0]))
        return 1;
    Prompts::install(std::make_unique<BenchPrompts>());
    RectsView::setTerminatePromptFlag(true);

    QList<int> counts;
    for (const QString &count : qEnvironmentVariable("GROUPED_MOVES_BENCH_COUNTS", QStringLiteral("2000,10000"))
                                    .split(QLatin1Char(','), Qt::SkipEmptyParts))
        counts.append(count.toInt());

    std::printf("platform %s, zoom %s, %d dpi; '!' over 100 ms\n", qPrintable(QGuiApplication::platformName()),
                qPrintable(canvas()->zoomText()), benchWindow().logicalDpiY());
    std::printf("%-22s %-40s %10s\n", "design", "command", "longest ms");
    work(QStringLiteral("four objects"), fourObjects(*canvas(), workDir().path()));
    for (const int count : std::as_const(counts)) {
        work(QStringLiteral("%1 loose").arg(count), pairs(count, false));
        work(QStringLiteral("%1 in pairs").arg(count), pairs(count, true));
        work(QStringLiteral("%1 loose cards").arg(count), pairs(count, false, 16.0, 14.0));
    }
    return 0;
}
