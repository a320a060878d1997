#pragma once
// The "View Group Titles" pane: which groups' records the record browser lists
// ("groupsToView"). "All Groups" also lists the records of no group.
#include "database/window/PropertyView.h"

class QCheckBox;
class QTableView;

namespace quillmark {

class DatabaseFieldsView;
class GroupTitlesModel;

class ViewGroupsView : public PropertyView
{
    Q_OBJECT
public:
    explicit ViewGroupsView(DatabaseFieldsView *editor, QWidget *parent = nullptr);

    void setDatabaseChanged() override;
    void updateGroups() override { setDatabaseChanged(); }
    // The all-groups box is on exactly when every group and the records of none are listed.
    void updateCheckAll();
    void checkAll(bool on);
    void reloadData();
    // Lists or stops listing the records of the group of that row.
    bool setGroupShown(int row, bool shown);

    QTableView *table() const { return _tabGroups; }
    QCheckBox *checkAllBox() const { return _btnCheckAll; }
    GroupTitlesModel *model() const { return _model; }

private:
    DatabaseFieldsView *_databaseFieldsView;
    QTableView *_tabGroups;
    GroupTitlesModel *_model;
    QCheckBox *_btnCheckAll;
};

} // namespace quillmark
