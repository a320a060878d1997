// The shape palette: the "formattypes" resource, the tiles and their layout, and the drag a
// tile starts.
#include <gtest/gtest.h>

#include <QDrag>
#include <QMimeData>
#include <QScrollArea>
#include <QTest>

#include "StockTestSupport.h"
#include "stock/CustomTypeItemView.h"
#include "stock/CustomTypesView.h"
#include "stock/FormatTypesReader.h"

using namespace quillmark;

namespace {

QByteArray palettePlist(const QString &entries)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<plist version=\"1.0\"><dict><key>FormatTypes</key><array>%1</array></dict></plist>")
        .arg(entries)
        .toUtf8();
}

QString entry(const QString &type, const QString &extra = QString())
{
    return QStringLiteral("<dict><key>type</key><string>%1</string><key>x</key><real>0</real>"
                          "<key>y</key><real>0</real><key>width</key><real>50</real>"
                          "<key>height</key><real>30</real>%2</dict>")
        .arg(type, extra);
}

std::unique_ptr<FormatTypesReader> readerOf(const stocktest::ResourcesFolder &folder, const QString &entries)
{
    folder.write(QStringLiteral("palette.xml"), palettePlist(entries));
    return std::make_unique<FormatTypesReader>(folder.path + QStringLiteral("/palette.xml"));
}

TEST(FormatTypesReader, TheShippedPaletteOffersShapesThatAllHaveAnOutline)
{
    Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
    FormatTypesReader reader;
    ASSERT_GE(reader.count(), 10);
    QStringList types;
    for (int i = 0; i < reader.count(); ++i) {
        const std::optional<TLabelT> shape = reader.getTLabelAtIndex(i);
        ASSERT_TRUE(shape) << i;
        EXPECT_FALSE(shape->getPath().bounds().isEmpty()) << shape->getType().toStdString();
        // A drop takes the first entry of a name: names are unique.
        EXPECT_FALSE(types.contains(shape->getType())) << shape->getType().toStdString();
        types << shape->getType();
    }
    EXPECT_TRUE(types.contains(QStringLiteral("Disc")));
    Language::reset();
}

TEST(FormatTypesReader, EntriesBecomeShapes)
{
    stocktest::ResourcesFolder folder;
    const auto reader = readerOf(folder,
        entry(QStringLiteral("Plain"))
            + entry(QStringLiteral("Said no"), QStringLiteral("<key>round</key><string>NO</string>"))
            + entry(QStringLiteral("Holed"), QStringLiteral("<key>round</key><true/><key>hole</key><string>15.5</string>"))
            + entry(QStringLiteral("Corners"), QStringLiteral("<key>cornerradius</key><integer>3</integer>"))
            + QStringLiteral("<string>not a dictionary</string>")
            + QStringLiteral("<dict><key>width</key><real>10</real></dict>")
            + entry(QStringLiteral("Bad"), QStringLiteral("<key>hole</key><dict/>")));
    ASSERT_EQ(reader->count(), 7);
    EXPECT_EQ(reader->formatAttribute(QStringLiteral("type"), 0).toString(), QStringLiteral("Plain"));
    EXPECT_FALSE(reader->formatAttribute(QStringLiteral("type"), 7).isValid());

    const auto plain = reader->getTLabelAtIndex(0);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->isRound());
    EXPECT_FLOAT_EQ(plain->widthValue(), 50.0f);
    EXPECT_FALSE(plain->hole.has_value());
    // Any value of "round" makes the shape round, even "NO".
    EXPECT_TRUE(reader->getTLabelAtIndex(1)->isRound());
    const auto holed = reader->getTLabelAtIndex(2);
    EXPECT_TRUE(holed->isRound());
    EXPECT_FLOAT_EQ(holed->holeValue(), 15.5f);
    EXPECT_FLOAT_EQ(reader->getTLabelAtIndex(3)->radiusValue(), 3.0f);
    // Not a shape: no dictionary, no type, a value that is not a number, past the end.
    EXPECT_FALSE(reader->getTLabelAtIndex(4));
    EXPECT_FALSE(reader->getTLabelAtIndex(5));
    EXPECT_FALSE(reader->getTLabelAtIndex(6));
    EXPECT_FALSE(reader->getTLabelAtIndex(-1));
}

