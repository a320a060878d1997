// Address blocks: the record of switches, the lines they give in design mode and with record
// values, the POSTNET bars from the Zip value, the frame that follows the contents and keeps
// the anchor's edge, drawing, the stored form, and databases with fewer fields than parts.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include "database/DatabaseTestSupport.h"
#include "barcodes/Postnet.h"
#include "common/DrawnAtZoom.h"
#include "common/PlistutilReader.h"
#include "common/TestSupport.h"
#include "database/merge/ColorAddress.h"
#include "database/merge/ColorField.h"
#include "database/store/Database.h"
#include "database/store/MergeContents.h"
#include "database/merge/MergeKinds.h"
#include "database/window/QuickAddressPanel.h"
#include "foundation/Language.h"
#include "database/window/QuickAddressView.h"
#include "database/merge/TQuickAddress.h"
#include "objects/FakeCanvas.h"
#include "objects/KeptTextPictures.h"
#include "objects/ObjectFactory.h"
#include "objects/TextFlow.h"
#include "platform/Archiver.h"
#include "platform/PropertyList.h"

#include <QCheckBox>

#include <optional>
#include <vector>

using namespace quillmark;

namespace {

class AddressCanvas : public qmtest::FakeCanvas
{
public:
    bool preview = false;
    bool databasePreview() const override { return preview; }
};

const QVariantMap Ann = {{"Salutation", "Dr."},     {"First_Name", "Ann"}, {"Middle_Name", "B."},
                         {"Last_Name", "Lee"},      {"Company", "Acme"},   {"Title", "Chief"},
                         {"Address", "1 Main St"},  {"City", "Springfield"}, {"State", "IL"},
                         {"Zip", "62701-1234"},     {"Country", "USA"}};

class ColorAddressTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerObjectKinds();
        registerMergeKinds();
        db = dbtest::freshDatabase();
        ASSERT_TRUE(db);
        setRecord(Ann);
    }

    void setRecord(const QVariantMap &values)
    {
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            db->fieldValues().insert(it.key(), it.value());
    }

    std::shared_ptr<ColorAddress> block(const TQuickAddress &qa = TQuickAddress())
    {
        auto address = ColorAddress::create(QRectF(100, 50, 0, 0));
        address->setMainView(&canvas);
        address->setTextSize(qmtest::testFont(9));
        address->setQa(qa);
        canvas.undo.removeAllActions();
        return address;
    }

    // The x of a placed part, -1 when it is not placed.
    static qreal partX(const ColorAddress &address, int part)
    {
        for (const ColorAddress::PlacedPart &placed : address.currentLines().parts)
            if (placed.part == part)
                return placed.topLeft.x();
        return -1.0;
    }

    static QImage render(ColorAddress &address)
    {
        QImage image(400, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        address.drawFrame(&painter, QRectF(), false);
        return image;
    }
    // The rows of the image that hold ink inside the columns.
    static QList<int> inkRows(const QImage &image, int left, int right)
    {
        QList<int> rows;
        for (int y = 0; y < image.height(); ++y)
            for (int x = left; x < right; ++x)
                if (qGray(image.pixel(x, y)) < 160) {
                    rows.append(y);
                    break;
                }
        return rows;
    }

    AddressCanvas canvas;
    std::unique_ptr<Database> db;
};

} // namespace

