// A graphic object's image: taking a picture and fitting the frame to it, placement in inches
// and percent, undoable file changes that never leave a path without a picture, the image
// commands with their names from the "UndoStrings" table, copies, and the stored form of the
// image by path and embedded, through a binary property list.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/ImageFiles.h"
#include "objects/ObjectFactory.h"
#include "objects/specImage.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

QImage picture(int w, int h, QColor color = Qt::red)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

std::shared_ptr<ColorRect> onCanvas(qmtest::FakeCanvas &canvas, const QRectF &frame)
{
    auto r = ColorRect::create(frame);
    r->setMainView(&canvas);
    return r;
}

// Writes the object into a binary property list and reads a new object back from it.
std::shared_ptr<ColorRect> roundTrip(ColorRect &object, bool templateMode = false)
{
    const QVariantMap dict = templateMode ? object.propertyListRepresentationTemplate()
                                          : object.propertyListRepresentation();
    const QVariant back = PropertyList::fromData(PropertyList::toData(dict, PlistFormat::Binary));
    return ColorRect::graphicWithPropertyListRepresentation(back.toMap());
}

class ObjectImage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerObjectKinds();
        UserDefaults::standard().removeObject(QStringLiteral("imgToDoc"));
    }
    void TearDown() override { UserDefaults::standard().removeObject(QStringLiteral("imgToDoc")); }
};

} // namespace

