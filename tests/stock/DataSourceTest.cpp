// The catalogue browser's tree model: both views, the search, lookups by code and by grid
// stock, the view toggle, and the model contract checked by QAbstractItemModelTester.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QSignalSpy>

#include "platform/Bundle.h"
#include "stock/DataSource.h"
#include "stock/StockTestSupport.h"

using namespace quillmark;

namespace {

QByteArray entryLine(const char *code, const char *category)
{
    return QByteArray(code) + '\t' + category + "\tdescription\tStandard\t1\t2\t0\t2\t5\t0.5\t0.25\t2.125\t1.125";
}

std::unique_ptr<LabelTypes> sampleCatalogue()
{
    auto types = std::make_unique<LabelTypes>(false);
    const QList<QByteArray> lines = {
        entryLine("5160", "Address Labels"), entryLine("5161", "Address Labels"),
        entryLine("L7160", "Address Labels"), entryLine("8160", "Inkjet Labels"),
        entryLine("8163", "Inkjet Labels"), entryLine("8165", "Inkjet Labels"),
        entryLine("5160B", "Shipping"), entryLine("22805", "Square Labels"),
    };
    types->readFromBuffer(lines.join('\n'));
    types->sortLabelTypes();
    types->makeCategories();
    types->sortCategories();
    return types;
}

QStringList childNames(const DataSource &model, const QModelIndex &parent)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row)
        names << model.index(row, 0, parent).data().toString();
    return names;
}

} // namespace

TEST(CatalogueModel, CategoryViewAndSearch)
{
    stocktest::FakeCanvas canvas;
    DataSource model(sampleCatalogue(), &canvas);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy expansions(&model, &DataSource::expandRequested);

    EXPECT_TRUE(model.isCategories());
    EXPECT_EQ(childNames(model, {}), QStringList({"Address Labels", "Inkjet Labels", "Shipping", "Square Labels"}));
    const QModelIndex inkjet = model.index(1, 0);
    EXPECT_TRUE(model.isItemExpandable(inkjet));
    EXPECT_TRUE(model.hasChildren(inkjet));
    EXPECT_EQ(childNames(model, inkjet), QStringList({"Inkjet Labels 8160", "Inkjet Labels 8163", "Inkjet Labels 8165"}));
    EXPECT_TRUE(model.categoriesToExpand().isEmpty());
    model.recalc();
    QCoreApplication::processEvents();
    EXPECT_EQ(expansions.size(), 0);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Label Formats"));

    // A search shows only the matching entries of categories that hold some, and opens them.
    canvas.filter = QStringLiteral("5160");
    model.recalc();
    EXPECT_EQ(childNames(model, {}), QStringList({"Address Labels", "Shipping"}));
    EXPECT_EQ(childNames(model, model.index(0, 0)), QStringList({"Address Labels 5160"}));
    EXPECT_EQ(model.categoriesToExpand().size(), 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(expansions.size(), 2);

    // A category listed for its own name, with no matching entry, shows all of its entries.
    canvas.filter = QStringLiteral("inkjet labels");
    model.recalc();
    EXPECT_EQ(childNames(model, model.index(0, 0)).size(), 3);
    canvas.filter = QStringLiteral("Square");
    model.recalc();
    EXPECT_EQ(childNames(model, model.index(0, 0)), QStringList({"Square Labels 22805"}));

    // Entries are found by index, whatever the filter did to the rows.
    canvas.filter = QStringLiteral("816");
    model.recalc();
    const QModelIndex found = model.modelIndexByName(QStringLiteral("8163"));
    ASSERT_TRUE(found.isValid());
    EXPECT_EQ(model.labelTypeAt(found)->productCode, "8163");
    EXPECT_EQ(model.categoryAt(found.parent())->getName(), QStringLiteral("Inkjet Labels"));
    EXPECT_EQ(model.labelTypeAt(model.index(0, 0)), nullptr);
    EXPECT_FALSE(model.modelIndexByName(QStringLiteral("22805")).isValid());
    EXPECT_FALSE(model.isItemExpandable(found));
}

TEST(CatalogueModel, ProductNumberViewAndToggle)
{
    stocktest::FakeCanvas canvas;
    DataSource model(sampleCatalogue(), &canvas);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy captions(&model, &DataSource::viewTypeCaptionChanged);

    EXPECT_EQ(model.viewTypeCaption(), QStringLiteral("View by Product Number"));
    model.changeViewType();
    EXPECT_FALSE(model.isCategories());
    EXPECT_EQ(model.viewTypeCaption(), QStringLiteral("View by Categories"));
    EXPECT_EQ(canvas.selectCalls, 1);
    ASSERT_EQ(captions.size(), 1);
    EXPECT_EQ(captions[0][0].toString(), QStringLiteral("View by Categories"));

    EXPECT_EQ(model.rowCount(), 8);
    for (int row = 0; row < model.rowCount(); ++row) {
        EXPECT_FALSE(model.hasChildren(model.index(row, 0)));
        EXPECT_FALSE(model.isItemExpandable(model.index(row, 0)));
    }
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("Address Labels 5160"));

    canvas.filter = QStringLiteral("l7160");
    model.recalc();
    EXPECT_EQ(childNames(model, {}), QStringList({"Address Labels L7160"}));
    EXPECT_TRUE(model.categoriesToExpand().isEmpty());
    const QModelIndex l7160 = model.modelIndexByName(QStringLiteral("L7160"));
    ASSERT_TRUE(l7160.isValid());
    EXPECT_EQ(model.labelTypeAt(l7160)->getLabelStruct().name, QStringLiteral("L7160"));

    model.changeViewType();
    EXPECT_TRUE(model.isCategories());
    EXPECT_EQ(model.viewTypeCaption(), QStringLiteral("View by Product Number"));
    EXPECT_EQ(childNames(model, {}), QStringList({"Address Labels"}));
}

