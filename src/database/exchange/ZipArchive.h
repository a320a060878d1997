#pragma once
// Reading a zip archive (a workbook) through minizip, entry by entry into memory. Nothing is
// ever written to disk, and an archive whose entry names point outside it (a ".." part, an
// absolute path) is refused as a whole. So is one whose central directory announces an entry
// or a total larger than the bounds below: a few hundred kilobytes of deflated data can stand
// for gigabytes. The sizes a header states may lie, so reading counts what it inflates and
// stops at the same bounds.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QFile;

namespace quillmark {

class ZipArchive
{
public:
    // An entry larger than this is damaged or hostile: a worksheet of a million cells stays
    // well below it.
    static constexpr qint64 MaximumEntrySize = 128LL * 1024 * 1024;
    // All entries together, as announced and as inflated.
    static constexpr qint64 MaximumTotalSize = 256LL * 1024 * 1024;

    ZipArchive();
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // Opens the archive and checks every entry name; false, with errorMessage() set, when it
    // is not a zip or names an entry outside itself.
    bool UnzipOpenFile(const QString &path);
    bool UnzipCloseFile();
    bool isOpen() const { return _unzFile != nullptr; }

    // Entry names with "/" as the separator, in archive order.
    QStringList entryNames() const { return _names; }
    bool contains(const QString &name) const;
    // The bytes of one entry; false when it is missing, too large or cannot be read.
    bool readEntry(const QString &name, QByteArray &data);

    // Why the archive or the last entry read could not be read, naming the file; empty when
    // nothing went wrong.
    QString errorMessage() const { return _error; }
    // Receives each failure's short message as it arises.
    std::function<void(const QString &)> ErrorMessage;

    // Whether an entry name stays inside the archive: relative, without ".." parts.
    static bool isSafeEntryName(const QString &name);

private:
    // `message` goes to ErrorMessage, `shown` (by default the same) to errorMessage().
    void OutputErrorMessage(const QString &message, const QString &shown = QString());

    // The archive's file, opened by the guarded reader; minizip reads through it.
    std::unique_ptr<QFile> _source;
    void *_unzFile = nullptr;
    QStringList _names;
    QString _fileName;
    qint64 _inflated = 0;
    QString _error;
};

} // namespace quillmark
