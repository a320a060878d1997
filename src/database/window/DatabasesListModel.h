#pragma once
// The databases list of the editor: the files of the Databases folder, one row each, shown by
// name; a name edited in place asks for a rename.
#include <QAbstractListModel>
#include <functional>

#include "database/store/DatabasesListDataSource.h"

namespace quillmark {

class DatabasesListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit DatabasesListModel(QObject *parent = nullptr);

    void loadDatabases();
    const DatabasesListDataSource &dataSource() const { return _source; }
    QStringList array() const { return _source.dbList(); }
    int indexOfPath(const QString &path) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Called with the typed name when a row's name was edited; the list reloads afterwards.
    std::function<void(int row, const QString &name)> renameRequested;

private:
    DatabasesListDataSource _source;
};

} // namespace quillmark
