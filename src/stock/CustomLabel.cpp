#include "stock/CustomLabel.h"

#include <cmath>
#include <utility>

#include "platform/Format.h"
#include "stock/Paper.h"
#include "stock/StockConversions.h"

namespace quillmark {

namespace {

// Two decimals of an inch are a quarter of a millimetre: a sheet typed in millimetres or taken
// from the catalogue would come back after a restart up to that far off. Four decimals keep
// every length within three thousandths of a millimetre; trailing zeros past the second
// decimal are dropped, so a width of 4 is still stored as "4.00" and older readers, which read
// the leading number, take the longer figures too.
QString storedLength(float inches)
{
    QString text = QString::asprintf("%.4f", double(inches));
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        return text;
    while (text.size() > point + 3 && text.endsWith(QLatin1Char('0')))
        text.chop(1);
    return text;
}

} // namespace

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
    const std::pair<const char *, float> lengths[] = {
        {"width", mLabel->width},
        {"height", mLabel->height},
        {"top_margin", mLabel->top_margin},
        {"left_margin", mLabel->left_margin},
        {"vert_distance", mLabel->vert_distance},
        {"hor_distance", mLabel->hor_distance},
        {"round_param", mLabel->round_param},
        {"hole", mLabel->hole},
    };
    for (const auto &[key, inches] : lengths)
        dict.insert(QLatin1String(key), storedLength(inches));
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
