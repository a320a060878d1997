// Merge fields inside text (chips): what they show in design mode, database preview and
// printing, the attributes they take where they are inserted, how they wrap inside a narrow
// object, how they follow record changes, and their stored form inside the object's text.
#include <gtest/gtest.h>

#include <functional>

#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include "database/DatabaseTestSupport.h"
#include "common/TestSupport.h"
#include "database/store/Database.h"
#include "database/store/MergeContents.h"
#include "database/merge/MergeKinds.h"
#include "database/merge/TextAttachmentCell.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/ObjectFactory.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextAttachmentHandler.h"
#include "objects/TextFlow.h"
#include "platform/NotificationCenter.h"

using namespace quillmark;

namespace {

constexpr int FirstNamePk = 4;
constexpr int CompanyPk = 7;
const QChar Object(TextAttachmentHandler::ObjectCharacter);

class ChipCanvas : public qmtest::FakeCanvas
{
public:
    bool preview = false;
    QList<int> toolsChosen;
    bool databasePreview() const override { return preview; }
    void setupCurrObjectTool(int tool) override { toolsChosen.append(tool); }
};

class ChipTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerObjectKinds();
        registerMergeKinds();
        db = dbtest::freshDatabase();
        ASSERT_TRUE(db);
        db->fieldValues().insert(QStringLiteral("First_Name"), QStringLiteral("Wilhelmina"));
        db->fieldValues().insert(QStringLiteral("Company"), QStringLiteral("Acme"));
    }
    void TearDown() override
    {
        ObjectTextEditor::end();
        Language::reset();
    }

    std::shared_ptr<ColorRect> textObject(const QString &text, const QRectF &frame = QRectF(10, 10, 300, 80))
    {
        auto object = ColorRect::create(frame);
        object->setMainView(&canvas);
        object->setDrawsFill(false);
        object->setContents(text);
        object->setTextSize(qmtest::testFont(12));
        canvas.undo.removeAllActions();
        return object;
    }
    // The chip format at a position of the object's text.
    static QTextCharFormat formatAt(const ColorRect &object, int position)
    {
        QTextCursor cursor(object.textStorage());
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        return cursor.charFormat();
    }
    static TextAttachmentCell cellAt(const ColorRect &object, int position, const ColorRect *view)
    {
        TextAttachmentCell cell(formatAt(object, position));
        cell.setView(view);
        return cell;
    }

    ChipCanvas canvas;
    std::unique_ptr<Database> db;
};

} // namespace

TEST_F(ChipTest, ANewChipHasTheUserFontOfTwelvePointsAndNoField)
{
    const TextAttachmentCell cell;
    EXPECT_EQ(cell.pk(), 0);
    EXPECT_EQ(cell.attr().font().pointSizeF(), 12.0);
    const QTextCharFormat format = cell.format();
    EXPECT_EQ(format.objectType(), TextAttachmentCell::ObjectType);
    EXPECT_EQ(TextAttachmentHandler::handlerFor(Object, format), TextAttachmentHandler::handler(TextAttachmentCell::ObjectType));
    TextAttachmentCell bound;
    bound.setPk(FirstNamePk);
    EXPECT_EQ(TextAttachmentCell(bound.format()).pk(), FirstNamePk);
}

TEST_F(ChipTest, ShowsTheTitleInBracketsWhileDesigningAndTheValueInPreviewAndPrint)
{
    auto object = textObject(QStringLiteral("x"));
    TextAttachmentCell cell;
    cell.setPk(FirstNamePk);
    // Outside any object it is designed.
    EXPECT_EQ(cell.title(), QStringLiteral("[First Name]"));
    cell.setView(object.get());
    EXPECT_EQ(cell.title(), QStringLiteral("[First Name]"));
    canvas.preview = true;
    EXPECT_EQ(cell.title(), QStringLiteral("Wilhelmina"));
    canvas.preview = false;
    canvas.printing = true;
    EXPECT_EQ(cell.title(), QStringLiteral("Wilhelmina"));
    canvas.printing = false;

    // The title is translated.
    Language::reset(qmtest::resourcesDir(), QStringLiteral("de"));
    EXPECT_EQ(cell.title(), QStringLiteral("[Vorname]"));
    Language::reset();

    // Without a current database: empty brackets, and nothing in preview.
    db.reset();
    EXPECT_EQ(cell.title(), QStringLiteral("[]"));
    canvas.preview = true;
    EXPECT_EQ(cell.title(), QString());
}

