#pragma once
// Pictures of objects that take longer to draw than a repaint may (an antialiased fill of an
// outline of many thousand points takes seconds) are made on a thread of their own, so that
// the window keeps answering meanwhile. One thread, one picture at a time, in the order asked;
// a picture no one wants any more by the time its turn comes is not made at all, and one no
// longer wanted while it is made is finished aside while the next one is made beside it.
#include <QImage>

#include <atomic>
#include <functional>
#include <memory>

namespace quillmark {

class PictureWorker
{
public:
    struct Job
    {
        // Makes the picture, on the worker's thread: it holds copies of all it draws (outlines,
        // colours, transforms), never the object itself, which the window's thread goes on
        // changing or may destroy meanwhile.
        std::function<QImage()> make;
        // Called on the window's thread with the picture made, unless abandoned by then.
        std::function<void(const QImage &)> arrived;
        // Set on the window's thread when the picture is no longer wanted: the object changed
        // again, was zoomed again or is gone. Read by the worker before it starts the job.
        std::atomic<bool> abandoned{false};
    };

    // Queues the job; its `arrived` is called through the window's event loop.
    static void submit(const std::shared_ptr<Job> &job);

    // YES while a picture made is handed over on the window's thread (its `arrived` runs).
    static bool delivering();

    // YES while a job still wanted is queued or being made, or a picture made waits to be handed
    // over, or shadow layers are asked for (see Shadow::setAsideRunner).
    static bool busy();

    // Work a repaint leaves to the window's own thread, done a slice at a time while the window
    // waits (texts laid out aside): `waiting` answers YES while some is left, `finish` does it
    // all now. busy() counts it and waitUntilDone() finishes it. Called once per kind of work.
    static void addWindowWork(std::function<bool()> waiting, std::function<void()> finish);

    // Blocks until every job still wanted is made, then hands the pictures made over.
    // For tests and benchmarks, which must see the picture that arrives without timing it.
    static void waitUntilDone();
    // The same without handing them over: they arrive at the event loop's next turn.
    static void waitUntilMade();

    // While a hold lasts, no job is started (one already started is finished): tests make sure
    // so that the picture is still being made while they look at the window.
    class Hold
    {
    public:
        Hold();
        ~Hold();
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;
    };

    // Makes every picture on the window's thread as it is drawn, as before there was a worker:
    // benchmarks compare the two in the same run.
    static void setOnWindowThread(bool flag);
    static bool onWindowThread();
};

} // namespace quillmark
