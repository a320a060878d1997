// Label export: the label renderer, the label as PDF, EPS, bitmap and icon files, singly or
// one file per record, and the whole sheet as TIFF, EPS and paginated PDF for Save As.
#include "canvas/RectsView.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFormLayout>
#include <QPageSize>
#include <QPainter>
#include <QProgressDialog>
#include <QSpinBox>
#include <QThread>
#include <QtMath>

#include <limits>
#include <optional>

#include <pwd.h>
#include <unistd.h>

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "platform/PrintInfo.h"
#include "platform/Prompts.h"
#include "platform/UserDefaults.h"
#include "canvas/SlicedWork.h"
#include "printing/CopyExport.h"
#include "printing/EncodePipeline.h"
#include "printing/ExportFile.h"
#include "printing/JobProgress.h"
#include "printing/ExportFormats.h"
#include "printing/ImageExport.h"
#include "printing/SequentialDrawing.h"
#include "printing/PdfExport.h"
#include "printing/RecordRun.h"
#include "printing/PrintJob.h"
#include "printing/StockPaper.h"

namespace quillmark {

namespace {

struct ExportChoice
{
    QString path;
    ExportFormat format;
    double resolution;
};

// The nine formats as the panel's pop-up offers them, one name filter each, in tag order; the
// first extension is the one a chosen name is given.
QList<Prompts::FileType> exportFileTypes()
{
    QList<Prompts::FileType> types;
    for (int tag = 0; tag < exportFormatCount; ++tag) {
        const ExportFormat format = ExportFormat(tag);
        QStringList extensions{exportFormatExtension(format)};
        if (format == ExportFormat::JPEG)
            extensions << QStringLiteral("jpg");
        else if (format == ExportFormat::TIFF)
            extensions << QStringLiteral("tif");
        types.append({exportFormatTitle(format), extensions});
    }
    return types;
}

// The save panel of both export commands, with the format pop-up preselected from "Export
// Format" (PDF when unset): the chosen format decides the extension and is remembered for
// this run of the program; "Export Res" gives the resolution (the fallback when it is unset
// or not positive differs between single and sequential export).
std::optional<ExportChoice> askExportChoice(QWidget *parent, const QString &title, double fallbackResolution,
                                            QWidget *accessory = nullptr)
{
    UserDefaults &defaults = UserDefaults::standard();
    const ExportFormat preferred =
        exportFormatForTitle(defaults.stringForKey(QStringLiteral("Export Format"))).value_or(ExportFormat::PDF);
    int chosen = int(preferred);
    const QString path = Prompts::current().saveFileOfType(parent, title, QString(),
                                                           Language::stringForKey(QStringLiteral("Untitled")),
                                                           exportFileTypes(), chosen, accessory);
    if (path.isEmpty())
        return std::nullopt;
    const ExportFormat format = exportFormatForTag(chosen).value_or(preferred);
    defaults.registerDefaults({{QStringLiteral("Export Format"), exportFormatTitle(format)}});
    defaults.synchronize();
    const QString res = defaults.stringForKey(QStringLiteral("Export Res"));
    const double resolution = res.isEmpty() ? fallbackResolution : res.toDouble();
    return ExportChoice{path, format, resolution > 0.0 ? resolution : fallbackResolution};
}

// The accessory of Export Sequential: the first and last record numbers. It lives with the
// canvas, so the first number keeps what the user typed last.
QWidget *sequentialAccessory(RectsView *canvas)
{
    const QString name = QStringLiteral("exportSeqObjectOutlet");
    if (auto *accessory = canvas->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly))
        return accessory;
    auto *accessory = new QWidget(canvas);
    accessory->setObjectName(name);
    accessory->hide();
    auto *form = new QFormLayout(accessory);
    for (const auto &[tag, title] : {std::pair{1, "First record:"}, std::pair{2, "Last record:"}}) {
        auto *field = new QSpinBox(accessory);
        field->setObjectName(QStringLiteral("tag%1").arg(tag));
        field->setRange(1, std::numeric_limits<int>::max());
        field->setValue(1);
        form->addRow(Language::stringForKey(QString::fromLatin1(title)), field);
    }
    return accessory;
}

QSpinBox *accessoryField(QWidget *accessory, int tag)
{
    return accessory->findChild<QSpinBox *>(QStringLiteral("tag%1").arg(tag));
}

int browserCount()
{
    if (Database *database = Database::currentDatabase()) {
        try {
            return int(database->browserArray().size());
        } catch (const DatabaseError &) {
            return 0;
        }
    }
    return 0;
}

// Sequential exports this long show their progress at once; shorter ones only when they turn
// out to take more than a moment.
constexpr int LongExport = 25;

// Renders above this many pixels are refused rather than allocated.
constexpr double MaxRenderPixels = 200e6;

QString userFullName()
{
    if (const passwd *entry = getpwuid(getuid())) {
        const QString gecos = QString::fromLocal8Bit(entry->pw_gecos).section(QLatin1Char(','), 0, 0).trimmed();
        if (!gecos.isEmpty())
            return gecos;
        return QString::fromLocal8Bit(entry->pw_name);
    }
    return {};
}

// The whole-sheet files print every label of the sheet on the shared page layout (the stock's
// own paper until Page Setup chose another), whatever range the last print panel had.
PrintJob wholeSheetJob(RectsView &view)
{
    StockPaper::preselect(view.getLabel(), view.getTFormat());
    PrintJob job = view.currentPrintJob();
    job.rangeOn = false;
    job.sequence = false;
    job.recordKeys.clear();
    job.calibrationSheet = false;
    job.paper = PrintInfo::sharedPrintInfo().paperSize();
    return job;
}

// The page of those files: the paper as Qt sizes it, in whole points.
QSizeF wholeSheetPage()
{
    return PrintInfo::sharedPrintInfo().pageLayout().fullRectPoints().size();
}

// The label's current page as the PDF and EPS files draw it: a page the size of the label,
// clipped to the label's shape, the objects in layer order.
struct LabelDrawing
{
    QSizeF size;
    PdfExport::PaintFunction paint;
};

LabelDrawing labelDrawing(const RectsView &view, int labelNumber = 0)
{
    const TLabel &label = view.getLabel();
    const QSizeF size(double(label.width) * 72.0, double(label.height) * 72.0);
    const QString page = view.getCurrPageName();
    const GraphicList sorted = sortedByLayer(view.getRects());
    const BezierPath clip = view.getLabelClipPath();
    return {size, [size, page, sorted, clip, labelNumber](QPainter &painter, int) {
                painter.setClipPath(clip.toPainterPath());
                const ColorRect::DrawingPass pass;
                for (const GraphicPtr &graphic : sorted)
                    if (graphic->isOnPageNamed(page))
                        graphic->printFrame(&painter, QRectF(QPointF(0, 0), size), labelNumber);
            }};
}

// A bitmap draws bars in whole pixels: when that makes them much narrower or wider than
// chosen, the user hears so before the files are written (they are still written).
void tellOfCoarseBars(RectsView &view, const ExportChoice &choice)
{
    const std::optional<ExportFormat> format = exportFormatForTag(int(choice.format));
    if (!format || !exportTypeTable(*format))
        return;
    const QString message = view.coarseBarsMessage(choice.resolution);
    if (!message.isEmpty())
        Prompts::current().alert(view.window(), localizedString(QStringLiteral("The export resolution is low for these bars.")),
                                 message, {}, Prompts::Informational);
}

} // namespace

