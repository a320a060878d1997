// Objects inside running text as the text engine sees them: the room a handler measures, the
// baseline they stand on, line breaks around them, drawing in their place, shaped-text
// outlines, typing behind them, their stored form and inserting one into an object's text.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include "common/TestSupport.h"
#include "objects/ColorOval.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/ObjectTextEditor.h"
#include "objects/ShapedText.h"
#include "objects/TextArchive.h"
#include "objects/TextAttachmentHandler.h"
#include "objects/TextContainer.h"
#include "objects/TextFlow.h"
#include "platform/Archiver.h"

using namespace quillmark;

namespace {

const QChar Object(TextAttachmentHandler::ObjectCharacter);

// A handler whose objects are boxes of a fixed size, filled red where they are drawn.
class BoxHandler : public TextAttachmentHandler
{
public:
    QSizeF size{50.0, 10.0};
    qreal below = 3.0;
    mutable QList<QRectF> drawn;
    mutable QList<const ColorRect *> views;
    QString shown = QStringLiteral("X");

    QSizeF cellSize(const QTextCharFormat &, const ColorRect *view) const override
    {
        views.append(view);
        return size;
    }
    qreal descent(const QTextCharFormat &) const override { return below; }
    void draw(QPainter *painter, const QRectF &frame, const QTextCharFormat &, const ColorRect *) const override
    {
        drawn.append(frame);
        painter->fillRect(frame, Qt::red);
    }
    QString text(const QTextCharFormat &, const ColorRect *) const override { return shown; }
    QTextCharFormat newAttachment(int tag, const std::optional<QTextCharFormat> &attributes, ColorRect *) override
    {
        QTextCharFormat format = attributes.value_or(QTextCharFormat());
        format.setObjectType(TextArchive::FieldChipObjectType);
        format.setProperty(TextArchive::FieldPkProperty, tag);
        return format;
    }
};

QTextCharFormat chipFormat(int pk)
{
    QTextCharFormat format;
    format.setObjectType(TextArchive::FieldChipObjectType);
    format.setProperty(TextArchive::FieldPkProperty, pk);
    return format;
}

class TextAttachments : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = TextAttachmentHandler::handler(TextArchive::FieldChipObjectType);
        TextAttachmentHandler::install(TextArchive::FieldChipObjectType, &handler);
        doc = std::make_shared<QTextDocument>();
        doc->setDefaultFont(qmtest::testFont(12));
    }
    void TearDown() override { TextAttachmentHandler::install(TextArchive::FieldChipObjectType, previous); }

    // "before", an object, "after" in the default format.
    void fill(const QString &before, const QString &after, int pk = 4)
    {
        QTextCursor cursor(doc.get());
        cursor.insertText(before);
        cursor.insertText(QString(Object), chipFormat(pk));
        cursor.insertText(after, QTextCharFormat());
    }

    BoxHandler handler;
    TextAttachmentHandler *previous = nullptr;
    std::shared_ptr<QTextDocument> doc;
};

} // namespace

TEST_F(TextAttachments, TakeTheRoomTheirHandlerMeasuresOnTheBaseline)
{
    fill(QStringLiteral("Dear "), QStringLiteral(", hello"));
    TextFlow flow(doc);
    TextContainer box(QSizeF(400, 100));
    flow.insertContainer(&box, 0);
    flow.layout();
    ASSERT_EQ(flow.lines().size(), 1u);
    const QTextLine line = flow.blockLayout(0)->lineAt(0);
    // The object's cell is exactly as wide as the handler said, wherever it stands.
    EXPECT_NEAR(line.cursorToX(6) - line.cursorToX(5), 50.0, 0.01);

    const std::vector<TextFlow::PlacedAttachment> placed = flow.attachments(0);
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(placed[0].position, 5);
    EXPECT_EQ(placed[0].handler, &handler);
    EXPECT_EQ(placed[0].format.intProperty(TextArchive::FieldPkProperty), 4);
    EXPECT_NEAR(placed[0].frame.left(), line.cursorToX(5), 0.01);
    EXPECT_EQ(placed[0].frame.size(), QSizeF(50, 10));
    // Its bottom lies as far below the baseline as the handler asked.
    EXPECT_NEAR(placed[0].frame.bottom(), line.y() + line.ascent() + 3.0, 0.01);
    // The text around it is not widened.
    EXPECT_LT(line.naturalTextWidth(), 50.0 + 120.0);
}

