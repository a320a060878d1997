#include "images/PhotosReader.h"

#include "images/PhotoLibraryFiles.h"

#include <QFileInfo>
#include <QHash>

namespace quillmark {

PhotosReader::PhotosReader(const QString &home)
    : _home(PhotoLibraryFiles::homeFolder(home))
{
    loadPhotosData();
}

bool PhotosReader::isPhotosInstalled(const QString &home)
{
    return QFileInfo(libraryPath(home)).isDir();
}

QString PhotosReader::libraryPath(const QString &home)
{
    return PhotoLibraryFiles::homeFolder(home) + QStringLiteral("/Pictures/Photos Library.photoslibrary");
}

QStringList PhotosReader::scanURLIgnoringExtras(const QString &location, const QStringList &urlList)
{
    QStringList list = urlList;
    if (location.isEmpty())
        return list;
    const QFileInfo info(location);
    if (info.isDir())
        list += PhotoLibraryFiles::walkPictures(location, true);
    else if (info.isFile())
        list.append(location);
    return list;
}

bool PhotosReader::loadPhotosData()
{
    _PhotosData = isPhotosInstalled(_home);
    return _PhotosData;
}

QList<iPhoto> PhotosReader::imagesList() const
{
    QList<iPhoto> items;
    if (!_PhotosData)
        return items;
    const QString library = libraryPath(_home);
    const QStringList masters = scanURLIgnoringExtras(library + QStringLiteral("/Masters"));
    const QStringList thumbnails = scanURLIgnoringExtras(library + QStringLiteral("/Thumbnails"));
    // The first thumbnail of each name wins, as a search through the list in scan order would.
    QHash<QString, QString> thumbnailByName;
    for (const QString &thumbnail : thumbnails) {
        const QString name = QFileInfo(thumbnail).fileName();
        if (!thumbnailByName.contains(name))
            thumbnailByName.insert(name, thumbnail);
    }
    for (const QString &master : masters) {
        const QString thumbnail =
            thumbnailByName.value(QStringLiteral("thumb_") + QFileInfo(master).fileName());
        items.append(iPhoto(master, thumbnail));
    }
    return items;
}

} // namespace quillmark
