// The image-source menu, the tile grid of the browsers and the names given to files that
// arrive in a folder.
#include "common/TestSupport.h"
#include "images/ImageSources.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSet>

using namespace quillmark;
using Kind = ImageSources::SourceKind;

namespace {

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

ImageSources::ExistsFunction existing(const QSet<QString> &paths)
{
    return [paths](const QString &path) { return paths.contains(path); };
}

// title:tag per item, "-" for a separator, "!" after a disabled item.
QStringList outline(const ImageSources::Menu &menu)
{
    QStringList out;
    for (const ImageSources::MenuItem &item : menu.items) {
        if (item.kind == Kind::Separator)
            out << QStringLiteral("-");
        else
            out << item.title + ':' + QString::number(item.tag) + (item.enabled ? "" : "!");
    }
    return out;
}

class ImageSourcesDefaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardForTesting(qmtest::freshDir(QStringLiteral("defaults")) + "/d.plist");
    }
};

} // namespace

TEST(TileGrid, LaysOutRowsAsTheWorkedExamplesGive)
{
    struct Case
    {
        double width;
        int tile;
        int count;
        double clipHeight;
        int columns;
        int rows;
        double height;
    };
    const Case cases[] = {
        {300, 90, 7, 0, 3, 3, 290},    // A = 327, 327 / 95 = 3.44
        {300, 90, 7, 400, 3, 3, 400},  // the clip view is taller
        {330, 160, 3, 0, 2, 2, 335},   // A = 378, 378 / 165 = 2.29
        {95, 90, 2, 0, 1, 2, 195},     // A = 122, one column
        {40, 90, 3, 0, 1, 3, 290},     // narrower than a tile: still one column
        {255, 90, 6, 0, 2, 3, 290},    // A = 282, 282 / 95 = 2.97 truncates to 2
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QStringLiteral("width %1 tile %2").arg(c.width).arg(c.tile).toStdString());
        const ImageSources::TileLayout layout =
            ImageSources::layoutTiles(c.width, c.tile, c.tile, c.count, c.clipHeight);
        EXPECT_EQ(layout.columns, c.columns);
        EXPECT_EQ(layout.rows, c.rows);
        EXPECT_EQ(layout.height, c.height);
        EXPECT_EQ(layout.cells.size(), c.count);
    }
}

TEST(TileGrid, ColumnsAreTheWholeCellsInTheWidenedRow)
{
    // A = 95 + 0.3 * 300 = 185, 185 / 305 gives 0 columns, raised to 1.
    EXPECT_EQ(ImageSources::layoutTiles(95, 300, 300, 2, 0).columns, 1);
    // A = 600 + 3 = 603 with tiles of 10: 603 / 15 = 40 columns; 10 * 40 + 5 = 405 fits.
    EXPECT_EQ(ImageSources::layoutTiles(600, 10, 10, 100, 0).columns, 40);
    // A = 190 + 27 = 217: 217 / 95 = 2 columns, and 90 * 2 + 5 = 185 fits.
    EXPECT_EQ(ImageSources::layoutTiles(190, 90, 90, 5, 0).columns, 2);
}

TEST(TileGrid, CellsFillRowsFromTheTopLeft)
{
    const ImageSources::TileLayout layout = ImageSources::layoutTiles(300, 90, 90, 7, 0);
    const QList<QRectF> expected = {
        {5, 5, 90, 90},   {100, 5, 90, 90},   {195, 5, 90, 90},  {5, 100, 90, 90},
        {100, 100, 90, 90}, {195, 100, 90, 90}, {5, 195, 90, 90},
    };
    EXPECT_EQ(layout.cells, expected);
}

TEST(TileGrid, EmptyBrowserLaysOutNothing)
{
    const ImageSources::TileLayout layout = ImageSources::layoutTiles(300, 90, 90, 0, 500);
    EXPECT_EQ(layout.columns, 0);
    EXPECT_EQ(layout.height, 0);
    EXPECT_TRUE(layout.cells.isEmpty());
}

TEST(TileGrid, FirstTileFrameFitsTheImage)
{
    EXPECT_EQ(ImageSources::fittedTileSize({180, 90}, 90, 90), QSizeF(90, 45));
    // The scale is kept in single precision, as the browser keeps it.
    const QSizeF tall = ImageSources::fittedTileSize({30, 60}, 90, 90);
    EXPECT_NEAR(tall.width(), 45, 1e-4);
    EXPECT_NEAR(tall.height(), 90, 1e-4);
    EXPECT_EQ(ImageSources::fittedTileSize({0, 60}, 90, 90), QSizeF(90, 90));
}

