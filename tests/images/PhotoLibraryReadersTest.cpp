// The photo library readers against small libraries built in a temporary home folder, written
// as the other applications write them (hand-written XML property lists), and damaged copies.
#include "common/TestSupport.h"
#include "images/ApertureReader.h"
#include "images/PhotoBoothReader.h"
#include "images/PhotoLibraryFiles.h"
#include "images/PhotosReader.h"
#include "images/iPhotoReader.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QFileInfo>
#include <QSet>
#include <QVariantMap>

using namespace quillmark;

namespace {

void writeFile(const QString &path, const QByteArray &data = {})
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write(data);
}

const char *kAlbumData = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>Application Version</key>
	<string>9.6.1</string>
	<key>List of Albums</key>
	<array>
		<dict>
			<key>AlbumName</key>
			<string>Holiday</string>
			<key>KeyList</key>
			<array><string>7</string></array>
		</dict>
		<dict>
			<key>AlbumName</key>
			<string>%1</string>
			<key>KeyList</key>
			<array>
				<string>12</string>
				<string>99</string>
				<string>7</string>
				<string>13</string>
				<integer>14</integer>
				<dict/>
			</array>
		</dict>
		<dict>
			<key>AlbumName</key>
			<string>%1</string>
			<key>KeyList</key>
			<array><string>12</string></array>
		</dict>
	</array>
	<key>Master Image List</key>
	<dict>
		<key>7</key>
		<dict>
			<key>ImagePath</key>
			<string>/lib/Masters/beach.jpg</string>
			<key>ThumbPath</key>
			<string>/lib/Thumbs/beach.jpg</string>
		</dict>
		<key>12</key>
		<dict>
			<key>ImagePath</key>
			<string>/lib/Masters/dog.jpg</string>
			<key>ThumbPath</key>
			<string>/lib/Thumbs/dog.jpg</string>
		</dict>
		<key>13</key>
		<dict>
			<key>ThumbPath</key>
			<string>/lib/Thumbs/only-thumb.jpg</string>
			<key>ImagePath</key>
			<integer>5</integer>
		</dict>
		<key>14</key>
		<dict>
			<key>Caption</key>
			<string>no paths at all</string>
		</dict>
	</dict>
</dict>
</plist>
)";

QByteArray albumData(const QString &albumName)
{
    return QString::fromUtf8(kAlbumData).arg(albumName).toUtf8();
}

struct AlbumLibrary
{
    const char *name;
    QString defaultFile;
    QString preferencesFile;
    QString locationKey;
    QString dataFileName;
    QString albumName;
    std::function<bool(const QString &)> installed;
    std::function<QList<iPhoto>(const QString &)> list;
};

QList<AlbumLibrary> albumLibraries()
{
    return {
        {"iPhoto", "Pictures/iPhoto Library/AlbumData.xml",
         "Library/Preferences/com.apple.iphoto.plist", "RootDirectory", "AlbumData.xml", "Photos",
         [](const QString &home) { return iPhotoReader::isIPhotoInstalled(home); },
         [](const QString &home) { return iPhotoReader(home).imagesList(); }},
        {"Aperture", "Pictures/Aperture/ApertureData.xml",
         "Library/Preferences/com.apple.aperture.plist", "LibraryPath", "ApertureData.xml",
         "Aperture Library",
         [](const QString &home) { return ApertureReader::isApertureInstalled(home); },
         [](const QString &home) { return ApertureReader(home).imagesList(); }},
    };
}

} // namespace

TEST(AlbumReaders, ReadTheNamedAlbumInKeyOrderSkippingMissingAndEmptyEntries)
{
    for (const AlbumLibrary &library : albumLibraries()) {
        SCOPED_TRACE(library.name);
        const QString home = qmtest::freshDir(QStringLiteral("home"));
        writeFile(home + '/' + library.defaultFile, albumData(library.albumName));
        EXPECT_TRUE(library.installed(home));
        const QList<iPhoto> items = library.list(home);
        // The first album of the name wins; key 99 has no entry, 14 names no file, the
        // dictionary is no key; 13 has a thumbnail only, its picture is not a string.
        const QList<iPhoto> expected = {
            iPhoto("/lib/Masters/dog.jpg", "/lib/Thumbs/dog.jpg"),
            iPhoto("/lib/Masters/beach.jpg", "/lib/Thumbs/beach.jpg"),
            iPhoto(QString(), "/lib/Thumbs/only-thumb.jpg"),
        };
        EXPECT_EQ(items, expected);
    }
}

