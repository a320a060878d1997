// The print commands: the options sheet, the print panel with the label range, Page Setup on
// the shared page layout, and the job itself, to a printer or to a PDF file that is written
// whole or not at all.
#include "canvas/RectsView.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProgressDialog>
#include <QSaveFile>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <optional>

#include "barcodes/ColorBarcode.h"
#include "foundation/Language.h"
#include "platform/NotificationCenter.h"
#include "platform/PrintInfo.h"
#include "platform/PrintPanels.h"
#include "platform/Prompts.h"
#include "printing/JobProgress.h"
#include "printing/PrintAddViewController.h"
#include "printing/PrintJob.h"
#include "printing/PrintPagination.h"
#include "printing/PrintingPanel.h"
#include "printing/RecordRun.h"
#include "printing/SequentialDrawing.h"
#include "printing/SheetJob.h"
#include "printing/SheetPrinter.h"
#include "printing/StockPaper.h"
#include "stock/TFormat.h"

namespace quillmark {

// The problems objects reported during one print command, and how many the user has seen.
struct RectsView::PrintProblemLog
{
    QStringList messages;
    qsizetype shown = 0;
};

namespace {


void fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
}

// Tells the user once what the objects reported since the last time.
void showNewProblems(QWidget *parent, const QStringList &messages, qsizetype &shown)
{
    if (shown >= messages.size())
        return;
    const QStringList fresh = messages.mid(shown);
    shown = messages.size();
    Prompts::current().alert(parent, localizedString("Some labels print without their barcode."), fresh.join(QLatin1Char('\n')),
                             {}, Prompts::Warning);
}

// The pages of a job drawn on its own thread go to a PDF file through a temporary file beside
// the chosen one, written whole or not at all.
class PdfOutput : public SheetPrinter::Output
{
public:
    PdfOutput(QSaveFile &file, const QPageLayout &layout, const QString &title)
        : m_file(file)
        , m_layout(layout)
        , m_title(title)
    {
    }
    bool begin(QPainter &painter) override
    {
        m_writer = std::make_unique<QPdfWriter>(&m_file);
        m_writer->setResolution(72);
        m_writer->setTitle(m_title);
        m_writer->setCreator(QCoreApplication::applicationName());
        m_writer->setPageLayout(QPageLayout(m_layout.pageSize(), m_layout.orientation(), QMarginsF(0, 0, 0, 0)));
        return painter.begin(m_writer.get());
    }
    bool newPage() override { return m_writer->newPage(); }
    bool failed() const override { return m_file.error() != QFileDevice::NoError; }
    void end() override { m_writer.reset(); }

private:
    QSaveFile &m_file;
    QPageLayout m_layout;
    QString m_title;
    std::unique_ptr<QPdfWriter> m_writer;
};

// The pages go to the printer, one unit a point whatever its resolution.
class PrinterOutput : public SheetPrinter::Output
{
public:
    explicit PrinterOutput(QPrinter &printer)
        : m_printer(printer)
    {
    }
    bool begin(QPainter &painter) override { return painter.begin(&m_printer); }
    bool newPage() override { return m_printer.newPage(); }
    bool failed() const override
    {
        return m_printer.printerState() == QPrinter::Error || m_printer.printerState() == QPrinter::Aborted;
    }
    // The pages not yet sent are not printed, and the printer is told to drop the job.
    void abort() override { m_printer.abort(); }
    QTransform pageTransform() const override
    {
        const double scale = double(m_printer.resolution()) / 72.0;
        return QTransform::fromScale(scale, scale);
    }

private:
    QPrinter &m_printer;
};

// The job's pages written into a PDF file through a temporary file beside it: a failure
// (no room, no permission, a painter that cannot start) leaves no file and no old file lost,
// and so does the user's Cancel, with no reason told.
bool writeJobPdf(RectsView &view, const QString &path, const QPageLayout &layout, const PrintJob &job,
                 const QList<int> &sequence, const QString &title, const RecordRun *run, QString *error)
{
    JobProgress progress(view.window(), sequence.size(), JobProgress::printingPages(sequence.size()));
    bool cancelled = false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        fail(error, Language::withValues(localizedString("Could not write %@: %@"), {QFileInfo(path).fileName(), file.errorString()}));
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(72);
        writer.setTitle(title);
        writer.setCreator(QCoreApplication::applicationName());
        writer.setPageLayout(QPageLayout(layout.pageSize(), layout.orientation(), QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            fail(error, Language::withValues(localizedString("Could not write %@: %@"),
                                   {QFileInfo(path).fileName(), localizedString("the PDF writer could not start.")}));
            return false;
        }
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF page(QPointF(0, 0), job.paper);
        for (qsizetype i = 0; i < sequence.size(); ++i) {
            if (i > 0)
                writer.newPage();
            painter.save();
            view.drawSheetPage(&painter, page, job, sequence.at(i));
            painter.restore();
            // A full disk is found out at the first page that does not fit.
            if (file.error() != QFileDevice::NoError)
                break;
            if (run && run->stopped())
                break;
            if (!progress.stepDone(i + 1)) {
                cancelled = true;
                break;
            }
        }
        painter.end();
    }
    if (cancelled) {
        file.cancelWriting();
        return false;
    }
    // A job stopped on the way writes nothing: the labels it printed would be a part.
    if (run && run->stopped()) {
        file.cancelWriting();
        fail(error, run->stopMessage());
        return false;
    }
    // A write that failed on the way fails the commit too, which then names the reason.
    if (!file.commit()) {
        fail(error, Language::withValues(localizedString("Could not write %@: %@"), {QFileInfo(path).fileName(), file.errorString()}));
        return false;
    }
    return true;
}

// The file the last print to a file went to, kept while the program runs.
QString &lastPrintFile()
{
    static QString path;
    return path;
}

// What the warning about labels past the paper says: which stock, the paper chosen, how far
// the labels reach past it (in the user's unit), and the paper the sheet is cut on when that
// is another one.
QString pastThePaper(const TLabel &label, const TFormat *format, const QPageLayout &chosen,
                     const std::function<QString(float)> &inUnits)
{
    const QRectF extent = StockPaper::sheetExtent(label, format);
    const QSizeF paper = PrintInfo::exactPaperSize(chosen);
    const double beyond = std::max({extent.right() - paper.width(), extent.bottom() - paper.height(), -extent.left(),
                                    -extent.top(), 0.0});
    QPageSize own = StockPaper::paperForStock(label, format);
    if (!own.isValid())
        own = StockPaper::paperForLabels(label, format);
    const QString stock = format && !format->name.isEmpty() ? format->name : label.name;
    const QStringList values = {stock, inUnits(float(beyond / 72.0)), chosen.pageSize().name()};
    if (own.isValid() && !own.isEquivalentTo(chosen.pageSize()))
        return Language::withValues(localizedString("The labels of \u201c%@\u201d reach %@ past the %@ paper: those beyond its "
                                                    "edge will be cut. Choose %@ in Page Setup."),
                                    values + QStringList{own.name()});
    return Language::withValues(
        localizedString("The labels of \u201c%@\u201d reach %@ past the %@ paper: those beyond its edge will be cut."), values);
}

} // namespace

