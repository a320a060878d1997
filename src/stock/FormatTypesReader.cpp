#include "stock/FormatTypesReader.h"

#include <QFile>

#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "stock/StockConversions.h"

namespace quillmark {

FormatTypesReader::FormatTypesReader()
{
    read(Bundle::pathForResource(QStringLiteral("formattypes"), QStringLiteral("xml")));
}

FormatTypesReader::FormatTypesReader(const QString &path)
{
    read(path);
}

void FormatTypesReader::read(const QString &path)
{
    if (path.isEmpty() || !QFile::exists(path))
        return;
    QString error;
    const QVariant root = PropertyList::readFile(path, &error, QMetaType::QVariantMap);
    if (root.isNull()) {
        qWarning("Shape palette %s not read: %s", qPrintable(path), qPrintable(error));
        return;
    }
    const QVariant list = root.toMap().value(QStringLiteral("FormatTypes"));
    if (list.typeId() == QMetaType::QVariantList)
        formatTypesArray = list.toList();
}

QVariant FormatTypesReader::formatAttribute(const QString &key, qint32 index) const
{
    if (index < 0 || index >= count() || formatTypesArray[index].typeId() != QMetaType::QVariantMap)
        return {};
    return formatTypesArray[index].toMap().value(key);
}

std::optional<TLabelT> FormatTypesReader::getTLabelAtIndex(qint32 index) const
{
    if (index < 0 || index >= count() || formatTypesArray[index].typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap entry = formatTypesArray[index].toMap();
    const QVariant type = entry.value(QStringLiteral("type"));
    if (type.typeId() != QMetaType::QString || type.toString().isEmpty())
        return std::nullopt;
    TLabelT shape;
    shape.setType(type.toString());
    bool readable = true;
    auto number = [&](const char *key, std::optional<float> &field) {
        const auto it = entry.constFind(QLatin1String(key));
        if (it == entry.cend())
            return;
        if (const std::optional<double> value = stockNumber(*it))
            field = float(*value);
        else
            readable = false;
    };
    number("y", shape.y);
    number("x", shape.x);
    number("height", shape.height);
    number("width", shape.width);
    // Any value makes the shape round, even "NO": the resource marks round shapes by the key.
    if (entry.contains(QStringLiteral("round")))
        shape.setRound(QStringLiteral("true"));
    number("hole", shape.hole);
    number("cornerradius", shape.cornerradius);
    if (!readable) {
        qWarning("Shape palette entry %d has a value that is not a number", int(index));
        return std::nullopt;
    }
    return shape;
}

} // namespace quillmark
