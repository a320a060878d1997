#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QLabel>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>

#include "CanvasTestSupport.h"
#include "app/MainWindow.h"
#include "common/SheetDriver.h"
#include "common/TestPrintPanels.h"
#include "common/TestPrompts.h"
#include "platform/NotificationCenter.h"
#include "stock/CustomDataSource.h"
#include "stock/DataSource.h"

using namespace quillmark;

namespace {

class StockBrowser : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("browser"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        window = std::make_unique<MainWindow>();
        canvas = window->canvas();
        // Start every case from an empty custom list.
        while (canvas->customDataSource()->count() > 0)
            canvas->customDataSource()->deleteFormat(0);
        canvas->customDataSource()->reloadData();
    }
    void TearDown() override
    {
        window.reset();
        Language::reset();
    }

    TLabel label(const QString &name, int across, int down)
    {
        TLabel result;
        result.name = name;
        result.num_label = qint16(across);
        result.num_downlabel = qint16(down);
        return result;
    }

    qmtest::ScopedTestPrompts prompts;
    qmtest::ScopedTestPrintPanels panels;
    std::unique_ptr<MainWindow> window;
    RectsView *canvas = nullptr;
};

TEST_F(StockBrowser, ChoosingACatalogueRowAppliesItAndRemembersIt)
{
    const QModelIndex index = canvas->dataSource()->modelIndexByName(QStringLiteral("5163"));
    ASSERT_TRUE(index.isValid());
    window->catalogueView()->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(canvas->getLabel().name, QStringLiteral("5163"));
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("LabelName")), QStringLiteral("5163"));
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("LabelFormatType")), 0);
    EXPECT_TRUE(UserDefaults::standard().boolForKey(QStringLiteral("IsCategory")));
    EXPECT_EQ(window->labelInfo()->text(), canvas->labelDescription());
    EXPECT_TRUE(window->labelInfo()->text().endsWith(QStringLiteral("2 across, 5 down")));
}

TEST_F(StockBrowser, NewEditAndDeleteCustomLabels)
{
    // The panel is worked as the user works it: a name, four across and six down, OK.
    auto newMine = [this] {
        panels->queueSheet([](QDialog &sheet) {
            qmtest::presentSheet(sheet);
            qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Mine"));
            qmtest::typeIntoField(sheet, QStringLiteral("tfNumberX"), QStringLiteral("4"));
            qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QStringLiteral("6"));
            EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
        });
    };
    newMine();
    canvas->newCustomLabel();
    ASSERT_EQ(panels->count(qmtest::TestPrintPanels::Sheet), 1);
    EXPECT_EQ(panels->last().title, QStringLiteral("Custom Label"));
    ASSERT_EQ(canvas->customDataSource()->count(), 1);
    EXPECT_EQ(canvas->getLabel().name, QStringLiteral("Mine"));
    EXPECT_EQ(canvas->getEnableLabelFlags().size(), 24);
    window->stockTabs()->setCurrentIndex(1);
    EXPECT_TRUE(window->customView()->selectionModel()->isRowSelected(0, {}));

    // A second one with the same name gets a unique name.
    newMine();
    canvas->newCustomLabel();
    ASSERT_EQ(canvas->customDataSource()->count(), 2);
    EXPECT_EQ(canvas->customDataSource()->getItemName(1), QStringLiteral("Mine1"));

    // Cancelled editing changes nothing, whatever was typed.
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Other"));
        qmtest::clickSheetButton(sheet, QStringLiteral("cancelButton"));
    });
    window->customView()->selectRow(0);
    canvas->editCustomFormat();
    EXPECT_EQ(canvas->customDataSource()->getItemName(0), QStringLiteral("Mine"));

    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        EXPECT_EQ(qmtest::sheetField(sheet, QStringLiteral("formatTitle"))->text(), QStringLiteral("Mine"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberX"), QStringLiteral("1"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QStringLiteral("2"));
        qmtest::clickSheetButton(sheet, QStringLiteral("okButton"));
    });
    window->customView()->selectRow(0);
    canvas->editCustomFormat();
    EXPECT_EQ(canvas->customDataSource()->getItemName(0), QStringLiteral("Mine"));
    EXPECT_EQ(canvas->getLabel().num_label, 1);
    EXPECT_EQ(canvas->getEnableLabelFlags().size(), 2);

    prompts->queueAlert(Prompts::SecondButton);
    canvas->deleteCustomLabel();
    EXPECT_EQ(canvas->customDataSource()->count(), 2);
    EXPECT_EQ(prompts->last().title, QStringLiteral("Are you sure you wish to delete the Mine custom label?"));
    canvas->deleteCustomLabel();
    EXPECT_EQ(canvas->customDataSource()->count(), 1);
    canvas->deleteCustomLabel();
    EXPECT_EQ(canvas->customDataSource()->count(), 0);
    // Deleting the only entry leaves no selection and the buttons off.
    EXPECT_FALSE(window->customView()->selectionModel()->hasSelection());

    // The list was stored: a new store reads it back empty.
    CustomDataSource reread(canvas->customDataSource()->filePath(), QString());
    EXPECT_EQ(reread.count(), 0);
}

