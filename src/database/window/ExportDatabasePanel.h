#pragma once
// The export sheet: the delimiter and the fields to write, in the order they are listed. A
// field is left out or taken in again by its check box or a double click, and moved by drag.
#include <QDialog>
#include <QList>

#include "database/store/DatabaseOrder.h"

class QComboBox;
class QListWidget;
class QListWidgetItem;

namespace quillmark {

class Database;

class ExportDatabasePanel : public QDialog
{
    Q_OBJECT
public:
    explicit ExportDatabasePanel(QWidget *parent = nullptr);

    // Fills the list with the exportable fields of the database (flags bit 3), all used, and
    // selects the first delimiter.
    void setUp(Database *database);
    // The entries in the list's order with their used flags.
    QList<DatabaseOrder> exportArray() const;
    QChar delimiter() const;

    QComboBox *delimiterPopup() const { return _bnDelimiter; }
    QListWidget *table() const { return _tabExportOrder; }
    // Toggles the used flag of a row, as a double click does.
    void toggleRow(int row);

private:
    void showUsed(QListWidgetItem *item);

    QComboBox *_bnDelimiter;
    QListWidget *_tabExportOrder;
    QList<DatabaseOrder> _exportArray;
};

} // namespace quillmark
