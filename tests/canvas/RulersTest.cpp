// Rulers and measurement units on the canvas: the conversions and the unit button's cycle,
// the rulers counting from the label's corner, the edge markers that show the selection and
// resize it when dragged with the mouse, and the ruler lines that echo a drag.
#include <gtest/gtest.h>

#include <QLabel>
#include <QScrollBar>

#include "canvas/RulerCanvasSupport.h"
#include "objects/Group.h"
#include "platform/Bundle.h"
#include "platform/UndoManager.h"

using namespace quillmark;
using canvastest::RulerCanvas;

namespace {

class RulersTest : public ::testing::Test
{
protected:
    void SetUp() override { Language::reset(qmtest::resourcesDir(), QStringLiteral("en")); }
    void TearDown() override { Language::reset(); }
};

QRectF frameOf(const std::shared_ptr<ColorRect> &graphic)
{
    return graphic->frameBounds();
}

double markerAt(RulerView *ruler, const QString &edge)
{
    for (const RulerMarkerPtr &marker : ruler->markers())
        if (marker->representedObject() == edge)
            return marker->markerLocation();
    return qQNaN();
}

} // namespace

// ---- units ----

TEST_F(RulersTest, UnitsConvertByTheirFactorsAndAnyOtherNameIsInches)
{
    const struct
    {
        const char *unit;
        float perInch;
    } units[] = {{"Inches", 1.0f}, {"Centimeters", 2.54f}, {"Points", 72.0f}, {"Picas", 6.0f}, {"Furlongs", 1.0f}};
    for (const auto &u : units) {
        const QString unit = QString::fromLatin1(u.unit);
        EXPECT_FLOAT_EQ(RectsView::convertUnitsF(1.0f, unit), u.perInch) << u.unit;
        EXPECT_FLOAT_EQ(RectsView::convertUnits2inchesF(u.perInch, unit), 1.0f) << u.unit;
        EXPECT_FLOAT_EQ(RectsView::convertUnits2inchesF(RectsView::convertUnitsF(2.75f, unit), unit), 2.75f);
    }
}

TEST_F(RulersTest, TheMeasureIsStoredAsInchesWhenMissingAndTextsCarryTheUnit)
{
    canvastest::CanvasFixture f;
    canvastest::freshDefaults(QStringLiteral("rulers-measure"));
    EXPECT_EQ(f.view->measure(), "Inches");
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("Measurements")), "Inches");
    const QStringList texts = {"1.00 inch", "2.54 cm", "72.00 pt", "6.00 pc"};
    const QStringList units = {"Inches", "Centimeters", "Points", "Picas"};
    for (int i = 0; i < units.size(); ++i) {
        f.view->setMeasure(units[i]);
        EXPECT_EQ(f.view->measure(), units[i]);
        EXPECT_EQ(f.view->convertUnits(1.0f), texts[i]);
        EXPECT_FLOAT_EQ(f.view->convertUnitsF(1.0f), RectsView::convertUnitsF(1.0f, units[i]));
    }
}

TEST_F(RulersTest, TheUnitButtonCyclesThroughTheFourUnitsAndBack)
{
    RulerCanvas c(QStringLiteral("rulers-cycle"));
    EXPECT_EQ(c.unitButton->text(), "inch");
    QList<double> factors;
    QStringList announced;
    QObject::connect(c.view, &RectsView::measureChanged, [&](const QString &unit, double factor) {
        announced << unit;
        factors << factor;
    });
    const QStringList titles = {"cm", "pt", "pc", "inch"};
    const QStringList units = {"Centimeters", "Points", "Picas", "Inches"};
    // An image offset of half an inch, as the inspector shows it through the cycle.
    double shown = 0.5;
    const double expected[] = {1.27, 36.0, 3.0, 0.5};
    for (int i = 0; i < 4; ++i) {
        QTest::mouseClick(c.unitButton, Qt::LeftButton);
        EXPECT_EQ(c.unitButton->text(), titles[i]);
        EXPECT_EQ(c.view->measure(), units[i]);
        EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("Measurements")), units[i]);
        EXPECT_EQ(c.horizontal()->measurementUnits(), units[i]);
        EXPECT_EQ(c.vertical()->measurementUnits(), units[i]);
        ASSERT_EQ(factors.size(), i + 1);
        shown *= factors.last();
        EXPECT_NEAR(shown, expected[i], 1e-9) << titles[i].toStdString();
    }
    EXPECT_EQ(announced, units);
    EXPECT_EQ(RectsView::barcodeRangeForMeasure(QStringLiteral("Centimeters")), std::make_pair(1.27, 7.62));
    EXPECT_EQ(RectsView::barcodeRangeForMeasure(QStringLiteral("Points")), std::make_pair(36.0, 216.0));
    EXPECT_EQ(RectsView::barcodeRangeForMeasure(QStringLiteral("Picas")), std::make_pair(3.0, 18.0));
    EXPECT_EQ(RectsView::barcodeRangeForMeasure(QStringLiteral("Inches")), std::make_pair(0.5, 3.0));
}

