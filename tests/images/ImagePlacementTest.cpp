// The canvas's image operations: pictures into the selection or a new object, drops of
// tiles, files and colours, the image commands with their undo, and page backgrounds.
#include "canvas/CanvasTestSupport.h"
#include "common/TestPrompts.h"
#include "images/HostileFiles.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"
#include "objects/ColorLine.h"
#include "objects/specImage.h"
#include "platform/Modifiers.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QTest>
#include <QUrl>

using namespace quillmark;

namespace {

QString writeImage(const QString &name, const QSize &size, const QColor &color = Qt::red)
{
    const QString path = qmtest::freshDir(QStringLiteral("placement-") + QFileInfo(name).baseName()) + '/' + name;
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    EXPECT_TRUE(image.save(path));
    return path;
}

TLabel squareLabel(TLabel::Shape shape)
{
    TLabel label;
    label.name = QStringLiteral("Test");
    label.width = 2.0f;
    label.height = 2.0f;
    label.num_label = 1;
    label.num_downlabel = 1;
    label.shape = shape;
    return label;
}

class ImagePlacement : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("placement"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        fixture = std::make_unique<canvastest::CanvasFixture>();
        view()->setTLabel(squareLabel(TLabel::Rectangle));
        view()->initImages();
        undo()->removeAllActions();
    }
    void TearDown() override
    {
        fixture.reset();
        Language::reset();
    }
    RectsView *view() { return fixture->view.get(); }
    UndoManager *undo() { return view()->undoManager(); }
    QString undoName()
    {
        undo()->closeEventGroup();
        return undo()->undoActionName();
    }
    bool drop(QMimeData *mime, const QPointF &page)
    {
        const QPointF at = view()->pageToWidget().map(page);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent event(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view(), &event);
        return true;
    }

    std::unique_ptr<canvastest::CanvasFixture> fixture;
};

} // namespace

TEST_F(ImagePlacement, NothingSelectedMakesAFixedRatioObject)
{
    const QString png = writeImage(QStringLiteral("tree.png"), QSize(40, 20));
    view()->setZoom(3.0);
    view()->setupNewNSImagePath(png);
    ASSERT_EQ(view()->getRects().size(), 1);
    const GraphicPtr made = view()->getRects().first();
    EXPECT_EQ(made->imagePath(), png);
    EXPECT_TRUE(made->fixRatio());
    // As wide as the 2-inch label, in the picture's proportions, centred on the label and
    // selected, whatever the zoom.
    EXPECT_NEAR(made->frameBounds().x(), 0.0, 0.01);
    EXPECT_NEAR(made->frameBounds().y(), 36.0, 0.01);
    EXPECT_NEAR(made->frameBounds().width(), 144.0, 0.01);
    EXPECT_NEAR(made->frameBounds().height(), 72.0, 0.01);
    EXPECT_TRUE(view()->isSelected(made.get()));
    EXPECT_TRUE(made->hasValidImage());
    EXPECT_TRUE(made->isOnPageNamed(view()->getCurrPageName()));
    EXPECT_TRUE(view()->isChanged());
    EXPECT_EQ(undoName(), QStringLiteral("Add Image"));
    undo()->undo();
    EXPECT_TRUE(view()->getRects().isEmpty());

    view()->setupNewNSImagePath(QString());
    EXPECT_TRUE(view()->getRects().isEmpty());
}

TEST_F(ImagePlacement, OnlyObjectsThatDrawImagesTakeIt)
{
    const QString png = writeImage(QStringLiteral("leaf.png"), QSize(20, 20));
    const GraphicPtr rect = fixture->add(QRectF(10, 10, 50, 50));
    auto line = std::make_shared<ColorLine>(QRectF(0, 0, 80, 2));
    line->setPageName(view()->getCurrPageName());
    view()->addGraphic(line);
    view()->selectRect(rect);
    view()->selectRect(line);
    undo()->removeAllActions();

    view()->setupNewNSImagePath(png);
    EXPECT_EQ(view()->getRects().size(), 2);
    EXPECT_EQ(rect->imagePath(), png);
    EXPECT_TRUE(line->imagePath().isEmpty());
    EXPECT_EQ(undoName(), QStringLiteral("Change Image"));
    undo()->undo();
    EXPECT_TRUE(rect->imagePath().isEmpty());
}

