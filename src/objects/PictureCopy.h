#pragma once
// The copy that writing an object's stored form by path makes of a picture from outside the
// program: kept with the user's clip-art, so that the design does not depend on where the user
// found the file. The file is read only through the guarded reader and copied only when it is a
// regular file within the picture size limit that still reads as a picture; a FIFO, a device or
// a link to one is refused at once. A copy runs on a worker: Save starts the copies of all its
// objects before it writes them, and each object's form waits for its own.
#include <QHash>
#include <QString>

#include <future>

namespace quillmark {

class PictureCopy
{
public:
    struct Outcome
    {
        // Where the copy was made; empty when none was.
        QString copy;
        // Whether the file the stored form names (the copy, else the picture's own path) holds
        // a picture. When it does not, the form holds the picture itself as well.
        bool holdsPicture = false;
    };
    using Pending = std::shared_future<Outcome>;
    // Copies under way for one writing, by picture path: objects holding the same file share
    // one copy.
    using Batch = QHash<QString, Pending>;

    // Whether writing by path copies the picture at `path`: one neither shipped with the
    // program nor in the user's clip-art folder already.
    static bool isOutside(const QString &path);
    // Whether the file at `path`, one of the program's folders, holds anything: a regular file
    // that is not empty. Looked at without being opened.
    static bool isKept(const QString &path);

    // Starts copying the picture at `path` into the user's clip-art folder under its own name,
    // on a worker; on the window's thread, which knows the folder.
    static Pending start(const QString &path);
    // The same, waited for.
    static Outcome make(const QString &path);
    // The copy itself, made where it is called: into `folder` under the file's own name,
    // never replacing a file there.
    static Outcome copy(const QString &path, const QString &folder);
};

} // namespace quillmark
