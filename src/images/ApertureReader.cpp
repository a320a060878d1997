#include "images/ApertureReader.h"

#include "images/PhotoLibraryFiles.h"

namespace quillmark {

ApertureReader::ApertureReader(const QString &home)
    : _ApertureData(PhotoLibraryFiles::readAlbumData(albumDataPath(home)))
{
}

bool ApertureReader::isApertureInstalled(const QString &home)
{
    return PhotoLibraryFiles::readAlbumData(albumDataPath(home)).has_value();
}

QString ApertureReader::albumDataPath(const QString &home)
{
    return PhotoLibraryFiles::locateAlbumData(
        home, QStringLiteral("Library/Preferences/com.apple.aperture.plist"),
        QStringLiteral("LibraryPath"), QStringLiteral("ApertureData.xml"),
        QStringLiteral("Pictures/Aperture/ApertureData.xml"));
}

QList<iPhoto> ApertureReader::imagesList() const
{
    if (!_ApertureData)
        return {};
    return PhotoLibraryFiles::albumItems(*_ApertureData, QStringLiteral("Aperture Library"));
}

} // namespace quillmark
