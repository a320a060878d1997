#include "printing/EpsonPrintingView.h"

#include <QPainter>
#include <QPainterPath>

#include "canvas/RectsView.h"
#include "platform/Pen.h"
#include "printing/CalibrationRuler.h"
#include "printing/PrintingPanel.h"

namespace quillmark {

EpsonPrintingView::EpsonPrintingView(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
}

void EpsonPrintingView::SetCDCenterPoint(const QPointF &point)
{
    mCDCenterPoint = point;
    update();
}

void EpsonPrintingView::setPreview(const QImage &image)
{
    mImage = image;
    update();
}

void EpsonPrintingView::setOutline(bool flag)
{
    mOutline = flag;
    update();
}

void EpsonPrintingView::setEdgeShown(bool flag)
{
    if (mEdge == flag)
        return;
    mEdge = flag;
    update();
}

void EpsonPrintingView::setMeasure(int measure)
{
    mMeasure = measure;
    update();
}

void EpsonPrintingView::setZoom(double zoom)
{
    mZoom = zoom > 0.0 && zoom <= 1.0 ? zoom : 1.0;
    update();
}

QTransform EpsonPrintingView::viewTransform() const
{
    if (mZoom == 1.0)
        return {};
    QTransform transform;
    transform.translate(width() / 2.0, height() / 2.0);
    transform.scale(mZoom, mZoom);
    transform.translate(-mCDCenterPoint.x(), -mCDCenterPoint.y());
    return transform;
}

double EpsonPrintingView::rulerHalfLength() const
{
    // One and a half units each way: half an inch, or one and a half of the print options'
    // centimetres.
    return double(scale(mMeasure != 0 ? float(1.5 * PrintingPanel::PointsPerCentimetre) : 36.0f));
}

QRectF EpsonPrintingView::outlineRect() const
{
    const RectsView *canvas = RectsView::sharedRectsView();
    if (!canvas)
        return {};
    const TLabel &label = canvas->getLabel();
    const QSizeF size(double(scale(label.width)) * 72.0, double(scale(label.height)) * 72.0);
    return QRectF(mCDCenterPoint - QPointF(size.width() / 2.0, size.height() / 2.0), size);
}

QSizeF EpsonPrintingView::drawingSize() const
{
    QSizeF size;
    if (mOutline) {
        const QRectF outline = outlineRect();
        size = outline.size() + QSizeF(2.0 * rulerHalfLength(), 2.0 * rulerHalfLength());
    } else if (!mImage.isNull()) {
        const QSizeF image = mImage.size() / mImage.devicePixelRatio();
        size = QSizeF(double(scale(float(image.width()))), double(scale(float(image.height()))));
    }
    return size;
}

QSize EpsonPrintingView::sizeHint() const
{
    const QSizeF size = drawingSize();
    return size.isEmpty() ? QSize(400, 300) : size.toSize() + QSize(40, 40);
}

void EpsonPrintingView::drawHorizontalRuler(QPainter *painter, const QRectF &r) const
{
    drawCalibrationRuler(painter, r, Qt::Horizontal, rulerHalfLength(), mMeasure,
                         {double(scale(9)), double(scale(6)), double(scale(3))}, 0.5 / mZoom);
}

void EpsonPrintingView::drawVerticalRuler(QPainter *painter, const QRectF &r) const
{
    drawCalibrationRuler(painter, r, Qt::Vertical, rulerHalfLength(), mMeasure,
                         {double(scale(9)), double(scale(6)), double(scale(3))}, 0.5 / mZoom);
}

void EpsonPrintingView::drawCalibrationRulers(QPainter *painter, const QRectF &rect) const
{
    drawHorizontalRuler(painter, rect);
    drawVerticalRuler(painter, rect);
}

QPainterPath EpsonPrintingView::outlinePath() const
{
    const RectsView *canvas = RectsView::sharedRectsView();
    if (!canvas)
        return {};
    // A copy of the label at five times its size; the canvas's own label stays as it is.
    TLabel label = canvas->getLabel();
    label.width = scale(label.width);
    label.height = scale(label.height);
    label.hole = scale(label.hole);
    label.round_param = scale(label.round_param);
    const BezierPath outline = RectsView::getLabelBoundPath(label, false);
    if (outline.isEmpty())
        return {};
    const QRectF own = outline.bounds();
    const QPointF c = mCDCenterPoint;
    return outline.toPainterPath().translated(c.x() - own.width() / 2.0, c.y() - own.height() / 2.0);
}

void EpsonPrintingView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setPen(makePen(palette().color(QPalette::WindowText), 0.5 / mZoom));
    painter.setTransform(viewTransform());
    const QPointF c = mCDCenterPoint;
    if (mOutline) {
        if (!RectsView::sharedRectsView())
            return;
        const QPainterPath path = outlinePath();
        QRectF bounds;
        if (!path.isEmpty()) {
            painter.save();
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(path);
            painter.restore();
            bounds = path.boundingRect();
        }
        drawCalibrationRulers(&painter, bounds);
        return;
    }
    if (!mImage.isNull()) {
        const QSizeF image = mImage.size() / mImage.devicePixelRatio();
        const double sw = double(scale(float(image.width())));
        const double sh = double(scale(float(image.height())));
        painter.drawImage(QRectF(c.x() - sw / 2.0, c.y() - sh / 2.0, sw, sh), mImage);
    }
    if (mEdge) {
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(outlinePath());
    }
}

} // namespace quillmark
