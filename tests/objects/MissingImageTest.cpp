// An object whose image file is gone when it is loaded: it keeps the stored path and image
// settings, shows a placeholder on the screen only, writes both back as they were read (in
// either image mode), and shows the picture again once the file is back.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include "common/TestSupport.h"
#include "objects/ColorOval.h"
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

class MissingImage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerObjectKinds();
        UserDefaults::standard().removeObject(QStringLiteral("imgToDoc"));
        dir = qmtest::freshDir(QStringLiteral("missing-image"));
        // Kept outside the user's clip-art folder: a path there would be copied on writing.
        picture = qmtest::writePng(dir + QStringLiteral("/photo.png"), QSize(40, 20), Qt::blue);
        ASSERT_FALSE(picture.isEmpty());
    }
    void TearDown() override { UserDefaults::standard().removeObject(QStringLiteral("imgToDoc")); }

    // The stored form of an object showing the picture with a mask, scale-with-box off and
    // placement of its own, as a document holds it after a save in path mode.
    QVariantMap storedForm()
    {
        auto r = ColorRect::create(QRectF(10, 10, 80, 40));
        EXPECT_TRUE(r->setImageFromPath(picture));
        r->image()->setImageMaskName(QStringLiteral("heart"));
        r->image()->setImageMaskFlag(false);
        r->setScaleWithBox(false);
        r->setXImageOffset(0.25f);
        r->setXImageScale(150.0f);
        r->setTintImage(true);
        r->setImageTile(2.0f);
        QVariantMap dict = r->propertyListRepresentation();
        // The path stays the picture's own (no copy into the user's clip-art is needed here).
        dict.insert(QStringLiteral("ImagePath"), picture);
        return dict;
    }

    static QVariantMap throughBinaryPlist(const QVariantMap &dict)
    {
        return PropertyList::fromData(PropertyList::toData(dict, PlistFormat::Binary)).toMap();
    }

    QString dir;
    QString picture;
};

QImage render(ColorRect &object, bool forPrint)
{
    QImage image(120, 80, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    if (forPrint)
        object.printFrame(&painter, QRectF(), 0);
    else
        object.drawFrame(&painter, QRectF(), false);
    return image;
}

} // namespace

TEST_F(MissingImage, TheStoredPathAndSettingsAreKeptAndWrittenBackUnchanged)
{
    const QVariantMap stored = storedForm();
    ASSERT_TRUE(stored.contains("Image"));
    ASSERT_TRUE(QFile::remove(picture));

    for (const char *mode : {"NO", "YES"}) {
        UserDefaults::standard().setObject(QStringLiteral("imgToDoc"), QString::fromLatin1(mode));
        auto loaded = ColorRect::graphicWithPropertyListRepresentation(throughBinaryPlist(stored));
        ASSERT_TRUE(loaded);
        EXPECT_TRUE(loaded->imageFileMissing()) << mode;
        EXPECT_EQ(loaded->imagePath(), picture) << mode;
        EXPECT_FALSE(loaded->image()) << mode;
        EXPECT_FALSE(loaded->hasValidImage()) << mode;

        const QVariantMap written = throughBinaryPlist(loaded->propertyListRepresentation());
        EXPECT_EQ(written.value("ImagePath").toString(), picture) << mode;
        EXPECT_EQ(written.value("Image"), stored.value("Image")) << mode;
        for (const char *key : {"IsScaleWithBox", "ImageXOffset", "ImageXScale", "ImageYScale", "UseTint",
                                "ImageTile", "DrawsImage", "Bounds"})
            EXPECT_EQ(written.value(key), stored.value(key)) << mode << " " << key;
    }
}

TEST_F(MissingImage, ThePictureComesBackWithItsSettingsWhenTheFileIsBack)
{
    const QVariantMap stored = storedForm();
    ASSERT_TRUE(QFile::remove(picture));
    auto whileGone = ColorRect::graphicWithPropertyListRepresentation(stored);
    const QVariantMap savedWhileGone = throughBinaryPlist(whileGone->propertyListRepresentation());

    ASSERT_FALSE(qmtest::writePng(picture, QSize(40, 20), Qt::blue).isEmpty());
    auto back = ColorRect::graphicWithPropertyListRepresentation(savedWhileGone);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->imageFileMissing());
    ASSERT_TRUE(back->hasValidImage());
    EXPECT_EQ(back->image()->imageMaskName(), "heart");
    EXPECT_FALSE(back->image()->isDrawMask());
    EXPECT_TRUE(back->image()->isTint());
    EXPECT_FLOAT_EQ(back->image()->tile(), 2.0f);
    EXPECT_FALSE(back->isScaleWithBox());
    EXPECT_FLOAT_EQ(back->getXImageScale(), 150.0f);
    EXPECT_EQ(back->frameBounds(), QRectF(10, 10, 80, 40));
}

