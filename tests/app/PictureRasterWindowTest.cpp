// Pictures whose pixels take long to make, through the window: a drawing (every vector format the
// reader takes) is rasterised on the picture worker while the canvas shows the placeholder or
// the raster it held before, and the new raster is drawn when it arrives; a design holding a
// large photo opens, pastes and duplicates before the photo is decoded; Save while a raster is
// still being made writes the whole design; the image effects panel opens on a raster made off
// the window's thread, and the filtered picture keeps the place of the one it was made from.
//
// The picture worker is held (PictureWorker::Hold) wherever the test looks at the window before
// a raster or a decoding has arrived, so that what it sees does not depend on the machine's
// speed.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QClipboard>
#include <QImageWriter>
#include <QMimeData>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeView>

#include <optional>
#include <poppler-qt6.h>

#include <vector>
#include <zlib.h>

#include "app/AppTestSupport.h"
#include "common/SheetDriver.h"
#include "common/TestPrintPanels.h"
#include "images/CIFilterDataSource.h"
#include "images/Controller.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/ImageProbe.h"
#include "objects/PictureWorker.h"
#include "objects/specImage.h"
#include "printing/CalibrationView.h"
#include "printing/PrintingPanel.h"

using namespace quillmark;

namespace raster_window_test {

const QColor Red(220, 30, 30);
const QColor Blue(30, 30, 220);

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 && std::abs(a.blue() - b.blue()) < 40;
}

QByteArray gzip(const QByteArray &data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(int(stream.total_out));
    deflateEnd(&stream);
    return out;
}

// A drawing of 400 by 300 points painted red all over, in each form the reader takes as a
// drawing: the formats ImageProbe counts as vector ones, SVG also compressed.
struct Drawing
{
    QString name;
    QString path;
};

std::vector<Drawing> drawings(const QString &folder)
{
    std::vector<Drawing> made;
    for (int f = int(ImageProbe::Format::None); f <= int(ImageProbe::Format::Svg); ++f) {
        ImageProbe::Result kind;
        kind.format = ImageProbe::Format(f);
        if (!kind.isVector())
            continue;
        if (kind.format == ImageProbe::Format::Pdf) {
            const QString path = folder + QStringLiteral("/drawing.pdf");
            QPdfWriter writer(path);
            writer.setPageSize(QPageSize(QSizeF(400, 300), QPageSize::Point));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            writer.setResolution(72);
            QPainter painter(&writer);
            painter.fillRect(QRectF(0, 0, 400, 300), Red);
            painter.end();
            made.push_back({QStringLiteral("PDF"), path});
        } else {
            const QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"400\" height=\"300\">"
                                   "<rect width=\"400\" height=\"300\" fill=\"#dc1e1e\"/></svg>";
            for (const bool packed : {false, true}) {
                const QString path = folder + (packed ? QStringLiteral("/drawing.svgz") : QStringLiteral("/drawing.svg"));
                QFile file(path);
                EXPECT_TRUE(file.open(QIODevice::WriteOnly));
                file.write(packed ? gzip(svg) : svg);
                made.push_back({packed ? QStringLiteral("compressed SVG") : QStringLiteral("SVG"), path});
            }
        }
    }
    return made;
}

// A photo of 2100 by 2000 pixels, more than are decoded at once: red on the left half, blue on
// the right.
QString writePhoto(const QString &path)
{
    QImage photo(2100, 2000, QImage::Format_RGB32);
    QPainter painter(&photo);
    painter.fillRect(QRect(0, 0, 1050, 2000), Red);
    painter.fillRect(QRect(1050, 0, 1050, 2000), Blue);
    painter.end();
    EXPECT_GT(qint64(photo.width()) * photo.height(), ImageProbe::decodeAtOncePixels);
    QImageWriter writer(path, "jpeg");
    writer.setQuality(90);
    return writer.write(photo) ? path : QString();
}

