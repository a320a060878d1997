// The barcode object's stored form: every key and string of a new barcode as libplist's own
// plistutil reads them, a round trip through a binary property list, and the reader's
// defaults for keys a document lacks.
#include <gtest/gtest.h>

#include <limits>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "barcodes/BarcodeKinds.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/ColorBarcodeTestSupport.h"
#include "canvas/ObjectForms.h"
#include "canvas/SlicedWork.h"
#include "common/PlistutilReader.h"
#include "common/TestSupport.h"
#include "objects/ObjectFactory.h"
#include "platform/Archiver.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

class BarcodePlist : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerObjectKinds();
        registerBarcodeKinds();
    }
};

// The XML form of the dictionary as plistutil writes it from our binary file.
QString plistutilXml(const QVariantMap &dict, QString *binaryPath = nullptr)
{
    const QString dir = qmtest::freshDir("barcode-plist");
    const QString binary = dir + "/barcode.plist";
    QString error;
    EXPECT_TRUE(PropertyList::writeFile(binary, dict, PlistFormat::Binary, &error)) << error.toStdString();
    const QString xmlPath = dir + "/barcode.xml";
    QProcess plistutil;
    plistutil.start("plistutil", {"-i", binary, "-o", xmlPath, "-f", "xml"});
    EXPECT_TRUE(plistutil.waitForFinished(30000));
    EXPECT_EQ(plistutil.exitCode(), 0) << plistutil.readAllStandardError().toStdString();
    QFile file(xmlPath);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    if (binaryPath)
        *binaryPath = binary;
    return QString::fromUtf8(file.readAll());
}

std::optional<QString> stringIn(const QString &xml, const QString &key)
{
    static const QString pattern = QStringLiteral("<key>%1</key>\\s*(<string>([^<]*)</string>|<string/>)");
    const QRegularExpressionMatch m = QRegularExpression(pattern.arg(QRegularExpression::escape(key))).match(xml);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(2);
}

} // namespace

TEST_F(BarcodePlist, NewBarcodeWritesEveryKeyAsTheDocumentKeepsIt)
{
    auto barcode = ColorBarcode::create(QRectF(10, 20, 0, 0));
    const QString xml = plistutilXml(barcode->propertyListRepresentation());

    const QList<std::pair<QString, QString>> expected = {
        {"Class", "ColorBarcode"},
        {"BarcodeData", "12345678912"},
        {"BarcodeH", "0.40"},
        {"BarcodeW", "9.00"},
        {"BarcodeSpaceW", "9.00"},
        {"BarcodeCharGap", "1.00"},
        {"BarcodeRotate", "0.00"},
        {"BarcodeWAdjust", "-2.00"},
        {"BarcodeType", "8"},
        {"BarcodeHRT", "YES"},
        {"BarcodeSSymbol", "YES"},
        {"BarcodeESymbol", "YES"},
        {"BarcodePrintChChar", "NO"},
        {"BarcodeCheckSymb", "YES"},
        {"BarcodeBearers", "NO"},
        {"BarcodeChange", "YES"},
        {"BarcodeAttachment", "1"},
        {"BarcodeTextHeight", "8.00"},
        {"ISBNFlag", "0"},
        {"SequencePresent", "NO"},
        {"SequencePrefix", ""},
        {"SequenceStart", ""},
        {"SequencePost", ""},
        {"SequenceIncr", "1"},
        {"SequenceRepeat", "1"},
        {"SequenceFilePresent", "NO"},
        {"SequenceFilePath", ""},
        {"UseAddressBookDataKey", "NO"},
        {"UseVCardDataKey", "NO"},
        {"DrawsFill", "NO"},
        {"DrawsStroke", "NO"},
        {"FixedRatio", "YES"},
    };
    for (const auto &[key, value] : expected)
        EXPECT_EQ(stringIn(xml, key), std::optional<QString>(value)) << key.toStdString();

    EXPECT_TRUE(xml.contains(QRegularExpression("<key>BarcodeFont</key>\\s*<data>")));
    EXPECT_FALSE(xml.contains("<key>SaveBarDataKey</key>"));
    // The extent, the origin and the text alignment are never stored.
    EXPECT_FALSE(xml.contains("BarRect"));
    EXPECT_FALSE(xml.contains("TextAlign"));
}

