// Choosing catalogue products on the canvas: the paper each brings (a catalogue choice, a custom
// free layout, and a document that keeps it or, written before stocks knew their paper, finds
// it again), and products of different makers that share a code, restored at start and from
// documents as the product that was chosen.
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

class CatalogueChoice : public ::testing::Test
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
        // Windows made later in a case read the file.
        canvas->customDataSource()->save_data();
    }
    void TearDown() override
    {
        window.reset();
        Language::reset();
    }

    void choose(const QString &code, const QString &category = QString())
    {
        const QModelIndex index = canvas->dataSource()->modelIndexByName(code, category);
        ASSERT_TRUE(index.isValid()) << code.toStdString();
        window->catalogueView()->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        ASSERT_EQ(canvas->getLabel().name, code);
    }

    qmtest::ScopedTestPrompts prompts;
    std::unique_ptr<MainWindow> window;
    RectsView *canvas = nullptr;
};

TEST_F(CatalogueChoice, ACatalogueChoiceBringsItsPaper)
{
    choose(QStringLiteral("5160"));
    EXPECT_EQ(canvas->getLabel().paper, PaperName::Letter);
    EXPECT_EQ(canvas->getLabel().pageSize().id(), QPageSize::Letter);
    choose(QStringLiteral("L7160"));
    EXPECT_EQ(canvas->getLabel().paper, PaperName::A4);
}

TEST_F(CatalogueChoice, ACustomFreeLayoutBringsItsOwnPaper)
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

TEST_F(CatalogueChoice, DocumentsKeepThePaperAndOldOnesFindIt)
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

QString selectedRowText(MainWindow &window)
{
    const QModelIndexList rows = window.catalogueView()->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data().toString();
}

TEST_F(CatalogueChoice, ASharedCodeComesBackAsTheProductChosen)
{
    // Two makers' 5095: file folder labels (4 on A4) and name badges (8 on letter).
    choose(QStringLiteral("5095"), QStringLiteral("Name Badges"));
    EXPECT_EQ(canvas->getEnableLabelFlags().size(), 8);
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("LabelCategory")), QStringLiteral("Name Badges"));
    const TLabel badges = canvas->getLabel();

    window = std::make_unique<MainWindow>();
    canvas = window->canvas();
    EXPECT_EQ(canvas->getLabel().name, QStringLiteral("5095"));
    EXPECT_EQ(canvas->getEnableLabelFlags().size(), 8);
    EXPECT_EQ(canvas->getLabel().paper, PaperName::Letter);
    EXPECT_EQ(selectedRowText(*window), QStringLiteral("Name Badges 5095"));

    // Defaults written before the category was kept still restore a product with that code.
    UserDefaults::standard().removeObject(QStringLiteral("LabelCategory"));
    window = std::make_unique<MainWindow>();
    canvas = window->canvas();
    EXPECT_EQ(canvas->getLabel().name, QStringLiteral("5095"));

    // A document names the product by its code and geometry: the list shows that product.
    const QString dir = qmtest::freshDir(QStringLiteral("shared-code"));
    choose(QStringLiteral("5095"), QStringLiteral("Name Badges"));
    const QString path = dir + QStringLiteral("/badges.qkdoc");
    prompts->queuePath(path);
    ASSERT_TRUE(canvas->save());
    choose(QStringLiteral("5095"), QStringLiteral("File Folder Labels"));
    EXPECT_EQ(canvas->getEnableLabelFlags().size(), 4);
    ASSERT_TRUE(canvas->open(path));
    EXPECT_EQ(canvas->getEnableLabelFlags().size(), 8);
    // Documents keep lengths to two decimals.
    EXPECT_NEAR(canvas->getLabel().width, badges.width, 0.0051);
    EXPECT_EQ(selectedRowText(*window), QStringLiteral("Name Badges 5095"));
    // It is a catalogue product, not a new custom stock.
    EXPECT_EQ(canvas->customDataSource()->count(), 0);
}

} // namespace
