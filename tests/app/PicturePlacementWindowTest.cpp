// A picture taken from the image browser into the window's label: it comes in as large as the
// label allows in its own proportions, centred and selected, at any zoom; photos too large to
// decode whole come in too. The browser's tiles and the picture's tint as the user sees them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QMenu>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QMouseEvent>
#include <QTreeView>

#include <cstring>
#include <cstdio>
#include <functional>
#include <vector>

#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>

#include "app/AppTestSupport.h"
#include "objects/PictureWorker.h"
#include "common/BrowserClicks.h"
#include "foundation/ZoomButton.h"
#include "images/ImageBrowserPanel.h"
#include "inspector/GeometryPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"
#include "objects/ImageFiles.h"
#include "objects/specImage.h"
#include "platform/ColorWell.h"
#include "stock/DataSource.h"

using namespace quillmark;

namespace {

void doubleClick(QWidget *tile)
{
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease})
        qmtest::sendMouse(tile, type);
    apptest::settle();
}

void chooseZoomItem(const apptest::WindowFixture &f, const QString &title)
{
    ZoomButton *button = f.window->zoomButton();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(button->zoomMenu());
    for (QAction *item : button->zoomMenu()->actions())
        if (item->text() == title) {
            item->trigger();
            button->zoomMenu()->close();
            apptest::settle();
            return;
        }
    ADD_FAILURE() << "no zoom item " << title.toStdString();
}

void chooseStock(const apptest::WindowFixture &f, const QString &name)
{
    QTreeView *catalogue = f.window->catalogueView();
    const QModelIndex row = f.canvas()->dataSource()->modelIndexByName(name);
    ASSERT_TRUE(row.isValid());
    catalogue->expand(row.parent());
    catalogue->scrollTo(row);
    apptest::settle();
    QTest::mouseClick(catalogue->viewport(), Qt::LeftButton, {}, catalogue->visualRect(row).center());
    apptest::settle();
    ASSERT_EQ(f.canvas()->getLabel().name, name);
}

} // namespace

TEST(PicturePlacementWindow, ABrowserPictureDoubleClickedLiesInsideA5160LabelAndIsSelectedAtEveryZoom)
{
    apptest::WindowFixture f(QStringLiteral("placement-window"));
    chooseStock(f, QStringLiteral("5160"));
    const QRectF label(0, 0, f.canvas()->getLabel().width * 72.0, f.canvas()->getLabel().height * 72.0);
    listImageViewItem *tile = qmtest::firstImageTile(f.window.get());
    ASSERT_TRUE(tile);

    QRectF first;
    for (const QString &zoom : {QStringLiteral("50%"), QStringLiteral("400%")}) {
        SCOPED_TRACE(zoom.toStdString());
        chooseZoomItem(f, zoom);
        doubleClick(tile);
        ASSERT_EQ(f.canvas()->getRects().size(), 1);
        const auto made = f.canvas()->getRects().first();
        const QRectF frame = made->frameBounds();
        // Inside the label, touching it on one side pair: the largest that fits.
        EXPECT_TRUE(label.adjusted(-0.01, -0.01, 0.01, 0.01).contains(frame)) << frame.x() << ' ' << frame.y()
                                                                                << ' ' << frame.width() << ' '
                                                                                << frame.height();
        EXPECT_TRUE(std::abs(frame.width() - label.width()) < 0.01 || std::abs(frame.height() - label.height()) < 0.01);
        EXPECT_NEAR(frame.center().x(), label.center().x(), 0.01);
        EXPECT_NEAR(frame.center().y(), label.center().y(), 0.01);
        // In the picture's own proportions.
        ASSERT_TRUE(made->image());
        const QSizeF picture = made->image()->size();
        EXPECT_NEAR(frame.width() / frame.height(), picture.width() / picture.height(), 0.01);
        EXPECT_TRUE(f.canvas()->isSelected(made.get()));
        if (first.isNull())
            first = frame;
        else
            EXPECT_EQ(frame, first) << "the zoom has no say in the size";

        QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        ASSERT_TRUE(undo);
        EXPECT_EQ(undo->text(), QStringLiteral("Undo Add Image"));
        undo->trigger();
        apptest::settle();
        EXPECT_TRUE(f.canvas()->getRects().isEmpty());
    }
}

