#include "database/window/DatabaseFieldsView.h"

#include "database/window/PreferencesDatabasePanel.h"

#include "database/window/CImageView.h"
#include "database/window/DBPropertiesView.h"
#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/window/DatabasesListModel.h"
#include "database/store/MergeContents.h"
#include "database/window/RecordBrowserModel.h"
#include "database/window/RecordTextField.h"
#include "database/store/Utils.h"
#include "foundation/Language.h"
#include "platform/LocalNumber.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTextDocument>
#include <QTimeZone>

namespace quillmark {

namespace {

// The form's columns: the titles' least width, and where the groups start after the fields.
constexpr int LabelColumnWidth = 140;
constexpr int GroupsOffset = 420;
// A value field's width where the view has room for it, and the least it narrows to.
constexpr int FieldWidth = 400;
constexpr int LeastFieldWidth = 160;
constexpr int GroupWidth = 150;
// Kept free at the right of the form.
constexpr int Margin = 10;

const char *const kTagProperty = "tag";

int tagOf(const QWidget *widget)
{
    return widget->property(kTagProperty).toInt();
}

// The value a date picker holds for a record without a date.
const QDateTime EmptyDate(QDate(1752, 9, 14), QTime(0, 0));

bool valueIsEmpty(const QVariant &value)
{
    return !value.isValid() || value.isNull() || (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty());
}

QDateTime nowWithoutSeconds()
{
    const QDateTime now = QDateTime::currentDateTime();
    return QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()));
}

// A year of two digits as spreadsheets read it: 00 to 29 in this century, the rest in the last.
int fullYear(int year, qsizetype digits)
{
    if (digits > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

// Dates as imported files and other programs write them: "12/31/2023", "31.12.2023",
// "2023/12/31", "01-15-20", "January 15, 2020", "15 Jan 2020", each with a time or not.
std::optional<QDateTime> parseCommonDate(const QString &text)
{
    static const QRegularExpression numeric(QStringLiteral(
        R"(^(\d{1,4})([./-])(\d{1,2})\2(\d{1,4})(?:[ T,]+(\d{1,2}):(\d{2})(?::(\d{2}))?\s*([AaPp]\.?[Mm]\.?)?)?$)"));
    QDate date;
    QTime time(0, 0);
    const QRegularExpressionMatch m = numeric.match(text);
    if (m.hasMatch()) {
        const int a = m.captured(1).toInt();
        const int b = m.captured(3).toInt();
        const int c = m.captured(4).toInt();
        if (m.captured(1).size() >= 3) {
            date = QDate(a, b, c);
        } else {
            const int year = fullYear(c, m.captured(4).size());
            // Day first with points, and where the locale writes it so, unless that cannot be.
            const bool localeDayFirst = QLocale().dateFormat(QLocale::ShortFormat).trimmed().startsWith(QLatin1Char('d'));
            bool dayFirst = m.captured(2) == QLatin1String(".") || localeDayFirst;
            if (a > 12)
                dayFirst = true;
            else if (b > 12)
                dayFirst = false;
            date = dayFirst ? QDate(year, b, a) : QDate(year, a, b);
        }
        if (!m.captured(5).isEmpty()) {
            int hour = m.captured(5).toInt();
            const QString half = m.captured(8).toLower();
            if (!half.isEmpty()) {
                if (hour < 1 || hour > 12)
                    return std::nullopt;
                hour = (hour % 12) + (half.startsWith(QLatin1Char('p')) ? 12 : 0);
            }
            time = QTime(hour, m.captured(6).toInt(), m.captured(7).toInt());
        }
    } else {
        // Month names, in English and in the user's language.
        static const char *const forms[] = {"MMMM d, yyyy", "MMM d, yyyy", "d MMMM yyyy", "d MMM yyyy", "dddd, MMMM d, yyyy",
                                            "ddd, MMM d, yyyy", "d. MMMM yyyy", "MMMM d yyyy", "d-MMM-yyyy", "d-MMM-yy"};
        for (const QLocale &locale : {QLocale::c(), QLocale()}) {
            for (const char *form : forms) {
                date = locale.toDate(text, QString::fromLatin1(form));
                if (date.isValid())
                    break;
            }
            if (date.isValid())
                break;
        }
        if (date.isValid() && date.year() < 100)
            date = date.addYears(fullYear(date.year(), 2) - date.year());
    }
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

// Stored dates are "yyyy-MM-dd HH:mm:ss +hhmm"; older files and imports hold other forms.
std::optional<QDateTime> parseDate(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDateTime && value.toDateTime().isValid())
        return value.toDateTime().toLocalTime();
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    static const QRegularExpression stored(
        QStringLiteral(R"(^(\d{4}-\d{2}-\d{2})[ T](\d{2}:\d{2}(?::\d{2})?)\s*(?:([+-])(\d{2}):?(\d{2})|Z)?$)"));
    const QRegularExpressionMatch m = stored.match(text);
    if (m.hasMatch()) {
        const QDate date = QDate::fromString(m.captured(1), Qt::ISODate);
        QTime time = QTime::fromString(m.captured(2), QStringLiteral("HH:mm:ss"));
        if (!time.isValid())
            time = QTime::fromString(m.captured(2), QStringLiteral("HH:mm"));
        if (!date.isValid() || !time.isValid())
            return std::nullopt;
        int offset = 0;
        if (!m.captured(3).isEmpty())
            offset = (m.captured(4).toInt() * 3600 + m.captured(5).toInt() * 60) * (m.captured(3) == QLatin1String("-") ? -1 : 1);
        return QDateTime(date, time, Qt::OffsetFromUTC, offset).toLocalTime();
    }
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid())
        return QDateTime(date, QTime(0, 0));
    return parseCommonDate(text);
}

// A date picker showing a stored text that is no date keeps that text as its value.
const char *const kStoredText = "storedText";
// A field of real numbers: shown and read with the user's decimal mark.
const char *const kRealField = "realField";

bool isGroupControl(const QWidget *widget, const QList<QCheckBox *> &groups)
{
    return groups.contains(qobject_cast<QCheckBox *>(const_cast<QWidget *>(widget)));
}

// A tool tip shows markup as markup; a title the user typed is shown as typed.
QString plainToolTip(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped());
}