QColor shownAt(RectsView *canvas, const QPointF &page)
{
    const QImage shown = canvas->grab().toImage();
    const QPointF at = canvas->pageToWidget().map(page) * canvas->devicePixelRatioF();
    return shown.pixelColor(at.toPoint());
}

QPointF centreOf(const GraphicPtr &object)
{
    return object->imageFrame().center();
}

// The rasters asked for arrive and are drawn.
void letPicturesArrive()
{
    PictureWorker::waitUntilDone();
    apptest::settle();
}

void placeFile(apptest::WindowFixture &f, const QString &path)
{
    f.prompts->queuePath(path);
    f.trigger(QStringLiteral("Image"), QStringLiteral("Select Image File..."));
}

QString plistutil()
{
    return QStandardPaths::findExecutable(QStringLiteral("plistutil"));
}

// A binary property list as libplist's own tool reads it, written out as XML.
QByteArray readByPlistutil(const QByteArray &binary, const QString &scratch)
{
    {
        QFile file(scratch);
        if (!file.open(QIODevice::WriteOnly) || file.write(binary) != binary.size())
            return {};
    }
    const QString xml = scratch + QStringLiteral(".xml");
    QProcess process;
    process.start(plistutil(), {QStringLiteral("-i"), scratch, QStringLiteral("-o"), xml, QStringLiteral("-f"), QStringLiteral("xml")});
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return {};
    QFile file(xml);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The <data> values of an XML property list that follow `key`, decoded.
QList<QByteArray> dataAfterKey(const QByteArray &xml, const QByteArray &key)
{
    QList<QByteArray> found;
    const QByteArray marker = "<key>" + key + "</key>";
    for (qsizetype at = xml.indexOf(marker); at >= 0; at = xml.indexOf(marker, at + 1)) {
        const qsizetype open = xml.indexOf("<", at + marker.size());
        if (open < 0 || xml.mid(open, 6) != "<data>")
            continue;
        const qsizetype close = xml.indexOf("</data>", open);
        found.append(QByteArray::fromBase64(xml.mid(open + 6, close - open - 6).simplified().replace(' ', "")));
    }
    return found;
}

int redPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            count += near(image.pixelColor(x, y), Red) ? 1 : 0;
    return count;
}

QPushButton *buttonTitled(QDialog &sheet, const QString &title)
{
    for (QPushButton *button : sheet.findChildren<QPushButton *>())
        if (button->text() == title)
            return button;
    ADD_FAILURE() << "no button " << title.toStdString();
    return nullptr;
}

} // namespace raster_window_test

using namespace raster_window_test;

