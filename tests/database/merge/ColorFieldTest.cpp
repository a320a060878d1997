// Merge fields: what they hold and show in design mode, database preview and printing, how
// they follow the record, measure and draw themselves, and their stored form.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <array>
#include <optional>

#include "common/DrawnAtZoom.h"
#include "common/PlistutilReader.h"
#include "common/TestSupport.h"
#include "canvas/ObjectForms.h"
#include "database/DatabaseTestSupport.h"
#include "database/merge/ColorField.h"
#include "database/store/Database.h"
#include "database/store/Utils.h"
#include "foundation/Language.h"
#include "database/merge/GroupField.h"
#include "database/merge/MergeFieldTool.h"
#include "database/merge/MergeKinds.h"
#include "objects/FakeCanvas.h"
#include "objects/MergeSource.h"
#include "objects/ObjectFactory.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

constexpr int DatePk = 1;
constexpr int PhotoPk = 2;
constexpr int FirstNamePk = 4;
constexpr int CompanyPk = 7;

class MergeCanvas : public qmtest::FakeCanvas
{
public:
    bool preview = false;
    bool databasePreview() const override { return preview; }
};

class ColorFieldTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerMergeKinds();
        db = dbtest::freshDatabase();
        ASSERT_TRUE(db);
        for (const char *key : {"addFullNameSalutation", "addFullNameMiddleName", "showTime", "profileDateFormat"})
            UserDefaults::standard().removeObject(key);
    }
    void TearDown() override
    {
        for (const char *key : {"addFullNameSalutation", "addFullNameMiddleName"})
            UserDefaults::standard().removeObject(key);
    }

    std::shared_ptr<ColorField> contentsField(int pk)
    {
        auto field = ColorField::create(QRectF(20, 20, 12, 6));
        field->setMainView(&canvas);
        field->setFieldPk(pk);
        canvas.undo.removeAllActions();
        return field;
    }

    // The bounding box of the pixels that are not white.
    static QRect inkBounds(const QImage &image)
    {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255))
                    box |= QRect(x, y, 1, 1);
        return box;
    }

    static QImage render(ColorField &field, int width = 240, int height = 120)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        field.drawFrame(&painter, QRectF(), false);
        painter.end();
        return image;
    }

    // The field drawn at 155 % as the canvas draws it (from the picture kept for its text)
    // beside the same drawing made exactly: every dark pixel of one lies within a pixel of a
    // dark pixel of the other, and the screen's is copied from the picture, not drawn anew.
    static void drawsOnScreenAsExactly(ColorField &field, const char *after)
    {
        auto paint = [&](bool screen) { return qmtest::drawnAtZoom(field, screen, QSize(600, 300)); };
        const auto within = qmtest::darkWithinAPixelOf;
        const QImage exact = paint(false);
        const QImage screen = paint(true);
        EXPECT_TRUE(within(exact, screen)) << after;
        EXPECT_TRUE(within(screen, exact)) << after;
        const QRect a = inkBounds(exact);
        const QRect b = inkBounds(screen);
        EXPECT_LE((a.topLeft() - b.topLeft()).manhattanLength(), 2) << after;
        EXPECT_LE((a.bottomRight() - b.bottomRight()).manhattanLength(), 2) << after;
        EXPECT_TRUE(paint(true) == screen) << after;
    }

    static QByteArray pngOfSize(int width, int height, QColor color)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(color);
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return data;
    }

    MergeCanvas canvas;
    std::unique_ptr<Database> db;
};

} // namespace

TEST_F(ColorFieldTest, TheFactoryMakesMergeFields)
{
    auto object = ObjectFactory::create(QStringLiteral("ColorField"));
    ASSERT_TRUE(object);
    EXPECT_EQ(object->className(), "ColorField");
    auto field = std::dynamic_pointer_cast<ColorField>(object);
    ASSERT_TRUE(field);
    EXPECT_FALSE(field->drawsFill());
    EXPECT_FALSE(field->drawsStroke());
    EXPECT_TRUE(field->fixRatio());
    EXPECT_EQ(field->fieldProfile(), 1);
    EXPECT_FALSE(field->isTitle());
    EXPECT_FALSE(field->isSelected());
    ASSERT_TRUE(field->fieldAttributes().font);
    EXPECT_EQ(field->fieldAttributes().font->pointSizeF(), 12.0);
    EXPECT_EQ(field->fieldAttributes().color, QColor(Qt::black));
}

