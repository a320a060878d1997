#include <gtest/gtest.h>

#include <QLocale>
#include <cmath>
#include <limits>

#include "platform/Format.h"

using namespace quillmark;

TEST(Format, RectStrings)
{
    struct Row { QRectF rect; const char *text; };
    const Row rows[] = {
        {QRectF(10, 20.5, 100, 50), "{{10, 20.5}, {100, 50}}"},
        {QRectF(0, 0, 0, 0), "{{0, 0}, {0, 0}}"},
        {QRectF(-3.25, 1e-3, 612, 792), "{{-3.25, 0.001}, {612, 792}}"},
        {QRectF(1234567, 0.1, 2.54, 1e6), "{{1234567, 0.1}, {2.54, 1000000}}"},
        {QRectF(-0.0, 72.000001, 1, 1), "{{0, 72.000001}, {1, 1}}"},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(rectToString(row.rect), QString::fromLatin1(row.text));
        EXPECT_EQ(rectFromString(QString::fromLatin1(row.text)), row.rect) << row.text;
    }
}

TEST(Format, NumbersRoundTripExactly)
{
    for (double v : {0.1, 1.0 / 3.0, 123.456789012345, -72.125, 1e-7, 3e20}) {
        const QRectF r(v, -v, v * 2, 1);
        EXPECT_EQ(rectFromString(rectToString(r)), r) << rectToString(r).toStdString();
    }
    EXPECT_EQ(numberToString(std::numeric_limits<double>::quiet_NaN()), "0");
    EXPECT_EQ(numberToString(std::numeric_limits<double>::infinity()), "0");
}

TEST(Format, LenientRectReading)
{
    struct Row { const char *text; QRectF rect; };
    const Row rows[] = {
        {"{{1, 2}, {3}}", QRectF(1, 2, 3, 0)},
        {"{{1, 2}}", QRectF(1, 2, 0, 0)},
        {"  {{ -1.5 ,+2e1},{3.,.5}}", QRectF(-1.5, 20, 3, 0.5)},
        {"1 2 3 4 5", QRectF(1, 2, 3, 4)},
        {"{{a, b}, {c, d}}", QRectF()},
        {"", QRectF()},
        {"garbage -- . e", QRectF()},
        {"{{1e999, -1e999}, {1e-999, 2}}",
         QRectF(std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(), 0, 2)},
    };
    for (const Row &row : rows)
        EXPECT_EQ(rectFromString(QString::fromLatin1(row.text)), row.rect) << row.text;
    EXPECT_TRUE(rectFromString("nothing here").isNull());
}

TEST(Format, PointAndSizeStrings)
{
    EXPECT_EQ(pointToString(QPointF(10, -20.5)), "{10, -20.5}");
    EXPECT_EQ(pointFromString("{10, -20.5}"), QPointF(10, -20.5));
    EXPECT_EQ(pointFromString("{7}"), QPointF(7, 0));
    EXPECT_EQ(pointFromString("xyz"), QPointF(0, 0));
    EXPECT_EQ(sizeToString(QSizeF(8.5, 11)), "{8.5, 11}");
    EXPECT_EQ(sizeFromString("{8.5, 11}"), QSizeF(8.5, 11));
}

TEST(Format, CLocaleFormattingWhateverTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const char *savedC = std::setlocale(LC_NUMERIC, nullptr);
    const std::string savedCopy = savedC ? savedC : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");

    struct Row { double value; const char *text; };
    const Row rows[] = {
        {0, "0.00"}, {1.005, "1.00"}, {2.5, "2.50"}, {-3.14159, "-3.14"}, {1234567.891, "1234567.89"},
        {0.125, "0.12"}, {-0.001, "-0.00"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(fmt2(row.value), QString::fromLatin1(row.text)) << row.value;
    EXPECT_EQ(fmtInt(42), "42");
    EXPECT_EQ(fmtInt(-7), "-7");
    EXPECT_EQ(fmtInt(1234567), "1234567");
    EXPECT_EQ(rectToString(QRectF(1.5, 0, 0, 0)), "{{1.5, 0}, {0, 0}}");
    EXPECT_DOUBLE_EQ(leadingDouble("2.5"), 2.5);

    std::setlocale(LC_NUMERIC, savedCopy.c_str());
    QLocale::setDefault(saved);
}

TEST(Format, LeadingNumbers)
{
    struct Row { const char *text; double d; int i; };
    const Row rows[] = {
        {"12abc", 12, 12},
        {"abc", 0, 0},
        {"", 0, 0},
        {" -3.5x", -3.5, -3},
        {"\t+7", 7, 7},
        {"3.9", 3.9, 3},
        {".5", 0.5, 0},
        {"-.25e2pt", -25, 0},
        {"1e3", 1000, 1},
        {"1e", 1, 1},
        {"1e+", 1, 1},
        {"- 4", 0, 0},
        {"0x1A", 0, 0},
        {"007", 7, 7},
        {"5.", 5, 5},
        {"x12", 0, 0},
    };
    for (const Row &row : rows) {
        EXPECT_DOUBLE_EQ(leadingDouble(QString::fromLatin1(row.text)), row.d) << row.text;
        EXPECT_EQ(leadingInt(QString::fromLatin1(row.text)), row.i) << row.text;
    }
}

TEST(Format, HugeNumbersClamp)
{
    EXPECT_EQ(leadingInt("99999999999999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(leadingInt("-99999999999999999999"), std::numeric_limits<int>::min());
    EXPECT_EQ(leadingInt("2147483647"), 2147483647);
    EXPECT_EQ(leadingInt("2147483648"), std::numeric_limits<int>::max());
    EXPECT_EQ(leadingInt("-2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(leadingInt64("9223372036854775807"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(leadingInt64("-9223372036854775809"), std::numeric_limits<qint64>::min());
    EXPECT_EQ(leadingDouble("1e400"), std::numeric_limits<double>::max());
    EXPECT_EQ(leadingDouble("-1e99999999999999999999"), -std::numeric_limits<double>::max());
    EXPECT_EQ(leadingDouble("1e-400"), 0.0);
    EXPECT_EQ(leadingDouble("0.000e999"), 0.0);
    EXPECT_TRUE(std::isfinite(leadingDouble(QString(400, QLatin1Char('9')))));
}

TEST(Format, TruncateUtf8NeverSplitsACharacter)
{
    const QByteArray text = QString::fromUtf8("aé€😀").toUtf8(); // 1 + 2 + 3 + 4 bytes
    ASSERT_EQ(text.size(), 10);
    struct Row { int max; int expected; };
    const Row rows[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 3}, {5, 3}, {6, 6}, {7, 6},
                        {8, 6}, {9, 6}, {10, 10}, {50, 10}, {-1, 0}};
    for (const Row &row : rows) {
        const QByteArray cut = truncateUtf8(text, row.max);
        EXPECT_EQ(cut.size(), row.expected) << row.max;
        EXPECT_EQ(QString::fromUtf8(cut).toUtf8(), cut) << row.max;
    }
    // Malformed input is cut at the limit rather than searched without end.
    const QByteArray stray(8, char(0x80));
    EXPECT_EQ(truncateUtf8(stray, 5).size(), 5);
}
