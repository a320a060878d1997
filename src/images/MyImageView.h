#pragma once
// The preview of the image effects panel, the document of a scroll view. Its own units are the
// source picture's pixels with y upwards (filter space); on screen a pixel is `zoom` points
// wide. It draws the panel's result, zooms with the wheel around the pointer, and while the
// pointer is over it shows the current filter's point inputs as handles that the user drags.
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <optional>

class QPainter;
class QScrollArea;

namespace quillmark {

class Controller;

class MyImageView : public QWidget
{
    Q_OBJECT
public:
    // What a picked handle is.
    enum ParmMode {
        NoHandle = 0,
        PositionHandle = 1,
        TopLeftHandle = 2,
        BottomLeftHandle = 3,
        TopRightHandle = 4,
        BottomRightHandle = 5,
        TransformHandle = 8,
        Position3Handle = 10,
    };

    explicit MyImageView(QWidget *parent = nullptr);

    void setController(Controller *controller) { m_controller = controller; }
    Controller *controller() const { return m_controller; }

    float getZoom() const { return zoom; }
    float prevZoom() const { return prev_zoom; }
    // Clamped to 0.1 to 10, then laid out.
    void setZoom(float zoom);
    void resizeViewBound(bool force, int centerMode);
    // The frame (in points) and the bounds (in picture units) made this size, as for a new
    // picture before its zoom is known.
    void setFrameSize(const QSizeF &size);

    // The bounds: the visible part of picture space the view covers (origin lower-left).
    QRectF boundsRect() const { return m_bounds; }
    float viewTransformOffsetX() const { return m_viewTransformOffsetX; }
    float viewTransformOffsetY() const { return m_viewTransformOffsetY; }
    // Widget points to picture units and back.
    QPointF viewToBounds(const QPointF &widgetPoint) const;
    QPointF boundsToView(const QPointF &boundsPoint) const;

    bool isDisplayingPoints() const { return displayingPoints; }
    bool isMovingNow() const { return movingNow; }
    int parmIndex() const { return m_parmIndex; }
    QString parmKey() const { return m_parmKey; }
    int parmMode() const { return m_parmMode; }

    // One handle of the current filter: where it is, its label, its mode.
    struct Handle
    {
        QPointF point;
        QString label;
        QString key;
        int mode = NoHandle;
    };
    // The handles to draw, in drawing order.
    QList<Handle> handles() const;

    // The picture last drawn (for a look at what the user sees), at the scale it was rendered.
    QImage renderedResult() const { return m_cache; }
    // Pixels of the last drawn picture per pixel of the source picture.
    double renderedScale() const { return m_cacheScale; }
    // Where the last drawn picture lies, in filter space at that scale.
    QRect renderedRect() const { return m_cacheRect; }
    // The panel's answer to a request for pixels: `image` holds `rendered` (pixels at
    // `scale`, within the `wanted` rectangle asked for) of the result at `revision`; a null
    // image with an empty `rendered` means there is nothing to draw.
    void takePreview(const QImage &image, const QRect &rendered, const QRect &wanted, double scale, quint64 revision);

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QScrollArea *scrollView() const;
    // The visible part of the enclosing scroll view's content, in points, y upwards from the
    // bottom of the document.
    QRectF contentBounds() const;
    void scrollToBoundsPoint(const QPointF &point);
    void scrollToContentPoint(const QPointF &point);
    QPointF currentEventLocation() const;
    void drawPoint(QPainter &painter, const QPointF &point, const QString &label) const;
    void drawPoints(QPainter &painter) const;
    void mouseDragged(const QPointF &location);

    Controller *m_controller = nullptr;
    bool movingNow = false;
    bool displayingPoints = false;
    float m_viewTransformOffsetX = 0;
    float m_viewTransformOffsetY = 0;
    int m_parmIndex = -1;
    QString m_parmKey;
    int m_parmMode = NoHandle;
    float prev_zoom = 1;
    float zoom = 1;

    QRectF m_bounds;
    std::optional<QPointF> m_eventLocation;
    // The newest pixels the panel rendered, and what they were asked for as.
    QImage m_cache;
    QRect m_cacheRect;
    QRect m_cacheWanted;
    double m_cacheScale = 1;
    quint64 m_cacheRevision = 0;
    bool m_cacheValid = false;
    // The request last sent, so that repaints do not ask again for the same pixels.
    QRect m_requestedRect;
    double m_requestedScale = 0;
    quint64 m_requestedRevision = 0;
};

} // namespace quillmark