// "&" in a button title marks a shortcut letter; a group title shows it as typed.
QString plainButtonTitle(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.typeId() == QMetaType::QByteArray || b.typeId() == QMetaType::QByteArray) {
        const QByteArray x = a.toByteArray();
        const QByteArray y = b.toByteArray();
        return a.typeId() == b.typeId() && x.isNull() == y.isNull() && x == y;
    }
    return a.toString() == b.toString();
}

} // namespace

DatabaseFieldsView::DatabaseFieldsView(QWidget *parent)
    : QWidget(parent),
      _browserModel(new RecordBrowserModel(this)),
      _dbListModel(new DatabasesListModel(this)),
      _ownUndoManager(new UndoManager(this)),
      _undoManager(_ownUndoManager)
{
    _dbListModel->renameRequested = [this](int row, const QString &name) {
        if (row == selectedDatabase())
            renameDatabase(name);
    };
}

DatabaseFieldsView::~DatabaseFieldsView()
{
    // Only the form and the store remain at this point: the record goes back without
    // touching the window's other controls.
    if (_database && _dirty && _formPk >= 0 && !_readOnly) {
        try {
            const QStringList columns = changedColumns();
            setRecordValues();
            _database->updateRecordValues(_formPk, columns);
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
}

void DatabaseFieldsView::setOutlets(const Outlets &outlets)
{
    _outlets = outlets;
    if (QTableView *browser = _outlets.browser) {
        browser->setModel(_browserModel);
        browser->setSelectionBehavior(QAbstractItemView::SelectRows);
        browser->setSelectionMode(QAbstractItemView::ExtendedSelection);
        browser->setEditTriggers(QAbstractItemView::NoEditTriggers);
        connect(browser->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            if (!_selectingByProgram)
                tableViewSelectionDidChange();
        });
        // A record that could not be read is read again when its row is pressed again (not
        // by the press that selected it).
        browser->viewport()->installEventFilter(this);
        connect(browser, &QAbstractItemView::pressed, this, [this](const QModelIndex &index) {
            if (_database && _formPk < 0 && _selectionChanges == _selectionChangesAtPress
                && selectedRows() == QList<int>{index.row()}) {
                loadRow(index.row());
                enableAllFields();
                enableButtons();
            }
        });
    }
    if (QTableView *list = _outlets.dbList) {
        list->setModel(_dbListModel);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            if (_selectingByProgram)
                return;
            const int row = selectedDatabase();
            if (row >= 0 && row < _dbListModel->array().size())
                setDatabasePath(_dbListModel->array().at(row));
        });
    }
    if (QComboBox *popup = _outlets.databasePopupMenu) {
        popup->setModel(_dbListModel);
        connect(popup, &QComboBox::activated, this, [this](int row) {
            if (row >= 0 && row < _dbListModel->array().size())
                setDatabasePath(_dbListModel->array().at(row));
        });
    }
    auto wire = [this](QAbstractButton *button, auto action) {
        if (button)
            connect(button, &QAbstractButton::clicked, this, action);
    };
    wire(_outlets.bnAddRecord, [this] { addRecord(); });
    wire(_outlets.bnAddCurrent, [this] { addRecord(true); });
    wire(_outlets.bnDelete, [this] { deleteRecord(); });
    wire(_outlets.bnUpdate, [this] { updateRecord(); });
    wire(_outlets.bnAddDb, [this] { addDatabase(); });
    wire(_outlets.bnDeleteDb, [this] { deleteDatabase(); });
    wire(_outlets.bnNavigatePrev, [this] { navigate(NavigatePrevious); });
    wire(_outlets.bnNavigateNext, [this] { navigate(NavigateNext); });
    wire(_outlets.bnNavigateFirst, [this] { navigate(NavigateFirst); });
    wire(_outlets.bnNavigateLast, [this] { navigate(NavigateLast); });
    refreshDatabasesList();
    enableButtons();
}

