// Per-label numbering: counter values with padding, increments and repeats, and sequence files.
#include <gtest/gtest.h>

#include "common/TestSupport.h"

#include "barcodes/TSequence.h"

#include <QFile>

using namespace quillmark;

namespace {

TSequence counter(const std::string &start, const std::string &increment = "1", int repeat = 1)
{
    TSequence s;
    s.isPresent = 1;
    s.counter = start;
    s.increment = increment;
    s.repeat = repeat;
    return s;
}

QString writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = qmtest::freshDir("sequence") + "/" + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

} // namespace

TEST(Sequence, CounterValues)
{
    TSequence s = counter("0001");
    s.prefix = "N-";
    s.postamble = "/A";
    EXPECT_EQ(sequenceCounterValue(s, 0), "N-0001/A");
    EXPECT_EQ(sequenceCounterValue(s, 9), "N-0010/A");
    EXPECT_EQ(sequenceCounterValue(s, 11), "N-0012/A");

    const TSequence threes = counter("1", "1", 3);
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(sequenceCounterValue(threes, n), "1");
    for (int n = 3; n < 6; ++n)
        EXPECT_EQ(sequenceCounterValue(threes, n), "2");

    // Halves round to even in the format.
    const TSequence halves = counter("1", "2.5");
    EXPECT_EQ(sequenceCounterValue(halves, 1), "4");
    EXPECT_EQ(sequenceCounterValue(halves, 3), "8");

    const TSequence letters = counter("A100");
    EXPECT_EQ(sequenceCounterValue(letters, 0), "A100");
    EXPECT_EQ(sequenceCounterValue(letters, 1), "A101");

    // The leading characters of the start value pad shorter numbers, whatever they are.
    EXPECT_EQ(sequenceCounterValue(counter("12abc"), 0), "12a12");
    EXPECT_EQ(sequenceCounterValue(counter("-5", "2"), 3), "-1");
    EXPECT_EQ(sequenceCounterValue(counter("nan"), 0), "na0");
    // Padding counts characters, not bytes.
    EXPECT_EQ(sequenceCounterValue(counter("\xc3\xa9\xc3\xa9" "7"), 1), "\xc3\xa9\xc3\xa9" "1");
}

TEST(Sequence, ANumberCountedDownIsPaddedWithZerosToTheStartsWidth)
{
    // The start's own leading digits in front of a shorter number would print another number.
    const TSequence down = counter("1000", "-1");
    EXPECT_EQ(sequenceCounterValue(down, 0), "1000");
    EXPECT_EQ(sequenceCounterValue(down, 1), "0999");
    EXPECT_EQ(sequenceCounterValue(down, 2), "0998");
    EXPECT_EQ(sequenceCounterValue(down, 991), "0009");
    const TSequence ten = counter("0010", "-1");
    EXPECT_EQ(sequenceCounterValue(ten, 1), "0009");
    EXPECT_EQ(sequenceCounterValue(ten, 10), "0000");
    // Past zero the sign leads and the digits keep the width.
    EXPECT_EQ(sequenceCounterValue(ten, 12), "-002");
    // Counting up past the start's width is not cut.
    EXPECT_EQ(sequenceCounterValue(counter("99"), 1), "100");
}

TEST(Sequence, RepeatBelowOneCountsAsOne)
{
    for (int repeat : {0, -3}) {
        const TSequence s = counter("7", "1", repeat);
        EXPECT_EQ(sequenceCounterValue(s, 0), "7");
        EXPECT_EQ(sequenceCounterValue(s, 2), "9");
    }
}

TEST(Sequence, NumberingOffOrWithoutStartKeepsTheData)
{
    TSequence off = counter("5");
    off.isPresent = 0;
    EXPECT_EQ(makeSeqBarData(off, 4, "typed"), "typed");
    TSequence empty = counter("");
    EXPECT_EQ(makeSeqBarData(empty, 4, "typed"), "typed");
    empty.isFile = 1;
    empty.path = "/nonexistent";
    EXPECT_EQ(makeSeqBarData(empty, 4, "typed"), "typed");
    TSequence five = counter("5");
    EXPECT_EQ(makeSeqBarData(five, 4, "typed"), "9");
}

TEST(Sequence, FileSplitting)
{
    EXPECT_EQ(splitSequenceData("7;8,,9"), (std::vector<std::string>{"7", "8", "", "9"}));
    EXPECT_EQ(splitSequenceData("a b\tc:d"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(splitSequenceData("one\r\ntwo\r\nthree\r\n"), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(splitSequenceData("one\ntwo\n\nthree"), (std::vector<std::string>{"one", "two", "", "three"}));
    EXPECT_EQ(splitSequenceData("old\rmac"), (std::vector<std::string>{"old", "mac"}));
    EXPECT_EQ(splitSequenceData(""), std::vector<std::string>{});
    EXPECT_EQ(splitSequenceData("\xc3\xa9t\xc3\xa9;\xff\xfe;ok"), (std::vector<std::string>{"\xc3\xa9t\xc3\xa9", "ok"}));
}

TEST(Sequence, FileNumberingByLabel)
{
    TSequence s = counter("1");
    s.isFile = 1;
    s.path = writeFile("values.txt", "7;8,,9");
    EXPECT_EQ(makeSeqBarData(s, 0, "typed"), "7");
    EXPECT_EQ(s.data.size(), 4u);
    EXPECT_EQ(makeSeqBarData(s, 2, "typed"), "");
    EXPECT_EQ(makeSeqBarData(s, 3, "typed"), "9");
    EXPECT_EQ(makeSeqBarData(s, 4, "typed"), std::nullopt);

    TSequence lines = counter("1");
    lines.isFile = 1;
    lines.path = writeFile("lines.txt", "A-1\r\nA-2\r\n");
    EXPECT_EQ(makeSeqBarData(lines, 1, ""), "A-2");
    EXPECT_EQ(lines.data.size(), 2u);
}

TEST(Sequence, UnreadableFileKeepsItsPathAndReportsTheFailure)
{
    TSequence s = counter("1");
    s.isFile = 1;
    s.path = qmtest::freshDir("sequence-missing") + "/gone.txt";
    const QString path = s.path;
    QString error;
    EXPECT_EQ(makeSeqBarData(s, 0, "typed", &error), std::nullopt);
    EXPECT_EQ(s.path, path);
    EXPECT_EQ(error, "Use the other file for barcode sequence instead of gone.txt");

    TSequence empty = counter("1");
    empty.isFile = 1;
    empty.path = writeFile("empty.txt", "");
    QString emptyError;
    EXPECT_FALSE(getseq_datafile(empty, &emptyError));
    EXPECT_EQ(emptyError, "Use the other file for barcode sequence instead of empty.txt");
    EXPECT_TRUE(empty.data.empty());
}
