// Numbers typed into measure fields, read as the user writes them: the locale's decimal mark
// and grouping, the other habit's decimal mark where it groups nothing, an exponent, and a
// unit after the number converted into the field's; everything else refused with a reason.
#include <gtest/gtest.h>

#include <QLocale>

#include <cmath>

#include "foundation/TypedNumber.h"

using namespace quillmark;

namespace {

struct Case
{
    const char *text;
    const char *fieldUnit;
    QLocale::Language language;
    double expected; // NAN: refused
};

TEST(TypedNumber, ReadsTheLocalesMarksUnitsAndRefusesTheRest)
{
    const Case cases[] = {
        {"1,5", "cm", QLocale::German, 1.5},
        {"1.234,5", "cm", QLocale::German, 1234.5},
        {"1.5", "cm", QLocale::German, 1.5},        // one mark that groups nothing
        {"1.500", "cm", QLocale::German, 1500.0},   // a German thousand
        {"1,5", "cm", QLocale::English, 1.5},       // not 15
        {"1,234.5 pt", "pt", QLocale::English, 1234.5},
        {"12,34,5", "pt", QLocale::English, NAN},   // grouping out of place
        {"2 in", "cm", QLocale::English, 144.0 / 28.35},
        {"2in", "cm", QLocale::English, 144.0 / 28.35},
        {"2 inches", "pt", QLocale::English, 144.0},
        {"10 mm", "cm", QLocale::English, 1.0},
        {"1 pc", "pt", QLocale::English, 12.0},
        {"72 pt", "in", QLocale::English, 1.0},
        {"0.5 in", "mils", QLocale::English, 500.0},
        {"5.08 CM", "cm", QLocale::English, 5.08},
        {"1e9", "pt", QLocale::English, 1e9},
        {"-2.5e-1", "", QLocale::English, -0.25},
        {"  7  ", "", QLocale::English, 7.0},
        {"abc", "cm", QLocale::English, NAN},
        {"", "cm", QLocale::English, NAN},
        {"   ", "cm", QLocale::English, NAN},
        {"12abc", "cm", QLocale::English, NAN},
        {"2 ft", "cm", QLocale::English, NAN},
        {"2 cm", "", QLocale::English, NAN},        // a plain number takes no unit
        {"45 °", "°", QLocale::English, 45.0},      // but its own suffix
        {"1e999", "pt", QLocale::English, NAN},
        {"--1", "pt", QLocale::English, NAN},
        {".", "pt", QLocale::English, NAN},
        {".5", "pt", QLocale::English, 0.5},
    };
    for (const Case &c : cases) {
        const TypedNumber read = readTypedNumber(QString::fromUtf8(c.text), QString::fromUtf8(c.fieldUnit),
                                                 QLocale(c.language));
        SCOPED_TRACE(c.text);
        if (std::isnan(c.expected)) {
            EXPECT_FALSE(read.value.has_value()) << *read.value;
            EXPECT_FALSE(read.refusal.isEmpty()) << "a refusal says why";
        } else {
            ASSERT_TRUE(read.value.has_value()) << read.refusal.toStdString();
            EXPECT_NEAR(*read.value, c.expected, std::abs(c.expected) * 1e-12);
            EXPECT_TRUE(read.refusal.isEmpty());
        }
    }
}

TEST(TypedNumber, RefusalsNameWhatWasTyped)
{
    EXPECT_EQ(readTypedNumber(QStringLiteral("abc"), QStringLiteral("cm"), QLocale(QLocale::English)).refusal,
              QString::fromUtf8("\u201Cabc\u201D is not a number."));
    EXPECT_EQ(readTypedNumber(QString(), QStringLiteral("cm"), QLocale(QLocale::English)).refusal,
              QStringLiteral("Type a number."));
    EXPECT_TRUE(readTypedNumber(QStringLiteral("2 ft"), QStringLiteral("cm"), QLocale(QLocale::English))
                    .refusal.contains(QStringLiteral("in, cm, mm, pt or pc")));
    EXPECT_EQ(outOfRangeReason(QStringLiteral("0.1 mils"), QStringLiteral("100.0 mils")),
              QStringLiteral("Type a number from 0.1 mils to 100.0 mils."));
}

} // namespace
