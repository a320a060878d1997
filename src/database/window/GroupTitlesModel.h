#pragma once
// The group titles of a database as a table: one editable title column (the edit-groups
// pane), or a check box and the title (the view-groups pane and the group membership sheet),
// where row i's box stands for bit i of a bit set.
#include <QAbstractTableModel>
#include <QList>

#include <functional>

#include "database/store/Database.h"

namespace quillmark {

class GroupTitlesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Kind { Titles, Checks };
    enum Column { CheckColumn = 0 };

    explicit GroupTitlesModel(Kind kind, QObject *parent = nullptr);

    void setGroups(const QList<Database::GroupTitle> &groups);
    const QList<Database::GroupTitle> &groups() const { return _groups; }
    void setRowTitle(int row, const QString &title);
    void setBits(qint64 bits);
    qint64 bits() const { return _bits; }
    int titleColumn() const { return _kind == Titles ? 0 : 1; }

    // The owner's answers: a rename or a switch it does not confirm leaves the row as it was.
    std::function<bool(int row, const QString &title)> renameRequested;
    std::function<bool(int row, bool on)> checkToggled;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    Kind _kind;
    QList<Database::GroupTitle> _groups;
    qint64 _bits = 0;
};

} // namespace quillmark
