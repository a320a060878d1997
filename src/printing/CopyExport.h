#pragma once
// Whole-sheet files (a PDF of both sides, EPS, TIFF) and label files of every export format
// drawn from a copy of the design on a thread of their own, as a print job draws its pages:
// the window answers meanwhile, a progress panel shows once it takes longer than a moment,
// and its Cancel gives the file up before anything of it is written.
#include <QByteArray>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>

#include "printing/ExportFormats.h"
#include "printing/PdfExport.h"
#include "printing/PrintJob.h"
#include "printing/SequentialDrawing.h"

namespace quillmark {

class BesideWindow;
class RectsView;

class CopyExport
{
public:
    enum class Outcome
    {
        Made,
        Cancelled,
        Failed,
        // The design holds a kind drawn on the window's thread only: it is drawn there.
        NotCopied,
    };
    struct Result
    {
        Outcome outcome = Outcome::Failed;
        // The file's contents; empty once written to the path given.
        QByteArray data;
        QString error;
    };
    enum class SheetForm
    {
        PDF,
        EPS,
        TIFF
    };

    // The file of the whole sheet of `job` on a page of `page` points: a PDF shows the back of
    // the sheet on a second page when `twoSides`. Written to `path` on the job's thread when
    // one is given: a sheet of large labels makes a file of hundreds of megabytes.
    static Result sheet(RectsView &view, const PrintJob &job, SheetForm form, const QSizeF &page,
                        const PdfExport::Info &info, bool twoSides, const QString &path = {});
    // The file of the current label showing the record of the label of that number, written
    // to `path` on the job's thread when one is given (a large file takes a while to write).
    static Result label(RectsView &view, ExportFormat format, double resolution, int labelNumber,
                        const QString &path = {});
    // The same of a design copied already, the window answering through `answer` (false
    // there gives the file up). The job's thread lets go of `owner` once done with it. Drawn
    // on `worker` when one is given, the copy staying there for the next file of a run (its
    // owner lets go of it there); else on a thread of its own that lets go of the copy.
    static Result label(const SequentialDrawing &drawing, const SequentialDrawing::Record &record, ExportFormat format,
                        double resolution, const std::function<bool()> &answer, const QString &path = {},
                        std::shared_ptr<SequentialDrawing> *owner = nullptr, BesideWindow *worker = nullptr);
};

} // namespace quillmark
