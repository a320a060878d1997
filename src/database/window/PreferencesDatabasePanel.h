#pragma once
// The database preferences sheet: the values a new record starts with, the order in which Tab
// walks the record form (and which fields it visits), and the contact profile ("Work" or
// "Home") that the contacts import and vCards follow.
#include <QDialog>
#include <QList>

#include "database/window/dbField.h"
#include "database/store/tableField.h"

class QComboBox;
class QListWidget;
class QTableWidget;

namespace quillmark {

class Database;

class PreferencesDatabasePanel : public QDialog
{
    Q_OBJECT
public:
    // Bits of changed(): 1 values edited, 2 order edited.
    enum Changed { ValuesChanged = 1, OrderChanged = 2 };

    explicit PreferencesDatabasePanel(QWidget *parent = nullptr);

    // Reads the lists for the database (its fields when nothing is stored) and the profile.
    void setUp(Database *database);
    const QList<dbField> &valuesArray() const { return _valuesArray; }
    const QList<tableField> &orderArray() const { return _orderArray; }
    int changed() const { return _changed; }
    void setChanged(int bits) { _changed |= bits; }

    // The stored lists ("fieldValues", "fieldOrder"); empty when none are stored.
    static QList<dbField> storedValues();
    static QList<tableField> storedOrder();

    QTableWidget *valuesTable() const { return _tabViewFieldValues; }
    QListWidget *orderTable() const { return _tabViewFieldOrder; }
    QComboBox *profilePopup() const { return _profileContacts; }
    // Toggles whether Tab visits a row's field, as a double click does.
    void toggleOrderRow(int row);

signals:
    // OK changed the order in which Tab walks the form.
    void orderChanged();

private:
    void readArrays(Database *database);
    void saveArrays();
    void profileChanged();
    void reloadTables(Database *database);
    void showUsed(int row);
    void done(int result) override;

    QTableWidget *_tabViewFieldValues;
    QListWidget *_tabViewFieldOrder;
    QComboBox *_profileContacts;
    QList<dbField> _valuesArray;
    QList<tableField> _orderArray;
    int _changed = 0;
    bool _loading = false;
};

} // namespace quillmark
