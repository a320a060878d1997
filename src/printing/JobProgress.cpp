#include "printing/JobProgress.h"

#include <QApplication>
#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>

#include "foundation/Language.h"

namespace quillmark {

JobProgress::JobProgress(QWidget *parent, qsizetype steps, std::function<QString(qsizetype)> text)
    : m_parent(parent)
    , m_steps(steps)
    , m_text(std::move(text))
{
    m_started.start();
    m_slice.start();
}

JobProgress::~JobProgress()
{
    if (!m_panel)
        return;
    m_panel.reset();
    // Keys typed next go where they went before the job, not to a window left inactive.
    if (m_active && m_active->isVisible())
        m_active->activateWindow();
}

std::function<QString(qsizetype)> JobProgress::printingPages(qsizetype pages)
{
    return [pages](qsizetype done) {
        return Language::withValues(localizedString("Printing page %@ of %@"),
                                    {QString::number(std::min(done + 1, pages)), QString::number(pages)});
    };
}

bool JobProgress::answer(qsizetype done)
{
    if (!m_panel && m_started.elapsed() < ShowAfterMs)
        return true;
    if (!m_panel) {
        m_active = QApplication::activeWindow();
        m_panel = std::make_unique<QProgressDialog>(QString(), localizedString("Cancel"), 0,
                                                    int(std::min<qsizetype>(m_steps, std::numeric_limits<int>::max())),
                                                    m_parent);
        m_panel->setWindowModality(Qt::WindowModal);
        m_panel->setAutoReset(false);
        m_panel->setAutoClose(false);
        m_panel->setMinimumDuration(0);
    }
    // A new text lays the panel out again: it is given only when it says something new.
    const QString text = m_text(done);
    if (text != m_panel->labelText())
        m_panel->setLabelText(text);
    m_panel->setValue(int(std::min<qsizetype>(done, std::numeric_limits<int>::max())));
    if (!m_panel->isVisible())
        m_panel->show();
    // A modal panel handles the window's events as it takes its value: once its Cancel was
    // pressed there, nothing more reaches the window.
    if (!m_panel->wasCanceled())
        QCoreApplication::processEvents();
    m_slice.restart();
    return !m_panel->wasCanceled();
}

bool JobProgress::stepDone(qsizetype done)
{
    if (done >= m_steps || m_slice.elapsed() < SliceMs)
        return true;
    return answer(done);
}

bool JobProgress::cancelled() const
{
    return m_panel && m_panel->wasCanceled();
}

bool runBesideWindow(const std::function<bool()> &answer,
                     const std::function<void(const std::function<bool()> &stopped)> &work)
{
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    std::thread thread([&] {
        work([&stop] { return stop.load(); });
        {
            const std::lock_guard<std::mutex> lock(mutex);
            finished = true;
        }
        ended.notify_all();
    });
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            ended.wait_for(lock, std::chrono::milliseconds(15), [&finished] { return finished; });
            if (finished)
                break;
        }
        // Once cancelled the work stops within a few objects: nothing more reaches the window.
        if (!stop.load() && !answer())
            stop = true;
    }
    thread.join();
    return !stop.load();
}

BesideWindow::BesideWindow()
    : m_thread([this] { loop(); })
{
}

BesideWindow::~BesideWindow()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void BesideWindow::loop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || m_work; });
        if (!m_work)
            return;
        const std::function<void()> work = std::move(m_work);
        m_work = nullptr;
        lock.unlock();
        work();
        lock.lock();
        m_finished = true;
        m_changed.notify_all();
    }
}

bool BesideWindow::run(const std::function<bool()> &answer,
                       const std::function<void(const std::function<bool()> &stopped)> &work)
{
    m_stop = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = false;
        m_work = [this, &work] { work([this] { return m_stop.load(); }); };
    }
    m_changed.notify_all();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait_for(lock, std::chrono::milliseconds(15), [this] { return m_finished; });
            if (m_finished)
                break;
        }
        // Once cancelled the work stops within a few objects: nothing more reaches the window.
        if (!m_stop.load() && answer && !answer())
            m_stop = true;
    }
    return !m_stop.load();
}

} // namespace quillmark
