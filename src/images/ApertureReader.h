#pragma once
#include "images/iPhoto.h"

#include <QList>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace quillmark {

// Reads the pictures of the "Aperture Library" album from an Aperture library's album data,
// in place and without changing anything. home (empty: the user's home folder) is where "~" points.
class ApertureReader
{
public:
    explicit ApertureReader(const QString &home = {});

    // The album data file exists and reads as a dictionary.
    static bool isApertureInstalled(const QString &home = {});
    // Where the album data file is, whether or not it exists.
    static QString albumDataPath(const QString &home = {});

    // The album's pictures; empty when the library is missing or damaged.
    QList<iPhoto> imagesList() const;

private:
    std::optional<QVariantMap> _ApertureData;
};

} // namespace quillmark