TEST_F(ChipTest, TakesTheAttributesWhereItIsInsertedAndDropsLinesThatTextHasNot)
{
    QTextCharFormat boldLined;
    boldLined.setFont(qmtest::testFont(18));
    boldLined.setFontWeight(QFont::Bold);
    boldLined.setFontUnderline(true);
    boldLined.setFontStrikeOut(true);
    TextAttachmentCell cell;
    cell.addAttributes(boldLined);
    EXPECT_EQ(cell.attr().fontWeight(), int(QFont::Bold));
    EXPECT_TRUE(cell.attr().fontUnderline());
    EXPECT_TRUE(cell.attr().fontStrikeOut());
    EXPECT_EQ(cell.attr().fontPointSize(), 18.0);

    // Plain attributes take the lines away and keep what they do not mention.
    QTextCharFormat plain;
    plain.setForeground(QColor(0, 128, 0));
    cell.addAttributes(plain);
    EXPECT_FALSE(cell.attr().fontUnderline());
    EXPECT_FALSE(cell.attr().hasProperty(QTextFormat::TextUnderlineStyle));
    EXPECT_FALSE(cell.attr().fontStrikeOut());
    EXPECT_EQ(cell.attr().fontWeight(), int(QFont::Bold));
    EXPECT_EQ(cell.attr().foreground().color(), QColor(0, 128, 0));
    // An object's kind and data never come in with attributes.
    cell.addAttributes(TextAttachmentCell().format());
    EXPECT_EQ(cell.attr().objectType(), int(QTextFormat::NoObject));
}

TEST_F(ChipTest, InsertedIntoEditedTextBeforeTheSelection)
{
    auto object = textObject(QStringLiteral("Dear friend,"));
    // "friend" is bold and underlined.
    QTextCursor style(object->textStorage());
    style.setPosition(5);
    style.setPosition(11, QTextCursor::KeepAnchor);
    QTextCharFormat boldLined;
    boldLined.setFontWeight(QFont::Bold);
    boldLined.setFontUnderline(true);
    style.mergeCharFormat(boldLined);

    ObjectTextEditor *editor = ObjectTextEditor::begin(object);
    editor->setSelection(11, 5);
    ASSERT_TRUE(object->insertTextField(FirstNamePk));
    EXPECT_EQ(object->textStorage()->toPlainText(), QStringLiteral("Dear ") + Object + QStringLiteral("friend,"));
    // The selection is kept, as it was made, behind the chip.
    EXPECT_EQ(editor->cursor().anchor(), 12);
    EXPECT_EQ(editor->cursor().position(), 6);
    const TextAttachmentCell bold = cellAt(*object, 5, object.get());
    EXPECT_EQ(bold.pk(), FirstNamePk);
    EXPECT_EQ(bold.attr().fontWeight(), int(QFont::Bold));
    EXPECT_TRUE(bold.attr().fontUnderline());

    // Into the plain "Dear": no underline.
    editor->setSelection(0, 0);
    ASSERT_TRUE(object->insertTextField(CompanyPk));
    const TextAttachmentCell plain = cellAt(*object, 0, object.get());
    EXPECT_EQ(plain.pk(), CompanyPk);
    EXPECT_FALSE(plain.attr().fontUnderline());
    EXPECT_FALSE(plain.attr().fontStrikeOut());
    EXPECT_NE(plain.attr().fontWeight(), int(QFont::Bold));

    // Into an empty text: the user font of size 12.
    auto empty = textObject(QString());
    ObjectTextEditor::begin(empty);
    ASSERT_TRUE(empty->insertTextField(FirstNamePk));
    EXPECT_EQ(cellAt(*empty, 0, empty.get()).attr().font().pointSizeF(), 12.0);
}

