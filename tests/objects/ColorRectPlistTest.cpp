// The property-list form of a graphic object: the writer's keys and strings, the reader's
// tolerance of damaged values, image paths, the object factory, and a round trip through a
// binary property list that libplist's own plistutil reads too.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTextDocument>

#include <cmath>

#include "common/TestSupport.h"
#include "objects/CanvasServices.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/ImageFiles.h"
#include "objects/ObjectFactory.h"
#include "objects/TextArchive.h"
#include "platform/Archiver.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

class PlistForm : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerObjectKinds();
        UserDefaults::standard().removeObject(QStringLiteral("imgToDoc"));
    }
    void TearDown() override { UserDefaults::standard().removeObject(QStringLiteral("imgToDoc")); }

    static std::shared_ptr<ColorRect> load(const QVariantMap &dict)
    {
        auto r = ColorRect::create();
        r->loadPropertyListRepresentation(dict);
        return r;
    }
};

QColor colorOf(const QVariant &value)
{
    return Archiver::unarchiveColor(value.toByteArray()).value_or(QColor());
}

} // namespace

TEST_F(PlistForm, NewRectangleWritesEveryKeyWithItsExactString)
{
    auto r = ColorRect::create(QRectF(10, 20, 100, 50.5));
    r->setPageName("Horizontal");
    const QVariantMap d = r->propertyListRepresentation();

    const QMap<QString, QString> strings = {
        {"Class", "ColorRect"},       {"Bounds", "{{10, 20}, {100, 50.5}}"},
        {"DrawsFill", "YES"},         {"DrawsStroke", "NO"},
        {"StrokeLineWidth", "1.00"},  {"DrawsImage", "YES"},
        {"ImageXOffset", "0.00"},     {"ImageYOffset", "0.00"},
        {"ImageXScale", "100.00"},    {"ImageYScale", "100.00"},
        {"IsText", "NO"},             {"IsLocked", "NO"},
        {"IsResizable", "YES"},       {"PageName", "HorizontalFront"},
        {"Layer", "1"},               {"TextWrap", "NO"},
        {"Rotation", "0.00"},         {"Runaround", "0"},
        {"RunaroundMode", "0"},       {"IsScaleWithBox", "YES"},
        {"DrawsShadow", "NO"},        {"FixedRatio", "NO"},
        {"ImageOpacity", "100.00"},   {"IsTemplate", "NO"},
        {"IsBack", "NO"},             {"FillType", "0"},
        {"FillAngle", "0.00"},        {"ShadowDistance", "10.00"},
        {"ShadowAngle", "45.00"},     {"ShadowBlur", "10"},
        {"LinePattern", "0"},         {"UseTint", "NO"},
        {"FlipHor", "NO"},            {"FlipVert", "NO"},
        {"ImageTile", "1.00"},        {"PowerText", "NO"},
        {"PowerType", "1"},
    };
    const QStringList colours = {"FillColor", "StrokeColor", "FillColor2", "ShadowColor", "TintColor"};
    const QStringList numbers = {"Anchor", "PrimaryKey"};

    QStringList expectedKeys = strings.keys() + colours + numbers + QStringList{"Text"};
    expectedKeys.sort();
    QStringList actualKeys = d.keys();
    actualKeys.sort();
    EXPECT_EQ(actualKeys, expectedKeys);

    for (auto it = strings.cbegin(); it != strings.cend(); ++it) {
        const QVariant v = d.value(it.key());
        EXPECT_EQ(v.typeId(), QMetaType::QString) << it.key().toStdString();
        EXPECT_EQ(v.toString(), it.value()) << it.key().toStdString();
    }
    for (const QString &key : numbers) {
        EXPECT_NE(d.value(key).typeId(), QMetaType::QString) << key.toStdString();
        EXPECT_EQ(d.value(key).toInt(), 0) << key.toStdString();
    }
    EXPECT_EQ(colorOf(d.value("FillColor")), r->fillColor());
    EXPECT_EQ(colorOf(d.value("StrokeColor")), QColor(Qt::black));
    EXPECT_EQ(colorOf(d.value("FillColor2")), QColor(Qt::red));
    EXPECT_EQ(colorOf(d.value("ShadowColor")), r->shadowColor());
    EXPECT_EQ(colorOf(d.value("TintColor")), r->tintImageColor());
    EXPECT_EQ(Archiver::classOf(d.value("Text").toByteArray()), TextArchive::className);
}