QImage RectsView::renderLabelImage(float resolution, bool transparent, int labelNumber,
                                   const std::function<bool()> &answer)
{
    const double W = double(_tlabel.width) * 72.0;
    const double H = double(_tlabel.height) * 72.0;
    const double s = double(resolution) / 72.0;
    const double pixels = W * s * H * s;
    if (!(s > 0.0) || !(W > 0.0) || !(H > 0.0) || pixels > MaxRenderPixels)
        return {};
    QImage image(qRound(W * s), qRound(H * s), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(transparent ? Qt::transparent : Qt::white);
    image.setDotsPerMeterX(qRound(double(resolution) / 0.0254));
    image.setDotsPerMeterY(qRound(double(resolution) / 0.0254));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(s, s);
    painter.setClipPath(getLabelClipPath().toPainterPath());
    const QString page = getCurrPageName();
    const double zoom = _zoomValue;
    _zoomValue = s;
    std::optional<ColorRect::DrawingPass> pass;
    pass.emplace();
    QElapsedTimer slice;
    slice.start();
    for (const GraphicPtr &graphic : sortedByLayer(rects)) {
        if (!graphic->isOnPageNamed(page))
            continue;
        graphic->printFrame(&painter, QRectF(0, 0, W, H), labelNumber);
        if (!answer || slice.elapsed() < WindowAnswering::sliceMs())
            continue;
        // The window answers with the canvas as it shows it.
        pass.reset();
        _zoomValue = zoom;
        if (!answer()) {
            painter.end();
            return {};
        }
        _zoomValue = s;
        pass.emplace();
        slice.restart();
    }
    pass.reset();
    _zoomValue = zoom;
    painter.end();
    return image;
}

QByteArray RectsView::createObjectImage(float resolution, const QString &type, int labelNumber)
{
    static const QStringList transparentTypes = {QStringLiteral("GIFf"), QStringLiteral("SGI "),
                                                 QStringLiteral("PNGf"), QStringLiteral("TIFF"),
                                                 QStringLiteral("qtif")};
    const QImage image = renderLabelImage(resolution, transparentTypes.contains(type), labelNumber);
    if (image.isNull())
        return {};
    return ImageExport::encode(image, ImageFileType::TIFF, resolution);
}

bool RectsView::createPDFFile(const QString &path, QString *error, int labelNumber)
{
    const LabelDrawing drawing = labelDrawing(*this, labelNumber);
    return PdfExport::writePDF(path, drawing.size, drawing.paint, {}, 1, error);
}

bool RectsView::exportLabelToFile(const QString &path, int formatTag, double resolution, QString *error,
                                  int labelNumber, bool *cancelled)
{
    const std::optional<ExportFormat> format = exportFormatForTag(formatTag);
    if (!format) {
        if (error)
            *error = Language::stringForKey(QStringLiteral("Unknown export format."));
        return false;
    }
    // Drawn from a copy on a thread of its own, the window answering; a design holding a kind
    // drawn on the window's thread only is drawn here.
    const CopyExport::Result made = CopyExport::label(*this, *format, resolution, labelNumber, path);
    if (made.outcome == CopyExport::Outcome::Cancelled) {
        if (cancelled)
            *cancelled = true;
        return false;
    }
    if (made.outcome == CopyExport::Outcome::Failed) {
        if (error)
            *error = made.error;
        return false;
    }
    if (made.outcome == CopyExport::Outcome::Made)
        return true;
    const bool printing = m_printing;
    const bool previewMode = _previewMode;
    m_printing = true;
    _previewMode = true;
    bool ok = false;
    if (*format == ExportFormat::PDF) {
        ok = createPDFFile(path, error, labelNumber);
    } else if (*format == ExportFormat::EPS) {
        const LabelDrawing drawing = labelDrawing(*this, labelNumber);
        ok = PdfExport::writeEPS(path, drawing.size, drawing.paint, error);
    } else {
        const QImage image = renderLabelImage(float(resolution), *format == ExportFormat::TIFF, labelNumber);
        if (image.isNull()) {
            if (error)
                *error = Language::stringForKey(QStringLiteral("The label is too large to draw at this resolution."));
        } else {
            ok = ImageExport::export1(image, path, *exportTypeTable(*format), float(resolution), error);
        }
    }
    _previewMode = previewMode;
    m_printing = printing;
    return ok;
}

void RectsView::exportLabel()
{
    const SpinScope busy(*this);
    const std::optional<ExportChoice> choice =
        askExportChoice(window(), Language::stringForKey(QStringLiteral("Export")), 300.0);
    if (!choice || !barcodeSequenceFilesReadable())
        return;
    tellOfCoarseBars(*this, *choice);
    QString error;
    bool cancelled = false;
    if (!exportLabelToFile(choice->path, int(choice->format), choice->resolution, &error, currentRecordLabel(), &cancelled)
        && !cancelled)
        Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("The label could not be exported.")),
                                 error, {}, Prompts::Critical);
}

