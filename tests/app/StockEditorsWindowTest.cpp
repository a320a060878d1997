// The stock editors and the stock preview in the whole window: the "+" button's two editors,
// a format made by dragging palette tiles onto the sheet, and the preview's clicks and paper.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QDrag>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTabWidget>
#include <QTableView>
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
#include "platform/PropertyList.h"
#include "stock/CustomDataSource.h"
#include "stock/CustomFormat.h"
#include "stock/CustomLabel.h"
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

    // A click on a row of the custom list or of the catalogue, where the user clicks it.
    void clickRow(QAbstractItemView *view, const QModelIndex &index)
    {
        ASSERT_TRUE(index.isValid());
        if (auto *tree = qobject_cast<QTreeView *>(view))
            tree->expand(index.parent());
        view->scrollTo(index);
        apptest::settle();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        apptest::settle();
    }
    // The browser's Edit button.
    QPushButton *editButton() const
    {
        for (QPushButton *button : window->findChildren<QPushButton *>())
            if (button->toolTip() == QStringLiteral("Edit Label Format"))
                return button;
        ADD_FAILURE() << "no Edit button";
        return nullptr;
    }
    // The text the custom list shows in a row.
    QString customRowText(int row) const
    {
        QTableView *table = window->customView();
        return table->model()->index(row, 0).data().toString();
    }
    int selectedCustomRow() const
    {
        const QModelIndexList rows = window->customView()->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() : -1;
    }
    // A palette tile of the format panel dragged onto its sheet and let go at a point.
    static void dragTile(QDialog &sheet, const QString &type, const QPoint &target)
    {
        auto *palette = sheet.findChild<CustomTypesView *>();
        auto *page = sheet.findChild<CustomPageView *>();
        ASSERT_TRUE(palette && page);
        CustomTypeItemView *tile = nullptr;
        for (CustomTypeItemView *each : palette->tiles())
            if (each->designElement() && each->designElement()->getType() == type)
                tile = each;
        ASSERT_TRUE(tile) << type.toStdString();
        CustomTypeItemView::dragRunner() = [page, target](QDrag *drag) {
            QDragEnterEvent enter(target, Qt::CopyAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(page, &enter);
            QDropEvent drop(target, Qt::CopyAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(page, &drop);
            return Qt::CopyAction;
        };
        QTest::mousePress(tile, Qt::LeftButton, {}, QPoint(40, 40));
        QTest::mouseMove(tile, QPoint(70, 70));
        QTest::mouseRelease(tile, Qt::LeftButton, {}, QPoint(70, 70));
        CustomTypeItemView::dragRunner() = nullptr;
    }
    // A click on the middle of a shape of the format panel's sheet.
    static void clickShape(QDialog &sheet, int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        auto *page = sheet.findChild<CustomPageView *>();
        ASSERT_TRUE(page);
        ASSERT_LT(size_t(index), page->labels().size());
        page->repaint();
        const TLabelT &shape = page->labels()[size_t(index)];
        const QPointF middle = shape.origin() + QPointF(shape.size().width() / 2.0, shape.size().height() / 2.0);
        const QPoint at = page->viewPoint(middle).toPoint();
        QTest::mouseClick(page, Qt::LeftButton, modifiers, at);
    }
    static QString plistutilText(const QString &path)
    {
        QProcess tool;
        tool.start(QStringLiteral("plistutil"), {QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("xml")});
        if (!tool.waitForFinished(10000))
            return {};
        return QString::fromUtf8(tool.readAllStandardOutput());
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

TEST_F(StockEditorsWindow, AFormatIsLaidOutSavedAndChangedThroughTheBrowser)
{
    canvas()->setMeasure(QStringLiteral("Inches"));
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        auto *page = sheet.findChild<CustomPageView *>();
        QPushButton *ok = qmtest::sheetButton(sheet, QStringLiteral("okButton"));
        ASSERT_TRUE(page && ok);
        EXPECT_FALSE(ok->isEnabled()) << "a new format has neither a name nor a shape";
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Media Case"));
        EXPECT_FALSE(ok->isEnabled()) << "a name alone makes no format";
        dragTile(sheet, QStringLiteral("Horizontal"), QPoint(page->width() / 2, page->height() / 4));
        ASSERT_EQ(page->labels().size(), 1u);
        EXPECT_TRUE(ok->isEnabled());

        // The fields show the dropped shape; a width typed in inches is stored in millimetres.
        clickShape(sheet, 0);
        ASSERT_EQ(page->selectedIndex(), 0);
        QLineEdit *width = qmtest::sheetField(sheet, QStringLiteral("tfWidth"));
        EXPECT_TRUE(width->text().endsWith(QStringLiteral(" in"))) << width->text().toStdString();
        qmtest::typeIntoField(sheet, QStringLiteral("tfWidth"), QStringLiteral("4"));
        EXPECT_NEAR(page->labels()[0].widthValue(), 101.6, 1e-3);
        EXPECT_EQ(width->text(), QStringLiteral("4.00 in"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfHeight"), QStringLiteral("2"));

        // Ctrl+D copies it 3 mm right and down; the copy is selected.
        page->setFocus();
        QTest::keyClick(page, Qt::Key_D, Qt::ControlModifier);
        ASSERT_EQ(page->labels().size(), 2u);
        EXPECT_EQ(page->selectedIndex(), 1);
        EXPECT_NEAR(page->labels()[1].xValue() - page->labels()[0].xValue(), 3.0, 1e-3);
        EXPECT_NEAR(page->labels()[1].yValue() - page->labels()[0].yValue(), 3.0, 1e-3);
        // Moved down 2 inches with the arrow key in steps of 20 points, then turned.
        for (int i = 0; i < 7; ++i)
            QTest::keyClick(page, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(page, Qt::Key_Up, Qt::ShiftModifier);
        QTest::keyClick(page, Qt::Key_Up, Qt::ShiftModifier);
        QTest::keyClick(page, Qt::Key_Left);
        QTest::keyClick(page, Qt::Key_Left);
        QTest::keyClick(page, Qt::Key_Left);
        EXPECT_NEAR(page->labels()[1].yValue() - page->labels()[0].yValue(), 3.0 + 120.0 * 25.4 / 72.0, 0.01);
        EXPECT_NEAR(page->labels()[1].xValue() - page->labels()[0].xValue(), 3.0 - 3.0 * 25.4 / 72.0, 0.01);
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("bnRotate")));
        EXPECT_NEAR(page->labels()[1].widthValue(), 50.8, 1e-3);
        EXPECT_EQ(page->labels()[1].getType(), QStringLiteral("Horizontal "));

        // Both deleted with the delete key: nothing is left to confirm.
        QTest::keyClick(page, Qt::Key_Delete);
        EXPECT_EQ(page->labels().size(), 1u);
        EXPECT_TRUE(ok->isEnabled());
        clickShape(sheet, 0);
        QTest::keyClick(page, Qt::Key_Backspace);
        EXPECT_TRUE(page->labels().empty());
        EXPECT_FALSE(ok->isEnabled());
        EXPECT_FALSE(qmtest::sheetField(sheet, QStringLiteral("tfWidth"))->isEnabled());
        EXPECT_FALSE(qmtest::sheetButton(sheet, QStringLiteral("bnDuplicate"))->isEnabled());
        // Return does not confirm a sheet without shapes either.
        QTest::keyClick(qmtest::sheetField(sheet, QStringLiteral("formatTitle")), Qt::Key_Return);
        EXPECT_TRUE(sheet.isVisible());

        dragTile(sheet, QStringLiteral("VHSFace"), QPoint(page->width() / 2, page->height() / 3));
        dragTile(sheet, QStringLiteral("Disc"), QPoint(page->width() / 2, 2 * page->height() / 3));
        ASSERT_EQ(page->labels().size(), 2u);
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    newItem(QStringLiteral("New Custom Format..."))->trigger();
    apptest::settle();

    // The new format is the canvas's stock, the selected row of the custom list, and on disk.
    ASSERT_TRUE(canvas()->getTFormat());
    EXPECT_EQ(window->stockTabs()->currentIndex(), 1);
    ASSERT_EQ(window->customView()->model()->rowCount(), 1);
    EXPECT_EQ(customRowText(0), QStringLiteral("Media Case"));
    EXPECT_EQ(selectedCustomRow(), 0);
    EXPECT_EQ(canvas()->getEnableLabelFlags().size(), 2);
    const QString onDisk = plistutilText(canvas()->customDataSource()->filePath());
    EXPECT_TRUE(onDisk.contains(QStringLiteral("<string>Media Case</string>"))) << onDisk.toStdString();
    EXPECT_TRUE(onDisk.contains(QStringLiteral("<string>VHSFace</string>")));
    EXPECT_TRUE(onDisk.contains(QStringLiteral("<string>Disc</string>")));

    // Cancel leaves the row as it was.
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Never"));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("cancelButton")));
    });
    clickRow(window->customView(), window->customView()->model()->index(0, 0));
    QTest::mouseClick(editButton(), Qt::LeftButton);
    EXPECT_EQ(customRowText(0), QStringLiteral("Media Case"));
    EXPECT_EQ(canvas()->getTFormat()->name, QStringLiteral("Media Case"));

    // The row edited again in its own panel: the disc's hole widened, the face turned, a new name.
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Custom Format"));
        auto *page = sheet.findChild<CustomPageView *>();
        ASSERT_TRUE(page);
        ASSERT_EQ(page->labels().size(), 2u);
        EXPECT_EQ(qmtest::sheetField(sheet, QStringLiteral("formatTitle"))->text(), QStringLiteral("Media Case"));
        // A click on the disc's ring; its hole is no part of it.
        const TLabelT &disc = page->labels()[1];
        const QPointF ring = disc.origin() + QPointF(disc.size().width() / 2.0, disc.size().height() * 0.1);
        QTest::mouseClick(page, Qt::LeftButton, {}, page->viewPoint(ring).toPoint());
        ASSERT_EQ(page->selectedIndex(), 1);
        // A disc shows its radii, not its width and height, and cannot be turned.
        EXPECT_FALSE(qmtest::sheetField(sheet, QStringLiteral("tfWidth"))->isVisible());
        EXPECT_TRUE(qmtest::sheetField(sheet, QStringLiteral("tfInRadius"))->isVisible());
        EXPECT_FALSE(qmtest::sheetButton(sheet, QStringLiteral("bnRotate"))->isEnabled());
        qmtest::typeIntoField(sheet, QStringLiteral("tfInRadius"), QStringLiteral("0.5"));
        EXPECT_NEAR(page->labels()[1].holeValue(), 25.4, 1e-3);
        clickShape(sheet, 0);
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("bnRotate")));
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Media Case Turned"));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    QTest::mouseClick(editButton(), Qt::LeftButton);
    apptest::settle();
    ASSERT_EQ(window->customView()->model()->rowCount(), 1);
    EXPECT_EQ(customRowText(0), QStringLiteral("Media Case Turned"));
    EXPECT_EQ(selectedCustomRow(), 0);
    ASSERT_TRUE(canvas()->getTFormat());
    EXPECT_EQ(canvas()->getTFormat()->name, QStringLiteral("Media Case Turned"));
    EXPECT_EQ(canvas()->getTFormat()->labels[0].getType(), QStringLiteral("VHSFace "));
    EXPECT_NEAR(canvas()->getTFormat()->labels[1].holeValue(), 25.4, 1e-3);
    EXPECT_TRUE(plistutilText(canvas()->customDataSource()->filePath())
                    .contains(QStringLiteral("<string>Media Case Turned</string>")));
}