TEST_F(PlistForm, EmbeddingModeWithoutAnImageWritesNoImageKeys)
{
    UserDefaults::standard().setString("YES", "imgToDoc");
    const QVariantMap d = ColorRect::create(QRectF(0, 0, 10, 10))->propertyListRepresentation();
    EXPECT_FALSE(d.contains("ImagePath"));
    EXPECT_FALSE(d.contains("Image"));
}

TEST_F(PlistForm, MissingColoursAreNotWritten)
{
    auto r = ColorRect::create(QRectF(0, 0, 10, 10));
    r->setFillColor(QColor());
    r->setStrokeColor(QColor());
    const QVariantMap d = r->propertyListRepresentation();
    EXPECT_FALSE(d.contains("FillColor"));
    EXPECT_FALSE(d.contains("StrokeColor"));
}

TEST_F(PlistForm, NumbersUseTwoDecimalsAndFlagsYes)
{
    auto r = ColorRect::create(QRectF(0.125, 1, 20, 30));
    r->setAngle(12.345f, false);
    r->setShadowDistance(2.5);
    r->setFlipHor(true);
    r->setObjectLayer(-3);
    r->setPowerType(19);
    const QVariantMap d = r->propertyListRepresentation();
    // Two decimals where they hold the value; a value they do not hold keeps its own digits,
    // so that it reads back as it was.
    EXPECT_EQ(d.value("Rotation").toString(), "12.345");
    EXPECT_EQ(d.value("ShadowDistance").toString(), "2.50");
    EXPECT_EQ(d.value("FlipHor").toString(), "YES");
    EXPECT_EQ(d.value("Layer").toString(), "-3");
    EXPECT_EQ(d.value("PowerType").toString(), "20");
}

TEST_F(PlistForm, TemplateModeIsOnOnlyForTheTemplateWriter)
{
    const QString outside = qmtest::writePng(qmtest::freshDir("outside") + "/stamp.png", QSize(4, 4));
    UserDefaults::standard().setString("YES", "imgToDoc");
    auto r = ColorRect::create(QRectF(0, 0, 10, 10));
    r->setImagePath(outside);
    EXPECT_FALSE(r->propertyListRepresentation().contains("ImagePath"));
    EXPECT_TRUE(r->propertyListRepresentationTemplate().contains("ImagePath"));
    EXPECT_FALSE(r->propertyListRepresentation().contains("ImagePath"));
}

TEST_F(PlistForm, AnOutsideImageIsCopiedIntoTheUsersClipart)
{
    const QString outside = qmtest::writePng(qmtest::freshDir("outside") + "/photo.png", QSize(4, 4), Qt::red);
    QFile original(outside);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray pictureBytes = original.readAll();
    const QString copy = CanvasServices::clipartUserPath() + "photo.png";
    QFile::remove(copy);
    CanvasServices::setUpdateUserUmages(false);

    auto r = ColorRect::create(QRectF(0, 0, 10, 10));
    r->setImagePath(outside);
    const QVariantMap d = r->propertyListRepresentation();
    EXPECT_EQ(d.value("ImagePath").toString(), copy);
    EXPECT_EQ(r->imagePath(), copy);
    EXPECT_TRUE(QFileInfo(copy).isFile());
    EXPECT_TRUE(CanvasServices::updateUserUmages());

    // A second outside file of the same name is not copied over the first.
    const QString other = qmtest::writePng(qmtest::freshDir("other") + "/photo.png", QSize(6, 6), Qt::blue);
    auto s = ColorRect::create(QRectF(0, 0, 10, 10));
    s->setImagePath(other);
    EXPECT_EQ(s->propertyListRepresentation().value("ImagePath").toString(), other);
    QFile check(copy);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), pictureBytes);
    QFile::remove(copy);
}

TEST_F(PlistForm, BuiltInImagesKeepTheirPath)
{
    const QString builtIn = CanvasServices::clipartPath() + "Animals/Cat.svg";
    auto r = ColorRect::create(QRectF(0, 0, 10, 10));
    r->setImagePath(builtIn);
    EXPECT_EQ(r->propertyListRepresentation().value("ImagePath").toString(), builtIn);
    const QString background = CanvasServices::backgroundPath() + "Blue Sky.jpg";
    r->setImagePath(background);
    EXPECT_EQ(r->propertyListRepresentation().value("ImagePath").toString(), background);
}

