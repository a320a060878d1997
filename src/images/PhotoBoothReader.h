#pragma once
#include "images/iPhoto.h"

#include <QList>
#include <QString>

namespace quillmark {

// Lists the pictures of the Photo Booth library folder, read in place.
// home (empty: the user's home folder) is where "~" points.
class PhotoBoothReader
{
public:
    explicit PhotoBoothReader(const QString &home = {});

    // The folder exists and holds at least one picture (extension compared as it is).
    static bool isPhotoBoothInstalled(const QString &home = {});
    static QString picturesPath(const QString &home = {});

    // One item per picture, the picture standing in as its own thumbnail.
    QList<iPhoto> imagesList() const;

private:
    QString _home;
};

} // namespace quillmark