TEST_F(StockEditorsWindow, ACatalogueStockIsCopiedAndTheCopyChangedThroughTheEditButton)
{
    canvas()->setMeasure(QStringLiteral("Centimeters"));
    window->stockTabs()->setCurrentIndex(0);
    clickRow(window->catalogueView(), canvas()->dataSource()->modelIndexByName(QStringLiteral("5160")));
    ASSERT_EQ(canvas()->getLabel().name, QStringLiteral("5160"));

    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Custom Label"));
        EXPECT_EQ(qmtest::sheetField(sheet, QStringLiteral("formatTitle"))->text(), QStringLiteral("5160"));
        // Centimetres are shown as millimetres here: 2 5/8 inches, 66.675 mm held as a float.
        const QString width = qmtest::sheetField(sheet, QStringLiteral("tfWidth"))->text();
        EXPECT_TRUE(width == QStringLiteral("66.67 mm") || width == QStringLiteral("66.68 mm")) << width.toStdString();
        QPushButton *ok = qmtest::sheetButton(sheet, QStringLiteral("okButton"));
        // Counts are whole numbers from 1 to 32767, lengths greater than 0.
        for (const char *refused : {"0", "-3", "40000", "2.5"}) {
            qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QString::fromLatin1(refused));
            EXPECT_FALSE(ok->isEnabled()) << refused;
        }
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QStringLiteral("4"));
        EXPECT_TRUE(ok->isEnabled());
        qmtest::typeIntoField(sheet, QStringLiteral("tfHeight"), QStringLiteral("0"));
        EXPECT_FALSE(ok->isEnabled());
        qmtest::typeIntoField(sheet, QStringLiteral("tfHeight"), QStringLiteral("50"));
        EXPECT_TRUE(ok->isEnabled());
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    // A double-click on a catalogue product opens it in the panel; OK makes a copy.
    QTreeView *catalogue = window->catalogueView();
    QTest::mouseDClick(catalogue->viewport(), Qt::LeftButton, {},
                       catalogue->visualRect(canvas()->dataSource()->modelIndexByName(QStringLiteral("5160"))).center());
    apptest::settle();
    EXPECT_EQ(panels->count(qmtest::TestPrintPanels::Sheet), 1);

    // The copy is a custom grid of its own, shown and selected in the custom list.
    EXPECT_EQ(window->stockTabs()->currentIndex(), 1);
    ASSERT_EQ(window->customView()->model()->rowCount(), 1);
    EXPECT_EQ(customRowText(0), QStringLiteral("5160_custom"));
    EXPECT_EQ(selectedCustomRow(), 0);
    EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("5160_custom"));
    EXPECT_EQ(canvas()->getLabel().num_downlabel, 4);
    EXPECT_NEAR(canvas()->getLabel().height, 50.0 / 25.4, 1e-4);
    EXPECT_EQ(canvas()->getEnableLabelFlags().size(), 12);

    // The preview's click rules on the 3 x 4 sheet: Ctrl-click on 5 skips 0 to 4.
    clickPreview(5, Qt::ControlModifier);
    EXPECT_EQ(canvas()->getEnableLabelFlags(), QByteArray("\1\1\1\1\1\0\0\0\0\0\0\0", 12));
    clickPreview(2);
    EXPECT_EQ(canvas()->countPrintedLabels(), 8);
    // Shift-click from the first skipped label through 7.
    clickPreview(7, Qt::ShiftModifier);
    EXPECT_EQ(canvas()->getEnableLabelFlags(), QByteArray("\1\1\1\1\1\1\1\1\0\0\0\0", 12));

    // The copy changed again through the Edit button: it stays one row, with its name.
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        EXPECT_EQ(qmtest::sheetField(sheet, QStringLiteral("formatTitle"))->text(), QStringLiteral("5160_custom"));
        EXPECT_EQ(qmtest::sheetField(sheet, QStringLiteral("tfNumberY"))->text(), QStringLiteral("4"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberX"), QStringLiteral("2"));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    QTest::mouseClick(editButton(), Qt::LeftButton);
    apptest::settle();
    ASSERT_EQ(window->customView()->model()->rowCount(), 1);
    EXPECT_EQ(customRowText(0), QStringLiteral("5160_custom"));
    EXPECT_EQ(canvas()->getLabel().num_label, 2);
    EXPECT_EQ(canvas()->getEnableLabelFlags().size(), 8);
    const auto *entry = dynamic_cast<const CustomLabel *>(canvas()->customDataSource()->getItem(0));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->getLabel().num_label, 2);
    EXPECT_TRUE(plistutilText(canvas()->customDataSource()->filePath()).contains(QStringLiteral("5160_custom")));
}

} // namespace

