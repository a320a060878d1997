#include "stock/CustomFormat.h"

namespace quillmark {

QVariantMap CustomFormat::propertyDictionary() const
{
    QVariantList labels;
    for (const TLabelT &label : _format.labels)
        labels.append(label.dictionary());
    QVariantMap dict = {
        {QStringLiteral("name"), _format.name},
        {QStringLiteral("manufacturer"), makerWord()},
        {QStringLiteral("labels"), labels},
    };
    if (!_format.papersize.isEmpty())
        dict.insert(QStringLiteral("papersize"), _format.papersize);
    return dict;
}

std::optional<TFormat> CustomFormat::formatFromDictionary(const QVariantMap &dict, QString *error)
{
    auto fail = [error](const QString &problem) {
        if (error)
            *error = problem;
        return std::nullopt;
    };
    TFormat format;
    const QVariant manufacturer = dict.value(QStringLiteral("manufacturer"));
    if (manufacturer.typeId() == QMetaType::QString)
        format.manufacturer = manufacturer.toString();
    if (const auto name = dict.constFind(QStringLiteral("name")); name != dict.cend()) {
        if (name->typeId() != QMetaType::QString)
            return fail(QStringLiteral("\"name\" is not a string"));
        format.name = name->toString();
    }
    const QVariant paper = dict.value(QStringLiteral("papersize"));
    if (paper.typeId() == QMetaType::QString)
        format.papersize = paper.toString();
    if (const auto labels = dict.constFind(QStringLiteral("labels")); labels != dict.cend()) {
        if (labels->typeId() != QMetaType::QVariantList)
            return fail(QStringLiteral("\"labels\" is not an array"));
        std::vector<TLabelT> list;
        const QVariantList items = labels->toList();
        for (int i = 0; i < items.size(); ++i) {
            if (items[i].typeId() != QMetaType::QVariantMap)
                return fail(QStringLiteral("label %1 is not a dictionary").arg(i));
            QString problem;
            const std::optional<TLabelT> label = TLabelT::fromDictionary(items[i].toMap(), &problem);
            if (!label)
                return fail(QStringLiteral("label %1: %2").arg(i).arg(problem));
            list.push_back(*label);
        }
        format.setLabels(list);
    }
    return format;
}

} // namespace quillmark
