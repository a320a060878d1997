#pragma once
// The "Edit Group Titles" pane: the database's groups, renamed in place, added (up to 32) and
// deleted. Deleting a group renumbers the memberships of every record.
#include "database/window/PropertyView.h"

class QTableView;
class QToolButton;

namespace quillmark {

class DatabaseFieldsView;
class GroupTitlesModel;
class ViewGroupsView;

class EditGroupsView : public PropertyView
{
    Q_OBJECT
public:
    explicit EditGroupsView(DatabaseFieldsView *editor, QWidget *parent = nullptr);

    void setViewGroupPropertyView(ViewGroupsView *view) { _viewGroupPropertyView = view; }

    void setDatabaseChanged() override;
    void updateGroups() override { setDatabaseChanged(); }
    // Add while there are fewer than 32 groups, Delete while a group is selected.
    void enableControls();

    // A group titled "Group n" (translated) with n one more than the number of groups, or the
    // next n that no group has.
    void addGroup();
    // Asks, then deletes the selected group.
    void deleteGroup();
    // Renames the group of that row (by its key); false when nothing was renamed.
    bool renameGroup(int row, const QString &title);

    QTableView *table() const { return _tabGroups; }
    QToolButton *addButton() const { return _btnAddGroup; }
    QToolButton *deleteButton() const { return _btnDeleteGroup; }
    GroupTitlesModel *model() const { return _model; }

private:
    void reloadTable();
    int selectedRow() const;

    DatabaseFieldsView *_databaseFieldsView;
    QTableView *_tabGroups;
    GroupTitlesModel *_model;
    QToolButton *_btnAddGroup;
    QToolButton *_btnDeleteGroup;
    ViewGroupsView *_viewGroupPropertyView = nullptr;
};

} // namespace quillmark