TEST_F(RulersTest, TheCycleReadsTheTranslatedTitles)
{
    Language::reset(qmtest::resourcesDir(), QStringLiteral("de"));
    Language::initialize();
    RulerCanvas c(QStringLiteral("rulers-cycle-de"));
    EXPECT_EQ(c.unitButton->text(), "Zoll");
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        QTest::mouseClick(c.unitButton, Qt::LeftButton);
        seen << c.view->measure();
    }
    EXPECT_EQ(seen, QStringList({"Centimeters", "Points", "Picas", "Inches"}));
    EXPECT_EQ(c.unitButton->text(), "Zoll");
    // A title left in English by a change of language still counts as its unit.
    c.unitButton->setText(QStringLiteral("inch"));
    QTest::mouseClick(c.unitButton, Qt::LeftButton);
    EXPECT_EQ(c.view->measure(), "Centimeters");
}

TEST_F(RulersTest, TheLabelDescriptionFollowsTheUnit)
{
    RulerCanvas c(QStringLiteral("rulers-description"));
    QLabel info;
    RectsView::Outlets outlets = c.view->outlets();
    outlets.labelInfo = &info;
    c.view->setOutlets(outlets);
    c.view->changeLabelDescription();
    EXPECT_TRUE(info.text().startsWith("4.00 inch x 2.00 inch")) << info.text().toStdString();
    QTest::mouseClick(c.unitButton, Qt::LeftButton);
    EXPECT_TRUE(info.text().startsWith("10.16 cm x 5.08 cm")) << info.text().toStdString();
}

// ---- rulers ----

TEST_F(RulersTest, TheRulersCountFromTheLabelsTopLeftCorner)
{
    RulerCanvas c(QStringLiteral("rulers-origin"));
    for (int zoomItem : {2, 4}) {
        c.view->zoomMenuSelect(zoomItem);
        QApplication::processEvents();
        c.scroll->horizontalScrollBar()->setValue(c.scroll->horizontalScrollBar()->maximum() / 2);
        RulerView *h = c.horizontal();
        RulerView *v = c.vertical();
        EXPECT_DOUBLE_EQ(h->zeroLocation(), 0.0);
        EXPECT_DOUBLE_EQ(v->zeroLocation(), 0.0);
        // Page point (0, 0) on the screen is where each ruler puts its zero.
        const QPoint corner = c.view->mapTo(&c.window, c.view->pageToWidget().map(QPointF(0, 0)).toPoint());
        EXPECT_NEAR(h->convertClientToRuler(0.0), corner.x() - h->mapTo(&c.window, QPoint()).x(), 0.5);
        EXPECT_NEAR(v->convertClientToRuler(0.0), corner.y() - v->mapTo(&c.window, QPoint()).y(), 0.5);
        bool zeroLabelled = false;
        for (const RulerView::Tick &tick : h->ticksBetween(-10.0, 10.0))
            zeroLabelled |= tick.location == 0.0 && tick.label == "0";
        EXPECT_TRUE(zeroLabelled);
    }
}

TEST_F(RulersTest, HidingTheRulersGivesTheirRoomToTheCanvas)
{
    RulerCanvas c(QStringLiteral("rulers-hide"));
    EXPECT_TRUE(c.view->rulersVisible());
    const QRect with = c.scroll->viewport()->geometry();
    c.view->showHideRuler();
    EXPECT_FALSE(c.view->rulersVisible());
    const QRect without = c.scroll->viewport()->geometry();
    EXPECT_GT(without.width(), with.width());
    EXPECT_GT(without.height(), with.height());
    // The vertical ruler reserves 15 points for its markers.
    EXPECT_EQ(c.vertical()->reservedThicknessForMarkers(), 15.0);
}

