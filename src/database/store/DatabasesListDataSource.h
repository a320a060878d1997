#pragma once
#include <QString>
#include <QStringList>

namespace quillmark {

// The list of database files in the Databases folder that the database editor shows, in a
// table and in a pop-up menu.
class DatabasesListDataSource
{
public:
    // Lists the folder's ".sqlite" files, as full paths sorted by case-sensitive comparison.
    void loadDatabases();
    // The same for any folder (tests, other callers).
    static QStringList databasePathsInFolder(const QString &folder);

    const QStringList &dbList() const { return _dbList; }
    int numberOfRows() const { return int(_dbList.size()); }
    // The file name without extension; empty past the end.
    QString titleAtRow(int row) const;
    // The index of the database with that title, -1 when none.
    int indexOfFileName(const QString &title) const;

private:
    QStringList _dbList;
};

} // namespace quillmark