void DatabaseFieldsView::setUndoManager(UndoManager *undoManager)
{
    _undoManager = undoManager ? undoManager : _ownUndoManager;
}

UndoManager *DatabaseFieldsView::undoManager() const
{
    return _undoManager;
}

void DatabaseFieldsView::awakeFromNib()
{
    // With a contact store installed, the new Address Book is filled from it once it opens.
    ContactSource *contacts = ContactSource::system();
    if (Database::addAddressBook(contacts == nullptr) && contacts)
        _firstRunContactsPath = Database::pathForTitle(QStringLiteral("Address Book"));
    refreshDatabasesList();
    enableButtons();
    _dirty = false;
}

// ---------------------------------------------------------------- opening

bool DatabaseFieldsView::openDatabaseOfDocument(const QString &path)
{
    if (path.isEmpty())
        return false;
    if (_database && _database->path() == path)
        return true;
    if (!QFileInfo(path).isFile()) {
        reportError(translated(QStringLiteral("The database \u201c%@\u201d of this design cannot be found."))
                        .replace(QStringLiteral("%@"), QFileInfo(path).completeBaseName()),
                    translated(QStringLiteral("Its merge fields show their field names. The design was saved with %@."))
                        .replace(QStringLiteral("%@"), QDir::toNativeSeparators(path)));
        return false;
    }
    return setDatabasePath(path);
}

bool DatabaseFieldsView::setDatabasePath(const QString &path)
{
    if (_database && _database->path() == path)
        return false;
    if (!QFileInfo(path).isFile()) {
        selectDatabaseRow(_database ? _dbListModel->indexOfPath(_database->path()) : -1);
        return false;
    }
    // The record being edited belongs to the database being left; when it cannot be written
    // the editor stays with it, so that nothing typed is lost.
    if (!updateRecord()) {
        selectDatabaseRow(_database ? _dbListModel->indexOfPath(_database->path()) : -1);
        return false;
    }
    Database *previous = _database.get();
    QString error;
    std::unique_ptr<Database> opened = Database::openDatabaseAtPath(path, &error);
    if (!opened) {
        Database::setCurrentDatabase(previous);
        // The list and the pop-up go back to the database that is open, so that what they
        // show is what the database commands act on.
        selectDatabaseRow(_database ? _dbListModel->indexOfPath(_database->path()) : -1);
        reportError(translated(QStringLiteral("The database \u201c%@\u201d cannot be opened."))
                        .replace(QStringLiteral("%@"), QFileInfo(path).completeBaseName()),
                    error);
        return false;
    }
    if (_database)
        _database->closeDatabase();
    // Releasing the old instance clears the current database; the new one is made current after.
    _database.reset();
    _database = std::move(opened);
    Database::setCurrentDatabase(_database.get());
    _formPk = -1;
    _dirty = false;
    bool readOnly = false;
    try {
        readOnly = _database->isReadOnly();
    } catch (const DatabaseError &e) {
        qWarning("%s", qPrintable(e.message()));
    }
    _readOnly = readOnly;
    _browserModel->reload(nullptr);
    try {
        populate();
        reloadRows(false);
        selectRowSilently(-1);
        selectRow(0);
        if (_browserModel->rowCount() == 0)
            showNoRecord();
        const int row = _dbListModel->indexOfPath(path);
        if (row >= 0)
            selectDatabaseRow(row);
        enableButtons();
        if (_outlets.propertiesView)
            _outlets.propertiesView->setDatabaseChanged();
        update();
        MergeContents::postDatabaseChanged();
        UserDefaults::standard().setString(path, QStringLiteral("databasePath"));
        UserDefaults::standard().synchronize();
    } catch (const DatabaseError &e) {
        Database::setCurrentDatabase(_database.get());
        reportDatabaseError(e, false);
    }
    setReadOnly(_readOnly);
    if (_readOnly && !_readOnlyReported.contains(path)) {
        _readOnlyReported.append(path);
        reportError(translated(QStringLiteral("The database \u201c%@\u201d is read-only. Changes to it cannot be saved."))
                        .replace(QStringLiteral("%@"), _database->title()));
    }
    return true;
}

