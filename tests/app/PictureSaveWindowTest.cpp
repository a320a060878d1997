// Saving a design whose pictures came from outside the program: each picture file is copied
// into the user's clip-art folder only when it is still a picture, read through the guarded
// reader. A picture whose file was replaced by a FIFO or by a link to /dev/zero never holds up
// Save As, and the saved design (read back with plistutil) holds that picture itself: opened
// again, it shows.
#include "app/AppTestSupport.h"

#include "objects/CanvasServices.h"
#include "objects/specImage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <sys/stat.h>

using namespace quillmark;

namespace {

// The saved design as XML, converted by plistutil.
QString asXml(const QString &document)
{
    const QString xml = document + QStringLiteral(".xml");
    QProcess plistutil;
    plistutil.start(QStringLiteral("plistutil"), {QStringLiteral("-i"), document, QStringLiteral("-o"), xml,
                                                  QStringLiteral("-f"), QStringLiteral("xml")});
    if (!plistutil.waitForFinished(30000) || plistutil.exitCode() != 0) {
        ADD_FAILURE() << "plistutil: " << plistutil.readAllStandardError().toStdString();
        return {};
    }
    QFile file(xml);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The dictionaries of "ObjectsList" in the XML, one text each, in order.
QStringList objectDictionaries(const QString &xml)
{
    QStringList objects;
    const qsizetype list = xml.indexOf(QStringLiteral("<key>ObjectsList</key>"));
    if (list < 0)
        return objects;
    qsizetype at = xml.indexOf(QStringLiteral("<array>"), list) + 7;
    const qsizetype end = xml.indexOf(QStringLiteral("</array>"), at);
    // The objects' dictionaries hold only dictionaries and no arrays: each top-level <dict>
    // is one object.
    while (at < end) {
        const qsizetype open = xml.indexOf(QStringLiteral("<dict>"), at);
        if (open < 0 || open > end)
            break;
        int depth = 0;
        qsizetype k = open;
        do {
            const qsizetype nextOpen = xml.indexOf(QStringLiteral("<dict>"), k + 1);
            const qsizetype nextClose = xml.indexOf(QStringLiteral("</dict>"), k + 1);
            if (nextOpen >= 0 && nextOpen < nextClose) {
                ++depth;
                k = nextOpen;
            } else {
                k = nextClose;
                if (depth-- == 0)
                    break;
            }
        } while (k >= 0);
        objects.append(xml.mid(open, k + 7 - open));
        at = k + 7;
    }
    return objects;
}

QString imagePathOf(const QString &object)
{
    static const QRegularExpression path(QStringLiteral("<key>ImagePath</key>\\s*<string>([^<]*)</string>"));
    return path.match(object).captured(1);
}

bool holdsPictureData(const QString &object)
{
    // The picture's own bytes sit in the "Image" dictionary under "Image" as data.
    static const QRegularExpression data(QStringLiteral("<key>Image</key>\\s*<dict>.*<key>Image</key>\\s*<data>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    return data.match(object).hasMatch();
}

QColor colourAtCentre(const std::shared_ptr<ColorRect> &graphic)
{
    const QImage held = graphic->image()->copyRepresentations()->prepareImage();
    return held.pixelColor(held.width() / 2, held.height() / 2);
}

} // namespace

// Three pictures placed from a folder of the user's: one stays a picture, one is replaced by a
// FIFO and one by a link to /dev/zero before the design is first saved. Save As returns at
// once; only the picture that is still one is copied among the user's clip-art (its stored form
// names the copy), the other two keep their paths and are stored in the design themselves, and
// no empty copy is left in the user's folder. Opened again, all three show their colours.
TEST(PictureSaveWindow, PicturesReplacedByAFifoOrALinkToADeviceAreKeptInTheDesignAndSaveReturnsAtOnce)
{
    apptest::WindowFixture f(QStringLiteral("picture-save-hostile"));
    const QString folder = qmtest::freshDir(QStringLiteral("picture-save-hostile-files"));
    struct Picture
    {
        QString name;
        QColor colour;
        // What the file is replaced by after placing: nothing, a FIFO, a link to /dev/zero.
        enum { Kept, Fifo, Zero } becomes;
    };
    const QList<Picture> pictures = {{QStringLiteral("kept-olive.png"), QColor(120, 130, 20), Picture::Kept},
                                     {QStringLiteral("piped-teal.png"), QColor(20, 130, 140), Picture::Fifo},
                                     {QStringLiteral("zeroed-plum.png"), QColor(140, 40, 120), Picture::Zero}};
    for (const Picture &picture : pictures) {
        QImage image(60, 40, QImage::Format_RGB32);
        image.fill(picture.colour);
        const QString path = folder + QLatin1Char('/') + picture.name;
        ASSERT_TRUE(image.save(path));
        f.canvas()->clearSelection();
        f.prompts->queuePath(path);
        f.trigger(QStringLiteral("Image"), QStringLiteral("Select Image File..."));
    }
    ASSERT_EQ(f.canvas()->getRects().size(), 3);
    for (const Picture &picture : pictures) {
        const QString path = folder + QLatin1Char('/') + picture.name;
        if (picture.becomes == Picture::Kept)
            continue;
        ASSERT_TRUE(QFile::remove(path));
        if (picture.becomes == Picture::Fifo)
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path));
    }

    const QString document = qmtest::freshDir(QStringLiteral("picture-save-hostile-doc")) + QStringLiteral("/kept.qkdoc");
    f.prompts->queueSaveOfType(document, 0);
    QElapsedTimer clock;
    clock.start();
    f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    ASSERT_TRUE(QFile::exists(document));

    const QStringList objects = objectDictionaries(asXml(document));
    ASSERT_EQ(objects.size(), 3);
    const QString clipart = CanvasServices::clipartUserPath();
    for (int i = 0; i < 3; ++i) {
        const Picture &picture = pictures[i];
        SCOPED_TRACE(picture.name.toStdString());
        const QString outside = folder + QLatin1Char('/') + picture.name;
        const QString copy = QDir(clipart).filePath(picture.name);
        if (picture.becomes == Picture::Kept) {
            EXPECT_EQ(imagePathOf(objects[i]), copy);
            EXPECT_FALSE(holdsPictureData(objects[i]));
            QImage copied(copy);
            EXPECT_EQ(copied.pixelColor(30, 20), picture.colour);
        } else {
            EXPECT_EQ(imagePathOf(objects[i]), outside);
            EXPECT_TRUE(holdsPictureData(objects[i]));
            EXPECT_FALSE(QFileInfo::exists(copy));
        }
    }

    f.prompts->queuePath(document);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    ASSERT_EQ(f.canvas()->getRects().size(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(pictures[i].name.toStdString());
        const auto graphic = f.canvas()->getRects().at(i);
        ASSERT_TRUE(graphic->hasValidImage());
        EXPECT_FALSE(graphic->imageFileMissing());
        EXPECT_EQ(colourAtCentre(graphic), pictures[i].colour);
    }
}
