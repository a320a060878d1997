// Pictures in the real window (Xvfb at 96 dpi, the canvas at 155 %): how long the window stops
// answering, and how much memory it takes, while designs of many pictures open, duplicate and
// paste, while a design naming large picture files opens, pastes and saves (Save copying the
// pictures from outside among the user's clip-art), beside the four-object design and beside
// the same work done by Qt alone (decoding a photo whole and at an eighth, reading a large file
// and writing it again). Each figure is taken in a process of its own, before any picture of it
// is kept: the longest time the event loop did not answer, from the command until every picture
// it shows has arrived and is drawn; the time that took; the growth of the resident peak.
//
// Run: xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' ./bench_picture_window_bench
// PICTURE_BENCH_KEYS=<key>,<key> runs those figures only.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QProcess>
#include <QSvgRenderer>
#include <QUrl>

#include <cstdio>

#include "WindowBench.h"
#include "images/ImageBrowserPanel.h"
#include "images/ScrollNSImageView.h"
#include "objects/CanvasServices.h"

using namespace quillmark;
using namespace qmbench;

namespace {

BenchPrompts *prompts = nullptr;

RectsView *canvas()
{
    return benchWindow().canvas();
}

struct Figure
{
    double blockMs = 0;
    double totalMs = 0;
    double peakMb = 0;
};

// The command, then turns of the event loop until every picture it asked for is made and drawn.
Figure measure(const std::function<void()> &command)
{
    const qint64 before = residentKb();
    resetPeakMemory();
    Heartbeat beat;
    QElapsedTimer total;
    beat.start();
    total.start();
    command();
    settle(200);
    waitForPictures(canvas());
    Figure f;
    f.totalMs = double(total.nsecsElapsed()) / 1e6;
    f.blockMs = beat.stopMs();
    f.peakMb = double(peakKb() - before) / 1024.0;
    return f;
}

// Work done without the window: only its time.
Figure alone(const std::function<void()> &work)
{
    const qint64 before = residentKb();
    resetPeakMemory();
    QElapsedTimer total;
    total.start();
    work();
    Figure f;
    f.totalMs = f.blockMs = double(total.nsecsElapsed()) / 1e6;
    f.peakMb = double(peakKb() - before) / 1024.0;
    return f;
}

void openDesign(const QString &path)
{
    prompts->nextPath = path;
    menuItem(&benchWindow(), QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
    prompts->nextPath.clear();
}

void openQuietly(const QString &path)
{
    openDesign(path);
    settle(200);
    waitForPictures(canvas());
    canvas()->undoManager()->removeAllActions();
}

QString folder()
{
    static const QString made = [] {
        QString path = qEnvironmentVariable("PICTURE_BENCH_DIR");
        if (path.isEmpty())
            path = workDir().path();
        QDir().mkpath(path);
        return path;
    }();
    return made;
}

// Photo `n` of 12 megapixels, each other than the rest.
QString photo(int n)
{
    const QString path = QStringLiteral("%1/Photo %2.jpg").arg(folder()).arg(n);
    if (QFile::exists(path))
        return path;
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient ground(0, 0, 4000, 3000);
    ground.setColorAt(0, QColor::fromHsv((n * 37) % 360, 160, 200));
    ground.setColorAt(1, QColor::fromHsv((n * 37 + 150) % 360, 200, 240));
    painter.fillRect(image.rect(), ground);
    QRandomGenerator random(quint32(100 + n));
    for (int i = 0; i < 300; ++i) {
        painter.setBrush(QColor::fromHsv(random.bounded(360), 180, 220));
        painter.drawEllipse(QPointF(random.bounded(4000), random.bounded(3000)), 20 + random.bounded(120), 20 + random.bounded(120));
    }
    painter.end();
    if (!image.save(path, "JPEG", 88))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

// An uncompressed TIFF of about `megabytes`, from outside the program.
QString largeTiff(const QString &name, int megabytes)
{
    const QString path = QStringLiteral("%1/outside/%2.tif").arg(folder(), name);
    if (QFile::exists(path))
        return path;
    QDir().mkpath(folder() + QStringLiteral("/outside"));
    const int width = 4000;
    const int height = int(qint64(megabytes) * 1024 * 1024 / (qint64(width) * 4));
    QImage image(width, height, QImage::Format_ARGB32);
    QPainter painter(&image);
    QLinearGradient ground(0, 0, width, height);
    ground.setColorAt(0, QColor(30, 120, 200));
    ground.setColorAt(1, QColor(230, 190, 50));
    painter.fillRect(image.rect(), ground);
    painter.end();
    QImageWriter writer(path, "tiff");
    writer.setCompression(0);
    if (!writer.write(image))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

// Objects of `count` small frames, each showing one of `photos` (in turn), written as the
// program writes a design by path: the first object of each photo's stored form placed again.
QString designOfPhotos(const QString &name, int count, const QStringList &photos)
{
    const QString path = QStringLiteral("%1/%2.qkdoc").arg(folder(), name);
    if (QFile::exists(path))
        return path;
    GraphicList firsts;
    for (const QString &file : photos) {
        GraphicPtr first = placed(*canvas(), ColorRect::create(gridFrame(0, 9.0, 8.0)));
        QString error;
        if (!first->setImageFromPath(file, &error))
            qFatal("no picture: %s", qPrintable(error));
        first->setFrameBounds(gridFrame(0, 9.0, 8.0));
        first->fitImage();
        firsts.append(first);
    }
    QVariantMap dict = canvas()->drawDocumentDictionaryForGraphics(firsts);
    const QVariantList forms = dict.value(QStringLiteral("ObjectsList")).toList();
    QVariantList objects;
    for (int i = 0; i < count; ++i) {
        QVariantMap copy = forms[i % forms.size()].toMap();
        const QRectF frame = gridFrame(i, 9.0, 8.0);
        copy.insert(QStringLiteral("Bounds"), QStringLiteral("{{%1, %2}, {%3, %4}}")
                                                  .arg(frame.x(), 0, 'f', 2)
                                                  .arg(frame.y(), 0, 'f', 2)
                                                  .arg(frame.width(), 0, 'f', 2)
                                                  .arg(frame.height(), 0, 'f', 2));
        objects.append(copy);
    }
    dict.insert(QStringLiteral("ObjectsList"), objects);
    if (!PropertyList::writeFile(path, dict, PlistFormat::Binary))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

// The pictures placed large, side by side, by path from outside the program.
QString designOfLargeFiles(const QString &name, const QStringList &files)
{
    const QString path = QStringLiteral("%1/%2.qkdoc").arg(folder(), name);
    if (QFile::exists(path))
        return path;
    // Written by path, the files named where they lie, not copied: the design is made as a
    // user's first Save of it would find it.
    QVariantList objects;
    int i = 0;
    for (const QString &file : files) {
        GraphicPtr object = placed(*canvas(), ColorRect::create(QRectF(10 + 40 * i++, 10, 36, 36)));
        if (!object->setImageFromPath(file))
            qFatal("no picture: %s", qPrintable(file));
        object->setFrameBounds(QRectF(10 + 40 * (i - 1), 10, 36, 36));
        object->fitImage();
        QVariantMap form = canvas()->drawDocumentDictionaryForGraphics({object}).value(QStringLiteral("ObjectsList")).toList().value(0).toMap();
        form.insert(QStringLiteral("ImagePath"), file);
        QVariantMap image = form.value(QStringLiteral("Image")).toMap();
        image.remove(QStringLiteral("Image"));
        form.insert(QStringLiteral("Image"), image);
        objects.append(form);
    }
    QVariantMap dict = canvas()->drawDocumentDictionaryForGraphics({});
    dict.insert(QStringLiteral("ObjectsList"), objects);
    if (!PropertyList::writeFile(path, dict, PlistFormat::Binary))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

// A drawing of 200,000 small squares (about 14 MB of text), as a detailed clip-art is.
QString detailedDrawing()
{
    const QString path = folder() + QStringLiteral("/outside/Detailed.svg");
    if (QFile::exists(path))
        return path;
    QDir().mkpath(folder() + QStringLiteral("/outside"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("could not write %s", qPrintable(path));
    file.write("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"600\" height=\"400\">\n");
    QRandomGenerator random(7);
    for (int i = 0; i < 200000; ++i)
        file.write(QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"2\" height=\"2\" fill=\"#%3\"/>\n")
                       .arg(random.bounded(600)).arg(random.bounded(400)).arg(random.bounded(0xffffff), 6, 16, QLatin1Char('0'))
                       .toLatin1());
    file.write("</svg>\n");
    return path;
}

// A drag of the file over `target` as the system delivers it: entered, moved three times,
// dropped; then turns of the event loop until what the drop started is done.
void dragOver(QWidget *target, const QString &file, const std::function<bool()> &done)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    const QPoint at(target->width() / 2, target->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    for (int step = 0; step < 3; ++step) {
        QDragMoveEvent move(at + QPoint(step, step), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QElapsedTimer guard;
    guard.start();
    while (!done() && guard.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

ScrollNSImageView *imageBrowser()
{
    auto *panel = benchWindow().findChild<ImageBrowserPanel *>(QStringLiteral("ImageBrowserPanel"));
    if (!panel)
        qFatal("no image browser");
    return panel->imageListView();
}

QStringList twentyPhotos()
{
    QStringList photos;
    for (int n = 0; n < 20; ++n)
        photos.append(photo(n));
    return photos;
}

QStringList fiveLargeFiles()
{
    QStringList files;
    for (int n = 0; n < 5; ++n)
        files.append(largeTiff(QStringLiteral("Large %1").arg(n), 60 + 8 * n));
    return files;
}

struct Scenario
{
    const char *key;
    const char *title;
    // Makes what the figure needs (files, designs) and the state it starts from, untimed.
    std::function<void()> prepare;
    std::function<Figure()> run;
};

QString onePhotoDesign()
{
    const QString path = folder() + QStringLiteral("/Pictures 10000.qkdoc");
    return QFile::exists(path) ? path : picturesOfOnePhoto(*canvas(), folder(), 10000);
}

void selectAllAndWait()
{
    canvas()->selectAll();
    settle(200);
}

QList<Scenario> scenarios()
{
    return {
        {"four-open", "four objects: File > Open", [] { fourObjects(*canvas(), folder()); },
         [] { return measure([] { openDesign(folder() + QStringLiteral("/Four Objects.qkdoc")); }); }},
        {"one-open", "10,000 pictures of one 12 MP photo: File > Open", [] { onePhotoDesign(); },
         [] { return measure([] { openDesign(onePhotoDesign()); }); }},
        {"one-duplicate", "10,000 pictures of one photo: Select All, Edit > Duplicate",
         [] {
             openQuietly(onePhotoDesign());
             selectAllAndWait();
         },
         [] { return measure([] { menuItem(&benchWindow(), QStringLiteral("Edit"), QStringLiteral("Duplicate"))->trigger(); }); }},
        {"one-paste", "10,000 pictures of one photo: Select All, Copy, then Edit > Paste",
         [] {
             openQuietly(onePhotoDesign());
             selectAllAndWait();
             menuItem(&benchWindow(), QStringLiteral("Edit"), QStringLiteral("Copy"))->trigger();
             settle(200);
         },
         [] { return measure([] { menuItem(&benchWindow(), QStringLiteral("Edit"), QStringLiteral("Paste"))->trigger(); }); }},
        {"twenty-open", "1,000 small pictures of 20 photos of 12 MP: File > Open",
         [] { designOfPhotos(QStringLiteral("Twenty Photos"), 1000, twentyPhotos()); },
         [] { return measure([] { openDesign(folder() + QStringLiteral("/Twenty Photos.qkdoc")); }); }},
        {"tiff-open", "a 233 MB TIFF by path: File > Open",
         [] { designOfLargeFiles(QStringLiteral("Large TIFF"), {largeTiff(QStringLiteral("Large"), 233)}); },
         [] { return measure([] { openDesign(folder() + QStringLiteral("/Large TIFF.qkdoc")); }); }},
        {"tiff-paste", "a 233 MB TIFF by path: Select All, Copy, then Edit > Paste",
         [] {
             openQuietly(designOfLargeFiles(QStringLiteral("Large TIFF"), {largeTiff(QStringLiteral("Large"), 233)}));
             selectAllAndWait();
             menuItem(&benchWindow(), QStringLiteral("Edit"), QStringLiteral("Copy"))->trigger();
             settle(200);
         },
         [] { return measure([] { menuItem(&benchWindow(), QStringLiteral("Edit"), QStringLiteral("Paste"))->trigger(); }); }},
        {"five-open", "five large TIFFs (300 MB) by path: File > Open",
         [] { designOfLargeFiles(QStringLiteral("Five TIFFs"), fiveLargeFiles()); },
         [] { return measure([] { openDesign(folder() + QStringLiteral("/Five TIFFs.qkdoc")); }); }},
        {"five-save", "five large TIFFs from outside: File > Save As (the first, copying them)",
         [] { openQuietly(designOfLargeFiles(QStringLiteral("Five TIFFs"), fiveLargeFiles())); },
         [] {
             QDir(CanvasServices::clipartUserPath()).removeRecursively();
             return measure([] {
                 prompts->nextPath = folder() + QStringLiteral("/Saved five.qkdoc");
                 canvas()->writeDesign(prompts->nextPath);
                 prompts->nextPath.clear();
             });
         }},
        {"drag-browser", "a detailed drawing (14 MB) dragged onto the image browser, until copied",
         [] { detailedDrawing(); },
         [] {
             return measure([] {
                 dragOver(imageBrowser(), detailedDrawing(), [] {
                     return QFile::exists(CanvasServices::clipartUserPath() + QStringLiteral("Detailed.svg"));
                 });
             });
         }},
        {"drag-canvas", "a detailed drawing (14 MB) dragged onto the canvas, until placed",
         [] {
             detailedDrawing();
             canvas()->emptyNewDoc();
         },
         [] {
             return measure([] { dragOver(canvas(), detailedDrawing(), [] { return !canvas()->getRects().isEmpty(); }); });
         }},
        {"qt-parse-drawing", "Qt alone: the detailed drawing (14 MB) read and parsed", [] { detailedDrawing(); },
         [] {
             return alone([] {
                 QSvgRenderer renderer(detailedDrawing());
                 renderer.defaultSize();
             });
         }},
        {"qt-decode-whole", "Qt alone: a 12 MP JPEG decoded whole", [] { photo(0); },
         [] { return alone([] { QImageReader(photo(0)).read(); }); }},
        {"qt-decode-eighth", "Qt alone: a 12 MP JPEG decoded at an eighth", [] { photo(0); },
         [] {
             return alone([] {
                 QImageReader reader(photo(0));
                 reader.setScaledSize(QSize(500, 375));
                 reader.read();
             });
         }},
        {"qt-read", "Qt alone: a 233 MB file read whole", [] { largeTiff(QStringLiteral("Large"), 233); },
         [] {
             return alone([] {
                 QFile file(largeTiff(QStringLiteral("Large"), 233));
                 file.open(QIODevice::ReadOnly);
                 file.readAll();
             });
         }},
        {"qt-copy", "Qt alone: five large TIFFs (300 MB) read and written again", [] { fiveLargeFiles(); },
         [] {
             return alone([] {
                 int n = 0;
                 for (const QString &file : fiveLargeFiles()) {
                     QFile in(file);
                     in.open(QIODevice::ReadOnly);
                     QFile out(QStringLiteral("%1/copy %2.tif").arg(workDir().path()).arg(n++));
                     out.open(QIODevice::WriteOnly);
                     out.write(in.readAll());
                 }
             });
         }},
    };
}

} // namespace

int main(int argc, char **argv)
{
    const char *self = "bench_picture_window_bench";
    const QByteArray only = qgetenv("PICTURE_BENCH_ONLY");
    if (only.isEmpty()) {
        // Every figure in a process of its own, sharing the files made once.
        QCoreApplication app(argc, argv);
        const QString shared = workDir().path();
        std::printf("%-78s %12s %10s %9s\n", "", "longest", "all", "peak");
        std::printf("%-78s %12s %10s %9s\n", "", "block ms", "ms", "MB");
        const QStringList keys = qEnvironmentVariable("PICTURE_BENCH_KEYS").split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const Scenario &s : scenarios()) {
            if (!keys.isEmpty() && !keys.contains(QLatin1String(s.key)))
                continue;
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("PICTURE_BENCH_ONLY"), QString::fromLatin1(s.key));
            env.insert(QStringLiteral("PICTURE_BENCH_DIR"), shared);
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(), {});
            child.waitForFinished(-1);
            const QByteArray line = child.readAllStandardOutput().trimmed();
            std::printf("%-78s %s\n", s.title, line.isEmpty() ? "(failed)" : line.constData());
            std::fflush(stdout);
        }
        return 0;
    }
    if (!prepareRealScreen(self))
        return 2;
    QApplication app(argc, argv);
    if (!onRealScreen(self))
        return 2;
    auto installed = std::make_unique<BenchPrompts>();
    prompts = installed.get();
    Prompts::install(std::move(installed));
    RectsView::setTerminatePromptFlag(true);
    benchWindow();
    for (const Scenario &s : scenarios()) {
        if (only != s.key)
            continue;
        s.prepare();
        settle(300);
        const Figure f = s.run();
        std::printf("%12.1f %10.1f %9.1f\n", f.blockMs, f.totalMs, f.peakMb);
        std::fflush(stdout);
        // Nothing is left to ask at quit.
        canvas()->wasChanged(false);
        return 0;
    }
    std::fprintf(stderr, "no figure %s\n", only.constData());
    return 1;
}
