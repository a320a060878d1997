// Placing a large picture through the window ("Select Image File..." with nothing selected):
// the longest time the window's event loop is held, from the command until the new object has
// been painted with its final picture, how long until then, and the process's peak memory
// meanwhile, for a 24-megapixel JPEG, a 108-megapixel JPEG, a 70-megapixel PNG, TIFF and WebP,
// a PDF page of 14400 points a side, an SVG drawing of 1,000,000 by 750,000 pixels, and two
// detailed drawings: an SVG of 200,000 small rectangles and a one-page PDF of 150,000 ellipses.
// Beside each, in the same run, the floor: what the libraries alone take to decode the same
// picture at the size the program holds it (QImageReader for a bitmap; libtiff unpacking every
// strip of the TIFF, libwebp decoding the WebP scaled to half; Poppler and QtSvg drawing the
// page at the pixels it is shown at).
//
// For the drawings, what follows placing is measured too, each from the command until the
// window shows its final picture: one zoom step (View > Zoom In), Save As of the design, and
// opening the inspector's Image Effects on the picture (until the panel's first preview is
// drawn; the panel is then closed), and File > Print... until the print options sheet shows
// its preview with the final picture (the sheet is then cancelled), once with the picture shown
// and once at once after opening the saved design, before any raster of it is held. Last,
// opening a design that holds a 108-megapixel photo,
// stored in the design and by its path, until the photo is shown. The floor of a zoom is the
// library drawing the picture at the pixels then shown; of Save As, libplist writing the same
// design's bytes; of Image Effects, the library drawing the picture at the pixels the panel
// received; of the print options, the library drawing the picture at the pixels the sheet's
// preview shows it at (five times its size); of Open, QImageReader decoding the photo at the size
// the program holds it.
//
// Plain output, not a google-benchmark loop: each figure is a maximum over one command.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMenuBar>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTimer>

#include <poppler-qt6.h>
#include <tiffio.h>
#include <webp/decode.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "BenchSupport.h"
#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/CanvasInspector.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "images/Controller.h"
#include "images/MyImageView.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/ColorRect.h"
#include "objects/PictureWorker.h"
#include "platform/PrintPanels.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

using namespace quillmark;
using namespace qmbench;

namespace {

// Counts the messages, so that a refused picture ends its placement; Save As answers
// `savePath` as a design, and a modal panel is handed to `panel`.
class CountingPrompts : public BenchPrompts
{
public:
    int alerts = 0;
    QString savePath;
    std::function<int(QDialog *)> panel;
    int alert(QWidget *parent, const QString &title, const QString &text, const QStringList &buttons,
              AlertStyle style) override
    {
        ++alerts;
        return BenchPrompts::alert(parent, title, text, buttons, style);
    }
    QString saveFileOfType(QWidget *, const QString &, const QString &, const QString &, const QList<FileType> &,
                           int &chosen, QWidget *) override
    {
        chosen = 0;
        return savePath;
    }
    int runPanel(QWidget *, QDialog *dialog) override { return panel ? panel(dialog) : 0; }
};

CountingPrompts *prompts = nullptr;

// The print options sheet shows, and is cancelled once its preview holds its final pictures:
// nothing is being made for it any more and what arrived has been drawn.
class SheetPanels : public PrintPanels
{
public:
    int sheets = 0;
    bool runPrintPanel(QWidget *, QPrinter &, const QList<QWidget *> &) override { return false; }
    bool runPageLayout(QWidget *, QPageLayout &) override { return false; }
    int runSheet(QDialog &sheet) override
    {
        sheet.show();
        QElapsedTimer waited;
        waited.start();
        while (PictureWorker::busy() && waited.elapsed() < 600000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        for (int i = 0; i < 4; ++i)
            QApplication::processEvents();
        sheet.hide();
        ++sheets;
        return 0;
    }
};

SheetPanels *sheetPanels = nullptr;

// How long the last longestBlock took from `start` until `until` was true.
double lastTotalMs = 0;

// The longest time between two ticks of a 5 ms timer, from `start` until `until` is true.
double longestBlock(const std::function<void()> &start, const std::function<bool()> &until, int timeoutMs)
{
    QElapsedTimer total;
    total.start();
    QElapsedTimer since;
    since.start();
    double longest = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        longest = std::max(longest, since.nsecsElapsed() / 1e6);
        since.restart();
    });
    timer.start();
    QTimer::singleShot(0, start);
    while (!until() && total.elapsed() < timeoutMs)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    longest = std::max(longest, since.nsecsElapsed() / 1e6);
    lastTotalMs = total.nsecsElapsed() / 1e6;
    return longest;
}

