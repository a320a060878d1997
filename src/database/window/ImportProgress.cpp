#include "database/window/ImportProgress.h"

#include "database/store/DatabaseUserAction.h"
#include "foundation/Language.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace quillmark {

namespace {

int s_minimumDuration = 500;

} // namespace

int ImportProgress::minimumDuration()
{
    return s_minimumDuration;
}

void ImportProgress::setMinimumDuration(int milliseconds)
{
    s_minimumDuration = milliseconds;
}

ImportProgress::ImportProgress(QWidget *parent, const QString &label, int total) : _total(qMax(1, total))
{
    _dialog = new QProgressDialog(label, translated(QStringLiteral("Cancel")), 0, _total, parent);
    _dialog->setObjectName(QStringLiteral("ImportProgress"));
    _dialog->setWindowModality(Qt::WindowModal);
    _dialog->setAutoReset(false);
    _dialog->setAutoClose(false);
    _dialog->setMinimumDuration(s_minimumDuration);
    if (s_minimumDuration <= 0)
        _dialog->show();
    _dialog->setValue(0);
}

ImportProgress::~ImportProgress()
{
    delete _dialog.data();
}

bool ImportProgress::step(int done)
{
    if (!_dialog)
        return false;
    // Every few hundred rows: a modal progress dialog runs the event loop as its value changes.
    if (done % 250 == 0 || done >= _total)
        _dialog->setValue(qMin(done, _total));
    return !_dialog->wasCanceled();
}

bool ImportProgress::wasCanceled() const
{
    return !_dialog || _dialog->wasCanceled();
}

bool ImportProgress::runAside(QWidget *parent, const QString &label, const Work &work, bool cancellable)
{
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::thread worker([&] {
        work(cancel, permille);
        const std::lock_guard<std::mutex> lock(mutex);
        done = true;
        ended.notify_all();
    });
    bool finished = false;
    {
        // What ends within a few frames needs no dialog; waiting that long blocks nothing one sees.
        std::unique_lock<std::mutex> lock(mutex);
        finished = ended.wait_for(lock, std::chrono::milliseconds(qBound(0, s_minimumDuration, 40)), [&] { return done; });
    }
    if (!finished) {
        QProgressDialog dialog(label, translated(QStringLiteral("Cancel")), 0, 1000, parent);
        dialog.setObjectName(QStringLiteral("ImportProgress"));
        dialog.setWindowModality(Qt::WindowModal);
        dialog.setAutoReset(false);
        dialog.setAutoClose(false);
        dialog.setMinimumDuration(0);
        if (!cancellable)
            dialog.setCancelButton(nullptr);
        // Without a share to show, the bar runs to and fro.
        if (permille.load() == 0 && !cancellable)
            dialog.setRange(0, 0);
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(25);
        QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] { cancel.store(true); });
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            bool over = false;
            {
                const std::lock_guard<std::mutex> lock(mutex);
                over = done;
            }
            if (over) {
                loop.quit();
                return;
            }
            if (dialog.wasCanceled())
                cancel.store(true);
            const int value = permille.load(std::memory_order_relaxed);
            if (value != dialog.value() && value < 1000)
                dialog.setValue(value);
        });
        dialog.show();
        poll.start();
        // The loop runs inside the user's action: a wait for the database or a message that
        // came before it still counts for the action, as during an alert.
        DatabaseUserAction::beginAlert();
        loop.exec();
        DatabaseUserAction::endAlert();
        poll.stop();
    }
    worker.join();
    return !cancel.load();
}

} // namespace quillmark
