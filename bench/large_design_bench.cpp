// Every reader and writer of a design run through the real window on large designs: the longest
// time the window did not answer (the longest gap between two turns of its event loop), the
// time until the command was done and drawn, and the growth of the process's peak memory over
// the command, each beside the same command on the design of four objects (the floor: what the
// command costs on any design).
//
// Designs: the four objects; 10,000 objects of each kind the object factory knows (each made
// as a user makes it: text in boxes and along ovals, a zigzag in paths, data in barcodes, a
// field in merge fields); 10,000 rectangles showing one photograph; one chain of 1,000 and one
// of 10,000 linked text boxes whose text is a line a box, written in the layout of earlier
// versions (every box carrying the chain's whole text); and the mixed design of 20,000 objects
// (every kind in turn, one box in nine showing the photograph, text boxes linked by fives, one
// pair in ten grouped).
//
// Commands, in this order on the design opened: File > Open...; File > Save (to a file of its
// own); File > Save As...; Open again of what Save wrote (what Revert would do: the program
// has no Revert of its own); Edit > Select All and Copy, then Paste; Duplicate; Replicate;
// File > Save as Template... and the template applied again from its file; File > Print... to
// a PDF file; File > Export... as PDF; File > Save As... PDF of the whole sheet.
//
// Each design runs in a process of its own, watched: a command that takes the process past
// LARGE_DESIGN_BENCH_LIMIT_MB of memory (4,000 unless set) or LARGE_DESIGN_BENCH_LIMIT_S
// seconds (120 unless set) is stopped and reported so; the process starts again on the
// commands after it. LARGE_DESIGN_BENCH_DESIGNS and LARGE_DESIGN_BENCH_COMMANDS choose (keys
// as printed); LARGE_DESIGN_BENCH_SCALE multiplies every count (0.1 for a short run).
//
// Runs under Xvfb at 96 dpi on the xcb platform (QT_QPA_PLATFORM unset):
//   xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' ./bench_large_design_bench
// Build with -DQM_BENCH=ON in a Release build.
#include <QAction>
#include <QApplication>
#include <QDialog>
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

#include "BenchSupport.h"
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
            if (action->text() == item)
                return action;
    }
    qFatal("no menu item %s > %s", qPrintable(menu), qPrintable(item));
}

void trigger(const QString &menu, const QString &item)
{
    QAction *action = menuItem(menu, item);
    // The File menu enables some of its items as it opens.
    if (QMenu *owner = qobject_cast<QMenu *>(action->parent()))
        emit owner->aboutToShow();
    action->setEnabled(true);
    action->trigger();
}

// The longest gap between two turns of the event loop while it runs.
class Heartbeat
{
public:
    Heartbeat()
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_clock.nsecsElapsed());
            m_clock.restart();
        });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_timer.start();
    }
    double stopMs()
    {
        m_timer.stop();
        m_longest = std::max(m_longest, m_clock.nsecsElapsed());
        return double(m_longest) / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    return -1;
}

void resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void settle(int ms = 150)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// ---- the designs ----

