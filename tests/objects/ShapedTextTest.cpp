// The shaped-text outline: glyphs fitted to the glyph box, lines keeping their places,
// fonts taken per glyph run, finer curves for print, and the warp.
#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>

#include "common/TestSupport.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/ShapedText.h"

using namespace quillmark;

namespace {

void setText(QTextDocument &doc, const QString &text, Qt::Alignment alignment = Qt::AlignLeft)
{
    doc.setDefaultFont(qmtest::testFont(12));
    doc.setPlainText(text);
    QTextCursor cursor(&doc);
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setAlignment(alignment);
    cursor.mergeBlockFormat(format);
}

void expectRectNear(const QRectF &a, const QRectF &b, double tolerance)
{
    EXPECT_NEAR(a.left(), b.left(), tolerance);
    EXPECT_NEAR(a.top(), b.top(), tolerance);
    EXPECT_NEAR(a.right(), b.right(), tolerance);
    EXPECT_NEAR(a.bottom(), b.bottom(), tolerance);
}

} // namespace

TEST(ShapedText, OutlineFillsTheGlyphBox)
{
    QTextDocument doc;
    setText(doc, QStringLiteral("Label"));
    const QRectF box(3, 3, 194, 94);
    const BezierPath outline = ShapedText::outline(doc, box, 0, false);
    ASSERT_FALSE(outline.isEmpty());
    expectRectNear(outline.bounds(), box, 0.05);
}

TEST(ShapedText, ObjectOutlineSitsThreePointsInsideTheFrame)
{
    auto object = ColorRect::create(QRectF(100, 50, 200, 100));
    object->textStorage()->setDefaultFont(qmtest::testFont(12));
    object->textStorage()->setPlainText(QStringLiteral("Hi there"));
    object->setPowerText(true);
    expectRectNear(object->bezierPath().bounds(), QRectF(103, 53, 194, 94), 0.05);
    // While the text is edited in place the outline is the plain box.
    object->setEditable(true);
    EXPECT_EQ(object->bezierPath().bounds(), QRectF(100, 50, 200, 100));
}

TEST(ShapedText, CentredLinesKeepTheirPlacesAndLineBreaksAddNoShape)
{
    QTextDocument doc;
    setText(doc, QStringLiteral("WWWWWWWW\nii"), Qt::AlignHCenter);
    const BezierPath glyphs = ShapedText::glyphOutlines(doc, QSizeF(300, 200));
    const QRectF all = glyphs.bounds();
    // The short line lies in the middle of the long one.
    QTextDocument shortDoc;
    setText(shortDoc, QStringLiteral("ii"), Qt::AlignHCenter);
    const QRectF shortLine = ShapedText::glyphOutlines(shortDoc, QSizeF(300, 200)).bounds();
    EXPECT_NEAR(shortLine.center().x(), all.center().x(), 1.0);

    QTextDocument withBreak;
    setText(withBreak, QStringLiteral("ab\u2028cd"));
    QTextDocument without;
    setText(without, QStringLiteral("abcd"));
    EXPECT_EQ(ShapedText::glyphOutlines(withBreak, QSizeF(300, 200)).elementCount(),
              ShapedText::glyphOutlines(without, QSizeF(300, 200)).elementCount());
}

TEST(ShapedText, RightToLeftLinesStandAtTheRight)
{
    // Natural alignment: a right-to-left paragraph's shorter line ends where the longer ends.
    const QString shalom = QString::fromUtf8("שלום");
    QTextDocument doc;
    doc.setDefaultFont(qmtest::testFont(12));
    doc.setPlainText(shalom + QStringLiteral(" ") + shalom + QStringLiteral(" ") + shalom
                     + QStringLiteral("\n") + shalom);
    const QRectF all = ShapedText::glyphOutlines(doc, QSizeF(300, 200)).bounds();
    QTextDocument shortDoc;
    shortDoc.setDefaultFont(qmtest::testFont(12));
    shortDoc.setPlainText(shalom);
    const QRectF shortLine = ShapedText::glyphOutlines(shortDoc, QSizeF(300, 200)).bounds();
    EXPECT_NEAR(shortLine.right(), all.right(), 1.0);
    EXPECT_GT(shortLine.left(), all.left() + 20);

}

TEST(ShapedText, EachGlyphRunTakesItsOwnFont)
{
    QTextDocument doc;
    doc.setDefaultFont(qmtest::testFont(12));
    QTextCursor cursor(&doc);
    QTextCharFormat big;
    big.setFont(qmtest::testFont(48));
    cursor.insertText(QStringLiteral("x"), QTextCharFormat());
    cursor.insertText(QStringLiteral("x"), big);
    const BezierPath glyphs = ShapedText::glyphOutlines(doc, QSizeF(300, 200));
    QTextDocument small;
    setText(small, QStringLiteral("xx"));
    const QRectF smallBounds = ShapedText::glyphOutlines(small, QSizeF(300, 200)).bounds();
    EXPECT_GT(glyphs.bounds().height(), 3 * smallBounds.height());
}

TEST(ShapedText, PrintingFlattensFinerAndStylesWarp)
{
    QTextDocument doc;
    setText(doc, QStringLiteral("Wave"));
    const QRectF box(0, 0, 200, 100);
    const BezierPath screen = ShapedText::outline(doc, box, 0, false);
    const BezierPath print = ShapedText::outline(doc, box, 0, true);
    EXPECT_DOUBLE_EQ(print.flatness(), screen.flatness() / 4.0);
    EXPECT_EQ(ShapedText::outline(doc, box, 1, false).bounds(), screen.bounds());
    // The arch bends the same elements: the letters at the sides sink.
    const BezierPath arch = ShapedText::outline(doc, box, 4, false);
    EXPECT_EQ(arch.elementCount(), screen.elementCount());
    EXPECT_NE(arch.bounds(), screen.bounds());
    EXPECT_TRUE(ShapedText::outline(QTextDocument(), box, 4, false).isEmpty());
    EXPECT_TRUE(ShapedText::outline(doc, QRectF(0, 0, 0, 10), 0, false).isEmpty());
}
