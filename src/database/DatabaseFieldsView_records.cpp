// The record commands, the record browser, navigation, status texts and enabling of the
// database editor.
#include "database/DatabaseFieldsView.h"

#include "database/CImageView.h"
#include "database/DBPropertiesView.h"
#include "database/Database.h"
#include "database/DatabaseError.h"
#include "database/DatabasesListModel.h"
#include "database/MergeContents.h"
#include "database/RecordBrowserModel.h"
#include "foundation/Language.h"
#include "platform/Prompts.h"
#include "platform/UndoManager.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>

#include <algorithm>

namespace quillmark {

namespace {

QString translated(const QString &key)
{
    const QString text = Language::stringForKey(key);
    return text.isEmpty() ? key : text;
}

} // namespace

void DatabaseFieldsView::registerRecordUndo(std::function<void(DatabaseFieldsView &)> inverse, const QString &name)
{
    QPointer<DatabaseFieldsView> self(this);
    const QString path = _database->path();
    _undoManager->registerUndo([self, path, inverse] {
        // The window's undo stack outlives a switch of databases: a step of another database
        // does nothing to the one open now.
        if (self && self->_database && self->_database->path() == path)
            inverse(*self);
    });
    _undoManager->setActionName(name);
}

void DatabaseFieldsView::postRecordChanged()
{
    MergeContents::postRecordChanged();
}

void DatabaseFieldsView::reportError(const QString &message)
{
    qWarning("%s", qPrintable(message));
    Prompts::current().alert(window(), message, QString(), {Language::stringForKey(QStringLiteral("OK"))});
}

// ---------------------------------------------------------------- selection

QList<int> DatabaseFieldsView::selectedRows() const
{
    QList<int> rows;
    if (!_outlets.browser || !_outlets.browser->selectionModel())
        return rows;
    for (const QModelIndex &index : _outlets.browser->selectionModel()->selectedRows())
        if (index.row() >= 0 && index.row() < _browserModel->rowCount())
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int DatabaseFieldsView::selectedRecordIndex() const
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return -1;
    const int current = _outlets.browser->selectionModel()->currentIndex().row();
    return rows.contains(current) ? current : rows.last();
}

void DatabaseFieldsView::selectRowSilently(int row)
{
    if (!_outlets.browser)
        return;
    const bool was = _selectingByProgram;
    _selectingByProgram = true;
    QItemSelectionModel *selection = _outlets.browser->selectionModel();
    selection->clearSelection();
    if (row >= 0 && row < _browserModel->rowCount()) {
        const QModelIndex index = _browserModel->index(row, 0);
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        _outlets.browser->scrollTo(index);
    }
    _selectingByProgram = was;
}

void DatabaseFieldsView::selectRow(int row)
{
    selectRows(row >= 0 ? QList<int>{row} : QList<int>{});
}

void DatabaseFieldsView::selectRows(const QList<int> &rows)
{
    if (!_outlets.browser)
        return;
    QItemSelectionModel *selection = _outlets.browser->selectionModel();
    QItemSelection wanted;
    for (int row : rows)
        if (row >= 0 && row < _browserModel->rowCount())
            wanted.select(_browserModel->index(row, 0), _browserModel->index(row, 0));
    if (wanted.isEmpty()) {
        selection->clearSelection();
        return;
    }
    selection->select(wanted, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const bool was = _selectingByProgram;
    _selectingByProgram = true;
    selection->setCurrentIndex(_browserModel->index(rows.last(), 0), QItemSelectionModel::NoUpdate);
    _selectingByProgram = was;
    _outlets.browser->scrollTo(_browserModel->index(rows.last(), 0));
}

// Reads the browse list again; the rows selected before stay selected.
static void reloadKeepingSelection(RecordBrowserModel *model, Database *database, QTableView *browser,
                                   bool &selectingByProgram)
{
    QList<int> rows;
    int current = -1;
    if (browser && browser->selectionModel()) {
        for (const QModelIndex &index : browser->selectionModel()->selectedRows())
            rows.append(index.row());
        current = browser->selectionModel()->currentIndex().row();
    }
    const bool was = selectingByProgram;
    selectingByProgram = true;
    model->reload(database);
    if (browser && browser->selectionModel()) {
        QItemSelection keep;
        for (int row : std::as_const(rows))
            if (row < model->rowCount())
                keep.select(model->index(row, 0), model->index(row, 0));
        browser->selectionModel()->select(keep, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        if (current >= 0 && current < model->rowCount())
            browser->selectionModel()->setCurrentIndex(model->index(current, 0), QItemSelectionModel::NoUpdate);
    }
    selectingByProgram = was;
}

void DatabaseFieldsView::loadRow(int row)
{
    const qint64 pk = _browserModel->pkAtRow(row);
    if (!_database || pk < 0)
        return;
    _database->initWithPrimaryKey(pk);
    updateValues();
    _dirty = false;
}

void DatabaseFieldsView::tableViewSelectionDidChange()
{
    const QList<int> rows = selectedRows();
    try {
        if (rows.size() == 1) {
            const qint64 wanted = _browserModel->pkAtRow(rows.first());
            updateRecord();
            // Writing the record back can move rows when it changed a sort field.
            const int row = _database ? _database->indexInBrowserWithPK(wanted) : -1;
            if (row >= 0 && row != rows.first())
                selectRowSilently(row);
            loadRow(row >= 0 ? row : rows.first());
            postRecordChanged();
        } else if (rows.size() >= 2) {
            updateRecord();
            clearAllFields();
            // The form stands for no record now: nothing it shows may be written anywhere.
            if (_database)
                _database->fieldValues().remove(QStringLiteral("pk"));
            _dirty = false;
        }
    } catch (const DatabaseError &e) {
        reportError(e.message());
    }
    enableAllFields();
    updateNumbers();
    enableButtons();
}

void DatabaseFieldsView::selectRecordWithPk(qint64 pk)
{
    if (!_database)
        return;
    const int row = _database->indexInBrowserWithPK(pk);
    if (row >= 0)
        selectRowSilently(row);
    try {
        updateRecord();
        _database->initWithPrimaryKey(pk);
        updateValues();
        _dirty = false;
    } catch (const DatabaseError &e) {
        reportError(e.message());
    }
    enableAllFields();
    updateNumbers();
    enableButtons();
}

// ---------------------------------------------------------------- write-back

void DatabaseFieldsView::updateRecord()
{
    if (!_dirty || !_database)
        return;
    try {
        setRecordValues();
        const qint64 pk = _database->updateRecord();
        reloadKeepingSelection(_browserModel, _database.get(), _outlets.browser, _selectingByProgram);
        _dirty = false;
        _database->initWithPrimaryKey(pk);
        updateValues();
        postRecordChanged();
    } catch (const DatabaseError &e) {
        _dirty = false;
        reportError(e.message());
    }
}

void DatabaseFieldsView::controlTextDidEndEditing(QWidget *control)
{
    if (!_dirty || !_database || _loading)
        return;
    const int oldRow = selectedRecordIndex();
    const qint64 pk = _browserModel->pkAtRow(oldRow);
    updateRecord();
    if (oldRow < 0 || pk < 0)
        return;
    bool sortField = false;
    for (int number = 1; number <= 3; ++number)
        if (!control->objectName().isEmpty() && _database->sortField(number, true) == control->objectName())
            sortField = true;
    if (!sortField)
        return;
    const int newRow = _database->indexInBrowserWithPK(pk);
    if (newRow >= 0 && newRow != oldRow) {
        selectRowSilently(newRow);
        updateNumbers();
        enableButtons();
    }
}

// ---------------------------------------------------------------- record commands

void DatabaseFieldsView::addRecord(bool duplicateCurrent)
{
    if (!_database)
        return;
    try {
        if (!duplicateCurrent) {
            _dirty = true;
            updateRecord();
            clearAllFields();
            setDefaultRecordValues();
        }
        const qint64 pk = _database->insertRecord();
        if (pk == -1)
            return;
        _database->initWithPrimaryKey(pk);
        updateValues();
        _dirty = false;
        postRecordChanged();
        _database->refreshBrowser();
        _browserModel->reload(_database.get());
        selectRowSilently(_database->indexInBrowserWithPK(pk));
        enableAllFields();
        updateNumbers();
        enableButtons();
        registerRecordUndo([pk](DatabaseFieldsView &editor) { editor.deleteRecordByPk(pk, true); },
                           Language::stringForKey(QStringLiteral("Add Record")));
        activateFirstField();
    } catch (const DatabaseError &e) {
        reportError(e.message());
    }
}

void DatabaseFieldsView::duplicateRecord()
{
    if (!_database || selectedRows().size() != 1)
        return;
    try {
        updateRecord();
        const qint64 pk = _database->insertRecord();
        if (pk == -1)
            return;
        registerRecordUndo([pk](DatabaseFieldsView &editor) { editor.deleteRecordByPk(pk, true); },
                           localizedStringFromTable(QStringLiteral("Add Record"), QStringLiteral("UndoStrings")));
        _database->refreshBrowser();
        _browserModel->reload(_database.get());
        selectRowSilently(-1);
        selectRow(_database->indexInBrowserWithPK(pk));
    } catch (const DatabaseError &e) {
        reportError(e.message());
    }
}

bool DatabaseFieldsView::deleteRecord()
{
    const QList<int> rows = selectedRows();
    if (!_database || rows.isEmpty())
        return false;
    const int answer = Prompts::current().alert(
        window(), translated(QStringLiteral("Do you really want to delete selected record(s)?")), QString(),
        {translated(QStringLiteral("OK")), translated(QStringLiteral("Cancel"))});
    if (answer != Prompts::FirstButton)
        return false;
    QList<qint64> pks;
    for (int row : rows)
        pks.append(_browserModel->pkAtRow(row));
    const int first = rows.first();
    try {
        _undoManager->beginUndoGrouping();
        for (qint64 pk : std::as_const(pks))
            deleteRecordByPk(pk, false);
        _undoManager->endUndoGrouping();
        _dirty = false;
        _database->refreshBrowser();
        _browserModel->reload(_database.get());
        if (_browserModel->rowCount() > 0) {
            const int target = std::min(first <= 1 ? 0 : first - 1, _browserModel->rowCount() - 1);
            selectRowSilently(target);
            loadRow(target);
        } else {
            clearAllFields();
            _database->fieldValues().remove(QStringLiteral("pk"));
            _dirty = false;
        }
    } catch (const DatabaseError &e) {
        while (_undoManager->groupingLevel() > 0)
            _undoManager->endUndoGrouping();
        reportError(e.message());
    }
    postRecordChanged();
    enableAllFields();
    updateNumbers();
    enableButtons();
    return true;
}

void DatabaseFieldsView::deleteRecordByPk(qint64 pk, bool update)
{
    if (!_database)
        return;
    try {
        const int row = _database->indexInBrowserWithPK(pk);
        _database->initWithPrimaryKey(pk);
        const QVariantMap copy = _database->fieldValues();
        registerRecordUndo([copy](DatabaseFieldsView &editor) { editor.insertRecordWithFieldValues(copy); },
                           Language::stringForKey(QStringLiteral("Delete Record")));
        _database->deleteRecordByPrimaryKeys({pk});
        if (!update)
            return;
        _dirty = false;
        _database->refreshBrowser();
        _browserModel->reload(_database.get());
        if (_browserModel->rowCount() > 0) {
            const int target = std::clamp(row, 0, _browserModel->rowCount() - 1);
            selectRowSilently(target);
            loadRow(target);
        } else {
            clearAllFields();
            _database->fieldValues().remove(QStringLiteral("pk"));
            _dirty = false;
        }
        postRecordChanged();
    } catch (const DatabaseError &e) {
        reportError(e.message());
    }
    if (update) {
        enableAllFields();
        updateNumbers();
        enableButtons();
    }
}

void DatabaseFieldsView::insertRecordWithFieldValues(const QVariantMap &values)
{
    if (!_database)
        return;
    try {
        QVariantMap &current = _database->fieldValues();
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (it.value().isValid())
                current.insert(it.key(), it.value());
            else
                current.remove(it.key());
        }
        const qint64 pk = _database->insertRecord();
        if (pk == -1)
            return;
        _database->initWithPrimaryKey(pk);
        updateValues();
        _dirty = false;
        postRecordChanged();
        _database->refreshBrowser();
        _browserModel->reload(_database.get());
        selectRowSilently(_database->indexInBrowserWithPK(pk));
        enableAllFields();
        updateNumbers();
        enableButtons();
        registerRecordUndo([pk](DatabaseFieldsView &editor) { editor.deleteRecordByPk(pk, true); },
                           localizedStringFromTable(QStringLiteral("Add Record"), QStringLiteral("UndoStrings")));
    } catch (const DatabaseError &e) {
        reportError(e.message());
    }
}

void DatabaseFieldsView::clearAllFields()
{
    if (_database) {
        // The key stays, so what is typed into the cleared form goes back into this record.
        QVariantMap &values = _database->fieldValues();
        const QVariant pk = values.value(QStringLiteral("pk"));
        values.clear();
        if (pk.isValid())
            values.insert(QStringLiteral("pk"), pk);
    }
    const bool wasLoading = _loading;
    _loading = true;
    for (QWidget *control : valueControls()) {
        if (auto *well = qobject_cast<CImageView *>(control))
            well->setData(QByteArray());
        else if (auto *picker = qobject_cast<QDateTimeEdit *>(control))
            picker->setDateTime(QDateTime::currentDateTime());
        else if (auto *edit = qobject_cast<QLineEdit *>(control))
            edit->setText(QStringLiteral(""));
    }
    _loading = wasLoading;
    _dirty = true;
}

// ---------------------------------------------------------------- navigation

void DatabaseFieldsView::navigate(int tag)
{
    const int count = _browserModel->rowCount();
    if (count == 0 || !_outlets.browser)
        return;
    const int row = selectedRecordIndex();
    int target = 0;
    switch (tag) {
    case NavigatePrevious:
        target = std::max(row - 1, 0);
        break;
    case NavigateNext:
        target = row < 0 ? 0 : std::min(row + 1, count - 1);
        break;
    case NavigateLast:
        target = count - 1;
        break;
    default:
        target = 0;
        break;
    }
    if (selectedRows() != QList<int>{target})
        selectRow(target);
    _outlets.browser->scrollTo(_browserModel->index(target, 0));
    updateNumbers();
    emit recordNavigated();
}

// ---------------------------------------------------------------- browse list

void DatabaseFieldsView::setBrowseField(int pk)
{
    if (!_database)
        return;
    try {
        _database->setBrowseField(pk);
        reloadKeepingSelection(_browserModel, _database.get(), _outlets.browser, _selectingByProgram);
    } catch (const DatabaseError &e) {
        reportError(e.message());
    }
    if (_outlets.propertiesView)
        _outlets.propertiesView->refresh();
}

void DatabaseFieldsView::setSortField(int pk)
{
    if (!_database)
        return;
    const int oldRow = selectedRecordIndex();
    const qint64 selectedPk = _browserModel->pkAtRow(oldRow);
    try {
        _database->setSortField(pk, 1);
        reloadKeepingSelection(_browserModel, _database.get(), _outlets.browser, _selectingByProgram);
        if (_outlets.propertiesView)
            _outlets.propertiesView->refresh();
        if (selectedPk >= 0) {
            const int newRow = _database->indexInBrowserWithPK(selectedPk);
            if (newRow >= 0 && newRow != oldRow)
                selectRowSilently(newRow);
        }
    } catch (const DatabaseError &e) {
        reportError(e.message());
    }
    updateNumbers();
    enableButtons();
}

void DatabaseFieldsView::showAllRecords()
{
    if (!_database)
        return;
    try {
        _database->setAttributeForKey(QStringLiteral("groupsToView"), QString::number(Database::AllGroups));
        if (_outlets.propertiesView)
            _outlets.propertiesView->setDatabaseChanged();
        _database->setSearchString({});
    } catch (const DatabaseError &e) {
        reportError(e.message());
    }
    reloadBrowser();
}

void DatabaseFieldsView::reloadBrowser()
{
    if (!_database)
        return;
    _database->refreshBrowser();
    reloadKeepingSelection(_browserModel, _database.get(), _outlets.browser, _selectingByProgram);
    updateNumbers();
    updateValues();
    if (selectedRows().isEmpty())
        selectRow(0);
    postRecordChanged();
}

void DatabaseFieldsView::changeBrowserSelection()
{
    if (!_database)
        return;
    const int oldRow = selectedRecordIndex();
    const qint64 pk = _browserModel->pkAtRow(oldRow);
    _database->refreshBrowser();
    reloadKeepingSelection(_browserModel, _database.get(), _outlets.browser, _selectingByProgram);
    if (_outlets.propertiesView)
        _outlets.propertiesView->refresh();
    if (pk < 0)
        return;
    const int newRow = _database->indexInBrowserWithPK(pk);
    if (newRow == oldRow)
        return;
    if (newRow < 0) {
        updateRecord();
        clearAllFields();
        _database->fieldValues().remove(QStringLiteral("pk"));
        _dirty = false;
        selectRowSilently(-1);
    } else {
        selectRowSilently(newRow);
        loadRow(newRow);
    }
    postRecordChanged();
    enableAllFields();
    updateNumbers();
    enableButtons();
}

// ---------------------------------------------------------------- status and enabling

void DatabaseFieldsView::updateNumbers()
{
    const QList<int> rows = selectedRows();
    const int row = selectedRecordIndex();
    const int count = _browserModel->rowCount();
    if (_outlets.recordIndex)
        _outlets.recordIndex->setText(rows.size() <= 1 ? QString::number(row + 1) : QString());
    if (_outlets.filteredCount)
        _outlets.filteredCount->setText(QString::number(count));
    if (_outlets.totalCount) {
        int total = 0;
        try {
            total = _database ? _database->count() : 0;
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
        _outlets.totalCount->setText(QString::number(total));
    }
    if (_outlets.recordLabel)
        _outlets.recordLabel->setText(QStringLiteral("%1 %2 of %3")
                                          .arg(translated(QStringLiteral("Record")))
                                          .arg(row + 1)
                                          .arg(count));
}

void DatabaseFieldsView::enableButtons()
{
    const QList<int> rows = selectedRows();
    const int count = _browserModel->rowCount();
    auto enable = [](QAbstractButton *button, bool on) {
        if (button)
            button->setEnabled(on);
    };
    if (rows.size() == 1) {
        const int row = rows.first();
        const bool valid = row >= 0 && row < count;
        enable(_outlets.bnAddCurrent, valid);
        enable(_outlets.bnDelete, valid);
        enable(_outlets.bnUpdate, valid);
        enable(_outlets.bnNavigatePrev, count > 0 && row != 0);
        enable(_outlets.bnNavigateFirst, count > 0 && row != 0);
        enable(_outlets.bnNavigateNext, count > 0 && row != count - 1);
        enable(_outlets.bnNavigateLast, count > 0 && row != count - 1);
    } else {
        enable(_outlets.bnDelete, !rows.isEmpty());
        for (QAbstractButton *button : {_outlets.bnAddCurrent, _outlets.bnUpdate, _outlets.bnNavigatePrev,
                                        _outlets.bnNavigateNext, _outlets.bnNavigateFirst, _outlets.bnNavigateLast})
            enable(button, false);
    }
    enable(_outlets.bnDeleteDb, _database && _dbListModel->rowCount() >= 2);
    enable(_outlets.bnAddRecord, _database != nullptr);
}

bool DatabaseFieldsView::validateMenuItem(Command command) const
{
    switch (command) {
    case AddDatabase:
    case OpenDatabase:
        return true;
    case DeleteDatabase:
        return _database && _dbListModel->rowCount() >= 2;
    case SaveDatabaseAs:
    case AddRecord:
    case ShowAllRecords:
        return _database != nullptr;
    case DeleteRecord:
    case DuplicateRecord:
    case UpdateRecord:
    case ClearAllFields:
        return _database && selectedRecordIndex() >= 0;
    }
    return false;
}

void DatabaseFieldsView::enableAllFields()
{
    const QList<int> rows = selectedRows();
    const bool on = rows.size() == 1 && rows.first() < _browserModel->rowCount();
    for (QWidget *control : valueControls())
        control->setEnabled(on);
    for (QCheckBox *box : std::as_const(_groupsControls))
        box->setEnabled(on);
}

} // namespace quillmark