// A PDF picture chosen with Image > Select Image File draws only what its page paints: the
// paper around the drawing stays clear, not black.
TEST(PicturePlacementWindow, APdfPictureKeepsItsPaperClear)
{
    apptest::WindowFixture f(QStringLiteral("placement-pdf"));
    const QString path = qmtest::freshDir(QStringLiteral("placement-pdf-file")) + QStringLiteral("/badge.pdf");
    {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QSizeF(2, 1), QPageSize::Inch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.fillRect(QRectF(54, 18, 36, 36), Qt::red);
    }
    f.prompts->queuePath(path);
    QAction *choose = f.menuItem(QStringLiteral("Image"), QStringLiteral("Select Image File..."));
    ASSERT_TRUE(choose);
    choose->trigger();
    apptest::settle();
    ASSERT_EQ(f.canvas()->getRects().size(), 1);
    const auto made = f.canvas()->getRects().first();
    ASSERT_TRUE(made->hasValidImage());
    EXPECT_TRUE(f.canvas()->isSelected(made.get()));
    const QImage picture = made->image()->copyRepresentations()->prepareImage();
    ASSERT_FALSE(picture.isNull());
    const QColor corner = picture.pixelColor(1, 1);
    EXPECT_TRUE(corner.alpha() == 0 || corner == QColor(Qt::white))
        << corner.name(QColor::HexArgb).toStdString();
    const QColor middle = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    EXPECT_GT(middle.red(), 200);
    EXPECT_LT(middle.green(), 60);

    // Drawn on the canvas (once its raster is made), the label shows white where the page
    // leaves its paper out.
    f.canvas()->grab();
    PictureWorker::waitUntilDone();
    apptest::settle();
    QImage shot(f.canvas()->size(), QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::white);
    f.canvas()->render(&shot);
    const QRectF frame = made->frameBounds();
    const QPointF inside = f.canvas()->pageToWidget().map(frame.topLeft() + QPointF(frame.width() * 0.1, frame.height() * 0.5));
    EXPECT_GT(QColor(shot.pixel(inside.toPoint())).lightness(), 200);
}

namespace {

// A 12000 x 9000 JPEG (108 megapixels, a large phone's photo): red on the left half, blue on
// the right. Made from a one-bit picture with a two-colour table, so that the test never
// holds the full-colour picture the file stands for.
QString writeLargePhoto(const QString &path)
{
    QImage source(12000, 9000, QImage::Format_Mono);
    source.setColorTable({qRgb(220, 30, 30), qRgb(30, 30, 220)});
    source.fill(0);
    // 72 dots an inch: a pixel is a point.
    source.setDotsPerMeterX(qRound(72.0 / 0.0254));
    source.setDotsPerMeterY(qRound(72.0 / 0.0254));
    for (int y = 0; y < source.height(); ++y)
        memset(source.scanLine(y) + 6000 / 8, 0xff, size_t(source.bytesPerLine() - 6000 / 8));
    QImageWriter writer(path, "jpeg");
    writer.setQuality(5);
    return writer.write(source) ? path : QString();
}

// A PNG of `width` by `height` pixels, red on the left half and blue on the right, written a
// row at a time so that the test never holds the whole picture.
bool writeLargePng(const QString &path, int width, int height)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    QByteArray row(width * 3, '\0');
    for (int x = 0; x < width; ++x) {
        const bool left = x < width / 2;
        row[x * 3] = char(left ? 220 : 30);
        row[x * 3 + 1] = char(30);
        row[x * 3 + 2] = char(left ? 30 : 220);
    }
    for (int y = 0; y < height; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(row.constData()));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

// A TIFF of 10000 by 7000 pixels, red on the left half and blue on the right as stored,
// written by libtiff a strip or a tile at a time and compressed, so that neither the test nor
// the file holds much. `fields` sets the layout (strips or tiles), orientation, resolution.
bool writeLargeTiff(const QString &path, const std::function<void(TIFF *)> &fields)
{
    const uint32_t width = 10000;
    const uint32_t height = 7000;
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_RGB));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_ADOBE_DEFLATE));
    TIFFSetField(tiff, TIFFTAG_ZIPQUALITY, 1);
    fields(tiff);
    auto fill = [](uint8_t *p, uint32_t x) {
        const bool left = x < 5000;
        p[0] = left ? 220 : 30;
        p[1] = 30;
        p[2] = left ? 30 : 220;
    };
    bool ok = true;
    if (TIFFIsTiled(tiff)) {
        uint32_t side = 0;
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &side);
        std::vector<uint8_t> tile(size_t(side) * side * 3);
        for (uint32_t tx = 0; tx < width; tx += side) {
            for (uint32_t y = 0; y < side; ++y)
                for (uint32_t x = 0; x < side; ++x)
                    fill(&tile[(size_t(y) * side + x) * 3], tx + x);
            for (uint32_t ty = 0; ty < height && ok; ty += side)
                ok = TIFFWriteTile(tiff, tile.data(), tx, ty, 0, 0) >= 0;
        }
    } else {
        std::vector<uint8_t> row(size_t(width) * 3);
        for (uint32_t x = 0; x < width; ++x)
            fill(&row[size_t(x) * 3], x);
        for (uint32_t y = 0; y < height && ok; ++y)
            ok = TIFFWriteScanline(tiff, row.data(), y, 0) >= 0;
    }
    TIFFClose(tiff);
    return ok;
}

