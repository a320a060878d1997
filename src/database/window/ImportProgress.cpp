#include "database/window/ImportProgress.h"

#include "foundation/Language.h"

#include <QProgressDialog>

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

} // namespace quillmark