// The peak resident memory since the last reset, in megabytes.
double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// A picture that compresses like a photograph: gradients and shapes.
void paintScene(QPainter &painter, QSizeF size)
{
    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0, QColor(60, 120, 220));
    sky.setColorAt(1, QColor(230, 190, 70));
    painter.fillRect(QRectF(QPointF(0, 0), size), sky);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(QColor::fromHsv((i * 37) % 360, 160, 210, 180));
        const double r = size.width() / 30.0 * (1 + i % 5);
        painter.drawEllipse(QPointF(size.width() * ((i * 131) % 100) / 100.0, size.height() * ((i * 71) % 100) / 100.0), r, r);
    }
}

QString writeBitmap(const QString &name, QSize size, const char *format)
{
    const QString path = workDir().filePath(name);
    QImage image(size, QImage::Format_RGB888);
    {
        QPainter painter(&image);
        paintScene(painter, QSizeF(size));
    }
    QImageWriter writer(path, format);
    writer.setQuality(strcmp(format, "png") == 0 ? 90 : 85);
    // LZW, as scanners store their TIFFs.
    if (strcmp(format, "tiff") == 0)
        writer.setCompression(1);
    return writer.write(image) ? path : QString();
}

// libtiff alone: every strip unpacked to RGBA, a band at a time, nothing more.
QSize tiffFloor(const QString &path)
{
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return {};
    QSize size;
    char message[1024];
    TIFFRGBAImage image;
    if (TIFFRGBAImageBegin(&image, tiff, 1, message)) {
        uint32_t rows = 1;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rows);
        rows = std::clamp<uint32_t>(rows * std::max<uint32_t>(1, 64 / rows), 1, image.height);
        image.req_orientation = image.orientation;
        std::vector<uint32_t> band(size_t(rows) * image.width);
        bool ok = true;
        for (uint32_t top = 0; ok && top < image.height; top += rows) {
            image.row_offset = int(top);
            ok = TIFFRGBAImageGet(&image, band.data(), image.width, std::min(rows, image.height - top));
        }
        if (ok)
            size = QSize(int(image.width), int(image.height));
        TIFFRGBAImageEnd(&image);
    }
    TIFFClose(tiff);
    return size;
}

// libwebp alone, decoding straight to half size.
QSize webpFloor(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    WebPDecoderConfig config;
    WebPInitDecoderConfig(&config);
    const auto *data = reinterpret_cast<const uint8_t *>(bytes.constData());
    if (WebPGetFeatures(data, size_t(bytes.size()), &config.input) != VP8_STATUS_OK)
        return {};
    config.options.use_scaling = 1;
    config.options.scaled_width = (config.input.width + 1) / 2;
    config.options.scaled_height = (config.input.height + 1) / 2;
    config.output.colorspace = MODE_rgbA;
    if (WebPDecode(data, size_t(bytes.size()), &config) != VP8_STATUS_OK)
        return {};
    const QSize size(config.output.width, config.output.height);
    WebPFreeDecBuffer(&config.output);
    return size;
}

QString writePdf()
{
    const QString path = workDir().filePath(QStringLiteral("poster.pdf"));
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QSizeF(14400, 14400), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter painter(&writer);
    paintScene(painter, QSizeF(14400, 14400));
    return path;
}

