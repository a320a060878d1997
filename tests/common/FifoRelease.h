#pragma once
// Lets go of a reader that waits on a FIFO: after `after`, unless stopped first, the FIFO is
// opened for writing (and closed at once), so that a reader blocked in open() or read() goes
// on. stop() answers whether it had to: a reader that never waits is a pass whatever the
// machine's speed, and one that does fails by name instead of hanging the test.
#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace qmtest {

class FifoRelease
{
public:
    FifoRelease(const QString &fifo, std::chrono::milliseconds after)
        : m_thread([this, path = QFile::encodeName(fifo), after] {
            const auto until = std::chrono::steady_clock::now() + after;
            while (!m_stop && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (m_stop)
                return;
            m_released = true;
            const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        })
    {
    }
    FifoRelease(const FifoRelease &) = delete;
    FifoRelease &operator=(const FifoRelease &) = delete;
    ~FifoRelease() { stop(); }

    // Whether the FIFO had to be let go.
    bool stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_released;
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_released{false};
    std::thread m_thread;
};

} // namespace qmtest