// A WebP of 10000 by 7000 pixels, red on the left half and blue on the right, written by
// libwebp from its own colour planes (no picture of 70 megapixels in RGB is ever made).
bool writeLargeWebp(const QString &path)
{
    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigInit(&config) || !WebPPictureInit(&picture))
        return false;
    config.method = 0;
    config.quality = 40;
    picture.use_argb = 0;
    picture.width = 10000;
    picture.height = 7000;
    if (!WebPPictureAlloc(&picture))
        return false;
    // Red (220, 30, 30) and blue (30, 30, 220) in the encoder's YUV.
    for (int y = 0; y < picture.height; ++y) {
        memset(picture.y + y * picture.y_stride, 91, 5000);
        memset(picture.y + y * picture.y_stride + 5000, 60, 5000);
    }
    for (int y = 0; y < (picture.height + 1) / 2; ++y) {
        memset(picture.u + y * picture.uv_stride, 100, 2500);
        memset(picture.u + y * picture.uv_stride + 2500, 211, 2500);
        memset(picture.v + y * picture.uv_stride, 211, 2500);
        memset(picture.v + y * picture.uv_stride + 2500, 115, 2500);
    }
    WebPMemoryWriter memory;
    WebPMemoryWriterInit(&memory);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &memory;
    const bool encoded = WebPEncode(&config, &picture);
    WebPPictureFree(&picture);
    QFile file(path);
    const bool written = encoded && file.open(QIODevice::WriteOnly)
        && file.write(reinterpret_cast<const char *>(memory.mem), qint64(memory.size)) == qint64(memory.size);
    WebPMemoryWriterClear(&memory);
    return written;
}

bool reddish(QColor c)
{
    return c.red() > 150 && c.blue() < 100;
}
bool bluish(QColor c)
{
    return c.blue() > 150 && c.red() < 100;
}

ImageBrowserPanel *browserPanel(const apptest::WindowFixture &f)
{
    return f.window->findChild<ImageBrowserPanel *>();
}

// "Select Folder ..." in the browser's pop-up, answered with the folder.
void chooseFolder(apptest::WindowFixture &f, const QString &folder)
{
    ImageBrowserPanel *panel = browserPanel(f);
    ASSERT_TRUE(panel);
    QComboBox *popup = panel->imagePopup();
    const int row = popup->findText(QStringLiteral("Select Folder ..."));
    ASSERT_GE(row, 0);
    f.prompts->queuePath(folder);
    popup->setCurrentIndex(row);
    emit popup->activated(row);
    ASSERT_TRUE(panel->imageListView()->waitForThumbnails(60000));
    apptest::settle();
}

QAction *fileItem(const apptest::WindowFixture &f, const QString &text)
{
    for (QAction *action : f.window->fileMenu()->actions())
        if (action->text() == text)
            return action;
    ADD_FAILURE() << "no File item " << text.toStdString();
    static QAction nothing;
    return &nothing;
}