bool DatabaseFieldsView::releaseDatabase()
{
    if (!updateRecord())
        return false;
    _database.reset();
    _formPk = -1;
    _dirty = false;
    _readOnly = false;
    _browserModel->reload(nullptr);
    populate();
    enableButtons();
    updateNumbers();
    return true;
}

// ---------------------------------------------------------------- the form

QString DatabaseFieldsView::labelTextForField(int pk)
{
    if (!_database)
        return QString();
    const QString title = _database->fieldTitleByPK(pk);
    const QString own = _database->testAttributeForKey(_database->fieldIdByPK(pk));
    if (!own.isEmpty())
        return own;
    const QString translated = Language::stringForKey(title);
    return translated.isEmpty() ? title : translated;
}

void DatabaseFieldsView::updateFieldLabel(int pk)
{
    const QString title = labelTextForField(pk);
    for (QLabel *label : findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        if (tagOf(label) == pk + 1000)
            label->setText(title + QLatin1Char(':'));
    for (QWidget *control : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (control->property(kTagProperty).isValid() && tagOf(control) == pk && !qobject_cast<QLabel *>(control))
            control->setToolTip(plainToolTip(title));
}

void DatabaseFieldsView::populate()
{
    // What was typed and not yet written survives the rebuild of the form.
    const bool typing = _dirty;
    const QVariantMap typed = typing ? formValues() : QVariantMap();
    const qint64 typedGroups = typing ? formGroups() : 0;
    // The settings are read before anything is taken down: a file that cannot be read now
    // leaves the form as it was.
    qint32 fieldsToView = -1;
    QString orderText;
    QMap<int, QString> labels;
    if (_database) {
        fieldsToView = qint32(_database->attributeForKey(QStringLiteral("fieldsToView")).toLongLong());
        orderText = _database->attributeForKey(QStringLiteral("fieldsOrderArray"));
        for (const tableField &field : _database->fieldsStructure())
            labels.insert(field.pk, labelTextForField(field.pk));
    }
    qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
    _fieldLabels.clear();
    _groupsControls.clear();
    if (!_database) {
        updateViewSize();
        return;
    }
    const QList<tableField> &fields = _database->fieldsStructure();
    QList<int> listed;
    for (const tableField &field : fields)
        if (field.flags > 0)
            listed.append(field.pk);
    if (orderText.isEmpty() || orderText == QLatin1String("-1")) {
        QStringList order;
        for (int i = 0; i < fields.size(); ++i)
            order.append(QString::number(i));
        orderText = order.join(QLatin1Char(':'));
    }

    const QFont font = DBPropertiesView::propertiesFont();
    // The titles' column is as wide as the longest title of this language needs, so that no
    // title is cut; the fields and the groups move right with it.
    int labelWidth = LabelColumnWidth;
    const QFontMetrics metrics(font);
    for (const QString &text : std::as_const(labels))
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(text + QLatin1Char(':')) + 4);
    _fieldsLeft = 10 + labelWidth;
    int y = 10;
    for (const QString &part : orderText.split(QLatin1Char(':'))) {
        bool ok = false;
        const int index = part.toInt(&ok);
        if (!ok || index < 0 || index >= fields.size())
            continue;
        const tableField &field = fields.at(index);
        if (!(field.flags & 1))
            continue;
        const int position = int(listed.indexOf(field.pk));
        if (position >= 0 && position < 32 && !(fieldsToView & (qint32(1) << position)))
            continue;

        auto *label = new QLabel(labels.value(field.pk) + QLatin1Char(':'), this);
        label->setTextFormat(Qt::PlainText);
        label->setGeometry(10, y, labelWidth, 21);
        label->setFont(font);
        label->setProperty(kTagProperty, field.pk + 1000);
        if (field.flags > 0)
            _fieldLabels.append(label);

        QWidget *control = nullptr;
        int height = 22;
        int width = FieldWidth;
        switch (field.type) {
        case tableField::Integer:
        case tableField::Real: {
            auto *edit = new QLineEdit(this);
            if (field.type == tableField::Integer) {
                edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?\\d*")), edit));
            } else {
                // The user's decimal mark or a point; the number is read when the record is
                // written (setRecordValuesFromDictionary).
                edit->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[-+]?\\d*([.,]\\d*)?([eE][-+]?\\d*)?")), edit));
                edit->setProperty(kRealField, true);
            }
            control = edit;
            break;
        }
        case tableField::Date: {
            auto *picker = new QDateTimeEdit(nowWithoutSeconds(), this);
            picker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat) + QStringLiteral(" HH:mm"));
            // A record without a date shows none: its value is the picker's least, shown blank.
            picker->setMinimumDateTime(EmptyDate);
            picker->setSpecialValueText(QStringLiteral(" "));
            connect(picker, &QDateTimeEdit::dateTimeChanged, this, [this] { controlChanged(); });
            control = picker;
            break;
        }
        case tableField::Blob: {
            auto *well = new CImageView(this);
            // A picture put in or taken out is written at once, as a finished text edit is.
            connect(well, &CImageView::photoChanged, this, [this, well] {
                controlChanged();
                controlTextDidEndEditing(well);
            });
            control = well;
            width = height = 100;
            break;
        }
        default: {
            auto *text = new RecordTextField(this);
            connect(text, &RecordTextField::valueEdited, this, [this, text] {
                controlChanged();
                controlTextDidEndEditing(text);
            });
            control = text;
            break;
        }
        }
        if (auto *edit = qobject_cast<QLineEdit *>(control)) {
            connect(edit, &QLineEdit::textEdited, this, [this] { controlChanged(); });
            connect(edit, &QLineEdit::editingFinished, this, [this, edit] { controlTextDidEndEditing(edit); });
            edit->installEventFilter(this);
        }
        if (!qobject_cast<CImageView *>(control))
            control->setFont(font);
        control->setObjectName(field.dbtitle());
        control->setProperty(kTagProperty, field.pk);
        // The field's title as its label shows it: the user's own, else in the user's language.
        control->setToolTip(plainToolTip(labels.value(field.pk)));
        control->setGeometry(_fieldsLeft, y, width, height);
        y += 30 + (field.type == tableField::Blob ? 78 : 0);
    }
    populateGroups();
    resetFieldsOrder();
    updateValues();
    if (typing) {
        setFormValues(typed);
        for (int i = 0; i < _groupsControls.size() && i < 63; ++i)
            _groupsControls.at(i)->setChecked(typedGroups & (qint64(1) << i));
    }
    setReadOnly(_readOnly);
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->show();
}

