#include "objects/PictureCopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QIODevice>
#include <QThreadPool>

#include <memory>

#include "objects/CanvasServices.h"
#include "objects/ImageProbe.h"
#include "platform/GuardedReader.h"

namespace quillmark {

namespace {

QThreadPool &copiers()
{
    static QThreadPool *const pool = [] {
        auto *made = new QThreadPool(QCoreApplication::instance());
        made->setMaxThreadCount(2);
        return made;
    }();
    return *pool;
}

bool inFolder(const QString &path, const QString &folder)
{
    return QDir::cleanPath(QFileInfo(path).absolutePath()) == QDir::cleanPath(folder);
}

} // namespace

bool PictureCopy::isOutside(const QString &path)
{
    if (path.isEmpty())
        return false;
    if (path.contains(CanvasServices::clipartPath()) || path.contains(CanvasServices::backgroundPath()))
        return false;
    // A copy in the user's folder would be a copy of itself under its own name.
    return !inFolder(path, CanvasServices::clipartUserPath());
}

bool PictureCopy::isKept(const QString &path)
{
    return GuardedReader::isRegularFile(path) && QFileInfo(path).size() > 0;
}

PictureCopy::Outcome PictureCopy::copy(const QString &path, const QString &folder)
{
    Outcome outcome;
    bool picture = false;
    // Judged by the file's beginning: parsing a detailed drawing would hold Save for seconds.
    auto stillAPicture = [&picture](QIODevice *device) {
        picture = ImageProbe::recognise(device);
        return picture;
    };
    const QString name = QFileInfo(path).fileName();
    const bool folderMade = !folder.isEmpty() && (QFileInfo(folder).isDir() || QDir().mkpath(folder));
    if (name.isEmpty() || !folderMade) {
        // No copy can be made; whether the picture's own file still holds it decides.
        if (std::unique_ptr<QFile> file = ImageProbe::openRegularFile(path))
            outcome.holdsPicture = stillAPicture(file.get());
        return outcome;
    }
    const QString destination = QDir(folder).filePath(name);
    switch (GuardedReader::copy(path, destination, ImageProbe::maxFileBytes, stillAPicture)) {
    case GuardedReader::Refusal::None:
        outcome.copy = destination;
        outcome.holdsPicture = true;
        break;
    case GuardedReader::Refusal::NotWritten:
        // A file of that name is there already, or the folder takes none: the picture keeps
        // its own path.
        outcome.holdsPicture = picture;
        break;
    case GuardedReader::Refusal::Unreadable:
    case GuardedReader::Refusal::TooLarge:
    case GuardedReader::Refusal::Refused:
        break;
    }
    return outcome;
}

PictureCopy::Pending PictureCopy::start(const QString &path)
{
    auto promise = std::make_shared<std::promise<Outcome>>();
    Pending pending = promise->get_future().share();
    const QString folder = CanvasServices::clipartUserPath();
    copiers().start([promise, path, folder] { promise->set_value(copy(path, folder)); });
    return pending;
}

PictureCopy::Outcome PictureCopy::make(const QString &path)
{
    return start(path).get();
}

} // namespace quillmark