int RectsView::exportSequentialFiles(const QString &chosenPath, int formatTag, int first, int last, double resolution)
{
    const std::optional<ExportFormat> format = exportFormatForTag(formatTag);
    if (!format)
        return 0;
    const bool databasePreview = _databasePreview;
    _databasePreview = true;
    Database *database = Database::currentDatabase();
    // The records are read through one reader for the run; the record of before is current
    // again when it ends.
    RecordRun run(*this, RecordRun::Kind::Export);
    QList<dbBrowseField> list;
    if (database) {
        try {
            list = database->browserArray();
        } catch (const DatabaseError &) {
            list.clear();
        }
    }
    const int n = int(list.size());
    m_undoManager.disableUndoRegistration();
    // Record numbers name rows of the list: they start at 1 and stay within it.
    first = std::max(1, first);
    if (n > 0)
        last = std::min(last, n);
    const int count = std::max(0, last - first + 1);
    // A file's label is its record's in a run of every record, as Print Sequence numbers
    // it: written alone or in any part of the list, record k shows the same sequence value.
    auto labelNumber = [](int k) { return k - 1; };

    // Long runs show how far they are and can be stopped; what is written stays.
    QProgressDialog progress(Language::stringForKey(QStringLiteral("Exporting labels...")),
                             Language::stringForKey(QStringLiteral("Cancel")), 0, count, window());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(count >= LongExport ? 0 : 500);
    progress.setAutoReset(false);
    progress.setAutoClose(false);

    // After a file that could not be written the user decides whether the run goes on; the
    // last file has nothing after it to go on to.
    auto goOnAfterFailure = [&](int k, const QString &error) {
        QStringList buttons{Language::stringForKey(QStringLiteral("OK"))};
        if (k < last)
            buttons = {Language::stringForKey(QStringLiteral("Continue")), Language::stringForKey(QStringLiteral("Stop"))};
        const int answer = Prompts::current().alert(
            window(), Language::stringForKey(QStringLiteral("The label could not be exported.")), error, buttons,
            Prompts::Critical);
        return !(k < last && answer != Prompts::FirstButton);
    };

    // Bitmaps are drawn here, one record after another, and encoded on every core meanwhile;
    // the files are written here in record order as their encodings come back. The other
    // formats draw as they write and go one record at a time.
    const std::optional<ImageFileType> bitmapType = exportTypeTable(*format);
    std::optional<EncodePipeline> pipeline;
    if (bitmapType && *bitmapType != ImageFileType::AppleICNS && *bitmapType != ImageFileType::ICO) {
        // The label's size in inches times the resolution gives its pixels, four bytes each.
        const qint64 imageBytes =
            qint64(double(_tlabel.width) * resolution + 1) * qint64(double(_tlabel.height) * resolution + 1) * 4;
        pipeline.emplace(*bitmapType, float(resolution), imageBytes);
    }
    // A design the workers may draw is drawn there from copies of their own; the GUI thread
    // only reads the records, in order, and hands each one's values over.
    // The window answers while the design is copied and while a vector file is drawn from the
    // copy: the panel, once shown, keeps the user's hands off the design meanwhile; before it
    // shows nothing reaches the window.
    QElapsedTimer started;
    started.start();
    auto answer = [&progress, &started] {
        if (!progress.isVisible() && started.elapsed() >= 20)
            progress.show();
        if (progress.isVisible() && !progress.wasCanceled())
            QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };
    std::shared_ptr<SequentialDrawing> drawing =
        count > 0 ? SequentialDrawing::captureSheet(*this, {getCurrPageName()}, answer) : nullptr;
    // Bitmaps are drawn on every core at once.
    if (drawing && pipeline)
        drawing->allowSeveralCopies();
    // Vector files are drawn one after another on one thread from one copy of the design.
    std::optional<BesideWindow> worker;
    const QString tooLarge = Language::stringForKey(QStringLiteral("The label is too large to draw at this resolution."));
    int written = 0;
    // Writes the oldest encoded file; false when the user stops the run at its failure. The
    // window keeps answering while a worker finishes it.
    auto writeOldest = [&]() {
        while (!pipeline->oldestReady()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(2);
        }
        const EncodePipeline::File file = pipeline->takeOldest();
        QString error = file.error;
        if (!file.data.isEmpty() && ExportFile::write(file.path, file.data, &error)) {
            ++written;
            return true;
        }
        return goOnAfterFailure(file.number, error);
    };

    bool stopped = false;
    for (int k = first; k <= last; ++k) {
        progress.setValue(k - first);
        if (progress.wasCanceled())
            break;
        if (n > 0) {
            // No file shows another record's values: the run stops at one it cannot read.
            const qint32 pk = list.at(k - 1).primaryKey();
            if (!(drawing ? run.read(pk, k) : run.show(pk, k)))
                break;
        }
        const QString name = sequentialExportPath(chosenPath, k, *format);
        if (QFileInfo::exists(name)) {
            const int answer = Prompts::current().alert(
                window(), Language::stringForKey(QStringLiteral("Such a file already exists.")),
                Language::stringForKey(QStringLiteral("Do you really want to replace it?")),
                {Language::stringForKey(QStringLiteral("OK")), Language::stringForKey(QStringLiteral("Cancel"))},
                Prompts::Informational);
            if (answer != Prompts::FirstButton)
                continue;
        }
        if (drawing && !pipeline) {
            if (!worker)
                worker.emplace();
            const CopyExport::Result made = CopyExport::label(*drawing, drawing->currentRecord(labelNumber(k)), *format,
                                                              resolution, answer, name, nullptr, &*worker);
            if (made.outcome == CopyExport::Outcome::Cancelled)
                break;
            const QString error = made.error;
            if (made.outcome == CopyExport::Outcome::Made) {
                ++written;
                continue;
            }
            if (!goOnAfterFailure(k, error))
                break;
            continue;
        }
        if (drawing) {
            const bool transparent = *format == ExportFormat::TIFF;
            pipeline->add(
                k, name,
                [drawing, record = drawing->currentRecord(labelNumber(k)), resolution, transparent] {
                    return drawing->draw(record, resolution, transparent);
                },
                tooLarge);
            while (!stopped && pipeline->full())
                stopped = !writeOldest();
            if (stopped)
                break;
            continue;
        }
        if (pipeline) {
            const bool printing = m_printing;
            const bool previewMode = _previewMode;
            m_printing = true;
            _previewMode = true;
            const QImage image = renderLabelImage(float(resolution), *format == ExportFormat::TIFF, labelNumber(k));
            _previewMode = previewMode;
            m_printing = printing;
            if (image.isNull())
                pipeline->addFailure(k, name, tooLarge);
            else
                pipeline->add(k, name, image);
            while (!stopped && pipeline->full())
                stopped = !writeOldest();
            if (stopped)
                break;
            continue;
        }
        QString error;
        if (exportLabelToFile(name, formatTag, resolution, &error, labelNumber(k))) {
            ++written;
            continue;
        }
        // A full disk or a folder that cannot be written fails every file after this one too:
        // the user decides whether to go on.
        if (!goOnAfterFailure(k, error))
            break;
    }
    // What was drawn before the run ended is written, unless the user stopped it: a file
    // after the one that failed is not written at all.
    if (pipeline) {
        while (!stopped && !pipeline->empty())
            stopped = !writeOldest();
        pipeline->clear();
        // Each worker's copy goes on the thread that made it.
        if (drawing)
            pipeline->onEveryThread([&drawing] { drawing->release(); });
    }
    // The workers' copies go with the run, the vector files' one on the thread that made it.
    if (worker && drawing)
        worker->run(answer, [&drawing](const std::function<bool()> &) { drawing->release(); });
    worker.reset();
    drawing.reset();
    progress.setValue(count);
    _databasePreview = databasePreview;
    run.end();
    m_undoManager.enableUndoRegistration();
    if (run.stopped())
        Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("The label could not be exported.")),
                                 run.stopMessage(), {}, Prompts::Critical);
    return written;
}

