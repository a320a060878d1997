#pragma once
// The one way this program opens a file it did not write itself: a picture placed, dropped or
// named in a design, a design or template someone sent, a workbook, a text or a card to import,
// a database to take in, a sequence file. Such a path may name a FIFO, a terminal or another
// device, or a link to one: opening or reading it would hold the window for good or never end.
// So a file is opened only when it is a regular file, looked at before it is opened and again
// once it is (it may have been swapped meanwhile), without ever waiting on the open, and only
// when it is no larger than its reader expects.
//
// Every other open of a path by its name in the sources carries a comment "own file:" saying
// why it is a file this program wrote itself or ships; a test reads the sources for it.
//
// Everything here may run on worker threads: nothing keeps state between calls.
#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QFile;
class QIODevice;

namespace quillmark {

class GuardedReader
{
public:
    enum class Refusal {
        None,
        // Missing, not a regular file (a folder, a FIFO, a device), or not readable.
        Unreadable,
        // Larger than the reader takes.
        TooLarge,
        // Read, but refused by the reader's own check (Copy's `accept`).
        Refused,
        // The copy's file could not be written, or its name is taken.
        NotWritten,
    };

    // What tells a file's bytes apart without reading them: the file itself (its device and
    // node), its size and the times its contents and its entry last changed. Writing to the
    // file, truncating it, replacing it or changing its permissions changes the stamp; two equal
    // stamps are the same bytes.
    struct Stamp
    {
        quint64 device = 0;
        quint64 node = 0;
        qint64 size = -1;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool isValid() const { return size >= 0; }
        bool operator==(const Stamp &) const = default;
    };
    // The stamp of the regular file at `path` now (following links); invalid when there is none.
    static Stamp stamp(const QString &path);

    // The file opened for reading, at its start, when it is a regular file no larger than
    // `maxBytes`; null otherwise, with the reason (and the system's words for an unreadable
    // one in `why`). Never blocks on a FIFO or a device. `opened` takes the stamp of the file
    // that was opened.
    static std::unique_ptr<QFile> open(const QString &path, qint64 maxBytes, Refusal *refusal = nullptr,
                                       QString *why = nullptr, Stamp *opened = nullptr);
    // The whole of such a file; nothing when it is refused, cannot be read whole, or grew past
    // `maxBytes` while it was read.
    static std::optional<QByteArray> read(const QString &path, qint64 maxBytes, Refusal *refusal = nullptr,
                                          Stamp *opened = nullptr);
    // Whether the path names a regular file now (following links), without opening it.
    static bool isRegularFile(const QString &path);

    // The system's open(2) of `path` with `flags` and `mode` for a library that opens files by
    // name itself (the database engine opens a database's journal and log beside it): it never
    // waits on the open, and answers the descriptor only when what it opened is a regular file
    // (or, with `folders`, a folder opened for reading, as one is to sync it), else -1 with
    // errno set. What was looked at is what was opened: there is no gap between the two.
    enum class Folders { Refused, ReadOnly };
    static int openDescriptor(const char *path, int flags, int mode, Folders folders = Folders::Refused);

    // Copies such a file into a new file at `destination`, which must not exist: the copy is
    // written under a temporary name in its folder and then given its name, which fails rather
    // than replace a file that took the name meanwhile. `accept`, when given, sees the source
    // (opened, at its start) first and may refuse it. None when the copy was made.
    static Refusal copy(const QString &source, const QString &destination, qint64 maxBytes,
                        const std::function<bool(QIODevice *)> &accept = {});
    // The same for bytes held in memory: a new file at `destination` holding `bytes`, never
    // replacing a file. `made` takes the stamp of the file made.
    static Refusal create(const QString &destination, const QByteArray &bytes, Stamp *made = nullptr);
};

} // namespace quillmark