TEST_F(ColorFieldTest, DesignModeShowsTheTitleInBrackets)
{
    MergeFieldPair pair = createDBField(&canvas, QPointF(100, 50), FirstNamePk);
    EXPECT_FALSE(canvas.undo.canUndo());
    EXPECT_EQ(pair.title->text(), "First Name:");
    EXPECT_TRUE(pair.title->isTitle());
    EXPECT_TRUE(pair.title->isSelected());
    EXPECT_TRUE(pair.contents->isSelected());
    // The contents starts at the point; the title, hidden, lies left of it.
    EXPECT_DOUBLE_EQ(pair.contents->frameBounds().x(), 100.0);
    EXPECT_LT(pair.title->frameBounds().x(), 100.0);
    EXPECT_TRUE(pair.title->isHidden());
    EXPECT_FALSE(pair.group->showTitle());

    const QRectF frame = pair.contents->frameBounds();
    QImage image = render(*pair.contents);
    const QRect ink = inkBounds(image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(frame.adjusted(-1, -1, 1, 1).contains(QRectF(ink))) << ink.x() << " " << ink.width();
    // Centred in the frame, with the line-fragment padding on both sides.
    EXPECT_NEAR(ink.center().x(), frame.center().x(), 2.0);
    EXPECT_NEAR(ink.left() - frame.left(), 5.5, 2.0);

    // A user title for the column takes the place of the field's own title.
    const double wide = frame.width();
    db->setAttributeForKey(QStringLiteral("First_Name"), QStringLiteral("Given"));
    EXPECT_EQ(ColorField::titleText(FirstNamePk), "Given");
    pair.contents->updateContents(nullptr);
    EXPECT_LT(pair.contents->frameBounds().width(), wide);
    pair.title->updateContents(nullptr);
    EXPECT_EQ(pair.title->text(), "Given:");
}

// The titles are kept between paints, and the screen copies a picture kept for each text;
// whatever they come from changing shows at the next, as the exact drawing shows it.
TEST_F(ColorFieldTest, KeptTitlesFollowEveryChangeOfWhatTheyComeFrom)
{
    auto field = contentsField(FirstNamePk);
    field->setSelected(true);
    field->moveBy(QPointF(10.3, 7.7));
    auto shown = [&] {
        const QString text = field->shownLayout().text();
        drawsOnScreenAsExactly(*field, qPrintable(text));
        return text;
    };
    EXPECT_EQ(shown(), "[First Name]");
    EXPECT_EQ(shown(), "[First Name]");
    // Another field of the same text at another place shares the picture.
    auto twin = contentsField(FirstNamePk);
    twin->moveBy(QPointF(55.45, 31.1));
    drawsOnScreenAsExactly(*twin, "another place");

    // The look: size, colour and Undo of each.
    field->setTextSize(qmtest::testFont(20));
    canvas.undo.closeEventGroup();
    EXPECT_EQ(shown(), "[First Name]");
    field->setTextColor(Qt::blue);
    EXPECT_EQ(shown(), "[First Name]");
    canvas.undo.closeEventGroup();
    canvas.undo.undo();
    EXPECT_EQ(shown(), "[First Name]");
    canvas.undo.undo();
    EXPECT_EQ(shown(), "[First Name]");
    EXPECT_EQ(field->fieldAttributes().font->pointSizeF(), 12.0);

    // The record's value in database preview.
    canvas.preview = true;
    db->fieldValues().insert("First_Name", "Ann");
    field->updateContents(nullptr);
    EXPECT_EQ(shown(), "Ann");
    canvas.preview = false;
    field->updateContents(nullptr);
    EXPECT_EQ(shown(), "[First Name]");
    // Turned and mirrored.
    field->setAngle(30.0f, false);
    EXPECT_EQ(shown(), "[First Name]");
    field->setFlipHor(true);
    EXPECT_EQ(shown(), "[First Name]");
    field->setAngle(0.0f, false);
    field->setFlipHor(false);

    // The user's title written through another instance of the same file.
    {
        Database other(db->path());
        other.setAttributeForKey(QStringLiteral("First_Name"), QStringLiteral("Vorname"));
    }
    Database::setCurrentDatabase(db.get());
    EXPECT_EQ(shown(), "[Vorname]");
    db->setAttributeForKey(QStringLiteral("First_Name"), QStringLiteral(""));
    EXPECT_EQ(shown(), "[]");
    db->setAttributeForKey(QStringLiteral("First_Name"), QStringLiteral("Given"));
    EXPECT_EQ(shown(), "[Given]");

    // Another database made current shows its own titles, and the first its own again.
    std::unique_ptr<Database> second = dbtest::freshDatabase();
    ASSERT_TRUE(second);
    EXPECT_EQ(shown(), "[First Name]");
    Database::setCurrentDatabase(db.get());
    EXPECT_EQ(shown(), "[Given]");
    second.reset();
    Database::setCurrentDatabase(db.get());

    // The language: the field's own title is shown translated.
    Language::reset(qmtest::resourcesDir(), QStringLiteral("de"));
    const QString german = Language::stringForKey(QStringLiteral("Company"));
    auto company = contentsField(CompanyPk);
    EXPECT_EQ(company->shownLayout().text(), QStringLiteral("[%1]").arg(german.isEmpty() ? QStringLiteral("Company") : german));
    Language::reset();
    EXPECT_EQ(company->shownLayout().text(), "[Company]");
}

// Dates of every record are written through formatters kept per pattern: one pattern's
// formatter never writes another's, and the styles of the preferences are followed.
TEST_F(ColorFieldTest, KeptDateFormattersFollowThePatternAskedFor)
{
    const QString stored = QStringLiteral("2024-03-05 14:30:00 +0000");
    const QString iso = QStringLiteral("yyyy-MM-dd");
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Utils::convertFormat(stored, Utils::databaseFormat(), iso), "2024-03-05");
        EXPECT_EQ(Utils::convertFormat(stored, Utils::databaseFormat(), QStringLiteral("d MMMM")), "5 March");
        EXPECT_TRUE(Utils::convertFormat(QStringLiteral("not a date"), Utils::databaseFormat(), iso).isNull());
        EXPECT_EQ(Utils::convertFormat(QStringLiteral("1999-12-31"), iso, iso), "1999-12-31");
    }
    UserDefaults::standard().setInteger(1, QStringLiteral("profileDateFormat"));
    const QString shortPattern = Utils::dateFormat();
    UserDefaults::standard().setInteger(3, QStringLiteral("profileDateFormat"));
    const QString longPattern = Utils::dateFormat();
    EXPECT_NE(shortPattern, longPattern);
    EXPECT_EQ(Utils::convertFormat(stored, Utils::databaseFormat(), longPattern), "March 5, 2024");
    UserDefaults::standard().setInteger(1, QStringLiteral("profileDateFormat"));
    EXPECT_EQ(Utils::dateFormat(), shortPattern);
    EXPECT_EQ(Utils::convertFormat(stored, Utils::databaseFormat(), shortPattern), "3/5/24");
}