listImageViewItem *tileNamed(const apptest::WindowFixture &f, const QString &name)
{
    for (listImageViewItem *tile : browserPanel(f)->imageListView()->tiles())
        if (QFileInfo(tile->filePath()).fileName() == name)
            return tile;
    return nullptr;
}

} // namespace

// A photo of more pixels than are ever decoded whole shows in its folder's tiles, is placed by
// a double click, decoded at half its size, and comes back from a saved document.
TEST(PicturePlacementWindow, AHundredMegapixelPhotoShowsItsTileIsPlacedAndSurvivesSaveAndOpen)
{
    apptest::WindowFixture f(QStringLiteral("placement-large"));
    chooseStock(f, QStringLiteral("5160"));
    const QRectF label(0, 0, f.canvas()->getLabel().width * 72.0, f.canvas()->getLabel().height * 72.0);
    const QString folder = qmtest::freshDir(QStringLiteral("placement-large-photos"));
    ASSERT_FALSE(writeLargePhoto(folder + QStringLiteral("/phone.jpg")).isEmpty());
    ASSERT_FALSE(qmtest::writePng(folder + QStringLiteral("/small.png"), QSize(40, 30), Qt::green).isEmpty());
    chooseFolder(f, folder);

    ASSERT_EQ(browserPanel(f)->imageListView()->getCount(), 2);
    listImageViewItem *tile = tileNamed(f, QStringLiteral("phone.jpg"));
    ASSERT_TRUE(tile);
    const QImage thumbnail = tile->image();
    ASSERT_FALSE(thumbnail.isNull());
    EXPECT_NEAR(double(thumbnail.width()) / thumbnail.height(), 4.0 / 3.0, 0.02);
    EXPECT_TRUE(reddish(thumbnail.pixelColor(2, thumbnail.height() / 2)));
    EXPECT_TRUE(bluish(thumbnail.pixelColor(thumbnail.width() - 3, thumbnail.height() / 2)));

    doubleClick(tile);
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    ASSERT_EQ(f.canvas()->getRects().size(), 1);
    const auto made = f.canvas()->getRects().first();
    ASSERT_TRUE(made->hasValidImage());
    EXPECT_TRUE(f.canvas()->isSelected(made.get()));
    // Measured by the whole photo, held at half its pixels.
    EXPECT_EQ(made->image()->size(), QSizeF(12000, 9000));
    const QImage held = made->image()->copyRepresentations()->prepareImage();
    EXPECT_EQ(held.size(), QSize(6000, 4500));
    EXPECT_TRUE(reddish(held.pixelColor(100, 2000)));
    EXPECT_TRUE(bluish(held.pixelColor(5900, 2000)));
    const QRectF frame = made->frameBounds();
    EXPECT_TRUE(label.adjusted(-0.01, -0.01, 0.01, 0.01).contains(frame));
    EXPECT_NEAR(frame.width() / frame.height(), 4.0 / 3.0, 0.01);

    const QString document = qmtest::freshDir(QStringLiteral("placement-large-doc")) + QStringLiteral("/photo.qkdoc");
    f.prompts->queuePath(document);
    fileItem(f, QStringLiteral("Save"))->trigger();
    apptest::settle();
    ASSERT_TRUE(QFile::exists(document));
    // Opened from the document alone: the photo's own file is gone.
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/phone.jpg")));
    f.prompts->queuePath(document);
    fileItem(f, QStringLiteral("Open..."))->trigger();
    apptest::settle();
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    ASSERT_EQ(f.canvas()->getRects().size(), 1);
    const auto back = f.canvas()->getRects().first();
    ASSERT_TRUE(back->hasValidImage());
    EXPECT_EQ(back->frameBounds(), frame);
    EXPECT_EQ(back->image()->size(), QSizeF(12000, 9000));
    const QImage reopened = back->image()->copyRepresentations()->prepareImage();
    EXPECT_EQ(reopened.size(), QSize(6000, 4500));
    EXPECT_TRUE(reddish(reopened.pixelColor(100, 2000)));
    EXPECT_TRUE(bluish(reopened.pixelColor(5900, 2000)));
}

