#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "platform/PropertyList.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

using namespace quillmark;

namespace {

QVariantMap sampleTree()
{
    QVariantMap inner;
    inner.insert("Zeta", qint64(-42));
    inner.insert("alpha", QVariantList{qint64(1), 2.5, QString("drei"), true});
    QVariantMap root;
    root.insert("Name", QString::fromUtf8("Étiquette — ラベル 标签 Ярлык 🏷"));
    root.insert("Count", qint64(123456789012LL));
    root.insert("Small", qint64(7));
    root.insert("Zero", qint64(0));
    root.insert("Negative", qint64(-1));
    root.insert("Largest", qint64(std::numeric_limits<qint64>::max()));
    root.insert("Smallest", qint64(std::numeric_limits<qint64>::min()));
    root.insert("Ratio", 0.1);
    root.insert("NegativeRatio", -12345.678);
    root.insert("Yes", true);
    root.insert("No", false);
    root.insert("Bytes", QByteArray("\x00\x01\xff bytes", 9));
    root.insert("Empty", QByteArray(""));
    root.insert("EmptyString", QString(""));
    root.insert("Markup", QString("a<b & c>d \"quoted\" 'single' ]]> <!-- -->"));
    root.insert(QString::fromUtf8("Schlüssel <&>"), QString("key with markup"));
    root.insert("Lines", QString("one\ntwo\r\nthree\ttab"));
    root.insert("When", QDateTime(QDate(2024, 2, 29), QTime(13, 45, 10), Qt::UTC));
    root.insert("Before", QDateTime(QDate(1990, 7, 1), QTime(0, 0, 1), Qt::UTC));
    root.insert("Inner", inner);
    root.insert("EmptyList", QVariantList{});
    root.insert("EmptyMap", QVariantMap{});
    root.insert("Nested", QVariantList{QVariantList{QVariantMap{{"deep", QVariantList{qint64(3)}}}}});
    return root;
}

QString plistutil()
{
    return QStandardPaths::findExecutable("plistutil");
}

bool runPlistutil(const QStringList &arguments)
{
    QProcess process;
    process.start(plistutil(), arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

class PropertyListFormats : public ::testing::TestWithParam<PlistFormat> {};

} // namespace

TEST_P(PropertyListFormats, EveryValueTypeRoundTrips)
{
    const QVariantMap tree = sampleTree();
    QString error;
    const QByteArray data = PropertyList::toData(tree, GetParam(), &error);
    ASSERT_FALSE(data.isEmpty()) << error.toStdString();
    const QVariant back = PropertyList::fromData(data, &error);
    ASSERT_TRUE(back.isValid()) << error.toStdString();
    EXPECT_EQ(back.toMap(), tree);
    EXPECT_EQ(back.toMap().value("Count").typeId(), QMetaType::LongLong);
}

TEST_P(PropertyListFormats, NarrowerIntegersReadBackAsInt64)
{
    const QVariantList list{int(-5), uint(4000000000u), qint64(9), short(3)};
    const QVariant back = PropertyList::fromData(PropertyList::toData(list, GetParam()));
    const QVariantList expected{qint64(-5), qint64(4000000000LL), qint64(9), qint64(3)};
    EXPECT_EQ(back.toList(), expected);
    for (const QVariant &v : back.toList())
        EXPECT_EQ(v.typeId(), QMetaType::LongLong);
}

TEST_P(PropertyListFormats, ScalarTopLevelValues)
{
    for (const QVariant &value : {QVariant(QString("just text")), QVariant(qint64(5)), QVariant(true),
                                  QVariant(QByteArray("raw"))}) {
        const QVariant back = PropertyList::fromData(PropertyList::toData(value, GetParam()));
        EXPECT_EQ(back, value);
    }
}

TEST_P(PropertyListFormats, DictionaryKeysAreWrittenSorted)
{
    QVariantMap map{{"b", 1}, {"a", 2}, {"C", 3}};
    const QByteArray xml = PropertyList::toData(map, PlistFormat::Xml);
    EXPECT_LT(xml.indexOf("<key>C</key>"), xml.indexOf("<key>a</key>"));
    EXPECT_LT(xml.indexOf("<key>a</key>"), xml.indexOf("<key>b</key>"));
}

INSTANTIATE_TEST_SUITE_P(BothFormats, PropertyListFormats,
                         ::testing::Values(PlistFormat::Binary, PlistFormat::Xml));

TEST(PropertyList, ControlCharactersSurviveBothFormats)
{
    const QVariantList list{QString("bell\x07 escape\x1b end")};
    for (PlistFormat format : {PlistFormat::Binary, PlistFormat::Xml}) {
        QString error;
        const QVariant back = PropertyList::fromData(PropertyList::toData(list, format), &error);
        EXPECT_EQ(back.toList(), list) << error.toStdString();
    }
}

TEST(PropertyList, BinaryStartsWithItsMagicAndXmlIsText)
{
    EXPECT_TRUE(PropertyList::toData(sampleTree(), PlistFormat::Binary).startsWith("bplist00"));
    EXPECT_TRUE(PropertyList::toData(sampleTree(), PlistFormat::Xml).startsWith("<?xml"));
}

TEST(PropertyList, MillisecondsOfDatesSurviveTheBinaryFormat)
{
    const QDateTime when(QDate(2010, 5, 6), QTime(7, 8, 9, 250), Qt::UTC);
    const QVariant back = PropertyList::fromData(PropertyList::toData(QVariantList{when}));
    EXPECT_EQ(back.toList().value(0).toDateTime(), when);
}

TEST(PropertyList, ValuesItCannotHoldAreRefused)
{
    QString error;
    EXPECT_TRUE(PropertyList::toData(QVariantMap{{"bad", QVariant()}}, PlistFormat::Binary, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(PropertyList::toData(QVariantList{QVariant::fromValue(QPointF(1, 2))}).isEmpty());
    EXPECT_TRUE(PropertyList::toData(QDateTime(QDate(2200, 1, 1), QTime(0, 0), Qt::UTC)).isEmpty());
}

TEST(PropertyList, TheCallerCanAskForTheTopLevelType)
{
    const QByteArray list = PropertyList::toData(QVariantList{qint64(1)});
    QString error;
    EXPECT_FALSE(PropertyList::fromData(list, &error, QMetaType::QVariantMap).isValid());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(PropertyList::fromData(list, &error, QMetaType::QVariantList).isValid());
}

TEST(PropertyList, DamagedInputGivesAnErrorAndNeverCrashes)
{
    for (PlistFormat format : {PlistFormat::Binary, PlistFormat::Xml}) {
        const QByteArray valid = PropertyList::toData(sampleTree(), format);
        ASSERT_FALSE(valid.isEmpty());
        for (int length = 0; length < valid.size(); ++length) {
            QString error;
            const QVariant value = PropertyList::fromData(valid.left(length), &error);
            EXPECT_TRUE(value.isValid() || !error.isEmpty()) << "length " << length;
        }
    }
    // Flipped bytes in the binary trailer and offset table, then random noise.
    const QByteArray valid = PropertyList::toData(sampleTree(), PlistFormat::Binary);
    QRandomGenerator random(1234);
    for (int round = 0; round < 2000; ++round) {
        QByteArray damaged = valid;
        const int flips = 1 + int(random.bounded(4));
        for (int i = 0; i < flips; ++i)
            damaged[int(random.bounded(damaged.size()))] = char(random.bounded(256));
        PropertyList::fromData(damaged);
    }
    for (int round = 0; round < 200; ++round) {
        QByteArray noise(int(random.bounded(400)), '\0');
        for (char &c : noise)
            c = char(random.bounded(256));
        if (round % 2)
            noise.prepend("bplist00");
        PropertyList::fromData(noise);
    }
    QString error;
    EXPECT_FALSE(PropertyList::fromData("<?xml version=\"1.0\"?><plist><dict><key>a</key>", &error).isValid());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(PropertyList::fromData(QByteArray(), &error).isValid());
}

TEST(PropertyList, WriteFileReplacesAtomicallyAndReadFileReportsProblems)
{
    const QString dir = qmtest::freshDir("plist-files");
    const QString path = dir + "/tree.plist";
    QString error;
    ASSERT_TRUE(PropertyList::writeFile(path, sampleTree(), PlistFormat::Xml, &error)) << error.toStdString();
    EXPECT_EQ(PropertyList::readFile(path, &error).toMap(), sampleTree());

    // A value that cannot be written leaves the old file as it was.
    EXPECT_FALSE(PropertyList::writeFile(path, QVariantMap{{"bad", QVariant()}}, PlistFormat::Binary, &error));
    EXPECT_EQ(PropertyList::readFile(path).toMap(), sampleTree());
    EXPECT_FALSE(PropertyList::writeFile(dir + "/missing/folder/x.plist", sampleTree(), PlistFormat::Binary, &error));

    EXPECT_FALSE(PropertyList::readFile(dir + "/nothing.plist", &error).isValid());
    EXPECT_TRUE(error.contains("nothing.plist"));
    QFile junk(dir + "/junk.plist");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a property list at all");
    junk.close();
    EXPECT_FALSE(PropertyList::readFile(junk.fileName(), &error).isValid());
}

TEST(PropertyList, PlistutilReadsWhatWeWriteAndWeReadWhatItWrites)
{
    if (plistutil().isEmpty())
        FAIL() << "plistutil is missing: scripts/setup-deps installs libplist-utils";
    const QString dir = qmtest::freshDir("plistutil");
    const QVariantMap tree = sampleTree();
    for (PlistFormat format : {PlistFormat::Binary, PlistFormat::Xml}) {
        const QString ours = dir + (format == PlistFormat::Binary ? "/ours.bplist" : "/ours.xml");
        ASSERT_TRUE(PropertyList::writeFile(ours, tree, format));
        for (const char *target : {"xml", "bin"}) {
            const QString theirs = dir + "/theirs-" + target;
            ASSERT_TRUE(runPlistutil({"-i", ours, "-o", theirs, "-f", target}));
            QString error;
            const QVariant back = PropertyList::readFile(theirs, &error);
            ASSERT_TRUE(back.isValid()) << error.toStdString();
            EXPECT_EQ(back.toMap(), tree) << target;
        }
    }
    const QString xml = dir + "/theirs-xml";
    QFile file(xml);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("<integer>-42</integer>"));
    EXPECT_TRUE(text.contains("<true/>"));
}

// Long containers from libplist's own tool: every item in its place, the last as well as the first.
TEST(PropertyList, LongArraysAndDictionariesFromPlistutilReadWhole)
{
    if (plistutil().isEmpty())
        FAIL() << "plistutil is missing: scripts/setup-deps installs libplist-utils";
    const QString dir = qmtest::freshDir("plistutil-long");
    constexpr int Count = 40000;
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict><key>items</key><array>\n";
    for (int i = 0; i < Count; ++i)
        xml += i % 2 ? "<string>item " + QByteArray::number(i) + "</string>\n"
                     : "<integer>" + QByteArray::number(i) + "</integer>\n";
    xml += "</array><key>names</key><dict>\n";
    for (int i = 0; i < Count; ++i)
        xml += "<key>Custom" + QByteArray::number(i) + "</key><integer>" + QByteArray::number(-i) + "</integer>\n";
    xml += "</dict></dict></plist>\n";
    QFile source(dir + "/long.xml");
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write(xml);
    source.close();
    ASSERT_TRUE(runPlistutil({"-i", dir + "/long.xml", "-o", dir + "/long.bplist", "-f", "bin"}));

    QString error;
    const QVariantMap root = PropertyList::readFile(dir + "/long.bplist", &error).toMap();
    ASSERT_FALSE(root.isEmpty()) << error.toStdString();
    const QVariantList items = root.value("items").toList();
    ASSERT_EQ(items.size(), Count);
    for (int i = 0; i < Count; ++i) {
        if (i % 2)
            ASSERT_EQ(items[i].toString(), QStringLiteral("item %1").arg(i)) << i;
        else
            ASSERT_EQ(items[i].toLongLong(), i) << i;
    }
    const QVariantMap names = root.value("names").toMap();
    ASSERT_EQ(names.size(), Count);
    EXPECT_EQ(names.value("Custom0").toLongLong(), 0);
    EXPECT_EQ(names.value("Custom39999").toLongLong(), -39999);
    // An empty array reads as one, not as nothing.
    const QVariant empty = PropertyList::fromData(PropertyList::toData(QVariantList{}));
    EXPECT_EQ(empty.typeId(), QMetaType::QVariantList);
    EXPECT_TRUE(empty.toList().isEmpty());
}

TEST(PropertyList, HostileNestingIsRefusedWithoutExhaustingTheStack)
{
    const int depth = 1000000;
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    xml += QByteArray("<array>").repeated(depth);
    xml += QByteArray("</array>").repeated(depth);
    xml += "</plist>";
    QString error;
    EXPECT_FALSE(PropertyList::fromData(xml, &error).isValid());
    EXPECT_FALSE(error.isEmpty());

    // The same as a binary list: each one-element array refers to the next object.
    QByteArray binary = "bplist00";
    QList<quint32> offsets;
    auto bigEndian = [](quint64 value, int size) {
        QByteArray bytes;
        for (int i = size - 1; i >= 0; --i)
            bytes.append(char((value >> (8 * i)) & 0xff));
        return bytes;
    };
    for (int i = 0; i < depth; ++i) {
        offsets.append(quint32(binary.size()));
        if (i + 1 < depth)
            binary += char(0xA1) + bigEndian(quint64(i + 1), 4);
        else
            binary += char(0xA0);
    }
    const quint64 tableOffset = quint64(binary.size());
    for (quint32 offset : offsets)
        binary += bigEndian(offset, 4);
    binary += QByteArray(6, '\0') + char(4) + char(4) + bigEndian(quint64(depth), 8) + bigEndian(0, 8)
        + bigEndian(tableOffset, 8);
    EXPECT_FALSE(PropertyList::fromData(binary, &error).isValid());

    // Nesting just within the limit is still read.
    QByteArray fine = "<plist version=\"1.0\">" + QByteArray("<array>\n").repeated(500) + "<array/><dict/>"
        + QByteArray("</array>").repeated(500) + "</plist>";
    EXPECT_TRUE(PropertyList::fromData(fine, &error).isValid()) << error.toStdString();

    QVariant deep = QVariantList{};
    for (int i = 0; i < 600; ++i)
        deep = QVariantList{deep};
    EXPECT_TRUE(PropertyList::toData(deep, PlistFormat::Binary, &error).isEmpty());
}

TEST(PropertyList, KeysWithNulCharactersAreRefusedNotFatal)
{
    // Binary: a dictionary whose only key is the UTF-16 string "a\0".
    QByteArray binary = "bplist00";
    const int keyOffset = binary.size();
    binary += QByteArray("\x62\x00\x61\x00\x00", 5);
    const int valueOffset = binary.size();
    binary += QByteArray("\x09", 1);
    const int dictOffset = binary.size();
    binary += QByteArray("\xD1\x00\x01", 3);
    const int table = binary.size();
    binary += char(keyOffset);
    binary += char(valueOffset);
    binary += char(dictOffset);
    binary += QByteArray(6, '\0') + char(1) + char(1);
    binary += QByteArray(7, '\0') + char(3) + QByteArray(7, '\0') + char(2) + QByteArray(7, '\0') + char(table);
    QString error;
    EXPECT_FALSE(PropertyList::fromData(binary, &error).isValid());
    EXPECT_FALSE(error.isEmpty());
    // The same dictionary with the key "ab" is read, so only the NUL made the difference.
    QByteArray plain = binary;
    plain[keyOffset + 4] = 'b';
    EXPECT_EQ(PropertyList::fromData(plain, &error).toMap(), (QVariantMap{{"ab", true}})) << error.toStdString();

    for (const char *reference : {"&#0;", "&#x0;", "&#X000;", "&#00;"}) {
        const QByteArray xml = QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a")
            + reference + "b</key><true/></dict></plist>";
        EXPECT_FALSE(PropertyList::fromData(xml).isValid()) << reference;
    }
    QByteArray raw = "<plist version=\"1.0\"><dict><key>a</key><true/></dict></plist>";
    raw.insert(raw.indexOf("a</key>") + 1, '\0');
    EXPECT_FALSE(PropertyList::fromData(raw).isValid());
    EXPECT_EQ(PropertyList::fromData("<plist version=\"1.0\"><dict><key>&#65;&#x42;</key><true/></dict></plist>").toMap(),
              (QVariantMap{{"AB", true}}));
}

// The binary form we write, read by libplist's own tool, is the tree libplist writes as XML:
// every kind of value, counts on both sides of every size step, shared and unshared values,
// and a container of many thousands of items as a large path holds.
TEST(PropertyList, PlistutilReadsOurBinaryFormAsTheTreeItself)
{
    ASSERT_FALSE(plistutil().isEmpty()) << "plistutil (libplist-utils) is needed to read what we write";
    const QString dir = qmtest::freshDir("plistutil-binary");
    QVariantMap tree = sampleTree();
    QVariantList integers;
    for (qint64 n : {0LL, 14LL, 15LL, 255LL, 256LL, 65535LL, 65536LL, 4294967295LL, 4294967296LL, -1LL, -256LL,
                     std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()})
        integers.append(n);
    tree.insert("Integers", integers);
    QVariantList sized;
    for (int n : {0, 1, 14, 15, 16, 255, 256, 70000}) {
        sized.append(QByteArray(n, char('a' + n % 26)));
        sized.append(QString(n, QChar(u'x')));
        sized.append(QString(n, QChar(0x0416)));
        QVariantList items;
        QVariantMap keyed;
        for (int i = 0; i < std::min(n, 300); ++i) {
            items.append(qint64(i));
            keyed.insert(QStringLiteral("key %1").arg(i), QString::number(i % 7));
        }
        sized.append(QVariant(items));
        sized.append(keyed);
    }
    tree.insert("Sized", sized);
    // Points as a path holds them: some exact in single precision, most not, many repeated.
    QVariantList elements;
    QRandomGenerator random(55);
    for (int i = 0; i < 70000; ++i) {
        QVariantList element{qint64(i % 3)};
        element.append(i % 5 == 0 ? double(i % 100) : random.generateDouble() * 1000.0);
        element.append(i % 2 ? 0.5 : -random.generateDouble() * 1e12);
        elements.append(QVariant(element));
    }
    tree.insert("Elements", elements);
    tree.insert("Reals", QVariantList{1e-300, -0.0, 3.4028234663852886e38, 1e39, 0.1f, double(0.1f)});

    const QString ours = dir + "/ours.bplist";
    ASSERT_TRUE(PropertyList::writeFile(ours, tree, PlistFormat::Binary));
    ASSERT_TRUE(runPlistutil({"-i", ours, "-o", dir + "/read.xml", "-f", "xml"}));
    QFile read(dir + "/read.xml");
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    const QByteArray theirs = read.readAll();
    const QByteArray direct = PropertyList::toData(tree, PlistFormat::Xml);
    ASSERT_FALSE(direct.isEmpty());
    EXPECT_TRUE(theirs == direct) << "plistutil read a different tree";
    // And back through libplist's binary writer: the same tree again.
    ASSERT_TRUE(runPlistutil({"-i", dir + "/read.xml", "-o", dir + "/theirs.bplist", "-f", "bin"}));
    QString error;
    const QVariant back = PropertyList::readFile(dir + "/theirs.bplist", &error);
    ASSERT_TRUE(back.isValid()) << error.toStdString();
    EXPECT_TRUE(back.toMap() == PropertyList::fromData(PropertyList::toData(tree)).toMap());
    // Equal values are stored once and references are as short as libplist's: the file is as
    // large as libplist's, give or take a value (libplist takes -0 for 0 and shares no data).
    EXPECT_NEAR(double(QFileInfo(ours).size()), double(QFileInfo(dir + "/theirs.bplist").size()), 64.0);
}

// Large data (a design's pictures and outlines) is copied into the file once, from the value
// itself: equal values, whether they share one buffer or not, are stored once, and values of
// every size round the point where data counts as large read back as written.
TEST(PropertyList, LargeDataIsStoredOnceAndReadsBackAsWritten)
{
    ASSERT_FALSE(plistutil().isEmpty()) << "plistutil (libplist-utils) is needed to read what we write";
    const QString dir = qmtest::freshDir("plist-large-data");
    QVariantList values;
    for (int size : {65535, 65536, 65537, 300000}) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            bytes[i] = char((i * 7 + size) % 251);
        values.append(bytes);
    }
    const QByteArray large = values.last().toByteArray();
    QByteArray equal = large;
    equal.detach();
    const QVariantMap tree{{"Values", values}, {"Same buffer", large}, {"Equal bytes", equal}};
    const QString ours = dir + "/ours.bplist";
    ASSERT_TRUE(PropertyList::writeFile(ours, tree, PlistFormat::Binary));
    qint64 written = 0;
    for (const QVariant &value : values)
        written += value.toByteArray().size();
    EXPECT_LT(QFileInfo(ours).size(), written + 1024) << "an equal value was stored again";
    ASSERT_TRUE(runPlistutil({"-i", ours, "-o", dir + "/read.xml", "-f", "xml"}));
    QFile read(dir + "/read.xml");
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    EXPECT_TRUE(read.readAll() == PropertyList::toData(tree, PlistFormat::Xml)) << "plistutil read a different tree";
    EXPECT_TRUE(PropertyList::readFile(ours).toMap() == tree);
}

// Written to a device as it is put together (how a design reaches its file): the very bytes of
// the whole list, read by libplist's tool as the tree; past the limit the device takes no more
// than the limit while the size of the whole is still told; a device that refuses (a full
// disk) is a failure, never a size.
TEST(PropertyList, WrittenToADeviceAsPutTogether)
{
    ASSERT_FALSE(plistutil().isEmpty()) << "plistutil (libplist-utils) is needed to read what we write";
    const QString dir = qmtest::freshDir("plist-device");
    QVariantMap tree = sampleTree();
    QVariantList outlines;
    for (int size : {70000, 300001}) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            bytes[i] = char((i * 13 + size) % 253);
        outlines.append(QVariantMap{{"Path", bytes}, {"Class", "ColorPath"}, {"Layer", qint64(1)}});
    }
    tree.insert("ObjectsList", outlines);
    const QByteArray whole = PropertyList::toData(tree, PlistFormat::Binary);
    ASSERT_FALSE(whole.isEmpty());

    QFile file(dir + "/streamed.bplist");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(PropertyList::writeBinary(tree, file, PropertyList::MaximumSize), whole.size());
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll() == whole) << "the device took other bytes than the list";
    file.close();
    ASSERT_TRUE(runPlistutil({"-i", file.fileName(), "-o", dir + "/read.xml", "-f", "xml"}));
    QFile read(dir + "/read.xml");
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    EXPECT_TRUE(read.readAll() == PropertyList::toData(tree, PlistFormat::Xml)) << "plistutil read a different tree";

