// The shared list of dash patterns and how a pattern becomes stroke lengths.
#include <gtest/gtest.h>

#include "objects/CDashArray.h"

using namespace quillmark;

TEST(CDashArray, HoldsTheTwentyTwoPatternsInOrder)
{
    const QList<CDashArray::Pattern> list = CDashArray::array();
    const QList<CDashArray::Pattern> expected = {
        {1}, {4, 2}, {3, 2}, {3, 3}, {2, 3}, {1, 3}, {2, 2}, {5, 3}, {1, 2},
        {3, 3, 1, 2}, {3, 3, 1, 2, 1, 2}, {5, 2, 5, 2, 1, 2}, {8, 3, 3, 3},
        {5, 2, 3, 2, 3, 3}, {3, 2, 1, 2}, {3, 2, 1, 2, 1, 2}, {4, 2, 4, 2, 1, 2},
        {7, 2, 1, 2}, {7, 2, 1, 2, 1, 2}, {8, 3}, {1, 6}, {8, 3, 1, 3},
    };
    EXPECT_EQ(list, expected);
    EXPECT_EQ(list.size(), CDashArray::count);
    for (const CDashArray::Pattern &pattern : list)
        EXPECT_LE(pattern.size(), 10);
}

TEST(CDashArray, EveryRequestSeesTheSameList)
{
    EXPECT_EQ(CDashArray::array(), CDashArray().dashArray());
}

TEST(CDashArray, LengthsScaleWithTheLineWidth)
{
    EXPECT_TRUE(CDashArray::dashLengths(0, 5).isEmpty());
    EXPECT_EQ(CDashArray::dashLengths(20, 2), (QList<qreal>{2, 12}));
    EXPECT_EQ(CDashArray::dashLengths(12, 0), (QList<qreal>{8, 3, 3, 3}));
    EXPECT_EQ(CDashArray::dashLengths(12, -1), (QList<qreal>{8, 3, 3, 3}));
    EXPECT_EQ(CDashArray::dashLengths(1, 0.5), (QList<qreal>{2, 1}));
}

TEST(CDashArray, NumbersOutsideTheListAreSolid)
{
    EXPECT_TRUE(CDashArray::dashLengths(22, 1).isEmpty());
    EXPECT_TRUE(CDashArray::dashLengths(-1, 1).isEmpty());
    EXPECT_TRUE(CDashArray::dashLengths(1000000, 1).isEmpty());
}
