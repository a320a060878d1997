// How long the window stops answering while Save keeps a design's picture from outside the
// program: the first Save of a design holding one picture placed from the user's own folder
// copies the file into the user's clip-art folder, read through the guarded reader and checked
// to be a picture still. A heartbeat timer on the window's thread measures the longest gap
// between two of its ticks. Beside it, the floor: the file's bytes read and written again,
// which any copy must do, and the whole Save, which the copy adds to.
//
// The last line is a design whose picture file was replaced by a FIFO after placing: Save must
// return at once and keep the picture in the design.
//
// Plain output, not a google-benchmark loop: each figure is a maximum over one Save.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QMenuBar>
#include <QPainter>
#include <QPdfWriter>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "BenchSupport.h"
#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "objects/CanvasServices.h"
#include "objects/ColorRect.h"

using namespace quillmark;
using namespace qmbench;

namespace {

BenchPrompts *prompts = nullptr;

MainWindow &window()
{
    static MainWindow *made = [] {
        registerAllKinds();
        auto *w = new MainWindow;
        w->resize(1024, 768);
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
    return nullptr;
}

// The longest time between two ticks of a 5 ms timer, from `start` until `until` is true.
double longestBlock(const std::function<void()> &start, const std::function<bool()> &until, int timeoutMs,
                    double *totalMs)
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
    *totalMs = total.nsecsElapsed() / 1e6;
    return longest;
}

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

QString folder()
{
    static const QString made = [] {
        const QString path = workDir().filePath(QStringLiteral("pictures"));
        QDir().mkpath(path);
        return path;
    }();
    return made;
}

QString writeBitmap(const QString &name, QSize size, const char *format)
{
    const QString path = folder() + QLatin1Char('/') + name;
    QImage image(size, QImage::Format_RGB888);
    {
        QPainter painter(&image);
        paintScene(painter, QSizeF(size));
    }
    QImageWriter writer(path, format);
    writer.setQuality(85);
    return writer.write(image) ? path : QString();
}

// A detailed drawing: 200,000 small rectangles.
QString writeSvg()
{
    const QString path = folder() + QStringLiteral("/detailed.svg");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QByteArray text = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"2000\" height=\"2000\">\n";
    for (int i = 0; i < 200000; ++i)
        text += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"3\" height=\"3\" fill=\"#%3\"/>\n")
                    .arg(i % 1999)
                    .arg((i * 7) % 1999)
                    .arg((i * 2654435761u) & 0xffffff, 6, 16, QLatin1Char('0'))
                    .toLatin1();
    text += "</svg>\n";
    return file.write(text) == text.size() ? path : QString();
}

// A detailed one-page PDF: 150,000 small ellipses.
QString writePdf()
{
    const QString path = folder() + QStringLiteral("/detailed.pdf");
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QSizeF(2000, 2000), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 150000; ++i) {
        painter.setBrush(QColor::fromRgb((i * 2654435761u) & 0xffffff));
        painter.drawEllipse(QRectF(i % 1997, (i * 7) % 1997, 3, 3));
    }
    return path;
}

// The floor: the file's bytes read and written to a new file.
double copyFloor(const QString &path)
{
    const QString target = workDir().filePath(QStringLiteral("floor-copy"));
    QFile::remove(target);
    QElapsedTimer clock;
    clock.start();
    QFile in(path);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return -1;
    char chunk[256 * 1024];
    for (qint64 got; (got = in.read(chunk, sizeof chunk)) > 0;)
        out.write(chunk, got);
    out.close();
    const double ms = clock.nsecsElapsed() / 1e6;
    QFile::remove(target);
    return ms;
}

// Places the picture in a new design, then saves the design for the first time; answers the
// longest block of that Save and its whole time.
bool placeAndSave(const QString &path, const QString &document, double *block, double *saveMs,
                  const std::function<void()> &beforeSave = {})
{
    RectsView *canvas = window().canvas();
    canvas->removeAllRects();
    canvas->setFilePath(QString());
    QCoreApplication::processEvents();
    prompts->nextPath = path;
    menuItem(QStringLiteral("Image"), QStringLiteral("Select Image File..."))->trigger();
    QElapsedTimer wait;
    wait.start();
    while ((canvas->getRects().isEmpty() || canvas->isLoadingPicture()) && wait.elapsed() < 600000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    if (canvas->getRects().isEmpty())
        return false;
    if (beforeSave)
        beforeSave();
    // The copy of an earlier run is gone, so that this Save makes its own.
    QFile::remove(QDir(CanvasServices::clipartUserPath()).filePath(QFileInfo(path).fileName()));
    prompts->nextPath = document;
    QFile::remove(document);
    bool saved = false;
    *block = longestBlock([&] { menuItem(QStringLiteral("File"), QStringLiteral("Save"))->trigger(); saved = true; },
                          [&] { return saved; }, 600000, saveMs);
    prompts->nextPath.clear();
    return QFile::exists(document);
}

void report(const char *title, const QString &path)
{
    if (path.isEmpty()) {
        std::printf("%-22s could not write the picture\n", title);
        return;
    }
    double block = 0;
    double saveMs = 0;
    const QString document = workDir().filePath(QStringLiteral("design.qkdoc"));
    if (!placeAndSave(path, document, &block, &saveMs)) {
        std::printf("%-22s not saved\n", title);
        return;
    }
    const bool copied = QFile::exists(QDir(CanvasServices::clipartUserPath()).filePath(QFileInfo(path).fileName()));
    std::printf("%-22s %6.1f MB   Save: longest block %7.1f ms, whole Save %7.1f ms, %s   floor: bytes copied %6.1f ms\n",
                title, QFileInfo(path).size() / 1048576.0, block, saveMs, copied ? "copied" : "NOT copied",
                copyFloor(path));
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
    auto installed = std::make_unique<BenchPrompts>();
    prompts = installed.get();
    Prompts::install(std::move(installed));
    RectsView::setTerminatePromptFlag(true);

    std::printf("writing the pictures...\n");
    std::fflush(stdout);
    const QString jpeg24 = writeBitmap(QStringLiteral("photo24.jpg"), QSize(6000, 4000), "jpeg");
    const QString tiff70 = writeBitmap(QStringLiteral("scan70.tif"), QSize(10000, 7000), "tiff");
    const QString svg = writeSvg();
    const QString pdf = writePdf();
    window();
    std::printf("First Save of a design holding one picture from the user's folder\n");
    report("24 MP JPEG", jpeg24);
    report("70 MP TIFF", tiff70);
    report("200,000-shape SVG", svg);
    report("150,000-shape PDF", pdf);

    // The picture's file replaced by a FIFO after it was placed ("--no-fifo" leaves it out, for
    // a program that would wait on it for good).
    if (argc > 1 && std::strcmp(argv[1], "--no-fifo") == 0)
        return 0;
    const QString piped = writeBitmap(QStringLiteral("piped.jpg"), QSize(1200, 800), "jpeg");
    double block = 0;
    double saveMs = 0;
    const QString document = workDir().filePath(QStringLiteral("piped.qkdoc"));
    const bool saved = placeAndSave(piped, document, &block, &saveMs, [&piped] {
        QFile::remove(piped);
        ::mkfifo(QFile::encodeName(piped).constData(), 0600);
    });
    std::printf("%-22s Save: longest block %7.1f ms, whole Save %7.1f ms, %s\n", "picture become a FIFO", block, saveMs,
                saved ? "saved" : "NOT saved");
    return 0;
}
