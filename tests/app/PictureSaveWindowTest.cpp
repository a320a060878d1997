// Saving a design whose pictures came from files: the saved design names a file only while it
// holds the very picture the object shows, and holds the picture itself otherwise, whatever
// became of the file after the picture was placed and wherever it lay. Read back with
// plistutil, and opened again in the window, every picture shows the pixels it showed.
#include "app/AppTestSupport.h"
#include "common/FifoRelease.h"
#include "common/PlistutilReader.h"

#include "objects/CanvasServices.h"
#include "objects/specImage.h"

#include <QDir>
#include <QFile>
#include <QPainter>

#include <memory>
#include <vector>

#include <sys/stat.h>

using namespace quillmark;

namespace {

// What becomes of a picture's file after it was placed, before Save As.
enum class Change { None, CutShort, OtherPicture, Fifo, Deleted, Unreadable, LinkToDevice, LinkLoop, Folder };

const QList<std::pair<Change, const char *>> &changes()
{
    static const QList<std::pair<Change, const char *>> all = {
        {Change::None, "unchanged"},
        {Change::CutShort, "cut to a third"},
        {Change::OtherPicture, "replaced by another picture of the same size"},
        {Change::Fifo, "replaced by a FIFO"},
        {Change::Deleted, "deleted"},
        {Change::Unreadable, "made unreadable"},
        {Change::LinkToDevice, "replaced by a link to /dev/zero"},
        {Change::LinkLoop, "replaced by a link to itself"},
        {Change::Folder, "replaced by a folder"}};
    return all;
}

QImage pictureOf(const QColor &colour)
{
    QImage image(90, 60, QImage::Format_RGB32);
    image.fill(colour);
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, 45, 30), colour.darker(200));
    return image;
}

bool apply(Change change, const QString &path)
{
    switch (change) {
    case Change::None:
        return true;
    case Change::CutShort: {
        QFile file(path);
        return file.open(QIODevice::ReadWrite) && file.resize(file.size() / 3);
    }
    case Change::OtherPicture:
        // Written over in place: the same name, size and kind, other pixels.
        return pictureOf(QColor(10, 200, 10)).save(path, "PNG");
    case Change::Fifo:
        return QFile::remove(path) && ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    case Change::Deleted:
        return QFile::remove(path);
    case Change::Unreadable:
        // Still read by a user who may read anything: then it holds the picture still.
        return ::chmod(QFile::encodeName(path).constData(), 0) == 0;
    case Change::LinkToDevice:
        return QFile::remove(path) && QFile::link(QStringLiteral("/dev/zero"), path);
    case Change::LinkLoop:
        return QFile::remove(path) && ::symlink(QFile::encodeName(path).constData(), QFile::encodeName(path).constData()) == 0;
    case Change::Folder:
        return QFile::remove(path) && QDir().mkdir(path);
    }
    return false;
}

