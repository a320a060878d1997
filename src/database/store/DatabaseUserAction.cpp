#include "database/store/DatabaseUserAction.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

namespace quillmark {

namespace {

using Clock = std::chrono::steady_clock;

int s_waitMilliseconds = 1500;
// The wait may start on a thread that reads or writes aside from the window (a long import).
std::mutex s_deadlineMutex;
std::optional<Clock::time_point> s_deadline;
bool s_messageShown = false;
int s_alertDepth = 0;
bool s_endScheduled = false;
int s_waitsStarted = 0;

bool onMainThread()
{
    QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void scheduleEnd()
{
    if (s_endScheduled || !onMainThread())
        return;
    s_endScheduled = true;
    QTimer::singleShot(0, QCoreApplication::instance(), [] {
        s_endScheduled = false;
        // An alert's own event loop runs inside the action; the action ends after it.
        if (s_alertDepth == 0)
            DatabaseUserAction::end();
    });
}

} // namespace

int DatabaseUserAction::waitMilliseconds()
{
    return s_waitMilliseconds;
}

void DatabaseUserAction::setWaitMilliseconds(int milliseconds)
{
    s_waitMilliseconds = std::max(0, milliseconds);
}

int DatabaseUserAction::busyHandler(void *, int)
{
    const Clock::time_point now = Clock::now();
    Clock::time_point deadline;
    bool started = false;
    {
        const std::lock_guard<std::mutex> lock(s_deadlineMutex);
        if (!s_deadline) {
            s_deadline = now + std::chrono::milliseconds(s_waitMilliseconds);
            ++s_waitsStarted;
            started = true;
        }
        deadline = *s_deadline;
    }
    // A wait begun on another thread has no end scheduled yet: the window's thread schedules it.
    if (started || onMainThread())
        scheduleEnd();
    if (now >= deadline)
        return 0;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(10)));
    return 1;
}

bool DatabaseUserAction::claimMessage()
{
    if (s_messageShown)
        return false;
    s_messageShown = true;
    scheduleEnd();
    return true;
}

void DatabaseUserAction::beginAlert()
{
    ++s_alertDepth;
}

void DatabaseUserAction::endAlert()
{
    if (s_alertDepth > 0)
        --s_alertDepth;
    if (s_alertDepth == 0)
        scheduleEnd();
}

void DatabaseUserAction::endOnReturn()
{
    scheduleEnd();
}

void DatabaseUserAction::end()
{
    {
        const std::lock_guard<std::mutex> lock(s_deadlineMutex);
        s_deadline.reset();
    }
    s_messageShown = false;
}

int DatabaseUserAction::waitsStarted()
{
    return s_waitsStarted;
}

} // namespace quillmark
