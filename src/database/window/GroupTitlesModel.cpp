#include "database/window/GroupTitlesModel.h"

namespace quillmark {

GroupTitlesModel::GroupTitlesModel(Kind kind, QObject *parent)
    : QAbstractTableModel(parent), _kind(kind)
{
}

void GroupTitlesModel::setGroups(const QList<Database::GroupTitle> &groups)
{
    beginResetModel();
    _groups = groups;
    endResetModel();
}

void GroupTitlesModel::setRowTitle(int row, const QString &title)
{
    if (row < 0 || row >= _groups.size())
        return;
    _groups[row].title = title;
    emit dataChanged(index(row, titleColumn()), index(row, titleColumn()));
}

void GroupTitlesModel::setBits(qint64 bits)
{
    _bits = bits;
    if (!_groups.isEmpty())
        emit dataChanged(index(0, CheckColumn), index(int(_groups.size()) - 1, CheckColumn), {Qt::CheckStateRole});
}

int GroupTitlesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(_groups.size());
}

int GroupTitlesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : (_kind == Titles ? 1 : 2);
}

QVariant GroupTitlesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= _groups.size())
        return {};
    const int row = index.row();
    if (_kind == Checks && index.column() == CheckColumn) {
        if (role == Qt::CheckStateRole)
            return row < 63 && (_bits & (qint64(1) << row)) ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (index.column() == titleColumn()
        && (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole))
        return _groups.at(row).title;
    return {};
}

bool GroupTitlesModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= _groups.size())
        return false;
    const int row = index.row();
    if (_kind == Checks && index.column() == CheckColumn && role == Qt::CheckStateRole) {
        if (row >= 63)
            return false;
        const bool on = value.toInt() == Qt::Checked;
        const qint64 bit = qint64(1) << row;
        if (on == bool(_bits & bit) || !checkToggled || !checkToggled(row, on))
            return false;
        return true;
    }
    if (_kind == Titles && index.column() == 0 && role == Qt::EditRole) {
        const QString title = value.toString();
        if (title == _groups.at(row).title || !renameRequested)
            return false;
        return renameRequested(row, title);
    }
    return false;
}

Qt::ItemFlags GroupTitlesModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (_kind == Checks && index.column() == CheckColumn)
        flags |= Qt::ItemIsUserCheckable;
    if (_kind == Titles)
        flags |= Qt::ItemIsEditable;
    return flags;
}

} // namespace quillmark