TEST_F(RulersTest, MarkersShowTheSelectionsExtent)
{
    RulerCanvas c(QStringLiteral("rulers-markers"));
    auto graphic = c.add(QRectF(20, 30, 100, 50));
    EXPECT_TRUE(c.horizontal()->markers().isEmpty());
    c.view->selectRect(graphic);
    EXPECT_EQ(markerAt(c.horizontal(), "Left Edge"), 20.0);
    EXPECT_EQ(markerAt(c.horizontal(), "Right Edge"), 120.0);
    EXPECT_EQ(markerAt(c.vertical(), "Top Edge"), 30.0);
    EXPECT_EQ(markerAt(c.vertical(), "Bottom Edge"), 80.0);
    for (const RulerMarkerPtr &marker : c.horizontal()->markers())
        EXPECT_TRUE(marker->isRemovable());
    c.view->clearSelection();
    EXPECT_TRUE(c.horizontal()->markers().isEmpty());
    EXPECT_TRUE(c.vertical()->markers().isEmpty());
}

TEST_F(RulersTest, EachEdgeMarkerDragsItsOwnEdgeThroughItsKnob)
{
    const struct
    {
        const char *edge;
        bool horizontal;
        int pixels;
        int knob;
        QRectF frame;
    } cases[] = {
        {"Left Edge", true, 10, 4, QRectF(30, 30, 90, 50)},
        {"Right Edge", true, 10, 5, QRectF(20, 30, 110, 50)},
        {"Top Edge", false, 10, 2, QRectF(20, 40, 100, 40)},
        {"Bottom Edge", false, -10, 7, QRectF(20, 30, 100, 40)},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.edge);
        RulerCanvas c(QStringLiteral("rulers-edges"));
        auto graphic = c.add(QRectF(20, 30, 100, 50));
        c.view->selectRect(graphic);
        RulerView *ruler = k.horizontal ? c.horizontal() : c.vertical();
        const QPoint start = c.markerSpot(ruler, k.edge);
        const QPoint along = k.horizontal ? QPoint(1, 0) : QPoint(0, 1);
        QTest::mousePress(ruler, Qt::LeftButton, {}, start);
        QTest::mouseMove(ruler, start + along * k.pixels);
        EXPECT_EQ(RectsView::markerKnob(), k.knob);
        QTest::mouseRelease(ruler, Qt::LeftButton, {}, start + along * k.pixels);
        EXPECT_EQ(RectsView::markerKnob(), 0);
        EXPECT_EQ(frameOf(graphic), k.frame);
        // The markers stand at the new edges.
        EXPECT_EQ(markerAt(ruler, k.edge), k.horizontal ? (k.knob == 4 ? k.frame.left() : k.frame.right())
                                                           : (k.knob == 2 ? k.frame.top() : k.frame.bottom()));
    }
}

TEST_F(RulersTest, DraggingAnEdgeAcrossTheOppositeOneGoesOnFromThatEdge)
{
    RulerCanvas c(QStringLiteral("rulers-swap"));
    auto graphic = c.add(QRectF(20, 30, 100, 50));
    c.view->selectRect(graphic);
    RulerView *h = c.horizontal();
    const QPoint start = c.markerSpot(h, "Right Edge");
    QTest::mousePress(h, Qt::LeftButton, {}, start);
    QTest::mouseMove(h, start + QPoint(-75, 0));
    EXPECT_EQ(frameOf(graphic), QRectF(20, 30, 25, 50));
    EXPECT_EQ(RectsView::markerKnob(), 5);
    // Past the left edge the knob becomes the left one: the old left edge stays put.
    QTest::mouseMove(h, start + QPoint(-150, 0));
    EXPECT_EQ(RectsView::markerKnob(), 4);
    EXPECT_EQ(frameOf(graphic), QRectF(-30, 30, 50, 50));
    QTest::mouseMove(h, start + QPoint(-160, 0));
    EXPECT_EQ(frameOf(graphic), QRectF(-40, 30, 60, 50));
    QTest::mouseRelease(h, Qt::LeftButton, {}, start + QPoint(-160, 0));
    EXPECT_EQ(markerAt(h, "Left Edge"), -40.0);
    EXPECT_EQ(markerAt(h, "Right Edge"), 20.0);

    // The same from the bottom up across the top.
    RulerView *v = c.vertical();
    const QPoint bottom = c.markerSpot(v, "Bottom Edge");
    QTest::mousePress(v, Qt::LeftButton, {}, bottom);
    QTest::mouseMove(v, bottom + QPoint(0, -60));
    EXPECT_EQ(RectsView::markerKnob(), 2);
    EXPECT_EQ(frameOf(graphic), QRectF(-40, 20, 60, 10));
    QTest::mouseRelease(v, Qt::LeftButton, {}, bottom + QPoint(0, -60));
}