TEST(CatalogueModel, LookupsByCodeAndByGridStock)
{
    DataSource model(sampleCatalogue());
    // Third entry of the second category.
    EXPECT_EQ(model.indexByName(QStringLiteral("8165")), 65538);
    EXPECT_EQ(model.indexByName(QStringLiteral("5160")), 0);
    EXPECT_EQ(model.indexByName(QStringLiteral("nothing")), -1);
    model.changeViewType();
    EXPECT_EQ(model.indexByName(QStringLiteral("8165")), 5);
    EXPECT_EQ(model.indexByName(QStringLiteral("nothing")), -1);

    const TLabel stock = model.labelTypes().allLabelTypes()[3]->getLabelStruct();
    struct Case { const char *what; std::function<void(TLabel &)> change; qint32 expected; };
    const Case cases[] = {
        {"same", [](TLabel &) {}, 3},
        {"units differ", [](TLabel &l) { l.units = 7; }, 3},
        {"deleted differs", [](TLabel &l) { l.deleted = 1; }, 3},
        {"gap read back from two decimals", [](TLabel &l) { l.hor_distance = 0.12f; }, 3},
        {"hole differs", [](TLabel &l) { l.hole = 0.5f; }, -1},
        {"width differs", [](TLabel &l) { l.width += 0.01f; }, -1},
        {"name differs", [](TLabel &l) { l.name = QStringLiteral("x"); }, -1},
        {"count differs", [](TLabel &l) { l.num_label = 3; }, -1},
        {"shape differs", [](TLabel &l) { l.shape = 2; }, -1},
    };
    for (const Case &c : cases) {
        TLabel probe = stock;
        c.change(probe);
        EXPECT_EQ(model.labelExists(probe), c.expected) << c.what;
    }
}

TEST(CatalogueModel, ShippedCatalogueHoldsTheStartUpDefault)
{
    ASSERT_FALSE(Bundle::pathForResource(QStringLiteral("AveryUSmore"), QStringLiteral("txt")).isEmpty())
        << "the catalogue file AveryUSmore.txt is missing from the resources";
    stocktest::WarningRecorder warnings;
    DataSource model;
    EXPECT_TRUE(warnings.messages.isEmpty()) << qPrintable(warnings.messages.join('\n'));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const qint64 code = model.indexByName(QStringLiteral("5160"));
    ASSERT_GE(code, 0);
    const TCategory &category = *model.labelTypes().getCategories()[size_t(code / 65536)];
    const TLabel label = category.objectAtIndex(quint32(code % 65536))->getLabelStruct();
    EXPECT_EQ(label.name, QStringLiteral("5160"));
    EXPECT_EQ(label.num_label, 3);
    EXPECT_EQ(label.num_downlabel, 10);
    EXPECT_GE(model.labelExists(label), 0);
    const QModelIndex index = model.modelIndexByName(QStringLiteral("5160"));
    ASSERT_TRUE(index.isValid());
    EXPECT_EQ(model.labelTypeAt(index)->productCode, "5160");
}

// Two makers use the code 5095 for different sheets; each view finds the one asked for.
TEST(CatalogueModel, SharedCodesAreFoundByCategoryAndByGeometry)
{
    auto types = std::make_unique<LabelTypes>(false);
    types->readFromBuffer(entryLine("5095", "File Folder Labels") + "\n"
                          + "5095\tName Badges\tbadges\tRectangle\t2.33333\t3.375\t0.1875\t2\t4\t0.5833\t0.6875\t3.75\t2.5\n"
                          + entryLine("5160", "Address Labels"));
    types->sortLabelTypes();
    types->makeCategories();
    types->sortCategories();
    stocktest::FakeCanvas canvas;
    DataSource model(std::move(types), &canvas);
    const TLabelType *badges = nullptr;
    for (const auto &entry : model.labelTypes().allLabelTypes())
        if (entry->productCategory == "Name Badges")
            badges = entry.get();
    ASSERT_NE(badges, nullptr);

    for (int view = 0; view < 2; ++view) {
        SCOPED_TRACE(model.isCategories() ? "categories" : "product numbers");
        EXPECT_EQ(model.labelTypeAt(model.modelIndexByName("5095", "Name Badges")), badges);
        EXPECT_EQ(model.modelIndexByName("5095", "Name Badges").data().toString(), "Name Badges 5095");
        EXPECT_EQ(model.modelIndexByName("5095", "File Folder Labels").data().toString(), "File Folder Labels 5095");
        // Without a category, or with one that has no such code: the first with the code.
        EXPECT_EQ(model.modelIndexByName("5095").data().toString(), "File Folder Labels 5095");
        EXPECT_EQ(model.modelIndexByName("5095", "Round Labels").data().toString(), "File Folder Labels 5095");
        EXPECT_FALSE(model.modelIndexByName("9999", "Name Badges").isValid());
        // A grid stock finds the product whose sheet it is, as a document stores it.
        TLabel stored = badges->getLabelStruct();
        stored.width = 3.38f;
        EXPECT_EQ(model.labelTypeAt(model.modelIndexForLabel(stored)), badges);
        stored.num_label = 3;
        EXPECT_EQ(model.modelIndexForLabel(stored).data().toString(), "File Folder Labels 5095");
        model.changeViewType();
    }
    // A search that hides the product leaves nothing to select.
    canvas.filter = QStringLiteral("5160");
    model.recalc();
    EXPECT_FALSE(model.modelIndexByName("5095", "Name Badges").isValid());
}