TEST_F(ColorFieldTest, NoDatabaseGivesEmptyBracketsAndAColon)
{
    db.reset();
    auto title = ColorField::create(QRectF(0, 0, 12, 6));
    title->setIsTitle(true);
    title->setFieldPk(CompanyPk);
    EXPECT_EQ(title->text(), ":");
    EXPECT_EQ(ColorField::titleText(CompanyPk), "");
    EXPECT_EQ(ColorField::titleText(100), "Full Name");
}

TEST_F(ColorFieldTest, TheMergeSourceNamesTheFieldsOfTheCurrentDatabase)
{
    // Objects below the database (barcodes) learn a field's title only through the source.
    EXPECT_EQ(MergeSource::titleAtPk(FirstNamePk), "First Name");
    EXPECT_EQ(MergeSource::titleAtPk(100), "Full Name");
    EXPECT_EQ(MergeSource::titleAtPk(101), "City, State, Zip");
    EXPECT_EQ(MergeSource::titleAtPk(77), "");
    db.reset();
    EXPECT_EQ(MergeSource::titleAtPk(FirstNamePk), "");
}

TEST_F(ColorFieldTest, CompositeAndPlainValuesInPreview)
{
    canvas.preview = true;
    UserDefaults::standard().setBool(true, "addFullNameSalutation");
    UserDefaults::standard().setBool(true, "addFullNameMiddleName");
    const QVariantMap values = {{"Salutation", "Dr."}, {"First_Name", "Ann"}, {"Middle_Name", "B."},
                                {"Last_Name", "Lee"}, {"City", "Springfield"}, {"State", ""},
                                {"Zip", "12345"}, {"Company", "Acme"}};
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        db->fieldValues().insert(it.key(), it.value());

    EXPECT_EQ(contentsField(100)->text(), "Dr. Ann B. Lee");
    EXPECT_EQ(contentsField(101)->text(), "Springfield 12345");
    EXPECT_EQ(contentsField(CompanyPk)->text(), "Acme");
    EXPECT_EQ(contentsField(0)->text(), "");
}

