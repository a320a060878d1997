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

    // The file opened for reading, at its start, when it is a regular file no larger than
    // `maxBytes`; null otherwise, with the reason (and the system's words for an unreadable
    // one in `why`). Never blocks on a FIFO or a device.
    static std::unique_ptr<QFile> open(const QString &path, qint64 maxBytes, Refusal *refusal = nullptr,
                                       QString *why = nullptr);
    // The whole of such a file; nothing when it is refused, cannot be read whole, or grew past
    // `maxBytes` while it was read.
    static std::optional<QByteArray> read(const QString &path, qint64 maxBytes, Refusal *refusal = nullptr);
    // Whether the path names a regular file now (following links), without opening it.
    static bool isRegularFile(const QString &path);

    // Copies such a file into a new file at `destination`, which must not exist: the copy is
    // written under a temporary name in its folder and then given its name, which fails rather
    // than replace a file that took the name meanwhile. `accept`, when given, sees the source
    // (opened, at its start) first and may refuse it. None when the copy was made.
    static Refusal copy(const QString &source, const QString &destination, qint64 maxBytes,
                        const std::function<bool(QIODevice *)> &accept = {});
};

} // namespace quillmark
