// The inspector in the real window: its pages beside the canvas, following what the user
// selects and draws, edits typed into its fields reaching the design and its undo, the style
// chosen with nothing selected going to the next object drawn, and the View menu's item.
#include <gtest/gtest.h>

#include <QDockWidget>

#include "app/AppTestSupport.h"
#include "inspector/GeometryPage.h"
#include "inspector/InspectorFixture.h"
#include "inspector/NumberField.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "inspector/StylePage.h"
#include "platform/ColorWell.h"

using namespace quillmark;

namespace {

class InspectorWindow : public ::testing::Test
{
protected:
    InspectorWindow() : f(QStringLiteral("inspector-window")) {}

    PropertiesTabButton *button(const QString &title) const
    {
        for (PropertiesTabButton *b : f.window->propertiesView()->buttons())
            if (b->text() == title)
                return b;
        return nullptr;
    }

    apptest::WindowFixture f;
};

TEST_F(InspectorWindow, ShowsBesideTheCanvasWithTheGeometryPageOpen)
{
    QDockWidget *panel = f.window->sidePanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    PropertiesView *view = f.window->propertiesView();
    // A button per page, in the pages' order: geometry, style and image first, the text page
    // (when there is one) before alignment, and the barcode page last.
    ASSERT_EQ(view->buttons().size(), f.window->objectInfo()->pages().size());
    QStringList titles;
    for (PropertiesTabButton *b : view->buttons())
        titles << b->text();
    ASSERT_GE(titles.size(), 5);
    EXPECT_EQ(titles.mid(0, 3), (QStringList{QStringLiteral("Geometry"), QStringLiteral("Style"), QStringLiteral("Image")}));
    EXPECT_EQ(titles.mid(titles.size() - 2), (QStringList{QStringLiteral("Alignment"), QStringLiteral("Barcode")}));
    EXPECT_EQ(titles.indexOf(QStringLiteral("Text")), 3);
    EXPECT_EQ(view->tagOfSelectedButton(), 1);
    EXPECT_TRUE(f.window->objectInfo()->geometryPage()->isVisible());
    // The panel lies right of the canvas, not over it.
    const QRect canvasArea(f.window->scrollArea()->mapTo(f.window.get(), QPoint(0, 0)), f.window->scrollArea()->size());
    const QRect panelArea(panel->mapTo(f.window.get(), QPoint(0, 0)), panel->size());
    EXPECT_FALSE(canvasArea.intersects(panelArea));
    EXPECT_GT(panelArea.left(), canvasArea.left());
}

TEST_F(InspectorWindow, FollowsTheSelectionAndEditsItWithUndo)
{
    f.canvas()->setMeasure(QStringLiteral("Points"));
    f.drawRect(QRectF(20, 10, 60, 30));
    ASSERT_EQ(f.canvas()->getRects().size(), 1);
    const GraphicPtr box = f.canvas()->getRects().first();
    GeometryPage *page = f.window->objectInfo()->geometryPage();
    EXPECT_EQ(page->tvWidth->text(), QString::asprintf("%.2f pt", box->width()));
    EXPECT_TRUE(page->tvWidth->isEnabled());

    const QRectF before = box->frameBounds();
    inspectortest::type(page->tvWidth, QStringLiteral("100"));
    EXPECT_FLOAT_EQ(box->width(), 100.0f);
    EXPECT_NEAR(box->frameBounds().center().x(), before.center().x(), 1e-3);
    EXPECT_TRUE(f.canvas()->isChanged());
    // The canvas takes the keys back after the edit.
    EXPECT_TRUE(f.canvas()->hasFocus());
    apptest::settle();
    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_NE(undo, nullptr);
    undo->trigger();
    EXPECT_EQ(box->frameBounds(), before);
    EXPECT_EQ(page->tvWidth->text(), QString::asprintf("%.2f pt", before.width()));

    // Moving the object on the canvas shows at once in the fields.
    f.dragFromTo(before.center(), before.center() + QPointF(10, 5));
    EXPECT_EQ(page->tvOriginX->text(), QString::asprintf("%.2f pt", box->originX()));
    // A click on the empty label clears the selection and the fields.
    f.click(QPointF(150, 60));
    EXPECT_TRUE(page->tvWidth->text().isEmpty());
    EXPECT_FALSE(page->tvWidth->isEnabled());
}

TEST_F(InspectorWindow, ALineColourChosenWithNothingSelectedGoesToTheNextRectangle)
{
    PropertiesTabButton *style = button(QStringLiteral("Style"));
    ASSERT_NE(style, nullptr);
    QTest::mouseClick(style, Qt::LeftButton);
    StylePage *page = f.window->objectInfo()->stylePage();
    EXPECT_TRUE(page->isVisible());
    EXPECT_TRUE(f.window->propertiesView()->isButtonSelected(2));
    ASSERT_TRUE(f.canvas()->selectedObjects().isEmpty());
    page->cwLineColor->takeColor(QColor(10, 120, 200));
    EXPECT_TRUE(f.canvas()->isChanged());
    f.drawRect(QRectF(20, 10, 60, 30));
    ASSERT_EQ(f.canvas()->getRects().size(), 1);
    EXPECT_EQ(f.canvas()->getRects().first()->strokeColor(), QColor(10, 120, 200));
    EXPECT_EQ(page->cwLineColor->color(), QColor(10, 120, 200));
}

TEST_F(InspectorWindow, TheViewMenuPutsTheSidePanelAwayAndBack)
{
    QAction *item = f.menuItem(QStringLiteral("View"), QStringLiteral("Object Information"));
    ASSERT_NE(item, nullptr);
    const int canvasWidth = f.window->scrollArea()->width();
    item->trigger();
    apptest::settle();
    EXPECT_FALSE(f.window->sidePanel()->isVisible());
    EXPECT_FALSE(f.canvas()->isObjectInfoVisible());
    EXPECT_GT(f.window->scrollArea()->width(), canvasWidth);
    item->trigger();
    apptest::settle();
    EXPECT_TRUE(f.window->sidePanel()->isVisible());
}

} // namespace
