#pragma once
// What the benchmarks that work through the real window share: the window on a real screen
// (the xcb platform under Xvfb at 96 dpi; the offscreen platform draws nothing to a screen and
// hides what painting costs, so it is refused), the canvas at 155 %, a meter of the longest
// time the window's event loop did not answer, the peak of resident memory, the mouse and
// keys as a user gives them, and the designs of every kind of object a user makes, written
// with the program's own document writer.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "BenchSupport.h"
#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "barcodes/ColorBarcode.h"
#include "canvas/RectsView.h"
#include "database/merge/ColorAddress.h"
#include "database/merge/ColorField.h"
#include "database/merge/GroupField.h"
#include "database/merge/MergeFieldTool.h"
#include "foundation/Language.h"
#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/KnobResize.h"
#include "objects/PictureWorker.h"
#include "platform/BezierPath.h"
#include "platform/PropertyList.h"

namespace qmbench {

using namespace quillmark;

// ---- the screen ----

// Before the application is made: the run's own settings and data, and no offscreen platform.
// False, with the reason on the error stream, when the run cannot measure a real screen.
inline bool prepareRealScreen(const char *bench)
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb")) {
        std::fprintf(stderr,
                     "%s measures the window as the screen shows it and refuses the \"%s\" platform, which "
                     "draws to no screen.\nRun it under Xvfb at 96 dpi with QT_QPA_PLATFORM unset:\n"
                     "  xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' %s\n",
                     bench, platform.constData(), bench);
        return false;
    }
    qputenv("XDG_DATA_HOME", workDir().filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", workDir().filePath(QStringLiteral("config")).toUtf8());
    // The screen's own size in millimetres gives its dots per inch; nothing scales it.
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qunsetenv("QT_FONT_DPI");
    return true;
}

// Once the application is made: the xcb platform on a screen of 96 dpi, or false with the
// reason on the error stream.
inline bool onRealScreen(const char *bench)
{
    const QString platform = QGuiApplication::platformName();
    QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->physicalDotsPerInch() : 0.0;
    if (platform != QLatin1String("xcb") || std::abs(dpi - 96.0) > 1.0) {
        std::fprintf(stderr,
                     "%s runs on the xcb platform of an X screen of 96 dpi; this one is \"%s\" at %.1f dpi.\n"
                     "Run it as: xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' %s\n",
                     bench, qPrintable(platform), dpi, bench);
        return false;
    }
    QApplication::setOrganizationName(QStringLiteral("Brenholt"));
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    return true;
}

// The zoom every window bench measures at.
constexpr double BenchZoom = 1.55;

// The program's main window as the program starts it, shown at 1200 x 900 with the canvas at
// 155 %, made once.
inline MainWindow &benchWindow()
{
    static MainWindow *made = [] {
        Language::initialize();
        registerAllKinds();
        RectsView::measureScreenFactor();
        auto *w = new MainWindow;
        w->resize(1200, 900);
        w->show();
        w->finishLaunching();
        QCoreApplication::processEvents();
        // The program starts fitting the page, and in a fit mode a zoom given is replaced by the
        // fitted one at every resize (a ruler shown, a panel opened, a design opened): the fit
        // is put off first, as the zoom pop-up does, so that every design is measured at 155 %.
        w->canvas()->zoomMenuSelect(2);
        w->canvas()->zoomChange(BenchZoom);
        QCoreApplication::processEvents();
        return w;
    }();
    return *made;
}

// The item of a menu of the menu bar by the menu's and the item's title; Undo and Redo by
// the start of their title (they name the step).
inline QAction *menuItem(QWidget *window, const QString &menu, const QString &item)
{
    for (QAction *top : static_cast<QMainWindow *>(window)->menuBar()->actions()) {
        if (!top->menu() || top->menu()->title() != menu)
            continue;
        for (QAction *action : top->menu()->actions())
            if (action->text() == item
                || ((item == QLatin1String("Undo") || item == QLatin1String("Redo")) && action->text().startsWith(item)))
                return action;
    }
    qFatal("no menu item %s", qPrintable(item));
}

// ---- what the window does meanwhile ----