TEST(AlbumReaders, BinaryAlbumDataWrittenByAnotherToolReadsTheSame)
{
    const QString plistutil = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    if (plistutil.isEmpty())
        FAIL() << "plistutil is missing: scripts/setup-deps installs libplist-utils";
    const QString home = qmtest::freshDir(QStringLiteral("home"));
    const QString source = home + "/album.xml";
    const QString target = home + "/Pictures/iPhoto Library/AlbumData.xml";
    writeFile(source, albumData(QStringLiteral("Photos")));
    QDir().mkpath(QFileInfo(target).path());
    ASSERT_EQ(QProcess::execute(plistutil, {"-i", source, "-o", target, "-f", "bin"}), 0);
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    ASSERT_TRUE(written.read(8) == "bplist00");
    EXPECT_TRUE(iPhotoReader::isIPhotoInstalled(home));
    EXPECT_EQ(iPhotoReader(home).imagesList().size(), 3);
}

TEST(AlbumReaders, LibraryWithoutTheExactAlbumNameGivesNothing)
{
    for (const AlbumLibrary &library : albumLibraries()) {
        SCOPED_TRACE(library.name);
        const QString home = qmtest::freshDir(QStringLiteral("home"));
        writeFile(home + '/' + library.defaultFile, albumData(library.albumName.toLower() + ' '));
        EXPECT_TRUE(library.installed(home));
        EXPECT_TRUE(library.list(home).isEmpty());
    }
}

TEST(AlbumReaders, PreferenceFileMovesTheLibraryAndFallsBackWhenUnusable)
{
    for (const AlbumLibrary &library : albumLibraries()) {
        SCOPED_TRACE(library.name);
        const QString home = qmtest::freshDir(QStringLiteral("home"));
        const QString preferences = home + '/' + library.preferencesFile;
        writeFile(home + "/Elsewhere/Lib/" + library.dataFileName, albumData(library.albumName));
        QDir().mkpath(QFileInfo(preferences).path());

        // "~" in the stored folder means the home folder; binary preference files are read too.
        ASSERT_TRUE(PropertyList::writeFile(
            preferences, QVariantMap{{library.locationKey, QStringLiteral("~/Elsewhere/Lib")}},
            PlistFormat::Binary));
        EXPECT_TRUE(library.installed(home));
        EXPECT_EQ(library.list(home).size(), 3);

        // A location of the wrong type, a damaged preference file: the default place is used.
        writeFile(home + '/' + library.defaultFile, albumData(library.albumName));
        ASSERT_TRUE(PropertyList::writeFile(preferences, QVariantMap{{library.locationKey, 42}},
                                            PlistFormat::Xml));
        EXPECT_EQ(library.list(home).size(), 3);
        QFile::remove(home + '/' + library.defaultFile);
        EXPECT_FALSE(library.installed(home));
        writeFile(preferences, "<?xml version=\"1.0\"?><plist><dict><key>");
        EXPECT_FALSE(library.installed(home));
        writeFile(home + '/' + library.defaultFile, albumData(library.albumName));
        EXPECT_TRUE(library.installed(home));
    }
}

TEST(AlbumReaders, DamagedAlbumDataGivesNoLibraryAndNoCrash)
{
    const QByteArray full = albumData(QStringLiteral("Photos"));
    const QList<QPair<const char *, QByteArray>> damaged = {
        {"empty", QByteArray()},
        {"truncated", full.left(full.size() / 2)},
        {"garbage", QByteArray::fromHex("62706c6973743030fffe0102") + " not a property list"},
        {"array at the top", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>x</string></array></plist>"},
    };
    for (const auto &[name, data] : damaged) {
        SCOPED_TRACE(name);
        const QString home = qmtest::freshDir(QStringLiteral("home"));
        writeFile(home + "/Pictures/iPhoto Library/AlbumData.xml", data);
        EXPECT_FALSE(iPhotoReader::isIPhotoInstalled(home));
        EXPECT_TRUE(iPhotoReader(home).imagesList().isEmpty());
    }
}

TEST(AlbumReaders, WrongTypesInsideTheAlbumDataAreSkipped)
{
    const QList<QPair<const char *, QVariantMap>> cases = {
        {"albums not a list", {{"List of Albums", "Photos"}, {"Master Image List", QVariantMap()}}},
        {"album not a dictionary", {{"List of Albums", QVariantList{"Photos", 3}}}},
        {"key list not a list",
         {{"List of Albums", QVariantList{QVariantMap{{"AlbumName", "Photos"}, {"KeyList", QVariantMap{{"1", "1"}}}}}},
          {"Master Image List", QVariantMap{{"1", QVariantMap{{"ImagePath", "/a.jpg"}}}}}}},
        {"masters not a dictionary",
         {{"List of Albums", QVariantList{QVariantMap{{"AlbumName", "Photos"}, {"KeyList", QVariantList{"1"}}}}},
          {"Master Image List", QVariantList{QVariantMap{{"ImagePath", "/a.jpg"}}}}}},
        {"album name not a string",
         {{"List of Albums", QVariantList{QVariantMap{{"AlbumName", QVariantList{"Photos"}}, {"KeyList", QVariantList{"1"}}}}},
          {"Master Image List", QVariantMap{{"1", QVariantMap{{"ImagePath", "/a.jpg"}}}}}}},
    };
    for (const auto &[name, data] : cases) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(PhotoLibraryFiles::albumItems(data, QStringLiteral("Photos")).isEmpty());
    }
}

