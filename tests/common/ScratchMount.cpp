#include "common/ScratchMount.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include "common/TestSupport.h"

namespace qmtest {

namespace {

// Once per process: the main thread gets a mount namespace of its own whose mounts stay
// private to it.
bool privateMountNamespace(QString &reason)
{
    static int state = 0; // 0 not tried, 1 ready, -1 refused
    static QString refusal;
    if (state == 0) {
        if (unshare(CLONE_NEWNS) != 0) {
            refusal = QStringLiteral("no mount namespace: %1").arg(QString::fromLocal8Bit(strerror(errno)));
            state = -1;
        } else if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            refusal = QStringLiteral("mounts cannot be made private: %1").arg(QString::fromLocal8Bit(strerror(errno)));
            state = -1;
        } else {
            state = 1;
        }
    }
    reason = refusal;
    return state == 1;
}

} // namespace

ScratchMount::ScratchMount(Kind kind, qint64 bytes)
{
    m_path = freshDir(QStringLiteral("scratch-") + QUuid::createUuid().toString(QUuid::Id128));
    QString reason;
    if (privateMountNamespace(reason)) {
        const QByteArray options = kind == Full ? "size=" + QByteArray::number(bytes) : QByteArray("size=4096");
        const unsigned long flags = kind == ReadOnly ? MS_RDONLY : 0;
        if (mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", flags, options.constData()) == 0) {
            m_mounted = true;
            m_ready = true;
            return;
        }
        reason = QStringLiteral("tmpfs not mounted: %1").arg(QString::fromLocal8Bit(strerror(errno)));
    }
    if (kind == ReadOnly && geteuid() != 0) {
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner);
        m_ready = true;
        return;
    }
    m_reason = reason;
}

ScratchMount::~ScratchMount()
{
    if (m_mounted)
        umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    else
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

ScopedFileSizeLimit::ScopedFileSizeLimit(qint64 bytes)
{
    // Past the limit a write fails with EFBIG; the signal that would end the process is ignored.
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_previousSoft = limit.rlim_cur;
    m_previousHard = limit.rlim_max;
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit()
{
    rlimit limit{};
    limit.rlim_cur = rlim_t(m_previousSoft);
    limit.rlim_max = rlim_t(m_previousHard);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_previousHandler);
}

} // namespace qmtest