void RectsView::reportPrintProblem(const QString &message)
{
    if (m_printProblems && !message.isEmpty() && !m_printProblems->messages.contains(message))
        m_printProblems->messages.append(message);
}

bool RectsView::printJob(QPrinter &printer, const PrintJob &job, QString *error)
{
    const int pages = pageCount(job);
    if (pages < 1)
        return true;
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    if (toFile && printer.outputFileName().isEmpty()) {
        fail(error, localizedString("No file was chosen to print to."));
        return false;
    }
    PrintJob pageJob = job;
    pageJob.paper = PrintInfo::exactPaperSize(printer.pageLayout());
    const int copies = std::max(1, printer.copyCount());
    const bool collate = printer.collateCopies();
    const bool reverse = printer.pageOrder() == QPrinter::LastPageFirst;
    // A file cannot make copies: the job is written that many times. A printer that makes
    // copies itself gets one set; for the others the job repeats.
    const bool printerCopies = !toFile && printer.supportsMultipleCopies();
    const QList<int> sequence = PrintPagination::pageSequence(pages, printerCopies ? 1 : copies, collate, reverse);

    // The design is copied for the job's thread, the window answering meanwhile; a design
    // holding a kind drawn on the window's thread only is printed here, page by page.
    JobProgress progress(window(), sequence.size(), JobProgress::printingPages(sequence.size()));
    const SheetLayout layout = sheetLayout();
    // The options sheet's preview may have copied it already.
    auto answer = [&progress] { return progress.answer(0); };
    std::shared_ptr<SequentialDrawing> drawing = m_printingPanel ? m_printingPanel->designFor(layout.pageNames(), answer) : nullptr;
    if (progress.cancelled())
        return false;
    if (!drawing)
        drawing = SequentialDrawing::captureSheet(*this, layout.pageNames(), answer);
    if (progress.cancelled())
        return false;
    if (!drawing)
        return printJobHere(printer, job, error);

    // The records of a merged job are read here, page by page as the job's thread draws, and
    // the record of before is current again when it ends.
    std::unique_ptr<RecordRun> run;
    if (job.sequence)
        run = std::make_unique<RecordRun>(*this, RecordRun::Kind::Print);
    auto pageOf = [&](int page) {
        SheetPrinter::Page plan;
        plan.page = page;
        for (const int label : layout.labelsOf(pageJob, page)) {
            // A label never shows the record before it: the job stops at one it cannot read.
            if (run && label < job.recordKeys.size() && !run->read(job.recordKeys.at(label), label + 1)) {
                plan.lastPage = true;
                break;
            }
            plan.records.insert(label, drawing->currentRecord(label));
        }
        return plan;
    };

    std::unique_ptr<QSaveFile> file;
    std::unique_ptr<SheetPrinter::Output> output;
    if (toFile) {
        file = std::make_unique<QSaveFile>(printer.outputFileName());
        if (!file->open(QIODevice::WriteOnly)) {
            fail(error, Language::withValues(localizedString("Could not write %@: %@"),
                                             {QFileInfo(printer.outputFileName()).fileName(), file->errorString()}));
            return false;
        }
        output = std::make_unique<PdfOutput>(*file, printer.pageLayout(), printer.docName());
    } else {
        if (!printerCopies)
            printer.setCopyCount(1);
        printer.setFullPage(true);
        output = std::make_unique<PrinterOutput>(printer);
    }

    bool cancelled = false;
    {
        SheetPrinter sheets(drawing, layout, pageJob, std::move(output));
        sheets.drive(sequence, pageOf, [&progress](int done) { return progress.answer(done); });
        cancelled = sheets.cancelled();
        // A job given up before its first page began is no failure.
        if (!sheets.began() && !cancelled) {
            if (file)
                file->cancelWriting();
            fail(error, toFile ? Language::withValues(localizedString("Could not write %@: %@"),
                                                      {QFileInfo(printer.outputFileName()).fileName(),
                                                       localizedString("the PDF writer could not start.")})
                               : localizedString("The printer could not be started."));
            return false;
        }
    }
    if (run)
        run->end();
    if (cancelled) {
        if (file)
            file->cancelWriting();
        return false;
    }
    // A job stopped on the way writes nothing: the labels it printed would be a part.
    if (run && run->stopped()) {
        if (file)
            file->cancelWriting();
        fail(error, run->stopMessage());
        return false;
    }
    if (file) {
        // A file of hundreds of megabytes takes a while to reach the disk: the window answers
        // meanwhile, and the file, once being put in place, is put there whole.
        bool committed = false;
        runBesideWindow([&progress, &sequence] { return progress.answer(std::max<qsizetype>(0, sequence.size() - 1)); },
                        [&](const std::function<bool()> &) { committed = file->commit(); });
        // A write that failed on the way fails the commit too, which then names the reason.
        if (!committed) {
            fail(error, Language::withValues(localizedString("Could not write %@: %@"),
                                             {QFileInfo(printer.outputFileName()).fileName(), file->errorString()}));
            return false;
        }
        return true;
    }
    if (printer.printerState() == QPrinter::Error) {
        fail(error, localizedString("The printer reported an error."));
        return false;
    }
    return true;
}

