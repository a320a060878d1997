#pragma once
// A workbook's number format code ("#,##0.00", "dd.mm.yyyy", "[$€-407]#,##0.00;[Red]\-[$€-407]#,##0.00")
// applied to a cell's number as spreadsheets apply it, so that an imported cell reads as it
// was shown:
// - up to four sections (positive; negative; zero; text), or sections chosen by conditions
//   such as [>=100];
// - codes are read without regard to case; m and mm stand for minutes after an hour or before
//   a second, elsewhere for the month;
// - locale and currency brackets ([$-409], [$€-407]) give the names of months and days and the
//   currency sign; colours ([Red]) mean nothing here; quoted text, backslash escapes, _ spaces
//   and * fills are text of the code;
// - digit placeholders 0 # ?, grouping, scaling commas, percent, exponents and fractions.
// Decimal and grouping signs are those of the user's locale, as a spreadsheet shows them.
#include <QList>
#include <QString>

namespace quillmark {

class NumberFormatCode
{
public:
    explicit NumberFormatCode(const QString &code);

    // The number as the code shows it, without the blanks that only align it; null when the
    // code cannot show it (a date before the workbook's first day, a code without sections).
    QString format(double value, bool date1904 = false) const;

    // What the section for positive numbers shows.
    bool isDate() const;
    bool isPercent() const;
    bool isCurrency() const;
    // "General" and the empty code leave a number as it is stored.
    bool isGeneral() const { return _general; }

    // A number as the "General" format shows it: up to fifteen significant digits.
    static QString general(double value);

    // The code's tokens, parsed once. Public so that file-local helpers can use them.
    struct Token
    {
        enum Kind {
            Literal,
            Digit,        // 0 # ?
            Point,        // the decimal point
            Comma,        // grouping or scaling
            Percent,
            Exponent,     // E+ E-
            Slash,        // a fraction's bar
            Denominator,  // a fixed denominator ("/8")
            TextValue,    // @
            GeneralValue, // "General" inside a code
            Year,
            MonthOrMinute,
            Month,
            Minute,
            Day,
            Hour,
            Second,
            SecondFraction,
            ElapsedHours,
            ElapsedMinutes,
            ElapsedSeconds,
            AmPm,
        };
        Kind kind = Literal;
        QString text;  // Literal: its text; Digit: the placeholder; AmPm: as written
        int count = 0; // letters of a date part, digits of a fraction of a second
    };

    struct Section
    {
        QList<Token> tokens;
        bool hasCondition = false;
        QString op; // < <= > >= = <>
        double operand = 0;
        QString locale; // ICU name from a [$-xxx] LCID; empty for the user's locale
        bool date = false;
        bool text = false;
        bool currency = false;
        bool percent = false;
    };

private:
    const Section *sectionFor(double value, bool *showMinus, bool *absolute) const;

    QList<Section> _sections;
    bool _general = false;
};

} // namespace quillmark
