// Rulers, units and zoom in the whole window, as a user meets them: the rulers beside the
// canvas, the zoom button at the end of the horizontal scroller with its menu's check marks,
// the layer control at the other end, the unit button in the tool bar, the View menu's
// Rulers item, a document that brings its unit back, and a marker dragged on the ruler.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/CanvasTestSupport.h"
#include "canvas/RectsView.h"
#include "common/TestPrompts.h"
#include "foundation/MyScrollView.h"
#include "foundation/SegmentedControl.h"
#include "foundation/ZoomButton.h"
#include "objects/ColorRect.h"
#include "platform/RulerView.h"

using namespace quillmark;

namespace {

class RulersWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("rulers-window"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        registerAllKinds();
        window = std::make_unique<MainWindow>();
        window->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        window.reset();
        Language::reset();
    }

    RectsView *canvas() { return window->canvas(); }
    MyScrollView *scroll() { return qobject_cast<MyScrollView *>(window->scrollArea()); }

    QAction *menuItem(const QString &menuTitle, const QString &title)
    {
        for (QAction *top : window->menuBar()->actions())
            if (top->menu() && top->text() == menuTitle)
                for (QAction *item : top->menu()->actions())
                    if (item->text() == title) {
                        emit top->menu()->aboutToShow();
                        return item;
                    }
        ADD_FAILURE() << "no item " << title.toStdString();
        return nullptr;
    }

    // Presses the zoom button and answers the check-marked titles of the menu it pops up.
    QStringList checkedZoomItems()
    {
        ZoomButton *button = window->zoomButton();
        QTest::mouseClick(button, Qt::LeftButton);
        QMenu *menu = button->zoomMenu();
        EXPECT_NE(menu, nullptr);
        QStringList checked;
        if (!menu)
            return checked;
        for (QAction *item : menu->actions())
            if (item->isChecked())
                checked << item->text();
        menu->close();
        return checked;
    }

    void chooseZoomItem(const QString &title)
    {
        ZoomButton *button = window->zoomButton();
        QTest::mouseClick(button, Qt::LeftButton);
        for (QAction *item : button->zoomMenu()->actions())
            if (item->text() == title) {
                item->trigger();
                button->zoomMenu()->close();
                return;
            }
        ADD_FAILURE() << "no zoom item " << title.toStdString();
    }

    std::unique_ptr<MainWindow> window;
};

QRect inWindow(QWidget *widget, QWidget *window)
{
    return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

} // namespace

TEST_F(RulersWindow, TheRulersLieAboveAndBesideTheCanvasWithTheZoomAndLayerControlsBelow)
{
    ASSERT_NE(scroll(), nullptr);
    RulerView *horizontal = canvas()->horizontalRuler();
    RulerView *vertical = canvas()->verticalRuler();
    ASSERT_NE(horizontal, nullptr);
    ASSERT_NE(vertical, nullptr);
    EXPECT_TRUE(horizontal->isVisible());
    EXPECT_TRUE(vertical->isVisible());
    const QRect viewport = inWindow(scroll()->viewport(), window.get());
    EXPECT_EQ(inWindow(horizontal, window.get()).bottom() + 1, viewport.top());
    EXPECT_EQ(inWindow(vertical, window.get()).right() + 1, viewport.left());
    EXPECT_EQ(horizontal->measurementUnits(), "Inches");
    EXPECT_EQ(horizontal->clientView(), canvas());

    // Below the canvas: the layer control at the left end of the scroller, the zoom button at
    // its right end, showing the fitted zoom.
    const QRect bar = inWindow(scroll()->horizontalScrollBar(), window.get());
    const QRect zoom = inWindow(window->zoomButton(), window.get());
    const QRect layers = inWindow(window->layerControl(), window.get());
    EXPECT_EQ(zoom.left(), bar.right() + 1);
    EXPECT_EQ(layers.right() + 1, bar.left());
    EXPECT_EQ(zoom.top(), bar.top());
    EXPECT_EQ(window->zoomButton()->scaleText(), canvas()->zoomText());
    EXPECT_TRUE(canvas()->zoomText().endsWith('%'));

    // The layer control still picks the layer that is edited.
    QTest::mouseClick(window->layerControl()->segmentButton(0), Qt::LeftButton);
    EXPECT_EQ(canvas()->currentLayer(), 0);
    QTest::mouseClick(window->layerControl()->segmentButton(1), Qt::LeftButton);
    EXPECT_EQ(canvas()->currentLayer(), 1);
}

TEST_F(RulersWindow, TheZoomMenuChecksTheZoomOrTheFitInForce)
{
    // The window starts fitting the page.
    EXPECT_EQ(canvas()->getZoomFit(), 3);
    EXPECT_EQ(checkedZoomItems(), QStringList({"Fit Page"}));

    chooseZoomItem(QStringLiteral("150%"));
    EXPECT_EQ(canvas()->getZoomFit(), 0);
    EXPECT_DOUBLE_EQ(canvas()->getZoom(), 1.5);
    EXPECT_EQ(window->zoomButton()->scaleText(), "150%");
    EXPECT_EQ(checkedZoomItems(), QStringList({"150%"}));

    // A zoom reached by a step is none of the menu's.
    menuItem("View", "Zoom In")->trigger();
    EXPECT_NEAR(canvas()->getZoom(), 1.7, 1e-9);
    EXPECT_EQ(window->zoomButton()->scaleText(), "170%");
    EXPECT_TRUE(checkedZoomItems().isEmpty());

    chooseZoomItem(QStringLiteral("Fit Width"));
    EXPECT_EQ(checkedZoomItems(), QStringList({"Fit Width"}));
    chooseZoomItem(QStringLiteral("400%"));
    EXPECT_EQ(checkedZoomItems(), QStringList({"400%"}));
    EXPECT_EQ(window->zoomButton()->scaleText(), "400%");
}

