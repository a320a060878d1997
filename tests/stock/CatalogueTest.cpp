// The stock catalogue: reading the tab-separated files (damaged lines included), grid
// stocks of entries, sorting, categories and the search filter.
#include <gtest/gtest.h>

#include "stock/LabelTypes.h"
#include "stock/StockTestSupport.h"

using namespace quillmark;

namespace {

const QByteArray line5160 =
    "5160\tAddress Labels\t\"30 per sheet, 1 x 2 5/8 in\"\tStandard\t1\t2.625\t0\t3\t10\t0.5\t0.1875\t2.75\t1";

QByteArray entryLine(const char *code, const char *category, double radius = 0)
{
    return QByteArray(code) + '\t' + category + "\tdescription\tStandard\t1\t2\t"
        + QByteArray::number(radius) + "\t2\t5\t0.5\t0.25\t2.125\t1.125";
}

// A small catalogue in the shape of the real one.
std::unique_ptr<LabelTypes> sampleCatalogue()
{
    auto types = std::make_unique<LabelTypes>(false);
    const QList<QByteArray> lines = {
        entryLine("L7160", "Address Labels"), entryLine("5161", "Address Labels"),
        line5160, entryLine("10", "Address Labels"), entryLine("9", "Address Labels"),
        entryLine("8160", "Inkjet Labels"), entryLine("5160B", "Shipping"),
        entryLine("3274.1", "Square Labels"), entryLine("22805", "Square Labels"),
    };
    types->readFromBuffer(lines.join('\n'));
    types->sortLabelTypes();
    types->makeCategories();
    types->sortCategories();
    return types;
}

QStringList rowNames(const LabelTypes &types, bool is_cat, const QString &filter)
{
    QStringList names;
    for (int row = 0; row < types.getCount(is_cat, filter); ++row) {
        const LabelTypes::Item item = types.objectAtIndex(quint32(row), is_cat, filter);
        names << (is_cat ? item.category->getName() : item.entry->getName());
    }
    return names;
}

} // namespace

TEST(Catalogue, ReadsTheSampleLineIntoAGridStock)
{
    LabelTypes types(false);
    ASSERT_EQ(types.readFromBuffer(line5160), 1);
    const TLabelType &entry = *types.allLabelTypes().front();
    EXPECT_EQ(entry.productDescription, "30 per sheet, 1 x 2 5/8 in");
    EXPECT_EQ(entry.getName(), QStringLiteral("Address Labels 5160"));
    EXPECT_FALSE(entry.isExpandable());

    const TLabel label = entry.getLabelStruct();
    EXPECT_EQ(label.name, QStringLiteral("5160"));
    EXPECT_FLOAT_EQ(label.width, 2.625f);
    EXPECT_FLOAT_EQ(label.height, 1.0f);
    EXPECT_FLOAT_EQ(label.top_margin, 0.5f);
    EXPECT_FLOAT_EQ(label.left_margin, 0.1875f);
    EXPECT_FLOAT_EQ(label.hor_distance, 0.125f);
    EXPECT_FLOAT_EQ(label.vert_distance, 0.0f);
    EXPECT_EQ(label.num_label, 3);
    EXPECT_EQ(label.num_downlabel, 10);
    EXPECT_EQ(label.shape, 1);
    EXPECT_EQ(label.units, 1);
    EXPECT_EQ(label.hole, 0.0f);

    // The same line in a millimetre file: lengths in true inches, counts as they stand.
    LabelTypes metric(false);
    ASSERT_EQ(metric.readFromBuffer(line5160, LabelTypes::isMillimetreFile("Herma"), "Herma"), 1);
    const TLabelType &mm = *metric.allLabelTypes().front();
    EXPECT_DOUBLE_EQ(mm.labelWidth, 2.625 / 25.4);
    EXPECT_DOUBLE_EQ(mm.labelHeight, 1 / 25.4);
    EXPECT_DOUBLE_EQ(mm.topMargin, 0.5 / 25.4);
    EXPECT_DOUBLE_EQ(mm.leftMargin, 0.1875 / 25.4);
    EXPECT_DOUBLE_EQ(mm.horPitch, 2.75 / 25.4);
    EXPECT_DOUBLE_EQ(mm.verPitch, 1 / 25.4);
    EXPECT_EQ(mm.numberAcross, 3);
    EXPECT_EQ(mm.numberDown, 10);

    for (const char *name : {"AveryUS", "Herma", "Sigel"})
        EXPECT_TRUE(LabelTypes::isMillimetreFile(name)) << name;
    for (const char *name : {"AveryA4", "USmore", "AveryUSmore", "A4more"})
        EXPECT_FALSE(LabelTypes::isMillimetreFile(name)) << name;
}

TEST(Catalogue, ShapeFollowsCornerRadius)
{
    struct Case { double radius; qint16 shape; };
    for (const Case c : {Case{0.5, 2}, Case{1.0, 3}, Case{0.0, 1}, Case{0.99, 2}, Case{2.0, 3}}) {
        LabelTypes types(false);
        types.readFromBuffer(entryLine("1", "C", c.radius)); // a 2 x 1 inch label
        const TLabel label = types.allLabelTypes().front()->getLabelStruct();
        EXPECT_EQ(label.shape, c.shape) << c.radius;
        EXPECT_FLOAT_EQ(label.round_param, float(c.radius));
    }
}

