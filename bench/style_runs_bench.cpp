// Style commands over one paragraph of many runs (the window bench's design of runs, opened
// anew for each count), worked through the real window at 155 % zoom: the box's text edited and
// all of it selected (Ctrl+A), then every command that changes the style of a selection, each
// followed by Edit > Undo; then the box selected and not edited, with the commands enabled for
// it. The commands are found in the window: every item of the
// Format menu's submenus that the menu enables and that opens no panel, the Bold and Italic
// keys, the colour panel's colour, the font panel's size, and the Text page's size field,
// colour well and alignment segments. For each: the time until the canvas has drawn it and the
// longest time the window did not answer, beside the floor of the same runs re-formatted by Qt
// alone (one edit block, a format made beforehand for each run) and of Qt alone laying out the
// paragraph's lines in the box's width.
//
// Run under Xvfb at 96 dpi, with QT_QPA_PLATFORM unset:
//   xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' ./bench_style_runs_bench
// STYLE_RUNS_BENCH_COUNTS lists the runs of each paragraph ("1000,10000,30000,100000" unless
// set); STYLE_RUNS_BENCH_LIMIT_MS gives up a command at larger counts once it took longer than
// this (120000 unless set); STYLE_RUNS_BENCH_ONLY keeps the commands whose name holds one of its
// comma-separated words. Build with -DQM_BENCH=ON in a Release build.
#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QFontDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolButton>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>

#include "WindowBench.h"
#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "foundation/SegmentedControl.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/ColorRect.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextFlow.h"
#include "platform/ColorWell.h"
#include "platform/UndoManager.h"

using namespace quillmark;
using namespace qmbench;

