#include "barcodes/Postnet.h"

#include "barcodes/LinearBarcodeKit.h"

#include <array>

namespace quillmark {

namespace {

constexpr std::array<const char *, 10> DigitBars = {
    "11000", "00011", "00101", "00110", "01001", "01010", "01100", "10001", "10010", "10100",
};

int checkDigit(const std::string &digits)
{
    int sum = 0;
    for (char c : digits)
        sum += c - '0';
    return (10 - sum % 10) % 10;
}

} // namespace

std::string postnetDigits(const std::string &data)
{
    std::string digits;
    for (char c : data) {
        if (c >= '0' && c <= '9')
            digits.push_back(c);
    }
    return digits;
}

bool PostnetDigitCountValid(const std::string &data)
{
    const size_t n = postnetDigits(data).size();
    return n == 5 || n == 9 || n == 11;
}

void postnetDrawDigit(LinearDrawContext &ctx, BarPosition &pos, int digit, const TBarInfo &info)
{
    if (digit < 0 || digit > 9)
        return;
    const double r = ctx.resolution;
    const char *bars = DigitBars[size_t(digit)];
    for (int i = 0; i < 5; ++i) {
        const double top = pos.y + (bars[i] == '1' ? 0 : 0.075 * r);
        fillBar(ctx, top, pos.x, pos.y + 0.125 * r, pos.x, info.barW);
        pos.x += info.barW + info.spaceW;
    }
}

int postnetDraw(TBarInfo &info, LinearDrawContext &ctx)
{
    const std::string digits = postnetDigits(info.shortData());
    if (!PostnetDigitCountValid(digits))
        return 0;
    const double r = ctx.resolution;
    info.barH = 0.125 * r;
    info.barW = 0.02 * r;
    info.spaceW = 0.0275 * r;
    BarPosition pos{double(info.pt.v), double(info.pt.h)};
    fillBar(ctx, pos.y, pos.x, pos.y + 0.125 * r, pos.x, info.barW);
    pos.x += info.barW + info.spaceW;
    for (char c : digits)
        postnetDrawDigit(ctx, pos, c - '0', info);
    postnetDrawDigit(ctx, pos, checkDigit(digits), info);
    fillBar(ctx, pos.y, pos.x, pos.y + 0.125 * r, pos.x, info.barW);
    return 1;
}

void postnetExtent(TBarInfo &info, LinearDrawContext &ctx)
{
    const double r = ctx.resolution;
    const std::string digits = postnetDigits(info.shortData());
    double width;
    if (PostnetDigitCountValid(digits)) {
        const double bars = 5.0 * double(digits.size()) + 5;
        width = (0.0475 * bars + 0.04 + 0.0275) * r;
    } else {
        width = errorTextWidth(info.type, ctx);
    }
    const double margin = r / 18.0;
    setShortRect(info.BarRect, -margin, -margin, width + margin + 0.5, 0.125 * r + margin + 0.5);
}

} // namespace quillmark