TEST_F(RulersWindow, TheZoomMenuKeepsItsTitlesInEveryLanguage)
{
    window.reset();
    Language::reset(qmtest::resourcesDir(), QStringLiteral("de"));
    Language::initialize();
    window = std::make_unique<MainWindow>();
    Language::setLanguage(Language::language());
    QMenu *menu = window->zoomButton()->buildMenu();
    EXPECT_EQ(menu->actions().at(7)->text(), "Fit Page");
    EXPECT_EQ(window->measureButton()->text(), "Zoll");
}

TEST_F(RulersWindow, TheUnitButtonCyclesTheRulersAndTheLabelDescription)
{
    QToolButton *button = window->measureButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "inch");
    EXPECT_EQ(button->toolTip(), "Change Measurement Units");
    // The button stands in the tool bar.
    EXPECT_NE(qobject_cast<QToolBar *>(button->parentWidget()), nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button->text(), "cm");
    EXPECT_EQ(canvas()->horizontalRuler()->measurementUnits(), "Centimeters");
    EXPECT_EQ(canvas()->verticalRuler()->measurementUnits(), "Centimeters");
    EXPECT_TRUE(window->labelInfo()->text().contains(" cm x ")) << window->labelInfo()->text().toStdString();
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button->text(), "inch");
    EXPECT_TRUE(window->labelInfo()->text().contains(" inch x "));
}

TEST_F(RulersWindow, TheViewMenuShowsAndHidesTheRulers)
{
    QAction *rulers = menuItem("View", "Rulers");
    ASSERT_NE(rulers, nullptr);
    EXPECT_TRUE(rulers->isCheckable());
    EXPECT_TRUE(rulers->isChecked());
    const int before = scroll()->viewport()->width();
    rulers->trigger();
    EXPECT_FALSE(canvas()->rulersVisible());
    EXPECT_FALSE(canvas()->horizontalRuler()->isVisible());
    EXPECT_GT(scroll()->viewport()->width(), before);
    EXPECT_FALSE(menuItem("View", "Rulers")->isChecked());
    menuItem("View", "Rulers")->trigger();
    EXPECT_TRUE(canvas()->rulersVisible());
    EXPECT_TRUE(menuItem("View", "Rulers")->isChecked());
}

TEST_F(RulersWindow, ADocumentBringsItsUnitBackToTheButtonAndTheRulers)
{
    qmtest::ScopedTestPrompts prompts;
    QTest::mouseClick(window->measureButton(), Qt::LeftButton);
    ASSERT_EQ(canvas()->measure(), "Centimeters");
    auto graphic = ColorRect::create(QRectF(10, 10, 40, 20));
    graphic->setPageName(canvas()->getCurrPageName());
    canvas()->addGraphic(graphic);
    const QString path = qmtest::freshDir(QStringLiteral("rulers-window-doc")) + "/units.qkdoc";
    prompts->queuePath(path);
    ASSERT_TRUE(canvas()->save());
    // Back to inches, then the document opens in centimetres again.
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(window->measureButton(), Qt::LeftButton);
    ASSERT_EQ(window->measureButton()->text(), "inch");
    ASSERT_TRUE(canvas()->open(path));
    EXPECT_EQ(canvas()->measure(), "Centimeters");
    EXPECT_EQ(window->measureButton()->text(), "cm");
    EXPECT_EQ(canvas()->horizontalRuler()->measurementUnits(), "Centimeters");
}

TEST_F(RulersWindow, DraggingTheRightEdgeMarkerWidensTheSelectedObject)
{
    chooseZoomItem(QStringLiteral("100%"));
    auto graphic = ColorRect::create(QRectF(20, 30, 100, 50));
    graphic->setPageName(canvas()->getCurrPageName());
    graphic->setObjectLayer(1);
    canvas()->addGraphic(graphic);
    canvas()->selectRect(graphic);
    canvas()->wasChanged(false);
    canvas()->undoManager()->closeEventGroup();
    RulerView *ruler = canvas()->horizontalRuler();
    RulerMarkerPtr right;
    for (const RulerMarkerPtr &marker : ruler->markers())
        if (marker->representedObject() == "Right Edge")
            right = marker;
    ASSERT_TRUE(right);
    const QPoint start = ruler->markerRect(*right).center().toPoint();
    QTest::mousePress(ruler, Qt::LeftButton, {}, start);
    QTest::mouseMove(ruler, start + QPoint(15, 0));
    QTest::mouseMove(ruler, start + QPoint(30, 0));
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, start + QPoint(30, 0));
    EXPECT_EQ(graphic->frameBounds(), QRectF(20, 30, 130, 50));
    EXPECT_TRUE(canvas()->isChanged());
    canvas()->undo();
    EXPECT_EQ(graphic->frameBounds(), QRectF(20, 30, 100, 50));
}
