// The sheet renderer: every label position of a page, for the printer, whole-sheet files and
// previews, with the job's pagination. The print commands are in RectsView_printjob.cpp.
#include "canvas/RectsView.h"

#include <QPainter>

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "foundation/Measures.h"
#include "objects/ColorRect.h"
#include "objects/specImage.h"
#include "platform/Pen.h"
#include "platform/UserDefaults.h"
#include "printing/CalibrationRuler.h"
#include "printing/PrintAddViewController.h"
#include "printing/PrintPagination.h"
#include "printing/PrintingPanel.h"
#include "printing/RecordRun.h"
#include "printing/SheetImaging.h"
#include "printing/SheetJob.h"
#include "stock/StockConversions.h"

#include <optional>

namespace quillmark {

namespace {

QList<qint32> browserKeys()
{
    QList<qint32> keys;
    if (Database *database = Database::currentDatabase()) {
        try {
            const QList<dbBrowseField> rows = database->browserArray();
            keys.reserve(rows.size());
            for (const dbBrowseField &row : rows)
                keys.append(row.primaryKey());
        } catch (const DatabaseError &) {
            keys.clear();
        }
    }
    return keys;
}

// Keeps the printing flag and undo registration for the span of one page.
class PrintingScope
{
public:
    explicit PrintingScope(RectsView &view)
        : m_view(view)
    {
        m_view.setPrinting(true);
        m_view.undoManager()->disableUndoRegistration();
    }
    ~PrintingScope()
    {
        m_view.setPrinting(false);
        m_view.undoManager()->enableUndoRegistration();
    }

private:
    RectsView &m_view;
};

} // namespace

RectsView::PositionOutline RectsView::positionOutline(const TLabelT &shape) const
{
    PositionOutline position;
    position.label = labelForShape(shape);
    position.clip = getLabelBoundPath(position.label, true).toPainterPath();
    position.outline = getLabelBoundPath(position.label, false);
    return position;
}

bool RectsView::drawnInside(const GraphicList &graphics, const QPainterPath &clip)
{
    for (const GraphicPtr &graphic : graphics) {
        const std::optional<QRectF> drawn = graphic->printedBounds();
        if (!drawn)
            return false;
        if (!drawn->isNull() && !clip.contains(*drawn))
            return false;
    }
    return true;
}

PrintingPanel *RectsView::printingPanel()
{
    if (!m_printingPanel)
        m_printingPanel = new PrintingPanel(this, this);
    return m_printingPanel;
}

PrintAddViewController *RectsView::printViewController()
{
    if (!m_printViewController)
        m_printViewController = new PrintAddViewController(this);
    return m_printViewController;
}

qint16 RectsView::countPrintedLabels() const
{
    if (!_pNonPrnLabel.isNull())
        return qint16(std::min<qsizetype>(std::count(_pNonPrnLabel.cbegin(), _pNonPrnLabel.cend(), '\0'), 32767));
    if (_tformat)
        return qint16(std::min<size_t>(_tformat->labels.size(), 32767));
    return qint16(std::clamp(int(_tlabel.num_label) * int(_tlabel.num_downlabel), 0, 32767));
}

qint64 RectsView::labelsCount() const
{
    if (_printSequense)
        return browserKeys().size();
    return countPrintedLabels();
}

int RectsView::currentRecordLabel() const
{
    Database *database = Database::currentDatabase();
    if (!database)
        return 0;
    bool known = false;
    const qint64 pk = database->fieldValues().value(QStringLiteral("pk")).toLongLong(&known);
    if (!known)
        return 0;
    return std::max(0, int(browserKeys().indexOf(qint32(pk))));
}

PrintJob RectsView::currentPrintJob() const
{
    PrintJob job;
    job.sequence = _printSequense;
    if (_printSequense)
        job.recordKeys = browserKeys();
    if (m_printingPanel) {
        job.cardSide = m_printingPanel->cardSide();
        job.calibrationOffset = getPrintCalibrationOffset();
        job.calibrationSheet = m_printingPanel->printCalibrationSheet();
    }
    if (m_printViewController && m_printViewController->labelsNumbering()) {
        job.rangeOn = true;
        job.from = m_printViewController->fromValue();
        job.to = m_printViewController->toValue();
    }
    return job;
}

int RectsView::pageCount(const PrintJob &job) const
{
    return PrintPagination::pageCount(job, countPrintedLabels());
}

QPointF RectsView::getPrintCalibrationOffset() const
{
    if (!m_printingPanel)
        return {};
    const QPointF offset = m_printingPanel->calibrationOffset();
    return {m_printingPanel->convertValueToPixels(float(offset.x())),
            m_printingPanel->convertValueToPixels(float(offset.y()))};
}

bool RectsView::upDateDBFields(qint32 pk)
{
    bool current = true;
    if (Database *database = Database::currentDatabase()) {
        try {
            current = database->initWithPrimaryKey(pk);
        } catch (const DatabaseError &e) {
            // The record stays as it was; the caller hears of it.
            qWarning("%s", qPrintable(e.message()));
            current = false;
        }
    }
    for (const GraphicPtr &graphic : rects)
        graphic->updateABRecord();
    return current;
}

void RectsView::updateDateFields()
{
    for (const GraphicPtr &graphic : rects)
        if (graphic->fieldPk() == 1)
            graphic->updateABRecord();
}

TLabel RectsView::labelForShape(const TLabelT &shape)
{
    const bool turned = shape.orientation != 0;
    TLabel label;
    label.width = float((turned ? shape.heightValue() : shape.widthValue()) / 25.4);
    label.height = float((turned ? shape.widthValue() : shape.heightValue()) / 25.4);
    label.hole = float(shape.holeValue() / 25.4);
    label.round_param = float(shape.radiusValue() / 25.4);
    if (shape.isRound())
        label.shape = TLabel::Oval;
    else if (shape.radiusValue() > 0.0f)
        label.shape = TLabel::RoundedRectangle;
    else
        label.shape = TLabel::Rectangle;
    return label;
}

QTransform RectsView::positionTransform(const TLabelT &shape, const QPointF &pageOrigin, const QPointF &offset,
                                        double paperWidth, bool back)
{
    const bool turned = shape.orientation == 1;
    const double x = double(shape.xValue()) * PointsPerMillimetre;
    const double y = double(shape.yValue()) * PointsPerMillimetre;
    const double w = double(shape.widthValue()) * PointsPerMillimetre;
    double tx = 0.0;
    if (!back)
        tx = x + pageOrigin.x() + offset.x() + (turned ? w : 0.0);
    else
        tx = paperWidth - x - offset.x() + pageOrigin.x() - (turned ? 0.0 : w);
    const double ty = y + pageOrigin.y() + offset.y();
    QTransform transform = QTransform::fromTranslate(tx, ty);
    if (turned)
        transform.rotate(90.0);
    return transform;
}

QList<QLineF> RectsView::cropMarkSegments(const QRectF &b)
{
    const double x = b.x(), y = b.y(), w = b.width(), h = b.height();
    return {
        {x - 5, y, x - 15, y},
        {x, y - 5, x, y - 15},
        {x + w, y - 5, x + w, y - 15},
        {x + w + 5, y, x + w + 15, y},
        {x + w + 5, y + h, x + w + 15, y + h},
        {x + w, y + h + 5, x + w, y + h + 15},
        {x, y + h + 5, x, y + h + 15},
        {x - 5, y + h, x - 15, y + h},
    };
}

void RectsView::drawCropMarks(QPainter *painter, const BezierPath &path)
{
    painter->save();
    painter->setPen(makePen(Qt::gray, 0.2));
    for (const QLineF &segment : cropMarkSegments(path.isEmpty() ? QRectF() : path.bounds()))
        painter->drawLine(segment);
    painter->restore();
}

void RectsView::drawTrimMarks(QPainter *painter, const BezierPath &path)
{
    painter->save();
    painter->setBrush(Qt::NoBrush);
    painter->setPen(makePen(painter->pen().color(), 0.5, {2.0, 3.0}));
    painter->drawPath(path.toPainterPath());
    painter->restore();
}

namespace {

// One and a half units each way: half an inch, or one and a half of the print options'
// centimetres.
double rulerHalfLength(int measure)
{
    return measure != 0 ? 1.5 * PrintingPanel::PointsPerCentimetre : 36.0;
}

} // namespace

void RectsView::drawHorizontalRuler(QPainter *painter, const QRectF &r, int measure)
{
    drawCalibrationRuler(painter, r, Qt::Horizontal, rulerHalfLength(measure), measure, {9, 6, 3}, 0.5);
}

// The whole-unit ticks of the vertical ruler are a point shorter than the horizontal one's.
void RectsView::drawVerticalRuler(QPainter *painter, const QRectF &r, int measure)
{
    drawCalibrationRuler(painter, r, Qt::Vertical, rulerHalfLength(measure), measure, {8, 6, 3}, 0.5);
}

void RectsView::drawCalibrationRulers(QPainter *painter, const QRectF &rect, int measure)
{
    drawHorizontalRuler(painter, rect, measure);
    drawVerticalRuler(painter, rect, measure);
}

namespace {

// The canvas's own objects in each label, shown with each record of a merged job on the
// canvas itself.
class CanvasContent : public SheetContent
{
public:
    CanvasContent(RectsView &view, std::unique_ptr<RecordRun> &records, const SheetLayout &layout)
        : m_view(view)
        , m_records(records)
    {
        const GraphicList sorted = sortedByLayer(view.getRects());
        for (const QString &page : layout.pageNames()) {
            GraphicList &onPage = m_pages[page];
            for (const GraphicPtr &graphic : sorted)
                if (graphic->isOnPageNamed(page))
                    onPage.append(graphic);
        }
    }