namespace {

// One command as a user gives it, found in the window.
struct Command
{
    QString name;
    std::function<void()> run;
};

// The items of the Format menu's submenus the menu enables now and that change the text
// (not those that open a panel or a dialog: "...", and the panels' own commands).
QList<Command> formatMenuCommands()
{
    QList<Command> commands;
    QMenu *format = nullptr;
    for (QAction *top : benchWindow().menuBar()->actions())
        if (top->menu() && top->menu()->title() == Language::stringForKey(QStringLiteral("Format")))
            format = top->menu();
    if (!format)
        qFatal("no Format menu");
    emit format->aboutToShow();
    for (QAction *holder : format->actions()) {
        if (!holder->menu())
            continue;
        emit holder->menu()->aboutToShow();
        for (QAction *item : holder->menu()->actions()) {
            const QString key = item->toolTip();
            if (item->isSeparator() || item->menu() || !item->isEnabled() || key.endsWith(QLatin1String("..."))
                || key.startsWith(QLatin1String("Show ")))
                continue;
            commands.append({QStringLiteral("menu ") + key, [item] { item->trigger(); }});
        }
    }
    return commands;
}

QAction *undoItem()
{
    for (QAction *top : benchWindow().menuBar()->actions())
        if (top->menu())
            for (QAction *item : top->menu()->actions())
                if (item->toolTip() == QLatin1String("Undo"))
                    return item;
    qFatal("no Undo item");
}

void key(int code, Qt::KeyboardModifiers modifiers)
{
    RectsView *canvas = benchWindow().canvas();
    canvas->setFocus();
    // A key press sent to a widget goes to the window's shortcuts first, as a typed one does.
    QKeyEvent press(QEvent::KeyPress, code, modifiers);
    QApplication::sendEvent(canvas, &press);
    QKeyEvent release(QEvent::KeyRelease, code, modifiers);
    QApplication::sendEvent(canvas, &release);
}

// The Text page's commands: a new size typed, a colour taken by the well, an alignment segment.
QList<Command> textPageCommands()
{
    QList<Command> commands;
    QWidget *info = &benchWindow();
    auto *size = info->findChild<NumberField *>(QStringLiteral("tvTextSize"));
    auto *well = info->findChild<ColorWell *>(QStringLiteral("cwTextColor"));
    auto *alignment = info->findChild<SegmentedControl *>(QStringLiteral("scTextAilgn"));
    if (!size || !well || !alignment)
        qFatal("the Text page's controls are missing");
    commands.append({QStringLiteral("text page size"), [size] {
                         size->setText(QStringLiteral("17"));
                         emit size->valueEntered();
                     }});
    commands.append({QStringLiteral("text page colour"), [well] { well->takeColor(QColor(20, 120, 40)); }});
    commands.append({QStringLiteral("text page alignment"), [alignment] { alignment->segmentButton(1)->click(); }});
    return commands;
}

// The panels' commands: a colour from the colour panel, a size from the font panel.
QList<Command> panelCommands(bool colour)
{
    QList<Command> commands;
    RectsView *canvas = benchWindow().canvas();
    if (colour)
        commands.append({QStringLiteral("colour panel"), [canvas] {
                             QColorDialog *panel = canvas->colorPanel();
                             panel->setCurrentColor(panel->currentColor() == QColor(200, 30, 30) ? QColor(30, 30, 200)
                                                                                                  : QColor(200, 30, 30));
                         }});
    commands.append({QStringLiteral("font panel size"), [canvas] {
                         canvas->showTextFont();
                         QFontDialog *panel = canvas->fontPanel();
                         QFont font = panel->currentFont();
                         font.setPointSizeF(font.pointSizeF() == 21.0 ? 23.0 : 21.0);
                         panel->setCurrentFont(font);
                     }});
    return commands;
}

bool chosen(const QString &name)
{
    const QStringList only = qEnvironmentVariable("STYLE_RUNS_BENCH_ONLY").split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (only.isEmpty())
        return true;
    for (const QString &word : only)
        if (name.contains(word))
            return true;
    return false;
}

struct Figures
{
    double untilDrawnMs = 0.0;
    double longestMs = 0.0;
};

// Runs a command, then handles events until the canvas has drawn what it did.
Figures timed(const std::function<void()> &command)
{
    RectsView *canvas = benchWindow().canvas();
    PaintWatch watch;
    canvas->installEventFilter(&watch);
    Heartbeat beat;
    QElapsedTimer clock;
    beat.start();
    clock.start();
    command();
    canvas->update();
    while (!watch.painted && clock.elapsed() < 1800000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        canvas->update();
    }
    // The queued work that follows the command (the event's undo step closing, refreshes).
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    Figures figures{double(clock.nsecsElapsed()) / 1e6, beat.stopMs()};
    canvas->removeEventFilter(&watch);
    return figures;
}

// The floors: the same runs re-formatted by Qt alone in one edit block, each run's new format
// made beforehand, and Qt alone laying out the paragraph's lines in the box's width.
Figures floorOf(QTextDocument *text, qreal width)
{
    std::unique_ptr<QTextDocument> copy(text->clone());
    struct Run
    {
        int start, end;
        QTextCharFormat format;
    };
    std::vector<Run> runs;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextCharFormat format = it.fragment().charFormat();
            format.setFontWeight(format.fontWeight() == QFont::Bold ? QFont::Normal : QFont::Bold);
            runs.push_back({it.fragment().position(), it.fragment().position() + it.fragment().length(), format});
        }
    QElapsedTimer clock;
    clock.start();
    QTextCursor cursor(copy.get());
    cursor.beginEditBlock();
    for (const Run &run : runs) {
        cursor.setPosition(run.start);
        cursor.setPosition(run.end, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
    cursor.endEditBlock();
    const double reformat = double(clock.nsecsElapsed()) / 1e6;

    clock.restart();
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        QTextLayout layout(block.text(), copy->defaultFont(), TextFlow::pointDevice());
        QList<QTextLayout::FormatRange> formats;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            formats.append({it.fragment().position() - block.position(), it.fragment().length(),
                            it.fragment().charFormat()});
        layout.setFormats(formats);
        layout.beginLayout();
        qreal y = 0.0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0.0, y));
            y += line.height();
        }
        layout.endLayout();
    }
    return {reformat, double(clock.nsecsElapsed()) / 1e6};
}