void DatabaseFieldsView::populateGroups()
{
    qDeleteAll(_groupsControls);
    _groupsControls.clear();
    if (!_database)
        return;
    QStringList groups;
    try {
        groups = _database->groupsArray();
    } catch (const DatabaseError &e) {
        qWarning("%s", qPrintable(e.message()));
    }
    int y = 10;
    for (const QString &title : std::as_const(groups)) {
        auto *box = new QCheckBox(plainButtonTitle(title), this);
        box->setGeometry(_fieldsLeft + GroupsOffset, y, GroupWidth, 22);
        box->setToolTip(plainToolTip(title));
        box->setFont(DBPropertiesView::propertiesFont());
        connect(box, &QCheckBox::clicked, this, [this] { _dirty = true; });
        _groupsControls.append(box);
        box->show();
        y += 30;
    }
    enableAllFields();
    updateViewSize();
}

void DatabaseFieldsView::setViewWidth(int width)
{
    if (width == _viewWidth)
        return;
    _viewWidth = width;
    // The user keeps the place they scrolled to.
    fitSize();
}

int DatabaseFieldsView::layoutColumns()
{
    // The view never narrows past the titles and the least field: dragging its divider further
    // would cut the fields.
    const int least = _fieldsLeft + LeastFieldWidth + Margin;
    for (QWidget *parent = parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto *scroll = qobject_cast<QScrollArea *>(parent)) {
            if (scroll->widget() == this)
                scroll->setMinimumWidth(least + 2 * scroll->frameWidth() + scroll->verticalScrollBar()->sizeHint().width());
            break;
        }
    }
    const QList<QWidget *> controls = valueControls();
    // Unknown width: the fields at their full width, the groups beside them.
    int fieldWidth = FieldWidth;
    if (_viewWidth > 0)
        fieldWidth = std::clamp(_viewWidth - _fieldsLeft - Margin, LeastFieldWidth, FieldWidth);
    int fieldsBottom = 0;
    int right = _fieldsLeft + LeastFieldWidth + Margin;
    for (QWidget *control : controls) {
        // A photo keeps its square well.
        if (!qobject_cast<CImageView *>(control))
            control->setGeometry(control->x(), control->y(), fieldWidth, control->height());
        fieldsBottom = std::max(fieldsBottom, control->geometry().bottom() + 1);
        right = std::max(right, control->geometry().right() + 1 + Margin);
    }
    const int besideX = _fieldsLeft + fieldWidth + 20;
    const bool beside = _viewWidth <= 0 || besideX + GroupWidth + Margin <= _viewWidth;
    int y = beside ? 10 : fieldsBottom + 20;
    for (QCheckBox *box : std::as_const(_groupsControls)) {
        box->setGeometry(beside ? besideX : _fieldsLeft, y, GroupWidth, box->height());
        right = std::max(right, box->geometry().right() + 1 + Margin);
        y += 30;
    }
    return right;
}

