// A user image deleted while a saved design uses it: the deletion warns that designs may use
// it, and opening the design says which pictures are missing while the objects keep their
// stored paths, so that the pictures come back with their files.
#include "canvas/CanvasTestSupport.h"
#include "common/TestPrompts.h"
#include "images/HostileFiles.h"
#include "images/ImageSources.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"
#include "objects/ObjectFactory.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QScrollArea>

using namespace quillmark;

namespace {

class MissingPicture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("missing-picture"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        registerObjectKinds();
        QDir(ImageSources::clipartUserPath()).removeRecursively();
        ScrollNSImageView::clearThumbnailCache();
        fixture = std::make_unique<canvastest::CanvasFixture>();
        fixture->view->initImages();
    }
    void TearDown() override
    {
        fixture.reset();
        Language::reset();
    }
    std::unique_ptr<canvastest::CanvasFixture> fixture;
};

} // namespace

TEST_F(MissingPicture, DeletingAUserImageWarnsAndTheOpenedDesignSaysWhatIsMissing)
{
    const QString user = ImageSources::userImagePath();
    ASSERT_FALSE(user.isEmpty());
    const QString leaf = user + QStringLiteral("leaf.png");
    const QString sky = user + QStringLiteral("sky.png");
    ASSERT_TRUE(hostile::writeFile(leaf, hostile::pngBytes(QSize(40, 20), Qt::green)));
    ASSERT_TRUE(hostile::writeFile(sky, hostile::pngBytes(QSize(20, 20), Qt::blue)));

    // A design with both pictures, the leaf twice, saved by path.
    RectsView *view = fixture->view.get();
    view->setupNewNSImagePath(leaf);
    view->clearSelection();
    view->setupNewNSImagePath(leaf);
    view->clearSelection();
    view->setupNewNSImagePath(sky);
    ASSERT_EQ(view->getRects().size(), 3);
    qmtest::ScopedTestPrompts prompts;
    const QString document = qmtest::freshDir(QStringLiteral("missing-picture-doc")) + QStringLiteral("/card.qkdoc");
    prompts->queuePath(document);
    ASSERT_TRUE(view->save());

    // The user deletes the leaf in the browser; the confirmation says designs may use it.
    QScrollArea scroll;
    auto *browser = new ScrollNSImageView;
    scroll.setWidget(browser);
    scroll.setWidgetResizable(true);
    scroll.resize(300, 300);
    ASSERT_TRUE(browser->loadUserImagesArray(user));
    ASSERT_TRUE(browser->waitForThumbnails());
    listImageViewItem *tile = nullptr;
    for (listImageViewItem *each : browser->tiles())
        if (each->filePath() == leaf)
            tile = each;
    ASSERT_NE(tile, nullptr);
    prompts->queueAlert(Prompts::FirstButton);
    ASSERT_TRUE(tile->confirmAndDelete());
    EXPECT_EQ(prompts->last().message, QStringLiteral("Designs that use this picture will show it as missing."));
    EXPECT_FALSE(QFileInfo::exists(leaf));

    // Opening the design names the missing picture once; the objects keep its path.
    prompts->clear();
    ASSERT_TRUE(view->open(document));
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("Some pictures of this design could not be found:"));
    EXPECT_EQ(prompts->last().message.count(leaf), 1);
    EXPECT_FALSE(prompts->last().message.contains(sky));
    EXPECT_EQ(view->missingImagePaths(), QStringList{leaf});
    int missing = 0;
    for (const GraphicPtr &graphic : view->getRects()) {
        if (graphic->imageFileMissing()) {
            ++missing;
            EXPECT_EQ(graphic->imagePath(), leaf);
        }
    }
    EXPECT_EQ(missing, 2);

    // Once the file is back, the design opens with its pictures and without a word.
    ASSERT_TRUE(hostile::writeFile(leaf, hostile::pngBytes(QSize(40, 20), Qt::green)));
    prompts->clear();
    ASSERT_TRUE(view->open(document));
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);
    for (const GraphicPtr &graphic : view->getRects())
        EXPECT_TRUE(graphic->hasValidImage());
}
