#pragma once
// Writes that fail the way they fail for users, made by the test itself and for any user,
// root included: no mount, no special right, nothing the machine must provide.
#include <QString>

namespace qmtest {

// A folder path no file can be made in: it lies under a regular file, so creating anything
// there fails (ENOTDIR) whoever runs the test, as writing into a folder one may not write to
// fails. The regular file stays as it was; anything written would show beside it.
class UnwritableFolder
{
public:
    // Inside `parent`, which must be a fresh folder of the test's own.
    explicit UnwritableFolder(const QString &parent);
    QString path() const { return m_path; }
    // The files in `parent` besides the blocking file itself: none after a failed write.
    QStringList strayFiles() const;
    // Whether the blocking file still holds what it held.
    bool blockerIntact() const;

private:
    QString m_parent;
    QString m_blocker;
    QString m_path;
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
