// Every reader and writer of a design run through the real window on large designs: the longest
// time the window did not answer (the longest gap between two turns of its event loop) while
// the command worked, and until the canvas had drawn what it left (the drawing of thousands of
// objects is the canvas's, not the command's), the time until then, and the growth of the
// process's peak memory over the command, each beside the same command on the design of four
// objects (the floor: what the command costs on any design).
//
// Designs: every kind the window benches share (WindowBench.h), 10,000 objects of each; one
// chain of 1,000 and one of 10,000 linked text boxes whose text is a line a box, written in the
// layout of earlier versions (every box carrying the chain's whole text); and the mixed design
// of 20,000 objects (every kind the object factory knows in turn and a box showing the
// photograph, the text boxes linked by fives, one pair in ten grouped).
//
// Commands, in this order on the design opened: File > Open...; File > Save (to a file of its
// own); File > Save As...; Open again of what Save As wrote (what Revert would do: the program
// has no Revert of its own); Edit > Select All and Copy, then Paste; Duplicate; Replicate;
// File > Save as Template... and the template applied again from its file; File > Print... to
// a PDF file; File > Export... as PDF, EPS and PNG; File > Save As... PDF, EPS and TIFF of the
// whole sheet; Export Sequential of three records as PDF and as PNG.
//
// Each design is made, and each command runs, in a process of its own (what a command needs
// before it, the design opened, selected or copied, is not measured), watched: a command that
// takes the process past LARGE_DESIGN_BENCH_LIMIT_MB of memory (4,000 unless set) or
// LARGE_DESIGN_BENCH_LIMIT_S seconds (120 unless set) is stopped and reported so.
// LARGE_DESIGN_BENCH_DESIGNS and LARGE_DESIGN_BENCH_COMMANDS choose (keys as printed);
// LARGE_DESIGN_BENCH_SCALE multiplies every count (0.1 for a short run).
//
// Runs under Xvfb at 96 dpi on the xcb platform (QT_QPA_PLATFORM unset):
//   xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' ./bench_large_design_bench
// Build with -DQM_BENCH=ON in a Release build.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <thread>
#include <unistd.h>

#include "WindowBench.h"
#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "barcodes/ColorBarcode.h"
#include "canvas/RectsView.h"
#include "canvas/TemplateFile.h"
#include "foundation/Language.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/ObjectFactory.h"
#include "platform/BezierPath.h"
#include "platform/Format.h"
#include "platform/PrintPanels.h"
#include "platform/PropertyList.h"
#include "printing/ExportFormats.h"

using namespace quillmark;
using namespace qmbench;

namespace {

double scale()
{
    bool ok = false;
    const double s = qEnvironmentVariable("LARGE_DESIGN_BENCH_SCALE").toDouble(&ok);
    return ok && s > 0 ? s : 1.0;
}

int scaled(int count)
{
    return std::max(1, int(std::lround(count * scale())));
}

QString scratch(const QString &name)
{
    return workDir().filePath(name);
}

// Where the designs are made: the parent's folder, shared by every process of the run.
QString designFolder()
{
    const QString shared = qEnvironmentVariable("LARGE_DESIGN_BENCH_FOLDER");
    return shared.isEmpty() ? workDir().path() : shared;
}

// ---- answering the panels ----

// Save panels answer the next path with the type asked for; the template panel is named and
// confirmed.
class Answers : public BenchPrompts
{
public:
    int nextType = 0;
    QString saveFileOfType(QWidget *, const QString &, const QString &, const QString &, const QList<FileType> &,
                           int &chosen, QWidget *) override
    {
        chosen = nextType;
        return nextPath;
    }
    int runPanel(QWidget *, QDialog *panel) override
    {
        if (auto *title = panel ? panel->findChild<QLineEdit *>() : nullptr) {
            title->setText(QStringLiteral("Bench %1").arg(++m_templates));
            return 1;
        }
        return 0;
    }

private:
    int m_templates = 0;
};

Answers *answers = nullptr;

// The options sheet is confirmed with its Print button; the print panel prints to a file.
class PrintAnswers : public PrintPanels
{
public:
    QString file;
    bool runPrintPanel(QWidget *, QPrinter &printer, const QList<QWidget *> &) override
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    }
    bool runPageLayout(QWidget *, QPageLayout &) override { return false; }
    int runSheet(QDialog &sheet) override
    {
        for (QPushButton *button : sheet.findChildren<QPushButton *>())
            if (button->text() == QLatin1String("Print")) {
                QTimer::singleShot(0, button, &QPushButton::click);
                break;
            }
        return sheet.exec();
    }
};

