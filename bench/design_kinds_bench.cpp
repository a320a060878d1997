// Designs of every kind and size worked on through the real window, each beside the design of
// four objects measured the same way in the same run (the floor: what any design costs):
//   a  10,000 objects of every kind: a fifth each text boxes, ovals with text along them,
//      lines, paths and filled rectangles; one pair in every ten objects grouped
//   b  10,000 text boxes
//   c  one paragraph of 100,000 formatted runs
//   d  one path of 200,000 random points, crossing itself
//   e  50,000 rectangles (the most whose Duplicate stays within the objects a design may hold)
//   f  a text of 200,000 paragraphs (only its Save is timed)
//   g  10,000 pictures and barcodes: every other object a picture (eight photographs, each
//      placed many times, as a logo is), a barcode of its own data between them
// For each: File > Open until the canvas has drawn it, Edit > Select All, the right arrow key,
// Edit > Undo, Edit > Duplicate, Edit > Cut of the copies and Edit > Paste of them, and
// File > Save, each until the canvas has drawn it again, and
// the longest time the window did not answer (the longest gap between two turns of the event
// loop) from the Open to the end of the Save. Beside the steps: a repaint alone (what every step
// includes; the copies just pasted are selected), beside its floor ("floor: repaint ms": QPainter
// alone drawing, at the canvas's zoom, the same fills and strokes of what the canvas shows, the
// glyphs of the lines each text box keeps and of the texts along ovals, and the marks of the
// selection, everything gathered beforehand), and one with every object selected, beside the
// floor of its marks (QPainter alone filling the knobs' squares and copying the link marks),
// and for Save the time until the command returned and the processor time the
// window's thread spent in it. Beside them: the peak memory of opening (e) per rectangle (in a
// process of its own) and its floor (the file's bytes and as many rectangles made without
// reading them), the peak of its Duplicate per object, the fills of the path of (d) that one repaint of the canvas asks for, and the
// floors of saving: libplist writing the tree of the same document, our writer, and the bytes
// written to disk alone. For (c), after the Save: letters typed at the start of its text (each
// until drawn, and the longest the window did not answer), and the floor of reading it: the
// same runs put into a new document by Qt alone, each distinct format made once.
// Beside Open, its floor ("floor: open ms"): libplist reading the file and the archives inside
// it, and Qt alone building each text from the same runs and laying out the lines its box
// holds, on one thread (drawing apart: the floor of the repaint).
// For (g), the floor of its repaint: the bars and text of the barcodes in view filled by
// QPainter alone, laid out beforehand, and the pictures of them the canvas keeps copied by
// QPainter alone, made beforehand. Beside the steps, a click on the empty canvas with nothing
// selected (the longest the window did not answer, and how often the canvas was drawn for it),
// one after Undo that takes the selection away, and the repaint, Select All, the nudge, Undo, a click on the empty canvas that takes the
// selection away and Duplicate again on the design opened anew, each right after every
// barcode forgot what it kept of its drawing ("before kept drawings: ..."). After the Open (g)
// is zoomed to 155 %, then Zoom In and Zoom Out follow
// (each until the canvas answers, then until every picture asked for is drawn), the right
// arrow key with nothing selected (how often the canvas was drawn for it), and on the design
// opened anew Select All, Duplicate (until drawn, then until every picture is) and Undo right
// after the Open, before any picture of a barcode exists. For (g) every step also gives the
// longest time the window did not answer in it ("... longest unanswered ms"). Run it under
// Xvfb at 96 dpi (a display makes the window a real one); DESIGN_KINDS_BENCH_SCALE=2 gives
// 10,000 barcodes.
// The picture of the path of (d) and of its selection's dashed outline are made off the window's
// thread: beside Open and Select All (until the canvas first answers) come the time until the
// canvas shows the path (or the outline) drawn and the longest time the window did not answer
// meanwhile; "d1" is the same design with those pictures made on the window's thread, as
// before; the floor is one antialiased Qt fill of the path alone at the canvas's zoom. Beside
// them, the processor time the fills and the strokes of the large path took while it opened,
// on whichever thread made them.
// For (d) and the four objects, Save, Copy, Duplicate and Cut again right after File > Open and
// right after a resize of the largest object, before the pictures the screen keeps of them
// have arrived: the longest the window did not answer in each ("after open: save longest
// unanswered ms"...), the four objects' the floor.
//
// DESIGN_KINDS_BENCH_DESIGNS lists the designs to run ("four,a,b,c,d,e,f,g,four" unless set);
// DESIGN_KINDS_BENCH_SCALE multiplies every count (1 unless set, 0.1 for a short run);
// DESIGN_KINDS_BENCH_RUNS repeats each (1 unless set); DESIGN_KINDS_BENCH_DIR keeps the designs;
// DESIGN_KINDS_PERF_TIMES writes when each step starts and ends, for `perf report --time`.
// Build with -DQM_BENCH=ON in a Release build; run it under Xvfb at 96 dpi (WindowBench.h).
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRawFont>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <plist/plist.h>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "WindowBench.h"
#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "barcodes/ColorBarcode.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/KnobResize.h"
#include "objects/ObjectFactory.h"
#include "objects/PictureWorker.h"
#include "objects/TextFlow.h"
#include "platform/BezierPath.h"
#include "platform/Pen.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"

using namespace quillmark;
using namespace qmbench;

// The zoom (g) is worked on at after its Open.
constexpr double BarcodeZoom = 1.55;

// ---- counting the fills of large paths ----
// The painter calls that rasterise a path are counted here, before Qt's own, when the path is
// large: the program's drawing calls them through these definitions.
namespace {
// The worker's thread fills too.
std::atomic<int> largePathFills = 0;
// Set for the run: half the points of the path of (d).
int LargePath = 100000;
// The processor time those calls took on whichever thread made them, fills and strokes apart:
// what a picture of the large path costs beside one Qt fill of it.
std::atomic<qint64> largePathFillNs = 0;
std::atomic<qint64> largePathStrokeNs = 0;

qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Runs a painter call, its processor time added to `into` when the path is large.
template <typename Call>
void timedWhenLarge(const QPainterPath &path, std::atomic<qint64> &into, Call &&call)
{
    if (path.elementCount() < LargePath) {
        call();
        return;
    }
    ++largePathFills;
    const qint64 start = threadCpuNs();
    call();
    into += threadCpuNs() - start;
}

template <typename Fn>
Fn realPainterCall(const char *symbol)
{
    void *found = dlsym(RTLD_NEXT, symbol);
    if (!found)
        qFatal("no %s in Qt", symbol);
    return reinterpret_cast<Fn>(found);
}
} // namespace

void QPainter::drawPath(const QPainterPath &path)
{
    using Fn = void (*)(QPainter *, const QPainterPath &);
    static const Fn real = realPainterCall<Fn>("_ZN8QPainter8drawPathERK12QPainterPath");
    timedWhenLarge(path, largePathFillNs, [&] { real(this, path); });
}