TEST_F(ImagePlacement, DropsOfFilesTilesAndColours)
{
    const QString png = writeImage(QStringLiteral("drop.png"), QSize(30, 60));

    // A picture file: as large as fits in the label in its own proportions, centred on the
    // drop point, selected.
    auto *file = new QMimeData;
    file->setUrls({QUrl::fromLocalFile(png)});
    ASSERT_TRUE(drop(file, QPointF(100, 100)));
    ASSERT_EQ(view()->getRects().size(), 1);
    const GraphicPtr dropped = view()->getRects().first();
    EXPECT_NEAR(dropped->frameBounds().center().x(), 100, 1.0);
    EXPECT_NEAR(dropped->frameBounds().center().y(), 100, 1.0);
    EXPECT_NEAR(dropped->frameBounds().width(), 72.0, 0.01);
    EXPECT_NEAR(dropped->frameBounds().height(), 144.0, 0.01);
    EXPECT_TRUE(dropped->fixRatio());
    EXPECT_TRUE(view()->isSelected(dropped.get()));
    undo()->closeEventGroup();
    undo()->undo();
    EXPECT_TRUE(view()->getRects().isEmpty());
    delete file;

    // Any other file is opened as a document.
    QString opened;
    view()->openDocumentHandler = [&opened](const QString &path) { opened = path; };
    const QString text = QFileInfo(png).path() + "/notes.qkdoc";
    QFile(text).open(QIODevice::WriteOnly);
    QMimeData document;
    document.setUrls({QUrl::fromLocalFile(text)});
    drop(&document, QPointF(50, 50));
    EXPECT_EQ(opened, text);
    EXPECT_TRUE(view()->getRects().isEmpty());

    // A browser tile: the browser's selected tile is placed.
    ScrollNSImageView browser;
    listImageViewItem *tile = browser.addImageView(ScrollNSImageView::TileKind::Image, QImage(png), png);
    browser.setSelectedItem(tile);
    view()->setImageListView(&browser);
    QMimeData tileDrag;
    tileDrag.setData(QString::fromLatin1(RectsView::ImageItemDragType), QByteArray());
    ASSERT_TRUE(drop(&tileDrag, QPointF(60, 60)));
    ASSERT_EQ(view()->getRects().size(), 1);
    const GraphicPtr placed = view()->getRects().last();
    EXPECT_EQ(placed->imagePath(), png);
    EXPECT_TRUE(placed->fixRatio());
    EXPECT_TRUE(view()->isSelected(placed.get()));
    view()->setImageListView(nullptr);

    // A colour fills the object under the point; on empty canvas it changes nothing.
    QMimeData colour;
    colour.setColorData(QColor(Qt::green));
    const QPointF inside = placed->frameBounds().center();
    ASSERT_TRUE(drop(&colour, inside));
    EXPECT_TRUE(placed->drawsFill());
    EXPECT_EQ(placed->fillColor(), QColor(Qt::green));
    view()->clearSelection();
    ASSERT_TRUE(drop(&colour, QPointF(-90, -90)));
    EXPECT_EQ(view()->getRects().size(), 1);

    // Plain text is refused at entry.
    QMimeData plain;
    plain.setText(QStringLiteral("hello"));
    EXPECT_FALSE(drop(&plain, QPointF(10, 10)));
}

