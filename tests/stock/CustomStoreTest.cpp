// The custom formats store: the "custom.plist" file (read back with plistutil), damaged
// files and entries, names, lookups, the search filter and the table model.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "stock/CustomDataSource.h"
#include "stock/CustomFormat.h"
#include "stock/CustomLabel.h"
#include "stock/StockConversions.h"
#include "stock/StockTestSupport.h"

using namespace quillmark;

namespace {

TLabel grid(const QString &name, float width = 4.0f)
{
    TLabel label;
    label.name = name;
    label.width = width;
    return label;
}

TFormat disc(const QString &name)
{
    TFormat format;
    format.setName(name);
    format.setManufacturer(QStringLiteral("Somebody"));
    TLabelT label;
    label.setType(QStringLiteral("Disc"));
    label.setX(10);
    label.setY(20);
    label.setWidth(117);
    label.setHeight(117);
    label.setRound(QStringLiteral("true"));
    label.setHole(41);
    format.labels.push_back(label);
    return format;
}

// The file as an independent reader sees it, in XML.
QString plistutilXml(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("plistutil"), {"-i", path, "-f", "xml", "-o", "-"});
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

QVariantMap readRoot(const QString &path)
{
    return PropertyList::readFile(path).toMap();
}

QStringList names(const CustomDataSource &store)
{
    QStringList result;
    for (int row = 0; row < store.rowCount(); ++row)
        result << store.index(row, 0).data().toString();
    return result;
}

void writeRoot(const QString &path, const QVariantMap &root)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(PropertyList::writeFile(path, root, PlistFormat::Binary));
}

} // namespace