void row(int runs, const QString &name, const Figures &figures)
{
    std::printf("%8d  %-34s %12.1f %14.1f\n", runs, qPrintable(name), figures.untilDrawnMs, figures.longestMs);
    std::fflush(stdout);
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
    for (const QString &count : qEnvironmentVariable("STYLE_RUNS_BENCH_COUNTS", QStringLiteral("1000,10000,30000,100000"))
                                    .split(QLatin1Char(','), Qt::SkipEmptyParts))
        counts.append(count.toInt());
    const double limit = qEnvironmentVariableIsSet("STYLE_RUNS_BENCH_LIMIT_MS")
                             ? qEnvironmentVariable("STYLE_RUNS_BENCH_LIMIT_MS").toDouble()
                             : 120000.0;

    RectsView *canvas = benchWindow().canvas();
    std::printf("platform %s, zoom %s, %d dpi\n", qPrintable(QGuiApplication::platformName()),
                qPrintable(canvas->zoomText()), benchWindow().logicalDpiY());
    std::printf("%8s  %-34s %12s %14s\n", "runs", "command", "drawn ms", "longest ms");
    QSet<QString> givenUp;
    for (const int count : std::as_const(counts)) {
        canvas->clearEditable();
        canvas->clearSelection();
        canvas->wasChanged(false);
        if (!canvas->open(formattedRuns(*canvas, workDir().path(), count)) || canvas->getRects().size() != 1)
            qFatal("the design of %d runs did not open", count);
        const GraphicPtr box = canvas->getRects().first();
        settle();

        const Figures floor = floorOf(box->textStorage(), 180.0);
        row(count, QStringLiteral("floor: Qt re-formats the runs"), {floor.untilDrawnMs, floor.untilDrawnMs});
        row(count, QStringLiteral("floor: Qt lays the lines out"), {floor.longestMs, floor.longestMs});

        auto work = [&](const QString &where, const Command &command, bool withUndo) {
            const QString name = where + command.name;
            if (!chosen(name))
                return;
            if (givenUp.contains(name)) {
                std::printf("%8d  %-34s %12s\n", count, qPrintable(name), "given up");
                return;
            }
            const Figures done = timed(command.run);
            row(count, name, done);
            if (done.untilDrawnMs > limit)
                givenUp.insert(name);
            if (!withUndo)
                return;
            const QString undoName = name + QStringLiteral(", Undo");
            const Figures undone = timed([] { undoItem()->trigger(); });
            row(count, undoName, undone);
            if (undone.untilDrawnMs > limit)
                givenUp.insert(name);
        };

        // The whole text edited and selected.
        canvas->selectRect(box);
        if (!canvas->setEditableObject(box))
            qFatal("the box is not edited");
        key(Qt::Key_A, Qt::ControlModifier);
        QCoreApplication::processEvents();
        const Figures select = timed([] { key(Qt::Key_A, Qt::ControlModifier); });
        row(count, QStringLiteral("edited: Ctrl+A"), select);
        work(QStringLiteral("edited: "), {QStringLiteral("Ctrl+B"), [] { key(Qt::Key_B, Qt::ControlModifier); }}, true);
        work(QStringLiteral("edited: "), {QStringLiteral("Ctrl+I"), [] { key(Qt::Key_I, Qt::ControlModifier); }}, true);
        for (const Command &command : formatMenuCommands())
            work(QStringLiteral("edited: "), command, true);
        for (const Command &command : panelCommands(true))
            work(QStringLiteral("edited: "), command, true);
        for (const Command &command : textPageCommands())
            work(QStringLiteral("edited: "), command, true);

        // The box selected, not edited.
        canvas->clearEditable();
        canvas->clearSelection();
        canvas->selectRect(box);
        QCoreApplication::processEvents();
        for (const Command &command : formatMenuCommands())
            work(QStringLiteral("selected: "), command, true);
        for (const Command &command : panelCommands(false))
            work(QStringLiteral("selected: "), command, true);
        for (const Command &command : textPageCommands())
            work(QStringLiteral("selected: "), command, true);
        if (QWidget *panel = canvas->fontPanel())
            panel->hide();
        if (QWidget *panel = canvas->colorPanel())
            panel->hide();
    }
    return 0;
}