void DatabaseFieldsView::groupsChanged()
{
    if (!_database)
        return;
    // Ticks not yet written stay ticked; otherwise the record is read again, since its
    // memberships may have been renumbered.
    const bool typing = _dirty;
    const qint64 ticked = formGroups();
    populateGroups();
    if (typing) {
        for (int i = 0; i < _groupsControls.size() && i < 63; ++i)
            _groupsControls.at(i)->setChecked(ticked & (qint64(1) << i));
    } else if (_formPk >= 0) {
        try {
            if (_database->initWithPrimaryKey(_formPk))
                updateValues();
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
            updateGroupValues();
        }
    }
    setReadOnly(_readOnly);
    updateViewSize();
}

void DatabaseFieldsView::setGroupTitle(int index, const QString &title)
{
    if (index < 0 || index >= _groupsControls.size())
        return;
    _groupsControls.at(index)->setText(plainButtonTitle(title));
    _groupsControls.at(index)->setToolTip(plainToolTip(title));
}

void DatabaseFieldsView::updateViewSize()
{
    fitSize();
    for (QWidget *parent = parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto *scroll = qobject_cast<QScrollArea *>(parent)) {
            scroll->ensureVisible(0, 0);
            break;
        }
    }
}

void DatabaseFieldsView::fitSize()
{
    const int contentWidth = layoutColumns();
    int top = height();
    int bottom = 0;
    const QList<QWidget *> children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (const QWidget *child : children) {
        top = std::min(top, child->geometry().top());
        bottom = std::max(bottom, child->geometry().top() + child->height());
    }
    const int content = children.isEmpty() ? 0 : bottom - top;
    int enclosing = 0;
    if (QWidget *parent = parentWidget())
        enclosing = parent->height();
    int newHeight = content;
    if (enclosing > content)
        newHeight = enclosing;
    else if (children.size() >= 2 && content != 0)
        newHeight = content + 30;
    resize(std::max(_viewWidth, contentWidth), newHeight);
}

QList<QWidget *> DatabaseFieldsView::valueControls() const
{
    QList<QWidget *> controls;
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!child->objectName().isEmpty() && !isGroupControl(child, _groupsControls))
            controls.append(child);
    return controls;
}

QWidget *DatabaseFieldsView::valueControlForPk(int pk) const
{
    for (QWidget *control : valueControls())
        if (tagOf(control) == pk)
            return control;
    return nullptr;
}

