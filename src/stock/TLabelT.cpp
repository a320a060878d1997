#include "stock/TLabelT.h"

#include "platform/BezierPath.h"
#include "stock/StockConversions.h"

namespace quillmark {

QPointF TLabelT::origin() const
{
    return QPointF(double(xValue() * PointsPerMillimetre), double(yValue() * PointsPerMillimetre));
}

QSizeF TLabelT::size() const
{
    return QSizeF(double(widthValue() * PointsPerMillimetre),
                  double(heightValue() * PointsPerMillimetre));
}

bool TLabelT::isEqualToLabel(const TLabelT &other) const
{
    return type == other.type && y == other.y && x == other.x && height == other.height
        && width == other.width && round == other.round && hole == other.hole
        && cornerradius == other.cornerradius && orientation == other.orientation;
}

BezierPath TLabelT::getPath() const
{
    const QPointF topLeft = origin();
    QSizeF extent = size();
    if (orientation == 1)
        extent.transpose();
    const QRectF rect(topLeft, extent);

    BezierPath path;
    if (isRound())
        path.appendOvalInRect(rect);
    else if (cornerradius && *cornerradius > 0.0f)
        path = cornerRoundedRectPath(rect, *cornerradius * PointsPerMillimetre);
    else
        path.appendRect(rect);

    if (hole && *hole != 0.0f)
        appendCentreHole(path, rect, double(*hole * PointsPerMillimetre));
    return path;
}

QVariantMap TLabelT::dictionary() const
{
    QVariantMap dict;
    if (type)
        dict.insert(QStringLiteral("type"), *type);
    if (x)
        dict.insert(QStringLiteral("originX"), double(*x));
    if (y)
        dict.insert(QStringLiteral("originY"), double(*y));
    if (height)
        dict.insert(QStringLiteral("height"), double(*height));
    if (width)
        dict.insert(QStringLiteral("width"), double(*width));
    if (round)
        dict.insert(QStringLiteral("round"), *round);
    if (hole)
        dict.insert(QStringLiteral("hole"), double(*hole));
    if (cornerradius)
        dict.insert(QStringLiteral("cornerradius"), double(*cornerradius));
    dict.insert(QStringLiteral("orientation"), qint64(orientation));
    return dict;
}

std::optional<TLabelT> TLabelT::fromDictionary(const QVariantMap &dict, QString *error)
{
    TLabelT label;
    QString problem;
    auto text = [&](const char *key, std::optional<QString> &field) {
        const auto it = dict.constFind(QLatin1String(key));
        if (it == dict.cend() || !problem.isEmpty())
            return;
        if (it->typeId() != QMetaType::QString)
            problem = QStringLiteral("\"%1\" is not a string").arg(QLatin1String(key));
        else
            field = it->toString();
    };
    auto number = [&](const char *key, std::optional<float> &field) {
        const auto it = dict.constFind(QLatin1String(key));
        if (it == dict.cend() || !problem.isEmpty())
            return;
        const std::optional<double> value = stockNumber(*it);
        if (!value)
            problem = QStringLiteral("\"%1\" is not a number").arg(QLatin1String(key));
        else
            field = float(*value);
    };
    text("type", label.type);
    text("round", label.round);
    number("originX", label.x);
    number("originY", label.y);
    number("height", label.height);
    number("width", label.width);
    number("hole", label.hole);
    number("cornerradius", label.cornerradius);
    if (problem.isEmpty()) {
        const auto it = dict.constFind(QStringLiteral("orientation"));
        if (it != dict.cend()) {
            const std::optional<double> value = stockNumber(*it);
            if (!value)
                problem = QStringLiteral("\"orientation\" is not a number");
            else
                label.orientation = qint32(qBound(-2147483648.0, *value, 2147483647.0));
        }
    }
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return std::nullopt;
    }
    return label;
}

} // namespace quillmark
