#include "platform/GuardedReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillmark {

namespace {

using Refusal = GuardedReader::Refusal;

void say(Refusal *refusal, Refusal why)
{
    if (refusal)
        *refusal = why;
}

GuardedReader::Stamp stampOf(const struct stat &info)
{
    GuardedReader::Stamp stamp;
    stamp.device = quint64(info.st_dev);
    stamp.node = quint64(info.st_ino);
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changedNs = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return stamp;
}

void stampNamed(const QByteArray &name, GuardedReader::Stamp *made)
{
    struct stat info;
    if (made && ::stat(name.constData(), &info) == 0)
        *made = stampOf(info);
}

// Writes a new file at `destination` from what `next` hands over (the count of bytes it put
// into the buffer, 0 at the end, -1 when it fails): under a temporary name in its folder, then
// given its name, which fails rather than replace a file that took the name meanwhile.
Refusal writeNewFile(const QString &destination, const std::function<qint64(char *, qint64)> &next,
                     GuardedReader::Stamp *made)
{
    const QFileInfo target(destination);
    if (target.exists() || target.isSymLink())
        return Refusal::NotWritten;
    QTemporaryFile out(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!out.open())
        return Refusal::NotWritten;
    std::vector<char> chunk(256 * 1024);
    for (;;) {
        const qint64 got = next(chunk.data(), qint64(chunk.size()));
        if (got < 0)
            return Refusal::Unreadable;
        if (got == 0)
            break;
        if (out.write(chunk.data(), got) != got)
            return Refusal::NotWritten;
    }
    if (!out.flush())
        return Refusal::NotWritten;
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    // A hard link gives the file its name only when no file has it; the temporary name goes
    // with the temporary file.
    const QByteArray from = QFile::encodeName(out.fileName());
    const QByteArray to = QFile::encodeName(target.absoluteFilePath());
    if (::link(from.constData(), to.constData()) == 0) {
        out.close();
        out.remove();
        stampNamed(to, made);
        return Refusal::None;
    }
    if (errno == EEXIST)
        return Refusal::NotWritten;
    // A file system without hard links: renamed, once more making sure the name is free.
    if (QFileInfo::exists(destination) || ::rename(from.constData(), to.constData()) != 0)
        return Refusal::NotWritten;
    out.setAutoRemove(false);
    stampNamed(to, made);
    return Refusal::None;
}

} // namespace

GuardedReader::Stamp GuardedReader::stamp(const QString &path)
{
    struct stat info;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return stampOf(info);
}

std::unique_ptr<QFile> GuardedReader::open(const QString &path, qint64 maxBytes, Refusal *refusal, QString *why,
                                           Stamp *stamp)
{
    auto fail = [refusal](Refusal reason) {
        say(refusal, reason);
        return std::unique_ptr<QFile>();
    };
    auto systemSays = [why](int error) {
        if (why)
            *why = QString::fromLocal8Bit(std::strerror(error));
    };
    auto notRegular = [why] {
        if (why)
            *why = QStringLiteral("Not a regular file");
    };
    if (path.isEmpty()) {
        systemSays(ENOENT);
        return fail(Refusal::Unreadable);
    }
    const QByteArray native = QFile::encodeName(path);
    // Looked at before opening: opening a device can do something by itself, and opening a
    // FIFO waits for a writer.
    struct stat before;
    if (::stat(native.constData(), &before) != 0) {
        systemSays(errno);
        return fail(Refusal::Unreadable);
    }
    if (!S_ISREG(before.st_mode)) {
        notRegular();
        return fail(Refusal::Unreadable);
    }
    // Not waiting even when the path was swapped for a FIFO after the look.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        systemSays(errno);
        return fail(Refusal::Unreadable);
    }
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        notRegular();
        return fail(Refusal::Unreadable);
    }
    if (opened.st_size > maxBytes) {
        ::close(fd);
        return fail(Refusal::TooLarge);
    }
    if (stamp)
        *stamp = stampOf(opened);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(Refusal::Unreadable);
    }
    say(refusal, Refusal::None);
    return file;
}

std::optional<QByteArray> GuardedReader::read(const QString &path, qint64 maxBytes, Refusal *refusal, Stamp *stamp)
{
    std::unique_ptr<QFile> file = open(path, maxBytes, refusal, nullptr, stamp);
    if (!file)
        return std::nullopt;
    const qint64 expected = file->size();
    // Asked for what the file held when it was opened, and one byte more to see it grow.
    QByteArray data = file->read(expected + 1);
    if (data.size() > expected || data.size() > maxBytes) {
        say(refusal, Refusal::TooLarge);
        return std::nullopt;
    }
    if (data.size() != expected || file->error() != QFileDevice::NoError) {
        say(refusal, Refusal::Unreadable);
        return std::nullopt;
    }
    return data;
}

bool GuardedReader::isRegularFile(const QString &path)
{
    struct stat info;
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

int GuardedReader::openDescriptor(const char *path, int flags, int mode, Folders folders)
{
    auto taken = [folders, flags](const struct stat &info) {
        if (S_ISREG(info.st_mode))
            return true;
        return S_ISDIR(info.st_mode) && folders == Folders::ReadOnly && (flags & O_ACCMODE) == O_RDONLY;
    };
    // Looked at first, so that a device is not even opened (opening one can do something by
    // itself); a name that does not exist yet may be created.
    struct stat before;
    if (path && ::stat(path, &before) == 0 && !taken(before)) {
        errno = EACCES;
        return -1;
    }
    const int fd = ::open(path, flags | O_NONBLOCK | O_NOCTTY, mode);
    if (fd < 0)
        return fd;
    // Swapped for a FIFO or a device after the look: what was opened decides.
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || !taken(opened)) {
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    if (!(flags & O_NONBLOCK)) {
        const int now = ::fcntl(fd, F_GETFL);
        if (now >= 0)
            ::fcntl(fd, F_SETFL, now & ~O_NONBLOCK);
    }
    return fd;
}

GuardedReader::Refusal GuardedReader::copy(const QString &source, const QString &destination, qint64 maxBytes,
                                           const std::function<bool(QIODevice *)> &accept)
{
    Refusal refusal = Refusal::None;
    std::unique_ptr<QFile> in = open(source, maxBytes, &refusal);
    if (!in)
        return refusal;
    if (accept) {
        const bool accepted = accept(in.get());
        if (!accepted)
            return Refusal::Refused;
        if (!in->seek(0))
            return Refusal::Unreadable;
    }
    qint64 copied = 0;
    bool tooLarge = false;
    const Refusal written = writeNewFile(
        destination,
        [&in, &copied, &tooLarge, maxBytes](char *chunk, qint64 room) -> qint64 {
            const qint64 got = in->read(chunk, room);
            if (got < 0)
                return -1;
            copied += got;
            // Grown past its limit while it was copied, or cut short.
            tooLarge = copied > maxBytes;
            if (tooLarge || (got == 0 && copied != in->size()))
                return -1;
            return got;
        },
        nullptr);
    return tooLarge ? Refusal::TooLarge : written;
}

GuardedReader::Refusal GuardedReader::create(const QString &destination, const QByteArray &bytes, Stamp *made)
{
    qsizetype at = 0;
    return writeNewFile(
        destination,
        [&bytes, &at](char *chunk, qint64 room) -> qint64 {
            const qint64 part = std::min<qint64>(room, bytes.size() - at);
            std::memcpy(chunk, bytes.constData() + at, size_t(part));
            at += part;
            return part;
        },
        made);
}

} // namespace quillmark