TEST_F(ChipTest, AsWideAsItsTextAndOnTheBaselineOfItsLine)
{
    auto object = textObject(QStringLiteral("Hello "));
    ObjectTextEditor::begin(object);
    ASSERT_TRUE(object->insertTextField(FirstNamePk));
    ObjectTextEditor::end();
    const TextAttachmentCell cell = cellAt(*object, 6, object.get());
    QSizeF title;
    TextFlow::layoutString(QStringLiteral("[First Name]"), cell.attr(), 0.0, &title);
    EXPECT_EQ(cell.cellFrameForTextContainer(), QRectF(0, 0, title.width() + 1.0, title.height()));
    EXPECT_EQ(cell.cellSize(), QSizeF(title.width() + 1.0, title.height()));
    const QFontMetricsF metrics = TextFlow::fontMetrics(cell.attr().font());
    EXPECT_NEAR(cell.cellBaselineOffset().y(), -(metrics.descent() + std::max<qreal>(0, metrics.leading())), 1e-9);
    EXPECT_LT(cell.cellBaselineOffset().y(), 0.0);

    TextFlow *flow = object->layoutText();
    const std::vector<TextFlow::PlacedAttachment> placed = flow->attachments(0);
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_NEAR(placed[0].frame.width(), title.width() + 1.0, 1e-6);
    // The title's baseline is the line's: "Hello " and the chip stand on one line.
    const std::unique_ptr<QTextLayout> chipText = TextFlow::layoutString(cell.title(), cell.attr(), placed[0].frame.width());
    const QTextLine own = flow->blockLayout(0)->lineAt(0);
    EXPECT_NEAR(placed[0].frame.top() + chipText->lineAt(0).ascent(), own.y() + own.ascent(), 0.05);

    // In preview the chip is as wide as the value.
    canvas.preview = true;
    flow = object->layoutText();
    QSizeF value;
    TextFlow::layoutString(QStringLiteral("Wilhelmina"), cell.attr(), 0.0, &value);
    EXPECT_NEAR(flow->attachments(0).at(0).frame.width(), value.width() + 1.0, 1e-6);
    const QTextLine line = flow->blockLayout(0)->lineAt(0);
    EXPECT_NEAR(line.cursorToX(7) - line.cursorToX(6), value.width() + 1.0, 0.01);
}

TEST_F(ChipTest, LaidOutAgainOnlyWhenTheRecordTheFieldsTitleOrTheDatabaseChanges)
{
    auto object = textObject(QStringLiteral("Hello "));
    ObjectTextEditor::begin(object);
    ASSERT_TRUE(object->insertTextField(FirstNamePk));
    ObjectTextEditor::end();
    const TextAttachmentCell cell = cellAt(*object, 6, object.get());
    auto widthOf = [&cell](const QString &text) {
        QSizeF size;
        TextFlow::layoutString(text, cell.attr(), 0.0, &size);
        return size.width() + 1.0;
    };
    canvas.preview = true;
    TextFlow *flow = object->layoutText();
    EXPECT_NEAR(flow->attachments(0).at(0).frame.width(), widthOf(QStringLiteral("Wilhelmina")), 1e-6);
    // A repaint with nothing changed keeps the layout.
    EXPECT_FALSE(flow->layoutIfNeeded());

    // Each change of what the chip shows: another record, the design view's title, the title
    // in another language, no database.
    const QList<std::pair<std::function<void()>, QString>> changes = {
        {[this] { db->fieldValues().insert(QStringLiteral("First_Name"), QStringLiteral("Bo")); }, QStringLiteral("Bo")},
        {[this] { canvas.preview = false; }, QStringLiteral("[First Name]")},
        {[] { Language::reset(qmtest::resourcesDir(), QStringLiteral("de")); }, QStringLiteral("[Vorname]")},
        {[this] { db.reset(); }, QStringLiteral("[]")},
    };
    for (const auto &[change, shown] : changes) {
        change();
        EXPECT_TRUE(flow->layoutIfNeeded()) << shown.toStdString();
        EXPECT_NEAR(flow->attachments(0).at(0).frame.width(), widthOf(shown), 1e-6) << shown.toStdString();
        const QTextLine line = flow->blockLayout(0)->lineAt(0);
        EXPECT_NEAR(line.cursorToX(7) - line.cursorToX(6), widthOf(shown), 0.01) << shown.toStdString();
        EXPECT_FALSE(flow->layoutIfNeeded()) << shown.toStdString();
    }
}

