// The paper format list reader.
#include <gtest/gtest.h>

#include "platform/PropertyList.h"
#include "stock/StockTestSupport.h"
#include "stock/xmlFormatsReader.h"

using namespace quillmark;

TEST(PaperFormats, FillsGridRecordsFromTheList)
{
    const QString path = qmtest::freshDir("formats") + "/formats.xml";
    const QVariantList formats{
        QVariantMap{{"type", "Card"}, {"TopMargin", 0.5}, {"LeftMargin", "0.75"}, {"Height", 2.0},
                    {"Width", 3.5}, {"HSpace", 0.125}, {"InnerDiameter", 0.25},
                    {"Labels", QVariantList{QVariantMap{{"Width", 3.25}}}}},
        QVariantMap{{"TopMargin", 1.0}},
    };
    ASSERT_TRUE(PropertyList::writeFile(path, QVariantMap{{"PaperFormatList", formats}}, PlistFormat::Xml));

    const xmlFormatsReader reader(path);
    ASSERT_EQ(reader.count(), 2);
    EXPECT_EQ(reader.formatAttribute("type", 0).toString(), QStringLiteral("Card"));
    EXPECT_EQ(reader.labelAttribute("Width", 0).toDouble(), 3.25);
    EXPECT_FALSE(reader.labelAttribute("Width", 1).isValid());

    TLabel label;
    label.num_label = 4;
    label.num_downlabel = 7;
    label.shape = 2;
    reader.labelAtIndex(0, label);
    EXPECT_EQ(label.name, QStringLiteral("Card"));
    EXPECT_FLOAT_EQ(label.top_margin, 0.5f);
    EXPECT_FLOAT_EQ(label.left_margin, 0.75f);
    EXPECT_FLOAT_EQ(label.vert_distance, 0.125f);
    EXPECT_EQ(label.hor_distance, 0.0f);
    EXPECT_FLOAT_EQ(label.hole, 0.25f);
    EXPECT_EQ(label.round_param, 0.0f);
    EXPECT_EQ(label.num_label, 4);
    EXPECT_EQ(label.num_downlabel, 7);
    EXPECT_EQ(label.shape, 2);

    reader.labelAtIndex(1, label);
    EXPECT_TRUE(label.name.isNull());
    EXPECT_EQ(label.width, 0.0f);

    stocktest::WarningRecorder warnings;
    const TLabel before = label;
    reader.labelAtIndex(2, label);
    EXPECT_EQ(label.top_margin, before.top_margin);
}

TEST(PaperFormats, MissingOrEmptyResourceHasNoFormats)
{
    stocktest::ResourcesFolder resources;
    EXPECT_EQ(xmlFormatsReader().count(), 0);
    resources.write("formats.xml", PropertyList::toData(QVariantMap{{"Other", 1}}, PlistFormat::Xml));
    EXPECT_EQ(xmlFormatsReader().count(), 0);
    EXPECT_EQ(xmlFormatsReader(resources.path + "/nothing.xml").count(), 0);
}

TEST(PaperFormats, ShippedListReads)
{
    const xmlFormatsReader reader;
    ASSERT_GT(reader.count(), 0) << "the paper formats resource (formats.xml) is missing or empty";
    TLabel label;
    for (int i = 0; i < reader.count(); ++i) {
        reader.labelAtIndex(i, label);
        EXPECT_FALSE(label.name.isEmpty()) << i;
        EXPECT_GT(label.width, 0.0f) << i;
    }
}
