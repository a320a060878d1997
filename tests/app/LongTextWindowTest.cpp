// A text box holding a long paragraph of many formatted runs, worked on through the window:
// opened, duplicated, cut and pasted, saved and opened again. Every run comes back with its
// characters and its whole format, and so does every paragraph's; the saved file is the tree
// libplist's own tool reads, and a second save writes the same bytes.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "app/AppTestSupport.h"
#include "app/MainWindow.h"
#include "common/TestSupport.h"
#include "objects/TextFlow.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

// A paragraph longer than the program lays out whole.
constexpr int LongTextRuns = 5000;

// Run i of the long paragraph: families, sizes, weights, slants, lines, colours and spacing in
// turn, so that neighbouring runs differ and many runs share each format.
QTextCharFormat longTextRunFormat(int i, const QString &family)
{
    QTextCharFormat format;
    format.setFontFamilies({i % 3 == 0 ? family : QStringLiteral("DejaVu Serif")});
    format.setFontPointSize(8 + i % 5);
    format.setFontWeight(i % 2 ? QFont::Bold : QFont::Normal);
    if (i % 7 == 0)
        format.setFontItalic(true);
    if (i % 11 == 0)
        format.setFontUnderline(true);
    format.setForeground(QColor::fromHsv((i * 7) % 360, 200, 160));
    if (i % 13 == 0)
        format.setBackground(QColor(255, 240, 0, 120));
    if (i % 17 == 0) {
        format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        format.setFontLetterSpacing(0.5);
    }
    return format;
}

// A short centred heading, the long paragraph, and a closing paragraph with a line break.
void fillLongText(QTextDocument *text)
{
    const QString family = qmtest::loadTestFont();
    QTextCursor cursor(text);
    QTextBlockFormat heading;
    heading.setAlignment(Qt::AlignHCenter);
    heading.setLineHeight(120, QTextBlockFormat::ProportionalHeight);
    cursor.setBlockFormat(heading);
    cursor.insertText(QStringLiteral("Heading"), longTextRunFormat(1, family));
    QTextBlockFormat body;
    body.setLeftMargin(2);
    body.setTextIndent(4);
    body.setBottomMargin(3);
    cursor.insertBlock(body);
    for (int i = 0; i < LongTextRuns; ++i)
        cursor.insertText(QStringLiteral("run%1 ").arg(i), longTextRunFormat(i, family));
    QTextBlockFormat closing;
    closing.setAlignment(Qt::AlignRight);
    cursor.insertBlock(closing);
    cursor.insertText(QStringLiteral("last\u2028line"), longTextRunFormat(2, family));
}

// What a user sees of a format, in words: compared with the text the design was made from,
// whose formats were set another way (colours by hue, say) but must look the same.
QString looksOf(const QTextCharFormat &format)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
        .arg(format.fontFamilies().toStringList().join(QLatin1Char('+')))
        .arg(format.fontPointSize())
        .arg(format.fontWeight())
        .arg(format.fontItalic())
        .arg(format.fontUnderline())
        .arg(QString::number(format.foreground().color().rgba(), 16))
        .arg(format.hasProperty(QTextFormat::BackgroundBrush) ? QString::number(format.background().color().rgba(), 16)
                                                              : QString())
        .arg(format.fontLetterSpacing())
        .arg(format.fontLetterSpacingType());
}

struct StoredRun
{
    int block = 0;
    QString text;
    QTextCharFormat format;
};

struct StoredText
{
    QList<QTextBlockFormat> blocks;
    QList<QTextCharFormat> blockChars;
    QList<StoredRun> runs;
};

StoredText storedTextOf(const QTextDocument *text)
{
    StoredText stored;
    int number = 0;
    for (QTextBlock block = text->begin(); block.isValid(); block = block.next(), ++number) {
        stored.blocks.append(block.blockFormat());
        stored.blockChars.append(block.charFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it)
            stored.runs.append({number, it.fragment().text(), it.fragment().charFormat()});
    }
    return stored;
}

// Where two texts differ: the first few paragraphs and runs.
QString longTextDifferences(const StoredText &a, const StoredText &b)
{
    QStringList found;
    if (a.blocks.size() != b.blocks.size())
        found.append(QStringLiteral("%1 paragraphs / %2").arg(a.blocks.size()).arg(b.blocks.size()));
    for (qsizetype i = 0; i < std::min(a.blocks.size(), b.blocks.size()); ++i) {
        if (a.blocks[i] != b.blocks[i])
            found.append(QStringLiteral("paragraph %1's settings").arg(i));
        if (a.blockChars[i] != b.blockChars[i])
            found.append(QStringLiteral("paragraph %1's own format").arg(i));
    }
    if (a.runs.size() != b.runs.size())
        found.append(QStringLiteral("%1 runs / %2").arg(a.runs.size()).arg(b.runs.size()));
    for (qsizetype i = 0; i < std::min(a.runs.size(), b.runs.size()) && found.size() < 8; ++i) {
        const StoredRun &x = a.runs[i], &y = b.runs[i];
        if (x.block != y.block || x.text != y.text)
            found.append(QStringLiteral("run %1: '%2' / '%3'").arg(i).arg(x.text, y.text));
        else if (x.format != y.format)
            found.append(QStringLiteral("run %1 ('%2'): %3 / %4").arg(i).arg(x.text, looksOf(x.format), looksOf(y.format)));
    }
    return found.join(QStringLiteral("; "));
}

