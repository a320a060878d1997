#pragma once
// The progress of a long import or export, with its Cancel button: shown once the work has run
// for a moment, it lets the event loop breathe every few hundred rows.
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>

class QProgressDialog;
class QWidget;

namespace quillmark {

class ImportProgress
{
public:
    ImportProgress(QWidget *parent, const QString &label, int total);
    ~ImportProgress();
    ImportProgress(const ImportProgress &) = delete;
    ImportProgress &operator=(const ImportProgress &) = delete;

    // Rows done so far; false once the user has cancelled.
    bool step(int done);
    bool wasCanceled() const;

    // How long the work runs before the dialog shows (tests show it at once).
    static int minimumDuration();
    static void setMinimumDuration(int milliseconds);

    // Runs `work` on a thread of its own while the window stays answering: a job that ends in
    // a moment shows nothing, a longer one its progress (`permille`, 0 to 1000) and, when it
    // can stop, Cancel, which sets `cancel` for the work to stop at. False when it was
    // cancelled. The window's controls take no input meanwhile, and nothing else may touch
    // what the work uses.
    using Work = std::function<void(const std::atomic<bool> &cancel, std::atomic<int> &permille)>;
    static bool runAside(QWidget *parent, const QString &label, const Work &work, bool cancellable = true);

private:
    QPointer<QProgressDialog> _dialog;
    int _total;
};

} // namespace quillmark
