#include "stock/TLabel.h"

#include "foundation/Language.h"
#include "foundation/Measures.h"
#include "platform/BezierPath.h"
#include "platform/Format.h"
#include "stock/Paper.h"
#include "stock/StockConversions.h"

namespace quillmark {

TLabel::TLabel()
{
    const QString key = QStringLiteral("Untitled");
    const QString translated = Language::stringForKey(key);
    name = translated.isNull() ? key : translated;
}

QPageSize TLabel::pageSize() const
{
    return pageSizeForPaper(paper);
}

int TLabel::positionCount() const
{
    if (num_label <= 0 || num_downlabel <= 0)
        return 0;
    return int(num_label) * int(num_downlabel);
}

QRectF TLabel::labelRect(int column, int row) const
{
    const double x = double(left_margin) + column * (double(width) + double(hor_distance));
    const double y = double(top_margin) + row * (double(height) + double(vert_distance));
    return QRectF(x, y, width, height);
}

BezierPath TLabel::outlinePath(int column, int row) const
{
    const QRectF inches = labelRect(column, row);
    const QRectF rect(inches.x() * PointsPerInch, inches.y() * PointsPerInch,
                      inches.width() * PointsPerInch, inches.height() * PointsPerInch);
    BezierPath path;
    switch (shape) {
    case Oval:
        path.appendOvalInRect(rect);
        break;
    case RoundedRectangle:
        path = cornerRoundedRectPath(rect, float(round_param * PointsPerInch));
        break;
    case Rectangle:
        path.appendRect(rect);
        break;
    default:
        return path;
    }
    if (hole != 0.0f)
        appendCentreHole(path, rect, hole * PointsPerInch);
    return path;
}

QVariantMap TLabel::descriptionDictionary() const
{
    return {
        {QStringLiteral("name"), name},
        {QStringLiteral("width"), fmt2(width)},
        {QStringLiteral("height"), fmt2(height)},
        {QStringLiteral("top_margin"), fmt2(top_margin)},
        {QStringLiteral("left_margin"), fmt2(left_margin)},
        {QStringLiteral("vert_distance"), fmt2(vert_distance)},
        {QStringLiteral("hor_distance"), fmt2(hor_distance)},
        {QStringLiteral("num_label"), fmtInt(num_label)},
        {QStringLiteral("num_downlabel"), fmtInt(num_downlabel)},
        {QStringLiteral("units"), fmtInt(units)},
        {QStringLiteral("deleted"), fmtInt(deleted)},
        {QStringLiteral("round_param"), fmt2(round_param)},
        {QStringLiteral("shape"), fmtInt(shape)},
    };
}

QString TLabel::description() const
{
    return propertyListDescription(descriptionDictionary());
}

} // namespace quillmark
