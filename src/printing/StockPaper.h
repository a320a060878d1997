#pragma once
// Which paper a stock is cut on, and whether its labels lie on a given paper. The shared page
// layout starts on the stock's own paper; printing warns when the labels reach past the
// paper chosen instead.
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace quillmark {

class TFormat;
class TLabel;

class StockPaper
{
public:
    // The paper a stock is cut on, as the stock says it (the catalogue product's maker, a
    // custom format's own paper); invalid when the stock does not say.
    static QPageSize paperForStock(const TLabel &label, const TFormat *format);
    // The standard paper the sheet's labels fit best: the one that holds them and whose width
    // the sheet's margins fit (a sheet's right margin mirrors its left one), letter or A4,
    // else legal, A3 or tabloid; invalid when none holds them.
    static QPageSize paperForLabels(const TLabel &label, const TFormat *format);
    // The box around every label position of the sheet, in points from the paper's corner.
    static QRectF sheetExtent(const TLabel &label, const TFormat *format);
    // Whether the box lies on the paper; a label may touch the edge.
    static bool fitsPaper(const QRectF &extent, const QSizeF &paper);
    // A short name of the stock that tells stocks apart, so the paper is taken again only
    // when the stock changes and a paper chosen in Page Setup stays while it does not.
    static QString stockKey(const TLabel &label, const TFormat *format);
    // Takes the stock's paper into the shared page layout unless it was taken from this
    // stock already. A stock that does not say keeps the paper chosen before, unless its
    // labels reach past it.
    static void preselect(const TLabel &label, const TFormat *format);
    // "8.50 x 11.00 in" or "210 x 297 mm" by the paper's own measure.
    static QString describe(const QSizeF &points, bool metric);
};

} // namespace quillmark