TEST(TQuickAddress, DefaultsAndStoredForm)
{
    const TQuickAddress qa;
    const QList<int> on = {0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 16, 18, 19, 22};
    for (int i = 0; i < TQuickAddress::ItemCount; ++i)
        EXPECT_EQ(qa.quickAddressItem(i), on.contains(i)) << "item " << i;
    EXPECT_TRUE(qa.barFlag());
    EXPECT_FALSE(qa.quickAddressItem(-1));
    EXPECT_FALSE(qa.quickAddressItem(23));

    TQuickAddress edited = TQuickAddress::allOff();
    edited.setQuickAddressItem(4, true);
    edited.setQuickAddressItem(21, true);
    edited.setQuickAddressItem(99, true);
    edited.setBarFlag(true);
    const QByteArray data = edited.archive();
    // The keys of the stored record, read by an independent reader.
    const QVariantMap plist = PropertyList::fromData(data).toMap();
    EXPECT_EQ(plist.value("$class").toString(), QStringLiteral("TQuickAddress"));
    EXPECT_EQ(plist.value("_quickAddressItem4").toBool(), true);
    EXPECT_EQ(plist.value("_quickAddressItem5").toBool(), false);
    EXPECT_EQ(plist.value("barFlag").toBool(), true);
    EXPECT_EQ(TQuickAddress::unarchive(data), edited);

    // Missing keys read as off; another kind of archive is no record.
    QVariantMap partial;
    partial.insert("_quickAddressItem2", true);
    const auto read = TQuickAddress::unarchive(Archiver::archive(TQuickAddress::className, partial));
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->quickAddressItem(2));
    EXPECT_FALSE(read->quickAddressItem(3));
    EXPECT_FALSE(read->barFlag());
    EXPECT_FALSE(TQuickAddress::unarchive(Archiver::archive("Other", partial)));
    EXPECT_FALSE(TQuickAddress::unarchive(QByteArray("garbage")));
}

TEST_F(ColorAddressTest, DefaultDesignShowsFiveLinesOfTitlesUnderSampleBars)
{
    auto address = block();
    EXPECT_EQ(address->lineTexts(), (QStringList{"Salutation First Name Last Name", "Company Title", "Address",
                                                 "City State Zip", "Country"}));
    // Each title is followed by one blank.
    EXPECT_EQ(address->partTexts()[2], QStringLiteral("Salutation "));
    EXPECT_EQ(address->barDigits(), QByteArray("123456789"));
    EXPECT_FALSE(address->isResizable());
    EXPECT_FALSE(address->drawsFill());
}

TEST_F(ColorAddressTest, FrameIsTheWidestLinePlusEightAndTheLinesHeight)
{
    auto address = block(TQuickAddress::allOff());
    TQuickAddress qa = TQuickAddress::allOff();
    qa.setQuickAddressItem(0, true);  // hidden parts take no room
    qa.setQuickAddressItem(3, true);  // First Name
    qa.setQuickAddressItem(5, true);  // Last Name
    qa.setQuickAddressItem(15, true); // Last Name on a line of its own
    address->setQa(qa);
    const QFontMetricsF metrics = TextFlow::fontMetrics(address->textSize());
    const qreal lineHeight = metrics.ascent() + metrics.descent() + metrics.leading();
    QSizeF first;
    TextFlow::layoutString(QStringLiteral("First Name "), address->textAttributes(), 0, &first);
    const QRectF frame = address->frameBounds();
    EXPECT_EQ(frame.topLeft(), QPointF(100, 50));
    EXPECT_NEAR(frame.width(), first.width() + 8.0, 1e-6);
    // No bars: the descender, one line break and the last line.
    EXPECT_NEAR(frame.height(), metrics.descent() + 2 * lineHeight, 1e-6);
    EXPECT_EQ(address->lineTexts(), (QStringList{"First Name", "Last Name"}));
    // The text stands 4 points in from the left edge.
    EXPECT_EQ(partX(*address, 3), 104.0);
}

TEST_F(ColorAddressTest, RecordValuesInPreviewWithCompactLines)
{
    auto address = block();
    canvas.preview = true;
    address->updateContents(nullptr);
    EXPECT_EQ(address->lineTexts(), (QStringList{"Dr. Ann Lee", "Acme Chief", "1 Main St", "Springfield IL 62701-1234",
                                                 "USA"}));
    // An empty Company does not start its line: Title goes on behind the name.
    setRecord({{"Company", ""}});
    address->updateContents(nullptr);
    EXPECT_EQ(address->lineTexts(), (QStringList{"Dr. Ann Lee Chief", "1 Main St", "Springfield IL 62701-1234", "USA"}));
}

