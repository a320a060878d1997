#include <gtest/gtest.h>

#include <QFontDatabase>

#include "common/PlistutilReader.h"
#include "common/TestSupport.h"
#include "platform/Archiver.h"
#include "platform/PropertyList.h"

using namespace quillmark;

TEST(Archiver, AnArchiveIsABinaryPropertyListNamingItsKindAndVersion)
{
    const QByteArray data = Archiver::archive("QMThing", {{"size", qint64(3)}});
    EXPECT_TRUE(data.startsWith("bplist00"));
    const QVariantMap root = PropertyList::fromData(data).toMap();
    EXPECT_EQ(root.value("$class").toString(), "QMThing");
    EXPECT_EQ(root.value("$version").toLongLong(), 1);
    EXPECT_EQ(Archiver::classOf(data), "QMThing");
    const auto payload = Archiver::unarchive(data, "QMThing");
    ASSERT_TRUE(payload.has_value());
    EXPECT_EQ(*payload, (QVariantMap{{"size", qint64(3)}}));
}

TEST(Archiver, TheWrongKindOrDamagedDataGivesNothing)
{
    const QByteArray data = Archiver::archive("QMThing", {{"size", qint64(3)}});
    EXPECT_FALSE(Archiver::unarchive(data, "QMOther").has_value());
    EXPECT_FALSE(Archiver::unarchiveColor(data).has_value());
    EXPECT_FALSE(Archiver::unarchiveFont(Archiver::archiveColor(Qt::red)).has_value());
    EXPECT_TRUE(Archiver::classOf(QByteArray("garbage")).isNull());
    EXPECT_FALSE(Archiver::unarchive(QByteArray(), "QMThing").has_value());
    for (int length = 0; length < data.size(); ++length)
        EXPECT_FALSE(Archiver::unarchive(data.left(length), "QMThing").has_value());
    // A later encoding version is not misread as this one.
    QVariantMap future = PropertyList::fromData(data).toMap();
    future.insert("$version", qint64(2));
    EXPECT_FALSE(Archiver::unarchive(PropertyList::toData(future), "QMThing").has_value());
    // A property list that is not a dictionary.
    EXPECT_FALSE(Archiver::unarchive(PropertyList::toData(QVariantList{1}), "QMThing").has_value());
}

TEST(Archiver, ColoursRoundTripExactlyInEverySpace)
{
    const QList<QColor> colours = {
        QColor(Qt::red),
        QColor::fromRgbF(0.1f, 0.2f, 0.3f, 0.4f),
        QColor(12, 34, 56, 78),
        QColor::fromRgbF(0.5f, 0.5f, 0.5f),
        QColor(Qt::black),
        QColor(Qt::white),
        QColor::fromCmykF(0.1f, 0.7f, 0.3f, 0.05f, 0.9f),
        QColor::fromHsvF(0.6f, 0.3f, 0.8f, 1.0f),
        QColor::fromHslF(0.2f, 0.9f, 0.4f, 0.5f),
        QColor::fromHsv(-1, 0, 128),
        QColor::fromRgbF(1.25f, -0.5f, 0.5f),
        QColor(Qt::transparent),
        QColor(),
    };
    for (const QColor &colour : colours) {
        const auto back = Archiver::unarchiveColor(Archiver::archiveColor(colour));
        ASSERT_TRUE(back.has_value()) << colour.name().toStdString();
        EXPECT_EQ(back->spec(), colour.spec()) << colour.name().toStdString();
        EXPECT_EQ(*back, colour) << colour.name(QColor::HexArgb).toStdString();
    }
}

// A design of thousands of objects in colours of their own: more distinct colours than are kept
// archived and read, in turns that drop and take them again, each archived as the same bytes
// every time and read back as it was; plistutil reads what was written.
TEST(Archiver, ManyDistinctColoursKeepTheirArchivesAndComeBackExactly)
{
    QList<QColor> colours;
    for (int i = 0; i < 6000; ++i)
        colours.append(i % 3 == 0   ? QColor::fromHsv(i % 360, 60 + i % 190, 40 + (i / 360) % 200)
                       : i % 3 == 1 ? QColor::fromRgb(i % 251, (i * 7) % 253, (i * 13) % 255, 10 + i % 240)
                                    : QColor::fromCmykF(float(i % 97) / 96.0f, 0.25f, float(i % 11) / 10.0f, 0.1f));
    QList<QByteArray> first;
    for (const QColor &colour : colours)
        first.append(Archiver::archiveColor(colour));
    for (int round = 0; round < 2; ++round) {
        // Forward, then backward: each colour's archive and reading dropped and made again.
        for (int k = 0; k < colours.size(); ++k) {
            const int i = round == 0 ? k : int(colours.size()) - 1 - k;
            const QByteArray again = Archiver::archiveColor(colours[i]);
            ASSERT_EQ(again, first[i]) << i;
            const auto back = Archiver::unarchiveColor(again);
            ASSERT_TRUE(back.has_value()) << i;
            ASSERT_EQ(back->spec(), colours[i].spec()) << i;
            ASSERT_EQ(*back, colours[i]) << i;
        }
    }
    for (int i = 1; i < colours.size(); i += 1499) {
        const QVariantMap read = qmtest::readWithPlistutil(first[i], QStringLiteral("archiver-colours")).toMap();
        const QColor rgb = colours[i].toRgb();
        const QString space = read.value(QStringLiteral("space")).toString();
        ASSERT_FALSE(space.isEmpty()) << i;
        EXPECT_NEAR(read.value(QStringLiteral("alpha")).toDouble(), colours[i].alphaF(), 1e-6) << i;
        const QVariantList components = read.value(QStringLiteral("components")).toList();
        if (space == QLatin1String("rgb")) {
            ASSERT_EQ(components.size(), 3);
            EXPECT_NEAR(components[0].toDouble(), rgb.redF(), 1e-6);
            EXPECT_NEAR(components[1].toDouble(), rgb.greenF(), 1e-6);
            EXPECT_NEAR(components[2].toDouble(), rgb.blueF(), 1e-6);
        } else {
            EXPECT_EQ(components.size(), space == QLatin1String("cmyk") ? 4 : 3) << qPrintable(space);
        }
    }
}