TEST(Catalogue, LineEndingsAndDamagedLines)
{
    struct Case { const char *what; QByteArray text; int entries; int warnings; };
    const QByteArray good = entryLine("1", "C");
    const Case cases[] = {
        {"line feeds", good + "\n" + good + "\n", 2, 0},
        {"carriage returns only", good + "\r" + good + "\r\r" + good, 3, 0},
        {"carriage return and line feed", good + "\r\n" + good + "\r\n", 2, 0},
        {"empty lines", "\n\n" + good + "\n\n", 1, 0},
        {"fields after the thirteenth", good + "\textra\tmore", 1, 0},
        {"twelve fields", "1\tC\td\tt\t1\t2\t0\t2\t5\t0.5\t0.25\t2.1", 0, 1},
        {"empty code", "\tC\td\tt\t1\t2\t0\t2\t5\t0.5\t0.25\t2.1\t1.1", 0, 1},
        {"empty description", "1\tC\t\tt\t1\t2\t0\t2\t5\t0.5\t0.25\t2.1\t1.1", 0, 1},
        {"empty type", "1\tC\td\t\t1\t2\t0\t2\t5\t0.5\t0.25\t2.1\t1.1", 0, 1},
        {"length not a number", "1\tC\td\tt\tx\t2\t0\t2\t5\t0.5\t0.25\t2.1\t1.1", 0, 1},
        {"empty length", "1\tC\td\tt\t1\t2\t0\t2\t5\t0.5\t\t2.1\t1.1", 0, 1},
        {"length with trailing text", "1\tC\td\tt\t1mm\t2\t0\t2\t5\t0.5\t0.25\t2.1\t1.1", 0, 1},
        {"not finite", "1\tC\td\tt\tinf\t2\t0\t2\t5\t0.5\t0.25\t2.1\t1.1", 0, 1},
        {"count with a fraction", "1\tC\td\tt\t1\t2\t0\t2.5\t5\t0.5\t0.25\t2.1\t1.1", 0, 1},
        {"negative count", "1\tC\td\tt\t1\t2\t0\t2\t-5\t0.5\t0.25\t2.1\t1.1", 0, 1},
        {"absurd count", "1\tC\td\tt\t1\t2\t0\t2\t500000\t0.5\t0.25\t2.1\t1.1", 0, 1},
        {"not ASCII", "1\tC\td\xc3\xa9\tt\t1\t2\t0\t2\t5\t0.5\t0.25\t2.1\t1.1", 0, 1},
        {"damaged line between good ones", good + "\n1\tC\n" + good, 2, 1},
    };
    for (const Case &c : cases) {
        stocktest::WarningRecorder warnings;
        LabelTypes types(false);
        EXPECT_EQ(types.readFromBuffer(c.text, false, "Fixture"), c.entries) << c.what;
        EXPECT_EQ(int(types.allLabelTypes().size()), c.entries) << c.what;
        EXPECT_EQ(warnings.messages.size(), c.warnings) << c.what;
        for (const QString &message : warnings.messages)
            EXPECT_TRUE(message.contains("Fixture") && message.contains("skipped")) << qPrintable(message);
    }
}

TEST(Catalogue, TextFieldsAreCutAndQuotesDropped)
{
    const QByteArray longCode(80, 'A');
    LabelTypes types(false);
    types.readFromBuffer(longCode + "\tC\t\"\"\tt\t1\t2\t0\t2\t5\t0.5\t0.25\t2.1\t1.1\n"
                         "2\tC\t\"\tt\t1\t2\t0\t2\t5\t0.5\t0.25\t2.1\t1.1");
    ASSERT_EQ(types.allLabelTypes().size(), 2u);
    EXPECT_EQ(types.allLabelTypes()[0]->productCode, std::string(62, 'A'));
    EXPECT_EQ(types.allLabelTypes()[0]->productDescription, "");
    EXPECT_EQ(types.allLabelTypes()[1]->productDescription, "");
}

TEST(Catalogue, SortsByNameAndGroupsIntoCategories)
{
    const auto types = sampleCatalogue();
    QStringList names;
    for (const auto &entry : types->allLabelTypes())
        names << entry->getName();
    EXPECT_EQ(names, QStringList({"Address Labels 10", "Address Labels 5160", "Address Labels 5161",
                                  "Address Labels 9", "Address Labels L7160", "Inkjet Labels 8160",
                                  "Shipping 5160B", "Square Labels 22805", "Square Labels 3274.1"}));
    ASSERT_EQ(types->getCategories().size(), 4u);
    const TCategory &address = *types->getCategories()[0];
    EXPECT_EQ(address.getName(), QStringLiteral("Address Labels"));
    EXPECT_TRUE(address.isExpandable());
    EXPECT_EQ(address.count(), 5u);
    EXPECT_EQ(address.objectAtIndex(1)->productCode, "5160");
    EXPECT_EQ(address.objectAtIndex(5), nullptr);
    EXPECT_EQ(address.indexByName("L7160"), 4);
    EXPECT_EQ(address.indexByName("8160"), -1);
    EXPECT_EQ(types->categoryByProductName("8160"), QStringLiteral("Inkjet Labels"));
    EXPECT_TRUE(types->categoryByProductName("0000").isNull());
}