void QPainter::fillPath(const QPainterPath &path, const QBrush &brush)
{
    using Fn = void (*)(QPainter *, const QPainterPath &, const QBrush &);
    static const Fn real = realPainterCall<Fn>("_ZN8QPainter8fillPathERK12QPainterPathRK6QBrush");
    timedWhenLarge(path, largePathFillNs, [&] { real(this, path, brush); });
}

void QPainter::strokePath(const QPainterPath &path, const QPen &pen)
{
    using Fn = void (*)(QPainter *, const QPainterPath &, const QPen &);
    static const Fn real = realPainterCall<Fn>("_ZN8QPainter10strokePathERK12QPainterPathRK4QPen");
    timedWhenLarge(path, largePathStrokeNs, [&] { real(this, path, pen); });
}

void QPainter::setClipPath(const QPainterPath &path, Qt::ClipOperation operation)
{
    using Fn = void (*)(QPainter *, const QPainterPath &, Qt::ClipOperation);
    static const Fn real = realPainterCall<Fn>("_ZN8QPainter11setClipPathERK12QPainterPathN2Qt13ClipOperationE");
    timedWhenLarge(path, largePathFillNs, [&] { real(this, path, operation); });
}

namespace {

double scale()
{
    bool ok = false;
    const double s = qEnvironmentVariable("DESIGN_KINDS_BENCH_SCALE").toDouble(&ok);
    return ok && s > 0 ? s : 1.0;
}

int scaled(int count)
{
    return std::max(1, int(std::lround(count * scale())));
}

int runs()
{
    const int n = qEnvironmentVariableIntValue("DESIGN_KINDS_BENCH_RUNS");
    return n > 0 ? n : 1;
}

BenchPrompts *prompts = nullptr;

MainWindow &window()
{
    return benchWindow();
}

QAction *menuItem(const QString &menu, const QString &item)
{
    return qmbench::menuItem(&window(), menu, item);
}

GraphicPtr placed(const GraphicPtr &graphic)
{
    return qmbench::placed(*window().canvas(), graphic);
}

QString designFolder()
{
    const QString kept = qEnvironmentVariable("DESIGN_KINDS_BENCH_DIR");
    return kept.isEmpty() ? workDir().path() : kept;
}

template <typename Fill>
QString savedDesign(const QString &name, Fill fill)
{
    return qmbench::savedDesign(*window().canvas(), designFolder(), name, fill);
}

GraphicPtr textBox(const QRectF &frame, const QString &text)
{
    return qmbench::textBox(*window().canvas(), frame, text);
}

QString fourObjects()
{
    return qmbench::fourObjects(*window().canvas(), designFolder());
}

// (a): 100 across, the rest down, each kind in turn; every tenth object grouped with the next.
QString everyKind(int count)
{
    return savedDesign(QStringLiteral("Every Kind %1").arg(count), [count](GraphicList &objects, auto &groups) {
        for (int i = 0; i < count; ++i) {
            const QRectF frame(2 + (i % 100) * 1.8, 2 + (i / 100) * 1.8, 1.6, 1.6);
            switch (i % 5) {
            case 0:
                objects.append(textBox(frame, QStringLiteral("Box %1").arg(i)));
                break;
            case 1: {
                GraphicPtr oval = placed(ColorOval::create(frame));
                oval->textStorage()->setPlainText(QStringLiteral("Along the oval %1").arg(i));
                objects.append(oval);
                break;
            }
            case 2:
                objects.append(placed(ColorLine::create(frame)));
                break;
            case 3: {
                auto path = ColorPath::create(frame);
                path->setBezierPath(zigzag(frame, 12, quint32(i)));
                objects.append(placed(path));
                break;
            }
            default: {
                GraphicPtr rect = placed(ColorRect::create(frame));
                rect->setDrawsFill(true);
                rect->setFillColor(QColor::fromHsv(i % 360, 120, 230));
                objects.append(rect);
                break;
            }
            }
        }
        for (int i = 0; i + 1 < count; i += 10) {
            auto group = Group::create();
            group->addObjects({objects[i], objects[i + 1]});
            groups.append(group);
        }
    });
}

QString textBoxes(int count)
{
    return qmbench::textBoxes(*window().canvas(), designFolder(), count);
}

QString formattedRuns(int count)
{
    return qmbench::formattedRuns(*window().canvas(), designFolder(), count);
}

QString randomPath(int points)
{
    return qmbench::randomPath(*window().canvas(), designFolder(), points);
}

QString rectangles(int count)
{
    return savedDesign(QStringLiteral("Rectangles %1").arg(count), [count](GraphicList &objects, auto &) {
        for (int i = 0; i < count; ++i) {
            GraphicPtr rect = placed(ColorRect::create(QRectF(2 + (i % 200) * 0.9, 2 + (i / 200) * 0.3, 0.8, 0.25)));
            rect->setDrawsFill(true);
            rect->setFillColor(QColor::fromHsv(i % 360, 120, 230));
            objects.append(rect);
        }
    });
}

QString paragraphs(int count)
{
    return savedDesign(QStringLiteral("Paragraphs %1").arg(count), [count](GraphicList &objects, auto &) {
        GraphicPtr box = placed(ColorRect::create(QRectF(5, 5, 180, 90)));
        QString text;
        for (int i = 0; i < count; ++i)
            text += QStringLiteral("Paragraph %1\n").arg(i);
        box->textStorage()->setPlainText(text);
        objects.append(box);
    });
}

// (g): pictures and barcodes: a picture in every other place (eight photographs of 400 x 300
// pixels, each placed many times, as a logo is) and a barcode of its own data between them.
QString picturesAndBarcodes(int count)
{
    return savedDesign(QStringLiteral("Pictures and Barcodes %1").arg(count), [count](GraphicList &objects, auto &) {
        QList<QImage> photos;
        QRandomGenerator random(7);
        for (int p = 0; p < 8; ++p) {
            QImage photo(400, 300, QImage::Format_RGB32);
            for (int y = 0; y < photo.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
                for (int x = 0; x < photo.width(); ++x)
                    line[x] = qRgb((x + p * 30) % 256, (y * 2) % 256, int(random.bounded(64)) + p * 20);
            }
            photos.append(photo);
        }
        for (int i = 0; i < count; ++i) {
            const QRectF frame(2 + (i % 100) * 4.0, 2 + (i / 100) * 3.0, 3.6, 2.7);
            if (i % 2 == 0) {
                GraphicPtr picture = placed(ColorRect::create(frame));
                picture->setImage(photos[(i / 2) % photos.size()]);
                objects.append(picture);
            } else {
                auto barcode = ColorBarcode::create(frame);
                TBarInfo info = barcode->getBarInfo();
                info.BarStr = QStringLiteral("QM%1").arg(i, 6, 10, QLatin1Char('0')).toStdString();
                barcode->setBarInfo(info);
                objects.append(placed(barcode));
            }
        }
    });
}

struct Design
{
    const char *key;
    const char *title;
    QString (*make)();
    bool onlySave = false;
    // The peak memory of opening it is measured in a process of its own.
    bool memory = false;
    // Pictures of large paths made on the window's thread as they are drawn.
    bool picturesOnWindowThread = false;
    // Save, Copy, Duplicate and Cut also timed right after Open and right after a resize,
    // before the pictures the screen keeps exist.
    bool beforePictures = false;
};

// In a process of its own (DESIGN_KINDS_BENCH_MEMORY_OF names the design): the growth of the
// peak resident memory from the window shown to the design open and drawn, per object.
int measureMemoryOf(const QString &path)
{
    RectsView *canvas = window().canvas();
    QCoreApplication::processEvents();
    const qint64 before = statusKb("VmRSS:");
    resetPeakMemory();
    if (!canvas->open(path))
        return 1;
    canvas->repaint();
    QCoreApplication::processEvents();
    const qint64 peak = statusKb("VmHWM:");
    const qsizetype count = canvas->getRects().size();
    // Then the growth of the peak over Select All and Duplicate, per object duplicated.
    const qint64 opened = statusKb("VmRSS:");
    resetPeakMemory();
    menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
    menuItem(QStringLiteral("Edit"), QStringLiteral("Duplicate"))->trigger();
    canvas->repaint();
    QCoreApplication::processEvents();
    const qint64 duplicated = statusKb("VmHWM:");
    std::printf("%lld %lld %lld\n", peak - before, qint64(count), duplicated - opened);
    std::fflush(stdout);
    return 0;
}

// The floor, in a process of its own (DESIGN_KINDS_BENCH_FLOOR_OF names the design): the
// growth of the peak resident memory from the window shown to the design's bytes read and as
// many plain rectangles made as it holds, without reading one from the file: what any Open
// of it must hold at its end.
int measureFloorOf(const QString &path)
{
    RectsView *canvas = window().canvas();
    QCoreApplication::processEvents();
    const qint64 before = statusKb("VmRSS:");
    resetPeakMemory();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = file.readAll();
    qsizetype count = 0;
    {
        PropertyListArray objects;
        PropertyList::fromDataDeferring(bytes, QStringLiteral("ObjectsList"), &objects);
        count = objects.size();
    }
    GraphicList made;
    made.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        made.append(ObjectFactory::create(QStringLiteral("ColorRect")));
        made.last()->setFrameBounds(QRectF(i % 500, i / 500, 30, 20));
    }
    canvas->repaint();
    QCoreApplication::processEvents();
    const qint64 peak = statusKb("VmHWM:");
    std::printf("%lld %lld\n", peak - before, qint64(made.size()));
    std::fflush(stdout);
    return 0;
}