TEST_F(PlistForm, ReaderFlagsAreYesOnlyForExactYes)
{
    auto r = load({{"DrawsFill", "yes"}, {"DrawsStroke", "YES"}, {"FlipHor", true}, {"FlipVert", 1}});
    EXPECT_FALSE(r->drawsFill());
    EXPECT_TRUE(r->drawsStroke());
    EXPECT_FALSE(r->flipHor());
    EXPECT_FALSE(r->flipVert());
}

TEST_F(PlistForm, ReaderEdgeValues)
{
    EXPECT_EQ(load({{"ImageTile", "0.50"}})->imageTile(), 1.0f);
    EXPECT_EQ(load({{"ImageTile", "2.50"}})->imageTile(), 2.5f);
    EXPECT_EQ(load({{"PowerType", "1"}})->powerType(), 0);
    EXPECT_EQ(load({{"Rotation", "360.00"}})->angle(), 0.0f);
    EXPECT_EQ(load({{"StrokeLineWidth", "12.00"}, {"Bounds", "{{0, 0}, {20, 10}}"}})->strokeLineWidth(), 5.0f);
    EXPECT_EQ(load({{"TextWrap", "YES"}})->propertyListRepresentation().value("TextWrap").toString(), "YES");
}

TEST_F(PlistForm, StoredTemplateFlagSurvivesTheSettersThatClearIt)
{
    auto r = load({{"IsTemplate", "YES"}, {"FillColor", Archiver::archiveColor(Qt::blue)},
                   {"Bounds", "{{1, 2}, {3, 4}}"}, {"UseTint", "YES"}});
    EXPECT_TRUE(r->isTemplate());
    EXPECT_EQ(r->fillColor(), QColor(Qt::blue));
}

TEST_F(PlistForm, OnlyClassGivesTheDefaultsAndAnEmptyFrame)
{
    auto r = ColorRect::graphicWithPropertyListRepresentation({{"Class", "ColorRect"}});
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->frameBounds(), QRectF());
    EXPECT_TRUE(r->drawsFill());
    EXPECT_EQ(r->objectLayer(), 1);
    EXPECT_EQ(r->shadowBlur(), 10);
    EXPECT_EQ(r->mainView(), nullptr);
}

TEST_F(PlistForm, OutOfRangePatternsAndStylesReadAsTheirDefaults)
{
    EXPECT_EQ(load({{"LinePattern", "21"}})->linePattern(), 21);
    EXPECT_EQ(load({{"LinePattern", "22"}})->linePattern(), 0);
    EXPECT_EQ(load({{"LinePattern", "-1"}})->linePattern(), 0);
    EXPECT_EQ(load({{"LinePattern", "99999999999"}})->linePattern(), 0);
    EXPECT_EQ(load({{"PowerType", "21"}})->powerType(), 20);
    EXPECT_EQ(load({{"PowerType", "0"}})->powerType(), -1);
    EXPECT_EQ(load({{"PowerType", "22"}})->powerType(), 0);
    EXPECT_EQ(load({{"PowerType", "-4"}})->powerType(), 0);
}

TEST_F(PlistForm, WrongTypesLeaveTheFieldAsItWas)
{
    const QVariantMap junk = {
        {"Bounds", 12},
        {"FillColor", "red"},
        {"StrokeColor", QByteArray("garbage")},
        {"Layer", QByteArray("3")},
        {"Rotation", QVariantList{1, 2}},
        {"PageName", 5},
        {"Text", "plain text is not an archive"},
        {"ShadowBlur", QVariantMap{{"a", 1}}},
        {"StrokeLineWidth", std::nan("")},
        {"ShadowAngle", HUGE_VAL},
        {"ImagePath", 7},
        {"FirstTextView", 3},
    };
    auto r = ColorRect::create(QRectF(1, 2, 30, 40));
    r->textStorage()->setPlainText("kept");
    r->loadPropertyListRepresentation(junk);
    EXPECT_EQ(r->frameBounds(), QRectF(1, 2, 30, 40));
    EXPECT_EQ(r->fillColor(), QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.5f));
    EXPECT_EQ(r->strokeColor(), QColor(Qt::black));
    EXPECT_EQ(r->objectLayer(), 1);
    EXPECT_EQ(r->angle(), 0.0f);
    EXPECT_TRUE(r->getPageName().isNull());
    EXPECT_EQ(r->textStorage()->toPlainText(), "kept");
    EXPECT_EQ(r->shadowBlur(), 10);
    EXPECT_EQ(r->strokeLineWidth(), 1.0f);
    EXPECT_EQ(r->shadowAngle(), 45.0);
    EXPECT_TRUE(r->imagePath().isNull());
    EXPECT_TRUE(r->getTextViewsStr().isNull());
}

