// The stored forms of a design of thousands of pictures are made on several threads at once, as
// Save makes them: whatever the picture (a bitmap given in memory, PNG, JPEG, SVG and PDF files
// from outside the program or among its clip-art, a file of the user's clip-art changed since it
// was read, a missing file kept by its stored settings), whichever way the settings store pictures (by file or inside
// the design), the bytes written are those one thread writes, object by object, and an
// independent reader reads them back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>

#include "canvas/ObjectForms.h"
#include "canvas/SlicedWork.h"
#include "common/PlistutilReader.h"
#include "common/TestSupport.h"
#include "objects/CanvasServices.h"
#include "objects/ColorOval.h"
#include "objects/ColorRect.h"
#include "objects/ImageFiles.h"
#include "objects/ObjectFactory.h"
#include "objects/PictureCopy.h"
#include "objects/specImage.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

constexpr int Kinds = 10;

class PictureForms : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerObjectKinds();
        UserDefaults::standard().removeObject(QStringLiteral("imgToDoc"));
        dir = qmtest::freshDir(QStringLiteral("picture-forms"));
        png = qmtest::writePng(dir + QStringLiteral("/logo.png"), QSize(12, 8), QColor(20, 120, 200));
        svg = qmtest::writeSvg(dir + QStringLiteral("/mark.svg"), 30, 20, QStringLiteral("#aa3300"));
        pdf = qmtest::writePdf(dir + QStringLiteral("/page.pdf"), 40, 30, QColor(10, 160, 40));
        jpeg = dir + QStringLiteral("/photo.jpg");
        QImage photo(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, qRgb(x * 4, y * 5, (x + y) * 2));
        ASSERT_TRUE(photo.save(jpeg, "JPEG"));
        // Among the user's clip-art: named only while it still holds the picture read from it.
        ASSERT_TRUE(QDir().mkpath(CanvasServices::clipartUserPath()));
        changing = qmtest::writePng(CanvasServices::clipartUserPath() + QStringLiteral("picture-forms-changing.png"),
                                    QSize(6, 6), Qt::magenta);
        ASSERT_FALSE(png.isEmpty() || svg.isEmpty() || pdf.isEmpty() || changing.isEmpty());
    }
    void TearDown() override
    {
        ObjectForms::setHelperThreadsForTesting(-1);
        UserDefaults::standard().removeObject(QStringLiteral("imgToDoc"));
    }

    // A stored form naming a file that is gone: the object keeps its path and settings.
    std::shared_ptr<ColorRect> missing(int i)
    {
        auto source = ColorRect::create(QRectF(0, 0, 30, 20));
        EXPECT_TRUE(source->setImageFromPath(png));
        source->setImageTile(float(1 + i % 3));
        QVariantMap form = source->propertyListRepresentation();
        // The settings alone, as a design saved by path holds them.
        QVariantMap settings = form.value(QStringLiteral("Image")).toMap();
        settings.remove(QStringLiteral("Image"));
        form.insert(QStringLiteral("Image"), settings);
        form.insert(QStringLiteral("ImagePath"), dir + QStringLiteral("/gone-%1.png").arg(i));
        auto made = ColorRect::graphicWithPropertyListRepresentation(form);
        EXPECT_TRUE(made && made->imageFileMissing());
        return made;
    }

    // Every kind of picture in turn, with settings of its own, between objects without one.
    ColorRect::GraphicList design(int count)
    {
        QImage drawn(10, 10, QImage::Format_ARGB32);
        drawn.fill(QColor(250, 200, 0, 180));
        const QString builtIn = CanvasServices::clipartPath() + QStringLiteral("Animals/Cat.svg");
        ColorRect::GraphicList graphics;
        for (int i = 0; i < count; ++i) {
            const QRectF frame(5 + i % 40 * 3.0, 5 + i / 40 * 2.0, 20 + i % 7, 12 + i % 5);
            std::shared_ptr<ColorRect> object;
            if (i % Kinds == 8)
                object = ColorOval::create(frame);
            else
                object = ColorRect::create(frame);
            bool taken = true;
            switch (i % Kinds) {
            case 0:
                object->setImage(drawn);
                break;
            case 1:
                taken = object->setImageFromPath(png);
                break;
            case 2:
                taken = object->setImageFromPath(jpeg);
                break;
            case 3:
                taken = object->setImageFromPath(svg);
                break;
            case 4:
                taken = object->setImageFromPath(pdf);
                break;
            case 5:
                object = missing(i);
                break;
            case 6:
                taken = object->setImageFromPath(changing);
                break;
            case 7:
                object->setFillColor(QColor(i % 256, 90, 30));
                break;
            case 8:
                taken = object->setImageFromPath(png);
                break;
            case 9:
                taken = object->setImageFromPath(builtIn);
                break;
            }
            EXPECT_TRUE(taken) << i;
            if (object->image()) {
                object->setTintImage(i % 3 == 0);
                object->setImageTile(float(1 + i % 4));
                if (i % 4 == 1)
                    object->setScaleWithBox(false);
                if (i % 5 == 2)
                    object->setImageMaskName(QStringLiteral("heart"));
            }
            object->setAngle(float(i % 90), false);
            graphics.append(object);
        }
        // Replaced since it was read: no file holds the picture those objects show.
        EXPECT_FALSE(qmtest::writePng(changing, QSize(9, 3 + ++replaced), Qt::cyan).isEmpty());
        return graphics;
    }

    QString dir, png, jpeg, svg, pdf, changing;
    int replaced = 0;
};

} // namespace

