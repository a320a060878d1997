#include "objects/PictureWorker.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QMetaObject>
#include <QScopeGuard>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Shadow.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillmark {

namespace {

// Shared by the window's thread and the worker. The worker holds it too, so that it outlives
// whichever of the two ends last.
struct WorkerState
{
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<PictureWorker::Job>> queue;
    // The jobs being made, one per busy thread.
    std::vector<std::shared_ptr<PictureWorker::Job>> making;
    // Threads started and not ended, and those of them waiting for a job.
    int threads = 0;
    // Every thread started: at most MaxThreads, kept for the process's life and joined at its
    // end, so that each has let go of what Qt keeps per thread (its font cache) before the
    // process ends.
    std::vector<std::thread> handles;
    int idle = 0;
    // Set when the idle threads are woken, until one of them has looked at the queue: the
    // thousands of jobs one repaint queues meanwhile wake them once, not once each.
    bool wakeSent = false;
    // Set when the application goes away: no picture is handed over after it, and the worker
    // stops at its next turn.
    bool stopping = false;
    int holds = 0;
    // Pictures made whose hand-over through the event loop is still to come.
    int undelivered = 0;
    // The length of the queue after its last sweep of jobs no longer wanted.
    size_t swept = 0;
    bool started = false;
};

// A fill cannot be stopped half-way: a picture no longer wanted is finished on its thread while
// another thread makes the one wanted now, so that a zoom never waits for the fill of the zoom
// before it. A few at most: each is a processor busy.
constexpr int MaxThreads = 3;

// How much lower than the window's thread the workers run (a Linux thread's own nice value).
constexpr int WorkerNiceness = 10;

bool wanted(const std::shared_ptr<PictureWorker::Job> &job)
{
    return !job->abandoned;
}

std::atomic<bool> windowThreadOnly{false};

std::shared_ptr<WorkerState> &state()
{
    static std::shared_ptr<WorkerState> shared = std::make_shared<WorkerState>();
    return shared;
}

// A picture being made may lay out text through Qt's font cache, which the process's end
// destroys: the end waits for the pictures under way (milliseconds; a few seconds at most for
// the largest fill), never for those queued, and then for the threads to end.
void stopWorker()
{
    const std::shared_ptr<WorkerState> s = state();
    std::vector<std::thread> handles;
    {
        std::unique_lock lock(s->mutex);
        s->stopping = true;
        s->queue.clear();
        s->changed.notify_all();
        if (!s->changed.wait_for(lock, std::chrono::seconds(10), [&] { return s->threads == 0; })) {
            // A fill that does not end is let go rather than holding the process.
            for (std::thread &handle : s->handles)
                handle.detach();
            s->handles.clear();
            return;
        }
        handles.swap(s->handles);
    }
    for (std::thread &handle : handles)
        handle.join();
}

// Set while a picture made is handed over (PictureWorker::delivering).
bool handingOver = false;

void deliver(const std::shared_ptr<PictureWorker::Job> &job, const QImage &made)
{
    {
        const std::shared_ptr<WorkerState> &s = state();
        std::lock_guard lock(s->mutex);
        --s->undelivered;
    }
    if (!job->abandoned && job->arrived) {
        const bool outer = std::exchange(handingOver, true);
        const auto restore = qScopeGuard([outer] { handingOver = outer; });
        job->arrived(made);
    }
}

void run(std::shared_ptr<WorkerState> s)
{
    // The window's thread comes first: a picture may come a moment later, a click may not.
    setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), WorkerNiceness);
    std::unique_lock lock(s->mutex);
    for (;;) {
        ++s->idle;
        // One picture still wanted is made at a time; a thread beside it takes the next only while
        // the other's picture is no longer wanted.
        s->changed.wait(lock, [&] {
            s->wakeSent = false;
            return s->stopping
                   || (s->holds == 0 && !s->queue.empty() && std::none_of(s->making.begin(), s->making.end(), wanted));
        });
        --s->idle;
        if (s->stopping) {
            --s->threads;
            s->changed.notify_all();
            return;
        }
        std::shared_ptr<PictureWorker::Job> job = std::move(s->queue.front());
        s->queue.pop_front();
        s->swept = std::min(s->swept, s->queue.size());
        if (job->abandoned) {
            s->changed.notify_all();
            continue;
        }
        s->making.push_back(job);
        lock.unlock();
        QImage made = job->make ? job->make() : QImage();
        lock.lock();
        std::erase(s->making, job);
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
        qAddPostRoutine(stopWorker);
        // A process that never destroys its application object ends through its exit handlers
        // alone. Qt's font cache is made first, so that the handler stopping the worker runs
        // before the cache's own is gone.
        (void)QFontMetricsF(QFont()).height();
        std::atexit(stopWorker);
    }
    // Jobs dropped before their turn leave the queue here, so that it never grows with them;
    // swept once it has doubled since the last sweep, so that the thousands of pictures one
    // repaint asks for cost a sweep or two, not one each.
    if (s->queue.size() >= 2 * s->swept + 16) {
        std::erase_if(s->queue, [](const std::shared_ptr<Job> &queued) { return queued->abandoned.load(); });
        s->swept = s->queue.size();
    }
    s->queue.push_back(job);
    const bool allUnwanted = std::none_of(s->making.begin(), s->making.end(), wanted);
    if (s->threads == 0 || (s->idle == 0 && allUnwanted && s->threads < MaxThreads)) {
        // A thread started beside one finishing an unwanted picture stays, idle, once it is done:
        // there are never more than MaxThreads.
        ++s->threads;
        s->handles.emplace_back(run, s);
    }
    // The jobs of one repaint come in by the thousand: an idle thread is woken only when it may
    // take this one. While a picture still wanted is made, the thread making it takes the next
    // job itself, and nothing else waits for a job to be queued.
    if (s->idle > 0 && allUnwanted && s->holds == 0 && !s->wakeSent) {
        s->wakeSent = true;
        s->changed.notify_all();
    }
}

