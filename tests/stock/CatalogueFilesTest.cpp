// Checks the shipped stock data files themselves, independently of the code that reads
// them: a bad line in a catalogue file would otherwise only show as a missing or misdrawn
// sheet in the browser.
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <QXmlStreamReader>

#include <cmath>

namespace {

struct CatalogueFile
{
    const char *name;
    bool millimetres;
};

// In reading order; three of the files give their lengths in millimetres.
const CatalogueFile kFiles[] = {
    {"AveryA4", false}, {"AveryUS", true},     {"Herma", true},   {"Sigel", true},
    {"USmore", false},  {"AveryUSmore", false}, {"A4more", false},
};

struct Entry
{
    QString file;
    int line = 0;
    QStringList texts; // code, category, description, type
    double height = 0, width = 0, radius = 0, top = 0, left = 0, hPitch = 0, vPitch = 0;
    qint64 across = 0, down = 0;
};

QByteArray readResource(const QString &fileName)
{
    QFile file(qmtest::resourcesDir() + "/" + fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Parses every line of one catalogue file, recording each defect instead of stopping.
QList<Entry> parseCatalogue(const CatalogueFile &catalogue, QStringList &problems)
{
    QList<Entry> entries;
    const QString fileName = QString::fromLatin1(catalogue.name) + ".txt";
    const QByteArray bytes = readResource(fileName);
    if (bytes.isEmpty()) {
        problems << fileName + ": missing or empty";
        return entries;
    }
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) > 0x7e || (c < 0x20 && c != '\t' && c != '\n')) {
            problems << fileName + ": not plain ASCII text with line feeds";
            break;
        }
    }
    const QList<QByteArray> lines = bytes.split('\n');
    const double scale = catalogue.millimetres ? 1.0 / 25.4 : 1.0;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QString where = QStringLiteral("%1:%2").arg(fileName).arg(i + 1);
        const QStringList fields = QString::fromLatin1(lines[i]).split('\t');
        // Thirteen fields, then the product's paper where it is not the file's and a disc's
        // centre hole ("hole 41 mm"), each at most once.
        static const QStringList papers = {"Letter", "Legal", "A4", "A5"};
        static const QRegularExpression hole(QStringLiteral("^hole [0-9]+(\\.[0-9]+)? mm$"));
        if (fields.size() < 13 || fields.size() > 15) {
            problems << where + QStringLiteral(": %1 fields").arg(fields.size());
            continue;
        }
        int paperFields = 0;
        int holeFields = 0;
        for (qsizetype k = 13; k < fields.size(); ++k) {
            paperFields += papers.contains(fields[k]) ? 1 : 0;
            holeFields += hole.match(fields[k]).hasMatch() ? 1 : 0;
        }
        if (paperFields > 1 || holeFields > 1 || paperFields + holeFields != fields.size() - 13) {
            problems << where + ": a field after the thirteenth names neither a paper nor a hole";
            continue;
        }
        Entry e;
        e.file = QString::fromLatin1(catalogue.name);
        e.line = i + 1;
        e.texts = fields.mid(0, 4);
        bool textsOk = true;
        for (const QString &t : e.texts)
            textsOk = textsOk && !t.isEmpty() && t.size() <= 62 && t.trimmed() == t;
        if (!textsOk || e.texts[2].startsWith('"')) {
            problems << where + ": empty, padded or over-long text field";
            continue;
        }
        bool ok = true;
        auto real = [&](int index) {
            bool fieldOk = false;
            const double v = fields[index].toDouble(&fieldOk);
            ok = ok && fieldOk && std::isfinite(v);
            return v * scale;
        };
        auto integer = [&](int index) {
            bool fieldOk = false;
            const qint64 v = fields[index].toLongLong(&fieldOk);
            ok = ok && fieldOk;
            return v;
        };
        e.height = real(4);
        e.width = real(5);
        e.radius = real(6);
        e.across = integer(7);
        e.down = integer(8);
        e.top = real(9);
        e.left = real(10);
        e.hPitch = real(11);
        e.vPitch = real(12);
        if (!ok) {
            problems << where + ": a number does not parse";
            continue;
        }
        entries << e;
    }
    return entries;
}

// A sheet a printer can take: every label inside 17 by 17 inches, none overlapping the next.
QString geometryProblem(const Entry &e)
{
    constexpr double kEps = 1e-3;
    constexpr double kLargestSheet = 17.0;
    if (e.width <= 0 || e.height <= 0)
        return "label size not positive";
    if (e.radius < 0 || e.radius > std::max(e.width, e.height) / 2 + kEps)
        return "corner radius out of range";
    if (e.across < 1 || e.down < 1 || e.across * e.down > 1000)
        return "implausible label counts";
    if (e.top < 0 || e.left < 0)
        return "negative margin";
    if ((e.across > 1 && e.hPitch < e.width - kEps) || (e.down > 1 && e.vPitch < e.height - kEps))
        return "labels overlap";
    const double right = e.left + double(e.across - 1) * e.hPitch + e.width;
    const double bottom = e.top + double(e.down - 1) * e.vPitch + e.height;
    if (right > kLargestSheet || bottom > kLargestSheet)
        return "labels run off any plausible sheet";
    return {};
}

