#pragma once
// What writing an object's stored form by path does with the picture's file. The form names a
// file only while it holds the very picture the object shows: one from outside the program is
// first copied among the user's clip-art, so that the design does not depend on where the user
// found it, and the copy is written from the bytes the object holds, whatever became of the file
// since (cut short, replaced, made a FIFO, deleted, made unreadable). A file already among the
// program's or the user's clip-art is named when its bytes are still the ones the picture was
// read from, compared through the guarded reader (a stamp of the file spares the reading while
// it is unchanged since); otherwise the form holds the picture itself and names no file.
//
// The work runs on a worker: Save starts it for all its objects before it writes them, and each
// object's form waits for its own.
#include <QByteArray>
#include <QHash>
#include <QString>

#include <future>
#include <memory>

#include "objects/specImage.h"
#include "platform/GuardedReader.h"

namespace quillmark {

class PictureCopy
{
public:
    // What an object holds of its picture, taken on the window's thread for the worker.
    struct Held
    {
        // The bytes the picture is kept as.
        QByteArray bytes;
        // The file it was read from, as it was then (or as a copy made of it was written).
        std::shared_ptr<const specImage::SourceFile> source;
    };
    struct Outcome
    {
        // The file the stored form names, holding the picture; empty when none does, and the
        // form holds the picture itself.
        QString path;
        // Whether that file is a copy made among the user's clip-art now.
        bool copied = false;
        // That file as it is now, for the next Save to know it unchanged.
        GuardedReader::Stamp stamp;
    };
    using Pending = std::shared_future<Outcome>;
    // The work under way for one writing: objects naming the same file with the same picture
    // share it.
    using Batch = QHash<QString, Pending>;

    // Whether the picture at `path` comes from outside the program: neither shipped with it
    // nor in the user's clip-art folder.
    static bool isOutside(const QString &path);

    // The key of the work for `path` and `picture` in a batch.
    static QString batchKey(const QString &path, const specImage &picture);
    // Starts the work for the picture at `path` on a worker; on the window's thread, which knows
    // the folders.
    static Pending start(const QString &path, const specImage &picture);
    // The same, waited for.
    static Outcome make(const QString &path, const specImage &picture);
    // The work itself, done where it is called: a picture from outside (`outside`) is copied
    // into `folder` under its file's own name, never replacing a file there.
    static Outcome keep(const QString &path, const Held &held, const QString &folder, bool outside);
    // Whether the file at `path` holds the picture now: its stamp when it does.
    static GuardedReader::Stamp holdsPicture(const QString &path, const Held &held);
};

} // namespace quillmark
