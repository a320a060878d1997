// The stock on the canvas as the window shows it: the description line follows an opened
// document, the first design starts as New makes one (draw by type on), turning the label
// keeps the design in view, a change of side or page leaves the text tool, and filtering the
// catalogue keeps the current stock selected.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>

#include "app/AppTestSupport.h"
#include "foundation/SegmentedControl.h"
#include "objects/ObjectTextEditor.h"
#include "stock/DataSource.h"
#include "stock/TLabelType.h"

using namespace quillmark;

namespace {

class StockOnCanvas : public ::testing::Test
{
protected:
    StockOnCanvas() : f(QStringLiteral("stock-on-canvas")) {}

    // Chooses a catalogue row as a click on it does.
    void chooseStock(const QString &code)
    {
        const QModelIndex index = f.canvas()->dataSource()->modelIndexByName(code);
        ASSERT_TRUE(index.isValid()) << code.toStdString();
        f.window->catalogueView()->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        apptest::settle();
    }
    QString selectedCode() const
    {
        const QModelIndexList rows = f.window->catalogueView()->selectionModel()->selectedRows();
        if (rows.isEmpty())
            return QString();
        const TLabelType *entry = f.canvas()->dataSource()->labelTypeAt(rows.first());
        return entry ? entry->getProductCode() : QString();
    }

    apptest::WindowFixture f;
};

TEST_F(StockOnCanvas, TheFirstDesignStartsWithDrawByType)
{
    ASSERT_EQ(f.canvas()->getLabel().name, QStringLiteral("5160"));
    EXPECT_TRUE(f.window->drawByTypeBox()->isChecked());
    // Thirty equal labels are one type: one page segment, not thirty.
    EXPECT_EQ(f.window->pageControl()->segmentCount(), 1);
    EXPECT_FALSE(f.canvas()->isChanged());
}

TEST_F(StockOnCanvas, TurningTheLabelKeepsTheDesignInView)
{
    f.drawRect(QRectF(10, 10, 30, 20));
    const GraphicPtr drawn = f.canvas()->getRects().first();
    f.window->landscapeBox()->click();
    apptest::settle();
    EXPECT_EQ(f.canvas()->getLabel().width, 1.0f);
    EXPECT_EQ(drawn->getPageName(), f.canvas()->getCurrPageName());
    EXPECT_EQ(f.canvas()->objectUnderPoint(QPointF(25, 20)), drawn);
}

TEST_F(StockOnCanvas, OpeningADocumentDescribesItsStock)
{
    chooseStock(QStringLiteral("5163"));
    ASSERT_EQ(f.canvas()->getLabel().name, QStringLiteral("5163"));
    const QString described = f.window->labelInfo()->text();
    f.drawRect(QRectF(10, 10, 30, 20));
    const QString path = qmtest::freshDir(QStringLiteral("stock-open-doc")) + QStringLiteral("/Shipping.qkdoc");
    f.prompts->queuePath(path);
    f.menuItem(QStringLiteral("File"), QStringLiteral("Save"))->trigger();
    apptest::settle();

    chooseStock(QStringLiteral("5160"));
    ASSERT_NE(f.window->labelInfo()->text(), described);
    f.prompts->queueAlert(Prompts::SecondButton); // the stock change is not kept
    f.prompts->queuePath(path);
    f.menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
    apptest::settle();
    EXPECT_EQ(f.canvas()->getLabel().name, QStringLiteral("5163"));
    EXPECT_EQ(selectedCode(), QStringLiteral("5163"));
    EXPECT_EQ(f.window->labelInfo()->text(), described);
}

TEST_F(StockOnCanvas, FilteringKeepsTheCurrentStockSelected)
{
    ASSERT_EQ(selectedCode(), QStringLiteral("5160"));
    const QString described = f.window->labelInfo()->text();
    QTest::keyClicks(f.window->searchField(), QStringLiteral("516"));
    apptest::settle();
    EXPECT_EQ(selectedCode(), QStringLiteral("5160"));
    EXPECT_EQ(f.window->labelInfo()->text(), described);
    f.window->searchField()->clear();
    apptest::settle();
    EXPECT_EQ(selectedCode(), QStringLiteral("5160"));
    EXPECT_EQ(f.canvas()->getLabel().name, QStringLiteral("5160"));
}

TEST_F(StockOnCanvas, ChangingTheSideLeavesTheTextTool)
{
    f.tool(RectsView::TextTool)->trigger();
    f.click(QPointF(20, 20));
    ASSERT_EQ(f.canvas()->getCurrToolClass(), RectsView::TextTool);
    ASSERT_NE(f.canvas()->editedObject(), nullptr);

    f.window->sideControl()->segmentButton(1)->click();
    apptest::settle();
    EXPECT_EQ(f.canvas()->getCurrPageName(), QStringLiteral("HorizontalBack"));
    EXPECT_EQ(f.canvas()->getCurrToolClass(), RectsView::SelectTool);
    EXPECT_TRUE(f.tool(RectsView::SelectTool)->isChecked());
    EXPECT_EQ(f.canvas()->editedObject(), nullptr);

    // Another tool stays: only work bound to the page is ended.
    f.tool(RectsView::OvalTool)->trigger();
    f.window->sideControl()->segmentButton(0)->click();
    apptest::settle();
    EXPECT_EQ(f.canvas()->getCurrToolClass(), RectsView::OvalTool);
}

TEST_F(StockOnCanvas, ChangingThePageLeavesTheTextTool)
{
    // Each label of the sheet a page of its own.
    f.window->drawByTypeBox()->click();
    apptest::settle();
    ASSERT_GT(f.window->pageControl()->segmentCount(), 2);

    f.tool(RectsView::TextTool)->trigger();
    f.click(QPointF(20, 20));
    ASSERT_NE(f.canvas()->editedObject(), nullptr);
    f.window->pageControl()->segmentButton(1)->click();
    apptest::settle();
    EXPECT_EQ(f.window->pageControl()->selectedSegment(), 1);
    EXPECT_EQ(f.canvas()->getCurrToolClass(), RectsView::SelectTool);
    EXPECT_TRUE(f.tool(RectsView::SelectTool)->isChecked());
    EXPECT_EQ(f.canvas()->editedObject(), nullptr);

    // A shape tool is not bound to the page: it stays for the next label.
    f.tool(RectsView::RectTool)->trigger();
    f.window->pageControl()->segmentButton(2)->click();
    apptest::settle();
    EXPECT_EQ(f.window->pageControl()->selectedSegment(), 2);
    EXPECT_EQ(f.canvas()->getCurrToolClass(), RectsView::RectTool);
}

} // namespace