// The parts laid out for the screen are kept between paints: after each change of what the
// block shows it draws what a block made afresh with the same settings draws.
TEST_F(ColorAddressTest, KeptDrawingFollowsEveryChangeOfWhatTheBlockShows)
{
    auto kept = block();
    auto sameAsFresh = [&](const char *after) {
        auto fresh = ColorAddress::create(kept->frameBounds());
        fresh->setMainView(&canvas);
        fresh->setTextSize(kept->textSize());
        fresh->setQa(kept->qa());
        fresh->setStrokeColor(kept->strokeColor());
        fresh->setFrameBounds(kept->frameBounds());
        const QImage a = render(*kept);
        EXPECT_TRUE(a == render(*fresh)) << after;
        return a;
    };
    const QImage design = sameAsFresh("made");
    canvas.preview = true;
    kept->updateContents(nullptr);
    EXPECT_FALSE(sameAsFresh("preview") == design);
    setRecord({{"Last_Name", "Leeward-Smythe"}, {"City", "Shelbyville"}});
    kept->updateContents(nullptr);
    sameAsFresh("another record");
    kept->setTextSize(qmtest::testFont(11));
    sameAsFresh("font");
    kept->setStrokeColor(QColor(200, 30, 30));
    sameAsFresh("colour");
    kept->moveBy(QPointF(17.5, 9.25));
    sameAsFresh("moved");
    TQuickAddress fewer = kept->qa();
    fewer.setQuickAddressItem(7, false);
    fewer.setBarFlag(false);
    kept->setQa(fewer);
    sameAsFresh("parts and bars");
    canvas.preview = false;
    kept->updateContents(nullptr);
    sameAsFresh("design again");
}

TEST_F(ColorAddressTest, HiddenPartsLeaveAGapUnlessTheyTakeNoRoom)
{
    TQuickAddress qa;
    qa.setQuickAddressItem(1, false);
    auto address = block(qa);
    const qreal noGap = partX(*address, 5);
    qa.setQuickAddressItem(0, false);
    address->setQa(qa);
    QSizeF middle;
    TextFlow::layoutString(QStringLiteral("Middle Name "), address->textAttributes(), 0, &middle);
    EXPECT_NEAR(partX(*address, 5) - noGap, middle.width(), 1e-6);
    EXPECT_EQ(partX(*address, 4), -1.0);
}

TEST_F(ColorAddressTest, PostnetBarsFromTheZipValue)
{
    auto address = block();
    canvas.preview = true;
    struct Case
    {
        QString zip;
        QByteArray digits;
    };
    const QString blanks(250, QLatin1Char(' '));
    const Case cases[] = {
        {"12345-6789", "12345-6789"},
        {"12345", "12345"},
        {"12345678901", "12345678901"},
        {"1234", {}},
        {"123456", {}},
        {"", {}},
        // The bar record holds 255 bytes: a longer value is cut there, and only the digits
        // within count.
        {blanks + "12345-6789", (blanks + "12345").toLatin1()},
        {QString(300, QLatin1Char('7')), {}},
        {"12345" + QString(400, QLatin1Char(' ')), ("12345" + QString(250, QLatin1Char(' '))).toLatin1()},
    };
    for (const Case &c : cases) {
        setRecord({{"Zip", c.zip}});
        const std::optional<QByteArray> digits = address->barDigits();
        EXPECT_EQ(digits.value_or(QByteArray()), c.digits) << c.zip.left(20).toStdString();
        if (digits) {
            EXPECT_LE(digits->size(), 255);
        }
    }

    // Bars above the text for a nine-digit zip, none for four digits, and a lower frame.
    setRecord({{"Zip", "12345-6789"}});
    address->updateContents(nullptr);
    const qreal withBars = address->frameBounds().height();
    QImage image = render(*address);
    // The bars lie in the 9 points below the top, 4 in from the edges.
    const QList<int> barRows = inkRows(image, 104, 114);
    ASSERT_FALSE(barRows.isEmpty());
    EXPECT_EQ(barRows.first(), 54);
    setRecord({{"Zip", "1234"}});
    address->updateContents(nullptr);
    EXPECT_LT(address->frameBounds().height(), withBars - 9.0);
    image = render(*address);
    // The text begins at the top.
    EXPECT_LT(inkRows(image, 104, 114).first(), 54);

    // No Zip field at all: no bars, and no crash.
    setRecord({{"Zip", "12345"}});
    db->fieldValues().remove("Zip");
    EXPECT_FALSE(address->barDigits());
    // Bars off.
    TQuickAddress qa;
    qa.setBarFlag(false);
    address->setQa(qa);
    EXPECT_FALSE(address->barDigits());
}

