#include "database/window/DatabasesListModel.h"

#include <QFileInfo>

namespace quillmark {

DatabasesListModel::DatabasesListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void DatabasesListModel::loadDatabases()
{
    beginResetModel();
    _source.loadDatabases();
    endResetModel();
}

int DatabasesListModel::indexOfPath(const QString &path) const
{
    const QString wanted = QFileInfo(path).absoluteFilePath();
    const QStringList &list = _source.dbList();
    for (int i = 0; i < list.size(); ++i)
        if (QFileInfo(list.at(i)).absoluteFilePath() == wanted)
            return i;
    return -1;
}

int DatabasesListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : _source.numberOfRows();
}

QVariant DatabasesListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return _source.titleAtRow(index.row());
}

bool DatabasesListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const QString name = value.toString();
    if (name == _source.titleAtRow(index.row()))
        return false;
    if (renameRequested)
        renameRequested(index.row(), name);
    return true;
}

Qt::ItemFlags DatabasesListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

} // namespace quillmark
