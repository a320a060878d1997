#include "stock/TLabelType.h"

#include <algorithm>

namespace quillmark {

namespace {
std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); });
    return text;
}
} // namespace

TLabelType::TLabelType(std::string code, std::string category, std::string description,
                       std::string type)
    : productCode(std::move(code)), productCategory(std::move(category)),
      productDescription(std::move(description)), productType(std::move(type))
{
    m_name = productCategory + ' ' + productCode;
    m_lowerName = lowered(m_name);
}

QString TLabelType::getName() const
{
    return QString::fromLatin1(m_name);
}

TLabel TLabelType::getLabelStruct() const
{
    TLabel label;
    label.name = getProductCode();
    label.width = float(labelWidth);
    label.height = float(labelHeight);
    label.top_margin = float(topMargin);
    label.left_margin = float(leftMargin);
    label.vert_distance = float(verPitch - labelHeight);
    label.hor_distance = float(horPitch - labelWidth);
    label.num_label = qint16(qBound(qint64(0), numberAcross, qint64(32767)));
    label.num_downlabel = qint16(qBound(qint64(0), numberDown, qint64(32767)));
    label.units = 1;
    label.deleted = 0;
    label.round_param = float(labelRadius);
    label.paper = paper;
    label.hole = float(hole);
    label.shape = TLabel::Rectangle;
    if (label.round_param != 0.0f) {
        const float larger = std::max(label.width, label.height);
        label.shape = label.round_param < larger / 2.0f ? TLabel::RoundedRectangle : TLabel::Oval;
    }
    return label;
}

} // namespace quillmark
