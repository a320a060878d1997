#include "stock/StockConversions.h"

#include <QRegularExpression>
#include <QtDebug>
#include <cmath>

#include "foundation/Measures.h"
#include "platform/Format.h"
#include "stock/TFormat.h"
#include "stock/TLabel.h"
#include "stock/TLabelT.h"

namespace quillmark {

namespace {

constexpr qreal ClipOverreach = 100.0;
// Half a hundredth of an inch, and a little more for the single-precision fields.
constexpr double LengthTolerance = 0.005 + 1e-6;
// Control distance of a quarter circle drawn as one cubic curve.
constexpr qreal Kappa = 0.5522847498;

// Half a circle from the top of the circle to its bottom, through its left (towards -x)
// or right side.
void appendHalfCircle(BezierPath &path, const QPointF &centre, qreal radius, bool left)
{
    const qreal side = left ? -radius : radius;
    const qreal k = Kappa * radius;
    const qreal ks = left ? -k : k;
    const QPointF top(centre.x(), centre.y() - radius);
    const QPointF middle(centre.x() + side, centre.y());
    const QPointF bottom(centre.x(), centre.y() + radius);
    path.curveTo(middle, QPointF(top.x() + ks, top.y()), QPointF(middle.x(), middle.y() - k));
    path.curveTo(bottom, QPointF(middle.x(), middle.y() + k), QPointF(bottom.x() + ks, bottom.y()));
}

} // namespace

BezierPath cornerRoundedRectPath(const QRectF &rect, float radius)
{
    const double r = radius;
    const double a = double(radius * 9.0f * 0.0625f);
    const double b = double(7.0f * radius * 0.0625f);
    const double X = rect.x();
    const double Y = rect.y();
    const double B = Y + rect.height();
    const double R = X + rect.width();

    BezierPath path;
    path.moveTo(QPointF(X, Y + r));
    path.lineTo(QPointF(X, B - r));
    path.curveTo(QPointF(X + r, B), QPointF(X, B - a), QPointF(X + a, B));
    path.lineTo(QPointF(R - r, B));
    path.curveTo(QPointF(R, B - r), QPointF(R - a, B), QPointF(R, B - a));
    path.lineTo(QPointF(R, Y + r));
    path.curveTo(QPointF(R - r, Y), QPointF(R, Y + b), QPointF(R - a, Y));
    path.lineTo(QPointF(X + r, Y));
    path.curveTo(QPointF(X, Y + r), QPointF(X + b, Y), QPointF(X, Y + b));
    return path;
}

void appendCentreHole(BezierPath &path, const QRectF &rect, qreal diameter)
{
    path.setWindingRule(BezierPath::EvenOddWinding);
    path.appendOvalInRect(QRectF(rect.x() + (rect.width() - diameter) / 2.0,
                                 rect.y() + (rect.height() - diameter) / 2.0, diameter, diameter));
}

TFormat formatFromGridLabel(const TLabel &label)
{
    TFormat format;
    format.setManufacturer(QStringLiteral("Fernwick"));
    format.setName(label.name);
    format.papersize = QStringLiteral("iso-a4");

    const int positions = label.positionCount();
    if (positions > MaximumGridPositions) {
        qWarning("The stock \"%s\" has %d labels per sheet; no sheet holds that many.",
                 qPrintable(label.name), positions);
        return format;
    }
    auto mm = [](double inches) { return float(inches * MillimetresPerInch); };
    const float width = mm(label.width);
    const float height = mm(label.height);
    const float hole = mm(label.hole);
    const float radius = mm(label.round_param);
    // An oval grid label stays an oval when it is not a circle; otherwise only a square
    // whose corners meet in the middle is round.
    const bool round = label.shape == TLabel::Oval || (width == height && radius >= width / 2.0f);

    std::vector<TLabelT> shapes;
    shapes.reserve(size_t(positions));
    for (int row = 0; positions > 0 && row < label.num_downlabel; ++row) {
        for (int column = 0; column < label.num_label; ++column) {
            TLabelT shape;
            shape.setType(QStringLiteral("Horizontal"));
            shape.setX(mm(double(label.left_margin)
                          + column * (double(label.width) + double(label.hor_distance))));
            shape.setY(mm(double(label.top_margin)
                          + row * (double(label.height) + double(label.vert_distance))));
            shape.setWidth(width);
            shape.setHeight(height);
            shape.setHole(hole);
            shape.setRadius(radius);
            shape.setRound(round ? QStringLiteral("true") : QStringLiteral("false"));
            shapes.push_back(std::move(shape));
        }
    }
    format.setLabels(shapes);
    return format;
}

BezierPath holePath(int type, const QRectF &labelRect, qreal holeDiameter, const QRectF &viewBounds)
{
    BezierPath path;
    if (holeDiameter == 0.0)
        return path;
    const QPointF centre = labelRect.center();
    if (type == 2) {
        path.appendOvalInRect(QRectF(centre.x() - holeDiameter / 2.0,
                                     centre.y() - holeDiameter / 2.0, holeDiameter, holeDiameter));
        return path;
    }
    if (type != 0 && type != 1)
        return path;

    const bool left = type == 0;
    const qreal radius = labelRect.height() / 2.0;
    const qreal top = std::min(viewBounds.top(), labelRect.top()) - ClipOverreach;
    const qreal bottom = std::max(viewBounds.bottom(), labelRect.bottom()) + ClipOverreach;
    const qreal outer = left ? std::min(viewBounds.left(), labelRect.left()) - ClipOverreach
                             : std::max(viewBounds.right(), labelRect.right()) + ClipOverreach;
    path.moveTo(QPointF(centre.x(), centre.y() - radius));
    appendHalfCircle(path, centre, radius, left);
    path.lineTo(QPointF(centre.x(), bottom));
    path.lineTo(QPointF(outer, bottom));
    path.lineTo(QPointF(outer, top));
    path.lineTo(QPointF(centre.x(), top));
    path.closePath();
    return path;
}

BezierPath holePath(int type, const TLabel &label, const QRectF &viewBounds)
{
    const QRectF rect(0.0, 0.0, label.width * PointsPerInch, label.height * PointsPerInch);
    return holePath(type, rect, label.hole * PointsPerInch, viewBounds);
}

BezierPath holePath(int type, const TLabelT &label, const QRectF &viewBounds)
{
    QSizeF extent = label.size();
    if (label.orientation == 1)
        extent.transpose();
    return holePath(type, QRectF(label.origin(), extent),
                    double(label.holeValue() * TLabelT::PointsPerMillimetre), viewBounds);
}

bool gridStocksMatch(const TLabel &a, const TLabel &b)
{
    auto same = [](float x, float y) { return std::fabs(double(x) - double(y)) <= LengthTolerance; };
    return a.name == b.name && same(a.width, b.width) && same(a.height, b.height)
        && same(a.top_margin, b.top_margin) && same(a.left_margin, b.left_margin)
        && same(a.vert_distance, b.vert_distance) && same(a.hor_distance, b.hor_distance)
        && a.num_label == b.num_label && a.num_downlabel == b.num_downlabel
        && same(a.round_param, b.round_param) && a.shape == b.shape && same(a.hole, b.hole);
}

std::optional<double> stockNumber(const QVariant &value)
{
    double number = 0.0;
    switch (value.typeId()) {
    case QMetaType::QString:
        number = leadingDouble(value.toString());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        number = value.toDouble();
        break;
    default:
        return std::nullopt;
    }
    if (!std::isfinite(number))
        return std::nullopt;
    return number;
}

QString propertyListDescription(const QVariant &value, int indent)
{
    const QString pad(indent * 4, QLatin1Char(' '));
    const QString inner((indent + 1) * 4, QLatin1Char(' '));
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_$./]+$"));
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        QString text = QStringLiteral("{\n");
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            text += inner + propertyListDescription(it.key(), indent + 1) + QStringLiteral(" = ")
                + propertyListDescription(it.value(), indent + 1) + QStringLiteral(";\n");
        return text + pad + QLatin1Char('}');
    }
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        QString text = QStringLiteral("(\n");
        for (int i = 0; i < list.size(); ++i)
            text += inner + propertyListDescription(list[i], indent + 1)
                + (i + 1 < list.size() ? QStringLiteral(",\n") : QStringLiteral("\n"));
        return text + pad + QLatin1Char(')');
    }
    case QMetaType::QString: {
        const QString text = value.toString();
        if (plain.match(text).hasMatch())
            return text;
        QString quoted = text;
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        quoted.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        return QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    default:
        return value.toString();
    }
}

} // namespace quillmark
