#include "printing/CalibrationView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "canvas/RectsView.h"
#include "platform/Pen.h"
#include "platform/UserDefaults.h"
#include "printing/PrintingPanel.h"

namespace quillmark {

CalibrationView::CalibrationView(PrintingPanel *panel, QWidget *parent)
    : QWidget(parent)
    , mPanel(panel)
{
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
}

float CalibrationView::rulerBand(int measure)
{
    return measure == 0 ? 36.0f : float(1.5 * PrintingPanel::PointsPerCentimetre);
}

int CalibrationView::measure() const
{
    return mPanel ? mPanel->measure() : 0;
}

void CalibrationView::clear()
{
    mImage = QImage();
    moutlinePath = BezierPath();
    mHasOutline = false;
}

void CalibrationView::setPreview(const QImage &image)
{
    clear();
    if (!image.isNull()) {
        mImage = image;
        const float band = rulerBand(measure());
        mOffset = QPointF(band, band);
        if (RectsView *view = mPanel ? mPanel->rectsView() : nullptr) {
            moutlinePath = view->getLabelBoundPath();
            mHasOutline = !moutlinePath.isEmpty();
        }
        isCurved();
        centerImage();
    }
    update();
}

void CalibrationView::isCurved()
{
    mCurvedH = mCurvedV = false;
    RectsView *view = mPanel ? mPanel->rectsView() : nullptr;
    if (!view)
        return;
    const TLabel &label = view->getLabel();
    const bool round = label.shape == TLabel::Oval;
    mCurvedH = round || label.round_param > 0.25f * label.width;
    mCurvedV = round || label.round_param > 0.25f * label.height;
}

void CalibrationView::centerImage()
{
    const QRectF bounds = mHasOutline ? moutlinePath.bounds() : QRectF();
    if ((width() - bounds.width()) / 2.0 > mOffset.x())
        mOffset.setX((width() - bounds.width()) / 2.0);
    if ((height() - bounds.height()) / 2.0 > mOffset.y())
        mOffset.setY((height() - bounds.height()) / 2.0);
    mOffsetOriginal = mOffset;
}

void CalibrationView::setOffsetX(float x)
{
    mOffset.setX(double(x) + mOffsetOriginal.x());
    update();
}

void CalibrationView::setOffsetY(float y)
{
    mOffset.setY(double(y) + mOffsetOriginal.y());
    update();
}

void CalibrationView::reportOffset()
{
    if (mPanel)
        mPanel->setCalibrationOffset(QPointF(offsetX(), offsetY()));
    update();
}

void CalibrationView::moveRight()
{
    mOffset.rx() += mUnit;
    reportOffset();
}

void CalibrationView::moveLeft()
{
    mOffset.rx() -= mUnit;
    reportOffset();
}

void CalibrationView::moveUp()
{
    mOffset.ry() += mUnit;
    reportOffset();
}

void CalibrationView::moveDown()
{
    mOffset.ry() -= mUnit;
    reportOffset();
}

void CalibrationView::mousePressEvent(QMouseEvent *event)
{
    mPoint = event->position();
    QWidget::mousePressEvent(event);
}

void CalibrationView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = event->position();
    if (p != mPoint) {
        if (p.x() != mPoint.x())
            mOffset.rx() += p.x() > mPoint.x() ? mUnit : -mUnit;
        if (p.y() != mPoint.y())
            mOffset.ry() += p.y() > mPoint.y() ? mUnit : -mUnit;
        if (mPanel)
            mPanel->setCalibrationOffset(QPointF(offsetX(), offsetY()));
        mPoint = p;
    }
    QWidget::mouseMoveEvent(event);
    update();
}

void CalibrationView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Right:
        moveRight();
        break;
    case Qt::Key_Left:
        moveLeft();
        break;
    case Qt::Key_Up:
        moveUp();
        break;
    case Qt::Key_Down:
        moveDown();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CalibrationView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int unit = measure();
    const double band = rulerBand(unit);
    const double W = width();
    const double H = height();
    const QRectF outlineBounds = mHasOutline ? moutlinePath.bounds() : QRectF();
    const double ow = outlineBounds.width();
    const double oh = outlineBounds.height();
    const QPainterPath outline = moutlinePath.toPainterPath().translated(mOffset);

    painter.save();
    if (RectsView::isDarkMode())
        painter.fillRect(rect(), Qt::lightGray);
    painter.setPen(makePen(Qt::gray, 1.0));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));

    if (!mImage.isNull() && mPanel && mPanel->crop()) {
        painter.save();
        painter.setPen(makePen(Qt::black, 0.2));
        for (const QLineF &segment : RectsView::cropMarkSegments(QRectF(mOffset, QSizeF(ow, oh))))
            painter.drawLine(segment);
        painter.restore();
    }

    if (!mImage.isNull()) {
        painter.save();
        if (RectsView *view = mPanel ? mPanel->rectsView() : nullptr) {
            const BezierPath bled = RectsView::getLabelBoundPath(view->getLabel(), true);
            if (!bled.isEmpty()) {
                const QPainterPath clip = bled.toPainterPath().translated(mOffset);
                painter.setClipPath(clip);
                painter.fillPath(clip, Qt::white);
            }
        }
        painter.setOpacity(0.5);
        const QSizeF size = mImage.size() / mImage.devicePixelRatio();
        painter.drawImage(QRectF(mOffset - QPointF(36.0, 36.0), size), mImage);
        painter.restore();
    }

    if (mHasOutline) {
        painter.save();
        painter.setBrush(Qt::NoBrush);
        if (mPanel && mPanel->trim())
            painter.setPen(makePen(Qt::blue, 0.5, {2.0, 3.0}));
        else
            painter.setPen(makePen(Qt::gray, 0.3));
        painter.drawPath(outline);
        painter.setPen(makePen(Qt::black, 0.5, {6.0, 3.0}));
        if (ow > W - 2 * band && mCurvedH)
            painter.drawLine(QPointF(band, mOffset.y()), QPointF(W - band, mOffset.y()));
        if (oh > H - 2 * band && mCurvedV)
            painter.drawLine(QPointF(mOffset.x(), band), QPointF(mOffset.x(), H - band));
        painter.restore();
    }

    // The rulers follow the preview across their own axis and read the offset along it.
    const double X = (ow > W - 2 * band && mCurvedH) ? mOffsetOriginal.x() : mOffset.x();
    const double Y = (oh > H - 2 * band && mCurvedV) ? mOffsetOriginal.y() : mOffset.y();
    painter.setPen(makePen(Qt::black, 0.5));
    const double hy = H / 2.0 + Y - mOffsetOriginal.y();
    RectsView::drawHorizontalRuler(&painter, QRectF(mOffsetOriginal.x(), hy, 0, 0), unit);
    const double vx = W / 2.0 + X - mOffsetOriginal.x();
    RectsView::drawVerticalRuler(&painter, QRectF(vx, mOffsetOriginal.y(), 0, 0), unit);
    painter.restore();
}

} // namespace quillmark
