#include "database/window/ExportWriter.h"

#include "foundation/Language.h"

#include <QSaveFile>

namespace quillmark {

namespace {

// Large enough that a file of a million records takes a few hundred writes.
constexpr qsizetype ExportChunk = 1 << 20;

} // namespace

bool ExportWriter::Sink::write(const QString &text)
{
    _pending += text.toUtf8();
    if (_pending.size() >= ExportChunk)
        return flush();
    return !_failed;
}

bool ExportWriter::Sink::flush()
{
    if (!_failed && !_pending.isEmpty())
        _failed = _device.write(_pending) != _pending.size();
    _pending.clear();
    return !_failed;
}

ExportWriter::Outcome ExportWriter::run(QWidget *parent, const QString &path, const QString &label, const Produce &produce)
{
    Outcome outcome;
    ImportProgress::runAside(
        parent, label,
        [&](ImportProgress::Aside &aside) {
            // Made, written and dropped on this thread: the file is the work's alone.
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly)) {
                outcome.reason = file.errorString();
                return;
            }
            Sink sink(file);
            bool complete = false;
            try {
                complete = produce(sink, aside);
            } catch (const DatabaseError &e) {
                outcome.failure = e;
                return;
            }
            if (!complete && !sink.failed())
                return;
            if (!sink.flush()) {
                outcome.reason = file.errorString();
                return;
            }
            // The temporary file takes the chosen name only when the user has not cancelled;
            // from here on a press no longer counts. Left without a commit it is removed.
            if (!aside.beginKeeping())
                return;
            if (!file.commit()) {
                outcome.reason = file.errorString();
                return;
            }
            outcome.result = Result::Written;
        },
        true, translated(QStringLiteral("Saving the exported file...")));
    if (outcome.result != Result::Written)
        outcome.result = outcome.failure || !outcome.reason.isNull() ? Result::Failed : Result::Cancelled;
    return outcome;
}

} // namespace quillmark
