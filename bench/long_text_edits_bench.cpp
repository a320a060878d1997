// The Edit menu and the merge fields on a long text, worked through the real window at 155 %
// zoom: the window bench's design of one paragraph of many runs, its box edited. With the
// whole text selected: Copy, Cut, Paste of what was copied, Paste of the same text as another
// program gives it (plain text only), Delete; with a word in the middle selected: Copy; with
// the insertion point at the end: Paste of the whole text again; a step of a drag that selects
// text; then a merge field inserted at the insertion point (the field menu's item), a repaint
// of the box holding it, a letter typed behind it, and a change of the record the field shows.
// Every edit is followed by Edit > Undo. Beside them, in the same run: the same commands on the
// text box of the window bench's four objects, and Qt alone doing what a copy of the whole
// text must (the selection taken as a fragment, put into a document of its own, written as
// HTML).
//
// Run under Xvfb at 96 dpi, with QT_QPA_PLATFORM unset:
//   xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' ./bench_long_text_edits_bench
// LONG_TEXT_BENCH_COUNTS lists the runs of each paragraph ("1000,10000,100000" unless set);
// LONG_TEXT_BENCH_ONLY keeps the commands whose name holds one of its comma-separated words.
// Build with -DQM_BENCH=ON in a Release build.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <cstdio>
#include <functional>
#include <memory>

#include "WindowBench.h"
#include "canvas/RectsView.h"
#include "database/store/MergeContents.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "objects/ObjectTextEditor.h"
#include "platform/NotificationCenter.h"

using namespace quillmark;
using namespace qmbench;

