#pragma once
// An xlsx workbook read for the import wizard: its worksheets, and one worksheet turned into
// rows of text values, each value in the column its cell reference names, with shared strings
// resolved and dates, currency and percentages formatted by the cell's number format.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "database/exchange/excelSheet.h"

namespace quillmark {

class ZipArchive;

class ExcelWorkbook
{
public:
    // At most this many values are kept for one worksheet (empty cells between values count).
    static constexpr qint64 MaximumCells = 50'000'000;
    // Columns A to XFD.
    static constexpr int MaximumColumns = 16384;

    ExcelWorkbook();
    ~ExcelWorkbook();
    ExcelWorkbook(const ExcelWorkbook &) = delete;
    ExcelWorkbook &operator=(const ExcelWorkbook &) = delete;

    // Reads the workbook's list of sheets; false with errorMessage() when it is not a workbook.
    bool open(const QString &path);
    const QList<excelSheet> &sheets() const { return _sheets; }
    // Loads the sheet at that position of sheets(); false with errorMessage() when it cannot
    // be read, which leaves no rows.
    bool loadSheet(int index);
    const QList<QStringList> &rows() const { return _rows; }
    // The number of columns, up to the last one holding a value.
    int columnCount() const { return _columnCount; }
    QString errorMessage() const { return _error; }
    bool usesDate1904() const { return _date1904; }

    // ---- cell references ----
    // "A" 0, "Z" 25, "AA" 26; -1 for anything else.
    static int columnIndex(const QString &letters);
    static QString columnName(int index);

    // ---- number formats ----
    static bool isNumber(const QString &text);
    static bool isDate(const QString &code);
    static bool isCurrency(const QString &code);
    static bool isPercent(const QString &code);
    // The date pattern of a workbook date code ("mm-dd-yy" gives "MM-dd-yy").
    static QString datePattern(const QString &code);
    // The number pattern of a currency code ("[$€-407]#,##0.00" gives "€#,##0.00").
    static QString currencyPattern(const QString &code);
    // A serial day number with its time of day, formatted by the date code; null when the
    // text is not a number.
    static QString formatDate(const QString &serial, const QString &code, bool date1904 = false);
    static QString formatNumber(double value, const QString &pattern);
    // A styled numeric cell's text: as a date, currency or percentage when its code is one,
    // else the stored text unchanged.
    QString formatCell(const QString &value, const QString &code) const;

    // The format code of a cell style; null when the style has none.
    QString checkStyle(int styleIndex) const;
    // The shared string at that index; null past the end.
    QString sharedString(int index) const;

private:
    bool readPart(const QString &name, QByteArray &data);
    void readStyles();
    void readSharedStrings();
    QString sheetPart(int index) const;

    ZipArchive *_zip;
    QList<excelSheet> _sheets;
    QList<QStringList> _rows;
    QStringList _sharedStrings;
    bool _sharedStringsRead = false;
    bool _sharedStringTooLong = false;
    QHash<QString, QString> _customFormats;
    QList<QString> _styleFormatIds;
    bool _date1904 = false;
    int _columnCount = 0;
    QString _error;
};

} // namespace quillmark
