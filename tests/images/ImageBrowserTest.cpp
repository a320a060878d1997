// The thumbnail browser: its grid for given widths, its sources, the files dropped on it and
// the deletion of user images, and the sources pop-up over it.
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "images/ImageBrowserPanel.h"
#include "images/ImageSources.h"
#include "images/ProgressSpinner.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <optional>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QImageWriter>
#include <QCoreApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace quillmark;

namespace {

void writeImage(const QString &path, const QSize &size, const QColor &color = Qt::red)
{
    QDir().mkpath(QFileInfo(path).path());
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(path));
}

void writeText(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
}

class ImageBrowser : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardForTesting(qmtest::freshDir(QStringLiteral("browser-defaults"))
                                              + QStringLiteral("/defaults.ini"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        QDir(ImageSources::clipartUserPath()).removeRecursively();
        ScrollNSImageView::clearThumbnailCache();
    }
    void TearDown() override { Language::reset(); }
};

// A browser of the given width inside a clip view of the given height.
struct Browser
{
    Browser(int width, int clipHeight)
    {
        scroll.resize(width, clipHeight);
        scroll.setWidget(view);
        scroll.setFrameShape(QFrame::NoFrame);
        scroll.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->resize(width, clipHeight);
        scroll.show();
    }
    void addTiles(int count)
    {
        QImage image(10, 10, QImage::Format_RGB32);
        image.fill(Qt::blue);
        for (int i = 0; i < count; ++i)
            view->addImageView(ScrollNSImageView::TileKind::Image, image, QStringLiteral("/t%1.png").arg(i));
    }
    QScrollArea scroll;
    ScrollNSImageView *view = new ScrollNSImageView;
};

} // namespace

TEST_F(ImageBrowser, GridForGivenWidths)
{
    struct Case
    {
        int width, tile, count, clip;
        int columns;
        int height;
        int second = 0; // where the second column starts when the gaps narrow
    };
    const Case cases[] = {
        {300, 90, 7, 100, 3, 290},  // 327 / 95: three columns, three rows
        {300, 90, 7, 400, 3, 400},  // a taller clip view is filled
        {330, 160, 3, 100, 2, 335}, // 378 / 165: two columns
        {95, 90, 2, 10, 1, 195},    // exactly one tile wide: one column
        {40, 90, 2, 10, 1, 195},    // narrower than a tile: still one column
        // 200 / 65 gives three masks in 182 points; with the usual gaps the third would be cut
        // by the edge where the scroll bar stands: the gaps narrow to a point and a half.
        {182, 60, 6, 10, 3, 135, 67},
        {189, 60, 6, 10, 3, 135},   // the third card just fits with the usual gaps
        // The image browser once its scroll bar shows: two tiles, a point apart.
        {180, 90, 6, 10, 2, 290, 96},
        // Narrower still: the gaps would have to be less than nothing.
        {178, 90, 6, 10, 1, 575},
        {174, 60, 6, 10, 2, 200},
    };
    for (const Case &c : cases) {
        Browser browser(c.width, c.clip);
        browser.view->setW(c.tile);
        browser.view->setH(c.tile);
        browser.addTiles(c.count);
        browser.view->update(true);
        SCOPED_TRACE(c.width);
        EXPECT_EQ(browser.view->height(), c.height);
        const auto &tiles = browser.view->tiles();
        ASSERT_EQ(tiles.size(), c.count);
        EXPECT_EQ(tiles[0]->geometry(), QRect(5, 5, c.tile, c.tile));
        if (c.count > c.columns) {
            EXPECT_EQ(tiles[c.columns]->geometry(), QRect(5, 5 + c.tile + 5, c.tile, c.tile));
        }
        if (c.columns > 1) {
            EXPECT_EQ(tiles[1]->geometry(), QRect(c.second ? c.second : 5 + c.tile + 5, 5, c.tile, c.tile));
        }
        // With two columns or more no card (6 points inside its tile) reaches past the
        // browser's edge.
        for (const listImageViewItem *tile : tiles)
            if (c.columns > 1) {
                EXPECT_LE(tile->geometry().x() + c.tile - 6, c.width);
            }
    }
}

