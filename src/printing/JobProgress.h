#pragma once
// The window's side of a job that works on a thread of its own (a print, a whole-sheet or
// label export): once the job has taken longer than a glance a window-modal progress panel
// shows, which keeps the user's hands off the design while the job reads it and whose Cancel
// gives the job up. Before the panel shows no event is handled, so that nothing but the panel
// may reach the window while the job runs.
#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QProgressDialog;
class QWidget;

namespace quillmark {

class JobProgress
{
public:
    // `text` names the step for `done` of `steps` steps done.
    JobProgress(QWidget *parent, qsizetype steps, std::function<QString(qsizetype done)> text);
    ~JobProgress();
    JobProgress(const JobProgress &) = delete;
    JobProgress &operator=(const JobProgress &) = delete;

    // With `done` steps done: the panel shows how far the job is and the window's events are
    // handled, once the job has run long enough. False once the user has cancelled.
    bool answer(qsizetype done);
    // After a step done on the window's thread (`done` steps so far): false once the user has
    // cancelled.
    bool stepDone(qsizetype done);
    bool cancelled() const;

    // The panel of a print job: "Printing page 2 of 5".
    static std::function<QString(qsizetype)> printingPages(qsizetype pages);

private:
    static constexpr qint64 SliceMs = 40;
    static constexpr qint64 ShowAfterMs = 20;
    QWidget *m_parent;
    qsizetype m_steps;
    std::function<QString(qsizetype)> m_text;
    QElapsedTimer m_started;
    QElapsedTimer m_slice;
    std::unique_ptr<QProgressDialog> m_panel;
    // The window that was active when the panel showed: it is again once the panel goes.
    QPointer<QWidget> m_active;
};

// Runs `work` on a thread of its own while the window's thread calls `answer` between short
// waits (false there: the user gave the work up); `work` reads `stopped` now and then and ends
// soon once it says true. False when the work was given up.
bool runBesideWindow(const std::function<bool()> &answer,
                     const std::function<void(const std::function<bool()> &stopped)> &work);

// One thread for several works in turn, each run as runBesideWindow runs it: a run of files
// draws every one from the copy of the design its first one made, and a copy is drawn and let
// go of on the thread that made it (its text holds that thread's fonts).
class BesideWindow
{
public:
    BesideWindow();
    // Waits for the thread, which ends once the work under way is done.
    ~BesideWindow();
    BesideWindow(const BesideWindow &) = delete;
    BesideWindow &operator=(const BesideWindow &) = delete;

    bool run(const std::function<bool()> &answer, const std::function<void(const std::function<bool()> &stopped)> &work);

private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_work;
    bool m_finished = false;
    bool m_quit = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace quillmark
