// The paper a stock is cut on: paper names, the catalogue files' papers and a product's own,
// and the custom store keeping the paper of custom grids and free layouts.
#include <gtest/gtest.h>

#include <QPageSize>
#include <map>

#include "platform/PropertyList.h"
#include "stock/CustomDataSource.h"
#include "stock/CustomFormat.h"
#include "stock/CustomLabel.h"
#include "stock/DataSource.h"
#include "stock/LabelTypes.h"
#include "stock/Paper.h"
#include "stock/StockTestSupport.h"

using namespace quillmark;

namespace {

const QByteArray line5160 =
    "5160\tAddress Labels\t30 per sheet\tRectangle\t1\t2.625\t0\t3\t10\t0.5\t0.1875\t2.75\t1";

struct PaperCase
{
    const char *name;
    QSizeF points; // empty: no paper
    const char *canonical;
};

TEST(Paper, NamesGiveTheirPageSizes)
{
    const PaperCase cases[] = {
        {"Letter", {612, 792}, "Letter"},     {"letter", {612, 792}, "Letter"},
        {"na-letter", {612, 792}, "Letter"},  {"A4", {595, 842}, "A4"},
        {"iso-a4", {595, 842}, "A4"},         {"Legal", {612, 1008}, "Legal"},
        {"A5", {420, 595}, "A5"},             {" A4 ", {595, 842}, "A4"},
        {"", {}, ""},                         {"Foolscap", {}, ""},
    };
    for (const PaperCase &c : cases) {
        const QPageSize size = pageSizeForPaper(QString::fromLatin1(c.name));
        EXPECT_EQ(size.isValid(), !c.points.isEmpty()) << c.name;
        if (size.isValid()) {
            EXPECT_EQ(size.sizePoints(), c.points.toSize()) << c.name;
        }
        EXPECT_EQ(canonicalPaperName(QString::fromLatin1(c.name)), QString::fromLatin1(c.canonical)) << c.name;
    }
    EXPECT_EQ(paperNameForPageSize(QPageSize(QPageSize::Letter)), QStringLiteral("Letter"));
    EXPECT_EQ(paperNameForPageSize(QPageSize(QPageSize::A4)), QStringLiteral("A4"));
    EXPECT_TRUE(paperNameForPageSize(QPageSize(QPageSize::B7)).isEmpty());
    EXPECT_TRUE(paperNameForPageSize(QPageSize()).isEmpty());

    TLabel label;
    EXPECT_FALSE(label.pageSize().isValid());
    label.paper = PaperName::Letter;
    EXPECT_EQ(label.pageSize().id(), QPageSize::Letter);
}

TEST(Paper, EachCatalogueFileNamesItsPaper)
{
    EXPECT_EQ(LabelTypes::paperOfFile(QStringLiteral("AveryUS")), PaperName::Letter);
    EXPECT_EQ(LabelTypes::paperOfFile(QStringLiteral("USmore")), PaperName::Letter);
    EXPECT_EQ(LabelTypes::paperOfFile(QStringLiteral("AveryUSmore")), PaperName::Letter);
    for (const char *file : {"AveryA4", "Herma", "Sigel", "A4more"})
        EXPECT_EQ(LabelTypes::paperOfFile(QString::fromLatin1(file)), PaperName::A4) << file;
    EXPECT_TRUE(LabelTypes::paperOfFile(QStringLiteral("Other")).isEmpty());
}

TEST(Paper, ALineMayNameTheProductsOwnPaper)
{
    LabelTypes types(false);
    stocktest::WarningRecorder warnings;
    EXPECT_EQ(types.readFromBuffer(line5160 + "\n"
                                   + line5160 + "\tA5\n"
                                   + line5160 + "\tiso-a4\tanything after it\n"
                                   + line5160 + "\t\n"
                                   + line5160 + "\tFoolscap\n",
                                   false, QStringLiteral("USmore"), PaperName::Letter),
              5);
    const auto &entries = types.allLabelTypes();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0]->paper, PaperName::Letter);
    EXPECT_EQ(entries[1]->paper, PaperName::A5);
    EXPECT_EQ(entries[2]->paper, PaperName::A4);
    EXPECT_EQ(entries[3]->paper, PaperName::Letter);
    EXPECT_EQ(entries[4]->paper, PaperName::Letter);
    // What follows the thirteenth field is not the format's: no paper, no complaint.
    EXPECT_TRUE(warnings.messages.isEmpty());
    // The fourteenth field changes nothing else of the entry.
    EXPECT_DOUBLE_EQ(entries[1]->verPitch, 1.0);
    const TLabel grid = entries[1]->getLabelStruct();
    EXPECT_EQ(grid.paper, PaperName::A5);
    EXPECT_FLOAT_EQ(grid.width, 2.625f);
}