// ---- the window ----

MainWindow &window()
{
    return benchWindow();
}

void trigger(const QString &menu, const QString &item)
{
    QAction *action = menuItem(&window(), menu, item);
    if (!action)
        qFatal("no menu item %s > %s", qPrintable(menu), qPrintable(item));
    // The File menu enables some of its items as it opens.
    if (QMenu *owner = qobject_cast<QMenu *>(action->parent()))
        emit owner->aboutToShow();
    action->setEnabled(true);
    action->trigger();
}

void turnFor(int ms = 150)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// ---- the designs ----

// The place of a chain's boxes: wide enough for a line each.
QRectF chainFrame(int i)
{
    return QRectF(4 + (i % 50) * 42.0, 4 + (i / 50) * 13.0, 40, 12);
}

// An object of the kind as a user makes it: every kind shows something of its own.
GraphicPtr objectOfKind(const QString &kind, const QRectF &frame, int i)
{
    RectsView &canvas = *window().canvas();
    GraphicPtr graphic = ObjectFactory::create(kind);
    if (!graphic)
        return nullptr;
    graphic->setFrameBounds(frame);
    placed(canvas, graphic);
    if (kind == QLatin1String("ColorRect") || kind == QLatin1String("ColorOval")) {
        graphic->textStorage()->setPlainText(QStringLiteral("Text %1").arg(i));
    } else if (kind == QLatin1String("ColorPath")) {
        static_cast<ColorPath *>(graphic.get())->setBezierPath(zigzag(frame, 12, quint32(i)));
    } else if (kind == QLatin1String("ColorBarcode")) {
        auto *barcode = static_cast<ColorBarcode *>(graphic.get());
        TBarInfo info = barcode->getBarInfo();
        info.BarStr = QStringLiteral("QM%1").arg(i, 6, 10, QLatin1Char('0')).toStdString();
        barcode->setBarInfo(info);
    } else if (kind == QLatin1String("ColorField")) {
        graphic->setFieldPk(2 + i % 5);
    }
    return graphic;
}

// The photograph of the mixed design, of 1600 x 1200 pixels, as a camera's picture is placed
// after its export for the web (the pictures' own design shows one of 12 megapixels).
QString mixedPhoto()
{
    const QString path = designFolder() + QStringLiteral("/Photo 1600.jpg");
    if (!QFileInfo::exists(path)) {
        QImage photo(1600, 1200, QImage::Format_RGB32);
        QRandomGenerator random(11);
        for (int y = 0; y < photo.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
            for (int x = 0; x < photo.width(); ++x)
                line[x] = qRgb(x % 256, (y * 2) % 256, int(random.bounded(64)) + 96);
        }
        photo.save(path, "JPEG", 85);
    }
    return path;
}

// The stored form of a box showing the photograph, as the first of many copies of it: the
// copies are written from it with their own frames, as Duplicate and Paste write them, the
// photograph decoded once.
const QVariantMap &photoForm()
{
    static const QVariantMap form = [] {
        GraphicPtr box = placed(*window().canvas(), ColorRect::create(gridFrame(0)));
        QString error;
        if (!box->setImageFromPath(mixedPhoto(), &error))
            qFatal("no picture: %s", qPrintable(error));
        return box->propertyListRepresentation();
    }();
    return form;
}