TEST_F(PlistForm, NumberObjectsReadLikeTheirStrings)
{
    auto r = load({{"Layer", qint64(3)}, {"StrokeLineWidth", 2.5}, {"Bounds", "{{0, 0}, {50, 50}}"},
                   {"Anchor", "2"}, {"PrimaryKey", qint64(100)}, {"ShadowBlur", 7.9}});
    EXPECT_EQ(r->objectLayer(), 3);
    EXPECT_EQ(r->strokeLineWidth(), 2.5f);
    EXPECT_EQ(r->anchor(), 2);
    EXPECT_EQ(r->fieldPk(), 100);
    EXPECT_EQ(r->shadowBlur(), 7);
    EXPECT_EQ(load({{"Layer", "12abc"}})->objectLayer(), 12);
}

TEST_F(PlistForm, FactoryBuildsOnlyRegisteredGraphicKinds)
{
    EXPECT_EQ(ColorRect::graphicWithPropertyListRepresentation({{"Class", "ColorGizmo"}}), nullptr);
    EXPECT_EQ(ColorRect::graphicWithPropertyListRepresentation({{"Class", "QObject"}}), nullptr);
    EXPECT_EQ(ColorRect::graphicWithPropertyListRepresentation({{"Class", 1}}), nullptr);
    EXPECT_EQ(ColorRect::graphicWithPropertyListRepresentation({}), nullptr);
    EXPECT_FALSE(ObjectFactory::registerClass("Group", [] { return ColorRect::create(); }));
    EXPECT_FALSE(ObjectFactory::registerClass("ColorOval", nullptr));
    EXPECT_FALSE(ObjectFactory::isRegistered("Group"));
    EXPECT_EQ(ObjectFactory::create("Group"), nullptr);
    EXPECT_EQ(ObjectFactory::knownKinds().size(), 7);
    EXPECT_TRUE(ObjectFactory::isRegistered("ColorRect"));
    auto r = ObjectFactory::create("ColorRect");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->className(), "ColorRect");
}

TEST_F(PlistForm, StoredImagePathsMoveIntoTheResources)
{
    const QString resources = QDir::cleanPath(Bundle::resourcesPath());
    const QString clipart = CanvasServices::clipartPath();
    EXPECT_EQ(clipart, resources + "/Brenholt/Quillmark/cliparts/");

    // The machine-wide support folder moves into the resources, and the old folder takes
    // its new name.
    EXPECT_EQ(ColorRect::currentImagePath(
                  "/Library/Application Support/Brenholt/Quillmark/cliparts/Retro/car.png"),
              clipart + "Symbols/car.png");
    EXPECT_EQ(ColorRect::currentImagePath(
                  "/Library/Application Support/Brenholt/Quillmark/cliparts/Land Marks/Rome/a.png"),
              clipart + "History/Rome/a.png");
    EXPECT_EQ(ColorRect::currentImagePath(
                  "/Library/Application Support/Brenholt/Quillmark/cliparts/002_LOGO/b.png"),
              clipart + "Logos/b.png");
    // An old copy of the application.
    EXPECT_EQ(ColorRect::currentImagePath(
                  "/Volumes/Old/Quillmark.app/Contents/Resources/Brenholt/Quillmark/cliparts/Retro/x.png"),
              clipart + "Symbols/x.png");
    // Paths in a user's home stay.
    EXPECT_EQ(ColorRect::currentImagePath("/Users/ann/Library/Application Support/x/Retro/y.png"),
              "/Users/ann/Library/Application Support/x/Retro/y.png");
}

