// Paragraph settings in the text flow: the direction of each paragraph with the alignment
// that follows it, margins and indents, tab stops, letter spacing, and words that meet an
// obstacle.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QGlyphRun>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

#include "common/TestSupport.h"
#include "objects/ColorRect.h"
#include "objects/NSTextWrapContainer.h"
#include "objects/TextFlow.h"

using namespace quillmark;

namespace {

const QString Shalom = QString::fromUtf8("שלום");
const QString Mixed = QString::fromUtf8("שלום office.");

std::shared_ptr<QTextDocument> document(const QString &text, qreal size = 12)
{
    auto doc = std::make_shared<QTextDocument>();
    doc->setDefaultFont(qmtest::testFont(size));
    doc->setPlainText(text);
    return doc;
}

void setBlockFormat(QTextDocument &doc, int block, const std::function<void(QTextBlockFormat &)> &change)
{
    QTextCursor cursor(doc.findBlockByNumber(block));
    QTextBlockFormat format = cursor.blockFormat();
    change(format);
    cursor.setBlockFormat(format);
}

QTextLine textLine(const TextFlow &flow, size_t index)
{
    const TextFlow::Line &line = flow.lines().at(index);
    return flow.blockLayout(line.block)->lineAt(line.lineNumber);
}

struct OneBox
{
    explicit OneBox(std::shared_ptr<QTextDocument> doc, const QSizeF &size = QSizeF(300, 200))
        : flow(std::move(doc))
        , box(size)
    {
        flow.insertContainer(&box, -1);
        flow.layout();
    }
    TextFlow flow;
    TextContainer box;
};

// Every glyph of a layout as (glyph index, x), sorted, for comparing two layouts.
QList<std::pair<quint32, qreal>> glyphsOf(const QList<QGlyphRun> &runs, qreal shift)
{
    QList<std::pair<quint32, qreal>> glyphs;
    for (const QGlyphRun &run : runs) {
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size(); ++i)
            glyphs.append({indexes[i], positions[i].x() + shift});
    }
    std::sort(glyphs.begin(), glyphs.end(),
              [](const auto &a, const auto &b) { return a.second < b.second; });
    return glyphs;
}

} // namespace

TEST(TextDirection, HebrewWithLatinIsLaidOutAsATextDocumentLaysItOut)
{
    OneBox ours(document(Mixed), QSizeF(210, 100));
    ASSERT_EQ(ours.flow.lines().size(), 1u);
    const QTextLine line = textLine(ours.flow, 0);

    // The same paragraph in a text document of the line's width, at the same resolution.
    QTextDocument reference;
    reference.setDefaultFont(qmtest::testFont(12));
    reference.setDocumentMargin(0);
    reference.documentLayout()->setPaintDevice(TextFlow::pointDevice());
    reference.setPlainText(Mixed);
    reference.setTextWidth(200);
    const QTextBlock block = reference.begin();
    ASSERT_EQ(block.textDirection(), Qt::RightToLeft);
    const QTextLine expected = block.layout()->lineAt(0);

    // Every caret position, and so the order of the characters, is where the document has it
    // (the box keeps 5 points of padding on each side).
    for (int i = 0; i <= Mixed.size(); ++i)
        EXPECT_NEAR(line.cursorToX(i) - 5.0, expected.cursorToX(i), 0.5) << i;
    // The paragraph starts at the right: its first character stands at the right edge.
    EXPECT_NEAR(line.cursorToX(0), 205.0, 0.5);
    EXPECT_NEAR(line.naturalTextRect().right(), 205.0, 0.5);

    const auto ourGlyphs = glyphsOf(line.glyphRuns(), -5.0);
    const auto expectedGlyphs = glyphsOf(expected.glyphRuns(), 0.0);
    ASSERT_EQ(ourGlyphs.size(), expectedGlyphs.size());
    for (qsizetype i = 0; i < ourGlyphs.size(); ++i) {
        EXPECT_EQ(ourGlyphs[i].first, expectedGlyphs[i].first) << i;
        EXPECT_NEAR(ourGlyphs[i].second, expectedGlyphs[i].second, 0.5) << i;
    }
}