QByteArray longTextReadByPlistutil(const QString &path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    const QString xml = path + QStringLiteral(".xml");
    QProcess process;
    process.start(tool, {QStringLiteral("-i"), path, QStringLiteral("-o"), xml, QStringLiteral("-f"), QStringLiteral("xml")});
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return {};
    QFile file(xml);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray longTextFileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(LongTextWindow, ManyRunsComeBackWhole_OpenDuplicateCutPasteSaveReopen)
{
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("plistutil")).isEmpty())
        << "plistutil (libplist-utils) reads the saved design";
    apptest::WindowFixture f(QStringLiteral("long-text-window"));
    RectsView *canvas = f.canvas();

    // The design, written by the program's own writer as Save writes it.
    QTextDocument made;
    fillLongText(&made);
    GraphicPtr box = ColorRect::create(QRectF(10, 10, 120, 40));
    fillLongText(box->textStorage());
    box->setPageName(canvas->getCurrPageName());
    box->setObjectLayer(1);
    const QString path = qmtest::freshDir(QStringLiteral("long-text-window-design")) + QStringLiteral("/Runs.qkdoc");
    ASSERT_TRUE(PropertyList::writeFile(path, canvas->drawDocumentDictionaryForGraphics({box}), PlistFormat::Binary));
    box.reset();

    f.prompts->queuePath(path);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    ASSERT_EQ(canvas->getRects().size(), 1);
    canvas->grab();
    const StoredText opened = storedTextOf(canvas->getRects().first()->textStorage());
    {
        // Read back, it is the text it was made from, run by run.
        const StoredText source = storedTextOf(&made);
        ASSERT_EQ(opened.runs.size(), source.runs.size());
        ASSERT_EQ(opened.runs.size(), LongTextRuns + 2);
        for (qsizetype i = 0; i < source.runs.size(); ++i) {
            ASSERT_EQ(opened.runs[i].text, source.runs[i].text) << i;
            ASSERT_EQ(looksOf(opened.runs[i].format), looksOf(source.runs[i].format)) << i;
        }
        ASSERT_EQ(opened.blocks.size(), 3);
        EXPECT_EQ(opened.blocks[0].alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        EXPECT_EQ(opened.blocks[0].lineHeight(), 120.0);
        EXPECT_EQ(opened.blocks[1].leftMargin(), 2.0);
        EXPECT_EQ(opened.blocks[1].textIndent(), 4.0);
        EXPECT_EQ(opened.blocks[1].bottomMargin(), 3.0);
        EXPECT_EQ(opened.blocks[2].alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    }
    // The box shows the start of the long paragraph and the rest overflows.
    {
        TextFlow *flow = canvas->getRects().first()->textFlow();
        ASSERT_NE(flow, nullptr);
        EXPECT_TRUE(flow->hasOverflow());
        ASSERT_FALSE(flow->lines().empty());
        EXPECT_EQ(flow->lines().front().start, 0);
        EXPECT_GT(flow->characterRange(0).second, 20);
    }

    // The copy holds the same text, run by run, format by format.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    ASSERT_EQ(canvas->getRects().size(), 2);
    canvas->grab();
    EXPECT_EQ(longTextDifferences(opened, storedTextOf(canvas->getRects()[1]->textStorage())), QString());
    EXPECT_EQ(canvas->getRects()[1]->textFlow()->characterRange(0),
              canvas->getRects()[0]->textFlow()->characterRange(0));

    // Cut and pasted back, again.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Cut"));
    ASSERT_EQ(canvas->getRects().size(), 1);
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    ASSERT_EQ(canvas->getRects().size(), 2);
    canvas->grab();
    EXPECT_EQ(longTextDifferences(opened, storedTextOf(canvas->getRects()[1]->textStorage())), QString());

    // Saved, the file is what libplist's own tool reads.
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    EXPECT_FALSE(canvas->isChanged());
    const QByteArray firstBytes = longTextFileBytes(path);
    const QByteArray theirs = longTextReadByPlistutil(path);
    ASSERT_FALSE(theirs.isEmpty());
    EXPECT_TRUE(theirs == PropertyList::toData(PropertyList::fromData(firstBytes), PlistFormat::Xml));

    // Opened again, both texts are the one first opened; saved again, the same bytes.
    f.trigger(QStringLiteral("File"), QStringLiteral("New"));
    ASSERT_TRUE(canvas->getRects().isEmpty());
    f.prompts->queuePath(path);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    ASSERT_EQ(canvas->getRects().size(), 2);
    canvas->grab();
    for (const GraphicPtr &object : canvas->getRects())
        EXPECT_EQ(longTextDifferences(opened, storedTextOf(object->textStorage())), QString());
    canvas->wasChanged(true);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    EXPECT_TRUE(longTextFileBytes(path) == firstBytes) << "the second save wrote another file";
}