TEST_F(ImageBrowser, EmptyBrowserKeepsItsFrameAndSizeMenuResizesTiles)
{
    Browser browser(300, 120);
    browser.view->update(true);
    EXPECT_EQ(browser.view->size(), QSize(300, 120));

    browser.addTiles(4);
    browser.view->setItemSize(2);
    EXPECT_EQ(browser.view->getW(), 160);
    for (listImageViewItem *tile : browser.view->tiles())
        EXPECT_EQ(tile->size(), QSize(160, 160));
    browser.view->setItemSize(1);
    EXPECT_EQ(browser.view->tiles()[0]->size(), QSize(90, 90));
}

TEST_F(ImageBrowser, FolderSourceSkipsWhatIsNoImageAndKeepsOldTilesForEmptyFolders)
{
    const QString folder = qmtest::freshDir(QStringLiteral("browser-folder"));
    writeImage(folder + "/a.png", QSize(40, 20));
    writeImage(folder + "/b.jpg", QSize(20, 40));
    writeText(folder + "/notes.txt");
    QDir().mkpath(folder + "/sub");

    Browser browser(300, 200);
    ASSERT_TRUE(browser.view->loadAllItemsListPath(folder));
    // Every file shows a tile at once; the workers' answers arrive through the event loop.
    ASSERT_EQ(browser.view->getCount(), 3);
    for (listImageViewItem *tile : browser.view->tiles())
        EXPECT_TRUE(tile->image().isNull());
    EXPECT_TRUE(browser.view->isLoading());
    ASSERT_TRUE(browser.view->waitForThumbnails());
    ASSERT_EQ(browser.view->getCount(), 2);
    EXPECT_EQ(QFileInfo(browser.view->tiles()[0]->filePath()).fileName(), QStringLiteral("a.png"));
    // Smaller than the tile: kept at its own size.
    EXPECT_EQ(browser.view->tiles()[0]->image().size(), QSize(40, 20));
    EXPECT_FALSE(browser.view->tiles()[0]->canDelete());

    EXPECT_FALSE(browser.view->loadAllItemsListPath(qmtest::freshDir(QStringLiteral("browser-empty"))));
    EXPECT_FALSE(browser.view->loadAllItemsListPath(folder + "/missing"));
    EXPECT_EQ(browser.view->getCount(), 2);

    // The same folder again comes from the cache: no tile waits and the file that is no
    // picture is left out straight away.
    ASSERT_TRUE(browser.view->loadUserImagesArray(folder));
    EXPECT_FALSE(browser.view->isLoading());
    ASSERT_EQ(browser.view->getCount(), 2);
    for (listImageViewItem *tile : browser.view->tiles()) {
        EXPECT_TRUE(tile->canDelete());
        EXPECT_FALSE(tile->image().isNull());
    }
}

TEST_F(ImageBrowser, ThumbnailsAreDecodedAtTileSize)
{
    const QString path = qmtest::freshDir(QStringLiteral("browser-big")) + "/big.png";
    writeImage(path, QSize(3000, 1500));
    const QImage thumb = ScrollNSImageView::thumbnail(path, QSize(180, 180));
    EXPECT_EQ(thumb.size(), QSize(180, 90));
    const QImage small = ScrollNSImageView::thumbnail(path, QSize(60, 60));
    EXPECT_EQ(small.size(), QSize(60, 30));
    EXPECT_TRUE(ScrollNSImageView::thumbnail(path + ".none", QSize(60, 60)).isNull());
}

TEST_F(ImageBrowser, MaskListHoldsTheShippedMasksWithTitlesOnTheNamedOnes)
{
    ScrollNSImageView view;
    view.loadAllItemsListResource();
    ASSERT_EQ(view.getCount(), 47);
    EXPECT_EQ(view.tiles()[0]->filePath(), QStringLiteral("flower"));
    EXPECT_TRUE(view.tiles()[15]->drawTitle());
    EXPECT_EQ(view.tiles()[16]->filePath(), QStringLiteral("t17"));
    EXPECT_FALSE(view.tiles()[16]->drawTitle());
    EXPECT_FALSE(view.tiles()[46]->drawTitle());
}