// The longest time the event loop did not answer: a precise timer of one millisecond notes
// the gap between two of its turns; any work on the window's thread, the bench's own call of
// a command included, lies in one such gap.
class Heartbeat
{
public:
    Heartbeat()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
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

// Turns of the event loop, asking the widget to draw, until it has drawn (20 minutes at most).
inline bool waitForPaint(QWidget *widget, PaintWatch &watch)
{
    QElapsedTimer guard;
    guard.start();
    while (!watch.painted && guard.elapsed() < 1200000) {
        widget->update();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return watch.painted;
}

// Turns of the event loop until the pictures being made off the window's thread have arrived,
// then until the canvas has drawn them.
inline bool waitForPictures(QWidget *canvas)
{
    QElapsedTimer guard;
    guard.start();
    while (PictureWorker::busy() && guard.elapsed() < 1200000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    PaintWatch watch;
    canvas->installEventFilter(&watch);
    const bool painted = waitForPaint(canvas, watch);
    canvas->removeEventFilter(&watch);
    return painted && !PictureWorker::busy();
}

// Turns of the event loop for `quietMs` and on until the pictures made aside have arrived:
// whatever a command left queued (its redraw, a zero-delay step) runs meanwhile.
inline void settle(int quietMs = 150)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < quietMs || (PictureWorker::busy() && clock.elapsed() < 1200000))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// ---- memory ----

inline qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Starts the peak of resident memory (VmHWM) afresh; Linux keeps it per process.
inline void resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

inline qint64 peakKb() { return statusKb("VmHWM:"); }
inline qint64 residentKb() { return statusKb("VmRSS:"); }

// ---- the mouse and the keys ----

inline void sendMouse(RectsView *canvas, QEvent::Type type, const QPointF &page,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPointF local = canvas->pageToWidget().map(page);
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, canvas->mapToGlobal(local), Qt::LeftButton, buttons, modifiers);
    QApplication::sendEvent(canvas, &event);
}

inline void sendKey(QWidget *widget, int key, const QString &text = QString(),
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

// A click of the left button at a point of a widget.
inline void clickWidget(QWidget *widget, const QPoint &at)
{
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
}

// A place of the canvas's widget, in page points, where no object lies nor the knobs of one;
// none when the objects cover the whole canvas. The search is the bench's, not the window's:
// the places tried are marked taken in one walk of the objects, so that a click on a design
// of thousands of objects does not count thousands of tests for each place tried.
inline std::optional<QPointF> emptyCanvasPoint(RectsView *canvas)
{
    const QTransform toWidget = canvas->pageToWidget();
    // The places tried, 7 pixels apart from the lower right corner: x = width - 4 - 7 i and
    // y = height - 4 - 7 j, for x and y above 0.
    const int across = std::max(0, (canvas->width() - 4 + 6) / 7);
    const int down = std::max(0, (canvas->height() - 4 + 6) / 7);
    if (across == 0 || down == 0)
        return std::nullopt;
    std::vector<char> taken(size_t(across) * size_t(down), 0);
    // The places a closed span [low, high] holds, as indices from the far edge `edge`.
    auto indices = [](double edge, double low, double high, int count) -> std::pair<int, int> {
        const double first = std::ceil((edge - high) / 7.0);
        const double last = std::floor((edge - low) / 7.0);
        if (!(first <= last) || last < 0.0 || first > double(count - 1))
            return {1, 0};
        return {int(std::max(0.0, first)), int(std::min(double(count - 1), last))};
    };
    for (const GraphicPtr &graphic : canvas->getRects()) {
        const QRectF r = toWidget.mapRect(graphic->drawingBounds()).adjusted(-12, -12, 12, 12);
        const auto [i0, i1] = indices(canvas->width() - 4, r.left(), r.right(), across);
        const auto [j0, j1] = indices(canvas->height() - 4, r.top(), r.bottom(), down);
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i)
                taken[size_t(j) * size_t(across) + size_t(i)] = 1;
    }
    for (int j = 0; j < down; ++j)
        for (int i = 0; i < across; ++i)
            if (!taken[size_t(j) * size_t(across) + size_t(i)])
                return toWidget.inverted().map(QPointF(canvas->width() - 4 - 7 * i, canvas->height() - 4 - 7 * j));
    return std::nullopt;
}

// A press and release of the mouse where no object lies.
inline bool clickOnEmptyCanvas(RectsView *canvas)
{
    const std::optional<QPointF> at = emptyCanvasPoint(canvas);
    if (!at)
        return false;
    sendMouse(canvas, QEvent::MouseButtonPress, *at);
    sendMouse(canvas, QEvent::MouseButtonRelease, *at);
    return true;
}

// A drag of the lower right knob of the selected object by a few points, as the user resizes it.
inline void dragLowerRightKnob(RectsView *canvas, const GraphicPtr &object)
{
    const QPointF knob = KnobResize::knobPosition(object->frameBounds(), 8);
    sendMouse(canvas, QEvent::MouseButtonPress, knob);
    sendMouse(canvas, QEvent::MouseMove, knob + QPointF(6, 4));
    sendMouse(canvas, QEvent::MouseMove, knob + QPointF(12, 8));
    sendMouse(canvas, QEvent::MouseButtonRelease, knob + QPointF(12, 8));
}

// ---- designs ----

inline GraphicPtr placed(RectsView &canvas, const GraphicPtr &graphic)
{
    graphic->setPageName(canvas.getCurrPageName());
    graphic->setObjectLayer(1);
    return graphic;
}

// Writes the objects and groups that `fill` makes into `folder` under `name` with the
// program's own document writer, the one Save uses; answers the file's path.
template <typename Fill>
QString savedDesign(RectsView &canvas, const QString &folder, const QString &name, Fill fill)
{
    GraphicList graphics;
    QList<std::shared_ptr<Group>> groups;
    fill(graphics, groups);
    QVariantMap dict = canvas.drawDocumentDictionaryForGraphics(graphics);
    if (!groups.isEmpty()) {
        QVariantList stored;
        for (const auto &group : std::as_const(groups))
            stored.append(group->propertyListRepresentation(graphics));
        dict.insert(QStringLiteral("GroupsList"), stored);
    }
    for (const auto &group : std::as_const(groups))
        group->clear();
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".qkdoc");
    if (!PropertyList::writeFile(path, dict, PlistFormat::Binary))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

inline GraphicPtr textBox(RectsView &canvas, const QRectF &frame, const QString &text)
{
    GraphicPtr box = placed(canvas, ColorRect::create(frame));
    box->textStorage()->setPlainText(text);
    return box;
}

inline BezierPath zigzag(const QRectF &frame, int points, quint32 seed)
{
    QRandomGenerator random(seed);
    BezierPath outline;
    outline.moveTo(frame.topLeft());
    for (int i = 1; i < points; ++i)
        outline.lineTo(QPointF(frame.x() + random.bounded(frame.width()), frame.y() + random.bounded(frame.height())));
    outline.closePath();
    return outline;
}

// The place of object i of a design of many small objects: 100 across, the rest down.
inline QRectF gridFrame(int i, double pitch = 1.8, double size = 1.6)
{
    return QRectF(2 + (i % 100) * pitch, 2 + (i / 100) * pitch, size, size);
}

// The floor: a rectangle, an oval, a text box and a path of four points.
inline QString fourObjects(RectsView &canvas, const QString &folder)
{
    return savedDesign(canvas, folder, QStringLiteral("Four Objects"), [&](GraphicList &objects, auto &) {
        objects.append(placed(canvas, ColorRect::create(QRectF(10, 10, 60, 30))));
        objects.append(placed(canvas, ColorOval::create(QRectF(80, 10, 40, 40))));
        objects.append(textBox(canvas, QRectF(10, 60, 150, 40), QStringLiteral("Four objects")));
        auto path = ColorPath::create(QRectF(130, 60, 40, 40));
        path->setBezierPath(zigzag(QRectF(130, 60, 40, 40), 4, 1));
        objects.append(placed(canvas, path));
    });
}

inline QString textBoxes(RectsView &canvas, const QString &folder, int count)
{
    return savedDesign(canvas, folder, QStringLiteral("Text Boxes %1").arg(count), [&](GraphicList &objects, auto &) {
        for (int i = 0; i < count; ++i)
            objects.append(textBox(canvas, gridFrame(i), QStringLiteral("Text %1").arg(i)));
    });
}

inline QString ovalsWithText(RectsView &canvas, const QString &folder, int count)
{
    return savedDesign(canvas, folder, QStringLiteral("Ovals %1").arg(count), [&](GraphicList &objects, auto &) {
        for (int i = 0; i < count; ++i) {
            GraphicPtr oval = placed(canvas, ColorOval::create(gridFrame(i)));
            oval->textStorage()->setPlainText(QStringLiteral("Along the oval %1").arg(i));
            objects.append(oval);
        }
    });
}

inline QString lines(RectsView &canvas, const QString &folder, int count)
{
    return savedDesign(canvas, folder, QStringLiteral("Lines %1").arg(count), [&](GraphicList &objects, auto &) {
        for (int i = 0; i < count; ++i)
            objects.append(placed(canvas, ColorLine::create(gridFrame(i))));
    });
}

inline QString paths(RectsView &canvas, const QString &folder, int count)
{
    return savedDesign(canvas, folder, QStringLiteral("Paths %1").arg(count), [&](GraphicList &objects, auto &) {
        for (int i = 0; i < count; ++i) {
            auto path = ColorPath::create(gridFrame(i));
            path->setBezierPath(zigzag(gridFrame(i), 12, quint32(i)));
            objects.append(placed(canvas, path));
        }
    });
}

// Rectangles filled with a linear gradient, casting a shadow.
inline QString gradientRectangles(RectsView &canvas, const QString &folder, int count)
{
    return savedDesign(canvas, folder, QStringLiteral("Gradients %1").arg(count), [&](GraphicList &objects, auto &) {
        for (int i = 0; i < count; ++i) {
            GraphicPtr rect = placed(canvas, ColorRect::create(gridFrame(i)));
            rect->setDrawsFill(true);
            rect->setFillType(2);
            rect->setFillColor(QColor::fromHsv(i % 360, 160, 230));
            rect->setFillColor2(QColor::fromHsv((i + 120) % 360, 200, 120));
            rect->setFillAngle(30);
            rect->setDrawsShadow(true);
            objects.append(rect);
        }
    });
}

// A photograph of 4000 x 3000 pixels (12 megapixels), written once as a JPEG file.
inline QString photoFile(const QString &folder)
{
    const QString path = folder + QStringLiteral("/Photo 12 MP.jpg");
    if (QFile::exists(path))
        return path;
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient ground(0, 0, 4000, 3000);
    ground.setColorAt(0, QColor(40, 90, 200));
    ground.setColorAt(1, QColor(240, 200, 60));
    painter.fillRect(image.rect(), ground);
    QRandomGenerator random(12);
    for (int i = 0; i < 400; ++i) {
        painter.setBrush(QColor::fromHsv(random.bounded(360), 180, 220));
        painter.drawEllipse(QPointF(random.bounded(4000), random.bounded(3000)), 20 + random.bounded(120), 20 + random.bounded(120));
    }
    painter.end();
    if (!image.save(path, "JPEG", 88))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

// `count` pictures of one photograph, each placed as a logo is placed again and again: one
// object reads the file, the others are the same object at other places.
inline QString picturesOfOnePhoto(RectsView &canvas, const QString &folder, int count)
{
    const QString photo = photoFile(folder);
    GraphicPtr first = placed(canvas, ColorRect::create(gridFrame(0)));
    QString error;
    if (!first->setImageFromPath(photo, &error))
        qFatal("no picture: %s", qPrintable(error));
    QVariantMap dict = canvas.drawDocumentDictionaryForGraphics({first});
    const QVariantMap one = dict.value(QStringLiteral("ObjectsList")).toList().value(0).toMap();
    QVariantList objects;
    objects.reserve(count);
    for (int i = 0; i < count; ++i) {
        QVariantMap copy = one;
        const QRectF frame = gridFrame(i);
        copy.insert(QStringLiteral("Bounds"), QStringLiteral("{{%1, %2}, {%3, %4}}")
                                                  .arg(frame.x(), 0, 'f', 2)
                                                  .arg(frame.y(), 0, 'f', 2)
                                                  .arg(frame.width(), 0, 'f', 2)
                                                  .arg(frame.height(), 0, 'f', 2));
        objects.append(copy);
    }
    dict.insert(QStringLiteral("ObjectsList"), objects);
    const QString path = folder + QStringLiteral("/Pictures %1.qkdoc").arg(count);
    if (!PropertyList::writeFile(path, dict, PlistFormat::Binary))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

inline QString barcodes(RectsView &canvas, const QString &folder, int count)
{
    return savedDesign(canvas, folder, QStringLiteral("Barcodes %1").arg(count), [&](GraphicList &objects, auto &) {
        for (int i = 0; i < count; ++i) {
            auto barcode = ColorBarcode::create(gridFrame(i, 4.0, 3.6));
            TBarInfo info = barcode->getBarInfo();
            info.BarStr = QStringLiteral("QM%1").arg(i, 6, 10, QLatin1Char('0')).toStdString();
            barcode->setBarInfo(info);
            objects.append(placed(canvas, barcode));
        }
    });
}

// Merge fields as the merge-field tool places them: each a pair of a title and the value,
// the title hidden; name, street and city in turn.
inline QString mergeFields(RectsView &canvas, const QString &folder, int count)
{
    return savedDesign(canvas, folder, QStringLiteral("Merge Fields %1").arg(count), [&](GraphicList &objects, auto &groups) {
        const int pks[] = {100, 9, 10};
        for (int i = 0; i < count; ++i) {
            const MergeFieldPair pair = createDBField(nullptr, gridFrame(i, 3.0).topLeft(), pks[i % 3]);
            for (const auto &member : {pair.title, pair.contents}) {
                member->setSelected(false);
                objects.append(placed(canvas, member));
            }
            pair.group->setSelected(false);
            groups.append(pair.group);
        }
    });
}

inline QString addressBlocks(RectsView &canvas, const QString &folder, int count)
{
    return savedDesign(canvas, folder, QStringLiteral("Address Blocks %1").arg(count), [&](GraphicList &objects, auto &) {
        for (int i = 0; i < count; ++i) {
            auto block = ColorAddress::create(gridFrame(i, 3.0));
            block->setQa(TQuickAddress());
            objects.append(placed(canvas, block));
        }
    });
}

// Groups of four: a filled rectangle, an oval, a line and a text box.
inline QString groupsOfFour(RectsView &canvas, const QString &folder, int count)
{
    return savedDesign(canvas, folder, QStringLiteral("Groups %1").arg(count), [&](GraphicList &objects, auto &groups) {
        for (int i = 0; i + 3 < count; i += 4) {
            GraphicPtr rect = placed(canvas, ColorRect::create(gridFrame(i)));
            rect->setDrawsFill(true);
            rect->setFillColor(QColor::fromHsv(i % 360, 120, 230));
            GraphicPtr oval = placed(canvas, ColorOval::create(gridFrame(i + 1)));
            GraphicPtr line = placed(canvas, ColorLine::create(gridFrame(i + 2)));
            GraphicPtr text = textBox(canvas, gridFrame(i + 3), QStringLiteral("G%1").arg(i));
            const GraphicList members = {rect, oval, line, text};
            objects.append(members);
            auto group = Group::create();
            group->addObjects(members);
            groups.append(group);
        }
    });
}

// One paragraph of `count` runs, each of its own size, weight and colour.
inline QString formattedRuns(RectsView &canvas, const QString &folder, int count)
{
    return savedDesign(canvas, folder, QStringLiteral("Runs %1").arg(count), [&](GraphicList &objects, auto &) {
        GraphicPtr box = placed(canvas, ColorRect::create(QRectF(5, 5, 180, 90)));
        QTextCursor cursor(box->textStorage());
        cursor.beginEditBlock();
        for (int i = 0; i < count; ++i) {
            QTextCharFormat format;
            format.setFontPointSize(8 + i % 5);
            format.setFontWeight(i % 2 ? QFont::Bold : QFont::Normal);
            format.setForeground(QColor::fromHsv((i * 7) % 360, 200, 160));
            cursor.insertText(QStringLiteral("run%1 ").arg(i % 100), format);
        }
        cursor.endEditBlock();
        objects.append(box);
    });
}

// One filled path of `points` random points, crossing itself.
inline QString randomPath(RectsView &canvas, const QString &folder, int points)
{
    return savedDesign(canvas, folder, QStringLiteral("Path %1").arg(points), [&](GraphicList &objects, auto &) {
        auto path = ColorPath::create(QRectF(5, 5, 180, 90));
        path->setBezierPath(zigzag(QRectF(5, 5, 180, 90), points, 2024));
        path->setDrawsFill(true);
        objects.append(placed(canvas, path));
    });
}

// The kinds of design every window bench may work on, at a size: `count` objects of one kind
// each, one paragraph of ten times as many runs, one path of twenty times as many points (at
// 10,000: 100,000 runs and 200,000 points), and the four objects of the floor.
struct DesignKind
{
    const char *key;
    const char *title;
    std::function<QString(RectsView &, const QString &folder, int count)> make;
};

inline const QList<DesignKind> &designKinds()
{
    static const QList<DesignKind> kinds = {
        {"four", "four objects", [](RectsView &c, const QString &f, int) { return fourObjects(c, f); }},
        {"text", "text boxes", &textBoxes},
        {"ovals", "ovals with text", &ovalsWithText},
        {"lines", "lines", &lines},
        {"paths", "paths", &paths},
        {"gradients", "gradient+shadow rects", &gradientRectangles},
        {"pictures", "pictures of one photo", &picturesOfOnePhoto},
        {"barcodes", "barcodes", &barcodes},
        {"fields", "merge fields", &mergeFields},
        {"addresses", "address blocks", &addressBlocks},
        {"groups", "groups of four", &groupsOfFour},
        {"runs", "one paragraph of runs", [](RectsView &c, const QString &f, int n) { return formattedRuns(c, f, n * 10); }},
        {"bigpath", "one path of points", [](RectsView &c, const QString &f, int n) { return randomPath(c, f, n * 20); }},
    };
    return kinds;
}

} // namespace qmbench
