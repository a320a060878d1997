// The inspector follows the commands that change what the selection is without selecting
// anew: after Group it shows the group's frame and what a group allows, after Ungroup the
// members' own values again, and after Lock the origin can no longer be typed.
#include <gtest/gtest.h>

#include <QCheckBox>

#include "app/AppTestSupport.h"
#include "foundation/MyStepper.h"
#include "inspector/GeometryPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"

using namespace quillmark;

namespace {

TEST(InspectorRefreshWindow, GroupUngroupAndLockShowTheNewValuesAtOnce)
{
    apptest::WindowFixture f(QStringLiteral("inspector-refresh"));
    f.canvas()->setMeasure(QStringLiteral("Points"));
    f.drawRect(QRectF(100, 20, 40, 30));
    f.drawRect(QRectF(20, 60, 50, 30));
    const GraphicPtr right = f.canvas()->getRects().first();
    // The right-hand rectangle first: its values show until the two are one group.
    f.click(QPointF(120, 35));
    f.click(QPointF(45, 75), Qt::ShiftModifier);
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 2);
    ASSERT_EQ(f.canvas()->selectedObjects().first(), right);
    GeometryPage *page = f.window->objectInfo()->geometryPage();
    EXPECT_EQ(page->tvOriginX->text(), QStringLiteral("100.00 pt"));
    EXPECT_EQ(page->tvWidth->text(), QStringLiteral("40.00 pt"));
    EXPECT_TRUE(page->bFixRatio->isEnabled());

    f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Group"))->trigger();
    apptest::settle();
    ASSERT_NE(right->getGroup(), nullptr);
    EXPECT_EQ(page->tvOriginX->text(), QStringLiteral("20.00 pt")) << "the group's left edge";
    EXPECT_EQ(page->tvOriginY->text(), QStringLiteral("20.00 pt"));
    EXPECT_EQ(page->tvWidth->text(), QStringLiteral("120.00 pt")) << "the group's width";
    EXPECT_EQ(page->tvHeight->text(), QStringLiteral("70.00 pt"));
    EXPECT_FALSE(page->bFixRatio->isEnabled()) << "a group keeps no ratio of its own";

    f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Ungroup"))->trigger();
    apptest::settle();
    ASSERT_EQ(right->getGroup(), nullptr);
    ASSERT_FALSE(f.canvas()->selectedObjects().isEmpty());
    const GraphicPtr first = f.canvas()->selectedObjects().first();
    EXPECT_EQ(page->tvOriginX->text(), QString::asprintf("%.2f pt", first->originX()));
    EXPECT_EQ(page->tvWidth->text(), QString::asprintf("%.2f pt", first->width()));
    EXPECT_TRUE(page->bFixRatio->isEnabled());

    EXPECT_TRUE(page->tvOriginX->isEnabled());
    f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Lock"))->trigger();
    apptest::settle();
    ASSERT_TRUE(first->isLocked());
    EXPECT_FALSE(page->tvOriginX->isEnabled()) << "locked objects keep their place";
    EXPECT_FALSE(page->spOriginY->isEnabled());
    f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Lock"))->trigger();
    apptest::settle();
    EXPECT_FALSE(first->isLocked());
    EXPECT_TRUE(page->tvOriginX->isEnabled());
}

} // namespace
