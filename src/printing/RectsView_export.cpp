// Label export: the label renderer, the label as PDF, EPS, bitmap and icon files, singly or
// one file per record, and the whole sheet as TIFF, EPS and paginated PDF for Save As.
#include "canvas/RectsView.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>

#include <optional>

#include <pwd.h>
#include <unistd.h>

#include "database/Database.h"
#include "database/DatabaseError.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "platform/PrintInfo.h"
#include "platform/Prompts.h"
#include "platform/UserDefaults.h"
#include "printing/ExportFile.h"
#include "printing/ExportFormats.h"
#include "printing/ImageExport.h"
#include "printing/PdfExport.h"
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

// The save panel of both export commands: the format chosen last is offered first, the
// chosen extension decides the format, and "Export Res" gives the resolution (the fallback
// when it is unset or not positive differs between single and sequential export).
std::optional<ExportChoice> askExportChoice(QWidget *parent, double fallbackResolution)
{
    UserDefaults &defaults = UserDefaults::standard();
    const ExportFormat preferred =
        exportFormatForTitle(defaults.stringForKey(QStringLiteral("Export Format"))).value_or(ExportFormat::PDF);
    QStringList extensions{exportFormatExtension(preferred)};
    for (int tag = 0; tag < exportFormatCount; ++tag)
        if (tag != int(preferred))
            extensions.append(exportFormatExtension(ExportFormat(tag)));
    const QString untitled = Language::stringForKey(QStringLiteral("Untitled"));
    const QString path = Prompts::current().saveFile(parent, Language::stringForKey(QStringLiteral("Export")),
                                                     QString(), untitled + QLatin1Char('.') + extensions.first(),
                                                     extensions);
    if (path.isEmpty())
        return std::nullopt;
    const ExportFormat format = exportFormatForExtension(QFileInfo(path).suffix()).value_or(preferred);
    defaults.registerDefaults({{QStringLiteral("Export Format"), exportFormatTitle(format)}});
    defaults.synchronize();
    const QString res = defaults.stringForKey(QStringLiteral("Export Res"));
    const double resolution = res.isEmpty() ? fallbackResolution : res.toDouble();
    return ExportChoice{path, format, resolution > 0.0 ? resolution : fallbackResolution};
}

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

} // namespace

QImage RectsView::renderLabelImage(float resolution, bool transparent)
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
    for (const GraphicPtr &graphic : sortedByLayer(rects))
        if (graphic->isOnPageNamed(page))
            graphic->printFrame(&painter, QRectF(0, 0, W, H), 0);
    _zoomValue = zoom;
    painter.end();
    return image;
}

QByteArray RectsView::createObjectImage(float resolution, const QString &type)
{
    static const QStringList transparentTypes = {QStringLiteral("GIFf"), QStringLiteral("SGI "),
                                                 QStringLiteral("PNGf"), QStringLiteral("TIFF"),
                                                 QStringLiteral("qtif")};
    const QImage image = renderLabelImage(resolution, transparentTypes.contains(type));
    if (image.isNull())
        return {};
    return ImageExport::encode(image, ImageFileType::TIFF, resolution);
}

bool RectsView::createPDFFile(const QString &path, QString *error)
{
    const QSizeF size(double(_tlabel.width) * 72.0, double(_tlabel.height) * 72.0);
    const QString page = getCurrPageName();
    const GraphicList sorted = sortedByLayer(rects);
    const BezierPath clip = getLabelClipPath();
    return PdfExport::writePDF(
        path, size,
        [&](QPainter &painter, int) {
            painter.setClipPath(clip.toPainterPath());
            for (const GraphicPtr &graphic : sorted)
                if (graphic->isOnPageNamed(page))
                    graphic->printFrame(&painter, QRectF(QPointF(0, 0), size), 0);
        },
        {}, 1, error);
}

bool RectsView::exportLabelToFile(const QString &path, int formatTag, double resolution, QString *error)
{
    const std::optional<ExportFormat> format = exportFormatForTag(formatTag);
    if (!format) {
        if (error)
            *error = Language::stringForKey(QStringLiteral("Unknown export format."));
        return false;
    }
    const bool printing = m_printing;
    const bool previewMode = _previewMode;
    m_printing = true;
    _previewMode = true;
    bool ok = false;
    if (*format == ExportFormat::PDF) {
        ok = createPDFFile(path, error);
    } else if (*format == ExportFormat::EPS) {
        const QSizeF size(double(_tlabel.width) * 72.0, double(_tlabel.height) * 72.0);
        const QString page = getCurrPageName();
        const GraphicList sorted = sortedByLayer(rects);
        const BezierPath clip = getLabelClipPath();
        ok = PdfExport::writeEPS(
            path, size,
            [&](QPainter &painter, int) {
                painter.setClipPath(clip.toPainterPath());
                for (const GraphicPtr &graphic : sorted)
                    if (graphic->isOnPageNamed(page))
                        graphic->printFrame(&painter, QRectF(QPointF(0, 0), size), 0);
            },
            error);
    } else {
        const QImage image = renderLabelImage(float(resolution), *format == ExportFormat::TIFF);
        if (image.isNull()) {
            if (error)
                *error = Language::stringForKey(QStringLiteral("No CGImage to convert"));
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
    const std::optional<ExportChoice> choice = askExportChoice(window(), 300.0);
    if (!choice)
        return;
    QString error;
    if (!exportLabelToFile(choice->path, int(choice->format), choice->resolution, &error))
        Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("No CGImage to convert")), error,
                                 {});
}

