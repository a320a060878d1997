#include "stock/TFormat.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <QtDebug>

#include "foundation/Language.h"
#include "foundation/Measures.h"
#include "stock/StockCanvas.h"

namespace quillmark {

TFormat::TFormat(const TFormat &other)
    : name(other.name), manufacturer(other.manufacturer), papersize(other.papersize),
      labels(other.labels)
{
}

TFormat &TFormat::operator=(const TFormat &other)
{
    if (this != &other) {
        name = other.name;
        manufacturer = other.manufacturer;
        papersize = other.papersize;
        labels = other.labels;
        rectsview = nullptr;
    }
    return *this;
}

bool TFormat::drawsByType() const
{
    return rectsview && rectsview->drawByType();
}

std::vector<TFormat::LabelType> TFormat::labelTypes(int upTo) const
{
    const int count = std::min(int(labels.size()), upTo < 0 ? int(labels.size()) : upTo + 1);
    std::vector<LabelType> types;
    QSet<QString> taken;
    taken.reserve(count);
    if (drawsByType()) {
        for (int i = 0; i < int(labels.size()); ++i) {
            const QString type = labels[size_t(i)].getType();
            if (!taken.contains(type)) {
                taken.insert(type);
                types.push_back({type, i});
                if (upTo >= 0 && int(types.size()) > upTo)
                    break;
            }
        }
        return types;
    }
    // A repeated type takes the smallest free number from 2 upward. Names are only ever
    // added, so that number never goes down for a type: keeping where each type's search
    // stopped makes the whole naming linear instead of quadratic in the repeats.
    QHash<QString, int> nextNumber;
    types.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const QString type = labels[size_t(i)].getType();
        QString name = type;
        if (taken.contains(name)) {
            int &n = nextNumber[type];
            if (n < 2)
                n = 2;
            for (;; ++n) {
                name = type + QStringLiteral(" %1").arg(n);
                if (!taken.contains(name))
                    break;
            }
        }
        taken.insert(name);
        types.push_back({name, i});
    }
    return types;
}

QStringList TFormat::labelTypeNames() const
{
    QStringList names;
    const auto types = labelTypes();
    names.reserve(qsizetype(types.size()));
    for (const LabelType &type : types)
        names.append(type.name);
    return names;
}

QStringList TFormat::labelTypeTitles() const
{
    QStringList titles;
    const auto types = labelTypes();
    titles.reserve(qsizetype(types.size()));
    QHash<QString, QString> translated;
    for (const LabelType &type : types) {
        const QString base = labels[size_t(type.head)].getType();
        auto it = translated.find(base);
        if (it == translated.end()) {
            const QString text = Language::stringForKey(base);
            it = translated.insert(base, text.isEmpty() ? base : text);
        }
        titles.append(*it + type.name.mid(base.size()));
    }
    return titles;
}

int TFormat::labelTypesCount() const
{
    // Without draw-by-type every label is its own type: no names are needed to count them.
    return drawsByType() ? int(labelTypes().size()) : int(labels.size());
}

QString TFormat::labeltypesAtIndex(int index) const
{
    if (index < 0)
        return QString();
    const auto types = labelTypes(index);
    if (index >= int(types.size()))
        return QString();
    return types[size_t(index)].name;
}

const TLabelT *TFormat::labeltypeObjectAtIndex(int index) const
{
    if (index < 0)
        return nullptr;
    if (!drawsByType())
        return index < int(labels.size()) ? &labels[size_t(index)] : nullptr;
    const auto types = labelTypes(index);
    if (index >= int(types.size()))
        return nullptr;
    return &labels[size_t(types[size_t(index)].head)];
}

std::vector<TLabelT> TFormat::labelObjectsOfType(const QString &type) const
{
    std::vector<TLabelT> result;
    for (const TLabelT &label : labels)
        if (label.type && *label.type == type)
            result.push_back(label);
    return result;
}

TLabel TFormat::firstLabelOfType(const QString &type) const
{
    TLabel grid;
    for (const TLabelT &label : labels) {
        if (!label.type || *label.type != type)
            continue;
        auto inches = [](float mm) { return float(mm / MillimetresPerInch); };
        if (label.orientation == 0) {
            grid.width = inches(label.widthValue());
            grid.height = inches(label.heightValue());
            grid.top_margin = inches(label.yValue());
            grid.left_margin = inches(label.xValue());
        } else {
            grid.width = inches(label.heightValue());
            grid.height = inches(label.widthValue());
            grid.top_margin = inches(label.xValue());
            grid.left_margin = inches(label.yValue());
        }
        if (label.isRound())
            grid.shape = TLabel::Oval;
        grid.hole = inches(label.holeValue());
        grid.round_param = inches(label.radiusValue());
        break;
    }
    return grid;
}

bool TFormat::isRound() const
{
    for (const TLabelT &label : labels) {
        const QString type = label.getType();
        if (type == QLatin1String("VHSFace") || type == QLatin1String("VHSSpine"))
            return false;
    }
    return true;
}

int TFormat::caseInsensitiveCompare(const TFormat &other) const
{
    const int result = name.compare(other.name, Qt::CaseInsensitive);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

bool TFormat::isEqualToFormat(const TFormat &other) const
{
    if (name != other.name || manufacturer != other.manufacturer
        || labels.size() != other.labels.size())
        return false;
    for (size_t i = 0; i < labels.size(); ++i)
        if (!labels[i].isEqualToLabel(other.labels[i]))
            return false;
    return true;
}

qint32 TFormat::orientation() const
{
    return labels.empty() ? 0 : labels.front().orientation;
}

void TFormat::setOrientation(qint32 value)
{
    for (TLabelT &label : labels)
        label.orientation = value;
}

QVariantMap TFormat::dictionaryWithFormat(const TFormat &format)
{
    QVariantList labels;
    for (const TLabelT &label : format.labels)
        labels.append(label.dictionary());
    return {
        {QStringLiteral("formatname"), format.name},
        {QStringLiteral("formatmanufacturer"), format.manufacturer},
        {QStringLiteral("labels"), labels},
    };
}

TFormat TFormat::formatWithDict(const QVariantMap &dict)
{
    TFormat format;
    const auto manufacturer = dict.constFind(QStringLiteral("formatmanufacturer"));
    if (manufacturer != dict.cend())
        format.manufacturer = manufacturer->toString();
    const auto name = dict.constFind(QStringLiteral("formatname"));
    if (name != dict.cend())
        format.name = name->toString();
    const auto labels = dict.constFind(QStringLiteral("labels"));
    if (labels != dict.cend()) {
        std::vector<TLabelT> list;
        const QVariantList items = labels->toList();
        for (int i = 0; i < items.size(); ++i) {
            QString error;
            std::optional<TLabelT> label;
            if (items[i].typeId() == QMetaType::QVariantMap)
                label = TLabelT::fromDictionary(items[i].toMap(), &error);
            else
                error = QStringLiteral("not a dictionary");
            if (label)
                list.push_back(*label);
            else
                qWarning("Label %d of the stock \"%s\" skipped: %s", i, qPrintable(format.name),
                         qPrintable(error));
        }
        format.setLabels(list);
    }
    return format;
}

} // namespace quillmark
