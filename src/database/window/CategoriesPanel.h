#pragma once
// The group membership sheet: the groups chosen in it are added to, removed from or toggled
// in every record the browser lists (not only the selected ones).
#include <QDialog>

class QLabel;
class QPushButton;
class QTableView;

namespace quillmark {

class DatabaseFieldsView;
class GroupTitlesModel;

class CategoriesPanel : public QDialog
{
    Q_OBJECT
public:
    // The store's group operations the sheet is opened for (any mode other than 2 to 5 adds).
    enum Mode { AddToGroups = 1, RemoveFromGroups = 2, ToggleGroups = 3 };

    CategoriesPanel(DatabaseFieldsView *editor, QWidget *parent = nullptr);

    // Starts a session for that mode: no group chosen, the database's groups listed.
    void setupArray(int mode);
    // OK (tag 1) applies the operation to the listed records; every button ends the sheet
    // with its tag.
    void buttonPressed(int tag);

    qint64 groupsToChange() const { return _groupsToChange; }
    int mode() const { return _mode; }
    QTableView *table() const { return _tabGroups; }
    QPushButton *okButton() const { return _ok; }
    QPushButton *cancelButton() const { return _cancel; }

private:
    bool chooseGroup(int row, bool on);

    qint64 _groupsToChange = 0;
    int _mode = AddToGroups;
    DatabaseFieldsView *_databaseFieldsView;
    QLabel *_message;
    QTableView *_tabGroups;
    GroupTitlesModel *_model;
    QPushButton *_ok;
    QPushButton *_cancel;
};

} // namespace quillmark