void DatabaseFieldsView::resetFieldsOrder()
{
    const QList<QWidget *> controls = valueControls();
    QList<QWidget *> chain;
    const QList<tableField> order = PreferencesDatabasePanel::storedOrder();
    if (order.isEmpty()) {
        chain = controls;
    } else {
        // The preferences' order; fields it leaves out are reached by a click only, and fields
        // it does not know follow in form order.
        QList<QWidget *> skipped;
        for (const tableField &entry : order) {
            QWidget *control = valueControlForPk(entry.pk);
            if (!control || chain.contains(control) || skipped.contains(control))
                continue;
            (entry.type == 0 ? skipped : chain).append(control);
        }
        for (QWidget *control : controls)
            if (!chain.contains(control) && !skipped.contains(control))
                chain.append(control);
        for (QWidget *control : controls)
            control->setFocusPolicy(skipped.contains(control) ? Qt::ClickFocus : Qt::StrongFocus);
    }
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}

QVariant DatabaseFieldsView::controlValue(const QWidget *control) const
{
    if (auto *well = qobject_cast<const CImageView *>(control))
        return well->data();
    if (auto *picker = qobject_cast<const QDateTimeEdit *>(control)) {
        if (picker->dateTime() == EmptyDate)
            return picker->property(kStoredText).toString().isEmpty() ? QVariant(QStringLiteral("")) : picker->property(kStoredText);
        return QVariant(Utils::databaseDescription(picker->dateTime()));
    }
    if (auto *text = qobject_cast<const RecordTextField *>(control))
        return text->value();
    if (auto *edit = qobject_cast<const QLineEdit *>(control))
        return edit->text();
    return {};
}

void DatabaseFieldsView::setControlValue(QWidget *control, const QVariant &value)
{
    if (auto *well = qobject_cast<CImageView *>(control)) {
        // A record without a photo must not show (and later store) the previous one's.
        well->setData(value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray());
    } else if (auto *picker = qobject_cast<QDateTimeEdit *>(control)) {
        // A text that is no date is shown as it is stored, never as a time it does not hold.
        const std::optional<QDateTime> date = valueIsEmpty(value) ? std::nullopt : parseDate(value);
        const QString stored = !date && !valueIsEmpty(value) ? value.toString().trimmed() : QString();
        picker->setProperty(kStoredText, stored);
        picker->setSpecialValueText(stored.isEmpty() ? QStringLiteral(" ") : stored);
        picker->setDateTime(date.value_or(EmptyDate));
    } else if (auto *text = qobject_cast<RecordTextField *>(control)) {
        text->setValue(value.isValid() ? value.toString() : QStringLiteral(""));
    } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        if (value.typeId() == QMetaType::Double)
            edit->setText(localNumber(value.toDouble(), 'g', 15));
        else
            edit->setText(value.isValid() ? value.toString() : QStringLiteral(""));
    }
}

void DatabaseFieldsView::updateValues()
{
    if (!_database)
        return;
    const QVariantMap &values = _database->fieldValues();
    const bool wasLoading = _loading;
    _loading = true;
    for (QWidget *control : valueControls())
        setControlValue(control, values.value(control->objectName()));
    _loading = wasLoading;
    updateGroupValues();
    // What each control shows now is the record as loaded: only what differs from it is
    // written back.
    _loadedForm = formValues();
    _loadedGroups = values.value(QStringLiteral("Groups")).toLongLong();
}

void DatabaseFieldsView::updateGroupValues()
{
    if (!_database)
        return;
    const qint64 groups = _database->fieldValues().value(QStringLiteral("Groups")).toLongLong();
    for (int i = 0; i < _groupsControls.size(); ++i)
        _groupsControls.at(i)->setChecked(i < 63 && (groups & (qint64(1) << i)));
}

QVariantMap DatabaseFieldsView::formValues() const
{
    QVariantMap values;
    for (QWidget *control : valueControls())
        values.insert(control->objectName(), controlValue(control));
    return values;
}

void DatabaseFieldsView::setFormValues(const QVariantMap &values)
{
    const bool wasLoading = _loading;
    _loading = true;
    for (QWidget *control : valueControls()) {
        const auto it = values.constFind(control->objectName());
        if (it != values.cend())
            setControlValue(control, it.value());
    }
    _loading = wasLoading;
}