TEST_F(ObjectImage, TakingAPictureFitsTheFrameToItsProportions)
{
    struct Case
    {
        const char *label;
        QSize before; // an empty size: no image before
        QSize next;
        bool scaleWithBox;
        QRectF frame;
    };
    const QList<Case> cases = {
        {"first picture, reference the frame width", QSize(), QSize(400, 200), true, QRectF(10, 20, 100, 50)},
        {"reference the old image's width", QSize(300, 30), QSize(100, 200), true, QRectF(10, 20, 150, 300)},
        {"scale-with-box off keeps the frame", QSize(), QSize(400, 200), false, QRectF(10, 20, 100, 70)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        auto r = ColorRect::create(QRectF(10, 20, 100, 70));
        r->setScaleWithBoxOnly(c.scaleWithBox);
        if (!c.before.isEmpty())
            r->setImage(picture(c.before.width(), c.before.height()));
        r->setImage(picture(c.next.width(), c.next.height()));
        ASSERT_TRUE(r->hasValidImage());
        EXPECT_EQ(r->image()->size(), QSizeF(c.next));
        EXPECT_EQ(r->frameBounds(), c.frame);
    }
}

TEST_F(ObjectImage, PlacementGettersShowWhatIsDrawn)
{
    auto r = ColorRect::create(QRectF(0, 0, 100, 70));
    r->setXImageOffset(1.5f);
    r->setYImageOffset(-0.5f);
    r->setXImageScale(80);
    EXPECT_EQ(r->getXImageOffset(), 0.0f);
    EXPECT_EQ(r->getYImageOffset(), 0.0f);
    // Without an image the stored scale shows.
    EXPECT_EQ(r->getXImageScale(), 80.0f);

    r->setImage(picture(400, 200));
    EXPECT_FLOAT_EQ(r->getXImageScale(), 25.0f);
    EXPECT_FLOAT_EQ(r->getYImageScale(), 25.0f);
    r->setFrameBounds(QRectF(0, 0, 200, 50));
    EXPECT_FLOAT_EQ(r->getXImageScale(), 50.0f);

    r->setScaleWithBox(false);
    EXPECT_EQ(r->getXImageOffset(), 1.5f);
    EXPECT_EQ(r->getYImageOffset(), -0.5f);
    EXPECT_EQ(r->getXImageScale(), 80.0f);
    EXPECT_EQ(r->getYImageScale(), 100.0f);
}

TEST_F(ObjectImage, FittingStretchesTheImageAndUndoesAsOneStep)
{
    qmtest::FakeCanvas canvas;
    auto r = onCanvas(canvas, QRectF(0, 0, 144, 72));
    r->setScaleWithBoxOnly(false);
    r->setImage(picture(72, 72));
    r->setXImageOffset(0.25f);
    r->setYImageOffset(0.5f);
    r->setXImageScale(30);
    r->setYImageScale(40);
    canvas.undo.closeEventGroup();

    r->fitImage();
    EXPECT_EQ(r->getXImageOffset(), 0.0f);
    EXPECT_EQ(r->getYImageOffset(), 0.0f);
    EXPECT_FLOAT_EQ(r->getXImageScale(), 200.0f);
    EXPECT_FLOAT_EQ(r->getYImageScale(), 100.0f);
    EXPECT_EQ(canvas.undo.undoActionName(), "Y Image Scale");
    canvas.undo.closeEventGroup();

    canvas.undo.undo();
    EXPECT_EQ(r->getXImageOffset(), 0.25f);
    EXPECT_EQ(r->getYImageOffset(), 0.5f);
    EXPECT_EQ(r->getXImageScale(), 30.0f);
    EXPECT_EQ(r->getYImageScale(), 40.0f);
    canvas.undo.redo();
    EXPECT_EQ(r->getXImageOffset(), 0.0f);
    EXPECT_FLOAT_EQ(r->getXImageScale(), 200.0f);
    EXPECT_FLOAT_EQ(r->getYImageScale(), 100.0f);
    canvas.undo.undo();
    EXPECT_EQ(r->getXImageScale(), 30.0f);

    // Nothing to fit without an image.
    auto empty = onCanvas(canvas, QRectF(0, 0, 144, 72));
    canvas.undo.removeAllActions();
    empty->fitImage();
    empty->fitImageReset();
    EXPECT_FALSE(canvas.undo.canUndo());
}

TEST_F(ObjectImage, AFileThatGivesNoImageChangesNothing)
{
    qmtest::FakeCanvas canvas;
    const QString good = qmtest::tempPng("object-good.png", QSize(20, 10));
    const QString damaged = qmtest::freshDir("object-damaged") + "/broken.png";
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\x89PNG\r\n\x1a\n and then nothing");
    }
    auto r = onCanvas(canvas, QRectF(5, 5, 100, 100));
    r->setTemplateFlag(true);
    ASSERT_TRUE(r->setImagePath(good));
    canvas.undo.removeAllActions();
    const std::shared_ptr<specImage> before = r->image();
    const QRectF frame = r->frameBounds();
    r->setTemplateFlag(true);

    for (const QString &path : {damaged, QString("/no/such/folder/picture.png"), QString()}) {
        SCOPED_TRACE(path.toStdString());
        QString error;
        canvas.clearRecord();
        EXPECT_FALSE(r->setImagePath(path, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(r->imagePath(), good);
        EXPECT_EQ(r->image(), before);
        EXPECT_EQ(r->frameBounds(), frame);
        EXPECT_TRUE(r->isTemplate());
        EXPECT_FALSE(canvas.undo.canUndo());
        EXPECT_TRUE(canvas.invalidated.isEmpty());
        EXPECT_FALSE(r->setImageFromPath(path));
        EXPECT_EQ(r->imagePath(), good);
    }
}

TEST_F(ObjectImage, ChangingTheFileUndoesToTheOldPictureEvenWithoutAPath)
{
    qmtest::FakeCanvas canvas;
    const QString file = qmtest::tempPng("object-change.png", QSize(40, 20), Qt::blue);
    auto r = onCanvas(canvas, QRectF(0, 0, 100, 100));
    r->setImage(picture(10, 10));
    const std::shared_ptr<specImage> original = r->image();
    canvas.undo.removeAllActions();

    ASSERT_TRUE(r->setImagePath(file));
    EXPECT_EQ(canvas.undo.undoActionName(), "Change Image");
    EXPECT_EQ(r->imagePath(), file);
    EXPECT_EQ(r->image()->size(), QSizeF(40, 20));
    // The old image's width is the reference for the new frame.
    EXPECT_EQ(r->frameBounds(), QRectF(0, 0, 10, 5));
    canvas.undo.closeEventGroup();

    canvas.undo.undo();
    EXPECT_TRUE(r->imagePath().isEmpty());
    EXPECT_EQ(r->image(), original);
    EXPECT_EQ(r->frameBounds(), QRectF(0, 0, 100, 100));
    canvas.undo.redo();
    EXPECT_EQ(r->imagePath(), file);
    EXPECT_EQ(r->image()->size(), QSizeF(40, 20));
    EXPECT_EQ(r->frameBounds(), QRectF(0, 0, 10, 5));
}

TEST_F(ObjectImage, ANewPictureKeepsTheMaskTintAndTilesOfTheOldImage)
{
    auto r = ColorRect::create(QRectF(0, 0, 50, 50));
    r->setImage(picture(10, 10));
    r->setImageUseFilter(true);
    r->image()->setImageMaskName("heart");
    r->image()->setTint(true);
    r->image()->setTile(3);
    r->image()->setRotation(30);
    r->setImage(picture(20, 20));
    EXPECT_EQ(r->image()->imageMaskName(), "heart");
    EXPECT_TRUE(r->image()->isTint());
    EXPECT_EQ(r->image()->tile(), 3.0f);
    EXPECT_EQ(r->image()->getRotation(), 0);
    EXPECT_EQ(r->image()->getColor(), r->tintImageColor());
    EXPECT_FALSE(r->imageUseFilter());

    // Without an image before, the object's own settings pass on.
    auto s = ColorRect::create(QRectF(0, 0, 50, 50));
    s->setTintImage(true);
    s->setImageTile(2);
    s->setImage(picture(10, 10));
    EXPECT_TRUE(s->image()->isTint());
    EXPECT_EQ(s->image()->tile(), 2.0f);

    // A picture with nothing in it is ignored; null removes the image.
    s->setImage(QImage());
    EXPECT_TRUE(s->hasValidImage());
    s->setImage(static_cast<const specImage *>(nullptr));
    EXPECT_FALSE(s->hasValidImage());
    EXPECT_TRUE(s->getImage().isNull());
    EXPECT_FALSE(s->getImageColor().isValid());
}

TEST_F(ObjectImage, TheObjectsTintAndTilesReachThePreparedImage)
{
    auto r = ColorRect::create(QRectF(0, 0, 20, 20));
    r->setImage(picture(20, 20, Qt::red));
    r->setTintImageColor(Qt::blue);
    EXPECT_EQ(r->getImage().pixelColor(5, 5), QColor(Qt::red));
    r->setTintImage(true);
    EXPECT_EQ(r->getImage().pixelColor(5, 5), QColor(Qt::blue));
    EXPECT_EQ(r->getImageColor(), QColor(Qt::blue));
    r->setImageTile(0);
    EXPECT_EQ(r->image()->tile(), 1.0f);
    r->makeMonohromeImage(true);
    EXPECT_TRUE(r->image()->isMono());
    const QColor grey = r->getImage().pixelColor(5, 5);
    EXPECT_EQ(grey.red(), grey.blue());
    r->makeMonohromeImage(false);
    EXPECT_EQ(r->getImage().pixelColor(5, 5), QColor(Qt::blue));
}

TEST_F(ObjectImage, ImageCommandsAreUndoableUnderTheirTableNames)
{
    qmtest::FakeCanvas canvas;
    auto r = onCanvas(canvas, QRectF(0, 0, 20, 20));
    r->setImage(picture(20, 20));
    canvas.undo.removeAllActions();
    const QString table = QStringLiteral("UndoStrings");

    r->setImageRotation(90);
    EXPECT_EQ(canvas.undo.undoActionName(), localizedStringFromTable("Rotate Image", table));
    canvas.undo.closeEventGroup();
    r->setImageMaskName("star1");
    EXPECT_EQ(canvas.undo.undoActionName(), localizedStringFromTable("Change Clipart Mask", table));
    canvas.undo.closeEventGroup();
    r->setImageMaskFlag(false);
    EXPECT_EQ(canvas.undo.undoActionName(), localizedStringFromTable("Mask Clipart", table));
    canvas.undo.closeEventGroup();

    canvas.undo.undo();
    EXPECT_TRUE(r->image()->isDrawMask());
    canvas.undo.undo();
    EXPECT_TRUE(r->image()->imageMaskName().isEmpty());
    canvas.undo.undo();
    EXPECT_EQ(r->image()->getRotation(), 0);
    canvas.undo.redo();
    EXPECT_EQ(r->image()->getRotation(), 90);

    // Nothing happens to an object without an image.
    auto empty = onCanvas(canvas, QRectF(0, 0, 20, 20));
    canvas.undo.removeAllActions();
    empty->setImageRotation(90);
    empty->setImageMaskName("heart");
    empty->setImageMaskFlag(false);
    EXPECT_FALSE(canvas.undo.canUndo());
}

TEST_F(ObjectImage, ACopyHasAnImageOfItsOwn)
{
    auto r = ColorRect::create(QRectF(0, 0, 20, 20));
    r->setImage(picture(20, 20));
    r->image()->setImageMaskName("heart");
    auto c = r->copy();
    ASSERT_TRUE(c->hasValidImage());
    EXPECT_NE(c->image(), r->image());
    EXPECT_EQ(c->image()->imageMaskName(), "heart");
    c->image()->setImageMaskName("star1");
    EXPECT_EQ(r->image()->imageMaskName(), "heart");
}

TEST_F(ObjectImage, EmbeddedImagesSurviveTheStoredForm)
{
    UserDefaults::standard().setString("YES", "imgToDoc");
    auto r = ColorRect::create(QRectF(0, 0, 60, 30));
    r->setImage(picture(60, 30, Qt::green));
    r->image()->setImageMaskName("heart");
    r->image()->setRotation(45);
    r->makeMonohromeImage(true);
    r->setTintImage(true);
    r->setTintImageColor(Qt::blue);
    r->setImageTile(2);

    const QVariantMap dict = r->propertyListRepresentation();
    EXPECT_FALSE(dict.contains("ImagePath"));
    ASSERT_TRUE(dict.value("Image").toMap().contains("Image"));

    auto back = roundTrip(*r);
    ASSERT_TRUE(back && back->hasValidImage());
    EXPECT_EQ(back->image()->size(), QSizeF(60, 30));
    EXPECT_EQ(back->image()->imageMaskName(), "heart");
    EXPECT_EQ(back->image()->getRotation(), 45);
    EXPECT_TRUE(back->image()->isMono());
    EXPECT_TRUE(back->image()->isTint());
    EXPECT_EQ(back->image()->getColor(), QColor(Qt::blue));
    EXPECT_EQ(back->image()->tile(), 2.0f);
    EXPECT_EQ(back->frameBounds(), r->frameBounds());
    EXPECT_EQ(back->getImage(), r->getImage());
}

TEST_F(ObjectImage, ImagesByPathAreReadFromTheirFileWithTheStoredAttributes)
{
    const QString builtIn = CanvasServices::clipartPath() + "Animals/Cat.svg";
    ASSERT_TRUE(QFileInfo(builtIn).isFile());
    auto r = ColorRect::create(QRectF(0, 0, 80, 80));
    ASSERT_TRUE(r->setImagePath(builtIn));
    r->image()->setImageMaskFlag(false);
    r->image()->setRotation(-15);

    const QVariantMap dict = r->propertyListRepresentation();
    EXPECT_EQ(dict.value("ImagePath").toString(), builtIn);
    EXPECT_FALSE(dict.value("Image").toMap().contains("Image"));

    auto back = roundTrip(*r);
    ASSERT_TRUE(back && back->hasValidImage());
    EXPECT_EQ(back->imagePath(), builtIn);
    EXPECT_TRUE(back->image()->isVector());
    EXPECT_FALSE(back->image()->isDrawMask());
    EXPECT_EQ(back->image()->getRotation(), -15);
    EXPECT_EQ(back->frameBounds(), r->frameBounds());

    // Template mode writes by path even when embedding is asked for.
    UserDefaults::standard().setString("YES", "imgToDoc");
    EXPECT_FALSE(r->propertyListRepresentation().contains("ImagePath"));
    auto fromTemplate = roundTrip(*r, true);
    ASSERT_TRUE(fromTemplate && fromTemplate->hasValidImage());
    EXPECT_EQ(fromTemplate->imagePath(), builtIn);
}

TEST_F(ObjectImage, APictureWhoseFileHasGoneIsKeptInTheDocument)
{
    const QString dir = qmtest::freshDir("vanishing");
    const QString file = qmtest::writePng(dir + "/vanishing.png", QSize(16, 8), Qt::blue);
    auto r = ColorRect::create(QRectF(0, 0, 16, 8));
    ASSERT_TRUE(r->setImagePath(file));
    QFile::remove(CanvasServices::clipartUserPath() + "vanishing.png");
    // Written once in path mode: the file is copied among the user's clip-art.
    const QString copy = r->propertyListRepresentation().value("ImagePath").toString();
    ASSERT_EQ(copy, CanvasServices::clipartUserPath() + "vanishing.png");
    ASSERT_TRUE(QFile::remove(copy));
    ASSERT_TRUE(QFile::remove(file));

    const QVariantMap dict = r->propertyListRepresentation();
    EXPECT_TRUE(dict.value("Image").toMap().contains("Image"));
    // No file holds the picture any more: the form names none.
    EXPECT_FALSE(dict.contains("ImagePath"));
    auto back = roundTrip(*r);
    ASSERT_TRUE(back && back->hasValidImage());
    EXPECT_TRUE(back->imagePath().isEmpty());
    EXPECT_FALSE(back->imageFileMissing());
    EXPECT_EQ(back->getImage().pixelColor(3, 3), QColor(Qt::blue));
}

TEST_F(ObjectImage, TheReaderTakesArchivedPicturesAndIgnoresDamagedOnes)
{
    specImage source(picture(30, 10));
    auto r = ColorRect::create();
    r->loadPropertyListRepresentation({{"Image", source.archivedData()}, {"Bounds", "{{1, 2}, {30, 10}}"}});
    ASSERT_TRUE(r->hasValidImage());
    EXPECT_EQ(r->image()->size(), QSizeF(30, 10));
    EXPECT_EQ(r->frameBounds(), QRectF(1, 2, 30, 10));

    for (const QVariant &junk : {QVariant(QByteArray("junk")), QVariant(QVariantMap{{"Image", 3}}),
                                 QVariant(QVariantMap{{"Image", QByteArray("junk")}}), QVariant(12)}) {
        auto s = ColorRect::create();
        s->loadPropertyListRepresentation({{"Image", junk}});
        EXPECT_FALSE(s->hasValidImage());
    }
}

TEST_F(ObjectImage, TheObjectDrawsItsPreparedImageAtItsPlacement)
{
    auto r = ColorRect::create(QRectF(10, 10, 40, 20));
    r->setDrawsFill(false);
    r->setImage(picture(40, 20, Qt::red));
    r->setTintImageColor(Qt::blue);
    r->setTintImage(true);
    auto render = [&r]() {
        QImage page(100, 100, QImage::Format_ARGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        r->drawFrame(&painter, QRectF(), false);
        return page;
    };
    QImage page = render();
    EXPECT_EQ(page.pixelColor(30, 20), QColor(Qt::blue));
    EXPECT_EQ(page.pixelColor(60, 20), QColor(Qt::white));

    // Placed by offset in inches and scale in percent when it does not follow the box, and
    // clipped to the frame then: 20 by 10 from (46, 10), cut at x = 50.
    r->setScaleWithBox(false);
    r->setXImageOffset(0.5f);
    r->setXImageScale(50);
    r->setYImageScale(50);
    page = render();
    EXPECT_EQ(page.pixelColor(20, 15), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(48, 15), QColor(Qt::blue));
    EXPECT_EQ(page.pixelColor(48, 25), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(55, 15), QColor(Qt::white));

    r->setImage(static_cast<const specImage *>(nullptr));
    page = render();
    EXPECT_EQ(page.pixelColor(30, 20), QColor(Qt::white));
}

TEST_F(ObjectImage, TheImageDictionaryReadsWithPlistutilAndBack)
{
    UserDefaults::standard().setString("YES", "imgToDoc");
    auto r = ColorRect::create(QRectF(0, 0, 24, 12));
    r->setImage(picture(24, 12, Qt::darkGreen));
    r->image()->setImageMaskName("star1");
    r->image()->setRotation(45);
    r->image()->loadPropertyListRepresentation({{"drawMask", "NO"}});

    const QString dir = qmtest::freshDir("image-plistutil");
    const QString binary = dir + "/object.plist";
    ASSERT_TRUE(PropertyList::writeFile(binary, r->propertyListRepresentation(), PlistFormat::Binary));
    const QString xmlPath = dir + "/object.xml";
    QProcess plistutil;
    plistutil.start("plistutil", {"-i", binary, "-o", xmlPath, "-f", "xml"});
    ASSERT_TRUE(plistutil.waitForFinished(30000));
    ASSERT_EQ(plistutil.exitCode(), 0) << plistutil.readAllStandardError().toStdString();
    QFile xmlFile(xmlPath);
    ASSERT_TRUE(xmlFile.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(xmlFile.readAll());
    auto has = [&xml](const QString &pattern) { return QRegularExpression(pattern).match(xml).hasMatch(); };
    EXPECT_TRUE(has("<key>drawMask</key>\\s*<string>NO</string>"));
    EXPECT_TRUE(has("<key>IsMono</key>\\s*<string>NO</string>"));
    EXPECT_TRUE(has("<key>ImageAngle</key>\\s*<string>45</string>"));
    EXPECT_TRUE(has("<key>MaskImageName</key>\\s*<string>star1</string>"));
    EXPECT_TRUE(has("<key>Image</key>\\s*<data>"));

    QString error;
    const QVariant fromXml = PropertyList::readFile(xmlPath, &error);
    ASSERT_TRUE(fromXml.isValid()) << error.toStdString();
    auto back = ColorRect::graphicWithPropertyListRepresentation(fromXml.toMap());
    ASSERT_TRUE(back && back->hasValidImage());
    EXPECT_EQ(back->getImage(), r->getImage());
    EXPECT_FALSE(back->image()->isDrawMask());
}

TEST_F(ObjectImage, AFittedVectorPictureFillsTheFrame)
{
    const QString svg = qmtest::writeSvg(qmtest::freshDir("fit-vector") + "/wide.svg", 300, 150);
    auto r = ColorRect::create(QRectF(10, 10, 60, 30));
    r->setScaleWithBoxOnly(false);
    ASSERT_TRUE(r->setImagePath(svg));
    EXPECT_EQ(r->image()->drawingSize(), QSizeF(1500, 750));
    r->fitImage();
    EXPECT_FLOAT_EQ(r->getXImageScale(), 4.0f);
    EXPECT_FLOAT_EQ(r->getYImageScale(), 4.0f);

    QImage page(100, 100, QImage::Format_ARGB32);
    page.fill(Qt::white);
    r->setDrawsFill(false);
    {
        QPainter painter(&page);
        r->drawFrame(&painter, QRectF(), false);
    }
    EXPECT_EQ(page.pixelColor(12, 12), QColor(Qt::blue));
    EXPECT_EQ(page.pixelColor(68, 38), QColor(Qt::blue));
    EXPECT_EQ(page.pixelColor(75, 20), QColor(Qt::white));

    // Following the box, the shown scale is the same.
    r->setScaleWithBox(true);
    EXPECT_FLOAT_EQ(r->getXImageScale(), 4.0f);
}