TEST(AlbumReaders, OversizedAlbumDataIsNotRead)
{
    const QString home = qmtest::freshDir(QStringLiteral("home"));
    const QString path = home + "/Pictures/iPhoto Library/AlbumData.xml";
    writeFile(path, albumData(QStringLiteral("Photos")));
    ASSERT_TRUE(iPhotoReader::isIPhotoInstalled(home));
    QFile file(path);
    ASSERT_TRUE(file.resize(PhotoLibraryFiles::MaximumAlbumDataSize + 1));
    EXPECT_FALSE(iPhotoReader::isIPhotoInstalled(home));
    EXPECT_TRUE(iPhotoReader(home).imagesList().isEmpty());
}

TEST(PhotoLibraries, NothingIsFoundWithoutTheLibraries)
{
    const QString home = qmtest::freshDir(QStringLiteral("home"));
    EXPECT_FALSE(iPhotoReader::isIPhotoInstalled(home));
    EXPECT_FALSE(ApertureReader::isApertureInstalled(home));
    EXPECT_FALSE(PhotosReader::isPhotosInstalled(home));
    EXPECT_FALSE(PhotoBoothReader::isPhotoBoothInstalled(home));
    EXPECT_TRUE(iPhotoReader(home).imagesList().isEmpty());
    EXPECT_TRUE(ApertureReader(home).imagesList().isEmpty());
    EXPECT_TRUE(PhotosReader(home).imagesList().isEmpty());
    EXPECT_FALSE(PhotosReader(home).isInitedData());
    EXPECT_TRUE(PhotoBoothReader(home).imagesList().isEmpty());
}

TEST(PhotosReaderTest, PairsMastersWithTheirThumbnails)
{
    const QString home = qmtest::freshDir(QStringLiteral("home"));
    const QString library = home + "/Pictures/Photos Library.photoslibrary";
    writeFile(library + "/Masters/2020/01/IMG_1.JPG");
    writeFile(library + "/Masters/2020/02/IMG_2.png");
    writeFile(library + "/Masters/2020/03/IMG_3.JpG");
    writeFile(library + "/Masters/2020/04/IMG_4.jp2");
    writeFile(library + "/Masters/notes.txt");
    writeFile(library + "/Masters/.hidden.jpg");
    writeFile(library + "/Masters/.cache/IMG_9.jpg");
    writeFile(library + "/Thumbnails/a/thumb_IMG_1.JPG");
    writeFile(library + "/Thumbnails/b/thumb_IMG_2.jpg");

    ASSERT_TRUE(PhotosReader::isPhotosInstalled(home));
    PhotosReader reader(home);
    EXPECT_TRUE(reader.isInitedData());
    QList<iPhoto> items = reader.imagesList();
    std::sort(items.begin(), items.end(),
              [](const iPhoto &a, const iPhoto &b) { return a.photoPath() < b.photoPath(); });
    // Extensions of any case are found; IMG_2's thumbnail differs in the case of its extension.
    const QList<iPhoto> expected = {
        iPhoto(library + "/Masters/2020/01/IMG_1.JPG", library + "/Thumbnails/a/thumb_IMG_1.JPG"),
        iPhoto(library + "/Masters/2020/02/IMG_2.png", QString()),
        iPhoto(library + "/Masters/2020/03/IMG_3.JpG", QString()),
        // JPEG 2000 is read by our own reader.
        iPhoto(library + "/Masters/2020/04/IMG_4.jp2", QString()),
    };
    EXPECT_EQ(items, expected);
}

