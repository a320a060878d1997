#include "database/window/EditGroupsView.h"

#include "database/window/DBPropertiesView.h"
#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/GroupTitlesModel.h"
#include "database/window/ViewGroupsView.h"
#include "foundation/Language.h"
#include "platform/Prompts.h"

#include <QItemSelectionModel>
#include <QTableView>
#include <QToolButton>

#include <sqlite3.h>

namespace quillmark {

EditGroupsView::EditGroupsView(DatabaseFieldsView *editor, QWidget *parent)
    : PropertyView(QStringLiteral("EditGroupsView"), QStringLiteral("Edit Group Titles"), parent),
      _databaseFieldsView(editor),
      _tabGroups(new QTableView(this)),
      _model(new GroupTitlesModel(GroupTitlesModel::Titles, this)),
      _btnAddGroup(new QToolButton(this)),
      _btnDeleteGroup(new QToolButton(this))
{
    DBPropertiesView::setupTitlesTable(_tabGroups, _model, -1);
    _tabGroups->setGeometry(2, 4, 199, 180);
    _tabGroups->setSelectionBehavior(QAbstractItemView::SelectRows);
    _tabGroups->setSelectionMode(QAbstractItemView::SingleSelection);
    _tabGroups->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                | QAbstractItemView::SelectedClicked);
    connect(_tabGroups->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { enableControls(); });
    _model->renameRequested = [this](int row, const QString &title) { return renameGroup(row, title); };

    _btnAddGroup->setObjectName(QStringLiteral("addGroup"));
    _btnAddGroup->setText(QStringLiteral("+"));
    _btnAddGroup->setToolTip(translated(QStringLiteral("Add Group")));
    _btnAddGroup->setGeometry(2, 188, 26, 22);
    _btnDeleteGroup->setObjectName(QStringLiteral("deleteGroup"));
    _btnDeleteGroup->setText(QStringLiteral("\u2212"));
    _btnDeleteGroup->setToolTip(translated(QStringLiteral("Delete Group")));
    _btnDeleteGroup->setGeometry(30, 188, 26, 22);
    connect(_btnAddGroup, &QToolButton::clicked, this, [this] { addGroup(); });
    connect(_btnDeleteGroup, &QToolButton::clicked, this, [this] { deleteGroup(); });
    setFixedSize(205, 214);
    enableControls();
}

void EditGroupsView::reloadTable()
{
    QList<Database::GroupTitle> groups;
    if (Database *db = _databaseFieldsView->database()) {
        try {
            groups = db->groupTitles();
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
    _model->setGroups(groups);
}

void EditGroupsView::setDatabaseChanged()
{
    reloadTable();
    enableControls();
}

int EditGroupsView::selectedRow() const
{
    const QModelIndexList rows = _tabGroups->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.first().row() >= _model->rowCount())
        return -1;
    return rows.first().row();
}

void EditGroupsView::enableControls()
{
    Database *db = _databaseFieldsView->database();
    const bool writable = db && !_databaseFieldsView->isReadOnly();
    _btnAddGroup->setEnabled(writable && _model->rowCount() < Database::MaxGroups);
    _btnDeleteGroup->setEnabled(writable && selectedRow() >= 0);
    _tabGroups->setEditTriggers(writable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                               | QAbstractItemView::SelectedClicked
                                         : QAbstractItemView::NoEditTriggers);
}

void EditGroupsView::addGroup()
{
    Database *db = _databaseFieldsView->database();
    if (!db || _databaseFieldsView->isReadOnly())
        return;
    try {
        const QList<Database::GroupTitle> groups = db->groupTitles();
        if (groups.size() >= Database::MaxGroups)
            return;
        QStringList titles;
        for (const Database::GroupTitle &group : groups)
            titles.append(group.title);
        // After a deletion "Group <count + 1>" may be taken: the next free number is used.
        const QString format = translated(QStringLiteral("Group %d"));
        QString title;
        for (qsizetype n = groups.size() + 1; title.isEmpty() || titles.contains(title); ++n)
            title = QString(format).replace(QStringLiteral("%d"), QString::number(n));
        db->addGrup(title);
    } catch (const DatabaseError &e) {
        _databaseFieldsView->reportDatabaseError(e, true);
        return;
    }
    _databaseFieldsView->groupsChanged();
    reloadTable();
    const int last = _model->rowCount() - 1;
    if (last >= 0) {
        _tabGroups->selectRow(last);
        _tabGroups->scrollTo(_model->index(last, 0));
    }
    enableControls();
    if (_viewGroupPropertyView)
        _viewGroupPropertyView->setDatabaseChanged();
}

bool EditGroupsView::renameGroup(int row, const QString &typed)
{
    Database *db = _databaseFieldsView->database();
    if (!db || _databaseFieldsView->isReadOnly() || row < 0 || row >= _model->groups().size())
        return false;
    const QString title = typed.trimmed();
    const Database::GroupTitle group = _model->groups().at(row);
    // An empty title or the title it has is no rename.
    if (title.isEmpty() || title == group.title)
        return false;
    for (const Database::GroupTitle &other : _model->groups()) {
        if (other.pk != group.pk && other.title == title) {
            // Said once the table's edit is over: an alert in its middle would end the edit again.
            QMetaObject::invokeMethod(
                this,
                [this, title] {
                    Prompts::current().alert(window(),
                                             translated(QStringLiteral("A group named \u201c%@\u201d already exists."))
                                                 .replace(QStringLiteral("%@"), title),
                                             QString(), {translated(QStringLiteral("OK"))});
                },
                Qt::QueuedConnection);
            return false;
        }
    }
    int rc = SQLITE_ERROR;
    try {
        rc = db->setGroup(title, group.pk);
    } catch (const DatabaseError &e) {
        _databaseFieldsView->reportDatabaseError(e, true);
        return false;
    }
    // Only a rename the store confirms shows: another program may have deleted the group.
    if (rc != SQLITE_DONE)
        return false;
    // The row changes in place: the table is in the middle of this edit.
    _model->setRowTitle(row, title);
    _databaseFieldsView->setGroupTitle(row, title);
    if (_viewGroupPropertyView)
        _viewGroupPropertyView->setDatabaseChanged();
    return true;
}

void EditGroupsView::deleteGroup()
{
    Database *db = _databaseFieldsView->database();
    const int row = selectedRow();
    if (!db || _databaseFieldsView->isReadOnly() || row < 0)
        return;
    const Database::GroupTitle group = _model->groups().at(row);
    const int answer = Prompts::current().alert(
        window(),
        translated(QStringLiteral("Do you really want to delete the '%@' group?")).replace(QStringLiteral("%@"), group.title),
        QString(), {translated(QStringLiteral("OK")), translated(QStringLiteral("Cancel"))});
    if (answer != Prompts::FirstButton)
        return;
    // The record in the form is written first: its memberships are renumbered with the rest.
    if (!_databaseFieldsView->updateRecord())
        return;
    try {
        db->deleteGroupWithPk(group.pk);
    } catch (const DatabaseError &e) {
        _databaseFieldsView->reportDatabaseError(e, true);
        reloadTable();
        enableControls();
        return;
    }
    reloadTable();
    enableControls();
    _databaseFieldsView->groupsChanged();
    if (_viewGroupPropertyView)
        _viewGroupPropertyView->setDatabaseChanged();
    // The shown groups were renumbered with the records: the list may hold other records now.
    _databaseFieldsView->changeBrowserSelection();
}

} // namespace quillmark
