#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "platform/Bundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

using namespace quillmark;

namespace {

// Points the bundle at a resources folder of the test's own making for the test's length.
class BundleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved = qgetenv("QUILLMARK_RESOURCES");
        root = qmtest::freshDir("resources");
        qputenv("QUILLMARK_RESOURCES", root.toUtf8());
    }
    void TearDown() override { qputenv("QUILLMARK_RESOURCES", saved); }

    void writeImage(const QString &relative, QColor colour)
    {
        QDir().mkpath(QFileInfo(root + "/" + relative).absolutePath());
        QImage image(4, 3, QImage::Format_ARGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(root + "/" + relative));
    }

    void writeText(const QString &relative)
    {
        QDir().mkpath(QFileInfo(root + "/" + relative).absolutePath());
        QFile file(root + "/" + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }

    QByteArray saved;
    QString root;
};

} // namespace

TEST_F(BundleTest, TheEnvironmentChoosesTheResourcesFolder)
{
    EXPECT_EQ(Bundle::resourcesPath(), QDir::cleanPath(root));
}

TEST_F(BundleTest, PathForResourceLooksInTheFolderAskedForAndNowhereOutside)
{
    writeText("Catalog.plist");
    writeText("en.lproj/strings.plist");
    EXPECT_EQ(Bundle::pathForResource("Catalog", "plist"), root + "/Catalog.plist");
    EXPECT_EQ(Bundle::pathForResource("Catalog", ".plist"), root + "/Catalog.plist");
    EXPECT_EQ(Bundle::pathForResource("Catalog.plist", QString()), root + "/Catalog.plist");
    EXPECT_EQ(Bundle::pathForResource("strings", "plist", "en.lproj"), root + "/en.lproj/strings.plist");
    EXPECT_TRUE(Bundle::pathForResource("strings", "plist").isNull());
    EXPECT_TRUE(Bundle::pathForResource("Missing", "plist").isNull());
    EXPECT_TRUE(Bundle::pathForResource("en.lproj", QString()).isNull()) << "a folder is no resource";

    writeText("../outside.plist");
    EXPECT_TRUE(Bundle::pathForResource("../outside", "plist").isNull());
    EXPECT_TRUE(Bundle::pathForResource("outside", "plist", "..").isNull());
}

TEST_F(BundleTest, ImagesAreFoundByNameAnywhereUnderTheResources)
{
    writeImage("masks/Star.png", Qt::red);
    writeImage("Brenholt/Quillmark/cliparts/Tree.jpg", Qt::green);
    writeImage("deep/er/Logo.bmp", Qt::blue);
    writeText("Logo.svg");
    {
        QFile svg(root + "/Mark.svg");
        ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
        svg.write("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"6\">"
                  "<rect width=\"8\" height=\"6\" fill=\"#00ff00\"/></svg>");
    }
    {
        QPdfWriter pdf(root + "/Badge.pdf");
        pdf.setPageSize(QPageSize(QSizeF(20, 10), QPageSize::Point));
        QPainter painter(&pdf);
        painter.fillRect(QRect(0, 0, 10000, 10000), Qt::blue);
    }

    EXPECT_EQ(Bundle::pathForImageNamed("Star"), root + "/masks/Star.png");
    EXPECT_EQ(Bundle::pathForImageNamed("Tree"), root + "/Brenholt/Quillmark/cliparts/Tree.jpg");
    EXPECT_EQ(Bundle::pathForImageNamed("Star.png"), root + "/masks/Star.png");
    // The same name in several formats: the format order decides, not the folder depth.
    EXPECT_EQ(Bundle::pathForImageNamed("Logo"), root + "/deep/er/Logo.bmp");
    EXPECT_TRUE(Bundle::pathForImageNamed("Nothing").isNull());
    EXPECT_TRUE(Bundle::pathForImageNamed("").isNull());

    const QImage star = Bundle::imageNamed("Star");
    ASSERT_FALSE(star.isNull());
    EXPECT_EQ(star.size(), QSize(4, 3));
    EXPECT_EQ(star.pixelColor(1, 1), QColor(Qt::red));

    const QImage badge = Bundle::imageNamed("Badge");
    ASSERT_FALSE(badge.isNull());
    EXPECT_EQ(badge.size(), QSize(20, 10));
    EXPECT_TRUE(Bundle::imageNamed("Nothing").isNull());
    const QImage mark = Bundle::imageNamed("Mark");
    ASSERT_FALSE(mark.isNull());
    EXPECT_EQ(mark.size(), QSize(8, 6));
    EXPECT_EQ(mark.pixelColor(4, 3), QColor(Qt::green));
}

TEST_F(BundleTest, ApplicationSupportFollowsTheDataHomeAtCallTime)
{
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QString data = qmtest::freshDir("data-home");
    qputenv("XDG_DATA_HOME", data.toUtf8());
    EXPECT_EQ(Bundle::applicationSupportPath(), data);
    const QString support = Bundle::quillmarkSupportPath();
    EXPECT_EQ(support, data + "/Brenholt/Quillmark");
    EXPECT_TRUE(QFileInfo(support).isDir());
    qputenv("XDG_DATA_HOME", savedData);
}

TEST(Bundle, VersionsComeFromTheBuild)
{
    EXPECT_EQ(Bundle::versionString(), QString(QM_VERSION));
    EXPECT_FALSE(Bundle::shortVersionString().isEmpty());
}

TEST(Bundle, TheShippedResourcesAreFound)
{
    EXPECT_TRUE(QFileInfo(Bundle::resourcesPath()).isDir());
}