// The stored copy is drawn; written again, the picture from outside is kept as the copy among
// the user's clip-art that the stored bytes make, and the form names that copy.
TEST_F(MissingImage, AnEmbeddedCopyIsDrawnAndKeptAmongTheUsersClipart)
{
    auto r = ColorRect::create(QRectF(0, 0, 40, 20));
    ASSERT_TRUE(r->setImageFromPath(picture));
    QVariantMap dict = r->propertyListRepresentation();
    // The stored form of a document saved while the file was already gone: path and copy.
    dict.insert(QStringLiteral("Image"), r->image()->propertyListRepresentation(true));
    dict.insert(QStringLiteral("ImagePath"), picture);
    ASSERT_TRUE(QFile::remove(picture));

    auto loaded = ColorRect::graphicWithPropertyListRepresentation(dict);
    EXPECT_FALSE(loaded->imageFileMissing());
    ASSERT_TRUE(loaded->hasValidImage());
    EXPECT_EQ(loaded->imagePath(), picture);
    const QVariantMap written = loaded->propertyListRepresentation();
    const QString copy = written.value("ImagePath").toString();
    EXPECT_EQ(QFileInfo(copy).absolutePath(), QFileInfo(CanvasServices::clipartUserPath() + "x").absolutePath());
    EXPECT_FALSE(written.value("Image").toMap().contains("Image"));
    QFile kept(copy);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), loaded->image()->heldBytes());
}

TEST_F(MissingImage, APathWithoutStoredSettingsWritesNoImageKey)
{
    QVariantMap dict = ColorRect::create(QRectF(0, 0, 40, 20))->propertyListRepresentation();
    dict.insert(QStringLiteral("ImagePath"), dir + QStringLiteral("/never-there.png"));
    auto loaded = ColorRect::graphicWithPropertyListRepresentation(dict);
    EXPECT_TRUE(loaded->imageFileMissing());
    const QVariantMap written = loaded->propertyListRepresentation();
    EXPECT_EQ(written.value("ImagePath").toString(), dir + QStringLiteral("/never-there.png"));
    EXPECT_FALSE(written.contains("Image"));
}

TEST_F(MissingImage, APlaceholderShowsOnTheScreenButNotInPrint)
{
    const QVariantMap stored = storedForm();
    ASSERT_TRUE(QFile::remove(picture));
    for (const QString &kind : {QStringLiteral("ColorRect"), QStringLiteral("ColorOval")}) {
        QVariantMap dict = stored;
        dict.insert(QStringLiteral("Class"), kind);
        dict.insert(QStringLiteral("DrawsFill"), QStringLiteral("NO"));
        auto loaded = ColorRect::graphicWithPropertyListRepresentation(dict);
        ASSERT_TRUE(loaded->imageFileMissing());
        qmtest::FakeCanvas canvas;
        loaded->setMainView(&canvas);
        const QImage screen = render(*loaded, false);
        const QColor inside = screen.pixelColor(50, 30);
        EXPECT_LT(inside.red(), 250) << kind.toStdString();
        EXPECT_EQ(inside.red(), inside.blue()) << kind.toStdString(); // grey, not the blue picture
        const QImage printed = render(*loaded, true);
        EXPECT_EQ(printed.pixelColor(50, 30), QColor(Qt::white)) << kind.toStdString();
    }
}

TEST_F(MissingImage, AnotherPictureEndsItAndUndoBringsItBack)
{
    const QVariantMap stored = storedForm();
    ASSERT_TRUE(QFile::remove(picture));
    auto loaded = ColorRect::graphicWithPropertyListRepresentation(stored);
    qmtest::FakeCanvas canvas;
    loaded->setMainView(&canvas);

    const QString other = qmtest::writePng(dir + QStringLiteral("/other.png"), QSize(10, 10), Qt::green);
    ASSERT_TRUE(loaded->setImagePath(other));
    canvas.undo.closeEventGroup();
    EXPECT_FALSE(loaded->imageFileMissing());
    EXPECT_EQ(loaded->imagePath(), other);
    EXPECT_FALSE(loaded->propertyListRepresentation().value("Image").toMap().contains("MaskImageName"));

    canvas.undo.undo();
    EXPECT_TRUE(loaded->imageFileMissing());
    EXPECT_EQ(loaded->imagePath(), picture);
    EXPECT_EQ(loaded->propertyListRepresentation().value("Image"), stored.value("Image"));

    canvas.undo.redo();
    EXPECT_FALSE(loaded->imageFileMissing());
    EXPECT_TRUE(loaded->hasValidImage());
}

TEST_F(MissingImage, ACopyKeepsThePlaceholderAndItsSettings)
{
    const QVariantMap stored = storedForm();
    ASSERT_TRUE(QFile::remove(picture));
    auto loaded = ColorRect::graphicWithPropertyListRepresentation(stored);
    auto copied = loaded->copy();
    EXPECT_TRUE(copied->imageFileMissing());
    EXPECT_EQ(copied->imagePath(), picture);
    EXPECT_EQ(copied->propertyListRepresentation().value("Image"), stored.value("Image"));
}
