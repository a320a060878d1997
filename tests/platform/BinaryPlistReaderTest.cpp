// Our binary property-list reader against libplist's own tool: the same tree from every list
// the program writes, from libplist's binary form of them, from the unusual forms other
// writers use, and the same refusal of damaged lists.
#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "platform/Archiver.h"
#include "platform/PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <plist/plist.h>

#include <cstring>

#include <sys/wait.h>
#include <unistd.h>

using namespace quillmark;

namespace {

QByteArray bigEndian(quint64 value, int size)
{
    QByteArray bytes;
    for (int i = size - 1; i >= 0; --i)
        bytes.append(char((value >> (8 * i)) & 0xff));
    return bytes;
}

// A binary list of the given objects (marker and contents each) in that order.
QByteArray bplist(const QList<QByteArray> &objects, quint64 top = 0, int refSize = 1)
{
    QByteArray data = "bplist00";
    QList<quint64> offsets;
    for (const QByteArray &object : objects) {
        offsets.append(quint64(data.size()));
        data += object;
    }
    const quint64 table = quint64(data.size());
    for (quint64 offset : offsets)
        data += bigEndian(offset, 2);
    data += QByteArray(6, '\0') + char(2) + char(refSize) + bigEndian(quint64(objects.size()), 8) + bigEndian(top, 8)
        + bigEndian(table, 8);
    return data;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int value : values)
        result.append(char(value));
    return result;
}

// libplist writes a UID as a dictionary of one key in XML; it reads as the number it holds.
QVariant withUidsAsNumbers(const QVariant &value)
{
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        if (map.size() == 1 && map.firstKey() == QLatin1String("CF$UID"))
            return map.first();
        QVariantMap result;
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            result.insert(it.key(), withUidsAsNumbers(it.value()));
        return result;
    }
    if (value.typeId() == QMetaType::QVariantList) {
        QVariantList result;
        for (const QVariant &item : value.toList())
            result.append(withUidsAsNumbers(item));
        return result;
    }
    return value;
}

struct Reading
{
    bool valid = false;
    QVariant tree;
};

// What plistutil reads from the data, written as XML and read back (whole seconds of dates,
// as XML holds them); refused when it fails, aborts or writes no value.
Reading theirs(const QByteArray &data, const QString &dir)
{
    const QString input = dir + "/input.bplist";
    const QString output = dir + "/output.xml";
    QFile::remove(output);
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return {};
    file.close();
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStandardPaths::findExecutable("plistutil"), {"-i", input, "-o", output, "-f", "xml"});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    const QVariant tree = PropertyList::readFile(output);
    if (!tree.isValid())
        return {};
    return {true, withUidsAsNumbers(tree)};
}

// Ours, put through the same XML form.
Reading ours(const QByteArray &data)
{
    const QVariant tree = PropertyList::fromData(data);
    if (!tree.isValid())
        return {};
    return {true, PropertyList::fromData(PropertyList::toData(tree, PlistFormat::Xml))};
}

::testing::AssertionResult agree(const QByteArray &data, const QString &dir)
{
    const Reading mine = ours(data);
    const Reading libplist = theirs(data, dir);
    if (mine.valid != libplist.valid)
        return ::testing::AssertionFailure() << (mine.valid ? "only we read " : "only libplist reads ")
                                             << data.toHex().left(400).toStdString();
    if (mine.valid && !(mine.tree == libplist.tree))
        return ::testing::AssertionFailure() << "different trees from " << data.toHex().left(400).toStdString();
    return ::testing::AssertionSuccess();
}

// libplist's own tree of the data, as the program read it before it had a reader of its own.
QVariant libplistValue(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (;;) {
            char *key = nullptr;
            plist_t child = nullptr;
            plist_dict_next_item(node, iter, &key, &child);
            if (!child) {
                std::free(key);
                break;
            }
            map.insert(QString::fromUtf8(key), libplistValue(child));
            std::free(key);
        }
        std::free(iter);
        return map;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        for (uint32_t i = 0; i < plist_array_get_size(node); ++i)
            list.append(libplistValue(plist_array_get_item(node, i)));
        return list;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        return text ? QString::fromUtf8(text, qsizetype(length)) : QString("");
    }
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return bool(flag);
    }
    case PLIST_UINT:
    case PLIST_UID: {
        uint64_t number = 0;
        if (plist_get_node_type(node) == PLIST_UID)
            plist_get_uid_val(node, &number);
        else
            plist_get_uint_val(node, &number);
        return qint64(number);
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        return number;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char *data = plist_get_data_ptr(node, &length);
        return length ? QByteArray(data, qsizetype(length)) : QByteArray("");
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t micros = 0;
        plist_get_date_val(node, &seconds, &micros);
        return QDateTime::fromMSecsSinceEpoch((qint64(seconds) + 978307200) * 1000 + micros / 1000, Qt::UTC);
    }
    default:
        return QVariant();
    }
}

