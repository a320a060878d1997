// The delimited text format: the comma reader, the plain split of the other delimiters, the
// export of one value, and our own export read back unchanged.
#include <gtest/gtest.h>

#include "database/exchange/DelimitedText.h"

using namespace quillmark;

namespace {

struct LineCase
{
    const char *line;
    char delimiter;
    QStringList fields;
};

} // namespace

TEST(DelimitedText, LinesSplitIntoFields)
{
    const LineCase cases[] = {
        {R"("Smith, John","O""Neil",42,)", ',', {"Smith, John", "O\"Neil", "42", ""}},
        {R"("a",)", ',', {"a"}},
        {R"("a", )", ',', {"a"}},
        {"a,,b", ',', {"a", "", "b"}},
        {"  a ,\tb  ", ',', {"a", "b"}},
        // Two quotes inside a quoted value are one quote, also before a comma.
        {R"("He said ""no"", then")", ',', {"He said \"no\", then"}},
        {"O''Neil,x", ',', {"O''Neil", "x"}},
        {"a\t\tb", '\t', {"a", "", "b"}},
        {"it's\t'quoted'", '\t', {"it's", "'quoted'"}},
        {"a;b;", ';', {"a", "b", ""}},
        {"x y z", ' ', {"x", "y", "z"}},
        {"say \"hi\"\tok", '\t', {"say \"hi\"", "ok"}},
        {"", ',', {}},
    };
    for (const LineCase &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(DelimitedText::readRow(QString::fromUtf8(c.line), QChar(c.delimiter)), c.fields);
    }
    EXPECT_EQ(DelimitedText::readCommaSeparatedLine(QStringLiteral("1,2")), QStringList({"1", "2"}));
}

