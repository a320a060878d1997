#pragma once
// Draws a barcode record into a rectangle of page points: linear symbols through their
// symbology's bar drawing (with the error message in place of invalid data), Data Matrix and
// QR Code into the rectangle inset by 2 points. Also the extent that decides a barcode's frame.
#include "barcodes/LinearDrawContext.h"
#include "barcodes/TBarInfo.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QPainterPath>

#include <functional>
#include <vector>

class QPainter;

namespace quillmark {

// What the barcode object hands the drawing beside its record.
struct BarcodeDrawStyle {
    QColor color = Qt::black;                 // the object's stroke colour
    QFont messageFont = LinearDrawContext::systemFont(9.0);
    bool useHRTKerning = false;               // user default "useHRTKerning"
    long long upcCharactersEqualSize = 0;     // user default "UPC_characters_Equal_Size"

    bool operator==(const BarcodeDrawStyle &) const = default;
};

// One drawing of a record, made once and painted as often as the canvas repaints: every symbol
// is a few paths filled in the object's colour, and encoding the data and shaping the text
// under the bars cost far more than filling them.
class BarcodeDrawing {
public:
    // Whether this drawing is of that record, style and frame. A frame elsewhere still matches
    // when the drawing can be moved there unchanged (see moveTo).
    bool matches(const QRectF &frame, const TBarInfo &info, const BarcodeDrawStyle &style) const;
    // Moves the drawing to a frame of the same size; false when the symbol laid out there would
    // differ from this one moved (off the page's positive quarter, or by part of a point).
    bool moveTo(const QRectF &frame);
    // Fills the paths on the painter, as the direct drawing does; a drawing whose layout was
    // put off is laid out for it (on whichever thread paints).
    void paint(QPainter *painter) const;
    // Whether the layout is still to be made: the record, style and frame are known, the paths
    // not yet.
    bool isDeferred() const { return m_deferred; }
    // Makes the layout put off, here.
    void layOut();
    // The point the symbol is laid out from: moving the drawing moves its paths with it.
    QPointF anchor() const;
    // The same drawing with paths of its own, for painting on another thread while this one
    // is painted here (a shared path's cache is not safe between threads).
    BarcodeDrawing detached() const;
    // The record with the extent and origin the drawing computed.
    const TBarInfo &drawnInfo() const { return m_drawn; }
    bool isEmpty() const { return m_paths.empty() && !m_made; }

private:
    friend class BarcodeRenderer;
    bool m_made = false;
    QRectF m_frame;
    TBarInfo m_info; // the record drawn, its origin and extent cleared
    BarcodeDrawStyle m_style;
    TBarInfo m_drawn;
    std::vector<QPainterPath> m_paths;
    // The first path holds the bars of a linear symbol.
    bool m_linear = false;
    bool m_deferred = false;
};

class BarcodeRenderer {
public:
    static constexpr double MilsPerPoint = 1000.0 / 72.0;

    // The record with its metrics at 72 per inch: the text metric of its font, the gap, and bar
    // and space widths converted from mils to points with the width adjustment applied.
    static TBarInfo workingMetrics(const TBarInfo &info, LinearDrawContext &ctx);

    // The extent that gives the barcode's frame: square for Data Matrix and QR Code (the frame's
    // side when it is square and not empty, else 60), kept for the extension types 17-19, and
    // the symbol's extent for every other type.
    static ShortRect frameExtent(const TBarInfo &info, const QSizeF &frameSize, const BarcodeDrawStyle &style = {});

    // Draws a linear symbol at info.pt at resolution r (a record already in working metrics).
    // Answers 1 when drawn or nothing to draw, 0 when the data were invalid (the error message
    // is drawn instead). The context (when given) receives what was drawn.
    static int drawLinearBarcode(QPainter *painter, const TBarInfo &info, int resolution,
                                 const BarcodeDrawStyle &style, LinearDrawContext *drawn = nullptr);
    static int drawLinearBarcodeByType(TBarInfo &info, LinearDrawContext &ctx);

    // The record with every bar and space a whole number of device pixels, for drawing into
    // a bitmap of `pixelsPerPoint`: the mean module rounded to the nearest whole pixel (at
    // least one), and the adjustment as whole pixels moved from each space to its bar, so that
    // a bar and its space always add up to whole modules; the adjustment folded in. Bars that
    // fall between pixels blur into greys that readers take as other widths.
    // With `narrower`, the mean module is the whole pixels below it instead (at least one):
    // for a symbol that the nearest would widen past its room.
    static TBarInfo snappedToPixels(const TBarInfo &info, double pixelsPerPoint, bool narrower = false);
    // The mean module in mils that drawing at `dotsPerInch` gives the record's bars.
    static double snappedModule(const TBarInfo &info, double dotsPerInch, bool narrower = false);
    // 0 when drawing at `dotsPerInch` keeps the module of the record's bars within a fifth of
    // the chosen one; otherwise a higher resolution that does (a usual one when one does).
    // `drawnModule` answers the module drawn at a resolution (snappedModule when empty).
    static int resolutionKeepingBars(const TBarInfo &info, double dotsPerInch,
                                     const std::function<double(double)> &drawnModule = {});

    // Whether the record's data make a symbol of its type. Types without an encoder draw
    // nothing and report nothing, so they count as encoded.
    static bool encodes(const TBarInfo &info);
    // Why the record's data make no symbol, in the user's language; empty when they make one.
    static QString dataProblem(const TBarInfo &info);

    // Draws the record's symbol with its frame's origin at frame.topLeft(). Answers the record
    // with the BarRect and pt the drawing computed, for the object to keep.
    static TBarInfo drawBarcode(QPainter *painter, const QRectF &frame, const TBarInfo &info,
                                const BarcodeDrawStyle &style = {}, LinearDrawContext *drawn = nullptr);
    // The same drawing kept to be painted later: what drawBarcode fills, path for path.
    static BarcodeDrawing layOutBarcode(const QRectF &frame, const TBarInfo &info, const BarcodeDrawStyle &style = {});
    // The same drawing with its layout put off until it is painted or laid out: encoding the
    // data and shaping the text then happen where the picture of it is made.
    static BarcodeDrawing deferredBarcode(const QRectF &frame, const TBarInfo &info, const BarcodeDrawStyle &style = {});
};

} // namespace quillmark