// Whether what we read of the data libplist reads too, as the same tree, and what libplist
// refuses we refuse. (We check more than libplist does: a list it reads may be refused here,
// an object placed in the header or a key holding NUL.) libplist aborts on some damage (a
// UTF-16 key holding NUL), so it reads in a process of its own: a copy of this one, which
// compares its tree with ours and answers by its exit code.
::testing::AssertionResult libplistAgrees(const QByteArray &data)
{
    const QVariant mine = PropertyList::fromData(data);
    fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        plist_t root = nullptr;
        plist_from_bin(data.constData(), uint32_t(data.size()), &root);
        if (!root)
            _exit(2);
        const QVariant theirs = libplistValue(root);
        _exit(!mine.isValid() ? 3 : theirs == mine ? 0 : 4);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return ::testing::AssertionFailure() << "no process for libplist";
    const bool refused = !WIFEXITED(status) || WEXITSTATUS(status) == 2;
    if (refused && mine.isValid())
        return ::testing::AssertionFailure() << "only we read " << data.toHex().toStdString();
    if (!refused && WEXITSTATUS(status) == 4)
        return ::testing::AssertionFailure() << "different trees from " << data.toHex().toStdString();
    return ::testing::AssertionSuccess();
}

QVariantMap documentLikeTree()
{
    QVariantList objects;
    for (int i = 0; i < 40; ++i) {
        QVariantMap object;
        object.insert("Class", i % 2 ? "ColorRect" : "ColorOval");
        object.insert("Bounds", QStringLiteral("{{%1, 10}, {20, 20}}").arg(i));
        object.insert("DrawsFill", i % 3 ? "YES" : "NO");
        object.insert("FillColor", Archiver::archiveColor(QColor::fromHsv(i * 9, 200, 200)));
        object.insert("Text", Archiver::archive("QMText", {{"string", QString::fromUtf8("Étiquette %1 🏷").arg(i)},
                                                           {"font", Archiver::archiveFont(QFont("DejaVu Sans", 9 + i))}}));
        object.insert("Anchor", qint64(i));
        objects.append(object);
    }
    QVariantMap document;
    document.insert("ObjectsList", objects);
    document.insert("GroupsList", QVariantList{QVariantMap{{"GroupContents", "0,1"}, {"GroupAngle", 12.5}}});
    document.insert("TLabel", QVariantList{QVariantMap{{"name", "Unknown"}, {"label_cell", QByteArray(30, '\0')}}});
    document.insert("When", QDateTime(QDate(2026, 12, 8), QTime(9, 30, 15), Qt::UTC));
    document.insert("Numbers", QVariantList{qint64(0), qint64(-1), qint64(1) << 40, std::numeric_limits<qint64>::min(),
                                            0.1, -0.0, 1e300, true, false});
    document.insert("Empty", QVariantList{QVariantMap{}, QVariantList{}, QString(""), QByteArray("")});
    return document;
}

} // namespace

TEST(BinaryPlistReader, ReadsWhatTheProgramAndLibplistWriteAsLibplistDoes)
{
    ASSERT_FALSE(QStandardPaths::findExecutable("plistutil").isEmpty())
        << "plistutil (libplist-utils) is needed as the independent reader";
    const QString dir = qmtest::freshDir("binary-reader");
    const QVariantMap tree = documentLikeTree();
    const QByteArray written = PropertyList::toData(tree);
    ASSERT_FALSE(written.isEmpty());
    EXPECT_TRUE(agree(written, dir));
    EXPECT_TRUE(PropertyList::fromData(written).toMap() == tree);
    for (const QByteArray &archive : {Archiver::archiveColor(QColor(10, 20, 30, 40)), Archiver::archiveFont(QFont("DejaVu Sans", 12))})
        EXPECT_TRUE(agree(archive, dir));

    // libplist's own binary form of the same tree (other offset and reference sizes, nothing shared).
    ASSERT_TRUE(PropertyList::writeFile(dir + "/tree.xml", tree, PlistFormat::Xml));
    QProcess process;
    process.start(QStandardPaths::findExecutable("plistutil"), {"-i", dir + "/tree.xml", "-o", dir + "/theirs.bplist", "-f", "bin"});
    ASSERT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0);
    QFile file(dir + "/theirs.bplist");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray libplistWritten = file.readAll();
    EXPECT_TRUE(agree(libplistWritten, dir));
    EXPECT_TRUE(PropertyList::fromData(libplistWritten).toMap() == PropertyList::fromData(written).toMap());
}