int RectsView::exportSequentialFiles(const QString &chosenPath, int formatTag, int first, int last, double resolution)
{
    const std::optional<ExportFormat> format = exportFormatForTag(formatTag);
    if (!format)
        return 0;
    const bool databasePreview = _databasePreview;
    _databasePreview = true;
    Database *database = Database::currentDatabase();
    const qint64 pk0 = database ? database->fieldValues().value(QStringLiteral("pk")).toLongLong() : 0;
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
    int written = 0;
    for (int k = first; k <= last; ++k) {
        if (n > 0)
            upDateDBFields(list.at(k - 1).primaryKey());
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
        QString error;
        if (exportLabelToFile(name, formatTag, resolution, &error))
            ++written;
        else
            Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("No CGImage to convert")),
                                     error, {});
    }
    _databasePreview = databasePreview;
    if (pk0 > 0)
        upDateDBFields(qint32(pk0));
    m_undoManager.enableUndoRegistration();
    return written;
}

void RectsView::exportSequentialLabel()
{
    const std::optional<ExportChoice> choice = askExportChoice(window(), 600.0);
    if (!choice)
        return;
    int n = 0;
    if (Database *database = Database::currentDatabase()) {
        try {
            n = int(database->browserArray().size());
        } catch (const DatabaseError &) {
            n = 0;
        }
    }
    exportSequentialFiles(choice->path, int(choice->format), 1, std::max(1, n), choice->resolution);
}

QByteArray RectsView::TIFFRepresentationForDoc()
{
    const PrintJob job = wholeSheetJob(*this);
    const QSizeF paper = wholeSheetPage();
    if (paper.isEmpty())
        return {};
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
    return ImageExport::encode(image, ImageFileType::TIFF, 72.0f);
}

QByteArray RectsView::EPSRepresentationForDoc()
{
    const PrintJob job = wholeSheetJob(*this);
    const QSizeF paper = wholeSheetPage();
    const QByteArray pdf = PdfExport::pdfData(paper, [&](QPainter &painter, int) {
        drawSheetPage(&painter, QRectF(QPointF(0, 0), job.paper), job, 1);
    });
    if (pdf.isEmpty())
        return {};
    return PdfExport::epsFromPDF(pdf);
}

bool RectsView::PDFRepresentationForDoc(const QString &path, QString *error)
{
    PrintJob job = wholeSheetJob(*this);
    const QSizeF paper = wholeSheetPage();
    const bool twoSides = hasTwoSides();
    job.cardSide = PrintJob::Front;
    PdfExport::Info info;
    info.title = window() ? window()->windowTitle() : QString();
    info.author = userFullName();
    info.creator = QCoreApplication::applicationName();
    return PdfExport::writePDF(
        path, paper,
        [&](QPainter &painter, int pageIndex) {
            PrintJob side = job;
            // The second page shows the back of the same sheet.
            side.cardSide = pageIndex == 0 ? PrintJob::Front : PrintJob::Back;
            drawSheetPage(&painter, QRectF(QPointF(0, 0), side.paper), side, 1);
        },
        info, twoSides ? 2 : 1, error);
}

void RectsView::installPrintingHooks()
{
    saveAsWriter = [this](int type, const QString &path) {
        switch (type) {
        case 2:
            return PDFRepresentationForDoc(path);
        case 3: {
            const QByteArray eps = EPSRepresentationForDoc();
            return !eps.isEmpty() && ExportFile::write(path, eps);
        }
        case 4: {
            const QByteArray tiff = TIFFRepresentationForDoc();
            return !tiff.isEmpty() && ExportFile::write(path, tiff);
        }
        default:
            return false;
        }
    };
    documentPreviewData = [this] {
        const bool previewMode = _previewMode;
        _previewMode = true;
        const QByteArray data = createObjectImage(72.0f, QString());
        _previewMode = previewMode;
        return data;
    };
}

} // namespace quillmark
