// The canvas commands that run the stock editors: a new custom format laid out on the sheet,
// a custom format changed, catalogue copies, and what reaches "custom.plist".
#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTreeView>
#include <QTabWidget>
#include <QTest>

#include "CanvasTestSupport.h"
#include "app/MainWindow.h"
#include "common/FailingWrites.h"
#include "common/SheetDriver.h"
#include "common/TestPrintPanels.h"
#include "common/TestPrompts.h"
#include "platform/PrintInfo.h"
#include "stock/DataSource.h"
#include "stock/CustomDataSource.h"
#include "stock/CustomFormat.h"
#include "stock/CustomLabel.h"
#include "stock/CustomPageView.h"
#include "stock/EditCustomFormat.h"

using namespace quillmark;

namespace {

// The property list as plistutil reads it, in its XML form.
QString plistutilText(const QString &path)
{
    QProcess tool;
    tool.start(QStringLiteral("plistutil"), {QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("xml")});
    if (!tool.waitForFinished(10000))
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput());
}

// A palette tile dropped on the sheet of the format panel at a point of the sheet.
void dropShape(QDialog &sheet, const QByteArray &type, const QPoint &at)
{
    auto *page = sheet.findChild<CustomPageView *>();
    ASSERT_TRUE(page);
    QMimeData data;
    data.setData(QStringLiteral("DesignedElementDragType"), type);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(page, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(page, &drop);
}

class CustomStockFlow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("custom-flow"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        PrintInfo::sharedPrintInfo().reset();
        window = std::make_unique<MainWindow>();
        canvas = window->canvas();
        while (canvas->customDataSource()->count() > 0)
            canvas->customDataSource()->deleteFormat(0);
        canvas->customDataSource()->reloadData();
        canvas->customDataSource()->save_data();
    }
    void TearDown() override
    {
        window.reset();
        PrintInfo::sharedPrintInfo().reset();
        Language::reset();
    }
    const CustomFormat *formatEntry(int index) const
    {
        return dynamic_cast<const CustomFormat *>(canvas->customDataSource()->getItem(index));
    }

    qmtest::ScopedTestPrompts prompts;
    qmtest::ScopedTestPrintPanels panels;
    std::unique_ptr<MainWindow> window;
    RectsView *canvas = nullptr;
};

TEST_F(CustomStockFlow, ANewFormatLaidOutOnTheSheetIsStoredAndApplied)
{
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Custom Format"));
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Media Case"));
        dropShape(sheet, "VHSFace", QPoint(200, 150));
        dropShape(sheet, "VHSSpine", QPoint(200, 300));
        // The spine once more, three millimetres on.
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("bnDuplicate")));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    canvas->newCustomFormat();
    ASSERT_EQ(canvas->customDataSource()->count(), 1);
    const CustomFormat *entry = formatEntry(0);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->getName(), QStringLiteral("Media Case"));
    ASSERT_EQ(entry->format().labels.size(), 3u);
    EXPECT_EQ(entry->format().labels[0].getType(), QStringLiteral("VHSFace"));
    EXPECT_EQ(entry->format().papersize, QStringLiteral("Letter"));

    // Applied to the canvas, chosen in the custom list, remembered for the next start.
    ASSERT_TRUE(canvas->getTFormat());
    EXPECT_EQ(canvas->getTFormat()->name, QStringLiteral("Media Case"));
    EXPECT_EQ(canvas->getTFormat()->labels.size(), 3u);
    EXPECT_EQ(canvas->getEnableLabelFlags().size(), 3);
    EXPECT_EQ(window->stockTabs()->currentIndex(), 1);
    EXPECT_TRUE(window->customView()->selectionModel()->isRowSelected(0, {}));
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("LabelName")), QStringLiteral("Media Case"));

    // What is on disk, as another reader sees it.
    const QString text = plistutilText(canvas->customDataSource()->filePath());
    EXPECT_TRUE(text.contains(QStringLiteral("<key>Custom0</key>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<string>Media Case</string>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<key>papersize</key>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<string>brenholt</string>")));
    EXPECT_EQ(text.count(QStringLiteral("<string>VHSSpine</string>")), 2);
}

TEST_F(CustomStockFlow, AFormatCannotBeConfirmedWithoutLabelsAndCancelChangesNothing)
{
    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Empty"));
        EXPECT_FALSE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
        qmtest::clickSheetButton(sheet, QStringLiteral("cancelButton"));
    });
    const QString before = canvas->getLabel().name;
    canvas->newCustomFormat();
    EXPECT_EQ(panels->count(qmtest::TestPrintPanels::Sheet), 1);
    EXPECT_EQ(canvas->customDataSource()->count(), 0);
    EXPECT_EQ(canvas->getLabel().name, before);
}

