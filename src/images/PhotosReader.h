#pragma once
#include "images/iPhoto.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace quillmark {

// Lists the masters of a Photos library package with their thumbnails, read in place.
// home (empty: the user's home folder) is where "~" points.
class PhotosReader
{
public:
    explicit PhotosReader(const QString &home = {});

    static bool isPhotosInstalled(const QString &home = {});
    static QString libraryPath(const QString &home = {});

    // The picture files at location appended to urlList: every picture under a folder
    // (extension compared in lower case), or the location itself when it is a file. A location
    // that is empty or does not exist adds nothing.
    static QStringList scanURLIgnoringExtras(const QString &location, const QStringList &urlList = {});

    bool loadPhotosData();
    bool isInitedData() const { return _PhotosData; }

    // One item per master, paired with the thumbnail named "thumb_" + the master's file name.
    QList<iPhoto> imagesList() const;

private:
    QString _home;
    bool _PhotosData = false;
};

} // namespace quillmark