TEST(FileNames, DroppedFilesGetCopyNamesThatAccumulate)
{
    const QString dir = QStringLiteral("/u/cliparts");
    struct Case
    {
        const char *name;
        QSet<QString> taken;
        const char *expected;
    };
    const Case cases[] = {
        {"a.png", {}, "/u/cliparts/a.png"},
        {"a.png", {"/u/cliparts/a.png"}, "/u/cliparts/a copy.png"},
        {"a.png", {"/u/cliparts/a.png", "/u/cliparts/a copy.png"}, "/u/cliparts/a copy copy.png"},
        {"tree.large.jpg", {"/u/cliparts/tree.large.jpg"}, "/u/cliparts/tree.large copy.jpg"},
        {"README", {"/u/cliparts/README"}, "/u/cliparts/README copy"},
        {"/elsewhere/b.png", {}, "/u/cliparts/b.png"},
        {"../../etc/c.png", {}, "/u/cliparts/c.png"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ImageSources::copyDestination(dir, c.name, existing(c.taken)), c.expected);
    }
    EXPECT_TRUE(ImageSources::copyDestination(dir, "..", existing({})).isNull());
    EXPECT_TRUE(ImageSources::copyDestination(dir, "x.png", [](const QString &) { return true; }).isNull());
}

TEST(FileNames, CopyNamingSeesTheFilesOnDisk)
{
    const QString dir = qmtest::freshDir(QStringLiteral("user"));
    touch(dir + "/a.png");
    touch(dir + "/a copy.png");
    EXPECT_EQ(ImageSources::copyDestination(dir, "/somewhere/a.png"), dir + "/a copy copy.png");
}

TEST(FileNames, DropAcceptsOnlyFilesThatReadAsImages)
{
    const QString dir = qmtest::freshDir(QStringLiteral("drop"));
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(dir + "/tree.png"));
    QFile text(dir + "/notes.png");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    ASSERT_TRUE(QFile::link(dir + "/tree.png", dir + "/link.png"));
    QDir().mkpath(dir + "/folder.png");

    EXPECT_TRUE(ImageSources::acceptsDroppedFile(dir + "/tree.png"));
    EXPECT_TRUE(ImageSources::acceptsDroppedFile(dir + "/link.png"));
    EXPECT_EQ(ImageSources::resolveAlias(dir + "/link.png"), dir + "/tree.png");
    EXPECT_EQ(ImageSources::resolveAlias(dir + "/tree.png"), dir + "/tree.png");
    EXPECT_FALSE(ImageSources::acceptsDroppedFile(dir + "/notes.png"));
    EXPECT_FALSE(ImageSources::acceptsDroppedFile(dir + "/folder.png"));
    EXPECT_FALSE(ImageSources::acceptsDroppedFile(dir + "/missing.png"));
    EXPECT_FALSE(ImageSources::acceptsDroppedFile(QString()));
}

TEST(FileNames, RenameValidation)
{
    EXPECT_TRUE(ImageSources::isValidFileName("Party invitation"));
    EXPECT_TRUE(ImageSources::isValidFileName("..name"));
    EXPECT_TRUE(ImageSources::isValidFileName("Grüße 2"));
    EXPECT_FALSE(ImageSources::isValidFileName(""));
    EXPECT_FALSE(ImageSources::isValidFileName("."));
    EXPECT_FALSE(ImageSources::isValidFileName(".."));
    EXPECT_FALSE(ImageSources::isValidFileName("two\nlines"));
    EXPECT_FALSE(ImageSources::isValidFileName("tab\there"));
    EXPECT_FALSE(ImageSources::isValidFileName(QString("esc") + QChar(0x1b)));
    EXPECT_FALSE(ImageSources::isValidFileName(QString("del") + QChar(0x7f)));
    EXPECT_FALSE(ImageSources::isValidFileName("../outside"));
    EXPECT_FALSE(ImageSources::isValidFileName("a/b"));
    EXPECT_FALSE(ImageSources::isValidFileName("a\\b"));
    EXPECT_FALSE(ImageSources::isValidFileName(QString("a") + QChar(0) + "b"));
}