TEST_F(PlistForm, LegacyRenamesTouchOnlyWholeFolderNamesOfTheBuiltInClipart)
{
    const QString clipart = CanvasServices::clipartPath();
    EXPECT_EQ(ColorRect::currentImagePath("/home/ann/Retro/car.png"), "/home/ann/Retro/car.png");
    EXPECT_EQ(ColorRect::currentImagePath("/Library/Application Support/Other/Retro/car.png"),
              QDir::cleanPath(Bundle::resourcesPath()) + "/Other/Retro/car.png");
    EXPECT_EQ(ColorRect::currentImagePath(clipart + "RetroCars/Retro.png"), clipart + "RetroCars/Retro.png");
    EXPECT_EQ(ColorRect::currentImagePath(clipart + "My Land Marks/a.png"), clipart + "My Land Marks/a.png");
    EXPECT_EQ(ColorRect::currentImagePath(clipart + "Retro/Retro/a.png"), clipart + "Symbols/Retro/a.png");
}

TEST_F(PlistForm, DesignRoundTripsThroughABinaryPlistThatPlistutilReads)
{
    auto r = ColorRect::create(QRectF(12.5, 30, 144, 72));
    r->setFillColor(QColor(10, 20, 30, 200));
    r->setStrokeColor(Qt::darkGreen);
    r->setStrokeLineWidth(2.25f);
    r->setPowerText(true);
    r->setDrawsFill(false);
    r->setDrawsStroke(true);
    r->setDrawsShadow(true);
    r->setDrawsImage(false);
    r->setScaleWithBox(false);
    r->setXImageOffset(0.5f);
    r->setYImageOffset(-1.25f);
    r->setXImageScale(75);
    r->setYImageScale(125);
    r->setLocked(true);
    r->setResizable(false);
    r->setPageName("VerticalBack");
    r->setObjectLayer(3);
    r->setAngle(22.5f, false);
    r->setRunaroundState(1);
    r->setRunaroundMode(2);
    r->setFixRatio(true);
    r->setImageOpacity(60);
    r->setTemplateFlag(true);
    r->setAnchor(1);
    r->setFillType(2);
    r->setFillColor2(Qt::blue);
    r->setFillAngle(90);
    r->setShadowDistance(4);
    r->setShadowColor(QColor(0, 0, 0, 128));
    r->setShadowAngle(315);
    r->setShadowBlur(3);
    r->setLinePattern(12);
    r->setTintImage(true);
    r->setTintImageColor(QColor(255, 128, 0, 64));
    r->setFlipHor(true);
    r->setFlipVert(true);
    r->setImageTile(2);
    r->setPowerType(7);
    r->textStorage()->setPlainText("Hello label");
    r->setTemplateFlag(true);

    const QVariantMap design = {{"ObjectsList", QVariantList{r->propertyListRepresentation()}},
                                {"DocumentVersion", "1"}};
    const QString dir = qmtest::freshDir("roundtrip");
    const QString binary = dir + "/design.qkdoc";
    QString error;
    ASSERT_TRUE(PropertyList::writeFile(binary, design, PlistFormat::Binary, &error)) << error.toStdString();
    QFile raw(binary);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(raw.read(8).startsWith("bplist00"));
    raw.close();

    const QString xmlPath = dir + "/design.xml";
    QProcess plistutil;
    plistutil.start("plistutil", {"-i", binary, "-o", xmlPath, "-f", "xml"});
    ASSERT_TRUE(plistutil.waitForFinished(30000));
    ASSERT_EQ(plistutil.exitCode(), 0) << plistutil.readAllStandardError().toStdString();
    QFile xmlFile(xmlPath);
    ASSERT_TRUE(xmlFile.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(xmlFile.readAll());
    auto stringFor = [&xml](const QString &key) {
        const QRegularExpression re("<key>" + QRegularExpression::escape(key)
                                    + "</key>\\s*<string>([^<]*)</string>");
        const QRegularExpressionMatch m = re.match(xml);
        return m.hasMatch() ? m.captured(1) : QString();
    };
    EXPECT_EQ(stringFor("Class"), "ColorRect");
    EXPECT_EQ(stringFor("Bounds"), "{{12.5, 30}, {144, 72}}");
    EXPECT_EQ(stringFor("StrokeLineWidth"), "2.25");
    EXPECT_EQ(stringFor("DrawsFill"), "NO");
    EXPECT_EQ(stringFor("PageName"), "VerticalBack");
    EXPECT_EQ(stringFor("Rotation"), "22.50");
    EXPECT_EQ(stringFor("LinePattern"), "12");
    EXPECT_EQ(stringFor("PowerType"), "8");
    EXPECT_EQ(stringFor("IsTemplate"), "YES");
    EXPECT_TRUE(xml.contains(QRegularExpression("<key>Anchor</key>\\s*<integer>1</integer>")));
    EXPECT_TRUE(xml.contains(QRegularExpression("<key>PrimaryKey</key>\\s*<integer>0</integer>")));
    EXPECT_TRUE(xml.contains(QRegularExpression("<key>FillColor</key>\\s*<data>")));
    EXPECT_TRUE(xml.contains(QRegularExpression("<key>Text</key>\\s*<data>")));

    const QVariant back = PropertyList::readFile(binary, &error);
    ASSERT_TRUE(back.isValid()) << error.toStdString();
    const QVariantList objects = back.toMap().value("ObjectsList").toList();
    ASSERT_EQ(objects.size(), 1);
    auto c = ColorRect::graphicWithPropertyListRepresentation(objects.first().toMap());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->frameBounds(), r->frameBounds());
    EXPECT_EQ(c->fillColor(), r->fillColor());
    EXPECT_EQ(c->strokeColor(), r->strokeColor());
    EXPECT_EQ(c->strokeLineWidth(), r->strokeLineWidth());
    EXPECT_EQ(c->drawsFill(), r->drawsFill());
    EXPECT_EQ(c->drawsStroke(), r->drawsStroke());
    EXPECT_EQ(c->drawsShadow(), r->drawsShadow());
    EXPECT_EQ(c->drawsImage(), r->drawsImage());
    EXPECT_EQ(c->isScaleWithBox(), r->isScaleWithBox());
    EXPECT_EQ(c->getXImageOffset(), r->getXImageOffset());
    EXPECT_EQ(c->getYImageOffset(), r->getYImageOffset());
    EXPECT_EQ(c->getXImageScale(), r->getXImageScale());
    EXPECT_EQ(c->getYImageScale(), r->getYImageScale());
    EXPECT_EQ(c->isLocked(), r->isLocked());
    EXPECT_EQ(c->isResizable(), r->isResizable());
    EXPECT_EQ(c->getPageName(), r->getPageName());
    EXPECT_EQ(c->objectLayer(), r->objectLayer());
    EXPECT_EQ(c->angle(), r->angle());
    EXPECT_EQ(c->getRunaroundState(), r->getRunaroundState());
    EXPECT_EQ(c->getRunaroundMode(), r->getRunaroundMode());
    EXPECT_EQ(c->fixRatio(), r->fixRatio());
    EXPECT_EQ(c->imageOpacity(), r->imageOpacity());
    EXPECT_EQ(c->isTemplate(), r->isTemplate());
    EXPECT_EQ(c->anchor(), r->anchor());
    EXPECT_EQ(c->fieldPk(), r->fieldPk());
    EXPECT_EQ(c->fillType(), r->fillType());
    EXPECT_EQ(c->fillColor2(), r->fillColor2());
    EXPECT_EQ(c->fillAngle(), r->fillAngle());
    EXPECT_EQ(c->shadowDistance(), r->shadowDistance());
    EXPECT_EQ(c->shadowColor(), r->shadowColor());
    EXPECT_EQ(c->shadowAngle(), r->shadowAngle());
    EXPECT_EQ(c->shadowBlur(), r->shadowBlur());
    EXPECT_EQ(c->linePattern(), r->linePattern());
    EXPECT_EQ(c->tintImage(), r->tintImage());
    EXPECT_EQ(c->tintImageColor(), r->tintImageColor());
    EXPECT_EQ(c->flipHor(), r->flipHor());
    EXPECT_EQ(c->flipVert(), r->flipVert());
    EXPECT_EQ(c->imageTile(), r->imageTile());
    EXPECT_EQ(c->powerText(), r->powerText());
    EXPECT_EQ(c->powerType(), r->powerType());
    EXPECT_EQ(c->textStorage()->toPlainText(), "Hello label");
    EXPECT_EQ(c->propertyListRepresentation(), r->propertyListRepresentation());
}

