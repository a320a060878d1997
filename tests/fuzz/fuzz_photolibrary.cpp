// The photo libraries' album data files and preferences, read as the image browser does
// when it lists a library's pictures.
#include <QDir>
#include <QFileInfo>

#include "fuzz/FuzzSupport.h"
#include "images/ApertureReader.h"
#include "images/PhotoLibraryFiles.h"
#include "images/iPhotoReader.h"

using namespace quillmark;

QM_FUZZ_TARGET(photolibrary)
{
    const QByteArray input = qmfuzz::bytes(data, size);
    // A home whose libraries hold the input where each reader looks by default.
    const QString home = QFileInfo(qmfuzz::scratchFile(QStringLiteral("marker"), {})).path() + QStringLiteral("/home");
    QDir(home).removeRecursively();
    for (const QString &relative : {QStringLiteral("Pictures/iPhoto Library/AlbumData.xml"),
                                    QStringLiteral("Pictures/Aperture/ApertureData.xml")}) {
        const QString path = home + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(input);
    }
    iPhotoReader(home).imagesList();
    ApertureReader(home).imagesList();

    // The same bytes as the preferences that name where the library is.
    const QString preferences = home + QStringLiteral("/Library/Preferences/com.apple.iphoto.plist");
    QDir().mkpath(QFileInfo(preferences).path());
    QFile file(preferences);
    if (file.open(QIODevice::WriteOnly))
        file.write(input);
    file.close();
    iPhotoReader::albumDataPath(home);
    if (const auto album = PhotoLibraryFiles::readAlbumData(preferences))
        PhotoLibraryFiles::albumItems(*album, QStringLiteral("Photos"));
    return 0;
}