// The figures a child process measured, each per object: the open's peak growth, then the
// Duplicate's when measured. Empty when the child failed.
QList<double> peakKbPerObject(const QString &path, const char *variable = "DESIGN_KINDS_BENCH_MEMORY_OF")
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(variable), path);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return {};
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() < 2 || figures[1].toDouble() <= 0)
        return {};
    QList<double> perObject;
    for (qsizetype i = 0; i < figures.size(); ++i)
        if (i != 1)
            perObject.append(figures[i].toDouble() / figures[1].toDouble());
    return perObject;
}

QString makeFour() { return fourObjects(); }
QString makeA() { return everyKind(scaled(10000)); }
QString makeB() { return textBoxes(scaled(10000)); }
QString makeC() { return formattedRuns(scaled(100000)); }
QString makeD() { return randomPath(scaled(200000)); }
QString makeE() { return rectangles(scaled(50000)); }
QString makeF() { return paragraphs(scaled(200000)); }
QString makeG() { return picturesAndBarcodes(scaled(10000)); }

const Design Designs[] = {{"four", "FourObjects", &makeFour, false, false, false, true},
                          {"a", "EveryKind", &makeA},
                          {"b", "TextBoxes", &makeB},           {"c", "Runs", &makeC},
                          {"d", "RandomPath", &makeD, false, false, false, true},
                          {"e", "Rectangles", &makeE, false, true},
                          {"f", "Paragraphs", &makeF, true},
                          {"g", "PicturesAndBarcodes", &makeG},
                          {"d1", "RandomPathPicturesOnWindowThread", &makeD, false, false, true}};

// Each design is made once per run.
QString designPath(QString (*make)())
{
    static std::map<QString (*)(), QString> made;
    if (!made.count(make))
        made[make] = make();
    return made[make];
}

// The knobs' squares (each a shadow, then the knob over it) and the link marks, as the
// selection's marks are filled.
void fillMarks(QPainter &painter, const QList<QRect> &squares, const QList<QPoint> &links, const QImage &mark)
{
    const QColor shadow(Qt::black);
    const QColor knob(48, 140, 198);
    for (qsizetype i = 0; i < squares.size(); ++i)
        painter.fillRect(squares[i], i % 2 ? knob : shadow);
    for (const QPoint &at : links)
        painter.drawImage(at, mark);
}

// The time of a second drawing: the first, as the canvas has drawn before, prepares what any
// later use of the painter on the image reuses.
template <typename Draw>
double secondDrawMs(Draw &&draw)
{
    draw();
    QElapsedTimer timer;
    timer.start();
    draw();
    return double(timer.nsecsElapsed()) / 1e6;
}

// The floor of drawing the marks of a selection: QPainter alone, into an image the size of
// the canvas, filling each knob's two squares on whole pixels and copying each link mark of
// a text box from a picture, as many as the canvas shows, nothing else.
double marksFloorMs(RectsView *canvas)
{
    const QTransform toWidget = canvas->pageToWidget();
    QList<QRect> squares;
    QList<QPoint> links;
    for (const GraphicPtr &object : canvas->getRects()) {
        if (!canvas->isSelected(object.get()) || object->getGroup())
            continue;
        const QRectF f = object->frameBounds();
        const bool line = dynamic_cast<ColorLine *>(object.get());
        for (int knob = 1; knob <= 8; ++knob) {
            if (!(object->knobMask() & (1u << knob)) || (line && knob != 1 && knob != 3 && knob != 6 && knob != 8))
                continue;
            const QPoint at = toWidget.map(KnobResize::knobPosition(f, knob)).toPoint();
            squares.append(QRect(at - QPoint(2, 2), QSize(5, 5)));
            squares.append(QRect(at - QPoint(3, 3), QSize(5, 5)));
        }
        if (object->hasText() && !dynamic_cast<ColorOval *>(object.get()) && !dynamic_cast<ColorPath *>(object.get())) {
            links.append(toWidget.map(f.topLeft()).toPoint());
            links.append(toWidget.map(f.bottomRight()).toPoint());
        }
    }
    QImage mark(13, 13, QImage::Format_ARGB32_Premultiplied);
    mark.fill(QColor(128, 128, 128, 128));
    QImage device(canvas->size(), QImage::Format_ARGB32_Premultiplied);
    device.fill(Qt::white);
    auto draw = [&] {
        QPainter painter(&device);
        fillMarks(painter, squares, links, mark);
    };
    return secondDrawMs(draw);
}

