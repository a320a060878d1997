#include "printing/SheetImaging.h"

#include <QPainter>

#include "objects/specImage.h"
#include "platform/Pen.h"

namespace quillmark {

QStringList SheetLayout::pageNames() const
{
    if (!freeLayout)
        return {QStringLiteral("MyCustom")};
    return {orientation + QStringLiteral("Front"), orientation + QStringLiteral("Back")};
}

int SheetLayout::pageCount(const PrintJob &job) const
{
    return PrintPagination::pageCount(job, printable);
}

QList<int> SheetLayout::labelsOf(const PrintJob &job, int page) const
{
    QList<int> labels;
    if (freeLayout) {
        for (const LabelPlacement &placement : PrintPagination::placements(job, switchedOff, int(shapes.size()), page))
            labels.append(placement.label);
    } else if (page >= 1 && page <= pageCount(job)) {
        const int total = std::max(0, int(label.num_label)) * std::max(0, int(label.num_downlabel));
        int printed = 0;
        for (int k = 0; k < total; ++k)
            if (k >= switchedOff.size() || switchedOff.at(k) == '\0')
                labels.append(printed++);
    }
    return labels;
}

namespace {

std::shared_ptr<specImage> backgroundOf(const SheetLayout &layout, const QString &page)
{
    const std::shared_ptr<specImage> background = layout.backgrounds.value(page);
    return background && background->isValid() ? background : nullptr;
}

void drawFreeLayoutPage(QPainter *painter, const QRectF &pageRect, const SheetLayout &layout, const PrintJob &job,
                        int page, SheetContent &content)
{
    const int positions = int(layout.shapes.size());
    if (PrintPagination::printablePositions(layout.switchedOff, positions) < 1)
        return;
    const QList<LabelPlacement> placements = PrintPagination::placements(job, layout.switchedOff, positions, page);
    const bool back = PrintPagination::isBackPage(job, page);
    // Every position shows the page of its orientation and side, whether or not the canvas
    // draws by type: that is the page the design of the side was made on.
    const QString pageName = layout.orientation + (back ? QStringLiteral("Back") : QStringLiteral("Front"));
    const std::shared_ptr<specImage> background = backgroundOf(layout, pageName);

    for (const LabelPlacement &placement : placements) {
        if (content.stopped())
            break;
        // A label never shows the record before it: the page stops at one it cannot read.
        if (job.sequence && placement.label < job.recordKeys.size() && !content.showRecord(job, placement))
            break;
        const TLabelT &shape = layout.shapes.at(size_t(placement.position));
        const RectsView::PositionOutline &position = layout.outlines.at(size_t(placement.position));

        painter->save();
        painter->setTransform(RectsView::positionTransform(shape, pageRect.topLeft(), job.calibrationOffset,
                                                           job.paper.width(), back),
                              true);
        if (job.calibrationSheet) {
            painter->setClipPath(position.clip, Qt::IntersectClip);
            painter->setBrush(Qt::NoBrush);
            painter->setPen(makePen(painter->pen().color(), 0.5));
            painter->drawPath(position.outline.toPainterPath());
            if (placement.label == 0)
                RectsView::drawCalibrationRulers(
                    painter, position.outline.isEmpty() ? QRectF() : position.outline.bounds(), layout.measure);
        } else {
            if (layout.cropMarks)
                RectsView::drawCropMarks(painter, position.outline);
            // The clip only where it cuts something: it costs every printed label its share.
            if (background || layout.trimMarks || !content.drawnInside(pageName, position.clip))
                painter->setClipPath(position.clip, Qt::IntersectClip);
            if (background)
                background->drawProp(painter,
                                     QRectF(0, 0, double(position.label.width) * 72.0,
                                            double(position.label.height) * 72.0),
                                     nullptr);
            content.drawLabel(painter, pageRect, pageName, placement.label);
            if (layout.trimMarks)
                RectsView::drawTrimMarks(painter, position.outline);
        }
        painter->restore();
    }
}

void drawGridPage(QPainter *painter, const QRectF &pageRect, const SheetLayout &layout, const PrintJob &job, int page,
                  SheetContent &content)
{
    if (layout.printable < 1 || page < 1 || page > layout.pageCount(job))
        return;
    const TLabel &label = layout.label;
    const int across = std::max(0, int(label.num_label));
    const int total = across * std::max(0, int(label.num_downlabel));
    const double left = double(label.left_margin) * 72.0 + pageRect.x();
    const double top = double(label.top_margin) * 72.0 + pageRect.y();
    const double pitchX = double(label.width + label.hor_distance) * 72.0;
    const double pitchY = double(label.height + label.vert_distance) * 72.0;
    const QString pageName = QStringLiteral("MyCustom");
    const std::shared_ptr<specImage> background = backgroundOf(layout, pageName);

    int printed = 0;
    for (int k = 0; k < total && printed < total; ++k) {
        if (content.stopped())
            break;
        if (k < layout.switchedOff.size() && layout.switchedOff.at(k) != '\0')
            continue;
        painter->save();
        painter->translate((k % across) * pitchX + left, (k / across) * pitchY + top);
        painter->setClipPath(layout.gridClip, Qt::IntersectClip);
        if (background)
            background->drawProp(painter, QRectF(0, 0, pitchX, pitchY), nullptr);
        content.drawLabel(painter, pageRect, pageName, printed);
        ++printed;
        painter->restore();
    }
}

} // namespace

void drawSheet(QPainter *painter, const QRectF &pageRect, const SheetLayout &layout, const PrintJob &job, int page,
               SheetContent &content)
{
    if (!painter)
        return;
    if (layout.freeLayout)
        drawFreeLayoutPage(painter, pageRect, layout, job, page, content);
    else
        drawGridPage(painter, pageRect, layout, job, page, content);
}

} // namespace quillmark