TEST_F(ColorFieldTest, DatesInTheUserStyle)
{
    canvas.preview = true;
    db->fieldValues().insert("Date", "2024-03-05 14:30:00 +0000");
    auto field = contentsField(DatePk);
    EXPECT_EQ(field->text(), "3/5/24");
    // The print loop reaches the same value without the notification.
    db->fieldValues().insert("Date", "2023-12-24 08:00:00 +0000");
    field->updateABRecord();
    EXPECT_EQ(field->text(), "12/24/23");
}

TEST_F(ColorFieldTest, RecordChangedNotificationReReadsTheValue)
{
    canvas.preview = true;
    db->fieldValues().insert("First_Name", "Alexandra");
    auto field = contentsField(FirstNamePk);
    EXPECT_EQ(field->text(), "Alexandra");
    const QRectF before = field->frameBounds();

    struct Case
    {
        int alignment;
        const char *edge;
    };
    for (const Case &c : {Case{0, "left"}, Case{1, "right"}, Case{2, "centre"}}) {
        SCOPED_TRACE(c.edge);
        field->setAlign(c.alignment);
        db->fieldValues().insert("First_Name", "Alexandra");
        NotificationCenter::defaultCenter().post("RecordChangedNotification");
        field->setFrameBounds(before);
        db->fieldValues().insert("First_Name", "Bob");
        NotificationCenter::defaultCenter().post("RecordChangedNotification");
        EXPECT_EQ(field->text(), "Bob");
        const QRectF after = field->frameBounds();
        EXPECT_LT(after.width(), before.width());
        if (c.alignment == 0)
            EXPECT_DOUBLE_EQ(after.left(), before.left());
        else if (c.alignment == 1)
            EXPECT_NEAR(after.right(), before.right(), 1e-9);
        else
            EXPECT_NEAR(after.center().x(), before.center().x(), 1e-9);
    }

    // Leaving preview shows the bracketed title again at the next announcement.
    canvas.preview = false;
    NotificationCenter::defaultCenter().post("RecordChangedNotification");
    EXPECT_GT(field->frameBounds().width(), before.width());
}

TEST_F(ColorFieldTest, EmptyNumberAndMissingValues)
{
    canvas.preview = true;
    db->fieldValues().insert("Company", "Acme");
    auto field = contentsField(CompanyPk);
    ASSERT_EQ(field->text(), "Acme");
    field->updateContentsWithObject(QString());
    EXPECT_EQ(field->text(), "");
    field->updateContentsWithObject(QStringLiteral("Acme"));
    // Numbers are shown as their text; a record without a value shows nothing.
    field->updateContentsWithObject(qint64(42));
    EXPECT_EQ(field->text(), "42");
    field->updateContentsWithObject(QVariant());
    EXPECT_EQ(field->text(), "");
    field->updateContentsWithObject(QStringLiteral("Acme"));
    field->updateContentsWithObject(QByteArray("data"));
    EXPECT_EQ(field->text(), "Acme");
}

TEST_F(ColorFieldTest, ChangingTheFieldIsOneUndoStep)
{
    canvas.preview = true;
    db->fieldValues().insert("First_Name", "Ann");
    db->fieldValues().insert("Company", "Acme");
    auto field = contentsField(FirstNamePk);
    ASSERT_EQ(field->text(), "Ann");
    field->setFieldPk(CompanyPk);
    canvas.undo.closeEventGroup();
    EXPECT_EQ(field->text(), "Acme");
    EXPECT_EQ(canvas.undo.undoActionName(), "Change Field Type");
    canvas.undo.undo();
    EXPECT_EQ(field->fieldPk(), FirstNamePk);
    EXPECT_EQ(field->text(), "Ann");
    canvas.undo.redo();
    EXPECT_EQ(field->fieldPk(), CompanyPk);
    EXPECT_EQ(field->text(), "Acme");
}

