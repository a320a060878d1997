#pragma once
#include <QString>

namespace quillmark {

// One picture of another application's photo library: the full-size picture and, where the
// library keeps one, its thumbnail. Either path may be missing (a null string).
class iPhoto
{
public:
    iPhoto() = default;
    iPhoto(const QString &photoPath, const QString &thumbPath)
        : _photoPath(photoPath), _thumbPath(thumbPath)
    {
    }

    QString photoPath() const { return _photoPath; }
    void setPhotoPath(const QString &path) { _photoPath = path; }
    QString thumbPath() const { return _thumbPath; }
    void setThumbPath(const QString &path) { _thumbPath = path; }

    // An item is worth a tile when it names at least one file.
    bool isValid() const { return !_photoPath.isEmpty() || !_thumbPath.isEmpty(); }

    bool operator==(const iPhoto &other) const = default;

private:
    QString _photoPath;
    QString _thumbPath;
};

} // namespace quillmark