TEST_F(ChipTest, WiderThanItsObjectItWrapsInsideIt)
{
    db->fieldValues().insert(QStringLiteral("Company"), QStringLiteral("The Very Long Company Name Incorporated"));
    auto object = textObject(QString(), QRectF(0, 0, 80, 200));
    object->setDrawsStroke(true);
    object->setStrokeLineWidth(4.0f);
    TextAttachmentCell cell;
    cell.setPk(CompanyPk);
    cell.setView(object.get());
    canvas.preview = true;
    const QRectF frame = cell.cellFrameForTextContainer();
    // The object's width less half the stroke and a knob on each side, plus one.
    EXPECT_EQ(frame.width(), 80.0 - (2 * 2.0 + 2 * ColorRect::handleWidth()) + 1.0);
    QSizeF oneLine;
    TextFlow::layoutString(cell.title(), cell.attr(), 0.0, &oneLine);
    EXPECT_GT(frame.height(), 2.5 * oneLine.height());

    // Without a stroke only the knobs are taken off.
    object->setDrawsStroke(false);
    EXPECT_EQ(cell.cellFrameForTextContainer().width(), 80.0 - 2 * ColorRect::handleWidth() + 1.0);
}

TEST_F(ChipTest, DrawsItsTitleInItsAttributesAndNothingElse)
{
    auto object = textObject(QString(), QRectF(0, 0, 200, 40));
    ObjectTextEditor::begin(object);
    ASSERT_TRUE(object->insertTextField(FirstNamePk));
    ObjectTextEditor::end();
    QTextCursor colour(object->textStorage());
    colour.select(QTextCursor::Document);
    QTextCharFormat red;
    red.setForeground(QColor(Qt::red));
    colour.mergeCharFormat(red);

    QImage image(200, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    object->drawFrame(&painter, QRectF(), false);
    painter.end();
    int reddish = 0;
    int other = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            if (c == Qt::white)
                continue;
            if (c.red() > 150 && c.green() < 150)
                ++reddish;
            else if (c.red() < 100 || c.green() < 100 || c.blue() < 100)
                ++other;
        }
    EXPECT_GT(reddish, 40);
    // No box or background of its own, and no trace of the character holding its room.
    EXPECT_EQ(other, 0);
}

TEST_F(ChipTest, ChipsAddedByTheUserFollowRecordChanges)
{
    auto object = textObject(QStringLiteral("A"));
    ObjectTextEditor::begin(object);
    ASSERT_TRUE(object->insertTextField(FirstNamePk));
    ASSERT_TRUE(object->insertTextField(CompanyPk));
    ObjectTextEditor::end();
    canvas.toolsChosen.clear();
    MergeContents::postRecordChanged();
    // The canvas returns to the selection tool once, whatever the number of chips.
    EXPECT_EQ(canvas.toolsChosen, QList<int>{0});

    // Chips read from a stored text do not: they show the record when next drawn.
    auto stored = ColorRect::graphicWithPropertyListRepresentation(object->propertyListRepresentation());
    ASSERT_TRUE(stored);
    ChipCanvas other;
    stored->setMainView(&other);
    // The undo steps of the insertions hold the object too.
    canvas.undo.removeAllActions();
    object.reset();
    canvas.toolsChosen.clear();
    MergeContents::postRecordChanged();
    EXPECT_TRUE(canvas.toolsChosen.isEmpty());
    EXPECT_TRUE(other.toolsChosen.isEmpty());
}

TEST_F(ChipTest, KeptInTheObjectsStoredText)
{
    auto object = textObject(QStringLiteral("Hi "));
    QTextCursor style(object->textStorage());
    style.select(QTextCursor::Document);
    QTextCharFormat lined;
    lined.setFontUnderline(true);
    lined.setFontItalic(true);
    style.mergeCharFormat(lined);
    ObjectTextEditor *editor = ObjectTextEditor::begin(object);
    editor->setSelection(3, 3);
    ASSERT_TRUE(object->insertTextField(CompanyPk));
    ObjectTextEditor::end();

    const QVariantMap stored = object->propertyListRepresentation();
    auto back = ColorRect::graphicWithPropertyListRepresentation(stored);
    ASSERT_TRUE(back);
    back->setMainView(&canvas);
    EXPECT_EQ(back->textStorage()->toPlainText(), QStringLiteral("Hi ") + Object);
    const TextAttachmentCell cell = cellAt(*back, 3, back.get());
    EXPECT_EQ(cell.pk(), CompanyPk);
    EXPECT_TRUE(cell.attr().fontUnderline());
    EXPECT_TRUE(cell.attr().fontItalic());
    EXPECT_EQ(cell.attr().fontPointSize(), 12.0);
    canvas.preview = true;
    EXPECT_EQ(cell.title(), QStringLiteral("Acme"));
}
