// The window as a user works in it: the rulers and their units, the zoom, objects snapping to
// each other's edges and the interface in German. Each is driven through the window's own
// controls and checked in what the program writes.
#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "Readers.h"
#include "Scenario.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "foundation/ZoomButton.h"
#include "platform/RulerView.h"

using namespace quillmark;

namespace scenario {
namespace {

class WindowScenario : public Scenario
{
protected:
    int objectCount() const { return int(canvas()->getRects().size()); }
    QVariantList savedObjects(const QString &name)
    {
        const QString path = userFile(name);
        prompts().queueSave(path);
        choose(QStringLiteral("File/Save As..."));
        return objectsOf(readPlist(path));
    }
};

TEST_F(WindowScenario, RulersAndUnitsFollowTheUnitButtonAndComeBackWithTheDesign)
{
    launch();
    chooseStockBySearch(QStringLiteral("5160"), QStringLiteral("Address Labels 5160"));
    QToolButton *unit = window()->measureButton();
    ASSERT_EQ(unit->text(), QStringLiteral("inch"));
    EXPECT_EQ(window()->labelInfo()->text(), QStringLiteral("2.63 inch x 1.00 inch, 3 across, 10 down"));

    // Centimetres: the button, both rulers and the stock's description say so.
    QTest::mouseClick(unit, Qt::LeftButton);
    settle();
    EXPECT_EQ(unit->text(), QStringLiteral("cm"));
    EXPECT_EQ(canvas()->horizontalRuler()->measurementUnits(), QStringLiteral("Centimeters"));
    EXPECT_EQ(canvas()->verticalRuler()->measurementUnits(), QStringLiteral("Centimeters"));
    EXPECT_TRUE(window()->labelInfo()->text().startsWith(QStringLiteral("6.67 cm x 2.54 cm")))
        << window()->labelInfo()->text().toStdString();

    // The rulers hide and show from the View menu; the canvas takes their room meanwhile.
    const int withRulers = window()->scrollArea()->viewport()->width();
    choose(QStringLiteral("View/Rulers"));
    EXPECT_FALSE(canvas()->horizontalRuler()->isVisible());
    EXPECT_GT(window()->scrollArea()->viewport()->width(), withRulers);
    choose(QStringLiteral("View/Rulers"));
    EXPECT_TRUE(canvas()->horizontalRuler()->isVisible());

    // A rectangle one inch wide, saved in centimetres: the design keeps its points, and the
    // unit comes back with it after a start in inches.
    pickTool({"Rect Object", "Rectangle"});
    dragCanvas({10, 10}, {82, 46});
    const QVariantList objects = savedObjects(QStringLiteral("Units.qkdoc"));
    ASSERT_EQ(objects.size(), 1);
    EXPECT_NEAR(boundsOf(objects.at(0)).width(), 72.0, 1.0);
    ASSERT_TRUE(quit());
    // Started again (the unit the user chose last comes back), set to inches, then the design
    // opened: its unit comes with it.
    launch();
    EXPECT_EQ(window()->measureButton()->text(), QStringLiteral("cm"));
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(window()->measureButton(), Qt::LeftButton);
    settle();
    ASSERT_EQ(window()->measureButton()->text(), QStringLiteral("inch"));
    choose(QStringLiteral("File/Open Recent/Units.qkdoc"));
    EXPECT_EQ(window()->measureButton()->text(), QStringLiteral("cm"));
    EXPECT_EQ(canvas()->horizontalRuler()->measurementUnits(), QStringLiteral("Centimeters"));
}

TEST_F(WindowScenario, ZoomFromTheViewMenuAndTheZoomButton)
{
    launch();
    chooseStockBySearch(QStringLiteral("5160"), QStringLiteral("Address Labels 5160"));
    ZoomButton *zoom = window()->zoomButton();
    // The window opens fitting the label to the canvas.
    EXPECT_EQ(canvas()->getZoomFit(), 3);
    choose(QStringLiteral("View/Actual Size"));
    EXPECT_EQ(zoom->scaleText(), QStringLiteral("100%"));
    choose(QStringLiteral("View/Zoom In"));
    EXPECT_EQ(zoom->scaleText(), QStringLiteral("120%"));
    EXPECT_NEAR(canvas()->getZoom(), 1.2, 1e-6);
    choose(QStringLiteral("View/Zoom Out"));
    choose(QStringLiteral("View/Zoom Out"));
    EXPECT_EQ(zoom->scaleText(), QStringLiteral("80%"));
    choose(QStringLiteral("View/Actual Size"));
    // The zoom button's pop-up chooses a zoom; a drawn object keeps its size in points.
    pickTool({"Rect Object", "Rectangle"});
    dragCanvas({20, 10}, {60, 40});
    QTest::mouseClick(zoom, Qt::LeftButton);
    QAction *twice = nullptr;
    for (QAction *item : zoom->zoomMenu()->actions())
        if (item->text() == QStringLiteral("200%"))
            twice = item;
    ASSERT_NE(twice, nullptr);
    twice->trigger();
    zoom->zoomMenu()->close();
    settle();
    EXPECT_EQ(zoom->scaleText(), QStringLiteral("200%"));
    EXPECT_DOUBLE_EQ(canvas()->getZoom(), 2.0);
    choose(QStringLiteral("View/Fit Page"));
    EXPECT_EQ(canvas()->getZoomFit(), 3);
    const QVariantList objects = savedObjects(QStringLiteral("Zoomed.qkdoc"));
    ASSERT_EQ(objects.size(), 1);
    EXPECT_NEAR(boundsOf(objects.at(0)).width(), 40.0, 1.0);
}

TEST_F(WindowScenario, ADraggedRectangleSnapsToTheEdgeOfAnother)
{
    launch();
    chooseStockBySearch(QStringLiteral("5163"), QStringLiteral("Shipping Labels 5163"));
    choose(QStringLiteral("View/Actual Size"));
    pickTool({"Rect Object", "Rectangle"});
    dragCanvas({20, 20}, {80, 60});
    pickTool({"Rect Object", "Rectangle"});
    dragCanvas({120, 90}, {170, 120});
    // Dragged so that its left edge comes within a few points of the first one's right edge
    // and its top near the first one's top: it lands on both edges exactly.
    pickTool({"Select Object", "Select"});
    dragCanvas({140, 100}, {140 - 120 + 83, 100 - 90 + 22});
    const QVariantList objects = savedObjects(QStringLiteral("Snapped.qkdoc"));
    ASSERT_EQ(objects.size(), 2);
    const QRectF first = boundsOf(objects.at(0));
    const QRectF second = boundsOf(objects.at(1));
    EXPECT_NEAR(second.left(), first.right(), 0.01);
    EXPECT_NEAR(second.top(), first.top(), 0.01);
    EXPECT_NEAR(second.width(), 50.0, 1.0) << "a move keeps the size";
    // Far from any edge, a move goes where the pointer takes it.
    dragCanvas({second.center().x(), second.center().y()}, {second.center().x() + 60.3, second.center().y() + 70.2});
    const QRectF moved = boundsOf(savedObjects(QStringLiteral("Moved.qkdoc")).at(1));
    EXPECT_NEAR(moved.left() - second.left(), 60.3, 1.0);
}

TEST_F(WindowScenario, InGermanTheMenusAndQtsOwnDialogsSpeakGerman)
{
    // The system's language is German.
    launch(QStringLiteral("de"));
    const QVariantMap german = readPlist(qmtest::resourcesDir() + QStringLiteral("/de.lproj/strings.plist")).toMap();
    ASSERT_FALSE(german.isEmpty());
    QStringList titles;
    for (QAction *top : window()->menuBar()->actions())
        titles << top->text().remove(QLatin1Char('&'));
    for (const char *english : {"File", "Edit", "Arrange", "View", "Help"})
        EXPECT_TRUE(titles.contains(german.value(QLatin1String(english)).toString()))
            << english << " in " << titles.join(QLatin1Char(' ')).toStdString();
    // Every item of the menus shows the German text of its English key where the table has one.
    int read = 0;
    for (QAction *top : window()->menuBar()->actions()) {
        QMenu *menu = top->menu();
        if (!menu)
            continue;
        emit menu->aboutToShow();
        for (QAction *item : menu->actions()) {
            const QString translation = german.value(item->toolTip()).toString();
            if (item->isSeparator() || item->menu() || translation.isEmpty())
                continue;
            if (item->text().startsWith(german.value(QStringLiteral("Undo")).toString())
                || item->text().startsWith(german.value(QStringLiteral("Redo")).toString()))
                continue;
            // "About Quillmark" shows "..." after its title.
            EXPECT_TRUE(item->text().startsWith(translation))
                << item->toolTip().toStdString() << ": " << item->text().toStdString();
            ++read;
        }
    }
    EXPECT_GT(read, 30);

    // Page Setup, a panel Qt draws, has its buttons in German too.
    whenDialogOpens(QStringLiteral("page setup"), [](QWidget *dialog) {
        QStringList buttons;
        for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
            if (button->isVisible())
                buttons << button->text().remove(QLatin1Char('&'));
        EXPECT_TRUE(buttons.contains(QStringLiteral("Abbrechen"))) << buttons.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(buttons.contains(QStringLiteral("Cancel")));
        qobject_cast<QDialog *>(dialog)->reject();
    });
    choose(QStringLiteral("Datei/") + german.value(QStringLiteral("Page Setup...")).toString());
    EXPECT_TRUE(dialogsAnswered());
}

} // namespace
} // namespace scenario
