#pragma once
// The small view of the stock browser that shows the current stock on the printer's paper:
// the sheet scaled to fit, every label outline on it, and the positions switched off for
// printing filled. A click on a label switches its position off or on again, Shift-click
// switches a run of positions off, Command-click makes printing start at the clicked label;
// the view edits the canvas's per-position print flags in place.
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

#include "platform/BezierPath.h"

namespace quillmark {

class StockCanvas;
class TFormat;
class TLabel;
class TLabelT;

class testPreview : public QWidget
{
    Q_OBJECT
public:
    // 0: the paper only; 1: the canvas's free-layout stock; 2: the canvas's grid record.
    enum Mode { PaperOnly = 0, FreeLayout = 1, GridRecord = 2 };

    explicit testPreview(QWidget *parent = nullptr);

    void setMainView(StockCanvas *canvas) { mainView = canvas; }
    StockCanvas *getMainView() const { return mainView; }

    int getMode() const { return mMode; }
    // Stores the mode, takes the paper of the shared print settings and redraws.
    void setMode(int mode);

    // The paper of the shared print settings, in points as it lies for printing.
    QSizeF paperSize() const { return mPaperSize; }
    // Paper points per view point: the larger of the two ratios of paper to rectangle.
    float calcScale(const QRectF &rect) const;
    // The scale and the paper rectangle of the last layout, in view coordinates.
    double scale() const { return mScaleH; }
    QRectF pageRect() const { return mPageRect; }
    // The area the paper is fitted into: the view inset by 1 point on each side.
    QRectF drawingArea() const;

    // The outline of one label of a grid record at a point of the view, at a scale; empty
    // for an unknown shape code. A hole is left unfilled (even-odd).
    static BezierPath getLabelPath(const TLabel &label, const QPointF &offset, float scale);
    // The grid record one label of a free-layout stock is drawn with (inches, one label).
    static TLabel labelForShape(const TFormat &format, const TLabelT &shape);
    // Where the label of a free-layout position and the cell of a grid position lie in the
    // view after the last layout; empty when there is none.
    QRectF labelRectAt(int position) const;

    QSize sizeHint() const override { return QSize(180, 160); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    // Takes the paper and lays it out centred in the drawing area; false when there is no
    // room (an area less than 25 points high) or no canvas.
    bool layoutPage();
    void drawPage(QPainter *painter);
    void drawTFormat(QPainter *painter);
    void drawTLabel(QPainter *painter, const TLabel &label);
    void drawLabel(QPainter *painter, const TLabel &label, const QPointF &offset, float scale, bool enable);
    // The top-left corner of the grid cell of a column and row in the view.
    QPointF gridCellOrigin(const TLabel &label, int column, int row) const;
    void getLabelCellFormat(const QPointF &point, unsigned modifiers);
    void getLabelCell(const QPointF &point, unsigned modifiers);
    // The click rules on position `index` of `count` positions.
    void switchPositions(int index, int count, unsigned modifiers);
    bool positionOff(int index) const;

    StockCanvas *mainView = nullptr;
    int mMode = PaperOnly;
    double mScaleH = 1.0;
    QRectF mPageRect;
    QSizeF mPaperSize;
};

} // namespace quillmark