// A 70-megapixel scan saved as PNG: its tile shows in the folder, and it is placed, held at
// half its pixels (made smaller as it is read) and measured by the whole.
TEST(PicturePlacementWindow, ASeventyMegapixelPngShowsItsTileAndIsPlacedAtHalfItsPixels)
{
    apptest::WindowFixture f(QStringLiteral("placement-large-png"));
    const QString folder = qmtest::freshDir(QStringLiteral("placement-large-png-files"));
    ASSERT_TRUE(writeLargePng(folder + QStringLiteral("/scan.png"), 10240, 6836));
    chooseFolder(f, folder);

    listImageViewItem *tile = tileNamed(f, QStringLiteral("scan.png"));
    ASSERT_TRUE(tile);
    const QImage thumbnail = tile->image();
    ASSERT_FALSE(thumbnail.isNull());
    EXPECT_NEAR(double(thumbnail.width()) / thumbnail.height(), 10240.0 / 6836.0, 0.02);
    EXPECT_TRUE(reddish(thumbnail.pixelColor(2, thumbnail.height() / 2)));
    EXPECT_TRUE(bluish(thumbnail.pixelColor(thumbnail.width() - 3, thumbnail.height() / 2)));

    doubleClick(tile);
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    ASSERT_EQ(f.canvas()->getRects().size(), 1);
    const auto made = f.canvas()->getRects().first();
    ASSERT_TRUE(made->hasValidImage());
    EXPECT_EQ(made->image()->size(), QSizeF(10240, 6836));
    const QImage held = made->image()->copyRepresentations()->prepareImage();
    EXPECT_EQ(held.size(), QSize(5120, 3418));
    EXPECT_TRUE(reddish(held.pixelColor(100, 1700)));
    EXPECT_TRUE(bluish(held.pixelColor(5000, 1700)));
    // The two halves meet between two held pixels: no colour of one runs into the other.
    EXPECT_TRUE(reddish(held.pixelColor(2559, 1700)));
    EXPECT_TRUE(bluish(held.pixelColor(2560, 1700)));
    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Add Image"));
}

