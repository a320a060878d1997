#include "images/iPhotoReader.h"

#include "images/PhotoLibraryFiles.h"

namespace quillmark {

iPhotoReader::iPhotoReader(const QString &home)
    : _iPhotoData(PhotoLibraryFiles::readAlbumData(albumDataPath(home)))
{
}

bool iPhotoReader::isIPhotoInstalled(const QString &home)
{
    return PhotoLibraryFiles::readAlbumData(albumDataPath(home)).has_value();
}

QString iPhotoReader::albumDataPath(const QString &home)
{
    return PhotoLibraryFiles::locateAlbumData(
        home, QStringLiteral("Library/Preferences/com.apple.iphoto.plist"),
        QStringLiteral("RootDirectory"), QStringLiteral("AlbumData.xml"),
        QStringLiteral("Pictures/iPhoto Library/AlbumData.xml"));
}

QList<iPhoto> iPhotoReader::imagesList() const
{
    if (!_iPhotoData)
        return {};
    return PhotoLibraryFiles::albumItems(*_iPhotoData, QStringLiteral("Photos"));
}

} // namespace quillmark
