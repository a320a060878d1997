#include "database/window/ImportProgress.h"

#include "database/store/DatabaseUserAction.h"
#include "foundation/Language.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
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

// ---------------------------------------------------------------- work aside

namespace {

std::function<void(qint64)> s_stepHook;

void reachStep(qint64 step)
{
    if (s_stepHook)
        s_stepHook(step);
}

// The dialog of work aside: closing it asks to cancel, as its button does, and it stays up
// until the work has ended, whatever the user presses.
class AsideDialog : public QProgressDialog
{
public:
    using QProgressDialog::QProgressDialog;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        emit canceled();
        event->ignore();
    }
    void reject() override {}
};

} // namespace

struct ImportProgress::Aside::State
{
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
    // Whether Cancel holds is decided under this lock, between the user's press on the
    // window's thread and the work reaching the point where it keeps what it did.
    std::mutex mutex;
    bool dialogShown = false;
    bool keeping = false;
    // Lives on the window's thread; the work asks it to show that the records are kept.
    QObject *window = nullptr;
    std::function<void()> showKeeping;
};

void ImportProgress::startAside(std::function<void()> job)
{
    QThreadPool::globalInstance()->start(std::move(job));
}

void ImportProgress::setStepHookForTesting(std::function<void(qint64)> hook)
{
    s_stepHook = std::move(hook);
}

const std::atomic<bool> &ImportProgress::Aside::cancel() const
{
    return _state.cancel;
}

bool ImportProgress::Aside::cancelled() const
{
    return _state.cancel.load();
}

std::atomic<int> &ImportProgress::Aside::permille()
{
    return _state.permille;
}

bool ImportProgress::Aside::step(qint64 done, qint64 total)
{
    if ((done & 255) == 0 || done >= total)
        _state.permille.store(total > 0 ? int(std::clamp<qint64>(done * 1000 / total, 0, 1000)) : 0, std::memory_order_relaxed);
    reachStep(done);
    return !_state.cancel.load();
}

bool ImportProgress::Aside::beginKeeping()
{
    bool beforeDialog = false;
    {
        const std::lock_guard<std::mutex> lock(_state.mutex);
        if (_state.cancel.load())
            return false;
        // Before the dialog shows nobody can press its Cancel: it shows saying so.
        beforeDialog = !_state.dialogShown;
        if (beforeDialog)
            _state.keeping = true;
    }
    if (beforeDialog) {
        reachStep(KeepingBegun);
        return true;
    }
    // The window's thread decides, between the presses it handles: a press handled before
    // this cancels, and none can be handled after it, for Cancel is off by then.
    bool kept = false;
    QMetaObject::invokeMethod(
        _state.window,
        [this, &kept] {
            const std::lock_guard<std::mutex> lock(_state.mutex);
            if (_state.cancel.load())
                return;
            _state.keeping = true;
            if (_state.showKeeping)
                _state.showKeeping();
            kept = true;
        },
        Qt::BlockingQueuedConnection);
    if (kept)
        reachStep(KeepingBegun);
    return kept;
}

namespace {

// What the window and the work share. The work's thread holds it too, so that it lives until
// both are done with it: the window never waits for that thread to end.
struct Run
{
    ImportProgress::Aside::State state;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
};

bool isDone(Run &run)
{
    const std::lock_guard<std::mutex> lock(run.mutex);
    return run.done;
}

} // namespace

bool ImportProgress::runAside(QWidget *parent, const QString &label, const Work &work, bool cancellable, const QString &keeping)
{
    const auto run = std::make_shared<Run>();
    Aside::State &state = run->state;
    QObject window;
    state.window = &window;
    const QString keepingLabel = keeping.isEmpty() ? translated(QStringLiteral("Keeping the imported records...")) : keeping;
    // The work frees what it made before it says it is done, and its thread ends on its own:
    // the window never joins it, so nothing the work lets go of is waited for here.
    std::thread([run, &work] {
        {
            Aside aside(run->state);
            reachStep(WorkBegun);
            work(aside);
            reachStep(WorkEnded);
        }
        const std::lock_guard<std::mutex> lock(run->mutex);
        run->done = true;
        run->ended.notify_all();
    }).detach();
    // What ends within a few frames needs no dialog. Meanwhile the window goes on drawing and
    // running its timers, a few milliseconds at a time; what the user does waits for the
    // dialog, which takes no input until the work has ended.
    QElapsedTimer waited;
    waited.start();
    const int quiet = qBound(0, s_minimumDuration, 40);
    bool finished = false;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(run->mutex);
            finished = run->ended.wait_for(lock, std::chrono::milliseconds(qBound(qint64(0), quiet - waited.elapsed(), qint64(5))),
                                           [&] { return run->done; });
        }
        if (finished || waited.elapsed() >= quiet)
            break;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (!finished) {
        AsideDialog dialog(label, QString(), 0, 1000, parent);
        dialog.setObjectName(QStringLiteral("ImportProgress"));
        dialog.setWindowModality(Qt::WindowModal);
        dialog.setAutoReset(false);
        dialog.setAutoClose(false);
        dialog.setMinimumDuration(0);
        QPointer<QPushButton> cancelButton;
        if (cancellable) {
            cancelButton = new QPushButton(translated(QStringLiteral("Cancel")), &dialog);
            dialog.setCancelButton(cancelButton);
            // A press does not close the dialog: it stays until the work has stopped.
            QObject::disconnect(&dialog, SIGNAL(canceled()), &dialog, SLOT(cancel()));
        } else {
            dialog.setCancelButton(nullptr);
        }
        // Without a share to show, the bar runs to and fro.
        if (state.permille.load() == 0 && !cancellable)
            dialog.setRange(0, 0);
        auto showKeeping = [&] {
            dialog.setLabelText(keepingLabel);
            dialog.setRange(0, 0);
            if (cancelButton)
                cancelButton->setEnabled(false);
        };
        {
            const std::lock_guard<std::mutex> lock(state.mutex);
            state.dialogShown = true;
            state.showKeeping = showKeeping;
            if (state.keeping)
                showKeeping();
        }
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(25);
        auto pressCancel = [&] {
            const std::lock_guard<std::mutex> lock(state.mutex);
            if (state.keeping || !cancellable)
                return;
            state.cancel.store(true);
            if (cancelButton)
                cancelButton->setEnabled(false);
        };
        QObject::connect(&dialog, &QProgressDialog::canceled, &loop, pressCancel);
        bool cancelSlotSeen = false;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (isDone(*run)) {
                loop.quit();
                return;
            }
            // The dialog's own cancel() slot, called by a program rather than the button, hides
            // it: it counts as a press, and the dialog stays until the work has stopped.
            if (dialog.wasCanceled() && !cancelSlotSeen) {
                cancelSlotSeen = true;
                pressCancel();
                dialog.show();
            }
            const int value = state.permille.load(std::memory_order_relaxed);
            if (dialog.maximum() > 0 && value != dialog.value() && value < 1000)
                dialog.setValue(value);
        });
        dialog.show();
        poll.start();
        // The loop runs inside the user's action: a wait for the database or a message that
        // came before it still counts for the action, as during an alert.
        DatabaseUserAction::beginAlert();
        if (!isDone(*run))
            loop.exec();
        DatabaseUserAction::endAlert();
        poll.stop();
        const std::lock_guard<std::mutex> lock(state.mutex);
        state.showKeeping = nullptr;
    }
    return !state.cancel.load();
}

} // namespace quillmark
