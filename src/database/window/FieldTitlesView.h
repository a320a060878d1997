#pragma once
// The "Field Titles & Visibility" pane: which fields the record form shows ("fieldsToView"),
// the title each shows (kept in the database under the field's column name) and their order
// ("fieldsOrderArray"), changed by dragging rows.
#include "database/window/PropertyView.h"

#include <QList>

class QCheckBox;
class QTableView;

namespace quillmark {

class DatabaseFieldsView;
class FieldTitlesModel;
class FindView;
class SortDatabaseView;

class FieldTitlesView : public PropertyView
{
    Q_OBJECT
public:
    explicit FieldTitlesView(DatabaseFieldsView *editor, QWidget *parent = nullptr);

    void setFindPropertyView(FindView *view) { _findPropertyView = view; }
    void setSortPropertyView(SortDatabaseView *view) { _sortPropertyView = view; }

    // The indexes 0 to n-1 of the n fields of the database joined by ":"; empty without fields.
    static QString defaultOrder(Database *database);

    void setDatabaseChanged() override;
    // The show-all box is on exactly when every field is shown ("fieldsToView" -1).
    void updateCheckAll();
    void checkAll(bool on);
    void reloadData();

    // Shows or hides the field of that row; renames it (an empty title brings back the
    // field's own); moves it in the form. Each answers whether it was stored.
    bool setFieldShown(int row, bool shown);
    bool setFieldTitle(int row, const QString &title);
    void writeOrderArray();

    QTableView *table() const { return _tabFields; }
    QCheckBox *checkAllBox() const { return _btnCheckAll; }
    FieldTitlesModel *model() const { return _model; }
    // The order of the form: indexes into the database's fields.
    const QList<int> &orderArray() const { return _orderArray; }

private:
    // The order rows and panes follow after an edit of titles or visibility.
    void fieldsEdited(bool visibility, bool reloadTable);
    void rowMoved(int from, int to);

    DatabaseFieldsView *_databaseFieldsView;
    QTableView *_tabFields;
    FieldTitlesModel *_model;
    QCheckBox *_btnCheckAll;
    FindView *_findPropertyView = nullptr;
    SortDatabaseView *_sortPropertyView = nullptr;
    QList<int> _orderArray;
    // The field index of each table row.
    QList<int> _rowFields;
};

} // namespace quillmark
