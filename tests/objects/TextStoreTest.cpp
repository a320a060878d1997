// The stored form of object text: every attribute the setters, the font panel and the
// ruler can give survives the archive, and linked-text chains are written by position and
// rebuilt in their order after loading.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "common/TestSupport.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/ObjectFactory.h"
#include "objects/TextArchive.h"

using namespace quillmark;

TEST(TextStore, EveryAttributeSurvivesTheArchive)
{
    QTextDocument source;
    source.setDefaultFont(qmtest::testFont(9));
    QTextCursor cursor(&source);
    QTextBlockFormat block;
    block.setAlignment(Qt::AlignJustify);
    block.setLeftMargin(7);
    block.setRightMargin(8);
    block.setTextIndent(12);
    block.setIndent(2);
    block.setNonBreakableLines(true);
    QTextOption::Tab decimal;
    decimal.position = 72;
    decimal.type = QTextOption::DelimiterTab;
    block.setTabPositions({QTextOption::Tab(36, QTextOption::LeftTab), decimal});
    block.setLineHeight(4, QTextBlockFormat::LineDistanceHeight);
    cursor.setBlockFormat(block);

    QTextCharFormat chars;
    chars.setFont(qmtest::testFont(17));
    chars.setUnderlineStyle(QTextCharFormat::DashUnderline);
    chars.setUnderlineColor(QColor(1, 2, 3));
    chars.setFontOverline(true);
    chars.setTextOutline(QPen(QColor(9, 8, 7), 1.5));
    chars.setFontCapitalization(QFont::SmallCaps);
    chars.setFontWordSpacing(3.5);
    chars.setFontStretch(125);
    chars.setFontFixedPitch(true);
    chars.setFontStyleHint(QFont::Serif);
    chars.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    cursor.insertText(QStringLiteral("every attribute"), chars);

    QTextDocument copy;
    ASSERT_TRUE(TextArchive::unarchive(TextArchive::archive(source), copy));
    EXPECT_EQ(copy.defaultFont().pointSizeF(), 9.0);
    const QTextBlockFormat b = copy.begin().blockFormat();
    EXPECT_EQ(b.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    EXPECT_EQ(b.leftMargin(), 7.0);
    EXPECT_EQ(b.rightMargin(), 8.0);
    EXPECT_EQ(b.textIndent(), 12.0);
    EXPECT_EQ(b.indent(), 2);
    EXPECT_TRUE(b.nonBreakableLines());
    ASSERT_EQ(b.tabPositions().size(), 2);
    EXPECT_EQ(b.tabPositions()[1].position, 72.0);
    EXPECT_EQ(b.tabPositions()[1].type, QTextOption::DelimiterTab);
    EXPECT_EQ(b.lineHeightType(), int(QTextBlockFormat::LineDistanceHeight));

    QTextCursor read(&copy);
    read.setPosition(3);
    const QTextCharFormat c = read.charFormat();
    EXPECT_EQ(c.fontPointSize(), 17.0);
    EXPECT_EQ(c.underlineStyle(), QTextCharFormat::DashUnderline);
    EXPECT_EQ(c.underlineColor(), QColor(1, 2, 3));
    EXPECT_TRUE(c.fontOverline());
    EXPECT_EQ(c.textOutline().color(), QColor(9, 8, 7));
    EXPECT_EQ(c.textOutline().widthF(), 1.5);
    EXPECT_EQ(c.fontCapitalization(), QFont::SmallCaps);
    EXPECT_EQ(c.fontWordSpacing(), 3.5);
    EXPECT_EQ(c.fontStretch(), 125);
    EXPECT_TRUE(c.fontFixedPitch());
    EXPECT_EQ(c.fontStyleHint(), QFont::Serif);
    EXPECT_EQ(c.verticalAlignment(), QTextCharFormat::AlignSuperScript);
}

TEST(TextStore, ChainsAreWrittenByPositionAndRebuiltInOrder)
{
    registerObjectKinds();
    qmtest::FakeCanvas canvas;
    ColorRect::GraphicList graphics;
    for (int i = 0; i < 4; ++i) {
        auto box = ColorRect::create(QRectF(0, 50.0 * i, 100, 40));
        box->setMainView(&canvas);
        graphics.append(box);
    }
    // Chain: 2 -> 0 -> 3; box 1 stands alone.
    graphics[0]->setTextLink(graphics[2].get(), true);
    graphics[3]->setTextLink(graphics[0].get(), true);
    graphics[2]->textStorage()->setPlainText(QStringLiteral("shared text"));

    EXPECT_EQ(graphics[2]->propertyListRepresentation(&graphics).value("FirstTextView").toString(), "0,3");
    EXPECT_FALSE(graphics[0]->propertyListRepresentation(&graphics).contains("FirstTextView"));
    EXPECT_FALSE(graphics[1]->propertyListRepresentation(&graphics).contains("FirstTextView"));
    EXPECT_FALSE(graphics[2]->propertyListRepresentation().contains("FirstTextView"));
    EXPECT_TRUE(graphics[2]->getTextViewsStr().isEmpty());

    ColorRect::GraphicList loaded;
    for (const auto &box : graphics)
        loaded.append(ColorRect::graphicWithPropertyListRepresentation(
            box->propertyListRepresentation(&graphics)));
    // Damaged entries (out of range, not numbers) are passed over.
    loaded[2]->setTextViewsStr(loaded[2]->getTextViewsStr() + QStringLiteral(",9,x,-1"));
    ColorRect::relinkTextChains(loaded);
    EXPECT_TRUE(loaded[2]->getTextViewsStr().isEmpty());
    EXPECT_EQ(loaded[2]->textContainers(),
              (QList<TextContainer *>{loaded[2]->textContainer(), loaded[0]->textContainer(),
                                      loaded[3]->textContainer()}));
    EXPECT_EQ(loaded[3]->textStorage()->toPlainText(), "shared text");
    EXPECT_EQ(loaded[1]->textContainers().size(), 1);
}