TEST_F(StockBrowser, EditingACatalogueLabelMakesACustomCopy)
{
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        EXPECT_EQ(qmtest::sheetField(sheet, QStringLiteral("formatTitle"))->text(), QStringLiteral("5160"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfWidth"), QStringLiteral("3"));
        qmtest::clickSheetButton(sheet, QStringLiteral("okButton"));
    });
    canvas->editCustomFormat();
    ASSERT_EQ(canvas->customDataSource()->count(), 1);
    EXPECT_EQ(canvas->customDataSource()->getItemName(0), QStringLiteral("5160_custom"));
    EXPECT_EQ(window->stockTabs()->currentIndex(), 1);
    EXPECT_FLOAT_EQ(canvas->getLabel().width, 3.0f);
    // The copy keeps the product's paper.
    EXPECT_EQ(canvas->getLabel().paper, QStringLiteral("Letter"));
}

TEST_F(StockBrowser, TheSearchTextFiltersTheCatalogue)
{
    const int before = canvas->dataSource()->rowCount();
    window->searchField()->setText(QStringLiteral("5160"));
    EXPECT_EQ(canvas->getFormatFilter(), QStringLiteral("5160"));
    EXPECT_LE(canvas->dataSource()->rowCount(), before);
    EXPECT_TRUE(canvas->dataSource()->modelIndexByName(QStringLiteral("5160")).isValid());
    EXPECT_FALSE(canvas->dataSource()->modelIndexByName(QStringLiteral("5163")).isValid());
}

// A template's graphic keeps its share of the label; the user's own keeps its frame.
TEST_F(StockBrowser, UndoableStockChangeKeepsTheDesignProportions)
{
    auto graphic = ColorRect::create(QRectF(0, 0, 100, 50));
    graphic->setPageName(canvas->getCurrPageName());
    graphic->setTemplateFlag(true);
    canvas->addGraphic(graphic);
    auto own = ColorRect::create(QRectF(10, 20, 30, 15));
    own->setPageName(canvas->getCurrPageName());
    canvas->addGraphic(own);
    canvas->undoManager()->closeEventGroup();
    const TLabel before = canvas->getLabel();

    TLabel twice = before;
    twice.name = QStringLiteral("Twice");
    twice.width = before.width * 2;
    canvas->selectFormat(twice);
    canvas->undoManager()->closeEventGroup();
    EXPECT_EQ(canvas->getLabel().name, QStringLiteral("Twice"));
    EXPECT_NEAR(graphic->frameBounds().width(), 200.0, 1e-3);
    EXPECT_EQ(own->frameBounds(), QRectF(10, 20, 30, 15));

    canvas->undoManager()->undo();
    EXPECT_EQ(canvas->getLabel().name, before.name);
    EXPECT_NEAR(graphic->frameBounds().width(), 100.0, 1e-3);
    EXPECT_EQ(own->frameBounds(), QRectF(10, 20, 30, 15));
}

TEST_F(StockBrowser, DatabasePreviewIsAStoredToggleThatTellsTheMergeObjects)
{
    int posts = 0;
    NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("RecordChangedNotification"),
                                                    [&](const Notification &) { ++posts; });
    const bool before = canvas->databasePreview();
    canvas->setDatabasePreview();
    EXPECT_NE(canvas->databasePreview(), before);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(UserDefaults::standard().boolForKey(QStringLiteral("databasePreview")), !before);
    NotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(StockBrowser, OneLabelTypeDisablesThePageControl)
{
    canvas->setTLabel(label(QStringLiteral("Single"), 1, 1));
    EXPECT_FALSE(window->pageControl()->isEnabled());
    TFormat format;
    format.name = QStringLiteral("Two kinds");
    for (const QString &type : {QStringLiteral("Face"), QStringLiteral("Spine")}) {
        TLabelT shape;
        shape.setType(type);
        shape.setWidth(40.0f);
        shape.setHeight(20.0f);
        format.labels.push_back(shape);
    }
    canvas->setTFormat(format);
    EXPECT_TRUE(window->pageControl()->isEnabled());
    EXPECT_EQ(window->pageControl()->segmentCount(), 2);
    EXPECT_EQ(window->pageControl()->label(1), QStringLiteral("Spine"));
}

TEST_F(StockBrowser, ACustomStockIsRestoredAtTheNextStart)
{
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Mine"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberX"), QStringLiteral("4"));
        qmtest::clickSheetButton(sheet, QStringLiteral("okButton"));
    });
    canvas->newCustomLabel();
    UserDefaults::standard().setInteger(1, QStringLiteral("LabelFormatType"));
    UserDefaults::standard().setString(QStringLiteral("Mine"), QStringLiteral("LabelName"));
    window.reset();

    window = std::make_unique<MainWindow>();
    EXPECT_EQ(window->canvas()->getLabel().name, QStringLiteral("Mine"));
    EXPECT_EQ(window->canvas()->getLabel().num_label, 4);
    EXPECT_EQ(window->stockTabs()->currentIndex(), 1);
    EXPECT_TRUE(window->customView()->selectionModel()->isRowSelected(0, {}));
    EXPECT_FALSE(window->catalogueView()->selectionModel()->hasSelection());
    canvas = window->canvas();
    canvas->customDataSource()->deleteFormat(0);
    canvas->customDataSource()->save_data();
}

} // namespace