TEST(PictureRasterWindow, ADrawingPlacedOrZoomedShowsWhatIsHeldUntilItsRasterArrives)
{
    apptest::WindowFixture f(QStringLiteral("raster-window-place"));
    RectsView *canvas = f.canvas();
    const std::vector<Drawing> files = drawings(qmtest::freshDir(QStringLiteral("raster-window-place-files")));
    ASSERT_EQ(files.size(), 3u);
    for (const Drawing &drawing : files) {
        SCOPED_TRACE(drawing.name.toStdString());
        canvas->removeAllRects();
        GraphicPtr made;
        {
            const PictureWorker::Hold hold;
            placeFile(f, drawing.path);
            ASSERT_EQ(canvas->getRects().size(), 1);
            made = canvas->getRects().first();
            ASSERT_TRUE(made->hasValidImage());
            // The window is back and painted before the drawing is rasterised: the placeholder.
            const QColor pending = shownAt(canvas, centreOf(made));
            EXPECT_TRUE(PictureWorker::busy());
            EXPECT_FALSE(made->image()->hasPrepared());
            EXPECT_FALSE(near(pending, Red)) << pending.name().toStdString();
        }
        letPicturesArrive();
        EXPECT_TRUE(near(shownAt(canvas, centreOf(made)), Red));
        const QSize first = made->image()->preparedPixelSize();
        ASSERT_FALSE(first.isEmpty());

        // Zoomed in until a finer raster is wanted: meanwhile the one held is drawn, larger.
        {
            const PictureWorker::Hold hold;
            for (int step = 0; step < 12 && !PictureWorker::busy(); ++step) {
                f.trigger(QStringLiteral("View"), QStringLiteral("Zoom In"));
                canvas->grab();
            }
            ASSERT_TRUE(PictureWorker::busy()) << "no zoom step asked for a finer raster";
            EXPECT_TRUE(near(shownAt(canvas, centreOf(made)), Red));
            EXPECT_EQ(made->image()->preparedPixelSize(), first);
        }
        letPicturesArrive();
        EXPECT_TRUE(near(shownAt(canvas, centreOf(made)), Red));
        const QSize closer = made->image()->preparedPixelSize();
        const QSizeF wanted = made->imageFrame().size() * canvas->getZoomCoeff() * canvas->devicePixelRatioF();
        EXPECT_GT(closer.width(), first.width());
        EXPECT_GE(closer.width(), wanted.width() - 1);
        EXPECT_LT(closer.width(), 2 * wanted.width() + 2);

        // Duplicated, the copy is drawn from its original's raster: nothing is made again.
        {
            const PictureWorker::Hold hold;
            f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
            ASSERT_EQ(canvas->getRects().size(), 2);
            const GraphicPtr copy = canvas->getRects().last();
            canvas->grab();
            EXPECT_EQ(copy->image()->preparedPixelSize(), closer);
            EXPECT_FALSE(PictureWorker::busy());
        }
        f.trigger(QStringLiteral("View"), QStringLiteral("Actual Size"));
    }
}

TEST(PictureRasterWindow, SaveWhileADrawingsRasterIsMadeWritesTheWholeDesign)
{
    ASSERT_FALSE(plistutil().isEmpty()) << "plistutil (libplist-utils) reads the saved design";
    apptest::WindowFixture f(QStringLiteral("raster-window-save"));
    RectsView *canvas = f.canvas();
    const QString folder = qmtest::freshDir(QStringLiteral("raster-window-save-files"));
    UserDefaults::standard().setString(QStringLiteral("YES"), QStringLiteral("imgToDoc"));
    for (const Drawing &drawing : drawings(folder)) {
        SCOPED_TRACE(drawing.name.toStdString());
        canvas->removeAllRects();
        const QString design = folder + QStringLiteral("/saved-") + QFileInfo(drawing.path).suffix() + QStringLiteral(".qkdoc");
        {
            const PictureWorker::Hold hold;
            placeFile(f, drawing.path);
            ASSERT_EQ(canvas->getRects().size(), 1);
            f.prompts->queueSaveOfType(design, 0);
            f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
            // Saved without waiting for the raster, which is still to be made.
            EXPECT_TRUE(PictureWorker::busy());
            EXPECT_FALSE(canvas->isChanged());
        }
        QFile saved(design);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        const QByteArray xml = readByPlistutil(saved.readAll(), design + QStringLiteral(".copy"));
        ASSERT_FALSE(xml.isEmpty());
        EXPECT_TRUE(xml.contains("<key>QuillmarkDocPreview</key>"));
        // The drawing itself is in the design, as its archive holds it: its kind and its bytes.
        const QList<QByteArray> images = dataAfterKey(xml, "Image");
        ASSERT_EQ(images.size(), 1);
        const QByteArray archive = readByPlistutil(images.first(), design + QStringLiteral(".image"));
        ASSERT_FALSE(archive.isEmpty());
        const bool pdf = drawing.path.endsWith(QLatin1String(".pdf"));
        EXPECT_TRUE(archive.contains(pdf ? "<string>pdf</string>" : "<string>svg</string>"));
        const QList<QByteArray> bytes = dataAfterKey(archive, "Data");
        ASSERT_EQ(bytes.size(), 1);
        EXPECT_TRUE(pdf ? bytes.first().startsWith("%PDF-") : bytes.first().contains("<svg"));

        letPicturesArrive();
        f.trigger(QStringLiteral("File"), QStringLiteral("New"));
        f.prompts->queuePath(design);
        f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
        ASSERT_EQ(canvas->getRects().size(), 1);
        letPicturesArrive();
        EXPECT_TRUE(near(shownAt(canvas, centreOf(canvas->getRects().first())), Red));
    }
}

