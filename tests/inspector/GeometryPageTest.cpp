// The geometry page: a size typed keeps the centre unless Shift is held, the angle shown from
// 0 up, several objects turned together about their common centre in one undo step, groups
// edited as one object, locked objects left where they are.
#include <gtest/gtest.h>

#include <cmath>

#include "foundation/MyStepper.h"
#include "inspector/GeometryPage.h"
#include "inspector/InspectorFixture.h"
#include "inspector/NumberField.h"
#include "objects/Group.h"

using namespace quillmark;
using inspectortest::InspectorFixture;
using inspectortest::type;

namespace {

QPointF centreOf(const std::shared_ptr<ColorRect> &object)
{
    return object->getRotatedBounds().bounds().center();
}

TEST(GeometrySize, AWidthTypedKeepsTheCentreUnlessShiftIsHeld)
{
    InspectorFixture f(QStringLiteral("geometry-size"));
    f.setUnit(QStringLiteral("Points"));
    auto box = f.add(QRectF(10, 20, 100, 50));
    f.select({box});
    f.startFresh();
    GeometryPage *page = f.info->geometryPage();

    type(page->tvWidth, QStringLiteral("200"));
    EXPECT_FLOAT_EQ(box->originX(), -40.0f);
    EXPECT_FLOAT_EQ(box->width(), 200.0f);
    EXPECT_NEAR(box->frameBounds().center().x(), 60.0, 1e-4);
    EXPECT_EQ(page->tvOriginX->text(), QStringLiteral("-40.00 pt"));
    EXPECT_GE(f.canvas.changedCalls, 1);
    // The move and the new width undo as one step.
    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    EXPECT_FLOAT_EQ(box->originX(), 10.0f);
    EXPECT_FLOAT_EQ(box->width(), 100.0f);

    type(page->tvWidth, QStringLiteral("200"), Qt::ShiftModifier);
    EXPECT_FLOAT_EQ(box->originX(), 10.0f);
    EXPECT_FLOAT_EQ(box->width(), 200.0f);

    // Height likewise about the vertical centre.
    type(page->tvHeight, QStringLiteral("30"));
    EXPECT_FLOAT_EQ(box->originY(), 30.0f);
    EXPECT_FLOAT_EQ(box->height(), 30.0f);
}

TEST(GeometrySize, FixedRatioScalesTheHeightAndKeepsTheTop)
{
    InspectorFixture f(QStringLiteral("geometry-ratio"));
    f.setUnit(QStringLiteral("Points"));
    auto box = f.add(QRectF(10, 20, 100, 50));
    box->setFixRatio(true);
    f.select({box});
    type(f.info->geometryPage()->tvWidth, QStringLiteral("200"));
    EXPECT_FLOAT_EQ(box->width(), 200.0f);
    EXPECT_FLOAT_EQ(box->height(), 100.0f);
    EXPECT_FLOAT_EQ(box->originY(), 20.0f);
}

TEST(GeometrySize, TheStepperStepsOnePointInTheUnit)
{
    InspectorFixture f(QStringLiteral("geometry-stepper"));
    f.setUnit(QStringLiteral("Points"));
    auto box = f.add(QRectF(10, 20, 100, 50));
    f.select({box});
    GeometryPage *page = f.info->geometryPage();
    QTest::mouseClick(page->spWidth, Qt::LeftButton, Qt::NoModifier, QPoint(page->spWidth->width() / 2, 3));
    EXPECT_FLOAT_EQ(box->width(), 101.0f);
    EXPECT_EQ(page->tvWidth->text(), QStringLiteral("101.00 pt"));
}

TEST(GeometryOrigin, LockedObjectsStayButTheDocumentIsMarkedChanged)
{
    InspectorFixture f(QStringLiteral("geometry-locked"));
    f.setUnit(QStringLiteral("Points"));
    auto loose = f.add(QRectF(10, 20, 100, 50));
    auto locked = f.add(QRectF(30, 40, 20, 20));
    locked->setLocked(true);
    f.select({loose, locked});
    f.startFresh();
    type(f.info->geometryPage()->tvOriginX, QStringLiteral("5"));
    EXPECT_FLOAT_EQ(loose->originX(), 5.0f);
    EXPECT_FLOAT_EQ(locked->originX(), 30.0f);

    f.select({locked});
    f.startFresh();
    // The field is off for a locked selection; an edit that still comes marks the document.
    f.info->geometryPage()->setOriginX(f.info->geometryPage()->tvOriginY);
    EXPECT_FLOAT_EQ(locked->originX(), 30.0f);
    EXPECT_EQ(f.canvas.changedCalls, 1);
}

TEST(GeometryAngle, ANegativeStoredAngleShowsFromZeroUp)
{
    InspectorFixture f(QStringLiteral("geometry-angle-shown"));
    auto box = f.add(QRectF(10, 20, 100, 50));
    box->setAngle(-90.0f, false);
    f.select({box});
    EXPECT_EQ(f.info->geometryPage()->angle(), QStringLiteral("270.00"));
    EXPECT_EQ(f.info->geometryPage()->tvAngle->text(), QStringLiteral("270.00"));
    EXPECT_EQ(f.info->geometryPage()->slAngle->value(), 270);
}

TEST(GeometryAngle, TwoObjectsTurnTogetherAboutTheirCommonCentreInOneStep)
{
    InspectorFixture f(QStringLiteral("geometry-angle-two"));
    auto a = f.add(QRectF(0, 0, 40, 20));
    auto b = f.add(QRectF(100, 60, 40, 20));
    a->setAngle(10.0f, false);
    b->setAngle(30.0f, false);
    f.select({a, b});
    f.startFresh();
    const QPointF common = QRectF(a->getRotatedBounds().bounds()).united(b->getRotatedBounds().bounds()).center();
    const QPointF pa = centreOf(a);
    const QPointF pb = centreOf(b);

    type(f.info->geometryPage()->tvAngle, QStringLiteral("50"));
    EXPECT_FLOAT_EQ(a->angle(), 50.0f);
    EXPECT_FLOAT_EQ(b->angle(), 70.0f);
    // Each centre carried 40 degrees round the common centre (y grows downward).
    const double d = 40.0 * M_PI / 180.0;
    for (const auto &[object, p] : {std::pair{a, pa}, std::pair{b, pb}}) {
        const QPointF expected(common.x() + (p.x() - common.x()) * std::cos(d) - (p.y() - common.y()) * std::sin(d),
                               common.y() + (p.x() - common.x()) * std::sin(d) + (p.y() - common.y()) * std::cos(d));
        EXPECT_NEAR(centreOf(object).x(), expected.x(), 0.01);
        EXPECT_NEAR(centreOf(object).y(), expected.y(), 0.01);
    }
    EXPECT_EQ(f.canvas.undo.undoActionName(), QStringLiteral("Rotate Object(s)"));
    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    EXPECT_FLOAT_EQ(a->angle(), 10.0f);
    EXPECT_FLOAT_EQ(b->angle(), 30.0f);
    EXPECT_NEAR(centreOf(a).x(), pa.x(), 0.01);
    EXPECT_NEAR(centreOf(b).y(), pb.y(), 0.01);
}

TEST(GeometryAngle, TurnsWrapRoundAFullCircle)
{
    struct Row
    {
        float from;
        float to;
        float expected;
    };
    // A single object turns in place; the shown angle is the target.
    for (const Row row : {Row{350.0f, 10.0f, 10.0f}, Row{10.0f, 350.0f, 350.0f}}) {
        InspectorFixture f(QStringLiteral("geometry-angle-wrap"));
        auto box = f.add(QRectF(10, 20, 100, 50));
        box->setAngle(row.from, false);
        f.select({box});
        const QPointF before = centreOf(box);
        f.info->geometryPage()->setObjectAngle(row.to);
        EXPECT_FLOAT_EQ(box->angle(), row.expected) << row.from << " to " << row.to;
        EXPECT_NEAR(centreOf(box).x(), before.x(), 0.01);
    }
    // Two objects 20 degrees apart: the second passes 360 and starts again from 0.
    InspectorFixture f(QStringLiteral("geometry-angle-wrap-two"));
    auto a = f.add(QRectF(0, 0, 40, 20));
    auto b = f.add(QRectF(100, 60, 40, 20));
    a->setAngle(330.0f, false);
    b->setAngle(350.0f, false);
    f.select({a, b});
    f.info->geometryPage()->setObjectAngle(350.0f);
    EXPECT_FLOAT_EQ(a->angle(), 350.0f);
    EXPECT_FLOAT_EQ(b->angle(), 10.0f);
}

TEST(GeometryGroups, AGroupIsShownAndResizedAsOneObject)
{
    InspectorFixture f(QStringLiteral("geometry-group"));
    f.setUnit(QStringLiteral("Points"));
    auto a = f.add(QRectF(0, 0, 20, 10));
    auto b = f.add(QRectF(80, 40, 20, 10));
    auto group = Group::create();
    group->setRectsView(&f.canvas);
    group->addObjects({a, b});
    f.select({a, b});
    GeometryPage *page = f.info->geometryPage();
    EXPECT_EQ(page->tvWidth->text(), QStringLiteral("100.00 pt"));
    EXPECT_EQ(page->tvHeight->text(), QStringLiteral("50.00 pt"));
    type(page->tvOriginX, QStringLiteral("30"));
    EXPECT_FLOAT_EQ(group->originX(), 30.0f);
    EXPECT_FLOAT_EQ(a->originX(), 30.0f);
    EXPECT_FLOAT_EQ(b->originX(), 110.0f);
    // Twice as wide about its centre (x 80): the group keeps its proportions.
    type(page->tvWidth, QStringLiteral("200"));
    EXPECT_NEAR(group->bounds().width(), 200.0, 0.01);
    EXPECT_NEAR(group->bounds().center().x(), 80.0, 0.01);
}

TEST(GeometryGroups, ARotatableGroupTurnsAboutTheSelectionAndALooseObjectInPlace)
{
    InspectorFixture f(QStringLiteral("geometry-group-turn"));
    auto a = f.add(QRectF(0, 0, 20, 10));
    auto b = f.add(QRectF(80, 40, 20, 10));
    auto loose = f.add(QRectF(200, 200, 40, 40));
    auto group = Group::create();
    group->setRectsView(&f.canvas);
    group->addObjects({a, b});
    f.select({a, b, loose});
    const QPointF looseCentre = centreOf(loose);
    const QPointF before = centreOf(a);
    f.info->geometryPage()->setObjectAngle(90.0f);
    EXPECT_FLOAT_EQ(loose->angle(), 90.0f);
    EXPECT_NEAR(centreOf(loose).x(), looseCentre.x(), 0.01);
    EXPECT_NEAR(centreOf(loose).y(), looseCentre.y(), 0.01);
    EXPECT_FLOAT_EQ(group->angle(), 90.0f);
    EXPECT_GT(QLineF(centreOf(a), before).length(), 1.0);
}

} // namespace