TEST_F(PictureForms, FormsOfManyPicturesMadeOnSeveralThreadsAreTheBytesOneThreadWrites)
{
    for (const bool inside : {false, true}) {
        SCOPED_TRACE(inside ? "pictures inside the design" : "pictures by their files");
        if (inside)
            UserDefaults::standard().setString(QStringLiteral("YES"), QStringLiteral("imgToDoc"));
        else
            UserDefaults::standard().removeObject(QStringLiteral("imgToDoc"));
        constexpr int Many = 600;
        const ColorRect::GraphicList graphics = design(Many);

        // Each object's form made on this thread, the first form of each: it may copy a picture
        // from outside among the user's clip-art and name the copy from then on.
        QVariantList oneThread;
        for (const std::shared_ptr<ColorRect> &graphic : graphics)
            oneThread.append(graphic->propertyListRepresentation(&graphics));
        const QByteArray expected = PropertyList::toData(oneThread, PlistFormat::Binary);
        ASSERT_FALSE(expected.isEmpty());
        // Written again on this thread alone, the forms are the same: what follows compares
        // threads, not a first writing with a second.
        QVariantList again;
        for (const std::shared_ptr<ColorRect> &graphic : graphics)
            again.append(graphic->propertyListRepresentation(&graphics));
        ASSERT_TRUE(PropertyList::toData(again, PlistFormat::Binary) == expected);

        // The pictures' forms may be written elsewhere once the work on their files is started.
        PictureCopy::Batch copies;
        int readable = 0, pictures = 0;
        for (const std::shared_ptr<ColorRect> &graphic : graphics) {
            graphic->startPictureCopy(copies);
            const QTextDocument *text = nullptr;
            if (graphic->image() || graphic->imageFileMissing()) {
                ++pictures;
                readable += graphic->formReadableOffThread(&text) ? 1 : 0;
            }
        }
        EXPECT_EQ(readable, pictures);
        // Those answers served forms made now, each for its own form alone.
        for (const std::shared_ptr<ColorRect> &graphic : graphics)
            graphic->propertyListRepresentation(&graphics);

        // As Save makes them: a slice at a time and all at once, on several threads.
        ObjectForms::setHelperThreadsForTesting(3);
        QVariantList sliced;
        const bool made = formsInSlices(
            graphics, &graphics, [&sliced](QVariant &&form) { sliced.append(std::move(form)); }, nullptr);
        QVariantList whole;
        ObjectForms(graphics, &graphics).deliver([&whole](QVariant &&form) { whole.append(std::move(form)); });
        ObjectForms::setHelperThreadsForTesting(-1);
        ASSERT_TRUE(made);
        ASSERT_EQ(sliced.size(), Many);
        ASSERT_EQ(whole.size(), Many);
        for (qsizetype i = 0; i < Many; ++i) {
            ASSERT_EQ(sliced[i], oneThread[i]) << i;
            ASSERT_EQ(whole[i], oneThread[i]) << i;
        }
        EXPECT_TRUE(PropertyList::toData(sliced, PlistFormat::Binary) == expected);
        EXPECT_TRUE(PropertyList::toData(whole, PlistFormat::Binary) == expected);

        const QVariantList read =
            qmtest::readWithPlistutil(expected, QStringLiteral("picture-forms-read")).toList();
        ASSERT_EQ(read.size(), Many);
        for (qsizetype i = 0; i < Many; ++i) {
            const QVariantMap form = read[i].toMap();
            const ColorRect &object = *graphics[i];
            EXPECT_EQ(form.value(QStringLiteral("Class")).toString(), object.className()) << i;
            const QVariantMap image = form.value(QStringLiteral("Image")).toMap();
            switch (i % Kinds) {
            case 5:
                // A missing picture goes back by its path and settings, in either mode.
                EXPECT_EQ(form.value(QStringLiteral("ImagePath")).toString(), object.imagePath()) << i;
                EXPECT_FALSE(image.contains(QStringLiteral("Image"))) << i;
                break;
            case 7:
                EXPECT_FALSE(form.contains(QStringLiteral("Image"))) << i;
                EXPECT_FALSE(form.contains(QStringLiteral("ImagePath"))) << i;
                break;
            case 0:
            case 6:
                // No file holds the picture: it goes inside the design.
                EXPECT_FALSE(form.contains(QStringLiteral("ImagePath"))) << i;
                EXPECT_FALSE(image.value(QStringLiteral("Image")).toByteArray().isEmpty()) << i;
                break;
            default:
                EXPECT_EQ(form.contains(QStringLiteral("ImagePath")), !inside) << i;
                EXPECT_EQ(image.contains(QStringLiteral("Image")), inside) << i;
                if (!inside) {
                    EXPECT_EQ(form.value(QStringLiteral("ImagePath")).toString(), object.imagePath()) << i;
                    EXPECT_TRUE(QFile::exists(object.imagePath())) << i;
                }
                break;
            }
        }
        // The pictures from outside are named through their copies among the user's clip-art.
        if (!inside) {
            EXPECT_TRUE(graphics[1]->imagePath().startsWith(CanvasServices::clipartUserPath())) << graphics[1]->imagePath().toStdString();
        }
    }
}