void RectsView::exportSequentialLabel()
{
    QWidget *accessory = sequentialAccessory(this);
    // The last number shows how many records the browser lists; the first keeps its value.
    accessoryField(accessory, 2)->setValue(std::max(1, browserCount()));
    const std::optional<ExportChoice> choice =
        askExportChoice(window(), Language::stringForKey(QStringLiteral("Export Sequential")), 600.0, accessory);
    if (!choice || !barcodeSequenceFilesReadable())
        return;
    tellOfCoarseBars(*this, *choice);
    exportSequentialFiles(choice->path, int(choice->format), accessoryField(accessory, 1)->value(),
                          accessoryField(accessory, 2)->value(), choice->resolution);
}

bool RectsView::writeWholeSheetFile(int type, const QString &path, QString *error, bool *cancelled)
{
    bool written = false;
    const QByteArray data = wholeSheetFile(type, error, cancelled, path, &written);
    return written || (!data.isEmpty() && ExportFile::write(path, data, error));
}

QByteArray RectsView::wholeSheetFile(int type, QString *error, bool *cancelled, const QString &path, bool *written)
{
    if (written)
        *written = false;
    const CopyExport::SheetForm form =
        type == 2 ? CopyExport::SheetForm::PDF : type == 3 ? CopyExport::SheetForm::EPS : CopyExport::SheetForm::TIFF;
    PrintJob job = wholeSheetJob(*this);
    const QSizeF paper = wholeSheetPage();
    if (paper.isEmpty())
        return {};
    const bool twoSides = hasTwoSides();
    PdfExport::Info info;
    if (form == CopyExport::SheetForm::PDF) {
        job.cardSide = PrintJob::Front;
        info.title = window() ? window()->windowTitle() : QString();
        info.author = userFullName();
        info.creator = QCoreApplication::applicationName();
    }
    // Drawn from a copy on a thread of its own, the window answering; a design holding a kind
    // drawn on the window's thread only is drawn here.
    CopyExport::Result made = CopyExport::sheet(*this, job, form, paper, info, twoSides, written ? path : QString());
    if (cancelled)
        *cancelled = made.outcome == CopyExport::Outcome::Cancelled;
    if (written && !path.isEmpty() && made.outcome == CopyExport::Outcome::Made && made.data.isEmpty()) {
        *written = true;
        return {};
    }
    if (made.outcome != CopyExport::Outcome::NotCopied) {
        if (error)
            *error = made.error;
        return made.data;
    }
    if (form == CopyExport::SheetForm::TIFF) {
        QImage image(qCeil(paper.width()), qCeil(paper.height()), QImage::Format_ARGB32_Premultiplied);
        if (image.isNull())
            return {};
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            drawSheetPage(&painter, QRectF(QPointF(0, 0), job.paper), job, 1);
        }
        setPrinting(false);
        made.data = ImageExport::encode(image, ImageFileType::TIFF, 72.0f, &made.error);
    } else if (form == CopyExport::SheetForm::EPS) {
        const QByteArray pdf = PdfExport::pdfData(paper, [&](QPainter &painter, int) {
            drawSheetPage(&painter, QRectF(QPointF(0, 0), job.paper), job, 1);
        }, {}, 1, &made.error);
        if (!pdf.isEmpty())
            made.data = PdfExport::epsFromPDF(pdf, &made.error);
    } else {
        made.data = PdfExport::pdfData(
            paper,
            [&](QPainter &painter, int pageIndex) {
                PrintJob side = job;
                // The second page shows the back of the same sheet.
                side.cardSide = pageIndex == 0 ? PrintJob::Front : PrintJob::Back;
                drawSheetPage(&painter, QRectF(QPointF(0, 0), side.paper), side, 1);
            },
            info, twoSides ? 2 : 1, &made.error);
    }
    if (error)
        *error = made.error;
    return made.data;
}