TEST_F(BarcodePlist, RoundTripThroughABinaryFileKeepsEveryField)
{
    auto barcode = ColorBarcode::create(QRectF(30, 40, 0, 0));
    TBarInfo info = barcode->getBarInfo();
    info.BarStr = "Grüße 42";
    info.barH = 0.75;
    info.barW = 12.5;
    info.spaceW = 11;
    info.chargap = 2;
    info.widthAdjust = -1.5;
    info.HRT = 0;
    info.sSymbol = 0;
    info.eSymbol = 0;
    info.printChChar = 1;
    info.CheckSymb = 0;
    info.bearers = 1;
    info.attachment = 3;
    info.isbnFormat = 2;
    barcode->setBarInfo(info);
    QFont font = qmtest::testFont(11);
    barcode->setFont(font);
    TSequence sequence;
    sequence.isPresent = 1;
    sequence.prefix = "N-";
    sequence.counter = "0001";
    sequence.postamble = "/A";
    sequence.increment = "2";
    sequence.repeat = 3;
    sequence.isFile = 1;
    sequence.path = "/tmp/numbers.txt";
    barcode->setSequenceInfo(sequence);
    barcode->setUseAddressData(true);
    barcode->setSaveBarData(QStringLiteral("typed"));
    const QRectF frame = barcode->frameBounds();

    QString binary;
    const QString xml = plistutilXml(barcode->propertyListRepresentation(), &binary);
    EXPECT_EQ(stringIn(xml, "BarcodeData"), std::optional<QString>("Grüße 42"));
    EXPECT_EQ(stringIn(xml, "BarcodeW"), std::optional<QString>("12.50"));
    EXPECT_EQ(stringIn(xml, "BarcodeWAdjust"), std::optional<QString>("-1.50"));
    EXPECT_EQ(stringIn(xml, "ISBNFlag"), std::optional<QString>("2"));
    EXPECT_EQ(stringIn(xml, "SequenceRepeat"), std::optional<QString>("3"));
    EXPECT_EQ(stringIn(xml, "SaveBarDataKey"), std::optional<QString>("typed"));
    EXPECT_EQ(stringIn(xml, "UseAddressBookDataKey"), std::optional<QString>("YES"));

    QString error;
    const QVariant back = PropertyList::readFile(binary, &error);
    ASSERT_TRUE(back.isValid()) << error.toStdString();
    auto object = ColorRect::graphicWithPropertyListRepresentation(back.toMap());
    auto *loaded = dynamic_cast<ColorBarcode *>(object.get());
    ASSERT_NE(loaded, nullptr);

    const TBarInfo got = loaded->getBarInfo();
    EXPECT_EQ(got.BarStr, "Grüße 42");
    EXPECT_DOUBLE_EQ(got.barH, 0.75);
    EXPECT_DOUBLE_EQ(got.barW, 12.5);
    EXPECT_DOUBLE_EQ(got.spaceW, 11);
    EXPECT_DOUBLE_EQ(got.chargap, 2);
    EXPECT_DOUBLE_EQ(got.widthAdjust, -1.5);
    EXPECT_EQ(got.type, BarcodeType::Code128B);
    EXPECT_EQ(got.HRT, 0);
    EXPECT_EQ(got.sSymbol, 0);
    EXPECT_EQ(got.eSymbol, 0);
    EXPECT_EQ(got.printChChar, 1);
    EXPECT_EQ(got.CheckSymb, 0);
    EXPECT_EQ(got.bearers, 1);
    EXPECT_EQ(got.change, 1);
    EXPECT_EQ(got.attachment, 3);
    EXPECT_EQ(got.isbnFormat, 2);
    EXPECT_EQ(got.font.family(), font.family());
    EXPECT_DOUBLE_EQ(got.font.pointSizeF(), 11);

    const TSequence s = loaded->getSequenceInfo();
    EXPECT_EQ(s.isPresent, 1);
    EXPECT_EQ(s.prefix, "N-");
    EXPECT_EQ(s.counter, "0001");
    EXPECT_EQ(s.postamble, "/A");
    EXPECT_EQ(s.increment, "2");
    EXPECT_EQ(s.repeat, 3);
    EXPECT_EQ(s.isFile, 1);
    EXPECT_EQ(s.path, "/tmp/numbers.txt");

    EXPECT_TRUE(loaded->useAddressData());
    EXPECT_FALSE(loaded->useVCardData());
    EXPECT_EQ(loaded->saveBarData(), std::optional<QString>("typed"));
    EXPECT_TRUE(loaded->isDrawBarcode());
    EXPECT_EQ(loaded->frameBounds(), frame);
}

