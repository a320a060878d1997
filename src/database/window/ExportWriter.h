#pragma once
// Writes an export of records aside from the window, with the progress and its Cancel: into a
// temporary file beside the one chosen, which takes the chosen name only once every record is
// written. A Cancel pressed before then leaves no file, and an older file of that name as it
// was; once the file is being put in place Cancel is off and the dialog says so.
#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include "database/store/DatabaseError.h"
#include "database/window/ImportProgress.h"

class QIODevice;
class QWidget;

namespace quillmark {

class ExportWriter
{
public:
    // Text on its way to the file, written in large pieces as it gathers.
    class Sink
    {
    public:
        explicit Sink(QIODevice &device) : _device(device) {}
        // False once the file could not take what was written.
        bool write(const QString &text);
        bool flush();
        bool failed() const { return _failed; }

    private:
        QIODevice &_device;
        QByteArray _pending;
        bool _failed = false;
    };

    // Writes the records through the sink, calling the Aside's step once per record; answers
    // false to stop (a Cancel that held). A DatabaseError it throws stops the export too.
    using Produce = std::function<bool(Sink &sink, ImportProgress::Aside &aside)>;

    enum class Result { Written, Cancelled, Failed };
    struct Outcome
    {
        Result result = Result::Failed;
        // Why the file could not be written (Failed without a database failure).
        QString reason;
        std::optional<DatabaseError> failure;
    };

    static Outcome run(QWidget *parent, const QString &path, const QString &label, const Produce &produce);
};

} // namespace quillmark