QByteArray RectsView::TIFFRepresentationForDoc()
{
    return wholeSheetFile(4);
}

QByteArray RectsView::EPSRepresentationForDoc()
{
    return wholeSheetFile(3);
}

bool RectsView::PDFRepresentationForDoc(const QString &path, QString *error)
{
    return writeWholeSheetFile(2, path, error);
}

void RectsView::installPrintingHooks()
{
    saveAsWriter = [this](int type, const QString &path) -> std::optional<bool> {
        if (type < 2 || type > 4)
            return false;
        bool cancelled = false;
        const bool written = writeWholeSheetFile(type, path, nullptr, &cancelled);
        // Given up, nothing was written and there is nothing to tell.
        if (cancelled)
            return std::nullopt;
        return written;
    };
    documentPreviewData = [this](const std::function<bool()> &answer) {
        const bool previewMode = _previewMode;
        auto drawing = [this, previewMode](bool on) {
            _previewMode = on || previewMode;
            m_documentPreview = on;
        };
        drawing(true);
        QByteArray data;
        if (!answer) {
            data = createObjectImage(72.0f, QString());
        } else {
            // Drawn as createObjectImage draws it, a slice at a time.
            const QImage image = renderLabelImage(72.0f, false, 0, [&answer, &drawing] {
                drawing(false);
                const bool goOn = answer();
                drawing(true);
                return goOn;
            });
            if (!image.isNull())
                data = ImageExport::encode(image, ImageFileType::TIFF, 72.0f);
        }
        drawing(false);
        return data;
    };
}

} // namespace quillmark