// The floor of a repaint: what the canvas shows, drawn by QPainter alone into an image the
// size of the canvas at its zoom, everything gathered beforehand: each object's fill (a
// rectangle, or its outline's path) and stroke, the glyphs of the lines each text box keeps
// laid out and of the text along each oval, then the marks of the selection as the floor of
// marks draws them. Neither clip, state saved, nor anything checked while drawing.
double repaintFloorMs(RectsView &canvas)
{
    const QTransform toWidget = canvas.pageToWidget();
    const QRectF shown = toWidget.inverted().mapRect(QRectF(QPointF(0, 0), QSizeF(canvas.size())));
    struct Shape
    {
        QRectF rect;          // a plain fill when the path is empty
        QPainterPath path;
        QColor fill;          // invalid: not filled
        QPen pen = Qt::NoPen; // NoPen: not stroked
    };
    struct Glyphs
    {
        QTransform at;
        QGlyphRun run;
        QColor colour;
    };
    std::vector<Shape> shapes;
    std::vector<Glyphs> glyphs;
    QList<QRect> squares;
    QList<QPoint> links;
    const QString page = canvas.getCurrPageName();
    for (const GraphicPtr &object : sortedByLayer(canvas.getRects())) {
        if (!object->isOnPageNamed(page) || !object->drawingBounds().adjusted(-4, -4, 4, 4).intersects(shown))
            continue;
        const QRectF f = object->frameBounds();
        const bool oval = dynamic_cast<ColorOval *>(object.get());
        const bool line = dynamic_cast<ColorLine *>(object.get());
        const bool plain = !oval && !line && !dynamic_cast<ColorPath *>(object.get());
        Shape shape;
        const QPainterPath outline = object->bezierPath().toPainterPath();
        if (object->canFill() && object->drawsFill()) {
            shape.fill = object->fillColor();
            if (plain)
                shape.rect = f;
            else
                shape.path = outline;
        }
        if (object->canStroke() && object->drawsStroke() && object->strokeLineWidth() > 0) {
            shape.path = outline;
            shape.pen = makePen(object->strokeColor(), object->strokeLineWidth());
        }
        if (shape.fill.isValid() || shape.pen.style() != Qt::NoPen)
            shapes.push_back(shape);
        if (object->hasText() && plain) {
            TextFlow *flow = object->layoutText();
            const int box = flow->indexOfContainer(object->textContainer());
            for (const TextFlow::Line &kept : flow->lines()) {
                if (kept.container != box)
                    continue;
                for (const QGlyphRun &run : flow->blockLayout(kept.block)->lineAt(kept.lineNumber).glyphRuns())
                    glyphs.push_back({QTransform::fromTranslate(f.x(), f.y()), run, Qt::black});
            }
        } else if (object->hasText() && oval) {
            // The same glyphs, each turned where the oval's text puts it.
            const QRawFont font = QRawFont::fromFont(object->textStorage()->defaultFont());
            for (const ColorOval::GlyphPlacement &placed : static_cast<ColorOval *>(object.get())->glyphPlacements()) {
                const QList<quint32> index =
                    font.glyphIndexesForString(QString(object->textStorage()->characterAt(placed.character)));
                QGlyphRun run;
                run.setRawFont(font);
                run.setGlyphIndexes(index.mid(0, 1));
                run.setPositions({QPointF(0, 0)});
                QTransform at = QTransform::fromTranslate(placed.point.x(), placed.point.y());
                at.rotate(placed.rotation);
                glyphs.push_back({at, run, Qt::black});
            }
        }
        if (!canvas.isSelected(object.get()) || object->getGroup())
            continue;
        for (int knob = 1; knob <= 8; ++knob) {
            if (!(object->knobMask() & (1u << knob)) || (line && knob != 1 && knob != 3 && knob != 6 && knob != 8))
                continue;
            const QPoint at = toWidget.map(KnobResize::knobPosition(f, knob)).toPoint();
            squares.append(QRect(at - QPoint(2, 2), QSize(5, 5)));
            squares.append(QRect(at - QPoint(3, 3), QSize(5, 5)));
        }
        if (object->hasText() && plain) {
            links.append(toWidget.map(f.topLeft()).toPoint());
            links.append(toWidget.map(f.bottomRight()).toPoint());
        }
    }
    QImage mark(13, 13, QImage::Format_ARGB32_Premultiplied);
    mark.fill(QColor(128, 128, 128, 128));
    QImage device(canvas.size(), QImage::Format_ARGB32_Premultiplied);
    device.fill(Qt::white);
    auto draw = [&] {
        QPainter painter(&device);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(toWidget);
        for (const Shape &shape : shapes) {
            if (shape.fill.isValid()) {
                if (shape.path.isEmpty())
                    painter.fillRect(shape.rect, shape.fill);
                else
                    painter.fillPath(shape.path, shape.fill);
            }
            if (shape.pen.style() != Qt::NoPen)
                painter.strokePath(shape.path, shape.pen);
        }
        for (const Glyphs &glyph : glyphs) {
            painter.setTransform(glyph.at * toWidget);
            painter.setPen(glyph.colour);
            painter.drawGlyphRun(QPointF(0, 0), glyph.run);
        }
        painter.resetTransform();
        painter.setRenderHint(QPainter::Antialiasing, false);
        fillMarks(painter, squares, links, mark);
    };
    return secondDrawMs(draw);
}

// The processor time of the calling thread so far.
double windowCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The floor of reading a long text: the same runs put into a new document by Qt alone, each
// distinct format made once, in one edit, as fast as the library builds a document.
double textBuildFloorMs(const QTextDocument &text)
{
    std::vector<std::pair<QString, int>> runs;
    std::map<int, QTextCharFormat> formats;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            runs.emplace_back(it.fragment().text(), it.fragment().charFormatIndex());
            formats.emplace(it.fragment().charFormatIndex(), it.fragment().charFormat());
        }
    QElapsedTimer timer;
    timer.start();
    QTextDocument built;
    built.setUndoRedoEnabled(false);
    QTextCursor cursor(&built);
    cursor.beginEditBlock();
    for (const auto &[chars, format] : runs)
        cursor.insertText(chars, formats[format]);
    cursor.endEditBlock();
    return double(timer.nsecsElapsed()) / 1e6;
}

