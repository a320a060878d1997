#include "database/exchange/ZipArchive.h"

#include "foundation/Language.h"
#include "platform/GuardedReader.h"

#include <QFile>
#include <QFileInfo>

#include <unzip.h>

namespace quillmark {

namespace {

// A message in the user's language, the values in its "%@" places.
QString said(const QString &key, const QStringList &values = {})
{
    QString text = Language::stringForKey(key);
    if (text.isEmpty())
        text = key;
    return Language::withValues(text, values);
}

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / (1024 * 1024));
}

// minizip reads the archive through these, from a file the guarded reader opened: never by
// its name, which may stand for a FIFO or a device.
voidpf ZCALLBACK openOpened(voidpf opaque, const void *, int)
{
    return opaque;
}

uLong ZCALLBACK readOpened(voidpf, voidpf stream, void *buffer, uLong size)
{
    const qint64 got = static_cast<QFile *>(stream)->read(static_cast<char *>(buffer), qint64(size));
    return got < 0 ? 0 : uLong(got);
}

uLong ZCALLBACK writeNothing(voidpf, voidpf, const void *, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK tellOpened(voidpf, voidpf stream)
{
    return ZPOS64_T(static_cast<QFile *>(stream)->pos());
}

long ZCALLBACK seekOpened(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *file = static_cast<QFile *>(stream);
    qint64 target = qint64(offset);
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        target += file->pos();
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        target += file->size();
    return target >= 0 && file->seek(target) ? 0 : -1;
}

int ZCALLBACK closeNothing(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK errorOf(voidpf, voidpf stream)
{
    return static_cast<QFile *>(stream)->error() == QFileDevice::NoError ? 0 : 1;
}

QString normalisedName(const QByteArray &raw)
{
    QString name = QString::fromUtf8(raw);
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name;
}

} // namespace

ZipArchive::ZipArchive() = default;

ZipArchive::~ZipArchive()
{
    UnzipCloseFile();
}

bool ZipArchive::isSafeEntryName(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (n.isEmpty() || n.startsWith(QLatin1Char('/')) || n.contains(QChar(0)))
        return false;
    // "C:" drive letters and other schemes.
    if (n.size() >= 2 && n.at(1) == QLatin1Char(':'))
        return false;
    for (const QString &part : n.split(QLatin1Char('/')))
        if (part == QLatin1String(".."))
            return false;
    return true;
}

void ZipArchive::OutputErrorMessage(const QString &message, const QString &shown)
{
    _error = shown.isNull() ? message : shown;
    if (ErrorMessage)
        ErrorMessage(message);
}

bool ZipArchive::UnzipOpenFile(const QString &path)
{
    UnzipCloseFile();
    _error.clear();
    _names.clear();
    _fileName = QFileInfo(path).fileName();
    // Any file the user chose: a FIFO or a device in its place is refused at once.
    _source = GuardedReader::open(path, MaximumTotalSize);
    unzFile file = nullptr;
    if (_source) {
        zlib_filefunc64_def functions{openOpened, readOpened, writeNothing, tellOpened, seekOpened,
                                      closeNothing, errorOf, _source.get()};
        file = unzOpen2_64(nullptr, &functions);
    }
    if (!file) {
        _source.reset();
        // Not a zip archive at all: a renamed text file, an older spreadsheet's own format.
        OutputErrorMessage(said(QStringLiteral("The file \u201c%@\u201d is not an xlsx workbook."), {_fileName}));
        return false;
    }
    _unzFile = file;
    _inflated = 0;
    quint64 total = 0;
    int rc = unzGoToFirstFile(file);
    while (rc == UNZ_OK) {
        unz_file_info64 info;
        char nameBuffer[4096];
        if (unzGetCurrentFileInfo64(file, &info, nameBuffer, sizeof nameBuffer - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
            OutputErrorMessage(said(QStringLiteral("Error occurs while getting file info")),
                               said(QStringLiteral("The workbook \u201c%@\u201d is damaged: its list of parts cannot be read."), {_fileName}));
            UnzipCloseFile();
            return false;
        }
        nameBuffer[sizeof nameBuffer - 1] = 0;
        const QByteArray raw(nameBuffer, int(qMin<uLong>(info.size_filename, sizeof nameBuffer - 1)));
        const QString name = normalisedName(raw);
        if (!isSafeEntryName(name)) {
            OutputErrorMessage(said(QStringLiteral("The workbook \u201c%@\u201d is refused: its part \u201c%@\u201d points outside it."), {_fileName, name}));
            UnzipCloseFile();
            return false;
        }
        // Refused before anything is inflated, from what the central directory announces.
        total += info.uncompressed_size;
        if (info.uncompressed_size > quint64(MaximumEntrySize) || total > quint64(MaximumTotalSize)) {
            OutputErrorMessage(said(QStringLiteral("The workbook \u201c%@\u201d is refused: it unpacks to more than %@ MB."),
                                    {_fileName, megabytes(info.uncompressed_size > quint64(MaximumEntrySize) ? MaximumEntrySize : MaximumTotalSize)}));
            UnzipCloseFile();
            return false;
        }
        _names.append(name);
        rc = unzGoToNextFile(file);
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE) {
        OutputErrorMessage(said(QStringLiteral("Failed to reading zip file")),
                           said(QStringLiteral("The workbook \u201c%@\u201d is damaged: its list of parts cannot be read."), {_fileName}));
        UnzipCloseFile();
        return false;
    }
    return true;
}

bool ZipArchive::UnzipCloseFile()
{
    if (!_unzFile)
        return true;
    const bool ok = unzClose(static_cast<unzFile>(_unzFile)) == UNZ_OK;
    _unzFile = nullptr;
    _source.reset();
    return ok;
}

bool ZipArchive::contains(const QString &name) const
{
    return _names.contains(name, Qt::CaseInsensitive);
}

bool ZipArchive::readEntry(const QString &name, QByteArray &data)
{
    data.clear();
    _error.clear();
    if (!_unzFile)
        return false;
    unzFile file = static_cast<unzFile>(_unzFile);
    // Names are compared without case, as the workbook's own references may differ in case.
    int rc = unzGoToFirstFile(file);
    bool found = false;
    while (rc == UNZ_OK) {
        unz_file_info64 info;
        char nameBuffer[4096];
        if (unzGetCurrentFileInfo64(file, &info, nameBuffer, sizeof nameBuffer - 1, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        nameBuffer[sizeof nameBuffer - 1] = 0;
        const QString entry = normalisedName(QByteArray(nameBuffer, int(qMin<uLong>(info.size_filename, sizeof nameBuffer - 1))));
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            found = true;
            const QString tooLarge = said(QStringLiteral("The workbook \u201c%@\u201d is refused: its part \u201c%@\u201d unpacks to more than %@ MB."),
                                          {_fileName, entry, megabytes(MaximumEntrySize)});
            // A wrong size or checksum, a method minizip cannot inflate: the part is damaged.
            const QString damaged = said(QStringLiteral("The workbook \u201c%@\u201d is damaged: its part \u201c%@\u201d cannot be unpacked."),
                                         {_fileName, entry});
            if (info.uncompressed_size > quint64(MaximumEntrySize)) {
                OutputErrorMessage(tooLarge);
                return false;
            }
            if (unzOpenCurrentFile(file) != UNZ_OK) {
                OutputErrorMessage(said(QStringLiteral("Error occurs")), damaged);
                return false;
            }
            QByteArray bytes;
            bytes.reserve(qsizetype(info.uncompressed_size));
            char chunk[65536];
            int read = 0;
            while ((read = unzReadCurrentFile(file, chunk, sizeof chunk)) > 0) {
                // The announced size may lie: what is inflated is bounded all the same, for
                // this entry and for the archive as a whole.
                _inflated += read;
                if (bytes.size() + read > MaximumEntrySize || _inflated > MaximumTotalSize) {
                    unzCloseCurrentFile(file);
                    OutputErrorMessage(bytes.size() + read > MaximumEntrySize
                                           ? tooLarge
                                           : said(QStringLiteral("The workbook \u201c%@\u201d is refused: it unpacks to more than %@ MB."),
                                                  {_fileName, megabytes(MaximumTotalSize)}));
                    return false;
                }
                bytes.append(chunk, read);
            }
            const int closed = unzCloseCurrentFile(file);
            if (read < 0 || closed != UNZ_OK) {
                OutputErrorMessage(said(QStringLiteral("Failed to reading zip file")), damaged);
                return false;
            }
            data = bytes;
            return true;
        }
        rc = unzGoToNextFile(file);
    }
    Q_UNUSED(found);
    return false;
}

} // namespace quillmark
