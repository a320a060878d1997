// The archived form of an object's text: every attribute the application sets survives.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include "common/TestSupport.h"
#include "objects/TextArchive.h"
#include "platform/Archiver.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

QTextCharFormat formatAt(QTextDocument &document, int position)
{
    QTextCursor cursor(&document);
    cursor.setPosition(position);
    return cursor.charFormat();
}

} // namespace

TEST(TextArchive, KeepsEveryCharacterAndParagraphAttribute)
{
    QTextDocument source;
    QTextCursor cursor(&source);
    QTextBlockFormat first;
    first.setAlignment(Qt::AlignHCenter);
    first.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    first.setTopMargin(4);
    first.setBottomMargin(6);
    cursor.setBlockFormat(first);

    QTextCharFormat styled;
    styled.setFontFamilies({qmtest::loadTestFont()});
    styled.setProperty(QTextFormat::FontFamily, qmtest::loadTestFont());
    styled.setFontPointSize(18);
    styled.setFontWeight(QFont::Bold);
    styled.setFontItalic(true);
    styled.setFontUnderline(true);
    styled.setFontStrikeOut(true);
    styled.setForeground(QColor(200, 10, 20));
    styled.setBackground(QColor(0, 0, 255, 100));
    styled.setFontKerning(false);
    styled.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    styled.setFontLetterSpacing(1.5);
    styled.setBaselineOffset(30);
    cursor.insertText("Styled", styled);
    cursor.insertText(" plain", QTextCharFormat());

    QTextBlockFormat second;
    second.setAlignment(Qt::AlignRight);
    cursor.insertBlock(second);
    QTextCharFormat chip;
    chip.setObjectType(TextArchive::FieldChipObjectType);
    chip.setProperty(TextArchive::FieldPkProperty, 100);
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), chip);
    cursor.insertText(QStringLiteral("line\u2028break"), QTextCharFormat());

    const QByteArray data = TextArchive::archive(source);
    EXPECT_EQ(Archiver::classOf(data), "QMText");
    // The archive is itself a property list that any reader takes.
    EXPECT_TRUE(PropertyList::fromData(data).isValid());

    QTextDocument copy;
    ASSERT_TRUE(TextArchive::unarchive(data, copy));
    EXPECT_EQ(copy.toPlainText(), source.toPlainText());
    ASSERT_EQ(copy.blockCount(), 2);

    const QTextBlockFormat b1 = copy.begin().blockFormat();
    EXPECT_EQ(b1.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(b1.lineHeight(), 150.0);
    EXPECT_EQ(b1.lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
    EXPECT_EQ(b1.topMargin(), 4.0);
    EXPECT_EQ(b1.bottomMargin(), 6.0);
    EXPECT_EQ(copy.begin().next().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    const QTextCharFormat s = formatAt(copy, 2);
    EXPECT_EQ(s.fontFamilies().toStringList(), QStringList{qmtest::loadTestFont()});
    EXPECT_EQ(s.stringProperty(QTextFormat::FontFamily), qmtest::loadTestFont());
    EXPECT_EQ(s.fontPointSize(), 18.0);
    EXPECT_EQ(s.fontWeight(), int(QFont::Bold));
    EXPECT_TRUE(s.fontItalic());
    EXPECT_TRUE(s.fontUnderline());
    EXPECT_TRUE(s.fontStrikeOut());
    EXPECT_EQ(s.foreground().color(), QColor(200, 10, 20));
    EXPECT_EQ(s.background().color(), QColor(0, 0, 255, 100));
    EXPECT_FALSE(s.fontKerning());
    EXPECT_EQ(s.fontLetterSpacingType(), QFont::AbsoluteSpacing);
    EXPECT_EQ(s.fontLetterSpacing(), 1.5);
    EXPECT_EQ(s.baselineOffset(), 30.0);

    const QTextCharFormat plain = formatAt(copy, 9);
    EXPECT_FALSE(plain.hasProperty(QTextFormat::FontPointSize));
    EXPECT_FALSE(plain.fontItalic());

    const int chipPosition = copy.begin().next().position();
    const QTextCharFormat restored = formatAt(copy, chipPosition + 1);
    EXPECT_EQ(restored.objectType(), TextArchive::FieldChipObjectType);
    EXPECT_EQ(restored.intProperty(TextArchive::FieldPkProperty), 100);
}

TEST(TextArchive, EmptyDocumentRoundTrips)
{
    QTextDocument source;
    QTextDocument copy;
    copy.setPlainText("old");
    ASSERT_TRUE(TextArchive::unarchive(TextArchive::archive(source), copy));
    EXPECT_TRUE(copy.isEmpty());
}

TEST(TextArchive, DataOfAnotherKindLeavesTheDocumentAlone)
{
    QTextDocument document;
    document.setPlainText("keep me");
    EXPECT_FALSE(TextArchive::unarchive(QByteArray("junk"), document));
    EXPECT_FALSE(TextArchive::unarchive(Archiver::archiveColor(Qt::red), document));
    EXPECT_FALSE(TextArchive::unarchive(Archiver::archive("QMText", {{"Blocks", "nope"}}), document));
    EXPECT_EQ(document.toPlainText(), "keep me");
}

TEST(TextArchive, DamagedAttributesAreDropped)
{
    const QVariantMap run = {{"Text", "abc"}, {"Size", -5.0}, {"Weight", 5000},
                             {"Underline", 99}, {"LetterSpacing", 1e300}};
    const QVariantMap block = {{"Runs", QVariantList{run}}, {"Alignment", 4096}, {"LineHeightType", 77},
                               {"LineHeight", 3.0}};
    QTextDocument document;
    ASSERT_TRUE(TextArchive::unarchive(Archiver::archive("QMText", {{"Blocks", QVariantList{block}}}), document));
    EXPECT_EQ(document.toPlainText(), "abc");
    const QTextCharFormat f = formatAt(document, 1);
    EXPECT_FALSE(f.hasProperty(QTextFormat::FontPointSize));
    EXPECT_FALSE(f.hasProperty(QTextFormat::FontWeight));
    EXPECT_FALSE(f.hasProperty(QTextFormat::TextUnderlineStyle));
    EXPECT_FALSE(f.hasProperty(QTextFormat::FontLetterSpacing));
    EXPECT_FALSE(document.begin().blockFormat().hasProperty(QTextFormat::LineHeight));
}

TEST(TextArchive, ParagraphBreaksInsideARunDoNotSplitTheParagraph)
{
    const QVariantMap run = {{"Text", QStringLiteral("a\u2029b")}};
    QTextDocument document;
    ASSERT_TRUE(TextArchive::unarchive(
        Archiver::archive("QMText", {{"Blocks", QVariantList{QVariantMap{{"Runs", QVariantList{run}}}}}}),
        document));
    EXPECT_EQ(document.blockCount(), 1);
}

TEST(TextArchive, FontsSetAsAWholeComeBack)
{
    QFont font = qmtest::testFont(21);
    font.setWeight(QFont::DemiBold);
    font.setItalic(true);
    QTextCharFormat format;
    format.setFont(font);
    QTextDocument source;
    QTextCursor(&source).insertText("font", format);

    QTextDocument copy;
    ASSERT_TRUE(TextArchive::unarchive(TextArchive::archive(source), copy));
    const QFont back = formatAt(copy, 2).font();
    EXPECT_EQ(back.family(), font.family());
    EXPECT_EQ(back.pointSizeF(), 21.0);
    EXPECT_EQ(back.weight(), QFont::DemiBold);
    EXPECT_TRUE(back.italic());
}

namespace {

QString cellText(QTextTable *table, int row, int column)
{
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

QTextTable *tableIn(QTextDocument &document, int index = 0)
{
    int found = 0;
    for (QTextFrame *frame : document.rootFrame()->childFrames())
        if (auto *table = qobject_cast<QTextTable *>(frame); table && found++ == index)
            return table;
    return nullptr;
}

// Families every test machine has (fonts-urw-base35 and fonts-dejavu-core), with faces told
// apart by weight, slant, width and names such as "Roman", "Demi" and "Book".
const QStringList FaceFamilies = {"P052", "URW Bookman", "Nimbus Sans", "C059", "DejaVu Sans", "DejaVu Serif"};

// Every face of the families, set both ways a font dialog sets a font: the font it answers
// for a chosen style (with the style name), and the family with the face's weight and slant.
std::vector<std::pair<QString, QFont>> everyFaceBothWays(qreal size)
{
    std::vector<std::pair<QString, QFont>> fonts;
    for (const QString &family : FaceFamilies) {
        for (const QString &style : QFontDatabase::styles(family)) {
            fonts.emplace_back(family + " " + style + " named", QFontDatabase::font(family, style, int(size)));
            QFont traits(family);
            traits.setPointSizeF(size);
            traits.setWeight(QFont::Weight(QFontDatabase::weight(family, style)));
            traits.setItalic(QFontDatabase::italic(family, style));
            fonts.emplace_back(family + " " + style + " by traits", traits);
        }
    }
    return fonts;
}

} // namespace

TEST(TextArchive, TablesComeBackWithTheirCellsAndTheTextAround)
{
    QTextDocument source;
    QTextCursor cursor(&source);
    cursor.insertText("before");
    QTextTableFormat format;
    format.setBorder(1.0);
    format.setCellPadding(2.0);
    format.setBorderBrush(QColor(Qt::red));
    format.setWidth(QTextLength(QTextLength::PercentageLength, 80));
    QTextTable *table = cursor.insertTable(2, 3, format);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) {
            QTextCursor in = table->cellAt(r, c).firstCursorPosition();
            in.insertText(QStringLiteral("%1,%2").arg(r).arg(c));
        }
    // A cell of two paragraphs.
    QTextCursor twoLines = table->cellAt(1, 2).lastCursorPosition();
    twoLines.insertBlock();
    twoLines.insertText("more");
    QTextCursor after(&source);
    after.movePosition(QTextCursor::End);
    after.insertText("after");
    // A second table straight after the first's paragraph.
    after.insertTable(1, 1)->cellAt(0, 0).firstCursorPosition().insertText("solo");

    QTextDocument copy;
    ASSERT_TRUE(TextArchive::unarchive(TextArchive::archive(source), copy));
    QTextTable *back = tableIn(copy);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->rows(), 2);
    ASSERT_EQ(back->columns(), 3);
    EXPECT_EQ(back->format().border(), 1.0);
    EXPECT_EQ(back->format().cellPadding(), 2.0);
    EXPECT_EQ(back->format().borderBrush().color(), QColor(Qt::red));
    EXPECT_EQ(back->format().width(), QTextLength(QTextLength::PercentageLength, 80));
    EXPECT_EQ(cellText(back, 0, 0), "0,0");
    EXPECT_EQ(cellText(back, 1, 1), "1,1");
    EXPECT_EQ(cellText(back, 1, 2), QStringLiteral("1,2\u2029more"));
    QTextTable *solo = tableIn(copy, 1);
    ASSERT_NE(solo, nullptr);
    EXPECT_EQ(cellText(solo, 0, 0), "solo");
    EXPECT_EQ(copy.toPlainText(), source.toPlainText());
    EXPECT_EQ(copy.blockCount(), source.blockCount());
    EXPECT_TRUE(copy.toPlainText().startsWith("before\n"));
}

TEST(TextArchive, DamagedTablesFallBackToPlainParagraphs)
{
    auto cell = [](const QVariant &table, const QVariant &row, const QVariant &column, const QString &text) {
        return QVariantMap{{"Table", table}, {"Row", row}, {"Column", column},
                           {"Runs", QVariantList{QVariantMap{{"Text", text}}}}};
    };
    const QVariantList tables{QVariantMap{{"Rows", qint64(1000000000)}, {"Columns", qint64(3)}},
                              QVariantMap{{"Rows", qint64(1)}, {"Columns", qint64(2)}, {"Border", -4.0}}};
    const QVariantList blocks{QVariantMap{{"Runs", QVariantList{QVariantMap{{"Text", "top"}}}}},
                              cell(0, 0, 0, "huge"),       // a table too large to make
                              cell(7, 0, 0, "nowhere"),    // a table that is not listed
                              cell(1, 0, 0, "a"),
                              cell(1, 5, 9, "outside"),    // a cell beyond the table
                              cell(1, 0, 1, "b"),
                              cell("x", 0, 0, "typeless")};
    QTextDocument document;
    ASSERT_TRUE(TextArchive::unarchive(
        Archiver::archive("QMText", {{"Blocks", blocks}, {"Tables", tables}}), document));
    QTextTable *table = tableIn(document);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(tableIn(document, 1), nullptr);
    EXPECT_EQ(table->rows(), 1);
    EXPECT_EQ(table->columns(), 2);
    EXPECT_EQ(table->format().border(), 1.0);
    EXPECT_EQ(cellText(table, 0, 0), QStringLiteral("a\u2029outside"));
    EXPECT_EQ(cellText(table, 0, 1), "b");
    // Nothing is lost: every text is somewhere in the document.
    for (const char *text : {"top", "huge", "nowhere", "typeless"})
        EXPECT_TRUE(document.toPlainText().contains(text)) << text;
}

TEST(TextArchive, EveryFaceOfEveryFamilyComesBack)
{
    for (const QString &family : FaceFamilies)
        ASSERT_GE(QFontDatabase::styles(family).size(), 4) << family.toStdString();
    const auto fonts = everyFaceBothWays(14);
    QTextDocument source;
    QTextCursor cursor(&source);
    for (const auto &[name, font] : fonts) {
        QTextCharFormat format;
        format.setFont(font);
        cursor.insertText(name, format);
        cursor.insertText(" ", QTextCharFormat());
    }

    QTextDocument copy;
    ASSERT_TRUE(TextArchive::unarchive(TextArchive::archive(source), copy));
    ASSERT_EQ(copy.toPlainText(), source.toPlainText());
    int position = 0;
    for (const auto &[name, font] : fonts) {
        const QFont before = formatAt(source, position + 1).font();
        const QFont after = formatAt(copy, position + 1).font();
        position += int(name.size()) + 1;
        const std::string what = name.toStdString();
        EXPECT_EQ(after.family(), before.family()) << what;
        EXPECT_EQ(after.styleName(), before.styleName()) << what;
        EXPECT_EQ(after.weight(), before.weight()) << what;
        EXPECT_EQ(after.italic(), before.italic()) << what;
        EXPECT_EQ(after.stretch(), before.stretch()) << what;
        EXPECT_EQ(after.pointSizeF(), 14.0) << what;
        // The face drawn is the same face.
        const QFontInfo was(before), is(after);
        EXPECT_EQ(is.family(), was.family()) << what;
        EXPECT_EQ(is.styleName(), was.styleName()) << what;
        EXPECT_EQ(is.weight(), was.weight()) << what;
        EXPECT_EQ(is.italic(), was.italic()) << what;
        if (name.endsWith(" named")) {
            EXPECT_EQ(is.styleName() + " named", name.mid(font.family().size() + 1)) << what;
        }
    }
}

TEST(TextArchive, TextStoredWithoutFacesOpensAsBefore)
{
    // The form written before faces were kept: family, weight and slant only.
    const QVariantMap roman = {{"Text", "Roman"}, {"Family", "P052"}, {"Families", QStringList{"P052"}}, {"Size", 12.0},
                               {"Weight", qint64(500)}, {"Italic", false}};
    const QVariantMap italic = {{"Text", "Italic"}, {"Family", "P052"}, {"Families", QStringList{"P052"}}, {"Size", 12.0},
                                {"Weight", qint64(400)}, {"Italic", true}};
    const QVariantMap block = {{"Runs", QVariantList{roman, italic}}};
    QTextDocument document;
    ASSERT_TRUE(TextArchive::unarchive(Archiver::archive("QMText", {{"Blocks", QVariantList{block}}}), document));
    EXPECT_EQ(document.toPlainText(), "RomanItalic");
    const QTextCharFormat first = formatAt(document, 1);
    EXPECT_FALSE(first.hasProperty(QTextFormat::FontStyleName));
    EXPECT_EQ(first.font().family(), "P052");
    EXPECT_EQ(first.font().weight(), QFont::Medium);
    EXPECT_FALSE(first.font().italic());
    EXPECT_EQ(QFontInfo(first.font()).styleName(), "Roman");
    EXPECT_EQ(QFontInfo(formatAt(document, 7).font()).styleName(), "Italic");

    // A damaged style name is dropped and the face is chosen by weight and slant.
    for (const QVariant &bad : {QVariant(qint64(7)), QVariant(QString(300, QChar('x'))), QVariant(QString())}) {
        QVariantMap damaged = italic;
        damaged.insert("StyleName", bad);
        const QVariantMap one = {{"Runs", QVariantList{damaged}}};
        ASSERT_TRUE(TextArchive::unarchive(Archiver::archive("QMText", {{"Blocks", QVariantList{one}}}), document));
        EXPECT_FALSE(formatAt(document, 1).hasProperty(QTextFormat::FontStyleName));
        EXPECT_EQ(QFontInfo(formatAt(document, 1).font()).styleName(), "Italic");
    }
}

TEST(TextArchive, RunsStoredAlikeReadAlikeAndRunsThatDifferInAnyValueKeepTheirOwn)
{
    // A long text repeats a few formats: runs that differ only in their characters read the same
    // format, and a run that differs in one value, or in how a value is stored (another program
    // may store a size as a whole number or a flag as text), is read as itself.
    const QVariantMap base = {{"Family", "P052"}, {"Families", QStringList{"P052"}}, {"Size", 12.0},
                              {"Weight", qint64(700)}, {"Foreground", Archiver::archiveColor(QColor(10, 20, 30))}};
    auto run = [&base](const QString &text, const QString &key = QString(), const QVariant &value = QVariant()) {
        QVariantMap map = base;
        map.insert("Text", text);
        if (!key.isEmpty())
            map.insert(key, value);
        return QVariant(map);
    };
    const QVariantList runs = {run("a"),
                               run("b"),
                               run("c", "Size", qint64(12)),
                               run("d", "Size", 13.0),
                               run("e", "Weight", qint64(400)),
                               run("f", "Weight", 400.0),
                               run("g", "Italic", true),
                               run("h", "Italic", "YES"),
                               run("i", "Foreground", Archiver::archiveColor(QColor(10, 20, 31))),
                               run("j", "Families", QStringList{"P052", "DejaVu Sans"}),
                               run("k", "Families", QVariantList{"P052", qint64(3)}),
                               run("l", "Underline", qint64(QTextCharFormat::SingleUnderline)),
                               run("m"),
                               run("n", "attachmentPrimaryKey", qint64(1LL << 40))};
    // Two paragraphs alike but for their runs share their settings; the third has its own.
    const QVariantMap centred = {{"Alignment", qint64(Qt::AlignHCenter)}, {"SpaceBefore", 3.0}};
    QVariantMap right = centred;
    right.insert("Alignment", qint64(Qt::AlignRight));
    QVariantMap first = centred, second = centred, third = right;
    first.insert("Runs", runs);
    second.insert("Runs", QVariantList{run("x")});
    third.insert("Runs", QVariantList{run("y", "Size", 20.0)});
    QTextDocument document;
    ASSERT_TRUE(TextArchive::unarchive(Archiver::archive("QMText", {{"Blocks", QVariantList{first, second, third}}}), document));
    EXPECT_EQ(document.toPlainText(), "abcdefghijklmn\nx\ny");

    QStringList seen;
    for (int i = 1; i <= 14; ++i) {
        const QTextCharFormat f = formatAt(document, i);
        seen.append(QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                        .arg(f.fontPointSize())
                        .arg(f.fontWeight())
                        .arg(f.fontItalic())
                        .arg(f.foreground().color().name())
                        .arg(f.fontFamilies().toStringList().join(QLatin1Char('+')))
                        .arg(int(f.underlineStyle()))
                        .arg(f.objectType()));
    }
    const QStringList expected = {"12 700 0 #0a141e P052 0 0",  "12 700 0 #0a141e P052 0 0",
                                  "12 700 0 #0a141e P052 0 0",  "13 700 0 #0a141e P052 0 0",
                                  "12 400 0 #0a141e P052 0 0",  "12 400 0 #0a141e P052 0 0",
                                  "12 700 1 #0a141e P052 0 0",  "12 700 1 #0a141e P052 0 0",
                                  "12 700 0 #0a141f P052 0 0",  "12 700 0 #0a141e P052+DejaVu Sans 0 0",
                                  "12 700 0 #0a141e P052+3 0 0", "12 700 0 #0a141e P052 1 0",
                                  "12 700 0 #0a141e P052 0 0",  "12 700 0 #0a141e P052 0 0"};
    EXPECT_EQ(seen, expected);
    const QTextBlock x = document.findBlockByNumber(1);
    const QTextBlock y = document.findBlockByNumber(2);
    EXPECT_EQ(document.begin().blockFormat(), x.blockFormat());
    EXPECT_EQ(x.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(x.blockFormat().topMargin(), 3.0);
    EXPECT_EQ(y.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(formatAt(document, y.position() + 1).fontPointSize(), 20.0);
}