TEST_F(TextAttachments, AreMeasuredAgainOnlyWhenWhatTheyShowChanges)
{
    fill(QStringLiteral("Dear "), QStringLiteral(", hello"));
    TextFlow flow(doc);
    TextContainer box(QSizeF(400, 100));
    flow.insertContainer(&box, 0);
    EXPECT_TRUE(flow.layoutIfNeeded());
    const qsizetype measured = handler.views.size();
    // Repaints of the same text measure nothing.
    for (int paint = 0; paint < 3; ++paint)
        EXPECT_FALSE(flow.layoutIfNeeded());
    EXPECT_EQ(handler.views.size(), measured);

    // The object shows something else, and takes the room it measures now.
    handler.shown = QStringLiteral("a longer text");
    handler.size = QSizeF(90.0, 10.0);
    EXPECT_TRUE(flow.layoutIfNeeded());
    EXPECT_EQ(flow.attachments(0).at(0).frame.size(), QSizeF(90, 10));
    const QTextLine line = flow.blockLayout(0)->lineAt(0);
    EXPECT_NEAR(line.cursorToX(6) - line.cursorToX(5), 90.0, 0.01);
    EXPECT_FALSE(flow.layoutIfNeeded());
}

TEST_F(TextAttachments, TallObjectsMakeRoomAboveTheirLine)
{
    fill(QStringLiteral("a "), QStringLiteral(" b\nnext"));
    TextFlow plain(doc);
    TextContainer box(QSizeF(400, 300));
    plain.insertContainer(&box, 0);
    plain.layout();
    const QTextLine normal = plain.blockLayout(0)->lineAt(0);

    handler.size = QSizeF(30, 60);
    TextFlow tall(doc);
    TextContainer tallBox(QSizeF(400, 300));
    tall.insertContainer(&tallBox, 0);
    tall.layout();
    const QTextLine line = tall.blockLayout(0)->lineAt(0);
    // The line keeps its font's ascent and descent; it moves down to make room.
    EXPECT_EQ(line.ascent(), normal.ascent());
    EXPECT_EQ(line.descent(), normal.descent());
    const TextFlow::PlacedAttachment placed = tall.attachments(0).at(0);
    EXPECT_NEAR(placed.frame.top(), 0.0, 0.01);
    EXPECT_NEAR(placed.frame.bottom(), line.y() + line.ascent() + 3.0, 0.01);
    // The next paragraph begins below the object.
    const QTextLine next = tall.blockLayout(1)->lineAt(0);
    EXPECT_GE(next.y(), line.y() + line.height() - 0.01);
    EXPECT_GE(next.y(), placed.frame.bottom() - 0.01);
}

TEST_F(TextAttachments, BreakLinesBeforeThemAndAreMeasuredForTheirBox)
{
    fill(QStringLiteral("word word word"), QStringLiteral(" tail"));
    auto view = ColorRect::create(QRectF(0, 0, 130, 100));
    TextFlow flow(doc);
    TextContainer box(QSizeF(130, 100));
    box.setTextView(view.get());
    flow.insertContainer(&box, 0);
    flow.layout();
    ASSERT_GE(flow.lines().size(), 2u);
    // No room behind the words: the object begins the second line.
    const std::vector<TextFlow::PlacedAttachment> placed = flow.attachments(0);
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(flow.lines()[1].start, placed[0].position);
    ASSERT_FALSE(handler.views.isEmpty());
    EXPECT_EQ(handler.views.last(), view.get());
}

TEST_F(TextAttachments, AreDrawnByTheirHandlerAndTheCharacterNot)
{
    fill(QStringLiteral("A "), QStringLiteral(" B"));
    TextFlow flow(doc);
    TextContainer box(QSizeF(300, 40));
    flow.insertContainer(&box, 0);
    flow.layout();

    QImage image(300, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    flow.draw(&painter, 0, QPointF(0, 0));
    painter.end();
    ASSERT_EQ(handler.drawn.size(), 1);
    const QRect frame = handler.drawn.first().toAlignedRect();
    // The handler's red fills the object's place; nothing of the stand-in character shows.
    EXPECT_EQ(QColor(image.pixel(frame.center())), QColor(Qt::red));
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = frame.left() + 2; x < frame.right() - 2; ++x)
            if (qGray(image.pixel(x, y)) < 100 && QColor(image.pixel(x, y)) != QColor(Qt::red))
                ++dark;
    EXPECT_EQ(dark, 0);
}

TEST_F(TextAttachments, ShapedTextOutlinesTheTextTheyShow)
{
    fill(QString(), QString());
    const BezierPath withX = ShapedText::glyphOutlines(*doc, QSizeF(300, 100));
    EXPECT_FALSE(withX.isEmpty());
    handler.shown.clear();
    // Without a text of its own the object leaves no outline: the stand-in has none.
    EXPECT_TRUE(ShapedText::glyphOutlines(*doc, QSizeF(300, 100)).isEmpty());
}