TEST(TextDirection, NaturalAlignmentFollowsEachParagraphAndLeftAndRightStayPut)
{
    auto doc = document(QStringLiteral("Hello\n") + Shalom + QLatin1Char('\n') + Shalom
                        + QStringLiteral("\nHello"));
    setBlockFormat(*doc, 2, [](QTextBlockFormat &f) { f.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute); });
    setBlockFormat(*doc, 3, [](QTextBlockFormat &f) { f.setAlignment(Qt::AlignRight | Qt::AlignAbsolute); });
    OneBox one(doc);
    ASSERT_EQ(one.flow.lines().size(), 4u);
    EXPECT_NEAR(textLine(one.flow, 0).naturalTextRect().left(), 5.0, 0.01);
    EXPECT_NEAR(textLine(one.flow, 1).naturalTextRect().right(), 295.0, 0.5);
    EXPECT_NEAR(textLine(one.flow, 2).naturalTextRect().left(), 5.0, 0.5);
    EXPECT_NEAR(textLine(one.flow, 3).naturalTextRect().right(), 295.0, 0.5);
    // The used rectangle follows the text to where it stands.
    EXPECT_NEAR(one.flow.usedRect(0).right(), 295.0, 0.5);
}

TEST(TextDirection, TheObjectsLeftAndRightCommandsAreThePagesSides)
{
    auto box = ColorRect::create(QRectF(0, 0, 300, 100));
    box->textStorage()->setDefaultFont(qmtest::testFont(12));
    box->textStorage()->setPlainText(Shalom);
    EXPECT_EQ(box->textAlign(), 0);
    TextFlow *flow = box->layoutText();
    EXPECT_NEAR(textLine(*flow, 0).naturalTextRect().right(), 295.0, 0.5);
    box->alignLeft();
    EXPECT_EQ(box->textAlign(), 0);
    flow = box->layoutText();
    EXPECT_NEAR(textLine(*flow, 0).naturalTextRect().left(), 5.0, 0.5);
    box->alignRight();
    EXPECT_EQ(box->textAlign(), 1);
}

TEST(TextDirection, ARightToLeftRowSplitByAnObstacleStartsInItsRightPiece)
{
    auto object = ColorRect::create(QRectF(0, 0, 300, 200));
    NSTextWrapContainer wrap(QSizeF(300, 200));
    wrap.setGraphicObject(object.get());
    wrap.setAroundBezierPaths({BezierPath::bezierPathWithRect(QRectF(120, -10, 60, 400))});
    QStringList words;
    for (int i = 0; i < 30; ++i)
        words << Shalom;
    auto doc = document(words.join(QLatin1Char(' ')));
    TextFlow flow(doc);
    flow.insertContainer(&wrap, -1);
    flow.layout();
    ASSERT_GE(flow.lines().size(), 4u);
    EXPECT_EQ(flow.lines()[0].fragment.x(), 180);
    EXPECT_EQ(flow.lines()[1].fragment.x(), 0);
    EXPECT_EQ(flow.lines()[1].fragment.y(), flow.lines()[0].fragment.y());
    EXPECT_EQ(flow.lines()[1].start, flow.lines()[0].start + flow.lines()[0].length);
    EXPECT_EQ(flow.lines()[2].fragment.x(), 180);
    EXPECT_GT(flow.lines()[2].fragment.y(), flow.lines()[0].fragment.y());
}

TEST(TextFlow, AWordTooWideForThePieceBeforeAnObstacleGoesOnBehindIt)
{
    auto object = ColorRect::create(QRectF(0, 0, 300, 200));
    NSTextWrapContainer wrap(QSizeF(300, 200));
    wrap.setGraphicObject(object.get());
    wrap.setAroundBezierPaths({BezierPath::bezierPathWithRect(QRectF(60, -10, 60, 400))});
    auto doc = document(QStringLiteral("Extraordinarily wide words"));
    TextFlow flow(doc);
    flow.insertContainer(&wrap, -1);
    flow.layout();
    ASSERT_FALSE(flow.lines().empty());
    // The word does not fit the 60 points before the obstacle: it starts behind it, whole.
    EXPECT_EQ(flow.lines()[0].fragment.x(), 120);
    EXPECT_EQ(flow.lines()[0].start, 0);
    EXPECT_GE(flow.lines()[0].length, 16);

    // Where the row ends at the obstacle's far side nothing goes on: the word is broken.
    auto narrow = document(QStringLiteral("Extraordinarily"));
    TextFlow alone(narrow);
    TextContainer box(QSizeF(50, 200));
    alone.insertContainer(&box, -1);
    alone.layout();
    EXPECT_GT(alone.lines().size(), 1u);
}