// The canvas lays out at most 10,000 labels: the label editor refuses a larger grid with its
// reason, where the user typed it, and a grid that fits the limit is taken.
TEST_F(StockEditorsWindow, TheLabelEditorRefusesMoreLabelsThanTheCanvasLaysOut)
{
    canvas()->setMeasure(QStringLiteral("Inches"));
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        auto *message = sheet.findChild<QLabel *>(QStringLiteral("lbMessage"));
        ASSERT_TRUE(message);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Dots"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfWidth"), QStringLiteral("0.05"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfHeight"), QStringLiteral("0.05"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfSpacingX"), QStringLiteral("0"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfSpacingY"), QStringLiteral("0"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberX"), QStringLiteral("200"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QStringLiteral("200"));
        EXPECT_EQ(message->text(), QStringLiteral("A sheet holds at most 10,000 labels: make fewer across or down."));
        EXPECT_FALSE(qmtest::sheetButton(sheet, QStringLiteral("okButton"))->isEnabled());
        EXPECT_FALSE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
        EXPECT_EQ(qmtest::sheetField(sheet, QStringLiteral("tfNumberY"))->toolTip(), message->text());
        // 100 x 100 is the most.
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberX"), QStringLiteral("100"));
        EXPECT_FALSE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QStringLiteral("100"));
        EXPECT_TRUE(message->text().isEmpty()) << message->text().toStdString();
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    newItem(QStringLiteral("New Custom Label..."))->trigger();
    apptest::settle();
    EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("Dots"));
    EXPECT_EQ(canvas()->getEnableLabelFlags().size(), 10000);
    ASSERT_TRUE(canvas()->getTFormat());
    EXPECT_EQ(canvas()->getTFormat()->labels.size(), 10000u);
}