// 70-megapixel TIFFs in strips and in turned tiles and a 70-megapixel WebP: their tiles show
// in the folder, and each is placed held at half its pixels, measured by the whole (the TIFF
// by its resolution, turned as it says); damaged ones are refused with the reason.
TEST(PicturePlacementWindow, SeventyMegapixelTiffsAndWebpShowTheirTilesAndArePlacedAtHalfTheirPixels)
{
    apptest::WindowFixture f(QStringLiteral("placement-large-tiff-webp"));
    const QString folder = qmtest::freshDir(QStringLiteral("placement-large-tiff-webp-files"));
    const QString striped = folder + QStringLiteral("/striped.tif");
    const QString tiled = folder + QStringLiteral("/tiled.tif");
    const QString webp = folder + QStringLiteral("/photo.webp");
    // In strips of 139 rows, as Qt's own writer stores RGB this wide: a height for which the
    // reader once wanted more of a band than it reads.
    ASSERT_TRUE(writeLargeTiff(striped, [](TIFF *tiff) {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(139));
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH));
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 200.0f);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 200.0f);
    }));
    // Stored on its side: shown turned a quarter clockwise, the left half on top.
    ASSERT_TRUE(writeLargeTiff(tiled, [](TIFF *tiff) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, uint32_t(512));
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, uint32_t(512));
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_RIGHTTOP));
    }));
    ASSERT_TRUE(writeLargeWebp(webp));
    chooseFolder(f, folder);
    ASSERT_EQ(browserPanel(f)->imageListView()->getCount(), 3);

    struct Expected
    {
        QString name;
        QSizeF points;
        QSize held;
        QPoint red;
        QPoint blue;
    };
    const Expected cases[] = {
        {QStringLiteral("striped.tif"), QSizeF(3600, 2520), QSize(5000, 3500), QPoint(2499, 1750), QPoint(2500, 1750)},
        {QStringLiteral("tiled.tif"), QSizeF(7000, 10000), QSize(3500, 5000), QPoint(1750, 2499), QPoint(1750, 2500)},
        {QStringLiteral("photo.webp"), QSizeF(10000, 7000), QSize(5000, 3500), QPoint(2400, 100), QPoint(2600, 3400)},
    };
    for (const Expected &expected : cases) {
        SCOPED_TRACE(expected.name.toStdString());
        listImageViewItem *tile = tileNamed(f, expected.name);
        ASSERT_TRUE(tile);
        const QImage thumbnail = tile->image();
        ASSERT_FALSE(thumbnail.isNull());
        EXPECT_NEAR(double(thumbnail.width()) / thumbnail.height(), expected.held.width() / double(expected.held.height()),
                    0.03);
        const QPoint thumbRed(expected.red.x() * thumbnail.width() / expected.held.width() / 2,
                              expected.red.y() * thumbnail.height() / expected.held.height() / 2);
        EXPECT_TRUE(reddish(thumbnail.pixelColor(thumbRed)));
        EXPECT_TRUE(bluish(thumbnail.pixelColor(thumbnail.width() - 2, thumbnail.height() - 2)));

        doubleClick(tile);
        EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
        ASSERT_EQ(f.canvas()->getRects().size(), 1);
        const auto made = f.canvas()->getRects().first();
        ASSERT_TRUE(made->hasValidImage());
        EXPECT_EQ(made->image()->size(), expected.points);
        const QImage held = made->image()->copyRepresentations()->prepareImage();
        EXPECT_EQ(held.size(), expected.held);
        EXPECT_TRUE(reddish(held.pixelColor(expected.red)));
        EXPECT_TRUE(bluish(held.pixelColor(expected.blue)));
        EXPECT_TRUE(reddish(held.pixelColor(2, 2)));
        EXPECT_TRUE(bluish(held.pixelColor(held.width() - 3, held.height() - 3)));
        const QRectF frame = made->frameBounds();
        EXPECT_NEAR(frame.width() / frame.height(), expected.points.width() / expected.points.height(), 0.01);
        f.undo();
        ASSERT_TRUE(f.canvas()->getRects().isEmpty());
    }

    // Damaged: strips overwritten in the middle, a WebP cut short. Chosen with Select Image
    // File, each is refused with the reason and nothing is placed.
    const QString damagedFolder = qmtest::freshDir(QStringLiteral("placement-large-tiff-webp-damaged"));
    const QString damagedTiff = damagedFolder + QStringLiteral("/damaged.tif");
    const QString cutWebp = damagedFolder + QStringLiteral("/cut.webp");
    {
        QFile source(striped);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        QByteArray bytes = source.readAll();
        for (qsizetype i = bytes.size() / 3; i < bytes.size() / 2; ++i)
            bytes[i] = char(0xff);
        QFile damaged(damagedTiff);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(bytes);
    }
    {
        QFile source(webp);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll();
        QFile cut(cutWebp);
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
        cut.write(bytes.left(bytes.size() / 2));
    }
    int alerts = 0;
    for (const QString &path : {damagedTiff, cutWebp}) {
        SCOPED_TRACE(path.toStdString());
        f.prompts->queuePath(path);
        QAction *choose = f.menuItem(QStringLiteral("Image"), QStringLiteral("Select Image File..."));
        ASSERT_TRUE(choose);
        choose->trigger();
        apptest::settle();
        ASSERT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), ++alerts);
        EXPECT_EQ(f.prompts->last().title, QStringLiteral("The file is not an image that can be opened."));
        EXPECT_TRUE(f.canvas()->getRects().isEmpty());
    }
}

