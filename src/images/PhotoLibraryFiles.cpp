#include "images/PhotoLibraryFiles.h"

#include "platform/PropertyList.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QVariantList>

namespace quillmark {

namespace {

// A string value of the dictionary, or a null string when the key is missing or holds
// something else.
QString stringValue(const QVariantMap &map, const QString &key)
{
    const QVariant value = map.value(key);
    if (value.typeId() != QMetaType::QString)
        return {};
    return value.toString();
}

// Picture keys are strings in the files we know of; integers are accepted as their text.
QString keyText(const QVariant &key)
{
    switch (key.typeId()) {
    case QMetaType::QString:
        return key.toString();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(key.toLongLong());
    default:
        return {};
    }
}

} // namespace

QString PhotoLibraryFiles::homeFolder(const QString &home)
{
    return home.isEmpty() ? QDir::homePath() : home;
}

QString PhotoLibraryFiles::expandTilde(const QString &path, const QString &home)
{
    if (path == QLatin1String("~"))
        return homeFolder(home);
    if (path.startsWith(QLatin1String("~/")))
        return homeFolder(home) + path.mid(1);
    return path;
}

QString PhotoLibraryFiles::locateAlbumData(const QString &home, const QString &preferencesFile,
                                           const QString &locationKey, const QString &fileName,
                                           const QString &defaultPath)
{
    const QString base = homeFolder(home);
    const QFileInfo preferences(base + QLatin1Char('/') + preferencesFile);
    if (preferences.isFile() && preferences.size() <= MaximumPreferencesSize) {
        const QVariant settings =
            PropertyList::readFile(preferences.filePath(), nullptr, QMetaType::QVariantMap);
        const QString root = stringValue(settings.toMap(), locationKey);
        if (!root.isEmpty())
            return expandTilde(root, base) + QLatin1Char('/') + fileName;
    }
    return base + QLatin1Char('/') + defaultPath;
}

std::optional<QVariantMap> PhotoLibraryFiles::readAlbumData(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > MaximumAlbumDataSize)
        return std::nullopt;
    const QVariant data = PropertyList::readFile(path, nullptr, QMetaType::QVariantMap);
    if (data.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return data.toMap();
}

QList<iPhoto> PhotoLibraryFiles::albumItems(const QVariantMap &albumData, const QString &albumName)
{
    QList<iPhoto> items;
    const QVariant albums = albumData.value(QStringLiteral("List of Albums"));
    if (albums.typeId() != QMetaType::QVariantList)
        return items;
    QVariantList keyList;
    bool found = false;
    for (const QVariant &album : albums.toList()) {
        if (album.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap albumMap = album.toMap();
        if (stringValue(albumMap, QStringLiteral("AlbumName")) != albumName)
            continue;
        const QVariant keys = albumMap.value(QStringLiteral("KeyList"));
        if (keys.typeId() == QMetaType::QVariantList) {
            keyList = keys.toList();
            found = true;
        }
        break;
    }
    if (!found)
        return items;
    const QVariant masters = albumData.value(QStringLiteral("Master Image List"));
    if (masters.typeId() != QMetaType::QVariantMap)
        return items;
    const QVariantMap masterMap = masters.toMap();
    for (const QVariant &key : keyList) {
        const QString text = keyText(key);
        if (text.isEmpty())
            continue;
        const QVariant entry = masterMap.value(text);
        if (entry.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap picture = entry.toMap();
        const iPhoto item(stringValue(picture, QStringLiteral("ImagePath")),
                          stringValue(picture, QStringLiteral("ThumbPath")));
        if (item.isValid())
            items.append(item);
    }
    return items;
}

const QStringList &PhotoLibraryFiles::readableImageTypes()
{
    static const QStringList types = [] {
        QStringList list;
        // Each type in lower and in upper case, as image type lists usually name them.
        QList<QByteArray> formats = QImageReader::supportedImageFormats();
        // Read by our own readers rather than Qt's.
        formats << "jp2" << "j2k" << "jpf" << "jpx" << "pdf";
        for (const QByteArray &format : std::as_const(formats)) {
            list.append(QString::fromLatin1(format).toLower());
            list.append(QString::fromLatin1(format).toUpper());
        }
        list.removeDuplicates();
        return list;
    }();
    return types;
}

bool PhotoLibraryFiles::isPictureName(const QString &fileName, bool lowerCase)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot == fileName.size() - 1)
        return false;
    const QString extension = fileName.mid(dot + 1);
    return readableImageTypes().contains(lowerCase ? extension.toLower() : extension);
}

QStringList PhotoLibraryFiles::walkPictures(const QString &folder, bool lowerCase, bool stopAtFirst)
{
    QStringList pictures;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return pictures;
    // Without QDir::Hidden the iterator neither lists hidden files nor enters hidden folders;
    // without FollowSymlinks it never enters a linked folder, so a link loop cannot trap it.
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext() && pictures.size() < MaximumPictures) {
        const QString path = it.next();
        if (!isPictureName(it.fileName(), lowerCase))
            continue;
        pictures.append(path);
        if (stopAtFirst)
            break;
    }
    return pictures;
}

} // namespace quillmark