TEST_F(RulersTest, SeveralObjectsResizeAsOneAndStayUngrouped)
{
    RulerCanvas c(QStringLiteral("rulers-several"));
    auto a = c.add(QRectF(0, 0, 50, 50));
    auto b = c.add(QRectF(100, 0, 50, 50));
    c.view->selectRect(a);
    c.view->selectRect(b);
    c.dragMarker(c.horizontal(), "Right Edge", 150);
    // Both scale with the right edge, keeping their proportions like a group.
    EXPECT_NEAR(frameOf(a).width(), 100.0, 1e-6);
    EXPECT_NEAR(frameOf(b).left(), 200.0, 1e-6);
    EXPECT_NEAR(frameOf(b).right(), 300.0, 1e-6);
    EXPECT_EQ(a->getGroup(), nullptr);
    EXPECT_EQ(b->getGroup(), nullptr);
    EXPECT_TRUE(c.view->groups().isEmpty());
}

TEST_F(RulersTest, AGroupResizesByItsOwnKnob)
{
    RulerCanvas c(QStringLiteral("rulers-group"));
    auto a = c.add(QRectF(0, 0, 50, 50));
    auto b = c.add(QRectF(100, 0, 50, 50));
    c.view->selectRect(a);
    c.view->selectRect(b);
    c.view->group();
    ASSERT_EQ(c.view->groups().size(), 1);
    const GroupPtr group = c.view->groups().first();
    c.view->updateRulers();
    c.dragMarker(c.horizontal(), "Left Edge", 75);
    EXPECT_NEAR(group->bounds().left(), 75.0, 1e-6);
    EXPECT_NEAR(frameOf(b).right(), 150.0, 1e-6);
    EXPECT_EQ(a->getGroup(), group.get());
}