bool RectsView::printJobHere(QPrinter &printer, const PrintJob &job, QString *error)
{
    const int pages = pageCount(job);
    if (pages < 1)
        return true;
    PrintJob pageJob = job;
    pageJob.paper = PrintInfo::exactPaperSize(printer.pageLayout());
    // The records of a merged job are read through one reader for the whole job, and the
    // record of before is current again when it ends.
    SheetJob sheet;
    if (job.sequence)
        sheet.records = std::make_unique<RecordRun>(*this, RecordRun::Kind::Print);
    RecordRun *run = sheet.records.get();
    struct JobScope
    {
        SheetJob *&slot;
        ~JobScope() { slot = nullptr; }
    } jobScope{m_sheetJob};
    m_sheetJob = &sheet;
    auto finish = [&](bool ok) {
        m_sheetJob = nullptr;
        if (run)
            run->end();
        return ok;
    };
    const int copies = std::max(1, printer.copyCount());
    const bool collate = printer.collateCopies();
    const bool reverse = printer.pageOrder() == QPrinter::LastPageFirst;

    if (printer.outputFormat() == QPrinter::PdfFormat) {
        // A file cannot make copies: the job is written that many times.
        if (printer.outputFileName().isEmpty()) {
            fail(error, localizedString("No file was chosen to print to."));
            return false;
        }
        return finish(writeJobPdf(*this, printer.outputFileName(), printer.pageLayout(), pageJob,
                                  PrintPagination::pageSequence(pages, copies, collate, reverse), printer.docName(),
                                  run, error));
    }

    // A printer that makes copies itself gets one set; for the others the job repeats.
    const bool printerCopies = printer.supportsMultipleCopies();
    const QList<int> sequence = PrintPagination::pageSequence(pages, printerCopies ? 1 : copies, collate, reverse);
    if (!printerCopies)
        printer.setCopyCount(1);
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer)) {
        fail(error, localizedString("The printer could not be started."));
        return finish(false);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    // One unit is one point whatever the printer's resolution.
    const double scale = double(printer.resolution()) / 72.0;
    JobProgress progress(window(), sequence.size(), JobProgress::printingPages(sequence.size()));
    bool cancelled = false;
    for (qsizetype i = 0; i < sequence.size(); ++i) {
        if (i > 0 && !printer.newPage())
            break;
        painter.save();
        painter.resetTransform();
        painter.scale(scale, scale);
        drawSheetPage(&painter, QRectF(QPointF(0, 0), pageJob.paper), pageJob, sequence.at(i));
        painter.restore();
        if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
            break;
        if (run && run->stopped()) {
            // What was not yet sent is not printed.
            printer.abort();
            break;
        }
        if (!progress.stepDone(i + 1)) {
            // The pages not yet sent are not printed, and the printer is told to drop the job.
            cancelled = true;
            printer.abort();
            break;
        }
    }
    painter.end();
    if (cancelled)
        return finish(false);
    if (run && run->stopped()) {
        fail(error, run->stopMessage());
        return finish(false);
    }
    if (printer.printerState() == QPrinter::Error) {
        fail(error, localizedString("The printer reported an error."));
        return finish(false);
    }
    return finish(true);
}

