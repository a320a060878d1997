// Checks the pictures the application ships: every mask the mask browser asks for by name,
// every clip-art drawing and every page background, read through independent readers.
#include "common/TestSupport.h"
#include "images/ImageSources.h"
#include "platform/Bundle.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

using namespace quillmark;

namespace {

// The names in the order the mask browser lists them.
QStringList maskNames()
{
    QStringList names = {"flower", "flower1", "heart", "rect1", "star1", "rarrow1", "zebra1", "zebra2",
                         "zebra3", "davidstar", "t1", "t2", "t3", "t4", "t5", "t6"};
    for (int n = 17; n <= 47; ++n)
        names << QStringLiteral("t%1").arg(n);
    return names;
}

} // namespace

TEST(ShippedMasks, EveryListedNameLoadsAsAGreyMask)
{
    const QStringList names = maskNames();
    ASSERT_EQ(names.size(), 47);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        // No other picture of the resources may shadow a mask's name.
        EXPECT_EQ(Bundle::pathForImageNamed(name), Bundle::resourcesPath() + "/masks/" + name + ".png");
        const QImage mask = Bundle::imageNamed(name);
        ASSERT_FALSE(mask.isNull());
        EXPECT_EQ(mask.size(), QSize(256, 256));
        // One grey channel: dark keeps the object's picture, light cuts it away.
        EXPECT_TRUE(mask.isGrayscale());
        EXPECT_FALSE(mask.hasAlphaChannel());
        int dark = 0, light = 0;
        const QImage grey = mask.convertToFormat(QImage::Format_Grayscale8);
        for (int y = 0; y < grey.height(); ++y) {
            const uchar *line = grey.constScanLine(y);
            for (int x = 0; x < grey.width(); ++x) {
                dark += line[x] < 64;
                light += line[x] > 192;
            }
        }
        EXPECT_GT(dark, 256 * 256 / 20);
        EXPECT_GT(light, 256 * 256 / 50);
    }
}

TEST(ShippedMasks, TheBrowserListsTheSameNamesAndTitlesOnlyTheNamedOnes)
{
    EXPECT_EQ(ImageSources::maskNames(), maskNames());
    const QStringList names = ImageSources::maskNames();
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(ImageSources::showsMaskTitle(i), i < 16) << qPrintable(names[i]);
    EXPECT_FALSE(ImageSources::showsMaskTitle(-1));
    EXPECT_FALSE(ImageSources::showsMaskTitle(47));
}

TEST(ShippedMasks, NamedShapesKeepTheirMiddleAndCutTheirCorner)
{
    for (const char *name : {"flower", "flower1", "heart", "rect1", "star1", "davidstar", "t1", "t2"}) {
        SCOPED_TRACE(name);
        const QImage mask = Bundle::imageNamed(name).convertToFormat(QImage::Format_Grayscale8);
        EXPECT_LT(qGray(mask.pixel(128, 128)), 32);
        EXPECT_GT(qGray(mask.pixel(1, 1)), 224);
    }
}

TEST(ShippedClipart, EveryCategoryHoldsValidSelfContainedDrawings)
{
    const QDir clipart(ImageSources::clipartPath());
    const QStringList categories = clipart.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_GE(categories.size(), 12);
    int drawings = 0;
    for (const QString &category : categories) {
        SCOPED_TRACE(category.toStdString());
        const QDir folder(clipart.filePath(category));
        const QStringList files = folder.entryList(QDir::Files, QDir::Name);
        EXPECT_GE(files.size(), 8);
        for (const QString &file : files) {
            SCOPED_TRACE(file.toStdString());
            ASSERT_TRUE(file.endsWith(".svg"));
            QFile source(folder.filePath(file));
            ASSERT_TRUE(source.open(QIODevice::ReadOnly));
            const QByteArray text = source.readAll();
            EXPECT_TRUE(text.contains("version=\"1.1\""));
            EXPECT_FALSE(text.contains("href"));
            EXPECT_FALSE(text.contains("url("));
            QSvgRenderer renderer(text);
            ASSERT_TRUE(renderer.isValid());
            EXPECT_FALSE(renderer.viewBoxF().isEmpty());
            QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            renderer.render(&painter);
            painter.end();
            int painted = 0;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x)
                    painted += qAlpha(image.pixel(x, y)) > 0;
            EXPECT_GT(painted, 64 * 64 / 40);
            ++drawings;
        }
    }
    EXPECT_GE(drawings, 8 * 12);
}

TEST(ShippedClipart, TheSourceMenuListsTheShippedCategories)
{
    ImageSources::MenuInput input;
    input.clipartFolder = ImageSources::clipartPath();
    const ImageSources::Menu menu = ImageSources::buildMenu(input);
    ASSERT_GE(menu.selectedIndex, 0);
    EXPECT_EQ(menu.category, "Animals");
    EXPECT_EQ(menu.items[menu.selectedIndex].path, ImageSources::clipartPath() + "Animals");
}

TEST(ShippedBackgrounds, EveryBackgroundReadsAndStaysSmall)
{
    const QDir folder(ImageSources::backgroundPath());
    const QFileInfoList files = folder.entryInfoList(QDir::Files, QDir::Name);
    EXPECT_GE(files.size(), 12);
    qint64 total = 0;
    for (const QFileInfo &file : files) {
        SCOPED_TRACE(file.fileName().toStdString());
        EXPECT_LT(file.size(), 100 * 1024);
        total += file.size();
        QImageReader reader(file.filePath());
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << qPrintable(reader.errorString());
        EXPECT_GE(image.width(), 256);
        EXPECT_GE(image.height(), 256);
    }
    EXPECT_LT(total, 3 * 1024 * 1024);
}
