#include "printing/CopyExport.h"

#include <QImage>
#include <QPainter>
#include <QtMath>

#include <utility>
#include <vector>

#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "printing/ExportFile.h"
#include "printing/ImageExport.h"
#include "printing/JobProgress.h"
#include "printing/SheetImaging.h"
#include "printing/SheetPrinter.h"

namespace quillmark {

namespace {

std::function<QString(qsizetype)> exporting()
{
    return [](qsizetype) { return Language::stringForKey(QStringLiteral("Exporting labels...")); };
}

CopyExport::Result failed(const QString &error)
{
    return {CopyExport::Outcome::Failed, {}, error};
}

} // namespace

CopyExport::Result CopyExport::sheet(RectsView &view, const PrintJob &job, SheetForm form, const QSizeF &page,
                                     const PdfExport::Info &info, bool twoSides, const QString &path)
{
    JobProgress progress(view.window(), 0, exporting());
    auto answer = [&progress] { return progress.answer(0); };
    const SheetLayout layout = view.sheetLayout();
    std::shared_ptr<SequentialDrawing> drawing = SequentialDrawing::captureSheet(view, layout.pageNames(), answer);
    if (progress.cancelled())
        return {Outcome::Cancelled, {}, {}};
    if (!drawing)
        return {Outcome::NotCopied, {}, {}};

    // Each page of the file with the records its labels show, read here: a PDF's second page
    // shows the back of the same sheet.
    std::vector<std::pair<PrintJob, SheetPrinter::Page>> pages;
    const int sides = form == SheetForm::PDF && twoSides ? 2 : 1;
    for (int side = 0; side < sides; ++side) {
        PrintJob sideJob = job;
        if (form == SheetForm::PDF)
            sideJob.cardSide = side == 0 ? PrintJob::Front : PrintJob::Back;
        SheetPrinter::Page plan;
        plan.page = 1;
        for (const int label : layout.labelsOf(sideJob, plan.page))
            plan.records.insert(label, drawing->currentRecord(label));
        pages.emplace_back(std::move(sideJob), std::move(plan));
    }

    Result result;
    bool written = false;
    const bool made = runBesideWindow(answer, [&](const std::function<bool()> &stopped) {
        drawing->prepare(stopped);
        auto paint = [&](QPainter &painter, int index) {
            const auto &[sideJob, plan] = pages.at(size_t(index));
            SheetPrinter::drawPage(&painter, QRectF(QPointF(0, 0), sideJob.paper), *drawing, layout, sideJob, plan,
                                   stopped);
        };
        if (stopped()) {
        } else if (form == SheetForm::TIFF) {
            QImage image(qCeil(page.width()), qCeil(page.height()), QImage::Format_ARGB32_Premultiplied);
            if (!image.isNull()) {
                image.fill(Qt::transparent);
                {
                    QPainter painter(&image);
                    painter.setRenderHint(QPainter::Antialiasing);
                    paint(painter, 0);
                }
                if (!stopped())
                    result.data = ImageExport::encode(image, ImageFileType::TIFF, 72.0f, &result.error);
            }
        } else if (!path.isEmpty()) {
            // Straight to the disk as the pages are drawn: a sheet of many large labels makes
            // a file of hundreds of megabytes, whose images need not stay in memory.
            written = PdfExport::writeFile(path, form == SheetForm::EPS, page, paint,
                                           form == SheetForm::PDF ? info : PdfExport::Info(), int(pages.size()),
                                           &result.error, stopped);
        } else {
            const QByteArray pdf = PdfExport::pdfData(page, paint, form == SheetForm::PDF ? info : PdfExport::Info(),
                                                      int(pages.size()), &result.error);
            if (!stopped())
                result.data = form == SheetForm::PDF || pdf.isEmpty() ? pdf : PdfExport::epsFromPDF(pdf, &result.error);
        }
        // The copies go on the thread that made them, and the design with them: a design of
        // tens of thousands of objects takes a while to let go of.
        drawing->release();
        drawing.reset();
        if (!path.isEmpty() && !result.data.isEmpty() && !stopped()) {
            written = ExportFile::write(path, result.data, &result.error);
            result.data.clear();
        }
    });
    // A Cancel pressed once the file was in place leaves it whole.
    if (written)
        return {Outcome::Made, {}, {}};
    if (!made)
        return {Outcome::Cancelled, {}, {}};
    result.outcome = result.data.isEmpty() ? Outcome::Failed : Outcome::Made;
    return result;
}

CopyExport::Result CopyExport::label(RectsView &view, ExportFormat format, double resolution, int labelNumber,
                                     const QString &path)
{
    JobProgress progress(view.window(), 0, exporting());
    auto answer = [&progress] { return progress.answer(0); };
    std::shared_ptr<SequentialDrawing> drawing = SequentialDrawing::captureSheet(view, {view.getCurrPageName()}, answer);
    if (progress.cancelled())
        return {Outcome::Cancelled, {}, {}};
    if (!drawing)
        return {Outcome::NotCopied, {}, {}};
    std::shared_ptr<SequentialDrawing> owner = drawing;
    const SequentialDrawing &copy = *drawing;
    drawing.reset();
    return label(copy, copy.currentRecord(labelNumber), format, resolution, answer, path, &owner);
}

CopyExport::Result CopyExport::label(const SequentialDrawing &drawing, const SequentialDrawing::Record &record,
                                     ExportFormat format, double resolution, const std::function<bool()> &answer,
                                     const QString &path, std::shared_ptr<SequentialDrawing> *owner,
                                     BesideWindow *worker)
{
    Result result;
    bool written = false;
    auto work = [&](const std::function<bool()> &stopped) {
        drawing.prepare(stopped);
        if (stopped()) {
        } else if (format == ExportFormat::PDF || format == ExportFormat::EPS) {
            const QByteArray pdf = PdfExport::pdfData(
                drawing.size(), [&](QPainter &painter, int) { drawing.drawLabel(&painter, record, stopped); }, {}, 1,
                &result.error);
            if (!stopped())
                result.data = format == ExportFormat::PDF || pdf.isEmpty() ? pdf : PdfExport::epsFromPDF(pdf, &result.error);
        } else if (const std::optional<ImageFileType> type = exportTypeTable(format)) {
            const QImage image = drawing.draw(record, resolution, format == ExportFormat::TIFF, stopped);
            if (image.isNull())
                result.error = Language::stringForKey(QStringLiteral("The label is too large to draw at this resolution."));
            else if (!stopped())
                result.data = ImageExport::fileData(image, *type, float(resolution), &result.error);
        } else {
            result.error = Language::stringForKey(QStringLiteral("Unknown export format."));
        }
        // A run of files keeps the copy for the next record: made once a run, not once a file.
        if (!worker)
            drawing.release();
        // A design of tens of thousands of objects takes a while to let go of.
        if (owner)
            owner->reset();
        if (!path.isEmpty() && !result.data.isEmpty() && !stopped()) {
            written = ExportFile::write(path, result.data, &result.error);
            result.data.clear();
        }
    };
    const bool made = worker ? worker->run(answer, work) : runBesideWindow(answer, work);
    // A Cancel pressed once the file was in place leaves it whole.
    if (written)
        return {Outcome::Made, {}, {}};
    if (!made)
        return {Outcome::Cancelled, {}, {}};
    if (result.data.isEmpty())
        return failed(result.error);
    result.outcome = Outcome::Made;
    return result;
}

} // namespace quillmark
