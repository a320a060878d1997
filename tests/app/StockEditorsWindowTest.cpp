// The stock editors and the stock preview in the whole window: the "+" button's two editors,
// a format made by dragging palette tiles onto the sheet, and the preview's clicks and paper.
#include <gtest/gtest.h>

#include <QDialog>
#include <QDrag>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "AppTestSupport.h"
#include "common/SheetDriver.h"
#include "common/TestPrintPanels.h"
#include "platform/PrintInfo.h"
#include "stock/CustomDataSource.h"
#include "stock/CustomPageView.h"
#include "stock/CustomTypeItemView.h"
#include "stock/CustomTypesView.h"
#include "stock/DataSource.h"
#include "stock/testPreview.h"

using namespace quillmark;

namespace {

class StockEditorsWindow : public ::testing::Test, public apptest::WindowFixture
{
protected:
    StockEditorsWindow()
        : apptest::WindowFixture(QStringLiteral("stock-editors"))
    {
    }
    void SetUp() override
    {
        CustomDataSource *store = canvas()->customDataSource();
        while (store->count() > 0)
            store->deleteFormat(0);
        store->reloadData();
    }
    void TearDown() override
    {
        CustomTypeItemView::dragRunner() = nullptr;
        PrintInfo::sharedPrintInfo().reset();
    }
    QAction *newItem(const QString &text) const
    {
        for (QAction *action : window->newFormatMenu()->actions())
            if (action->text() == text)
                return action;
        ADD_FAILURE() << "the + menu has no " << text.toStdString();
        return nullptr;
    }
    void chooseCatalogue(const QString &name)
    {
        window->catalogueView()->selectionModel()->setCurrentIndex(
            canvas()->dataSource()->modelIndexByName(name), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        apptest::settle();
    }
    // A click on a label of the preview, with the modifiers held.
    void clickPreview(int position, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        testPreview *preview = window->stockPreview();
        preview->repaint();
        const QRectF box = preview->labelRectAt(position);
        ASSERT_FALSE(box.isEmpty()) << position;
        QTest::mouseClick(preview, Qt::LeftButton, modifiers, box.center().toPoint());
    }

    qmtest::ScopedTestPrintPanels panels;
};

TEST_F(StockEditorsWindow, TheNewButtonOffersAGridAndAFreeLayout)
{
    EXPECT_EQ(window->newFormatButton()->menu(), window->newFormatMenu());
    ASSERT_EQ(window->newFormatMenu()->actions().size(), 2);
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Custom Label"));
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Tags"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfWidth"), QStringLiteral("1.5"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfHeight"), QStringLiteral("0.75"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberX"), QStringLiteral("5"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QStringLiteral("10"));
        qmtest::clickSheetButton(sheet, QStringLiteral("okButton"));
    });
    newItem(QStringLiteral("New Custom Label..."))->trigger();
    apptest::settle();
    EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("Tags"));
    EXPECT_EQ(canvas()->getEnableLabelFlags().size(), 50);
    // The preview shows the new sheet: its last label lies on the paper.
    window->stockPreview()->repaint();
    EXPECT_TRUE(window->stockPreview()->pageRect().contains(window->stockPreview()->labelRectAt(49)));
    EXPECT_TRUE(window->stockPreview()->labelRectAt(50).isEmpty());
}

TEST_F(StockEditorsWindow, AFormatIsLaidOutByDraggingTilesFromThePalette)
{
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        auto *palette = sheet.findChild<CustomTypesView *>();
        auto *page = sheet.findChild<CustomPageView *>();
        ASSERT_TRUE(palette && page);
        CustomTypeItemView *rounded = nullptr;
        for (CustomTypeItemView *tile : palette->tiles())
            if (tile->designElement() && tile->designElement()->getType() == QStringLiteral("Rounded"))
                rounded = tile;
        ASSERT_TRUE(rounded);
        // The drag the tile starts ends over the sheet, where the user lets go.
        const QPoint target(page->width() / 2, page->height() / 3);
        CustomTypeItemView::dragRunner() = [page, target](QDrag *drag) {
            QDragEnterEvent enter(target, Qt::CopyAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(page, &enter);
            QDropEvent drop(target, Qt::CopyAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(page, &drop);
            return Qt::CopyAction;
        };
        QTest::mousePress(rounded, Qt::LeftButton, {}, QPoint(40, 40));
        QTest::mouseMove(rounded, QPoint(70, 70));
        QTest::mouseRelease(rounded, Qt::LeftButton, {}, QPoint(70, 70));
        ASSERT_EQ(page->labels().size(), 1u);
        EXPECT_EQ(page->selectedIndex(), 0);
        // The sheet has the focus: the arrow keys move the new shape at once.
        const double x = page->labels()[0].origin().x();
        QTest::keyClick(page, Qt::Key_Right, Qt::ShiftModifier);
        EXPECT_NEAR(page->labels()[0].origin().x(), x + 10.0, 1e-3);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Rounded One"));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    newItem(QStringLiteral("New Custom Format..."))->trigger();
    apptest::settle();
    ASSERT_TRUE(canvas()->getTFormat());
    EXPECT_EQ(canvas()->getTFormat()->name, QStringLiteral("Rounded One"));
    ASSERT_EQ(canvas()->getTFormat()->labels.size(), 1u);
    EXPECT_FLOAT_EQ(canvas()->getTFormat()->labels[0].radiusValue(), 3.0f);
    window->stockPreview()->repaint();
    EXPECT_TRUE(window->stockPreview()->pageRect().intersects(window->stockPreview()->labelRectAt(0)));
}

TEST_F(StockEditorsWindow, PreviewClicksSkipLabelsAndChangeTheDesign)
{
    chooseCatalogue(QStringLiteral("5160"));
    canvas()->wasChanged(false);
    ASSERT_EQ(canvas()->getEnableLabelFlags().size(), 30);
    clickPreview(4);
    EXPECT_EQ(canvas()->getEnableLabelFlags().at(4), 1);
    EXPECT_TRUE(canvas()->isChanged());
    EXPECT_EQ(canvas()->countPrintedLabels(), 29);
    // Printing starts at label 6 of a sheet used before.
    clickPreview(5, Qt::ControlModifier);
    EXPECT_EQ(canvas()->countPrintedLabels(), 25);
    EXPECT_EQ(canvas()->getEnableLabelFlags().left(6), QByteArray("\1\1\1\1\1\0", 6));
}

TEST_F(StockEditorsWindow, ThePreviewShowsTheStockOnItsOwnPaper)
{
    chooseCatalogue(QStringLiteral("L7160"));
    window->stockPreview()->repaint();
    EXPECT_NEAR(window->stockPreview()->paperSize().width(), 595.28, 0.01);
    EXPECT_NEAR(window->stockPreview()->paperSize().height(), 841.89, 0.01);
    chooseCatalogue(QStringLiteral("5160"));
    window->stockPreview()->repaint();
    EXPECT_NEAR(window->stockPreview()->paperSize().width(), 612.0, 0.01);
    // Page Setup's paper shows at once.
    panels->queuePageLayout(QPageLayout(QPageSize(QPageSize::Legal), QPageLayout::Portrait, QMarginsF()));
    menuItem(QStringLiteral("File"), QStringLiteral("Page Setup..."))->trigger();
    window->stockPreview()->repaint();
    EXPECT_NEAR(window->stockPreview()->paperSize().height(), 1008.0, 0.01);
}

} // namespace