TEST_F(TextAttachments, OvalTextDrawsThemAlongItsOutline)
{
    auto oval = ColorOval::create(QRectF(0, 0, 200, 200));
    oval->setDrawsFill(false);
    oval->textStorage()->setDefaultFont(qmtest::testFont(12));
    QTextCursor cursor(oval->textStorage());
    cursor.insertText(QStringLiteral("ab "));
    cursor.insertText(QString(Object), chipFormat(4));
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    oval->drawFrame(&painter, QRectF(), false);
    painter.end();
    ASSERT_EQ(handler.drawn.size(), 1);
    EXPECT_EQ(handler.drawn.first().size(), QSizeF(50, 10));
    // Near the outline's top, where the text begins.
    int red = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x)
            if (QColor(image.pixel(x, y)) == QColor(Qt::red))
                ++red;
    EXPECT_GT(red, 200);
}

TEST_F(TextAttachments, CharactersWithoutAnInstalledKindAreText)
{
    TextAttachmentHandler::install(TextArchive::FieldChipObjectType, nullptr);
    fill(QStringLiteral("a"), QStringLiteral("b"));
    TextFlow flow(doc);
    TextContainer box(QSizeF(300, 40));
    flow.insertContainer(&box, 0);
    flow.layout();
    EXPECT_TRUE(flow.attachments(0).empty());
    EXPECT_EQ(TextAttachmentHandler::handlerFor(Object, chipFormat(1)), nullptr);
    EXPECT_EQ(TextAttachmentHandler::handlerFor(QLatin1Char('x'), chipFormat(1)), nullptr);
}

TEST_F(TextAttachments, StoredWithTheirKeyAndAttributes)
{
    QTextCursor cursor(doc.get());
    cursor.insertText(QStringLiteral("Hi "));
    QTextCharFormat chip = chipFormat(7);
    chip.setFontWeight(QFont::Bold);
    chip.setFontUnderline(true);
    chip.setForeground(QColor(10, 20, 30));
    cursor.insertText(QString(Object), chip);

    const QByteArray data = TextArchive::archive(*doc);
    const QVariantMap payload = *Archiver::unarchive(data, TextArchive::className);
    const QVariantList runs = payload.value("Blocks").toList().at(0).toMap().value("Runs").toList();
    ASSERT_EQ(runs.size(), 2);
    const QVariantMap run = runs.at(1).toMap();
    EXPECT_EQ(run.value("attachmentPrimaryKey").toLongLong(), 7);
    EXPECT_EQ(run.value("Text").toString(), QString(Object));
    const QVariantMap attributes = run.value("attributesPrimaryKey").toMap();
    EXPECT_EQ(attributes.value("Weight").toLongLong(), QFont::Bold);
    EXPECT_TRUE(runs.at(0).toMap().value("attachmentPrimaryKey").isNull());

    QTextDocument copy;
    ASSERT_TRUE(TextArchive::unarchive(data, copy));
    QTextCursor read(&copy);
    read.setPosition(3);
    read.setPosition(4, QTextCursor::KeepAnchor);
    const QTextCharFormat back = read.charFormat();
    EXPECT_EQ(back.objectType(), TextArchive::FieldChipObjectType);
    EXPECT_EQ(back.intProperty(TextArchive::FieldPkProperty), 7);
    EXPECT_EQ(back.fontWeight(), int(QFont::Bold));
    EXPECT_TRUE(back.fontUnderline());
    EXPECT_EQ(back.foreground().color(), QColor(10, 20, 30));
}

TEST_F(TextAttachments, DamagedChipRunsKeepTheirTextAsText)
{
    auto archiveWithRun = [](const QVariantMap &run) {
        QVariantMap block;
        block.insert("Runs", QVariantList{run});
        QVariantMap payload;
        payload.insert("Blocks", QVariantList{block});
        return Archiver::archive(TextArchive::className, payload);
    };
    QVariantMap run;
    run.insert("Text", QStringLiteral("ab") + Object);
    run.insert("attachmentPrimaryKey", qint64(5));
    QTextDocument copy;
    ASSERT_TRUE(TextArchive::unarchive(archiveWithRun(run), copy));
    EXPECT_EQ(copy.toPlainText().size(), 3);
    QTextCursor cursor(&copy);
    cursor.setPosition(1);
    EXPECT_EQ(cursor.charFormat().objectType(), int(QTextFormat::NoObject));
    cursor.setPosition(3);
    EXPECT_EQ(cursor.charFormat().objectType(), TextArchive::FieldChipObjectType);

    // A key beyond what a field key can be, or not a number, makes no chip.
    for (const QVariant &bad : {QVariant(qint64(1) << 40), QVariant(QStringLiteral("x")), QVariant(QVariantList{})}) {
        run.insert("attachmentPrimaryKey", bad);
        QTextDocument other;
        ASSERT_TRUE(TextArchive::unarchive(archiveWithRun(run), other));
        QTextCursor at(&other);
        at.setPosition(3);
        EXPECT_EQ(at.charFormat().objectType(), int(QTextFormat::NoObject)) << bad.toString().toStdString();
    }
}

