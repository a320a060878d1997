#include "stock/CustomLabel.h"

#include <cmath>

#include "platform/Format.h"
#include "stock/Paper.h"
#include "stock/StockConversions.h"

namespace quillmark {

QString CustomLabel::getName() const
{
    return mLabel ? mLabel->name : QString();
}

QVariantMap CustomLabel::propertyDictionary() const
{
    if (!mLabel)
        return {};
    // The stored form is the description with the hole, which the description leaves out.
    QVariantMap dict = mLabel->descriptionDictionary();
    dict.insert(QStringLiteral("hole"), fmt2(mLabel->hole));
    // Only when known: entries without it read as they always did.
    if (!mLabel->paper.isEmpty())
        dict.insert(QStringLiteral("paper"), mLabel->paper);
    return dict;
}

std::optional<TLabel> CustomLabel::labelFromDictionary(const QVariantMap &dict, QString *error)
{
    TLabel label;
    QString problem;
    auto present = [&](const char *key) {
        return problem.isEmpty() ? dict.constFind(QLatin1String(key)) : dict.cend();
    };
    auto real = [&](const char *key, float &field) {
        const auto it = present(key);
        if (it == dict.cend())
            return;
        const std::optional<double> value = stockNumber(*it);
        if (value)
            field = float(*value);
        else
            problem = QStringLiteral("\"%1\" is not a number").arg(QLatin1String(key));
    };
    auto whole = [&](const char *key, qint16 &field) {
        const auto it = present(key);
        if (it == dict.cend())
            return;
        const std::optional<double> value = stockNumber(*it);
        if (value)
            field = qint16(qBound(-32768.0, std::trunc(*value), 32767.0));
        else
            problem = QStringLiteral("\"%1\" is not a number").arg(QLatin1String(key));
    };

    if (const auto it = present("name"); it != dict.cend()) {
        if (it->typeId() == QMetaType::QString)
            label.name = it->toString();
        else
            problem = QStringLiteral("\"name\" is not a string");
    }
    real("width", label.width);
    real("height", label.height);
    real("top_margin", label.top_margin);
    real("left_margin", label.left_margin);
    real("vert_distance", label.vert_distance);
    real("hor_distance", label.hor_distance);
    whole("num_label", label.num_label);
    whole("num_downlabel", label.num_downlabel);
    whole("units", label.units);
    whole("deleted", label.deleted);
    real("round_param", label.round_param);
    real("hole", label.hole);
    whole("shape", label.shape);
    // A paper that is not a known name is dropped, not a reason to lose the entry.
    if (const auto it = present("paper"); it != dict.cend() && it->typeId() == QMetaType::QString)
        label.paper = canonicalPaperName(it->toString());

    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return std::nullopt;
    }
    return label;
}

} // namespace quillmark
