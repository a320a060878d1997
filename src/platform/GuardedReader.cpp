#include "platform/GuardedReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmark {

namespace {

using Refusal = GuardedReader::Refusal;

void say(Refusal *refusal, Refusal why)
{
    if (refusal)
        *refusal = why;
}

} // namespace

std::unique_ptr<QFile> GuardedReader::open(const QString &path, qint64 maxBytes, Refusal *refusal, QString *why)
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

std::optional<QByteArray> GuardedReader::read(const QString &path, qint64 maxBytes, Refusal *refusal)
{
    std::unique_ptr<QFile> file = open(path, maxBytes, refusal);
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
    const QFileInfo target(destination);
    if (target.exists() || target.isSymLink())
        return Refusal::NotWritten;
    QTemporaryFile out(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!out.open())
        return Refusal::NotWritten;
    qint64 copied = 0;
    char chunk[256 * 1024];
    for (;;) {
        const qint64 got = in->read(chunk, sizeof chunk);
        if (got < 0)
            return Refusal::Unreadable;
        if (got == 0)
            break;
        copied += got;
        if (copied > maxBytes)
            return Refusal::TooLarge;
        if (out.write(chunk, got) != got)
            return Refusal::NotWritten;
    }
    if (copied != in->size())
        return Refusal::Unreadable;
    if (!out.flush())
        return Refusal::NotWritten;
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    // A hard link gives the copy its name only when no file has it; the temporary name goes
    // with the temporary file.
    const QByteArray from = QFile::encodeName(out.fileName());
    const QByteArray to = QFile::encodeName(target.absoluteFilePath());
    if (::link(from.constData(), to.constData()) == 0)
        return Refusal::None;
    if (errno == EEXIST)
        return Refusal::NotWritten;
    // A file system without hard links: renamed, once more making sure the name is free.
    if (QFileInfo::exists(destination) || ::rename(from.constData(), to.constData()) != 0)
        return Refusal::NotWritten;
    out.setAutoRemove(false);
    return Refusal::None;
}

} // namespace quillmark