TEST_F(ImageBrowser, DroppedFilesAreCopiedUnderCopyNames)
{
    const QString source = qmtest::freshDir(QStringLiteral("browser-drop"));
    writeImage(source + "/a.png", QSize(8, 8));
    writeText(source + "/readme.txt");
    const QString user = ImageSources::userImagePath();
    ASSERT_FALSE(user.isEmpty());
    writeImage(user + "/a.png", QSize(8, 8));
    writeImage(user + "/a copy.png", QSize(8, 8));

    ScrollNSImageView view;
    int reloads = 0;
    view.userImagesChanged = [&reloads] { ++reloads; };
    // Copied aside: the answer comes through the event loop.
    const auto copy = [&view](const QString &file) {
        std::optional<QString> answer;
        view.copyDroppedFile(file, [&answer](const QString &destination) { answer = destination; });
        EXPECT_TRUE(QTest::qWaitFor([&answer] { return answer.has_value(); }, 60000));
        return answer.value_or(QStringLiteral("no answer"));
    };
    const QString copied = copy(source + "/a.png");
    EXPECT_EQ(QFileInfo(copied).fileName(), QStringLiteral("a copy copy.png"));
    EXPECT_TRUE(QFileInfo::exists(copied));
    EXPECT_EQ(reloads, 1);

    EXPECT_TRUE(copy(source + "/readme.txt").isNull());
    EXPECT_TRUE(copy(source).isNull());
    EXPECT_EQ(reloads, 1);

    // A drag is taken by the file's beginning; a drawing damaged past it is refused after the
    // drop, when it is read whole, and nothing is copied.
    QFile damaged(source + "/damaged.svg");
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30\" height=\"20\"><rect width=\"3\" <<<<");
    damaged.close();
    EXPECT_TRUE(ImageSources::acceptsDroppedFile(damaged.fileName()));
    EXPECT_TRUE(copy(damaged.fileName()).isNull());
    EXPECT_FALSE(QFileInfo::exists(user + "/damaged.svg"));
    EXPECT_EQ(reloads, 1);
}

TEST_F(ImageBrowser, UserImageDeletionAsksFirst)
{
    const QString user = ImageSources::userImagePath();
    writeImage(user + "/keep.png", QSize(8, 8));
    Browser browser(300, 200);
    ASSERT_TRUE(browser.view->loadUserImagesArray(user));
    ASSERT_EQ(browser.view->getCount(), 1);
    listImageViewItem *tile = browser.view->tiles()[0];

    qmtest::ScopedTestPrompts prompts;
    prompts->queueAlert(Prompts::SecondButton);
    EXPECT_FALSE(tile->confirmAndDelete());
    EXPECT_TRUE(QFileInfo::exists(user + "/keep.png"));
    EXPECT_EQ(prompts->last().title, QStringLiteral("Please confirm you wish to delete the user image"));
    EXPECT_EQ(prompts->last().message, QStringLiteral("Designs that use this picture will show it as missing."));
    EXPECT_EQ(prompts->last().buttons, (QStringList{QStringLiteral("Delete"), QStringLiteral("Cancel")}));

    int reloads = 0;
    browser.view->sourceChanged = [&reloads] { ++reloads; };
    prompts->queueAlert(Prompts::FirstButton);
    EXPECT_TRUE(tile->confirmAndDelete());
    EXPECT_FALSE(QFileInfo::exists(user + "/keep.png"));
    EXPECT_EQ(browser.view->getCount(), 0);
    EXPECT_EQ(reloads, 1);
}

TEST_F(ImageBrowser, TitlesAreShortenedUntilTheyFit)
{
    const QFontMetricsF metrics(qmtest::testFont(9));
    const QString title = QStringLiteral("A very long clip-art file name");
    const QString shown = listImageViewItem::shortenedTitle(title, metrics, 60);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("..")));
    EXPECT_LE(metrics.horizontalAdvance(shown), 60);
    EXPECT_EQ(listImageViewItem::shortenedTitle(QStringLiteral("Cat"), metrics, 60), QStringLiteral("Cat"));
}

