// Placing a large picture through the window ("Select Image File..." with nothing selected):
// the longest time the window's event loop is held, from the command until the new object has
// been painted, how long until then, and the process's peak memory meanwhile, for a
// 24-megapixel JPEG, a 108-megapixel JPEG, a 70-megapixel PNG, TIFF and WebP, a PDF page of
// 14400 points a side and an SVG drawing of 1,000,000 by 750,000 pixels. Beside each, in the same run, the floor: what
// the libraries alone take to decode the same picture at the size the program holds it
// (QImageReader for a bitmap; libtiff unpacking every strip of the TIFF, libwebp decoding the
// WebP scaled to half; Poppler and QtSvg drawing the page at the pixels it is shown at).
//
// Plain output, not a google-benchmark loop: each figure is a maximum over one placement.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMenuBar>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
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
#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"

using namespace quillmark;
using namespace qmbench;

namespace {

// Counts the messages, so that a refused picture ends its placement.
class CountingPrompts : public BenchPrompts
{
public:
    int alerts = 0;
    int alert(QWidget *parent, const QString &title, const QString &text, const QStringList &buttons,
              AlertStyle style) override
    {
        ++alerts;
        return BenchPrompts::alert(parent, title, text, buttons, style);
    }
};

CountingPrompts *prompts = nullptr;

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

void place(const char *title, const QString &path)
{
    if (path.isEmpty()) {
        std::printf("%-28s could not write the picture\n", title);
        return;
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
    bool placedSeen = false;
    const int alertsBefore = prompts->alerts;
    const double block = longestBlock([choose] { choose->trigger(); },
                                      [&] {
                                          if (prompts->alerts != alertsBefore)
                                              return true;
                                          if (canvas->getRects().isEmpty() || QApplication::overrideCursor())
                                              return false;
                                          if (!placedSeen) {
                                              // The first painting with the picture counts too.
                                              placedSeen = true;
                                              watch.painted = false;
                                              canvas->update();
                                          }
                                          return watch.painted;
                                      },
                                      600000);
    const double peak = peakMegabytes();
    const double placedMs = lastTotalMs;
    canvas->removeEventFilter(&watch);
    prompts->nextPath.clear();
    if (canvas->getRects().isEmpty()) {
        std::printf("%-28s refused (longest block %.1f ms)\n", title, block);
        return;
    }
    const GraphicPtr made = canvas->getRects().first();
    const QSizeF shownSize = made->frameBounds().size() * canvas->getZoom() * canvas->devicePixelRatioF();
    const QSize shown(int(std::ceil(shownSize.width())), int(std::ceil(shownSize.height())));
    canvas->removeAllRects();
    QCoreApplication::processEvents();
    QSize floorSize;
    resetPeak();
    const double floor = floorMs(path, shown, &floorSize);
    const double floorPeak = peakMegabytes();
    std::printf("%-20s longest block %6.1f ms   placed in %7.1f ms   peak %5.0f MB (idle %5.0f)   "
                "floor %7.1f ms (%dx%d, peak %5.0f MB)\n",
                title, block, placedMs, peak, before, floor, floorSize.width(), floorSize.height(), floorPeak);
    std::fflush(stdout);
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
    RectsView::setTerminatePromptFlag(true);

    std::printf("writing the pictures...\n");
    std::fflush(stdout);
    const QString jpeg24 = writeBitmap(QStringLiteral("photo24.jpg"), QSize(6000, 4000), "jpeg");
    const QString jpeg108 = writeBitmap(QStringLiteral("photo108.jpg"), QSize(12000, 9000), "jpeg");
    const QString png70 = writeBitmap(QStringLiteral("scan70.png"), QSize(10240, 6836), "png");
    const QString tiff70 = writeBitmap(QStringLiteral("scan70.tif"), QSize(10240, 6836), "tiff");
    const QString webp70 = writeBitmap(QStringLiteral("photo70.webp"), QSize(10000, 7000), "webp");
    const QString pdf = writePdf();
    const QString svg = writeSvg();
    window();
    place("24 MP JPEG", jpeg24);
    place("108 MP JPEG", jpeg108);
    place("70 MP PNG", png70);
    place("70 MP TIFF", tiff70);
    place("70 MP WebP", webp70);
    place("14400 pt PDF page", pdf);
    place("1,000,000 px SVG", svg);
    return 0;
}