// Tint ticked on the inspector's Image page shows at once: it starts from a colour that is
// seen, not from the transparent colour every new object holds; Undo takes both back.
TEST(PicturePlacementWindow, TickingTintChangesThePictureAtOnceAndUndoesAsOneStep)
{
    apptest::WindowFixture f(QStringLiteral("placement-tint"));
    listImageViewItem *tile = qmtest::firstImageTile(f.window.get());
    ASSERT_TRUE(tile);
    doubleClick(tile);
    ASSERT_EQ(f.canvas()->getRects().size(), 1);
    const auto made = f.canvas()->getRects().first();
    ASSERT_TRUE(made->hasValidImage());
    EXPECT_EQ(made->tintImageColor().alpha(), 0);
    const QImage before = made->getImage();
    ASSERT_FALSE(before.isNull());
    f.canvas()->undoManager()->removeAllActions();

    f.window->objectInfo()->switchTab(CanvasInspector::ImageTab);
    apptest::settle();
    auto *tint = f.window->findChild<QCheckBox *>(QStringLiteral("bTintImage"));
    ASSERT_TRUE(tint);
    ASSERT_TRUE(tint->isVisible() && tint->isEnabled());
    // On the box itself: past its title the row takes no click.
    QTest::mouseClick(tint, Qt::LeftButton, Qt::NoModifier, QPoint(8, tint->height() / 2));
    apptest::settle();
    ASSERT_TRUE(made->tintImage());
    EXPECT_GT(made->tintImageColor().alpha(), 0);
    auto *well = f.window->findChild<ColorWell *>(QStringLiteral("cwTintColor"));
    ASSERT_TRUE(well);
    EXPECT_TRUE(well->isEnabled());
    EXPECT_EQ(well->color(), made->tintImageColor());

    const QImage tinted = made->getImage();
    ASSERT_EQ(tinted.size(), before.size());
    int changed = 0;
    for (int y = 0; y < before.height(); y += 4)
        for (int x = 0; x < before.width(); x += 4)
            changed += before.pixel(x, y) != tinted.pixel(x, y) ? 1 : 0;
    EXPECT_GT(changed, 0);
    // The canvas draws the tinted picture.
    QImage shot(f.canvas()->size(), QImage::Format_ARGB32_Premultiplied);
    auto drawn = [&] {
        shot.fill(Qt::white);
        f.canvas()->render(&shot);
        return shot.copy(f.canvas()->pageToWidget().mapRect(made->frameBounds()).toAlignedRect());
    };
    const QImage shownTinted = drawn();

    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Change Image Tint"));
    undo->trigger();
    apptest::settle();
    EXPECT_FALSE(made->tintImage());
    EXPECT_EQ(made->tintImageColor().alpha(), 0);
    EXPECT_EQ(made->getImage(), before);
    EXPECT_NE(drawn(), shownTinted);
    EXPECT_FALSE(f.canvas()->undoManager()->canUndo());
}

// A folder of more photos than the browser shows at once: its scroll bar appears and the tiles
// stay in two columns, every card inside the browser's visible width.
TEST(PicturePlacementWindow, TheBrowserKeepsTwoColumnsOnceItsScrollBarShows)
{
    apptest::WindowFixture f(QStringLiteral("placement-columns"));
    const QString folder = qmtest::freshDir(QStringLiteral("placement-columns-photos"));
    for (int i = 0; i < 24; ++i)
        ASSERT_FALSE(qmtest::writePng(folder + QStringLiteral("/photo%1.png").arg(i, 2, 10, QLatin1Char('0')),
                                      QSize(80, 60), QColor::fromHsv(i * 15, 200, 220))
                         .isEmpty());
    chooseFolder(f, folder);
    ScrollNSImageView *browser = browserPanel(f)->imageListView();
    ASSERT_EQ(browser->getCount(), 24);
    QTest::qWait(100);
    apptest::settle();

    auto *scroll = qobject_cast<QScrollArea *>(browser->parentWidget()->parentWidget());
    ASSERT_TRUE(scroll);
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
    const int visible = scroll->viewport()->width();
    EXPECT_EQ(browser->width(), visible);
    QSet<int> columns;
    for (const listImageViewItem *tile : browser->tiles()) {
        columns.insert(tile->x());
        EXPECT_LE(tile->x() + tile->width() - 6, visible) << tile->x();
    }
    EXPECT_EQ(columns.size(), 2) << "browser " << visible << " wide";
}

