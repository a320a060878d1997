#include "objects/PictureCopy.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <cstring>
#include <memory>
#include <vector>

#include "objects/CanvasServices.h"
#include "objects/ImageProbe.h"

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

bool sameFile(const QString &a, const QString &b)
{
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

// The digest of what `device` holds from where it stands to its end.
QByteArray digestOfDevice(QIODevice *device)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return hash.addData(device) ? hash.result() : QByteArray();
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

GuardedReader::Stamp PictureCopy::holdsPicture(const QString &path, const Held &held)
{
    const QByteArray digest = held.source ? held.source->digest : QByteArray();
    if (path.isEmpty() || (held.bytes.isEmpty() && digest.isEmpty()))
        return {};
    // Unchanged since it was read or written: the same bytes, unread.
    if (held.source && held.source->stamp.isValid() && sameFile(held.source->path, path)) {
        const GuardedReader::Stamp now = GuardedReader::stamp(path);
        if (now.isValid() && now == held.source->stamp)
            return now;
    }
    GuardedReader::Stamp opened;
    const std::unique_ptr<QFile> file = GuardedReader::open(path, ImageProbe::maxFileBytes, nullptr, nullptr, &opened);
    if (!file)
        return {};
    // The bytes held, or (a drawing kept sanitized) the file's bytes it was read from.
    bool same = file->size() == held.bytes.size() && !held.bytes.isEmpty();
    if (!same && digest.isEmpty())
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::vector<char> chunk(256 * 1024);
    qint64 at = 0;
    for (;;) {
        const qint64 got = file->read(chunk.data(), qint64(chunk.size()));
        if (got < 0)
            return {};
        if (got == 0)
            break;
        if (same)
            same = at + got <= held.bytes.size() && std::memcmp(held.bytes.constData() + at, chunk.data(), size_t(got)) == 0;
        if (!digest.isEmpty())
            hash.addData(QByteArrayView(chunk.data(), got));
        else if (!same)
            return {};
        at += got;
    }
    if (at != opened.size)
        return {};
    if (same || (!digest.isEmpty() && hash.result() == digest))
        return opened;
    return {};
}

PictureCopy::Outcome PictureCopy::keep(const QString &path, const Held &held, const QString &folder, bool outside)
{
    Outcome outcome;
    auto named = [&outcome](const QString &file, const GuardedReader::Stamp &stamp, bool copied) {
        outcome.path = file;
        outcome.stamp = stamp;
        outcome.copied = copied;
        return outcome;
    };
    if (outside) {
        const QString name = QFileInfo(path).fileName();
        const bool folderMade = !folder.isEmpty() && (QFileInfo(folder).isDir() || QDir().mkpath(folder));
        if (!name.isEmpty() && folderMade) {
            const QString destination = QDir(folder).filePath(name);
            GuardedReader::Stamp made;
            GuardedReader::Refusal written = GuardedReader::Refusal::NotWritten;
            const QByteArray digest = held.source ? held.source->digest : QByteArray();
            if (!digest.isEmpty()) {
                // A drawing kept sanitized: its file's own bytes are copied, while they are
                // still the ones it was read from.
                written = GuardedReader::copy(path, destination, ImageProbe::maxFileBytes,
                                              [&digest](QIODevice *device) { return digestOfDevice(device) == digest; });
                made = GuardedReader::stamp(destination);
            } else if (!held.bytes.isEmpty()) {
                // Written from what the object holds: the picture it shows, whatever became of
                // the file since.
                written = GuardedReader::create(destination, held.bytes, &made);
            }
            if (written == GuardedReader::Refusal::None && made.isValid())
                return named(destination, made, true);
            // The name is taken: by this very picture, copied there before, or by another.
            const GuardedReader::Stamp there = holdsPicture(destination, held);
            if (there.isValid())
                return named(destination, there, false);
        }
    }
    // The picture's own file, while it holds the picture still.
    const GuardedReader::Stamp own = holdsPicture(path, held);
    if (own.isValid())
        return named(path, own, false);
    return outcome;
}

QString PictureCopy::batchKey(const QString &path, const specImage &picture)
{
    const QByteArray bytes = picture.heldBytes();
    // Objects that share the picture share its bytes.
    return path + QLatin1Char('\n') + QString::number(quintptr(bytes.constData()), 16) + QLatin1Char(':')
           + QString::number(bytes.size());
}

PictureCopy::Pending PictureCopy::start(const QString &path, const specImage &picture)
{
    auto promise = std::make_shared<std::promise<Outcome>>();
    Pending pending = promise->get_future().share();
    const QString folder = CanvasServices::clipartUserPath();
    const bool outside = isOutside(path);
    Held held{picture.heldBytes(), picture.sourceFile()};
    copiers().start([promise, path, held = std::move(held), folder, outside] {
        promise->set_value(keep(path, held, folder, outside));
    });
    return pending;
}

PictureCopy::Outcome PictureCopy::make(const QString &path, const specImage &picture)
{
    return start(path, picture).get();
}

} // namespace quillmark
