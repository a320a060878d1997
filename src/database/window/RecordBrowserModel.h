#pragma once
// The rows of the record browser: one per entry of the current database's browse list.
#include <QAbstractTableModel>
#include <QList>

#include "database/store/dbBrowseField.h"

namespace quillmark {

class Database;

class RecordBrowserModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit RecordBrowserModel(QObject *parent = nullptr);

    // Reads the browse list of the database again (none: no rows). Throws DatabaseError when
    // it cannot be read; the rows of the same database read before are kept then.
    void reload(Database *database);
    const QList<dbBrowseField> &rows() const { return _rows; }
    // The pk of the record at that row, -1 outside the list.
    qint64 pkAtRow(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<dbBrowseField> _rows;
    QString _header;
    const Database *_database = nullptr;
};

} // namespace quillmark