TEST_F(ImagePlacement, ImageCommandsUndoUnderTheirNames)
{
    const QString png = writeImage(QStringLiteral("cmd.png"), QSize(20, 10));
    const GraphicPtr rect = fixture->add(QRectF(0, 0, 60, 60));
    ASSERT_TRUE(rect->setImageFromPath(png));
    view()->selectRect(rect);
    undo()->removeAllActions();

    const bool scales = rect->isScaleWithBox();
    view()->fitResetImage();
    EXPECT_EQ(undoName(), QStringLiteral("Undo Scale with Box"));
    EXPECT_NE(rect->isScaleWithBox(), scales);
    view()->fitResetImage();
    undo()->closeEventGroup();
    EXPECT_EQ(rect->isScaleWithBox(), scales);
    undo()->undo();
    EXPECT_NE(rect->isScaleWithBox(), scales);
    undo()->undo();
    EXPECT_EQ(rect->isScaleWithBox(), scales);

    view()->makeMonohromeFrameImage();
    EXPECT_EQ(undoName(), QStringLiteral("Make Monohrome Image"));
    EXPECT_TRUE(rect->image()->isMono());
    undo()->undo();
    EXPECT_FALSE(rect->image()->isMono());

    view()->setImageRotation(90);
    EXPECT_EQ(undoName(), QStringLiteral("Rotate Image"));
    EXPECT_EQ(rect->image()->getRotation(), 90);
    undo()->undo();
    EXPECT_EQ(rect->image()->getRotation(), 0);

    view()->changeMaskChBox(false);
    EXPECT_EQ(undoName(), QStringLiteral("Mask Clipart"));
    EXPECT_FALSE(rect->image()->isDrawMask());
    EXPECT_EQ(view()->checkBoxMaskState(), 0);
    view()->setupNewNSImageMask(QStringLiteral("heart"));
    EXPECT_EQ(undoName(), QStringLiteral("Mask Clipart"));
    EXPECT_EQ(rect->image()->imageMaskName(), QStringLiteral("heart"));
    EXPECT_TRUE(rect->image()->isDrawMask());
    EXPECT_EQ(view()->checkBoxMaskState(), 1);
    undo()->undo();
    EXPECT_FALSE(rect->image()->isDrawMask());
    EXPECT_NE(rect->image()->imageMaskName(), QStringLiteral("heart"));

    view()->setObjectResetImage();
    EXPECT_EQ(undoName(), QStringLiteral("Reset Fit Image"));

    rect->setScaleWithBoxOnly(false);
    const float x = rect->getXImageOffset();
    view()->trackImageDrag(QPointF(7.2, 0));
    view()->trackImageDrag(QPointF(7.2, 0));
    undo()->closeEventGroup();
    EXPECT_NEAR(rect->getXImageOffset(), x + 0.2f, 1e-4);
    undo()->undo();
    EXPECT_NEAR(rect->getXImageOffset(), x, 1e-4);
}

TEST_F(ImagePlacement, MaskStateSaysWhetherAMaskIsApplied)
{
    const QString png = writeImage(QStringLiteral("mix.png"), QSize(10, 10));
    const GraphicPtr a = fixture->add(QRectF(0, 0, 30, 30));
    const GraphicPtr b = fixture->add(QRectF(40, 0, 30, 30));
    a->setImageFromPath(png);
    b->setImageFromPath(png);
    EXPECT_EQ(view()->checkBoxMaskState(), -1);
    view()->selectRect(a);
    view()->selectRect(b);
    // Pictures without a mask: the box is off, though their mask flag is on.
    EXPECT_EQ(view()->checkBoxMaskState(), 0);
    view()->setupNewNSImageMask(QStringLiteral("heart"));
    EXPECT_EQ(view()->checkBoxMaskState(), 1);
    a->setImageMaskFlag(false);
    EXPECT_EQ(view()->checkBoxMaskState(), 2);
}

TEST_F(ImagePlacement, BackgroundObjectPerPage)
{
    const QString first = writeImage(QStringLiteral("bg1.png"), QSize(10, 10), Qt::blue);
    const QString second = writeImage(QStringLiteral("bg2.png"), QSize(10, 10), Qt::yellow);
    const GraphicPtr front = fixture->add(QRectF(10, 10, 20, 20));
    undo()->removeAllActions();

    view()->setBkgrdImagePath(first);
    EXPECT_EQ(undoName(), QStringLiteral("Change Background"));
    ASSERT_EQ(view()->getRects().size(), 2);
    const GraphicPtr background = view()->getRects().first();
    EXPECT_TRUE(background->isBack());
    EXPECT_TRUE(background->isLocked());
    EXPECT_EQ(background->frameBounds(), QRectF(0, 0, 144, 144));
    ASSERT_NE(background->clipPath(), nullptr);
    EXPECT_EQ(background->imagePath(), first);

    view()->setBkgrdImagePath(second);
    EXPECT_EQ(undoName(), QStringLiteral("Change Background"));
    EXPECT_EQ(view()->getRects().size(), 2);
    EXPECT_EQ(background->imagePath(), second);
    undo()->undo();
    EXPECT_EQ(background->imagePath(), first);

    // Another side has no background: clearing there leaves every object in place.
    fixture->side.setSelectedSegment(1);
    view()->clearBackgroundImage();
    EXPECT_EQ(view()->getRects().size(), 2);
    fixture->side.setSelectedSegment(0);
    view()->clearBackgroundImage();
    EXPECT_EQ(view()->getRects().size(), 1);
    EXPECT_EQ(view()->getRects().first(), front);
}