TEST_F(BarcodePlist, MissingKeysLeaveFieldsOrTakeTheirDefaults)
{
    auto barcode = ColorBarcode::create();
    TSequence sequence;
    sequence.isPresent = 1;
    sequence.prefix = "P";
    sequence.counter = "5";
    sequence.isFile = 1;
    sequence.path = "/tmp/x";
    barcode->setSequenceInfo(sequence);
    TBarInfo info = barcode->getBarInfo();
    info.isbnFormat = 7;
    info.barW = 15;
    barcode->setBarInfo(info);

    // A stored form from before numbering existed: only the base keys and the data.
    barcode->loadPropertyListRepresentation({{"Class", "ColorBarcode"},
                                             {"Bounds", "{{5, 6}, {70, 30}}"},
                                             {"BarcodeData", "ABC"},
                                             {"SequencePresent", "YES"}});
    const TSequence s = barcode->getSequenceInfo();
    EXPECT_EQ(s.isPresent, 0) << "a missing prefix switches numbering off";
    EXPECT_EQ(s.prefix, "");
    EXPECT_EQ(s.isFile, 0);
    EXPECT_EQ(s.path, "");
    EXPECT_EQ(s.counter, "5");
    const TBarInfo got = barcode->getBarInfo();
    EXPECT_EQ(got.isbnFormat, 0);
    EXPECT_DOUBLE_EQ(got.barW, 15);
    EXPECT_EQ(got.BarStr, "ABC");
    EXPECT_EQ(barcode->frameBounds(), QRectF(5, 6, 70, 30)) << "the reader keeps the stored frame";
    EXPECT_TRUE(barcode->isDrawBarcode());
}

TEST_F(BarcodePlist, DamagedValuesAreReadLeniently)
{
    auto barcode = ColorBarcode::create();
    barcode->loadPropertyListRepresentation({{"BarcodeH", "1.5inch"},
                                             {"BarcodeW", "lots"},
                                             {"BarcodeType", "25.9"},
                                             {"BarcodeHRT", "yes"},
                                             {"BarcodeSpaceW", "1e999"},
                                             {"BarcodeAttachment", "9999"},
                                             {"BarcodeFont", QByteArray("not a font")},
                                             {"SequencePrefix", "X"},
                                             {"SequenceRepeat", "-4"}});
    const TBarInfo got = barcode->getBarInfo();
    EXPECT_DOUBLE_EQ(got.barH, 1.5);
    EXPECT_DOUBLE_EQ(got.barW, 0.0);
    EXPECT_EQ(got.type, 25);
    EXPECT_EQ(got.HRT, 0) << "only the exact string YES sets a flag";
    EXPECT_DOUBLE_EQ(got.spaceW, 9.0) << "a value that is not finite is not taken";
    EXPECT_EQ(got.attachment, 255);
    EXPECT_EQ(got.font, TBarInfo::defaultFont());
    EXPECT_EQ(barcode->getSequenceInfo().repeat, -4);
}

TEST_F(BarcodePlist, IntegerFieldsIgnoreNumbersThatAreNotFinite)
{
    auto barcode = ColorBarcode::create();
    const TBarInfo before = barcode->getBarInfo();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    barcode->loadPropertyListRepresentation(
        {{"BarcodeType", nan}, {"BarcodeAttachment", inf}, {"ISBNFlag", -inf}, {"SequenceRepeat", nan}});
    const TBarInfo got = barcode->getBarInfo();
    EXPECT_EQ(got.type, before.type);
    EXPECT_EQ(got.attachment, before.attachment);
    EXPECT_EQ(got.isbnFormat, 0);
    EXPECT_EQ(barcode->getSequenceInfo().repeat, TSequence().repeat);
}

TEST_F(BarcodePlist, TheFactoryMakesBarcodesAndTheDefaultTypeIsTaken)
{
    ASSERT_TRUE(ObjectFactory::isRegistered("ColorBarcode"));
    auto made = ObjectFactory::create("ColorBarcode");
    ASSERT_NE(dynamic_cast<ColorBarcode *>(made.get()), nullptr);
    EXPECT_EQ(made->className(), "ColorBarcode");

    UserDefaults::standard().setInteger(25, QStringLiteral("BarcodeType"));
    EXPECT_EQ(ColorBarcode::create()->getBarInfo().type, BarcodeType::QRCode);
    UserDefaults::standard().setInteger(400, QStringLiteral("BarcodeType"));
    EXPECT_EQ(ColorBarcode::create()->getBarInfo().type, BarcodeType::Code128B);
    UserDefaults::standard().removeObject(QStringLiteral("BarcodeType"));
}