// Both editors say when the labels reach past the chosen paper, and still take the stock: the
// paper may be changed later.
TEST_F(StockEditorsWindow, BothEditorsWarnOfLabelsPastThePaper)
{
    canvas()->setMeasure(QStringLiteral("Inches"));
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        auto *message = sheet.findChild<QLabel *>(QStringLiteral("lbMessage"));
        auto *paper = sheet.findChild<QComboBox *>(QStringLiteral("pbPaper"));
        ASSERT_TRUE(message && paper);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Wide"));
        paper->setCurrentIndex(paper->findData(QStringLiteral("Letter")));
        emit paper->activated(paper->currentIndex());
        // Five rows of 2-inch labels fit 11 inches of letter paper; six do not.
        qmtest::typeIntoField(sheet, QStringLiteral("tfHeight"), QStringLiteral("2"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QStringLiteral("5"));
        EXPECT_TRUE(message->text().isEmpty()) << message->text().toStdString();
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QStringLiteral("6"));
        EXPECT_EQ(message->text(), QStringLiteral("The labels reach past the Letter paper."));
        EXPECT_TRUE(qmtest::sheetButton(sheet, QStringLiteral("okButton"))->isEnabled());
        // Legal takes them.
        paper->setCurrentIndex(paper->findData(QStringLiteral("Legal")));
        emit paper->activated(paper->currentIndex());
        EXPECT_TRUE(message->text().isEmpty()) << message->text().toStdString();
        paper->setCurrentIndex(paper->findData(QStringLiteral("Letter")));
        emit paper->activated(paper->currentIndex());
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    newItem(QStringLiteral("New Custom Label..."))->trigger();
    apptest::settle();
    EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("Wide"));

    PrintInfo::sharedPrintInfo().setPaper(QPageSize(QPageSize::A4));
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        auto *message = sheet.findChild<QLabel *>(QStringLiteral("lbMessage"));
        auto *page = sheet.findChild<CustomPageView *>();
        ASSERT_TRUE(message && page);
        dragTile(sheet, QStringLiteral("Rounded"), QPoint(page->width() / 2, page->height() / 3));
        ASSERT_EQ(page->labels().size(), 1u);
        EXPECT_TRUE(message->text().isEmpty()) << message->text().toStdString();
        // Dragged far to the right, the shape keeps 5 points on the paper: past its edge.
        page->setFocus();
        for (int i = 0; i < 40; ++i)
            QTest::keyClick(page, Qt::Key_Right, Qt::ShiftModifier);
        EXPECT_EQ(message->text(), QStringLiteral("The labels reach past the A4 paper."));
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Off the edge"));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    newItem(QStringLiteral("New Custom Format..."))->trigger();
    apptest::settle();
    ASSERT_TRUE(canvas()->getTFormat());
    EXPECT_EQ(canvas()->getTFormat()->name, QStringLiteral("Off the edge"));
}