TEST(FileNames, RenamedTemplatesGetCountersThatAccumulate)
{
    const QString current = QStringLiteral("/t/Old.vrxtemp");
    EXPECT_EQ(ImageSources::renameDestination(current, "New", existing({})), "/t/New.vrxtemp");
    EXPECT_EQ(ImageSources::renameDestination(current, "A", existing({"/t/A.vrxtemp"})), "/t/A1.vrxtemp");
    EXPECT_EQ(ImageSources::renameDestination(current, "A", existing({"/t/A.vrxtemp", "/t/A1.vrxtemp"})),
              "/t/A12.vrxtemp");
    EXPECT_EQ(ImageSources::renameDestination(
                  current, "A", existing({"/t/A.vrxtemp", "/t/A1.vrxtemp", "/t/A12.vrxtemp"})),
              "/t/A123.vrxtemp");
    // Unchanged, empty, or leading out of the folder: nothing to do.
    EXPECT_TRUE(ImageSources::renameDestination(current, "Old", existing({current})).isNull());
    EXPECT_TRUE(ImageSources::renameDestination(current, "", existing({})).isNull());
    EXPECT_TRUE(ImageSources::renameDestination(current, "../../x", existing({})).isNull());
    EXPECT_TRUE(ImageSources::renameDestination(QString(), "x", existing({})).isNull());
}

TEST(SourceMenu, CustomFolderTagsNeverCollide)
{
    EXPECT_EQ(ImageSources::customFolderTag(0), 25);
    EXPECT_EQ(ImageSources::customFolderTag(1), 26);
    EXPECT_EQ(ImageSources::customFolderTag(14), 39);
    EXPECT_EQ(ImageSources::customFolderTag(15), 42);
    QSet<int> seen;
    const QSet<int> others = {0, 1, 2, 3, 4, 40, 41, 60};
    for (int index = 0; index < 200; ++index) {
        const int tag = ImageSources::customFolderTag(index);
        EXPECT_FALSE(others.contains(tag)) << index;
        EXPECT_FALSE(seen.contains(tag)) << index;
        seen.insert(tag);
        EXPECT_EQ(ImageSources::customFolderIndex(tag), index);
    }
    for (const int tag : others)
        EXPECT_EQ(ImageSources::customFolderIndex(tag), -1) << tag;
}

TEST(SourceMenu, OrderAndSeparators)
{
    const QString clipart = qmtest::freshDir(QStringLiteral("clipart"));
    QDir().mkpath(clipart + "/Animals");
    QDir().mkpath(clipart + "/Food");
    QDir().mkpath(clipart + "/Sports");
    QDir().mkpath(clipart + "/.hidden");
    touch(clipart + "/stray.png");
    const QString user = qmtest::freshDir(QStringLiteral("user"));
    touch(user + "/mine.png");
    const QString custom1 = qmtest::freshDir(QStringLiteral("Custom One"));
    const QString custom2 = qmtest::freshDir(QStringLiteral("Custom Two"));

    ImageSources::MenuInput input;
    input.clipartFolder = clipart;
    input.userClipartFolder = user;
    input.customPaths = {custom1, custom2};
    input.iPhotoInstalled = true;
    input.apertureInstalled = true;
    input.photosInstalled = true;
    input.photoBoothInstalled = true;
    input.internetAvailable = true;
    const ImageSources::Menu menu = ImageSources::buildMenu(input);
    const QString one = QFileInfo(custom1).fileName();
    const QString two = QFileInfo(custom2).fileName();
    EXPECT_EQ(outline(menu), QStringList({"Animals:0", "Food:0", "Sports:0", "user images:0", "-",
                                          "iPhoto:1", "Aperture:4", "Photos:40", "Photo Booth:41", "-",
                                          "Internet:60", "-", one + ":25", two + ":26", "-",
                                          "Select Folder ...:3"}));
    EXPECT_EQ(menu.selectedIndex, 0);
    EXPECT_EQ(menu.category, "Animals");
    EXPECT_EQ(menu.items[1].path, clipart + "/Food");
    EXPECT_EQ(menu.items[3].kind, Kind::UserImages);
    EXPECT_EQ(menu.items[12].path, custom1);
    EXPECT_FALSE(menu.customPathsPruned);
}

TEST(SourceMenu, SparseMenuAndDisabledInternet)
{
    ImageSources::MenuInput input;
    input.clipartFolder = qmtest::freshDir(QStringLiteral("clipart"));
    input.userClipartFolder = qmtest::freshDir(QStringLiteral("user"));
    const ImageSources::Menu menu = ImageSources::buildMenu(input);
    // No categories, an empty user folder, no libraries: no "user images" item.
    EXPECT_EQ(outline(menu), QStringList({"Internet:60!", "-", "Select Folder ...:3"}));
    EXPECT_EQ(menu.selectedIndex, -1);
    EXPECT_TRUE(menu.category.isEmpty());
}