TEST(BinaryPlistReader, UnusualFormsReadAsLibplistReadsThem)
{
    ASSERT_FALSE(QStandardPaths::findExecutable("plistutil").isEmpty())
        << "plistutil (libplist-utils) is needed as the independent reader";
    const QString dir = qmtest::freshDir("binary-reader-forms");
    const QList<QByteArray> lists = {
        bplist({bytes({0x22, 0x3d, 0xcc, 0xcc, 0xcd})}),                                  // single-precision real
        bplist({bytes({0x14, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})}),   // 16-byte integer
        bplist({bytes({0x13, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xfe})}),          // negative
        bplist({bytes({0x33, 0x41, 0xd0, 0, 0, 0, 0x30, 0, 0})}),                          // date with a fraction
        bplist({bytes({0x82, 1, 2, 3})}),                                                 // UID
        bplist({bytes({0xC2, 1, 1}), bytes({0x09})}),                                     // set, one value twice
        bplist({bytes({0xD2, 1, 1, 2, 3}), "\x51" "a", bytes({0x08}), bytes({0x09})}),   // key given twice
        bplist({"\x53" "a\xff" "b"}),                                                     // not UTF-8
        bplist({bytes({0x62, 0xd8, 0x00, 0x00, 0x41})}),                                  // half of a pair
        bplist({bytes({0x63, 0xd8, 0x3d, 0xde, 0x00, 0x00, 0x41})}),                      // a whole pair
        bplist({bytes({0xD1, 1, 2}), bytes({0x62, 0x00, 0xe9, 0x00, 0x74}), bytes({0x4f, 0x10, 0x03, 1, 2, 3})}),
        bplist({bytes({0xA2, 0, 0, 0, 1}), bytes({0x09})}, 0, 2),                          // two-byte references
        bplist({bytes({0x53, 'a', 'b', 0, 'c'})}),                                                     // ends at its NUL
        // Refused by both: a null, a cycle, a key that is no string, a reference past the end,
        // a real of three bytes, a string longer than the list, an empty UTF-16 string.
        bplist({bytes({0x00})}),
        bplist({bytes({0xA1, 0})}),
        bplist({bytes({0xD1, 1, 1}), bytes({0x09})}),
        bplist({bytes({0xA1, 7})}),
        bplist({bytes({0x23, 0, 0})}),
        bplist({bytes({0x5f, 0x10, 0x40, 'a'})}),
        bplist({bytes({0x60})}),
    };
    for (const QByteArray &list : lists)
        EXPECT_TRUE(agree(list, dir));
}

TEST(BinaryPlistReader, DamagedListsAreReadAsLibplistReadsThemOrRefused)
{
    QVariantMap tree = documentLikeTree();
    tree.insert("ObjectsList", tree.value("ObjectsList").toList().mid(0, 3));
    const QByteArray valid = PropertyList::toData(tree);
    ASSERT_FALSE(valid.isEmpty());
    for (int length : {0, 7, 8, 40, int(valid.size() / 2), int(valid.size() - 33), int(valid.size() - 1)})
        EXPECT_TRUE(libplistAgrees(valid.left(length))) << "cut at " << length;
    // Every byte of the trailer, then bytes of the offset table and the objects, each set to
    // values that move things a little or far.
    for (int at = int(valid.size()) - 32; at < valid.size(); ++at) {
        for (int value : {0x00, 0x01, 0x07, 0xff}) {
            QByteArray damaged = valid;
            damaged[at] = char(value);
            EXPECT_TRUE(libplistAgrees(damaged)) << "byte " << at << " set to " << value;
        }
    }
    QRandomGenerator random(55);
    for (int round = 0; round < 250; ++round) {
        QByteArray damaged = valid;
        const int flips = 1 + int(random.bounded(3));
        for (int i = 0; i < flips; ++i)
            damaged[int(random.bounded(damaged.size()))] = char(random.bounded(256));
        EXPECT_TRUE(libplistAgrees(damaged)) << "round " << round;
    }
}