    // Limits before, inside and after each large value, and none at all.
    for (qint64 limit : {qint64(-1), qint64(0), qint64(100), qint64(70000), qint64(whole.size() / 2), qint64(whole.size() - 1)}) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        EXPECT_EQ(PropertyList::writeBinary(tree, buffer, limit), whole.size()) << limit;
        EXPECT_LE(buffer.data().size(), std::max<qint64>(limit, 0)) << limit;
        EXPECT_TRUE(whole.startsWith(buffer.data())) << limit;
    }

    QFile full(QStringLiteral("/dev/full"));
    ASSERT_TRUE(full.open(QIODevice::WriteOnly)) << "no /dev/full to stand for a full disk";
    QString error;
    EXPECT_EQ(PropertyList::writeBinary(tree, full, PropertyList::MaximumSize, &error), -1);
    EXPECT_FALSE(error.isEmpty());
}

// Binary lists are read by our own reader unless they hold what only libplist reads (dates,
// characters outside the first plane): whichever reads them, the tree is the one libplist
// reads from the same list in XML, for lists written by us and by libplist's own tool, and
// for a list of the narrow forms other writers use (single-precision reals, short counts).
TEST(PropertyList, BinaryListsReadAsLibplistReadsThemAndShareWhatIsStoredOnce)
{
    ASSERT_FALSE(plistutil().isEmpty()) << "plistutil (libplist-utils) is needed to read the lists independently";
    const QString dir = qmtest::freshDir("plistutil-reader");
    QVariantMap plain = sampleTree();
    plain.remove("When");
    plain.remove("Before");
    plain.insert("Name", QString::fromUtf8("Étiquette — ラベル 标签 Ярлык"));
    QVariantList objects;
    for (int i = 0; i < 3000; ++i)
        objects.append(QVariantMap{{"Class", QString("ColorRect")},
                                   {"Bounds", QStringLiteral("{{%1, 2}, {30, 20}}").arg(i)},
                                   {"DrawsFill", QString("YES")},
                                   {"FillColor", QByteArray(i % 2 ? "red" : "blue")},
                                   {QString::fromUtf8("Größe"), qint64(i * 70000)}});
    plain.insert("ObjectsList", objects);
    for (const QVariantMap &tree : {plain, sampleTree()}) {
        const QString ours = dir + "/ours.bplist";
        ASSERT_TRUE(PropertyList::writeFile(ours, tree, PlistFormat::Binary));
        ASSERT_TRUE(runPlistutil({"-i", ours, "-o", dir + "/theirs.xml", "-f", "xml"}));
        ASSERT_TRUE(runPlistutil({"-i", dir + "/theirs.xml", "-o", dir + "/theirs.bplist", "-f", "bin"}));
        const QVariant throughXml = PropertyList::readFile(dir + "/theirs.xml");
        ASSERT_TRUE(throughXml.isValid());
        for (const QString &path : {ours, dir + "/theirs.bplist"}) {
            QString error;
            const QVariant read = PropertyList::readFile(path, &error);
            ASSERT_TRUE(read.isValid()) << error.toStdString();
            EXPECT_TRUE(read == throughXml) << path.toStdString();
        }
    }

    // A value stored once is one value in memory, whatever refers to it.
    const QVariantList shared =
        PropertyList::fromData(PropertyList::toData(plain)).toMap().value("ObjectsList").toList();
    ASSERT_EQ(shared.size(), objects.size());
    const QVariantMap first = shared.first().toMap();
    const QVariantMap last = shared.last().toMap();
    EXPECT_EQ(first.value("DrawsFill").toString().constData(), last.value("DrawsFill").toString().constData());
    EXPECT_EQ(first.firstKey().constData(), last.firstKey().constData());

    // Single-precision reals, one- and two-byte integers, counts past fifteen, UTF-16 text,
    // as other writers make them: {"a": 1.5f, "b": 300, "c": "0123456789abcdefg", "d": "Ж"}.
    QByteArray narrow = "bplist00";
    QList<int> offsets;
    auto object = [&](const QByteArray &bytes) {
        offsets.append(int(narrow.size()));
        narrow += bytes;
    };
    object(QByteArray::fromHex("d4") + QByteArray::fromHex("01020304") + QByteArray::fromHex("05060708"));
    object("\x51" "a");
    object("\x51" "b");
    object("\x51" "c");
    object("\x51" "d");
    object(QByteArray::fromHex("223fc00000"));
    object(QByteArray::fromHex("11012c"));
    object(QByteArray::fromHex("5f1011") + "0123456789abcdefg");
    object(QByteArray::fromHex("610416"));
    const int table = int(narrow.size());
    for (int offset : offsets)
        narrow += char(offset);
    QByteArray trailer(32, '\0');
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = char(offsets.size());
    trailer[31] = char(table);
    narrow += trailer;
    QFile narrowFile(dir + "/narrow.bplist");
    ASSERT_TRUE(narrowFile.open(QIODevice::WriteOnly));
    narrowFile.write(narrow);
    narrowFile.close();
    ASSERT_TRUE(runPlistutil({"-i", dir + "/narrow.bplist", "-o", dir + "/narrow.xml", "-f", "xml"}));
    const QVariantMap expected{{"a", 1.5}, {"b", qint64(300)}, {"c", QString("0123456789abcdefg")},
                               {"d", QString::fromUtf8("Ж")}};
    EXPECT_EQ(PropertyList::readFile(dir + "/narrow.xml").toMap(), expected);
    EXPECT_EQ(PropertyList::fromData(narrow).toMap(), expected);
}

