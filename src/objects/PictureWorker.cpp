#include "objects/PictureWorker.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace quillmark {

namespace {

// Shared by the window's thread and the worker. The worker holds it too, so that it outlives
// whichever of the two ends last.
struct WorkerState
{
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<PictureWorker::Job>> queue;
    bool making = false;
    // Set when the application goes away: no picture is handed over after it, and the worker
    // stops at its next turn.
    bool stopping = false;
    int holds = 0;
    // Pictures made whose hand-over through the event loop is still to come.
    int undelivered = 0;
    bool started = false;
};

std::atomic<bool> windowThreadOnly{false};

std::shared_ptr<WorkerState> &state()
{
    static std::shared_ptr<WorkerState> shared = std::make_shared<WorkerState>();
    return shared;
}

void stopWorker()
{
    const std::shared_ptr<WorkerState> s = state();
    std::lock_guard lock(s->mutex);
    s->stopping = true;
    s->queue.clear();
    s->changed.notify_all();
}

void deliver(const std::shared_ptr<PictureWorker::Job> &job, const QImage &made)
{
    {
        const std::shared_ptr<WorkerState> &s = state();
        std::lock_guard lock(s->mutex);
        --s->undelivered;
    }
    if (!job->abandoned && job->arrived)
        job->arrived(made);
}

void run(std::shared_ptr<WorkerState> s)
{
    std::unique_lock lock(s->mutex);
    for (;;) {
        s->changed.wait(lock, [&] { return s->stopping || (s->holds == 0 && !s->queue.empty()); });
        if (s->stopping)
            return;
        std::shared_ptr<PictureWorker::Job> job = std::move(s->queue.front());
        s->queue.pop_front();
        if (job->abandoned) {
            s->changed.notify_all();
            continue;
        }
        s->making = true;
        lock.unlock();
        QImage made = job->make ? job->make() : QImage();
        lock.lock();
        s->making = false;
        if (!s->stopping && !job->abandoned) {
            // Counted here, under the lock, so that busy() never sees a gap between the job made
            // and its picture handed over.
            QCoreApplication *application = QCoreApplication::instance();
            if (application) {
                QMetaObject::invokeMethod(
                    application, [job, made] { deliver(job, made); }, Qt::QueuedConnection);
                ++s->undelivered;
            }
        }
        job.reset();
        s->changed.notify_all();
    }
}

} // namespace

void PictureWorker::submit(const std::shared_ptr<Job> &job)
{
    const std::shared_ptr<WorkerState> &s = state();
    std::lock_guard lock(s->mutex);
    if (s->stopping)
        return;
    if (!s->started) {
        s->started = true;
        // The worker is let go: at the application's end it may still be finishing a picture no
        // one will see, and the window must not wait seconds for it to close.
        std::thread(run, s).detach();
        qAddPostRoutine(stopWorker);
    }
    // Jobs dropped before their turn leave the queue here, so that it never grows with them.
    std::erase_if(s->queue, [](const std::shared_ptr<Job> &queued) { return queued->abandoned.load(); });
    s->queue.push_back(job);
    s->changed.notify_all();
}

bool PictureWorker::busy()
{
    const std::shared_ptr<WorkerState> &s = state();
    std::lock_guard lock(s->mutex);
    if (s->making || s->undelivered > 0)
        return true;
    for (const std::shared_ptr<Job> &queued : s->queue)
        if (!queued->abandoned)
            return true;
    return false;
}

void PictureWorker::waitUntilMade()
{
    const std::shared_ptr<WorkerState> &s = state();
    std::unique_lock lock(s->mutex);
    // Under a hold the jobs queued are not waited for: they would never start.
    s->changed.wait(lock, [&] {
        if (s->stopping || s->making)
            return s->stopping;
        for (const std::shared_ptr<Job> &queued : s->queue)
            if (!queued->abandoned)
                return s->holds > 0;
        return true;
    });
}

void PictureWorker::waitUntilDone()
{
    waitUntilMade();
    if (QCoreApplication *application = QCoreApplication::instance())
        QCoreApplication::sendPostedEvents(application, QEvent::MetaCall);
}

PictureWorker::Hold::Hold()
{
    const std::shared_ptr<WorkerState> &s = state();
    std::lock_guard lock(s->mutex);
    ++s->holds;
}

PictureWorker::Hold::~Hold()
{
    const std::shared_ptr<WorkerState> &s = state();
    std::lock_guard lock(s->mutex);
    --s->holds;
    s->changed.notify_all();
}

void PictureWorker::setOnWindowThread(bool flag)
{
    windowThreadOnly = flag;
}

bool PictureWorker::onWindowThread()
{
    return windowThreadOnly;
}

} // namespace quillmark