TEST(PhotosReaderTest, LocationScanAppendsToTheGivenList)
{
    const QString folder = qmtest::freshDir(QStringLiteral("scan"));
    writeFile(folder + "/a.Jpeg");
    writeFile(folder + "/b.doc");
    const QStringList start = {QStringLiteral("/first.png")};
    EXPECT_EQ(PhotosReader::scanURLIgnoringExtras(folder, start),
              QStringList({QStringLiteral("/first.png"), folder + "/a.Jpeg"}));
    EXPECT_EQ(PhotosReader::scanURLIgnoringExtras(folder + "/b.doc"), QStringList{folder + "/b.doc"});
    EXPECT_TRUE(PhotosReader::scanURLIgnoringExtras(QString()).isEmpty());
    // A location that does not exist is no picture.
    EXPECT_EQ(PhotosReader::scanURLIgnoringExtras(folder + "/gone", start), start);
}

TEST(PhotosReaderTest, PackageWithoutMastersFolderGivesNothing)
{
    const QString home = qmtest::freshDir(QStringLiteral("home"));
    QDir().mkpath(home + "/Pictures/Photos Library.photoslibrary/Thumbnails");
    EXPECT_TRUE(PhotosReader::isPhotosInstalled(home));
    EXPECT_TRUE(PhotosReader(home).imagesList().isEmpty());
}

TEST(PhotoBoothReaderTest, ListsEveryPictureAsItsOwnThumbnail)
{
    const QString home = qmtest::freshDir(QStringLiteral("home"));
    const QString pictures = home + "/Pictures/Photo Booth Library/Pictures";
    writeFile(pictures + "/Photo on 1.jpg");
    writeFile(pictures + "/Originals/Photo on 2.png");
    writeFile(pictures + "/Photo on 3.JPG");
    writeFile(pictures + "/Photo on 4.Jpg");
    writeFile(pictures + "/Movie on 5.mov");
    ASSERT_TRUE(PhotoBoothReader::isPhotoBoothInstalled(home));
    QSet<QString> paths;
    for (const iPhoto &item : PhotoBoothReader(home).imagesList()) {
        EXPECT_EQ(item.photoPath(), item.thumbPath());
        paths.insert(item.photoPath());
    }
    // Extensions are compared as they are: the mixed-case one is not among the readable types.
    EXPECT_EQ(paths, QSet<QString>({pictures + "/Photo on 1.jpg", pictures + "/Originals/Photo on 2.png",
                                    pictures + "/Photo on 3.JPG"}));
}

TEST(PhotoBoothReaderTest, FolderWithOnlyHiddenOrOtherFilesIsNotOffered)
{
    const QString home = qmtest::freshDir(QStringLiteral("home"));
    const QString pictures = home + "/Pictures/Photo Booth Library/Pictures";
    writeFile(pictures + "/.hidden.jpg");
    writeFile(pictures + "/.thumbs/one.jpg");
    writeFile(pictures + "/readme.txt");
    EXPECT_FALSE(PhotoBoothReader::isPhotoBoothInstalled(home));
    EXPECT_TRUE(PhotoBoothReader(home).imagesList().isEmpty());

    // A file where the folder should be is no library either.
    const QString other = qmtest::freshDir(QStringLiteral("home"));
    writeFile(other + "/Pictures/Photo Booth Library/Pictures", "x");
    EXPECT_FALSE(PhotoBoothReader::isPhotoBoothInstalled(other));
}

TEST(PhotoLibraryFilesTest, LinkedFoldersAreNotEnteredSoLoopsEnd)
{
    const QString folder = qmtest::freshDir(QStringLiteral("walk"));
    writeFile(folder + "/sub/a.png");
    ASSERT_TRUE(QFile::link(folder, folder + "/sub/loop"));
    EXPECT_EQ(PhotoLibraryFiles::walkPictures(folder, true), QStringList{folder + "/sub/a.png"});
}

TEST(PhotoLibraryFilesTest, TildeExpandsOnlyForTheHomeFolder)
{
    EXPECT_EQ(PhotoLibraryFiles::expandTilde("~", "/home/u"), "/home/u");
    EXPECT_EQ(PhotoLibraryFiles::expandTilde("~/Pictures", "/home/u"), "/home/u/Pictures");
    EXPECT_EQ(PhotoLibraryFiles::expandTilde("~other/Pictures", "/home/u"), "~other/Pictures");
    EXPECT_EQ(PhotoLibraryFiles::expandTilde("/abs/~/x", "/home/u"), "/abs/~/x");
}