QImage pixels(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

// Each way a placed picture's file can change, for a file from outside the program and for one
// already in the user's clip-art folder. The saved design (read with plistutil) names a file
// holding the picture's own bytes, or holds the picture itself and names none; opened again,
// every object shows the picture it showed, and no file is missing.
TEST(PictureSaveWindow, ThePictureShownIsKeptWhateverBecameOfItsFile)
{
    apptest::WindowFixture f(QStringLiteral("picture-save-changes"));
    const QString outside = qmtest::freshDir(QStringLiteral("picture-save-changes-files"));
    const QString clipart = CanvasServices::clipartUserPath();
    ASSERT_TRUE(QDir().mkpath(clipart));
    struct Placed
    {
        QString what;
        QString path;
        QByteArray bytes;
        QImage shown;
        Change change;
    };
    QList<Placed> placed;
    int hue = 0;
    for (const auto &[change, name] : changes()) {
        for (const QString &folder : {outside, clipart}) {
            const QString where = folder == outside ? QStringLiteral("outside") : QStringLiteral("in the user's folder");
            const QString path = QStringLiteral("%1/picture-%2-%3.png").arg(folder).arg(int(change)).arg(folder == outside ? 0 : 1);
            ASSERT_TRUE(pictureOf(QColor::fromHsv((hue += 19) % 360, 200, 220)).save(path, "PNG"));
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            f.canvas()->clearSelection();
            f.prompts->queuePath(path);
            f.trigger(QStringLiteral("Image"), QStringLiteral("Select Image File..."));
            const GraphicPtr graphic = f.canvas()->getRects().last();
            ASSERT_TRUE(graphic->hasValidImage());
            placed.append({QStringLiteral("%1, %2").arg(QString::fromLatin1(name), where), path, file.readAll(),
                           pixels(graphic->image()->copyRepresentations()->prepareImage()), change});
        }
    }
    for (const Placed &picture : placed)
        ASSERT_TRUE(apply(picture.change, picture.path)) << picture.what.toStdString();

    const QString document = qmtest::freshDir(QStringLiteral("picture-save-changes-doc")) + QStringLiteral("/kept.qkdoc");
    f.prompts->queueSaveOfType(document, 0);
    // A FIFO put in a picture's place is never waited on.
    std::vector<std::unique_ptr<qmtest::FifoRelease>> fifos;
    for (const Placed &picture : placed) {
        if (picture.change == Change::Fifo)
            fifos.push_back(std::make_unique<qmtest::FifoRelease>(picture.path, std::chrono::seconds(10)));
    }
    ASSERT_FALSE(fifos.empty());
    f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    for (const std::unique_ptr<qmtest::FifoRelease> &fifo : fifos)
        EXPECT_FALSE(fifo->stop()) << "Save As waited on a FIFO until it was let go";
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    QFile saved(document);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QVariantList objects =
        qmtest::readWithPlistutil(saved.readAll(), QStringLiteral("picture-save-changes-read")).toMap().value("ObjectsList").toList();
    ASSERT_EQ(objects.size(), placed.size());
    for (qsizetype i = 0; i < placed.size(); ++i) {
        const Placed &picture = placed[i];
        SCOPED_TRACE(picture.what.toStdString());
        const QVariantMap object = objects[i].toMap();
        const QVariantMap image = object.value("Image").toMap();
        const QString named = object.value("ImagePath").toString();
        if (!named.isEmpty()) {
            // A file named holds the picture's own bytes, and the picture is not held twice.
            QFile file(named);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << named.toStdString();
            EXPECT_EQ(file.readAll(), picture.bytes) << named.toStdString();
            EXPECT_FALSE(image.contains("Image"));
            if (picture.path.startsWith(outside)) {
                EXPECT_TRUE(named.startsWith(clipart)) << named.toStdString();
            }
        } else {
            EXPECT_FALSE(image.value("Image").toByteArray().isEmpty());
        }
        // A file that holds the picture still is named; one that does not, never.
        const bool intact = picture.change == Change::None || picture.change == Change::Unreadable;
        if (intact || picture.path.startsWith(outside)) {
            EXPECT_FALSE(named.isEmpty());
        }
        if (!intact) {
            EXPECT_NE(named, picture.path);
        }
    }

    f.prompts->queuePath(document);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    ASSERT_EQ(f.canvas()->getRects().size(), placed.size());
    for (qsizetype i = 0; i < placed.size(); ++i) {
        SCOPED_TRACE(placed[i].what.toStdString());
        const GraphicPtr graphic = f.canvas()->getRects().at(i);
        ASSERT_TRUE(graphic->hasValidImage());
        EXPECT_FALSE(graphic->imageFileMissing());
        EXPECT_EQ(pixels(graphic->image()->copyRepresentations()->prepareImage()), placed[i].shown);
    }
    for (const Placed &picture : placed) {
        ::chmod(QFile::encodeName(picture.path).constData(), 0600);
        QFile::remove(picture.path);
        QDir(picture.path).removeRecursively();
    }
}