TEST_F(ColorFieldTest, PreviewDrawsTheValueInTheFieldColour)
{
    canvas.preview = true;
    db->fieldValues().insert("First_Name", "Ann");
    auto field = contentsField(FirstNamePk);
    field->setSelected(true);
    field->setTextColor(Qt::red);
    const QImage image = render(*field);
    const QRect ink = inkBounds(image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(field->frameBounds().adjusted(-1, -1, 1, 1).contains(QRectF(ink)));
    // The glyphs start after the padding at the frame's origin.
    EXPECT_GE(ink.left(), int(field->frameBounds().left() + 5));
    bool red = false;
    for (int y = ink.top(); y <= ink.bottom(); ++y)
        for (int x = ink.left(); x <= ink.right(); ++x)
            red = red || (qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 80);
    EXPECT_TRUE(red);
    // A hidden field draws nothing.
    field->setHidden(true);
    EXPECT_TRUE(inkBounds(render(*field)).isEmpty());
}

TEST_F(ColorFieldTest, TextColourAlignmentAndSizeUndo)
{
    auto field = contentsField(FirstNamePk);
    EXPECT_EQ(field->textAlign(), -1);
    EXPECT_FALSE(field->textColor());
    field->setSelected(true);
    field->setTextAlign(4);
    EXPECT_EQ(field->align(), 0);
    field->setTextAlign(1);
    canvas.undo.closeEventGroup();
    EXPECT_EQ(canvas.undo.undoActionName(), "Undo Text Align");
    canvas.undo.undo();
    EXPECT_EQ(field->align(), 0);

    const double width = field->frameBounds().width();
    field->setTextSize(qmtest::testFont(24));
    canvas.undo.closeEventGroup();
    EXPECT_EQ(canvas.undo.undoActionName(), "Undo Text Size");
    EXPECT_GT(field->frameBounds().width(), width * 1.5);
    canvas.undo.undo();
    EXPECT_EQ(field->fieldAttributes().font->pointSizeF(), 12.0);

    // An unselected member ignores style edits.
    field->setSelected(false);
    field->setFillColor(Qt::green);
    field->setTextSize(qmtest::testFont(30));
    EXPECT_NE(field->fillColor(), QColor(Qt::green));
    EXPECT_EQ(field->fieldAttributes().font->pointSizeF(), 12.0);
}

TEST_F(ColorFieldTest, OutlineLiesInsideTheFrame)
{
    auto field = contentsField(FirstNamePk);
    field->setSelected(true);
    field->setFrameBounds(QRectF(10, 10, 100, 20));
    field->setDrawsStroke(true);
    field->setStrokeLineWidth(2);
    EXPECT_EQ(field->bezierPath().bounds(), QRectF(15, 11, 90, 18));
    field->setDrawsStroke(false);
    EXPECT_EQ(field->bezierPath().bounds(), QRectF(14, 10, 92, 20));
    EXPECT_EQ(field->inset(), 4.0f);
}

TEST_F(ColorFieldTest, PictureFields)
{
    auto field = contentsField(PhotoPk);
    EXPECT_TRUE(field->drawsImage());
    EXPECT_TRUE(field->isResizable());
    EXPECT_EQ(field->inset(), 0.0f);
    EXPECT_EQ(field->frameBounds().size(), QSizeF(50, 50));
    field->setFrameBounds(QRectF(20, 20, 80, 30));
    field->updateContents(nullptr);
    EXPECT_EQ(field->frameBounds().size(), QSizeF(80, 80));

    // Design mode: the bracketed title 15 points below the top, in the stroke colour.
    field->setSelected(true);
    field->setStrokeColor(Qt::blue);
    QImage image = render(*field, 200, 200);
    QRect ink = inkBounds(image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.top(), 35);
    EXPECT_LT(ink.top(), 45);

    // A portrait photo fills the height and is centred across.
    canvas.preview = true;
    db->fieldValues().insert("Photo", pngOfSize(40, 80, Qt::darkGreen));
    field->updateContents(nullptr);
    ASSERT_TRUE(field->hasValidImage());
    ink = inkBounds(render(*field, 200, 200));
    EXPECT_NEAR(ink.top(), 20, 1);
    EXPECT_NEAR(ink.bottom(), 99, 1);
    EXPECT_NEAR(ink.left(), 40, 1);
    EXPECT_NEAR(ink.right(), 79, 1);
    // A landscape photo fills the width and is centred down.
    db->fieldValues().insert("Photo", pngOfSize(80, 40, Qt::darkGreen));
    field->updateContents(nullptr);
    ink = inkBounds(render(*field, 200, 200));
    EXPECT_NEAR(ink.left(), 20, 1);
    EXPECT_NEAR(ink.right(), 99, 1);
    EXPECT_NEAR(ink.top(), 40, 1);
    EXPECT_NEAR(ink.bottom(), 79, 1);
    // A record without a photo: the image goes, and "No Photo" shows in light grey.
    db->fieldValues().insert("Photo", QByteArray());
    field->updateContents(nullptr);
    EXPECT_FALSE(field->hasValidImage());
    image = render(*field, 200, 200);
    ink = inkBounds(image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GT(qGray(image.pixel(ink.center())), 150);
}

TEST_F(ColorFieldTest, ScalingWithTheLabel)
{
    canvas.preview = true;
    db->fieldValues().insert("Company", "Acme");
    auto field = contentsField(CompanyPk);
    field->setFrameBounds(QRectF(10, 20, field->frameBounds().width(), field->frameBounds().height()));
    const QSizeF size = field->frameBounds().size();
    field->scaleByX(1, 2);
    EXPECT_EQ(field->frameBounds(), QRectF(QPointF(10, 40), size));
    EXPECT_EQ(field->fieldAttributes().font->pointSizeF(), 12.0);
    field->scaleByX(2, 1);
    EXPECT_DOUBLE_EQ(field->frameBounds().x(), 20.0);
    EXPECT_DOUBLE_EQ(field->strokeLineWidth(), 2.0);
    EXPECT_DOUBLE_EQ(field->fieldAttributes().font->pointSizeF(), 24.0);
    EXPECT_GT(field->frameBounds().width(), size.width() * 1.5);
}

TEST_F(ColorFieldTest, StoredFormRoundTrip)
{
    auto field = contentsField(CompanyPk);
    field->setSelected(true);
    field->setIsTitle(true);
    field->setFieldProfile(3);
    field->setAlign(2);
    field->setFillColor(Qt::yellow);
    field->setDrawsFill(true);
    ColorField::Attributes attributes;
    attributes.font = qmtest::testFont(17);
    attributes.color = QColor(Qt::darkBlue);
    field->setFieldAttributes(attributes);

    const QVariantMap dict = field->propertyListRepresentation();
    EXPECT_EQ(dict.value("Class"), "ColorField");
    EXPECT_EQ(dict.value("FieldTypeKey"), "7");
    EXPECT_EQ(dict.value("FieldProfileKey"), "3");
    EXPECT_EQ(dict.value("FieldIsTitleKey"), "YES");
    EXPECT_EQ(dict.value("FieldAlignmentKey"), "2");

    // Through a binary property list, as a document stores it.
    const QVariant reread = PropertyList::fromData(PropertyList::toData(dict));
    auto loaded = std::dynamic_pointer_cast<ColorField>(
        ColorRect::graphicWithPropertyListRepresentation(reread.toMap()));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->fieldPk(), CompanyPk);
    EXPECT_EQ(loaded->fieldProfile(), 3);
    EXPECT_TRUE(loaded->isTitle());
    EXPECT_EQ(loaded->align(), 2);
    EXPECT_EQ(loaded->fieldAttributes().font->pointSizeF(), 17.0);
    EXPECT_EQ(loaded->fieldAttributes().font->family(), qmtest::testFont().family());
    EXPECT_EQ(loaded->fieldAttributes().color, QColor(Qt::darkBlue));
    // The loaded member is not the selected one, yet it keeps its stored style.
    EXPECT_FALSE(loaded->isSelected());
    EXPECT_TRUE(loaded->drawsFill());
    EXPECT_EQ(loaded->fillColor(), QColor(Qt::yellow));

    // Absent keys leave the defaults; alignment 4 reads as 0; damaged attributes are ignored.
    QVariantMap bare = dict;
    bare.remove("ColorFieldAttributes");
    bare.remove("FieldProfileKey");
    bare.insert("FieldAlignmentKey", "4");
    auto plain = std::dynamic_pointer_cast<ColorField>(ColorRect::graphicWithPropertyListRepresentation(bare));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->fieldProfile(), 1);
    EXPECT_EQ(plain->align(), 0);
    EXPECT_EQ(plain->fieldAttributes().font->pointSizeF(), 12.0);
    EXPECT_EQ(plain->fieldAttributes().color, QColor(Qt::black));
    bare.insert("ColorFieldAttributes", QByteArray("not an archive"));
    bare.insert("FieldTypeKey", QVariantList());
    plain = std::dynamic_pointer_cast<ColorField>(ColorRect::graphicWithPropertyListRepresentation(bare));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->fieldAttributes().font->pointSizeF(), 12.0);
    EXPECT_EQ(plain->fieldPk(), CompanyPk);
}