// A document's objects can be left unread and read one at a time: the rest of the document
// comes without them, each item as it would be in the whole tree, from binary and XML alike;
// a list without such an array reads as usual, and a damaged one is refused as before.
TEST(PropertyList, AnArrayLeftUnreadGivesItsItemsOneAtATime)
{
    QVariantList objects;
    for (int i = 0; i < 50; ++i)
        objects.append(QVariantMap{{"Class", QString("ColorRect")}, {"Index", qint64(i)}, {"On", i % 2 == 0}});
    objects.append(QString("not a dictionary"));
    const QVariantMap document{{"ObjectsList", objects}, {"TLabel", QVariantList{QVariantMap{{"name", QString("5160")}}}},
                               {"DrawByType", QString("YES")}};
    QVariantMap rest = document;
    rest.remove("ObjectsList");
    for (PlistFormat format : {PlistFormat::Binary, PlistFormat::Xml}) {
        const QByteArray data = PropertyList::toData(document, format);
        PropertyListArray items;
        QString error;
        const QVariant read = PropertyList::fromDataDeferring(data, "ObjectsList", &items, &error);
        EXPECT_EQ(read.toMap(), rest) << error.toStdString();
        ASSERT_EQ(items.size(), objects.size());
        for (qsizetype i = 0; i < objects.size(); ++i)
            EXPECT_EQ(items.at(i), objects.at(i)) << i;
        EXPECT_FALSE(items.at(objects.size()).isValid());

        // No array under the key: the document whole, and no items.
        const QVariantMap noArray{{"ObjectsList", QString("damaged")}, {"DrawByType", QString("NO")}};
        EXPECT_EQ(PropertyList::fromDataDeferring(PropertyList::toData(noArray, format), "ObjectsList", &items).toMap(),
                  noArray);
        EXPECT_TRUE(items.isEmpty());
        EXPECT_EQ(PropertyList::fromDataDeferring(PropertyList::toData(objects, format), "ObjectsList", &items).toList(),
                  objects);
        EXPECT_TRUE(items.isEmpty());

        error.clear();
        EXPECT_FALSE(PropertyList::fromDataDeferring(data.left(data.size() - 40), "ObjectsList", &items, &error).isValid());
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(items.isEmpty());
    }
}