TEST(Catalogue, FilterByViewAndText)
{
    auto types = sampleCatalogue();
    struct Case { bool is_cat; const char *filter; QStringList rows; };
    const Case cases[] = {
        {true, "", {"Address Labels", "Inkjet Labels", "Shipping", "Square Labels"}},
        {true, "5160", {"Address Labels", "Shipping"}},
        {false, "5160", {"Address Labels 5160", "Shipping 5160B"}},
        {true, "l7160", {"Address Labels"}},
        {false, "l7160", {"Address Labels L7160"}},
        {true, "ADDRESS", {"Address Labels"}},
        {false, "zzzz", {}},
        {true, "\xc3\xa9", {}},
        {false, "Address Labels 5160 and more", {}},
    };
    for (const Case &c : cases) {
        const QString filter = QString::fromUtf8(c.filter);
        types->recalc(c.is_cat, filter);
        EXPECT_EQ(rowNames(*types, c.is_cat, filter), c.rows) << c.filter << " " << c.is_cat;
        if (filter.isEmpty()) {
            EXPECT_TRUE(types->mfilter_idx.empty());
        }
    }
    types->recalc(false, QString());
    EXPECT_EQ(types->getCount(false, QString()), 9);
    EXPECT_EQ(types->objectAtIndex(99, false, QString()).entry, nullptr);
}

TEST(Catalogue, ReadsTheSevenFilesFromTheResources)
{
    stocktest::ResourcesFolder resources;
    resources.write("AveryA4.txt", entryLine("L7160", "Address Labels") + "\r\n");
    resources.write("AveryUS.txt", line5160 + "\n" + "broken line\n");
    resources.write("A4more.txt", entryLine("9", "Misc"));
    stocktest::WarningRecorder warnings;
    const LabelTypes types;
    ASSERT_EQ(types.allLabelTypes().size(), 3u);
    EXPECT_EQ(types.allLabelTypes()[0]->productCode, "5160");
    EXPECT_DOUBLE_EQ(types.allLabelTypes()[0]->labelWidth, 2.625 / 25.4);
    EXPECT_EQ(types.getCategories().size(), 2u);
    EXPECT_EQ(warnings.messages.size(), 1);
    EXPECT_TRUE(warnings.messages.value(0).contains("AveryUS"));
}

// A disc names its centre hole after the thirteen fields, in millimetres or inches whatever
// unit the line's other lengths are in, before or after the paper.
TEST(Catalogue, DiscLinesCarryTheirCentreHole)
{
    const QByteArray disc = "5931\tCD/DVD Labels\t2 per sheet\tDisc\t4.625\t4.625\t2.3125\t1\t2\t0.6875\t1.9375\t4.625\t5";
    const QByteArray metricDisc = "4093\tCD/DVD Labels\t2 per sheet\tDisc\t116\t116\t58\t1\t2\t16.5\t47\t116\t148";
    struct Case
    {
        QByteArray line;
        bool millimetres;
        double holeInches; // -1: the line is refused
        const char *paper;
    };
    const Case cases[] = {
        {disc + "\thole 41 mm", false, 41.0 / 25.4, "Letter"},
        {disc + "\tA4\thole 17 mm", false, 17.0 / 25.4, "A4"},
        {disc + "\thole 15 mm\tA4", false, 15.0 / 25.4, "A4"},
        {disc + "\thole 1.625 in", false, 1.625, "Letter"},
        {metricDisc + "\thole 41 mm", true, 41.0 / 25.4, "Letter"},
        {disc, false, 0.0, "Letter"},
        // Damaged hole fields are ignored as any unknown field is.
        {disc + "\thole 41", false, 0.0, "Letter"},
        {disc + "\thole abc mm", false, 0.0, "Letter"},
        {disc + "\thole -5 mm", false, 0.0, "Letter"},
        // A hole as wide as the disc leaves no label.
        {disc + "\thole 118 mm", false, -1, "Letter"},
        {disc + "\thole 1e9 mm", false, -1, "Letter"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        LabelTypes types(false);
        const int added = types.readFromBuffer(c.line, c.millimetres, "test", "Letter");
        if (c.holeInches < 0) {
            EXPECT_EQ(added, 0);
            continue;
        }
        ASSERT_EQ(added, 1);
        const TLabel label = types.allLabelTypes().front()->getLabelStruct();
        EXPECT_NEAR(label.hole, c.holeInches, 1e-6);
        EXPECT_EQ(label.paper, QString::fromLatin1(c.paper));
        EXPECT_EQ(label.shape, TLabel::Oval);
    }
}