// Image > Select Image File with nothing selected places the picture as the browser does:
// inside the label, centred, selected, and the geometry page shows where it is.
TEST(PicturePlacementWindow, APictureChosenFromTheImageMenuLiesInsideTheLabelWhereTheInspectorSaysIt)
{
    apptest::WindowFixture f(QStringLiteral("placement-menu"));
    chooseStock(f, QStringLiteral("5160"));
    const QRectF label(0, 0, f.canvas()->getLabel().width * 72.0, f.canvas()->getLabel().height * 72.0);
    const QString path = qmtest::freshDir(QStringLiteral("placement-menu-file")) + QStringLiteral("/wide.png");
    QImage wide(300, 100, QImage::Format_RGB32);
    wide.fill(Qt::darkGreen);
    ASSERT_TRUE(wide.save(path));
    f.prompts->queuePath(path);
    QAction *choose = f.menuItem(QStringLiteral("Image"), QStringLiteral("Select Image File..."));
    ASSERT_TRUE(choose);
    choose->trigger();
    apptest::settle();
    ASSERT_EQ(f.canvas()->getRects().size(), 1);
    const auto made = f.canvas()->getRects().first();
    EXPECT_TRUE(f.canvas()->isSelected(made.get()));
    const QRectF frame = made->frameBounds();
    EXPECT_TRUE(label.adjusted(-0.01, -0.01, 0.01, 0.01).contains(frame))
        << frame.x() << ' ' << frame.y() << ' ' << frame.width() << ' ' << frame.height();
    EXPECT_NEAR(frame.center().x(), label.center().x(), 0.01);
    EXPECT_NEAR(frame.center().y(), label.center().y(), 0.01);
    EXPECT_NEAR(frame.width() / frame.height(), 3.0, 0.01);

    GeometryPage *page = f.window->objectInfo()->geometryPage();
    ASSERT_TRUE(page);
    EXPECT_NEAR(page->tvOriginX->floatValue(), frame.x() / 72.0, 0.006);
    EXPECT_NEAR(page->tvOriginY->floatValue(), frame.y() / 72.0, 0.006);

    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Add Image"));
    undo->trigger();
    apptest::settle();
    EXPECT_TRUE(f.canvas()->getRects().isEmpty());
}

// A tile of a folder dragged onto the canvas: the new picture is one step, named in the Edit
// menu as placing a picture is named everywhere else. Two pictures of one name in other
// formats (t.png and t.jpg) show their extensions, so their tiles can be told apart.
TEST(PicturePlacementWindow, ATileDraggedOntoTheCanvasIsUndoneAsAddImageAndLikeNamedTilesKeepTheirExtensions)
{
    apptest::WindowFixture f(QStringLiteral("placement-tile-drag"));
    const QString folder = qmtest::freshDir(QStringLiteral("placement-tile-drag-pictures"));
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(QColor(30, 140, 60));
    ASSERT_TRUE(picture.save(folder + QStringLiteral("/t.png")));
    ASSERT_TRUE(picture.save(folder + QStringLiteral("/t.jpg")));
    ASSERT_TRUE(picture.save(folder + QStringLiteral("/tree.png")));
    chooseFolder(f, folder);
    ASSERT_EQ(browserPanel(f)->imageListView()->getCount(), 3);
    EXPECT_EQ(tileNamed(f, QStringLiteral("t.png"))->title(), QStringLiteral("t.png"));
    EXPECT_EQ(tileNamed(f, QStringLiteral("t.jpg"))->title(), QStringLiteral("t.jpg"));
    EXPECT_EQ(tileNamed(f, QStringLiteral("tree.png"))->title(), QStringLiteral("tree"));

    listImageViewItem *tile = tileNamed(f, QStringLiteral("tree.png"));
    ASSERT_TRUE(tile);
    // Pressed, it is the browser's selected tile, which the canvas takes when the drag that
    // starts from it is let go there (the button comes up over the canvas, not the tile).
    qmtest::sendMouse(tile, QEvent::MouseButtonPress);
    QMimeData mime;
    mime.setData(QString::fromLatin1(RectsView::ImageItemDragType), QByteArray());
    const QPoint target(f.canvas()->width() / 2, f.canvas()->height() / 2);
    QDragEnterEvent enter(target, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.canvas(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(target), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.canvas(), &drop);
    apptest::settle();
    ASSERT_EQ(f.canvas()->getRects().size(), 1);

    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Add Image"));
    undo->trigger();
    apptest::settle();
    EXPECT_TRUE(f.canvas()->getRects().isEmpty());
}