namespace {

// Every length of a grid stock, in inches.
std::vector<float> stockLengths(const TLabel &label)
{
    return {label.width,         label.height,       label.top_margin,  label.left_margin,
            label.vert_distance, label.hor_distance, label.round_param, label.hole};
}

TEST_F(StockEditorsWindow, ASheetTypedInMillimetresComesBackFromItsDocumentAsTyped)
{
    // In millimetres, a mini disc sheet whose figures fall between hundredths of an inch.
    QTest::mouseClick(window->measureButton(), Qt::LeftButton);
    ASSERT_EQ(canvas()->measure(), QStringLiteral("Centimeters"));
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Mini Discs"));
        for (const auto &[field, typed] :
             {std::pair{"tfWidth", "78"}, std::pair{"tfHeight", "78"}, std::pair{"tfOutRadius", "39"},
              std::pair{"tfInRadius", "41"}, std::pair{"tfOffsetX", "20.3"}, std::pair{"tfOffsetY", "15.7"},
              std::pair{"tfSpacingX", "8.3"}, std::pair{"tfSpacingY", "5.1"}, std::pair{"tfNumberX", "2"},
              std::pair{"tfNumberY", "3"}})
            qmtest::typeIntoField(sheet, QString::fromLatin1(field), QString::fromLatin1(typed));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    newItem(QStringLiteral("New Custom Label..."))->trigger();
    apptest::settle();
    const TLabel typed = canvas()->getLabel();
    ASSERT_EQ(typed.name, QStringLiteral("Mini Discs"));
    EXPECT_NEAR(typed.hole * 25.4, 41.0, 0.01) << "the mini disc keeps the 41 mm hole";
    EXPECT_NEAR(typed.left_margin * 25.4, 20.3, 0.01);

    const QString dir = qmtest::freshDir(QStringLiteral("stock-editors-mm"));
    const QString path = dir + QStringLiteral("/Discs.qkdoc");
    prompts->queueSaveOfType(path, 0);
    menuItem(QStringLiteral("File"), QStringLiteral("Save As..."))->trigger();
    apptest::settle();
    ASSERT_TRUE(QFile::exists(path));

    // Opened where the custom list does not know the sheet (another computer, or the sheet
    // deleted since): the document's own figures are the sheet.
    auto openAgain = [&](const QString &file) {
        CustomDataSource *store = canvas()->customDataSource();
        while (store->count() > 0)
            store->deleteFormat(0);
        menuItem(QStringLiteral("File"), QStringLiteral("New"))->trigger();
        apptest::settle();
        prompts->queuePath(file);
        menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
        apptest::settle();
    };
    openAgain(path);
    const TLabel back = canvas()->getLabel();
    EXPECT_EQ(back.name, QStringLiteral("Mini Discs"));
    EXPECT_EQ(back.num_label, 2);
    EXPECT_EQ(back.num_downlabel, 3);
    const std::vector<float> before = stockLengths(typed);
    const std::vector<float> after = stockLengths(back);
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_NEAR(double(after[i]) * 25.4, double(before[i]) * 25.4, 0.01) << "length " << i;
    // The last label of the sheet starts where it was typed, not a sum of roundings away.
    EXPECT_NEAR((back.top_margin + 2 * (back.height + back.vert_distance)) * 25.4, 15.7 + 2 * (78 + 5.1), 0.01);

    // A document of before, with lengths of two decimals, still takes the catalogue's exact
    // figures for a stock it names.
    QVariantMap old = PropertyList::readFile(path).toMap();
    QVariantMap label = old.value(QStringLiteral("TLabel")).toList().first().toMap();
    for (const auto &[key, value] :
         {std::pair{"name", "5160"}, std::pair{"width", "2.62"}, std::pair{"height", "1.00"},
          std::pair{"top_m", "0.50"}, std::pair{"left_m", "0.19"}, std::pair{"v_dist", "0.00"},
          std::pair{"h_dist", "0.12"}, std::pair{"round", "0.00"}, std::pair{"hole", "0.00"},
          std::pair{"number", "3"}, std::pair{"number_down", "10"}, std::pair{"shape", "1"}})
        label.insert(QString::fromLatin1(key), QString::fromLatin1(value));
    label.remove(QStringLiteral("label_cell"));
    old.insert(QStringLiteral("TLabel"), QVariantList{label});
    const QString oldPath = dir + QStringLiteral("/Before.qkdoc");
    ASSERT_TRUE(PropertyList::writeFile(oldPath, old, PlistFormat::Binary));
    openAgain(oldPath);
    const TLabel catalogue =
        canvas()->dataSource()->labelTypeAt(canvas()->dataSource()->modelIndexByName(QStringLiteral("5160")))->getLabelStruct();
    EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("5160"));
    EXPECT_FLOAT_EQ(canvas()->getLabel().width, catalogue.width);
    EXPECT_FLOAT_EQ(canvas()->getLabel().left_margin, catalogue.left_margin);
}

} // namespace