// The floor of opening: what the first drawing of the design needs of Qt, on one thread. Qt
// alone builds each text from the same runs, each distinct format made once, and lays out its
// lines at its box's width until the box is full (a text along an oval on one line). What is
// read is gathered beforehand; reading the file is left out (libplist reads it slower than the
// program does), and drawing is apart ("floor: repaint ms").
double textsFloorMs(const GraphicList &objects)
{
    struct Text
    {
        QFont font;
        std::vector<std::pair<QString, int>> runs;
        qreal width = 0, height = 0;
    };
    std::vector<Text> texts;
    std::vector<std::map<int, QTextCharFormat>> formatsOf;
    for (const GraphicPtr &object : objects) {
        if (!object->hasText())
            continue;
        const QTextDocument &text = *object->textStorage();
        Text made;
        made.font = text.defaultFont();
        const bool oval = dynamic_cast<ColorOval *>(object.get());
        made.width = oval ? 1.0e6 : object->frameBounds().width();
        made.height = oval ? 0.0 : object->frameBounds().height();
        std::map<int, QTextCharFormat> own;
        for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
            if (block != text.begin())
                made.runs.emplace_back(QString(QChar::ParagraphSeparator), -1);
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                made.runs.emplace_back(it.fragment().text(), it.fragment().charFormatIndex());
                own.emplace(it.fragment().charFormatIndex(), it.fragment().charFormat());
            }
        }
        texts.push_back(std::move(made));
        formatsOf.push_back(std::move(own));
    }
    QElapsedTimer timer;
    timer.start();
    for (std::size_t t = 0; t < texts.size(); ++t) {
        QTextDocument built;
        built.setUndoRedoEnabled(false);
        built.setDefaultFont(texts[t].font);
        QTextCursor cursor(&built);
        cursor.beginEditBlock();
        for (const auto &[chars, format] : texts[t].runs) {
            if (format < 0)
                cursor.insertBlock();
            else
                cursor.insertText(chars, formatsOf[t][format]);
        }
        cursor.endEditBlock();
        qreal y = 0;
        for (QTextBlock block = built.begin(); block.isValid() && y <= texts[t].height; block = block.next()) {
            QTextLayout *layout = block.layout();
            layout->beginLayout();
            for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
                line.setLineWidth(texts[t].width);
                line.setPosition(QPointF(0, y));
                y += line.height();
                if (y > texts[t].height)
                    break;
            }
            layout->endLayout();
        }
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

// The time until every picture asked for has arrived and the canvas has drawn it.
double untilPicturesMs(QWidget *canvas, bool &wrong)
{
    QElapsedTimer timer;
    timer.start();
    if (!waitForPictures(canvas))
        wrong = true;
    return double(timer.nsecsElapsed()) / 1e6;
}

// One antialiased Qt fill of the largest path of the canvas at the canvas's zoom, into an image
// of the size the path covers on the screen: what any drawing of it must at least do once.
double oneFillMs(RectsView *canvas)
{
    for (const GraphicPtr &graphic : canvas->getRects()) {
        const BezierPath outline = graphic->bezierPath();
        if (outline.elementCount() < LargePath)
            continue;
        const QTransform toScreen = canvas->pageToWidget();
        const QRect area = toScreen.mapRect(graphic->frameBounds()).toAlignedRect();
        QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainterPath path = outline.toPainterPath();
        path.setFillRule(Qt::WindingFill);
        QElapsedTimer timer;
        timer.start();
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(-area.topLeft());
        painter.setTransform(toScreen, true);
        painter.fillPath(path, graphic->fillColor());
        painter.end();
        return double(timer.nsecsElapsed()) / 1e6;
    }
    return -1;
}

// Typing into the text of the design's topmost object as a user does: a double click into its
// text, then letters, each until the canvas has drawn it. The time per letter and the
// longest the window did not answer meanwhile; none when the letters did not reach the text.
std::optional<std::pair<double, double>> typeIntoText(RectsView *canvas, Heartbeat &heartbeat)
{
    const GraphicPtr object = canvas->getRects().last();
    const int before = object->textStorage()->characterCount();
    const QPointF local = canvas->pageToWidget().map(object->frameBounds().center());
    auto mouse = [&](QEvent::Type type) {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, canvas->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas, &event);
    };
    canvas->setFocus();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                    QEvent::MouseButtonRelease})
        mouse(type);
    QCoreApplication::processEvents();
    constexpr int Letters = 5;
    heartbeat.start();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Letters; ++i) {
        PaintWatch watch;
        canvas->installEventFilter(&watch);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(canvas, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(canvas, &release);
        QCoreApplication::processEvents();
        waitForPaint(canvas, watch);
        canvas->removeEventFilter(&watch);
    }
    const double perLetter = double(timer.nsecsElapsed()) / 1e6 / Letters;
    const double longest = heartbeat.stopMs();
    // The box is left as a click on the empty canvas leaves it, with the selection tool
    // current again: the designs after this one start with no text being edited, and with the
    // text tool current Cut would copy without removing, as it does for the user.
    canvas->clearEditable();
    canvas->setupCurrObjectTool(RectsView::SelectTool);
    QCoreApplication::processEvents();
    if (object->textStorage()->characterCount() != before + Letters)
        return std::nullopt;
    return std::make_pair(perLetter, longest);
}