// The design as the program's writer writes it, with the groups given; the objects at
// `photos` (plain boxes in the list) show the photograph.
QString written(const QString &name, const GraphicList &graphics, const QList<std::shared_ptr<Group>> &groups = {},
                const QList<int> &photos = {})
{
    RectsView *canvas = window().canvas();
    QVariantMap dict = canvas->drawDocumentDictionaryForGraphics(graphics);
    if (!photos.isEmpty()) {
        QVariantList forms = dict.value(QStringLiteral("ObjectsList")).toList();
        for (const int at : photos) {
            QVariantMap form = photoForm();
            form.insert(QStringLiteral("Bounds"), rectToString(graphics[at]->frameBounds()));
            forms[at] = form;
        }
        dict.insert(QStringLiteral("ObjectsList"), forms);
    }
    if (!groups.isEmpty()) {
        QVariantList stored;
        for (const auto &group : groups)
            stored.append(group->propertyListRepresentation(graphics));
        dict.insert(QStringLiteral("GroupsList"), stored);
    }
    for (const auto &group : groups)
        group->clear();
    const QString path = designFolder() + QLatin1Char('/') + name + QStringLiteral(".qkdoc");
    if (!PropertyList::writeFile(path, dict, PlistFormat::Binary))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

// A chain of boxes in the layout earlier versions wrote: the first box lists the others, and
// every box carries the chain's whole text. Made without linking, so that the writer of any
// version writes it alike and fast.
QString chain(int boxes)
{
    RectsView &canvas = *window().canvas();
    GraphicList objects;
    QString text;
    for (int i = 0; i < boxes; ++i) {
        objects.append(placed(canvas, ColorRect::create(chainFrame(i))));
        text += QStringLiteral("Line %1 of the chain\n").arg(i + 1);
    }
    objects.first()->textStorage()->setPlainText(text);
    QVariantMap dict = canvas.drawDocumentDictionaryForGraphics(objects);
    QVariantList forms = dict.value(QStringLiteral("ObjectsList")).toList();
    QVariantMap first = forms.first().toMap();
    QStringList followers;
    for (int i = 1; i < boxes; ++i)
        followers << QString::number(i);
    first.insert(QStringLiteral("FirstTextView"), followers.join(QLatin1Char(',')));
    const QVariant archive = first.value(QStringLiteral("Text"));
    forms[0] = first;
    for (int i = 1; i < boxes; ++i) {
        QVariantMap form = forms[i].toMap();
        form.insert(QStringLiteral("Text"), archive);
        forms[i] = form;
    }
    dict.insert(QStringLiteral("ObjectsList"), forms);
    const QString path = designFolder() + QStringLiteral("/Chain %1.qkdoc").arg(boxes);
    if (!PropertyList::writeFile(path, dict, PlistFormat::Binary))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

QStringList knownKinds()
{
    QStringList kinds;
    for (const QString &kind : ObjectFactory::knownKinds())
        if (ObjectFactory::isRegistered(kind))
            kinds << kind;
    return kinds;
}

// Every kind in turn and a box showing the photograph, text boxes linked by fives, one pair in
// ten grouped.
QString mixed(int count)
{
    const QStringList kinds = knownKinds();
    const int turn = int(kinds.size()) + 1;
    GraphicList objects;
    QList<std::shared_ptr<Group>> groups;
    QList<int> photos;
    ColorRect *chainLast = nullptr;
    int chained = 0;
    for (int i = 0; i < count; ++i) {
        const int k = i % turn;
        GraphicPtr graphic = k < kinds.size() ? objectOfKind(kinds[k], gridFrame(i), i)
                                              : placed(*window().canvas(), ColorRect::create(gridFrame(i)));
        if (k == kinds.size())
            photos.append(i);
        objects.append(graphic);
        if (k < kinds.size() && kinds[k] == QLatin1String("ColorRect")) {
            if (chained++ % 5 != 0)
                graphic->setTextLink(chainLast, true);
            chainLast = graphic.get();
        }
    }
    for (int i = 0; i + 1 < count; i += 10) {
        auto group = Group::create();
        group->addObjects({objects[i], objects[i + 1]});
        groups.append(group);
    }
    return written(QStringLiteral("Mixed %1").arg(count), objects, groups, photos);
}

struct Design
{
    QString key;
    std::function<QString()> make;
};

QList<Design> designs()
{
    QList<Design> list;
    for (const DesignKind &kind : designKinds())
        list.append({QString::fromLatin1(kind.key),
                     [&kind] { return kind.make(*window().canvas(), designFolder(), scaled(10000)); }});
    list.append({QStringLiteral("chain1000"), [] { return chain(scaled(1000)); }});
    list.append({QStringLiteral("chain10000"), [] { return chain(scaled(10000)); }});
    list.append({QStringLiteral("mixed"), [] { return mixed(scaled(20000)); }});
    return list;
}

// ---- the commands ----

struct Command
{
    QString key;
    // Runs the command; the design is open and nothing is selected.
    std::function<void()> run;
};

QString designFile;

void selectAll()
{
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
}

QString newestTemplate()
{
    QString newest;
    QDateTime when;
    QDir folder(TemplateFile::userFolder());
    for (const QString &sub : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QFileInfo &info : QDir(folder.filePath(sub)).entryInfoList(QDir::Files))
            if (newest.isEmpty() || info.lastModified() >= when) {
                newest = info.filePath();
                when = info.lastModified();
            }
    return newest;
}

// In the order they run.
QStringList commandKeys()
{
    return {QStringLiteral("open"),      QStringLiteral("save"),          QStringLiteral("saveas"),
            QStringLiteral("reopen"),    QStringLiteral("copy"),          QStringLiteral("paste"),
            QStringLiteral("duplicate"), QStringLiteral("replicate"),     QStringLiteral("template-save"),
            QStringLiteral("template-apply"), QStringLiteral("print"),    QStringLiteral("export"),
            QStringLiteral("sheet-pdf"), QStringLiteral("sheet-eps"),     QStringLiteral("sheet-tiff"),
            QStringLiteral("export-eps"), QStringLiteral("export-png"),   QStringLiteral("export-seq-pdf"),
            QStringLiteral("export-seq-png")};
}

QList<Command> commands()
{
    RectsView *canvas = window().canvas();
    return {
        {QStringLiteral("open"),
         [] {
             answers->nextPath = designFile;
             trigger(QStringLiteral("File"), QStringLiteral("Open..."));
         }},
        {QStringLiteral("save"),
         [canvas] {
             canvas->setFilePath(scratch(QStringLiteral("saved.qkdoc")));
             canvas->wasChanged(true);
             trigger(QStringLiteral("File"), QStringLiteral("Save"));
         }},
        {QStringLiteral("saveas"),
         [] {
             answers->nextPath = scratch(QStringLiteral("saved as.qkdoc"));
             answers->nextType = 0;
             trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
         }},
        {QStringLiteral("reopen"),
         [] {
             answers->nextPath = scratch(QStringLiteral("saved as.qkdoc"));
             trigger(QStringLiteral("File"), QStringLiteral("Open..."));
         }},
        {QStringLiteral("copy"), [] { trigger(QStringLiteral("Edit"), QStringLiteral("Copy")); }},
        {QStringLiteral("paste"), [] { trigger(QStringLiteral("Edit"), QStringLiteral("Paste")); }},
        {QStringLiteral("duplicate"), [] { trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate")); }},
        {QStringLiteral("replicate"), [] { trigger(QStringLiteral("Edit"), QStringLiteral("Replicate")); }},
        {QStringLiteral("template-save"), [] { trigger(QStringLiteral("File"), QStringLiteral("Save as Template...")); }},
        {QStringLiteral("template-apply"), [canvas] { canvas->setupNewTemplate(newestTemplate(), false); }},
        {QStringLiteral("print"), [] { trigger(QStringLiteral("File"), QStringLiteral("Print...")); }},
        {QStringLiteral("export"),
         [] {
             answers->nextPath = scratch(QStringLiteral("label.pdf"));
             answers->nextType = int(ExportFormat::PDF);
             trigger(QStringLiteral("File"), QStringLiteral("Export..."));
         }},
        {QStringLiteral("sheet-pdf"),
         [] {
             answers->nextPath = scratch(QStringLiteral("sheet.pdf"));
             answers->nextType = 1;
             trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
         }},
        {QStringLiteral("sheet-eps"),
         [] {
             answers->nextPath = scratch(QStringLiteral("sheet.eps"));
             answers->nextType = 2;
             trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
         }},
        {QStringLiteral("sheet-tiff"),
         [] {
             answers->nextPath = scratch(QStringLiteral("sheet.tiff"));
             answers->nextType = 3;
             trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
         }},
        {QStringLiteral("export-eps"),
         [] {
             answers->nextPath = scratch(QStringLiteral("label.eps"));
             answers->nextType = int(ExportFormat::EPS);
             trigger(QStringLiteral("File"), QStringLiteral("Export..."));
         }},
        {QStringLiteral("export-png"),
         [] {
             answers->nextPath = scratch(QStringLiteral("label.png"));
             answers->nextType = int(ExportFormat::PNG);
             trigger(QStringLiteral("File"), QStringLiteral("Export..."));
         }},
        // Three records' files through the run the panel of Export Sequential starts.
        {QStringLiteral("export-seq-pdf"),
         [canvas] {
             canvas->exportSequentialFiles(scratch(QStringLiteral("labels.pdf")), int(ExportFormat::PDF), 1, 3, 300.0);
         }},
        {QStringLiteral("export-seq-png"),
         [canvas] {
             canvas->exportSequentialFiles(scratch(QStringLiteral("labels.png")), int(ExportFormat::PNG), 1, 3, 300.0);
         }},
    };
}

// What each command needs before it that is not measured: the design open, and for the
// commands on objects the whole design selected (copied for Paste; saved for the second Open
// and for the template applied).
void prepare(const QString &key)
{
    RectsView *canvas = window().canvas();
    if (key != QLatin1String("open") && canvas->getRects().isEmpty()) {
        answers->nextPath = designFile;
        trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    }
    if (key == QLatin1String("reopen") && !QFileInfo::exists(scratch(QStringLiteral("saved as.qkdoc")))) {
        answers->nextPath = scratch(QStringLiteral("saved as.qkdoc"));
        answers->nextType = 0;
        trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    }
    if (key == QLatin1String("copy") || key == QLatin1String("duplicate") || key == QLatin1String("replicate"))
        selectAll();
    if (key == QLatin1String("paste")) {
        selectAll();
        trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
        canvas->clearSelection();
    }
    // The template applied is this design's own, saved now: another design's process may
    // have left one of its own in the shared folder.
    if (key == QLatin1String("template-apply"))
        trigger(QStringLiteral("File"), QStringLiteral("Save as Template..."));
    // The canvas drawn as all that left it: a selection of thousands of objects may take longer
    // to draw than the turns below, and is no part of the command.
    canvas->repaint();
    turnFor(300);
}

// ---- the watch over a design's process ----

std::atomic<qint64> commandStarted{0};
qint64 limitMb()
{
    const int mb = qEnvironmentVariableIntValue("LARGE_DESIGN_BENCH_LIMIT_MB");
    return mb > 0 ? mb : 4000;
}
qint64 limitS()
{
    const int s = qEnvironmentVariableIntValue("LARGE_DESIGN_BENCH_LIMIT_S");
    return s > 0 ? s : 120;
}

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void watch()
{
    std::thread([] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (statusKb("VmRSS:") / 1024 > limitMb()) {
                std::printf("STOPPED memory\n");
                std::fflush(stdout);
                workDir().remove();
                _exit(3);
            }
            const qint64 started = commandStarted.load();
            if (started > 0 && nowMs() - started > limitS() * 1000) {
                std::printf("STOPPED time\n");
                std::fflush(stdout);
                workDir().remove();
                _exit(4);
            }
        }
    }).detach();
}

// In a process of its own: the design's file made (LARGE_DESIGN_BENCH_MAKE names the design;
// the file's path is printed), or one command measured on it (LARGE_DESIGN_BENCH_FILE and
// LARGE_DESIGN_BENCH_COMMAND).
int runChild()
{
    watch();
    RectsView *canvas = window().canvas();
    if (qEnvironmentVariableIsSet("LARGE_DESIGN_BENCH_MAKE")) {
        const QString key = qEnvironmentVariable("LARGE_DESIGN_BENCH_MAKE");
        commandStarted = nowMs();
        for (const Design &design : designs())
            if (design.key == key)
                std::printf("FILE %s\n", qPrintable(design.make()));
        std::fflush(stdout);
        return 0;
    }
    designFile = qEnvironmentVariable("LARGE_DESIGN_BENCH_FILE");
    const QString key = qEnvironmentVariable("LARGE_DESIGN_BENCH_COMMAND");
    auto printPanels = std::make_unique<PrintAnswers>();
    // LARGE_DESIGN_BENCH_PRINTED keeps what Print wrote there, to look at it.
    printPanels->file = qEnvironmentVariableIsSet("LARGE_DESIGN_BENCH_PRINTED")
                            ? qEnvironmentVariable("LARGE_DESIGN_BENCH_PRINTED")
                            : scratch(QStringLiteral("printed.pdf"));
    PrintPanels::install(std::move(printPanels));
    PaintWatch painted;
    canvas->installEventFilter(&painted);
    Heartbeat heartbeat;
    for (const Command &command : commands()) {
        if (command.key != key)
            continue;
        commandStarted = nowMs();
        prepare(command.key);
        std::printf("BEGIN %s\n", qPrintable(command.key));
        std::fflush(stdout);
        commandStarted = nowMs();
        const qint64 before = statusKb("VmRSS:");
        resetPeakMemory();
        painted.painted = false;
        QElapsedTimer timer;
        timer.start();
        heartbeat.start();
        command.run();
        // The command's own work, then the canvas drawing what it left.
        const double commandMs = heartbeat.stopMs();
        heartbeat.start();
        canvas->update();
        while (!painted.painted && timer.elapsed() < limitS() * 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double totalMs = double(timer.nsecsElapsed()) / 1e6;
        const double drawnMs = heartbeat.stopMs();
        const double peakMb = double(statusKb("VmHWM:") - before) / 1024.0;
        std::printf("RESULT %s %.1f %.1f %.1f %lld %.1f\n", qPrintable(command.key), std::max(commandMs, drawnMs),
                    totalMs, peakMb, qint64(canvas->getRects().size()), commandMs);
        std::fflush(stdout);
    }
    commandStarted = 0;
    // Letting go of a large design is no part of any command.
    std::fflush(stdout);
    workDir().remove();
    _exit(0);
}

// Runs the program again for one step; its standard output.
QByteArray runStep(const QMap<QString, QString> &variables, int *status)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LARGE_DESIGN_BENCH_CHILD"), QStringLiteral("1"));
    for (auto it = variables.cbegin(); it != variables.cend(); ++it)
        environment.insert(it.key(), it.value());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    child.waitForFinished(-1);
    *status = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    const QByteArray errors = child.readAllStandardError();
    if (*status != 0 && *status != 3 && *status != 4)
        std::fprintf(stderr, "%s\n", errors.constData());
    return child.readAllStandardOutput();
}

// The parent: the design made in a process of its own, then each command in one of its own.
int runAll()
{
    const QStringList chosenDesigns = qEnvironmentVariable("LARGE_DESIGN_BENCH_DESIGNS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QStringList chosenCommands = qEnvironmentVariable("LARGE_DESIGN_BENCH_COMMANDS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    std::map<QString, std::map<QString, QString>> table;
    QStringList designKeys;
    for (const Design &design : designs())
        if (chosenDesigns.isEmpty() || chosenDesigns.contains(design.key) || design.key == QLatin1String("four"))
            designKeys << design.key;
    QStringList runKeys;
    for (const QString &key : commandKeys())
        if (chosenCommands.isEmpty() || chosenCommands.contains(key))
            runKeys << key;
    const QString folder = workDir().path();
    for (const QString &design : designKeys) {
        int status = 0;
        QString file;
        for (const QByteArray &line : runStep({{QStringLiteral("LARGE_DESIGN_BENCH_MAKE"), design}}, &status).split('\n'))
            if (line.startsWith("FILE "))
                file = QString::fromUtf8(line.mid(5));
        if (file.isEmpty()) {
            std::fprintf(stderr, "%s: the design could not be made (status %d)\n", qPrintable(design), status);
            continue;
        }
        for (const QString &command : runKeys) {
            QString figure = QStringLiteral("failed | | | ");
            bool begun = false;
            const QByteArray output = runStep({{QStringLiteral("LARGE_DESIGN_BENCH_FILE"), file},
                                               {QStringLiteral("LARGE_DESIGN_BENCH_COMMAND"), command}},
                                              &status);
            for (const QByteArray &line : output.split('\n')) {
                const QList<QByteArray> words = line.split(' ');
                if (words.value(0) == "BEGIN")
                    begun = true;
                if (words.value(0) == "RESULT" && words.size() >= 7)
                    figure = QStringLiteral("%1 | %2 | %3 | %4")
                                 .arg(QString::fromLatin1(words[6]), QString::fromLatin1(words[2]),
                                      QString::fromLatin1(words[3]), QString::fromLatin1(words[4]));
            }
            if (status == 3)
                figure = begun ? QStringLiteral("over %1 MB | | | ").arg(limitMb())
                               : QStringLiteral("opening: over %1 MB | | | ").arg(limitMb());
            else if (status == 4)
                figure = begun ? QStringLiteral("over %1 s | | | ").arg(limitS())
                               : QStringLiteral("opening: over %1 s | | | ").arg(limitS());
            else if (status != 0)
                figure = QStringLiteral("failed (%1) | | | ").arg(status);
            table[design][command] = figure;
            std::fprintf(stderr, "%s %s: %s\n", qPrintable(design), qPrintable(command), qPrintable(figure));
        }
        QFile::remove(file);
    }
    Q_UNUSED(folder);
    std::printf("| design | command | command's block ms | block until drawn ms | done ms | peak growth MB | floor: "
                "command ms | drawn ms | done ms | peak MB |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    for (const QString &design : designKeys)
        for (const QString &command : runKeys)
            std::printf("| %s | %s | %s | %s |\n", qPrintable(design), qPrintable(command),
                        qPrintable(table[design].count(command) ? table[design][command] : QStringLiteral("-")),
                        qPrintable(table[QStringLiteral("four")][command]));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const bool child = qEnvironmentVariableIsSet("LARGE_DESIGN_BENCH_CHILD");
    if (!child) {
        if (!prepareRealScreen("bench_large_design_bench"))
            return 2;
        QCoreApplication app(argc, argv);
        registerAllKinds();
        qputenv("LARGE_DESIGN_BENCH_FOLDER", workDir().path().toUtf8());
        return runAll();
    }
    if (!prepareRealScreen("bench_large_design_bench"))
        return 2;
    // The pictures a design's file names are kept with the user's clip-art: every process of
    // the run shares the user's folders.
    qputenv("XDG_DATA_HOME", (designFolder() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (designFolder() + QStringLiteral("/config")).toUtf8());
    QApplication app(argc, argv);
    if (!onRealScreen("bench_large_design_bench"))
        return 2;
    auto installed = std::make_unique<Answers>();
    answers = installed.get();
    Prompts::install(std::move(installed));
    RectsView::setTerminatePromptFlag(true);
    return runChild();
}