TEST_F(RulersTest, AMarkerDragIsOneUndoStepAndChangesTheDocument)
{
    RulerCanvas c(QStringLiteral("rulers-undo"));
    auto graphic = c.add(QRectF(20, 30, 100, 50));
    c.view->selectRect(graphic);
    c.view->wasChanged(false);
    UndoManager *undo = c.view->undoManager();
    undo->closeEventGroup();
    undo->removeAllActions();
    const QPoint start = c.markerSpot(c.horizontal(), "Right Edge");
    QTest::mousePress(c.horizontal(), Qt::LeftButton, {}, start);
    for (int step = 1; step <= 5; ++step) {
        QTest::mouseMove(c.horizontal(), start + QPoint(8 * step, 0));
        undo->closeEventGroup();
    }
    QTest::mouseRelease(c.horizontal(), Qt::LeftButton, {}, start + QPoint(40, 0));
    undo->closeEventGroup();
    EXPECT_EQ(frameOf(graphic), QRectF(20, 30, 140, 50));
    EXPECT_TRUE(c.view->isChanged());
    c.view->undo();
    EXPECT_EQ(frameOf(graphic), QRectF(20, 30, 100, 50));
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(RulersTest, ALockedSelectionKeepsItsMarkersStill)
{
    RulerCanvas c(QStringLiteral("rulers-locked"));
    auto graphic = c.add(QRectF(20, 30, 100, 50));
    graphic->setLocked(true);
    c.view->selectRect(graphic);
    c.dragMarker(c.horizontal(), "Right Edge", 30);
    EXPECT_EQ(frameOf(graphic), QRectF(20, 30, 100, 50));
    EXPECT_EQ(markerAt(c.horizontal(), "Right Edge"), 120.0);
}

TEST_F(RulersTest, TextEditedInPlaceKeepsTheHorizontalRulerToItself)
{
    RulerCanvas c(QStringLiteral("rulers-editing"));
    auto graphic = c.add(QRectF(20, 30, 100, 50));
    c.view->selectRect(graphic);
    ASSERT_TRUE(c.view->setEditableObject(graphic));
    const QList<RulerMarkerPtr> before = c.horizontal()->markers();
    graphic->setFrameBounds(QRectF(40, 30, 100, 50));
    c.view->updateRulers();
    EXPECT_EQ(c.horizontal()->markers(), before);
    EXPECT_EQ(markerAt(c.vertical(), "Top Edge"), 30.0);
    c.view->clearEditable();
}

// ---- echo lines ----

TEST_F(RulersTest, AKnobDragEchoesTheFrameOnBothRulers)
{
    RulerCanvas c(QStringLiteral("rulers-echo"));
    auto graphic = c.add(QRectF(20, 30, 100, 50));
    c.view->selectRect(graphic);
    RulerView *h = c.horizontal();
    RulerView *v = c.vertical();
    auto expectLines = [&](const QRectF &frame) {
        QList<double> xs = h->rulerlines();
        QList<double> ys = v->rulerlines();
        std::sort(xs.begin(), xs.end());
        std::sort(ys.begin(), ys.end());
        ASSERT_EQ(xs.size(), 3);
        ASSERT_EQ(ys.size(), 3);
        EXPECT_NEAR(xs[0], h->convertClientToRuler(frame.left()), 1e-6);
        EXPECT_NEAR(xs[1], h->convertClientToRuler(frame.center().x()), 1e-6);
        EXPECT_NEAR(xs[2], h->convertClientToRuler(frame.right()), 1e-6);
        EXPECT_NEAR(ys[0], v->convertClientToRuler(frame.top()), 1e-6);
        EXPECT_NEAR(ys[2], v->convertClientToRuler(frame.bottom()), 1e-6);
    };
    // Knob 8, the bottom-right corner.
    c.press(QPointF(120, 80));
    c.drag(QPointF(130, 85));
    expectLines(frameOf(graphic));
    c.drag(QPointF(150, 95));
    EXPECT_EQ(frameOf(graphic), QRectF(20, 30, 130, 65));
    expectLines(frameOf(graphic));
    EXPECT_NEAR(c.view->horizontalRulerLineRect().left(), h->convertClientToRuler(20.0), 1e-6);
    c.release(QPointF(150, 95));
    EXPECT_TRUE(h->rulerlines().isEmpty());
    EXPECT_TRUE(v->rulerlines().isEmpty());
    EXPECT_TRUE(c.view->horizontalRulerLineRect().isNull());
}

TEST_F(RulersTest, AMoveMarksWhereTheSelectionWasUntilTheButtonGoesUp)
{
    RulerCanvas c(QStringLiteral("rulers-move"));
    auto graphic = c.add(QRectF(20, 30, 100, 50));
    c.view->selectRect(graphic);
    // Shift keeps the grid out of it.
    c.press(QPointF(60, 50));
    c.drag(QPointF(80, 60), Qt::ShiftModifier);
    c.drag(QPointF(90, 70), Qt::ShiftModifier);
    QList<double> xs = c.horizontal()->rulerlines();
    std::sort(xs.begin(), xs.end());
    ASSERT_EQ(xs.size(), 2);
    EXPECT_NEAR(xs[0], c.horizontal()->convertClientToRuler(20.0), 1e-6);
    EXPECT_NEAR(xs[1], c.horizontal()->convertClientToRuler(120.0), 1e-6);
    EXPECT_EQ(c.vertical()->rulerlines().size(), 2);
    c.release(QPointF(90, 70));
    EXPECT_EQ(frameOf(graphic), QRectF(50, 50, 100, 50));
    EXPECT_TRUE(c.horizontal()->rulerlines().isEmpty());
    EXPECT_TRUE(c.vertical()->rulerlines().isEmpty());
}

// The markers follow the selection through every step of a move, a locked object of it
// staying where it is, with the grid snapping the steps or kept out by Shift; a step back to
// where the pointer was, or one the grid holds in place, leaves them where they are.
TEST_F(RulersTest, TheMarkersFollowEachStepOfAMove)
{
    for (const bool withLocked : {false, true}) {
        for (const Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::KeyboardModifiers()}) {
            RulerCanvas c(QStringLiteral("rulers-move-steps"));
            auto first = c.add(QRectF(20, 30, 100, 50));
            auto second = c.add(QRectF(200, 40, 60, 90));
            second->setLocked(withLocked);
            c.view->selectAll();
            c.press(QPointF(60, 50));
            const QPointF steps[] = {{67, 55}, {74, 60}, {74, 60}, {70.5, 57}, {81.4, 65.2}, {81, 65}};
            for (const QPointF &to : steps) {
                // A nudge given halfway through, with the button held: the steps after it
                // start from where it put the objects.
                if (&to == &steps[3])
                    c.view->moveSelectedGraphicsByPoint(QPointF(5, 3));
                c.drag(to, modifiers);
                const QRectF both = first->frameBounds().united(second->frameBounds());
                const auto where = [&] {
                    return ::testing::Message() << withLocked << " " << int(modifiers) << " (" << to.x() << ", "
                                                << to.y() << ")";
                };
                EXPECT_NEAR(markerAt(c.horizontal(), "Left Edge"), both.left(), 1e-4) << where();
                EXPECT_NEAR(markerAt(c.horizontal(), "Right Edge"), both.right(), 1e-4) << where();
                EXPECT_NEAR(markerAt(c.vertical(), "Top Edge"), both.top(), 1e-4) << where();
                EXPECT_NEAR(markerAt(c.vertical(), "Bottom Edge"), both.bottom(), 1e-4) << where();
            }
            c.release(QPointF(81, 65), modifiers);
            if (modifiers & Qt::ShiftModifier) {
                EXPECT_EQ(first->frameBounds().topLeft(), QPointF(46, 48));
                EXPECT_EQ(second->frameBounds().topLeft(), withLocked ? QPointF(200, 40) : QPointF(226, 58));
            } else if (withLocked) {
                EXPECT_EQ(second->frameBounds().topLeft(), QPointF(200, 40));
            }
        }
    }
}