GraphicPtr placed(const GraphicPtr &graphic)
{
    graphic->setPageName(window().canvas()->getCurrPageName());
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

QString photoPath()
{
    const QString path = scratch(QStringLiteral("photo.jpg"));
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

// An object of the kind as a user makes it: every kind shows something of its own.
GraphicPtr objectOfKind(const QString &kind, const QRectF &frame, int i)
{
    GraphicPtr graphic = ObjectFactory::create(kind);
    if (!graphic)
        return nullptr;
    graphic->setFrameBounds(frame);
    placed(graphic);
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

GraphicPtr photoBox(const QRectF &frame)
{
    GraphicPtr box = placed(ColorRect::create(frame));
    box->setImagePath(photoPath());
    return box;
}

QRectF gridFrame(int i, double side = 1.6)
{
    return QRectF(2 + (i % 100) * 1.8, 2 + (i / 100) * 1.8, side, side);
}

// The design as the program's writer writes it, with the groups given.
QString written(const QString &name, const GraphicList &graphics, const QList<std::shared_ptr<Group>> &groups = {})
{
    RectsView *canvas = window().canvas();
    QVariantMap dict = canvas->drawDocumentDictionaryForGraphics(graphics);
    if (!groups.isEmpty()) {
        QVariantList stored;
        for (const auto &group : groups)
            stored.append(group->propertyListRepresentation(graphics));
        dict.insert(QStringLiteral("GroupsList"), stored);
    }
    for (const auto &group : groups)
        group->clear();
    const QString path = scratch(name + QStringLiteral(".qkdoc"));
    if (!PropertyList::writeFile(path, dict, PlistFormat::Binary))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

QString fourObjects()
{
    GraphicList objects;
    objects.append(placed(ColorRect::create(QRectF(10, 10, 60, 30))));
    objects.append(placed(ObjectFactory::create(QStringLiteral("ColorOval"))));
    objects.last()->setFrameBounds(QRectF(80, 10, 40, 40));
    GraphicPtr text = placed(ColorRect::create(QRectF(10, 60, 150, 40)));
    text->textStorage()->setPlainText(QStringLiteral("Four objects"));
    objects.append(text);
    auto path = ColorPath::create(QRectF(130, 60, 40, 40));
    path->setBezierPath(zigzag(QRectF(130, 60, 40, 40), 4, 1));
    objects.append(placed(path));
    return written(QStringLiteral("four"), objects);
}

QString ofKind(const QString &kind, int count)
{
    GraphicList objects;
    for (int i = 0; i < count; ++i)
        if (GraphicPtr graphic = objectOfKind(kind, gridFrame(i), i))
            objects.append(graphic);
    return written(kind, objects);
}

QString photos(int count)
{
    GraphicList objects;
    for (int i = 0; i < count; ++i)
        objects.append(photoBox(gridFrame(i)));
    return written(QStringLiteral("photos"), objects);
}

// A chain of boxes in the layout earlier versions wrote: the first box lists the others, and
// every box carries the chain's whole text. Made without linking, so that the writer of any
// version writes it alike and fast.
QString chain(int boxes)
{
    GraphicList objects;
    QString text;
    for (int i = 0; i < boxes; ++i) {
        objects.append(placed(ColorRect::create(QRectF(4 + (i % 50) * 42.0, 4 + (i / 50) * 13.0, 40, 12))));
        text += QStringLiteral("Line %1 of the chain\n").arg(i + 1);
    }
    objects.first()->textStorage()->setPlainText(text);
    RectsView *canvas = window().canvas();
    QVariantMap dict = canvas->drawDocumentDictionaryForGraphics(objects);
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
    const QString path = scratch(QStringLiteral("chain%1.qkdoc").arg(boxes));
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
    ColorRect *chainLast = nullptr;
    int chained = 0;
    for (int i = 0; i < count; ++i) {
        const int k = i % turn;
        GraphicPtr graphic = k < kinds.size() ? objectOfKind(kinds[k], gridFrame(i), i) : photoBox(gridFrame(i));
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
    return written(QStringLiteral("mixed"), objects, groups);
}

struct Design
{
    QString key;
    std::function<QString()> make;
};

QList<Design> designs()
{
    QList<Design> list;
    list.append({QStringLiteral("four"), fourObjects});
    for (const QString &kind : knownKinds())
        list.append({kind, [kind] { return ofKind(kind, scaled(10000)); }});
    list.append({QStringLiteral("photos"), [] { return photos(scaled(10000)); }});
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
            QStringLiteral("sheet-pdf")};
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
    if (key == QLatin1String("template-apply") && newestTemplate().isEmpty())
        trigger(QStringLiteral("File"), QStringLiteral("Save as Template..."));
    settle(300);
}

// Undoes what the command added, so that the next one works on the design as opened.
void restore(const QString &key)
{
    RectsView *canvas = window().canvas();
    canvas->clearSelection();
    if (key == QLatin1String("paste") || key == QLatin1String("duplicate") || key == QLatin1String("replicate")
        || key == QLatin1String("template-apply")) {
        answers->nextPath = designFile;
        trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    }
    settle();
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
                _exit(3);
            }
            const qint64 started = commandStarted.load();
            if (started > 0 && nowMs() - started > limitS() * 1000) {
                std::printf("STOPPED time\n");
                std::fflush(stdout);
                _exit(4);
            }
        }
    }).detach();
}