TEST(CustomStore, SavesEntriesUnderNumberedKeysAndReadsThemBack)
{
    // No Quillmark folder yet: the first save makes both levels.
    QDir(Bundle::applicationSupportPath() + "/Brenholt").removeRecursively();
    {
        CustomDataSource store;
        EXPECT_EQ(store.filePath(), Bundle::applicationSupportPath() + "/Brenholt/Quillmark/custom.plist");
        EXPECT_EQ(store.count(), 0);
        store.addNewFormat(grid("Mine", 4.0f));
        store.addNewTFormat(disc("CD"));
        TLabel holed = grid("Holed", 4.5f);
        holed.hole = 1.625f;
        holed.shape = 3;
        store.addNewFormat(holed);
        ASSERT_TRUE(store.save_data());
    }
    const QString path = CustomDataSource::defaultFilePath();
    ASSERT_TRUE(QFileInfo::exists(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(8).startsWith("bplist00"));

    const QString xml = plistutilXml(path);
    ASSERT_FALSE(xml.isEmpty()) << "plistutil could not read the file";
    for (const char *key : {"Custom0", "Custom1", "Custom2"})
        EXPECT_TRUE(xml.contains(QStringLiteral("<key>%1</key>").arg(key))) << key;
    EXPECT_FALSE(xml.contains("<key>Custom3</key>"));
    EXPECT_TRUE(xml.contains("<key>width</key>\n\t\t<string>4.00</string>")) << qPrintable(xml);
    EXPECT_TRUE(xml.contains("<string>brenholt</string>"));
    EXPECT_FALSE(xml.contains("Somebody"));
    EXPECT_TRUE(xml.contains("<key>hole</key>\n\t\t<string>1.625</string>")) << qPrintable(xml);

    const QVariantMap root = readRoot(path);
    const QVariantMap first = root.value("Custom0").toMap();
    EXPECT_EQ(first.size(), 14);
    for (const QVariant &value : first)
        EXPECT_EQ(value.typeId(), QMetaType::QString);
    EXPECT_EQ(first.value("num_label").toString(), QStringLiteral("2"));
    const QVariantMap format = root.value("Custom1").toMap();
    EXPECT_EQ(format.keys(), QStringList({"labels", "manufacturer", "name"}));
    const QVariantMap label = format.value("labels").toList().value(0).toMap();
    EXPECT_EQ(label.value("width").typeId(), QMetaType::Double);
    EXPECT_EQ(label.value("originX").toDouble(), 10.0);
    EXPECT_EQ(label.value("round").toString(), QStringLiteral("true"));

    CustomDataSource reread;
    ASSERT_EQ(reread.count(), 3);
    EXPECT_EQ(reread.getItemName(0), QStringLiteral("Mine"));
    const auto *cd = dynamic_cast<const CustomFormat *>(reread.getItem(1));
    ASSERT_NE(cd, nullptr);
    EXPECT_EQ(cd->format().labels.size(), 1u);
    EXPECT_FLOAT_EQ(cd->format().labels[0].holeValue(), 41.0f);
    EXPECT_EQ(cd->format().manufacturer, QStringLiteral("brenholt"));
    const auto *holed = dynamic_cast<const CustomLabel *>(reread.getItem(2));
    ASSERT_NE(holed, nullptr);
    EXPECT_EQ(holed->getLabel().shape, 3);
    EXPECT_FALSE(reread.loadedPartially());
    QFile::remove(path);
}

TEST(CustomStore, ReadsEntriesInNumberOrderWithDefaultsAndKinds)
{
    const QString folder = qmtest::freshDir("custom-read");
    const QString path = folder + "/custom.plist";
    QVariantMap root;
    for (int i = 0; i < 12; ++i)
        root.insert(QStringLiteral("Custom%1").arg(i), QVariantMap{{"name", QStringLiteral("G%1").arg(i)}, {"width", "1.50"}});
    // Any entry with a maker is a format, whatever the maker.
    root.insert("Custom12", QVariantMap{{"name", "F"}, {"manufacturer", "someone"}});
    writeRoot(path, root);

    CustomDataSource store(path, QString());
    ASSERT_EQ(store.count(), 13);
    QStringList order;
    for (int i = 0; i < store.count(); ++i)
        order << store.getItemName(i);
    EXPECT_EQ(order.mid(0, 3), QStringList({"G0", "G1", "G2"}));
    EXPECT_EQ(order.value(10), QStringLiteral("G10"));
    EXPECT_NE(dynamic_cast<const CustomFormat *>(store.getItem(12)), nullptr);
    const TLabel first = dynamic_cast<const CustomLabel *>(store.getItem(0))->getLabel();
    EXPECT_FLOAT_EQ(first.width, 1.5f);
    EXPECT_EQ(first.hole, 0.0f);
    EXPECT_EQ(first.shape, 1);
    EXPECT_EQ(first.num_label, 2);
}

TEST(CustomStore, DamagedFileKeepsABackupBeforeShrinking)
{
    const QString folder = qmtest::freshDir("custom-damaged");
    const QString path = folder + "/custom.plist";
    struct Case { const char *what; QVariantMap root; QByteArray raw; int entries; };
    const QVariantMap good{{"name", "Good"}, {"width", "2.00"}};
    const Case cases[] = {
        {"entry that is not a dictionary", {{"Custom0", good}, {"Custom1", "text"}, {"Custom2", good}}, {}, 2},
        {"name of the wrong kind", {{"Custom0", QVariantMap{{"name", QVariantList()}}}, {"Custom1", good}}, {}, 1},
        {"labels that are not an array", {{"Custom0", QVariantMap{{"manufacturer", "x"}, {"labels", 5}}}, {"Custom1", good}}, {}, 1},
        {"a label of the wrong kind", {{"Custom0", QVariantMap{{"manufacturer", "x"}, {"labels", QVariantList{1}}}}, {"Custom1", good}}, {}, 1},
        {"not a property list", {}, "this is not a property list", 0},
        {"a root that is an array", {}, PropertyList::toData(QVariantList{good}), 0},
    };
    for (const Case &c : cases) {
        QFile::remove(path);
        QFile::remove(path + ".bak");
        if (c.raw.isEmpty()) {
            writeRoot(path, c.root);
        } else {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.raw);
        }
        QFile original(path);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        const QByteArray before = original.readAll();
        original.close();

        stocktest::WarningRecorder warnings;
        CustomDataSource store(path, QString());
        EXPECT_EQ(store.count(), c.entries) << c.what;
        EXPECT_TRUE(store.loadedPartially()) << c.what;
        EXPECT_FALSE(warnings.messages.isEmpty()) << c.what;

        store.addNewFormat(grid("New"));
        ASSERT_TRUE(store.save_data()) << c.what;
        QFile backup(path + ".bak");
        ASSERT_TRUE(backup.open(QIODevice::ReadOnly)) << c.what;
        EXPECT_EQ(backup.readAll(), before) << c.what;
        EXPECT_EQ(readRoot(path).size(), c.entries + 1) << c.what;

        // Later saves keep that first backup.
        store.addNewFormat(grid("Newer"));
        ASSERT_TRUE(store.save_data());
        backup.seek(0);
        QFile again(path + ".bak");
        ASSERT_TRUE(again.open(QIODevice::ReadOnly));
        EXPECT_EQ(again.readAll(), before) << c.what;
    }

    // A sound file is rewritten without a backup.
    QFile::remove(path + ".bak");
    writeRoot(path, {{"Custom0", good}});
    CustomDataSource sound(path, QString());
    EXPECT_FALSE(sound.loadedPartially());
    ASSERT_TRUE(sound.save_data());
    EXPECT_FALSE(QFileInfo::exists(path + ".bak"));

    // The fallback copy is read but never written.
    const QString fallback = folder + "/beside-program.plist";
    writeRoot(fallback, {{"Custom0", good}});
    const QString fresh = folder + "/sub/custom.plist";
    CustomDataSource fromFallback(fresh, fallback);
    EXPECT_EQ(fromFallback.count(), 1);
    fromFallback.addNewFormat(grid("Mine"));
    ASSERT_TRUE(fromFallback.save_data());
    EXPECT_EQ(readRoot(fallback).size(), 1);
    EXPECT_EQ(readRoot(fresh).size(), 2);
}

