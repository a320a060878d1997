// The photo well of the record form: pictures dropped on it or chosen from its menu are stored
// as TIFF with JPEG compression of at most 200 on the longer side, read back here with libtiff
// and the tiffinfo program; what is no picture is refused or said.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>

#include <utility>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QUrl>

#include <tiffio.h>

#include <sys/stat.h>

#include "database/EditorFixture.h"
#include "common/FifoRelease.h"
#include "common/TestSupport.h"
#include "database/window/CImageView.h"
#include "database/exchange/PhotoTiff.h"

using namespace quillmark;
using dbtest::cli;

namespace {

constexpr int kPhotoPk = 2;

// A picture whose left half is red and right half blue.
QString writePicture(const QString &folder, const QString &name, int width, int height, bool transparent = false)
{
    QImage image(width, height, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height, Qt::red);
    if (transparent) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(0, 0, width, height / 4, Qt::transparent);
    }
    painter.end();
    const QString path = folder + "/" + name;
    if (!image.save(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

struct TiffFacts
{
    uint32_t width = 0;
    uint32_t length = 0;
    uint16_t compression = 0;
    uint16_t samples = 0;
};

// The stored bytes as libtiff reads them.
TiffFacts readTiff(const QByteArray &bytes, const QString &folder)
{
    const QString path = folder + "/stored.tiff";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    file.close();
    TiffFacts facts;
    TIFF *tiff = TIFFOpen(path.toLocal8Bit().constData(), "r");
    if (!tiff)
        return facts;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &facts.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &facts.length);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &facts.compression);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &facts.samples);
    TIFFClose(tiff);
    return facts;
}

QString tiffinfo(const QString &path)
{
    QProcess process;
    process.start("tiffinfo", {path});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool near(QRgb pixel, QColor colour)
{
    return std::abs(qRed(pixel) - colour.red()) < 40 && std::abs(qGreen(pixel) - colour.green()) < 40
        && std::abs(qBlue(pixel) - colour.blue()) < 40;
}

class PhotoWell : public dbtest::EditorFixture
{
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        folder = qmtest::freshDir("photos");
        openTen();
        well = qobject_cast<CImageView *>(editor().valueControlForPk(kPhotoPk));
        ASSERT_TRUE(well);
    }

    // The photo of record 1 as the sqlite3 program reads it.
    QByteArray storedPhoto() { return QByteArray::fromHex(cli(testPath, "SELECT hex(Photo) FROM dbtable WHERE pk=1;").toLatin1()); }
    QString storedType() { return cli(testPath, "SELECT typeof(Photo) FROM dbtable WHERE pk=1;"); }

    // A drag of files over the well and, when it is taken, the drop; answers whether the
    // well took the drag.
    bool drop(const QStringList &paths)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls.append(QUrl::fromLocalFile(path));
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(well, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(well, &dropped);
        QCoreApplication::processEvents();
        settle();
        return true;
    }

    // The file is read on a worker: the well answers once it is done.
    void settle()
    {
        QElapsedTimer clock;
        clock.start();
        while (well->isLoading() && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::processEvents();
        EXPECT_FALSE(well->isLoading());
    }

    // The titles of the context menu that a right click on the well pops up.
    QStringList menuTitles()
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 50), well->mapToGlobal(QPoint(50, 50)));
        QApplication::sendEvent(well, &event);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QStringList titles;
        if (!menu)
            return titles;
        for (QAction *action : menu->actions())
            titles << action->text();
        return titles;
    }

    void chooseFromMenu(const QString &title)
    {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        for (QAction *action : menu->actions())
            if (action->text() == title) {
                menu->close();
                action->trigger();
                settle();
                return;
            }
        FAIL() << "no menu item " << title.toStdString();
    }

    QString folder;
    CImageView *well = nullptr;
};

} // namespace

