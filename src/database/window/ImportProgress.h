#pragma once
// The progress of a long import or export, with its Cancel button: the work runs on a thread of
// its own, and the dialog shows once it has run for a moment.
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

class QWidget;

namespace quillmark {

class ImportProgress
{
public:
    ImportProgress() = delete;

    // How long the work runs before the dialog shows (tests show it at once).
    static int minimumDuration();
    static void setMinimumDuration(int milliseconds);

    // What work running aside sees of its dialog.
    class Aside
    {
    public:
        // Set once the user's Cancel holds: the work stops and keeps nothing.
        const std::atomic<bool> &cancel() const;
        bool cancelled() const;
        // How much is done, 0 to 1000.
        std::atomic<int> &permille();
        // `done` of `total` rows: the share shown, every few hundred rows; false once cancelled.
        bool step(qint64 done, qint64 total);
        // The point after which what the work did is kept (a transaction's commit): false when
        // Cancel came first, and the work must then keep nothing. Once it answers true, Cancel
        // is off and the dialog says that the records are being kept, before the caller goes on:
        // a Cancel the user presses from then on is not taken for one that holds.
        bool beginKeeping();

        struct State;
        explicit Aside(State &state) : _state(state) {}

    private:
        State &_state;
    };

    // Runs `work` on a thread of its own while the window stays answering: a job that ends in
    // a moment shows nothing, a longer one its progress and, when it can stop, Cancel. False
    // when the user's Cancel held. The window's controls take no input meanwhile, and nothing
    // else may touch what the work uses.
    // `keepingLabel` is what the dialog says once the work keeps what it did (by default that
    // the imported records are being kept).
    using Work = std::function<void(Aside &aside)>;
    static bool runAside(QWidget *parent, const QString &label, const Work &work, bool cancellable = true,
                         const QString &keepingLabel = QString());

    // Lets go of what work aside made (the records of a whole file) on a thread of the pool:
    // half a million records take the window a tenth of a second to free.
    template <typename T>
    static void releaseAside(T &&value)
    {
        auto held = std::make_shared<std::decay_t<T>>(std::forward<T>(value));
        startAside([held = std::move(held)]() mutable { held.reset(); });
    }

    // Steps of a run aside at which tests act as the user would: each row's Aside::step, and
    // the three below. Called on the work's thread.
    enum : qint64 { KeepingBegun = -1, WorkEnded = -2, WorkBegun = -3 };
    static void setStepHookForTesting(std::function<void(qint64 step)> hook);

private:
    static void startAside(std::function<void()> job);
};

} // namespace quillmark
