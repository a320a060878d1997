#pragma once
// The sheet renderer: every label position of one printed page, placed by the stock, with its
// clip, background, marks or calibration outline. What it reads of the canvas is taken once,
// as values, into a SheetLayout; what each label shows is drawn by a SheetContent: the canvas's
// own objects (previews and whole-sheet files, on the window's thread), or a copy of the design
// a print job draws on a thread of its own. So the window and the job's thread page and place
// labels alike.
#include <QByteArray>
#include <QHash>
#include <QPainterPath>
#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

#include "canvas/RectsView.h"
#include "printing/PrintJob.h"
#include "printing/PrintPagination.h"
#include "stock/TLabelT.h"

class QPainter;

namespace quillmark {

class specImage;

struct SheetLayout
{
    // The free-layout stock's positions; empty for a grid stock.
    std::vector<TLabelT> shapes;
    bool freeLayout = false;
    // The grid stock in inches.
    TLabel label;
    QByteArray switchedOff;
    int printable = 0;
    bool cropMarks = false;
    bool trimMarks = false;
    int measure = 0;
    // "Horizontal" or "Vertical": the free layout's pages are this word and the side.
    QString orientation;
    // One per free-layout position; the grid's label clip.
    std::vector<RectsView::PositionOutline> outlines;
    QPainterPath gridClip;
    // The page backgrounds by page name: copies, so that another thread may draw them.
    QHash<QString, std::shared_ptr<specImage>> backgrounds;

    // The pages a job draws objects of: the free layout's two sides, or the grid's one page.
    QStringList pageNames() const;
    // The number of pages of the job on this sheet.
    int pageCount(const PrintJob &job) const;
    // The labels of page `page` of the job, by number: a grid numbers its printed positions,
    // a free layout takes the job's labels of the page.
    QList<int> labelsOf(const PrintJob &job, int page) const;
};

class SheetContent
{
public:
    virtual ~SheetContent() = default;
    // Before a label of a merged job: its record is what the label shows. False stops the
    // page (the record could not be read).
    virtual bool showRecord(const PrintJob &job, const LabelPlacement &placement) = 0;
    // Whether everything the page's objects print lies inside the clip, as far as they tell.
    virtual bool drawnInside(const QString &page, const QPainterPath &clip) = 0;
    // The page's objects in layer order for the label of that number.
    virtual void drawLabel(QPainter *painter, const QRectF &pageRect, const QString &page, int labelNumber) = 0;
    // True once the page is to be given up (checked between labels).
    virtual bool stopped() const { return false; }
};

// Page `page` (counted from 1) of the job, the page's top-left corner at `pageRect`'s origin.
void drawSheet(QPainter *painter, const QRectF &pageRect, const SheetLayout &layout, const PrintJob &job, int page,
               SheetContent &content);

} // namespace quillmark