// Reads an XML property list into QVariant trees through a reader of our own, so the file
// is checked as XML and not only through the application's property-list code.
QVariant readPlistValue(QXmlStreamReader &xml);

QVariant readPlistElement(QXmlStreamReader &xml)
{
    const QStringView tag = xml.name();
    if (tag == u"dict") {
        QVariantMap map;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"key") {
                xml.raiseError("expected a key");
                return {};
            }
            const QString key = xml.readElementText();
            if (!xml.readNextStartElement()) {
                xml.raiseError("key without value");
                return {};
            }
            map.insert(key, readPlistElement(xml));
        }
        return map;
    }
    if (tag == u"array") {
        QVariantList list;
        while (xml.readNextStartElement())
            list << readPlistElement(xml);
        return list;
    }
    if (tag == u"string")
        return xml.readElementText();
    if (tag == u"real" || tag == u"integer") {
        bool ok = false;
        const double v = xml.readElementText().toDouble(&ok);
        if (!ok)
            xml.raiseError("bad number");
        return v;
    }
    if (tag == u"true" || tag == u"false") {
        const bool v = tag == u"true";
        xml.skipCurrentElement();
        return v;
    }
    xml.raiseError("unexpected element " + tag.toString());
    return {};
}

QVariant readPlistValue(QXmlStreamReader &xml)
{
    if (!xml.readNextStartElement() || xml.name() != u"plist" || !xml.readNextStartElement())
        return {};
    QVariant root = readPlistElement(xml);
    return xml.hasError() ? QVariant() : root;
}

QVariantMap readPlistResource(const QString &fileName)
{
    QXmlStreamReader xml(readResource(fileName));
    const QVariant root = readPlistValue(xml);
    EXPECT_FALSE(xml.hasError()) << fileName.toStdString() << ": " << xml.errorString().toStdString();
    EXPECT_EQ(root.typeId(), QMetaType::QVariantMap) << fileName.toStdString();
    return root.toMap();
}

double number(const QVariantMap &m, const char *key)
{
    return m.value(QString::fromLatin1(key), -1.0).toDouble();
}

TEST(CatalogueFiles, EveryLineIsAWellFormedSheet)
{
    QStringList problems;
    int total = 0;
    for (const CatalogueFile &catalogue : kFiles) {
        const QList<Entry> entries = parseCatalogue(catalogue, problems);
        EXPECT_GT(entries.size(), 0) << catalogue.name;
        total += int(entries.size());
        QSet<QString> codes;
        for (const Entry &e : entries) {
            const QString where = QStringLiteral("%1.txt:%2 (%3)").arg(e.file).arg(e.line).arg(e.texts[0]);
            const QString geometry = geometryProblem(e);
            if (!geometry.isEmpty())
                problems << where + ": " + geometry;
            if (codes.contains(e.texts[0]))
                problems << where + ": code listed twice in one file";
            codes.insert(e.texts[0]);
        }
    }
    EXPECT_TRUE(problems.isEmpty()) << problems.mid(0, 20).join('\n').toStdString();
    EXPECT_GE(total, 1500);
}

TEST(CatalogueFiles, CatalogueCoversTheCommonKindsOfStock)
{
    QStringList problems;
    QSet<QString> categories;
    QSet<QString> types;
    for (const CatalogueFile &catalogue : kFiles) {
        for (const Entry &e : parseCatalogue(catalogue, problems)) {
            categories.insert(e.texts[1]);
            types.insert(e.texts[3]);
        }
    }
    for (const char *wanted : {"Address Labels", "Shipping Labels", "Return Address Labels",
                               "File Folder Labels", "Name Badges", "Business Cards",
                               "CD/DVD Labels", "Round Labels", "Oval Labels", "Full Sheet Labels"})
        EXPECT_TRUE(categories.contains(QString::fromLatin1(wanted))) << wanted;
    for (const char *wanted : {"Rectangle", "Round", "Oval", "Disc"})
        EXPECT_TRUE(types.contains(QString::fromLatin1(wanted))) << wanted;
}