TEST_F(ImageBrowser, SourcesPopupListsShippedCategoriesAndLoadsThem)
{
    ImageBrowserPanel panel(nullptr);
    panel.changeClipartBkrndMode();
    QStringList titles;
    for (int i = 0; i < panel.imagePopup()->count(); ++i)
        titles << panel.imagePopup()->itemText(i);
    const QStringList categories =
        QDir(ImageSources::clipartPath()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_FALSE(categories.isEmpty());
    for (const QString &category : categories)
        EXPECT_TRUE(titles.contains(category)) << category.toStdString();
    EXPECT_FALSE(titles.contains(QStringLiteral("user images")));
    EXPECT_TRUE(titles.contains(QStringLiteral("Internet")));
    EXPECT_TRUE(titles.contains(QStringLiteral("Select Folder ...")));
    EXPECT_GT(panel.imageListView()->getCount(), 0);

    // A custom folder is added, shown and kept in "customPaths".
    const QString custom = qmtest::freshDir(QStringLiteral("browser-custom"));
    writeImage(custom + "/one.png", QSize(8, 8));
    panel.addCustomFolder(custom);
    EXPECT_EQ(panel.imageListView()->getCount(), 1);
    EXPECT_EQ(ImageSources::customPaths(), QStringList{custom});
    EXPECT_EQ(panel.imagePopup()->currentText(), QFileInfo(custom).fileName());

    // A file dropped in makes "user images" appear, selected and loaded.
    bool copied = false;
    panel.imageListView()->copyDroppedFile(custom + "/one.png", [&copied](const QString &) { copied = true; });
    ASSERT_TRUE(QTest::qWaitFor([&copied] { return copied; }, 60000));
    EXPECT_EQ(panel.imagePopup()->currentText(), QStringLiteral("user images"));
    ASSERT_EQ(panel.imageListView()->getCount(), 1);
    EXPECT_TRUE(panel.imageListView()->tiles()[0]->canDelete());
}

TEST_F(ImageBrowser, CancellingSelectFolderKeepsTheSourceShownNamed)
{
    qmtest::ScopedTestPrompts prompts;
    ImageBrowserPanel panel(nullptr);
    panel.changeClipartBkrndMode();
    const QString shown = panel.imagePopup()->currentText();
    const int count = panel.imageListView()->getCount();
    ASSERT_GT(count, 0);
    const int row = panel.imagePopup()->findText(QStringLiteral("Select Folder ..."));
    ASSERT_GE(row, 0);
    prompts->queueCancel();
    panel.imagePopup()->setCurrentIndex(row);
    emit panel.imagePopup()->activated(row);
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::ChooseFolder), 1);
    EXPECT_EQ(panel.imagePopup()->currentText(), shown);
    EXPECT_EQ(panel.imageListView()->getCount(), count);
}

