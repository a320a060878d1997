#include "images/PhotoBoothReader.h"

#include "images/PhotoLibraryFiles.h"

namespace quillmark {

PhotoBoothReader::PhotoBoothReader(const QString &home)
    : _home(PhotoLibraryFiles::homeFolder(home))
{
}

bool PhotoBoothReader::isPhotoBoothInstalled(const QString &home)
{
    return !PhotoLibraryFiles::walkPictures(picturesPath(home), false, true).isEmpty();
}

QString PhotoBoothReader::picturesPath(const QString &home)
{
    return PhotoLibraryFiles::homeFolder(home) + QStringLiteral("/Pictures/Photo Booth Library/Pictures");
}

QList<iPhoto> PhotoBoothReader::imagesList() const
{
    QList<iPhoto> items;
    if (!isPhotoBoothInstalled(_home))
        return items;
    for (const QString &picture : PhotoLibraryFiles::walkPictures(picturesPath(_home), false))
        items.append(iPhoto(picture, picture));
    return items;
}

} // namespace quillmark