namespace {

// The Up and Down keys in a length field step it by the field's increment, as its stepper
// does: a point in inches, from the value just typed.
TEST_F(StockEditorsWindow, UpAndDownKeysStepTheLengthFields)
{
    canvas()->setMeasure(QStringLiteral("Inches"));
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Keys"));
        QLineEdit *width = qmtest::sheetField(sheet, QStringLiteral("tfWidth"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfWidth"), QStringLiteral("2"));
        width->setFocus();
        QTest::keyClick(width, Qt::Key_Up);
        EXPECT_EQ(width->text(), QStringLiteral("2.01 in"));
        QTest::keyClick(width, Qt::Key_Down);
        QTest::keyClick(width, Qt::Key_Down);
        EXPECT_EQ(width->text(), QStringLiteral("1.99 in"));
        // A value typed and not yet left is where the step starts.
        QLineEdit *top = qmtest::sheetField(sheet, QStringLiteral("tfOffsetY"));
        top->setFocus();
        top->selectAll();
        QTest::keyClicks(top, QStringLiteral("1"));
        for (int i = 0; i < 36; ++i)
            QTest::keyClick(top, Qt::Key_Up);
        EXPECT_EQ(top->text(), QStringLiteral("1.50 in"));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    newItem(QStringLiteral("New Custom Label..."))->trigger();
    apptest::settle();
    EXPECT_NEAR(canvas()->getLabel().width, 2.0 - 1.0 / 72.0, 1e-4);
    EXPECT_NEAR(canvas()->getLabel().top_margin, 1.5, 1e-4);

    // The same in the format editor's fields, in points.
    canvas()->setMeasure(QStringLiteral("Points"));
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        auto *page = sheet.findChild<CustomPageView *>();
        ASSERT_TRUE(page);
        dragTile(sheet, QStringLiteral("Horizontal"), QPoint(page->width() / 2, page->height() / 4));
        ASSERT_EQ(page->labels().size(), 1u);
        clickShape(sheet, 0);
        qmtest::typeIntoField(sheet, QStringLiteral("tfWidth"), QStringLiteral("100"));
        QLineEdit *width = qmtest::sheetField(sheet, QStringLiteral("tfWidth"));
        width->setFocus();
        QTest::keyClick(width, Qt::Key_Up);
        QTest::keyClick(width, Qt::Key_Up);
        EXPECT_EQ(width->text(), QStringLiteral("102.00 pt"));
        EXPECT_NEAR(page->labels()[0].widthValue(), 102.0 * 25.4 / 72.0, 1e-3);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Stepped"));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    newItem(QStringLiteral("New Custom Format..."))->trigger();
    apptest::settle();
    ASSERT_TRUE(canvas()->getTFormat());
    EXPECT_NEAR(canvas()->getTFormat()->labels[0].widthValue(), 102.0 * 25.4 / 72.0, 1e-3);
}

// A stock made while the search text hides it is shown: the search is cleared, and the new
// row is there and chosen.
TEST_F(StockEditorsWindow, AStockMadeWhileASearchHidesItIsShown)
{
    window->stockTabs()->setCurrentIndex(1);
    QTest::keyClicks(window->searchField(), QStringLiteral("zzz"));
    apptest::settle();
    ASSERT_EQ(canvas()->getFormatFilter(), QStringLiteral("zzz"));
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Seen"));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    newItem(QStringLiteral("New Custom Label..."))->trigger();
    apptest::settle();
    EXPECT_TRUE(window->searchField()->text().isEmpty());
    EXPECT_TRUE(canvas()->getFormatFilter().isEmpty());
    ASSERT_EQ(window->customView()->model()->rowCount(), 1);
    EXPECT_EQ(customRowText(0), QStringLiteral("Seen"));
    EXPECT_EQ(selectedCustomRow(), 0);

    // The same for a catalogue stock's copy made with the search text on the catalogue.
    window->stockTabs()->setCurrentIndex(0);
    clickRow(window->catalogueView(), canvas()->dataSource()->modelIndexByName(QStringLiteral("5160")));
    QTest::keyClicks(window->searchField(), QStringLiteral("5160"));
    apptest::settle();
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    QTreeView *catalogue = window->catalogueView();
    const QModelIndex product = canvas()->dataSource()->modelIndexByName(QStringLiteral("5160"));
    ASSERT_TRUE(product.isValid());
    // A double-click is a click and a second press.
    clickRow(catalogue, product);
    QTest::mouseDClick(catalogue->viewport(), Qt::LeftButton, {}, catalogue->visualRect(product).center());
    apptest::settle();
    ASSERT_EQ(panels->count(qmtest::TestPrintPanels::Sheet), 2);
    EXPECT_TRUE(window->searchField()->text().isEmpty());
    EXPECT_EQ(window->stockTabs()->currentIndex(), 1);
    ASSERT_EQ(window->customView()->model()->rowCount(), 2);
    EXPECT_EQ(customRowText(selectedCustomRow()), QStringLiteral("5160_custom"));
}

// Every command that makes a new stock clears the search text, and then both lists show every
// stock, the one behind the other tab too; and whichever tab the text is typed on, both lists
// follow it. The commands are the items of the "+" menu and Edit of a catalogue row.
TEST_F(StockEditorsWindow, BothListsFollowTheSearchTextAndShowEveryStockOnceANewStockClearsIt)
{
    auto listed = [](QAbstractItemModel *model) {
        int rows = 0;
        for (int row = 0; row < model->rowCount(); ++row)
            rows += model->rowCount(model->index(row, 0));
        return rows;
    };
    QAbstractItemModel *catalogue = window->catalogueView()->model();
    QAbstractItemModel *custom = window->customView()->model();
    const int everyCatalogueStock = listed(catalogue);
    ASSERT_GT(everyCatalogueStock, 100);

    QList<std::pair<QString, std::function<void()>>> commands;
    for (QAction *action : window->newFormatMenu()->actions())
        if (!action->isSeparator())
            commands.append({action->text(), [action] { action->trigger(); }});
    commands.append({QStringLiteral("Edit of a catalogue row"), [this] {
                         window->stockTabs()->setCurrentIndex(0);
                         QTreeView *tree = window->catalogueView();
                         const QModelIndex product = canvas()->dataSource()->modelIndexByName(QStringLiteral("5160"));
                         ASSERT_TRUE(product.isValid());
                         clickRow(tree, product);
                         QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(product).center());
                     }});
    ASSERT_GE(commands.size(), 3);
    int made = 0;
    for (const auto &[name, run] : commands) {
        SCOPED_TRACE(name.toStdString());
        // Typed on the catalogue, then the Custom tab shown.
        window->stockTabs()->setCurrentIndex(0);
        QTest::keyClicks(window->searchField(), QStringLiteral("5160"));
        apptest::settle();
        ASSERT_LT(listed(catalogue), everyCatalogueStock);
        window->stockTabs()->setCurrentIndex(1);
        apptest::settle();
        panels->queueSheet([made](QDialog &sheet) {
            qmtest::presentSheet(sheet);
            if (auto *page = sheet.findChild<CustomPageView *>(); page && page->labels().empty())
                dragTile(sheet, QStringLiteral("Horizontal"), QPoint(page->width() / 2, page->height() / 4));
            qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Made %1").arg(made));
            EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
        });
        run();
        apptest::settle();
        ASSERT_EQ(canvas()->customDataSource()->count(), ++made);
        EXPECT_TRUE(window->searchField()->text().isEmpty());
        for (const int tab : {0, 1}) {
            window->stockTabs()->setCurrentIndex(tab);
            apptest::settle();
            EXPECT_EQ(listed(catalogue), everyCatalogueStock) << "tab " << tab;
            EXPECT_EQ(custom->rowCount(), made) << "tab " << tab;
        }
    }

    // Typed on the Custom tab, the catalogue follows too, and both show all once it is cleared.
    window->stockTabs()->setCurrentIndex(1);
    QTest::keyClicks(window->searchField(), QStringLiteral("zzz"));
    apptest::settle();
    EXPECT_EQ(custom->rowCount(), 0);
    window->stockTabs()->setCurrentIndex(0);
    apptest::settle();
    EXPECT_EQ(listed(catalogue), 0);
    window->searchField()->clear();
    window->stockTabs()->setCurrentIndex(1);
    apptest::settle();
    EXPECT_EQ(listed(catalogue), everyCatalogueStock);
    EXPECT_EQ(custom->rowCount(), made);
}

} // namespace