TEST(PictureRasterWindow, ADesignWithALargePhotoComesBackBeforeThePhotoIsDecoded)
{
    apptest::WindowFixture f(QStringLiteral("raster-window-photo"));
    RectsView *canvas = f.canvas();
    const QString folder = qmtest::freshDir(QStringLiteral("raster-window-photo-files"));
    const QString photo = writePhoto(folder + QStringLiteral("/photo.jpg"));
    ASSERT_FALSE(photo.isEmpty());

    // Whatever brings the stored photo back: each leaves the photo's object last on the canvas.
    // Read from stored bytes, the photo comes back before it is decoded; a copy of an object on
    // the canvas (Duplicate) takes its original's pixels and shows at once.
    struct Way
    {
        const char *name;
        std::function<void()> before;
        std::function<void()> act;
        bool decodedLater;
    };
    const QString stored = folder + QStringLiteral("/stored.qkdoc");
    const QString linked = folder + QStringLiteral("/linked.qkdoc");
    auto open = [&f](const QString &design) {
        return [&f, design] {
            f.trigger(QStringLiteral("File"), QStringLiteral("New"));
            f.prompts->queuePath(design);
            f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
        };
    };
    auto openedAndSelected = [&f, open, stored] {
        open(stored)();
        letPicturesArrive();
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    };
    // The design as another copy of the program puts it on the clipboard: its bytes alone.
    auto copiedElsewhere = [&f, openedAndSelected] {
        openedAndSelected();
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
        const QByteArray bytes = QGuiApplication::clipboard()->mimeData()->data(RectsView::pasteboardType());
        ASSERT_FALSE(bytes.isEmpty());
        auto *elsewhere = new QMimeData;
        elsewhere->setData(RectsView::pasteboardType(), bytes);
        QGuiApplication::clipboard()->setMimeData(elsewhere);
        f.trigger(QStringLiteral("File"), QStringLiteral("New"));
    };
    auto command = [&f](const char *item) {
        return [&f, item] { f.trigger(QStringLiteral("Edit"), QString::fromLatin1(item)); };
    };
    const std::vector<Way> ways = {
        {"Open of a design holding the photo", {}, open(stored), true},
        {"Open of a design naming the photo's file", {}, open(linked), true},
        {"Paste of a design copied by another program", copiedElsewhere, command("Paste"), true},
        {"Duplicate", openedAndSelected, command("Duplicate"), false},
    };

    QSizeF size;
    for (const bool embedded : {true, false}) {
        UserDefaults::standard().setString(embedded ? QStringLiteral("YES") : QStringLiteral("NO"), QStringLiteral("imgToDoc"));
        placeFile(f, photo);
        ASSERT_EQ(canvas->getRects().size(), 1);
        size = canvas->getRects().first()->image()->size();
        f.prompts->queueSaveOfType(embedded ? stored : linked, 0);
        f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    }

    for (const Way &way : ways) {
        SCOPED_TRACE(way.name);
        if (way.before)
            way.before();
        GraphicPtr back;
        {
            const PictureWorker::Hold hold;
            way.act();
            ASSERT_FALSE(canvas->getRects().isEmpty());
            back = canvas->getRects().last();
            ASSERT_TRUE(back->hasValidImage());
            // Laid out at its size at once.
            EXPECT_EQ(back->image()->size(), size);
            // Decoded aside for the screen, or taken from its source at once.
            EXPECT_EQ(back->image()->hasPrepared(), !way.decodedLater);
            const QRectF frame = back->imageFrame();
            const QColor right = shownAt(canvas, QPointF(frame.right() - frame.width() / 4, frame.center().y()));
            // Its pixels still to be decoded, the placeholder shows.
            EXPECT_EQ(near(right, Blue), !way.decodedLater) << right.name().toStdString();
            EXPECT_EQ(PictureWorker::busy(), way.decodedLater);
        }
        letPicturesArrive();
        EXPECT_TRUE(back->image()->hasPrepared());
        const QRectF frame = back->imageFrame();
        EXPECT_TRUE(near(shownAt(canvas, QPointF(frame.left() + frame.width() / 4, frame.center().y())), Red));
        EXPECT_TRUE(near(shownAt(canvas, QPointF(frame.right() - frame.width() / 4, frame.center().y())), Blue));
        canvas->wasChanged(false);
    }
}