std::optional<int> RectsView::recordsBarcodesCannotEncode(const QList<qint32> &recordKeys)
{
    const QString page = getCurrPageName();
    QList<std::shared_ptr<ColorBarcode>> bound;
    for (const GraphicPtr &graphic : std::as_const(rects)) {
        if (graphic->className() != QLatin1String("ColorBarcode") || graphic->fieldPk() <= 0
            || !graphic->isOnPageNamed(page))
            continue;
        if (auto barcode = std::dynamic_pointer_cast<ColorBarcode>(graphic); barcode && barcode->isDrawBarcode())
            bound.append(barcode);
    }
    if (bound.isEmpty() || recordKeys.isEmpty())
        return 0;
    // A large database takes a while to read through. The window must keep answering: the
    // records are checked in short slices, and once the first slice has not finished the
    // check, a window-modal progress panel shows (it also keeps the user's hands off the
    // design meanwhile) whose Cancel gives up the print.
    std::unique_ptr<QProgressDialog> progress;
    QElapsedTimer slice;
    slice.start();
    constexpr qint64 SliceMs = 40;
    // The records are read as the job reads them, without redrawing anything between.
    int failing = 0;
    int number = 0;
    RecordRun run(*this, RecordRun::Kind::Print);
    for (qint32 key : recordKeys) {
        if (!run.read(key, ++number))
            break;
        if (std::any_of(bound.cbegin(), bound.cend(), [](const auto &barcode) { return !barcode->encodesCurrentRecord(); }))
            ++failing;
        if (slice.elapsed() < SliceMs)
            continue;
        if (!progress) {
            progress = std::make_unique<QProgressDialog>(translated(QStringLiteral("Checking the records' barcodes...")),
                                                         translated(QStringLiteral("Cancel")), 0,
                                                         int(recordKeys.size()), window());
            progress->setWindowModality(Qt::WindowModal);
            progress->setAutoReset(false);
            progress->setAutoClose(false);
            progress->setMinimumDuration(0);
            progress->show();
        }
        progress->setValue(number);
        QCoreApplication::processEvents();
        if (progress->wasCanceled())
            return std::nullopt;
        slice.restart();
    }
    run.end();
    return failing;
}