// The forms of a design of thousands of barcodes are made on several threads at once: what Save
// writes is, byte for byte, what each barcode's form made on the window's thread gives, for
// barcodes of every kind and setting (turned, mirrored, shadowed, numbered, bound to a field,
// another font, a picture behind the bars), and libplist reads every one of them back.
TEST_F(BarcodePlist, FormsOfManyBarcodesMadeOnSeveralThreadsAreTheBytesOneThreadWrites)
{
    // Every symbology's sample, and letters beyond ASCII.
    QList<std::pair<int, std::string>> kinds(bctest::sampleData().cbegin(), bctest::sampleData().cend());
    kinds.append({BarcodeType::Code128B, "Grüße 128"});
    const QString picture = qmtest::freshDir(QStringLiteral("barcode-forms-threads")) + QStringLiteral("/dot.png");
    {
        QImage dot(8, 8, QImage::Format_RGB32);
        dot.fill(QColor(200, 40, 20));
        ASSERT_TRUE(dot.save(picture));
    }
    constexpr int Many = 700;
    ColorRect::GraphicList graphics;
    for (int i = 0; i < Many; ++i) {
        const auto &[type, data] = kinds[i % kinds.size()];
        auto barcode = ColorBarcode::create(QRectF(10 + i % 20, 20 + i / 20, 0, 0));
        TBarInfo info = barcode->getBarInfo();
        info.type = int16_t(type);
        info.setData(std::string(data) + (i % 3 ? "" : std::to_string(i % 10)));
        info.barW = 9 + i % 4;
        info.HRT = i % 2;
        info.bearers = i % 5 == 0;
        barcode->setBarInfo(info);
        if (i % 7 == 0)
            barcode->setFont(qmtest::testFont(8 + i % 5));
        if (i % 4 == 1)
            barcode->setAngle(float(i % 360), false);
        barcode->setFlipHor(i % 6 == 2);
        barcode->setDrawsShadow(i % 9 == 3);
        if (i % 11 == 4) {
            TSequence sequence = barcode->getSequenceInfo();
            sequence.isPresent = 1;
            sequence.prefix = "N-";
            sequence.counter = std::to_string(i);
            sequence.increment = "3";
            barcode->setSequenceInfo(sequence);
        }
        if (i % 13 == 5) {
            barcode->setSaveBarData(QStringLiteral("typed %1").arg(i));
            barcode->setUseVCardData(true);
        }
        if (i == 333) {
            ASSERT_TRUE(barcode->setImageFromPath(picture));
        }
        graphics.append(barcode);
    }

    // The forms as one thread makes them, each on its own.
    QVariantList oneThread;
    for (const std::shared_ptr<ColorRect> &graphic : graphics)
        oneThread.append(graphic->propertyListRepresentation(&graphics));
    const QByteArray expected = PropertyList::toData(oneThread, PlistFormat::Binary);
    ASSERT_FALSE(expected.isEmpty());

    // As Save makes them: a slice at a time, on several threads.
    ObjectForms::setHelperThreadsForTesting(3);
    QVariantList sliced;
    const bool made = formsInSlices(
        graphics, &graphics, [&sliced](QVariant &&form) { sliced.append(std::move(form)); }, nullptr);
    QVariantList whole;
    ObjectForms(graphics, &graphics).deliver([&whole](QVariant &&form) { whole.append(std::move(form)); });
    ObjectForms::setHelperThreadsForTesting(-1);
    ASSERT_TRUE(made);
    ASSERT_EQ(sliced.size(), Many);
    EXPECT_TRUE(PropertyList::toData(sliced, PlistFormat::Binary) == expected);
    EXPECT_TRUE(PropertyList::toData(whole, PlistFormat::Binary) == expected);
    for (qsizetype i = 0; i < Many; ++i)
        ASSERT_EQ(sliced[i], oneThread[i]) << i;

    const QVariantList read = qmtest::readWithPlistutil(expected, QStringLiteral("barcode-forms-threads-read")).toList();
    ASSERT_EQ(read.size(), Many);
    for (qsizetype i = 0; i < Many; ++i) {
        const QVariantMap form = read[i].toMap();
        const auto *barcode = static_cast<const ColorBarcode *>(graphics[i].get());
        ASSERT_EQ(form.value(QStringLiteral("Class")).toString(), QStringLiteral("ColorBarcode")) << i;
        EXPECT_EQ(form.value(QStringLiteral("BarcodeType")).toString(), QString::number(barcode->getBarInfo().type)) << i;
        EXPECT_EQ(form.value(QStringLiteral("BarcodeData")).toString(), barcode->getBarcodeString()) << i;
        EXPECT_EQ(form.value(QStringLiteral("SequenceStart")).toString(),
                  QString::fromStdString(barcode->getSequenceInfo().counter)) << i;
        EXPECT_EQ(form.contains(QStringLiteral("SaveBarDataKey")), barcode->saveBarData().has_value()) << i;
    }
    EXPECT_EQ(read[333].toMap().value(QStringLiteral("ImagePath")).toString(), graphics[333]->imagePath());
}
