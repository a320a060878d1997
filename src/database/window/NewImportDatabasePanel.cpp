#include "database/window/NewImportDatabasePanel.h"

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/exchange/DelimitedText.h"
#include "database/exchange/ExcelWorkbook.h"
#include "database/exchange/ImportHeader.h"
#include "database/window/ImportProgress.h"
#include "foundation/Language.h"
#include "platform/GuardedReader.h"
#include "platform/Prompts.h"
#include "platform/PropertyList.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QAbstractTableModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <tuple>
#include <utility>

namespace quillmark {

namespace {

// Rows of the mapping table whose pop-up shows at once, a screenful and more; further rows
// open it when clicked. Each costs a combo box laid out with the table.
constexpr int PersistentPopups = 40;

// The field pop-up of the mapping table: "none" and the importable fields.
class FieldPopupDelegate : public QStyledItemDelegate
{
public:
    FieldPopupDelegate(NewImportDatabasePanel *panel, const QStringList *titles)
        : QStyledItemDelegate(panel), m_panel(panel), m_titles(titles)
    {
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *popup = new QComboBox(parent);
        popup->setObjectName(QStringLiteral("fieldPopup"));
        popup->addItem(translated(QStringLiteral("none")));
        popup->addItems(*m_titles);
        // A choice counts as soon as it is made, not only when the editor closes.
        connect(popup, &QComboBox::activated, this, [this, popup] { emit const_cast<FieldPopupDelegate *>(this)->commitData(popup); });
        return popup;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *popup = static_cast<QComboBox *>(editor);
        const QSignalBlocker blocker(popup);
        popup->setCurrentIndex(qBound(0, m_panel->importArray().value(index.row()), int(m_titles->size())));
    }

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        m_panel->setImportEntry(index.row(), static_cast<QComboBox *>(editor)->currentIndex());
    }

private:
    NewImportDatabasePanel *m_panel;
    const QStringList *m_titles;
};

} // namespace

// The rows of the mapping table, read from the wizard as the view draws them: a file as wide
// as a spreadsheet costs the window the rows it shows, not one item per cell.
class ImportMappingModel : public QAbstractTableModel
{
public:
    explicit ImportMappingModel(NewImportDatabasePanel *panel, const QStringList *titles)
        : QAbstractTableModel(panel), m_panel(panel), m_titles(titles)
    {
    }

    // Takes the wizard's columns afresh.
    void reload(int rows, bool excel)
    {
        beginResetModel();
        m_rows = rows;
        m_excel = excel;
        endResetModel();
    }
    void entryChanged(int row) { emit dataChanged(index(row, 2), index(row, 2)); }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 3; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const int row = index.row();
        switch (index.column()) {
        case 0:
            return role == Qt::DisplayRole ? QVariant(m_excel ? ExcelWorkbook::columnName(row) : QString::number(row + 1)) : QVariant();
        case 1:
            return NewImportDatabasePanel::shownValue(m_panel->recordArray().value(row));
        default: {
            if (role != Qt::DisplayRole)
                return {};
            const int entry = m_panel->importArray().value(row);
            return entry == 0 ? translated(QStringLiteral("none")) : m_titles->value(entry - 1);
        }
        }
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return index.column() == 2 ? Qt::ItemIsEnabled | Qt::ItemIsEditable : Qt::ItemIsEnabled;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case 0:
            return translated(QStringLiteral("Column"));
        case 1:
            return translated(QStringLiteral("Sample Record"));
        default:
            return translated(QStringLiteral("Field"));
        }
    }

private:
    NewImportDatabasePanel *m_panel;
    const QStringList *m_titles;
    int m_rows = 0;
    bool m_excel = false;
};

