#include "printing/StockPaper.h"

#include <QMarginsF>
#include <QList>
#include <QStringList>

#include <cmath>
#include <limits>

#include "foundation/Measures.h"
#include "platform/LocalNumber.h"
#include "platform/PrintInfo.h"
#include "stock/Paper.h"
#include "stock/TFormat.h"
#include "stock/TLabel.h"

namespace quillmark {

namespace {

// The stocks converted from grids carry this maker and a paper name that says nothing.
const QString GridMaker = QStringLiteral("Fernwick");

} // namespace

QRectF StockPaper::sheetExtent(const TLabel &label, const TFormat *format)
{
    QRectF extent;
    if (format && !format->labels.empty()) {
        // A label turned for a landscape design is still the same piece of the sheet: only
        // its content turns inside it, so the sheet as printed is measured by the shapes as
        // they lie.
        for (const TLabelT &shape : format->labels) {
            const QRectF box(double(shape.xValue()) * PointsPerMillimetre, double(shape.yValue()) * PointsPerMillimetre,
                             double(shape.widthValue()) * PointsPerMillimetre,
                             double(shape.heightValue()) * PointsPerMillimetre);
            extent = extent.isNull() ? box : extent.united(box);
        }
        return extent;
    }
    const int across = std::max(0, int(label.num_label));
    const int down = std::max(0, int(label.num_downlabel));
    if (across < 1 || down < 1)
        return {};
    const double w = double(label.width) * 72.0;
    const double h = double(label.height) * 72.0;
    return QRectF(double(label.left_margin) * 72.0, double(label.top_margin) * 72.0,
                  (across - 1) * double(label.width + label.hor_distance) * 72.0 + w,
                  (down - 1) * double(label.height + label.vert_distance) * 72.0 + h);
}

bool StockPaper::fitsPaper(const QRectF &extent, const QSizeF &paper)
{
    // A millimetre of slack: edge-to-edge sheets are given as labels that add up to a hair
    // more than the paper.
    constexpr double slack = 72.0 / 25.4;
    if (extent.isNull())
        return true;
    return extent.left() >= -slack && extent.top() >= -slack && extent.right() <= paper.width() + slack
        && extent.bottom() <= paper.height() + slack;
}

QPageSize StockPaper::paperForStock(const TLabel &label, const TFormat *format)
{
    if (const QPageSize own = label.pageSize(); own.isValid())
        return own;
    if (format && format->manufacturer != GridMaker)
        return pageSizeForPaper(format->papersize);
    return {};
}

QPageSize StockPaper::paperForLabels(const TLabel &label, const TFormat *format)
{
    const QRectF extent = sheetExtent(label, format);
    if (extent.isNull())
        return {};
    // Sheets are laid out with equal left and right margins far more often than with equal
    // top and bottom ones, so the width decides and the height only breaks a tie. Letter and
    // A4 are the papers of nearly every sheet; the others only where those two are too small.
    const QSizeF sheet(extent.right() + std::max(0.0, extent.left()), extent.bottom() + std::max(0.0, extent.top()));
    QPageSize best;
    double bestWidth = std::numeric_limits<double>::max();
    double bestHeight = std::numeric_limits<double>::max();
    for (const auto &candidates : {QList<QPageSize::PageSizeId>{QPageSize::Letter, QPageSize::A4},
                                   QList<QPageSize::PageSizeId>{QPageSize::Legal, QPageSize::A3, QPageSize::Tabloid}}) {
        for (const QPageSize::PageSizeId id : candidates) {
            const QPageSize page(id);
            const QSizeF size = PrintInfo::exactPaperSize(QPageLayout(page, QPageLayout::Portrait, QMarginsF()));
            if (!fitsPaper(extent, size))
                continue;
            const double width = std::abs(size.width() - sheet.width());
            const double height = std::abs(size.height() - sheet.height());
            if (width < bestWidth - 0.5 || (std::abs(width - bestWidth) <= 0.5 && height < bestHeight)) {
                bestWidth = width;
                bestHeight = height;
                best = page;
            }
        }
        if (best.isValid())
            break;
    }
    return best;
}

QString StockPaper::stockKey(const TLabel &label, const TFormat *format)
{
    const QRectF extent = sheetExtent(label, format);
    QStringList parts{label.name, label.paper};
    if (format)
        parts << format->manufacturer << format->name << format->papersize
              << QString::number(format->labels.size());
    parts << QString::number(extent.x(), 'f', 2) << QString::number(extent.y(), 'f', 2)
          << QString::number(extent.width(), 'f', 2) << QString::number(extent.height(), 'f', 2);
    return parts.join(QLatin1Char('|'));
}

void StockPaper::preselect(const TLabel &label, const TFormat *format)
{
    PrintInfo &info = PrintInfo::sharedPrintInfo();
    const QString key = stockKey(label, format);
    if (info.paperSource() == key)
        return;
    info.setPaperSource(key);
    if (const QPageSize own = paperForStock(label, format); own.isValid()) {
        info.setPaper(own);
        return;
    }
    // A stock that does not say keeps the paper chosen before, unless its labels reach past
    // that paper: then the standard paper they fit takes its place.
    if (fitsPaper(sheetExtent(label, format), info.paperSize()))
        return;
    if (const QPageSize fitting = paperForLabels(label, format); fitting.isValid())
        info.setPaper(fitting);
}

QString StockPaper::describe(const QSizeF &points, bool metric)
{
    if (metric)
        return QStringLiteral("%1 x %2 mm")
            .arg(localNumber(points.width() / PointsPerMillimetre, 'f', 0),
                 localNumber(points.height() / PointsPerMillimetre, 'f', 0));
    return QStringLiteral("%1 x %2 in").arg(localNumber(points.width() / 72.0), localNumber(points.height() / 72.0));
}

} // namespace quillmark
