#include "objects/BezierPathArchive.h"

#include <QVariantList>
#include <QVariantMap>

#include <cmath>

#include "platform/Archiver.h"

namespace quillmark {

const QString BezierPathArchive::className = QStringLiteral("QMBezierPath");

namespace {

const QString ElementsKey = QStringLiteral("Elements");
const QString LineWidthKey = QStringLiteral("LineWidth");
const QString WindingRuleKey = QStringLiteral("WindingRule");

std::optional<double> finiteNumber(const QVariant &value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

} // namespace

QByteArray BezierPathArchive::archive(const BezierPath &path)
{
    // One flat list per element: the type, then x and y of each of its points.
    QVariantList elements;
    elements.reserve(path.elementCount());
    QPointF points[3];
    for (int i = 0; i < path.elementCount(); ++i) {
        const BezierPath::ElementType type = path.elementAt(i, points);
        QVariantList entry;
        entry.append(qint64(type));
        for (int k = 0; k < BezierPath::pointCount(type); ++k) {
            entry.append(points[k].x());
            entry.append(points[k].y());
        }
        elements.append(QVariant(entry));
    }
    QVariantMap payload;
    payload.insert(ElementsKey, elements);
    payload.insert(LineWidthKey, double(path.lineWidth()));
    payload.insert(WindingRuleKey, qint64(path.windingRule()));
    return Archiver::archive(className, payload);
}

std::optional<BezierPath> BezierPathArchive::unarchive(const QByteArray &data)
{
    const std::optional<QVariantMap> payload = Archiver::unarchive(data, className);
    if (!payload)
        return std::nullopt;
    const QVariant elementsValue = payload->value(ElementsKey);
    if (elementsValue.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    const QVariantList elements = elementsValue.toList();
    if (elements.size() > MaxElements)
        return std::nullopt;

    BezierPath path;
    for (const QVariant &value : elements) {
        if (value.typeId() != QMetaType::QVariantList)
            return std::nullopt;
        const QVariantList entry = value.toList();
        if (entry.isEmpty())
            return std::nullopt;
        bool ok = false;
        const qint64 typeNumber = entry.first().toLongLong(&ok);
        if (!ok || typeNumber < BezierPath::MoveTo || typeNumber > BezierPath::ClosePath)
            return std::nullopt;
        const auto type = BezierPath::ElementType(typeNumber);
        const int count = BezierPath::pointCount(type);
        if (entry.size() != 1 + 2 * count)
            return std::nullopt;
        QPointF points[3];
        for (int k = 0; k < count; ++k) {
            const std::optional<double> x = finiteNumber(entry.at(1 + 2 * k));
            const std::optional<double> y = finiteNumber(entry.at(2 + 2 * k));
            if (!x || !y)
                return std::nullopt;
            points[k] = QPointF(*x, *y);
        }
        switch (type) {
        case BezierPath::MoveTo:
            path.moveTo(points[0]);
            break;
        case BezierPath::LineTo:
            path.lineTo(points[0]);
            break;
        case BezierPath::CurveTo:
            path.curveTo(points[2], points[0], points[1]);
            break;
        case BezierPath::ClosePath:
            path.closePath();
            break;
        }
    }
    if (const std::optional<double> width = finiteNumber(payload->value(LineWidthKey));
        width && *width >= 0)
        path.setLineWidth(*width);
    bool ok = false;
    const qint64 rule = payload->value(WindingRuleKey).toLongLong(&ok);
    if (ok && rule == BezierPath::EvenOddWinding)
        path.setWindingRule(BezierPath::EvenOddWinding);
    return path;
}

} // namespace quillmark