TEST_F(RulersTest, WithoutRulersNothingIsEchoed)
{
    RulerCanvas c(QStringLiteral("rulers-hidden-echo"));
    c.view->showHideRuler();
    c.view->beginEchoingMoveToRulers(QRectF(0, 0, 10, 10));
    EXPECT_TRUE(c.horizontal()->rulerlines().isEmpty());
    c.view->stopEchoingMoveToRulers();
}

TEST_F(RulersTest, MarkerImagesTurnWhiteInTheDarkAppearance)
{
    canvastest::freshDefaults(QStringLiteral("rulers-dark"));
    QImage marker(8, 8, QImage::Format_ARGB32_Premultiplied);
    marker.fill(Qt::transparent);
    marker.setPixelColor(2, 2, QColor(40, 40, 40));
    EXPECT_EQ(RectsView::imageForRuler(marker), marker);
    UserDefaults::standard().setString(QStringLiteral("Dark"), QStringLiteral("AppleInterfaceStyle"));
    const QImage white = RectsView::imageForRuler(marker);
    EXPECT_EQ(white.pixelColor(2, 2), QColor(Qt::white));
    EXPECT_EQ(white.pixelColor(5, 5).alpha(), 0);
    UserDefaults::standard().removeObject(QStringLiteral("AppleInterfaceStyle"));
    // The shipped marker images load.
    RectsView::initialize();
    EXPECT_FALSE(Bundle::imageNamed(QStringLiteral("EdgeMarkerLeft")).isNull());
    EXPECT_FALSE(Bundle::imageNamed(QStringLiteral("EdgeMarkerBottom")).isNull());
}

TEST_F(RulersTest, MarkersTurnLightWhenThePaletteTurnsDark)
{
    RulerCanvas c(QStringLiteral("rulers-palette"));
    auto graphic = c.add(QRectF(20, 30, 100, 50));
    c.view->selectRect(graphic);
    auto opaqueColour = [](const QImage &image) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y).alpha() == 255)
                    return image.pixelColor(x, y);
        return QColor();
    };
    ASSERT_FALSE(c.horizontal()->markers().isEmpty());
    EXPECT_LT(opaqueColour(c.horizontal()->markers().first()->image()).lightness(), 128);
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    QApplication::setPalette(dark);
    QApplication::processEvents();
    EXPECT_EQ(opaqueColour(c.horizontal()->markers().first()->image()), QColor(Qt::white));
    QApplication::setPalette(light);
    QApplication::processEvents();
    EXPECT_LT(opaqueColour(c.horizontal()->markers().first()->image()).lightness(), 128);
}
