#pragma once
// The import wizard: reads a delimited text file or one worksheet of a workbook, shows one
// sample record, maps every column of the file to a database field (or none), takes the range
// of records to import, and remembers the mapping made for a file in the database.
#include <QDialog>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

#include "database/exchange/ImportBound.h"
#include "database/exchange/ImportHeader.h"
#include "database/store/DatabaseOrder.h"

class QComboBox;
class QLabel;
class QSpinBox;
class QTableView;

namespace quillmark {

class Database;
class ExcelWorkbook;
class ImportMappingModel;

class NewImportDatabasePanel : public QDialog
{
    Q_OBJECT
public:
    // A text file larger than this is no address list.
    static constexpr qint64 MaximumFileSize = 256LL * 1024 * 1024;

    explicit NewImportDatabasePanel(QWidget *parent = nullptr);
    ~NewImportDatabasePanel() override;

    // Reads the file (a workbook when its extension is "xlsx") for the current database, aside
    // from the window with its progress shown; false, after saying why, when nothing could be
    // read from it or it holds no records, and false without a word when the user cancelled
    // the reading.
    bool setUp(const QString &path);

    // ---- what the wizard read ----
    bool isExcel() const { return _isExcel; }
    QString path() const { return _path; }
    // The records of the file: the lines of a text file or the rows of the chosen worksheet.
    const QList<QStringList> &rowsArray() const { return _rowsArray; }
    const QStringList &recordArray() const { return _recordArray; }
    int importFieldsCount() const { return _importFieldsCount; }
    const QList<DatabaseOrder> &fieldDataArray() const { return _fieldsDataArray; }
    QChar delimiter() const;

    // ---- the mapping: one entry per column, 0 none, k the k-th importable field ----
    const QList<int> &importArray() const { return _importArray; }
    // Chooses field `entry` for a column, as its pop-up does.
    void setImportEntry(int column, int entry);
    // First and last record, 1-based.
    int recordIndex() const;
    int recordTo() const;
    void setRange(int from, int to);
    // The pending database settings of the mapping, written by Import.
    const QMap<QString, QString> &attributes() const { return _attributes; }

    // What the import inserts: each mapped field once, and for every record of the range its
    // values in the same order (a field chosen for two columns takes the first non-empty one).
    QList<DatabaseOrder> importColumns() const;
    QList<QStringList> importRows() const;

    QComboBox *delimiterPopup() const { return _bnDelimiter; }
    QLabel *delimiterCaption() const { return _tfDelimeter; }
    QSpinBox *fromBox() const { return _spRecord; }
    QSpinBox *toBox() const { return _spTo; }
    // The mapping table: a row per column of the file (its name, the sample record's value,
    // the field chosen), read from the wizard as it is drawn.
    QTableView *table() const { return _tabImportOrder; }

    // A record names the columns: the import starts below it.
    bool hasHeader() const { return !_header.isEmpty(); }
    // The 0-based record that names the columns (after blank lines, the first that holds a
    // value); -1 without a header.
    int headerRow() const { return _headerRow; }

    // A value of the file as the mapping table shows it: a few hundred characters, elided,
    // for a value of megabytes takes seconds to lay out.
    static constexpr int ShownValueLength = 300;
    static QString shownValue(const QString &value);
    // What the file may bring into the database, by its size when it was read.
    const ImportBound &bound() const { return _bound; }

    // The encoded form of a mapping kept in the database ("importOrderArray").
    static QString encodeMapping(const QList<int> &mapping);
    static QList<int> decodeMapping(const QString &text);

private:
    // Takes the records read from a text file, and says which lines have a quote never closed.
    void takeRecords(QList<QStringList> rows, int columns, const QList<int> &unclosedQuoteLines);
    // Lets go of what was read from the previous file.
    void dropRead();
    // Whether any record from that one on holds a value.
    bool holdsValues(int from) const;
    static bool holdsValue(const QStringList &record);
    void defaultMapping();
    void readHeader();
    // From becomes the record below the header, when there is one.
    void startBelowHeader();
    // From set by the wizard, not chosen by the user.
    void setFromByProgram(int from);
    bool readRecord();
    bool readRecordAtIndex(int index);
    void initControls();
    void initDelimiter(const QString &extension);
    void changeDelimiter(int index);
    void selectSheet(int index);
    void rereadMapping();
    // The fields an import fills, as entries of the mapping, in the order of importColumns().
    QList<int> importEntries() const;
    // The column's value goes to the phone field its type names.
    bool routesByType(int column) const;
    void changeRecordNumber(int value);
    void changeToNumber(int value);
    void writeImportArray();
    void reloadTable();
    void accept() override;
    void sayError(const QString &message, const QString &informative);

    QComboBox *_bnDelimiter;
    QLabel *_tfDelimeter;
    QSpinBox *_spRecord;
    QSpinBox *_spTo;
    QTableView *_tabImportOrder;
    ImportMappingModel *_mappingModel;
    QList<int> _importArray;
    QStringList _recordArray;
    QString _text;
    QList<QStringList> _rowsArray;
    QString _path;
    QList<DatabaseOrder> _fieldsDataArray;
    QStringList _fieldTitles;
    std::unique_ptr<ExcelWorkbook> _workbook;
    bool _isExcel = false;
    int _importFieldsCount = 0;
    QMap<QString, QString> _attributes;
    ImportHeader::Plan _header;
    int _headerRow = -1;
    // The user chose the first record; the wizard no longer moves it.
    bool _fromChosen = false;
    bool _settingFrom = false;
    ImportBound _bound;
    // The delimiter the records were split at.
    int _shownDelimiter = 0;
};

} // namespace quillmark