TEST(Paper, ShippedProductsCarryTheirFilesPaper)
{
    const LabelTypes catalogue;
    std::map<std::string, QString> seen;
    for (const auto &entry : catalogue.allLabelTypes()) {
        EXPECT_TRUE(pageSizeForPaper(entry->paper).isValid())
            << entry->productCategory << ' ' << entry->productCode;
        seen[entry->productCode] = entry->paper;
    }
    EXPECT_EQ(seen["5160"], PaperName::Letter);
    EXPECT_EQ(seen["L7160"], PaperName::A4);
}

TEST(Paper, CatalogueFindsThePaperOfAStoredGrid)
{
    auto types = std::make_unique<LabelTypes>(false);
    types->readFromBuffer(line5160, false, QString(), PaperName::Letter);
    types->sortLabelTypes();
    types->makeCategories();
    types->sortCategories();
    DataSource source(std::move(types));
    TLabel stored = source.labelTypes().allLabelTypes().front()->getLabelStruct();
    stored.paper.clear();
    EXPECT_EQ(source.paperForLabel(stored), PaperName::Letter);
    stored.num_downlabel = 9;
    EXPECT_TRUE(source.paperForLabel(stored).isEmpty());
}

TEST(Paper, CustomStoreKeepsThePaperOfGridsAndFreeLayouts)
{
    const QString dir = qmtest::freshDir(QStringLiteral("paper-custom"));
    const QString path = dir + QStringLiteral("/custom.plist");
    {
        CustomDataSource store(path, QString());
        TLabel letter;
        letter.name = QStringLiteral("On letter");
        letter.paper = PaperName::Letter;
        TLabel unknown;
        unknown.name = QStringLiteral("Unknown paper");
        TFormat format;
        format.setName(QStringLiteral("Discs"));
        format.papersize = PaperName::A4;
        TLabelT disc;
        disc.setType(QStringLiteral("Disc"));
        disc.setX(10);
        disc.setY(10);
        disc.setWidth(117);
        disc.setHeight(117);
        format.labels.push_back(disc);
        store.addNewFormat(letter);
        store.addNewFormat(unknown);
        store.addNewTFormat(format);
        ASSERT_TRUE(store.save_data());
    }
    // An independent reader sees the keys only where a paper is known.
    const QVariantMap root = PropertyList::readFile(path).toMap();
    EXPECT_EQ(root.value("Custom0").toMap().value("paper").toString(), PaperName::Letter);
    EXPECT_FALSE(root.value("Custom1").toMap().contains("paper"));
    EXPECT_EQ(root.value("Custom2").toMap().value("papersize").toString(), PaperName::A4);

    CustomDataSource reread(path, QString());
    ASSERT_EQ(reread.count(), 3);
    EXPECT_EQ(dynamic_cast<const CustomLabel *>(reread.getItem(0))->getLabel().paper, PaperName::Letter);
    EXPECT_TRUE(dynamic_cast<const CustomLabel *>(reread.getItem(1))->getLabel().paper.isEmpty());
    EXPECT_EQ(dynamic_cast<const CustomFormat *>(reread.getItem(2))->format().papersize, PaperName::A4);

    // A paper that is not a string or not a paper name is dropped; the entry stays.
    QVariantMap odd = root.value("Custom0").toMap();
    odd.insert("paper", qint64(4));
    EXPECT_TRUE(CustomLabel::labelFromDictionary(odd)->paper.isEmpty());
    odd.insert("paper", QStringLiteral("Napkin"));
    EXPECT_TRUE(CustomLabel::labelFromDictionary(odd)->paper.isEmpty());
}

} // namespace