TEST_F(ColorAddressTest, BarsAreThePostnetSymbolOfTheDigits)
{
    auto address = block();
    canvas.preview = true;
    setRecord({{"Zip", "12345"}});
    address->setStrokeColor(QColor(0, 0, 200));
    address->updateContents(nullptr);
    const QImage image = render(*address);
    // Count the bars along a row through every bar (the bottom half), 32 for five digits.
    const int y = 50 + 4 + 8;
    int bars = 0;
    bool inBar = false;
    for (int x = 100; x < 300; ++x) {
        const bool ink = QColor(image.pixel(x, y)).blue() > 150 && QColor(image.pixel(x, y)).red() < 100;
        if (ink && !inBar)
            ++bars;
        inBar = ink;
    }
    EXPECT_EQ(bars, 32);
}

TEST_F(ColorAddressTest, RefitsKeepTheAnchorsEdge)
{
    for (int anchor : {0, 1, 2}) {
        auto address = block();
        address->setAnchor(anchor);
        const QRectF before = address->frameBounds();
        address->setTextSize(qmtest::testFont(14));
        const QRectF after = address->frameBounds();
        EXPECT_GT(after.width(), before.width() + 10);
        EXPECT_EQ(after.top(), before.top());
        switch (anchor) {
        case 1:
            EXPECT_NEAR(after.right(), before.right(), 1e-6);
            break;
        case 2:
            EXPECT_NEAR(after.center().x(), before.center().x(), 1e-6);
            break;
        default:
            EXPECT_EQ(after.left(), before.left());
        }
        // A record change refits the same way.
        canvas.preview = true;
        setRecord({{"Address", "1 Main Street, Apartment 2401, Building C"}});
        MergeContents::postRecordChanged();
        if (anchor == 1) {
            EXPECT_NEAR(address->frameBounds().right(), after.right(), 1e-6);
        }
        canvas.preview = false;
        setRecord(Ann);
    }
}

TEST_F(ColorAddressTest, FontChangeAndRecordEditUndo)
{
    auto address = block();
    const QRectF before = address->frameBounds();
    address->setTextSize(qmtest::testFont(14));
    canvas.undo.closeEventGroup();
    TQuickAddress qa;
    qa.setQuickAddressItem(22, false);
    address->setQa(qa);
    canvas.undo.closeEventGroup();
    EXPECT_EQ(address->lineTexts().size(), 4);
    canvas.undo.undo();
    EXPECT_EQ(address->lineTexts().size(), 5);
    canvas.undo.undo();
    EXPECT_EQ(address->textSize().pointSizeF(), 9.0);
    EXPECT_EQ(address->frameBounds(), before);
}

