#pragma once
#include "images/iPhoto.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace quillmark {

// File access shared by the photo library readers. The libraries belong to other
// applications: everything read here is untrusted, so sizes are capped, every value's type is
// checked and a damaged file simply yields nothing.
class PhotoLibraryFiles
{
public:
    // Album data files of large libraries run to tens of megabytes; anything past this is not one.
    static constexpr qint64 MaximumAlbumDataSize = 128 * 1024 * 1024;
    static constexpr qint64 MaximumPreferencesSize = 4 * 1024 * 1024;
    // A walk stops collecting after this many pictures, so a huge or looping tree cannot
    // exhaust memory.
    static constexpr int MaximumPictures = 100000;

    // home when given, else the user's home folder.
    static QString homeFolder(const QString &home);
    // "~" and "~/..." become paths under home; anything else is returned unchanged.
    static QString expandTilde(const QString &path, const QString &home);

    // The album data file: the folder named under locationKey in the preference file, expanded,
    // + "/" + fileName; defaultPath (relative to home) when the preference file is missing,
    // unreadable, or lacks a usable location.
    static QString locateAlbumData(const QString &home, const QString &preferencesFile,
                                   const QString &locationKey, const QString &fileName,
                                   const QString &defaultPath);
    // The album data as a dictionary, or nothing when the file is missing, too large or damaged.
    static std::optional<QVariantMap> readAlbumData(const QString &path);
    // The pictures of the first album named albumName, in album order.
    static QList<iPhoto> albumItems(const QVariantMap &albumData, const QString &albumName);

    // Extensions the image reader understands, each in lower and in upper case.
    static const QStringList &readableImageTypes();
    // Whether the file name's extension is a readable image type; with lowerCase the
    // extension is lower-cased first, otherwise it must match as it is.
    static bool isPictureName(const QString &fileName, bool lowerCase);
    // Picture files under folder, recursively, hidden files and folders skipped, symbolic
    // links to folders not followed. stopAtFirst ends the walk at the first picture.
    static QStringList walkPictures(const QString &folder, bool lowerCase, bool stopAtFirst = false);
};

} // namespace quillmark
