#include "barcodes/TBarInfo.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <cmath>
#include <limits>

namespace quillmark {

int16_t clampShort(double value)
{
    if (std::isnan(value))
        return 0;
    const double t = std::trunc(value);
    if (t <= std::numeric_limits<int16_t>::min())
        return std::numeric_limits<int16_t>::min();
    if (t >= std::numeric_limits<int16_t>::max())
        return std::numeric_limits<int16_t>::max();
    return int16_t(t);
}

void setShortRect(ShortRect &rect, double left, double top, double right, double bottom)
{
    rect.left = clampShort(left);
    rect.top = clampShort(top);
    rect.right = clampShort(right);
    rect.bottom = clampShort(bottom);
}

void offsetShortRect(ShortRect &rect, int dh, int dv)
{
    rect.left = clampShort(double(rect.left) + dh);
    rect.right = clampShort(double(rect.right) + dh);
    rect.top = clampShort(double(rect.top) + dv);
    rect.bottom = clampShort(double(rect.bottom) + dv);
}

std::string truncateUtf8Bytes(const std::string &text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    size_t cut = maxBytes;
    // Step back over continuation bytes so the cut lands before a lead byte.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

void TBarInfo::setData(const std::string &utf8)
{
    BarStr = truncateUtf8Bytes(utf8, MaxDataBytes);
}

std::string TBarInfo::shortData() const
{
    return truncateUtf8Bytes(BarStr, ShortStringBytes);
}

QFont TBarInfo::defaultFont()
{
    auto make = [] {
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPointSizeF(8.0);
        return font;
    };
    // Every record starts from it, and a barcode drawn anew makes several: made once, its
    // copies share it. Before the application exists the system's font is not known yet.
    if (!QGuiApplication::instance())
        return make();
    static const QFont font = make();
    return font;
}

} // namespace quillmark