void RectsView::printCommon()
{
    StockPaper::preselect(_tlabel, getTFormat());
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageLayout(PrintInfo::sharedPrintInfo().pageLayout());
    printer.setDocName(_filePath.isEmpty() ? Language::stringForKey(QStringLiteral("Untitled"))
                                           : QFileInfo(_filePath).completeBaseName());
    // The print panel opens on the file printed to last in this run, not on a new name in the
    // home folder each time.
    if (!lastPrintFile().isEmpty())
        printer.setOutputFileName(lastPrintFile());
    PrintAddViewController *accessory = printViewController();
    accessory->setToValue(int(std::min<qint64>(labelsCount(), std::numeric_limits<int>::max())));
    if (!PrintPanels::current().runPrintPanel(window(), printer, {accessory->view()}))
        return;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        lastPrintFile() = printer.outputFileName();
    // The labels' range is the job's own; a range Qt's panel may still carry is not.
    printer.setFromTo(0, 0);

    const PrintJob job = currentPrintJob();
    if (job.rangeOn && PrintPagination::labelCount(job, countPrintedLabels()) < 1) {
        Prompts::current().alert(
            window(), localizedString("The range selects no labels."),
            Language::withValues(localizedString("There are %@ labels to print: choose From and To between 1 and %@."),
                       {QString::number(labelsCount()), QString::number(labelsCount())}),
            {});
        return;
    }

    if (!StockPaper::fitsPaper(StockPaper::sheetExtent(_tlabel, getTFormat()),
                               PrintInfo::exactPaperSize(printer.pageLayout()))) {
        const int answer = Prompts::current().alert(window(), localizedString("The labels reach past the paper."),
                                                    pastThePaper(_tlabel, getTFormat(), printer.pageLayout(), [this](float inches) { return convertUnits(inches); }),
                                                    {localizedString("Print"), localizedString("Cancel")});
        if (answer != Prompts::FirstButton)
            return;
    }

    // Records whose values no barcode can encode still print, their labels saying why; the
    // user hears how many before a whole run goes to the printer.
    if (job.sequence && !job.calibrationSheet) {
        const auto [first, end] = PrintPagination::labelSpan(job, countPrintedLabels());
        const QList<qint32> printed = job.recordKeys.mid(first, std::max(0, end - first));
        const std::optional<int> failing = recordsBarcodesCannotEncode(printed);
        if (!failing)
            return;
        if (*failing > 0) {
            const int answer = Prompts::current().alert(
                window(), localizedString("Some records give data their barcode cannot encode."),
                Language::withValues(localizedString("%@ of %@ records print without their barcode: their labels show why in its place."),
                                     {QString::number(*failing), QString::number(printed.size())}),
                {localizedString("Print"), localizedString("Cancel")});
            if (answer != Prompts::FirstButton)
                return;
        }
    }

    // A job the user cancelled fails with no reason: there is nothing to tell.
    QString error;
    if (!printJob(printer, job, &error) && !error.isEmpty())
        Prompts::current().alert(window(), localizedString("The labels could not be printed."), error, {}, Prompts::Critical);
    update();
}