TEST_F(TextAttachments, InsertedBeforeTheSelectionWhichStays)
{
    qmtest::FakeCanvas canvas;
    auto box = ColorRect::create(QRectF(0, 0, 300, 80));
    box->setMainView(&canvas);
    box->setContents(QStringLiteral("Hello world"));
    QTextCursor underline(box->textStorage());
    underline.setPosition(6);
    underline.setPosition(11, QTextCursor::KeepAnchor);
    QTextCharFormat lined;
    lined.setFontUnderline(true);
    underline.mergeCharFormat(lined);
    canvas.undo.removeAllActions();

    ObjectTextEditor *editor = ObjectTextEditor::begin(box);
    editor->setSelection(6, 11);
    ASSERT_TRUE(box->insertTextField(42));
    canvas.undo.closeEventGroup();
    EXPECT_EQ(box->textStorage()->toPlainText(), QStringLiteral("Hello ") + Object + QStringLiteral("world"));
    // The selected word stays selected behind the new field.
    EXPECT_EQ(editor->selectionStart(), 7);
    EXPECT_EQ(editor->selectionEnd(), 12);
    QTextCursor at(box->textStorage());
    at.setPosition(7);
    const QTextCharFormat chip = at.charFormat();
    EXPECT_EQ(chip.intProperty(TextArchive::FieldPkProperty), 42);
    // The field takes the attributes at the selection's start.
    EXPECT_TRUE(chip.fontUnderline());

    // Text typed behind the field is text, not another field.
    editor->setSelection(7, 7);
    editor->insertText(QStringLiteral("X"));
    at.setPosition(8);
    EXPECT_EQ(at.charFormat().objectType(), int(QTextFormat::NoObject));
    EXPECT_FALSE(at.charFormat().hasProperty(TextArchive::FieldPkProperty));
    ObjectTextEditor::end();

    canvas.undo.closeEventGroup();
    canvas.undo.undo();
    canvas.undo.undo();
    EXPECT_EQ(box->textStorage()->toPlainText(), QStringLiteral("Hello world"));
}

TEST_F(TextAttachments, InsertedAtTheEndLookLikeTheTextBeforeThem)
{
    qmtest::FakeCanvas canvas;
    auto box = ColorRect::create(QRectF(0, 0, 300, 80));
    box->setMainView(&canvas);
    box->setContents(QStringLiteral("Name: "));
    box->setTextSize(qmtest::testFont(24));
    ObjectTextEditor *editor = ObjectTextEditor::begin(box);
    ASSERT_EQ(editor->selectionStart(), 6);
    ASSERT_TRUE(box->insertTextField(3));
    QTextCursor at(box->textStorage());
    at.setPosition(7);
    EXPECT_EQ(at.charFormat().fontPointSize(), 24.0);
    ObjectTextEditor::end();

    // Characters without a font of their own give the font they are seen in.
    auto plain = ColorRect::create(QRectF(0, 0, 300, 80));
    plain->setMainView(&canvas);
    plain->textStorage()->setDefaultFont(qmtest::testFont(20));
    plain->textStorage()->setPlainText(QStringLiteral("Hi "));
    ObjectTextEditor::begin(plain);
    ASSERT_TRUE(plain->insertTextField(3));
    ObjectTextEditor::end();
    at = QTextCursor(plain->textStorage());
    at.setPosition(4);
    EXPECT_EQ(at.charFormat().fontPointSize(), 20.0);
    EXPECT_EQ(at.charFormat().font().family(), qmtest::loadTestFont());

    // Into an empty text: no attributes to take.
    auto empty = ColorRect::create(QRectF(0, 0, 300, 80));
    empty->setMainView(&canvas);
    ObjectTextEditor::begin(empty);
    ASSERT_TRUE(empty->insertTextField(3));
    ObjectTextEditor::end();
    EXPECT_EQ(empty->textStorage()->toPlainText(), QString(Object));
}

TEST_F(TextAttachments, NothingIsInsertedWithoutTheKind)
{
    TextAttachmentHandler::install(TextArchive::FieldChipObjectType, nullptr);
    auto box = ColorRect::create(QRectF(0, 0, 300, 80));
    box->setContents(QStringLiteral("abc"));
    EXPECT_FALSE(box->insertTextField(3));
    EXPECT_EQ(box->textStorage()->toPlainText(), QStringLiteral("abc"));
}
