#include "barcodes/Code128.h"

#include "barcodes/LinearBarcodeKit.h"

#include <array>
#include <cmath>

namespace quillmark {

namespace {

constexpr std::array<const char *, 107> Patterns = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "233111",
};

enum class CodeSet { A, B, C };

constexpr int StopValue = 106;

unsigned char startByte(int type)
{
    switch (type) {
    case BarcodeType::Code128A:
        return 135;
    case BarcodeType::Code128C:
        return 137;
    default:
        return 136;
    }
}

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// Walks a symbol string as the drawing reads it and answers its values, or an empty list when a
// byte has no value in the set it falls in: control characters in set B and small letters in
// set A would scan as other characters, and set C takes digit pairs only.
std::vector<int> walkSymbolString(const std::string &symbols)
{
    std::vector<int> values;
    values.reserve(symbols.size());
    bool started = false;
    CodeSet set = CodeSet::B;
    for (size_t i = 0; i < symbols.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(symbols[i]);
        if (b >= 138)
            return {};
        const bool inC = started && set == CodeSet::C;
        if ((b == 137 || b == 131) && !inC) {
            set = CodeSet::C;
        } else if (b == 133 || b == 135) {
            set = CodeSet::A;
        } else if (b == 136 || b == 132) {
            set = CodeSet::B;
        } else if (set == CodeSet::C && started) {
            if (i + 1 >= symbols.size() || !isDigit(b)
                || !isDigit(static_cast<unsigned char>(symbols[i + 1])))
                return {};
            values.push_back(10 * (b - '0') + (symbols[i + 1] - '0'));
            ++i;
            continue;
        } else if (set == CodeSet::A) {
            if (b <= 31) {
                values.push_back(b + 64);
                continue;
            }
            if (b >= 96 && b <= 127)
                return {};
            values.push_back(b - 32);
            continue;
        } else {
            if (b < 32)
                return {};
            values.push_back(b - 32);
            continue;
        }
        values.push_back(b - 32);
        started = true;
    }
    return values;
}

bool dataAcceptable(const TBarInfo &info, const std::string &data)
{
    if (data.empty())
        return false;
    if (info.type == BarcodeType::Code128C) {
        if (data.size() % 2 != 0)
            return false;
        for (char c : data) {
            if (!isDigit(static_cast<unsigned char>(c)))
                return false;
        }
    }
    return true;
}

} // namespace

bool code128Holds(const TBarInfo &info)
{
    return info.BarStr.size() <= TBarInfo::ShortStringBytes;
}

const char *code128Pattern(int value)
{
    if (value < 0 || value >= int(Patterns.size()))
        return "";
    return Patterns[size_t(value)];
}

std::vector<int> code128Values(const TBarInfo &info)
{
    // A symbol holds at most what a short string does; cut to that it would scan as other
    // data, so longer data make no symbol at all.
    if (!code128Holds(info))
        return {};
    const std::string data = info.shortData();
    if (!dataAcceptable(info, data))
        return {};
    std::string symbols(1, char(startByte(info.type)));
    symbols += data;
    std::vector<int> values = walkSymbolString(symbols);
    if (values.size() < 2)
        return {};
    if (info.CheckSymb) {
        uint64_t sum = uint64_t(values[0]);
        for (size_t i = 1; i < values.size(); ++i)
            sum += uint64_t(i) * uint64_t(values[i]);
        values.push_back(int(sum % 103));
    }
    values.push_back(StopValue);
    return values;
}

bool code128Valid(const TBarInfo &info)
{
    return !code128Values(info).empty();
}

std::string code128Encode(const TBarInfo &info)
{
    const std::vector<int> values = code128Values(info);
    if (values.empty())
        return {};
    std::string symbols(1, char(startByte(info.type)));
    symbols += info.shortData();
    if (info.CheckSymb) {
        const int check = values[values.size() - 2];
        if (info.type == BarcodeType::Code128C) {
            symbols.push_back(char('0' + check / 10));
            symbols.push_back(char('0' + check % 10));
        } else {
            symbols.push_back(char(check + 32));
        }
    }
    return symbols;
}

std::string code128Text(const TBarInfo &info)
{
    return info.shortData();
}

void code128DrawSymbolBars(LinearDrawContext &ctx, BarPosition &pos, int value, const TBarInfo &info)
{
    const char *pattern = code128Pattern(value);
    if (!pattern[0])
        return;
    const double r = ctx.resolution;
    const double reserve = (info.HRT && info.barH > 0) ? std::trunc(r * info.TextHeight) : 0;
    const double bottom = pos.y + info.barH * r - reserve;
    for (int k = 0; k < 3; ++k) {
        const double bar = barElementWidth(info, pattern[2 * k] - '0');
        fillBar(ctx, pos.y, pos.x, bottom, pos.x, bar);
        pos.x += bar + spaceElementWidth(info, pattern[2 * k + 1] - '0');
    }
}

void code128DrawStopBar(LinearDrawContext &ctx, BarPosition &pos, const TBarInfo &info)
{
    const double r = ctx.resolution;
    const double reserve = (info.HRT && info.barH > 0) ? std::trunc(r * info.TextHeight) : 0;
    const double width = 2 * meanModule(info) + (info.barW - info.spaceW) / 2;
    fillBar(ctx, pos.y, pos.x, pos.y + info.barH * r - reserve, pos.x, width);
    pos.x += width;
}

void code128DrawText(LinearDrawContext &ctx, const TBarInfo &info, const std::string &text)
{
    const int count = int(text.size());
    if (count < 1)
        return;
    const double r = ctx.resolution;
    const double cell = (info.BarRect.right - info.BarRect.left - 2 * std::trunc(r / 18.0)) / count;
    const double baseline = info.pt.v + (info.barH == 0 ? r * ctx.textDrop : r * info.barH);
    for (int i = 0; i < count; ++i) {
        const QString ch = QString(QChar::fromLatin1(text[size_t(i)]));
        const double w = LinearDrawContext::textWidth(ch, ctx.font);
        drawBarcodeChar(ctx, ch, {baseline, info.pt.h + i * cell + (cell - w) / 2});
    }
}

int code128Draw(TBarInfo &info, LinearDrawContext &ctx)
{
    const std::vector<int> values = code128Values(info);
    if (values.empty())
        return 0;
    BarPosition pos{double(info.pt.v), double(info.pt.h)};
    for (int value : values)
        code128DrawSymbolBars(ctx, pos, value, info);
    code128DrawStopBar(ctx, pos, info);
    if (info.HRT) {
        if (ctx.useHRTKerning)
            drawBarcodeTextLine(ctx, info, code128Text(info));
        else
            code128DrawText(ctx, info, code128Text(info));
    }
    return 1;
}

void code128Extent(TBarInfo &info, LinearDrawContext &ctx)
{
    const double r = ctx.resolution;
    const std::vector<int> values = code128Values(info);
    double width;
    if (values.empty())
        width = errorTextWidth(info.type, ctx);
    else
        width = 2 * meanModule(info) + double(values.size()) * 11 * meanModule(info);
    const double height = (info.HRT && info.barH == 0) ? r * ctx.textDrop : info.barH * r;
    setExtentRect(info, width, height, ctx.resolution);
}

} // namespace quillmark