qint64 DatabaseFieldsView::formGroups() const
{
    // Groups beyond the check boxes shown keep their bits.
    qint64 groups = _loadedGroups;
    for (int i = 0; i < _groupsControls.size() && i < 63; ++i) {
        const qint64 bit = qint64(1) << i;
        groups = _groupsControls.at(i)->isChecked() ? (groups | bit) : (groups & ~bit);
    }
    return groups;
}

QStringList DatabaseFieldsView::changedColumns() const
{
    QStringList columns;
    for (QWidget *control : valueControls()) {
        const QString key = control->objectName();
        if (!sameValue(controlValue(control), _loadedForm.value(key)))
            columns.append(key);
    }
    if (!_groupsControls.isEmpty() && formGroups() != _loadedGroups)
        columns.append(QStringLiteral("Groups"));
    return columns;
}

void DatabaseFieldsView::setRecordValuesFromDictionary(QVariantMap &values) const
{
    for (QWidget *control : valueControls()) {
        const QString key = control->objectName();
        if (auto *well = qobject_cast<CImageView *>(control)) {
            if (well->hasData())
                values.insert(key, well->data());
            continue;
        }
        const QString text = controlValue(control).toString();
        const QVariant existing = values.value(key);
        const int type = existing.typeId();
        if (control->property(kRealField).toBool() && !text.trimmed().isEmpty())
            values.insert(key, leadingLocalNumber(text));
        else if (type == QMetaType::Double || type == QMetaType::LongLong || type == QMetaType::Int)
            values.insert(key, QLocale::c().toDouble(text));
        else
            values.insert(key, text);
    }
    values.insert(QStringLiteral("Groups"), formGroups());
}

void DatabaseFieldsView::setRecordValues()
{
    if (_database)
        setRecordValuesFromDictionary(_database->fieldValues());
}

void DatabaseFieldsView::setDefaultRecordValues()
{
    if (!_database)
        return;
    QVariantMap &values = _database->fieldValues();
    values.clear();
    values.insert(QStringLiteral("Date"), QDateTime::currentDateTimeUtc());
    // The values a new record starts with, from the database preferences.
    for (const dbField &entry : PreferencesDatabasePanel::storedValues()) {
        const QString text = entry.value().toString();
        if (!text.isEmpty() && _database->fieldPkByTitle(entry.identifier()) >= 0)
            values.insert(entry.identifier(), text);
    }
    values.insert(QStringLiteral("Groups"), qint64(0));
}

void DatabaseFieldsView::activateFirstField()
{
    const QList<QWidget *> controls = valueControls();
    if (!controls.isEmpty())
        controls.first()->setFocus(Qt::OtherFocusReason);
}

void DatabaseFieldsView::setReadOnly(bool readOnly)
{
    _readOnly = readOnly;
    for (QWidget *control : valueControls()) {
        if (auto *text = qobject_cast<RecordTextField *>(control))
            text->setWritable(!readOnly);
        else if (auto *edit = qobject_cast<QLineEdit *>(control))
            edit->setReadOnly(readOnly);
        else if (auto *picker = qobject_cast<QDateTimeEdit *>(control))
            picker->setReadOnly(readOnly);
        else if (auto *well = qobject_cast<CImageView *>(control))
            well->setWritable(!readOnly);
    }
    enableAllFields();
    enableButtons();
}

bool DatabaseFieldsView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && _outlets.browser && watched == _outlets.browser->viewport())
        _selectionChangesAtPress = _selectionChanges;
    if (event->type() != QEvent::KeyPress || !qobject_cast<QLineEdit *>(watched))
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const int row = selectedRecordIndex();
    const int count = _browserModel->rowCount();
    int target = -1;
    if (key->key() == Qt::Key_Up && key->modifiers() == Qt::NoModifier)
        target = row - 1;
    else if (key->key() == Qt::Key_Down && key->modifiers() == Qt::NoModifier)
        target = row + 1;
    else if (key->key() == Qt::Key_Home && key->modifiers() == Qt::ControlModifier)
        target = 0;
    else if (key->key() == Qt::Key_End && key->modifiers() == Qt::ControlModifier)
        target = count - 1;
    else
        return QWidget::eventFilter(watched, event);
    if (row < 0 || target < 0 || target >= count)
        return QWidget::eventFilter(watched, event);
    selectRow(target);
    updateNumbers();
    return true;
}

void DatabaseFieldsView::controlChanged()
{
    if (!_loading)
        _dirty = true;
}

} // namespace quillmark