void RectsView::print()
{
    // A sheet of no labels (one of more labels than are laid out, from a document) would
    // print a blank page.
    if (labelPositionCount() < 1) {
        Prompts::current().alert(window(), localizedString("There is nothing to print."),
                                 Language::withValues(localizedString("The stock \u201c%@\u201d lays out no labels: choose "
                                                                      "another stock under Label Formats."),
                                                      {_tlabel.name}),
                                 {}, Prompts::Informational);
        return;
    }
    // A barcode numbered from a file that cannot be read would leave every label without it:
    // the user hears which file before anything is drawn or printed.
    if (!barcodeSequenceFilesReadable())
        return;
    PrintProblemLog problems;
    m_printProblems = &problems;
    const bool databasePreview = _databasePreview;
    if (!databasePreview) {
        _databasePreview = true;
        NotificationCenter::defaultCenter().post(QStringLiteral("RecordChangedNotification"));
    }
    PrintingPanel *panel = printingPanel();
    // The design may have changed since the sheet last showed it.
    panel->forgetDesign();
    // The sheet's preview shows the current record: in Print Sequence with the sequence value
    // its own label will print with.
    const bool previewMode = _previewMode;
    _previewMode = true;
    panel->setPreview(QImage());
    _previewMode = previewMode;
    panel->initPrinters();
    // The preview drew the first label: what it could not print, the user hears of now.
    showNewProblems(window(), problems.messages, problems.shown);

    const int result = panel->runModal();
    if (result != 0) {
        panel->setPrintCalibrationSheet(result == 3);
        printCommon();
        panel->setPrintCalibrationSheet(false);
    }
    // The copy the sheet took of the design goes with the job.
    panel->forgetDesign();
    _databasePreview = databasePreview;
    NotificationCenter::defaultCenter().post(QStringLiteral("RecordChangedNotification"));
    showNewProblems(window(), problems.messages, problems.shown);
    m_printProblems = nullptr;
    update();
}

void RectsView::printSequense()
{
    _printSequense = true;
    print();
    _printSequense = false;
}

void RectsView::runPageLayout()
{
    StockPaper::preselect(_tlabel, getTFormat());
    PrintInfo &info = PrintInfo::sharedPrintInfo();
    QPageLayout layout = info.pageLayout();
    if (PrintPanels::current().runPageLayout(window(), layout)) {
        info.setPageLayout(layout);
        if (!StockPaper::fitsPaper(StockPaper::sheetExtent(_tlabel, getTFormat()), info.paperSize()))
            Prompts::current().alert(window(), localizedString("The labels reach past the paper."),
                                     pastThePaper(_tlabel, getTFormat(), info.pageLayout(), [this](float inches) { return convertUnits(inches); }), {},
                                     Prompts::Informational);
    }
    update();
}

} // namespace quillmark