TEST_F(CustomStockFlow, AFormatOfTheCustomListIsChangedInItsPanel)
{
    TFormat format;
    format.name = QStringLiteral("Cards");
    format.papersize = QStringLiteral("A4");
    for (int i = 0; i < 2; ++i) {
        TLabelT card;
        card.setType(QStringLiteral("BusinessCard"));
        card.setX(15.0f);
        card.setY(15.0f + 60.0f * float(i));
        card.setWidth(85.0f);
        card.setHeight(55.0f);
        format.labels.push_back(card);
    }
    canvas->customDataSource()->addNewTFormat(format);
    canvas->customDataSource()->addNewTFormat(TFormat(format));
    canvas->customDataSource()->reloadData();
    window->stockTabs()->setCurrentIndex(1);
    window->customView()->selectRow(0);

    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        auto &panel = static_cast<EditCustomFormat &>(sheet);
        // The panel shows the entry's shapes on its own paper.
        ASSERT_EQ(panel.customPageView()->labels().size(), 2u);
        EXPECT_NEAR(panel.customPageView()->paperSize().width(), 595.28, 0.01);
        panel.customPageView()->selectLabelAtIndex(1);
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("bnRotate")));
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Cards"));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    });
    canvas->editCustomFormat();
    ASSERT_EQ(canvas->customDataSource()->count(), 2);
    const TFormat &changed = formatEntry(0)->format();
    EXPECT_EQ(changed.name, QStringLiteral("Cards"));
    EXPECT_EQ(changed.papersize, QStringLiteral("A4"));
    EXPECT_EQ(changed.labels[1].getType(), QStringLiteral("BusinessCard "));
    EXPECT_NEAR(changed.labels[1].widthValue(), 55.0, 1e-3);
    // The turned card is a label type of its own: two pages with draw by type.
    EXPECT_EQ(canvas->getTFormat()->labels[1].getType(), QStringLiteral("BusinessCard "));
    EXPECT_TRUE(window->customView()->selectionModel()->isRowSelected(0, {}));

    // Renamed: a name no other entry bears is kept; the name of the other entry gets a number.
    auto rename = [this](int row, const QString &name) {
        window->customView()->selectRow(row);
        panels->queueSheet([name](QDialog &sheet) {
            qmtest::presentSheet(sheet);
            qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), name);
            qmtest::clickSheetButton(sheet, QStringLiteral("okButton"));
        });
        canvas->editCustomFormat();
    };
    rename(1, QStringLiteral("Other"));
    EXPECT_EQ(canvas->customDataSource()->getItemName(1), QStringLiteral("Other"));
    rename(1, QStringLiteral("Cards"));
    EXPECT_EQ(canvas->customDataSource()->getItemName(1), QStringLiteral("Cards1"));
    EXPECT_EQ(canvas->getTFormat()->name, QStringLiteral("Cards1"));
}

TEST_F(CustomStockFlow, CatalogueCopiesAreNamedAfterTheProduct)
{
    for (int i = 0; i < 2; ++i) {
        panels->queueSheet([](QDialog &sheet) {
            qmtest::presentSheet(sheet);
            qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QStringLiteral("9"));
            qmtest::clickSheetButton(sheet, QStringLiteral("okButton"));
        });
        window->stockTabs()->setCurrentIndex(0);
        window->catalogueView()->selectionModel()->setCurrentIndex(
            canvas->dataSource()->modelIndexByName(QStringLiteral("5160")),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        canvas->editCustomFormat();
    }
    ASSERT_EQ(canvas->customDataSource()->count(), 2);
    EXPECT_EQ(canvas->customDataSource()->getItemName(0), QStringLiteral("5160_custom"));
    EXPECT_EQ(canvas->customDataSource()->getItemName(1), QStringLiteral("5160_custom1"));
    const TLabel copy = dynamic_cast<const CustomLabel *>(canvas->customDataSource()->getItem(1))->getLabel();
    EXPECT_EQ(copy.num_downlabel, 9);
    EXPECT_EQ(copy.num_label, 3);
    EXPECT_EQ(copy.paper, QStringLiteral("Letter"));
    EXPECT_EQ(canvas->getLabel().name, QStringLiteral("5160_custom1"));
    EXPECT_EQ(canvas->getEnableLabelFlags().size(), 27);
}

TEST_F(CustomStockFlow, AListThatCannotBeWrittenWholeKeepsTheOldFileAndSaysSo)
{
    for (int i = 0; i < 200; ++i) {
        TLabel label;
        label.name = QStringLiteral("Stock %1").arg(i);
        label.width = 1.0f + float(i) / 100.0f;
        canvas->customDataSource()->addNewFormat(label);
    }
    ASSERT_TRUE(canvas->customDataSource()->save_data());
    const QString path = canvas->customDataSource()->filePath();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    ASSERT_GT(before.size(), 12 * 1024);

    panels->queueSheet([](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("One more"));
        qmtest::clickSheetButton(sheet, QStringLiteral("okButton"));
    });
    {
        qmtest::ScopedFileSizeLimit limit(6 * 1024);
        canvas->newCustomLabel();
    }
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("Error"));
    EXPECT_TRUE(prompts->last().message.startsWith(QStringLiteral("The custom label formats could not be saved.")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    // No half-written file is left beside it.
    const QStringList left = QDir(QFileInfo(path).absolutePath()).entryList({QStringLiteral("custom*")}, QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, QStringList({QStringLiteral("custom.plist")}));
}

} // namespace
