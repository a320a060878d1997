#pragma once
// A canvas stand-in for object tests: a real undo manager, and a record of what the objects
// asked the canvas to redraw.
#include <QList>

#include "objects/CanvasServices.h"
#include "objects/ColorRect.h"
#include "platform/UndoManager.h"

namespace qmtest {

class FakeCanvas : public quillmark::CanvasServices
{
public:
    quillmark::UndoManager undo;
    // One entry per invalidateGraphic call; null stands for the whole canvas.
    QList<const quillmark::ColorRect *> invalidated;
    QList<QRectF> invalidatedRects;
    int rulerUpdates = 0;
    int changedCalls = 0;
    // How many objects the design holds, for what a design of thousands draws otherwise.
    qsizetype objects = 0;
    // Ruler echoes of drags: begin, continue, stop.
    int echoBegins = 0;
    int echoSteps = 0;
    int echoStops = 0;
    bool printing = false;
    int gridClears = 0;
    int printCalls = 0;
    double zoomCoeff = 1.0;
    double displayedZoom = 1.0;
    QString pageName = QStringLiteral("HorizontalFront");
    int layer = 1;
    QList<std::shared_ptr<quillmark::ColorRect>> rects;

    void clearRecord()
    {
        invalidated.clear();
        invalidatedRects.clear();
        rulerUpdates = 0;
    }

    quillmark::UndoManager *undoManager() override { return &undo; }
    double getZoomCoeff() const override { return zoomCoeff; }
    double getZoom() const override { return displayedZoom; }
    void invalidateGraphic(const quillmark::ColorRect *graphic) override { invalidated.append(graphic); }
    void invalidateRect(const QRectF &rect) override { invalidatedRects.append(rect); }
    void updateRulers() override { ++rulerUpdates; }
    void beginEchoingMoveToRulers(const QRectF &) override { ++echoBegins; }
    void continueEchoingMoveToRulers(const QRectF &) override { ++echoSteps; }
    void stopEchoingMoveToRulers() override { ++echoStops; }
    void wasChanged(bool) override { ++changedCalls; }
    QString measure() override { return QStringLiteral("Inches"); }
    QString currentPageName() const override { return pageName; }
    int currentLayer() const override { return layer; }
    quillmark::BezierPath bezierPath(int, const QString &) const override { return {}; }
    QRectF bounds() const override { return QRectF(0, 0, 612, 792); }
    bool isPrinting() const override { return printing; }
    QList<std::shared_ptr<quillmark::ColorRect>> getRects() const override { return rects; }
    qsizetype objectCount() const override { return objects; }
    QPointF constrainedPoint(const QPointF &point) const override { return point; }
    void setDrawersItemsState() override {}
    void clearGridSnap() override { ++gridClears; }
    double labelWidth() const override { return 288.0; }
    void setDocumentCursor(const QCursor &) override {}
    void print() override { ++printCalls; }
    void changeFont() override {}
    void updateObjectValues() override {}
};

} // namespace qmtest