TEST(CustomStore, NamesLookupsFilterAndTable)
{
    stocktest::FakeCanvas canvas;
    const QString path = qmtest::freshDir("custom-names") + "/custom.plist";
    CustomDataSource store(path, QString(), &canvas);
    QAbstractItemModelTester tester(&store, QAbstractItemModelTester::FailureReportingMode::Fatal);
    store.addNewFormat(grid("Mine"));
    store.addNewFormat(grid("Mine1"));
    store.addNewTFormat(disc("Big CD"));
    store.addNewFormat(grid("cd sleeve"));
    store.addNewFormat(grid("CD Case"));

    EXPECT_EQ(store.validateName("Mine"), QStringLiteral("Mine2"));
    EXPECT_EQ(store.validateName("Yours"), QStringLiteral("Yours"));
    EXPECT_EQ(store.indexByName("Mine1"), 1);
    EXPECT_EQ(store.indexByName("mine1"), -1);
    EXPECT_TRUE(store.nameExists("Big CD"));
    EXPECT_EQ(store.formatExists(disc("Big CD")), 2);
    EXPECT_EQ(store.formatExists(disc("Small CD")), -1);

    TLabel probe = grid("Mine1");
    probe.units = 4;
    probe.deleted = 1;
    EXPECT_EQ(store.labelExists(probe), 1);
    probe.width = 4.004f;
    EXPECT_EQ(store.labelExists(probe), 1);
    probe.hole = 0.5f;
    EXPECT_EQ(store.labelExists(probe), -1);

    // Without a search text, rows are list positions.
    EXPECT_EQ(names(store), QStringList({"Mine", "Mine1", "Big CD", "cd sleeve", "CD Case"}));
    EXPECT_EQ(store.getData(3)->getName(), QStringLiteral("cd sleeve"));
    EXPECT_EQ(store.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Label Formats"));

    // With one, only names holding it with the same capitals are rows.
    canvas.filter = QStringLiteral("CD");
    store.reloadData();
    EXPECT_EQ(names(store), QStringList({"Big CD", "CD Case"}));
    EXPECT_EQ(store.getData(0)->getName(), QStringLiteral("Big CD"));
    EXPECT_EQ(store.getFilteredName(5), QString(""));
    EXPECT_EQ(store.getData(5), nullptr);
    store.changeFormat(grid("CD Box"), 1);
    EXPECT_EQ(store.getItemName(4), QStringLiteral("CD Box"));
    store.deleteFormat(0);
    EXPECT_EQ(store.count(), 4);
    EXPECT_EQ(store.getItemName(0), QStringLiteral("Mine"));
    EXPECT_EQ(store.indexByName("Big CD"), -1);
    EXPECT_EQ(names(store), QStringList({"CD Box"}));

    canvas.filter = QStringLiteral("Nothing like it");
    store.reloadData();
    EXPECT_EQ(store.rowCount(), 0);
    store.deleteFormat(0);
    EXPECT_EQ(store.count(), 4) << "a row that shows nothing deletes nothing";

    canvas.filter.clear();
    store.reloadData();
    store.changeTFormat(disc("Other"), 0);
    EXPECT_NE(dynamic_cast<const CustomFormat *>(store.getItem(0)), nullptr);
    EXPECT_TRUE(store.description().contains("Other"));
    EXPECT_EQ(CustomLabel().propertyDictionary().size(), 0);
}

// A sheet typed in millimetres, or copied from the catalogue, comes back after a restart within
// a hundredth of a millimetre, read by plistutil as by the store; files written with two
// decimals of an inch are still read as they were.
TEST(CustomStore, LengthsComeBackWithinAHundredthOfAMillimetre)
{
    QDir(Bundle::applicationSupportPath() + "/Brenholt").removeRecursively();
    auto inches = [](double mm) { return float(mm / 25.4); };
    TLabel typed = grid("Typed in millimetres", inches(63.5));
    typed.height = inches(38.1);
    typed.top_margin = inches(15.15);
    typed.left_margin = inches(7.25);
    typed.hor_distance = inches(2.54);
    typed.vert_distance = inches(0.3);
    typed.round_param = inches(1.77);
    TLabel cd = grid("Disc", inches(117));
    cd.height = cd.width;
    cd.hole = inches(41);
    cd.round_param = cd.width / 2.0f;
    cd.shape = TLabel::Oval;
    {
        CustomDataSource store;
        store.addNewFormat(typed);
        store.addNewFormat(cd);
        ASSERT_TRUE(store.save_data());
    }
    CustomDataSource restarted;
    ASSERT_EQ(restarted.count(), 2);
    const QString xml = plistutilXml(CustomDataSource::defaultFilePath());
    for (int i = 0; i < 2; ++i) {
        const TLabel &saved = i == 0 ? typed : cd;
        const TLabel back = dynamic_cast<const CustomLabel *>(restarted.getItem(i))->getLabel();
        SCOPED_TRACE(saved.name.toStdString());
        const std::pair<float, float> lengths[] = {
            {saved.width, back.width},           {saved.height, back.height},
            {saved.top_margin, back.top_margin}, {saved.left_margin, back.left_margin},
            {saved.hor_distance, back.hor_distance}, {saved.vert_distance, back.vert_distance},
            {saved.round_param, back.round_param}, {saved.hole, back.hole},
        };
        for (const auto &[before, after] : lengths)
            EXPECT_NEAR(after * 25.4, before * 25.4, 0.01);
        EXPECT_TRUE(gridStocksMatch(saved, back));
    }
    // The independent reader sees the same figures: 63.5 mm is 2.5 in, 15.15 mm 0.5965 in.
    if (!xml.isEmpty()) {
        EXPECT_TRUE(xml.contains("<key>width</key>\n\t\t<string>2.50</string>")) << qPrintable(xml);
        EXPECT_TRUE(xml.contains("<key>top_margin</key>\n\t\t<string>0.5965</string>")) << qPrintable(xml);
        EXPECT_TRUE(xml.contains("<key>hole</key>\n\t\t<string>1.6142</string>")) << qPrintable(xml);
    }

    // A file of the older form: two decimals, and numbers where strings are usual.
    const QString folder = qmtest::freshDir("custom-older");
    const QString path = folder + "/custom.plist";
    writeRoot(path, {{"Custom0", QVariantMap{{"name", "Old"}, {"width", "2.63"}, {"hole", "1.61"},
                                              {"top_margin", 0.5}}}});
    CustomDataSource older(path, QString());
    ASSERT_EQ(older.count(), 1);
    const TLabel old = dynamic_cast<const CustomLabel *>(older.getItem(0))->getLabel();
    EXPECT_FLOAT_EQ(old.width, 2.63f);
    EXPECT_FLOAT_EQ(old.hole, 1.61f);
    EXPECT_FLOAT_EQ(old.top_margin, 0.5f);
    QFile::remove(CustomDataSource::defaultFilePath());
}