// A form made elsewhere takes the settings as they were when it was readied, and that answer
// serves that form alone: the next form follows the settings as they are then.
TEST_F(PictureForms, TheSettingsReadForAFormMadeElsewhereServeThatFormAlone)
{
    auto object = ColorRect::create(QRectF(10, 10, 40, 30));
    ASSERT_TRUE(object->setImageFromPath(svg));
    PictureCopy::Batch copies;
    object->startPictureCopy(copies);
    const QTextDocument *text = nullptr;
    ASSERT_TRUE(object->formReadableOffThread(&text));
    // Changed after the form was readied: that form still names the file.
    UserDefaults::standard().setString(QStringLiteral("YES"), QStringLiteral("imgToDoc"));
    const QVariantMap readied = object->propertyListRepresentation();
    EXPECT_TRUE(readied.contains(QStringLiteral("ImagePath")));
    EXPECT_FALSE(readied.value(QStringLiteral("Image")).toMap().contains(QStringLiteral("Image")));
    // The next one holds the picture, as the settings now say.
    const QVariantMap next = object->propertyListRepresentation();
    EXPECT_FALSE(next.contains(QStringLiteral("ImagePath")));
    EXPECT_TRUE(next.value(QStringLiteral("Image")).toMap().contains(QStringLiteral("Image")));
    // A file named whose work no one started is written on the window's thread alone.
    UserDefaults::standard().removeObject(QStringLiteral("imgToDoc"));
    auto unstarted = ColorRect::create(QRectF(10, 10, 40, 30));
    ASSERT_TRUE(unstarted->setImageFromPath(png));
    EXPECT_FALSE(unstarted->formReadableOffThread(&text));
    EXPECT_TRUE(unstarted->propertyListRepresentation().contains(QStringLiteral("ImagePath")));
}