// The floor of repainting barcodes: the bars and the text under them of every barcode the
// canvas shows, laid out beforehand, filled by QPainter alone at the canvas's zoom.
double barcodeFillFloorMs(RectsView &canvas)
{
    const QTransform toWidget = canvas.pageToWidget();
    const QRectF shown(QPointF(0, 0), QSizeF(canvas.size()));
    std::vector<BarcodeDrawing> drawings;
    for (const GraphicPtr &graphic : canvas.getRects())
        if (auto *barcode = dynamic_cast<ColorBarcode *>(graphic.get()))
            if (toWidget.mapRect(barcode->frameBounds()).intersects(shown))
                drawings.push_back(BarcodeRenderer::layOutBarcode(barcode->frameBounds(), barcode->workingBarInfo(),
                                                                  barcode->drawStyle()));
    QImage image(canvas.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QElapsedTimer timer;
    timer.start();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(toWidget);
    for (const BarcodeDrawing &drawing : drawings)
        drawing.paint(&painter);
    painter.end();
    return double(timer.nsecsElapsed()) / 1e6;
}

// The floor of a repaint of the barcodes from what they keep: each one's drawing, made into a
// picture at the canvas's zoom beforehand, copied by QPainter alone.
double barcodePictureFloorMs(RectsView &canvas)
{
    const QTransform toWidget = canvas.pageToWidget();
    const QRectF shown(QPointF(0, 0), QSizeF(canvas.size()));
    std::vector<std::pair<QPoint, QImage>> pictures;
    for (const GraphicPtr &graphic : canvas.getRects()) {
        auto *barcode = dynamic_cast<ColorBarcode *>(graphic.get());
        if (!barcode)
            continue;
        const QRect area = toWidget.mapRect(barcode->frameBounds()).toAlignedRect();
        if (!area.intersects(shown.toRect()))
            continue;
        QImage picture(area.size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(-area.topLeft());
        painter.setTransform(toWidget, true);
        BarcodeRenderer::layOutBarcode(barcode->frameBounds(), barcode->workingBarInfo(), barcode->drawStyle())
            .paint(&painter);
        painter.end();
        pictures.emplace_back(area.topLeft(), picture);
    }
    QImage image(canvas.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return secondDrawMs([&] {
        QPainter painter(&image);
        for (const auto &[at, picture] : pictures)
            painter.drawImage(at, picture);
    });
}

// With DESIGN_KINDS_PERF_TIMES set, the moments each step starts and ends are written
// (CLOCK_MONOTONIC seconds, as `perf record -k CLOCK_MONOTONIC` stamps its samples) for
// `perf report --time START,END`: the profile of the step alone.
void perfMoment(const char *what, const char *step)
{
    static const bool wanted = qEnvironmentVariableIsSet("DESIGN_KINDS_PERF_TIMES");
    if (!wanted)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "%s %ld.%06ld %s\n", what, long(now.tv_sec), long(now.tv_nsec / 1000), step);
}

void forgetKeptBarcodeDrawings(RectsView *canvas)
{
    for (const GraphicPtr &graphic : canvas->getRects())
        if (auto *barcode = dynamic_cast<ColorBarcode *>(graphic.get()))
            barcode->forgetKeptDrawings();
}

// Save, Copy, Duplicate and Cut of the whole design right after File > Open and right after a
// resize of its largest object, before the pictures the screen keeps of it have arrived: the
// longest the window did not answer in each, until the canvas has drawn what it did.
void commandsBeforePictures(RectsView *canvas, const QString &path, QMap<QString, double> &totals, bool &wrong)
{
    auto command = [&](const QString &name, auto &&action) {
        Heartbeat beat;
        PaintWatch watch;
        canvas->installEventFilter(&watch);
        beat.start();
        action();
        QCoreApplication::processEvents();
        if (!waitForPaint(canvas, watch))
            wrong = true;
        totals[name + QStringLiteral(" longest unanswered ms")] += beat.stopMs();
        canvas->removeEventFilter(&watch);
    };
    auto commands = [&](const QString &when) {
        const qsizetype count = canvas->getRects().size();
        menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
        canvas->wasChanged(true);
        command(when + QStringLiteral(": save"), [] { menuItem(QStringLiteral("File"), QStringLiteral("Save"))->trigger(); });
        command(when + QStringLiteral(": copy"), [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Copy"))->trigger(); });
        command(when + QStringLiteral(": duplicate"),
                [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Duplicate"))->trigger(); });
        if (canvas->getRects().size() != 2 * count)
            wrong = true;
        command(when + QStringLiteral(": cut"), [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Cut"))->trigger(); });
        if (canvas->getRects().size() != count)
            wrong = true;
    };
    // The pictures asked for before are out of the way: only those of what follows are made.
    PictureWorker::waitUntilDone();
    canvas->undoManager()->removeAllActions();
    canvas->emptyNewDoc();
    QCoreApplication::processEvents();
    prompts->nextPath = path;
    menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
    QCoreApplication::processEvents();
    commands(QStringLiteral("after open"));
    PictureWorker::waitUntilDone();
    // The largest object, resized: what the screen kept of it no longer fits.
    GraphicPtr largest;
    for (const GraphicPtr &graphic : canvas->getRects())
        if (!largest || graphic->frameBounds().width() * graphic->frameBounds().height()
                            > largest->frameBounds().width() * largest->frameBounds().height())
            largest = graphic;
    if (!largest) {
        wrong = true;
        return;
    }
    canvas->clearSelection();
    canvas->selectRect(largest);
    const QRectF before = largest->frameBounds();
    dragLowerRightKnob(canvas, largest);
    QCoreApplication::processEvents();
    if (largest->frameBounds() == before)
        wrong = true;
    commands(QStringLiteral("after resize"));
}

void workOnDesign(benchmark::State &state, const Design &design)
{
    PictureWorker::setOnWindowThread(design.picturesOnWindowThread);
    const QString original = designPath(design.make);
    RectsView *canvas = window().canvas();
    QMap<QString, double> totals;
    Heartbeat heartbeat;
    bool wrong = false;
    auto step = [&](const char *name, auto &&action) {
        PaintWatch watch;
        canvas->installEventFilter(&watch);
        Heartbeat blocked;
        blocked.start();
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = windowCpuMs();
        perfMoment("perf-start", name);
        action();
        // Save apart from the drawing after it: the time until the command returned and the
        // processor time the window's thread spent in it, which other programs on the machine
        // do not stretch.
        if (qstrcmp(name, "save ms") == 0) {
            totals[QStringLiteral("save returned ms")] += double(timer.nsecsElapsed()) / 1e6;
            totals[QStringLiteral("save window cpu ms")] += windowCpuMs() - cpuBefore;
        }
        QCoreApplication::processEvents();
        if (!waitForPaint(canvas, watch))
            wrong = true;
        totals[QString::fromLatin1(name)] += double(timer.nsecsElapsed()) / 1e6;
        const double longest = blocked.stopMs();
        perfMoment("perf-end", name);
        if (qstrcmp(design.key, "g") == 0)
            totals[QString::fromLatin1(name).replace(QStringLiteral(" ms"), QStringLiteral(" longest unanswered ms"))] += longest;
        canvas->removeEventFilter(&watch);
    };
    qsizetype opened = 0;
    for (auto _ : state) {
        // Each run opens a fresh copy, which its Save then overwrites.
        const QString path = workDir().filePath(QStringLiteral("Working %1.qkdoc").arg(QLatin1String(design.key)));
        QFile::remove(path);
        QFile::copy(original, path);
        prompts->nextPath = path;
        if (design.onlySave) {
            state.PauseTiming();
            if (!canvas->open(path))
                wrong = true;
            QCoreApplication::processEvents();
            state.ResumeTiming();
            heartbeat.start();
            canvas->wasChanged(true);
            step("save ms", [] { menuItem(QStringLiteral("File"), QStringLiteral("Save"))->trigger(); });
        } else {
            heartbeat.start();
            // The longest the window did not answer from the command until the canvas shows what
            // it did, pictures made off the window's thread included.
            Heartbeat untilDrawn;
            QElapsedTimer drawn;
            untilDrawn.start();
            drawn.start();
            largePathFillNs = 0;
            largePathStrokeNs = 0;
            step("open ms", [] { menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger(); });
            if (!waitForPictures(canvas))
                wrong = true;
            totals[QStringLiteral("open: large path fill cpu ms")] += double(largePathFillNs) / 1e6;
            totals[QStringLiteral("open: large path stroke cpu ms")] += double(largePathStrokeNs) / 1e6;
            totals[QStringLiteral("open until drawn ms")] += double(drawn.nsecsElapsed()) / 1e6;
            totals[QStringLiteral("open longest unanswered ms")] += untilDrawn.stopMs();
            const qsizetype count = canvas->getRects().size();
            opened = count;
            if (qstrcmp(design.key, "g") == 0) {
                if (!waitForPictures(canvas))
                    wrong = true;
                // Out of the fit the Open chose, as the zoom button's pop-up takes it.
                step("zoom to 155 % ms", [canvas] {
                    menuItem(QStringLiteral("View"), QStringLiteral("Actual Size"))->trigger();
                    canvas->zoomChange(BarcodeZoom);
                });
                totals[QStringLiteral("zoom to 155 % until drawn ms")] += untilPicturesMs(canvas, wrong);
                step("zoom in ms", [] { menuItem(QStringLiteral("View"), QStringLiteral("Zoom In"))->trigger(); });
                totals[QStringLiteral("zoom in until drawn ms")] += untilPicturesMs(canvas, wrong);
                step("zoom out ms", [] { menuItem(QStringLiteral("View"), QStringLiteral("Zoom Out"))->trigger(); });
                totals[QStringLiteral("zoom out until drawn ms")] += untilPicturesMs(canvas, wrong);
                state.counters["zoom %"] = canvas->getZoom() * 100;
                // Nothing is selected: the arrow keys move nothing.
                {
                    PaintWatch watch;
                    canvas->installEventFilter(&watch);
                    Heartbeat beat;
                    beat.start();
                    canvas->setFocus();
                    QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
                    QApplication::sendEvent(canvas, &press);
                    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
                    QApplication::sendEvent(canvas, &release);
                    for (int i = 0; i < 10; ++i)
                        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                    totals[QStringLiteral("right key with nothing selected longest unanswered ms")] += beat.stopMs();
                    totals[QStringLiteral("right key with nothing selected repaints")] += watch.painted ? 1 : 0;
                    canvas->removeEventFilter(&watch);
                }
                // Nothing is selected: a click beside the objects changes nothing.
                PaintWatch watch;
                canvas->installEventFilter(&watch);
                Heartbeat beat;
                beat.start();
                if (!clickOnEmptyCanvas(canvas))
                    wrong = true;
                for (int i = 0; i < 10; ++i)
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                totals[QStringLiteral("click on empty canvas longest unanswered ms")] += beat.stopMs();
                totals[QStringLiteral("click on empty canvas repaints")] += watch.painted ? 1 : 0;
                canvas->removeEventFilter(&watch);
            }
            largePathFills = 0;
            for (int i = 0; i < 3; ++i)
                canvas->repaint();
            totals[QStringLiteral("large path fills per repaint")] += largePathFills / 3.0;
            untilDrawn.start();
            drawn.restart();
            step("select all ms", [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger(); });
            if (!waitForPictures(canvas))
                wrong = true;
            totals[QStringLiteral("select all until drawn ms")] += double(drawn.nsecsElapsed()) / 1e6;
            totals[QStringLiteral("select all longest unanswered ms")] += untilDrawn.stopMs();
            // The marks of every object drawn too: what Select All, the nudge and Undo redraw.
            step("repaint all selected ms", [] {});
            totals[QStringLiteral("floor: marks alone ms")] += marksFloorMs(canvas);
            step("nudge ms", [canvas] {
                canvas->setFocus();
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
                QApplication::sendEvent(canvas, &press);
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
                QApplication::sendEvent(canvas, &release);
            });
            step("undo ms", [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger(); });
            if (qstrcmp(design.key, "g") == 0) {
                step("click that clears the selection ms", [&] {
                    if (!clickOnEmptyCanvas(canvas) || !canvas->selectedObjects().isEmpty())
                        wrong = true;
                });
                menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
                QCoreApplication::processEvents();
            }
            step("duplicate ms", [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Duplicate"))->trigger(); });
            if (canvas->getRects().size() != 2 * count)
                wrong = true;
            // The copies cut and pasted back: the clipboard holds the whole selection.
            step("cut ms", [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Cut"))->trigger(); });
            if (canvas->getRects().size() != count)
                wrong = true;
            step("paste ms", [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Paste"))->trigger(); });
            if (canvas->getRects().size() != 2 * count)
                wrong = true;
            // What every step above includes: the canvas drawing the design again, nothing done.
            step("repaint ms", [] {});
            step("save ms", [] { menuItem(QStringLiteral("File"), QStringLiteral("Save"))->trigger(); });
            state.counters["objects"] = double(count);
        }
        totals[QStringLiteral("longest unanswered ms")] += heartbeat.stopMs();
        // The floors hold the window as long as they take: measured once the window's longest
        // wait is taken, on the design as Paste left it (Save changes nothing it shows).
        if (!design.onlySave) {
            totals[QStringLiteral("floor: repaint ms")] += repaintFloorMs(*canvas);
            totals[QStringLiteral("floor: texts built and laid out by Qt ms")] += textsFloorMs(canvas->getRects().mid(0, opened));
            if (qstrcmp(design.key, "g") == 0) {
                totals[QStringLiteral("floor: barcodes' bars and text filled alone ms")] += barcodeFillFloorMs(*canvas);
                totals[QStringLiteral("floor: barcodes' pictures copied alone ms")] += barcodePictureFloorMs(*canvas);
            }
        }
        if (canvas->isChanged())
            wrong = true;
        state.PauseTiming();
        if (const double fill = design.onlySave ? -1 : oneFillMs(canvas); fill >= 0)
            totals[QStringLiteral("floor: one fill ms")] += fill;
        state.counters["file kB"] = double(QFileInfo(path).size()) / 1024.0;
        if (qstrcmp(design.key, "c") == 0 && !canvas->getRects().isEmpty()) {
            totals[QStringLiteral("floor: text built by Qt ms")] += textBuildFloorMs(*canvas->getRects().first()->textStorage());
            if (const auto typed = typeIntoText(canvas, heartbeat)) {
                totals[QStringLiteral("type a letter ms")] += typed->first;
                totals[QStringLiteral("type longest unanswered ms")] += typed->second;
            } else {
                wrong = true;
            }
        }
        if (design.beforePictures)
            commandsBeforePictures(canvas, path, totals, wrong);
        if (qstrcmp(design.key, "g") == 0) {
            // The design opened anew; before each step every barcode forgets what it kept.
            canvas->undoManager()->removeAllActions();
            canvas->emptyNewDoc();
            QCoreApplication::processEvents();
            prompts->nextPath = path;
            menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
            QCoreApplication::processEvents();
            const qsizetype count = canvas->getRects().size();
            auto cold = [&](const char *name, auto &&action) {
                forgetKeptBarcodeDrawings(canvas);
                step(name, action);
            };
            // Right after Open, before the screen has a picture of any barcode.
            step("right after open: select all ms",
                 [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger(); });
            step("right after open: duplicate ms",
                 [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Duplicate"))->trigger(); });
            if (canvas->getRects().size() != 2 * count)
                wrong = true;
            totals[QStringLiteral("right after open: duplicate until drawn ms")] += untilPicturesMs(canvas, wrong);
            step("right after open: undo ms", [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger(); });
            if (canvas->getRects().size() != count)
                wrong = true;
            canvas->clearSelection();
            QCoreApplication::processEvents();
            cold("before kept drawings: repaint ms", [] {});
            cold("before kept drawings: select all ms",
                 [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger(); });
            cold("before kept drawings: nudge ms", [canvas] {
                canvas->setFocus();
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
                QApplication::sendEvent(canvas, &press);
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
                QApplication::sendEvent(canvas, &release);
            });
            cold("before kept drawings: undo ms", [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger(); });
            cold("before kept drawings: click that clears the selection ms", [&] {
                if (!clickOnEmptyCanvas(canvas) || !canvas->selectedObjects().isEmpty())
                    wrong = true;
            });
            menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
            QCoreApplication::processEvents();
            cold("before kept drawings: duplicate ms",
                 [] { menuItem(QStringLiteral("Edit"), QStringLiteral("Duplicate"))->trigger(); });
            if (canvas->getRects().size() != 2 * count)
                wrong = true;
            canvas->wasChanged(false);
        }
        canvas->undoManager()->removeAllActions();
        canvas->emptyNewDoc();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    if (design.memory)
    {
        const QList<double> measured = peakKbPerObject(original);
        const QList<double> floor = peakKbPerObject(original, "DESIGN_KINDS_BENCH_FLOOR_OF");
        state.counters["peak kB per object"] = measured.value(0, -1);
        state.counters["duplicate peak kB per object"] = measured.value(1, -1);
        state.counters["floor: bytes and objects kB per object"] = floor.value(0, -1);
    }
    PictureWorker::setOnWindowThread(false);
    if (wrong)
        state.SkipWithError("the steps did not do what a user sees");
    const double n = double(state.iterations());
    for (auto it = totals.cbegin(); it != totals.cend(); ++it)
        state.counters[it.key().toStdString()] = it.value() / n;
}

// ---- the floors of saving ----

struct PlistDeleter
{
    void operator()(void *node) const { plist_free(node); }
};

plist_t libplistTree(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            plist_dict_set_item(dict, it.key().toUtf8().constData(), libplistTree(it.value()));
        return dict;
    }
    case QMetaType::QVariantList: {
        plist_t array = plist_new_array();
        for (const QVariant &item : value.toList())
            plist_array_append_item(array, libplistTree(item));
        return array;
    }
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::Bool:
        return plist_new_bool(value.toBool());
    case QMetaType::Double:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    default:
        return plist_new_uint(uint64_t(value.toLongLong()));
    }
}

// The path of (d) and the texts of (c) and (f) as their documents hold them, and the whole
// documents of (a) and (b) as they are saved after their Duplicate: the tree written by libplist
// alone, by the program's writer, and the bytes of the file written to disk.
void BM_SaveFloors(benchmark::State &state, QString (*make)(), bool whole)
{
    const QString path = designPath(make);
    QVariant document = PropertyList::readFile(path);
    const QVariantList objects = document.toMap().value(QStringLiteral("ObjectsList")).toList();
    // The archive inside the object is a property list of its own, written the same way.
    const QByteArray inner = objects.value(0).toMap().value(objects.value(0).toMap().contains(QStringLiteral("Path"))
                                                                ? QStringLiteral("Path")
                                                                : QStringLiteral("Text")).toByteArray();
    if (whole) {
        QVariantMap doubled = document.toMap();
        doubled.insert(QStringLiteral("ObjectsList"), objects + objects);
        document = doubled;
    }
    const QVariant tree = whole ? document : PropertyList::fromData(inner);
    double libplistMs = 0, oursMs = 0, diskMs = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        std::unique_ptr<void, PlistDeleter> root(libplistTree(tree));
        char *bytes = nullptr;
        uint32_t length = 0;
        plist_to_bin(root.get(), &bytes, &length);
        plist_to_bin_free(bytes);
        libplistMs += double(timer.nsecsElapsed()) / 1e6;
        timer.restart();
        const QByteArray ours = PropertyList::toData(tree);
        oursMs += double(timer.nsecsElapsed()) / 1e6;
        timer.restart();
        QSaveFile file(workDir().filePath(QStringLiteral("floor.bin")));
        file.open(QIODevice::WriteOnly);
        file.write(PropertyList::toData(document));
        file.commit();
        diskMs += double(timer.nsecsElapsed()) / 1e6;
        if (ours.isEmpty())
            state.SkipWithError("the archive was not written");
    }
    const double n = double(state.iterations());
    state.counters["libplist archive ms"] = libplistMs / n;
    state.counters["our archive ms"] = oursMs / n;
    state.counters["document to disk ms"] = diskMs / n;
    state.counters["archive kB"] = double(whole ? PropertyList::toData(tree).size() : inner.size()) / 1024.0;
}

} // namespace

int main(int argc, char **argv)
{
    if (!prepareRealScreen("bench_design_kinds_bench"))
        return 2;
    QApplication app(argc, argv);
    if (!onRealScreen("bench_design_kinds_bench"))
        return 2;
    auto installed = std::make_unique<BenchPrompts>();
    prompts = installed.get();
    Prompts::install(std::move(installed));
    RectsView::setTerminatePromptFlag(true);
    LargePath = std::max(1000, scaled(100000));
    if (qEnvironmentVariableIsSet("DESIGN_KINDS_BENCH_MEMORY_OF"))
        return measureMemoryOf(qEnvironmentVariable("DESIGN_KINDS_BENCH_MEMORY_OF"));
    if (qEnvironmentVariableIsSet("DESIGN_KINDS_BENCH_FLOOR_OF"))
        return measureFloorOf(qEnvironmentVariable("DESIGN_KINDS_BENCH_FLOOR_OF"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const QStringList chosen = qEnvironmentVariable("DESIGN_KINDS_BENCH_DESIGNS", QStringLiteral("four,a,b,c,d,e,f,g,four"))
                                   .split(QLatin1Char(','), Qt::SkipEmptyParts);
    int index = 0;
    for (const QString &key : chosen) {
        for (const Design &design : Designs) {
            if (key != QLatin1String(design.key))
                continue;
            const std::string name = QStringLiteral("BM_%1_%2").arg(++index).arg(QLatin1String(design.title)).toStdString();
            benchmark::RegisterBenchmark(name.c_str(), [&design](benchmark::State &state) { workOnDesign(state, design); })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(runs())
                ->UseRealTime();
        }
    }
    const struct
    {
        const char *key, *name;
        QString (*make)();
        bool whole;
    } floors[] = {{"a", "BM_SaveFloors_EveryKind", &makeA, true},
                  {"b", "BM_SaveFloors_TextBoxes", &makeB, true},
                  {"c", "BM_SaveFloors_Runs", &makeC, false},
                  {"d", "BM_SaveFloors_RandomPath", &makeD, false},
                  {"f", "BM_SaveFloors_Paragraphs", &makeF, false}};
    for (const auto &floor : floors)
        if (chosen.contains(QLatin1String(floor.key)))
            benchmark::RegisterBenchmark(floor.name, &BM_SaveFloors, floor.make, floor.whole)
                ->Unit(benchmark::kMillisecond)->Iterations(runs())->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