TEST_F(ColorAddressTest, StoredFormRestoresSwitchesBarsAndFont)
{
    TQuickAddress qa;
    qa.setQuickAddressItem(4, true);
    qa.setQuickAddressItem(14, true);
    qa.setBarFlag(false);
    auto address = block(qa);
    address->setTextSize(qmtest::testFont(11));
    address->setStrokeColor(QColor(10, 100, 10));
    const QVariantMap dict = address->propertyListRepresentation();
    EXPECT_EQ(dict.value("Class").toString(), QStringLiteral("ColorAddress"));
    ASSERT_EQ(dict.value("TQuickAddressKey").typeId(), QMetaType::QByteArray);
    ASSERT_EQ(dict.value("TQuickAddressFontKey").typeId(), QMetaType::QByteArray);

    // Through a binary property list file, as a document stores it.
    const QVariant reread = PropertyList::fromData(PropertyList::toData(dict));
    auto back = std::dynamic_pointer_cast<ColorAddress>(
        ColorRect::graphicWithPropertyListRepresentation(reread.toMap()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->qa(), qa);
    EXPECT_EQ(back->textSize().pointSizeF(), 11.0);
    EXPECT_EQ(back->textColor(), QColor(10, 100, 10));
    EXPECT_EQ(back->frameBounds(), address->frameBounds());

    // Damaged values leave the defaults.
    QVariantMap damaged = dict;
    damaged.insert("TQuickAddressKey", QStringLiteral("not data"));
    damaged.insert("TQuickAddressFontKey", QByteArray("junk"));
    auto fallback = std::dynamic_pointer_cast<ColorAddress>(ColorRect::graphicWithPropertyListRepresentation(damaged));
    ASSERT_TRUE(fallback);
    EXPECT_EQ(fallback->qa(), TQuickAddress());
    EXPECT_EQ(fallback->textSize().pointSizeF(), 9.0);

    auto copy = std::dynamic_pointer_cast<ColorAddress>(address->copy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->qa(), qa);
    EXPECT_EQ(copy->textSize().pointSizeF(), 11.0);
}

TEST_F(ColorAddressTest, FewerMergeFieldsThanPartsShowOnlyTheFieldsThere)
{
    const QString path = db->path();
    db.reset();
    // Only Date, Photo, Salutation, First Name and Middle Name stay merge fields.
    dbtest::sqliteCli(path, QStringLiteral("UPDATE fields SET flags=0 WHERE pk > 5;"));
    db = Database::openDatabaseAtPath(path);
    ASSERT_TRUE(db);
    ASSERT_EQ(MergeContents::fieldTitlesAndTagsOriginal().size(), 5);
    auto address = block();
    EXPECT_EQ(address->lineTexts(), QStringList{"Salutation First Name"});
    canvas.preview = true;
    setRecord(Ann);
    address->updateContents(nullptr);
    EXPECT_EQ(address->lineTexts(), QStringList{"Dr. Ann"});
    // The Zip field is no merge field but still gives the bars.
    EXPECT_EQ(address->barDigits(), QByteArray("62701-1234"));

    QuickAddressPanel panel;
    panel.setQAddress(TQuickAddress());
    EXPECT_FALSE(panel.checkBox(104)->isHidden());
    EXPECT_TRUE(panel.checkBox(105)->isHidden());
    EXPECT_TRUE(panel.checkBox(115)->isHidden());

    // Without any database: the sample bars alone.
    db.reset();
    canvas.preview = false;
    address->updateContents(nullptr);
    EXPECT_TRUE(address->lineTexts().isEmpty());
    EXPECT_GT(address->frameBounds().width(), 50.0);
}

TEST_F(ColorAddressTest, DialogEditsACopyOfTheRecord)
{
    // The user's own title of a field names its box.
    db->setAttributeForKey(QStringLiteral("Company"), QStringLiteral("Firm"));
    QuickAddressPanel panel;
    panel.setQAddress(TQuickAddress());
    EXPECT_EQ(panel.checkBox(106)->text(), QStringLiteral("Firm"));
    EXPECT_EQ(panel.checkBox(103)->text(), QStringLiteral("First Name"));
    EXPECT_TRUE(panel.checkBox(200)->isChecked());
    EXPECT_FALSE(panel.checkBox(104)->isChecked());
    // A part's new-line box is only there while the part is shown.
    EXPECT_FALSE(panel.checkBox(114)->isEnabled());
    EXPECT_TRUE(panel.checkBox(116)->isEnabled());
    EXPECT_TRUE(panel.checkBox(116)->isChecked());

    panel.checkBox(104)->click();
    EXPECT_TRUE(panel.qAddress().quickAddressItem(4));
    EXPECT_TRUE(panel.checkBox(114)->isEnabled());
    panel.checkBox(106)->click();
    EXPECT_FALSE(panel.qAddress().quickAddressItem(6));
    EXPECT_FALSE(panel.checkBox(116)->isEnabled());
    panel.checkBox(200)->click();
    EXPECT_FALSE(panel.qAddress().barFlag());
    EXPECT_EQ(panel.preview()->qa(), panel.qAddress());
    panel.checkBox(101)->click();
    EXPECT_FALSE(panel.qAddress().quickAddressItem(1));

    // The preview draws the bars only while they are on.
    auto topInk = [&panel](const TQuickAddress &qa) {
        panel.setQAddress(qa);
        QImage image(360, 170, QImage::Format_RGB32);
        QPainter painter(&image);
        panel.preview()->drawPreview(&painter, QRectF(0, 0, 360, 170));
        painter.end();
        for (int y = 5; y < 170; ++y)
            for (int x = 10; x < 350; ++x)
                if (QColor(image.pixel(x, y)).blue() > 150 && QColor(image.pixel(x, y)).red() < 120)
                    return y;
        return -1;
    };
    TQuickAddress withBars;
    TQuickAddress without;
    without.setBarFlag(false);
    EXPECT_EQ(topInk(withBars), 10);
    EXPECT_GT(topInk(without), 10);
}

TEST_F(ColorAddressTest, EachLineOfAPartIsALineOfTheBlockAndTheBlockGrows)
{
    auto address = block();
    canvas.preview = true;
    address->updateContents(nullptr);
    const qreal oneLine = address->frameBounds().height();
    setRecord({{"Address", "2 Side Rd\nFlat 2"}});
    address->updateContents(nullptr);
    EXPECT_EQ(address->lineTexts(), (QStringList{"Dr. Ann Lee", "Acme Chief", "2 Side Rd", "Flat 2", "Springfield IL 62701-1234", "USA"}));
    const QFontMetricsF metrics = TextFlow::fontMetrics(qmtest::testFont(9));
    EXPECT_NEAR(address->frameBounds().height() - oneLine, metrics.ascent() + metrics.descent() + metrics.leading(), 0.01);
    // A Windows line end is one break too.
    setRecord({{"Address", "2 Side Rd\r\nFlat 2"}});
    address->updateContents(nullptr);
    EXPECT_EQ(address->lineTexts().mid(2, 2), (QStringList{"2 Side Rd", "Flat 2"}));
}

// Blocks that look alike share their laid out lines and their stored switches: each block
// still shows, measures and stores what is its own after the titles, the language, one block's
// font, its switches or its place change, and after Undo; what is stored is read back by an
// independent reader.
TEST_F(ColorAddressTest, AlikeBlocksShareTheirLinesYetEachShowsAndStoresItsOwn)
{
    auto first = block();
    auto second = block();
    second->moveBy(QPointF(40.5, 70.25));
    auto sameLinesMoved = [](const ColorAddress &a, const ColorAddress &b) {
        const ColorAddress::Lines la = a.currentLines();
        const ColorAddress::Lines lb = b.currentLines();
        const QPointF by = b.frameBounds().topLeft() - a.frameBounds().topLeft();
        if (la.parts.size() != lb.parts.size() || la.frame.size() != lb.frame.size()
            || lb.frame.topLeft() != b.frameBounds().topLeft())
            return false;
        for (qsizetype i = 0; i < la.parts.size(); ++i)
            if (la.parts[i].text != lb.parts[i].text || lb.parts[i].topLeft != la.parts[i].topLeft + by)
                return false;
        return true;
    };
    EXPECT_TRUE(sameLinesMoved(*first, *second));
    const QImage before = render(*first);

    // The user's own title shows on every block at the next drawing.
    db->setAttributeForKey(QStringLiteral("First_Name"), QStringLiteral("Given Name Here"));
    first->updateContents(nullptr);
    second->updateContents(nullptr);
    for (const auto &shown : {first, second})
        EXPECT_EQ(shown->lineTexts().value(0), QStringLiteral("Salutation Given Name Here Last Name"));
    EXPECT_TRUE(sameLinesMoved(*first, *second));
    EXPECT_FALSE(render(*first) == before);
    const QSizeF titled = first->frameBounds().size();

    // The language: the titles translated.
    Language::reset(qmtest::resourcesDir(), QStringLiteral("de"));
    const QString german = Language::stringForKey(QStringLiteral("Company"));
    first->updateContents(nullptr);
    EXPECT_EQ(first->lineTexts().value(1).section(QLatin1Char(' '), 0, 0),
              german.isEmpty() ? QStringLiteral("Company") : german.section(QLatin1Char(' '), 0, 0));
    Language::reset();
    first->updateContents(nullptr);
    EXPECT_EQ(first->frameBounds().size(), titled);

    // One block's font: only its own lines and frame change, and Undo brings back the shared.
    second->setTextSize(qmtest::testFont(14));
    EXPECT_GT(second->frameBounds().width(), titled.width());
    EXPECT_EQ(first->frameBounds().size(), titled);
    EXPECT_FALSE(render(*first) == render(*second));
    canvas.undo.undo();
    EXPECT_TRUE(sameLinesMoved(*first, *second));

    // Switches written one block after another, alike and not: each stores its own.
    TQuickAddress fewer = TQuickAddress::allOff();
    fewer.setQuickAddressItem(3, true);
    second->setQa(fewer);
    EXPECT_EQ(second->lineTexts(), QStringList{"Given Name Here"});
    EXPECT_EQ(first->lineTexts().size(), 5);
    for (int round = 0; round < 2; ++round) {
        for (const auto &stored : {first, second, first, second}) {
            const QByteArray data = stored->propertyListRepresentation().value("TQuickAddressKey").toByteArray();
            const QVariantMap read = qmtest::readWithPlistutil(data, QStringLiteral("address-switches")).toMap();
            EXPECT_EQ(read.value("_quickAddressItem2").toBool(), stored->qa().quickAddressItem(2));
            EXPECT_EQ(read.value("_quickAddressItem3").toBool(), true);
            EXPECT_EQ(read.value("_quickAddressItem5").toBool(), stored->qa().quickAddressItem(5));
            EXPECT_EQ(read.value("barFlag").toBool(), stored->qa().barFlag());
            EXPECT_EQ(TQuickAddress::unarchive(data), stored->qa());
        }
    }
}

// On the screen a block is copied from a picture of its bars and lines kept for blocks alike:
// the picture shows what the block draws itself, at the zoom, and a change of the record,
// the font or the colour shows at once.
TEST_F(ColorAddressTest, TheScreensPictureShowsWhatTheBlockDraws)
{
    auto address = block();
    address->setFrameBounds(QRectF(QPointF(10.3, 20.6), address->frameBounds().size()));
    auto paint = [&](bool screen) { return qmtest::drawnAtZoom(*address, screen, QSize(700, 400)); };
    // Every dark pixel of one lies within a pixel of a dark pixel of the other.
    const auto within = qmtest::darkWithinAPixelOf;
    auto same = [&](const char *after) {
        const QImage exact = paint(false);
        const QImage screen = paint(true);
        EXPECT_TRUE(within(exact, screen)) << after;
        EXPECT_TRUE(within(screen, exact)) << after;
        return screen;
    };
    const QImage design = same("design");
    // Copied on whole pixels, not drawn as it stands.
    EXPECT_FALSE(design == paint(false));
    canvas.preview = true;
    address->updateContents(nullptr);
    const QImage values = same("record values");
    EXPECT_FALSE(values == design);
    setRecord({{"Last_Name", "Leeward-Smythe"}, {"Zip", "12345"}});
    address->updateContents(nullptr);
    EXPECT_FALSE(same("another record") == values);
    address->setTextSize(qmtest::testFont(12));
    same("font");
    address->setStrokeColor(QColor(200, 30, 30));
    const QImage red = same("colour");
    EXPECT_EQ(qRed(red.pixel(0, 0)), 255);
    address->moveBy(QPointF(33.25, 12.5));
    same("moved");
    // Turned and mirrored, as every block of a selection turned or flipped at once.
    address->setStrokeColor(Qt::black);
    address->setAngle(30.0f, false);
    const QImage turned = same("turned");
    address->setFlipHor(true);
    EXPECT_FALSE(same("turned and mirrored") == turned);
    address->setAngle(0.0f, false);
    same("mirrored");
}

// The pictures of address blocks and merge fields kept for the screen share one budget: at it
// and past it the screen shows what the exact drawing shows; past it, the pictures a repaint
// drew stay kept and the texts beyond them are drawn directly, at this repaint and the next.
TEST_F(ColorAddressTest, KeptTextPicturesStayWithinTheirBudgetAndShowTheExactDrawing)
{
    std::vector<std::shared_ptr<ColorRect>> objects;
    for (int i = 0; i < 6; ++i) {
        auto address = block();
        address->setTextSize(qmtest::testFont(7 + i));
        address->setFrameBounds(QRectF(QPointF(5.3 + 70.0 * (i % 3), 8.6 + 80.0 * (i / 3)), address->frameBounds().size()));
        objects.push_back(address);
        auto field = ColorField::create(QRectF(12.7 + 70.0 * (i % 3), 160.2 + 20.0 * (i / 3), 12, 6));
        field->setMainView(&canvas);
        field->setFieldPk(4 + i % 4);
        field->setTextSize(qmtest::testFont(8 + i));
        objects.push_back(field);
    }
    canvas.undo.removeAllActions();
    std::vector<ColorRect *> drawnInTurn;
    for (const auto &object : objects)
        drawnInTurn.push_back(object.get());
    auto paint = [&](bool screen) { return qmtest::drawnAtZoom(drawnInTurn, screen, QSize(400, 330)); };
    // Every dark pixel of one lies within a pixel of a dark pixel of the other.
    const auto within = qmtest::darkWithinAPixelOf;
    KeptTextPictures::forget();
    const QImage exact = paint(false);
    const QImage screen = paint(true);
    EXPECT_TRUE(within(exact, screen));
    EXPECT_TRUE(within(screen, exact));
    EXPECT_FALSE(screen == exact) << "copied from pictures, not drawn";
    const qint64 all = KeptTextPictures::bytes();
    const qint64 allPictures = KeptTextPictures::count();
    EXPECT_GE(allPictures, 8);

    for (const qint64 budget : {all, all / 3}) {
        SCOPED_TRACE(budget);
        KeptTextPictures::setBudget(budget);
        const QImage first = paint(true);
        EXPECT_TRUE(within(exact, first));
        EXPECT_TRUE(within(first, exact));
        const qint64 kept = KeptTextPictures::bytes();
        const qint64 pictures = KeptTextPictures::count();
        EXPECT_GT(kept, 0);
        EXPECT_LE(kept, budget);
        // The next repaints, the event loop turned between them, keep what the first kept.
        for (int repaint = 0; repaint < 2; ++repaint) {
            QCoreApplication::processEvents();
            EXPECT_TRUE(paint(true) == first);
            EXPECT_EQ(KeptTextPictures::bytes(), kept);
            EXPECT_EQ(KeptTextPictures::count(), pictures);
        }
        EXPECT_EQ(pictures < allPictures, budget < all);
    }
    KeptTextPictures::setBudget(KeptTextPictures::DefaultBudget);
}