// Most fields of a design share their look, and what was written or read last is given again:
// fields written and read one after another, alike and not, each keep their own look, as an
// independent reader reads it.
TEST_F(ColorFieldTest, EachFieldStoresAndReadsItsOwnLook)
{
    QList<std::shared_ptr<ColorField>> fields;
    for (const auto &[size, color] : {std::pair{10.0, QColor(Qt::red)}, std::pair{10.0, QColor(Qt::red)},
                                      std::pair{14.0, QColor(Qt::blue)}, std::pair{10.0, QColor(Qt::blue)}}) {
        auto field = contentsField(CompanyPk);
        ColorField::Attributes attributes;
        attributes.font = qmtest::testFont(size);
        attributes.color = color;
        field->setFieldAttributes(attributes);
        fields.append(field);
    }
    for (int round = 0; round < 2; ++round) {
        for (const auto &field : fields) {
            const QVariantMap dict = field->propertyListRepresentation();
            const QByteArray stored = dict.value("ColorFieldAttributes").toByteArray();
            const QVariantMap read = qmtest::readWithPlistutil(stored, QStringLiteral("field-look")).toMap();
            const QVariantMap font =
                qmtest::readWithPlistutil(read.value("Font").toByteArray(), QStringLiteral("field-font")).toMap();
            EXPECT_DOUBLE_EQ(font.value("pointSize").toDouble(), field->fieldAttributes().font->pointSizeF());
            auto loaded = std::dynamic_pointer_cast<ColorField>(
                ColorRect::graphicWithPropertyListRepresentation(PropertyList::fromData(PropertyList::toData(dict)).toMap()));
            ASSERT_TRUE(loaded);
            EXPECT_EQ(loaded->fieldAttributes().font->pointSizeF(), field->fieldAttributes().font->pointSizeF());
            EXPECT_EQ(loaded->fieldAttributes().color, field->fieldAttributes().color);
        }
    }
}

