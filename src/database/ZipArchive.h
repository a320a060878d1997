#pragma once
// Reading a zip archive (a workbook) through minizip, entry by entry into memory. Nothing is
// ever written to disk, and an archive whose entry names point outside it (a ".." part, an
// absolute path) is refused as a whole.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace quillmark {

class ZipArchive
{
public:
    // Entries larger than this are not read: a workbook part this big is damaged or hostile.
    static constexpr qint64 MaximumEntrySize = 512LL * 1024 * 1024;

    ZipArchive() = default;
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

    QString errorMessage() const { return _error; }
    // Receives each message as it arises (the wizard's alert).
    std::function<void(const QString &)> ErrorMessage;

    // Whether an entry name stays inside the archive: relative, without ".." parts.
    static bool isSafeEntryName(const QString &name);

private:
    void OutputErrorMessage(const QString &message);

    void *_unzFile = nullptr;
    QStringList _names;
    QString _error;
};

} // namespace quillmark