NewImportDatabasePanel::NewImportDatabasePanel(QWidget *parent)
    : QDialog(parent),
      _bnDelimiter(new QComboBox(this)),
      _tfDelimeter(new QLabel(this)),
      _spRecord(new QSpinBox(this)),
      _spTo(new QSpinBox(this)),
      _tabImportOrder(new QTableView(this)),
      _mappingModel(new ImportMappingModel(this, &_fieldTitles))
{
    setObjectName(QStringLiteral("NewImportDatabasePanel"));
    setWindowTitle(translated(QStringLiteral("Import")));
    setWindowModality(Qt::WindowModal);
    _bnDelimiter->setObjectName(QStringLiteral("delimiter"));
    _spRecord->setObjectName(QStringLiteral("from"));
    _spTo->setObjectName(QStringLiteral("to"));
    _tabImportOrder->setObjectName(QStringLiteral("importOrder"));
    _tabImportOrder->setModel(_mappingModel);
    _tabImportOrder->verticalHeader()->hide();
    _tabImportOrder->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    _tabImportOrder->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    _tabImportOrder->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Fixed);
    _tabImportOrder->setColumnWidth(2, 200);
    _tabImportOrder->setSelectionMode(QAbstractItemView::NoSelection);
    _tabImportOrder->setEditTriggers(QAbstractItemView::AllEditTriggers);
    _tabImportOrder->setItemDelegateForColumn(2, new FieldPopupDelegate(this, &_fieldTitles));
    _tabImportOrder->setMinimumSize(520, 300);
    _spRecord->setMinimumWidth(90);
    _spTo->setMinimumWidth(90);

    auto *grid = new QGridLayout;
    grid->addWidget(_tfDelimeter, 0, 0);
    grid->addWidget(_bnDelimiter, 0, 1, 1, 3);
    grid->addWidget(new QLabel(translated(QStringLiteral("From:")), this), 1, 0);
    grid->addWidget(_spRecord, 1, 1);
    grid->addWidget(new QLabel(translated(QStringLiteral("To:")), this), 1, 2);
    grid->addWidget(_spTo, 1, 3);
    grid->setColumnStretch(4, 1);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *cancel = buttons->addButton(translated(QStringLiteral("Cancel")), QDialogButtonBox::RejectRole);
    QPushButton *ok = buttons->addButton(translated(QStringLiteral("Import")), QDialogButtonBox::AcceptRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    ok->setObjectName(QStringLiteral("import"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &NewImportDatabasePanel::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(_tabImportOrder, 1);
    layout->addWidget(buttons);
    resize(640, 480);

    connect(_bnDelimiter, &QComboBox::activated, this, [this](int index) {
        if (_isExcel)
            selectSheet(index);
        else
            changeDelimiter(index);
    });
    connect(_spRecord, &QSpinBox::valueChanged, this, &NewImportDatabasePanel::changeRecordNumber);
    connect(_spTo, &QSpinBox::valueChanged, this, &NewImportDatabasePanel::changeToNumber);
}

NewImportDatabasePanel::~NewImportDatabasePanel()
{
    // The table reads its rows from the wizard while it goes: it goes first.
    delete _tabImportOrder;
}

QString NewImportDatabasePanel::shownValue(const QString &value)
{
    if (value.size() <= ShownValueLength)
        return value;
    qsizetype cut = ShownValueLength;
    // Never half a character.
    if (value.at(cut - 1).isHighSurrogate())
        --cut;
    return value.left(cut) + QChar(0x2026);
}

QChar NewImportDatabasePanel::delimiter() const
{
    return DelimitedText::delimiterAt(_bnDelimiter->currentIndex());
}

void NewImportDatabasePanel::sayError(const QString &message, const QString &informative)
{
    Prompts::current().alert(this, message, informative, {translated(QStringLiteral("OK"))});
}

namespace {

// What reading a text file aside found; the window takes it over once the reading is done.
struct TextReading
{
    QString error;
    QString reason;
    QString text;
    int delimiter = -1;
    QList<QStringList> rows;
    QList<int> unclosed;
    int columns = 0;
};

// Splits the text into records within the file's bound, the share read from `from` to 1000.
void splitText(TextReading &read, QChar delimiter, const ImportBound &bound, ImportProgress::Aside &aside, int from)
{
    const qsizetype size = qMax<qsizetype>(1, read.text.size());
    const qint64 cells = bound.cellAllowance();
    read.rows = DelimitedText::readRecords(read.text, delimiter, &read.unclosed, [&](qsizetype position, qint64 fields) {
        aside.permille().store(from + int(qint64(1000 - from) * position / size), std::memory_order_relaxed);
        return !aside.cancelled() && fields <= cells;
    });
    if (aside.cancelled())
        return;
    qint64 fields = 0;
    read.columns = 0;
    for (const QStringList &row : std::as_const(read.rows)) {
        fields += qMax<qsizetype>(1, row.size());
        read.columns = int(qMin<qsizetype>(qMax<qsizetype>(read.columns, row.size()), INT_MAX));
    }
    read.error = bound.cellProblem(fields);
    if (read.error.isNull())
        read.error = bound.columnProblem(read.columns);
    if (!read.error.isNull())
        read.rows.clear();
}

// Reads, decodes and splits a text file; the delimiter is the one it names or suggests.
TextReading readTextFile(const QString &path, int delimiterIndex, const ImportBound &bound, ImportProgress::Aside &aside)
{
    TextReading read;
    const QString name = QFileInfo(path).fileName();
    // Any file the user chose: a FIFO or a device in its place is refused at once.
    GuardedReader::Refusal refusal = GuardedReader::Refusal::None;
    QString why;
    const std::unique_ptr<QFile> opened = GuardedReader::open(path, NewImportDatabasePanel::MaximumFileSize, &refusal, &why);
    if (!opened && refusal == GuardedReader::Refusal::TooLarge) {
        read.error = translated(QStringLiteral("The file \u201c%@\u201d is too large to import.")).replace(QLatin1String("%@"), name);
        return read;
    }
    if (!opened) {
        read.error = translated(QStringLiteral("The file \u201c%@\u201d cannot be read.")).replace(QLatin1String("%@"), name);
        read.reason = why;
        return read;
    }
    QFile &file = *opened;
    // Reading and decoding take the first tenth of the progress, splitting the rest.
    QByteArray bytes;
    bytes.reserve(file.size());
    while (!file.atEnd() && !aside.cancelled()) {
        const QByteArray chunk = file.read(1 << 20);
        if (chunk.isEmpty())
            break;
        bytes += chunk;
        aside.permille().store(int(50 * bytes.size() / qMax<qint64>(1, file.size())), std::memory_order_relaxed);
    }
    if (aside.cancelled())
        return read;
    if (file.error() != QFileDevice::NoError) {
        read.error = translated(QStringLiteral("The file \u201c%@\u201d cannot be read.")).replace(QLatin1String("%@"), name);
        read.reason = file.errorString();
        return read;
    }
    std::optional<QString> text = DelimitedText::decode(bytes);
    bytes = QByteArray();
    if (!text) {
        read.error = translated(QStringLiteral("The file \u201c%@\u201d is not text.")).replace(QLatin1String("%@"), name);
        return read;
    }
    read.text = std::move(*text);
    aside.permille().store(100, std::memory_order_relaxed);
    read.delimiter = DelimitedText::takeDeclaredDelimiter(read.text);
    // Spreadsheets of many locales separate with semicolons whatever the extension says.
    if (read.delimiter < 0)
        read.delimiter = DelimitedText::guessDelimiterIndex(read.text, delimiterIndex);
    splitText(read, DelimitedText::delimiterAt(read.delimiter), bound, aside, 100);
    return read;
}

} // namespace

void NewImportDatabasePanel::dropRead()
{
    // The records of the file read before go aside, where nothing waits for them.
    ImportProgress::releaseAside(std::make_tuple(std::exchange(_rowsArray, {}), std::exchange(_text, {}), std::move(_workbook)));
    _workbook.reset();
}

bool NewImportDatabasePanel::setUp(const QString &path)
{
    _attributes.clear();
    _importArray.clear();
    _recordArray.clear();
    dropRead();
    _header = ImportHeader::Plan();
    _headerRow = -1;
    _fromChosen = false;
    _importFieldsCount = 0;
    _path = path;
    _bound = ImportBound(path);
    _fieldsDataArray.clear();
    _fieldTitles.clear();
    Database *db = Database::currentDatabase();
    if (db) {
        for (const tableField &field : db->fieldsStructure())
            if (field.flags & 4)
                _fieldsDataArray.append(DatabaseOrder(1, field.type, field.title));
    }

    const QString name = QFileInfo(path).fileName();
    _bnDelimiter->clear();
    _isExcel = QFileInfo(path).suffix().compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0;
    _tfDelimeter->setText(translated(_isExcel ? QStringLiteral("Sheet:") : QStringLiteral("Delimiter:")));
    if (!_isExcel)
        initDelimiter(QFileInfo(path).suffix());

    // Everything that may wait (for the file, for a database another program holds) is read
    // aside, with the progress and its Cancel, while the window keeps answering.
    QStringList shownTitles;
    QString savedFile;
    QString savedMapping;
    const QList<DatabaseOrder> fields = _fieldsDataArray;
    auto readSettings = [&] {
        if (!db)
            return;
        for (const DatabaseOrder &field : fields) {
            QString shown;
            try {
                shown = db->testAttributeForKey(field.dbtitle());
            } catch (const DatabaseError &) {
                shown.clear();
            }
            shownTitles.append(shown);
        }
        try {
            savedFile = db->testAttributeForKey(QStringLiteral("importArrayFile"));
            savedMapping = db->testAttributeForKey(QStringLiteral("importOrderArray"));
        } catch (const DatabaseError &) {
            savedMapping.clear();
        }
    };
    QWidget *owner = parentWidget() ? parentWidget() : this;
    bool finished = false;
    if (_isExcel) {
        _workbook = std::make_unique<ExcelWorkbook>();
        ExcelWorkbook *book = _workbook.get();
        bool opened = false;
        bool loaded = false;
        // A workbook of a million rows takes seconds to read.
        finished = ImportProgress::runAside(owner, translated(QStringLiteral("Reading the workbook...")), [&](ImportProgress::Aside &aside) {
            readSettings();
            opened = book->open(path);
            if (opened && !book->sheets().isEmpty())
                loaded = book->loadSheet(0, &aside.cancel(), &aside.permille());
        });
        if (finished && (!opened || (!book->sheets().isEmpty() && !loaded)))
            sayError(book->errorMessage(), translated(QStringLiteral("Error reading Excel Workbook file")));
        if (!finished || !opened || (!book->sheets().isEmpty() && !loaded)) {
            _workbook.reset();
            initControls();
            reloadTable();
            return false;
        }
        for (const excelSheet &sheet : _workbook->sheets())
            _bnDelimiter->addItem(shownValue(sheet.name()), sheet.tag());
        _rowsArray = _workbook->rows();
        _importFieldsCount = _workbook->columnCount();
        initControls();
    } else {
        TextReading read;
        const int delimiterIndex = _bnDelimiter->currentIndex();
        const ImportBound bound = _bound;
        finished = ImportProgress::runAside(owner, translated(QStringLiteral("Reading the file...")), [&](ImportProgress::Aside &aside) {
            readSettings();
            read = readTextFile(path, delimiterIndex, bound, aside);
        });
        if (!finished || !read.error.isNull()) {
            if (finished)
                sayError(read.error, read.reason);
            initControls();
            reloadTable();
            return false;
        }
        _text = std::move(read.text);
        if (read.delimiter >= 0)
            _bnDelimiter->setCurrentIndex(read.delimiter);
        _shownDelimiter = _bnDelimiter->currentIndex();
        takeRecords(std::move(read.rows), read.columns, read.unclosed);
    }
    for (int k = 0; k < _fieldsDataArray.size(); ++k) {
        const QString shown = shownTitles.value(k);
        _fieldTitles.append(shown.isEmpty() ? translated(_fieldsDataArray.at(k).title()) : shown);
    }

    // A file of nothing but empty lines, or of column names alone, has nothing to import; a
    // workbook may have it on another sheet.
    const bool otherSheets = _isExcel && _bnDelimiter->count() > 1;
    if (!holdsValues(0) && !otherSheets) {
        sayError(translated(QStringLiteral("The file \u201c%@\u201d holds no records.")).replace(QLatin1String("%@"), name), QString());
        reloadTable();
        return false;
    }
    readHeader();
    if (hasHeader() && !holdsValues(_headerRow + 1) && !otherSheets) {
        sayError(translated(QStringLiteral("The file \u201c%@\u201d holds only the names of its columns, no records.")).replace(QLatin1String("%@"), name),
                 QString());
        reloadTable();
        return false;
    }

    if (savedFile == _path && !savedMapping.isEmpty()) {
        _importArray = decodeMapping(savedMapping);
        for (int &entry : _importArray)
            if (entry < 0 || entry > _fieldsDataArray.size())
                entry = 0;
    }
    // A first record that names the fields is a header: its columns go to the fields of those
    // names, and the import starts below it.
    if (hasHeader()) {
        if (_importArray.isEmpty())
            _importArray = _header.mapping;
        startBelowHeader();
    }
    defaultMapping();
    readRecord();
    reloadTable();
    return true;
}

bool NewImportDatabasePanel::holdsValue(const QStringList &record)
{
    return std::any_of(record.cbegin(), record.cend(), [](const QString &value) { return !value.trimmed().isEmpty(); });
}

bool NewImportDatabasePanel::holdsValues(int from) const
{
    for (qsizetype r = qMax(0, from); r < _rowsArray.size(); ++r)
        if (holdsValue(_rowsArray.at(r)))
            return true;
    return false;
}

void NewImportDatabasePanel::readHeader()
{
    _header = ImportHeader::Plan();
    _headerRow = -1;
    // A header may come after blank lines: the first record that holds a value is the one
    // that may name the columns.
    int first = 0;
    while (first < _rowsArray.size() && !holdsValue(_rowsArray.at(first)))
        ++first;
    if (first >= _rowsArray.size())
        return;
    // The records below the header tell whether it is one; a sample of them is enough.
    const QList<QStringList> below = _rowsArray.mid(first + 1, 200);
    if (!ImportHeader::readsAsHeader(_rowsArray.at(first), below, _fieldsDataArray, _fieldTitles))
        return;
    _header = ImportHeader::plan(_rowsArray.at(first), below.value(0), _fieldsDataArray, _fieldTitles);
    if (!_header.isEmpty())
        _headerRow = first;
}

void NewImportDatabasePanel::startBelowHeader()
{
    if (hasHeader() && _headerRow + 1 < _rowsArray.size())
        setFromByProgram(_headerRow + 2);
}

void NewImportDatabasePanel::setFromByProgram(int from)
{
    const bool was = _settingFrom;
    _settingFrom = true;
    _spRecord->setValue(from);
    _settingFrom = was;
}

void NewImportDatabasePanel::defaultMapping()
{
    // Columns without a mapping of their own go to the fields in order, unless a header named
    // the fields: then to none.
    const bool positional = !hasHeader() && _importArray.isEmpty();
    while (_importArray.size() < _importFieldsCount)
        _importArray.append(positional && _importArray.size() < _fieldsDataArray.size() ? int(_importArray.size()) + 1 : 0);
}

void NewImportDatabasePanel::initDelimiter(const QString &extension)
{
    for (const QString &title : DelimitedText::delimiterTitles())
        _bnDelimiter->addItem(translated(title));
    _bnDelimiter->setCurrentIndex(DelimitedText::delimiterIndexForExtension(extension));
}

void NewImportDatabasePanel::takeRecords(QList<QStringList> rows, int columns, const QList<int> &unclosed)
{
    // The records split at the delimiter before go aside, where nothing waits for them.
    ImportProgress::releaseAside(std::exchange(_rowsArray, std::move(rows)));
    _importFieldsCount = columns;
    initControls();
    if (unclosed.isEmpty())
        return;
    QStringList lines;
    for (int line : unclosed.mid(0, 10))
        lines.append(QString::number(line));
    if (unclosed.size() > 10)
        lines.append(QStringLiteral("\u2026"));
    sayError(translated(QStringLiteral("A quote opened on line %@ is never closed.")).replace(QLatin1String("%@"), lines.join(QStringLiteral(", "))),
             translated(QStringLiteral("The line is read as if it had no quotes; the records after it are kept.")));
}

void NewImportDatabasePanel::selectSheet(int index)
{
    if (!_workbook)
        return;
    _rowsArray.clear();
    _importFieldsCount = 0;
    if (_bnDelimiter->currentIndex() != index) {
        const QSignalBlocker blocker(_bnDelimiter);
        _bnDelimiter->setCurrentIndex(index);
    }
    ExcelWorkbook *book = _workbook.get();
    bool loaded = false;
    const bool finished = ImportProgress::runAside(this, translated(QStringLiteral("Reading the workbook...")),
                                                   [&](ImportProgress::Aside &aside) {
                                                       loaded = book->loadSheet(index, &aside.cancel(), &aside.permille());
                                                   });
    if (finished && !loaded)
        sayError(book->errorMessage(), translated(QStringLiteral("Error reading Excel Workbook file")));
    _rowsArray = book->rows();
    _importFieldsCount = book->columnCount();
    rereadMapping();
}

void NewImportDatabasePanel::rereadMapping()
{
    // The first record the user chose stays, whatever the records now read as.
    const int chosenFrom = _fromChosen ? _spRecord->value() : 0;
    initControls();
    // Until the user chose a field, the mapping follows what the records now are.
    if (_attributes.isEmpty()) {
        _importArray.clear();
        readHeader();
        if (hasHeader())
            _importArray = _header.mapping;
    }
    if (chosenFrom > 0)
        setFromByProgram(qMin(chosenFrom, _spRecord->maximum()));
    else if (_attributes.isEmpty())
        startBelowHeader();
    defaultMapping();
    readRecord();
    reloadTable();
}

void NewImportDatabasePanel::changeDelimiter(int index)
{
    // The same text split anew: a large file takes a moment, aside as its first reading did.
    TextReading read;
    read.text = std::move(_text);
    const ImportBound bound = _bound;
    const bool finished = ImportProgress::runAside(this, translated(QStringLiteral("Reading the file...")), [&](ImportProgress::Aside &aside) {
        splitText(read, DelimitedText::delimiterAt(index), bound, aside, 0);
    });
    _text = std::move(read.text);
    if (!finished) {
        // The records of the delimiter before stay, with it.
        const QSignalBlocker blocker(_bnDelimiter);
        _bnDelimiter->setCurrentIndex(_shownDelimiter);
        return;
    }
    if (!read.error.isNull()) {
        sayError(read.error, QString());
        read.rows.clear();
        read.columns = 0;
    }
    _shownDelimiter = index;
    takeRecords(std::move(read.rows), read.columns, {});
    rereadMapping();
}

void NewImportDatabasePanel::initControls()
{
    const int n = int(_rowsArray.size());
    const QSignalBlocker fromBlocker(_spRecord);
    const QSignalBlocker toBlocker(_spTo);
    _spRecord->setRange(n > 0 ? 1 : 0, n);
    _spRecord->setValue(n > 0 ? 1 : 0);
    _spTo->setRange(_spRecord->value(), n);
    _spTo->setValue(n);
}

int NewImportDatabasePanel::recordIndex() const
{
    return _spRecord->value();
}

int NewImportDatabasePanel::recordTo() const
{
    return _spTo->value();
}

void NewImportDatabasePanel::setRange(int from, int to)
{
    _spRecord->setValue(from);
    _spTo->setValue(to);
}

void NewImportDatabasePanel::changeRecordNumber(int value)
{
    // A first record the user chose is the user's, whatever the header read.
    if (!_settingFrom)
        _fromChosen = true;
    _spTo->setMinimum(value);
    if (readRecord())
        reloadTable();
}

void NewImportDatabasePanel::changeToNumber(int value)
{
    _spRecord->setMaximum(value);
}

bool NewImportDatabasePanel::readRecord()
{
    return readRecordAtIndex(_spRecord->value() - 1);
}

bool NewImportDatabasePanel::readRecordAtIndex(int index)
{
    if (index < 0 || index >= _rowsArray.size())
        return false;
    _recordArray = _rowsArray.at(index);
    return true;
}

void NewImportDatabasePanel::setImportEntry(int column, int entry)
{
    if (column < 0 || column >= _importFieldsCount || entry < 0 || entry > _fieldsDataArray.size())
        return;
    while (_importArray.size() <= column)
        _importArray.append(0);
    if (_importArray.at(column) == entry)
        return;
    _importArray[column] = entry;
    writeImportArray();
    _mappingModel->entryChanged(column);
}

void NewImportDatabasePanel::writeImportArray()
{
    _attributes.insert(QStringLiteral("importOrderArray"), encodeMapping(_importArray));
    _attributes.insert(QStringLiteral("importArrayFile"), _path);
}

void NewImportDatabasePanel::reloadTable()
{
    const int rows = _fieldsDataArray.isEmpty() ? 0 : _importFieldsCount;
    _mappingModel->reload(rows, _isExcel);
    // A screenful of pop-ups shows at once; further rows open theirs when clicked.
    for (int row = 0; row < rows && row < PersistentPopups; ++row)
        _tabImportOrder->openPersistentEditor(_mappingModel->index(row, 2));
    // Column names grow with their number: the widest is as long as the last, measured once
    // rather than on every row.
    const int length = rows == 0 ? 0 : int(_isExcel ? ExcelWorkbook::columnName(rows - 1).size() : QString::number(rows).size());
    const QString widest(length, _isExcel ? QLatin1Char('W') : QLatin1Char('8'));
    const QFontMetrics metrics(_tabImportOrder->font());
    _tabImportOrder->setColumnWidth(0, qMax(metrics.horizontalAdvance(widest),
                                            metrics.horizontalAdvance(_mappingModel->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString()))
                                           + 16);
}

void NewImportDatabasePanel::accept()
{
    if (Database *db = Database::currentDatabase()) {
        try {
            for (auto it = _attributes.cbegin(); it != _attributes.cend(); ++it)
                db->setAttributeForKey(it.key(), it.value());
        } catch (const DatabaseError &) {
            // The mapping is only remembered; the import itself says what went wrong.
        }
    }
    QDialog::accept();
}

bool NewImportDatabasePanel::routesByType(int column) const
{
    const int entry = _importArray.value(column);
    return entry > 0 && entry <= _fieldsDataArray.size() && _header.typeColumn.value(column, -1) >= 0
           && ImportHeader::isPhoneField(_fieldsDataArray.at(entry - 1).dbtitle());
}

QList<int> NewImportDatabasePanel::importEntries() const
{
    QList<int> entries;
    bool typed = false;
    for (int column = 0; column < _importFieldsCount && column < _importArray.size(); ++column) {
        const int entry = _importArray.at(column);
        if (entry <= 0 || entry > _fieldsDataArray.size())
            continue;
        if (!entries.contains(entry))
            entries.append(entry);
        typed = typed || routesByType(column);
    }
    // A typed phone may land in any phone field.
    if (typed)
        for (int k = 0; k < _fieldsDataArray.size(); ++k)
            if (ImportHeader::isPhoneField(_fieldsDataArray.at(k).dbtitle()) && !entries.contains(k + 1))
                entries.append(k + 1);
    return entries;
}

QList<DatabaseOrder> NewImportDatabasePanel::importColumns() const
{
    QList<DatabaseOrder> columns;
    for (int entry : importEntries())
        columns.append(_fieldsDataArray.at(entry - 1));
    return columns;
}

QList<QStringList> NewImportDatabasePanel::importRows() const
{
    const QList<int> entries = importEntries();
    QList<QStringList> rows;
    const int first = qMax(0, recordIndex() - 1);
    const int last = qMin(int(_rowsArray.size()), recordTo());
    if (entries.isEmpty() || first >= last)
        return rows;
    const int columns = qMin(_importFieldsCount, int(_importArray.size()));
    // Where each column's value goes, and the columns whose address has a stand-in.
    QList<int> position(columns, -1);
    QList<bool> withAlternate(columns, false);
    QList<bool> continuesLine(columns, false);
    bool alternates = false;
    for (int column = 0; column < columns; ++column) {
        const int entry = _importArray.at(column);
        if (entry <= 0 || entry > _fieldsDataArray.size())
            continue;
        position[column] = int(entries.indexOf(entry));
        withAlternate[column] = _header.alternate.value(column, -1) >= 0 && _header.mapping.value(column) == entry;
        const int first = _header.continues.value(column, -1);
        continuesLine[column] = first >= 0 && first < columns && _importArray.at(first) == entry;
        alternates = alternates || withAlternate.at(column);
    }
    rows.reserve(last - first);
    for (int r = first; r < last; ++r) {
        const QStringList &record = _rowsArray.at(r);
        // A record with none of the chosen address takes the other one whole.
        bool standIn = alternates;
        for (int column = 0; standIn && column < columns; ++column)
            if (withAlternate.at(column) && !record.value(column).isEmpty())
                standIn = false;
        QStringList values(entries.size());
        auto take = [&](int column) {
            int at = position.at(column);
            if (at < 0)
                return;
            QString value = record.value(standIn && withAlternate.at(column) ? _header.alternate.at(column) : column);
            if (value.isEmpty())
                return;
            if (routesByType(column)) {
                value = ImportHeader::firstValue(value);
                const QString field = ImportHeader::phoneFieldForType(record.value(_header.typeColumn.at(column)));
                for (int k = 0; !field.isNull() && k < _fieldsDataArray.size(); ++k)
                    if (_fieldsDataArray.at(k).dbtitle() == field)
                        at = int(entries.indexOf(k + 1));
            }
            // A field chosen for two columns takes the first value it is given.
            if (at >= 0 && values.at(at).isEmpty())
                values[at] = value;
            else if (at >= 0 && continuesLine.at(column))
                values[at] += QLatin1Char('\n') + value;
        };
        // A street's further lines join the field after its first line, whatever their order.
        for (int column = 0; column < columns; ++column)
            if (!continuesLine.at(column))
                take(column);
        for (int column = 0; column < columns; ++column)
            if (continuesLine.at(column))
                take(column);
        rows.append(values);
    }
    return rows;
}

QString NewImportDatabasePanel::encodeMapping(const QList<int> &mapping)
{
    QVariantList list;
    for (int entry : mapping)
        list.append(qint64(entry));
    return QString::fromLatin1(PropertyList::toData(list).toBase64());
}

QList<int> NewImportDatabasePanel::decodeMapping(const QString &text)
{
    const QVariant value = PropertyList::fromData(QByteArray::fromBase64(text.toLatin1()), nullptr, QMetaType::QVariantList);
    QList<int> mapping;
    for (const QVariant &entry : value.toList())
        mapping.append(int(qBound(qint64(0), entry.toLongLong(), qint64(1) << 20)));
    return mapping;
}

} // namespace quillmark
