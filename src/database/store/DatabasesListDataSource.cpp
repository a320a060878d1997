#include "database/store/DatabasesListDataSource.h"

#include "database/store/Database.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quillmark {

QStringList DatabasesListDataSource::databasePathsInFolder(const QString &folder)
{
    QDir dir(folder);
    QStringList paths;
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort)) {
        if (info.suffix() == QLatin1String("sqlite"))
            paths.append(dir.absoluteFilePath(info.fileName()));
    }
    // Plain code-unit order: "Zeta" comes before "alpha".
    std::sort(paths.begin(), paths.end(), [](const QString &a, const QString &b) { return a.compare(b) < 0; });
    return paths;
}

void DatabasesListDataSource::loadDatabases()
{
    _dbList = databasePathsInFolder(Database::databasesFolder());
}

QString DatabasesListDataSource::titleAtRow(int row) const
{
    if (row < 0 || row >= _dbList.size())
        return QString();
    return QFileInfo(_dbList.at(row)).completeBaseName();
}

int DatabasesListDataSource::indexOfFileName(const QString &title) const
{
    for (int i = 0; i < _dbList.size(); ++i)
        if (QFileInfo(_dbList.at(i)).completeBaseName() == title)
            return i;
    return -1;
}

} // namespace quillmark
