#pragma once
// The disc preview: the current label's outline, or a preview image of it, at five times its
// size around a centre point, with rulers of the print options' unit along its left and top
// edges. At that scale the user checks a disc's centre hole and edge closely.
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>
#include <QWidget>

class QPainter;

namespace quillmark {

class EpsonPrintingView : public QWidget
{
    Q_OBJECT

public:
    explicit EpsonPrintingView(QWidget *parent = nullptr);

    void SetCDCenterPoint(const QPointF &point);
    QPointF cdCenterPoint() const { return mCDCenterPoint; }
    // The view's y runs down, as on the canvas.
    bool isFlipped() const { return true; }
    // A copy of the image, or none.
    void setPreview(const QImage &image);
    const QImage &preview() const { return mImage; }
    // A length at the view's scale: five times.
    static float scale(float value) { return value * 5.0f; }
    // YES draws the label's outline with rulers, NO the preview image.
    void setOutline(bool flag);
    bool outline() const { return mOutline; }
    // Draws the label's edge over the preview image too (for a design that shows nothing,
    // whose image is all white); it does not print.
    void setEdgeShown(bool flag);
    bool edgeShown() const { return mEdge; }
    // 0 inches, anything else centimetres.
    void setMeasure(int measure);
    int measure() const { return mMeasure; }

    // The outline of the canvas's label at five times its size, centred on the centre point;
    // empty without a canvas.
    QRectF outlineRect() const;
    // The room the drawing needs around the centre point: the outline or image and the
    // rulers that reach past its left and top edges.
    QSizeF drawingSize() const;

    // Both rulers for the rectangle: the horizontal one centred on its left edge, the vertical
    // one on its top edge.
    void drawCalibrationRulers(QPainter *painter, const QRectF &rect) const;
    void drawHorizontalRuler(QPainter *painter, const QRectF &rect) const;
    void drawVerticalRuler(QPainter *painter, const QRectF &rect) const;

    // How much of the drawing the view shows: 1 draws it at five times, as it is, less shrinks
    // it about the view's middle so that a whole disc fits.
    void setZoom(double zoom);
    double zoom() const { return mZoom; }
    // From the drawing (five times, centred on the centre point) to the view's own coordinates.
    QTransform viewTransform() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Half the ruler's length, its major spacing and its minor divisions in the unit.
    double rulerHalfLength() const;
    // The label's outline at five times, centred on the centre point; empty without a canvas.
    QPainterPath outlinePath() const;

    QPointF mCDCenterPoint;
    QImage mImage;
    bool mOutline = false;
    bool mEdge = false;
    int mMeasure = 0;
    double mZoom = 1.0;
};

} // namespace quillmark