TEST(Archiver, AGrayIsStoredAsOneComponent)
{
    const QVariantMap payload = *Archiver::unarchive(Archiver::archiveColor(QColor(128, 128, 128)), "QMColor");
    EXPECT_EQ(payload.value("space").toString(), "gray");
    EXPECT_EQ(payload.value("components").toList().size(), 1);
}

TEST(Archiver, ColourComponentsOutOfRangeAreRefused)
{
    EXPECT_FALSE(Archiver::unarchiveColor(Archiver::archive("QMColor", {{"space", "rgb"},
        {"components", QVariantList{0.5, 2.0, 0.1}}, {"alpha", 1.0}})).has_value());
    EXPECT_FALSE(Archiver::unarchiveColor(Archiver::archive("QMColor", {{"space", "rgb"},
        {"components", QVariantList{0.5, 0.1}}, {"alpha", 1.0}})).has_value());
    EXPECT_FALSE(Archiver::unarchiveColor(Archiver::archive("QMColor", {{"space", "lab"},
        {"components", QVariantList{0.5, 0.1, 0.2}}, {"alpha", 1.0}})).has_value());
    EXPECT_FALSE(Archiver::unarchiveColor(Archiver::archive("QMColor", {{"space", "gray"},
        {"components", QVariantList{0.5}}, {"alpha", "opaque"}})).has_value());
}

TEST(Archiver, FontsKeepFamilySizeWeightAndSlant)
{
    QFont font = qmtest::testFont(10.5);
    font.setWeight(QFont::DemiBold);
    font.setItalic(true);
    font.setUnderline(true);
    font.setStrikeOut(true);
    const auto back = Archiver::unarchiveFont(Archiver::archiveFont(font));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->family(), font.family());
    EXPECT_DOUBLE_EQ(back->pointSizeF(), 10.5);
    EXPECT_EQ(back->weight(), QFont::DemiBold);
    EXPECT_TRUE(back->italic());
    EXPECT_FALSE(back->underline()) << "underline is a text attribute";
    EXPECT_FALSE(back->strikeOut());

    const QVariantMap payload = *Archiver::unarchive(Archiver::archiveFont(font), "QMFont");
    EXPECT_EQ(payload.value("pointSize").typeId(), QMetaType::Double);
}

TEST(Archiver, FontsKeepTheirFace)
{
    // "Condensed Bold" is told from "Bold" by its name alone; the width goes with it.
    QFont face = QFontDatabase::font("DejaVu Sans", "Condensed Bold", 11);
    face.setStretch(QFont::SemiCondensed);
    const auto back = Archiver::unarchiveFont(Archiver::archiveFont(face));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->styleName(), "Condensed Bold");
    EXPECT_EQ(back->stretch(), int(QFont::SemiCondensed));
    EXPECT_EQ(back->weight(), QFont::Bold);

    // A font stored without them, as before, finds its face by weight and slant.
    const QVariantMap old{{"family", "P052"}, {"pointSize", 12.0}, {"weight", qint64(400)}, {"italic", true}};
    const auto italic = Archiver::unarchiveFont(Archiver::archive("QMFont", old));
    ASSERT_TRUE(italic.has_value());
    EXPECT_TRUE(italic->styleName().isEmpty());
    EXPECT_EQ(italic->stretch(), int(QFont::AnyStretch));
    EXPECT_TRUE(italic->italic());
}

TEST(Archiver, DamagedFontArchivesAreRefused)
{
    const QVariantMap good{{"family", "DejaVu Sans"}, {"pointSize", 12.0}, {"weight", qint64(400)}, {"italic", false}};
    EXPECT_TRUE(Archiver::unarchiveFont(Archiver::archive("QMFont", good)).has_value());
    for (const auto &[key, value] : std::initializer_list<std::pair<QString, QVariant>>{
             {"pointSize", -3.0}, {"pointSize", 1e9}, {"weight", qint64(0)}, {"weight", qint64(5000)},
             {"family", qint64(3)}, {"italic", QString("yes")}}) {
        QVariantMap bad = good;
        bad.insert(key, value);
        EXPECT_FALSE(Archiver::unarchiveFont(Archiver::archive("QMFont", bad)).has_value()) << key.toStdString();
    }
}