TEST_F(ImageBrowser, RenameKeepsTheFileInItsFolderAndRefusesBadNames)
{
    const QString folder = qmtest::freshDir(QStringLiteral("browser-rename"));
    writeImage(folder + "/A.png", QSize(8, 8));
    writeImage(folder + "/B.png", QSize(8, 8));
    writeImage(folder + "/A1.png", QSize(8, 8));
    listImageViewItem tile;
    tile.setPath(folder + "/B.png");

    for (const QString &bad : {QString(), QStringLiteral("../B"), QStringLiteral("sub/B"), QStringLiteral("B")}) {
        EXPECT_FALSE(tile.renameTo(bad)) << bad.toStdString();
        EXPECT_EQ(tile.filePath(), folder + "/B.png");
    }
    EXPECT_TRUE(QFileInfo::exists(folder + "/B.png"));

    ASSERT_TRUE(tile.renameTo(QStringLiteral("A")));
    EXPECT_EQ(tile.filePath(), folder + "/A12.png");
    EXPECT_TRUE(QFileInfo::exists(folder + "/A12.png"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/B.png"));
}

TEST_F(ImageBrowser, ChoosingAnotherSourceDropsTheRunningLoad)
{
    const QString first = qmtest::freshDir(QStringLiteral("browser-first"));
    for (int i = 0; i < 60; ++i)
        writeImage(first + QStringLiteral("/big%1.png").arg(i, 2, 10, QLatin1Char('0')), QSize(600, 400), Qt::red);
    const QString second = qmtest::freshDir(QStringLiteral("browser-second"));
    for (int i = 0; i < 3; ++i)
        writeImage(second + QStringLiteral("/small%1.png").arg(i), QSize(30, 30), Qt::green);

    Browser browser(300, 400);
    QList<bool> loading;
    browser.view->loadingChanged = [&loading](bool flag) { loading << flag; };
    ASSERT_TRUE(browser.view->loadAllItemsListPath(first));
    EXPECT_EQ(browser.view->getCount(), 60);
    ASSERT_TRUE(browser.view->loadAllItemsListPath(second));
    ASSERT_TRUE(browser.view->waitForThumbnails());
    // Nothing of the first folder arrives in the second's tiles, and the loading signal
    // ended once.
    ASSERT_EQ(browser.view->getCount(), 3);
    for (listImageViewItem *tile : browser.view->tiles()) {
        EXPECT_TRUE(tile->filePath().startsWith(second));
        ASSERT_FALSE(tile->image().isNull());
        EXPECT_EQ(tile->image().pixelColor(15, 15), QColor(Qt::green));
    }
    ASSERT_FALSE(loading.isEmpty());
    EXPECT_TRUE(loading.first());
    EXPECT_FALSE(loading.last());
    QCoreApplication::processEvents();
    EXPECT_EQ(browser.view->getCount(), 3);
}

TEST_F(ImageBrowser, TilesOnScreenAreDecodedFirstAfterAScroll)
{
    const QString folder = qmtest::freshDir(QStringLiteral("browser-scroll"));
    for (int i = 0; i < 120; ++i)
        writeImage(folder + QStringLiteral("/p%1.png").arg(i, 3, 10, QLatin1Char('0')), QSize(400, 300), Qt::blue);
    QScrollArea scroll;
    auto *view = new ScrollNSImageView;
    scroll.setWidget(view);
    scroll.setWidgetResizable(true);
    scroll.resize(320, 300);
    scroll.show();
    ASSERT_TRUE(view->loadAllItemsListPath(folder));
    scroll.verticalScrollBar()->setValue(scroll.verticalScrollBar()->maximum());
    // The tiles at the end come into view; whatever order the rest takes, all arrive.
    ASSERT_TRUE(view->waitForThumbnails());
    EXPECT_EQ(view->getCount(), 120);
    EXPECT_FALSE(view->tiles().last()->image().isNull());
}

TEST_F(ImageBrowser, SpinnerTurnsWhileASourceLoads)
{
    const QString folder = qmtest::freshDir(QStringLiteral("browser-spinner"));
    for (int i = 0; i < 5; ++i)
        writeImage(folder + QStringLiteral("/s%1.png").arg(i), QSize(200, 200), Qt::red);
    ImageBrowserPanel panel(nullptr);
    panel.show();
    EXPECT_FALSE(panel.spinner()->isSpinning());
    panel.addCustomFolder(folder);
    EXPECT_TRUE(panel.spinner()->isSpinning());
    EXPECT_TRUE(panel.spinner()->isVisible());
    ASSERT_TRUE(panel.imageListView()->waitForThumbnails());
    EXPECT_FALSE(panel.spinner()->isSpinning());
    EXPECT_FALSE(panel.spinner()->isVisible());
}

TEST_F(ImageBrowser, PhotoLibraryItemsWithoutAThumbnailShowTheirPicture)
{
    const QString library = qmtest::freshDir(QStringLiteral("browser-library"));
    writeImage(library + "/master.png", QSize(800, 400), Qt::red);
    writeImage(library + "/thumb.png", QSize(80, 40), Qt::green);
    writeImage(library + "/plain.png", QSize(400, 400), Qt::blue);
    iPhoto withThumbnail;
    withThumbnail.setPhotoPath(library + "/master.png");
    withThumbnail.setThumbPath(library + "/thumb.png");
    iPhoto withoutThumbnail;
    withoutThumbnail.setPhotoPath(library + "/plain.png");
    iPhoto missing;
    missing.setPhotoPath(library + "/gone.png");

    Browser browser(300, 300);
    browser.view->loadPhotoLibrary({withThumbnail, withoutThumbnail, missing});
    ASSERT_TRUE(browser.view->waitForThumbnails());
    ASSERT_EQ(browser.view->getCount(), 2);
    const listImageViewItem *first = browser.view->tiles()[0];
    const listImageViewItem *second = browser.view->tiles()[1];
    EXPECT_EQ(first->filePath(), library + "/master.png");
    EXPECT_EQ(first->image().pixelColor(10, 10), QColor(Qt::green));
    EXPECT_EQ(second->filePath(), library + "/plain.png");
    ASSERT_FALSE(second->image().isNull());
    EXPECT_EQ(second->image().pixelColor(10, 10), QColor(Qt::blue));
    // Decoded at tile size, not whole.
    EXPECT_LE(second->image().width(), browser.view->thumbnailBox().width());
}
