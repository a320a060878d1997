// The record commands, the record browser, navigation, status texts and enabling of the
// database editor.
#include "database/window/DatabaseFieldsView.h"

#include "database/window/CImageView.h"
#include "database/window/CategoriesPanel.h"
#include "database/window/FindView.h"
#include "database/window/DBPropertiesView.h"
#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/window/DatabasesListModel.h"
#include "database/store/MergeContents.h"
#include "database/window/RecordBrowserModel.h"
#include "database/window/RecordTextField.h"
#include "database/store/DatabaseUserAction.h"
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
#include <QSet>
#include <QTableView>

#include <algorithm>

namespace quillmark {

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

void DatabaseFieldsView::reportError(const QString &message, const QString &informative)
{
    qWarning("%s %s", qPrintable(message), qPrintable(informative));
    // One message per user action: the failures that follow the first are only logged.
    if (!DatabaseUserAction::claimMessage())
        return;
    DatabaseUserAction::beginAlert();
    Prompts::current().alert(window(), message, informative, {translated(QStringLiteral("OK"))});
    DatabaseUserAction::endAlert();
}

void DatabaseFieldsView::reportDatabaseError(const DatabaseError &error, bool writing)
{
    if (error.isReadOnly()) {
        const bool wasReadOnly = _readOnly;
        setReadOnly(true);
        const QString path = _database ? _database->path() : QString();
        qWarning("%s", qPrintable(error.message()));
        if (wasReadOnly || _readOnlyReported.contains(path))
            return;
        _readOnlyReported.append(path);
        reportError(translated(QStringLiteral("The database \u201c%@\u201d is read-only. Changes to it cannot be saved."))
                        .replace(QStringLiteral("%@"), _database ? _database->title() : QString()));
        return;
    }
    if (error.isBusy()) {
        reportError(translated(writing ? QStringLiteral("Another program is using the database. What you typed is kept "
                                                        "and saved when you try again.")
                                       : QStringLiteral("Another program is using the database. Try again in a moment.")),
                    error.message());
        return;
    }
    reportError(error.message());
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

int DatabaseFieldsView::rowOfPk(qint64 pk) const
{
    if (pk < 0)
        return -1;
    const QList<dbBrowseField> &rows = _browserModel->rows();
    for (int i = 0; i < rows.size(); ++i)
        if (rows.at(i).primaryKey() == pk)
            return i;
    return -1;
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

void DatabaseFieldsView::selectFormRow()
{
    selectRowSilently(rowOfPk(_formPk));
    enableAllFields();
    updateNumbers();
    enableButtons();
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

bool DatabaseFieldsView::reloadRows(bool keepSelection)
{
    QTableView *browser = _outlets.browser;
    // The selection is kept by the records' keys: after a sort, a find or a group choice
    // another record may sit at the row the selected one had.
    QList<qint64> keys;
    qint64 currentKey = -1;
    if (keepSelection && browser && browser->selectionModel()) {
        for (const QModelIndex &index : browser->selectionModel()->selectedRows())
            keys.append(_browserModel->pkAtRow(index.row()));
        currentKey = _browserModel->pkAtRow(browser->selectionModel()->currentIndex().row());
    }
    const bool was = _selectingByProgram;
    _selectingByProgram = true;
    bool ok = true;
    try {
        _browserModel->reload(_database.get());
    } catch (const DatabaseError &e) {
        ok = false;
        reportDatabaseError(e, false);
    }
    if (keepSelection && browser && browser->selectionModel()) {
        const QSet<qint64> wanted(keys.cbegin(), keys.cend());
        const QList<dbBrowseField> &rows = _browserModel->rows();
        QItemSelection keep;
        int current = -1;
        for (int row = 0; row < rows.size() && !wanted.isEmpty(); ++row) {
            const qint64 key = rows.at(row).primaryKey();
            if (!wanted.contains(key))
                continue;
            keep.select(_browserModel->index(row, 0), _browserModel->index(row, 0));
            if (key == currentKey || current < 0)
                current = row;
        }
        browser->selectionModel()->select(keep, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        if (current >= 0) {
            browser->selectionModel()->setCurrentIndex(_browserModel->index(current, 0), QItemSelectionModel::NoUpdate);
            browser->scrollTo(_browserModel->index(current, 0));
        }
    }
    _selectingByProgram = was;
    return ok;
}

void DatabaseFieldsView::showSelectedRecord()
{
    if (!_database)
        return;
    // Edits that could not be written stay with their record, which stays highlighted while
    // it is listed: they are never dropped for another record, nor written to one.
    if (_dirty && _formPk >= 0 && !updateRecord()) {
        selectFormRow();
        return;
    }
    QList<int> rows = selectedRows();
    if (rows.isEmpty() && _browserModel->rowCount() > 0) {
        // The record shown is no longer listed (or none was): the first listed one is shown.
        selectRowSilently(0);
        rows = {0};
    }
    if (rows.size() == 1) {
        const qint64 pk = _browserModel->pkAtRow(rows.first());
        if (pk != _formPk) {
            loadRecord(pk);
            postRecordChanged();
        }
    } else if (_formPk >= 0) {
        // Several records or none: the form stands for none of them.
        showNoRecord();
        postRecordChanged();
    }
    enableAllFields();
    updateNumbers();
    enableButtons();
}

void DatabaseFieldsView::showNoRecord()
{
    clearForm();
    _formPk = -1;
    _dirty = false;
    _loadedForm = formValues();
    _loadedGroups = 0;
    if (_database) {
        // Nothing shown may be taken for a record: merge fields and the document see none.
        _database->fieldValues().clear();
        _database->initFieldValues();
    }
}

bool DatabaseFieldsView::loadRecord(qint64 pk, bool reportMissing)
{
    if (!_database || pk < 0)
        return false;
    try {
        if (_database->initWithPrimaryKey(pk)) {
            _formPk = pk;
            updateValues();
            _dirty = false;
            return true;
        }
        // Another program deleted it since the list was read.
        showNoRecord();
        if (reportMissing)
            reportError(translated(QStringLiteral("The record is no longer in the database.")));
    } catch (const DatabaseError &e) {
        // The form shows no record rather than the one before under the new one's row, so
        // that no edit can reach the wrong record.
        showNoRecord();
        reportDatabaseError(e, false);
    }
    return false;
}

void DatabaseFieldsView::loadRow(int row)
{
    loadRecord(_browserModel->pkAtRow(row));
    postRecordChanged();
}

bool DatabaseFieldsView::writeBeforeLeaving()
{
    if (!_dirty || _formPk < 0)
        return updateRecord();
    // While the edits are written (and a failure is said) the browser shows the record they
    // belong to; the rows the user chose come back once they are written.
    QList<qint64> requested;
    for (int row : selectedRows())
        requested.append(_browserModel->pkAtRow(row));
    const qint64 current = _browserModel->pkAtRow(selectedRecordIndex());
    selectRowSilently(rowOfPk(_formPk));
    if (!updateRecord()) {
        selectFormRow();
        return false;
    }
    // Writing can move rows (a sort field was edited): the chosen records are found again.
    QList<int> rows;
    for (qint64 pk : std::as_const(requested))
        if (const int row = rowOfPk(pk); row >= 0 && row != rowOfPk(current))
            rows.append(row);
    if (rowOfPk(current) >= 0)
        rows.append(rowOfPk(current));
    const bool was = _selectingByProgram;
    _selectingByProgram = true;
    selectRows(rows);
    _selectingByProgram = was;
    return true;
}

void DatabaseFieldsView::tableViewSelectionDidChange()
{
    ++_selectionChanges;
    const QList<int> rows = selectedRows();
    if (rows.size() == 1) {
        const qint64 wanted = _browserModel->pkAtRow(rows.first());
        if (wanted != _formPk || _formPk < 0) {
            // What was typed goes to its own record first; when that cannot be written the
            // selection goes back to it, with the typed text still in the form.
            if (!writeBeforeLeaving())
                return;
            loadRecord(wanted);
            postRecordChanged();
        }
    } else if (rows.size() >= 2) {
        if (!writeBeforeLeaving())
            return;
        // The form stands for no record now: nothing it shows may be written anywhere.
        showNoRecord();
    }
    enableAllFields();
    updateNumbers();
    enableButtons();
}

void DatabaseFieldsView::selectRecordWithPk(qint64 pk)
{
    if (!_database)
        return;
    if (!updateRecord())
        return;
    const int before = selectedRecordIndex();
    const int row = rowOfPk(pk);
    if (row >= 0)
        selectRowSilently(row);
    // A design remembers the record it was saved with; when that record is gone (or the
    // design never showed one) the record shown before stays, without a word.
    if (!loadRecord(pk, false) && before >= 0 && before < _browserModel->rowCount()) {
        selectRowSilently(before);
        loadRecord(_browserModel->pkAtRow(before));
    }
    enableAllFields();
    updateNumbers();
    enableButtons();
}

// ---------------------------------------------------------------- write-back

bool DatabaseFieldsView::updateRecord()
{
    if (!_dirty || !_database)
        return true;
    if (_formPk < 0 || _readOnly) {
        // The form stands for no record, or the file cannot be written (which was said).
        _dirty = false;
        return true;
    }
    const QStringList columns = changedColumns();
    if (columns.isEmpty()) {
        _dirty = false;
        return true;
    }
    const qint64 pk = _formPk;
    const QVariantMap before = _database->fieldValues();
    try {
        setRecordValues();
        if (!_database->updateRecordValues(pk, columns)) {
            _dirty = false;
            reportError(translated(QStringLiteral("The record is no longer in the database.")));
            reloadRows(true);
            return true;
        }
    } catch (const DatabaseError &e) {
        // The store keeps the record as it was read; the form keeps what was typed.
        _database->fieldValues() = before;
        reportDatabaseError(e, true);
        if (e.isReadOnly())
            _dirty = false;
        return !_dirty;
    }
    _dirty = false;
    reloadRows(true);
    // The record as stored now: what the form shows is what the file holds.
    try {
        if (_database->initWithPrimaryKey(pk))
            updateValues();
    } catch (const DatabaseError &e) {
        qWarning("%s", qPrintable(e.message()));
        _loadedForm = formValues();
        _loadedGroups = formGroups();
    }
    postRecordChanged();
    // What was written can take the record out of the list (a group unticked, a found word
    // typed over): the form then shows what the list highlights.
    if (rowOfPk(pk) < 0)
        showSelectedRecord();
    return true;
}

void DatabaseFieldsView::controlTextDidEndEditing(QWidget *)
{
    if (!_dirty || !_database || _loading)
        return;
    // The selection follows the record to its new row when a sort field was edited.
    if (updateRecord()) {
        updateNumbers();
        enableButtons();
    }
}

// ---------------------------------------------------------------- record commands

void DatabaseFieldsView::addRecord(bool duplicateCurrent)
{
    if (!_database || _readOnly)
        return;
    if (!updateRecord())
        return;
    const qint64 pk = insertFilledRecord([&](QVariantMap &) {
        if (!duplicateCurrent)
            setDefaultRecordValues();
    });
    if (pk == -1)
        return;
    showAddedRecord(pk, Language::stringForKey(QStringLiteral("Add Record")));
    activateFirstField();
}

qint64 DatabaseFieldsView::insertFilledRecord(const std::function<void(QVariantMap &values)> &fill)
{
    const QVariantMap before = _database->fieldValues();
    try {
        fill(_database->fieldValues());
        return _database->insertRecord();
    } catch (const DatabaseError &e) {
        // Nothing was added: the form and the store stay with the record they show.
        _database->fieldValues() = before;
        reportDatabaseError(e, true);
        return -1;
    }
}

void DatabaseFieldsView::showAddedRecord(qint64 pk, const QString &undoName)
{
    loadRecord(pk);
    postRecordChanged();
    reloadRows(false);
    // A record the find or the group choice would hide could not be typed into: the list
    // shows every record again, so that the new one is the highlighted one.
    if (rowOfPk(pk) < 0 && showEveryRecord())
        reloadRows(false);
    selectRowSilently(rowOfPk(pk));
    enableAllFields();
    updateNumbers();
    enableButtons();
    registerRecordUndo([pk](DatabaseFieldsView &editor) { editor.deleteRecordByPk(pk, true); }, undoName);
}

void DatabaseFieldsView::duplicateRecord()
{
    if (!_database || _readOnly || selectedRows().size() != 1 || _formPk < 0)
        return;
    if (!updateRecord())
        return;
    const QVariantMap before = _database->fieldValues();
    const qint64 pk = insertFilledRecord([](QVariantMap &) {});
    if (pk == -1)
        return;
    // The store's key is the copy's now; the form still shows the original until the row
    // of the copy is selected below.
    _database->fieldValues() = before;
    registerRecordUndo([pk](DatabaseFieldsView &editor) { editor.deleteRecordByPk(pk, true); },
                       localizedStringFromTable(QStringLiteral("Add Record"), QStringLiteral("UndoStrings")));
    reloadRows(false);
    selectRowSilently(rowOfPk(_formPk));
    selectRow(rowOfPk(pk));
}

bool DatabaseFieldsView::deleteRecord()
{
    const QList<int> rows = selectedRows();
    if (!_database || rows.isEmpty() || _readOnly)
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
    // What is typed into a record being deleted goes with it.
    _dirty = false;
    bool failed = false;
    _undoManager->beginUndoGrouping();
    for (qint64 pk : std::as_const(pks)) {
        if (!deleteRecordByPkChecked(pk)) {
            failed = true;
            break;
        }
    }
    _undoManager->endUndoGrouping();
    reloadRows(false);
    if (failed && rowOfPk(_formPk) >= 0) {
        // Some records stay: the one the form showed is shown again.
        const qint64 shown = _formPk;
        selectRowSilently(rowOfPk(shown));
        loadRecord(shown);
    } else if (_browserModel->rowCount() > 0) {
        const int target = std::min(first <= 1 ? 0 : first - 1, _browserModel->rowCount() - 1);
        selectRowSilently(target);
        loadRecord(_browserModel->pkAtRow(target));
    } else {
        showNoRecord();
    }
    postRecordChanged();
    enableAllFields();
    updateNumbers();
    enableButtons();
    return true;
}

bool DatabaseFieldsView::deleteRecordByPkChecked(qint64 pk)
{
    try {
        // The record's values are read without disturbing the record the store holds.
        const QVariantMap held = _database->fieldValues();
        const bool found = _database->initWithPrimaryKey(pk);
        const QVariantMap copy = _database->fieldValues();
        _database->fieldValues() = held;
        _database->deleteRecordByPrimaryKeys({pk});
        if (found)
            registerRecordUndo([copy](DatabaseFieldsView &editor) { editor.insertRecordWithFieldValues(copy); },
                               Language::stringForKey(QStringLiteral("Delete Record")));
        if (pk == _formPk)
            _formPk = -1;
        return true;
    } catch (const DatabaseError &e) {
        reportDatabaseError(e, true);
        return false;
    }
}

void DatabaseFieldsView::deleteRecordByPk(qint64 pk, bool update)
{
    if (!_database)
        return;
    if (!update) {
        deleteRecordByPkChecked(pk);
        return;
    }
    // An undo of Add Record: the form's edits of another record are written first.
    if (pk != _formPk && !updateRecord())
        return;
    const int row = rowOfPk(pk);
    if (!deleteRecordByPkChecked(pk))
        return;
    _dirty = false;
    reloadRows(false);
    if (_browserModel->rowCount() > 0) {
        const int target = std::clamp(row, 0, _browserModel->rowCount() - 1);
        selectRowSilently(target);
        loadRecord(_browserModel->pkAtRow(target));
    } else {
        showNoRecord();
    }
    postRecordChanged();
    enableAllFields();
    updateNumbers();
    enableButtons();
}

void DatabaseFieldsView::insertRecordWithFieldValues(const QVariantMap &values)
{
    if (!_database)
        return;
    if (!updateRecord())
        return;
    const qint64 pk = insertFilledRecord([&](QVariantMap &current) {
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (it.value().isValid())
                current.insert(it.key(), it.value());
            else
                current.remove(it.key());
        }
    });
    if (pk == -1)
        return;
    showAddedRecord(pk, localizedStringFromTable(QStringLiteral("Add Record"), QStringLiteral("UndoStrings")));
}

void DatabaseFieldsView::clearForm()
{
    const bool wasLoading = _loading;
    _loading = true;
    for (QWidget *control : valueControls()) {
        if (auto *well = qobject_cast<CImageView *>(control))
            well->setData(QByteArray());
        else if (auto *picker = qobject_cast<QDateTimeEdit *>(control))
            picker->setDateTime(QDateTime::currentDateTime());
        else if (auto *text = qobject_cast<RecordTextField *>(control))
            text->setValue(QStringLiteral(""));
        else if (auto *edit = qobject_cast<QLineEdit *>(control))
            edit->setText(QStringLiteral(""));
    }
    _loading = wasLoading;
}

void DatabaseFieldsView::clearAllFields()
{
    if (!_database || _formPk < 0 || _readOnly) {
        clearForm();
        return;
    }
    // One undo step gives back every field as it was before the Clear.
    const qint64 pk = _formPk;
    const QVariantMap before = formValues();
    registerRecordUndo([pk, before](DatabaseFieldsView &editor) { editor.restoreClearedValues(pk, before); },
                       translated(QStringLiteral("Clear Record")));
    clearForm();
    // The key stays, so what is typed into the cleared form goes back into this record.
    _dirty = true;
}

void DatabaseFieldsView::restoreClearedValues(qint64 pk, const QVariantMap &values)
{
    if (_formPk != pk)
        selectRecordWithPk(pk);
    if (_formPk != pk)
        return;
    const QVariantMap current = formValues();
    registerRecordUndo([pk, current](DatabaseFieldsView &editor) { editor.restoreClearedValues(pk, current); },
                       translated(QStringLiteral("Clear Record")));
    setFormValues(values);
    _dirty = true;
    updateRecord();
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
    // The selection stays on the edited record when its edits could not be written.
    _outlets.browser->scrollTo(_browserModel->index(std::max(selectedRecordIndex(), 0), 0));
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
        // The quick find searches the new browse field (through its box in the find pane).
        if (_outlets.browserSearch)
            FindView::setIdentifier(_outlets.browserSearch, _database->fieldIdByPK(pk));
    } catch (const DatabaseError &e) {
        reportDatabaseError(e, false);
    }
    reloadRows(true);
    if (_outlets.propertiesView)
        _outlets.propertiesView->refresh();
    showSelectedRecord();
}

void DatabaseFieldsView::setSortField(int pk)
{
    if (!_database)
        return;
    try {
        _database->setSortField(pk, 1);
    } catch (const DatabaseError &e) {
        reportDatabaseError(e, false);
    }
    // The selected record stays selected wherever the new order puts it.
    reloadRows(true);
    if (_outlets.propertiesView)
        _outlets.propertiesView->refresh();
    showSelectedRecord();
}

bool DatabaseFieldsView::showEveryRecord()
{
    try {
        _database->setAttributeForKey(QStringLiteral("groupsToView"), QString::number(Database::AllGroups));
        // Cleared before the panes empty their boxes, so that they have no find of their own
        // to take back.
        _database->setSearchString({});
        _database->refreshBrowser();
        if (_outlets.propertiesView)
            _outlets.propertiesView->setDatabaseChanged();
    } catch (const DatabaseError &e) {
        reportDatabaseError(e, false);
        return false;
    }
    return true;
}

void DatabaseFieldsView::showAllRecords()
{
    if (!_database)
        return;
    showEveryRecord();
    reloadBrowser();
}

void DatabaseFieldsView::reloadBrowser()
{
    if (!_database)
        return;
    // The list is read again with what the form holds written first; edits that cannot be
    // written stay in the form.
    updateRecord();
    _database->refreshBrowser();
    reloadRows(true);
    showSelectedRecord();
    postRecordChanged();
}

void DatabaseFieldsView::changeBrowserSelection()
{
    if (!_database)
        return;
    _database->refreshBrowser();
    if (!reloadRows(true))
        return;
    if (_outlets.propertiesView)
        _outlets.propertiesView->refresh();
    // The counts follow the list even when the selection stays where it was.
    showSelectedRecord();
}

// ---------------------------------------------------------------- groups of records

CategoriesPanel *DatabaseFieldsView::categoriesPanel() const
{
    return _categoriesPanel;
}

void DatabaseFieldsView::groupOperation(int mode)
{
    if (!_database || _readOnly)
        return;
    // The sheet acts on the stored records: what the form holds goes there first.
    if (!updateRecord())
        return;
    if (!_categoriesPanel) {
        _categoriesPanel = new CategoriesPanel(this, window());
        connect(_categoriesPanel, &QDialog::finished, this, [this] { enableButtons(); });
    }
    _categoriesPanel->setupArray(mode);
    _categoriesPanel->open();
}

void DatabaseFieldsView::applyGroupOperation(qint64 groups, int mode)
{
    if (!_database || _readOnly)
        return;
    if (!updateRecord())
        return;
    try {
        _database->updateRecordsGroups(groups, mode);
    } catch (const DatabaseError &e) {
        reportDatabaseError(e, true);
        return;
    }
    // The record shown takes its new memberships; with a group filter the list may change.
    groupsChanged();
    changeBrowserSelection();
    updateNumbers();
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
        try {
            _outlets.totalCount->setText(QString::number(_database ? _database->count() : 0));
        } catch (const DatabaseError &e) {
            // A file held by another program keeps the count it showed.
            qWarning("%s", qPrintable(e.message()));
        }
    }
    if (_outlets.recordLabel)
        _outlets.recordLabel->setText(Language::withValues(translated(QStringLiteral("Record %@ of %@")),
                                                           {QString::number(row + 1), QString::number(count)}));
}

void DatabaseFieldsView::enableButtons()
{
    const QList<int> rows = selectedRows();
    const int count = _browserModel->rowCount();
    auto enable = [](QAbstractButton *button, bool on) {
        if (button)
            button->setEnabled(on);
    };
    const bool writable = _database && !_readOnly;
    if (rows.size() == 1) {
        const int row = rows.first();
        const bool valid = row >= 0 && row < count;
        enable(_outlets.bnAddCurrent, valid && writable && _formPk >= 0);
        enable(_outlets.bnDelete, valid && writable);
        enable(_outlets.bnUpdate, valid && writable && _formPk >= 0);
        enable(_outlets.bnNavigatePrev, count > 0 && row != 0);
        enable(_outlets.bnNavigateFirst, count > 0 && row != 0);
        enable(_outlets.bnNavigateNext, count > 0 && row != count - 1);
        enable(_outlets.bnNavigateLast, count > 0 && row != count - 1);
    } else {
        enable(_outlets.bnDelete, !rows.isEmpty() && writable);
        for (QAbstractButton *button : {_outlets.bnAddCurrent, _outlets.bnUpdate, _outlets.bnNavigatePrev,
                                        _outlets.bnNavigateNext, _outlets.bnNavigateFirst, _outlets.bnNavigateLast})
            enable(button, false);
    }
    enable(_outlets.bnDeleteDb, _database && _dbListModel->rowCount() >= 2);
    enable(_outlets.bnAddRecord, writable);
    emit commandsChanged();
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
    case ShowAllRecords:
        return _database != nullptr;
    case AddRecord:
        return _database && !_readOnly;
    case DeleteRecord:
        return _database && !_readOnly && selectedRecordIndex() >= 0;
    case DuplicateRecord:
    case UpdateRecord:
    case ClearAllFields:
        return _database && !_readOnly && selectedRows().size() == 1 && _formPk >= 0;
    case GroupOperation:
    case ImportDatabase:
        return _database && !_readOnly;
    case ImportVCard:
    case ImportAddressBook:
        return _database && !_readOnly;
    case ExportDatabase:
    case ExportVCard:
        return _database && _browserModel->rowCount() > 0;
    case Preferences:
        return _database != nullptr;
    }
    return false;
}

void DatabaseFieldsView::enableAllFields()
{
    const QList<int> rows = selectedRows();
    // A row whose record could not be read has nothing to edit.
    const bool on = rows.size() == 1 && rows.first() < _browserModel->rowCount() && _formPk >= 0;
    for (QWidget *control : valueControls())
        control->setEnabled(on);
    for (QCheckBox *box : std::as_const(_groupsControls))
        box->setEnabled(on && !_readOnly);
}

} // namespace quillmark
