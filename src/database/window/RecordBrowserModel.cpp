#include "database/window/RecordBrowserModel.h"

#include "database/window/PropertyView.h"

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"

namespace quillmark {

RecordBrowserModel::RecordBrowserModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void RecordBrowserModel::reload(Database *database)
{
    if (!database) {
        beginResetModel();
        _rows.clear();
        _header.clear();
        _database = nullptr;
        endResetModel();
        return;
    }
    QList<dbBrowseField> rows;
    QString header;
    try {
        rows = database->browserArray();
        header = database->browseField(false);
        // The column is headed as the form titles the field: the user's own title, else the
        // title in the interface's language.
        for (const tableField &field : database->fieldsStructure()) {
            if (field.title == header) {
                header = PropertyView::displayTitle(database, field);
                break;
            }
        }
    } catch (const DatabaseError &) {
        // The rows read before stay while the same database cannot be read now; another
        // database's rows never stand for this one's.
        if (database != _database) {
            beginResetModel();
            _rows.clear();
            _header.clear();
            _database = database;
            endResetModel();
        }
        throw;
    }
    beginResetModel();
    _rows = rows;
    _header = header;
    _database = database;
    endResetModel();
}

qint64 RecordBrowserModel::pkAtRow(int row) const
{
    if (row < 0 || row >= _rows.size())
        return -1;
    return _rows.at(row).primaryKey();
}

int RecordBrowserModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(_rows.size());
}

int RecordBrowserModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant RecordBrowserModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    if (index.row() < 0 || index.row() >= _rows.size())
        return QStringLiteral("");
    return _rows.at(index.row()).value;
}

QVariant RecordBrowserModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section != 0)
        return QAbstractTableModel::headerData(section, orientation, role);
    return _header;
}

} // namespace quillmark
