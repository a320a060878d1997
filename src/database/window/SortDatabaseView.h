#pragma once
// The "Sorting Criteria" pane: up to three sort fields, each with its direction, and the
// tool bar's sort and browse pop-ups, which it fills.
#include "database/window/PropertyView.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace quillmark {

class DatabaseFieldsView;

class SortDatabaseView : public PropertyView
{
    Q_OBJECT
public:
    SortDatabaseView(DatabaseFieldsView *editor, QComboBox *toolbarSort, QComboBox *toolbarBrowse,
                     QWidget *parent = nullptr);

    // Refills every pop-up from the fields of the current database, then refresh().
    void setDatabaseChanged() override;
    // Selects what the database stores: the sort fields, their directions, the browse field.
    void refresh() override;
    // Levels 2 and 3 only where the level above sorts by something.
    void enableControls();
    // Field titles changed: the pop-ups show the new ones.
    void updateUserFields() { setDatabaseChanged(); }

    // Level 1 to 3.
    QComboBox *levelPopup(int level) const;
    QCheckBox *orderBox(int level) const;

private:
    void levelChosen(int level);
    void orderClicked(int level);
    // Selects the item of the field with that title (a stored setting); "none" (level 2, 3)
    // for an empty title.
    static void selectTitle(QComboBox *popup, const QList<tableField> &fields, const QString &title);

    DatabaseFieldsView *_databaseFieldsView;
    QComboBox *_toolbarSort;
    QComboBox *_toolbarBrowse;
    QComboBox *_levels[3];
    QCheckBox *_orders[3];
    QLabel *_captions[3];
};

} // namespace quillmark