TEST_F(ImagePlacement, PageBackgroundImageIsDrawnPerPageInsideTheLabel)
{
    view()->setTLabel(squareLabel(TLabel::Oval));
    QImage red(50, 50, QImage::Format_ARGB32);
    red.fill(Qt::red);
    auto image = std::make_shared<specImage>(red);
    const QString front = view()->getCurrPageName();
    view()->setBackgroundImages({{front, image}});
    EXPECT_TRUE(view()->isBackgroundImageValid(front));
    EXPECT_EQ(view()->getBackgroundIndexForPage(QStringLiteral("Nowhere")), -1);

    auto render = [this](bool whole) {
        QImage canvas(144, 144, QImage::Format_ARGB32);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        if (whole)
            view()->drawContents(&painter, QRectF(0, 0, 144, 144));
        else
            view()->drawPageBackground(&painter);
        return canvas;
    };
    QImage drawn = render(false);
    EXPECT_EQ(drawn.pixelColor(72, 72), QColor(Qt::red));
    EXPECT_EQ(drawn.pixelColor(3, 3).alpha(), 0); // outside the oval
    drawn = render(true);
    EXPECT_EQ(drawn.pixelColor(72, 72), QColor(Qt::red));

    fixture->side.setSelectedSegment(1);
    drawn = render(true);
    EXPECT_NE(drawn.pixelColor(72, 72), QColor(Qt::red));
    fixture->side.setSelectedSegment(0);

    // With nothing selected the rotation goes to the page's image.
    undo()->removeAllActions();
    view()->setImageRotation(90);
    EXPECT_EQ(undoName(), QStringLiteral("Rotate Background Image"));
    EXPECT_EQ(image->getRotation(), 90);
    undo()->undo();
    EXPECT_EQ(image->getRotation(), 0);

    fixture->side.setSelectedSegment(1);
    view()->setImageRotation(45);
    EXPECT_EQ(image->getRotation(), 0);
}

TEST_F(ImagePlacement, FailedDownloadClearsThePendingObjectAndClosesItsGroup)
{
    qmtest::ScopedTestPrompts prompts;
    const QString parent = QFileInfo(QDir::tempPath()).path();
    view()->setupNewNSImagePath(QStringLiteral("http://127.0.0.1:9/a/..%2F..%2Fevil.png"));
    ASSERT_EQ(view()->getRects().size(), 1);
    EXPECT_GE(undo()->groupingLevel(), 1);
    EXPECT_TRUE(QTest::qWaitFor([this] { return undo()->groupingLevel() == 0; }, 60000));
    EXPECT_FALSE(QFileInfo::exists(parent + "/evil.png"));
    EXPECT_FALSE(QFileInfo::exists(QDir::tempPath() + "/evil.png"));
    // Nothing is left of the download, and the user is told it did not come.
    const QStringList folders = QDir(QDir::tempPath()).entryList({QStringLiteral("quillmark-web-*")}, QDir::Dirs);
    for (const QString &folder : folders)
        EXPECT_TRUE(QDir(QDir::tempPath() + '/' + folder).entryList(QDir::Files).isEmpty()) << folder.toStdString();
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("The picture could not be downloaded."));
    // A later local picture goes to the selection, not to a stale pending object.
    const QString png = writeImage(QStringLiteral("after.png"), QSize(10, 10));
    view()->clearSelection();
    view()->setupNewNSImagePath(png);
    EXPECT_EQ(view()->getRects().size(), 2);
}

