#include "stock/xmlFormatsReader.h"

#include <QFile>
#include <QtDebug>

#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "stock/StockConversions.h"

namespace quillmark {

xmlFormatsReader::xmlFormatsReader()
{
    read(Bundle::pathForResource(QStringLiteral("formats"), QStringLiteral("xml")));
}

xmlFormatsReader::xmlFormatsReader(const QString &path)
{
    read(path);
}

void xmlFormatsReader::read(const QString &path)
{
    if (path.isEmpty() || !QFile::exists(path))
        return;
    QString error;
    const QVariant root = PropertyList::readFile(path, &error, QMetaType::QVariantMap);
    if (root.isNull()) {
        qWarning("Paper formats %s not read: %s", qPrintable(path), qPrintable(error));
        return;
    }
    const QVariant list = root.toMap().value(QStringLiteral("PaperFormatList"));
    if (list.typeId() == QMetaType::QVariantList)
        _formatsArray = list.toList();
}

QVariantMap xmlFormatsReader::formatAt(qint32 index) const
{
    if (index < 0 || index >= count())
        return {};
    return _formatsArray[index].toMap();
}

QVariant xmlFormatsReader::formatAttribute(const QString &key, qint32 index) const
{
    return formatAt(index).value(key);
}

QVariant xmlFormatsReader::labelAttribute(const QString &key, qint32 index) const
{
    const QVariantList labels = formatAt(index).value(QStringLiteral("Labels")).toList();
    if (labels.isEmpty())
        return QVariant();
    return labels.first().toMap().value(key);
}

void xmlFormatsReader::labelAtIndex(qint32 index, TLabel &label) const
{
    if (index < 0 || index >= count()) {
        qWarning("Paper format %d does not exist", index);
        return;
    }
    const QVariantMap format = formatAt(index);
    auto number = [&format](const char *key) {
        return float(stockNumber(format.value(QLatin1String(key))).value_or(0.0));
    };
    const QVariant type = format.value(QStringLiteral("type"));
    label.name = type.typeId() == QMetaType::QString ? type.toString() : QString();
    label.top_margin = number("TopMargin");
    label.left_margin = number("LeftMargin");
    label.height = number("Height");
    label.width = number("Width");
    label.vert_distance = number("HSpace");
    label.hor_distance = number("VSpace");
    label.hole = number("InnerDiameter");
    label.round_param = number("OuterDiameter");
}

} // namespace quillmark