// The reader finds each key it knows in one walk of the stored dictionary: keys it does not
// know may sort before, between and after the known ones (another writer's, a later version's,
// case and accents apart), and keys left out leave their fields as they were.
TEST_F(PlistForm, ReaderFindsEveryKnownKeyAmongUnknownOnesAndSkipsMissingOnes)
{
    QVariantMap stored = ColorRect::create(QRectF(5, 6, 70, 40))->propertyListRepresentation();
    const QMap<QString, QString> changed = {
        {"Bounds", "{{12, 14}, {80, 44}}"}, {"DrawsFill", "NO"},     {"DrawsImage", "NO"},   {"DrawsShadow", "YES"},
        {"DrawsStroke", "YES"},            {"FillAngle", "30.00"},  {"FillType", "2"},      {"FixedRatio", "YES"},
        {"FlipHor", "YES"},                {"FlipVert", "YES"},     {"ImageOpacity", "40.00"}, {"ImageTile", "3.00"},
        {"ImageXOffset", "1.50"},          {"ImageXScale", "80.00"}, {"ImageYOffset", "2.50"}, {"ImageYScale", "90.00"},
        {"IsLocked", "YES"},               {"IsResizable", "NO"},   {"IsScaleWithBox", "NO"}, {"IsTemplate", "YES"},
        {"Layer", "3"},          {"LinePattern", "2"},   {"PageName", "VerticalBack"},
        {"PowerType", "4"},                {"Rotation", "15.00"},   {"Runaround", "1"},     {"RunaroundMode", "1"},
        {"ShadowAngle", "60.00"},          {"ShadowBlur", "4"},     {"ShadowDistance", "3.00"}, {"StrokeLineWidth", "2.00"},
        {"TextWrap", "YES"},               {"UseTint", "YES"},
    };
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        stored.insert(it.key(), it.value());
    stored.insert("FillColor", Archiver::archiveColor(QColor(10, 200, 30)));
    stored.insert("FillColor2", Archiver::archiveColor(QColor(90, 20, 130)));
    stored.insert("ShadowColor", Archiver::archiveColor(QColor(1, 2, 3)));
    stored.insert("StrokeColor", Archiver::archiveColor(QColor(200, 10, 10)));
    stored.insert("TintColor", Archiver::archiveColor(QColor(40, 40, 200)));
    stored.insert("Anchor", qint64(7));
    stored.insert("PrimaryKey", qint64(42));
    QVariantMap noisy = stored;
    for (const char *unknown : {"AAA", "Anchor2", "Boundsz", "FillColor1", "FillColor3", "IsBack", "Layers", "Text0",
                                "UseTintX", "Zebra", "bounds", "\u00dcbrig", "\u00e9"})
        noisy.insert(QString::fromUtf8(unknown), QStringLiteral("99"));

    const QVariantMap read = load(noisy)->propertyListRepresentation();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        EXPECT_TRUE(read.value(it.key()) == it.value()) << it.key().toStdString() << ": " << read.value(it.key()).toString().toStdString();

    // Left out, a key leaves its field as the object had it.
    QVariantMap partial = noisy;
    for (const char *key : {"Anchor", "FillColor", "Rotation", "UseTint"})
        partial.remove(QString::fromLatin1(key));
    auto object = ColorRect::create();
    object->setFillColor(QColor(1, 100, 1));
    object->loadPropertyListRepresentation(partial);
    const QVariantMap partly = object->propertyListRepresentation();
    EXPECT_EQ(colorOf(partly.value("FillColor")), QColor(1, 100, 1));
    EXPECT_EQ(partly.value("Rotation").toString(), QStringLiteral("0.00"));
    EXPECT_EQ(partly.value("UseTint").toString(), QStringLiteral("NO"));
    EXPECT_EQ(partly.value("Anchor").toInt(), 0);
    EXPECT_EQ(partly.value("Bounds"), stored.value("Bounds"));
    EXPECT_EQ(partly.value("PrimaryKey").toInt(), 42);
    EXPECT_EQ(colorOf(partly.value("TintColor")), QColor(40, 40, 200));
}