TEST(PhotoTiffSizes, TheLongerSideIsBroughtTo200)
{
    struct Case
    {
        QSize picture, stored;
    };
    const Case cases[] = {
        {{1000, 500}, {200, 100}}, {{150, 120}, {150, 120}}, {{500, 1000}, {100, 200}}, {{200, 200}, {200, 200}},
        {{201, 3}, {200, 3}},      {{3000, 1}, {200, 1}},     {{300, 900}, {67, 200}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PhotoTiff::storedSize(c.picture), c.stored) << c.picture.width() << "x" << c.picture.height();
}

TEST_F(PhotoWell, ADropped1000By500PictureIsStoredAs200By100JpegTiff)
{
    const QString picture = writePicture(folder, "wide.png", 1000, 500);
    ASSERT_TRUE(drop({picture}));
    EXPECT_EQ(storedType(), "blob");
    const QByteArray bytes = storedPhoto();
    const TiffFacts facts = readTiff(bytes, folder);
    EXPECT_EQ(facts.width, 200u);
    EXPECT_EQ(facts.length, 100u);
    EXPECT_EQ(facts.compression, 7); // COMPRESSION_JPEG
    EXPECT_EQ(facts.samples, 3);
    const QString info = tiffinfo(folder + "/stored.tiff");
    EXPECT_TRUE(info.contains("Image Width: 200 Image Length: 100")) << info.toStdString();
    EXPECT_TRUE(info.contains("Compression Scheme: JPEG")) << info.toStdString();
    // The picture itself survived: red on the left, blue on the right.
    QImage stored;
    ASSERT_TRUE(stored.loadFromData(bytes));
    EXPECT_TRUE(near(stored.pixel(40, 50), Qt::red));
    EXPECT_TRUE(near(stored.pixel(160, 50), Qt::blue));
    // The well shows what the record holds, and a picture at its own size stays so.
    EXPECT_EQ(well->getImage().size(), QSize(200, 100));
    ASSERT_TRUE(drop({writePicture(folder, "small.png", 150, 120)}));
    const TiffFacts small = readTiff(storedPhoto(), folder);
    EXPECT_EQ(small.width, 150u);
    EXPECT_EQ(small.length, 120u);
    EXPECT_EQ(small.compression, 7);
    EXPECT_FALSE(editor().dirty());
}

TEST_F(PhotoWell, FoldersAndFilesThatAreNoPicturesAreRefusedAndALinkLoadsItsPicture)
{
    QFile text(folder + "/notes.png");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("these are words, not pixels");
    text.close();
    QDir(folder).mkdir("album.png");
    EXPECT_FALSE(drop({folder + "/album.png"}));
    EXPECT_FALSE(drop({text.fileName()}));
    EXPECT_FALSE(drop({}));
    EXPECT_EQ(storedType(), "null");
    EXPECT_FALSE(editor().dirty());

    const QString picture = writePicture(folder, "tall.png", 300, 900);
    ASSERT_TRUE(QFile::link(picture, folder + "/link-to-tall"));
    EXPECT_EQ(CImageView::resolveAlias(folder + "/link-to-tall"), QFileInfo(picture).canonicalFilePath());
    ASSERT_TRUE(drop({folder + "/link-to-tall", text.fileName()}));
    const TiffFacts facts = readTiff(storedPhoto(), folder);
    EXPECT_EQ(facts.width, 67u);
    EXPECT_EQ(facts.length, 200u);
}

// A drag is answered from the file's beginning, never by reading a whole drawing: a detailed
// drawing is taken and read after the drop, aside; one that begins as a drawing and is damaged
// past its beginning is taken too, and after the drop the user hears that it is no picture.
TEST_F(PhotoWell, ADraggedDrawingIsTakenByItsBeginningAndReadAfterTheDrop)
{
    QByteArray detailed = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"300\" height=\"150\">";
    for (int i = 0; i < 20000; ++i)
        detailed += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"3\" height=\"3\" fill=\"#2040c0\"/>")
                        .arg(i % 300).arg((i / 300) % 150).toLatin1();
    detailed += "</svg>";
    const QString drawing = folder + "/detailed.svg";
    const QString damaged = folder + "/damaged.svg";
    for (const auto &[path, bytes] : {std::pair{drawing, detailed}, std::pair{damaged, detailed.left(4000) + "<<<<"}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    const int before = alerts();
    ASSERT_TRUE(drop({drawing}));
    EXPECT_EQ(storedType(), "blob");
    EXPECT_EQ(alerts(), before);
    const QByteArray kept = storedPhoto();
    ASSERT_TRUE(drop({damaged}));
    EXPECT_EQ(alerts(), before + 1);
    EXPECT_EQ(prompts->last().title, "The file is not an image that can be opened.");
    EXPECT_EQ(storedPhoto(), kept);
}

TEST_F(PhotoWell, TheContextMenuAddsReplacesAndRemoves)
{
    EXPECT_EQ(menuTitles(), QStringList({"Add Photo"}));
    prompts->queuePath(writePicture(folder, "first.png", 400, 400));
    chooseFromMenu("Add Photo");
    EXPECT_EQ(prompts->last().kind, qmtest::TestPrompts::OpenFile);
    EXPECT_EQ(prompts->last().title, "Please Choose an Image File");
    EXPECT_TRUE(prompts->last().extensions.contains("png"));
    EXPECT_EQ(readTiff(storedPhoto(), folder).width, 200u);

    EXPECT_EQ(menuTitles(), QStringList({"Remove Photo", "Replace Photo"}));
    prompts->queuePath(writePicture(folder, "second.png", 90, 60));
    chooseFromMenu("Replace Photo");
    EXPECT_EQ(readTiff(storedPhoto(), folder).width, 90u);

    // Cancelling the panel changes nothing.
    menuTitles();
    prompts->queueCancel();
    chooseFromMenu("Replace Photo");
    EXPECT_EQ(readTiff(storedPhoto(), folder).width, 90u);

    // Removed is an empty photo, not none.
    menuTitles();
    chooseFromMenu("Remove Photo");
    EXPECT_EQ(storedType(), "blob");
    EXPECT_EQ(cli(testPath, "SELECT length(Photo) FROM dbtable WHERE pk=1;"), "0");
    EXPECT_TRUE(well->getImage().isNull());
    EXPECT_EQ(menuTitles(), QStringList({"Add Photo"}));
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    // Another record shows its own (no) photo, and this one's empty photo comes back as empty.
    editor().selectRow(1);
    EXPECT_FALSE(well->hasData());
    editor().selectRow(0);
    EXPECT_TRUE(well->hasData());
    EXPECT_TRUE(well->data().isEmpty());
    EXPECT_EQ(alerts(), 0);
}

TEST_F(PhotoWell, ADamagedPictureIsSaidAndChangesNothing)
{
    const QString good = writePicture(folder, "good.jpg", 400, 300);
    QFile file(good);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.read(600);
    file.close();
    const QString damaged = folder + "/damaged.jpg";
    QFile out(damaged);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.left(120) + QByteArray(200, '\xff'));
    out.close();
    prompts->queuePath(damaged);
    well->insertPhoto();
    settle();
    EXPECT_EQ(prompts->last().kind, qmtest::TestPrompts::Alert);
    EXPECT_EQ(prompts->last().title, "The file is not an image that can be opened.");
    EXPECT_EQ(prompts->last().message, "damaged.jpg");
    EXPECT_EQ(storedType(), "null");
    EXPECT_FALSE(well->hasData());
}

// Add Photo given a FIFO, a link to /dev/zero or a folder: each is refused at once with the
// reason every picture reader gives, the window never waiting on it, and nothing is stored; a
// drag of one is not taken at all. The record's photo stays as it was.
TEST_F(PhotoWell, AFifoOrADeviceChosenOrDroppedIsRefusedAtOnce)
{
    prompts->queuePath(writePicture(folder, "kept.png", 300, 150));
    well->insertPhoto();
    settle();
    const QByteArray kept = storedPhoto();
    ASSERT_FALSE(kept.isEmpty());
    const QString fifo = folder + "/pipe.png";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", folder + "/zero.png"));
    QDir(folder).mkdir("album.png");
    for (const QString &name : {QStringLiteral("pipe.png"), QStringLiteral("zero.png"), QStringLiteral("album.png")}) {
        SCOPED_TRACE(name.toStdString());
        const int before = alerts();
        qmtest::FifoRelease release(folder + "/" + name, std::chrono::seconds(10));
        prompts->queuePath(folder + "/" + name);
        menuTitles();
        chooseFromMenu("Replace Photo");
        EXPECT_FALSE(release.stop()) << "Replace Photo waited on the file until it was let go";
        EXPECT_EQ(alerts(), before + 1);
        EXPECT_EQ(prompts->last().kind, qmtest::TestPrompts::Alert);
        EXPECT_EQ(prompts->last().title, "The image file could not be read.");
        EXPECT_EQ(prompts->last().message, name);
        EXPECT_FALSE(drop({folder + "/" + name}));
        EXPECT_EQ(storedPhoto(), kept);
    }
    EXPECT_FALSE(editor().dirty());
}

TEST(PhotoTiffEncoding, TransparencySurvivesAndTheStoredFormIsReadable)
{
    QImage picture(120, 80, QImage::Format_ARGB32);
    picture.fill(QColor(0, 128, 0));
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 0, 120, 20, Qt::transparent);
    painter.end();
    const QByteArray bytes = PhotoTiff::encode(picture);
    ASSERT_FALSE(bytes.isEmpty());
    const TiffFacts facts = readTiff(bytes, qmtest::freshDir("alpha"));
    EXPECT_EQ(facts.compression, 7);
    EXPECT_EQ(facts.samples, 4);
    QImage back;
    ASSERT_TRUE(back.loadFromData(bytes));
    EXPECT_TRUE(back.hasAlphaChannel());
    EXPECT_LT(qAlpha(back.pixel(60, 5)), 30);
    EXPECT_GT(qAlpha(back.pixel(60, 60)), 225);
    EXPECT_TRUE(near(back.pixel(60, 60), QColor(0, 128, 0)));
    EXPECT_TRUE(PhotoTiff::encode(QImage()).isEmpty());
}
