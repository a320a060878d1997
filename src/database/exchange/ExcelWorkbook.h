#pragma once
// An xlsx workbook read for the import wizard: its worksheets, and one worksheet turned into
// rows of text values, each value in the column its cell reference names, with shared strings
// resolved and dates, currency and percentages formatted by the cell's number format.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

#include "database/exchange/ImportBound.h"
#include "database/exchange/excelSheet.h"

namespace quillmark {

class NumberFormatCode;
class ZipArchive;

class ExcelWorkbook
{
public:
    // Columns A to XFD.
    static constexpr int MaximumColumns = ImportBound::MaximumColumns;

    ExcelWorkbook();
    ~ExcelWorkbook();
    ExcelWorkbook(const ExcelWorkbook &) = delete;
    ExcelWorkbook &operator=(const ExcelWorkbook &) = delete;

    // Reads the workbook's list of sheets; false with errorMessage() when it is not a workbook.
    bool open(const QString &path);
    const QList<excelSheet> &sheets() const { return _sheets; }
    // Loads the sheet at that position of sheets(); false with errorMessage() when it cannot
    // be read, which leaves no rows. So does a sheet whose text or cells (the empty places
    // between values included) pass the bound of the workbook's file: a shared string is
    // written once and may be named by every cell. It may run on a thread of its own: `cancel` stops it
    // (false, no message) and `permille` follows how much of the sheet is read.
    bool loadSheet(int index, const std::atomic<bool> *cancel = nullptr, std::atomic<int> *permille = nullptr);
    bool wasCancelled() const { return _cancelled; }
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
    // A styled numeric cell's text as a spreadsheet shows it with that format code (in the
    // workbook's date system); the stored text where the code cannot show it.
    QString formatCell(const QString &value, const QString &code) const;
    QString formatCell(const QString &value, const NumberFormatCode &format) const;

    // The format code of a cell style; null when the style has none.
    QString checkStyle(int styleIndex) const;
    // The shared string at that index; null past the end.
    QString sharedString(int index) const;

private:
    bool readPart(const QString &name, QByteArray &data);
    // False when the styles part is there but damaged.
    bool readStyles();
    void readSharedStrings();
    QString sheetPart(int index) const;

    ZipArchive *_zip;
    QList<excelSheet> _sheets;
    QList<QStringList> _rows;
    QStringList _sharedStrings;
    bool _sharedStringsRead = false;
    bool _sharedStringTooLong = false;
    // Why the shared strings part, there but damaged, cannot be read; empty when it can.
    QString _sharedStringsDamage;
    QHash<QString, QString> _customFormats;
    QList<QString> _styleFormatIds;
    bool _date1904 = false;
    int _columnCount = 0;
    ImportBound _bound;
    bool _cancelled = false;
    QString _error;
};

} // namespace quillmark