// The forms of many fields are made on several threads while only the window's thread may ask
// the database what a field draws: the forms are those one thread makes, picture fields among
// them, and the answer taken for a form does not outlive it.
TEST_F(ColorFieldTest, FormsMadeOnManyThreadsAreThoseOneThreadMakes)
{
    QList<std::shared_ptr<ColorRect>> fields;
    for (int i = 0; i < 600; ++i) {
        auto field = contentsField(std::array{PhotoPk, CompanyPk, FirstNamePk, DatePk}[i % 4]);
        field->setIsTitle(i % 8 == 5);
        field->setFrameBounds(QRectF(i % 30 * 20, i / 30 * 20, 18, 18));
        fields.append(field);
    }
    auto formsOn = [&fields](int helpers) {
        ObjectForms::setHelperThreadsForTesting(helpers);
        QVariantList forms;
        ObjectForms(fields, &fields).deliver([&forms](QVariant &&form) { forms.append(std::move(form)); });
        ObjectForms::setHelperThreadsForTesting(-1);
        return forms;
    };
    const QVariantList oneThread = formsOn(0);
    const QVariantList several = formsOn(3);
    ASSERT_EQ(several.size(), fields.size());
    EXPECT_EQ(PropertyList::toData(QVariant(several)), PropertyList::toData(QVariant(oneThread)));
    EXPECT_EQ(several[0].toMap().value("DrawsImage"), "YES");
    EXPECT_EQ(several[0].toMap().value("IsResizable"), "YES");
    EXPECT_EQ(several[1].toMap().value("DrawsImage"), "NO");

    // A picture field bound to a text field afterwards draws text.
    auto *picture = static_cast<ColorField *>(fields[0].get());
    picture->setFieldPk(CompanyPk);
    EXPECT_FALSE(picture->drawsImage());
}