TEST(SourceMenu, RemembersTheChosenCategoryWhileItExists)
{
    const QString clipart = qmtest::freshDir(QStringLiteral("clipart"));
    QDir().mkpath(clipart + "/Animals");
    QDir().mkpath(clipart + "/Food");
    ImageSources::MenuInput input;
    input.clipartFolder = clipart;
    input.lastCategory = "Food";
    ImageSources::Menu menu = ImageSources::buildMenu(input);
    EXPECT_EQ(menu.category, "Food");
    EXPECT_EQ(menu.selectedIndex, 1);
    input.lastCategory = "Gone";
    menu = ImageSources::buildMenu(input);
    EXPECT_EQ(menu.category, "Animals");
    EXPECT_EQ(menu.selectedIndex, 0);
}

TEST_F(ImageSourcesDefaults, AddedFoldersTakeTags25And26AndGoneOnesAreDropped)
{
    const QString first = qmtest::freshDir(QStringLiteral("first"));
    const QString second = qmtest::freshDir(QStringLiteral("second"));
    EXPECT_EQ(ImageSources::addCustomPath(first), 25);
    EXPECT_EQ(UserDefaults::standard().integerForKey("imageTag"), 25);
    EXPECT_EQ(ImageSources::addCustomPath(second), 26);
    EXPECT_EQ(UserDefaults::standard().integerForKey("imageTag"), 26);
    EXPECT_EQ(ImageSources::customPaths(), QStringList({first, second}));

    ASSERT_TRUE(QDir(first).removeRecursively());
    const ImageSources::Menu menu = ImageSources::fillImagePopup(QString(), true);
    QList<ImageSources::MenuItem> custom;
    for (const ImageSources::MenuItem &item : menu.items) {
        if (item.kind == Kind::CustomPath)
            custom.append(item);
    }
    ASSERT_EQ(custom.size(), 1);
    EXPECT_EQ(custom[0].tag, 25);
    EXPECT_EQ(custom[0].path, second);
    EXPECT_EQ(ImageSources::customPaths(), QStringList{second});
}

TEST_F(ImageSourcesDefaults, DamagedCustomPathEntriesAreIgnored)
{
    UserDefaults::standard().setObject(QVariantList{42, QString(), QVariantMap{{"a", "b"}}, "/no/such/folder"},
                                       "customPaths");
    EXPECT_EQ(ImageSources::customPaths(), QStringList{"/no/such/folder"});
    UserDefaults::standard().setObject(QStringLiteral("/not/a/list"), "customPaths");
    EXPECT_TRUE(ImageSources::customPaths().isEmpty());
}

TEST_F(ImageSourcesDefaults, ChoosingSelectFolderIsNotRemembered)
{
    ImageSources::rememberImageTag(40);
    ImageSources::rememberImageTag(ImageSources::SelectFolderTag);
    EXPECT_EQ(UserDefaults::standard().integerForKey("imageTag"), 40);
}

TEST(SourceMenu, FoldersLieUnderTheResourcesAndTheUsersData)
{
    EXPECT_TRUE(ImageSources::clipartPath().endsWith("/Brenholt/Quillmark/cliparts/"));
    EXPECT_TRUE(ImageSources::backgroundPath().endsWith("/Brenholt/Quillmark/bkgrnd/"));
    EXPECT_TRUE(ImageSources::templatesPath().endsWith("/Brenholt/Quillmark/Templates/"));
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(ImageSources::clipartUserPath(), data + "/Brenholt/Quillmark/cliparts/");
    EXPECT_EQ(ImageSources::templatesUserPath(), data + "/Brenholt/Quillmark/Templates/");
    const QString user = ImageSources::userImagePath();
    EXPECT_EQ(user, ImageSources::clipartUserPath());
    EXPECT_TRUE(QFileInfo(user).isDir());
}

TEST(SourceMenu, PhotoLibraryItemsByTag)
{
    const QString home = qmtest::freshDir(QStringLiteral("home"));
    touch(home + "/Pictures/Photo Booth Library/Pictures/one.png");
    EXPECT_TRUE(ImageSources::isPhotoLibraryInstalled(ImageSources::PhotoBoothTag, home));
    EXPECT_FALSE(ImageSources::isPhotoLibraryInstalled(ImageSources::PhotosTag, home));
    EXPECT_FALSE(ImageSources::isPhotoLibraryInstalled(ImageSources::InternetTag, home));
    EXPECT_EQ(ImageSources::photoLibraryItems(ImageSources::PhotoBoothTag, home).size(), 1);
    EXPECT_TRUE(ImageSources::photoLibraryItems(ImageSources::IPhotoTag, home).isEmpty());
    EXPECT_TRUE(ImageSources::photoLibraryItems(25, home).isEmpty());
}
