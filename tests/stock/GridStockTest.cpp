// The grid stock record: defaults, copies, the log text, positions and outlines.
#include <gtest/gtest.h>

#include "foundation/Language.h"
#include "platform/BezierPath.h"
#include "stock/StockConversions.h"
#include "stock/TFormat.h"
#include "stock/TLabel.h"
#include "stock/StockTestSupport.h"

using namespace quillmark;

TEST(GridStock, NewRecordIsTwoByFiveFourByTwoInchSheet)
{
    const TLabel label;
    const QString untitled = Language::stringForKey(QStringLiteral("Untitled"));
    EXPECT_EQ(label.getname(), untitled.isNull() ? QStringLiteral("Untitled") : untitled);
    EXPECT_EQ(label.getnum_label(), 2);
    EXPECT_EQ(label.getnum_downlabel(), 5);
    EXPECT_FLOAT_EQ(label.getwidth(), 4.0f);
    EXPECT_FLOAT_EQ(label.getheight(), 2.0f);
    EXPECT_FLOAT_EQ(label.gettop_margin(), 0.15f);
    EXPECT_FLOAT_EQ(label.getleft_margin(), 0.15f);
    EXPECT_FLOAT_EQ(label.getvert_distance(), 0.2f);
    EXPECT_FLOAT_EQ(label.gethor_distance(), 0.2f);
    EXPECT_EQ(label.hole, 0.0f);
    EXPECT_EQ(label.getround_param(), 0.0f);
    EXPECT_EQ(label.getshape(), 1);
    EXPECT_EQ(label.getunits(), 1);
    EXPECT_EQ(label.getdeleted(), 0);
}

TEST(GridStock, CopiesAreIndependentAndDescriptionHasThirteenEntries)
{
    TLabel original;
    original.setname(QStringLiteral("Mine"));
    original.setwidth(4.0f);
    original.setnum_label(3);
    original.hole = 1.5f;
    TLabel copy = original;
    copy.setname(QStringLiteral("Other"));
    copy.setwidth(1.0f);
    EXPECT_EQ(original.getname(), QStringLiteral("Mine"));
    EXPECT_EQ(original.getwidth(), 4.0f);

    const QVariantMap dict = original.descriptionDictionary();
    EXPECT_EQ(dict.size(), 13);
    EXPECT_EQ(dict.value("width").toString(), QStringLiteral("4.00"));
    EXPECT_EQ(dict.value("num_label").toString(), QStringLiteral("3"));
    EXPECT_EQ(dict.value("top_margin").toString(), QStringLiteral("0.15"));
    EXPECT_FALSE(dict.contains("hole"));
    const QString text = original.description();
    EXPECT_TRUE(text.contains(QStringLiteral("width = \"4.00\";")) || text.contains(QStringLiteral("width = 4.00;")))
        << qPrintable(text);
    EXPECT_FALSE(text.contains(QStringLiteral("hole")));
}

TEST(GridStock, PositionsAreNumberedRowByRow)
{
    TLabel label;
    label.num_label = 3;
    label.num_downlabel = 4;
    EXPECT_EQ(label.positionIndex(1, 2), 7);
    EXPECT_EQ(label.positionCount(), 12);
    const QRectF rect = label.labelRect(1, 2);
    EXPECT_NEAR(rect.x(), 0.15 + 1 * (4.0 + 0.2), 1e-6);
    EXPECT_NEAR(rect.y(), 0.15 + 2 * (2.0 + 0.2), 1e-6);

    struct Case { qint16 across, down; };
    for (const Case c : {Case{0, 5}, Case{2, 0}, Case{0, 0}, Case{-1, 3}}) {
        label.num_label = c.across;
        label.num_downlabel = c.down;
        EXPECT_EQ(label.positionCount(), 0);
        EXPECT_TRUE(formatFromGridLabel(label).labels.empty());
    }
}

TEST(GridStock, OutlineFollowsShapeAndLeavesHoleEmpty)
{
    TLabel label;
    label.width = 2.0f;
    label.height = 1.0f;
    label.left_margin = 0.5f;
    label.top_margin = 0.25f;
    const QRectF points(0.5 * 72 + 2.2 * 72, 0.25 * 72 + 1.2 * 72, 144, 72);

    label.shape = 1;
    EXPECT_TRUE(stocktest::samePath(label.outlinePath(1, 1), BezierPath::bezierPathWithRect(points)));
    label.shape = 3;
    EXPECT_TRUE(stocktest::samePath(label.outlinePath(1, 1), BezierPath::bezierPathWithOvalInRect(points)));
    label.shape = 2;
    label.round_param = 0.25f;
    EXPECT_TRUE(stocktest::samePath(label.outlinePath(1, 1), cornerRoundedRectPath(points, 18.0f)));
    label.shape = 7;
    EXPECT_TRUE(label.outlinePath(1, 1).isEmpty());

    label.shape = 3;
    label.width = label.height = 4.5f;
    label.hole = 1.5f;
    const BezierPath disc = label.outlinePath(0, 0);
    const QPointF centre(0.5 * 72 + 2.25 * 72, 0.25 * 72 + 2.25 * 72);
    EXPECT_EQ(disc.windingRule(), BezierPath::EvenOddWinding);
    EXPECT_FALSE(disc.containsPoint(centre));
    EXPECT_TRUE(disc.containsPoint(centre + QPointF(1.5 * 72, 0)));
    EXPECT_FALSE(disc.containsPoint(centre + QPointF(2.4 * 72, 0)));
}
