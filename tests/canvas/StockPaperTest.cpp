// The current stock's paper on the canvas: a catalogue choice, a custom free layout, and a
// document that keeps it or, written before stocks knew their paper, finds it again.
#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QTreeView>

#include "CanvasTestSupport.h"
#include "app/MainWindow.h"
#include "common/TestPrompts.h"
#include "platform/PropertyList.h"
#include "stock/CustomDataSource.h"
#include "stock/DataSource.h"
#include "stock/Paper.h"

using namespace quillmark;

namespace {

class StockPaper : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("paper"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        window = std::make_unique<MainWindow>();
        canvas = window->canvas();
        while (canvas->customDataSource()->count() > 0)
            canvas->customDataSource()->deleteFormat(0);
        canvas->customDataSource()->reloadData();
    }
    void TearDown() override
    {
        window.reset();
        Language::reset();
    }

    void choose(const QString &code)
    {
        const QModelIndex index = canvas->dataSource()->modelIndexByName(code);
        ASSERT_TRUE(index.isValid()) << code.toStdString();
        window->catalogueView()->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        ASSERT_EQ(canvas->getLabel().name, code);
    }

    qmtest::ScopedTestPrompts prompts;
    std::unique_ptr<MainWindow> window;
    RectsView *canvas = nullptr;
};

TEST_F(StockPaper, ACatalogueChoiceBringsItsPaper)
{
    choose(QStringLiteral("5160"));
    EXPECT_EQ(canvas->getLabel().paper, PaperName::Letter);
    EXPECT_EQ(canvas->getLabel().pageSize().id(), QPageSize::Letter);
    choose(QStringLiteral("L7160"));
    EXPECT_EQ(canvas->getLabel().paper, PaperName::A4);
}

TEST_F(StockPaper, ACustomFreeLayoutBringsItsOwnPaper)
{
    TFormat format;
    format.setName(QStringLiteral("My discs"));
    format.papersize = QStringLiteral("na-letter");
    TLabelT disc;
    disc.setType(QStringLiteral("Disc"));
    disc.setX(10);
    disc.setY(10);
    disc.setWidth(117);
    disc.setHeight(117);
    disc.setRound(QStringLiteral("true"));
    format.labels.push_back(disc);
    canvas->customDataSource()->addNewTFormat(format);
    canvas->customDataSource()->reloadData();
    choose(QStringLiteral("L7160"));
    canvas->tableViewSelectionChange(0);
    EXPECT_EQ(canvas->getLabel().name, QStringLiteral("My discs"));
    EXPECT_EQ(canvas->getLabel().paper, PaperName::Letter);
}

TEST_F(StockPaper, DocumentsKeepThePaperAndOldOnesFindIt)
{
    const QString dir = qmtest::freshDir(QStringLiteral("paper-documents"));
    choose(QStringLiteral("5160"));
    const QString path = dir + QStringLiteral("/letter.qkdoc");
    prompts->queuePath(path);
    ASSERT_TRUE(canvas->save());
    QVariantMap stored = PropertyList::readFile(path).toMap();
    QVariantMap label = stored.value("TLabel").toList().first().toMap();
    EXPECT_EQ(label.value("paper").toString(), PaperName::Letter);

    choose(QStringLiteral("L7160"));
    ASSERT_TRUE(canvas->open(path));
    EXPECT_EQ(canvas->getLabel().name, QStringLiteral("5160"));
    EXPECT_EQ(canvas->getLabel().paper, PaperName::Letter);

    // Written before stocks knew their paper: the catalogue's entry says it.
    label.remove("paper");
    stored.insert("TLabel", QVariantList{label});
    const QString old = dir + QStringLiteral("/old.qkdoc");
    ASSERT_TRUE(PropertyList::writeFile(old, stored, PlistFormat::Binary));
    choose(QStringLiteral("L7160"));
    ASSERT_TRUE(canvas->open(old));
    EXPECT_EQ(canvas->getLabel().paper, PaperName::Letter);
    EXPECT_EQ(canvas->customDataSource()->count(), 0);

    // A stock of its own, in no catalogue, has no paper to find.
    label.insert("number_down", "9");
    stored.insert("TLabel", QVariantList{label});
    ASSERT_TRUE(PropertyList::writeFile(old, stored, PlistFormat::Binary));
    ASSERT_TRUE(canvas->open(old));
    EXPECT_TRUE(canvas->getLabel().paper.isEmpty());
}

} // namespace