bool PictureWorker::delivering()
{
    return handingOver;
}

namespace {

struct WindowWork
{
    std::function<bool()> waiting;
    std::function<void()> finish;
};

// Touched on the window's thread alone.
std::vector<WindowWork> &windowWork()
{
    static std::vector<WindowWork> work;
    return work;
}

bool onApplicationThread()
{
    const QCoreApplication *application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

} // namespace

void PictureWorker::addWindowWork(std::function<bool()> waiting, std::function<void()> finish)
{
    windowWork().push_back({std::move(waiting), std::move(finish)});
}

bool PictureWorker::busy()
{
    if (onApplicationThread())
        for (const WindowWork &work : windowWork())
            if (work.waiting())
                return true;
    // Shadow layers a repaint asked for are handed to the worker once the repaint is over.
    if (Shadow::layersUnderWay() > 0)
        return true;
    const std::shared_ptr<WorkerState> &s = state();
    std::lock_guard lock(s->mutex);
    return s->undelivered > 0 || std::any_of(s->making.begin(), s->making.end(), wanted)
           || std::any_of(s->queue.begin(), s->queue.end(), wanted);
}

void PictureWorker::waitUntilMade()
{
    const std::shared_ptr<WorkerState> &s = state();
    std::unique_lock lock(s->mutex);
    // Under a hold the jobs queued are not waited for: they would never start.
    s->changed.wait(lock, [&] {
        if (s->stopping)
            return true;
        if (std::any_of(s->making.begin(), s->making.end(), wanted))
            return false;
        return s->holds > 0 || std::none_of(s->queue.begin(), s->queue.end(), wanted);
    });
}

void PictureWorker::waitUntilDone()
{
    waitUntilMade();
    if (QCoreApplication *application = QCoreApplication::instance())
        QCoreApplication::sendPostedEvents(application, QEvent::MetaCall);
    if (onApplicationThread())
        for (const WindowWork &work : windowWork())
            if (work.waiting())
                work.finish();
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
