#include "database/window/FieldTitlesModel.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

namespace quillmark {

const QString FieldTitlesModel::DragType = QStringLiteral("FieldsTableViewDragAndDropDataType");

FieldTitlesModel::FieldTitlesModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void FieldTitlesModel::setRows(const QList<Row> &rows)
{
    beginResetModel();
    _rows = rows;
    endResetModel();
}

void FieldTitlesModel::setRowTitle(int row, const QString &title)
{
    if (row < 0 || row >= _rows.size())
        return;
    _rows[row].title = title;
    emit dataChanged(index(row, TitleColumn), index(row, TitleColumn));
}

int FieldTitlesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(_rows.size());
}

int FieldTitlesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant FieldTitlesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= _rows.size())
        return {};
    const Row &row = _rows.at(index.row());
    if (index.column() == ShownColumn && role == Qt::CheckStateRole)
        return row.shown ? Qt::Checked : Qt::Unchecked;
    if (index.column() == TitleColumn && (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole))
        return row.title;
    return {};
}

bool FieldTitlesModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= _rows.size())
        return false;
    const int row = index.row();
    if (index.column() == ShownColumn && role == Qt::CheckStateRole) {
        const bool shown = value.toInt() == Qt::Checked;
        if (!_rows.at(row).switchable || shown == _rows.at(row).shown || !shownEdited || !shownEdited(row, shown))
            return false;
        if (row < _rows.size()) {
            _rows[row].shown = shown;
            emit dataChanged(index, index, {Qt::CheckStateRole});
        }
        return true;
    }
    if (index.column() == TitleColumn && role == Qt::EditRole) {
        const QString title = value.toString();
        // A title left as it was is no rename.
        if (title == _rows.at(row).title || !titleEdited)
            return false;
        return titleEdited(row, title);
    }
    return false;
}

Qt::ItemFlags FieldTitlesModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (index.column() == ShownColumn && index.row() < _rows.size() && _rows.at(index.row()).switchable)
        flags |= Qt::ItemIsUserCheckable;
    if (index.column() == TitleColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant FieldTitlesModel::headerData(int, Qt::Orientation, int) const
{
    return {};
}

Qt::DropActions FieldTitlesModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions FieldTitlesModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

QStringList FieldTitlesModel::mimeTypes() const
{
    return {DragType};
}

QMimeData *FieldTitlesModel::mimeData(const QModelIndexList &indexes) const
{
    int row = -1;
    for (const QModelIndex &index : indexes)
        if (index.isValid())
            row = row < 0 ? index.row() : std::min(row, index.row());
    if (row < 0)
        return nullptr;
    auto *data = new QMimeData;
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << qint32(row);
    data->setData(DragType, bytes);
    return data;
}

int FieldTitlesModel::draggedRow(const QMimeData *data) const
{
    if (!data || !data->hasFormat(DragType))
        return -1;
    QByteArray bytes = data->data(DragType);
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    qint32 row = -1;
    stream >> row;
    if (stream.status() != QDataStream::Ok || row < 0 || row >= _rows.size())
        return -1;
    return row;
}

bool FieldTitlesModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int, int,
                                       const QModelIndex &) const
{
    return action == Qt::MoveAction && draggedRow(data) >= 0;
}

bool FieldTitlesModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int,
                                    const QModelIndex &parent)
{
    if (action != Qt::MoveAction)
        return false;
    const int from = draggedRow(data);
    if (from < 0)
        return false;
    // A drop on a row lands above it; below the last row, at the end.
    int to = row;
    if (to < 0)
        to = parent.isValid() ? parent.row() : int(_rows.size());
    return moveRowTo(from, to);
}

bool FieldTitlesModel::moveRowTo(int from, int to)
{
    if (from < 0 || from >= _rows.size() || to < 0 || to > _rows.size())
        return false;
    // Moving down, the row lands above `to` once it has left its own place.
    const int target = to > from ? to - 1 : to;
    if (target == from)
        return false;
    beginMoveRows({}, from, from, {}, to);
    _rows.move(from, target);
    endMoveRows();
    if (rowMoved)
        rowMoved(from, target);
    return true;
}

} // namespace quillmark