TEST(PictureRasterWindow, ImageEffectsOpenOnceTheirPictureIsMadeAndTheResultKeepsItsPlace)
{
    apptest::WindowFixture f(QStringLiteral("raster-window-effects"));
    RectsView *canvas = f.canvas();
    const QString folder = qmtest::freshDir(QStringLiteral("raster-window-effects-files"));
    std::vector<Drawing> pictures = drawings(folder);
    // A photo that declares 300 dots per inch: its size in points is a quarter of its pixels'.
    {
        QImage photo(1200, 800, QImage::Format_RGB32);
        photo.fill(Red);
        photo.setDotsPerMeterX(qRound(300 / 0.0254));
        photo.setDotsPerMeterY(qRound(300 / 0.0254));
        const QString path = folder + QStringLiteral("/photo300.png");
        ASSERT_TRUE(photo.save(path));
        pictures.push_back({QStringLiteral("photo at 300 dpi"), path});
    }
    for (const Drawing &picture : pictures) {
        SCOPED_TRACE(picture.name.toStdString());
        canvas->removeAllRects();
        placeFile(f, picture.path);
        ASSERT_EQ(canvas->getRects().size(), 1);
        const GraphicPtr object = canvas->getRects().first();
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
        letPicturesArrive();
        // Placed where the picture's own size puts it, not stretched to the box.
        object->setScaleWithBox(false);
        const QRectF before = object->imageFrame();
        const bool drawing = object->image()->isVector();
        const QSizeF wanted = f.window->objectInfo()->imageEffectsPixels(*object);

        QSize source;
        f.prompts->queuePanel([&](QDialog *dialog) {
            auto *panel = qobject_cast<Controller *>(dialog);
            if (!panel)
                return 0;
            panel->show();
            apptest::settle();
            source = panel->backImage().extent().size().toSize();
            const QModelIndex row = panel->dataSource()->indexOfFilter(QStringLiteral("gegl:gaussian-blur"));
            EXPECT_TRUE(row.isValid());
            panel->outlineView()->expandAll();
            panel->outlineView()->scrollTo(row);
            apptest::settle();
            QTest::mouseClick(panel->outlineView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                              panel->outlineView()->visualRect(row).center());
            QTest::mouseClick(panel->okButton(), Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([panel] { return !panel->isRendering(); }, 120000));
            return panel->result();
        });
        f.window->objectInfo()->switchTab(CanvasInspector::ImageTab);
        apptest::settle();
        auto *button = f.window->findChild<QPushButton *>(QStringLiteral("btnEdit"));
        ASSERT_TRUE(button && button->isEnabled());
        if (drawing) {
            // The drawing is rasterised on the worker first: the click returns at once, the
            // panel not yet open, the busy pointer up.
            {
                const PictureWorker::Hold hold;
                QTest::mouseClick(button, Qt::LeftButton);
                EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Panel), 0);
                EXPECT_TRUE(f.window->objectInfo()->isPreparingImageEffects());
                ASSERT_TRUE(QGuiApplication::overrideCursor());
                EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
            }
            letPicturesArrive();
            EXPECT_FALSE(QGuiApplication::overrideCursor());
        } else {
            QTest::mouseClick(button, Qt::LeftButton);
            apptest::settle();
        }
        ASSERT_EQ(f.prompts->count(qmtest::TestPrompts::Panel), 1);
        if (drawing) {
            // A raster of the size the picture is shown at, not of the whole drawing.
            const QSize full = object->image()->copyRepresentations()->prepareImage().size();
            EXPECT_GE(source.width(), wanted.width() - 1);
            EXPECT_LT(source.width(), std::max(2 * wanted.width() + 2, double(full.width()) + 1));
        }
        // The blurred picture stands where the picture stood.
        EXPECT_TRUE(object->imageUseFilter());
        EXPECT_FALSE(object->image()->isVector());
        const QRectF after = object->imageFrame();
        EXPECT_NEAR(after.width(), before.width(), 0.01);
        EXPECT_NEAR(after.height(), before.height(), 0.01);
        EXPECT_EQ(after.topLeft(), before.topLeft());
        f.prompts->clear();
    }
}

