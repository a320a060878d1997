// Per-label numbering: counter values with padding, increments and repeats, and sequence files.
#include <gtest/gtest.h>

#include "common/TestSupport.h"

#include "barcodes/TSequence.h"

#include <QFile>

#include <string>
#include <vector>

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
    EXPECT_EQ(sequenceCounterValue(letters, 100), "A200");
    EXPECT_EQ(sequenceCounterValue(letters, 900), "A1000");
}

// A start that is not a number alone is a template: its number counts, the text around it
// stays, and nothing else pads the number but zeros.
TEST(Sequence, TextAroundTheStartsNumberStaysAsItIs)
{
    struct Case
    {
        std::string start;
        std::string increment;
        std::vector<std::string> labels; // labels 0, 1, 2 ...
    };
    const Case cases[] = {
        {"SN-0001", "1", {"SN-0001", "SN-0002", "SN-0003"}},
        {"12abc", "1", {"12abc", "13abc", "14abc"}},
        {"nan", "1", {"nan0", "nan1", "nan2"}},
        {"\xc3\xa9\xc3\xa9" "7", "1", {"\xc3\xa9\xc3\xa9" "7", "\xc3\xa9\xc3\xa9" "8", "\xc3\xa9\xc3\xa9" "9"}},
        {"v1.9", "1", {"v1.9", "v2.9", "v3.9"}},
        // A start with decimals keeps them.
        {"1.5", "1", {"1.5", "2.5", "3.5"}},
        {"1.5", "0.1", {"1.5", "1.6", "1.7"}},
        {"1.50", "0.25", {"1.50", "1.75", "2.00"}},
        {"1.5", "0.05", {"1.5", "1.6", "1.6"}},
        // A minus sign opens a number only at the start's beginning, and the width holds.
        {"-05", "1", {"-05", "-04", "-03"}},
        {"-05", "-1", {"-05", "-06", "-07"}},
        {"-5", "2", {"-5", "-3", "-1", "01"}},
        {" 7", "1", {" 7", " 8", " 9"}},
        {"+5", "1", {"+5", "+6", "+7"}},
    };
    for (const Case &c : cases) {
        const TSequence s = counter(c.start, c.increment);
        for (size_t n = 0; n < c.labels.size(); ++n)
            EXPECT_EQ(sequenceCounterValue(s, int64_t(n)), c.labels[n]) << c.start << " by " << c.increment << ", label " << n;
    }
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

// Starts of every length up to 36 digits, with and without leading zeros, counted up and down by
// increments of every size: each label's number is the start plus its increments, exactly, in the
// start's width. (Read as doubles, a start of 18 digits printed the same number six times.)
TEST(Sequence, DigitStartsOfAnyLengthCountExactly)
{
    using Wide = __int128;
    auto decimal = [](Wide v, size_t width) {
        const bool negative = v < 0;
        std::string digits;
        for (Wide m = negative ? -v : v; m > 0 || digits.empty(); m /= 10)
            digits.insert(digits.begin(), char('0' + int(m % 10)));
        std::string text = (negative ? "-" : "") + digits;
        if (text.size() < width)
            text.insert(negative ? 1 : 0, width - text.size(), '0');
        return text;
    };
    const std::string pattern = "918273645546372819";
    int checked = 0;
    for (size_t length = 1; length <= 36; ++length) {
        for (const bool zeros : {false, true}) {
            std::string start = (pattern + pattern).substr(0, length);
            if (zeros && length > 1)
                start.replace(0, length / 2, std::string(length / 2, '0'));
            Wide value = 0;
            for (char c : start)
                value = value * 10 + (c - '0');
            for (const int64_t increment : {int64_t(1), int64_t(-1), int64_t(7), int64_t(-1000000007), int64_t(999999999999)}) {
                const TSequence s = counter(start, std::to_string(increment));
                for (const int64_t label : {int64_t(0), int64_t(1), int64_t(2), int64_t(5), int64_t(12345)}) {
                    ++checked;
                    EXPECT_EQ(sequenceCounterValue(s, label), decimal(value + Wide(increment) * label, length))
                        << start << " by " << increment << ", label " << label;
                }
            }
        }
    }
    EXPECT_EQ(checked, 36 * 2 * 5 * 5);
    // Eighteen digits: six labels, six numbers.
    const TSequence eighteen = counter("123456789012345678");
    const std::vector<std::string> six = {"123456789012345678", "123456789012345679", "123456789012345680",
                                          "123456789012345681", "123456789012345682", "123456789012345683"};
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(sequenceCounterValue(eighteen, n), six[size_t(n)]);
    // Beyond what any integer holds.
    EXPECT_EQ(sequenceCounterValue(counter(std::string(60, '9')), 1), "1" + std::string(60, '0'));
    EXPECT_EQ(sequenceCounterValue(counter("1" + std::string(59, '0'), "-1"), 1), "0" + std::string(59, '9'));
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