TEST(CatalogueFiles, AddressLabel5160HasItsPublishedGeometry)
{
    QStringList problems;
    QList<Entry> found;
    for (const CatalogueFile &catalogue : kFiles) {
        if (!QByteArray(catalogue.name).startsWith("Avery"))
            continue;
        for (const Entry &e : parseCatalogue(catalogue, problems))
            if (e.texts[0] == u"5160")
                found << e;
    }
    ASSERT_EQ(found.size(), 1);
    const Entry &e = found.first();
    EXPECT_EQ(e.texts[1], u"Address Labels");
    constexpr double kTol = 1e-4;
    EXPECT_NEAR(e.height, 1.0, kTol);
    EXPECT_NEAR(e.width, 2.625, kTol);
    EXPECT_EQ(e.across, 3);
    EXPECT_EQ(e.down, 10);
    EXPECT_NEAR(e.top, 0.5, kTol);
    EXPECT_NEAR(e.left, 0.1875, kTol);
    EXPECT_NEAR(e.hPitch, 2.75, kTol);
    EXPECT_NEAR(e.vPitch, 1.0, kTol);
}

TEST(CatalogueFiles, ShapePaletteListsTheStandardShapes)
{
    const QVariantMap root = readPlistResource("formattypes.xml");
    ASSERT_TRUE(root.contains("FormatTypes"));
    const QVariantList shapes = root.value("FormatTypes").toList();
    QMap<QString, QVariantMap> byName;
    for (const QVariant &v : shapes) {
        const QVariantMap shape = v.toMap();
        const QString name = shape.value("type").toString();
        EXPECT_FALSE(name.isEmpty());
        EXPECT_FALSE(byName.contains(name)) << "palette names must be unique: " << name.toStdString();
        EXPECT_GE(number(shape, "x"), 0.0) << name.toStdString();
        EXPECT_GE(number(shape, "y"), 0.0) << name.toStdString();
        EXPECT_GT(number(shape, "width"), 0.0) << name.toStdString();
        EXPECT_GT(number(shape, "height"), 0.0) << name.toStdString();
        if (shape.contains("hole")) {
            EXPECT_LT(number(shape, "hole"), std::min(number(shape, "width"), number(shape, "height")));
        }
        byName.insert(name, shape);
    }
    for (const char *wanted : {"Horizontal", "VHSFace", "VHSSpine", "Disc", "BusinessCard"})
        EXPECT_TRUE(byName.contains(QString::fromLatin1(wanted))) << wanted;
    const QVariantMap disc = byName.value("Disc");
    EXPECT_TRUE(disc.contains("round"));
    EXPECT_DOUBLE_EQ(number(disc, "width"), 117.0);
    EXPECT_DOUBLE_EQ(number(disc, "hole"), 41.0);
    const QVariantMap face = byName.value("VHSFace");
    EXPECT_DOUBLE_EQ(number(face, "width"), 78.0);
    EXPECT_DOUBLE_EQ(number(face, "height"), 46.5);
    EXPECT_FALSE(face.contains("round"));
}

TEST(CatalogueFiles, PaperFormatListGivesSheetsInInches)
{
    const QVariantMap root = readPlistResource("formats.xml");
    const QVariantList formats = root.value("PaperFormatList").toList();
    ASSERT_FALSE(formats.isEmpty());
    QMap<QString, QVariantMap> byName;
    for (const QVariant &v : formats) {
        const QVariantMap f = v.toMap();
        const QString name = f.value("type").toString();
        EXPECT_FALSE(name.isEmpty());
        EXPECT_GT(number(f, "Width"), 0.0) << name.toStdString();
        EXPECT_LE(number(f, "Width"), 17.0) << name.toStdString();
        EXPECT_GT(number(f, "Height"), 0.0) << name.toStdString();
        EXPECT_GE(number(f, "TopMargin"), 0.0) << name.toStdString();
        EXPECT_GE(number(f, "LeftMargin"), 0.0) << name.toStdString();
        EXPECT_FALSE(f.value("Labels").toList().isEmpty()) << name.toStdString();
        byName.insert(name, f);
    }
    EXPECT_DOUBLE_EQ(number(byName.value("Letter"), "Width"), 8.5);
    EXPECT_DOUBLE_EQ(number(byName.value("Letter"), "Height"), 11.0);
    EXPECT_NEAR(number(byName.value("A4"), "Width"), 210 / 25.4, 1e-3);
    EXPECT_NEAR(number(byName.value("A4"), "Height"), 297 / 25.4, 1e-3);
}

// libplist's own tool must accept both property lists as they ship.
TEST(CatalogueFiles, PropertyListsReadByPlistutil)
{
    const QString tool = QStandardPaths::findExecutable("plistutil");
    if (tool.isEmpty())
        FAIL() << "plistutil is missing: scripts/setup-deps installs libplist-utils";
    for (const char *name : {"formattypes.xml", "formats.xml"}) {
        QProcess process;
        process.start(tool, {"-i", qmtest::resourcesDir() + "/" + name, "-f", "xml"});
        ASSERT_TRUE(process.waitForFinished(30000)) << name;
        EXPECT_EQ(process.exitCode(), 0) << name;
        QXmlStreamReader xml(process.readAllStandardOutput());
        EXPECT_EQ(readPlistValue(xml).typeId(), QMetaType::QVariantMap) << name;
    }
}

} // namespace
