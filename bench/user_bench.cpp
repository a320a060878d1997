// What a user waits for, through the real window: start-up to the first painted canvas,
// opening a design of 500 objects until it is drawn, exporting 1,000 merged labels as one PNG
// file per record, and pasting a megabyte of another program's text into a box being edited
// until the box is drawn again (beside the floor: the same text put into a text document by
// the text library alone). Each benchmark prints one line of figures.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

#include "BenchSupport.h"
#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "database/merge/ColorField.h"
#include "database/store/Database.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "objects/ObjectFactory.h"
#include "objects/ObjectTextEditor.h"
#include "platform/Prompts.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

using namespace quillmark;
using namespace qmbench;

namespace {

void waitForPaint(QWidget *widget, PaintWatch &watch)
{
    QElapsedTimer guard;
    guard.start();
    while (!watch.painted && guard.elapsed() < 10000) {
        widget->update();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void BM_StartupToFirstPaint(benchmark::State &state)
{
    for (auto _ : state) {
        // What main() does before the window shows, then until the canvas is first painted.
        Language::initialize();
        registerAllKinds();
        auto window = std::make_unique<MainWindow>();
        PaintWatch watch;
        window->canvas()->installEventFilter(&watch);
        window->show();
        window->finishLaunching();
        waitForPaint(window->canvas(), watch);
        if (!watch.painted)
            state.SkipWithError("the canvas was never painted");
        state.PauseTiming();
        window->canvas()->removeEventFilter(&watch);
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// A design of 500 objects of every kind, half of them with two lines of text.
QString fiveHundredObjectDesign(MainWindow &window)
{
    RectsView *canvas = window.canvas();
    const QStringList kinds = ObjectFactory::knownKinds();
    for (int i = 0; i < 500; ++i) {
        const GraphicPtr graphic = ObjectFactory::create(kinds.at(i % kinds.size()));
        graphic->setFrameBounds(QRectF(5 + (i % 25) * 10, 5 + (i / 25) * 6, 60, 20));
        if (QTextDocument *text = graphic->textStorage(); text && i % 2 == 0)
            text->setPlainText(QStringLiteral("Object %1\nSecond line of text").arg(i));
        graphic->setPageName(canvas->getCurrPageName());
        graphic->setObjectLayer(1);
        canvas->addGraphic(graphic);
    }
    const QString path = workDir().filePath(QStringLiteral("Five Hundred.qkdoc"));
    canvas->setFilePath(path);
    canvas->saveDocument();
    canvas->undoManager()->removeAllActions();
    canvas->emptyNewDoc();
    return path;
}

void BM_Open500ObjectDesign(benchmark::State &state)
{
    MainWindow window;
    window.show();
    QCoreApplication::processEvents();
    const QString path = fiveHundredObjectDesign(window);
    RectsView *canvas = window.canvas();
    for (auto _ : state) {
        PaintWatch watch;
        canvas->installEventFilter(&watch);
        if (!canvas->open(path))
            state.SkipWithError("the design did not open");
        waitForPaint(canvas, watch);
        state.PauseTiming();
        canvas->removeEventFilter(&watch);
        state.counters["objects"] = double(canvas->getRects().size());
        canvas->undoManager()->removeAllActions();
        canvas->emptyNewDoc();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Open500ObjectDesign)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_Export1000LabelsOneFilePerRecord(benchmark::State &state)
{
    constexpr int records = 1000;
    // The window first: it opens the user's own database, which the benchmark's replaces.
    MainWindow window;
    window.show();
    QCoreApplication::processEvents();
    const QString dbPath = workDir().filePath(QStringLiteral("export.sqlite"));
    QString error;
    Database::createDatabaseAtPath(dbPath, &error);
    std::unique_ptr<Database> db = Database::openDatabaseAtPath(dbPath, &error);
    if (!db) {
        state.SkipWithError("no database");
        return;
    }
    db->beginTransaction();
    for (int i = 0; i < records; ++i) {
        db->fieldValues().clear();
        db->initFieldValues();
        db->fieldValues().insert(QStringLiteral("First_Name"), QStringLiteral("Person %1").arg(i));
        db->insertRecord();
    }
    db->commitTransaction();
    db->refreshBrowser();
    Database::setCurrentDatabase(db.get());

    RectsView *canvas = window.canvas();
    auto box = ColorRect::create(QRectF(4, 4, 120, 40));
    box->setPageName(canvas->getCurrPageName());
    box->setDrawsFill(true);
    box->setFillColor(QColor(230, 240, 255));
    canvas->addGraphic(box);
    auto field = ColorField::create(QRectF(8, 8, 150, 24));
    field->setPageName(canvas->getCurrPageName());
    canvas->addGraphic(field);
    field->setFieldPk(4);

    int run = 0;
    int written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString folder = workDir().filePath(QStringLiteral("export%1").arg(run++));
        QDir().mkpath(folder);
        state.ResumeTiming();
        written = canvas->exportSequentialFiles(folder + QStringLiteral("/Label.png"), 4, 1, records, 72.0);
    }
    state.counters["files"] = written;
    if (written != records)
        state.SkipWithError("not every record was exported");
    state.counters["files/s"] = benchmark::Counter(double(records), benchmark::Counter::kIsIterationInvariantRate);
    Database::setCurrentDatabase(nullptr);
}
BENCHMARK(BM_Export1000LabelsOneFilePerRecord)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// A megabyte of plain text in lines, as another program puts it on the clipboard.
QString megabyteOfLines()
{
    QString text;
    for (int line = 0; text.size() < 1024 * 1024; ++line)
        text += QStringLiteral("line %1 of the pasted text, in the look of the text\r\n").arg(line);
    return text;
}

// Edit > Paste of that text at the end of a box being edited, until the canvas has drawn it.
void BM_PasteMegabyteIntoEditedBox(benchmark::State &state)
{
    MainWindow window;
    window.show();
    QCoreApplication::processEvents();
    RectsView *canvas = window.canvas();
    auto box = ColorRect::create(QRectF(10, 10, 160, 50));
    box->setPageName(canvas->getCurrPageName());
    box->textStorage()->setPlainText(QStringLiteral("ab"));
    canvas->addGraphic(box);
    QAction *paste = nullptr;
    QMenu *edit = nullptr;
    for (QAction *top : window.menuBar()->actions())
        if (top->menu() && top->menu()->title() == QLatin1String("Edit"))
            for (QAction *item : top->menu()->actions())
                if (item->text() == QLatin1String("Paste")) {
                    paste = item;
                    edit = top->menu();
                }
    if (!paste) {
        state.SkipWithError("no Edit > Paste");
        return;
    }
    const QString text = megabyteOfLines();
    qsizetype pasted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        box->textStorage()->setPlainText(QStringLiteral("ab"));
        canvas->selectRect(box);
        canvas->setEditableObject(box);
        ObjectTextEditor::current()->setSelection(2, 2);
        auto *mime = new QMimeData;
        mime->setText(text);
        QGuiApplication::clipboard()->setMimeData(mime);
        QCoreApplication::processEvents();
        // The menu validates its items as it opens.
        emit edit->aboutToShow();
        if (!ObjectTextEditor::current() || !paste->isEnabled()) {
            state.SkipWithError("Paste is not enabled in the edited box");
            break;
        }
        PaintWatch watch;
        canvas->installEventFilter(&watch);
        state.ResumeTiming();
        paste->trigger();
        waitForPaint(canvas, watch);
        state.PauseTiming();
        canvas->removeEventFilter(&watch);
        pasted = box->textStorage()->characterCount();
        canvas->clearEditable();
        canvas->undoManager()->removeAllActions();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    // Line ends come in as paragraph breaks, one character each.
    if (pasted != 2 + text.size() - text.count(QStringLiteral("\r\n")) + 1)
        state.SkipWithError("the text was not pasted");
    state.counters["characters"] = double(pasted);
}
BENCHMARK(BM_PasteMegabyteIntoEditedBox)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// The floor: the same text inserted in one format into a text document, as the text library
// alone does it (line ends made paragraph breaks, no layout, no window).
void BM_PasteMegabyteFloor(benchmark::State &state)
{
    QString text = megabyteOfLines();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCharFormat format;
    format.setFontPointSize(14);
    for (auto _ : state) {
        QTextDocument document;
        document.setPlainText(QStringLiteral("ab"));
        QTextCursor cursor(&document);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text, format);
        benchmark::DoNotOptimize(document.characterCount());
    }
}
BENCHMARK(BM_PasteMegabyteFloor)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_DATA_HOME", workDir().filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", workDir().filePath(QStringLiteral("config")).toUtf8());
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brenholt"));
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    Prompts::install(std::make_unique<BenchPrompts>());
    RectsView::setTerminatePromptFlag(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