TEST(TextFlow, MarginsAndIndentsMoveTheLinesOnTheParagraphsSide)
{
    const QString text = QStringLiteral("word ").repeated(30);
    auto doc = document(text + QLatin1Char('\n') + (Shalom + QLatin1Char(' ')).repeated(30));
    for (int block = 0; block < 2; ++block) {
        setBlockFormat(*doc, block, [](QTextBlockFormat &f) {
            f.setLeftMargin(20);
            f.setRightMargin(30);
            f.setTextIndent(15);
        });
    }
    OneBox one(doc);
    const auto &lines = one.flow.lines();
    ASSERT_GE(lines.size(), 4u);
    // Left to right: the first line is indented at the left.
    EXPECT_NEAR(textLine(one.flow, 0).x(), 5 + 20 + 15, 0.01);
    EXPECT_NEAR(textLine(one.flow, 0).width(), 300 - 10 - 20 - 30 - 15, 0.01);
    EXPECT_NEAR(textLine(one.flow, 1).x(), 5 + 20, 0.01);
    EXPECT_NEAR(textLine(one.flow, 1).width(), 300 - 10 - 20 - 30, 0.01);
    // Right to left: the first line is indented at the right.
    size_t rtl = 0;
    while (rtl < lines.size() && lines[rtl].block != 1)
        ++rtl;
    ASSERT_LT(rtl + 1, lines.size());
    EXPECT_NEAR(textLine(one.flow, rtl).x(), 5 + 20, 0.01);
    EXPECT_NEAR(textLine(one.flow, rtl).width(), 300 - 10 - 20 - 30 - 15, 0.01);
    EXPECT_NEAR(textLine(one.flow, rtl).naturalTextRect().right(), 300 - 5 - 30 - 15, 1.0);
    EXPECT_NEAR(textLine(one.flow, rtl + 1).naturalTextRect().right(), 300 - 5 - 30, 1.0);

    // An indent level moves the paragraph by the document's indent width on its own side.
    auto indented = document(QStringLiteral("Hello\n") + Shalom);
    for (int block = 0; block < 2; ++block)
        setBlockFormat(*indented, block, [](QTextBlockFormat &f) { f.setIndent(1); });
    OneBox two(indented);
    const qreal step = indented->indentWidth();
    EXPECT_NEAR(textLine(two.flow, 0).x(), 5 + step, 0.01);
    EXPECT_NEAR(textLine(two.flow, 1).naturalTextRect().right(), 295 - step, 0.5);
}

TEST(TextFlow, TabStopsPlaceTheTextAfterATab)
{
    auto doc = document(QStringLiteral("a\tb"));
    OneBox plain(doc);
    // Without stops of its own a paragraph tabs every 80 points.
    EXPECT_NEAR(textLine(plain.flow, 0).cursorToX(2), 5 + 80, 0.5);

    setBlockFormat(*doc, 0, [](QTextBlockFormat &f) {
        QTextOption::Tab tab;
        tab.position = 130;
        f.setTabPositions({tab});
    });
    OneBox stopped(doc);
    EXPECT_NEAR(textLine(stopped.flow, 0).cursorToX(2), 5 + 130, 0.5);
}

TEST(TextFlow, LetterSpacingWidensTheLine)
{
    auto plain = document(QStringLiteral("abcdef"));
    OneBox a(plain);
    const qreal width = textLine(a.flow, 0).naturalTextWidth();

    auto spaced = document(QStringLiteral("abcdef"));
    QTextCursor cursor(spaced.get());
    cursor.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    format.setFontLetterSpacing(5);
    cursor.mergeCharFormat(format);
    OneBox b(spaced);
    const qreal wider = textLine(b.flow, 0).naturalTextWidth();
    // Five points after each of the six letters (the last one's may be left off).
    EXPECT_GE(wider - width, 25.0 - 0.5);
    EXPECT_LE(wider - width, 30.0 + 0.5);

    format.setFontLetterSpacingType(QFont::PercentageSpacing);
    format.setFontLetterSpacing(200);
    cursor.mergeCharFormat(format);
    OneBox c(spaced);
    EXPECT_NEAR(textLine(c.flow, 0).naturalTextWidth(), 2 * width, 1.0);
}

TEST(TextFlow, APointIsOneUnitWhateverTheLayoutResolution)
{
    auto doc = document(QStringLiteral("Hello"), 20);
    OneBox one(doc);
    // The line measures as a 20 point font does on a 72 dpi device.
    const QFontMetricsF metrics(qmtest::testFont(20), TextFlow::pointDevice());
    EXPECT_NEAR(textLine(one.flow, 0).ascent(), metrics.ascent(), 0.01);
    EXPECT_NEAR(textLine(one.flow, 0).descent(), metrics.descent(), 0.01);
    EXPECT_NEAR(textLine(one.flow, 0).naturalTextWidth(),
                metrics.horizontalAdvance(QStringLiteral("Hello")), 0.5);
}
