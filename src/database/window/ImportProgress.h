#pragma once
// The progress of a long import or export, with its Cancel button: shown once the work has run
// for a moment, it lets the event loop breathe every few hundred rows.
#include <QPointer>
#include <QString>

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

private:
    QPointer<QProgressDialog> _dialog;
    int _total;
};

} // namespace quillmark