TEST(FormatTypesReader, AMissingOrDamagedResourceGivesAnEmptyPalette)
{
    stocktest::ResourcesFolder folder;
    EXPECT_EQ(FormatTypesReader(folder.path + QStringLiteral("/none.xml")).count(), 0);
    folder.write(QStringLiteral("damaged.xml"), QByteArray("<plist><dict><key>FormatTypes"));
    stocktest::WarningRecorder warnings;
    EXPECT_EQ(FormatTypesReader(folder.path + QStringLiteral("/damaged.xml")).count(), 0);
    folder.write(QStringLiteral("other.xml"), palettePlist(QString()).replace("FormatTypes", "Other"));
    EXPECT_EQ(FormatTypesReader(folder.path + QStringLiteral("/other.xml")).count(), 0);
}

class ShapePalette : public ::testing::Test
{
protected:
    // A palette of `count` tiles in a scroll area of the given height, at width 245.
    CustomTypesView *makePalette(int count, int scrollHeight = 100, int width = 245)
    {
        QString entries;
        for (int i = 0; i < count; ++i)
            entries += entry(QStringLiteral("Shape%1").arg(i));
        scroller.resize(width + 40, scrollHeight);
        scroller.setWidgetResizable(false);
        auto *palette = new CustomTypesView(nullptr, readerOf(folder, entries));
        palette->setGeometry(0, 0, width, 50);
        scroller.setWidget(palette);
        scroller.viewport()->resize(width, scrollHeight);
        palette->awakeFromNib();
        return palette;
    }

    stocktest::ResourcesFolder folder;
    QScrollArea scroller;
};

TEST_F(ShapePalette, TilesOfAHundredTwoToARow)
{
    CustomTypesView *palette = makePalette(5);
    EXPECT_EQ(palette->imageWidth(), 100.0f);
    EXPECT_EQ(palette->tileHeight(), 100);
    const QList<CustomTypeItemView *> tiles = palette->tiles();
    ASSERT_EQ(tiles.size(), 5);
    // Two columns: the integer part of (30 + 245) / 110; three rows of 100 plus 15.
    EXPECT_EQ(tiles[0]->geometry(), QRect(10, 15, 100, 100));
    EXPECT_EQ(tiles[1]->geometry(), QRect(120, 15, 100, 100));
    EXPECT_EQ(tiles[2]->geometry(), QRect(10, 130, 100, 100));
    EXPECT_EQ(tiles[4]->geometry(), QRect(10, 245, 100, 100));
    EXPECT_EQ(palette->height(), 3 * (100 + 15) + 15);
    EXPECT_EQ(tiles[3]->toolTip(), QStringLiteral("Shape3"));
}

TEST_F(ShapePalette, AScrollAreaTallerThanTheTilesGivesItsHeight)
{
    CustomTypesView *palette = makePalette(2, 600);
    EXPECT_EQ(palette->height(), 600);
}

TEST_F(ShapePalette, ANarrowPaletteStillShowsOneColumn)
{
    CustomTypesView *palette = makePalette(3, 100, 245);
    // Narrowed after the tiles were sized: tiles keep their size, one per row.
    palette->resize(60, palette->height());
    palette->recalcSubView(true);
    const QList<CustomTypeItemView *> tiles = palette->tiles();
    EXPECT_EQ(tiles[1]->geometry(), QRect(10, 130, 100, 100));
    EXPECT_EQ(tiles[2]->geometry(), QRect(10, 245, 100, 100));
}

TEST_F(ShapePalette, ATileDragsItsTypeNameWithAnImageInTheSelectionColour)
{
    CustomTypesView *palette = makePalette(2, 300);
    scroller.show();
    CustomTypeItemView *tile = palette->tiles().at(1);
    QByteArray carried;
    QPoint hotSpot;
    QImage image;
    CustomTypeItemView::dragRunner() = [&](QDrag *drag) {
        carried = drag->mimeData()->data(QStringLiteral("DesignedElementDragType"));
        hotSpot = drag->hotSpot();
        image = drag->pixmap().toImage();
        return Qt::CopyAction;
    };
    QTest::mousePress(tile, Qt::LeftButton, {}, QPoint(50, 50));
    // The drag image is made at the press: the tile grown by 10 on each side.
    EXPECT_EQ(tile->dragImage().size(), QSize(120, 120));
    QTest::mouseMove(tile, QPoint(80, 80));
    QTest::mouseRelease(tile, Qt::LeftButton, {}, QPoint(80, 80));
    CustomTypeItemView::dragRunner() = nullptr;

    EXPECT_EQ(carried, QByteArray("Shape1"));
    EXPECT_EQ(hotSpot, QPoint(60, 60));
    ASSERT_FALSE(image.isNull());
    const QColor centre = image.pixelColor(60, 60);
    EXPECT_NEAR(centre.redF(), 0.47, 0.01);
    EXPECT_NEAR(centre.greenF(), 0.37, 0.01);
    EXPECT_NEAR(centre.blueF(), 0.82, 0.01);
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));
}

} // namespace
