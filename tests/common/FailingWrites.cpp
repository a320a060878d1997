#include "common/FailingWrites.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>

namespace qmtest {

namespace {
const char BlockerText[] = "a file, not a folder";
}

UnwritableFolder::UnwritableFolder(const QString &parent)
    : m_parent(parent)
    , m_blocker(QDir(parent).filePath(QStringLiteral("not-a-folder")))
    , m_path(m_blocker + QStringLiteral("/folder"))
{
    QFile file(m_blocker);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(BlockerText);
}

QStringList UnwritableFolder::strayFiles() const
{
    QStringList files = QDir(m_parent).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    files.removeAll(QStringLiteral("not-a-folder"));
    return files;
}

bool UnwritableFolder::blockerIntact() const
{
    QFile file(m_blocker);
    return file.open(QIODevice::ReadOnly) && file.readAll() == QByteArray(BlockerText);
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
