// The align and same-size commands: the tags' rules, the common box of the selection as the
// reference, groups moved and resized as one unit, the buttons' enabling, and a same-size
// change marking the document changed.
#include <gtest/gtest.h>

#include <QToolButton>

#include "inspector/AlignPage.h"
#include "inspector/InspectorFixture.h"
#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/Group.h"

using namespace quillmark;
using inspectortest::InspectorFixture;

namespace {

TEST(AlignRules, EachTagMovesTheRectangleOntoTheReference)
{
    const QRectF first(10, 20, 100, 60);
    const QRectF current(50, 70, 30, 10);
    struct Row
    {
        int tag;
        QRectF expected;
    };
    const Row rows[] = {
        {1, QRectF(10, 70, 30, 10)},  {2, QRectF(45, 70, 30, 10)}, {3, QRectF(80, 70, 30, 10)},
        {4, QRectF(50, 20, 30, 10)},  {5, QRectF(50, 45, 30, 10)}, {6, QRectF(50, 70, 30, 10)},
        {0, current},                 {7, current},                {-1, current},
    };
    for (const Row &row : rows)
        EXPECT_EQ(AlignPage::alignObjectRect(row.tag, first, current), row.expected) << "tag " << row.tag;
    // Sizes: width, height, both; the origin stays.
    EXPECT_EQ(AlignPage::setObjectRect(1, first, current), QRectF(50, 70, 100, 10));
    EXPECT_EQ(AlignPage::setObjectRect(2, first, current), QRectF(50, 70, 30, 60));
    EXPECT_EQ(AlignPage::setObjectRect(3, first, current), QRectF(50, 70, 100, 60));
    EXPECT_EQ(AlignPage::setObjectRect(4, first, current), current);
}

struct ThreeBoxes : InspectorFixture
{
    ThreeBoxes() : InspectorFixture(QStringLiteral("align-three"))
    {
        a = add(QRectF(10, 0, 40, 30));
        b = add(QRectF(40, 80, 60, 40));
        c = add(QRectF(70, 170, 20, 30));
        select({a, b, c});
        startFresh();
    }
    std::shared_ptr<ColorRect> a, b, c;
};

TEST(AlignSelection, ButtonsLineUpEdgesAndCentresOnTheCommonBox)
{
    {
        ThreeBoxes f;
        QTest::mouseClick(f.info->alignPage()->bAlignLeft, Qt::LeftButton);
        for (const auto &o : {f.a, f.b, f.c})
            EXPECT_FLOAT_EQ(o->originX(), 10.0f);
        EXPECT_GE(f.canvas.changedCalls, 1);
    }
    {
        ThreeBoxes f;
        // Right edges at 50, 100 and 90: all end at 100.
        QTest::mouseClick(f.info->alignPage()->bAlignRight, Qt::LeftButton);
        for (const auto &o : {f.a, f.b, f.c})
            EXPECT_FLOAT_EQ(o->originX() + o->width(), 100.0f);
    }
    {
        ThreeBoxes f;
        // Spanning y 0 to 200: every vertical centre ends at 100.
        QTest::mouseClick(f.info->alignPage()->bAlignMidV, Qt::LeftButton);
        for (const auto &o : {f.a, f.b, f.c})
            EXPECT_FLOAT_EQ(o->originY() + 0.5f * o->height(), 100.0f);
        f.canvas.undo.closeEventGroup();
        f.canvas.undo.undo();
        EXPECT_FLOAT_EQ(f.a->originY(), 0.0f);
    }
}

TEST(AlignSelection, LockedObjectsStayButWidenTheBox)
{
    ThreeBoxes f;
    f.b->setLocked(true);
    f.info->alignObjectEdges(3);
    EXPECT_FLOAT_EQ(f.a->originX() + f.a->width(), 100.0f);
    EXPECT_FLOAT_EQ(f.b->originX(), 40.0f);
    EXPECT_FLOAT_EQ(f.c->originX() + f.c->width(), 100.0f);
}

TEST(AlignSelection, AGroupMovesAsOneUnit)
{
    InspectorFixture f(QStringLiteral("align-group"));
    auto a = f.add(QRectF(50, 0, 20, 10));
    auto b = f.add(QRectF(80, 40, 20, 10));
    auto loose = f.add(QRectF(10, 100, 30, 30));
    auto group = Group::create();
    group->setRectsView(&f.canvas);
    group->addObjects({a, b});
    f.select({a, b, loose});
    EXPECT_TRUE(f.info->alignPage()->bAlignLeft->isEnabled());
    f.info->alignObjectEdges(1);
    EXPECT_FLOAT_EQ(a->originX(), 10.0f);
    EXPECT_FLOAT_EQ(b->originX(), 40.0f);
    EXPECT_FLOAT_EQ(loose->originX(), 10.0f);
}

TEST(AlignSelection, OneGroupAloneEnablesNothing)
{
    InspectorFixture f(QStringLiteral("align-enable"));
    auto a = f.add(QRectF(50, 0, 20, 10));
    auto b = f.add(QRectF(80, 40, 20, 10));
    auto c = f.add(QRectF(10, 100, 30, 30));
    auto group = Group::create();
    group->setRectsView(&f.canvas);
    group->addObjects({a, b});
    AlignPage *page = f.info->alignPage();
    const QList<QToolButton *> all = {page->bAlignLeft, page->bAlignMidH, page->bAlignRight, page->bAlignTop,
                                      page->bAlignMidV, page->bAlignBottom, page->bSameWidth, page->bSameHeight};
    f.select({a, b});
    for (QToolButton *button : all)
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    f.select({c});
    EXPECT_FALSE(page->bAlignLeft->isEnabled());
    f.select({a, b, c});
    for (QToolButton *button : all)
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    // A locked loose object next to one group keeps the same-size buttons off.
    c->setLocked(true);
    f.select({a, b, c});
    EXPECT_TRUE(page->bAlignLeft->isEnabled());
    EXPECT_FALSE(page->bSameWidth->isEnabled());
}

// Rectangles, turned ones, a turned oval, lines with a long shadow (one level, one turned)
// and a group holding a shadowed line: every align and same-size command lines them up by
// what they are, so that pressing it again moves and resizes nothing and records no step.
TEST(AlignSelection, ASecondPressChangesNothingWhateverTheObjects)
{
    for (int command = 1; command <= 9; ++command) {
        SCOPED_TRACE(command);
        InspectorFixture f(QStringLiteral("align-twice"));
        auto place = [&f](const std::shared_ptr<ColorRect> &object) {
            object->setMainView(&f.canvas);
            f.canvas.rects.append(object);
            return object;
        };
        auto shadowed = [](const std::shared_ptr<ColorRect> &object) {
            object->setDrawsShadow(true);
            object->setShadowDistance(300.0);
            object->setShadowBlur(40);
            return object;
        };
        QList<std::shared_ptr<ColorRect>> objects = {
            f.add(QRectF(100, 40, 60, 30)),
            f.add(QRectF(20, 120, 40, 80)),
            f.add(QRectF(180, 60, 30, 50)),
            place(ColorOval::create(QRectF(60, 220, 80, 40))),
            shadowed(place(ColorLine::create(QRectF(40, 300, 120, 0)))),
            shadowed(place(ColorLine::create(QRectF(200, 200, 50, 70)))),
        };
        objects[1]->setAngle(30.0f, false);
        objects[3]->setAngle(60.0f, false);
        objects[5]->setAngle(25.0f, false);
        auto grouped = f.add(QRectF(250, 20, 40, 20));
        auto groupedLine = shadowed(place(ColorLine::create(QRectF(250, 60, 60, 30))));
        auto group = Group::create();
        group->setRectsView(&f.canvas);
        group->addObjects({grouped, groupedLine});
        objects << grouped << groupedLine;
        f.select(objects);
        f.startFresh();

        auto press = [&] {
            if (command <= 6)
                f.info->alignObjectEdges(command);
            else
                f.info->setObjectSize(command - 6);
            f.canvas.undo.closeEventGroup();
        };
        press();
        EXPECT_TRUE(f.canvas.undo.canUndo()) << "the first press does something";
        QList<QRectF> after;
        for (const auto &o : objects)
            after.append(o->frameBounds());
        const QRectF groupBounds = group->bounds();
        f.startFresh();
        press();
        EXPECT_FALSE(f.canvas.undo.canUndo()) << "no step for the second press";
        for (qsizetype i = 0; i < objects.size(); ++i)
            EXPECT_EQ(objects[i]->frameBounds(), after[i]) << "object " << i;
        EXPECT_EQ(group->bounds(), groupBounds);
        if (command == 3) {
            // Right edges on the right of the common box, lines by their ends.
            const double right = AlignPage::alignmentFrame(*objects[0]).right();
            for (const auto &o : objects)
                if (!o->getGroup()) {
                    EXPECT_NEAR(AlignPage::alignmentFrame(*o).right(), right, 1e-9);
                }
            EXPECT_NEAR(objects[4]->frameBounds().right(), right, 1e-9) << "the level line's end";
            EXPECT_NEAR(AlignPage::alignmentFrame(*group).right(), right, 1e-3);
        }
        if (command >= 7 && command != 8) {
            // The first object's width for every box, turned ones included.
            for (const auto &o : objects)
                if (!o->getGroup()) {
                    EXPECT_NEAR(AlignPage::alignmentFrame(*o).width(), 60.0, 1e-6);
                }
            if (command == 7) {
                EXPECT_NEAR(AlignPage::alignmentFrame(*group).width(), 60.0, 1e-3);
            }
        }
    }
}

TEST(SameSize, TheFirstObjectGivesItsSizeAndTheDocumentIsMarkedChanged)
{
    ThreeBoxes f;
    f.c->setAngle(90.0f, false);
    QTest::mouseClick(f.info->alignPage()->bSameWidth, Qt::LeftButton);
    EXPECT_FLOAT_EQ(f.b->width(), 40.0f);
    EXPECT_FLOAT_EQ(f.b->height(), 40.0f);
    EXPECT_FLOAT_EQ(f.b->originX(), 40.0f);
    EXPECT_FLOAT_EQ(f.b->originY(), 80.0f);
    EXPECT_EQ(f.canvas.changedCalls, 1);
    // A turned object's box takes the width at the box's corner, and keeps its angle and its
    // box's height: 20 x 30 turned a quarter is a 30 x 20 box at 65, 175; it becomes 40 x 20
    // there, its own frame 20 x 40.
    const QRectF box = f.c->frameBoundsRotated();
    EXPECT_NEAR(box.x(), 65.0, 1e-3);
    EXPECT_NEAR(box.y(), 175.0, 1e-3);
    EXPECT_NEAR(box.width(), 40.0, 1e-3);
    EXPECT_NEAR(box.height(), 20.0, 1e-3);
    EXPECT_FLOAT_EQ(f.c->angle(), 90.0f);
    EXPECT_NEAR(f.c->width(), 20.0, 1e-3);
    EXPECT_NEAR(f.c->height(), 40.0, 1e-3);

    f.info->setObjectSize(3);
    EXPECT_FLOAT_EQ(f.b->height(), 30.0f);
    EXPECT_EQ(f.canvas.changedCalls, 2);
}

TEST(SameSize, AFirstObjectInAGroupMakesTheGroupTheReferenceAndLeavesItAlone)
{
    InspectorFixture f(QStringLiteral("same-size-group"));
    auto a = f.add(QRectF(0, 0, 20, 10));
    auto b = f.add(QRectF(80, 40, 20, 10));
    auto loose = f.add(QRectF(200, 200, 30, 30));
    auto group = Group::create();
    group->setRectsView(&f.canvas);
    group->addObjects({a, b});
    f.select({a, b, loose});
    f.info->setObjectSize(3);
    EXPECT_NEAR(group->bounds().width(), 100.0, 1e-3);
    EXPECT_FLOAT_EQ(loose->width(), 100.0f);
    EXPECT_FLOAT_EQ(loose->height(), 50.0f);
    EXPECT_FLOAT_EQ(loose->originX(), 200.0f);
}

} // namespace
