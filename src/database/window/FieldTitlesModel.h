#pragma once
// The rows of the "Field Titles & Visibility" pane: a check box (shown in the record form or
// not) and the title of each field that can be hidden, in form order. Rows are reordered by
// dragging them within the table.
#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <functional>

namespace quillmark {

class FieldTitlesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The data of a drag of rows: the dragged row numbers.
    static const QString DragType; // "FieldsTableViewDragAndDropDataType"

    enum Column { ShownColumn = 0, TitleColumn = 1 };

    struct Row
    {
        int pk = -1;
        QString title;
        bool shown = true;
        // A field past the 32 bits of "fieldsToView" is always shown.
        bool switchable = true;
    };

    explicit FieldTitlesModel(QObject *parent = nullptr);

    void setRows(const QList<Row> &rows);
    const QList<Row> &rows() const { return _rows; }
    void setRowTitle(int row, const QString &title);

    // The pane's answers to the user's edits. A toggle or rename the pane does not confirm
    // leaves the row as it was; a move changes the rows before it is told.
    std::function<bool(int row, bool shown)> shownEdited;
    std::function<bool(int row, const QString &title)> titleEdited;
    std::function<void(int from, int to)> rowMoved;

    // Moves the row to the position `to` counts among the rows before the move (the row a
    // drop lands above; rowCount() for the end).
    bool moveRowTo(int from, int to);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

private:
    // The dragged row of the data, -1 when it is not a drag of this table's rows.
    int draggedRow(const QMimeData *data) const;

    QList<Row> _rows;
};

} // namespace quillmark