TEST(PictureRasterWindow, ThePrintOptionsPreviewNeverRasterisesADrawingButThePrintDrawsItExactly)
{
    apptest::WindowFixture f(QStringLiteral("raster-window-print"));
    qmtest::ScopedTestPrintPanels panels;
    RectsView *canvas = f.canvas();
    const QString folder = qmtest::freshDir(QStringLiteral("raster-window-print-files"));
    const std::vector<Drawing> files = drawings(folder);
    ASSERT_EQ(files.size(), 3u);
    for (const Drawing &drawing : files) {
        SCOPED_TRACE(drawing.name.toStdString());
        canvas->removeAllRects();
        letPicturesArrive();
        std::optional<PictureWorker::Hold> hold;
        hold.emplace();
        placeFile(f, drawing.path);
        ASSERT_EQ(canvas->getRects().size(), 1);

        // Nothing is held of the drawing yet: the sheet opens at once on its place, has a raster
        // made aside, and shows it once it has arrived.
        bool looked = false;
        panels->queueSheet([&](QDialog &sheet) {
            auto *panel = qobject_cast<PrintingPanel *>(&sheet);
            ASSERT_TRUE(panel);
            qmtest::presentSheet(sheet);
            looked = true;
            EXPECT_TRUE(PictureWorker::busy());
            EXPECT_EQ(redPixels(panel->viewCalibration()->preview()), 0);
            hold.reset();
            for (int i = 0; i < 40 && redPixels(panel->viewCalibration()->preview()) == 0; ++i) {
                letPicturesArrive();
                QTest::qWait(120);
            }
            EXPECT_GT(redPixels(panel->viewCalibration()->preview()), 1000);
            QTest::mouseClick(buttonTitled(sheet, QStringLiteral("Cancel")), Qt::LeftButton);
        });
        f.trigger(QStringLiteral("File"), QStringLiteral("Print..."));
        EXPECT_TRUE(looked);
        letPicturesArrive();

        // Printed while nothing of a new drawing is held and no raster can be made aside: the
        // job draws it itself, whole, at the printer's resolution.
        canvas->removeAllRects();
        hold.emplace();
        placeFile(f, drawing.path);
        ASSERT_EQ(canvas->getRects().size(), 1);
        const QString pdf = folder + QStringLiteral("/printed-") + QFileInfo(drawing.path).suffix() + QStringLiteral(".pdf");
        panels->queuePrintToFile(pdf);
        panels->queueSheet([&](QDialog &sheet) {
            qmtest::presentSheet(sheet);
            EXPECT_EQ(redPixels(qobject_cast<PrintingPanel *>(&sheet)->viewCalibration()->preview()), 0);
            QTest::mouseClick(buttonTitled(sheet, QStringLiteral("Print")), Qt::LeftButton);
        });
        f.trigger(QStringLiteral("File"), QStringLiteral("Print..."));
        hold.reset();
        letPicturesArrive();
        std::unique_ptr<Poppler::Document> printed = Poppler::Document::load(pdf);
        ASSERT_TRUE(printed);
        ASSERT_GE(printed->numPages(), 1);
        EXPECT_GT(redPixels(printed->page(0)->renderToImage(72, 72)), 500);
    }
}