namespace {

bool chosen(const QString &name)
{
    const QStringList only = qEnvironmentVariable("LONG_TEXT_BENCH_ONLY").split(QLatin1Char(','), Qt::SkipEmptyParts);
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

void row(const QString &design, const QString &name, const Figures &figures)
{
    std::printf("%-16s %-44s %10.1f %12.1f\n", qPrintable(design), qPrintable(name), figures.untilDrawnMs,
                figures.longestMs);
    std::fflush(stdout);
}

// An item of the Edit menu given as the user gives it: the menu opened (it validates its
// items then), the item chosen.
struct EditItem
{
    const char *title;
    void trigger() const
    {
        QAction *item = menuItem(&benchWindow(), Language::stringForKey(QStringLiteral("Edit")),
                                 Language::stringForKey(QLatin1String(title)));
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
};

EditItem editItem(const char *title)
{
    return {title};
}

void key(int code, const QString &text = QString(), Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    RectsView *canvas = benchWindow().canvas();
    canvas->setFocus();
    sendKey(canvas, code, text, modifiers);
}

// The floor: what Qt alone does for a copy of the whole text.
Figures qtCopy(QTextDocument *text)
{
    QElapsedTimer clock;
    clock.start();
    QTextCursor all(text);
    all.select(QTextCursor::Document);
    QTextDocument part;
    part.setUndoRedoEnabled(false);
    QTextCursor(&part).insertFragment(all.selection());
    const QString html = part.toHtml();
    const QString plain = part.toPlainText();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    return {ms + 0.0 * double(html.size() + plain.size()), ms};
}

// The box edited, with the characters from `anchor` to `position` selected (-1: to the end).
void editWithSelection(const GraphicPtr &box, int anchor, int position)
{
    RectsView *canvas = benchWindow().canvas();
    if (!canvas->editedObject()) {
        canvas->clearSelection();
        canvas->selectRect(box);
        if (!canvas->setEditableObject(box))
            qFatal("the box is not edited");
    }
    const int end = std::max(0, box->textStorage()->characterCount() - 1);
    ObjectTextEditor::current()->setSelection(anchor < 0 ? end : anchor, position < 0 ? end : position);
    canvas->update();
    settle(30);
}

void work(const QString &design, const GraphicPtr &box)
{
    RectsView *canvas = benchWindow().canvas();
    UndoManager *undo = canvas->undoManager();
    auto step = [&](const QString &name, const std::function<void()> &prepare, const std::function<void()> &command,
                    bool withUndo) {
        if (!chosen(name))
            return;
        prepare();
        undo->removeAllActions();
        row(design, name, timed(command));
        if (withUndo && undo->canUndo())
            row(design, name + QStringLiteral(", Undo"), timed([] { editItem("Undo").trigger(); }));
        undo->removeAllActions();
    };
    const int length = std::max(0, box->textStorage()->characterCount() - 1);
    auto all = [box] { editWithSelection(box, 0, -1); };
    auto middleWord = [box, length] { editWithSelection(box, length / 2, std::min(length, length / 2 + 5)); };
    auto atEnd = [box] { editWithSelection(box, -1, -1); };
    auto atStart = [box] { editWithSelection(box, 0, 0); };
    auto copyAll = [all] {
        all();
        editItem("Copy").trigger();
    };

    step(QStringLiteral("all: Edit > Copy"), all, [] { editItem("Copy").trigger(); }, false);
    step(QStringLiteral("all: Edit > Cut"), all, [] { editItem("Cut").trigger(); }, true);
    step(QStringLiteral("all: Edit > Paste of the copy"), copyAll, [] { editItem("Paste").trigger(); }, true);
    step(QStringLiteral("all: Edit > Paste of plain text"),
         [all, box] {
             all();
             auto *mime = new QMimeData;
             mime->setText(box->textStorage()->toPlainText());
             QGuiApplication::clipboard()->setMimeData(mime);
         },
         [] { editItem("Paste").trigger(); }, true);
    step(QStringLiteral("all: Edit > Delete"), all, [] { editItem("Delete").trigger(); }, true);
    step(QStringLiteral("a word: Edit > Copy"), middleWord, [] { editItem("Copy").trigger(); }, false);
    step(QStringLiteral("at the end: Edit > Paste of the copy"),
         [copyAll, atEnd] {
             copyAll();
             atEnd();
         },
         [] { editItem("Paste").trigger(); }, true);
    step(QStringLiteral("a step of a drag selecting text"), middleWord,
         [box] {
             RectsView *view = benchWindow().canvas();
             const QRectF frame = box->frameBounds();
             const QPointF from = frame.topLeft() + QPointF(10, 8);
             sendMouse(view, QEvent::MouseButtonPress, from);
             for (int i = 1; i <= 3; ++i)
                 sendMouse(view, QEvent::MouseMove, from + QPointF(8.0 * i, 4.0 * i));
             sendMouse(view, QEvent::MouseButtonRelease, from + QPointF(24.0, 12.0));
         },
         false);

    // A merge field at the insertion point, as the field menu's item puts it there: at the end,
    // past what a small box shows of a long text, and at the start.
    step(QStringLiteral("at the end: a merge field inserted"), atEnd,
         [] { benchWindow().canvas()->addFieldType(MergeContents::FullNamePk); }, true);
    auto fieldAtStart = [atStart] {
        atStart();
        benchWindow().canvas()->addFieldType(MergeContents::FullNamePk);
        settle(30);
    };
    step(QStringLiteral("at the start: a merge field inserted"), atStart,
         [] { benchWindow().canvas()->addFieldType(MergeContents::FullNamePk); }, true);
    step(QStringLiteral("holding a field: a repaint"), fieldAtStart, [] {}, false);
    step(QStringLiteral("holding a field: a letter typed"), fieldAtStart, [] { key(Qt::Key_X, QStringLiteral("x")); }, true);
    step(QStringLiteral("holding a field: the record changes"), fieldAtStart,
         [] { NotificationCenter::defaultCenter().post(MergeContents::RecordChangedNotification, nullptr); }, false);
    canvas->clearEditable();
    undo->removeAllActions();
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
    for (const QString &count : qEnvironmentVariable("LONG_TEXT_BENCH_COUNTS", QStringLiteral("1000,10000,100000"))
                                    .split(QLatin1Char(','), Qt::SkipEmptyParts))
        counts.append(count.toInt());

    RectsView *canvas = benchWindow().canvas();
    std::printf("platform %s, zoom %s, %d dpi\n", qPrintable(QGuiApplication::platformName()),
                qPrintable(canvas->zoomText()), benchWindow().logicalDpiY());
    std::printf("%-16s %-44s %10s %12s\n", "design", "command", "drawn ms", "longest ms");

    auto open = [canvas](const QString &path) -> GraphicPtr {
        canvas->clearEditable();
        canvas->clearSelection();
        canvas->wasChanged(false);
        if (!canvas->open(path))
            qFatal("%s did not open", qPrintable(path));
        settle();
        for (const GraphicPtr &object : canvas->getRects())
            if (object->className() == QLatin1String("ColorRect") && object->hasText())
                return object;
        qFatal("%s holds no text box", qPrintable(path));
    };

    work(QStringLiteral("four objects"), open(fourObjects(*canvas, workDir().path())));
    for (const int count : std::as_const(counts)) {
        const QString design = QStringLiteral("%1 runs").arg(count);
        const GraphicPtr box = open(formattedRuns(*canvas, workDir().path(), count));
        if (chosen(QStringLiteral("floor")))
            row(design, QStringLiteral("floor: Qt copies the whole text"), qtCopy(box->textStorage()));
        work(design, box);
    }
    return 0;
}
