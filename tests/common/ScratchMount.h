#pragma once
// A folder where writing fails the way it fails for users: a file system that is full, or one
// mounted read-only. Either is a small tmpfs mounted over a fresh folder, in a mount namespace
// of the test's main thread so nothing outside the test sees it. Mounting needs the right to
// (root with CAP_SYS_ADMIN); without it a read-only folder falls back to a folder without
// write permission (which binds every user but root), and otherwise the test skips.
#include <QString>

namespace qmtest {

class ScratchMount
{
public:
    enum Kind { Full, ReadOnly };

    // A full file system has room for `bytes` and no more.
    explicit ScratchMount(Kind kind, qint64 bytes = 32 * 1024);
    ~ScratchMount();
    ScratchMount(const ScratchMount &) = delete;
    ScratchMount &operator=(const ScratchMount &) = delete;

    // Whether the folder behaves as asked; reason() says why not.
    bool isReady() const { return m_ready; }
    QString reason() const { return m_reason; }
    QString path() const { return m_path; }

private:
    QString m_path;
    QString m_reason;
    bool m_ready = false;
    bool m_mounted = false;
};

// Makes every file this process writes fail beyond `bytes` ("File too large"), as a disk that
// fills up does, for the scope's lifetime. Works for any user.
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit(qint64 bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit &) = delete;
    ScopedFileSizeLimit &operator=(const ScopedFileSizeLimit &) = delete;

private:
    unsigned long long m_previousSoft = 0;
    unsigned long long m_previousHard = 0;
    void (*m_previousHandler)(int) = nullptr;
};

} // namespace qmtest
