#pragma once
// The preview of the print options sheet: the label as it will print, half transparent,
// over its outline, with two small rulers and crop marks. Dragging it or pressing the arrow
// keys moves it one point per event and reports the printer offset to the panel.
#include <QImage>
#include <QPointF>
#include <QWidget>

#include "platform/BezierPath.h"

namespace quillmark {

class PrintingPanel;

class CalibrationView : public QWidget
{
    Q_OBJECT

public:
    explicit CalibrationView(PrintingPanel *panel, QWidget *parent = nullptr);

    void clear();
    void setPreview(const QImage &image);
    const QImage &preview() const { return mImage; }
    void isCurved();
    void centerImage();

    float offsetX() const { return float(mOffset.x() - mOffsetOriginal.x()); }
    float offsetY() const { return float(mOffset.y() - mOffsetOriginal.y()); }
    void setOffsetX(float x);
    void setOffsetY(float y);
    QPointF labelOffset() const { return mOffset; }
    QPointF originalOffset() const { return mOffsetOriginal; }

    void moveRight();
    void moveLeft();
    void moveUp();
    void moveDown();

    // The ruler band for a unit: half an inch, or one and a half centimetres.
    static float rulerBand(int measure);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void reportOffset();
    int measure() const;

    PrintingPanel *mPanel = nullptr;
    QImage mImage;
    QPointF mPoint;
    QPointF mOffset;
    QPointF mOffsetOriginal;
    float mUnit = 1.0f;
    BezierPath moutlinePath;
    bool mHasOutline = false;
    bool mCurvedH = false;
    bool mCurvedV = false;
};

} // namespace quillmark