// In a design's own process: the commands given, each measured.
int runDesign(const QString &key, const QStringList &chosen)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "run under Xvfb at 96 dpi with QT_QPA_PLATFORM unset (platform: %s)\n",
                     qPrintable(QGuiApplication::platformName()));
        return 2;
    }
    RectsView *canvas = window().canvas();
    for (const Design &design : designs())
        if (design.key == key)
            designFile = design.make();
    if (designFile.isEmpty())
        return 2;
    auto printPanels = std::make_unique<PrintAnswers>();
    printPanels->file = scratch(QStringLiteral("printed.pdf"));
    PrintPanels::install(std::move(printPanels));
    watch();
    PaintWatch painted;
    canvas->installEventFilter(&painted);
    Heartbeat heartbeat;
    for (const Command &command : commands()) {
        if (!chosen.contains(command.key))
            continue;
        std::printf("BEGIN %s\n", qPrintable(command.key));
        std::fflush(stdout);
        commandStarted = nowMs();
        prepare(command.key);
        const qint64 before = statusKb("VmRSS:");
        resetPeakMemory();
        painted.painted = false;
        QElapsedTimer timer;
        timer.start();
        heartbeat.start();
        command.run();
        // Done once the canvas has drawn what the command left.
        canvas->update();
        while (!painted.painted && timer.elapsed() < limitS() * 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double totalMs = double(timer.nsecsElapsed()) / 1e6;
        const double blockMs = heartbeat.stopMs();
        const double peakMb = double(statusKb("VmHWM:") - before) / 1024.0;
        std::printf("RESULT %s %.1f %.1f %.1f %lld\n", qPrintable(command.key), blockMs, totalMs, peakMb,
                    qint64(canvas->getRects().size()));
        std::fflush(stdout);
        commandStarted = nowMs();
        restore(command.key);
    }
    commandStarted = 0;
    return 0;
}

// The parent: a process per design, started again after a command it had to stop.
int runAll()
{
    const QStringList allCommands = commandKeys();
    const QStringList chosenDesigns = qEnvironmentVariable("LARGE_DESIGN_BENCH_DESIGNS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QStringList chosenCommands = qEnvironmentVariable("LARGE_DESIGN_BENCH_COMMANDS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    std::map<QString, std::map<QString, QString>> table;
    QStringList designKeys;
    for (const Design &design : designs())
        if (chosenDesigns.isEmpty() || chosenDesigns.contains(design.key) || design.key == QLatin1String("four"))
            designKeys << design.key;
    QStringList runKeys;
    for (const QString &key : allCommands)
        if (chosenCommands.isEmpty() || chosenCommands.contains(key))
            runKeys << key;
    for (const QString &design : designKeys) {
        QStringList left = runKeys;
        while (!left.isEmpty()) {
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("LARGE_DESIGN_BENCH_CHILD"), design);
            environment.insert(QStringLiteral("LARGE_DESIGN_BENCH_CHILD_COMMANDS"), left.join(QLatin1Char(',')));
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::SeparateChannels);
            child.start(QCoreApplication::applicationFilePath(), {});
            child.waitForFinished(-1);
            QString current;
            QString stopped;
            for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
                const QList<QByteArray> words = line.split(' ');
                if (words.value(0) == "BEGIN") {
                    current = QString::fromLatin1(words.value(1));
                } else if (words.value(0) == "RESULT" && words.size() >= 6) {
                    const QString command = QString::fromLatin1(words[1]);
                    table[design][command] = QStringLiteral("%1 | %2 | %3")
                                                 .arg(QString::fromLatin1(words[2]), QString::fromLatin1(words[3]),
                                                      QString::fromLatin1(words[4]));
                    left.removeAll(command);
                    current.clear();
                } else if (words.value(0) == "STOPPED") {
                    stopped = QString::fromLatin1(words.value(1));
                }
            }
            if (current.isEmpty()) {
                if (!left.isEmpty()) {
                    std::fprintf(stderr, "%s: the process ended before %s (status %d)\n%s\n", qPrintable(design),
                                 qPrintable(left.first()), child.exitCode(), child.readAllStandardError().constData());
                    for (const QString &command : left)
                        table[design][command] = QStringLiteral("failed");
                    left.clear();
                }
                break;
            }
            table[design][current] = stopped == QLatin1String("memory")
                                         ? QStringLiteral("over %1 MB").arg(limitMb())
                                         : stopped == QLatin1String("time") ? QStringLiteral("over %1 s").arg(limitS())
                                                                            : QStringLiteral("crashed");
            left.removeAll(current);
        }
        std::fprintf(stderr, "%s done\n", qPrintable(design));
    }
    std::printf("| design | command | longest block ms | done ms | peak growth MB | floor: block ms | done ms | peak MB |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
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
        QCoreApplication app(argc, argv);
        registerAllKinds();
        return runAll();
    }
    qputenv("XDG_DATA_HOME", workDir().filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", workDir().filePath(QStringLiteral("config")).toUtf8());
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brenholt"));
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    auto installed = std::make_unique<Answers>();
    answers = installed.get();
    Prompts::install(std::move(installed));
    RectsView::setTerminatePromptFlag(true);
    return runDesign(qEnvironmentVariable("LARGE_DESIGN_BENCH_CHILD"),
                     qEnvironmentVariable("LARGE_DESIGN_BENCH_CHILD_COMMANDS").split(QLatin1Char(',')));
}