TEST_F(ImagePlacement, CommandDragMovesThePictureInsideItsFrameAsOneStep)
{
    const QString png = writeImage(QStringLiteral("slide.png"), QSize(20, 20));
    const GraphicPtr rect = fixture->add(QRectF(0, 0, 60, 60));
    ASSERT_TRUE(rect->setImageFromPath(png));
    rect->setScaleWithBoxOnly(false);
    view()->selectRect(rect);
    undo()->removeAllActions();
    const QRectF frame = rect->frameBounds();
    const float x = rect->getXImageOffset();
    const float y = rect->getYImageOffset();

    view()->mouseDownAt(QPointF(30, 30), CommandKeyMask, 1);
    view()->mouseDraggedTo(QPointF(37.2, 30), CommandKeyMask);
    view()->mouseDraggedTo(QPointF(44.4, 37.2), CommandKeyMask);
    view()->mouseUpAt(QPointF(44.4, 37.2), CommandKeyMask);
    undo()->closeEventGroup();
    EXPECT_EQ(rect->frameBounds(), frame);
    EXPECT_NEAR(rect->getXImageOffset(), x + 0.2f, 1e-4);
    EXPECT_NEAR(rect->getYImageOffset(), y + 0.1f, 1e-4);
    EXPECT_EQ(undo()->groupingLevel(), 0);
    undo()->undo();
    EXPECT_NEAR(rect->getXImageOffset(), x, 1e-4);
    EXPECT_NEAR(rect->getYImageOffset(), y, 1e-4);
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(ImagePlacement, APictureThatDoesNotReadCreatesNothingAndSaysWhy)
{
    const QString folder = qmtest::freshDir(QStringLiteral("placement-refused"));
    struct Case
    {
        QString name;
        QByteArray bytes;
        QString message;
    };
    const Case cases[] = {
        {"words.png", "no picture here", QStringLiteral("The file is not an image that can be opened.")},
        {"damaged.png", hostile::truncatedPng(), QStringLiteral("The file is not an image that can be opened.")},
        {"huge.png", hostile::pngHeaderOnly(40000, 40000), QStringLiteral("The image is too large to open.")},
        {"gone.png", QByteArray(), QStringLiteral("The image file could not be read.")},
    };
    const QString kept = writeImage(QStringLiteral("kept.png"), QSize(10, 10), Qt::blue);
    qmtest::ScopedTestPrompts prompts;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString path = folder + '/' + c.name;
        if (!c.bytes.isEmpty()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.bytes);
        }
        prompts->clear();

        // Dropped on the canvas.
        QMimeData dropped;
        dropped.setUrls({QUrl::fromLocalFile(path)});
        drop(&dropped, QPointF(60, 60));
        ASSERT_TRUE(fixture->settle());
        EXPECT_TRUE(view()->getRects().isEmpty());
        ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
        EXPECT_EQ(prompts->last().title, c.message);

        // A tile clicked with nothing selected.
        view()->setupNewNSImagePath(path);
        ASSERT_TRUE(fixture->settle());
        EXPECT_TRUE(view()->getRects().isEmpty());
        ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 2);
        EXPECT_EQ(prompts->last().title, c.message);

        // A tile clicked with an object selected: the object keeps its picture.
        const GraphicPtr rect = fixture->add(QRectF(0, 0, 50, 50));
        ASSERT_TRUE(rect->setImageFromPath(kept));
        view()->selectRect(rect);
        undo()->removeAllActions();
        view()->setupNewNSImagePath(path);
        ASSERT_TRUE(fixture->settle());
        EXPECT_EQ(rect->imagePath(), kept);
        EXPECT_EQ(view()->getRects().size(), 1);
        EXPECT_FALSE(undo()->canUndo());
        ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 3);

        // As the page background.
        view()->clearSelection();
        view()->removeGraphicAtIndex(0);
        view()->setBkgrdImagePath(path);
        EXPECT_TRUE(view()->getRects().isEmpty());
        ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 4);
        EXPECT_EQ(prompts->last().title, c.message);
    }
}

TEST_F(ImagePlacement, ADroppedTileLandsCentredOnTheDropPoint)
{
    const QString png = writeImage(QStringLiteral("tile.png"), QSize(40, 40));
    ScrollNSImageView browser;
    listImageViewItem *tile = browser.addImage(png);
    ASSERT_NE(tile, nullptr);
    browser.setSelectedItem(tile);
    view()->setImageListView(&browser);
    for (const QPointF &point : {QPointF(40, 50), QPointF(120, 30)}) {
        QMimeData tileDrag;
        tileDrag.setData(QString::fromLatin1(RectsView::ImageItemDragType), QByteArray());
        ASSERT_TRUE(drop(&tileDrag, point));
        const GraphicPtr placed = view()->getRects().last();
        EXPECT_NEAR(placed->frameBounds().center().x(), point.x(), 1.0);
        EXPECT_NEAR(placed->frameBounds().center().y(), point.y(), 1.0);
        EXPECT_TRUE(view()->isSelected(placed.get()));
    }
    EXPECT_EQ(view()->getRects().size(), 2);
    view()->setImageListView(nullptr);
}