    bool showRecord(const PrintJob &job, const LabelPlacement &placement) override
    {
        if (!m_records)
            m_records = std::make_unique<RecordRun>(m_view, RecordRun::Kind::Print);
        return m_records->show(job.recordKeys.at(placement.label), placement.label + 1);
    }

    bool drawnInside(const QString &page, const QPainterPath &clip) override
    {
        return RectsView::drawnInside(m_pages.value(page), clip);
    }

    void drawLabel(QPainter *painter, const QRectF &pageRect, const QString &page, int labelNumber) override
    {
        const ColorRect::DrawingPass pass;
        for (const GraphicPtr &graphic : m_pages[page])
            graphic->printFrame(painter, pageRect, labelNumber);
    }

private:
    RectsView &m_view;
    std::unique_ptr<RecordRun> &m_records;
    QHash<QString, GraphicList> m_pages;
};

} // namespace

SheetLayout RectsView::sheetLayout() const
{
    SheetLayout layout;
    layout.freeLayout = _tformat.has_value();
    if (_tformat)
        layout.shapes = _tformat->labels;
    layout.label = _tlabel;
    layout.switchedOff = _pNonPrnLabel;
    layout.printable = countPrintedLabels();
    UserDefaults &defaults = UserDefaults::standard();
    layout.cropMarks = defaults.boolForKey(QStringLiteral("CropMarks"));
    layout.trimMarks = defaults.boolForKey(QStringLiteral("TrimMarks"));
    layout.measure = m_printingPanel ? m_printingPanel->measure() : 0;
    layout.orientation = getTemplateFolder();
    layout.outlines.reserve(layout.shapes.size());
    for (const TLabelT &shape : layout.shapes)
        layout.outlines.push_back(positionOutline(shape));
    layout.gridClip = getLabelClipPath().toPainterPath();
    for (const QString &page : layout.pageNames())
        if (const std::shared_ptr<specImage> background = getBackgroundImageForPage(page); background && background->isValid())
            layout.backgrounds.insert(page, std::make_shared<specImage>(*background));
    return layout;
}

void RectsView::drawSheetPage(QPainter *painter, const QRectF &pageRect, const PrintJob &job, int page)
{
    if (!painter)
        return;
    // The job's records and layout, or this page's when the page is drawn by itself. The
    // page's records end after the printing flag is cleared, so that the objects show the
    // current record again as they do outside printing.
    SheetJob pageJob;
    SheetJob &sheet = m_sheetJob ? *m_sheetJob : pageJob;
    if (!sheet.layout)
        sheet.layout = std::make_unique<SheetLayout>(sheetLayout());
    CanvasContent content(*this, sheet.records, *sheet.layout);
    PrintingScope scope(*this);
    drawSheet(painter, pageRect, *sheet.layout, job, page, content);
}

} // namespace quillmark