TEST(DelimitedText, ValuesAreWrittenAsTheFormatNeeds)
{
    struct Case
    {
        const char *value;
        char delimiter;
        const char *written;
    };
    const Case cases[] = {
        {" say \"hi\", ok ", ',', R"("say ""hi"", ok")"},
        {"a,b", ',', R"("a,b")"},
        {",x", ',', R"(",x")"},
        {"plain", ',', "plain"},
        {"two\r\nlines", ',', "\"two\r\nlines\""},
        {" say \"hi\", ok ", '\t', " say \"hi\", ok "},
        {"a,b", '\t', "a,b"},
        {",x", '\t', ",x"},
        {"a\tb", '\t', "\"a\tb\""},
        {"\"quoted\" start", ';', R"("""quoted"" start")"},
        {"John Smith", ' ', "\"John Smith\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(DelimitedText::exportValue(QString::fromUtf8(c.value), QChar(c.delimiter)), QString::fromUtf8(c.written));
    }
}

TEST(DelimitedText, OurOwnExportReadsBackUnchanged)
{
    const QList<QStringList> records = {
        {"Smith, John", "O\"Neil", "42"},
        {"He said \"no\", then", "", "Two\r\nlines"},
        {"", "Line\nbreak", "tab\there"},
        {QString::fromUtf8("\u201Ccurly\u201D"), "semi;colon", "colon:here"},
        {"\"", "''", "\\"},
        {"last", "x", ""},
    };
    for (int d = 0; d < DelimitedText::DelimiterCount; ++d) {
        const QChar delimiter = DelimitedText::delimiterAt(d);
        SCOPED_TRACE(QString(delimiter).toStdString());
        QStringList lines;
        for (const QStringList &record : records) {
            QStringList cells;
            for (const QString &value : record)
                cells.append(DelimitedText::exportValue(value, delimiter));
            lines.append(cells.join(delimiter));
        }
        const QList<QStringList> read = DelimitedText::readRecords(lines.join(QStringLiteral("\r\n")), delimiter);
        ASSERT_EQ(read.size(), records.size());
        for (int i = 0; i < records.size(); ++i) {
            QStringList expected = records.at(i);
            // A quoted value followed by the line's last comma ends the line there; the empty
            // value it stood for is empty either way.
            QStringList got = read.at(i);
            while (got.size() < expected.size())
                got.append(QString());
            EXPECT_EQ(got, expected) << "record " << i;
        }
    }
}

TEST(DelimitedText, FilesAreSplitIntoLinesWithEmptyLinesKept)
{
    const QString text = QStringLiteral("a,b\r\n\nc\rd") + QChar(0x2028) + QStringLiteral("e\n");
    const QList<QStringList> read = DelimitedText::readRecords(text, ',');
    ASSERT_EQ(read.size(), 5);
    EXPECT_EQ(read.at(0), QStringList({"a", "b"}));
    EXPECT_TRUE(read.at(1).isEmpty());
    EXPECT_EQ(read.at(2), QStringList({"c"}));
    EXPECT_EQ(read.at(3), QStringList({"d"}));
    EXPECT_EQ(read.at(4), QStringList({"e"}));
}

TEST(DelimitedText, TextIsUtf8OrMarkedUtf16)
{
    EXPECT_EQ(DelimitedText::decode(QByteArray("\xEF\xBB\xBFM\xC3\xBCller")), QString::fromUtf8("M\u00FCller"));
    QByteArray utf16("\xFF\xFE", 2);
    utf16 += QByteArray("A\0b\0", 4);
    EXPECT_EQ(DelimitedText::decode(utf16), QStringLiteral("Ab"));
    // Not UTF-8: read in the likely 8-bit encoding; bytes with a zero are no text.
    QString encoding;
    EXPECT_EQ(DelimitedText::decode(QByteArray("M\xFCller,J\xF6rg,Stra\xDF" "e 5,\x80 12,\x93hi\x94\n"), &encoding),
              QString::fromUtf8("M\u00FCller,J\u00F6rg,Stra\u00DFe 5,\u20AC 12,\u201Chi\u201D\n"));
    EXPECT_EQ(encoding, "windows-1252");
    EXPECT_FALSE(DelimitedText::decode(QByteArray("a,b\0c", 5)).has_value());
    EXPECT_EQ(DelimitedText::delimiterIndexForExtension("TAB"), 2);
    EXPECT_EQ(DelimitedText::delimiterIndexForExtension("csv"), 0);
    EXPECT_EQ(DelimitedText::delimiterTitles().size(), DelimitedText::DelimiterCount);
}

TEST(DelimitedText, TheFirstLineSuggestsTheDelimiter)
{
    EXPECT_EQ(DelimitedText::guessDelimiterIndex("Name;Stadt;PLZ\r\nA;B;C", 0), 4);
    EXPECT_EQ(DelimitedText::guessDelimiterIndex("\"Smith; Jones\",x\n", 0), 0);
    EXPECT_EQ(DelimitedText::guessDelimiterIndex("a\tb\tc\n", 0), 2);
    EXPECT_EQ(DelimitedText::guessDelimiterIndex("a,b;c\n", 4), 4);
    EXPECT_EQ(DelimitedText::guessDelimiterIndex("single\n", 2), 2);
}

TEST(DelimitedText, ASepLineNamesTheDelimiterAndIsNoRecord)
{
    struct Case
    {
        const char *text;
        int index;
        bool found;
        const char *rest;
    };
    const Case cases[] = {
        {"sep=;\r\na;b\r\n", 4, true, "a;b\r\n"},
        {"\"sep=,\"\na,b", 0, true, "a,b"},
        {"SEP=\t\nx", 2, true, "x"},
        {"sep=|\na|b", -1, true, "a|b"},
        {"sep=;", 4, true, ""},
        // Not a sep line: a record that starts so, or longer text.
        {"sep=;x\na", -1, false, "sep=;x\na"},
        {"separator,x\n", -1, false, "separator,x\n"},
        {"a,b\nsep=;\n", -1, false, "a,b\nsep=;\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        QString text = QString::fromUtf8(c.text);
        bool found = false;
        EXPECT_EQ(DelimitedText::takeDeclaredDelimiter(text, &found), c.index);
        EXPECT_EQ(found, c.found);
        EXPECT_EQ(text, QString::fromUtf8(c.rest));
    }
}

TEST(DelimitedText, AnUnclosedQuoteReadsItsLineUnquotedAndKeepsTheRest)
{
    struct Case
    {
        const char *text;
        QList<QStringList> records;
        QList<int> lines;
    };
    const Case cases[] = {
        {"a,\"b\nc,d\n", {{"a", "b"}, {"c", "d"}}, {1}},
        {"x\r\na,\"b,c\r\nd,\"e, f\"\r\n", {{"x"}, {"a", "b", "c"}, {"d", "e, f"}}, {2}},
        // A value over two lines that closes before a delimiter is a value, not a fault.
        {"a,\"b\nc\",d\n", {{"a", "b\nc", "d"}}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        QList<int> lines;
        EXPECT_EQ(DelimitedText::readRecords(QString::fromUtf8(c.text), ',', &lines), c.records);
        EXPECT_EQ(lines, c.lines);
    }
}