QString writeSvg()
{
    const QString path = workDir().filePath(QStringLiteral("mural.svg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QByteArray text = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000000\" height=\"750000\">\n"
                      "<rect width=\"1000000\" height=\"750000\" fill=\"#3c78dc\"/>\n";
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"hsl(%4,60%,60%)\"/>\n")
                    .arg((i * 131) % 100 * 10000)
                    .arg((i * 71) % 100 * 7500)
                    .arg(30000 * (1 + i % 5))
                    .arg((i * 37) % 360)
                    .toUtf8();
    text += "</svg>\n";
    return file.write(text) == text.size() ? path : QString();
}

// 200,000 small rectangles in rows, each its own colour: 11 to 12 MB of SVG text.
QString writeDetailedSvg()
{
    const QString path = workDir().filePath(QStringLiteral("detailed.svg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QByteArray text = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"2000\" height=\"1500\">\n";
    text.reserve(12 * 1024 * 1024);
    char line[128];
    for (int i = 0; i < 200000; ++i) {
        const int n = std::snprintf(line, sizeof line,
                                    "<rect x=\"%d.5\" y=\"%d.25\" width=\"3.5\" height=\"2.75\" fill=\"#%06x\"/>\n",
                                    (i * 7) % 1996, (i / 285) * 2 % 1496, (i * 2654435761u) & 0xffffff);
        text.append(line, n);
    }
    text += "</svg>\n";
    return file.write(text) == text.size() ? path : QString();
}

// One page of 150,000 small ellipses, each its own colour.
QString writeDetailedPdf()
{
    const QString path = workDir().filePath(QStringLiteral("detailed.pdf"));
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QSizeF(1500, 1125), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 150000; ++i) {
        painter.setBrush(QColor::fromRgb((i * 2654435761u) & 0xffffff));
        painter.drawEllipse(QRectF((i * 7) % 1496, (i / 300) * 2 % 1121, 3.5, 2.5));
    }
    return path;
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
    qFatal("no menu item %s", qPrintable(item));
}

// The least the libraries need for the picture at `pixels` (a bitmap at the size the program
// holds it: a half, a quarter or an eighth when the file is larger than 64 megapixels).
double floorMs(const QString &path, QSize pixels, QSize *made)
{
    QElapsedTimer clock;
    clock.start();
    QImage image;
    if (path.endsWith(QLatin1String(".pdf"))) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(file.readAll());
        std::unique_ptr<Poppler::Page> page = document ? document->page(0) : nullptr;
        if (page) {
            const QSizeF points = page->pageSizeF();
            image = page->renderToImage(72.0 * pixels.width() / points.width(), 72.0 * pixels.height() / points.height());
        }
    } else if (path.endsWith(QLatin1String(".svg"))) {
        QSvgRenderer renderer(path);
        image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
    } else if (path.endsWith(QLatin1String(".tif"))) {
        *made = tiffFloor(path);
        return clock.nsecsElapsed() / 1e6;
    } else if (path.endsWith(QLatin1String(".webp"))) {
        *made = webpFloor(path);
        return clock.nsecsElapsed() / 1e6;
    } else {
        const int limit = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(0);
        QImageReader reader(path);
        const QSize stored = reader.size();
        QSize held = stored;
        while (qint64(held.width()) * held.height() > 64LL * 1024 * 1024)
            held = QSize((held.width() + 1) / 2, (held.height() + 1) / 2);
        if (held != stored && reader.format() == "jpeg")
            reader.setScaledSize(held);
        image = reader.read();
        QImageReader::setAllocationLimit(limit);
    }
    *made = image.size();
    return clock.nsecsElapsed() / 1e6;
}

// Whether the canvas shows its final pictures: nothing is being decoded or drawn for it any
// more, and it has been painted since.
class FinalPicture
{
public:
    FinalPicture(RectsView *canvas, PaintWatch *watch)
        : m_canvas(canvas)
        , m_watch(watch)
    {
    }
    bool operator()()
    {
        const bool idle = !m_canvas->isLoadingPicture() && !QApplication::overrideCursor() && !PictureWorker::busy();
        if (!idle) {
            m_settled = false;
            return false;
        }
        if (!m_settled) {
            // The painting with the final picture counts too.
            m_settled = true;
            m_watch->painted = false;
            m_canvas->update();
            return false;
        }
        return m_watch->painted;
    }

private:
    RectsView *m_canvas;
    PaintWatch *m_watch;
    bool m_settled = false;
};

// The pixels the first object covers on the canvas.
QSize shownPixels(RectsView *canvas)
{
    const GraphicPtr made = canvas->getRects().first();
    const QSizeF shownSize = made->frameBounds().size() * canvas->getZoom() * canvas->devicePixelRatioF();
    return QSize(int(std::ceil(shownSize.width())), int(std::ceil(shownSize.height())));
}

void printRow(const char *title, const char *what, double block, double total, double floor, QSize floorSize)
{
    std::printf("%-20s %-13s longest block %6.1f ms   shown in %7.1f ms   floor %7.1f ms (%dx%d)\n", title, what,
                block, total, floor, floorSize.width(), floorSize.height());
    std::fflush(stdout);
}

// Places the picture; with `keep` the object stays for what is measured next.
bool place(const char *title, const QString &path, bool keep = false)
{
    if (path.isEmpty()) {
        std::printf("%-28s could not write the picture\n", title);
        return false;
    }
    MainWindow &w = window();
    RectsView *canvas = w.canvas();
    canvas->removeAllRects();
    QCoreApplication::processEvents();
    PaintWatch watch;
    canvas->installEventFilter(&watch);
    prompts->nextPath = path;
    QAction *choose = menuItem(QStringLiteral("Image"), QStringLiteral("Select Image File..."));
    resetPeak();
    const double before = peakMegabytes();
    const int alertsBefore = prompts->alerts;
    FinalPicture shown(canvas, &watch);
    const double block = longestBlock([choose] { choose->trigger(); },
                                      [&] {
                                          if (prompts->alerts != alertsBefore)
                                              return true;
                                          return !canvas->getRects().isEmpty() && shown();
                                      },
                                      600000);
    const double peak = peakMegabytes();
    const double placedMs = lastTotalMs;
    canvas->removeEventFilter(&watch);
    prompts->nextPath.clear();
    if (canvas->getRects().isEmpty()) {
        std::printf("%-28s refused (longest block %.1f ms)\n", title, block);
        return false;
    }
    const QSize pixels = shownPixels(canvas);
    if (!keep) {
        canvas->removeAllRects();
        QCoreApplication::processEvents();
    }
    QSize floorSize;
    resetPeak();
    const double floor = floorMs(path, pixels, &floorSize);
    const double floorPeak = peakMegabytes();
    std::printf("%-20s longest block %6.1f ms   placed in %7.1f ms   peak %5.0f MB (idle %5.0f)   "
                "floor %7.1f ms (%dx%d, peak %5.0f MB)\n",
                title, block, placedMs, peak, before, floor, floorSize.width(), floorSize.height(), floorPeak);
    std::fflush(stdout);
    return true;
}

// View > Zoom In on the placed drawing, four steps (enough to need rasters of a new size), each
// until the picture for the new zoom is shown: the longest block of the four, and the time of
// the longest step.
void zoomSteps(const char *title, const QString &path)
{
    RectsView *canvas = window().canvas();
    QAction *zoomIn = menuItem(QStringLiteral("View"), QStringLiteral("Zoom In"));
    double block = 0;
    double total = 0;
    for (int step = 0; step < 4; ++step) {
        PaintWatch watch;
        canvas->installEventFilter(&watch);
        FinalPicture shown(canvas, &watch);
        block = std::max(block, longestBlock([zoomIn] { zoomIn->trigger(); }, [&] { return shown(); }, 600000));
        total = std::max(total, lastTotalMs);
        canvas->removeEventFilter(&watch);
    }
    QSize floorSize;
    const double floor = floorMs(path, shownPixels(canvas), &floorSize);
    printRow(title, "zoom in x4", block, total, floor, floorSize);
}

// File > Save As of the design holding the placed picture.
void saveAs(const char *title, const QString &design)
{
    RectsView *canvas = window().canvas();
    PaintWatch watch;
    canvas->installEventFilter(&watch);
    prompts->savePath = design;
    QFile::remove(design);
    QAction *save = menuItem(QStringLiteral("File"), QStringLiteral("Save As..."));
    FinalPicture shown(canvas, &watch);
    const double block =
        longestBlock([save] { save->trigger(); }, [&] { return QFile::exists(design) && shown(); }, 600000);
    const double total = lastTotalMs;
    canvas->removeEventFilter(&watch);
    prompts->savePath.clear();
    // The floor: the same design's bytes written by libplist alone.
    QFile file(design);
    file.open(QIODevice::ReadOnly);
    const QVariant tree = PropertyList::fromData(file.readAll());
    QElapsedTimer clock;
    clock.start();
    const QByteArray bytes = PropertyList::toData(tree, PlistFormat::Binary);
    const double floor = clock.nsecsElapsed() / 1e6;
    std::printf("%-20s %-13s longest block %6.1f ms   shown in %7.1f ms   floor %7.1f ms (%lld KB written)\n", title,
                "save as", block, total, floor, qint64(bytes.size() / 1024));
    std::fflush(stdout);
}

// The inspector's Image Effects on the placed picture, until the panel's first preview is drawn;
// the panel is then closed.
void imageEffects(const char *title, const QString &path)
{
    MainWindow &w = window();
    RectsView *canvas = w.canvas();
    canvas->selectAll();
    w.objectInfo()->switchTab(CanvasInspector::ImageTab);
    QCoreApplication::processEvents();
    auto *button = w.findChild<QPushButton *>(QStringLiteral("btnEdit"));
    if (!button || !button->isEnabled()) {
        std::printf("%-20s %-13s the button is not there\n", title, "image effects");
        return;
    }
    PaintWatch watch;
    canvas->installEventFilter(&watch);
    bool panelDone = false;
    QSize source;
    prompts->panel = [&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        source = panel->backImage().extent().size().toSize();
        PaintWatch preview;
        panel->ciView()->installEventFilter(&preview);
        panel->show();
        QElapsedTimer waited;
        waited.start();
        while ((panel->isRendering() || !preview.painted) && waited.elapsed() < 600000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        panel->ciView()->removeEventFilter(&preview);
        panel->hide();
        panelDone = true;
        return Controller::CloseTag;
    };
    FinalPicture shown(canvas, &watch);
    const double block =
        longestBlock([button] { button->click(); }, [&] { return panelDone && shown(); }, 600000);
    const double total = lastTotalMs;
    canvas->removeEventFilter(&watch);
    prompts->panel = nullptr;
    QSize floorSize;
    const double floor = floorMs(path, source, &floorSize);
    printRow(title, "image effects", block, total, floor, floorSize);
}

// File > Print... until the options sheet shows its final preview and is cancelled; with
// `design`, the saved design is opened first, in the same turn of the event loop, so that the
// sheet opens before any raster of the picture is held.
void printOptions(const char *title, const char *what, const QString &path, const QString &design = QString())
{
    RectsView *canvas = window().canvas();
    QAction *open = menuItem(QStringLiteral("File"), QStringLiteral("Open..."));
    if (!design.isEmpty()) {
        canvas->wasChanged(false);
        menuItem(QStringLiteral("File"), QStringLiteral("New"))->trigger();
        PictureWorker::waitUntilDone();
        QCoreApplication::processEvents();
        prompts->nextPath = design;
    }
    PaintWatch watch;
    canvas->installEventFilter(&watch);
    QAction *print = menuItem(QStringLiteral("File"), QStringLiteral("Print..."));
    const int sheetsBefore = sheetPanels->sheets;
    FinalPicture shown(canvas, &watch);
    const double block = longestBlock(
        [&] {
            if (!design.isEmpty())
                open->trigger();
            print->trigger();
        },
        [&] { return sheetPanels->sheets != sheetsBefore && shown(); }, 600000);
    const double total = lastTotalMs;
    canvas->removeEventFilter(&watch);
    prompts->nextPath.clear();
    if (canvas->getRects().isEmpty()) {
        std::printf("%-20s %-13s nothing to print (longest block %.1f ms)\n", title, what, block);
        return;
    }
    const QSizeF preview = canvas->getRects().first()->imageFrame().size() * 5.0;
    QSize floorSize;
    const double floor = floorMs(path, QSize(int(std::ceil(preview.width())), int(std::ceil(preview.height()))), &floorSize);
    printRow(title, what, block, total, floor, floorSize);
    canvas->wasChanged(false);
}

// File > Open of a saved design, from a new one, until its picture is shown; the floor is the
// library decoding or drawing `picture` at the pixels then shown.
void openSaved(const char *title, const char *what, const QString &design, const QString &picture)
{
    RectsView *canvas = window().canvas();
    canvas->wasChanged(false);
    menuItem(QStringLiteral("File"), QStringLiteral("New"))->trigger();
    PictureWorker::waitUntilDone();
    QCoreApplication::processEvents();
    PaintWatch watch;
    canvas->installEventFilter(&watch);
    prompts->nextPath = design;
    QAction *open = menuItem(QStringLiteral("File"), QStringLiteral("Open..."));
    FinalPicture shown(canvas, &watch);
    const double block = longestBlock([open] { open->trigger(); },
                                      [&] { return !canvas->getRects().isEmpty() && shown(); }, 600000);
    const double total = lastTotalMs;
    canvas->removeEventFilter(&watch);
    prompts->nextPath.clear();
    if (canvas->getRects().isEmpty()) {
        std::printf("%-20s %-13s nothing opened (longest block %.1f ms)\n", title, what, block);
        return;
    }
    QSize floorSize;
    const double floor = floorMs(picture, shownPixels(canvas), &floorSize);
    printRow(title, what, block, total, floor, floorSize);
    canvas->wasChanged(false);
}

// Opens a design holding the photo (stored in it, or by its path), until the photo is shown.
void openDesign(const char *title, const QString &photo, bool embedded)
{
    RectsView *canvas = window().canvas();
    UserDefaults::standard().setString(embedded ? QStringLiteral("YES") : QStringLiteral("NO"), QStringLiteral("imgToDoc"));
    if (!place(title, photo, true))
        return;
    const QString design = workDir().filePath(embedded ? QStringLiteral("embedded.qkdoc") : QStringLiteral("linked.qkdoc"));
    prompts->savePath = design;
    QFile::remove(design);
    menuItem(QStringLiteral("File"), QStringLiteral("Save As..."))->trigger();
    prompts->savePath.clear();
    UserDefaults::standard().setString(QStringLiteral("NO"), QStringLiteral("imgToDoc"));
    openSaved(title, embedded ? "open, stored" : "open, linked", design, photo);
    canvas->removeAllRects();
    canvas->wasChanged(false);
}

// Placing a drawing, then zooming, saving and the effects panel on it.
void drawing(const char *title, const QString &path, const QString &design)
{
    if (!place(title, path, true))
        return;
    zoomSteps(title, path);
    saveAs(title, design);
    imageEffects(title, path);
    printOptions(title, "print options", path);
    openSaved(title, "open", design, path);
    printOptions(title, "open, print", path, design);
    window().canvas()->removeAllRects();
    window().canvas()->wasChanged(false);
    QCoreApplication::processEvents();
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
    auto installed = std::make_unique<CountingPrompts>();
    prompts = installed.get();
    Prompts::install(std::move(installed));
    auto sheets = std::make_unique<SheetPanels>();
    sheetPanels = sheets.get();
    PrintPanels::install(std::move(sheets));
    RectsView::setTerminatePromptFlag(true);

    // A word as the first argument measures only the pictures whose titles hold it
    // ("shape" for the detailed drawings).
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    auto wanted = [&only](const char *title) { return only.isEmpty() || QString::fromUtf8(title).contains(only); };

    std::printf("writing the pictures...\n");
    std::fflush(stdout);
    window();
    if (wanted("400x300 PNG")) {
        // The panel's first opening in the process starts its filter library: measured apart,
        // on a small picture, so that the rows below show what each picture costs.
        const QString small = writeBitmap(QStringLiteral("small.png"), QSize(400, 300), "png");
        if (place("400x300 PNG", small, true)) {
            imageEffects("400x300 PNG", small);
            window().canvas()->removeAllRects();
        }
    }
    if (wanted("24 MP JPEG"))
        place("24 MP JPEG", writeBitmap(QStringLiteral("photo24.jpg"), QSize(6000, 4000), "jpeg"));
    const QString jpeg108 = wanted("108 MP JPEG") ? writeBitmap(QStringLiteral("photo108.jpg"), QSize(12000, 9000), "jpeg") : QString();
    if (!jpeg108.isEmpty())
        place("108 MP JPEG", jpeg108);
    if (wanted("70 MP PNG"))
        place("70 MP PNG", writeBitmap(QStringLiteral("scan70.png"), QSize(10240, 6836), "png"));
    if (wanted("70 MP TIFF"))
        place("70 MP TIFF", writeBitmap(QStringLiteral("scan70.tif"), QSize(10240, 6836), "tiff"));
    if (wanted("70 MP WebP"))
        place("70 MP WebP", writeBitmap(QStringLiteral("photo70.webp"), QSize(10000, 7000), "webp"));
    if (wanted("14400 pt PDF page"))
        drawing("14400 pt PDF page", writePdf(), workDir().filePath(QStringLiteral("poster.qkdoc")));
    if (wanted("1,000,000 px SVG"))
        drawing("1,000,000 px SVG", writeSvg(), workDir().filePath(QStringLiteral("mural.qkdoc")));
    if (wanted("200,000-shape SVG")) {
        const QString detailedSvg = writeDetailedSvg();
        std::printf("detailed SVG %.1f MB\n", QFileInfo(detailedSvg).size() / 1048576.0);
        drawing("200,000-shape SVG", detailedSvg, workDir().filePath(QStringLiteral("detailed-svg.qkdoc")));
    }
    if (wanted("150,000-shape PDF")) {
        const QString detailedPdf = writeDetailedPdf();
        std::printf("detailed PDF %.1f MB\n", QFileInfo(detailedPdf).size() / 1048576.0);
        drawing("150,000-shape PDF", detailedPdf, workDir().filePath(QStringLiteral("detailed-pdf.qkdoc")));
    }
    if (!jpeg108.isEmpty()) {
        openDesign("108 MP JPEG", jpeg108, true);
        openDesign("108 MP JPEG", jpeg108, false);
    }
    return 0;
}
